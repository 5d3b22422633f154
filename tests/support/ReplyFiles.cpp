#include "ReplyFiles.h"

#include <QFile>
#include <QHash>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kAnotherName = "No verdict: The reply is about another name";
constexpr const char* kNoVerdict = "No verdict";

// A missing data file is a broken checkout, not a test result: say which file and stop at once
// (a fatal message would sit in the crash handler's stack dump instead).
[[noreturn]] void StopForMissingData(const QString& path)
{
    std::fprintf(stderr,
                 "FAIL!  : test data missing: %s\n"
                 "         The recorded replies live in tests/data; "
                 "QIRV_TEST_DATA_DIR points the build elsewhere.\n",
                 qPrintable(path));
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
}

} // namespace

QString TestDataDirectory()
{
    return QStringLiteral(QIRV_TEST_DATA_DIR);
}

namespace {

// The rows of one folder's INDEX.tsv, its columns found by their names.
void AppendReplies(const QString& folder, QList<RecordedReply>& replies)
{
    QFile index(TestDataDirectory() + '/' + folder + "/INDEX.tsv");
    if (!index.open(QIODevice::ReadOnly)) {
        StopForMissingData(index.fileName());
    }
    const QList<QByteArray> header = index.readLine().trimmed().split('\t');
    const qsizetype tld = header.indexOf("tld");
    const qsizetype name = header.indexOf("name");
    const qsizetype kind =
        std::max(header.indexOf("expected"), header.indexOf("registered_or_available"));
    while (!index.atEnd()) {
        const QList<QByteArray> columns = index.readLine().trimmed().split('\t');
        if (columns.size() < header.size() - 1) {
            continue;
        }
        RecordedReply reply;
        reply.file = folder + '/' + QString::fromUtf8(columns[0]);
        reply.tld = QString::fromUtf8(columns[tld]);
        reply.name = QString::fromUtf8(columns[name]);
        reply.registered = columns[kind] == "registered";
        QFile file(TestDataDirectory() + '/' + reply.file);
        if (!file.open(QIODevice::ReadOnly)) {
            StopForMissingData(file.fileName());
        }
        reply.bytes = file.readAll();
        replies.append(reply);
    }
}

} // namespace

QList<RecordedReply> RecordedReplies()
{
    QList<RecordedReply> replies;
    AppendReplies(QStringLiteral("whois-replies"), replies);
    AppendReplies(QStringLiteral("whois-corpus"), replies);
    return replies;
}

QByteArray ExpectedResult(const RecordedReply& reply)
{
    // Replies that say nothing sure about the name the collection files them under, whatever it
    // says they are.
    static const QHash<QString, QByteArray> kExceptions{
        {"whois-replies/info/whois.afilias.net__registered__flipbit-2026-tld-not-supported.txt",
         "Refused: TLD is not supported."},
        // The reply is about another name than the one filed: "nic.priv.at" for "priv.at",
        // "u34jedzcq.ee" for "com.ee", "nic.wf" for "qirvtest-registered.wf", ...
        {"whois-corpus/at/weppos__registered__priv.at__a874d7.txt", kAnotherName},
        {"whois-corpus/ee/weppos__available__com.ee__5d4745.txt", kAnotherName},
        {"whois-corpus/ie/weppos__available__iedr.ie__15fc39.txt", kAnotherName},
        {"whois-corpus/ug/weppos__registered__ns1.cfi.co.ug__1720b2.txt", kAnotherName},
        {"whois-corpus/uy/weppos__available__edu.uy__655383.txt", kAnotherName},
        {"whois-corpus/uy/weppos__registered__edu.uy__052e16.txt", kAnotherName},
        {"whois-corpus/wed/weppos__registered__qirvtest-registered.wed__1a403d.txt", kAnotherName},
        {"whois-corpus/wf/weppos__registered__qirvtest-registered.wf__63c8f6.txt", kAnotherName},
        {"whois-corpus/yt/weppos__registered__qirvtest-registered.yt__703c23.txt", kAnotherName},
        // About another name too, in fields no reading takes for a domain field: "Query:
        // google.co.ke", an rwhois object of "google.ma".
        {"whois-corpus/ke/weppos__registered__kenic.or.ke__cdd2f2.txt", kNoVerdict},
        {"whois-corpus/ma/weppos__registered__333.google.ma__570fc0.txt", kNoVerdict},
        // Names no domain, only name servers, in a format its free names share.
        {"whois-corpus/to/weppos__registered__qirvtest-registered.to__18e1c6.txt", kNoVerdict},
        // The server answers with its terms only ("es"), says it takes only its own extension
        // ("bo"), or cannot tell a free name from a hidden one ("Domain not found, marked
        // private, or error in your query").
        {"whois-corpus/es/weppos__available__red.es__f996a5.txt", kNoVerdict},
        {"whois-corpus/bo/weppos__available__qirvtest-available.bo__97ec9d.txt", kNoVerdict},
        {"whois-corpus/sl/weppos__available__u34jedzcq.sl__92a622.txt", kNoVerdict},
        // "Prohibited String - Object Cannot Be Registered"
        {"whois-corpus/wed/weppos__available__u34jedzcq.wed__781cba.txt",
         "No verdict: Reserved by the registry"},
    };
    return kExceptions.value(reply.file, reply.registered ? "Taken" : "Available!");
}
