#pragma once

#include "DomainStatus.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How a query ended without a verdict; the search engine treats each differently.
enum class QueryFailureKind
{
    None,
    NotAskable,   // the name cannot be sent; nothing went out
    NoConnection, // the server could not be reached
    Broken,       // a reset, no reply in time, a broken or oversized reply
    Refused,      // the server refused to answer now (a limit)
    NoVerdict,    // a complete reply without a marker
    // This machine ran short (no file descriptor, no memory for a socket): nothing was sent, and
    // the server is not to blame; the name is asked again once fewer queries are in flight.
    LocalShortage,
};

// Everything one query came to, whichever protocol asked it. Every query ends with exactly one.
// Each member has an initialiser, so that a designated initialiser may name only some.
struct QueryResult
{
    // The caller's number for the query, given back unchanged.
    int item = 0;
    std::optional<DomainStatus> verdict{};
    QueryFailureKind failure = QueryFailureKind::None;
    // Without a verdict: why, in the words the row shows ("Winsock Error: Connection Failure!",
    // "No verdict in the reply").
    std::string reason{};
    // Without a verdict: the cause in the system's plain words ("connection refused", "no reply
    // within 30 s"), which the command line adds to the reason; often empty.
    std::string detail{};
    // How long a refusing server asked us to wait, when it said.
    std::optional<std::chrono::milliseconds> retryAfter{};
    // "host:port" of the server asked; empty when none was.
    std::string server{};
    // For an answer remembered from an earlier search rather than asked now: when its server gave
    // it, in seconds since 1970 UTC.
    std::optional<std::int64_t> rememberedAt{};
};

// Why a query ended without a verdict, in the words the error box and qirv-cli show.
inline constexpr std::string_view kNoVerdictInReply = "No verdict in the reply";
inline constexpr std::string_view kAboutAnotherName = "The reply is about another name";
inline constexpr std::string_view kReservedByTheRegistry = "Reserved by the registry";
inline constexpr std::string_view kConnectionFailure = "Connection Failure!";
inline constexpr std::string_view kConnectionRejected = "Connection rejected!";
inline constexpr std::string_view kNotADomainName = "Not a domain name";
// DNS knows no delegation of the name, which leaves the question to its registry.
inline constexpr std::string_view kNotInDns = "Not in DNS";

QueryResult VerdictResult(int item, DomainStatus verdict);

// A result without a verdict. `words` are the error box's: a connection that failed, broke or was
// refused reads "Winsock Error: " and them, on one line, as the row shows it; a name that cannot
// be asked and a reply without a marker read as they are.
QueryResult FailureResult(int item, QueryFailureKind kind, std::string_view words,
                          std::string detail = {});

// "No server known for .zz": the extension as the name spells it.
std::string NoServerKnownFor(std::string_view name);

// "no reply within 30 s"
std::string NoReplyWithin(std::chrono::milliseconds wait, std::string_view what);

// "the reply is larger than 1024 KiB": past QueryLimits' bound.
std::string ReplyTooLarge();

// The system's "Connection refused" as "connection refused", to follow a colon.
std::string PlainDetail(std::string text);
