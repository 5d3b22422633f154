#pragma once

#include <optional>
#include <span>
#include <string_view>

// The built-in choice of whois server by a name's suffix. It is fixed: nothing reads it from a
// file and nothing changes it while the program runs.

struct WhoisServerEntry
{
    std::string_view suffixKey; // "." + top-level domain, lower case
    std::string_view server;    // host asked on port 43
};

// Servers that answer for more than one key, and the one asked when no key matches.
inline constexpr std::string_view ServerGtldThin = "whois.verisign-grs.com";
inline constexpr std::string_view ServerRirEurope = "whois.ripe.net";
inline constexpr std::string_view ServerAggregator = "whois.nic.fm";
inline constexpr std::string_view ServerTcGroup = "whois.nic.tc";
inline constexpr std::string_view ServerFallback = "whois.eu";

// All 107 entries, in the order their keys are compared.
std::span<const WhoisServerEntry> WhoisServerTable();

// The key of a name: the text from its last "." to its end, "." included; the whole name when it
// holds no ".".
std::string_view SuffixKey(std::string_view domainName);

// The host of a key (".com"), compared exactly; nothing when no key matches.
std::optional<std::string_view> FindWhoisServer(std::string_view suffixKey);

// The host to ask about a domain name. Keys compare exactly (no case folding, no trimming); a
// name whose key is not in the table gets ServerFallback.
std::string_view LookupWhoisServer(std::string_view domainName);
