#pragma once

#include "seams/PrintDialogSeam.h"

// The desktop's print dialog.
class QtPrintDialog : public PrintDialogSeam
{
public:
    bool Run(QPrinter& printer) override;
};
