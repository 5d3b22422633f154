#include "CLineListTools.h"

int CLineListTools::SplitLines(std::vector<std::string>& list, std::string_view text,
                               std::string_view separator)
{
    if (!separator.empty()) {
        std::size_t from = 0;
        for (std::size_t found = text.find(separator); found != std::string_view::npos;
             found = text.find(separator, from)) {
            list.emplace_back(text.substr(from, found - from));
            from = found + separator.size();
        }
    }
    return static_cast<int>(list.size());
}

bool CLineListTools::JoinLines(const std::vector<std::string>& list, std::string& text,
                               std::string_view separator)
{
    if (list.empty()) {
        return false;
    }
    text.clear();
    for (const std::string& entry : list) {
        text += entry;
        text += separator;
    }
    return true;
}

std::string CLineListTools::EnsureLineEnd(std::string_view line)
{
    std::string result(line);
    if (!line.empty() && !line.ends_with("\r\n")) {
        result += "\r\n";
    }
    return result;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimRight(std::string_view text)
{
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view TrimBoth(std::string_view text)
{
    text = TrimRight(text);
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}
