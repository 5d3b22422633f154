#include "CandidateGenerator.h"

#include "text/CLineListTools.h"

#include <algorithm>
#include <numeric>

namespace {

std::string Replaced(std::string_view text, char from, std::string_view to)
{
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c == from) {
            result += to;
        } else {
            result += c;
        }
    }
    return result;
}

} // namespace

CandidateGenerator::CandidateGenerator(const KeywordOptions& options,
                                       const std::vector<std::string>& extensions,
                                       const WordLists& lists, CandidateList& list)
    : m_options(options), m_extensions(extensions), m_lists(lists), m_list(list)
{
    // A top word's blanks become hyphens whatever the hyphen option says.
    for (const std::string& word : m_lists.m_arrTopWords) {
        m_hyphenatedTopWords.push_back(Replaced(word, ' ', "-"));
    }
}

bool CandidateGenerator::GenerateCandidates()
{
    std::string text(TrimRight(m_options.m_strKeywords));
    text += "\r\n";
    std::vector<std::string> lines;
    CLineListTools::SplitLines(lines, text, "\r\n");

    bool someLineNotCombined = false;
    std::vector<std::string> phrases;
    for (const std::string& extension : m_extensions) {
        for (const std::string& line : lines) {
            if (m_options.m_bCombineKeywords == 0) {
                AddPhrase(line, extension);
            } else if (SplitWords(line).size() > kMaxCombinedWords) {
                someLineNotCombined = true;
                AddPhrase(line, extension);
            } else {
                phrases.clear();
                CombineWords(line, phrases);
                for (const std::string& phrase : phrases) {
                    AddPhrase(phrase, extension);
                }
            }
        }
    }
    return someLineNotCombined;
}

std::vector<std::string> CandidateGenerator::SplitWords(std::string_view line)
{
    std::string spaced(TrimBoth(line));
    spaced += ' ';
    std::vector<std::string> words;
    std::size_t from = 0;
    for (std::size_t blank = spaced.find(' '); blank != std::string::npos;
         blank = spaced.find(' ', from)) {
        words.emplace_back(TrimBoth(std::string_view(spaced).substr(from, blank - from)));
        from = blank + 1;
    }
    return words;
}

int CandidateGenerator::CombineWords(std::string_view line, std::vector<std::string>& output)
{
    output.emplace_back(TrimBoth(line));
    const std::vector<std::string> words = SplitWords(line);
    std::vector<std::size_t> order(words.size());
    std::iota(order.begin(), order.end(), 0);
    std::string joined;
    while (std::next_permutation(order.begin(), order.end())) {
        joined.clear();
        for (std::size_t index : order) {
            joined += words[index];
            joined += ' ';
        }
        output.emplace_back(TrimBoth(joined));
    }
    return static_cast<int>(output.size());
}

void CandidateGenerator::AddPhrase(std::string_view phrase, std::string_view extension)
{
    if (phrase.find(' ') == std::string_view::npos) {
        AddCandidates(phrase, extension);
        return;
    }
    const std::string_view trimmed = TrimBoth(phrase);
    if (m_options.m_bUseHyphens != 0) {
        AddCandidates(Replaced(trimmed, ' ', "-"), extension);
    }
    if (m_options.m_bRemoveSpaces != 0) {
        AddCandidates(Replaced(trimmed, ' ', ""), extension);
    }
}

void CandidateGenerator::AddCandidates(std::string_view form, std::string_view extension)
{
    const auto name = [&](std::string_view before, std::string_view after) {
        std::string candidate;
        candidate.reserve(4 + before.size() + form.size() + after.size() + extension.size());
        candidate += "www.";
        candidate += before;
        candidate += form;
        candidate += after;
        candidate += extension;
        return candidate;
    };
    Append(name({}, {}));
    if (m_options.m_bUseSuffixes != 0) {
        for (const std::string& suffix : m_lists.m_arrSuffixes) {
            Append(name(suffix, {}));
        }
    }
    if (m_options.m_bUsePrefixes != 0) {
        for (const std::string& prefix : m_lists.m_arrPrefixes) {
            Append(name({}, prefix));
        }
    }
    if (m_options.m_bUseTopWords != 0) {
        for (const std::string& topWord : m_hyphenatedTopWords) {
            Append(name({}, topWord));
        }
        if (m_options.m_bUseHyphens != 0) {
            for (const std::string& topWord : m_hyphenatedTopWords) {
                Append(name({}, "-" + topWord));
            }
        }
    }
}

void CandidateGenerator::Append(std::string candidate)
{
    if (!m_list.IsDomainListed(candidate)) {
        m_list.AddPendingRow(std::move(candidate));
    }
}
