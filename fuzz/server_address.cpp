// The "--whois-server [.SUFFIX=]HOST[:PORT]" reading, and the server of an RDAP base URL, on
// arbitrary text: what they accept is a usable suffix and address that reads back the same.
#include "query/core/DomainName.h"
#include "registry/core/ServerRoutes.h"

#include <string>

namespace {

void Check(bool holds)
{
    if (!holds) {
        __builtin_trap();
    }
}

void CheckAddress(const ServerAddress& address)
{
    Check(!address.host.empty() && address.port != 0);
    Check(address.host.find_first_of(std::string_view(" \t\r\n\0", 5)) == std::string::npos);
    // Written the way a user would give it, it reads back as the same server.
    const std::string written = address.host.find(':') == std::string::npos
                                    ? address.host + ":" + std::to_string(address.port)
                                    : "[" + address.host + "]:" + std::to_string(address.port);
    const std::optional<ServerAddress> again = ParseServerAddress(written);
    Check(again && again->host == address.host && again->port == address.port);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const std::optional<SuffixChoice> choice = ReadSuffixChoice(text)) {
        const std::string& suffix = choice->suffix;
        if (!suffix.empty()) {
            Check(suffix.size() > 1 && suffix.front() == '.' && suffix.back() != '.');
            Check(suffix.find_first_of("/:=ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string::npos);
            Check(suffix.find("..") == std::string::npos);
            Check(text.size() == suffix.size() + 1 + choice->value.size());
        } else {
            Check(choice->value == text);
        }
        if (const std::optional<ServerAddress> address = ParseServerAddress(choice->value)) {
            CheckAddress(*address);
        }
    }
    if (const std::optional<ServerAddress> server = UrlServer(text)) {
        Check(text.starts_with("http://") || text.starts_with("https://"));
        CheckAddress(*server);
    }
    return 0;
}
