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
            names.append(list.GetName(row));
        }
        return names;
    }

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
        QCOMPARE(fixture.list.Header().ArrowColumn(), 0);
        QVERIFY(fixture.list.Header().ArrowAscending());
    }

    void rowImages_areCutFromTheStripWithTealTransparent()
    {
        const QList<QPixmap> images = LoadRowImages();
        QCOMPARE(images.size(), 6);
        for (const QPixmap& image : images) {
            QCOMPARE(image.size(), QSize(16, 15));
            QVERIFY(image.hasAlphaChannel());
        }
        const QImage strip(QStringLiteral(":/bitmaps/130.png"));
        QCOMPARE(strip.size(), QSize(80, 15));
        for (int image = 0; image < 6; ++image) {
            const QImage source = image < 5 ? strip.copy(image * 16, 0, 16, 15)
                                            : QImage(QStringLiteral(":/bitmaps/no-answer.png"));
            const QImage cut = images[image].toImage();
            for (int y = 0; y < 15; ++y) {
                for (int x = 0; x < 16; ++x) {
                    const bool teal = source.pixel(x, y) == qRgb(0, 128, 128);
                    QCOMPARE(qAlpha(cut.pixel(x, y)) == 0, teal);
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
            QCOMPARE(fixture.list.m_sortColumn, click.arrowColumn);
            QCOMPARE(fixture.list.m_sortAscending, click.ascending);
            QCOMPARE(fixture.list.Header().ArrowColumn(), click.arrowColumn);
            QCOMPARE(fixture.list.Header().ArrowAscending(), click.ascending);
        }
        QVERIFY(fixture.boxes.shown.empty());
    }

    void columnClick_sortsTheRows_andNewRowsGoToTheBottom()
    {
        ListFixture fixture;
        fixture.list.AddPendingRows({"www.b.com", "www.A.com", "www.a.com"});
        fixture.list.SetVerdict(0, 1);
        fixture.list.SetVerdict(2, 0);
        QTest::mouseClick(fixture.list.Header().viewport(), Qt::LeftButton, {},
                          QPoint(fixture.list.Header().sectionViewportPosition(1) + 10, 5));
        QCOMPARE(fixture.Names(), (QByteArrayList{"www.b.com", "www.A.com", "www.a.com"}));
        fixture.list.SortByColumn(0);
        QCOMPARE(fixture.Names(), (QByteArrayList{"www.A.com", "www.a.com", "www.b.com"}));
        fixture.list.AddPendingRow("www.0.com");
        QCOMPARE(fixture.list.GetName(3), QByteArray("www.0.com"));
        QCOMPARE(fixture.list.GetStatus(3), QByteArray("Pending"));
        QVERIFY(fixture.list.GetCheck(3));
    }

    void sort_isRefusedWhileASearchIsPending()
    {
        ListFixture fixture;
        fixture.list.AddPendingRows({"www.b.com", "www.a.com"});
        fixture.searchPending = true;
        fixture.list.SortByColumn(0);
        fixture.list.SortByColumn(1);
        QCOMPARE(fixture.boxes.shown.size(), 2u);
        QCOMPARE(fixture.boxes.shown[0].text,
                 std::string("Domain Name Search is Pending, Please Wait!"));
        QCOMPARE(fixture.boxes.shown[0].icon, MessageBoxIcon::None);
        QCOMPARE(fixture.Names(), (QByteArrayList{"www.b.com", "www.a.com"}));
        QCOMPARE(fixture.list.Header().ArrowColumn(), 0);
        QVERIFY(fixture.list.Header().ArrowAscending());
    }

    void setVerdict_writesOnlyTheThreeVerdicts_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("taken") << 0 << QByteArray("Taken");
        QTest::newRow("available") << 1 << QByteArray("Available!");
        QTest::newRow("two is no verdict") << 2 << QByteArray("Pending");
        QTest::newRow("information missing") << 3 << QByteArray("Information Missing");
        QTest::newRow("negative") << -1 << QByteArray("Pending");
    }

    void setVerdict_writesOnlyTheThreeVerdicts()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, text);
        ListFixture fixture;
        fixture.list.AddPendingRow("www.x.com");
        fixture.list.SetVerdict(0, status);
        fixture.list.SetVerdict(5, status);
        QCOMPARE(fixture.list.GetStatus(0), text);
        QCOMPARE(fixture.list.GetItemCount(), 1);
    }

    void rowsOutsideTheList_readEmpty()
    {
        ListFixture fixture;
        QCOMPARE(fixture.list.GetName(0), QByteArray());
        QCOMPARE(fixture.list.GetStatus(-1), QByteArray());
        QVERIFY(!fixture.list.GetCheck(7));
        fixture.list.DeleteRow(3);
        fixture.list.SetCheck(2, false);
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
        fixture.list.AddPendingRows({"www.a.com", "www.b.com"});
        fixture.list.setCurrentIndex(fixture.list.Model().index(1, column));
        QTest::keyClick(&fixture.list, Qt::Key_Space);
        QCOMPARE(fixture.list.GetCheck(1), false);
        QTest::keyClick(&fixture.list, Qt::Key_Space);
        QCOMPARE(fixture.list.GetCheck(1), true);
        QVERIFY(fixture.list.GetCheck(0));
    }

    void selection_andCheckMarksAreSeparate()
    {
        ListFixture fixture;
        fixture.list.AddPendingRows({"www.a.com", "www.b.com", "www.c.com"});
        fixture.list.selectRow(1);
        QCOMPARE(fixture.list.GetFirstSelected(), 1);
        fixture.list.SetCheck(1, false);
        QCOMPARE(fixture.list.GetFirstSelected(), 1);
        QVERIFY(!fixture.list.GetCheck(1));
        fixture.list.DeleteRow(0);
        QCOMPARE(fixture.list.GetFirstSelected(), 0);
        QCOMPARE(fixture.list.GetName(0), QByteArray("www.b.com"));
        QVERIFY(fixture.list.IsDomainListed("www.c.com"));
        QVERIFY(!fixture.list.IsDomainListed("www.a.com"));
    }
};

QIRV_TEST(DomainListCtrlTest);
#include "DomainListCtrlTest.moc"
