// zorvel-import-probe FILE [--list-ops]: imports one bookmark HTML file the way the
// program does and prints the entry count, the time and the process's peak memory, so
// the import can be timed as a whole command next to other tools. With --list-ops it
// then times what the window does with the filled list: keyword searches and a sort
// by each column, wall and CPU time of all threads.

#include <model/uBookmarkHtml.h>
#include <model/uFolderImportExport.h>
#include <model/uSiteText.h>
#include <model/uWebSiteIcons.h>
#include <model/uWebSiteList.h>

#include <platform/uOsServices.h>

#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <cstring>

#if defined(__unix__)
#include <sys/resource.h>
#include <unistd.h>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

double ProcessCpuSeconds()
{
#if defined(__unix__)
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0)
        return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
               + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
    return 0;
}

double HeapInUse()
{
#if defined(__GLIBC__)
    const struct mallinfo2 heap = mallinfo2();
    return double(heap.uordblks + heap.hblkhd);
#else
    return 0;
#endif
}

template <typename TWork>
void Time(const char* What, TWork&& Work)
{
    QElapsedTimer timer;
    timer.start();
    const double cpu = ProcessCpuSeconds();
    const QString result = Work();
    std::printf("  %-34s wall %.3f s  CPU %.3f s  %s\n", What, double(timer.nsecsElapsed()) / 1e9,
                ProcessCpuSeconds() - cpu, qPrintable(result));
}

void TimeListOperations(TWebSiteList& List)
{
    const auto search = [&](const QString& Text) {
        return [&List, Text] {
            WebSitesSearch(List, Text);
            const auto found = std::count_if(List.begin(), List.end(),
                                             [](const TWebSite& s) { return s.Visible; });
            return QStringLiteral("%1 found").arg(found);
        };
    };
    const double before = HeapInUse();
    std::printf("list operations on %lld entries:\n", static_cast<long long>(List.Count()));
    // The generator's words: "news" is in many titles and hosts, one address number rare.
    Time("search \"news\" (first)", search(QStringLiteral("news")));
    const double entries = List.isEmpty() ? 1.0 : double(List.Count());
    std::printf("  heap grew %.0f bytes per entry by the first search\n",
                (HeapInUse() - before) / entries);
    Time("search \"news\"", search(QStringLiteral("news")));
    Time("search \"guide review\"", search(QStringLiteral("guide review")));
    Time("search \"caf\u00e9\" (not ASCII)", search(QStringLiteral("caf\u00e9")));
    Time("search \"4711/\" (rare)", search(QStringLiteral("4711/")));
    Time("search \"\" (all)", search(QString()));
    const char* const columns[] = {"title", "URL", "category", "comment", "tags"};
    for (int c = 1; c <= 5; ++c) {
        for (const int direction : {1, -1}) {
            const QByteArray what =
                QByteArray("sort by ") + columns[c - 1] + (direction > 0 ? " up" : " down");
            Time(what.constData(), [&] {
                WebSitesSort(List, c * direction);
                return QString();
            });
        }
    }
    Time("search \"news\" after the sorts", search(QStringLiteral("news")));
}

} // namespace

int main(int argc, char** argv)
{
    const bool listOps = argc == 3 && std::strcmp(argv[2], "--list-ops") == 0;
    if (argc != 2 && !listOps) {
        std::fprintf(stderr, "usage: %s FILE [--list-ops]\n", argv[0]);
        return 2;
    }
    const QString fileName = QString::fromLocal8Bit(argv[1]);
    // As the window and zorvel-cli do before a large read.
    PrepareHeapForLargeInput(WebSitesLoadAllocationEstimate({fileName}));
    TWebSiteList list;
    QElapsedTimer timer;
    timer.start();
    try {
        WebSitesLoadFromHtml(list, fileName);
    } catch (const EFileError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    long peakKiB = -1;
    double cpuSeconds = -1;
#if defined(__unix__)
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0) {
        peakKiB = usage.ru_maxrss;
        // Process CPU time (start-up included): the import's share on a busy machine.
        cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                     + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
#endif
    std::printf(
        "entries %lld  file %lld bytes  import %.3f s  process CPU %.3f s  peak RSS %ld KiB\n",
        static_cast<long long>(list.Count()), static_cast<long long>(QFileInfo(fileName).size()),
        seconds, cpuSeconds, peakKiB);
    // The memory the filled list holds: resident now (the input is gone by
    // then), and the heap bytes in use, per entry.
#if defined(__linux__)
    long pages = -1;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        long size = 0;
        if (std::fscanf(f, "%ld %ld", &size, &pages) != 2)
            pages = -1;
        std::fclose(f);
    }
    const long rssKiB = pages < 0 ? -1 : pages * (sysconf(_SC_PAGESIZE) / 1024);
    std::printf("filled: RSS %ld KiB", rssKiB);
#if defined(__GLIBC__)
    const struct mallinfo2 heap = mallinfo2();
    const double inUse = double(heap.uordblks + heap.hblkhd);
    const double entries = list.isEmpty() ? 1.0 : double(list.Count());
    std::printf("  heap in use %.1f MB  %.0f bytes per entry", inUse / 1e6, inUse / entries);
    // The icon store on its own: icons were added to the record after the
    // memory goal per entry was set.
    const double icons = double(WebSiteIcons().HeapBytes());
    std::printf("\nicons: %lld distinct, %.1f MB  %.0f bytes per entry;"
                "  without them %.0f bytes per entry  (sizeof(TWebSite) %zu)",
                static_cast<long long>(WebSiteIcons().Count()), icons / 1e6, icons / entries,
                (inUse - icons) / entries, sizeof(TWebSite));
    // Part of the heap above: the chunks the read's texts were cut from.
    const double chunks = double(TSiteTextChunks::Count()) * double(TSiteTextChunks::ChunkBytes);
    std::printf("\ntext chunks: %lld, %.1f MB  %.0f bytes per entry",
                static_cast<long long>(TSiteTextChunks::Count()), chunks / 1e6, chunks / entries);
#endif
    std::printf("\n");
#endif
    if (listOps)
        TimeListOperations(list);
    return 0;
}
