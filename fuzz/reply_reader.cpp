// The reply reader and the verdict rules on arbitrary replies, split into arbitrary chunks: the
// first byte picks the suffix, the second the chunk size.
#include "whois/core/ClassifyReply.h"
#include "whois/core/ReplyReadingLoop.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

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

// Every suffix that has a rule of its own, and one that has none.
std::vector<std::string> Tlds()
{
    std::vector<std::string> tlds;
    for (const ReplyRule& rule : ReplyRules()) {
        tlds.insert(tlds.end(), rule.tlds.begin(), rule.tlds.end());
    }
    tlds.emplace_back("zz");
    return tlds;
}

const ReplyRule& RuleOf(std::string_view tld)
{
    const std::span<const ReplyRule> rules = ReplyRules();
    const auto found = std::find_if(rules.begin(), rules.end(), [&](const ReplyRule& rule) {
        return std::find(rule.tlds.begin(), rule.tlds.end(), tld) != rule.tlds.end();
    });
    return found != rules.end() ? *found : rules.back();
}

// A verdict stands on a marker of the suffix's own rule for that very status in the reply, or,
// for Taken only, on a referral line.
bool HasGrounds(std::string_view tld, std::string_view reply,
                const ReplyReadingLoop::Result& result)
{
    if (result.outcome != ReplyReadingLoop::Outcome::Verdict) {
        return true;
    }
    for (const ReplyMarker& marker : RuleOf(tld).markers) {
        if (marker.status == result.status && reply.find(marker.text) != std::string_view::npos) {
            return true;
        }
    }
    return result.status == DomainStatus::Taken &&
           reply.find(kWhoisServerMarker) != std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::vector<std::string> tlds = Tlds();
    if (size < 2) {
        return 0;
    }
    const std::string& tld = tlds[data[0] % tlds.size()];
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
    if (!HasGrounds(tld, reply, whole) || !HasGrounds(tld, reply, chunked)) {
        __builtin_trap();
    }
    const std::optional<DomainStatus> direct = ClassifyReply(tld, reply);
    if (direct && !HasGrounds(tld, reply, {ReplyReadingLoop::Outcome::Verdict, *direct})) {
        __builtin_trap();
    }
    return 0;
}
