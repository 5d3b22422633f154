#include "FakeRdapServer.h"
#include "FakeWhoisServer.h"
#include "NoDescriptorsLeft.h"
#include "RdapClient.h"
#include "TestMain.h"

#include <QDateTime>
#include <QLocale>
#include <QTest>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(FakeRdapServer::Answer)

namespace {
const QString kNoVerdict = QStringLiteral("no verdict");
} // namespace

// Suffixes without a port-43 service are asked over RDAP, with one result per query as whois gives
// it and the same bounded waits.
class RdapTest : public QObject
{
    Q_OBJECT

private slots:
    // Each row: the answers the server gives in turn (the last one again and again), what the
    // query comes to, the paths asked, and how long a refusal asked to wait (-1: it did not say).
    void answers_data()
    {
        using Answer = FakeRdapServer::Answer;
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QList<QByteArray>>("paths");
        QTest::addColumn<int>("retryAfterSeconds");
        const QList<QByteArray> once{"/rdap/domain/google.info"};
        const QString noVerdict = kNoVerdict;
        const QString rejected = "Winsock Error: Connection rejected!";
        const auto row = [&](const char* title, const QList<Answer>& answers, const QString& result,
                             const QList<QByteArray>& paths = {}, int retryAfterSeconds = -1,
                             const QByteArray& name = "google.info") {
            QTest::newRow(title) << name << answers << result << (paths.isEmpty() ? once : paths)
                                 << retryAfterSeconds;
        };
        const Answer rdap404{404, {}, 0, "application/rdap+json; charset=utf-8"};
        const Answer json404{404, R"({"errorCode": 404})", 0, "application/json"};
        row("404 typed as RDAP", {rdap404}, "Available!");
        row("404 with an RDAP errorCode", {json404}, "Available!");
        row("404 in JSON, another errorCode",
            {{404, R"({"errorCode":400})", 0, "application/json"}}, noVerdict);
        row("404 of a web server", {{404, "<html>Not Found</html>", 0, "text/html"}}, noVerdict);
        row("200 of the name asked, case and final dot aside",
            {{200, R"({"objectClassName":"domain","ldhName":"Google.INFO."})"}}, "Taken");
        row("200 of another name",
            {{200, R"({"objectClassName":"domain","ldhName":"google.com"})"}}, noVerdict);
        row("200 of another object",
            {{200, R"({"objectClassName":"entity","ldhName":"google.info"})"}}, noVerdict);
        row("200 that is not JSON", {{200, "<html>hello</html>", 0, "text/html"}}, noVerdict);
        row("429 with seconds to wait", {{429, {}, 0, "text/plain", "Retry-After: 7\r\n"}},
            "Winsock Error: Query refused by 127.0.0.1: HTTP 429 Too Many Requests", {}, 7);
        const QByteArray inAMinute =
            QLocale::c()
                .toString(QDateTime::currentDateTimeUtc().addSecs(60),
                          QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"))
                .toLatin1();
        row("503 with a date to wait for",
            {{503, {}, 0, "text/plain", "Retry-After: " + inAMinute + "\r\n"}},
            "Winsock Error: Query refused by 127.0.0.1: HTTP 503 Service Unavailable", {}, 60);
        row("500", {{500}}, rejected);
        // The redirect's own body must not run into the final one.
        row("redirect on the same server",
            {{301, "moved", 0, "text/plain", "Location: /rdap/moved/google.info\r\n"}, json404},
            "Available!", {"/rdap/domain/google.info", "/rdap/moved/google.info"});
        row("redirect loop", {{302, {}, 0, "text/plain", "Location: /rdap/domain/google.info\r\n"}},
            rejected, QList<QByteArray>(6, once.front()));
        row("redirect to another server, then 404",
            {{307, {}, 0, "text/plain", "Location: {other}domain/google.info\r\n"}}, noVerdict);
        // (A "/", "?" or "#" never gets this far: such a name is refused before any query.)
        row("a name is one path segment", {rdap404}, "Available!",
            {"/rdap/domain/x%252Fm%3By%3Dz.info"}, -1, "x%2Fm;y=z.info");
        // Stopped early: a loopback connection holds a few megabytes in its buffers, a client that
        // buffers without bound takes the server's whole burst of 64 MiB.
        row("endless body", {{200, "{", 0, "application/rdap+json", {}, Answer::Ending::Endless}},
            rejected);
        // Refused at once, not after the reply timeout.
        row("declared body over the limit",
            {{404, "{}", 0, "application/rdap+json", "Content-Length: 104857600\r\n",
              Answer::Ending::Hold}},
            rejected);
        // Header lines count against the same bound, read in pieces as they come.
        row("endless headers", {{200, {}, 0, {}, {}, Answer::Ending::EndlessHeaders}}, rejected);
        // A reset or close ends the query when it comes, and a reply cut short is no answer.
        row("reset before the reply", {{404, {}, 0, {}, {}, Answer::Ending::Reset, ""}}, rejected);
        row("reset in the headers",
            {{404, {}, 0, {}, {}, Answer::Ending::Reset, "HTTP/1.1 404 Not Found\r\nContent-Ty"}},
            rejected);
        row("reset in a body that the close would end",
            {{404, R"({"errorCode":)", 0, "application/rdap+json", {}, Answer::Ending::Reset}},
            rejected);
        row("close in a sized body",
            {{404,
              {},
              0,
              {},
              {},
              Answer::Ending::Close,
              "HTTP/1.1 404 Not Found\r\nContent-Type: application/rdap+json\r\n"
              "Content-Length: 100\r\n\r\n{"}},
            rejected);
        row("bytes that are not HTTP, then a close",
            {{404, {}, 0, {}, {}, Answer::Ending::Close, QByteArray(300, '\x93') + "\r\n\r\n"}},
            rejected);
        // Chunked, with an extension and a trailer; a chunk cut short is no answer.
        row("chunked body",
            {{404,
              {},
              0,
              {},
              {},
              Answer::Ending::Close,
              "HTTP/1.1 404 Not Found\r\nContent-Type: application/rdap+json\r\n"
              "Transfer-Encoding: chunked\r\n\r\n3;x=y\r\n{\"e\r\nf\r\nrrorCode\":404}\r\n"
              "0\r\nX-Trailer: 1\r\n\r\n"}},
            "Available!");
        row("chunk cut short",
            {{200,
              {},
              0,
              {},
              {},
              Answer::Ending::Close,
              "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n40\r\n{}"}},
            rejected);
    }

    void answers()
    {
        QFETCH(QByteArray, name);
        QFETCH(QList<FakeRdapServer::Answer>, answers);
        QFETCH(QString, result);
        QFETCH(QList<QByteArray>, paths);
        QFETCH(int, retryAfterSeconds);
        FakeRdapServer server;
        FakeRdapServer other;
        other.SetResponder([](const QByteArray&) { return FakeRdapServer::Answer{}; });
        server.SetResponder([&, turn = 0](const QByteArray&) mutable {
            FakeRdapServer::Answer answer =
                answers.value(std::min<qsizetype>(turn++, answers.size() - 1));
            answer.headers.replace("{other}", other.BaseUrl().toLatin1());
            return answer;
        });
        RdapClient client(server.BaseUrl());
        client.Ask(name, 12);
        QVERIFY(client.WaitForEnd(10000));
        QCOMPARE(client.results.size(), 1);
        QCOMPARE(client.results.front().item, 12);
        QCOMPARE(client.Outcome(kNoVerdict), result);
        QCOMPARE(client.results.front().failure == QueryFailureKind::NoVerdict,
                 result == kNoVerdict);
        QCOMPARE(server.paths, paths);
        QCOMPARE(server.acceptHeaders.front(), QByteArray("application/rdap+json"));
        const qint64 waitMilliseconds = client.results.front().retryAfter.value_or(-1s).count();
        QVERIFY(qAbs(waitMilliseconds - retryAfterSeconds * 1000) < 3000);
        QVERIFY(server.bytesWritten < 16 * 1024 * 1024);
        // An ended query has closed its connection: the server sees the end at once.
        QTRY_COMPARE_WITH_TIMEOUT(server.openConnections + other.openConnections, 0, 1000);
    }

    void slowServer_isRejectedAfterTheReplyTimeout()
    {
        FakeRdapServer server;
        server.SetResponder([](const QByteArray&) {
            return FakeRdapServer::Answer{404, {}, 3000};
        });
        RdapClient client(server.BaseUrl());
        client.query.SetTimeouts(10s, 300ms);
        client.Ask("slow.info", 1);
        QVERIFY(client.WaitForEnd(10000));
        QVERIFY(client.verdicts.isEmpty());
        QCOMPARE(client.failures, QStringList{"Winsock Error: Connection rejected!"});
    }

    // A server that neither accepts nor refuses cannot be reached: after the connect timeout,
    // not the reply timeout, and as a connection failure, which the search counts towards "down".
    void unopenedConnection_cannotBeReached()
    {
        const UnopenedPort port;
        RdapClient client(QStringLiteral("http://127.0.0.1:%1/rdap/").arg(port.Port()));
        client.query.SetTimeouts(300ms, 5s);
        client.Ask("a.info", 2);
        QVERIFY(client.WaitForEnd(3000));
        QCOMPARE(client.failures, QStringList{"Winsock Error: Connection Failure!"});
        QCOMPARE(client.results.front().failure, QueryFailureKind::NoConnection);
        QCOMPARE(client.results.front().detail, std::string("no connection within 0.3 s"));
    }

    // No file descriptor for a socket: this machine ran short, not the server.
    void noDescriptorLeft_isALocalShortage()
    {
        FakeRdapServer server;
        RdapClient client(server.BaseUrl());
        {
            const NoDescriptorsLeft shortage;
            client.Ask("a.info", 3);
        }
        QVERIFY(client.WaitForEnd());
        QCOMPARE(client.results.front().failure, QueryFailureKind::LocalShortage);
        QCOMPARE(client.results.front().detail, std::string("out of resources"));
        QCOMPARE(server.paths.size(), 0);
    }

    void verdictHandler_mayStartTheNextRdapQuery()
    {
        FakeRdapServer server;
        server.SetResponder([](const QByteArray& path) {
            return path.contains("free")
                       ? FakeRdapServer::Answer{404, {}, 0}
                       : FakeRdapServer::Answer{200, R"({"objectClassName":"domain","ldhName":")" +
                                                         path.split('/').back() + R"("})"};
        });
        RdapClient client(server.BaseUrl());
        QObject::connect(
            &client.query, &CRdapQuery::finished, &client.query,
            [&](const QueryResult& result) {
                client.query.Reset();
                if (result.item < 5) {
                    client.Ask((result.item % 2 ? "free" : "taken") +
                                   QByteArray::number(result.item + 1) + ".info",
                               result.item + 1);
                }
            },
            Qt::DirectConnection);
        client.Ask("taken0.info", 0);
        QTRY_COMPARE(client.verdicts.size(), 6);
        QCOMPARE(client.verdicts[1], qMakePair(1, DomainStatus::Taken));
        QCOMPARE(client.verdicts[2], qMakePair(2, DomainStatus::Available));
    }
};

QIRV_TEST(RdapTest);
#include "RdapTest.moc"
