#include "gui/app/gridview.h"

#include "core/model/textgrid.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QLayout>
#include <QMdiArea>
#include <QMetaProperty>
#include <QMdiSubWindow>
#include <QScreen>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>

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
    m_fitsGrid = true;
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    int w = 2 * frameWidth();
    for (int c = 0; c < m_grid->columns(); ++c)
        w += columnWidth(c);
    int h = 2 * frameWidth();
    for (int r = 0; r < m_grid->rows(); ++r)
        h += rowHeight(r);
    const QSize size(w + 1, h + 1);
    if (size == minimumSize() && size == maximumSize())
        return;
    setFixedSize(size);
    emit resizedToTexts();
}

void GridView::fitColumnsToTexts(const QString& widestWhole, int measuredRows)
{
    m_leastWidths.clear();
    for (int c = 0; c < m_grid->columns(); ++c)
        m_leastWidths.append(columnWidth(c));
    m_widestWhole = widestWhole;
    m_measuredRows = measuredRows;
    auto fitAll = [this] { fitColumns(0, m_grid->columns() - 1); };
    connect(m_grid, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                if (m_measuredRows < 0 || topLeft.row() < m_measuredRows)
                    fitColumns(topLeft.column(), bottomRight.column());
            });
    connect(m_grid, &QAbstractItemModel::modelReset, this, fitAll);
    connect(m_grid, &QAbstractItemModel::rowsInserted, this, fitAll);
    connect(m_grid, &QAbstractItemModel::rowsRemoved, this, fitAll);
    fitAll();
}

void GridView::fitColumns(int first, int last)
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int rows = m_measuredRows < 0 ? m_grid->rows() : std::min(m_measuredRows, m_grid->rows());
    const int gridLine = showGrid() ? 1 : 0;
    bool changed = false;
    for (int c = std::max(first, 0); c <= last && c < int(m_leastWidths.size()); ++c) {
        int width = m_leastWidths[c];
        int wellMargin = 0; // the pixels a well's drawing adds to its text
        for (int r = 0; r < rows; ++r) {
            const QModelIndex index = m_grid->index(r, c);
            const int hint = itemDelegateForIndex(index)->sizeHint(option, index).width();
            width = std::max(width, hint + gridLine);
            if (r == 1)
                wellMargin = hint - option.fontMetrics.horizontalAdvance(index.data().toString());
        }
        if (!m_widestWhole.isEmpty()) {
            const int widest = option.fontMetrics.horizontalAdvance(m_widestWhole) + wellMargin + gridLine;
            width = std::min(width, std::max(widest, m_leastWidths[c]));
        }
        if (width != columnWidth(c)) {
            setColumnWidth(c, width);
            changed = true;
        }
    }
    if (!changed)
        return;
    if (m_fitsGrid) {
        fitToGrid();
        return;
    }
    // A list that scrolls down keeps room for its vertical scroll bar, so
    // that its columns never need a horizontal one.
    int width = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < m_grid->columns(); ++c)
        width += columnWidth(c);
    if (width != minimumWidth()) {
        setMinimumWidth(width);
        emit resizedToTexts();
    }
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    Q_UNUSED(model);
    if (!m_commit)
        return;
    const QByteArray property = editor->metaObject()->userProperty().name();
    m_commit(index.column(), index.row(), editor->property(property.constData()).toString());
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!isFixed(index)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QRect textRect = option.rect.adjusted(2, 0, -1, 0);
    painter->fillRect(option.rect, option.palette.button());
    painter->setPen(option.palette.color(QPalette::ButtonText));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                      option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, textRect.width()));
}

bool GridDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                             const QModelIndex& index)
{
    if (event->type() == QEvent::ToolTip && sizeHint(option, index).width() > option.rect.width()) {
        QToolTip::showText(event->globalPos(), index.data().toString(), view->viewport(), option.rect);
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

void fitWindowToGrids(QWidget* window, QSize least)
{
    // The frames between a grid and the window cache their sizes until the
    // next layout pass; the window's size is wanted now.
    for (GridView* grid : window->findChildren<GridView*>()) {
        for (QWidget* w = grid->parentWidget(); w && w != window; w = w->parentWidget())
            w->updateGeometry();
    }
    // Rows keep their heights: only the width follows the grids.
    QSize size = least;
    if (QLayout* layout = window->layout()) {
        layout->invalidate();
        size.setWidth(std::max(size.width(), layout->minimumSize().width()));
    }
    const QSize growth = size - window->size();
    if (growth.isNull() && window->minimumSize() == size && window->maximumSize() == size)
        return;
    window->setFixedSize(size);
    auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    if (!frame)
        return;
    // The frames standing at the right of this one, beside it, keep their
    // distance from its right edge instead of being covered by it.
    const QRect before = frame->geometry();
    frame->resize(frame->size() + growth);
    if (!frame->mdiArea() || growth.width() == 0)
        return;
    for (QMdiSubWindow* other : frame->mdiArea()->subWindowList()) {
        const QRect place = other->geometry();
        const bool beside = place.top() <= before.bottom() && place.bottom() >= before.top();
        if (other != frame && beside && place.left() >= before.right())
            other->move(place.left() + growth.width(), place.top());
    }
    showWholeArea(frame->mdiArea());
}

void showWholeArea(QMdiArea* area)
{
    int right = 0;
    for (const QMdiSubWindow* frame : area->subWindowList())
        if (frame->isVisible() && !frame->isMinimized())
            right = std::max(right, frame->geometry().right() + 1);
    const int missing = right - area->viewport()->width();
    QWidget* top = area->window();
    if (missing <= 0 || top->isMaximized() || top->isFullScreen())
        return;
    // The main window widens as far as the screen lets it; what stays past
    // its edge is reached with the area's scroll bar, never cut unseen.
    int width = top->width() + missing;
    if (const QScreen* screen = top->screen()) {
        const int frameWidth = top->frameGeometry().width() - top->width();
        width = std::min(width, screen->availableGeometry().width() - frameWidth);
    }
    if (width > top->width())
        top->resize(width, top->height());
}

} // namespace pleq
