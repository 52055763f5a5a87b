// The bookmark list against the tree view it replaced, set up as the main window
// set up that tree: the same pixels in the same states, and the same answer to
// every navigation key.

#include "MainWindowFixture.h"

#include <app/uBookmarkListView.h>

#include <support/uTestApplication.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>

#include <memory>
#include <type_traits>

namespace {

QIcon Swatch(Qt::GlobalColor Colour)
{
    QPixmap P(16, 16);
    P.fill(Colour);
    QPainter(&P).drawEllipse(3, 3, 9, 9);
    return QIcon(P);
}

std::unique_ptr<QStandardItemModel> MakeModel(int Rows)
{
    auto Model = std::make_unique<QStandardItemModel>(Rows, 4);
    Model->setHorizontalHeaderLabels({QStringLiteral("Title"), QStringLiteral("URL"),
                                      QStringLiteral("Category"), QStringLiteral("Comment")});
    const Qt::GlobalColor Colours[] = {Qt::red, Qt::darkGreen, Qt::blue};
    for (int r = 0; r < Rows; ++r) {
        auto* Title = new QStandardItem(
            Swatch(Colours[r % 3]),
            QStringLiteral("Site %1 with a title long enough to be cut at the column's end")
                .arg(r, 3, 10, QChar(u'0')));
        Title->setEditable(false);
        Model->setItem(r, 0, Title);
        Model->setItem(r, 1, new QStandardItem(QStringLiteral("https://s%1.example/").arg(r)));
        Model->setItem(r, 2, new QStandardItem(r % 2 ? QStringLiteral("Work") : QString()));
        Model->setItem(r, 3, new QStandardItem(QStringLiteral("note %1").arg(r)));
    }
    return Model;
}

// A view with a line edit after it, so that Tab has somewhere to go.
template <class TView>
struct THost
{
    QWidget Window;
    TView* View = nullptr;
    QLineEdit* After = nullptr;

    THost(QAbstractItemModel* Model, QHeaderView* (TView::*Header)() const)
    {
        View = new TView(&Window);
        After = new QLineEdit(&Window);
        // The main window's own smaller face, set once its widgets exist: the
        // header must take it up too.
        QFont Small = QApplication::font();
        Small.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Arial"),
                           QStringLiteral("Liberation Sans"), Small.family()});
        Small.setPixelSize(11);
        Window.setFont(Small);
        auto* Layout = new QVBoxLayout(&Window);
        Layout->setContentsMargins(0, 0, 0, 0);
        Layout->addWidget(View);
        Layout->addWidget(After);
        View->setContextMenuPolicy(Qt::CustomContextMenu);
        View->setEditTriggers(QAbstractItemView::NoEditTriggers);
        View->setSelectionMode(QAbstractItemView::ExtendedSelection);
        View->setSelectionBehavior(QAbstractItemView::SelectRows);
        if constexpr (std::is_same_v<TView, QTreeView>) {
            // Before the model: a tree told of uniform rows later keeps rows of no height.
            View->setRootIsDecorated(false);
            View->setUniformRowHeights(true);
            View->setItemsExpandable(false);
            View->setAllColumnsShowFocus(true);
        }
        View->setModel(Model);
        QHeaderView* H = (View->*Header)();
        H->setSectionsClickable(true);
        H->setSectionsMovable(false);
        H->setStretchLastSection(false);
        H->setSectionResizeMode(QHeaderView::Interactive);
        H->setSortIndicatorShown(true);
        H->setSortIndicator(0, Qt::AscendingOrder);
        const int Widths[4] = {190, 150, 90, 120};
        for (int c = 0; c < 4; ++c)
            H->resizeSection(c, Widths[c]);
        Window.resize(520, 260);
        Window.show();
        Window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&Window));
        View->setFocus();
    }
};

struct TTreeHost : THost<QTreeView>
{
    explicit TTreeHost(QAbstractItemModel* Model) : THost(Model, &QTreeView::header) {}
};

struct TListHost : THost<TBookmarkListView>
{
    explicit TListHost(QAbstractItemModel* Model) : THost(Model, &TBookmarkListView::header) {}
};

QList<int> SelectedRows(const QAbstractItemView* View)
{
    QList<int> Rows;
    for (const QModelIndex& I : View->selectionModel()->selectedRows())
        Rows << I.row();
    std::sort(Rows.begin(), Rows.end());
    return Rows;
}

class BookmarkListViewTest : public ::testing::Test
{
protected:
    void SetUp() override { EnsureTestApplication(); }
};

} // namespace

TEST_F(BookmarkListViewTest, LooksLikeTheTreeItReplaces)
{
    const auto Model = MakeModel(40);
    TTreeHost Tree(Model.get());
    TListHost List(Model.get());
    const struct
    {
        const char* What;
        QList<int> Selected;
        int Current;
        bool Focused;
        int ScrolledTo;
        int Sideways;
    } Cases[] = {
        {"nothing selected", {}, -1, true, 0, 0},
        {"two rows selected, the second current, focused", {1, 3}, 3, true, 0, 0},
        {"the same without focus", {1, 3}, 3, false, 0, 0},
        {"scrolled down and sideways", {20, 21, 22}, 21, true, 15, 60},
        {"the last rows", {39}, 39, true, 39, 0},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.What);
        QImage Shots[2];
        int i = 0;
        for (QAbstractItemView* View : {static_cast<QAbstractItemView*>(Tree.View),
                                        static_cast<QAbstractItemView*>(List.View)}) {
            View->window()->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(View->window()));
            if (C.Focused)
                View->setFocus();
            else
                View->window()->findChild<QLineEdit*>()->setFocus();
            View->clearSelection();
            View->selectionModel()->setCurrentIndex(Model->index(qMax(0, C.Current), 0),
                                                    QItemSelectionModel::NoUpdate);
            if (C.Current < 0)
                View->selectionModel()->clearCurrentIndex();
            for (int r : C.Selected)
                View->selectionModel()->select(Model->index(r, 0), QItemSelectionModel::Select
                                                                       | QItemSelectionModel::Rows);
            View->scrollTo(Model->index(C.ScrolledTo, 0), QAbstractItemView::PositionAtTop);
            View->horizontalScrollBar()->setValue(C.Sideways);
            QCoreApplication::processEvents();
            Shots[i++] = View->grab().toImage();
        }
        ASSERT_EQ(Shots[0].size(), Shots[1].size());
        EXPECT_TRUE(Shots[0] == Shots[1]);
        if (Shots[0] != Shots[1]) {
            Shots[0].save(QStringLiteral("/tmp/zorvel-list-tree.png"));
            Shots[1].save(QStringLiteral("/tmp/zorvel-list-table.png"));
        }
    }
}

TEST_F(BookmarkListViewTest, EveryNavigationKeyGoesWhereTheTreesWent)
{
    const auto Model = MakeModel(120);
    TTreeHost Tree(Model.get());
    TListHost List(Model.get());
    const struct
    {
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        int StartRow;
    } Cases[] = {
        {Qt::Key_Down, {}, 5},
        {Qt::Key_Up, {}, 5},
        {Qt::Key_Up, {}, 0},
        {Qt::Key_Down, {}, 119},
        {Qt::Key_Home, {}, 60},
        {Qt::Key_End, {}, 3},
        {Qt::Key_Home, Qt::ControlModifier, 60},
        {Qt::Key_End, Qt::ShiftModifier, 100},
        {Qt::Key_PageDown, {}, 0},
        {Qt::Key_PageDown, {}, 50},
        {Qt::Key_PageUp, {}, 50},
        {Qt::Key_PageUp, {}, 2},
        {Qt::Key_PageDown, Qt::ShiftModifier, 110},
        {Qt::Key_Down, Qt::ShiftModifier, 7},
        {Qt::Key_Left, {}, 9},
        {Qt::Key_Right, {}, 9},
        {Qt::Key_A, Qt::ControlModifier, 4},
        {Qt::Key_S, {}, 4}, // type-to-search: the titles all start with "Site"
        {Qt::Key_Space, Qt::ControlModifier, 6},
        {Qt::Key_Tab, {}, 6},
        {Qt::Key_Backtab, Qt::ShiftModifier, 6},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(QTest::toString(QKeySequence(C.Key | C.Modifiers)));
        SCOPED_TRACE(C.StartRow);
        struct TResult
        {
            int Current;
            QList<int> Selected;
            int Sideways;
            int TopRow;
            bool KeptFocus;
        } Results[2];
        int i = 0;
        for (QAbstractItemView* View : {static_cast<QAbstractItemView*>(Tree.View),
                                        static_cast<QAbstractItemView*>(List.View)}) {
            View->window()->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(View->window()));
            View->setFocus();
            View->horizontalScrollBar()->setValue(30);
            // The user clicks the row, then presses the key.
            const QModelIndex Start = Model->index(C.StartRow, 1);
            View->scrollTo(Start);
            QTest::mouseClick(View->viewport(), Qt::LeftButton, {},
                              View->visualRect(Start).center());
            if (!QKeySequence(C.Key).toString().isEmpty() && C.Key < Qt::Key_Escape)
                QTest::qWait(QApplication::keyboardInputInterval() + 10); // a new search
            QTest::keyClick(View, C.Key, C.Modifiers);
            Results[i++] = {View->currentIndex().row(), SelectedRows(View),
                            View->horizontalScrollBar()->value(), View->indexAt(QPoint(1, 1)).row(),
                            View->hasFocus()};
        }
        EXPECT_EQ(Results[1].Current, Results[0].Current);
        EXPECT_EQ(Results[1].Selected, Results[0].Selected);
        EXPECT_EQ(Results[1].Sideways, Results[0].Sideways);
        EXPECT_EQ(Results[1].TopRow, Results[0].TopRow);
        EXPECT_EQ(Results[1].KeptFocus, Results[0].KeptFocus);
    }
}

// Enter, Delete and Shift+F10 are the list's own: it tells the
// window what was asked, and the keys it leaves alone reach no request.
TEST_F(BookmarkListViewTest, TheListsOwnKeysBecomeRequests)
{
    const auto Model = MakeModel(20);
    TListHost List(Model.get());
    QSignalSpy Open(List.View, &TBookmarkListView::openRequested);
    QSignalSpy Delete(List.View, &TBookmarkListView::deleteRequested);
    QSignalSpy Menu(List.View, &QWidget::customContextMenuRequested);
    List.View->setCurrentIndex(Model->index(7, 0));
    const struct
    {
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        int Opens, Deletes, Menus;
    } Cases[] = {
        {Qt::Key_Return, {}, 1, 0, 0},
        {Qt::Key_Enter, Qt::KeypadModifier, 1, 0, 0},
        {Qt::Key_Delete, {}, 0, 1, 0},
        {Qt::Key_Return, Qt::AltModifier, 0, 0, 0}, // Properties' shortcut, not the list's
        {Qt::Key_F10, Qt::ShiftModifier, 0, 0, 1},
        {Qt::Key_F10, {}, 0, 0, 0},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(QTest::toString(QKeySequence(C.Key | C.Modifiers)));
        Open.clear();
        Delete.clear();
        Menu.clear();
        QTest::keyClick(List.View, C.Key, C.Modifiers);
        EXPECT_EQ(Open.size(), C.Opens);
        EXPECT_EQ(Delete.size(), C.Deletes);
        EXPECT_EQ(Menu.size(), C.Menus);
    }
    // The menu opens at the current row, as the Menu key's does (the window system
    // turns that key into a context-menu event of its own, so it is not a case here).
    Menu.clear();
    List.View->setCurrentIndex(Model->index(12, 0));
    QTest::keyClick(List.View, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(Menu.size(), 1);
    const QRect Row = List.View->visualRect(Model->index(12, 0));
    EXPECT_EQ(Menu[0][0].toPoint().y(), Row.center().y());
}

TEST_F(MainWindowTest, TheListsColumnHeaderTakesTheWindowsFace)
{
    Start({});
    Form->show();
    QCoreApplication::processEvents();
    const TBookmarkListView* List = Form->bookmarkList();
    EXPECT_EQ(List->font(), Form->font());
    EXPECT_EQ(List->header()->font(), Form->font());
}
