#include "CliCommands.h"

#include "query/core/QueryLimits.h"
#include "query/core/QueryResult.h"
#include "text/InputFile.h"
#include "version/QirvVersion.h"
#include "whois/core/ReplyReadingLoop.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <sstream>

namespace {

constexpr std::size_t kHelpWidth = 90;
// Where a command's summary begins in the usage text, and its options.
constexpr std::size_t kSummaryColumn = 24;
constexpr std::size_t kOptionsIndent = 6;
constexpr std::string_view kNoVerdict = "No verdict";

// At most `limit` bytes of the stream: what lies past it is never needed (and /dev/zero ends
// nowhere).
std::string ReadAtMost(std::istream& stream, std::size_t limit)
{
    std::string bytes(limit, '\0');
    stream.read(bytes.data(), static_cast<std::streamsize>(limit));
    bytes.resize(static_cast<std::size_t>(stream.gcount()));
    return bytes;
}

std::string ReadAtMost(InputFile& file, std::size_t limit)
{
    std::string bytes(limit, '\0');
    std::size_t read = 0;
    while (read < limit) {
        const std::size_t count = file.Read(bytes.data() + read, limit - read);
        if (count == 0) {
            break;
        }
        read += count;
    }
    bytes.resize(read);
    return bytes;
}

std::vector<std::string> ToStrings(const QStringList& texts)
{
    std::vector<std::string> strings;
    strings.reserve(static_cast<std::size_t>(texts.size()));
    for (const QString& text : texts) {
        strings.push_back(text.toStdString());
    }
    return strings;
}

CommandOption FormatOption(const char* tsv)
{
    return {"format", "FORMAT",
            std::string("Print tsv (the default: ") + tsv +
                "), csv (rows of an exported list: name, status, checked, server, time, reason, a "
                "header first) or json (the same fields, one object a line)."};
}

// The search options, then those of one command.
std::vector<CommandOption> WithSearchOptions(std::initializer_list<CommandOption> own)
{
    std::vector<CommandOption> options = SearchOptionTable();
    options.insert(options.end(), own);
    return options;
}

// One command of qirv-cli: what both helps say of it, its options and arguments for the parser,
// and what it does with them.
struct Command
{
    const char* name;
    const char* arguments; // for the usage lines
    std::string summary;
    std::vector<CommandOption> options;
    std::function<int(const QCommandLineParser&)> run;
};

std::optional<std::string> ValueOf(const QCommandLineParser& parser, const char* name)
{
    const QString option = QString::fromLatin1(name);
    return parser.isSet(option) ? std::optional(parser.value(option).toStdString()) : std::nullopt;
}

int RunCheck(const QCommandLineParser& parser)
{
    QString error;
    std::optional<SearchOptions> options = ReadSearchOptions(parser, error);
    if (!options) {
        return UsageError("check: " + error.toStdString());
    }
    UseRegistryList(*options, "check");
    CheckRequest request;
    if (const std::optional<std::string> format = ValueOf(parser, "format")) {
        const std::optional<OutputFormat> named = OutputFormatNamed(*format);
        if (!named) {
            return UsageError("check: --format is tsv, csv or json, not \"" + *format + "\"");
        }
        request.format = *named;
    }
    request.inputFile = ValueOf(parser, "input");
    if (!parser.isSet(QStringLiteral("no-update"))) {
        RefreshOldRegistryList(*options);
    }
    return RunCheckCommand(*options, ToStrings(parser.positionalArguments()), request);
}

int RunHistory(const QCommandLineParser& parser)
{
    OutputFormat format = OutputFormat::Tsv;
    if (const std::optional<std::string> name = ValueOf(parser, "format")) {
        const std::optional<OutputFormat> named = OutputFormatNamed(*name);
        if (!named) {
            return UsageError("history: --format is tsv, csv or json, not \"" + *name + "\"");
        }
        format = *named;
    }
    return RunHistoryCommand(DefaultAnswerStorePath(), ToStrings(parser.positionalArguments()),
                             format);
}

int RunServer(const QCommandLineParser& parser)
{
    QString error;
    std::optional<SearchOptions> options = ReadSearchOptions(parser, error);
    if (!options) {
        return UsageError("server: " + error.toStdString());
    }
    return RunServerCommand(std::move(*options), ToStrings(parser.positionalArguments()));
}

int RunServers(const QCommandLineParser& parser)
{
    if (!parser.positionalArguments().isEmpty()) {
        return UsageError("servers: unexpected argument \"" +
                          parser.positionalArguments().constFirst().toStdString() + "\"");
    }
    const std::optional<std::string> url = ValueOf(parser, "url");
    const bool update = parser.isSet(QStringLiteral("update"));
    if (parser.isSet(QStringLiteral("coverage"))) {
        if (update) {
            return UsageError("servers: --coverage and --update are separate runs");
        }
        return RunCoverageCommand();
    }
    if (url && !update) {
        return UsageError("servers: --url goes with --update");
    }
    if (url && !IsWebAddress(QString::fromStdString(*url))) {
        return UsageError("servers: not an http or https URL: \"" + *url + "\"");
    }
    return RunServersCommand(update, url);
}

int RunGenerate(const QCommandLineParser& parser)
{
    if (!parser.positionalArguments().isEmpty()) {
        return UsageError("generate: unexpected argument \"" +
                          parser.positionalArguments().constFirst().toStdString() + "\"");
    }
    GenerateRequest request;
    request.keywords = ValueOf(parser, "keywords");
    request.keywordsFile = ValueOf(parser, "keywords-file");
    if (request.keywords && request.keywordsFile) {
        return UsageError("generate: give --keywords or --keywords-file, not both");
    }
    // "--ext .com,.net" and "--ext .com --ext .net" alike.
    for (const QString& value : parser.values(QStringLiteral("ext"))) {
        for (const QString& extension : value.split(',', Qt::SkipEmptyParts)) {
            request.extensions.push_back(extension.trimmed().toStdString());
        }
    }
    request.combine = !parser.isSet(QStringLiteral("no-combine"));
    request.hyphens = !parser.isSet(QStringLiteral("no-hyphens"));
    request.removeSpaces = !parser.isSet(QStringLiteral("no-remove-spaces"));
    request.suffixesFile = ValueOf(parser, "suffixes");
    request.prefixesFile = ValueOf(parser, "prefixes");
    request.topWordsFile = ValueOf(parser, "top-words");
    request.useSuffixes = parser.isSet(QStringLiteral("use-suffixes"));
    request.usePrefixes = parser.isSet(QStringLiteral("use-prefixes"));
    request.useTopWords = parser.isSet(QStringLiteral("use-top-words"));
    request.countOnly = parser.isSet(QStringLiteral("count"));
    if (const std::optional<std::string> format = ValueOf(parser, "format")) {
        const std::optional<OutputFormat> named = OutputFormatNamed(*format);
        if (!named) {
            return UsageError("generate: --format is tsv, csv or json, not \"" + *format + "\"");
        }
        request.format = *named;
    }
    return RunGenerateCommand(request);
}

int RunWords(const QCommandLineParser& parser)
{
    if (parser.positionalArguments().size() != 1) {
        return UsageError("words: usage: qirv-cli words [--raw] FILE");
    }
    return RunWordsCommand(parser.positionalArguments().constFirst().toStdString(),
                           parser.isSet(QStringLiteral("raw")));
}

std::string ClassifySummary()
{
    const auto quoted = [](std::string_view text) {
        return '"' + std::string(text) + '"';
    };
    return "Read a whois reply from FILE (or standard input) and print the verdict for NAME, or "
           "for the name of the extension .TLD that the reply is about, as the registry's server "
           "for that extension is read: " +
           quoted(StatusText(DomainStatus::Available)) + ", " +
           quoted(StatusText(DomainStatus::Taken)) + ", " +
           quoted(StatusText(DomainStatus::InformationMissing)) + " or " + quoted(kNoVerdict) + ".";
}

const std::vector<Command>& Commands()
{
    static const std::vector<Command> commands{
        {"server", "NAME...",
         "Print NAME, the protocol (whois, rdap or none), the server (HOST:PORT or base URL; "
         "none) a check asks about each NAME and how its reply is read (rules SERVER: by the "
         "rules of its registry's server; general; rdap; none), a tab between them.",
         SearchOptionTable(), RunServer},
        {"servers",
         "",
         "Print which list of RDAP servers is in use; with --update, first download IANA's "
         "current list (or the one at URL) into the cache folder. A failed download keeps the "
         "list there was.",
         {
             {"update", "", "Download the current list of RDAP servers."},
             {"url", "URL", "Download it from URL instead of IANA's address."},
             {"coverage", "",
              "Print every top-level domain with its protocol, server and reading, as the "
              "server command does, and the totals on standard error."},
         },
         RunServers},
        {"classify",
         "NAME|TLD [FILE]",
         ClassifySummary(),
         {},
         [](const QCommandLineParser& parser) {
             return RunClassifyCommand(ToStrings(parser.positionalArguments()));
         }},
        {"check", "[NAME...]",
         "Ask about each NAME (or each line of standard input), several servers at once and each "
         "at its own pace, and print NAME, a tab and the result as soon as it is known. A name's "
         "leading \"www.\" is removed before it is asked.",
         WithSearchOptions({
             FormatOption("the name, a tab and the result"),
             {"input", "FILE",
              "Read the rows from FILE (\"-\": standard input): names, one a line, or a list "
              "exported as CSV or JSON. Only its checked rows without a verdict are asked; the "
              "others are printed as they are."},
             {"no-update", "",
              "Do not first download IANA's current list of RDAP servers, which a check does "
              "when the list in use is over 30 days old."},
         }),
         RunCheck},
        {"history",
         "NAME...",
         "Print every answer the store of earlier answers (" + DefaultAnswerStorePath() +
             ") holds for each NAME, newest first.",
         {FormatOption("the name, the time, the status and the server")},
         RunHistory},
        {"generate",
         "",
         "Print the candidate names for keyword lines (standard input unless given), as the "
         "window adds them to an empty list, one per line.",
         {
             {"keywords", "TEXT", "The keyword lines."},
             {"keywords-file", "FILE", "Read the keyword lines from FILE."},
             {"ext", ".com,.io,...",
              "Extensions (default .com): those of .com .net .org .info .edu .biz .ca .eu .us in "
              "this fixed order, then any other public suffix (.io .co.uk .рф) in the order "
              "given; may be repeated."},
             {"no-combine", "", "Do not combine the words of a line in every order."},
             {"no-hyphens", "", "Do not join words with hyphens."},
             {"no-remove-spaces", "", "Do not join words without spaces."},
             {"suffixes", "FILE", "Words put in front of a keyword, from FILE."},
             {"prefixes", "FILE", "Words put behind a keyword, from FILE."},
             {"top-words", "FILE", "Popular words put behind a keyword, from FILE."},
             {"use-suffixes", "", "Use suffixes.txt beside qirv-cli."},
             {"use-prefixes", "", "Use preffixes.txt beside qirv-cli."},
             {"use-top-words", "", "Use keywords.txt beside qirv-cli."},
             {"count", "", "Print only how many names there are."},
             FormatOption("the names alone"),
         },
         RunGenerate},
        {"words",
         "FILE",
         "Print the lines of a word file as the lists read it (trimmed; untrimmed with --raw).",
         {{"raw", "", "Print the lines untrimmed."}},
         RunWords},
    };
    return commands;
}

// Appends `pieces` to the last line of `text`, `gap` between them, starting a new line indented by
// `indent` wherever the next piece would pass kHelpWidth.
void AppendWrapped(std::string& text, const std::vector<std::string>& pieces, std::string_view gap,
                   std::size_t indent)
{
    std::size_t column = text.size() - (text.rfind('\n') + 1);
    bool lineStart = true;
    for (const std::string& piece : pieces) {
        if (!lineStart && column + gap.size() + piece.size() > kHelpWidth) {
            text += '\n' + std::string(indent, ' ');
            column = indent;
            lineStart = true;
        }
        if (!lineStart) {
            text += gap;
            column += gap.size();
        }
        text += piece;
        column += piece.size();
        lineStart = false;
    }
}

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream stream(text);
    for (std::string word; stream >> word;) {
        words.push_back(std::move(word));
    }
    return words;
}

// "--jobs N (default 6)", as the overview lists a command's options.
std::string OptionUsage(const CommandOption& option)
{
    return "--" + option.name + (option.valueName.empty() ? "" : " " + option.valueName) +
           (option.defaultValue.empty() ? "" : " (default " + option.defaultValue + ")") +
           (option.repeatable ? " (repeatable)" : "");
}

std::string UsageText()
{
    std::string text = "Usage: qirv-cli COMMAND [ARGUMENTS]\n"
                       "\n"
                       "Looks up domain names on their registries' whois and RDAP servers.\n"
                       "\n"
                       "Commands:\n";
    for (const Command& command : Commands()) {
        std::string entry = std::string("  ") + command.name +
                            (command.options.empty() ? "" : " [OPTIONS]") +
                            (*command.arguments ? " " : "") + command.arguments;
        entry += entry.size() + 2 <= kSummaryColumn
                     ? std::string(kSummaryColumn - entry.size(), ' ')
                     : '\n' + std::string(kSummaryColumn, ' ');
        AppendWrapped(entry, Words(command.summary), " ", kSummaryColumn);
        if (!command.options.empty()) {
            std::vector<std::string> options;
            for (const CommandOption& option : command.options) {
                options.push_back(OptionUsage(option));
            }
            entry += '\n' + std::string(kOptionsIndent, ' ');
            AppendWrapped(entry, options, "   ", kOptionsIndent);
        }
        text += entry + '\n';
    }
    return text + "\n"
                  "Options:\n"
                  "  -h, --help                  Show this help; after a command, that "
                  "command's help.\n"
                  "  -v, --version               Show the version.\n"
                  "\n"
                  "Options take their value as \"--option VALUE\" or \"--option=VALUE\"; \"--\" "
                  "ends them.\n"
                  "A command's options may come before it: \"qirv-cli --jobs 2 check a.com\".\n"
                  "Exit status: 0 when every name got a verdict, 1 otherwise, 2 for bad usage.\n";
}

int RunCommand(const Command& command, const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromStdString(command.summary));
    // Not addHelpOption: its --help-all offers Qt's own options, which qirv-cli does not take.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    for (const CommandOption& option : command.options) {
        parser.addOption(ParserOption(option));
    }
    if (*command.arguments) {
        parser.addPositionalArgument(QString::fromLatin1(command.arguments), {});
    }
    if (!parser.parse(QStringList{QStringLiteral("qirv-cli")} + arguments)) {
        return UsageError(std::string(command.name) + ": " + parser.errorText().toStdString() +
                          "\nTry 'qirv-cli " + command.name + " --help'.");
    }
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        // The parser names the program as it was started; the usage line names the command.
        const QString start = QStringLiteral("Usage: ");
        const qsizetype programEnd = text.indexOf(' ', start.size());
        text.replace(start.size(), programEnd - start.size(),
                     QStringLiteral("qirv-cli ") + QString::fromLatin1(command.name));
        std::fputs(qPrintable(text), stdout);
        return kExitSuccess;
    }
    return command.run(parser);
}

void PrintUsage(std::FILE* stream)
{
    std::fputs(UsageText().c_str(), stream);
}

} // namespace

int RunClassifyCommand(const std::vector<std::string>& arguments)
{
    if (arguments.empty() || arguments.size() > 2) {
        std::fputs("qirv-cli classify: usage: qirv-cli classify TLD [FILE]\n", stderr);
        return kExitUsage;
    }
    // One byte past the bound is enough to know the reply is too long for a verdict.
    constexpr std::size_t kLongestReply = QueryLimits::kMaxReplyBytes + 1;
    std::string reply;
    if (arguments.size() == 2) {
        // Opened as every file is: a named pipe or a device is refused at once. A longer reply is
        // read to its bound, as it would be over the network.
        InputFile file;
        if (file.Open(arguments[1])) {
            reply = ReadAtMost(file, kLongestReply);
        }
        if (file.Failed() != InputFile::Failure::None) {
            std::cerr << "qirv-cli classify: cannot read " << arguments[1] << ": " << file.Reason()
                      << '\n';
            return kExitUsage;
        }
    } else {
        reply = ReadAtMost(std::cin, kLongestReply);
    }
    std::string_view nameOrTld = arguments[0];
    if (nameOrTld.starts_with('.')) {
        nameOrTld.remove_prefix(1);
    }
    const AskedName name =
        nameOrTld.find('.') == std::string_view::npos
            ? NameTheReplyIsAbout(nameOrTld, reply)
            : AskedName(
                  std::string(nameOrTld),
                  QUrl::fromAce(QByteArray::fromStdString(std::string(nameOrTld))).toStdString());
    // A reply past the size bound gets no verdict, as it would over the network.
    const ReplyReadingLoop::Result result = ClassifyWholeReply(name, reply);
    if (result.outcome == ReplyReadingLoop::Outcome::Refused) {
        std::cout << "Query refused: " << result.words << '\n';
        return kExitSomeFailed;
    }
    if (result.outcome != ReplyReadingLoop::Outcome::Verdict) {
        std::cout << kNoVerdict;
        if (result.outcome == ReplyReadingLoop::Outcome::NoVerdict &&
            result.words != kNoVerdictInReply) {
            std::cout << ": " << result.words;
        }
        std::cout << '\n';
        return kExitSomeFailed;
    }
    std::cout << StatusText(result.status) << '\n';
    return kExitSuccess;
}

int RunCli(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty()) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    // Options given before the command belong to it: "qirv-cli --jobs 2 check a.com".
    if (arguments.first().startsWith('-') && arguments.first() != "-h" &&
        arguments.first() != "--help" && arguments.first() != "-v" &&
        arguments.first() != "--version") {
        const auto isCommand = [](const QString& argument) {
            const auto& known = Commands();
            return std::any_of(known.begin(), known.end(), [&](const Command& candidate) {
                return argument == QLatin1String(candidate.name);
            });
        };
        const auto found = std::find_if(arguments.begin(), arguments.end(), isCommand);
        if (found != arguments.end()) {
            std::rotate(arguments.begin(), found, found + 1);
        }
    }
    const QString command = arguments.takeFirst();
    if (command == "-h" || command == "--help" || command == "help") {
        PrintUsage(stdout);
        return kExitSuccess;
    }
    if (command == "-v" || command == "--version") {
        std::cout << "qirv-cli " << kQirvVersion << '\n';
        return kExitSuccess;
    }
    for (const Command& known : Commands()) {
        if (command == QLatin1String(known.name)) {
            return RunCommand(known, arguments);
        }
    }
    std::cerr << "qirv-cli: unknown command \"" << command.toStdString() << "\"\n\n";
    PrintUsage(stderr);
    return kExitUsage;
}
