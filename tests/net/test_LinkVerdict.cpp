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
         TLinkStatus::SoftGone, "http://a.example/"},
        {"302 to the front page",
         Answer("http://a.example/deep?id=7", 200, {Hop("http://a.example/deep?id=7", 302)},
                "http://a.example/"),
         TLinkStatus::SoftGone, "http://a.example/"},
        {"308 to a language's front page",
         Answer("http://a.example/deep", 200, {Hop("http://a.example/deep", 308)},
                "http://a.example/en/"),
         TLinkStatus::SoftGone, "http://a.example/en/"},
        {"301 to another site's front page",
         Answer("http://a.example/deep", 200, {Hop("http://a.example/deep", 301)},
                "https://b.example/index.html"),
         TLinkStatus::SoftGone, "https://b.example/index.html"},
        {"trailing slash added to a deep link",
         Answer("http://a.example/docs", 200, {Hop("http://a.example/docs", 301)},
                "http://a.example/docs/"),
         TLinkStatus::Moved, "http://a.example/docs/"},
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
        // A move is told by the status that said so, not by the new page's 200.
        EXPECT_EQ(r.Http, c.Status == TLinkStatus::Moved ? c.R.Hops.front().Status : c.R.Status);
        // Every verdict but ok says why.
        EXPECT_EQ(r.Detail.isEmpty(), c.Status == TLinkStatus::Ok) << r.Detail.toStdString();
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
        {THttpError::HostBusy, TLinkStatus::Blocked},
        {THttpError::HostSilent, TLinkStatus::Unreachable},
    };
    for (const auto& [error, status] : cases) {
        THttpResult r = Answer("http://a.example/", error == THttpError::RedirectLoop ? 302 : 0);
        r.Error = error;
        r.ErrorText = u"why"_s;
        const TLinkResult v = LinkCheckVerdict(r);
        EXPECT_EQ(v.Status, status) << int(error);
        // In words of the failure's kind; the network's own words where it has no kind.
        EXPECT_FALSE(v.Detail.isEmpty());
        if (error == THttpError::Tls || error == THttpError::Other) {
            EXPECT_EQ(v.Detail, u"why"_s);
        }
        EXPECT_TRUE(v.Title.isEmpty());
    }
}

TEST(LinkVerdict, ParkedPagesWithoutFalseAlarms)
{
    struct TCase
    {
        const char* Host;
        const char* Head;
        const char* Title;
        bool Parked;
    };
    const TCase cases[] = {
        {"a.example", "", "This domain may be for sale!", true},
        {"example.net", "", "example.net - For Sale", true},
        {"www.example.net", "", "Example.net is for sale", true},
        {"a.example", "", "Buy this domain", true},
        {"a.example", "", "This web page is parked FREE, courtesy of GoDaddy", true},
        {"a.example", "<script>window.park = \"abc\";</script>", "example.org", true},
        {"a.example", "<script src=\"https://img.sedoparking.com/js/x.js\">", "", true},
        {"a.example", "<link href=\"//www.parkingcrew.net/a.css\">", "", true},
        // Real sites whose titles sell things: not parked.
        {"www.realtor.com", "", "Realtor.com\u00ae | Homes for Sale, Apartments & Houses for Rent",
         false},
        {"www.autotrader.co.uk", "", "Used Cars for Sale | AutoTrader UK", false},
        {"www.zillow.com", "", "Zillow: Real Estate, Apartments, Mortgages & Home Values", false},
        {"www.ebay.com", "", "Electronics, Cars, Fashion, Collectibles & More | eBay", false},
        {"cars.example", "", "cars.example - Cars for sale in Berlin", false},
        {"shop.example", "", "other.example is for sale: see our offer", false},
        {"a.example", "", "Cars for sale in Berlin", false},
        {"a.example", "", "Where I parked the car", false},
        {"a.example", "<script src=\"https://cdn.jordan.com/x.js\"></script>", "Jordan", false},
        {"a.example", "<a href=\"https://abodis.com/\">", "Abodis", false},
        {"a.example", "", "Domain names explained", false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(
            LinkCheckIsParkedPage(c.Head, QString::fromUtf8(c.Title), QString::fromUtf8(c.Host)),
            c.Parked)
            << c.Title << c.Head;
    EXPECT_TRUE(LinkCheckIsParkingHost(u"www.HugeDomains.com"_s));
    EXPECT_TRUE(LinkCheckIsParkingHost(u"bodis.com"_s));
    EXPECT_FALSE(LinkCheckIsParkingHost(u"nobodis.com"_s));
    EXPECT_FALSE(LinkCheckIsParkingHost(u"sedo.com.example.org"_s));
}

TEST(LinkVerdict, PagesThatSayNotFound)
{
    struct TCase
    {
        const char* Title;
        bool NotFound;
    };
    const TCase cases[] = {
        {"Page Not Found | Example", true},
        {"404", true},
        {"Error 404 - Example", true},
        {"404 - File or directory not found.", true},
        {"Oops! That page can\u2019t be found.", true},
        {"\u30DA\u30FC\u30B8\u304C\u898B\u3064\u304B\u308A\u307E\u305B\u3093 - \u4F8B", true},
        {"Seite nicht gefunden", true},
        {"Page introuvable", true},
        {"P\u00e1gina no encontrada", true},
        {"Pagina non trovata", true},
        {"\u0421\u0442\u0440\u0430\u043D\u0438\u0446\u0430 \u043D\u0435 "
         "\u043D\u0430\u0439\u0434\u0435\u043D\u0430",
         true},
        {"\u9875\u9762\u4E0D\u5B58\u5728", true},
        {"Top 404 tips for travellers", false},
        {"Lost and Found Department", false},
        {"Example Domain", false},
        {"Found: the missing link", false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(LinkCheckSaysNotFound(QString::fromUtf8(c.Title)), c.NotFound) << c.Title;

    // A 200 page saying so is a soft 404, with the title as its reason; its title
    // fills no entry.
    const TLinkResult r = LinkCheckVerdict(
        Answer("http://a.example/gone", 200, {}, nullptr, "<title>Page not found</title>"));
    EXPECT_EQ(r.Status, TLinkStatus::SoftGone);
    EXPECT_TRUE(r.Detail.contains(u"Page not found"_s));
    EXPECT_EQ(LinkStatusWord(r.Status), u"soft-404"_s);
}

TEST(LinkVerdict, TitlesOnlyFromTheBookmarkedPageItself)
{
    struct TCase
    {
        const char* Name;
        THttpResult R;
        const char* Title;
    };
    const QByteArray page = "<title>The page</title>";
    const TCase cases[] = {
        {"no redirect", Answer("http://a.example/p", 200, {}, nullptr, page), "The page"},
        {"to https and www",
         Answer("http://a.example/p", 200, {Hop("http://a.example/p", 302)},
                "https://www.a.example/p/", page),
         "The page"},
        {"moved for good",
         Answer("http://a.example/p", 200, {Hop("http://a.example/p", 301)}, "http://b.example/q",
                page),
         "The page"},
        {"a login page",
         Answer("http://a.example/p", 200, {Hop("http://a.example/p", 302)},
                "http://a.example/login?next=/p", page),
         ""},
        {"another page of the site",
         Answer("http://a.example/p", 200, {Hop("http://a.example/p", 302)}, "http://a.example/q",
                page),
         "The page"},
        {"a sign-in host",
         Answer("http://a.example/p", 200, {Hop("http://a.example/p", 302)},
                "https://accounts.a.example/", page),
         ""},
        {"the front page",
         Answer("http://a.example/p", 200, {Hop("http://a.example/p", 302)}, "http://a.example/",
                page),
         ""},
        {"an error page", Answer("http://a.example/p", 404, {}, nullptr, page), ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(LinkCheckVerdict(c.R).Title, QString::fromUtf8(c.Title)) << c.Name;
}

TEST(LinkVerdict, CharsetFromBomThenHeaderThenMeta)
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
        {"text/html", "\xEF\xBB\xBF<meta charset=iso-8859-1><title>\xC3\xA9</title>", "UTF-8",
         u"é"_s},
        // The mark wins over the header, as in browsers.
        {"text/html; charset=iso-8859-1",
         "\xEF\xBB\xBF<title>Caf\xC3\xA9 \xC3\xBCn\xC3\xAF\x63\xC3\xB6\x64\xC3\xA9</title>",
         "UTF-8", u"Café ünïcödé"_s},
        {"text/html; charset=utf-8",
         QByteArray("\xFF\xFE<\0t\0i\0t\0l\0e\0>\0\xE9\0<\0/\0t\0i\0t\0l\0e\0>\0", 32), "UTF-16LE",
         u"é"_s},
        {"text/html",
         "<META HTTP-EQUIV='content-type' "
         "CONTENT='text/html;charset=EUC-JP'><title>\xC6\xFC</title>",
         "EUC-JP", u"日"_s},
        // A UTF-16 label on a page readable as ASCII means UTF-8.
        {"text/html", "<meta charset=\"utf-16\"><title>plain \xE2\x9C\x93</title>", "UTF-8",
         u"plain ✓"_s},
        // Labels read with the web's table: iso-8859-9 is windows-1254, whose 0x80 is €.
        {"text/html; charset=iso-8859-9", "<title>\x80 \xFD</title>", "windows-1254", u"€ ı"_s},
        {"text/html; charset=latin1", "<title>\x80</title>", "windows-1252", u"€"_s},
        {"text/html; charset=x-sjis", "<title>\x93\xFA</title>", "Shift_JIS", u"日"_s},
        // A label that names nothing is passed over.
        {"text/html; charset=bogus", "<meta charset=koi8-r><title>\xF0</title>", "KOI8-R", u"П"_s},
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

TEST(LinkVerdict, TitlesWithoutControlCharactersCutOnACharacter)
{
    struct TCase
    {
        QByteArray Body;
        QString Title;
    };
    const QString emoji = u"\U0001F600"_s;
    const TCase cases[] = {
        {"<title>a&#1;b&#x7F;c\x02"
         "d&#xFFFE;e&#x9F;f</title>",
         u"abcdef"_s},
        {"<title>tab\there &amp; line\nthere</title>", u"tab here & line there"_s},
        {"<title>&eacute;&euro;&hellip;&#x1F600;&bogus;</title>", u"é€…"_s + emoji + u"&bogus;"_s},
        // Cut at 1,000 units: not inside the pair that would straddle it.
        {"<title>" + QByteArray(999, 'x') + "\xF0\x9F\x98\x80</title>", QString(999, u'x')},
        // Nor left ending in a blank.
        {"<title>" + QByteArray(999, 'x') + " yz</title>", QString(999, u'x')},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(LinkCheckPageTitle(c.Body, "text/html"), c.Title)
            << c.Body.left(80).toStdString();

    // A title of nothing but "&" costs a pass, not a search per "&": a long one is
    // cut first, and what is left comes out whole.
    const QString amps =
        LinkCheckPageTitle("<title>" + QByteArray(4 << 20, '&') + "</title>", "text/html");
    EXPECT_EQ(amps, QString(1000, u'&'));
}
