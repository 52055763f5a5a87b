#pragma once
// The exports of bookmark services people leave behind: Pocket's CSV (title, url,
// time_added, tags, status), Raindrop's CSV (url, folder, title, note, tags,
// created, in any order, with more columns beside them) and Pinboard's JSON (an
// array of objects with href, description, extended, time, tags). They are known
// by their content, whatever the file is called. Folders become the category,
// notes the comment, dates the added date, tags the tags. A row that cannot be
// read is not guessed at: it is left out and named in List.Stats.BadRows.
// Errors are raised as EFileError.

#include <model/uWebSiteList.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

enum class TServiceExport
{
    None,
    PocketCsv,
    RaindropCsv,
    PinboardJson
};

// Which export the file's bytes hold, judged by their start (the CSV header row,
// or the JSON's first object).
TServiceExport ServiceExportKind(QByteArrayView Data);

// Adds the bookmarks of an export held in Data through WebSitesAdd; FileName
// names the file in List.Stats.BadRows. Returns the rows read as bookmarks.
qsizetype WebSitesLoadFromServiceExport(TWebSiteList& List, const QByteArray& Data,
                                        const QString& FileName);
// The same for a file; false, with nothing read, when it is no such export.
bool WebSitesLoadFromServiceFile(TWebSiteList& List, const QString& FileName);
