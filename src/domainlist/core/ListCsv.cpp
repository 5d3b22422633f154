#include "ListCsv.h"

#include "ListFields.h"
#include "text/CLineListTools.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <vector>

namespace {

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

// RFC 4180 records: fields split by commas, records by CR LF or LF, quoted fields with doubled
// quotes that may span lines. A quoted field takes in the lines after its own only when it is
// closed properly (its closing quote followed by a comma, the line's end or the text's): a stray
// quote never swallows the lines after it.
//
// The text may be a piece of the file whose rest is still to come (`final` false): a record whose
// reading would look past the piece's end is not read but said to need more (NeedMore), and the
// reader stays at its start. Once the whole text is there, every record reads as it would from
// the whole file at once.
class CsvReader
{
public:
    enum class Step
    {
        Record,
        BrokenQuoting, // the record is its first line alone, and the reader is on the next line
        NeedMore,
    };

    CsvReader(std::string_view text, bool final, std::size_t line)
        : m_text(text), m_final(final), m_line(line), m_firstLine(line), m_lastLine(line)
    {}

    bool AtEnd() const { return m_at >= m_text.size(); }
    std::size_t At() const { return m_at; }
    std::size_t Line() const { return m_line; }
    // The lines of the record read last, from its first to its last.
    std::size_t FirstLine() const { return m_firstLine; }
    std::size_t LastLine() const { return m_lastLine; }

    // The next record's fields. With broken quoting the record is its first line alone, and the
    // reader has moved to the line after it, which is read anew.
    Step Next(std::vector<std::string>& fields)
    {
        const std::size_t recordStart = m_at;
        const std::size_t recordLine = m_line;
        m_firstLine = m_line;
        m_short = false;
        const Step step = ReadRecord(fields, recordStart);
        if (m_short) {
            m_at = recordStart;
            m_line = recordLine;
            return Step::NeedMore;
        }
        return step;
    }

private:
    Step ReadRecord(std::vector<std::string>& fields, std::size_t recordStart)
    {
        fields.assign(1, std::string());
        while (true) {
            if (Beyond(m_at)) {
                m_lastLine = m_line;
                return Step::Record;
            }
            const char c = m_text[m_at];
            if (c == '"' && fields.back().empty()) {
                const std::size_t closing = ReadQuoted(fields.back());
                if (m_short) {
                    return Step::NeedMore;
                }
                if (closing == std::string_view::npos || !EndsAField(closing + 1)) {
                    return BrokenQuoting(recordStart);
                }
                if (m_short) {
                    return Step::NeedMore;
                }
                MoveTo(closing + 1);
                continue;
            }
            if (c == ',') {
                fields.emplace_back();
                ++m_at;
            } else if (c == '\n' || IsLineEndAt(m_at)) {
                m_lastLine = m_line;
                MoveTo(m_text[m_at] == '\r' ? m_at + 2 : m_at + 1);
                return Step::Record;
            } else if (m_short) {
                return Step::NeedMore;
            } else if (c == '"') {
                return BrokenQuoting(recordStart);
            } else {
                const std::size_t end = m_text.find_first_of(",\"\r\n", m_at);
                const std::size_t stop = end == std::string_view::npos ? m_text.size() : end;
                fields.back().append(m_text.substr(m_at, stop - m_at));
                m_at = stop;
                if (!AtEnd() && m_text[m_at] == '\r' && !IsLineEndAt(m_at)) {
                    if (m_short) {
                        return Step::NeedMore;
                    }
                    fields.back() += '\r';
                    ++m_at;
                }
            }
        }
    }

    // Whether `at` is past the text; when more text is to come, the record must wait for it.
    bool Beyond(std::size_t at)
    {
        if (at < m_text.size()) {
            return false;
        }
        m_short = m_short || !m_final;
        return true;
    }

    // Whether a field may end at `at`: at a comma, a line's end or the text's.
    bool EndsAField(std::size_t at)
    {
        return Beyond(at) || m_text[at] == ',' || m_text[at] == '\n' || IsLineEndAt(at);
    }

    bool IsLineEndAt(std::size_t at)
    {
        return m_text[at] == '\r' && !Beyond(at + 1) && m_text[at + 1] == '\n';
    }

    // Reads the quoted field opening at m_at; returns the closing quote's place, or npos when
    // the text ends first.
    std::size_t ReadQuoted(std::string& field)
    {
        for (std::size_t at = m_at + 1;;) {
            const std::size_t quote = m_text.find('"', at);
            if (quote == std::string_view::npos) {
                Beyond(m_text.size());
                return quote;
            }
            field.append(m_text.substr(at, quote - at));
            if (!Beyond(quote + 1) && m_text[quote + 1] == '"') {
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

    // Back to the record's start, and on to the line after its first.
    Step BrokenQuoting(std::size_t recordStart)
    {
        m_at = recordStart;
        m_line = m_firstLine;
        m_lastLine = m_firstLine;
        const std::size_t end = m_text.find('\n', m_at);
        if (end == std::string_view::npos && Beyond(m_text.size())) {
            if (m_short) {
                return Step::NeedMore;
            }
        }
        MoveTo(end == std::string_view::npos ? m_text.size() : end + 1);
        return Step::BrokenQuoting;
    }

    std::string_view m_text;
    bool m_final = true;
    bool m_short = false;
    std::size_t m_at = 0;
    std::size_t m_line = 1;
    std::size_t m_firstLine = 1;
    std::size_t m_lastLine = 1;
};

// The header's column for each field name (-1 when absent); nothing when the line is not a
// header of ours: it must name "name" and one more of the fields, and nothing else.
std::optional<std::array<int, kListFieldNames.size()>>
CsvColumns(const std::vector<std::string>& header)
{
    std::array<int, kListFieldNames.size()> columns{};
    columns.fill(-1);
    for (std::size_t column = 0; column < header.size(); ++column) {
        const std::string name = Lowercase(TrimBoth(header[column]));
        const auto* known = std::ranges::find(kListFieldNames, name);
        if (known == kListFieldNames.end() ||
            columns[static_cast<std::size_t>(known - kListFieldNames.begin())] >= 0) {
            return std::nullopt;
        }
        columns[static_cast<std::size_t>(known - kListFieldNames.begin())] =
            static_cast<int>(column);
    }
    if (columns[0] < 0 || header.size() < 2) {
        return std::nullopt;
    }
    return columns;
}

} // namespace

std::string CsvListHeader()
{
    std::string header;
    for (const std::string_view name : kListFieldNames) {
        header += name;
        header += ',';
    }
    header.back() = '\r';
    return header + '\n';
}

void AppendCsvRecord(std::string& out, const ListRecord& record)
{
    const std::string time = AnswerTimeText(record.answeredAt);
    for (const std::string_view field :
         {std::string_view(record.name), RowStatusText(record.status),
          std::string_view(record.checked ? "true" : "false"), std::string_view(record.server),
          std::string_view(time), std::string_view(record.reason)}) {
        AppendCsvField(out, field);
        out += ',';
    }
    out.back() = '\r';
    out += '\n';
}

CsvListReader::Header CsvListReader::ReadHeader(std::string_view text, bool final,
                                                std::size_t& read)
{
    CsvReader reader(text, final, 1);
    std::vector<std::string> header;
    const CsvReader::Step step = reader.Next(header);
    if (step == CsvReader::Step::NeedMore) {
        return Header::NeedMore;
    }
    const auto columns = step == CsvReader::Step::Record ? CsvColumns(header) : std::nullopt;
    if (!columns) {
        return Header::NotOurs;
    }
    m_columns.assign(columns->begin(), columns->end());
    m_headerSize = header.size();
    m_line = reader.Line();
    read = reader.At();
    return Header::Ours;
}

std::size_t CsvListReader::Read(std::string_view text, bool final, ListFileContents& contents)
{
    CsvReader reader(text, final, m_line);
    BadLines bad(contents);
    std::vector<std::string> fields;
    std::size_t read = 0;
    while (!reader.AtEnd()) {
        const CsvReader::Step step = reader.Next(fields);
        if (step == CsvReader::Step::NeedMore) {
            break;
        }
        read = reader.At();
        m_line = reader.Line();
        // Every line of a record that is left out is counted: a quoted line break makes one
        // record of several lines.
        const auto leftOut = [&] {
            for (std::size_t line = reader.FirstLine(); line <= reader.LastLine(); ++line) {
                bad.Add(line);
            }
        };
        if (step == CsvReader::Step::Record && fields.size() == 1 && fields.front().empty()) {
            continue; // an empty line
        }
        if (step != CsvReader::Step::Record || fields.size() != m_headerSize) {
            leftOut();
            continue;
        }
        const auto field = [&](std::size_t index) -> std::optional<std::string> {
            const int column = m_columns[index];
            return column < 0 ? std::nullopt
                              : std::optional(std::move(fields[static_cast<std::size_t>(column)]));
        };
        RecordFields readFields{field(0), field(1), std::nullopt, field(3), field(4), field(5)};
        if (const std::optional<std::string> checked = field(2)) {
            readFields.checked = CheckedNamed(*checked);
            if (!readFields.checked) {
                leftOut();
                continue;
            }
        }
        if (std::optional<ListRecord> record = std::move(readFields).ToRecord()) {
            contents.records.push_back(std::move(*record));
        } else {
            leftOut();
        }
    }
    return read;
}
