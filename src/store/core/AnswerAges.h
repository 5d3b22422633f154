#pragma once

#include "query/core/DomainStatus.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How long a remembered answer may stand in for a query. A registered name stays registered for
// a long time; a free one can be taken at any moment; a query that got no answer is always asked
// again.
struct AnswerAges
{
    // "Taken" and "Information Missing".
    std::chrono::seconds taken = std::chrono::days(30);
    // "Available!".
    std::chrono::seconds available = std::chrono::hours(1);
};

// Answers older than this are removed from the store.
inline constexpr std::chrono::seconds kLongestKept = std::chrono::days(365);

// "taken=30d,available=1h": either or both, each a whole number of seconds (s), minutes (m),
// hours (h) or days (d); a part not given keeps its default. Nothing when the text is not that.
std::optional<AnswerAges> ParseAnswerAges(std::string_view text);

// Whether an answer given at `answeredAt` (seconds since 1970 UTC) may still stand at `now`.
// Without a verdict, never.
bool IsFresh(std::optional<DomainStatus> verdict, std::int64_t answeredAt, std::int64_t now,
             const AnswerAges& ages);
