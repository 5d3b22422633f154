#pragma once

#include "DomainRows.h"
#include "query/core/QueryResult.h"

#include <cstdint>

// Whether a search asks about a row: a checked one without a verdict, "Pending", or "No Answer"
// to be asked again.
bool IsAskedBySearch(bool checked, RowStatus status);

// How a record words an answer without a verdict: as the window's row shows it, or with the
// server and the system's cause after that, as qirv-cli prints it ("Winsock Error: Connection
// Failure! (whois.example:43: connection refused)").
enum class ReasonWording
{
    AsTheRowShows,
    WithServerAndCause,
};

// Writes a search's answer into a record: the verdict's status, or "No Answer" and its reason;
// the server asked; and when, in seconds since 1970 UTC. The time is the caller's, so that the
// window and qirv-cli stamp their rows alike and a test can name it; a remembered answer keeps
// the time it was first given.
void WriteAnswer(ListRecord& record, const QueryResult& answer, std::uint32_t answeredAt,
                 ReasonWording wording = ReasonWording::AsTheRowShows);
