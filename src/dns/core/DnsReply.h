#pragma once

#include <optional>
#include <string_view>

// What a DNS reply to a question for NS records says about the name asked.
struct DnsReply
{
    // The header's RCODE (RFC 1035 4.1.1): DnsResponseCode's values, or any other.
    int responseCode = 0;
    // An NS record owned by the name asked, in the answer section (a resolver's answer) or the
    // authority section (an authoritative server's referral to the name's own servers).
    bool nameServersOfName = false;
};

namespace DnsResponseCode {
inline constexpr int kNoError = 0;
inline constexpr int kServerFailure = 2;
inline constexpr int kNameError = 3; // NXDOMAIN: no such name
inline constexpr int kRefused = 5;
} // namespace DnsResponseCode

// Reads `message`, a DNS message as it came over the wire, for NS records of `name` (ASCII, any
// case, with or without the final dot). Nothing for a message that is not a well-formed response
// up to the end of its authority section: cut short, a compression pointer that does not point
// back, a label over 63 octets or a name over 255. A name that is no valid domain name owns no
// record.
std::optional<DnsReply> ReadDnsReply(std::string_view message, std::string_view name);
