#pragma once

#include "lines/line_record.h"

#include <QAbstractTableModel>
#include <QList>

#include <optional>

namespace kvt {

// The line list `vt1`: one row per line record of the current area, three columns (name,
// delay, online rate). Rows own their records; the list is cleared and refilled whole by the
// area changes, and the speed test edits `delay` and `losttimes` of existing rows.
class LineListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, DelayColumn = 1, OnlineRateColumn = 2 };
    // Role of the cell fill colour (0xRRGGBB as uint); no value for "no fill".
    static constexpr int FillRole = Qt::UserRole + 1;
    // Role telling whether the row is the focused row (bool).
    static constexpr int FocusedRole = Qt::UserRole + 2;

    explicit LineListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Removes every row (releasing its record) and resets the focused row and RotationCursor.
    void clear();
    // Appends rows in the given order, then sorts by the current sort column and direction.
    void fill(QList<ps> records);

    const ps& record(int row) const { return rows_.at(row).record; }
    // A row's identity survives sorting and dies with the row, so a result computed for a row
    // that a later clear removed finds nothing.
    quint64 rowId(int row) const { return rows_.at(row).id; }
    int rowOfId(quint64 id) const;
    void setDelay(int row, const QString& delay);
    void addLostTime(int row);

    // The focused row, -1 for none.
    int focusedRow() const { return rowOfId(focusedId_); }
    void setFocusedRow(int row);

    // Header click: the column becomes the sort column and the direction flips, also when
    // the column changes; then the list is sorted.
    void headerClick(int column);
    int sortColumn() const { return sortColumn_; }
    Qt::SortOrder sortDirection() const { return sortDirection_; }
    // Sets the sort column and direction without sorting (the batch speed test starts by
    // delay, ascending).
    void setSortColumn(int column, Qt::SortOrder direction);
    // Sorts with the current column and direction.
    void sortRows();

    // The comparison of two records for the sort column and direction: only that column is
    // compared (other columns: 0); names and online rates as ordinal texts, delays as 32-bit
    // integers with 37000000 for a text that is not a number; equal values never compare
    // equal (-1 ascending, +1 descending).
    static int vt1CompareNodes(const ps& first, const ps& second, int column,
                               Qt::SortOrder direction);
    // A delay text as the sort reads it.
    static qint32 delaySortValue(const QString& delay);

    // The background of a row's cells by its delay, 0xRRGGBB: grey for "超时" (or its
    // traditional form), nothing for "NA", else the band of the delay (a text that is not a
    // number counts as 0).
    static std::optional<quint32> delayFill(const QString& delay);
    static constexpr quint32 FocusedFill = 0x64C8FF;   // RGB(100,200,255)
    static constexpr quint32 FocusedText = 0x0000FF;   // bold blue text
    static constexpr quint32 SelectionFill = 0x376D7D; // RGB(55,109,125), blended

    // The row (by its id) after which the next line change continues; 0 for none. Cleared
    // with the list.
    quint64 RotationCursor = 0;

    // Column headers in the current language, set when a language is applied. One title can
    // also be set through setHeaderData (horizontal, display or edit role, columns 0 to 2).
    void setHeaders(const QStringList& headers);
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;

Q_SIGNALS:
    // The sort column or direction changed (the header shows it with its sort glyph).
    void sortChanged(int column, Qt::SortOrder direction);

private:
    struct Row {
        quint64 id = 0;
        ps record;
    };
    QList<Row> rows_;
    quint64 nextId_ = 1;
    quint64 focusedId_ = 0;
    int sortColumn_ = DelayColumn;
    Qt::SortOrder sortDirection_ = Qt::AscendingOrder;
    QStringList headers_;
};

} // namespace kvt
