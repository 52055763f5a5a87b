#pragma once
// The values several bookmarks share, and writing chosen fields into all of them
// (what the Property dialog edits). GUI-free.

#include <model/uWebSiteList.h>

#include <QList>
#include <QStringList>

#include <array>

// Stands for dates that differ between the entries: 1970-01-01 00:00:00.
inline constexpr TDateTime UnixEpochDate = UnixEpochDateTime;

// What WebSitesGetCommon returns in every field when no entry qualifies.
inline constexpr char16_t EmptyMarkerText[] = u"@~null";
// 1965-01-01 00:00:00.
inline constexpr TDateTime EmptyMarkerDate{23743.0};

// Which fields WebSitesSetCommon writes, in the record's field order.
struct TWebSiteFieldFlags
{
    bool Title = false;
    bool URL = false;
    bool Comment = false;
    bool IconURL = false;
    bool Category = false;
    bool AddDate = false;
};

// The common values of the entries that are both Selected and Visible: a text field
// that differs between them holds Various, the caller's display text for it
// ("(Various Values)"), and a differing date UnixEpochDate. The result's Selected is
// true when exactly one entry qualified.
TWebSite WebSitesGetCommon(const TWebSiteList& List, const QString& Various);

// Writes the flagged fields of Site into every entry that is both Selected and
// Visible. A flagged text equal to Various, or a flagged date equal to UnixEpochDate,
// is not written. An entry whose fields changed gets Now as its last change.
void WebSitesSetCommon(TWebSiteList& List, const TWebSite& Site, const TWebSiteFieldFlags& Flags,
                       const QString& Various, TDateTime Now = TDateTime::Now());

// The tags every entry that is both Selected and Visible carries, in the first
// such entry's order; empty when none qualifies.
QStringList WebSitesCommonTags(const TWebSiteList& List);
// Edits the tags of every entry that is both Selected and Visible: removes the
// tags of Remove, then adds those of Add it lacks (after its own), and leaves
// the entry's other tags alone; an entry that changed gets Now as its last
// change. Returns how many entries changed.
qsizetype WebSitesEditTags(TWebSiteList& List, const QStringList& Add, const QStringList& Remove,
                           TDateTime Now = TDateTime::Now());
// What an edit of the common tags asks for: the tags of Edited not in Common
// are added, those of Common not in Edited are removed (letter case ignored;
// a change of letter case alone is a removal and an addition).
void TagEditOf(const QStringList& Common, const QStringList& Edited, QStringList& Add,
               QStringList& Remove);

// One tag of several entries and whether every one of them carries it.
struct TTagShare
{
    QString Tag;
    bool All = false;

    bool operator==(const TTagShare&) const = default;
};

// Every tag any entry that is both Selected and Visible carries, in the order first
// met, each marked whether all of them carry it (letter case ignored, the spelling
// met first shown).
QList<TTagShare> WebSitesTagShares(const TWebSiteList& List);
// What an edit of the shared tags asks for: a shown tag left out is removed from
// every entry; a tag that is now marked for all (or new) is added to those that
// lack it; a tag still marked for some is left as each entry has it.
void TagShareEditOf(const QList<TTagShare>& Shown, const QList<TTagShare>& Edited, QStringList& Add,
                    QStringList& Remove);
