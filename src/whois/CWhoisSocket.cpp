#include "CWhoisSocket.h"

#include "query/ReleaseLater.h"
#include "query/core/DomainName.h"
#include "query/core/QueryLimits.h"

#include <QUrl>

namespace {

// Reads the connection as the reading loop asks, and notes how the stream ended: an orderly
// close ends a reply, a reset cuts it short.
class SocketByteSource : public ReplyByteSource
{
public:
    explicit SocketByteSource(CUnbufferedSocket& socket) : m_socket(socket) {}

    std::size_t Receive(char* buffer, std::size_t capacity) override
    {
        m_last = m_socket.ReadWaiting(buffer, capacity);
        return m_last.count;
    }

    bool HasBytesWaiting() const override { return m_socket.bytesAvailable() > 0; }

    bool Ended() const { return m_last.kind == CUnbufferedSocket::Read::Kind::Ended; }
    bool Broken() const { return m_last.kind == CUnbufferedSocket::Read::Kind::Broken; }

private:
    CUnbufferedSocket& m_socket;
    CUnbufferedSocket::Read m_last;
};

} // namespace

CWhoisSocket::CWhoisSocket(QObject* parent) : QObject(parent)
{
    m_connectTimer.setSingleShot(true);
    m_replyTimer.setSingleShot(true);
    // A coarse timer may fire 5 % late: 1.5 s past a 30 s bound.
    m_connectTimer.setTimerType(Qt::PreciseTimer);
    m_replyTimer.setTimerType(Qt::PreciseTimer);
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
    m_socket = new CUnbufferedSocket(this);
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
        // No descriptor for a socket: this machine ran short, the server is not to blame.
        Fail(error == QAbstractSocket::SocketResourceError ? QueryFailureKind::LocalShortage
                                                           : QueryFailureKind::NoConnection,
             kConnectionFailure,
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
