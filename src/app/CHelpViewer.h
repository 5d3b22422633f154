#pragma once

#include <QByteArray>
#include <QString>
#include <QTextBrowser>
#include <memory>
#include <optional>

struct chmFile;

// A compiled-HTML help file, read with chmlib.
class ChmFile
{
public:
    ChmFile(const ChmFile&) = delete;
    ChmFile& operator=(const ChmFile&) = delete;
    ~ChmFile();

    static std::unique_ptr<ChmFile> Open(const QString& path);
    // A file stored in the help file, by its path inside it ("/index.html").
    std::optional<QByteArray> Read(const QString& innerPath) const;
    // The page the help opens at, as its project named it.
    QString DefaultTopic() const;

private:
    explicit ChmFile(chmFile* file) : m_file(file) {}
    chmFile* m_file;
};

// The help window: a text browser over the pages of the help file.
class CHelpViewer : public QTextBrowser
{
    Q_OBJECT

public:
    explicit CHelpViewer(std::unique_ptr<ChmFile> help, QWidget* parent = nullptr);
    void ShowDefaultTopic();

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    std::unique_ptr<ChmFile> m_help;
};

// Help on request: opens the help file at its default topic in a window made at the first
// request. When the file or the viewer cannot be had, this and every later request of the run
// do nothing.
class CHelpService
{
public:
    explicit CHelpService(QString helpFilePath) : m_helpFilePath(std::move(helpFilePath)) {}
    void ShowHelp();
    CHelpViewer* Viewer() const { return m_viewer.get(); }
    bool IsUnavailable() const { return m_unavailable; }

private:
    QString m_helpFilePath;
    std::unique_ptr<CHelpViewer> m_viewer;
    bool m_unavailable = false;
};
