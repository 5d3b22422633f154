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
        QTest::newRow("plain, case kept") << QByteArray("MiXeD.com") << QByteArray("MiXeD.com");
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
        QTest::newRow("inner blank") << QByteArray("a b.com") << notAName;
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
