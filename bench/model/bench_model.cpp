// Benchmarks of the bookmark list: HTML import, keyword search and sorting.
// Run by hand (not part of ctest): bench_model [--benchmark_filter=...]

#include "ChromeExportGenerator.h"

#include <model/uBookmarkHtmlImport.h>

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>

namespace {

const QByteArray& Export(int count)
{
    static std::map<int, QByteArray> cache;
    auto it = cache.find(count);
    if (it == cache.end())
        it = cache.emplace(count, GenerateChromeExport(count)).first;
    return it->second;
}

void BM_ImportHtml(benchmark::State& state)
{
    const QByteArray& data = Export(int(state.range(0)));
    qsizetype entries = 0;
    for (auto _ : state) {
        auto list = std::make_unique<TWebSiteList>();
        WebSitesLoadFromHtmlData(*list, data);
        entries = list->Count();
        benchmark::DoNotOptimize(entries);
        // Freeing the list is not part of the import.
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
    state.counters["entries"] = double(entries);
    state.counters["MB"] = double(data.size()) / 1e6;
    state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(BM_ImportHtml)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// Reading the file from disk (page cache) included.
void BM_ImportHtmlFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bookmarks.html"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(Export(int(state.range(0)))) < 0) {
            state.SkipWithError("cannot write the temporary file");
            return;
        }
    }
    for (auto _ : state) {
        auto list = std::make_unique<TWebSiteList>();
        WebSitesLoadFromHtml(*list, path);
        benchmark::DoNotOptimize(list->Count());
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ImportHtmlFile)->Arg(100'000)->Unit(benchmark::kMillisecond);

const TWebSiteList& List100k()
{
    static const TWebSiteList list = [] {
        TWebSiteList l;
        WebSitesLoadFromHtmlData(l, Export(112'000));
        std::mt19937 rng(3);
        // Some comments and categories to search in, like a list in use.
        for (qsizetype i = 0; i < l.Count(); ++i)
            if (rng() % 4 == 0)
                l.EditKeepURL(i).Comment =
                    QStringLiteral("note %1 about the page").arg(rng() % 1000);
        while (l.Count() > 100'000)
            l.Items().pop_back();
        return l;
    }();
    return list;
}

void BM_Search(benchmark::State& state)
{
    TWebSiteList list = List100k();
    const QString text = state.range(0) == 0 ? QStringLiteral("news guide")
                                             : QStringLiteral("caf\u00e9 \u6771\u4eac");
    int visible = 0;
    for (auto _ : state) {
        WebSitesSearch(list, text);
        benchmark::ClobberMemory();
        visible = 0;
        for (const auto& s : list)
            visible += s.Visible;
    }
    state.counters["entries"] = double(list.Count());
    state.counters["matches"] = double(visible);
}
BENCHMARK(BM_Search)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Sort(benchmark::State& state)
{
    const TWebSiteList& base = List100k();
    std::mt19937 rng(5);
    for (auto _ : state) {
        state.PauseTiming();
        TWebSiteList list = base;
        std::shuffle(list.Items().begin(), list.Items().end(), rng);
        for (qsizetype i = 0; i < list.Count(); i += 3)
            list[i].Visible = false;
        state.ResumeTiming();
        WebSitesSort(list, int(state.range(0)));
        benchmark::DoNotOptimize(list.Count());
        state.PauseTiming();
        list = TWebSiteList();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Sort)->Arg(-4)->Arg(-3)->Arg(-2)->Arg(-1)->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Unit(
    benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
