#include <model/uWebSiteFolders.h>

#include "PrintQt.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

// One entry per category, in this order, titled by its place; the entries in
// Selected are selected. Every entry is visible.
TWebSiteList ListOf(const QStringList& Categories, const std::vector<int>& Selected = {})
{
    TWebSiteList list;
    for (qsizetype i = 0; i < Categories.size(); ++i) {
        TWebSite s;
        s.Title = QString::number(i);
        s.URL = u"https://example.com/%1"_s.arg(i);
        s.Category = Categories[i];
        s.Visible = true;
        s.Selected = std::find(Selected.begin(), Selected.end(), int(i)) != Selected.end();
        list.Append(std::move(s));
    }
    return list;
}

QStringList CategoriesOf(const TWebSiteList& List)
{
    QStringList out;
    for (const TWebSite& s : List)
        out << s.Category.toString();
    return out;
}

// The entries of one folder share one category text after a change, as after a read.
bool FolderTextsShared(const TWebSiteList& List)
{
    QHash<QString, const void*> seen;
    for (const TWebSite& s : List) {
        const auto it = seen.constFind(s.Category.toString());
        if (it != seen.cend() && it.value() != s.Category.Identity())
            return false;
        seen.insert(s.Category.toString(), s.Category.Identity());
    }
    return true;
}

const QStringList Sample = {u"A"_s, u"A\\B"_s,     u"A\\B\\C"_s, u"AB"_s,
                            u""_s,  u"Other\\A"_s, u"A\\B"_s,    u"a"_s};

} // namespace

TEST(FolderPath, PartsJoinAndContainment)
{
    EXPECT_EQ(FolderParentOf(u"A\\B\\C"), u"A\\B");
    EXPECT_EQ(FolderParentOf(u"A"), u"");
    EXPECT_EQ(FolderNameOf(u"A\\B\\C"), u"C");
    EXPECT_EQ(FolderNameOf(u"A"), u"A");
    EXPECT_EQ(FolderJoin(u"", u"N"), u"N"_s);
    EXPECT_EQ(FolderJoin(u"A\\B", u"N"), u"A\\B\\N"_s);

    struct
    {
        QString Folder, Category;
        bool Contains;
    } const cases[] = {
        {u"A"_s, u"A"_s, true},       {u"A"_s, u"A\\B"_s, true},       {u"A"_s, u"AB"_s, false},
        {u"A"_s, u"a"_s, false},      {u"A\\B"_s, u"A"_s, false},      {u""_s, u"X"_s, true},
        {u"Ä"_s, u"Ä\\日本"_s, true}, {u"日本"_s, u"日本語"_s, false}, {u"A"_s, u""_s, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FolderContains(c.Folder, QStringView(c.Category)), c.Contains)
            << c.Folder.toStdString() << " / " << c.Category.toStdString();
        // The stored text, Latin-1 or UTF-16, answers the same.
        EXPECT_EQ(FolderContains(c.Folder, TSiteText(c.Category)), c.Contains)
            << c.Folder.toStdString() << " / " << c.Category.toStdString();
    }
}

TEST(FolderPath, NamesAndRenamesAllowed)
{
    for (const QString& bad : {u""_s, u"  "_s, u"a\\b"_s})
        EXPECT_FALSE(FolderNameIsValid(bad)) << bad.toStdString();
    EXPECT_TRUE(FolderNameIsValid(u"ニュース"));

    EXPECT_TRUE(FolderRenameIsAllowed(u"A\\B", u"A"));  // up into the parent
    EXPECT_TRUE(FolderRenameIsAllowed(u"A", u"AB\\A")); // a sibling's name is no parent
    EXPECT_FALSE(FolderRenameIsAllowed(u"A", u"A\\B")); // into itself
    EXPECT_FALSE(FolderRenameIsAllowed(u"A", u"A"));
    EXPECT_FALSE(FolderRenameIsAllowed(u"", u"X")); // the top level is no folder
}

TEST(FolderFilter, AdmitsTheFolderBelowItOrNoFolder)
{
    struct
    {
        TFolderFilter Filter;
        QStringList Shown; // categories left visible from Sample
    } const cases[] = {
        {{false, u"A"_s, true}, Sample},
        {{true, u"A"_s, true}, {u"A"_s, u"A\\B"_s, u"A\\B\\C"_s, u"A\\B"_s}},
        {{true, u"A"_s, false}, {u"A"_s}},
        {{true, u"A\\B"_s, true}, {u"A\\B"_s, u"A\\B\\C"_s, u"A\\B"_s}},
        {{true, u""_s, true}, {u""_s}},
        {{true, u"Nowhere"_s, true}, {}},
    };
    for (const auto& c : cases) {
        TWebSiteList list = ListOf(Sample);
        list[1].Visible = false; // a search left it out: the folder does not bring it back
        WebSitesKeepInFolder(list, c.Filter);
        QStringList shown;
        for (qsizetype i = 0; i < list.Count(); ++i)
            if (list[i].Visible)
                shown << list[i].Category.toString();
        QStringList expected = c.Shown;
        if (c.Filter.Admits(TSiteText(u"A\\B"_s)))
            expected.removeOne(u"A\\B"_s);
        EXPECT_EQ(shown, expected)
            << c.Filter.Path.toStdString() << " " << c.Filter.Active << c.Filter.Below;
    }
}

TEST(FolderReorganise, MoveSelectedEntries)
{
    TWebSiteList list = ListOf(Sample, {0, 4, 5});
    list[5].Visible = false; // selected but hidden by a search: stays where it is
    EXPECT_EQ(WebSitesMoveSelectedToFolder(list, u"New\\Place"_s), 2);
    EXPECT_EQ(CategoriesOf(list), (QStringList{u"New\\Place"_s, u"A\\B"_s, u"A\\B\\C"_s, u"AB"_s,
                                               u"New\\Place"_s, u"Other\\A"_s, u"A\\B"_s, u"a"_s}));
    EXPECT_TRUE(FolderTextsShared(list));
    // Out of every folder; an entry already there does not count.
    EXPECT_EQ(WebSitesMoveSelectedToFolder(list, u""_s), 2);
    EXPECT_EQ(WebSitesMoveSelectedToFolder(list, u""_s), 0);
    EXPECT_EQ(list[0].Category, u""_s);
    EXPECT_EQ(list[0].URL, u"https://example.com/0"_s);
    EXPECT_EQ(list.IndexOfURL(u"https://example.com/4"_s), 4); // the URL index still holds
}

TEST(FolderReorganise, RenameMoveMergeAndDissolve)
{
    struct
    {
        const char* What;
        qsizetype (*Run)(TWebSiteList&);
        qsizetype Changed;
        QStringList After;
    } const cases[] = {
        {"rename carries the sub-folders",
         [](TWebSiteList& l) { return WebSitesRenameFolder(l, u"A"_s, u"Z"_s); },
         4,
         {u"Z"_s, u"Z\\B"_s, u"Z\\B\\C"_s, u"AB"_s, u""_s, u"Other\\A"_s, u"Z\\B"_s, u"a"_s}},
        {"rename to an existing name merges",
         [](TWebSiteList& l) { return WebSitesRenameFolder(l, u"Other\\A"_s, u"A"_s); },
         1,
         {u"A"_s, u"A\\B"_s, u"A\\B\\C"_s, u"AB"_s, u""_s, u"A"_s, u"A\\B"_s, u"a"_s}},
        {"rename into itself is refused",
         [](TWebSiteList& l) { return WebSitesRenameFolder(l, u"A"_s, u"A\\B\\A"_s); }, 0, Sample},
        {"move keeps the name",
         [](TWebSiteList& l) { return WebSitesMoveFolder(l, u"A\\B"_s, u"Other"_s); },
         3,
         {u"A"_s, u"Other\\B"_s, u"Other\\B\\C"_s, u"AB"_s, u""_s, u"Other\\A"_s, u"Other\\B"_s,
          u"a"_s}},
        {"move to the top level",
         [](TWebSiteList& l) { return WebSitesMoveFolder(l, u"A\\B"_s, u""_s); },
         3,
         {u"A"_s, u"B"_s, u"B\\C"_s, u"AB"_s, u""_s, u"Other\\A"_s, u"B"_s, u"a"_s}},
        {"dissolve gives everything to the parent",
         [](TWebSiteList& l) { return WebSitesDissolveFolder(l, u"A\\B"_s); },
         3,
         {u"A"_s, u"A"_s, u"A\\C"_s, u"AB"_s, u""_s, u"Other\\A"_s, u"A"_s, u"a"_s}},
        {"dissolve a top-level folder",
         [](TWebSiteList& l) { return WebSitesDissolveFolder(l, u"A"_s); },
         4,
         {u""_s, u"B"_s, u"B\\C"_s, u"AB"_s, u""_s, u"Other\\A"_s, u"B"_s, u"a"_s}},
    };
    for (const auto& c : cases) {
        TWebSiteList list = ListOf(Sample);
        EXPECT_EQ(c.Run(list), c.Changed) << c.What;
        EXPECT_EQ(CategoriesOf(list), c.After) << c.What;
        EXPECT_TRUE(FolderTextsShared(list)) << c.What;
    }
}

TEST(FolderReorganise, DeleteAndCountAFolderWithEverythingBelow)
{
    TWebSiteList list = ListOf(Sample);
    EXPECT_EQ(WebSitesCountInFolder(list, u"A"_s), 4);
    EXPECT_EQ(WebSitesCountInFolder(list, u"A\\B\\C"_s), 1);
    EXPECT_EQ(WebSitesDeleteFolder(list, u""_s), 0);
    EXPECT_EQ(WebSitesDeleteFolder(list, u"A"_s), 4);
    EXPECT_EQ(CategoriesOf(list), (QStringList{u"AB"_s, u""_s, u"Other\\A"_s, u"a"_s}));
    EXPECT_EQ(list.IndexOfURL(u"https://example.com/7"_s), 3);
}
