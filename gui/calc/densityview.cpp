#include "gui/calc/densityview.h"

#include "core/model/densityblock.h"
#include "core/model/project.h"
#include "core/model/textgrid.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>

#include <algorithm>

namespace pleq {

namespace {

constexpr int LastCol = Project::PlateColumns - 1;
constexpr int LastRow = Project::PlateRows - 1;

bool isWell(const QModelIndex& index)
{
    return index.isValid() && index.column() >= 1 && index.row() >= 1;
}

// The keys the grid takes for itself before a window's shortcut sees them.
bool isGridKey(const QKeyEvent* key)
{
    return key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Undo)
           || key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace;
}

// What a cell being typed into takes as a block rather than as its own text.
bool isBlock(const QString& text)
{
    return text.contains(QLatin1Char('\t')) || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

} // namespace

DensityView::DensityView(TextGrid* grid, QWidget* parent)
    : GridView(grid, 40, 17, parent)
{
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setTabKeyNavigation(true);
}

QList<QPoint> DensityView::selectedWells() const
{
    QList<QPoint> wells;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        if (isWell(index))
            wells.append({index.column(), index.row()});
    if (wells.isEmpty() && isWell(currentIndex()))
        wells.append({currentIndex().column(), currentIndex().row()});
    std::sort(wells.begin(), wells.end(),
              [](QPoint a, QPoint b) { return a.y() != b.y() ? a.y() < b.y() : a.x() < b.x(); });
    return wells;
}

bool DensityView::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && isGridKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return GridView::event(event);
}

void DensityView::keyPressEvent(QKeyEvent* event)
{
    // A key the cell being typed into passes on (Enter) is the editor's; its
    // closing makes the move.
    if (state() == EditingState) {
        GridView::keyPressEvent(event);
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
    } else if (event->matches(QKeySequence::Paste)) {
        // The block goes from the top left of the selection; with no well chosen, from A1.
        const QList<QPoint> wells = selectedWells();
        QPoint from(1, 1);
        if (!wells.isEmpty()) {
            from = wells.first();
            for (const QPoint& w : wells)
                from.setX(std::min(from.x(), w.x()));
        }
        requestPaste(from);
    } else if (event->matches(QKeySequence::Undo)) {
        if (m_writable)
            emit undoRequested();
    } else if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
        if (m_writable && !selectedWells().isEmpty())
            emit clearRequested(selectedWells());
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        step(0, 1);
    } else if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        // Past the plate's last (or first) well Tab leaves the grid.
        if (!step(event->key() == Qt::Key_Tab ? 1 : -1, 0)) {
            event->ignore();
            return;
        }
    } else {
        GridView::keyPressEvent(event);
        return;
    }
    event->accept();
}

bool DensityView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (!GridView::edit(index, trigger, event))
        return false;
    // Installed after the delegate's filter, so it sees the keys first.
    if (QWidget* editor = indexWidget(index))
        editor->installEventFilter(this);
    return true;
}

// A block pasted into a cell being typed into goes into the wells from
// that cell on, instead of into the one cell as text.
bool DensityView::eventFilter(QObject* watched, QEvent* event)
{
    auto* editor = qobject_cast<QWidget*>(watched);
    if (editor && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)
        && m_writable && isBlock(QGuiApplication::clipboard()->text())) {
        const QModelIndex index = indexAt(editor->geometry().center());
        QAbstractItemView::closeEditor(editor, QAbstractItemDelegate::NoHint);
        if (isWell(index))
            requestPaste({index.column(), index.row()});
        return true;
    }
    return GridView::eventFilter(watched, event);
}

// Enter (the delegate's SubmitModelCache) and Tab in a cell being typed into
// commit it and go on, as the same keys do on the grid; the next cell is not
// opened, typing into it opens it.
void DensityView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    switch (hint) {
    case QAbstractItemDelegate::SubmitModelCache:
        GridView::closeEditor(editor, hint);
        step(0, 1);
        break;
    case QAbstractItemDelegate::EditNextItem:
        GridView::closeEditor(editor, QAbstractItemDelegate::NoHint);
        step(1, 0);
        break;
    case QAbstractItemDelegate::EditPreviousItem:
        GridView::closeEditor(editor, QAbstractItemDelegate::NoHint);
        step(-1, 0);
        break;
    default: GridView::closeEditor(editor, hint);
    }
}

void DensityView::copySelection() const
{
    const QList<QPoint> wells = selectedWells();
    if (wells.isEmpty())
        return;
    QPoint first = wells.first();
    QPoint last = wells.first();
    for (const QPoint& w : wells) {
        first = {std::min(first.x(), w.x()), std::min(first.y(), w.y())};
        last = {std::max(last.x(), w.x()), std::max(last.y(), w.y())};
    }
    QGuiApplication::clipboard()->setText(blockText(*grid(), first.x(), first.y(), last.x(), last.y()));
}

void DensityView::requestPaste(QPoint well)
{
    if (m_writable)
        emit pasteRequested(well, QGuiApplication::clipboard()->text());
}

bool DensityView::step(int columns, int rows)
{
    const QModelIndex current = currentIndex();
    int col = isWell(current) ? current.column() : 1;
    int row = isWell(current) ? current.row() : 1;
    if (isWell(current)) {
        col += columns;
        row += rows;
        if (row > LastRow) {
            row = 1;
            ++col;
        } else if (col > LastCol) {
            col = 1;
            ++row;
        } else if (col < 1) {
            col = LastCol;
            --row;
        }
        if (col > LastCol || row > LastRow || row < 1)
            return false;
    }
    setCurrentIndex(model()->index(row, col));
    return true;
}

} // namespace pleq
