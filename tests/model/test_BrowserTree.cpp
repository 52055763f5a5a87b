// The browsers' tree kept through reading, the list and writing: landmarks,
// separators, empty folders, the order of a folder's items; reading state.

#include "PrintQt.h"
#include "ProfileFixtures.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <model/uBookmarkHtml.h>
#include <model/uProfileBookmarks.h>
#include <model/uServiceExports.h>
#include <model/uWebSiteList.h>

using namespace Qt::StringLiterals;
using namespace fixtures;

namespace {

// The shape of a bookmark file, one line per item: "A url", "HR", "H3 name",
// "H3 [toolbar] name" (with the landmark marker), "/DL" at a folder's end, "H1 text".
QStringList Outline(const QByteArray& Html)
{
    static const QRegularExpression item(
        uR"re(<HR>|<H1>([^<]*)</H1>|<H3([^>]*)>([^<]*)</H3>|<A HREF="([^"]*)"|</DL>)re"_s,
        QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    QString text = QString::fromUtf8(Html);
    // The last </DL> closes the top level.
    text.truncate(text.lastIndexOf(u"</DL>"_s, -1, Qt::CaseInsensitive));
    for (const QRegularExpressionMatch& m : item.globalMatch(text)) {
        const QString all = m.captured(0).toUpper();
        if (all == u"<HR>"_s) {
            out << u"HR"_s;
        } else if (all == u"</DL>"_s) {
            out << u"/DL"_s;
        } else if (all.startsWith(u"<H1"_s)) {
            out << u"H1 "_s + m.captured(1);
        } else if (all.startsWith(u"<H3"_s)) {
            const QString attrs = m.captured(2).toUpper();
            QString marker;
            if (attrs.contains(u"PERSONAL_TOOLBAR_FOLDER=\"TRUE\""_s))
                marker = u"[toolbar] "_s;
            else if (attrs.contains(u"UNFILED_BOOKMARKS_FOLDER=\"TRUE\""_s))
                marker = u"[other] "_s;
            else if (attrs.contains(u"MOBILE_BOOKMARKS_FOLDER=\"TRUE\""_s))
                marker = u"[mobile] "_s;
            out << u"H3 "_s + marker + m.captured(3);
        } else {
            out << u"A "_s + m.captured(4);
        }
    }
    return out;
}

// Firefox's layout: LF, 4 blanks a level, <HR> with the next <DT> on its line;
// the toolbar's folders and links interleaved, an empty folder among them.
const QByteArray FirefoxExport =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
    "<!-- This is an automatically generated file.\n"
    "     It will be read and overwritten.\n"
    "     DO NOT EDIT! -->\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
    "<TITLE>Bookmarks</TITLE>\n"
    "<H1>Bookmarks Menu</H1>\n"
    "\n"
    "<DL><p>\n"
    "    <DT><A HREF=\"https://menu1.example/\" ADD_DATE=\"1700000001\">Menu 1</A>\n"
    "    <HR>    <DT><H3 ADD_DATE=\"1\" LAST_MODIFIED=\"1\">Menu folder</H3>\n"
    "    <DL><p>\n"
    "        <DT><A HREF=\"https://mf.example/\" ADD_DATE=\"1700000002\">In folder</A>\n"
    "    </DL><p>\n"
    "    <DT><A HREF=\"https://menu2.example/\" ADD_DATE=\"1700000003\">Menu 2</A>\n"
    "    <DT><H3 ADD_DATE=\"1\" LAST_MODIFIED=\"1\" PERSONAL_TOOLBAR_FOLDER=\"true\">Bookmarks "
    "Toolbar</H3>\n"
    "    <DL><p>\n"
    "        <DT><A HREF=\"https://t1.example/\" ADD_DATE=\"1700000004\">T1</A>\n"
    "        <DT><H3 ADD_DATE=\"1\" LAST_MODIFIED=\"1\">Zeta</H3>\n"
    "        <DL><p>\n"
    "            <DT><A HREF=\"https://z.example/\" ADD_DATE=\"1700000005\">Z</A>\n"
    "        </DL><p>\n"
    "        <HR>    <DT><A HREF=\"https://t2.example/\" ADD_DATE=\"1700000006\">T2</A>\n"
    "        <DT><H3 ADD_DATE=\"1\" LAST_MODIFIED=\"1\">Alpha</H3>\n"
    "        <DL><p>\n"
    "        </DL><p>\n"
    "        <DT><A HREF=\"https://t3.example/\" ADD_DATE=\"1700000007\">A T3</A>\n"
    "    </DL><p>\n"
    "    <DT><H3 ADD_DATE=\"1\" LAST_MODIFIED=\"1\" UNFILED_BOOKMARKS_FOLDER=\"true\">Other "
    "Bookmarks</H3>\n"
    "    <DL><p>\n"
    "        <DT><A HREF=\"https://u.example/\" ADD_DATE=\"1700000008\">U</A>\n"
    "    </DL><p>\n"
    "</DL>\n";

TEST(BrowserTree, FirefoxExportWrittenAgainKeepsMarkersSeparatorsEmptyFoldersAndOrder)
{
    TWebSiteList list;
    WebSitesLoadFromHtmlData(list, FirefoxExport);
    const QStringList expected = Outline(FirefoxExport);
    ASSERT_EQ(expected.size(), 21) << expected.join(u" | "_s).toStdString();

    const QByteArray written = WebSitesToHtmlData(list);
    EXPECT_EQ(Outline(written), expected);
    // Sorting the list is a view: the file keeps the browser's order.
    WebSitesSort(list, 1);
    EXPECT_EQ(Outline(WebSitesToHtmlData(list)), expected);
    WebSitesSort(list, -2);
    EXPECT_EQ(WebSitesToHtmlData(list), written);

    // Read back, as after a restart: the same file again.
    TWebSiteList again;
    WebSitesLoadFromHtmlData(again, written);
    EXPECT_EQ(WebSitesToHtmlData(again), written);
    const int toolbar = again.Folders.LandmarkFolder(TLandmark::Toolbar);
    ASSERT_GE(toolbar, 0);
    EXPECT_EQ(again.Folders.At(toolbar).Path, u"Bookmarks Toolbar"_s);
    EXPECT_EQ(again.Folders.At(again.Folders.Find(u"")).Landmark, TLandmark::Menu);
}

TEST(BrowserTree, EntriesWithoutPlaceFollowInTheUsualLayout)
{
    TWebSiteList list;
    WebSitesLoadFromHtmlData(list, FirefoxExport);
    // A drop into the toolbar and a folder made here: after the kept items, the
    // folder first.
    WebSitesAddURL(list, u"https://dropped.example/"_s, u"Dropped"_s);
    list[list.Count() - 1].Category = u"Bookmarks Toolbar"_s;
    WebSitesAddURL(list, u"https://new.example/"_s, u"New"_s);
    list[list.Count() - 1].Category = u"Bookmarks Toolbar\\New folder"_s;
    QStringList toolbar = Outline(WebSitesToHtmlData(list));
    const qsizetype from = toolbar.indexOf(u"H3 [toolbar] Bookmarks Toolbar"_s);
    const qsizetype to = toolbar.indexOf(u"H3 [other] Other Bookmarks"_s);
    EXPECT_EQ(
        toolbar.mid(from, to - from),
        (QStringList{u"H3 [toolbar] Bookmarks Toolbar"_s, u"A https://t1.example/"_s, u"H3 Zeta"_s,
                     u"A https://z.example/"_s, u"/DL"_s, u"HR"_s, u"A https://t2.example/"_s,
                     u"H3 Alpha"_s, u"/DL"_s, u"A https://t3.example/"_s, u"H3 New folder"_s,
                     u"A https://new.example/"_s, u"/DL"_s, u"A https://dropped.example/"_s,
                     u"/DL"_s}));
}

TEST(BrowserTree, PlacesDatabaseGivesLandmarksSeparatorsEmptyFoldersAndOrder)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"places.sqlite"_s);
    {
        TDb db(path);
        CreatePlacesSchema(db);
        FillPlaces(db);
        // An empty folder and a separator on the toolbar, between its links.
        db.Exec(Folder(60, 3, 3, "Empty")
                + "INSERT INTO moz_bookmarks(id, type, parent, "
                  "position, dateAdded, guid) VALUES (61, 3, 3, 4, 1, "
                  "'sep2');"
                + Bookmark(62, 3, 5, "Toolbar last", "https://toolbar3.example/", 1700000025));
    }
    TWebSiteList list;
    ASSERT_TRUE(WebSitesLoadFromBrowserFile(list, path));
    EXPECT_EQ(Outline(WebSitesToHtmlData(list)),
              (QStringList{u"H1 Bookmarks Menu"_s,
                           u"A https://menu.example/"_s,
                           u"HR"_s,
                           u"H3 Menu folder"_s,
                           u"A https://untitled.example/"_s,
                           u"/DL"_s,
                           u"H3 [toolbar] Bookmarks Toolbar"_s,
                           u"A https://toolbar1.example/"_s,
                           u"A https://toolbar2.example/"_s,
                           u"H3 Dev"_s,
                           u"H3 Tools"_s,
                           u"A https://tool.example/?a=1&amp;b='2'"_s,
                           u"/DL"_s,
                           u"/DL"_s,
                           u"H3 Empty"_s,
                           u"/DL"_s,
                           u"HR"_s,
                           u"A https://toolbar3.example/"_s,
                           u"/DL"_s,
                           u"H3 [other] Other Bookmarks"_s,
                           u"A https://unfiled.example/"_s,
                           u"/DL"_s,
                           u"H3 [mobile] Mobile Bookmarks"_s,
                           u"A https://mobile.example/"_s,
                           u"/DL"_s}));
}

// Chromium's roots: the bar, "other" at the top level, the mobile root as a folder.
TEST(BrowserTree, ChromiumRootsAreLandmarksAndEmptyFoldersStay)
{
    TBrowserTree folders;
    std::vector<TWebSite> sites =
        ReadChromiumBookmarksData(ChromiumBookmarksJson(), u"Bookmarks"_s, &folders);
    TWebSiteList list;
    WebSitesAddBrowserBookmarks(list, std::move(sites), &folders);
    EXPECT_EQ(
        Outline(WebSitesToHtmlData(list)),
        (QStringList{u"H1 Bookmarks"_s, u"H3 [toolbar] Bookmarks bar"_s,
                     u"A https://top.example/?a=1&amp;b=2"_s, u"H3 Work"_s, u"H3 Inner"_s,
                     u"A https://deep.example/"_s, u"/DL"_s, u"H3 Empty"_s, u"/DL"_s, u"/DL"_s,
                     u"/DL"_s, u"A https://loose.example/"_s, u"H3 Reading"_s,
                     u"A https://otherfolder.example/"_s, u"/DL"_s,
                     u"H3 [mobile] Mobile bookmarks"_s, u"A https://phone.example/"_s, u"/DL"_s}));
}

// Each browser names its toolbar in its own language; merged, they are one.
TEST(BrowserTree, ToolbarsOfSeveralBrowsersBecomeOne)
{
    const QByteArray japanese =
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
        "<DT><H3 PERSONAL_TOOLBAR_FOLDER=\"true\">\xE3\x83\x96\xE3\x83\x83\xE3\x82\xAF\xE3\x83\x9E"
        "\xE3\x83\xBC\xE3\x82\xAF\xE3\x83\x90\xE3\x83\xBC</H3>\n<DL><p>\n"
        "<DT><A HREF=\"https://ja.example/\">JA</A>\n"
        "<DT><H3>Dev</H3>\n<DL><p>\n<DT><A HREF=\"https://jadev.example/\">D</A>\n</DL><p>\n"
        "</DL><p>\n</DL><p>\n";
    for (const bool gathered : {false, true}) {
        SCOPED_TRACE(gathered ? "gathered" : "direct");
        TWebSiteList list;
        TBrowserTree folders;
        std::vector<TWebSite> sites =
            ReadChromiumBookmarksData(ChromiumBookmarksJson(), u"Bookmarks"_s, &folders);
        WebSitesAddBrowserBookmarks(list, std::move(sites), &folders);
        for (const QByteArray& file : {FirefoxExport, japanese}) {
            if (!gathered) {
                WebSitesLoadFromHtmlData(list, file);
                continue;
            }
            TWebSiteList gathering;
            gathering.Gathering = true;
            WebSitesLoadFromHtmlData(gathering, file);
            WebSitesAddGathered(list, std::move(gathering));
        }
        const auto categoryOf = [&](const char* url) {
            const qsizetype i = list.IndexOfURL(QString::fromLatin1(url));
            return i < 0 ? u"(missing)"_s : list[i].Category.toString();
        };
        EXPECT_EQ(categoryOf("https://deep.example/"), u"Bookmarks bar\\Work\\Inner"_s);
        EXPECT_EQ(categoryOf("https://t2.example/"), u"Bookmarks bar"_s);
        EXPECT_EQ(categoryOf("https://z.example/"), u"Bookmarks bar\\Zeta"_s);
        EXPECT_EQ(categoryOf("https://ja.example/"), u"Bookmarks bar"_s);
        EXPECT_EQ(categoryOf("https://jadev.example/"), u"Bookmarks bar\\Dev"_s);
        const QStringList outline = Outline(WebSitesToHtmlData(list));
        EXPECT_EQ(outline.filter(u"[toolbar]"_s), QStringList{u"H3 [toolbar] Bookmarks bar"_s});
        // Each browser's items follow the earlier ones': Chrome's, Firefox's, then
        // the third file's.
        const auto at = [&](const char* url) {
            return outline.indexOf(u"A "_s + QString::fromLatin1(url));
        };
        EXPECT_LT(at("https://top.example/?a=1&amp;b=2"), at("https://t1.example/"));
        EXPECT_LT(at("https://t1.example/"), at("https://t2.example/"));
        EXPECT_LT(at("https://t3.example/"), at("https://ja.example/"));
        // The first toolbar's name and the menu landmark of the Firefox file.
        EXPECT_EQ(outline.first(), u"H1 Bookmarks Menu"_s);
    }
}

struct TReadingCase
{
    const char* Name;
    QByteArray Data;
    bool Html;
    // url, to read, private
    std::vector<std::tuple<const char*, bool, bool>> Expected;
};

TEST(BrowserTree, ReadingStateFromEachSourceSurvivesWritingAndReading)
{
    const TReadingCase cases[] = {
        {"Pinboard/linkding HTML",
         "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
         "<DT><A HREF=\"https://a.example/\" ADD_DATE=\"1\" PRIVATE=\"1\" TOREAD=\"1\" "
         "TAGS=\"x\">A</A>\n"
         "<DT><A HREF=\"https://b.example/\" ADD_DATE=\"1\" PRIVATE=\"0\" TOREAD=\"0\">B</A>\n"
         "<DT><A HREF=\"https://c.example/\" ADD_DATE=\"1\" PRIVATE=\"1\">C</A>\n"
         "</DL><p>\n",
         true,
         {{"https://a.example/", true, true},
          {"https://b.example/", false, false},
          {"https://c.example/", false, true}}},
        {"Pocket HTML",
         "<!DOCTYPE html>\n<html><head><title>Pocket Export</title></head><body>\n"
         "<h1>Unread</h1>\n<ul>\n<li><a href=\"https://p1.example/\" time_added=\"1700000000\" "
         "tags=\"\">P1</a></li>\n</ul>\n"
         "<h1>Read Archive</h1>\n<ul>\n<li><a href=\"https://p2.example/\" "
         "time_added=\"1700000000\" tags=\"\">P2</a></li>\n</ul>\n</body></html>\n",
         true,
         {{"https://p1.example/", true, false}, {"https://p2.example/", false, false}}},
        {"Pocket CSV",
         "title,url,time_added,tags,status\n"
         "Unread one,https://pc1.example/,1700000000,,unread\n"
         "Archived,https://pc2.example/,1700000000,,archive\n",
         false,
         {{"https://pc1.example/", true, false}, {"https://pc2.example/", false, false}}},
        {"Pinboard JSON",
         R"([{"href":"https://pj1.example/","description":"One","extended":"","meta":"m",)"
         R"("hash":"h","time":"2023-11-14T22:13:20Z","shared":"no","toread":"yes","tags":""},)"
         R"({"href":"https://pj2.example/","description":"Two","extended":"","meta":"m",)"
         R"("hash":"h","time":"2023-11-14T22:13:20Z","shared":"yes","toread":"no","tags":""}])",
         false,
         {{"https://pj1.example/", true, true}, {"https://pj2.example/", false, false}}},
    };
    for (const TReadingCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TWebSiteList list;
        if (c.Html)
            WebSitesLoadFromHtmlData(list, c.Data);
        else
            WebSitesLoadFromServiceExport(list, c.Data, u"export"_s);
        TWebSiteList again;
        WebSitesLoadFromHtmlData(again, WebSitesToHtmlData(list));
        for (const TWebSiteList* l : {&list, &again}) {
            ASSERT_EQ(l->Count(), qsizetype(c.Expected.size()));
            for (const auto& [url, toRead, isPrivate] : c.Expected) {
                SCOPED_TRACE(url);
                const qsizetype i = l->IndexOfURL(QString::fromLatin1(url));
                ASSERT_GE(i, 0);
                EXPECT_EQ((*l)[i].ToRead, toRead);
                EXPECT_EQ((*l)[i].Private, isPrivate);
            }
        }
    }
}

TEST(BrowserTree, SearchFindsReadingState)
{
    TWebSiteList list;
    WebSitesLoadFromHtmlData(list, "<DL><p>"
                                   "<DT><A HREF=\"https://a.example/\" TOREAD=\"1\">Alpha</A>"
                                   "<DT><A HREF=\"https://b.example/\" PRIVATE=\"1\">Beta</A>"
                                   "<DT><A HREF=\"https://c.example/\" TOREAD=\"1\" "
                                   "PRIVATE=\"1\">Gamma</A>"
                                   "<DT><A HREF=\"https://d.example/\">is:toread</A></DL><p>");
    const struct
    {
        const char* Search;
        QStringList Visible;
    } cases[] = {
        {"is:toread", {u"Alpha"_s, u"Gamma"_s}},
        {"IS:Private", {u"Beta"_s, u"Gamma"_s}},
        {"is:toread is:private", {u"Gamma"_s}},
        {"is:toread alpha", {u"Alpha"_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Search);
        WebSitesSearch(list, QString::fromLatin1(c.Search));
        QStringList visible;
        for (const TWebSite& site : list)
            if (site.Visible)
                visible << site.Title.toString();
        EXPECT_EQ(visible, c.Visible);
    }
}

TEST(BrowserTree, MergeKeepsFirstPlaceAndUnitesReadingState)
{
    TWebSiteList list;
    WebSitesLoadFromHtmlData(list, FirefoxExport);
    const TWebSite before = list[list.IndexOfURL(u"https://t2.example/"_s)];
    // The same address elsewhere, to read and private.
    WebSitesLoadFromHtmlData(list, "<DL><p><DT><H3>Elsewhere</H3><DL><p>"
                                   "<DT><A HREF=\"https://t2.example/\" TOREAD=\"1\">T2</A>"
                                   "</DL><p><DT><A HREF=\"https://t2.example/\" "
                                   "PRIVATE=\"1\">T2</A></DL><p>");
    const TWebSite& after = list[list.IndexOfURL(u"https://t2.example/"_s)];
    EXPECT_EQ(after.Category, before.Category);
    EXPECT_EQ(after.Place, before.Place);
    EXPECT_TRUE(after.ToRead);
    EXPECT_TRUE(after.Private);
}

} // namespace
