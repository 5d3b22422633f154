#pragma once

#include "RdapBootstrap.h"

#include <optional>
#include <string>
#include <string_view>

// Whether a server's host, a name or a literal address, is one of the public Internet's, as far
// as the text alone tells: not a special-purpose address (loopback, private, link-local, shared,
// documentation, multicast, reserved; IPv6's unique-local, link-local and site-local ones, and an
// IPv4 address carried inside an IPv6 one is judged as itself), not a number that is not a plain
// address, and not a name that only a local network answers for (one label, "localhost",
// ".local", ".internal", ".home.arpa", ...). Names are not looked up: what a name resolves to can
// change between this check and the query.
bool IsPublicHost(std::string_view host);

// Why a list of RDAP servers read from a download or from the cache must not be used, in words
// the user sees; nothing when it may be. A list is refused when a server's address holds a user
// name or is not on the public Internet (IsPublicHost), when it routes anything but a top-level
// domain, or, given the list it would replace, when it names no server for more than half of
// that list's top-level domains.
std::optional<std::string> RdapListFault(const RdapBootstrap& list,
                                         const RdapBootstrap* replaced = nullptr);
