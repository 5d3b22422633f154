#pragma once

#include <QByteArray>
#include <string>

// A name as the user typed it, made ready to be asked: checked once, before anything is queued,
// so that the classes that speak a protocol are only ever given a name they can send.
struct QueryName
{
    // The name as it is sent: its ASCII form. Empty when the name cannot be asked.
    QByteArray ascii;
    // Why it cannot, in the words the row shows; empty when it can.
    std::string reason;

    bool IsAskable() const { return !ascii.isEmpty(); }
};

// Blanks around the name are dropped. A name without a "." or holding CR, LF or NUL, a URL, an
// address or a name no registry could hold is "Not a domain name"; an international name without
// an ASCII form says so.
QueryName ToQueryName(const QByteArray& typed);
