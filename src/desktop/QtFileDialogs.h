#pragma once

#include "seams/FileDialogSeam.h"

class QWidget;

// The desktop's own file dialogs over the window. Each kind of file opens in the folder its last
// Open dialog was left in, or its last file was written to, remembered between runs.
class QtFileDialogs : public FileDialogSeam
{
public:
    void SetParentWindow(QWidget* window) { m_parent = window; }
    std::optional<ChosenFile> GetOpenFile(const FileDialogRequest& request) override;
    std::optional<ChosenFile> GetSaveFile(const FileDialogRequest& request) override;
    void KeepFolderOf(FileKind kind, const std::string& path) override;

private:
    QWidget* m_parent = nullptr;
};
