// The shared HTTP client against loopback servers: waits asked by 429 and 503
// answers, the bound on them, and redirects counted against the host they lead to.

#include <net/uHttpClient.h>

#include <QtNetwork/qtnetworkglobal.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#if QT_CONFIG(ssl)
#include <QSslError>
#endif

#include <gtest/gtest.h>

#include "TestHttpServer.h"

using namespace Qt::StringLiterals;

namespace {

// Runs the event loop until Count results came or Ms pass.
void SpinUntilDone(const std::vector<THttpResult>& Results, size_t Count, int Ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (Results.size() < Count && t.elapsed() < Ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

TEST(HttpClient, RetryAfterIsWaitedForWithinItsBound)
{
    TTestHttpServer site;
    TRoute oneSecond(503, "text/plain", "busy");
    oneSecond.Headers = {"Retry-After: 1"};
    site.RouteSequence("/soon", {oneSecond, {200, "text/html", "<title>ok</title>"}});
    TRoute anHour(429, "text/plain", "busy");
    anHour.Headers = {"Retry-After: 3600"};
    site.Route("/later", anHour);

    THttpClientOptions options;
    options.MaxRetryAfterMs = 5000;
    THttpClient client(options);
    std::vector<THttpResult> results;
    QElapsedTimer t;
    t.start();
    qint64 soonAt = 0;
    client.Get({QUrl(QString::fromLatin1(site.Origin() + "/soon"))}, [&](const THttpResult& r) {
        soonAt = t.elapsed();
        results.push_back(r);
    });
    client.Get({QUrl(QString::fromLatin1(site.Origin() + "/later"))},
               [&](const THttpResult& r) { results.push_back(r); });
    SpinUntilDone(results, 2);
    ASSERT_EQ(results.size(), 2u);
    // The hour is not waited for: the answer comes back as it is, at once.
    EXPECT_EQ(results[0].Status, 429);
    EXPECT_EQ(results[0].BusyWaits, 0);
    EXPECT_EQ(site.Count("/later"), 1);
    EXPECT_EQ(results[1].Status, 200);
    EXPECT_EQ(results[1].BusyWaits, 1);
    EXPECT_EQ(site.Count("/soon"), 2);
    EXPECT_GE(soonAt, 950);
    EXPECT_LT(soonAt, 4000);
}

TEST(HttpClient, RedirectsAreRecordedAndCountAgainstTheHostTheyLeadTo)
{
    auto statsB = std::make_shared<TServerStats>();
    TTestHttpServer a;
    TTestHttpServer b(statsB, QHostAddress(u"127.0.0.2"_s));
    b.DelayMs = 80;
    b.Fallback = {200, "text/html", "<title>b</title>"};
    for (int k = 0; k < 6; ++k)
        a.Route("/r" + QByteArray::number(k),
                {301, "text/html", "", b.Origin() + "/t" + QByteArray::number(k)});
    THttpClient client;
    std::vector<THttpResult> results;
    for (int k = 0; k < 6; ++k)
        client.Get({QUrl(QString::fromLatin1(a.Origin() + "/r" + QByteArray::number(k)))},
                   [&](const THttpResult& r) { results.push_back(r); });
    SpinUntilDone(results, 6);
    ASSERT_EQ(results.size(), 6u);
    EXPECT_EQ(statsB->MaxOpen, 2);
    for (const THttpResult& r : results) {
        ASSERT_EQ(r.Hops.size(), 1);
        EXPECT_EQ(r.Hops[0].Status, 301);
        EXPECT_EQ(r.Hops[0].Url.host(), u"127.0.0.1"_s);
        EXPECT_EQ(r.FinalUrl.host(), u"127.0.0.2"_s);
        EXPECT_EQ(r.Status, 200);
        EXPECT_EQ(r.Body, "<title>b</title>");
    }
}

TEST(HttpClient, TooManyRedirectsStop)
{
    TTestHttpServer site;
    for (int k = 0; k < 20; ++k)
        site.Route("/" + QByteArray::number(k),
                   {302, "text/html", "", "/" + QByteArray::number(k + 1)});
    THttpClient client;
    std::vector<THttpResult> results;
    client.Get({QUrl(QString::fromLatin1(site.Origin() + "/0"))},
               [&](const THttpResult& r) { results.push_back(r); });
    client.Get({QUrl(u"mailto:someone@example.org"_s)},
               [&](const THttpResult& r) { results.push_back(r); });
    SpinUntilDone(results, 2);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].Error, THttpError::Other); // not asked at all
    EXPECT_EQ(results[1].Error, THttpError::TooManyRedirects);
    EXPECT_EQ(site.Stats().Requests, 11); // the first and ten redirects
}

TEST(HttpClient, OneTimeLimitForTheWholeRequestRedirectsIncluded)
{
    TTestHttpServer site;
    for (int k = 0; k < 10; ++k) {
        TRoute hop(302, "text/html", "", "/" + QByteArray::number(k + 1));
        hop.DelayMs = 300;
        site.Route("/" + QByteArray::number(k), hop);
    }
    THttpClientOptions options;
    options.TimeoutMs = 1000;
    THttpClient client(options);
    std::vector<THttpResult> results;
    QElapsedTimer t;
    t.start();
    client.Get({QUrl(QString::fromLatin1(site.Origin() + "/0"))},
               [&](const THttpResult& r) { results.push_back(r); });
    SpinUntilDone(results, 1);
    ASSERT_EQ(results.size(), 1u);
    // Each hop is well within the limit; the chain is not.
    EXPECT_EQ(results[0].Error, THttpError::Timeout);
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_LE(results[0].Hops.size(), 4);
}

TEST(HttpClient, BusyHostCostsItsBudgetOfWaitsThenIsGivenUp)
{
    struct TCase
    {
        const char* Name;
        QByteArray RetryAfter;
        int BusyWaitsAtMost; // of any one request
    };
    const TCase cases[] = {
        {"a second each time", "Retry-After: 1", 2},
        // Too large to wait for, and too large to multiply into milliseconds.
        {"beyond any bound", "Retry-After: 99999999999999999999", 0},
        {"beyond 64 bits", "Retry-After: 9223372036854775807", 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTestHttpServer site;
        TRoute busy(429, "text/plain", "slow down");
        busy.Headers = {c.RetryAfter};
        site.Fallback = busy;
        THttpClientOptions options;
        options.MaxHostBusyMs = 1500;
        THttpClient client(options);
        std::vector<THttpResult> results;
        QElapsedTimer t;
        t.start();
        const int n = 20;
        for (int k = 0; k < n; ++k)
            client.Get({QUrl(QString::fromLatin1(site.Origin() + "/" + QByteArray::number(k)))},
                       [&](const THttpResult& r) { results.push_back(r); });
        SpinUntilDone(results, n, 20000);
        ASSERT_EQ(results.size(), size_t(n));
        EXPECT_LT(t.elapsed(), 5000);
        int givenUp = 0;
        for (const THttpResult& r : results) {
            EXPECT_LE(r.BusyWaits, c.BusyWaitsAtMost);
            if (r.Error == THttpError::HostBusy) {
                ++givenUp;
                EXPECT_FALSE(r.ErrorText.isEmpty());
            } else {
                EXPECT_EQ(r.Status, 429);
            }
        }
        if (c.BusyWaitsAtMost > 0) {
            // The host was left alone once its budget was spent.
            EXPECT_GT(givenUp, 0);
            EXPECT_LT(site.Stats().Requests, 3 * n);
        }
    }
}

TEST(HttpClient, SilentHostIsNotWaitedForByEachOfItsRequests)
{
    TTestHttpServer silent;
    silent.Fallback.Hang = true;
    THttpClientOptions options;
    options.TimeoutMs = 600;
    THttpClient client(options);
    std::vector<THttpResult> results;
    QElapsedTimer t;
    t.start();
    const int n = 8;
    for (int k = 0; k < n; ++k)
        client.Get({QUrl(QString::fromLatin1(silent.Origin() + "/" + QByteArray::number(k)))},
                   [&](const THttpResult& r) { results.push_back(r); });
    SpinUntilDone(results, n);
    ASSERT_EQ(results.size(), size_t(n));
    // The first two (the host's share at once) wait out the limit; the others end with them.
    EXPECT_LT(t.elapsed(), 1500);
    int timedOut = 0;
    for (const THttpResult& r : results) {
        EXPECT_TRUE(r.Error == THttpError::Timeout || r.Error == THttpError::HostSilent);
        timedOut += r.Error == THttpError::Timeout;
        EXPECT_FALSE(r.ErrorText.isEmpty());
    }
    EXPECT_EQ(timedOut, 2);
    // Asked again, the host gets one more chance.
    client.ForgetSilentHosts();
    results.clear();
    client.Get({QUrl(QString::fromLatin1(silent.Origin() + "/again"))},
               [&](const THttpResult& r) { results.push_back(r); });
    SpinUntilDone(results, 1);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].Error, THttpError::Timeout);
}

TEST(HttpClient, EndlessChunkedBodiesAreReadOnlyToTheLimit)
{
    auto stats = std::make_shared<TServerStats>();
    std::vector<std::unique_ptr<TTestHttpServer>> sites;
    TRoute endless(200, "text/html", "<html><head><title>");
    endless.Chunked = true;
    endless.MadeBytes = -1;
    const int n = 4;
    THttpClient client;
    std::vector<THttpResult> results;
    for (int k = 0; k < n; ++k) {
        sites.push_back(
            std::make_unique<TTestHttpServer>(stats, QHostAddress(u"127.0.0.%1"_s.arg(k + 10))));
        sites.back()->Route("/", endless);
        THttpRequest request{QUrl(QString::fromLatin1(sites.back()->Origin() + "/"))};
        request.MaxBytes = 256 * 1024;
        request.StopAtHeadEnd = true;
        client.Get(request, [&](const THttpResult& r) { results.push_back(r); });
    }
    SpinUntilDone(results, n);
    ASSERT_EQ(results.size(), size_t(n));
    for (const THttpResult& r : results) {
        EXPECT_EQ(r.Status, 200);
        EXPECT_TRUE(r.Truncated);
        EXPECT_EQ(r.Body.size(), 256 * 1024);
    }
    // What the network layer took beyond the limit is bounded by its buffers.
    EXPECT_LT(stats->BytesSent, qint64(n) * 16 * 1024 * 1024);
}

TEST(HttpClient, TlsReasonsInWords)
{
#if QT_CONFIG(ssl)
    struct TCase
    {
        QSslError::SslError Error;
        const char* Reason;
    };
    const TCase cases[] = {
        {QSslError::CertificateExpired, "certificate expired"},
        {QSslError::HostNameMismatch, "certificate for another name"},
        {QSslError::SelfSignedCertificate, "certificate not trusted"},
        {QSslError::UnableToGetLocalIssuerCertificate, "certificate not trusted"},
        {QSslError::CertificateNotYetValid, "certificate not valid yet"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(HttpTlsReason(int(c.Error)), QString::fromLatin1(c.Reason));
#else
    GTEST_SKIP() << "built without TLS";
#endif
}
