// The folder pane by the keyboard (arrows, type-ahead, the switch) and the
// folder picker of "Move to folder" (narrowing, a new folder, no folder).

#include <app/uFolderPane.h>
#include <app/uFolderTreeModel.h>
#include <app/uFrmFolderPicker.h>
#include <support/uTestApplication.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

TWebSiteList ListOf(const QStringList& Categories)
{
    TWebSiteList list;
    for (qsizetype i = 0; i < Categories.size(); ++i) {
        TWebSite s;
        s.URL = u"https://example.com/%1"_s.arg(i);
        s.Category = Categories[i];
        list.Append(std::move(s));
    }
    return list;
}

} // namespace

TEST(FolderPane, KeyboardMovesTypeAheadFindsAndTheSwitchFilters)
{
    EnsureTestApplication();
    TFolderTreeModel model;
    model.Tree().Build(ListOf({u"Work\\Reports"_s, u"Travel"_s, u"Work"_s, u""_s}));
    TFolderPane pane;
    pane.SetModel(&model);
    pane.resize(240, 400);
    pane.show();
    QSignalSpy changed(&pane, &TFolderPane::filterChanged);
    QTreeView* tree = pane.treeView();
    tree->setFocus();
    EXPECT_EQ(pane.Filter(), TFolderFilter{});

    // All, then Travel, then Work; type-ahead goes to Work's sub-folder by name.
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(pane.Filter(), (TFolderFilter{true, u"Travel"_s, true}));
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(pane.CurrentFolder(), u"Work"_s);
    QTest::keyClick(tree, Qt::Key_Right); // opens Work
    QTest::keyClicks(tree, u"Rep"_s);
    EXPECT_EQ(pane.CurrentFolder(), u"Work\\Reports"_s);
    QTest::keyClick(tree, Qt::Key_End);
    EXPECT_EQ(pane.Filter(), (TFolderFilter{true, u""_s, false})); // No folder
    QTest::keyClick(tree, Qt::Key_Up);
    QTest::keyClick(tree, Qt::Key_Up);
    EXPECT_EQ(pane.CurrentFolder(), u"Work"_s);
    const qsizetype moves = changed.size();
    EXPECT_GE(moves, 5);

    pane.belowBox()->setChecked(false);
    EXPECT_EQ(changed.size(), moves + 1);
    EXPECT_EQ(pane.Filter(), (TFolderFilter{true, u"Work"_s, false}));

    // Showing a filter from outside tells nobody.
    pane.ShowFilter({true, u"Travel"_s, true});
    EXPECT_EQ(changed.size(), moves + 1);
    EXPECT_EQ(pane.CurrentFolder(), u"Travel"_s);
    EXPECT_TRUE(pane.IncludeBelow());
    EXPECT_EQ(tree->currentIndex().data(Qt::AccessibleTextRole).toString(), u"Travel, 1 entries"_s);
}

TEST(FolderPicker, NarrowsByEveryWordAndOffersANewFolder)
{
    EnsureTestApplication();
    TFrmFolderPicker picker;
    const QStringList folders = {u"Work"_s, u"Work\\Reports 2026"_s, u"Travel\\Japan"_s,
                                 u"Travel\\Reports"_s};
    picker.SetFolders(folders, u"Travel\\Japan"_s);
    EXPECT_EQ(picker.Chosen(), u"Travel\\Japan"_s);
    EXPECT_EQ(picker.folderList()->count(), 5); // with (No folder) first

    struct
    {
        QString Typed;
        QStringList Shown;
        std::optional<QString> Chosen;
    } const cases[] = {
        {u"reports"_s,
         {u"Work\\Reports 2026"_s, u"Travel\\Reports"_s, u"New folder: reports"_s},
         u"Work\\Reports 2026"_s},
        {u"travel rep"_s,
         {u"Travel\\Reports"_s, u"New folder: travel rep"_s},
         u"Travel\\Reports"_s},
        {u"Travel\\Japan"_s, {u"Travel\\Japan"_s}, u"Travel\\Japan"_s},
        {u" Home \\ Kitchen "_s, {u"New folder: Home\\Kitchen"_s}, u"Home\\Kitchen"_s},
        {u""_s,
         {u"(No folder)"_s, u"Work"_s, u"Work\\Reports 2026"_s, u"Travel\\Japan"_s,
          u"Travel\\Reports"_s},
         u""_s},
    };
    for (const auto& c : cases) {
        picker.searchEdit()->setText(c.Typed);
        QStringList shown;
        for (int i = 0; i < picker.folderList()->count(); ++i)
            shown << picker.folderList()->item(i)->text();
        EXPECT_EQ(shown, c.Shown) << c.Typed.toStdString();
        EXPECT_EQ(picker.Chosen(), c.Chosen) << c.Typed.toStdString();
    }
    // Down in the search box moves in the list.
    picker.searchEdit()->setText(u"reports"_s);
    QTest::keyClick(picker.searchEdit(), Qt::Key_Down);
    EXPECT_EQ(picker.Chosen(), u"Travel\\Reports"_s);
}
