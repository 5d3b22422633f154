#pragma once

#include "RdapBootstrap.h"
#include "ServerAddress.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where the query for one name goes: a whois server (host and port), an RDAP base URL, or
// nowhere when no server is known for its extension.
struct QueryRoute
{
    enum class Protocol
    {
        Whois,
        Rdap,
        None,
    };
    Protocol protocol = Protocol::Whois;
    ServerAddress whois;
    std::string rdapBase;

    // The server as "host:port", the name its queue and its budget go by; empty for None.
    std::string Key() const;
};

// Host names, top-level domains and suffixes are the same in any case; only ASCII letters have
// one.
std::string AsciiLowerCase(std::string_view text);

// The host and port of an http or https URL ("https://rdap.example:8443/x/" gives
// "rdap.example" and 8443); nothing for anything else.
std::optional<ServerAddress> UrlServer(std::string_view url);

// A "--whois-server" or "--rdap-server" value: ".com=VALUE" gives the suffix ".com", in lower
// case (names are compared without regard to case), and VALUE; a value without a leading "." and
// an "=" gives the empty suffix, which stands for every other name, and the value whole.
struct SuffixChoice
{
    std::string suffix;
    std::string value;
};
// Nothing when the suffix cannot end a name: "." alone, "..", "/", ":" or a final "." in it.
std::optional<SuffixChoice> ReadSuffixChoice(std::string_view text);

// The whois server of the registry that holds a name ("x.co.za"), or of an extension (".com" or
// "com"), in any case: a registry of second-level names such as ".uk.com" or ".co.za" where the
// name is one of theirs, else the one IANA lists for the top-level domain, else the built-in
// table's; nothing when none is known. Its replies are read by that server's rules, whichever
// server a query is sent to.
std::optional<std::string_view> RegistryWhoisServer(std::string_view nameOrTld);

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
    // The registries' RDAP servers by top-level domain; without it only ".info" is asked over
    // RDAP.
    void SetRdapBootstrap(std::shared_ptr<const RdapBootstrap> bootstrap);

    // For a name in its ASCII form. The longest named suffix that ends the name decides; then
    // names whose registry is asked over RDAP go to the RDAP server named for every name, else
    // to the whois server named for every name, else to the registry's RDAP server; every other
    // name goes to the whois server named for every name, else to the registry's choice.
    QueryRoute RouteFor(std::string_view name) const;

    // The registries' own choice, by the name's last label in any case: the nine extensions of
    // the keyword window keep their long-standing servers (".info" over RDAP); any other goes
    // over RDAP when the bootstrap names a server for it, else to RegistryWhoisServer, else
    // nowhere.
    QueryRoute RegistryRouteFor(std::string_view name) const;

private:
    struct Choice
    {
        std::string suffix;
        QueryRoute route;
    };
    const Choice* LongestSuffixMatch(std::string_view name) const;
    const Choice* DefaultChoice(QueryRoute::Protocol protocol) const;

    std::vector<Choice> m_choices;
    std::shared_ptr<const RdapBootstrap> m_bootstrap;
};
