#pragma once

#include <string>
#include <string_view>
#include <vector>

// Helpers for texts whose lines end in CR LF (the keyword text, the editor's text).
class CLineListTools
{
public:
    // Appends every piece of `text` that is followed by `separator`, empty pieces included; text
    // after the last separator is not taken. Returns the list's size afterwards.
    static int SplitLines(std::vector<std::string>& list, std::string_view text,
                          std::string_view separator);

    // Sets `text` to every entry followed by `separator`. An empty list leaves `text` alone and
    // gives false.
    static bool JoinLines(const std::vector<std::string>& list, std::string& text,
                          std::string_view separator);

    // The line with CR LF appended, unless it is empty or already ends with CR LF.
    static std::string EnsureLineEnd(std::string_view line);
};

// White space as the keyword text knows it: blank, tab, CR, LF, vertical tab, form feed.
bool IsBlank(char c);
std::string_view TrimBoth(std::string_view text);
std::string_view TrimRight(std::string_view text);
