#pragma once

#include "DomainRows.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The files a domain list leaves and comes back from: plain names (one a line, as Save writes
// them), CSV (RFC 4180, UTF-8, a header line) and JSON (an array of objects, or one object a
// line as qirv-cli prints them). Every format carries the same fields, named alike:
// name, status, checked, server, time, reason.
enum class ListFormat
{
    Text,
    Csv,
    Json,      // one array, an object a line, for files
    JsonLines, // an object a line and nothing else, for streams
};

// Bigger files are not lists anybody saved: refusing them keeps a stray file from eating memory.
inline constexpr std::uint64_t kLargestListFile = std::uint64_t{512} << 20;

// A checked "Pending" row: how a name read or generated joins a list.
ListRecord PendingRecord(std::string name);

// "2026-12-08T10:26:21Z" for a time in seconds since 1970 UTC; empty for 0.
std::string AnswerTimeText(std::uint32_t answeredAt);
std::optional<std::uint32_t> ParseAnswerTime(std::string_view text);
std::optional<RowStatus> RowStatusNamed(std::string_view text);

// What goes before the first record, after a record, and after the last one.
std::string ListFileHeader(ListFormat format);
void AppendListRecord(std::string& out, const ListRecord& record, ListFormat format, bool isFirst);
std::string ListFileFooter(ListFormat format);

// Whether a line of a names file can be a row of the list: text without control characters,
// in UTF-8, and not too long to be a name at all. Spaces, commas and quotes may be in it: the
// keyword window's options make such names, and the list keeps them.
bool IsListableName(std::string_view name);

struct ListFileContents
{
    ListFormat format = ListFormat::Text;
    std::vector<ListRecord> records;
    // Lines (of the file, counted from 1) whose record could not be read: how many, and the
    // first few of them.
    std::size_t badLineCount = 0;
    std::vector<std::size_t> firstBadLines;
    // Set when the file as a whole is not a list (binary data); then nothing is read from it.
    std::string problem;
};

// "3 lines of "list.csv" could not be read and were left out: lines 2, 5, 9." (`source` names the
// file); empty when every line was read.
std::string BadLinesText(const std::string& source, const ListFileContents& contents);

// Reads a names file, a CSV export or a JSON export, telling them apart by their first bytes.
// A record that cannot be read is counted and left out; every other record is kept.
ListFileContents ReadListFile(std::string_view bytes);
