#include "FakeRdapServer.h"
#include "FakeWhoisServer.h"
#include "TestMain.h"
#include "registry/CRegistryList.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(FakeRdapServer::Answer)

// The download of IANA's list has one deadline for the whole of it, however the server trickles,
// and a bound on what it takes, headers included; either ends it at once, the connection with it,
// and leaves the list in use as it was.
class RegistryDownloadTest : public QObject
{
    Q_OBJECT

private slots:
    void download_endsWithinItsBounds_data()
    {
        using Answer = FakeRdapServer::Answer;
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("reason");
        const QString late = QStringLiteral("the download did not end within 0.5 s");
        // Each byte once used to start the wait anew.
        QTest::newRow("a body that drips")
            << Answer{200, QByteArray(100, ' '), 0, "application/json", {}, Answer::Ending::Drip}
            << true << late;
        QTest::newRow("a connection that never opens") << Answer{} << false << late;
        QTest::newRow("headers without end")
            << Answer{200, {}, 0, {}, {}, Answer::Ending::EndlessHeaders} << true
            << QStringLiteral("the file is larger than 16 MiB");
    }

    void download_endsWithinItsBounds()
    {
        QFETCH(FakeRdapServer::Answer, answer);
        QFETCH(bool, opens);
        QFETCH(QString, reason);
        FakeRdapServer iana;
        iana.SetResponder([&](const QByteArray&) { return answer; });
        const UnopenedPort unopened;
        QTemporaryDir cache;
        CRegistryList list;
        list.SetCacheFolder(cache.path());
        list.SetDownloadUrl(
            opens ? QUrl(iana.BaseUrl() + "dns.json")
                  : QUrl(QStringLiteral("http://127.0.0.1:%1/dns.json").arg(unopened.Port())));
        list.SetDownloadTimeout(500ms);
        const std::size_t before = list.Load()->TldCount();
        QSignalSpy finished(&list, &CRegistryList::updateFinished);
        list.Update();
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.front().at(0).toBool(), false);
        QCOMPARE(finished.front().at(1).toString(), CRegistryList::NotUpdatedMessage(reason));
        QVERIFY(!list.IsUpdating());
        QCOMPARE(list.Current()->TldCount(), before);
        QTRY_COMPARE_WITH_TIMEOUT(iana.openConnections, 0, 1000);
    }
};

QIRV_TEST(RegistryDownloadTest);
#include "RegistryDownloadTest.moc"
