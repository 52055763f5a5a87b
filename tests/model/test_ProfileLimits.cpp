// Browser profiles made to hurt the reader: databases whose tables are endless
// views, SQL that never stops, folder trees whose categories would take memory
// of the product of depth and name length, and dates past 64 bits. Each input
// is generated here; each test shows the limit that holds it.

#include "ProfileFixtures.h"

#include <model/uBookmarkHtml.h>
#include <model/uBookmarkHtmlImport.h>
#include <model/uProfileBookmarks.h>
#include <model/uProfileBookmarksParts.h>
#include <model/uSqliteSnapshot.h>
#include <model/uWebSiteIcons.h>
#include <platform/EFileError.h>

#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace fixtures;

namespace {

// A view that yields rows without end: reading it never finishes, and SQLite
// fills a temporary file while it tries.
std::string EndlessView(const char* Name, const char* Columns, const char* Row)
{
    return std::string("CREATE VIEW ") + Name + " AS WITH RECURSIVE c(" + Columns + ") AS (SELECT "
           + Row + " UNION ALL SELECT * FROM c) SELECT * FROM c;";
}

QString ReasonOf(const std::function<void()>& Read)
{
    try {
        Read();
    } catch (const EFileError& e) {
        return e.Reason();
    }
    return {};
}

int Components(const QString& Category)
{
    return Category.isEmpty() ? 0 : int(Category.count(u'\\')) + 1;
}

} // namespace

// Only ordinary tables of the expected columns are read: a view (endless here),
// a virtual table or a computed column in their place is refused by name before
// any row is asked for.
TEST(ProfileDatabases, TablesThatAreNotPlainTablesAreRefused)
{
    const struct
    {
        const char* Name;
        std::string Sql;
        const char* Refused; // the table the refusal names
    } cases[] = {
        {"moz_places an endless view",
         "DROP TABLE moz_places;" + EndlessView("moz_places", "id, url", "1, 'https://x.example/'"),
         "moz_places"},
        {"moz_places.url computed",
         "DROP TABLE moz_places; CREATE TABLE moz_places(id INTEGER PRIMARY KEY,"
         " url TEXT GENERATED ALWAYS AS ('https://x.example/' || id) VIRTUAL);",
         "moz_places"},
        {"moz_places without url",
         "DROP TABLE moz_places; CREATE TABLE moz_places(id INTEGER PRIMARY KEY, title TEXT);",
         "moz_places"},
        {"moz_bookmarks without guid", "ALTER TABLE moz_bookmarks DROP COLUMN guid;",
         "moz_bookmarks"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"places.sqlite"_s);
        {
            TDb db(path);
            CreatePlacesSchema(db);
            db.Exec("DROP INDEX moz_bookmarks_guid_uniqueindex;" + c.Sql);
        }
        const QString reason = ReasonOf([&] { ReadFirefoxBookmarks(path); });
        EXPECT_TRUE(reason.contains(QLatin1StringView(c.Refused))) << reason.toStdString();
        TWebSiteList list;
        EXPECT_THROW(WebSitesLoadFromBrowserFile(list, path), EFileError);
    }

    // moz_bookmarks itself a view: no bookmark database at all.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"places.sqlite"_s);
    {
        TDb db(path);
        db.Exec(EndlessView("moz_bookmarks", "id", "1"));
    }
    EXPECT_THROW(ReadFirefoxBookmarks(path), EFileError);
    TWebSiteList list;
    EXPECT_FALSE(WebSitesLoadFromBrowserFile(list, path));
}

// The icon databases beside a profile go through the same check; a refused one
// leaves the bookmarks without icons, and they are read all the same.
TEST(ProfileDatabases, IconDatabasesWithEndlessViewsAreRefused)
{
    QTemporaryDir dir;
    const QString places = dir.filePath(u"ff/places.sqlite"_s);
    QDir().mkpath(dir.filePath(u"ff"_s));
    {
        TDb db(places);
        CreatePlacesSchema(db);
        db.Exec(Bookmark(10, 3, 0, "A", "https://a.example/", 1700000000));
    }
    {
        TDb db(dir.filePath(u"ff/favicons.sqlite"_s));
        db.Exec("CREATE TABLE moz_pages_w_icons(id INTEGER PRIMARY KEY, page_url TEXT);"
                "CREATE TABLE moz_icons_to_pages(page_id INTEGER, icon_id INTEGER);"
                + EndlessView("moz_icons", "id, width, data", "1, 16, x'89504e47'"));
    }
    {
        TDb db(dir.filePath(u"Favicons"_s));
        db.Exec(
            "CREATE TABLE icon_mapping(id INTEGER PRIMARY KEY, page_url TEXT, icon_id INT);"
            + EndlessView("favicon_bitmaps", "icon_id, width, image_data", "1, 16, x'89504e47'"));
    }
    std::vector<TWebSite> sites(1);
    sites[0].URL = u"https://a.example/"_s;
    EXPECT_TRUE(ReasonOf([&] {
                    ReadFirefoxFavicons(sites, dir.filePath(u"ff/favicons.sqlite"_s));
                }).contains(u"moz_icons"_s));
    EXPECT_TRUE(ReasonOf([&] {
                    ReadChromiumFavicons(sites, dir.filePath(u"Favicons"_s));
                }).contains(u"favicon_bitmaps"_s));

    TWebSiteList list;
    ASSERT_TRUE(WebSitesLoadFromBrowserFile(list, places));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].IconId, 0u);
}

// Every statement on a snapshot draws on one budget of SQLite steps sized by the
// copy: a query that never ends stops just past it with a refusal, while reading
// every row of a real profile takes a small part of it.
TEST(ProfileDatabases, StatementsShareOneWorkBudget)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"places.sqlite"_s);
    {
        TDb db(path);
        CreatePlacesSchema(db);
        FillPlaces(db);
    }
    const TSqliteSnapshot snapshot(path);
    EXPECT_EQ(snapshot.WorkBudget(), TSqliteSnapshot::WorkBudgetFor(QFileInfo(path).size()));
    EXPECT_EQ(zorvel::model::browser::ReadFirefoxSnapshot(snapshot).size(), 7u);
    EXPECT_LT(snapshot.WorkDone(), TSqliteSnapshot::BaseWorkSteps / 100);

    TSqliteStatement endless(snapshot, "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL"
                                       " SELECT x + 1 FROM c) SELECT sum(x) FROM c");
    const QString reason = ReasonOf([&] { endless.Step(); });
    EXPECT_TRUE(reason.contains(u"far more work"_s)) << reason.toStdString();
    EXPECT_TRUE(snapshot.OutOfWork());
    EXPECT_LE(snapshot.WorkDone(), snapshot.WorkBudget() + 1000);
}

TEST(ProfileDatabases, DepthRefusalSaysOnlyWhatIsWrong)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"places.sqlite"_s);
    {
        TDb db(path);
        CreatePlacesSchema(db);
        std::string sql = "BEGIN;";
        for (int i = 0; i < MaxBrowserFolderDepth + 10; ++i)
            sql += Folder(100 + i, i == 0 ? 3 : 99 + i, 0, "d");
        db.Exec(sql + "COMMIT;");
    }
    const QString reason = ReasonOf([&] { ReadFirefoxBookmarks(path); });
    EXPECT_EQ(reason, u"Folders nested more than %1 deep"_s.arg(MaxBrowserFolderDepth));
}

// ---- Categories ---------------------------------------------------------------------

// One folder tree written three ways: Chromium's JSON, Firefox's tables and the
// HTML export, so that the profile readers can be held to the HTML reader's
// categories. A folder's name, what it holds (bookmarks and folders).
struct TTree
{
    QByteArray Name;
    std::vector<QByteArray> Urls;
    std::vector<TTree> Folders;
};

QByteArray ChromiumNode(const TTree& t)
{
    QByteArray json = "{\"type\": \"folder\", \"name\": \"" + t.Name + "\", \"children\": [";
    bool first = true;
    for (const QByteArray& url : t.Urls) {
        json += (first ? "" : ", ")
                + ("{\"type\": \"url\", \"name\": \"b\", \"url\": \"" + url
                   + "\", \"date_added\": \"0\"}");
        first = false;
    }
    for (const TTree& f : t.Folders) {
        json += (first ? "" : ", ") + ChromiumNode(f);
        first = false;
    }
    return json + "]}";
}

QByteArray HtmlFolder(const TTree& t)
{
    QByteArray html = "<DT><H3>" + t.Name + "</H3>\n<DL><p>\n";
    for (const QByteArray& url : t.Urls)
        html += "<DT><A HREF=\"" + url + "\" ADD_DATE=\"0\">b</A>\n";
    for (const TTree& f : t.Folders)
        html += HtmlFolder(f);
    return html + "</DL><p>\n";
}

void PlacesRows(const TTree& t, int Parent, int& NextId, std::string& Sql)
{
    const int id = NextId++;
    Sql += Folder(id, Parent, 0, t.Name.constData());
    int position = 0;
    for (const QByteArray& url : t.Urls) {
        const int b = NextId++;
        Sql += Bookmark(b, id, position++, "b", url.constData(), 0);
    }
    for (const TTree& f : t.Folders)
        PlacesRows(f, id, NextId, Sql);
}

// A name of 50,000 characters over 300 folders (its contents come into its
// parent), and a chain of 400 folders (deeper than 255 levels).
TTree WideAndDeep(const QByteArray& Root)
{
    TTree root{Root, {}, {}};
    TTree longName{QByteArray(50'000, 'L'), {"https://long.example/"}, {}};
    for (int i = 0; i < 300; ++i)
        longName.Folders.push_back(
            {"s" + QByteArray::number(i), {"https://s" + QByteArray::number(i) + ".example/"}, {}});
    root.Folders.push_back(std::move(longName));
    // One letter a name, so that depth and not length is the limit met.
    TTree chain{"z", {"https://deep.example/"}, {}};
    for (int i = 398; i >= 0; --i)
        chain = TTree{QByteArray(1, char('a' + i % 26)), {}, {std::move(chain)}};
    root.Folders.push_back(std::move(chain));
    return root;
}

void ExpectSameCategories(const std::vector<TWebSite>& Profile, const TWebSiteList& Html)
{
    ASSERT_EQ(qsizetype(Profile.size()), Html.Count());
    for (size_t i = 0; i < Profile.size(); ++i) {
        SCOPED_TRACE(Profile[i].URL.toStdString());
        EXPECT_EQ(Profile[i].URL, Html[qsizetype(i)].URL);
        EXPECT_EQ(Profile[i].Category, Html[qsizetype(i)].Category);
        EXPECT_LE(Profile[i].Category.size(), MaxBookmarkCategoryLength);
        EXPECT_LE(Components(Profile[i].Category), MaxBookmarkFolderDepth);
    }
}

TEST(ProfileCategories, ChromiumFollowsTheHtmlReadersLimits)
{
    const TTree bar = WideAndDeep("Bookmarks bar");
    const QByteArray json = "{\"roots\": {\"bookmark_bar\": " + ChromiumNode(bar) + "}}";
    const std::vector<TWebSite> sites = ReadChromiumBookmarksData(json, u"Bookmarks"_s);
    TWebSiteList fromHtml;
    WebSitesLoadFromHtmlData(fromHtml, "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
                                           + HtmlFolder(bar) + "</DL>\n");
    ExpectSameCategories(sites, fromHtml);
    ASSERT_EQ(sites.size(), 302u);
    EXPECT_EQ(sites[0].Category, u"Bookmarks bar"_s);     // in the long-named folder
    EXPECT_EQ(sites[1].Category, u"Bookmarks bar\\s0"_s); // below it
    EXPECT_EQ(Components(sites[301].Category), MaxBookmarkFolderDepth);
    EXPECT_TRUE(sites[301].Category.startsWith(u"Bookmarks bar\\a\\b\\c\\"_s));
}

TEST(ProfileCategories, FirefoxFollowsTheHtmlReadersLimits)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"places.sqlite"_s);
    TTree toolbar = WideAndDeep("Bookmarks Toolbar");
    // And a thousand nested titles of a thousand characters.
    TTree titles{QByteArray(1000, 't'), {"https://titles.example/"}, {}};
    for (int i = 0; i < 998; ++i)
        titles = TTree{QByteArray(1000, char('a' + i % 26)), {}, {std::move(titles)}};
    toolbar.Folders.push_back(std::move(titles));
    {
        TDb db(path);
        CreatePlacesSchema(db);
        std::string sql = "BEGIN;";
        int next = 100;
        for (const TTree& f : toolbar.Folders)
            PlacesRows(f, 3, next, sql);
        db.Exec(sql + "COMMIT;");
    }
    const std::vector<TWebSite> sites = ReadFirefoxBookmarks(path);
    TWebSiteList fromHtml;
    WebSitesLoadFromHtmlData(fromHtml, "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
                                           + HtmlFolder(toolbar) + "</DL>\n");
    ExpectSameCategories(sites, fromHtml);
    ASSERT_EQ(sites.size(), 303u);
    EXPECT_EQ(sites[1].Category, u"Bookmarks Toolbar\\s0"_s);
    // The outermost title fits (1,018 characters in all); none below it does.
    EXPECT_EQ(sites[302].Category,
              u"Bookmarks Toolbar\\"_s + QString(1000, QChar(u'a' + 997 % 26)));
}

// ---- Dates ----------------------------------------------------------------------------

// Chromium's microseconds since 1601: values past 64 bits or past the year 9999
// are read as no date (the time of reading), like any other bad text.
TEST(ChromiumDates, OutOfRangeValuesAreNoDate)
{
    const struct
    {
        const char* Value;
        qint64 UnixSeconds; // or INT64_MIN: no date
    } cases[] = {
        {"13345000000000000", 13345000000LL - 11644473600LL},
        {"1000000", -11644473599LL},            // 1601-01-01 00:00:01
        {"265046774399000000", 253402300799LL}, // 9999-12-31 23:59:59
        {"265046774400000000", INT64_MIN},      // 10000-01-01
        {"9223372036854775807", INT64_MIN},     // fits, 292,000 years on
        {"9999999999999999999", INT64_MIN},     // 19 digits past 64 bits
        {"18446744073709551616", INT64_MIN},    // 20 digits
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Value);
        const QByteArray json = QByteArray("{\"roots\": {\"other\": {\"type\": \"folder\", "
                                           "\"children\": [{\"type\": \"url\", \"name\": \"n\", "
                                           "\"url\": \"https://a.example/\", \"date_added\": \"")
                                + c.Value + "\"}]}}}";
        const qint64 before = TDateTime::Now().ToMilliseconds() / 1000 * 1000;
        const std::vector<TWebSite> sites = ReadChromiumBookmarksData(json, u"B"_s);
        const qint64 after = TDateTime::Now().ToMilliseconds();
        ASSERT_EQ(sites.size(), 1u);
        const qint64 ms = sites[0].AddDate.ToMilliseconds();
        if (c.UnixSeconds == INT64_MIN) {
            EXPECT_GE(ms, before);
            EXPECT_LE(ms, after);
        } else {
            EXPECT_EQ(ms, UnixEpochMSecs + c.UnixSeconds * 1000);
        }
    }
}
