#include "KeywordOptions.h"

#include <array>

namespace {

struct ExtensionBox
{
    int KeywordOptions::*flag;
    std::string_view extension;
};

// In the fixed order of generation.
constexpr std::array kExtensionBoxes{
    ExtensionBox{&KeywordOptions::m_bCom, ".com"}, ExtensionBox{&KeywordOptions::m_bNet, ".net"},
    ExtensionBox{&KeywordOptions::m_bOrg, ".org"}, ExtensionBox{&KeywordOptions::m_bInfo, ".info"},
    ExtensionBox{&KeywordOptions::m_bEdu, ".edu"}, ExtensionBox{&KeywordOptions::m_bBiz, ".biz"},
    ExtensionBox{&KeywordOptions::m_bCa, ".ca"},   ExtensionBox{&KeywordOptions::m_bEu, ".eu"},
    ExtensionBox{&KeywordOptions::m_bUs, ".us"},
};

} // namespace

std::vector<std::string> ExtensionsInOrder(const KeywordOptions& options)
{
    std::vector<std::string> extensions;
    for (const ExtensionBox& box : kExtensionBoxes) {
        if (options.*box.flag != 0) {
            extensions.emplace_back(box.extension);
        }
    }
    return extensions;
}

void SelectAllExtensions(KeywordOptions& options)
{
    for (const ExtensionBox& box : kExtensionBoxes) {
        options.*box.flag = 1;
    }
}

int KeywordOptions::*ExtensionFlag(std::string_view extension)
{
    for (const ExtensionBox& box : kExtensionBoxes) {
        if (box.extension == extension) {
            return box.flag;
        }
    }
    return nullptr;
}
