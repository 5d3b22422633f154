#pragma once

#include "query/core/DomainStatus.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

// The marker that, when a whois reply holds it, turns "Whois Server: " referral replies of thin
// registries into Taken once every received byte has been read.
inline constexpr std::string_view kWhoisServerMarker = "Whois Server: ";

// One text that decides a verdict for the servers of its rule, with the recorded registry reply
// that shows it (a path below the folder of recorded replies, tests/data; empty where none is
// kept).
struct ReplyMarker
{
    std::string_view text;
    DomainStatus status;
    std::string_view proof;
};

// How the replies of some whois servers are read. Registries run a few dozen formats and one
// server often answers many extensions, so a rule belongs to servers, not to extensions.
struct ReplyRule
{
    std::span<const std::string_view> servers; // lower case
    std::span<const ReplyMarker> markers;      // tested in this order
    // Decisive markers give their verdict at the first line that holds one. Otherwise the
    // markers only add this server's own wording to the general reading (GeneralReading.h),
    // which weighs the whole reply.
    bool decisive = true;
};

// Every rule of a named server. Each registry's long-standing markers come first, in their
// order; the texts its server sends today follow them.
std::span<const ReplyRule> ReplyRules();

// The rule of the server of the registry that holds a name, or of an extension ("com"), in any
// case (RegistryWhoisServer); nothing where the general reading alone applies.
const ReplyRule* RuleForName(std::string_view nameOrTld);
const ReplyRule* RuleForServer(std::string_view server);

// How replies about a name, or about names of an extension, are read: "rules SERVER" where the
// registry's server has a rule of its own, else "general".
std::string ReadingOf(std::string_view nameOrTld);

// The markers every server without decisive rules is also read by.
std::span<const ReplyMarker> GeneralMarkers();

// The first of the rule's markers that `text` holds, in the rule's order; the search is an
// exact, case-sensitive substring search.
const ReplyMarker* FirstMarkerIn(std::span<const ReplyMarker> markers, std::string_view text);

// Tests a reply against the decisive markers of its extension's server, or the general markers
// where it has none. No marker gives no verdict.
std::optional<DomainStatus> ClassifyReply(std::string_view tld, std::string_view reply);

// A line by which a server refuses or limits the query instead of answering it ("TLD is not
// supported.", "WHOIS LIMIT EXCEEDED ..."). Such a reply gives no verdict at all: a limited server
// may still print "NOT FOUND". Only the start of a line counts, so terms of use that mention
// query limits are not refusals.
bool IsRefusalLine(std::string_view line);
