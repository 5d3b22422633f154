#include "CRegistryList.h"

#include "RdapBootstrapReader.h"
#include "registry/core/ServerRoutes.h"
#include "text/InputFile.h"
#include "text/Utf8Text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <array>
#include <utility>

namespace {

// IANA's file is about 100 KiB; a server sending far more is not sending it.
constexpr qint64 kLargestFile = 16 * 1024 * 1024;

std::shared_ptr<const RdapBootstrap> ReadBytes(const QByteArray& bytes, QString& error,
                                               const RdapBootstrap* replaced)
{
    std::optional<RdapBootstrap> bootstrap = ReadRdapBootstrap(bytes, error, replaced);
    return bootstrap ? std::make_shared<const RdapBootstrap>(std::move(*bootstrap)) : nullptr;
}

// The shipped list, a resource.
std::shared_ptr<const RdapBootstrap> ReadShippedFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    QString error;
    return ReadBytes(file.readAll(), error, nullptr);
}

// The downloaded list, opened as every file is: a named pipe or a device there is refused at once
// (it would stall every start, or fill memory), and so is a file over the download's own limit,
// from its size and again while it is read. Nothing, with `error` empty when there is no such
// file, else saying why the list is refused.
std::shared_ptr<const RdapBootstrap> ReadCachedFile(const QString& path, QString& error,
                                                    const RdapBootstrap& replaced)
{
    InputFile file;
    if (!file.Open(path.toStdString(), static_cast<std::uint64_t>(kLargestFile))) {
        if (file.Failed() != InputFile::Failure::Missing) {
            error = QString::fromStdString(file.Reason());
        }
        return nullptr;
    }
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(file.Size()));
    std::array<char, 64 * 1024> chunk{};
    while (const std::size_t count = file.Read(chunk.data(), chunk.size())) {
        bytes.append(chunk.data(), static_cast<qsizetype>(count));
    }
    if (file.Failed() != InputFile::Failure::None) {
        error = QString::fromStdString(file.Reason());
        return nullptr;
    }
    return ReadBytes(bytes, error, &replaced);
}

} // namespace

int RdapExtensionCount(const std::shared_ptr<const RdapBootstrap>& bootstrap)
{
    ServerRoutes routes;
    routes.SetRdapBootstrap(bootstrap);
    int count = 0;
    for (const auto& entry : bootstrap->Bases()) {
        if (routes.RegistryRouteFor("x." + entry.first).protocol == QueryRoute::Protocol::Rdap) {
            ++count;
        }
    }
    return count;
}

CRegistryList::CRegistryList(QObject* parent)
    : QObject(parent),
      m_cacheFolder(QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
                        .filePath(QStringLiteral("qirv"))),
      m_downloadUrl(qEnvironmentVariableIsEmpty(kDownloadUrlVariable)
                        ? QString::fromLatin1(kDownloadUrl)
                        : qEnvironmentVariable(kDownloadUrlVariable))
{
    connect(&m_download, &CHttpGet::finished, this, &CRegistryList::OnDownloaded,
            Qt::DirectConnection);
}

CRegistryList::~CRegistryList()
{
    // A download still under way ends without telling anyone.
    m_download.Abort();
}

QString CRegistryList::CachedFile() const
{
    return QDir(m_cacheFolder).filePath(QString::fromLatin1(kFileName));
}

std::shared_ptr<const RdapBootstrap> CRegistryList::Load()
{
    // The resources live in a static library: they are there once registered.
    Q_INIT_RESOURCE(qirv);
    std::shared_ptr<const RdapBootstrap> shipped =
        ReadShippedFile(QString::fromLatin1(kShippedFile));
    if (!shipped) {
        shipped = std::make_shared<const RdapBootstrap>();
    }
    // A cached copy could have been written by anyone who can write to the user's cache folder,
    // so it is held to what a download is: it replaces the shipped list.
    m_cachedRefusal.clear();
    m_current = ReadCachedFile(CachedFile(), m_cachedRefusal, *shipped);
    m_currentIsDownloaded = m_current != nullptr;
    if (!m_current) {
        m_current = std::move(shipped);
    }
    return m_current;
}

QString CRegistryList::RefusedListMessage() const
{
    if (m_cachedRefusal.isEmpty()) {
        return {};
    }
    return QStringLiteral("The list downloaded to %1 is refused: %2. The list shipped with the "
                          "program is used.")
        .arg(CachedFile(), m_cachedRefusal.simplified());
}

std::shared_ptr<const RdapBootstrap> CRegistryList::Current()
{
    return m_current ? m_current : Load();
}

QString CRegistryList::Describe()
{
    const std::shared_ptr<const RdapBootstrap> current = Current();
    QString list = m_currentIsDownloaded ? QStringLiteral("The list downloaded to ") + CachedFile()
                                         : QStringLiteral("The list shipped with the program");
    // The file's own words go to a terminal: no escape sequence of theirs may reach it.
    QStringList about;
    if (!current->Description().empty()) {
        about << QLatin1Char('"') +
                     QString::fromStdString(PrintableServerText(current->Description())) +
                     QLatin1Char('"');
    }
    if (!current->Publication().empty()) {
        about << QStringLiteral("published ") +
                     QString::fromStdString(PrintableServerText(current->Publication()));
    }
    if (!about.isEmpty()) {
        list += QStringLiteral(" (%1)").arg(about.join(QStringLiteral(", ")));
    }
    list += QStringLiteral(": %1 extensions are asked over RDAP.").arg(RdapExtensionCount(current));
    QStringList plain;
    for (const auto& [tld, base] : current->Bases()) {
        if (base.starts_with("http:")) {
            plain << QStringLiteral(".") + QString::fromStdString(tld);
        }
    }
    if (!plain.isEmpty()) {
        list += QStringLiteral("\nOver plain HTTP, as the list gives no https server for them: %1.")
                    .arg(plain.join(QStringLiteral(", ")));
    }
    const QString refusal = RefusedListMessage();
    return refusal.isEmpty() ? list : refusal + QLatin1Char('\n') + list;
}

void CRegistryList::Update()
{
    if (m_download.IsBusy()) {
        return;
    }
    CHttpGet::Limits limits;
    limits.deadline = m_downloadTimeout;
    limits.maxReplyBytes = kLargestFile;
    m_download.SetLimits(limits);
    m_download.Get(m_downloadUrl);
}

bool CRegistryList::IsUpdating() const
{
    return m_download.IsBusy();
}

QDateTime CRegistryList::ListTime()
{
    const std::shared_ptr<const RdapBootstrap> current = Current();
    if (m_currentIsDownloaded) {
        return QFileInfo(CachedFile()).lastModified();
    }
    return QDateTime::fromString(QString::fromStdString(current->Publication()), Qt::ISODate);
}

bool CRegistryList::UpdateIfOld(const QDateTime& now)
{
    const QDateTime made = ListTime();
    if (made.isValid() && made.addDays(kRefreshAfterDays) > now) {
        return false;
    }
    Update();
    return true;
}

QString CRegistryList::NotUpdatedMessage(const QString& reason)
{
    return QStringLiteral("The registry list was not updated: %1. The list in use stays as it was.")
        .arg(reason.simplified());
}

void CRegistryList::OnDownloaded(const CHttpGet::Result& result)
{
    const int status = result.reply.status;
    QString reason;
    std::shared_ptr<const RdapBootstrap> downloaded;
    switch (result.failure) {
    case CHttpGet::Failure::TooLarge:
        reason = QStringLiteral("the file is larger than %1 MiB").arg(kLargestFile >> 20);
        break;
    case CHttpGet::Failure::TimedOut:
        reason = QStringLiteral("the download did not end within %1 s")
                     .arg(std::chrono::duration<double>(m_downloadTimeout).count());
        break;
    case CHttpGet::Failure::None:
        reason =
            status != 200
                ? QStringLiteral("%1 answered HTTP %2").arg(result.reply.url.host()).arg(status)
                : SaveDownload(result.reply.body, downloaded);
        break;
    case CHttpGet::Failure::NotReached:
    case CHttpGet::Failure::LocalShortage:
    case CHttpGet::Failure::Broken:
        // "data.iana.org: host not found": which server failed, as the error rows say it.
        reason =
            m_downloadUrl.host() + QStringLiteral(": ") + QString::fromStdString(result.detail);
        break;
    }
    if (!downloaded) {
        emit updateFinished(false, NotUpdatedMessage(reason));
        return;
    }
    m_current = std::move(downloaded);
    m_currentIsDownloaded = true;
    emit updateFinished(true, QStringLiteral("The registry list is updated: %1 extensions are "
                                             "asked over RDAP.")
                                  .arg(RdapExtensionCount(m_current)));
}

QString CRegistryList::SaveDownload(const QByteArray& bytes,
                                    std::shared_ptr<const RdapBootstrap>& read)
{
    QString error;
    std::optional<RdapBootstrap> bootstrap = ReadRdapBootstrap(bytes, error, Current().get());
    if (!bootstrap) {
        return QStringLiteral("the file from %1 is not IANA's list: %2")
            .arg(m_downloadUrl.toDisplayString(), error);
    }
    // Written whole or not at all: a crash or a full disk never leaves half a list behind.
    QSaveFile file(CachedFile());
    if (!QDir().mkpath(m_cacheFolder) || !file.open(QIODevice::WriteOnly) ||
        file.write(bytes) != bytes.size() || !file.commit()) {
        return QStringLiteral("cannot write %1: %2").arg(CachedFile(), file.errorString());
    }
    read = std::make_shared<const RdapBootstrap>(std::move(*bootstrap));
    return {};
}
