#pragma once

#include "SearchOptions.h"
#include "query/core/QueryResult.h"
#include "registry/core/ServerRoutes.h"
#include "search/core/SearchScheduler.h"
#include "store/core/AnswerStore.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class CDnsQuery;
class CRdapQuery;
class CRememberedAnswers;
class CWhoisSocket;

// Asks about many names at once, each at the server that answers it, as the scheduler allows:
// one query at a time per server, several servers side by side, within each server's budget.
// Names are checked and put in their ASCII form once, here, before they are queued; each route's
// protocol picks the class that asks (CWhoisSocket, CRdapQuery), and its one QueryResult decides
// what happens next. Every name asked ends with exactly one `answered`: a verdict, or the reason
// there was none; or with `dropped` when the owner no longer wants it. Nothing ever waits on a
// failed query.
//
// With remembered answers, a name is first looked up in the store of earlier answers: a fresh
// one is given back as it was (with its server and time), and only the others go on. Every answer
// a server gives is kept there for later searches.
//
// With DNS first, a name is looked up in DNS before it joins its server's queue: NS records of
// that very name make it Taken at once, anything else sends it on to its registry. Once a run per
// extension a random name that nobody can hold is looked up first; when it too is in DNS (an
// extension that answers every name), DNS says nothing for that extension.
//
// Queries start from the event loop only, never from inside the end of another one, so a run of
// instant failures (no network) neither recurses nor ends before the loop runs. The signals may
// be handled by calling back into the engine (Ask, Stop).
class CLookupEngine : public QObject
{
    Q_OBJECT

public:
    using Ticket = SearchScheduler::Ticket;

    explicit CLookupEngine(QObject* parent = nullptr);
    ~CLookupEngine() override;

    // Takes effect for the next names asked; call while nothing runs.
    void SetOptions(SearchOptions options);
    // Names asked from now on go by these routes, also while a search runs; names already
    // queued keep theirs.
    void SetRoutes(ServerRoutes routes) { m_options.routes = std::move(routes); }
    const SearchOptions& Options() const { return m_options; }
    // Tested just before a queued name is asked; a name no longer wanted is dropped.
    void SetStillWanted(std::function<bool(Ticket)> stillWanted);

    // Queues `name` (as it is to be sent, "www." already removed). Lower tickets of a server go
    // first.
    void Ask(Ticket ticket, const QByteArray& name);
    // Ends every query at once; nothing queued or started is reported afterwards.
    void Stop();

    bool IsBusy() const { return m_busy; }
    // About how long the names asked will take to end, by what the servers have shown so far.
    std::chrono::milliseconds TimeLeft() const;
    // The servers that refused and wait before they are asked again, the most waiting names first.
    std::vector<ServerPause> Pauses() const;
    int RefusalsReceived() const { return m_scheduler.RefusalsReceived(); }
    // Names found in DNS in the last run (the names asked from idle to `finished`).
    int FoundInDns() const { return m_foundInDnsCount; }
    // Names answered from the store of earlier answers in the last run.
    int Remembered() const { return m_rememberedCount; }
    // What went wrong with the store since the last call, a line each; a search goes on
    // without a store it cannot use.
    std::vector<std::string> TakeStoreNotices();
    // Writes the answers still waiting to be stored; returns once they are written.
    void FinishStoring();
    // Removes every remembered answer from the store (the options' file).
    void ForgetRememberedAnswers();

signals:
    // A query for the ticket went out.
    void asking(CLookupEngine::Ticket ticket);
    // The server refused for now: the ticket waits to be asked again.
    void requeued(CLookupEngine::Ticket ticket);
    // A refusal paused the server, and names wait for it; once per pause. Connect directly.
    void serverPaused(const ServerPause& pause);
    // Connect directly: the result lives only as long as the call. Its server is the one asked,
    // "host:port" alike for every protocol.
    void answered(CLookupEngine::Ticket ticket, const QueryResult& result);
    void dropped(CLookupEngine::Ticket ticket);
    // Nothing is queued or running any more.
    void finished();

private:
    struct Waiting
    {
        QByteArray name;
        std::size_t route = 0;
    };
    struct Running
    {
        Ticket ticket = 0;
        Waiting query;
    };
    // One query at a time, by whichever protocol its route speaks; each made on first use.
    struct Slot
    {
        std::unique_ptr<CWhoisSocket> whois;
        std::unique_ptr<CRdapQuery> rdap;
        std::optional<Running> running;
    };

    // Where DNS stands for one extension this run.
    enum class DnsStanding
    {
        Probing,  // its random name is being looked up; its names wait
        Usable,   // a name in DNS is a registered name
        Wildcard, // every name is in DNS: it tells nothing
    };
    struct DnsExtension
    {
        DnsStanding standing = DnsStanding::Probing;
        std::vector<Ticket> waiting;
    };
    struct DnsLookup
    {
        Ticket ticket = 0;
        std::string probedExtension; // set for an extension's probe
    };

    CRememberedAnswers& Store();
    void SendToStore();
    void OnLooked(std::uint64_t batch, const std::vector<std::optional<StoredAnswer>>& fresh);
    void Remember(const QByteArray& name, const QueryResult& result);
    // After the store: DNS, or the registry's queue.
    void GoOnAsking(Ticket ticket);
    void EnterDns(Ticket ticket);
    void QueueForRegistry(Ticket ticket);
    // A name that leaves before its registry's queue: its server no longer expects it.
    void Unexpect(Ticket ticket);
    void StartDnsLookups();
    void OnDnsFinished(const QueryResult& result);
    bool DnsIdle() const;
    void Pump();
    void SchedulePump(std::chrono::milliseconds delay);
    void StartQuery(Ticket ticket);
    void Send(int slot, const QByteArray& name, const QueryRoute& route);
    void OnFinished(const QueryResult& result);
    void ResetSlot(Slot& slot);
    std::size_t RouteIndex(const QueryRoute& route);
    // True when a handler stopped the engine while a signal was out.
    bool Emitted(std::uint64_t generation) const { return generation != m_generation; }

    SearchOptions m_options;
    SearchScheduler m_scheduler;
    std::function<bool(Ticket)> m_stillWanted;
    std::unordered_map<Ticket, Waiting> m_waiting;
    std::deque<std::pair<Ticket, QueryResult>> m_unaskable;
    std::vector<QueryRoute> m_routes;
    std::unordered_map<std::string, std::size_t> m_routeIndex;
    // By server: the answer given to the names it had left when it was given up.
    std::unordered_map<std::string, QueryResult> m_lastFailure;
    std::vector<Slot> m_slots;
    std::unique_ptr<CRememberedAnswers> m_store;
    // Names waiting to be looked up in the store, and the lookups under way, by batch.
    std::vector<Ticket> m_storeQueue;
    std::unordered_map<std::uint64_t, std::vector<Ticket>> m_storeLookups;
    std::uint64_t m_nextStoreBatch = 0;
    bool m_storePosted = false;
    int m_rememberedCount = 0;
    std::unique_ptr<CDnsQuery> m_dns;
    std::unordered_map<std::string, DnsExtension> m_dnsExtensions;
    std::deque<Ticket> m_dnsQueue;
    std::unordered_map<int, DnsLookup> m_dnsRunning;
    int m_nextDnsItem = 0;
    // Names DNS found this run: a registry that calls one of them free is not believed.
    std::unordered_set<std::string> m_foundInDns;
    int m_foundInDnsCount = 0;
    QTimer m_pumpTimer;
    std::uint64_t m_generation = 0;
    bool m_pumpPosted = false;
    bool m_busy = false;
};
