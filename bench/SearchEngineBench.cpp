// The search engine against rationed registries: qirv-cli check asks 900 names of 9 simulated
// whois servers, each answering in 100 ms and refusing beyond 5 queries in any second; once with
// the pace given, once learning it from the refusals, and once one name at a time.
// Prints, per case, the seconds, their ratio to the fastest the budgets allow, the refusals the
// servers sent, and the names lost or given a wrong verdict.
//   bench_search_engine [PATH-TO-qirv-cli]
#include "RegistrySimulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <cstdio>

namespace {

const QList<QByteArray> kSuffixes{"com", "net", "org", "biz", "edu", "ca", "eu", "us", "info"};
constexpr int kNamesPerServer = 100;
constexpr int kLatencyMilliseconds = 100;
constexpr int kBudgetQueries = 5;
constexpr int kBudgetWindowMilliseconds = 1000;
// The last server's 100th query cannot start before 19 full windows have passed, and its
// reply takes the latency on top.
constexpr double kBoundSeconds =
    double(kNamesPerServer - kBudgetQueries) / kBudgetQueries * kBudgetWindowMilliseconds / 1000 +
    kLatencyMilliseconds / 1000.0;
// Far beyond the slowest case (one at a time: 900 x 100 ms), so only a hung run is cut short.
constexpr int kLongestRunMilliseconds = 600 * 1000;

enum class Mode
{
    Paced,
    Learning,
    OneAtATime,
};

struct Figures
{
    double seconds = 0;
    int refusals = 0;
    int lost = 0;
    int answered = 0; // names with exactly one line, and that line a verdict
    int falseAvailable = 0;
    int wrongTaken = 0;
    qint64 firstRefusalMilliseconds = -1; // since the simulator started
    qint64 lastRefusalMilliseconds = -1;
    bool finished = false;
};

// Every server's 100 names in turn, so the list order asks each server once per round; about a
// third of them free.
QList<QByteArray> Names()
{
    QList<QByteArray> names;
    for (int number = 0; number < kNamesPerServer; ++number) {
        const QByteArray label =
            (number % 3 == 0 ? "free" : "taken") + QByteArray::number(number) + '.';
        for (const QByteArray& suffix : kSuffixes) {
            names.append(label + suffix);
        }
    }
    return names;
}

Figures Run(const QString& cli, Mode mode)
{
    QList<RegistrySimulator::ServerSpec> specs;
    for (const QByteArray& suffix : kSuffixes) {
        RegistrySimulator::ServerSpec spec;
        spec.suffix = suffix;
        spec.latencyMilliseconds = kLatencyMilliseconds;
        spec.budgetQueries = kBudgetQueries;
        spec.budgetWindowMilliseconds = kBudgetWindowMilliseconds;
        specs.append(spec);
    }
    // A fresh simulator per case: no budget window or count carries over from the last one.
    const RegistrySimulator simulator(specs);

    // Remembered answers would stand in for the queries measured here, and fill the user's store.
    QStringList arguments{"check", "--no-store"};
    for (int server = 0; server < simulator.ServerCount(); ++server) {
        const QString address = QString::fromLatin1(simulator.Address(server));
        arguments << "--whois-server"
                  << "." + QString::fromLatin1(kSuffixes[server]) + "=" + address;
        if (mode != Mode::Learning) {
            arguments << "--pace"
                      << QStringLiteral("%1=%2/%3")
                             .arg(address)
                             .arg(kBudgetQueries)
                             .arg(kBudgetWindowMilliseconds / 1000);
        }
    }
    if (mode == Mode::OneAtATime) {
        arguments << "--one-at-a-time";
    }

    const QList<QByteArray> names = Names();
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer elapsed;
    elapsed.start();
    process.start(cli, arguments);
    if (!process.waitForStarted()) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(cli));
        return {};
    }
    process.write(names.join('\n') + '\n');
    process.closeWriteChannel();
    Figures figures;
    figures.finished = process.waitForFinished(kLongestRunMilliseconds);
    figures.seconds = static_cast<double>(elapsed.nsecsElapsed()) / 1e9;
    if (!figures.finished) {
        process.kill();
        process.waitForFinished();
    }

    QHash<QByteArray, QList<QByteArray>> results;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab > 0) {
            results[line.left(tab)].append(line.mid(tab + 1));
        }
    }
    for (const QByteArray& name : names) {
        const QList<QByteArray> lines = results.value(name);
        if (lines.size() != 1) {
            ++figures.lost;
            continue;
        }
        const QByteArray& result = lines.front();
        const bool registered = RegistrySimulator::IsRegistered(name);
        figures.answered +=
            result == "Available!" || result == "Taken" || result == "Information Missing" ? 1 : 0;
        figures.falseAvailable += result == "Available!" && registered ? 1 : 0;
        figures.wrongTaken += result == "Taken" && !registered ? 1 : 0;
    }
    for (int server = 0; server < simulator.ServerCount(); ++server) {
        figures.refusals += simulator.RefusalCount(server);
        for (const RegistrySimulator::Arrival& arrival : simulator.Log(server)) {
            if (!arrival.refused) {
                continue;
            }
            if (figures.firstRefusalMilliseconds < 0 ||
                arrival.elapsedMilliseconds < figures.firstRefusalMilliseconds) {
                figures.firstRefusalMilliseconds = arrival.elapsedMilliseconds;
            }
            figures.lastRefusalMilliseconds =
                std::max(figures.lastRefusalMilliseconds, arrival.elapsedMilliseconds);
        }
    }
    return figures;
}

void Print(const char* label, const Figures& figures)
{
    std::printf("%s_seconds %.3f\n", label, figures.seconds);
    std::printf("%s_ratio_to_bound %.3f\n", label, figures.seconds / kBoundSeconds);
    std::printf("%s_refusals %d\n", label, figures.refusals);
    std::printf("%s_lost %d\n", label, figures.lost);
    std::printf("%s_answered %d\n", label, figures.answered);
    std::printf("%s_false_available %d\n", label, figures.falseAvailable);
    std::printf("%s_wrong_taken %d\n", label, figures.wrongTaken);
    std::printf("%s_finished %d\n", label, figures.finished ? 1 : 0);
    if (figures.refusals > 0) {
        std::printf("%s_first_refusal_seconds %.3f\n", label,
                    static_cast<double>(figures.firstRefusalMilliseconds) / 1000);
        std::printf("%s_last_refusal_seconds %.3f\n", label,
                    static_cast<double>(figures.lastRefusalMilliseconds) / 1000);
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString cli = arguments.size() > 1
                            ? arguments[1]
                            : QCoreApplication::applicationDirPath() + "/../bin/qirv-cli";
    if (!QFileInfo(cli).isExecutable()) {
        std::fprintf(stderr,
                     "usage: bench_search_engine [PATH-TO-qirv-cli]\n"
                     "(no qirv-cli at %s)\n",
                     qPrintable(cli));
        return 2;
    }

    std::printf("names %d\nservers %d\nbound_seconds %.1f\n",
                static_cast<int>(kSuffixes.size()) * kNamesPerServer,
                static_cast<int>(kSuffixes.size()), kBoundSeconds);
    const Figures paced = Run(cli, Mode::Paced);
    Print("paced", paced);
    const Figures learning = Run(cli, Mode::Learning);
    Print("learning", learning);
    const Figures oneAtATime = Run(cli, Mode::OneAtATime);
    Print("one_at_a_time", oneAtATime);
    std::printf("one_at_a_time_over_paced %.2f\n", oneAtATime.seconds / paced.seconds);
    return paced.finished && learning.finished && oneAtATime.finished ? 0 : 1;
}
