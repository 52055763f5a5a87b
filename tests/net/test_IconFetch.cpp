// Fetching missing icons against servers on the loopback address: what is asked,
// what is taken, and that slow, failing or hostile servers cannot hold the fetch.

#include <net/uIconFetch.h>

#include <model/uWebSiteList.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <support/uIconBytes.h>

#include "TestHttpServer.h"

using namespace Qt::StringLiterals;

namespace {

TRoute Png(int Seed, qsizetype Size = 300)
{
    return {200, "image/png", PngBytes(Seed, Size)};
}

TRoute Html(const QByteArray& Head)
{
    return {200, "text/html",
            "<!DOCTYPE html><html><head><title>t</title>" + Head
                + "</head><body><p>page</p></body></html>"};
}

// Runs the event loop until the fetcher finishes or Ms pass; false on the latter.
bool WaitFinished(TIconFetcher& Fetcher, int Ms = 10000)
{
    if (!Fetcher.IsRunning())
        return true;
    QEventLoop loop;
    QObject::connect(&Fetcher, &TIconFetcher::Finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(Ms, &loop, &QEventLoop::quit);
    loop.exec();
    return !Fetcher.IsRunning();
}

void Spin(int Ms)
{
    QEventLoop loop;
    QTimer::singleShot(Ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Spins until Done() holds or Ms pass.
template <class F>
bool SpinUntil(F Done, int Ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!Done() && t.elapsed() < Ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return Done();
}

TIconId FetchOne(TTestHttpServer& Server, const QByteArray& Page = "/",
                 TIconFetchOptions Options = {})
{
    TIconFetcher fetcher(Options);
    fetcher.Start({QString::fromLatin1(Server.Origin() + Page)});
    EXPECT_TRUE(WaitFinished(fetcher));
    return fetcher.IconFor(QString::fromLatin1(Server.Origin() + Page));
}

} // namespace

TEST(IconFetch, FaviconIcoIsTakenAndSharedByEveryEntryOfTheHost)
{
    TTestHttpServer server;
    server.Route("/favicon.ico", Png(1));
    TWebSiteList list;
    const QByteArray other = PngBytes(99);
    for (const char* path : {"/a", "/b?x=1", "/c#frag", "/d"}) {
        TWebSite s;
        s.URL = QString::fromLatin1(server.Origin() + path);
        list.Append(std::move(s));
    }
    list[3].IconId = WebSiteIcons().AddBytes({}, other); // has one: kept, not asked for

    const std::vector<qsizetype> all = {0, 1, 2, 3};
    TIconFetcher fetcher;
    fetcher.Start(IconFetchUrlsOf(list, all));
    ASSERT_TRUE(WaitFinished(fetcher));
    EXPECT_EQ(fetcher.HostCount(), 1);
    EXPECT_EQ(fetcher.FoundCount(), 1);
    EXPECT_EQ(server.Stats().Paths, QList<QByteArray>{"/favicon.ico"}); // one request for the host

    const std::vector<qsizetype> given = IconFetchAssign(list, all, fetcher);
    EXPECT_EQ(given, (std::vector<qsizetype>{0, 1, 2}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(WebSiteIcons().Bytes(list[i].IconId), PngBytes(1)) << i;
        EXPECT_EQ(WebSiteIcons().Icon(list[i].IconId).Type, "image/png");
    }
    EXPECT_EQ(WebSiteIcons().Bytes(list[3].IconId), other);
}

TEST(IconFetch, PageLinkIsFollowedWhenFaviconIcoFails)
{
    struct TCase
    {
        const char* Name;
        TRoute Favicon;
        QByteArray Head;
        QByteArray IconPath; // where the link leads; empty for a data URI
    };
    const QByteArray dataUri = "data:image/png;base64," + PngBytes(7).toBase64();
    const TCase cases[] = {
        {"404, absolute path",
         {404, "text/html", "no"},
         R"(<link rel="icon" href="/static/i.png">)",
         "/static/i.png"},
        {"200 HTML instead of an image", Html(""),
         R"(<LINK REL="Shortcut Icon" HREF="img/s.png?v=1&amp;x=2">)", "/dir/img/s.png?v=1&x=2"},
        {"apple-touch-icon after an icon that fails",
         {404, "text/html", "no"},
         R"(<link rel="apple-touch-icon" href="/touch.png"><link rel=icon href="/missing.png">)",
         "/touch.png"},
        {"base href",
         {500, "text/plain", ""},
         R"(<base href="/other/"><link rel="icon" href="f.png">)",
         "/other/f.png"},
        {"data URI", {404, "text/html", ""}, R"(<link rel="icon" href=")" + dataUri + "\">", ""},
    };
    int seed = 10;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTestHttpServer server;
        server.Route("/favicon.ico", c.Favicon);
        server.Route("/dir/page.html", Html(c.Head));
        if (!c.IconPath.isEmpty())
            server.Route(c.IconPath, Png(seed));
        const TIconId id = FetchOne(server, "/dir/page.html");
        EXPECT_EQ(WebSiteIcons().Bytes(id), c.IconPath.isEmpty() ? PngBytes(7) : PngBytes(seed));
        if (!c.IconPath.isEmpty()) {
            EXPECT_EQ(server.Count(c.IconPath), 1);
        }
        EXPECT_EQ(server.Count("/favicon.ico"), 1);
        EXPECT_EQ(server.Count("/dir/page.html"), 1);
        ++seed;
    }
}

TEST(IconFetch, NothingFoundGivesNoIconAfterTwoRequests)
{
    TTestHttpServer server; // 404 for everything
    TIconFetcher fetcher;
    fetcher.Start({QString::fromLatin1(server.Origin() + "/page")});
    ASSERT_TRUE(WaitFinished(fetcher));
    EXPECT_EQ(fetcher.IconFor(QString::fromLatin1(server.Origin() + "/page")), 0u);
    EXPECT_EQ(server.Stats().Paths, (QList<QByteArray>{"/favicon.ico", "/page"}));
    EXPECT_EQ(fetcher.FoundCount(), 0);
    EXPECT_EQ(fetcher.FailedCount(), 0); // the host answered
    EXPECT_EQ(fetcher.DoneCount(), 1);
}

TEST(IconFetch, ServerThatNeverAnswersTimesOut)
{
    TTestHttpServer server;
    server.Fallback.Hang = true;
    TIconFetchOptions options;
    options.TimeoutMs = 300;
    TIconFetcher fetcher(options);
    QElapsedTimer t;
    t.start();
    fetcher.Start({QString::fromLatin1(server.Origin() + "/")});
    ASSERT_TRUE(WaitFinished(fetcher, 5000));
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_EQ(fetcher.FoundCount(), 0);
    EXPECT_EQ(fetcher.FailedCount(), 1);
    // A host that let the icon's request wait out its time is not asked for the page too.
    EXPECT_EQ(server.Stats().Paths, (QList<QByteArray>{"/favicon.ico"}));
    EXPECT_TRUE(SpinUntil([&] { return server.Stats().Open == 0; }));
}

TEST(IconFetch, CancelAbortsRequestsInFlightAndTakesNothingAfterwards)
{
    auto stats = std::make_shared<TServerStats>();
    std::vector<std::unique_ptr<TTestHttpServer>> servers;
    QStringList urls;
    for (int i = 0; i < 8; ++i) {
        servers.push_back(std::make_unique<TTestHttpServer>(stats));
        servers.back()->Route("/favicon.ico", Png(40 + i));
        servers.back()->DelayMs = 400; // answers come after the cancel
        urls << QString::fromLatin1(servers.back()->Origin() + "/");
    }
    TIconFetcher fetcher;
    int resultsAfterCancel = 0;
    bool cancelled = false;
    QObject::connect(&fetcher, &TIconFetcher::HostFinished, [&] {
        if (cancelled)
            ++resultsAfterCancel;
    });
    fetcher.Start(urls);
    ASSERT_TRUE(SpinUntil([&] { return stats->Open == 6; }));
    cancelled = true;
    fetcher.Cancel();
    EXPECT_FALSE(fetcher.IsRunning());
    EXPECT_TRUE(fetcher.WasCancelled());
    // The server sees the six connections closed before it answered.
    EXPECT_TRUE(SpinUntil([&] { return stats->Dropped == 6; }));
    Spin(600);
    EXPECT_EQ(stats->Requests, 6); // the two waiting hosts are never asked
    EXPECT_EQ(resultsAfterCancel, 0);
    for (const QString& u : urls)
        EXPECT_EQ(fetcher.IconFor(u), 0u);
}

TEST(IconFetch, AtMostSixRequestsAtOnce)
{
    auto stats = std::make_shared<TServerStats>();
    std::vector<std::unique_ptr<TTestHttpServer>> servers;
    QStringList urls;
    for (int i = 0; i < 14; ++i) {
        servers.push_back(std::make_unique<TTestHttpServer>(stats));
        servers.back()->DelayMs = 100;
        if (i % 2 == 0)
            servers.back()->Route("/favicon.ico", Png(60 + i));
        else
            servers.back()->Route("/p", Html(R"(<link rel="icon" href="/i.png">)"));
        servers.back()->Route("/i.png", Png(80 + i));
        urls << QString::fromLatin1(servers.back()->Origin() + (i % 2 ? "/p" : "/"));
    }
    TIconFetcher fetcher;
    QList<int> progress;
    QObject::connect(&fetcher, &TIconFetcher::Progress, [&](int Done, int Total) {
        EXPECT_EQ(Total, 14);
        progress << Done;
    });
    fetcher.Start(urls);
    ASSERT_TRUE(WaitFinished(fetcher, 20000));
    EXPECT_EQ(fetcher.FoundCount(), 14);
    EXPECT_LE(stats->MaxOpen, 6);
    EXPECT_GE(stats->MaxOpen, 2);
    EXPECT_EQ(stats->Requests, 7 + 7 * 3);
    EXPECT_EQ(progress.first(), 0);
    EXPECT_EQ(progress.last(), 14);
}

TEST(IconFetch, OversizedOrNonImageBodiesAreNotTaken)
{
    struct TCase
    {
        const char* Name;
        TRoute Icon;
    };
    TRoute streamed = Png(3, 4 * 1024 * 1024);
    streamed.NoLength = true;
    TRoute declared = Png(4, MaxIconBytes + 10);
    const TCase cases[] = {
        {"declared length over the cap", declared},
        {"streamed body over the cap", streamed},
        {"not an image", {200, "image/png", "<html>hello</html>"}},
        {"empty", {200, "image/png", ""}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTestHttpServer server;
        server.Route("/favicon.ico", c.Icon);
        server.Route("/", Html(R"(<link rel="icon" href="/favicon.ico">)"));
        EXPECT_EQ(FetchOne(server), 0u);
        EXPECT_EQ(server.Count("/favicon.ico"), 2);
    }
}

TEST(IconFetch, RedirectsAreFollowedOnlyToWebAddresses)
{
    TTestHttpServer server;
    server.Route("/favicon.ico", {301, "text/html", "", "/real/icon.ico"});
    server.Route("/real/icon.ico", Png(21));
    EXPECT_EQ(WebSiteIcons().Bytes(FetchOne(server)), PngBytes(21));
    EXPECT_EQ(server.Stats().Paths, (QList<QByteArray>{"/favicon.ico", "/real/icon.ico"}));

    TTestHttpServer other;
    other.Route("/favicon.ico", {302, "text/html", "", "file:///etc/passwd"});
    other.Route("/", {302, "text/html", "", "/"}); // a loop: cut when it comes round again
    EXPECT_EQ(FetchOne(other), 0u);
    EXPECT_EQ(other.Count("/favicon.ico"), 1);
    EXPECT_EQ(other.Count("/"), 2);

    // A chain that never ends: cut after the limit.
    TTestHttpServer chain;
    for (int i = 0; i < 8; ++i)
        chain.Route("/r" + QByteArray::number(i),
                    {302, "text/html", "", "/r" + QByteArray::number(i + 1)});
    TIconFetchOptions options;
    options.MaxRedirects = 3;
    EXPECT_EQ(FetchOne(chain, "/r0", options), 0u);
    EXPECT_EQ(chain.Stats().Paths, (QList<QByteArray>{"/favicon.ico", "/r0", "/r1", "/r2", "/r3"}));
}

TEST(IconFetch, OnlyWebAddressesAreAsked)
{
    TTestHttpServer server;
    server.Route("/favicon.ico", Png(30));
    const QString port = QString::number(server.Port());
    TIconFetcher fetcher;
    fetcher.Start({u"file:///etc/passwd"_s, u"ftp://127.0.0.1:"_s + port + u"/"_s,
                   u"javascript:alert(1)"_s, u"data:text/html,hi"_s, u"mailto:a@127.0.0.1"_s,
                   u"http:///nohost"_s, u"not a url"_s});
    ASSERT_TRUE(WaitFinished(fetcher));
    EXPECT_EQ(fetcher.HostCount(), 0);
    EXPECT_EQ(server.Stats().Requests, 0);

    // The page's link to another scheme is not followed either.
    server.Route("/favicon.ico", {404, "text/html", ""});
    server.Route("/", Html(R"(<link rel="icon" href="file:///etc/hostname">)"
                           R"(<link rel="icon" href="ftp://127.0.0.1/x.ico">)"));
    EXPECT_EQ(FetchOne(server), 0u);
    EXPECT_EQ(server.Stats().Requests, 2);
}

TEST(IconFetch, HostKeyIgnoresSchemeAndPathButKeepsAPort)
{
    EXPECT_EQ(HttpHostKey(QUrl(u"https://Example.ORG/a"_s)), u"example.org"_s);
    EXPECT_EQ(HttpHostKey(QUrl(u"http://example.org/b?c"_s)), u"example.org"_s);
    EXPECT_EQ(HttpHostKey(QUrl(u"http://example.org:8080/"_s)), u"example.org:8080"_s);
    EXPECT_EQ(HttpHostKey(QUrl(u"ftp://example.org/"_s)), QString());
}

// A page may name thousands of icons, on any host: a handful are asked, the
// page's own host first, each address once.
TEST(IconFetch, PageWithThousandsOfIconLinksAsksAHandful)
{
    TTestHttpServer server;
    TTestHttpServer far;
    QByteArray head;
    for (int i = 0; i < 10'000; ++i)
        head += "<link rel=icon href=" + far.Origin() + "/f" + QByteArray::number(i) + ".png>";
    for (int i = 0; i < 10'000; ++i)
        head += "<link rel=icon href=/i" + QByteArray::number(i / 2) + ".png>"; // each twice
    server.Route("/", Html(head));
    TIconFetchOptions options;
    options.MaxPageBytes = 4 * 1024 * 1024; // the whole page is read
    EXPECT_EQ(FetchOne(server, "/", options), 0u);
    QList<QByteArray> asked{"/favicon.ico", "/"};
    for (int i = 0; i < MaxIconPageLinks; ++i)
        asked << "/i" + QByteArray::number(i) + ".png";
    EXPECT_EQ(server.Stats().Paths, asked);
    EXPECT_EQ(far.Stats().Requests, 0);

    // Of other hosts too, only a handful.
    TTestHttpServer second;
    QByteArray farOnly;
    for (int i = 0; i < 5'000; ++i)
        farOnly += "<link rel=icon href=" + far.Origin() + "/g" + QByteArray::number(i) + ".png>";
    second.Route("/", Html(farOnly));
    EXPECT_EQ(FetchOne(second, "/", options), 0u);
    EXPECT_EQ(far.Stats().Requests, MaxIconPageLinks);
}

// Slow answers cannot stretch a host's chain past its own limit, whatever each
// request's limit leaves: here the chain ends in the icons the page names.
TEST(IconFetch, HostsWholeChainHasATimeLimit)
{
    TTestHttpServer server;
    server.DelayMs = 600;
    QByteArray head;
    for (int i = 0; i < MaxIconPageLinks; ++i)
        head += "<link rel=icon href=/i" + QByteArray::number(i) + ".png>";
    server.Route("/", Html(head));
    TIconFetchOptions options;
    options.TimeoutMs = 5000;
    options.MaxHostMs = 1500;
    EXPECT_EQ(FetchOne(server, "/", options), 0u);
    // Without the limit all six would be asked, 3.6 s in all; with it the chain
    // stops in the first link (a second may start with the last milliseconds).
    EXPECT_LE(server.Stats().Requests, 4);
    EXPECT_EQ(server.Stats().Paths.mid(0, 2), (QList<QByteArray>{"/favicon.ico", "/"}));
}

// A data: icon whose base64 the page wraps over lines is taken as a bookmark
// file's ICON attribute is, blanks and all.
TEST(IconFetch, DataIconWrappedOverLinesIsTaken)
{
    const QByteArray base64 = PngBytes(21, 400).toBase64();
    QByteArray wrapped;
    for (qsizetype i = 0; i < base64.size(); i += 60)
        wrapped += "\n      " + base64.mid(i, 60);
    TTestHttpServer server;
    server.Route("/", Html("<link rel=\"icon\" href=\"data:image/png;base64," + wrapped + "\n\">"));
    const TIconId id = FetchOne(server);
    EXPECT_EQ(WebSiteIcons().Bytes(id), PngBytes(21, 400));
    EXPECT_EQ(server.Stats().Paths, (QList<QByteArray>{"/favicon.ico", "/"}));
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
