#pragma once

#include "whois/core/DomainName.h"

#include <QString>
#include <optional>
#include <string>

class CWhoisSocket;
class QCommandLineParser;

// --whois-server and --rdap-server, which send queries to a server of the user's choice (their
// own server or proxy, or a test's) instead of the registries'. Both programs take them alike.
struct ServerOptions
{
    std::optional<ServerAddress> whoisServer;
    std::optional<std::string> rdapServer;

    void ApplyTo(CWhoisSocket& socket) const;
};

void AddServerOptions(QCommandLineParser& parser);

// The options as given; nothing, with `error` saying which value is wrong, when one cannot be
// used.
std::optional<ServerOptions> ReadServerOptions(const QCommandLineParser& parser, QString& error);
