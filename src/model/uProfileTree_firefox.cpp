// The Firefox family's bookmarks as a tree, read from "places.sqlite" (a
// snapshot copy, never the file itself), and the bookmark HTML file that
// Firefox's importer reads at start-up when prefs.js asks it to. The importer
// replaces every bookmark with the file's; it knows the toolbar and the other
// bookmarks by the markers its own export writes on their folders.

#include <model/uBookmarkHtml.h>
#include <model/uProfileBookmarks.h>
#include <model/uProfileTree.h>
#include <model/uSqliteSnapshot.h>
#include <model/uWebSiteTags.h>
#include <platform/EFileError.h>

#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

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
    std::int64_t Place = 0;
    int Type = 0;
    TBookmarkNode Node;
    QByteArray Guid;
};

QString TextColumn(sqlite3_stmt* St, int Column)
{
    const void* text = sqlite3_column_text16(St, Column);
    if (!text)
        return QString();
    return QString(static_cast<const QChar*>(text), sqlite3_column_bytes16(St, Column) / 2);
}

const char* const RootGuids[] = {"menu________", "toolbar_____", "unfiled_____", "mobile______"};

QString Escaped(const QString& Text)
{
    QString out;
    out.reserve(Text.size());
    for (const QChar c : Text) {
        switch (c.unicode()) {
        case '&':
            out += u"&amp;"_s;
            break;
        case '<':
            out += u"&lt;"_s;
            break;
        case '>':
            out += u"&gt;"_s;
            break;
        case '"':
            out += u"&quot;"_s;
            break;
        case '\'':
            out += u"&#39;"_s;
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString Seconds(std::int64_t Microseconds)
{
    return QString::number(Microseconds / 1000000);
}

void WriteItems(QString& Out, const TBookmarkNode& Folder, int Level);

void WriteFolder(QString& Out, const TBookmarkNode& Folder, int Level, const char* Marker)
{
    const QString indent(Level * 4, u' ');
    Out += indent + u"<DT><H3 ADD_DATE=\""_s + Seconds(Folder.Added) + u"\" LAST_MODIFIED=\""_s
           + Seconds(Folder.Modified ? Folder.Modified : Folder.Added) + u'"';
    if (Marker)
        Out += u' ' + QString::fromLatin1(Marker) + u"=\"true\""_s;
    Out += u'>' + Escaped(Folder.Title) + u"</H3>\n"_s;
    Out += indent + u"<DL><p>\n"_s;
    WriteItems(Out, Folder, Level + 1);
    Out += indent + u"</DL><p>\n"_s;
}

void WriteItems(QString& Out, const TBookmarkNode& Folder, int Level)
{
    const QString indent(Level * 4, u' ');
    for (const TBookmarkNode& c : Folder.Children) {
        switch (c.Kind) {
        case TBookmarkNodeKind::Separator:
            Out += indent + u"<HR>\n"_s;
            break;
        case TBookmarkNodeKind::Folder:
            WriteFolder(Out, c, Level, nullptr);
            break;
        case TBookmarkNodeKind::Url:
            Out += indent + u"<DT><A HREF=\""_s + Escaped(c.Url) + u"\" ADD_DATE=\""_s
                   + Seconds(c.Added) + u"\" LAST_MODIFIED=\""_s
                   + Seconds(c.Modified ? c.Modified : c.Added) + u'"';
            if (!c.Icon.isEmpty())
                Out += u" ICON=\""_s + Escaped(QString::fromLatin1(c.Icon)) + u'"';
            if (!c.Keyword.isEmpty())
                Out += u" SHORTCUTURL=\""_s + Escaped(c.Keyword) + u'"';
            if (!c.Tags.isEmpty())
                Out += u" TAGS=\""_s + Escaped(c.Tags.join(u',')) + u'"';
            Out += u'>' + Escaped(c.Title) + u"</A>\n"_s;
            break;
        }
    }
}

QString PrefPattern(const QString& Name)
{
    return u"^\\s*user_pref\\(\\s*\""_s + QRegularExpression::escape(Name)
           + u"\"\\s*,\\s*(.*?)\\s*\\)\\s*;\\s*$"_s;
}

} // namespace

TBookmarkTree ReadFirefoxTree(const QString& PlacesFile)
{
    const TSqliteSnapshot db(PlacesFile);
    db.RequireTable("moz_bookmarks", {"id", "type", "fk", "parent", "position", "title",
                                      "dateAdded", "lastModified", "guid"});
    db.RequireTable("moz_places", {"id", "url"});
    std::vector<TRow> rows;
    {
        TSqliteStatement st(
            db, "SELECT b.id, b.type, b.parent, b.position, b.title, b.dateAdded, b.lastModified, "
                "b.guid, p.url, b.fk FROM moz_bookmarks b LEFT JOIN moz_places p ON p.id = b.fk");
        while (st.Step()) {
            sqlite3_stmt* s = st.Handle();
            TRow r;
            r.Id = sqlite3_column_int64(s, 0);
            r.Type = sqlite3_column_int(s, 1);
            r.Parent = sqlite3_column_int64(s, 2);
            r.Position = sqlite3_column_int64(s, 3);
            r.Node.Title = TextColumn(s, 4);
            r.Node.Added = sqlite3_column_int64(s, 5);
            r.Node.Modified = sqlite3_column_int64(s, 6);
            if (const auto* g = sqlite3_column_text(s, 7))
                r.Guid = QByteArray(reinterpret_cast<const char*>(g), sqlite3_column_bytes(s, 7));
            r.Node.Url = TextColumn(s, 8);
            r.Place = sqlite3_column_int64(s, 9);
            r.Node.Kind = r.Type == FolderType      ? TBookmarkNodeKind::Folder
                          : r.Type == SeparatorType ? TBookmarkNodeKind::Separator
                                                    : TBookmarkNodeKind::Url;
            if (r.Type == BookmarkType || r.Type == FolderType || r.Type == SeparatorType)
                rows.push_back(std::move(r));
        }
    }
    // Tags and keywords belong to the address, not to one bookmark.
    QHash<std::int64_t, QStringList> tags;
    {
        TSqliteStatement st(db, "SELECT b.fk, t.title FROM moz_bookmarks b "
                                "JOIN moz_bookmarks t ON t.id = b.parent "
                                "JOIN moz_bookmarks r ON r.id = t.parent "
                                "WHERE r.guid = 'tags________' AND b.type = 1 AND t.type = 2 "
                                "ORDER BY t.title");
        while (st.Step())
            tags[sqlite3_column_int64(st.Handle(), 0)].append(TextColumn(st.Handle(), 1));
    }
    QHash<std::int64_t, QString> keywords;
    if (db.HasTable("moz_keywords", {"place_id", "keyword"})) {
        TSqliteStatement st(db, "SELECT place_id, keyword FROM moz_keywords ORDER BY id");
        while (st.Step())
            keywords.insert(sqlite3_column_int64(st.Handle(), 0), TextColumn(st.Handle(), 1));
    }

    QHash<std::int64_t, std::vector<size_t>> children;
    for (size_t i = 0; i < rows.size(); ++i)
        children[rows[i].Parent].push_back(i);
    for (auto& list : children)
        std::sort(list.begin(), list.end(), [&](size_t a, size_t b) {
            return rows[a].Position != rows[b].Position ? rows[a].Position < rows[b].Position
                                                        : rows[a].Id < rows[b].Id;
        });
    // Builds a folder's node from its rows; Depth bounds a damaged tree's loops.
    const auto build = [&](auto&& self, size_t Row, int Depth) -> TBookmarkNode {
        if (Depth > MaxBrowserFolderDepth)
            throw EFileError(PlacesFile, u"Folders nested too deep"_s);
        TBookmarkNode node = rows[Row].Node;
        if (node.Kind == TBookmarkNodeKind::Url) {
            node.Tags = tags.value(rows[Row].Place);
            node.Keyword = keywords.value(rows[Row].Place);
        }
        if (node.Kind == TBookmarkNodeKind::Folder)
            for (const size_t c : children.value(rows[Row].Id))
                node.Children.push_back(self(self, c, Depth + 1));
        return node;
    };
    TBookmarkTree tree;
    for (size_t i = 0; i < rows.size(); ++i)
        for (int r = 0; r < BookmarkRootCount; ++r)
            if (rows[i].Guid == RootGuids[r])
                tree.Roots[size_t(r)] = build(build, i, 0);
    for (TBookmarkNode& root : tree.Roots)
        root.Kind = TBookmarkNodeKind::Folder;
    return tree;
}

QByteArray FirefoxBookmarksHtml(const TBookmarkTree& Tree)
{
    QString out = u"<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
                  "<!-- This is an automatically generated file.\n"
                  "     It will be read and overwritten.\n"
                  "     DO NOT EDIT! -->\n"
                  "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
                  "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'self'; "
                  "script-src 'none'; img-src data: *; object-src 'none'\"></meta>\n"
                  "<TITLE>Bookmarks</TITLE>\n"
                  "<H1>Bookmarks Menu</H1>\n\n"
                  "<DL><p>\n"_s;
    WriteItems(out, Tree.Root(TBookmarkRoot::Menu), 1);
    TBookmarkNode toolbar = Tree.Root(TBookmarkRoot::Toolbar);
    toolbar.Title = u"Bookmarks Toolbar"_s;
    WriteFolder(out, toolbar, 1, "PERSONAL_TOOLBAR_FOLDER");
    TBookmarkNode other = Tree.Root(TBookmarkRoot::Other);
    other.Title = u"Other Bookmarks"_s;
    WriteFolder(out, other, 1, "UNFILED_BOOKMARKS_FOLDER");
    if (!Tree.Root(TBookmarkRoot::Mobile).Children.empty()) {
        TBookmarkNode mobile = Tree.Root(TBookmarkRoot::Mobile);
        mobile.Title = u"Mobile Bookmarks"_s;
        WriteFolder(out, mobile, 1, nullptr);
    }
    out += u"</DL>\n"_s;
    return out.toUtf8();
}

std::vector<TBookmarkPlace> FirefoxHtmlPlaces(const QByteArray& Html)
{
    TWebSiteList list;
    list.Gathering = true;
    WebSitesLoadFromHtmlData(list, Html);
    std::vector<TBookmarkPlace> out;
    for (const TWebSite& site : list) {
        const QString url = site.URL.toString();
        if (!IsListedBookmarkUrl(url))
            continue;
        TBookmarkPlace p;
        p.Folders = site.Category.isEmpty() ? QStringList() : site.Category.toString().split(u'\\');
        if (!p.Folders.isEmpty() && p.Folders.first() == u"Bookmarks Toolbar"_s) {
            p.Root = TBookmarkRoot::Toolbar;
            p.Folders.removeFirst();
        } else if (!p.Folders.isEmpty() && p.Folders.first() == u"Other Bookmarks"_s) {
            p.Root = TBookmarkRoot::Other;
            p.Folders.removeFirst();
        }
        p.Title = site.Title.toString();
        p.Url = url;
        p.Tags = WebSiteTags(site);
        p.Keyword = WebSiteKeyword(site).toString();
        out.push_back(std::move(p));
    }
    return out;
}

QString FirefoxPrefValue(const QByteArray& Prefs, const QString& Name)
{
    const QRegularExpression re(PrefPattern(Name));
    QString value;
    for (const QByteArray& line : Prefs.split('\n')) {
        const QRegularExpressionMatch m = re.match(QString::fromUtf8(line).trimmed());
        if (m.hasMatch())
            value = m.captured(1); // the last line wins, as when Firefox reads the file
    }
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        value = value.mid(1, value.size() - 2).replace(u"\\\\"_s, u"\\"_s);
    return value;
}

QByteArray FirefoxPrefsWith(const QByteArray& Prefs, const QString& Name, const QString& Value)
{
    const QRegularExpression re(PrefPattern(Name));
    QByteArray out;
    for (const QByteArray& line : Prefs.split('\n')) {
        if (re.match(QString::fromUtf8(line).trimmed()).hasMatch())
            continue;
        out += line;
        out += '\n';
    }
    while (out.endsWith("\n\n"))
        out.chop(1);
    if (out == "\n")
        out.clear();
    out += "user_pref(\"" + Name.toUtf8() + "\", " + Value.toUtf8() + ");\n";
    return out;
}
