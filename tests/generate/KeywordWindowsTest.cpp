#include "ModalDriver.h"
#include "RecordingDesktop.h"
#include "RecordingMessageBox.h"
#include "TestMain.h"
#include "app/CSearchDlg.h"
#include "generate/core/CandidateGenerator.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A main window whose keyword window reads its word files from a folder of the test's own.
struct Window
{
    Window()
    {
        window.KeywordDlg().m_programDirectory = [this] {
            return folder.path().toStdString();
        };
    }

    QString WriteFile(const QString& name, const QByteArray& bytes)
    {
        QFile file(folder.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    }

    QByteArrayList Names()
    {
        QByteArrayList names;
        for (int row = 0; row < window.List().GetItemCount(); ++row) {
            names.append(window.List().GetName(row));
        }
        return names;
    }

    QTemporaryDir folder;
    RecordingMessageBox boxes;
    ScriptedFileDialogs files;
    CSearchDlg window{[this] {
        SearchDlgSeams seams;
        seams.messageBoxes = &boxes;
        seams.fileDialogs = &files;
        return seams;
    }()};
    QAbstractItemModelTester modelTester{&window.List().Model(),
                                         QAbstractItemModelTester::FailureReportingMode::QtTest};
};

QCheckBox* Box(QWidget& dialog, int id)
{
    return dialog.findChild<QCheckBox*>(QString::number(id));
}

void Click(QWidget& dialog, int id)
{
    QTest::mouseClick(dialog.findChild<QPushButton*>(QString::number(id)), Qt::LeftButton);
}

QPlainTextEdit* Edit(QWidget& dialog, int id)
{
    return dialog.findChild<QPlainTextEdit*>(QString::number(id));
}

// Types into the box as a person would, Return between lines.
void Type(QPlainTextEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    const QStringList lines = text.split('\n');
    for (qsizetype index = 0; index < lines.size(); ++index) {
        if (index > 0) {
            QTest::keyClick(edit, Qt::Key_Return);
        }
        QTest::keyClicks(edit, lines[index]);
    }
}

constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kKeywords = 1006;
constexpr int kSelectAll = 1017;
constexpr int kEditSuffixes = 1004;
constexpr int kEditorText = 1029;
constexpr int kBrowse = 1030;

} // namespace

class KeywordWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void firstOpening_unchanged_generatesDotComWithTheDefaults()
    {
        Window test;
        WhenModalOpens([](QWidget& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Keyword Selection Dialog"));
            QVERIFY(Box(dialog, 1010)->isChecked());  // .com
            QVERIFY(Box(dialog, 1028)->isChecked());  // Combine Keywords
            QVERIFY(Box(dialog, 1007)->isChecked());  // Use hyphens
            QVERIFY(Box(dialog, 1041)->isChecked());  // Remove Spaces
            QVERIFY(!Box(dialog, 1002)->isChecked()); // Use Suffixes
            Type(Edit(dialog, kKeywords), "red car\nbike");
            QDir().mkpath(QStringLiteral(QIRV_SCREENSHOT_DIR));
            QVERIFY(dialog.grab().save(QStringLiteral(QIRV_SCREENSHOT_DIR "/keyword-window.png")));
            Click(dialog, kOk);
        });
        test.window.OnAddNewKeywords();
        QCOMPARE(test.window.KeywordDlg().m_arrExtensions, std::vector<std::string>{".com"});
        QCOMPARE(test.window.KeywordDlg().m_options.m_strKeywords, std::string("red car\r\nbike"));
        QCOMPARE(test.Names(),
                 (QByteArrayList{"www.red-car.com", "www.redcar.com", "www.car-red.com",
                                 "www.carred.com", "www.bike.com"}));
    }

    void everyExtension_comesInTheFixedOrder()
    {
        Window test;
        WhenModalOpens([](QWidget& dialog) {
            for (const int id : {1043, 1040, 1015, 1014, 1042, 1013, 1012, 1011}) {
                Box(dialog, id)->setChecked(true);
            }
            Type(Edit(dialog, kKeywords), "x");
            Click(dialog, kOk);
        });
        test.window.OnAddNewKeywords();
        QCOMPARE(test.Names(),
                 (QByteArrayList{"www.x.com", "www.x.net", "www.x.org", "www.x.info", "www.x.edu",
                                 "www.x.biz", "www.x.ca", "www.x.eu", "www.x.us"}));
    }

    void selectAllThenCancel_generatesNothing_butTheNextOpeningShowsIt()
    {
        Window test;
        WhenModalOpens([](QWidget& dialog) {
            Type(Edit(dialog, kKeywords), "before");
            Click(dialog, kSelectAll);
            Type(Edit(dialog, kKeywords), "after select all");
            Click(dialog, kCancel);
        });
        test.window.OnAddNewKeywords();
        QCOMPARE(test.window.List().GetItemCount(), 0);
        QVERIFY(test.window.KeywordDlg().m_arrExtensions.empty());
        bool checked = false;
        WhenModalOpens([&](QWidget& dialog) {
            checked = true;
            for (const int id : {1010, 1011, 1012, 1013, 1014, 1015, 1040, 1042, 1043}) {
                QVERIFY(Box(dialog, id)->isChecked());
            }
            QCOMPARE(Edit(dialog, kKeywords)->toPlainText(), QStringLiteral("before"));
            Click(dialog, kCancel);
        });
        test.window.OnAddNewKeywords();
        QVERIFY(checked);
    }

    void noExtension_closesAndAddsNoRow()
    {
        Window test;
        WhenModalOpens([](QWidget& dialog) {
            Box(dialog, 1010)->setChecked(false);
            Type(Edit(dialog, kKeywords), "x");
            Click(dialog, kOk);
        });
        test.window.OnAddNewKeywords();
        QCOMPARE(test.window.List().GetItemCount(), 0);
    }

    void wordFiles_loadAtTheFirstOpeningOnly_andMenuLoadedListsStay()
    {
        Window test;
        test.WriteFile("suffixes.txt", "my\r\nget\r\n");
        test.WriteFile("preffixes.txt", "\xEF\xBB\xBFhub \n");
        test.WriteFile("keywords.txt", "online\n");
        const QString chosen = test.WriteFile("mine.txt", "from menu\n");
        test.files.openAnswers = {chosen};
        test.window.OnLoadSuffixes();
        WhenModalOpens([](QWidget& dialog) { Click(dialog, kCancel); });
        test.window.OnAddNewKeywords();
        const CKeywordSelectionDlg& keywords = test.window.KeywordDlg();
        QCOMPARE(keywords.m_lists.m_arrSuffixes, std::vector<std::string>{"from menu"});
        QCOMPARE(keywords.m_lists.m_arrPrefixes, std::vector<std::string>{"hub"});
        QCOMPARE(keywords.m_lists.m_arrTopWords, std::vector<std::string>{"online"});
        QCOMPARE(keywords.m_bListsLoaded, 1);

        test.window.KeywordDlg().m_lists.m_arrTopWords.clear();
        WhenModalOpens([](QWidget& dialog) { Click(dialog, kCancel); });
        test.window.OnAddNewKeywords();
        QVERIFY(test.window.KeywordDlg().m_lists.m_arrTopWords.empty());
    }

    void loadingCommands_emptyTheKeywordText_andCancelChangesNothing()
    {
        Window test;
        test.window.KeywordDlg().m_options.m_strKeywords = "typed\r\n";
        test.files.openAnswers = {""};
        test.window.OnLoadPrefixes();
        QCOMPARE(test.window.KeywordDlg().m_options.m_strKeywords, std::string("typed\r\n"));

        test.files.openAnswers = {test.WriteFile("p.txt", "x\ny\n")};
        test.window.OnLoadPrefixes();
        QCOMPARE(test.window.KeywordDlg().m_options.m_strKeywords, std::string());
        QCOMPARE(test.window.KeywordDlg().m_lists.m_arrPrefixes,
                 (std::vector<std::string>{"x", "y"}));
    }

    void loadKeywordsThenCancel_addsNoRows_butKeepsTheText()
    {
        Window test;
        test.files.openAnswers = {test.WriteFile("k.txt", "  alpha \n\nbeta\n")};
        WhenModalOpens([](QWidget& dialog) {
            QCOMPARE(Edit(dialog, kKeywords)->toPlainText(), QStringLiteral("alpha\n\nbeta\n"));
            Click(dialog, kCancel);
        });
        test.window.OnLoadKeywords();
        QCOMPARE(test.window.List().GetItemCount(), 0);
        QCOMPARE(test.window.KeywordDlg().m_options.m_strKeywords,
                 std::string("alpha\r\n\r\nbeta\r\n"));
    }

    void chosenNameWithoutExtension_getsDotTxt()
    {
        Window test;
        test.WriteFile("words.txt", "w\n");
        test.files.openAnswers = {test.folder.filePath("words")};
        test.window.OnLoadSuffixes();
        QCOMPARE(test.window.KeywordDlg().m_lists.m_arrSuffixes, std::vector<std::string>{"w"});
    }

    void editor_replacesTheListWithItsLines()
    {
        Window test;
        test.window.KeywordDlg().m_lists.m_arrSuffixes = {"old", ""};
        test.window.KeywordDlg().m_bListsLoaded = 1;
        WhenModalOpens([&](QWidget& selection) {
            WhenModalOpens(
                [](QWidget& editor) {
                    QCOMPARE(editor.windowTitle(), QStringLiteral("Keyword Editor Dialog"));
                    QCOMPARE(Edit(editor, kEditorText)->toPlainText(), QStringLiteral("old\n\n"));
                    Type(Edit(editor, kEditorText), " one \n\ntwo");
                    QVERIFY(editor.grab().save(
                        QStringLiteral(QIRV_SCREENSHOT_DIR "/keyword-editor.png")));
                    Click(editor, kOk);
                },
                &selection);
            Click(selection, kEditSuffixes);
            Click(selection, kCancel);
        });
        test.window.OnAddNewKeywords();
        QCOMPARE(test.window.KeywordDlg().m_lists.m_arrSuffixes,
                 (std::vector<std::string>{" one ", "", "two"}));
    }

    void editor_browseLoadsNonEmptyLines_andCancelKeepsTheList()
    {
        Window test;
        CKeywordSelectionDlg& keywords = test.window.KeywordDlg();
        keywords.m_lists.m_arrTopWords = {"kept"};
        test.files.openAnswers = {test.WriteFile("b.txt", " a \n\nb")};
        WhenModalOpens([](QWidget& editor) {
            Click(editor, kBrowse);
            QCOMPARE(Edit(editor, kEditorText)->toPlainText(), QStringLiteral(" a \nb\n"));
            Click(editor, kCancel);
        });
        keywords.EditWordList(keywords.m_lists.m_arrTopWords);
        QCOMPARE(keywords.m_lists.m_arrTopWords, std::vector<std::string>{"kept"});

        test.files.openAnswers = {test.WriteFile("b.txt", " a \n\nb")};
        WhenModalOpens([](QWidget& editor) {
            Click(editor, kBrowse);
            Click(editor, kOk);
        });
        keywords.EditWordList(keywords.m_lists.m_arrTopWords);
        QCOMPARE(keywords.m_lists.m_arrTopWords, (std::vector<std::string>{" a ", "b"}));

        WhenModalOpens([](QWidget& editor) {
            Type(Edit(editor, kEditorText), "");
            Click(editor, kOk);
        });
        keywords.EditWordList(keywords.m_lists.m_arrTopWords);
        QVERIFY(keywords.m_lists.m_arrTopWords.empty());
    }

    void tooManyWords_areUsedAsTyped_withOneMessage()
    {
        Window test;
        test.window.KeywordDlg().m_options.m_strKeywords =
            "a b c d e f g h i\r\nj k l m n o p q r s";
        test.window.KeywordDlg().m_arrExtensions = {".com"};
        test.window.GenerateCandidates();
        QCOMPARE(test.window.List().GetItemCount(), 4);
        QCOMPARE(test.boxes.shown.size(), 1u);
        QCOMPARE(test.boxes.shown[0].text,
                 std::string(CandidateGenerator::kLinesNotCombinedMessage));
    }

    void commandLine_generatesWhatTheWindowAdds_data()
    {
        QTest::addColumn<QByteArray>("keywords");
        QTest::addColumn<QStringList>("options");
        QTest::newRow("defaults") << QByteArray("red car\nbike\n\nZ  y") << QStringList{};
        QTest::newRow("lists and every extension")
            << QByteArray("sun shine\nhome")
            << QStringList{"--ext", ".us,.com,.ca,.net,.eu,.org,.biz,.info,.edu", "--use-suffixes",
                           "--use-prefixes", "--use-top-words"};
        QTest::newRow("nothing combined, no hyphens")
            << QByteArray("a b c\nd e") << QStringList{"--no-combine", "--no-hyphens"};
    }

    void commandLine_generatesWhatTheWindowAdds()
    {
        QFETCH(QByteArray, keywords);
        QFETCH(QStringList, options);
        const QString programFolder = QFileInfo(QStringLiteral(QIRV_CLI_PATH)).absolutePath();
        Window test;
        CKeywordSelectionDlg& dialog = test.window.KeywordDlg();
        dialog.m_programDirectory = [programFolder] {
            return programFolder.toStdString();
        };
        WhenModalOpens([&](QWidget& window) {
            Type(Edit(window, kKeywords), QString::fromUtf8(keywords));
            if (options.contains("--no-combine")) {
                Box(window, 1028)->setChecked(false);
            }
            if (options.contains("--no-hyphens")) {
                Box(window, 1007)->setChecked(false);
            }
            if (options.contains("--use-suffixes")) {
                Box(window, 1002)->setChecked(true);
                Box(window, 1003)->setChecked(true);
                Box(window, 1008)->setChecked(true);
                Click(window, kSelectAll);
            }
            Click(window, kOk);
        });
        test.window.OnAddNewKeywords();
        QVERIFY(test.window.List().GetItemCount() > 0);

        QProcess cli;
        cli.start(QStringLiteral(QIRV_CLI_PATH),
                  QStringList{"generate", "--keywords", QString::fromUtf8(keywords)} + options);
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(cli.readAllStandardOutput(), test.Names().join('\n') + '\n');
    }

    void commandLine_wordsPrintsLinesTrimmedOrRaw()
    {
        QTemporaryDir folder;
        QFile file(folder.filePath("w.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\xEF\xBB\xBF  caf\xc3\xa9 \r\n\r\nx");
        file.close();
        QProcess cli;
        cli.start(QStringLiteral(QIRV_CLI_PATH), {"words", file.fileName()});
        QVERIFY(cli.waitForFinished());
        QCOMPARE(cli.readAllStandardOutput(), QByteArray("caf\xc3\xa9\n\nx\n"));
        cli.start(QStringLiteral(QIRV_CLI_PATH), {"words", "--raw", file.fileName()});
        QVERIFY(cli.waitForFinished());
        QCOMPARE(cli.readAllStandardOutput(), QByteArray("  caf\xc3\xa9 \n\nx\n"));
        for (const QStringList& bad :
             {QStringList{"words", folder.filePath("missing.txt")},
              QStringList{"generate", "--ext", ".xyz"},
              QStringList{"generate", "--suffixes", folder.filePath("missing.txt")},
              QStringList{"generate", "--nonsense"}}) {
            cli.start(QStringLiteral(QIRV_CLI_PATH), bad);
            cli.closeWriteChannel();
            QVERIFY(cli.waitForFinished());
            QCOMPARE(cli.exitCode(), 2);
            QVERIFY(!cli.readAllStandardError().isEmpty());
        }
    }
};

QIRV_TEST(KeywordWindowsTest);
#include "KeywordWindowsTest.moc"
