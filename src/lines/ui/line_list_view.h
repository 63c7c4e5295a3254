#pragma once

#include <QTreeView>

class QStandardItemModel;

namespace kvt::ui {

// The line list vt1: a flat three-column list (line name, delay, online rate) with a 22-pixel
// header and 20-pixel rows, full-row selection and horizontal grid lines. It starts with an
// empty model that only carries the column titles; the line catalogue's model replaces it.
class LineListView : public QTreeView {
    Q_OBJECT
public:
    static constexpr int HeaderHeight = 22;
    static constexpr int RowHeight = 20;
    static constexpr int ColumnCount = 3;
    static constexpr int ColumnWidths[ColumnCount] = {200, 80, 75};

    explicit LineListView(QWidget* parent = nullptr);

    // Shows `model` (null: back to the empty list) and keeps the designed column widths. The
    // model's horizontal header data gives the column titles; setColumnTitle() writes them
    // through setHeaderData().
    void setLineModel(QAbstractItemModel* model);

    bool setColumnTitle(int column, const QString& text);
    QString columnTitle(int column) const;

private:
    void applyColumnWidths();

    QStandardItemModel* emptyModel_;
};

} // namespace kvt::ui
