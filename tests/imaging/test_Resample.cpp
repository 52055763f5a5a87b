// The resampler: size rules, the engines' numeric behaviour, threads.

#include "TestImaging.h"

#include <imaging/uImageFile.h>
#include <imaging/uResample.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

using namespace testimg;

namespace {

const TResampleFilter AllFilters[] = {rfNone,    rfTriangle,   rfHermite,  rfBell,
                                      rfBSpline, rfLanczos3,   rfMitchell, rfNearest,
                                      rfLinear,  rfFastLinear, rfBilinear, rfBicubic};

// Restores the automatic worker count when a test ends.
struct ThreadCountGuard
{
    ~ThreadCountGuard() { SetResampleThreadCount(0); }
};

} // namespace

TEST(ResampleSizeTest, SizeRules)
{
    struct Case
    {
        int aw, ah, nw, nh;
    };
    const Case cases[] = {
        {-1, 50, 100, 50},  {-1, 0, 1, 100},  {-5, 0, 5, 100},       {-5, -3, 200, 100},
        {-1, -1, 200, 100}, {50, -1, 50, 25}, {1000, -1, 1000, 500}, {1, -1, 1, 1},
        {0, -1, 200, 100},  {3, 0, 3, 100},   {-7, 9, 7, 9},         {-1, 1, 2, 1},
    };
    for (const Case& c : cases) {
        TImageFile bmp;
        FillPattern(bmp, 200, 100);
        bmp.Resample(c.aw, c.ah, rfNone);
        EXPECT_EQ(bmp.Width(), c.nw) << c.aw << "," << c.ah;
        EXPECT_EQ(bmp.Height(), c.nh) << c.aw << "," << c.ah;
    }
}

TEST(ResampleSizeTest, NoOpsLeaveTheBitmapAsItWas)
{
    TImageFile same;
    FillPattern(same, 6, 4);
    same.SetAlphaFormat(afDefined);
    TBitmap before;
    before.Assign(same);
    same.Resample(6, 4, rfLanczos3);
    EXPECT_TRUE(SamePixels(same, before));
    EXPECT_EQ(same.AlphaFormat(), afDefined);

    TImageFile rgb;
    rgb.SetPixelFormat(pf24bit);
    rgb.SetSize(6, 4);
    rgb.Resample(3, 2, rfTriangle);
    EXPECT_EQ(rgb.Width(), 6);

    TImageFile empty;
    empty.Resample(3, 2, rfTriangle);
    EXPECT_EQ(empty.Width(), 0);

    // Both sizes negative: nothing to do, and the picture is not lost.
    same.Resample(-5, -3, rfBicubic);
    EXPECT_TRUE(SamePixels(same, before));
}

TEST(ResampleSizeTest, ResizedPictureHasIgnoredAlphaButKeepsTheBytes)
{
    TImageFile bmp;
    bmp.SetSize(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            SetPixel(bmp, x, y, 1, 2, 3, 100);
    bmp.Resample(2, 2, rfTriangle);
    EXPECT_EQ(bmp.AlphaFormat(), afIgnored);
    EXPECT_EQ(Pixel(bmp, 1, 1), 0x64030201u);
}

TEST(ResampleEngineTest, UniformPictureStaysUniformWithEveryFilter)
{
    struct Size
    {
        int w, h, nw, nh;
    };
    const Size sizes[] = {{7, 5, 3, 2}, {7, 5, 20, 13}, {7, 5, 20, 2}, {7, 5, 2, 13},
                          {2, 2, 5, 5}, {1, 5, 3, 9},   {9, 1, 4, 1},  {64, 48, 16, 12}};
    for (TResampleFilter f : AllFilters)
        for (const Size& s : sizes) {
            TBitmap src;
            src.SetSize(s.w, s.h);
            for (int y = 0; y < s.h; ++y)
                for (int x = 0; x < s.w; ++x)
                    SetPixel(src, x, y, 10, 200, 33, 77);
            TBitmap dst;
            ResampleTo(src, dst, s.nw, s.nh, f);
            ASSERT_EQ(dst.Width(), s.nw);
            ASSERT_EQ(dst.Height(), s.nh);
            for (int y = 0; y < s.nh; ++y)
                for (int x = 0; x < s.nw; ++x)
                    ASSERT_EQ(Pixel(dst, x, y), 0x4D21C80Au)
                        << "filter " << f << " " << s.w << "x" << s.h << "->" << s.nw << "x" << s.nh
                        << " at " << x << "," << y;
        }
}

TEST(ResampleEngineTest, TriangleEnlargingTwoToThreeMapsTheEndsExactly)
{
    TBitmap src;
    src.SetSize(2, 1);
    SetPixel(src, 0, 0, 10, 20, 30, 40);
    SetPixel(src, 1, 0, 110, 120, 131, 255);
    TBitmap dst;
    ResampleTo(src, dst, 3, 1, rfTriangle);
    EXPECT_EQ(Pixel(dst, 0, 0), Pixel(src, 0, 0));
    EXPECT_EQ(Pixel(dst, 2, 0), Pixel(src, 1, 0));
    EXPECT_EQ(Pixel(dst, 1, 0), 0x9350463Cu); // (a + b) div 2 per channel: 60, 70, 80, 147
}

TEST(ResampleEngineTest, FastLinearShrinkAveragesOverlappingSpans)
{
    TBitmap src;
    src.SetSize(4, 1);
    SetPixel(src, 0, 0, 10, 0, 0, 255);
    SetPixel(src, 1, 0, 20, 3, 0, 255);
    SetPixel(src, 2, 0, 60, 4, 7, 255);
    SetPixel(src, 3, 0, 250, 250, 250, 0);
    TBitmap dst;
    ResampleTo(src, dst, 2, 1, rfFastLinear);
    EXPECT_EQ(Pixel(dst, 0, 0), 0xFF02021Eu); // (10+20+60) div 3, (0+3+4) div 3, 7 div 3
    EXPECT_EQ(Pixel(dst, 1, 0), Pixel(src, 2, 0));
}

TEST(ResampleEngineTest, FastLinearChangingOnlyTheHeightAveragesRightNeighbours)
{
    TBitmap src;
    src.SetSize(3, 2);
    SetPixel(src, 0, 0, 0, 0, 0, 0);
    SetPixel(src, 1, 0, 11, 21, 31, 41);
    SetPixel(src, 2, 0, 100, 100, 100, 100);
    for (int x = 0; x < 3; ++x)
        SetPixel(src, x, 1, 255, 255, 255, 255);
    TBitmap dst;
    ResampleTo(src, dst, 3, 1, rfFastLinear);
    EXPECT_EQ(Pixel(dst, 0, 0), 0x140F0A05u);
    EXPECT_EQ(Pixel(dst, 1, 0), 0x46413C37u);
    EXPECT_EQ(Pixel(dst, 2, 0), Pixel(src, 2, 0));
}

TEST(ResampleEngineTest, AreaFiltersOnExactHalvingGiveTheRoundedBoxMean)
{
    TBitmap src;
    src.SetSize(4, 2);
    // Per target pixel, blue means 1.5 and 2.5 (ties to even: 2 and 2), green 0.25
    // and 254.75, red and alpha whole numbers.
    const std::uint8_t blue[2][4] = {{1, 2, 2, 3}, {1, 2, 2, 3}};
    const std::uint8_t green[2][4] = {{1, 0, 255, 254}, {0, 0, 255, 255}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            SetPixel(src, x, y, blue[y][x], green[y][x], std::uint8_t(x * 10), 200);
    for (TResampleFilter f : {rfBilinear, rfBicubic}) {
        TBitmap dst;
        ResampleTo(src, dst, 2, 1, f);
        EXPECT_EQ(Pixel(dst, 0, 0), 0xC8050002u) << f;
        EXPECT_EQ(Pixel(dst, 1, 0), 0xC819FF02u) << f;
    }
}

TEST(ResampleEngineTest, EnlargingARampStaysMonotonicAndInRange)
{
    TBitmap src;
    src.SetSize(6, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            SetPixel(src, x, y, std::uint8_t(x * 50), std::uint8_t(x * 50), std::uint8_t(x * 50),
                     255);
    for (TResampleFilter f : {rfTriangle, rfLinear, rfFastLinear, rfBilinear, rfHermite}) {
        TBitmap dst;
        ResampleTo(src, dst, 23, 7, f);
        for (int y = 0; y < 7; ++y) {
            EXPECT_LE(dst.ScanLine(y)[0], 15) << f;
            EXPECT_GE(dst.ScanLine(y)[22 * 4], 200) << f;
            for (int x = 1; x < 23; ++x)
                ASSERT_GE(dst.ScanLine(y)[x * 4], dst.ScanLine(y)[(x - 1) * 4]) << f << " x=" << x;
        }
    }
}

TEST(ResampleEngineTest, OnePixelSourceFillsTheTargetWithEveryFilter)
{
    TBitmap src;
    src.SetSize(1, 1);
    SetPixel(src, 0, 0, 9, 8, 7, 6);
    for (TResampleFilter f : AllFilters) {
        TBitmap dst;
        ResampleTo(src, dst, 3, 2, f);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(Pixel(dst, x, y), 0x06070809u) << f;
    }
}

TEST(ResampleEngineTest, NearestCopiesWholePixelsFromTruncatedPositions)
{
    TBitmap src;
    FillPattern(src, 5, 3);
    TBitmap dst;
    ResampleTo(src, dst, 2, 7, rfNone);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(Pixel(dst, x, y), Pixel(src, int(x * 2.5), int(y * (3.0 / 7))));
}

TEST(ResampleEngineTest, AnyNumberOfWorkersGivesOneWorkersResult)
{
    ThreadCountGuard guard;
    TBitmap src;
    FillPattern(src, 37, 23, 99);
    for (TResampleFilter f : AllFilters)
        for (auto [nw, nh] : {std::pair{50, 41}, {17, 9}, {40, 2}, {3, 30}}) {
            SetResampleThreadCount(1);
            TBitmap one;
            ResampleTo(src, one, nw, nh, f);
            for (int n : {2, 3, 8}) {
                SetResampleThreadCount(n);
                TBitmap many;
                ResampleTo(src, many, nw, nh, f);
                EXPECT_TRUE(SamePixels(one, many))
                    << "filter " << f << " workers " << n << " " << nw << "x" << nh;
            }
        }
}

TEST(ResampleKernelTest, KernelsAndCubicInterpolation)
{
    EXPECT_DOUBLE_EQ(SinC(0.0), 1.0);
    EXPECT_NEAR(Lanczos3Filter(1.0), 0.0, 1e-12);
    EXPECT_DOUBLE_EQ(BoxFilter(0.5), 1.0);
    EXPECT_DOUBLE_EQ(BoxFilter(-0.5), 0.0);
    EXPECT_DOUBLE_EQ(LinearFilter(-1.0), 0.0);
    EXPECT_NEAR(MitchellFilter(0.0), 8.0 / 9.0, 1e-12);
    EXPECT_DOUBLE_EQ(SplineFilter(0.0), 2.0 / 3.0);
    for (int i = 1; i <= 8; ++i)
        EXPECT_GT(ResampleFilters[i].Radius, 0.0);
    EXPECT_DOUBLE_EQ(CubicInterpolate(0.0, 1, 2, 3, 4), 2.0);
    EXPECT_DOUBLE_EQ(CubicInterpolate(1.0, 1, 2, 3, 4), 3.0);
    EXPECT_DOUBLE_EQ(CubicInterpolate(0.5, 0, 255, 255, 0), 255.0); // clamped overshoot
    EXPECT_DOUBLE_EQ(CubicInterpolate(0.5, 10, 20, 30, 40), 25.0);
}

namespace {

// The convolution engine written the plain way (one pixel, one channel, one
// contributor at a time), to hold the optimised passes to the same integers.
void ReferenceConvolution(const TBitmap& src, TBitmap& dst, TResampleFilter f)
{
    const int w = src.Width(), h = src.Height(), nw = dst.Width(), nh = dst.Height();
    const auto k = ResampleFilters[f].Filter;
    const double radius = ResampleFilters[f].Radius;
    auto table = [&](int len, int newLen) {
        const double scale =
            (len == 1 || newLen == 1) ? double(newLen) / len : double(newLen - 1) / (len - 1);
        std::vector<std::vector<std::pair<int, int>>> lists(static_cast<std::size_t>(newLen));
        const double width = scale < 1 ? radius / scale : radius;
        const double fscale = scale < 1 ? 1 / scale : 1;
        for (int i = 0; i < newLen; ++i) {
            const double center = i / scale;
            for (int j = int(std::floor(center - width)); j <= int(std::ceil(center + width));
                 ++j) {
                const int wgt =
                    int(scale < 1 ? std::nearbyint(k((center - j) / fscale) * 256 / fscale)
                                  : std::nearbyint(k(center - j) * 256));
                if (wgt == 0)
                    continue;
                const int p = std::clamp(j < 0 ? -j : j >= len ? 2 * len - 1 - j : j, 0, len - 1);
                lists[std::size_t(i)].push_back({p, wgt});
            }
        }
        return lists;
    };
    const auto hl = table(w, nw);
    const auto vl = table(h, nh);
    std::vector<std::uint8_t> work(std::size_t(nw) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < nw; ++i)
            for (int c = 0; c < 4; ++c) {
                int sum = 0, ws = 0;
                for (auto [p, wgt] : hl[std::size_t(i)]) {
                    sum += wgt * src.ScanLine(y)[p * 4 + c];
                    ws += wgt;
                }
                work[(std::size_t(y) * nw + i) * 4 + c] =
                    std::uint8_t(std::clamp(sum / (ws ? ws : 256), 0, 255));
            }
    for (int r = 0; r < nh; ++r)
        for (int x = 0; x < nw; ++x)
            for (int c = 0; c < 4; ++c) {
                int sum = 0, ws = 0;
                for (auto [p, wgt] : vl[std::size_t(r)]) {
                    sum += wgt * work[(std::size_t(p) * nw + x) * 4 + c];
                    ws += wgt;
                }
                const int v =
                    ws ? sum / ws : int(std::min<std::uint32_t>(std::uint32_t(sum) >> 8, 255));
                dst.ScanLine(r)[x * 4 + c] = std::uint8_t(std::clamp(v, 0, 255));
            }
}

} // namespace

TEST(ResampleEngineTest, ConvolutionMatchesThePlainIntegerComputation)
{
    std::mt19937 rng(4242);
    for (TResampleFilter f :
         {rfTriangle, rfHermite, rfBell, rfBSpline, rfLanczos3, rfMitchell, rfNearest, rfLinear})
        for (int round = 0; round < 6; ++round) {
            const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 30);
            const int nw = 1 + int(rng() % 60), nh = 1 + int(rng() % 45);
            if (w * h < 2 || (w == nw && h == nh))
                continue;
            TBitmap src;
            FillPattern(src, w, h, rng());
            TBitmap fast, plain;
            ResampleTo(src, fast, nw, nh, f);
            plain.SetSize(nw, nh);
            ReferenceConvolution(src, plain, f);
            EXPECT_TRUE(SamePixels(fast, plain))
                << "filter " << f << " " << w << "x" << h << "->" << nw << "x" << nh;
        }
}

TEST(PremultipliedResampleTest, PixelConversionsMatchTheBitmapsOwnRounding)
{
    // Every colour with every alpha, in a row whose length is not a multiple of 4.
    TBitmap straight;
    straight.SetPixelFormat(pf32bit);
    straight.SetSize(256 * 256 + 3, 1);
    std::uint8_t* p = straight.ScanLine(0);
    for (int i = 0; i < straight.Width(); ++i) {
        p[4 * i + 0] = std::uint8_t(i);
        p[4 * i + 1] = std::uint8_t(255 - i);
        p[4 * i + 2] = std::uint8_t(i >> 3);
        p[4 * i + 3] = std::uint8_t(i >> 8);
    }
    straight.SetAlphaFormat(afDefined);
    TBitmap viaBitmap;
    viaBitmap.Assign(straight);
    viaBitmap.SetAlphaFormat(afPremultiplied);
    std::vector<std::uint8_t> pre(std::size_t(straight.Width()) * 4);
    PremultiplyPixels(straight.ScanLine(0), pre.data(), std::size_t(straight.Width()));
    ASSERT_EQ(std::memcmp(pre.data(), viaBitmap.ScanLine(0), pre.size()), 0);

    // Back to straight alpha: the bitmap's integer rounding, give or take one.
    UnpremultiplyPixels(pre.data(), std::size_t(straight.Width()));
    viaBitmap.SetAlphaFormat(afDefined);
    for (std::size_t i = 0; i < pre.size(); ++i)
        ASSERT_LE(std::abs(int(pre[i]) - int(viaBitmap.ScanLine(0)[i])), 1) << i;
}

TEST(PremultipliedResampleTest, EveryEngineMatchesPremultiplyResampleUnpremultiply)
{
    TBitmap src;
    FillPattern(src, 37, 23, 9);
    for (int y = 0; y < 23; ++y) // whole transparent and opaque areas as well
        for (int x = 0; x < 37; ++x)
            if ((x / 6 + y / 5) % 3 != 2)
                src.ScanLine(y)[4 * x + 3] = (x / 6 + y / 5) % 3 ? 0 : 255;
    src.SetAlphaFormat(afDefined);
    // rfNone copies whole pixels and is left out: going through premultiplied
    // values would only lose the colour of faint pixels.
    for (TResampleFilter f :
         {rfLanczos3, rfTriangle, rfMitchell, rfFastLinear, rfBilinear, rfBicubic})
        for (auto [w, h] : {std::pair{15, 9}, std::pair{80, 51}}) {
            SCOPED_TRACE(testing::Message() << "filter " << int(f) << " to " << w << "x" << h);
            TBitmap expected;
            expected.Assign(src);
            expected.SetAlphaFormat(afPremultiplied);
            ResampleBitmap(expected, w, h, f);
            expected.SetAlphaFormat(afPremultiplied); // ResampleBitmap leaves afIgnored
            expected.SetAlphaFormat(afDefined);
            TBitmap got;
            got.Assign(src);
            ResampleBitmapPremultiplied(got, w, h, f);
            ASSERT_EQ(got.Width(), w);
            ASSERT_EQ(got.Height(), h);
            EXPECT_EQ(got.AlphaFormat(), afDefined);
            // Colours count where they can be seen (alpha above 0).
            for (int y = 0; y < h; ++y)
                for (int i = 0; i < w * 4; ++i) {
                    const std::uint8_t* g = got.ScanLine(y);
                    if (i % 4 != 3 && g[i - i % 4 + 3] == 0)
                        continue;
                    ASSERT_LE(std::abs(int(g[i]) - int(expected.ScanLine(y)[i])), 1)
                        << "byte " << i << " of row " << y;
                }
        }
}
