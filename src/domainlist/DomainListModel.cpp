#include "DomainListModel.h"

#include <QDateTime>
#include <QFont>
#include <algorithm>
#include <unordered_set>

namespace {

QString Text(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Only the weight: the view keeps its own family and size for the rest.
QFont BoldFont()
{
    QFont font;
    font.setBold(true);
    return font;
}

} // namespace

DomainListModel::DomainListModel(QObject* parent) : QAbstractTableModel(parent) {}

void DomainListModel::SetRowImages(QList<QPixmap> images)
{
    m_rowImages = std::move(images);
    if (m_rows.Count() > 0) {
        emit dataChanged(index(0, NameColumn), index(m_rows.Count() - 1, NameColumn),
                         {Qt::DecorationRole});
    }
}

int DomainListModel::AppendPendingNames(std::vector<std::string> names)
{
    const int first = m_rows.Count();
    if (names.empty()) {
        return first;
    }
    beginInsertRows({}, first, first + static_cast<int>(names.size()) - 1);
    for (std::string& name : names) {
        m_rows.Append(std::move(name));
    }
    endInsertRows();
    return first;
}

int DomainListModel::AppendRecords(std::vector<ListRecord> records)
{
    std::unordered_set<std::string_view> seen;
    seen.reserve(records.size());
    std::vector<ListRecord*> kept;
    kept.reserve(records.size());
    for (ListRecord& record : records) {
        if (!m_rows.Contains(record.name) && seen.insert(record.name).second) {
            kept.push_back(&record);
        }
    }
    if (kept.empty()) {
        return 0;
    }
    const int first = m_rows.Count();
    beginInsertRows({}, first, first + static_cast<int>(kept.size()) - 1);
    for (ListRecord* record : kept) {
        m_rows.Append(std::move(*record));
    }
    endInsertRows();
    return static_cast<int>(kept.size());
}

void DomainListModel::SetChecked(int row, bool checked)
{
    if (!m_rows.IsValidRow(row) || m_rows.At(row).checked == checked) {
        return;
    }
    m_rows.SetChecked(row, checked);
    const QModelIndex changed = index(row, NameColumn);
    emit dataChanged(changed, changed, {Qt::CheckStateRole});
}

void DomainListModel::SetStatus(int row, RowStatus status)
{
    if (m_rows.IsValidRow(row)) {
        m_rows.SetStatus(row, status);
        EmitStatusChanged(row);
    }
}

void DomainListModel::SetAnswer(int row, const QueryResult& answer, std::uint32_t answeredAt)
{
    if (m_rows.IsValidRow(row)) {
        ListRecord answered;
        WriteAnswer(answered, answer, answeredAt);
        m_rows.SetResult(row, std::move(answered));
        EmitStatusChanged(row);
    }
}

void DomainListModel::EmitStatusChanged(int row)
{
    emit dataChanged(index(row, NameColumn), index(row, StatusColumn),
                     {Qt::DisplayRole, Qt::DecorationRole, Qt::ToolTipRole});
}

void DomainListModel::SetSearchMark(int row, SearchMark mark)
{
    if (!m_rows.IsValidRow(row) || m_rows.At(row).mark == mark) {
        return;
    }
    const bool wasShown = m_rows.At(row).mark == SearchMark::Asking;
    m_rows.SetMark(row, mark);
    // Only the row being asked looks different: a search marks a hundred thousand rows queued
    // at its start, and the view need not hear of it.
    if (wasShown || mark == SearchMark::Asking) {
        emit dataChanged(index(row, NameColumn), index(row, StatusColumn), {Qt::FontRole});
    }
}

void DomainListModel::ClearSearchMarks()
{
    const std::vector<int> cleared = m_rows.ClearMarks();
    if (!cleared.empty()) {
        emit dataChanged(index(cleared.front(), NameColumn), index(cleared.back(), StatusColumn),
                         {Qt::FontRole});
    }
}

void DomainListModel::SetChecks(const std::function<std::optional<bool>(const DomainRow&)>& wanted)
{
    const std::vector<int> changed = m_rows.SetChecks(wanted);
    if (!changed.empty()) {
        emit dataChanged(index(changed.front(), NameColumn), index(changed.back(), NameColumn),
                         {Qt::CheckStateRole});
    }
}

void DomainListModel::RemapPersistentIndices(const std::function<int(int oldRow)>& newRowOf)
{
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        const int row = newRowOf(old.row());
        after.append(row < 0 ? QModelIndex() : index(row, old.column()));
    }
    changePersistentIndexList(before, after);
}

void DomainListModel::RemoveRows(const std::function<bool(const DomainRow&)>& remove)
{
    // One layout change for the whole removal: rows far apart (every checked row, say) go in
    // one step instead of one notification each.
    emit layoutAboutToBeChanged();
    const std::vector<int> removed = m_rows.RemoveIf(remove);
    RemapPersistentIndices([&removed](int oldRow) {
        const auto before = std::lower_bound(removed.begin(), removed.end(), oldRow);
        if (before != removed.end() && *before == oldRow) {
            return -1;
        }
        return oldRow - static_cast<int>(before - removed.begin());
    });
    emit layoutChanged();
}

void DomainListModel::RemoveRowsFrom(int first)
{
    if (first >= m_rows.Count()) {
        return;
    }
    // RemoveIf asks about the rows in their order.
    int row = 0;
    RemoveRows([&row, first](const DomainRow&) { return row++ >= first; });
}

void DomainListModel::RemoveAll()
{
    beginResetModel();
    m_rows.Clear();
    endResetModel();
}

void DomainListModel::SortRows(int column, bool ascending)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<int> order = m_rows.Sort(column, ascending);
    std::vector<int> newRowOfOld(order.size());
    for (std::size_t position = 0; position < order.size(); ++position) {
        newRowOfOld[static_cast<std::size_t>(order[position])] = static_cast<int>(position);
    }
    RemapPersistentIndices(
        [&newRowOfOld](int oldRow) { return newRowOfOld[static_cast<std::size_t>(oldRow)]; });
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int DomainListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows.Count();
}

int DomainListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant DomainListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const DomainRow& row = m_rows.At(index.row());
    if (role == Qt::FontRole) {
        return row.mark == SearchMark::Asking ? QVariant(BoldFont()) : QVariant();
    }
    if (role == Qt::ToolTipRole) {
        if (row.remembered) {
            return QStringLiteral("Remembered from %1")
                .arg(QDateTime::fromSecsSinceEpoch(row.answeredAt)
                         .toLocalTime()
                         .toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        }
        const std::string_view reason = m_rows.Reason(index.row());
        return reason.empty() ? QVariant() : QVariant(Text(reason));
    }
    if (index.column() == NameColumn) {
        switch (role) {
        case Qt::DisplayRole:
            return Text(row.name);
        case NameBytesRole:
            return QByteArray::fromStdString(row.name);
        case Qt::CheckStateRole:
            return row.checked ? Qt::Checked : Qt::Unchecked;
        case Qt::DecorationRole: {
            const int image = RowImage(row.status);
            return image < m_rowImages.size() ? QVariant(m_rowImages[image]) : QVariant();
        }
        default:
            return {};
        }
    }
    if (role == Qt::DisplayRole) {
        const std::string_view reason = m_rows.Reason(index.row());
        const QString status = Text(RowStatusText(row.status));
        return reason.empty() ? status : status + QStringLiteral(": ") + Text(reason);
    }
    return {};
}

bool DomainListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || index.column() != NameColumn ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return false;
    }
    SetChecked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

Qt::ItemFlags DomainListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags itemFlags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == NameColumn) {
        itemFlags |= Qt::ItemIsUserCheckable;
    }
    return itemFlags;
}

QVariant DomainListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return section == NameColumn ? QStringLiteral("Domain Name") : QStringLiteral("Status");
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return {};
}
