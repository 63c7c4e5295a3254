#include "lines/ui/line_list_view.h"

#include <QKeyEvent>

#include "lines/line_list_model.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyledItemDelegate>

#include <algorithm>

namespace kvt::ui {

namespace {

// Paints each cell of a line row: the cell, widened by a few pixels on both sides, gets the
// focused row's colour, then the fill of the row's delay band (none for "NA"); a selected row
// is covered by a translucent selection colour; then the text, bold blue in the focused row.
// Fixed row height, horizontal grid lines and no focus rectangle.
class LineRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(LineListView::RowHeight);
        return size;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        QRect cell =
            opt.rect.adjusted(-LineListView::CellWidening, 0, LineListView::CellWidening, 0);
        // Not past the row's own ends: beyond the last column the list stays empty.
        if (const auto* view = qobject_cast<const QTreeView*>(opt.widget)) {
            const QHeaderView* header = view->header();
            cell.setLeft(std::max(cell.left(), -header->offset()));
            cell.setRight(std::min(cell.right(), header->length() - header->offset() - 1));
        }
        const bool focused = index.data(LineListModel::FocusedRole).toBool();
        const bool selected = opt.state.testFlag(QStyle::State_Selected);

        painter->save();
        // The view's own row panel (which some styles paint in the highlight colour) never
        // shows through: every cell starts from the base colour.
        painter->fillRect(cell, opt.palette.color(QPalette::Base));
        if (focused)
            painter->fillRect(cell, QColor::fromRgb(QRgb(LineListModel::FocusedFill)));
        const QVariant fill = index.data(LineListModel::FillRole);
        if (fill.isValid())
            painter->fillRect(cell, QColor::fromRgb(QRgb(fill.toUInt())));
        if (selected) {
            // Over the same widened rectangle: the next cell's opaque fill wipes the overlap
            // before it blends again, so every pixel is blended once.
            QColor blend = QColor::fromRgb(QRgb(LineListModel::SelectionFill));
            blend.setAlpha(LineListView::SelectionAlpha);
            painter->fillRect(cell, blend);
        }

        painter->setPen(QColor::fromRgb(LineListView::GridColor));
        painter->drawLine(cell.bottomLeft(), cell.bottomRight());

        QFont font = opt.font;
        QColor textColor = opt.palette.color(QPalette::Text);
        if (focused) {
            font.setBold(true);
            textColor = QColor::fromRgb(QRgb(LineListModel::FocusedText));
        } else if (selected) {
            textColor = opt.palette.color(QPalette::HighlightedText);
        }
        // Kept clear of the widened fills of the neighbouring cells.
        const QRect textRect =
            opt.rect.adjusted(LineListView::TextPadding, 0, -LineListView::TextPadding, -1);
        painter->setFont(font);
        painter->setPen(textColor);
        painter->drawText(
            textRect, Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetrics(font).elidedText(opt.text, Qt::ElideRight, textRect.width()));
        painter->restore();
    }
};

} // namespace

LineListView::LineListView(QWidget* parent)
    : QTreeView(parent), emptyModel_(new QStandardItemModel(0, ColumnCount, this)) {
    setObjectName(QStringLiteral("vt1"));
    emptyModel_->setHorizontalHeaderLabels(
        {QStringLiteral("线路名称"), QStringLiteral("延时(ms)"), QStringLiteral("在线率")});

    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    // No focus rectangle: the focused row shows by its colour.
    setAllColumnsShowFocus(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new LineRowDelegate(this));
    setContextMenuPolicy(Qt::CustomContextMenu);

    QHeaderView* head = header();
    head->setFixedHeight(HeaderHeight);
    head->setSectionsMovable(true);
    head->setSectionsClickable(true);
    head->setStretchLastSection(false);
    head->setSectionResizeMode(QHeaderView::Interactive);
    head->setSortIndicatorShown(true);
    head->setSortIndicator(1, Qt::AscendingOrder);
    head->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    setModel(emptyModel_);
    applyColumnWidths();
}

void LineListView::setLineModel(QAbstractItemModel* model) {
    // The sort column and direction stay as they were.
    const int sortColumn = header()->sortIndicatorSection();
    const Qt::SortOrder order = header()->sortIndicatorOrder();
    setModel(model ? model : emptyModel_);
    header()->setSortIndicator(sortColumn, order);
    applyColumnWidths();
}

bool LineListView::setColumnTitle(int column, const QString& text) {
    if (!model() || column < 0 || column >= model()->columnCount())
        return false;
    return model()->setHeaderData(column, Qt::Horizontal, text);
}

QString LineListView::columnTitle(int column) const {
    return model() ? model()->headerData(column, Qt::Horizontal).toString() : QString();
}

void LineListView::keyPressEvent(QKeyEvent* event) {
    const QPersistentModelIndex before = currentIndex();
    QTreeView::keyPressEvent(event);
    const QModelIndex after = currentIndex();
    if (after.isValid() && after.row() != before.row())
        Q_EMIT currentMovedByKey(after);
}

void LineListView::applyColumnWidths() {
    for (int column = 0; column < ColumnCount; ++column)
        setColumnWidth(column, ColumnWidths[column]);
}

} // namespace kvt::ui
