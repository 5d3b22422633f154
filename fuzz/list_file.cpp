// The list reader on arbitrary files: the first byte picks what goes in front of the rest
// (nothing, a CSV header, the start of a JSON array, the start of a JSON object), so that each
// kind of file is reached without the fuzzer having to find its opening first. The records read
// are then written in every format that keeps all of their fields and read back.
#include "domainlist/core/ListFile.h"
#include "text/CLineListTools.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::array<std::string_view, 4> kOpenings{
    "", "name,status,checked,server,time,reason\r\n", "[\n{\"name\":\"", "{\"name\":\""};

void Require(bool holds)
{
    if (!holds) {
        __builtin_trap();
    }
}

bool HasControlByte(std::string_view text)
{
    return std::ranges::any_of(text, [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

bool SameRecord(const ListRecord& one, const ListRecord& other)
{
    return one.name == other.name && one.status == other.status && one.checked == other.checked &&
           one.server == other.server && one.answeredAt == other.answeredAt &&
           one.reason == other.reason;
}

std::string Written(const std::vector<ListRecord>& records, ListFormat format)
{
    std::string text = ListFileHeader(format);
    for (std::size_t index = 0; index < records.size(); ++index) {
        AppendListRecord(text, records[index], format, index == 0);
    }
    return text + ListFileFooter(format);
}

// What a read must give whatever the bytes were: rows the list can hold, and bad lines that
// name lines of the file, each once, in order.
void CheckRead(std::string_view file, const ListFileContents& contents)
{
    // A file cut off after its last line break may be blamed for the line that never came.
    const std::size_t lines = 1 + static_cast<std::size_t>(std::ranges::count(file, '\n'));
    Require(contents.badLineCount >= contents.firstBadLines.size());
    for (std::size_t index = 0; index < contents.firstBadLines.size(); ++index) {
        const std::size_t line = contents.firstBadLines[index];
        Require(line >= 1 && line <= lines);
        Require(index == 0 || line > contents.firstBadLines[index - 1]);
    }
    Require(BadLinesText("list", contents).empty() == (contents.badLineCount == 0));
    if (!contents.problem.empty()) {
        Require(contents.records.empty() && contents.badLineCount == 0);
    }
    // A names file and a CSV file give at most one row, good or bad, per line.
    if (contents.format == ListFormat::Text || contents.format == ListFormat::Csv) {
        Require(contents.records.size() + contents.badLineCount <= lines);
    }
    for (const ListRecord& record : contents.records) {
        Require(IsListableName(record.name) && TrimBoth(record.name) == record.name);
        Require(!HasControlByte(record.server) && !HasControlByte(record.reason));
        Require(record.reason.empty() || record.status == RowStatus::NoAnswer);
        Require(record.answeredAt == 0 ||
                ParseAnswerTime(AnswerTimeText(record.answeredAt)) == record.answeredAt);
        if (contents.format == ListFormat::Text) {
            Require(SameRecord(record, PendingRecord(record.name)));
        }
    }
}

// Every row read survives being written and read again, in each format that carries all of
// its fields.
void CheckRoundTrip(const std::vector<ListRecord>& records)
{
    for (const ListFormat format : {ListFormat::Csv, ListFormat::Json, ListFormat::JsonLines}) {
        const ListFileContents again = ReadListFile(Written(records, format));
        Require(again.problem.empty() && again.badLineCount == 0);
        // No rows as JSON lines is an empty file, which reads as an empty names file.
        Require(again.format == format || (records.empty() && format == ListFormat::JsonLines));
        Require(std::ranges::equal(again.records, records, SameRecord));
    }
}

// A file read as it arrives, in pieces of `piece` bytes, gives what it gives read whole.
void CheckPieces(std::string_view file, std::size_t piece, const ListFileContents& whole)
{
    ListFileReader reader;
    std::vector<ListRecord> records;
    const auto take = [&] {
        std::ranges::move(reader.Contents().records, std::back_inserter(records));
        reader.Contents().records.clear();
    };
    for (std::size_t at = 0; at < file.size(); at += piece) {
        reader.Feed(file.substr(at, piece));
        take();
    }
    reader.Finish();
    take();
    const ListFileContents& read = reader.Contents();
    Require(read.format == whole.format && read.badLineCount == whole.badLineCount &&
            read.firstBadLines == whole.firstBadLines);
    Require(std::ranges::equal(records, whole.records, SameRecord));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) {
        return 0;
    }
    std::string file(kOpenings[data[0] % kOpenings.size()]);
    file.append(reinterpret_cast<const char*>(data) + 1, size - 1);

    const ListFileContents contents = ReadListFile(file);
    CheckRead(file, contents);
    CheckRoundTrip(contents.records);
    CheckPieces(file, 1 + data[0] / kOpenings.size() % 16, contents);

    // Any time a row can hold reads back from its text.
    if (size >= 5) {
        std::uint32_t answeredAt = 0;
        std::memcpy(&answeredAt, data + 1, sizeof answeredAt);
        Require(answeredAt == 0 || ParseAnswerTime(AnswerTimeText(answeredAt)) == answeredAt);
    }
    return 0;
}
