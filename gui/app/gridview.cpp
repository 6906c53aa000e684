#include "gui/app/gridview.h"

#include "core/model/textgrid.h"

#include <QHeaderView>
#include <QPainter>

namespace pleq {

GridView::GridView(TextGrid* grid, int columnWidth, int rowHeight, QWidget* parent)
    : QTableView(parent)
    , m_grid(grid)
{
    setModel(grid);
    setItemDelegate(new GridDelegate(this));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(8);
    verticalHeader()->setMinimumSectionSize(8);
    horizontalHeader()->setDefaultSectionSize(columnWidth);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(false);
    setWordWrap(false);
}

void GridView::finishEditing()
{
    if (state() != EditingState)
        return;
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void GridView::fitToGrid()
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    int w = 2 * frameWidth();
    for (int c = 0; c < m_grid->columns(); ++c)
        w += columnWidth(c);
    int h = 2 * frameWidth();
    for (int r = 0; r < m_grid->rows(); ++r)
        h += rowHeight(r);
    setFixedSize(w + 1, h + 1);
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!isFixed(index)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    painter->fillRect(option.rect, option.palette.button());
    painter->setPen(option.palette.color(QPalette::ButtonText));
    painter->drawText(option.rect.adjusted(2, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter,
                      index.data().toString());
}

} // namespace pleq
