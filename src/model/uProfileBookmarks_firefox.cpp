// The Firefox family's "places.sqlite": moz_bookmarks holds the tree (type 1
// bookmark, 2 folder, 3 separator; parent, position, title, dateAdded in
// microseconds since 1970), moz_places the addresses. The roots are known by
// their guid; their stored titles are internal names, so the export's display
// names are used instead.

#include <QHash>
#include <algorithm>
#include <model/uProfileBookmarks.h>
#include <model/uProfileBookmarksParts.h>
#include <model/uSqliteSnapshot.h>
#include <model/uWebSiteTags.h>
#include <platform/EFileError.h>
#include <sqlite3.h>

using namespace Qt::StringLiterals;
using namespace zorvel::model::browser;

namespace {

enum : int
{
    BookmarkType = 1,
    FolderType = 2,
    SeparatorType = 3
};

struct TRow
{
    std::int64_t Id = 0;
    std::int64_t Parent = 0;
    std::int64_t Position = 0;
    std::int64_t DateAdded = 0;
    std::int64_t LastModified = 0;
    std::int64_t Place = 0; // moz_places.id: tags and keywords belong to the address
    int Type = 0;
    bool HasDate = false;
    QString Title;
    QString Url;
    QByteArray Guid;
};

QString TextColumn(sqlite3_stmt* st, int column)
{
    const void* text = sqlite3_column_text16(st, column);
    if (!text)
        return QString();
    const int bytes = sqlite3_column_bytes16(st, column);
    return QString(static_cast<const QChar*>(text), bytes / 2);
}

std::vector<TRow> ReadRows(const TSqliteSnapshot& Db)
{
    Db.RequireTable("moz_bookmarks", {"id", "type", "fk", "parent", "position", "title",
                                      "dateAdded", "lastModified", "guid"});
    Db.RequireTable("moz_places", {"id", "url"});
    TSqliteStatement st(
        Db, "SELECT b.id, b.type, b.parent, b.position, b.title, b.dateAdded, b.guid, p.url, "
            "b.fk, b.lastModified FROM moz_bookmarks b LEFT JOIN moz_places p ON p.id = b.fk");
    std::vector<TRow> rows;
    while (st.Step()) {
        sqlite3_stmt* s = st.Handle();
        TRow r;
        r.Id = sqlite3_column_int64(s, 0);
        r.Type = sqlite3_column_int(s, 1);
        r.Parent = sqlite3_column_int64(s, 2);
        r.Position = sqlite3_column_int64(s, 3);
        if (r.Type == FolderType || r.Type == BookmarkType)
            r.Title = TextColumn(s, 4);
        r.HasDate = sqlite3_column_type(s, 5) == SQLITE_INTEGER;
        r.DateAdded = sqlite3_column_int64(s, 5);
        if (const auto* g = sqlite3_column_text(s, 6))
            r.Guid = QByteArray(reinterpret_cast<const char*>(g), sqlite3_column_bytes(s, 6));
        if (r.Type == BookmarkType)
            if (const auto* u = sqlite3_column_text(s, 7))
                r.Url =
                    QString::fromUtf8(reinterpret_cast<const char*>(u), sqlite3_column_bytes(s, 7));
        r.Place = sqlite3_column_int64(s, 8);
        r.LastModified = sqlite3_column_int64(s, 9);
        rows.push_back(std::move(r));
    }
    return rows;
}

// PRTime microseconds to the export's whole seconds (Math.floor of the division).
TDateTime DateOf(const TRow& r)
{
    if (!r.HasDate)
        return TDateTime::Now();
    std::int64_t s = r.DateAdded / 1000000;
    if (r.DateAdded % 1000000 < 0)
        --s;
    return FromUnixSeconds(s);
}

// What Firefox keeps per address rather than per bookmark: the tags (bookmarks
// in the tag folders under the tags root, named by their folder) and the keyword.
struct TPlaceExtras
{
    QStringList Tags;
    QString Keyword;
};

bool HasTable(const TSqliteSnapshot& Db, const char* Table, const char* Column)
{
    TSqliteStatement st(Db, "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?");
    sqlite3_bind_text(st.Handle(), 1, Table, -1, SQLITE_STATIC);
    if (!st.Step())
        return false;
    const auto* sql = reinterpret_cast<const char*>(sqlite3_column_text(st.Handle(), 0));
    return sql && QByteArrayView(sql).contains(Column);
}

QHash<std::int64_t, TPlaceExtras> ReadPlaceExtras(const TSqliteSnapshot& Db)
{
    QHash<std::int64_t, TPlaceExtras> extras;
    {
        TSqliteStatement st(Db, "SELECT b.fk, t.title FROM moz_bookmarks b "
                                "JOIN moz_bookmarks t ON t.id = b.parent "
                                "JOIN moz_bookmarks r ON r.id = t.parent "
                                "WHERE r.guid = 'tags________' AND b.type = 1 AND t.type = 2");
        while (st.Step()) {
            const QString tag = TextColumn(st.Handle(), 1);
            if (!tag.isEmpty())
                extras[sqlite3_column_int64(st.Handle(), 0)].Tags.append(tag);
        }
        // Firefox's export sorts a bookmark's tags by their UTF-16 code units.
        for (TPlaceExtras& e : extras)
            std::sort(e.Tags.begin(), e.Tags.end());
    }
    // Firefox 39 and later; older databases kept the keyword on the bookmark.
    if (HasTable(Db, "moz_keywords", "place_id")) {
        TSqliteStatement st(Db, "SELECT place_id, keyword FROM moz_keywords ORDER BY id");
        while (st.Step()) {
            TPlaceExtras& e = extras[sqlite3_column_int64(st.Handle(), 0)];
            if (e.Keyword.isEmpty())
                e.Keyword = TextColumn(st.Handle(), 1);
        }
    }
    return extras;
}

// The extras of a bookmark read from its row and its address.
void SetExtras(TWebSite& Site, const TRow& Row, const QHash<std::int64_t, TPlaceExtras>& Places)
{
    if (Row.LastModified != 0) {
        std::int64_t s = Row.LastModified / 1000000;
        if (Row.LastModified % 1000000 < 0)
            --s;
        WebSiteModifiedSet(Site, FromUnixSeconds(s));
    }
    const auto it = Places.constFind(Row.Place);
    if (it == Places.cend())
        return;
    WebSiteTagsSet(Site, it->Tags);
    WebSiteKeywordSet(Site, it->Keyword);
}

// Where a root's contents go: into a folder (Folder, named Name), to the top
// level, or nowhere (Skip); the landmark it is.
struct TRootPlace
{
    bool Skip = false;
    bool Folder = true;
    QString Name;
    TLandmark Landmark = TLandmark::None;
};

TRootPlace PlaceOfRoot(const TRow& r)
{
    if (r.Guid == "menu________")
        return {false, false, {}, TLandmark::Menu};
    if (r.Guid == "toolbar_____")
        return {false, true, u"Bookmarks Toolbar"_s, TLandmark::Toolbar};
    if (r.Guid == "unfiled_____")
        return {false, true, u"Other Bookmarks"_s, TLandmark::Other};
    if (r.Guid == "mobile______")
        return {false, true, u"Mobile Bookmarks"_s, TLandmark::Mobile};
    if (r.Guid == "tags________")
        return {true, false, {}}; // tag folders repeat bookmarks
    return {false, true, AsHtmlImportReads(r.Title)};
}

} // namespace

namespace zorvel::model::browser {

bool HasFirefoxBookmarkTables(const TSqliteSnapshot& Db)
{
    return Db.HasTable("moz_bookmarks", {});
}

std::vector<TWebSite> ReadFirefoxSnapshot(const TSqliteSnapshot& Db, TBrowserTree* Folders)
{
    std::vector<TRow> rows = ReadRows(Db);
    const QHash<std::int64_t, TPlaceExtras> places = ReadPlaceExtras(Db);

    // Children of each row, in position order (id order among equal positions).
    std::vector<qsizetype> order(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        order[i] = qsizetype(i);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const TRow& x = rows[size_t(a)];
        const TRow& y = rows[size_t(b)];
        if (x.Parent != y.Parent)
            return x.Parent < y.Parent;
        if (x.Position != y.Position)
            return x.Position < y.Position;
        return x.Id < y.Id;
    });
    QHash<std::int64_t, std::pair<qsizetype, qsizetype>> children; // parent id -> range in order
    children.reserve(qsizetype(rows.size() / 4 + 1));
    for (qsizetype i = 0; i < qsizetype(order.size());) {
        const std::int64_t parent = rows[size_t(order[size_t(i)])].Parent;
        qsizetype j = i;
        while (j < qsizetype(order.size()) && rows[size_t(order[size_t(j)])].Parent == parent)
            ++j;
        children.insert(parent, {i, j});
        i = j;
    }

    qsizetype root = -1;
    for (size_t i = 0; i < rows.size() && root < 0; ++i)
        if (rows[i].Guid == "root________")
            root = qsizetype(i);
    for (size_t i = 0; i < rows.size() && root < 0; ++i)
        if (rows[i].Parent == 0 && rows[i].Type == FolderType)
            root = qsizetype(i); // a database older than the fixed root guids
    std::vector<TWebSite> out;
    if (root < 0)
        return out;

    // Depth-first in position order, as the export walks; a stack instead of
    // recursion, and a visited mark so that a damaged tree cannot loop.
    struct TFrame
    {
        qsizetype Row;
        qsizetype Next; // next index into order
        qsizetype End;
        TFolderWalk::TOpen Level; // of the folder's contents
    };
    TBrowserTree ownFolders;
    TBrowserTree& folders = Folders ? *Folders : ownFolders;
    TFolderWalk walk(folders);
    TFolderWalk::TOpen top = walk.Top();
    std::vector<bool> visited(rows.size(), false);
    std::vector<TFrame> stack;
    const auto push = [&](qsizetype row, TFolderWalk::TOpen level) {
        if (visited[size_t(row)])
            return;
        visited[size_t(row)] = true;
        // The root and a root folder above the chain of the user's folders.
        if (stack.size() > size_t(MaxBrowserFolderDepth) + 1)
            throw EFileError(Db.FileName(),
                             u"Folders nested more than %1 deep"_s.arg(MaxBrowserFolderDepth));
        const auto it = children.constFind(rows[size_t(row)].Id);
        if (it != children.cend())
            stack.push_back({row, it->first, it->second, level});
        else
            walk.Leave(level); // an empty folder
    };
    push(root, top);
    while (!stack.empty()) {
        TFrame& f = stack.back();
        if (f.Next == f.End) {
            if (f.Row != root)
                walk.Leave(f.Level);
            stack.pop_back();
            continue;
        }
        const qsizetype i = order[size_t(f.Next++)];
        const TRow& r = rows[size_t(i)];
        if (f.Row == root) {
            if (r.Type != FolderType)
                continue;
            const TRootPlace place = PlaceOfRoot(r);
            // Firefox always has a mobile root; it shows only when it holds something.
            if (place.Skip || (place.Landmark == TLandmark::Mobile && !children.contains(r.Id)))
                continue;
            if (place.Folder) {
                push(i, walk.Enter(top, place.Name, place.Landmark));
            } else {
                folders.SetLandmark(top.Folder, place.Landmark);
                push(i, top);
            }
            continue;
        }
        if (r.Type == FolderType) {
            const TFolderWalk::TOpen level = walk.Enter(f.Level, AsHtmlImportReads(r.Title));
            push(i, level); // f may move: nothing of it is used afterwards
        } else if (r.Type == SeparatorType) {
            walk.AddSeparator(f.Level);
        } else if (r.Type == BookmarkType && !r.Url.isEmpty() && !r.Url.startsWith(u"place:"_s)) {
            TWebSite site;
            site.Title = AsHtmlImportReads(r.Title);
            site.URL = AsHtmlImportReads(r.Url);
            site.Category = walk.Category(f.Level);
            site.Place = walk.Place(f.Level, IsHttpURL(site.URL));
            site.AddDate = DateOf(r);
            SetExtras(site, r, places);
            out.push_back(std::move(site));
        }
    }
    return out;
}

} // namespace zorvel::model::browser

std::vector<TWebSite> ReadFirefoxBookmarks(const QString& FileName, TBrowserTree* Folders)
{
    const TSqliteSnapshot db(FileName);
    if (!HasFirefoxBookmarkTables(db))
        throw EFileError(FileName, u"Not a Firefox bookmarks database (no moz_bookmarks table)"_s);
    std::vector<TWebSite> sites = ReadFirefoxSnapshot(db, Folders);
    ReadProfileFavicons(sites, FileName, TBrowserBookmarkFile::FirefoxPlaces);
    return sites;
}
