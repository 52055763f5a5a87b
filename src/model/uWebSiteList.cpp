// The bookmark list and its operations: add with duplicate merge, sort, keyword
// search, delete, and the date and URL helpers the file formats share.

#include <model/uWebSiteShortcut.h>

#include <algorithm>
#include <limits>
#include <string_view>

namespace {

constexpr std::int64_t UnixEpochMSecs = 25569LL * 86'400'000LL;

std::u16string_view View(const QString& s)
{
    return {reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size())};
}

} // namespace

// ---- TWebSiteList ------------------------------------------------------------------

void TWebSiteList::Append(TWebSite site)
{
    if (!FIndexStale) {
        // Keep the first index of a URL, as a scan from the front would find.
        if (!FIndex.contains(site.URL))
            FIndex.insert(site.URL, qsizetype(FItems.size()));
    }
    FItems.push_back(std::move(site));
}

void TWebSiteList::Clear()
{
    FItems.clear();
    FIndex.clear();
    FIndexStale = false;
}

void TWebSiteList::RebuildIndex() const
{
    FIndex.clear();
    FIndex.reserve(qsizetype(FItems.size()));
    // From the back, so the last write for a URL is its first index.
    for (size_t i = FItems.size(); i-- > 0;)
        FIndex.insert(FItems[i].URL, qsizetype(i));
    FIndexStale = false;
}

qsizetype TWebSiteList::IndexOfURL(const QString& url) const
{
    if (FIndexStale)
        RebuildIndex();
    const auto it = FIndex.constFind(url);
    return it == FIndex.cend() ? -1 : it.value();
}

// ---- Record and list operations ----------------------------------------------------

TAddResult WebSitesAdd(TWebSiteList& List, TWebSite Site)
{
    if (List.ShortenURLs)
        Site.URL = ShortenAmazonURL(Site.URL);
    if (!IsHttpURL(Site.URL)) {
        ++List.Stats.Skipped;
        return TAddResult::Skipped;
    }
    const qsizetype k = WebSitesIndexOfURL(List, Site.URL);
    if (k < 0) {
        Site.Selected = false;
        Site.Visible = true;
        List.Append(std::move(Site));
        ++List.Stats.Added;
        return TAddResult::Added;
    }
    TWebSite& E = List.EditKeepURL(k);
    if (E.Comment.isEmpty())
        E.Comment = Site.Comment;
    else if (!Site.Comment.isEmpty() && Site.Comment != E.Comment)
        E.Comment += QStringLiteral("\r\n") + Site.Comment;
    if (E.Category.isEmpty())
        E.Category = Site.Category;
    // Compared as instants: before 1899-12-30 the day count is not monotonic.
    if (E.AddDate.ToMilliseconds() > Site.AddDate.ToMilliseconds())
        E.AddDate = Site.AddDate;
    ++List.Stats.Merged;
    return TAddResult::Merged;
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

void WebSitesSort(TWebSiteList& List, int SortIndex)
{
    if (SortIndex == 0 || SortIndex > 4 || SortIndex < -4)
        return;
    const bool ascending = SortIndex > 0;
    QString TWebSite::*key = nullptr;
    switch (SortIndex < 0 ? -SortIndex : SortIndex) {
    case 1: key = &TWebSite::Title; break;
    case 2: key = &TWebSite::URL; break;
    case 3: key = &TWebSite::Category; break;
    default: key = &TWebSite::Comment; break;
    }
    auto& items = List.Items();
    std::stable_sort(items.begin(), items.end(),
                     [key, ascending](const TWebSite& a, const TWebSite& b) {
                         if (a.Visible != b.Visible)
                             return a.Visible;
                         // Ordinal by UTF-16 code units (not code points).
                         const int c = View(a.*key).compare(View(b.*key));
                         return ascending ? c < 0 : c > 0;
                     });
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
};

bool IsAscii(QStringView s)
{
    for (QChar c : s)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

char16_t AsciiUpper(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

// Does the upper-cased field contain the (already upper-cased) keyword? An ASCII
// field upper-cases to ASCII, so it is compared in place without building the
// upper-case copy; any other field goes through the full Unicode mapping.
bool FieldContains(const QString& field, const TKeyword& kw)
{
    if (IsAscii(field)) {
        if (!kw.Ascii || field.size() < kw.Upper.size())
            return false;
        const std::u16string_view f = View(field);
        const std::u16string_view k = View(kw.Upper);
        return std::search(f.begin(), f.end(), k.begin(), k.end(),
                           [](char16_t a, char16_t b) { return AsciiUpper(a) == b; })
               != f.end();
    }
    return field.toUpper().contains(kw.Upper);
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
        keywords.push_back(std::move(kw));
    }
    for (auto& site : items) {
        bool visible = true;
        for (const TKeyword& kw : keywords) {
            visible = FieldContains(site.Title, kw) || FieldContains(site.URL, kw)
                      || FieldContains(site.Category, kw) || FieldContains(site.Comment, kw);
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

// ---- Dates and URLs ----------------------------------------------------------------

QString DateToUnixText(TDateTime Date)
{
    std::int64_t diff = Date.ToMilliseconds() - UnixEpochMSecs;
    if (diff < 0)
        diff = -diff;
    return QString::number(diff / 1000);
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
        return QStringLiteral("https://") + h.Short + QStringLiteral("/dp/")
               + URL.mid(dp + 4, 10) + u'/';
    }
    return URL;
}
