#pragma once
// What only some bookmarks carry beyond title, address, comment, icon, category and
// date. Most entries of a large list carry none of it, so a bookmark holds it behind
// one pointer that stays empty for them: eight bytes an entry instead of a field each.
// Copies share the extras until one of them is changed (copy on write).

#include <model/uDateTime.h>
#include <model/uLinkStatus.h>
#include <model/uSiteText.h>

#include <QSharedData>
#include <QSharedDataPointer>
#include <QString>

inline constexpr qsizetype MaxLinkDetailLength = 1000;

// The fields themselves. Every field's empty value means "not known", so an entry whose
// extras are all empty equals one without extras. A plain record: the count of the
// entries sharing it is kept beside it (TWebSiteExtras::TShared), so that its
// comparison can be the compiler's, over every field there is.
struct TWebSiteExtrasData
{
    // The entry's tags, joined with "," in their order (Firefox's own form, so a
    // tag never holds a comma); see uWebSiteTags.h for reading and changing them.
    TSiteText Tags;
    // The browser keyword that opens the entry from the address bar.
    TSiteText Keyword;
    // When the bookmark was last changed where it came from; 0 when not known.
    TDateTime Modified;
    // The last link check: verdict, HTTP status (0: no answer), the address the
    // redirects ended at (set when it differs from the entry's), when it ran and,
    // for a verdict other than ok, why in words.
    TLinkStatus LinkStatus = TLinkStatus::None;
    int LinkHttp = 0;
    QString LinkFinalUrl;
    TDateTime LinkChecked;
    QString LinkDetail; // at most MaxLinkDetailLength characters
    // The checks that failed in a row (moved and ok end a row), and the first of them.
    int LinkFailures = 0;
    TDateTime LinkFailingSince;

    // Every field, also one added later: undo and the close check see all of them.
    bool operator==(const TWebSiteExtrasData&) const = default;
    bool IsEmpty() const { return *this == TWebSiteExtrasData(); }
};

class TWebSiteExtras
{
public:
    // The fields to read: an empty set when the entry has none.
    const TWebSiteExtrasData& operator*() const
    {
        return FData ? static_cast<const TWebSiteExtrasData&>(*FData) : Empty();
    }
    const TWebSiteExtrasData* operator->() const { return &**this; }
    bool IsEmpty() const { return !FData || FData->IsEmpty(); }

    // The fields to change: made (or unshared) first. Call Compact() afterwards when a
    // change may have emptied them, so that the room is given back.
    TWebSiteExtrasData& Edit()
    {
        if (!FData)
            FData = new TShared;
        return *FData; // non-const access detaches a shared copy
    }
    void Compact()
    {
        if (FData && FData->IsEmpty())
            FData.reset();
    }
    void clear() { FData.reset(); }
    // Forgets the last link check: what it said was about another address.
    void ForgetLinkCheck()
    {
        if (!FData
            || (FData->LinkStatus == TLinkStatus::None && FData->LinkHttp == 0
                && FData->LinkFinalUrl.isEmpty() && FData->LinkChecked == TDateTime()
                && FData->LinkDetail.isEmpty() && FData->LinkFailures == 0
                && FData->LinkFailingSince == TDateTime()))
            return;
        TWebSiteExtrasData& x = Edit();
        x.LinkStatus = TLinkStatus::None;
        x.LinkHttp = 0;
        x.LinkFinalUrl.clear();
        x.LinkChecked = TDateTime();
        x.LinkDetail.clear();
        x.LinkFailures = 0;
        x.LinkFailingSince = TDateTime();
        Compact();
    }

    bool operator==(const TWebSiteExtras& Other) const { return **this == *Other; }

private:
    // The fields and how many entries share them; nothing else may go here, as the
    // comparison only sees TWebSiteExtrasData.
    struct TShared final : QSharedData, TWebSiteExtrasData
    {
    };
    static const TWebSiteExtrasData& Empty()
    {
        static const TWebSiteExtrasData None;
        return None;
    }
    QSharedDataPointer<TShared> FData;
};
