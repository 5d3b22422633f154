#include "FakeRdapServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

FakeRdapServer::FakeRdapServer(QObject* parent) : QObject(parent)
{
    if (!m_server.listen(QHostAddress::LocalHost, 0)) {
        qFatal("FakeRdapServer: cannot listen");
    }
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            auto request = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
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
                QPointer<QTcpSocket> guard(socket);
                QTimer::singleShot(answer.delayMilliseconds, this, [guard, answer] {
                    if (!guard) {
                        return;
                    }
                    guard->write("HTTP/1.1 " + QByteArray::number(answer.status) + " Answer\r\n" +
                                 "Content-Type: application/rdap+json\r\nContent-Length: " +
                                 QByteArray::number(answer.body.size()) +
                                 "\r\nConnection: close\r\n\r\n" + answer.body);
                    guard->disconnectFromHost();
                });
            });
        }
    });
}

QString FakeRdapServer::BaseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/rdap/").arg(m_server.serverPort());
}
