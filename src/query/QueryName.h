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

// Blanks around the name are dropped, and the rest is converted by IDNA (UTS 46: lower case,
// international labels as "xn--..."). A name without a "." or holding CR, LF or NUL, a URL, an
// address or a name no registry could hold is "Not a domain name"; a label of other characters
// than letters, digits and hyphens, or with a hyphen first or last, is "Not a domain name: '!' is
// not allowed" (naming the first such character); an international name without an ASCII form,
// or an "xn--" label that is not one, says so.
QueryName ToQueryName(const QByteArray& typed);
