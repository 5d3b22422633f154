#include "FakeWhoisServer.h"
#include "RegistrySimulator.h"
#include "TestMain.h"
#include "search/CLookupEngine.h"
#include "search/SearchOptions.h"

#include <QTest>
#include <map>

using namespace std::chrono_literals;
using Ticket = CLookupEngine::Ticket;

namespace {

// An engine over a simulator, with every answer written down.
struct EngineRun
{
    explicit EngineRun(RegistrySimulator& simulator, SchedulerSettings scheduling = {})
    {
        SearchOptions options;
        options.scheduling = std::move(scheduling);
        options.replyTimeout = 300ms;
        for (int server = 0; server < simulator.ServerCount(); ++server) {
            const QByteArray suffix = "." + simulator.Spec(server).suffix;
            options.routes.AddWhoisServer(suffix.toStdString(),
                                          ServerAddress{"127.0.0.1", simulator.Port(server)});
        }
        engine.SetOptions(std::move(options));
        QObject::connect(
            &engine, &CLookupEngine::answered, &engine,
            [this](Ticket ticket, const QueryResult& answer) {
                ++answerCount[ticket];
                if (answer.verdict) {
                    verdicts[ticket] = *answer.verdict;
                } else {
                    reasons[ticket] = QString::fromStdString(answer.reason);
                }
            },
            Qt::DirectConnection);
        QObject::connect(&engine, &CLookupEngine::finished, &engine, [this] { ++finished; });
    }

    void Ask(const QList<QByteArray>& asked)
    {
        for (const QByteArray& name : asked) {
            engine.Ask(static_cast<Ticket>(names.size()), name);
            names.append(name);
        }
    }

    bool WaitForFinish(int milliseconds = 20000)
    {
        return QTest::qWaitFor([this] { return finished > 0; }, milliseconds);
    }

    CLookupEngine engine;
    QList<QByteArray> names;
    std::map<Ticket, int> answerCount;
    std::map<Ticket, DomainStatus> verdicts;
    std::map<Ticket, QString> reasons;
    int finished = 0;
};

RegistrySimulator::ServerSpec Server(const char* suffix, int latency, int budget = 0,
                                     int windowMs = 1000)
{
    RegistrySimulator::ServerSpec spec;
    spec.suffix = suffix;
    spec.latencyMilliseconds = latency;
    spec.budgetQueries = budget;
    spec.budgetWindowMilliseconds = windowMs;
    return spec;
}

} // namespace

class LookupEngineTest : public QObject
{
    Q_OBJECT

private slots:
    // Three registries side by side: one paced by the user, one whose limit is learned from its
    // refusals, one whose connections break in every way. Every name ends exactly once, with the
    // truth or the reason; no server is asked twice at once, nor beyond a budget it was given.
    void everyNameEndsOnce_withTheTruthOrItsReason()
    {
        RegistrySimulator simulator(
            {Server("com", 20, 3, 400), Server("net", 20, 3, 400), Server("org", 5)});
        SchedulerSettings scheduling;
        scheduling.budgets["127.0.0.1:" + std::to_string(simulator.Port(0))] =
            QueryBudget{3, 400ms};
        EngineRun run(simulator, scheduling);
        for (int number = 0; number < 10; ++number) {
            const QByteArray label =
                (number % 3 == 0 ? "free" : "name") + QByteArray::number(number);
            run.Ask({label + ".com", label + ".net"});
        }
        const QList<QByteArray> faulty{"reset1.org", "mute2.org", "close3.org", "nomark4.org",
                                       "free5.org",  "nodot",     "x.zz"};
        run.Ask(faulty);
        QVERIFY(run.WaitForFinish());

        QCOMPARE(run.finished, 1);
        QCOMPARE(static_cast<int>(run.answerCount.size()), run.names.size());
        for (const auto& [ticket, count] : run.answerCount) {
            QCOMPARE(count, 1);
        }
        for (const auto& [ticket, verdict] : run.verdicts) {
            const QByteArray& name = run.names[static_cast<int>(ticket)];
            QCOMPARE(verdict == DomainStatus::Taken, RegistrySimulator::IsRegistered(name));
        }
        const auto reasonOf = [&](const QByteArray& name) {
            return run.reasons[static_cast<Ticket>(run.names.indexOf(name))];
        };
        QCOMPARE(reasonOf("reset1.org"), "Winsock Error: Connection rejected!");
        QCOMPARE(reasonOf("mute2.org"), "Winsock Error: Connection rejected!");
        QCOMPARE(reasonOf("close3.org"), "No verdict in the reply");
        QCOMPARE(reasonOf("nomark4.org"), "No verdict in the reply");
        QCOMPARE(reasonOf("nodot"), "Not a domain name");
        QCOMPARE(reasonOf("x.zz"), "No server known for .zz");
        QCOMPARE(static_cast<int>(run.reasons.size()), 6);

        // (A faulty server may still hold a connection the client has dropped, so only the
        // well-behaved ones show how many the client had open.)
        QCOMPARE(simulator.MaxOpenConnections(0), 1);
        QCOMPARE(simulator.MaxOpenConnections(1), 1);
        QCOMPARE(simulator.RefusalCount(0), 0);
        QVERIFY(simulator.RefusalCount(1) > 0);
        // Each server in the order of the list (a refused name is asked again first).
        QList<QByteArray> comOrder;
        for (const RegistrySimulator::Arrival& arrival : simulator.Log(0)) {
            comOrder.append(arrival.name.toLower());
        }
        QList<QByteArray> sorted = comOrder;
        std::sort(sorted.begin(), sorted.end(),
                  [&](const QByteArray& left, const QByteArray& right) {
                      return run.names.indexOf(left) < run.names.indexOf(right);
                  });
        QCOMPARE(comOrder, sorted);
    }

    void stop_endsEveryQueryAtOnce_andNothingLandsAfterwards()
    {
        RegistrySimulator simulator({Server("com", 300), Server("net", 300)});
        EngineRun run(simulator);
        run.Ask({"a.com", "b.com", "a.net", "b.net"});
        QVERIFY(QTest::qWaitFor(
            [&] { return simulator.QueryCount(0) + simulator.QueryCount(1) == 2; }));
        run.engine.Stop();
        QVERIFY(!run.engine.IsBusy());
        QTest::qWait(500);
        QVERIFY(run.answerCount.empty());
        QCOMPARE(run.finished, 0);
        QCOMPARE(simulator.QueryCount(0) + simulator.QueryCount(1), 2);
    }

    // With no server to reach, every failure comes at once: each answer still comes from the
    // event loop, one by one, and a server that cannot be reached three times gives up the rest.
    void unreachableServer_givesUpItsNames_withoutRecursion()
    {
        SearchOptions options;
        options.routes.AddWhoisServer({}, ServerAddress{"127.0.0.1", ClosedLocalPort()});
        CLookupEngine engine;
        engine.SetOptions(options);
        QStringList results;
        QObject::connect(&engine, &CLookupEngine::answered, &engine,
                         [&](Ticket, const QueryResult& answer) {
                             results.append(QString::fromStdString(answer.reason));
                         });
        int finished = 0;
        QObject::connect(&engine, &CLookupEngine::finished, &engine, [&] { ++finished; });
        for (Ticket ticket = 0; ticket < 20000; ++ticket) {
            engine.Ask(ticket, "n" + QByteArray::number(ticket) + ".com");
        }
        QVERIFY(results.isEmpty());
        QVERIFY2(QTest::qWaitFor([&] { return finished == 1; }, 20000),
                 qPrintable(QString::number(results.size())));
        QCOMPARE(results.size(), 20000);
        QCOMPARE(results.count("Winsock Error: Connection Failure!"), 20000);
    }
};

QIRV_TEST(LookupEngineTest);
#include "LookupEngineTest.moc"
