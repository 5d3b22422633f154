#include "CListCommands.h"

#include "DomainListModel.h"
#include "domainlist/core/ListFile.h"
#include "query/core/DomainName.h"
#include "seams/DesktopSeams.h"
#include "seams/FileDialogSeam.h"
#include "seams/MessageBoxSeam.h"
#include "text/CLineListTools.h"
#include "text/InputFile.h"
#include "web/WebAddresses.h"

#include <QFile>
#include <QFileInfo>
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

// Writes what `nextChunk` gives (until it gives nothing) into `path`. The old file is replaced
// only once the new one is complete. Returns why it failed, or nothing.
QString WriteFileSafely(const std::string& path,
                        const std::function<void(std::string& chunk)>& nextChunk)
{
    // Unbuffered, a short write (a full disk) shows at the write itself rather than being lost in
    // a later flush.
    QSaveFile file(QString::fromStdString(path));
    bool saved = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    std::string chunk;
    while (saved) {
        nextChunk(chunk);
        if (chunk.empty()) {
            break;
        }
        for (std::size_t written = 0; saved && written < chunk.size();) {
            const qint64 count =
                file.write(chunk.data() + written, static_cast<qint64>(chunk.size() - written));
            saved = count > 0;
            written += saved ? static_cast<std::size_t>(count) : 0;
        }
    }
    if (saved && file.error() == QFileDevice::NoError && file.commit()) {
        return {};
    }
    QString reason = file.errorString();
    file.cancelWriting();
    return reason.isEmpty() ? QStringLiteral("Unknown error") : reason;
}

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

void CListCommands::CopyNames(bool everyRow, const char* whenNone)
{
    // Text pasted on this desktop (terminals, editors) expects LF alone; a CR would show as ^M.
    const std::string text =
        NamesText(m_model.Rows(), everyRow ? Rows::Every : Rows::Checked, "\n");
    if (text.empty()) {
        // Emptying the clipboard would throw away what the user copied before, for nothing.
        m_seams.messageBoxes.Show(std::string(whenNone) + "; the clipboard is left as it was.",
                                  MessageBoxIcon::None);
        return;
    }
    m_seams.clipboard.SetText(std::string(TrimRight(text)));
}

void CListCommands::CopyChecked()
{
    CopyNames(false, "No names are checked");
}

void CListCommands::SaveChecked()
{
    const std::string text = CheckedNamesText();
    const std::optional<std::string> chosen = m_seams.fileDialogs.GetSaveFileName();
    if (!chosen || chosen->empty()) {
        return;
    }
    const std::string path = WithTextExtension(*chosen);
    bool written = false;
    const QString failure = WriteFileSafely(path, [&](std::string& chunk) {
        chunk = written ? std::string() : text;
        written = true;
    });
    FinishWrite("saved", path, failure);
}

void CListCommands::ExportList()
{
    // Every row or the checked ones, in CSV or JSON: four file types, in this order.
    const FileDialogRequest request{FileKind::DomainList,
                                    {"CSV, every row (*.csv)", "CSV, checked rows only (*.csv)",
                                     "JSON, every row (*.json)",
                                     "JSON, checked rows only (*.json)"},
                                    "Export List"};
    const std::optional<ChosenFile> chosen = m_seams.fileDialogs.GetSaveFile(request);
    if (!chosen || chosen->path.empty()) {
        return;
    }
    const std::string& path = chosen->path;
    const bool onlyChecked = chosen->filter % 2 == 1;
    ListFormat format = chosen->filter >= 2 ? ListFormat::Json : ListFormat::Csv;
    const std::string extension =
        QFileInfo(QString::fromStdString(path)).suffix().toLower().toStdString();
    if (extension == "json") {
        format = ListFormat::Json;
    } else if (extension == "csv") {
        format = ListFormat::Csv;
    }

    const DomainRows& rows = m_model.Rows();
    int next = 0;
    bool headerWritten = false;
    bool footerWritten = false;
    bool isFirst = true;
    const QString failure = WriteFileSafely(path, [&](std::string& chunk) {
        chunk.clear();
        if (!headerWritten) {
            chunk = ListFileHeader(format);
            headerWritten = true;
        }
        // About a megabyte at a time, so that a million rows never stand in memory twice.
        constexpr std::size_t kChunkSize = 1 << 20;
        for (; next < rows.Count() && chunk.size() < kChunkSize; ++next) {
            if (!onlyChecked || rows.At(next).checked) {
                AppendListRecord(chunk, rows.Record(next), format, isFirst);
                isFirst = false;
            }
        }
        if (next == rows.Count() && !footerWritten && chunk.size() < kChunkSize) {
            chunk += ListFileFooter(format);
            footerWritten = true;
        }
    });
    FinishWrite("exported", path, failure);
}

void CListCommands::FinishWrite(const char* done, const std::string& path, const QString& failure)
{
    if (failure.isEmpty()) {
        m_seams.fileDialogs.KeepFolderOf(FileKind::DomainList, path);
        return;
    }
    m_seams.messageBoxes.Show(std::string("The domain list could not be ") + done + " to \"" +
                                  path + "\": " + failure.toStdString(),
                              MessageBoxIcon::Stop);
}

void CListCommands::OpenList()
{
    const FileDialogRequest request{FileKind::DomainList,
                                    {"Domain Lists (*.txt *.csv *.json)", "All Files (*)"}};
    const std::optional<ChosenFile> chosen = m_seams.fileDialogs.GetOpenFile(request);
    if (!chosen || chosen->path.empty()) {
        return;
    }
    const std::string& path = chosen->path;
    const auto failed = [&](const std::string& reason) {
        m_seams.messageBoxes.Show("The domain list \"" + path + "\" could not be opened: " + reason,
                                  MessageBoxIcon::Stop);
    };
    // Opened as every file is: a named pipe or a device is refused at once, and so is a file over
    // the limit, from its size.
    InputFile file;
    if (!file.Open(path, kLargestListFile)) {
        failed(file.Reason());
        return;
    }
    // The rows join the list a piece of the file at a time: the file is never held whole.
    const int rowsBefore = m_model.Rows().Count();
    std::size_t names = 0;
    int added = 0;
    ListFileContents contents = ReadListFile(file, [&](std::vector<ListRecord>& records) {
        names += records.size();
        added += m_model.AppendRecords(std::move(records));
    });
    if (!contents.problem.empty()) {
        // The list stays as it was rather than taking a cut-off part of the file.
        m_model.RemoveRowsFrom(rowsBefore);
        failed(contents.problem);
        return;
    }
    // A file that adds nothing says why, with the lines it could not read.
    std::string message;
    if (names == 0 && contents.badLineCount == 0) {
        message = "\"" + path + "\" holds no domain names.";
    } else if (names > 0 && added == 0) {
        message = names == 1 ? "The 1 name of \"" + path + "\" is already in the list."
                             : "All " + std::to_string(names) + " names of \"" + path +
                                   "\" are already in the list.";
    }
    if (contents.badLineCount > 0) {
        message += (message.empty() ? "" : "\n\n") + BadLinesText(path, contents);
    }
    if (!message.empty()) {
        m_seams.messageBoxes.Show(message, MessageBoxIcon::None);
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
    CopyNames(false, "No name is \"Available!\"");
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
    CopyNames(true, "The list holds no names");
}
