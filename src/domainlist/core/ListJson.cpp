#include "ListJson.h"

#include "ListFields.h"
#include "text/Utf8Text.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace {

constexpr int kDeepestJson = 64;

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
        } else if (IsControlByte(c) ||
                   (length == 2 && c == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0)) {
            // C0, DEL and C1 (U+0080 to U+009F) travel escaped: none reaches a terminal raw.
            std::array<char, 8> escaped{};
            std::snprintf(escaped.data(), escaped.size(), "\\u%04x",
                          length == 2 ? static_cast<unsigned char>(text[at + 1]) : c);
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

constexpr int kEndOfText = -1;

// Just enough JSON for lists of flat objects: strings (every escape), true, false, null, and
// numbers, arrays and objects that are skipped over.
//
// The text may be a piece of the file whose rest is still to come (`final` false): whatever looks
// past its end marks the reader short (Short()), and the record being read is then read again
// once more text is there. Once the whole text is there, it reads as the whole file would.
class JsonReader
{
public:
    JsonReader(std::string_view text, bool final, std::size_t line)
        : m_text(text), m_final(final), m_line(line)
    {}

    std::size_t Line() const { return m_line; }
    bool Short() const { return m_short; }
    void ClearShort() { m_short = false; }
    // The next character after white space (as an unsigned byte), kEndOfText at the end.
    int SkipSpace()
    {
        while (!Beyond(m_at)) {
            const char c = m_text[m_at];
            if (c == '\n') {
                ++m_line;
            } else if (c != ' ' && c != '\t' && c != '\r') {
                return static_cast<unsigned char>(c);
            }
            ++m_at;
        }
        return kEndOfText;
    }
    void Skip() { ++m_at; }

    // After a syntax error: on to the start of the next line.
    void SkipLine()
    {
        const std::size_t end = m_text.find('\n', m_at);
        if (end == std::string_view::npos) {
            Beyond(m_text.size());
        }
        m_at = end == std::string_view::npos ? m_text.size() : end;
    }

    std::size_t At() const { return m_at; }
    // Back to a place read before (its line with it).
    void MoveBack(std::size_t at, std::size_t line)
    {
        m_at = at;
        m_line = line;
    }
    // After a syntax error in a record that began at `start` on line `line`: back to the line after
    // that one, so that a record cut off never takes in the lines after its first.
    void ResumeAfter(std::size_t start, std::size_t line)
    {
        m_at = start;
        m_line = line;
        SkipLine();
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
            const int next = SkipSpace();
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
    // Whether `at` is past the text; when more text is to come, what is being read must wait.
    bool Beyond(std::size_t at)
    {
        if (at < m_text.size()) {
            return false;
        }
        m_short = m_short || !m_final;
        return true;
    }

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
        const int c = SkipSpace();
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
        if (Beyond(m_at + word.size() - 1) || m_text.substr(m_at, word.size()) != word) {
            return false;
        }
        m_at += word.size();
        return true;
    }

    bool SkipValue(int depth)
    {
        const int c = SkipSpace();
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
            const int close =
                c == '[' ? static_cast<unsigned char>(']') : static_cast<unsigned char>('}');
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
                const int next = SkipSpace();
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
            // A number at the end of a piece may go on in the next.
            Beyond(stop);
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
        if (Beyond(m_at + 3)) {
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
        while (!Beyond(m_at)) {
            const char c = m_text[m_at++];
            if (c == '"') {
                return true;
            }
            if (IsControlByte(static_cast<unsigned char>(c)) && c != 0x7F) {
                --m_at;
                return false;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (Beyond(m_at)) {
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
                if (!Beyond(m_at + 1) && m_text.substr(m_at, 2) == "\\u") {
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
    bool m_final = true;
    bool m_short = false;
    std::size_t m_at = 0;
    std::size_t m_line = 1;
};

} // namespace

void AppendJsonRecord(std::string& out, const ListRecord& record)
{
    out += "{\"name\":";
    AppendJsonString(out, record.name);
    out += ",\"status\":";
    AppendJsonString(out, RowStatusText(record.status));
    out += record.checked ? ",\"checked\":true" : ",\"checked\":false";
    out += ",\"server\":";
    AppendJsonStringOrNull(out, record.server);
    out += ",\"time\":";
    AppendJsonStringOrNull(out, AnswerTimeText(record.answeredAt));
    out += ",\"reason\":";
    AppendJsonStringOrNull(out, record.reason);
    out += '}';
}

std::size_t JsonListReader::Read(std::string_view text, bool final, ListFileContents& contents)
{
    if (m_done) {
        return text.size(); // after the array's end nothing more is read
    }
    JsonReader reader(text, final, m_line);
    BadLines bad(contents);
    std::size_t read = 0;
    // Where the reader stood after the last thing it took whole.
    const auto taken = [&] {
        read = reader.At();
        m_line = reader.Line();
    };
    if (!m_started) {
        const int first = reader.SkipSpace();
        if (reader.Short()) {
            return 0;
        }
        m_started = true;
        m_isArray = first == '[';
        contents.format = m_isArray ? ListFormat::Json : ListFormat::JsonLines;
        if (m_isArray) {
            reader.Skip();
        }
        m_closed = !m_isArray;
        taken();
    }
    while (true) {
        const std::size_t before = reader.At();
        const std::size_t lineBefore = reader.Line();
        const int next = reader.SkipSpace();
        if (next == kEndOfText) {
            if (!reader.Short()) {
                break;
            }
            taken(); // the white space is read; nothing has begun after it
            return read;
        }
        const std::size_t line = reader.Line();
        if (m_isArray && next == ']') {
            m_closed = true;
            m_done = true;
            return text.size();
        }
        if (next == ',') {
            reader.Skip();
            taken();
            continue;
        }
        RecordFields fields;
        bool typesFit = true;
        const std::size_t start = reader.At();
        const bool syntaxFits = next == '{' && reader.ReadObject(fields, typesFit);
        if (!syntaxFits && !reader.Short()) {
            reader.ResumeAfter(start, line);
        }
        if (reader.Short()) {
            // The record (or the line to skip after it) goes on in the next piece.
            reader.MoveBack(before, lineBefore);
            return read;
        }
        if (!syntaxFits) {
            bad.Add(line);
            m_lastWasBad = true;
            taken();
            continue;
        }
        m_lastWasBad = false;
        std::optional<ListRecord> record = typesFit ? std::move(fields).ToRecord() : std::nullopt;
        if (record) {
            contents.records.push_back(std::move(*record));
        } else {
            // An object over several lines leaves out each of them.
            for (std::size_t each = line; each <= reader.Line(); ++each) {
                bad.Add(each);
            }
        }
        taken();
    }
    taken();
    if (final && !m_closed && !m_lastWasBad) {
        bad.Add(reader.Line()); // cut off after a whole record: more may have followed
    }
    return read;
}
