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

QPushButton* Button(const CSearchDlg& window, const char* name)
{
    return window.findChild<QPushButton*>(name);
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
        checks.append(window.List().GetCheck(row));
    }
    return checks;
}

} // namespace

class SearchDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void window_placesEveryControlByItsTemplate()
    {
        RecordingMessageBox boxes;
        CSearchDlg window(SeamsWith(boxes));
        const DialogUnits units(window.font(), CSearchDlg::Template());
        QStringList groupTitles;
        for (const ControlTemplate& control : CSearchDlg::Template()) {
            if (control.id == 0) {
                groupTitles.append(QString::fromUtf8(control.text));
                continue;
            }
            QWidget* widget = window.findChild<QWidget*>(control.name);
            QVERIFY2(widget, control.name);
            QCOMPARE(widget->property(kControlIdProperty).toInt(), control.id);
            QCOMPARE(widget->geometry(),
                     units.ToPixels(control.x, control.y, control.width, control.height));
            if (auto* button = qobject_cast<QPushButton*>(widget)) {
                QCOMPARE(button->text(), QString::fromUtf8(control.text));
                QCOMPARE(button->isDefault(), widget->objectName() == "searchDomains");
            }
        }
        QStringList shownTitles;
        QWidget* client = window.findChild<QWidget*>("banner")->parentWidget();
        for (const QGroupBox* group :
             client->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly)) {
            shownTitles.append(group->title());
        }
        shownTitles.sort();
        groupTitles.sort();
        QCOMPARE(shownTitles, groupTitles);
        QVERIFY(groupTitles.contains(
            "Domain List ( Double Click On List Item to Open URL in Web Browser  )"));
        QCOMPARE(Button(window, "selectAll")->text(), QStringLiteral("Select All Domians"));
    }

    void window_isAFixedDialogWithCaptionIconAndEmptyList()
    {
        RecordingMessageBox boxes;
        CSearchDlg window(SeamsWith(boxes));
        QCOMPARE(window.windowTitle(), QStringLiteral("Qirv - Zelbrane "));
        const QSize size =
            DialogUnits(window.font(), CSearchDlg::Template()).ToPixels(QSize(421, 353));
        QWidget* client = window.findChild<QWidget*>("banner")->parentWidget();
        QCOMPARE(client->size(), size);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QCOMPARE(window.height(), size.height() + window.findChild<QMenuBar*>()->height());
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!window.windowIcon().isNull());
        QCOMPARE(window.List().GetItemCount(), 0);
        QCOMPARE(window.findChild<QProgressBar*>("progress")->value(), 0);
        QCOMPARE(window.List().Header().ArrowColumn(), 0);
        QVERIFY(window.List().Header().ArrowAscending());
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
        program.m_messageBoxes = &boxes;
        program.m_isSocketLayerAvailable = [] {
            return false;
        };
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

    void listButtons_checkAndDeleteRows()
    {
        RecordingMessageBox boxes;
        CSearchDlg window(SeamsWith(boxes));
        window.List().AddPendingRows({"www.a.com", "www.b.com", "www.c.com", "www.d.com"});
        window.List().SetVerdict(0, 1);
        window.List().SetVerdict(1, 0);
        window.List().SetVerdict(2, 3);
        const auto click = [&](const char* name) {
            QTest::mouseClick(Button(window, name), Qt::LeftButton);
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
        window.List().SetCheck(1, true);
        click("deleteSelected");
        QCOMPARE(Statuses(window), (QByteArrayList{"Available!", "Pending"}));
        window.List().SetCheck(1, true);
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
            return FakeWhoisServer::Reply(query.startsWith("free") ? "No match for x\n"
                                          : query.endsWith(".de")  ? "x has no information\n"
                                                                   : "Domain Name: X\n");
        });
        RecordingMessageBox boxes;
        CSearchDlg window(SeamsWith(boxes));
        window.SetWhoisServer(ParseServerAddress(server.Address().toStdString()));
        window.List().AddPendingRows({"www.freedom.com", "www.google.com", "www.skipped.com",
                                      "www.free-names.net", "www.example.de"});
        window.List().SetCheck(2, false);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(Button(window, "searchDomains"), Qt::LeftButton);
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
            window.List().AddPendingRows({"www.example.com", "www.example.net"});
            window.List().SetVerdict(0, 1);
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
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(45, 45, 48));
        dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        dark.setColor(QPalette::Text, QColor(230, 230, 230));
        dark.setColor(QPalette::Button, QColor(60, 60, 64));
        dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
        QApplication::setPalette(dark);
        RecordingMessageBox boxes;
        CSearchDlg window(SeamsWith(boxes));
        window.List().AddPendingRows({"www.example.com", "www.example.net"});
        window.List().SetVerdict(0, 1);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1");
        QDir().mkpath(QStringLiteral(QIRV_SCREENSHOT_DIR));
        QVERIFY(window.grab().save(
            QStringLiteral(QIRV_SCREENSHOT_DIR "/main-window-dark-x%1.png").arg(scale)));
        // Every control lies inside the window at any scale.
        for (const ControlTemplate& control : CSearchDlg::Template()) {
            if (QWidget* widget = window.findChild<QWidget*>(control.name)) {
                QVERIFY(widget->parentWidget()->rect().contains(widget->geometry()));
            }
        }
        QApplication::setPalette(previous);
    }
};

QIRV_TEST(SearchDlgTest);
#include "SearchDlgTest.moc"
