// Folder import of a shortcut tree (20,000 files in 100 sub-folders) and export.
// Run: bench_folder_scan [--benchmark_repetitions=N]. Reports files per second.

#include <model/uFolderImportExport.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int FolderCount = 100;
constexpr int FilesPerFolder = 200;
constexpr int FileCount = FolderCount * FilesPerFolder;

// The kinds of files a real tree holds: shell/browser shortcuts without our keys
// (their date comes from the file time), our own full ones, pinned websites.
QByteArray FileContent(int i)
{
    const QByteArray n = QByteArray::number(i);
    switch (i % 4) {
    case 0: // Windows shell, with the property-set section
        return "[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,2\r\n"
               "[InternetShortcut]\r\nIDList=\r\nURL=https://example.com/page/"
               + n + "?ref=bench\r\nIconFile=https://example.com/favicon.ico\r\nIconIndex=1\r\n";
    case 1: // Firefox drag
        return "[InternetShortcut]\r\nURL=https://news.example.org/article/" + n
               + "\r\nIDList=\r\nHotKey=0\r\nIconFile=\r\nIconIndex=0\r\n";
    case 2: // written by this program
        return "[InternetShortcut]\r\nTitle=Bookmark number " + n + " \xE9t\xE9\r\nURL=https://site"
               + n
               + ".example.net/\r\nIconFile=\r\n"
                 "AddDate=1700000000\r\nCategory=Work\\Dev\r\nComment=first line\\nsecond line\r\n";
    default: // pinned website
        return "[{000214A0-0000-0000-C000-000000000046}]\r\nProp4=31,Pinned " + n
               + "\r\nProp3=19,2\r\n[InternetShortcut]\r\nURL=https://pinned.example.com/" + n
               + "\r\nIconFile=https://pinned.example.com/favicon.ico\r\nIconIndex=1\r\n";
    }
}

struct TTree
{
    QTemporaryDir Dir;
    bool Ok = true;

    TTree()
    {
        Ok = Dir.isValid();
        for (int f = 0; Ok && f < FolderCount; ++f) {
            const QString folder = Dir.filePath(u"Links/Group %1/Sub %2"_s.arg(f / 10).arg(f % 10));
            Ok = QDir().mkpath(folder);
            for (int k = 0; Ok && k < FilesPerFolder; ++k) {
                const int i = f * FilesPerFolder + k;
                QFile file(folder + u"/Site %1"_s.arg(i)
                           + (i % 4 == 3 ? u".website"_s : u".url"_s));
                Ok = file.open(QIODevice::WriteOnly) && file.write(FileContent(i)) > 0;
            }
        }
    }
};

TTree& Tree()
{
    static TTree tree;
    return tree;
}

void BM_FolderScan(benchmark::State& state)
{
    TTree& tree = Tree();
    if (!tree.Ok) {
        state.SkipWithError("cannot create the fixture tree");
        return;
    }
    const QString root = tree.Dir.filePath(u"Links"_s);
    for (auto _ : state) {
        TWebSiteList list;
        WebSitesLoadFromPath(list, root);
        if (list.Stats.Files != FileCount) {
            state.SkipWithError("not every file was read");
            return;
        }
        benchmark::DoNotOptimize(list.Count());
    }
    state.counters["files/s"] =
        benchmark::Counter(double(FileCount), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_FolderScan)->Unit(benchmark::kMillisecond)->UseRealTime();

// Writing 2,000 entries as a new tree, then over the existing one (each file read
// back and updated in place). Every file is committed through QSaveFile, whose
// flush to disk dominates: the figure is mostly the disk's sync latency.
constexpr int ExportCount = 2000;

void BM_FolderExport(benchmark::State& state)
{
    TWebSiteList list;
    for (int i = 0; i < ExportCount; ++i) {
        TWebSite s;
        s.Title = u"Bookmark %1: part %2"_s.arg(i).arg(i % 7);
        s.URL = u"https://site%1.example.net/path?q=%1"_s.arg(i);
        s.Category = u"Group %1\\Sub %2"_s.arg(i / 200).arg((i / 20) % 10);
        s.Comment = u"line one\r\nline two"_s;
        s.AddDate = TDateTime::FromMilliseconds(UnixEpochDateTime.ToMilliseconds()
                                                + 1'700'000'000'000LL + i * 1000LL);
        s.Selected = true;
        s.Visible = true;
        list.Append(s);
    }
    QTemporaryDir dir;
    const bool overwrite = state.range(0) != 0;
    int run = 0;
    for (auto _ : state) {
        const QString target =
            overwrite ? dir.filePath(u"Out"_s) : dir.filePath(u"Out%1"_s.arg(run++));
        WebSitesSaveToFolder(list, target);
    }
    state.counters["files/s"] =
        benchmark::Counter(double(ExportCount), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_FolderExport)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace
