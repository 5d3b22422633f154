#include "CLinkLabel.h"

#include "seams/DesktopSeams.h"
#include "web/WebAddresses.h"

#include <QMouseEvent>

QCursor HandCursor()
{
    const QPixmap hand(QStringLiteral(":/cursors/140.png"));
    return hand.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(hand, 5, 0);
}

namespace {

void OpenAddress(UrlOpenerSeam& urls, QString& address, const QString& text)
{
    if (address.isEmpty()) {
        address = text;
    }
    urls.Open(address.toStdString());
}

} // namespace

CBannerLink::CBannerLink(UrlOpenerSeam& urls, QWidget* parent)
    : QLabel(parent), m_urls(urls), m_strUrl(QString::fromUtf8(WebAddress::kBannerAddress))
{
    setPixmap(QPixmap(QStringLiteral(":/bitmaps/186.png")));
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setCursor(HandCursor());
}

void CBannerLink::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        OpenAddress(m_urls, m_strUrl, text());
    }
    QLabel::mousePressEvent(event);
}

CLinkLabel::CLinkLabel(UrlOpenerSeam& urls, QWidget* parent)
    : QLabel(parent), m_urls(urls), m_strUrl(QString::fromUtf8(WebAddress::kLinkLabelAddress))
{
    setTextFormat(Qt::PlainText);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, QColor(0, 0, 255));
    setPalette(colours);
    setCursor(HandCursor());
    Underline();
}

void CLinkLabel::Underline()
{
    QFont underlined = font();
    if (!underlined.underline()) {
        underlined.setUnderline(true);
        setFont(underlined);
    }
}

void CLinkLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    // The label keeps the window's own font, underlined.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ParentChange) {
        Underline();
    }
}

void CLinkLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        OpenAddress(m_urls, m_strUrl, text());
    }
    QLabel::mousePressEvent(event);
}
