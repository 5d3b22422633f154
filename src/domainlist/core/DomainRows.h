#pragma once

#include "query/core/DomainStatus.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// What a row of the domain list says about its name. The order is the order of the texts, so
// that sorting by status and sorting by status text agree.
enum class RowStatus : std::uint8_t
{
    Available,          // "Available!"
    InformationMissing, // "Information Missing"
    NoAnswer,           // "No Answer": the server was not reached or its reply said nothing
    Pending,            // "Pending"
    Taken,              // "Taken"
};

std::string_view RowStatusText(RowStatus status);
RowStatus RowStatusFor(DomainStatus verdict);

// Index of the row's picture: gear for pending, red cross for taken and for missing
// information, green arrow for available (the five of the row image strip), then the amber
// question mark for no answer.
int RowImage(RowStatus status);

// Where a search stands with a row: waiting in its queue, being asked right now, or answered
// in this search (so that checking it again does not ask it again).
enum class SearchMark : std::uint8_t
{
    None,
    Queued,
    Asking,
    Done,
};

struct DomainRow
{
    std::string name;
    std::size_t nameHash = 0;
    RowStatus status = RowStatus::Pending;
    bool checked = true;
    SearchMark mark = SearchMark::None;
    // Names the row across deletions, for answers that arrive after rows moved. Ids ascend with
    // the row index; 0 names no row.
    std::uint32_t id = 0;
    // When the last answer came, in seconds since 1970 UTC (0: never), and from which server
    // (an index into the list's server names, 0: none). Kept so that an exported list says so.
    std::uint32_t answeredAt = 0;
    std::uint16_t server = 0;
    // The last answer came from the store of earlier searches, not from a query of this one.
    bool remembered = false;
};

// A million rows are kept in memory: the small fields share the last eight bytes, and anything
// rarer than that (the reason for no answer, the server's name) lives beside the rows, not in
// them.
static_assert(sizeof(DomainRow) <= 56, "a DomainRow outgrew its 56 bytes");

// One row as it leaves the list (an export) or comes back (an opened list).
struct ListRecord
{
    std::string name;
    RowStatus status = RowStatus::Pending;
    bool checked = true;
    std::string server;
    std::uint32_t answeredAt = 0; // seconds since 1970 UTC; 0: never answered
    std::string reason;           // only for "No Answer"
    // The answer came from the store of earlier searches; not part of any file.
    bool remembered = false;
};

// A row followed through deletions: where it is now, or where it was if it was deleted.
struct TrackedRow
{
    int row = -1;         // -1: nothing tracked
    bool deleted = false; // then `row` is the place of the first row after it
    bool cleared = false; // the whole list was cleared
};

// The rows of the domain list: the one store of candidate names, with an index of the names
// derived from it so that the duplicate test does not scan the list.
class DomainRows
{
public:
    int Count() const { return static_cast<int>(m_rows.size()); }
    const DomainRow& At(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    bool IsValidRow(int row) const { return row >= 0 && row < Count(); }

    // Whether some row's name equals `name` byte for byte.
    bool Contains(std::string_view name) const;

    // Appends a checked "Pending" row and returns its index.
    int Append(std::string name);
    // Appends the row as the record describes it and returns its index.
    int Append(ListRecord record);
    ListRecord Record(int row) const;

    void SetChecked(int row, bool checked)
    {
        m_rows[static_cast<std::size_t>(row)].checked = checked;
    }
    // Any status but "No Answer" forgets the row's reason.
    void SetStatus(int row, RowStatus status);
    // "No Answer", and why.
    void SetNoAnswer(int row, std::string reason);
    // Empty unless the row is "No Answer".
    std::string_view Reason(int row) const;
    // Which server answered last, and when (seconds since 1970 UTC).
    void SetAnswered(int row, std::string_view server, std::uint32_t answeredAt);
    std::string_view Server(int row) const;
    // Gives the row what the record says of its last answer: the status, the reason, the server,
    // the time and whether it was remembered (not the record's name or check mark).
    void SetResult(int row, ListRecord record);

    void SetMark(int row, SearchMark mark) { m_rows[static_cast<std::size_t>(row)].mark = mark; }
    // Returns the rows that had a mark, lowest first.
    std::vector<int> ClearMarks();

    // The row named `id`, or -1 when it was removed.
    int RowOfId(std::uint32_t id) const;
    // The first row whose id is `id` or later (Count() when there is none).
    int FirstRowFromId(std::uint32_t id) const;

    // Sets the check mark of every row for which `wanted` returns a value; returns the rows
    // that changed, lowest first.
    std::vector<int> SetChecks(const std::function<std::optional<bool>(const DomainRow&)>& wanted);

    // Removes every row for which `remove` is true, keeping the order of the others. Returns the
    // removed rows' former indices, lowest first.
    std::vector<int> RemoveIf(const std::function<bool(const DomainRow&)>& remove);
    void Clear();

    // Reorders the rows by the name (column 0) or the status text (column 1), comparing bytes as
    // unsigned values; rows with equal texts keep their order. Returns, for each new position, the
    // row's former index. Every row gets a new id, so that ids ascend again: the list is never
    // sorted while a search runs, so no id held by a search goes stale.
    std::vector<int> Sort(int column, bool ascending);

    // Follows one row (usually the one a search is asking about) through deletions.
    void Track(int row);
    TrackedRow Tracked() const { return m_tracked; }

private:
    // The reasons of "No Answer" rows, by row id. Rows that failed for one cause (a server that
    // refuses every query) share one copy of its text.
    class Reasons
    {
    public:
        bool IsEmpty() const { return m_textOfId.empty(); }
        std::string_view Of(std::uint32_t id) const;
        void Set(std::uint32_t id, std::string reason);
        void Drop(std::uint32_t id);
        // Moves each reason from a row's old id to its new one.
        void Rekey(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& oldAndNewIds);
        void Clear();

    private:
        // A text and the number of rows giving it. Elements of an unordered_map stay where they
        // are while it grows, so rows may point at them.
        using Text = std::pair<const std::string, std::uint32_t>;
        void Release(Text* text);

        std::unordered_map<std::string, std::uint32_t> m_texts;
        std::unordered_map<std::uint32_t, Text*> m_textOfId;
    };

    void RebuildIndex();
    void InsertIntoIndex(int row);
    void GrowIndexIfNeeded();
    // Gives every row, in order, an id from the counter, starting the counter again at 1 when it
    // would run out, and moves the reasons along.
    void RenumberIds();

    std::vector<DomainRow> m_rows;
    std::uint32_t m_nextId = 1;
    // Few servers answer many rows: each name is kept once. Index 0 is the empty name.
    std::vector<std::string> m_serverNames{std::string()};
    Reasons m_reasons;
    // Open addressing over row indices (-1 = empty slot); rebuilt whenever rows move.
    std::vector<int> m_index;
    TrackedRow m_tracked;
};
