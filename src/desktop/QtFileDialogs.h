#pragma once

#include "seams/FileDialogSeam.h"

class QWidget;

// The desktop's own file dialogs over the window.
class QtFileDialogs : public FileDialogSeam
{
public:
    void SetParentWindow(QWidget* window) { m_parent = window; }
    std::optional<std::string> GetOpenFileName() override;
    std::optional<std::string> GetSaveFileName() override;

private:
    QWidget* m_parent = nullptr;
};
