// Remembered answers: what the store of earlier answers saves a search, what it costs one that
// finds nothing in it, and how much disk it takes.
//   remembered: 10,000 names over 4 simulated whois servers (100 ms a reply, at most 20 queries in
//     any second), 9,000 of them answered half an hour ago and put in the store beforehand. The
//     lookup engine without the store, then with it, paced alike. Prints both times, their ratio,
//     the queries the servers saw, and the names lost (not exactly one answer) or answered wrongly
//     (a verdict the servers would not give, or a remembered answer not as it was stored).
//   new: 100,000 names never asked before against one instant simulated whois server, without
//     the store, then with an empty one that takes every answer; the time with the store ends
//     once its last answer is written. Prints both times, their ratio, the names lost or answered
//     wrongly, the answers not stored as they were given, and the store's bytes on disk per
//     answer.
//   size: 1,000,000 answers added to an empty store directly, 2,000 at a time, with names and
//     servers as a real search leaves them. Prints the time that took and the bytes per answer.
// Bytes on disk are counted once the store is closed, which folds its write-ahead log into the
// file; a log still there is counted too. Every store is a file in a temporary folder, never the
// user's.
//   bench_answer_store [--case remembered|new|size]...   (every case when none is given)
#include "RegistrySimulator.h"
#include "search/CLookupEngine.h"
#include "search/SearchOptions.h"
#include "store/core/AnswerStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

const QList<QByteArray> kSuffixes{"com", "net", "org", "biz"};
constexpr int kRememberedCaseNames = 10000;
// Of every ten names, this many were answered before the search.
constexpr int kStoredPerTen = 9;
constexpr std::int64_t kStoredAgoSeconds = 30 * 60;
constexpr int kLatencyMilliseconds = 100;
constexpr int kBudgetQueries = 20;
constexpr int kBudgetWindowMilliseconds = 1000;
constexpr int kNewCaseNames = 100000;
constexpr int kSizeCaseAnswers = 1000000;
constexpr int kAnswersPerAdd = 2000;
// Far beyond the slowest run (2,500 names a server, one at a time: 250 s), so only a hung run is
// cut short.
constexpr int kLongestRunMilliseconds = 600 * 1000;

// The simulator's truth: a name is free when it starts with "free". About a third are.
QByteArray Label(int number)
{
    return (number % 3 == 0 ? "free" : "taken") + QByteArray::number(number);
}

DomainStatus TrueVerdict(const QByteArray& name)
{
    return RegistrySimulator::IsRegistered(name) ? DomainStatus::Taken : DomainStatus::Available;
}

// Every server's names in turn, so that each is asked as often as the others all along.
QList<QByteArray> RememberedCaseNames()
{
    QList<QByteArray> names;
    for (int number = 0; number < kRememberedCaseNames / kSuffixes.size(); ++number) {
        for (const QByteArray& suffix : kSuffixes) {
            names.append(Label(number) + '.' + suffix);
        }
    }
    return names;
}

bool WasStored(qsizetype index)
{
    return index / kSuffixes.size() % 10 < kStoredPerTen;
}

RegistrySimulator::ServerSpec PacedServer(const QByteArray& suffix)
{
    RegistrySimulator::ServerSpec server;
    server.suffix = suffix;
    server.latencyMilliseconds = kLatencyMilliseconds;
    server.budgetQueries = kBudgetQueries;
    server.budgetWindowMilliseconds = kBudgetWindowMilliseconds;
    return server;
}

// The options as the command line would give them, so that the engine asks as qirv-cli does;
// DNS is left out, the simulated names are in no zone. The store is set apart from the command
// line's, which would be the user's own.
enum class Pace
{
    Given,
    None,
};

enum class Store
{
    With,
    Without,
};

SearchOptions Options(const RegistrySimulator& simulator, Pace pace, Store store,
                      const QString& storePath)
{
    QStringList arguments{QStringLiteral("bench_answer_store"), QStringLiteral("--no-dns"),
                          QStringLiteral("--no-store")};
    for (int server = 0; server < simulator.ServerCount(); ++server) {
        const QString address = QString::fromLatin1(simulator.Address(server));
        arguments << "--whois-server"
                  << "." + QString::fromLatin1(kSuffixes[server]) + "=" + address;
        if (pace == Pace::Given) {
            arguments << "--pace"
                      << QStringLiteral("%1=%2/%3")
                             .arg(address)
                             .arg(kBudgetQueries)
                             .arg(kBudgetWindowMilliseconds / 1000);
        }
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
    options->rememberAnswers = store == Store::With;
    options->answerStorePath = storePath.toStdString();
    return std::move(*options);
}

struct Answer
{
    std::optional<DomainStatus> verdict;
    std::string server;
    std::optional<std::int64_t> rememberedAt;
};

struct Search
{
    double seconds = 0;
    bool finished = false;
    int remembered = 0;
    std::vector<std::vector<Answer>> answers; // by ticket
};

// Asks every name, and waits until the engine is done and the store has written what it was
// given: a store that defers its writes past the clock would look cheaper than it is.
Search Run(const SearchOptions& options, const QList<QByteArray>& names)
{
    Search search;
    search.answers.resize(static_cast<std::size_t>(names.size()));
    CLookupEngine engine;
    engine.SetOptions(options);
    QEventLoop loop;
    QObject::connect(
        &engine, &CLookupEngine::answered, &engine,
        [&search](CLookupEngine::Ticket ticket, const QueryResult& result) {
            search.answers.at(ticket).push_back(
                {result.verdict, result.server, result.rememberedAt});
        },
        Qt::DirectConnection);
    QObject::connect(&engine, &CLookupEngine::finished, &loop, [&] {
        search.finished = true;
        loop.quit();
    });
    QTimer::singleShot(kLongestRunMilliseconds, &loop, &QEventLoop::quit);

    QElapsedTimer elapsed;
    elapsed.start();
    for (qsizetype ticket = 0; ticket < names.size(); ++ticket) {
        engine.Ask(static_cast<CLookupEngine::Ticket>(ticket), names[ticket]);
    }
    loop.exec();
    engine.FinishStoring();
    search.seconds = static_cast<double>(elapsed.nsecsElapsed()) / 1e9;
    search.remembered = engine.Remembered();
    for (const std::string& notice : engine.TakeStoreNotices()) {
        std::fprintf(stderr, "store: %s\n", notice.c_str());
    }
    engine.Stop();
    return search;
}

struct Checked
{
    int lost = 0;
    int wrong = 0;
};

Checked Check(const Search& search, const QList<QByteArray>& names)
{
    Checked checked;
    for (qsizetype ticket = 0; ticket < names.size(); ++ticket) {
        const std::vector<Answer>& given = search.answers[static_cast<std::size_t>(ticket)];
        if (given.size() != 1) {
            ++checked.lost;
        } else if (given.front().verdict != TrueVerdict(names[ticket])) {
            ++checked.wrong;
        }
    }
    return checked;
}

std::int64_t Now()
{
    return QDateTime::currentSecsSinceEpoch();
}

// The store's size on disk with its log, should one be left.
std::int64_t BytesOnDisk(const std::string& path)
{
    std::int64_t bytes = 0;
    for (const std::string& file : {path, path + "-wal"}) {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(file, error);
        bytes += error ? 0 : static_cast<std::int64_t>(size);
    }
    return bytes;
}

// Every row of the store, older answers of a name too, read behind the store's back so that a
// row written twice is counted twice.
std::int64_t AnswersInFile(const std::string& path)
{
    sqlite3* database = nullptr;
    std::int64_t count = -1;
    if (sqlite3_open_v2(path.c_str(), &database, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(database, "SELECT count(*) FROM answers", -1, &statement, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            count = sqlite3_column_int64(statement, 0);
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(database);
    return count;
}

void PrintSize(const char* label, const std::string& path)
{
    const std::int64_t bytes = BytesOnDisk(path);
    const std::int64_t answers = AnswersInFile(path);
    std::printf("%s_file_bytes %lld\n%s_file_answers %lld\n", label, static_cast<long long>(bytes),
                label, static_cast<long long>(answers));
    std::printf("%s_bytes_per_answer %.1f\n", label,
                answers > 0 ? static_cast<double>(bytes) / static_cast<double>(answers) : 0.0);
}

bool RememberedCase(const QTemporaryDir& folder)
{
    const QList<QByteArray> names = RememberedCaseNames();
    QList<RegistrySimulator::ServerSpec> servers;
    for (const QByteArray& suffix : kSuffixes) {
        servers.append(PacedServer(suffix));
    }

    // A fresh simulator per run: no budget window carries over from the last one.
    Search without;
    {
        const RegistrySimulator simulator(servers);
        without =
            Run(Options(simulator, Pace::Given, Store::Without, folder.filePath("unused.sqlite")),
                names);
    }

    const std::string path = folder.filePath("remembered.sqlite").toStdString();
    const RegistrySimulator simulator(servers);
    std::vector<std::optional<StoredAnswer>> stored(static_cast<std::size_t>(names.size()));
    {
        AnswerStore store(path);
        const std::int64_t now = Now();
        std::vector<StoredAnswer> answers;
        for (qsizetype index = 0; index < names.size(); ++index) {
            if (!WasStored(index)) {
                continue;
            }
            const QByteArray& name = names[index];
            const qsizetype server = index % kSuffixes.size();
            StoredAnswer answer{name.toStdString(), now - kStoredAgoSeconds, TrueVerdict(name),
                                std::string(),
                                simulator.Address(static_cast<int>(server)).toStdString()};
            stored[static_cast<std::size_t>(index)] = answer;
            answers.push_back(std::move(answer));
        }
        if (!store.Open(now) || !store.Add(answers)) {
            std::fprintf(stderr, "bench_answer_store: the store could not be filled\n");
            for (const std::string& notice : store.TakeNotices()) {
                std::fprintf(stderr, "store: %s\n", notice.c_str());
            }
            return false;
        }
    }
    const Search with =
        Run(Options(simulator, Pace::Given, Store::With, QString::fromStdString(path)), names);
    int queries = 0;
    for (int server = 0; server < simulator.ServerCount(); ++server) {
        queries += simulator.QueryCount(server);
    }

    // A remembered answer must be the stored one to the second and the server; a name stored
    // fresh and asked again is counted apart, as a saving missed.
    int rememberedWrong = 0;
    int askedAgain = 0;
    for (std::size_t index = 0; index < stored.size(); ++index) {
        const std::vector<Answer>& given = with.answers[index];
        if (given.size() != 1) {
            continue;
        }
        const Answer& answer = given.front();
        if (!stored[index]) {
            rememberedWrong += answer.rememberedAt ? 1 : 0;
        } else if (!answer.rememberedAt) {
            ++askedAgain;
        } else {
            rememberedWrong += *answer.rememberedAt != stored[index]->answeredAt ||
                                       answer.verdict != stored[index]->verdict ||
                                       answer.server != stored[index]->server
                                   ? 1
                                   : 0;
        }
    }
    const Checked withChecked = Check(with, names);
    const Checked withoutChecked = Check(without, names);

    std::printf("remembered_names %d\nremembered_stored %d\n", static_cast<int>(names.size()),
                static_cast<int>(std::ranges::count_if(
                    stored, [](const auto& answer) { return answer.has_value(); })));
    std::printf("remembered_without_store_seconds %.3f\n", without.seconds);
    std::printf("remembered_with_store_seconds %.3f\n", with.seconds);
    std::printf("remembered_speedup %.2f\n", without.seconds / with.seconds);
    std::printf("remembered_with_store_remembered %d\n", with.remembered);
    std::printf("remembered_with_store_queries %d\n", queries);
    std::printf("remembered_with_store_asked_again %d\n", askedAgain);
    std::printf("remembered_lost %d\n", withChecked.lost + withoutChecked.lost);
    std::printf("remembered_wrong %d\n",
                withChecked.wrong + withoutChecked.wrong + rememberedWrong);
    std::printf("remembered_with_store_rows_after %lld\n",
                static_cast<long long>(AnswersInFile(path)));
    std::printf("remembered_finished %d\n", without.finished && with.finished ? 1 : 0);
    std::fflush(stdout);
    return without.finished && with.finished;
}

bool NewCase(const QTemporaryDir& folder)
{
    QList<QByteArray> names;
    names.reserve(kNewCaseNames);
    for (int number = 0; number < kNewCaseNames; ++number) {
        names.append(Label(number) + ".com");
    }
    RegistrySimulator::ServerSpec instant;
    instant.suffix = "com";
    const std::string path = folder.filePath("new.sqlite").toStdString();

    Search without;
    {
        const RegistrySimulator simulator({instant});
        without =
            Run(Options(simulator, Pace::None, Store::Without, folder.filePath("unused.sqlite")),
                names);
    }
    const RegistrySimulator simulator({instant});
    const Search with =
        Run(Options(simulator, Pace::None, Store::With, QString::fromStdString(path)), names);

    // What a later search would find: the newest answer of every name, as it was given.
    int storedWrong = 0;
    {
        AnswerStore store(path);
        store.Open(Now());
        std::vector<std::string> asked;
        asked.reserve(static_cast<std::size_t>(names.size()));
        for (const QByteArray& name : names) {
            asked.push_back(name.toStdString());
        }
        const std::vector<std::optional<StoredAnswer>> found = store.Newest(asked);
        for (std::size_t index = 0; index < found.size(); ++index) {
            const std::vector<Answer>& given = with.answers[index];
            storedWrong += !found[index] || given.size() != 1 ||
                                   found[index]->verdict != given.front().verdict ||
                                   found[index]->server != given.front().server
                               ? 1
                               : 0;
        }
    }
    const Checked withChecked = Check(with, names);
    const Checked withoutChecked = Check(without, names);

    std::printf("new_names %d\n", static_cast<int>(names.size()));
    std::printf("new_without_store_seconds %.3f\n", without.seconds);
    std::printf("new_with_store_seconds %.3f\n", with.seconds);
    std::printf("new_cost_ratio %.3f\n", with.seconds / without.seconds);
    std::printf("new_lost %d\n", withChecked.lost + withoutChecked.lost);
    std::printf("new_wrong %d\n", withChecked.wrong + withoutChecked.wrong);
    std::printf("new_stored_wrong %d\n", storedWrong);
    PrintSize("new", path);
    std::printf("new_finished %d\n", without.finished && with.finished ? 1 : 0);
    std::fflush(stdout);
    return without.finished && with.finished;
}

// Generated names as a search of keywords and extensions leaves them, each at its registry's
// server, or "DNS" for a name found there first.
bool SizeCase(const QTemporaryDir& folder)
{
    static constexpr std::array kKeywords{
        "sunset", "harbor", "pixel",  "maple",  "rocket",  "velvet", "summit", "cobalt",
        "lumen",  "orchid", "falcon", "meadow", "quartz",  "nimbus", "ember",  "tundra",
        "willow", "cipher", "atlas",  "breeze", "canyon",  "dynamo", "echo",   "fjord",
        "garnet", "helix",  "indigo", "jasper", "kettle",  "lagoon", "mosaic", "nectar",
        "onyx",   "prism",  "quill",  "ripple", "saffron", "tango",  "uplift", "vertex"};
    struct Extension
    {
        const char* suffix;
        const char* server;
        int share; // of 20
    };
    static constexpr std::array kExtensions{
        Extension{"com", "whois.verisign-grs.com:43", 10},
        Extension{"net", "whois.verisign-grs.com:43", 3},
        Extension{"org", "whois.publicinterestregistry.org:43", 3},
        Extension{"io", "whois.nic.io:43", 2},
        Extension{"de", "whois.denic.de:43", 2},
    };
    std::vector<const Extension*> extensionOfTwenty;
    for (const Extension& extension : kExtensions) {
        extensionOfTwenty.insert(extensionOfTwenty.end(), static_cast<std::size_t>(extension.share),
                                 &extension);
    }

    const std::string path = folder.filePath("million.sqlite").toStdString();
    const std::int64_t now = Now();
    QElapsedTimer elapsed;
    elapsed.start();
    {
        AnswerStore store(path);
        if (!store.Open(now)) {
            std::fprintf(stderr, "bench_answer_store: the store could not be opened\n");
            return false;
        }
        std::vector<StoredAnswer> batch;
        batch.reserve(kAnswersPerAdd);
        for (int number = 0; number < kSizeCaseAnswers; ++number) {
            // Each keyword with a number of its own: no name comes twice.
            const std::size_t keyword = static_cast<std::size_t>(number) % kKeywords.size();
            const int serial = number / static_cast<int>(kKeywords.size());
            const Extension& extension =
                *extensionOfTwenty[static_cast<std::size_t>(number / 7) % 20];
            StoredAnswer answer;
            answer.name = kKeywords[keyword] + std::to_string(serial) + "." + extension.suffix;
            // One answer every two seconds, over the last three weeks and a bit.
            answer.answeredAt = now - (kSizeCaseAnswers - number) * 2;
            answer.server = extension.server;
            switch (number % 100) {
            case 0:
            case 1:
                answer.reason = "No verdict in the reply";
                break;
            case 2:
            case 3:
            case 4:
                answer.verdict = DomainStatus::InformationMissing;
                break;
            default:
                answer.verdict = number % 100 < 40 ? DomainStatus::Available : DomainStatus::Taken;
                if (answer.verdict == DomainStatus::Taken && number % 4 == 0) {
                    answer.server = "DNS";
                }
                break;
            }
            batch.push_back(std::move(answer));
            if (batch.size() == kAnswersPerAdd) {
                if (!store.Add(batch)) {
                    std::fprintf(stderr, "bench_answer_store: an Add failed\n");
                    return false;
                }
                batch.clear();
            }
        }
        if (!batch.empty() && !store.Add(batch)) {
            std::fprintf(stderr, "bench_answer_store: an Add failed\n");
            return false;
        }
    }
    const double seconds = static_cast<double>(elapsed.nsecsElapsed()) / 1e9;
    std::printf("million_answers %d\nmillion_add_seconds %.3f\nmillion_answers_per_second %.0f\n",
                kSizeCaseAnswers, seconds, kSizeCaseAnswers / seconds);
    PrintSize("million", path);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption caseOption(QStringLiteral("case"),
                                        QStringLiteral("remembered, new or size; repeatable."),
                                        QStringLiteral("CASE"));
    parser.addOption(caseOption);
    parser.addHelpOption();
    parser.process(application);
    QStringList cases = parser.values(caseOption);
    if (cases.isEmpty()) {
        cases = {QStringLiteral("remembered"), QStringLiteral("new"), QStringLiteral("size")};
    }

    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "bench_answer_store: no temporary folder: %s\n",
                     qPrintable(folder.errorString()));
        return 1;
    }
    bool complete = true;
    for (const QString& name : cases) {
        if (name == QLatin1String("remembered")) {
            complete = RememberedCase(folder) && complete;
        } else if (name == QLatin1String("new")) {
            complete = NewCase(folder) && complete;
        } else if (name == QLatin1String("size")) {
            complete = SizeCase(folder) && complete;
        } else {
            std::fprintf(stderr, "bench_answer_store: no case \"%s\"\n", qPrintable(name));
            return 2;
        }
    }
    return complete ? 0 : 1;
}
