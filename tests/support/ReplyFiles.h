#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The recorded registry replies the tests serve, listed in the folder's INDEX.tsv.
struct RecordedReply
{
    QString file; // relative to WhoisRepliesDirectory()
    QString tld;
    QByteArray bytes;
    bool registered = false; // as the collection files it: "registered" or "available"
};

QString WhoisRepliesDirectory();
// Every reply of the index, with its bytes; fails the calling test when the folder is missing.
QList<RecordedReply> RecordedReplies();

// The true verdict of a recorded reply: "Taken" or "Available!" as the collection files it, or
// "Refused: <the server's line>" where the server refused the query.
QByteArray ExpectedResult(const RecordedReply& reply);
