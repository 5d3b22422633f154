#include "ReplyFiles.h"
#include "TestMain.h"
#include "registry/core/ServerRoutes.h"
#include "whois/core/ClassifyReply.h"
#include "whois/core/GeneralReading.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

QByteArray Bytes(std::string_view text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

QString RegistryOf(const RecordedReply& reply)
{
    return QString::fromStdString(
        std::string(RegistryWhoisServer(reply.name.toStdString()).value_or("")));
}

// The reply's lines in lower case, every run of blanks one blank: as the general reading compares.
QList<QByteArray> FoldedLines(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    static const QRegularExpression blanks(QStringLiteral("[ \\t]+"));
    for (const QByteArray& line : bytes.toLower().split('\n')) {
        lines.append(QString::fromUtf8(line).replace(blanks, QStringLiteral(" ")).toUtf8());
    }
    return lines;
}

} // namespace

// The recorded replies of real registries (tests/data) against the reading's wording: every marker
// is proved by a reply of its servers and matches no reply of the opposite kind there; every
// phrase of the general reading is used by two registries and by no registered reply. That every
// reply gets its true verdict through the socket is shown by qirv-cli's test.
class RecordedRepliesTest : public QObject
{
    Q_OBJECT

private slots:
    void everyMarker_isProvedByItsReply_andMatchesNoReplyOfTheOtherKind()
    {
        const QList<RecordedReply> replies = RecordedReplies();
        for (const ReplyRule& rule : ReplyRules()) {
            QSet<QString> servers;
            for (std::string_view server : rule.servers) {
                servers.insert(QString::fromUtf8(Bytes(server)));
            }
            for (const ReplyMarker& marker : rule.markers) {
                const QString proof = QString::fromUtf8(Bytes(marker.proof));
                const QByteArray text = Bytes(marker.text);
                const auto proving =
                    std::find_if(replies.begin(), replies.end(),
                                 [&](const RecordedReply& reply) { return reply.file == proof; });
                QVERIFY2(proving != replies.end(), qPrintable(proof));
                QVERIFY2(proving->bytes.contains(text), qPrintable(proof + ": " + text));
                QCOMPARE(proving->registered, marker.status == DomainStatus::Taken);
                QVERIFY2(servers.contains(RegistryOf(*proving)), qPrintable(proof));
                for (const RecordedReply& reply : replies) {
                    const bool opposite =
                        reply.registered != (marker.status == DomainStatus::Taken);
                    if (opposite && servers.contains(RegistryOf(reply))) {
                        QVERIFY2(!reply.bytes.contains(text), qPrintable(reply.file + ": " + text));
                    }
                }
            }
        }
    }

    void generalPhrases_areUsedByTwoRegistries_andByNoRegisteredReply_data()
    {
        QTest::addColumn<QByteArray>("phrase");
        QTest::addColumn<bool>("onlyWithTheName");
        QTest::addColumn<bool>("notFound");
        for (std::string_view phrase : NotFoundPhrases()) {
            QTest::newRow(phrase.data()) << Bytes(phrase) << false << true;
        }
        for (std::string_view phrase : NamedNotFoundPhrases()) {
            QTest::newRow(phrase.data()) << Bytes(phrase) << true << true;
        }
        for (std::string_view phrase : ReservedPhrases()) {
            QTest::newRow(phrase.data()) << Bytes(phrase) << false << false;
        }
    }

    void generalPhrases_areUsedByTwoRegistries_andByNoRegisteredReply()
    {
        QFETCH(QByteArray, phrase);
        QFETCH(bool, onlyWithTheName);
        QFETCH(bool, notFound);
        QSet<QString> registries;
        for (const RecordedReply& reply : RecordedReplies()) {
            const QByteArray name = reply.name.toUtf8().toLower();
            for (const QByteArray& line : FoldedLines(reply.bytes)) {
                if (!line.contains(phrase) || (onlyWithTheName && !line.contains(name))) {
                    continue;
                }
                QVERIFY2(!reply.registered, qPrintable(reply.file));
                registries.insert(RegistryOf(reply));
            }
        }
        if (notFound) {
            QVERIFY2(registries.size() >= 2,
                     qPrintable(QStringList(registries.values()).join(' ')));
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
};

QIRV_TEST(RecordedRepliesTest);
#include "RecordedRepliesTest.moc"
