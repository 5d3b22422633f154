#pragma once

#include "query/core/QueryLimits.h"
#include "registry/core/ServerRoutes.h"
#include "search/core/SearchScheduler.h"
#include "store/core/AnswerAges.h"

#include <QString>
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QCommandLineOption;
class QCommandLineParser;

// How a search asks: which servers (the registries', or the user's for some or all suffixes),
// how many queries at once, at what pace. Both programs take the same options,
// SearchOptionTable().
struct SearchOptions
{
    ServerRoutes routes;
    SearchScheduler::Settings scheduling;
    std::chrono::milliseconds connectTimeout = QueryLimits::kConnectTimeout;
    std::chrono::milliseconds replyTimeout = QueryLimits::kReplyTimeout;
    // Whether names are looked up in DNS before their registry is asked. The programs turn it on
    // unless told otherwise ("--no-dns", the window's setting); an engine made without options
    // asks the registries alone.
    bool askDnsFirst = false;
    // Empty: the system's resolvers.
    std::vector<ServerAddress> dnsServers;
    std::chrono::milliseconds dnsTimeout = QueryLimits::kDnsTimeout;
    // Whether answers of earlier searches stand in for queries while they are fresh, and every
    // answer is kept for the searches to come. The programs turn it on unless told otherwise
    // ("--no-store", the window's setting), in the file DefaultAnswerStorePath() names.
    bool rememberAnswers = false;
    std::string answerStorePath;
    AnswerAges answerAges;
};

// $XDG_DATA_HOME/qirv/answers.sqlite (~/.local/share/qirv/answers.sqlite).
std::string DefaultAnswerStorePath();

// One option of a command line, as its parser and every help text that lists it read it.
struct CommandOption
{
    CommandOption(std::string optionName, std::string optionValueName, std::string optionHelp,
                  std::string optionDefault = {}, bool optionRepeatable = false)
        : name(std::move(optionName)), valueName(std::move(optionValueName)),
          help(std::move(optionHelp)), defaultValue(std::move(optionDefault)),
          repeatable(optionRepeatable)
    {}

    std::string name;      // without the "--"
    std::string valueName; // empty for an option without a value
    std::string help;      // whole sentences, without the default and "Repeatable."
    std::string defaultValue;
    bool repeatable = false;
};

// The help the parser shows: `help`, with the default in parentheses before its last full stop,
// and "Repeatable." after it for an option that may be given again.
std::string FullHelp(const CommandOption& option);
QCommandLineOption ParserOption(const CommandOption& option);

// --whois-server, --rdap-server, --dns-server, --no-dns, --max-age, --no-store, --jobs, --pace and
// --one-at-a-time, each default the one a search takes when the option is not given.
const std::vector<CommandOption>& SearchOptionTable();

void AddSearchOptions(QCommandLineParser& parser);

// Whether `value` is an http or https URL with a host.
bool IsWebAddress(const QString& value);

// The options as given; nothing, with `error` naming the value that cannot be used.
std::optional<SearchOptions> ReadSearchOptions(const QCommandLineParser& parser, QString& error);
