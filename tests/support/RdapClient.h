#pragma once

#include "QueryClient.h"
#include "rdap/CRdapQuery.h"

// An RDAP query aimed at one base URL.
struct RdapClient : QueryClient<CRdapQuery>
{
    explicit RdapClient(QString base = {}) : baseUrl(std::move(base)) {}
    void Ask(const QByteArray& name, int item) { query.StartQuery(name, item, baseUrl); }

    QString baseUrl;
};
