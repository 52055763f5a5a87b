// The link check over many loopback hosts whose answers come after a random delay:
// wall time against the least time the limits allow (two requests at once per host,
// the global limit in all), and the memory the check takes. The servers run on a thread of
// their own, so that their work does not count against the checker's.
//
//   zorvel-link-check-probe [BOOKMARKS=2000] [HOSTS=50] [MIN_MS=20] [MAX_MS=200]

#include <net/uLinkCheck.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QThread>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

#include "TestHttpServer.h"

namespace {

long PeakRssKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int bookmarks = argc > 1 ? std::atoi(argv[1]) : 2000;
    // Hosts from 127.0.0.2 on, 250 to each third number (127.0.1.2 follows 127.0.0.251).
    const int hostCount = std::clamp(argc > 2 ? std::atoi(argv[2]) : 50, 1, 5000);
    const int minMs = argc > 3 ? std::atoi(argv[3]) : 20;
    const int maxMs = std::max(minMs, argc > 4 ? std::atoi(argv[4]) : 200);

    // Every bookmark its own path with its own delay; the same seed every run.
    QRandomGenerator random(29);
    std::vector<std::vector<int>> delays{size_t(hostCount)};
    for (int i = 0; i < bookmarks; ++i)
        delays[size_t(i % hostCount)].push_back(int(random.bounded(minMs, maxMs + 1)));

    QThread serverThread;
    serverThread.start();
    QObject home;
    home.moveToThread(&serverThread);
    std::vector<std::unique_ptr<TTestHttpServer>> servers;
    QStringList urls;
    QMetaObject::invokeMethod(
        &home,
        [&] {
            for (int h = 0; h < hostCount; ++h) {
                auto s = std::make_unique<TTestHttpServer>(
                    std::make_shared<TServerStats>(),
                    QHostAddress(QStringLiteral("127.0.%1.%2").arg(h / 250).arg(h % 250 + 2)));
                for (size_t k = 0; k < delays[size_t(h)].size(); ++k) {
                    const QByteArray path = "/page/" + QByteArray::number(qulonglong(k));
                    TRoute r(200, "text/html; charset=utf-8",
                             "<!DOCTYPE html><html><head><title>Page "
                                 + QByteArray::number(qulonglong(k)) + "</title></head><body>"
                                 + QByteArray(2000, 'x') + "</body></html>");
                    r.DelayMs = delays[size_t(h)][k];
                    s->Route(path, r);
                }
                for (size_t k = 0; k < delays[size_t(h)].size(); ++k)
                    urls << QString::fromLatin1(s->Origin() + "/page/"
                                                + QByteArray::number(qulonglong(k)));
                servers.push_back(std::move(s));
            }
        },
        Qt::BlockingQueuedConnection);

    // The least time: each host's requests two at a time, all of them at the global limit.
    TLinkCheckOptions options;
    double hostBound = 0, total = 0;
    for (const auto& d : delays) {
        double sum = 0;
        for (int ms : d)
            sum += ms;
        total += sum;
        hostBound = std::max(hostBound, sum / options.Http.MaxPerHost);
    }
    const double globalBound = total / options.Http.MaxParallel;
    const double bound = std::max(hostBound, globalBound);

    const long rssBefore = PeakRssKb();
    TLinkChecker checker(options);
    QElapsedTimer t;
    t.start();
    QEventLoop loop;
    QObject::connect(&checker, &TLinkChecker::Finished, &loop, &QEventLoop::quit);
    checker.Start(urls);
    if (checker.IsRunning())
        loop.exec();
    const qint64 wall = t.elapsed();
    const std::vector<int> counts = checker.StatusCounts();

    int maxOpen = 0;
    QMetaObject::invokeMethod(
        &home,
        [&] {
            for (const auto& s : servers)
                maxOpen = std::max(maxOpen, s->Stats().MaxOpen);
            servers.clear();
        },
        Qt::BlockingQueuedConnection);
    serverThread.quit();
    serverThread.wait();

    std::printf("bookmarks %d over %d hosts, latency %d-%d ms\n", bookmarks, hostCount, minMs,
                maxMs);
    std::printf("wall %.2f s; bound %.2f s (per host %.2f s, global %.2f s); ratio %.2f\n",
                wall / 1000.0, bound / 1000.0, hostBound / 1000.0, globalBound / 1000.0,
                wall / bound);
    std::printf("ok %d of %d; most requests open at one host: %d\n",
                counts[size_t(TLinkStatus::Ok)], checker.Total(), maxOpen);
    std::printf("peak RSS %ld KB before the check, %ld KB after (+%ld KB)\n", rssBefore,
                PeakRssKb(), PeakRssKb() - rssBefore);
    return 0;
}
