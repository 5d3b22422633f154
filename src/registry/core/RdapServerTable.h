#pragma once

#include <optional>
#include <string_view>

// Suffixes whose registry no longer answers on port 43 are asked over RDAP (RFC 9082/9083)
// instead. The base URLs are the registries' entries in IANA's RDAP bootstrap file (dns.json).
std::optional<std::string_view> RdapBaseFor(std::string_view tld);
