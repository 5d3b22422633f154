#include "ClassifyReply.h"

#include <array>

namespace {

struct Marker
{
    std::string_view text;
    DomainStatus status;
};

struct Rule
{
    std::array<std::string_view, 2> tlds;
    std::array<Marker, 2> markers; // an empty text ends the list
};

using enum DomainStatus;

// Registries word their replies differently, so each marker is kept exactly as its registry
// writes it: "Domain Name: " with a blank for com/net, without one for org/info/edu, and so on.
constexpr std::array<Rule, 7> kRules{{
    {{"com", "net"}, {{{"Domain Name: ", Taken}, {"No match for", Available}}}},
    {{"org", "info"}, {{{"Domain Name:", Taken}, {"NOT FOUND", Available}}}},
    {{"biz", ""}, {{{"Not found", Available}, {"", Taken}}}},
    {{"edu", ""}, {{{"Domain Name:", Taken}, {"No Match", Available}}}},
    {{"ca", ""},
     {{{"Domain status:         available", Available},
       {"Domain status:         registered", Taken}}}},
    {{"eu", ""}, {{{"Status: AVAILABLE", Available}, {"Name servers:", Taken}}}},
    {{"us", ""}, {{{"Not found:", Available}, {"Sponsoring Registrar", Taken}}}},
}};

constexpr Rule kOtherSuffixes{{"", ""},
                              {{{"has no information", InformationMissing}, {"", Taken}}}};

const Rule& RuleFor(std::string_view tld)
{
    for (const Rule& rule : kRules) {
        for (std::string_view ruleTld : rule.tlds) {
            if (!ruleTld.empty() && ruleTld == tld) {
                return rule;
            }
        }
    }
    return kOtherSuffixes;
}

} // namespace

std::optional<DomainStatus> ClassifyReply(std::string_view tld, std::string_view reply)
{
    for (const Marker& marker : RuleFor(tld).markers) {
        if (!marker.text.empty() && reply.find(marker.text) != std::string_view::npos) {
            return marker.status;
        }
    }
    return std::nullopt;
}
