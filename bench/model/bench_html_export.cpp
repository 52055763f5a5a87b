// Bookmark HTML export of 10,000 and 100,000 entries in about 2,000 nested folders
// (some with case-variant names), as bytes and as a file; and the shapes that
// must stay linear: N sibling folders, a chain of N nested folders.

#include <model/uBookmarkHtml.h>

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

TWebSiteList MakeList(int count)
{
    QRandomGenerator rng(20240611);
    TWebSiteList list;
    for (int i = 0; i < count; ++i) {
        TWebSite s;
        const int folder = int(rng.bounded(2000));
        s.Title = u"Article %1 \u2013 News & <Updates> about \"topic\" %2"_s.arg(i).arg(folder);
        s.URL = u"https://www.example%1.com/section/%2/page.html?id=%3&ref=bm"_s.arg(i % 997)
                    .arg(folder)
                    .arg(i);
        if (rng.bounded(5) == 0)
            s.IconURL = u"https://www.example%1.com/favicon.ico"_s.arg(i % 997);
        if (rng.bounded(10) == 0)
            s.Comment = u"First line of a note\r\nsecond line"_s;
        if (folder != 0)
            s.Category = u"%1Group %2\\Topic %3\\Sub %4"_s.arg(folder % 7 == 0 ? u"x"_s : u"X"_s)
                             .arg(folder / 100)
                             .arg(folder / 10 % 10)
                             .arg(folder % 10);
        s.AddDate = TDateTime::FromMilliseconds(UnixEpochDateTime.ToMilliseconds()
                                                + 1'600'000'000'000LL + i * 1000LL);
        list.Append(s);
    }
    return list;
}

void BM_HtmlExportData(benchmark::State& state)
{
    const TWebSiteList list = MakeList(int(state.range(0)));
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray data = WebSitesToHtmlData(list);
        bytes = data.size();
        benchmark::DoNotOptimize(data.constData());
    }
    state.counters["MB"] = double(bytes) / 1e6;
}
BENCHMARK(BM_HtmlExportData)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

void BM_HtmlExportFile(benchmark::State& state)
{
    const TWebSiteList list = MakeList(int(state.range(0)));
    QTemporaryDir dir;
    const QString path = dir.filePath(u"bookmarks.html"_s);
    for (auto _ : state)
        WebSitesSaveToHtml(list, path);
}
BENCHMARK(BM_HtmlExportFile)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime();

// One entry in each of N folders side by side.
void BM_HtmlExportSiblingFolders(benchmark::State& state)
{
    TWebSiteList list;
    for (int i = 0; i < int(state.range(0)); ++i) {
        TWebSite s;
        s.Title = u"Page %1"_s.arg(i);
        s.URL = u"https://example.com/%1"_s.arg(i);
        s.Category = u"Folder %1"_s.arg(i);
        list.Append(s);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(WebSitesToHtmlData(list).size());
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_HtmlExportSiblingFolders)
    ->Arg(10'000)
    ->Arg(20'000)
    ->Arg(40'000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// A chain of N nested folders with one entry at the bottom.
void BM_HtmlExportNestedFolders(benchmark::State& state)
{
    QString category;
    for (int i = 0; i < int(state.range(0)); ++i)
        category += (i ? u"\\F"_s : u"F"_s) + QString::number(i);
    TWebSiteList list;
    TWebSite s;
    s.Title = u"Bottom"_s;
    s.URL = u"https://example.com/0"_s;
    s.Category = category;
    list.Append(s);
    qsizetype bytes = 0;
    for (auto _ : state)
        bytes = WebSitesToHtmlData(list).size();
    state.counters["MB"] = double(bytes) / 1e6;
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_HtmlExportNestedFolders)
    ->Arg(10'000)
    ->Arg(20'000)
    ->Arg(40'000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

} // namespace
