#include "RdapServerTable.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 1> kRdapBases{{
    {"info", "https://rdap.identitydigital.services/rdap/"},
}};

} // namespace

std::optional<std::string_view> RdapBaseFor(std::string_view tld)
{
    for (const auto& [suffix, base] : kRdapBases) {
        if (suffix == tld) {
            return base;
        }
    }
    return std::nullopt;
}
