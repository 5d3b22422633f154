#include "CliCommands.h"

#include "version/QirvVersion.h"
#include "whois/core/ReplyReadingLoop.h"
#include "whois/core/WhoisServerTable.h"

#include <QCoreApplication>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace {

constexpr const char* kUsage =
    "Usage: qirv-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "Looks up domain names on their registries' whois servers.\n"
    "\n"
    "Commands:\n"
    "  server NAME...        Print the whois server asked about each NAME.\n"
    "  classify TLD [FILE]   Read a whois reply from FILE (or standard input) and print the\n"
    "                        verdict for a name ending in .TLD: \"Available!\", \"Taken\",\n"
    "                        \"Information Missing\" or \"No verdict\".\n"
    "  check [--whois-server HOST[:PORT]] [--rdap-server URL] [NAME...]\n"
    "                        Ask about each NAME (or each line of standard input), one at a\n"
    "                        time, and print NAME, a tab and the result as soon as it is known.\n"
    "                        Every \"www.\" is removed from a name before it is asked.\n"
    "  generate [OPTIONS]    Print the candidate names for keyword lines, as the window adds\n"
    "                        them to an empty list, one per line.\n"
    "      --keywords TEXT | --keywords-file FILE   keyword lines (else standard input)\n"
    "      --ext .com,.net,...       extensions (default .com), used in the fixed order\n"
    "                                .com .net .org .info .edu .biz .ca .eu .us\n"
    "      --no-combine --no-hyphens --no-remove-spaces\n"
    "      --suffixes FILE --prefixes FILE --top-words FILE   word lists (turn their use on)\n"
    "      --use-suffixes --use-prefixes --use-top-words      the word files beside qirv-cli\n"
    "      --count                   print only how many names there are\n"
    "  words [--raw] FILE    Print the lines of a word file as the lists read it (trimmed;\n"
    "                        untrimmed with --raw).\n"
    "\n"
    "Options:\n"
    "  --whois-server HOST[:PORT]  Send every query to this server instead of the registry's.\n"
    "  --rdap-server URL           Send every RDAP query (suffixes without a whois server,\n"
    "                              such as .info) to this base URL instead of the registry's.\n"
    "  -h, --help                  Show this help.\n"
    "  -v, --version               Show the version.\n"
    "\n"
    "Exit status: 0 when every name got a verdict, 1 otherwise, 2 for bad usage.\n";

std::string ReadAll(std::istream& stream)
{
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

} // namespace

void PrintUsage(std::FILE* stream)
{
    std::fputs(kUsage, stream);
}

int RunServerCommand(const std::vector<std::string>& names)
{
    if (names.empty()) {
        std::fputs("qirv-cli server: name at least one domain name\n", stderr);
        return kExitUsage;
    }
    for (const std::string& name : names) {
        std::cout << LookupWhoisServer(name) << '\n';
    }
    return kExitSuccess;
}

int RunClassifyCommand(const std::vector<std::string>& arguments)
{
    if (arguments.empty() || arguments.size() > 2) {
        std::fputs("qirv-cli classify: usage: qirv-cli classify TLD [FILE]\n", stderr);
        return kExitUsage;
    }
    std::string reply;
    if (arguments.size() == 2) {
        std::ifstream file(arguments[1], std::ios::binary);
        if (!file) {
            std::cerr << "qirv-cli classify: cannot read " << arguments[1] << '\n';
            return kExitUsage;
        }
        reply = ReadAll(file);
    } else {
        reply = ReadAll(std::cin);
    }
    std::string_view tld = arguments[0];
    if (tld.starts_with('.')) {
        tld.remove_prefix(1);
    }
    // A reply past the size bound gets no verdict, as it would over the network.
    const ReplyReadingLoop::Result result = ClassifyWholeReply(tld, reply);
    if (result.outcome == ReplyReadingLoop::Outcome::Refused) {
        std::cout << "Query refused: " << result.refusal << '\n';
        return kExitSomeFailed;
    }
    if (result.outcome != ReplyReadingLoop::Outcome::Verdict) {
        std::cout << "No verdict\n";
        return kExitSomeFailed;
    }
    std::cout << StatusText(result.status) << '\n';
    return kExitSuccess;
}

int RunCli(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    const std::string command = arguments.front();
    arguments.erase(arguments.begin());
    if (command == "-h" || command == "--help" || command == "help") {
        PrintUsage(stdout);
        return kExitSuccess;
    }
    if (command == "-v" || command == "--version") {
        std::cout << "qirv-cli " << kQirvVersion << '\n';
        return kExitSuccess;
    }
    if (command == "server") {
        return RunServerCommand(arguments);
    }
    if (command == "classify") {
        return RunClassifyCommand(arguments);
    }
    if (command == "generate") {
        return RunGenerateCommand(arguments);
    }
    if (command == "words") {
        return RunWordsCommand(arguments);
    }
    if (command == "check") {
        QCoreApplication application(argc, argv);
        return RunCheckCommand(arguments);
    }
    std::cerr << "qirv-cli: unknown command \"" << command << "\"\n\n";
    PrintUsage(stderr);
    return kExitUsage;
}
