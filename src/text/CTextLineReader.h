#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Reads a text file line by line, whatever its encoding: UTF-16 (either byte order) and UTF-8 are
// recognised by their byte-order marks and come out as UTF-8; a file without a mark is taken byte
// for byte. CR LF, a lone LF and a lone CR each end a line; one line end at the very start of the
// file is skipped, the last line counts without a line end, and lines may be of any length.
class CTextLineReader
{
public:
    enum class TextEncoding : std::int32_t
    {
        Ansi,
        Utf16BigEndian,
        Utf16LittleEndian,
        Utf8,
    };

    CTextLineReader() = default;
    // Opens the file at once; a file that cannot be opened reads as a file without lines.
    explicit CTextLineReader(const std::string& path) { Open(path); }
    CTextLineReader(const CTextLineReader&) = delete;
    CTextLineReader& operator=(const CTextLineReader&) = delete;
    virtual ~CTextLineReader() { Close(); }

    bool Open(const std::string& path);
    // The next line without its line end; false at the end of the file.
    bool ReadLine(std::string& line);
    virtual void Close();

    TextEncoding Encoding() const { return m_encoding; }

private:
    static constexpr std::size_t kBufferSize = 1024;

    std::uint8_t NextByte();
    char32_t NextCharacter();
    void AppendCharacter(std::string& line, char32_t character);

    TextEncoding m_encoding = TextEncoding::Ansi;
    std::FILE* m_file = nullptr;
    bool m_endOfFile = true;
    std::array<std::uint8_t, kBufferSize> m_buffer{};
    int m_position = -1;
    int m_bytesRead = 0;
    bool m_hasPushedBack = false;
    char32_t m_pushedBack = 0;
    char16_t m_pendingHighSurrogate = 0;
    // A byte read while decoding UTF-8 that belongs to the next character.
    bool m_hasHeldByte = false;
    std::uint8_t m_heldByte = 0;
    bool m_endOfFileAfterHeldByte = false;
};

// The lines of a file as the word lists take them: each trimmed of white space at both ends,
// empty lines kept.
std::vector<std::string> ReadTrimmedLines(const std::string& path);
// The keyword text of a file: each line trimmed and followed by CR LF.
std::string ReadKeywordText(const std::string& path);
