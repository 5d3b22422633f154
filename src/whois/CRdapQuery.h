#pragma once

#include "QueryFailure.h"
#include "whois/core/DomainStatus.h"

#include <QByteArray>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

Q_DECLARE_METATYPE(DomainStatus)

// Asks an RDAP server (RFC 9082) about one domain name at a time: GET <base>domain/<name>, the
// name as one percent-encoded path segment. Only an answer that can be read one way gives a
// verdict: a 404 that is an RDAP reply (by its content type or its errorCode) from the server
// asked is "Available!", a 200 holding the domain object of the very name asked "Taken". Any
// other 404 or 200 is no verdict (QueryFailureKind::NoVerdict); a 429, or a 503 with
// Retry-After, a refusal; anything else a failed query. Up to five redirects are followed within
// the same overall wait, and the body is read in pieces and dropped past WhoisLimits'
// kMaxReplyBytes. Reports as CWhoisSocket does: a verdict, or a failure with its reason.
class CRdapQuery : public QObject
{
    Q_OBJECT

public:
    explicit CRdapQuery(QObject* parent = nullptr);
    ~CRdapQuery() override;

    // Starts asking about `name` (in its ASCII form) for `item`; the answer arrives by signal.
    // Returns false, without traffic or signal, for "." and "..": no encoding keeps them from
    // being read as a step in the path.
    bool Start(const QByteArray& name, int item, const QString& baseUrl);
    // Drops the request under way, if any; nothing of it is reported afterwards.
    void Reset();
    void SetTimeout(std::chrono::milliseconds timeout) { m_timer.setInterval(timeout); }
    // The host asked, for messages.
    const QByteArray& Server() const { return m_server; }
    // How long a refusing server asked us to wait, when it said.
    std::optional<std::chrono::milliseconds> RetryAfter() const { return m_retryAfter; }

signals:
    void verdict(int item, DomainStatus status);
    // `detail`: the cause in the system's words, for the command line.
    void failed(int item, const QString& reason, QueryFailureKind kind, const QString& detail);

private:
    void OnHeaders();
    void OnBodyArrived();
    void OnFinished();
    void Fail(const QString& reason, QueryFailureKind kind = QueryFailureKind::Broken,
              const QString& detail = {});

    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_server;
    QByteArray m_name;
    QUrl m_url;
    QByteArray m_body;
    int m_item = 0;
    std::optional<std::chrono::milliseconds> m_retryAfter;
    QTimer m_timer;
};
