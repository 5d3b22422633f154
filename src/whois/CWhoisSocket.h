#pragma once

#include "CRdapQuery.h"
#include "QueryFailure.h"
#include "whois/core/DomainName.h"
#include "whois/core/DomainStatus.h"
#include "whois/core/ReplyReadingLoop.h"
#include "whois/core/ServerRoutes.h"
#include "whois/core/WhoisLimits.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <optional>

class QTcpSocket;

// Asks one whois server about one domain name at a time over TCP port 43 and hands the verdict,
// with the row index it was given, to whoever listens on whoisVerdict. Suffixes whose registry
// answers only over RDAP go to CRdapQuery, which reports the same way.
//
// Everything is asynchronous: StartQuery returns once the connection is under way, and the window
// keeps working while the server answers. Every wait is bounded (WhoisLimits). A failure produces
// no verdict but queryFailed with its reason (the window shows it in the "Winsock Error" box);
// a reply that ends without a marker produces neither. Either way queryStalled follows, and
// nothing more happens until the next StartQuery or Reset.
//
// A verdict handler may call Reset and StartQuery on this very object: the socket that delivered
// the verdict is only aborted and released later, never deleted inside its own signal.
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

    // Starts asking about `name` for row `item`. `server` names a host to ask instead of the
    // table's choice. Returns false without traffic for a name without a "." or holding CR, LF
    // or NUL, and for an international name with no ASCII form (after queryFailed saying so);
    // true once the connection is under way.
    bool StartQuery(const QByteArray& name, int item, const QByteArray& server = {});
    // The same, to the server the caller chose.
    bool StartQuery(const QByteArray& name, int item, const QueryRoute& route);

    // The name as it is sent: its ASCII form. Nothing, with the reason, for a name that cannot
    // be asked.
    static std::optional<QByteArray> QueryNameFor(const QByteArray& typed, QString& reason);

    // Drops the current connection, if any; nothing of its reply is processed afterwards.
    void Reset();

    // Sends every later query to this server and port instead of the table's choice. Unless an
    // RDAP server is named too, suffixes otherwise asked over RDAP then go there as well.
    void SetServerOverride(std::optional<ServerAddress> server);
    // Sends every RDAP query to this base URL ("http://127.0.0.1:8080/rdap/") instead of the
    // registry's.
    void SetRdapOverride(std::optional<std::string> baseUrl);
    // Servers by suffix, and for every name (what the two calls above set).
    void SetRoutes(ServerRoutes routes) { m_routes = std::move(routes); }
    const ServerRoutes& Routes() const { return m_routes; }
    void SetTimeouts(std::chrono::milliseconds connectTimeout,
                     std::chrono::milliseconds replyTimeout);

    QueryState State() const { return m_state; }
    const QByteArray& Domain() const { return m_strDomain; }
    int Item() const { return m_nItem; }
    const std::string& Tld() const { return m_replyLoop.Tld(); }
    const QByteArray& Server() const { return m_strServer; }
    const std::string& Reply() const { return m_replyLoop.Reply(); }
    // How the last query ended without a verdict, and how long a refusing server asked to wait.
    QueryFailureKind FailureKind() const { return m_failureKind; }
    // The cause of the last failure in the system's plain words ("connection refused", "no reply
    // within 30 s"), for the command line; empty when there was none to tell.
    const QString& FailureDetail() const { return m_failureDetail; }
    std::optional<std::chrono::milliseconds> RetryAfter() const
    {
        return m_askedOverRdap ? m_rdapQuery.RetryAfter() : std::nullopt;
    }

signals:
    // Connect with Qt::DirectConnection: the handler has run to its end when the emit returns.
    void whoisVerdict(int item, DomainStatus status);
    // The query failed (no connection, a broken or oversized reply, a refusal): the reason in
    // the words the user sees. queryStalled follows.
    void queryFailed(int item, const QString& reason);
    // The query ended without a verdict: after queryFailed, or when the reply ended without a
    // marker.
    void queryStalled(int item);

private:
    void OnConnected();
    void OnReceive();
    void OnEndOfStream();
    void OnSocketError(QAbstractSocket::SocketError error);
    void HandleReadResult(const ReplyReadingLoop::Result& result, bool endOfStream);
    void DeliverVerdict(DomainStatus status);
    void Fail(const QString& reason, QueryFailureKind kind = QueryFailureKind::Broken,
              const QString& detail = {});
    void Stall();
    void StopTimers();

    QByteArray m_strDomain;
    int m_nItem = 0;
    QByteArray m_strServer;
    ReplyReadingLoop m_replyLoop;
    QPointer<QTcpSocket> m_socket;
    CRdapQuery m_rdapQuery;
    ServerRoutes m_routes;
    QueryState m_state = QueryState::Idle;
    QueryFailureKind m_failureKind = QueryFailureKind::None;
    QString m_failureDetail;
    bool m_askedOverRdap = false;
    QTimer m_connectTimer;
    QTimer m_replyTimer;
};
