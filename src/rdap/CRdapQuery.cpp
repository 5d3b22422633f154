#include "CRdapQuery.h"

#include "RdapVerdict.h"
#include "query/ReleaseLater.h"
#include "query/core/QueryLimits.h"

#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

namespace {

// As many as a registry's RDAP service plausibly chains (a load balancer, a new address); a
// loop ends here.
constexpr int kMaxRedirects = 5;
// What Qt may hold of a body at a time; the rest stays in the connection until read.
constexpr qint64 kReadBufferBytes = 64 * 1024;

// "Retry-After: 120" or "Retry-After: Wed, 21 Oct 2026 07:28:00 GMT" (RFC 9110).
std::optional<std::chrono::milliseconds> ReadRetryAfter(const QNetworkReply& reply)
{
    QByteArray value = reply.rawHeader("Retry-After").trimmed();
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
    m_timer.setSingleShot(true);
    m_timer.setInterval(QueryLimits::kReplyTimeout);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        Fail(QueryFailureKind::Broken, kConnectionRejected,
             NoReplyWithin(m_timer.intervalAsDuration(), "reply"));
    });
}

CRdapQuery::~CRdapQuery()
{
    Reset();
}

void CRdapQuery::StartQuery(const QByteArray& name, int item, const QString& baseUrl)
{
    Reset();
    m_item = item;
    m_retryAfter.reset();
    m_body.clear();
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
    if (!m_network) {
        m_network = new QNetworkAccessManager(this);
    }
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "application/rdap+json");
    // Compressed, a body of a few kilobytes could unpack past any limit before it is looked at.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    m_timer.start();
    m_reply = m_network->get(request);
    // Without a bound Qt reads the whole body into memory before we see any of it.
    m_reply->setReadBufferSize(kReadBufferBytes);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &CRdapQuery::OnHeaders);
    connect(m_reply, &QNetworkReply::readyRead, this, &CRdapQuery::OnBodyArrived);
    connect(m_reply, &QNetworkReply::finished, this, &CRdapQuery::OnFinished);
}

void CRdapQuery::Reset()
{
    m_timer.stop();
    ReleaseLater(m_reply, this);
}

void CRdapQuery::OnHeaders()
{
    if (!m_reply) {
        return;
    }
    bool known = false;
    const qlonglong length =
        m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && length > static_cast<qlonglong>(QueryLimits::kMaxReplyBytes)) {
        Fail(QueryFailureKind::Broken, kConnectionRejected, ReplyTooLarge());
    }
}

void CRdapQuery::OnBodyArrived()
{
    if (!m_reply) {
        return;
    }
    const auto limit = static_cast<qsizetype>(QueryLimits::kMaxReplyBytes);
    m_body += m_reply->read(limit + 1 - m_body.size());
    if (m_body.size() > limit) {
        Fail(QueryFailureKind::Broken, kConnectionRejected, ReplyTooLarge());
    }
}

void CRdapQuery::OnFinished()
{
    if (!m_reply) {
        return;
    }
    m_timer.stop();
    OnBodyArrived();
    if (!m_reply) {
        return;
    }
    QNetworkReply& reply = *m_reply;
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // A body cut off, or a redirect that went wrong, leaves the status of the last complete
    // step; only a reply that arrived whole is read for a verdict.
    if ((status == 200 && reply.error() == QNetworkReply::NoError) ||
        (status == 404 && reply.error() == QNetworkReply::ContentNotFoundError)) {
        if (const std::optional<DomainStatus> found =
                ReadRdapVerdict(status, reply.rawHeader("Content-Type"),
                                SameServer(m_url, reply.url()), m_body, m_name)) {
            Reset();
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
    switch (reply.error()) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
        Fail(QueryFailureKind::NoConnection, kConnectionFailure,
             PlainDetail(reply.errorString().toStdString()));
        return;
    default:
        Fail(QueryFailureKind::Broken, kConnectionRejected,
             status != 0 ? "HTTP " + std::to_string(status)
                         : PlainDetail(reply.errorString().toStdString()));
        return;
    }
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
