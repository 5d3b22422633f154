#include "domainlist/core/DomainRows.h"

#include "TestMain.h"
#include "domainlist/core/SearchAnswer.h"

#include <QTest>
#include <map>
#include <tuple>

namespace {

DomainRows RowsNamed(std::initializer_list<const char*> names)
{
    DomainRows rows;
    for (const char* name : names) {
        rows.Append(name);
    }
    return rows;
}

QStringList Names(const DomainRows& rows)
{
    QStringList names;
    for (int row = 0; row < rows.Count(); ++row) {
        names.append(QString::fromStdString(rows.At(row).name));
    }
    return names;
}

} // namespace

class DomainRowsTest : public QObject
{
    Q_OBJECT

private slots:
    void newRow_isCheckedPendingAndLast()
    {
        DomainRows rows = RowsNamed({"www.b.com", "www.a.com"});
        rows.Sort(0, true);
        QCOMPARE(rows.Append("www.0.com"), 2);
        QCOMPARE(Names(rows), (QStringList{"www.a.com", "www.b.com", "www.0.com"}));
        QVERIFY(rows.At(2).checked);
        QCOMPARE(rows.At(2).status, RowStatus::Pending);
    }

    void contains_comparesWholeNamesExactly()
    {
        DomainRows rows = RowsNamed({"www.Example.com", "www.x.net"});
        QVERIFY(rows.Contains("www.Example.com"));
        QVERIFY(!rows.Contains("www.example.com"));
        QVERIFY(!rows.Contains("www.x.ne"));
        QVERIFY(!rows.Contains("www.x.net "));
        QVERIFY(!rows.Contains(""));
        QVERIFY(!DomainRows().Contains("www.x.net"));
    }

    void contains_followsRowsThroughGrowthDeletionAndSorting()
    {
        DomainRows rows;
        for (int number = 0; number < 5000; ++number) {
            rows.Append("www.name" + std::to_string(number) + ".com");
        }
        rows.RemoveIf([](const DomainRow& row) { return row.name.ends_with("7.com"); });
        rows.Sort(0, false);
        for (int number = 0; number < 5000; ++number) {
            const std::string name = "www.name" + std::to_string(number) + ".com";
            QCOMPARE(rows.Contains(name), number % 10 != 7);
        }
        QCOMPARE(rows.Count(), 4500);
        rows.Clear();
        QVERIFY(!rows.Contains("www.name1.com"));
    }

    void removeIf_keepsTheOrderOfTheRest()
    {
        DomainRows rows = RowsNamed({"a", "b", "c", "d", "e"});
        const std::vector<int> removed =
            rows.RemoveIf([](const DomainRow& row) { return row.name == "b" || row.name == "d"; });
        QCOMPARE(removed, (std::vector<int>{1, 3}));
        QCOMPARE(Names(rows), (QStringList{"a", "c", "e"}));
    }

    void trackedRow_followsDeletions_data()
    {
        QTest::addColumn<int>("tracked");
        QTest::addColumn<QStringList>("deleted");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("wasDeleted");
        QTest::newRow("rows above deleted") << 3 << QStringList{"a", "c"} << 1 << false;
        QTest::newRow("rows below deleted") << 1 << QStringList{"c", "e"} << 1 << false;
        QTest::newRow("itself deleted: the next row's place")
            << 2 << QStringList{"a", "c"} << 1 << true;
        QTest::newRow("itself and everything after")
            << 2 << QStringList{"c", "d", "e"} << 2 << true;
    }

    void trackedRow_followsDeletions()
    {
        QFETCH(int, tracked);
        QFETCH(QStringList, deleted);
        QFETCH(int, row);
        QFETCH(bool, wasDeleted);
        DomainRows rows = RowsNamed({"a", "b", "c", "d", "e"});
        rows.Track(tracked);
        rows.RemoveIf([&](const DomainRow& candidate) {
            return deleted.contains(QString::fromStdString(candidate.name));
        });
        QCOMPARE(rows.Tracked().row, row);
        QCOMPARE(rows.Tracked().deleted, wasDeleted);
        QVERIFY(!rows.Tracked().cleared);
    }

    void trackedRow_staysDeletedAfterLaterDeletions()
    {
        DomainRows rows = RowsNamed({"a", "b", "c", "d"});
        rows.Track(2);
        rows.RemoveIf([](const DomainRow& row) { return row.name == "c"; });
        rows.RemoveIf([](const DomainRow& row) { return row.name == "a"; });
        QCOMPARE(rows.Tracked().row, 1);
        QVERIFY(rows.Tracked().deleted);
    }

    void clear_marksTheTrackedRowCleared()
    {
        DomainRows rows = RowsNamed({"a", "b"});
        rows.Track(1);
        rows.Clear();
        rows.Append("c");
        QVERIFY(rows.Tracked().cleared);
        QVERIFY(rows.Tracked().deleted);
    }

    void sort_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<QStringList>("order");
        // Names carry their status after the "|": see below. The "No Answer" rows' reasons
        // would sort m before n; only the status text counts.
        QTest::newRow("names ascending: bytes, capitals first, non-ASCII last")
            << 0 << true << QStringList{"B|T", "a2|A", "a|P", "b|A", "m|N", "n|N", "\u00e9|I"};
        QTest::newRow("names descending")
            << 0 << false << QStringList{"\u00e9|I", "n|N", "m|N", "b|A", "a|P", "a2|A", "B|T"};
        QTest::newRow("status ascending, equal texts keep their order")
            << 1 << true << QStringList{"b|A", "a2|A", "\u00e9|I", "n|N", "m|N", "a|P", "B|T"};
        QTest::newRow("status descending, equal texts keep their order")
            << 1 << false << QStringList{"B|T", "a|P", "n|N", "m|N", "\u00e9|I", "b|A", "a2|A"};
    }

    void sort()
    {
        QFETCH(int, column);
        QFETCH(bool, ascending);
        QFETCH(QStringList, order);
        DomainRows rows;
        const std::map<QChar, RowStatus> statusOf{{'A', RowStatus::Available},
                                                  {'I', RowStatus::InformationMissing},
                                                  {'P', RowStatus::Pending},
                                                  {'T', RowStatus::Taken}};
        for (const QString entry : {"b|A", "\u00e9|I", "a|P", "B|T", "a2|A"}) {
            rows.SetStatus(rows.Append(entry.toStdString()), statusOf.at(entry.back()));
        }
        rows.SetNoAnswer(rows.Append("n|N"), "Query refused by whois.eu: too many queries");
        rows.SetNoAnswer(rows.Append("m|N"), "No verdict in the reply");
        rows.Sort(column, ascending);
        QCOMPARE(Names(rows), order);
    }

    void statusTexts_sortInTheirListedOrder()
    {
        QVERIFY(RowStatusText(RowStatus::Available) < RowStatusText(RowStatus::InformationMissing));
        QVERIFY(RowStatusText(RowStatus::InformationMissing) < RowStatusText(RowStatus::NoAnswer));
        QVERIFY(RowStatusText(RowStatus::NoAnswer) < RowStatusText(RowStatus::Pending));
        QVERIFY(RowStatusText(RowStatus::Pending) < RowStatusText(RowStatus::Taken));
    }

    // A search asks checked rows without a verdict; its answer writes the status and picture, or
    // "No Answer" and why, the server and the time.
    void searchAnswers_areWrittenIntoTheRecord()
    {
        using enum DomainStatus;
        using enum ReasonWording;
        const QueryResult refused{.reason = "Winsock Error", .detail = "refused", .server = "x:43"};
        const std::tuple<QueryResult, ReasonWording, const char*, int, std::string> cases[] = {
            {{.verdict = Available}, WithServerAndCause, "Available!", 4, ""},
            {{.verdict = Taken, .server = "x:43"}, AsTheRowShows, "Taken", 3, ""},
            {{.verdict = InformationMissing}, AsTheRowShows, "Information Missing", 3, ""},
            {refused, AsTheRowShows, "No Answer", 5, "Winsock Error"},
            {refused, WithServerAndCause, "No Answer", 5, "Winsock Error (x:43: refused)"},
            {{.reason = "No verdict"}, WithServerAndCause, "No Answer", 5, "No verdict"},
        };
        for (const auto& [answer, wording, status, image, reason] : cases) {
            ListRecord record{"a.com", RowStatus::NoAnswer, true, "old:43", 1, "earlier"};
            WriteAnswer(record, answer, 1796725581, wording);
            QCOMPARE(RowStatusText(record.status), status);
            QCOMPARE(RowImage(record.status), image);
            QCOMPARE(record.reason, reason);
            QCOMPARE(record.server + "@" + std::to_string(record.answeredAt),
                     answer.server + "@1796725581");
            QCOMPARE(IsAskedBySearch(true, record.status), !answer.verdict);
            QVERIFY(!IsAskedBySearch(false, record.status));
        }
        QVERIFY(IsAskedBySearch(true, RowStatus::Pending));
    }

    void ids_ascendAndFindTheirRows_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QStringList>("stillFound"); // rows whose id from before still finds them
        QTest::newRow("append") << "append" << QStringList{"c", "a", "e", "b", "d"};
        QTest::newRow("remove") << "remove" << QStringList{"c", "e", "d"};
        QTest::newRow("sort: fresh ids") << "sort" << QStringList{};
    }

    void ids_ascendAndFindTheirRows()
    {
        QFETCH(QString, operation);
        QFETCH(QStringList, stillFound);
        DomainRows rows = RowsNamed({"c", "a", "e", "b", "d"});
        std::map<QString, std::uint32_t> idsBefore;
        for (int row = 0; row < rows.Count(); ++row) {
            idsBefore[QString::fromStdString(rows.At(row).name)] = rows.At(row).id;
        }
        if (operation == "append") {
            rows.Append("f");
        } else if (operation == "remove") {
            rows.RemoveIf([](const DomainRow& row) { return row.name == "a" || row.name == "b"; });
        } else {
            rows.Sort(0, true);
        }
        for (int row = 0; row < rows.Count(); ++row) {
            QVERIFY(row == 0 || rows.At(row - 1).id < rows.At(row).id);
            QCOMPARE(rows.RowOfId(rows.At(row).id), row);
        }
        for (const auto& [name, id] : idsBefore) {
            QCOMPARE(rows.RowOfId(id), stillFound.contains(name) ? Names(rows).indexOf(name) : -1);
        }
        QCOMPARE(rows.RowOfId(0), -1);
    }

    void reasons_followTheirRowsUntilAVerdictOrRemoval_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QStringList>("reasons");
        QTest::newRow("sort") << "sort"
                              << QStringList{"d:No verdict", "c:refused", "b:refused", "a:"};
        QTest::newRow("verdict") << "verdict"
                                 << QStringList{"a:", "b:", "c:refused", "d:No verdict"};
        QTest::newRow("asked again")
            << "asked again" << QStringList{"a:", "b:timeout", "c:refused", "d:No verdict"};
        QTest::newRow("remove, then append") << "remove" << QStringList{"a:", "d:No verdict", "e:"};
        QTest::newRow("clear, then a reasonless no answer") << "clear" << QStringList{"e:", "f:"};
    }

    void reasons_followTheirRowsUntilAVerdictOrRemoval()
    {
        QFETCH(QString, operation);
        QFETCH(QStringList, reasons);
        DomainRows rows = RowsNamed({"a", "b", "c", "d"});
        rows.SetNoAnswer(1, "refused");
        rows.SetNoAnswer(2, "refused");
        rows.SetNoAnswer(3, "No verdict");
        if (operation == "sort") {
            rows.Sort(0, false);
        } else if (operation == "verdict") {
            rows.SetStatus(1, RowStatus::Taken);
        } else if (operation == "asked again") {
            rows.SetNoAnswer(1, "timeout");
        } else if (operation == "remove") {
            rows.RemoveIf([](const DomainRow& row) { return row.name == "b" || row.name == "c"; });
            rows.Append("e");
        } else {
            rows.Clear();
            rows.Append("e");
            rows.SetStatus(rows.Append("f"), RowStatus::NoAnswer);
        }
        QStringList shown;
        for (int row = 0; row < rows.Count(); ++row) {
            shown.append(
                QString::fromStdString(rows.At(row).name + ":" + std::string(rows.Reason(row))));
        }
        QCOMPARE(shown, reasons);
    }
};

QIRV_TEST(DomainRowsTest);
#include "DomainRowsTest.moc"
