#include "DomainRows.h"

#include <algorithm>
#include <array>
#include <limits>
#include <numeric>

std::string_view RowStatusText(RowStatus status)
{
    switch (status) {
    case RowStatus::Available:
        return StatusText(DomainStatus::Available);
    case RowStatus::InformationMissing:
        return StatusText(DomainStatus::InformationMissing);
    case RowStatus::NoAnswer:
        return "No Answer";
    case RowStatus::Pending:
        break;
    case RowStatus::Taken:
        return StatusText(DomainStatus::Taken);
    }
    return "Pending";
}

RowStatus RowStatusFor(DomainStatus verdict)
{
    switch (verdict) {
    case DomainStatus::Available:
        return RowStatus::Available;
    case DomainStatus::InformationMissing:
        return RowStatus::InformationMissing;
    case DomainStatus::Taken:
        break;
    }
    return RowStatus::Taken;
}

int RowImage(RowStatus status)
{
    switch (status) {
    case RowStatus::Pending:
        return 2;
    case RowStatus::Available:
        return 4;
    case RowStatus::NoAnswer:
        return 5;
    case RowStatus::Taken:
    case RowStatus::InformationMissing:
        break;
    }
    return 3;
}

namespace {

std::size_t HashName(std::string_view name)
{
    return std::hash<std::string_view>{}(name);
}

} // namespace

bool DomainRows::Contains(std::string_view name) const
{
    if (m_index.empty()) {
        return false;
    }
    const std::size_t hash = HashName(name);
    const std::size_t mask = m_index.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const int row = m_index[slot];
        if (row < 0) {
            return false;
        }
        const DomainRow& candidate = m_rows[static_cast<std::size_t>(row)];
        if (candidate.nameHash == hash && candidate.name == name) {
            return true;
        }
    }
}

int DomainRows::Append(std::string name)
{
    // Only after four billion rows since the last sort or clear; a search running then loses
    // track of the rows it asked about, which beats ids that no longer ascend.
    if (m_nextId == std::numeric_limits<std::uint32_t>::max()) {
        RenumberIds();
    }
    DomainRow row;
    row.id = m_nextId++;
    row.nameHash = HashName(name);
    row.name = std::move(name);
    m_rows.push_back(std::move(row));
    const int index = Count() - 1;
    GrowIndexIfNeeded();
    InsertIntoIndex(index);
    return index;
}

int DomainRows::Append(ListRecord record)
{
    const int row = Append(std::move(record.name));
    m_rows.back().checked = record.checked;
    SetResult(row, std::move(record));
    return row;
}

void DomainRows::SetResult(int row, ListRecord record)
{
    if (record.status == RowStatus::NoAnswer) {
        SetNoAnswer(row, std::move(record.reason));
    } else {
        SetStatus(row, record.status);
    }
    // Only a change looks the server's name up: a million rows never answered open without it.
    if (record.answeredAt != At(row).answeredAt || record.server != Server(row)) {
        SetAnswered(row, record.server, record.answeredAt);
    }
    m_rows[static_cast<std::size_t>(row)].remembered = record.remembered;
}

ListRecord DomainRows::Record(int row) const
{
    const DomainRow& source = At(row);
    return ListRecord{source.name,       source.status,
                      source.checked,    std::string(Server(row)),
                      source.answeredAt, std::string(Reason(row)),
                      source.remembered};
}

void DomainRows::SetAnswered(int row, std::string_view server, std::uint32_t answeredAt)
{
    DomainRow& changed = m_rows[static_cast<std::size_t>(row)];
    changed.answeredAt = answeredAt;
    // A linear search: a list meets a few dozen servers, and the last one is the likely one.
    std::size_t index = m_serverNames.size();
    while (index > 0 && m_serverNames[index - 1] != server) {
        --index;
    }
    if (index == 0 && !server.empty()) {
        if (m_serverNames.size() > std::numeric_limits<std::uint16_t>::max()) {
            changed.server = 0; // past 65,535 servers a row forgets which one it was
            return;
        }
        m_serverNames.emplace_back(server);
        index = m_serverNames.size();
    }
    changed.server = static_cast<std::uint16_t>(index == 0 ? 0 : index - 1);
}

std::string_view DomainRows::Server(int row) const
{
    return m_serverNames[At(row).server];
}

void DomainRows::GrowIndexIfNeeded()
{
    // Keep the table at most half full so that probes stay short.
    if (m_rows.size() * 2 > m_index.size()) {
        RebuildIndex();
    }
}

void DomainRows::RebuildIndex()
{
    std::size_t size = 16;
    while (size < m_rows.size() * 2 + 2) {
        size *= 2;
    }
    if (m_index.size() != size) {
        m_index.assign(size, -1);
    } else {
        std::fill(m_index.begin(), m_index.end(), -1);
    }
    for (int row = 0; row < Count(); ++row) {
        InsertIntoIndex(row);
    }
}

void DomainRows::InsertIntoIndex(int row)
{
    const std::size_t mask = m_index.size() - 1;
    std::size_t slot = m_rows[static_cast<std::size_t>(row)].nameHash & mask;
    while (m_index[slot] >= 0) {
        slot = (slot + 1) & mask;
    }
    m_index[slot] = row;
}

void DomainRows::RenumberIds()
{
    if (std::numeric_limits<std::uint32_t>::max() - m_nextId <= m_rows.size()) {
        m_nextId = 1;
    }
    std::vector<std::pair<std::uint32_t, std::uint32_t>> moved;
    for (DomainRow& row : m_rows) {
        if (row.status == RowStatus::NoAnswer && !m_reasons.IsEmpty()) {
            moved.emplace_back(row.id, m_nextId);
        }
        row.id = m_nextId++;
    }
    if (!moved.empty()) {
        m_reasons.Rekey(moved);
    }
}

void DomainRows::SetStatus(int row, RowStatus status)
{
    DomainRow& changed = m_rows[static_cast<std::size_t>(row)];
    changed.status = status;
    changed.remembered = false;
    if (status != RowStatus::NoAnswer) {
        m_reasons.Drop(changed.id);
    }
}

void DomainRows::SetNoAnswer(int row, std::string reason)
{
    DomainRow& changed = m_rows[static_cast<std::size_t>(row)];
    changed.status = RowStatus::NoAnswer;
    changed.remembered = false;
    m_reasons.Set(changed.id, std::move(reason));
}

std::string_view DomainRows::Reason(int row) const
{
    const DomainRow& asked = At(row);
    return asked.status == RowStatus::NoAnswer ? m_reasons.Of(asked.id) : std::string_view();
}

std::vector<int> DomainRows::ClearMarks()
{
    std::vector<int> cleared;
    for (int row = 0; row < Count(); ++row) {
        DomainRow& current = m_rows[static_cast<std::size_t>(row)];
        if (current.mark != SearchMark::None) {
            current.mark = SearchMark::None;
            cleared.push_back(row);
        }
    }
    return cleared;
}

int DomainRows::RowOfId(std::uint32_t id) const
{
    const int row = FirstRowFromId(id);
    return row < Count() && At(row).id == id ? row : -1;
}

int DomainRows::FirstRowFromId(std::uint32_t id) const
{
    return static_cast<int>(std::ranges::lower_bound(m_rows, id, {}, &DomainRow::id) -
                            m_rows.begin());
}

std::vector<int>
DomainRows::SetChecks(const std::function<std::optional<bool>(const DomainRow&)>& wanted)
{
    std::vector<int> changed;
    for (int row = 0; row < Count(); ++row) {
        DomainRow& current = m_rows[static_cast<std::size_t>(row)];
        const std::optional<bool> check = wanted(current);
        if (check && *check != current.checked) {
            current.checked = *check;
            changed.push_back(row);
        }
    }
    return changed;
}

std::vector<int> DomainRows::RemoveIf(const std::function<bool(const DomainRow&)>& remove)
{
    std::vector<int> removed;
    std::size_t kept = 0;
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        if (remove(m_rows[row])) {
            if (m_rows[row].status == RowStatus::NoAnswer) {
                m_reasons.Drop(m_rows[row].id);
            }
            removed.push_back(static_cast<int>(row));
        } else {
            if (kept != row) {
                m_rows[kept] = std::move(m_rows[row]);
            }
            ++kept;
        }
    }
    if (removed.empty()) {
        return removed;
    }
    m_rows.resize(kept);
    if (m_tracked.row >= 0 && !m_tracked.cleared) {
        const auto before = std::lower_bound(removed.begin(), removed.end(), m_tracked.row);
        m_tracked.deleted =
            m_tracked.deleted || (before != removed.end() && *before == m_tracked.row);
        m_tracked.row -= static_cast<int>(before - removed.begin());
    }
    RebuildIndex();
    return removed;
}

void DomainRows::Clear()
{
    m_rows.clear();
    m_index.clear();
    m_reasons.Clear();
    m_nextId = 1;
    if (m_tracked.row >= 0) {
        m_tracked = TrackedRow{0, true, true};
    }
}

std::vector<int> DomainRows::Sort(int column, bool ascending)
{
    std::vector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    // A million comparisons each look up two texts: the five are looked up once.
    std::array<std::string_view, static_cast<std::size_t>(RowStatus::Taken) + 1> statusTexts;
    for (std::size_t status = 0; status < statusTexts.size(); ++status) {
        statusTexts[status] = RowStatusText(static_cast<RowStatus>(status));
    }
    const auto key = [this, column, &statusTexts](int row) -> std::string_view {
        const DomainRow& current = m_rows[static_cast<std::size_t>(row)];
        return column == 0 ? std::string_view(current.name)
                           : statusTexts[static_cast<std::size_t>(current.status)];
    };
    // std::string_view compares through char_traits<char>, which compares bytes as unsigned.
    if (ascending) {
        std::stable_sort(order.begin(), order.end(),
                         [&](int left, int right) { return key(left) < key(right); });
    } else {
        std::stable_sort(order.begin(), order.end(),
                         [&](int left, int right) { return key(right) < key(left); });
    }
    std::vector<DomainRow> sorted;
    sorted.reserve(m_rows.size());
    for (int row : order) {
        sorted.push_back(std::move(m_rows[static_cast<std::size_t>(row)]));
    }
    m_rows = std::move(sorted);
    RenumberIds();
    if (m_tracked.row >= 0 && !m_tracked.deleted) {
        m_tracked.row =
            static_cast<int>(std::find(order.begin(), order.end(), m_tracked.row) - order.begin());
    }
    RebuildIndex();
    return order;
}

void DomainRows::Track(int row)
{
    m_tracked = TrackedRow{row, false, false};
}

std::string_view DomainRows::Reasons::Of(std::uint32_t id) const
{
    const auto found = m_textOfId.find(id);
    return found == m_textOfId.end() ? std::string_view() : std::string_view(found->second->first);
}

void DomainRows::Reasons::Set(std::uint32_t id, std::string reason)
{
    if (reason.empty()) {
        Drop(id);
        return;
    }
    Text* text = &*m_texts.try_emplace(std::move(reason), 0).first;
    ++text->second;
    const auto [slot, added] = m_textOfId.try_emplace(id, text);
    if (!added) {
        // Released after the new text was counted, in case both are the same.
        Text* previous = slot->second;
        slot->second = text;
        Release(previous);
    }
}

void DomainRows::Reasons::Drop(std::uint32_t id)
{
    const auto found = m_textOfId.find(id);
    if (found != m_textOfId.end()) {
        Release(found->second);
        m_textOfId.erase(found);
    }
}

void DomainRows::Reasons::Rekey(
    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& oldAndNewIds)
{
    // A new table, since a new id may equal an old one still waiting to move.
    std::unordered_map<std::uint32_t, Text*> rekeyed;
    rekeyed.reserve(oldAndNewIds.size());
    for (const auto& [oldId, newId] : oldAndNewIds) {
        const auto found = m_textOfId.find(oldId);
        if (found != m_textOfId.end()) {
            rekeyed.emplace(newId, found->second);
        }
    }
    m_textOfId = std::move(rekeyed);
}

void DomainRows::Reasons::Clear()
{
    m_textOfId.clear();
    m_texts.clear();
}

void DomainRows::Reasons::Release(Text* text)
{
    if (--text->second == 0) {
        m_texts.erase(m_texts.find(text->first));
    }
}
