#pragma once

#include <QCheckBox>
#include <QStyledItemDelegate>

class QPainter;
class QPalette;
class QRect;

// Check boxes that stay visible in a dark palette. Qt's Fusion style, the one most Linux desktops
// give, draws an unchecked box in the Base colour with an outline a shade darker than the Window
// colour: in a dark palette both are about the colour behind the box, and it vanishes. Where the
// palette is dark, a frame halfway between the text and the base colours is drawn around the box;
// a light palette shows the style's own box alone.

// Whether the palette is dark: its text lighter than its base.
bool IsDarkPalette(const QPalette& palette);
// Frames the check box drawn at `indicator` when the palette is dark.
void FrameCheckIndicator(QPainter& painter, const QRect& indicator, const QPalette& palette);

// A check box framed in a dark palette.
class CCheckBox : public QCheckBox
{
    Q_OBJECT

public:
    explicit CCheckBox(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The item views' drawing, with each item's check box framed in a dark palette.
class CVisibleCheckDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
