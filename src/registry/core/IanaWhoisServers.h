#pragma once

#include <optional>
#include <string_view>

// The whois server IANA lists for a top-level domain, for the extensions neither the built-in
// table nor an RDAP server answers. `tld` is in lower case and in its ASCII form ("xn--p1ai"),
// without the dot; nothing when IANA lists no whois server for it.
std::optional<std::string_view> IanaWhoisServerFor(std::string_view tld);
