#include "CSearchDriver.h"

#include "DomainListModel.h"
#include "query/core/DomainName.h"
#include "seams/MessageBoxSeam.h"
#include "search/core/SearchScheduler.h"

#include <QByteArray>
#include <QDateTime>
#include <QTimer>

namespace {

constexpr const char* kSearchFinished = "Domain Name Search Finished!";
constexpr const char* kNoneChecked = "No names are checked.";
constexpr const char* kAllCheckedAnswered =
    "Every checked name has its answer already; Search Domains asks only \"Pending\" and \"No "
    "Answer\" names.";
constexpr const char* kNoSearchRuns = "No search is running.";
constexpr int kRowsPerScanStep = 2000;
// The least time between two texts of the bar, in milliseconds.
constexpr qint64 kRedrawGap = 200;

} // namespace

CSearchDriver::CSearchDriver(DomainListModel& model, CLookupEngine& engine,
                             MessageBoxSeam& messageBoxes, QObject* parent)
    : QObject(parent), m_model(model), m_engine(engine), m_messageBoxes(messageBoxes)
{
    m_redrawTimer.setInterval(1000);
    connect(&m_redrawTimer, &QTimer::timeout, this, [this] { EmitProgress(true); });
    m_lateRedrawTimer.setSingleShot(true);
    connect(&m_lateRedrawTimer, &QTimer::timeout, this, [this] { EmitProgress(true); });
    m_engine.SetStillWanted([this](CLookupEngine::Ticket ticket) {
        return IsToBeAsked(m_model.RowOfId(static_cast<std::uint32_t>(ticket)));
    });
    connect(&m_engine, &CLookupEngine::asking, this, [this](CLookupEngine::Ticket ticket) {
        m_model.SetSearchMark(m_model.RowOfId(static_cast<std::uint32_t>(ticket)),
                              SearchMark::Asking);
    });
    connect(&m_engine, &CLookupEngine::requeued, this, [this](CLookupEngine::Ticket ticket) {
        m_model.SetSearchMark(m_model.RowOfId(static_cast<std::uint32_t>(ticket)),
                              SearchMark::Queued);
    });
    connect(&m_engine, &CLookupEngine::answered, this, &CSearchDriver::OnAnswered,
            Qt::DirectConnection);
    connect(&m_engine, &CLookupEngine::dropped, this, [this](CLookupEngine::Ticket ticket) {
        const int row = m_model.RowOfId(static_cast<std::uint32_t>(ticket));
        // A deleted row stopped counting when it went.
        if (row >= 0) {
            m_model.SetSearchMark(row, SearchMark::None);
            --m_askedCount;
            RecountTotal();
        }
    });
    connect(&m_engine, &CLookupEngine::finished, this, [this] {
        // More rows may be on their way from the scan.
        if (!m_scanning) {
            Finish();
        }
    });

    // Rows that join the list, or are checked, while the search runs are asked as well: new
    // rows lie ahead of the scan; a row checked behind it is asked at once.
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_searchPending && !m_scanning) {
            m_scanning = true;
            QTimer::singleShot(0, this, &CSearchDriver::ScanOn);
        }
    });
    connect(&m_model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles) {
                if (m_searchPending && roles.contains(Qt::CheckStateRole)) {
                    const int scanned = m_model.Rows().FirstRowFromId(m_scanFromId);
                    AskRows(topLeft.row(), std::min(bottomRight.row(), scanned - 1));
                    RecountTotal();
                }
            });
    // Deleted rows leave the count at once, not when their turn comes.
    connect(&m_model, &QAbstractItemModel::layoutChanged, this, [this] {
        if (m_searchPending) {
            RecountAsked();
        }
    });
    // "Delete List" ends the search, whatever it was waiting for, without a word: the user
    // threw its rows away.
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] {
        if (m_searchPending && m_model.rowCount() == 0) {
            m_engine.Stop();
            EndSearch();
        }
    });
}

bool CSearchDriver::IsToBeAsked(int row) const
{
    if (!m_model.Rows().IsValidRow(row)) {
        return false;
    }
    const DomainRow& candidate = m_model.Rows().At(row);
    return IsAskedBySearch(candidate.checked, candidate.status);
}

int CSearchDriver::AskRows(int first, int last)
{
    int asked = 0;
    for (int row = std::max(first, 0); row <= last && row < m_model.rowCount(); ++row) {
        if (m_model.Rows().At(row).mark != SearchMark::None || !IsToBeAsked(row)) {
            continue;
        }
        m_model.SetSearchMark(row, SearchMark::Queued);
        m_engine.Ask(m_model.IdOf(row),
                     QByteArray::fromStdString(WithoutLeadingWww(m_model.Rows().At(row).name)));
        ++asked;
    }
    m_askedCount += static_cast<unsigned int>(asked);
    return asked;
}

void CSearchDriver::ScanOn()
{
    if (!m_searchPending) {
        return;
    }
    const int first = m_model.Rows().FirstRowFromId(m_scanFromId);
    const int last = std::min(first + kRowsPerScanStep, m_model.rowCount()) - 1;
    AskRows(first, last);
    if (last >= first) {
        m_scanFromId = m_model.IdOf(last) + 1;
    }
    m_scanning = last + 1 < m_model.rowCount();
    RecountTotal();
    if (m_scanning) {
        QTimer::singleShot(0, this, &CSearchDriver::ScanOn);
    } else if (!m_engine.IsBusy()) {
        Finish();
    }
}

void CSearchDriver::RecountTotal()
{
    // While the scan runs, the count made at the start stands for the rows it has not reached.
    m_totalCount = m_scanning ? std::max(m_askedCount, m_countAtStart) : m_askedCount;
    EmitProgress();
}

void CSearchDriver::RecountAsked()
{
    unsigned int toCome = 0;
    for (int row = 0; row < m_model.rowCount(); ++row) {
        const SearchMark mark = m_model.Rows().At(row).mark;
        toCome += mark == SearchMark::Queued || mark == SearchMark::Asking ? 1 : 0;
    }
    m_askedCount = m_doneCount + toCome;
    RecountTotal();
}

void CSearchDriver::OnSearchDomains()
{
    if (m_searchPending) {
        m_engine.Stop();
    }
    m_model.ClearSearchMarks();
    m_doneCount = 0;
    m_noAnswerCount = 0;
    m_notAskableCount = 0;
    m_askedCount = 0;
    m_countAtStart = 0;
    for (int row = 0; row < m_model.rowCount(); ++row) {
        m_countAtStart += IsToBeAsked(row) ? 1 : 0;
    }
    if (m_countAtStart == 0) {
        m_searchPending = false;
        m_totalCount = 0;
        EmitProgress();
        const DomainRows& rows = m_model.Rows();
        bool someChecked = false;
        for (int row = 0; row < rows.Count() && !someChecked; ++row) {
            someChecked = rows.At(row).checked;
        }
        m_messageBoxes.Show(someChecked ? kAllCheckedAnswered : kNoneChecked, MessageBoxIcon::None);
        return;
    }
    m_searchPending = true;
    m_scanning = true;
    m_scanFromId = 0;
    m_textClock.invalidate();
    m_redrawTimer.start();
    ScanOn();
}

void CSearchDriver::OnAnswered(CLookupEngine::Ticket ticket, const QueryResult& answer)
{
    const int row = m_model.RowOfId(static_cast<std::uint32_t>(ticket));
    if (row < 0) {
        // The row was deleted while it was asked about: it takes nothing, and stopped counting
        // when it went.
        return;
    }
    // Asking again cannot help a name that cannot be asked.
    const bool notAskable = answer.failure == QueryFailureKind::NotAskable;
    m_noAnswerCount += !answer.verdict && !notAskable ? 1 : 0;
    m_notAskableCount += !answer.verdict && notAskable ? 1 : 0;
    m_model.SetAnswer(row, answer, static_cast<std::uint32_t>(QDateTime::currentSecsSinceEpoch()));
    m_model.SetSearchMark(row, SearchMark::Done);
    StepProgress();
}

void CSearchDriver::StepProgress()
{
    ++m_doneCount;
    EmitProgress();
}

void CSearchDriver::OnStopSearch()
{
    if (!m_searchPending) {
        m_engine.Stop();
        m_messageBoxes.Show(kNoSearchRuns, MessageBoxIcon::None);
        return;
    }
    // Counted before the marks of the answered rows go.
    const unsigned int notAsked = CountUnanswered();
    m_engine.Stop();
    EndSearch();
    ShowFinished("Search stopped: " + std::to_string(notAsked) +
                 (notAsked == 1 ? " name was not asked." : " names were not asked."));
}

unsigned int CSearchDriver::CountUnanswered() const
{
    unsigned int count = 0;
    for (int row = 0; row < m_model.rowCount(); ++row) {
        count += m_model.Rows().At(row).mark != SearchMark::Done && IsToBeAsked(row) ? 1 : 0;
    }
    return count;
}

void CSearchDriver::Finish()
{
    if (!m_searchPending) {
        return;
    }
    EndSearch();
    ShowFinished(kSearchFinished);
}

void CSearchDriver::ShowFinished(std::string heading)
{
    std::string message = std::move(heading);
    if (const int foundInDns = m_engine.FoundInDns(); foundInDns > 0) {
        message += "\n\n" + std::to_string(foundInDns) +
                   (foundInDns == 1 ? " name was found in DNS." : " names were found in DNS.");
    }
    if (const int remembered = m_engine.Remembered(); remembered > 0) {
        message += "\n\n" + std::to_string(remembered) +
                   (remembered == 1 ? " answer was remembered from earlier searches."
                                    : " answers were remembered from earlier searches.");
    }
    for (const std::string& notice : m_engine.TakeStoreNotices()) {
        message += "\n\n" + notice;
    }
    if (const unsigned int noAnswers = m_noAnswerCount; noAnswers > 0) {
        message += "\n\n" + std::to_string(noAnswers) +
                   (noAnswers == 1 ? " name got no answer; Search Domains asks it again."
                                   : " names got no answer; Search Domains asks them again.");
    }
    if (const unsigned int notAskable = m_notAskableCount; notAskable > 0) {
        message += "\n\n" + std::to_string(notAskable) +
                   (notAskable == 1 ? " name cannot be asked; its row says why."
                                    : " names cannot be asked; their rows say why.");
    }
    m_messageBoxes.Show(message, MessageBoxIcon::None);
}

void CSearchDriver::EndSearch()
{
    m_searchPending = false;
    m_scanning = false;
    m_redrawTimer.stop();
    m_lateRedrawTimer.stop();
    m_model.ClearSearchMarks();
    EmitProgress();
}

void CSearchDriver::EmitProgress(bool redraw)
{
    const int maximum = static_cast<int>(qMax(m_totalCount, 1u));
    if (!m_searchPending) {
        emit progressChanged(0, maximum, QString());
        return;
    }
    // The text is redrawn a few times a second at most: at a thousand answers a second, the
    // bar's text would otherwise cost more than the answers.
    if (redraw) {
        // Nothing arrived: the bar changes only when its words do.
        QString text = ProgressText();
        if (text == m_progressText) {
            return;
        }
        m_progressText = std::move(text);
        m_textClock.start();
    } else if (!m_textClock.isValid() || m_textClock.elapsed() >= kRedrawGap ||
               m_doneCount >= m_totalCount) {
        m_progressText = ProgressText();
        m_textClock.start();
    } else if (!m_lateRedrawTimer.isActive()) {
        m_lateRedrawTimer.start(static_cast<int>(kRedrawGap - m_textClock.elapsed()));
    }
    emit progressChanged(static_cast<int>(qMin(m_doneCount, m_totalCount)), maximum,
                         m_progressText);
}

QString CSearchDriver::ProgressText() const
{
    QString text = QStringLiteral("%1 / %2").arg(m_doneCount).arg(m_totalCount);
    // The engine knows what each server has left and how fast it goes: the slowest decides.
    if (m_doneCount < m_totalCount) {
        if (const auto left = std::chrono::ceil<std::chrono::seconds>(m_engine.TimeLeft());
            left.count() > 0) {
            text +=
                QStringLiteral(", about %1 left").arg(QString::fromStdString(DurationText(left)));
        }
    }
    const std::vector<ServerPause> pauses = m_engine.Pauses();
    if (!pauses.empty()) {
        text +=
            ". " + QString::fromStdString(PauseText(pauses.front(), SearchScheduler::Clock::now()));
        if (pauses.size() > 1) {
            const std::size_t more = pauses.size() - 1;
            text += more == 1 ? QStringLiteral("; 1 more server paused")
                              : QStringLiteral("; %1 more servers paused").arg(more);
        }
    }
    return text;
}
