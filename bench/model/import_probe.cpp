// zorvel-import-probe FILE: imports one bookmark HTML file the way the program
// does and prints the entry count, the time and the process's peak memory, so
// the import can be timed as a whole command next to other tools.

#include <model/uBookmarkHtml.h>

#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

#if defined(__unix__)
#include <sys/resource.h>
#endif

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const QString fileName = QString::fromLocal8Bit(argv[1]);
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
    return 0;
}
