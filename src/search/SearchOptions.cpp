#include "SearchOptions.h"

#include <QCommandLineParser>
#include <QStandardPaths>
#include <QUrl>
#include <map>

namespace {

const QString kWhoisServer = QStringLiteral("whois-server");
const QString kRdapServer = QStringLiteral("rdap-server");
const QString kJobs = QStringLiteral("jobs");
const QString kPace = QStringLiteral("pace");
const QString kOneAtATime = QStringLiteral("one-at-a-time");
const QString kDnsServer = QStringLiteral("dns-server");
const QString kNoDns = QStringLiteral("no-dns");
const QString kMaxAge = QStringLiteral("max-age");
const QString kNoStore = QStringLiteral("no-store");

constexpr int kMostJobs = 256;

} // namespace

std::string DefaultAnswerStorePath()
{
    return (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
            QStringLiteral("/qirv/answers.sqlite"))
        .toStdString();
}

std::string FullHelp(const CommandOption& option)
{
    std::string help = option.help;
    if (!option.defaultValue.empty()) {
        const bool fullStop = help.ends_with('.');
        help.resize(help.size() - (fullStop ? 1 : 0));
        help += " (default " + option.defaultValue + ")" + (fullStop ? "." : "");
    }
    return option.repeatable ? help + " Repeatable." : help;
}

QCommandLineOption ParserOption(const CommandOption& option)
{
    return QCommandLineOption(QString::fromStdString(option.name),
                              QString::fromStdString(FullHelp(option)),
                              QString::fromStdString(option.valueName));
}

const std::vector<CommandOption>& SearchOptionTable()
{
    static const std::vector<CommandOption> table{
        {kWhoisServer.toStdString(), "[.SUFFIX=]HOST[:PORT]",
         "Send queries to this whois server instead of the registry's: with .SUFFIX= only names "
         "ending in SUFFIX (one server for each SUFFIX), without it every other name.",
         "", true},
        {kRdapServer.toStdString(), "[.SUFFIX=]URL",
         "Send RDAP queries to this base URL instead of the registry's: with .SUFFIX= names "
         "ending in SUFFIX (one server for each SUFFIX), without it every name whose registry is "
         "asked over RDAP (such as .info or .dev).",
         "", true},
        {kDnsServer.toStdString(), "HOST[:PORT]",
         "Look names up in DNS at this server (an IP address; port 53 by default) instead of the "
         "system's resolvers.",
         "", true},
        {kNoDns.toStdString(), "",
         "Ask the registries alone. Without it a name whose NS records are in DNS is Taken "
         "without asking its registry; DNS never says a name is free."},
        {kMaxAge.toStdString(), "taken=AGE,available=AGE",
         "Answer a name from the store of earlier answers while its last answer is younger than "
         "this: taken for Taken and Information Missing, available for Available!; AGE is a "
         "number and s, m, h or d. No Answer is always asked again.",
         "taken=30d,available=1h"},
        {kNoStore.toStdString(), "",
         "Neither read nor write the store of earlier answers (" + DefaultAnswerStorePath() + ")."},
        {kJobs.toStdString(), "N", "Ask at most N queries at once, each to a different server.",
         std::to_string(SearchOptions().scheduling.jobs)},
        {kPace.toStdString(), "SERVER=N/S",
         "Send at most N queries in any S seconds to SERVER (its host, or host:port, as queries "
         "go to it).",
         "", true},
        {kOneAtATime.toStdString(), "",
         "Ask one name at a time, in list order, whatever the server."},
    };
    return table;
}

bool IsWebAddress(const QString& value)
{
    const QUrl url(value, QUrl::StrictMode);
    return url.isValid() && (url.scheme() == "http" || url.scheme() == "https") &&
           !url.host().isEmpty();
}

void AddSearchOptions(QCommandLineParser& parser)
{
    for (const CommandOption& option : SearchOptionTable()) {
        parser.addOption(ParserOption(option));
    }
}

std::optional<SearchOptions> ReadSearchOptions(const QCommandLineParser& parser, QString& error)
{
    SearchOptions options;
    // Each suffix may be given one server, of either protocol: of two, one would be ignored
    // without a word.
    std::map<std::string, QString> suffixGivenBy;
    const auto secondForSuffix = [&](const std::string& suffix, const QString& given) {
        if (suffix.empty()) {
            return false;
        }
        const auto [earlier, isFirst] = suffixGivenBy.try_emplace(suffix, given);
        if (!isFirst) {
            error = QStringLiteral("Two servers for %1: \"%2\" and \"%3\"")
                        .arg(QString::fromStdString(suffix), earlier->second, given);
        }
        return !isFirst;
    };
    for (const QString& value : parser.values(kWhoisServer)) {
        std::optional<SuffixChoice> choice = ReadSuffixChoice(value.toStdString());
        std::optional<ServerAddress> server =
            choice ? ParseServerAddress(choice->value) : std::nullopt;
        if (!choice || !server) {
            error = QStringLiteral("Not a server address: \"%1\"").arg(value);
            return std::nullopt;
        }
        if (secondForSuffix(choice->suffix, "--" + kWhoisServer + ' ' + value)) {
            return std::nullopt;
        }
        options.routes.AddWhoisServer(std::move(choice->suffix), std::move(*server));
    }
    for (const QString& value : parser.values(kRdapServer)) {
        std::optional<SuffixChoice> choice = ReadSuffixChoice(value.toStdString());
        if (!choice || !IsWebAddress(QString::fromStdString(choice->value))) {
            error = QStringLiteral("Not an http or https URL: \"%1\"").arg(value);
            return std::nullopt;
        }
        if (secondForSuffix(choice->suffix, "--" + kRdapServer + ' ' + value)) {
            return std::nullopt;
        }
        options.routes.AddRdapServer(std::move(choice->suffix), std::move(choice->value));
    }
    if (parser.isSet(kJobs)) {
        bool isNumber = false;
        const int jobs = parser.value(kJobs).toInt(&isNumber);
        if (!isNumber || jobs < 1 || jobs > kMostJobs) {
            error = QStringLiteral("Not a number of jobs from 1 to %1: \"%2\"")
                        .arg(kMostJobs)
                        .arg(parser.value(kJobs));
            return std::nullopt;
        }
        options.scheduling.jobs = jobs;
    }
    for (const QString& value : parser.values(kPace)) {
        const qsizetype equals = value.lastIndexOf('=');
        const std::optional<QueryBudget> budget =
            equals > 0 ? ParseQueryBudget(value.mid(equals + 1).toStdString()) : std::nullopt;
        if (!budget) {
            error = QStringLiteral("Not a pace SERVER=N/S: \"%1\"").arg(value);
            return std::nullopt;
        }
        options.scheduling.budgets[value.left(equals).toLower().toStdString()] = *budget;
    }
    for (const QString& value : parser.values(kDnsServer)) {
        const std::string text = value.toStdString();
        std::optional<ServerAddress> server = ParseServerAddress(text);
        if (!server) {
            error = QStringLiteral("Not a DNS server address: \"%1\"").arg(value);
            return std::nullopt;
        }
        // The address reader's default port is whois's.
        const bool portGiven = text.rfind(':') != std::string::npos &&
                               (text.starts_with('[') ? text.find("]:") != std::string::npos
                                                      : text.find(':') == text.rfind(':'));
        if (!portGiven) {
            server->port = QueryLimits::kDnsPort;
        }
        options.dnsServers.push_back(std::move(*server));
    }
    options.askDnsFirst = !parser.isSet(kNoDns);
    if (parser.isSet(kMaxAge)) {
        const std::optional<AnswerAges> ages = ParseAnswerAges(parser.value(kMaxAge).toStdString());
        if (!ages) {
            error = QStringLiteral("Not ages taken=AGE,available=AGE: \"%1\"")
                        .arg(parser.value(kMaxAge));
            return std::nullopt;
        }
        options.answerAges = *ages;
    }
    options.rememberAnswers = !parser.isSet(kNoStore);
    options.answerStorePath = DefaultAnswerStorePath();
    options.scheduling.oneAtATime = parser.isSet(kOneAtATime);
    return options;
}
