#pragma once

#include <QStyledItemDelegate>
#include <QTableView>

namespace pleq {

class TextGrid;

// A string grid on screen: the whole TextGrid, its row 0 and column 0 drawn
// as fixed header cells, the wells as ordinary cells. The view's own headers
// are hidden because the header texts are cells of the grid itself.
class GridView : public QTableView
{
    Q_OBJECT
public:
    GridView(TextGrid* grid, int columnWidth, int rowHeight, QWidget* parent = nullptr);

    TextGrid* grid() const { return m_grid; }
    // Sizes the view to show every cell with no scroll bars (the plate grids).
    void fitToGrid();
    // Takes over a cell being typed into, so that a command sees its text.
    void finishEditing();

private:
    TextGrid* m_grid;
};

// Paints the fixed header cells in the button-face colour; wells as usual.
class GridDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    static bool isFixed(const QModelIndex& index) { return index.row() == 0 || index.column() == 0; }
};

} // namespace pleq
