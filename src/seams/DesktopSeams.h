#pragma once

#include <optional>
#include <string>

// The clipboard, so that copies can be checked byte for byte.
class ClipboardSeam
{
public:
    virtual ~ClipboardSeam() = default;
    // Replaces the clipboard's content with this text (UTF-8 bytes).
    virtual void SetText(const std::string& text) = 0;
};

// The desktop's "open" action for web addresses: never a shell, so a name holding blanks or
// quotes opens as one address or not at all.
class UrlOpenerSeam
{
public:
    virtual ~UrlOpenerSeam() = default;
    virtual void Open(const std::string& url) = 0;
};

// The web addresses the program opens.
namespace WebAddress {
inline constexpr const char* kHomePage = "https://qirv.zelbrane.com/";
// The product page as the banner, a link label and the About box open it, each telling the page
// where the visitor came from.
inline constexpr const char* kBannerAddress =
    "https://qirv.zelbrane.com/?utm_source=qirv&utm_medium=banner&utm_campaign=qirv-2.3.0";
inline constexpr const char* kLinkLabelAddress =
    "https://qirv.zelbrane.com/?utm_source=qirv&utm_medium=link&utm_campaign=qirv-2.3.0";
inline constexpr const char* kAboutBoxAddress =
    "https://qirv.zelbrane.com/?utm_source=qirv&utm_medium=about-box&utm_campaign=qirv-2.3.0";
// The web whois page; the name (without "www.") follows, percent-encoded.
inline constexpr const char* kWebWhoisPage = "https://qirv.zelbrane.com/tools/whois.php?remote=";
} // namespace WebAddress
