#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

// Word, keyword and list files are read whole: one past this size is no such file (a device such
// as /dev/zero never ends), and reading it would only exhaust memory.
inline constexpr std::uint64_t kLargestTextFile = std::uint64_t{256} << 20;

class TextFileTooLarge : public std::runtime_error
{
public:
    explicit TextFileTooLarge(const std::string& path)
        : std::runtime_error(path + " is larger than 256 MiB")
    {}
};

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

    // Reading stops after `sizeLimit` bytes, as if the file ended there, and TooLarge() says so.
    explicit CTextLineReader(std::uint64_t sizeLimit = kLargestTextFile) : m_sizeLimit(sizeLimit) {}
    // Opens the file at once; a file that cannot be opened reads as a file without lines.
    explicit CTextLineReader(const std::string& path, std::uint64_t sizeLimit = kLargestTextFile)
        : m_sizeLimit(sizeLimit)
    {
        Open(path);
    }
    CTextLineReader(const CTextLineReader&) = delete;
    CTextLineReader& operator=(const CTextLineReader&) = delete;
    virtual ~CTextLineReader() { Close(); }

    bool Open(const std::string& path);
    // The next line without its line end; false at the end of the file.
    bool ReadLine(std::string& line);
    virtual void Close();

    TextEncoding Encoding() const { return m_encoding; }
    // The file went on past the size limit: what was read is not the whole file.
    bool TooLarge() const { return m_tooLarge; }

private:
    static constexpr std::size_t kBufferSize = 1024;

    std::uint8_t NextByte();
    char32_t NextCharacter();
    void AppendCharacter(std::string& line, char32_t character);

    std::uint64_t m_sizeLimit = kLargestTextFile;
    std::uint64_t m_totalRead = 0;
    bool m_tooLarge = false;
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
// empty lines kept. Throws TextFileTooLarge past kLargestTextFile.
std::vector<std::string> ReadTrimmedLines(const std::string& path);
// The keyword text of a file: each line trimmed and followed by CR LF. Throws TextFileTooLarge
// past kLargestTextFile.
std::string ReadKeywordText(const std::string& path);
