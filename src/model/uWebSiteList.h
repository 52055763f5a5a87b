#pragma once
// The bookmark record and the bookmark list: adding with merge by URL, search,
// sort, delete, and the date and URL helpers the file formats share. GUI-free.

#include <model/uBrowserTree.h>
#include <model/uDateTime.h>
#include <model/uSiteText.h>
#include <model/uWebSiteExtras.h>
#include <model/uWebSiteIcons.h>

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <tuple>
#include <vector>

// A million of these are held at once, so the texts are TSiteText (one pointer
// each, nothing allocated when empty, Latin-1 where it fits) and the small fields
// sit together at the end, where a new one fits in the padding.
struct TWebSite
{
    TSiteText Title;
    TSiteText URL;
    TSiteText Comment;     // several lines joined with CR LF
    TSiteText IconURL;     // empty or beginning with "http"
    TSiteText Category;    // folder names joined with "\", outermost first
    TWebSiteExtras Extras; // tags, keyword and the like: empty for most entries
    TDateTime AddDate;
    TIconId IconId = 0; // the favicon in WebSiteIcons(), 0 for none
    // Its place among its folder's items where it came from, 0 when not known (see
    // uBrowserTree.h); sorting the list leaves it alone.
    TTreePlace Place = 0;
    bool Selected : 1 = false;
    bool Visible : 1 = false;
    // Reading state, as bookmark services keep it: saved to read later, not shared.
    bool ToRead : 1 = false;
    bool Private : 1 = false;

    bool operator==(const TWebSite&) const = default;
};

// What makes two entries the same bookmark: every field but the view's marks
// (Selected, Visible). Undo, the close check and the "changed" state compare entries
// by it. Every field is named here once, so a field added to TWebSite stops this
// from compiling until it is put with the content or with the marks.
inline auto WebSiteContent(const TWebSite& Site)
{
    const auto& [Title, URL, Comment, IconURL, Category, Extras, AddDate, IconId, Place, Selected,
                 Visible, ToRead, Private] = Site;
    static_cast<void>(Selected); // view state: where the list's selection is
    static_cast<void>(Visible);  // view state: what the search shows
    // The one-bit fields are compared by value (no reference binds to them).
    return std::make_tuple(std::cref(Title), std::cref(URL), std::cref(Comment), std::cref(IconURL),
                           std::cref(Category), std::cref(Extras), std::cref(AddDate),
                           std::cref(IconId), std::cref(Place), bool(ToRead), bool(Private));
}

inline bool WebSiteSameContent(const TWebSite& A, const TWebSite& B)
{
    return WebSiteContent(A) == WebSiteContent(B);
}

// A hash of the content for WebSiteSameContent (the texts only: equal content, equal hash).
size_t WebSiteContentHash(const TWebSite& Site) noexcept;

// What the adds since the last ResetStats() did; lets the callers tell the user.
struct TWebSitesStats
{
    int Files = 0;                     // files read by WebSitesLoadFromFile
    int Added = 0;                     // new entries
    int Merged = 0;                    // merged into an entry with the same URL
    int Skipped = 0;                   // dropped because the URL is not an http URL
    QStringList FilesWithoutBookmarks; // bookmark HTML files in which no bookmark was found
    QStringList NotBookmarkFiles;      // files named directly that no reader knows
    // Rows of service exports that were not read: how many, and the first
    // MaxBadRowsKept of them, each "FILE: line N: why" cut to MaxBadRowLength.
    qsizetype BadRowCount = 0;
    QStringList BadRows;

    // Counts a row left out, keeping its words while few are kept.
    void AddBadRow(QStringView Row);
    // Adds the counts and kept rows of Other.
    void AddBadRows(const TWebSitesStats& Other);
};
inline constexpr qsizetype MaxBadRowsKept = 20;
inline constexpr qsizetype MaxBadRowLength = 300;

enum class TAddResult
{
    Added,
    Merged,
    Skipped
};

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

    const_iterator begin() const { return FItems.begin(); }
    const_iterator end() const { return FItems.end(); }

    // Raw access for whole-list algorithms (sort, delete); marks the index stale.
    // A stale index is rebuilt into new room when next needed, so its room is given
    // back now (13 MB at a million entries).
    std::vector<TWebSite>& Items()
    {
        FIndexStale = true;
        std::vector<TSlot>().swap(FSlots);
        FSlotsUsed = 0;
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
    qsizetype IndexOfURL(const TSiteText& url) const;

    // Shorten retailer product URLs in WebSitesAdd (the "Simplify amazon URL" option).
    bool ShortenURLs = false;
    // A list that only gathers what readers give, to be added to another list later
    // by WebSitesAddGathered: WebSitesAdd then appends every entry as it comes, with
    // no merge, skip or count, so that the later add gives exactly what reading
    // into the other list directly would have given.
    bool Gathering = false;
    // Appends for a gathering list: no URL index is kept.
    void AppendGathered(TWebSite&& site);

    TWebSitesStats Stats;
    void ResetStats() { Stats = {}; }

    // Landmarks, places of folders, separators and empty folders of the trees read
    // into the list (see uBrowserTree.h).
    TBrowserTree Folders;

private:
    // The URL index: open addressing over (hash, entry index) pairs, so that it
    // holds no copies of the URLs and growing it needs no rehashing of texts.
    // Eight bytes a slot: 32 bits of the hash pick the slot and filter the
    // comparisons; an entry index fits 31 bits (a list never gets near that).
    // The table is at most three quarters full, and its size a power of two
    // or one and a half times one, so that a list of a million entries does
    // not take twice the slots it needs.
    struct TSlot
    {
        std::uint32_t Hash = 0;
        std::int32_t Index = -1; // -1: free
    };
    qsizetype FindSlot(const TSiteText& url, std::uint32_t hash) const;
    void InsertSlot(qsizetype slot, std::uint32_t hash, qsizetype index) const;
    void ReserveSlots(qsizetype count) const;
    void RebuildIndex() const;
    // Makes an appended entry's category the list's one copy of that text.
    void ShareCategory(TSiteText& category);

    std::vector<TWebSite> FItems;
    mutable std::vector<TSlot> FSlots;
    mutable qsizetype FSlotsUsed = 0;
    mutable bool FIndexStale = false;
    // One copy of every category text appended (entries of a folder come in runs,
    // so the last one is checked first).
    QSet<TSiteText> FCategories;
    TSiteText FLastCategory;
};

// An empty list that is never freed, for a list read just before the process ends:
// handing a million records back one by one at exit takes longer than the system
// takes to reclaim the whole process. Kept reachable, so leak checkers do not count it.
TWebSiteList& NewListKeptUntilExit();

// ---- Adding, search, sort and delete -------------------------------------------------

TAddResult WebSitesAdd(TWebSiteList& List, TWebSite Site);

// Comments that merges bring to entries of a list, joined at a cost of their
// total length. The merge rule compares a comment with the entry's whole joined
// text and appends it on a new line; done on the entry each time, that copies
// the whole text once per merge, so n comments merging into one entry would cost
// the square of n. Here each entry's text grows in place and is written back
// once, by Apply or at the end of the scope. Until then an entry's Comment is
// the one it had before the joins; only its index must stay valid (appending to
// the list is fine).
class TCommentJoins
{
public:
    explicit TCommentJoins(TWebSiteList& List) : FList(List) {}
    ~TCommentJoins() { Apply(); }
    TCommentJoins(const TCommentJoins&) = delete;
    TCommentJoins& operator=(const TCommentJoins&) = delete;

    // The merge rule for Comment coming to the entry at Index: an empty comment
    // takes it, a different whole text gets it appended after CR LF.
    void Add(qsizetype Index, QStringView Comment);
    void Add(qsizetype Index, const QString& Comment) { Add(Index, QStringView(Comment)); }
    void Add(qsizetype Index, const TSiteText& Comment);
    // WebSiteMerge of Site into the entry at Index, the comment joined here.
    void Merge(qsizetype Index, const TWebSite& Site);
    void Apply();

private:
    TWebSiteList& FList;
    QHash<qsizetype, QString> FJoined;
};

// WebSitesAdd with the comment of a merge joined through Joins.
TAddResult WebSitesAdd(TWebSiteList& List, TWebSite Site, TCommentJoins& Joins);
// Adds the entries of a gathering list to List with WebSitesAdd, in the order read,
// and counts its files in List.Stats; Gathered is empty afterwards.
void WebSitesAddGathered(TWebSiteList& List, TWebSiteList&& Gathered);
// The merge rule of WebSitesAdd: Site's comment joins E's (unless empty or the
// same whole text), E's empty category takes Site's (with its place), E without a
// favicon takes Site's, the earlier date wins, E gains the tags it lacks and Site's
// keyword when it has none, "to read" and "private" when Site has them; E's title,
// URL, icon URL and other flags stay.
void WebSiteMerge(TWebSite& E, const TWebSite& Site);
qsizetype WebSitesIndexOfURL(const TWebSiteList& List, const QString& URL);
void WebSitesAddURL(TWebSiteList& List, const QString& URL, const QString& Title);
// SortIndex 1 title, 2 URL, 3 category, 4 comment, 5 tags; 6 the last link check's
// verdict (problems first, the worst first); negative reverses. Visible entries first.
void WebSitesSort(TWebSiteList& List, int SortIndex);
// Entries holding every keyword (in title, URL, category, comment, tags or
// keyword) stay visible; "is:toread" and "is:private" keep those so marked.
void WebSitesSearch(TWebSiteList& List, const QString& Text);
// The keywords of a search text (U+3000 as space, control characters separate,
// double-quoted phrases with "" for a quote). Empty keywords are kept.
QStringList SplitSearchKeywords(const QString& Text);
int WebSitesVisibleCount(const TWebSiteList& List);
// Hides the visible entries whose last link check found no problem (or that were
// never checked); for "show only problems" after a search.
void WebSitesKeepLinkProblems(TWebSiteList& List);
void WebSitesDeleteSelected(TWebSiteList& List);
// Forgets where the entries and folders stood in their browsers (and the
// separators), so that a file is written in the list's order.
void WebSitesForgetPlaces(TWebSiteList& List);

QString DateToUnixText(TDateTime Date);
// The number DateToUnixText writes.
std::int64_t DateToUnixSeconds(TDateTime Date);
TDateTime UnixTextToDate(const QString& Text);
bool IsHttpURL(const QString& Text);
bool IsHttpURL(const TSiteText& Text);
QString HttpURLOrEmpty(const QString& Text);

// www.amazon.co.jp -> amzn.asia, www.amazon.com -> amzn.to product links; others unchanged.
QString ShortenAmazonURL(const QString& URL);
