#pragma once

#include "query/core/QueryResult.h"

#include <QList>
#include <QPair>
#include <QStringList>
#include <QTest>

// A protocol class (CWhoisSocket, CRdapQuery) with every result it gave written down, taken
// inside the signal as the search engine takes them.
template <typename Protocol> struct QueryClient
{
    QueryClient()
    {
        QObject::connect(
            &query, &Protocol::finished, &query,
            [this](const QueryResult& result) {
                results.append(result);
                if (result.verdict) {
                    verdicts.append({result.item, *result.verdict});
                    return;
                }
                stalls.append(result.item);
                if (result.failure != QueryFailureKind::NoVerdict) {
                    failures.append(QString::fromStdString(result.reason));
                }
            },
            Qt::DirectConnection);
    }

    bool WaitForEnd(int milliseconds = 5000)
    {
        return QTest::qWaitFor([this] { return !results.isEmpty(); }, milliseconds);
    }

    // What the first query came to: its status text, the reason the row shows, or `otherwise`
    // when it ended without a result or with a reply that held no marker.
    QString Outcome(const QString& otherwise = QStringLiteral("nothing")) const
    {
        if (results.isEmpty() || results.front().failure == QueryFailureKind::NoVerdict) {
            return otherwise;
        }
        if (const std::optional<DomainStatus> verdict = results.front().verdict) {
            const std::string_view text = StatusText(*verdict);
            return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        }
        return QString::fromStdString(results.front().reason);
    }

    Protocol query;
    QList<QueryResult> results;
    QList<QPair<int, DomainStatus>> verdicts;
    // The items of the results without a verdict, and their reasons but for replies that held no
    // marker.
    QList<int> stalls;
    QStringList failures;
};
