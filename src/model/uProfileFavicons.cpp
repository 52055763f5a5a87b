// Favicons from a browser profile, for the bookmarks read from it.
//
// Firefox family: "favicons.sqlite" beside "places.sqlite". moz_pages_w_icons
// holds page addresses, moz_icons the pictures (one row per size, "width" in
// pixels, 65535 for SVG), moz_icons_to_pages links the two.
// Chromium family: "Favicons" beside "Bookmarks". icon_mapping links page
// addresses to icons, favicon_bitmaps holds each icon's pictures by size.
//
// Both are read from a snapshot copy, as the bookmarks are: the browser may be
// running with the database locked.

#include <model/uProfileBookmarks.h>
#include <model/uSqliteSnapshot.h>
#include <platform/EFileError.h>

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <climits>
#include <cstdlib>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

// How well a picture of Width pixels suits the list (16 px, 32 on 2x
// screens): 32 best, then 16, then the sizes nearest above, then below.
int SizeRank(int Width)
{
    if (Width == 32)
        return 0;
    if (Width == 16)
        return 1;
    if (Width > 16 && Width < 65535)
        return 2 + std::abs(Width - 32) / 8;
    if (Width > 0 && Width < 16)
        return 200 + (16 - Width);
    return 300; // unknown, or SVG (no size)
}

struct TChoice
{
    int Rank = INT_MAX;
    QByteArray Bytes;
};

// Runs Sql, whose rows are (page address, width, picture bytes), and gives each
// site without an icon the best-sized usable picture for its address.
void AttachIcons(std::vector<TWebSite>& Sites, const TSqliteSnapshot& Db, const char* Sql)
{
    QSet<QString> wanted;
    for (const TWebSite& site : Sites)
        if (site.IconId == 0)
            wanted.insert(site.URL);
    if (wanted.isEmpty())
        return;
    QHash<QString, TChoice> best;
    TSqliteStatement st(Db, Sql);
    while (st.Step()) {
        sqlite3_stmt* s = st.Handle();
        const auto* url = sqlite3_column_text(s, 0);
        if (!url || sqlite3_column_type(s, 2) != SQLITE_BLOB)
            continue;
        const QString page =
            QString::fromUtf8(reinterpret_cast<const char*>(url), sqlite3_column_bytes(s, 0));
        if (!wanted.contains(page))
            continue;
        const int bytes = sqlite3_column_bytes(s, 2);
        if (bytes <= 0 || bytes > MaxIconBytes)
            continue;
        const int rank = SizeRank(sqlite3_column_int(s, 1));
        TChoice& choice = best[page];
        if (rank >= choice.Rank)
            continue;
        const QByteArray data(static_cast<const char*>(sqlite3_column_blob(s, 2)), bytes);
        if (SniffIconType(data).isEmpty())
            continue;
        choice = {rank, data};
    }
    QHash<QString, TIconId> ids;
    for (auto it = best.cbegin(); it != best.cend(); ++it)
        if (!it->Bytes.isEmpty())
            ids.insert(it.key(), WebSiteIcons().AddBytes({}, it->Bytes));
    for (TWebSite& site : Sites)
        if (site.IconId == 0)
            site.IconId = ids.value(site.URL);
}

} // namespace

void ReadFirefoxFavicons(std::vector<TWebSite>& Sites, const QString& FileName)
{
    const TSqliteSnapshot db(FileName);
    db.RequireTable("moz_pages_w_icons", {"id", "page_url"});
    db.RequireTable("moz_icons_to_pages", {"page_id", "icon_id"});
    db.RequireTable("moz_icons", {"id", "width", "data"});
    AttachIcons(Sites, db,
                "SELECT p.page_url, i.width, i.data FROM moz_pages_w_icons p "
                "JOIN moz_icons_to_pages ip ON ip.page_id = p.id "
                "JOIN moz_icons i ON i.id = ip.icon_id");
}

void ReadChromiumFavicons(std::vector<TWebSite>& Sites, const QString& FileName)
{
    const TSqliteSnapshot db(FileName);
    db.RequireTable("icon_mapping", {"page_url", "icon_id"});
    db.RequireTable("favicon_bitmaps", {"icon_id", "width", "image_data"});
    AttachIcons(Sites, db,
                "SELECT m.page_url, b.width, b.image_data FROM icon_mapping m "
                "JOIN favicon_bitmaps b ON b.icon_id = m.icon_id");
}

void ReadProfileFavicons(std::vector<TWebSite>& Sites, const QString& BookmarksFile,
                         TBrowserBookmarkFile Kind)
{
    const bool firefox = Kind == TBrowserBookmarkFile::FirefoxPlaces;
    const QString favicons =
        QFileInfo(BookmarksFile).dir().filePath(firefox ? u"favicons.sqlite"_s : u"Favicons"_s);
    if (Kind == TBrowserBookmarkFile::None || !QFileInfo::exists(favicons))
        return;
    try {
        if (firefox)
            ReadFirefoxFavicons(Sites, favicons);
        else
            ReadChromiumFavicons(Sites, favicons);
    } catch (const EFileError&) {
        // A damaged or foreign icon database: the bookmarks stand without icons.
    }
}
