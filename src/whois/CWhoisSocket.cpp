#include "CWhoisSocket.h"

#include "QueryFailure.h"
#include "ReleaseLater.h"

#include <QTcpSocket>
#include <QUrl>
#include <algorithm>
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
    SetTimeouts(WhoisLimits::kConnectTimeout, WhoisLimits::kReplyTimeout);
    connect(&m_connectTimer, &QTimer::timeout, this, [this] {
        Fail(kConnectionFailure, QueryFailureKind::NoConnection,
             NoReplyWithin(m_connectTimer.intervalAsDuration(), "connection"));
    });
    connect(&m_replyTimer, &QTimer::timeout, this, [this] {
        Fail(kConnectionRejected, QueryFailureKind::Broken,
             NoReplyWithin(m_replyTimer.intervalAsDuration(), "reply"));
    });
    connect(
        &m_rdapQuery, &CRdapQuery::verdict, this,
        [this](int, DomainStatus status) { DeliverVerdict(status); }, Qt::DirectConnection);
    connect(&m_rdapQuery, &CRdapQuery::failed, this,
            [this](int, const QString& reason, QueryFailureKind kind, const QString& detail) {
                Fail(reason, kind, detail);
            });
}

CWhoisSocket::~CWhoisSocket()
{
    Reset();
}

void CWhoisSocket::SetServerOverride(std::optional<ServerAddress> server)
{
    m_routes.ClearDefault(QueryRoute::Protocol::Whois);
    if (server) {
        m_routes.AddWhoisServer({}, std::move(*server));
    }
}

void CWhoisSocket::SetRdapOverride(std::optional<std::string> baseUrl)
{
    m_routes.ClearDefault(QueryRoute::Protocol::Rdap);
    if (baseUrl) {
        m_routes.AddRdapServer({}, std::move(*baseUrl));
    }
}

void CWhoisSocket::SetTimeouts(std::chrono::milliseconds connectTimeout,
                               std::chrono::milliseconds replyTimeout)
{
    m_connectTimer.setInterval(connectTimeout);
    m_replyTimer.setInterval(replyTimeout);
    m_rdapQuery.SetTimeout(replyTimeout);
}

std::optional<QByteArray> CWhoisSocket::QueryNameFor(const QByteArray& typed, QString& reason)
{
    // Blanks around a pasted name are not part of it; the registry would not know the name with
    // them.
    const QByteArray name = typed.trimmed();
    const auto view = [](const QByteArray& bytes) {
        return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    };
    if (!IsQueryableName(view(name))) {
        reason = QStringLiteral("Not a domain name");
        return std::nullopt;
    }
    // Registries know international names by their ASCII form; the UTF-8 bytes would come back
    // as "no match" even for a registered name.
    QByteArray ascii = name;
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
        ascii = QUrl::toAce(QString::fromUtf8(name));
        if (ascii.isEmpty()) {
            reason =
                QStringLiteral("Not a valid international domain name: ") + QString::fromUtf8(name);
            return std::nullopt;
        }
    }
    // A URL, an address or a name no registry could hold is never sent.
    if (!HasDomainNameShape(view(ascii))) {
        reason = QStringLiteral("Not a domain name");
        return std::nullopt;
    }
    return ascii;
}

bool CWhoisSocket::StartQuery(const QByteArray& name, int item, const QByteArray& server)
{
    QString reason;
    const std::optional<QByteArray> ascii = QueryNameFor(name, reason);
    if (!ascii) {
        return StartQuery(name, item, QueryRoute{});
    }
    QueryRoute route;
    if (server.isEmpty()) {
        route = m_routes.RouteFor(
            std::string_view(ascii->constData(), static_cast<std::size_t>(ascii->size())));
    } else {
        route.whois.host = server.toStdString();
    }
    return StartQuery(*ascii, item, route);
}

bool CWhoisSocket::StartQuery(const QByteArray& name, int item, const QueryRoute& route)
{
    m_nItem = item;
    m_strDomain = name;
    m_failureKind = QueryFailureKind::None;
    m_failureDetail.clear();
    QString reason;
    const std::optional<QByteArray> ascii = QueryNameFor(name, reason);
    if (!ascii) {
        m_failureKind = QueryFailureKind::NotAskable;
        // A name with a line break or without a "." never reaches a server: it is not a name.
        if (IsQueryableName(
                std::string_view(name.constData(), static_cast<std::size_t>(name.size())))) {
            emit queryFailed(item, reason);
        }
        return false;
    }
    m_strDomain = *ascii;
    const std::string_view nameView(m_strDomain.constData(),
                                    static_cast<std::size_t>(m_strDomain.size()));
    if (route.protocol == QueryRoute::Protocol::None) {
        m_failureKind = QueryFailureKind::NotAskable;
        emit queryFailed(item, QStringLiteral("No server known for .") +
                                   QString::fromUtf8(TldOf(nameView)));
        return false;
    }
    Reset();
    m_replyLoop.Start(std::string(TldOf(nameView)));
    m_askedOverRdap = route.protocol == QueryRoute::Protocol::Rdap;

    if (route.protocol == QueryRoute::Protocol::Rdap) {
        if (!m_rdapQuery.Start(m_strDomain, item, QString::fromStdString(route.rdapBase))) {
            m_failureKind = QueryFailureKind::NotAskable;
            return false;
        }
        m_state = QueryState::AwaitingReply;
        m_strServer = m_rdapQuery.Server();
        return true;
    }

    m_strServer = QByteArray::fromStdString(route.whois.host);
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &CWhoisSocket::OnConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &CWhoisSocket::OnReceive);
    connect(m_socket, &QTcpSocket::disconnected, this, &CWhoisSocket::OnEndOfStream);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &CWhoisSocket::OnSocketError);
    m_state = QueryState::Connecting;
    m_connectTimer.start();
    m_socket->connectToHost(QString::fromUtf8(m_strServer), route.whois.port,
                            QIODevice::ReadWrite | QIODevice::Unbuffered);
    return true;
}

void CWhoisSocket::Reset()
{
    StopTimers();
    m_rdapQuery.Reset();
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
        Fail(kConnectionRejected, QueryFailureKind::Broken,
             QStringLiteral("the query could not be sent: ") +
                 PlainDetail(m_socket->errorString()));
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
        Fail(kConnectionRejected, QueryFailureKind::Broken,
             QStringLiteral("the connection was reset during the reply"));
    } else if (result.outcome == ReplyReadingLoop::Outcome::WaitingForData && source.Ended()) {
        HandleReadResult(m_replyLoop.ReceiveAll(source, true), true);
    } else {
        HandleReadResult(result, false);
    }
}

void CWhoisSocket::OnEndOfStream()
{
    if (m_state == QueryState::Connecting) {
        Fail(kConnectionFailure, QueryFailureKind::NoConnection,
             QStringLiteral("the connection closed before it was open"));
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
        Fail(kConnectionFailure, QueryFailureKind::NoConnection,
             PlainDetail(m_socket ? m_socket->errorString() : QString()));
    } else if (m_state == QueryState::AwaitingReply) {
        // A server that closes after its reply is the normal end of a whois exchange; resets are
        // told apart in OnReceive, before Qt reads them as an end.
        if (error == QAbstractSocket::RemoteHostClosedError) {
            OnEndOfStream();
        } else {
            Fail(kConnectionRejected, QueryFailureKind::Broken,
                 PlainDetail(m_socket ? m_socket->errorString() : QString()));
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
        Fail(kConnectionRejected, QueryFailureKind::Broken,
             QStringLiteral("the reply is larger than %1 KiB")
                 .arg(WhoisLimits::kMaxReplyBytes / 1024));
        return;
    case ReplyReadingLoop::Outcome::Refused:
        Fail(QStringLiteral("Query refused by ") + QString::fromUtf8(m_strServer) +
                 QStringLiteral(": ") + QString::fromStdString(result.refusal),
             QueryFailureKind::Refused);
        return;
    case ReplyReadingLoop::Outcome::WaitingForData:
        if (endOfStream) {
            Stall();
        }
        return;
    }
}

void CWhoisSocket::DeliverVerdict(DomainStatus status)
{
    m_state = QueryState::Decided;
    StopTimers();
    // The handler usually resets this object and starts the next query; nothing may be touched
    // after the emit.
    emit whoisVerdict(m_nItem, status);
}

void CWhoisSocket::Fail(const QString& reason, QueryFailureKind kind, const QString& detail)
{
    m_state = QueryState::Stalled;
    m_failureKind = kind;
    m_failureDetail = detail;
    StopTimers();
    if (m_socket) {
        m_socket->abort();
    }
    m_rdapQuery.Reset();
    const int item = m_nItem;
    emit queryFailed(item, reason);
    emit queryStalled(item);
}

void CWhoisSocket::Stall()
{
    m_state = QueryState::Stalled;
    m_failureKind = QueryFailureKind::NoVerdict;
    StopTimers();
    emit queryStalled(m_nItem);
}

void CWhoisSocket::StopTimers()
{
    m_connectTimer.stop();
    m_replyTimer.stop();
}
