#pragma once

#include <QColor>
#include <QTreeView>

class QStandardItemModel;

namespace kvt::ui {

// The line list vt1: a flat three-column list (line name, delay, online rate) with a 22-pixel
// header (sort glyphs, movable and resizable columns; a double click on a divider fits the
// column to its contents) and 20-pixel rows, full-row selection and horizontal grid lines. It
// starts with an empty model that only carries the column titles; the engine's LineListModel
// replaces it, and its cell colours (LineListModel::FocusedRole and FillRole) are painted
// behind the text.
class LineListView : public QTreeView {
    Q_OBJECT
public:
    static constexpr int HeaderHeight = 22;
    static constexpr int RowHeight = 20;
    static constexpr int ColumnCount = 3;
    static constexpr int ColumnWidths[ColumnCount] = {200, 80, 75};
    // A cell's background reaches this far into its neighbours on both sides.
    static constexpr int CellWidening = 4;
    // Space between a cell's edge and its text.
    static constexpr int TextPadding = 5;
    // Opacity of the selection colour over the cell (of 255).
    static constexpr int SelectionAlpha = 200;
    static constexpr QRgb GridColor = 0xFFD8D8D8;

    explicit LineListView(QWidget* parent = nullptr);

    // Shows `model` (null: back to the empty list) and keeps the designed column widths. The
    // model's horizontal header data gives the column titles (LineListModel::setHeaders, set
    // when a language is applied); setColumnTitle() writes one through setHeaderData().
    void setLineModel(QAbstractItemModel* model);

    bool setColumnTitle(int column, const QString& text);
    QString columnTitle(int column) const;

Q_SIGNALS:
    // The arrow, page or home/end keys moved the current row. A row click is the window's to
    // handle; a key only moves the focused row, as it does in the list the design came from.
    void currentMovedByKey(const QModelIndex& current);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void applyColumnWidths();

    QStandardItemModel* emptyModel_;
};

} // namespace kvt::ui
