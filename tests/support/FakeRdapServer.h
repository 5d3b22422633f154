#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <functional>
#include <optional>

// An RDAP server on 127.0.0.1 over plain HTTP, for tests: answers each GET with a scripted status,
// headers and body, after an optional pause; or with a body or headers that never end, a body
// that drips, bytes that are not HTTP, a reset.
class FakeRdapServer : public QObject
{
    Q_OBJECT

public:
    struct Answer
    {
        int status = 404;
        QByteArray body{};
        int delayMilliseconds = 0;
        QByteArray contentType = "application/rdap+json";
        // Further header lines, each ending in "\r\n".
        QByteArray headers{};
        // After the body the server closes the connection (and sizes the body), keeps it open,
        // sends blanks for as long as the client reads, or resets the connection. Each but Close
        // sends no Content-Length unless `headers` give one. EndlessHeaders sends header lines
        // for as long as the client reads, in place of the rest of the headers and the body;
        // Drip sends the body sized, one byte every 100 ms, and keeps the connection open.
        enum class Ending
        {
            Close,
            Hold,
            Endless,
            Reset,
            EndlessHeaders,
            Drip,
        };
        Ending ending = Ending::Close;
        // Sent as they are in place of the status line, headers and body; then `ending`.
        std::optional<QByteArray> raw{};
    };

    explicit FakeRdapServer(QObject* parent = nullptr);

    // The base URL to hand to the program: "http://127.0.0.1:<port>/rdap/".
    QString BaseUrl() const;
    void SetResponder(std::function<Answer(const QByteArray& path)> responder)
    {
        m_responder = std::move(responder);
    }

    // Request paths and Accept headers, in order.
    QList<QByteArray> paths;
    QList<QByteArray> acceptHeaders;
    // Bytes of every answer that went into the connections.
    qint64 bytesWritten = 0;
    // Connections the client has not closed yet.
    int openConnections = 0;

private:
    void Send(QTcpSocket& socket, const Answer& answer);
    void SendForever(QTcpSocket& socket, const QByteArray& chunk);

    QTcpServer m_server;
    std::function<Answer(const QByteArray&)> m_responder;
};

// IANA's list as the program ships it, with `changes` (a JSON object) laid over it: its services
// come first, so they decide the extensions they name, and its other fields replace the list's.
// A list the tests download is this one, as a list that drops most routes is refused.
QByteArray ShippedRdapListWith(const char* changes);
