#pragma once
// The lobby's user list view: small-icon items of one uniform size flowing left to right
// in lines, scrolled by line. QListView lays out every row again after any insert or
// removal, which with a whole /16 listed costs several frames' time per hello; here a
// row's place is arithmetic, so a change and a frame cost only the rows on screen.
// Everything that places items is replaced; the rest (selection, keys, accessibility)
// stays QListView's.

#include <QListView>

#include <utility>

class CUserListView : public QListView {
    Q_OBJECT
public:
    explicit CUserListView(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void doItemsLayout() override;
    void setModel(QAbstractItemModel* model) override;

protected:
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;
    int horizontalOffset() const override { return 0; }
    int verticalOffset() const override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;

private:
    int Rows() const;
    // Every item has the first item's size hint; the model gives one size for all.
    QSize Cell() const;
    int Columns() const;
    int LineHeight() const;
    // The rows whose line shows in the viewport, as [first, last]; first > last if none.
    std::pair<int, int> VisibleRows() const;
    QRect RowRect(int row) const;
    QModelIndex Index(int row) const;
    // Rows from this one on have moved: repaint only if that shows, and resize the range.
    void RowsMoved(int first);

    mutable QSize m_cell;
};
