// The help file's #SYSTEM entry on arbitrary bytes: a default topic is the text of one record,
// never empty, never past the entry's end.
#include "app/core/HelpSystemEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view entry(reinterpret_cast<const char*>(data), size);
    if (const std::optional<std::string> topic = DefaultTopicOf(entry)) {
        if (topic->empty() || topic->find('\0') != std::string::npos || topic->size() + 8 > size ||
            entry.find(*topic, 8) == std::string_view::npos) {
            __builtin_trap();
        }
    }
    return 0;
}
