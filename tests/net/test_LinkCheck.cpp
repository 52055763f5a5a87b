// The link check against sites on loopback addresses: every verdict, titles in
// several charsets, failures asked again, the per-host limit, cancel, and what is
// kept on the list's entries.

#include <net/uArchiveLookup.h>
#include <net/uLinkCheck.h>

#include <model/uWebSiteList.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTimer>

#include <gtest/gtest.h>

#include <support/uIconBytes.h>

#include "TestHttpServer.h"

using namespace Qt::StringLiterals;

namespace {

TRoute Page(const QByteArray& Title, const QByteArray& Head = {}, QByteArray Type = "text/html")
{
    return {200, std::move(Type),
            "<!DOCTYPE html><html><head>" + Head + "<title>" + Title
                + "</title></head><body><p>page</p></body></html>"};
}

TRoute Redirect(int Status, const QByteArray& To)
{
    return {Status, "text/html", "<a href>moved</a>", To};
}

TLinkCheckOptions FastOptions()
{
    TLinkCheckOptions o;
    o.Http.TimeoutMs = 1500;
    o.Http.BusyWaitMs = 50;
    o.Http.MaxRetryAfterMs = 2000;
    return o;
}

bool WaitFinished(TLinkChecker& Checker, int Ms = 15000)
{
    if (!Checker.IsRunning())
        return true;
    QEventLoop loop;
    QObject::connect(&Checker, &TLinkChecker::Finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(Ms, &loop, &QEventLoop::quit);
    loop.exec();
    return !Checker.IsRunning();
}

// A port on 127.0.0.1 that nothing listens on.
quint16 ClosedPort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    const quint16 port = s.serverPort();
    s.close();
    return port;
}

} // namespace

TEST(LinkCheck, EveryVerdictOnLoopbackSites)
{
    TTestHttpServer site;
    TTestHttpServer silent; // accepts and never answers
    silent.Fallback.Hang = true;

    site.Route("/ok", Page("Plain page"));
    site.Route("/temp", Redirect(302, "/ok"));
    site.Route("/old", Redirect(301, "/older"));
    site.Route("/older", Redirect(308, site.Origin() + "/new"));
    site.Route("/new", Page("New home"));
    site.Route("/mixed", Redirect(301, "/temp"));
    site.Route("/to-root", Redirect(301, "/"));
    site.Route("/", Page("Front"));
    site.Route("/to-login", Redirect(301, "/login?next=/to-login"));
    site.Route("/login?next=/to-login", Page("Sign in"));
    site.Route("/gone", {410, "text/html", "<title>Gone</title>"});
    site.Route("/broken", {500, "text/html", "<title>Oops</title>"});
    site.Route("/loop-a", Redirect(302, "/loop-b"));
    site.Route("/loop-b", Redirect(302, "/loop-a"));
    site.Route("/forbidden", {403, "text/html", "<title>Access denied</title>"});
    site.Route("/private", {401, "text/html", ""});
    TRoute busy(429, "text/html", "slow down");
    busy.Headers = {"Retry-After: 0"};
    site.Route("/busy", busy);
    TRoute unavailable(503, "text/html", "later");
    unavailable.Headers = {"Retry-After: 0"};
    site.RouteSequence("/recovers", {unavailable, Page("Back again")});
    TRoute noHead = Page("GET works");
    noHead.RefuseHead = true;
    site.Route("/no-head", noHead);
    site.Route("/parked", Page("This domain may be for sale!"));
    site.Route("/homes",
               Page("Realtor.com\xC2\xAE | Homes for Sale, Apartments &amp; Houses for Rent"));
    site.Route("/says-404", Page("Page not found \xE2\x80\x93 Example"));
    site.Route(
        "/parked-ads",
        Page("example.com", R"(<script src="//www.google.com/adsense/domains/caf.js"></script>)"));
    site.Route("/pdf", {200, "application/pdf", "%PDF-1.4"});

    struct TCase
    {
        QString Url;
        TLinkStatus Status;
        int Http;
        QString Final; // expected FinalUrl; "" for none
        QString Title;
    };
    const QString o = QString::fromLatin1(site.Origin());
    const TCase cases[] = {
        {o + u"/ok"_s, TLinkStatus::Ok, 200, {}, u"Plain page"_s},
        {o + u"/temp"_s, TLinkStatus::Ok, 200, o + u"/ok"_s, u"Plain page"_s},
        {o + u"/old#part"_s, TLinkStatus::Moved, 200, o + u"/new#part"_s, u"New home"_s},
        {o + u"/mixed"_s, TLinkStatus::Ok, 200, o + u"/ok"_s, u"Plain page"_s},
        {o + u"/to-root"_s, TLinkStatus::SoftGone, 200, o + u"/"_s, {}},
        {o + u"/to-login"_s, TLinkStatus::Ok, 200, o + u"/login?next=/to-login"_s, {}},
        {o + u"/missing"_s, TLinkStatus::Gone, 404, {}, {}},
        {o + u"/gone"_s, TLinkStatus::Gone, 410, {}, {}},
        {o + u"/broken"_s, TLinkStatus::ServerError, 500, {}, {}},
        {o + u"/loop-a"_s, TLinkStatus::ServerError, 302, {}, {}}, // ends on either of the two
        {o + u"/forbidden"_s, TLinkStatus::Blocked, 403, {}, {}},
        {o + u"/private"_s, TLinkStatus::Blocked, 401, {}, {}},
        {o + u"/busy"_s, TLinkStatus::Blocked, 429, {}, {}},
        {o + u"/recovers"_s, TLinkStatus::Ok, 200, {}, u"Back again"_s},
        {o + u"/no-head"_s, TLinkStatus::Ok, 200, {}, u"GET works"_s},
        {o + u"/parked"_s, TLinkStatus::Parked, 200, {}, {}},
        {o + u"/parked-ads"_s, TLinkStatus::Parked, 200, {}, {}},
        {o + u"/homes"_s,
         TLinkStatus::Ok,
         200,
         {},
         u"Realtor.com\u00ae | Homes for Sale, Apartments & Houses for Rent"_s},
        {o + u"/says-404"_s, TLinkStatus::SoftGone, 200, {}, {}},
        {o + u"/pdf"_s, TLinkStatus::Ok, 200, {}, {}},
        {QString::fromLatin1(silent.Origin()) + u"/"_s, TLinkStatus::Unreachable, 0, {}, {}},
        {u"http://127.0.0.1:%1/"_s.arg(ClosedPort()), TLinkStatus::Unreachable, 0, {}, {}},
        {u"http://no-such-host.invalid/"_s, TLinkStatus::Unreachable, 0, {}, {}},
        {u"ftp://127.0.0.1/file"_s, TLinkStatus::None, 0, {}, {}},
    };
    QStringList urls;
    for (const TCase& c : cases)
        urls << c.Url;
    TLinkChecker checker(FastOptions());
    checker.Start(urls);
    ASSERT_TRUE(WaitFinished(checker));
    EXPECT_EQ(checker.Total(), int(urls.size()) - 1); // ftp is not asked
    for (qsizetype i = 0; i < urls.size(); ++i) {
        const TCase& c = cases[i];
        SCOPED_TRACE(c.Url.toStdString());
        const TLinkResult& r = checker.Result(i);
        EXPECT_EQ(LinkStatusWord(r.Status), LinkStatusWord(c.Status));
        EXPECT_EQ(r.Http, c.Status == TLinkStatus::Moved ? 301 : c.Http);
        if (c.Status != TLinkStatus::ServerError || c.Http != 302) {
            EXPECT_EQ(r.FinalUrl, c.Final);
        }
        EXPECT_EQ(r.Title, c.Title);
        // Every verdict but ok says why.
        if (c.Status != TLinkStatus::None) {
            EXPECT_EQ(r.Detail.isEmpty(), c.Status == TLinkStatus::Ok) << r.Detail.toStdString();
        }
    }
    // Only GET is sent; error answers and failures were asked once more at the end.
    EXPECT_FALSE(site.Stats().Methods.contains("HEAD"));
    EXPECT_EQ(site.Count("/missing"), 2);
    EXPECT_EQ(site.Count("/ok"), 3);   // once itself, once after /temp, once after /mixed
    EXPECT_EQ(site.Count("/busy"), 6); // 2 waits in each of the two passes
    EXPECT_EQ(site.Count("/recovers"), 2);
    EXPECT_EQ(checker.StatusCounts()[size_t(TLinkStatus::Unreachable)], 3);
    EXPECT_EQ(site.Count("/says-404"), 1); // what a page says is not asked again
}

TEST(LinkCheck, TitlesInTheirCharsetsWithReferencesDecoded)
{
    TTestHttpServer site;
    site.Route("/utf8", Page("Caf\xC3\xA9 \xE2\x80\x94 menu"));
    site.Route("/latin1", Page("Caf\xE9 au lait", {}, "text/html; charset=ISO-8859-1"));
    site.Route("/sjis",
               Page("\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x79\x81\x5b\x83\x57",
                    R"(<meta http-equiv="Content-Type" content="text/html; charset=Shift_JIS">)"));
    site.Route("/meta5", Page("\x93\xfa\x96\x7b", R"(<meta charset="shift_jis">)"));
    site.Route("/refs", Page("  Tom &amp; Jerry&#x27;s\n\t &eacute;t&#233;  &lt;3 "));
    site.Route("/bom", {200, "text/html", "\xEF\xBB\xBF<title>\xE2\x9C\x93 done</title>"});
    const QByteArray o = site.Origin();
    const std::pair<QByteArray, QString> cases[] = {
        {"/utf8", u"Café — menu"_s},          {"/latin1", u"Café au lait"_s},
        {"/sjis", u"日本語のページ"_s},       {"/meta5", u"日本"_s},
        {"/refs", u"Tom & Jerry's été <3"_s}, {"/bom", u"✓ done"_s},
    };
    QStringList urls;
    for (const auto& c : cases)
        urls << QString::fromLatin1(o + c.first);
    TLinkChecker checker(FastOptions());
    checker.Start(urls);
    ASSERT_TRUE(WaitFinished(checker));
    for (qsizetype i = 0; i < urls.size(); ++i) {
        SCOPED_TRACE(cases[i].first.toStdString());
        EXPECT_EQ(checker.Result(i).Status, TLinkStatus::Ok);
        EXPECT_EQ(checker.Result(i).Title, cases[i].second);
    }
}

TEST(LinkCheck, HugePageIsNotReadToItsEnd)
{
    TTestHttpServer site;
    TRoute big(200, "text/html", "<html><head><title>Big one</title><script>var x='");
    big.MadeBytes = 50LL * 1024 * 1024; // the head never ends
    site.Route("/big", big);
    TRoute bigError(404, "text/html", "<title>Not here</title>");
    bigError.MadeBytes = 50LL * 1024 * 1024;
    site.Route("/big-404", bigError);
    TLinkCheckOptions options = FastOptions();
    options.RetryFailures = false;
    TLinkChecker checker(options);
    QElapsedTimer t;
    t.start();
    checker.Start({QString::fromLatin1(site.Origin() + "/big"),
                   QString::fromLatin1(site.Origin() + "/big-404")});
    ASSERT_TRUE(WaitFinished(checker));
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_EQ(checker.Result(0).Status, TLinkStatus::Ok);
    EXPECT_EQ(checker.Result(0).Title, u"Big one"_s);
    EXPECT_EQ(checker.Result(1).Status, TLinkStatus::Gone);
    // What the server put in the sockets of both before the client hung up (loopback
    // buffers take megabytes at once): far from either page's end.
    EXPECT_LT(site.Stats().BytesSent, 50LL * 1024 * 1024);
}

TEST(LinkCheck, NoHostSeesMoreThanTwoRequestsAtOnce)
{
    auto all = std::make_shared<TServerStats>();
    std::vector<std::unique_ptr<TTestHttpServer>> hosts;
    QStringList urls;
    for (int h = 1; h <= 5; ++h) {
        hosts.push_back(std::make_unique<TTestHttpServer>(std::make_shared<TServerStats>(),
                                                          QHostAddress(u"127.0.0.%1"_s.arg(h))));
        hosts.back()->DelayMs = 60;
        hosts.back()->Fallback = Page("p");
        for (int k = 0; k < 12; ++k)
            urls << QString::fromLatin1(hosts.back()->Origin()) + u"/p%1"_s.arg(k);
    }
    TLinkChecker checker(FastOptions());
    QSet<QString> hostsSeen;
    QObject::connect(&checker, &TLinkChecker::Progress,
                     [&](int, int, const QString& Host) { hostsSeen.insert(Host); });
    QElapsedTimer t;
    t.start();
    checker.Start(urls);
    ASSERT_TRUE(WaitFinished(checker));
    for (const auto& h : hosts) {
        EXPECT_EQ(h->Stats().Requests, 12);
        EXPECT_EQ(h->Stats().MaxOpen, 2) << h->Origin().toStdString();
    }
    // 12 requests two at a time, 60 ms each: about 0.4 s when hosts go side by side.
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_GE(hostsSeen.size(), 5);
    EXPECT_EQ(checker.StatusCounts()[size_t(TLinkStatus::Ok)], 60);
}

TEST(LinkCheck, CancelKeepsTheResultsSoFar)
{
    TTestHttpServer fast;
    fast.Fallback = Page("fast");
    TTestHttpServer slow;
    slow.Fallback.Hang = true;
    TLinkChecker checker(FastOptions());
    int checkedAfterCancel = 0;
    bool cancelled = false;
    QObject::connect(&checker, &TLinkChecker::Checked, [&] { checkedAfterCancel += cancelled; });
    checker.Start({QString::fromLatin1(fast.Origin() + "/a"),
                   QString::fromLatin1(slow.Origin() + "/"),
                   QString::fromLatin1(fast.Origin() + "/b")});
    QElapsedTimer t;
    t.start();
    while (checker.DoneCount() < 2 && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(checker.DoneCount(), 2);
    checker.Cancel();
    cancelled = true;
    EXPECT_FALSE(checker.IsRunning());
    EXPECT_TRUE(checker.WasCancelled());
    QEventLoop loop;
    QTimer::singleShot(1800, &loop, &QEventLoop::quit); // past the time-out
    loop.exec();
    EXPECT_EQ(checkedAfterCancel, 0);
    EXPECT_EQ(checker.Result(0).Status, TLinkStatus::Ok);
    EXPECT_EQ(checker.Result(1).Status, TLinkStatus::None);
    EXPECT_EQ(checker.Result(2).Status, TLinkStatus::Ok);
}

TEST(LinkCheck, ResultsAreKeptAndOnlyMissingTitlesFilled)
{
    TTestHttpServer site;
    site.Route("/a", Page("Page A"));
    site.Route("/b", Page("Page B"));
    site.Route("/c", Page("Page C"));
    site.Route("/d", {404, "text/html", "<title>Not Found</title>"});
    site.Route("/e", Page("This domain is for sale"));
    const QString o = QString::fromLatin1(site.Origin());
    TWebSiteList list;
    const QString titles[] = {{}, o + u"/b"_s, u"My own name"_s, {}, {}, {}};
    const QString paths[] = {u"/a"_s, u"/b"_s, u"/c"_s, u"/d"_s, u"/e"_s, u"/f"_s};
    for (int i = 0; i < 6; ++i) {
        TWebSite s;
        s.URL = o + paths[i];
        s.Title = titles[i];
        list.Append(std::move(s));
    }
    const std::vector<qsizetype> asked = {0, 1, 2, 3, 4}; // not /f
    TLinkCheckOptions options = FastOptions();
    options.RetryFailures = false;
    TLinkChecker checker(options);
    checker.Start(LinkCheckUrlsOf(list, asked));
    ASSERT_TRUE(WaitFinished(checker));
    const TDateTime when = TDateTime::FromMilliseconds(UnixEpochMSecs + 1'700'000'000'000LL);
    const std::vector<qsizetype> titled = LinkCheckApply(list, asked, checker, when);
    EXPECT_EQ(titled, (std::vector<qsizetype>{0, 1}));
    EXPECT_EQ(list[0].Title.toString(), u"Page A"_s);
    EXPECT_EQ(list[1].Title.toString(), u"Page B"_s);
    EXPECT_EQ(list[2].Title.toString(), u"My own name"_s);
    EXPECT_TRUE(list[3].Title.isEmpty()); // an error page's title is not taken
    EXPECT_TRUE(list[4].Title.isEmpty()); // nor a parking page's
    const TLinkStatus want[] = {TLinkStatus::Ok,   TLinkStatus::Ok,     TLinkStatus::Ok,
                                TLinkStatus::Gone, TLinkStatus::Parked, TLinkStatus::None};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(list[i].Extras->LinkStatus, want[i]) << i;
        EXPECT_EQ(list[i].Extras->LinkChecked == when, i < 5) << i;
    }
    EXPECT_EQ(list[3].Extras->LinkHttp, 404);
    EXPECT_TRUE(list[5].Extras.IsEmpty());
}

// Asked for icons too, the check takes them from the pages it reads: no page is
// asked twice, a host whose pages all fail gets /favicon.ico asked, a host that
// never answered, a parked one and a host whose icon nobody wants are not asked
// for one.
TEST(LinkCheck, IconsComeFromThePagesTheCheckReads)
{
    TTestHttpServer named;
    named.Route("/a", Page("A", R"(<link rel="icon" href="/i.png">)"));
    named.Route("/b", Page("B", R"(<link rel="icon" href="/i.png">)"));
    named.Route("/i.png", {200, "image/png", PngBytes(41)});
    TTestHttpServer failing; // every page gone, an icon at the usual place
    failing.Route("/favicon.ico", {200, "image/png", PngBytes(42)});
    TTestHttpServer unwanted;
    unwanted.Route("/p", Page("P", R"(<link rel="icon" href="/i.png">)"));
    unwanted.Route("/i.png", {200, "image/png", PngBytes(43)});
    const QString closed = u"http://127.0.0.1:%1/"_s.arg(ClosedPort());
    TTestHttpServer parked; // its icon would be the parking service's
    parked.Route("/", Page("This domain is for sale", R"(<link rel="icon" href="/i.png">)"));
    parked.Route("/i.png", {200, "image/png", PngBytes(44)});

    const QStringList urls = {QString::fromLatin1(named.Origin() + "/a"),
                              QString::fromLatin1(named.Origin() + "/b"),
                              QString::fromLatin1(failing.Origin() + "/x"),
                              QString::fromLatin1(failing.Origin() + "/y"),
                              closed,
                              QString::fromLatin1(unwanted.Origin() + "/p"),
                              QString::fromLatin1(parked.Origin() + "/")};
    TLinkChecker checker(FastOptions());
    checker.Start(urls, {true, false, true, true, true, false, true});
    ASSERT_TRUE(WaitFinished(checker));
    EXPECT_EQ(checker.Result(0).Status, TLinkStatus::Ok);
    EXPECT_EQ(checker.Result(2).Status, TLinkStatus::Gone);

    // The host's first page that answered names the icon; /b (not asked for an
    // icon itself, but of the same host) is read once, for the check.
    const QList<QByteArray> namedPaths = named.Stats().Paths;
    EXPECT_EQ(namedPaths.count("/a"), 1);
    EXPECT_EQ(namedPaths.count("/b"), 1);
    EXPECT_EQ(namedPaths.count("/favicon.ico"), 0);
    EXPECT_EQ(namedPaths.count("/i.png"), 1); // once for the host
    // Every gone page asked twice (the retry), /favicon.ico once, no page for icons.
    EXPECT_EQ(failing.Count("/x"), 2);
    EXPECT_EQ(failing.Count("/y"), 2);
    EXPECT_EQ(failing.Count("/favicon.ico"), 1);
    EXPECT_EQ(failing.Stats().Requests, 5);
    EXPECT_EQ(unwanted.Stats().Paths, QList<QByteArray>{"/p"});
    EXPECT_EQ(checker.Result(6).Status, TLinkStatus::Parked);
    EXPECT_EQ(parked.Stats().Paths, QList<QByteArray>{"/"});

    const TIconFetcher& icons = checker.Icons();
    EXPECT_EQ(icons.HostCount(), 2);
    EXPECT_EQ(icons.FoundCount(), 2);
    EXPECT_EQ(WebSiteIcons().Bytes(icons.IconFor(urls[1])), PngBytes(41));
    EXPECT_EQ(WebSiteIcons().Bytes(icons.IconFor(urls[3])), PngBytes(42));
    EXPECT_EQ(icons.IconFor(urls[4]), 0u);
    EXPECT_EQ(icons.IconFor(urls[5]), 0u);
}

// Cancel in the middle of the icon search: the check ends at once and nothing
// comes in afterwards.
TEST(LinkCheck, CancelStopsTheIconSearchToo)
{
    TTestHttpServer site;
    site.Route("/", Page("A", R"(<link rel="icon" href="/slow.png">)"));
    TRoute slow{200, "image/png", PngBytes(44)};
    slow.Hang = true;
    site.Route("/slow.png", slow);
    TLinkChecker checker(FastOptions());
    int finished = 0;
    QObject::connect(&checker, &TLinkChecker::Finished, [&] { ++finished; });
    checker.Start({QString::fromLatin1(site.Origin() + "/")}, {true});
    QElapsedTimer t;
    t.start();
    while (site.Count("/slow.png") == 0 && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(site.Count("/slow.png"), 1);
    EXPECT_TRUE(checker.IsRunning()); // the check waits for the icon
    checker.Cancel();
    EXPECT_FALSE(checker.IsRunning());
    QEventLoop loop;
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(checker.Result(0).Status, TLinkStatus::Ok);
    EXPECT_EQ(checker.Icons().FoundCount(), 0);
}

// The progress counts each address once it has its first answer, so that it does
// not stall on failures waiting to be asked again; the second asking is counted
// on its own.
TEST(LinkCheck, ProgressCountsFirstAnswersAndTheSecondAskingApart)
{
    TTestHttpServer site;
    site.Route("/ok", Page("ok"));
    TLinkChecker checker(FastOptions());
    QList<int> answered;
    int retryTotalAtEnd = -1;
    QObject::connect(&checker, &TLinkChecker::Progress,
                     [&](int Answered, int Total, const QString&) {
                         EXPECT_EQ(Total, 3);
                         answered << Answered;
                     });
    QObject::connect(&checker, &TLinkChecker::Finished,
                     [&] { retryTotalAtEnd = checker.RetryTotal(); });
    checker.Start({QString::fromLatin1(site.Origin() + "/ok"),
                   QString::fromLatin1(site.Origin() + "/gone1"),
                   QString::fromLatin1(site.Origin() + "/gone2")});
    ASSERT_TRUE(WaitFinished(checker));
    ASSERT_FALSE(answered.isEmpty());
    EXPECT_TRUE(std::is_sorted(answered.cbegin(), answered.cend()));
    EXPECT_EQ(answered.count(3), 1 + 2); // the first pass's end, then each second answer
    EXPECT_EQ(retryTotalAtEnd, 2);
    EXPECT_EQ(checker.RetryDone(), 2);
    EXPECT_EQ(checker.DoneCount(), 3);
}

// Archived copies come from the availability service named, asked with the page's
// address and the bookmark's date; a service that names none, or fails, gives none.
TEST(LinkCheck, ArchivedCopiesFromAnAvailabilityService)
{
    TTestHttpServer archive;
    archive.Fallback = {200, "application/json", R"({"archived_snapshots": {}})"};
    const QByteArray found =
        R"({"archived_snapshots": {"closest": {"available": true, "status": "200",
            "url": "http://127.0.0.1/web/20100101000000/http://gone.example/a?b=1&c=2",
            "timestamp": "20100101000000"}}})";
    archive.Route("/available?url=http%3A%2F%2Fgone.example%2Fa%3Fb%3D1%26c%3D2"
                  "&timestamp=20100102030405",
                  {200, "application/json", found});
    archive.Route("/available?url=http%3A%2F%2Fbroken.example%2F", {500, "text/html", "oops"});
    TArchiveLookup lookup(QUrl(QString::fromLatin1(archive.Origin() + "/available")));
    const TDateTime when = TDateTime::FromDateTime(QDate(2010, 1, 2), QTime(3, 4, 5));
    lookup.Start({u"http://gone.example/a?b=1&c=2"_s, u"http://never.example/"_s,
                  u"http://broken.example/"_s},
                 {when, when});
    QEventLoop loop;
    QObject::connect(&lookup, &TArchiveLookup::Finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    if (lookup.IsRunning())
        loop.exec();
    ASSERT_FALSE(lookup.IsRunning());
    EXPECT_EQ(lookup.CopyOf(0),
              u"http://127.0.0.1/web/20100101000000/http://gone.example/a?b=1&c=2"_s);
    EXPECT_TRUE(lookup.CopyOf(1).isEmpty());
    EXPECT_TRUE(lookup.ErrorOf(1).isEmpty());
    EXPECT_TRUE(lookup.CopyOf(2).isEmpty());
    EXPECT_FALSE(lookup.ErrorOf(2).isEmpty());
    EXPECT_EQ(archive.Stats().Requests, 3);

    // What an answer may name: only a web address, and only when available.
    const QByteArray unavailable =
        "{\"archived_snapshots\": {\"closest\": {\"available\": false, \"url\": \"http://a/\"}}}";
    const QByteArray script = "{\"archived_snapshots\": {\"closest\": {\"available\": true, "
                              "\"url\": \"javascript:alert(1)\"}}}";
    EXPECT_TRUE(ArchiveCopyOfAnswer(unavailable).isEmpty());
    EXPECT_TRUE(ArchiveCopyOfAnswer(script).isEmpty());
    EXPECT_TRUE(ArchiveCopyOfAnswer("not json").isEmpty());
}
