#include "RegistrySimulator.h"

#include "RdapClient.h"
#include "TestMain.h"
#include "WhoisClient.h"

#include <QTest>

namespace {

struct Step
{
    QByteArray name;
    QString outcome; // as the program's socket reports it
    int pauseBeforeMilliseconds = 0;
};

using Spec = RegistrySimulator::ServerSpec;

// A budget, where there is one, of two queries in 400 ms.
Spec Server(const QByteArray& suffix, int budgetQueries = 0, bool rdap = false,
            int latencyMilliseconds = 0)
{
    Spec spec;
    spec.suffix = suffix;
    spec.budgetQueries = budgetQueries;
    spec.budgetWindowMilliseconds = 400;
    spec.rdap = rdap;
    spec.latencyMilliseconds = latencyMilliseconds;
    return spec;
}

} // namespace

Q_DECLARE_METATYPE(Step)

// The simulator stands in for the registries in tests of the search engine, so what it tells the
// program must be what the rules say: the verdicts, the budget and the faults a name forces.
class RegistrySimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    void answersAsTheProgramReadsIt_data()
    {
        QTest::addColumn<Spec>("spec");
        QTest::addColumn<QList<Step>>("steps");
        for (const QByteArray suffix :
             {"com", "net", "org", "info", "biz", "edu", "ca", "eu", "us"}) {
            QTest::addRow("verdicts .%s", suffix.constData())
                << Server(suffix)
                << QList<Step>{{"free1." + suffix, "Available!"}, {"x." + suffix, "Taken"}};
        }
        const QString refusal = "Winsock Error: Query refused by 127.0.0.1: ";
        QTest::newRow("budget refuses beyond it, accepts after the window")
            << Server("com", 2)
            << QList<Step>{{"a.com", "Taken"},
                           {"b.com", "Taken"},
                           {"free.com", refusal + "WHOIS LIMIT EXCEEDED"},
                           {"free.com", "Available!", 450}};
        QTest::newRow("faults forced by name")
            << Server("com", 0, false, 20)
            << QList<Step>{{"reset1.com", "Winsock Error: Connection rejected!"},
                           {"mute.com", "silent"},
                           {"closeup.com", "closed"},
                           {"nomark.com", "no verdict"},
                           {"free.com", "Available!"}};
        QTest::newRow("rdap") << Server("info", 2, true)
                              << QList<Step>{{"free.info", "Available!"},
                                             {"nomark.info", "no verdict"},
                                             {"x.info", refusal + "HTTP 429 Too Many Requests"},
                                             {"x.info", "Taken", 450}};
    }

    void answersAsTheProgramReadsIt()
    {
        QFETCH(Spec, spec);
        QFETCH(QList<Step>, steps);
        RegistrySimulator simulator({spec});
        QList<QByteArray> names;
        for (const Step& step : steps) {
            QTest::qWait(step.pauseBeforeMilliseconds);
            WhoisClient whois;
            RdapClient rdap(spec.rdap ? simulator.RdapBaseUrl(0) : QString());
            QString outcome;
            if (spec.rdap) {
                rdap.Ask(step.name, 0);
                outcome = !rdap.WaitForEnd(600) ? QStringLiteral("silent")
                                                : rdap.Outcome(QStringLiteral("no verdict"));
            } else {
                whois.server = ParseServerAddress(simulator.Address(0).toStdString()).value();
                QVERIFY(whois.Ask(step.name, 0));
                outcome =
                    !whois.WaitForEnd(600)
                        ? QStringLiteral("silent")
                        : whois.Outcome(whois.socket.Reply().empty() ? "closed" : "no verdict");
            }
            QCOMPARE(outcome, step.outcome);
            names.append(step.name);
        }
        QList<QByteArray> logged;
        for (const RegistrySimulator::Arrival& arrival : simulator.Log(0)) {
            logged.append(arrival.name);
        }
        QCOMPARE(logged, names);
        QTRY_COMPARE(simulator.OpenConnections(0), 0);
    }
};

QIRV_TEST(RegistrySimulatorTest);
#include "RegistrySimulatorTest.moc"
