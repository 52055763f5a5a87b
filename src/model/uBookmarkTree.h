#pragma once
// A browser's bookmark tree as it is given back to the browser: roots, folders in
// their order, links, separators. The list keeps bookmarks as entries with a
// folder path; a browser keeps a tree whose every item has its place. Sending a
// list into a profile builds this tree from the list and from what the profile
// holds now: what Zorvel does not keep (bookmarklets, place: queries, file: and
// internal pages, separators, empty folders) is taken from the profile's tree
// and put back where it was.

#include <model/uWebSiteList.h>

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

enum class TBookmarkNodeKind : char
{
    Url,
    Folder,
    Separator
};

struct TBookmarkNode
{
    TBookmarkNodeKind Kind = TBookmarkNodeKind::Url;
    QString Title;
    QString Url;
    std::int64_t Added = 0;    // microseconds since 1970-01-01 UTC; 0: not known
    std::int64_t Modified = 0; // the same
    QStringList Tags;
    QString Keyword;
    QByteArray Icon; // a data: URI, or empty
    // The node as a Chromium profile stored it (id, guid, meta_info, ...), so
    // that what Zorvel does not know of is written back as it was.
    QJsonObject Stored;
    std::vector<TBookmarkNode> Children;
};

// The browser's fixed folders. A Chromium profile has no menu: what a Firefox
// profile keeps there goes to its other bookmarks.
enum class TBookmarkRoot : int
{
    Menu,
    Toolbar,
    Other,
    Mobile
};
inline constexpr int BookmarkRootCount = 4;

struct TBookmarkTree
{
    std::array<TBookmarkNode, BookmarkRootCount> Roots;

    TBookmarkNode& Root(TBookmarkRoot R) { return Roots[size_t(R)]; }
    const TBookmarkNode& Root(TBookmarkRoot R) const { return Roots[size_t(R)]; }
};

// True for an address the list keeps (http and https); the others stay in the
// browser where they are.
bool IsListedBookmarkUrl(const QString& Url);

// The links of the tree that the list keeps.
qsizetype BookmarkTreeCountListed(const TBookmarkTree& Tree);

// The tree of Sites in their order: each entry goes into the folder its category
// names, folders in the order their first entry comes. A category whose first
// folder is a browser root's name (that of Names, or one of the names the
// browsers and Zorvel's readers give it) goes under that root; any other under
// Default. The roots take their titles and stored fields from Names.
TBookmarkTree BookmarkTreeFromSites(const std::vector<TWebSite>& Sites, const TBookmarkTree& Names,
                                    TBookmarkRoot Default);

// Puts what Old holds and Zorvel does not keep into Tree, each item after the
// one it followed in Old when that is still in the same folder: links the list
// does not take, separators, and folders holding nothing the list takes (empty
// ones too). A folder that is gone from Tree is made again for them.
void BookmarkTreeKeepUnlisted(TBookmarkTree& Tree, const TBookmarkTree& Old);

// One link of a tree as a plan compares it.
struct TBookmarkPlace
{
    TBookmarkRoot Root = TBookmarkRoot::Menu;
    QStringList Folders; // below the root, outermost first
    QString Title;
    QString Url;
    QStringList Tags;
    QString Keyword;
};
// The listed links of the tree, in tree order.
std::vector<TBookmarkPlace> BookmarkTreePlaces(const TBookmarkTree& Tree);
