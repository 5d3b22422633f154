#include "ClassifyReply.h"

#include <array>

namespace {

using enum DomainStatus;

constexpr std::array<std::string_view, 2> kComNet{"com", "net"};
constexpr std::array<std::string_view, 2> kOrgInfo{"org", "info"};
constexpr std::array<std::string_view, 1> kBiz{"biz"};
constexpr std::array<std::string_view, 1> kEdu{"edu"};
constexpr std::array<std::string_view, 1> kCa{"ca"};
constexpr std::array<std::string_view, 1> kEu{"eu"};
constexpr std::array<std::string_view, 1> kUs{"us"};
constexpr std::array<std::string_view, 1> kDe{"de"};
constexpr std::array<std::string_view, 1> kUk{"uk"};
constexpr std::array<std::string_view, 1> kIo{"io"};
constexpr std::array<std::string_view, 1> kIt{"it"};
constexpr std::array<std::string_view, 1> kJp{"jp"};
constexpr std::array<std::string_view, 1> kNl{"nl"};
constexpr std::array<std::string_view, 1> kFr{"fr"};
constexpr std::array<std::string_view, 1> kAu{"au"};
constexpr std::array<std::string_view, 1> kInt{"int"};

// Registries word their replies differently, so each marker is kept exactly as its registry
// writes it: "Domain Name: " with a blank for com/net, without one for org/info/edu, and so on.
constexpr std::array<ReplyMarker, 2> kComNetMarkers{{
    {"Domain Name: ", Taken, "com/whois.verisign-grs.com__registered__flipbit-2026-google.txt"},
    {"No match for", Available,
     "com/whois.verisign-grs.com__available__flipbit-2026-u34jedzcq.txt"},
}};
constexpr std::array<ReplyMarker, 3> kOrgInfoMarkers{{
    {"Domain Name:", Taken, "org/whois.pir.org__registered__flipbit-2026-google.txt"},
    {"NOT FOUND", Available, "org/whois.pir.org__available__weppos-2015.txt"},
    {"Domain not found.", Available, "org/whois.pir.org__available__likexian-2022.txt"},
}};
constexpr std::array<ReplyMarker, 3> kBizMarkers{{
    {"Not found", Available, "biz/whois.biz__available__weppos-2014-neustar.txt"},
    {"No Data Found", Available, "biz/whois.nic.biz__available__likexian-2022-crlf.txt"},
    {"Domain Name:", Taken, "biz/whois.biz__registered__flipbit-2026-google.txt"},
}};
constexpr std::array<ReplyMarker, 3> kEduMarkers{{
    {"Domain Name:", Taken, "edu/whois.educause.edu__registered__flipbit-2026-harvard.txt"},
    {"No Match", Available, "edu/whois.educause.edu__available__weppos-2015.txt"},
    {"NO MATCH:", Available, "edu/whois.educause.edu__available__likexian-2022.txt"},
}};
constexpr std::array<ReplyMarker, 4> kCaMarkers{{
    {"Domain status:         available", Available,
     "ca/whois.cira.ca__available__weppos-2014-old.txt"},
    {"Domain status:         registered", Taken,
     "ca/whois.cira.ca__registered__weppos-2014-old.txt"},
    {"Not found:", Available, "ca/whois.cira.ca__available__flipbit-2026-u34jedzcq.txt"},
    {"Domain Name:", Taken, "ca/whois.cira.ca__registered__flipbit-2026-google.txt"},
}};
constexpr std::array<ReplyMarker, 2> kEuMarkers{{
    {"Status: AVAILABLE", Available, "eu/whois.eu__available__likexian-2022.txt"},
    {"Name servers:", Taken, "eu/whois.eu__registered__richardpenman-2025-eurid.txt"},
}};
constexpr std::array<ReplyMarker, 4> kUsMarkers{{
    {"Not found:", Available, "us/whois.nic.us__available__weppos-2014-neustar.txt"},
    {"Sponsoring Registrar", Taken, "us/whois.nic.us__registered__weppos-2014-neustar.txt"},
    {"No Data Found", Available, "us/whois.nic.us__available__flipbit-2026-u34jedzcq.txt"},
    {"Domain Name:", Taken, "us/whois.nic.us__registered__flipbit-2026-google.txt"},
}};
// Country registries keep formats of their own. One registry answers for every level below its
// extension, so a name such as "x.co.uk" is read by the rule of its last label.
constexpr std::array<ReplyMarker, 2> kDeMarkers{{
    {"Status: free", Available, "de/whois.denic.de__available__flipbit-2019-u34jedzcq.txt"},
    {"Status: connect", Taken, "de/whois.denic.de__registered__flipbit-2026-google.txt"},
}};
constexpr std::array<ReplyMarker, 2> kUkMarkers{{
    {"No match for", Available, "uk/whois.nic.uk__available__flipbit-2026-u34jedzcq.txt"},
    {"Domain name:", Taken, "uk/whois.nic.uk__registered__flipbit-2026-google.txt"},
}};
constexpr std::array<ReplyMarker, 2> kIoMarkers{{
    {"Domain not found.", Available, "io/whois.nic.io__available__flipbit-2026-u34jedzcq.txt"},
    {"Domain Name:", Taken, "io/whois.nic.io__registered__flipbit-2026-redis.txt"},
}};
constexpr std::array<ReplyMarker, 2> kItMarkers{{
    {"Status:             AVAILABLE", Available,
     "it/whois.nic.it__available__flipbit-2026-cartucceweb.txt"},
    {"Created:", Taken, "it/whois.nic.it__registered__flipbit-2026-google.txt"},
}};
constexpr std::array<ReplyMarker, 2> kJpMarkers{{
    {"No match!!", Available, "jp/whois.jprs.jp__available__flipbit-2026-veganwiz.txt"},
    {"Domain Information:", Taken, "jp/whois.jprs.jp__registered__richardpenman-2025-titech.txt"},
}};
constexpr std::array<ReplyMarker, 2> kNlMarkers{{
    {" is free", Available, "nl/whois.domain-registry.nl__available__likexian-2022.txt"},
    {"Domain name:", Taken, "nl/whois.domain-registry.nl__registered__richardpenman-2025-app.txt"},
}};
constexpr std::array<ReplyMarker, 2> kFrMarkers{{
    {"%% NOT FOUND", Available, "fr/whois.nic.fr__available__flipbit-2026-amazingsales.txt"},
    {"domain:", Taken, "fr/whois.nic.fr__registered__richardpenman-2026-google.txt"},
}};
constexpr std::array<ReplyMarker, 2> kAuMarkers{{
    {"NOT FOUND", Available, "au/whois.auda.org.au__available__likexian-2022.txt"},
    {"Domain Name:", Taken, "au/whois.audns.net.au__registered__flipbit-2026-google.txt"},
}};
// IANA keeps the ".int" names itself and answers with its own object format.
constexpr std::array<ReplyMarker, 2> kIntMarkers{{
    {"This query returned 0 objects.", Available,
     "int/whois.iana.org__available__flipbit-u34jedzcq.txt"},
    {"domain:", Taken, "int/whois.iana.org__registered__flipbit-2026-nato.txt"},
}};
constexpr std::array<ReplyMarker, 1> kOtherMarkers{{
    {"has no information", InformationMissing, ""},
}};

constexpr std::array<ReplyRule, 17> kRules{{
    {kComNet, kComNetMarkers},
    {kOrgInfo, kOrgInfoMarkers},
    {kBiz, kBizMarkers},
    {kEdu, kEduMarkers},
    {kCa, kCaMarkers},
    {kEu, kEuMarkers},
    {kUs, kUsMarkers},
    {kDe, kDeMarkers},
    {kUk, kUkMarkers},
    {kIo, kIoMarkers},
    {kIt, kItMarkers},
    {kJp, kJpMarkers},
    {kNl, kNlMarkers},
    {kFr, kFrMarkers},
    {kAu, kAuMarkers},
    {kInt, kIntMarkers},
    {{}, kOtherMarkers},
}};

// How servers begin a line when they refuse or ration queries.
constexpr std::array<std::string_view, 8> kRefusals{
    "TLD is not supported.",
    "WHOIS LIMIT EXCEEDED",
    "Your connection limit exceeded",
    "Query rate limit exceeded",
    "Number of allowed queries exceeded",
    "You have exceeded your access quota",
    "%ERROR:201: access denied",
    "Access denied",
};

const ReplyRule& RuleFor(std::string_view tld)
{
    for (const ReplyRule& rule : kRules) {
        for (std::string_view ruleTld : rule.tlds) {
            if (ruleTld == tld) {
                return rule;
            }
        }
    }
    return kRules.back();
}

} // namespace

std::span<const ReplyRule> ReplyRules()
{
    return kRules;
}

std::optional<DomainStatus> ClassifyReply(std::string_view tld, std::string_view reply)
{
    for (const ReplyMarker& marker : RuleFor(tld).markers) {
        if (reply.find(marker.text) != std::string_view::npos) {
            return marker.status;
        }
    }
    return std::nullopt;
}

bool IsRefusalLine(std::string_view line)
{
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
        line.remove_prefix(1);
    }
    for (std::string_view refusal : kRefusals) {
        if (line.starts_with(refusal)) {
            return true;
        }
    }
    return false;
}
