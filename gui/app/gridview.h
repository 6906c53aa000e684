#pragma once

#include <QList>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>

class QMdiArea;

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

    // From now on every column is as wide as the widest text it shows, as its
    // delegate draws it, and never narrower than it is now. With widestWhole
    // a column grows no wider than that text needs in a well; a longer text is
    // drawn elided and shown whole in the cell's tooltip. measuredRows limits
    // the measure to the first rows (a list whose other cells are free text).
    // Refitted on every change of the texts; a view fitted to its grid keeps
    // showing every cell.
    void fitColumnsToTexts(const QString& widestWhole = QString(), int measuredRows = -1);

Q_SIGNALS:
    // The view's size changed with its columns; the window may have to grow.
    void resizedToTexts();

private:
    void fitColumns(int first, int last);

    TextGrid* m_grid;
    bool m_fitsGrid = false;
    QList<int> m_leastWidths;
    QString m_widestWhole;
    int m_measuredRows = -1;
};

// Paints the fixed header cells in the button-face colour; wells as usual.
// A text wider than its cell is elided and shown whole in the cell's tooltip.
class GridDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Where a typed cell's text goes: a window's edit of the project, so that
    // the lock and the undo stack see it. Without one the text goes nowhere:
    // the grids refuse writes from a view.
    using CellCommit = std::function<void(int col, int row, const QString& text)>;
    void setCellCommit(CellCommit commit) { m_commit = std::move(commit); }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    static bool isFixed(const QModelIndex& index) { return index.row() == 0 || index.column() == 0; }

private:
    CellCommit m_commit;
};

// Fixes the size of a window at `least`, widened to what its layout needs now
// that a grid in it was resized to its texts. An MDI frame around the window
// grows or shrinks with it, and the frames beside it on its right move along.
void fitWindowToGrids(QWidget* window, QSize least);

// Widens the main window, within its screen, until every working window of
// the area stands inside it.
void showWholeArea(QMdiArea* area);

} // namespace pleq
