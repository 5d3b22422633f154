#include "RecordingMessageBox.h"
#include "TestMain.h"
#include "domainlist/CDomainListCtrl.h"

#include <QAbstractItemModelTester>
#include <QTest>

namespace {

struct ListFixture
{
    ListFixture()
    {
        list.SetUp();
        list.SetSearchPendingQuery([this] { return searchPending; });
    }

    QByteArrayList Names() const
    {
        QByteArrayList names;
        for (int row = 0; row < list.GetItemCount(); ++row) {
            names.append(QByteArray::fromStdString(list.Model().Rows().At(row).name));
        }
        return names;
    }
    bool Checked(int row) const { return list.Model().Rows().At(row).checked; }
    CSortHeader& Header() { return *qobject_cast<CSortHeader*>(list.horizontalHeader()); }

    RecordingMessageBox boxes;
    CDomainListCtrl list{boxes};
    QAbstractItemModelTester modelTester{&list.Model(),
                                         QAbstractItemModelTester::FailureReportingMode::QtTest};
    bool searchPending = false;
};

} // namespace

class DomainListCtrlTest : public QObject
{
    Q_OBJECT

private slots:
    void setUp_showsTwoColumnsAndTheDownArrowOnDomainName()
    {
        ListFixture fixture;
        QCOMPARE(fixture.list.columnWidth(0), 300);
        QCOMPARE(fixture.list.columnWidth(1), 100);
        QVERIFY(fixture.list.showGrid());
        QCOMPARE(fixture.list.selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(fixture.list.selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(fixture.Header().ArrowColumn(), 0);
        QVERIFY(fixture.Header().ArrowAscending());
    }

    void rowImages_areCutFromTheStripWithTealTransparent()
    {
        const QList<QPixmap> images = LoadRowImages();
        QCOMPARE(images.size(), 6);
        const QImage strip(QStringLiteral(":/bitmaps/130.png"));
        QCOMPARE(strip.size(), QSize(80, 15));
        for (int image = 0; image < 6; ++image) {
            const QImage source = image < 5 ? strip.copy(image * 16, 0, 16, 15)
                                            : QImage(QStringLiteral(":/bitmaps/no-answer.png"));
            const QImage cut = images[image].toImage();
            QCOMPARE(cut.size(), QSize(16, 15));
            QVERIFY(images[image].hasAlphaChannel());
            for (int y = 0; y < 15; ++y) {
                for (int x = 0; x < 16; ++x) {
                    QCOMPARE(qAlpha(cut.pixel(x, y)) == 0, source.pixel(x, y) == qRgb(0, 128, 128));
                }
            }
        }
    }

    void headerArrow_followsTheClicks()
    {
        ListFixture fixture;
        struct Click
        {
            int column;
            int arrowColumn;
            bool ascending;
        };
        // The state starts as ascending on "Domain Name", so its first click sorts descending.
        for (const Click click : {Click{0, 0, false}, Click{0, 0, true}, Click{1, 1, true},
                                  Click{1, 1, false}, Click{0, 0, true}}) {
            fixture.list.SortByColumn(click.column);
            QCOMPARE(fixture.Header().ArrowColumn(), click.arrowColumn);
            QCOMPARE(fixture.Header().ArrowAscending(), click.ascending);
        }
        QVERIFY(fixture.boxes.shown.empty());
    }

    void columnClick_sortsTheRows_andNewRowsGoToTheBottom()
    {
        ListFixture fixture;
        fixture.list.Model().AppendPendingNames({"www.b.com", "www.A.com", "www.a.com"});
        fixture.list.Model().SetVerdict(0, DomainStatus::Available);
        fixture.list.Model().SetVerdict(2, DomainStatus::Taken);
        QTest::mouseClick(fixture.Header().viewport(), Qt::LeftButton, {},
                          QPoint(fixture.Header().sectionViewportPosition(1) + 10, 5));
        QCOMPARE(fixture.Names(), (QByteArrayList{"www.b.com", "www.A.com", "www.a.com"}));
        fixture.list.SortByColumn(0);
        QCOMPARE(fixture.Names(), (QByteArrayList{"www.A.com", "www.a.com", "www.b.com"}));
        fixture.list.AddPendingRow("www.0.com");
        QCOMPARE(fixture.Names().back(), QByteArray("www.0.com"));
        QCOMPARE(fixture.list.GetStatus(3), QByteArray("Pending"));
        QVERIFY(fixture.Checked(3));
    }

    void sort_isRefusedWhileASearchIsPending()
    {
        ListFixture fixture;
        fixture.list.Model().AppendPendingNames({"www.b.com", "www.a.com"});
        fixture.searchPending = true;
        fixture.list.SortByColumn(0);
        fixture.list.SortByColumn(1);
        QCOMPARE(fixture.boxes.shown.size(), 2u);
        QCOMPARE(fixture.boxes.shown[0].text,
                 std::string("Domain Name Search is Pending, Please Wait!"));
        QCOMPARE(fixture.boxes.shown[0].icon, MessageBoxIcon::None);
        QCOMPARE(fixture.Names(), (QByteArrayList{"www.b.com", "www.a.com"}));
        QCOMPARE(fixture.Header().ArrowColumn(), 0);
        QVERIFY(fixture.Header().ArrowAscending());
    }

    void rowsOutsideTheList_readEmptyAndChangeNothing()
    {
        ListFixture fixture;
        QCOMPARE(fixture.list.GetStatus(-1), QByteArray());
        fixture.list.Model().SetChecked(2, false);
        fixture.list.Model().SetVerdict(5, DomainStatus::Taken);
        QCOMPARE(fixture.list.GetItemCount(), 0);
        QCOMPARE(fixture.list.GetFirstSelected(), -1);
    }

    void space_togglesTheFocusedRowFromAnyColumn_data()
    {
        QTest::addColumn<int>("column");
        QTest::newRow("Domain Name") << int(DomainListModel::NameColumn);
        QTest::newRow("Status") << int(DomainListModel::StatusColumn);
    }

    void space_togglesTheFocusedRowFromAnyColumn()
    {
        QFETCH(int, column);
        ListFixture fixture;
        fixture.list.Model().AppendPendingNames({"www.a.com", "www.b.com"});
        fixture.list.setCurrentIndex(fixture.list.Model().index(1, column));
        QTest::keyClick(&fixture.list, Qt::Key_Space);
        QCOMPARE(fixture.Checked(1), false);
        QTest::keyClick(&fixture.list, Qt::Key_Space);
        QCOMPARE(fixture.Checked(1), true);
        QVERIFY(fixture.Checked(0));
    }

    void selection_andCheckMarksAreSeparate()
    {
        ListFixture fixture;
        fixture.list.Model().AppendPendingNames({"www.a.com", "www.b.com", "www.c.com"});
        fixture.list.selectRow(1);
        QCOMPARE(fixture.list.GetFirstSelected(), 1);
        fixture.list.Model().SetChecked(1, false);
        QCOMPARE(fixture.list.GetFirstSelected(), 1);
        QVERIFY(!fixture.Checked(1));
        fixture.list.Model().RemoveRows(
            [](const DomainRow& row) { return row.name == "www.a.com"; });
        QCOMPARE(fixture.list.GetFirstSelected(), 0);
        QCOMPARE(fixture.Names().front(), QByteArray("www.b.com"));
        QVERIFY(fixture.list.IsDomainListed("www.c.com"));
        QVERIFY(!fixture.list.IsDomainListed("www.a.com"));
    }
};

QIRV_TEST(DomainListCtrlTest);
#include "DomainListCtrlTest.moc"
