// The browser profile readers: Chromium "Bookmarks" JSON and Firefox places.sqlite.

#include "PrintQt.h"
#include "ProfileFixtures.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <model/uBookmarkHtml.h>
#include <model/uFolderImportExport.h>
#include <model/uProfileBookmarks.h>
#include <model/uWebSiteList.h>
#include <model/uWebSiteTags.h>

using namespace Qt::StringLiterals;
using namespace fixtures;

namespace {

TDateTime At(qint64 unixSeconds)
{
    return UnixTextToDate(QString::number(unixSeconds));
}

struct TExpected
{
    const char* URL;
    const char* Title;
    const char* Category;
    qint64 Seconds;
};

void ExpectList(const TWebSiteList& list, std::initializer_list<TExpected> expected)
{
    ASSERT_EQ(list.Count(), qsizetype(expected.size()));
    qsizetype i = 0;
    for (const TExpected& e : expected) {
        SCOPED_TRACE(e.URL);
        EXPECT_EQ(list[i].URL, QString::fromUtf8(e.URL));
        EXPECT_EQ(list[i].Title, QString::fromUtf8(e.Title));
        EXPECT_EQ(list[i].Category, QString::fromUtf8(e.Category));
        EXPECT_EQ(list[i].AddDate, At(e.Seconds));
        ++i;
    }
}

void ExpectSameEntries(const TWebSiteList& a, const TWebSiteList& b)
{
    ASSERT_EQ(a.Count(), b.Count());
    for (qsizetype i = 0; i < a.Count(); ++i) {
        SCOPED_TRACE(a[i].URL.toStdString());
        EXPECT_EQ(a[i], b[i]);
    }
}

// Every file of a folder with a hash of its bytes.
std::map<QString, QByteArray> FolderHashes(const QString& dir)
{
    std::map<QString, QByteArray> out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        out[path] = QCryptographicHash::hash(ReadFile(path), QCryptographicHash::Sha256);
    }
    return out;
}

TEST(ChromiumBookmarks, EveryRootInTheExportsPlaces)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Bookmarks"_s);
    WriteFile(path, ChromiumBookmarksJson());
    TWebSiteList list;
    ASSERT_TRUE(WebSitesLoadFromBrowserFile(list, path));
    // The bar is a folder; the bookmarklet is dropped as any non-http address is;
    // "other" comes at the top level, the mobile root as a folder.
    ExpectList(list,
               {
                   {"https://top.example/?a=1&b=2", "Top <b> \"q\" \xF0\x9F\x98\x80",
                    "Bookmarks bar", 1700000001},
                   {"https://deep.example/", "Deep", "Bookmarks bar\\Work\\Inner", 1700000003},
                   {"https://loose.example/", "Loose", "", 1700000005},
                   {"https://otherfolder.example/", "In other folder", "Reading", 1700000006},
                   {"https://phone.example/", "Phone", "Mobile bookmarks", 1700000007},
               });
    EXPECT_EQ(list.Stats.Files, 0); // counted by WebSitesLoadFromFile, not here
}

TEST(ChromiumBookmarks, SameEntriesAsImportingTheBrowsersExport)
{
    TWebSiteList fromProfile;
    WebSitesAddBrowserBookmarks(fromProfile,
                                ReadChromiumBookmarksData(ChromiumBookmarksJson(), u"B"_s));
    TWebSiteList fromExport;
    WebSitesLoadFromHtmlData(fromExport, ChromiumExportHtml());
    // But for the mobile root, which the export puts at the top level and the
    // profile reader keeps as the mobile folder.
    TWebSite& phone = fromProfile[fromProfile.Count() - 1];
    ASSERT_EQ(phone.URL, u"https://phone.example/"_s);
    EXPECT_EQ(phone.Category, u"Mobile bookmarks"_s);
    EXPECT_EQ(phone.Place, 1);
    phone.Category = TSiteText();
    phone.Place = 4; // after the bar, "Loose" and "Reading"
    ExpectSameEntries(fromProfile, fromExport);
}

TEST(ChromiumBookmarks, ReaderKeepsNonHttpEntriesForCounting)
{
    const std::vector<TWebSite> sites = ReadChromiumBookmarksData(ChromiumBookmarksJson(), u"B"_s);
    ASSERT_EQ(sites.size(), 6u);
    EXPECT_EQ(sites[2].URL, u"javascript:alert(1)"_s);
    EXPECT_EQ(sites[2].Category, u"Bookmarks bar\\Work"_s);
}

TEST(ChromiumBookmarks, ExtraRootsTabsAndChromeAddresses)
{
    const QByteArray json = R"({"roots": {
        "bookmark_bar": {"children": [
            {"type": "url", "name": "Set\ttings", "url": "chrome://settings/", "date_added": "0"},
            {"type": "folder", "name": "", "children": [
                {"type": "url", "name": "In unnamed", "url": "https://u.example/"}]}],
            "type": "folder"},
        "workspaces": {"name": "Workspace", "type": "folder", "children": [
            {"type": "url", "name": "W", "url": "https://w.example/", "date_added": "13000000000000000",
             "date_modified": "13000000100000000"}]},
        "other": {"children": [], "type": "folder"}}})";
    const std::vector<TWebSite> sites = ReadChromiumBookmarksData(json, u"B"_s);
    ASSERT_EQ(sites.size(), 3u);
    // The HTML reader drops tabs and reads chrome:// as http://; a date of 0 is the epoch.
    EXPECT_EQ(sites[0].Title, u"Settings"_s);
    EXPECT_EQ(sites[0].URL, u"http://settings/"_s);
    EXPECT_EQ(sites[0].AddDate, At(0));
    // No stored name for the bar: the export's English one. An empty folder name
    // stays an empty component, as the HTML reader's folder stack keeps it.
    EXPECT_EQ(sites[0].Category, u"Bookmarks bar"_s);
    EXPECT_EQ(sites[1].Category, u"Bookmarks bar\\"_s);
    EXPECT_EQ(sites[2].Category, u"Workspace"_s);
    EXPECT_EQ(sites[2].AddDate, At(13000000000LL - 11644473600LL));
    // An edited bookmark keeps when it was changed; the others know nothing of it.
    EXPECT_EQ(WebSiteModified(sites[2]), At(13000000100LL - 11644473600LL));
    EXPECT_TRUE(sites[0].Extras.IsEmpty());
}

TEST(ChromiumBookmarks, BadFilesRaiseFileErrorsNamingTheFile)
{
    QByteArray deep = R"({"roots": {"other": {"type": "folder", "children": [)";
    for (int i = 0; i < 10000; ++i)
        deep += R"({"type": "folder", "name": "d", "children": [)";
    for (int i = 0; i < 10000; ++i)
        deep += "]}";
    deep += "]}}}";
    const QByteArray good = ChromiumBookmarksJson();
    const struct
    {
        const char* Name;
        QByteArray Data;
    } cases[] = {
        {"empty", ""},
        {"not JSON", "<!DOCTYPE NETSCAPE-Bookmark-file-1>"},
        {"truncated", good.left(good.size() / 2)},
        {"no roots", R"({"version": 1})"},
        {"roots not an object", R"({"roots": [1, 2]})"},
        {"children not a list", R"({"roots": {"other": {"type": "folder", "children": {}}}})"},
        {"child not an object", R"({"roots": {"other": {"type": "folder", "children": [3]}}})"},
        {"name not a text",
         R"({"roots": {"other": {"children": [{"type": "url", "name": 5, "url": "https://x/"}]}}})"},
        {"bad escape", R"({"roots": {"other": {"name": "a\qb"}}})"},
        {"short unicode escape", R"({"roots": {"other": {"name": "\u12"}}})"},
        {"raw control character", "{\"roots\": {\"other\": {\"name\": \"a\x01\"}}}"},
        {"trailing data", good + "{}"},
        {"10,000 nested folders", deep},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        try {
            ReadChromiumBookmarksData(c.Data, u"/profiles/Default/Bookmarks"_s);
            ADD_FAILURE() << "no error";
        } catch (const EFileError& e) {
            EXPECT_EQ(e.FileName(), u"/profiles/Default/Bookmarks"_s);
            EXPECT_TRUE(e.Text().contains(u"Bookmarks"_s));
        }
    }
}

TEST(ChromiumBookmarks, HundredMegabyteFileIsReadOrRefusedCleanly)
{
    QByteArray big = R"({"roots": {"other": {"type": "folder", "children": [)";
    big += R"({"type": "url", "name": "A", "url": "https://a.example/", "date_added": "0"})";
    big += QByteArray(100 * 1024 * 1024, ' ');
    big += R"(, {"type": "url", "name": "B", "url": "https://b.example/", "date_added": "0"}]}}})";
    const std::vector<TWebSite> sites = ReadChromiumBookmarksData(big, u"B"_s);
    ASSERT_EQ(sites.size(), 2u);
    EXPECT_EQ(sites[1].URL, u"https://b.example/"_s);
    big.chop(20);
    EXPECT_THROW(ReadChromiumBookmarksData(big, u"B"_s), EFileError);
}

// ---- Firefox ---------------------------------------------------------------------

class FirefoxPlaces : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        FPath = FDir.filePath(u"profile/places.sqlite"_s);
        QDir().mkpath(FDir.filePath(u"profile"_s));
    }

    QTemporaryDir FDir;
    QString FPath;
};

TEST_F(FirefoxPlaces, RootsTagsSeparatorsAndQueries)
{
    {
        TDb db(FPath);
        CreatePlacesSchema(db);
        FillPlaces(db);
    }
    TWebSiteList list;
    ASSERT_TRUE(WebSitesLoadFromBrowserFile(list, FPath));
    ExpectList(list,
               {
                   {"https://menu.example/", "Menu link", "", 1700000010},
                   {"https://untitled.example/", "", "Menu folder", 1700000014},
                   {"https://toolbar1.example/", "Toolbar first", "Bookmarks Toolbar", 1700000020},
                   {"https://toolbar2.example/", "Toolbar second", "Bookmarks Toolbar", 1700000021},
                   {"https://tool.example/?a=1&b='2'", "Tool", "Bookmarks Toolbar\\Dev\\Tools",
                    1700000024},
                   {"https://unfiled.example/", "Unfiled link", "Other Bookmarks", 1700000030},
                   {"https://mobile.example/", "Mobile link", "Mobile Bookmarks", 1700000040},
               });
    // Tags and keywords belong to the address: the tag folders give the tags.
    EXPECT_EQ(WebSiteTags(list[5]), (QStringList{u"mytag"_s, u"second tag"_s}));
    EXPECT_EQ(WebSiteKeyword(list[5]), u"un"_s);
    EXPECT_EQ(WebSiteKeyword(list[4]), u"tl"_s);
    EXPECT_TRUE(WebSiteTags(list[0]).isEmpty());
}

TEST_F(FirefoxPlaces, SameEntriesAsImportingTheBrowsersExport)
{
    {
        TDb db(FPath);
        CreatePlacesSchema(db);
        FillPlaces(db);
        db.Exec("DELETE FROM moz_bookmarks WHERE parent = 6"); // the export leaves mobile out
    }
    TWebSiteList fromProfile;
    WebSitesAddBrowserBookmarks(fromProfile, ReadFirefoxBookmarks(FPath));
    TWebSiteList fromExport;
    WebSitesLoadFromHtmlData(fromExport, FirefoxExportHtml());
    ExpectSameEntries(fromProfile, fromExport);
}

// A browser that is running: WAL mode, new rows only in the -wal file, the
// database held open (and locked, as Firefox locks it). The reader sees every
// committed row and leaves every file of the profile as it was.
TEST_F(FirefoxPlaces, RunningBrowserRowsOnlyInTheWalAndNothingWritten)
{
    TDb browser(FPath);
    browser.Exec("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
    CreatePlacesSchema(browser);
    browser.Exec("PRAGMA wal_checkpoint(TRUNCATE);");
    browser.Exec(Bookmark(10, 3, 0, "Checkpointed", "https://old.example/", 1700000001));
    browser.Exec("PRAGMA wal_checkpoint(TRUNCATE);");
    browser.Exec(Bookmark(11, 3, 1, "Only in WAL", "https://new.example/", 1700000002));
    // Exclusive locking takes the write lock for good at the next write.
    browser.Exec(
        "PRAGMA locking_mode=EXCLUSIVE; UPDATE moz_bookmarks SET lastModified = 2 WHERE id = 1;");
    ASSERT_GT(QFileInfo(FPath + u"-wal"_s).size(), 0);

    const auto before = FolderHashes(FDir.filePath(u"profile"_s));
    const std::vector<TWebSite> sites = ReadFirefoxBookmarks(FPath);
    ASSERT_EQ(sites.size(), 2u);
    EXPECT_EQ(sites[0].URL, u"https://old.example/"_s);
    EXPECT_EQ(sites[1].URL, u"https://new.example/"_s);
    EXPECT_EQ(FolderHashes(FDir.filePath(u"profile"_s)), before);

    // The live file itself is locked against readers, which is why the copy is read.
    sqlite3* direct = nullptr;
    sqlite3_open_v2(QFile::encodeName(FPath).constData(), &direct, SQLITE_OPEN_READONLY, nullptr);
    EXPECT_NE(sqlite3_exec(direct, "SELECT count(*) FROM moz_bookmarks", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(direct);
}

TEST_F(FirefoxPlaces, BadDatabasesRaiseFileErrorsNamingTheFile)
{
    {
        TDb db(FPath);
        CreatePlacesSchema(db);
        FillPlaces(db);
    }
    const QByteArray good = ReadFile(FPath);
    ASSERT_GT(good.size(), 4096);
    QByteArray corrupt = good;
    for (qsizetype i = 100; i < corrupt.size(); i += 7)
        corrupt[i] = char(0xA5);
    QByteArray deepRows;
    const struct
    {
        const char* Name;
        QByteArray Data;
    } cases[] = {
        {"not SQLite", "{\"roots\": 1}"},
        {"empty", ""},
        {"corrupt", corrupt},
        {"truncated", good.left(good.size() / 2 + 10)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteFile(FPath, c.Data);
        try {
            const auto sites = ReadFirefoxBookmarks(FPath);
            // A cut at a page boundary may leave whole tables readable; nothing more.
            EXPECT_LT(sites.size(), 7u);
            EXPECT_STREQ(c.Name, "truncated");
        } catch (const EFileError& e) {
            EXPECT_EQ(e.FileName(), FPath);
        }
    }
    QFile::remove(FPath);
    {
        TDb db(FPath);
        db.Exec("CREATE TABLE moz_icons (id INTEGER PRIMARY KEY);");
    }
    EXPECT_THROW(ReadFirefoxBookmarks(FPath), EFileError);
    TWebSiteList list;
    EXPECT_FALSE(WebSitesLoadFromBrowserFile(list, FPath)); // a profile's other databases
}

TEST_F(FirefoxPlaces, TenThousandNestedFoldersRaiseAnError)
{
    {
        TDb db(FPath);
        CreatePlacesSchema(db);
        std::string sql = "BEGIN;";
        for (int i = 0; i < 10000; ++i)
            sql += Folder(100 + i, i == 0 ? 2 : 99 + i, 0, "d");
        sql += Bookmark(20000, 10099, 0, "Deep", "https://deep.example/", 1);
        db.Exec(sql + "COMMIT;");
    }
    EXPECT_THROW(ReadFirefoxBookmarks(FPath), EFileError);
}

TEST(BrowserFiles, RecognisedByContentWhereverAFileIsRead)
{
    QTemporaryDir dir;
    WriteFile(dir.filePath(u"tree/Default/Bookmarks"_s), ChromiumBookmarksJson());
    WriteFile(dir.filePath(u"tree/saved.json"_s), ChromiumBookmarksJson());
    WriteFile(dir.filePath(u"tree/notes.json"_s), R"({"title": "no roots"})");
    const QString places = dir.filePath(u"tree/ff/places.sqlite"_s);
    QDir().mkpath(QFileInfo(places).path());
    {
        TDb db(places);
        CreatePlacesSchema(db);
        FillPlaces(db);
    }
    {
        TDb icons(dir.filePath(u"tree/ff/favicons.sqlite"_s));
        icons.Exec("CREATE TABLE moz_icons (id INTEGER PRIMARY KEY);");
    }
    EXPECT_EQ(BrowserBookmarkFileKind(dir.filePath(u"tree/saved.json"_s)),
              TBrowserBookmarkFile::ChromiumJson);
    EXPECT_EQ(BrowserBookmarkFileKind(places), TBrowserBookmarkFile::FirefoxPlaces);
    EXPECT_EQ(BrowserBookmarkFileKind(dir.filePath(u"tree/notes.json"_s)),
              TBrowserBookmarkFile::None);

    TWebSiteList list;
    WebSitesLoadFromPath(list, dir.filePath(u"tree"_s));
    EXPECT_EQ(list.Count(), 5 + 7); // both JSON copies merge into one set
    EXPECT_EQ(list.Stats.Files, 3); // two JSON files and places.sqlite
    EXPECT_GE(WebSitesIndexOfURL(list, u"https://phone.example/"_s), 0);
    EXPECT_GE(WebSitesIndexOfURL(list, u"https://mobile.example/"_s), 0);
}

} // namespace
