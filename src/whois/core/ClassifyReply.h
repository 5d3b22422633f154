#pragma once

#include "query/core/DomainStatus.h"

#include <optional>
#include <span>
#include <string_view>

// The marker that, when a whois reply holds it, turns "Whois Server: " referral replies of thin
// registries into Taken once every received byte has been read.
inline constexpr std::string_view kWhoisServerMarker = "Whois Server: ";

// One text that decides a verdict for the suffixes of its rule, with the recorded registry reply
// that shows it (a path below the folder of recorded replies; empty where none is kept).
struct ReplyMarker
{
    std::string_view text;
    DomainStatus status;
    std::string_view proof;
};

struct ReplyRule
{
    std::span<const std::string_view> tlds; // empty: every other suffix
    std::span<const ReplyMarker> markers;   // tested in this order
};

// Every rule, the one for all other suffixes last. Each registry's long-standing markers come
// first, in their order; the texts its server sends today follow them.
std::span<const ReplyRule> ReplyRules();

// Tests a reply against the rule of its suffix (the text after the name's last ".", without the
// dot). The first of the rule's markers that the reply holds decides; the search is an exact,
// case-sensitive substring search. No marker gives no verdict.
std::optional<DomainStatus> ClassifyReply(std::string_view tld, std::string_view reply);

// A line by which a server refuses or limits the query instead of answering it ("TLD is not
// supported.", "WHOIS LIMIT EXCEEDED ..."). Such a reply gives no verdict at all: a limited server
// may still print "NOT FOUND". Only the start of a line counts, so terms of use that mention
// query limits are not refusals.
bool IsRefusalLine(std::string_view line);
