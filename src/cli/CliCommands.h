#pragma once

#include "domainlist/core/DomainRows.h"
#include "search/SearchOptions.h"

#include <optional>
#include <string>
#include <vector>

// Exit statuses of qirv-cli.
enum CliExitStatus
{
    kExitSuccess = 0,
    kExitSomeFailed = 1,
    kExitUsage = 2,
};

int RunCli(int argc, char** argv);
// The registries' list of RDAP servers (the downloaded one, else the shipped one) in `options`;
// a downloaded one that is refused is told on standard error, as "qirv-cli COMMAND: ...".
void UseRegistryList(SearchOptions& options, const char* command);
// When the list in use is over 30 days old, downloads IANA's current one into `options`, waiting
// at most 10 s; a failure is one line on standard error, and `options` keep the list they had.
void RefreshOldRegistryList(SearchOptions& options);
// Prints NAME, the protocol and the server a check would ask about each name.
int RunServerCommand(SearchOptions options, const std::vector<std::string>& names);
// Prints which list of RDAP servers is in use; with `update`, downloads the current one first
// (from `url` when given) and says on standard error how it went.
int RunServersCommand(bool update, const std::optional<std::string>& url);
int RunCoverageCommand();
int RunClassifyCommand(const std::vector<std::string>& arguments);

// What check and generate print: "NAME<tab>RESULT" lines, or the fields of an exported list as
// CSV (a header first) or JSON (an object a line).
enum class OutputFormat
{
    Tsv,
    Csv,
    Json,
};
std::optional<OutputFormat> OutputFormatNamed(const std::string& name);

// Prints rows one at a time in an output format; CSV's header goes out when it is made.
class RecordPrinter
{
public:
    explicit RecordPrinter(OutputFormat format);
    void Print(const ListRecord& record);
    OutputFormat Format() const { return m_format; }

private:
    OutputFormat m_format;
};

struct CheckRequest
{
    OutputFormat format = OutputFormat::Tsv;
    // A names file or an exported list ("-": standard input): its checked rows without a
    // verdict are asked, the others printed as they are.
    std::optional<std::string> inputFile;
};

// Runs inside a QCoreApplication; returns once every name (standard input's lines when none is
// given) has its result line. Lines come in the order the answers do.
int RunCheckCommand(const SearchOptions& options, std::vector<std::string> names,
                    const CheckRequest& request);

// Prints every stored answer of each name, newest first: NAME, TIME, STATUS and SERVER a tab
// apart, or the fields of an exported list as CSV or JSON. Exits 1 when a name has none.
int RunHistoryCommand(const std::string& storePath, const std::vector<std::string>& names,
                      OutputFormat format);

// What `generate` takes from its command line.
struct GenerateRequest
{
    std::optional<std::string> keywords;
    std::optional<std::string> keywordsFile;
    std::vector<std::string> extensions; // as given; empty: the default .com
    bool combine = true;
    bool hyphens = true;
    bool removeSpaces = true;
    std::optional<std::string> suffixesFile;
    std::optional<std::string> prefixesFile;
    std::optional<std::string> topWordsFile;
    bool useSuffixes = false; // the word files beside the program
    bool usePrefixes = false;
    bool useTopWords = false;
    bool countOnly = false;
    OutputFormat format = OutputFormat::Tsv;
};
int RunGenerateCommand(const GenerateRequest& request);
int RunWordsCommand(const std::string& file, bool raw);

// A usage error: the message on standard error, and the exit status for it.
int UsageError(const std::string& message);
