#include "CAboutDlg.h"

#include "controls/CLinkLabel.h"
#include "controls/DialogTemplate.h"
#include "seams/DesktopSeams.h"
#include "version/QirvVersion.h"
#include "web/WebAddresses.h"

#include <QLabel>
#include <QPushButton>
#include <array>

namespace {

using enum ControlKind;

constexpr int kIcon = 1032;
constexpr int kVersion = 1033;
constexpr int kNotice = 1034;
constexpr int kLink = 1035;
constexpr int kOk = 1;

// The icon has no id of its own in the window; 1032 only names it here.
constexpr auto kAboutWindow = std::to_array<ControlTemplate>({
    {kIcon, "icon", Label, "", 11, 17, 20, 20},
    {kVersion, "version", Label, "", 40, 16, 301, 8},
    {kNotice, "notice", Label, "", 40, 31, 301, 8},
    {kOk, "ok", DefaultButton, "OK", 404, 7, 50, 14},
    {0, "applicationInfo", Label, "Application Info:", 40, 46, 52, 8},
    {kLink, "link", Custom, "", 99, 46, 313, 8},
});

} // namespace

QString ProductVersionLine()
{
    return QStringLiteral("Zelbrane Version ") + QString::fromUtf8(kQirvVersion);
}

CAboutDlg::CAboutDlg(UrlOpenerSeam& urls, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags), m_strVersion(ProductVersionLine()),
      m_strNotice(QString::fromUtf8(kLegalNotice)),
      m_strUrl(QString::fromUtf8(WebAddress::kAboutBoxAddress))
{
    const QHash<int, QWidget*> controls =
        BuildFixedDialog(*this, QStringLiteral("About Qirv"), QSize(461, 130), kAboutWindow,
                         {{kLink, new CLinkLabel(urls)}});

    auto* icon = qobject_cast<QLabel*>(controls.value(kIcon));
    icon->setPixmap(QPixmap(QStringLiteral(":/icons/128-32.png")));
    auto* version = qobject_cast<QLabel*>(controls.value(kVersion));
    version->setTextFormat(Qt::PlainText);
    version->setText(m_strVersion);
    auto* notice = qobject_cast<QLabel*>(controls.value(kNotice));
    notice->setTextFormat(Qt::PlainText);
    notice->setText(m_strNotice);
    auto* link = qobject_cast<CLinkLabel*>(controls.value(kLink));
    link->setText(m_strUrl);
    link->SetUrl(m_strUrl);
    connect(qobject_cast<QPushButton*>(controls.value(kOk)), &QPushButton::clicked, this,
            &QDialog::accept);
}
