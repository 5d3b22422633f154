#include "CSearchDriver.h"

#include "DomainListModel.h"
#include "seams/MessageBoxSeam.h"
#include "whois/CWhoisSocket.h"
#include "whois/core/DomainName.h"

namespace {

constexpr const char* kSearchFinished = "Domain Name Search Finished!";

} // namespace

CSearchDriver::CSearchDriver(DomainListModel& model, CWhoisSocket& socket,
                             MessageBoxSeam& messageBoxes, QObject* parent)
    : QObject(parent), m_model(model), m_whoisSocket(socket), m_messageBoxes(messageBoxes)
{
    connect(&m_whoisSocket, &CWhoisSocket::whoisVerdict, this, &CSearchDriver::OnWhoisVerdict,
            Qt::DirectConnection);
}

void CSearchDriver::OnSearchDomains()
{
    m_currentRow = 0;
    m_doneCount = 0;
    m_totalCount = 0;
    m_whoisSocket.Reset();
    m_searchPending = true;
    const DomainRows& rows = m_model.Rows();
    for (int row = 0; row < rows.Count(); ++row) {
        if (rows.At(row).checked && rows.At(row).status == RowStatus::Pending) {
            ++m_totalCount;
        }
    }
    emit progressChanged(0, ProgressMaximum());
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
    const TrackedRow asked = m_model.Tracked();
    if (!asked.deleted) {
        m_model.SetVerdict(asked.row, status);
    }
    StepProgress();
    if (asked.cleared) {
        Finish();
        return;
    }
    m_currentRow = asked.deleted ? asked.row : asked.row + 1;
    if (static_cast<unsigned int>(m_currentRow) >
        static_cast<unsigned int>(m_model.Rows().Count())) {
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
    emit progressChanged(static_cast<int>(qMin(m_doneCount, m_totalCount)), ProgressMaximum());
    if (m_doneCount >= m_totalCount) {
        emit progressChanged(0, ProgressMaximum());
    }
}

void CSearchDriver::OnStopSearch()
{
    m_currentRow = 0;
    m_whoisSocket.Reset();
    m_model.TrackRow(-1);
    m_searchPending = false;
    emit progressChanged(0, ProgressMaximum());
    m_messageBoxes.Show(kSearchFinished, MessageBoxIcon::None);
}

void CSearchDriver::StartRow(int row)
{
    m_currentRow = row;
    m_model.TrackRow(row);
    m_currentDomain = QByteArray::fromStdString(RemoveEveryWww(m_model.Rows().At(row).name));
    m_whoisSocket.StartQuery(m_currentDomain, m_currentRow, {});
}

int CSearchDriver::FindCheckedRow(int from, bool pendingOnly) const
{
    const DomainRows& rows = m_model.Rows();
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
    m_model.TrackRow(-1);
    m_searchPending = false;
    m_messageBoxes.Show(kSearchFinished, MessageBoxIcon::None);
}
