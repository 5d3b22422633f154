#pragma once

#include "DomainListModel.h"

#include <QHeaderView>
#include <QTableView>
#include <functional>

class MessageBoxSeam;

// The header of the domain list: plain headings, with a small arrow right of the sorted
// column's text (down when ascending, up when descending).
class CSortHeader : public QHeaderView
{
    Q_OBJECT

public:
    explicit CSortHeader(QWidget* parent = nullptr);

    void SetArrows(QPixmap ascending, QPixmap descending);
    // Column -1 shows no arrow.
    void ShowArrow(int column, bool ascending);
    int ArrowColumn() const { return m_arrowColumn; }
    bool ArrowAscending() const { return m_arrowAscending; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    QPixmap m_ascendingArrow;
    QPixmap m_descendingArrow;
    int m_arrowColumn = -1;
    bool m_arrowAscending = true;
};

// The main window's list of candidate domain names: a check box, the name and a status per row.
// Check marks are the working set of the search and the list commands; the one highlighted row
// is the target of the one-row commands.
class CDomainListCtrl : public QTableView
{
    Q_OBJECT

public:
    explicit CDomainListCtrl(MessageBoxSeam& messageBoxes, QWidget* parent = nullptr);

    // Columns, pictures and the header arrow; called once by the window.
    void SetUp();
    // The sort is refused while this says a search is running.
    void SetSearchPendingQuery(std::function<bool()> isSearchPending);

    int GetItemCount() const;
    int AddPendingRow(const QByteArray& name);
    bool IsDomainListed(const QByteArray& name) const;
    // Empty for a row outside the list.
    QByteArray GetStatus(int row) const;
    int GetFirstSelected() const;
    void SortByColumn(int column);

    DomainListModel& Model() { return m_model; }
    const DomainListModel& Model() const { return m_model; }

signals:
    void rowDoubleClicked();
    void contextMenuAt(const QPoint& globalPosition);

protected:
    // Space toggles the focused row's check box from whichever column has the focus.
    void keyPressEvent(QKeyEvent* event) override;
    // A wider list gives the Status column the room, so that long "No Answer" reasons show.
    bool viewportEvent(QEvent* event) override;

private:
    void UpdateHeaderArrow();
    // The Status column at its width, or wider to reach the list's right edge.
    void FitStatusColumn();

    MessageBoxSeam& m_messageBoxes;
    DomainListModel m_model;
    CSortHeader* m_header;
    std::function<bool()> m_isSearchPending;
    int m_sortColumn = 0;
    bool m_sortAscending = true;
    bool m_showSortArrow = false;
};

// The six 16 x 15 row pictures: five cut from bitmap 130, then the no-answer picture; teal made
// transparent.
QList<QPixmap> LoadRowImages();
