#include "CDomainListCtrl.h"

#include "controls/VisibleChecks.h"
#include "seams/MessageBoxSeam.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

namespace {

constexpr int kNameColumnWidth = 300;
constexpr int kStatusColumnWidth = 100;
constexpr QRgb kTransparentTeal = qRgb(0, 128, 128);

QPixmap ArrowFromBitmap(const QString& path)
{
    // Black becomes the desktop's grey-text colour and white becomes transparent.
    QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
    const QRgb grey = QApplication::palette().color(QPalette::Disabled, QPalette::Text).rgb();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (pixel == qRgb(255, 255, 255)) {
                image.setPixel(x, y, qRgba(0, 0, 0, 0));
            } else if (pixel == qRgb(0, 0, 0)) {
                image.setPixel(x, y, grey);
            }
        }
    }
    return QPixmap::fromImage(image);
}

QImage WithTealTransparent(const QString& path)
{
    QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == kTransparentTeal) {
                image.setPixel(x, y, qRgba(0, 0, 0, 0));
            }
        }
    }
    return image;
}

} // namespace

QList<QPixmap> LoadRowImages()
{
    const QImage strip = WithTealTransparent(QStringLiteral(":/bitmaps/130.png"));
    QList<QPixmap> images;
    for (int image = 0; image < 5; ++image) {
        images.append(QPixmap::fromImage(strip.copy(image * 16, 0, 16, 15)));
    }
    images.append(
        QPixmap::fromImage(WithTealTransparent(QStringLiteral(":/bitmaps/no-answer.png"))));
    return images;
}

CSortHeader::CSortHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void CSortHeader::SetArrows(QPixmap ascending, QPixmap descending)
{
    m_ascendingArrow = std::move(ascending);
    m_descendingArrow = std::move(descending);
    viewport()->update();
}

void CSortHeader::ShowArrow(int column, bool ascending)
{
    m_arrowColumn = column;
    m_arrowAscending = ascending;
    viewport()->update();
}

void CSortHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    QHeaderView::paintSection(painter, rect, logicalIndex);
    if (logicalIndex != m_arrowColumn) {
        return;
    }
    const QPixmap& arrow = m_arrowAscending ? m_ascendingArrow : m_descendingArrow;
    if (arrow.isNull()) {
        return;
    }
    const QString text =
        model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    const int x = rect.left() + margin + fontMetrics().horizontalAdvance(text) + 2 * margin;
    const int y = rect.top() + (rect.height() - arrow.height()) / 2;
    painter->save();
    painter->setClipRect(rect);
    painter->drawPixmap(x, y, arrow);
    painter->restore();
}

CDomainListCtrl::CDomainListCtrl(MessageBoxSeam& messageBoxes, QWidget* parent)
    : QTableView(parent), m_messageBoxes(messageBoxes), m_header(new CSortHeader(this))
{
    setHorizontalHeader(m_header);
    setModel(&m_model);
    // Unchecked boxes stay visible in a dark palette.
    setItemDelegate(new CVisibleCheckDelegate(this));
    connect(m_header, &QHeaderView::sectionClicked, this, &CDomainListCtrl::SortByColumn);
    connect(this, &QAbstractItemView::doubleClicked, this, &CDomainListCtrl::rowDoubleClicked);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        emit contextMenuAt(viewport()->mapToGlobal(position));
    });
}

void CDomainListCtrl::SetUp()
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(true);
    setWordWrap(false);
    setIconSize(QSize(16, 15));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(qMax(17, fontMetrics().height() + 4));
    m_header->setStretchLastSection(false);
    m_header->setSectionResizeMode(QHeaderView::Interactive);
    m_header->resizeSection(DomainListModel::NameColumn, kNameColumnWidth);
    m_header->resizeSection(DomainListModel::StatusColumn, kStatusColumnWidth);
    connect(m_header, &QHeaderView::sectionResized, this, [this](int column) {
        if (column == DomainListModel::NameColumn) {
            FitStatusColumn();
        }
    });

    // The highlighted row stays visible while another control has the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);

    m_model.SetRowImages(LoadRowImages());
    m_header->SetArrows(ArrowFromBitmap(QStringLiteral(":/bitmaps/132.png")),
                        ArrowFromBitmap(QStringLiteral(":/bitmaps/131.png")));
    m_showSortArrow = true;
    UpdateHeaderArrow();
}

void CDomainListCtrl::SetSearchPendingQuery(std::function<bool()> isSearchPending)
{
    m_isSearchPending = std::move(isSearchPending);
}

int CDomainListCtrl::GetItemCount() const
{
    return m_model.Rows().Count();
}

int CDomainListCtrl::AddPendingRow(const QByteArray& name)
{
    return m_model.AppendPendingNames({name.toStdString()});
}

bool CDomainListCtrl::IsDomainListed(const QByteArray& name) const
{
    return m_model.Rows().Contains(
        std::string_view(name.constData(), static_cast<std::size_t>(name.size())));
}

QByteArray CDomainListCtrl::GetStatus(int row) const
{
    if (!m_model.Rows().IsValidRow(row)) {
        return {};
    }
    const std::string_view text = RowStatusText(m_model.Rows().At(row).status);
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

int CDomainListCtrl::GetFirstSelected() const
{
    const QModelIndexList rows =
        selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void CDomainListCtrl::SortByColumn(int column)
{
    if (m_isSearchPending && m_isSearchPending()) {
        m_messageBoxes.Show("Domain Name Search is Pending, Please Wait!", MessageBoxIcon::None);
        return;
    }
    if (column == m_sortColumn) {
        m_sortAscending = !m_sortAscending;
    } else {
        m_sortColumn = column;
        m_sortAscending = true;
    }
    UpdateHeaderArrow();
    m_model.SortRows(column, m_sortAscending);
}

void CDomainListCtrl::keyPressEvent(QKeyEvent* event)
{
    const int row = currentIndex().row();
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier &&
        m_model.Rows().IsValidRow(row)) {
        m_model.SetChecked(row, !m_model.Rows().At(row).checked);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

bool CDomainListCtrl::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        FitStatusColumn();
    }
    return QTableView::viewportEvent(event);
}

void CDomainListCtrl::FitStatusColumn()
{
    const int room = viewport()->width() - columnWidth(DomainListModel::NameColumn);
    m_header->resizeSection(DomainListModel::StatusColumn, std::max(kStatusColumnWidth, room));
}

void CDomainListCtrl::UpdateHeaderArrow()
{
    m_header->ShowArrow(m_showSortArrow ? m_sortColumn : -1, m_sortAscending);
}
