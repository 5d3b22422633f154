#include "CIconButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QHelpEvent>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QToolTip>
#include <algorithm>

PackedColour Pack(const QColor& colour)
{
    return static_cast<PackedColour>(colour.red()) |
           (static_cast<PackedColour>(colour.green()) << 8) |
           (static_cast<PackedColour>(colour.blue()) << 16);
}

QColor Unpack(PackedColour colour)
{
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

PackedColour HoverFace(PackedColour face)
{
    PackedColour lit = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const PackedColour channel = std::min<PackedColour>(((face >> shift) & 0xFF) + 0x1E, 0xFF);
        lit |= channel << shift;
    }
    return lit;
}

IconButtonLayout LayOutIconButton(const QRect& item, QSize iconSize, bool hasIcon, bool hasCaption,
                                  bool pressed)
{
    IconButtonLayout layout{item.topLeft(), item};
    if (hasIcon) {
        const int x =
            hasCaption ? item.left() + 3 : item.left() + (item.width() - iconSize.width()) / 2;
        const int y = item.top() + (item.height() - iconSize.height()) / 2;
        layout.iconPosition = QPoint(x, y);
        if (hasCaption) {
            layout.captionArea.setLeft(item.left() + iconSize.width() + 3);
        }
        if (pressed) {
            layout.iconPosition += QPoint(1, 1);
        }
    }
    if (pressed) {
        layout.captionArea.translate(1, 1);
    }
    return layout;
}

QString WrapToWidth(const QString& text, const QFontMetrics& metrics, int width)
{
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
            lines.append(line);
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.isEmpty()) {
        lines.append(line);
    }
    return lines.join(QLatin1Char('\n'));
}

CIconButton::CIconButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent)
{
    // The defaults are read once; a later change of the desktop's colours does not refresh them.
    const PackedColour face = Pack(palette().color(QPalette::Button));
    const PackedColour text = Pack(palette().color(QPalette::ButtonText));
    m_colours = {face, text, face, text, face, text};
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, false);
}

int CIconButton::SetIcons(int iconIn, int iconOut)
{
    const auto load = [](int id) {
        return id == 0 ? QPixmap() : QPixmap(QStringLiteral(":/icons/%1.png").arg(id));
    };
    m_iconIn = load(iconIn);
    m_iconOut = m_iconIn.isNull() ? QPixmap() : load(iconOut);
    update();
    return 0;
}

int CIconButton::SetColor(int index, PackedColour colour, bool repaint)
{
    if (index < 0 || index >= static_cast<int>(m_colours.size())) {
        return 3;
    }
    m_colours[static_cast<std::size_t>(index)] = colour;
    if (repaint) {
        update();
    }
    return 0;
}

void CIconButton::SetTooltipText(const QString& text, bool activate)
{
    if (text.isNull()) {
        return;
    }
    m_tooltipText = text;
    setToolTip(activate ? text : QString());
}

int CIconButton::DrawBackground(QPainter& painter, const QRect& rectangle)
{
    const ColourSlot slot = m_hover || m_pressed ? BackIn : (m_focused ? BackFocus : BackOut);
    painter.fillRect(rectangle, Unpack(m_colours[slot]));
    return 0;
}

int CIconButton::DrawBorder(QPainter& painter, const QRect& rectangle)
{
    const QColor highlight = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor topLeft = m_pressed ? shadow : highlight;
    const QColor bottomRight = m_pressed ? highlight : shadow;
    painter.setPen(topLeft);
    painter.drawLine(rectangle.topLeft(), rectangle.topRight());
    painter.drawLine(rectangle.topLeft(), rectangle.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(rectangle.bottomLeft(), rectangle.bottomRight());
    painter.drawLine(rectangle.topRight(), rectangle.bottomRight());
    return 0;
}

bool CIconButton::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && !toolTip().isEmpty()) {
        // Qt's tooltip grows as wide as its text; ours wraps at kTooltipMaxWidth, frame included.
        const int frame = style()->pixelMetric(QStyle::PM_ToolTipLabelFrameWidth, nullptr, this);
        const int textWidth = kTooltipMaxWidth - 2 * (2 * frame + 1) - 1;
        const auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(),
                           WrapToWidth(toolTip(), QFontMetrics(QToolTip::font()), textWidth), this);
        return true;
    }
    return QPushButton::event(event);
}

void CIconButton::paintEvent(QPaintEvent*)
{
    m_pressed = isDown();
    m_focused = hasFocus();
    m_disabled = !isEnabled();
    const QRect item = rect();
    QPainter painter(this);

    DrawBackground(painter, item);
    if (m_pressed || m_hover) {
        DrawBorder(painter, item);
    }

    const QString caption = text();
    // A button without an "out" icon shows its "in" icon calm as well as lit.
    const QPixmap& icon = m_hover || m_pressed || m_iconOut.isNull() ? m_iconIn : m_iconOut;
    const IconButtonLayout layout =
        LayOutIconButton(item, icon.size(), !icon.isNull(), !caption.isEmpty(), m_pressed);
    if (!icon.isNull()) {
        if (m_disabled) {
            QStyleOption option;
            option.initFrom(this);
            painter.drawPixmap(layout.iconPosition,
                               style()->generatedIconPixmap(QIcon::Disabled, icon, &option));
        } else {
            painter.drawPixmap(layout.iconPosition, icon);
        }
    }
    if (m_focused) {
        // Keyboard users must see where Enter and Space go.
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = item.adjusted(3, 3, -3, -3);
        focus.backgroundColor = Unpack(m_colours[m_hover || m_pressed ? BackIn : BackFocus]);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
    if (caption.isEmpty()) {
        return;
    }
    const int flags = Qt::AlignHCenter | Qt::TextWordWrap;
    const QRect area = layout.captionArea;
    QRect block = painter.fontMetrics().boundingRect(area, flags, caption);
    block.moveTo(area.left() + (area.width() - block.width()) / 2,
                 area.top() + (area.height() - block.height()) / 2);
    if (m_disabled) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(block.translated(1, 1), flags, caption);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawText(block, flags, caption);
    } else {
        painter.setPen(Unpack(m_colours[m_hover || m_pressed ? ForeIn : ForeOut]));
        painter.drawText(block, flags, caption);
    }
}

void CIconButton::TrackHover(const QPoint& globalPosition)
{
    // A drag that started elsewhere does not light the button up; a lit button stays lit while
    // it is held down.
    if ((QApplication::mouseButtons() & Qt::LeftButton) && !m_hover) {
        return;
    }
    if (QApplication::widgetAt(globalPosition) == this ||
        rect().contains(mapFromGlobal(globalPosition))) {
        if (!m_hover) {
            m_hover = true;
            update();
        }
    } else {
        CancelHover();
    }
}

void CIconButton::CancelHover()
{
    if (m_hover) {
        m_hover = false;
        update();
    }
}

void CIconButton::mouseMoveEvent(QMouseEvent* event)
{
    QPushButton::mouseMoveEvent(event);
    TrackHover(event->globalPosition().toPoint());
}

void CIconButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    TrackHover(event->globalPosition().toPoint());
}

void CIconButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    CancelHover();
}

void CIconButton::focusOutEvent(QFocusEvent* event)
{
    QPushButton::focusOutEvent(event);
    CancelHover();
}

void CIconButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        CancelHover();
    } else if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        MoveFocusOnward();
        CancelHover();
    }
}

void CIconButton::MoveFocusOnward()
{
    // The next control that takes the focus by Tab, after this one in the window's order; the
    // window itself when there is none.
    QWidget* candidate = nextInFocusChain();
    while (candidate && candidate != this) {
        if ((candidate->focusPolicy() & Qt::TabFocus) && candidate->isEnabled() &&
            candidate->isVisibleTo(window()) && candidate->window() == window()) {
            candidate->setFocus(Qt::TabFocusReason);
            return;
        }
        candidate = candidate->nextInFocusChain();
    }
    if (parentWidget()) {
        parentWidget()->setFocus(Qt::OtherFocusReason);
    }
}
