#include "ClassifyReply.h"

#include "registry/core/ServerRoutes.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

using enum DomainStatus;

constexpr std::array<std::string_view, 1> kVerisign{"whois.verisign-grs.com"};
// The same operator's format under the names the registries' servers went by over the years.
constexpr std::array<std::string_view, 4> kOrgInfo{
    "whois.publicinterestregistry.org", "whois.pir.org", "whois.nic.info", "whois.afilias.net"};
constexpr std::array<std::string_view, 2> kBiz{"whois.nic.biz", "whois.biz"};
constexpr std::array<std::string_view, 1> kEdu{"whois.educause.edu"};
constexpr std::array<std::string_view, 1> kCa{"whois.cira.ca"};
constexpr std::array<std::string_view, 1> kEu{"whois.eu"};
constexpr std::array<std::string_view, 1> kUs{"whois.nic.us"};
constexpr std::array<std::string_view, 1> kDe{"whois.denic.de"};
constexpr std::array<std::string_view, 1> kUk{"whois.nic.uk"};
constexpr std::array<std::string_view, 1> kIo{"whois.nic.io"};
constexpr std::array<std::string_view, 1> kIt{"whois.nic.it"};
constexpr std::array<std::string_view, 1> kJp{"whois.jprs.jp"};
constexpr std::array<std::string_view, 1> kNl{"whois.domain-registry.nl"};
// AFNIC answers for the French overseas extensions too, each under a name of its own.
constexpr std::array<std::string_view, 6> kAfnic{"whois.nic.fr", "whois.nic.re", "whois.nic.pm",
                                                 "whois.nic.tf", "whois.nic.wf", "whois.nic.yt"};
constexpr std::array<std::string_view, 2> kAu{"whois.auda.org.au", "whois.audns.net.au"};
// IANA keeps ".int" and ".arpa" itself.
constexpr std::array<std::string_view, 1> kIana{"whois.iana.org"};
// The European address registry holds no domain names of the extensions the built-in table once
// sent to it: its "no entries found" says nothing about the name asked.
constexpr std::array<std::string_view, 1> kRipe{"whois.ripe.net"};

// Registries word their replies differently, so each marker is kept exactly as its registry
// writes it: "Domain Name: " with a blank for com/net, without one for org/info/edu, and so on.
constexpr std::array<ReplyMarker, 2> kComNetMarkers{{
    {"Domain Name: ", Taken,
     "whois-replies/com/whois.verisign-grs.com__registered__flipbit-2026-google.txt"},
    {"No match for", Available,
     "whois-replies/com/whois.verisign-grs.com__available__flipbit-2026-u34jedzcq.txt"},
}};
constexpr std::array<ReplyMarker, 4> kOrgInfoMarkers{{
    {"Domain Name:", Taken, "whois-replies/org/whois.pir.org__registered__flipbit-2026-google.txt"},
    {"NOT FOUND", Available, "whois-replies/org/whois.pir.org__available__weppos-2015.txt"},
    {"Domain not found.", Available,
     "whois-replies/org/whois.pir.org__available__likexian-2022.txt"},
    {"Domain name:", Taken, "whois-corpus/org/likexian__registered__apache.org__7bfced.txt"},
}};
constexpr std::array<ReplyMarker, 3> kBizMarkers{{
    {"Not found", Available, "whois-replies/biz/whois.biz__available__weppos-2014-neustar.txt"},
    {"No Data Found", Available,
     "whois-replies/biz/whois.nic.biz__available__likexian-2022-crlf.txt"},
    {"Domain Name:", Taken, "whois-replies/biz/whois.biz__registered__flipbit-2026-google.txt"},
}};
constexpr std::array<ReplyMarker, 3> kEduMarkers{{
    {"Domain Name:", Taken,
     "whois-replies/edu/whois.educause.edu__registered__flipbit-2026-harvard.txt"},
    {"No Match", Available, "whois-replies/edu/whois.educause.edu__available__weppos-2015.txt"},
    {"NO MATCH:", Available, "whois-replies/edu/whois.educause.edu__available__likexian-2022.txt"},
}};
constexpr std::array<ReplyMarker, 4> kCaMarkers{{
    {"Domain status:         available", Available,
     "whois-replies/ca/whois.cira.ca__available__weppos-2014-old.txt"},
    {"Domain status:         registered", Taken,
     "whois-replies/ca/whois.cira.ca__registered__weppos-2014-old.txt"},
    {"Not found:", Available,
     "whois-replies/ca/whois.cira.ca__available__flipbit-2026-u34jedzcq.txt"},
    {"Domain Name:", Taken, "whois-replies/ca/whois.cira.ca__registered__flipbit-2026-google.txt"},
}};
constexpr std::array<ReplyMarker, 2> kEuMarkers{{
    {"Status: AVAILABLE", Available, "whois-replies/eu/whois.eu__available__likexian-2022.txt"},
    {"Name servers:", Taken, "whois-replies/eu/whois.eu__registered__richardpenman-2025-eurid.txt"},
}};
constexpr std::array<ReplyMarker, 4> kUsMarkers{{
    {"Not found:", Available, "whois-replies/us/whois.nic.us__available__weppos-2014-neustar.txt"},
    {"Sponsoring Registrar", Taken,
     "whois-replies/us/whois.nic.us__registered__weppos-2014-neustar.txt"},
    {"No Data Found", Available,
     "whois-replies/us/whois.nic.us__available__flipbit-2026-u34jedzcq.txt"},
    {"Domain Name:", Taken, "whois-replies/us/whois.nic.us__registered__flipbit-2026-google.txt"},
}};
// Country registries keep formats of their own. One registry answers for every level below its
// extension, so a name such as "x.co.uk" is read by the rule of its last label.
constexpr std::array<ReplyMarker, 2> kDeMarkers{{
    {"Status: free", Available,
     "whois-replies/de/whois.denic.de__available__flipbit-2019-u34jedzcq.txt"},
    {"Status: connect", Taken,
     "whois-replies/de/whois.denic.de__registered__flipbit-2026-google.txt"},
}};
constexpr std::array<ReplyMarker, 2> kUkMarkers{{
    {"No match for", Available,
     "whois-replies/uk/whois.nic.uk__available__flipbit-2026-u34jedzcq.txt"},
    {"Domain name:", Taken, "whois-replies/uk/whois.nic.uk__registered__flipbit-2026-google.txt"},
}};
constexpr std::array<ReplyMarker, 2> kIoMarkers{{
    {"Domain not found.", Available,
     "whois-replies/io/whois.nic.io__available__flipbit-2026-u34jedzcq.txt"},
    {"Domain Name:", Taken, "whois-replies/io/whois.nic.io__registered__flipbit-2026-redis.txt"},
}};
constexpr std::array<ReplyMarker, 2> kItMarkers{{
    {"Status:             AVAILABLE", Available,
     "whois-replies/it/whois.nic.it__available__flipbit-2026-cartucceweb.txt"},
    {"Created:", Taken, "whois-replies/it/whois.nic.it__registered__flipbit-2026-google.txt"},
}};
constexpr std::array<ReplyMarker, 2> kJpMarkers{{
    {"No match!!", Available,
     "whois-replies/jp/whois.jprs.jp__available__flipbit-2026-veganwiz.txt"},
    {"Domain Information:", Taken,
     "whois-replies/jp/whois.jprs.jp__registered__richardpenman-2025-titech.txt"},
}};
constexpr std::array<ReplyMarker, 2> kNlMarkers{{
    {" is free", Available,
     "whois-replies/nl/whois.domain-registry.nl__available__likexian-2022.txt"},
    {"Domain name:", Taken,
     "whois-replies/nl/whois.domain-registry.nl__registered__richardpenman-2025-app.txt"},
}};
constexpr std::array<ReplyMarker, 3> kFrMarkers{{
    {"%% NOT FOUND", Available,
     "whois-replies/fr/whois.nic.fr__available__flipbit-2026-amazingsales.txt"},
    {"%% No entries found in the AFNIC Database.", Available,
     "whois-corpus/tf/weppos__available__u34jedzcq.tf__10ef91.txt"},
    {"domain:", Taken, "whois-replies/fr/whois.nic.fr__registered__richardpenman-2026-google.txt"},
}};
constexpr std::array<ReplyMarker, 2> kAuMarkers{{
    {"NOT FOUND", Available, "whois-replies/au/whois.auda.org.au__available__likexian-2022.txt"},
    {"Domain Name:", Taken,
     "whois-replies/au/whois.audns.net.au__registered__flipbit-2026-google.txt"},
}};
// IANA answers with its own object format.
constexpr std::array<ReplyMarker, 2> kIntMarkers{{
    {"This query returned 0 objects.", Available,
     "whois-replies/int/whois.iana.org__available__flipbit-u34jedzcq.txt"},
    {"domain:", Taken, "whois-replies/int/whois.iana.org__registered__flipbit-2026-nato.txt"},
}};
// The wording of servers that the general reading cannot read alone: not-found replies that repeat
// the asked name in a domain field, and not-found phrases of one registry only.
constexpr std::array<std::string_view, 17> kCocca{
    "whois1.nic.bi",     "whois.nic.cd",   "whois.nic.cx", "whois.nic.gl",
    "whois.registry.gy", "whois.nic.hn",   "whois.nic.ht", "whois.cmc.iq",
    "whois.nic.mg",      "whois.nic.ms",   "whois.tld.mu", "whois.na-nic.com.na",
    "whois.nic.net.ng",  "whois.pnina.ps", "whois.tld.sy", "whois.nic.tc",
    "whois.nic.tl",
};
constexpr std::array<ReplyMarker, 2> kCoccaMarkers{{
    {"Domain Status: No Object Found", Available,
     "whois-corpus/bi/weppos__available__u34jedzcq.bi__b87947.txt"},
    {"Domain Status: Available", Available,
     "whois-corpus/cd/weppos__available__u34jedzcq.cd__6a33cd.txt"},
}};
constexpr std::array<std::string_view, 2> kChannelIslands{"whois.gg", "whois.je"};
constexpr std::array<ReplyMarker, 3> kChannelIslandsMarkers{{
    {"Domain Status: Available", Available,
     "whois-corpus/gg/weppos__available__u34jedzcq.gg__7f7ca9.txt"},
    {"Status: Not Registered", Available,
     "whois-corpus/je/weppos__available__u34jedzcq.je__23928c.txt"},
    {"Status: Active", Taken, "whois-corpus/je/weppos__registered__google.je__c2eb51.txt"},
}};
constexpr std::array<std::string_view, 1> kBelgium{"whois.dns.be"};
constexpr std::array<ReplyMarker, 2> kBelgiumMarkers{{
    {"Status:\tAVAILABLE", Available,
     "whois-corpus/be/weppos__available__u34jedzcq.be__be0ab0.txt"},
    {"Status:\tNOT AVAILABLE", Taken, "whois-corpus/be/weppos__registered__google.be__ace3de.txt"},
}};
// The South African registry's servers begin a not-found reply with "Available" alone.
constexpr std::array<std::string_view, 3> kZacr{"whois.nic.durban", "whois.nic.joburg",
                                                "whois.registry.net.za"};
constexpr std::array<ReplyMarker, 1> kZacrMarkers{{
    {"Available", Available,
     "whois-corpus/durban/weppos__available__nosuchdomain.durban__b179b9.txt"},
}};
constexpr std::array<std::string_view, 2> kSwitzerland{"whois.nic.ch", "whois.nic.li"};
constexpr std::array<ReplyMarker, 1> kSwitzerlandMarkers{{
    {"We do not have an entry in our database matching your query.", Available,
     "whois-corpus/ch/weppos__available__qirvtest-available.ch__3bb1f6.txt"},
}};
constexpr std::array<std::string_view, 1> kBenin{"whois.nic.bj"};
constexpr std::array<ReplyMarker, 1> kBeninMarkers{{
    {"No records matching", Available,
     "whois-corpus/bj/weppos__available__u34jedzcq.bj__ab74b1.txt"},
}};
constexpr std::array<std::string_view, 1> kCoop{"whois.nic.coop"};
constexpr std::array<ReplyMarker, 1> kCoopMarkers{{
    {"No domain records were found to match", Available,
     "whois-corpus/coop/weppos__available__u34jedzcq.coop__5596dc.txt"},
}};
constexpr std::array<std::string_view, 1> kIsrael{"whois.isoc.org.il"};
constexpr std::array<ReplyMarker, 1> kIsraelMarkers{{
    {"No data was found to match the request criteria.", Available,
     "whois-corpus/il/weppos__available__qirvtest-available.il__38417e.txt"},
}};
constexpr std::array<std::string_view, 1> kSriLanka{"whois.nic.lk"};
constexpr std::array<ReplyMarker, 1> kSriLankaMarkers{{
    {"This Domain is not available in our whois database", Available,
     "whois-corpus/lk/weppos__available__qirvtest-available.lk__f83319.txt"},
}};
constexpr std::array<std::string_view, 1> kLatvia{"whois.nic.lv"};
constexpr std::array<ReplyMarker, 1> kLatviaMarkers{{
    {"Status: free", Available, "whois-corpus/lv/weppos__available__u34jedzcq.lv__d991bf.txt"},
}};
constexpr std::array<std::string_view, 1> kMexico{"whois.mx"};
constexpr std::array<ReplyMarker, 1> kMexicoMarkers{{
    {"Object_Not_Found", Available,
     "whois-corpus/mx/weppos__available__qirvtest-available.mx__991847.txt"},
}};
constexpr std::array<std::string_view, 1> kMorocco{"whois.registre.ma"};
constexpr std::array<ReplyMarker, 1> kMoroccoMarkers{{
    {"No Objects Found", Available,
     "whois-corpus/ma/weppos__available__qirvtest-available.ma__35c782.txt"},
}};
constexpr std::array<std::string_view, 1> kPoland{"whois.dns.pl"};
constexpr std::array<ReplyMarker, 2> kPolandMarkers{{
    {"No information available about domain name", Available,
     "whois-corpus/pl/likexian__available__likexian-have-no-money-to-register.pl__5a5e7b.txt"},
    {"No Results Were Found", Available,
     "whois-corpus/pl/weppos__available__qirvtest-available.co.pl__3c91e8.txt"},
}};
constexpr std::array<std::string_view, 1> kTokelau{"whois.dot.tk"};
constexpr std::array<ReplyMarker, 1> kTokelauMarkers{{
    {"domain name not known in Dot TK Domain Registry", Available,
     "whois-corpus/tk/likexian__available__likexian-have-no-money-to-register.tk__a58313.txt"},
}};
constexpr std::array<std::string_view, 1> kTaiwan{"whois.twnic.net.tw"};
constexpr std::array<ReplyMarker, 1> kTaiwanMarkers{{
    {"No Found", Available,
     "whois-corpus/tw/likexian__available__likexian-have-no-money-to-register.tw__8bd5ff.txt"},
}};
// The Turkish registry names no domain in its replies; a registered name's holds its holder.
constexpr std::array<std::string_view, 1> kTurkey{"whois.trabis.gov.tr"};
constexpr std::array<ReplyMarker, 1> kTurkeyMarkers{{
    {"** Registrant:", Taken,
     "whois-corpus/tr/weppos__registered__qirvtest-registered.tr__d4bef9.txt"},
}};
// Nominet's servers for the Welsh extensions.
constexpr std::array<std::string_view, 2> kNominetWales{"whois.nic.wales", "whois.nic.cymru"};
constexpr std::array<ReplyMarker, 1> kNominetWalesMarkers{{
    {"This domain name has not been registered.", Available,
     "whois-corpus/wales/"
     "likexian__available__likexian-have-no-money-to-register.wales__41c485.txt"},
}};

constexpr std::array<ReplyMarker, 1> kGeneralMarkers{{
    {"has no information", InformationMissing, ""},
}};

constexpr std::array<ReplyRule, 34> kRules{{
    {kVerisign, kComNetMarkers},
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
    {kAfnic, kFrMarkers},
    {kAu, kAuMarkers},
    {kIana, kIntMarkers},
    {kRipe, {}},
    {kCocca, kCoccaMarkers, false},
    {kChannelIslands, kChannelIslandsMarkers, false},
    {kBelgium, kBelgiumMarkers, false},
    {kZacr, kZacrMarkers, false},
    {kSwitzerland, kSwitzerlandMarkers, false},
    {kBenin, kBeninMarkers, false},
    {kCoop, kCoopMarkers, false},
    {kIsrael, kIsraelMarkers, false},
    {kSriLanka, kSriLankaMarkers, false},
    {kLatvia, kLatviaMarkers, false},
    {kMexico, kMexicoMarkers, false},
    {kMorocco, kMoroccoMarkers, false},
    {kPoland, kPolandMarkers, false},
    {kTokelau, kTokelauMarkers, false},
    {kTaiwan, kTaiwanMarkers, false},
    {kTurkey, kTurkeyMarkers, false},
    {kNominetWales, kNominetWalesMarkers, false},
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

bool EqualIgnoringCase(std::string_view left, std::string_view right)
{
    return std::ranges::equal(left, right, [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

} // namespace

std::span<const ReplyRule> ReplyRules()
{
    return kRules;
}

const ReplyRule* RuleForServer(std::string_view server)
{
    for (const ReplyRule& rule : kRules) {
        for (std::string_view ruleServer : rule.servers) {
            if (EqualIgnoringCase(ruleServer, server)) {
                return &rule;
            }
        }
    }
    return nullptr;
}

const ReplyRule* RuleForName(std::string_view nameOrTld)
{
    const std::optional<std::string_view> server = RegistryWhoisServer(nameOrTld);
    return server ? RuleForServer(*server) : nullptr;
}

std::string ReadingOf(std::string_view nameOrTld)
{
    const std::optional<std::string_view> server = RegistryWhoisServer(nameOrTld);
    if (server && RuleForServer(*server)) {
        return "rules " + std::string(*server);
    }
    return "general";
}

std::span<const ReplyMarker> GeneralMarkers()
{
    return kGeneralMarkers;
}

const ReplyMarker* FirstMarkerIn(std::span<const ReplyMarker> markers, std::string_view text)
{
    for (const ReplyMarker& marker : markers) {
        if (text.find(marker.text) != std::string_view::npos) {
            return &marker;
        }
    }
    return nullptr;
}

std::optional<DomainStatus> ClassifyReply(std::string_view tld, std::string_view reply)
{
    const ReplyRule* rule = RuleForName(tld);
    const ReplyMarker* marker =
        FirstMarkerIn(rule && rule->decisive ? rule->markers : GeneralMarkers(), reply);
    return marker ? std::optional(marker->status) : std::nullopt;
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
