#include "FakeWhoisServer.h"
#include "ModalDriver.h"
#include "RecordingDesktop.h"
#include "RecordingMessageBox.h"
#include "TestMain.h"
#include "app/CSearchDlg.h"
#include "desktop/QtFileDialogs.h"
#include "desktop/QtMessageBoxes.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Presses a key the way the desktop delivers it: to the focused widget of the active window,
// through the application's modality rules.
void Press(QWidget& window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(window.windowHandle(), static_cast<Qt::Key>(key), modifiers);
}

// Types a file name into the open file dialog and presses Enter. A box the dialog shows is
// answered No (or OK) and its text returned; a dialog still open after
// that is cancelled, so a wrong answer fails the test instead of hanging it.
QString TypeFileName(QWidget& dialog, const QString& folder, const QString& name)
{
    static_cast<QFileDialog&>(dialog).setDirectory(folder);
    auto* nameEdit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    nameEdit->setFocus();
    nameEdit->setText(name);
    QString boxText;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&boxText] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box->isVisible()) {
            boxText = box->text();
            QAbstractButton* refuse = box->button(QMessageBox::No);
            (refuse ? refuse : box->button(QMessageBox::Ok))->click();
        }
    });
    watch.start();
    Press(dialog, Qt::Key_Return);
    watch.stop();
    if (dialog.isVisible()) {
        static_cast<QDialog&>(dialog).reject();
    }
    return boxText;
}

// Counts the print dialogs and cancels each.
class CancelledPrintDialog : public PrintDialogSeam
{
public:
    bool Run(QPrinter& printer) override
    {
        static_cast<void>(printer);
        ++asked;
        return false;
    }
    int asked = 0;
};

struct RunningWindow
{
    RunningWindow()
        : window([this] {
              SearchDlgSeams seams;
              seams.messageBoxes = &boxes;
              seams.fileDialogs = &files;
              seams.clipboard = &clipboard;
              seams.printDialog = &printDialog;
              seams.helpFile = QStringLiteral(QIRV_HELP_FILE);
              return seams;
          }())
    {
        server.SetScript(FakeWhoisServer::Silent());
        window.SetWhoisServer(ParseServerAddress(server.Address().toStdString()));
    }

    // Runs the window modally, as the program does, with `steps` inside its event loop.
    void Run(std::function<void()> steps)
    {
        WhenModalOpens([steps = std::move(steps)](QWidget&) { steps(); });
        window.exec();
    }

    QPushButton& Button(const char* name) const { return *window.findChild<QPushButton*>(name); }

    FakeWhoisServer server;
    RecordingMessageBox boxes;
    ScriptedFileDialogs files;
    RecordingClipboard clipboard;
    CancelledPrintDialog printDialog;
    CSearchDlg window;
    QAbstractItemModelTester modelTester{&window.List().Model(),
                                         QAbstractItemModelTester::FailureReportingMode::QtTest};
};

} // namespace

// The main window driven as a person drives it: real key events through its own modal loop.
class KeyboardTest : public QObject
{
    Q_OBJECT

private slots:
    void enter_pressesTheFocusedButton_elseTheWindowDefault()
    {
        RunningWindow test;
        test.window.List().Model().AppendPendingNames({"www.a.com", "www.b.com"});
        test.Run([&] {
            test.Button("deleteList").setFocus();
            QVERIFY(test.Button("deleteList").isDefault());
            Press(test.window, Qt::Key_Return);
            QCOMPARE(test.window.List().GetItemCount(), 0);
            QVERIFY(!test.window.SearchDriver().IsSearchPending());

            // With the focus back in the list, "Search Domains" is the default again.
            test.window.List().AddPendingRow("www.example.com");
            test.window.List().setFocus();
            QVERIFY(test.Button("searchDomains").isDefault());
            Press(test.window, Qt::Key_Return);
            QVERIFY(test.window.SearchDriver().IsSearchPending());
            QTRY_COMPARE(test.server.ConnectionCount(), 1);

            // Cancel focused in the keyword window: Enter cancels and adds nothing.
            WhenModalOpens(
                [](QWidget& keywords) {
                    keywords.findChild<QWidget*>("cancel")->setFocus();
                    Press(keywords, Qt::Key_Return);
                },
                &test.window);
            test.Button("addNewKeywords").setFocus();
            Press(test.window, Qt::Key_Return);
            QCOMPARE(test.window.List().GetItemCount(), 1);
            test.window.reject();
        });
        // Closing the window during a search closes the connection without a message.
        QTRY_COMPARE(test.server.OpenConnections(), 0);
        QVERIFY(test.boxes.shown.empty());
    }

    // The desktop's usual keys, each shown beside its menu entry; Ctrl+C in the list copies the
    // highlighted name, F5 searches.
    void standardKeys_runTheirCommands()
    {
        RunningWindow test;
        test.window.List().Model().AppendPendingNames({"www.a.com", "www.b.com"});
        test.Run([&] {
            const auto ctrl = [&](Qt::Key key) {
                Press(test.window, key, Qt::ControlModifier);
            };
            test.Button("selectAll").setFocus();
            ctrl(Qt::Key_O);
            QCOMPARE(test.files.openAsked, 1);
            ctrl(Qt::Key_S);
            ctrl(Qt::Key_E);
            QCOMPARE(test.files.saveAsked, 2);
            ctrl(Qt::Key_P);
            QCOMPARE(test.printDialog.asked, 1);

            // Ctrl+C copies the highlighted row's name while the list has the focus, and only
            // then.
            ctrl(Qt::Key_C);
            QVERIFY(test.clipboard.texts.empty());
            test.window.List().setFocus();
            test.window.List().selectRow(1);
            ctrl(Qt::Key_C);
            QCOMPARE(test.clipboard.texts, std::vector<std::string>{"www.b.com"});

            Press(test.window, Qt::Key_F5);
            QVERIFY(test.window.SearchDriver().IsSearchPending());
            QTRY_COMPARE(test.server.ConnectionCount(), 1);

            test.boxes.answer = false;
            ctrl(Qt::Key_Q);
            QVERIFY(test.window.isVisible());
            test.boxes.answer = true;
            ctrl(Qt::Key_Q);
            QVERIFY(!test.window.isVisible());
        });
        QCOMPARE(test.boxes.asked.size(), 2u);
        QVERIFY(test.boxes.shown.empty());
    }

    void escape_withNamesInTheList_asksFirst()
    {
        RunningWindow test;
        test.Run([&] {
            // An empty list closes at once.
            test.window.List().Model().AppendPendingNames({"www.a.com", "www.b.com"});
            test.boxes.answer = false;
            Press(test.window, Qt::Key_Escape);
            QVERIFY(test.window.isVisible());
            test.boxes.answer = true;
            Press(test.window, Qt::Key_Escape);
            QVERIFY(!test.window.isVisible());
        });
        QCOMPARE(test.boxes.asked,
                 (std::vector<std::string>(2, "Quit Qirv? The 2 names in the list will be lost.")));

        RunningWindow empty;
        empty.Run([&] { Press(empty.window, Qt::Key_Escape); });
        QVERIFY(empty.boxes.asked.empty());
    }

    void fileDialogs_takeANameWithoutExtensionAsItsTxtFile()
    {
        QTemporaryDir folder;
        for (const char* name : {"kw.txt", "list.txt"}) {
            QFile file(folder.filePath(QString::fromUtf8(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QtFileDialogs dialogs;
        QString box;
        WhenModalOpens([&](QWidget& dialog) { box = TypeFileName(dialog, folder.path(), "kw"); });
        QCOMPARE(dialogs.GetOpenFileName(), folder.filePath("kw.txt").toStdString());
        QCOMPARE(box, QString());

        // Replacing "list.txt" is asked about as such.
        WhenModalOpens([&](QWidget& dialog) { box = TypeFileName(dialog, folder.path(), "list"); });
        QCOMPARE(dialogs.GetSaveFileName(), std::nullopt);
        QVERIFY2(box.contains("list.txt"), qPrintable(box));

        // The file type picked in the dialog gives a bare name its extension; a type of several
        // extensions gives none.
        const FileDialogRequest types{FileKind::DomainList,
                                      {"CSV (*.csv)", "JSON (*.json)", "Lists (*.txt *.csv)"},
                                      "Export List"};
        const auto saveAs = [&](Qt::Key typeKey) {
            WhenModalOpens([&](QWidget& dialog) {
                QCOMPARE(dialog.windowTitle(), QStringLiteral("Export List"));
                auto* typeBox = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                typeBox->setFocus();
                QTest::keyClick(typeBox, typeKey);
                TypeFileName(dialog, folder.path(), "out");
            });
            return dialogs.GetSaveFile(types).value_or(ChosenFile{"(cancelled)", 0});
        };
        ChosenFile chosen = saveAs(Qt::Key_Down);
        QCOMPARE(chosen.path, folder.filePath("out.json").toStdString());
        QCOMPARE(chosen.filter, 1u);
        chosen = saveAs(Qt::Key_End);
        QCOMPARE(chosen.path, folder.filePath("out").toStdString());

        // A save dialog leaves its folder for the next one only once the file is written.
        const QString key = QStringLiteral("FileDialogs/domainListFolder");
        QSettings().remove(key);
        QCOMPARE(saveAs(Qt::Key_Down).path, folder.filePath("out.json").toStdString());
        QVERIFY(!QSettings().contains(key));
        dialogs.KeepFolderOf(FileKind::DomainList, folder.filePath("out.json").toStdString());
        QCOMPARE(QSettings().value(key).toString(), folder.path());
    }

    // Box texts hold names and servers' words: markup in them is shown, never obeyed.
    void messageBoxes_showTheirTextAsPlainText()
    {
        QtMessageBoxes boxes;
        Qt::TextFormat format = Qt::AutoText;
        QString title;
        WhenModalOpens([&](QWidget& modal) {
            title = modal.windowTitle();
            format = static_cast<QMessageBox&>(modal).textFormat();
            static_cast<QMessageBox&>(modal).accept();
        });
        boxes.Show("<h1 style='font-size:900px'>Query refused</h1>", MessageBoxIcon::Stop);
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(title, QStringLiteral("Qirv"));
    }

    void help_worksAndClosesWhileTheWindowRuns()
    {
        RunningWindow test;
        test.Run([&] {
            Press(test.window, Qt::Key_F1);
            CHelpViewer* viewer = test.window.Help().Viewer();
            QVERIFY(viewer && viewer->isVisible());
            QCOMPARE(viewer->parentWidget(), &test.window);
            QAccessibleInterface* page = QAccessible::queryAccessibleInterface(&viewer->Browser());
            QCOMPARE(page->role(), QAccessible::Document);
            QVERIFY(page->textInterface()->characterCount() > 0);

            const QUrl start = viewer->Browser().source();
            viewer->Browser().setSource(QUrl(QStringLiteral("searching.html")));
            QVERIFY(viewer->BackAction().isEnabled());
            Press(*viewer, Qt::Key_Left, Qt::AltModifier);
            QCOMPARE(viewer->Browser().source(), start);
            QVERIFY(viewer->ForwardAction().isEnabled());

            // The main window's modality does not hold the viewer: its own keys reach it.
            Press(*viewer, Qt::Key_Escape);
            QVERIFY(!viewer->isVisible());
            QVERIFY(test.window.isVisible());
            test.window.reject();
        });
    }
};

QIRV_TEST(KeyboardTest);
#include "KeyboardTest.moc"
