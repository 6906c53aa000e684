#pragma once

#include "gui/app/gridview.h"

#include <QList>
#include <QPoint>

namespace pleq {

// The density grid with a spreadsheet's keys. Enter goes to the well below
// (after row H to row A of the next column, the plate's scan order), Tab to
// the right (after column 12 to column 1 of the next row), Shift+Tab back; a
// cell being typed into is committed first. Ctrl+C copies the selected wells
// as a block of text. Ctrl+V (also a block pasted into a cell being typed
// into), Delete and Backspace change the densities and Ctrl+Z undoes the last
// step, so the view only asks for them, and only while it is writable; the
// window answers through the undo stack.
class DensityView : public GridView
{
    Q_OBJECT
public:
    explicit DensityView(TextGrid* grid, QWidget* parent = nullptr);

    // Off while manual entry is off or the plate is locked.
    void setWritable(bool writable) { m_writable = writable; }

    // The selected wells as (column, row); the current well when none is selected.
    QList<QPoint> selectedWells() const;

    using GridView::edit;

Q_SIGNALS:
    void pasteRequested(QPoint well, const QString& text);
    void clearRequested(const QList<QPoint>& wells);
    void undoRequested();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void copySelection() const;
    void requestPaste(QPoint well);
    // Moves the current well by one column or one row, on to the next row or
    // column at the plate's edge; false at the plate's last (or first) well.
    bool step(int columns, int rows);

    bool m_writable = true;
};

} // namespace pleq
