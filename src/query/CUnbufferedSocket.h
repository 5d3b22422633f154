#pragma once

#include <QTcpSocket>
#include <cstddef>

// A TCP socket opened unbuffered (QIODevice::Unbuffered) whose bytes are taken from the kernel
// here, by one recv that tells data, an orderly close and a reset apart. Qt reports a close and a
// reset alike (RemoteHostClosedError), and a read of its own that meets either closes the socket
// without any signal: a close or reset arriving between a look at the connection and Qt's read
// would leave a query waiting for its timeout. Every read here ends the question at once.
class CUnbufferedSocket : public QTcpSocket
{
public:
    using QTcpSocket::QTcpSocket;

    struct Read
    {
        enum class Kind
        {
            Bytes,      // `count` bytes are in the buffer
            NothingYet, // nothing waiting now; readyRead comes again when something arrives
            Ended,      // the server closed its side in order: nothing more will come
            Broken,     // a reset, or another failed read: what came may be cut short
        };
        Kind kind = Kind::NothingYet;
        std::size_t count = 0;
        // The system's words for a broken connection ("connection reset by peer").
        int error = 0;
    };

    // One read of at most `capacity` bytes, without waiting. Once the connection has ended or
    // broken, every later read says so again (the kernel reports a reset only once).
    Read ReadWaiting(char* buffer, std::size_t capacity);

private:
    Read m_end{Read::Kind::NothingYet};
};
