#pragma once

class CDomainListCtrl;

// The commands that check and delete rows of the domain list by their marks and statuses. All
// of them stay allowed while a search runs; the search follows its own row through them.
class CListCommands
{
public:
    explicit CListCommands(CDomainListCtrl& list) : m_list(list) {}

    // Removes every row; a running search ends at its next verdict.
    void ClearList();
    void CheckAll();
    void UncheckAll();
    // Checks exactly the rows whose status is "Available!".
    void CheckAvailable();
    // Checks exactly the rows whose status is "Taken" ("Information Missing" is not taken).
    void CheckTaken();
    void DeleteChecked();
    void DeleteUnchecked();
    // CheckTaken, then DeleteChecked: the rows left are all unchecked.
    void DeleteTaken();

private:
    CDomainListCtrl& m_list;
};
