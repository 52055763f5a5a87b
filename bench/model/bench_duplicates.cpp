// Finding near-duplicate bookmarks: the URL key alone (shortcut and QUrl way) and
// grouping whole lists up to a million entries.
// Run by hand (not part of ctest): bench_duplicates [--benchmark_filter=...]

#include <model/uUrlKey.h>
#include <model/uWebSiteDuplicates.h>

#include <benchmark/benchmark.h>

#include <map>
#include <random>

namespace {

// URLs shaped like real bookmarks: a few thousand hosts, paths of one to three
// segments, a third with a query, 10 % a second spelling of an earlier URL
// (https, "www.", a trailing "/", a tracking parameter, "%7E"), 3 % with
// non-ASCII paths and IDN hosts as browsers keep them (these take the QUrl way).
std::vector<QString> MakeURLs(int count)
{
    std::mt19937_64 rng(20261210);
    const auto below = [&rng](std::uint64_t n) { return rng() % n; };
    const char* const tlds[] = {".com", ".org", ".net", ".co.jp", ".de", ".io"};
    const char* const words[] = {"news", "guide", "review", "linux", "travel", "kernel"};
    std::vector<QString> urls;
    urls.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        if (i > 0 && below(10) == 0) {
            QString url = urls[size_t(below(urls.size()))];
            switch (below(5)) {
            case 0:
                url.replace(QStringLiteral("http://"), QStringLiteral("https://"));
                break;
            case 1:
                url.replace(QStringLiteral("://"), QStringLiteral("://www."));
                break;
            case 2:
                url += url.contains(u'?') ? u'&' : u'?';
                url += QStringLiteral("utm_source=rss");
                break;
            case 3:
                url.replace(u'~', QStringLiteral("%7E"));
                break;
            default:
                if (!url.contains(u'?'))
                    url += u'/';
                break;
            }
            urls.push_back(url);
            continue;
        }
        QString url = below(4) ? QStringLiteral("https://") : QStringLiteral("http://");
        if (below(100) < 3)
            url += QStringLiteral("bücher") + QString::number(below(100));
        else
            url += QLatin1StringView(words[below(6)]) + QString::number(below(5000));
        url += QLatin1StringView(tlds[below(6)]);
        const int segments = 1 + int(below(3));
        for (int s = 0; s < segments; ++s) {
            url += u'/';
            if (below(20) == 0)
                url += u'~';
            url += QLatin1StringView(words[below(6)]) + QString::number(below(100000));
        }
        if (below(100) < 3)
            url += QStringLiteral("/café");
        if (below(3) == 0)
            url += QStringLiteral("?id=") + QString::number(i) + QStringLiteral("&lang=en");
        urls.push_back(url);
    }
    return urls;
}

const TWebSiteList& List(int count)
{
    static std::map<int, TWebSiteList> cache;
    auto it = cache.find(count);
    if (it == cache.end()) {
        TWebSiteList list;
        for (QString& url : MakeURLs(count)) {
            TWebSite site;
            site.URL = std::move(url);
            list.Append(std::move(site));
        }
        it = cache.emplace(count, std::move(list)).first;
    }
    return it->second;
}

void BM_FindDuplicates(benchmark::State& state)
{
    const TWebSiteList& list = List(int(state.range(0)));
    size_t groups = 0;
    for (auto _ : state) {
        groups = WebSitesFindDuplicates(list).size();
        benchmark::DoNotOptimize(groups);
    }
    state.counters["groups"] = double(groups);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FindDuplicates)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

template <QString (*Key)(const QString&)>
void BM_URLKey(benchmark::State& state)
{
    const TWebSiteList& list = List(100'000);
    for (auto _ : state) {
        for (const TWebSite& site : list)
            benchmark::DoNotOptimize(Key(site.URL));
    }
    state.SetItemsProcessed(state.iterations() * list.Count());
}
BENCHMARK_TEMPLATE(BM_URLKey, URLDuplicateKey)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_URLKey, URLDuplicateKeyByQUrl)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
