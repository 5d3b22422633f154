#include "FakeWhoisServer.h"
#include "TestMain.h"
#include "WhoisClient.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

using Script = FakeWhoisServer::Script;

Script Bytes(QList<QByteArray> chunks, int delay, bool close = true)
{
    Script script = FakeWhoisServer::Chunked(chunks, delay);
    script.closeWhenDone = close;
    return script;
}

// Watches the event loop with a timer that should fire every few milliseconds.
class LoopWatch
{
public:
    LoopWatch()
    {
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { m_longest = std::max(m_longest, m_since.restart()); });
        m_since.start();
        m_timer.start();
    }
    qint64 Longest() const { return m_longest; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
};

// A whois server on a thread of its own, as a remote one is, so that its closes and resets race
// the client's reads. Every other connection is answered in order; the others get `bytes`, then a
// reset or a close. It serves `connections` connections at most, and stops with the test.
class RacingServer
{
public:
    RacingServer(QByteArray bytes, bool reset, int connections)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        if (m_listener < 0 ||
            ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_listener, 16) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            qFatal("RacingServer: cannot listen");
        }
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this, bytes, reset, connections] {
            for (int served = 0; served < connections && !m_stop; ++served) {
                pollfd waiting{m_listener, POLLIN, 0};
                if (::poll(&waiting, 1, 200) <= 0) {
                    --served;
                    continue;
                }
                const int connection = ::accept(m_listener, nullptr, nullptr);
                if (connection >= 0) {
                    Serve(connection, served % 2 == 0 ? QByteArray("No match for x\n") : bytes,
                          reset && served % 2 == 1);
                }
            }
        });
    }

    ~RacingServer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listener);
    }

    RacingServer(const RacingServer&) = delete;
    RacingServer& operator=(const RacingServer&) = delete;

    quint16 Port() const { return m_port; }

private:
    static void Serve(int connection, const QByteArray& bytes, bool reset)
    {
        const timeval wait{2, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        char byte = 0;
        while (::recv(connection, &byte, 1, 0) == 1 && byte != '\n') {
        }
        ::send(connection, bytes.constData(), static_cast<std::size_t>(bytes.size()), MSG_NOSIGNAL);
        if (reset) {
            const linger zero{1, 0};
            ::setsockopt(connection, SOL_SOCKET, SO_LINGER, &zero, sizeof zero);
        }
        ::close(connection);
    }

    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace

// Whatever a server does, the query ends within its bounds with the message due, memory stays
// bounded, the event loop keeps turning, and the same socket object asks the next name.
class HostileServerTest : public QObject
{
    Q_OBJECT

private slots:
    void hostileServers_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("outcome"); // a verdict, a box text, or "nothing"
        const QByteArray block(64 * 1024, 'x');
        QTest::newRow("accepts and never sends") << FakeWhoisServer::Silent() << QByteArray("a.com")
                                                 << "Winsock Error: Connection rejected!";
        QTest::newRow("one byte at a time, forever")
            << Bytes(QList<QByteArray>(1000, "y"), 100, false) << QByteArray("a.com")
            << "Winsock Error: Connection rejected!";
        QTest::newRow("100 MB without a line feed")
            << Bytes(QList<QByteArray>(1600, block), 0) << QByteArray("a.com")
            << "Winsock Error: Connection rejected!";
        QTest::newRow("NUL bytes, invalid UTF-8 and lone CRs")
            << FakeWhoisServer::Reply(QByteArray("\0\xff\xfe\xc3\r\rNo match for x\n", 19))
            << QByteArray("a.com") << "Available!";
        Script reset = Bytes({"Domain Na"}, 0);
        reset.resetWhenDone = true;
        QTest::newRow("reset in the middle of a line")
            << reset << QByteArray("a.com") << "Winsock Error: Connection rejected!";
        Script closes = Bytes({}, 0);
        closes.waitForQueryLine = false;
        QTest::newRow("closes at once") << closes << QByteArray("a.com") << "nothing";
        QList<QByteArray> bytes;
        for (const char c : QByteArray("intro\r\nDomain Name: A.COM\r\n")) {
            bytes.append(QByteArray(1, c));
        }
        QTest::newRow("one-byte chunks") << Bytes(bytes, 1) << QByteArray("a.com") << "Taken";
        QTest::newRow("answers after the client gave up")
            << Bytes({"", "No match for x\n"}, 700) << QByteArray("a.com")
            << "Winsock Error: Connection rejected!";
        QTest::newRow("refuses to answer")
            << FakeWhoisServer::Reply("WHOIS LIMIT EXCEEDED - SEE WWW.PIR.ORG/WHOIS\nNOT FOUND\n")
            << QByteArray("a.org")
            << "Winsock Error: Query refused by 127.0.0.1: WHOIS LIMIT EXCEEDED - SEE "
               "WWW.PIR.ORG/WHOIS";
    }

    void hostileServers()
    {
        QFETCH(Script, script);
        QFETCH(QByteArray, name);
        QFETCH(QString, outcome);
        FakeWhoisServer hostile;
        hostile.SetScript(script);
        WhoisClient client;
        CWhoisSocket& socket = client.socket;
        socket.SetTimeouts(2000ms, 400ms);
        client.server = ServerAddress{"127.0.0.1", hostile.Port()};

        const LoopWatch watch;
        QVERIFY(client.Ask(name, 1));
        QVERIFY(client.WaitForEnd());
        QTest::qWait(800); // whatever the server still sends must change nothing
        QCOMPARE(client.Outcome(), outcome);
        QVERIFY(client.verdicts.size() + client.failures.size() <= 1);
        QVERIFY(socket.Reply().size() <= 2 * QueryLimits::kMaxReplyBytes);
        QTRY_COMPARE(hostile.OpenConnections(), 0);
        // No wait inside the query ever holds the window: a freeze would last seconds.
        QVERIFY2(watch.Longest() < 500, qPrintable(QString::number(watch.Longest())));

        FakeWhoisServer good;
        good.SetScript(FakeWhoisServer::Reply("No match for b\n"));
        client.server = ServerAddress{"127.0.0.1", good.Port()};
        client.verdicts.clear();
        QVERIFY(client.Ask("b.com", 2));
        QTRY_COMPARE(client.verdicts,
                     (QList<QPair<int, DomainStatus>>{{2, DomainStatus::Available}}));
    }

    // A reset or a close ends the query as soon as the kernel reports it, even when it comes
    // while the reply is being read: many queries in a row, the next started from the event loop
    // as a search starts it, none of them waiting for the reply timeout.
    void resetsAndClosesRacingTheReads_endTheQuery_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("reset");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("a piece of a line, then a reset")
            << QByteArray("Domain Na") << true << "Winsock Error: Connection rejected!";
        QTest::newRow("300 bytes, then a close") << QByteArray(300, '#') << false << "nothing";
    }

    void resetsAndClosesRacingTheReads_endTheQuery()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, reset);
        QFETCH(QString, outcome);
        constexpr int kQueries = 600;
        RacingServer server(bytes, reset, kQueries);
        WhoisClient client;
        client.server = ServerAddress{"127.0.0.1", server.Port()};
        client.socket.SetTimeouts(2000ms, 1000ms);
        QEventLoop loop;
        QObject::connect(&client.socket, &CWhoisSocket::finished, &loop, [&](const QueryResult&) {
            const auto next = static_cast<int>(client.results.size());
            if (next == kQueries) {
                loop.quit();
                return;
            }
            QTimer::singleShot(0, &loop, [&client, next] {
                client.Ask("n" + QByteArray::number(next) + ".com", next);
            });
        });
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        QVERIFY(client.Ask("n0.com", 0));
        loop.exec();
        QCOMPARE(client.results.size(), kQueries);
        int waited = 0;
        for (const QueryResult& result : std::as_const(client.results)) {
            waited += result.detail.find("no reply within") != std::string::npos ? 1 : 0;
            if (result.item % 2 == 1) {
                QCOMPARE(result.verdict.has_value(), false);
                QCOMPARE(result.failure == QueryFailureKind::NoVerdict, outcome == "nothing");
                QCOMPARE(QString::fromStdString(result.reason),
                         outcome == "nothing" ? QString::fromUtf8(kNoVerdictInReply) : outcome);
            }
        }
        QCOMPARE(waited, 0);
    }
};

QIRV_TEST(HostileServerTest);
#include "HostileServerTest.moc"
