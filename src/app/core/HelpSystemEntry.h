#pragma once

#include <optional>
#include <string>
#include <string_view>

// The page a compiled-HTML help file opens at, as its project named it, read from the file's
// #SYSTEM entry; nothing when the entry names none or cannot be read.
std::optional<std::string> DefaultTopicOf(std::string_view systemEntry);
