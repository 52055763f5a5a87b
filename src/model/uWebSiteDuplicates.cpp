// Finding and merging near-duplicate bookmarks.

#include <model/uUrlKey.h>
#include <model/uWebSiteDuplicates.h>

#include <QHash>

#include <algorithm>
#include <string>
#include <thread>
#include <utility>

namespace {

// The hash of every entry's URL key. Computing the keys is most of the work and
// needs nothing shared, so large lists are split over the processor's cores.
std::vector<size_t> KeyHashes(const TWebSiteList& List)
{
    const qsizetype n = List.Count();
    std::vector<size_t> hashes(static_cast<size_t>(n));
    const auto hashRange = [&List, &hashes](qsizetype from, qsizetype to) {
        std::u16string buffer;
        // The process-wide random seed keeps crafted URLs from forcing collisions.
        const size_t seed = QHashSeed::globalSeed();
        for (qsizetype i = from; i < to; ++i)
            hashes[size_t(i)] = qHash(URLDuplicateKey(List[i].URL, buffer), seed);
    };
    constexpr qsizetype MinPerThread = 20'000;
    const qsizetype threads = std::clamp<qsizetype>(
        std::min<qsizetype>(std::thread::hardware_concurrency(), n / MinPerThread), 1, 16);
    std::vector<std::thread> workers;
    for (qsizetype t = 1; t < threads; ++t)
        workers.emplace_back(hashRange, n * t / threads, n * (t + 1) / threads);
    hashRange(0, n / threads);
    for (std::thread& w : workers)
        w.join();
    return hashes;
}

} // namespace

std::vector<TDuplicateGroup> WebSitesFindDuplicates(const TWebSiteList& List)
{
    const qsizetype n = List.Count();
    const std::vector<size_t> hashes = KeyHashes(List);
    // Open addressing over (hash of the key, first entry with that key). The keys
    // themselves are not kept, which saves an allocation per entry: an equal hash
    // is confirmed by computing both keys again, about once per duplicate.
    struct TSlot
    {
        size_t Hash = 0;
        qsizetype First = -1;
    };
    size_t size = 16;
    while (size < size_t(n) * 2)
        size *= 2;
    std::vector<TSlot> slots(size);
    const size_t mask = size - 1;
    // first[i]: the first entry with the same key as entry i.
    std::vector<qsizetype> first(size_t(n), 0);
    std::vector<qsizetype> count(size_t(n), 0);
    std::u16string buffer;
    std::u16string earlier;
    for (qsizetype i = 0; i < n; ++i) {
        const size_t hash = hashes[size_t(i)];
        QStringView key; // computed when first needed
        size_t at = hash & mask;
        for (;;) {
            TSlot& slot = slots[at];
            if (slot.First < 0) {
                slot = {hash, i};
                break;
            }
            if (slot.Hash == hash) {
                if (key.isNull())
                    key = URLDuplicateKey(List[i].URL, buffer);
                if (URLDuplicateKey(List[slot.First].URL, earlier) == key)
                    break;
            }
            at = (at + 1) & mask;
        }
        first[size_t(i)] = slots[at].First;
        ++count[size_t(slots[at].First)];
    }
    // A group is created at its first entry, so groups come in list order and
    // every later member finds its group already there.
    std::vector<TDuplicateGroup> groups;
    std::vector<qsizetype> groupOf(size_t(n), -1);
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype f = first[size_t(i)];
        if (count[size_t(f)] < 2)
            continue;
        if (f == i) {
            groupOf[size_t(i)] = qsizetype(groups.size());
            groups.emplace_back().reserve(size_t(count[size_t(i)]));
        }
        groups[size_t(groupOf[size_t(f)])].push_back(i);
    }
    return groups;
}

qsizetype WebSitesEarliestOf(const TWebSiteList& List, const TDuplicateGroup& Group)
{
    qsizetype best = -1;
    for (qsizetype i : Group) {
        if (i < 0 || i >= List.Count())
            continue;
        // Compared as instants, as the merge rule compares dates.
        if (best < 0 || List[i].AddDate.ToMilliseconds() < List[best].AddDate.ToMilliseconds())
            best = i;
    }
    return best;
}

namespace {

enum class TRole : unsigned char
{
    Untouched,
    Kept,
    Removed
};

// The roles of the entries a valid merge touches, or false when the merge would
// touch an index out of range or one an earlier merge took.
bool AssignRoles(const TDuplicateMerge& m, qsizetype n, std::vector<TRole>& roles)
{
    bool keptFound = false;
    for (qsizetype i : m.Group) {
        if (i < 0 || i >= n || roles[size_t(i)] != TRole::Untouched)
            return false;
        keptFound = keptFound || i == m.Kept;
    }
    if (!keptFound || m.Group.size() < 2)
        return false;
    // Duplicated indexes inside the group show up here as a second role.
    for (qsizetype i : m.Group) {
        if (roles[size_t(i)] != TRole::Untouched) {
            for (qsizetype j : m.Group)
                roles[size_t(j)] = TRole::Untouched;
            return false;
        }
        roles[size_t(i)] = i == m.Kept ? TRole::Kept : TRole::Removed;
    }
    return true;
}

// The address a merged group keeps: the cleanest of its spellings (the kept
// entry's own on a tie, then the first in the list), cleaned further of what
// names no other page, and with https when any spelling has it.
QString CleanestURLOf(const TWebSiteList& List, const TDuplicateMerge& m)
{
    qsizetype best = m.Kept;
    int bestDirt = URLUncleanness(List[m.Kept].URL);
    bool https = false;
    for (qsizetype i : m.Group) {
        https = https || List[i].URL.startsWith(QLatin1StringView("https://"), Qt::CaseInsensitive);
        const int dirt = URLUncleanness(List[i].URL);
        if (dirt < bestDirt) {
            best = i;
            bestDirt = dirt;
        }
    }
    return URLCleanestSpelling(List[best].URL, https);
}

} // namespace

TDuplicateMergeUndo WebSitesMergeDuplicates(TWebSiteList& List,
                                            const std::vector<TDuplicateMerge>& Merges)
{
    TDuplicateMergeUndo undo;
    const qsizetype n = List.Count();
    std::vector<TRole> roles(size_t(n), TRole::Untouched);
    {
        // A group's comments are joined into one text written once: merged one by
        // one, a large group would copy the growing text at every member.
        TCommentJoins joins(List);
        for (const TDuplicateMerge& m : Merges) {
            if (!AssignRoles(m, n, roles))
                continue;
            undo.KeptBefore.emplace_back(m.Kept, std::as_const(List)[m.Kept]);
            const QString url = CleanestURLOf(List, m);
            for (qsizetype i : m.Group) {
                if (i == m.Kept)
                    continue;
                // The URL stays while the group is merged, so the URL index stays valid.
                joins.Merge(m.Kept, std::as_const(List)[i]);
            }
            if (std::as_const(List)[m.Kept].URL != url)
                List[m.Kept].URL = url; // marks the URL index stale
        }
    }
    if (undo.KeptBefore.empty())
        return undo;
    std::sort(undo.KeptBefore.begin(), undo.KeptBefore.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    // One pass that moves the removed entries out and closes the gaps.
    auto& items = List.Items();
    size_t to = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        if (roles[i] == TRole::Removed)
            undo.Removed.emplace_back(qsizetype(i), std::move(items[i]));
        else if (to != i)
            items[to++] = std::move(items[i]);
        else
            ++to;
    }
    items.resize(to);
    return undo;
}

void WebSitesUndoMergeDuplicates(TWebSiteList& List, const TDuplicateMergeUndo& Undo)
{
    if (Undo.KeptBefore.empty())
        return;
    auto& items = List.Items();
    std::vector<TWebSite> restored;
    restored.reserve(items.size() + Undo.Removed.size());
    size_t from = 0;
    for (const auto& [index, site] : Undo.Removed) {
        while (qsizetype(restored.size()) < index && from < items.size())
            restored.push_back(std::move(items[from++]));
        restored.push_back(site);
    }
    while (from < items.size())
        restored.push_back(std::move(items[from++]));
    for (const auto& [index, site] : Undo.KeptBefore) {
        if (index < qsizetype(restored.size()))
            restored[size_t(index)] = site;
    }
    items.swap(restored);
}

qsizetype WebSitesMergeAllDuplicates(TWebSiteList& List)
{
    std::vector<TDuplicateMerge> merges;
    for (TDuplicateGroup& g : WebSitesFindDuplicates(List)) {
        const qsizetype kept = WebSitesEarliestOf(List, g);
        merges.push_back({std::move(g), kept});
    }
    return qsizetype(WebSitesMergeDuplicates(List, merges).Removed.size());
}
