#include "CRegistryList.h"

#include "RdapBootstrapReader.h"
#include "registry/core/ServerRoutes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <utility>

namespace {

// IANA's file is about 100 KiB; a server sending far more is not sending it.
constexpr qint64 kLargestFile = 16 * 1024 * 1024;

std::shared_ptr<const RdapBootstrap> ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    QString error;
    std::optional<RdapBootstrap> bootstrap = ReadRdapBootstrap(file.readAll(), error);
    return bootstrap ? std::make_shared<const RdapBootstrap>(std::move(*bootstrap)) : nullptr;
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
    m_current = ReadFile(CachedFile());
    m_currentIsDownloaded = m_current != nullptr;
    if (!m_current) {
        // The resources live in a static library: they are there once registered.
        Q_INIT_RESOURCE(qirv);
        m_current = ReadFile(QString::fromLatin1(kShippedFile));
    }
    if (!m_current) {
        m_current = std::make_shared<const RdapBootstrap>();
    }
    return m_current;
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
    if (!current->Publication().empty()) {
        list +=
            QStringLiteral(" (published %1)").arg(QString::fromStdString(current->Publication()));
    }
    return list +
           QStringLiteral(": %1 extensions are asked over RDAP.").arg(RdapExtensionCount(current));
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
        reason = QString::fromStdString(result.detail);
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
    std::optional<RdapBootstrap> bootstrap = ReadRdapBootstrap(bytes, error);
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
