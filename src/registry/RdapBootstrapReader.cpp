#include "RdapBootstrapReader.h"

#include "registry/core/RdapListCheck.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <algorithm>

namespace {

bool IsArrayOfStrings(const QJsonValue& value)
{
    if (!value.isArray()) {
        return false;
    }
    const QJsonArray array = value.toArray();
    return std::all_of(array.begin(), array.end(),
                       [](const QJsonValue& item) { return item.isString(); });
}

bool HasScheme(const QString& text, const char* scheme)
{
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && url.scheme() == QLatin1String(scheme) && !url.host().isEmpty();
}

// The https URL of a service, else its http one, written as the queries will read it: the check
// of its host then sees the host they connect to, whatever escapes or forms the file used.
std::optional<QString> PreferredUrl(const QJsonArray& urls)
{
    for (const char* scheme : {"https", "http"}) {
        for (const auto& url : urls) {
            if (HasScheme(url.toString(), scheme)) {
                return QUrl(url.toString(), QUrl::StrictMode).toString(QUrl::FullyEncoded);
            }
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<RdapBootstrap> ReadRdapBootstrap(const QByteArray& json, QString& error,
                                               const RdapBootstrap* replaced)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("not JSON (%1 at byte %2)")
                    .arg(parseError.errorString())
                    .arg(parseError.offset);
        return std::nullopt;
    }
    if (!document.isObject()) {
        error = QStringLiteral("not a JSON object");
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("version")).toString() != QStringLiteral("1.0")) {
        error = QStringLiteral("not version 1.0 of the format");
        return std::nullopt;
    }
    const QJsonArray services = root.value(QStringLiteral("services")).toArray();
    if (services.isEmpty()) {
        error = QStringLiteral("no services listed");
        return std::nullopt;
    }
    RdapBootstrap::BaseByTld baseByTld;
    for (qsizetype index = 0; index < services.size(); ++index) {
        const QJsonArray service = services.at(index).toArray();
        const auto fail = [&](const QString& what) {
            error = QStringLiteral("service %1 %2").arg(index + 1).arg(what);
            return std::nullopt;
        };
        if (service.size() != 2 || !IsArrayOfStrings(service.at(0)) ||
            !IsArrayOfStrings(service.at(1))) {
            return fail(QStringLiteral("is not two lists of strings"));
        }
        const std::optional<QString> url = PreferredUrl(service.at(1).toArray());
        if (!url) {
            return fail(QStringLiteral("has no http or https URL"));
        }
        for (const auto& tld : service.at(0).toArray()) {
            // The first service to name a domain keeps it.
            baseByTld.try_emplace(tld.toString().toLower().toStdString(), url->toStdString());
        }
    }
    RdapBootstrap bootstrap(std::move(baseByTld),
                            root.value(QStringLiteral("publication")).toString().toStdString(),
                            root.value(QStringLiteral("description")).toString().toStdString());
    if (const std::optional<std::string> fault = RdapListFault(bootstrap, replaced)) {
        error = QString::fromStdString(*fault);
        return std::nullopt;
    }
    return bootstrap;
}
