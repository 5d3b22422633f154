#pragma once

#include "query/core/QueryLimits.h"
#include "registry/core/ServerRoutes.h"
#include "search/core/SearchScheduler.h"

#include <QString>
#include <chrono>
#include <optional>

class QCommandLineParser;

// How a search asks: which servers (the registries', or the user's for some or all suffixes),
// how many queries at once, at what pace. Both programs take the same options:
//
//   --whois-server [.SUFFIX=]HOST[:PORT]   repeatable
//   --rdap-server [.SUFFIX=]URL            repeatable
//   --jobs N                               queries at once, over different servers (default 6)
//   --pace SERVER=N/S                      at most N queries in any S seconds; repeatable
//   --one-at-a-time                        one query at a time, in list order
struct SearchOptions
{
    ServerRoutes routes;
    SearchScheduler::Settings scheduling;
    std::chrono::milliseconds connectTimeout = QueryLimits::kConnectTimeout;
    std::chrono::milliseconds replyTimeout = QueryLimits::kReplyTimeout;
};

void AddSearchOptions(QCommandLineParser& parser);

// Whether `value` is an http or https URL with a host.
bool IsWebAddress(const QString& value);

// The options as given; nothing, with `error` naming the value that cannot be used.
std::optional<SearchOptions> ReadSearchOptions(const QCommandLineParser& parser, QString& error);
