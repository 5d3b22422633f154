#include "CLookupEngine.h"

#include "query/QueryName.h"
#include "rdap/CRdapQuery.h"
#include "whois/CWhoisSocket.h"

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
    m_slots.clear();
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
    const QueryName query = ToQueryName(name);
    if (!query.IsAskable()) {
        m_unaskable.emplace_back(ticket,
                                 FailureResult(0, QueryFailureKind::NotAskable, query.reason));
    } else if (const QueryRoute route = m_options.routes.RouteFor(std::string_view(
                   query.ascii.constData(), static_cast<std::size_t>(query.ascii.size())));
               route.protocol == QueryRoute::Protocol::None) {
        // The row shows the extension as the user typed it.
        const std::string_view typed(name.constData(), static_cast<std::size_t>(name.size()));
        m_unaskable.emplace_back(
            ticket, FailureResult(0, QueryFailureKind::NotAskable, NoServerKnownFor(typed)));
    } else {
        m_waiting[ticket] = Waiting{query.ascii, RouteIndex(route)};
        m_scheduler.Add(ticket, route.Key());
    }
    SchedulePump(std::chrono::milliseconds(0));
}

void CLookupEngine::Stop()
{
    ++m_generation;
    m_pumpTimer.stop();
    for (Slot& slot : m_slots) {
        if (slot.running) {
            slot.running.reset();
            ResetSlot(slot);
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

void CLookupEngine::Pump()
{
    m_pumpPosted = false;
    const std::uint64_t generation = m_generation;
    while (!m_unaskable.empty()) {
        const auto [ticket, result] = m_unaskable.front();
        m_unaskable.pop_front();
        emit answered(ticket, result);
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
            QueryResult givenUp = m_lastFailure[next->server];
            givenUp.server = next->server;
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
    auto freeSlot = std::find_if(m_slots.begin(), m_slots.end(),
                                 [](const Slot& slot) { return !slot.running; });
    if (freeSlot == m_slots.end()) {
        m_slots.emplace_back();
        freeSlot = m_slots.end() - 1;
    }
    const int slot = static_cast<int>(freeSlot - m_slots.begin());
    freeSlot->running = Running{ticket, query};
    emit asking(ticket);
    // A handler of `asking` may have stopped everything.
    if (m_slots[static_cast<std::size_t>(slot)].running) {
        Send(slot, query.name, m_routes[query.route]);
    }
}

void CLookupEngine::Send(int slotIndex, const QByteArray& name, const QueryRoute& route)
{
    Slot& slot = m_slots[static_cast<std::size_t>(slotIndex)];
    // The slot's number comes back with the result. A result may come at once, inside the start.
    if (route.protocol == QueryRoute::Protocol::Rdap) {
        if (!slot.rdap) {
            slot.rdap = std::make_unique<CRdapQuery>(this);
            slot.rdap->SetTimeout(m_options.replyTimeout);
            connect(slot.rdap.get(), &CRdapQuery::finished, this, &CLookupEngine::OnFinished,
                    Qt::DirectConnection);
        }
        slot.rdap->StartQuery(name, slotIndex, QString::fromStdString(route.rdapBase));
        return;
    }
    if (!slot.whois) {
        slot.whois = std::make_unique<CWhoisSocket>(this);
        slot.whois->SetTimeouts(m_options.connectTimeout, m_options.replyTimeout);
        connect(slot.whois.get(), &CWhoisSocket::finished, this, &CLookupEngine::OnFinished,
                Qt::DirectConnection);
    }
    slot.whois->StartQuery(name, slotIndex, route.whois);
}

void CLookupEngine::ResetSlot(Slot& slot)
{
    if (slot.whois) {
        slot.whois->Reset();
    }
    if (slot.rdap) {
        slot.rdap->Reset();
    }
}

void CLookupEngine::OnFinished(const QueryResult& result)
{
    Slot& slot = m_slots.at(static_cast<std::size_t>(result.item));
    if (!slot.running) {
        return;
    }
    const Running ended = std::move(*slot.running);
    slot.running.reset();
    // The object that is calling us lets go of its connection only once control is back in the
    // event loop.
    ResetSlot(slot);
    Outcome outcome = Outcome::Answered;
    switch (result.failure) {
    case QueryFailureKind::None:
        outcome = result.verdict ? Outcome::Answered : Outcome::Failed;
        break;
    case QueryFailureKind::NotAskable:
    case QueryFailureKind::NoVerdict:
        outcome = Outcome::Answered;
        break;
    case QueryFailureKind::Refused:
        outcome = Outcome::Refused;
        break;
    case QueryFailureKind::NoConnection:
        outcome = Outcome::Unreachable;
        break;
    case QueryFailureKind::Broken:
        outcome = Outcome::Failed;
        break;
    }
    const std::string server = m_routes[ended.query.route].Key();
    if (outcome == Outcome::Unreachable) {
        m_lastFailure[server] = result;
    }
    const bool finished = m_scheduler.Complete(ended.ticket, outcome, SearchScheduler::Clock::now(),
                                               result.retryAfter);
    SchedulePump(std::chrono::milliseconds(0));
    if (!finished) {
        m_waiting[ended.ticket] = ended.query;
        emit requeued(ended.ticket);
        return;
    }
    // Every result names its server alike, "host:port", whichever protocol asked it.
    QueryResult named = result;
    named.server = server;
    emit answered(ended.ticket, named);
}
