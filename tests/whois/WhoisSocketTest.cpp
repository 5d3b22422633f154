#include "FakeWhoisServer.h"
#include "NoDescriptorsLeft.h"
#include "TestMain.h"
#include "WhoisClient.h"

#include <QTest>

using namespace std::chrono_literals;

namespace {

// A socket aimed at a test server.
struct Client : WhoisClient
{
    explicit Client(const QByteArray& serverAddress)
    {
        server = ParseServerAddress(serverAddress.toStdString()).value();
    }
};

const QStringList kConnectionFailed{"Winsock Error: Connection Failure!"};

} // namespace

class WhoisSocketTest : public QObject
{
    Q_OBJECT

private slots:
    void query_sendsTheNameAndOneLineFeed_andReturnsTheRowIndexUnchanged()
    {
        FakeWhoisServer server;
        server.SetScript(FakeWhoisServer::Reply("Domain Name: MiXeD.COM\r\n"));
        Client client(server.Address());
        QVERIFY(client.Ask("MiXeD.com", 41));
        QVERIFY(client.WaitForEnd());
        QCOMPARE(client.verdicts, (QList<QPair<int, DomainStatus>>{{41, DomainStatus::Taken}}));
        QTRY_COMPARE(server.Received(), QList<QByteArray>{"MiXeD.com\n"});
        QVERIFY(client.failures.isEmpty());
        QCOMPARE(client.socket.Tld(), "com");
        QCOMPARE(client.socket.Server(), QByteArray("127.0.0.1"));
    }

    void unsendableNames_areRefusedWithoutBoxOrTraffic_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("no dot") << QByteArray("localhost");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("second query line") << QByteArray("a.com\nb.com");
        // A CR at the end is trimmed like a blank; inside, it would end the query line early.
        QTest::newRow("CR") << QByteArray("a.com\rb.com");
        QTest::newRow("NUL") << QByteArray("a.c\0om", 6);
    }

    void unsendableNames_areRefusedWithoutBoxOrTraffic()
    {
        QFETCH(QByteArray, name);
        FakeWhoisServer server;
        Client client(server.Address());
        QVERIFY(!client.Ask(name, 3));
        QTest::qWait(100);
        QCOMPARE(server.ConnectionCount(), 0);
        QCOMPARE(client.failures, QStringList{"Not a domain name"});
        QCOMPARE(client.stalls, QList<int>{3});
    }

    void serverOutOfReach_showsConnectionFailure_andNoVerdict_data()
    {
        QTest::addColumn<QByteArray>("server");
        // The empty label makes the lookup fail at once, without asking any name server.
        QTest::newRow("unresolvable") << QByteArray("unresolvable..invalid:43");
        QTest::newRow("refused") << "127.0.0.1:" + QByteArray::number(ClosedLocalPort());
    }
    void serverOutOfReach_showsConnectionFailure_andNoVerdict()
    {
        QFETCH(QByteArray, server);
        Client client(server);
        QVERIFY(client.Ask("example.com", 7));
        QVERIFY(client.WaitForEnd());
        QCOMPARE(client.stalls, QList<int>{7});
        QCOMPARE(client.failures, kConnectionFailed);
    }

    // No file descriptor for a socket: this machine ran short, not the server.
    void noDescriptorLeft_isALocalShortage()
    {
        FakeWhoisServer server;
        Client client(server.Address());
        {
            const NoDescriptorsLeft shortage;
            client.Ask("example.com", 8);
        }
        QVERIFY(client.WaitForEnd());
        QCOMPARE(client.results.front().failure, QueryFailureKind::LocalShortage);
        QCOMPARE(client.failures, kConnectionFailed);
        QCOMPARE(client.results.front().detail, std::string("out of resources"));
        QTest::qWait(100);
        QCOMPARE(server.ConnectionCount(), 0);
    }

    void closeWithoutMarker_givesNoVerdictAndNoBox()
    {
        FakeWhoisServer server;
        server.SetScript(FakeWhoisServer::Reply("No such record here.\nterms of use\n"));
        Client client(server.Address());
        QVERIFY(client.Ask("example.org", 5));
        QVERIFY(client.WaitForEnd());
        QVERIFY(client.verdicts.isEmpty());
        QCOMPARE(client.stalls, QList<int>{5});
        QVERIFY(client.failures.isEmpty());
        QCOMPARE(client.socket.Reply(), "\r\nNo such record here.\r\nterms of use");
    }

    void cutLastLine_isReadWhenTheServerCloses()
    {
        FakeWhoisServer server;
        server.SetScript(FakeWhoisServer::Reply("intro\nNo match for \"X.NET\"."));
        Client client(server.Address());
        QVERIFY(client.Ask("x.net", 0));
        QVERIFY(client.WaitForEnd());
        QCOMPARE(client.verdicts, (QList<QPair<int, DomainStatus>>{{0, DomainStatus::Available}}));
    }

    void earlyVerdict_leavesLaterLinesUnread_andComesOnce()
    {
        FakeWhoisServer server;
        server.SetScript(FakeWhoisServer::Chunked(
            {"NOT FOUND\nrest of the first chunk\n", "Domain Name: X.ORG\n", "more\n"}));
        Client client(server.Address());
        QVERIFY(client.Ask("x.org", 2));
        QVERIFY(client.WaitForEnd());
        QTest::qWait(250);
        QCOMPARE(client.verdicts, (QList<QPair<int, DomainStatus>>{{2, DomainStatus::Available}}));
        QCOMPARE(client.socket.Reply(), "\r\nNOT FOUND");
        QVERIFY(client.stalls.isEmpty());
    }

    void whoisServerReferral_decidesTakenOnlyWhenItEndsWhatHasArrived_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<DomainStatus>("verdict");
        QTest::newRow("referral and marker arrive together")
            << QList<QByteArray>{"Whois Server: whois.example\nNo match for \"X.COM\".\n"}
            << DomainStatus::Available;
        QTest::newRow("marker arrives later")
            << QList<QByteArray>{"Whois Server: whois.example\n", "No match for \"X.COM\".\n"}
            << DomainStatus::Taken;
    }

    void whoisServerReferral_decidesTakenOnlyWhenItEndsWhatHasArrived()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(DomainStatus, verdict);
        FakeWhoisServer server;
        server.SetScript(FakeWhoisServer::Chunked(chunks, 150));
        Client client(server.Address());
        QVERIFY(client.Ask("x.com", 9));
        QVERIFY(client.WaitForEnd());
        QCOMPARE(client.verdicts, (QList<QPair<int, DomainStatus>>{{9, verdict}}));
    }

    void reset_dropsThePendingQuery()
    {
        FakeWhoisServer server;
        server.SetScript(FakeWhoisServer::Chunked({"", "No match for x\n"}, 200));
        Client client(server.Address());
        QVERIFY(client.Ask("x.com", 4));
        QTRY_COMPARE(server.ConnectionCount(), 1);
        client.socket.Reset();
        QTest::qWait(400);
        QVERIFY(client.verdicts.isEmpty() && client.stalls.isEmpty() && client.failures.isEmpty());
        QCOMPARE(client.socket.State(), CWhoisSocket::QueryState::Idle);
    }

    void verdictHandler_startsTheNextQueryOnTheSameSocket_manyTimesInARow()
    {
        // The handler resets the socket and starts the next query from inside the verdict,
        // while the socket that delivered it is still on the stack.
        FakeWhoisServer server;
        server.SetResponder([](const QByteArray& query) {
            return FakeWhoisServer::Reply(query.startsWith("free") ? "No match for x\nmore\n"
                                                                   : "Domain Name: X\nmore\n");
        });
        CWhoisSocket socket;
        const ServerAddress address = ParseServerAddress(server.Address().toStdString()).value();
        constexpr int kQueries = 150;
        QList<QPair<int, DomainStatus>> verdicts;
        int failures = 0;
        QObject::connect(
            &socket, &CWhoisSocket::finished, &socket,
            [&](const QueryResult& result) {
                const int item = result.item;
                failures += result.verdict ? 0 : 1;
                verdicts.append({item, result.verdict.value_or(DomainStatus::InformationMissing)});
                socket.Reset();
                if (item + 1 < kQueries) {
                    const QByteArray name =
                        (item % 3 ? "taken" : "free") + QByteArray::number(item + 1);
                    QVERIFY(socket.StartQuery(name + ".com", item + 1, address));
                }
            },
            Qt::DirectConnection);
        QVERIFY(socket.StartQuery("free0.com", 0, address));
        QTRY_COMPARE_WITH_TIMEOUT(verdicts.size(), kQueries, 20000);
        for (int item = 0; item < kQueries; ++item) {
            QCOMPARE(verdicts[item].first, item);
            const bool free = item == 0 || (item - 1) % 3 == 0;
            QCOMPARE(verdicts[item].second, free ? DomainStatus::Available : DomainStatus::Taken);
        }
        QCOMPARE(failures, 0);
        QTRY_COMPARE(server.OpenConnections(), 0);
    }

    void failureHandler_mayStartTheNextQuery()
    {
        FakeWhoisServer server;
        server.SetScript(FakeWhoisServer::Reply("Domain Name: X\n"));
        Client client("127.0.0.1:" + QByteArray::number(ClosedLocalPort()));
        QObject::connect(&client.socket, &CWhoisSocket::finished, &client.socket,
                         [&](const QueryResult& result) {
                             if (!result.verdict) {
                                 client.server =
                                     ParseServerAddress(server.Address().toStdString()).value();
                                 client.Ask("next.com", 2);
                             }
                         });
        QVERIFY(client.Ask("first.com", 1));
        QTRY_COMPARE(client.verdicts.size(), 1);
        QCOMPARE(client.verdicts[0].first, 2);
        QCOMPARE(client.failures, kConnectionFailed);
    }
};

QIRV_TEST(WhoisSocketTest);
#include "WhoisSocketTest.moc"
