#include "RecordingDesktop.h"
#include "TestMain.h"
#include "controls/CLinkLabel.h"
#include "controls/CThemeLibrary.h"
#include "version/QirvVersion.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

// Faces and border colours that the tests set, so each state's drawing is told apart.
const QColor kCalm(0, 0, 250);
const QColor kLit(250, 0, 0);
const QColor kLight(255, 255, 255);
const QColor kShadow(0, 0, 0);

// Runs the test under another widget style and puts the old one back.
class StyleScope
{
public:
    explicit StyleScope(const QString& name) : m_previous(QApplication::style()->name())
    {
        QApplication::setStyle(QStyleFactory::create(name));
    }
    ~StyleScope() { QApplication::setStyle(QStyleFactory::create(m_previous)); }

private:
    QString m_previous;
};

// Where the icon was drawn: every pixel inside the border that is not the face.
QRect IconArea(const QImage& drawn, const QColor& face)
{
    QRect area;
    for (int y = 1; y < drawn.height() - 1; ++y) {
        for (int x = 1; x < drawn.width() - 1; ++x) {
            if (drawn.pixelColor(x, y) != face) {
                area |= QRect(x, y, 1, 1);
            }
        }
    }
    return area;
}

} // namespace

class IconButtonTest : public QObject
{
    Q_OBJECT

private slots:
    void drawing_showsTheState_data()
    {
        QTest::addColumn<QColor>("face");
        QTest::addColumn<QColor>("corner"); // the border's top-left, or the face without a border
        QTest::addColumn<QPoint>("iconShift");
        QTest::newRow("idle") << kCalm << kCalm << QPoint();
        QTest::newRow("hovered") << kLit << kLight << QPoint();
        QTest::newRow("pressed") << kLit << kShadow << QPoint(1, 1);
        QTest::newRow("disabled") << kCalm << kCalm << QPoint();
        QTest::newRow("focused") << kCalm << kCalm << QPoint();
    }

    void drawing_showsTheState()
    {
        QFETCH(QColor, face);
        QFETCH(QColor, corner);
        QFETCH(QPoint, iconShift);
        const QByteArray state = QTest::currentDataTag();
        CIconButton button;
        button.resize(60, 40);
        QPalette colours = button.palette();
        colours.setColor(QPalette::Light, kLight);
        colours.setColor(QPalette::Dark, kShadow);
        button.setPalette(colours);
        button.SetIcons(145, 0);
        button.SetColor(CIconButton::BackOut, Pack(kCalm));
        button.SetColor(CIconButton::BackIn, Pack(kLit));
        button.SetColor(CIconButton::BackFocus, Pack(kCalm));
        const QImage idle = button.grab().toImage();
        const QRect idleIcon = IconArea(idle, kCalm);
        QVERIFY(!idleIcon.isEmpty());
        if (state == "hovered") {
            const QPointF centre = button.rect().center();
            QEnterEvent enter(centre, centre, button.mapToGlobal(centre));
            QApplication::sendEvent(&button, &enter);
        }
        if (state == "focused") {
            button.show();
            QApplication::setActiveWindow(&button);
            button.setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(button.hasFocus());
            // Reached by Tab: the keyboard user must see where Enter and Space go.
            button.setAttribute(Qt::WA_KeyboardFocusChange);
        }
        button.setDown(state == "pressed");
        button.setEnabled(state != "disabled");
        const QImage drawn = button.grab().toImage();
        QCOMPARE(drawn.pixelColor(0, 0), corner);
        QCOMPARE(drawn.pixelColor(2, 2), face);
        if (state == "focused") {
            QVERIFY(drawn.pixelColor(3, drawn.height() / 2) != face); // the focus frame
            return;
        }
        QCOMPARE(IconArea(drawn, face), idleIcon.translated(iconShift));
        QCOMPARE(drawn == idle, state == "idle"); // a disabled button's icon is greyed
    }

    void layout_placesIconAndCaption()
    {
        const QRect item(10, 20, 101, 41);
        IconButtonLayout layout = LayOutIconButton(item, QSize(32, 32), true, true, false);
        QCOMPARE(layout.iconPosition, QPoint(13, 24)); // 3 in; (41 - 32) / 2 = 4 down
        QCOMPARE(layout.captionArea, QRect(QPoint(45, 20), item.bottomRight()));
        layout = LayOutIconButton(item, QSize(32, 32), true, false, false);
        QCOMPARE(layout.iconPosition, QPoint(10 + 34, 24)); // (101 - 32) / 2 = 34
        layout = LayOutIconButton(item, QSize(32, 32), true, true, true);
        QCOMPARE(layout.iconPosition, QPoint(14, 25));
        QCOMPARE(layout.captionArea.topLeft(), QPoint(46, 21));
        layout = LayOutIconButton(item, QSize(), false, true, false);
        QCOMPARE(layout.captionArea, item);
    }

    void themeState_precedence_data()
    {
        QTest::addColumn<bool>("isDefault");
        QTest::addColumn<bool>("hover");
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<bool>("disabled");
        QTest::addColumn<PushButtonState>("state");
        using enum PushButtonState;
        QTest::newRow("normal") << false << false << false << false << Normal;
        QTest::newRow("defaulted") << true << false << false << false << Defaulted;
        QTest::newRow("hot beats defaulted") << true << true << false << false << Hot;
        QTest::newRow("pressed beats hot") << true << true << true << false << Pressed;
        QTest::newRow("disabled beats everything") << true << true << true << true << Disabled;
    }

    void themeState_precedence()
    {
        QFETCH(bool, isDefault);
        QFETCH(bool, hover);
        QFETCH(bool, pressed);
        QFETCH(bool, disabled);
        QFETCH(PushButtonState, state);
        QCOMPARE(PushButtonThemeState(isDefault, hover, pressed, disabled), state);
    }

    void hoverFace_lightensEachChannel_cappedAt255_data()
    {
        QTest::addColumn<PackedColour>("face");
        QTest::addColumn<PackedColour>("hover");
        QTest::newRow("classic grey") << PackedColour(0xC0C0C0) << PackedColour(0xDEDEDE);
        QTest::newRow("light face stays light") << PackedColour(0xEFEFEF) << PackedColour(0xFFFFFF);
        QTest::newRow("no carry between channels")
            << PackedColour(0x10F0E1) << PackedColour(0x2EFFFF);
    }

    void hoverFace_lightensEachChannel_cappedAt255()
    {
        QFETCH(PackedColour, face);
        QFETCH(PackedColour, hover);
        QWidget window;
        QPalette colours = window.palette();
        colours.setColor(QPalette::Button, Unpack(face));
        window.setPalette(colours);
        auto* button = new CThemedIconButton(QStringLiteral("Go"), &window);
        const CThemeLibrary library;
        SetUpIconButtons({{7, button}}, std::array{IconButtonSetUp{7, "Go", 153, 157}}, library);
        QCOMPARE(button->Colour(CIconButton::BackIn), hover);
    }

    void longTooltip_isWrappedWithin400Pixels()
    {
        CIconButton button(QStringLiteral("Go"));
        QString text;
        for (int word = 0; word < 60; ++word) {
            text += QStringLiteral("availability ");
        }
        button.SetTooltipText(text.trimmed(), true);
        button.show();
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), button.mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(&button, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY(QToolTip::text().count(QLatin1Char('\n')) > 2);
        int tips = 0;
        for (const QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->inherits("QTipLabel") && widget->isVisible()) {
                ++tips;
                QVERIFY2(widget->width() <= kTooltipMaxWidth,
                         qPrintable(QString::number(widget->width())));
            }
        }
        QCOMPARE(tips, 1);
        QToolTip::hideText();
    }

    void setColorAndSetIcons_results()
    {
        CIconButton button(QStringLiteral("Go"));
        QCOMPARE(button.Colour(CIconButton::BackOut),
                 Pack(button.palette().color(QPalette::Button)));
        QCOMPARE(button.SetColor(0, 0x00DEDEDE), 0);
        QCOMPARE(button.SetColor(6, 0x00FFFFFF), 3);
        QCOMPARE(button.SetIcons(153, 157), 0);
        QCOMPARE(button.IconInSize(), QSize(32, 32));
        QVERIFY(button.HasIconOut());
        button.SetIcons(145, 0);
        QCOMPARE(button.IconInSize(), QSize(16, 16));
        QVERIFY(!button.HasIconOut());
        button.SetIcons(9999, 157);
        QVERIFY(button.IconInSize().isEmpty());
        QVERIFY(!button.HasIconOut());
    }

    void plainAndThemedPaths()
    {
        CThemeLibrary library;
        CThemedIconButton button(QStringLiteral("Search"));
        button.SetThemeLibrary(&library);
        button.resize(120, 40);
        {
            StyleScope classic(QStringLiteral("windows"));
            QVERIFY(!library.IsAppThemed());
            button.SetColor(CIconButton::BackOut, Pack(kCalm));
            QCOMPARE(button.grab().toImage().pixelColor(60, 3), kCalm);
            QCOMPARE(button.LastThemeState(), std::nullopt);
        }
        {
            StyleScope fusion(QStringLiteral("Fusion"));
            QVERIFY(library.IsAppThemed());
            button.setDefault(true);
            button.grab();
            QCOMPARE(button.LastThemeState(), PushButtonState::Defaulted);
            button.setEnabled(false);
            button.grab();
            QCOMPARE(button.LastThemeState(), PushButtonState::Disabled);
        }
    }

    void hover_lightsTheButton_butNotADragFromElsewhere()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* other = new QLineEdit;
        auto* button = new CIconButton(QStringLiteral("Lit"));
        layout->addWidget(other);
        layout->addWidget(button);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QTest::mouseMove(button, button->rect().center());
        QTRY_VERIFY(button->IsHovered());
        QTest::mouseMove(other, other->rect().center());
        QTRY_VERIFY(!button->IsHovered());

        QTest::mousePress(other, Qt::LeftButton, {}, other->rect().center());
        QMouseEvent drag(QEvent::MouseMove, button->rect().center(),
                         button->mapToGlobal(button->rect().center()), Qt::NoButton, Qt::LeftButton,
                         {});
        QApplication::sendEvent(button, &drag);
        QVERIFY(!button->IsHovered());
        QTest::mouseRelease(other, Qt::LeftButton, {}, other->rect().center());
    }

    void disabling_movesFocusToTheNextTabStop()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* first = new QLineEdit;
        auto* button = new CIconButton(QStringLiteral("Off"));
        auto* last = new QLineEdit;
        layout->addWidget(first);
        layout->addWidget(button);
        layout->addWidget(last);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QApplication::setActiveWindow(&window);
        first->setFocus();
        QTRY_VERIFY(first->hasFocus());
        button->setEnabled(false);
        QTRY_VERIFY(last->hasFocus());
    }

    void doubleClick_givesTwoClicks()
    {
        CIconButton button(QStringLiteral("Twice"));
        button.resize(80, 30);
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QSignalSpy clicks(&button, &QPushButton::clicked);
        // What the desktop sends for a double click: press, release, double click, release.
        const QPoint centre = button.rect().center();
        QTest::mousePress(&button, Qt::LeftButton, {}, centre);
        QTest::mouseRelease(&button, Qt::LeftButton, {}, centre);
        QMouseEvent doubleClick(QEvent::MouseButtonDblClick, centre, button.mapToGlobal(centre),
                                Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(&button, &doubleClick);
        QTest::mouseRelease(&button, Qt::LeftButton, {}, centre);
        QCOMPARE(clicks.size(), 2);
    }

    void links_showTheHand_andOpenTheirAddress()
    {
        RecordingUrlOpener urls;
        CLinkLabel link(urls);
        link.setText(QStringLiteral("https://example.org/text"));
        QCOMPARE(link.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(link.cursor().hotSpot(), QPoint(5, 0));
        QVERIFY(link.font().underline());
        QCOMPARE(link.palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(link.Address().contains("utm_medium=link"));
        QTest::mousePress(&link, Qt::LeftButton);
        link.SetUrl({});
        QTest::mousePress(&link, Qt::LeftButton);
        QTest::mousePress(&link, Qt::RightButton);
        QCOMPARE(urls.urls.size(), 2u);
        QVERIFY(QString::fromStdString(urls.urls[0]).contains("utm_medium=link"));
        QCOMPARE(urls.urls[1], std::string("https://example.org/text"));

        CBannerLink banner(urls);
        QVERIFY(!banner.pixmap().isNull());
        QCOMPARE(banner.pixmap().size(), QSize(609, 86));
        QTest::mousePress(&banner, Qt::LeftButton);
        QCOMPARE(QString::fromStdString(urls.urls.back()),
                 QStringLiteral("https://qirv.zelbrane.com/"
                                "?utm_source=qirv&utm_medium=banner&utm_campaign=qirv-") +
                     kQirvVersion);
    }
};

QIRV_TEST(IconButtonTest);
#include "IconButtonTest.moc"
