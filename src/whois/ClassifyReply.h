#pragma once

#include "DomainStatus.h"

#include <optional>
#include <string_view>

// The marker that, when a whois reply holds it, turns "Whois Server: " referral replies of thin
// registries into Taken once every received byte has been read.
inline constexpr std::string_view kWhoisServerMarker = "Whois Server: ";

// Tests a reply against the rule of its suffix (the text after the name's last ".", without the
// dot). The first of the rule's markers that the reply holds decides; the search is an exact,
// case-sensitive substring search. No marker gives no verdict.
std::optional<DomainStatus> ClassifyReply(std::string_view tld, std::string_view reply);
