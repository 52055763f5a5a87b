// Tags, keyword and modification date of an entry.

#include <model/uWebSiteTags.h>

namespace {

bool ContainsTag(const QStringList& Tags, QStringView Tag)
{
    for (const QString& t : Tags)
        if (QStringView(t).compare(Tag, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void AppendTag(QStringList& Tags, QStringView Tag)
{
    Tag = Tag.trimmed();
    if (!Tag.isEmpty() && !ContainsTag(Tags, Tag))
        Tags.append(Tag.toString());
}

} // namespace

QStringList SplitTags(QStringView Text, QChar Separator)
{
    QStringList tags;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= Text.size(); ++i) {
        if (i < Text.size() && Text[i] != Separator && Text[i] != u',')
            continue;
        AppendTag(tags, Text.sliced(start, i - start));
        start = i + 1;
    }
    return tags;
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
    QStringList clean;
    for (const QString& t : Tags)
        for (const QString& part : SplitTags(t))
            AppendTag(clean, part);
    const TSiteText joined(JoinTags(clean));
    if (Site.Extras->Tags == joined)
        return;
    Site.Extras.Edit().Tags = joined;
    Site.Extras.Compact();
}

bool WebSiteTagsAdd(TWebSite& Site, const QStringList& Tags)
{
    QStringList tags = WebSiteTags(Site);
    const qsizetype before = tags.size();
    for (const QString& t : Tags)
        for (const QString& part : SplitTags(t))
            AppendTag(tags, part);
    if (tags.size() == before)
        return false;
    Site.Extras.Edit().Tags = TSiteText(JoinTags(tags));
    return true;
}

bool WebSiteTagsRemove(TWebSite& Site, const QStringList& Tags)
{
    QStringList tags = WebSiteTags(Site);
    QStringList gone;
    for (const QString& t : Tags)
        gone += SplitTags(t);
    const qsizetype removed = tags.removeIf([&](const QString& t) { return ContainsTag(gone, t); });
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
