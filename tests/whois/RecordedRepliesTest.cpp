#include "FakeWhoisServer.h"
#include "ReplyFiles.h"
#include "TestMain.h"
#include "WhoisClient.h"
#include "whois/core/ClassifyReply.h"

#include <QTest>

// The recorded replies of real registries against the markers and refusals: every marker is
// proved by a reply, matches no reply of the opposite kind, and every reply gets its true verdict
// through the socket.
class RecordedRepliesTest : public QObject
{
    Q_OBJECT

private slots:
    void everyMarker_isProvedByItsReply_andMatchesNoReplyOfTheOtherKind()
    {
        const QList<RecordedReply> replies = RecordedReplies();
        for (const ReplyRule& rule : ReplyRules()) {
            for (const ReplyMarker& marker : rule.markers) {
                const QString proof = QString::fromUtf8(
                    marker.proof.data(), static_cast<qsizetype>(marker.proof.size()));
                const QByteArray text(marker.text.data(),
                                      static_cast<qsizetype>(marker.text.size()));
                if (!proof.isEmpty()) {
                    const auto proving = std::find_if(
                        replies.begin(), replies.end(),
                        [&](const RecordedReply& reply) { return reply.file == proof; });
                    QVERIFY2(proving != replies.end(), qPrintable(proof));
                    QVERIFY2(proving->bytes.contains(text), qPrintable(proof + ": " + text));
                    QCOMPARE(proving->registered, marker.status == DomainStatus::Taken);
                }
                for (const std::string_view tld : rule.tlds) {
                    for (const RecordedReply& reply : replies) {
                        const bool opposite =
                            reply.registered != (marker.status == DomainStatus::Taken);
                        if (reply.tld.toStdString() == tld && opposite) {
                            QVERIFY2(!reply.bytes.contains(text),
                                     qPrintable(reply.file + ": " + text));
                        }
                    }
                }
            }
        }
    }

    void refusals_matchOnlyTheRefusingReply()
    {
        for (const RecordedReply& reply : RecordedReplies()) {
            int refusals = 0;
            for (const QByteArray& line : reply.bytes.split('\n')) {
                refusals += IsRefusalLine(line.trimmed().toStdString()) ? 1 : 0;
            }
            QCOMPARE(refusals, reply.file.contains("tld-not-supported") ? 1 : 0);
        }
    }

    void everyReply_getsItsTrueVerdictThroughTheSocket()
    {
        FakeWhoisServer server;
        int failures = 0;
        for (const RecordedReply& reply : RecordedReplies()) {
            server.SetScript(FakeWhoisServer::Reply(reply.bytes));
            WhoisClient client;
            client.server = ServerAddress{"127.0.0.1", server.Port()};
            QVERIFY(client.Ask(("example." + reply.tld).toUtf8(), 0));
            QVERIFY(client.WaitForEnd());
            const QString got = client.Outcome(QStringLiteral("No verdict"));
            const QByteArray expected = ExpectedResult(reply);
            qInfo("%-5s %-70s %-11s %s", qPrintable(reply.tld), qPrintable(reply.file),
                  expected.constData(), qPrintable(got));
            const bool refused = expected.startsWith("Refused: ") && got.contains("Query refused");
            if (got != expected && !refused) {
                ++failures;
                qWarning("wrong verdict for %s", qPrintable(reply.file));
            }
        }
        QCOMPARE(failures, 0);
    }
};

QIRV_TEST(RecordedRepliesTest);
#include "RecordedRepliesTest.moc"
