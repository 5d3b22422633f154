#include "CRdapQuery.h"

#include "QueryFailure.h"
#include "ReleaseLater.h"
#include "whois/core/WhoisLimits.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

namespace {

// "Retry-After: 120" or "Retry-After: Wed, 21 Oct 2026 07:28:00 GMT" (RFC 9110).
std::optional<std::chrono::milliseconds> ReadRetryAfter(const QNetworkReply& reply)
{
    const QByteArray value = reply.rawHeader("Retry-After").trimmed();
    if (value.isEmpty()) {
        return std::nullopt;
    }
    bool isNumber = false;
    const qlonglong seconds = value.toLongLong(&isNumber);
    if (isNumber) {
        return seconds >= 0 ? std::optional(std::chrono::milliseconds(seconds * 1000))
                            : std::nullopt;
    }
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(value), Qt::RFC2822Date);
    if (!when.isValid()) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(
        std::max<qint64>(0, QDateTime::currentDateTimeUtc().msecsTo(when)));
}

} // namespace

CRdapQuery::CRdapQuery(QObject* parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(WhoisLimits::kReplyTimeout);
    connect(&m_timer, &QTimer::timeout, this, [this] { Fail(kConnectionRejected); });
}

CRdapQuery::~CRdapQuery()
{
    Reset();
}

void CRdapQuery::Start(const QByteArray& name, int item, const QString& baseUrl)
{
    Reset();
    m_item = item;
    m_retryAfter.reset();
    QString base = baseUrl;
    if (!base.endsWith('/')) {
        base += '/';
    }
    const QUrl url(base + QStringLiteral("domain/") + QString::fromLatin1(name));
    m_server = url.host().toUtf8();
    if (!m_network) {
        m_network = new QNetworkAccessManager(this);
    }
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "application/rdap+json");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    m_timer.start();
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::finished, this, &CRdapQuery::OnFinished);
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) {
        if (received > static_cast<qint64>(WhoisLimits::kMaxReplyBytes)) {
            Fail(kConnectionRejected);
        }
    });
}

void CRdapQuery::Reset()
{
    m_timer.stop();
    ReleaseLater(m_reply, this);
}

void CRdapQuery::OnFinished()
{
    if (!m_reply) {
        return;
    }
    m_timer.stop();
    QNetworkReply& reply = *m_reply;
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 404) {
        Reset();
        emit verdict(m_item, DomainStatus::Available);
        return;
    }
    if (status == 200) {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(reply.readAll(), &error);
        if (error.error == QJsonParseError::NoError && document.isObject() &&
            document.object().value(QStringLiteral("objectClassName")).toString() ==
                QLatin1String("domain")) {
            Reset();
            emit verdict(m_item, DomainStatus::Taken);
            return;
        }
        Fail(kConnectionRejected);
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
        Fail(kConnectionFailure, QueryFailureKind::NoConnection);
        return;
    default:
        Fail(kConnectionRejected);
        return;
    }
}

void CRdapQuery::Fail(const QString& reason, QueryFailureKind kind)
{
    Reset();
    emit failed(m_item, reason, kind);
}
