#!/usr/bin/env python3
"""Make the program's lists of registry servers from tld-servers.tsv in this folder.

tld-servers.tsv holds every top-level domain of IANA's root zone database (1,442), one a line:
    tld  type  whois_server  rdap_base
with international ones in their ASCII (xn--) form, the whois server IANA lists for each (as of
2025-04; a few list two, separated by commas: the first is taken) and the RDAP base URL of IANA's
RDAP bootstrap file of July 2022.

It writes src/registry/core/IanaWhoisServers.cpp: every top-level domain, with the whois server
of each that has one. The RDAP servers come from IANA's bootstrap file itself (rdap-dns.json, see
README.md here), not from the table's old column.

Usage (from the repository root):  python3 res/data/make_registry_data.py
Output is deterministic: the same table always gives the same bytes.
"""
import collections
import os

DATA = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(DATA))

def read_table():
    rows = []
    with open(os.path.join(DATA, "tld-servers.tsv"), encoding="utf-8") as table:
        header = table.readline().rstrip("\n").split("\t")
        assert header == ["tld", "type", "whois_server", "rdap_base"], header
        for line in table:
            tld, _kind, whois, rdap = line.rstrip("\n").split("\t")
            rows.append((tld.lower(), whois.split(",")[0].strip().lower(), rdap.strip()))
    return rows


def write_whois_servers(rows):
    servers = sorted((tld, whois) for tld, whois, _ in rows)
    lines = [
        "// Made by res/data/make_registry_data.py from res/data/tld-servers.tsv: every top-level",
        "// domain of IANA's root zone database, with the whois server it lists for each (as of",
        "// 2025-04; empty where it lists none). Change the table and run the script again rather",
        "// than editing this file.",
        '#include "IanaWhoisServers.h"',
        "",
        "#include <algorithm>",
        "#include <array>",
        "",
        "namespace {",
        "",
        "// Sorted by top-level domain, for a binary search.",
        "constexpr std::array<IanaTopLevelDomain, %d> kServers{{" % len(servers),
    ]
    lines += ['    {"%s", "%s"},' % entry for entry in servers]
    lines += [
        "}};",
        "static_assert(std::ranges::is_sorted(kServers, {}, &IanaTopLevelDomain::tld));",
        "",
        "} // namespace",
        "",
        "std::span<const IanaTopLevelDomain> IanaTopLevelDomains()",
        "{",
        "    return kServers;",
        "}",
        "",
        "std::optional<std::string_view> IanaWhoisServerFor(std::string_view tld)",
        "{",
        "    const auto found = std::ranges::lower_bound(kServers, tld, {}, &IanaTopLevelDomain::tld);",
        "    if (found == kServers.end() || found->tld != tld || found->whoisServer.empty()) {",
        "        return std::nullopt;",
        "    }",
        "    return found->whoisServer;",
        "}",
    ]
    path = os.path.join(ROOT, "src", "registry", "core", "IanaWhoisServers.cpp")
    with open(path, "w", encoding="ascii", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


def main():
    rows = read_table()
    write_whois_servers(rows)
    print("%d top-level domains: %d with a whois server"
          % (len(rows), sum(1 for _, whois, _ in rows if whois)))


if __name__ == "__main__":
    main()
