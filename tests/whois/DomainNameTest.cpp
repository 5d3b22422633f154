#include "whois/core/DomainName.h"

#include "TestMain.h"

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

    // What is never sent to a registry, whatever a user pastes.
    void domainNameShape_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("shape");
        const QByteArray label63(63, 'a');
        QTest::newRow("plain") << QByteArray("a.com") << true;
        QTest::newRow("digits before a real suffix") << QByteArray("123.com") << true;
        QTest::newRow("longest label") << QByteArray(label63 + ".com") << true;
        QTest::newRow("label too long") << QByteArray(label63 + "a.com") << false;
        QTest::newRow("name too long")
            << QByteArray(label63 + "." + label63 + "." + label63 + "." + label63 + ".com")
            << false;
        QTest::newRow("empty label") << QByteArray("www..com") << false;
        QTest::newRow("leading dot") << QByteArray(".com") << false;
        QTest::newRow("trailing dot") << QByteArray("a.com.") << false;
        QTest::newRow("one label") << QByteArray("localhost") << false;
        QTest::newRow("URL") << QByteArray("http://foo.com") << false;
        QTest::newRow("path") << QByteArray("foo.com/") << false;
        QTest::newRow("IPv4 address") << QByteArray("1.2.3.4") << false;
        QTest::newRow("IPv6 address") << QByteArray("[::1]") << false;
        QTest::newRow("inner blank") << QByteArray("a b.com") << false;
    }
    void domainNameShape()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, shape);
        QCOMPARE(HasDomainNameShape(name.toStdString()), shape);
    }

    void serverAddress_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("host") << QByteArray("whois.example.net") << true
                              << QByteArray("whois.example.net") << 43;
        QTest::newRow("host and port")
            << QByteArray("127.0.0.1:4343") << true << QByteArray("127.0.0.1") << 4343;
        QTest::newRow("bracketed IPv6 and port")
            << QByteArray("[::1]:4343") << true << QByteArray("::1") << 4343;
        QTest::newRow("bracketed IPv6") << QByteArray("[::1]") << true << QByteArray("::1") << 43;
        QTest::newRow("bare IPv6") << QByteArray("::1") << true << QByteArray("::1") << 43;
        QTest::newRow("empty") << QByteArray("") << false << QByteArray() << 0;
        QTest::newRow("empty host") << QByteArray(":43") << false << QByteArray() << 0;
        QTest::newRow("empty port") << QByteArray("host:") << false << QByteArray() << 0;
        QTest::newRow("port zero") << QByteArray("host:0") << false << QByteArray() << 0;
        QTest::newRow("port too large") << QByteArray("host:65536") << false << QByteArray() << 0;
        QTest::newRow("port not a number") << QByteArray("host:4x") << false << QByteArray() << 0;
        QTest::newRow("unclosed bracket") << QByteArray("[::1:43") << false << QByteArray() << 0;
        QTest::newRow("blank in host") << QByteArray("a b:43") << false << QByteArray() << 0;
    }

    void serverAddress()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, valid);
        QFETCH(QByteArray, host);
        QFETCH(int, port);
        const auto address = ParseServerAddress(text.toStdString());
        QCOMPARE(address.has_value(), valid);
        if (address) {
            QCOMPARE(QByteArray::fromStdString(address->host), host);
            QCOMPARE(int(address->port), port);
        }
    }
};

QIRV_TEST(DomainNameTest);
#include "DomainNameTest.moc"
