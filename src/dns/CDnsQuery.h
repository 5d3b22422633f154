#pragma once

#include "query/core/QueryResult.h"
#include "registry/core/ServerAddress.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class QSocketNotifier;
struct ares_channeldata;

// Asks DNS for the NS records of domain names, many at once, with c-ares driven from the Qt event
// loop (no threads). NS records of the very name asked, in a resolver's answer or in a referral
// from the extension's own authoritative server, mean the name is registered: Taken. Nothing else
// is a verdict; DNS never says a name is free. Every query started ends with exactly one
// `finished`, always from the event loop, never inside StartQuery.
class CDnsQuery : public QObject
{
    Q_OBJECT

public:
    // What every result names as its server.
    static constexpr std::string_view kServerName = "DNS";

    explicit CDnsQuery(QObject* parent = nullptr);
    ~CDnsQuery() override;

    // Empty: the system's resolvers (/etc/resolv.conf). Otherwise these servers, each an IPv4 or
    // IPv6 address (a host name is left out) and its port. Applies to the queries started while
    // none is in flight.
    void SetServers(std::vector<ServerAddress> servers);
    // The wait for a query's answer, all tries included.
    void SetTimeout(std::chrono::milliseconds timeout);

    // Starts looking up the NS records of `name` (checked, in its ASCII form); `item` comes back
    // unchanged in the result.
    void StartQuery(const QByteArray& name, int item);
    // Queries started whose result has not been delivered yet.
    int InFlight() const;
    // Ends every query in flight; none of them is reported.
    void Reset();

signals:
    // Connect with Qt::DirectConnection: the handler has run to its end when the emit returns, and
    // may start further queries, Reset, or delete this object.
    void finished(const QueryResult& result);

private:
    struct Lookup
    {
        int item = 0;
        QByteArray name;
        std::chrono::steady_clock::time_point deadline;
        std::chrono::milliseconds wait;
    };
    struct SocketWatch
    {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };

    static void OnSocketState(void* data, int socket, int readable, int writable);
    static void OnAnswer(void* ticket, int status, int timeouts, unsigned char* answer, int length);

    bool EnsureChannel();
    void DestroyChannel();
    void WatchSocket(int socket, bool readable, bool writable);
    void Process(int readSocket, int writeSocket);
    void ExpireOverdue();
    void ScheduleWake();
    void Conclude(std::uint64_t serial, QueryResult result);
    void DeliverQueued();

    ares_channeldata* m_channel = nullptr;
    bool m_channelStale = false;
    // Why no channel could be made, for the queries that could not go out.
    std::string m_channelProblem;
    // c-ares queries not yet called back, also those already concluded by their deadline.
    int m_outstanding = 0;
    std::vector<ServerAddress> m_servers;
    std::chrono::milliseconds m_timeout;
    std::uint64_t m_nextSerial = 0;
    std::map<std::uint64_t, Lookup> m_lookups;
    std::deque<QueryResult> m_queued;
    bool m_deliveryPosted = false;
    std::unordered_map<int, SocketWatch> m_sockets;
    QTimer m_wake;
};
