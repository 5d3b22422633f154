#include "RegistrySimulator.h"

#include "whois/core/ClassifyReply.h"

#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <memory>
#include <random>
#include <sys/socket.h>

namespace {

using Fault = RegistrySimulator::Fault;

// A client that never ends its query line must not grow the buffer without bound.
constexpr qsizetype kMaxRequestBytes = 64 * 1024;

QByteArray FirstLabel(const QByteArray& name)
{
    const qsizetype dot = name.indexOf('.');
    return (dot < 0 ? name : name.left(dot)).toLower();
}

// The line that decides `status` for `suffix`: the first marker the reader tests for it, with the
// name behind. A suffix without such a marker gets the first marker it has at all.
QByteArray MarkerLine(const QByteArray& suffix, DomainStatus status)
{
    const ReplyRule* rule = RuleForName(std::string_view(suffix.constData(), suffix.size()));
    if (!rule || !rule->decisive) {
        // The general reading's words: a domain field, or a not-found line naming the name.
        return status == DomainStatus::Available ? "No match for " : "Domain Name: ";
    }
    const auto marker = std::ranges::find(rule->markers, status, &ReplyMarker::status);
    const std::string_view text =
        marker != rule->markers.end() ? marker->text : rule->markers.front().text;
    return QByteArray(text.data(), static_cast<qsizetype>(text.size())).trimmed() + ' ';
}

QByteArray HttpResponse(int status, const QByteArray& reason, const QByteArray& body,
                        const QByteArray& extraHeaders = {})
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
           "\r\nContent-Type: application/rdap+json\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n" + extraHeaders + "Connection: close\r\n\r\n" +
           body;
}

struct Connection
{
    QByteArray received;
    bool asked = false;
    bool released = false;
};

} // namespace

// One listening server. It lives in the simulator's thread; its connections are its children.
class RegistrySimulator::Server : public QObject
{
public:
    Server(RegistrySimulator& simulator, int index, QObject* parent)
        : QObject(parent), m_simulator(simulator), m_index(index), m_spec(simulator.m_specs[index]),
          m_random(m_spec.seed),
          m_availableLine(MarkerLine(m_spec.suffix, DomainStatus::Available)),
          m_takenLine(MarkerLine(m_spec.suffix, DomainStatus::Taken))
    {
        // Dozens of clients may connect within one turn of the event loop.
        m_listener.setMaxPendingConnections(1000);
        connect(&m_listener, &QTcpServer::newConnection, this, &Server::OnNewConnection);
        if (!m_listener.listen(QHostAddress::LocalHost, 0)) {
            qFatal("RegistrySimulator: cannot listen on 127.0.0.1: %s",
                   qPrintable(m_listener.errorString()));
        }
    }

    quint16 Port() const { return m_listener.serverPort(); }

private:
    struct Admission
    {
        bool refused = false;
        Fault fault = Fault::None;
    };

    void OnNewConnection()
    {
        while (QTcpSocket* socket = m_listener.nextPendingConnection()) {
            socket->setParent(this);
            {
                const QMutexLocker lock(&m_simulator.m_mutex);
                Counters& counters = m_simulator.m_counters[m_index];
                ++counters.openConnections;
                counters.maxOpenConnections =
                    std::max(counters.maxOpenConnections, counters.openConnections);
            }
            auto connection = std::make_shared<Connection>();
            connect(socket, &QTcpSocket::readyRead, this,
                    [this, socket, connection] { OnReadyRead(socket, connection); });
            connect(socket, &QTcpSocket::disconnected, this,
                    [this, socket, connection] { Release(socket, *connection); });
        }
    }

    void Release(QTcpSocket* socket, Connection& connection)
    {
        if (connection.released) {
            return;
        }
        connection.released = true;
        {
            const QMutexLocker lock(&m_simulator.m_mutex);
            --m_simulator.m_counters[m_index].openConnections;
        }
        socket->deleteLater();
    }

    void OnReadyRead(QTcpSocket* socket, const std::shared_ptr<Connection>& shared)
    {
        Connection& connection = *shared;
        if (connection.asked) {
            socket->readAll();
            return;
        }
        connection.received += socket->readAll();
        const QByteArray end = m_spec.rdap ? "\r\n\r\n" : "\n";
        const qsizetype endIndex = connection.received.indexOf(end);
        if (endIndex < 0) {
            if (connection.received.size() > kMaxRequestBytes) {
                socket->abort();
                Release(socket, connection);
            }
            return;
        }
        connection.asked = true;
        QByteArray name = connection.received.left(endIndex);
        if (m_spec.rdap) {
            const QList<QByteArray> requestLine = name.left(name.indexOf("\r\n")).split(' ');
            const QByteArray path = requestLine.value(1);
            constexpr QByteArrayView kPrefix = "/rdap/domain/";
            if (requestLine.value(0) != "GET" || !path.startsWith(kPrefix)) {
                socket->write(HttpResponse(400, "Bad Request", R"({"errorCode":400})"));
                socket->disconnectFromHost();
                return;
            }
            name = QByteArray::fromPercentEncoding(path.mid(kPrefix.size()));
        } else if (name.endsWith('\r')) {
            name.chop(1);
        }
        const Admission admission = Admit(name);
        if (admission.refused) {
            socket->write(m_spec.rdap ? HttpResponse(429, "Too Many Requests",
                                                     R"({"errorCode":429})", "Retry-After: 1\r\n")
                                      : m_spec.refusalText + "\r\n");
            socket->disconnectFromHost();
            return;
        }
        if (admission.fault == Fault::Silence) {
            return;
        }
        auto finish = [this, socket, shared, name, fault = admission.fault] {
            if (socket->state() == QAbstractSocket::ConnectedState) {
                Finish(socket, *shared, name, fault);
            }
        };
        if (m_spec.latencyMilliseconds <= 0) {
            finish();
        } else {
            QTimer::singleShot(m_spec.latencyMilliseconds, Qt::PreciseTimer, socket, finish);
        }
    }

    // Counts the query against the budget, picks its fault and writes it down.
    Admission Admit(const QByteArray& name)
    {
        const QMutexLocker lock(&m_simulator.m_mutex);
        const qint64 now = m_simulator.m_clock.nsecsElapsed();
        Admission admission;
        if (m_spec.budgetQueries > 0) {
            const qint64 window = qint64(m_spec.budgetWindowMilliseconds) * 1000 * 1000;
            while (!m_accepted.empty() && now - m_accepted.front() >= window) {
                m_accepted.pop_front();
            }
            admission.refused = std::ssize(m_accepted) >= m_spec.budgetQueries;
        }
        if (!admission.refused) {
            m_accepted.push_back(now);
            admission.fault = ForcedFault(name);
            if (admission.fault == Fault::None) {
                admission.fault = DrawFault();
            }
        }
        Counters& counters = m_simulator.m_counters[m_index];
        counters.log.append(Arrival{now / (1000 * 1000), name, admission.refused, admission.fault,
                                    counters.openConnections});
        counters.refusals += admission.refused ? 1 : 0;
        return admission;
    }

    Fault DrawFault()
    {
        const FaultRates& rates = m_spec.faults;
        if (rates.reset + rates.silence + rates.close + rates.noMarker <= 0) {
            return Fault::None;
        }
        // Straight from the generator, so the same seed gives the same faults with any library.
        const double draw = double(m_random()) / 4294967296.0;
        double bound = 0;
        for (const auto& [fault, rate] :
             {std::pair{Fault::Reset, rates.reset}, std::pair{Fault::Silence, rates.silence},
              std::pair{Fault::Close, rates.close}, std::pair{Fault::NoMarker, rates.noMarker}}) {
            bound += rate;
            if (draw < bound) {
                return fault;
            }
        }
        return Fault::None;
    }

    void Finish(QTcpSocket* socket, Connection& connection, const QByteArray& name, Fault fault)
    {
        switch (fault) {
        case Fault::Reset: {
            // A zero linger time makes the close send a reset.
            const linger reset{1, 0};
            ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                         &reset, sizeof reset);
            socket->abort();
            Release(socket, connection);
            return;
        }
        case Fault::Close:
            break;
        case Fault::NoMarker:
            socket->write(m_spec.rdap ? HttpResponse(200, "OK", R"({"objectClassName":"entity"})")
                                      : QByteArray("% Registry simulator\r\n% Query received\r\n"));
            break;
        case Fault::Silence:
            return;
        case Fault::None:
            socket->write(Reply(name));
            break;
        }
        socket->disconnectFromHost();
    }

    QByteArray Reply(const QByteArray& name) const
    {
        const bool registered = IsRegistered(name);
        if (m_spec.rdap) {
            return registered
                       ? HttpResponse(200, "OK",
                                      R"({"objectClassName":"domain","ldhName":")" + name + R"("})")
                       : HttpResponse(404, "Not Found", R"({"errorCode":404})");
        }
        return "% Registry simulator\r\n" + (registered ? m_takenLine : m_availableLine) +
               name.toUpper() + "\r\n>>> Last update of the simulated database <<<\r\n";
    }

    RegistrySimulator& m_simulator;
    const int m_index;
    const ServerSpec m_spec;
    QTcpServer m_listener;
    std::mt19937 m_random;
    std::deque<qint64> m_accepted; // arrival times of the accepted queries in the window
    const QByteArray m_availableLine;
    const QByteArray m_takenLine;
};

RegistrySimulator::RegistrySimulator(QList<ServerSpec> servers, QObject* parent)
    : QObject(parent), m_specs(std::move(servers)), m_counters(m_specs.size())
{
    m_clock.start();
    m_threadContext = new QObject;
    m_threadContext->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("RegistrySimulator"));
    m_thread.start();
    QMetaObject::invokeMethod(
        m_threadContext,
        [this] {
            for (int index = 0; index < m_specs.size(); ++index) {
                m_ports.append((new Server(*this, index, m_threadContext))->Port());
            }
        },
        Qt::BlockingQueuedConnection);
}

RegistrySimulator::~RegistrySimulator()
{
    // Sockets and their timers must go in the thread that runs them.
    QMetaObject::invokeMethod(
        m_threadContext, [this] { qDeleteAll(m_threadContext->children()); },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_threadContext;
}

QByteArray RegistrySimulator::Address(int server) const
{
    return "127.0.0.1:" + QByteArray::number(Port(server));
}

QString RegistrySimulator::RdapBaseUrl(int server) const
{
    return QStringLiteral("http://127.0.0.1:%1/rdap/").arg(Port(server));
}

bool RegistrySimulator::IsRegistered(const QByteArray& name)
{
    return !FirstLabel(name).startsWith("free");
}

RegistrySimulator::Fault RegistrySimulator::ForcedFault(const QByteArray& name)
{
    const QByteArray label = FirstLabel(name);
    for (const auto& [prefix, fault] :
         {std::pair{"reset", Fault::Reset}, std::pair{"mute", Fault::Silence},
          std::pair{"close", Fault::Close}, std::pair{"nomark", Fault::NoMarker}}) {
        if (label.startsWith(prefix)) {
            return fault;
        }
    }
    return Fault::None;
}

QList<RegistrySimulator::Arrival> RegistrySimulator::Log(int server) const
{
    const QMutexLocker lock(&m_mutex);
    return m_counters[server].log;
}

int RegistrySimulator::RefusalCount(int server) const
{
    const QMutexLocker lock(&m_mutex);
    return m_counters[server].refusals;
}

int RegistrySimulator::MaxOpenConnections(int server) const
{
    const QMutexLocker lock(&m_mutex);
    return m_counters[server].maxOpenConnections;
}

int RegistrySimulator::OpenConnections(int server) const
{
    const QMutexLocker lock(&m_mutex);
    return m_counters[server].openConnections;
}

int RegistrySimulator::QueryCount(int server) const
{
    const QMutexLocker lock(&m_mutex);
    return static_cast<int>(m_counters[server].log.size());
}
