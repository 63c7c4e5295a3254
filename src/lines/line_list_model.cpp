#include "lines/line_list_model.h"

#include <vector>

namespace kvt {

namespace {

// A delay that is not a number sorts after every measured one when ascending.
constexpr qint32 kNotANumberDelay = 37000000;

// Bottom-up merge sort of `order` by `compare`, which returns a negative number when the first
// argument goes first. Unlike std::sort it tolerates a comparison that never reports equality
// and is not a strict weak ordering: a merge only ever asks which of two heads goes first.
template <typename Compare>
void mergeSort(std::vector<int>& order, Compare compare) {
    const size_t n = order.size();
    std::vector<int> buffer(n);
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            const size_t mid = std::min(lo + width, n);
            const size_t hi = std::min(lo + 2 * width, n);
            size_t left = lo, right = mid, out = lo;
            while (left < mid && right < hi)
                buffer[out++] =
                    compare(order[left], order[right]) < 0 ? order[left++] : order[right++];
            while (left < mid)
                buffer[out++] = order[left++];
            while (right < hi)
                buffer[out++] = order[right++];
        }
        order.swap(buffer);
    }
}

int directed(bool firstGreater, Qt::SortOrder direction) {
    if (direction == Qt::AscendingOrder)
        return firstGreater ? 1 : -1;
    return firstGreater ? -1 : 1;
}

} // namespace

LineListModel::LineListModel(QObject* parent) : QAbstractTableModel(parent) {}

int LineListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int LineListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3;
}

QVariant LineListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const ps& r = rows_.at(index.row()).record;
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case NameColumn:
            return r.name;
        case DelayColumn:
            return r.delay;
        case OnlineRateColumn:
            return r.onlinerate;
        }
        return {};
    case FillRole:
        if (const auto fill = delayFill(r.delay))
            return uint(*fill);
        return {};
    case FocusedRole:
        return rows_.at(index.row()).id == focusedId_;
    }
    return {};
}

QVariant LineListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section >= 0 && section < headers_.size() ? QVariant(headers_.at(section)) : QVariant();
}

void LineListModel::setHeaders(const QStringList& headers) {
    headers_ = headers;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, 2);
}

bool LineListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                                  int role) {
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::EditRole) ||
        section < 0 || section >= columnCount())
        return false;
    while (headers_.size() < columnCount())
        headers_.append(QString());
    headers_[section] = value.toString();
    Q_EMIT headerDataChanged(Qt::Horizontal, section, section);
    return true;
}

void LineListModel::clear() {
    beginResetModel();
    rows_.clear();
    focusedId_ = 0;
    RotationCursor = 0;
    endResetModel();
}

void LineListModel::fill(QList<ps> records) {
    beginResetModel();
    rows_.reserve(rows_.size() + records.size());
    for (ps& record : records)
        rows_.append(Row{nextId_++, std::move(record)});
    endResetModel();
    sortRows();
}

int LineListModel::rowOfId(quint64 id) const {
    if (id == 0)
        return -1;
    for (int row = 0; row < rows_.size(); ++row)
        if (rows_.at(row).id == id)
            return row;
    return -1;
}

void LineListModel::setDelay(int row, const QString& delay) {
    if (row < 0 || row >= rows_.size())
        return;
    rows_[row].record.delay = delay;
    Q_EMIT dataChanged(index(row, 0), index(row, 2));
}

void LineListModel::addLostTime(int row) {
    if (row < 0 || row >= rows_.size())
        return;
    ++rows_[row].record.losttimes;
}

void LineListModel::setFocusedRow(int row) {
    const int old = focusedRow();
    focusedId_ = row >= 0 && row < rows_.size() ? rows_.at(row).id : 0;
    if (old >= 0)
        Q_EMIT dataChanged(index(old, 0), index(old, 2));
    if (row >= 0 && row < rows_.size())
        Q_EMIT dataChanged(index(row, 0), index(row, 2));
}

void LineListModel::headerClick(int column) {
    sortColumn_ = column;
    sortDirection_ =
        sortDirection_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    Q_EMIT sortChanged(sortColumn_, sortDirection_);
    sortRows();
}

void LineListModel::setSortColumn(int column, Qt::SortOrder direction) {
    if (column == sortColumn_ && direction == sortDirection_)
        return;
    sortColumn_ = column;
    sortDirection_ = direction;
    Q_EMIT sortChanged(sortColumn_, sortDirection_);
}

qint32 LineListModel::delaySortValue(const QString& delay) {
    bool ok = false;
    const qint32 value = delay.toInt(&ok);
    return ok ? value : kNotANumberDelay;
}

int LineListModel::vt1CompareNodes(const ps& first, const ps& second, int column,
                                   Qt::SortOrder direction) {
    switch (column) {
    case NameColumn:
        return directed(QString::compare(first.name, second.name, Qt::CaseSensitive) > 0,
                        direction);
    case DelayColumn:
        return directed(delaySortValue(first.delay) > delaySortValue(second.delay), direction);
    case OnlineRateColumn:
        return directed(QString::compare(first.onlinerate, second.onlinerate, Qt::CaseSensitive) >
                            0,
                        direction);
    }
    return 0;
}

void LineListModel::sortRows() {
    if (rows_.size() < 2 || sortColumn_ < 0 || sortColumn_ > 2)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();

    std::vector<int> order(rows_.size());
    for (int i = 0; i < int(order.size()); ++i)
        order[i] = i;
    if (sortColumn_ == DelayColumn) {
        // Convert each delay once rather than at every comparison.
        std::vector<qint32> keys(rows_.size());
        for (int i = 0; i < int(keys.size()); ++i)
            keys[i] = delaySortValue(rows_.at(i).record.delay);
        mergeSort(order, [&](int a, int b) { return directed(keys[a] > keys[b], sortDirection_); });
    } else {
        const int column = sortColumn_;
        mergeSort(order, [&](int a, int b) {
            return vt1CompareNodes(rows_.at(a).record, rows_.at(b).record, column, sortDirection_);
        });
    }

    QList<Row> sorted;
    sorted.reserve(rows_.size());
    std::vector<int> newRowOf(rows_.size());
    for (int i = 0; i < int(order.size()); ++i) {
        newRowOf[order[i]] = i;
        sorted.append(std::move(rows_[order[i]]));
    }
    rows_ = std::move(sorted);

    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after.append(index(newRowOf[old.row()], old.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

std::optional<quint32> LineListModel::delayFill(const QString& delay) {
    if (delay == QStringLiteral("超时") || delay == QStringLiteral("超時"))
        return 0xA4A2A5; // RGB(164,162,165)
    if (delay == QStringLiteral("NA"))
        return std::nullopt;
    bool ok = false;
    qint32 d = delay.toInt(&ok);
    if (!ok)
        d = 0;
    if (d <= 200)
        return 0xAAFF9B; // RGB(170,255,155)
    if (d <= 250)
        return 0xC8FF96; // RGB(200,255,150)
    if (d <= 300)
        return 0xE1FF8C; // RGB(225,255,140)
    return 0xF0FF8C;     // RGB(240,255,140)
}

} // namespace kvt
