#pragma once
// Folders of the bookmark list and reorganising them. A folder is a path of
// names joined with "\" in an entry's Category, outermost first; "" is the top
// level (an entry without a folder). Folders are compared exactly, letter case
// included, as the bookmark HTML writer groups them. GUI-free.
//
// Every function changes the entries only; the caller records the change as
// one undo step.

#include <model/uWebSiteList.h>

#include <QString>
#include <QStringView>

inline constexpr char16_t FolderSeparator = u'\\';

// The folder holding Path ("" for a top-level folder) and Path's own name.
QStringView FolderParentOf(QStringView Path);
QStringView FolderNameOf(QStringView Path);
// Parent "\" Name, or Name alone when Parent is "".
QString FolderJoin(QStringView Parent, QStringView Name);
// Whether Category is Folder itself or lies below it; "" holds every category.
bool FolderContains(QStringView Folder, QStringView Category);
bool FolderContains(QStringView Folder, const TSiteText& Category);
// A name the user may give a folder: not empty, not blank, no separator.
bool FolderNameIsValid(QStringView Name);
// Whether folder From may take the path To: not the top level, not the same
// path and not a path inside From (a folder cannot go into itself).
bool FolderRenameIsAllowed(QStringView From, QStringView To);

// Which entries of a list a folder shows: all of them (Active false), those of
// Path (and below it with Below), or with Path "" and Active those without a
// folder.
struct TFolderFilter
{
    bool Active = false;
    QString Path;
    bool Below = true;

    bool operator==(const TFolderFilter&) const = default;
    bool Admits(const TSiteText& Category) const;
};

// Hides the visible entries the filter does not admit (after a search has set
// Visible, so that the search works within the folder).
void WebSitesKeepInFolder(TWebSiteList& List, const TFolderFilter& Filter);

// Moves every entry that is Selected and Visible into Folder ("" takes them out
// of every folder). Returns how many entries changed.
qsizetype WebSitesMoveSelectedToFolder(TWebSiteList& List, const QString& Folder);
// Gives folder From and everything below it the path To ("A\x" becomes "To\x"):
// a rename, a move, or with an existing To a merge of the two. To may be "" (the
// contents go to the top level). Nothing changes when FolderRenameIsAllowed is
// false. Returns how many entries changed.
qsizetype WebSitesRenameFolder(TWebSiteList& List, const QString& From, const QString& To);
// Moves folder Path with everything below it into NewParent, keeping its name.
qsizetype WebSitesMoveFolder(TWebSiteList& List, const QString& Path, const QString& NewParent);
// Takes folder Path away and keeps what it held: its entries and its sub-folders
// go to its parent.
qsizetype WebSitesDissolveFolder(TWebSiteList& List, const QString& Path);
// Deletes every entry in folder Path or below it ("" deletes nothing).
qsizetype WebSitesDeleteFolder(TWebSiteList& List, const QString& Path);
// How many entries folder Path holds, itself and below it.
qsizetype WebSitesCountInFolder(const TWebSiteList& List, const QString& Path);
