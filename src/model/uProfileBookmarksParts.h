#pragma once
// What the two browser bookmark readers share: dates, text rules, categories.

#include <model/uDateTime.h>
#include <model/uSiteText.h>
#include <model/uWebSiteList.h>

#include <QHash>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

class TSqliteSnapshot;

namespace zorvel::model::browser {

// Whole seconds since 1970-01-01 00:00:00 of the program's local clock, as the
// HTML reader reads an ADD_DATE; the current time, cut to the second, when the
// value cannot be a date: before the year 1 or after 9999 (no calendar shows
// those, and no browser wrote them).
TDateTime FromUnixSeconds(std::int64_t Seconds);
inline constexpr std::int64_t MinUnixSeconds = -62'135'596'800; // 0001-01-01 00:00:00
inline constexpr std::int64_t MaxUnixSeconds = 253'402'300'799; // 9999-12-31 23:59:59

// The text as importing the browser's HTML export gives it back: the HTML reader
// drops tabs and reads "chrome://" as "http://" in the whole file.
QString AsHtmlImportReads(QString Text);

// The category of the folder a walk is in, kept as one growing text as the HTML
// reader keeps it: entering a folder appends "\" and its name (an empty name
// still counts as a component), going back to an outer level cuts the text back.
// The HTML reader's limits apply, so that a profile and its browser's HTML
// export give the same categories and no file makes them cost more than the
// limits per bookmark: a folder deeper than MaxBookmarkFolderDepth, or whose
// category would grow past MaxBookmarkCategoryLength, is read into its parent.
// Folders must be visited depth-first, so that the text begins with the
// category of every level still open.
class TCategoryWalk
{
public:
    struct TLevel
    {
        qsizetype Length = 0; // of the category text
        int Depth = 0;        // names joined in it
    };

    // The level of the contents of a folder named Name inside Parent.
    TLevel Enter(TLevel Parent, QStringView Name);
    // The category of At; bookmarks of equal categories share one text.
    const TSiteText& Category(TLevel At);

private:
    void CutTo(qsizetype Length);

    QString FText;
    TSiteText FShared;
    bool FSharedValid = false;
    QHash<QString, TSiteText> FSeen;
};

// A tree walk's folders in a folder table (see uBrowserTree.h): each open
// folder's walk level beside its index in the table, and whether a bookmark or a
// folder was met in it (a folder without either is kept as an empty folder).
class TFolderWalk
{
public:
    struct TOpen
    {
        TCategoryWalk::TLevel Level;
        int Folder = -1;
        bool HadContent = false;
    };

    explicit TFolderWalk(TBrowserTree& Folders) : FFolders(Folders) {}

    TOpen Top() { return {{}, FFolders.Root()}; }
    // The folder Name inside Parent; a folder past the walk's limits is its parent.
    TOpen Enter(TOpen& Parent, QStringView Name, TLandmark Landmark = TLandmark::None);
    // Done with a folder entered by Enter.
    void Leave(const TOpen& Folder);
    // The place and category of a bookmark in At; Kept: the list will take it.
    TTreePlace Place(TOpen& At, bool Kept);
    void AddSeparator(TOpen& At) { FFolders.AddSeparator(At.Folder); }
    const TSiteText& Category(const TOpen& At) { return FWalk.Category(At.Level); }

private:
    TBrowserTree& FFolders;
    TCategoryWalk FWalk;
};

// The Firefox reader's steps on an open snapshot, so that a caller that has to
// look at the database first copies it only once.
bool HasFirefoxBookmarkTables(const TSqliteSnapshot& Db);
std::vector<TWebSite> ReadFirefoxSnapshot(const TSqliteSnapshot& Db,
                                          TBrowserTree* Folders = nullptr);

} // namespace zorvel::model::browser
