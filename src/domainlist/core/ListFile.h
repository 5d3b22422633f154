#pragma once

#include "DomainRows.h"
#include "text/InputFile.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
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
// A line of a names file longer than this is bad (unless it is blank), and so is a CSV or JSON
// record: neither is waited for to its end, so that a file without line ends fills no memory.
inline constexpr std::size_t kLongestListLine = 64 * 1024;
inline constexpr std::size_t kLongestListRecord = 1024 * 1024;
// A list file is read this much at a time.
inline constexpr std::size_t kListFileChunk = 1024 * 1024;

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
    // first few of them. A line with a NUL byte is one of them; the rest of the file is read.
    std::size_t badLineCount = 0;
    std::vector<std::size_t> firstBadLines;
    // Set when the file could not be read to its end (a read error, or it grew past the limit
    // while it was read): then the records read from it are not all of it.
    std::string problem;
};

// "3 lines of "list.csv" could not be read and were left out: lines 2, 5, 9." (`source` names the
// file); empty when every line was read.
std::string BadLinesText(const std::string& source, const ListFileContents& contents);

// Reads a names file, a CSV export or a JSON export as its bytes arrive, telling them apart by
// their first bytes; UTF-16 with its byte-order mark is read as UTF-8 is. A record that cannot be
// read is counted and left out; every other record joins Contents().records as soon as it is
// whole, so that a file is never held whole, nor twice.
class ListFileReader
{
public:
    ListFileReader();
    ListFileReader(const ListFileReader&) = delete;
    ListFileReader& operator=(const ListFileReader&) = delete;
    ~ListFileReader();

    // The next bytes of the file.
    void Feed(std::string_view bytes);
    // The end of the file: the last record joins.
    void Finish();
    // What was read: records may be taken out of it between pieces.
    ListFileContents& Contents();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The whole file in memory, read at once.
ListFileContents ReadListFile(std::string_view bytes);
// Reads an open file to its end, a piece at a time: after each piece the records read from it are
// handed to `take` (which moves them away), so that memory holds the records and one piece. A
// failure to read to the end sets the contents' problem.
ListFileContents ReadListFile(InputFile& file,
                              const std::function<void(std::vector<ListRecord>&)>& take);
