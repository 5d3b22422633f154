#pragma once

class QPrinter;

// The print dialog, so that the window shows the desktop's and tests answer it.
class PrintDialogSeam
{
public:
    virtual ~PrintDialogSeam() = default;
    // Shows the dialog for this printer; true when the user confirms it.
    virtual bool Run(QPrinter& printer) = 0;
};
