#pragma once

#include "query/CUnbufferedSocket.h"
#include "query/core/QueryResult.h"
#include "registry/core/ServerAddress.h"
#include "whois/core/ReplyReadingLoop.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <chrono>
#include <string_view>

// Asks one whois server about one domain name at a time over TCP (RFC 3912) and reads the reply
// line by line until its suffix's markers give a verdict.
//
// Everything is asynchronous: StartQuery returns once the connection is under way, and the window
// keeps working while the server answers. Every wait is bounded (QueryLimits). Every query started
// ends with exactly one `finished`: a verdict, or the reason there is none (no connection, a
// broken or oversized reply, a refusal, a reply that ended without a marker). Nothing more happens
// until the next StartQuery or Reset.
//
// A handler of `finished` may call Reset and StartQuery on this very object: the connection that
// delivered the result is only aborted and released later, never deleted inside its own signal.
class CWhoisSocket : public QObject
{
    Q_OBJECT

public:
    enum class QueryState
    {
        Idle,
        Connecting,
        AwaitingReply,
        Decided,
        Stalled,
    };

    explicit CWhoisSocket(QObject* parent = nullptr);
    ~CWhoisSocket() override;

    // Starts asking `server` about `name`, which the caller has checked and put in its ASCII form;
    // `item` comes back unchanged in the result. Returns true once the connection is under way.
    // A name that would end the query line early or start a second one (empty, or holding CR, LF
    // or NUL) is never sent: its query ends at once, not askable, and the call returns false.
    bool StartQuery(const QByteArray& name, int item, const ServerAddress& server);

    // Drops the current connection, if any; nothing of its reply is processed afterwards.
    void Reset();

    void SetTimeouts(std::chrono::milliseconds connectTimeout,
                     std::chrono::milliseconds replyTimeout);

    QueryState State() const { return m_state; }
    const QByteArray& Domain() const { return m_strDomain; }
    int Item() const { return m_nItem; }
    std::string_view Tld() const { return m_replyLoop.Tld(); }
    const QByteArray& Server() const { return m_strServer; }
    const std::string& Reply() const { return m_replyLoop.Reply(); }

signals:
    // Connect with Qt::DirectConnection: the handler has run to its end when the emit returns.
    void finished(const QueryResult& result);

private:
    void OnConnected();
    void OnReceive();
    void OnEndOfStream();
    void OnSocketError(QAbstractSocket::SocketError error);
    void HandleReadResult(const ReplyReadingLoop::Result& result, bool endOfStream);
    void DeliverVerdict(DomainStatus status);
    void Fail(QueryFailureKind kind, std::string_view words, std::string detail = {});
    void Finish(QueryResult result);
    void StopTimers();

    QByteArray m_strDomain;
    int m_nItem = 0;
    QByteArray m_strServer;
    unsigned short m_port = 0;
    ReplyReadingLoop m_replyLoop;
    QPointer<CUnbufferedSocket> m_socket;
    QueryState m_state = QueryState::Idle;
    QTimer m_connectTimer;
    QTimer m_replyTimer;
};
