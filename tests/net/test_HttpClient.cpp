// The shared HTTP client against loopback servers: waits asked by 429 and 503
// answers, the bound on them, and redirects counted against the host they lead to.

#include <net/uHttpClient.h>

#include <QCoreApplication>
#include <QElapsedTimer>

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
