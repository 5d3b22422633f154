#pragma once

#include <QLabel>
#include <QString>

class UrlOpenerSeam;

// The hand cursor links show, cursor 140 with its hot spot at the fingertip.
QCursor HandCursor();

// The banner across the top of the main window: a picture that opens the product page.
class CBannerLink : public QLabel
{
    Q_OBJECT

public:
    explicit CBannerLink(UrlOpenerSeam& urls, QWidget* parent = nullptr);
    const QString& Address() const { return m_strUrl; }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    UrlOpenerSeam& m_urls;
    QString m_strUrl;
};

// A blue underlined line of text that opens its address; an empty address opens the text.
class CLinkLabel : public QLabel
{
    Q_OBJECT

public:
    explicit CLinkLabel(UrlOpenerSeam& urls, QWidget* parent = nullptr);
    void SetUrl(const QString& address) { m_strUrl = address; }
    const QString& Address() const { return m_strUrl; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Underline();

    UrlOpenerSeam& m_urls;
    QString m_strUrl;
};
