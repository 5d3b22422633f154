#pragma once

#include <string>
#include <string_view>

// The printed domain list: a title box, a row of grey column headings and one framed row per list
// row, laid out in the printer's device units from measured text. The layout draws on a small
// canvas so that it can be checked without a printer.

struct PrintRect
{
    int left;
    int top;
    int right;
    int bottom;
    bool operator==(const PrintRect&) const = default;
};

struct PrintExtent
{
    int width;
    int height;
};

struct PrintColour
{
    int red;
    int green;
    int blue;
    bool operator==(const PrintColour&) const = default;
};

enum class PrintFont
{
    Heading, // 12 point, only measured
    Title,   // 18 point
    Cell,    // 10 point
};

enum class PrintAlign
{
    Centre,
    Left,
};

class PrintCanvas
{
public:
    virtual ~PrintCanvas() = default;
    virtual int DpiY() const = 0;
    // The printable height in device units.
    virtual int PageHeight() const = 0;
    // `height` is negative: the character height without internal leading, in device units.
    virtual void CreateFont(PrintFont font, int height) = 0;
    virtual void SelectFont(PrintFont font) = 0;
    virtual PrintExtent MeasureText(std::string_view text) = 0;
    virtual void StartDocument(std::string_view name) = 0;
    virtual void StartPage() = 0;
    virtual void EndPage() = 0;
    virtual void EndDocument() = 0;
    // Thin black outline, white inside; right and bottom are exclusive.
    virtual void DrawFramedRectangle(PrintRect rectangle) = 0;
    virtual void FillRectangle(PrintRect rectangle, PrintColour colour) = 0;
    virtual void SetTextColour(PrintColour colour) = 0;
    // One line, top-aligned, clipped to the box, on a transparent background.
    virtual void DrawText(std::string_view text, PrintRect box, PrintAlign align) = 0;
};

// What is printed: the list's columns and cells.
class PrintTable
{
public:
    virtual ~PrintTable() = default;
    virtual int RowCount() const = 0;
    virtual int ColumnCount() const = 0;
    virtual std::string Heading(int column) const = 0;
    virtual std::string Cell(int row, int column) const = 0;
};

inline constexpr const char* kPrintDocumentName = "Tovrane List";

// The font height for a point size at a vertical resolution: -trunc(points * dpi / 72).
int PrintFontHeight(int points, int dpiY);

// Draws the whole document, from its start to its end.
void LayOutListPrint(PrintCanvas& canvas, const PrintTable& table, std::string_view title);
