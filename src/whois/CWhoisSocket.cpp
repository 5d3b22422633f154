#include "CWhoisSocket.h"

#include "query/ReleaseLater.h"
#include "query/core/DomainName.h"
#include "query/core/QueryLimits.h"

#include <QTcpSocket>
#include <QUrl>
#include <cerrno>
#include <sys/socket.h>

namespace {

// What the connection holds for us right now, looked at without taking it.
enum class ConnectionState
{
    BytesWaiting,
    NothingYet,
    Ended, // the server closed its side in order
    Broken // reset, or any other failed read
};

ConnectionState PeekConnection(const QTcpSocket& socket)
{
    const auto descriptor = static_cast<int>(socket.socketDescriptor());
    if (descriptor < 0) {
        return ConnectionState::Ended;
    }
    char byte = 0;
    ssize_t peeked = 0;
    do {
        peeked = ::recv(descriptor, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    } while (peeked < 0 && errno == EINTR);
    if (peeked > 0) {
        return ConnectionState::BytesWaiting;
    }
    if (peeked == 0) {
        return ConnectionState::Ended;
    }
    return errno == EAGAIN || errno == EWOULDBLOCK ? ConnectionState::NothingYet
                                                   : ConnectionState::Broken;
}

// Reads the connection as the reading loop asks, and notes how the stream ended: the socket
// runs unbuffered, so a look at the kernel's queue tells an orderly close from a reset (Qt
// reports both as RemoteHostClosedError and would swallow the difference in its own read).
class SocketByteSource : public ReplyByteSource
{
public:
    explicit SocketByteSource(QTcpSocket& socket) : m_socket(socket) {}

    std::size_t Receive(char* buffer, std::size_t capacity) override
    {
        m_state = PeekConnection(m_socket);
        if (m_state == ConnectionState::Ended || m_state == ConnectionState::Broken) {
            return 0;
        }
        // Also with nothing waiting (a spurious wake-up): an unbuffered socket listens again
        // only after a read.
        const qint64 count = m_socket.read(buffer, static_cast<qint64>(capacity));
        return count > 0 ? static_cast<std::size_t>(count) : 0;
    }

    bool HasBytesWaiting() const override { return m_socket.bytesAvailable() > 0; }

    bool Ended() const { return m_state == ConnectionState::Ended; }
    bool Broken() const { return m_state == ConnectionState::Broken; }

private:
    QTcpSocket& m_socket;
    ConnectionState m_state = ConnectionState::NothingYet;
};

} // namespace

CWhoisSocket::CWhoisSocket(QObject* parent) : QObject(parent)
{
    m_connectTimer.setSingleShot(true);
    m_replyTimer.setSingleShot(true);
    SetTimeouts(QueryLimits::kConnectTimeout, QueryLimits::kReplyTimeout);
    connect(&m_connectTimer, &QTimer::timeout, this, [this] {
        Fail(QueryFailureKind::NoConnection, kConnectionFailure,
             NoReplyWithin(m_connectTimer.intervalAsDuration(), "connection"));
    });
    connect(&m_replyTimer, &QTimer::timeout, this, [this] {
        Fail(QueryFailureKind::Broken, kConnectionRejected,
             NoReplyWithin(m_replyTimer.intervalAsDuration(), "reply"));
    });
}

CWhoisSocket::~CWhoisSocket()
{
    Reset();
}

void CWhoisSocket::SetTimeouts(std::chrono::milliseconds connectTimeout,
                               std::chrono::milliseconds replyTimeout)
{
    m_connectTimer.setInterval(connectTimeout);
    m_replyTimer.setInterval(replyTimeout);
}

bool CWhoisSocket::StartQuery(const QByteArray& name, int item, const ServerAddress& server)
{
    Reset();
    m_nItem = item;
    m_strDomain = name;
    m_strServer = QByteArray::fromStdString(server.host);
    m_port = server.port;
    const std::string_view nameView(name.constData(), static_cast<std::size_t>(name.size()));
    // Registries that hold names in other scripts may spell them in Unicode in their replies.
    m_replyLoop.Start(AskedName(name.toStdString(), QUrl::fromAce(name).toStdString()));
    // A line break would end the query line early and send whatever follows as a second query.
    if (name.isEmpty() || !IsQueryableName(nameView)) {
        m_state = QueryState::Stalled;
        Finish(FailureResult(item, QueryFailureKind::NotAskable, kNotADomainName));
        return false;
    }
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &CWhoisSocket::OnConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &CWhoisSocket::OnReceive);
    connect(m_socket, &QTcpSocket::disconnected, this, &CWhoisSocket::OnEndOfStream);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &CWhoisSocket::OnSocketError);
    m_state = QueryState::Connecting;
    m_connectTimer.start();
    m_socket->connectToHost(QString::fromUtf8(m_strServer), m_port,
                            QIODevice::ReadWrite | QIODevice::Unbuffered);
    return true;
}

void CWhoisSocket::Reset()
{
    StopTimers();
    ReleaseLater(m_socket, this);
    m_state = QueryState::Idle;
}

void CWhoisSocket::OnConnected()
{
    if (m_state != QueryState::Connecting) {
        return;
    }
    m_connectTimer.stop();
    QByteArray queryLine = m_strDomain;
    queryLine.append('\n');
    m_state = QueryState::AwaitingReply;
    m_replyTimer.start();
    if (m_socket->write(queryLine) != queryLine.size()) {
        Fail(QueryFailureKind::Broken, kConnectionRejected,
             "the query could not be sent: " + PlainDetail(m_socket->errorString().toStdString()));
    }
}

void CWhoisSocket::OnReceive()
{
    if (m_state != QueryState::AwaitingReply) {
        return;
    }
    SocketByteSource source(*m_socket);
    const ReplyReadingLoop::Result result = m_replyLoop.ReceiveAll(source, false);
    if (result.outcome == ReplyReadingLoop::Outcome::WaitingForData && source.Broken()) {
        // A reply cut off by a reset is a failed read, not a complete reply.
        Fail(QueryFailureKind::Broken, kConnectionRejected,
             "the connection was reset during the reply");
    } else if (result.outcome == ReplyReadingLoop::Outcome::WaitingForData && source.Ended()) {
        HandleReadResult(m_replyLoop.ReceiveAll(source, true), true);
    } else {
        HandleReadResult(result, false);
    }
}

void CWhoisSocket::OnEndOfStream()
{
    if (m_state == QueryState::Connecting) {
        Fail(QueryFailureKind::NoConnection, kConnectionFailure,
             "the connection closed before it was open");
        return;
    }
    if (m_state != QueryState::AwaitingReply) {
        return;
    }
    SocketByteSource source(*m_socket);
    HandleReadResult(m_replyLoop.ReceiveAll(source, true), true);
}

void CWhoisSocket::OnSocketError(QAbstractSocket::SocketError error)
{
    if (m_state == QueryState::Connecting) {
        Fail(QueryFailureKind::NoConnection, kConnectionFailure,
             PlainDetail(m_socket ? m_socket->errorString().toStdString() : std::string()));
    } else if (m_state == QueryState::AwaitingReply) {
        // A server that closes after its reply is the normal end of a whois exchange; resets are
        // told apart in OnReceive, before Qt reads them as an end.
        if (error == QAbstractSocket::RemoteHostClosedError) {
            OnEndOfStream();
        } else {
            Fail(QueryFailureKind::Broken, kConnectionRejected,
                 PlainDetail(m_socket ? m_socket->errorString().toStdString() : std::string()));
        }
    }
}

void CWhoisSocket::HandleReadResult(const ReplyReadingLoop::Result& result, bool endOfStream)
{
    switch (result.outcome) {
    case ReplyReadingLoop::Outcome::Verdict:
        DeliverVerdict(result.status);
        return;
    case ReplyReadingLoop::Outcome::ReplyTooLarge:
        Fail(QueryFailureKind::Broken, kConnectionRejected, ReplyTooLarge());
        return;
    case ReplyReadingLoop::Outcome::Refused:
        Fail(QueryFailureKind::Refused,
             "Query refused by " + m_strServer.toStdString() + ": " + result.words);
        return;
    case ReplyReadingLoop::Outcome::NoVerdict:
        Fail(QueryFailureKind::NoVerdict, result.words);
        return;
    case ReplyReadingLoop::Outcome::WaitingForData:
        if (endOfStream) {
            HandleReadResult(m_replyLoop.Conclude(), true);
        }
        return;
    }
}

void CWhoisSocket::DeliverVerdict(DomainStatus status)
{
    m_state = QueryState::Decided;
    StopTimers();
    Finish(VerdictResult(m_nItem, status));
}

void CWhoisSocket::Fail(QueryFailureKind kind, std::string_view words, std::string detail)
{
    m_state = QueryState::Stalled;
    StopTimers();
    if (m_socket) {
        m_socket->abort();
    }
    Finish(FailureResult(m_nItem, kind, words, std::move(detail)));
}

void CWhoisSocket::Finish(QueryResult result)
{
    result.server = m_strServer.toStdString() + ':' + std::to_string(m_port);
    // The handler usually resets this object and starts the next query; nothing may be touched
    // after the emit.
    emit finished(result);
}

void CWhoisSocket::StopTimers()
{
    m_connectTimer.stop();
    m_replyTimer.stop();
}
