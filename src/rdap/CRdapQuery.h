#pragma once

#include "http/CHttpGet.h"
#include "query/core/QueryResult.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// Asks an RDAP server (RFC 9082) about one domain name at a time: GET <base>domain/<name>, the
// name as one percent-encoded path segment. Only an answer that can be read one way gives a
// verdict: a 404 that is an RDAP reply (by its content type or its errorCode) from the server
// asked is "Available!", a 200 holding the domain object of the very name asked "Taken". Any
// other 404 or 200 is no verdict (QueryFailureKind::NoVerdict); a 429, or a 503 with
// Retry-After, a refusal; anything else a failed query. The exchange is CHttpGet's, with the
// bounds of QueryLimits: a connection that does not open within kConnectTimeout is "cannot be
// reached" (NoConnection), the whole query, up to five redirects included, ends within
// kReplyTimeout, and a reply, headers included, past kMaxReplyBytes is dropped as soon as it gets
// there. A query that ends closes its connection at once. Every query started ends with exactly
// one `finished`, as CWhoisSocket's do.
class CRdapQuery : public QObject
{
    Q_OBJECT

public:
    explicit CRdapQuery(QObject* parent = nullptr);
    ~CRdapQuery() override;

    // Starts asking about `name` (checked, in its ASCII form) at the server of `baseUrl`; the
    // result, with `item`, arrives by `finished`. A name that is "." or ".." (no encoding keeps
    // them from being read as a step in the path) ends at once, as not askable.
    void StartQuery(const QByteArray& name, int item, const QString& baseUrl);
    // Drops the request under way, if any; nothing of it is reported afterwards.
    void Reset();
    void SetTimeouts(std::chrono::milliseconds connectTimeout,
                     std::chrono::milliseconds replyTimeout);
    // The host asked, for messages.
    const QByteArray& Server() const { return m_server; }

signals:
    // Connect with Qt::DirectConnection: the handler has run to its end when the emit returns, and
    // may start the next query on this object.
    void finished(const QueryResult& result);

private:
    void OnReply(const CHttpGet::Result& result);
    void Fail(QueryFailureKind kind, std::string_view words, std::string detail = {});
    void Finish(QueryResult result);

    CHttpGet m_http;
    QByteArray m_server;
    std::string m_serverKey; // "host:port"
    QByteArray m_name;
    QUrl m_url;
    int m_item = 0;
    std::optional<std::chrono::milliseconds> m_retryAfter;
};
