#include "WhoisServerTable.h"

#include <array>

namespace {

// Suffixes whose registry has no port-43 service of its own today keep the host their registry
// last ran (".info", ".mil", ".ck"), so a reply of "no such server" shows up as a missing verdict
// rather than as a wrong one.
constexpr std::array<WhoisServerEntry, 107> kTable{{
    {".com", ServerGtldThin},
    {".net", ServerGtldThin},
    {".edu", ServerGtldThin},
    {".org", "whois.publicinterestregistry.org"},
    {".biz", "whois.nic.biz"},
    {".coop", "whois.nic.coop"},
    {".info", "whois.afilias.net"},
    {".name", "whois.nic.name"},
    {".gov", "whois.nic.gov"},
    {".mil", "whois.nic.mil"},
    {".int", "whois.iana.org"},
    {".al", ServerRirEurope},
    {".am", "whois.amnic.net"},
    {".ac", "whois.nic.ac"},
    {".ae", "whois.aeda.net.ae"},
    {".as", "whois.nic.as"},
    {".at", ServerRirEurope},
    {".au", "whois.auda.org.au"},
    {".ba", ServerRirEurope},
    {".be", "whois.dns.be"},
    {".bg", ServerRirEurope},
    {".br", "whois.registro.br"},
    {".by", ServerRirEurope},
    {".bz", "whois.identitydigital.services"},
    {".ca", "whois.cira.ca"},
    {".cc", "ccwhois.verisign-grs.com"},
    {".ch", "whois.nic.ch"},
    {".ck", "whois.nic.ck"},
    {".cl", "whois.nic.cl"},
    {".cn", "whois.cnnic.cn"},
    {".cx", "whois.nic.cx"},
    {".cy", ServerRirEurope},
    {".cz", ServerRirEurope},
    {".de", "whois.denic.de"},
    {".dk", "whois.punktum.dk"},
    {".do", "whois.nic.do"},
    {".ee", ServerRirEurope},
    {".eg", ServerRirEurope},
    {".es", ServerRirEurope},
    {".fi", ServerRirEurope},
    {".fo", ServerRirEurope},
    {".fr", "whois.nic.fr"},
    {".ga", ServerRirEurope},
    {".gb", ServerRirEurope},
    {".ge", ServerRirEurope},
    {".gl", ServerRirEurope},
    {".gm", ServerRirEurope},
    {".gr", ServerRirEurope},
    {".hk", "whois.hkirc.hk"},
    {".hr", ServerRirEurope},
    {".hu", "whois.nic.hu"},
    {".id", "whois.id"},
    {".ie", "whois.weare.ie"},
    {".il", ServerRirEurope},
    {".in", "whois.nixiregistry.in"},
    {".ir", "whois.nic.ir"},
    {".is", "whois.isnic.is"},
    {".it", ServerRirEurope},
    {".je", "whois.je"},
    {".jo", ServerRirEurope},
    {".jp", "whois.jprs.jp"},
    {".kg", "whois.kg"},
    {".kr", "whois.kr"},
    {".li", "whois.nic.li"},
    {".lk", "whois.nic.lk"},
    {".lu", "whois.dns.lu"},
    {".lv", ServerRirEurope},
    {".ma", ServerRirEurope},
    {".mc", ServerRirEurope},
    {".md", ServerRirEurope},
    {".mk", ServerRirEurope},
    {".mm", "whois.registry.gov.mm"},
    {".mt", ServerRirEurope},
    {".mx", "whois.mx"},
    {".nl", "whois.domain-registry.nl"},
    {".no", "whois.norid.no"},
    {".nu", "whois.iis.nu"},
    {".pl", ServerRirEurope},
    {".pt", ServerRirEurope},
    {".ro", ServerRirEurope},
    {".ru", "whois.tcinet.ru"},
    {".se", "whois.iis.se"},
    {".sg", "whois.sgnic.sg"},
    {".sh", "whois.nic.sh"},
    {".si", ServerRirEurope},
    {".sk", ServerRirEurope},
    {".sm", ServerRirEurope},
    {".st", ServerRirEurope},
    {".th", "whois.thnic.co.th"},
    {".tn", ServerRirEurope},
    {".tr", ServerRirEurope},
    {".tw", "whois.twnic.net.tw"},
    {".to", "whois.tonicregistry.to"},
    {".tv", "whois.nic.tv"},
    {".ua", ServerRirEurope},
    {".us", "whois.nic.us"},
    {".va", ServerRirEurope},
    {".ws", "whois.website.ws"},
    {".yu", ServerRirEurope},
    {".za", "whois.nic.za"},
    {".ph", ServerAggregator},
    {".fm", ServerAggregator},
    {".vu", ServerAggregator},
    {".ms", ServerTcGroup},
    {".gs", ServerTcGroup},
    {".vg", ServerTcGroup},
    {".tc", ServerTcGroup},
}};

} // namespace

std::span<const WhoisServerEntry> WhoisServerTable()
{
    return kTable;
}

std::string_view SuffixKey(std::string_view domainName)
{
    const auto lastDot = domainName.rfind('.');
    return lastDot == std::string_view::npos ? domainName : domainName.substr(lastDot);
}

std::optional<std::string_view> FindWhoisServer(std::string_view suffixKey)
{
    for (const WhoisServerEntry& entry : kTable) {
        if (entry.suffixKey == suffixKey) {
            return entry.server;
        }
    }
    return std::nullopt;
}

std::string_view LookupWhoisServer(std::string_view domainName)
{
    return FindWhoisServer(SuffixKey(domainName)).value_or(ServerFallback);
}
