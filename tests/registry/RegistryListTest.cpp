#include "FakeRdapServer.h"
#include "TestMain.h"
#include "registry/CRegistryList.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// At namespace scope: moc cannot read raw strings inside a class.
constexpr const char* kDownloadedList =
    R"({"version": "1.0", "services": [[["zz"], ["https://downloaded.example/"]]]})";
constexpr const char* kCurrentList =
    R"({"version": "1.0", "services": [[["zz"], ["https://current.example/"]]]})";

} // namespace

class RegistryListTest : public QObject
{
    Q_OBJECT

private slots:
    // A downloaded copy ages from its download, the shipped list from IANA's publication; `base`
    // is the server of ".zz" in use afterwards (the shipped list has none).
    void oldList_isRefreshedInTheBackground_data()
    {
        QTest::addColumn<bool>("downloaded");
        QTest::addColumn<int>("daysLater");
        QTest::addColumn<bool>("refreshed");
        QTest::addColumn<QString>("base");
        const QString current = QStringLiteral("https://current.example/");
        QTest::newRow("downloaded copy, 29 days")
            << true << 29 << false << QStringLiteral("https://downloaded.example/");
        QTest::newRow("downloaded copy, 31 days") << true << 31 << true << current;
        QTest::newRow("shipped list, 29 days") << false << 29 << false << QString();
        QTest::newRow("shipped list, 31 days") << false << 31 << true << current;
    }

    void oldList_isRefreshedInTheBackground()
    {
        QFETCH(bool, downloaded);
        QFETCH(int, daysLater);
        QFETCH(bool, refreshed);
        QFETCH(QString, base);
        FakeRdapServer iana;
        iana.SetResponder([](const QByteArray&) {
            return FakeRdapServer::Answer{200, kCurrentList};
        });
        QTemporaryDir cache;
        CRegistryList list;
        list.SetCacheFolder(cache.path());
        list.SetDownloadUrl(QUrl(iana.BaseUrl() + "dns.json"));
        const QDateTime downloadTime = QDateTime::fromString("2026-01-01T00:00:00Z", Qt::ISODate);
        if (downloaded) {
            QFile file(list.CachedFile());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(kDownloadedList);
            file.flush();
            QVERIFY(file.setFileTime(downloadTime, QFileDevice::FileModificationTime));
        }
        const QDateTime made =
            downloaded ? downloadTime
                       : QDateTime::fromString(QString::fromStdString(list.Load()->Publication()),
                                               Qt::ISODate);
        list.Load();
        QSignalSpy finished(&list, &CRegistryList::updateFinished);

        QCOMPARE(list.UpdateIfOld(made.addDays(daysLater)), refreshed);
        if (refreshed) {
            QVERIFY(finished.wait());
            QCOMPARE(finished.at(0).at(0).toBool(), true);
        }
        QCOMPARE(iana.paths.size(), refreshed ? 1 : 0);
        const auto inUse = list.Current()->BaseFor("zz");
        QCOMPARE(QString::fromStdString(std::string(inUse.value_or(""))), base);
    }
};

QIRV_TEST(RegistryListTest);
#include "RegistryListTest.moc"
