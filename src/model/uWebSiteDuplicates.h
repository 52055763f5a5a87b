#pragma once
// Near-duplicate bookmarks: entries whose URLs name the same page in different
// spellings (equal URLDuplicateKey), found in one pass and merged into one entry
// by the merge rule of WebSitesAdd. Adding keeps exact URL identity; this is a
// separate step the user asks for. GUI-free.

#include <model/uWebSiteList.h>

#include <utility>
#include <vector>

// Indexes of list entries, ascending.
using TDuplicateGroup = std::vector<qsizetype>;

// Every group of two or more entries whose URL keys are equal, ordered by each
// group's first entry; the members of a group in list order. O(n) by a hash.
std::vector<TDuplicateGroup> WebSitesFindDuplicates(const TWebSiteList& List);

// The member added earliest, the first of them on equal dates: the entry a merge
// keeps unless the user picks another.
qsizetype WebSitesEarliestOf(const TWebSiteList& List, const TDuplicateGroup& Group);

// A group to merge and the member that stays.
struct TDuplicateMerge
{
    TDuplicateGroup Group;
    qsizetype Kept = -1;
};

// What a merge changed: the kept entries as they were and the removed entries,
// each with its index in the list before the merge, ascending.
struct TDuplicateMergeUndo
{
    std::vector<std::pair<qsizetype, TWebSite>> KeptBefore;
    std::vector<std::pair<qsizetype, TWebSite>> Removed;

    bool isEmpty() const { return Removed.empty(); }
};

// Merges the other members of each group into its kept entry (in list order, by
// WebSiteMerge: comments joined, empty category filled, earliest date, tags
// united), then removes them; kept entries keep their title and place among the
// rest, and take the group's cleanest spelling of the address (https over http,
// without tracking parameters or a default port; see URLCleanestSpelling). A
// group whose kept index is not one of its members, or that names an index out of
// range or already used by an earlier group, is left alone.
TDuplicateMergeUndo WebSitesMergeDuplicates(TWebSiteList& List,
                                            const std::vector<TDuplicateMerge>& Merges);

// Puts the list back as it was before the merge that returned Undo (the list must
// not have changed since).
void WebSitesUndoMergeDuplicates(TWebSiteList& List, const TDuplicateMergeUndo& Undo);

// Finds every group and merges it into its earliest entry; returns how many
// entries were removed.
qsizetype WebSitesMergeAllDuplicates(TWebSiteList& List);
