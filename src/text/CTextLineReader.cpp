#include "CTextLineReader.h"

#include "CLineListTools.h"
#include "Utf8Text.h"

#include <algorithm>

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr char32_t kEndOfFileCharacter = 0;

bool IsHighSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

bool CTextLineReader::Open(const std::string& path)
{
    Close();
    m_position = -1;
    m_bytesRead = 0;
    m_hasPushedBack = false;
    m_hasHeldByte = false;
    m_endOfFileAfterHeldByte = false;
    m_pendingHighSurrogate = 0;
    m_encoding = TextEncoding::Ansi;
    m_endOfFile = !m_file.Open(path, m_sizeLimit);
    if (m_endOfFile) {
        return false;
    }
    const std::uint8_t first = NextByte();
    const std::uint8_t second = NextByte();
    if (!m_endOfFile && first == 0xFF && second == 0xFE) {
        m_encoding = TextEncoding::Utf16LittleEndian;
    } else if (!m_endOfFile && first == 0xFE && second == 0xFF) {
        m_encoding = TextEncoding::Utf16BigEndian;
    } else if (!m_endOfFile && first == 0xEF && second == 0xBB && NextByte() == 0xBF &&
               !m_endOfFile) {
        m_encoding = TextEncoding::Utf8;
    } else {
        // No mark: start again at the first byte, so a one-byte file still gives its byte.
        m_position = -1;
        m_bytesRead = 0;
        m_endOfFile = !m_file.Rewind();
    }
    return true;
}

void CTextLineReader::Close()
{
    m_file.Close();
    m_endOfFile = true;
}

std::uint8_t CTextLineReader::NextByte()
{
    if (m_hasHeldByte) {
        m_hasHeldByte = false;
        return m_heldByte;
    }
    if (m_endOfFileAfterHeldByte || !m_file.IsOpen()) {
        m_endOfFile = true;
        return 0;
    }
    if (m_position < 0 || m_position >= m_bytesRead) {
        // The limit is kept while reading: a file that grew past it since it was opened fails.
        m_bytesRead = static_cast<int>(
            m_file.Read(reinterpret_cast<char*>(m_buffer.data()), m_buffer.size()));
        m_position = 0;
        if (m_bytesRead == 0) {
            m_endOfFile = true;
            return 0;
        }
    }
    return m_buffer[static_cast<std::size_t>(m_position++)];
}

char32_t CTextLineReader::NextCharacter()
{
    if (m_hasPushedBack) {
        m_hasPushedBack = false;
        return m_pushedBack;
    }
    switch (m_encoding) {
    case TextEncoding::Ansi:
        return NextByte();
    case TextEncoding::Utf16LittleEndian:
    case TextEncoding::Utf16BigEndian: {
        const std::uint8_t first = NextByte();
        const std::uint8_t second = NextByte();
        if (m_endOfFile) {
            return kEndOfFileCharacter;
        }
        return m_encoding == TextEncoding::Utf16LittleEndian ? char32_t(first | (second << 8))
                                                             : char32_t((first << 8) | second);
    }
    case TextEncoding::Utf8:
        break;
    }
    const std::uint8_t lead = NextByte();
    if (m_endOfFile || lead < 0x80) {
        return lead;
    }
    int following = 0;
    char32_t character = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        following = 1;
        character = lead & 0x1F;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        following = 2;
        character = lead & 0x0F;
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        following = 3;
        character = lead & 0x07;
        smallest = 0x10000;
    } else {
        return kReplacementCharacter;
    }
    for (int index = 0; index < following; ++index) {
        const std::uint8_t next = NextByte();
        if (m_endOfFile) {
            // The cut sequence is one bad character; the end of the file comes after it.
            m_endOfFile = false;
            m_endOfFileAfterHeldByte = true;
            return kReplacementCharacter;
        }
        if ((next & 0xC0) != 0x80) {
            // Not a continuation byte: it starts the next character.
            m_hasHeldByte = true;
            m_heldByte = next;
            return kReplacementCharacter;
        }
        character = (character << 6) | (next & 0x3F);
    }
    if (character < smallest || character > 0x10FFFF ||
        (character >= 0xD800 && character <= 0xDFFF)) {
        return kReplacementCharacter;
    }
    return character;
}

void CTextLineReader::AppendCharacter(std::string& line, char32_t character)
{
    switch (m_encoding) {
    case TextEncoding::Ansi:
        line += static_cast<char>(character);
        return;
    case TextEncoding::Utf8:
        AppendUtf8(line, character);
        return;
    case TextEncoding::Utf16BigEndian:
    case TextEncoding::Utf16LittleEndian:
        break;
    }
    if (m_pendingHighSurrogate != 0) {
        const char32_t high = m_pendingHighSurrogate;
        m_pendingHighSurrogate = 0;
        if (IsLowSurrogate(character)) {
            AppendUtf8(line, 0x10000 + ((high - 0xD800) << 10) + (character - 0xDC00));
            return;
        }
        AppendUtf8(line, kReplacementCharacter);
    }
    if (IsHighSurrogate(character)) {
        m_pendingHighSurrogate = static_cast<char16_t>(character);
    } else if (IsLowSurrogate(character)) {
        AppendUtf8(line, kReplacementCharacter);
    } else {
        AppendUtf8(line, character);
    }
}

bool CTextLineReader::ReadLine(std::string& line)
{
    line.clear();
    // Consume the line end that stopped the previous line (or one at the very start).
    char32_t character = NextCharacter();
    if (character == '\n') {
        character = NextCharacter();
    } else if (character == '\r') {
        character = NextCharacter();
        if (character == '\n') {
            character = NextCharacter();
        }
    }
    if (m_endOfFile) {
        return false;
    }
    while (!m_endOfFile && character != '\r' && character != '\n') {
        AppendCharacter(line, character);
        character = NextCharacter();
    }
    if (m_pendingHighSurrogate != 0) {
        m_pendingHighSurrogate = 0;
        AppendUtf8(line, kReplacementCharacter);
    }
    if (!m_endOfFile) {
        m_hasPushedBack = true;
        m_pushedBack = character;
    }
    return true;
}

void CTextLineReader::ThrowIfNotRead(const std::string& path) const
{
    if (TooLarge()) {
        throw TextFileTooLarge(path);
    }
    if (!Problem().empty() && !Missing()) {
        throw TextFileNotRead("cannot read " + path + ": " + Problem());
    }
}

std::vector<std::string> ReadTrimmedLines(const std::string& path)
{
    std::vector<std::string> lines;
    CTextLineReader reader(path);
    std::string line;
    while (reader.ReadLine(line)) {
        lines.emplace_back(TrimBoth(line));
    }
    reader.ThrowIfNotRead(path);
    return lines;
}

std::string ReadKeywordText(const std::string& path)
{
    std::string text;
    CTextLineReader reader(path);
    std::string line;
    while (reader.ReadLine(line)) {
        text += TrimBoth(line);
        text += "\r\n";
    }
    reader.ThrowIfNotRead(path);
    return text;
}
