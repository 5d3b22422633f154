#include "CKeywordEditorDlg.h"

#include "controls/DialogTemplate.h"
#include "controls/EditText.h"
#include "seams/FileDialogSeam.h"
#include "seams/MessageBoxSeam.h"
#include "text/CLineListTools.h"
#include "text/CTextLineReader.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <array>

namespace {

using enum ControlKind;

constexpr int kTextId = 1029;
constexpr int kBrowseId = 1030;
constexpr int kOkId = 1;
constexpr int kCancelId = 2;

constexpr auto kEditorWindow = std::to_array<ControlTemplate>({
    {kTextId, "text", MultiLineEdit, "", 7, 7, 245, 163},
    {kBrowseId, "browse", PushButton, "Browse Load File...", 37, 188, 71, 14},
    {kOkId, "ok", DefaultButton, "OK", 115, 188, 50, 14},
    {kCancelId, "cancel", PushButton, "Cancel", 172, 188, 50, 14},
});

} // namespace

std::string ChooseTextFile(FileDialogSeam& fileDialogs)
{
    const std::optional<std::string> chosen = fileDialogs.GetOpenFileName();
    return chosen && !chosen->empty() ? WithTextExtension(*chosen) : std::string();
}

CKeywordEditorDlg::CKeywordEditorDlg(FileDialogSeam& fileDialogs, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags), m_fileDialogs(fileDialogs)
{
    const QHash<int, QWidget*> controls = BuildFixedDialog(
        *this, QStringLiteral("Keyword Editor Dialog"), QSize(259, 209), kEditorWindow);
    m_edit = qobject_cast<QPlainTextEdit*>(controls.value(kTextId));
    m_edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(qobject_cast<QPushButton*>(controls.value(kBrowseId)), &QPushButton::clicked, this,
            &CKeywordEditorDlg::OnBrowseLoadFile);
    connect(qobject_cast<QPushButton*>(controls.value(kOkId)), &QPushButton::clicked, this,
            &QDialog::accept);
    connect(qobject_cast<QPushButton*>(controls.value(kCancelId)), &QPushButton::clicked, this,
            &QDialog::reject);
}

int CKeywordEditorDlg::exec()
{
    ShowInEdit(*m_edit, m_strText);
    return QDialog::exec();
}

void CKeywordEditorDlg::accept()
{
    TakeFromEdit(*m_edit, m_strText);
    QDialog::accept();
}

void CKeywordEditorDlg::OnBrowseLoadFile()
{
    const std::string path = ChooseTextFile(m_fileDialogs);
    if (path.empty()) {
        return;
    }
    CTextLineReader reader(path);
    std::string text;
    std::string line;
    while (reader.ReadLine(line)) {
        text += CLineListTools::EnsureLineEnd(line);
    }
    try {
        reader.ThrowIfNotRead(path);
    } catch (const TextFileNotRead& notRead) {
        // The list stays as it was rather than taking a cut-off part of the file.
        if (m_messageBoxes != nullptr) {
            m_messageBoxes->Show(std::string("The file was not read: ") + notRead.what() + ".",
                                 MessageBoxIcon::Stop);
        }
        return;
    }
    m_strText = std::move(text);
    reader.Close();
    ShowInEdit(*m_edit, m_strText);
}
