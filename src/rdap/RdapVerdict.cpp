#include "RdapVerdict.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QString>

namespace {

// Names compared as DNS does: ASCII letters in either case, a final dot or none.
bool SameName(QByteArray first, QByteArray second)
{
    for (QByteArray* name : {&first, &second}) {
        if (name->endsWith('.')) {
            name->chop(1);
        }
    }
    return first.compare(second, Qt::CaseInsensitive) == 0;
}

// "application/rdap+json", with or without parameters ("; charset=utf-8").
bool IsRdapContentType(const QByteArray& value)
{
    return value.split(';').front().trimmed().toLower() == "application/rdap+json";
}

} // namespace

std::optional<DomainStatus> ReadRdapVerdict(int httpStatus, const QByteArray& contentType,
                                            bool fromServerAsked, const QByteArray& body,
                                            const QByteArray& askedName)
{
    if (httpStatus != 200 && httpStatus != 404) {
        return std::nullopt;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    const QJsonObject object =
        error.error == QJsonParseError::NoError ? document.object() : QJsonObject();
    if (httpStatus == 404) {
        // A web server's own "not found" page, or one reached on another server, says nothing
        // about the registry's records.
        const bool rdapReply = IsRdapContentType(contentType) ||
                               object.value(QStringLiteral("errorCode")).toInt() == 404;
        return rdapReply && fromServerAsked ? std::optional(DomainStatus::Available) : std::nullopt;
    }
    const bool askedDomain =
        object.value(QStringLiteral("objectClassName")).toString() == QLatin1String("domain") &&
        SameName(object.value(QStringLiteral("ldhName")).toString().toUtf8(), askedName);
    return askedDomain ? std::optional(DomainStatus::Taken) : std::nullopt;
}
