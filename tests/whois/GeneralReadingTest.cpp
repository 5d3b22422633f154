#include "whois/core/GeneralReading.h"

#include "TestMain.h"
#include "whois/core/ReplyReadingLoop.h"

#include <QTest>

// How a whole reply about one name is read: by the general reading for servers without rules
// (".zz" has no server at all), by a server's own wording, and by the decisive rules, which
// also refuse a verdict on a reply about another name.
class GeneralReadingTest : public QObject
{
    Q_OBJECT

private slots:
    void wholeReply_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("result");
        const auto row = [](const char* tag, const char* name, const char* reply,
                            const char* result) {
            QTest::newRow(tag) << QByteArray(name) << QByteArray(reply) << QByteArray(result);
        };
        const char* another = "The reply is about another name";
        row("domain field, case and final dot aside", "example.zz",
            "Terms\nDomain Name: EXAMPLE.ZZ.\nStatus: ok\n", "Taken");
        row("lower-case key", "example.zz", "domain:       example.zz\n", "Taken");
        row("name on the next line", "example.zz", "Domain name:\n    example.zz\n", "Taken");
        row("name in the block's first field", "example.zz", "Domain:\nname:   example.zz\n",
            "Taken");
        row("bracketed key", "example.zz", "[Domain Name]     EXAMPLE.ZZ\n", "Taken");
        row("dotted key", "example.zz", "Nom de domaine#. . . . . .example.zz\n", "Taken");
        row("numbered key", "example.zz", "1a.        Domain Name : example.zz\n", "Taken");
        row("name in another script", "xn--6qq79v.zz", "Domain Name: \xe4\xbd\xa0\xe5\xa5\xbd.zz\n",
            "Taken");
        row("domain field names another name", "example.zz", "Domain Name: other.zz\n", another);
        row("not-found phrase", "example.zz", "% Terms\n%ERROR:101: no entries found\n",
            "Available!");
        row("not-found phrase with tabs", "example.zz", "Domain Status:\tAvailable\n",
            "Available!");
        row("not-found sentence naming the asked name", "example.zz",
            "Domain example.zz not found.\n", "Available!");
        row("not-found line names another name", "wrong.zz", "No match for \"OTHER.ZZ\".\n",
            another);
        row("mail address in a not-found line", "example.zz",
            "No match. Write to help@registry.zz\n", "Available!");
        row("both: echoed name and not found", "example.zz", "Domain Name: example.zz\nNOT FOUND\n",
            "No verdict");
        row("neither", "example.zz", "Welcome to the registry.\n", "No verdict");
        row("availability in the terms only", "example.zz",
            "Domain Name: example.zz\nUse it to learn whether a name is available for "
            "registration.\n",
            "Taken");
        row("available, naming the asked name", "example.zz",
            ">>> Domain \"example.zz\" is available for registration\n", "Available!");
        row("reserved", "example.zz",
            "Domain Name: example.zz\nDomain Status: Prohibited String - Object Cannot Be "
            "Registered\n",
            "Reserved by the registry");
        row("server's wording outweighs the echoed name", "example.bi",
            "Domain Name: example.bi\nDomain Status: No Object Found\n", "Available!");
        row("server's wording names another name", "example.bi",
            "Domain Status: No Object Found for other.bi\n", another);
        row("decisive rule, another name", "wrongname.com", "No match for \"OTHER.COM\".\n",
            another);
        row("decisive rule, the asked name", "wrongname.com", "No match for \"WRONGNAME.COM\".\n",
            "Available!");
        row("decisive rule, extension in capitals", "Example.COM", "   Domain Name: EXAMPLE.COM\n",
            "Taken");
        row("decisive rule ignores the general reading", "example.com", "Domain not found.\n",
            "No verdict");
        row("address registry never answers for names", "example.al",
            "%ERROR:101: no entries found\n", "No verdict");
    }

    void wholeReply()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, result);
        const QString unicode = QString::fromUtf8(reply).contains(QChar(0x4f60))
                                    ? QStringLiteral("\u4f60\u597d.zz")
                                    : QString();
        const ReplyReadingLoop::Result got = ClassifyWholeReply(
            AskedName(name.toStdString(), unicode.toStdString()), reply.toStdString());
        const std::string words = got.outcome == ReplyReadingLoop::Outcome::Verdict
                                      ? std::string(StatusText(got.status))
                                  : got.words == "No verdict in the reply" ? "No verdict"
                                                                           : got.words;
        QCOMPARE(QByteArray::fromStdString(words), result);
    }
};

QIRV_TEST(GeneralReadingTest);
#include "GeneralReadingTest.moc"
