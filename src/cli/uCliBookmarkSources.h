#pragma once
// What the bookmark commands of zorvel-cli share: reading their sources (PATHs and
// --from-browsers) into one list, narrowing it as the options say (near-duplicates
// merged, search, sort), and the summaries and exit status they report.

#include "uCliArguments.h"

#include <model/uWebSiteList.h>

#include <QString>

// The list a command works on, read from every source it names, and the number of
// browser profiles that could not be read and were passed over (each named on
// standard error). A PATH that cannot be read raises EFileError.
struct TBookmarkSources
{
    TWebSiteList& List;
    int PassedOver = 0;
};
TBookmarkSources ReadBookmarkSources(const TOptions& Options);

// Merges near-duplicates when asked (before the search, so that the merged comments
// are searched too), applies the search, then sorts by --sort or DefaultSort (0: as
// read).
void NarrowBookmarks(const TOptions& Options, TWebSiteList& List, int DefaultSort);

// The entries the search left visible, in list order.
TWebSiteList VisibleEntries(const TWebSiteList& List);

// "read ..." with a line before it for each file that held no bookmark, each file
// named that is no bookmark file, and each row of a service export left out.
QString ReadSummary(const TWebSiteList& List);

// The exit status of a bookmark command whose output is written: 1 when a browser
// profile had to be passed over or a file named is no bookmark file, so that a
// script sees the result is not whole.
int BookmarksStatus(const TBookmarkSources& Sources);
