#include "whois/core/ReplyReadingLoop.h"

#include "ReplyFiles.h"
#include "TestMain.h"
#include "query/core/QueryResult.h"
#include "text/Utf8Text.h"

#include <QRandomGenerator>
#include <QTest>
#include <QUrl>
#include <cstring>
#include <deque>

namespace {

// Bytes as a socket would hold them: each pushed chunk is what one notification finds waiting,
// and one Receive hands over at most the reader's buffer size of it.
class ChunkSource : public ReplyByteSource
{
public:
    void Push(const QByteArray& chunk) { m_waiting += chunk; }

    std::size_t Receive(char* buffer, std::size_t capacity) override
    {
        const auto count =
            std::min<std::size_t>(capacity, static_cast<std::size_t>(m_waiting.size()));
        std::memcpy(buffer, m_waiting.constData(), count);
        m_waiting.remove(0, static_cast<qsizetype>(count));
        ++receiveCalls;
        return count;
    }

    bool HasBytesWaiting() const override { return !m_waiting.isEmpty(); }

    int receiveCalls = 0;

private:
    QByteArray m_waiting;
};

using Outcome = ReplyReadingLoop::Outcome;

QByteArray Describe(ReplyReadingLoop::Result result)
{
    switch (result.outcome) {
    case Outcome::Verdict: {
        const std::string_view text = StatusText(result.status);
        return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
    }
    case Outcome::WaitingForData:
        return "Waiting";
    case Outcome::NoVerdict:
        return result.words == kNoVerdictInReply
                   ? QByteArray("No verdict")
                   : "No verdict: " + QByteArray::fromStdString(result.words);
    case Outcome::ReplyTooLarge:
        return "Too large";
    case Outcome::Refused:
        return "Refused: " + QByteArray::fromStdString(result.words);
    }
    return {};
}

// Feeds the chunks one notification each, then ends the stream; stops at the first verdict.
QByteArray Feed(ReplyReadingLoop& loop, const QList<QByteArray>& chunks)
{
    ChunkSource source;
    for (const QByteArray& chunk : chunks) {
        source.Push(chunk);
        const auto result = loop.ReceiveAll(source, false);
        if (result.outcome != Outcome::WaitingForData) {
            return Describe(result);
        }
    }
    return Describe(loop.ReceiveAll(source, true));
}

QByteArray Feed(const char* tld, const QList<QByteArray>& chunks)
{
    ReplyReadingLoop loop;
    loop.Start(AskedName("x." + std::string(tld)));
    return Feed(loop, chunks);
}

QByteArray ReplyOf(ReplyReadingLoop& loop)
{
    return QByteArray::fromStdString(loop.Reply());
}

} // namespace

class ReplyReadingLoopTest : public QObject
{
    Q_OBJECT

private slots:
    void lineEnds_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("LF") << QList<QByteArray>{"a\nb\n"} << QByteArray("\r\na\r\nb");
        QTest::newRow("CR LF") << QList<QByteArray>{"a\r\nb\r\n"} << QByteArray("\r\na\r\nb");
        QTest::newRow("CR eats the byte after it")
            << QList<QByteArray>{"a\rXb\n"} << QByteArray("\r\na\r\nb");
        QTest::newRow("CR CR") << QList<QByteArray>{"a\r\rb\n"} << QByteArray("\r\na\r\nb");
        QTest::newRow("empty lines") << QList<QByteArray>{"\n\n"} << QByteArray("\r\n\r\n");
        QTest::newRow("last line cut by the close")
            << QList<QByteArray>{"a\nbc"} << QByteArray("\r\na\r\nbc");
        QTest::newRow("CR last before the close")
            << QList<QByteArray>{"a\r"} << QByteArray("\r\na");
        QTest::newRow("nothing") << QList<QByteArray>{""} << QByteArray("");
        QTest::newRow("line split over chunks")
            << QList<QByteArray>{"ab", "c\nd", "e\n"} << QByteArray("\r\nabc\r\nde");
        QTest::newRow("CR at chunk end eats the next chunk's first byte")
            << QList<QByteArray>{"a\r", "Xb\n"} << QByteArray("\r\na\r\nb");
        QTest::newRow("bytes beyond the ASCII range pass unchanged")
            << QList<QByteArray>{"\xe3\x81\x82\xff\n"} << QByteArray("\r\n\xe3\x81\x82\xff");
    }

    void lineEnds()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QByteArray, reply);
        ReplyReadingLoop loop;
        loop.Start(AskedName("x.zz"));
        QCOMPARE(Feed(loop, chunks), QByteArray("No verdict"));
        QCOMPARE(ReplyOf(loop), reply);
    }

    void verdict_comesFromFirstMarkerLine_andLeavesTheRestUnread()
    {
        ReplyReadingLoop loop;
        loop.Start(AskedName("x.com"));
        ChunkSource source;
        source.Push("intro\nNo match for \"X.COM\".\nDomain Name: X.COM\nmore\n");
        const auto result = loop.ReceiveAll(source, false);
        QCOMPARE(Describe(result), QByteArray("Available!"));
        QVERIFY(ReplyOf(loop).endsWith("\r\nNo match for \"X.COM\"."));
        QVERIFY(loop.HasUnreadBytes());
    }

    void markerCutByChunks_isFoundOnceTheLineIsWhole()
    {
        ReplyReadingLoop loop;
        loop.Start(AskedName("x.com"));
        ChunkSource source;
        source.Push("Domain Na");
        QCOMPARE(loop.ReceiveAll(source, false).outcome, Outcome::WaitingForData);
        source.Push("me: X.COM\n");
        QCOMPARE(Describe(loop.ReceiveAll(source, false)), QByteArray("Taken"));
    }

    void markerNeverSpansTwoLines()
    {
        QCOMPARE(Feed("com", {"Domain Name:\n X.COM\nNo match\n for\n"}), QByteArray("No verdict"));
    }

    void cutLastLine_countsOnlyOnceTheStreamEnds()
    {
        ReplyReadingLoop loop;
        loop.Start(AskedName("x.com"));
        ChunkSource source;
        source.Push("No match for X.COM");
        QCOMPARE(loop.ReceiveAll(source, false).outcome, Outcome::WaitingForData);
        QCOMPARE(Describe(loop.ReceiveAll(source, true)), QByteArray("Available!"));
    }

    void whoisServer_decidesTakenOnlyWhenEveryByteIsConsumedBeforeTheMarker_data()
    {
        QTest::addColumn<QByteArray>("tld");
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QByteArray>("verdict");
        QTest::newRow("one chunk: the marker decides")
            << QByteArray("com") << QList<QByteArray>{"Whois Server: w\nNo match for x\n"}
            << QByteArray("Available!");
        QTest::newRow("split after the referral line")
            << QByteArray("com") << QList<QByteArray>{"Whois Server: w\n", "No match for x\n"}
            << QByteArray("Taken");
        QTest::newRow("split inside the referral line")
            << QByteArray("com") << QList<QByteArray>{"Whois Ser", "ver: w\nNo match for x\n"}
            << QByteArray("Available!");
        QTest::newRow("biz without a marker")
            << QByteArray("biz") << QList<QByteArray>{"Registrar: X\n"} << QByteArray("No verdict");
        QTest::newRow("biz with a referral")
            << QByteArray("biz") << QList<QByteArray>{"Whois Server: w\nRegistrar: X\n"}
            << QByteArray("Taken");
        QTest::newRow("other suffix with a referral")
            << QByteArray("de") << QList<QByteArray>{"Whois Server: w\n"} << QByteArray("Taken");
        QTest::newRow("referral needs its blank")
            << QByteArray("de") << QList<QByteArray>{"Whois Server:w\n"}
            << QByteArray("No verdict");
        QTest::newRow("referral is case-sensitive")
            << QByteArray("de") << QList<QByteArray>{"whois server: w\n"}
            << QByteArray("No verdict");
    }

    void whoisServer_decidesTakenOnlyWhenEveryByteIsConsumedBeforeTheMarker()
    {
        QFETCH(QByteArray, tld);
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QByteArray, verdict);
        QCOMPARE(Feed(tld.constData(), chunks), verdict);
    }

    void whoisServer_atTheBufferBoundaryOfOneRead_decidesTaken()
    {
        // One notification finds everything waiting, but the reader takes it 4096 bytes at a time:
        // when the referral line ends exactly at the end of a refill, every byte read so far has
        // been consumed and the referral decides.
        const QByteArray referral = "Whois Server: w\n";
        const QByteArray marker = "No match for x\n";
        const auto padded = [&](qsizetype referralEnd) {
            const qsizetype fill = referralEnd - referral.size() - 1;
            return QByteArray(fill, 'p') + '\n' + referral + marker;
        };
        QCOMPARE(Feed("com", {padded(4096)}), QByteArray("Taken"));
        QCOMPARE(Feed("com", {padded(4097)}), QByteArray("Available!"));
        QCOMPARE(Feed("com", {padded(4095)}), QByteArray("Available!"));
    }

    void refill_readsAtMostTheBufferSize()
    {
        ReplyReadingLoop loop;
        loop.Start(AskedName("x.zz"));
        ChunkSource source;
        source.Push(QByteArray(10000, 'a'));
        loop.ReceiveAll(source, false);
        QCOMPARE(source.receiveCalls, 4); // 4096 + 4096 + 1808, then one that finds nothing
    }

    void reply_pastTheSizeBound_endsWithoutVerdict()
    {
        const auto bound = static_cast<qsizetype>(QueryLimits::kMaxReplyBytes);
        QCOMPARE(Feed("com", {QByteArray(bound, 'a')}), QByteArray("No verdict"));
        QCOMPARE(Feed("com", {QByteArray(bound, 'a'), "a"}), QByteArray("Too large"));
        QByteArray lines;
        while (lines.size() <= bound) {
            lines += "a line without any marker\n";
        }
        QCOMPARE(Feed("com", {lines + "No match for x\n"}), QByteArray("Too large"));
    }

    void refusal_comesBeforeAnyMarker_andGivesNoVerdict()
    {
        QCOMPARE(
            Feed("org", {"WHOIS LIMIT EXCEEDED - SEE WWW.PIR.ORG/WHOIS FOR DETAILS\nNOT FOUND\n"}),
            QByteArray("Refused: WHOIS LIMIT EXCEEDED - SEE WWW.PIR.ORG/WHOIS FOR DETAILS"));
        QCOMPARE(Feed("info", {"TLD is not supported.\n"}),
                 QByteArray("Refused: TLD is not supported."));
        // Terms that mention limits in passing are not refusals.
        QCOMPARE(
            Feed("org",
                 {"Terms: queries are limited; WHOIS LIMIT EXCEEDED may be shown\nNOT FOUND\n"}),
            QByteArray("Available!"));
    }

    // A refusal line is shown in a box and printed on terminals: the server's bytes may neither
    // steer the terminal nor make a box of a megabyte.
    void refusalLine_isMadePrintable_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("clipboard write, title, clear screen")
            << QByteArray("\x1b]52;c;ZXZpbA==\x07\x1b]0;t\x07\x1b[2J\x9b"
                          "2J")
            << QByteArray("]52;c;ZXZpbA==]0;t[2J?2J");
        QTest::newRow("C1 control, tab, DEL, text kept") << QByteArray("a\xc2\x9b"
                                                                       "2J\tb\x7f\xc3\xa9")
                                                         << QByteArray("a2J b\xc3\xa9");
        QTest::newRow("cut at 200 characters, not bytes")
            << QByteArray(300, 'x') + "\xc3\xa9" << QByteArray(200, 'x') + "...";
        QTest::newRow("a megabyte") << QByteArray(1 << 20, '\xe9') << QByteArray(200, '?') + "...";
    }

    void refusalLine_isMadePrintable()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, shown);
        const std::string_view bytes(line.constData(), static_cast<std::size_t>(line.size()));
        QCOMPARE(QByteArray::fromStdString(PrintableServerText(bytes)), shown);
        QCOMPARE(Feed("org", {"WHOIS LIMIT EXCEEDED \x1b[2J\n"}),
                 QByteArray("Refused: WHOIS LIMIT EXCEEDED [2J"));
    }

    void start_forgetsTheEarlierReply()
    {
        ReplyReadingLoop loop;
        loop.Start(AskedName("x.com"));
        ChunkSource source;
        source.Push("No match for a\nleft over\nand a cut li");
        QCOMPARE(Describe(loop.ReceiveAll(source, false)), QByteArray("Available!"));
        loop.Start(AskedName("x.org"));
        QVERIFY(!loop.HasUnreadBytes());
        QVERIFY(loop.Reply().empty());
        QCOMPARE(Feed(loop, {"ne\nNOT FOUND\n"}), QByteArray("Available!"));
        QCOMPARE(ReplyOf(loop), QByteArray("\r\nne\r\nNOT FOUND"));
    }

    void recordedReplies_giveTheirVerdictHoweverTheyAreSplit()
    {
        // None of the recorded replies has a referral line before its first marker, so chunking
        // must not change their verdicts.
        QRandomGenerator random(20261208);
        for (const RecordedReply& reply : RecordedReplies()) {
            const QByteArray expected = ExpectedResult(reply);
            const AskedName name(reply.name.toStdString(),
                                 QUrl::fromAce(reply.name.toUtf8()).toStdString());
            const std::string_view bytes(reply.bytes.constData(),
                                         static_cast<std::size_t>(reply.bytes.size()));
            QVERIFY2(Describe(ClassifyWholeReply(name, bytes)) == expected, qPrintable(reply.file));
            for (int round = 0; round < 20; ++round) {
                QList<QByteArray> chunks;
                for (qsizetype at = 0; at < reply.bytes.size();) {
                    const qsizetype size = 1 + random.bounded(round % 2 ? 8 : 600);
                    chunks.append(reply.bytes.mid(at, size));
                    at += size;
                }
                ReplyReadingLoop loop;
                loop.Start(name);
                QVERIFY2(Feed(loop, chunks) == expected, qPrintable(reply.file));
            }
        }
    }
};

QIRV_TEST(ReplyReadingLoopTest);
#include "ReplyReadingLoopTest.moc"
