#pragma once

#include <string>
#include <string_view>
#include <vector>

// What the keyword selection window holds between openings: the keyword text (lines end in
// CR LF), the further extensions as typed (UTF-8) and its fifteen check boxes, each 0 or 1.
struct KeywordOptions
{
    std::string m_strKeywords;
    std::string m_strMoreExtensions;
    int m_bUsePrefixes = 0;
    int m_bUseSuffixes = 0;
    int m_bUseHyphens = 1;
    int m_bBiz = 0;
    int m_bCa = 0;
    int m_bCom = 1;
    int m_bInfo = 0;
    int m_bNet = 0;
    int m_bOrg = 0;
    int m_bUseTopWords = 0;
    int m_bCombineKeywords = 1;
    int m_bEu = 0;
    int m_bRemoveSpaces = 1;
    int m_bEdu = 0;
    int m_bUs = 0;
};

// The chosen extensions in the fixed order names are generated in: .com .net .org .info .edu
// .biz .ca .eu .us, whatever the order of the boxes on screen.
std::vector<std::string> ExtensionsInOrder(const KeywordOptions& options);

// Sets all nine extension flags.
void SelectAllExtensions(KeywordOptions& options);

// The flag of one of the nine extensions (".com"), or null for any other.
int KeywordOptions::*ExtensionFlag(std::string_view extension);

// The lists that candidate generation combines with the keywords. Entries of the suffix list go
// in front of a keyword, entries of the prefix list behind it, popular ("top") words behind it.
struct WordLists
{
    std::vector<std::string> m_arrSuffixes;
    std::vector<std::string> m_arrPrefixes;
    std::vector<std::string> m_arrTopWords;
};
