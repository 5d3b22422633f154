#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>

// Several registries on 127.0.0.1, each with an ephemeral port, for tests, soak runs and
// benchmarks of code that asks many servers at once. Every server answers whois (or RDAP over
// HTTP) with the texts the program's reader classifies, rations queries by a budget per sliding
// window, and can misbehave: reset, fall silent, close without a word, or answer without a verdict.
//
// A query is counted when its line arrives (for RDAP: the end of the request's headers). Beyond the
// budget the refusal goes out at once; otherwise the reply, or the fault's end, follows after the
// latency. A refused query takes no place in the budget and draws no fault.
//
// The servers run in a thread of their own, so they keep answering while the test's thread is busy
// and they do not slow the event loop under test. The accessors may be called from any thread.
// Every server answers one query per connection and closes it (RDAP: "Connection: close").
class RegistrySimulator : public QObject
{
    Q_OBJECT

public:
    enum class Fault
    {
        None,
        Reset,    // a TCP reset after the query line, without a reply
        Silence,  // never answers; the connection stays open until the client goes
        Close,    // an orderly close without any reply
        NoMarker, // a reply without any marker the reader knows (RDAP: 200 without a domain)
    };

    // Probabilities per accepted query whose name forces no fault; their sum should not exceed 1.
    // The draws follow the order in which the accepted queries arrive.
    struct FaultRates
    {
        double reset = 0;
        double silence = 0;
        double close = 0;
        double noMarker = 0;
    };

    struct ServerSpec
    {
        QByteArray suffix = "com";   // picks the reply texts: the markers the reader knows for it
        int latencyMilliseconds = 0; // from the query line to the reply (or to a faulty end)
        int budgetQueries = 0; // at most this many accepted queries in any window; 0: no limit
        int budgetWindowMilliseconds = 1000;
        QByteArray refusalText = "WHOIS LIMIT EXCEEDED"; // sent with CR LF beyond the budget
        FaultRates faults;
        quint32 seed = 1; // the faults are drawn from this seed, so runs repeat
        bool rdap = false;
    };

    // One query as the server saw it.
    struct Arrival
    {
        qint64 elapsedMilliseconds; // since the simulator started, on a monotonic clock
        QByteArray name;
        bool refused;
        Fault fault;         // None for a refused query
        int openConnections; // open at this server when the query arrived, this one included
    };

    explicit RegistrySimulator(QList<ServerSpec> servers, QObject* parent = nullptr);
    ~RegistrySimulator() override;

    int ServerCount() const { return static_cast<int>(m_specs.size()); }
    const ServerSpec& Spec(int server) const { return m_specs[server]; }
    quint16 Port(int server) const { return m_ports[server]; }
    QByteArray Address(int server) const;  // "127.0.0.1:PORT"
    QString RdapBaseUrl(int server) const; // "http://127.0.0.1:PORT/rdap/"

    // The truth every server tells: a name is registered unless its first label starts with
    // "free" (in any case).
    static bool IsRegistered(const QByteArray& name);
    // The fault a name forces by the start of its first label ("reset", "mute", "close",
    // "nomark"), or None.
    static Fault ForcedFault(const QByteArray& name);

    QList<Arrival> Log(int server) const;
    int RefusalCount(int server) const;
    // The most connections that were open at this server at once.
    int MaxOpenConnections(int server) const;
    int OpenConnections(int server) const;
    // Every query that arrived, refused ones included.
    int QueryCount(int server) const;

private:
    class Server;

    struct Counters
    {
        QList<Arrival> log;
        int refusals = 0;
        int openConnections = 0;
        int maxOpenConnections = 0;
    };

    QList<ServerSpec> m_specs;
    QList<quint16> m_ports;
    QElapsedTimer m_clock;
    QThread m_thread;
    QObject* m_threadContext = nullptr; // lives in m_thread; parent of the servers
    mutable QMutex m_mutex;
    QList<Counters> m_counters; // guarded by m_mutex
};

Q_DECLARE_METATYPE(RegistrySimulator::ServerSpec)
