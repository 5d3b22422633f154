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
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A main window whose keyword window reads its word files from a folder of the test's own.
struct Window
{
    Window()
    {
        window.KeywordDlg().SetProgramDirectory([this] { return folder.path().toStdString(); });
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
            names.append(QByteArray::fromStdString(window.List().Model().Rows().At(row).name));
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

QCheckBox* Box(QWidget& dialog, const char* name)
{
    return dialog.findChild<QCheckBox*>(name);
}

void Click(QWidget& dialog, const char* name)
{
    QTest::mouseClick(dialog.findChild<QPushButton*>(name), Qt::LeftButton);
}

QPlainTextEdit* Edit(QWidget& dialog, const char* name)
{
    return dialog.findChild<QPlainTextEdit*>(name);
}

QLineEdit* MoreExtensions(QWidget& dialog)
{
    return dialog.findChild<QLineEdit*>("moreExtensions");
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

} // namespace

class KeywordWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    // Every case starts as a first run would: the cases before it confirmed choices of their own.
    void init() { QSettings().clear(); }

    void firstOpening_unchanged_generatesDotComWithTheDefaults()
    {
        Window test;
        WhenModalOpens([](QWidget& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Keyword Selection Dialog"));
            for (const char* name : {"com", "combineKeywords", "useHyphens", "removeSpaces"}) {
                QVERIFY(Box(dialog, name)->isChecked());
            }
            QVERIFY(!Box(dialog, "useSuffixes")->isChecked());
            Type(Edit(dialog, "keywords"), "red car\nbike");
            QDir().mkpath(QStringLiteral(QIRV_SCREENSHOT_DIR));
            QVERIFY(dialog.grab().save(QStringLiteral(QIRV_SCREENSHOT_DIR "/keyword-window.png")));
            Click(dialog, "ok");
        });
        test.window.OnAddNewKeywords();
        QCOMPARE(test.window.KeywordDlg().Extensions(), std::vector<std::string>{".com"});
        QCOMPARE(test.window.KeywordDlg().Options().m_strKeywords, std::string("red car\r\nbike"));
        QCOMPARE(test.Names(),
                 (QByteArrayList{"www.red-car.com", "www.redcar.com", "www.car-red.com",
                                 "www.carred.com", "www.bike.com"}));
    }

    void everyExtension_comesInTheFixedOrder()
    {
        Window test;
        WhenModalOpens([](QWidget& dialog) {
            for (const char* name : {"us", "eu", "ca", "biz", "edu", "info", "org", "net"}) {
                Box(dialog, name)->setChecked(true);
            }
            Type(Edit(dialog, "keywords"), "x");
            Click(dialog, "ok");
        });
        test.window.OnAddNewKeywords();
        QCOMPARE(test.Names(),
                 (QByteArrayList{"www.x.com", "www.x.net", "www.x.org", "www.x.info", "www.x.edu",
                                 "www.x.biz", "www.x.ca", "www.x.eu", "www.x.us"}));
    }

    void typedExtensions_followTheNine_andAnInvalidOneKeepsTheWindowOpen()
    {
        Window test;
        test.window.KeywordDlg().SetMessageBoxes(&test.boxes);
        WhenModalOpens([&](QWidget& dialog) {
            Type(Edit(dialog, "keywords"), "x");
            QLineEdit* field = MoreExtensions(dialog);
            field->setFocus();
            QTest::keyClicks(field, "io .foo.bar, .co.uk .github.io");
            Click(dialog, "ok");
            QVERIFY(dialog.isVisible());
            QCOMPARE(test.boxes.shown.size(), 1u);
            const std::string& message = test.boxes.shown[0].text;
            QVERIFY2(message.starts_with("Not a domain extension: .foo.bar, .github.io\n"),
                     message.c_str());
            QVERIFY(field->hasFocus());

            field->setText(QStringLiteral(".рф, io .com .co.uk"));
            QVERIFY(dialog.grab().save(
                QStringLiteral(QIRV_SCREENSHOT_DIR "/keyword-window-extensions.png")));
            Click(dialog, "ok");
        });
        test.window.OnAddNewKeywords();
        QCOMPARE(test.Names(),
                 (QByteArrayList{"www.x.com", "www.x.рф", "www.x.io", "www.x.co.uk"}));
        QCOMPARE(test.boxes.shown.size(), 1u);
    }

    void selectAllThenCancel_generatesNothing_butTheNextOpeningShowsIt()
    {
        Window test;
        WhenModalOpens([](QWidget& dialog) {
            Type(Edit(dialog, "keywords"), "before");
            Click(dialog, "selectAll");
            Type(Edit(dialog, "keywords"), "after select all");
            Click(dialog, "cancel");
        });
        test.window.OnAddNewKeywords();
        QCOMPARE(test.window.List().GetItemCount(), 0);
        QVERIFY(test.window.KeywordDlg().Extensions().empty());
        bool checked = false;
        WhenModalOpens([&](QWidget& dialog) {
            checked = true;
            for (const char* name : {"com", "net", "org", "info", "biz", "ca", "eu", "edu", "us"}) {
                QVERIFY(Box(dialog, name)->isChecked());
            }
            QCOMPARE(Edit(dialog, "keywords")->toPlainText(), QStringLiteral("before"));
            Click(dialog, "cancel");
        });
        test.window.OnAddNewKeywords();
        QVERIFY(checked);
    }

    // The next run's window shows the choices of the last OK, never the keywords; no settings
    // file, and a file of nonsense, show today's defaults.
    void choices_areKeptFromOkToTheNextRun_data()
    {
        QTest::addColumn<QByteArray>("settingsFile");
        QTest::addColumn<QString>("firstRunCloses"); // empty: no window in the first run
        QTest::addColumn<bool>("choicesKept");
        QTest::newRow("no settings") << QByteArray() << QString() << false;
        QTest::newRow("OK") << QByteArray() << QStringLiteral("ok") << true;
        QTest::newRow("Cancel") << QByteArray() << QStringLiteral("cancel") << false;
        QTest::newRow("nonsense") << QByteArray("[KeywordWindow]\ncom=@ByteArray(false)\n"
                                                "useHyphens=0\nnet=maybe\norg=2\nno setting\n"
                                                "useTopWords=@Invalid()\n"
                                                "moreExtensions=\".io .foo.bar\"\n")
                                  << QString() << false;
    }

    void choices_areKeptFromOkToTheNextRun()
    {
        QFETCH(QByteArray, settingsFile);
        QFETCH(QString, firstRunCloses);
        QFETCH(bool, choicesKept);
        if (!settingsFile.isEmpty()) {
            QFile file(QSettings().fileName());
            QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(settingsFile);
        }
        // In sorted order, as the check below lists the checked boxes.
        const QStringList defaults{"com", "combineKeywords", "removeSpaces", "useHyphens"};
        const QStringList chosen{"biz", "ca", "edu",         "eu",          "info",       "net",
                                 "org", "us", "usePrefixes", "useSuffixes", "useTopWords"};
        if (!firstRunCloses.isEmpty()) {
            Window firstRun;
            WhenModalOpens([&](QWidget& dialog) {
                for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
                    box->setChecked(chosen.contains(box->objectName()));
                }
                MoreExtensions(dialog)->setText(QStringLiteral(".io, co.uk"));
                Type(Edit(dialog, "keywords"), "x");
                Click(dialog, firstRunCloses.toLatin1().constData());
            });
            firstRun.window.OnAddNewKeywords();
        }
        Window nextRun;
        WhenModalOpens([&](QWidget& dialog) {
            QStringList checked;
            for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
                if (box->isChecked()) {
                    checked.append(box->objectName());
                }
            }
            checked.sort();
            QCOMPARE(checked, choicesKept ? chosen : defaults);
            QCOMPARE(MoreExtensions(dialog)->text(),
                     choicesKept ? QStringLiteral(".io, co.uk") : QString());
            QCOMPARE(Edit(dialog, "keywords")->toPlainText(), QString());
            Click(dialog, "cancel");
        });
        nextRun.window.OnAddNewKeywords();
    }

    void noExtension_closesAndAddsNoRow()
    {
        Window test;
        WhenModalOpens([](QWidget& dialog) {
            Box(dialog, "com")->setChecked(false);
            Type(Edit(dialog, "keywords"), "x");
            Click(dialog, "ok");
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
        WhenModalOpens([](QWidget& dialog) { Click(dialog, "cancel"); });
        test.window.OnAddNewKeywords();
        const CKeywordSelectionDlg& keywords = test.window.KeywordDlg();
        QCOMPARE(keywords.Lists().m_arrSuffixes, std::vector<std::string>{"from menu"});
        QCOMPARE(keywords.Lists().m_arrPrefixes, std::vector<std::string>{"hub"});
        QCOMPARE(keywords.Lists().m_arrTopWords, std::vector<std::string>{"online"});
        QVERIFY(keywords.ListsLoaded());

        test.window.KeywordDlg().Lists().m_arrTopWords.clear();
        WhenModalOpens([](QWidget& dialog) { Click(dialog, "cancel"); });
        test.window.OnAddNewKeywords();
        QVERIFY(test.window.KeywordDlg().Lists().m_arrTopWords.empty());
    }

    void loadingCommands_emptyTheKeywordText_andCancelChangesNothing()
    {
        Window test;
        test.window.KeywordDlg().Options().m_strKeywords = "typed\r\n";
        test.files.openAnswers = {""};
        test.window.OnLoadPrefixes();
        QCOMPARE(test.window.KeywordDlg().Options().m_strKeywords, std::string("typed\r\n"));

        test.files.openAnswers = {test.WriteFile("p.txt", "x\ny\n")};
        test.window.OnLoadPrefixes();
        QCOMPARE(test.window.KeywordDlg().Options().m_strKeywords, std::string());
        QCOMPARE(test.window.KeywordDlg().Lists().m_arrPrefixes,
                 (std::vector<std::string>{"x", "y"}));
    }

    void loadKeywordsThenCancel_addsNoRows_butKeepsTheText()
    {
        Window test;
        test.files.openAnswers = {test.WriteFile("k.txt", "  alpha \n\nbeta\n")};
        WhenModalOpens([](QWidget& dialog) {
            QCOMPARE(Edit(dialog, "keywords")->toPlainText(), QStringLiteral("alpha\n\nbeta\n"));
            Click(dialog, "cancel");
        });
        test.window.OnLoadKeywords();
        QCOMPARE(test.window.List().GetItemCount(), 0);
        QCOMPARE(test.window.KeywordDlg().Options().m_strKeywords,
                 std::string("alpha\r\n\r\nbeta\r\n"));
    }

    void chosenNameWithoutExtension_getsDotTxt()
    {
        Window test;
        test.WriteFile("words.txt", "w\n");
        test.files.openAnswers = {test.folder.filePath("words")};
        test.window.OnLoadSuffixes();
        QCOMPARE(test.window.KeywordDlg().Lists().m_arrSuffixes, std::vector<std::string>{"w"});
    }

    void editor_replacesTheListWithItsLines()
    {
        Window test;
        test.window.KeywordDlg().UseLists({{"old", ""}, {}, {}});
        WhenModalOpens([&](QWidget& selection) {
            WhenModalOpens(
                [](QWidget& editor) {
                    QCOMPARE(editor.windowTitle(), QStringLiteral("Keyword Editor Dialog"));
                    QCOMPARE(Edit(editor, "text")->toPlainText(), QStringLiteral("old\n\n"));
                    Type(Edit(editor, "text"), " one \n\ntwo");
                    QVERIFY(editor.grab().save(
                        QStringLiteral(QIRV_SCREENSHOT_DIR "/keyword-editor.png")));
                    Click(editor, "ok");
                },
                &selection);
            Click(selection, "editSuffixes");
            Click(selection, "cancel");
        });
        test.window.OnAddNewKeywords();
        QCOMPARE(test.window.KeywordDlg().Lists().m_arrSuffixes,
                 (std::vector<std::string>{" one ", "", "two"}));
    }

    void editor_browseLoadsNonEmptyLines_andCancelKeepsTheList()
    {
        Window test;
        CKeywordSelectionDlg& keywords = test.window.KeywordDlg();
        std::vector<std::string> topWords{"kept"};
        test.files.openAnswers = {test.WriteFile("b.txt", " a \n\nb")};
        WhenModalOpens([](QWidget& editor) {
            Click(editor, "browse");
            QCOMPARE(Edit(editor, "text")->toPlainText(), QStringLiteral(" a \nb\n"));
            Click(editor, "cancel");
        });
        keywords.EditWordList(topWords);
        QCOMPARE(topWords, std::vector<std::string>{"kept"});

        test.files.openAnswers = {test.WriteFile("b.txt", " a \n\nb")};
        WhenModalOpens([](QWidget& editor) {
            Click(editor, "browse");
            Click(editor, "ok");
        });
        keywords.EditWordList(topWords);
        QCOMPARE(topWords, (std::vector<std::string>{" a ", "b"}));

        WhenModalOpens([](QWidget& editor) {
            Type(Edit(editor, "text"), "");
            Click(editor, "ok");
        });
        keywords.EditWordList(topWords);
        QVERIFY(topWords.empty());
    }

    void tooManyWords_areUsedAsTyped_withOneMessage()
    {
        Window test;
        test.window.KeywordDlg().Options().m_strKeywords =
            "a b c d e f g h i\r\nj k l m n o p q r s";
        test.window.KeywordDlg().SetExtensions({".com"});
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
        QTest::newRow("typed extensions after the nine")
            << QByteArray("sun shine") << QStringList{"--ext", ".io,.net,co.uk"};
    }

    void commandLine_generatesWhatTheWindowAdds()
    {
        QFETCH(QByteArray, keywords);
        QFETCH(QStringList, options);
        const QString programFolder = QFileInfo(QStringLiteral(QIRV_CLI_PATH)).absolutePath();
        Window test;
        CKeywordSelectionDlg& dialog = test.window.KeywordDlg();
        dialog.SetProgramDirectory([programFolder] { return programFolder.toStdString(); });
        WhenModalOpens([&](QWidget& window) {
            Type(Edit(window, "keywords"), QString::fromUtf8(keywords));
            if (options.contains("--no-combine")) {
                Box(window, "combineKeywords")->setChecked(false);
            }
            if (options.contains("--no-hyphens")) {
                Box(window, "useHyphens")->setChecked(false);
            }
            if (options.contains("--use-suffixes")) {
                for (const char* name : {"useSuffixes", "usePrefixes", "useTopWords"}) {
                    Box(window, name)->setChecked(true);
                }
                Click(window, "selectAll");
            }
            if (options.contains(".io,.net,co.uk")) {
                Box(window, "com")->setChecked(false);
                Box(window, "net")->setChecked(true);
                MoreExtensions(window)->setText(QStringLiteral("io co.uk"));
            }
            Click(window, "ok");
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
              QStringList{"generate", "--ext", ".foo.bar"},
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
