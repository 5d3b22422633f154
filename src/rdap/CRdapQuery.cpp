#include "CRdapQuery.h"

#include "RdapVerdict.h"
#include "query/core/QueryLimits.h"

#include <QDateTime>
#include <QUrl>

namespace {

// As many as a registry's RDAP service plausibly chains (a load balancer, a new address); a
// loop ends here.
constexpr int kMaxRedirects = 5;

// "Retry-After: 120" or "Retry-After: Wed, 21 Oct 2026 07:28:00 GMT" (RFC 9110).
std::optional<std::chrono::milliseconds> ReadRetryAfter(const CHttpGet::Reply& reply)
{
    QByteArray value = reply.Header("retry-after");
    if (value.isEmpty()) {
        return std::nullopt;
    }
    bool isNumber = false;
    const qlonglong seconds = value.toLongLong(&isNumber);
    if (isNumber) {
        // Longer than any search waits; the bound keeps the product in range.
        constexpr qlonglong kOneDay = 24 * 60 * 60;
        return seconds >= 0 ? std::optional(std::chrono::seconds(std::min(seconds, kOneDay)))
                            : std::nullopt;
    }
    // Qt reads RFC 2822 dates, which spell the zone of an HTTP date as an offset.
    if (value.endsWith(" GMT")) {
        value.chop(3);
        value += "+0000";
    }
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(value), Qt::RFC2822Date);
    if (!when.isValid()) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(
        std::max<qint64>(0, QDateTime::currentDateTimeUtc().msecsTo(when)));
}

// The port as the scheme implies it when the URL does not say.
int PortOf(const QUrl& url)
{
    return url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
}

bool SameServer(const QUrl& asked, const QUrl& answered)
{
    return asked.host().compare(answered.host(), Qt::CaseInsensitive) == 0 &&
           PortOf(asked) == PortOf(answered);
}

} // namespace

CRdapQuery::CRdapQuery(QObject* parent) : QObject(parent)
{
    SetTimeouts(QueryLimits::kConnectTimeout, QueryLimits::kReplyTimeout);
    connect(&m_http, &CHttpGet::finished, this, &CRdapQuery::OnReply, Qt::DirectConnection);
}

CRdapQuery::~CRdapQuery()
{
    Reset();
}

void CRdapQuery::SetTimeouts(std::chrono::milliseconds connectTimeout,
                             std::chrono::milliseconds replyTimeout)
{
    CHttpGet::Limits limits;
    limits.connectTimeout = connectTimeout;
    limits.deadline = replyTimeout;
    limits.maxReplyBytes = static_cast<std::int64_t>(QueryLimits::kMaxReplyBytes);
    limits.maxRedirects = kMaxRedirects;
    m_http.SetLimits(limits);
}

void CRdapQuery::StartQuery(const QByteArray& name, int item, const QString& baseUrl)
{
    Reset();
    m_item = item;
    m_retryAfter.reset();
    m_name = name;
    QUrl url(baseUrl);
    m_server = url.host().toUtf8();
    m_serverKey = m_server.toStdString() + ':' + std::to_string(PortOf(url));
    const QByteArray segment = QUrl::toPercentEncoding(QString::fromLatin1(name));
    if (segment == "." || segment == "..") {
        Finish(FailureResult(item, QueryFailureKind::NotAskable, kNotADomainName));
        return;
    }
    QString path = url.path(QUrl::FullyEncoded);
    if (!path.endsWith('/')) {
        path += '/';
    }
    // Taken as encoded: the "%2F" and "%3F" of a hostile name stay inside its segment.
    url.setPath(path + QStringLiteral("domain/") + QString::fromLatin1(segment), QUrl::StrictMode);
    m_url = url;
    // The result may come at once, inside this call (no socket to be had, say).
    m_http.Get(url, {{"Accept", "application/rdap+json"}});
}

void CRdapQuery::Reset()
{
    m_http.Abort();
}

void CRdapQuery::OnReply(const CHttpGet::Result& result)
{
    switch (result.failure) {
    case CHttpGet::Failure::None:
        break;
    case CHttpGet::Failure::NotReached:
        Fail(QueryFailureKind::NoConnection, kConnectionFailure, result.detail);
        return;
    case CHttpGet::Failure::LocalShortage:
        Fail(QueryFailureKind::LocalShortage, kConnectionFailure, result.detail);
        return;
    case CHttpGet::Failure::TimedOut:
        Fail(QueryFailureKind::Broken, kConnectionRejected,
             NoReplyWithin(m_http.GetLimits().deadline, "reply"));
        return;
    case CHttpGet::Failure::TooLarge:
        Fail(QueryFailureKind::Broken, kConnectionRejected, ReplyTooLarge());
        return;
    case CHttpGet::Failure::Broken:
        Fail(QueryFailureKind::Broken, kConnectionRejected, result.detail);
        return;
    }
    const CHttpGet::Reply& reply = result.reply;
    const int status = reply.status;
    // Only a reply that arrived whole gets here, the last of any redirects.
    if (status == 200 || status == 404) {
        if (const std::optional<DomainStatus> found =
                ReadRdapVerdict(status, reply.Header("content-type"), SameServer(m_url, reply.url),
                                reply.body, m_name)) {
            Finish(VerdictResult(m_item, *found));
        } else {
            Fail(QueryFailureKind::NoVerdict, kNoVerdictInReply);
        }
        return;
    }
    m_retryAfter = ReadRetryAfter(reply);
    if (status == 429 || (status == 503 && m_retryAfter)) {
        Fail(QueryFailureKind::Refused, "Query refused by " + m_server.toStdString() +
                                            (status == 429 ? ": HTTP 429 Too Many Requests"
                                                           : ": HTTP 503 Service Unavailable"));
        return;
    }
    Fail(QueryFailureKind::Broken, kConnectionRejected, "HTTP " + std::to_string(status));
}

void CRdapQuery::Fail(QueryFailureKind kind, std::string_view words, std::string detail)
{
    Reset();
    QueryResult result = FailureResult(m_item, kind, words, std::move(detail));
    result.retryAfter = m_retryAfter;
    Finish(std::move(result));
}

void CRdapQuery::Finish(QueryResult result)
{
    result.server = m_serverKey;
    // The handler may start the next query on this object; nothing may be touched after the emit.
    emit finished(result);
}
