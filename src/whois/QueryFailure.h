#pragma once

#include <QString>

// Why a query ended without a verdict, in the words the error box and qirv-cli show.
inline constexpr const char* kConnectionFailure = "Connection Failure!";
inline constexpr const char* kConnectionRejected = "Connection rejected!";

// The window's error box for a failed query: "Winsock Error: ", two line breaks, a blank and the
// reason.
inline QString SocketErrorText(const QString& reason)
{
    return QStringLiteral("Winsock Error: \n\n ") + reason;
}
