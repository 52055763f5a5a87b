// Tags, keywords and modification dates: kept on the entry, merged, searched,
// sorted, and carried through bookmark HTML.

#include <model/uBookmarkHtml.h>
#include <model/uWebSiteTags.h>

#include "PrintQt.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TWebSite Tagged(const QString& url, const QStringList& tags, const QString& keyword = {})
{
    TWebSite s;
    s.URL = url;
    s.Title = u"T "_s + url;
    s.AddDate = TDateTime(45000.0);
    WebSiteTagsSet(s, tags);
    WebSiteKeywordSet(s, keyword);
    return s;
}

TEST(Tags, SplitTrimsDropsEmptyAndRepeatsIgnoringCase)
{
    struct TCase
    {
        QString Text;
        QChar Separator;
        QStringList Tags;
    };
    const TCase cases[] = {
        {u"a,b"_s, u',', {u"a"_s, u"b"_s}},
        {u" news , ,Tech,NEWS,tech "_s, u',', {u"news"_s, u"Tech"_s}},
        {u"x|y, z"_s, u'|', {u"x"_s, u"y"_s, u"z"_s}},
        {u"read later  web"_s, u' ', {u"read"_s, u"later"_s, u"web"_s}},
        {u"日本語, Ünïcode"_s, u',', {u"日本語"_s, u"Ünïcode"_s}},
        {u""_s, u',', {}},
        {u" , "_s, u',', {}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(SplitTags(c.Text, c.Separator), c.Tags) << c.Text.toStdString();
}

TEST(Tags, AddAndRemoveLeaveTheOtherTagsAndEmptyExtrasHoldNothing)
{
    TWebSite s = Tagged(u"http://a/"_s, {u"one"_s, u"two"_s});
    EXPECT_FALSE(WebSiteTagsAdd(s, {u"TWO"_s}));
    EXPECT_TRUE(WebSiteTagsAdd(s, {u"three, one"_s}));
    EXPECT_EQ(WebSiteTags(s), (QStringList{u"one"_s, u"two"_s, u"three"_s}));
    EXPECT_EQ(WebSiteTagsText(s), u"one, two, three"_s);
    EXPECT_FALSE(WebSiteTagsRemove(s, {u"four"_s}));
    EXPECT_TRUE(WebSiteTagsRemove(s, {u"ONE"_s, u"three"_s}));
    EXPECT_EQ(WebSiteTags(s), QStringList{u"two"_s});
    EXPECT_TRUE(WebSiteTagsRemove(s, {u"two"_s}));
    // Nothing left: the entry equals one that never had tags.
    TWebSite plain = Tagged(u"http://a/"_s, {});
    EXPECT_TRUE(s.Extras.IsEmpty());
    EXPECT_EQ(s, plain);
}

TEST(Tags, AnEntryKeepsAtMostItsCapOfTagsWhateverComes)
{
    // 32,000 tags in one attribute, every other one a repeat in another case.
    QString many;
    for (int k = 0; k < 32000; ++k)
        many += (k % 2 ? u"TAG%1,"_s : u"tag%1,"_s).arg(k / 2);
    const QStringList split = SplitTags(many);
    ASSERT_EQ(split.size(), MaxSiteTags);
    EXPECT_EQ(split.first(), u"tag0"_s);
    EXPECT_EQ(split.last(), u"tag%1"_s.arg(MaxSiteTags - 1));

    TWebSite s = Tagged(u"http://a/"_s, {many});
    EXPECT_EQ(WebSiteTags(s).size(), MaxSiteTags);
    EXPECT_FALSE(WebSiteTagsAdd(s, {u"one more"_s}));
    // One address gaining a tag on each of many rows stops at the cap too.
    TWebSiteList list;
    for (int k = 0; k < 3000; ++k)
        WebSitesAdd(list, Tagged(u"http://same/"_s, {u"t%1"_s.arg(k)}));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(WebSiteTags(list[0]).size(), MaxSiteTags);
    EXPECT_EQ(WebSiteTags(list[0]).last(), u"t%1"_s.arg(MaxSiteTags - 1));
    // A tag too long is cut, on a character.
    const QString longTag = QString(MaxSiteTagLength - 1, u'x') + u"\U0001F600"_s;
    EXPECT_EQ(SplitTags(longTag), QStringList{QString(MaxSiteTagLength - 1, u'x')});
}

TEST(Tags, MergeBySameURLUnitesTagsInFirstSeenOrder)
{
    TWebSiteList list;
    WebSitesAdd(list, Tagged(u"http://a/"_s, {u"b"_s, u"a"_s}));
    TWebSite second = Tagged(u"http://a/"_s, {u"c"_s, u"A"_s, u"d"_s}, u"kw"_s);
    WebSiteModifiedSet(second, TDateTime(45010.0));
    WebSitesAdd(list, second);
    WebSitesAdd(list, Tagged(u"http://a/"_s, {u"e"_s}, u"other"_s));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(WebSiteTags(list[0]), (QStringList{u"b"_s, u"a"_s, u"c"_s, u"d"_s, u"e"_s}));
    // The first keyword met stays; the later modification date wins.
    EXPECT_EQ(WebSiteKeyword(list[0]), u"kw"_s);
    EXPECT_EQ(WebSiteModified(list[0]), TDateTime(45010.0));
}

TEST(Tags, SearchFindsTagsAndKeywordsAndSortOrdersByTags)
{
    TWebSiteList list;
    WebSitesAdd(list, Tagged(u"http://one/"_s, {u"zeta"_s}));
    WebSitesAdd(list, Tagged(u"http://two/"_s, {u"Recipes"_s, u"日本"_s}, u"cook"_s));
    WebSitesAdd(list, Tagged(u"http://three/"_s, {}));
    struct TCase
    {
        QString Search;
        std::vector<bool> Visible;
    };
    const TCase cases[] = {
        {u"recipe"_s, {false, true, false}},     {u"COOK"_s, {false, true, false}},
        {u"日本 two"_s, {false, true, false}},   {u"zeta"_s, {true, false, false}},
        {u"zeta cook"_s, {false, false, false}},
    };
    for (const TCase& c : cases) {
        WebSitesSearch(list, c.Search);
        std::vector<bool> visible;
        for (const TWebSite& s : list)
            visible.push_back(s.Visible);
        EXPECT_EQ(visible, c.Visible) << c.Search.toStdString();
    }
    WebSitesSearch(list, QString());
    WebSitesSort(list, 5);
    EXPECT_EQ(list[0].URL, u"http://three/"_s); // no tags first
    EXPECT_EQ(list[1].URL, u"http://two/"_s);
    EXPECT_EQ(list[2].URL, u"http://one/"_s);
    WebSitesSort(list, -5);
    EXPECT_EQ(list[0].URL, u"http://one/"_s);
}

QByteArray Line(const QByteArray& html, const char* marker)
{
    for (const QByteArray& line : html.split('\n'))
        if (line.contains(marker))
            return line.trimmed();
    return {};
}

TEST(TagsInBookmarkHtml, FirefoxAttributesAreReadWrittenAndReadBack)
{
    const QByteArray firefox =
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" "
        "CONTENT=\"text/html; charset=UTF-8\">\n<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks "
        "Menu</H1>\n<DL><p>\n"
        "    <DT><A HREF=\"https://a.example/\" ADD_DATE=\"1700000000\" "
        "LAST_MODIFIED=\"1700000100\" SHORTCUTURL=\"ak\" "
        "TAGS=\"news,R&amp;D,&quot;q&quot;\">A</A>\n"
        "    <DT><A HREF=\"https://b.example/\" ADD_DATE=\"1700000000\" "
        "LAST_MODIFIED=\"1700000000\">B</A>\n"
        "</DL>\n";
    TWebSiteList list;
    WebSitesLoadFromHtmlData(list, firefox);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(WebSiteTags(list[0]), (QStringList{u"news"_s, u"R&D"_s, u"\"q\""_s}));
    EXPECT_EQ(WebSiteKeyword(list[0]), u"ak"_s);
    EXPECT_EQ(WebSiteModified(list[0]).ToMilliseconds() - list[0].AddDate.ToMilliseconds(), 100000);
    EXPECT_TRUE(WebSiteTags(list[1]).isEmpty());
    // Last changed when added, as most of a Firefox export: nothing kept for it (no
    // extras block), and Firefox reads the LAST_MODIFIED left out as the add date.
    EXPECT_EQ(WebSiteModified(list[1]), TDateTime());
    EXPECT_TRUE(list[1].Extras.IsEmpty());

    const QByteArray written = WebSitesToHtmlData(list);
    EXPECT_EQ(Line(written, "b.example"),
              "<DT><A HREF=\"https://b.example/\" ADD_DATE=\"1700000000\" ICON_URI=\"\">B</A>");
    EXPECT_EQ(Line(written, "a.example"),
              "<DT><A HREF=\"https://a.example/\" ADD_DATE=\"1700000000\" "
              "LAST_MODIFIED=\"1700000100\" ICON_URI=\"\" SHORTCUTURL=\"ak\" "
              "TAGS=\"news,R&amp;D,&quot;q&quot;\">A</A>");
    TWebSiteList back;
    WebSitesLoadFromHtmlData(back, written);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back[0], list[0]);
    EXPECT_EQ(back[1], list[1]);
}

TEST(TagsInBookmarkHtml, AnEntryWithoutExtrasIsWrittenAsBefore)
{
    TWebSiteList list;
    TWebSite s = Tagged(u"http://a.example/"_s, {u"x"_s}, u"k"_s);
    s.AddDate = TDateTime::FromMilliseconds(UnixEpochMSecs + 20000);
    WebSitesAdd(list, s);
    WebSiteTagsSet(list[0], {});
    WebSiteKeywordSet(list[0], QString());
    EXPECT_EQ(Line(WebSitesToHtmlData(list), "a.example"),
              "<DT><A HREF=\"http://a.example/\" ADD_DATE=\"20\" ICON_URI=\"\">T "
              "http://a.example/</A>");
}

TEST(TagsInBookmarkHtml, PocketExportGivesTagsAndDates)
{
    const QByteArray pocket =
        "<!DOCTYPE html>\n<html>\n<head>\n<title>Pocket Export</title>\n</head>\n<body>\n"
        "<h1>Unread</h1>\n<ul>\n"
        "<li><a href=\"https://p.example/1\" time_added=\"1600000000\" "
        "tags=\"tech,to read\">One</a></li>\n"
        "<li><a href=\"https://p.example/2\" time_added=\"1600000001\" tags=\"\">Two</a></li>\n"
        "</ul>\n</body>\n</html>\n";
    TWebSiteList list;
    WebSitesLoadFromHtmlData(list, pocket);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].Title, u"One"_s);
    EXPECT_EQ(WebSiteTags(list[0]), (QStringList{u"tech"_s, u"to read"_s}));
    EXPECT_EQ(list[0].AddDate, TDateTime::FromMilliseconds(UnixEpochMSecs + 1600000000000LL));
    EXPECT_TRUE(list[1].Extras.IsEmpty());
}

} // namespace
