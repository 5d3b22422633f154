#pragma once

#include "seams/MessageBoxSeam.h"

class QWidget;

// Modal message boxes with an OK button, captioned with the program's name.
class QtMessageBoxes : public MessageBoxSeam
{
public:
    void SetParentWindow(QWidget* window) { m_parent = window; }
    void Show(const std::string& text, MessageBoxIcon icon) override;
    bool Ask(const std::string& question) override;

private:
    QWidget* m_parent = nullptr;
};
