#pragma once

#include "whois/core/DomainStatus.h"

#include <QByteArray>
#include <QObject>

class CDomainListCtrl;
class CWhoisSocket;
class MessageBoxSeam;
class QProgressBar;

// Walks the checked rows of the domain list and asks the whois socket about one at a time. The
// next query starts from inside the handler of the previous verdict; a failed query leaves the
// search waiting until the user stops or restarts it.
class CSearchDriver : public QObject
{
    Q_OBJECT

public:
    CSearchDriver(CDomainListCtrl& list, CWhoisSocket& socket, QProgressBar& progressBar,
                  MessageBoxSeam& messageBoxes, QObject* parent = nullptr);

    // "Search Domains": starts (or restarts) at the first checked "Pending" row.
    void OnSearchDomains();
    // A verdict for the row being asked about: written into that row wherever it now is.
    void OnWhoisVerdict(int row, DomainStatus status);
    void StepProgress();
    // "Stop Search": always allowed, also when no search runs.
    void OnStopSearch();

    bool m_searchPending = false;
    int m_currentRow = 0;
    unsigned int m_doneCount = 0;
    unsigned int m_totalCount = 0;
    QByteArray m_currentDomain;

private:
    void StartRow(int row);
    // The first checked row from `from` on, or -1.
    int FindCheckedRow(int from, bool pendingOnly) const;
    void Finish();

    CDomainListCtrl& m_list;
    CWhoisSocket& m_whoisSocket;
    QProgressBar& m_progressBar;
    MessageBoxSeam& m_messageBoxes;
};
