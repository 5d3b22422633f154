#include "CRdapQuery.h"

#include "QueryFailure.h"
#include "RdapVerdict.h"
#include "ReleaseLater.h"
#include "whois/core/WhoisLimits.h"

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

// Host and port, the port as the scheme implies it when the URL does not say.
bool SameServer(const QUrl& asked, const QUrl& answered)
{
    const auto portOf = [](const QUrl& url) {
        return url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
    };
    return asked.host().compare(answered.host(), Qt::CaseInsensitive) == 0 &&
           portOf(asked) == portOf(answered);
}

} // namespace

CRdapQuery::CRdapQuery(QObject* parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(WhoisLimits::kReplyTimeout);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        Fail(kConnectionRejected, QueryFailureKind::Broken,
             NoReplyWithin(m_timer.intervalAsDuration(), "reply"));
    });
}

CRdapQuery::~CRdapQuery()
{
    Reset();
}

bool CRdapQuery::Start(const QByteArray& name, int item, const QString& baseUrl)
{
    Reset();
    m_item = item;
    m_retryAfter.reset();
    m_body.clear();
    m_name = name;
    const QByteArray segment = QUrl::toPercentEncoding(QString::fromLatin1(name));
    if (segment == "." || segment == "..") {
        return false;
    }
    QUrl url(baseUrl);
    QString path = url.path(QUrl::FullyEncoded);
    if (!path.endsWith('/')) {
        path += '/';
    }
    // Taken as encoded: the "%2F" and "%3F" of a hostile name stay inside its segment.
    url.setPath(path + QStringLiteral("domain/") + QString::fromLatin1(segment), QUrl::StrictMode);
    m_url = url;
    m_server = url.host().toUtf8();
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
    return true;
}

void CRdapQuery::Reset()
{
    m_timer.stop();
    ReleaseLater(m_reply, this);
}

namespace {

QString TooLarge()
{
    return QStringLiteral("the reply is larger than %1 KiB")
        .arg(WhoisLimits::kMaxReplyBytes / 1024);
}

} // namespace

void CRdapQuery::OnHeaders()
{
    if (!m_reply) {
        return;
    }
    bool known = false;
    const qlonglong length =
        m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && length > static_cast<qlonglong>(WhoisLimits::kMaxReplyBytes)) {
        Fail(kConnectionRejected, QueryFailureKind::Broken, TooLarge());
    }
}

void CRdapQuery::OnBodyArrived()
{
    if (!m_reply) {
        return;
    }
    const auto limit = static_cast<qsizetype>(WhoisLimits::kMaxReplyBytes);
    m_body += m_reply->read(limit + 1 - m_body.size());
    if (m_body.size() > limit) {
        Fail(kConnectionRejected, QueryFailureKind::Broken, TooLarge());
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
            emit verdict(m_item, *found);
        } else {
            Fail(QString::fromUtf8(kNoVerdictInReply), QueryFailureKind::NoVerdict);
        }
        return;
    }
    m_retryAfter = ReadRetryAfter(reply);
    if (status == 429 || (status == 503 && m_retryAfter)) {
        Fail(QStringLiteral("Query refused by ") + QString::fromUtf8(m_server) +
                 (status == 429 ? QStringLiteral(": HTTP 429 Too Many Requests")
                                : QStringLiteral(": HTTP 503 Service Unavailable")),
             QueryFailureKind::Refused);
        return;
    }
    switch (reply.error()) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
        Fail(kConnectionFailure, QueryFailureKind::NoConnection, PlainDetail(reply.errorString()));
        return;
    default:
        Fail(kConnectionRejected, QueryFailureKind::Broken,
             status != 0 ? QStringLiteral("HTTP %1").arg(status)
                         : PlainDetail(reply.errorString()));
        return;
    }
}

void CRdapQuery::Fail(const QString& reason, QueryFailureKind kind, const QString& detail)
{
    Reset();
    emit failed(m_item, reason, kind, detail);
}
