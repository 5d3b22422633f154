#include "QtPrintDialog.h"

#include <QPrintDialog>
#include <QPrinter>

bool QtPrintDialog::Run(QPrinter& printer)
{
    QPrintDialog dialog(&printer);
    dialog.setMinMax(1, 1);
    return dialog.exec() == QDialog::Accepted;
}
