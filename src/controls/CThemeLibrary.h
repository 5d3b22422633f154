#pragma once

#include "CIconButton.h"

#include <QHash>
#include <QRect>
#include <cstdint>
#include <optional>
#include <span>

class QPainter;
class QWidget;

// The states a push-button face is drawn in by the desktop's visual style; the numbers are the
// style's own.
enum class PushButtonState
{
    Normal = 1,
    Hot = 2,
    Pressed = 3,
    Disabled = 4,
    Defaulted = 5,
};

// Whether the desktop draws buttons in a visual style of its own, and the drawing of a push-button
// face in that style. Qt's classic "windows" style counts as no visual style: under it every
// button takes its own flat drawing.
class CThemeLibrary
{
public:
    using ThemeHandle = void*;
    static constexpr std::int32_t kFailed = static_cast<std::int32_t>(0x80004005);
    static constexpr int kPushButtonPart = 1;

    CThemeLibrary() = default;
    virtual ~CThemeLibrary() = default;

    // A handle for drawing a window's controls of the given class; null without a style.
    ThemeHandle OpenThemeData(QWidget* window, const wchar_t* classList) const;
    std::int32_t CloseThemeData(ThemeHandle theme) const;
    // Draws part 1 (a push button) in a state. Returns 0, or kFailed without a handle.
    std::int32_t DrawThemeBackground(ThemeHandle theme, QPainter& painter, int part,
                                     PushButtonState state, const QRect& rectangle,
                                     const QRect* clip) const;
    bool IsAppThemed() const;
};

// The state a themed push button is drawn in: disabled over pressed over hot over defaulted over
// normal.
PushButtonState PushButtonThemeState(bool isDefault, bool hover, bool pressed, bool disabled);

// The icon button with its face and border drawn by the desktop's visual style when one is
// active.
class CThemedIconButton : public CIconButton
{
    Q_OBJECT

public:
    explicit CThemedIconButton(const QString& caption = {}, QWidget* parent = nullptr);
    void SetThemeLibrary(const CThemeLibrary* library) { m_themeLibrary = library; }

    // The theme state of the last themed paint, none when the plain path was taken.
    std::optional<PushButtonState> LastThemeState() const { return m_lastThemeState; }

protected:
    int DrawBackground(QPainter& painter, const QRect& rectangle) override;
    int DrawBorder(QPainter& painter, const QRect& rectangle) override;

private:
    const CThemeLibrary* m_themeLibrary = nullptr;
    std::optional<PushButtonState> m_lastThemeState;
};

// One button's set-up in its window: its tooltip and its icons (0: none).
struct IconButtonSetUp
{
    int id;
    const char* tooltip;
    int iconIn;
    int iconOut;
};

// Sets up a window's icon buttons in the given order: the window's style library, the icons, the
// hover colour (HoverFace of the button face) and the tooltip.
void SetUpIconButtons(const QHash<int, QWidget*>& controls,
                      std::span<const IconButtonSetUp> buttons, const CThemeLibrary& library);
