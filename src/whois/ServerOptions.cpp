#include "ServerOptions.h"

#include "CWhoisSocket.h"

#include <QCommandLineParser>
#include <QUrl>

namespace {

const QString kWhoisServer = QStringLiteral("whois-server");
const QString kRdapServer = QStringLiteral("rdap-server");

} // namespace

void ServerOptions::ApplyTo(CWhoisSocket& socket) const
{
    socket.SetServerOverride(whoisServer);
    socket.SetRdapOverride(rdapServer);
}

void AddServerOptions(QCommandLineParser& parser)
{
    parser.addOption(QCommandLineOption(
        kWhoisServer, QStringLiteral("Send every query to this server instead of the registry's."),
        QStringLiteral("HOST[:PORT]")));
    parser.addOption(QCommandLineOption(
        kRdapServer,
        QStringLiteral("Send every RDAP query (suffixes without a whois server, such as .info) "
                       "to this base URL instead of the registry's."),
        QStringLiteral("URL")));
}

std::optional<ServerOptions> ReadServerOptions(const QCommandLineParser& parser, QString& error)
{
    ServerOptions options;
    if (parser.isSet(kWhoisServer)) {
        const QString value = parser.value(kWhoisServer);
        options.whoisServer = ParseServerAddress(value.toStdString());
        if (!options.whoisServer) {
            error = QStringLiteral("Not a server address: \"%1\"").arg(value);
            return std::nullopt;
        }
    }
    if (parser.isSet(kRdapServer)) {
        const QString value = parser.value(kRdapServer);
        const QUrl url(value, QUrl::StrictMode);
        if (!url.isValid() || (url.scheme() != "http" && url.scheme() != "https") ||
            url.host().isEmpty()) {
            error = QStringLiteral("Not an http or https URL: \"%1\"").arg(value);
            return std::nullopt;
        }
        options.rdapServer = value.toStdString();
    }
    return options;
}
