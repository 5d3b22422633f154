#pragma once

#include <QFont>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <span>

class QDialog;
class QWidget;

// A window laid out like a dialog template: every control has an id, a kind, a text and a place
// in dialog units, which the window's font turns into pixels (a horizontal unit is a quarter of
// the font's average character width, a vertical unit an eighth of its height).
enum class ControlKind
{
    PushButton,
    DefaultButton,
    IconButton,        // CThemedIconButton
    DefaultIconButton, // CThemedIconButton, the window's default button
    CheckBox,
    GroupBox,
    Label,
    ProgressBar,
    MultiLineEdit,
    Custom, // made by the window itself and handed to the builder by id
};

struct ControlTemplate
{
    int id;           // 0 for controls without one (group boxes)
    const char* name; // the objectName, unique in its window
    ControlKind kind;
    const char* text;
    int x;
    int y;
    int width;
    int height;
};

class DialogUnits
{
public:
    explicit DialogUnits(const QFont& font);
    // Units for a window of these controls: the font's, widened just enough that every caption
    // shows whole in its control (the template's widths were made for a narrower font and
    // smaller check boxes than the desktop's; the whole window widens alike, so nothing shifts
    // against its neighbours).
    DialogUnits(const QFont& font, std::span<const ControlTemplate> controls);
    QPoint ToPixels(int x, int y) const;
    QSize ToPixels(QSize size) const;
    QRect ToPixels(int x, int y, int width, int height) const;
    int AverageCharWidth() const { return m_averageCharWidth; }
    int CharHeight() const { return m_charHeight; }

private:
    int m_averageCharWidth;
    int m_charHeight;
    double m_horizontalUnit; // pixels per horizontal dialog unit
};

// The font dialogs are laid out with: 8-point "MS Sans Serif", or the nearest sans serif font.
QFont DialogFont();

// Creates every control of the table as a child of `dialog` (or takes the one `custom` holds for
// its id), places it, names it, keeps its id in the property kControlIdProperty and returns the
// controls by id. Controls with id 0 are created but not returned. Group boxes are kept below the
// controls they frame.
QHash<int, QWidget*> BuildDialog(QWidget& dialog, std::span<const ControlTemplate> controls,
                                 const DialogUnits& units, const QHash<int, QWidget*>& custom = {});

// A fixed-size dialog with caption and close box, laid out from its table: sets the caption and
// the dialog font, builds the controls and fixes the window's size (in dialog units).
QHash<int, QWidget*> BuildFixedDialog(QDialog& dialog, const QString& caption,
                                      QSize sizeInDialogUnits,
                                      std::span<const ControlTemplate> controls,
                                      const QHash<int, QWidget*>& custom = {});

// How a control follows a window that is larger than its template: it keeps its template place
// unless it follows the right or the bottom edge, or takes the extra width or height.
namespace Growth {
inline constexpr unsigned FollowRight = 1;
inline constexpr unsigned FollowBottom = 2;
inline constexpr unsigned TakeWidth = 4;
inline constexpr unsigned TakeHeight = 8;
} // namespace Growth

struct ControlGrowth
{
    const char* name; // the control's objectName
    unsigned growth;  // Growth flags
};

// Lets a window built by BuildDialog grow beyond its template: from now on, whenever `client` is
// resized, each control named in `growth` is placed at its present (template) place, moved or
// widened by how much `client` is larger than `templateSize`. The others keep their place.
class CTemplateGrowth : public QObject
{
public:
    CTemplateGrowth(QWidget& client, QSize templateSize, std::span<const ControlGrowth> growth);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Placed
    {
        QWidget* control;
        QRect place;
        unsigned growth;
    };

    void Place();

    QWidget& m_client;
    QSize m_templateSize;
    QList<Placed> m_placed;
};

// The window flags of such a dialog: caption and close box, no maximise box.
inline constexpr Qt::WindowFlags kFixedDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowCloseButtonHint;

// The dynamic property that holds a control's numeric id.
inline constexpr char kControlIdProperty[] = "controlId";
