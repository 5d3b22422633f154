// The reply reader and the verdict rules on arbitrary replies, split into arbitrary chunks: the
// first byte picks the name asked, the second the chunk size.
#include "whois/core/ClassifyReply.h"
#include "whois/core/GeneralReading.h"
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

// Names of extensions whose servers have decisive rules, of one whose server adds its wording to
// the general reading, and of extensions read by the general reading alone.
const std::vector<AskedName>& Names()
{
    static const std::vector<AskedName> names{
        AskedName("x.com"), AskedName("x.org"), AskedName("x.biz"), AskedName("x.edu"),
        AskedName("x.ca"),  AskedName("x.eu"),  AskedName("x.us"),  AskedName("x.de"),
        AskedName("x.uk"),  AskedName("x.io"),  AskedName("x.fr"),  AskedName("x.int"),
        AskedName("x.al"),  AskedName("x.ch"),  AskedName("x.zz"),  AskedName("x.co.za"),
    };
    return names;
}

bool ContainsIgnoringCase(std::string_view text, std::string_view lowerCasePhrase)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find(lowerCasePhrase) != std::string::npos;
}

// A verdict stands on a marker for that very status in the reply, or, for Taken, on a referral
// line or the asked name itself; for Available under the general reading, on a not-found phrase.
bool HasGrounds(const AskedName& name, std::string_view reply,
                const ReplyReadingLoop::Result& result)
{
    if (result.outcome != ReplyReadingLoop::Outcome::Verdict) {
        return true;
    }
    const ReplyRule* rule = RuleForName(name.Ascii());
    const std::span<const ReplyMarker> markers = rule ? rule->markers : GeneralMarkers();
    for (const ReplyMarker& marker : markers) {
        if (marker.status == result.status && reply.find(marker.text) != std::string_view::npos) {
            return true;
        }
    }
    if (result.status == DomainStatus::Taken) {
        return reply.find(kWhoisServerMarker) != std::string_view::npos ||
               ContainsIgnoringCase(reply, name.Ascii());
    }
    return result.status == DomainStatus::Available && !(rule && rule->decisive) &&
           std::ranges::any_of(NotFoundPhrases(), [&](std::string_view phrase) {
               return ContainsIgnoringCase(reply, phrase);
           });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    const AskedName& name = Names()[data[0] % Names().size()];
    const std::size_t chunk = 1 + data[1] % 64;
    const std::string_view reply(reinterpret_cast<const char*>(data) + 2, size - 2);

    // In one piece, and in chunks: a verdict found in one piece must not turn into another
    // verdict in chunks, unless a referral line decided it.
    const ReplyReadingLoop::Result whole = ClassifyWholeReply(name, reply);
    ReplyReadingLoop loop;
    loop.Start(name);
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
    if (!HasGrounds(name, reply, whole) || !HasGrounds(name, reply, chunked)) {
        __builtin_trap();
    }
    const std::optional<DomainStatus> direct = ClassifyReply(name.Tld(), reply);
    if (direct && !HasGrounds(name, reply, {ReplyReadingLoop::Outcome::Verdict, *direct})) {
        __builtin_trap();
    }
    return 0;
}
