#pragma once

#include "whois/core/DomainStatus.h"

#include <QByteArray>
#include <QObject>

class CWhoisSocket;
class DomainListModel;
class MessageBoxSeam;

// Walks the checked rows of the domain list and asks the whois socket about one at a time. The
// next query starts from inside the handler of the previous verdict; a failed query leaves the
// search waiting until the user stops or restarts it.
class CSearchDriver : public QObject
{
    Q_OBJECT

public:
    CSearchDriver(DomainListModel& model, CWhoisSocket& socket, MessageBoxSeam& messageBoxes,
                  QObject* parent = nullptr);

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

signals:
    // The progress bar's state: `value` answers of `maximum` (at least 1, so that an empty
    // search never shows a busy bar); the value returns to 0 when the search ends.
    void progressChanged(int value, int maximum);

private:
    void StartRow(int row);
    // The first checked row from `from` on, or -1.
    int FindCheckedRow(int from, bool pendingOnly) const;
    void Finish();
    int ProgressMaximum() const { return static_cast<int>(qMax(m_totalCount, 1u)); }

    DomainListModel& m_model;
    CWhoisSocket& m_whoisSocket;
    MessageBoxSeam& m_messageBoxes;
};
