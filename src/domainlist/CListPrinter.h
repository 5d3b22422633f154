#pragma once

#include "seams/PrintDialogSeam.h"

#include <QPrinter>
#include <QString>

class DomainListModel;

// Prints the domain list as a framed table. Each job opens the dialog on A4 in the job's
// orientation; the printer and the other settings the user chose stay for the rest of the run.
class CListPrinter
{
public:
    explicit CListPrinter(PrintDialogSeam& printDialog);
    virtual ~CListPrinter() = default;

    // False for an empty list (no dialog) or when the printer cannot be drawn on; true
    // otherwise, also when the user cancels the dialog.
    bool PrintList(const DomainListModel& model, const QString& title,
                   QPageLayout::Orientation orientation);

    QPrinter& Printer() { return m_printer; }

private:
    PrintDialogSeam& m_printDialog;
    QPrinter m_printer;
};
