#include "AnswerStore.h"

#include "AnswerAges.h"

#include <ctime>
#include <filesystem>
#include <sqlite3.h>
#include <system_error>
#include <utility>

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS servers(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);
CREATE TABLE IF NOT EXISTS answers(
    name TEXT NOT NULL,
    time INTEGER NOT NULL,
    status INTEGER,
    server INTEGER NOT NULL,
    reason TEXT);
CREATE INDEX IF NOT EXISTS answers_by_name ON answers(name, time);
CREATE TABLE IF NOT EXISTS facts(key TEXT PRIMARY KEY, value INTEGER) WITHOUT ROWID;
)sql";

constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;

// "2026-12-09" in UTC.
std::string DateText(std::int64_t seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[16] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d", &parts);
    return text;
}

std::string ColumnText(sqlite3_stmt* statement, int column)
{
    const auto* text = sqlite3_column_text(statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                : std::string();
}

// The verdict of a stored status; an unknown number reads as no verdict, never as a wrong one.
std::optional<DomainStatus> VerdictOf(sqlite3_stmt* statement, int column)
{
    if (sqlite3_column_type(statement, column) == SQLITE_NULL) {
        return std::nullopt;
    }
    switch (sqlite3_column_int(statement, column)) {
    case static_cast<int>(DomainStatus::Taken):
        return DomainStatus::Taken;
    case static_cast<int>(DomainStatus::Available):
        return DomainStatus::Available;
    case static_cast<int>(DomainStatus::InformationMissing):
        return DomainStatus::InformationMissing;
    default:
        return std::nullopt;
    }
}

void Bind(sqlite3_stmt* statement, int index, const std::string& text)
{
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

} // namespace

void AnswerStore::StatementDeleter::operator()(sqlite3_stmt* statement) const
{
    sqlite3_finalize(statement);
}

AnswerStore::AnswerStore(std::string path, AnswerStoreLimits limits)
    : m_path(std::move(path)), m_limits(limits)
{}

AnswerStore::~AnswerStore()
{
    Close();
}

bool AnswerStore::Open(std::int64_t now)
{
    m_now = now;
    if (!OpenFile()) {
        return false;
    }
    Statement lastPruned = Prepare("SELECT value FROM facts WHERE key = 'pruned'");
    if (!lastPruned) {
        return false;
    }
    const int step = sqlite3_step(lastPruned.get());
    const std::int64_t pruned = step == SQLITE_ROW ? sqlite3_column_int64(lastPruned.get(), 0) : 0;
    if (!Succeeded(step)) {
        return false;
    }
    lastPruned.reset();
    if (now - pruned < kSecondsPerDay) {
        return true;
    }
    Statement prune = Prepare("DELETE FROM answers WHERE time < ?");
    Statement note = Prepare("INSERT OR REPLACE INTO facts(key, value) VALUES('pruned', ?)");
    if (!prune || !note || !Execute("BEGIN IMMEDIATE")) {
        return false;
    }
    sqlite3_bind_int64(prune.get(), 1, now - kLongestKept.count());
    sqlite3_bind_int64(note.get(), 1, now);
    return Succeeded(sqlite3_step(prune.get())) && Succeeded(sqlite3_step(note.get())) &&
           Execute("COMMIT");
}

bool AnswerStore::OpenFile()
{
    Close();
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), error);
    const int opened = sqlite3_open_v2(m_path.c_str(), &m_database,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (opened != SQLITE_OK) {
        GiveUp(m_database ? sqlite3_errmsg(m_database) : sqlite3_errstr(opened));
        return false;
    }
    sqlite3_extended_result_codes(m_database, 1);
    sqlite3_busy_timeout(m_database, static_cast<int>(m_limits.busyTimeout.count()));
    // NORMAL: with a write-ahead log a power cut may lose the last answers, never the file.
    if (!Execute("PRAGMA journal_mode=WAL") || !Execute("PRAGMA synchronous=NORMAL")) {
        return false;
    }
    const std::string largest =
        "PRAGMA max_page_count=" +
        std::to_string(std::max<std::int64_t>(m_limits.largestFile / 4096, 1));
    if (!Execute(largest.c_str()) || !Execute("BEGIN IMMEDIATE") || !Execute(kSchema) ||
        !Execute("COMMIT")) {
        return false;
    }
    m_newest = Prepare("SELECT answers.time, answers.status, servers.name, answers.reason "
                       "FROM answers JOIN servers ON servers.id = answers.server "
                       "WHERE answers.name = ? ORDER BY answers.time DESC, answers.rowid DESC "
                       "LIMIT 1");
    m_insert =
        Prepare("INSERT INTO answers(name, time, status, server, reason) VALUES(?, ?, ?, ?, ?)");
    m_findServer = Prepare("SELECT id FROM servers WHERE name = ?");
    m_addServer = Prepare("INSERT OR IGNORE INTO servers(name) VALUES(?)");
    return m_newest && m_insert && m_findServer && m_addServer;
}

bool AnswerStore::Execute(const char* sql)
{
    if (!m_database) {
        return false;
    }
    return Succeeded(sqlite3_exec(m_database, sql, nullptr, nullptr, nullptr));
}

AnswerStore::Statement AnswerStore::Prepare(const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (!m_database || !Succeeded(sqlite3_prepare_v2(m_database, sql, -1, &statement, nullptr))) {
        return nullptr;
    }
    return Statement(statement);
}

bool AnswerStore::Succeeded(int code)
{
    switch (code & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return true;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        SetAside();
        return false;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        GiveUp("another program held it locked for over " +
               std::to_string(m_limits.busyTimeout.count() / 1000) + " s");
        return false;
    case SQLITE_FULL:
        GiveUp("it is full (the disk, or its limit of " +
               std::to_string(m_limits.largestFile >> 20) + " MiB)");
        return false;
    default:
        GiveUp(m_database ? sqlite3_errmsg(m_database) : sqlite3_errstr(code));
        return false;
    }
}

void AnswerStore::GiveUp(const std::string& why)
{
    if (m_database) {
        // A failed statement may leave its transaction open.
        sqlite3_exec(m_database, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Close();
    m_notices.push_back("Remembered answers are not used: " + m_path + ": " + why + ".");
}

void AnswerStore::SetAside()
{
    Close();
    if (m_setAsideOnce) {
        // The new file is damaged too: something else is wrong; give up rather than loop.
        m_notices.push_back("Remembered answers are not used: " + m_path + " is damaged.");
        return;
    }
    m_setAsideOnce = true;
    std::string aside = m_path + ".damaged-" + DateText(m_now);
    for (int number = 2; std::filesystem::exists(aside); ++number) {
        aside = m_path + ".damaged-" + DateText(m_now) + "-" + std::to_string(number);
    }
    std::error_code error;
    std::filesystem::rename(m_path, aside, error);
    if (error) {
        m_notices.push_back("Remembered answers are not used: " + m_path +
                            " is damaged and cannot be set aside: " + error.message() + ".");
        return;
    }
    // The log belongs to the damaged file; the shared-memory index is rebuilt from it.
    std::filesystem::rename(m_path + "-wal", aside + "-wal", error);
    std::filesystem::remove(m_path + "-shm", error);
    m_notices.push_back("The store of remembered answers was damaged; it was set aside as " +
                        aside + " and a new one started.");
    OpenFile();
}

void AnswerStore::Close()
{
    m_newest.reset();
    m_insert.reset();
    m_findServer.reset();
    m_addServer.reset();
    m_serverIds.clear();
    if (m_database) {
        sqlite3_close_v2(m_database);
        m_database = nullptr;
    }
}

std::vector<std::optional<StoredAnswer>> AnswerStore::Newest(const std::vector<std::string>& names)
{
    std::vector<std::optional<StoredAnswer>> found(names.size());
    // One read transaction: one snapshot, and one lock taken for the whole batch.
    if (!Execute("BEGIN")) {
        return found;
    }
    for (std::size_t index = 0; index < names.size() && m_newest; ++index) {
        sqlite3_stmt* statement = m_newest.get();
        sqlite3_reset(statement);
        Bind(statement, 1, names[index]);
        const int step = sqlite3_step(statement);
        if (step == SQLITE_ROW) {
            found[index] = StoredAnswer{names[index], sqlite3_column_int64(statement, 0),
                                        VerdictOf(statement, 1), ColumnText(statement, 3),
                                        ColumnText(statement, 2)};
        } else if (!Succeeded(step)) {
            return std::vector<std::optional<StoredAnswer>>(names.size());
        }
    }
    if (m_newest) {
        sqlite3_reset(m_newest.get());
    }
    if (!Execute("COMMIT")) {
        return std::vector<std::optional<StoredAnswer>>(names.size());
    }
    return found;
}

std::optional<std::int64_t> AnswerStore::ServerId(const std::string& server)
{
    if (const auto known = m_serverIds.find(server); known != m_serverIds.end()) {
        return known->second;
    }
    sqlite3_reset(m_addServer.get());
    Bind(m_addServer.get(), 1, server);
    if (!Succeeded(sqlite3_step(m_addServer.get()))) {
        return std::nullopt;
    }
    sqlite3_reset(m_findServer.get());
    Bind(m_findServer.get(), 1, server);
    const int step = sqlite3_step(m_findServer.get());
    if (step != SQLITE_ROW) {
        Succeeded(step == SQLITE_DONE ? SQLITE_INTERNAL : step);
        return std::nullopt;
    }
    const std::int64_t id = sqlite3_column_int64(m_findServer.get(), 0);
    sqlite3_reset(m_findServer.get());
    m_serverIds.emplace(server, id);
    return id;
}

bool AnswerStore::Add(const std::vector<StoredAnswer>& answers)
{
    if (answers.empty() || !Execute("BEGIN IMMEDIATE")) {
        return false;
    }
    // Ids read inside a transaction that is rolled back may not exist afterwards.
    const auto knownServers = m_serverIds;
    for (const StoredAnswer& answer : answers) {
        const std::optional<std::int64_t> server = ServerId(answer.server);
        if (!server) {
            return false;
        }
        sqlite3_stmt* statement = m_insert.get();
        sqlite3_reset(statement);
        Bind(statement, 1, answer.name);
        sqlite3_bind_int64(statement, 2, answer.answeredAt);
        if (answer.verdict) {
            sqlite3_bind_int(statement, 3, static_cast<int>(*answer.verdict));
        } else {
            sqlite3_bind_null(statement, 3);
        }
        sqlite3_bind_int64(statement, 4, *server);
        if (answer.reason.empty()) {
            sqlite3_bind_null(statement, 5);
        } else {
            Bind(statement, 5, answer.reason);
        }
        if (!Succeeded(sqlite3_step(statement))) {
            return false;
        }
    }
    if (!Execute("COMMIT")) {
        m_serverIds = knownServers;
        return false;
    }
    return true;
}

std::vector<StoredAnswer> AnswerStore::History(const std::string& name)
{
    std::vector<StoredAnswer> history;
    Statement statement =
        Prepare("SELECT answers.time, answers.status, servers.name, answers.reason "
                "FROM answers JOIN servers ON servers.id = answers.server "
                "WHERE answers.name = ? ORDER BY answers.time DESC, answers.rowid DESC");
    if (!statement) {
        return history;
    }
    Bind(statement.get(), 1, name);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        history.push_back(StoredAnswer{
            name, sqlite3_column_int64(statement.get(), 0), VerdictOf(statement.get(), 1),
            ColumnText(statement.get(), 3), ColumnText(statement.get(), 2)});
    }
    Succeeded(step);
    return history;
}

bool AnswerStore::Forget()
{
    return Execute("DELETE FROM answers");
}

std::vector<std::string> AnswerStore::TakeNotices()
{
    return std::exchange(m_notices, {});
}
