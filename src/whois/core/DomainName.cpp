#include "DomainName.h"

#include "WhoisLimits.h"

#include <algorithm>
#include <charconv>

std::string WithoutLeadingWww(std::string_view name)
{
    // Candidate names begin with "www."; one inside a name ("shop.awww.co.uk") is part of it.
    // Host names are the same in any case, so "WWW." is the same prefix.
    static constexpr std::string_view kWww = "www.";
    const bool leading =
        name.size() >= kWww.size() &&
        std::equal(kWww.begin(), kWww.end(), name.begin(), [](char want, char got) {
            return want == (got >= 'A' && got <= 'Z' ? got - 'A' + 'a' : got);
        });
    return std::string(leading ? name.substr(kWww.size()) : name);
}

bool IsQueryableName(std::string_view name)
{
    return name.find('.') != std::string_view::npos &&
           name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool HasDomainNameShape(std::string_view asciiName)
{
    constexpr std::size_t kLongestName = 253;
    constexpr std::size_t kLongestLabel = 63;
    if (asciiName.empty() || asciiName.size() > kLongestName ||
        asciiName.find_first_of("/\\:@?# \t") != std::string_view::npos) {
        return false;
    }
    std::size_t labels = 0;
    bool onlyDigits = true;
    for (std::size_t start = 0; start <= asciiName.size();) {
        const std::size_t dot = std::min(asciiName.find('.', start), asciiName.size());
        const std::string_view label = asciiName.substr(start, dot - start);
        if (label.empty() || label.size() > kLongestLabel) {
            return false;
        }
        onlyDigits = onlyDigits && label.find_first_not_of("0123456789") == std::string_view::npos;
        ++labels;
        start = dot + 1;
    }
    // Four numbers are an IPv4 address, not a name; no top-level domain is all digits.
    return labels >= 2 && !onlyDigits;
}

std::string_view TldOf(std::string_view name)
{
    const auto lastDot = name.rfind('.');
    return lastDot == std::string_view::npos ? std::string_view() : name.substr(lastDot + 1);
}

namespace {

std::optional<unsigned short> ParsePort(std::string_view text)
{
    unsigned int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port == 0 || port > 65535) {
        return std::nullopt;
    }
    return static_cast<unsigned short>(port);
}

} // namespace

std::optional<ServerAddress> ParseServerAddress(std::string_view text)
{
    ServerAddress address;
    address.port = WhoisLimits::kWhoisPort;
    std::string_view host = text;
    std::string_view port;
    if (text.starts_with('[')) {
        const auto closing = text.find(']');
        if (closing == std::string_view::npos) {
            return std::nullopt;
        }
        host = text.substr(1, closing - 1);
        const std::string_view rest = text.substr(closing + 1);
        if (!rest.empty()) {
            if (!rest.starts_with(':')) {
                return std::nullopt;
            }
            port = rest.substr(1);
            if (port.empty()) {
                return std::nullopt;
            }
        }
    } else if (const auto colon = text.find(':');
               colon != std::string_view::npos &&
               text.find(':', colon + 1) == std::string_view::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (port.empty()) {
            return std::nullopt;
        }
    }
    // Brackets only ever enclose an IPv6 address; one left inside the host would be read back as
    // another address.
    if (host.empty() ||
        host.find_first_of(std::string_view(" \t\r\n\0[]", 7)) != std::string_view::npos) {
        return std::nullopt;
    }
    if (!port.empty()) {
        const auto parsed = ParsePort(port);
        if (!parsed) {
            return std::nullopt;
        }
        address.port = *parsed;
    }
    address.host = std::string(host);
    return address;
}
