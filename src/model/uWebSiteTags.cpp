// Tags, keyword and modification date of an entry.

#include <model/uWebSiteTags.h>

#include <QSet>

#include <limits>

namespace {

// The tags of one entry with the set that finds a tag in any letter case, so that
// adding n tags costs n look-ups, not n scans of the list.
class TTagSet
{
public:
    explicit TTagSet(qsizetype Limit = MaxSiteTags) : FLimit(Limit) {}
    explicit TTagSet(QStringList Tags) : FTags(std::move(Tags))
    {
        FKeys.reserve(FTags.size());
        for (const QString& t : FTags)
            FKeys.insert(t.toCaseFolded());
    }

    // Adds a trimmed, non-empty tag the set lacks while there is room; true when added.
    bool Add(QStringView Tag)
    {
        Tag = Tag.trimmed();
        if (Tag.isEmpty() || FTags.size() >= FLimit)
            return false;
        if (Tag.size() > MaxSiteTagLength)
            Tag = Tag.first(MaxSiteTagLength);
        // A surrogate pair is not cut in two.
        if (Tag.back().isHighSurrogate())
            Tag.chop(1);
        QString key = Tag.toString().toCaseFolded();
        if (FKeys.contains(key))
            return false;
        FKeys.insert(std::move(key));
        FTags.append(Tag.toString());
        return true;
    }
    // Each tag of Text, cut at every Separator and comma.
    void AddSplit(QStringView Text, QChar Separator = u',')
    {
        qsizetype start = 0;
        for (qsizetype i = 0; i <= Text.size(); ++i) {
            if (i < Text.size() && Text[i] != Separator && Text[i] != u',')
                continue;
            Add(Text.sliced(start, i - start));
            start = i + 1;
        }
    }
    bool Contains(QStringView Tag) const { return FKeys.contains(Tag.toString().toCaseFolded()); }
    const QStringList& Tags() const { return FTags; }

private:
    qsizetype FLimit = MaxSiteTags;
    QStringList FTags;
    QSet<QString> FKeys;
};

} // namespace

QStringList SplitTags(QStringView Text, QChar Separator)
{
    TTagSet tags;
    tags.AddSplit(Text, Separator);
    return tags.Tags();
}

QString JoinTags(const QStringList& Tags)
{
    return Tags.join(u',');
}

QStringList WebSiteTags(const TWebSite& Site)
{
    const TSiteText& tags = Site.Extras->Tags;
    if (tags.isEmpty())
        return {};
    // Kept clean by every setter: only the commas need cutting.
    return tags.toString().split(u',');
}

QString WebSiteTagsText(const TWebSite& Site)
{
    return WebSiteTags(Site).join(QStringLiteral(", "));
}

void WebSiteTagsSet(TWebSite& Site, const QStringList& Tags)
{
    TTagSet clean;
    for (const QString& t : Tags)
        clean.AddSplit(t);
    const TSiteText joined(JoinTags(clean.Tags()));
    if (Site.Extras->Tags == joined)
        return;
    Site.Extras.Edit().Tags = joined;
    Site.Extras.Compact();
}

bool WebSiteTagsAdd(TWebSite& Site, const QStringList& Tags)
{
    // An entry at its cap gains nothing: told from the commas, without cutting them
    // apart, since one address may meet a tag on each of thousands of rows.
    const TSiteText& joined = Site.Extras->Tags;
    if (!joined.isEmpty() && joined.toString().count(u',') + 1 >= MaxSiteTags)
        return false;
    QStringList own = WebSiteTags(Site);
    TTagSet tags(std::move(own));
    const qsizetype before = tags.Tags().size();
    for (const QString& t : Tags)
        tags.AddSplit(t);
    if (tags.Tags().size() == before)
        return false;
    Site.Extras.Edit().Tags = TSiteText(JoinTags(tags.Tags()));
    return true;
}

bool WebSiteTagsRemove(TWebSite& Site, const QStringList& Tags)
{
    QStringList tags = WebSiteTags(Site);
    TTagSet gone(std::numeric_limits<qsizetype>::max());
    for (const QString& t : Tags)
        gone.AddSplit(t);
    const qsizetype removed = tags.removeIf([&](const QString& t) { return gone.Contains(t); });
    if (removed == 0)
        return false;
    Site.Extras.Edit().Tags = TSiteText(JoinTags(tags));
    Site.Extras.Compact();
    return true;
}

TSiteText WebSiteKeyword(const TWebSite& Site)
{
    return Site.Extras->Keyword;
}

void WebSiteKeywordSet(TWebSite& Site, const QString& Keyword)
{
    const TSiteText keyword(Keyword.trimmed());
    if (Site.Extras->Keyword == keyword)
        return;
    Site.Extras.Edit().Keyword = keyword;
    Site.Extras.Compact();
}

TDateTime WebSiteModified(const TWebSite& Site)
{
    return Site.Extras->Modified;
}

void WebSiteModifiedSet(TWebSite& Site, TDateTime Modified)
{
    if (Modified == Site.AddDate)
        Modified = TDateTime();
    if (Site.Extras->Modified == Modified)
        return;
    Site.Extras.Edit().Modified = Modified;
    Site.Extras.Compact();
}

void WebSiteExtrasMerge(TWebSite& Into, const TWebSite& From)
{
    if (From.Extras.IsEmpty())
        return;
    if (Into.Extras.IsEmpty()) {
        Into.Extras = From.Extras; // shared, not copied
        return;
    }
    const TWebSiteExtrasData& from = *From.Extras;
    if (!from.Tags.isEmpty())
        WebSiteTagsAdd(Into, {from.Tags.toString()});
    if (Into.Extras->Keyword.isEmpty() && !from.Keyword.isEmpty())
        Into.Extras.Edit().Keyword = from.Keyword;
    if (from.Modified.ToMilliseconds() > Into.Extras->Modified.ToMilliseconds()
        && from.Modified != TDateTime())
        Into.Extras.Edit().Modified = from.Modified;
}
