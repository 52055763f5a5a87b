// imaging_timer FILTER SRC_W SRC_H DST_W DST_H [RUNS] [THREADS]
// Prints the best wall time and the best process CPU time (all threads) in seconds
// of ResampleTo over RUNS runs (default 3). CPU time is the fairer figure on a
// machine shared with other work.
// FILTER is a TResampleFilter name such as rfLanczos3. THREADS 0 = all cores.
// Used by compare_pillow.py to time this library beside Pillow.

#include <imaging/uResample.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s FILTER SRC_W SRC_H DST_W DST_H [RUNS] [THREADS]\n",
                     argv[0]);
        return 2;
    }
    static const char* const names[] = {"rfNone",    "rfTriangle",   "rfHermite",  "rfBell",
                                        "rfBSpline", "rfLanczos3",   "rfMitchell", "rfNearest",
                                        "rfLinear",  "rfFastLinear", "rfBilinear", "rfBicubic"};
    int filter = -1;
    for (int i = 0; i < 12; ++i)
        if (std::strcmp(argv[1], names[i]) == 0)
            filter = i;
    if (filter < 0) {
        std::fprintf(stderr, "unknown filter %s\n", argv[1]);
        return 2;
    }
    const int sw = std::stoi(argv[2]), sh = std::stoi(argv[3]);
    const int dw = std::stoi(argv[4]), dh = std::stoi(argv[5]);
    const int runs = argc > 6 ? std::stoi(argv[6]) : 3;
    SetResampleThreadCount(argc > 7 ? std::stoi(argv[7]) : 0);

    TBitmap src;
    src.SetPixelFormat(pf32bit);
    src.SetSize(sw, sh);
    std::mt19937 rng(1);
    for (int y = 0; y < sh; ++y) {
        std::uint8_t* p = src.ScanLine(y);
        for (int i = 0; i < sw * 4; ++i)
            p[i] = std::uint8_t((i / 4 + y + (rng() & 31)) & 255);
    }
    auto cpuNow = [] {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
    };
    double best = 1e9;
    double bestCpu = 1e9;
    for (int r = 0; r < runs; ++r) {
        TBitmap dst;
        const double c0 = cpuNow();
        const auto t0 = std::chrono::steady_clock::now();
        ResampleTo(src, dst, dw, dh, TResampleFilter(filter));
        const auto t1 = std::chrono::steady_clock::now();
        bestCpu = std::min(bestCpu, cpuNow() - c0);
        best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
    }
    std::printf("%.4f %.4f\n", best, bestCpu);
    return 0;
}
