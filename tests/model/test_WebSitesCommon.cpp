#include <model/uWebSitesCommon.h>

#include <gtest/gtest.h>

#include <functional>
#include <string_view>

using namespace Qt::Literals::StringLiterals;

namespace {

// The caller's text for differing values; any text works, the window passes its own.
const QString Various = u"(differs)"_s;

TWebSite Site(const QString& Title, const QString& URL, const QString& Category, double Date,
              bool Selected = true, bool Visible = true)
{
    TWebSite s;
    s.Title = Title;
    s.URL = URL;
    s.Comment = Title + QStringLiteral(u" comment");
    s.IconURL = URL + QStringLiteral(u"/favicon.ico");
    s.Category = Category;
    s.AddDate = TDateTime(Date);
    s.Selected = Selected;
    s.Visible = Visible;
    return s;
}

TWebSiteList MakeList(std::initializer_list<TWebSite> Sites)
{
    TWebSiteList List;
    for (const TWebSite& s : Sites)
        List.Append(s);
    return List;
}

} // namespace

TEST(WebSitesGetCommon, NoQualifyingEntryGivesTheEmptyMarker)
{
    // Selected but hidden, and visible but not selected: neither qualifies.
    const TWebSiteList List = MakeList({Site(u"A"_s, u"http://a/"_s, u"X"_s, 40000, true, false),
                                        Site(u"B"_s, u"http://b/"_s, u"X"_s, 40000, false, true)});
    const TWebSite c = WebSitesGetCommon(List, Various);
    for (const TSiteText* f : {&c.Title, &c.URL, &c.Comment, &c.IconURL, &c.Category})
        EXPECT_EQ(*f, u"@~null"_s);
    EXPECT_EQ(c.AddDate.ToQDateTime(), QDateTime(QDate(1965, 1, 1), QTime(0, 0)));
    EXPECT_FALSE(c.Selected);
}

TEST(WebSitesGetCommon, OneEntryGivesItsValuesAndSelected)
{
    const TWebSite one = Site(u"Only"_s, u"https://only/"_s, u"A\\B"_s, 43000.25);
    const TWebSiteList List =
        MakeList({Site(u"Hidden"_s, u"http://h/"_s, u""_s, 1, true, false), one,
                  Site(u"Other"_s, u"http://o/"_s, u""_s, 2, false, true)});
    const TWebSite c = WebSitesGetCommon(List, Various);
    EXPECT_EQ(c.Title, one.Title);
    EXPECT_EQ(c.URL, one.URL);
    EXPECT_EQ(c.Comment, one.Comment);
    EXPECT_EQ(c.IconURL, one.IconURL);
    EXPECT_EQ(c.Category, one.Category);
    EXPECT_EQ(c.AddDate, one.AddDate);
    EXPECT_TRUE(c.Selected);
}

TEST(WebSitesGetCommon, DifferingFieldsBecomeVariousValues)
{
    TWebSiteList List = MakeList({Site(u"T1"_s, u"http://1/"_s, u"News"_s, 40000),
                                  Site(u"T2"_s, u"http://2/"_s, u"News"_s, 40001),
                                  Site(u"T3"_s, u"http://3/"_s, u"News"_s, 40002)});
    // Same comment everywhere: it must stay as it is.
    for (qsizetype i = 0; i < List.Count(); ++i)
        List[i].Comment = u"shared"_s;
    const TWebSite c = WebSitesGetCommon(List, Various);
    EXPECT_EQ(c.Title, Various);
    EXPECT_EQ(c.URL, Various);
    EXPECT_EQ(c.IconURL, Various);
    EXPECT_EQ(c.Category, u"News"_s);
    EXPECT_EQ(c.Comment, u"shared"_s);
    EXPECT_EQ(c.AddDate, UnixEpochDate);
    EXPECT_EQ(c.AddDate.ToQDateTime(), QDateTime(QDate(1970, 1, 1), QTime(0, 0)));
    EXPECT_FALSE(c.Selected);
}

TEST(WebSitesGetCommon, EqualDatesAreKeptAndAMarkerLikeTitleIsStillTheFirstEntry)
{
    // The first entry's title looks like the empty marker; the second entry must not
    // replace the whole record because of that.
    const TWebSiteList List = MakeList({Site(u"@~null"_s, u"http://1/"_s, u"C"_s, 41000.5),
                                        Site(u"Real"_s, u"http://2/"_s, u"C"_s, 41000.5)});
    const TWebSite c = WebSitesGetCommon(List, Various);
    EXPECT_EQ(c.Title, Various);
    EXPECT_EQ(c.URL, Various);
    EXPECT_EQ(c.AddDate, TDateTime(41000.5));
    EXPECT_FALSE(c.Selected);
}

// Each flag writes its own field and nothing else, into qualifying entries only.
TEST(WebSitesSetCommon, EachFlagWritesOnlyItsField)
{
    struct Case
    {
        const char* Name;
        std::function<void(TWebSiteFieldFlags&)> Set;
    };
    const TWebSite New = Site(u"NewT"_s, u"http://new/"_s, u"NewCat"_s, 45000.75);
    auto sameExcept = [](const TWebSite& a, const TWebSite& b, const char* field) {
        auto eq = [&](const char* f, bool same) {
            return std::string_view(field) == f ? !same : same;
        };
        return eq("Title", a.Title == b.Title) && eq("URL", a.URL == b.URL)
               && eq("Comment", a.Comment == b.Comment) && eq("IconURL", a.IconURL == b.IconURL)
               && eq("Category", a.Category == b.Category) && eq("AddDate", a.AddDate == b.AddDate);
    };
    const Case cases[] = {
        {"Title", [](TWebSiteFieldFlags& f) { f.Title = true; }},
        {"URL", [](TWebSiteFieldFlags& f) { f.URL = true; }},
        {"Comment", [](TWebSiteFieldFlags& f) { f.Comment = true; }},
        {"IconURL", [](TWebSiteFieldFlags& f) { f.IconURL = true; }},
        {"Category", [](TWebSiteFieldFlags& f) { f.Category = true; }},
        {"AddDate", [](TWebSiteFieldFlags& f) { f.AddDate = true; }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Name);
        const TWebSiteList Before =
            MakeList({Site(u"A"_s, u"http://a/"_s, u"X"_s, 40000),
                      Site(u"B"_s, u"http://b/"_s, u"Y"_s, 40001, true, false),
                      Site(u"C"_s, u"http://c/"_s, u"Z"_s, 40002, false, true),
                      Site(u"D"_s, u"http://d/"_s, u"X"_s, 40003)});
        TWebSiteList List = Before;
        TWebSiteFieldFlags Flags;
        k.Set(Flags);
        WebSitesSetCommon(List, New, Flags, Various);
        ASSERT_EQ(List.Count(), Before.Count());
        for (qsizetype i = 0; i < List.Count(); ++i) {
            const bool qualifies = Before[i].Selected && Before[i].Visible;
            if (qualifies)
                EXPECT_TRUE(sameExcept(List[i], Before[i], k.Name)) << "entry " << i;
            else
                EXPECT_EQ(List[i], Before[i]) << "entry " << i;
            EXPECT_EQ(List[i].Selected, Before[i].Selected);
            EXPECT_EQ(List[i].Visible, Before[i].Visible);
        }
    }
}

TEST(WebSitesSetCommon, PlaceholdersAreNeverWritten)
{
    const TWebSiteList Before = MakeList(
        {Site(u"A"_s, u"http://a/"_s, u"X"_s, 40000), Site(u"B"_s, u"http://b/"_s, u"X"_s, 40001)});
    TWebSiteList List = Before;
    TWebSite s = WebSitesGetCommon(List, Various);
    ASSERT_EQ(s.Title, Various);
    ASSERT_EQ(s.AddDate, UnixEpochDate);
    s.Comment = Various;
    const TWebSiteFieldFlags All{true, true, true, true, true, true};
    WebSitesSetCommon(List, s, All, Various);
    // Only the shared category (written back unchanged) could be touched.
    for (qsizetype i = 0; i < List.Count(); ++i)
        EXPECT_EQ(List[i], Before[i]);

    // A real date is written to all, even when the titles differ.
    s.AddDate = TDateTime(44000.0);
    WebSitesSetCommon(List, s, All, Various);
    for (qsizetype i = 0; i < List.Count(); ++i) {
        EXPECT_EQ(List[i].AddDate, TDateTime(44000.0));
        EXPECT_EQ(List[i].Title, Before[i].Title);
    }
}

TEST(WebSitesSetCommon, EditedURLIsFoundByTheIndex)
{
    TWebSiteList List = MakeList({Site(u"A"_s, u"http://a/"_s, u""_s, 1, false, true),
                                  Site(u"B"_s, u"http://b/"_s, u""_s, 1, true, true)});
    ASSERT_EQ(WebSitesIndexOfURL(List, u"http://b/"_s), 1);
    TWebSite s = WebSitesGetCommon(List, Various);
    s.URL = u"http://changed/"_s;
    TWebSiteFieldFlags Flags;
    Flags.URL = true;
    WebSitesSetCommon(List, s, Flags, Various);
    EXPECT_EQ(WebSitesIndexOfURL(List, u"http://changed/"_s), 1);
    EXPECT_EQ(WebSitesIndexOfURL(List, u"http://b/"_s), -1);
    // Adding the old URL again now appends instead of merging into the edited entry.
    WebSitesAdd(List, Site(u"B again"_s, u"http://b/"_s, u""_s, 1));
    EXPECT_EQ(List.Count(), 3);
}

// A new address drops what the last link check said about the old one; an edit
// that leaves the address as it was (or touches another field) keeps it, and the
// entry's tags stay either way.
TEST(WebSitesSetCommon, NewAddressForgetsTheLinkCheck)
{
    const auto Checked = [](const QString& URL) {
        TWebSite s = Site(URL, URL, QString(), 1);
        TWebSiteExtrasData& x = s.Extras.Edit();
        x.LinkStatus = TLinkStatus::Moved;
        x.LinkHttp = 301;
        x.LinkFinalUrl = URL + u"new"_s;
        x.LinkChecked = TDateTime(45000.0);
        return s;
    };
    for (const bool Changed : {true, false}) {
        SCOPED_TRACE(Changed ? "new address" : "same address");
        TWebSiteList List = MakeList({Checked(u"http://a/"_s)});
        List.EditKeepURL(0).Extras.Edit().Keyword = u"kw"_s;
        TWebSite s = WebSitesGetCommon(List, Various);
        s.URL = Changed ? u"http://b/"_s : u"http://a/"_s;
        s.Title = u"T"_s;
        TWebSiteFieldFlags Flags;
        Flags.URL = Flags.Title = true;
        WebSitesSetCommon(List, s, Flags, Various);
        const TWebSiteExtrasData& x = *List[0].Extras;
        EXPECT_EQ(x.LinkStatus, Changed ? TLinkStatus::None : TLinkStatus::Moved);
        EXPECT_EQ(x.LinkHttp, Changed ? 0 : 301);
        EXPECT_EQ(x.LinkFinalUrl.isEmpty(), Changed);
        EXPECT_EQ(x.LinkChecked == TDateTime(), Changed);
        EXPECT_EQ(x.Keyword.toString(), u"kw"_s);
    }
    // Nothing of the check is left: the extras hold only the date of the edit.
    TWebSiteList List = MakeList({Checked(u"http://a/"_s)});
    TWebSite s = WebSitesGetCommon(List, Various);
    s.URL = u"http://b/"_s;
    TWebSiteFieldFlags Flags;
    Flags.URL = true;
    WebSitesSetCommon(List, s, Flags, Various, TDateTime(46000.0));
    TWebSiteExtrasData OnlyTheEdit;
    OnlyTheEdit.Modified = TDateTime(46000.0);
    EXPECT_TRUE(*List[0].Extras == OnlyTheEdit);
}

#include <model/uWebSiteTags.h>

namespace {

TWebSite TaggedSite(const QString& URL, const QStringList& Tags, bool Selected = true)
{
    TWebSite s = Site(URL, URL, QString(), 45000.0, Selected);
    WebSiteTagsSet(s, Tags);
    return s;
}

} // namespace

TEST(WebSitesEditTags, SeveralEntriesGainAndLoseTagsAndKeepTheirOthers)
{
    TWebSiteList List = MakeList({
        TaggedSite(u"http://a/"_s, {u"news"_s, u"own-a"_s, u"shared"_s}),
        TaggedSite(u"http://b/"_s, {u"Shared"_s, u"own-b"_s, u"NEWS"_s}),
        TaggedSite(u"http://c/"_s, {u"news"_s}, false), // not selected: untouched
    });
    const QStringList common = WebSitesCommonTags(List);
    EXPECT_EQ(common, (QStringList{u"news"_s, u"shared"_s}));

    // The user edits the common tags "news, shared" into "shared, later".
    QStringList add, remove;
    TagEditOf(common, {u"shared"_s, u"later"_s}, add, remove);
    EXPECT_EQ(add, QStringList{u"later"_s});
    EXPECT_EQ(remove, QStringList{u"news"_s});
    EXPECT_EQ(WebSitesEditTags(List, add, remove), 2);

    EXPECT_EQ(WebSiteTags(List[0]), (QStringList{u"own-a"_s, u"shared"_s, u"later"_s}));
    EXPECT_EQ(WebSiteTags(List[1]), (QStringList{u"Shared"_s, u"own-b"_s, u"later"_s}));
    EXPECT_EQ(WebSiteTags(List[2]), QStringList{u"news"_s});
    // The same edit again changes nothing.
    EXPECT_EQ(WebSitesEditTags(List, add, remove), 0);
}

TEST(WebSitesTagShares, EveryTagOfAnyEntryMarkedWhetherAllCarryIt)
{
    const TWebSiteList List = MakeList({
        TaggedSite(u"http://a/"_s, {u"news"_s, u"a-only"_s}),
        Site(u"Plain"_s, u"http://p/"_s, u""_s, 45000), // no tags at all
        TaggedSite(u"http://b/"_s, {u"NEWS"_s, u"b-only"_s}),
        TaggedSite(u"http://c/"_s, {u"hidden"_s}, false), // not selected
    });
    EXPECT_EQ(WebSitesTagShares(List),
              (QList<TTagShare>{{u"news"_s, false}, {u"a-only"_s, false}, {u"b-only"_s, false}}));
    const TWebSiteList Two = MakeList({TaggedSite(u"http://a/"_s, {u"x"_s, u"y"_s}),
                                       TaggedSite(u"http://b/"_s, {u"Y"_s, u"x"_s})});
    EXPECT_EQ(WebSitesTagShares(Two), (QList<TTagShare>{{u"x"_s, true}, {u"y"_s, true}}));
    EXPECT_TRUE(WebSitesTagShares(TWebSiteList()).isEmpty());
}

TEST(TagShareEditOf, LeftOutIsRemovedMarkedForAllIsAddedSomeIsLeftAlone)
{
    const QList<TTagShare> Shown{
        {u"all"_s, true}, {u"some"_s, false}, {u"other"_s, false}, {u"Case"_s, true}};
    struct TCase
    {
        const char* What;
        QList<TTagShare> Edited;
        QStringList Add, Remove;
    };
    const TCase Cases[] = {
        {"unchanged", Shown, {}, {}},
        {"all removed",
         {{u"some"_s, false}, {u"other"_s, false}, {u"Case"_s, true}},
         {},
         {u"all"_s}},
        {"some removed",
         {{u"all"_s, true}, {u"other"_s, false}, {u"Case"_s, true}},
         {},
         {u"some"_s}},
        {"some given to all",
         {{u"all"_s, true}, {u"some"_s, true}, {u"other"_s, false}, {u"Case"_s, true}},
         {u"some"_s},
         {}},
        {"new tag, marked or not",
         {{u"all"_s, true},
          {u"some"_s, false},
          {u"other"_s, false},
          {u"Case"_s, true},
          {u"new"_s, true},
          {u"fresh"_s, false}},
         {u"new"_s, u"fresh"_s},
         {}},
        {"letter case of a tag all carry",
         {{u"all"_s, true}, {u"some"_s, false}, {u"other"_s, false}, {u"case"_s, true}},
         {u"case"_s},
         {u"Case"_s}},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.What);
        QStringList Add, Remove;
        TagShareEditOf(Shown, C.Edited, Add, Remove);
        EXPECT_EQ(Add, C.Add);
        EXPECT_EQ(Remove, C.Remove);
    }
}

TEST(WebSitesSetCommon, EntriesThatChangedGetTheEditAsTheirLastChange)
{
    const TDateTime Now(46000.5);
    TWebSiteList List = MakeList({Site(u"A"_s, u"http://a/"_s, u"X"_s, 40000),
                                  Site(u"B"_s, u"http://b/"_s, u"Y"_s, 40001),
                                  Site(u"C"_s, u"http://c/"_s, u"X"_s, 40002, false)});
    TWebSite New;
    New.Category = u"X"_s; // A has it already, B gets it
    TWebSiteFieldFlags Flags;
    Flags.Category = true;
    WebSitesSetCommon(List, New, Flags, Various, Now);
    EXPECT_EQ(WebSiteModified(List[0]), TDateTime());
    EXPECT_EQ(WebSiteModified(List[1]), Now);
    EXPECT_EQ(WebSiteModified(List[2]), TDateTime());

    // Tags: only the entries whose tags changed.
    WebSiteTagsSet(List.EditKeepURL(0), {u"t"_s});
    EXPECT_EQ(WebSitesEditTags(List, {u"t"_s}, {}, TDateTime(46001.0)), 1);
    EXPECT_EQ(WebSiteModified(List[0]), TDateTime());
    EXPECT_EQ(WebSiteModified(List[1]), TDateTime(46001.0));
    EXPECT_EQ(WebSiteModified(List[2]), TDateTime());
}
