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
};

QString WhoisRepliesDirectory();
// Every reply of the index, with its bytes; fails the calling test when the folder is missing.
QList<RecordedReply> RecordedReplies();

// What the program makes of a recorded reply: "Available!", "Taken", "Information Missing", or
// "No verdict" where the reply holds no marker of its suffix's rule (many of today's wordings).
QByteArray ExpectedResult(const RecordedReply& reply);
