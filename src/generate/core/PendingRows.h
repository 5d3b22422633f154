#pragma once

#include "CandidateGenerator.h"
#include "domainlist/core/DomainRows.h"

#include <functional>

// Gathers the names one generation run appends, so that they reach the window's list in one
// step. A name counts as listed when the list holds it already or this run has added it.
class PendingRows : public CandidateList
{
public:
    explicit PendingRows(std::function<bool(std::string_view)> isListedAlready = {})
        : m_isListedAlready(std::move(isListedAlready))
    {}

    bool IsDomainListed(std::string_view name) const override
    {
        return m_rows.Contains(name) || (m_isListedAlready && m_isListedAlready(name));
    }

    void AddPendingRow(std::string name) override { m_rows.Append(std::move(name)); }

    // The gathered names in the order they were added; leaves this empty.
    std::vector<std::string> TakeNames()
    {
        std::vector<std::string> names;
        names.reserve(static_cast<std::size_t>(m_rows.Count()));
        for (int row = 0; row < m_rows.Count(); ++row) {
            names.push_back(m_rows.At(row).name);
        }
        m_rows.Clear();
        return names;
    }

    int Count() const { return m_rows.Count(); }

private:
    std::function<bool(std::string_view)> m_isListedAlready;
    DomainRows m_rows;
};
