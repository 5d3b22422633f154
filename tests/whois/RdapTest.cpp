#include "FakeRdapServer.h"
#include "TestMain.h"
#include "WhoisClient.h"
#include "whois/CWhoisSocket.h"
#include "whois/core/RdapServerTable.h"

#include <QTest>

using namespace std::chrono_literals;

namespace {

struct RdapClient : WhoisClient
{
    explicit RdapClient(const FakeRdapServer& server)
    {
        socket.SetRdapOverride(server.BaseUrl().toStdString());
    }
};

} // namespace

// Suffixes without a port-43 service are asked over RDAP, with the same verdict signal and the
// same bounded waits.
class RdapTest : public QObject
{
    Q_OBJECT

private slots:
    void info_isAskedOverRdap_atItsRegistry()
    {
        QCOMPARE(RdapBaseFor("info").value_or(""),
                 std::string_view("https://rdap.identitydigital.services/rdap/"));
        QVERIFY(!RdapBaseFor("com"));
    }

    void answers_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("result");
        QTest::newRow("404: available") << 404 << QByteArray("{\"errorCode\":404}") << "Available!";
        QTest::newRow("200 with a domain: taken")
            << 200 << QByteArray("{\"objectClassName\":\"domain\",\"ldhName\":\"google.info\"}")
            << "Taken";
        QTest::newRow("429: refused")
            << 429 << QByteArray()
            << "Winsock Error: Query refused by 127.0.0.1: HTTP 429 Too Many Requests";
        QTest::newRow("500: rejected")
            << 500 << QByteArray() << "Winsock Error: Connection rejected!";
        QTest::newRow("200 that is not JSON")
            << 200 << QByteArray("<html>hello</html>") << "Winsock Error: Connection rejected!";
        QTest::newRow("200 with another object")
            << 200 << QByteArray("{\"objectClassName\":\"entity\"}")
            << "Winsock Error: Connection rejected!";
    }

    void answers()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, result);
        FakeRdapServer server;
        server.SetResponder([&](const QByteArray&) {
            return FakeRdapServer::Answer{status, body, 0};
        });
        RdapClient client(server);
        QVERIFY(client.socket.StartQuery("google.info", 12));
        QVERIFY(client.WaitForEnd(10000));
        if (client.verdicts.isEmpty()) {
            QCOMPARE(client.stalls, QList<int>{12});
            QCOMPARE(client.failures.size(), 1);
        } else {
            QCOMPARE(client.verdicts.front().first, 12);
        }
        QCOMPARE(client.Outcome(), result);
        QCOMPARE(server.paths, QList<QByteArray>{"/rdap/domain/google.info"});
        QCOMPARE(server.acceptHeaders, QList<QByteArray>{"application/rdap+json"});
    }

    void slowServer_isRejectedAfterTheReplyTimeout()
    {
        FakeRdapServer server;
        server.SetResponder([](const QByteArray&) {
            return FakeRdapServer::Answer{404, {}, 3000};
        });
        RdapClient client(server);
        client.socket.SetTimeouts(2000ms, 300ms);
        QVERIFY(client.socket.StartQuery("slow.info", 1));
        QVERIFY(client.WaitForEnd(10000));
        QVERIFY(client.verdicts.isEmpty());
        QCOMPARE(client.failures, QStringList{kConnectionRejected});
    }

    void verdictHandler_mayStartTheNextRdapQuery()
    {
        FakeRdapServer server;
        server.SetResponder([](const QByteArray& path) {
            return path.contains("free")
                       ? FakeRdapServer::Answer{404, {}, 0}
                       : FakeRdapServer::Answer{200, "{\"objectClassName\":\"domain\"}", 0};
        });
        RdapClient client(server);
        QObject::connect(
            &client.socket, &CWhoisSocket::whoisVerdict, &client.socket,
            [&](int item, DomainStatus) {
                client.socket.Reset();
                if (item < 5) {
                    client.socket.StartQuery((item % 2 ? "free" : "taken") +
                                                 QByteArray::number(item + 1) + ".info",
                                             item + 1);
                }
            },
            Qt::DirectConnection);
        QVERIFY(client.socket.StartQuery("taken0.info", 0));
        QTRY_COMPARE(client.verdicts.size(), 6);
        QCOMPARE(client.verdicts[1], qMakePair(1, DomainStatus::Taken));
        QCOMPARE(client.verdicts[2], qMakePair(2, DomainStatus::Available));
    }
};

QIRV_TEST(RdapTest);
#include "RdapTest.moc"
