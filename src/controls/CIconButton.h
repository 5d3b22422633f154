#pragma once

#include <QPixmap>
#include <QPushButton>
#include <array>
#include <cstdint>

// A colour packed as 0x00BBGGRR, the form the button's colour slots keep (so that adding
// 0x1E1E1E to the button face, as the windows do for the hover colour, is one integer addition).
using PackedColour = std::uint32_t;
PackedColour Pack(const QColor& colour);
QColor Unpack(PackedColour colour);
// The hover face: the button face lightened by 0x1E in each channel, capped at 255. Added as one
// integer, a light face such as 0xEFEFEF would carry into the next byte and turn nearly black.
PackedColour HoverFace(PackedColour face);

// Where the icon and the caption go: the icon 3 pixels in from the left beside a caption, centred
// without one, always centred vertically; the caption area starts right of the icon.
struct IconButtonLayout
{
    QPoint iconPosition;
    QRect captionArea;
};

// A tooltip text broken into lines (at blanks) that each fit the width in pixels; a word wider
// than that stays whole on its own line.
QString WrapToWidth(const QString& text, const QFontMetrics& metrics, int width);

// The widest a button's tooltip window grows.
inline constexpr int kTooltipMaxWidth = 400;

IconButtonLayout LayOutIconButton(const QRect& item, QSize iconSize, bool hasIcon, bool hasCaption,
                                  bool pressed);

// A flat push button that paints itself: an icon beside a word-wrapped caption, lit while the mouse
// is over it, with its own icons for the lit and the calm state and a tooltip.
class CIconButton : public QPushButton
{
    Q_OBJECT

public:
    enum ColourSlot
    {
        BackIn = 0,
        ForeIn = 1,
        BackOut = 2,
        ForeOut = 3,
        BackFocus = 4,
        ForeFocus = 5,
    };

    explicit CIconButton(const QString& caption = {}, QWidget* parent = nullptr);

    // Icons by resource id (":/icons/<id>.png"); an out id of 0 means the in icon is shown always.
    // Returns 0.
    int SetIcons(int iconIn, int iconOut);
    // Returns 3 for a slot of 6 or more (nothing stored), else 0.
    int SetColor(int index, PackedColour colour, bool repaint = true);
    void SetTooltipText(const QString& text, bool activate = true);

    PackedColour Colour(int index) const { return m_colours[static_cast<std::size_t>(index)]; }
    bool IsHovered() const { return m_hover; }
    QSize IconInSize() const { return m_iconIn.size(); }
    bool HasIconOut() const { return !m_iconOut.isNull(); }

protected:
    virtual int DrawBackground(QPainter& painter, const QRect& rectangle);
    virtual int DrawBorder(QPainter& painter, const QRect& rectangle);

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

    bool m_hover = false;
    bool m_pressed = false;
    bool m_focused = false;
    bool m_disabled = false;

private:
    void TrackHover(const QPoint& globalPosition);
    void CancelHover();
    void MoveFocusOnward();

    std::array<PackedColour, 6> m_colours{};
    QPixmap m_iconIn;
    QPixmap m_iconOut;
    QString m_tooltipText;
};
