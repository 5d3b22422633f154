#include "HelpSystemEntry.h"

namespace {

constexpr std::size_t kVersionBytes = 4;
constexpr std::size_t kRecordHeadBytes = 4;
constexpr unsigned kDefaultTopicCode = 2;

unsigned LittleEndianWord(std::string_view bytes, std::size_t at)
{
    return static_cast<unsigned char>(bytes[at]) |
           (static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8);
}

} // namespace

std::optional<std::string> DefaultTopicOf(std::string_view systemEntry)
{
    // A version, then records of a 16-bit code, a 16-bit length and that many bytes of data;
    // the topic is text ending at its first NUL.
    for (std::size_t at = kVersionBytes; at + kRecordHeadBytes <= systemEntry.size();) {
        const unsigned code = LittleEndianWord(systemEntry, at);
        const std::size_t length = LittleEndianWord(systemEntry, at + 2);
        const std::size_t data = at + kRecordHeadBytes;
        if (length > systemEntry.size() - data) {
            break;
        }
        if (code == kDefaultTopicCode) {
            const std::string_view record = systemEntry.substr(data, length);
            const std::string_view topic = record.substr(0, record.find('\0'));
            if (!topic.empty()) {
                return std::string(topic);
            }
        }
        at = data + length;
    }
    return std::nullopt;
}
