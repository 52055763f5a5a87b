#pragma once
// Giving a collection back to a browser profile. A send compares the set with
// what the profile holds now (the plan), refuses what could lose bookmarks (the
// browser running, a profile that syncs its bookmarks the browser's own way, a
// set that is empty, a folder that cannot be written), backs the profile's
// bookmark files up into Zorvel's folder, writes, reads back what was written
// and puts the backup back on any difference.
//
// Chromium family: the profile's "Bookmarks" is written in the browser's form.
// Firefox family: places.sqlite is never written. The set goes into the
// profile's bookmarks.html, and prefs.js switches on Firefox's one-time import
// of it, which replaces the bookmarks at the browser's next start and is switched
// off again by Firefox. What Zorvel does not keep (bookmarklets, place: queries,
// file: and internal pages, separators, empty folders) stays where it was.

#include <model/uBookmarkTree.h>
#include <model/uProfileBackup.h>

#include <QString>
#include <QStringList>

#include <vector>

enum class TProfileFamily
{
    Chromium,
    Firefox
};

struct TProfilePlace
{
    TProfileFamily Family = TProfileFamily::Chromium;
    QString Dir;           // the profile folder
    QString BookmarksFile; // "Bookmarks" or "places.sqlite" in it
    QString UserDataDir;   // Chromium: the folder holding the profile folders and the lock
};

// The profile of a folder or of its bookmark file. Raises EFileError when it is
// neither a Chromium-family nor a Firefox-family profile.
TProfilePlace ProfilePlaceOf(const QString& DirOrFile);

// Why the profile is in use ("" when it is not): the process its lock names runs,
// or its lock file is held.
QString ProfileInUse(const TProfilePlace& Place);
// How the profile's bookmarks sync with an account ("" when they do not).
// Chromium: sync metadata in Bookmarks, or an AccountBookmarks file in use.
// Firefox: an account set for Firefox Sync in prefs.js.
QString ProfileSyncState(const TProfilePlace& Place);

// The profile's bookmark files a backup takes.
QStringList ProfileBackupFiles(const TProfilePlace& Place);

struct TSendChange
{
    TBookmarkPlace Old;
    TBookmarkPlace New;
    bool Title = false;
    bool Folder = false;
    bool Tags = false;
    bool Keyword = false;
};

struct TSendPlan
{
    qsizetype ProfileCount = 0; // links the list would take, in the profile now
    qsizetype SentCount = 0;
    qsizetype Unlisted = 0; // items of the profile that stay where they are
    std::vector<TBookmarkPlace> Added;
    std::vector<TBookmarkPlace> Removed;
    std::vector<TSendChange> Changed;
    // Firefox: tags an address keeps although the set drops them (its import
    // keeps the tags of an address that stays bookmarked), per address.
    std::vector<std::pair<QString, QStringList>> TagsKept;

    bool IsEmpty() const { return Added.empty() && Removed.empty() && Changed.empty(); }
    // More than half of the profile's bookmarks go: asked for again.
    bool RemovesMost() const { return qsizetype(Removed.size()) * 2 > ProfileCount; }
};

TSendPlan SendPlanOf(const TBookmarkTree& Old, const TBookmarkTree& New, TProfileFamily Family);

enum class TSendRefusal
{
    None,
    Unreadable,      // the profile's bookmarks cannot be read
    EmptySet,        // nothing to send
    InUse,           // the browser runs
    Synced,          // Chromium: bookmarks sync with an account
    SyncNeedsYes,    // Firefox: Sync would carry the set to the account's devices
    RemovesMost,     // more than half removed, not confirmed
    NotWritable,     // the profile folder or its files cannot be written
    BackupFailed,    // no backup could be made (disk full, no access)
    WriteFailed,     // writing failed; the backup was put back
    ReadBackDiffers, // what was written differs from the plan; the backup was put back
};

struct TSendOptions
{
    QString BackupRoot; // the folder for the backups
    bool DryRun = false;
    bool Yes = false; // the user confirmed a plan that removes most, or a Firefox Sync profile
};

struct TSendResult
{
    TProfilePlace Place;
    TSendPlan Plan;
    TSendRefusal Refusal = TSendRefusal::None;
    QString Detail;       // the reason's particulars (the lock, the file, the error)
    QString InUse;        // set also on a dry run: a send now would be refused
    QString Sync;         // how the profile syncs, when it does
    QString BackupDir;    // the backup made, when one was
    bool Written = false; // the profile was written (and checked)
    bool Restored = false;
};

// Plans and (unless a dry run or a refusal) sends Sites into the profile at
// DirOrFile. Never raises: every failure is a refusal with its detail.
TSendResult ProfileSend(const QString& DirOrFile, const std::vector<TWebSite>& Sites,
                        const TSendOptions& Options);

// Puts the newest backup (or Backup, when given) of the profile back, after
// backing up what the profile holds now. Refusals as for a send (in use, none
// to put back). Never raises.
struct TRestoreResult
{
    TSendRefusal Refusal = TSendRefusal::None;
    QString Detail;
    TProfileBackup Restored;
    QString BackupDir; // the copy of what the profile held before the restore
};
TRestoreResult ProfileRestore(const QString& DirOrFile, const QString& BackupRoot,
                              const QString& Backup = {});

// The tree the profile holds now. Raises EFileError.
TBookmarkTree ProfileReadTree(const TProfilePlace& Place);

// The name the browser shows for a root, in English ("Bookmarks Toolbar").
QString BookmarkRootName(TBookmarkRoot Root, TProfileFamily Family);
// A link's folder as a path from its root: "Bookmarks Toolbar/Tools".
QString BookmarkPlaceFolderText(const TBookmarkPlace& Place, TProfileFamily Family);
