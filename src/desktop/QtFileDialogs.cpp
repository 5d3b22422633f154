#include "QtFileDialogs.h"

#include <QFileDialog>

namespace {

std::optional<std::string> RunFileDialog(QWidget* parent, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, {}, {}, QStringLiteral("Text Files (*.txt)"));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    // A name typed without an extension means the ".txt" file: the open dialog then finds
    // "kw.txt" for "kw", and the save dialog asks about replacing the file that will really be
    // written, not about the bare name.
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    // The desktop's native dialog may ask about replacing before the suffix is added; Qt's own
    // dialog applies both rules in the right order everywhere.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString path = dialog.selectedFiles().constFirst();
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path.toStdString();
}

} // namespace

std::optional<std::string> QtFileDialogs::GetOpenFileName()
{
    return RunFileDialog(m_parent, QFileDialog::AcceptOpen);
}

std::optional<std::string> QtFileDialogs::GetSaveFileName()
{
    return RunFileDialog(m_parent, QFileDialog::AcceptSave);
}
