#include "CliCommands.h"
#include "generate/core/CandidateGenerator.h"
#include "generate/core/PendingRows.h"
#include "text/CLineListTools.h"
#include "text/CTextLineReader.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>

namespace {

bool IsReadableFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return file.good() && !std::filesystem::is_directory(path);
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

int UsageError(const std::string& message)
{
    std::cerr << "qirv-cli: " << message << '\n';
    return kExitUsage;
}

} // namespace

int RunGenerateCommand(const std::vector<std::string>& arguments)
{
    KeywordOptions options;
    WordLists lists;
    std::optional<std::string> keywords;
    std::optional<std::string> keywordsFile;
    std::map<std::string, std::string> listFiles; // option name -> file
    bool useSuffixesFromProgram = false;
    bool usePrefixesFromProgram = false;
    bool useTopWordsFromProgram = false;
    bool countOnly = false;

    const std::map<std::string, int KeywordOptions::*> extensionFlags{
        {".com", &KeywordOptions::m_bCom}, {".net", &KeywordOptions::m_bNet},
        {".org", &KeywordOptions::m_bOrg}, {".info", &KeywordOptions::m_bInfo},
        {".edu", &KeywordOptions::m_bEdu}, {".biz", &KeywordOptions::m_bBiz},
        {".ca", &KeywordOptions::m_bCa},   {".eu", &KeywordOptions::m_bEu},
        {".us", &KeywordOptions::m_bUs},
    };

    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        const auto value = [&]() -> std::optional<std::string> {
            if (index + 1 == arguments.size()) {
                return std::nullopt;
            }
            return arguments[++index];
        };
        if (argument == "--keywords" || argument == "--keywords-file" || argument == "--ext" ||
            argument == "--suffixes" || argument == "--prefixes" || argument == "--top-words") {
            const std::optional<std::string> given = value();
            if (!given) {
                return UsageError("generate: " + argument + " needs a value");
            }
            if (argument == "--keywords") {
                keywords = *given;
            } else if (argument == "--keywords-file") {
                keywordsFile = *given;
            } else if (argument == "--ext") {
                for (const auto& [name, flag] : extensionFlags) {
                    options.*flag = 0;
                }
                std::vector<std::string> extensions;
                CLineListTools::SplitLines(extensions, *given + ",", ",");
                for (const std::string& extension : extensions) {
                    const std::string dotted =
                        extension.starts_with('.') ? extension : "." + extension;
                    const auto flag = extensionFlags.find(dotted);
                    if (flag == extensionFlags.end()) {
                        return UsageError(
                            "generate: unknown extension \"" + extension +
                            "\" (choose from .com .net .org .info .edu .biz .ca .eu .us)");
                    }
                    options.*(flag->second) = 1;
                }
            } else {
                if (!IsReadableFile(*given)) {
                    return UsageError("generate: cannot read " + *given);
                }
                listFiles[argument] = *given;
            }
        } else if (argument == "--no-combine") {
            options.m_bCombineKeywords = 0;
        } else if (argument == "--no-hyphens") {
            options.m_bUseHyphens = 0;
        } else if (argument == "--no-remove-spaces") {
            options.m_bRemoveSpaces = 0;
        } else if (argument == "--use-suffixes") {
            useSuffixesFromProgram = true;
        } else if (argument == "--use-prefixes") {
            usePrefixesFromProgram = true;
        } else if (argument == "--use-top-words") {
            useTopWordsFromProgram = true;
        } else if (argument == "--count") {
            countOnly = true;
        } else {
            return UsageError("generate: unknown option \"" + argument + "\"");
        }
    }
    if (keywords && keywordsFile) {
        return UsageError("generate: give --keywords or --keywords-file, not both");
    }
    if (keywordsFile) {
        if (!IsReadableFile(*keywordsFile)) {
            return UsageError("generate: cannot read " + *keywordsFile);
        }
        options.m_strKeywords = ReadKeywordText(*keywordsFile);
    } else if (keywords) {
        options.m_strKeywords = WithCrLf(*keywords);
    } else {
        options.m_strKeywords = WithCrLf(std::string(std::istreambuf_iterator<char>(std::cin),
                                                     std::istreambuf_iterator<char>()));
    }

    // A list named on the command line wins over the word file beside the program.
    const std::string programDirectory = ProgramDirectory();
    const auto useList = [&](const char* option, bool fromProgram, const char* wordFile,
                             std::vector<std::string>& list, int& flag) {
        if (listFiles.contains(option)) {
            list = ReadTrimmedLines(listFiles[option]);
            flag = 1;
        } else if (fromProgram) {
            list = ReadTrimmedLines(programDirectory + "/" + wordFile);
            flag = 1;
        }
    };
    useList("--suffixes", useSuffixesFromProgram, "suffixes.txt", lists.m_arrSuffixes,
            options.m_bUseSuffixes);
    useList("--prefixes", usePrefixesFromProgram, "preffixes.txt", lists.m_arrPrefixes,
            options.m_bUsePrefixes);
    useList("--top-words", useTopWordsFromProgram, "keywords.txt", lists.m_arrTopWords,
            options.m_bUseTopWords);

    PendingRows rows;
    const std::vector<std::string> extensions = ExtensionsInOrder(options);
    CandidateGenerator generator(options, extensions, lists, rows);
    if (generator.GenerateCandidates()) {
        std::cerr << CandidateGenerator::kLinesNotCombinedMessage << '\n';
    }
    if (countOnly) {
        std::cout << rows.Count() << '\n';
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

int RunWordsCommand(const std::vector<std::string>& arguments)
{
    bool raw = false;
    std::optional<std::string> path;
    for (const std::string& argument : arguments) {
        if (argument == "--raw") {
            raw = true;
        } else if (argument.starts_with("--")) {
            return UsageError("words: unknown option \"" + argument + "\"");
        } else if (path) {
            return UsageError("words: name one file");
        } else {
            path = argument;
        }
    }
    if (!path) {
        return UsageError("words: usage: qirv-cli words [--raw] FILE");
    }
    if (!IsReadableFile(*path)) {
        return UsageError("words: cannot read " + *path);
    }
    CTextLineReader reader(*path);
    std::string line;
    std::string output;
    while (reader.ReadLine(line)) {
        output += raw ? std::string_view(line) : TrimBoth(line);
        output += '\n';
    }
    std::cout << output;
    return kExitSuccess;
}
