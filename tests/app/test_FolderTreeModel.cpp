// The folder tree's item model: its rows follow the tree's changes one by one
// (checked by Qt's model tester and against a model built afresh), the texts a
// view and a screen reader get, and what drops on it ask for.

#include <app/uFolderTreeModel.h>
#include <model/uWebSiteFolders.h>
#include <support/uTestApplication.h>

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QPersistentModelIndex>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

TWebSiteList ListOf(const QStringList& Categories)
{
    TWebSiteList list;
    for (qsizetype i = 0; i < Categories.size(); ++i) {
        TWebSite s;
        s.URL = u"https://example.com/%1"_s.arg(i);
        s.Category = Categories[i];
        s.Visible = true;
        list.Append(std::move(s));
    }
    return list;
}

// Every row a view would show, indented by depth.
QString Rows(const QAbstractItemModel& Model, const QModelIndex& Parent = {}, int Depth = 0)
{
    QString out;
    for (int r = 0; r < Model.rowCount(Parent); ++r) {
        const QModelIndex at = Model.index(r, 0, Parent);
        EXPECT_EQ(Model.parent(at), Parent);
        out += QString(Depth * 2, u' ') + at.data().toString() + u'\n';
        out += Rows(Model, at, Depth + 1);
    }
    return out;
}

// The tree told of a change of List the way the window tells it.
void Follow(TFolderTree& Tree, const std::vector<TWebSite>& Before, const TWebSiteList& After)
{
    for (const TWebSite& s : Before)
        Tree.Remove(s.Category);
    for (const TWebSite& s : After)
        Tree.Add(s.Category);
    Tree.Flush();
}

} // namespace

TEST(FolderTreeModel, RowsFollowEachChangeAsAFreshModelShowsThem)
{
    EnsureTestApplication();
    const QStringList start = {u"Bookmarks Toolbar"_s,
                               u"A"_s,
                               u"A\\B"_s,
                               u"A\\B\\C"_s,
                               u""_s,
                               u"X"_s,
                               u"X\\A"_s,
                               u"A\\B"_s};
    TFolderMarks marks;
    marks.Landmarks.insert(u"Bookmarks Toolbar"_s, TFolderLandmark::Toolbar);
    struct
    {
        const char* What;
        std::function<void(TWebSiteList&)> Change;
    } const cases[] = {
        {"entries to a new folder",
         [](TWebSiteList& l) {
             l[1].Selected = l[4].Selected = true;
             WebSitesMoveSelectedToFolder(l, u"X\\New"_s);
         }},
        {"a folder renamed with those below",
         [](TWebSiteList& l) { WebSitesRenameFolder(l, u"A"_s, u"Zed"_s); }},
        {"a folder merged into another",
         [](TWebSiteList& l) { WebSitesRenameFolder(l, u"X\\A"_s, u"A"_s); }},
        {"a folder deleted", [](TWebSiteList& l) { WebSitesDeleteFolder(l, u"X"_s); }},
        {"the toolbar emptied",
         [](TWebSiteList& l) { WebSitesDeleteFolder(l, u"Bookmarks Toolbar"_s); }},
    };
    for (const auto& c : cases) {
        TWebSiteList list = ListOf(start);
        TFolderTreeModel model;
        model.Tree().Build(list, marks);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        // A view's current folder stays put while others come and go.
        const QPersistentModelIndex current = model.IndexOfPath(u"A\\B\\C"_s);
        const std::vector<TWebSite> before(list.begin(), list.end());
        c.Change(list);
        Follow(model.Tree(), before, list);

        TFolderTreeModel fresh;
        fresh.Tree().Build(list, marks);
        EXPECT_EQ(Rows(model), Rows(fresh)) << c.What;
        if (model.Tree().Find(u"A\\B\\C") >= 0)
            EXPECT_EQ(current, model.IndexOfPath(u"A\\B\\C"_s)) << c.What;
        else
            EXPECT_FALSE(current.isValid()) << c.What;

        // Undo: the rows of the start come back.
        Follow(model.Tree(), std::vector<TWebSite>(list.begin(), list.end()), ListOf(start));
        TFolderTreeModel original;
        original.Tree().Build(ListOf(start), marks);
        EXPECT_EQ(Rows(model), Rows(original)) << c.What << " undone";
    }
}

TEST(FolderTreeModel, NamesCountsAndMarksForViewsAndScreenReaders)
{
    EnsureTestApplication();
    TFolderTreeModel model;
    TFolderMarks marks;
    marks.Landmarks.insert(u"Other Bookmarks"_s, TFolderLandmark::Other);
    marks.EmptyFolders = {u"Empty"_s};
    model.Tree().Build(ListOf({u"Other Bookmarks"_s, u"Other Bookmarks\\News"_s,
                               u"Other Bookmarks\\News"_s, u""_s}),
                       marks);
    EXPECT_EQ(Rows(model), u"All bookmarks (4)\n"
                           "  Other Bookmarks (1 / 3)\n"
                           "    News (2)\n"
                           "  Empty (0)\n"
                           "  No folder (1)\n"_s);
    const QModelIndex other = model.IndexOfPath(u"Other Bookmarks"_s);
    EXPECT_EQ(other.data(Qt::AccessibleTextRole).toString(), u"Other Bookmarks, 3 entries"_s);
    EXPECT_TRUE(other.data(Qt::ToolTipRole).toString().contains(u"other bookmarks"_s));
    EXPECT_TRUE(other.data(Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(other.data(TFolderTreeModel::PathRole).toString(), u"Other Bookmarks"_s);

    struct
    {
        QModelIndex Node;
        TFolderFilter Filter;
    } const filters[] = {
        {model.AllIndex(), {}},
        {model.NoFolderIndex(), {true, u""_s, false}},
        {other, {true, u"Other Bookmarks"_s, true}},
    };
    for (const auto& f : filters) {
        EXPECT_EQ(model.FilterOf(f.Node, true), f.Filter) << f.Node.data().toString().toStdString();
        EXPECT_EQ(model.IndexOfFilter(f.Filter), f.Node) << f.Node.data().toString().toStdString();
    }
    // A filter whose folder has gone selects All.
    EXPECT_EQ(model.IndexOfFilter({true, u"Gone"_s, true}), model.AllIndex());
}

TEST(FolderTreeModel, DropsSayWhatGoesWhereAndRefuseAFolderIntoItself)
{
    EnsureTestApplication();
    TFolderTreeModel model;
    model.Tree().Build(ListOf({u"A\\B"_s, u"C"_s}));
    QSignalSpy entries(&model, &TFolderTreeModel::entriesDropped);
    QSignalSpy folders(&model, &TFolderTreeModel::folderDropped);

    const auto folderData = [&](const QString& Path) {
        auto data = std::make_unique<QMimeData>();
        data->setData(QString::fromLatin1(TFolderTreeModel::FolderMimeType), Path.toUtf8());
        return data;
    };
    struct
    {
        QString From;
        QModelIndex On;
        bool Allowed;
    } const cases[] = {
        {u"A"_s, model.IndexOfPath(u"C"_s), true},
        {u"A\\B"_s, model.AllIndex(), true},           // to the top level
        {u"A\\B"_s, model.IndexOfPath(u"A"_s), false}, // where it is already
        {u"A"_s, model.IndexOfPath(u"A\\B"_s), false}, // into itself
        {u"A"_s, model.IndexOfPath(u"A"_s), false},
    };
    for (const auto& c : cases) {
        const auto data = folderData(c.From);
        EXPECT_EQ(model.canDropMimeData(data.get(), Qt::MoveAction, -1, -1, c.On), c.Allowed)
            << c.From.toStdString() << " on " << c.On.data().toString().toStdString();
    }
    const auto data = folderData(u"A"_s);
    model.dropMimeData(data.get(), Qt::MoveAction, -1, -1, model.IndexOfPath(u"C"_s));
    ASSERT_EQ(folders.size(), 1);
    EXPECT_EQ(folders[0][0].toString(), u"A"_s);
    EXPECT_EQ(folders[0][1].toString(), u"C"_s);

    QMimeData list;
    list.setData(QString::fromLatin1(TFolderTreeModel::EntriesMimeType), {});
    model.dropMimeData(&list, Qt::MoveAction, -1, -1, model.NoFolderIndex());
    model.dropMimeData(&list, Qt::MoveAction, -1, -1, model.IndexOfPath(u"A\\B"_s));
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0][0].toString(), u""_s);
    EXPECT_EQ(entries[1][0].toString(), u"A\\B"_s);
    // The drag of a folder carries its path; All and No folder are not dragged.
    EXPECT_EQ(model.mimeData({model.AllIndex()}), nullptr);
    EXPECT_FALSE(model.flags(model.NoFolderIndex()) & Qt::ItemIsDragEnabled);
}
