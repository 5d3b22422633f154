#pragma once

#include "http/CHttpGet.h"
#include "registry/core/RdapBootstrap.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <memory>

// Which registries answer over RDAP, and where: IANA's bootstrap file. The programs use the copy
// last downloaded into the user's cache folder when it is there and valid, else the snapshot
// they ship with. Update downloads the current file in the background; a failed download or an
// invalid file leaves the copy there was, in the folder and in use. Registries move and new ones
// come every month, so the programs refresh a list older than kRefreshAfterDays on their own.
// The download is CHttpGet's: the whole of it, the connection and any redirects included, has one
// deadline (kDownloadTimeout) however the server trickles, and the file, headers included, is
// bounded.
class CRegistryList : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* kDownloadUrl = "https://data.iana.org/rdap/dns.json";
    static constexpr const char* kShippedFile = ":/data/rdap-dns.json";
    static constexpr const char* kFileName = "rdap-dns.json";
    // Replaces kDownloadUrl when set, so that tests download from a server of their own.
    static constexpr const char* kDownloadUrlVariable = "QIRV_RDAP_BOOTSTRAP_URL";
    static constexpr int kRefreshAfterDays = 30;
    static constexpr std::chrono::milliseconds kDownloadTimeout{60 * 1000};

    explicit CRegistryList(QObject* parent = nullptr);
    ~CRegistryList() override;

    // The folder the downloaded file is kept in; by default "qirv" in the user's cache folder,
    // the same for both programs.
    void SetCacheFolder(const QString& folder) { m_cacheFolder = folder; }
    QString CachedFile() const;
    void SetDownloadUrl(const QUrl& url) { m_downloadUrl = url; }
    // For tests: a shorter deadline than kDownloadTimeout.
    void SetDownloadTimeout(std::chrono::milliseconds timeout) { m_downloadTimeout = timeout; }

    // Reads the list anew (the downloaded copy, else the shipped one) and makes it the current.
    std::shared_ptr<const RdapBootstrap> Load();
    // The list Load or the last successful Update made current; Load's on first use.
    std::shared_ptr<const RdapBootstrap> Current();
    // A sentence on the list in use: downloaded or shipped, what it says it is and when IANA
    // published it, how many extensions it has asked over RDAP; then a line naming those asked
    // over plain HTTP, and before all a line saying why a downloaded copy is refused, if it is.
    QString Describe();
    // Why Load did not take the downloaded copy there is, as a sentence to show; empty when it
    // took it or there is none.
    QString RefusedListMessage() const;

    void Update();
    bool IsUpdating() const;

    // When the list in use was made: a downloaded copy when it was downloaded (its file's
    // modification time), the shipped one when IANA published it; invalid when unknown.
    QDateTime ListTime();
    // Starts Update when the list in use is older than kRefreshAfterDays at `now`, or of unknown
    // age; returns whether it did.
    bool UpdateIfOld(const QDateTime& now);

    // The sentence a failed update ends with, on one line whatever `reason` holds.
    static QString NotUpdatedMessage(const QString& reason);

signals:
    // The end of an Update, with the sentence to show: on success how many extensions are now
    // asked over RDAP, on failure why nothing changed.
    void updateFinished(bool succeeded, const QString& message);

private:
    void OnDownloaded(const CHttpGet::Result& result);
    QString SaveDownload(const QByteArray& bytes, std::shared_ptr<const RdapBootstrap>& read);

    QString m_cacheFolder;
    QUrl m_downloadUrl;
    std::chrono::milliseconds m_downloadTimeout = kDownloadTimeout;
    CHttpGet m_download;
    std::shared_ptr<const RdapBootstrap> m_current;
    bool m_currentIsDownloaded = false;
    QString m_cachedRefusal;
};

// How many of the list's extensions the registries' own choice asks over RDAP: those of the
// keyword window keep their long-standing whois servers.
int RdapExtensionCount(const std::shared_ptr<const RdapBootstrap>& bootstrap);
