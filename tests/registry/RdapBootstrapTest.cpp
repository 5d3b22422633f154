#include "FakeRdapServer.h"
#include "TestMain.h"
#include "registry/CRegistryList.h"
#include "registry/RdapBootstrapReader.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// At namespace scope: moc cannot read raw strings inside a class.
constexpr const char* kOldList = R"({"services": [[["yy"], ["https://a.example/"]]]})";
constexpr const char* kCurrentList = R"({"services": [[["zz"], ["https://b.example/"]]]})";
constexpr const char* kHttpsPreferred =
    R"({"version": "1.0", "services": [[["IO", "ai"], ["http://a.example/", "https://a.example/"]]]})";

struct BrokenFile
{
    const char* tag;
    const char* json;
    const char* error;
};

constexpr BrokenFile kBrokenFiles[] = {
    {"not JSON", "<html><body>Service Unavailable</body></html>", "not JSON"},
    {"not an object", R"([["com"], ["https://a.example/"]])", "not a JSON object"},
    {"wrong version", R"({"version": "2.0", "services": [[["a"], ["https://a/"]]]})",
     "not version 1.0 of the format"},
    {"empty services", R"({"version": "1.0", "services": []})", "no services listed"},
    {"a service not two lists of strings",
     R"({"version": "1.0", "services": [[["a"], ["https://a/"]], [["b"], [2]]]})",
     "service 2 is not two lists of strings"},
    {"no web address", R"({"version": "1.0", "services": [[["a"], ["ftp://a/"]]]})",
     "service 1 has no http or https URL"},
};

} // namespace

class RdapBootstrapTest : public QObject
{
    Q_OBJECT

private slots:
    // A file is read whole or not at all; `lookups` holds "tld=base" for each tld asked about.
    void reader_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("tlds");
        QTest::addColumn<QStringList>("lookups");
        QFile trimmed(QStringLiteral(QIRV_TEST_DATA_DIR "/rdap-bootstrap/dns-trimmed.json"));
        QVERIFY(trimmed.open(QIODevice::ReadOnly));
        QTest::newRow("trimmed real file")
            << trimmed.readAll() << QString() << 9
            << QStringList{"dev=https://www.registry.google/rdap/",
                           "xn--cg4bki=https://nic.samsung:8443/rdap/", "uz=http://cctld.uz:9000/",
                           "io="};
        QTest::newRow("the shipped list, http where it has no https")
            << ShippedRdapListWith("{}") << QString() << 1199
            << QStringList{"kg=http://rdap.cctld.kg/", "tw=https://ccrdap.twnic.tw/tw/"};
        QTest::newRow("https preferred, extensions in lower case")
            << QByteArray(kHttpsPreferred) << QString() << 2
            << QStringList{"io=https://a.example/", "ai=https://a.example/"};
        for (const BrokenFile& broken : kBrokenFiles) {
            QTest::newRow(broken.tag) << QByteArray(broken.json)
                                      << QString::fromLatin1(broken.error) << 0 << QStringList();
        }
    }

    void reader()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        QFETCH(int, tlds);
        QFETCH(QStringList, lookups);
        QString readError;
        const std::optional<RdapBootstrap> bootstrap = ReadRdapBootstrap(json, readError);
        QVERIFY2(readError.startsWith(error) && (error.isEmpty() == readError.isEmpty()),
                 qPrintable(readError));
        QCOMPARE(bootstrap.has_value(), error.isEmpty());
        if (!bootstrap) {
            return;
        }
        QCOMPARE(static_cast<int>(bootstrap->TldCount()), tlds);
        for (const QString& lookup : lookups) {
            const QString tld = lookup.section('=', 0, 0);
            const std::optional<std::string_view> base = bootstrap->BaseFor(tld.toStdString());
            QCOMPARE(tld + "=" + QString::fromStdString(std::string(base.value_or(""))), lookup);
        }
    }

    // A downloaded copy ages from its download, the shipped list from IANA's publication.
    void oldList_isRefreshedInTheBackground_data()
    {
        QTest::addColumn<bool>("downloaded");
        QTest::addColumn<int>("days");
        QTest::addColumn<bool>("refreshed");
        QTest::newRow("downloaded copy, 29 days") << true << 29 << false;
        QTest::newRow("downloaded copy, 31 days") << true << 31 << true;
        QTest::newRow("shipped list, 29 days") << false << 29 << false;
        QTest::newRow("shipped list, 31 days") << false << 31 << true;
    }

    void oldList_isRefreshedInTheBackground()
    {
        QFETCH(bool, downloaded);
        QFETCH(int, days);
        QFETCH(bool, refreshed);
        FakeRdapServer iana;
        iana.SetResponder([](const QByteArray&) {
            return FakeRdapServer::Answer{200, ShippedRdapListWith(kCurrentList)};
        });
        QTemporaryDir cache;
        CRegistryList list;
        list.SetCacheFolder(cache.path());
        list.SetDownloadUrl(QUrl(iana.BaseUrl() + "dns.json"));
        QDateTime made = QDateTime::fromString("2026-01-01T00:00:00Z", Qt::ISODate);
        QFile file(list.CachedFile());
        if (downloaded) {
            QVERIFY(file.open(QIODevice::WriteOnly) &&
                    file.write(ShippedRdapListWith(kOldList)) > 0 && file.flush());
            QVERIFY(file.setFileTime(made, QFileDevice::FileModificationTime));
        } else {
            made = QDateTime::fromString(QString::fromStdString(list.Load()->Publication()),
                                         Qt::ISODate);
        }
        list.Load();
        QSignalSpy finished(&list, &CRegistryList::updateFinished);
        QCOMPARE(list.UpdateIfOld(made.addDays(days)), refreshed);
        QCOMPARE(refreshed && finished.wait(), refreshed);
        QCOMPARE(list.Current()->BaseFor("zz").has_value(), refreshed);
        QCOMPARE(iana.paths.size(), refreshed ? 1 : 0);
    }
};

QIRV_TEST(RdapBootstrapTest);
#include "RdapBootstrapTest.moc"
