#include "CUserListView.h"

#include <QCursor>
#include <QItemSelection>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>

#include <algorithm>
#include <utility>

CUserListView::CUserListView(QWidget* parent) : QListView(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
}

int CUserListView::Rows() const { return model() ? model()->rowCount(rootIndex()) : 0; }

QModelIndex CUserListView::Index(int row) const
{
    return model() ? model()->index(row, modelColumn(), rootIndex()) : QModelIndex();
}

QSize CUserListView::Cell() const
{
    if (!m_cell.isValid() && Rows() > 0) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        m_cell = itemDelegate()->sizeHint(option, Index(0)).expandedTo(QSize(1, 1));
    }
    return m_cell.isValid() ? m_cell : QSize(1, 1);
}

int CUserListView::Columns() const
{
    const int step = Cell().width() + spacing();
    return std::max(1, (viewport()->width() - spacing()) / step);
}

int CUserListView::LineHeight() const { return Cell().height() + spacing(); }

int CUserListView::verticalOffset() const { return verticalScrollBar()->value(); }

QRect CUserListView::RowRect(int row) const
{
    const int columns = Columns();
    const QSize cell = Cell();
    return QRect(spacing() + (row % columns) * (cell.width() + spacing()),
                 spacing() + (row / columns) * LineHeight() - verticalOffset(), cell.width(),
                 cell.height());
}

std::pair<int, int> CUserListView::VisibleRows() const
{
    const int columns = Columns();
    const int firstLine = std::max(0, (verticalOffset() - spacing()) / LineHeight());
    const int lastLine = (verticalOffset() + viewport()->height()) / LineHeight();
    return {firstLine * columns, std::min(Rows() - 1, (lastLine + 1) * columns - 1)};
}

QRect CUserListView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.parent() != rootIndex() || index.column() != modelColumn())
        return {};
    return RowRect(index.row());
}

QModelIndex CUserListView::indexAt(const QPoint& point) const
{
    const QSize cell = Cell();
    const int x = point.x() - spacing();
    const int y = point.y() + verticalOffset() - spacing();
    if (x < 0 || y < 0 || x % (cell.width() + spacing()) >= cell.width() ||
        y % LineHeight() >= cell.height())
        return {};
    const int column = x / (cell.width() + spacing());
    if (column >= Columns())
        return {};
    const long long row = (long long)(y / LineHeight()) * Columns() + column;
    return row < Rows() ? Index(int(row)) : QModelIndex();
}

void CUserListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    const QRect rect = visualRect(index);
    if (rect.isNull())
        return;
    QScrollBar* bar = verticalScrollBar();
    const int top = rect.top() - spacing();
    const int bottom = rect.bottom() + 1 + spacing() - viewport()->height();
    if (hint == PositionAtTop || (hint == EnsureVisible && top < 0))
        bar->setValue(bar->value() + top);
    else if (hint == PositionAtBottom || (hint == EnsureVisible && bottom > 0))
        bar->setValue(bar->value() + bottom);
    else if (hint == PositionAtCenter)
        bar->setValue(bar->value() + (top + bottom) / 2);
}

void CUserListView::doItemsLayout()
{
    m_cell = QSize();
    QAbstractItemView::doItemsLayout();
}

void CUserListView::setModel(QAbstractItemModel* model)
{
    QListView::setModel(model);
    if (model) {
        connect(model, &QAbstractItemModel::rowsRemoved, this,
                [this](const QModelIndex& parent, int first) {
                    if (parent == rootIndex())
                        RowsMoved(first);
                });
    }
}

void CUserListView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    if (parent == rootIndex())
        RowsMoved(start);
}

void CUserListView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    // Only the selection and the current item; the rows move once they are gone.
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
}

void CUserListView::RowsMoved(int first)
{
    const int lastLine = (verticalOffset() + viewport()->height()) / LineHeight();
    if (first < (lastLine + 1) * Columns())
        viewport()->update();
    updateGeometries();
}

void CUserListView::scrollContentsBy(int, int) { viewport()->update(); }

void CUserListView::updateGeometries()
{
    const int lines = (Rows() + Columns() - 1) / Columns();
    const int height = spacing() + lines * LineHeight();
    QScrollBar* bar = verticalScrollBar();
    bar->setSingleStep(LineHeight());
    bar->setPageStep(viewport()->height());
    bar->setRange(0, std::max(0, height - viewport()->height()));
    QAbstractItemView::updateGeometries();
}

void CUserListView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex current = currentIndex();
    const QModelIndex hover = indexAt(viewport()->mapFromGlobal(QCursor::pos()));
    const auto [first, last] = VisibleRows();
    for (int row = first; row <= last; ++row) {
        const QRect rect = RowRect(row);
        if (!event->rect().intersects(rect))
            continue;
        const QModelIndex index = Index(row);
        QStyleOptionViewItem item = option;
        item.rect = rect;
        if (selectionModel() && selectionModel()->isSelected(index))
            item.state |= QStyle::State_Selected;
        if (index == current && hasFocus())
            item.state |= QStyle::State_HasFocus;
        if (index == hover && underMouse())
            item.state |= QStyle::State_MouseOver;
        itemDelegateForIndex(index)->paint(&painter, item, index);
    }
}

QModelIndex CUserListView::moveCursor(CursorAction action, Qt::KeyboardModifiers)
{
    const int rows = Rows();
    if (rows == 0)
        return {};
    const int columns = Columns();
    const int page = std::max(1, viewport()->height() / LineHeight()) * columns;
    int row = currentIndex().isValid() ? currentIndex().row() : -1;
    if (row < 0)
        return Index(0);
    switch (action) {
    case MoveLeft:
    case MovePrevious:
        --row;
        break;
    case MoveRight:
    case MoveNext:
        ++row;
        break;
    case MoveUp:
        row -= columns;
        break;
    case MoveDown:
        row += columns;
        break;
    case MovePageUp:
        row -= page;
        break;
    case MovePageDown:
        row += page;
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = rows - 1;
        break;
    }
    return Index(std::clamp(row, 0, rows - 1));
}

void CUserListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    if (!selectionModel())
        return;
    const QRect area = rect.normalized();
    const QSize cell = Cell();
    const int step = cell.width() + spacing();
    const int columns = Columns();
    const int left = std::clamp((area.left() - spacing()) / step, 0, columns - 1);
    const int right = std::clamp((area.right() - spacing()) / step, 0, columns - 1);
    const int top = std::max(0, (area.top() + verticalOffset() - spacing()) / LineHeight());
    const int bottom = std::max(0, (area.bottom() + verticalOffset() - spacing()) / LineHeight());
    QItemSelection selection;
    for (int line = top; line <= bottom; ++line) {
        const int first = line * columns + left;
        const int last = std::min(Rows() - 1, line * columns + right);
        if (first <= last)
            selection.select(Index(first), Index(last));
    }
    selectionModel()->select(selection, command);
}

QRegion CUserListView::visualRegionForSelection(const QItemSelection& selection) const
{
    // Only rows on screen can need painting.
    const auto [first, last] = VisibleRows();
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        if (range.parent() != rootIndex())
            continue;
        for (int row = std::max(first, range.top()); row <= std::min(last, range.bottom()); ++row)
            region += RowRect(row);
    }
    return region;
}
