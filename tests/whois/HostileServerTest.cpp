#include "FakeWhoisServer.h"
#include "TestMain.h"
#include "WhoisClient.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

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
};

QIRV_TEST(HostileServerTest);
#include "HostileServerTest.moc"
