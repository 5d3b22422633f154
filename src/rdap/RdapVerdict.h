#pragma once

#include "query/core/DomainStatus.h"

#include <QByteArray>
#include <optional>

// What a complete RDAP answer says about the name asked, read without a connection so that every
// kind of answer can be tried on it. Only an answer that can be read one way gives a verdict: a
// 404 that is an RDAP reply (by its content type or its errorCode) from the server asked is
// Available, a 200 holding the domain object of the very name asked Taken; anything else gives
// none.
std::optional<DomainStatus> ReadRdapVerdict(int httpStatus, const QByteArray& contentType,
                                            bool fromServerAsked, const QByteArray& body,
                                            const QByteArray& askedName);
