#pragma once
// Readers of the files in which browsers keep their bookmarks, so that a profile's
// bookmarks come in without the user exporting them first: the Chromium family's
// "Bookmarks" (JSON) and the Firefox family's "places.sqlite" (SQLite).
//
// Each reader gives the bookmarks in the order and with the categories that
// importing the browser's own HTML export gives them, so that both ways end in the
// same entries:
// - Chromium family: the bookmarks bar is a folder (its stored, localised name);
//   the contents of "Other bookmarks" come at the top level, those of "Mobile
//   bookmarks" (when it holds any) in a folder of its name, where Chromium's export
//   puts them at the top level too: the mobile landmark would be lost. Any further
//   root becomes a folder of its own name.
// - Firefox family: the menu's contents at the top level, the toolbar as the folder
//   "Bookmarks Toolbar", unfiled bookmarks as "Other Bookmarks", the mobile root
//   (which the export leaves out) as "Mobile Bookmarks". Tag folders repeat
//   bookmarks and are skipped, as are "place:" queries.
// The readers give the tree's shape in Folders when asked (see uBrowserTree.h):
// the landmark roots, each item's place, separators (Firefox's), empty folders;
// WebSitesAddBrowserBookmarks carries it into a list.
// Dates are cut to the second as the exports write them. Titles and addresses go
// through the same text rules the HTML reader applies (tabs dropped, "chrome://"
// read as "http://"). Bad files raise EFileError naming the file.

#include <QByteArray>
#include <QString>
#include <model/uWebSiteList.h>
#include <vector>

// Which browser bookmark store a file holds, judged by its first bytes.
enum class TBrowserBookmarkFile
{
    None,
    ChromiumJson,
    FirefoxPlaces
};
TBrowserBookmarkFile BrowserBookmarkFileKind(const QString& FileName);

// Folders nested deeper than this make a file unreadable: no browser writes them,
// and the categories of such a tree would take memory quadratic in the depth.
inline constexpr int MaxBrowserFolderDepth = 1000;

std::vector<TWebSite> ReadChromiumBookmarks(const QString& FileName,
                                            TBrowserTree* Folders = nullptr);
// The same on the file's content; FileName is for error texts.
std::vector<TWebSite> ReadChromiumBookmarksData(const QByteArray& Data, const QString& FileName,
                                                TBrowserTree* Folders = nullptr);
// Reads a snapshot copy: the browser may be running, and its files stay untouched.
std::vector<TWebSite> ReadFirefoxBookmarks(const QString& FileName,
                                           TBrowserTree* Folders = nullptr);

// Reads either kind, judged by content; EFileError when it is neither.
std::vector<TWebSite> ReadBrowserBookmarks(const QString& FileName,
                                           TBrowserTree* Folders = nullptr);

// Adds every bookmark of the file through WebSitesAdd when its content is one of
// the two kinds (a SQLite database without bookmark tables counts as neither);
// false, with nothing read, otherwise.
bool WebSitesLoadFromBrowserFile(TWebSiteList& List, const QString& FileName);
// Folders: the shape read with Sites, merged into List's folder table.
void WebSitesAddBrowserBookmarks(TWebSiteList& List, std::vector<TWebSite>&& Sites,
                                 const TBrowserTree* Folders = nullptr);

// Favicons for the bookmarks of a profile: each site without an icon takes the
// one its browser keeps for its address (the 32 px picture, else 16 px, else the
// nearest size). These two raise EFileError for a file that is no such database.
void ReadFirefoxFavicons(std::vector<TWebSite>& Sites, const QString& FaviconsFile);
void ReadChromiumFavicons(std::vector<TWebSite>& Sites, const QString& FaviconsFile);
// The icon database beside BookmarksFile ("favicons.sqlite" or "Favicons"), when
// there is one; a missing or unreadable one leaves the sites as they are.
void ReadProfileFavicons(std::vector<TWebSite>& Sites, const QString& BookmarksFile,
                         TBrowserBookmarkFile Kind);
