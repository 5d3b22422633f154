#include "CUnbufferedSocket.h"

#include <cerrno>
#include <sys/socket.h>

CUnbufferedSocket::Read CUnbufferedSocket::ReadWaiting(char* buffer, std::size_t capacity)
{
    if (m_end.kind != Read::Kind::NothingYet) {
        return m_end;
    }
    const auto descriptor = static_cast<int>(socketDescriptor());
    if (descriptor < 0) {
        // Qt let go of the connection on an error of its own.
        m_end = Read{Read::Kind::Broken};
        return m_end;
    }
    ssize_t count = 0;
    do {
        count = ::recv(descriptor, buffer, capacity, MSG_DONTWAIT);
    } while (count < 0 && errno == EINTR);
    if (count == 0 && capacity > 0) {
        m_end = Read{Read::Kind::Ended};
        return m_end;
    }
    if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        m_end = Read{Read::Kind::Broken, 0, errno};
        return m_end;
    }
    // Qt stops listening after each readyRead of an unbuffered socket until its read is called;
    // one of no bytes takes nothing from the connection.
    readData(nullptr, 0);
    return count > 0 ? Read{Read::Kind::Bytes, static_cast<std::size_t>(count)}
                     : Read{Read::Kind::NothingYet};
}
