#include "AuthoritativeDnsServer.h"
#include "FakeWhoisServer.h"
#include "SilentDnsServer.h"
#include "TestMain.h"
#include "search/CLookupEngine.h"
#include "search/SearchOptions.h"

#include <QTest>

using namespace std::chrono_literals;

// A search with DNS first, against NSD on 127.0.0.1 and a registry that calls every name starting
// with "reg" registered: a delegated name is Taken by DNS without its registry being asked; every
// other name goes to its registry, the names of an extension that answers every name included,
// and so do all names when DNS does not answer. DNS never makes a name free.
class DnsFirstTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const bool started = m_nsd.Start({
            {"zz.", "taken NS ns1.taken\n"
                    "ns1.taken A 127.0.0.2\n"
                    "regplain A 127.0.0.3\n"},
            {"wild.", "* NS ns.elsewhere.\n"},
        });
        QVERIFY2(started, m_nsd.Log().constData());
        m_registry.SetResponder([](const QByteArray& query) {
            const QByteArray name = query.trimmed().toUpper();
            return FakeWhoisServer::Reply(name.startsWith("REG") ? "Domain Name: " + name + "\n"
                                                                 : "No match for " + name + "\n");
        });
    }

    void eachName_endsAsItShould_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("silentDns");
        QTest::addColumn<QString>("result");
        QTest::addColumn<bool>("registryAsked");
        QTest::newRow("delegated") << QByteArray("taken.zz") << false << "Taken by DNS" << false;
        QTest::newRow("absent") << QByteArray("free.zz") << false << "Available!" << true;
        QTest::newRow("absent, registered") << QByteArray("reg.zz") << false << "Taken" << true;
        QTest::newRow("in the zone without NS records")
            << QByteArray("regplain.zz") << false << "Taken" << true;
        QTest::newRow("wildcard extension")
            << QByteArray("free.wild") << false << "Available!" << true;
        QTest::newRow("DNS does not answer")
            << QByteArray("taken.zz") << true << "Available!" << true;
    }

    void eachName_endsAsItShould()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, silentDns);
        QFETCH(QString, result);
        QFETCH(bool, registryAsked);
        SilentDnsServer silent;
        SearchOptions options;
        options.askDnsFirst = true;
        options.dnsTimeout = 300ms;
        options.dnsServers = {ServerAddress{"127.0.0.1", silentDns ? silent.Port() : m_nsd.Port()}};
        options.routes.AddWhoisServer({}, ServerAddress{"127.0.0.1", m_registry.Port()});
        CLookupEngine engine;
        engine.SetOptions(std::move(options));
        QStringList answers;
        QObject::connect(&engine, &CLookupEngine::answered, &engine,
                         [&](CLookupEngine::Ticket, const QueryResult& answer) {
                             const QString status =
                                 answer.verdict
                                     ? QString::fromUtf8(StatusText(*answer.verdict).data())
                                     : QString::fromStdString(answer.reason);
                             answers.append(answer.server == "DNS" ? status + " by DNS" : status);
                         });
        const qsizetype askedBefore = m_registry.Received().size();
        bool finished = false;
        QObject::connect(&engine, &CLookupEngine::finished, &engine, [&] { finished = true; });
        engine.Ask(0, name);
        QVERIFY(QTest::qWaitFor([&] { return finished; }, 20000));
        QCOMPARE(answers, QStringList{result});
        QCOMPARE(m_registry.Received().size() - askedBefore, registryAsked ? 1 : 0);
        QCOMPARE(engine.FoundInDns(), result.endsWith("by DNS") ? 1 : 0);
    }

private:
    AuthoritativeDnsServer m_nsd;
    FakeWhoisServer m_registry;
};

QIRV_TEST(DnsFirstTest);
#include "DnsFirstTest.moc"
