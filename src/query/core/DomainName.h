#pragma once

#include <optional>
#include <string>
#include <string_view>

// The name as it is asked: without its leading "www." (in any case).
std::string WithoutLeadingWww(std::string_view name);

// Whether a name can be sent as a query: it holds a "." and no byte that would end the query line
// early or start a second one (CR, LF, NUL).
bool IsQueryableName(std::string_view name);

// Whether a name in its ASCII form has the shape of a domain name a registry could hold: at most
// 253 octets, two or more labels of 1 to 63 octets each, and neither an IP address nor a piece of
// a URL ("http://x.com", "x.com/").
bool HasDomainNameShape(std::string_view asciiName);

// The suffix that picks the reply's rule: the text after the last ".", without it; empty when the
// name ends with ".".
std::string_view TldOf(std::string_view name);
