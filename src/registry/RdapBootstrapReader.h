#pragma once

#include "registry/core/RdapBootstrap.h"

#include <QByteArray>
#include <QString>
#include <optional>

// Reads IANA's RDAP bootstrap file for domain names (dns.json, RFC 9224): a JSON object with
// "version" "1.0" and a non-empty "services" array, each service two arrays of strings (the
// top-level domains, then the base URLs of their registry's server). Of a service's URLs the
// https one is taken, else the http one. Top-level domains are kept in lower case.
//
// Nothing, with `error` saying what is wrong in words the user sees, for a file that is not such
// a file, or one RdapListFault refuses (against `replaced`, the list it would replace, if any):
// one service that cannot be read spoils the whole file, so a damaged or poisoned download never
// replaces a good list.
std::optional<RdapBootstrap> ReadRdapBootstrap(const QByteArray& json, QString& error,
                                               const RdapBootstrap* replaced = nullptr);
