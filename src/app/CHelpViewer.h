#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QTextBrowser>
#include <cstdint>
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

    // Far beyond any page or picture of a help file: an entry claiming more is damaged or
    // hostile, and is not read.
    static constexpr std::uint64_t kMaxEntryBytes = 8 * 1024 * 1024;

    static std::unique_ptr<ChmFile> Open(const QString& path);
    // A file stored in the help file, by its path inside it ("/index.html"); nothing for a path
    // the file does not hold or an entry larger than kMaxEntryBytes.
    std::optional<QByteArray> Read(const QString& innerPath) const;
    // The page the help opens at, as its project named it.
    QString DefaultTopic() const;

private:
    explicit ChmFile(chmFile* file) : m_file(file) {}
    chmFile* m_file;
};

// The pages of the help file in a text browser; links between them follow the file. Pages and
// pictures come from the help file alone: a link to the file system or to any other scheme shows
// nothing.
class CHelpBrowser : public QTextBrowser
{
    Q_OBJECT

public:
    explicit CHelpBrowser(std::unique_ptr<ChmFile> help, QWidget* parent = nullptr);
    void ShowDefaultTopic();

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    std::unique_ptr<ChmFile> m_help;
};

// The help window: Back, Forward and Close over the pages. It belongs to the main window, so it
// stays above it and works while the main window runs; Escape closes it.
class CHelpViewer : public QWidget
{
    Q_OBJECT

public:
    CHelpViewer(std::unique_ptr<ChmFile> help, QWidget* owner);
    CHelpBrowser& Browser() const { return *m_browser; }
    QAction& BackAction() const { return *m_back; }
    QAction& ForwardAction() const { return *m_forward; }

private:
    CHelpBrowser* m_browser;
    QAction* m_back;
    QAction* m_forward;
};

// Help on request: opens the help file at its default topic in a window made at the first
// request. When the file or the viewer cannot be had, this and every later request of the run
// do nothing.
class CHelpService
{
public:
    // The viewer is made as a window of `owner`.
    CHelpService(QString helpFilePath, QWidget* owner)
        : m_helpFilePath(std::move(helpFilePath)), m_owner(owner)
    {}
    void ShowHelp();
    CHelpViewer* Viewer() const { return m_viewer; }
    bool IsUnavailable() const { return m_unavailable; }

private:
    QString m_helpFilePath;
    QWidget* m_owner;
    QPointer<CHelpViewer> m_viewer;
    bool m_unavailable = false;
};
