#include "ReplyFiles.h"

#include <QFile>
#include <QHash>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>

namespace {

// A missing data file is a broken checkout, not a test result: say which file and stop at once
// (a fatal message would sit in the crash handler's stack dump instead).
[[noreturn]] void StopForMissingData(const QString& path)
{
    std::fprintf(stderr,
                 "FAIL!  : test data missing: %s\n"
                 "         The recorded replies live in tests/data/whois-replies; "
                 "QIRV_WHOIS_REPLIES_DIR points the build elsewhere.\n",
                 qPrintable(path));
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
}

} // namespace

QString WhoisRepliesDirectory()
{
    return QStringLiteral(QIRV_WHOIS_REPLIES_DIR);
}

QList<RecordedReply> RecordedReplies()
{
    QList<RecordedReply> replies;
    QFile index(WhoisRepliesDirectory() + "/INDEX.tsv");
    if (!index.open(QIODevice::ReadOnly)) {
        StopForMissingData(index.fileName());
    }
    bool header = true;
    while (!index.atEnd()) {
        const QList<QByteArray> columns = index.readLine().trimmed().split('\t');
        if (header || columns.size() < 2) {
            header = false;
            continue;
        }
        RecordedReply reply{QString::fromUtf8(columns[0]), QString::fromUtf8(columns[1]), {}};
        reply.registered = columns.size() > 3 && columns[3] == "registered";
        QFile file(WhoisRepliesDirectory() + '/' + reply.file);
        if (!file.open(QIODevice::ReadOnly)) {
            StopForMissingData(file.fileName());
        }
        reply.bytes = file.readAll();
        replies.append(reply);
    }
    return replies;
}

QByteArray ExpectedResult(const RecordedReply& reply)
{
    // A reply whose server refused the query says nothing about the name, whatever the collection
    // files it under.
    static const QHash<QString, QByteArray> kRefused{
        {"info/whois.afilias.net__registered__flipbit-2026-tld-not-supported.txt",
         "Refused: TLD is not supported."},
    };
    return kRefused.value(reply.file, reply.registered ? "Taken" : "Available!");
}
