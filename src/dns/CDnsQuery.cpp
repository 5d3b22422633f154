#include "CDnsQuery.h"

#include "dns/core/DnsReply.h"
#include "query/core/QueryLimits.h"

#include <QPointer>
#include <QSocketNotifier>
#include <algorithm>
#include <ares.h>
#include <ares_nameser.h>
#include <arpa/inet.h>
#include <memory>

namespace {

// One retry covers a datagram lost on the way; the first try gets a third of the whole wait, the
// retry (which c-ares gives twice as long) the rest.
constexpr int kTries = 2;
constexpr int kTryShares = 3;

// What comes back with each c-ares callback: whose query, and which.
struct Ticket
{
    CDnsQuery* owner = nullptr;
    std::uint64_t serial = 0;
};

QueryResult NotInDns(int item, std::string detail)
{
    return FailureResult(item, QueryFailureKind::NoVerdict, kNotInDns, std::move(detail));
}

std::string FailedLookupDetail(int status, std::chrono::milliseconds wait)
{
    switch (status) {
    case ARES_ETIMEOUT:
        return NoReplyWithin(wait, "answer");
    case ARES_ESERVFAIL:
        return "server failure";
    case ARES_EREFUSED:
        return "refused";
    case ARES_ENOTFOUND:
        return "NXDOMAIN";
    case ARES_ECONNREFUSED:
        return "connection refused";
    default:
        return PlainDetail(ares_strerror(status));
    }
}

QueryResult ReadAnswer(int item, std::string_view answer, const QByteArray& name)
{
    const std::optional<DnsReply> reply =
        ReadDnsReply(answer, std::string_view(name.constData(), name.size()));
    if (!reply) {
        return NotInDns(item, "unreadable reply");
    }
    switch (reply->responseCode) {
    case DnsResponseCode::kNoError:
        return reply->nameServersOfName ? VerdictResult(item, DomainStatus::Taken)
                                        : NotInDns(item, "no NS records");
    case DnsResponseCode::kNameError:
        return NotInDns(item, "NXDOMAIN");
    case DnsResponseCode::kServerFailure:
        return NotInDns(item, "server failure");
    case DnsResponseCode::kRefused:
        return NotInDns(item, "refused");
    default:
        return NotInDns(item, "response code " + std::to_string(reply->responseCode));
    }
}

// The servers as c-ares takes them, in the order given; hosts that are no address are left out.
std::vector<ares_addr_port_node> ServerNodes(const std::vector<ServerAddress>& servers)
{
    std::vector<ares_addr_port_node> nodes;
    for (const ServerAddress& server : servers) {
        ares_addr_port_node node{};
        if (inet_pton(AF_INET, server.host.c_str(), &node.addr.addr4) == 1) {
            node.family = AF_INET;
        } else if (inet_pton(AF_INET6, server.host.c_str(), &node.addr.addr6) == 1) {
            node.family = AF_INET6;
        } else {
            continue;
        }
        node.udp_port = server.port;
        node.tcp_port = server.port;
        nodes.push_back(node);
    }
    for (std::size_t index = 1; index < nodes.size(); ++index) {
        nodes[index - 1].next = &nodes[index];
    }
    return nodes;
}

} // namespace

CDnsQuery::CDnsQuery(QObject* parent) : QObject(parent), m_timeout(QueryLimits::kDnsTimeout)
{
    m_wake.setSingleShot(true);
    connect(&m_wake, &QTimer::timeout, this, [this] {
        Process(ARES_SOCKET_BAD, ARES_SOCKET_BAD);
        ExpireOverdue();
        ScheduleWake();
    });
}

CDnsQuery::~CDnsQuery()
{
    m_lookups.clear();
    m_queued.clear();
    DestroyChannel();
}

void CDnsQuery::SetServers(std::vector<ServerAddress> servers)
{
    m_servers = std::move(servers);
    m_channelStale = true;
}

void CDnsQuery::SetTimeout(std::chrono::milliseconds timeout)
{
    m_timeout = timeout;
    m_channelStale = true;
}

void CDnsQuery::StartQuery(const QByteArray& name, int item)
{
    const std::uint64_t serial = m_nextSerial++;
    m_lookups[serial] = {item, name, std::chrono::steady_clock::now() + m_timeout, m_timeout};
    if (name.isEmpty() || name.contains('\0')) {
        Conclude(serial, FailureResult(item, QueryFailureKind::NotAskable, kNotADomainName));
        return;
    }
    if (!EnsureChannel()) {
        Conclude(serial, NotInDns(item, m_channelProblem));
        return;
    }
    unsigned char* query = nullptr;
    int length = 0;
    if (ares_create_query(name.constData(), ns_c_in, ns_t_ns, 0, 1, &query, &length, 0) !=
        ARES_SUCCESS) {
        Conclude(serial, FailureResult(item, QueryFailureKind::NotAskable, kNotADomainName));
        return;
    }
    ++m_outstanding;
    // c-ares calls back exactly once for every query sent, also when it is cancelled or the
    // channel destroyed; the callback takes the ticket back.
    ares_send(m_channel, query, length, &CDnsQuery::OnAnswer, new Ticket{this, serial});
    ares_free_string(query);
    ScheduleWake();
}

int CDnsQuery::InFlight() const
{
    return static_cast<int>(m_lookups.size() + m_queued.size());
}

void CDnsQuery::Reset()
{
    m_lookups.clear();
    m_queued.clear();
    if (m_channel) {
        ares_cancel(m_channel);
    }
    ScheduleWake();
}

void CDnsQuery::OnSocketState(void* data, int socket, int readable, int writable)
{
    static_cast<CDnsQuery*>(data)->WatchSocket(socket, readable != 0, writable != 0);
}

void CDnsQuery::OnAnswer(void* ticket, int status, [[maybe_unused]] int timeouts,
                         unsigned char* answer, int length)
{
    const std::unique_ptr<Ticket> owned(static_cast<Ticket*>(ticket));
    CDnsQuery& self = *owned->owner;
    --self.m_outstanding;
    const auto found = self.m_lookups.find(owned->serial);
    if (found == self.m_lookups.end()) {
        return;
    }
    const Lookup& lookup = found->second;
    self.Conclude(owned->serial,
                  status == ARES_SUCCESS
                      ? ReadAnswer(lookup.item,
                                   std::string_view(reinterpret_cast<const char*>(answer),
                                                    static_cast<std::size_t>(length)),
                                   lookup.name)
                      : NotInDns(lookup.item, FailedLookupDetail(status, lookup.wait)));
}

bool CDnsQuery::EnsureChannel()
{
    // Queries still under way keep the channel they went out on.
    if (m_channel && m_channelStale && m_outstanding == 0) {
        DestroyChannel();
    }
    if (m_channel) {
        return true;
    }
    // Does nothing on Linux but must come first; c-ares counts the calls.
    static const int kLibraryStatus = ares_library_init(ARES_LIB_INIT_ALL);
    ares_options options{};
    // Only the name as given is asked, never with the search domains of resolv.conf. A query goes
    // out with recursion desired (a resolver answers it whole, an authoritative server refers),
    // and a reply is taken whatever its sections hold.
    options.flags = ARES_FLAG_NOSEARCH | ARES_FLAG_NOALIASES;
    options.timeout = static_cast<int>(
        std::max<std::chrono::milliseconds::rep>(1, m_timeout.count() / kTryShares));
    options.tries = kTries;
    options.sock_state_cb = &CDnsQuery::OnSocketState;
    options.sock_state_cb_data = this;
    const int optionMask =
        ARES_OPT_FLAGS | ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES | ARES_OPT_SOCK_STATE_CB;
    int status = kLibraryStatus;
    if (status == ARES_SUCCESS) {
        status = ares_init_options(&m_channel, &options, optionMask);
    }
    if (status != ARES_SUCCESS) {
        m_channel = nullptr;
        m_channelProblem = PlainDetail(ares_strerror(status));
        return false;
    }
    m_channelStale = false;
    if (!m_servers.empty()) {
        std::vector<ares_addr_port_node> nodes = ServerNodes(m_servers);
        status = nodes.empty() ? ARES_ENODATA : ares_set_servers_ports(m_channel, nodes.data());
        if (status != ARES_SUCCESS) {
            DestroyChannel();
            m_channelProblem = nodes.empty() ? "no DNS server address" : ares_strerror(status);
            return false;
        }
    }
    return true;
}

void CDnsQuery::DestroyChannel()
{
    if (m_channel) {
        ares_destroy(m_channel);
        m_channel = nullptr;
    }
    for (const auto& [socket, watch] : m_sockets) {
        delete watch.read;
        delete watch.write;
    }
    m_sockets.clear();
}

void CDnsQuery::WatchSocket(int socket, bool readable, bool writable)
{
    SocketWatch& watch = m_sockets[socket];
    const auto follow = [this, socket](QSocketNotifier*& notifier, QSocketNotifier::Type type,
                                       bool wanted) {
        if (wanted && !notifier) {
            notifier = new QSocketNotifier(socket, type, this);
            connect(notifier, &QSocketNotifier::activated, this, [this, socket, type] {
                if (type == QSocketNotifier::Read) {
                    Process(socket, ARES_SOCKET_BAD);
                } else {
                    Process(ARES_SOCKET_BAD, socket);
                }
                ScheduleWake();
            });
        } else if (!wanted && notifier) {
            // This may run inside the notifier's own signal, and c-ares may open a socket under
            // the same number before control is back: a disabled notifier no longer listens.
            notifier->setEnabled(false);
            notifier->deleteLater();
            notifier = nullptr;
        }
    };
    follow(watch.read, QSocketNotifier::Read, readable);
    follow(watch.write, QSocketNotifier::Write, writable);
    if (!watch.read && !watch.write) {
        m_sockets.erase(socket);
    }
}

void CDnsQuery::Process(int readSocket, int writeSocket)
{
    if (m_channel) {
        ares_process_fd(m_channel, readSocket, writeSocket);
    }
}

void CDnsQuery::ExpireOverdue()
{
    const auto now = std::chrono::steady_clock::now();
    for (auto lookup = m_lookups.begin(); lookup != m_lookups.end();) {
        const auto next = std::next(lookup);
        if (lookup->second.deadline <= now) {
            Conclude(lookup->first,
                     NotInDns(lookup->second.item, NoReplyWithin(lookup->second.wait, "answer")));
        }
        lookup = next;
    }
}

void CDnsQuery::ScheduleWake()
{
    using std::chrono::milliseconds;
    std::optional<milliseconds> wait;
    timeval untilTimeout{};
    if (m_channel && ares_timeout(m_channel, nullptr, &untilTimeout)) {
        // Rounded up: waking a moment early would only find nothing due yet.
        wait = milliseconds(untilTimeout.tv_sec * 1000 + (untilTimeout.tv_usec + 999) / 1000);
    }
    const auto now = std::chrono::steady_clock::now();
    for (const auto& [serial, lookup] : m_lookups) {
        const auto untilDeadline = std::chrono::ceil<milliseconds>(lookup.deadline - now);
        wait = std::min(wait.value_or(untilDeadline), untilDeadline);
    }
    if (wait) {
        m_wake.start(std::max(*wait, milliseconds(0)));
    } else {
        m_wake.stop();
    }
}

void CDnsQuery::Conclude(std::uint64_t serial, QueryResult result)
{
    m_lookups.erase(serial);
    result.server = std::string(kServerName);
    m_queued.push_back(std::move(result));
    if (!m_deliveryPosted) {
        m_deliveryPosted = true;
        QMetaObject::invokeMethod(this, &CDnsQuery::DeliverQueued, Qt::QueuedConnection);
    }
}

void CDnsQuery::DeliverQueued()
{
    m_deliveryPosted = false;
    const QPointer<CDnsQuery> alive(this);
    while (alive && !m_queued.empty()) {
        const QueryResult result = std::move(m_queued.front());
        m_queued.pop_front();
        emit finished(result);
    }
}
