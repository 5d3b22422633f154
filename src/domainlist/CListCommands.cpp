#include "CListCommands.h"

#include "CDomainListCtrl.h"

void CListCommands::ClearList()
{
    m_list.DeleteAll();
}

void CListCommands::CheckAll()
{
    m_list.SetChecks([](const DomainRow&) { return true; });
}

void CListCommands::UncheckAll()
{
    m_list.SetChecks([](const DomainRow&) { return false; });
}

void CListCommands::CheckAvailable()
{
    m_list.SetChecks([](const DomainRow& row) { return row.status == RowStatus::Available; });
}

void CListCommands::CheckTaken()
{
    m_list.SetChecks([](const DomainRow& row) { return row.status == RowStatus::Taken; });
}

void CListCommands::DeleteChecked()
{
    m_list.DeleteRows([](const DomainRow& row) { return row.checked; });
}

void CListCommands::DeleteUnchecked()
{
    m_list.DeleteRows([](const DomainRow& row) { return !row.checked; });
}

void CListCommands::DeleteTaken()
{
    CheckTaken();
    DeleteChecked();
}
