#include "TestMain.h"
#include "domainlist/core/ListPrintLayout.h"

#include <QStringList>
#include <QTest>
#include <map>

namespace {

// Records the drawing as one line per call. A text measures half its font height per byte wide
// and its font height high, so every coordinate can be worked out by hand.
class RecordingCanvas : public PrintCanvas
{
public:
    RecordingCanvas(int dpiY, int pageHeight) : m_dpiY(dpiY), m_pageHeight(pageHeight) {}

    int DpiY() const override { return m_dpiY; }
    int PageHeight() const override { return m_pageHeight; }
    void CreateFont(PrintFont font, int height) override
    {
        fontHeights.push_back(height);
        m_heights[font] = -height;
    }
    void SelectFont(PrintFont font) override { m_font = font; }
    PrintExtent MeasureText(std::string_view text) override
    {
        const int height = m_heights[m_font];
        return {static_cast<int>(text.size()) * height / 2, height};
    }
    void StartDocument(std::string_view name) override
    {
        Log("document " + QString::fromStdString(std::string(name)));
    }
    void StartPage() override { Log("page"); }
    void EndPage() override { Log("end page"); }
    void EndDocument() override { Log("end document"); }
    void DrawFramedRectangle(PrintRect box) override { Log("frame " + Coordinates(box)); }
    void FillRectangle(PrintRect box, PrintColour colour) override
    {
        Log(QString("fill %1 %2,%3,%4")
                .arg(Coordinates(box))
                .arg(colour.red)
                .arg(colour.green)
                .arg(colour.blue));
    }
    void SetTextColour(PrintColour colour) override
    {
        Log(QString("colour %1,%2,%3").arg(colour.red).arg(colour.green).arg(colour.blue));
    }
    void DrawText(std::string_view text, PrintRect box, PrintAlign align) override
    {
        Log(QString("text %1 %2 %3")
                .arg(QString::fromStdString(std::string(text)), Coordinates(box),
                     align == PrintAlign::Centre ? "centre" : "left"));
    }

    std::vector<int> fontHeights;
    QStringList calls;

private:
    static QString Coordinates(PrintRect box)
    {
        return QString("%1,%2,%3,%4").arg(box.left).arg(box.top).arg(box.right).arg(box.bottom);
    }
    void Log(const QString& call) { calls.append(call); }

    int m_dpiY;
    int m_pageHeight;
    PrintFont m_font = PrintFont::Cell;
    std::map<PrintFont, int> m_heights;
};

class Table : public PrintTable
{
public:
    Table(QStringList headings, QList<QStringList> rows)
        : m_headings(std::move(headings)), m_rows(std::move(rows))
    {}
    int RowCount() const override { return static_cast<int>(m_rows.size()); }
    int ColumnCount() const override { return static_cast<int>(m_headings.size()); }
    std::string Heading(int column) const override { return m_headings[column].toStdString(); }
    std::string Cell(int row, int column) const override
    {
        return m_rows[row][column].toStdString();
    }

private:
    QStringList m_headings;
    QList<QStringList> m_rows;
};

} // namespace

class PrintLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void fontHeights_followThePrinterResolution()
    {
        QCOMPARE(PrintFontHeight(18, 600), -150);
        QCOMPARE(PrintFontHeight(12, 600), -100);
        QCOMPARE(PrintFontHeight(10, 600), -83);
        QCOMPARE(PrintFontHeight(10, 300), -41);
        RecordingCanvas canvas(600, 7000);
        LayOutListPrint(canvas, Table({"Domain Name", "Status"}, {{"www.a.com", "Pending"}}),
                        "Domain List");
        QCOMPARE(canvas.fontHeights, (std::vector<int>{-100, -150, -83}));
    }

    void oneRow_printsTitleHeadingsAndOneFramedRow()
    {
        RecordingCanvas canvas(600, 7000);
        LayOutListPrint(canvas, Table({"Domain Name", "Status"}, {{"www.a.com", "Pending"}}),
                        "Domain List");
        // Heading band ends at 130 + 150 + 5 + 100 + 10 = 395; headings start 15 lower, at 410.
        // "Domain Name" measures 11 * 100 / 2 = 550 > "www.a.com" 9 * 83 / 2 = 373: width 580.
        // "Status" measures 300 > "Pending" 290: width 330. Heading cells are 20 + 83 high.
        QCOMPARE(canvas.calls, (QStringList{
                                   "document Tovrane List",
                                   "page",
                                   "colour 114,106,16",
                                   "frame 50,410,640,513",
                                   "fill 52,412,638,511 220,220,220",
                                   "text Domain Name 55,415,635,503 centre",
                                   "frame 640,410,980,513",
                                   "fill 642,412,978,511 220,220,220",
                                   "text Status 645,415,975,503 centre",
                                   "frame 50,130,980,395",
                                   "colour 0,0,255",
                                   "text Domain List 50,155,980,305 centre",
                                   "colour 0,0,0",
                                   // Rows are 20 + 150 high, the title font's height.
                                   "frame 50,513,640,683",
                                   "text www.a.com 55,518,635,673 left",
                                   "frame 640,513,980,683",
                                   "text Pending 645,518,975,673 left",
                                   "end page",
                                   "end document",
                               }));
    }

    void rowsThatPassThePageEnd_goOnANewPageWithoutHeadings()
    {
        // Rows start at 513 and are 170 high: with a page of 853 the second row ends exactly at
        // the page's end and stays; the third starts a page at 130.
        RecordingCanvas canvas(600, 853);
        LayOutListPrint(
            canvas,
            Table({"Domain Name", "Status"},
                  {{"www.a.com", "Taken"}, {"www.b.com", "Taken"}, {"www.c.com", "Taken"}}),
            "Domain List");
        const qsizetype secondPage = canvas.calls.indexOf("page", 2);
        QVERIFY(secondPage > 0);
        QCOMPARE(canvas.calls[secondPage - 1], QStringLiteral("end page"));
        QCOMPARE(canvas.calls[secondPage - 2], QStringLiteral("text Taken 645,688,975,843 left"));
        QCOMPARE(canvas.calls[secondPage + 1], QStringLiteral("frame 50,130,640,300"));
        QCOMPARE(canvas.calls[secondPage + 2],
                 QStringLiteral("text www.c.com 55,135,635,290 left"));
        QCOMPARE(canvas.calls.count("page"), 2);
        QVERIFY(!canvas.calls.mid(secondPage).join('\n').contains("Domain Name"));
    }

    void emptyColumn_isAsWideAsItsHeadingOrTheLetterE()
    {
        RecordingCanvas canvas(600, 7000);
        LayOutListPrint(canvas, Table({"A", ""}, {{"", ""}, {"", ""}}), "T");
        // "A" in the 100-high heading font measures 50; "E" in the 83-high cell font 41.
        QVERIFY(canvas.calls.contains("frame 50,410,140,513"));
        // An empty heading measures 0, so the width is that of "E": 41 + 30.
        QVERIFY(canvas.calls.contains("frame 140,410,221,513"));
    }
};

QIRV_TEST(PrintLayoutTest);
#include "PrintLayoutTest.moc"
