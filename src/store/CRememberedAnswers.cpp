#include "CRememberedAnswers.h"

#include <QCoreApplication>
#include <QDateTime>
#include <utility>

namespace {

// Answers are written in one transaction once this many are waiting, or half a second after the
// first of them.
constexpr std::size_t kAnswersPerWrite = 2000;
constexpr std::chrono::milliseconds kWriteDelay(500);

std::int64_t Now()
{
    return QDateTime::currentSecsSinceEpoch();
}

} // namespace

CRememberedAnswers::CRememberedAnswers(std::string path, AnswerAges ages, QObject* parent)
    : QObject(parent), m_ages(ages), m_store(std::make_unique<AnswerStore>(std::move(path)))
{
    m_thread.setObjectName(QStringLiteral("answer store"));
    m_worker.moveToThread(&m_thread);
    m_thread.start();
    m_writeTimer.setSingleShot(true);
    connect(&m_writeTimer, &QTimer::timeout, this, &CRememberedAnswers::StartWriting);
}

CRememberedAnswers::~CRememberedAnswers()
{
    WriteNow();
    m_thread.quit();
    m_thread.wait();
}

bool CRememberedAnswers::Usable()
{
    if (!m_opened) {
        m_opened = true;
        m_store->Open(Now());
    }
    return m_store->IsUsable();
}

void CRememberedAnswers::PassNotices()
{
    std::vector<std::string> notices = m_store->TakeNotices();
    const bool givenUp = !m_store->IsUsable();
    QMetaObject::invokeMethod(this, [this, notices = std::move(notices), givenUp]() mutable {
        m_notices.insert(m_notices.end(), std::make_move_iterator(notices.begin()),
                         std::make_move_iterator(notices.end()));
        m_givenUp = m_givenUp || givenUp;
    });
}

void CRememberedAnswers::Look(std::uint64_t batch, std::vector<std::string> names)
{
    // Answers given a moment ago are read back too: the thread writes them before it looks.
    StartWriting();
    QMetaObject::invokeMethod(&m_worker, [this, batch, names = std::move(names)] {
        std::vector<std::optional<StoredAnswer>> fresh(names.size());
        if (Usable()) {
            fresh = m_store->Newest(names);
            const std::int64_t now = Now();
            for (std::optional<StoredAnswer>& answer : fresh) {
                if (answer && !IsFresh(answer->verdict, answer->answeredAt, now, m_ages)) {
                    answer.reset();
                }
            }
        }
        PassNotices();
        QMetaObject::invokeMethod(
            this, [this, batch, fresh = std::move(fresh)] { emit looked(batch, fresh); });
    });
}

void CRememberedAnswers::Remember(StoredAnswer answer)
{
    m_toWrite.push_back(std::move(answer));
    if (m_toWrite.size() >= kAnswersPerWrite) {
        StartWriting();
    } else if (!m_writeTimer.isActive()) {
        m_writeTimer.start(kWriteDelay);
    }
}

void CRememberedAnswers::StartWriting()
{
    m_writeTimer.stop();
    if (m_toWrite.empty()) {
        return;
    }
    QMetaObject::invokeMethod(&m_worker, [this, answers = std::exchange(m_toWrite, {})] {
        if (Usable()) {
            m_store->Add(answers);
        }
        PassNotices();
    });
}

void CRememberedAnswers::WriteNow()
{
    StartWriting();
    // The thread works through its calls in order: once this one has run, so have the writes.
    QMetaObject::invokeMethod(
        &m_worker, [] {}, Qt::BlockingQueuedConnection);
    // The notices the writes left were posted to this thread; take them in now.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void CRememberedAnswers::Forget()
{
    m_writeTimer.stop();
    m_toWrite.clear();
    QMetaObject::invokeMethod(&m_worker, [this] {
        if (Usable()) {
            m_store->Forget();
        }
        PassNotices();
    });
}

std::vector<std::string> CRememberedAnswers::TakeNotices()
{
    return std::exchange(m_notices, {});
}
