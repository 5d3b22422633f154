#pragma once

#include "domainlist/core/DomainRows.h"
#include "domainlist/core/SearchAnswer.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>
#include <QPixmap>

// The domain list's rows as a two-column table model: "Domain Name" (with the check box and the
// status picture) and "Status". Every operation that touches many rows does so with one
// begin/end notification, so a million rows change as fast as the store allows.
class DomainListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        NameColumn = 0,
        StatusColumn = 1,
    };
    // The name's bytes, exactly as stored (DisplayRole is for showing them).
    static constexpr int NameBytesRole = Qt::UserRole + 1;

    explicit DomainListModel(QObject* parent = nullptr);

    // The six row pictures, by image index.
    void SetRowImages(QList<QPixmap> images);

    const DomainRows& Rows() const { return m_rows; }

    // The one way rows join the list: every name in one step, as checked "Pending" rows;
    // returns the index of the first new row.
    int AppendPendingNames(std::vector<std::string> names);
    // Rows read back from a file, in their order, behind the others; a name listed already (or
    // earlier in `records`) is left out. Returns how many rows were added.
    int AppendRecords(std::vector<ListRecord> records);
    // Removes every row from `first` on (the rows appended since the list had `first` rows).
    void RemoveRowsFrom(int first);
    void SetChecked(int row, bool checked);
    // Any status but "No Answer" forgets the row's reason.
    void SetStatus(int row, RowStatus status);
    // Writes a verdict's status and picture into the row.
    void SetVerdict(int row, DomainStatus verdict) { SetStatus(row, RowStatusFor(verdict)); }
    // Writes a search's answer into the row as WriteAnswer words it: a "No Answer" row shows its
    // reason after the status and as its tool tip, and keeps the server and time for an export.
    void SetAnswer(int row, const QueryResult& answer, std::uint32_t answeredAt);
    // The row being asked is shown in bold, whatever its status says.
    void SetSearchMark(int row, SearchMark mark);
    void ClearSearchMarks();
    // The row named `id`, or -1 once it was removed; and the id of a row (0 outside the list).
    int RowOfId(std::uint32_t id) const { return m_rows.RowOfId(id); }
    std::uint32_t IdOf(int row) const { return m_rows.IsValidRow(row) ? m_rows.At(row).id : 0; }
    void SetChecks(const std::function<std::optional<bool>(const DomainRow&)>& wanted);
    void RemoveRows(const std::function<bool(const DomainRow&)>& remove);
    void RemoveAll();
    void SortRows(int column, bool ascending);
    // Follows one row through deletions and sorts (the row a search is asking about).
    void TrackRow(int row) { m_rows.Track(row); }
    TrackedRow Tracked() const { return m_rows.Tracked(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void EmitStatusChanged(int row);
    // Moves persistent indices (the view's selection and current row) to the rows' new places.
    void RemapPersistentIndices(const std::function<int(int oldRow)>& newRowOf);

    DomainRows m_rows;
    QList<QPixmap> m_rowImages;
};
