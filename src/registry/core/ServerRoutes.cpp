#include "ServerRoutes.h"

#include "IanaWhoisServers.h"
#include "RdapServerTable.h"
#include "WhoisServerTable.h"
#include "query/core/DomainName.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix)
{
    if (suffix.size() > text.size()) {
        return false;
    }
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<long>(suffix.size()),
                      [](char left, char right) { return AsciiLower(left) == AsciiLower(right); });
}

// The keyword window's extensions: their servers and reply rules are the long-standing ones,
// whatever the bootstrap says.
constexpr std::array<std::string_view, 9> kLongStandingTlds{"com", "net", "org", "info", "edu",
                                                            "biz", "ca",  "eu",  "us"};

QueryRoute WhoisRoute(std::string_view host)
{
    QueryRoute route;
    route.whois.host = std::string(host);
    return route;
}

QueryRoute RdapRoute(std::string base)
{
    QueryRoute route;
    route.protocol = QueryRoute::Protocol::Rdap;
    route.rdapBase = std::move(base);
    return route;
}

QueryRoute NoRoute()
{
    QueryRoute route;
    route.protocol = QueryRoute::Protocol::None;
    return route;
}

// Registries of names below another registry's top-level domain, each with its whois server.
constexpr std::string_view kCentralNic = "whois.centralnic.com";
constexpr std::array<std::pair<std::string_view, std::string_view>, 33> kSecondLevelRegistries{{
    {"ae.org", kCentralNic},
    {"ar.com", kCentralNic},
    {"br.com", kCentralNic},
    {"cn.com", kCentralNic},
    {"co.za", "whois.registry.net.za"},
    {"com.de", kCentralNic},
    {"de.com", kCentralNic},
    {"eu.com", kCentralNic},
    {"eu.org", "whois.eu.org"},
    {"gb.com", kCentralNic},
    {"gb.net", kCentralNic},
    {"gov.za", "whois.gov.za"},
    {"gr.com", kCentralNic},
    {"hu.net", kCentralNic},
    {"in.net", kCentralNic},
    {"jp.net", kCentralNic},
    {"jpn.com", kCentralNic},
    {"kr.com", kCentralNic},
    {"mex.com", kCentralNic},
    {"no.com", kCentralNic},
    {"qc.com", kCentralNic},
    {"ru.com", kCentralNic},
    {"sa.com", kCentralNic},
    {"se.net", kCentralNic},
    {"uk.com", kCentralNic},
    {"uk.net", kCentralNic},
    {"us.com", kCentralNic},
    {"us.org", kCentralNic},
    {"uy.com", kCentralNic},
    {"web.za", "whois.registry.net.za"},
    {"za.com", kCentralNic},
    {"za.net", "whois.za.net"},
    {"za.org", "whois.za.org"},
}};

// The server of the second-level registry that holds `name`, if it is one of theirs.
std::optional<std::string_view> SecondLevelRegistryServer(std::string_view name)
{
    for (const auto& [suffix, host] : kSecondLevelRegistries) {
        if (name.size() > suffix.size() + 1 && EndsWithIgnoringCase(name, suffix) &&
            name[name.size() - suffix.size() - 1] == '.') {
            return host;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string_view> RegistryWhoisServer(std::string_view nameOrTld)
{
    if (nameOrTld.starts_with('.')) {
        nameOrTld.remove_prefix(1);
    }
    if (const std::optional<std::string_view> host = SecondLevelRegistryServer(nameOrTld)) {
        return host;
    }
    const std::string lower = AsciiLowerCase(nameOrTld.substr(nameOrTld.rfind('.') + 1));
    // IANA's list is kept current; the built-in table still names servers that no longer hold
    // the names of some extensions (the European address registry's for ".at", ".it", ...).
    if (const std::optional<std::string_view> host = IanaWhoisServerFor(lower)) {
        return host;
    }
    return FindWhoisServer("." + lower);
}

std::string AsciiLowerCase(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), AsciiLower);
    return lower;
}

std::string QueryRoute::Key() const
{
    if (protocol == Protocol::None) {
        return {};
    }
    std::optional<ServerAddress> server =
        protocol == Protocol::Rdap ? UrlServer(rdapBase) : std::optional(whois);
    if (!server) {
        return rdapBase;
    }
    // Host names are the same in any case; the user's "--pace" is matched in lower case.
    std::transform(server->host.begin(), server->host.end(), server->host.begin(), AsciiLower);
    return server->host + ":" + std::to_string(server->port);
}

std::optional<ServerAddress> UrlServer(std::string_view url)
{
    unsigned short defaultPort = 0;
    for (const auto& [scheme, port] :
         {std::pair<std::string_view, unsigned short>{"http://", 80}, {"https://", 443}}) {
        if (url.substr(0, scheme.size()) == scheme) {
            url.remove_prefix(scheme.size());
            defaultPort = port;
        }
    }
    if (defaultPort == 0) {
        return std::nullopt;
    }
    std::string_view authority = url.substr(0, url.find_first_of("/?#"));
    authority = authority.substr(authority.find('@') + 1);
    std::optional<ServerAddress> server = ParseServerAddress(authority);
    if (server && authority.find(':', authority.rfind(']') + 1) == std::string_view::npos) {
        server->port = defaultPort;
    }
    return server;
}

std::optional<SuffixChoice> ReadSuffixChoice(std::string_view text)
{
    const std::size_t equals = text.find('=');
    if (!text.starts_with('.') || equals == std::string_view::npos) {
        return SuffixChoice{{}, std::string(text)};
    }
    std::string suffix(text.substr(0, equals));
    std::transform(suffix.begin(), suffix.end(), suffix.begin(), AsciiLower);
    if (suffix.size() < 2 || suffix.find_first_of("/:") != std::string::npos ||
        suffix.find("..") != std::string::npos || suffix.back() == '.') {
        return std::nullopt;
    }
    return SuffixChoice{std::move(suffix), std::string(text.substr(equals + 1))};
}

void ServerRoutes::SetRdapBootstrap(std::shared_ptr<const RdapBootstrap> bootstrap)
{
    m_bootstrap = std::move(bootstrap);
}

void ServerRoutes::AddWhoisServer(std::string suffix, ServerAddress server)
{
    QueryRoute route;
    route.whois = std::move(server);
    m_choices.push_back(Choice{std::move(suffix), std::move(route)});
}

void ServerRoutes::AddRdapServer(std::string suffix, std::string baseUrl)
{
    m_choices.push_back(Choice{std::move(suffix), RdapRoute(std::move(baseUrl))});
}

void ServerRoutes::ClearDefault(QueryRoute::Protocol protocol)
{
    std::erase_if(m_choices, [&](const Choice& choice) {
        return choice.suffix.empty() && choice.route.protocol == protocol;
    });
}

const ServerRoutes::Choice* ServerRoutes::LongestSuffixMatch(std::string_view name) const
{
    const Choice* longest = nullptr;
    for (const Choice& choice : m_choices) {
        if (!choice.suffix.empty() && EndsWithIgnoringCase(name, choice.suffix) &&
            (!longest || choice.suffix.size() > longest->suffix.size())) {
            longest = &choice;
        }
    }
    return longest;
}

const ServerRoutes::Choice* ServerRoutes::DefaultChoice(QueryRoute::Protocol protocol) const
{
    // The last one given wins, as with any repeated option.
    const auto found =
        std::find_if(m_choices.rbegin(), m_choices.rend(), [&](const Choice& choice) {
            return choice.suffix.empty() && choice.route.protocol == protocol;
        });
    return found == m_choices.rend() ? nullptr : &*found;
}

QueryRoute ServerRoutes::RouteFor(std::string_view name) const
{
    if (const Choice* named = LongestSuffixMatch(name)) {
        return named->route;
    }
    const Choice* anyWhois = DefaultChoice(QueryRoute::Protocol::Whois);
    const Choice* anyRdap = DefaultChoice(QueryRoute::Protocol::Rdap);
    QueryRoute registry = RegistryRouteFor(name);
    if (registry.protocol == QueryRoute::Protocol::Rdap && anyRdap) {
        return anyRdap->route;
    }
    // Scripts send every name to one whois server of their own: that includes names of
    // extensions no registry server is known for.
    if (anyWhois) {
        return anyWhois->route;
    }
    return registry;
}

QueryRoute ServerRoutes::RegistryRouteFor(std::string_view name) const
{
    // The registry of the top-level domain does not hold these names: asked about "x.uk.com",
    // the ".com" registry answers "No match" for a name that may well be taken.
    if (const std::optional<std::string_view> host = SecondLevelRegistryServer(name)) {
        return WhoisRoute(*host);
    }
    const std::string tld = AsciiLowerCase(TldOf(name));
    if (tld.empty()) {
        return NoRoute();
    }
    const std::string key = "." + tld;
    if (std::ranges::find(kLongStandingTlds, tld) != kLongStandingTlds.end()) {
        if (const std::optional<std::string_view> base = RdapBaseFor(tld)) {
            return RdapRoute(std::string(*base));
        }
        // ".eu" has no key of its own: the table's fallback is its server.
        return WhoisRoute(FindWhoisServer(key).value_or(ServerFallback));
    }
    if (m_bootstrap) {
        if (const std::optional<std::string_view> base = m_bootstrap->BaseFor(tld)) {
            return RdapRoute(std::string(*base));
        }
    }
    if (const std::optional<std::string_view> host = RegistryWhoisServer(tld)) {
        return WhoisRoute(*host);
    }
    return NoRoute();
}
