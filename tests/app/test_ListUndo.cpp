// Undo and redo of list changes: the difference a step keeps, its reversal on
// generated lists, the window's commands, and the memory bound of the stack.

#include "MainWindowFixture.h"

#include <app/uListSession.h>
#include <app/uListUndo.h>

#include <QAction>
#include <QMenu>
#include <QRandomGenerator>
#include <QTest>
#include <QUndoStack>

#include <algorithm>
#include <random>

namespace {

// The entries' texts in order, one line each (readable when a test fails).
std::vector<std::string> Contents(const std::vector<TWebSite>& Items)
{
    std::vector<std::string> Out;
    for (const TWebSite& S : Items)
        Out.push_back(
            (S.Title + u'|' + S.URL + u'|' + S.Category + u'|' + S.Comment).toStdString());
    return Out;
}

std::vector<std::string> Contents(const TWebSiteList& List)
{
    return Contents(std::vector<TWebSite>(List.begin(), List.end()));
}

std::vector<TWebSite> Generated(QRandomGenerator& Rng, int Count)
{
    std::vector<TWebSite> Items;
    for (int i = 0; i < Count; ++i) {
        // Few distinct values, so duplicates and equal titles occur.
        const int k = int(Rng.bounded(Count / 2 + 1));
        Items.push_back(MakeSite(QStringLiteral("T%1").arg(k),
                                 QStringLiteral("http://%1.example/").arg(k),
                                 QStringLiteral("C%1").arg(k % 3)));
    }
    return Items;
}

} // namespace

TEST(ListChange, UndoAndRedoRestoreEveryGeneratedChangeExactly)
{
    QRandomGenerator Rng(20261210);
    for (int Round = 0; Round < 300; ++Round) {
        const std::vector<TWebSite> Before = Generated(Rng, int(Rng.bounded(0, 40)));
        std::vector<TWebSite> After;
        // Some entries go, some change, some come in; then the order is shuffled.
        for (const TWebSite& S : Before) {
            const int Dice = int(Rng.bounded(10));
            if (Dice == 0)
                continue;
            TWebSite Kept = S;
            if (Dice == 1)
                Kept.Category = QStringLiteral("Archive");
            After.push_back(Kept);
        }
        for (const TWebSite& S : Generated(Rng, int(Rng.bounded(0, 5))))
            After.insert(After.begin() + qsizetype(Rng.bounded(qsizetype(After.size()) + 1)), S);
        if (Round % 2)
            std::shuffle(After.begin(), After.end(), std::mt19937(Round));

        const TListChange Change = ListDifference(Before, After);
        std::vector<TWebSite> Undone = After;
        UndoListChange(Undone, Change);
        ASSERT_EQ(Contents(Undone), Contents(Before)) << "round " << Round;
        std::vector<TWebSite> Redone = Undone;
        RedoListChange(Redone, Change);
        ASSERT_EQ(Contents(Redone), Contents(After)) << "round " << Round;

        // Re-sorted after the change: the same entries come back, in some order.
        std::vector<TWebSite> Sorted = After;
        std::sort(Sorted.begin(), Sorted.end(),
                  [](const TWebSite& A, const TWebSite& B) { return A.URL < B.URL; });
        UndoListChange(Sorted, Change);
        auto Got = Contents(Sorted), Want = Contents(Before);
        std::sort(Got.begin(), Got.end());
        std::sort(Want.begin(), Want.end());
        ASSERT_EQ(Got, Want) << "round " << Round;
        // The step keeps only what changed.
        EXPECT_LE(Change.Removed.size() + Change.Added.size(), Before.size() + After.size());
    }
}

TEST(ListChange, NothingChangedGivesAnEmptyStepAndFlagsDoNotCount)
{
    std::vector<TWebSite> Before = {MakeSite(QStringLiteral("A"), QStringLiteral("http://a/")),
                                    MakeSite(QStringLiteral("B"), QStringLiteral("http://b/"))};
    std::vector<TWebSite> After = {Before[1], Before[0]};
    After[0].Selected = true;
    After[1].Visible = false;
    EXPECT_TRUE(ListDifference(Before, After).isEmpty());
}

TEST_F(MainWindowTest, UndoOfDeleteClearAllAndBulkEditRestoresTheExactEntriesInOrder)
{
    std::vector<TWebSite> Sites;
    for (int i = 0; i < 50; ++i)
        Sites.push_back(MakeSite(QStringLiteral("Site %1").arg(i, 2, 10, QLatin1Char('0')),
                                 QStringLiteral("http://s%1.example/").arg(i),
                                 QStringLiteral("Cat%1").arg(i % 4),
                                 QStringLiteral("note %1").arg(i)));
    Start(Sites);
    const auto Original = Contents(Form->WebSiteList());
    ASSERT_EQ(Original.size(), 50);
    QAction* Undo = Form->UndoAction();
    QAction* Redo = Form->RedoAction();
    ASSERT_NE(Undo, nullptr);
    EXPECT_FALSE(Undo->isEnabled());

    // Delete three rows, then undo and redo.
    Form->SelectRows({3, 10, 49});
    Form->onDeleteSelected();
    const auto AfterDelete = Contents(Form->WebSiteList());
    EXPECT_EQ(AfterDelete.size(), 47);
    ASSERT_TRUE(Undo->isEnabled());
    Undo->trigger();
    EXPECT_EQ(Contents(Form->WebSiteList()), Original);
    EXPECT_EQ(Rows(), 50);
    Redo->trigger();
    EXPECT_EQ(Contents(Form->WebSiteList()), AfterDelete);
    Undo->trigger();

    // A bulk Property edit of every row.
    Form->PropertyFn = [](TWebSiteList& List) {
        for (qsizetype i = 0; i < List.Count(); ++i)
            if (List[i].Selected && List[i].Visible)
                List[i].Category = QStringLiteral("Archive");
        return true;
    };
    QList<int> All;
    for (int r = 0; r < 50; ++r)
        All << r;
    Form->SelectRows(All);
    Form->onProperties();
    EXPECT_EQ(Form->WebSiteList()[7].Category, QStringLiteral("Archive"));
    Undo->trigger();
    EXPECT_EQ(Contents(Form->WebSiteList()), Original);

    // Clear All asks nothing and is undone in one step, also by its keys.
    Form->show();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    Form->bookmarkList()->setFocus();
    Form->onClearAll();
    EXPECT_TRUE(Confirmations.isEmpty());
    EXPECT_EQ(Rows(), 0);
    QTest::keyClick(Form->bookmarkList(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Contents(Form->WebSiteList()), Original);
    EXPECT_EQ(Rows(), 50);
    QTest::keyClick(Form->bookmarkList(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Rows(), 0);
    Undo->trigger();

    // A drop is undone too.
    Form->onDrop(QStringLiteral("http://new.example/"), QStringLiteral("New"), {});
    EXPECT_EQ(Rows(), 51);
    Undo->trigger();
    EXPECT_EQ(Contents(Form->WebSiteList()), Original);

    // The context menu offers both.
    const QList<QAction*> Menu = Form->contextMenu()->actions();
    EXPECT_TRUE(Menu.contains(Undo));
    EXPECT_TRUE(Menu.contains(Redo));
}

TEST(ListUndoStack, KeepsAtMostTheBudgetAndAlwaysTheNewestStep)
{
    EnsureTestApplication();
    TListSession Session;
    const TWebSiteList& List = Session.List();
    TListUndo& Undo = Session.Undo();
    Undo.SetByteBudget(20000);
    auto Add = [&](int i) {
        Session.Change(QStringLiteral("Add"), [&](TWebSiteList& L) {
            L.Append(MakeSite(QStringLiteral("T%1").arg(i),
                              QStringLiteral("http://%1.example/").arg(i), QString(),
                              QString(1000, u'x')));
        });
    };
    for (int i = 0; i < 30; ++i)
        Add(i);
    // Each step holds one entry of about 2 kB.
    EXPECT_LE(Undo.Bytes(), 20000);
    EXPECT_GE(Undo.Count(), 5);
    EXPECT_LT(Undo.Count(), 30);
    const int Kept = Undo.Count();
    for (int i = 0; i < Kept; ++i)
        Undo.Stack()->undo();
    // The oldest steps are gone; their entries stay.
    EXPECT_EQ(List.Count(), 30 - Kept);
    EXPECT_FALSE(Undo.Stack()->canUndo());
    for (int i = 0; i < Kept; ++i)
        Undo.Stack()->redo();
    EXPECT_EQ(List.Count(), 30);

    // One step larger than the whole budget is still kept.
    Session.ClearAll(QStringLiteral("Clear All"));
    EXPECT_EQ(Undo.Count(), 1);
    Undo.Stack()->undo();
    EXPECT_EQ(List.Count(), 30);

    // And never more steps than the limit.
    TListSession Other;
    TListUndo& Many = Other.Undo();
    for (int i = 0; i < TListUndo::MaxSteps + 20; ++i)
        Other.Change(QStringLiteral("Add"), [&](TWebSiteList& L) {
            L.Append(MakeSite(QStringLiteral("T"), QStringLiteral("http://%1/").arg(i)));
        });
    EXPECT_EQ(Many.Count(), TListUndo::MaxSteps);
    EXPECT_EQ(Many.Stack()->undoText(), QStringLiteral("Add"));
}
