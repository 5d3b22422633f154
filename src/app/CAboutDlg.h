#pragma once

#include <QDialog>
#include <QString>

class UrlOpenerSeam;

// The About box: the product name and version, the notice line and the home page link.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(UrlOpenerSeam& urls, QWidget* parent = nullptr);

private:
    QString m_strVersion;
    QString m_strNotice;
    QString m_strUrl;
};

// "Zelbrane Version " and the version.
QString ProductVersionLine();
inline constexpr const char* kLegalNotice = "Copyright (C) 2026 Zelbrane. All rights reserved.";
