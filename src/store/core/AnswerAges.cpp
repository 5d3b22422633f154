#include "AnswerAges.h"

#include <charconv>

namespace {

std::optional<std::chrono::seconds> ParseAge(std::string_view text)
{
    if (text.size() < 2) {
        return std::nullopt;
    }
    std::int64_t count = 0;
    const char* end = text.data() + text.size() - 1;
    const auto [stop, error] = std::from_chars(text.data(), end, count);
    if (error != std::errc() || stop != end || count < 0 || count > 100'000) {
        return std::nullopt;
    }
    switch (text.back()) {
    case 's':
        return std::chrono::seconds(count);
    case 'm':
        return std::chrono::minutes(count);
    case 'h':
        return std::chrono::hours(count);
    case 'd':
        return std::chrono::days(count);
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<AnswerAges> ParseAnswerAges(std::string_view text)
{
    AnswerAges ages;
    bool anyPart = false;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (comma != std::string_view::npos && text.empty()) {
            return std::nullopt;
        }
        const std::size_t equals = part.find('=');
        if (equals == std::string_view::npos) {
            return std::nullopt;
        }
        const std::optional<std::chrono::seconds> age = ParseAge(part.substr(equals + 1));
        const std::string_view key = part.substr(0, equals);
        if (!age) {
            return std::nullopt;
        }
        if (key == "taken") {
            ages.taken = *age;
        } else if (key == "available") {
            ages.available = *age;
        } else {
            return std::nullopt;
        }
        anyPart = true;
    }
    return anyPart ? std::optional(ages) : std::nullopt;
}

bool IsFresh(std::optional<DomainStatus> verdict, std::int64_t answeredAt, std::int64_t now,
             const AnswerAges& ages)
{
    if (!verdict) {
        return false;
    }
    const std::chrono::seconds longest =
        *verdict == DomainStatus::Available ? ages.available : ages.taken;
    // An answer from the future (a clock set back) is not trusted either.
    return answeredAt <= now && now - answeredAt < longest.count();
}
