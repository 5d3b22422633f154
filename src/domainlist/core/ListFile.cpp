#include "ListFile.h"

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
constexpr int kDeepestJson = 64;
constexpr std::array<std::string_view, 6> kFieldNames{"name",   "status", "checked",
                                                      "server", "time",   "reason"};

bool IsControl(unsigned char c)
{
    return c < 0x20 || c == 0x7F;
}

// Valid UTF-8 without control characters, and at most `longest` bytes.
bool IsCleanText(std::string_view text, std::size_t longest)
{
    if (text.size() > longest) {
        return false;
    }
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0 || IsControl(static_cast<unsigned char>(text[at]))) {
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
        if (IsControl(static_cast<unsigned char>(text[at]))) {
            clean += ' ';
        } else {
            clean.append(text.substr(at, length));
        }
        at += length;
    }
    return clean;
}

std::string Lowercase(std::string_view text)
{
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return lower;
}

void AppendCsvField(std::string& out, std::string_view field)
{
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
}

void AppendJsonString(std::string& out, std::string_view text)
{
    out += '"';
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, at);
        const auto c = static_cast<unsigned char>(text[at]);
        if (length == 0) {
            out += "\\ufffd"; // JSON holds text only; a stray byte cannot travel in it
            ++at;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (IsControl(c)) {
            std::array<char, 8> escaped{};
            std::snprintf(escaped.data(), escaped.size(), "\\u%04x", c);
            out += escaped.data();
        } else {
            out.append(text.substr(at, length));
        }
        at += length;
    }
    out += '"';
}

void AppendJsonStringOrNull(std::string& out, std::string_view text)
{
    if (text.empty()) {
        out += "null";
    } else {
        AppendJsonString(out, text);
    }
}

class BadLines
{
public:
    explicit BadLines(ListFileContents& contents) : m_contents(contents) {}
    void Add(std::size_t line)
    {
        if (m_contents.firstBadLines.size() < kBadLinesNamed &&
            (m_contents.firstBadLines.empty() || m_contents.firstBadLines.back() != line)) {
            m_contents.firstBadLines.push_back(line);
        }
        ++m_contents.badLineCount;
    }

private:
    ListFileContents& m_contents;
};

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

    std::optional<ListRecord> ToRecord() &&
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
};

std::optional<bool> CheckedNamed(std::string_view text)
{
    const std::string lower = Lowercase(TrimBoth(text));
    if (lower.empty() || lower == "true" || lower == "1" || lower == "yes") {
        return true;
    }
    if (lower == "false" || lower == "0" || lower == "no") {
        return false;
    }
    return std::nullopt;
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

// RFC 4180 records: fields split by commas, records by CR LF or LF, quoted fields with doubled
// quotes that may span lines.
class CsvReader
{
public:
    explicit CsvReader(std::string_view text) : m_text(text) {}

    bool AtEnd() const { return m_at >= m_text.size(); }
    std::size_t Line() const { return m_line; }

    // The next record's fields; nothing when it is malformed, and then the reader has moved to
    // the line after the one the error is on (for an unclosed quote: the record's first line).
    std::optional<std::vector<std::string>> Next()
    {
        const std::size_t recordStart = m_at;
        const std::size_t recordLine = m_line;
        std::vector<std::string> fields(1);
        while (true) {
            if (AtEnd()) {
                return fields;
            }
            const char c = m_text[m_at];
            if (c == '"' && fields.back().empty()) {
                const std::size_t closing = ReadQuoted(fields.back());
                if (closing == std::string_view::npos) {
                    m_at = recordStart;
                    m_line = recordLine;
                    return SkipLine();
                }
                MoveTo(closing + 1);
                if (!AtEnd() && m_text[m_at] != ',' && m_text[m_at] != '\n' && !IsLineEndAt(m_at)) {
                    return SkipLine();
                }
                continue;
            }
            if (c == ',') {
                fields.emplace_back();
                ++m_at;
            } else if (c == '\n' || IsLineEndAt(m_at)) {
                MoveTo(m_text[m_at] == '\r' ? m_at + 2 : m_at + 1);
                return fields;
            } else if (c == '"') {
                return SkipLine();
            } else {
                const std::size_t end = m_text.find_first_of(",\"\r\n", m_at);
                const std::size_t stop = end == std::string_view::npos ? m_text.size() : end;
                fields.back().append(m_text.substr(m_at, stop - m_at));
                m_at = stop;
                if (!AtEnd() && m_text[m_at] == '\r' && !IsLineEndAt(m_at)) {
                    fields.back() += '\r';
                    ++m_at;
                }
            }
        }
    }

private:
    bool IsLineEndAt(std::size_t at) const
    {
        return m_text[at] == '\r' && at + 1 < m_text.size() && m_text[at + 1] == '\n';
    }

    // Reads the quoted field opening at m_at; returns the closing quote's place, or npos when
    // the text ends first.
    std::size_t ReadQuoted(std::string& field) const
    {
        for (std::size_t at = m_at + 1;;) {
            const std::size_t quote = m_text.find('"', at);
            if (quote == std::string_view::npos) {
                return quote;
            }
            field.append(m_text.substr(at, quote - at));
            if (quote + 1 < m_text.size() && m_text[quote + 1] == '"') {
                field += '"';
                at = quote + 2;
            } else {
                return quote;
            }
        }
    }

    void MoveTo(std::size_t at)
    {
        m_line += static_cast<std::size_t>(
            std::count(m_text.begin() + static_cast<std::ptrdiff_t>(m_at),
                       m_text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
        m_at = at;
    }

    std::nullopt_t SkipLine()
    {
        const std::size_t end = m_text.find('\n', m_at);
        MoveTo(end == std::string_view::npos ? m_text.size() : end + 1);
        return std::nullopt;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
    std::size_t m_line = 1;
};

// The header's column for each field name (-1 when absent); nothing when the line is not a
// header of ours: it must name "name" and one more of the fields, and nothing else.
std::optional<std::array<int, kFieldNames.size()>>
CsvColumns(const std::vector<std::string>& header)
{
    std::array<int, kFieldNames.size()> columns{};
    columns.fill(-1);
    for (std::size_t column = 0; column < header.size(); ++column) {
        const std::string name = Lowercase(TrimBoth(header[column]));
        const auto* known = std::ranges::find(kFieldNames, name);
        if (known == kFieldNames.end() ||
            columns[static_cast<std::size_t>(known - kFieldNames.begin())] >= 0) {
            return std::nullopt;
        }
        columns[static_cast<std::size_t>(known - kFieldNames.begin())] = static_cast<int>(column);
    }
    if (columns[0] < 0 || header.size() < 2) {
        return std::nullopt;
    }
    return columns;
}

bool ReadCsv(std::string_view text, ListFileContents& contents)
{
    CsvReader reader(text);
    const std::optional<std::vector<std::string>> header = reader.Next();
    const auto columns = header ? CsvColumns(*header) : std::nullopt;
    if (!columns) {
        return false;
    }
    contents.format = ListFormat::Csv;
    BadLines bad(contents);
    while (!reader.AtEnd()) {
        const std::size_t line = reader.Line();
        std::optional<std::vector<std::string>> fields = reader.Next();
        if (fields && fields->size() == 1 && fields->front().empty()) {
            continue; // an empty line
        }
        if (!fields || fields->size() != header->size()) {
            bad.Add(line);
            continue;
        }
        const auto field = [&](std::size_t index) -> std::optional<std::string> {
            const int column = (*columns)[index];
            return column < 0
                       ? std::nullopt
                       : std::optional(std::move((*fields)[static_cast<std::size_t>(column)]));
        };
        RecordFields read{field(0), field(1), std::nullopt, field(3), field(4), field(5)};
        if (const std::optional<std::string> checked = field(2)) {
            read.checked = CheckedNamed(*checked);
            if (!read.checked) {
                bad.Add(line);
                continue;
            }
        }
        if (std::optional<ListRecord> record = std::move(read).ToRecord()) {
            contents.records.push_back(std::move(*record));
        } else {
            bad.Add(line);
        }
    }
    return true;
}

// Just enough JSON for lists of flat objects: strings (every escape), true, false, null, and
// numbers, arrays and objects that are skipped over.
class JsonReader
{
public:
    explicit JsonReader(std::string_view text) : m_text(text) {}

    std::size_t Line() const { return m_line; }
    // The next character after white space, '\0' at the end.
    char SkipSpace()
    {
        while (m_at < m_text.size()) {
            const char c = m_text[m_at];
            if (c == '\n') {
                ++m_line;
            } else if (c != ' ' && c != '\t' && c != '\r') {
                return c;
            }
            ++m_at;
        }
        return '\0';
    }
    void Skip() { ++m_at; }

    // After a syntax error: on to the start of the next line.
    void SkipLine()
    {
        const std::size_t end = m_text.find('\n', m_at);
        m_at = end == std::string_view::npos ? m_text.size() : end;
    }

    // Reads one object into `fields`; false on a syntax error. A value of the wrong type marks
    // the record as unusable in `typesFit`, but the object is still read to its end.
    bool ReadObject(RecordFields& fields, bool& typesFit)
    {
        typesFit = true;
        ++m_at; // '{'
        if (SkipSpace() == '}') {
            ++m_at;
            return true;
        }
        while (true) {
            std::string key;
            if (SkipSpace() != '"' || !ReadString(key) || SkipSpace() != ':') {
                return false;
            }
            ++m_at;
            if (!ReadField(key, fields, typesFit)) {
                return false;
            }
            const char next = SkipSpace();
            ++m_at;
            if (next == '}') {
                return true;
            }
            if (next != ',') {
                return false;
            }
        }
    }

private:
    bool ReadField(const std::string& key, RecordFields& fields, bool& typesFit)
    {
        std::optional<std::string>* text = nullptr;
        if (key == "name") {
            text = &fields.name;
        } else if (key == "status") {
            text = &fields.status;
        } else if (key == "server") {
            text = &fields.server;
        } else if (key == "time") {
            text = &fields.time;
        } else if (key == "reason") {
            text = &fields.reason;
        }
        const char c = SkipSpace();
        if (key == "checked" && (c == 't' || c == 'f')) {
            fields.checked = c == 't';
            return ReadWord(c == 't' ? "true" : "false");
        }
        if (text != nullptr && c == '"') {
            *text = std::string();
            return ReadString(**text);
        }
        if ((text != nullptr || key == "checked") && c != 'n') {
            typesFit = false; // a number for a name, a string for "checked"...
        }
        return SkipValue(0);
    }

    bool ReadWord(std::string_view word)
    {
        if (m_text.substr(m_at, word.size()) != word) {
            return false;
        }
        m_at += word.size();
        return true;
    }

    bool SkipValue(int depth)
    {
        const char c = SkipSpace();
        if (depth > kDeepestJson) {
            return false;
        }
        switch (c) {
        case '"': {
            std::string ignored;
            return ReadString(ignored);
        }
        case 't':
            return ReadWord("true");
        case 'f':
            return ReadWord("false");
        case 'n':
            return ReadWord("null");
        case '[':
        case '{': {
            const char close = c == '[' ? ']' : '}';
            ++m_at;
            if (SkipSpace() == close) {
                ++m_at;
                return true;
            }
            while (true) {
                if (c == '{') {
                    std::string ignored;
                    if (SkipSpace() != '"' || !ReadString(ignored) || SkipSpace() != ':') {
                        return false;
                    }
                    ++m_at;
                }
                if (!SkipValue(depth + 1)) {
                    return false;
                }
                const char next = SkipSpace();
                ++m_at;
                if (next == close) {
                    return true;
                }
                if (next != ',') {
                    return false;
                }
            }
        }
        default: {
            const std::size_t end = m_text.find_first_not_of("+-0123456789.eE", m_at);
            const std::size_t stop = end == std::string_view::npos ? m_text.size() : end;
            if (stop == m_at) {
                return false;
            }
            m_at = stop;
            return true;
        }
        }
    }

    std::optional<std::uint32_t> ReadHex4()
    {
        if (m_at + 4 > m_text.size()) {
            return std::nullopt;
        }
        std::uint32_t value = 0;
        for (int digit = 0; digit < 4; ++digit) {
            const char c = m_text[m_at++];
            value <<= 4;
            if (c >= '0' && c <= '9') {
                value |= static_cast<std::uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                value |= static_cast<std::uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                value |= static_cast<std::uint32_t>(c - 'A' + 10);
            } else {
                return std::nullopt;
            }
        }
        return value;
    }

    // A string whose opening quote is at m_at; a raw control character (a line break in a cut
    // file) ends it as an error.
    bool ReadString(std::string& out)
    {
        ++m_at;
        while (m_at < m_text.size()) {
            const char c = m_text[m_at++];
            if (c == '"') {
                return true;
            }
            if (IsControl(static_cast<unsigned char>(c)) && c != 0x7F) {
                --m_at;
                return false;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_at >= m_text.size()) {
                return false;
            }
            const char escaped = m_text[m_at++];
            static constexpr std::string_view kFrom = "\"\\/bfnrt";
            static constexpr std::string_view kTo = "\"\\/\b\f\n\r\t";
            if (const auto simple = kFrom.find(escaped); simple != std::string_view::npos) {
                out += kTo[simple];
                continue;
            }
            if (escaped != 'u') {
                return false;
            }
            std::optional<std::uint32_t> unit = ReadHex4();
            if (!unit) {
                return false;
            }
            std::uint32_t codePoint = *unit;
            if (codePoint >= 0xD800 && codePoint <= 0xDBFF) {
                std::optional<std::uint32_t> low;
                if (m_text.substr(m_at, 2) == "\\u") {
                    m_at += 2;
                    low = ReadHex4();
                }
                if (!low || *low < 0xDC00 || *low > 0xDFFF) {
                    return false;
                }
                codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (*low - 0xDC00);
            } else if (codePoint >= 0xDC00 && codePoint <= 0xDFFF) {
                return false;
            }
            AppendUtf8(out, static_cast<char32_t>(codePoint));
        }
        return false;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
    std::size_t m_line = 1;
};

void ReadJson(std::string_view text, ListFileContents& contents)
{
    JsonReader reader(text);
    BadLines bad(contents);
    const bool isArray = reader.SkipSpace() == '[';
    contents.format = isArray ? ListFormat::Json : ListFormat::JsonLines;
    if (isArray) {
        reader.Skip();
    }
    bool closed = !isArray;
    bool lastWasBad = false;
    while (true) {
        const char next = reader.SkipSpace();
        if (next == '\0') {
            break;
        }
        const std::size_t line = reader.Line();
        if (isArray && next == ']') {
            closed = true;
            break;
        }
        if (next == ',') {
            reader.Skip();
            continue;
        }
        RecordFields fields;
        bool typesFit = true;
        if (next != '{' || !reader.ReadObject(fields, typesFit)) {
            bad.Add(line);
            lastWasBad = true;
            reader.SkipLine();
            continue;
        }
        lastWasBad = false;
        std::optional<ListRecord> record = typesFit ? std::move(fields).ToRecord() : std::nullopt;
        if (record) {
            contents.records.push_back(std::move(*record));
        } else {
            bad.Add(line);
        }
    }
    if (!closed && !lastWasBad) {
        bad.Add(reader.Line()); // cut off after a whole record: more may have followed
    }
}

} // namespace

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
        return "name,status,checked,server,time,reason\r\n";
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
    const std::string time = AnswerTimeText(record.answeredAt);
    switch (format) {
    case ListFormat::Text:
        out += record.name;
        out += "\r\n";
        return;
    case ListFormat::Csv:
        for (const std::string_view field :
             {std::string_view(record.name), RowStatusText(record.status),
              std::string_view(record.checked ? "true" : "false"), std::string_view(record.server),
              std::string_view(time), std::string_view(record.reason)}) {
            AppendCsvField(out, field);
            out += ',';
        }
        out.back() = '\r';
        out += '\n';
        return;
    case ListFormat::Json:
    case ListFormat::JsonLines:
        if (format == ListFormat::Json) {
            out += isFirst ? "\n" : ",\n";
        }
        out += "{\"name\":";
        AppendJsonString(out, record.name);
        out += ",\"status\":";
        AppendJsonString(out, RowStatusText(record.status));
        out += record.checked ? ",\"checked\":true" : ",\"checked\":false";
        out += ",\"server\":";
        AppendJsonStringOrNull(out, record.server);
        out += ",\"time\":";
        AppendJsonStringOrNull(out, time);
        out += ",\"reason\":";
        AppendJsonStringOrNull(out, record.reason);
        out += '}';
        if (format == ListFormat::JsonLines) {
            out += '\n';
        }
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
        ReadJson(bytes, contents);
    } else if (!ReadCsv(bytes, contents)) {
        ReadNames(bytes, contents);
    }
    return contents;
}
