#pragma once

#include <optional>
#include <span>
#include <string_view>

// A top-level domain of IANA's root zone database, in lower case and in its ASCII form
// ("xn--p1ai"), without the dot, and the whois server IANA lists for it (empty where none).
struct IanaTopLevelDomain
{
    std::string_view tld;
    std::string_view whoisServer;
};

// Every top-level domain of the root zone, sorted.
std::span<const IanaTopLevelDomain> IanaTopLevelDomains();

// The whois server IANA lists for a top-level domain, given as IanaTopLevelDomain spells it;
// nothing when IANA lists none.
std::optional<std::string_view> IanaWhoisServerFor(std::string_view tld);
