#include "SearchOptions.h"

#include <QCommandLineParser>
#include <QUrl>

namespace {

const QString kWhoisServer = QStringLiteral("whois-server");
const QString kRdapServer = QStringLiteral("rdap-server");
const QString kJobs = QStringLiteral("jobs");
const QString kPace = QStringLiteral("pace");
const QString kOneAtATime = QStringLiteral("one-at-a-time");

constexpr int kMostJobs = 256;

// ".com=VALUE" gives ".com" and VALUE; a value without a leading "." has no suffix. The suffix
// is kept in lower case: names are compared without regard to case.
std::pair<std::string, QString> SplitSuffix(const QString& value)
{
    const qsizetype equals = value.indexOf('=');
    if (!value.startsWith('.') || equals < 0) {
        return {{}, value};
    }
    return {value.left(equals).toLower().toStdString(), value.mid(equals + 1)};
}

bool IsSuffix(const std::string& suffix)
{
    return suffix.size() > 1 && suffix.find('/') == std::string::npos &&
           suffix.find(':') == std::string::npos && suffix.find("..") == std::string::npos &&
           suffix.back() != '.';
}

} // namespace

bool IsWebAddress(const QString& value)
{
    const QUrl url(value, QUrl::StrictMode);
    return url.isValid() && (url.scheme() == "http" || url.scheme() == "https") &&
           !url.host().isEmpty();
}

void AddSearchOptions(QCommandLineParser& parser)
{
    parser.addOption(QCommandLineOption(
        kWhoisServer,
        QStringLiteral("Send queries to this whois server instead of the registry's: with "
                       ".SUFFIX= only names ending in SUFFIX, without it every other name. "
                       "Repeatable."),
        QStringLiteral("[.SUFFIX=]HOST[:PORT]")));
    parser.addOption(QCommandLineOption(
        kRdapServer,
        QStringLiteral("Send RDAP queries to this base URL instead of the registry's: with "
                       ".SUFFIX= names ending in SUFFIX, without it every name whose registry "
                       "is asked over RDAP (such as .info or .dev). Repeatable."),
        QStringLiteral("[.SUFFIX=]URL")));
    parser.addOption(QCommandLineOption(
        kJobs,
        QStringLiteral("Ask at most N queries at once, each to a different server (default %1).")
            .arg(kDefaultSearchJobs),
        QStringLiteral("N")));
    parser.addOption(QCommandLineOption(
        kPace,
        QStringLiteral("Send at most N queries in any S seconds to SERVER (its host, or "
                       "host:port, as queries go to it). Repeatable."),
        QStringLiteral("SERVER=N/S")));
    parser.addOption(QCommandLineOption(
        kOneAtATime,
        QStringLiteral("Ask one name at a time, in list order, whatever the server.")));
}

std::optional<SearchOptions> ReadSearchOptions(const QCommandLineParser& parser, QString& error)
{
    SearchOptions options;
    for (const QString& value : parser.values(kWhoisServer)) {
        auto [suffix, address] = SplitSuffix(value);
        std::optional<ServerAddress> server = ParseServerAddress(address.toStdString());
        if (!server || (!suffix.empty() && !IsSuffix(suffix))) {
            error = QStringLiteral("Not a server address: \"%1\"").arg(value);
            return std::nullopt;
        }
        options.routes.AddWhoisServer(std::move(suffix), std::move(*server));
    }
    for (const QString& value : parser.values(kRdapServer)) {
        auto [suffix, url] = SplitSuffix(value);
        if (!IsWebAddress(url) || (!suffix.empty() && !IsSuffix(suffix))) {
            error = QStringLiteral("Not an http or https URL: \"%1\"").arg(value);
            return std::nullopt;
        }
        options.routes.AddRdapServer(std::move(suffix), url.toStdString());
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
    options.scheduling.oneAtATime = parser.isSet(kOneAtATime);
    return options;
}
