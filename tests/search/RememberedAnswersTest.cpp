#include "FakeWhoisServer.h"
#include "TestMain.h"
#include "search/CLookupEngine.h"
#include "search/SearchOptions.h"
#include "store/core/AnswerStore.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(std::optional<DomainStatus>)

// A search with remembered answers, against a store file of its own and a registry that calls
// every name free: a fresh answer stands in for the query, with the server and time it was first
// given; anything else is asked, and what the registry says is stored as the name's newest answer.
class RememberedAnswersTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_registry.SetResponder([](const QByteArray& query) {
            return FakeWhoisServer::Reply("No match for " + query.trimmed().toUpper() + "\n");
        });
    }

    void storedAnswer_standsInWhileFresh_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<std::optional<DomainStatus>>("verdict");
        QTest::addColumn<qint64>("age"); // seconds
        QTest::addColumn<bool>("remembered");
        const qint64 day = 86400;
        const auto row = [](const char* name, std::optional<DomainStatus> verdict, qint64 age,
                            bool remembered) {
            QTest::newRow(name) << true << verdict << age << remembered;
        };
        row("taken a day ago", DomainStatus::Taken, day, true);
        row("taken 31 days ago", DomainStatus::Taken, 31 * day, false);
        row("information missing a day ago", DomainStatus::InformationMissing, day, true);
        row("available 10 minutes ago", DomainStatus::Available, 600, true);
        row("available 2 hours ago", DomainStatus::Available, 7200, false);
        row("no answer a minute ago", std::nullopt, 60, false);
        QTest::newRow("never asked")
            << false << std::optional<DomainStatus>() << qint64(0) << false;
    }

    void storedAnswer_standsInWhileFresh()
    {
        QFETCH(bool, stored);
        QFETCH(std::optional<DomainStatus>, verdict);
        QFETCH(qint64, age);
        QFETCH(bool, remembered);
        QTemporaryDir folder;
        const std::string path = folder.filePath("answers.sqlite").toStdString();
        const qint64 answeredAt = QDateTime::currentSecsSinceEpoch() - age;
        if (stored) {
            AnswerStore store(path);
            QVERIFY(store.Open(answeredAt));
            QVERIFY(store.Add({StoredAnswer{"name.zz", answeredAt, verdict,
                                            verdict ? "" : "Connection Failure!", "DNS"}}));
        }
        SearchOptions options;
        options.rememberAnswers = true;
        options.answerStorePath = path;
        options.routes.AddWhoisServer({}, ServerAddress{"127.0.0.1", m_registry.Port()});
        CLookupEngine engine;
        engine.SetOptions(std::move(options));
        std::vector<QueryResult> answers;
        QObject::connect(
            &engine, &CLookupEngine::answered, &engine,
            [&](CLookupEngine::Ticket, const QueryResult& answer) { answers.push_back(answer); });
        bool finished = false;
        QObject::connect(&engine, &CLookupEngine::finished, &engine, [&] { finished = true; });
        const qsizetype askedBefore = m_registry.Received().size();
        engine.Ask(0, "Name.ZZ");
        QVERIFY(QTest::qWaitFor([&] { return finished; }, 20000));
        engine.FinishStoring();

        QCOMPARE(answers.size(), 1u);
        QCOMPARE(m_registry.Received().size() - askedBefore, remembered ? 0 : 1);
        QCOMPARE(engine.Remembered(), remembered ? 1 : 0);
        const QueryResult& answer = answers.front();
        QCOMPARE(answer.verdict, remembered ? verdict : DomainStatus::Available);
        QCOMPARE(answer.rememberedAt,
                 remembered ? std::optional<std::int64_t>(answeredAt) : std::nullopt);
        QCOMPARE(answer.server,
                 remembered ? "DNS" : "127.0.0.1:" + std::to_string(m_registry.Port()));
        QVERIFY(engine.TakeStoreNotices().empty());

        // The registry's answer is the newest now; a remembered one is not written again.
        AnswerStore store(path);
        QVERIFY(store.Open(QDateTime::currentSecsSinceEpoch()));
        const std::vector<StoredAnswer> history = store.History("name.zz");
        QCOMPARE(history.size(), std::size_t(stored ? 1 : 0) + (remembered ? 0 : 1));
        if (!remembered) {
            QCOMPARE(history.front().verdict, DomainStatus::Available);
            QCOMPARE(history.front().server, answer.server);
        }
    }

    // Names of a stopped search that were waiting for the store are never answered afterwards,
    // and the next search is answered whole.
    void stopWhileLookingUp_answersNothingAfterwards()
    {
        QTemporaryDir folder;
        SearchOptions options;
        options.rememberAnswers = true;
        options.answerStorePath = folder.filePath("answers.sqlite").toStdString();
        options.routes.AddWhoisServer({}, ServerAddress{"127.0.0.1", m_registry.Port()});
        CLookupEngine engine;
        engine.SetOptions(std::move(options));
        std::vector<CLookupEngine::Ticket> answered;
        QObject::connect(
            &engine, &CLookupEngine::answered, &engine,
            [&](CLookupEngine::Ticket ticket, const QueryResult&) { answered.push_back(ticket); });
        bool finished = false;
        QObject::connect(&engine, &CLookupEngine::finished, &engine, [&] { finished = true; });
        engine.Ask(1, "first.zz");
        QTest::qWait(0);
        engine.Stop();
        engine.Ask(2, "second.zz");
        QVERIFY(QTest::qWaitFor([&] { return finished; }, 20000));
        QTest::qWait(100);
        QCOMPARE(answered, std::vector<CLookupEngine::Ticket>{2});
    }

private:
    FakeWhoisServer m_registry;
};

QIRV_TEST(RememberedAnswersTest);
#include "RememberedAnswersTest.moc"
