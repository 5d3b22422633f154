#include "ListPrintLayout.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kLeftEdge = 50;
constexpr int kTopEdge = 130;
constexpr int kTitleTop = 150;
constexpr int kCellMargin = 5;
constexpr int kExtraColumnWidth = 30;
constexpr int kGreyInset = 2;
constexpr PrintColour kGrey{220, 220, 220};
constexpr PrintColour kHeadingText{114, 106, 16};
constexpr PrintColour kTitleBlue{0, 0, 255};
constexpr PrintColour kBlack{0, 0, 0};

// Texts are measured as they fit a 255-character buffer with its terminator.
std::string_view Measured(std::string_view text)
{
    return text.substr(0, 254);
}

} // namespace

int PrintFontHeight(int points, int dpiY)
{
    return -(points * dpiY / 72);
}

void LayOutListPrint(PrintCanvas& canvas, const PrintTable& table, std::string_view title)
{
    const int margin = kCellMargin;
    const int dpiY = canvas.DpiY();
    canvas.CreateFont(PrintFont::Heading, PrintFontHeight(12, dpiY));
    canvas.CreateFont(PrintFont::Title, PrintFontHeight(18, dpiY));
    canvas.CreateFont(PrintFont::Cell, PrintFontHeight(10, dpiY));
    canvas.StartDocument(kPrintDocumentName);
    canvas.StartPage();
    const int pageHeight = canvas.PageHeight();

    canvas.SelectFont(PrintFont::Title);
    const int titleHeight = canvas.MeasureText("Width").height;
    canvas.SelectFont(PrintFont::Heading);
    const int headingHeight = canvas.MeasureText("Width").height;
    const int headingBandBottom = kTopEdge + titleHeight + margin + headingHeight + 2 * margin;
    const int headingTop = headingBandBottom + 3 * margin;

    canvas.SetTextColour(kHeadingText);
    std::vector<int> widths(static_cast<std::size_t>(table.ColumnCount()));
    int x = kLeftEdge;
    int lastHeight = 0;
    for (int column = 0; column < table.ColumnCount(); ++column) {
        canvas.SelectFont(PrintFont::Heading);
        PrintExtent extent = canvas.MeasureText(Measured(table.Heading(column)));
        int widest = std::max(extent.width, 0);
        canvas.SelectFont(PrintFont::Cell);
        for (int row = 0; row < table.RowCount(); ++row) {
            const std::string cell = table.Cell(row, column);
            extent = canvas.MeasureText(cell.empty() ? std::string_view("E") : Measured(cell));
            widest = std::max(widest, extent.width);
        }
        lastHeight = extent.height;
        const int width = widest + kExtraColumnWidth;
        widths[static_cast<std::size_t>(column)] = width;
        const PrintRect cellBox{x, headingTop, x + width + 2 * margin,
                                headingTop + 4 * margin + lastHeight};
        canvas.DrawFramedRectangle(cellBox);
        canvas.FillRectangle({cellBox.left + kGreyInset, cellBox.top + kGreyInset,
                              cellBox.right - kGreyInset, cellBox.bottom - kGreyInset},
                             kGrey);
        canvas.SelectFont(PrintFont::Cell);
        canvas.DrawText(table.Heading(column),
                        {x + margin, headingTop + margin, x + margin + width,
                         headingTop + 2 * margin + lastHeight},
                        PrintAlign::Centre);
        x += width + 2 * margin;
    }
    const int right = x;
    int y = headingTop + 4 * margin + lastHeight;

    canvas.DrawFramedRectangle({kLeftEdge, kTopEdge, right, headingBandBottom});
    canvas.SelectFont(PrintFont::Title);
    const int titleTextHeight = canvas.MeasureText(title).height;
    canvas.SetTextColour(kTitleBlue);
    canvas.DrawText(title,
                    {kLeftEdge, kTitleTop + margin, right, kTitleTop + margin + titleTextHeight},
                    PrintAlign::Centre);

    canvas.SelectFont(PrintFont::Cell);
    canvas.SetTextColour(kBlack);
    const int rowHeight = 4 * margin + titleTextHeight;
    for (int row = 0; row < table.RowCount(); ++row) {
        if (y + rowHeight > pageHeight) {
            canvas.EndPage();
            canvas.StartPage();
            y = kTopEdge;
        }
        x = kLeftEdge;
        for (int column = 0; column < table.ColumnCount(); ++column) {
            const int width = widths[static_cast<std::size_t>(column)];
            canvas.DrawFramedRectangle({x, y, x + width + 2 * margin, y + rowHeight});
            canvas.DrawText(
                table.Cell(row, column),
                {x + margin, y + margin, x + margin + width, y + 2 * margin + titleTextHeight},
                PrintAlign::Left);
            x += width + 2 * margin;
        }
        y += rowHeight;
    }
    canvas.EndPage();
    canvas.EndDocument();
}
