// The link check's results in the base file: written on the entry's line in
// attributes of their own, read back, and absent (the line as before) without them.

#include <model/uBookmarkHtml.h>
#include <model/uLinkStatus.h>

#include <QUrl>

#include <gtest/gtest.h>

#include "PrintQt.h"

using namespace Qt::StringLiterals;

namespace {

TWebSite Checked(const QString& Url, TLinkStatus Status, int Http, const QString& Final = {})
{
    TWebSite s;
    s.Title = u"T "_s + Url;
    s.URL = Url;
    s.AddDate = TDateTime::FromMilliseconds(UnixEpochMSecs + 1'600'000'000'000LL);
    if (Status != TLinkStatus::None) {
        TWebSiteExtrasData& x = s.Extras.Edit();
        x.LinkStatus = Status;
        x.LinkHttp = Http;
        x.LinkFinalUrl = Final;
        x.LinkChecked = TDateTime::FromMilliseconds(UnixEpochMSecs + 1'700'000'000'000LL);
    }
    return s;
}

TWebSiteList ReadBack(const QByteArray& Data)
{
    TWebSiteList list;
    WebSitesLoadFromHtmlData(list, Data);
    return list;
}

} // namespace

TEST(LinkResults, EveryVerdictWordRoundTrips)
{
    for (int i = 0; i < LinkStatusCount; ++i) {
        const auto status = TLinkStatus(i);
        const QString word = LinkStatusWord(status);
        EXPECT_EQ(status == TLinkStatus::None, word.isEmpty());
        EXPECT_EQ(LinkStatusFromWord(word.toUpper().toLatin1()), status) << word.toStdString();
    }
    EXPECT_EQ(LinkStatusFromWord("okay"), TLinkStatus::None);
    EXPECT_EQ(LinkStatusFromWord("o"), TLinkStatus::None);
    EXPECT_EQ(LinkStatusFromWord(""), TLinkStatus::None);
}

TEST(LinkResults, WrittenOnTheLineAndReadBack)
{
    TWebSiteList list;
    list.Append(Checked(u"https://a.example/old#part"_s, TLinkStatus::Moved, 301,
                        u"https://b.example/new?x=1&y=2#part"_s));
    list.Append(Checked(u"https://c.example/"_s, TLinkStatus::Unreachable, 0));
    list.Append(Checked(u"https://d.example/"_s, TLinkStatus::None, 0));
    const QByteArray data = WebSitesToHtmlData(list);
    EXPECT_TRUE(data.contains(
        R"(LINK_STATUS="moved" LINK_HTTP="301" LINK_FINAL_URL="https://b.example/new?x=1&amp;y=2#part" LINK_CHECKED="1700000000">)"))
        << data.toStdString();
    EXPECT_TRUE(data.contains(R"(LINK_STATUS="unreachable" LINK_HTTP="0" LINK_CHECKED=)"));
    EXPECT_EQ(data.count("LINK_"), 7); // nothing on the unchecked entry

    const TWebSiteList back = ReadBack(data);
    ASSERT_EQ(back.Count(), 3);
    for (qsizetype i = 0; i < 3; ++i) {
        const TWebSite& want = list[i];
        const auto it = std::find_if(back.begin(), back.end(),
                                     [&](const TWebSite& s) { return s.URL == want.URL; });
        ASSERT_NE(it, back.end());
        EXPECT_TRUE(it->Extras == want.Extras) << want.URL.toString().toStdString();
        EXPECT_EQ(it->Extras.IsEmpty(), want.Extras.IsEmpty());
    }
}

TEST(LinkResults, DamagedAttributesAreReadAsFarAsTheyMakeSense)
{
    struct TCase
    {
        const char* Attributes;
        TLinkStatus Status;
        int Http;
        const char* Final;
        bool HasDate;
    };
    const TCase cases[] = {
        {R"(LINK_STATUS="parked")", TLinkStatus::Parked, 0, "", false},
        {R"(link_status=" GONE " link_http="410")", TLinkStatus::Gone, 410, "", false},
        {R"(LINK_STATUS="unknown" LINK_HTTP="200")", TLinkStatus::None, 0, "", false},
        {R"(LINK_STATUS="ok" LINK_HTTP="abc" LINK_CHECKED="x")", TLinkStatus::Ok, 0, "", false},
        {R"(LINK_STATUS="ok" LINK_HTTP="99999" LINK_CHECKED="1700000000")", TLinkStatus::Ok, 0, "",
         true},
        {R"x(LINK_STATUS="moved" LINK_FINAL_URL="javascript:alert(1)")x", TLinkStatus::Moved, 0, "",
         false},
        {R"(LINK_HTTP="404" LINK_FINAL_URL="https://x.example/")", TLinkStatus::None, 0, "", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Attributes);
        const QByteArray file = QByteArray("<DL><p>\n<DT><A HREF=\"https://e.example/\" ")
                                + c.Attributes + ">E</A>\n</DL><p>\n";
        const TWebSiteList list = ReadBack(file);
        ASSERT_EQ(list.Count(), 1);
        const TWebSiteExtrasData& x = *list[0].Extras;
        EXPECT_EQ(x.LinkStatus, c.Status);
        EXPECT_EQ(x.LinkHttp, c.Http);
        EXPECT_EQ(x.LinkFinalUrl, QString::fromLatin1(c.Final));
        EXPECT_EQ(x.LinkChecked != TDateTime(), c.HasDate);
        EXPECT_EQ(list[0].Extras.IsEmpty(), c.Status == TLinkStatus::None);
    }
}

TEST(LinkResults, SortByVerdictAndKeepOnlyProblems)
{
    const std::pair<const char*, TLinkStatus> entries[] = {
        {"https://ok.example/", TLinkStatus::Ok},
        {"https://none.example/", TLinkStatus::None},
        {"https://moved.example/", TLinkStatus::Moved},
        {"https://gone1.example/", TLinkStatus::Gone},
        {"https://parked.example/", TLinkStatus::Parked},
        {"https://gone2.example/", TLinkStatus::Gone},
        {"https://hidden-gone.example/", TLinkStatus::Gone},
    };
    TWebSiteList list;
    for (const auto& [url, status] : entries) {
        TWebSite s = Checked(QString::fromLatin1(url), status, 0);
        s.Visible = !QByteArray(url).contains("hidden");
        list.Append(std::move(s));
    }
    const auto hosts = [&list] {
        QStringList out;
        for (const TWebSite& s : list)
            out << QUrl(s.URL.toString()).host().section(u'.', 0, 0);
        return out.join(u' ');
    };
    WebSitesSort(list, 6);
    EXPECT_EQ(hosts(), u"gone1 gone2 parked moved ok none hidden-gone"_s);
    WebSitesSort(list, -6);
    EXPECT_EQ(hosts(), u"none ok moved parked gone1 gone2 hidden-gone"_s);

    WebSitesKeepLinkProblems(list);
    EXPECT_EQ(WebSitesVisibleCount(list), 0); // the first two are hidden now
    WebSitesSort(list, 6);
    EXPECT_EQ(WebSitesVisibleCount(list), 4);
    EXPECT_EQ(hosts(), u"gone1 gone2 parked moved hidden-gone ok none"_s);
}
