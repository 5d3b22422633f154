// The reply reader and the verdict rules on arbitrary replies, split into arbitrary chunks: the
// first byte picks the suffix, the second the chunk size.
#include "whois/core/ClassifyReply.h"
#include "whois/core/ReplyReadingLoop.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

class ChunkSource : public ReplyByteSource
{
public:
    std::size_t Receive(char* buffer, std::size_t capacity) override
    {
        const std::size_t count = std::min(capacity, waiting.size());
        std::memcpy(buffer, waiting.data(), count);
        waiting.erase(0, count);
        return count;
    }
    bool HasBytesWaiting() const override { return !waiting.empty(); }
    std::string waiting;
};

constexpr std::array<const char*, 11> kTlds{"com", "net", "org", "info", "biz", "edu",
                                            "ca",  "eu",  "us",  "de",   ""};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    const char* tld = kTlds[data[0] % kTlds.size()];
    const std::size_t chunk = 1 + data[1] % 64;
    const std::string_view reply(reinterpret_cast<const char*>(data) + 2, size - 2);

    // In one piece, and in chunks: a verdict found in one piece must not turn into another
    // verdict in chunks, unless a referral line decided it.
    const ReplyReadingLoop::Result whole = ClassifyWholeReply(tld, reply);
    ReplyReadingLoop loop;
    loop.Start(tld);
    ChunkSource source;
    ReplyReadingLoop::Result chunked;
    for (std::size_t at = 0;
         at < reply.size() && chunked.outcome == ReplyReadingLoop::Outcome::WaitingForData;
         at += chunk) {
        source.waiting.append(reply.substr(at, chunk));
        chunked = loop.ReceiveAll(source, false);
    }
    if (chunked.outcome == ReplyReadingLoop::Outcome::WaitingForData) {
        chunked = loop.ReceiveAll(source, true);
    }
    const bool referral = reply.find(kWhoisServerMarker) != std::string_view::npos;
    if (!referral && whole.outcome == ReplyReadingLoop::Outcome::Verdict &&
        chunked.outcome == ReplyReadingLoop::Outcome::Verdict && whole.status != chunked.status) {
        __builtin_trap();
    }
    (void)ClassifyReply(tld, reply);
    return 0;
}
