// zorvel-browser-probe [--runs N] FILE...: imports each file the way the program
// does (bookmark HTML by extension, browser profile files by content) into a new
// list, N times, and prints the entry count and the best and median wall and CPU
// times of one import. Start-up is not counted, so that the figures sit next to
// in-process timings of other readers.

#include <QElapsedTimer>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <model/uFolderImportExport.h>
#include <vector>

namespace {

double CpuSeconds()
{
#if defined(CLOCK_PROCESS_CPUTIME_ID)
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
#else
    return double(std::clock()) / CLOCKS_PER_SEC;
#endif
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--runs") == 0) {
        runs = std::max(1, std::atoi(argv[2]));
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: %s [--runs N] FILE...\n", argv[0]);
        return 2;
    }
    for (int a = first; a < argc; ++a) {
        const QString fileName = QString::fromLocal8Bit(argv[a]);
        std::vector<double> wall;
        std::vector<double> cpu;
        qsizetype entries = 0;
        for (int r = 0; r < runs; ++r) {
            TWebSiteList list;
            QElapsedTimer timer;
            const double cpu0 = CpuSeconds();
            timer.start();
            try {
                WebSitesLoadFromFile(list, fileName, QString());
            } catch (const EFileError& e) {
                std::fprintf(stderr, "%s\n", e.what());
                return 1;
            }
            wall.push_back(double(timer.nsecsElapsed()) / 1e9);
            cpu.push_back(CpuSeconds() - cpu0);
            entries = list.Count();
        }
        std::printf("%s\t%lld\t%.4f\t%.4f\t%.4f\t%.4f\n", argv[a], static_cast<long long>(entries),
                    *std::min_element(wall.begin(), wall.end()), Median(wall),
                    *std::min_element(cpu.begin(), cpu.end()), Median(cpu));
    }
    return 0;
}
