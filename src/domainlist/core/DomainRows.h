#pragma once

#include "whois/core/DomainStatus.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a row of the domain list says about its name. The order is the order of the texts, so
// that sorting by status and sorting by status text agree.
enum class RowStatus : std::uint8_t
{
    Available,          // "Available!"
    InformationMissing, // "Information Missing"
    Pending,            // "Pending"
    Taken,              // "Taken"
};

std::string_view RowStatusText(RowStatus status);
RowStatus RowStatusFor(DomainStatus verdict);

// Index of the row's picture in the row image strip: gear for pending, red cross for taken and
// for missing information, green arrow for available.
int RowImage(RowStatus status);

struct DomainRow
{
    std::string name;
    std::size_t nameHash = 0;
    RowStatus status = RowStatus::Pending;
    bool checked = true;
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

    void SetChecked(int row, bool checked)
    {
        m_rows[static_cast<std::size_t>(row)].checked = checked;
    }
    void SetStatus(int row, RowStatus status)
    {
        m_rows[static_cast<std::size_t>(row)].status = status;
    }

    // Sets the check mark of every row for which `wanted` returns a value; returns the rows
    // that changed, lowest first.
    std::vector<int> SetChecks(const std::function<std::optional<bool>(const DomainRow&)>& wanted);

    // Removes every row for which `remove` is true, keeping the order of the others. Returns the
    // removed rows' former indices, lowest first.
    std::vector<int> RemoveIf(const std::function<bool(const DomainRow&)>& remove);
    void Clear();

    // Reorders the rows by the name (column 0) or the status text (column 1), comparing bytes as
    // unsigned values; rows with equal texts keep their order. Returns, for each new position, the
    // row's former index.
    std::vector<int> Sort(int column, bool ascending);

    // Follows one row (usually the one a search is asking about) through deletions.
    void Track(int row);
    TrackedRow Tracked() const { return m_tracked; }

private:
    void RebuildIndex();
    void InsertIntoIndex(int row);
    void GrowIndexIfNeeded();

    std::vector<DomainRow> m_rows;
    // Open addressing over row indices (-1 = empty slot); rebuilt whenever rows move.
    std::vector<int> m_index;
    TrackedRow m_tracked;
};
