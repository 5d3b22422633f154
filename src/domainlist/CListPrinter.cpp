#include "CListPrinter.h"

#include "DomainListModel.h"
#include "domainlist/core/ListPrintLayout.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <map>

namespace {

QString Text(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

class ListTable : public PrintTable
{
public:
    explicit ListTable(const DomainListModel& model) : m_model(model) {}
    int RowCount() const override { return m_model.Rows().Count(); }
    int ColumnCount() const override { return m_model.columnCount(); }
    std::string Heading(int column) const override
    {
        return m_model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString().toStdString();
    }
    std::string Cell(int row, int column) const override
    {
        const DomainRow& shown = m_model.Rows().At(row);
        return column == 0 ? shown.name : std::string(RowStatusText(shown.status));
    }

private:
    const DomainListModel& m_model;
};

class PainterCanvas : public PrintCanvas
{
public:
    PainterCanvas(QPrinter& printer, QPainter& painter) : m_printer(printer), m_painter(painter) {}

    int DpiY() const override { return m_printer.logicalDpiY(); }
    int PageHeight() const override { return m_printer.height(); }

    void CreateFont(PrintFont font, int height) override
    {
        QFont created(QStringLiteral("Arial"));
        created.setPixelSize(std::abs(height));
        created.setWeight(QFont::Normal);
        m_fonts[font] = created;
    }

    void SelectFont(PrintFont font) override { m_painter.setFont(m_fonts[font]); }

    PrintExtent MeasureText(std::string_view text) override
    {
        const QFontMetrics metrics(m_painter.font(), &m_printer);
        return {metrics.horizontalAdvance(Text(text)), metrics.height()};
    }

    // The painter was opened on the printer with the document's name already set.
    void StartDocument(std::string_view) override {}

    void StartPage() override
    {
        if (m_pagesStarted++ > 0) {
            m_printer.newPage();
        }
    }

    void EndPage() override {}
    void EndDocument() override { m_painter.end(); }

    void DrawFramedRectangle(PrintRect rectangle) override
    {
        m_painter.setPen(QPen(Qt::black, 0));
        m_painter.setBrush(Qt::white);
        m_painter.drawRect(QRect(rectangle.left, rectangle.top,
                                 rectangle.right - rectangle.left - 1,
                                 rectangle.bottom - rectangle.top - 1));
    }

    void FillRectangle(PrintRect rectangle, PrintColour colour) override
    {
        m_painter.fillRect(QRect(rectangle.left, rectangle.top, rectangle.right - rectangle.left,
                                 rectangle.bottom - rectangle.top),
                           QColor(colour.red, colour.green, colour.blue));
    }

    void SetTextColour(PrintColour colour) override
    {
        m_textColour = QColor(colour.red, colour.green, colour.blue);
    }

    void DrawText(std::string_view text, PrintRect box, PrintAlign align) override
    {
        const QRect area(box.left, box.top, box.right - box.left, box.bottom - box.top);
        m_painter.save();
        m_painter.setClipRect(area);
        m_painter.setPen(m_textColour);
        const int horizontal = align == PrintAlign::Centre ? Qt::AlignHCenter : Qt::AlignLeft;
        m_painter.drawText(area, horizontal | Qt::AlignTop | Qt::TextSingleLine, Text(text));
        m_painter.restore();
    }

private:
    QPrinter& m_printer;
    QPainter& m_painter;
    std::map<PrintFont, QFont> m_fonts;
    QColor m_textColour = Qt::black;
    int m_pagesStarted = 0;
};

} // namespace

CListPrinter::CListPrinter(PrintDialogSeam& printDialog)
    : m_printDialog(printDialog), m_printer(QPrinter::HighResolution)
{}

bool CListPrinter::PrintList(const DomainListModel& model, const QString& title,
                             QPageLayout::Orientation orientation)
{
    if (model.Rows().Count() < 1) {
        return false;
    }
    // Every job starts on A4 in the given orientation, whatever paper the last job chose.
    m_printer.setPageSize(QPageSize(QPageSize::A4));
    m_printer.setPageOrientation(orientation);
    m_printer.setFromTo(1, 1);
    if (!m_printDialog.Run(m_printer)) {
        return true;
    }
    m_printer.setDocName(QString::fromUtf8(kPrintDocumentName));
    QPainter painter;
    if (!painter.begin(&m_printer)) {
        return false;
    }
    PainterCanvas canvas(m_printer, painter);
    const ListTable table(model);
    LayOutListPrint(canvas, table, title.toStdString());
    return true;
}
