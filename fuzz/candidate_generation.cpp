// Candidate generation with arbitrary options, keyword text and word lists. A line's words are
// kept to 6 (720 orders): 8 words and nine extensions make close to two million names, which is
// the generator working as it should, but too slow for a fuzzer run under the sanitizers.
#include "generate/core/CandidateGenerator.h"

#include <set>
#include <string>

namespace {

class SetList : public CandidateList
{
public:
    bool IsDomainListed(std::string_view name) const override
    {
        return names.contains(std::string(name));
    }
    void AddPendingRow(std::string name) override
    {
        if (!names.insert(name).second) {
            __builtin_trap(); // a name added twice
        }
    }
    std::set<std::string> names;
};

std::vector<std::string> Words(std::string_view text)
{
    std::vector<std::string> words;
    std::size_t from = 0;
    for (std::size_t at = 0; at <= text.size() && words.size() < 4; ++at) {
        if (at == text.size() || text[at] == ',') {
            words.emplace_back(text.substr(from, at - from));
            from = at + 1;
        }
    }
    return words;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3) {
        return 0;
    }
    KeywordOptions options;
    const unsigned flags = data[0] | (data[1] << 8);
    int* const switches[] = {&options.m_bUsePrefixes,
                             &options.m_bUseSuffixes,
                             &options.m_bUseHyphens,
                             &options.m_bUseTopWords,
                             &options.m_bCombineKeywords,
                             &options.m_bRemoveSpaces,
                             &options.m_bCom,
                             &options.m_bNet,
                             &options.m_bOrg,
                             &options.m_bInfo,
                             &options.m_bEdu,
                             &options.m_bBiz,
                             &options.m_bCa,
                             &options.m_bEu,
                             &options.m_bUs};
    for (std::size_t bit = 0; bit < std::size(switches); ++bit) {
        *switches[bit] = (flags >> bit) & 1;
    }
    const std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::size_t split = rest.find('|');
    std::string keywords(rest.substr(0, std::min<std::size_t>(split, 24)));
    int blanks = 0;
    for (std::size_t at = 0; at < keywords.size(); ++at) {
        if (keywords[at] == '\r' || keywords[at] == '\n') {
            blanks = 0;
        } else if (keywords[at] == ' ' && ++blanks >= 6) {
            keywords.resize(at);
            break;
        }
    }
    options.m_strKeywords = keywords;
    WordLists lists;
    if (split != std::string_view::npos) {
        const std::vector<std::string> words = Words(rest.substr(split + 1, 48));
        lists.m_arrSuffixes = words;
        lists.m_arrPrefixes = words;
        lists.m_arrTopWords = words;
    }
    const std::vector<std::string> extensions = ExtensionsInOrder(options);
    SetList list;
    CandidateGenerator(options, extensions, lists, list).GenerateCandidates();
    for (const std::string& name : list.names) {
        if (!name.starts_with("www.")) {
            __builtin_trap();
        }
    }
    return 0;
}
