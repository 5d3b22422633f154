#include "SearchScheduler.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

using namespace std::chrono_literals;

std::optional<QueryBudget> ParseQueryBudget(std::string_view text)
{
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view countText = text.substr(0, slash);
    const std::string_view secondsText = text.substr(slash + 1);
    int count = 0;
    const auto [countEnd, countError] =
        std::from_chars(countText.data(), countText.data() + countText.size(), count);
    double seconds = 0;
    const auto [secondsEnd, secondsError] =
        std::from_chars(secondsText.data(), secondsText.data() + secondsText.size(), seconds);
    if (countError != std::errc{} || countEnd != countText.data() + countText.size() ||
        secondsError != std::errc{} || secondsEnd != secondsText.data() + secondsText.size() ||
        count < 1 || !(seconds > 0) || seconds > 86400) {
        return std::nullopt;
    }
    const auto window = std::chrono::milliseconds(std::llround(seconds * 1000));
    if (window < 1ms) {
        return std::nullopt;
    }
    return QueryBudget{count, window};
}

std::optional<QueryBudget> PublishedBudget(std::string_view host)
{
    struct Published
    {
        std::string_view host;
        QueryBudget budget;
    };
    // EURid: about 15 a minute; Nominet: 5 a second; CentralNic: 1,800 in 15 minutes.
    static const std::array<Published, 3> kPublished{{
        {"whois.eu", {15, 60s}},
        {"whois.nic.uk", {5, 1s}},
        {"whois.centralnic.com", {1800, 900s}},
    }};
    for (const Published& entry : kPublished) {
        if (entry.host == host) {
            return entry.budget;
        }
    }
    return std::nullopt;
}

std::string DurationText(std::chrono::seconds duration)
{
    const long long seconds = std::max<long long>(duration.count(), 0);
    if (seconds < 60) {
        return std::to_string(seconds) + " s";
    }
    if (seconds < 3600) {
        return std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s";
    }
    return std::to_string(seconds / 3600) + " h " + std::to_string(seconds / 60 % 60) + " min";
}

std::string_view HostOf(std::string_view server)
{
    return server.substr(0, server.rfind(':'));
}

std::string PauseText(const ServerPause& pause, std::chrono::steady_clock::time_point now)
{
    const auto left = std::chrono::ceil<std::chrono::seconds>(pause.resumeAt - now);
    return std::string(HostOf(pause.server)) + " refused; asking again in " +
           DurationText(std::max(left, std::chrono::seconds(1))) + " (" +
           std::to_string(pause.waiting) + (pause.waiting == 1 ? " name waits)" : " names wait)");
}

namespace {

std::string KeepsRefusing(std::string_view server)
{
    return std::string(HostOf(server)) + " keeps refusing; search again later";
}

std::string AsksToWait(std::string_view server, std::chrono::milliseconds wait)
{
    return std::string(HostOf(server)) + " asks to wait " +
           std::to_string(std::chrono::ceil<std::chrono::minutes>(wait).count()) + " minutes";
}

} // namespace

SearchScheduler::SearchScheduler(Settings settings) : m_settings(std::move(settings))
{
    m_settings.jobs = m_settings.oneAtATime ? 1 : std::max(1, m_settings.jobs);
    m_jobs = m_settings.jobs;
}

void SearchScheduler::SetStillWanted(std::function<bool(Ticket)> stillWanted)
{
    m_stillWanted = std::move(stillWanted);
}

SearchScheduler::Server& SearchScheduler::ServerNamed(std::string_view name)
{
    const auto found = m_serverIndex.find(std::string(name));
    if (found != m_serverIndex.end()) {
        return m_servers[found->second];
    }
    Server server;
    server.name = std::string(name);
    server.budget = BudgetOf(name);
    m_serverIndex.emplace(server.name, m_servers.size());
    m_servers.push_back(std::move(server));
    return m_servers.back();
}

std::optional<QueryBudget> SearchScheduler::BudgetOf(std::string_view server) const
{
    if (const auto known = m_serverIndex.find(std::string(server)); known != m_serverIndex.end()) {
        return m_servers[known->second].budget;
    }
    const std::string_view host = server.substr(0, server.rfind(':'));
    for (const std::string_view key : {server, host}) {
        if (const auto given = m_settings.budgets.find(key); given != m_settings.budgets.end()) {
            return given->second;
        }
    }
    return PublishedBudget(host);
}

void SearchScheduler::Push(Server& server, Ticket ticket)
{
    server.queue.push_back(ticket);
    std::push_heap(server.queue.begin(), server.queue.end(), std::greater<>{});
}

SearchScheduler::Ticket SearchScheduler::Pop(Server& server)
{
    std::pop_heap(server.queue.begin(), server.queue.end(), std::greater<>{});
    const Ticket ticket = server.queue.back();
    server.queue.pop_back();
    return ticket;
}

void SearchScheduler::Add(Ticket ticket, std::string_view server)
{
    Push(ServerNamed(server), ticket);
}

void SearchScheduler::Expect(std::string_view server, int change)
{
    Server& expecting = ServerNamed(server);
    expecting.expected = std::max(0, expecting.expected + change);
}

std::optional<SearchScheduler::TimePoint> SearchScheduler::ReadyAt(const Server& server) const
{
    if (server.busy || server.queue.empty()) {
        return std::nullopt;
    }
    TimePoint ready = server.pausedUntil;
    if (server.budget && static_cast<int>(server.starts.size()) >= server.budget->queries) {
        const TimePoint oldestInWindow =
            server.starts[server.starts.size() - static_cast<std::size_t>(server.budget->queries)];
        ready = std::max(ready, oldestInWindow + server.budget->window + kBudgetMargin);
    }
    return ready;
}

std::optional<SearchScheduler::Dispatch> SearchScheduler::Next(TimePoint now)
{
    // Tickets that need no connection go first: they must not wait behind slow servers.
    for (Server& server : m_servers) {
        // A pause left from an earlier search may be longer than anyone waits.
        if (!server.queue.empty() && !server.givenUp && server.pausedUntil - now > kLongestWait) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(server.pausedUntil - now);
            server.givenUp =
                server.pausedAsAsked ? AsksToWait(server.name, left) : KeepsRefusing(server.name);
        }
        while (!server.queue.empty()) {
            const Ticket ticket = Front(server);
            if (m_stillWanted && !m_stillWanted(ticket)) {
                Pop(server);
                return Dispatch{ticket, Dispatch::Kind::Drop, server.name, {}};
            }
            if (server.givenUp) {
                Pop(server);
                return Dispatch{ticket, Dispatch::Kind::GiveUp, server.name, *server.givenUp};
            }
            break;
        }
    }
    if (InFlight() >= m_jobs || now < m_shortageUntil) {
        return std::nullopt;
    }
    Server* chosen = nullptr;
    for (Server& server : m_servers) {
        if (server.queue.empty()) {
            continue;
        }
        if (m_settings.oneAtATime) {
            // The single queue: the lowest ticket of all goes next, or nothing does.
            if (!chosen || Front(server) < Front(*chosen)) {
                chosen = &server;
            }
            continue;
        }
        const std::optional<TimePoint> ready = ReadyAt(server);
        if (ready && *ready <= now && (!chosen || Front(server) < Front(*chosen))) {
            chosen = &server;
        }
    }
    if (!chosen) {
        return std::nullopt;
    }
    const std::optional<TimePoint> ready = ReadyAt(*chosen);
    if (!ready || *ready > now) {
        return std::nullopt;
    }
    const Ticket ticket = Pop(*chosen);
    Start(*chosen, ticket, now);
    return Dispatch{ticket, Dispatch::Kind::Start, chosen->name, {}};
}

void SearchScheduler::Start(Server& server, Ticket ticket, TimePoint now)
{
    server.busy = true;
    server.busySince = now;
    const std::chrono::milliseconds kept =
        (server.budget ? std::max(server.budget->window, kLearningWindow) : kLearningWindow) +
        kBudgetMargin;
    const auto expired = std::find_if(server.starts.begin(), server.starts.end(),
                                      [&](TimePoint start) { return start + kept > now; });
    server.starts.erase(server.starts.begin(), expired);
    server.starts.push_back(now);
    m_started.emplace(ticket, static_cast<std::size_t>(&server - m_servers.data()));
}

std::optional<SearchScheduler::TimePoint> SearchScheduler::NextWake() const
{
    if (InFlight() >= m_jobs) {
        return std::nullopt;
    }
    std::optional<TimePoint> earliest;
    const Server* first = nullptr;
    for (const Server& server : m_servers) {
        if (server.queue.empty() || server.givenUp) {
            continue;
        }
        if (m_settings.oneAtATime) {
            if (!first || Front(server) < Front(*first)) {
                first = &server;
            }
            continue;
        }
        if (const std::optional<TimePoint> ready = ReadyAt(server)) {
            earliest = earliest ? std::min(*earliest, *ready) : *ready;
        }
    }
    std::optional<TimePoint> wake = first ? ReadyAt(*first) : earliest;
    if (wake && *wake < m_shortageUntil) {
        wake = m_shortageUntil;
    }
    return wake;
}

bool SearchScheduler::Complete(Ticket ticket, Outcome outcome, TimePoint now,
                               std::optional<std::chrono::milliseconds> retryAfter)
{
    const auto started = m_started.find(ticket);
    if (started == m_started.end()) {
        return true;
    }
    Server& server = m_servers[started->second];
    m_started.erase(started);
    server.busy = false;
    if (outcome != Outcome::LocalShortage) {
        m_shortagesAlone = 0;
    }
    switch (outcome) {
    case Outcome::Answered:
        server.refusalsInARow = 0;
        server.failuresInARow = 0;
        server.pausedSinceAnswer = std::chrono::milliseconds(0);
        LearnLatency(server, now);
        m_refusals.erase(ticket);
        return true;
    case Outcome::Unreachable:
        server.refusalsInARow = 0;
        if (++server.failuresInARow >= kMaxFailuresInARow && !server.givenUp) {
            server.givenUp = std::string();
        }
        LearnLatency(server, now);
        m_refusals.erase(ticket);
        return true;
    case Outcome::Failed:
        // It was reached: a flaky server is asked on, only one that cannot be reached is not.
        server.refusalsInARow = 0;
        LearnLatency(server, now);
        m_refusals.erase(ticket);
        return true;
    case Outcome::Refused:
        break;
    case Outcome::LocalShortage:
        return ShortOfResources(server, ticket, now);
    }
    ++m_refusalsReceived;
    server.failuresInARow = 0;
    LearnFromRefusal(server, now, retryAfter);
    if (server.givenUp) {
        // It ends with its server's reason, as the names behind it do.
        m_refusals.erase(ticket);
        Push(server, ticket);
        return false;
    }
    if (++m_refusals[ticket] >= kMaxRefusals) {
        m_refusals.erase(ticket);
        return true;
    }
    Push(server, ticket);
    return false;
}

bool SearchScheduler::ShortOfResources(Server& server, Ticket ticket, TimePoint now)
{
    // What still runs is what this machine can hold; the queries that end free their share.
    m_jobs = std::max(1, InFlight());
    if (InFlight() == 0) {
        if (++m_shortagesAlone >= kMaxShortagesAlone) {
            m_shortagesAlone = 0;
            return true;
        }
        m_shortageUntil = now + kShortagePause;
    }
    Push(server, ticket);
    return false;
}

void SearchScheduler::LearnFromRefusal(Server& server, TimePoint now,
                                       std::optional<std::chrono::milliseconds> retryAfter)
{
    const std::chrono::milliseconds window =
        server.budget ? server.budget->window : kLearningWindow;
    if (!server.budget) {
        // What the server took before it refused is what it allows, at best: the starts of the
        // last window less the refused one.
        const auto acceptedInWindow =
            std::count_if(server.starts.begin(), server.starts.end(),
                          [&](TimePoint start) { return start + window + kBudgetMargin > now; });
        server.budget = QueryBudget{std::max(1, static_cast<int>(acceptedInWindow) - 1), window};
    } else if (server.budget->queries > 1) {
        server.budget->queries = std::max(1, server.budget->queries * 3 / 4);
    } else {
        server.budget->window = std::min(server.budget->window * 2, kLongestPause);
    }
    std::chrono::milliseconds pause = window;
    for (int refusal = 1; refusal < server.refusalsInARow + 1 && pause < kLongestPause; ++refusal) {
        pause *= 2;
    }
    ++server.refusalsInARow;
    if (retryAfter) {
        pause = *retryAfter;
    }
    const std::chrono::milliseconds applied = std::min(pause, kLongestPause);
    server.pausedUntil = now + applied;
    server.pausedAsAsked = retryAfter.has_value();
    server.pausedSinceAnswer += applied;
    if (server.givenUp) {
        return;
    }
    if (retryAfter && *retryAfter > kLongestWait) {
        server.givenUp = AsksToWait(server.name, *retryAfter);
    } else if (server.pausedSinceAnswer > kLongestWait) {
        server.givenUp = KeepsRefusing(server.name);
    }
}

void SearchScheduler::LearnLatency(Server& server, TimePoint now)
{
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(now - server.busySince);
    // The mean of the first few, then a mean that follows a server whose pace changes.
    constexpr int kRemembered = 8;
    server.latencySamples = std::min(server.latencySamples + 1, kRemembered);
    server.latency =
        server.latency ? *server.latency + (took - *server.latency) / server.latencySamples : took;
}

void SearchScheduler::Cancel(Ticket ticket)
{
    const auto started = m_started.find(ticket);
    if (started != m_started.end()) {
        m_servers[started->second].busy = false;
        m_started.erase(started);
    }
    m_refusals.erase(ticket);
}

void SearchScheduler::Clear()
{
    for (Server& server : m_servers) {
        server.queue.clear();
        server.busy = false;
        server.expected = 0;
        // A server that was down may be back for the next search.
        server.givenUp.reset();
        server.failuresInARow = 0;
    }
    m_started.clear();
    m_refusals.clear();
    // The next search may find the machine with more to spare.
    m_jobs = m_settings.jobs;
    m_shortagesAlone = 0;
    m_shortageUntil = {};
}

bool SearchScheduler::HasWork() const
{
    return !m_started.empty() ||
           std::any_of(m_servers.begin(), m_servers.end(),
                       [](const Server& server) { return !server.queue.empty(); });
}

SearchScheduler::TimePoint SearchScheduler::DoneAt(const Server& server, TimePoint now,
                                                   std::chrono::milliseconds latency,
                                                   std::chrono::milliseconds& work) const
{
    TimePoint free = now;
    if (server.busy) {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(now - server.busySince);
        // A query past its server's usual time is given as long again as it has taken so far.
        const std::chrono::milliseconds rest = elapsed < latency ? latency - elapsed : elapsed;
        free = now + rest;
        work += rest;
    }
    std::int64_t count = server.givenUp ? 0
                                        : static_cast<std::int64_t>(server.queue.size()) +
                                              static_cast<std::int64_t>(server.expected);
    if (server.failuresInARow > 0) {
        // Should the failures go on, the rest is given up at once.
        count = std::min<std::int64_t>(count, kMaxFailuresInARow - server.failuresInARow);
    }
    if (count == 0) {
        return free;
    }
    TimePoint next = std::max(free, server.pausedUntil);
    if (!server.budget) {
        work += latency * count;
        return next + latency * count;
    }
    // The next `queries` starts follow the starts already made, each a window after the one
    // `queries` before it; every later one comes a window after its like in that first round.
    const auto queries = static_cast<std::size_t>(server.budget->queries);
    const std::chrono::milliseconds window = server.budget->window + kBudgetMargin;
    const std::size_t earlier = std::min(server.starts.size(), queries);
    std::vector<TimePoint> starts(server.starts.end() - static_cast<std::ptrdiff_t>(earlier),
                                  server.starts.end());
    const std::size_t round = std::min(static_cast<std::size_t>(count), queries);
    for (std::size_t start = 0; start < round; ++start) {
        if (starts.size() >= queries) {
            next = std::max(next, starts[starts.size() - queries] + window);
        }
        starts.push_back(next);
        next += latency;
    }
    const auto last = static_cast<std::size_t>(count - 1);
    const TimePoint lastStart = std::max(
        starts[earlier + last % queries] + window * static_cast<std::int64_t>(last / queries),
        starts.back() + latency * (count - static_cast<std::int64_t>(round)));
    work += std::max(latency, window / server.budget->queries) * count;
    return lastStart + latency;
}

std::chrono::milliseconds SearchScheduler::TimeLeft(TimePoint now) const
{
    // A server that has not answered yet is taken to be as quick as the others.
    std::chrono::milliseconds latencies{0};
    int known = 0;
    for (const Server& server : m_servers) {
        if (server.latency) {
            latencies += *server.latency;
            ++known;
        }
    }
    const std::chrono::milliseconds assumed = known > 0 ? latencies / known : kAssumedLatency;
    TimePoint done = now;
    std::chrono::milliseconds work{0};
    for (const Server& server : m_servers) {
        done = std::max(done, DoneAt(server, now, server.latency.value_or(assumed), work));
    }
    done = std::max(done, now + work / m_jobs);
    return std::chrono::ceil<std::chrono::milliseconds>(done - now);
}

std::vector<ServerPause> SearchScheduler::Pauses(TimePoint now) const
{
    std::vector<ServerPause> pauses;
    for (const Server& server : m_servers) {
        const int waiting = static_cast<int>(server.queue.size()) + server.expected;
        if (!server.givenUp && server.pausedUntil > now && waiting > 0) {
            pauses.push_back(ServerPause{server.name, server.pausedUntil, waiting});
        }
    }
    std::stable_sort(pauses.begin(), pauses.end(),
                     [](const ServerPause& left, const ServerPause& right) {
                         return left.waiting > right.waiting;
                     });
    return pauses;
}
