#pragma once

#include <optional>
#include <string>

// The Open-file and Save-file dialogs, so that the window shows the desktop's dialog and tests
// answer it. Both dialogs offer the one file type "Text Files (*.txt)".
class FileDialogSeam
{
public:
    virtual ~FileDialogSeam() = default;
    // The chosen file's full path, or nothing when the user cancels.
    virtual std::optional<std::string> GetOpenFileName() = 0;
    // The Save dialog; it asks before an existing file is chosen for replacing.
    virtual std::optional<std::string> GetSaveFileName() = 0;
};

// A chosen file name without an extension gets ".txt".
std::string WithTextExtension(std::string path);
