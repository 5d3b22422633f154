#pragma once

#include <string_view>

// The verdict of one whois query. The numbers are part of the program's contract with the list
// (and with anything that stores them), so 2 is deliberately skipped.
enum class DomainStatus : int
{
    Taken = 0,
    Available = 1,
    InformationMissing = 3,
};

// The text a row shows for a verdict: "Taken", "Available!" or "Information Missing".
std::string_view StatusText(DomainStatus status);
