// The reading of a DNS reply for NS records on arbitrary messages: the name asked is the first
// line, the message the rest. The reading must not depend on the case or final dot of the name
// asked, nor on bytes behind the sections it reads, and its response code is the header's.
#include "dns/core/DnsReply.h"

#include <cctype>
#include <string>

namespace {

void Check(bool holds)
{
    if (!holds) {
        __builtin_trap();
    }
}

bool SameReading(const std::optional<DnsReply>& one, const std::optional<DnsReply>& other)
{
    return one.has_value() == other.has_value() &&
           (!one || (one->responseCode == other->responseCode &&
                     one->nameServersOfName == other->nameServersOfName));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t end = input.find('\n');
    if (end == std::string::npos) {
        return 0;
    }
    const std::string name = input.substr(0, end);
    const std::string message = input.substr(end + 1);
    const std::optional<DnsReply> reply = ReadDnsReply(message, name);
    if (!reply) {
        return 0;
    }
    Check(reply->responseCode == (static_cast<unsigned char>(message[3]) & 0x0F));
    std::string otherSpelling = name;
    for (char& c : otherSpelling) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (!otherSpelling.ends_with('.')) {
        otherSpelling += '.';
    }
    Check(SameReading(reply, ReadDnsReply(message, otherSpelling)));
    Check(SameReading(reply, ReadDnsReply(message + "\xc0\x00\x3f", name)));
    return 0;
}
