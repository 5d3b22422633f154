#include "FakeRdapServer.h"
#include "ModalDriver.h"
#include "RecordingDesktop.h"
#include "RecordingMessageBox.h"
#include "TestMain.h"
#include "app/CAboutDlg.h"
#include "app/CSearchDlg.h"
#include "app/ControlIds.h"
#include "search/SearchOptions.h"
#include "store/core/AnswerStore.h"
#include "web/WebAddresses.h"

#include <QAbstractItemModelTester>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Confirms the print dialog and sends the job to a PDF file instead of a printer.
class PdfPrintDialog : public PrintDialogSeam
{
public:
    bool Run(QPrinter& printer) override
    {
        ++asked;
        if (pdfPath.isEmpty()) {
            return false;
        }
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        return true;
    }
    QString pdfPath;
    int asked = 0;
};

struct Window
{
    explicit Window(const QString& helpFile = QStringLiteral(QIRV_HELP_FILE))
        : window([&] {
              SearchDlgSeams seams;
              seams.messageBoxes = &boxes;
              seams.fileDialogs = &files;
              seams.clipboard = &clipboard;
              seams.urls = &urls;
              seams.printDialog = &printDialog;
              seams.helpFile = helpFile;
              return seams;
          }())
    {
        window.List().Model().AppendPendingNames(
            {"www.free.com", "www.taken.com", "www.unknown.com"});
        window.List().Model().SetVerdict(0, DomainStatus::Available);
        window.List().Model().SetVerdict(1, DomainStatus::Taken);
        window.List().Model().SetVerdict(2, DomainStatus::InformationMissing);
    }

    void Run(int id)
    {
        QAction* action = window.findChild<QAction*>(QString::number(id));
        QVERIFY2(action, qPrintable(QString::number(id)));
        action->trigger();
    }

    QList<bool> Checks()
    {
        QList<bool> checks;
        for (int row = 0; row < window.List().GetItemCount(); ++row) {
            checks.append(window.List().Model().Rows().At(row).checked);
        }
        return checks;
    }

    RecordingMessageBox boxes;
    ScriptedFileDialogs files;
    RecordingClipboard clipboard;
    RecordingUrlOpener urls;
    PdfPrintDialog printDialog;
    CSearchDlg window;
    QAbstractItemModelTester modelTester{&window.List().Model(),
                                         QAbstractItemModelTester::FailureReportingMode::QtTest};
};

// At namespace scope: moc cannot read raw strings inside a class.
constexpr const char* kTwoExtensions =
    R"({"version": "1.0", "services": [[["io", "dev"], ["https://rdap.example/"]]]})";

QStringList Entries(const QMenu& menu)
{
    QStringList entries;
    for (const QAction* action : menu.actions()) {
        // The text, and the key the menu shows beside it.
        const QString key = action->shortcut().toString();
        entries.append(action->isSeparator()
                           ? QStringLiteral("-")
                           : action->objectName() + " " + action->text() +
                                 (key.isEmpty() ? QString() : QStringLiteral(" | ") + key));
    }
    return entries;
}

} // namespace

class MenusTest : public QObject
{
    Q_OBJECT

private slots:
    void menus_holdEveryEntryInItsPlace()
    {
        Window test;
        QStringList titles;
        QList<QStringList> menus;
        for (QAction* menu : test.window.findChild<QMenuBar*>()->actions()) {
            titles.append(menu->text());
            menus.append(Entries(*menu->menu()));
        }
        QCOMPARE(titles, (QStringList{"&File", "&Edit", "&Help", "&Update"}));
        QCOMPARE(menus[0],
                 (QStringList{
                     "32796 &Open Domain List... | Ctrl+O", "-", "32783 Save &Available Domains",
                     "-", "32784 &Save All Domains... | Ctrl+S", "32797 &Export List... | Ctrl+E",
                     "-", "32779 Load &KeyWords List", "-", "32791 Load &Top Used Words",
                     "32777 Load Pre&ffixes...", "32778 Load S&uffixes...", "-",
                     "32786 &Print Domains List... | Ctrl+P", "-", "2 E&xit | Ctrl+Q"}));
        QCOMPARE(menus[1],
                 (QStringList{"32775 &Copy Available Domains", "-", "57634 Copy A&ll Domains...",
                              "-", "32776 &Delete Taken Domains"}));
        QCOMPARE(menus[2],
                 (QStringList{"32792 &Help Topics...", "-", "32793 &Visit Home Page...", "-",
                              "32794 &Frequently Asked Questions", "-", "32787 &About..."}));
        QCOMPARE(
            menus[3],
            (QStringList{"32790 &Check for Updates...", "-", "32795 &Update Registry List...",
                         "32798 &Refresh Registry List Automatically", "-", "32799 Ask &DNS First",
                         "32800 Remember &Answers", "32801 &Forget Remembered Answers..."}));
        QCOMPARE(Entries(*test.window.findChild<QMenu*>("listMenu")),
                 (QStringList{"32780 &Copy Available Domains", "32781 &Save Available Domains", "-",
                              "32772 Copy Selected &Row... | Ctrl+C", "-",
                              "32773 &Open Domain in Browser", "-", "32774 &Whois Domain...", "-",
                              "32782 &Delete Taken Domains"}));
        // Within each menu every entry has a letter of its own.
        for (QMenu* menu : test.window.findChildren<QMenu*>()) {
            QStringList letters;
            for (const QAction* action : menu->actions()) {
                if (!action->isSeparator()) {
                    const QString text = action->text();
                    const auto mark = text.indexOf('&');
                    QVERIFY2(mark >= 0, qPrintable(text));
                    letters.append(text.mid(mark + 1, 1).toLower());
                }
            }
            QCOMPARE(QSet<QString>(letters.begin(), letters.end()).size(), letters.size());
        }
    }

    // Forgetting cannot be undone: it asks first, and No keeps every answer.
    void forgetRememberedAnswers_asksFirst()
    {
        const std::int64_t now = QDateTime::currentSecsSinceEpoch();
        const auto answersKept = [now] {
            AnswerStore store(DefaultAnswerStorePath());
            store.Open(now);
            return store.History("kept.com").size();
        };
        {
            AnswerStore store(DefaultAnswerStorePath());
            QVERIFY(store.Open(now));
            QVERIFY(store.Add({StoredAnswer{"kept.com", now, DomainStatus::Taken, "", "DNS"}}));
        }
        Window test;
        test.boxes.answer = false;
        test.Run(CommandId::ForgetRememberedAnswers);
        QCOMPARE(test.boxes.asked.size(), 1u);
        QTest::qWait(100);
        QCOMPARE(answersKept(), 1u);
        test.boxes.answer = true;
        test.Run(CommandId::ForgetRememberedAnswers);
        QTRY_COMPARE(answersKept(), 0u);
    }

    void editAndListEntries_runTheirCommands()
    {
        Window test;
        test.Run(CommandId::CopyAvailable);
        QCOMPARE(test.clipboard.texts.back(), std::string("www.free.com"));
        QCOMPARE(test.Checks(), (QList<bool>{true, false, false}));
        test.Run(CommandId::CopyAllDomains);
        QCOMPARE(test.clipboard.texts.back(),
                 std::string("www.free.com\nwww.taken.com\nwww.unknown.com"));
        test.Run(CommandId::ListCopyAvailable);
        QCOMPARE(test.clipboard.texts.back(), std::string("www.free.com"));
        test.window.List().selectRow(1);
        test.Run(CommandId::CopySelectedRow);
        QCOMPARE(test.clipboard.texts.back(), std::string("www.taken.com"));
        test.Run(CommandId::OpenInBrowser);
        test.Run(CommandId::WhoisDomain);
        QCOMPARE(test.urls.urls,
                 (std::vector<std::string>{
                     "http://www.taken.com",
                     "https://qirv.zelbrane.com/tools/whois.php?remote=taken.com"}));
        test.Run(CommandId::ListSaveAvailable);
        test.Run(CommandId::SaveAvailable);
        test.Run(CommandId::SaveAll);
        QCOMPARE(test.files.saveAsked, 3);
        QCOMPARE(test.Checks(), (QList<bool>{true, true, true}));
        test.Run(CommandId::DeleteTaken);
        QCOMPARE(test.window.List().GetItemCount(), 2);
        test.window.List().Model().SetVerdict(1, DomainStatus::Taken);
        test.Run(CommandId::ListDeleteTaken);
        QCOMPARE(test.window.List().GetItemCount(), 1);
    }

    void doubleClick_opensTheRowWithItsWww()
    {
        Window test;
        test.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&test.window));
        CDomainListCtrl& list = test.window.List();
        const QRect cell = list.visualRect(list.Model().index(2, 0));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(test.urls.urls, std::vector<std::string>{"http://www.unknown.com"});
    }

    void fileEntries_askForAFile_andExitCloses()
    {
        Window test;
        for (const int id :
             {CommandId::LoadKeywords, CommandId::LoadTopWords, CommandId::LoadPrefixes,
              CommandId::LoadSuffixes, CommandId::OpenDomainList, CommandId::ExportList}) {
            test.Run(id);
        }
        QCOMPARE(test.files.openAsked, 5);
        QCOMPARE(test.files.saveAsked, 1);
        test.window.show();
        test.Run(CommandId::Exit);
        QVERIFY(!test.window.isVisible());
        QCOMPARE(test.window.result(), int(QDialog::Rejected));
    }

    void homePageEntries_openTheSamePage()
    {
        Window test;
        for (const int id : {CommandId::VisitHomePage, CommandId::FrequentlyAskedQuestions,
                             CommandId::CheckForUpdates}) {
            test.Run(id);
        }
        QCOMPARE(test.urls.urls, std::vector<std::string>(3, "https://qirv.zelbrane.com/"));
    }

    void updateRegistryList_switchesTheRoutesAndSaysSo()
    {
        Window test;
        QTemporaryDir cache;
        FakeRdapServer iana;
        iana.SetResponder([](const QByteArray&) {
            return FakeRdapServer::Answer{200, ShippedRdapListWith(kTwoExtensions)};
        });
        test.window.RegistryList().SetCacheFolder(cache.path());
        test.window.RegistryList().SetDownloadUrl(QUrl(iana.BaseUrl() + "dns.json"));
        test.Run(CommandId::UpdateRegistryList);
        QVERIFY(test.boxes.shown.empty());
        QTRY_COMPARE(test.boxes.shown.size(), 1u);
        const std::string& said = test.boxes.shown[0].text;
        QVERIFY2(said.starts_with("The registry list is updated: ") &&
                     said.ends_with(" extensions are asked over RDAP."),
                 said.c_str());
        QCOMPARE(test.window.LookupEngine().Options().routes.RouteFor("x.io").rdapBase,
                 std::string("https://rdap.example/"));
        QCOMPARE(iana.paths, QList<QByteArray>{"/rdap/dns.json"});
        QVERIFY(QFile::exists(cache.filePath("rdap-dns.json")));
    }

    // At start a list over 30 days old is refreshed; a failure is one line, never a box, and the
    // Update menu turns the refresh off for the next starts too.
    void automaticRefresh_failsInOneLine_andTheMenuTurnsItOff()
    {
        QSettings().clear();
        FakeRdapServer iana;
        QTemporaryDir cache;
        QFile old(cache.filePath("rdap-dns.json"));
        QVERIFY(old.open(QIODevice::WriteOnly) &&
                old.write(ShippedRdapListWith(kTwoExtensions)) > 0 && old.flush());
        QVERIFY(old.setFileTime(QDateTime::currentDateTimeUtc().addDays(-31),
                                QFileDevice::FileModificationTime));
        for (const bool on : {true, false}) {
            Window test;
            test.window.RegistryList().SetCacheFolder(cache.path());
            test.window.RegistryList().SetDownloadUrl(QUrl(iana.BaseUrl() + "dns.json"));
            test.window.RefreshRegistryListIfOld();
            QCOMPARE(test.window.RegistryList().IsUpdating(), on);
            QTRY_COMPARE(test.window.findChild<QProgressBar*>()->format(),
                         on ? QStringLiteral("The registry list was not updated: 127.0.0.1 "
                                             "answered HTTP 404. The list in use stays as it was.")
                            : QString());
            QVERIFY(test.boxes.shown.empty());
            test.Run(CommandId::RefreshRegistryListAutomatically);
        }
        QCOMPARE(iana.paths.size(), 1);
        QSettings().clear();
    }

    void about_showsNameVersionNoticeAndLink()
    {
        Window test;
        QStringList texts;
        WhenModalOpens([&](QWidget& about) {
            QCOMPARE(about.windowTitle(), QStringLiteral("About Qirv"));
            for (const char* name : {"version", "notice", "link"}) {
                texts.append(about.findChild<QLabel*>(name)->text());
            }
            QTest::mousePress(about.findChild<QLabel*>("link"), Qt::LeftButton);
            QTest::mouseClick(about.findChild<QPushButton*>("ok"), Qt::LeftButton);
        });
        test.Run(CommandId::About);
        QCOMPARE(texts[0], QStringLiteral("Zelbrane Version ") + kQirvVersion);
        QCOMPARE(texts[1], QString::fromUtf8(kLegalNotice));
        // The link shows the address it opens.
        QCOMPARE(texts[2], QString::fromUtf8(WebAddress::kAboutBoxAddress));
        QCOMPARE(test.urls.urls, std::vector<std::string>{WebAddress::kAboutBoxAddress});
    }

    void help_opensOurHelpAtItsDefaultTopic()
    {
        Window test;
        test.Run(CommandId::HelpTopics);
        CHelpViewer* viewer = test.window.Help().Viewer();
        QVERIFY(viewer);
        QVERIFY(viewer->isVisible());
        CHelpBrowser& page = viewer->Browser();
        QVERIFY(page.toPlainText().contains("find Internet domain names"));
        page.setSource(QUrl("searching.html"));
        QVERIFY(page.toPlainText().contains("Stop Search"));
        test.Run(CommandId::HelpTopics);
        QVERIFY(page.toPlainText().contains("find Internet domain names"));
        viewer->close();
    }

    void help_withoutItsFile_doesNothingForTheRestOfTheRun()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("qirv.chm");
        Window test(path);
        test.Run(CommandId::HelpTopics);
        QVERIFY(!test.window.Help().Viewer());
        QVERIFY(test.window.Help().IsUnavailable());
        QVERIFY(QFile::copy(QStringLiteral(QIRV_HELP_FILE), path));
        test.Run(CommandId::HelpTopics);
        QVERIFY(!test.window.Help().Viewer());
        QVERIFY(test.boxes.shown.empty());
    }

    void print_emptyListOrCancel_printsNothing_andEveryJobStartsOnA4()
    {
        Window test;
        test.window.ListPrinter().Printer().setPageSize(QPageSize(QPageSize::Letter));
        test.Run(CommandId::PrintList);
        QCOMPARE(test.printDialog.asked, 1);
        QCOMPARE(test.window.ListPrinter().Printer().pageLayout().pageSize().id(), QPageSize::A4);
        test.window.List().Model().RemoveAll();
        QVERIFY(!test.window.ListPrinter().PrintList(test.window.List().Model(), "Domain List",
                                                     QPageLayout::Portrait));
        QCOMPARE(test.printDialog.asked, 1);
    }

    void print_toPdf_holdsTitleHeadingsAndEveryName()
    {
        Window test;
        for (int number = 0; number < 70; ++number) {
            test.window.List().AddPendingRow("www.name" + QByteArray::number(number) + ".com");
        }
        QDir().mkpath(QStringLiteral(QIRV_SCREENSHOT_DIR));
        test.printDialog.pdfPath = QStringLiteral(QIRV_SCREENSHOT_DIR "/domain-list.pdf");
        QFile::remove(test.printDialog.pdfPath);
        test.Run(CommandId::PrintList);
        QCOMPARE(test.window.ListPrinter().Printer().pageLayout().pageSize().id(), QPageSize::A4);
        QCOMPARE(test.window.ListPrinter().Printer().docName(), QStringLiteral("Tovrane List"));
        QProcess pdftotext;
        pdftotext.start("pdftotext", {"-layout", test.printDialog.pdfPath, "-"});
        QVERIFY(pdftotext.waitForFinished(30000));
        const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
        for (const QString& expected :
             {QStringLiteral("Domain List"), QStringLiteral("Domain Name"),
              QStringLiteral("Status"), QStringLiteral("www.free.com"),
              QStringLiteral("Available!"), QStringLiteral("Information Missing"),
              QStringLiteral("www.name0.com"), QStringLiteral("www.name69.com")}) {
            QVERIFY2(text.contains(expected), qPrintable(expected));
        }
        QVERIFY2(text.count(QChar('\f')) >= 2, "the list breaks onto a second page");
    }
};

QIRV_TEST(MenusTest);
#include "MenusTest.moc"
