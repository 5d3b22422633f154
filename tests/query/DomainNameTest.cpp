#include "query/core/DomainName.h"

#include "TestMain.h"
#include "query/QueryName.h"

#include <QTest>

class DomainNameTest : public QObject
{
    Q_OBJECT

private slots:
    void onlyTheLeadingWww_isRemoved_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("query");
        QTest::newRow("leading") << QByteArray("www.example.com") << QByteArray("example.com");
        QTest::newRow("inside a label")
            << QByteArray("shop.awww.co.uk") << QByteArray("shop.awww.co.uk");
        QTest::newRow("ending a label") << QByteArray("awww.com") << QByteArray("awww.com");
        QTest::newRow("a later label")
            << QByteArray("www.a.www.b.com") << QByteArray("a.www.b.com");
        QTest::newRow("doubled at the start")
            << QByteArray("www.www.x.com") << QByteArray("www.x.com");
        QTest::newRow("any case") << QByteArray("WwW.X.com") << QByteArray("X.com");
        QTest::newRow("none") << QByteArray("example.com") << QByteArray("example.com");
        QTest::newRow("only www.") << QByteArray("www.") << QByteArray("");
    }

    void onlyTheLeadingWww_isRemoved()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, query);
        QCOMPARE(QByteArray::fromStdString(WithoutLeadingWww(name.toStdString())), query);
    }

    void queryableNames_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("queryable");
        QTest::addColumn<QByteArray>("tld");
        QTest::newRow("plain") << QByteArray("a.com") << true << QByteArray("com");
        QTest::newRow("several dots") << QByteArray("a.b.co.uk") << true << QByteArray("uk");
        QTest::newRow("trailing dot") << QByteArray("a.") << true << QByteArray("");
        QTest::newRow("no dot") << QByteArray("localhost") << false << QByteArray("");
        QTest::newRow("empty") << QByteArray("") << false << QByteArray("");
        QTest::newRow("LF would start a second query")
            << QByteArray("a.com\nb.com") << false << QByteArray("com");
        QTest::newRow("CR") << QByteArray("a.com\r") << false << QByteArray("com\r");
        QTest::newRow("NUL") << QByteArray("a.c\0om", 6) << false << QByteArray("c\0om", 4);
    }

    void queryableNames()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, queryable);
        QFETCH(QByteArray, tld);
        const std::string bytes = name.toStdString();
        QCOMPARE(IsQueryableName(bytes), queryable);
        const std::string_view found = TldOf(bytes);
        QCOMPARE(QByteArray(found.data(), static_cast<qsizetype>(found.size())), tld);
    }

    // What is sent for what a user pastes, and what is never sent: the ASCII form, or the reason.
    void queryName_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("sent");
        const QByteArray label63(63, 'a');
        const QByteArray notAName = "Not a domain name";
        QTest::newRow("plain, in lower case") << QByteArray("MiXeD.COM") << QByteArray("mixed.com");
        QTest::newRow("blanks around") << QByteArray(" a.com\r\n") << QByteArray("a.com");
        QTest::newRow("international") << QByteArray("b\xc3\xbc"
                                                     "cher.com")
                                       << QByteArray("xn--bcher-kva.com");
        QTest::newRow("international without an ASCII form")
            << QByteArray(QByteArray(70, 'a') + "\xc3\xbc.com")
            << QByteArray("Not a valid international domain name: " + QByteArray(70, 'a') +
                          "\xc3\xbc.com");
        QTest::newRow("digits before a real suffix")
            << QByteArray("123.com") << QByteArray("123.com");
        QTest::newRow("longest label")
            << QByteArray(label63 + ".com") << QByteArray(label63 + ".com");
        QTest::newRow("label too long") << QByteArray(label63 + "a.com") << notAName;
        QTest::newRow("name too long")
            << QByteArray(label63 + "." + label63 + "." + label63 + "." + label63 + ".com")
            << notAName;
        QTest::newRow("empty label") << QByteArray("www..com") << notAName;
        QTest::newRow("leading dot") << QByteArray(".com") << notAName;
        QTest::newRow("trailing dot") << QByteArray("a.com.") << notAName;
        QTest::newRow("one label") << QByteArray("localhost") << notAName;
        QTest::newRow("empty") << QByteArray() << notAName;
        QTest::newRow("second query line") << QByteArray("a.com\nb.com") << notAName;
        QTest::newRow("CR inside") << QByteArray("a.com\rb.com") << notAName;
        QTest::newRow("NUL") << QByteArray("a.c\0om", 6) << notAName;
        QTest::newRow("URL") << QByteArray("http://foo.com") << notAName;
        QTest::newRow("path") << QByteArray("foo.com/") << notAName;
        QTest::newRow("IPv4 address") << QByteArray("1.2.3.4") << notAName;
        QTest::newRow("IPv6 address") << QByteArray("[::1]") << notAName;
        QTest::newRow("inner blank")
            << QByteArray("a b.com") << QByteArray("Not a domain name: ' ' is not allowed");
        QTest::newRow("inner tab")
            << QByteArray("a\tb.com") << QByteArray("Not a domain name: U+0009 is not allowed");
        // Labels of letters, digits and hyphens (LDH), as registries give them out; the first
        // character that is not allowed is named.
        const QByteArray notAllowed = "Not a domain name: ";
        QTest::newRow("hyphen inside")
            << QByteArray("www.a-b-c.com") << QByteArray("www.a-b-c.com");
        QTest::newRow("hyphens as third and fourth of an international label")
            << QByteArray("XN--BCHER-KVA.com") << QByteArray("xn--bcher-kva.com");
        QTest::newRow("hyphens as fourth and fifth")
            << QByteArray("red--car.com") << QByteArray("red--car.com");
        QTest::newRow("exclamation mark")
            << QByteArray("www.hello-world!.com") << notAllowed + "'!' is not allowed";
        QTest::newRow("underscore")
            << QByteArray("www.a_b.com") << notAllowed + "'_' is not allowed";
        QTest::newRow("comma, as in a CSV line")
            << QByteArray("www.hand,7.com") << notAllowed + "',' is not allowed";
        QTest::newRow("percent") << QByteArray("%s.com") << notAllowed + "'%' is not allowed";
        QTest::newRow("quote") << QByteArray("a\"b.com") << notAllowed + "'\"' is not allowed";
        QTest::newRow("control character")
            << QByteArray("a\x01.com") << notAllowed + "U+0001 is not allowed";
        QTest::newRow("in the extension")
            << QByteArray("a.c_m") << notAllowed + "'_' is not allowed";
        QTest::newRow("beside an international letter")
            << QByteArray("b\xc3\xbc_cher.com") << notAllowed + "'_' is not allowed";
        QTest::newRow("full-width underscore, which IDNA makes '_'")
            << QByteArray("a\xef\xbc\xbf"
                          "b.com")
            << notAllowed + "'_' is not allowed";
        const QByteArray hyphen = notAllowed + "'-' is not allowed at the start or end of a label";
        QTest::newRow("hyphen first and last") << QByteArray("www.-x-.com") << hyphen;
        QTest::newRow("hyphen last") << QByteArray("x-.com") << hyphen;
        QTest::newRow("hyphen first of the extension") << QByteArray("x.-com") << hyphen;
        QTest::newRow("hyphen before an international letter")
            << QByteArray("-b\xc3\xbc.com") << hyphen;
        QTest::newRow("hyphens as third and fourth")
            << QByteArray("ab--cd.com")
            << notAllowed + "'--' is not allowed as the third and fourth characters of a label";
        QTest::newRow("hyphens as third and fourth, among international letters")
            << QByteArray("\xc3\xbc\xc3\xbc--c.com")
            << notAllowed + "'--' is not allowed as the third and fourth characters of a label";
        QTest::newRow("xn-- label that decodes to nothing")
            << QByteArray("xn--zz.com")
            << QByteArray("Not a valid international domain name: xn--zz.com");
        QTest::newRow("xn-- label of a label that may not be")
            << QByteArray("xn---b-yka.com")
            << QByteArray("Not a valid international domain name: xn---b-yka.com");
        QTest::newRow("international, with IDNA's mapping")
            << QByteArray("Fa\xc3\x9f.DE") << QByteArray("xn--fa-hia.de");
    }
    void queryName()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, sent);
        const QueryName query = ToQueryName(name);
        QCOMPARE(query.IsAskable() ? query.ascii : QByteArray::fromStdString(query.reason), sent);
    }
};

QIRV_TEST(DomainNameTest);
#include "DomainNameTest.moc"
