#include "CHttpGet.h"

#include "query/CUnbufferedSocket.h"
#include "query/ReleaseLater.h"
#include "query/core/QueryResult.h"
#include "version/QirvVersion.h"

#include <QSslSocket>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>

namespace {

// What one read takes from the connection, and how many a readable connection gets in a row
// before the event loop turns again.
constexpr std::size_t kReadPiece = 16 * 1024;
constexpr int kPiecesInARow = 16;

bool IsRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool IsWebScheme(const QString& scheme)
{
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// "1024", or "1024, 1024" as a proxy may join repeated headers: one decimal number, or nothing.
std::optional<std::int64_t> ReadLength(const QByteArray& values, std::optional<std::int64_t> seen)
{
    for (const QByteArray& value : values.split(',')) {
        const QByteArray digits = value.trimmed();
        if (digits.isEmpty() || digits.size() > 18 ||
            !std::all_of(digits.begin(), digits.end(),
                         [](char c) { return c >= '0' && c <= '9'; })) {
            return std::nullopt;
        }
        const std::int64_t length = digits.toLongLong();
        if (seen && *seen != length) {
            return std::nullopt;
        }
        seen = length;
    }
    return seen;
}

} // namespace

QByteArray CHttpGet::Reply::Header(const QByteArray& lowerCaseName) const
{
    for (const auto& header : headers) {
        if (header.first == lowerCaseName) {
            return header.second;
        }
    }
    return {};
}

CHttpGet::CHttpGet(QObject* parent) : QObject(parent)
{
    // A coarse timer may fire 5 % late: 1.5 s past a 30 s bound.
    for (QTimer* timer : {&m_connectTimer, &m_deadline}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    connect(&m_connectTimer, &QTimer::timeout, this, [this] {
        Fail(Failure::NotReached, NoReplyWithin(m_limits.connectTimeout, "connection"));
    });
    connect(&m_deadline, &QTimer::timeout, this, [this] { Fail(Failure::TimedOut); });
}

CHttpGet::~CHttpGet()
{
    Abort();
}

void CHttpGet::Get(const QUrl& url, const QList<QPair<QByteArray, QByteArray>>& headers)
{
    Abort();
    m_busy = true;
    m_extraHeaders = headers;
    m_url = url;
    m_redirects = 0;
    m_deadline.start(m_limits.deadline);
    Connect();
}

void CHttpGet::Abort()
{
    ReleaseConnection();
    m_connectTimer.stop();
    m_deadline.stop();
    m_busy = false;
}

void CHttpGet::ReleaseConnection()
{
    ReleaseLater(m_plain, this);
    ReleaseLater(m_tls, this);
    m_connected = false;
    m_pending.clear();
    m_parsed = 0;
}

void CHttpGet::Connect()
{
    ReleaseConnection();
    m_stage = Stage::StatusLine;
    m_reply = Reply{};
    m_reply.url = m_url;
    m_received = 0;
    m_bodyLeft = 0;
    const QString scheme = m_url.scheme().toLower();
    const QString host = m_url.host(QUrl::FullyEncoded);
    if (!m_url.isValid() || !IsWebScheme(scheme) || host.isEmpty()) {
        Fail(Failure::Broken,
             "not an http or https address: " + m_url.toDisplayString().toStdString());
        return;
    }
    const bool secure = scheme == QLatin1String("https");
    const auto port = static_cast<quint16>(m_url.port(secure ? 443 : 80));
    m_connectTimer.start(m_limits.connectTimeout);
    // The connection may fail inside the call that starts it: nothing follows it here.
    if (secure) {
        m_tls = new QSslSocket(this);
        // Qt decrypts into this buffer; the rest waits in the connection until read.
        m_tls->setReadBufferSize(static_cast<qint64>(kReadPiece) * kPiecesInARow);
        QSslSocket* socket = m_tls;
        connect(socket, &QSslSocket::connected, this, [this] {
            // Open: from here on only the deadline bounds the handshake.
            m_connectTimer.stop();
            m_connected = true;
        });
        connect(socket, &QSslSocket::encrypted, this, &CHttpGet::OnConnected);
        connect(socket, &QSslSocket::readyRead, this, &CHttpGet::OnReadable);
        connect(socket, &QSslSocket::disconnected, this, [this, socket] {
            // Whatever Qt decrypted before the end is read first.
            OnReadable();
            if (m_tls == socket) {
                OnStreamEnd(false, 0);
            }
        });
        connect(socket, &QSslSocket::errorOccurred, this, &CHttpGet::OnSocketError);
        socket->connectToHostEncrypted(host, port);
        return;
    }
    m_plain = new CUnbufferedSocket(this);
    CUnbufferedSocket* socket = m_plain;
    connect(socket, &QTcpSocket::connected, this, [this] {
        m_connected = true;
        OnConnected();
    });
    connect(socket, &QTcpSocket::readyRead, this, &CHttpGet::OnReadable);
    connect(socket, &QTcpSocket::errorOccurred, this, &CHttpGet::OnSocketError);
    socket->connectToHost(host, port, QIODevice::ReadWrite | QIODevice::Unbuffered);
}

void CHttpGet::OnConnected()
{
    m_connectTimer.stop();
    QByteArray target =
        m_url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (!target.startsWith('/')) {
        target.prepend('/');
    }
    QByteArray host = m_url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':')) {
        host = '[' + host + ']';
    }
    if (m_url.port() != -1) {
        host += ':' + QByteArray::number(m_url.port());
    }
    QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    for (const auto& header : m_extraHeaders) {
        request += header.first + ": " + header.second + "\r\n";
    }
    request += "User-Agent: Qirv/" QIRV_VERSION_TEXT "\r\n"
               "Accept-Encoding: identity\r\n"
               "Connection: close\r\n\r\n";
    QAbstractSocket* socket = m_plain ? static_cast<QAbstractSocket*>(m_plain) : m_tls;
    if (socket->write(request) != request.size()) {
        Fail(Failure::Broken,
             "the request could not be sent: " + PlainDetail(socket->errorString().toStdString()));
    }
}

void CHttpGet::OnReadable()
{
    if (!m_connected) {
        return;
    }
    std::array<char, kReadPiece> buffer{};
    if (QSslSocket* socket = m_tls) {
        while (socket->bytesAvailable() > 0) {
            const qint64 count = socket->read(buffer.data(), buffer.size());
            if (count <= 0 || !Consume(buffer.data(), count)) {
                return;
            }
        }
        return;
    }
    CUnbufferedSocket* socket = m_plain;
    // More than this waiting: the socket reports it again once the event loop has turned.
    for (int piece = 0; socket && piece < kPiecesInARow; ++piece) {
        const CUnbufferedSocket::Read read = socket->ReadWaiting(buffer.data(), buffer.size());
        switch (read.kind) {
        case CUnbufferedSocket::Read::Kind::Bytes:
            if (!Consume(buffer.data(), static_cast<qsizetype>(read.count))) {
                return;
            }
            break;
        case CUnbufferedSocket::Read::Kind::NothingYet:
            return;
        case CUnbufferedSocket::Read::Kind::Ended:
            OnStreamEnd(false, 0);
            return;
        case CUnbufferedSocket::Read::Kind::Broken:
            OnStreamEnd(true, read.error);
            return;
        }
    }
}

void CHttpGet::OnSocketError(QAbstractSocket::SocketError error)
{
    const QAbstractSocket* socket = m_plain ? static_cast<QAbstractSocket*>(m_plain) : m_tls;
    const std::string words = socket ? PlainDetail(socket->errorString().toStdString()) : "";
    if (!m_connected) {
        // No descriptor for a socket: this machine ran short, the server is not to blame.
        Fail(error == QAbstractSocket::SocketResourceError ? Failure::LocalShortage
                                                           : Failure::NotReached,
             words);
        return;
    }
    // The orderly end of a TLS connection; a plain one is read here to its end, and Qt sees an
    // end of its own only when a write fails.
    if (QSslSocket* tls = m_tls; tls && error == QAbstractSocket::RemoteHostClosedError) {
        OnReadable();
        if (m_tls == tls) {
            OnStreamEnd(false, 0);
        }
        return;
    }
    Fail(Failure::Broken, words);
}

void CHttpGet::OnStreamEnd(bool reset, int error)
{
    const bool nothing = m_received == 0;
    if (reset) {
        std::string detail = nothing ? "the connection was reset before the reply"
                                     : "the connection was reset during the reply";
        if (error != 0 && error != ECONNRESET) {
            detail = PlainDetail(std::strerror(error));
        }
        Fail(Failure::Broken, std::move(detail));
        return;
    }
    if (m_stage == Stage::BodyUntilClose) {
        OnBodyComplete();
        return;
    }
    Fail(Failure::Broken, nothing ? "the connection closed without a reply"
                                  : "the connection closed before the reply was whole");
}

bool CHttpGet::Consume(const char* data, qsizetype size)
{
    m_received += size;
    if (m_received > m_limits.maxReplyBytes) {
        Fail(Failure::TooLarge);
        return false;
    }
    m_pending.append(data, size);
    // Reads everything that can be read of m_pending from m_parsed on; false once this
    // connection's request has ended.
    const auto parse = [&]() -> bool {
        for (;;) {
            QByteArray line;
            const auto takeLine = [&] {
                const qsizetype end = m_pending.indexOf('\n', m_parsed);
                if (end < 0) {
                    return false;
                }
                line = m_pending.mid(m_parsed, end - m_parsed);
                if (line.endsWith('\r')) {
                    line.chop(1);
                }
                m_parsed = end + 1;
                return true;
            };
            const auto takeBody = [&] {
                const auto take = static_cast<qsizetype>(
                    std::min<std::int64_t>(m_bodyLeft, m_pending.size() - m_parsed));
                m_reply.body.append(m_pending.constData() + m_parsed, take);
                m_parsed += take;
                m_bodyLeft -= take;
            };
            switch (m_stage) {
            case Stage::StatusLine:
                if (!takeLine()) {
                    return true;
                }
                if (!OnStatusLine(line)) {
                    return false;
                }
                break;
            case Stage::Headers:
                if (!takeLine()) {
                    return true;
                }
                if (!(line.isEmpty() ? OnHeadersEnd() : OnHeaderLine(line))) {
                    return false;
                }
                break;
            case Stage::SizedBody:
                takeBody();
                if (m_bodyLeft > 0) {
                    return true;
                }
                return OnBodyComplete();
            case Stage::BodyUntilClose:
                m_reply.body.append(m_pending.constData() + m_parsed, m_pending.size() - m_parsed);
                m_parsed = m_pending.size();
                return true;
            case Stage::ChunkSize: {
                if (!takeLine()) {
                    return true;
                }
                // "1a3f", perhaps followed by ";name=value" extensions.
                const QByteArray digits = line.split(';').front().trimmed();
                bool isNumber = digits.size() <= 15 && !digits.isEmpty();
                const std::int64_t chunk = isNumber ? digits.toLongLong(&isNumber, 16) : 0;
                if (!isNumber || chunk < 0 || digits.startsWith('+') || digits.startsWith('-')) {
                    Fail(Failure::Broken, "the reply's chunked body is broken");
                    return false;
                }
                if (chunk > m_limits.maxReplyBytes) {
                    Fail(Failure::TooLarge);
                    return false;
                }
                m_bodyLeft = chunk;
                m_stage = chunk == 0 ? Stage::Trailers : Stage::ChunkData;
                break;
            }
            case Stage::ChunkData:
                takeBody();
                if (m_bodyLeft > 0) {
                    return true;
                }
                m_stage = Stage::ChunkDataEnd;
                break;
            case Stage::ChunkDataEnd:
                if (!takeLine()) {
                    return true;
                }
                if (!line.isEmpty()) {
                    Fail(Failure::Broken, "the reply's chunked body is broken");
                    return false;
                }
                m_stage = Stage::ChunkSize;
                break;
            case Stage::Trailers:
                if (!takeLine()) {
                    return true;
                }
                if (line.isEmpty()) {
                    return OnBodyComplete();
                }
                break;
            case Stage::Done:
                return false;
            }
        }
    };
    if (!parse()) {
        return false;
    }
    m_pending.remove(0, m_parsed);
    m_parsed = 0;
    return true;
}

bool CHttpGet::OnStatusLine(const QByteArray& line)
{
    // "HTTP/1.1 200 OK"; empty lines before it are allowed (RFC 9112, 2.2).
    if (line.isEmpty()) {
        return true;
    }
    bool isNumber = false;
    const int status = line.mid(9, 3).toInt(&isNumber);
    if (!line.startsWith("HTTP/1.") || line.size() < 12 || line[8] != ' ' || !isNumber ||
        status < 100 || (line.size() > 12 && line[12] != ' ')) {
        Fail(Failure::Broken, "the reply is not HTTP");
        return false;
    }
    m_reply.status = status;
    m_reply.headers.clear();
    m_stage = Stage::Headers;
    return true;
}

bool CHttpGet::OnHeaderLine(const QByteArray& line)
{
    // A line folded onto the next (obsolete, RFC 9112, 5.2) continues the value before it.
    if ((line.startsWith(' ') || line.startsWith('\t')) && !m_reply.headers.isEmpty()) {
        m_reply.headers.last().second += ' ' + line.trimmed();
        return true;
    }
    const qsizetype colon = line.indexOf(':');
    const QByteArray name = line.left(colon);
    if (colon <= 0 || name.contains(' ') || name.contains('\t')) {
        Fail(Failure::Broken, "the reply's headers are not HTTP");
        return false;
    }
    m_reply.headers.append({name.toLower(), line.mid(colon + 1).trimmed()});
    return true;
}

bool CHttpGet::OnHeadersEnd()
{
    const int status = m_reply.status;
    if (status < 200) {
        if (status == 101) {
            Fail(Failure::Broken, "the server switched protocols");
            return false;
        }
        // An interim reply ("100 Continue"): the real one follows.
        m_stage = Stage::StatusLine;
        return true;
    }
    if (IsRedirect(status)) {
        const QByteArray location = m_reply.Header("location");
        if (!location.isEmpty()) {
            return FollowRedirect(location);
        }
    }
    QByteArray codings;
    std::optional<std::int64_t> length;
    bool lengthValid = true;
    for (const auto& header : m_reply.headers) {
        if (header.first == "transfer-encoding") {
            codings += (codings.isEmpty() ? "" : ",") + header.second;
        } else if (header.first == "content-length" && lengthValid) {
            length = ReadLength(header.second, length);
            lengthValid = length.has_value();
        }
    }
    if (!codings.isEmpty()) {
        // Chunked as the last coding is read chunk by chunk; any other runs until the close.
        m_stage = codings.split(',').last().trimmed().toLower() == "chunked"
                      ? Stage::ChunkSize
                      : Stage::BodyUntilClose;
        return true;
    }
    if (status == 204 || status == 304) {
        return OnBodyComplete();
    }
    if (!lengthValid) {
        Fail(Failure::Broken, "the reply's Content-Length is not one number");
        return false;
    }
    if (!length) {
        m_stage = Stage::BodyUntilClose;
        return true;
    }
    // The reply as a whole is bounded: status line and headers count too.
    const std::int64_t headerBytes = m_received - (m_pending.size() - m_parsed);
    if (*length > m_limits.maxReplyBytes - headerBytes) {
        Fail(Failure::TooLarge);
        return false;
    }
    m_bodyLeft = *length;
    m_stage = Stage::SizedBody;
    return *length > 0 || OnBodyComplete();
}

bool CHttpGet::FollowRedirect(const QByteArray& location)
{
    if (m_redirects >= m_limits.maxRedirects) {
        Fail(Failure::Broken, "more than " + std::to_string(m_limits.maxRedirects) + " redirects");
        return false;
    }
    const QUrl target = m_url.resolved(QUrl::fromEncoded(location));
    if (!target.isValid() || !IsWebScheme(target.scheme().toLower())) {
        Fail(Failure::Broken, "a redirect to an address that is not http or https");
        return false;
    }
    if (m_url.scheme().toLower() == QLatin1String("https") &&
        target.scheme().toLower() == QLatin1String("http")) {
        Fail(Failure::Broken, "a redirect from https to http");
        return false;
    }
    ++m_redirects;
    m_url = target;
    Connect();
    return false;
}

bool CHttpGet::OnBodyComplete()
{
    m_stage = Stage::Done;
    Result result;
    result.reply = std::move(m_reply);
    Finish(result);
    return false;
}

void CHttpGet::Fail(Failure failure, std::string detail)
{
    Result result;
    result.failure = failure;
    result.detail = std::move(detail);
    result.reply.url = m_url;
    Finish(result);
}

void CHttpGet::Finish(const Result& result)
{
    Abort();
    // The handler may start the next request on this object; nothing may be touched after it.
    emit finished(result);
}
