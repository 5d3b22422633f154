#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Which kind of file a dialog is for: each kind opens in the folder the last dialog of its kind
// was left in.
enum class FileKind
{
    WordList,   // keywords, prefixes, suffixes, top words
    DomainList, // saved, exported and opened lists
};

struct FileDialogRequest
{
    FileKind kind = FileKind::WordList;
    // The file types offered, such as "Text Files (*.txt)"; the first is chosen at the start.
    // A name typed without an extension gets the one of the chosen type.
    std::vector<std::string> filters{"Text Files (*.txt)"};
    // The dialog's title, the command that opened it ("Export List"); empty for the desktop's
    // own ("Open", "Save As").
    std::string title{};
};

struct ChosenFile
{
    std::string path;
    std::size_t filter = 0; // the index of the file type chosen in the request's list
};

// The Open-file and Save-file dialogs, so that the window shows the desktop's dialog and tests
// answer it.
class FileDialogSeam
{
public:
    virtual ~FileDialogSeam() = default;
    // The chosen file, or nothing when the user cancels.
    virtual std::optional<ChosenFile> GetOpenFile(const FileDialogRequest& request) = 0;
    // The Save dialog; it asks before an existing file is chosen for replacing. Its folder is not
    // kept for the next dialog: a save that fails must not send the next one there (a folder
    // such as /proc, whose files hang a dialog that looks into them).
    virtual std::optional<ChosenFile> GetSaveFile(const FileDialogRequest& request) = 0;
    // The next dialog of this kind opens in the folder of `path`, a file just written.
    virtual void KeepFolderOf(FileKind kind, const std::string& path) = 0;

    // A text file of words to open, and a text file to save a domain list in.
    std::optional<std::string> GetOpenFileName();
    std::optional<std::string> GetSaveFileName();
};

// A chosen file name without an extension gets ".txt".
std::string WithTextExtension(std::string path);
