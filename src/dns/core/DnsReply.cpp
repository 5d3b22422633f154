#include "DnsReply.h"

#include <cstdint>
#include <string>

namespace {

constexpr std::size_t kHeaderBytes = 12;
// After a record's owner: type, class, time to live and the length of its data.
constexpr std::size_t kRecordFixedBytes = 10;
constexpr std::size_t kQuestionFixedBytes = 4;
constexpr std::size_t kMaxLabelBytes = 63;
constexpr std::size_t kMaxNameBytes = 255;
constexpr unsigned kTypeNs = 2;
constexpr unsigned kClassInternet = 1;
constexpr unsigned kResponseFlag = 0x8000;
constexpr unsigned kResponseCodeMask = 0x000F;
constexpr unsigned kPointerBits = 0xC0;

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The name as it goes over the wire, uncompressed and in lower case; empty when it cannot be one.
std::string WireName(std::string_view name)
{
    if (name.ends_with('.')) {
        name.remove_suffix(1);
    }
    // What is left of "a.b.." ends in an empty label.
    if (name.ends_with('.')) {
        return {};
    }
    std::string wire;
    while (!name.empty()) {
        const std::size_t dot = name.find('.');
        const std::string_view label = name.substr(0, dot);
        if (label.empty() || label.size() > kMaxLabelBytes) {
            return {};
        }
        wire += static_cast<char>(label.size());
        for (const char c : label) {
            wire += LowerAscii(c);
        }
        name = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    }
    wire += '\0';
    return wire.size() <= kMaxNameBytes ? wire : std::string();
}

class MessageReader
{
public:
    explicit MessageReader(std::string_view message) : m_message(message) {}

    bool Skip(std::size_t count)
    {
        if (count > m_message.size() - m_position) {
            return false;
        }
        m_position += count;
        return true;
    }

    unsigned ByteAt(std::size_t position) const
    {
        return static_cast<unsigned char>(m_message[position]);
    }

    // Two octets in network order; the caller has checked that they are there.
    unsigned Word(std::size_t position) const
    {
        return ByteAt(position) << 8U | ByteAt(position + 1);
    }

    // Reads the name that starts here, following compression pointers (RFC 1035 4.1.4), into its
    // uncompressed wire form in lower case. A pointer must point before itself: together with the
    // bound on a name's length, no hostile chain of pointers can keep the reading going.
    bool ReadName(std::string& wire)
    {
        wire.clear();
        std::size_t cursor = m_position;
        bool jumped = false;
        while (cursor < m_message.size()) {
            const unsigned length = ByteAt(cursor);
            if ((length & kPointerBits) == kPointerBits) {
                if (cursor + 1 >= m_message.size()) {
                    return false;
                }
                const std::size_t target = Word(cursor) & ~(kPointerBits << 8U);
                if (target >= cursor) {
                    return false;
                }
                if (!jumped) {
                    m_position = cursor + 2;
                    jumped = true;
                }
                cursor = target;
                continue;
            }
            // The other two prefixes are extended label types that no one ever deployed.
            if ((length & kPointerBits) != 0 || length + 1 > m_message.size() - cursor) {
                return false;
            }
            wire += static_cast<char>(length);
            for (std::size_t index = cursor + 1; index <= cursor + length; ++index) {
                wire += LowerAscii(m_message[index]);
            }
            if (wire.size() > kMaxNameBytes) {
                return false;
            }
            cursor += length + 1;
            if (length == 0) {
                if (!jumped) {
                    m_position = cursor;
                }
                return true;
            }
        }
        return false;
    }

    std::size_t Position() const { return m_position; }

private:
    std::string_view m_message;
    std::size_t m_position = 0;
};

} // namespace

std::optional<DnsReply> ReadDnsReply(std::string_view message, std::string_view name)
{
    MessageReader reader(message);
    if (!reader.Skip(kHeaderBytes)) {
        return std::nullopt;
    }
    const unsigned flags = reader.Word(2);
    if ((flags & kResponseFlag) == 0) {
        return std::nullopt;
    }
    DnsReply reply;
    reply.responseCode = static_cast<int>(flags & kResponseCodeMask);
    const unsigned questions = reader.Word(4);
    const unsigned records = reader.Word(6) + reader.Word(8);
    const std::string asked = WireName(name);
    std::string owner;
    for (unsigned question = 0; question < questions; ++question) {
        if (!reader.ReadName(owner) || !reader.Skip(kQuestionFixedBytes)) {
            return std::nullopt;
        }
    }
    for (unsigned record = 0; record < records; ++record) {
        if (!reader.ReadName(owner)) {
            return std::nullopt;
        }
        const std::size_t fixed = reader.Position();
        if (!reader.Skip(kRecordFixedBytes) || !reader.Skip(reader.Word(fixed + 8))) {
            return std::nullopt;
        }
        if (reader.Word(fixed) == kTypeNs && reader.Word(fixed + 2) == kClassInternet &&
            owner == asked) {
            reply.nameServersOfName = true;
        }
    }
    return reply;
}
