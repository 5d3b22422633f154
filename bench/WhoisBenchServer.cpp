// A whois server for benchmarks: answers every query on 127.0.0.1 with "No match for" (after an
// optional pause) and closes. Prints "PORT <n>" once it listens; runs until it is killed.
//   bench_whois_server [--delay-ms N]
#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    int delay = 0;
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype delayAt = arguments.indexOf("--delay-ms");
    if (delayAt > 0 && delayAt + 1 < arguments.size()) {
        delay = arguments[delayAt + 1].toInt();
    }
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        return 1;
    }
    QObject::connect(&server, &QTcpServer::newConnection, [&server, delay] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            auto received = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, received, delay] {
                received->append(socket->readAll());
                const qsizetype lineEnd = received->indexOf('\n');
                if (lineEnd < 0) {
                    return;
                }
                const QByteArray reply =
                    "No match for \"" + received->left(lineEnd).trimmed().toUpper() + "\".\r\n";
                received->clear();
                QTimer::singleShot(delay, socket, [socket, reply] {
                    socket->write(reply);
                    socket->disconnectFromHost();
                });
            });
        }
    });
    std::printf("PORT %d\n", server.serverPort());
    std::fflush(stdout);
    return QCoreApplication::exec();
}
