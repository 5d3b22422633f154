#pragma once

#include <optional>
#include <string>
#include <string_view>

// The address that opens a row's name in the browser: "http://" + the name as it stands, or
// nothing when the name cannot be a host name (blanks, quotes, slashes and the like), so that it
// never reaches the desktop as anything but one address.
std::optional<std::string> BrowserAddressFor(std::string_view name);

// The web whois page for a name: every "www." removed, the rest percent-encoded as the value of
// the page's "remote" key.
std::string WebWhoisAddressFor(std::string_view name);

std::string PercentEncoded(std::string_view text);
