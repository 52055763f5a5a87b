#pragma once
// What the two browser bookmark readers share: dates, text rules, categories.

#include <model/uDateTime.h>
#include <model/uWebSiteList.h>
#include <vector>

class TSqliteSnapshot;

#include <QString>
#include <cstdint>

namespace zorvel::model::browser {

// Whole seconds since 1970-01-01 00:00:00 of the program's local clock, as the
// HTML reader reads an ADD_DATE; the current time, cut to the second, when the
// value cannot be a date.
TDateTime FromUnixSeconds(std::int64_t Seconds);

// The text as importing the browser's HTML export gives it back: the HTML reader
// drops tabs and reads "chrome://" as "http://" in the whole file.
QString AsHtmlImportReads(QString Text);

// The category of a folder's contents: the parent's category and the folder's
// name joined with "\" as the HTML reader joins its folder stack (Depth names in
// Parent; an empty name still counts as a component).
inline QString ChildCategory(const QString& Parent, int Depth, const QString& Name)
{
    return Depth == 0 ? Name : Parent + u'\\' + Name;
}

// The Firefox reader's steps on an open snapshot, so that a caller that has to
// look at the database first copies it only once.
bool HasFirefoxBookmarkTables(const TSqliteSnapshot& Db);
std::vector<TWebSite> ReadFirefoxSnapshot(const TSqliteSnapshot& Db);

} // namespace zorvel::model::browser
