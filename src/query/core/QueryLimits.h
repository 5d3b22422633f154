#pragma once

#include <chrono>
#include <cstddef>

// Every bound on a whois or RDAP exchange lives here, so that a hostile or broken server can hold a
// query for a known time and a known amount of memory at most.
namespace QueryLimits {

inline constexpr unsigned short kWhoisPort = 43;

// One refill of the reply reader takes at most this many bytes from the connection.
inline constexpr std::size_t kReadBufferSize = 4096;

// A server that neither accepts nor refuses within this time counts as unreachable, over whois
// as over RDAP (each redirect's connection too).
inline constexpr std::chrono::milliseconds kConnectTimeout{10000};

// From the query line sent to a verdict, whether the server is silent or drips bytes; for RDAP
// from the start of the query, connection and redirects included.
inline constexpr std::chrono::milliseconds kReplyTimeout{30000};

// Real replies are a few kilobytes; anything past this is not a whois reply, nor an RDAP one
// (whose status line and headers count too).
inline constexpr std::size_t kMaxReplyBytes = 1024 * 1024;

inline constexpr unsigned short kDnsPort = 53;

// A resolver answers in milliseconds or not at all, and without its answer the registry is asked
// anyway: a lookup of NS records is given up after this, all tries included.
inline constexpr std::chrono::milliseconds kDnsTimeout{5000};

} // namespace QueryLimits
