#include "DarkPalette.h"
#include "FakeWhoisServer.h"
#include "RecordingMessageBox.h"
#include "TestMain.h"
#include "app/CSearchApp.h"
#include "app/CSearchDlg.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

namespace {

SearchDlgSeams SeamsWith(RecordingMessageBox& boxes)
{
    SearchDlgSeams seams;
    seams.messageBoxes = &boxes;
    return seams;
}

// What a person would see wrong in a window: a control reaching out of it, or two controls other
// than group boxes covering each other.
QStringList LayoutFaults(const QWidget& window)
{
    QStringList faults;
    QList<QWidget*> controls = window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    controls.removeIf([](const QWidget* control) { return control->isWindow(); });
    for (qsizetype index = 0; index < controls.size(); ++index) {
        const QWidget* control = controls[index];
        if (!window.rect().contains(control->geometry())) {
            faults.append(control->objectName() + " is cut off");
        }
        for (const QWidget* other : controls.mid(index + 1)) {
            if (!qobject_cast<const QGroupBox*>(control) &&
                !qobject_cast<const QGroupBox*>(other) &&
                control->geometry().intersects(other->geometry())) {
                faults.append(control->objectName() + " covers " + other->objectName());
            }
        }
    }
    return faults;
}

QByteArrayList Statuses(CSearchDlg& window)
{
    QByteArrayList statuses;
    for (int row = 0; row < window.List().GetItemCount(); ++row) {
        statuses.append(window.List().GetStatus(row));
    }
    return statuses;
}

QList<bool> Checks(CSearchDlg& window)
{
    QList<bool> checks;
    for (int row = 0; row < window.List().GetItemCount(); ++row) {
        checks.append(window.List().Model().Rows().At(row).checked);
    }
    return checks;
}

} // namespace

class SearchDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void window_showsEveryControlWholeAndInItsGroup()
    {
        RecordingMessageBox boxes;
        CSearchDlg window(SeamsWith(boxes));
        const QWidget* client = window.findChild<QWidget*>("banner")->parentWidget();
        // Each group box with what it frames: the captions of its buttons, the name of the list.
        QStringList framed;
        const auto children = Qt::FindDirectChildrenOnly;
        for (const QGroupBox* group : client->findChildren<QGroupBox*>(children)) {
            QStringList inside;
            for (const QWidget* control : client->findChildren<QWidget*>(children)) {
                if (control != group && group->geometry().contains(control->geometry())) {
                    const auto* button = qobject_cast<const QPushButton*>(control);
                    inside.append(button ? button->text() : control->objectName());
                }
            }
            framed.append(group->title() + ": " + inside.join(", "));
        }
        framed.sort();
        QCOMPARE(framed,
                 (QStringList{"Add / Delete Domains: Add New Keywords, Delete List",
                              "Domain List ( Double Click On List Item to Open URL in Web Browser"
                              "  ): domainList",
                              "Domain List Functions: Select Available Domains, "
                              "Copy Selected Domains, Save Selected Domains, Select Taken Domains, "
                              "Delete Taken Domains, Delete Selected Items, "
                              "Delete UnSelected Items, Select All Domians, UnSelect All Domians",
                              "Search Available Domains: Search Domains, Stop Search"}));
        for (const QWidget* shown : {client, static_cast<const QWidget*>(&window.KeywordDlg())}) {
            QCOMPARE(LayoutFaults(*shown), QStringList());
        }
    }

    void window_opensAtTheTemplateSizeWithCaptionIconAndEmptyList()
    {
        RecordingMessageBox boxes;
        CSearchDlg window(SeamsWith(boxes));
        QCOMPARE(window.windowTitle(), QStringLiteral("Qirv - Zelbrane "));
        const QWidget* client = window.findChild<QWidget*>("banner")->parentWidget();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The template's size is the least, where the screen has room for it.
        if (window.screen()->availableSize().height() >= 700) {
            QCOMPARE(window.minimumSize(), window.size());
            QCOMPARE(client->size(), client->minimumSize());
            QCOMPARE(window.height(), client->height() + window.findChild<QMenuBar*>()->height());
        }
        QVERIFY(window.windowFlags() & Qt::WindowMaximizeButtonHint);
        QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!window.windowIcon().isNull());
        QCOMPARE(window.List().GetItemCount(), 0);
        QCOMPARE(window.findChild<QProgressBar*>("progress")->value(), 0);
        const auto* header = qobject_cast<CSortHeader*>(window.List().horizontalHeader());
        QCOMPARE(header->ArrowColumn(), 0);
        QVERIFY(header->ArrowAscending());
    }

    // A larger window gives the list the room; the groups right of and below it keep their
    // place against the right and bottom edges, and the Status column takes the spare width.
    void window_grows_andTheListTakesTheRoom()
    {
        RecordingMessageBox boxes;
        CSearchDlg window(SeamsWith(boxes));
        QWidget* client = window.findChild<QWidget*>("banner")->parentWidget();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QSize least = client->minimumSize();
        window.resize(window.minimumSize());
        QTRY_COMPARE(client->size(), least);
        const QStringList names{"domainList", "listFunctionsGroup", "selectAll",  "unselectAll",
                                "progress",   "addDeleteGroup",     "deleteList", "searchGroup",
                                "stopSearch", "searchDomains",      "banner",     "selectTaken"};
        QHash<QString, QRect> before;
        for (const QString& name : names) {
            before.insert(name, window.findChild<QWidget*>(name)->geometry());
        }
        constexpr int kWider = 300;
        constexpr int kTaller = 200;
        window.resize(window.size() + QSize(kWider, kTaller));
        QTRY_COMPARE(client->size(), least + QSize(kWider, kTaller));
        const auto now = [&](const char* name) {
            return window.findChild<QWidget*>(name)->geometry();
        };
        QCOMPARE(now("domainList"), before["domainList"].adjusted(0, 0, kWider, kTaller));
        QCOMPARE(now("listFunctionsGroup"),
                 before["listFunctionsGroup"].adjusted(kWider, 0, kWider, kTaller));
        for (const char* name : {"selectAll", "unselectAll", "selectTaken"}) {
            QCOMPARE(now(name), before[name].translated(kWider, 0));
        }
        QCOMPARE(now("progress"), before["progress"].adjusted(0, kTaller, kWider, kTaller));
        for (const char* name : {"addDeleteGroup", "deleteList"}) {
            QCOMPARE(now(name), before[name].translated(0, kTaller));
        }
        for (const char* name : {"searchGroup", "searchDomains", "stopSearch"}) {
            QCOMPARE(now(name), before[name].translated(kWider, kTaller));
        }
        QCOMPARE(now("banner"), before["banner"]);
        QCOMPARE(LayoutFaults(*client), QStringList());
        CDomainListCtrl& list = window.List();
        QTRY_COMPARE(list.columnWidth(0) + list.columnWidth(1), list.viewport()->width());
        QVERIFY(list.columnWidth(1) > 100 + kWider / 2);

        // Never smaller than the template.
        window.resize(QSize(100, 100));
        QTRY_COMPARE(window.size(), window.minimumSize());
        QTRY_COMPARE(client->size(), least);
    }

    // On a screen smaller than the template (at twice the scale: tst_app_scale2) the window
    // fits the screen and its controls scroll: the keyboard and the scroll bars reach every one.
    void window_fitsTheScreen_andReachesEveryButton()
    {
        RecordingMessageBox boxes;
        CSearchDlg window(SeamsWith(boxes));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QRect room = window.screen()->availableGeometry();
        QVERIFY2(window.frameGeometry().width() <= room.width() &&
                     window.frameGeometry().height() <= room.height(),
                 qPrintable(QStringLiteral("%1x%2 on %3x%4")
                                .arg(window.frameGeometry().width())
                                .arg(window.frameGeometry().height())
                                .arg(room.width())
                                .arg(room.height())));
        auto* area = window.findChild<QScrollArea*>("clientArea");
        QWidget* client = area->widget();
        QCOMPARE(area->verticalScrollBar()->maximum(),
                 std::max(client->height() - area->viewport()->height(), 0));
        QCOMPARE(area->horizontalScrollBar()->maximum(),
                 std::max(client->width() - area->viewport()->width(), 0));
        const auto shown = [&](const QWidget* control) {
            return area->viewport()->rect().contains(
                QRect(control->mapTo(area->viewport(), QPoint()), control->size()));
        };
        // Tab moves the focus through every tab stop, and each one is scrolled into view.
        window.findChild<QWidget*>("deleteTaken")->setFocus();
        QSet<QString> reached;
        for (int press = 0; press < 14; ++press) {
            QTest::keyClick(window.windowHandle(), Qt::Key_Tab);
            QWidget* focused = QApplication::focusWidget();
            QVERIFY(focused);
            // A button whole; the list, which may be larger than the screen, in part.
            QVERIFY2(qobject_cast<QPushButton*>(focused) ? shown(focused)
                                                         : !focused->visibleRegion().isEmpty(),
                     qPrintable(focused->objectName()));
            reached.insert(focused->objectName());
        }
        QCOMPARE(reached.size(), 14);
        QDir().mkpath(QStringLiteral(QIRV_SCREENSHOT_DIR));
        const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1");
        QVERIFY(window.grab().save(
            QStringLiteral(QIRV_SCREENSHOT_DIR "/main-window-scrolled-x%1.png").arg(scale)));
    }

    void tabOrder_followsTheTemplate()
    {
        RecordingMessageBox boxes;
        CSearchDlg window(SeamsWith(boxes));
        const QList<int> expected{1000, 1008, 1009, 1019, 1020, 1021, 1022,
                                  1023, 1024, 1025, 1026, 1028, 1029, 1030};
        QList<int> order;
        QWidget* first = window.findChild<QWidget*>("addNewKeywords");
        QWidget* widget = first;
        do {
            if (widget->focusPolicy() & Qt::TabFocus &&
                widget->parentWidget() == first->parentWidget()) {
                order.append(widget->property(kControlIdProperty).toInt());
            }
            widget = widget->nextInFocusChain();
        } while (widget != first && order.size() < 40);
        QCOMPARE(order, expected);
    }

    void noSocketLayer_showsOnlyTheStartUpFailure()
    {
        RecordingMessageBox boxes;
        CSearchApp program;
        program.SetMessageBoxes(&boxes);
        program.SetSocketLayerCheck([] { return false; });
        QVERIFY(!program.InitInstance());
        QCOMPARE(boxes.shown.size(), 1u);
        QCOMPARE(boxes.shown[0].text, std::string("Socket initialization failed!"));
        QVERIFY(QApplication::topLevelWidgets().isEmpty() ||
                std::none_of(QApplication::topLevelWidgets().begin(),
                             QApplication::topLevelWidgets().end(),
                             [](QWidget* widget) { return qobject_cast<CSearchDlg*>(widget); }));
    }

    void helpFile_isTheProgramNameWithChmBesideIt()
    {
        QCOMPARE(CSearchApp::HelpFilePath(),
                 QDir(QCoreApplication::applicationDirPath()).filePath("tst_app.chm"));
    }

    void windowPlace_isKeptFromCloseToTheNextRun()
    {
        RecordingMessageBox boxes;
        CSearchDlg firstRun(SeamsWith(boxes));
        CSearchApp::RestoreWindowPlace(firstRun);
        QVERIFY(!firstRun.testAttribute(Qt::WA_Moved));
        firstRun.move(40, 30);
        firstRun.show();
        QVERIFY(QTest::qWaitForWindowExposed(&firstRun));
        CSearchApp::RememberWindowPlace(firstRun);
        CSearchDlg nextRun(SeamsWith(boxes));
        CSearchApp::RestoreWindowPlace(nextRun);
        QCOMPARE(nextRun.geometry(), firstRun.geometry());
    }

    void listButtons_checkAndDeleteRows()
    {
        RecordingMessageBox boxes;
        CSearchDlg window(SeamsWith(boxes));
        window.List().Model().AppendPendingNames(
            {"www.a.com", "www.b.com", "www.c.com", "www.d.com"});
        window.List().Model().SetVerdict(0, DomainStatus::Available);
        window.List().Model().SetVerdict(1, DomainStatus::Taken);
        window.List().Model().SetVerdict(2, DomainStatus::InformationMissing);
        const auto click = [&](const char* name) {
            QTest::mouseClick(window.findChild<QPushButton*>(name), Qt::LeftButton);
        };
        click("unselectAll");
        QCOMPARE(Checks(window), (QList<bool>{false, false, false, false}));
        click("selectAvailable");
        QCOMPARE(Checks(window), (QList<bool>{true, false, false, false}));
        click("selectTaken");
        QCOMPARE(Checks(window), (QList<bool>{false, true, false, false}));
        click("selectAll");
        QCOMPARE(Checks(window), (QList<bool>{true, true, true, true}));
        click("deleteTaken");
        QCOMPARE(Statuses(window),
                 (QByteArrayList{"Available!", "Information Missing", "Pending"}));
        QCOMPARE(Checks(window), (QList<bool>{false, false, false}));
        window.List().Model().SetChecked(1, true);
        click("deleteSelected");
        QCOMPARE(Statuses(window), (QByteArrayList{"Available!", "Pending"}));
        window.List().Model().SetChecked(1, true);
        click("deleteUnselected");
        QCOMPARE(Statuses(window), QByteArrayList{"Pending"});
        click("deleteList");
        QCOMPARE(window.List().GetItemCount(), 0);
        QVERIFY(boxes.shown.empty());
    }

    void searchDomains_fillsEveryCheckedRowFromTheServer()
    {
        FakeWhoisServer server;
        server.SetResponder([](const QByteArray& query) {
            return FakeWhoisServer::Reply(query.startsWith("free")     ? "No match for x\n"
                                          : query.endsWith(".example") ? "x has no information\n"
                                                                       : "Domain Name: X\n");
        });
        RecordingMessageBox boxes;
        CSearchDlg window(SeamsWith(boxes));
        window.SetWhoisServer(ParseServerAddress(server.Address().toStdString()));
        window.List().Model().AppendPendingNames({"www.freedom.com", "www.google.com",
                                                  "www.skipped.com", "www.free-names.net",
                                                  "www.name.example"});
        window.List().Model().SetChecked(2, false);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(window.findChild<QPushButton*>("searchDomains"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!boxes.shown.empty(), 10000);
        QCOMPARE(boxes.shown.size(), 1u);
        QCOMPARE(boxes.shown[0].text, std::string("Domain Name Search Finished!"));
        QCOMPARE(Statuses(window), (QByteArrayList{"Available!", "Taken", "Pending", "Available!",
                                                   "Information Missing"}));
        QCOMPARE(server.ConnectionCount(), 4);

        window.List().selectRow(1);
        QDir().mkpath(QStringLiteral(QIRV_SCREENSHOT_DIR));
        QVERIFY(window.grab().save(QStringLiteral(QIRV_SCREENSHOT_DIR "/main-window.png")));
    }

    void windows_inTheDefaultAndTheClassicStyle()
    {
        QDir().mkpath(QStringLiteral(QIRV_SCREENSHOT_DIR));
        const QString defaultStyle = QApplication::style()->name();
        for (const QString& style : {defaultStyle, QStringLiteral("windows")}) {
            QApplication::setStyle(QStyleFactory::create(style));
            RecordingMessageBox boxes;
            CSearchDlg window(SeamsWith(boxes));
            window.List().Model().AppendPendingNames({"www.example.com", "www.example.net"});
            window.List().Model().SetVerdict(0, DomainStatus::Available);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            const QString suffix = style == QLatin1String("windows") ? "-classic" : "";
            QVERIFY(window.grab().save(
                QStringLiteral(QIRV_SCREENSHOT_DIR "/main-window%1.png").arg(suffix)));
            QVERIFY(window.KeywordDlg().grab().save(
                QStringLiteral(QIRV_SCREENSHOT_DIR "/keyword-window%1.png").arg(suffix)));
        }
        QApplication::setStyle(QStyleFactory::create(defaultStyle));
    }

    void window_inADarkThemeAndAtTwiceTheScale()
    {
        // A dark palette, as a dark desktop theme gives; run again with QT_SCALE_FACTOR=2 for a
        // high-density screen (the test "tst_app_scale2").
        const QPalette previous = QApplication::palette();
        QApplication::setPalette(DarkPalette());
        RecordingMessageBox boxes;
        CSearchDlg window(SeamsWith(boxes));
        window.List().Model().AppendPendingNames({"www.example.com", "www.example.net"});
        window.List().Model().SetVerdict(0, DomainStatus::Available);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1");
        QDir().mkpath(QStringLiteral(QIRV_SCREENSHOT_DIR));
        QVERIFY(window.grab().save(
            QStringLiteral(QIRV_SCREENSHOT_DIR "/main-window-dark-x%1.png").arg(scale)));
        QCOMPARE(LayoutFaults(*window.findChild<QWidget*>("banner")->parentWidget()),
                 QStringList());
        QApplication::setPalette(previous);
    }
};

QIRV_TEST(SearchDlgTest);
#include "SearchDlgTest.moc"
