#include "domainlist/DomainListModel.h"

#include "TestMain.h"

#include <QAbstractItemModelTester>
#include <QFont>
#include <QSignalSpy>
#include <QTest>

namespace {

std::vector<std::string> NumberedNames(int count)
{
    std::vector<std::string> names;
    for (int number = 0; number < count; ++number) {
        names.push_back("www.n" + std::to_string(number) + ".com");
    }
    return names;
}

} // namespace

class DomainListModelTest : public QObject
{
    Q_OBJECT

private slots:
    void everyOperation_keepsTheModelConsistent()
    {
        DomainListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.AppendPendingNames({"www.one.com"});
        model.AppendPendingNames(NumberedNames(50));
        model.AppendPendingNames({});
        model.SetChecked(3, false);
        model.SetStatus(4, RowStatus::Available);
        model.SetAnswer(5, {.reason = "Winsock Error: Connection Failure!"}, 1796725581);
        model.SetSearchMark(6, SearchMark::Asking);
        model.SetChecks([](const DomainRow& row) { return row.status == RowStatus::Available; });
        model.SortRows(0, false);
        model.SortRows(1, true);
        model.RemoveRows([](const DomainRow& row) { return row.name.ends_with("3.com"); });
        model.RemoveRows([](const DomainRow&) { return false; });
        model.ClearSearchMarks();
        QVERIFY(model.setData(model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(!model.setData(model.index(0, 1), Qt::Unchecked, Qt::CheckStateRole));
        model.RemoveAll();
        QCOMPARE(model.rowCount(), 0);
    }

    void rows_showNameCheckPictureAndStatus()
    {
        DomainListModel model;
        QList<QPixmap> images;
        for (int image = 0; image < 6; ++image) {
            QPixmap picture(16, 15);
            picture.fill(QColor(image * 50, 0, 0));
            images.append(picture);
        }
        model.SetRowImages(images);
        model.AppendPendingNames({"www.caf\xc3\xa9.com"});
        const QModelIndex name = model.index(0, 0);
        QCOMPARE(name.data().toString(), QString::fromUtf8("www.caf\xc3\xa9.com"));
        QCOMPARE(name.data(DomainListModel::NameBytesRole).toByteArray(),
                 QByteArray("www.caf\xc3\xa9.com"));
        QCOMPARE(name.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
        QCOMPARE(name.data(Qt::DecorationRole).value<QPixmap>().toImage(), images[2].toImage());
        QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("Pending"));
        QVERIFY(model.flags(name) & Qt::ItemIsUserCheckable);
        model.SetStatus(0, RowStatus::InformationMissing);
        QCOMPARE(name.data(Qt::DecorationRole).value<QPixmap>().toImage(), images[3].toImage());
        const QModelIndex status = model.index(0, 1);
        model.SetAnswer(0, {.reason = "Query refused by whois.eu: busy"}, 1796725581);
        QCOMPARE(name.data(Qt::DecorationRole).value<QPixmap>().toImage(), images[5].toImage());
        QCOMPARE(status.data().toString(),
                 QStringLiteral("No Answer: Query refused by whois.eu: busy"));
        QCOMPARE(name.data(Qt::ToolTipRole).toString(),
                 QStringLiteral("Query refused by whois.eu: busy"));
        QCOMPARE(status.data(Qt::ToolTipRole), name.data(Qt::ToolTipRole));
        model.SetSearchMark(0, SearchMark::Queued);
        QVERIFY(!status.data(Qt::FontRole).isValid());
        model.SetSearchMark(0, SearchMark::Asking);
        QVERIFY(name.data(Qt::FontRole).value<QFont>().bold());
        QVERIFY(status.data(Qt::FontRole).value<QFont>().bold());
        QVERIFY(status.data().toString().startsWith(QStringLiteral("No Answer")));
        model.SetVerdict(0, DomainStatus::Taken);
        QCOMPARE(status.data().toString(), QStringLiteral("Taken"));
        QVERIFY(!name.data(Qt::ToolTipRole).isValid());
        QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Domain Name"));
        QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Status"));
    }

    void batchOperations_notifyOnceEach()
    {
        DomainListModel model;
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy layout(&model, &QAbstractItemModel::layoutChanged);
        model.AppendPendingNames(NumberedNames(1000));
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted[0][1].toInt(), 0);
        QCOMPARE(inserted[0][2].toInt(), 999);
        model.SetChecks([](const DomainRow&) { return false; });
        QCOMPARE(changed.size(), 1);
        model.SetChecks([](const DomainRow&) { return false; });
        QCOMPARE(changed.size(), 1); // nothing changed, nothing announced
        model.SetSearchMark(10, SearchMark::Queued);
        model.SetSearchMark(500, SearchMark::Asking);
        model.SetSearchMark(500, SearchMark::Asking);
        QCOMPARE(changed.size(), 2); // a queued row looks no different
        model.ClearSearchMarks();
        model.ClearSearchMarks();
        QCOMPARE(changed.size(), 3);
        QCOMPARE(changed[2][0].toModelIndex().row(), 10);
        QCOMPARE(changed[2][1].toModelIndex().row(), 500);
        model.RemoveRows([](const DomainRow& row) { return row.nameHash % 2 == 0; });
        QCOMPARE(layout.size(), 1);
        model.SortRows(0, true);
        QCOMPARE(layout.size(), 2);
    }

    void persistentIndices_followTheirRows()
    {
        DomainListModel model;
        model.AppendPendingNames({"www.c.com", "www.a.com", "www.d.com", "www.b.com"});
        const QPersistentModelIndex d = model.index(2, 1);
        const QPersistentModelIndex a = model.index(1, 0);
        model.SortRows(0, true);
        QCOMPARE(d.row(), 3);
        QCOMPARE(d.column(), 1);
        QCOMPARE(a.row(), 0);
        model.RemoveRows([](const DomainRow& row) { return row.name == "www.a.com"; });
        QVERIFY(!a.isValid());
        QCOMPARE(d.row(), 2);
        QCOMPARE(d.data().toString(), QStringLiteral("Pending"));
        QCOMPARE(model.index(d.row(), 0).data().toString(), QStringLiteral("www.d.com"));
    }
};

QIRV_TEST(DomainListModelTest);
#include "DomainListModelTest.moc"
