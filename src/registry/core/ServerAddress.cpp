#include "ServerAddress.h"

#include "query/core/QueryLimits.h"

#include <charconv>

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
    address.port = QueryLimits::kWhoisPort;
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
