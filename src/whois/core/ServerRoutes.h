#pragma once

#include "DomainName.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where the query for one name goes: a whois server (host and port) or an RDAP base URL.
struct QueryRoute
{
    enum class Protocol
    {
        Whois,
        Rdap,
    };
    Protocol protocol = Protocol::Whois;
    ServerAddress whois;
    std::string rdapBase;

    // The server as "host:port", the name its queue and its budget go by.
    std::string Key() const;
};

// The host and port of an http or https URL ("https://rdap.example:8443/x/" gives
// "rdap.example" and 8443); nothing for anything else.
std::optional<ServerAddress> UrlServer(std::string_view url);

// The servers the user named instead of the registries' ("--whois-server .com=HOST:PORT"), and
// the registries' own for everything else.
class ServerRoutes
{
public:
    // `suffix` is "" for every name no other choice takes, else ".com", ".co.uk", ...
    void AddWhoisServer(std::string suffix, ServerAddress server);
    void AddRdapServer(std::string suffix, std::string baseUrl);
    // Forgets the server named for every name, of one protocol.
    void ClearDefault(QueryRoute::Protocol protocol);

    // For a name in its ASCII form. The longest named suffix that ends the name decides; then
    // suffixes whose registry answers only over RDAP go to the named RDAP server, else to a
    // whois server named for every name, else to the registry's RDAP server; every other name
    // goes to the whois server named for every name, else to the registry's.
    QueryRoute RouteFor(std::string_view name) const;

private:
    struct Choice
    {
        std::string suffix;
        QueryRoute route;
    };
    const Choice* LongestSuffixMatch(std::string_view name) const;
    const Choice* DefaultChoice(QueryRoute::Protocol protocol) const;

    std::vector<Choice> m_choices;
};
