#include "CLookupEngine.h"

#include "dns/CDnsQuery.h"
#include "query/QueryName.h"
#include "query/core/DomainName.h"
#include "rdap/CRdapQuery.h"
#include "store/CRememberedAnswers.h"
#include "whois/CWhoisSocket.h"

#include <QDateTime>
#include <algorithm>
#include <random>

using Outcome = SearchScheduler::Outcome;

namespace {

// Names looked up in the store together: one transaction each, yet the first answers come soon.
constexpr std::size_t kNamesPerStoreLookup = 2000;

// Lookups in flight at once: a resolver answers thousands a second, but a million names must not
// open a million queries.
constexpr int kMostDnsLookups = 64;

inline constexpr std::string_view kFreeButInDns = "The registry says free, but the name is in DNS";

// A label nobody can have registered: long and random.
std::string RandomLabel()
{
    static std::mt19937_64 random{std::random_device{}()};
    static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string label = "qirv-probe-";
    std::uniform_int_distribution<std::size_t> pick(0, kLetters.size() - 1);
    for (int index = 0; index < 40; ++index) {
        label += kLetters[pick(random)];
    }
    return label;
}

} // namespace

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
    m_dns.reset();
    // Another file, or none: what is waiting is written to the one it was meant for.
    m_store.reset();
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
    if (!m_busy) {
        // A new run: what DNS found before may have changed.
        m_foundInDns.clear();
        m_foundInDnsCount = 0;
        m_rememberedCount = 0;
        // A store given up in the last run (locked, full) is tried again.
        if (m_store && m_store->HasGivenUp()) {
            m_store.reset();
        }
    }
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
        // Counted in the time left from now on, also while the store and DNS hold it.
        m_scheduler.Expect(route.Key(), 1);
        if (m_options.rememberAnswers) {
            m_storeQueue.push_back(ticket);
            if (!m_storePosted) {
                m_storePosted = true;
                QMetaObject::invokeMethod(this, &CLookupEngine::SendToStore, Qt::QueuedConnection);
            }
        } else {
            GoOnAsking(ticket);
        }
    }
    SchedulePump(std::chrono::milliseconds(0));
}

void CLookupEngine::GoOnAsking(Ticket ticket)
{
    if (m_options.askDnsFirst) {
        EnterDns(ticket);
    } else {
        QueueForRegistry(ticket);
    }
}

CRememberedAnswers& CLookupEngine::Store()
{
    if (!m_store) {
        m_store = std::make_unique<CRememberedAnswers>(m_options.answerStorePath.empty()
                                                           ? DefaultAnswerStorePath()
                                                           : m_options.answerStorePath,
                                                       m_options.answerAges);
        connect(m_store.get(), &CRememberedAnswers::looked, this, &CLookupEngine::OnLooked);
    }
    return *m_store;
}

void CLookupEngine::SendToStore()
{
    m_storePosted = false;
    for (std::size_t first = 0; first < m_storeQueue.size(); first += kNamesPerStoreLookup) {
        const std::size_t end = std::min(m_storeQueue.size(), first + kNamesPerStoreLookup);
        std::vector<Ticket> tickets(m_storeQueue.begin() + static_cast<std::ptrdiff_t>(first),
                                    m_storeQueue.begin() + static_cast<std::ptrdiff_t>(end));
        std::vector<std::string> names;
        names.reserve(tickets.size());
        for (const Ticket ticket : tickets) {
            names.push_back(m_waiting.at(ticket).name.toLower().toStdString());
        }
        const std::uint64_t batch = m_nextStoreBatch++;
        m_storeLookups.emplace(batch, std::move(tickets));
        Store().Look(batch, std::move(names));
    }
    m_storeQueue.clear();
}

void CLookupEngine::OnLooked(std::uint64_t batch,
                             const std::vector<std::optional<StoredAnswer>>& fresh)
{
    const auto lookup = m_storeLookups.find(batch);
    // A batch of a stopped search.
    if (lookup == m_storeLookups.end()) {
        return;
    }
    const std::vector<Ticket> tickets = std::move(lookup->second);
    m_storeLookups.erase(lookup);
    for (std::size_t index = 0; index < tickets.size(); ++index) {
        const std::optional<StoredAnswer>& answer = fresh[index];
        if (!answer) {
            GoOnAsking(tickets[index]);
            continue;
        }
        QueryResult remembered = VerdictResult(0, *answer->verdict);
        remembered.server = answer->server;
        remembered.rememberedAt = answer->answeredAt;
        Unexpect(tickets[index]);
        m_waiting.erase(tickets[index]);
        m_unaskable.emplace_back(tickets[index], std::move(remembered));
        ++m_rememberedCount;
    }
    SchedulePump(std::chrono::milliseconds(0));
}

void CLookupEngine::Remember(const QByteArray& name, const QueryResult& result)
{
    // Names that were never sent anywhere have nothing to remember.
    if (!m_options.rememberAnswers || result.rememberedAt || result.server.empty() ||
        name.isEmpty()) {
        return;
    }
    Store().Remember(StoredAnswer{name.toLower().toStdString(), QDateTime::currentSecsSinceEpoch(),
                                  result.verdict, result.verdict ? std::string() : result.reason,
                                  result.server});
}

std::vector<std::string> CLookupEngine::TakeStoreNotices()
{
    return m_store ? m_store->TakeNotices() : std::vector<std::string>();
}

void CLookupEngine::FinishStoring()
{
    if (m_store) {
        m_store->WriteNow();
    }
}

void CLookupEngine::ForgetRememberedAnswers()
{
    Store().Forget();
}

void CLookupEngine::QueueForRegistry(Ticket ticket)
{
    const std::string server = m_routes[m_waiting.at(ticket).route].Key();
    m_scheduler.Expect(server, -1);
    m_scheduler.Add(ticket, server);
}

void CLookupEngine::Unexpect(Ticket ticket)
{
    m_scheduler.Expect(m_routes[m_waiting.at(ticket).route].Key(), -1);
}

std::chrono::milliseconds CLookupEngine::TimeLeft() const
{
    return m_scheduler.TimeLeft(SearchScheduler::Clock::now());
}

std::vector<ServerPause> CLookupEngine::Pauses() const
{
    return m_scheduler.Pauses(SearchScheduler::Clock::now());
}

void CLookupEngine::EnterDns(Ticket ticket)
{
    const QByteArray& name = m_waiting.at(ticket).name;
    std::string extension(
        TldOf(std::string_view(name.constData(), static_cast<std::size_t>(name.size()))));
    const auto [found, added] = m_dnsExtensions.try_emplace(extension);
    DnsExtension& state = found->second;
    if (added) {
        const int item = m_nextDnsItem++;
        m_dnsRunning[item] = DnsLookup{0, extension};
        if (!m_dns) {
            m_dns = std::make_unique<CDnsQuery>();
            m_dns->SetServers(m_options.dnsServers);
            m_dns->SetTimeout(m_options.dnsTimeout);
            connect(m_dns.get(), &CDnsQuery::finished, this, &CLookupEngine::OnDnsFinished,
                    Qt::DirectConnection);
        }
        m_dns->StartQuery(QByteArray::fromStdString(RandomLabel() + "." + extension), item);
    }
    switch (state.standing) {
    case DnsStanding::Probing:
        state.waiting.push_back(ticket);
        break;
    case DnsStanding::Usable:
        m_dnsQueue.push_back(ticket);
        StartDnsLookups();
        break;
    case DnsStanding::Wildcard:
        QueueForRegistry(ticket);
        break;
    }
}

void CLookupEngine::StartDnsLookups()
{
    while (!m_dnsQueue.empty() && m_dns->InFlight() < kMostDnsLookups) {
        const Ticket ticket = m_dnsQueue.front();
        m_dnsQueue.pop_front();
        const int item = m_nextDnsItem++;
        m_dnsRunning[item] = DnsLookup{ticket, {}};
        m_dns->StartQuery(m_waiting.at(ticket).name, item);
    }
}

bool CLookupEngine::DnsIdle() const
{
    return m_dnsRunning.empty() && m_dnsQueue.empty();
}

void CLookupEngine::OnDnsFinished(const QueryResult& result)
{
    const auto running = m_dnsRunning.find(result.item);
    if (running == m_dnsRunning.end()) {
        return;
    }
    const DnsLookup lookup = std::move(running->second);
    m_dnsRunning.erase(running);
    const bool inDns = result.verdict == DomainStatus::Taken;
    if (!lookup.probedExtension.empty()) {
        DnsExtension& state = m_dnsExtensions[lookup.probedExtension];
        state.standing = inDns ? DnsStanding::Wildcard : DnsStanding::Usable;
        for (const Ticket ticket : std::exchange(state.waiting, {})) {
            if (inDns) {
                QueueForRegistry(ticket);
            } else {
                m_dnsQueue.push_back(ticket);
            }
        }
    } else if (inDns) {
        const auto waiting = m_waiting.find(lookup.ticket);
        m_foundInDns.insert(waiting->second.name.toLower().toStdString());
        ++m_foundInDnsCount;
        Remember(waiting->second.name, result);
        Unexpect(lookup.ticket);
        m_waiting.erase(waiting);
        m_unaskable.emplace_back(lookup.ticket, result);
    } else {
        QueueForRegistry(lookup.ticket);
    }
    StartDnsLookups();
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
    if (m_dns) {
        m_dns->Reset();
    }
    m_dnsExtensions.clear();
    m_dnsQueue.clear();
    m_dnsRunning.clear();
    m_storeQueue.clear();
    m_storeLookups.clear();
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
        const auto waiting = m_waiting.find(next->ticket);
        QByteArray name;
        if (waiting != m_waiting.end()) {
            name = waiting->second.name;
            m_waiting.erase(waiting);
        }
        if (next->kind == Kind::Drop) {
            emit dropped(next->ticket);
        } else {
            QueryResult givenUp = m_lastFailure[next->server];
            if (!next->reason.empty()) {
                givenUp = FailureResult(0, QueryFailureKind::Refused, {});
                givenUp.reason = next->reason;
            }
            givenUp.server = next->server;
            Remember(name, givenUp);
            emit answered(next->ticket, givenUp);
        }
        if (Emitted(generation)) {
            return;
        }
    }
    if (!m_scheduler.HasWork() && m_unaskable.empty() && DnsIdle() && m_storeQueue.empty() &&
        m_storeLookups.empty()) {
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
            slot.rdap->SetTimeouts(m_options.connectTimeout, m_options.replyTimeout);
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
    case QueryFailureKind::LocalShortage:
        outcome = Outcome::LocalShortage;
        break;
    }
    const std::string server = m_routes[ended.query.route].Key();
    if (outcome == Outcome::Unreachable) {
        m_lastFailure[server] = result;
    }
    const auto now = SearchScheduler::Clock::now();
    const bool finished = m_scheduler.Complete(ended.ticket, outcome, now, result.retryAfter);
    SchedulePump(std::chrono::milliseconds(0));
    const std::uint64_t generation = m_generation;
    if (outcome == Outcome::Refused) {
        for (const ServerPause& pause : m_scheduler.Pauses(now)) {
            if (pause.server == server) {
                emit serverPaused(pause);
            }
        }
        if (Emitted(generation)) {
            return;
        }
    }
    if (!finished) {
        m_waiting[ended.ticket] = ended.query;
        emit requeued(ended.ticket);
        return;
    }
    // Every result names its server alike, "host:port", whichever protocol asked it.
    QueryResult named = result;
    if (named.verdict == DomainStatus::Available &&
        m_foundInDns.contains(ended.query.name.toLower().toStdString())) {
        named = FailureResult(result.item, QueryFailureKind::NoVerdict, kFreeButInDns);
    }
    named.server = server;
    Remember(ended.query.name, named);
    emit answered(ended.ticket, named);
}
