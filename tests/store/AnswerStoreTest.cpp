#include "store/core/AnswerStore.h"

#include "TestMain.h"
#include "store/core/AnswerAges.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(std::optional<DomainStatus>)

namespace {

constexpr std::int64_t kNow = 1'800'000'000;

StoredAnswer Answer(std::string name, std::int64_t answeredAt, std::optional<DomainStatus> verdict,
                    std::string server = "whois.example:43")
{
    return StoredAnswer{std::move(name), answeredAt, verdict,
                        verdict ? std::string() : "Winsock Error: Connection Failure!",
                        std::move(server)};
}

bool Mentions(const std::vector<std::string>& notices, std::string_view words)
{
    return notices.size() == 1 && notices.front().find(words) != std::string::npos;
}

} // namespace

// The store of answers: what a search may take from it, and that nothing that goes wrong with
// the file (damage, another program's lock, a full disk, a folder that cannot hold it) does more
// than end its use with one line saying why.
class AnswerStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void maxAge_readsEitherPartInAnyUnit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("taken");     // seconds; -1: the text is refused
        QTest::addColumn<qint64>("available"); // seconds
        QTest::newRow("both") << "taken=30d,available=1h" << qint64(2592000) << qint64(3600);
        QTest::newRow("one part keeps the other's default")
            << "available=90s" << qint64(2592000) << qint64(90);
        QTest::newRow("minutes, zero") << "taken=5m,available=0s" << qint64(300) << qint64(0);
        for (const char* bad : {"", "taken", "taken=", "taken=5", "taken=5w", "taken=-1d",
                                "taken=1d,", "free=1h", "taken=1d;available=1h", "taken= 1d"}) {
            QTest::newRow(bad) << bad << qint64(-1) << qint64(0);
        }
    }

    void maxAge_readsEitherPartInAnyUnit()
    {
        QFETCH(QString, text);
        QFETCH(qint64, taken);
        QFETCH(qint64, available);
        const std::optional<AnswerAges> ages = ParseAnswerAges(text.toStdString());
        QCOMPARE(ages.has_value(), taken >= 0);
        if (ages) {
            QCOMPARE(ages->taken.count(), taken);
            QCOMPARE(ages->available.count(), available);
        }
    }

    void freshness_dependsOnTheVerdictAndItsAge_data()
    {
        QTest::addColumn<std::optional<DomainStatus>>("verdict");
        QTest::addColumn<qint64>("age");
        QTest::addColumn<bool>("fresh");
        const qint64 day = 86400;
        QTest::newRow("taken, 29 days") << std::optional(DomainStatus::Taken) << 29 * day << true;
        QTest::newRow("taken, 30 days") << std::optional(DomainStatus::Taken) << 30 * day << false;
        QTest::newRow("missing, 29 days")
            << std::optional(DomainStatus::InformationMissing) << 29 * day << true;
        QTest::newRow("missing, 31 days")
            << std::optional(DomainStatus::InformationMissing) << 31 * day << false;
        QTest::newRow("available, 59 min")
            << std::optional(DomainStatus::Available) << qint64(59 * 60) << true;
        QTest::newRow("available, 1 h")
            << std::optional(DomainStatus::Available) << qint64(3600) << false;
        QTest::newRow("no answer, just now") << std::optional<DomainStatus>() << qint64(0) << false;
        QTest::newRow("from the future")
            << std::optional(DomainStatus::Taken) << qint64(-60) << false;
    }

    void freshness_dependsOnTheVerdictAndItsAge()
    {
        QFETCH(std::optional<DomainStatus>, verdict);
        QFETCH(qint64, age);
        QFETCH(bool, fresh);
        QCOMPARE(IsFresh(verdict, kNow - age, kNow, AnswerAges{}), fresh);
    }

    // The newest answer of a name is the one a search may take; history keeps them all; the
    // answers of another name are not mixed in; forgetting leaves nothing.
    void answers_comeBackNewestFirst()
    {
        QTemporaryDir folder;
        AnswerStore store(folder.filePath("deeper/answers.sqlite").toStdString());
        QVERIFY(store.Open(kNow));
        QVERIFY(store.Add({Answer("a.com", kNow - 100, DomainStatus::Available),
                           Answer("a.com", kNow - 10, DomainStatus::Taken, "DNS"),
                           Answer("a.com", kNow - 50, std::nullopt),
                           Answer("b.com", kNow, DomainStatus::InformationMissing)}));
        const auto newest = store.Newest({"a.com", "never.com", "b.com"});
        QCOMPARE(newest.size(), 3u);
        QVERIFY(newest[0] && !newest[1] && newest[2]);
        QCOMPARE(newest[0]->verdict, DomainStatus::Taken);
        QCOMPARE(newest[0]->server, "DNS");
        QCOMPARE(newest[0]->answeredAt, kNow - 10);
        QCOMPARE(newest[2]->verdict, DomainStatus::InformationMissing);

        const std::vector<StoredAnswer> history = store.History("a.com");
        QCOMPARE(history.size(), 3u);
        QCOMPARE(history[1].verdict, std::nullopt);
        QCOMPARE(history[1].reason, "Winsock Error: Connection Failure!");
        QCOMPARE(history[2].verdict, DomainStatus::Available);

        QVERIFY(store.Forget());
        QVERIFY(store.History("a.com").empty());
        QVERIFY(store.TakeNotices().empty());
    }

    void answersOlderThanAYear_arePrunedOnOpen()
    {
        QTemporaryDir folder;
        const std::string path = folder.filePath("answers.sqlite").toStdString();
        {
            AnswerStore store(path);
            QVERIFY(store.Open(kNow - 400 * 86400));
            QVERIFY(store.Add({Answer("old.com", kNow - 366 * 86400, DomainStatus::Taken),
                               Answer("kept.com", kNow - 364 * 86400, DomainStatus::Taken)}));
        }
        AnswerStore store(path);
        QVERIFY(store.Open(kNow));
        QVERIFY(store.History("old.com").empty());
        QCOMPARE(store.History("kept.com").size(), 1u);
    }

    // A file that is not a store, or whose pages are damaged, is set aside under a dated name;
    // a new store takes its place and works.
    void damagedFile_isSetAsideAndANewOneStarted_data()
    {
        QTest::addColumn<bool>("pagesOnly");
        QTest::newRow("not a database") << false;
        QTest::newRow("damaged pages") << true;
    }

    void damagedFile_isSetAsideAndANewOneStarted()
    {
        QFETCH(bool, pagesOnly);
        QTemporaryDir folder;
        const QString path = folder.filePath("answers.sqlite");
        if (pagesOnly) {
            AnswerStore store(path.toStdString());
            QVERIFY(store.Open(kNow));
            std::vector<StoredAnswer> many;
            for (int index = 0; index < 3000; ++index) {
                many.push_back(
                    Answer("name" + std::to_string(index) + ".com", kNow, DomainStatus::Taken));
            }
            QVERIFY(store.Add(many));
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        // Past the header's first page when the file is a store: its tables' pages.
        file.seek(pagesOnly ? 4096 : 0);
        file.write(QByteArray(pagesOnly ? 64 * 1024 : 5000, '\x5a'));
        file.close();

        AnswerStore store(path.toStdString());
        store.Open(kNow);
        store.Newest({"name7.com", "name2999.com"});
        const std::vector<std::string> notices = store.TakeNotices();
        QVERIFY2(Mentions(notices, "damaged; it was set aside as " + path.toStdString() +
                                       ".damaged-2027-01-15 and a new one started"),
                 notices.empty() ? "no notice" : notices.front().c_str());
        QVERIFY(QFile::exists(path + ".damaged-2027-01-15"));
        QVERIFY(store.IsUsable());
        QVERIFY(store.Add({Answer("after.com", kNow, DomainStatus::Available)}));
        QCOMPARE(store.History("after.com").size(), 1u);
    }

    void unusableStore_givesUpWithOneLine_data()
    {
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QString>("words");
        QTest::newRow("folder cannot be made") << "folder"
                                               << "unable to open";
        QTest::newRow("locked by another program") << "locked"
                                                   << "held it locked for over";
        QTest::newRow("full") << "full"
                              << "it is full";
    }

    void unusableStore_givesUpWithOneLine()
    {
        QFETCH(QString, problem);
        QFETCH(QString, words);
        QTemporaryDir folder;
        QString path = folder.filePath("answers.sqlite");
        AnswerStoreLimits limits;
        limits.busyTimeout = 200ms;
        if (problem == "folder") {
            // Where nobody, root included, can make a folder.
            path = QStringLiteral("/proc/qirv-test/answers.sqlite");
        } else if (problem == "full") {
            limits.largestFile = 64 * 1024;
        }
        AnswerStore store(path.toStdString(), limits);
        sqlite3* other = nullptr;
        if (problem == "locked") {
            QVERIFY(store.Open(kNow));
            QCOMPARE(sqlite3_open(path.toUtf8().constData(), &other), SQLITE_OK);
            QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        } else if (problem == "full") {
            QVERIFY(store.Open(kNow));
        } else {
            QVERIFY(!store.Open(kNow));
        }
        bool added = true;
        for (int round = 0; round < 50 && added; ++round) {
            std::vector<StoredAnswer> batch;
            for (int index = 0; index < 200; ++index) {
                batch.push_back(
                    Answer(std::string(40, 'x') + std::to_string(round * 200 + index) + ".com",
                           kNow, DomainStatus::Taken));
            }
            added = store.Add(batch);
        }
        QVERIFY(!added);
        QVERIFY(!store.IsUsable());
        const std::vector<std::string> notices = store.TakeNotices();
        QVERIFY2(Mentions(notices, words.toStdString()),
                 notices.empty() ? "no notice" : notices.front().c_str());
        // Given up, it stays quiet and answers nothing.
        QVERIFY(!store.Newest({"x.com"}).front());
        QVERIFY(store.TakeNotices().empty());
        if (other) {
            sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(other);
        }
    }
};

QIRV_TEST(AnswerStoreTest);

#include "AnswerStoreTest.moc"
