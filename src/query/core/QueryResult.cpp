#include "QueryResult.h"

#include "DomainName.h"
#include "QueryLimits.h"

#include <cstdio>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Runs of blanks as one space, none at either end: every reason is one line.
std::string OnOneLine(std::string_view text)
{
    std::string line;
    bool blankPending = false;
    for (const char c : text) {
        if (IsBlank(c)) {
            blankPending = !line.empty();
            continue;
        }
        if (blankPending) {
            line += ' ';
            blankPending = false;
        }
        line += c;
    }
    return line;
}

} // namespace

QueryResult VerdictResult(int item, DomainStatus verdict)
{
    QueryResult result;
    result.item = item;
    result.verdict = verdict;
    return result;
}

QueryResult FailureResult(int item, QueryFailureKind kind, std::string_view words,
                          std::string detail)
{
    QueryResult result;
    result.item = item;
    result.failure = kind;
    const bool socketError =
        kind == QueryFailureKind::NoConnection || kind == QueryFailureKind::Broken ||
        kind == QueryFailureKind::Refused || kind == QueryFailureKind::LocalShortage;
    // The error box's "Winsock Error: \n\n " and the reason, as the row shows it.
    result.reason = OnOneLine(socketError ? "Winsock Error: " + std::string(words) : words);
    result.detail = std::move(detail);
    return result;
}

std::string NoServerKnownFor(std::string_view name)
{
    return "No server known for ." + std::string(TldOf(name));
}

std::string NoReplyWithin(std::chrono::milliseconds wait, std::string_view what)
{
    // Seconds as few digits as they need: "30", "0.3".
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", std::chrono::duration<double>(wait).count());
    return "no " + std::string(what) + " within " + seconds + " s";
}

std::string PlainDetail(std::string text)
{
    const auto isUpper = [](char c) {
        return c >= 'A' && c <= 'Z';
    };
    const auto isLower = [](char c) {
        return c >= 'a' && c <= 'z';
    };
    if (text.size() > 1 && isUpper(text[0]) && isLower(text[1])) {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
}

std::string ReplyTooLarge()
{
    return "the reply is larger than " + std::to_string(QueryLimits::kMaxReplyBytes / 1024) +
           " KiB";
}
