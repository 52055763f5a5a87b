// The bookmark list and its operations: add with duplicate merge, sort, keyword
// search, delete, and the date and URL helpers the file formats share.

#include <model/uWebSiteList.h>
#include <model/uWebSiteTags.h>

#include <QHash>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>
#include <utility>

// ---- TWebSiteList ------------------------------------------------------------------

namespace {

void PrefetchForRead(const void* p)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

std::uint32_t HashURL(const TSiteText& url)
{
    // The process-wide random seed keeps crafted URLs from forcing collisions.
    const size_t h = url.Hash(QHashSeed::globalSeed());
    return std::uint32_t(h ^ (std::uint64_t(h) >> 32));
}

// The first slot a hash probes: the hash scaled to the table's size.
size_t HomeSlot(std::uint32_t hash, size_t size)
{
    return size_t((std::uint64_t(hash) * size) >> 32);
}

} // namespace

// The slot holding url, or the free slot where it would go.
qsizetype TWebSiteList::FindSlot(const TSiteText& url, std::uint32_t hash) const
{
    const size_t size = FSlots.size();
    size_t i = HomeSlot(hash, size);
    for (;;) {
        const TSlot& slot = FSlots[i];
        if (slot.Index < 0 || (slot.Hash == hash && FItems[size_t(slot.Index)].URL == url))
            return qsizetype(i);
        if (++i == size)
            i = 0;
    }
}

void TWebSiteList::InsertSlot(qsizetype slot, std::uint32_t hash, qsizetype index) const
{
    FSlots[size_t(slot)] = {hash, std::int32_t(index)};
    ++FSlotsUsed;
}

// Room for count URLs at a load of at most three quarters.
void TWebSiteList::ReserveSlots(qsizetype count) const
{
    if (size_t(count) * 4 <= FSlots.size() * 3)
        return;
    size_t size = 16;
    while (size * 3 < size_t(count) * 4)
        size = (size & (size - 1)) == 0 ? size / 2 * 3 : size / 3 * 4;
    std::vector<TSlot> old(size);
    old.swap(FSlots);
    for (const TSlot& slot : old) {
        if (slot.Index < 0)
            continue;
        size_t i = HomeSlot(slot.Hash, size);
        while (FSlots[i].Index >= 0)
            if (++i == size)
                i = 0;
        FSlots[i] = slot;
    }
}

void TWebSiteList::RebuildIndex() const
{
    FSlots.clear();
    FSlotsUsed = 0;
    ReserveSlots(qsizetype(FItems.size()));
    // Front to back, keeping the first index of every URL.
    for (size_t i = 0; i < FItems.size(); ++i) {
        const std::uint32_t hash = HashURL(FItems[i].URL);
        const qsizetype slot = FindSlot(FItems[i].URL, hash);
        if (FSlots[size_t(slot)].Index < 0)
            InsertSlot(slot, hash, qsizetype(i));
    }
    FIndexStale = false;
}

void TWebSiteList::ShareCategory(TSiteText& category)
{
    if (category.isEmpty() || category.Identity() == FLastCategory.Identity())
        return;
    if (category == FLastCategory) {
        category = FLastCategory;
        return;
    }
    auto it = FCategories.constFind(category);
    if (it == FCategories.constEnd())
        it = FCategories.insert(category);
    else
        category = *it;
    FLastCategory = *it;
}

void TWebSiteList::Append(TWebSite site)
{
    ShareCategory(site.Category);
    if (!FIndexStale) {
        ReserveSlots(FSlotsUsed + 1);
        const std::uint32_t hash = HashURL(site.URL);
        const qsizetype slot = FindSlot(site.URL, hash);
        // Keep the first index of a URL, as a scan from the front would find.
        if (FSlots[size_t(slot)].Index < 0)
            InsertSlot(slot, hash, qsizetype(FItems.size()));
    }
    FItems.push_back(std::move(site));
}

qsizetype TWebSiteList::AppendIfNewURL(TWebSite&& site)
{
    if (FIndexStale)
        RebuildIndex();
    ReserveSlots(FSlotsUsed + 1);
    const std::uint32_t hash = HashURL(site.URL);
    const qsizetype slot = FindSlot(site.URL, hash);
    if (FSlots[size_t(slot)].Index >= 0)
        return FSlots[size_t(slot)].Index;
    InsertSlot(slot, hash, qsizetype(FItems.size()));
    ShareCategory(site.Category);
    FItems.push_back(std::move(site));
    return -1;
}

void TWebSiteList::AppendGathered(TWebSite&& site)
{
    ShareCategory(site.Category);
    FItems.push_back(std::move(site));
    FIndexStale = true;
}

void TWebSiteList::Clear()
{
    FItems.clear();
    FSlots.clear();
    FSlotsUsed = 0;
    FIndexStale = false;
    FCategories.clear();
    FLastCategory.clear();
    Folders.Clear();
}

qsizetype TWebSiteList::IndexOfURL(const QString& url) const
{
    if (FIndexStale)
        RebuildIndex();
    if (FSlots.empty())
        return -1;
    return IndexOfURL(TSiteText(url));
}

qsizetype TWebSiteList::IndexOfURL(const TSiteText& url) const
{
    if (FIndexStale)
        RebuildIndex();
    if (FSlots.empty())
        return -1;
    return FSlots[size_t(FindSlot(url, HashURL(url)))].Index;
}

// ---- Record and list operations ----------------------------------------------------

namespace {

// WebSiteMerge but for the comment.
void MergeAllButComment(TWebSite& E, const TWebSite& Site)
{
    // The place goes with the folder: the entry stays where it was first seen.
    if (E.Category.isEmpty() && !Site.Category.isEmpty()) {
        E.Category = Site.Category;
        E.Place = Site.Place;
    } else if (E.Place == 0 && E.Category == Site.Category) {
        E.Place = Site.Place;
    }
    // Still to read when any source says so; private when any source keeps it so.
    E.ToRead = E.ToRead || Site.ToRead;
    E.Private = E.Private || Site.Private;
    if (E.IconId == 0)
        E.IconId = Site.IconId;
    // Compared as instants: before 1899-12-30 the day count is not monotonic.
    if (E.AddDate.ToMilliseconds() > Site.AddDate.ToMilliseconds())
        E.AddDate = Site.AddDate;
    WebSiteExtrasMerge(E, Site);
}

TAddResult AddSite(TWebSiteList& List, TWebSite&& Site, TCommentJoins* Joins)
{
    if (List.Gathering) {
        // Readers then attach what follows an entry (a comment) to the entry itself.
        List.AppendGathered(std::move(Site));
        return TAddResult::Added;
    }
    if (List.ShortenURLs && Site.URL.startsWith(QLatin1StringView("https://www.amazon.")))
        Site.URL = ShortenAmazonURL(Site.URL);
    if (!IsHttpURL(Site.URL)) {
        ++List.Stats.Skipped;
        return TAddResult::Skipped;
    }
    Site.Selected = false;
    Site.Visible = true;
    // Same answer as WebSitesIndexOfURL followed by an append, in one lookup.
    const qsizetype k = List.AppendIfNewURL(std::move(Site));
    if (k < 0) {
        ++List.Stats.Added;
        return TAddResult::Added;
    }
    if (Joins) {
        Joins->Merge(k, Site);
    } else {
        WebSiteMerge(List.EditKeepURL(k), Site);
    }
    ++List.Stats.Merged;
    return TAddResult::Merged;
}

} // namespace

TAddResult WebSitesAdd(TWebSiteList& List, TWebSite Site)
{
    return AddSite(List, std::move(Site), nullptr);
}

TAddResult WebSitesAdd(TWebSiteList& List, TWebSite Site, TCommentJoins& Joins)
{
    return AddSite(List, std::move(Site), &Joins);
}

void TCommentJoins::Add(qsizetype Index, QStringView Comment)
{
    if (Comment.isEmpty() || Index < 0 || Index >= FList.Count())
        return;
    auto it = FJoined.find(Index);
    if (it == FJoined.end()) {
        // The first comment of an entry is written at once; only joins wait here.
        const TSiteText& now = std::as_const(FList)[Index].Comment;
        if (now.isEmpty()) {
            FList.EditKeepURL(Index).Comment = Comment.toString();
            return;
        }
        if (now == Comment)
            return;
        it = FJoined.insert(Index, now.toString());
    } else if (*it == Comment) {
        // Texts of other lengths differ at once, so the compare costs at most
        // the new comment's length.
        return;
    }
    *it += QStringLiteral("\r\n");
    *it += Comment;
}

void TCommentJoins::Add(qsizetype Index, const TSiteText& Comment)
{
    if (!Comment.isEmpty())
        Add(Index, QStringView(Comment.toString()));
}

void TCommentJoins::Merge(qsizetype Index, const TWebSite& Site)
{
    if (Index < 0 || Index >= FList.Count())
        return;
    MergeAllButComment(FList.EditKeepURL(Index), Site);
    Add(Index, Site.Comment);
}

void TCommentJoins::Apply()
{
    for (auto it = FJoined.begin(); it != FJoined.end(); ++it)
        if (it.key() < FList.Count())
            FList.EditKeepURL(it.key()).Comment = *it;
    FJoined.clear();
}

void TWebSitesStats::AddBadRow(QStringView Row)
{
    ++BadRowCount;
    if (BadRows.size() >= MaxBadRowsKept)
        return;
    if (Row.size() > MaxBadRowLength) {
        Row = Row.first(MaxBadRowLength - 1);
        if (Row.back().isHighSurrogate())
            Row.chop(1);
        BadRows.append(Row.toString() + u'\u2026');
    } else {
        BadRows.append(Row.toString());
    }
}

void TWebSitesStats::AddBadRows(const TWebSitesStats& Other)
{
    BadRowCount += Other.BadRowCount;
    for (qsizetype i = 0; i < Other.BadRows.size() && BadRows.size() < MaxBadRowsKept; ++i)
        BadRows.append(Other.BadRows[i]);
}

void WebSitesAddGathered(TWebSiteList& List, TWebSiteList&& Gathered)
{
    {
        std::vector<TWebSite>& items = Gathered.Items();
        List.Folders.Merge(Gathered.Folders, items);
        TCommentJoins joins(List);
        for (TWebSite& Site : Gathered.Items())
            WebSitesAdd(List, std::move(Site), joins);
    }
    List.Stats.Files += Gathered.Stats.Files;
    List.Stats.FilesWithoutBookmarks += Gathered.Stats.FilesWithoutBookmarks;
    List.Stats.NotBookmarkFiles += Gathered.Stats.NotBookmarkFiles;
    List.Stats.AddBadRows(Gathered.Stats);
    Gathered.Clear();
    Gathered.ResetStats();
}

void WebSiteMerge(TWebSite& E, const TWebSite& Site)
{
    if (E.Comment.isEmpty())
        E.Comment = Site.Comment;
    else if (!Site.Comment.isEmpty() && Site.Comment != E.Comment)
        E.Comment += QStringLiteral("\r\n") + Site.Comment;
    MergeAllButComment(E, Site);
}

qsizetype WebSitesIndexOfURL(const TWebSiteList& List, const QString& URL)
{
    return List.IndexOfURL(URL);
}

void WebSitesAddURL(TWebSiteList& List, const QString& URL, const QString& Title)
{
    TWebSite Site;
    Site.Title = Title;
    Site.URL = URL;
    Site.AddDate = TDateTime::Now();
    Site.Selected = false;
    Site.Visible = true;
    WebSitesAdd(List, std::move(Site));
}

namespace {

// The order of the verdicts when sorted by them: what needs the user most first.
int LinkStatusRank(TLinkStatus Status)
{
    switch (Status) {
    case TLinkStatus::Gone:
        return 0;
    case TLinkStatus::SoftGone:
        return 1;
    case TLinkStatus::Unreachable:
        return 2;
    case TLinkStatus::Parked:
        return 3;
    case TLinkStatus::ServerError:
        return 4;
    case TLinkStatus::Blocked:
        return 5;
    case TLinkStatus::Moved:
        return 6;
    case TLinkStatus::Ok:
        return 7;
    case TLinkStatus::None:
        break;
    }
    return 8;
}

// Few entries carry a verdict, and ties keep their order: a stable sort of the
// entries by one small key is enough here.
void WebSitesSortByLinkStatus(TWebSiteList& List, bool Ascending)
{
    auto& items = List.Items();
    std::vector<std::pair<int, std::uint32_t>> keys(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const int rank = LinkStatusRank(items[i].Extras->LinkStatus);
        keys[i] = {(items[i].Visible ? 0 : 16) + (Ascending ? rank : 7 - rank), std::uint32_t(i)};
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<TWebSite> sorted;
    sorted.reserve(items.size());
    for (const auto& k : keys)
        sorted.push_back(std::move(items[k.second]));
    items = std::move(sorted);
}

} // namespace

namespace {

// Sorting small keys and moving every entry once is much cheaper than sorting
// the entries themselves. The texts are compared in a byte form whose byte
// order is the order of the code units (a unit below 0xFF is one byte, any
// other 0xFF and its two bytes). A key holds sixteen bytes of it, which
// decide most comparisons without reading anything else; all its bytes lie
// side by side in one block. Keys that agree in their sixteen bytes are
// sorted again by the next sixteen, and so on (a radix sort by sixteen-byte
// digits), so that addresses sharing a long start ("https://www.") are read
// once per digit rather than once per comparison.
struct TSortKey
{
    std::uint64_t Prefix[2];  // the sixteen bytes of the digit being sorted, big-endian
    std::uint64_t Tail;       // where the key's bytes start in the block
    std::uint32_t Length;     // of the whole byte form
    std::uint32_t Index : 31; // in the list
    std::uint32_t Visible : 1;
};

// Puts the bytes Depth.. Depth+15 of the key into its prefix (missing ones 0).
void LoadDigit(TSortKey& key, const std::uint8_t* bytes, std::uint32_t depth)
{
    const std::uint8_t* p = bytes + key.Tail + depth;
    const std::uint32_t left = key.Length > depth ? key.Length - depth : 0;
    if (left >= 16) {
        key.Prefix[0] = qFromBigEndian<quint64>(p);
        key.Prefix[1] = qFromBigEndian<quint64>(p + 8);
        return;
    }
    std::uint8_t digit[16] = {};
    if (left != 0)
        std::memcpy(digit, p, left);
    key.Prefix[0] = qFromBigEndian<quint64>(digit);
    key.Prefix[1] = qFromBigEndian<quint64>(digit + 8);
}

// Appends the byte form of text to bytes and makes its key.
void MakeSortKey(const TSiteText& text, std::vector<std::uint8_t>& bytes, TSortKey& key)
{
    key.Tail = bytes.size();
    const QLatin1StringView latin1 = text.IsLatin1() ? text.Latin1() : QLatin1StringView();
    if (text.IsLatin1()
        && (latin1.isEmpty() || !std::memchr(latin1.data(), 0xFF, size_t(latin1.size())))) {
        // Every unit is its own byte (most texts).
        const auto* p = reinterpret_cast<const std::uint8_t*>(latin1.data());
        if (!latin1.isEmpty()) // an empty text has no bytes to point at
            bytes.insert(bytes.end(), p, p + latin1.size());
    } else {
        text.Visit([&](auto v) {
            for (qsizetype u = 0; u < v.size(); ++u) {
                const char16_t c = char16_t(v[u].unicode());
                if (c < 0xFF) {
                    bytes.push_back(std::uint8_t(c));
                } else {
                    bytes.push_back(0xFF);
                    bytes.push_back(std::uint8_t(c >> 8));
                    bytes.push_back(std::uint8_t(c));
                }
            }
        });
    }
    key.Length = std::uint32_t(bytes.size() - key.Tail);
}

class TKeySorter
{
public:
    TKeySorter(const std::vector<std::uint8_t>& Bytes, bool Ascending)
        : FBytes(Bytes.data()), FAscending(Ascending)
    {
    }

    // The whole order: visible first, then the texts (ordinal by code units;
    // a text before any longer one it begins), equal texts in the list's order.
    // No two keys are equal.
    bool Less(const TSortKey& a, const TSortKey& b) const
    {
        if (a.Visible != b.Visible)
            return bool(a.Visible);
        const std::uint32_t n = std::min(a.Length, b.Length);
        int c = n == 0 ? 0 : std::memcmp(FBytes + a.Tail, FBytes + b.Tail, n);
        if (c == 0 && a.Length != b.Length)
            c = a.Length < b.Length ? -1 : 1;
        if (c != 0)
            return FAscending ? c < 0 : c > 0;
        return a.Index < b.Index;
    }

    // Sorts [First, Last) by Less, digit by digit.
    void Sort(TSortKey* First, TSortKey* Last) const
    {
        struct TRun
        {
            TSortKey* First;
            TSortKey* Last;
            std::uint32_t Depth;
        };
        std::vector<TRun> runs{{First, Last, 0}};
        for (TSortKey* k = First; k != Last; ++k)
            LoadDigit(*k, FBytes, 0);
        while (!runs.empty()) {
            const TRun run = runs.back();
            runs.pop_back();
            const std::uint32_t depth = run.Depth;
            // Within one digit: bytes left over after it (more than sixteen) count as
            // 17, so that a text that ends here comes before the longer ones, and
            // equal shorter ones are in order of length, then of index.
            const auto left = [depth](const TSortKey& k) {
                return std::min<std::uint32_t>(k.Length - std::min(k.Length, depth), 17);
            };
            std::sort(run.First, run.Last, [&](const TSortKey& a, const TSortKey& b) {
                if (a.Visible != b.Visible)
                    return bool(a.Visible);
                if (a.Prefix[0] != b.Prefix[0])
                    return FAscending == (a.Prefix[0] < b.Prefix[0]);
                if (a.Prefix[1] != b.Prefix[1])
                    return FAscending == (a.Prefix[1] < b.Prefix[1]);
                const std::uint32_t la = left(a), lb = left(b);
                if (la != lb)
                    return FAscending == (la < lb);
                return a.Index < b.Index;
            });
            // Runs that agree in this digit and go on past it are sorted by the next.
            for (TSortKey* k = run.First; k != run.Last;) {
                TSortKey* end = k + 1;
                if (left(*k) == 17)
                    while (end != run.Last && end->Visible == k->Visible
                           && end->Prefix[0] == k->Prefix[0] && end->Prefix[1] == k->Prefix[1]
                           && left(*end) == 17)
                        ++end;
                if (end - k > 1) {
                    for (TSortKey* r = k; r != end; ++r)
                        LoadDigit(*r, FBytes, depth + 16);
                    runs.push_back({k, end, depth + 16});
                }
                k = end;
            }
        }
    }

private:
    const std::uint8_t* FBytes;
    bool FAscending;
};

// The categories of a list are few texts shared by many entries: each distinct
// text is sorted once, and the entries are sorted by its rank.
void MakeCategoryKeys(const std::vector<TWebSite>& Items, std::vector<TSortKey>& Keys,
                      std::vector<std::uint8_t>& Bytes)
{
    QHash<const void*, std::uint32_t> slots;
    std::vector<TSiteText> texts;
    std::vector<std::uint32_t> slotOf(Items.size());
    const void* last = nullptr;
    std::uint32_t lastSlot = 0;
    for (size_t i = 0; i < Items.size(); ++i) {
        const TSiteText& text = Items[i].Category;
        if (i == 0 || text.Identity() != last) {
            last = text.Identity();
            auto it = slots.constFind(last);
            if (it == slots.cend()) {
                it = slots.insert(last, std::uint32_t(texts.size()));
                texts.push_back(text);
            }
            lastSlot = *it;
        }
        slotOf[i] = lastSlot;
    }
    std::vector<std::uint32_t> order(texts.size());
    for (std::uint32_t s = 0; s < order.size(); ++s)
        order[s] = s;
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return texts[a] < texts[b]; });
    // Equal texts in separate storage share a rank. The rank, four bytes
    // big-endian, is the key's byte form.
    std::vector<std::uint32_t> rank(texts.size());
    std::uint32_t r = 0;
    for (size_t k = 0; k < order.size(); ++k) {
        if (k > 0 && texts[order[k]] != texts[order[k - 1]])
            ++r;
        rank[order[k]] = r;
    }
    Bytes.resize(size_t(4) * texts.size());
    for (size_t s = 0; s < texts.size(); ++s)
        for (int b = 0; b < 4; ++b)
            Bytes[4 * s + size_t(b)] = std::uint8_t(rank[s] >> (24 - 8 * b));
    for (size_t i = 0; i < Items.size(); ++i) {
        Keys[i].Tail = std::uint64_t(4) * slotOf[i];
        Keys[i].Length = 4;
    }
}

} // namespace

void WebSitesKeepLinkProblems(TWebSiteList& List)
{
    for (auto& site : List.Items())
        if (site.Visible && !LinkStatusIsProblem(site.Extras->LinkStatus))
            site.Visible = false;
}

void WebSitesSort(TWebSiteList& List, int SortIndex)
{
    if (SortIndex == 6 || SortIndex == -6) {
        WebSitesSortByLinkStatus(List, SortIndex > 0);
        return;
    }
    if (SortIndex == 0 || SortIndex > 5 || SortIndex < -5)
        return;
    const bool ascending = SortIndex > 0;
    const bool byTags = SortIndex == 5 || SortIndex == -5;
    TSiteText TWebSite::*key = nullptr;
    switch (SortIndex < 0 ? -SortIndex : SortIndex) {
    case 1:
        key = &TWebSite::Title;
        break;
    case 2:
        key = &TWebSite::URL;
        break;
    case 3:
        key = &TWebSite::Category;
        break;
    default:
        key = &TWebSite::Comment;
        break;
    }
    auto& items = List.Items();
    std::vector<TSortKey> keys(items.size());
    std::vector<std::uint8_t> bytes;
    for (size_t i = 0; i < items.size(); ++i) {
        keys[i].Index = std::uint32_t(i);
        keys[i].Visible = items[i].Visible;
    }
    if (key == &TWebSite::Category && !byTags) {
        MakeCategoryKeys(items, keys, bytes);
    } else {
        constexpr size_t TextsAhead = 8;
        for (size_t i = 0; i < items.size(); ++i) {
            if (!byTags && i + TextsAhead < items.size())
                PrefetchForRead((items[i + TextsAhead].*key).Identity());
            MakeSortKey(byTags ? items[i].Extras->Tags : items[i].*key, bytes, keys[i]);
        }
    }
    const TKeySorter sorter(bytes, ascending);
    // The order is total (no two keys are equal), so two halves sorted side by side
    // and merged give exactly what one sort gives, in about half the time.
    constexpr size_t SortInTwoFrom = 65536;
    bool keysSorted = false;
    if (keys.size() >= SortInTwoFrom && std::thread::hardware_concurrency() > 1) {
        TSortKey* const first = keys.data();
        TSortKey* const middle = first + keys.size() / 2;
        TSortKey* const last = first + keys.size();
        try {
            std::thread half([&] { sorter.Sort(first, middle); });
            sorter.Sort(middle, last);
            half.join();
            std::inplace_merge(first, middle, last, [&](const TSortKey& a, const TSortKey& b) {
                return sorter.Less(a, b);
            });
            keysSorted = true;
        } catch (const std::system_error&) {
            // No thread to be had: one sort below.
        }
    }
    if (!keysSorted)
        sorter.Sort(keys.data(), keys.data() + keys.size());
    // Each entry moved once, into a new list in the new order. The entries
    // are read in no order, so the next few are asked for ahead.
    std::vector<TWebSite> sorted;
    sorted.reserve(items.size());
    constexpr size_t Ahead = 8;
    for (size_t k = 0; k < keys.size(); ++k) {
        if (k + Ahead < keys.size())
            PrefetchForRead(&items[keys[k + Ahead].Index]);
        sorted.push_back(std::move(items[keys[k].Index]));
    }
    items.swap(sorted);
}

QStringList SplitSearchKeywords(const QString& Text)
{
    QString s = Text;
    s.replace(QChar(0x3000), u' ');
    const auto isSep = [](QChar c) { return c.unicode() >= 1 && c.unicode() <= 32; };
    QStringList result;
    const qsizetype n = s.size();
    qsizetype p = 0;
    while (p < n && isSep(s[p]))
        ++p;
    while (p < n) {
        QString word;
        if (s[p] == u'"') {
            // A quoted phrase: "" inside stands for one quote; unterminated runs to the end.
            ++p;
            while (p < n) {
                if (s[p] == u'"') {
                    if (p + 1 < n && s[p + 1] == u'"') {
                        word += u'"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                word += s[p++];
            }
        } else {
            const qsizetype start = p;
            while (p < n && !isSep(s[p]))
                ++p;
            word = s.mid(start, p - start);
        }
        result.append(word);
        while (p < n && isSep(s[p]))
            ++p;
    }
    return result;
}

namespace {

struct TKeyword
{
    QString Upper;
    bool Ascii = true;
    // "is:toread", "is:private": the reading state rather than a text.
    enum TState : std::uint8_t
    {
        AnyText,
        ToRead,
        Private
    } State = AnyText;
};

bool IsAscii(QStringView s)
{
    return QtPrivate::isAscii(s);
}

// Does the ASCII text f contain kUpper (ASCII, upper case) ignoring letter case?
// Candidates for the first character are found with the vectorised single
// character search, once for each letter case. f is a QStringView or a
// QLatin1StringView.
template <typename TView>
bool AsciiContainsUpper(TView f, QStringView kUpper)
{
    const qsizetype n = f.size();
    const qsizetype m = kUpper.size();
    if (m > n)
        return false;
    const char16_t upper0 = kUpper[0].unicode();
    const char16_t lower0 = (upper0 >= u'A' && upper0 <= u'Z') ? char16_t(upper0 + 32) : upper0;
    const auto next = [&](char16_t c, qsizetype from) {
        const qsizetype p = f.indexOf(QChar(c), from);
        return p < 0 ? n : p;
    };
    qsizetype nextUpper = next(upper0, 0);
    qsizetype nextLower = lower0 != upper0 ? next(lower0, 0) : n;
    for (;;) {
        const qsizetype p = std::min(nextUpper, nextLower);
        if (p > n - m)
            return false;
        qsizetype j = 1;
        for (; j < m; ++j) {
            auto c = char16_t(f[p + j].unicode());
            if (c >= u'a' && c <= u'z')
                c = char16_t(c - 32);
            if (c != kUpper[j].unicode())
                break;
        }
        if (j == m)
            return true;
        if (p == nextUpper)
            nextUpper = next(upper0, p + 1);
        else
            nextLower = next(lower0, p + 1);
    }
}

// Upper-case copies of the non-ASCII fields met during one search, keyed by the
// text's storage: entries share their category text, and a field tested for
// several keywords is converted once.
using TUpperCache = QHash<const void*, QString>;

// Does the upper-cased field contain the (already upper-cased) keyword? An ASCII
// field upper-cases to ASCII, so it is compared in place; any other field goes
// through the full Unicode mapping.
bool FieldContains(const TSiteText& field, const TKeyword& kw, TUpperCache& cache)
{
    if (field.isEmpty())
        return false;
    if (field.IsAscii())
        return kw.Ascii && AsciiContainsUpper(field.Latin1(), kw.Upper);
    auto it = cache.find(field.Identity());
    if (it == cache.end())
        it = cache.insert(field.Identity(), field.toString().toUpper());
    return it->contains(kw.Upper);
}

} // namespace

void WebSitesSearch(TWebSiteList& List, const QString& Text)
{
    const QStringList words = SplitSearchKeywords(Text);
    if (List.isEmpty())
        return;
    auto& items = List.Items();
    if (words.isEmpty()) {
        for (auto& site : items)
            site.Visible = true;
        return;
    }
    std::vector<TKeyword> keywords;
    for (const QString& w : words) {
        if (w.isEmpty())
            continue;
        TKeyword kw;
        kw.Upper = w.toUpper();
        kw.Ascii = IsAscii(kw.Upper);
        if (kw.Upper == u"IS:TOREAD")
            kw.State = TKeyword::ToRead;
        else if (kw.Upper == u"IS:PRIVATE")
            kw.State = TKeyword::Private;
        keywords.push_back(std::move(kw));
    }
    TUpperCache cache;
    for (auto& site : items) {
        bool visible = true;
        for (const TKeyword& kw : keywords) {
            if (kw.State != TKeyword::AnyText) {
                visible = kw.State == TKeyword::ToRead ? site.ToRead : site.Private;
                if (!visible)
                    break;
                continue;
            }
            visible = FieldContains(site.Title, kw, cache) || FieldContains(site.URL, kw, cache)
                      || FieldContains(site.Category, kw, cache)
                      || FieldContains(site.Comment, kw, cache)
                      || (!site.Extras.IsEmpty()
                          && (FieldContains(site.Extras->Tags, kw, cache)
                              || FieldContains(site.Extras->Keyword, kw, cache)));
            if (!visible)
                break;
        }
        site.Visible = visible;
    }
}

int WebSitesVisibleCount(const TWebSiteList& List)
{
    int count = 0;
    for (const TWebSite& site : List) {
        if (!site.Visible)
            break;
        ++count;
    }
    return count;
}

void WebSitesDeleteSelected(TWebSiteList& List)
{
    std::erase_if(List.Items(), [](const TWebSite& s) { return s.Selected && s.Visible; });
}

void WebSitesForgetPlaces(TWebSiteList& List)
{
    for (TWebSite& site : List.Items())
        site.Place = 0;
    List.Folders.ForgetPlaces();
}

// ---- Dates and URLs ----------------------------------------------------------------

std::int64_t DateToUnixSeconds(TDateTime Date)
{
    std::int64_t diff = Date.ToMilliseconds() - UnixEpochMSecs;
    if (diff < 0)
        diff = -diff;
    return diff / 1000;
}

QString DateToUnixText(TDateTime Date)
{
    return QString::number(DateToUnixSeconds(Date));
}

TDateTime UnixTextToDate(const QString& Text)
{
    bool ok = false;
    const qlonglong n = Text.toLongLong(&ok, 10);
    // Seconds whose milliseconds would not fit 64 bits count as unparsable.
    constexpr qlonglong Limit = (std::numeric_limits<qint64>::max() - UnixEpochMSecs) / 1000;
    if (ok && n <= Limit && n >= -Limit)
        return TDateTime::FromMilliseconds(UnixEpochMSecs + std::int64_t(n) * 1000);
    const std::int64_t nowMs = TDateTime::Now().ToMilliseconds() - UnixEpochMSecs;
    const std::int64_t secs = nowMs / 1000; // whole seconds, towards the epoch
    return TDateTime::FromMilliseconds(UnixEpochMSecs + secs * 1000);
}

bool IsHttpURL(const QString& Text)
{
    return Text.startsWith(QStringLiteral("http"), Qt::CaseSensitive);
}

bool IsHttpURL(const TSiteText& Text)
{
    return Text.startsWith(QLatin1StringView("http"));
}

QString HttpURLOrEmpty(const QString& Text)
{
    return IsHttpURL(Text) ? Text : QString();
}

QString ShortenAmazonURL(const QString& URL)
{
    struct THost
    {
        QString Long;
        QString Short;
    };
    static const THost hosts[] = {
        {QStringLiteral("https://www.amazon.co.jp/"), QStringLiteral("amzn.asia")},
        {QStringLiteral("https://www.amazon.com/"), QStringLiteral("amzn.to")},
    };
    for (const THost& h : hosts) {
        if (!URL.startsWith(h.Long, Qt::CaseSensitive))
            continue;
        const qsizetype dp = URL.indexOf(QStringLiteral("/dp/"));
        if (dp < 0 || URL.size() - (dp + 4) < 10)
            return URL;
        return QStringLiteral("https://") + h.Short + QStringLiteral("/dp/") + URL.mid(dp + 4, 10)
               + u'/';
    }
    return URL;
}

TWebSiteList& NewListKeptUntilExit()
{
    static auto* const Kept = new std::vector<TWebSiteList*>;
    Kept->push_back(new TWebSiteList);
    return *Kept->back();
}

size_t WebSiteContentHash(const TWebSite& Site) noexcept
{
    return qHashMulti(0, Site.URL, Site.Title, Site.Category, Site.Comment, Site.IconURL);
}
