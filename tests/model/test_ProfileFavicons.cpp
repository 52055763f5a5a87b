// Favicons from browser profiles: Firefox's favicons.sqlite and the Chromium
// family's Favicons database, made here with the browsers' table layouts.

#include "ProfileFixtures.h"

#include <model/uProfileBookmarks.h>
#include <model/uWebSiteIcons.h>
#include <platform/EFileError.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace fixtures;

namespace {

// PNG-signed bytes, distinct per Width (and Seed).
QByteArray Png(int Width, int Seed = 0)
{
    return QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
           + QByteArray(40 + Width, char('a' + Seed));
}

std::string Blob(const QByteArray& Bytes)
{
    return "X'" + Bytes.toHex().toStdString() + "'";
}

TWebSite SiteOf(const char* URL)
{
    TWebSite s;
    s.URL = QString::fromUtf8(URL);
    return s;
}

// Firefox's moz_icons, moz_pages_w_icons and moz_icons_to_pages.
void CreateFirefoxFavicons(const QString& Path, const std::string& Rows)
{
    TDb db(Path);
    db.Exec("CREATE TABLE moz_icons ( id INTEGER PRIMARY KEY, icon_url TEXT NOT NULL,"
            " fixed_icon_url_hash INTEGER NOT NULL, width INTEGER NOT NULL DEFAULT 0,"
            " root INTEGER NOT NULL DEFAULT 0, color INTEGER, expire_ms INTEGER NOT NULL DEFAULT 0,"
            " flags INTEGER NOT NULL DEFAULT 0, data BLOB);"
            "CREATE TABLE moz_pages_w_icons ( id INTEGER PRIMARY KEY, page_url TEXT NOT NULL,"
            " page_url_hash INTEGER NOT NULL);"
            "CREATE TABLE moz_icons_to_pages ( page_id INTEGER NOT NULL, icon_id INTEGER NOT NULL,"
            " expire_ms INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (page_id, icon_id)) WITHOUT ROWID;"
            + Rows);
}

// Chromium's favicons, favicon_bitmaps and icon_mapping.
void CreateChromiumFavicons(const QString& Path, const std::string& Rows)
{
    TDb db(Path);
    db.Exec("CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
            "CREATE TABLE icon_mapping(id INTEGER PRIMARY KEY, page_url LONGVARCHAR NOT NULL,"
            " icon_id INTEGER, page_url_type INTEGER NOT NULL DEFAULT 0);"
            "CREATE TABLE favicons(id INTEGER PRIMARY KEY, url LONGVARCHAR NOT NULL,"
            " icon_type INTEGER DEFAULT 1);"
            "CREATE TABLE favicon_bitmaps(id INTEGER PRIMARY KEY, icon_id INTEGER NOT NULL,"
            " last_updated INTEGER DEFAULT 0, image_data BLOB, width INTEGER DEFAULT 0,"
            " height INTEGER DEFAULT 0, last_requested INTEGER NOT NULL DEFAULT 0);"
            + Rows);
}

} // namespace

// Each page takes its icon's 32 px picture, else the 16 px one, else the nearest;
// pages without an icon row, and icons that are no picture, give none; a site
// that already has an icon keeps it.
TEST(BrowserFavicons, FirefoxIconsBySizeForTheBookmarkedPages)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"favicons.sqlite"_s);
    CreateFirefoxFavicons(
        path, "INSERT INTO moz_icons(id, icon_url, fixed_icon_url_hash, width, data) VALUES"
              " (1, 'https://a.example/favicon.ico', 1, 16, "
                  + Blob(Png(16, 1))
                  + "),"
                    " (2, 'https://a.example/favicon.ico', 1, 32, "
                  + Blob(Png(32, 1))
                  + "),"
                    " (3, 'https://a.example/favicon.ico', 1, 64, "
                  + Blob(Png(64, 1))
                  + "),"
                    " (4, 'https://b.example/i.png', 2, 16, "
                  + Blob(Png(16, 2))
                  + "),"
                    " (5, 'https://b.example/i.png', 2, 64, "
                  + Blob(Png(64, 2))
                  + "),"
                    " (6, 'https://c.example/x', 3, 32, X'3c68746d6c3e'),"
                    " (7, 'https://d.example/y', 4, 48, "
                  + Blob(Png(48, 4))
                  + "),"
                    " (8, 'https://d.example/y', 4, 96, "
                  + Blob(Png(96, 4))
                  + ");"
                    "INSERT INTO moz_pages_w_icons(id, page_url, page_url_hash) VALUES"
                    " (1, 'https://a.example/', 1), (2, 'https://b.example/', 2), (3, "
                    "'https://c.example/', 3),"
                    " (4, 'https://d.example/', 4), (5, 'https://kept.example/', 5);"
                    "INSERT INTO moz_icons_to_pages(page_id, icon_id) VALUES"
                    " (1, 1), (1, 2), (1, 3), (2, 4), (2, 5), (3, 6), (4, 7), (4, 8), (5, 1);");

    std::vector<TWebSite> sites = {
        SiteOf("https://a.example/"),    SiteOf("https://b.example/"),
        SiteOf("https://c.example/"),    SiteOf("https://d.example/"),
        SiteOf("https://none.example/"), SiteOf("https://kept.example/")};
    const TIconId own = WebSiteIcons().AddBytes({}, Png(5, 9));
    sites[5].IconId = own;
    ReadFirefoxFavicons(sites, path);
    EXPECT_EQ(WebSiteIcons().Bytes(sites[0].IconId), Png(32, 1));
    EXPECT_EQ(WebSiteIcons().Bytes(sites[1].IconId), Png(16, 2));
    EXPECT_EQ(sites[2].IconId, 0u);
    EXPECT_EQ(WebSiteIcons().Bytes(sites[3].IconId), Png(48, 4));
    EXPECT_EQ(sites[4].IconId, 0u);
    EXPECT_EQ(sites[5].IconId, own);
}

TEST(BrowserFavicons, ChromiumIconsBySizeForTheBookmarkedPages)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Favicons"_s);
    CreateChromiumFavicons(
        path, "INSERT INTO favicons(id, url) VALUES (1, 'https://a.example/favicon.ico'),"
              " (2, 'https://b.example/favicon.ico');"
              "INSERT INTO favicon_bitmaps(icon_id, image_data, width, height) VALUES"
              " (1, "
                  + Blob(Png(16, 1)) + ", 16, 16), (1, " + Blob(Png(32, 1))
                  + ", 32, 32),"
                    " (2, "
                  + Blob(Png(16, 2))
                  + ", 16, 16);"
                    "INSERT INTO icon_mapping(page_url, icon_id) VALUES ('https://a.example/', 1),"
                    " ('https://a.example/deep', 1), ('https://b.example/', 2);");
    std::vector<TWebSite> sites = {SiteOf("https://a.example/"), SiteOf("https://b.example/"),
                                   SiteOf("https://a.example/deep"), SiteOf("https://c.example/")};
    ReadChromiumFavicons(sites, path);
    EXPECT_EQ(WebSiteIcons().Bytes(sites[0].IconId), Png(32, 1));
    EXPECT_EQ(WebSiteIcons().Bytes(sites[1].IconId), Png(16, 2));
    EXPECT_EQ(sites[2].IconId, sites[0].IconId); // one icon, stored once
    EXPECT_EQ(sites[3].IconId, 0u);
}

// Reading a profile's bookmarks brings the icons from the database beside them;
// one with missing tables, or none at all, leaves the bookmarks without icons.
TEST(BrowserFavicons, ProfileReadersTakeTheIconsBesideTheBookmarks)
{
    QTemporaryDir dir;
    const QString chromium = dir.filePath(u"Default/Bookmarks"_s);
    WriteFile(chromium, ChromiumBookmarksJson());
    CreateChromiumFavicons(
        dir.filePath(u"Default/Favicons"_s),
        "INSERT INTO favicon_bitmaps(icon_id, image_data, width) VALUES (1, " + Blob(Png(16, 7))
            + ", 16);"
              "INSERT INTO icon_mapping(page_url, icon_id) VALUES ('https://loose.example/', 1);");
    const QString places = dir.filePath(u"ff/places.sqlite"_s);
    QDir().mkpath(dir.filePath(u"ff"_s));
    {
        TDb db(places);
        CreatePlacesSchema(db);
        FillPlaces(db);
    }
    CreateFirefoxFavicons(
        dir.filePath(u"ff/favicons.sqlite"_s),
        "INSERT INTO moz_icons(id, icon_url, fixed_icon_url_hash, width, data) VALUES"
        " (1, 'x', 1, 16, "
            + Blob(Png(16, 8))
            + ");"
              "INSERT INTO moz_pages_w_icons VALUES (1, 'https://menu.example/', 1);"
              "INSERT INTO moz_icons_to_pages(page_id, icon_id) VALUES (1, 1);");

    const auto iconOf = [](const std::vector<TWebSite>& sites, const char* url) {
        for (const TWebSite& s : sites)
            if (s.URL == QLatin1StringView(url))
                return WebSiteIcons().Bytes(s.IconId);
        return QByteArray("(no such bookmark)");
    };
    EXPECT_EQ(iconOf(ReadBrowserBookmarks(chromium), "https://loose.example/"), Png(16, 7));
    EXPECT_EQ(iconOf(ReadBrowserBookmarks(chromium), "https://deep.example/"), QByteArray());
    TWebSiteList list;
    ASSERT_TRUE(WebSitesLoadFromBrowserFile(list, places));
    EXPECT_EQ(WebSiteIcons().Bytes(list.at(list.IndexOfURL(u"https://menu.example/"_s)).IconId),
              Png(16, 8));

    // A favicons database without its tables, and then a file that is no database.
    QFile::remove(dir.filePath(u"ff/favicons.sqlite"_s));
    TDb(dir.filePath(u"ff/favicons.sqlite"_s)).Exec("CREATE TABLE moz_icons (id INTEGER);");
    std::vector<TWebSite> sites;
    ASSERT_NO_THROW(sites = ReadBrowserBookmarks(places));
    EXPECT_EQ(iconOf(sites, "https://menu.example/"), QByteArray());
    EXPECT_THROW(ReadFirefoxFavicons(sites, dir.filePath(u"ff/favicons.sqlite"_s)), EFileError);
    WriteFile(dir.filePath(u"Default/Favicons"_s), "not a database at all");
    ASSERT_NO_THROW(sites = ReadBrowserBookmarks(chromium));
    EXPECT_EQ(iconOf(sites, "https://loose.example/"), QByteArray());
    EXPECT_THROW(ReadChromiumFavicons(sites, dir.filePath(u"Default/Favicons"_s)), EFileError);
}
