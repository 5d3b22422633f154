#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The recorded registry replies the tests serve, listed in their folders' INDEX.tsv.
struct RecordedReply
{
    QString file; // relative to TestDataDirectory(): "whois-corpus/ch/..."
    QString tld;
    QString name; // the name the reply answers
    QByteArray bytes;
    bool registered = false; // as the collection files it: "registered" or "available"
};

// tests/data
QString TestDataDirectory();
// Every reply of tests/data/whois-replies, then every reply of tests/data/whois-corpus, with its
// bytes; stops the test program when a file is missing.
QList<RecordedReply> RecordedReplies();

// The true verdict of a recorded reply: "Taken" or "Available!" as the collection files it,
// "Refused: <the server's line>" where the server refused the query, or "No verdict: <why>" for
// a reply that cannot tell: one about another name than the collection says, one of a reserved
// name, or one in a wording that no rule may read without risking a false "Available!".
QByteArray ExpectedResult(const RecordedReply& reply);
