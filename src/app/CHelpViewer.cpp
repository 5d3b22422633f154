#include "CHelpViewer.h"

#include "app/core/HelpSystemEntry.h"

#include <QAccessibleWidget>
#include <QFile>
#include <QStyle>
#include <QTextCursor>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <chm_lib.h>

ChmFile::~ChmFile()
{
    chm_close(m_file);
}

std::unique_ptr<ChmFile> ChmFile::Open(const QString& path)
{
    if (!QFile::exists(path)) {
        return nullptr;
    }
    chmFile* file = chm_open(QFile::encodeName(path).constData());
    if (!file) {
        return nullptr;
    }
    return std::unique_ptr<ChmFile>(new ChmFile(file));
}

std::optional<QByteArray> ChmFile::Read(const QString& innerPath) const
{
    chmUnitInfo unit{};
    const QByteArray path =
        innerPath.startsWith('/') ? innerPath.toUtf8() : "/" + innerPath.toUtf8();
    if (chm_resolve_object(m_file, path.constData(), &unit) != CHM_RESOLVE_SUCCESS) {
        return std::nullopt;
    }
    if (unit.length > kMaxEntryBytes) {
        return std::nullopt;
    }
    QByteArray content(static_cast<qsizetype>(unit.length), Qt::Uninitialized);
    const LONGINT64 read =
        chm_retrieve_object(m_file, &unit, reinterpret_cast<unsigned char*>(content.data()), 0,
                            static_cast<LONGINT64>(unit.length));
    if (read != static_cast<LONGINT64>(unit.length)) {
        return std::nullopt;
    }
    return content;
}

QString ChmFile::DefaultTopic() const
{
    const std::optional<QByteArray> system = Read(QStringLiteral("/#SYSTEM"));
    if (system) {
        if (const std::optional<std::string> topic =
                DefaultTopicOf(std::string_view(system->constData(), system->size()))) {
            return QString::fromLatin1(*topic);
        }
    }
    return QStringLiteral("index.html");
}

namespace {

// Qt presents a QTextBrowser to screen readers as a static label; a help page is a document the
// reader can move through and select in, so it gets the document role and the text interface.
class HelpPageAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit HelpPageAccessible(CHelpBrowser* browser)
        : QAccessibleWidget(browser, QAccessible::Document)
    {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface*>(this)
                                                  : QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }

    QString text(QAccessible::Text type) const override
    {
        return type == QAccessible::Value ? Browser().toPlainText() : QAccessibleWidget::text(type);
    }

    void selection(int index, int* start, int* end) const override
    {
        const QTextCursor cursor = Browser().textCursor();
        *start = index == 0 && cursor.hasSelection() ? cursor.selectionStart() : 0;
        *end = index == 0 && cursor.hasSelection() ? cursor.selectionEnd() : 0;
    }
    int selectionCount() const override { return Browser().textCursor().hasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override
    {
        QTextCursor cursor = Browser().textCursor();
        cursor.clearSelection();
        Browser().setTextCursor(cursor);
    }
    void setSelection(int, int start, int end) override
    {
        QTextCursor cursor(Browser().document());
        cursor.setPosition(Clamp(start));
        cursor.setPosition(Clamp(end), QTextCursor::KeepAnchor);
        Browser().setTextCursor(cursor);
    }
    int cursorPosition() const override { return Browser().textCursor().position(); }
    void setCursorPosition(int position) override { setSelection(0, position, position); }
    QString text(int start, int end) const override
    {
        return Browser().toPlainText().mid(start, end - start);
    }
    int characterCount() const override { return Browser().document()->characterCount() - 1; }
    QRect characterRect(int offset) const override
    {
        QTextCursor cursor(Browser().document());
        cursor.setPosition(Clamp(offset));
        const QRect local = Browser().cursorRect(cursor);
        return QRect(Browser().viewport()->mapToGlobal(local.topLeft()), local.size());
    }
    int offsetAtPoint(const QPoint& point) const override
    {
        return Browser().cursorForPosition(Browser().viewport()->mapFromGlobal(point)).position();
    }
    void scrollToSubstring(int start, int) override
    {
        QTextCursor cursor(Browser().document());
        cursor.setPosition(Clamp(start));
        Browser().setTextCursor(cursor);
        Browser().ensureCursorVisible();
    }
    QString attributes(int offset, int* start, int* end) const override
    {
        *start = offset;
        *end = offset;
        return {};
    }

private:
    CHelpBrowser& Browser() const { return *static_cast<CHelpBrowser*>(widget()); }
    int Clamp(int offset) const { return std::clamp(offset, 0, characterCount()); }
};

QAccessibleInterface* HelpPageAccessibleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("CHelpBrowser") && object && object->isWidgetType()) {
        return new HelpPageAccessible(static_cast<CHelpBrowser*>(object));
    }
    return nullptr;
}

} // namespace

CHelpBrowser::CHelpBrowser(std::unique_ptr<ChmFile> help, QWidget* parent)
    : QTextBrowser(parent), m_help(std::move(help))
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(HelpPageAccessibleFactory);
        return true;
    }();
    static_cast<void>(factoryInstalled);
    setOpenExternalLinks(false);
    setAccessibleName(QStringLiteral("Help page"));
}

void CHelpBrowser::ShowDefaultTopic()
{
    setSource(QUrl(QStringLiteral("/") + m_help->DefaultTopic()));
}

QVariant CHelpBrowser::loadResource(int, const QUrl& name)
{
    // The text browser's own loading would read any local file, or any resource of the program.
    if (name.isRelative() && name.authority().isEmpty()) {
        if (const std::optional<QByteArray> content = m_help->Read(name.path())) {
            return *content;
        }
    }
    return {};
}

CHelpViewer::CHelpViewer(std::unique_ptr<ChmFile> help, QWidget* owner)
    : QWidget(owner, Qt::Window), m_browser(new CHelpBrowser(std::move(help), this))
{
    setWindowTitle(QStringLiteral("Qirv Help"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* tools = new QToolBar(this);
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_back = tools->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Back"),
                              m_browser, &QTextBrowser::backward);
    m_back->setObjectName(QStringLiteral("back"));
    m_back->setShortcut(QKeySequence::Back);
    m_back->setEnabled(false);
    m_forward = tools->addAction(style()->standardIcon(QStyle::SP_ArrowForward),
                                 QStringLiteral("Forward"), m_browser, &QTextBrowser::forward);
    m_forward->setObjectName(QStringLiteral("forward"));
    m_forward->setShortcut(QKeySequence::Forward);
    m_forward->setEnabled(false);
    QAction* close = tools->addAction(style()->standardIcon(QStyle::SP_DialogCloseButton),
                                      QStringLiteral("Close"), this, &QWidget::close);
    close->setObjectName(QStringLiteral("close"));
    close->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence::Close});
    // The shortcuts work wherever the focus is inside the viewer.
    for (QAction* action : tools->actions()) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QAction::setEnabled);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(m_browser);
    setFocusProxy(m_browser);
    resize(640, 520);
}

void CHelpService::ShowHelp()
{
    if (m_unavailable) {
        return;
    }
    if (!m_viewer) {
        std::unique_ptr<ChmFile> help = ChmFile::Open(m_helpFilePath);
        if (!help) {
            m_unavailable = true;
            return;
        }
        m_viewer = new CHelpViewer(std::move(help), m_owner);
    }
    m_viewer->Browser().ShowDefaultTopic();
    m_viewer->show();
    m_viewer->raise();
    m_viewer->activateWindow();
    m_viewer->setFocus(Qt::OtherFocusReason);
}
