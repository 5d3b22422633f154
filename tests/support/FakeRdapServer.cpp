#include "FakeRdapServer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <sys/socket.h>

namespace {

constexpr qsizetype kEndlessChunk = 64 * 1024;
constexpr qint64 kEndlessBurst = 64 * 1024 * 1024;

} // namespace

FakeRdapServer::FakeRdapServer(QObject* parent) : QObject(parent)
{
    if (!m_server.listen(QHostAddress::LocalHost, 0)) {
        qFatal("FakeRdapServer: cannot listen");
    }
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            ++openConnections;
            auto request = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                --openConnections;
                socket->deleteLater();
            });
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, request] {
                request->append(socket->readAll());
                const qsizetype headerEnd = request->indexOf("\r\n\r\n");
                if (headerEnd < 0) {
                    return;
                }
                const QList<QByteArray> lines = request->left(headerEnd).split('\n');
                const QByteArray path = lines.front().split(' ').value(1);
                paths.append(path);
                QByteArray accept;
                for (const QByteArray& line : lines) {
                    if (line.toLower().startsWith("accept:")) {
                        accept = line.mid(7).trimmed();
                    }
                }
                acceptHeaders.append(accept);
                request->clear();
                const Answer answer = m_responder ? m_responder(path) : Answer{};
                QTimer::singleShot(answer.delayMilliseconds, this,
                                   [this, guard = QPointer(socket), answer] {
                                       if (guard) {
                                           Send(*guard, answer);
                                       }
                                   });
            });
        }
    });
}

QString FakeRdapServer::BaseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/rdap/").arg(m_server.serverPort());
}

void FakeRdapServer::Send(QTcpSocket& socket, const Answer& answer)
{
    connect(&socket, &QTcpSocket::bytesWritten, this,
            [this](qint64 count) { bytesWritten += count; });
    const bool close = answer.ending == Answer::Ending::Close;
    const QByteArray statusLine = "HTTP/1.1 " + QByteArray::number(answer.status) + " Answer\r\n";
    const bool sized = close || answer.ending == Answer::Ending::Drip;
    const QByteArray head =
        statusLine + "Content-Type: " + answer.contentType + "\r\n" +
        (sized ? "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n"
               : QByteArray()) +
        answer.headers + "Connection: close\r\n\r\n";
    switch (answer.ending) {
    case Answer::Ending::EndlessHeaders:
        socket.write(answer.raw.value_or(statusLine));
        SendForever(socket, QByteArray("X-Padding: ") + QByteArray(1000, 'x') + "\r\n");
        return;
    case Answer::Ending::Drip: {
        socket.write(answer.raw.value_or(head));
        auto* drip = new QTimer(&socket);
        connect(drip, &QTimer::timeout, &socket,
                [&socket, drip, body = answer.body, next = 0]() mutable {
                    if (next == body.size()) {
                        drip->stop();
                        return;
                    }
                    socket.write(body.mid(next++, 1));
                });
        drip->start(100);
        return;
    }
    default:
        break;
    }
    socket.write(answer.raw.value_or(head + answer.body));
    if (close) {
        socket.disconnectFromHost();
    }
    if (answer.ending == Answer::Ending::Reset) {
        socket.flush();
        // A zero linger time makes the close send a reset.
        const linger reset{1, 0};
        ::setsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset,
                     sizeof reset);
        socket.abort();
        return;
    }
    if (answer.ending == Answer::Ending::Endless) {
        SendForever(socket, QByteArray(kEndlessChunk, ' '));
    }
}

void FakeRdapServer::SendForever(QTcpSocket& socket, const QByteArray& chunk)
{
    // A burst with this thread (the client's too) held: a client whose network thread reads
    // without bound takes all of it. Then more whenever the client has read what was sent.
    const QByteArray burst = chunk.repeated(std::max<qsizetype>(1, kEndlessChunk / chunk.size()));
    for (qint64 sent = 0; sent < kEndlessBurst; sent += burst.size()) {
        socket.write(burst);
        if (!socket.waitForBytesWritten(200)) {
            break;
        }
    }
    connect(&socket, &QTcpSocket::bytesWritten, &socket, [&socket, burst] {
        if (socket.bytesToWrite() < burst.size()) {
            socket.write(burst);
        }
    });
}

QByteArray ShippedRdapListWith(const char* changes)
{
    QFile file(QStringLiteral(QIRV_SHIPPED_RDAP_LIST));
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("cannot read the shipped RDAP list");
    }
    QJsonObject list = QJsonDocument::fromJson(file.readAll()).object();
    const QJsonObject laid = QJsonDocument::fromJson(changes).object();
    QJsonArray services = laid.value(QStringLiteral("services")).toArray();
    for (const QJsonValue& service : list.value(QStringLiteral("services")).toArray()) {
        services.append(service);
    }
    for (auto field = laid.begin(); field != laid.end(); ++field) {
        list.insert(field.key(), field.value());
    }
    list.insert(QStringLiteral("services"), services);
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}
