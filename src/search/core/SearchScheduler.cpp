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

SearchScheduler::SearchScheduler(Settings settings) : m_settings(std::move(settings))
{
    m_settings.jobs = m_settings.oneAtATime ? 1 : std::max(1, m_settings.jobs);
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
        while (!server.queue.empty()) {
            const Ticket ticket = Front(server);
            if (m_stillWanted && !m_stillWanted(ticket)) {
                Pop(server);
                return Dispatch{ticket, Dispatch::Kind::Drop, server.name};
            }
            if (server.down) {
                Pop(server);
                return Dispatch{ticket, Dispatch::Kind::GiveUp, server.name};
            }
            break;
        }
    }
    if (InFlight() >= m_settings.jobs) {
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
    return Dispatch{ticket, Dispatch::Kind::Start, chosen->name};
}

void SearchScheduler::Start(Server& server, Ticket ticket, TimePoint now)
{
    server.busy = true;
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
    if (InFlight() >= m_settings.jobs) {
        return std::nullopt;
    }
    std::optional<TimePoint> earliest;
    const Server* first = nullptr;
    for (const Server& server : m_servers) {
        if (server.queue.empty() || server.down) {
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
    return first ? ReadyAt(*first) : earliest;
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
    switch (outcome) {
    case Outcome::Answered:
        server.refusalsInARow = 0;
        server.failuresInARow = 0;
        m_refusals.erase(ticket);
        return true;
    case Outcome::Unreachable:
        server.refusalsInARow = 0;
        server.down = ++server.failuresInARow >= kMaxFailuresInARow;
        m_refusals.erase(ticket);
        return true;
    case Outcome::Failed:
        // It was reached: a flaky server is asked on, only one that cannot be reached is not.
        server.refusalsInARow = 0;
        m_refusals.erase(ticket);
        return true;
    case Outcome::Refused:
        break;
    }
    ++m_refusalsReceived;
    server.failuresInARow = 0;
    LearnFromRefusal(server, now, retryAfter);
    if (++m_refusals[ticket] >= kMaxRefusals) {
        m_refusals.erase(ticket);
        return true;
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
    server.pausedUntil = now + std::min(pause, kLongestPause);
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
        // A server that was down may be back for the next search.
        server.down = false;
        server.failuresInARow = 0;
    }
    m_started.clear();
    m_refusals.clear();
}

bool SearchScheduler::HasWork() const
{
    return !m_started.empty() ||
           std::any_of(m_servers.begin(), m_servers.end(),
                       [](const Server& server) { return !server.queue.empty(); });
}
