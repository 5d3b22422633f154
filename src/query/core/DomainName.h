#pragma once

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <string>
#include <string_view>

// The bounds of DNS on a name and each of its labels, in octets of the ASCII form.
inline constexpr std::size_t kLongestDomainName = 253;
inline constexpr std::size_t kLongestLabel = 63;

// Whether `accept` holds for every label of `name`, the texts between its dots, asked from the
// left until one fails. Empty labels are asked too: "" is one, "a..b." has two.
template <std::predicate<std::string_view> Accept>
bool EveryLabel(std::string_view name, Accept accept)
{
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t dot = std::min(name.find('.', start), name.size());
        if (!accept(name.substr(start, dot - start))) {
            return false;
        }
        start = dot + 1;
    }
    return true;
}

// The name as it is asked: without its leading "www." (in any case).
std::string WithoutLeadingWww(std::string_view name);

// Whether a name can be sent as a query: it holds a "." and no byte that would end the query line
// early or start a second one (CR, LF, NUL).
bool IsQueryableName(std::string_view name);

// Whether a name holds what only a URL or an address would: "/", "\", ":", "@", "?" or "#"
// ("http://x.com", "x.com/", "[::1]").
bool HoldsUrlPieces(std::string_view name);

// Whether a name in its ASCII form has the shape of a domain name a registry could hold: at most
// 253 octets, two or more labels of 1 to 63 octets each, and neither an IP address nor a piece of
// a URL.
bool HasDomainNameShape(std::string_view asciiName);

// What keeps the labels of a name from being those registries give out: letters, digits and
// hyphens, no hyphen first or last, and no two hyphens as the third and fourth characters but in
// an "xn--" label. Said as it follows "Not a domain name: " ("'!' is not allowed"); empty when
// nothing does. Characters of other scripts (bytes from 0x80) are left to IDNA.
std::string LabelFault(std::string_view name);

// The suffix that picks the reply's rule: the text after the last ".", without it; empty when the
// name ends with ".".
std::string_view TldOf(std::string_view name);
