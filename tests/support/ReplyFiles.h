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
    int year = 0;            // of the reply's wording, 0 when unknown
};

QString WhoisRepliesDirectory();
// Every reply of the index, with its bytes; fails the calling test when the folder is missing.
QList<RecordedReply> RecordedReplies();

// What the program makes of a recorded reply: "Available!", "Taken", "Information Missing",
// "Refused: <the server's line>", or "No verdict" where the reply holds no marker of its
// suffix's rule.
QByteArray ExpectedResult(const RecordedReply& reply);
