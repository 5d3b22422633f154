#include "RecordingDesktop.h"
#include "RecordingMessageBox.h"
#include "TestMain.h"
#include "domainlist/CDomainListCtrl.h"
#include "domainlist/CListCommands.h"
#include "domainlist/core/ListFile.h"
#include "web/WebAddresses.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// Rows "www.a.com" Available!, "www.b.com" Taken, "www.c.com" Information Missing,
// "www.d.com" Pending, with the first and the third checked.
struct Commands
{
    Commands()
    {
        list.SetUp();
        list.Model().AppendPendingNames({"www.a.com", "www.b.com", "www.c.com", "www.d.com"});
        list.Model().SetVerdict(0, DomainStatus::Available);
        list.Model().SetVerdict(1, DomainStatus::Taken);
        list.Model().SetVerdict(2, DomainStatus::InformationMissing);
        list.Model().SetChecked(1, false);
        list.Model().SetChecked(3, false);
    }

    QList<bool> Checks() const
    {
        QList<bool> checks;
        for (int row = 0; row < list.GetItemCount(); ++row) {
            checks.append(list.Model().Rows().At(row).checked);
        }
        return checks;
    }

    QByteArray ReadFile(const QString& path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    RecordingMessageBox boxes;
    RecordingClipboard clipboard;
    ScriptedFileDialogs files;
    RecordingUrlOpener urls;
    CDomainListCtrl list{boxes};
    QAbstractItemModelTester tester{&list.Model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest};
    CListCommands commands{
        list.Model(), [this] { return list.GetFirstSelected(); }, {clipboard, files, urls, boxes}};
    QTemporaryDir folder;
};

// name|status|checked|server|time|reason
QString Described(const ListRecord& record)
{
    return QString::fromStdString(record.name + "|" + std::string(RowStatusText(record.status)) +
                                  "|" + (record.checked ? "x" : "-") + "|" + record.server + "|" +
                                  AnswerTimeText(record.answeredAt) + "|" + record.reason);
}

} // namespace

class ListCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void copyChecked_joinsNamesWithLf_withoutATrailingBreak()
    {
        Commands test;
        test.commands.CopyChecked();
        QCOMPARE(test.clipboard.texts, (std::vector<std::string>{"www.a.com\nwww.c.com"}));
        QVERIFY(test.boxes.shown.empty());
    }

    // Nothing to copy leaves the clipboard as it was, and says so.
    void copyWithoutNames_leavesTheClipboard_andSaysSo()
    {
        Commands test;
        test.commands.UncheckAll();
        test.commands.CopyChecked();
        test.list.Model().SetVerdict(0, DomainStatus::Taken);
        test.commands.CopyAvailable();
        test.commands.ClearList();
        test.commands.CopyAll();
        QVERIFY(test.clipboard.texts.empty());
        std::vector<std::string> texts;
        for (const auto& box : test.boxes.shown) {
            texts.push_back(box.text);
        }
        QCOMPARE(texts, (std::vector<std::string>{
                            "No names are checked; the clipboard is left as it was.",
                            "No name is \"Available!\"; the clipboard is left as it was.",
                            "The list holds no names; the clipboard is left as it was."}));
    }

    void saveChecked_writesEveryLineWithCrLf_andAddsTxtToABareName()
    {
        Commands test;
        test.files.saveAnswers = {test.folder.filePath("list"), test.folder.filePath("list.csv")};
        test.commands.SaveChecked();
        test.commands.UncheckAll();
        test.commands.SaveChecked();
        QCOMPARE(test.ReadFile(test.folder.filePath("list.txt")),
                 QByteArray("www.a.com\r\nwww.c.com\r\n"));
        QCOMPARE(test.ReadFile(test.folder.filePath("list.csv")), QByteArray(""));
        QVERIFY(test.boxes.shown.empty());
        // The next dialog opens where the files went.
        QCOMPARE(test.files.keptFolderOf,
                 (std::vector<std::string>{test.folder.filePath("list.txt").toStdString(),
                                           test.folder.filePath("list.csv").toStdString()}));
    }

    void saveChecked_replacesAnExistingFile_andCancelWritesNothing()
    {
        Commands test;
        const QString path = test.folder.filePath("old.txt");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("a much longer old content that must disappear\r\n");
        old.close();
        test.files.saveAnswers = {path, ""};
        test.commands.SaveChecked();
        QCOMPARE(test.ReadFile(path), QByteArray("www.a.com\r\nwww.c.com\r\n"));
        test.commands.CheckAll();
        test.commands.SaveChecked();
        QCOMPARE(test.ReadFile(path), QByteArray("www.a.com\r\nwww.c.com\r\n"));
        QCOMPARE(test.files.saveAsked, 2);
    }

    void saveThatCannotWrite_saysSoAndNamesTheFile()
    {
        Commands test;
        const QString path = test.folder.filePath("no/such/folder/list.txt");
        test.files.saveAnswers = {path};
        test.commands.SaveChecked();
        QCOMPARE(test.boxes.shown.size(), 1u);
        QVERIFY(test.boxes.shown[0].text.find(path.toStdString()) != std::string::npos);
        QCOMPARE(test.boxes.shown[0].icon, MessageBoxIcon::Stop);
    }

    void failedSaves_sayWhy_andLeaveTheOldFileAlone()
    {
        Commands test;
        const QString existing = test.folder.filePath("kept.txt");
        QFile old(existing);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old content\r\n");
        old.close();
        test.commands.CheckAll();

        // A disk that fills up: the process may write no more than 8 bytes to any file.
        rlimit before{};
        getrlimit(RLIMIT_FSIZE, &before);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tiny = before;
        tiny.rlim_cur = 8;
        setrlimit(RLIMIT_FSIZE, &tiny);
        test.files.saveAnswers = {existing};
        test.commands.SaveChecked();
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, previousHandler);
        QCOMPARE(test.ReadFile(existing), QByteArray("old content\r\n"));

        // A folder where nothing can be created, and a path that is a folder.
        QVERIFY(QDir(test.folder.path()).mkdir("folder.txt"));
        test.files.saveAnswers = {"/proc/qirv-list.txt", test.folder.filePath("folder.txt")};
        test.commands.SaveChecked();
        test.commands.SaveChecked();
        QCOMPARE(test.boxes.shown.size(), 3u);
        QVERIFY(test.boxes.shown[0].text.find(existing.toStdString()) != std::string::npos);
        // The system's reason, not the one of the clean-up after it.
        QVERIFY2(test.boxes.shown[0].text.find("File too large") != std::string::npos,
                 test.boxes.shown[0].text.c_str());
        QVERIFY(test.boxes.shown[1].text.find("/proc/qirv-list.txt") != std::string::npos);
        QVERIFY(test.boxes.shown[2].text.find("folder.txt") != std::string::npos);
        QVERIFY(QFileInfo(test.folder.filePath("folder.txt")).isDir());

        // A failed export too; no failed file leaves its folder for the next dialog (a dialog
        // opened in /proc hangs reading it).
        test.files.saveAnswers = {"/proc/qirv-list.csv"};
        test.commands.ExportList();
        QCOMPARE(test.boxes.shown.size(), 4u);
        QVERIFY(test.files.keptFolderOf.empty());
        test.files.saveAnswers = {test.folder.filePath("good.csv")};
        test.commands.ExportList();
        QCOMPARE(test.files.keptFolderOf,
                 std::vector<std::string>{test.folder.filePath("good.csv").toStdString()});
    }

    void exportThenOpen_givesBackTheSameRows_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("fileType");
        QTest::addColumn<bool>("onlyChecked");
        QTest::addColumn<bool>("withStatuses");
        QTest::newRow("csv") << "list.csv" << 0 << false << true;
        QTest::newRow("csv, checked rows") << "list.csv" << 1 << true << true;
        QTest::newRow("json by file type") << "list" << 2 << false << true;
        QTest::newRow("json by extension, checked rows") << "list.json" << 1 << true << true;
        QTest::newRow("saved names") << "list.txt" << -1 << false << false;
    }

    void exportThenOpen_givesBackTheSameRows()
    {
        QFETCH(QString, fileName);
        QFETCH(int, fileType);
        QFETCH(bool, onlyChecked);
        QFETCH(bool, withStatuses);

        Commands test;
        test.list.Model().AppendPendingNames({"say \"hi\", you.com", "bücher.de"});
        test.list.Model().SetAnswer(
            4, {.reason = "Winsock Error: Query refused by x: \"slow\"", .server = "whois.x:43"},
            1796725581);
        test.list.Model().SetAnswer(1, {.verdict = DomainStatus::Taken, .server = "rdap.y:443"},
                                    1796725582);
        test.list.Model().SetChecked(5, false);
        test.files.saveAnswers = {test.folder.filePath(fileName)};
        if (fileType < 0) {
            test.commands.SaveAll();
        } else {
            test.files.filterAnswer = static_cast<std::size_t>(fileType);
            test.commands.ExportList();
            QCOMPARE(test.files.lastRequest.title, std::string("Export List"));
        }
        QVERIFY(test.boxes.shown.empty());

        QStringList expected;
        for (int row = 0; row < test.list.GetItemCount(); ++row) {
            ListRecord record = test.list.Model().Rows().Record(row);
            if (onlyChecked && !record.checked) {
                continue;
            }
            if (!withStatuses) {
                record = ListRecord{record.name, RowStatus::Pending, true, {}, 0, {}};
            }
            expected.append(Described(record));
        }
        QCOMPARE(expected.join(' ').contains("|whois.x:43|2026-12-08T"), withStatuses);
        Commands opened;
        opened.commands.ClearList();
        opened.files.openAnswers = {test.folder.filePath(fileName)};
        opened.commands.OpenList();
        QVERIFY(opened.boxes.shown.empty());
        QStringList read;
        for (int row = 0; row < opened.list.GetItemCount(); ++row) {
            read.append(Described(opened.list.Model().Rows().Record(row)));
        }
        QCOMPARE(read, expected);
    }

    void openList_addsNewRowsBehind_andReportsWhatItCannotRead()
    {
        Commands test;
        const QString csv = test.folder.filePath("more.csv");
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("name,status,checked\r\nwww.a.com,Pending,true\r\nwww.e.com,Taken,false\r\n"
                   "www.f.com,Sold,true\r\nwww.e.com,Available!,true\r\nwww.g.com,,\r\n");
        file.close();
        const QString binary = test.folder.filePath("image.png");
        QFile image(binary);
        QVERIFY(image.open(QIODevice::WriteOnly));
        image.write(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
        image.close();

        test.files.openAnswers = {csv, binary, test.folder.filePath("missing.txt")};
        test.commands.OpenList();
        test.commands.OpenList();
        test.commands.OpenList();
        QStringList rows;
        for (int row = 0; row < test.list.GetItemCount(); ++row) {
            rows.append(Described(test.list.Model().Rows().Record(row)));
        }
        QCOMPARE(rows.mid(4), (QStringList{"www.e.com|Taken|-|||", "www.g.com|Pending|x|||"}));
        QCOMPARE(rows[0], QString("www.a.com|Available!|x|||"));
        QCOMPARE(test.boxes.shown.size(), 3u);
        QCOMPARE(test.boxes.shown[0].text, "1 line of \"" + csv.toStdString() +
                                               "\" could not be read and was left out: line 4.");
        // Only the lines with a NUL byte or control characters are bad.
        QCOMPARE(test.boxes.shown[1].text, "3 lines of \"" + binary.toStdString() +
                                               "\" could not be read and were left out: lines "
                                               "1, 2, 3.");
        QVERIFY(test.boxes.shown[2].text.find("missing.txt\" could not be opened: ") !=
                std::string::npos);
    }

    // A named pipe nobody writes to, an endless device and a folder are refused at once, said
    // so, and the list is kept as it was.
    void openList_refusesWhatIsNoRegularFile_andKeepsTheList_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");
        QTest::newRow("named pipe") << "fifo"
                                    << "it is a named pipe (FIFO), not a regular file";
        QTest::newRow("endless device") << "/dev/zero"
                                        << "it is a character device, not a "
                                           "regular file";
        QTest::newRow("folder") << "folder"
                                << "it is a folder";
    }

    void openList_refusesWhatIsNoRegularFile_andKeepsTheList()
    {
        QFETCH(QString, file);
        QFETCH(QString, reason);
        Commands test;
        QVERIFY(mkfifo(QFile::encodeName(test.folder.filePath("fifo")).constData(), 0600) == 0);
        QVERIFY(QDir(test.folder.path()).mkdir("folder"));
        const QString path = file.startsWith('/') ? file : test.folder.filePath(file);
        test.files.openAnswers = {path};
        test.commands.OpenList();
        QCOMPARE(test.list.GetItemCount(), 4);
        QCOMPARE(test.boxes.shown.size(), 1u);
        QCOMPARE(test.boxes.shown[0].text, "The domain list \"" + path.toStdString() +
                                               "\" could not be opened: " + reason.toStdString());
    }

    // A file that adds no row says why.
    void openList_thatAddsNothing_saysWhy()
    {
        Commands test;
        const auto write = [&](const char* name, const QByteArray& text) {
            const QString path = test.folder.filePath(QString::fromUtf8(name));
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write(text);
            return path;
        };
        const QString listed = write("listed.txt", "www.a.com\r\nwww.b.com\r\nwww.c.com\r\n");
        const QString one = write("one.txt", "www.d.com\n");
        const QString empty = write("empty.txt", "");
        const QString bad =
            write("bad.csv", "name,status\r\nwww.a.com,Pending\r\nwww.z.com,Sold\r\n");
        test.files.openAnswers = {listed, one, empty, bad};
        for (int file = 0; file < 4; ++file) {
            test.commands.OpenList();
        }
        QCOMPARE(test.list.GetItemCount(), 4);
        std::vector<std::string> texts;
        for (const auto& box : test.boxes.shown) {
            texts.push_back(box.text);
        }
        const auto quoted = [](const QString& path) {
            return "\"" + path.toStdString() + "\"";
        };
        QCOMPARE(texts,
                 (std::vector<std::string>{
                     "All 3 names of " + quoted(listed) + " are already in the list.",
                     "The 1 name of " + quoted(one) + " is already in the list.",
                     quoted(empty) + " holds no domain names.",
                     "The 1 name of " + quoted(bad) + " is already in the list.\n\n1 line of " +
                         quoted(bad) + " could not be read and was left out: line 3."}));
    }

    void checkByStatus_checksExactlyThatStatus()
    {
        Commands test;
        test.commands.CheckTaken();
        QCOMPARE(test.Checks(), (QList<bool>{false, true, false, false}));
        test.commands.CheckAvailable();
        QCOMPARE(test.Checks(), (QList<bool>{true, false, false, false}));
        test.commands.CheckAll();
        QCOMPARE(test.Checks(), (QList<bool>{true, true, true, true}));
        test.commands.UncheckAll();
        QCOMPARE(test.Checks(), (QList<bool>{false, false, false, false}));
    }

    void compositions_leaveTheirCheckMarks_alsoAfterACancelledDialog()
    {
        Commands test;
        test.commands.SaveAll();
        QCOMPARE(test.Checks(), (QList<bool>{true, true, true, true}));
        test.commands.SaveAvailable();
        QCOMPARE(test.Checks(), (QList<bool>{true, false, false, false}));
        QCOMPARE(test.files.saveAsked, 2);
        test.commands.CopyAvailable();
        QCOMPARE(test.clipboard.texts.back(), std::string("www.a.com"));
        test.commands.DeleteTaken();
        QCOMPARE(test.list.GetItemCount(), 3);
        QCOMPARE(test.Checks(), (QList<bool>{false, false, false}));
        QCOMPARE(test.list.GetStatus(1), QByteArray("Information Missing"));
    }

    void copyAll_copiesEveryName_andLeavesTheMarks()
    {
        Commands test;
        const QList<bool> marks = test.Checks();
        test.commands.CopyAll();
        QCOMPARE(test.clipboard.texts,
                 std::vector<std::string>{"www.a.com\nwww.b.com\nwww.c.com\nwww.d.com"});
        QCOMPARE(test.Checks(), marks);
    }

    void oneRowCommands_actOnTheHighlightedRow_orDoNothing()
    {
        Commands test;
        test.commands.CopySelectedRow();
        test.commands.OpenSelectedRow();
        test.commands.WhoisSelectedRow();
        QVERIFY(test.clipboard.texts.empty());
        QVERIFY(test.urls.urls.empty());
        test.list.selectRow(1);
        test.commands.CopySelectedRow();
        test.commands.OpenSelectedRow();
        test.commands.WhoisSelectedRow();
        QCOMPARE(test.clipboard.texts, std::vector<std::string>{"www.b.com"});
        QCOMPARE(test.urls.urls, (std::vector<std::string>{
                                     "http://www.b.com",
                                     "https://qirv.zelbrane.com/tools/whois.php?remote=b.com"}));
    }

    void addresses_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("browser");
        QTest::addColumn<QByteArray>("whoisValue");
        QTest::newRow("plain") << QByteArray("www.example.com")
                               << QByteArray("http://www.example.com") << QByteArray("example.com");
        QTest::newRow("www twice") << QByteArray("www.www.x.com")
                                   << QByteArray("http://www.www.x.com") << QByteArray("www.x.com");
        QTest::newRow("blank and quote never reach the desktop as two")
            << QByteArray("www.my \"site\".com") << QByteArray()
            << QByteArray("my%20%22site%22.com");
        QTest::newRow("shell characters") << QByteArray("www.a;rm -rf&b.com") << QByteArray()
                                          << QByteArray("a%3Brm%20-rf%26b.com");
        QTest::newRow("query characters are encoded")
            << QByteArray("www.a?b=c#d.com") << QByteArray() << QByteArray("a%3Fb%3Dc%23d.com");
        QTest::newRow("not a host name: empty label")
            << QByteArray("www..com") << QByteArray() << QByteArray(".com");
        QTest::newRow("international name")
            << QByteArray("www.caf\xc3\xa9.com") << QByteArray("http://www.caf\xc3\xa9.com")
            << QByteArray("caf%C3%A9.com");
    }

    void addresses()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, browser);
        QFETCH(QByteArray, whoisValue);
        const auto address = BrowserAddressFor(name.toStdString());
        QCOMPARE(QByteArray::fromStdString(address.value_or("")), browser);
        QCOMPARE(QByteArray::fromStdString(WebWhoisAddressFor(name.toStdString())),
                 "https://qirv.zelbrane.com/tools/whois.php?remote=" + whoisValue);
    }
};

QIRV_TEST(ListCommandsTest);
#include "ListCommandsTest.moc"
