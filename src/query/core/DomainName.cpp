#include "DomainName.h"

#include <algorithm>

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
    if (asciiName.empty() || asciiName.size() > kLongestDomainName ||
        asciiName.find_first_of("/\\:@?# \t") != std::string_view::npos) {
        return false;
    }
    std::size_t labels = 0;
    bool onlyDigits = true;
    const bool labelsFit = EveryLabel(asciiName, [&](std::string_view label) {
        onlyDigits = onlyDigits && label.find_first_not_of("0123456789") == std::string_view::npos;
        ++labels;
        return !label.empty() && label.size() <= kLongestLabel;
    });
    // Four numbers are an IPv4 address, not a name; no top-level domain is all digits.
    return labelsFit && labels >= 2 && !onlyDigits;
}

std::string_view TldOf(std::string_view name)
{
    const auto lastDot = name.rfind('.');
    return lastDot == std::string_view::npos ? std::string_view() : name.substr(lastDot + 1);
}
