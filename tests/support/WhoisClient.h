#pragma once

#include "whois/CWhoisSocket.h"
#include "whois/QueryFailure.h"

#include <QList>
#include <QPair>
#include <QStringList>
#include <QTest>

// A whois socket with everything it reported written down: verdicts (taken inside the signal, as
// the window does), failures with their reasons, and the end of every query without a verdict.
struct WhoisClient
{
    WhoisClient()
    {
        QObject::connect(
            &socket, &CWhoisSocket::whoisVerdict, &socket,
            [this](int item, DomainStatus status) {
                verdicts.append({item, status});
            },
            Qt::DirectConnection);
        QObject::connect(&socket, &CWhoisSocket::queryFailed, &socket,
                         [this](int, const QString& reason) { failures.append(reason); });
        QObject::connect(&socket, &CWhoisSocket::queryStalled, &socket,
                         [this](int item) { stalls.append(item); });
    }

    bool WaitForEnd(int milliseconds = 5000)
    {
        return QTest::qWaitFor([this] { return !verdicts.isEmpty() || !stalls.isEmpty(); },
                               milliseconds);
    }

    // What the first query came to: its status text, its failure as the error box words it
    // (on one line), or `otherwise`.
    QString Outcome(const QString& otherwise = QStringLiteral("nothing")) const
    {
        if (!verdicts.isEmpty()) {
            const std::string_view text = StatusText(verdicts.front().second);
            return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        }
        return failures.isEmpty() ? otherwise : SocketErrorText(failures.front()).simplified();
    }

    CWhoisSocket socket;
    QList<QPair<int, DomainStatus>> verdicts;
    QStringList failures;
    QList<int> stalls;
};
