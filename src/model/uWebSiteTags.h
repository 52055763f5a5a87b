#pragma once
// The words a bookmark is tagged with, its browser keyword and its last change:
// reading and changing them on an entry. They live in the entry's extras (most
// entries have none). Tags are kept in the order first met; two tags that differ
// only in letter case are one tag (the spelling met first stays), and a tag holds
// no comma, as in Firefox, which writes a bookmark's tags joined with commas.
// An entry keeps at most MaxSiteTags tags of at most MaxSiteTagLength characters
// each (the tags past the limit are dropped, a longer tag is cut), so that no file
// can make one entry's tags cost more than that.

#include <model/uWebSiteList.h>

#include <QString>
#include <QStringList>
#include <QStringView>

inline constexpr qsizetype MaxSiteTags = 1000;
inline constexpr qsizetype MaxSiteTagLength = 255;

// The tags in Text, cut at every Separator (and at every comma): each trimmed,
// empty ones and repeats dropped.
QStringList SplitTags(QStringView Text, QChar Separator = u',');
// Tags joined as the extras and bookmark HTML keep them ("a,b").
QString JoinTags(const QStringList& Tags);

QStringList WebSiteTags(const TWebSite& Site);
// The tags as the list shows them ("a, b").
QString WebSiteTagsText(const TWebSite& Site);
// Replaces the tags (cleaned as SplitTags cleans them).
void WebSiteTagsSet(TWebSite& Site, const QStringList& Tags);
// Adds the tags the entry lacks, after its own; true when something changed.
bool WebSiteTagsAdd(TWebSite& Site, const QStringList& Tags);
// Removes these tags (any letter case); true when something changed.
bool WebSiteTagsRemove(TWebSite& Site, const QStringList& Tags);

TSiteText WebSiteKeyword(const TWebSite& Site);
void WebSiteKeywordSet(TWebSite& Site, const QString& Keyword);
// The last change; 0 when not known or when it is the add date. An entry without
// one was last changed when it was added, which is also how Firefox reads a
// bookmark without LAST_MODIFIED. Set it after the add date: a date equal to it is
// not kept, since most entries of a Firefox export carry one and each would need
// an extras block of its own.
TDateTime WebSiteModified(const TWebSite& Site);
void WebSiteModifiedSet(TWebSite& Site, TDateTime Modified);

// The merge of two entries' extras: Into keeps its keyword unless it has none,
// gains the tags of From it lacks, and keeps the later modification date.
void WebSiteExtrasMerge(TWebSite& Into, const TWebSite& From);
