#pragma once

#include "version/QirvVersion.h"

#include <optional>
#include <string>
#include <string_view>

// The web addresses the program opens.
namespace WebAddress {
inline constexpr const char* kHomePage = "https://qirv.zelbrane.com/";
// The product page as the banner, a link label and the About box open it, each telling the page
// where the visitor came from.
inline constexpr const char* kBannerAddress =
    "https://qirv.zelbrane.com/"
    "?utm_source=qirv&utm_medium=banner&utm_campaign=qirv-" QIRV_VERSION_TEXT;
inline constexpr const char* kLinkLabelAddress =
    "https://qirv.zelbrane.com/"
    "?utm_source=qirv&utm_medium=link&utm_campaign=qirv-" QIRV_VERSION_TEXT;
inline constexpr const char* kAboutBoxAddress =
    "https://qirv.zelbrane.com/"
    "?utm_source=qirv&utm_medium=about-box&utm_campaign=qirv-" QIRV_VERSION_TEXT;
// The web whois page; the name (without "www.") follows, percent-encoded.
inline constexpr const char* kWebWhoisPage = "https://qirv.zelbrane.com/tools/whois.php?remote=";
} // namespace WebAddress

// The address that opens a row's name in the browser: "http://" + the name as it stands, or
// nothing when the name cannot be a host name (blanks, quotes, slashes and the like; an empty
// label, a label that begins or ends with "-", more than 63 or 253 octets), so that it never
// reaches the desktop as anything but one address.
std::optional<std::string> BrowserAddressFor(std::string_view name);

// The web whois page for a name: every "www." removed, the rest percent-encoded as the value of
// the page's "remote" key.
std::string WebWhoisAddressFor(std::string_view name);

std::string PercentEncoded(std::string_view text);
