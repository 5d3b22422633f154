#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <cstdint>
#include <string>

class CUnbufferedSocket;
class QSslSocket;

// One HTTP/1.1 GET at a time (RFC 9112), each on a connection of its own that closes as soon as
// the reply is read, the request is dropped or its bounds are reached: what RDAP queries and the
// download of IANA's list ask. Every bound is ours, not a library's:
// - a connection that does not open within `connectTimeout` (the name lookup included) is "not
//   reached"; every redirect opens a new one;
// - the whole exchange, redirects included, ends at `deadline` after Get, whatever trickles in;
// - each reply, status line and headers included, is read in pieces and may hold at most
//   `maxReplyBytes`; one that says it will be larger ends as soon as it says so;
// - bodies sized by Content-Length, chunked, or ended by the close of the connection; a reset, or
//   a close before the reply is whole, is a broken reply, never a short one taken as whole;
// - at most `maxRedirects` redirects (301, 302, 303, 307, 308), never from https to http;
// - https verifies the server's certificate and name as QSslSocket does by default.
// Plain connections read unbuffered (CUnbufferedSocket), so a reset is told from a close and
// ends the request as soon as the kernel reports it; no thread is involved.
//
// Every Get ends with exactly one `finished`, unless Abort or another Get comes first. A handler
// of `finished` may start the next Get on this very object.
class CHttpGet : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        std::chrono::milliseconds connectTimeout{10000};
        std::chrono::milliseconds deadline{30000};
        std::int64_t maxReplyBytes = 1024 * 1024;
        int maxRedirects = 5;
    };

    enum class Failure
    {
        None,
        NotReached,    // no connection: refused, no such host, none within connectTimeout
        LocalShortage, // this machine could not make a socket (no file descriptor left)
        TimedOut,      // no whole reply within the deadline
        TooLarge,      // a reply over maxReplyBytes, or one that says it will be
        Broken,        // a reset, a reply cut short or not HTTP, a redirect refused, TLS failed
    };

    struct Reply
    {
        int status = 0;
        // In the order received, names in lower case, values without surrounding blanks.
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        // The URL that gave this reply, after any redirects.
        QUrl url;

        // The first value of the header `lowerCaseName`; empty when there is none.
        QByteArray Header(const QByteArray& lowerCaseName) const;
    };

    struct Result
    {
        Failure failure = Failure::None;
        // For a failure other than TimedOut and TooLarge: the cause in plain words ("connection
        // refused", "the connection was reset during the reply").
        std::string detail;
        // Without a failure: the final reply, whatever its status.
        Reply reply;
    };

    explicit CHttpGet(QObject* parent = nullptr);
    ~CHttpGet() override;

    void SetLimits(const Limits& limits) { m_limits = limits; }
    const Limits& GetLimits() const { return m_limits; }

    // Drops any request under way and asks `url` (http or https). `headers` are added to Host,
    // "Accept-Encoding: identity" (nothing is unpacked here) and "Connection: close".
    void Get(const QUrl& url, const QList<QPair<QByteArray, QByteArray>>& headers = {});
    // Closes the connection at once; nothing of the request is reported.
    void Abort();
    bool IsBusy() const { return m_busy; }

signals:
    // Connect with Qt::DirectConnection: the connection is already let go of when this comes.
    void finished(const CHttpGet::Result& result);

private:
    enum class Stage
    {
        StatusLine,
        Headers,
        ChunkSize,
        ChunkData,
        ChunkDataEnd,
        Trailers,
        SizedBody,
        BodyUntilClose,
        Done,
    };

    void Connect();
    void OnConnected();
    void OnReadable();
    void OnSocketError(QAbstractSocket::SocketError error);
    void OnStreamEnd(bool reset, int error);
    // Takes bytes that arrived; false once the request has ended (finished, redirected).
    bool Consume(const char* data, qsizetype size);
    bool ReadLine(QByteArray& line);
    bool OnStatusLine(const QByteArray& line);
    bool OnHeaderLine(const QByteArray& line);
    bool OnHeadersEnd();
    bool OnBodyComplete();
    bool FollowRedirect(const QByteArray& location);
    void ReleaseConnection();
    void Fail(Failure failure, std::string detail = {});
    void Finish(const Result& result);

    Limits m_limits;
    QTimer m_connectTimer;
    QTimer m_deadline;
    QPointer<CUnbufferedSocket> m_plain;
    QPointer<QSslSocket> m_tls;
    QList<QPair<QByteArray, QByteArray>> m_extraHeaders;
    QUrl m_url;
    int m_redirects = 0;
    bool m_busy = false;
    bool m_connected = false;

    // The reply being read.
    Stage m_stage = Stage::StatusLine;
    Reply m_reply;
    QByteArray m_pending;   // bytes received and not all parsed yet
    qsizetype m_parsed = 0; // of m_pending
    std::int64_t m_received = 0;
    std::int64_t m_bodyLeft = 0; // of a sized body or of the current chunk
};
