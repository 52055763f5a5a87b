#include <model/uFolderTree.h>
#include <model/uWebSiteFolders.h>

#include "PrintQt.h"

#include <gtest/gtest.h>

#include <functional>

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

// The tree as text: one line a node, indented by depth, "name own/total", a
// mark for kept folders (+) and landmarks (!).
QString Outline(const TFolderTree& Tree)
{
    const auto line = [&](TFolderTree::TNodeId id, int depth) {
        const TFolderTree::TNode& n = Tree.Node(id);
        return QString(depth * 2, u' ') + (id == TFolderTree::Root ? u"*"_s : n.Name)
               + u" %1/%2"_s.arg(n.Own).arg(n.Total) + (n.Kept ? u"+"_s : u""_s)
               + (n.Landmark != TFolderLandmark::None ? u"!"_s : u""_s) + u'\n';
    };
    QString out = line(TFolderTree::Root, 0);
    for (const TFolderTree::TNodeId id : Tree.Folders()) {
        int depth = 0;
        for (TFolderTree::TNodeId p = Tree.Node(id).Parent; p != TFolderTree::Root;
             p = Tree.Node(p).Parent)
            ++depth;
        out += line(id, depth + 1);
        EXPECT_EQ(Tree.Find(Tree.Node(id).Path.toString()), id);
        EXPECT_EQ(Tree.Node(Tree.Node(id).Parent).Children[size_t(Tree.RowOf(id))], id);
    }
    return out;
}

} // namespace

TEST(FolderTree, BuildCountsOwnAndBelowWithMarksAndEmptyFolders)
{
    const TWebSiteList list =
        ListOf({u"Other Bookmarks\\News"_s, u"b"_s, u"Bookmarks Toolbar"_s, u""_s, u"B\\Deep\\Er"_s,
                u"Other Bookmarks\\News"_s, u"a"_s, u""_s});
    TFolderMarks marks;
    marks.EmptyFolders = {u"Empty"_s, u"B\\Deep\\Empty too"_s};
    marks.Landmarks = {{u"Bookmarks Toolbar"_s, TFolderLandmark::Toolbar},
                       {u"Other Bookmarks"_s, TFolderLandmark::Other},
                       {u"Mobile Bookmarks"_s, TFolderLandmark::Mobile}};
    TFolderTree tree;
    tree.Build(list, marks);
    // Landmarks first in the browsers' order (an empty one too), then by name,
    // letter case last.
    EXPECT_EQ(Outline(tree), u"* 2/8\n"
                             "  Bookmarks Toolbar 1/1!\n"
                             "  Other Bookmarks 0/2!\n"
                             "    News 2/2\n"
                             "  Mobile Bookmarks 0/0!\n"
                             "  a 1/1\n"
                             "  B 0/1\n"
                             "    Deep 0/1\n"
                             "      Empty too 0/0+\n"
                             "      Er 1/1\n"
                             "  b 1/1\n"
                             "  Empty 0/0+\n"_s);
    EXPECT_EQ(tree.FolderCount(), 11);
    EXPECT_EQ(tree.Find(u"Nowhere"), -1);
    EXPECT_EQ(tree.FoldersNamed(u"News").size(), 1u);
}

// Each change is made to the list by the reorganising functions; the tree is
// told only which categories left and came, as the window tells it after a
// command or an undo, and must then equal a tree built from the result.
TEST(FolderTree, FollowsChangesAsARebuildWouldGiveThem)
{
    const QStringList start = {u"A"_s, u"A\\B"_s, u"A\\B\\C"_s, u"X"_s,
                               u""_s,  u"X\\A"_s, u"A\\B"_s,    u"Y\\Z"_s};
    struct
    {
        const char* What;
        std::function<void(TWebSiteList&)> Change;
    } const cases[] = {
        {"move into a new nested folder",
         [](TWebSiteList& l) {
             l[3].Selected = l[4].Selected = true;
             WebSitesMoveSelectedToFolder(l, u"N\\M"_s);
         }},
        {"rename with sub-folders",
         [](TWebSiteList& l) { WebSitesRenameFolder(l, u"A"_s, u"Q"_s); }},
        {"merge into an existing folder",
         [](TWebSiteList& l) { WebSitesRenameFolder(l, u"X\\A"_s, u"A"_s); }},
        {"dissolve", [](TWebSiteList& l) { WebSitesDissolveFolder(l, u"A\\B"_s); }},
        {"delete with everything below", [](TWebSiteList& l) { WebSitesDeleteFolder(l, u"A"_s); }},
        {"the last entry of a deep folder leaves",
         [](TWebSiteList& l) { WebSitesDeleteFolder(l, u"Y\\Z"_s); }},
        {"adds",
         [](TWebSiteList& l) {
             TWebSite s;
             s.URL = u"https://new/"_s;
             s.Category = u"A\\New"_s;
             l.Append(s);
             s.URL = u"https://new/2"_s;
             s.Category = u""_s;
             l.Append(s);
         }},
    };
    for (const auto& c : cases) {
        TWebSiteList list = ListOf(start);
        TFolderTree tree;
        tree.Build(list);
        const std::vector<TWebSite> before(list.begin(), list.end());
        c.Change(list);
        for (const TWebSite& s : before)
            tree.Remove(s.Category);
        for (const TWebSite& s : list)
            tree.Add(s.Category);
        tree.Flush();
        TFolderTree rebuilt;
        rebuilt.Build(list);
        EXPECT_EQ(Outline(tree), Outline(rebuilt)) << c.What;

        // Undo: the old entries come back, and so do their folders.
        for (const TWebSite& s : list)
            tree.Remove(s.Category);
        for (const TWebSite& s : before)
            tree.Add(s.Category);
        tree.Flush();
        TFolderTree original;
        original.Build(ListOf(start));
        EXPECT_EQ(Outline(tree), Outline(original)) << c.What << " undone";
    }
}

TEST(FolderTree, KeptFoldersStayEmptyAndGoWhenNoLongerKept)
{
    TFolderTree tree;
    tree.Build(ListOf({u"A"_s}));
    tree.SetKept(u"A\\New\\Inner", true);
    tree.Remove(TSiteText(u"A"_s));
    tree.Flush();
    EXPECT_EQ(Outline(tree), u"* 0/0\n  A 0/0\n    New 0/0\n      Inner 0/0+\n"_s);
    tree.SetKept(u"A\\New\\Inner", false);
    tree.Flush();
    EXPECT_EQ(Outline(tree), u"* 0/0\n"_s);
    EXPECT_EQ(tree.FolderCount(), 0);
}
