#include "FakeWhoisServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

FakeWhoisServer::Script FakeWhoisServer::Reply(const QByteArray& bytes)
{
    return Script{{Chunk{bytes, 0}}, true, true};
}

FakeWhoisServer::Script FakeWhoisServer::Chunked(const QList<QByteArray>& pieces,
                                                 int delayMilliseconds)
{
    Script script;
    for (const QByteArray& piece : pieces) {
        script.chunks.append(Chunk{piece, script.chunks.isEmpty() ? 0 : delayMilliseconds});
    }
    return script;
}

FakeWhoisServer::Script FakeWhoisServer::Silent()
{
    return Script{{}, true, false};
}

FakeWhoisServer::FakeWhoisServer(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &FakeWhoisServer::OnNewConnection);
    if (!m_server.listen(QHostAddress::LocalHost, 0)) {
        qFatal("FakeWhoisServer: cannot listen on 127.0.0.1: %s",
               qPrintable(m_server.errorString()));
    }
}

FakeWhoisServer::~FakeWhoisServer() = default;

QByteArray FakeWhoisServer::Address() const
{
    return "127.0.0.1:" + QByteArray::number(Port());
}

void FakeWhoisServer::SetScript(Script script)
{
    m_script = std::move(script);
}

void FakeWhoisServer::SetResponder(std::function<Script(const QByteArray&)> responder)
{
    m_responder = std::move(responder);
}

void FakeWhoisServer::OnNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        const qsizetype index = m_received.size();
        m_received.append(QByteArray());
        ++m_open;
        auto started = std::make_shared<bool>(false);
        auto begin = [this, socket, index, started] {
            if (*started) {
                return;
            }
            const QByteArray& received = m_received[index];
            const qsizetype lineEnd = received.indexOf('\n');
            Script script = m_script;
            if (m_responder || script.waitForQueryLine) {
                if (lineEnd < 0) {
                    return;
                }
                const QByteArray query = received.left(lineEnd);
                emit queryReceived(query);
                if (m_responder) {
                    script = m_responder(query);
                }
            }
            *started = true;
            Play(socket, std::move(script), 0);
        };
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, index, begin] {
            m_received[index] += socket->readAll();
            begin();
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            --m_open;
            socket->deleteLater();
            emit connectionClosed();
        });
        if (!m_responder && !m_script.waitForQueryLine) {
            begin();
        }
    }
}

void FakeWhoisServer::Play(QTcpSocket* socket, Script script, int next)
{
    QPointer<QTcpSocket> guard(socket);
    if (next >= script.chunks.size()) {
        if (script.resetWhenDone) {
            // A zero linger time makes the close send a reset.
            const linger reset{1, 0};
            ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                         &reset, sizeof reset);
            ::close(static_cast<int>(socket->socketDescriptor()));
            socket->abort();
        } else if (script.closeWhenDone) {
            socket->disconnectFromHost();
        }
        return;
    }
    const Chunk chunk = script.chunks[next];
    QTimer::singleShot(chunk.delayMilliseconds, this, [this, guard, script, next, chunk] {
        if (!guard || guard->state() != QAbstractSocket::ConnectedState) {
            return;
        }
        guard->write(chunk.bytes);
        guard->flush();
        Play(guard, script, next + 1);
    });
}

quint16 ClosedLocalPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

UnopenedPort::UnopenedPort()
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listener, 0) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        qFatal("UnopenedPort: cannot listen");
    }
    m_port = ntohs(address.sin_port);
    // A backlog of 0 holds one connection; the others fill what the kernel keeps besides.
    for (int filler = 0; filler < 3; ++filler) {
        const int descriptor = ::socket(AF_INET, SOCK_STREAM, 0);
        ::fcntl(descriptor, F_SETFL, O_NONBLOCK);
        ::connect(descriptor, reinterpret_cast<sockaddr*>(&address), length);
        m_fillers.append(descriptor);
    }
    QThread::msleep(50);
}

UnopenedPort::~UnopenedPort()
{
    for (const int descriptor : m_fillers) {
        ::close(descriptor);
    }
    ::close(m_listener);
}
