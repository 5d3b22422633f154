#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// At most `queries` queries started in any `window`.
struct QueryBudget
{
    int queries = 0;
    std::chrono::milliseconds window{0};

    bool operator==(const QueryBudget&) const = default;
};

// "N/S": N queries in S seconds (S may have a fraction, "10/0.5"); nothing for anything else.
std::optional<QueryBudget> ParseQueryBudget(std::string_view text);

// What the registries publish about their whois limits, by host; nothing for a host without a
// known figure.
std::optional<QueryBudget> PublishedBudget(std::string_view host);

inline constexpr int kDefaultSearchJobs = 6;

// A server that refused and waits before it is asked again.
struct ServerPause
{
    std::string server; // "host:port"
    std::chrono::steady_clock::time_point resumeAt;
    int waiting = 0; // names that wait for it
};

// "40 s", "2 min 5 s", "1 h 3 min": a time left, in whole seconds.
std::string DurationText(std::chrono::seconds duration);
// "whois.eu refused; asking again in 40 s (12 names wait)"
std::string PauseText(const ServerPause& pause, std::chrono::steady_clock::time_point now);
// The host of "host:port", as the texts name a server.
std::string_view HostOf(std::string_view server);

struct SchedulerSettings
{
    int jobs = kDefaultSearchJobs;
    // One queue over all servers, strictly in ticket order, one query at a time.
    bool oneAtATime = false;
    // By "host:port" or "host"; these win over the published figures.
    std::map<std::string, QueryBudget, std::less<>> budgets;
};

// Decides which query runs when. Every query (a ticket, whose order is the list's order) belongs
// to the server that answers it ("host:port"). Each server is asked one query at a time, the
// lowest ticket first; different servers run side by side, `jobs` queries at most in all. A
// server's budget is never exceeded; a refusal puts the ticket back, pauses its server and
// lowers its budget; a server whose connections keep failing, whose pauses add up to more than
// kLongestWait without an answer, or that asks for a longer wait gives up its remaining tickets.
// What it knows (each server's waiting tickets, budget, pause and how long its queries take)
// also tells how long the rest will take.
//
// Time is passed in, never read: the scheduler holds no clock and no thread, so its rules are
// tested at any pace.
class SearchScheduler
{
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;
    using Ticket = std::uint64_t;

    // A ticket refused this many times ends without an answer.
    static constexpr int kMaxRefusals = 5;
    // This many shortages in a row with no other query running, and a ticket ends without an
    // answer: the machine itself has nothing to spare, and a search must still finish.
    static constexpr int kMaxShortagesAlone = 5;
    // How long a ticket waits after a shortage with no other query running to free anything.
    static constexpr std::chrono::milliseconds kShortagePause{1000};
    // This many connections in a row that could not be made, and the server counts as down
    // for the run.
    static constexpr int kMaxFailuresInARow = 3;
    static constexpr std::chrono::milliseconds kLongestPause{10 * 60 * 1000};
    // Pauses adding up to more than this without an answer between them, or one asked for that
    // is longer, and the server's tickets end without an answer: a user waits no longer.
    static constexpr std::chrono::milliseconds kLongestWait{5 * 60 * 1000};
    // What a query is taken to last at a server not asked yet, when no server has answered.
    static constexpr std::chrono::milliseconds kAssumedLatency{1000};
    // The window a refusal teaches when the server's own is not known.
    static constexpr std::chrono::milliseconds kLearningWindow{1000};
    // Kept beyond every budget window: our clock starts a query a moment before the server's
    // clock counts it, and the two moments wander by the event loop's delays.
    static constexpr std::chrono::milliseconds kBudgetMargin{20};

    using Settings = SchedulerSettings;

    enum class Outcome
    {
        Answered,    // a verdict, or a reply without one: the server did its part
        Unreachable, // no connection: a server down, or not there
        Failed,      // a reset, a silent or broken reply
        Refused,     // the server refused to answer now
        // This machine ran short (no file descriptor for a socket): the ticket goes back and
        // fewer queries run at once; its server is not to blame.
        LocalShortage,
    };

    struct Dispatch
    {
        enum class Kind
        {
            Start,  // ask now
            GiveUp, // its server is down or refuses too long: the ticket ends without an answer
            Drop,   // no longer wanted: forget it
        };
        Ticket ticket = 0;
        Kind kind = Kind::Start;
        std::string server;
        // GiveUp: why, when the server's last failure does not say it ("HOST keeps refusing;
        // search again later").
        std::string reason;
    };

    explicit SearchScheduler(Settings settings = {});

    // Whether a queued ticket is still to be asked, tested just before it starts.
    void SetStillWanted(std::function<bool(Ticket)> stillWanted);

    void Add(Ticket ticket, std::string_view server);
    // Tickets on their way to `server` (`change` more, or fewer when negative) that are not
    // added yet: they count in the time left and in the names a pause holds up.
    void Expect(std::string_view server, int change);

    // The next thing to do now, if any. Call again until it returns nothing.
    std::optional<Dispatch> Next(TimePoint now);
    // When a waiting server may go again (a pause or its budget), if any is waiting on time.
    std::optional<TimePoint> NextWake() const;

    // The end of a started ticket's query. True when the ticket is finished; false when it was
    // put back to be asked again.
    bool Complete(Ticket ticket, Outcome outcome, TimePoint now,
                  std::optional<std::chrono::milliseconds> retryAfter = std::nullopt);
    // Forgets a started ticket whose query was dropped; its server is free again.
    void Cancel(Ticket ticket);
    // Forgets everything queued and started, and which servers gave up; learned budgets and
    // pauses stay, for the registries' sake, as long as the scheduler lives.
    void Clear();

    int InFlight() const { return static_cast<int>(m_started.size()); }
    // How many queries may run at once now: `jobs`, or fewer once this machine ran short.
    int Jobs() const { return m_jobs; }
    bool HasWork() const;
    int RefusalsReceived() const { return m_refusalsReceived; }
    std::optional<QueryBudget> BudgetOf(std::string_view server) const;

    // How long the tickets queued, started and expected will take to end, by what is known of
    // their servers: the slowest server decides, unless `jobs` holds the servers back.
    std::chrono::milliseconds TimeLeft(TimePoint now) const;
    // The servers paused by a refusal that names wait for, the most waiting names first.
    std::vector<ServerPause> Pauses(TimePoint now) const;

private:
    struct Server
    {
        std::string name;
        std::optional<QueryBudget> budget;
        // A min-heap: the lowest ticket is asked first, and a refused one is at the front again.
        std::vector<Ticket> queue;
        std::vector<TimePoint> starts; // within the budget's window, oldest first
        TimePoint pausedUntil{};
        bool pausedAsAsked = false; // the pause is the server's Retry-After
        std::chrono::milliseconds pausedSinceAnswer{0};
        // How long its queries take, on average, once one has ended.
        std::optional<std::chrono::milliseconds> latency;
        int latencySamples = 0;
        int expected = 0;
        int refusalsInARow = 0;
        int failuresInARow = 0;
        bool busy = false;
        TimePoint busySince{};
        // Its tickets end without an answer, for the rest of the run: why, or empty for the
        // reason its last failure gave.
        std::optional<std::string> givenUp;
    };

    Server& ServerNamed(std::string_view name);
    std::optional<TimePoint> ReadyAt(const Server& server) const;
    void Start(Server& server, Ticket ticket, TimePoint now);
    void LearnFromRefusal(Server& server, TimePoint now,
                          std::optional<std::chrono::milliseconds> retryAfter);
    void LearnLatency(Server& server, TimePoint now);
    // A shortage: fewer jobs, the ticket back in its queue (true: it ends after all).
    bool ShortOfResources(Server& server, Ticket ticket, TimePoint now);
    // When the server will have ended what it has, had it no competition for `jobs`; adds the
    // time its queries take to `work`.
    TimePoint DoneAt(const Server& server, TimePoint now, std::chrono::milliseconds latency,
                     std::chrono::milliseconds& work) const;
    static Ticket Front(const Server& server) { return server.queue.front(); }
    static void Push(Server& server, Ticket ticket);
    static Ticket Pop(Server& server);

    Settings m_settings;
    int m_jobs = 1;
    int m_shortagesAlone = 0;
    TimePoint m_shortageUntil{};
    std::function<bool(Ticket)> m_stillWanted;
    std::vector<Server> m_servers;
    std::unordered_map<std::string, std::size_t> m_serverIndex;
    std::unordered_map<Ticket, std::size_t> m_started; // ticket -> server
    std::unordered_map<Ticket, int> m_refusals;
    int m_refusalsReceived = 0;
};
