#include "DomainName.h"

#include <algorithm>
#include <array>
#include <cstdio>

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

bool HoldsUrlPieces(std::string_view name)
{
    return name.find_first_of("/\\:@?#") != std::string_view::npos;
}

bool HasDomainNameShape(std::string_view asciiName)
{
    if (asciiName.empty() || asciiName.size() > kLongestDomainName || HoldsUrlPieces(asciiName)) {
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

namespace {

bool IsLetterDigitOrHyphen(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

// The character as a message shows it: itself in quotes, or its code when it cannot be seen.
std::string Shown(unsigned char c)
{
    if (c >= ' ' && c < 0x7F) {
        return std::string{'\'', static_cast<char>(c), '\''};
    }
    std::array<char, 8> code{};
    std::snprintf(code.data(), code.size(), "U+%04X", static_cast<unsigned>(c));
    return code.data();
}

// Whether the third and fourth characters of a label are hyphens ("ab--c"); a character of
// another script counts once, whatever its bytes.
bool HyphensAsThirdAndFourth(std::string_view label)
{
    std::size_t position = 0;
    for (const char c : label) {
        if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) {
            continue; // the rest of a UTF-8 character
        }
        ++position;
        if (position >= 3 && c != '-') {
            return false;
        }
        if (position == 4) {
            return true;
        }
    }
    return false;
}

bool IsAceLabel(std::string_view label)
{
    return label.size() >= 4 && (label[0] == 'x' || label[0] == 'X') &&
           (label[1] == 'n' || label[1] == 'N') && label.substr(2, 2) == "--";
}

} // namespace

std::string LabelFault(std::string_view name)
{
    std::string fault;
    EveryLabel(name, [&](std::string_view label) {
        for (const char c : label) {
            if (static_cast<unsigned char>(c) < 0x80 && !IsLetterDigitOrHyphen(c)) {
                fault = Shown(static_cast<unsigned char>(c)) + " is not allowed";
                return false;
            }
        }
        if (!label.empty() && (label.front() == '-' || label.back() == '-')) {
            fault = "'-' is not allowed at the start or end of a label";
        } else if (HyphensAsThirdAndFourth(label) && !IsAceLabel(label)) {
            // Such labels are kept for encodings like IDNA's "xn--"; registries give none out.
            fault = "'--' is not allowed as the third and fourth characters of a label";
        }
        return fault.empty();
    });
    return fault;
}

std::string_view TldOf(std::string_view name)
{
    const auto lastDot = name.rfind('.');
    return lastDot == std::string_view::npos ? std::string_view() : name.substr(lastDot + 1);
}
