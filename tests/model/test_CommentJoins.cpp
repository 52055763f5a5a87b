// Comments that merges join into one entry: the rule of a single merge, and the
// same text when tens of thousands arrive through a file, a gathering read or a
// merge of near-duplicates (whose cost the benchmarks follow).

#include <model/uBookmarkHtml.h>
#include <model/uWebSiteDuplicates.h>
#include <model/uWebSiteList.h>

#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TWebSite SiteWith(const QString& Url, const QString& Comment)
{
    TWebSite s;
    s.URL = Url;
    s.Comment = Comment;
    return s;
}

// The comment n distinct ones give: each on its own line, in order.
QString Joined(int N, const char* Prefix)
{
    QString text;
    for (int i = 0; i < N; ++i) {
        if (i > 0)
            text += u"\r\n"_s;
        text += QLatin1StringView(Prefix) + QString::number(i);
    }
    return text;
}

} // namespace

// The joins follow WebSiteMerge to the letter: an empty comment takes the new
// one, a text equal to the whole joined one is dropped, any other is appended
// (also one that repeats an earlier line). Random sequences of few texts, empty
// and non-Latin-1 ones among them, hit each case many times.
TEST(CommentJoins, SameTextAsMergingOneByOne)
{
    const QString texts[] = {u""_s, u"a"_s, u"b"_s, u"a\r\nb"_s, u"\u65e5\u672c"_s};
    QRandomGenerator random(33);
    for (int round = 0; round < 300; ++round) {
        const int n = 1 + int(random.bounded(8));
        TWebSite reference = SiteWith(u"https://a.example/"_s, texts[random.bounded(5)]);
        TWebSiteList list;
        list.Append(reference);
        {
            TCommentJoins joins(list);
            for (int i = 0; i < n; ++i) {
                const TWebSite next = SiteWith(u"https://a.example/"_s, texts[random.bounded(5)]);
                WebSiteMerge(reference, next);
                joins.Merge(0, next);
            }
        }
        EXPECT_EQ(list[0].Comment, reference.Comment) << round;
    }
}

// 40,000 bookmarks of one address, each with a <DD> of its own, and repeats of
// the first one in between: one entry with each distinct comment once.
TEST(CommentJoins, ManyDescriptionsOfOneAddressInABookmarkFile)
{
    constexpr int N = 40'000;
    QByteArray html = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
    for (int i = 0; i < N; ++i) {
        html += "<DT><A HREF=\"https://same.example/\">t</A>\n<DD>c" + QByteArray::number(i) + "\n";
    }
    TWebSiteList list;
    EXPECT_EQ(WebSitesLoadFromHtmlData(list, html), N);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].Comment, Joined(N, "c"));

    // Read again into the same list: every comment is the whole text's part, not
    // the whole text, so each is appended once more.
    TWebSiteList gathered;
    gathered.Gathering = true;
    WebSitesLoadFromHtmlData(gathered, html);
    ASSERT_EQ(gathered.Count(), N);
    WebSitesAddGathered(list, std::move(gathered));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].Comment, Joined(N, "c") + u"\r\n"_s + Joined(N, "c"));
}

TEST(CommentJoins, NearDuplicatesWithTheirOwnCommentsMergeIntoOne)
{
    constexpr int N = 20'000;
    TWebSiteList list;
    for (int i = 0; i < N; ++i)
        WebSitesAdd(list,
                    SiteWith(u"https://www.same.example/?utm_source=%1"_s.arg(i), u"n%1"_s.arg(i)));
    WebSitesAdd(list, SiteWith(u"https://other.example/"_s, u"kept apart"_s));
    ASSERT_EQ(list.Count(), N + 1);
    EXPECT_EQ(WebSitesMergeAllDuplicates(list), N - 1);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].Comment, Joined(N, "n"));
    EXPECT_EQ(list[1].Comment, u"kept apart"_s);
}
