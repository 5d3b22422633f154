#include "CliCommands.h"
#include "domainlist/core/ListFile.h"
#include "generate/core/CandidateGenerator.h"
#include "generate/core/PendingRows.h"
#include "generate/core/RegistryExtensions.h"
#include "text/CLineListTools.h"
#include "text/CTextLineReader.h"
#include "text/InputFile.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

namespace {

// Why a word or keyword file cannot be read (opened as every file is: a named pipe, a device or a
// file over the limit is refused without waiting or reading), or nothing.
std::optional<std::string> WhyUnreadable(const std::string& path)
{
    InputFile file;
    if (file.Open(path, kLargestTextFile)) {
        return std::nullopt;
    }
    return "cannot read " + path + ": " + file.Reason();
}

std::string ProgramDirectory()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : program.parent_path().string();
}

// Lines of a typed text as the keyword box holds them: CR LF between lines.
std::string WithCrLf(std::string_view text)
{
    std::string result;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] == '\n' && (index == 0 || text[index - 1] != '\r')) {
            result += '\r';
        }
        result += text[index];
    }
    return result;
}

} // namespace

int UsageError(const std::string& message)
{
    std::cerr << "qirv-cli " << message << '\n';
    return kExitUsage;
}

int RunGenerateCommand(const GenerateRequest& request)
{
    KeywordOptions options;
    WordLists lists;
    options.m_bCombineKeywords = request.combine ? 1 : 0;
    options.m_bUseHyphens = request.hyphens ? 1 : 0;
    options.m_bRemoveSpaces = request.removeSpaces ? 1 : 0;

    // The nine in their fixed order first, then the others in the order given.
    std::vector<std::string> otherExtensions;
    if (!request.extensions.empty()) {
        options.m_bCom = 0; // the default, unless given
    }
    for (const std::string& given : request.extensions) {
        const std::optional<std::string> extension = RegistryExtension(given);
        if (!extension) {
            return UsageError("generate: \"" + given +
                              "\" is not a domain extension (one a registry gives out names "
                              "under, such as .com .io .co.uk)");
        }
        if (int KeywordOptions::*flag = ExtensionFlag(*extension)) {
            options.*flag = 1;
        } else {
            otherExtensions.push_back(*extension);
        }
    }
    for (const auto* file : {&request.suffixesFile, &request.prefixesFile, &request.topWordsFile,
                             &request.keywordsFile}) {
        if (*file) {
            if (const std::optional<std::string> why = WhyUnreadable(**file)) {
                return UsageError("generate: " + *why);
            }
        }
    }
    const std::optional<std::string>& keywords = request.keywords;
    const std::optional<std::string>& keywordsFile = request.keywordsFile;
    if (keywords && keywordsFile) {
        return UsageError("generate: give --keywords or --keywords-file, not both");
    }
    if (keywordsFile) {
        options.m_strKeywords = ReadKeywordText(*keywordsFile);
    } else if (keywords) {
        options.m_strKeywords = WithCrLf(*keywords);
    } else {
        std::string typed;
        std::array<char, 64 * 1024> chunk{};
        while (std::cin.read(chunk.data(), chunk.size()) || std::cin.gcount() > 0) {
            typed.append(chunk.data(), static_cast<std::size_t>(std::cin.gcount()));
            if (typed.size() > kLargestTextFile) {
                return UsageError("generate: standard input is larger than 256 MiB");
            }
        }
        options.m_strKeywords = WithCrLf(typed);
    }

    // A list named on the command line wins over the word file beside the program.
    const std::string programDirectory = ProgramDirectory();
    const auto useList = [&](const std::optional<std::string>& named, bool fromProgram,
                             const char* wordFile, std::vector<std::string>& list, int& flag) {
        if (named) {
            list = ReadTrimmedLines(*named);
            flag = 1;
        } else if (fromProgram) {
            list = ReadTrimmedLines(programDirectory + "/" + wordFile);
            flag = 1;
        }
    };
    useList(request.suffixesFile, request.useSuffixes, "suffixes.txt", lists.m_arrSuffixes,
            options.m_bUseSuffixes);
    useList(request.prefixesFile, request.usePrefixes, "preffixes.txt", lists.m_arrPrefixes,
            options.m_bUsePrefixes);
    useList(request.topWordsFile, request.useTopWords, "keywords.txt", lists.m_arrTopWords,
            options.m_bUseTopWords);

    PendingRows rows;
    std::vector<std::string> extensions = ExtensionsInOrder(options);
    AppendNewExtensions(extensions, otherExtensions);
    CandidateGenerator generator(options, extensions, lists, rows);
    if (generator.GenerateCandidates()) {
        std::cerr << CandidateGenerator::kLinesNotCombinedMessage << '\n';
    }
    if (request.countOnly) {
        std::cout << rows.Count() << '\n';
        return kExitSuccess;
    }
    if (request.format != OutputFormat::Tsv) {
        const ListFormat format =
            request.format == OutputFormat::Csv ? ListFormat::Csv : ListFormat::JsonLines;
        std::string output = ListFileHeader(format);
        for (std::string& name : rows.TakeNames()) {
            AppendListRecord(output, PendingRecord(std::move(name)), format, false);
        }
        std::cout << output;
        return kExitSuccess;
    }
    std::string output;
    for (const std::string& name : rows.TakeNames()) {
        output += name;
        output += '\n';
    }
    std::cout << output;
    return kExitSuccess;
}

int RunWordsCommand(const std::string& file, bool raw)
{
    CTextLineReader reader(file);
    if (!reader.Problem().empty()) {
        return UsageError("words: cannot read " + file + ": " + reader.Problem());
    }
    std::string line;
    std::string output;
    while (reader.ReadLine(line)) {
        output += raw ? std::string_view(line) : TrimBoth(line);
        output += '\n';
    }
    if (!reader.Problem().empty()) {
        return UsageError("words: cannot read " + file + ": " + reader.Problem());
    }
    std::cout << output;
    return kExitSuccess;
}
