#pragma once

#include "KeywordOptions.h"

#include <string>
#include <string_view>
#include <vector>

// The two operations generation needs of the domain list.
class CandidateList
{
public:
    virtual ~CandidateList() = default;
    // Whether some row's name equals `name` byte for byte.
    virtual bool IsDomainListed(std::string_view name) const = 0;
    // Appends a checked "Pending" row at the end.
    virtual void AddPendingRow(std::string name) = 0;
};

// Turns the keyword text, the options, the extensions and the word lists into candidate names
// ("www." + name + extension) and appends each one the list does not hold yet, in a fixed order:
// extension by extension, line by line, word order by word order, form by form.
class CandidateGenerator
{
public:
    // Lines with more words than this are used as typed instead of in every order: the orders
    // grow as the factorial of the word count (8 words: 40,320 orders).
    static constexpr int kMaxCombinedWords = 8;
    static constexpr const char* kLinesNotCombinedMessage =
        "Lines with more than 8 words were not combined in every order; they were used as typed.";

    CandidateGenerator(const KeywordOptions& options, const std::vector<std::string>& extensions,
                       const WordLists& lists, CandidateList& list);

    // Generates from every line. Returns true when some line had too many words to combine.
    bool GenerateCandidates();

    // Appends the trimmed line, then every other order of its words (in lexicographic order of
    // their positions). Returns the output's size afterwards.
    static int CombineWords(std::string_view line, std::vector<std::string>& output);
    // The words of a line as CombineWords cuts it: at every single blank, empty words included.
    static std::vector<std::string> SplitWords(std::string_view line);

    void AddPhrase(std::string_view phrase, std::string_view extension);
    void AddCandidates(std::string_view form, std::string_view extension);

private:
    void Append(std::string candidate);

    const KeywordOptions& m_options;
    const std::vector<std::string>& m_extensions;
    const WordLists& m_lists;
    CandidateList& m_list;
    std::vector<std::string> m_hyphenatedTopWords;
};
