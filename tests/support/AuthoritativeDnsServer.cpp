#include "AuthoritativeDnsServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QStandardPaths>
#include <QTcpServer>
#include <QUdpSocket>

namespace {

// Another process may take the port between our look and nsd's bind; a few tries get past that.
constexpr int kPortTries = 5;
// A cold start reads the zones and forks its helpers: well under a second, unless the machine is
// loaded.
constexpr int kStartMilliseconds = 20000;
constexpr int kQuestionEveryMilliseconds = 100;
constexpr int kStopMilliseconds = 5000;

// A port free on 127.0.0.1 for both UDP and TCP, or 0.
quint16 FreePort()
{
    QUdpSocket udp;
    if (!udp.bind(QHostAddress::LocalHost, 0)) {
        return 0;
    }
    QTcpServer tcp;
    return tcp.listen(QHostAddress::LocalHost, udp.localPort()) ? udp.localPort() : 0;
}

// A question for the SOA record of `origin`.
QByteArray SoaQuestion(const QByteArray& origin, quint16 id)
{
    QByteArray message;
    message += static_cast<char>(id >> 8);
    message += static_cast<char>(id & 0xFF);
    message += QByteArray("\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00", 10);
    for (const QByteArray& label : origin.split('.')) {
        if (!label.isEmpty()) {
            message += static_cast<char>(label.size());
            message += label;
        }
    }
    message += QByteArray("\x00\x00\x06\x00\x01", 5);
    return message;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

AuthoritativeDnsServer::AuthoritativeDnsServer()
{
    m_nsd.setProcessChannelMode(QProcess::MergedChannels);
}

AuthoritativeDnsServer::~AuthoritativeDnsServer()
{
    Stop();
}

bool AuthoritativeDnsServer::Start(const QList<Zone>& zones)
{
    if (!m_folder.isValid()) {
        m_problem = "no temporary folder: " + m_folder.errorString().toUtf8();
        return false;
    }
    for (int attempt = 0; attempt < kPortTries; ++attempt) {
        const quint16 port = FreePort();
        if (port != 0 && StartAt(port, zones)) {
            m_port = port;
            return true;
        }
        Stop();
    }
    return false;
}

QByteArray AuthoritativeDnsServer::Log() const
{
    QFile file(m_folder.filePath(QStringLiteral("nsd.log")));
    QByteArray log = m_problem;
    if (file.open(QIODevice::ReadOnly)) {
        log += "\nnsd.log:\n" + file.readAll();
    }
    return log;
}

bool AuthoritativeDnsServer::StartAt(quint16 port, const QList<Zone>& zones)
{
    const QString nsd = QStandardPaths::findExecutable(
        QStringLiteral("nsd"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    if (nsd.isEmpty()) {
        m_problem = "nsd not found in /usr/sbin: install Debian's nsd (scripts/setup)";
        return false;
    }
    // No user to switch to and no chroot: it runs as whoever runs the test, with every file it
    // keeps in the temporary folder and no control channel. No response rate limiting: its
    // default (200 a second for all the names of a zone that do not exist) drops or truncates the
    // answers to the one client a test or benchmark has, which then waits for its retries.
    QByteArray config = R"(server:
  ip-address: 127.0.0.1@PORT
  do-ip6: no
  username: ""
  chroot: ""
  server-count: 1
  reuseport: no
  verbosity: 2
  rrl-ratelimit: 0
  rrl-whitelist-ratelimit: 0
  database: ""
  zonesdir: "FOLDER"
  pidfile: "FOLDER/nsd.pid"
  logfile: "FOLDER/nsd.log"
  zonelistfile: "FOLDER/zone.list"
  xfrdfile: "FOLDER/xfrd.state"
  xfrdir: "FOLDER"
remote-control:
  control-enable: no
)";
    config.replace("PORT", QByteArray::number(port)).replace("FOLDER", m_folder.path().toUtf8());
    for (const Zone& zone : zones) {
        const QByteArray file = zone.origin + "zone";
        config += "zone:\n  name: \"" + zone.origin + "\"\n  zonefile: \"" + file + "\"\n";
        const QByteArray text = "$ORIGIN " + zone.origin +
                                "\n$TTL 3600\n"
                                "@ SOA ns hostmaster 1 3600 900 604800 60\n"
                                "@ NS ns\n"
                                "ns A 127.0.0.1\n" +
                                zone.records + "\n";
        if (!WriteFile(m_folder.filePath(QString::fromUtf8(file)), text)) {
            m_problem = "cannot write the zone file " + file;
            return false;
        }
    }
    const QString configPath = m_folder.filePath(QStringLiteral("nsd.conf"));
    if (!WriteFile(configPath, config)) {
        m_problem = "cannot write nsd.conf";
        return false;
    }
    // In the foreground (-d), so that the process is nsd itself and ends with this object.
    m_nsd.start(nsd, {QStringLiteral("-d"), QStringLiteral("-c"), configPath});
    if (!m_nsd.waitForStarted()) {
        m_problem = "nsd did not start: " + m_nsd.errorString().toUtf8();
        return false;
    }
    m_port = port;
    for (const Zone& zone : zones) {
        if (!AnswersFor(zone.origin)) {
            m_problem = "nsd on port " + QByteArray::number(port) + " gave no SOA of " +
                        zone.origin + "; its output:\n" + m_nsd.readAll();
            m_port = 0;
            return false;
        }
    }
    return true;
}

bool AuthoritativeDnsServer::AnswersFor(const QByteArray& origin)
{
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::LocalHost, 0)) {
        return false;
    }
    const quint16 id = 0x5153;
    const QByteArray question = SoaQuestion(origin, id);
    const QDeadlineTimer deadline(kStartMilliseconds);
    while (!deadline.hasExpired() && m_nsd.state() == QProcess::Running) {
        socket.writeDatagram(question, QHostAddress::LocalHost, m_port);
        if (!socket.waitForReadyRead(kQuestionEveryMilliseconds)) {
            continue;
        }
        while (socket.hasPendingDatagrams()) {
            const QByteArray answer = socket.receiveDatagram().data();
            // The ID, then a response (QR) with no error (RCODE 0) holding an answer.
            if (answer.size() > 7 && answer.startsWith(question.left(2)) &&
                (answer[2] & 0x80) != 0 && (answer[3] & 0x0F) == 0 && answer[7] != 0) {
                return true;
            }
        }
    }
    return false;
}

void AuthoritativeDnsServer::Stop()
{
    if (m_nsd.state() == QProcess::NotRunning) {
        return;
    }
    m_nsd.terminate();
    if (!m_nsd.waitForFinished(kStopMilliseconds)) {
        m_nsd.kill();
        m_nsd.waitForFinished(kStopMilliseconds);
    }
}
