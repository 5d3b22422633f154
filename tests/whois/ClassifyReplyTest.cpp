#include "whois/core/ClassifyReply.h"

#include "TestMain.h"

#include <QTest>

namespace {

QByteArray VerdictName(std::optional<DomainStatus> verdict)
{
    if (!verdict) {
        return "none";
    }
    const std::string_view text = StatusText(*verdict);
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

class ClassifyReplyTest : public QObject
{
    Q_OBJECT

private slots:
    void rules_data()
    {
        QTest::addColumn<QByteArray>("tld");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("verdict");
        const auto row = [](const char* tag, const char* tld, const char* reply, const char* v) {
            QTest::newRow(tag) << QByteArray(tld) << QByteArray(reply) << QByteArray(v);
        };
        // com and net
        row("com taken", "com", "\r\n   Domain Name: X.COM", "Taken");
        row("net taken", "net", "\r\nDomain Name: X.NET", "Taken");
        row("com available", "com", "\r\nNo match for \"X.COM\".", "Available!");
        row("com taken wins over a later no match", "com", "\r\nDomain Name: X\r\nNo match for",
            "Taken");
        row("com needs the blank after the colon", "com", "\r\nDomain Name:X.COM", "none");
        row("com marker is case-sensitive", "com", "\r\nno match for x", "none");
        // org and info
        row("org taken without blank", "org", "\r\nDomain Name:GOOGLE.ORG", "Taken");
        row("info taken", "info", "\r\nDomain Name: X.INFO", "Taken");
        row("org available", "org", "\r\nNOT FOUND", "Available!");
        row("org lower-case not found is no marker", "org", "\r\nNot found", "none");
        row("info lower-case not found is no marker", "info", "\r\nNot found", "none");
        row("org domain not found today", "org", "\r\nDomain not found.", "Available!");
        // biz
        row("biz available", "biz", "\r\nNot found: x.biz", "Available!");
        row("biz taken today", "biz", "\r\nDomain Name: X.BIZ", "Taken");
        row("biz no data today", "biz", "\r\nNo Data Found", "Available!");
        row("biz without any marker", "biz", "\r\nRegistrar: X", "none");
        row("biz upper case is no marker", "biz", "\r\nNOT FOUND", "none");
        // edu
        row("edu taken", "edu", "\r\nDomain Name: HARVARD.EDU", "Taken");
        row("edu available", "edu", "\r\nNo Match", "Available!");
        row("edu upper-case no match today", "edu", "\r\nNO MATCH: x.edu", "Available!");
        row("edu upper-case without colon is no marker", "edu", "\r\nNO MATCH x.edu", "none");
        row("ca not found today", "ca", "\r\nNot found: x.ca", "Available!");
        row("ca taken today", "ca", "\r\nDomain Name: x.ca", "Taken");
        row("us no data today", "us", "\r\nNo Data Found", "Available!");
        row("us taken today", "us", "\r\nDomain Name: x.us", "Taken");
        row("long-standing marker wins within a line", "us",
            "\r\nNot found: Domain Name:", "Available!");
        // ca: exactly nine blanks
        row("ca available", "ca", "\r\nDomain status:         available", "Available!");
        row("ca registered", "ca", "\r\nDomain status:         registered", "Taken");
        row("ca eight blanks", "ca", "\r\nDomain status:        available", "none");
        row("ca ten blanks", "ca", "\r\nDomain status:          registered", "none");
        // eu
        row("eu available", "eu", "\r\nStatus: AVAILABLE", "Available!");
        row("eu taken", "eu", "\r\nName servers:", "Taken");
        row("eu available tested first", "eu", "\r\nName servers: Status: AVAILABLE", "Available!");
        // us
        row("us available", "us", "\r\nNot found: x.us", "Available!");
        row("us taken", "us", "\r\nSponsoring Registrar: X", "Taken");
        row("us without colon is no marker", "us", "\r\nNot found", "none");
        // every other suffix
        row("other information missing", "example", "\r\nx has no information",
            "Information Missing");
        row("empty suffix", "", "\r\nhas no information", "Information Missing");
        row("other ignores com markers", "example", "\r\nDomain Name: X\r\nNo match for", "none");
        // Extensions in any case are read by their server's rule.
        row("capital suffix uses its rule", "COM", "\r\nDomain Name: X.COM", "Taken");
        row("mixed-case suffix uses its rule", "Org", "\r\nNOT FOUND", "Available!");
        row("capital suffix ignores the general markers", "COM", "\r\nhas no information", "none");
        row("nothing at all", "com", "", "none");
    }

    void rules()
    {
        QFETCH(QByteArray, tld);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, verdict);
        QCOMPARE(VerdictName(ClassifyReply(tld.toStdString(), reply.toStdString())), verdict);
    }
};

QIRV_TEST(ClassifyReplyTest);
#include "ClassifyReplyTest.moc"
