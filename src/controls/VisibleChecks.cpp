#include "VisibleChecks.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

bool IsDarkPalette(const QPalette& palette)
{
    return palette.color(QPalette::Text).lightness() > palette.color(QPalette::Base).lightness();
}

void FrameCheckIndicator(QPainter& painter, const QRect& indicator, const QPalette& palette)
{
    if (!IsDarkPalette(palette) || indicator.isEmpty()) {
        return;
    }
    const QColor text = palette.color(QPalette::Text);
    const QColor base = palette.color(QPalette::Base);
    const QColor frame((text.red() + base.red()) / 2, (text.green() + base.green()) / 2,
                       (text.blue() + base.blue()) / 2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(frame, 1));
    painter.drawRect(indicator.adjusted(0, 0, -1, -1));
    painter.restore();
}

CCheckBox::CCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

void CCheckBox::paintEvent(QPaintEvent* event)
{
    QCheckBox::paintEvent(event);
    QStyleOptionButton option;
    initStyleOption(&option);
    QPainter painter(this);
    FrameCheckIndicator(painter,
                        style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this),
                        option.palette);
}

void CVisibleCheckDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    if (!item.features.testFlag(QStyleOptionViewItem::HasCheckIndicator)) {
        return;
    }
    const QWidget* view = item.widget;
    const QStyle* style = view ? view->style() : QApplication::style();
    FrameCheckIndicator(*painter,
                        style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &item, view),
                        item.palette);
}
