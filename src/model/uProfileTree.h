#pragma once
// A browser profile's bookmark store read as a whole tree and written back in the
// browser's own form: the Chromium family's "Bookmarks" JSON (ids, guids, dates
// and the checksum the browser checks), the Firefox family's "places.sqlite"
// (read only: Firefox is given a bookmark HTML file that it imports itself at its
// next start, with the switch for that import in its prefs.js). Raises EFileError
// for a file that cannot be read.

#include <model/uBookmarkTree.h>

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// ---- Chromium family ---------------------------------------------------------------

struct TChromiumBookmarks
{
    TBookmarkTree Tree; // bookmark_bar: Toolbar, other: Other, synced: Mobile
    QJsonObject File;   // the whole file as read: other keys and roots are kept
};

TChromiumBookmarks ReadChromiumTree(const QByteArray& Data, const QString& FileName);
// The file's bytes for Tree: the nodes that Old holds at the same place keep their
// id, guid and fields; new ones get fresh ids and guids; the checksum is computed
// as the browser computes it when it loads the file.
QByteArray ChromiumBookmarksJson(const TBookmarkTree& Tree, const TChromiumBookmarks& Old);
// The checksum of a file's "roots" object (MD5 over each node's id, UTF-16 title,
// type and address, bookmark bar, other and mobile bookmarks in that order).
QByteArray ChromiumBookmarksChecksum(const QJsonObject& Roots);
// True when the file is kept in step with an account: it carries sync metadata.
bool ChromiumBookmarksSynced(const QJsonObject& File);
// True when an "AccountBookmarks" file is in use: it has roots or sync metadata
// (the browser also writes one with no roots for a profile never signed in).
bool ChromiumAccountBookmarksUsed(const QJsonObject& File);

// ---- Firefox family ----------------------------------------------------------------

// The tree of a places.sqlite (read from a snapshot copy), with separators, tags,
// keywords; the tag folders are not part of it.
TBookmarkTree ReadFirefoxTree(const QString& PlacesFile);
// The bookmark HTML file Firefox's importer reads: the menu's items at the top,
// the toolbar and the other bookmarks as the folders it knows by their markers,
// separators, tags, keywords, icons and dates. Mobile bookmarks, which the
// importer has no place for, become a folder in the menu.
QByteArray FirefoxBookmarksHtml(const TBookmarkTree& Tree);
// The folders and listed links of such a file as Zorvel's HTML reader gives them,
// for the check after writing: category (root folders named as the profile
// reader names them), title, address, tags, keyword per link.
std::vector<TBookmarkPlace> FirefoxHtmlPlaces(const QByteArray& Html);

inline constexpr char FirefoxImportPref[] = "browser.places.importBookmarksHTML";
// A user_pref value of a prefs.js text ("" when not set; strings without quotes).
QString FirefoxPrefValue(const QByteArray& Prefs, const QString& Name);
// The prefs.js text with Name set to Value (a JS literal: true, "text"), any
// earlier line for it removed.
QByteArray FirefoxPrefsWith(const QByteArray& Prefs, const QString& Name, const QString& Value);
