#include "CLookupEngine.h"

#include "whois/CWhoisSocket.h"
#include "whois/QueryFailure.h"

#include <algorithm>

using Outcome = SearchScheduler::Outcome;

CLookupEngine::CLookupEngine(QObject* parent) : QObject(parent)
{
    m_pumpTimer.setSingleShot(true);
    m_pumpTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pumpTimer, &QTimer::timeout, this, &CLookupEngine::Pump);
    SetOptions({});
}

CLookupEngine::~CLookupEngine()
{
    Stop();
}

void CLookupEngine::SetOptions(SearchOptions options)
{
    Stop();
    m_options = std::move(options);
    m_scheduler = SearchScheduler(m_options.scheduling);
    m_scheduler.SetStillWanted(
        [this](Ticket ticket) { return !m_stillWanted || m_stillWanted(ticket); });
    m_sockets.clear();
    m_running.clear();
}

void CLookupEngine::SetStillWanted(std::function<bool(Ticket)> stillWanted)
{
    m_stillWanted = std::move(stillWanted);
}

std::size_t CLookupEngine::RouteIndex(const QueryRoute& route)
{
    // A million names go to a handful of servers: each name keeps an index, not a route.
    std::string key = route.Key();
    key += route.protocol == QueryRoute::Protocol::Rdap ? " " + route.rdapBase : std::string();
    const auto [found, added] = m_routeIndex.emplace(std::move(key), m_routes.size());
    if (added) {
        m_routes.push_back(route);
    }
    return found->second;
}

void CLookupEngine::Ask(Ticket ticket, const QByteArray& name)
{
    m_busy = true;
    QString reason;
    const std::optional<QByteArray> ascii = CWhoisSocket::QueryNameFor(name, reason);
    if (!ascii) {
        m_unaskable.emplace_back(ticket, reason);
    } else if (const QueryRoute route = m_options.routes.RouteFor(
                   std::string_view(ascii->constData(), static_cast<std::size_t>(ascii->size())));
               route.protocol == QueryRoute::Protocol::None) {
        // The row shows the extension as the user typed it.
        const std::string_view typed(name.constData(), static_cast<std::size_t>(name.size()));
        m_unaskable.emplace_back(ticket, QStringLiteral("No server known for .") +
                                             QString::fromUtf8(TldOf(typed)));
    } else {
        m_waiting[ticket] = Waiting{*ascii, RouteIndex(route)};
        m_scheduler.Add(ticket, route.Key());
    }
    SchedulePump(std::chrono::milliseconds(0));
}

void CLookupEngine::Stop()
{
    ++m_generation;
    m_pumpTimer.stop();
    for (std::size_t slot = 0; slot < m_running.size(); ++slot) {
        if (m_running[slot]) {
            m_running[slot].reset();
            m_sockets[slot]->Reset();
        }
    }
    m_scheduler.Clear();
    m_waiting.clear();
    m_unaskable.clear();
    m_busy = false;
}

void CLookupEngine::SchedulePump(std::chrono::milliseconds delay)
{
    if (delay <= std::chrono::milliseconds(0)) {
        // A posted call runs on the loop's next turn, sooner than a zero timer; one is enough.
        if (!m_pumpPosted) {
            m_pumpPosted = true;
            QMetaObject::invokeMethod(this, &CLookupEngine::Pump, Qt::QueuedConnection);
        }
        return;
    }
    if (!m_pumpTimer.isActive() ||
        m_pumpTimer.remainingTimeAsDuration() >
            std::chrono::duration_cast<std::chrono::nanoseconds>(delay)) {
        m_pumpTimer.start(delay);
    }
}

CWhoisSocket& CLookupEngine::SocketAt(int slot)
{
    return *m_sockets[static_cast<std::size_t>(slot)];
}

void CLookupEngine::Pump()
{
    m_pumpPosted = false;
    const std::uint64_t generation = m_generation;
    while (!m_unaskable.empty()) {
        const auto [ticket, reason] = m_unaskable.front();
        m_unaskable.pop_front();
        emit answered(ticket, Answer{std::nullopt, reason, {}, {}});
        if (Emitted(generation)) {
            return;
        }
    }
    const auto now = SearchScheduler::Clock::now();
    while (const std::optional<SearchScheduler::Dispatch> next = m_scheduler.Next(now)) {
        using Kind = SearchScheduler::Dispatch::Kind;
        if (next->kind == Kind::Start) {
            StartQuery(next->ticket);
            continue;
        }
        m_waiting.erase(next->ticket);
        if (next->kind == Kind::Drop) {
            emit dropped(next->ticket);
        } else {
            Answer givenUp = m_lastFailure[next->server];
            givenUp.server = QByteArray::fromStdString(next->server);
            emit answered(next->ticket, givenUp);
        }
        if (Emitted(generation)) {
            return;
        }
    }
    if (!m_scheduler.HasWork() && m_unaskable.empty()) {
        if (m_busy) {
            m_busy = false;
            emit finished();
        }
        return;
    }
    if (const std::optional<SearchScheduler::TimePoint> wake = m_scheduler.NextWake()) {
        SchedulePump(std::chrono::ceil<std::chrono::milliseconds>(*wake - now));
    }
}

void CLookupEngine::StartQuery(Ticket ticket)
{
    const auto waiting = m_waiting.find(ticket);
    Waiting query = std::move(waiting->second);
    m_waiting.erase(waiting);
    auto freeSlot = std::find_if(m_running.begin(), m_running.end(),
                                 [](const std::optional<Running>& running) { return !running; });
    if (freeSlot == m_running.end()) {
        auto socket = std::make_unique<CWhoisSocket>(this);
        socket->SetTimeouts(m_options.connectTimeout, m_options.replyTimeout);
        const int slot = static_cast<int>(m_sockets.size());
        connect(
            socket.get(), &CWhoisSocket::whoisVerdict, this,
            [this, slot](int, DomainStatus status) {
                EndQuery(slot, Outcome::Answered, Answer{status, {}, {}, {}});
            },
            Qt::DirectConnection);
        connect(socket.get(), &CWhoisSocket::queryFailed, this,
                [this, slot](int, const QString& reason) {
                    if (m_running[static_cast<std::size_t>(slot)]) {
                        m_running[static_cast<std::size_t>(slot)]->failure = reason;
                    }
                });
        connect(socket.get(), &CWhoisSocket::queryStalled, this,
                [this, slot](int) { OnStalled(slot); });
        m_sockets.push_back(std::move(socket));
        m_running.emplace_back();
        freeSlot = m_running.end() - 1;
    }
    const int slot = static_cast<int>(freeSlot - m_running.begin());
    *freeSlot = Running{ticket, query, {}};
    emit asking(ticket);
    // A start that fails at once reports through queryFailed and queryStalled like any later
    // failure; the check above is for a handler of `asking` that stopped everything.
    if (m_running[static_cast<std::size_t>(slot)] &&
        !SocketAt(slot).StartQuery(query.name, slot, m_routes[query.route])) {
        OnStalled(slot);
    }
}

void CLookupEngine::OnStalled(int slot)
{
    std::optional<Running>& running = m_running[static_cast<std::size_t>(slot)];
    if (!running) {
        return;
    }
    const CWhoisSocket& socket = SocketAt(slot);
    Answer answer{std::nullopt, {}, {}, socket.FailureDetail()};
    switch (socket.FailureKind()) {
    case QueryFailureKind::NoVerdict:
        answer.reason = QString::fromUtf8(kNoVerdictInReply);
        EndQuery(slot, Outcome::Answered, answer);
        return;
    case QueryFailureKind::Refused:
        answer.reason = SocketErrorText(running->failure).simplified();
        EndQuery(slot, Outcome::Refused, answer);
        return;
    case QueryFailureKind::NotAskable:
        answer.reason =
            running->failure.isEmpty() ? QStringLiteral("Not a domain name") : running->failure;
        EndQuery(slot, Outcome::Answered, answer);
        return;
    case QueryFailureKind::None:
    case QueryFailureKind::NoConnection:
    case QueryFailureKind::Broken:
        break;
    }
    answer.reason =
        SocketErrorText(running->failure.isEmpty() ? QString::fromUtf8(kConnectionRejected)
                                                   : running->failure)
            .simplified();
    EndQuery(slot,
             socket.FailureKind() == QueryFailureKind::NoConnection ? Outcome::Unreachable
                                                                    : Outcome::Failed,
             answer);
}

void CLookupEngine::EndQuery(int slot, Outcome outcome, const Answer& answer)
{
    std::optional<Running>& running = m_running[static_cast<std::size_t>(slot)];
    if (!running) {
        return;
    }
    const Running ended = std::move(*running);
    running.reset();
    CWhoisSocket& socket = SocketAt(slot);
    const std::optional<std::chrono::milliseconds> retryAfter = socket.RetryAfter();
    // The socket that is calling us is let go only once control is back in the event loop.
    socket.Reset();
    const std::string server = m_routes[ended.query.route].Key();
    if (outcome == Outcome::Unreachable) {
        m_lastFailure[server] = answer;
    }
    const bool finished =
        m_scheduler.Complete(ended.ticket, outcome, SearchScheduler::Clock::now(), retryAfter);
    SchedulePump(std::chrono::milliseconds(0));
    if (!finished) {
        m_waiting[ended.ticket] = ended.query;
        emit requeued(ended.ticket);
        return;
    }
    // Every answer names its server alike, "host:port", whichever protocol asked it.
    Answer named = answer;
    named.server = QByteArray::fromStdString(server);
    emit answered(ended.ticket, named);
}
