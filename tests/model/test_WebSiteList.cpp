#include <model/uWebSiteList.h>
#include <model/uWebSiteTags.h>

#include "PrintQt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <vector>

namespace {

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

TWebSite Site(const char* url, const char* comment = "", const char* category = "",
              double date = 45000.0, const char* title = "t")
{
    TWebSite s;
    s.Title = S(title);
    s.URL = S(url);
    s.Comment = S(comment);
    s.Category = S(category);
    s.AddDate = TDateTime(date);
    return s;
}

QStringList URLs(const TWebSiteList& list)
{
    QStringList r;
    for (const auto& s : list)
        r << s.URL;
    return r;
}

// Undo, the close check and the "changed" state tell entries apart by their content:
// every saved field, extras included, but not the view's marks.
TEST(WebSiteContent, EveryFieldButTheViewMarksCounts)
{
    TWebSite Base = Site("http://a.example/", "note", "Cat", 45000.0, "Title");
    Base.IconURL = S("http://a.example/favicon.ico");
    Base.IconId = 3;
    WebSiteTagsSet(Base, {S("news"), S("daily")});
    const struct
    {
        const char* Field;
        void (*Change)(TWebSite&);
        bool Counts;
    } Cases[] = {
        {"Title", [](TWebSite& X) { X.Title = S("Other"); }, true},
        {"URL", [](TWebSite& X) { X.URL = S("http://b.example/"); }, true},
        {"Comment", [](TWebSite& X) { X.Comment = S("other note"); }, true},
        {"IconURL", [](TWebSite& X) { X.IconURL = S("http://a.example/i.png"); }, true},
        {"Category", [](TWebSite& X) { X.Category = S("Cat\\Sub"); }, true},
        {"AddDate", [](TWebSite& X) { X.AddDate = TDateTime(45001.0); }, true},
        {"IconId", [](TWebSite& X) { X.IconId = 4; }, true},
        {"Tags", [](TWebSite& X) { WebSiteTagsSet(X, {S("news")}); }, true},
        {"Tag order",
         [](TWebSite& X) {
             WebSiteTagsSet(X, {S("daily"), S("news")});
         },
         true},
        {"Keyword", [](TWebSite& X) { WebSiteKeywordSet(X, S("kw")); }, true},
        {"Modified", [](TWebSite& X) { WebSiteModifiedSet(X, TDateTime(45002.0)); }, true},
        {"LinkStatus", [](TWebSite& X) { X.Extras.Edit().LinkStatus = TLinkStatus::Gone; }, true},
        {"LinkHttp", [](TWebSite& X) { X.Extras.Edit().LinkHttp = 404; }, true},
        {"LinkFinalUrl", [](TWebSite& X) { X.Extras.Edit().LinkFinalUrl = S("http://c.example/"); },
         true},
        {"LinkChecked", [](TWebSite& X) { X.Extras.Edit().LinkChecked = TDateTime(45003.0); },
         true},
        {"LinkDetail", [](TWebSite& X) { X.Extras.Edit().LinkDetail = S("why"); }, true},
        {"LinkFailures", [](TWebSite& X) { X.Extras.Edit().LinkFailures = 2; }, true},
        {"LinkFailingSince",
         [](TWebSite& X) { X.Extras.Edit().LinkFailingSince = TDateTime(45004.0); }, true},
        {"Place", [](TWebSite& X) { X.Place = X.Place + 1; }, true},
        {"ToRead", [](TWebSite& X) { X.ToRead = !X.ToRead; }, true},
        {"Private", [](TWebSite& X) { X.Private = !X.Private; }, true},
        {"Selected", [](TWebSite& X) { X.Selected = !X.Selected; }, false},
        {"Visible", [](TWebSite& X) { X.Visible = !X.Visible; }, false},
        {"Extras copied, unchanged", [](TWebSite& X) { X.Extras.Edit(); }, false},
    };
    for (const auto& C : Cases) {
        TWebSite Changed = Base;
        C.Change(Changed);
        EXPECT_EQ(WebSiteSameContent(Base, Changed), !C.Counts) << C.Field;
        // The original is untouched by the change of its copy (shared extras detach).
        EXPECT_TRUE(WebSiteSameContent(Base, TWebSite(Base))) << C.Field;
        if (!C.Counts) {
            EXPECT_EQ(WebSiteContentHash(Base), WebSiteContentHash(Changed)) << C.Field;
        }
    }
    // Extras set and then emptied again equal none.
    TWebSite Plain = Site("http://a.example/");
    TWebSite Emptied = Plain;
    WebSiteKeywordSet(Emptied, S("kw"));
    WebSiteKeywordSet(Emptied, QString());
    EXPECT_TRUE(WebSiteSameContent(Plain, Emptied));
}

TEST(WebSitesAdd, NewEntryIsVisibleAndUnselected)
{
    TWebSiteList list;
    TWebSite s = Site("https://a.example/");
    s.Selected = true;
    s.Visible = false;
    EXPECT_EQ(WebSitesAdd(list, s), TAddResult::Added);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_FALSE(list[0].Selected);
    EXPECT_TRUE(list[0].Visible);
    EXPECT_EQ(list.Stats.Added, 1);
}

TEST(WebSitesAdd, NonHttpURLsAreDropped)
{
    TWebSiteList list;
    for (const char* url :
         {"ftp://x/", "file:///tmp/a", "javascript:alert(1)", "HTTP://x/", "", " http://x/", "htt"})
        EXPECT_EQ(WebSitesAdd(list, Site(url)), TAddResult::Skipped) << url;
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(list.Stats.Skipped, 7);
}

TEST(WebSitesAdd, CommentMergeRule)
{
    TWebSiteList list;
    WebSitesAdd(list, Site("http://a/", "x"));
    EXPECT_EQ(WebSitesAdd(list, Site("http://a/", "y")), TAddResult::Merged);
    EXPECT_EQ(list[0].Comment, S("x\r\ny"));
    // Compared against the whole accumulated text, so x is appended again.
    WebSitesAdd(list, Site("http://a/", "x"));
    EXPECT_EQ(list[0].Comment, S("x\r\ny\r\nx"));
    WebSitesAdd(list, Site("http://a/", "x\r\ny\r\nx"));
    WebSitesAdd(list, Site("http://a/", ""));
    EXPECT_EQ(list[0].Comment, S("x\r\ny\r\nx"));

    WebSitesAdd(list, Site("http://b/", ""));
    WebSitesAdd(list, Site("http://b/", "set"));
    EXPECT_EQ(list[1].Comment, S("set"));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Stats.Merged, 5);
}

TEST(WebSitesAdd, MergeKeepsTitleIconPositionFlagsAndTakesEarlierDate)
{
    TWebSiteList list;
    TWebSite first = Site("http://a/", "", "", 45000.5, "First");
    first.IconURL = S("http://a/i.ico");
    WebSitesAdd(list, Site("http://z/"));
    WebSitesAdd(list, first);
    list[1].Selected = true;
    list[1].Visible = false;

    TWebSite later = Site("http://a/", "", "Cat", 45001.0, "Second");
    later.IconURL = S("http://other/i.ico");
    WebSitesAdd(list, later);
    EXPECT_EQ(list[1].Title, S("First"));
    EXPECT_EQ(list[1].IconURL, S("http://a/i.ico"));
    EXPECT_TRUE(list[1].Selected);
    EXPECT_FALSE(list[1].Visible);
    EXPECT_EQ(list[1].Category, S("Cat"));     // was empty
    EXPECT_EQ(list[1].AddDate.Value, 45000.5); // later date does not replace

    WebSitesAdd(list, Site("http://a/", "", "Other", 44000.0));
    EXPECT_EQ(list[1].Category, S("Cat"));
    EXPECT_EQ(list[1].AddDate.Value, 44000.0);
    EXPECT_EQ(URLs(list), (QStringList{S("http://z/"), S("http://a/")}));
}

TEST(WebSitesAdd, IdentityIsExactURL)
{
    TWebSiteList list;
    WebSitesAdd(list, Site("http://a.example/Page"));
    WebSitesAdd(list, Site("http://a.example/page"));
    WebSitesAdd(list, Site("http://a.example/page "));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(WebSitesIndexOfURL(list, S("http://a.example/page")), 1);
    EXPECT_EQ(WebSitesIndexOfURL(list, S("http://A.example/page")), -1);
    EXPECT_EQ(WebSitesIndexOfURL(TWebSiteList(), S("http://a/")), -1);
}

TEST(WebSitesAddURL, DroppedURL)
{
    TWebSiteList list;
    WebSitesAddURL(list, S("ftp://x/"), S("x"));
    EXPECT_TRUE(list.isEmpty());
    const TDateTime before = TDateTime::Now();
    WebSitesAddURL(list, S("https://a/"), S("A"));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].Title, S("A"));
    EXPECT_GE(list[0].AddDate, before);
    EXPECT_LE(list[0].AddDate, TDateTime::Now());

    list.EditKeepURL(0).Comment = S("c");
    list.EditKeepURL(0).Category = S("k");
    const TWebSite kept = list[0];
    WebSitesAddURL(list, S("https://a/"), S("B"));
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0], kept);
}

// The hash index must answer exactly like the first-match scan, whatever
// happened to the list in between.
TEST(WebSiteListIndex, AgreesWithLinearScanAfterAnyOperation)
{
    std::mt19937 rng(7);
    TWebSiteList list;
    const auto url = [&](int n) { return QStringLiteral("http://h/%1").arg(n); };
    const auto linear = [&](const QString& u) -> qsizetype {
        for (qsizetype i = 0; i < list.Count(); ++i)
            if (list.at(i).URL == u)
                return i;
        return -1;
    };
    for (int step = 0; step < 3000; ++step) {
        const int op = int(rng() % 20);
        if (op < 10) {
            TWebSite s;
            s.URL = url(int(rng() % 60));
            s.Title = QString::number(rng() % 5);
            WebSitesAdd(list, s);
        } else if (op < 12 && !list.isEmpty()) {
            // An in-place edit may create duplicates; the first one must win.
            list[qsizetype(rng() % size_t(list.Count()))].URL = url(int(rng() % 60));
        } else if (op < 14) {
            WebSitesSort(list, int(rng() % 9) - 4);
        } else if (op < 16 && !list.isEmpty()) {
            for (qsizetype i = 0; i < list.Count(); ++i) {
                list[i].Selected = rng() % 4 == 0;
                list[i].Visible = rng() % 3 != 0;
            }
            WebSitesDeleteSelected(list);
        } else if (op == 16 && rng() % 10 == 0) {
            list.Clear();
        } else if (!list.isEmpty()) {
            list.EditKeepURL(qsizetype(rng() % size_t(list.Count()))).Comment = S("c");
        }
        for (int n = 0; n < 60; n += 7)
            ASSERT_EQ(WebSitesIndexOfURL(list, url(n)), linear(url(n))) << "step " << step;
    }
}

// Through every size the index grows to (none of them need be a power of
// two): each URL is found at its first index, a second add of it merges, and
// URLs never added are not found.
TEST(WebSiteListIndex, FindsEveryURLThroughGrowth)
{
    TWebSiteList list;
    const auto url = [](int n) { return QStringLiteral("https://e%1.example/p").arg(n); };
    constexpr int Count = 30000;
    for (int n = 0; n < Count; ++n) {
        TWebSite s;
        s.URL = url(n);
        ASSERT_EQ(WebSitesAdd(list, s), TAddResult::Added) << n;
        if (n % 997 != 0)
            continue;
        for (int m = 0; m <= n; m += 131)
            ASSERT_EQ(WebSitesIndexOfURL(list, url(m)), m) << n << " " << m;
    }
    for (int n = Count - 1; n >= 0; --n) {
        TWebSite s;
        s.URL = url(n);
        ASSERT_EQ(WebSitesAdd(list, s), TAddResult::Merged) << n;
    }
    EXPECT_EQ(list.Count(), Count);
    for (int n = Count; n < Count + 2000; ++n)
        ASSERT_EQ(WebSitesIndexOfURL(list, url(n)), -1) << n;
    // Rebuilt from the entries after a change in place.
    list[5].URL = url(7);
    EXPECT_EQ(WebSitesIndexOfURL(list, url(7)), 5);
    EXPECT_EQ(WebSitesIndexOfURL(list, url(5)), -1);
    EXPECT_EQ(WebSitesIndexOfURL(list, url(Count - 1)), Count - 1);
}

TEST(WebSitesSort, OrdinalWithVisibleFirstInBothDirections)
{
    TWebSiteList list;
    for (const char* u : {"http://b", "http://a", "http://B", "http://ab", "http://c",
                          "http://\xef\xbd\x81", "http://\xf0\x9f\x98\x80"})
        WebSitesAdd(list, Site(u));
    list[4].Visible = false; // http://c
    list[1].Visible = false; // http://a
    WebSitesSort(list, 2);
    EXPECT_EQ(URLs(list),
              (QStringList{S("http://B"), S("http://ab"), S("http://b"),
                           S("http://\xf0\x9f\x98\x80"), // surrogate D83D sorts before FF41
                           S("http://\xef\xbd\x81"), S("http://a"), S("http://c")}));
    WebSitesSort(list, -2);
    EXPECT_EQ(URLs(list),
              (QStringList{S("http://\xef\xbd\x81"), S("http://\xf0\x9f\x98\x80"), S("http://b"),
                           S("http://ab"), S("http://B"), S("http://c"), S("http://a")}));
}

// Titles built from code units around every boundary the sort's key form has
// (0, 0xFE, 0xFF, 0x100, surrogates, 0xFFFF), many alike in their first
// twenty units: the order is that of QStringView::compare, ties keep the
// list's order, in both directions. The larger list is sorted in two halves side by
// side and merged.
TEST(WebSitesSort, OrdinalOverLongCommonPrefixesAndAllUnitRanges)
{
    const char16_t units[] = {u'a', u'b', 0x00, 0xFE, 0xFF, 0x100, 0x1FF, 0xD83D, 0xDE00, 0xFFFF};
    for (const int count : {3000, 70000}) {
        SCOPED_TRACE(count);
        std::mt19937 rng(7);
        TWebSiteList list;
        for (int i = 0; i < count; ++i) {
            QString title;
            if (rng() % 2)
                title = QString(int(rng() % 20), QChar(u'a'));
            const int extra = int(rng() % 6);
            for (int k = 0; k < extra; ++k)
                title += QChar(units[rng() % std::size(units)]);
            TWebSite s;
            s.URL = QStringLiteral("http://s%1/").arg(i);
            s.Title = title;
            s.Visible = rng() % 8 != 0;
            list.Append(s);
        }
        for (int direction : {1, -1}) {
            SCOPED_TRACE(direction);
            std::vector<TWebSite> expected(list.begin(), list.end());
            std::stable_sort(
                expected.begin(), expected.end(),
                [direction](const TWebSite& a, const TWebSite& b) {
                    if (a.Visible != b.Visible)
                        return a.Visible;
                    const int c =
                        QStringView(a.Title.toString()).compare(QStringView(b.Title.toString()));
                    return direction > 0 ? c < 0 : c > 0;
                });
            WebSitesSort(list, direction);
            ASSERT_EQ(list.Count(), qsizetype(expected.size()));
            for (qsizetype i = 0; i < list.Count(); ++i)
                ASSERT_EQ(list[i].URL, expected[size_t(i)].URL) << i;
        }
    }
}

// URLs, categories and tags sharing starts far longer than one key's digit,
// equal texts in shared and in separate storage: each column sorts like a
// stable sort by QStringView::compare, visible entries first, both ways.
TEST(WebSitesSort, LongSharedStartsAndEqualTextsInEveryTextColumn)
{
    std::mt19937 rng(13);
    const QString start = S("https://www.example.com/a/very/long/path/shared/by/all/");
    const QString shared[] = {start + S("x"), start, start + S("\xc3\xbf"), S("caf\xc3\xa9"),
                              QString()};
    std::vector<TSiteText> sharedTexts(std::begin(shared), std::end(shared));
    TWebSiteList list;
    for (int i = 0; i < 3000; ++i) {
        TWebSite s;
        const int kind = int(rng() % 3);
        const QString tail = QString::number(rng() % 40);
        // A text in shared storage, the same texts in storage of their own, others.
        const TSiteText& one = sharedTexts[rng() % std::size(sharedTexts)];
        s.URL = start + tail + QStringLiteral("/%1").arg(i);
        s.Category = kind == 0   ? one
                     : kind == 1 ? TSiteText(one.toString())
                                 : TSiteText(start + tail);
        if (rng() % 3 == 0)
            WebSiteTagsSet(s, {start + tail});
        s.Visible = rng() % 6 != 0;
        list.Append(s);
    }
    struct
    {
        int Index;
        QString (*Field)(const TWebSite&);
    } const columns[] = {
        {2, [](const TWebSite& s) { return s.URL.toString(); }},
        {3, [](const TWebSite& s) { return s.Category.toString(); }},
        {5, [](const TWebSite& s) { return s.Extras->Tags.toString(); }},
    };
    for (const auto& column : columns) {
        for (const int direction : {1, -1}) {
            SCOPED_TRACE(column.Index * direction);
            std::vector<TWebSite> expected(list.begin(), list.end());
            std::stable_sort(
                expected.begin(), expected.end(), [&](const TWebSite& a, const TWebSite& b) {
                    if (a.Visible != b.Visible)
                        return a.Visible;
                    const int c =
                        QStringView(column.Field(a)).compare(QStringView(column.Field(b)));
                    return direction > 0 ? c < 0 : c > 0;
                });
            WebSitesSort(list, column.Index * direction);
            for (qsizetype i = 0; i < list.Count(); ++i)
                ASSERT_EQ(list[i].URL, expected[size_t(i)].URL) << i;
        }
    }
}

TEST(WebSitesSort, ColumnsAndOutOfRangeIndex)
{
    TWebSiteList list;
    WebSitesAdd(list, Site("http://1", "c2", "k3", 0, "t1"));
    WebSitesAdd(list, Site("http://2", "c3", "k1", 0, "t2"));
    WebSitesAdd(list, Site("http://3", "c1", "k2", 0, "t3"));
    const QStringList original = URLs(list);
    for (int index : {0, 5, -5, 100, INT_MIN}) {
        WebSitesSort(list, index);
        EXPECT_EQ(URLs(list), original) << index;
    }
    struct
    {
        int Index;
        QStringList Order;
    } const cases[] = {
        {1, {S("http://1"), S("http://2"), S("http://3")}},
        {-1, {S("http://3"), S("http://2"), S("http://1")}},
        {3, {S("http://2"), S("http://3"), S("http://1")}},
        {4, {S("http://3"), S("http://1"), S("http://2")}},
        {-4, {S("http://2"), S("http://1"), S("http://3")}},
    };
    for (const auto& c : cases) {
        WebSitesSort(list, c.Index);
        EXPECT_EQ(URLs(list), c.Order) << c.Index;
    }
}

TEST(SplitSearchKeywords, Rules)
{
    struct
    {
        const char* Text;
        QStringList Words;
    } const cases[] = {
        {"foo bar", {S("foo"), S("bar")}},
        {"foo\xe3\x80\x80"
         "bar",
         {S("foo"), S("bar")}},
        {"  \t foo \x01\x1f bar \r\n", {S("foo"), S("bar")}},
        {"\"foo bar\" baz", {S("foo bar"), S("baz")}},
        {"\"say \"\"hi\"\"\"", {S("say \"hi\"")}},
        {"\"open ended", {S("open ended")}},
        {"\"\" x", {QString(), S("x")}},
        {"a\"b c", {S("a\"b"), S("c")}},
        {"\"ab\"cd", {S("ab"), S("cd")}},
        {"   ", {}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitSearchKeywords(S(c.Text)), c.Words) << c.Text;
}

TEST(WebSitesSearch, KeywordsAndFields)
{
    TWebSiteList list;
    TWebSite a = Site("http://x/Foo/", "", "", 0, "nothing");
    TWebSite b = Site("http://b/", "", "", 0, "FOOBAR");
    TWebSite c = Site("http://c/", "", "", 0, "none");
    c.IconURL = S("http://foo/icon");
    TWebSite d = Site("http://d/", "bar here", "Foo", 0, "d");
    TWebSite e = Site("http://e/", "", "", 0,
                      "Stra\xc3\x9f"
                      "e foo");
    for (const auto& s : {a, b, c, d, e})
        WebSitesAdd(list, s);
    const auto visible = [&] {
        QString r;
        for (const auto& s : list)
            r += s.Visible ? u'1' : u'0';
        return r;
    };
    WebSitesSearch(list, S("foo"));
    EXPECT_EQ(visible(), S("11011"));
    WebSitesSearch(list, S("foo bar"));
    EXPECT_EQ(visible(), S("01010"));
    WebSitesSearch(list, S("foo\xe3\x80\x80"
                           "bar"));
    EXPECT_EQ(visible(), S("01010"));
    WebSitesSearch(list, S("\"r h\""));
    EXPECT_EQ(visible(), S("00010"));
    WebSitesSearch(list, S("   "));
    EXPECT_EQ(visible(), S("11111"));
    WebSitesSearch(list, S("\"\" zzz"));
    EXPECT_EQ(visible(), S("00000"));
    WebSitesSearch(list, S("\"\""));
    EXPECT_EQ(visible(), S("11111"));
    // Unicode upper-casing: sharp s upper-cases to SS; dotless i to I.
    WebSitesSearch(list, S("strasse"));
    EXPECT_EQ(visible(), S("00001"));
    WebSitesSearch(list, S("noth\xc4\xb1ng"));
    EXPECT_EQ(visible(), S("10000"));
    WebSitesSearch(list, S("\xc3\xa9"));
    EXPECT_EQ(visible(), S("00000"));
}

TEST(WebSitesSearch, CaselessMatchingTable)
{
    struct
    {
        const char* Title;
        const char* Keyword;
        bool Visible;
    } const cases[] = {
        {"aaab", "aab", true},
        {"abc", "abcd", false},
        {"hello world", "WORLD", true},
        {"hello world", "world!", false},
        {"a-b", "-B", true},
        {"[x]", "[X]", true},
        {"@", "`", false},
        {"[", "{", false},
        {"x", "x", true},
        {"caf\xc3\xa9", "CAF\xc3\x89", true},
        {"CAF\xc3\x89", "caf\xc3\xa9", true},
        {"cafe", "caf\xc3\xa9", false},
        {"\xef\xac\x80", "FF", true}, // ligature ff
    };
    for (const auto& c : cases) {
        TWebSiteList list;
        WebSitesAdd(list, Site("http://x/", "", "", 0, c.Title));
        WebSitesSearch(list, S(c.Keyword));
        EXPECT_EQ(list[0].Visible, c.Visible) << c.Title << " / " << c.Keyword;
    }
}

// The search folds the texts once and reuses them; whatever happens to the list
// between two searches (edits of each field, tags, sorts, deletes, adds, an
// undo putting earlier entries back, a clear), it must answer as comparing the
// upper-cased fields one by one does. 20,000 entries: the work is split over
// threads.
TEST(WebSitesSearch, FoldedTextsFollowEveryChange)
{
    const QString words[] = {S("Alpha"),
                             S("beta"),
                             S("caf\xc3\xa9"),
                             S("Stra\xc3\x9f"
                               "e"),
                             S("\xe6\x9d\xb1\xe4\xba\xac"),
                             QStringLiteral("nul") + QChar(0) + QStringLiteral("x"),
                             S("\xf0\x9f\x98\x80"),
                             S("x.org")};
    const QString searches[] = {S("alpha"),
                                S("BETA alpha"),
                                S("CAF\xc3\x89"),
                                S("strasse"),
                                S("\xe6\x9d\xb1\xe4\xba\xac beta"),
                                QStringLiteral("\"NUL") + QChar(0) + QStringLiteral("X\""),
                                S("\xf0\x9f\x98\x80"),
                                S("alphahttp"),
                                S("\"beta \""),
                                S("zzz"),
                                S("x.org/3")};
    std::mt19937 rng(11);
    const auto text = [&] {
        QString t;
        for (int k = int(rng() % 3); k > 0; --k)
            t += words[rng() % std::size(words)] + (rng() % 2 ? S(" ") : QString());
        return t;
    };
    const QString categories[] = {QString(), S("Alpha"), S("Work\\beta"), S("caf\xc3\xa9")};
    const auto site = [&](int n) {
        TWebSite s;
        s.URL = QStringLiteral("http://x.org/%1").arg(n);
        s.Title = text();
        s.Category = categories[rng() % std::size(categories)];
        if (rng() % 4 == 0)
            s.Comment = text();
        if (rng() % 8 == 0)
            WebSiteTagsSet(s, {words[rng() % std::size(words)]});
        return s;
    };
    const auto expected = [](const TWebSite& e, const QString& search) {
        const auto in = [](const TSiteText& field, const QString& upper) {
            return field.toString().toUpper().contains(upper);
        };
        for (const QString& w : SplitSearchKeywords(search)) {
            const QString u = w.toUpper();
            if (!u.isEmpty() && !in(e.Title, u) && !in(e.URL, u) && !in(e.Category, u)
                && !in(e.Comment, u) && !in(e.Extras->Tags, u) && !in(e.Extras->Keyword, u))
                return false;
        }
        return true;
    };
    TWebSiteList list;
    int next = 0;
    for (; next < 20000; ++next)
        WebSitesAdd(list, site(next));
    std::vector<TWebSite> earlier;
    for (int step = 0; step < 40; ++step) {
        const qsizetype at = qsizetype(rng() % size_t(list.Count()));
        switch (step % 10) {
        case 0:
            list[at].Title = text();
            list[(at + 1) % list.Count()].URL = QStringLiteral("http://alpha.example/%1").arg(at);
            break;
        case 1:
            list.EditKeepURL(at).Comment = text();
            list.EditKeepURL((at + 7) % list.Count()).Category = categories[rng() % 4];
            break;
        case 2:
            WebSiteTagsSet(list.EditKeepURL(at), {words[rng() % std::size(words)]});
            WebSiteKeywordSet(list.EditKeepURL((at + 3) % list.Count()), S("beta"));
            break;
        case 3:
            WebSitesSort(list, int(rng() % 11) - 5);
            break;
        case 4:
            for (qsizetype i = 0; i < list.Count(); ++i)
                list[i].Selected = rng() % 5 == 0;
            WebSitesDeleteSelected(list);
            break;
        case 5:
            earlier.assign(list.begin(), list.end());
            for (int k = 0; k < 50; ++k)
                WebSitesAdd(list, site(next++));
            break;
        case 6:
            // An undo: the entries as they were, in their order.
            list.Items() = earlier;
            break;
        case 7:
            // The first entry taken out the way the window deletes one.
            list.Items().erase(list.Items().begin());
            break;
        case 8:
            std::shuffle(list.Items().begin(), list.Items().begin() + 100, rng);
            break;
        default:
            if (step == 29) {
                list.Clear();
                for (int k = 0; k < 20000; ++k)
                    WebSitesAdd(list, site(next++));
            }
            break;
        }
        for (const QString& search :
             {searches[rng() % std::size(searches)], searches[rng() % std::size(searches)]}) {
            WebSitesSearch(list, search);
            for (qsizetype i = 0; i < list.Count(); ++i)
                ASSERT_EQ(list.at(i).Visible, expected(list.at(i), search))
                    << "step " << step << ", entry " << i << ", search " << search.toStdString();
        }
    }
}

TEST(WebSitesVisibleCount, CountsTheLeadingRun)
{
    TWebSiteList list;
    EXPECT_EQ(WebSitesVisibleCount(list), 0);
    WebSitesAdd(list, Site("http://a/", "", "", 0, "x"));
    WebSitesAdd(list, Site("http://b/", "", "", 0, "keep"));
    WebSitesAdd(list, Site("http://c/", "", "", 0, "y"));
    WebSitesSearch(list, S("keep"));
    EXPECT_EQ(WebSitesVisibleCount(list), 0);
    WebSitesSort(list, 1);
    EXPECT_EQ(WebSitesVisibleCount(list), 1);
    EXPECT_EQ(list[0].URL, S("http://b/"));
}

TEST(WebSitesDeleteSelected, RemovesSelectedVisibleKeepsOrder)
{
    TWebSiteList list;
    for (const char* u : {"http://1", "http://2", "http://3", "http://4", "http://5"})
        WebSitesAdd(list, Site(u));
    list[0].Selected = true;
    list[2].Selected = true;
    list[2].Visible = false; // hidden: kept
    list[4].Selected = true;
    WebSitesDeleteSelected(list);
    EXPECT_EQ(URLs(list), (QStringList{S("http://2"), S("http://3"), S("http://4")}));
    EXPECT_EQ(WebSitesIndexOfURL(list, S("http://4")), 2);
    EXPECT_EQ(WebSitesIndexOfURL(list, S("http://1")), -1);
    list.Clear();
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(WebSitesIndexOfURL(list, S("http://2")), -1);
}

TEST(HttpURL, Tests)
{
    EXPECT_TRUE(IsHttpURL(S("http")));
    EXPECT_TRUE(IsHttpURL(S("https://x")));
    EXPECT_TRUE(IsHttpURL(S("httpfoo")));
    EXPECT_FALSE(IsHttpURL(S("Http://x")));
    EXPECT_FALSE(IsHttpURL(QString()));
    EXPECT_EQ(HttpURLOrEmpty(S("https://x")), S("https://x"));
    EXPECT_EQ(HttpURLOrEmpty(S("C:\\icon.ico")), QString());
}

TEST(ShortenAmazonURL, Rule)
{
    struct
    {
        const char* In;
        const char* Out;
    } const cases[] = {
        {"https://www.amazon.co.jp/Some-Book/dp/4101010013/ref=sr_1_1?k=x",
         "https://amzn.asia/dp/4101010013/"},
        {"https://www.amazon.com/gp/x/dp/B000000001", "https://amzn.to/dp/B000000001/"},
        {"https://www.amazon.com/dp/B00000000", "https://www.amazon.com/dp/B00000000"},
        {"https://www.amazon.com/gp/B000000001", "https://www.amazon.com/gp/B000000001"},
        {"http://www.amazon.com/dp/B000000001", "http://www.amazon.com/dp/B000000001"},
        {"https://www.Amazon.com/dp/B000000001", "https://www.Amazon.com/dp/B000000001"},
        {"https://www.amazon.de/dp/B000000001", "https://www.amazon.de/dp/B000000001"},
        {"https://www.amazon.community/dp/B000000001",
         "https://www.amazon.community/dp/B000000001"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortenAmazonURL(S(c.In)), S(c.Out)) << c.In;

    TWebSiteList list;
    WebSitesAdd(list, Site("https://www.amazon.com/dp/B000000001"));
    list.ShortenURLs = true;
    WebSitesAdd(list, Site("https://www.amazon.com/x/dp/B000000002"));
    EXPECT_EQ(URLs(list), (QStringList{S("https://www.amazon.com/dp/B000000001"),
                                       S("https://amzn.to/dp/B000000002/")}));
}

} // namespace
