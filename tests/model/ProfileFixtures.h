#pragma once
// Small browser profile files made by the tests: a Chromium "Bookmarks" JSON and
// a Firefox "places.sqlite" with the browser's own table layout.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <sqlite3.h>
#include <stdexcept>
#include <string>

namespace fixtures {

inline void WriteFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        throw std::runtime_error("cannot write fixture " + path.toStdString());
}

inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Microseconds since 1601 for Chromium's date_added, from Unix seconds.
inline QByteArray ChromeTime(qint64 unixSeconds, int micro = 0)
{
    return QByteArray::number((unixSeconds + 11644473600LL) * 1000000LL + micro);
}

// Every root, nested folders, an empty folder, a bookmarklet, escapes, an extra root.
inline QByteArray ChromiumBookmarksJson()
{
    return QByteArray(R"J({
   "checksum": "0123456789abcdef0123456789abcdef",
   "roots": {
      "bookmark_bar": {
         "children": [ {
            "date_added": ")J")
           + ChromeTime(1700000001, 999999) + R"J(",
            "guid": "a", "id": "5", "name": "Top \u003Cb\u003E \"q\" \ud83d\ude00",
            "type": "url", "url": "https://top.example/?a=1&b=2"
         }, {
            "children": [ {
               "children": [ {
                  "date_added": ")J"
           + ChromeTime(1700000003) + R"J(",
                  "id": "9", "name": "Deep", "type": "url", "url": "https://deep.example/"
               } ],
               "date_added": "0", "date_modified": "0", "id": "8", "name": "Inner",
               "type": "folder"
            }, {
               "children": [ ], "date_added": "0", "id": "10", "name": "Empty", "type": "folder"
            }, {
               "date_added": ")J"
           + ChromeTime(1700000004) + R"J(", "id": "11",
               "meta_info": { "power_bookmark_meta": "x" },
               "name": "Bookmarklet", "type": "url", "url": "javascript:alert(1)"
            } ],
            "date_added": "0", "id": "7", "name": "Work", "type": "folder"
         } ],
         "date_added": "0", "id": "1", "name": "Bookmarks bar", "type": "folder"
      },
      "other": {
         "children": [ {
            "date_added": ")J"
           + ChromeTime(1700000005) + R"J(", "id": "12", "name": "Loose",
            "type": "url", "url": "https://loose.example/"
         }, {
            "children": [ {
               "date_added": ")J"
           + ChromeTime(1700000006) + R"J(", "id": "14",
               "name": "In other folder", "type": "url", "url": "https://otherfolder.example/"
            } ],
            "date_added": "0", "id": "13", "name": "Reading", "type": "folder"
         } ],
         "date_added": "0", "id": "2", "name": "Other bookmarks", "type": "folder"
      },
      "synced": {
         "children": [ {
            "date_added": ")J"
           + ChromeTime(1700000007) + R"J(", "id": "15", "name": "Phone",
            "type": "url", "url": "https://phone.example/"
         } ],
         "date_added": "0", "id": "3", "name": "Mobile bookmarks", "type": "folder"
      }
   },
   "sync_metadata": "abc",
   "version": 1
}
)J";
}

// What Chromium's HTML export writes for ChromiumBookmarksJson().
inline QByteArray ChromiumExportHtml()
{
    return QByteArray(
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
        "<!-- This is an automatically generated file.\r\n"
        "     It will be read and overwritten.\r\n"
        "     DO NOT EDIT! -->\r\n"
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
        "<TITLE>Bookmarks</TITLE>\r\n"
        "<H1>Bookmarks</H1>\r\n"
        "<DL><p>\r\n"
        "    <DT><H3 ADD_DATE=\"0\" LAST_MODIFIED=\"0\" PERSONAL_TOOLBAR_FOLDER=\"true\">Bookmarks "
        "bar</H3>\r\n"
        "    <DL><p>\r\n"
        "        <DT><A HREF=\"https://top.example/?a=1&b=2\" ADD_DATE=\"1700000001\">Top "
        "&lt;b&gt; &quot;q&quot; \xF0\x9F\x98\x80</A>\r\n"
        "        <DT><H3 ADD_DATE=\"0\" LAST_MODIFIED=\"0\">Work</H3>\r\n"
        "        <DL><p>\r\n"
        "            <DT><H3 ADD_DATE=\"0\" LAST_MODIFIED=\"0\">Inner</H3>\r\n"
        "            <DL><p>\r\n"
        "                <DT><A HREF=\"https://deep.example/\" ADD_DATE=\"1700000003\">Deep</A>\r\n"
        "            </DL><p>\r\n"
        "            <DT><H3 ADD_DATE=\"0\" LAST_MODIFIED=\"0\">Empty</H3>\r\n"
        "            <DL><p>\r\n"
        "            </DL><p>\r\n"
        "            <DT><A HREF=\"javascript:alert(1)\" "
        "ADD_DATE=\"1700000004\">Bookmarklet</A>\r\n"
        "        </DL><p>\r\n"
        "    </DL><p>\r\n"
        "    <DT><A HREF=\"https://loose.example/\" ADD_DATE=\"1700000005\">Loose</A>\r\n"
        "    <DT><H3 ADD_DATE=\"0\" LAST_MODIFIED=\"0\">Reading</H3>\r\n"
        "    <DL><p>\r\n"
        "        <DT><A HREF=\"https://otherfolder.example/\" ADD_DATE=\"1700000006\">In other "
        "folder</A>\r\n"
        "    </DL><p>\r\n"
        "    <DT><A HREF=\"https://phone.example/\" ADD_DATE=\"1700000007\">Phone</A>\r\n"
        "</DL><p>\r\n");
}

// An open SQLite connection for building fixtures.
class TDb
{
public:
    explicit TDb(const QString& path)
    {
        if (sqlite3_open(QFile::encodeName(path).constData(), &FDb) != SQLITE_OK)
            throw std::runtime_error("cannot open fixture database");
    }
    ~TDb() { sqlite3_close(FDb); }
    TDb(const TDb&) = delete;
    TDb& operator=(const TDb&) = delete;

    void Exec(const std::string& sql)
    {
        char* error = nullptr;
        if (sqlite3_exec(FDb, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string text = error ? error : "?";
            sqlite3_free(error);
            throw std::runtime_error("fixture SQL failed: " + text + " in " + sql);
        }
    }

private:
    sqlite3* FDb = nullptr;
};

// Firefox 153's moz_places and moz_bookmarks, and the roots a new profile has.
inline void CreatePlacesSchema(TDb& db)
{
    db.Exec(
        "CREATE TABLE moz_places (   id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR,"
        " rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL,"
        " typed INTEGER DEFAULT 0 NOT NULL, frecency INTEGER DEFAULT -1 NOT NULL,"
        " last_visit_date INTEGER , guid TEXT, foreign_count INTEGER DEFAULT 0 NOT NULL,"
        " url_hash INTEGER DEFAULT 0 NOT NULL , description TEXT, preview_image_url TEXT,"
        " site_name TEXT, origin_id INTEGER, recalc_frecency INTEGER NOT NULL DEFAULT 0,"
        " alt_frecency INTEGER, recalc_alt_frecency INTEGER NOT NULL DEFAULT 0);"
        "CREATE TABLE moz_bookmarks (  id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT "
        "NULL,"
        " parent INTEGER, position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type "
        "TEXT,"
        " dateAdded INTEGER, lastModified INTEGER, guid TEXT, syncStatus INTEGER NOT NULL DEFAULT "
        "0,"
        " syncChangeCounter INTEGER NOT NULL DEFAULT 1);"
        "CREATE TABLE moz_keywords (  id INTEGER PRIMARY KEY AUTOINCREMENT, keyword TEXT UNIQUE,"
        " place_id INTEGER, post_data TEXT);"
        "CREATE INDEX moz_bookmarks_parentindex ON moz_bookmarks (parent, position);"
        "CREATE UNIQUE INDEX moz_bookmarks_guid_uniqueindex ON moz_bookmarks (guid);"
        "INSERT INTO moz_bookmarks(id, type, parent, position, title, dateAdded, guid) VALUES"
        " (1, 2, 0, 0, '', 1, 'root________'), (2, 2, 1, 0, 'menu', 1, 'menu________'),"
        " (3, 2, 1, 1, 'toolbar', 1, 'toolbar_____'), (4, 2, 1, 2, 'tags', 1, 'tags________'),"
        " (5, 2, 1, 3, 'unfiled', 1, 'unfiled_____'), (6, 2, 1, 4, 'mobile', 1, 'mobile______');");
}

// A bookmark row (and its moz_places row) as SQL.
inline std::string Bookmark(int id, int parent, int position, const char* title, const char* url,
                            long long seconds, int micro = 0)
{
    const std::string t = title ? "'" + std::string(title) + "'" : "NULL";
    return "INSERT INTO moz_places(id, url, guid) VALUES (" + std::to_string(id) + ", '" + url
           + "', 'p" + std::to_string(id) + "');"
           + "INSERT INTO moz_bookmarks(id, type, fk, parent, position, title, dateAdded,"
             " lastModified, guid) VALUES ("
           + std::to_string(id) + ", 1, " + std::to_string(id) + ", " + std::to_string(parent)
           + ", " + std::to_string(position) + ", " + t + ", "
           + std::to_string(seconds * 1000000LL + micro) + ", 1000000, 'b" + std::to_string(id)
           + "');";
}

inline std::string Folder(int id, int parent, int position, const char* title)
{
    return "INSERT INTO moz_bookmarks(id, type, parent, position, title, dateAdded, guid) VALUES "
           "("
           + std::to_string(id) + ", 2, " + std::to_string(parent) + ", " + std::to_string(position)
           + ", '" + title + "', 1, 'f" + std::to_string(id) + "');";
}

// Menu, toolbar, unfiled and mobile bookmarks, nesting, a NULL title, a separator,
// a place: query, two tag folders pointing at a bookmark again, and keywords.
inline void FillPlaces(TDb& db)
{
    db.Exec(Bookmark(10, 2, 0, "Menu link", "https://menu.example/", 1700000010, 500000)
            + "INSERT INTO moz_bookmarks(id, type, parent, position, dateAdded, guid)"
              " VALUES (11, 3, 2, 1, 1, 'sep1');"
            + Bookmark(12, 2, 2, "Recent", "place:sort=8&maxResults=10", 1700000012)
            + Folder(13, 2, 3, "Menu folder")
            + Bookmark(14, 13, 0, nullptr, "https://untitled.example/", 1700000014)
            + Bookmark(20, 3, 1, "Toolbar second", "https://toolbar2.example/", 1700000021)
            + Bookmark(21, 3, 0, "Toolbar first", "https://toolbar1.example/", 1700000020)
            + Folder(22, 3, 2, "Dev") + Folder(23, 22, 0, "Tools")
            + Bookmark(24, 23, 0, "Tool", "https://tool.example/?a=1&b=''2''", 1700000024)
            + Bookmark(30, 5, 0, "Unfiled link", "https://unfiled.example/", 1700000030)
            + Bookmark(40, 6, 0, "Mobile link", "https://mobile.example/", 1700000040)
            + Folder(50, 4, 0, "second tag")
            + "INSERT INTO moz_bookmarks(id, type, fk, parent, position, dateAdded, guid)"
              " VALUES (51, 1, 30, 50, 0, 1, 'tagentry1');"
            + Folder(52, 4, 1, "mytag")
            + "INSERT INTO moz_bookmarks(id, type, fk, parent, position, dateAdded, guid)"
              " VALUES (53, 1, 30, 52, 0, 1, 'tagentry2');"
            + "INSERT INTO moz_keywords(keyword, place_id) VALUES ('un', 30), ('tl', 24);");
}

// What Firefox's HTML export writes for FillPlaces (the mobile root left out).
inline QByteArray FirefoxExportHtml()
{
    return QByteArray("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
                      "<!-- This is an automatically generated file.\n"
                      "     It will be read and overwritten.\n"
                      "     DO NOT EDIT! -->\n"
                      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
                      "<meta http-equiv=\"Content-Security-Policy\"\n"
                      "      content=\"default-src 'self'; script-src 'none'; img-src data: *; "
                      "object-src 'none'\"></meta>\n"
                      "<TITLE>Bookmarks</TITLE>\n"
                      "<H1>Bookmarks Menu</H1>\n"
                      "\n"
                      "<DL><p>\n"
                      "    <DT><A HREF=\"https://menu.example/\" ADD_DATE=\"1700000010\" "
                      "LAST_MODIFIED=\"1\">Menu link</A>\n"
                      "    <HR>    <DT><A HREF=\"place:sort=8&amp;maxResults=10\" "
                      "ADD_DATE=\"1700000012\" LAST_MODIFIED=\"1\">Recent</A>\n"
                      "    <DT><H3 ADD_DATE=\"0\" LAST_MODIFIED=\"0\">Menu folder</H3>\n"
                      "    <DL><p>\n"
                      "        <DT><A HREF=\"https://untitled.example/\" ADD_DATE=\"1700000014\" "
                      "LAST_MODIFIED=\"1\"></A>\n"
                      "    </DL><p>\n"
                      "    <DT><H3 ADD_DATE=\"0\" LAST_MODIFIED=\"0\" "
                      "PERSONAL_TOOLBAR_FOLDER=\"true\">Bookmarks Toolbar</H3>\n"
                      "    <DL><p>\n"
                      "        <DT><A HREF=\"https://toolbar1.example/\" ADD_DATE=\"1700000020\" "
                      "LAST_MODIFIED=\"1\">Toolbar first</A>\n"
                      "        <DT><A HREF=\"https://toolbar2.example/\" ADD_DATE=\"1700000021\" "
                      "LAST_MODIFIED=\"1\">Toolbar second</A>\n"
                      "        <DT><H3 ADD_DATE=\"0\" LAST_MODIFIED=\"0\">Dev</H3>\n"
                      "        <DL><p>\n"
                      "            <DT><H3 ADD_DATE=\"0\" LAST_MODIFIED=\"0\">Tools</H3>\n"
                      "            <DL><p>\n"
                      "                <DT><A HREF=\"https://tool.example/?a=1&amp;b=&#39;2&#39;\" "
                      "ADD_DATE=\"1700000024\" LAST_MODIFIED=\"1\" SHORTCUTURL=\"tl\">Tool</A>\n"
                      "            </DL><p>\n"
                      "        </DL><p>\n"
                      "    </DL><p>\n"
                      "    <DT><H3 ADD_DATE=\"0\" LAST_MODIFIED=\"0\" "
                      "UNFILED_BOOKMARKS_FOLDER=\"true\">Other Bookmarks</H3>\n"
                      "    <DL><p>\n"
                      "        <DT><A HREF=\"https://unfiled.example/\" ADD_DATE=\"1700000030\" "
                      "LAST_MODIFIED=\"1\" SHORTCUTURL=\"un\" TAGS=\"mytag,second tag\">Unfiled "
                      "link</A>\n"
                      "    </DL><p>\n"
                      "</DL>\n");
}

} // namespace fixtures
