#include <model/uWebSiteTags.h>
#include <model/uWebSitesCommon.h>

namespace {

bool Qualifies(const TWebSite& Site)
{
    return Site.Selected && Site.Visible;
}

void MergeText(TSiteText& Common, const TSiteText& Value, const TSiteText& Various)
{
    if (Common != Value)
        Common = Various;
}

} // namespace

TWebSite WebSitesGetCommon(const TWebSiteList& List, const QString& Various)
{
    const QString Empty = QString::fromUtf16(EmptyMarkerText);
    TWebSite A;
    A.Title = Empty;
    A.URL = Empty;
    A.Comment = Empty;
    A.IconURL = Empty;
    A.Category = Empty;
    A.AddDate = EmptyMarkerDate;

    const TSiteText various(Various);
    int n = 0;
    for (const TWebSite& E : List) {
        if (!Qualifies(E))
            continue;
        // The first entry is taken by count, not by looking for the marker in the
        // title: an entry may really be titled "@~null".
        if (++n == 1) {
            A = E;
            continue;
        }
        MergeText(A.Title, E.Title, various);
        MergeText(A.URL, E.URL, various);
        MergeText(A.Comment, E.Comment, various);
        MergeText(A.IconURL, E.IconURL, various);
        MergeText(A.Category, E.Category, various);
        if (A.AddDate != E.AddDate)
            A.AddDate = UnixEpochDate;
    }
    A.Selected = (n == 1);
    return A;
}

void WebSitesSetCommon(TWebSiteList& List, const TWebSite& Site, const TWebSiteFieldFlags& Flags,
                       const QString& Various, TDateTime Now)
{
    const bool ApplyTitle = Flags.Title && Site.Title != Various;
    const bool ApplyURL = Flags.URL && Site.URL != Various;
    const bool ApplyComment = Flags.Comment && Site.Comment != Various;
    const bool ApplyIconURL = Flags.IconURL && Site.IconURL != Various;
    const bool ApplyCategory = Flags.Category && Site.Category != Various;
    const bool ApplyAddDate = Flags.AddDate && Site.AddDate != UnixEpochDate;
    if (!(ApplyTitle || ApplyURL || ApplyComment || ApplyIconURL || ApplyCategory || ApplyAddDate))
        return;

    for (qsizetype i = 0; i < List.Count(); ++i) {
        if (!Qualifies(List.at(i)))
            continue;
        // Only a URL edit needs the list's URL index rebuilt.
        TWebSite& E = ApplyURL ? List[i] : List.EditKeepURL(i);
        bool Changed = false;
        auto Set = [&Changed](TSiteText& Field, const TSiteText& Value) {
            if (Field != Value) {
                Field = Value;
                Changed = true;
            }
        };
        if (ApplyTitle)
            Set(E.Title, Site.Title);
        if (ApplyURL && E.URL != Site.URL) {
            E.URL = Site.URL;
            E.Extras.ForgetLinkCheck();
            Changed = true;
        }
        if (ApplyComment)
            Set(E.Comment, Site.Comment);
        if (ApplyIconURL)
            Set(E.IconURL, Site.IconURL);
        if (ApplyCategory)
            Set(E.Category, Site.Category);
        if (ApplyAddDate && E.AddDate != Site.AddDate) {
            E.AddDate = Site.AddDate;
            Changed = true;
        }
        if (Changed)
            WebSiteModifiedSet(E, Now);
    }
}

QStringList WebSitesCommonTags(const TWebSiteList& List)
{
    QStringList common;
    bool first = true;
    for (const TWebSite& E : List) {
        if (!Qualifies(E))
            continue;
        const QStringList tags = WebSiteTags(E);
        if (first) {
            common = tags;
            first = false;
        } else {
            common.removeIf(
                [&](const QString& t) { return !tags.contains(t, Qt::CaseInsensitive); });
        }
        if (common.isEmpty())
            break;
    }
    return common;
}

qsizetype WebSitesEditTags(TWebSiteList& List, const QStringList& Add, const QStringList& Remove,
                           TDateTime Now)
{
    qsizetype changed = 0;
    for (qsizetype i = 0; i < List.Count(); ++i) {
        if (!Qualifies(List.at(i)))
            continue;
        TWebSite& E = List.EditKeepURL(i);
        const bool removed = WebSiteTagsRemove(E, Remove);
        const bool added = WebSiteTagsAdd(E, Add);
        if (removed || added) {
            WebSiteModifiedSet(E, Now);
            ++changed;
        }
    }
    return changed;
}

void TagEditOf(const QStringList& Common, const QStringList& Edited, QStringList& Add,
               QStringList& Remove)
{
    Add.clear();
    Remove.clear();
    for (const QString& t : Edited)
        if (!Common.contains(t))
            Add.append(t);
    for (const QString& t : Common)
        if (!Edited.contains(t))
            Remove.append(t);
}

QList<TTagShare> WebSitesTagShares(const TWebSiteList& List)
{
    QList<TTagShare> shares;
    QList<qsizetype> carriers;
    qsizetype entries = 0;
    for (const TWebSite& E : List) {
        if (!Qualifies(E))
            continue;
        ++entries;
        if (E.Extras.IsEmpty())
            continue;
        for (const QString& t : WebSiteTags(E)) {
            qsizetype k = 0;
            while (k < shares.size() && shares.at(k).Tag.compare(t, Qt::CaseInsensitive) != 0)
                ++k;
            if (k == shares.size()) {
                shares.append({t, false});
                carriers.append(0);
            }
            ++carriers[k];
        }
    }
    for (qsizetype k = 0; k < shares.size(); ++k)
        shares[k].All = carriers.at(k) == entries;
    return shares;
}

void TagShareEditOf(const QList<TTagShare>& Shown, const QList<TTagShare>& Edited, QStringList& Add,
                    QStringList& Remove)
{
    Add.clear();
    Remove.clear();
    auto Find = [](const QList<TTagShare>& In, const QString& Tag) -> const TTagShare* {
        for (const TTagShare& s : In)
            if (s.Tag.compare(Tag, Qt::CaseInsensitive) == 0)
                return &s;
        return nullptr;
    };
    for (const TTagShare& e : Edited) {
        const TTagShare* shown = Find(Shown, e.Tag);
        // A new tag is given to all, even when written with the mark of "some".
        if (!shown || (e.All && !shown->All))
            Add.append(e.Tag);
        // A change of letter case alone: the new spelling replaces the old one.
        else if (e.All && shown->Tag != e.Tag) {
            Remove.append(shown->Tag);
            Add.append(e.Tag);
        }
    }
    for (const TTagShare& s : Shown)
        if (!Find(Edited, s.Tag))
            Remove.append(s.Tag);
}
