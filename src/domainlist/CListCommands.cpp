#include "CListCommands.h"

#include "DomainListModel.h"
#include "seams/DesktopSeams.h"
#include "seams/FileDialogSeam.h"
#include "seams/MessageBoxSeam.h"
#include "text/CLineListTools.h"
#include "web/WebAddresses.h"
#include "whois/core/DomainName.h"

#include <QSaveFile>

void CListCommands::ClearList()
{
    m_model.RemoveAll();
}

void CListCommands::CheckAll()
{
    m_model.SetChecks([](const DomainRow&) { return true; });
}

void CListCommands::UncheckAll()
{
    m_model.SetChecks([](const DomainRow&) { return false; });
}

void CListCommands::CheckAvailable()
{
    m_model.SetChecks([](const DomainRow& row) { return row.status == RowStatus::Available; });
}

void CListCommands::CheckTaken()
{
    m_model.SetChecks([](const DomainRow& row) { return row.status == RowStatus::Taken; });
}

void CListCommands::DeleteChecked()
{
    m_model.RemoveRows([](const DomainRow& row) { return row.checked; });
}

void CListCommands::DeleteUnchecked()
{
    m_model.RemoveRows([](const DomainRow& row) { return !row.checked; });
}

namespace {

enum class Rows
{
    Checked,
    Every,
};

std::string NamesText(const DomainRows& rows, Rows which, std::string_view lineEnd)
{
    std::string text;
    for (int row = 0; row < rows.Count(); ++row) {
        if (which == Rows::Every || rows.At(row).checked) {
            text += rows.At(row).name;
            text += lineEnd;
        }
    }
    return text;
}

} // namespace

std::string CListCommands::CheckedNamesText() const
{
    return NamesText(m_model.Rows(), Rows::Checked, "\r\n");
}

void CListCommands::CopyNames(bool everyRow)
{
    // Text pasted on this desktop (terminals, editors) expects LF alone; a CR would show as ^M.
    const std::string text =
        NamesText(m_model.Rows(), everyRow ? Rows::Every : Rows::Checked, "\n");
    m_seams.clipboard.SetText(std::string(TrimRight(text)));
}

void CListCommands::CopyChecked()
{
    CopyNames(false);
}

void CListCommands::SaveChecked()
{
    const std::string text = CheckedNamesText();
    const std::optional<std::string> chosen = m_seams.fileDialogs.GetSaveFileName();
    if (!chosen || chosen->empty()) {
        return;
    }
    const std::string path = WithTextExtension(*chosen);
    // The old file is replaced only once the new one is complete. Unbuffered, a short write (a
    // full disk) shows at the write itself rather than being lost in a later flush.
    QSaveFile file(QString::fromStdString(path));
    bool saved = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (std::size_t written = 0; saved && written < text.size();) {
        const qint64 count =
            file.write(text.data() + written, static_cast<qint64>(text.size() - written));
        saved = count > 0;
        written += saved ? static_cast<std::size_t>(count) : 0;
    }
    QString reason;
    if (saved && file.error() == QFileDevice::NoError) {
        saved = file.commit();
        reason = file.errorString();
    } else {
        reason = file.errorString();
        file.cancelWriting();
        saved = false;
    }
    if (!saved) {
        m_seams.messageBoxes.Show("The domain list could not be saved to \"" + path +
                                      "\": " + file.errorString().toStdString(),
                                  MessageBoxIcon::Stop);
    }
}

std::string CListCommands::HighlightedName() const
{
    const int row = m_highlightedRow();
    return m_model.Rows().IsValidRow(row) ? m_model.Rows().At(row).name : std::string();
}

void CListCommands::CopySelectedRow()
{
    if (m_model.Rows().IsValidRow(m_highlightedRow())) {
        m_seams.clipboard.SetText(HighlightedName());
    }
}

void CListCommands::OpenSelectedRow()
{
    if (!m_model.Rows().IsValidRow(m_highlightedRow())) {
        return;
    }
    if (const auto address = BrowserAddressFor(HighlightedName())) {
        m_seams.urls.Open(*address);
    }
}

void CListCommands::WhoisSelectedRow()
{
    if (m_model.Rows().IsValidRow(m_highlightedRow())) {
        m_seams.urls.Open(WebWhoisAddressFor(HighlightedName()));
    }
}

void CListCommands::DeleteTaken()
{
    CheckTaken();
    DeleteChecked();
}

void CListCommands::CopyAvailable()
{
    CheckAvailable();
    CopyChecked();
}

void CListCommands::SaveAvailable()
{
    CheckAvailable();
    SaveChecked();
}

void CListCommands::SaveAll()
{
    CheckAll();
    SaveChecked();
}

void CListCommands::CopyAll()
{
    // Copying changes no check mark: the marks are the user's working set.
    CopyNames(true);
}
