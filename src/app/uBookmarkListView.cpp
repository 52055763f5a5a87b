#include "uBookmarkListView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QEvent>
#include <QHeaderView>
#include <QHoverEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTreeView>

#include <utility>

TBookmarkListView::TBookmarkListView(QWidget* Parent) : QTableView(Parent)
{
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(ScrollPerPixel);
    setAttribute(Qt::WA_MacShowFocusRect);

    QHeaderView* Columns = horizontalHeader();
    Columns->setHighlightSections(false);
    Columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Columns->setFirstSectionMovable(false);

    QHeaderView* Rows = verticalHeader();
    Rows->hide();
    Rows->setHighlightSections(false);
    Rows->setSectionResizeMode(QHeaderView::Fixed);
    Rows->setMinimumSectionSize(1);

    FStyleTwin = new QTreeView(this);
    FStyleTwin->setObjectName(QStringLiteral("listStyleTwin"));
    FStyleTwin->hide();
    FStyleTwin->setRootIsDecorated(false);
    FStyleTwin->setUniformRowHeights(true);
    FStyleTwin->setAllColumnsShowFocus(true);
    FStyleTwin->setFocusPolicy(Qt::NoFocus);
}

void TBookmarkListView::setModel(QAbstractItemModel* Model)
{
    if (Model == model())
        return;
    for (const QMetaObject::Connection& C : std::exchange(FModelConnections, {}))
        disconnect(C);
    FHoverRow = -1;
    QTableView::setModel(Model);
    if (!Model)
        return;
    const auto FirstRowMayChange = [this] { UpdateRowHeight(); };
    FModelConnections = {
        connect(Model, &QAbstractItemModel::modelReset, this, FirstRowMayChange),
        connect(Model, &QAbstractItemModel::layoutChanged, this, FirstRowMayChange),
        connect(Model, &QAbstractItemModel::rowsInserted, this, FirstRowMayChange),
        connect(Model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& TopLeft) {
                    if (TopLeft.row() == 0)
                        UpdateRowHeight();
                }),
    };
    UpdateRowHeight();
}

QStyleOptionViewItem TBookmarkListView::ItemOption() const
{
    // The plain view's option, not the table's (which marks every item as drawn
    // with its decoration selected); the rows below set that for whole rows.
    QStyleOptionViewItem Option;
    QAbstractItemView::initViewItemOption(&Option);
    return Option;
}

void TBookmarkListView::UpdateRowHeight()
{
    QAbstractItemModel* Model = model();
    if (!Model || Model->rowCount(rootIndex()) == 0)
        return;
    QStyleOptionViewItem Option = ItemOption();
    Option.widget = FStyleTwin;
    int Height = 0;
    for (int c = 0; c < Model->columnCount(rootIndex()); ++c) {
        if (isColumnHidden(c))
            continue;
        const QModelIndex Index = Model->index(0, c, rootIndex());
        Height = qMax(Height, itemDelegateForIndex(Index)->sizeHint(Option, Index).height());
    }
    QHeaderView* Rows = verticalHeader();
    if (Height > 0 && Height != Rows->defaultSectionSize())
        Rows->setDefaultSectionSize(Height);
}

void TBookmarkListView::changeEvent(QEvent* Event)
{
    QTableView::changeEvent(Event);
    const QEvent::Type T = Event->type();
    // The column header does not always follow a face the window sets after the
    // list exists (a tree's header does): it is handed on here.
    if (T == QEvent::FontChange && horizontalHeader()->font() != font())
        horizontalHeader()->setFont(font());
    if (T == QEvent::FontChange || T == QEvent::StyleChange)
        UpdateRowHeight();
}

void TBookmarkListView::AlignTopRow()
{
    const QScrollBar* Bar = verticalScrollBar();
    if (verticalScrollMode() != ScrollPerItem || Bar->maximum() <= 0
        || Bar->value() != Bar->maximum())
        return;
    QHeaderView* Rows = verticalHeader();
    const int Top = Rows->sectionPosition(Rows->logicalIndex(Bar->value()));
    if (Top >= 0 && Rows->offset() != Top) {
        Rows->setOffset(Top);
        viewport()->update();
    }
}

void TBookmarkListView::scrollContentsBy(int Dx, int Dy)
{
    QTableView::scrollContentsBy(Dx, Dy);
    if (Dy)
        AlignTopRow();
}

void TBookmarkListView::updateGeometries()
{
    QTableView::updateGeometries();
    AlignTopRow();
}

void TBookmarkListView::keyPressEvent(QKeyEvent* Event)
{
    const int Key = Event->key();
    const Qt::KeyboardModifiers Modifiers = Event->modifiers();
    // Alt+Enter belongs to Properties, not to the list's Enter.
    const bool Alt = Modifiers & Qt::AltModifier;
    // The list acts when a key goes down: the release of a key that closed a dialog
    // (Enter on OK) arrives here after the dialog is gone and must not open or delete
    // anything. A held key repeats its press; only the first one acts.
    if ((Key == Qt::Key_Return || Key == Qt::Key_Enter) && !Alt) {
        if (!Event->isAutoRepeat())
            Q_EMIT openRequested();
        return;
    }
    if (Key == Qt::Key_Delete && !Alt) {
        if (!Event->isAutoRepeat())
            Q_EMIT deleteRequested();
        return;
    }
    // Shift+F10 is the other keyboard way to the context menu; it takes the Menu
    // key's path, so the menu opens at the same place.
    if (Key == Qt::Key_F10 && (Modifiers & ~Qt::KeypadModifier) == Qt::ShiftModifier) {
        const QPoint At = inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
        QContextMenuEvent Menu(QContextMenuEvent::Keyboard, At, mapToGlobal(At), Modifiers);
        QApplication::sendEvent(this, &Menu);
        return;
    }
    QTableView::keyPressEvent(Event);
}

QModelIndex TBookmarkListView::moveCursor(CursorAction Action, Qt::KeyboardModifiers Modifiers)
{
    QAbstractItemModel* Model = model();
    const int Rows = Model ? Model->rowCount(rootIndex()) : 0;
    if (Rows == 0)
        return {};
    const QModelIndex Current = currentIndex();
    if (!Current.isValid()) {
        int Column = 0;
        while (Column < Model->columnCount(rootIndex()) && isColumnHidden(Column))
            ++Column;
        return Model->index(0, Column, rootIndex());
    }
    const int Row = Current.row();
    const auto At = [&](int R) {
        return Model->index(qBound(0, R, Rows - 1), Current.column(), rootIndex());
    };
    switch (Action) {
    case MoveUp:
    case MovePrevious:
        return At(Row - 1);
    case MoveDown:
    case MoveNext:
        return At(Row + 1);
    case MoveHome:
        return At(0);
    case MoveEnd:
        return At(Rows - 1);
    case MovePageUp:
    case MovePageDown: {
        // The row a viewport's height away from the current one's top.
        const int Away = viewport()->height() * (Action == MovePageUp ? -1 : 1);
        const int Target = rowAt(rowViewportPosition(Row) + Away);
        return At(Target >= 0 ? Target : (Action == MovePageUp ? 0 : Rows - 1));
    }
    case MoveLeft:
    case MoveRight: {
        // The whole row is selected: the keys move the columns into view.
        QScrollBar* Bar = horizontalScrollBar();
        Bar->setValue(Bar->value() + (Action == MoveLeft ? -1 : 1) * Bar->singleStep());
        return Current;
    }
    }
    return QTableView::moveCursor(Action, Modifiers);
}

void TBookmarkListView::UpdateRow(int Row)
{
    if (Row >= 0)
        viewport()->update(0, rowViewportPosition(Row), viewport()->width(), rowHeight(Row));
}

void TBookmarkListView::SetHoverRow(int Row)
{
    if (Row == FHoverRow)
        return;
    UpdateRow(FHoverRow);
    FHoverRow = Row;
    UpdateRow(FHoverRow);
}

bool TBookmarkListView::viewportEvent(QEvent* Event)
{
    switch (Event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        SetHoverRow(indexAt(static_cast<QHoverEvent*>(Event)->position().toPoint()).row());
        break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
        SetHoverRow(-1);
        break;
    default:
        break;
    }
    return QTableView::viewportEvent(Event);
}

void TBookmarkListView::paintEvent(QPaintEvent* Event)
{
    QAbstractItemModel* Model = model();
    if (!Model)
        return;
    // The twin follows this view's selection rules and the hover its style asks for.
    FStyleTwin->ensurePolished();
    if (FStyleTwin->selectionMode() != selectionMode())
        FStyleTwin->setSelectionMode(selectionMode());
    if (FStyleTwin->selectionBehavior() != selectionBehavior())
        FStyleTwin->setSelectionBehavior(selectionBehavior());
    const bool Hover = FStyleTwin->viewport()->testAttribute(Qt::WA_Hover);
    if (viewport()->testAttribute(Qt::WA_Hover) != Hover)
        viewport()->setAttribute(Qt::WA_Hover, Hover);

    const QModelIndex Root = rootIndex();
    const int Rows = Model->rowCount(Root);
    const QHeaderView* Columns = horizontalHeader();
    const int ColumnCount = Columns->count();
    if (Rows == 0 || ColumnCount == 0)
        return;

    const QRect Area = Event->rect();
    int First = rowAt(Area.top());
    int Last = rowAt(Area.bottom());
    if (First < 0)
        return; // below the last row
    if (Last < 0)
        Last = Rows - 1;

    // The visible columns from left to right, and where each stands in the row.
    QList<int> Order;
    for (int v = 0; v < ColumnCount; ++v) {
        const int Logical = Columns->logicalIndex(v);
        if (!Columns->isSectionHidden(Logical))
            Order << Logical;
    }
    if (Order.isEmpty())
        return;
    const auto Position = [&](qsizetype i) {
        if (Order.size() == 1)
            return QStyleOptionViewItem::OnlyOne;
        if (i == 0)
            return QStyleOptionViewItem::Beginning;
        return i + 1 == Order.size() ? QStyleOptionViewItem::End : QStyleOptionViewItem::Middle;
    };

    const QStyleOptionViewItem Base = ItemOption();
    const QStyle::State State = Base.state;
    const bool Enabled = State & QStyle::State_Enabled;
    const bool WholeRows = selectionBehavior() == SelectRows;
    const QModelIndex Current = currentIndex();
    const bool ShowFocus = hasFocus() && Current.isValid();
    QItemSelectionModel* Selection = selectionModel();
    QPainter Painter(viewport());

    for (int r = First; r <= Last; ++r) {
        if (isRowHidden(r))
            continue;
        const int Y = rowViewportPosition(r);
        const int H = rowHeight(r);
        for (qsizetype i = 0; i < Order.size(); ++i) {
            const int Column = Order[i];
            const QModelIndex Index = Model->index(r, Column, Root);
            if (!Index.isValid())
                continue;
            QStyleOptionViewItem Item = Base;
            Item.widget = FStyleTwin;
            Item.rect = QRect(columnViewportPosition(Column), Y, columnWidth(Column), H);
            if (!Item.rect.intersects(Area))
                continue;
            Item.showDecorationSelected = WholeRows || Base.showDecorationSelected;
            Item.viewItemPosition = Position(i);
            Item.state = State;
            if (Selection && Selection->isSelected(Index))
                Item.state |= QStyle::State_Selected;
            if (ShowFocus && !WholeRows && Index == Current)
                Item.state |= QStyle::State_HasFocus;
            Item.state.setFlag(QStyle::State_MouseOver, WholeRows && r == FHoverRow);
            if (Enabled) {
                QPalette::ColorGroup Group = QPalette::Inactive;
                if (!(Model->flags(Index) & Qt::ItemIsEnabled)) {
                    Item.state &= ~QStyle::State_Enabled;
                    Group = QPalette::Disabled;
                } else if (Item.state & QStyle::State_Active) {
                    Group = QPalette::Active;
                }
                Item.palette.setCurrentColorGroup(Group);
            }
            Item.features.setFlag(QStyleOptionViewItem::Alternate,
                                  alternatingRowColors() && (r & 1));
            // The row's own background (alternate colour) without the selection,
            // which the item draws.
            const QStyle::State Kept = Item.state;
            Item.state &= ~QStyle::State_Selected;
            style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &Item, &Painter, FStyleTwin);
            Item.state = Kept;
            itemDelegateForIndex(Index)->paint(&Painter, Item, Index);
        }
        // One focus frame around the whole current row.
        if (ShowFocus && WholeRows && Current.row() == r) {
            QStyleOptionFocusRect Focus;
            Focus.QStyleOption::operator=(Base);
            Focus.state |= QStyle::State_KeyboardFocusChange;
            const QPalette::ColorGroup Group = Enabled ? QPalette::Normal : QPalette::Disabled;
            Focus.backgroundColor = Base.palette.color(
                Group, Selection && Selection->isSelected(Current) ? QPalette::Highlight
                                                                   : QPalette::Window);
            const QRect Frame(-Columns->offset(), Y, Columns->length(), H);
            Focus.rect = style()->visualRect(layoutDirection(), viewport()->rect(), Frame);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &Focus, &Painter);
        }
    }
}
