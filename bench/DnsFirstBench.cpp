// DNS first against rationed registries: the lookup engine asks 2,000 names of 4 simulated whois
// servers, each answering in 100 ms and taking at most 20 queries in any second, while 70 % of
// the names are delegated in zones that NSD serves on 127.0.0.1. Once with DNS first, once
// without, paced alike. Then DNS alone: NS lookups against the same NSD, 64 in flight.
// Prints the seconds of each, the bound DNS first is held to, and the names lost or given a
// wrong verdict.
//   bench_dns_first
#include "AuthoritativeDnsServer.h"
#include "RegistrySimulator.h"
#include "dns/CDnsQuery.h"
#include "search/CLookupEngine.h"
#include "search/SearchOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const QList<QByteArray> kSuffixes{"com", "net", "org", "biz"};
constexpr int kNamesPerServer = 500;
constexpr int kDelegatedPerTen = 7;
constexpr int kLatencyMilliseconds = 100;
constexpr int kBudgetQueries = 20;
constexpr int kBudgetWindowMilliseconds = 1000;
// The engine's own bound on lookups in flight, so that DNS alone is measured as the engine uses it.
constexpr int kDnsInFlight = 64;
constexpr int kDnsAloneLookups = 20000;
// Far beyond the slowest case (500 names a server, one at a time: 50 s), so only a hung run is
// cut short.
constexpr int kLongestRunMilliseconds = 300 * 1000;

// The fastest one server can answer `names` queries: each server is asked one query at a time,
// so the latency bounds it from below; the budget does too, as in the paced 900-names case (the
// last query cannot start before the windows of all the ones before it have passed).
double ServerBoundSeconds(int names)
{
    const double byLatency = names * kLatencyMilliseconds / 1000.0;
    const double byBudget =
        double(names - kBudgetQueries) / kBudgetQueries * kBudgetWindowMilliseconds / 1000 +
        kLatencyMilliseconds / 1000.0;
    return std::max(byLatency, byBudget);
}

bool IsDelegated(int number)
{
    return number % 10 < kDelegatedPerTen;
}

// Every server's names in turn, as the list order of the 900-names case asks them. The
// simulator's truth (a name is free when it starts with "free") and the zones agree.
QList<QByteArray> Names()
{
    QList<QByteArray> names;
    for (int number = 0; number < kNamesPerServer; ++number) {
        const QByteArray label =
            (IsDelegated(number) ? "taken" : "free") + QByteArray::number(number) + '.';
        for (const QByteArray& suffix : kSuffixes) {
            names.append(label + suffix);
        }
    }
    return names;
}

QList<AuthoritativeDnsServer::Zone> Zones()
{
    QList<AuthoritativeDnsServer::Zone> zones;
    for (const QByteArray& suffix : kSuffixes) {
        QByteArray records;
        for (int number = 0; number < kNamesPerServer; ++number) {
            if (IsDelegated(number)) {
                records += "taken" + QByteArray::number(number) + " NS ns.elsewhere.example.\n";
            }
        }
        zones.append({suffix + '.', records});
    }
    return zones;
}

struct Figures
{
    double seconds = 0;
    int lost = 0;
    int falseVerdicts = 0;
    int foundInDns = 0;
    bool finished = false;
};

// The options as the command line would give them, so that the benchmark asks as qirv-cli does.
SearchOptions Options(const RegistrySimulator& simulator, quint16 dnsPort, bool dnsFirst)
{
    // Remembered answers would stand in for the queries measured here, and fill the user's store.
    QStringList arguments{QStringLiteral("bench_dns_first"), QStringLiteral("--no-store")};
    for (int server = 0; server < simulator.ServerCount(); ++server) {
        const QString address = QString::fromLatin1(simulator.Address(server));
        arguments << "--whois-server"
                  << "." + QString::fromLatin1(kSuffixes[server]) + "=" + address;
        arguments << "--pace"
                  << QStringLiteral("%1=%2/%3")
                         .arg(address)
                         .arg(kBudgetQueries)
                         .arg(kBudgetWindowMilliseconds / 1000);
    }
    if (dnsFirst) {
        arguments << "--dns-server" << QStringLiteral("127.0.0.1:%1").arg(dnsPort);
    } else {
        arguments << "--no-dns";
    }
    QCommandLineParser parser;
    AddSearchOptions(parser);
    QString error;
    std::optional<SearchOptions> options;
    if (parser.parse(arguments)) {
        options = ReadSearchOptions(parser, error);
    }
    if (!options) {
        std::fprintf(stderr, "cannot read the options: %s %s\n", qPrintable(parser.errorText()),
                     qPrintable(error));
        std::exit(2);
    }
    return std::move(*options);
}

Figures Search(quint16 dnsPort, bool dnsFirst)
{
    QList<RegistrySimulator::ServerSpec> servers;
    for (const QByteArray& suffix : kSuffixes) {
        RegistrySimulator::ServerSpec server;
        server.suffix = suffix;
        server.latencyMilliseconds = kLatencyMilliseconds;
        server.budgetQueries = kBudgetQueries;
        server.budgetWindowMilliseconds = kBudgetWindowMilliseconds;
        servers.append(server);
    }
    // A fresh simulator per case: no budget window carries over from the last one.
    const RegistrySimulator simulator(servers);
    CLookupEngine engine;
    engine.SetOptions(Options(simulator, dnsPort, dnsFirst));

    const QList<QByteArray> names = Names();
    std::vector<std::vector<std::optional<DomainStatus>>> answers(
        static_cast<std::size_t>(names.size()));
    QEventLoop loop;
    QObject::connect(
        &engine, &CLookupEngine::answered, &engine,
        [&answers](CLookupEngine::Ticket ticket, const QueryResult& result) {
            answers.at(ticket).push_back(result.verdict);
        },
        Qt::DirectConnection);
    Figures figures;
    QObject::connect(&engine, &CLookupEngine::finished, &loop, [&] {
        figures.finished = true;
        loop.quit();
    });
    QTimer::singleShot(kLongestRunMilliseconds, &loop, &QEventLoop::quit);

    QElapsedTimer elapsed;
    elapsed.start();
    for (qsizetype ticket = 0; ticket < names.size(); ++ticket) {
        engine.Ask(static_cast<CLookupEngine::Ticket>(ticket), names[ticket]);
    }
    loop.exec();
    figures.seconds = static_cast<double>(elapsed.nsecsElapsed()) / 1e9;
    figures.foundInDns = engine.FoundInDns();
    engine.Stop();

    for (qsizetype ticket = 0; ticket < names.size(); ++ticket) {
        const auto& given = answers[static_cast<std::size_t>(ticket)];
        if (given.size() != 1) {
            ++figures.lost;
            continue;
        }
        const bool registered = RegistrySimulator::IsRegistered(names[ticket]);
        figures.falseVerdicts +=
            given.front() == (registered ? DomainStatus::Available : DomainStatus::Taken) ? 1 : 0;
    }
    return figures;
}

struct DnsFigures
{
    double seconds = 0;
    int answered = 0;
    int wrong = 0; // a delegated name not Taken, or an undelegated one Taken
};

// CDnsQuery alone, kept at the engine's number of lookups in flight.
DnsFigures LookUp(quint16 dnsPort, const QList<QByteArray>& names, int lookups)
{
    CDnsQuery dns;
    dns.SetServers({{"127.0.0.1", dnsPort}});
    QEventLoop loop;
    DnsFigures figures;
    int started = 0;
    const auto startNext = [&] {
        while (started < lookups && dns.InFlight() < kDnsInFlight) {
            dns.StartQuery(names[started % names.size()], started);
            ++started;
        }
    };
    QObject::connect(
        &dns, &CDnsQuery::finished, &dns,
        [&](const QueryResult& result) {
            ++figures.answered;
            const bool taken = result.verdict == DomainStatus::Taken;
            figures.wrong +=
                taken != RegistrySimulator::IsRegistered(names[result.item % names.size()]) ? 1 : 0;
            startNext();
            if (figures.answered == lookups) {
                loop.quit();
            }
        },
        Qt::DirectConnection);
    QTimer::singleShot(kLongestRunMilliseconds, &loop, &QEventLoop::quit);
    QElapsedTimer elapsed;
    elapsed.start();
    startNext();
    loop.exec();
    figures.seconds = static_cast<double>(elapsed.nsecsElapsed()) / 1e9;
    return figures;
}

void Print(const char* label, const Figures& figures)
{
    std::printf("%s_seconds %.3f\n", label, figures.seconds);
    std::printf("%s_found_in_dns %d\n", label, figures.foundInDns);
    std::printf("%s_lost %d\n", label, figures.lost);
    std::printf("%s_false_verdicts %d\n", label, figures.falseVerdicts);
    std::printf("%s_finished %d\n", label, figures.finished ? 1 : 0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    AuthoritativeDnsServer nsd;
    if (!nsd.Start(Zones())) {
        // A benchmark without its DNS server would measure the registries alone and look fine.
        std::fprintf(stderr, "bench_dns_first: NSD could not start, nothing measured:\n%s\n",
                     nsd.Log().constData());
        return 1;
    }
    const QList<QByteArray> names = Names();
    const int undelegatedPerServer = kNamesPerServer * (10 - kDelegatedPerTen) / 10;
    std::printf("names %d\nservers %d\ndelegated %d\n", static_cast<int>(names.size()),
                static_cast<int>(kSuffixes.size()),
                static_cast<int>(kSuffixes.size()) * (kNamesPerServer - undelegatedPerServer));

    const DnsFigures dnsOnly = LookUp(nsd.Port(), names, static_cast<int>(names.size()));
    const Figures dnsFirst = Search(nsd.Port(), true);
    Print("dns_first", dnsFirst);
    const Figures noDns = Search(nsd.Port(), false);
    Print("no_dns", noDns);
    const double bound = ServerBoundSeconds(undelegatedPerServer) + dnsOnly.seconds;
    std::printf("dns_only_seconds %.3f\n", dnsOnly.seconds);
    std::printf("registry_bound_seconds %.3f\n", ServerBoundSeconds(undelegatedPerServer));
    std::printf("no_dns_bound_seconds %.3f\n", ServerBoundSeconds(kNamesPerServer));
    std::printf("bound_seconds %.3f\n", bound);
    std::printf("dns_first_ratio_to_bound %.3f\n", dnsFirst.seconds / bound);
    std::printf("speedup %.2f\n", noDns.seconds / dnsFirst.seconds);

    const DnsFigures alone = LookUp(nsd.Port(), names, kDnsAloneLookups);
    std::printf("dns_lookups %d\ndns_lookups_answered %d\ndns_lookups_wrong %d\n", kDnsAloneLookups,
                alone.answered, alone.wrong + dnsOnly.wrong);
    std::printf("dns_lookups_seconds %.3f\ndns_lookups_per_second %.0f\n", alone.seconds,
                alone.answered / alone.seconds);
    const bool complete = dnsFirst.finished && noDns.finished &&
                          alone.answered == kDnsAloneLookups && dnsOnly.answered == names.size();
    return complete ? 0 : 1;
}
