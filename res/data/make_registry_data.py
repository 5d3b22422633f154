#!/usr/bin/env python3
"""Make the program's lists of registry servers from tld-servers.tsv in this folder.

tld-servers.tsv holds every top-level domain of IANA's root zone database (1,442), one a line:
    tld  type  whois_server  rdap_base
with international ones in their ASCII (xn--) form, the whois server IANA lists for each (as of
2025-04; a few list two, separated by commas: the first is taken) and the RDAP base URL of IANA's
RDAP bootstrap file of July 2022.

It writes
    src/registry/core/IanaWhoisServers.cpp   the whois server of every top-level domain that has one
    res/data/rdap-dns.json                the RDAP snapshot the programs ship with, in the format
                                          of IANA's https://data.iana.org/rdap/dns.json

Usage (from the repository root):  python3 res/data/make_registry_data.py
Output is deterministic: the same table always gives the same bytes.
"""
import collections
import os

DATA = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(DATA))

# Only the month of the bootstrap column is known; its first day stands for it.
PUBLICATION = "2022-07-01T00:00:00Z"


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
    servers = sorted((tld, whois) for tld, whois, _ in rows if whois)
    lines = [
        "// Made by res/data/make_registry_data.py from res/data/tld-servers.tsv: the whois server",
        "// IANA's root zone database lists for each top-level domain (as of 2025-04). Change the",
        "// table and run the script again rather than editing this file.",
        '#include "IanaWhoisServers.h"',
        "",
        "#include <algorithm>",
        "#include <array>",
        "#include <utility>",
        "",
        "namespace {",
        "",
        "using Entry = std::pair<std::string_view, std::string_view>;",
        "",
        "// Sorted by top-level domain, for a binary search.",
        "constexpr std::array<Entry, %d> kServers{{" % len(servers),
    ]
    lines += ['    {"%s", "%s"},' % entry for entry in servers]
    lines += [
        "}};",
        "static_assert(std::ranges::is_sorted(kServers, {}, &Entry::first));",
        "",
        "} // namespace",
        "",
        "std::optional<std::string_view> IanaWhoisServerFor(std::string_view tld)",
        "{",
        "    const auto found = std::ranges::lower_bound(kServers, tld, {}, &Entry::first);",
        "    if (found == kServers.end() || found->first != tld) {",
        "        return std::nullopt;",
        "    }",
        "    return found->second;",
        "}",
    ]
    path = os.path.join(ROOT, "src", "registry", "core", "IanaWhoisServers.cpp")
    with open(path, "w", encoding="ascii", newline="\n") as out:
        out.write("\n".join(lines) + "\n")
    return len(servers)


def write_bootstrap(rows):
    by_base = collections.defaultdict(list)
    for tld, _, rdap in rows:
        if rdap:
            by_base[rdap].append(tld)
    services = sorted((sorted(tlds), base) for base, tlds in by_base.items())
    quoted = lambda texts: ", ".join('"%s"' % text for text in texts)
    lines = [
        "{",
        '  "description": "RDAP bootstrap file for Domain Name System registrations",',
        '  "publication": "%s",' % PUBLICATION,
        '  "services": [',
    ]
    lines += [
        "    [[%s], [%s]]%s" % (quoted(tlds), quoted([base]), "," if index + 1 < len(services) else "")
        for index, (tlds, base) in enumerate(services)
    ]
    lines += ["  ],", '  "version": "1.0"', "}"]
    with open(os.path.join(DATA, "rdap-dns.json"), "w", encoding="ascii", newline="\n") as out:
        out.write("\n".join(lines) + "\n")
    return sum(len(tlds) for tlds, _ in services)


def main():
    rows = read_table()
    whois = write_whois_servers(rows)
    rdap = write_bootstrap(rows)
    print("%d top-level domains: %d with a whois server, %d with an RDAP server"
          % (len(rows), whois, rdap))


if __name__ == "__main__":
    main()
