// A whois server for benchmarks: answers every query on 127.0.0.1 with the reader's first
// "available" marker for the suffix (.com by default: "No match for"), after an optional pause,
// and closes. Prints "PORT <n>" once it listens; runs until it is killed.
//   bench_whois_server [--delay-ms N] [--suffix SUFFIX]
#include "whois/core/ClassifyReply.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

// The text by which the reader knows a free name of `suffix`: each registry words it its own way.
QByteArray AvailableMarker(const QString& suffix)
{
    const ReplyRule* rule = RuleForName(suffix.toStdString());
    if (!rule || !rule->decisive) {
        return "No match for";
    }
    const auto marker =
        std::ranges::find(rule->markers, DomainStatus::Available, &ReplyMarker::status);
    return marker != rule->markers.end()
               ? QByteArray(marker->text.data(), static_cast<qsizetype>(marker->text.size()))
               : QByteArray();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    int delay = 0;
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype delayAt = arguments.indexOf("--delay-ms");
    if (delayAt > 0 && delayAt + 1 < arguments.size()) {
        delay = arguments[delayAt + 1].toInt();
    }
    const qsizetype suffixAt = arguments.indexOf("--suffix");
    const QByteArray marker = AvailableMarker(
        suffixAt > 0 && suffixAt + 1 < arguments.size() ? arguments[suffixAt + 1] : "com");
    if (marker.isEmpty()) {
        std::fprintf(stderr, "bench_whois_server: no reply marks a free name of that suffix\n");
        return 2;
    }
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        return 1;
    }
    QObject::connect(&server, &QTcpServer::newConnection, [&server, delay, marker] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            auto received = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(
                socket, &QTcpSocket::readyRead, socket, [socket, received, delay, marker] {
                    received->append(socket->readAll());
                    const qsizetype lineEnd = received->indexOf('\n');
                    if (lineEnd < 0) {
                        return;
                    }
                    const QByteArray reply =
                        marker + " \"" + received->left(lineEnd).trimmed().toUpper() + "\".\r\n";
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
