// Resampler and codec throughput. Run: bench_imaging [--benchmark_filter=...]

#include <imaging/uImageFile.h>
#include <imaging/uResample.h>

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>

namespace {

// A photo-like picture: smooth gradients plus noise, so codecs do real work.
void MakePicture(TBitmap& bmp, int w, int h)
{
    bmp.SetPixelFormat(pf32bit);
    bmp.SetSize(w, h);
    std::mt19937 rng(7);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = bmp.ScanLine(y);
        for (int x = 0; x < w; ++x, p += 4) {
            const unsigned n = rng() & 15;
            p[0] = std::uint8_t((x * 255 / w + n) & 255);
            p[1] = std::uint8_t((y * 255 / h + n) & 255);
            p[2] = std::uint8_t(((x + y) * 127 / (w + h) + n) & 255);
            p[3] = std::uint8_t(255 - n);
        }
    }
}

const TBitmap& Source()
{
    static TBitmap src;
    if (src.Empty())
        MakePicture(src, 4000, 3000);
    return src;
}

void BM_Resample(benchmark::State& state)
{
    const auto filter = TResampleFilter(state.range(0));
    const int nw = int(state.range(1));
    const int nh = int(state.range(2));
    SetResampleThreadCount(int(state.range(3)));
    const TBitmap& src = Source();
    for (auto _ : state) {
        TBitmap dst;
        ResampleTo(src, dst, nw, nh, filter);
        benchmark::DoNotOptimize(dst.Bits());
    }
    SetResampleThreadCount(0);
    state.SetLabel("4000x3000 -> " + std::to_string(nw) + "x" + std::to_string(nh));
}

void ResampleArgs(benchmark::internal::Benchmark* b)
{
    for (int f : {rfNone, rfLanczos3, rfBilinear, rfBicubic, rfTriangle, rfFastLinear})
        for (auto [w, h] : {std::pair{1000, 750}, {6000, 4500}})
            for (int threads : {1, 0})
                b->Args({f, w, h, threads});
    b->ArgNames({"filter", "w", "h", "threads(0=all)"});
    b->Unit(benchmark::kMillisecond);
    b->UseRealTime();
}
BENCHMARK(BM_Resample)->Apply(ResampleArgs);

void BM_Codec(benchmark::State& state)
{
    static const char* const names[] = {"x.png", "x.jpg", "x.tga", "x.psd", "x.bmp"};
    const bool save = state.range(1) != 0;
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(names[state.range(0)]));
    TImageFile bmp;
    MakePicture(bmp, 2000, 1500);
    bmp.CompressionLevel = 6;
    bmp.SaveToFile(path);
    for (auto _ : state) {
        if (save) {
            bmp.SaveToFile(path);
        } else {
            TImageFile in;
            in.LoadFromFile(path);
            benchmark::DoNotOptimize(in.Bits());
        }
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * 2000 * 1500 * 4);
    state.SetLabel(std::string(names[state.range(0)]) + (save ? " save" : " load") + " 2000x1500");
}
BENCHMARK(BM_Codec)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})
    ->ArgNames({"format", "save"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
