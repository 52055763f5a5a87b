#include <model/uUrlKey.h>
#include <model/uWebSiteDuplicates.h>

#include "PrintQt.h"

#include <gtest/gtest.h>

#include <random>

namespace {

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

TWebSite Site(const QString& url, const char* comment = "", const char* category = "",
              double date = 45000.0, const char* title = "t")
{
    TWebSite s;
    s.Title = S(title);
    s.URL = url;
    s.Comment = S(comment);
    s.Category = S(category);
    s.AddDate = TDateTime(date);
    s.Visible = true;
    return s;
}

TWebSiteList ListOf(std::vector<TWebSite> sites)
{
    TWebSiteList list;
    for (TWebSite& s : sites)
        list.Append(std::move(s));
    return list;
}

std::vector<TWebSite> Items(const TWebSiteList& list)
{
    return {list.begin(), list.end()};
}

// The groups found by comparing every entry's key with every earlier one's, the
// keys computed through QUrl alone.
std::vector<TDuplicateGroup> GroupsByPairwiseCheck(const TWebSiteList& list)
{
    const qsizetype n = list.Count();
    std::vector<QString> keys;
    for (const TWebSite& s : list)
        keys.push_back(URLDuplicateKeyByQUrl(s.URL));
    std::vector<TDuplicateGroup> groups;
    std::vector<bool> taken(size_t(n), false);
    for (qsizetype i = 0; i < n; ++i) {
        if (taken[size_t(i)])
            continue;
        TDuplicateGroup g{i};
        for (qsizetype j = i + 1; j < n; ++j) {
            if (keys[size_t(j)] == keys[size_t(i)]) {
                g.push_back(j);
                taken[size_t(j)] = true;
            }
        }
        if (g.size() >= 2)
            groups.push_back(g);
    }
    return groups;
}

TEST(WebSitesFindDuplicates, GroupsInListOrder)
{
    const TWebSiteList list = ListOf({
        Site(S("http://one.example/")),
        Site(S("http://two.example/a")),
        Site(S("https://www.one.example")),
        Site(S("http://three.example/")),
        Site(S("http://two.example/a/?utm_source=x")),
        Site(S("http://one.example/#other")),
        Site(S("http://ONE.example:80/")),
    });
    const std::vector<TDuplicateGroup> expected{{0, 2, 6}, {1, 4}};
    EXPECT_EQ(WebSitesFindDuplicates(list), expected);
    EXPECT_TRUE(WebSitesFindDuplicates(TWebSiteList()).empty());
}

TEST(WebSitesFindDuplicates, MatchesPairwiseCheckOnGeneratedList)
{
    const char* hosts[] = {"a.example", "www.a.example",    "A.EXAMPLE",    "b.example",
                           "bücher.de", "xn--bcher-kva.de", "c.example:80", "c.example:8080"};
    const char* paths[] = {"", "/", "/x", "/x/", "/X", "/%7ey", "/~y", "/caf%C3%A9", "/café"};
    const char* queries[] = {"", "", "?id=1", "?id=2", "?id=1&utm_source=n", "?fbclid=3", "?"};
    const char* fragments[] = {"", "", "#f", "#g"};
    std::mt19937 rng(99);
    const auto pick = [&rng](const auto& table) {
        return table[std::uniform_int_distribution<size_t>(0, std::size(table) - 1)(rng)];
    };
    TWebSiteList list;
    for (int i = 0; i < 3000; ++i) {
        const char* scheme = i % 3 ? "http://" : "https://";
        list.Append(Site(S(scheme) + S(pick(hosts)) + S(pick(paths)) + S(pick(queries))
                         + S(pick(fragments))));
    }
    const auto groups = WebSitesFindDuplicates(list);
    EXPECT_GT(groups.size(), 100u);
    EXPECT_EQ(groups, GroupsByPairwiseCheck(list));
}

TEST(WebSitesEarliestOf, EarliestDateThenFirstInList)
{
    const TWebSiteList list = ListOf({
        Site(S("http://a/"), "", "", 300.0), Site(S("http://b/"), "", "", 100.0),
        Site(S("http://c/"), "", "", 100.0),
        Site(S("http://d/"), "", "", -1.75), // 1899-12-29 18:00
        Site(S("http://e/"), "", "", -1.25), // 1899-12-29 06:00
    });
    EXPECT_EQ(WebSitesEarliestOf(list, {0, 1, 2}), 1);
    EXPECT_EQ(WebSitesEarliestOf(list, {0, 2}), 2);
    // Compared as instants: the smaller day count is the later one here.
    EXPECT_EQ(WebSitesEarliestOf(list, {3, 4}), 4);
}

TEST(WebSitesMergeDuplicates, KeepsCommentsEarliestDateAndIsUndoneExactly)
{
    TWebSiteList list = ListOf({
        Site(S("https://www.a.example/page/"), "first", "", 300.0, "kept title"),
        Site(S("http://other.example/"), "o", "Other", 50.0),
        Site(S("http://a.example/page?utm_source=feed"), "second", "News", 100.0, "t2"),
        Site(S("http://b.example/"), "b1", "", 400.0),
        Site(S("http://a.example/page"), "first", "Misc", 200.0),
        Site(S("http://B.example"), "b2", "Later", 10.0),
    });
    list[0].Selected = true;
    const std::vector<TWebSite> before = Items(list);

    const auto groups = WebSitesFindDuplicates(list);
    ASSERT_EQ(groups, (std::vector<TDuplicateGroup>{{0, 2, 4}, {3, 5}}));
    // Keep the user's pick for the first group, the default for the second.
    const TDuplicateMergeUndo undo = WebSitesMergeDuplicates(
        list, {{groups[0], 0}, {groups[1], WebSitesEarliestOf(list, groups[1])}});

    ASSERT_EQ(list.Count(), 3);
    const TWebSite& a = list[0];
    EXPECT_EQ(a.URL, S("https://www.a.example/page/"));
    EXPECT_EQ(a.Title, S("kept title"));
    // "first" again is appended: the merge rule compares with the whole comment.
    EXPECT_EQ(a.Comment, S("first\r\nsecond\r\nfirst"));
    EXPECT_EQ(a.Category, S("News"));
    EXPECT_EQ(a.AddDate, TDateTime(100.0));
    EXPECT_TRUE(a.Selected);
    EXPECT_EQ(list[1].URL, S("http://other.example/"));
    EXPECT_EQ(list[2].URL, S("http://B.example"));
    EXPECT_EQ(list[2].Comment, S("b2\r\nb1"));
    EXPECT_EQ(list[2].Category, S("Later"));
    EXPECT_EQ(list[2].AddDate, TDateTime(10.0));
    // The list's URL index follows the removal.
    EXPECT_EQ(WebSitesIndexOfURL(list, S("http://B.example")), 2);
    EXPECT_EQ(WebSitesIndexOfURL(list, S("http://a.example/page")), -1);
    EXPECT_TRUE(WebSitesFindDuplicates(list).empty());

    WebSitesUndoMergeDuplicates(list, undo);
    EXPECT_EQ(Items(list), before);
    EXPECT_EQ(WebSitesIndexOfURL(list, S("http://a.example/page")), 4);
}

TEST(WebSitesMergeDuplicates, InvalidMergesAreLeftAlone)
{
    TWebSiteList list = ListOf({Site(S("http://a/")), Site(S("https://a/")), Site(S("http://a"))});
    const std::vector<TWebSite> before = Items(list);
    const std::vector<TDuplicateMerge> invalid[] = {
        {{{0, 1}, 2}},  // kept is no member
        {{{0, 7}, 0}},  // index out of range
        {{{0, -1}, 0}}, // negative index
        {{{0, 0}, 0}},  // the same entry twice
        {{{1}, 1}},     // nothing to merge
    };
    for (const auto& merges : invalid) {
        EXPECT_TRUE(WebSitesMergeDuplicates(list, merges).isEmpty());
        EXPECT_EQ(Items(list), before);
    }
    // A second group reusing an entry of the first is skipped; the first is merged.
    const auto undo = WebSitesMergeDuplicates(list, {{{0, 1}, 0}, {{1, 2}, 2}});
    EXPECT_EQ(list.Count(), 2);
    WebSitesUndoMergeDuplicates(list, undo);
    EXPECT_EQ(Items(list), before);
}

TEST(WebSitesMergeAllDuplicates, OneEntryPerPageKeepingTheEarliest)
{
    TWebSiteList list = ListOf({
        Site(S("http://a.example/"), "", "", 20.0),
        Site(S("https://a.example"), "", "", 10.0),
        Site(S("http://b.example/"), "", "", 5.0),
        Site(S("http://www.a.example/"), "", "", 30.0),
    });
    EXPECT_EQ(WebSitesMergeAllDuplicates(list), 2);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].URL, S("https://a.example"));
    EXPECT_EQ(list[1].URL, S("http://b.example/"));
    EXPECT_EQ(WebSitesMergeAllDuplicates(list), 0);
}

} // namespace

namespace {

TEST(WebSitesMergeDuplicates, KeepsTheCleanestSpellingOfTheAddress)
{
    struct TCase
    {
        std::vector<const char*> Urls; // the first is the earliest, so the one kept
        const char* Kept;
    };
    const TCase cases[] = {
        {{"http://a.example/p?utm_source=feed", "https://a.example/p"}, "https://a.example/p"},
        // Neither is clean: the https one, cleaned of its tracking parameters.
        {{"http://a.example/p?id=3", "https://a.example/p?utm_medium=x&id=3&fbclid=9"},
         "https://a.example/p?id=3"},
        {{"https://a.example:443/p", "http://a.example:80/p"}, "https://a.example/p"},
        // The kept entry's own spelling wins a tie.
        {{"https://www.a.example/p/", "https://a.example/p"}, "https://www.a.example/p/"},
        // A fragment and other parameters stay.
        {{"http://a.example/p?q=1&utm_campaign=z#top", "http://a.example/p?q=1#top"},
         "http://a.example/p?q=1#top"},
    };
    for (const TCase& c : cases) {
        std::vector<TWebSite> sites;
        double date = 10.0;
        for (const char* url : c.Urls)
            sites.push_back(Site(S(url), "", "", date++, url));
        TWebSiteList list = ListOf(std::move(sites));
        const std::vector<TWebSite> before = Items(list);
        ASSERT_EQ(WebSitesFindDuplicates(list).size(), 1u) << c.Urls[0];
        const auto undo = WebSitesMergeDuplicates(list, {{WebSitesFindDuplicates(list)[0], 0}});
        ASSERT_EQ(list.Count(), 1);
        EXPECT_EQ(list[0].URL, S(c.Kept)) << c.Urls[0];
        // The kept entry's title and date stay; the index knows the new address.
        EXPECT_EQ(list[0].Title, S(c.Urls[0]));
        EXPECT_EQ(list[0].AddDate, TDateTime(10.0));
        EXPECT_EQ(WebSitesIndexOfURL(list, S(c.Kept)), 0);
        WebSitesUndoMergeDuplicates(list, undo);
        EXPECT_EQ(Items(list), before);
    }
}

} // namespace
