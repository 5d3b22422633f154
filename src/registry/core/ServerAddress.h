#pragma once

#include <optional>
#include <string>
#include <string_view>

struct ServerAddress
{
    std::string host;
    unsigned short port = 43;
};

// Reads "HOST", "HOST:PORT", "[IPV6]" or "[IPV6]:PORT". A bare IPv6 address (more than one ":")
// is taken whole as the host. Returns nothing for an empty host, a host with a blank, CR, LF, NUL
// or a bracket in it, or a port outside 1..65535.
std::optional<ServerAddress> ParseServerAddress(std::string_view text);
