#include "domainlist/core/ListFile.h"

#include "TestMain.h"

#include <QTest>

namespace {

ListRecord Record(std::string name, RowStatus status, bool checked = true, std::string server = {},
                  std::uint32_t answeredAt = 0, std::string reason = {})
{
    return ListRecord{std::move(name),   status,     checked,
                      std::move(server), answeredAt, std::move(reason)};
}

std::string Written(const std::vector<ListRecord>& records, ListFormat format)
{
    std::string text = ListFileHeader(format);
    for (std::size_t index = 0; index < records.size(); ++index) {
        AppendListRecord(text, records[index], format, index == 0);
    }
    return text + ListFileFooter(format);
}

QStringList Described(const std::vector<ListRecord>& records)
{
    QStringList described;
    for (const ListRecord& record : records) {
        described.append(
            QString::fromStdString(record.name + "|" + std::string(RowStatusText(record.status)) +
                                   "|" + (record.checked ? "x" : "-") + "|" + record.server + "|" +
                                   AnswerTimeText(record.answeredAt) + "|" + record.reason));
    }
    return described;
}

} // namespace

Q_DECLARE_METATYPE(ListFormat)

class ListFileTest : public QObject
{
    Q_OBJECT

private slots:
    void writtenList_readsBackTheSameRows_data()
    {
        QTest::addColumn<ListFormat>("format");
        QTest::newRow("csv") << ListFormat::Csv;
        QTest::newRow("json array") << ListFormat::Json;
        QTest::newRow("json lines") << ListFormat::JsonLines;
    }

    void writtenList_readsBackTheSameRows()
    {
        QFETCH(ListFormat, format);
        const std::vector<ListRecord> records{
            Record("plain.com", RowStatus::Taken, true, "whois.verisign-grs.com:43", 1796725581),
            Record("comma,name.com", RowStatus::Available, false, "rdap.example:443", 1),
            Record("say \"hi\".net", RowStatus::Pending, true),
            Record("bücher-straße.de", RowStatus::InformationMissing, false, "whois.denic.de:43",
                   4294967295U),
            Record("日本.jp", RowStatus::NoAnswer, true, "whois.jprs.jp:43", 1796725581,
                   "Winsock Error: Query refused by whois.jprs.jp: \"slow, down\" \\ now"),
            Record("back\\slash.com", RowStatus::NoAnswer, true, {}, 0, {}),
        };
        const ListFileContents read = ReadListFile(Written(records, format));
        QCOMPARE(read.format, format);
        QCOMPARE(read.badLineCount, std::size_t{0});
        QCOMPARE(Described(read.records), Described(records));

        QCOMPARE(Described(ReadListFile(Written({}, format)).records), QStringList());
    }

    // Each file holds good rows around a broken one: the good ones are all read, the broken
    // one is counted with its line, nothing else is added.
    void brokenRecords_areCountedAndLeftOut_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("badCount");
        QTest::addColumn<QList<int>>("firstBadLines");

        const QByteArray header = "name,status,checked,server,time,reason\r\n";
        QTest::newRow("names, crlf and lf")
            << QByteArray("a.com\r\n\r\n  b.com \nc d.com\n")
            << QStringList{"a.com", "b.com", "c d.com"} << 0 << QList<int>{};
        QTest::newRow("names with control characters and bad utf-8")
            << QByteArray("a.com\nb\x01.com\nc\xC3(.com\nd\xED\xA0\x80.com\ne.com")
            << QStringList{"a.com", "e.com"} << 3 << QList<int>{2, 3, 4};
        // A NUL byte makes its line bad, and only that line.
        QTest::newRow("a NUL byte") << QByteArray("a.com\nb\0.com\nc.com\n", 19)
                                    << QStringList{"a.com", "c.com"} << 1 << QList<int>{2};
        QTest::newRow("binary") << QByteArray("a.com\n\0\x01\x02", 9) << QStringList{"a.com"} << 1
                                << QList<int>{2};
        QTest::newRow("utf-16 little-endian names")
            << QByteArray("\xFF\xFE"
                          "a\0.\0c\0o\0m\0\r\0\n\0\xE9\0.\0d\0e\0\n\0\x3D\xD8\x00\xDE",
                          30)
            << QStringList{"a.com", "\u00e9.de", "\U0001F600"} << 0 << QList<int>{};
        QTest::newRow("utf-16 big-endian csv, a NUL in a field")
            << QByteArray("\xFE\xFF\0n\0a\0m\0e\0,\0c\0h\0e\0c\0k\0e\0d\0\n"
                          "\0a\0.\0c\0o\0m\0,\0n\0o\0\n\0b\0\0\0.\0c\0o\0m\0,\0\n",
                          62)
            << QStringList{"a.com"} << 1 << QList<int>{3};
        QTest::newRow("a line past 64 KiB is bad, a blank one is not")
            << QByteArray("a.com\n") + QByteArray(70000, 'x') + "\n" + QByteArray(70000, ' ') +
                   "\nb.com"
            << QStringList{"a.com", "b.com"} << 1 << QList<int>{2};
        QTest::newRow("json after blank lines, NUL outside a record")
            << QByteArray("\n\n[{\"name\":\"a.com\"},\0\n{\"name\":\"b.com\"}]", 39)
            << QStringList{"a.com", "b.com"} << 1 << QList<int>{3};
        QTest::newRow("csv in any column order, quoted line break")
            << QByteArray("Checked,Name\r\nfalse,\"a,.com\"\r\ntrue,\"b\r\nc\"\r\nyes,d.com\r\n")
            << QStringList{"a,.com", "d.com"} << 2 << QList<int>{3, 4};
        QTest::newRow("csv bad quoting")
            << header + "\"a.com\"x,Taken,true,,,\r\nb\"c.com,Taken,true,,,\r\nok.com,,,,,\r\n"
            << QStringList{"ok.com"} << 2 << QList<int>{2, 3};
        QTest::newRow("csv unclosed quote loses only its line")
            << header + "\"a.com,Taken,true,,,\r\nb.com,Taken,true,,,\r\n"
            << QStringList{"b.com"} << 1 << QList<int>{2};
        // A quote that is not closed properly on a later line takes in none of the lines
        // after its own, whatever quotes they hold.
        QTest::newRow("csv stray quote swallows no line")
            << header + "a.com,Taken,true,,,\"oops\r\nb.com,Taken,true,,,\r\n"
                        "c.com,No Answer,true,,,\"refused\"\r\nd.com,\"Taken,true,,,\r\n"
                        "e.com,Taken,true,,,\"\"\r\nf.com,,,,,\r\n"
            << QStringList{"b.com", "c.com", "e.com", "f.com"} << 2 << QList<int>{2, 5};
        QTest::newRow("csv record of several lines left out, every line counted")
            << header + "a.com,No Answer,true,,,\"first\r\nsecond\"\r\n"
                        "b.com,Gone,true,,,\"x\r\ny\r\nz\"\r\nc.com,,,,,\r\n"
            << QStringList{"a.com", "c.com"} << 3 << QList<int>{4, 5, 6};
        QTest::newRow("csv bad values")
            << header + "a.com,Gone,true,,,\r\nb.com,Taken,maybe,,,\r\n"
                        "c.com,Taken,true,,2026-13-01T00:00:00Z,\r\nd.com,Taken\r\n"
                        ",Taken,true,,,\r\ne.com,Taken,true,,,\r\n"
            << QStringList{"e.com"} << 5 << QList<int>{2, 3, 4, 5, 6};
        QTest::newRow("json cut off inside a record")
            << QByteArray("[\n{\"name\":\"a.com\",\"status\":\"Taken\"},\n{\"name\":\"b.c")
            << QStringList{"a.com"} << 1 << QList<int>{3};
        QTest::newRow("json cut off after a record") << QByteArray("[\n{\"name\":\"a.com\"},\n")
                                                     << QStringList{"a.com"} << 1 << QList<int>{3};
        QTest::newRow("json wrong types and syntax, then good records")
            << QByteArray("[\n{\"name\":5},\n{\"name\":\"b.com\",\"checked\":\"no\"},\n"
                          "{\"name\":\"c.com\" \"status\"},\n{\"name\":\"d\\u00e9.com\","
                          "\"extra\":[1,{\"x\":null}],\"status\":\"Available!\"}\n]")
            << QStringList{"dé.com"} << 3 << QList<int>{2, 3, 4};
        QTest::newRow("json object not closed takes in no line after its first")
            << QByteArray("[\n{\"name\":\"a.com\"\n{\"name\":\"b.com\"},\n{\"name\":\"c.com\"}\n]")
            << QStringList{"b.com", "c.com"} << 1 << QList<int>{2};
        QTest::newRow("json object of several lines left out, every line counted")
            << QByteArray("[\n{\"name\":\"a.com\",\n\"status\":\"Gone\"},\n{\"name\":\"b.com\",\n"
                          "\"status\":\"Taken\"}\n]")
            << QStringList{"b.com"} << 2 << QList<int>{2, 3};
        QTest::newRow("json escapes: surrogate pair, lone surrogate, raw line break")
            << QByteArray("{\"name\":\"\\ud83d\\ude00.com\"}\n{\"name\":\"\\ud83d.com\"}\n"
                          "{\"name\":\"a\nb.com\"}\n{\"name\":\"ok.com\"}\n")
            << QStringList{"\U0001F600.com", "ok.com"} << 3 << QList<int>{2, 3, 4};
    }

    void brokenRecords_areCountedAndLeftOut()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, names);
        QFETCH(int, badCount);
        QFETCH(QList<int>, firstBadLines);

        const ListFileContents read = ReadListFile(std::string_view(file.data(), file.size()));
        QStringList readNames;
        for (const ListRecord& record : read.records) {
            readNames.append(QString::fromStdString(record.name));
        }
        QCOMPARE(readNames, names);
        QCOMPARE(read.badLineCount, static_cast<std::size_t>(badCount));
        QList<int> lines;
        for (const std::size_t line : read.firstBadLines) {
            lines.append(static_cast<int>(line));
        }
        QCOMPARE(lines, firstBadLines);
        QVERIFY(read.problem.empty());

        // Read as it arrives, in pieces of any size, the file gives the same.
        for (const qsizetype piece : {1, 2, 3, 7, 64, 4096}) {
            if (piece < 64 && file.size() > 4096) {
                continue; // a long line would be looked through again for every byte
            }
            ListFileReader reader;
            QStringList pieceNames;
            const auto take = [&] {
                for (const ListRecord& record : reader.Contents().records) {
                    pieceNames.append(QString::fromStdString(record.name));
                }
                reader.Contents().records.clear();
            };
            for (qsizetype at = 0; at < file.size(); at += piece) {
                reader.Feed(
                    std::string_view(file.constData() + at,
                                     static_cast<std::size_t>(std::min(piece, file.size() - at))));
                take();
            }
            reader.Finish();
            take();
            QCOMPARE(pieceNames, names);
            QCOMPARE(reader.Contents().badLineCount, static_cast<std::size_t>(badCount));
            QCOMPARE(reader.Contents().firstBadLines, read.firstBadLines);
        }
    }
};

QIRV_TEST(ListFileTest);
#include "ListFileTest.moc"
