#pragma once
// The bookmark record, the bookmark list and every list operation and bookmark
// file format. GUI-free; file-system errors are raised as EFileError.

#include <model/uDateTime.h>
#include <platform/EFileError.h>

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

struct TWebSite
{
    QString Title;
    QString URL;
    QString Comment;  // several lines joined with CR LF
    QString IconURL;  // empty or beginning with "http"
    QString Category; // folder names joined with "\", outermost first
    TDateTime AddDate;
    bool Selected = false;
    bool Visible = false;

    bool operator==(const TWebSite&) const = default;
};

// What the adds since the last ResetStats() did; lets the callers tell the user.
struct TWebSitesStats
{
    int Files = 0;   // files read by WebSitesLoadFromFile
    int Added = 0;   // new entries
    int Merged = 0;  // merged into an entry with the same URL
    int Skipped = 0; // dropped because the URL is not an http URL
};

enum class TAddResult { Added, Merged, Skipped };

// The ordered list of bookmarks. Plain sequence semantics; a hash index from URL to
// the first index holding it keeps WebSitesAdd O(1). Non-const element access marks
// the index stale (an edit might change a URL); it is rebuilt on the next lookup.
class TWebSiteList
{
public:
    using const_iterator = std::vector<TWebSite>::const_iterator;

    qsizetype Count() const { return qsizetype(FItems.size()); }
    qsizetype size() const { return Count(); }
    bool isEmpty() const { return FItems.empty(); }

    const TWebSite& operator[](qsizetype i) const { return FItems[size_t(i)]; }
    const TWebSite& at(qsizetype i) const { return FItems[size_t(i)]; }
    // Mutable access; the URL index is rebuilt lazily afterwards.
    TWebSite& operator[](qsizetype i)
    {
        FIndexStale = true;
        return FItems[size_t(i)];
    }
    // Say that entry i changed (kept for callers that edit through Items()).
    void Changed() { FIndexStale = true; }

    const_iterator begin() const { return FItems.begin(); }
    const_iterator end() const { return FItems.end(); }

    // Raw access for whole-list algorithms (sort, delete); marks the index stale.
    std::vector<TWebSite>& Items()
    {
        FIndexStale = true;
        return FItems;
    }

    void Append(TWebSite site);
    // Appends site unless an entry already has its URL: -1 when appended (site
    // has been moved from), otherwise the first index holding the URL (site is
    // untouched). One hash lookup either way.
    qsizetype AppendIfNewURL(TWebSite&& site);
    void Clear();

    // Mutable access for edits that leave the URL as it is (merges, comments);
    // keeps the URL index valid. Changing the URL through it is not allowed.
    TWebSite& EditKeepURL(qsizetype i) { return FItems[size_t(i)]; }

    // First index whose URL equals url exactly, or -1.
    qsizetype IndexOfURL(const QString& url) const;

    // Shorten retailer product URLs in WebSitesAdd (the "Simplify amazon URL" option).
    bool ShortenURLs = false;

    TWebSitesStats Stats;
    void ResetStats() { Stats = {}; }

private:
    // The URL index: open addressing over (hash, entry index) pairs, so that it
    // holds no copies of the URLs and growing it needs no rehashing of texts.
    struct TSlot
    {
        size_t Hash = 0;
        qsizetype Index = -1; // -1: free
    };
    qsizetype FindSlot(const QString& url, size_t hash) const;
    void InsertSlot(qsizetype slot, size_t hash, qsizetype index) const;
    void ReserveSlots(qsizetype count) const;
    void RebuildIndex() const;

    std::vector<TWebSite> FItems;
    mutable std::vector<TSlot> FSlots;
    mutable qsizetype FSlotsUsed = 0;
    mutable bool FIndexStale = false;
};

// ---- Record and list operations ----------------------------------------------------

TAddResult WebSitesAdd(TWebSiteList& List, TWebSite Site);
qsizetype WebSitesIndexOfURL(const TWebSiteList& List, const QString& URL);
void WebSitesAddURL(TWebSiteList& List, const QString& URL, const QString& Title);
void WebSitesSort(TWebSiteList& List, int SortIndex);
void WebSitesSearch(TWebSiteList& List, const QString& Text);
// The keywords of a search text (U+3000 as space, control characters separate,
// double-quoted phrases with "" for a quote). Empty keywords are kept.
QStringList SplitSearchKeywords(const QString& Text);
int WebSitesVisibleCount(const TWebSiteList& List);
void WebSitesDeleteSelected(TWebSiteList& List);

QString DateToUnixText(TDateTime Date);
TDateTime UnixTextToDate(const QString& Text);
bool IsHttpURL(const QString& Text);
QString HttpURLOrEmpty(const QString& Text);

// www.amazon.co.jp -> amzn.asia, www.amazon.com -> amzn.to product links; others unchanged.
QString ShortenAmazonURL(const QString& URL);

// ---- Internet Shortcut (.url) and pinned website (.website) -----------------------

TWebSite WebSiteLoadFromUrlFile(const QString& FileName, const QString& Category);
TWebSite WebSiteLoadFromWebsiteFile(const QString& FileName, const QString& Category);
void WebSiteSaveToUrlFile(const TWebSite& Site, const QString& FileName);
QString EncodeCommentLineBreaks(const QString& Text);
QString DecodeCommentLineBreaks(const QString& Text);
QString TextAfterComma(const QString& Text);

// ---- Bookmark HTML import -----------------------------------------------------------

void WebSitesLoadFromHtml(TWebSiteList& List, const QString& FileName);
// The same on bytes already in memory (the file's whole content).
void WebSitesLoadFromHtmlData(TWebSiteList& List, const QByteArray& Data);
QString ParseBookmarkFolder(const QString& Line);
TWebSite ParseBookmarkItem(const QString& Line, const QString& Category);
QString JoinFolderPath(const QStringList& Stack);

// ---- Bookmark HTML export -----------------------------------------------------------

struct TBMNode
{
    QString Name;
    std::vector<TBMNode> Nodes;
};

void WebSitesSaveToHtml(const TWebSiteList& List, const QString& FileName);
// The file's bytes (UTF-8 with BOM, CR LF line ends) without writing anything.
QByteArray WebSitesToHtmlData(const TWebSiteList& List);
void BuildCategoryTree(const TWebSiteList& List, TBMNode& Root);
void CollectCategories(const TWebSiteList& List, QStringList& Categories);
void AddCategoryPath(TBMNode& Root, const QString& Path);
qsizetype FindOrAddNode(TBMNode& Node, const QString& Name);
void WriteCategoryNode(const TWebSiteList& List, const TBMNode& Node, QStringList& Lines,
                       const QString& Indent, const QString& ParentPath);
void WriteCategoryItems(const TWebSiteList& List, QStringList& Lines, const QString& Indent,
                        const QString& Path);

// ---- Folder import and export -------------------------------------------------------

void WebSitesLoadFromPath(TWebSiteList& List, const QString& Path);
// A file WebSitesLoadFromPath reads, and the category its place in a folder tree gives.
struct TPathToLoad
{
    QString FileName;
    QString Category;
};
// What WebSitesLoadFromPath reads for Path, in its order: a file is itself; a folder
// gives every file under it, depth first in the file system's own order, each with
// its folder relative to Path joined with "\" as category. Links to folders are not
// followed. Callers that show progress read the files one by one from this list.
QList<TPathToLoad> WebSitesFilesOfPath(const QString& Path);
void WebSitesLoadFromFile(TWebSiteList& List, const QString& FileName, const QString& Category);
// Roughly what reading these paths allocates, for PrepareHeapForLargeInput: the file
// data and the entries built from it. Folders count as nothing (their files are
// small and read one at a time).
qint64 WebSitesLoadAllocationEstimate(const QStringList& Paths);
void WebSitesSaveToFolder(const TWebSiteList& List, const QString& Folder);
void WebSiteSaveInFolder(const TWebSite& Site, const QString& Dir);
QString SanitizeFileName(const QString& Text);
