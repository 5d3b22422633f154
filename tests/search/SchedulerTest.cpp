#include "TestMain.h"
#include "search/core/SearchScheduler.h"

#include <QTest>
#include <algorithm>
#include <map>
#include <queue>
#include <set>

using namespace std::chrono_literals;
using Ticket = SearchScheduler::Ticket;
using Kind = SearchScheduler::Dispatch::Kind;

namespace {

// A registry in simulated time: answers after its latency, refuses beyond its budget (counting
// accepted queries only), or fails every connection.
struct SimulatedServer
{
    int latencyMs = 100;
    int budget = 0; // accepted queries in any windowMs; 0: no limit
    int windowMs = 1000;
    bool failing = false;
    std::optional<std::chrono::milliseconds> retryAfter;
};

struct RunResult
{
    std::map<Ticket, int> endings; // how many times each ticket ended (answered, given up, dropped)
    std::set<Ticket> answered;
    int refusals = 0;
    int givenUp = 0;
    int dropped = 0;
    int mostInFlight = 0;
    int endedShort = 0; // ended for want of a socket
    bool serverAskedTwiceAtOnce = false;
    bool serverOutOfOrder = false;
    bool globalOutOfOrder = false; // starts not in ticket order over all servers
    bool retryAfterIgnored = false;
    std::chrono::milliseconds elapsed{0};
    std::set<std::string> giveUpReasons;
    std::string firstPause; // as the window shows it, at the first refusal
    // The time left the scheduler told after each query ended, from when it had heard from every
    // server and the last refusal on: (when, told).
    std::vector<std::pair<std::chrono::milliseconds, std::chrono::milliseconds>> timesLeft;
};

// Runs `ticketsPerServer` tickets for each server, interleaved in ticket order (ticket t belongs
// to server t % count), through the scheduler, event by event.
// This machine has `spareSockets` for queries (-1: as many as asked); a query beyond them ends at
// once short of resources.
RunResult Simulate(SearchScheduler::Settings settings, const std::vector<SimulatedServer>& servers,
                   int ticketsPerServer, int dropEvery = 0, int spareSockets = -1)
{
    SearchScheduler scheduler(settings);
    if (dropEvery > 0) {
        scheduler.SetStillWanted([dropEvery](Ticket ticket) {
            return static_cast<int>(ticket) % dropEvery != dropEvery - 1;
        });
    }
    const auto serverOf = [&](Ticket ticket) {
        return static_cast<std::size_t>(ticket % servers.size());
    };
    const auto name = [](std::size_t server) {
        return "s" + std::to_string(server) + ":43";
    };
    const Ticket count = static_cast<Ticket>(ticketsPerServer) * servers.size();
    for (Ticket ticket = 0; ticket < count; ++ticket) {
        scheduler.Add(ticket, name(serverOf(ticket)));
    }

    RunResult result;
    const SearchScheduler::TimePoint start{};
    auto now = start;
    using Event = std::pair<SearchScheduler::TimePoint, Ticket>;
    std::priority_queue<Event, std::vector<Event>, std::greater<>> ends;
    std::map<Ticket, SearchScheduler::Outcome> outcomeOf;
    std::vector<std::vector<SearchScheduler::TimePoint>> accepted(servers.size());
    std::vector<int> inFlight(servers.size());
    std::vector<Ticket> lastStarted(servers.size());
    std::vector<SearchScheduler::TimePoint> notBefore(servers.size());
    Ticket lastGlobal = 0; // 0 also after a refusal: the order starts afresh
    std::set<std::size_t> heardFrom;
    while (scheduler.HasWork()) {
        while (const auto next = scheduler.Next(now)) {
            const std::size_t server = serverOf(next->ticket);
            if (next->kind != Kind::Start) {
                ++result.endings[next->ticket];
                ++(next->kind == Kind::Drop ? result.dropped : result.givenUp);
                if (!next->reason.empty()) {
                    result.giveUpReasons.insert(next->reason);
                }
                continue;
            }
            result.serverAskedTwiceAtOnce |= ++inFlight[server] > 1;
            result.serverOutOfOrder |= next->ticket < lastStarted[server];
            result.globalOutOfOrder |= next->ticket < lastGlobal;
            result.retryAfterIgnored |= now < notBefore[server];
            lastStarted[server] = next->ticket;
            lastGlobal = next->ticket;
            result.mostInFlight = std::max(result.mostInFlight, scheduler.InFlight());
            const SimulatedServer& spec = servers[server];
            auto& taken = accepted[server];
            const auto inWindow = std::count_if(taken.begin(), taken.end(), [&](auto time) {
                return time > now - std::chrono::milliseconds(spec.windowMs);
            });
            SearchScheduler::Outcome outcome = SearchScheduler::Outcome::Answered;
            auto latency = std::chrono::milliseconds(spec.latencyMs);
            if (spareSockets >= 0 && static_cast<int>(ends.size()) >= spareSockets) {
                outcome = SearchScheduler::Outcome::LocalShortage;
                latency = 1ms;
            } else if (spec.failing) {
                outcome = SearchScheduler::Outcome::Unreachable;
            } else if (spec.budget > 0 && inWindow >= spec.budget) {
                outcome = SearchScheduler::Outcome::Refused;
                latency = 1ms;
            } else {
                taken.push_back(now);
            }
            outcomeOf[next->ticket] = outcome;
            ends.emplace(now + latency, next->ticket);
        }
        const std::optional<SearchScheduler::TimePoint> wake = scheduler.NextWake();
        if (ends.empty() && !wake) {
            break;
        }
        if (!ends.empty() && (!wake || ends.top().first <= *wake)) {
            const auto [time, ticket] = ends.top();
            ends.pop();
            now = std::max(now, time);
            const std::size_t server = serverOf(ticket);
            --inFlight[server];
            const SearchScheduler::Outcome outcome = outcomeOf[ticket];
            const auto retryAfter = outcome == SearchScheduler::Outcome::Refused
                                        ? servers[server].retryAfter
                                        : std::nullopt;
            if (outcome == SearchScheduler::Outcome::Refused) {
                ++result.refusals;
                notBefore[server] = now + retryAfter.value_or(0ms);
                // A refused ticket goes again: its server's order starts afresh from it.
                lastStarted[server] = 0;
                lastGlobal = 0;
                result.timesLeft.clear();
            }
            if (scheduler.Complete(ticket, outcome, now, retryAfter)) {
                ++result.endings[ticket];
                result.endedShort += outcome == SearchScheduler::Outcome::LocalShortage ? 1 : 0;
                if (outcome == SearchScheduler::Outcome::Answered) {
                    result.answered.insert(ticket);
                }
            }
            const std::vector<ServerPause> pauses = scheduler.Pauses(now);
            if (result.firstPause.empty() && !pauses.empty()) {
                result.firstPause = PauseText(pauses.front(), now);
            }
            heardFrom.insert(server);
            if (heardFrom.size() == servers.size()) {
                result.timesLeft.emplace_back(
                    std::chrono::duration_cast<std::chrono::milliseconds>(now - start),
                    scheduler.TimeLeft(now));
            }
        } else {
            now = std::max(now, *wake);
        }
    }
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - start);
    return result;
}

SearchScheduler::Settings Paced(int queries, std::chrono::milliseconds window, int servers)
{
    SearchScheduler::Settings settings;
    for (int server = 0; server < servers; ++server) {
        settings.budgets["s" + std::to_string(server)] = QueryBudget{queries, window};
    }
    return settings;
}

} // namespace

Q_DECLARE_METATYPE(SearchScheduler::Settings)
Q_DECLARE_METATYPE(std::vector<SimulatedServer>)

class SchedulerTest : public QObject
{
    Q_OBJECT

private slots:
    void budgetText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("queries");
        QTest::addColumn<int>("windowMs"); // 0: refused
        QTest::newRow("per second") << "5/1" << 5 << 1000;
        QTest::newRow("per minute") << "15/60" << 15 << 60000;
        QTest::newRow("fraction of a second") << "10/0.5" << 10 << 500;
        QTest::newRow("no queries") << "0/1" << 0 << 0;
        QTest::newRow("no window") << "5/0" << 0 << 0;
        QTest::newRow("negative window") << "5/-1" << 0 << 0;
        QTest::newRow("no slash") << "5" << 0 << 0;
        QTest::newRow("trailing text") << "5/1s" << 0 << 0;
        QTest::newRow("words") << "five/1" << 0 << 0;
    }
    void budgetText()
    {
        QFETCH(QString, text);
        QFETCH(int, queries);
        QFETCH(int, windowMs);
        const std::optional<QueryBudget> budget = ParseQueryBudget(text.toStdString());
        QCOMPARE(budget.has_value(), windowMs > 0);
        if (budget) {
            QCOMPARE(*budget, (QueryBudget{queries, std::chrono::milliseconds(windowMs)}));
        }
    }

    // Whatever the servers do, every ticket ends exactly once, no server is asked twice at once,
    // each server goes in ticket order, and `jobs` is never exceeded.
    void everyTicketEndsOnce_data()
    {
        QTest::addColumn<SearchScheduler::Settings>("settings");
        QTest::addColumn<std::vector<SimulatedServer>>("servers");
        QTest::addColumn<int>("ticketsPerServer");
        QTest::addColumn<int>("dropEvery");
        QTest::addColumn<int>("expectedRefusals"); // -1: some, not counted
        QTest::addColumn<int>("expectedAnswered");
        QTest::addColumn<int>("expectedGivenUp");
        QTest::addColumn<int>("expectedMostInFlight");
        QTest::addColumn<double>("longestSeconds"); // 0: not measured
        QTest::addColumn<QString>("giveUpReason");  // of a server that refused too long
        QTest::addColumn<int>("spareSockets");      // -1: as many as asked
        QTest::addColumn<int>("expectedEndedShort");
        const SimulatedServer limited{100, 5, 1000, false, {}};
        const std::vector<SimulatedServer> nineLimited(9, limited);
        // The slowest server's bound: 100 queries, 5 a second, each 0.1 s.
        const double bound = (100.0 - 5) / 5 + 0.1;
        QTest::newRow("pace known: no refusal, near the budget's bound")
            << Paced(5, 1s, 9) << nineLimited << 100 << 0 << 0 << 900 << 0 << 6 << bound * 1.10
            << QString() << -1 << 0;
        QTest::newRow("pace learned from refusals")
            << SearchScheduler::Settings{} << nineLimited << 100 << 0 << -1 << 900 << 0 << 6
            << bound * 1.5 << QString() << -1 << 0;
        SearchScheduler::Settings oneAtATime;
        oneAtATime.oneAtATime = true;
        oneAtATime.jobs = 6;
        QTest::newRow("one at a time") << oneAtATime << nineLimited << 10 << 0 << 0 << 90 << 0 << 1
                                       << 0.0 << QString() << -1 << 0;
        SearchScheduler::Settings twoJobs;
        twoJobs.jobs = 2;
        QTest::newRow("jobs bound the servers at once")
            << twoJobs << std::vector<SimulatedServer>(5, SimulatedServer{}) << 4 << 0 << 0 << 20
            << 0 << 2 << 0.0 << QString() << -1 << 0;
        QTest::newRow("unwanted tickets are dropped, not asked")
            << SearchScheduler::Settings{} << std::vector<SimulatedServer>(2, SimulatedServer{})
            << 6 << 3 << 0 << 8 << 0 << 2 << 0.0 << QString() << -1 << 0;
        QTest::newRow("a failing server gives up after three")
            << SearchScheduler::Settings{}
            << std::vector<SimulatedServer>{SimulatedServer{}, SimulatedServer{10, 0, 0, true, {}}}
            << 10 << 0 << 0 << 10 << 7 << 2 << 0.0 << QString() << -1 << 0;
        // Five refusals end a ticket; pauses that add up to more than five minutes end the rest.
        QTest::newRow("a server that always refuses: given up once its pauses pass five minutes")
            << SearchScheduler::Settings{}
            << std::vector<SimulatedServer>{SimulatedServer{},
                                            SimulatedServer{10, 1, 3600000, false, {}}}
            << 3 << 0 << 6 << 4 << 1 << 2 << 300.0 << "s1 keeps refusing; search again later" << -1
            << 0;
        QTest::newRow("Retry-After is waited out")
            << SearchScheduler::Settings{}
            << std::vector<SimulatedServer>{SimulatedServer{10, 2, 100000, false, 30s}} << 4 << 0
            << -1 << 4 << 0 << 1 << 0.0 << QString() << -1 << 0;
        QTest::newRow("a Retry-After over five minutes ends its server's names at once")
            << SearchScheduler::Settings{}
            << std::vector<SimulatedServer>{SimulatedServer{10, 1, 3600000, false, 601s}} << 3 << 0
            << 1 << 1 << 2 << 1 << 1.0 << "s0 asks to wait 11 minutes" << -1 << 0;
        // Running short lowers how many run at once and blames no server; with nothing to spare
        // at all, each ticket still ends.
        SearchScheduler::Settings eightJobs;
        eightJobs.jobs = 8;
        QTest::newRow("a machine short of sockets runs fewer at once")
            << eightJobs << std::vector<SimulatedServer>(8, SimulatedServer{}) << 10 << 0 << 0 << 80
            << 0 << 8 << 0.0 << QString() << 3 << 0;
        QTest::newRow("a machine with no socket to spare still ends every ticket")
            << eightJobs << std::vector<SimulatedServer>(2, SimulatedServer{}) << 2 << 0 << 0 << 0
            << 0 << 2 << 30.0 << QString() << 0 << 4;
    }
    void everyTicketEndsOnce()
    {
        QFETCH(SearchScheduler::Settings, settings);
        QFETCH(std::vector<SimulatedServer>, servers);
        QFETCH(int, ticketsPerServer);
        QFETCH(int, dropEvery);
        QFETCH(int, expectedRefusals);
        QFETCH(int, expectedAnswered);
        QFETCH(int, expectedGivenUp);
        QFETCH(int, expectedMostInFlight);
        QFETCH(double, longestSeconds);
        QFETCH(QString, giveUpReason);
        QFETCH(int, spareSockets);
        QFETCH(int, expectedEndedShort);

        const RunResult run =
            Simulate(settings, servers, ticketsPerServer, dropEvery, spareSockets);

        const auto tickets = static_cast<std::size_t>(ticketsPerServer) * servers.size();
        QCOMPARE(run.endings.size(), tickets);
        QVERIFY(std::all_of(run.endings.begin(), run.endings.end(),
                            [](const auto& ending) { return ending.second == 1; }));
        QCOMPARE(static_cast<int>(run.answered.size()), expectedAnswered);
        QCOMPARE(run.givenUp, expectedGivenUp);
        QCOMPARE(run.endedShort, expectedEndedShort);
        QVERIFY(!run.serverAskedTwiceAtOnce);
        QVERIFY(!run.serverOutOfOrder);
        QVERIFY(!run.retryAfterIgnored);
        QCOMPARE(run.mostInFlight, expectedMostInFlight);
        if (expectedRefusals >= 0) {
            QCOMPARE(run.refusals, expectedRefusals);
        } else {
            QVERIFY(run.refusals > 0);
        }
        if (settings.oneAtATime) {
            QVERIFY(!run.globalOutOfOrder);
        }
        if (longestSeconds > 0) {
            QVERIFY2(run.elapsed.count() <= longestSeconds * 1000,
                     qPrintable(QString::number(run.elapsed.count())));
        }
        QCOMPARE(run.giveUpReasons, giveUpReason.isEmpty()
                                        ? std::set<std::string>{}
                                        : std::set<std::string>{giveUpReason.toStdString()});
    }

    // Once it has heard from every server, and after the last refusal, the time left the
    // scheduler tells is the time the rest takes, within a tenth and a second; a refusal names
    // its server, how long it pauses and how many names wait.
    void timeLeft_isTrue_andPausesAreNamed_data()
    {
        QTest::addColumn<SearchScheduler::Settings>("settings");
        QTest::addColumn<std::vector<SimulatedServer>>("servers");
        QTest::addColumn<int>("ticketsPerServer");
        QTest::addColumn<QString>("firstPause");
        // Quick answers first do not hide a server that is held back by its budget.
        QTest::newRow("the budget of the slowest server decides")
            << Paced(5, 1s, 1)
            << std::vector<SimulatedServer>{SimulatedServer{100, 5, 1000, false, {}},
                                            SimulatedServer{50, 0, 1000, false, {}}}
            << 100 << QString();
        QTest::newRow("the latency of the slowest server decides")
            << SearchScheduler::Settings{}
            << std::vector<SimulatedServer>{SimulatedServer{5000, 0, 1000, false, {}},
                                            SimulatedServer{50, 0, 1000, false, {}}}
            << 6 << QString();
        QTest::newRow("jobs hold the servers back")
            << SearchScheduler::Settings{1, false, {}}
            << std::vector<SimulatedServer>(3, SimulatedServer{200, 0, 1000, false, {}}) << 20
            << QString();
        QTest::newRow("a pause counts until it ends")
            << SearchScheduler::Settings{}
            << std::vector<SimulatedServer>{SimulatedServer{10, 2, 100000, false, 100s}} << 4
            << "s0 refused; asking again in 1 min 40 s (2 names wait)";
    }
    void timeLeft_isTrue_andPausesAreNamed()
    {
        QFETCH(SearchScheduler::Settings, settings);
        QFETCH(std::vector<SimulatedServer>, servers);
        QFETCH(int, ticketsPerServer);
        QFETCH(QString, firstPause);

        const RunResult run = Simulate(settings, servers, ticketsPerServer);

        QCOMPARE(QString::fromStdString(run.firstPause), firstPause);
        QVERIFY(!run.timesLeft.empty());
        for (const auto& [when, told] : run.timesLeft) {
            const std::chrono::milliseconds truth = run.elapsed - when;
            QVERIFY2(std::chrono::abs(told - truth) <= truth / 10 + 1s,
                     qPrintable(QStringLiteral("at %1 ms: told %2 ms, took %3 ms")
                                    .arg(when.count())
                                    .arg(told.count())
                                    .arg(truth.count())));
        }
    }
};

QIRV_TEST(SchedulerTest);

#include "SchedulerTest.moc"
