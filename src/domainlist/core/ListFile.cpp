#include "ListFile.h"

#include "ListCsv.h"
#include "ListFields.h"
#include "ListJson.h"
#include "text/CLineListTools.h"
#include "text/Utf8Text.h"

#include <algorithm>
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

namespace {

bool IsAllBlank(std::string_view text)
{
    return text.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos;
}

} // namespace

// The bytes of the file become UTF-8 text (UTF-16 with its mark decoded, UTF-8's mark dropped),
// which a reader for its format takes a piece at a time: whatever the reader has not read yet
// (a record cut by a piece's end) waits for the next piece.
struct ListFileReader::State
{
    enum class Encoding
    {
        Undecided,
        Utf8,
        Utf16LittleEndian,
        Utf16BigEndian,
    };
    enum class Stage
    {
        Undecided, // no character but white space yet
        CsvHeader, // not JSON: a CSV header of ours, or names
        Names,
        Csv,
        Json,
    };

    ListFileContents contents;
    Encoding encoding = Encoding::Undecided;
    std::string head; // the first bytes, until the mark is known
    std::optional<std::uint8_t> oddByte;
    char16_t highSurrogate = 0;
    std::string text;
    std::size_t at = 0; // how much of `text` is read
    Stage stage = Stage::Undecided;
    CsvListReader csv;
    JsonListReader json;
    std::size_t namesLine = 1;
    std::size_t blankLines = 0; // read before the format was known
    // A line too long to wait for, skipped to its end: its number and whether all of it so far
    // was blank.
    bool skipping = false;
    std::size_t skippedLine = 0;
    bool skippedBlank = true;

    void Decode(std::string_view bytes, bool final);
    void DecodeUtf16(std::string_view bytes, bool final);
    void Parse(bool final);
    std::size_t ReadNames(std::string_view view, bool final);
    void Name(std::string_view line, std::size_t number);
    // Skips text up to the end of the line being skipped; true once it has ended.
    bool Skip(std::string_view view, std::size_t& read);
    void EndSkipping();
};

void ListFileReader::State::Decode(std::string_view bytes, bool final)
{
    if (encoding == Encoding::Undecided) {
        head.append(bytes);
        if (head.size() < 3 && !final) {
            return;
        }
        std::string_view start = head;
        if (start.starts_with("\xEF\xBB\xBF")) {
            encoding = Encoding::Utf8;
            start.remove_prefix(3);
        } else if (start.starts_with("\xFF\xFE")) {
            encoding = Encoding::Utf16LittleEndian;
            start.remove_prefix(2);
        } else if (start.starts_with("\xFE\xFF")) {
            encoding = Encoding::Utf16BigEndian;
            start.remove_prefix(2);
        } else {
            encoding = Encoding::Utf8;
        }
        const std::string rest(start);
        head.clear();
        head.shrink_to_fit();
        Decode(rest, final);
        return;
    }
    if (encoding == Encoding::Utf8) {
        text.append(bytes);
    } else {
        DecodeUtf16(bytes, final);
    }
}

void ListFileReader::State::DecodeUtf16(std::string_view bytes, bool final)
{
    const auto unit = [&](std::uint8_t first, std::uint8_t second) {
        const auto value =
            static_cast<char16_t>(encoding == Encoding::Utf16LittleEndian ? first | (second << 8)
                                                                          : (first << 8) | second);
        const bool isHigh = value >= 0xD800 && value <= 0xDBFF;
        const bool isLow = value >= 0xDC00 && value <= 0xDFFF;
        if (highSurrogate != 0) {
            const char16_t high = highSurrogate;
            highSurrogate = 0;
            if (isLow) {
                AppendUtf8(text, 0x10000 + ((char32_t(high) - 0xD800) << 10) +
                                     (char32_t(value) - 0xDC00));
                return;
            }
            AppendUtf8(text, 0xFFFD);
        }
        if (isHigh) {
            highSurrogate = value;
        } else {
            AppendUtf8(text, isLow ? char32_t(0xFFFD) : char32_t(value));
        }
    };
    std::size_t next = 0;
    if (oddByte && !bytes.empty()) {
        unit(*oddByte, static_cast<std::uint8_t>(bytes[0]));
        oddByte.reset();
        next = 1;
    }
    for (; next + 1 < bytes.size(); next += 2) {
        unit(static_cast<std::uint8_t>(bytes[next]), static_cast<std::uint8_t>(bytes[next + 1]));
    }
    if (next < bytes.size()) {
        oddByte = static_cast<std::uint8_t>(bytes[next]);
    }
    if (final && highSurrogate != 0) {
        highSurrogate = 0;
        AppendUtf8(text, 0xFFFD);
    }
    // A last odd byte is no character: the file ends before it, as the keyword files' reader has
    // it.
}

void ListFileReader::State::Name(std::string_view line, std::size_t number)
{
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (line.size() > kLongestListLine) {
        if (!IsAllBlank(line)) {
            BadLines(contents).Add(number);
        }
        return;
    }
    const std::string_view name = TrimBoth(line);
    if (name.empty()) {
        return;
    }
    // A line with a NUL byte (or any control character) is bad on its own; the rest is read.
    if (IsListableName(name)) {
        contents.records.push_back(PendingRecord(std::string(name)));
    } else {
        BadLines(contents).Add(number);
    }
}

std::size_t ListFileReader::State::ReadNames(std::string_view view, bool final)
{
    std::size_t read = 0;
    while (read < view.size()) {
        const std::size_t end = view.find('\n', read);
        if (end == std::string_view::npos) {
            if (!final) {
                break;
            }
            Name(view.substr(read), namesLine++);
            return view.size();
        }
        Name(view.substr(read, end - read), namesLine++);
        read = end + 1;
    }
    return read;
}

bool ListFileReader::State::Skip(std::string_view view, std::size_t& read)
{
    const std::size_t end = view.find('\n');
    const std::string_view skipped = view.substr(0, end);
    skippedBlank = skippedBlank && IsAllBlank(skipped);
    read = end == std::string_view::npos ? view.size() : end + 1;
    return end != std::string_view::npos;
}

void ListFileReader::State::EndSkipping()
{
    skipping = false;
    if (stage == Stage::Names) {
        if (!skippedBlank) {
            BadLines(contents).Add(skippedLine);
        }
        ++namesLine;
    } else {
        BadLines(contents).Add(skippedLine);
        if (stage == Stage::Csv) {
            csv.SkipLines(1);
        } else {
            json.SkipLines(1);
        }
    }
}

void ListFileReader::State::Parse(bool final)
{
    while (true) {
        std::string_view view = std::string_view(text).substr(at);
        if (skipping) {
            std::size_t read = 0;
            const bool ended = Skip(view, read);
            at += read;
            if (!ended && !final) {
                break;
            }
            EndSkipping();
            continue;
        }
        std::size_t read = 0;
        bool waiting = false; // for more text than there is
        switch (stage) {
        case Stage::Undecided: {
            // White space alone says nothing yet: JSON starts with its first other character.
            const std::size_t first = view.find_first_not_of(" \t\r\n");
            if (first == std::string_view::npos && !final) {
                // Whole blank lines are read (the names and JSON readers skip them too); a CSV
                // header can only be the first line.
                const std::size_t lastEnd = view.rfind('\n');
                if (lastEnd != std::string_view::npos) {
                    read = lastEnd + 1;
                    const auto lines = static_cast<std::size_t>(std::count(
                        view.begin(), view.begin() + static_cast<std::ptrdiff_t>(read), '\n'));
                    namesLine += lines;
                    json.SkipLines(lines);
                    blankLines += lines;
                }
                if (view.size() - read <= kLongestListRecord) {
                    waiting = true;
                    break;
                }
            }
            if (first != std::string_view::npos && (view[first] == '[' || view[first] == '{')) {
                stage = Stage::Json;
            } else {
                stage = blankLines > 0 ? Stage::Names : Stage::CsvHeader;
            }
            break;
        }
        case Stage::CsvHeader:
            switch (csv.ReadHeader(view, final, read)) {
            case CsvListReader::Header::Ours:
                contents.format = ListFormat::Csv;
                stage = Stage::Csv;
                break;
            case CsvListReader::Header::NotOurs:
                stage = Stage::Names;
                break;
            case CsvListReader::Header::NeedMore:
                // A header longer than any of ours is none.
                if (view.size() > kLongestListRecord) {
                    stage = Stage::Names;
                } else {
                    waiting = true;
                }
                break;
            }
            break;
        case Stage::Names:
            read = ReadNames(view, final);
            waiting = true;
            break;
        case Stage::Csv:
            read = csv.Read(view, final, contents);
            waiting = true;
            break;
        case Stage::Json:
            read = json.Read(view, final, contents);
            waiting = true;
            break;
        }
        at += read;
        if (!waiting) {
            continue;
        }
        view.remove_prefix(read);
        const std::size_t longest =
            stage == Stage::Names ? kLongestListLine + 1 : kLongestListRecord;
        if (final || view.size() <= longest || stage == Stage::Undecided ||
            stage == Stage::CsvHeader) {
            break;
        }
        // A record (or line) that goes on past any the reader waits for: when its first line
        // has ended, that line is read as if the file ended there (so the record is bad, and the
        // reader goes on with the next line); otherwise the line is bad and skipped to its end.
        const std::size_t end = view.find('\n');
        if (end == std::string_view::npos || stage == Stage::Names) {
            skipping = true;
            skippedBlank = true;
            skippedLine = stage == Stage::Names ? namesLine
                          : stage == Stage::Csv ? csv.Line()
                                                : json.Line();
            continue;
        }
        const std::string_view firstLine = view.substr(0, end + 1);
        const std::size_t firstRead = stage == Stage::Csv ? csv.Read(firstLine, true, contents)
                                                          : json.Read(firstLine, true, contents);
        if (firstRead == 0) {
            // Nothing was taken from it after all: skipped as a bad line, so that reading goes on.
            skipping = true;
            skippedBlank = true;
            skippedLine = stage == Stage::Csv ? csv.Line() : json.Line();
        }
        at += firstRead;
    }
    // What was read goes, so that the text held is never much more than one piece and a record.
    if (at > 0 && (at >= text.size() / 2 || final)) {
        text.erase(0, at);
        at = 0;
    }
}

ListFileReader::ListFileReader() : m_state(std::make_unique<State>()) {}

ListFileReader::~ListFileReader() = default;

void ListFileReader::Feed(std::string_view bytes)
{
    m_state->Decode(bytes, false);
    m_state->Parse(false);
}

void ListFileReader::Finish()
{
    m_state->Decode({}, true);
    m_state->Parse(true);
}

ListFileContents& ListFileReader::Contents()
{
    return m_state->contents;
}

ListFileContents ReadListFile(std::string_view bytes)
{
    ListFileReader reader;
    reader.Feed(bytes);
    reader.Finish();
    return std::move(reader.Contents());
}

ListFileContents ReadListFile(InputFile& file,
                              const std::function<void(std::vector<ListRecord>&)>& take)
{
    ListFileReader reader;
    std::vector<char> chunk(kListFileChunk);
    while (true) {
        const std::size_t count = file.Read(chunk.data(), chunk.size());
        if (count == 0) {
            break;
        }
        reader.Feed(std::string_view(chunk.data(), count));
        if (!reader.Contents().records.empty()) {
            take(reader.Contents().records);
            reader.Contents().records.clear();
        }
    }
    if (file.Failed() != InputFile::Failure::None) {
        ListFileContents failed = std::move(reader.Contents());
        failed.records.clear();
        failed.problem = file.Reason();
        return failed;
    }
    reader.Finish();
    if (!reader.Contents().records.empty()) {
        take(reader.Contents().records);
        reader.Contents().records.clear();
    }
    return std::move(reader.Contents());
}
