#include "RecordingDesktop.h"
#include "RecordingMessageBox.h"
#include "TestMain.h"
#include "app/CAboutDlg.h"
#include "app/CSearchDlg.h"
#include "controls/CIconButton.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

namespace {

// What is cut off of a control's caption, empty when it shows whole: measured with the control's
// own font and style, against the place the window gave it.
QString CutCaption(const QWidget& control)
{
    const QFontMetrics metrics(control.font());
    const int width = control.width();
    if (const auto* button = qobject_cast<const CIconButton*>(&control)) {
        const QString caption = button->text();
        const IconButtonLayout layout =
            LayOutIconButton(button->rect(), button->IconInSize(), !button->IconInSize().isEmpty(),
                             !caption.isEmpty(), false);
        const QRect area = layout.captionArea;
        const QRect block =
            metrics.boundingRect(area, Qt::AlignHCenter | Qt::TextWordWrap, caption);
        bool wordsFit = true;
        for (const QString& word : caption.split(' ', Qt::SkipEmptyParts)) {
            wordsFit = wordsFit && metrics.horizontalAdvance(word) <= area.width();
        }
        return wordsFit && block.height() <= area.height() ? QString() : caption;
    }
    if (const auto* box = qobject_cast<const QCheckBox*>(&control)) {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        const QRect label = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
        return metrics.horizontalAdvance(box->text()) <= label.width() ? QString() : box->text();
    }
    if (const auto* button = qobject_cast<const QPushButton*>(&control)) {
        const int margin = control.style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &control);
        return metrics.horizontalAdvance(button->text()) + margin <= width ? QString()
                                                                           : button->text();
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(&control)) {
        return group->minimumSizeHint().width() <= width ? QString() : group->title();
    }
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        const bool fits = label->wordWrap() || label->textFormat() == Qt::RichText ||
                          metrics.horizontalAdvance(label->text()) <= label->contentsRect().width();
        return fits ? QString() : label->text();
    }
    return {};
}

QStringList CutCaptions(const QWidget& window)
{
    QStringList cut;
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        if (control->window() == &window && !control->isWindow()) {
            if (const QString caption = CutCaption(*control); !caption.isEmpty()) {
                cut.append(caption);
            }
        }
    }
    return cut;
}

} // namespace

// Every caption of every window shows whole in the place its window gives it. Run at scale 1 and
// (tst_app_scale2) at scale 2.
class CaptionFitTest : public QObject
{
    Q_OBJECT

private slots:
    void everyCaption_fitsItsControl()
    {
        RecordingMessageBox boxes;
        RecordingUrlOpener urls;
        SearchDlgSeams seams;
        seams.messageBoxes = &boxes;
        seams.urls = &urls;
        CSearchDlg main(seams);
        CAboutDlg about(urls);
        for (const QWidget* window :
             std::initializer_list<const QWidget*>{&main, &main.KeywordDlg(), &about}) {
            const QStringList cut = CutCaptions(*window);
            QVERIFY2(cut.isEmpty(), qPrintable(window->windowTitle() + ": " + cut.join(" | ")));
        }
        const auto* editor = main.KeywordDlg().findChild<QDialog*>();
        QVERIFY(editor);
        const QStringList cut = CutCaptions(*editor);
        QVERIFY2(cut.isEmpty(), qPrintable(editor->windowTitle() + ": " + cut.join(" | ")));
    }
};

QIRV_TEST(CaptionFitTest);
#include "CaptionFitTest.moc"
