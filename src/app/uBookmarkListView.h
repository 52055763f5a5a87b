#pragma once
// The main window's bookmark list: a flat list of uniform rows in columns, with
// whole-row selection. A tree view would do the same but keeps an item of about
// 40 bytes for every row (40 MB for a million bookmarks); this table keeps only
// its row header's few bytes per row. It looks and answers keys like the tree it
// replaced: no grid, one focus frame and one hover mark across the whole row,
// Home and End to the first and last row, Left and Right scroll sideways, Tab
// leaves the list.
//
// The list's own keys are handled here and reach the window as requests: Enter
// asks to open, Delete to delete, and the Menu key or Shift+F10 open the context
// menu (customContextMenuRequested) at the current row.

#include <QList>
#include <QTableView>

class QTreeView;

class TBookmarkListView : public QTableView
{
    Q_OBJECT
public:
    explicit TBookmarkListView(QWidget* Parent = nullptr);

    // The column header (the rows have none).
    QHeaderView* header() const { return horizontalHeader(); }

    void setModel(QAbstractItemModel* Model) override;

Q_SIGNALS:
    void openRequested();
    void deleteRequested();

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    QModelIndex moveCursor(CursorAction Action, Qt::KeyboardModifiers Modifiers) override;
    void paintEvent(QPaintEvent* Event) override;
    bool viewportEvent(QEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void scrollContentsBy(int Dx, int Dy) override;
    void updateGeometries() override;

private:
    // All rows are as high as the first one, as in a tree of uniform rows.
    void UpdateRowHeight();
    // Scrolled to the end row by row, the table would put the last row at the
    // bottom edge and cut the top one; the rows stay aligned at the top instead.
    void AlignTopRow();
    void SetHoverRow(int Row);
    void UpdateRow(int Row);
    QStyleOptionViewItem ItemOption() const;

    // Styles draw the rows of a table in a plainer way than those of a list of
    // columns (the Windows style draws no rounded, light selection); the items are
    // drawn for this hidden tree of the same selection rules, which has no rows.
    QTreeView* FStyleTwin = nullptr;
    int FHoverRow = -1;
    QList<QMetaObject::Connection> FModelConnections;
};
