#include "RdapListCheck.h"

#include "ServerAddress.h"
#include "ServerRoutes.h"
#include "text/Utf8Text.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cstdint>
#include <initializer_list>

namespace {

bool IsPublicIpv4(std::uint32_t address)
{
    struct Range
    {
        std::uint32_t first;
        int bits;
    };
    // The special-purpose ranges none of whose addresses a registry's server may have.
    constexpr std::array<Range, 14> kSpecialRanges{{
        {0x00000000, 8},  // "this network"
        {0x0A000000, 8},  // private
        {0x64400000, 10}, // shared, behind carrier-grade NAT
        {0x7F000000, 8},  // loopback
        {0xA9FE0000, 16}, // link-local, where cloud machines find their metadata service
        {0xAC100000, 12}, // private
        {0xC0000000, 24}, // protocol assignments
        {0xC0000200, 24}, // documentation
        {0xC0A80000, 16}, // private
        {0xC6120000, 15}, // benchmarking
        {0xC6336400, 24}, // documentation
        {0xCB007100, 24}, // documentation
        {0xE0000000, 4},  // multicast
        {0xF0000000, 4},  // reserved, and the broadcast address
    }};
    return std::none_of(kSpecialRanges.begin(), kSpecialRanges.end(), [&](const Range& range) {
        return (address >> (32 - range.bits)) == (range.first >> (32 - range.bits));
    });
}

std::uint32_t Ipv4At(const std::array<std::uint8_t, 16>& bytes, std::size_t at)
{
    std::uint32_t address = 0;
    for (std::size_t index = at; index < at + 4; ++index) {
        address = address << 8 | bytes[index];
    }
    return address;
}

bool IsPublicIpv6(const std::array<std::uint8_t, 16>& bytes)
{
    const auto startsWith = [&](std::initializer_list<std::uint8_t> prefix) {
        return std::equal(prefix.begin(), prefix.end(), bytes.begin());
    };
    // IPv4-mapped, NAT64 and 6to4 addresses reach the IPv4 address they carry.
    if (startsWith({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF}) ||
        startsWith({0, 0x64, 0xFF, 0x9B, 0, 0, 0, 0, 0, 0, 0, 0})) {
        return IsPublicIpv4(Ipv4At(bytes, 12));
    }
    if (startsWith({0x20, 0x02})) {
        return IsPublicIpv4(Ipv4At(bytes, 2));
    }
    // The unspecified address, loopback and the old IPv4-compatible ones.
    if (startsWith({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})) {
        return false;
    }
    const std::uint8_t first = bytes[0];
    const bool uniqueLocal = (first & 0xFE) == 0xFC;
    const bool linkOrSiteLocal = first == 0xFE && (bytes[1] & 0x80) == 0x80;
    const bool documentation = startsWith({0x20, 0x01, 0x0D, 0xB8});
    const bool discard = startsWith({0x01, 0, 0, 0, 0, 0, 0, 0});
    return !uniqueLocal && !linkOrSiteLocal && first != 0xFF && !documentation && !discard;
}

bool IsNumber(std::string_view label)
{
    const bool hexadecimal = label.starts_with("0x");
    return std::all_of(label.begin() + (hexadecimal ? 2 : 0), label.end(), [&](char c) {
        return (c >= '0' && c <= '9') || (hexadecimal && c >= 'a' && c <= 'f');
    });
}

// A name a machine's resolver may answer for from its own network: the top-level domains set
// aside for local use, and those used so widely inside companies that none will ever be public.
bool IsLocalName(std::string_view name)
{
    constexpr std::array<std::string_view, 7> kLocalSuffixes{
        ".localhost", ".local", ".internal", ".home.arpa", ".lan", ".home", ".corp"};
    const std::string dotted = "." + std::string(name);
    return std::any_of(kLocalSuffixes.begin(), kLocalSuffixes.end(),
                       [&](std::string_view suffix) { return dotted.ends_with(suffix); });
}

// A top-level domain as a list must name it: one label in its ASCII form, in lower case.
bool IsTopLevelDomain(std::string_view tld)
{
    const auto isLetterOrDigit = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    };
    return !tld.empty() && tld.size() <= 63 && isLetterOrDigit(tld.front()) &&
           isLetterOrDigit(tld.back()) && std::all_of(tld.begin(), tld.end(), [&](char c) {
               return isLetterOrDigit(c) || c == '-';
           });
}

// The user info and the host of an http or https URL.
struct UrlAuthority
{
    bool hasUserInfo = false;
    std::string host;
};

std::optional<UrlAuthority> ReadAuthority(std::string_view url)
{
    const std::size_t start = url.find("://");
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view authority =
        url.substr(start + 3, url.find_first_of("/?#", start + 3) - (start + 3));
    const std::size_t at = authority.rfind('@');
    const std::optional<ServerAddress> server =
        ParseServerAddress(at == std::string_view::npos ? authority : authority.substr(at + 1));
    if (!server) {
        return std::nullopt;
    }
    return UrlAuthority{at != std::string_view::npos, server->host};
}

} // namespace

bool IsPublicHost(std::string_view host)
{
    std::string name = AsciiLowerCase(host);
    if (name.ends_with('.')) {
        name.pop_back();
    }
    std::array<std::uint8_t, 16> ipv6{};
    if (inet_pton(AF_INET6, name.c_str(), ipv6.data()) == 1) {
        return IsPublicIpv6(ipv6);
    }
    // The forms the resolver reads as an address too: "127.1", "0x7f000001", "017700000001".
    in_addr ipv4{};
    if (inet_aton(name.c_str(), &ipv4) != 0) {
        return IsPublicIpv4(ntohl(ipv4.s_addr));
    }
    const std::size_t lastDot = name.rfind('.');
    if (lastDot == std::string::npos || IsNumber(name.substr(lastDot + 1))) {
        // A single label is completed with the machine's own search domains; no top-level
        // domain is a number, so a name ending in one is an address in a form not read above.
        return false;
    }
    return !IsLocalName(name);
}

std::optional<std::string> RdapListFault(const RdapBootstrap& list, const RdapBootstrap* replaced)
{
    for (const auto& [tld, base] : list.Bases()) {
        if (!IsTopLevelDomain(tld)) {
            return "it names a server for \"" + PrintableServerText(tld) +
                   "\", which is not a top-level domain";
        }
        const std::optional<UrlAuthority> authority = ReadAuthority(base);
        const std::string server = "the server of ." + tld + " (" + PrintableServerText(base) + ")";
        if (authority && authority->hasUserInfo) {
            return server + " has a user name in its address";
        }
        if (!authority || !IsPublicHost(authority->host)) {
            return server + " is not on the public Internet";
        }
    }
    if (replaced) {
        const auto dropped = std::count_if(
            replaced->Bases().begin(), replaced->Bases().end(),
            [&](const auto& entry) { return !list.BaseFor(entry.first).has_value(); });
        if (static_cast<std::size_t>(dropped) * 2 > replaced->TldCount()) {
            return "it has no server for " + std::to_string(dropped) + " of the " +
                   std::to_string(replaced->TldCount()) + " extensions of the list in use";
        }
    }
    return std::nullopt;
}
