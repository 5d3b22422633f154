#include "WebAddresses.h"

#include "query/core/DomainName.h"

#include <algorithm>

namespace {

bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

} // namespace

std::optional<std::string> BrowserAddressFor(std::string_view name)
{
    if (name.empty() || name.size() > kLongestDomainName) {
        return std::nullopt;
    }
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        // Letters, digits, dots and hyphens; bytes past ASCII are the UTF-8 of an
        // internationalised name.
        const bool allowed = byte >= 0x80 || (byte >= 'A' && byte <= 'Z') ||
                             (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
                             byte == '.' || byte == '-';
        if (!allowed) {
            return std::nullopt;
        }
    }
    // Labels as a host name has them, which the browser could be given at all. An
    // internationalised label's length is that of its ASCII form, which the desktop works out.
    const bool hostLabels = EveryLabel(name, [](std::string_view label) {
        const bool ascii = std::all_of(label.begin(), label.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        return !label.empty() && label.front() != '-' && label.back() != '-' &&
               !(ascii && label.size() > kLongestLabel);
    });
    if (!hostLabels) {
        return std::nullopt;
    }
    return "http://" + std::string(name);
}

std::string PercentEncoded(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsUnreserved(byte)) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    return encoded;
}

std::string WebWhoisAddressFor(std::string_view name)
{
    return WebAddress::kWebWhoisPage + PercentEncoded(WithoutLeadingWww(name));
}
