#pragma once
// Folders: reading every bookmark file under a folder (or one file of any
// supported kind) into the list, and writing the list as a folder tree of
// Internet Shortcut files. Errors are raised as EFileError.

#include <model/uWebSiteList.h>
#include <platform/EFileError.h>

#include <QList>
#include <QString>
#include <QStringList>

void WebSitesLoadFromPath(TWebSiteList& List, const QString& Path);
// A file WebSitesLoadFromPath reads, and the category its place in a folder tree gives.
struct TPathToLoad
{
    QString FileName;
    QString Category;
    // Named by the caller itself rather than found in a folder: such a file that
    // no reader knows is named in List.Stats.NotBookmarkFiles (a folder's other
    // files are passed over).
    bool Named = false;
};
// What WebSitesLoadFromPath reads for Path, in its order: a file is itself; a folder
// gives every file under it, depth first in the file system's own order, each with
// its folder relative to Path joined with "\" as category. Links to folders are not
// followed; HTML files in a folder count only when they begin with the bookmark
// file declaration (others are web pages). Callers that show progress read the
// files one by one from this list.
QList<TPathToLoad> WebSitesFilesOfPath(const QString& Path);
// Reads one file of any kind the program knows (by extension, or by content for
// browser profiles and service exports); false, with nothing read, for any other.
bool WebSitesLoadFromFile(TWebSiteList& List, const QString& FileName, const QString& Category);
// Reads every path in turn, as WebSitesLoadFromPath does, passing over files that
// have vanished since the folders were listed. On a thread with a read progress
// (uReadProgress.h) it reports the share of all the files' bytes and stops
// between files, or within a large one, once cancelled.
void WebSitesLoadFromPaths(TWebSiteList& List, const QStringList& Paths);
// Roughly what reading these paths allocates, for PrepareHeapForLargeInput: the file
// data and the entries built from it. Folders count as nothing (their files are
// small and read one at a time).
qint64 WebSitesLoadAllocationEstimate(const QStringList& Paths);
// Writes the selected, visible entries; returns how many files it wrote (one per
// entry: names that would meet on disk are numbered).
qsizetype WebSitesSaveToFolder(const TWebSiteList& List, const QString& Folder);
QString SanitizeFileName(const QString& Text);
