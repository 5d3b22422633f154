#include "DialogTemplate.h"

#include "CThemeLibrary.h"
#include "VisibleChecks.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>

namespace {

int MultiplyDivide(int value, int multiplier, int divisor)
{
    return (value * multiplier + divisor / 2) / divisor;
}

QWidget* CreateControl(ControlKind kind, const QString& text, QWidget& dialog)
{
    switch (kind) {
    case ControlKind::PushButton:
    case ControlKind::DefaultButton:
    case ControlKind::IconButton:
    case ControlKind::DefaultIconButton: {
        const bool icon = kind == ControlKind::IconButton || kind == ControlKind::DefaultIconButton;
        QPushButton* button =
            icon ? new CThemedIconButton(text, &dialog) : new QPushButton(text, &dialog);
        // A focused button is the default while it has the focus, so Enter presses the button
        // the user sees focused; once the focus leaves the buttons the window's default returns.
        button->setAutoDefault(true);
        button->setDefault(kind == ControlKind::DefaultButton ||
                           kind == ControlKind::DefaultIconButton);
        return button;
    }
    case ControlKind::CheckBox:
        return new CCheckBox(text, &dialog);
    case ControlKind::GroupBox:
        return new QGroupBox(text, &dialog);
    case ControlKind::Label:
        return new QLabel(text, &dialog);
    case ControlKind::ProgressBar:
        return new QProgressBar(&dialog);
    case ControlKind::MultiLineEdit:
        return new QPlainTextEdit(&dialog);
    case ControlKind::Custom:
        break;
    }
    qFatal("BuildDialog: control of kind Custom not supplied");
}

// The pixels a control needs to show its caption on one line; 0 for kinds whose caption wraps or
// that have none.
int CaptionWidthNeeded(ControlKind kind, const QString& text, const QFont& font)
{
    const QFontMetrics metrics(font);
    switch (kind) {
    case ControlKind::CheckBox: {
        // The box, its spacing and the style's margins, as the style lays out a check box.
        QCheckBox box(text);
        box.setFont(font);
        QStyleOptionButton option;
        option.initFrom(&box);
        option.text = text;
        option.rect = QRect(QPoint(), box.sizeHint());
        const QRect label = box.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &box);
        return option.rect.width() - label.width() + metrics.horizontalAdvance(text);
    }
    case ControlKind::Label:
        return metrics.horizontalAdvance(text);
    case ControlKind::PushButton:
    case ControlKind::DefaultButton:
        return metrics.horizontalAdvance(text) +
               QApplication::style()->pixelMetric(QStyle::PM_ButtonMargin);
    default:
        return 0;
    }
}

} // namespace

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    // Rounded the way dialog base units are: half of the width of the 52 letters over 26.
    m_averageCharWidth = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
    m_charHeight = metrics.height();
    m_horizontalUnit = m_averageCharWidth / 4.0;
}

DialogUnits::DialogUnits(const QFont& font, std::span<const ControlTemplate> controls)
    : DialogUnits(font)
{
    for (const ControlTemplate& control : controls) {
        const int needed = CaptionWidthNeeded(control.kind, QString::fromUtf8(control.text), font);
        if (control.width > 0 && needed > ToPixels(control.x, 0, control.width, 0).width()) {
            m_horizontalUnit = std::max(m_horizontalUnit, double(needed) / control.width);
        }
    }
    // Rounding a control's two edges may still cost it a pixel.
    for (const ControlTemplate& control : controls) {
        const int needed = CaptionWidthNeeded(control.kind, QString::fromUtf8(control.text), font);
        while (needed > ToPixels(control.x, 0, control.width, 0).width()) {
            m_horizontalUnit += 1.0 / 64;
        }
    }
}

QPoint DialogUnits::ToPixels(int x, int y) const
{
    return {qRound(x * m_horizontalUnit), MultiplyDivide(y, m_charHeight, 8)};
}

QSize DialogUnits::ToPixels(QSize size) const
{
    const QPoint corner = ToPixels(size.width(), size.height());
    return {corner.x(), corner.y()};
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const
{
    const QPoint topLeft = ToPixels(x, y);
    const QPoint bottomRight = ToPixels(x + width, y + height);
    return {topLeft, QSize(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y())};
}

QFont DialogFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setPointSize(8);
    return font;
}

QHash<int, QWidget*> BuildDialog(QWidget& dialog, std::span<const ControlTemplate> controls,
                                 const DialogUnits& units, const QHash<int, QWidget*>& custom)
{
    QHash<int, QWidget*> byId;
    QList<QWidget*> groupBoxes;
    for (const ControlTemplate& control : controls) {
        const QString text = QString::fromUtf8(control.text);
        QWidget* widget = custom.value(control.id);
        if (widget) {
            widget->setParent(&dialog);
        } else {
            widget = CreateControl(control.kind, text, dialog);
        }
        if (control.kind == ControlKind::GroupBox) {
            groupBoxes.append(widget);
        }
        if (auto* bar = qobject_cast<QProgressBar*>(widget)) {
            bar->setTextVisible(false);
            bar->setRange(0, 100);
            bar->setValue(0);
        }
        widget->setObjectName(QString::fromUtf8(control.name));
        if (control.id != 0) {
            widget->setProperty(kControlIdProperty, control.id);
            byId.insert(control.id, widget);
        }
        widget->setGeometry(units.ToPixels(control.x, control.y, control.width, control.height));
    }
    for (QWidget* groupBox : groupBoxes) {
        groupBox->setFocusPolicy(Qt::NoFocus);
        groupBox->lower();
    }
    return byId;
}

QHash<int, QWidget*> BuildFixedDialog(QDialog& dialog, const QString& caption,
                                      QSize sizeInDialogUnits,
                                      std::span<const ControlTemplate> controls,
                                      const QHash<int, QWidget*>& custom)
{
    dialog.setWindowTitle(caption);
    dialog.setFont(DialogFont());
    const DialogUnits units(dialog.font(), controls);
    QHash<int, QWidget*> built = BuildDialog(dialog, controls, units, custom);
    dialog.setFixedSize(units.ToPixels(sizeInDialogUnits));
    return built;
}

CTemplateGrowth::CTemplateGrowth(QWidget& client, QSize templateSize,
                                 std::span<const ControlGrowth> growth)
    : QObject(&client), m_client(client), m_templateSize(templateSize)
{
    for (const ControlGrowth& control : growth) {
        QWidget* widget =
            client.findChild<QWidget*>(QString::fromUtf8(control.name), Qt::FindDirectChildrenOnly);
        if (!widget) {
            qFatal("CTemplateGrowth: no control \"%s\"", control.name);
        }
        m_placed.append({widget, widget->geometry(), control.growth});
    }
    client.installEventFilter(this);
    Place();
}

bool CTemplateGrowth::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_client && event->type() == QEvent::Resize) {
        Place();
    }
    return QObject::eventFilter(watched, event);
}

void CTemplateGrowth::Place()
{
    // Never smaller than the template: a client squeezed below it (a scroll area's) keeps the
    // template's places.
    const int wider = std::max(m_client.width() - m_templateSize.width(), 0);
    const int taller = std::max(m_client.height() - m_templateSize.height(), 0);
    for (const Placed& placed : m_placed) {
        QRect place = placed.place;
        place.translate(placed.growth & Growth::FollowRight ? wider : 0,
                        placed.growth & Growth::FollowBottom ? taller : 0);
        place.setWidth(place.width() + (placed.growth & Growth::TakeWidth ? wider : 0));
        place.setHeight(place.height() + (placed.growth & Growth::TakeHeight ? taller : 0));
        placed.control->setGeometry(place);
    }
}
