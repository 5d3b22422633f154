#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <functional>

class QTcpSocket;

// A whois server on 127.0.0.1 with an ephemeral port, for tests. Each connection plays a script:
// it waits for the query line (or not), sends its chunks with the given pauses and then closes the
// connection, or keeps it open and silent.
class FakeWhoisServer : public QObject
{
    Q_OBJECT

public:
    struct Chunk
    {
        QByteArray bytes;
        int delayMilliseconds = 0; // pause before this chunk
    };

    struct Script
    {
        QList<Chunk> chunks;
        bool waitForQueryLine = true;
        bool closeWhenDone = true;
        bool resetWhenDone = false; // end with a TCP reset instead of an orderly close
    };

    // The whole reply in one piece, then close.
    static Script Reply(const QByteArray& bytes);
    // Each piece after a pause long enough for the client to read it on its own.
    static Script Chunked(const QList<QByteArray>& pieces, int delayMilliseconds = 60);
    // Accepts the query and never answers.
    static Script Silent();

    explicit FakeWhoisServer(QObject* parent = nullptr);
    ~FakeWhoisServer() override;

    quint16 Port() const { return m_server.serverPort(); }
    QByteArray Address() const;

    // Every connection plays this script...
    void SetScript(Script script);
    // ...unless a responder is set: it picks the script from the query line (without its LF).
    void SetResponder(std::function<Script(const QByteArray& query)> responder);

    int ConnectionCount() const { return m_received.size(); }
    // All bytes each connection sent, in the order the connections came.
    const QList<QByteArray>& Received() const { return m_received; }
    // How many connections are open right now.
    int OpenConnections() const { return m_open; }

signals:
    void queryReceived(const QByteArray& query);
    void connectionClosed();

private:
    void OnNewConnection();
    void Play(QTcpSocket* socket, Script script, int next);

    QTcpServer m_server;
    Script m_script;
    std::function<Script(const QByteArray&)> m_responder;
    QList<QByteArray> m_received;
    int m_open = 0;
};

// A port on 127.0.0.1 where nothing listens, for connections that must be refused.
quint16 ClosedLocalPort();

// A port on 127.0.0.1 where a connection neither opens nor is refused, as at a server behind a
// firewall that drops: its listener never accepts and its backlog is full, so the kernel drops
// every new connection's first packet.
class UnopenedPort
{
public:
    UnopenedPort();
    ~UnopenedPort();
    UnopenedPort(const UnopenedPort&) = delete;
    UnopenedPort& operator=(const UnopenedPort&) = delete;

    quint16 Port() const { return m_port; }

private:
    int m_listener = -1;
    QList<int> m_fillers;
    quint16 m_port = 0;
};

Q_DECLARE_METATYPE(FakeWhoisServer::Script)
