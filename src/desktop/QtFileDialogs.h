#pragma once

#include "seams/FileDialogSeam.h"

class QWidget;

// The desktop's own file dialogs over the window. Each kind of file opens in the folder its last
// dialog was left in, remembered between runs.
class QtFileDialogs : public FileDialogSeam
{
public:
    void SetParentWindow(QWidget* window) { m_parent = window; }
    std::optional<ChosenFile> GetOpenFile(const FileDialogRequest& request) override;
    std::optional<ChosenFile> GetSaveFile(const FileDialogRequest& request) override;

private:
    QWidget* m_parent = nullptr;
};
