#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

// The one way the programs open a file they read. A file is opened without waiting (a named pipe
// without a writer, a device), refused unless it is a regular file, refused from its size before
// anything is read when it is larger than the reader's limit, and read with that limit enforced
// while reading: a file that grows past it while it is read is refused too, never read on.
// Standard input is the one exception to "a regular file": a pipe or a terminal is its nature.
class InputFile
{
public:
    enum class Failure
    {
        None,
        Missing,    // no such file (ENOENT)
        CannotOpen, // any other reason the system gives: see Reason()
        Folder,
        NotRegular, // a named pipe, a device, a socket
        TooLarge,
        ReadError,
    };

    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    ~InputFile();

    // Opens `path` for reading at most `largest` bytes. False, with Failed() and Reason() set,
    // when it cannot be read or is refused.
    bool Open(const std::string& path,
              std::uint64_t largest = std::numeric_limits<std::uint64_t>::max());
    // Standard input, read at most `largest` bytes (it is not closed at the end).
    void OpenStandardInput(std::uint64_t largest = std::numeric_limits<std::uint64_t>::max());

    bool IsOpen() const { return m_descriptor >= 0; }
    // Reads up to `wanted` bytes; 0 at the end of the file and after a failure (a read error, or
    // the file going on past its limit: then Failed() says which).
    std::size_t Read(char* buffer, std::size_t wanted);
    // Back to the first byte (a regular file only).
    bool Rewind();
    void Close();

    Failure Failed() const { return m_failure; }
    // Why the file was refused or could not be read, as it follows "cannot read PATH: " ("it is a
    // folder", "it is a named pipe (FIFO), not a regular file", "it is larger than 256 MiB",
    // "No such file or directory"); empty when nothing failed.
    const std::string& Reason() const { return m_reason; }
    // Its size when it was opened (0 for standard input).
    std::uint64_t Size() const { return m_size; }
    std::uint64_t BytesRead() const { return m_bytesRead; }

private:
    // Closes what was open and forgets how it ended: a fresh start with this limit.
    void Begin(std::uint64_t largest);
    void Fail(Failure failure, std::string reason);

    int m_descriptor = -1;
    bool m_ownsDescriptor = false;
    std::uint64_t m_largest = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t m_size = 0;
    std::uint64_t m_bytesRead = 0;
    Failure m_failure = Failure::None;
    std::string m_reason;
};

// "256 MiB", "64 KiB", "512 bytes": a size limit as the messages name it.
std::string SizeLimitText(std::uint64_t bytes);

// The lines of an input (standard input, as they arrive) with a bound on each: a line longer
// than the bound is refused, with its number, and nothing of it past the bound is kept.
class BoundedLines
{
public:
    enum class Result
    {
        Line,
        End,
        TooLong, // the line Number() is longer than the bound; reading stops there
        Failed,  // the input failed: see the file's Reason()
    };

    BoundedLines(InputFile& input, std::size_t longest) : m_input(input), m_longest(longest) {}

    // The next line without its LF (nor the CR before it). A last line without a line end counts.
    Result Next(std::string& line);
    // The number of the line Next() gave last, from 1.
    std::size_t Number() const { return m_number; }

private:
    static constexpr std::size_t kChunk = 64 * 1024;

    InputFile& m_input;
    std::size_t m_longest;
    std::string m_buffer;
    std::size_t m_at = 0;
    std::size_t m_number = 0;
    bool m_ended = false;
};
