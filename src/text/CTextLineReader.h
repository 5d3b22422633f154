#pragma once

#include "InputFile.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// Word and keyword files are read whole: a file past this size is no such file, and reading it
// would only exhaust memory. It is refused from its size, before anything is read.
inline constexpr std::uint64_t kLargestTextFile = std::uint64_t{256} << 20;

// A file that was there but was not read: not a regular file, too large, unreadable. The text is
// whole: "PATH is larger than 256 MiB", "cannot read PATH: it is a named pipe (FIFO), not a
// regular file".
class TextFileNotRead : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class TextFileTooLarge : public TextFileNotRead
{
public:
    explicit TextFileTooLarge(const std::string& path)
        : TextFileNotRead(path + " is larger than " + SizeLimitText(kLargestTextFile))
    {}
};

// Reads a text file line by line, whatever its encoding: UTF-16 (either byte order) and UTF-8 are
// recognised by their byte-order marks and come out as UTF-8; a file without a mark is taken byte
// for byte. CR LF, a lone LF and a lone CR each end a line; one line end at the very start of the
// file is skipped, the last line counts without a line end, and lines may be of any length.
// The file is opened as InputFile opens every file: a named pipe, a device or a folder is refused
// at once, and so is a file larger than the limit.
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
    // Opens the file at once; a file that cannot be opened or is refused reads as a file without
    // lines, and Problem() says why.
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
    // The file is larger than the size limit: nothing (or, when it grew while it was read, not
    // all of it) was read.
    bool TooLarge() const { return m_file.Failed() == InputFile::Failure::TooLarge; }
    // Why the file gave no lines or not all of them, as it follows "cannot read PATH: "; empty
    // when it was read whole. Missing() tells a file that is not there.
    const std::string& Problem() const { return m_file.Reason(); }
    bool Missing() const { return m_file.Failed() == InputFile::Failure::Missing; }
    // Throws TextFileNotRead (TextFileTooLarge past the limit) for any problem but a missing file.
    void ThrowIfNotRead(const std::string& path) const;

private:
    static constexpr std::size_t kBufferSize = 1024;

    std::uint8_t NextByte();
    char32_t NextCharacter();
    void AppendCharacter(std::string& line, char32_t character);

    std::uint64_t m_sizeLimit = kLargestTextFile;
    TextEncoding m_encoding = TextEncoding::Ansi;
    InputFile m_file;
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
// empty lines kept; a missing file has none. Throws TextFileNotRead for a file that cannot be read
// (TextFileTooLarge past kLargestTextFile).
std::vector<std::string> ReadTrimmedLines(const std::string& path);
// The keyword text of a file: each line trimmed and followed by CR LF. Throws as
// ReadTrimmedLines.
std::string ReadKeywordText(const std::string& path);
