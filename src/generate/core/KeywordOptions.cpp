#include "KeywordOptions.h"

std::vector<std::string> ExtensionsInOrder(const KeywordOptions& options)
{
    const std::pair<int, const char*> boxes[] = {
        {options.m_bCom, ".com"},   {options.m_bNet, ".net"}, {options.m_bOrg, ".org"},
        {options.m_bInfo, ".info"}, {options.m_bEdu, ".edu"}, {options.m_bBiz, ".biz"},
        {options.m_bCa, ".ca"},     {options.m_bEu, ".eu"},   {options.m_bUs, ".us"},
    };
    std::vector<std::string> extensions;
    for (const auto& [set, extension] : boxes) {
        if (set != 0) {
            extensions.emplace_back(extension);
        }
    }
    return extensions;
}

void SelectAllExtensions(KeywordOptions& options)
{
    for (int* flag :
         {&options.m_bCom, &options.m_bNet, &options.m_bOrg, &options.m_bInfo, &options.m_bEdu,
          &options.m_bBiz, &options.m_bCa, &options.m_bEu, &options.m_bUs}) {
        *flag = 1;
    }
}
