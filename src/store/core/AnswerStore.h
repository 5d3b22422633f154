#pragma once

#include "query/core/DomainStatus.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// One answer as the store keeps it.
struct StoredAnswer
{
    std::string name;                      // its ASCII form, lower case
    std::int64_t answeredAt = 0;           // seconds since 1970 UTC
    std::optional<DomainStatus> verdict{}; // none: "No Answer"
    std::string reason{};                  // why there was no answer
    std::string server{};                  // "host:port", or "DNS"
};

struct AnswerStoreLimits
{
    // How long a statement waits for another program's transaction before the store is given up.
    std::chrono::milliseconds busyTimeout = std::chrono::seconds(3);
    // The file grows no further; a store that reaches it stops taking answers.
    std::int64_t largestFile = std::int64_t{1} << 30;
};

// The answers of earlier searches in an SQLite file, shared by every Qirv program on the machine:
// write-ahead logging lets one writer and any number of readers work at once, and a writer waits
// for another (up to the busy timeout) rather than failing. Used from one thread at a time.
//
// Nothing here ever stops a search: a store that cannot be used says why once (TakeNotices) and
// answers nothing from then on. A damaged file is set aside under a dated name and a new one is
// started in its place.
class AnswerStore
{
public:
    explicit AnswerStore(std::string path, AnswerStoreLimits limits = {});
    ~AnswerStore();
    AnswerStore(const AnswerStore&) = delete;
    AnswerStore& operator=(const AnswerStore&) = delete;

    // Opens the file (making it and its folder when missing) and, at most once a day, removes
    // answers older than kLongestKept. `now`: seconds since 1970 UTC.
    bool Open(std::int64_t now);
    bool IsUsable() const { return m_database != nullptr; }
    const std::string& Path() const { return m_path; }

    // The newest answer of each name, in the order of the names; nothing for a name never
    // answered.
    std::vector<std::optional<StoredAnswer>> Newest(const std::vector<std::string>& names);
    // Adds the answers in one transaction.
    bool Add(const std::vector<StoredAnswer>& answers);
    // Every answer of the name, newest first.
    std::vector<StoredAnswer> History(const std::string& name);
    // Removes every answer.
    bool Forget();

    // What happened to the store since the last call, a line each.
    std::vector<std::string> TakeNotices();

private:
    struct StatementDeleter
    {
        void operator()(sqlite3_stmt* statement) const;
    };
    using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

    bool OpenFile();
    bool Execute(const char* sql);
    Statement Prepare(const char* sql);
    // False when `code` is a failure; then the store is set aside (damaged) or given up.
    bool Succeeded(int code);
    void GiveUp(const std::string& why);
    void SetAside();
    void Close();
    std::optional<std::int64_t> ServerId(const std::string& server);

    std::string m_path;
    AnswerStoreLimits m_limits;
    std::int64_t m_now = 0;
    sqlite3* m_database = nullptr;
    Statement m_newest;
    Statement m_insert;
    Statement m_findServer;
    Statement m_addServer;
    std::unordered_map<std::string, std::int64_t> m_serverIds;
    std::vector<std::string> m_notices;
    bool m_setAsideOnce = false;
};
