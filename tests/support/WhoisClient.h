#pragma once

#include "QueryClient.h"
#include "registry/core/ServerAddress.h"
#include "whois/CWhoisSocket.h"

// A whois socket aimed at one server.
struct WhoisClient : QueryClient<CWhoisSocket>
{
    bool Ask(const QByteArray& name, int item) { return socket.StartQuery(name, item, server); }

    CWhoisSocket& socket = query;
    ServerAddress server{"127.0.0.1", 43};
};
