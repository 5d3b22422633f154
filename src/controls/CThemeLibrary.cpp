#include "CThemeLibrary.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <cwchar>

namespace {

struct ThemeData
{
    QWidget* window;
};

} // namespace

CThemeLibrary::ThemeHandle CThemeLibrary::OpenThemeData(QWidget* window,
                                                        const wchar_t* classList) const
{
    if (!IsAppThemed() || !classList || std::wcscmp(classList, L"BUTTON") != 0) {
        return nullptr;
    }
    return new ThemeData{window};
}

std::int32_t CThemeLibrary::CloseThemeData(ThemeHandle theme) const
{
    if (!theme) {
        return kFailed;
    }
    delete static_cast<ThemeData*>(theme);
    return 0;
}

std::int32_t CThemeLibrary::DrawThemeBackground(ThemeHandle theme, QPainter& painter, int part,
                                                PushButtonState state, const QRect& rectangle,
                                                const QRect* clip) const
{
    if (!theme || part != kPushButtonPart) {
        return kFailed;
    }
    const auto* data = static_cast<const ThemeData*>(theme);
    QStyleOptionButton option;
    if (data->window) {
        option.initFrom(data->window);
    }
    option.rect = rectangle;
    option.state = QStyle::State_Raised;
    switch (state) {
    case PushButtonState::Hot:
        option.state |= QStyle::State_Enabled | QStyle::State_MouseOver;
        break;
    case PushButtonState::Pressed:
        option.state |= QStyle::State_Enabled | QStyle::State_Sunken;
        option.state &= ~QStyle::State_Raised;
        break;
    case PushButtonState::Disabled:
        break;
    case PushButtonState::Defaulted:
        option.state |= QStyle::State_Enabled;
        option.features |= QStyleOptionButton::DefaultButton;
        break;
    case PushButtonState::Normal:
        option.state |= QStyle::State_Enabled;
        break;
    }
    painter.save();
    if (clip) {
        painter.setClipRect(*clip);
    }
    QStyle* style = data->window ? data->window->style() : QApplication::style();
    style->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, data->window);
    painter.restore();
    return 0;
}

bool CThemeLibrary::IsAppThemed() const
{
    const QStyle* style = QApplication::style();
    return style && style->name().compare(QStringLiteral("windows"), Qt::CaseInsensitive) != 0;
}

PushButtonState PushButtonThemeState(bool isDefault, bool hover, bool pressed, bool disabled)
{
    if (disabled) {
        return PushButtonState::Disabled;
    }
    if (pressed) {
        return PushButtonState::Pressed;
    }
    if (hover) {
        return PushButtonState::Hot;
    }
    return isDefault ? PushButtonState::Defaulted : PushButtonState::Normal;
}

CThemedIconButton::CThemedIconButton(const QString& caption, QWidget* parent)
    : CIconButton(caption, parent)
{}

int CThemedIconButton::DrawBackground(QPainter& painter, const QRect& rectangle)
{
    m_lastThemeState.reset();
    if (!m_themeLibrary || !m_themeLibrary->IsAppThemed()) {
        return CIconButton::DrawBackground(painter, rectangle);
    }
    const CThemeLibrary::ThemeHandle theme = m_themeLibrary->OpenThemeData(this, L"BUTTON");
    if (!theme) {
        return CIconButton::DrawBackground(painter, rectangle);
    }
    m_lastThemeState = PushButtonThemeState(isDefault(), m_hover, m_pressed, m_disabled);
    m_themeLibrary->DrawThemeBackground(theme, painter, CThemeLibrary::kPushButtonPart,
                                        *m_lastThemeState, rectangle, nullptr);
    m_themeLibrary->CloseThemeData(theme);
    return 0;
}

int CThemedIconButton::DrawBorder(QPainter& painter, const QRect& rectangle)
{
    if (m_themeLibrary && m_themeLibrary->IsAppThemed()) {
        return 0;
    }
    return CIconButton::DrawBorder(painter, rectangle);
}

void SetUpIconButtons(const QHash<int, QWidget*>& controls,
                      std::span<const IconButtonSetUp> buttons, const CThemeLibrary& library)
{
    for (const IconButtonSetUp& setUp : buttons) {
        auto* button = qobject_cast<CThemedIconButton*>(controls.value(setUp.id));
        if (!button) {
            continue;
        }
        const PackedColour hover = HoverFace(Pack(button->palette().color(QPalette::Button)));
        button->SetThemeLibrary(&library);
        button->SetIcons(setUp.iconIn, setUp.iconOut);
        button->SetColor(CIconButton::BackIn, hover, true);
        button->SetTooltipText(QString::fromUtf8(setUp.tooltip), true);
    }
}
