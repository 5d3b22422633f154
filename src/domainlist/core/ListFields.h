#pragma once

#include "ListFile.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// What the readers and writers of the list's formats share with each other: the fields every
// format names alike, a record's fields as read, and the count of lines that could not be read.

inline constexpr std::array<std::string_view, 6> kListFieldNames{"name",   "status", "checked",
                                                                 "server", "time",   "reason"};

inline bool IsControlByte(unsigned char c)
{
    return c < 0x20 || c == 0x7F;
}

// The fields of a record by name, as read from a CSV line or a JSON object; checks every value
// before the record is made.
struct RecordFields
{
    std::optional<std::string> name;
    std::optional<std::string> status;
    std::optional<bool> checked;
    std::optional<std::string> server;
    std::optional<std::string> time;
    std::optional<std::string> reason;

    // Nothing when a value does not fit its field.
    std::optional<ListRecord> ToRecord() &&;
};

class BadLines
{
public:
    explicit BadLines(ListFileContents& contents) : m_contents(contents) {}
    void Add(std::size_t line);

private:
    ListFileContents& m_contents;
};
