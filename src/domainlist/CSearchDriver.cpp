#include "CSearchDriver.h"

#include "CDomainListCtrl.h"
#include "seams/MessageBoxSeam.h"
#include "whois/CWhoisSocket.h"
#include "whois/core/DomainName.h"

#include <QProgressBar>

namespace {

constexpr const char* kSearchFinished = "Domain Name Search Finished!";

} // namespace

CSearchDriver::CSearchDriver(CDomainListCtrl& list, CWhoisSocket& socket, QProgressBar& progressBar,
                             MessageBoxSeam& messageBoxes, QObject* parent)
    : QObject(parent), m_list(list), m_whoisSocket(socket), m_progressBar(progressBar),
      m_messageBoxes(messageBoxes)
{
    connect(&m_whoisSocket, &CWhoisSocket::whoisVerdict, this, &CSearchDriver::OnWhoisVerdict,
            Qt::DirectConnection);
    m_list.SetSearchPendingQuery([this] { return m_searchPending; });
}

void CSearchDriver::OnSearchDomains()
{
    m_currentRow = 0;
    m_doneCount = 0;
    m_totalCount = 0;
    m_whoisSocket.Reset();
    m_searchPending = true;
    const DomainRows& rows = m_list.Model().Rows();
    for (int row = 0; row < rows.Count(); ++row) {
        if (rows.At(row).checked && rows.At(row).status == RowStatus::Pending) {
            ++m_totalCount;
        }
    }
    // A bar whose range is 0 to 0 shows a busy animation, which would suggest a search running.
    m_progressBar.setRange(0, static_cast<int>(qMax(m_totalCount, 1u)));
    const int first = FindCheckedRow(0, true);
    if (first < 0) {
        m_searchPending = false;
        return;
    }
    StartRow(first);
}

void CSearchDriver::OnWhoisVerdict(int, DomainStatus status)
{
    // The verdict belongs to the row the query was started for, wherever that row is now: rows
    // above it may have been deleted meanwhile, and a deleted row takes no verdict.
    const TrackedRow asked = m_list.Tracked();
    if (!asked.deleted) {
        m_list.SetVerdict(asked.row, static_cast<int>(status));
    }
    StepProgress();
    if (asked.cleared) {
        Finish();
        return;
    }
    m_currentRow = asked.deleted ? asked.row : asked.row + 1;
    if (static_cast<unsigned int>(m_currentRow) >
        static_cast<unsigned int>(m_list.GetItemCount())) {
        Finish();
        return;
    }
    const int next = FindCheckedRow(m_currentRow, false);
    if (next < 0) {
        Finish();
        return;
    }
    StartRow(next);
}

void CSearchDriver::StepProgress()
{
    ++m_doneCount;
    m_progressBar.setValue(static_cast<int>(qMin(m_doneCount, m_totalCount)));
    m_progressBar.repaint();
    if (m_doneCount >= m_totalCount) {
        m_progressBar.setValue(0);
        m_progressBar.repaint();
    }
}

void CSearchDriver::OnStopSearch()
{
    m_currentRow = 0;
    m_whoisSocket.Reset();
    m_list.TrackRow(-1);
    m_searchPending = false;
    m_progressBar.setValue(0);
    m_messageBoxes.Show(kSearchFinished, MessageBoxIcon::None);
}

void CSearchDriver::StartRow(int row)
{
    m_currentRow = row;
    m_list.TrackRow(row);
    m_currentDomain = QByteArray::fromStdString(RemoveEveryWww(m_list.Model().Rows().At(row).name));
    m_whoisSocket.StartQuery(m_currentDomain, m_currentRow, {});
}

int CSearchDriver::FindCheckedRow(int from, bool pendingOnly) const
{
    const DomainRows& rows = m_list.Model().Rows();
    for (int row = qMax(from, 0); row < rows.Count(); ++row) {
        const DomainRow& candidate = rows.At(row);
        if (candidate.checked && (!pendingOnly || candidate.status == RowStatus::Pending)) {
            return row;
        }
    }
    return -1;
}

void CSearchDriver::Finish()
{
    m_currentRow = 0;
    m_whoisSocket.Reset();
    m_list.TrackRow(-1);
    m_searchPending = false;
    m_messageBoxes.Show(kSearchFinished, MessageBoxIcon::None);
}
