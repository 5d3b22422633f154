#include "controls/VisibleChecks.h"

#include "DarkPalette.h"
#include "TestMain.h"

#include <QApplication>
#include <QDir>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QTableView>
#include <QTest>

namespace {

// How far the most different pixel of `area` stands from `behind`, in lightness (0 to 255).
int Contrast(const QImage& image, const QRect& area, const QColor& behind)
{
    int most = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            most =
                std::max(most, std::abs(image.pixelColor(x, y).lightness() - behind.lightness()));
        }
    }
    return most;
}

QImage Grabbed(QWidget& widget)
{
    return widget.grab().toImage().scaled(widget.size());
}

} // namespace

class VisibleChecksTest : public QObject
{
    Q_OBJECT

private slots:
    void uncheckedBoxes_standOutOfADarkPalette_data()
    {
        QTest::addColumn<QString>("style");
        QTest::newRow("Fusion") << QStringLiteral("Fusion");
        QTest::newRow("classic") << QStringLiteral("windows");
    }

    // Fusion draws an unchecked box in the base colour, outlined a shade darker than the window:
    // in a dark palette it all but vanished, in the keyword window and in the list.
    void uncheckedBoxes_standOutOfADarkPalette()
    {
        QFETCH(QString, style);
        const QString previousStyle = QApplication::style()->name();
        QApplication::setStyle(QStyleFactory::create(style));
        const QPalette dark = DarkPalette();

        CCheckBox box(QStringLiteral("Use hyphens"));
        box.setPalette(dark);
        box.resize(box.sizeHint());
        QStyleOptionButton option;
        option.initFrom(&box);
        const QRect indicator =
            box.style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, &box);
        QVERIFY(Contrast(Grabbed(box), indicator, dark.color(QPalette::Window)) >= 60);

        QStandardItemModel model(1, 1);
        auto* item = new QStandardItem(QStringLiteral("www.example.com"));
        item->setCheckable(true);
        item->setCheckState(Qt::Unchecked);
        model.setItem(0, 0, item);
        QTableView view;
        view.setPalette(dark);
        view.setModel(&model);
        view.setItemDelegate(new CVisibleCheckDelegate(&view));
        view.resize(300, 100);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QRect cell = view.visualRect(model.index(0, 0));
        QStyleOptionViewItem itemOption;
        itemOption.initFrom(view.viewport());
        itemOption.rect = cell;
        itemOption.features |= QStyleOptionViewItem::HasCheckIndicator;
        const QRect check =
            view.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &itemOption, &view);
        QVERIFY(!check.isEmpty());
        QVERIFY(Contrast(Grabbed(*view.viewport()), check, dark.color(QPalette::Base)) >= 60);
        QDir().mkpath(QStringLiteral(QIRV_SCREENSHOT_DIR));
        QVERIFY(box.grab().save(
            QStringLiteral(QIRV_SCREENSHOT_DIR "/dark-check-box-%1.png").arg(style)));
        QVERIFY(view.grab().save(
            QStringLiteral(QIRV_SCREENSHOT_DIR "/dark-check-list-%1.png").arg(style)));

        QApplication::setStyle(QStyleFactory::create(previousStyle));
    }

    // A light palette keeps the style's own box.
    void lightPalette_drawsTheStylesBoxAlone()
    {
        QCheckBox plain(QStringLiteral("Use hyphens"));
        CCheckBox framed(QStringLiteral("Use hyphens"));
        QPalette light;
        light.setColor(QPalette::Base, Qt::white);
        light.setColor(QPalette::Text, Qt::black);
        for (QCheckBox* box : std::initializer_list<QCheckBox*>{&plain, &framed}) {
            box->setPalette(light);
            box->resize(box->sizeHint());
        }
        QCOMPARE(framed.grab().toImage(), plain.grab().toImage());
        QVERIFY(!IsDarkPalette(light));
        QVERIFY(IsDarkPalette(DarkPalette()));
    }
};

QIRV_TEST(VisibleChecksTest);
#include "VisibleChecksTest.moc"
