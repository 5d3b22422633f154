#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <functional>

// An RDAP server on 127.0.0.1 over plain HTTP, for tests: answers each GET with a scripted status,
// headers and body, after an optional pause; or with a body that never ends.
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
        // or sends blanks for as long as the client reads. The last two send no Content-Length
        // unless `headers` give one.
        enum class Ending
        {
            Close,
            Hold,
            Endless,
        };
        Ending ending = Ending::Close;
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

private:
    void Send(QTcpSocket& socket, const Answer& answer);

    QTcpServer m_server;
    std::function<Answer(const QByteArray&)> m_responder;
};

// IANA's list as the program ships it, with `changes` (a JSON object) laid over it: its services
// come first, so they decide the extensions they name, and its other fields replace the list's.
// A list the tests download is this one, as a list that drops most routes is refused.
QByteArray ShippedRdapListWith(const char* changes);
