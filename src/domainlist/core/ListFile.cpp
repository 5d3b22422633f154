#include "ListFile.h"

#include "ListCsv.h"
#include "ListFields.h"
#include "ListJson.h"
#include "text/CLineListTools.h"
#include "text/Utf8Text.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <limits>

namespace {

constexpr std::size_t kLongestName = 1000;
constexpr std::size_t kLongestServer = 255;
constexpr std::size_t kLongestReason = 1000;
constexpr std::size_t kBadLinesNamed = 5;

// Valid UTF-8 without control characters, and at most `longest` bytes.
bool IsCleanText(std::string_view text, std::size_t longest)
{
    if (text.size() > longest) {
        return false;
    }
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0 || IsControlByte(static_cast<unsigned char>(text[at]))) {
            return false;
        }
        at += length;
    }
    return true;
}

// A reason is shown in the list and its tool tip: control characters become spaces, broken
// UTF-8 is dropped and a long text is cut at a character boundary.
std::string CleanReason(std::string_view text)
{
    std::string clean;
    for (std::size_t at = 0; at < text.size() && clean.size() < kLongestReason;) {
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            ++at;
            continue;
        }
        if (clean.size() + length > kLongestReason) {
            break;
        }
        if (IsControlByte(static_cast<unsigned char>(text[at]))) {
            clean += ' ';
        } else {
            clean.append(text.substr(at, length));
        }
        at += length;
    }
    return clean;
}

// Lines of the text, each without its CR LF or LF, counted from 1.
template <typename OnLine> void ForEachLine(std::string_view text, OnLine&& onLine)
{
    std::size_t number = 1;
    for (std::size_t start = 0; start < text.size(); ++number) {
        std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        end = end == std::string_view::npos ? text.size() : end;
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        onLine(line, number);
        start = next;
    }
}

void ReadNames(std::string_view text, ListFileContents& contents)
{
    BadLines bad(contents);
    ForEachLine(text, [&](std::string_view line, std::size_t number) {
        const std::string_view name = TrimBoth(line);
        if (name.empty()) {
            return;
        }
        if (IsListableName(name)) {
            contents.records.push_back(PendingRecord(std::string(name)));
        } else {
            bad.Add(number);
        }
    });
}

} // namespace

void BadLines::Add(std::size_t line)
{
    if (m_contents.firstBadLines.size() < kBadLinesNamed &&
        (m_contents.firstBadLines.empty() || m_contents.firstBadLines.back() != line)) {
        m_contents.firstBadLines.push_back(line);
    }
    ++m_contents.badLineCount;
}

std::optional<ListRecord> RecordFields::ToRecord() &&
{
    ListRecord record;
    if (!name || !IsListableName(TrimBoth(*name))) {
        return std::nullopt;
    }
    record.name = std::string(TrimBoth(*name));
    if (status && !status->empty()) {
        const std::optional<RowStatus> known = RowStatusNamed(*status);
        if (!known) {
            return std::nullopt;
        }
        record.status = *known;
    }
    record.checked = checked.value_or(true);
    if (server) {
        if (!IsCleanText(*server, kLongestServer)) {
            return std::nullopt;
        }
        record.server = std::move(*server);
    }
    if (time && !time->empty()) {
        const std::optional<std::uint32_t> answeredAt = ParseAnswerTime(*time);
        if (!answeredAt) {
            return std::nullopt;
        }
        record.answeredAt = *answeredAt;
    }
    if (reason && record.status == RowStatus::NoAnswer) {
        record.reason = CleanReason(*reason);
    }
    return record;
}

std::string AnswerTimeText(std::uint32_t answeredAt)
{
    if (answeredAt == 0) {
        return {};
    }
    using namespace std::chrono;
    const sys_seconds time{seconds{answeredAt}};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text.data();
}

std::optional<std::uint32_t> ParseAnswerTime(std::string_view text)
{
    // Exactly the form written: "YYYY-MM-DDTHH:MM:SSZ".
    constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != kShape.size()) {
        return std::nullopt;
    }
    for (std::size_t index = 0; index < text.size(); ++index) {
        const bool isDigit = text[index] >= '0' && text[index] <= '9';
        if (kShape[index] == 'd' ? !isDigit : text[index] != kShape[index]) {
            return std::nullopt;
        }
    }
    const auto number = [&](std::size_t at, std::size_t length) {
        int value = 0;
        for (std::size_t index = at; index < at + length; ++index) {
            value = value * 10 + (text[index] - '0');
        }
        return value;
    };
    using namespace std::chrono;
    const year_month_day date{year{number(0, 4)}, month{static_cast<unsigned>(number(5, 2))},
                              day{static_cast<unsigned>(number(8, 2))}};
    const int hours = number(11, 2);
    const int minutes = number(14, 2);
    const int secondsPart = number(17, 2);
    if (!date.ok() || hours > 23 || minutes > 59 || secondsPart > 59) {
        return std::nullopt;
    }
    const auto since1970 = (sys_days{date} + std::chrono::hours{hours} +
                            std::chrono::minutes{minutes} + std::chrono::seconds{secondsPart})
                               .time_since_epoch()
                               .count();
    if (since1970 <= 0 || since1970 > std::numeric_limits<std::uint32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(since1970);
}

std::optional<RowStatus> RowStatusNamed(std::string_view text)
{
    for (const RowStatus status : {RowStatus::Available, RowStatus::InformationMissing,
                                   RowStatus::NoAnswer, RowStatus::Pending, RowStatus::Taken}) {
        if (RowStatusText(status) == text) {
            return status;
        }
    }
    return std::nullopt;
}

std::string ListFileHeader(ListFormat format)
{
    switch (format) {
    case ListFormat::Csv:
        return CsvListHeader();
    case ListFormat::Json:
        return "[";
    case ListFormat::Text:
    case ListFormat::JsonLines:
        break;
    }
    return {};
}

void AppendListRecord(std::string& out, const ListRecord& record, ListFormat format, bool isFirst)
{
    switch (format) {
    case ListFormat::Text:
        out += record.name;
        out += "\r\n";
        return;
    case ListFormat::Csv:
        AppendCsvRecord(out, record);
        return;
    case ListFormat::Json:
        out += isFirst ? "\n" : ",\n";
        AppendJsonRecord(out, record);
        return;
    case ListFormat::JsonLines:
        AppendJsonRecord(out, record);
        out += '\n';
        return;
    }
}

std::string ListFileFooter(ListFormat format)
{
    return format == ListFormat::Json ? "\n]\n" : std::string();
}

ListRecord PendingRecord(std::string name)
{
    return ListRecord{std::move(name), RowStatus::Pending, true, {}, 0, {}};
}

std::string BadLinesText(const std::string& source, const ListFileContents& contents)
{
    if (contents.badLineCount == 0) {
        return {};
    }
    const bool one = contents.badLineCount == 1;
    std::string text = std::to_string(contents.badLineCount) +
                       (one ? " line of \"" : " lines of \"") + source +
                       (one ? "\" could not be read and was left out: line "
                            : "\" could not be read and were left out: lines ");
    for (std::size_t index = 0; index < contents.firstBadLines.size(); ++index) {
        text += (index == 0 ? "" : ", ") + std::to_string(contents.firstBadLines[index]);
    }
    return text + (contents.badLineCount > contents.firstBadLines.size() ? " and more." : ".");
}

bool IsListableName(std::string_view name)
{
    return !name.empty() && IsCleanText(name, kLongestName);
}

ListFileContents ReadListFile(std::string_view bytes)
{
    ListFileContents contents;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    if (bytes.substr(0, 64 * 1024).find('\0') != std::string_view::npos) {
        contents.problem = "it is not a text file";
        return contents;
    }
    const std::size_t first = bytes.find_first_not_of(" \t\r\n");
    if (first != std::string_view::npos && (bytes[first] == '[' || bytes[first] == '{')) {
        ReadJsonList(bytes, contents);
    } else if (!ReadCsvList(bytes, contents)) {
        ReadNames(bytes, contents);
    }
    return contents;
}
