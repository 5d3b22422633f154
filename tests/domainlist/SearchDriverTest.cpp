#include "FakeWhoisServer.h"
#include "RecordingDesktop.h"
#include "RecordingMessageBox.h"
#include "TestMain.h"
#include "domainlist/CDomainListCtrl.h"
#include "domainlist/CListCommands.h"
#include "domainlist/CSearchDriver.h"

#include <QAbstractItemModelTester>
#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>

namespace {

const std::string kFinished = "Domain Name Search Finished!";
const std::string kAllCheckedAnswered = "Every checked name has its answer already; Search "
                                        "Domains asks only \"Pending\" and \"No Answer\" names.";

// A search over a real list and lookup engine, against a server whose answer depends on the
// name: "free..." is available, "taken..." taken, "info..." has no information, "mute..." never
// answers, "odd..." answers without a marker, and "slow" in front of any of them delays the
// answer.
struct SearchFixture
{
    SearchFixture()
    {
        list.SetUp();
        list.SetSearchPendingQuery([this] { return driver.IsSearchPending(); });
        UseServer(ParseServerAddress(server.Address().toStdString()).value());
        server.SetResponder([](const QByteArray& query) {
            const bool slow = query.startsWith("slow");
            const QByteArray name = slow ? query.mid(4) : query;
            if (name.startsWith("mute")) {
                return FakeWhoisServer::Silent();
            }
            const QByteArray reply = name.startsWith("free")   ? "No match for x\n"
                                     : name.startsWith("info") ? "x has no information\n"
                                     : name.startsWith("odd")  ? "who knows\n"
                                                               : "Domain Name: X\n";
            return slow ? FakeWhoisServer::Chunked({"", reply}, 300)
                        : FakeWhoisServer::Reply(reply);
        });
        QObject::connect(&server, &FakeWhoisServer::queryReceived, &server,
                         [this](const QByteArray& query) { queries.append(query); });
        QObject::connect(&driver, &CSearchDriver::progressChanged, &driver,
                         [this](int value, int maximum, const QString& text) {
                             barValues.append(value);
                             barMaximum = maximum;
                             barTexts.append(text);
                         });
    }

    // With `storePath`, answers are remembered there.
    void UseServer(ServerAddress address, const QString& storePath = {})
    {
        SearchOptions options;
        options.rememberAnswers = !storePath.isEmpty();
        options.answerStorePath = storePath.toStdString();
        options.routes.AddWhoisServer({}, std::move(address));
        options.replyTimeout = std::chrono::milliseconds(400);
        engine.SetOptions(std::move(options));
    }

    void Add(std::initializer_list<const char*> names)
    {
        for (const char* name : names) {
            list.AddPendingRow(name);
        }
    }

    QByteArrayList Statuses() const
    {
        QByteArrayList statuses;
        for (int row = 0; row < list.GetItemCount(); ++row) {
            statuses.append(list.GetStatus(row));
        }
        return statuses;
    }

    int FinishMessages() const
    {
        return static_cast<int>(
            std::count_if(boxes.shown.begin(), boxes.shown.end(),
                          [](const auto& box) { return box.text.starts_with(kFinished); }));
    }

    bool WaitForFinish()
    {
        return QTest::qWaitFor([this] { return FinishMessages() > 0; }, 10000);
    }

    // The texts of the boxes shown so far.
    std::vector<std::string> Boxes() const
    {
        std::vector<std::string> texts;
        for (const auto& box : boxes.shown) {
            texts.push_back(box.text);
        }
        return texts;
    }

    // Runs `action` once, when the server has received the query for `name`.
    void OnQuery(const QByteArray& name, std::function<void()> action)
    {
        QObject::connect(
            &server, &FakeWhoisServer::queryReceived, &server,
            [name, action = std::move(action), done = false](const QByteArray& query) mutable {
                if (!done && query == name) {
                    done = true;
                    action();
                }
            });
    }

    FakeWhoisServer server;
    RecordingMessageBox boxes;
    CDomainListCtrl list{boxes};
    QAbstractItemModelTester tester{&list.Model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest};
    CLookupEngine engine;
    CSearchDriver driver{list.Model(), engine, boxes};
    RecordingClipboard clipboard;
    ScriptedFileDialogs fileDialogs;
    RecordingUrlOpener urls;
    CListCommands commands{list.Model(),
                           [this] { return list.GetFirstSelected(); },
                           {clipboard, fileDialogs, urls, boxes}};
    QByteArrayList queries;
    QList<int> barValues;
    int barMaximum = 0;
    QStringList barTexts;
};

} // namespace

class SearchDriverTest : public QObject
{
    Q_OBJECT

private slots:
    void checkedPendingRows_areAskedInOrder_thenTheSearchFinishes()
    {
        SearchFixture search;
        search.Add({"www.free1.com", "www.taken2.net", "www.info3.example"});
        search.driver.OnSearchDomains();
        QVERIFY(search.driver.IsSearchPending());
        QCOMPARE(search.barMaximum, 3);
        QVERIFY(search.WaitForFinish());
        QCOMPARE(search.queries, (QByteArrayList{"free1.com", "taken2.net", "info3.example"}));
        QCOMPARE(search.Statuses(), (QByteArrayList{"Available!", "Taken", "Information Missing"}));
        QCOMPARE(search.barValues, (QList<int>{0, 1, 2, 3, 0}));
        QCOMPARE(search.FinishMessages(), 1);
        QVERIFY(!search.driver.IsSearchPending());
    }

    // While the second name waits for the server's budget, nothing arrives, yet the time left
    // counts down every second.
    void progressText_countsDownWhileNothingArrives()
    {
        SearchFixture search;
        SearchOptions options = search.engine.Options();
        options.scheduling.budgets[search.server.Address().toStdString()] =
            QueryBudget{1, std::chrono::milliseconds(2500)};
        search.engine.SetOptions(options);
        search.Add({"www.taken1.com", "www.taken2.com"});
        search.driver.OnSearchDomains();
        QVERIFY(search.WaitForFinish());
        QVERIFY2(search.barTexts.contains("1 / 2, about 2 s left") &&
                     search.barTexts.contains("1 / 2, about 1 s left"),
                 qPrintable(search.barTexts.join(" | ")));
    }

    void uncheckedRows_areSkipped()
    {
        SearchFixture search;
        search.Add({"www.free0.com", "www.free1.com", "www.free2.com", "www.free3.com"});
        search.list.Model().SetChecked(0, false);
        search.list.Model().SetChecked(2, false);
        search.driver.OnSearchDomains();
        QCOMPARE(search.barMaximum, 2);
        QVERIFY(search.WaitForFinish());
        QCOMPARE(search.queries, (QByteArrayList{"free1.com", "free3.com"}));
        QCOMPARE(search.Statuses(),
                 (QByteArrayList{"Pending", "Available!", "Pending", "Available!"}));
    }

    // Nothing to ask starts nothing, and a box says why.
    void withoutCheckedPendingRows_nothingStarts_andABoxSaysWhy()
    {
        SearchFixture search;
        search.driver.OnSearchDomains();
        search.Add({"www.free0.com", "www.free1.com"});
        search.list.Model().SetChecked(0, false);
        search.list.Model().SetChecked(1, false);
        search.driver.OnSearchDomains();
        search.list.Model().SetVerdict(1, DomainStatus::Taken);
        search.list.Model().SetChecked(1, true);
        search.driver.OnSearchDomains();
        QVERIFY(!search.driver.IsSearchPending());
        QTest::qWait(100);
        QCOMPARE(search.server.ConnectionCount(), 0);
        QCOMPARE(search.Boxes(),
                 (std::vector<std::string>{"No names are checked.", "No names are checked.",
                                           kAllCheckedAnswered}));
        search.list.SortByColumn(0);
        QCOMPARE(search.boxes.shown.size(), 3u);
    }

    void onlyRowsWithoutAVerdict_areAsked()
    {
        SearchFixture search;
        search.Add({"www.taken0.com", "www.free1.com", "www.free2.com"});
        search.list.Model().SetVerdict(0, DomainStatus::Taken);
        search.list.Model().SetVerdict(2, DomainStatus::Taken);
        search.driver.OnSearchDomains();
        QCOMPARE(search.barMaximum, 1);
        QVERIFY(search.WaitForFinish());
        QCOMPARE(search.queries, (QByteArrayList{"free1.com"}));
        QCOMPARE(search.Statuses(), (QByteArrayList{"Taken", "Available!", "Taken"}));
        QCOMPARE(search.barValues.back(), 0);
    }

    // Rows that join the list or get their check mark during the search are asked and counted;
    // a row unchecked before its turn is not asked.
    void rowsAddedOrCheckedDuringTheSearch_areAskedAndCounted()
    {
        SearchFixture search;
        search.Add({"www.slowfree0.com", "www.free1.com", "www.free2.com"});
        search.list.Model().SetChecked(2, false);
        search.OnQuery("slowfree0.com", [&] {
            search.list.AddPendingRow("www.free3.com");
            search.list.Model().SetChecked(1, false);
            search.list.Model().SetChecked(2, true);
        });
        search.driver.OnSearchDomains();
        QVERIFY(search.WaitForFinish());
        QCOMPARE(search.queries, (QByteArrayList{"slowfree0.com", "free2.com", "free3.com"}));
        QCOMPARE(search.barMaximum, 3);
        QCOMPARE(search.barValues.mid(search.barValues.size() - 2), (QList<int>{3, 0}));
        QCOMPARE(search.Statuses(),
                 (QByteArrayList{"Available!", "Pending", "Available!", "Available!"}));
    }

    void stopDuringAQuery_endsTheSearchAtOnce()
    {
        SearchFixture search;
        search.Add({"www.mute0.com", "www.free1.com"});
        search.OnQuery("mute0.com", [&] { search.driver.OnStopSearch(); });
        search.driver.OnSearchDomains();
        QTRY_VERIFY(!search.boxes.shown.empty());
        QTest::qWait(200);
        QCOMPARE(search.Boxes(),
                 std::vector<std::string>{"Search stopped: 2 names were not asked."});
        QCOMPARE(search.Statuses(), (QByteArrayList{"Pending", "Pending"}));
        QCOMPARE(search.barValues.back(), 0);
        QVERIFY(!search.driver.IsSearchPending());
        QVERIFY(!search.engine.IsBusy());
        QTRY_COMPARE(search.server.OpenConnections(), 0);
    }

    // The stop box counts the names the search had still to ask (the one it was asking too),
    // not the unchecked ones, and keeps the lines of a finished search.
    void stop_saysHowManyNamesWereNotAsked()
    {
        SearchFixture search;
        search.Add({"www.free0.com", "www.odd1.com", "www.mute2.com", "www.taken3.com",
                    "www.free4.com", "www.free5.com"});
        search.list.Model().SetChecked(5, false);
        search.OnQuery("mute2.com", [&] { search.driver.OnStopSearch(); });
        search.driver.OnSearchDomains();
        QTRY_VERIFY(!search.boxes.shown.empty());
        QCOMPARE(search.Statuses(), (QByteArrayList{"Available!", "No Answer", "Pending", "Pending",
                                                    "Pending", "Pending"}));
        QCOMPARE(search.Boxes(), std::vector<std::string>{
                                     "Search stopped: 3 names were not asked.\n\n1 name got no "
                                     "answer; Search Domains asks it again."});

        search.boxes.shown.clear();
        search.list.Model().RemoveRows(
            [](const DomainRow& row) { return row.name != "www.mute2.com"; });
        search.OnQuery("mute2.com", [&] { search.driver.OnStopSearch(); });
        search.driver.OnSearchDomains();
        QTRY_VERIFY(!search.boxes.shown.empty());
        QCOMPARE(search.Boxes(), std::vector<std::string>{"Search stopped: 1 name was not asked."});
    }

    void stopWithoutASearch_saysNoneRuns()
    {
        SearchFixture search;
        search.driver.OnStopSearch();
        QCOMPARE(search.Boxes(), std::vector<std::string>{"No search is running."});
    }

    void searchAgainDuringASearch_restartsAtTheFirstCheckedPendingRow()
    {
        SearchFixture search;
        search.Add({"www.mute0.com", "www.free1.com"});
        search.OnQuery("mute0.com", [&] { search.driver.OnSearchDomains(); });
        search.driver.OnSearchDomains();
        QTRY_COMPARE(search.queries.size(), 2);
        QCOMPARE(search.queries, (QByteArrayList{"mute0.com", "mute0.com"}));
        QVERIFY(search.driver.IsSearchPending());
        QCOMPARE(search.barMaximum, 2);
        search.driver.OnStopSearch();
    }

    void onlyTheLeadingWwwIsRemovedBeforeTheQuery()
    {
        SearchFixture search;
        search.Add({"www.free.www.example.com", "www.freeawww.com"});
        search.driver.OnSearchDomains();
        QVERIFY(search.WaitForFinish());
        QCOMPARE(search.queries, (QByteArrayList{"free.www.example.com", "freeawww.com"}));
    }

    // No failure holds the search up or opens a box while it runs: the row says "No Answer"
    // and why, the search goes on, the end says how many got none, and the next search asks
    // them again.
    void queriesWithoutAVerdict_giveNoAnswer_andTheSearchGoesOn()
    {
        SearchFixture search;
        search.Add({"www.mute0.com", "www.odd1.com", "www.free2.com"});
        search.driver.OnSearchDomains();
        QVERIFY(search.WaitForFinish());
        QCOMPARE(search.Statuses(), (QByteArrayList{"No Answer", "No Answer", "Available!"}));
        QCOMPARE(search.list.Model().Rows().Reason(0), "Winsock Error: Connection rejected!");
        QCOMPARE(search.list.Model().Rows().Reason(1), "No verdict in the reply");
        QCOMPARE(search.boxes.shown.size(), 1u);
        QCOMPARE(search.boxes.shown[0].text,
                 std::string("Domain Name Search Finished!\n\n2 names got no answer; Search "
                             "Domains asks them again."));

        search.boxes.shown.clear();
        search.queries.clear();
        search.UseServer(ServerAddress{"127.0.0.1", ClosedLocalPort()});
        search.driver.OnSearchDomains();
        QCOMPARE(search.barMaximum, 2);
        QVERIFY(search.WaitForFinish());
        QCOMPARE(search.list.Model().Rows().Reason(0), "Winsock Error: Connection Failure!");
        QCOMPARE(search.list.Model().Rows().Reason(1), "Winsock Error: Connection Failure!");
        // Every answer, a failure too, names its server and time for an export.
        const DomainRows& rows = search.list.Model().Rows();
        QVERIFY(rows.Server(2).starts_with("127.0.0.1:") && rows.Server(0) != rows.Server(2));
        QVERIFY(rows.At(0).answeredAt > 1'700'000'000 && rows.At(2).answeredAt > 1'700'000'000);

        search.boxes.shown.clear();
        search.list.Model().SetChecked(1, false);
        search.driver.OnSearchDomains();
        QVERIFY(search.WaitForFinish());
        QCOMPARE(search.boxes.shown.back().text,
                 std::string("Domain Name Search Finished!\n\n1 name got no answer; Search "
                             "Domains asks it again."));
    }

    // Names that no search can ask are not promised another try.
    void namesThatCannotBeAsked_areCountedApart()
    {
        SearchFixture search;
        search.Add({"www.nodot", "www.mute1.com", "www.free2.com", "www.alsonodot"});
        search.driver.OnSearchDomains();
        QVERIFY(search.WaitForFinish());
        QCOMPARE(search.Statuses(),
                 (QByteArrayList{"No Answer", "No Answer", "Available!", "No Answer"}));
        QCOMPARE(search.list.Model().Rows().Reason(0), "Not a domain name");
        QCOMPARE(search.queries, (QByteArrayList{"mute1.com", "free2.com"}));
        QCOMPARE(search.Boxes(),
                 std::vector<std::string>{kFinished +
                                          "\n\n1 name got no answer; Search Domains asks it "
                                          "again.\n\n2 names cannot be asked; their rows say "
                                          "why."});

        search.boxes.shown.clear();
        search.list.Model().SetChecked(1, false);
        search.driver.OnSearchDomains();
        QVERIFY(search.WaitForFinish());
        QCOMPARE(search.Boxes(),
                 std::vector<std::string>{kFinished +
                                          "\n\n2 names cannot be asked; their rows say why."});
    }

    // The rows a search took from the store say when their answer was given; the finished box
    // counts them, and says why when the store could not be used, the search answered all the same.
    void rememberedAnswers_sayWhenAndAreCounted()
    {
        SearchFixture search;
        QTemporaryDir folder;
        search.UseServer(ParseServerAddress(search.server.Address().toStdString()).value(),
                         folder.filePath("answers.sqlite"));
        search.Add({"taken1.com", "free2.com"});
        search.driver.OnSearchDomains();
        QVERIFY(search.WaitForFinish());
        const std::uint32_t firstAnswered = search.list.Model().Rows().At(0).answeredAt;

        search.boxes.shown.clear();
        search.queries.clear();
        search.list.Model().RemoveAll();
        search.Add({"taken1.com", "free2.com", "taken3.com"});
        search.driver.OnSearchDomains();
        QVERIFY(search.WaitForFinish());
        QCOMPARE(search.queries, QByteArrayList{"taken3.com"});
        QCOMPARE(search.Statuses(), (QByteArrayList{"Taken", "Available!", "Taken"}));
        QCOMPARE(search.boxes.shown.back().text,
                 kFinished + "\n\n2 answers were remembered from earlier searches.");
        const auto toolTip = [&](int row) {
            return search.list.Model().index(row, 1).data(Qt::ToolTipRole).toString();
        };
        QCOMPARE(toolTip(0),
                 "Remembered from " +
                     QDateTime::fromSecsSinceEpoch(firstAnswered).toString("yyyy-MM-dd HH:mm"));
        QCOMPARE(search.list.Model().Rows().At(0).answeredAt, firstAnswered);
        QCOMPARE(toolTip(2), QString());

        search.boxes.shown.clear();
        search.UseServer(ParseServerAddress(search.server.Address().toStdString()).value(),
                         "/proc/qirv-test/answers.sqlite");
        search.list.Model().RemoveAll();
        search.Add({"free4.com"});
        search.driver.OnSearchDomains();
        QVERIFY(search.WaitForFinish());
        QCOMPARE(search.Statuses(), QByteArrayList{"Available!"});
        QCOMPARE(search.boxes.shown.back().text,
                 kFinished + "\n\nRemembered answers are not used: /proc/qirv-test/answers.sqlite: "
                             "unable to open database file.");
    }

    void deletingRowsAboveTheAskedRow_stillWritesTheVerdictIntoIt()
    {
        SearchFixture search;
        search.Add({"www.taken0.com", "www.taken1.com", "www.slowfree2.com", "www.taken3.com"});
        search.list.Model().SetChecked(0, false);
        search.list.Model().SetChecked(1, false);
        search.OnQuery("slowfree2.com", [&] { search.commands.DeleteUnchecked(); });
        search.driver.OnSearchDomains();
        QVERIFY(search.WaitForFinish());
        QCOMPARE(search.list.Model().Rows().At(0).name, "www.slowfree2.com");
        QCOMPARE(search.Statuses(), (QByteArrayList{"Available!", "Taken"}));
        QCOMPARE(search.queries, (QByteArrayList{"slowfree2.com", "taken3.com"}));
    }

    void deletingTheAskedRow_changesNoRow_andTheSearchGoesOnAfterIt()
    {
        SearchFixture search;
        search.Add({"www.free0.com", "www.slowtaken1.com", "www.free2.com"});
        search.list.Model().SetChecked(0, false);
        search.OnQuery("slowtaken1.com", [&] {
            search.list.Model().RemoveRows(
                [](const DomainRow& row) { return row.name == "www.slowtaken1.com"; });
            // It leaves the count at once, not when its answer comes.
            QCOMPARE(search.barMaximum, 1);
        });
        search.driver.OnSearchDomains();
        QVERIFY(search.WaitForFinish());
        QCOMPARE(search.queries, (QByteArrayList{"slowtaken1.com", "free2.com"}));
        QCOMPARE(search.Statuses(), (QByteArrayList{"Pending", "Available!"}));
    }

    void deleteListDuringASearch_endsItAtOnce()
    {
        SearchFixture search;
        search.Add({"www.odd0.com", "www.mute1.com", "www.free2.com"});
        search.OnQuery("mute1.com", [&] {
            search.commands.ClearList();
            QVERIFY(!search.driver.IsSearchPending());
            search.list.AddPendingRow("www.free5.com");
        });
        search.driver.OnSearchDomains();
        QTRY_COMPARE(search.queries, (QByteArrayList{"odd0.com", "mute1.com"}));
        QTest::qWait(600);
        QCOMPARE(search.queries, (QByteArrayList{"odd0.com", "mute1.com"}));
        QCOMPARE(search.Statuses(), QByteArrayList{"Pending"});
        QVERIFY(!search.driver.IsSearchPending());
        // The user threw the rows away: no box counts what they got.
        QVERIFY(search.boxes.shown.empty());
        search.list.SortByColumn(0);
        QVERIFY(search.boxes.shown.empty());
    }
};

QIRV_TEST(SearchDriverTest);
#include "SearchDriverTest.moc"
