#include "ReplyFiles.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
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
        if (columns.size() > 6) {
            const QRegularExpressionMatch year =
                QRegularExpression("(\\d{4})").match(QString::fromUtf8(columns[6]));
            reply.year = year.hasMatch() ? year.captured(1).toInt() : 0;
        }
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
    // Worked out by hand from each file's first marker or refusal line; every file not named here
    // holds neither.
    static const QHash<QString, QByteArray> kResults{
        {"biz/whois.biz__available__weppos-2014-neustar.txt", "Available!"},
        {"biz/whois.nic.biz__available__likexian-2022-crlf.txt", "Available!"},
        {"biz/whois.biz__registered__flipbit-2026-google.txt", "Taken"},
        {"ca/whois.cira.ca__available__flipbit-2026-u34jedzcq.txt", "Available!"},
        {"ca/whois.cira.ca__registered__flipbit-2026-google.txt", "Taken"},
        {"edu/whois.educause.edu__available__likexian-2022.txt", "Available!"},
        {"info/whois.afilias.net__available__likexian-2022.txt", "Available!"},
        {"info/whois.afilias.net__registered__flipbit-2026-tld-not-supported.txt",
         "Refused: TLD is not supported."},
        {"org/whois.pir.org__available__likexian-2022.txt", "Available!"},
        {"us/whois.nic.us__available__flipbit-2026-u34jedzcq.txt", "Available!"},
        {"us/whois.nic.us__registered__flipbit-2026-google.txt", "Taken"},
        {"ca/whois.cira.ca__available__weppos-2014-old.txt", "Available!"},
        {"ca/whois.cira.ca__registered__weppos-2014-old.txt", "Taken"},
        {"com/whois.verisign-grs.com__available__flipbit-2026-u34jedzcq.txt", "Available!"},
        {"com/whois.verisign-grs.com__available__likexian-2022-crlf.txt", "Available!"},
        {"com/whois.verisign-grs.com__available__weppos-2014-thin.txt", "Available!"},
        {"com/whois.verisign-grs.com__registered__flipbit-2010-thin.txt", "Taken"},
        {"com/whois.verisign-grs.com__registered__flipbit-2026-google.txt", "Taken"},
        {"com/whois.verisign-grs.com__registered__weppos-2017-crlf.txt", "Taken"},
        {"edu/whois.educause.edu__available__weppos-2015.txt", "Available!"},
        {"edu/whois.educause.edu__registered__flipbit-2026-harvard.txt", "Taken"},
        {"eu/whois.eu__available__likexian-2022.txt", "Available!"},
        {"eu/whois.eu__available__weppos-2017.txt", "Available!"},
        {"eu/whois.eu__registered__richardpenman-2025-eurid.txt", "Taken"},
        {"eu/whois.eu__registered__weppos-2017.txt", "Taken"},
        {"info/whois.afilias.net__available__weppos-2015.txt", "Available!"},
        {"info/whois.afilias.net__registered__asyncwhois-2021-google.txt", "Taken"},
        {"net/whois.verisign-grs.com__available__flipbit-2026-u34jedzcq.txt", "Available!"},
        {"net/whois.verisign-grs.com__registered__flipbit-2026-google.txt", "Taken"},
        {"net/whois.verisign-grs.com__registered__weppos-2017-crlf.txt", "Taken"},
        {"org/whois.pir.org__available__weppos-2015.txt", "Available!"},
        {"org/whois.pir.org__registered__flipbit-2026-google.txt", "Taken"},
        {"org/whois.pir.org__registered__weppos-2014-afilias.txt", "Taken"},
        {"us/whois.nic.us__available__weppos-2014-neustar.txt", "Available!"},
        {"us/whois.nic.us__registered__weppos-2014-neustar.txt", "Taken"},
    };
    return kResults.value(reply.file, "No verdict");
}
