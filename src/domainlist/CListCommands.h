#pragma once

#include <QString>
#include <functional>
#include <string>

class DomainListModel;
class ClipboardSeam;
class FileDialogSeam;
class MessageBoxSeam;
class UrlOpenerSeam;

// The commands on the domain list: checking and deleting rows by their marks and statuses,
// copying and saving the checked names, and the one-row commands on the highlighted row. All of
// them stay allowed while a search runs; the search follows its own row through them.
class CListCommands
{
public:
    struct Seams
    {
        ClipboardSeam& clipboard;
        FileDialogSeam& fileDialogs;
        UrlOpenerSeam& urls;
        MessageBoxSeam& messageBoxes;
    };

    // `highlightedRow` answers which row the one-row commands act on (-1: none).
    CListCommands(DomainListModel& model, std::function<int()> highlightedRow, Seams seams)
        : m_model(model), m_highlightedRow(std::move(highlightedRow)), m_seams(seams)
    {}

    // Removes every row; a running search ends at its next verdict.
    void ClearList();
    void CheckAll();
    void UncheckAll();
    // Checks exactly the rows whose status is "Available!".
    void CheckAvailable();
    // Checks exactly the rows whose status is "Taken" ("Information Missing" is not taken).
    void CheckTaken();
    void DeleteChecked();
    void DeleteUnchecked();

    // The checked names, one a line (LF, the desktop's line end), with the white space at the
    // very end cut off. With nothing checked the clipboard keeps its text, and a box says so.
    void CopyChecked();
    // The checked names, each followed by CR LF, into a text file the user chooses (".txt" is
    // added to a name without extension). A file that cannot be written is reported.
    void SaveChecked();
    void CopySelectedRow();
    // The highlighted row's name, "www." included, in the browser.
    void OpenSelectedRow();
    // The web whois page for the highlighted row's name.
    void WhoisSelectedRow();

    // Two steps each; the check marks they set stay, whatever the second step does.
    void DeleteTaken();
    void CopyAvailable();
    void SaveAvailable();
    void SaveAll();
    // Every row's name, as CopyChecked lays them out; no check mark changes.
    void CopyAll();

    // Every row, or only the checked ones (a file type of the dialog), with its status, check
    // mark, server, time of answer and reason, as CSV or JSON (by the name's extension, else
    // by the file type).
    void ExportList();
    // Adds the rows of a names file or an export behind the others, with their statuses and
    // marks; names listed already are left out, and so are lines that cannot be read (one box
    // says which). A file that adds no row says why.
    void OpenList();

    std::string CheckedNamesText() const;

private:
    // With no name to copy the clipboard keeps its text, and a box says `whenNone` and so.
    void CopyNames(bool everyRow, const char* whenNone);
    // Tells why the list could not be "saved" or "exported" to `path`; when it was, the next
    // file dialog of domain lists opens in its folder.
    void FinishWrite(const char* done, const std::string& path, const QString& failure);
    // The highlighted row's name, empty when no row is highlighted.
    std::string HighlightedName() const;

    DomainListModel& m_model;
    std::function<int()> m_highlightedRow;
    Seams m_seams;
};
