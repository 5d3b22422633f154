#include "CHelpViewer.h"

#include <QFile>
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
    // The #SYSTEM entry: a 4-byte version, then records of a 16-bit code, a 16-bit length and
    // the data; code 2 holds the default topic.
    const std::optional<QByteArray> system = Read(QStringLiteral("/#SYSTEM"));
    if (system) {
        const auto word = [&](qsizetype at) {
            return static_cast<int>(static_cast<unsigned char>(system->at(at))) |
                   (static_cast<int>(static_cast<unsigned char>(system->at(at + 1))) << 8);
        };
        for (qsizetype at = 4; at + 4 <= system->size();) {
            const int code = word(at);
            const int length = word(at + 2);
            if (at + 4 + length > system->size()) {
                break;
            }
            if (code == 2 && length > 0) {
                return QString::fromLatin1(system->mid(at + 4, length).constData());
            }
            at += 4 + length;
        }
    }
    return QStringLiteral("index.html");
}

CHelpViewer::CHelpViewer(std::unique_ptr<ChmFile> help, QWidget* parent)
    : QTextBrowser(parent), m_help(std::move(help))
{
    setWindowTitle(QStringLiteral("Qirv Help"));
    setOpenExternalLinks(false);
    resize(640, 520);
}

void CHelpViewer::ShowDefaultTopic()
{
    setSource(QUrl(QStringLiteral("/") + m_help->DefaultTopic()));
}

QVariant CHelpViewer::loadResource(int type, const QUrl& name)
{
    if (name.scheme().isEmpty()) {
        if (const std::optional<QByteArray> content = m_help->Read(name.path())) {
            return *content;
        }
    }
    return QTextBrowser::loadResource(type, name);
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
        m_viewer = std::make_unique<CHelpViewer>(std::move(help));
    }
    m_viewer->ShowDefaultTopic();
    m_viewer->show();
    m_viewer->raise();
    m_viewer->activateWindow();
}
