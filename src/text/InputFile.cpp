#include "InputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// What a file that is not a regular one is, in the words of a message.
std::string NotRegularReason(mode_t mode)
{
    const char* kind = "a special file";
    if (S_ISFIFO(mode)) {
        kind = "a named pipe (FIFO)";
    } else if (S_ISCHR(mode)) {
        kind = "a character device";
    } else if (S_ISBLK(mode)) {
        kind = "a block device";
    } else if (S_ISSOCK(mode)) {
        kind = "a socket";
    }
    return std::string("it is ") + kind + ", not a regular file";
}

} // namespace

std::string SizeLimitText(std::uint64_t bytes)
{
    if (bytes >= (std::uint64_t{1} << 20) && bytes % (std::uint64_t{1} << 20) == 0) {
        return std::to_string(bytes >> 20) + " MiB";
    }
    if (bytes >= 1024 && bytes % 1024 == 0) {
        return std::to_string(bytes >> 10) + " KiB";
    }
    return std::to_string(bytes) + " bytes";
}

InputFile::InputFile(InputFile&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1)),
      m_ownsDescriptor(std::exchange(other.m_ownsDescriptor, false)), m_largest(other.m_largest),
      m_size(other.m_size), m_bytesRead(other.m_bytesRead), m_failure(other.m_failure),
      m_reason(std::move(other.m_reason))
{}

InputFile& InputFile::operator=(InputFile&& other) noexcept
{
    if (this != &other) {
        Close();
        m_descriptor = std::exchange(other.m_descriptor, -1);
        m_ownsDescriptor = std::exchange(other.m_ownsDescriptor, false);
        m_largest = other.m_largest;
        m_size = other.m_size;
        m_bytesRead = other.m_bytesRead;
        m_failure = other.m_failure;
        m_reason = std::move(other.m_reason);
    }
    return *this;
}

InputFile::~InputFile()
{
    Close();
}

void InputFile::Fail(Failure failure, std::string reason)
{
    m_failure = failure;
    m_reason = std::move(reason);
}

void InputFile::Begin(std::uint64_t largest)
{
    Close();
    m_largest = largest;
    m_size = 0;
    m_bytesRead = 0;
    m_failure = Failure::None;
    m_reason.clear();
}

bool InputFile::Open(const std::string& path, std::uint64_t largest)
{
    Begin(largest);
    // Without O_NONBLOCK, opening a named pipe waits for a writer, for ever if none comes.
    int descriptor = -1;
    do {
        descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        const int error = errno;
        Fail(error == ENOENT ? Failure::Missing : Failure::CannotOpen, std::strerror(error));
        return false;
    }
    struct stat status
    {};
    if (::fstat(descriptor, &status) != 0) {
        const int error = errno;
        ::close(descriptor);
        Fail(Failure::CannotOpen, std::strerror(error));
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        Fail(Failure::Folder, "it is a folder");
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(descriptor);
        Fail(Failure::NotRegular, NotRegularReason(status.st_mode));
        return false;
    }
    if (static_cast<std::uint64_t>(status.st_size) > largest) {
        ::close(descriptor);
        Fail(Failure::TooLarge, "it is larger than " + SizeLimitText(largest));
        return false;
    }
    // A regular file never blocks; reads behave as usual without the flag all the same.
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags >= 0) {
        ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
    }
    m_descriptor = descriptor;
    m_ownsDescriptor = true;
    m_size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

void InputFile::OpenStandardInput(std::uint64_t largest)
{
    Begin(largest);
    m_descriptor = STDIN_FILENO;
    m_ownsDescriptor = false;
}

std::size_t InputFile::Read(char* buffer, std::size_t wanted)
{
    if (m_descriptor < 0 || m_failure != Failure::None || wanted == 0) {
        return 0;
    }
    // One byte past the limit is enough to know the file goes on past it.
    const std::uint64_t allowed = m_largest - std::min(m_largest, m_bytesRead);
    const std::size_t asked = static_cast<std::size_t>(
        std::min<std::uint64_t>(wanted, allowed == UINT64_MAX ? allowed : allowed + 1));
    while (true) {
        const ssize_t count = ::read(m_descriptor, buffer, asked);
        if (count >= 0) {
            if (static_cast<std::uint64_t>(count) > allowed) {
                Fail(Failure::TooLarge, "it is larger than " + SizeLimitText(m_largest));
                return 0;
            }
            m_bytesRead += static_cast<std::uint64_t>(count);
            return static_cast<std::size_t>(count);
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // Standard input may have been left non-blocking by whoever shares it: wait for it.
            pollfd ready{m_descriptor, POLLIN, 0};
            ::poll(&ready, 1, -1);
            continue;
        }
        Fail(Failure::ReadError, std::strerror(errno));
        return 0;
    }
}

bool InputFile::Rewind()
{
    if (m_descriptor < 0 || !m_ownsDescriptor || ::lseek(m_descriptor, 0, SEEK_SET) != 0) {
        return false;
    }
    m_bytesRead = 0;
    return true;
}

void InputFile::Close()
{
    if (m_descriptor >= 0 && m_ownsDescriptor) {
        ::close(m_descriptor);
    }
    m_descriptor = -1;
    m_ownsDescriptor = false;
}

BoundedLines::Result BoundedLines::Next(std::string& line)
{
    line.clear();
    if (m_ended) {
        return Result::End;
    }
    std::size_t searched = m_at;
    while (true) {
        const std::size_t end = m_buffer.find('\n', searched);
        if (end != std::string::npos) {
            ++m_number;
            if (end - m_at > m_longest + 1) {
                m_ended = true;
                return Result::TooLong;
            }
            line.assign(m_buffer, m_at, end - m_at);
            m_at = end + 1;
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (line.size() > m_longest) {
                m_ended = true;
                return Result::TooLong;
            }
            return Result::Line;
        }
        // The bound (and its CR) without a line end: the line is too long, whatever follows.
        if (m_buffer.size() - m_at > m_longest + 1) {
            ++m_number;
            m_ended = true;
            m_buffer.clear();
            return Result::TooLong;
        }
        searched = m_buffer.size();
        // What was taken already goes; what is left is less than one line.
        m_buffer.erase(0, m_at);
        searched -= m_at;
        m_at = 0;
        const std::size_t kept = m_buffer.size();
        m_buffer.resize(kept + kChunk);
        const std::size_t count = m_input.Read(m_buffer.data() + kept, kChunk);
        m_buffer.resize(kept + count);
        if (count == 0) {
            m_ended = true;
            if (m_input.Failed() != InputFile::Failure::None) {
                return Result::Failed;
            }
            if (m_buffer.empty()) {
                return Result::End;
            }
            ++m_number;
            line = std::move(m_buffer);
            m_buffer.clear();
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (line.size() > m_longest) {
                return Result::TooLong;
            }
            return Result::Line;
        }
    }
}
