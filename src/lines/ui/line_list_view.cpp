#include "lines/ui/line_list_view.h"

#include <QHeaderView>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyledItemDelegate>

namespace kvt::ui {

namespace {

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
        QStyleOptionViewItem plain(option);
        plain.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, plain, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Midlight));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
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
    setAllColumnsShowFocus(true);
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

void LineListView::applyColumnWidths() {
    for (int column = 0; column < ColumnCount; ++column)
        setColumnWidth(column, ColumnWidths[column]);
}

} // namespace kvt::ui
