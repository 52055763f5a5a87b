// Verdicts on answers as they come out of the HTTP client, parked pages and page
// titles, without a server.

#include <net/uLinkCheck.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

THttpResult Answer(const char* Url, int Status, std::initializer_list<THttpHop> Hops = {},
                   const char* Final = nullptr, QByteArray Body = {})
{
    THttpResult r;
    r.Url = QUrl(QString::fromLatin1(Url));
    r.Hops = Hops;
    r.FinalUrl = QUrl(QString::fromLatin1(Final ? Final : Url));
    r.FinalUrl.setFragment({});
    r.Status = Status;
    r.ContentType = "text/html";
    r.Body = std::move(Body);
    return r;
}

THttpHop Hop(const char* Url, int Status)
{
    return {QUrl(QString::fromLatin1(Url)), Status};
}

} // namespace

TEST(LinkVerdict, RedirectChainsGiveMovedOnlyForANewAddress)
{
    struct TCase
    {
        const char* Name;
        THttpResult R;
        TLinkStatus Status;
        const char* Final;
    };
    const TCase cases[] = {
        {"301 to https",
         Answer("http://a.example/p", 200, {Hop("http://a.example/p", 301)}, "https://a.example/p"),
         TLinkStatus::Moved, "https://a.example/p"},
        {"fragment kept",
         Answer("http://a.example/p#s2", 200, {Hop("http://a.example/p", 308)},
                "http://b.example/q"),
         TLinkStatus::Moved, "http://b.example/q#s2"},
        {"301 then 302",
         Answer("http://a.example/p", 200,
                {Hop("http://a.example/p", 301), Hop("http://b.example/p", 302)},
                "http://b.example/r"),
         TLinkStatus::Ok, "http://b.example/r"},
        {"307",
         Answer("http://a.example/p", 200, {Hop("http://a.example/p", 307)}, "http://a.example/q"),
         TLinkStatus::Ok, "http://a.example/q"},
        {"301 to the front page",
         Answer("http://a.example/deep/page", 200, {Hop("http://a.example/deep/page", 301)},
                "http://a.example/"),
         TLinkStatus::Ok, "http://a.example/"},
        {"front page to front page elsewhere",
         Answer("http://a.example/", 200, {Hop("http://a.example/", 301)},
                "https://www.a.example/"),
         TLinkStatus::Moved, "https://www.a.example/"},
        {"301 to a login host",
         Answer("http://a.example/doc", 200, {Hop("http://a.example/doc", 301)},
                "https://accounts.a.example/x?c=1"),
         TLinkStatus::Ok, "https://accounts.a.example/x?c=1"},
        {"301 to a sign-in path",
         Answer("http://a.example/doc", 200, {Hop("http://a.example/doc", 301)},
                "http://a.example/users/sign_in"),
         TLinkStatus::Ok, "http://a.example/users/sign_in"},
        {"301 to the country page",
         Answer("http://a.example/", 200, {Hop("http://a.example/", 301)}, "http://a.example/fr/"),
         TLinkStatus::Ok, "http://a.example/fr/"},
        {"301 to the page in a country",
         Answer("http://a.example/shop", 200, {Hop("http://a.example/shop", 301)},
                "http://a.example/en-gb/shop"),
         TLinkStatus::Ok, "http://a.example/en-gb/shop"},
        {"301 to a two-letter section that is a new page",
         Answer("http://a.example/old", 200, {Hop("http://a.example/old", 301)},
                "http://a.example/go/new"),
         TLinkStatus::Moved, "http://a.example/go/new"},
        {"301 to a parking host",
         Answer("http://a.example/", 200, {Hop("http://a.example/", 301)},
                "https://www.sedoparking.com/a.example"),
         TLinkStatus::Parked, "https://www.sedoparking.com/a.example"},
        {"302 to a sale page that answers 403",
         Answer("http://a.example/", 403, {Hop("http://a.example/", 302)},
                "https://dan.com/buy-domain/a.example"),
         TLinkStatus::Parked, "https://dan.com/buy-domain/a.example"},
        {"3xx to another scheme", Answer("http://a.example/app", 302), TLinkStatus::Ok, ""},
        {"451", Answer("http://a.example/", 451), TLinkStatus::Blocked, ""},
        {"502", Answer("http://a.example/", 502), TLinkStatus::ServerError, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TLinkResult r = LinkCheckVerdict(c.R);
        EXPECT_EQ(LinkStatusWord(r.Status), LinkStatusWord(c.Status));
        EXPECT_EQ(r.FinalUrl, QString::fromLatin1(c.Final));
        EXPECT_EQ(r.Http, c.R.Status);
    }
}

TEST(LinkVerdict, NetworkFailures)
{
    const std::pair<THttpError, TLinkStatus> cases[] = {
        {THttpError::HostNotFound, TLinkStatus::Unreachable},
        {THttpError::Refused, TLinkStatus::Unreachable},
        {THttpError::Tls, TLinkStatus::Unreachable},
        {THttpError::Timeout, TLinkStatus::Unreachable},
        {THttpError::Other, TLinkStatus::Unreachable},
        {THttpError::RedirectLoop, TLinkStatus::ServerError},
        {THttpError::TooManyRedirects, TLinkStatus::ServerError},
    };
    for (const auto& [error, status] : cases) {
        THttpResult r = Answer("http://a.example/", error == THttpError::RedirectLoop ? 302 : 0);
        r.Error = error;
        r.ErrorText = u"why"_s;
        const TLinkResult v = LinkCheckVerdict(r);
        EXPECT_EQ(v.Status, status) << int(error);
        EXPECT_EQ(v.Detail, u"why"_s);
        EXPECT_TRUE(v.Title.isEmpty());
    }
}

TEST(LinkVerdict, ParkedPagesWithoutFalseAlarms)
{
    struct TCase
    {
        const char* Head;
        const char* Title;
        bool Parked;
    };
    const TCase cases[] = {
        {"", "This domain may be for sale!", true},
        {"", "example.net - For Sale", true},
        {"", "Buy this domain", true},
        {"", "This web page is parked FREE, courtesy of GoDaddy", true},
        {"<script>window.park = \"abc\";</script>", "example.org", true},
        {"<script src=\"https://img.sedoparking.com/js/x.js\">", "", true},
        {"<link href=\"//www.parkingcrew.net/a.css\">", "", true},
        {"", "Cars for sale in Berlin", false},
        {"", "Where I parked the car", false},
        {"<script src=\"https://cdn.jordan.com/x.js\"></script>", "Jordan", false},
        {"<a href=\"https://abodis.com/\">", "Abodis", false},
        {"", "Domain names explained", false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(LinkCheckIsParkedPage(c.Head, QString::fromUtf8(c.Title)), c.Parked)
            << c.Title << c.Head;
    EXPECT_TRUE(LinkCheckIsParkingHost(u"www.HugeDomains.com"_s));
    EXPECT_TRUE(LinkCheckIsParkingHost(u"bodis.com"_s));
    EXPECT_FALSE(LinkCheckIsParkingHost(u"nobodis.com"_s));
    EXPECT_FALSE(LinkCheckIsParkingHost(u"sedo.com.example.org"_s));
}

TEST(LinkVerdict, CharsetFromHeaderThenBomThenMeta)
{
    struct TCase
    {
        QByteArray Type;
        QByteArray Body;
        QByteArray Charset;
        QString Title;
    };
    const TCase cases[] = {
        {"text/html; charset=\"windows-1252\"", "<meta charset=utf-8><title>\x93quoted\x94</title>",
         "windows-1252", u"“quoted”"_s},
        {"text/html", "\xEF\xBB\xBF<meta charset=iso-8859-1><title>\xC3\xA9</title>", "utf-8",
         u"é"_s},
        {"text/html", QByteArray("\xFF\xFE<\0t\0i\0t\0l\0e\0>\0\xE9\0<\0/\0t\0i\0t\0l\0e\0>\0", 32),
         "utf-16le", u"é"_s},
        {"text/html",
         "<META HTTP-EQUIV='content-type' "
         "CONTENT='text/html;charset=EUC-JP'><title>\xC6\xFC</title>",
         "euc-jp", u"日"_s},
        {"", "<title>caf\xE9</title>", "", u"café"_s}, // not UTF-8: the Western code page
        {"text/html", "<body><svg><title>icon</title></svg>", "", QString()},
        {"application/json", "<title>x</title>", "", QString()},
        {"text/html", "<title>a <b>bold</b> move</title>", "", u"a <b>bold</b> move"_s},
        {"text/html", "<title>\n  </title>", "", QString()},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Body.toStdString());
        if (!c.Type.contains("json")) {
            EXPECT_EQ(LinkCheckCharset(c.Body, c.Type), c.Charset);
        }
        EXPECT_EQ(LinkCheckPageTitle(c.Body, c.Type), c.Title);
    }
}
