#include "AuthoritativeDnsServer.h"
#include "QueryClient.h"
#include "SilentDnsServer.h"
#include "TestMain.h"
#include "dns/CDnsQuery.h"

#include <QTest>

using namespace std::chrono_literals;

namespace {

constexpr int kWaitMilliseconds = 20000;

// What a result says: its status, or the detail of why DNS left the name to its registry.
QString Outcome(const QueryResult& result)
{
    if (result.verdict) {
        return QString::fromUtf8(StatusText(*result.verdict).data());
    }
    return QString::fromStdString(result.detail);
}

} // namespace

// Before a name's registry is asked, DNS may already show that the name is registered: NS records
// of that very name, from the extension's own authoritative server here (NSD on 127.0.0.1).
class DnsQueryTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const bool started = m_nsd.Start({
            {"zz.", "taken NS ns1.taken\n"
                    "ns1.taken A 127.0.0.2\n"
                    "plain A 127.0.0.3\n"},
            {"wild.", "* NS ns.elsewhere.\n"},
        });
        QVERIFY2(started, m_nsd.Log().constData());
    }

    void lookup_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("silentServer");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("delegated name is Taken") << QByteArray("taken.zz") << false << "Taken";
        QTest::newRow("absent name") << QByteArray("absent.zz") << false << "NXDOMAIN";
        QTest::newRow("name with only an address")
            << QByteArray("plain.zz") << false << "no NS records";
        QTest::newRow("random label of a wildcard zone is Taken")
            << QByteArray("q8v3k2x9b7.wild") << false << "Taken";
        QTest::newRow("silent server")
            << QByteArray("taken.zz") << true << "no answer within 0.3 s";
    }

    void lookup()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, silentServer);
        QFETCH(QString, outcome);
        QueryClient<CDnsQuery> client;
        client.query.SetServers({{"127.0.0.1", silentServer ? m_silent.Port() : m_nsd.Port()}});
        client.query.SetTimeout(silentServer ? 300ms : 10s);
        client.query.StartQuery(name, 7);
        QVERIFY(client.results.isEmpty());
        QVERIFY(client.WaitForEnd(kWaitMilliseconds));
        QCOMPARE(client.results.size(), 1);
        const QueryResult& result = client.results.front();
        QCOMPARE(result.item, 7);
        QCOMPARE(result.server, "DNS");
        QCOMPARE(Outcome(result), outcome);
        if (!result.verdict) {
            QCOMPARE(result.failure, QueryFailureKind::NoVerdict);
            QCOMPARE(result.reason, kNotInDns);
        }
    }

    void concurrentQueries_endOnceEach()
    {
        constexpr int kQueries = 200;
        QueryClient<CDnsQuery> client;
        client.query.SetServers({{"127.0.0.1", m_nsd.Port()}});
        client.query.SetTimeout(10s);
        for (int item = 0; item < kQueries; ++item) {
            client.query.StartQuery(
                item % 2 == 0 ? "taken.zz" : "absent" + QByteArray::number(item) + ".zz", item);
        }
        QTRY_COMPARE_WITH_TIMEOUT(client.results.size(), kQueries, kWaitMilliseconds);
        QCOMPARE(client.query.InFlight(), 0);
        QList<int> seen(kQueries, 0);
        for (const QueryResult& result : client.results) {
            ++seen[result.item];
            QCOMPARE(Outcome(result), result.item % 2 == 0 ? "Taken" : "NXDOMAIN");
        }
        QCOMPARE(seen, QList<int>(kQueries, 1));
    }

    void reset_dropsEveryQueryInFlight()
    {
        QueryClient<CDnsQuery> client;
        client.query.SetServers({{"127.0.0.1", m_nsd.Port()}});
        for (int item = 0; item < 5; ++item) {
            client.query.StartQuery("taken.zz", item);
        }
        // Its result is already waiting for the event loop.
        client.query.StartQuery("", 5);
        client.query.Reset();
        QCOMPARE(client.query.InFlight(), 0);
        client.query.StartQuery("taken.zz", 99);
        QVERIFY(client.WaitForEnd(kWaitMilliseconds));
        QCOMPARE(client.results.size(), 1);
        QCOMPARE(client.results.front().item, 99);
    }

private:
    AuthoritativeDnsServer m_nsd;
    SilentDnsServer m_silent;
};

QIRV_TEST(DnsQueryTest);
#include "DnsQueryTest.moc"
