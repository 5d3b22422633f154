#pragma once

#include <QString>
#include <chrono>

// How a query ended without a verdict; the search engine treats each differently.
enum class QueryFailureKind
{
    None,
    NotAskable,   // the name cannot be sent; nothing went out
    NoConnection, // the server could not be reached
    Broken,       // a reset, no reply in time, a broken or oversized reply
    Refused,      // the server refused to answer now (a limit)
    NoVerdict,    // a complete reply without a marker
};

// A reply that ends without a marker.
inline constexpr const char* kNoVerdictInReply = "No verdict in the reply";

// Why a query ended without a verdict, in the words the error box and qirv-cli show.
inline constexpr const char* kConnectionFailure = "Connection Failure!";
inline constexpr const char* kConnectionRejected = "Connection rejected!";

// The window's error box for a failed query: "Winsock Error: ", two line breaks, a blank and the
// reason.
// "no reply within 30 s"
inline QString NoReplyWithin(std::chrono::milliseconds wait, const char* what)
{
    const auto seconds = std::chrono::duration<double>(wait).count();
    return QStringLiteral("no %1 within %2 s").arg(QLatin1String(what)).arg(seconds);
}

// Qt's "Connection refused" as "connection refused", to follow a colon.
inline QString PlainDetail(QString text)
{
    if (text.size() > 1 && text[0].isUpper() && text[1].isLower()) {
        text[0] = text[0].toLower();
    }
    return text;
}

inline QString SocketErrorText(const QString& reason)
{
    return QStringLiteral("Winsock Error: \n\n ") + reason;
}
