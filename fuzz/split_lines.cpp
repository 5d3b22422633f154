// SplitLines and JoinLines on arbitrary text: the pieces joined again give the text up to its
// last separator.
#include "text/CLineListTools.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> pieces;
    CLineListTools::SplitLines(pieces, text, "\r\n");
    std::string joined;
    CLineListTools::JoinLines(pieces, joined, "\r\n");
    const std::size_t last = text.rfind("\r\n");
    const std::string_view expected =
        last == std::string_view::npos ? std::string_view() : text.substr(0, last + 2);
    if (joined != expected) {
        __builtin_trap();
    }
    (void)CLineListTools::EnsureLineEnd(text);
    return 0;
}
