#include <imaging/uResample.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// ---------------------------------------------------------------------------------
// Kernels

double SinC(double x)
{
    if (x == 0.0)
        return 1.0;
    const double px = std::numbers::pi * x;
    return std::sin(px) / px;
}

double TriangleFilter(double x)
{
    const double t = std::abs(x);
    return t < 1.0 ? 1.0 - t : 0.0;
}

double HermiteFilter(double x)
{
    const double t = std::abs(x);
    return t < 1.0 ? (2.0 * t - 3.0) * t * t + 1.0 : 0.0;
}

double BellFilter(double x)
{
    const double t = std::abs(x);
    if (t < 0.5)
        return 0.75 - t * t;
    if (t < 1.5) {
        const double d = t - 1.5;
        return 0.5 * d * d;
    }
    return 0.0;
}

double SplineFilter(double x)
{
    const double t = std::abs(x);
    if (t < 1.0)
        return 0.5 * t * t * t - t * t + 2.0 / 3.0;
    if (t < 2.0) {
        const double d = 2.0 - t;
        return d * d * d / 6.0;
    }
    return 0.0;
}

double Lanczos3Filter(double x)
{
    const double t = std::abs(x);
    return t < 3.0 ? SinC(t) * SinC(t / 3.0) : 0.0;
}

double MitchellFilter(double x)
{
    const double t = std::abs(x);
    const double tt = t * t;
    if (t < 1.0)
        return (7.0 * t * tt - 12.0 * tt + 16.0 / 3.0) / 6.0;
    if (t < 2.0)
        return (-(7.0 / 3.0) * t * tt + 12.0 * tt - 20.0 * t + 32.0 / 3.0) / 6.0;
    return 0.0;
}

double BoxFilter(double x)
{
    return (x > -0.5 && x <= 0.5) ? 1.0 : 0.0;
}

double LinearFilter(double x)
{
    if (x >= -1.0 && x < 0.0)
        return x + 1.0;
    if (x >= 0.0 && x < 1.0)
        return 1.0 - x;
    return 0.0;
}

const TResampleFilterEntry ResampleFilters[9] = {
    {nullptr, 0.0},        {TriangleFilter, 1.0}, {HermiteFilter, 1.0},
    {BellFilter, 1.5},     {SplineFilter, 2.0},   {Lanczos3Filter, 3.0},
    {MitchellFilter, 2.0}, {BoxFilter, 1.0},      {LinearFilter, 1.0},
};

double CubicInterpolate(double t, double a, double b, double c, double e)
{
    const double d0 = std::abs(t);
    const double d1 = std::abs(t - 1.0);
    const double d2 = std::abs(t - 2.0);
    const double dm = std::abs(t + 1.0);
    const double v = (d0 * d0 * d0 - 2.0 * d0 * d0 + 1.0) * b
                     + (d1 * d1 * d1 - 2.0 * d1 * d1 + 1.0) * c
                     + (-d2 * d2 * d2 + 5.0 * d2 * d2 - 8.0 * d2 + 4.0) * e
                     + (-dm * dm * dm + 5.0 * dm * dm - 8.0 * dm + 4.0) * a;
    return std::clamp(v, 0.0, 255.0);
}

// ---------------------------------------------------------------------------------
// Threads

TThread::~TThread()
{
    if (FThread.joinable())
        FThread.join();
}

void TThread::Start()
{
    FThread = std::thread([this] { Execute(); });
}

void TThread::WaitFor()
{
    if (FThread.joinable())
        FThread.join();
}

TResampleThreadPool::~TResampleThreadPool()
{
    Join();
}

void TResampleThreadPool::Add(TThread* Thread)
{
    std::unique_ptr<TThread> owned(Thread);
    FThreads.push_back(Thread);
    owned.release();
    Thread->Start();
}

void TResampleThreadPool::Join()
{
    for (TThread* t : FThreads) {
        t->WaitFor();
        delete t;
    }
    FThreads.clear();
}

namespace {

std::atomic<int> GThreadOverride{0};

inline std::uint8_t clampByte(int v)
{
    return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

class TRowsThread : public TThread
{
public:
    TRowsThread(std::function<void(int, int)> body, int first, int count)
        : FBody(std::move(body)), FFirst(first), FCount(count)
    {
    }

protected:
    void Execute() override
    {
        if (FCount > 0)
            FBody(FFirst, FCount);
    }

private:
    std::function<void(int, int)> FBody;
    int FFirst;
    int FCount;
};

} // namespace

int ResampleThreadCount()
{
    const int o = GThreadOverride.load();
    if (o > 0)
        return o;
    return std::max(1, int(std::thread::hardware_concurrency()));
}

void SetResampleThreadCount(int Count)
{
    GThreadOverride.store(std::max(0, Count));
}

void ParallelRows(int Rows, const std::function<void(int, int)>& Body)
{
    // No more workers than rows: an idle thread costs its start-up for nothing.
    const int n = std::min(ResampleThreadCount(), Rows);
    if (n <= 1) {
        Body(0, Rows);
        return;
    }
    const int each = Rows / n;
    TResampleThreadPool pool;
    for (int k = 0; k < n; ++k) {
        const int first = k * each;
        const int count = k == n - 1 ? Rows - (n - 1) * each : each;
        pool.Add(new TRowsThread(Body, first, count));
    }
    pool.Join();
}

// ---------------------------------------------------------------------------------
// Entry points

void ResampleBitmap(TBitmap& Bitmap, int AWidth, int AHeight, TResampleFilter Filter)
{
    if (Bitmap.PixelFormat() != pf32bit || Bitmap.Empty())
        return;
    if (AWidth == Bitmap.Width() && AHeight == Bitmap.Height())
        return;
    // Two negative sizes are a request for nothing: the bitmap stays as it is
    // rather than being replaced by an empty result.
    if (AWidth < 0 && AHeight < 0)
        return;
    TBitmap temp;
    temp.SetPixelFormat(pf32bit);
    temp.SetAlphaFormat(afIgnored);
    ResampleTo(Bitmap, temp, AWidth, AHeight, Filter);
    Bitmap.TakeOver(temp);
}

namespace {

void targetSize(const TBitmap& Src, int AWidth, int AHeight, int& NW, int& NH)
{
    const std::int64_t w = Src.Width();
    const std::int64_t h = Src.Height();
    std::int64_t nw;
    if (AWidth == -1)
        nw = w * AHeight / h;
    else if (AWidth == 0)
        nw = w;
    else
        nw = std::abs(std::int64_t(AWidth));
    nw = std::clamp<std::int64_t>(nw, 1, 0x7FFFFFFF);
    std::int64_t nh;
    if (AHeight == -1)
        nh = h * nw / w;
    else if (AHeight == 0)
        nh = h;
    else
        nh = std::abs(std::int64_t(AHeight));
    nh = std::clamp<std::int64_t>(nh, 1, 0x7FFFFFFF);
    NW = int(nw);
    NH = int(nh);
}

#if defined(__SSE2__)
// Two pixels as 16-bit lanes times their alpha, divided by 255 and rounded:
// (t + (t >> 8)) >> 8 with t = c * a + 128 is exactly round(c * a / 255).
inline __m128i premultiplyLanes(__m128i x)
{
    const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, _MM_SHUFFLE(3, 3, 3, 3)),
                                          _MM_SHUFFLE(3, 3, 3, 3));
    // The alpha lane is multiplied by 255 (alpha | 255), which gives alpha back unchanged.
    const __m128i m = _mm_or_si128(a, _mm_set_epi16(255, 0, 0, 0, 255, 0, 0, 0));
    const __m128i t = _mm_add_epi16(_mm_mullo_epi16(x, m), _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

// One pixel (four 32-bit lanes) times (scale, scale, scale, 1), rounded.
inline __m128i unpremultiplyLanes(__m128i v, float scale)
{
    const __m128 f = _mm_add_ps(
        _mm_mul_ps(_mm_cvtepi32_ps(v), _mm_set_ps(1.0f, scale, scale, scale)), _mm_set1_ps(0.5f));
    return _mm_cvttps_epi32(f);
}
#endif

// 255 / alpha for every alpha, 0 for alpha 0 (whose premultiplied colour is 0).
const float* unpremultiplyScales()
{
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int a = 1; a < 256; ++a)
            t[std::size_t(a)] = 255.0f / float(a);
        return t;
    }();
    return table.data();
}

} // namespace

void PremultiplyPixels(const std::uint8_t* Src, std::uint8_t* Dst, std::size_t Count)
{
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi8(char(0xFF));
    for (; i + 4 <= Count; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + i * 4));
        __m128i out = v;
        // Four opaque pixels (the usual case) stay as they are.
        if ((_mm_movemask_epi8(_mm_cmpeq_epi8(v, opaque)) & 0x8888) != 0x8888)
            out = _mm_packus_epi16(premultiplyLanes(_mm_unpacklo_epi8(v, zero)),
                                   premultiplyLanes(_mm_unpackhi_epi8(v, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + i * 4), out);
    }
#endif
    for (; i < Count; ++i) {
        const std::uint8_t* s = Src + i * 4;
        std::uint8_t* d = Dst + i * 4;
        const unsigned a = s[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned t = s[c] * a + 128;
            d[c] = std::uint8_t((t + (t >> 8)) >> 8);
        }
        d[3] = std::uint8_t(a);
    }
}

void UnpremultiplyPixels(std::uint8_t* Pixels, std::size_t Count)
{
    const float* scales = unpremultiplyScales();
    std::uint8_t* p = Pixels;
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi8(char(0xFF));
    for (; i + 4 <= Count; i += 4, p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if ((_mm_movemask_epi8(_mm_cmpeq_epi8(v, opaque)) & 0x8888) == 0x8888)
            continue; // four opaque pixels stay as they are
        const __m128i lo = _mm_unpacklo_epi8(v, zero);
        const __m128i hi = _mm_unpackhi_epi8(v, zero);
        const __m128i q0 = unpremultiplyLanes(_mm_unpacklo_epi16(lo, zero), scales[p[3]]);
        const __m128i q1 = unpremultiplyLanes(_mm_unpackhi_epi16(lo, zero), scales[p[7]]);
        const __m128i q2 = unpremultiplyLanes(_mm_unpacklo_epi16(hi, zero), scales[p[11]]);
        const __m128i q3 = unpremultiplyLanes(_mm_unpackhi_epi16(hi, zero), scales[p[15]]);
        // An opaque pixel's scale is 1: it comes back unchanged.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p),
                         _mm_packus_epi16(_mm_packs_epi32(q0, q1), _mm_packs_epi32(q2, q3)));
    }
#endif
    for (; i < Count; ++i, p += 4) {
        const unsigned a = p[3];
        if (a == 255)
            continue;
        for (int c = 0; c < 3; ++c)
            p[c] = std::uint8_t(std::min(255.0f, p[c] * scales[a] + 0.5f));
    }
}

void ResampleBitmapPremultiplied(TBitmap& Bitmap, int AWidth, int AHeight, TResampleFilter Filter)
{
    if (Bitmap.PixelFormat() != pf32bit || Bitmap.Empty())
        return;
    if (AWidth == Bitmap.Width() && AHeight == Bitmap.Height())
        return;
    if (AWidth < 0 && AHeight < 0)
        return;
    int nw = 0, nh = 0;
    targetSize(Bitmap, AWidth, AHeight, nw, nh);
    TBitmap temp;
    temp.SetPixelFormat(pf32bit);
    temp.SetSize(nw, nh);
    const int w = Bitmap.Width(), h = Bitmap.Height();
    if (nw == w && nh == h) {
        temp.Assign(Bitmap);
    } else if (Filter == rfNone || (w < 2 && h < 2)) {
        ResampleNoFilter(Bitmap, temp); // whole pixels are copied: nothing is mixed
    } else if (Filter == rfBilinear || Filter == rfBicubic) {
        ResampleArea(Bitmap, temp, Filter == rfBicubic, true);
    } else {
        // The premultiplied copy stands in for the private copy the engines read.
        TBitmap pre;
        pre.SetPixelFormat(pf32bit);
        pre.SetSize(w, h);
        ParallelRows(h, [&](int first, int count) {
            for (int y = first; y < first + count; ++y)
                PremultiplyPixels(Bitmap.ScanLine(y), pre.ScanLine(y), std::size_t(w));
        });
        if (Filter == rfFastLinear)
            ResampleFastLinear(pre, temp, true);
        else
            ResampleConvolution(pre, temp, Filter, true);
    }
    temp.SetAlphaFormat(afDefined);
    Bitmap.TakeOver(temp);
}

void ResampleTo(const TBitmap& Src, TBitmap& Dst, int AWidth, int AHeight, TResampleFilter Filter)
{
    if (Src.PixelFormat() != pf32bit || Src.Empty())
        return;
    if (AWidth < 0 && AHeight < 0)
        return;
    int nw = 0, nh = 0;
    targetSize(Src, AWidth, AHeight, nw, nh);
    Dst.SetPixelFormat(pf32bit);
    Dst.SetSize(nw, nh);
    ResampleInto(Src, Dst, Filter);
}

void ResampleInto(const TBitmap& Src, TBitmap& Dst, TResampleFilter Filter)
{
    if (Src.Width() == Dst.Width() && Src.Height() == Dst.Height()) {
        Dst.Assign(Src);
        return;
    }
    if (Filter == rfNone)
        ResampleNoFilter(Src, Dst);
    else
        ResampleFiltered(Src, Dst, Filter);
}

void ResampleFiltered(const TBitmap& Src, TBitmap& Dst, TResampleFilter Filter)
{
    if (Src.Empty())
        return;
    if (Src.Width() < 2 && Src.Height() < 2) {
        // A single pixel has nothing to filter between; the result is that pixel
        // everywhere instead of an unwritten picture.
        ResampleNoFilter(Src, Dst);
        return;
    }
    switch (Filter) {
    case rfBilinear:
        ResampleArea(Src, Dst, false);
        return;
    case rfBicubic:
        ResampleArea(Src, Dst, true);
        return;
    case rfNone:
        ResampleNoFilter(Src, Dst);
        return;
    default:
        break;
    }
    // The engines below read a private copy, so Src may be Dst's own picture.
    TBitmap copy;
    copy.Assign(Src);
    if (Filter == rfFastLinear)
        ResampleFastLinear(copy, Dst);
    else
        ResampleConvolution(copy, Dst, Filter);
}

// ---------------------------------------------------------------------------------
// Nearest pixel

void ResampleNoFilter(const TBitmap& Src, TBitmap& Dst)
{
    const int w = Src.Width(), h = Src.Height();
    const int nw = Dst.Width(), nh = Dst.Height();
    if (w == 0 || h == 0 || nw == 0 || nh == 0 || Src.PixelFormat() != pf32bit
        || Dst.PixelFormat() != pf32bit)
        return;
    const double rx = double(w) / nw;
    const double ry = double(h) / nh;
    std::vector<int> sx(std::size_t(nw), 0);
    for (int x = 0; x < nw; ++x)
        sx[std::size_t(x)] = std::min(int(x * rx), w - 1);
    ParallelRows(nh, [&](int first, int count) {
        for (int y = first; y < first + count; ++y) {
            const int syRow = std::min(int(y * ry), h - 1);
            const std::uint8_t* s = Src.ScanLine(syRow);
            std::uint8_t* d = Dst.ScanLine(y);
            for (int x = 0; x < nw; ++x, d += 4)
                std::memcpy(d, s + std::size_t(sx[std::size_t(x)]) * 4, 4);
        }
    });
}

// ---------------------------------------------------------------------------------
// Convolution engine

namespace {

// Contributor lists for one axis, all entries in one block.
struct TContribTable
{
    TCListList lists;
    std::vector<TContributor> pool;
};

void buildContributors(TContribTable& table, int srcLen, int dstLen, double scale, TFilterProc k,
                       double radius)
{
    double width = radius;
    double fscale = 1.0;
    const bool shrinking = scale < 1.0;
    if (shrinking) {
        width = radius / scale;
        fscale = 1.0 / scale;
    }
    const int capacity = int(2.0 * width + 1.0);
    table.lists.assign(std::size_t(dstLen), TCList{});
    table.pool.assign(std::size_t(dstLen) * std::size_t(capacity), TContributor{0, 0});
    for (int i = 0; i < dstLen; ++i) {
        TCList& list = table.lists[std::size_t(i)];
        list.p = table.pool.data() + std::size_t(i) * std::size_t(capacity);
        list.n = 0;
        const double center = i / scale;
        const int left = int(std::floor(center - width));
        const int right = int(std::ceil(center + width));
        for (int j = left; j <= right; ++j) {
            const double wgt = shrinking ? std::nearbyint(k((center - j) / fscale) * 256.0 / fscale)
                                         : std::nearbyint(k(center - j) * 256.0);
            const int weight = int(wgt);
            if (weight == 0)
                continue;
            int n = j;
            if (j < 0)
                n = -j;
            else if (j >= srcLen)
                n = 2 * srcLen - 1 - j;
            n = std::clamp(n, 0, srcLen - 1);
            if (list.n < capacity) // a kernel never yields more, but the block must hold
                list.p[list.n++] = TContributor{n, weight};
        }
    }
}

double axisScale(int srcLen, int dstLen)
{
    if (srcLen == 1 || dstLen == 1)
        return double(dstLen) / srcLen;
    return double(dstLen - 1) / double(srcLen - 1);
}

#if defined(__SSE2__)
// Two contributors at a time: their pixels interleaved as 16-bit lanes and
// multiplied by the weight pair with one madd give the four channel sums, the
// same integers as the plain loop.
inline __m128i weightedPair(const std::uint8_t* pa, const std::uint8_t* pb, int wa, int wb)
{
    std::int32_t va, vb;
    std::memcpy(&va, pa, 4);
    std::memcpy(&vb, pb, 4);
    const __m128i ab = _mm_unpacklo_epi8(_mm_cvtsi32_si128(va), _mm_cvtsi32_si128(vb));
    const __m128i ab16 = _mm_unpacklo_epi8(ab, _mm_setzero_si128());
    const __m128i w =
        _mm_set1_epi32(int((std::uint32_t(std::uint16_t(wb)) << 16) | std::uint16_t(wa)));
    return _mm_madd_epi16(ab16, w);
}

// sums / divisor truncated toward zero, clamped to 0..255, as four bytes. The
// quotient in double is exact after truncation: sums stay far below 2^31 and
// divisors below 2^22.
inline std::uint32_t divideClamp4(__m128i sums, double divisor)
{
    const __m128d d = _mm_set1_pd(divisor);
    const __m128i lo = _mm_cvttpd_epi32(_mm_div_pd(_mm_cvtepi32_pd(sums), d));
    const __m128i hi = _mm_cvttpd_epi32(_mm_div_pd(_mm_cvtepi32_pd(_mm_srli_si128(sums, 8)), d));
    const __m128i q = _mm_unpacklo_epi64(lo, hi);
    const __m128i b16 = _mm_packs_epi32(q, q);
    return std::uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(b16, b16)));
}
#endif

void convolveRow(const std::uint8_t* s, std::uint8_t* d, int nw, const TCList* contrib,
                 const int* divisor)
{
    for (int i = 0; i < nw; ++i, d += 4) {
        const TCList& list = contrib[i];
#if defined(__SSE2__)
        __m128i acc = _mm_setzero_si128();
        int e = 0;
        for (; e + 1 < list.n; e += 2)
            acc = _mm_add_epi32(acc, weightedPair(s + std::size_t(list.p[e].pixel) * 4,
                                                  s + std::size_t(list.p[e + 1].pixel) * 4,
                                                  list.p[e].weight, list.p[e + 1].weight));
        if (e < list.n) {
            const std::uint8_t* px = s + std::size_t(list.p[e].pixel) * 4;
            acc = _mm_add_epi32(acc, weightedPair(px, px, list.p[e].weight, 0));
        }
        const std::uint32_t v = divideClamp4(acc, divisor[i]);
        std::memcpy(d, &v, 4);
#else
        int b = 0, g = 0, r = 0, a = 0;
        for (int e = 0; e < list.n; ++e) {
            const int wgt = list.p[e].weight;
            const std::uint8_t* px = s + std::size_t(list.p[e].pixel) * 4;
            b += wgt * px[0];
            g += wgt * px[1];
            r += wgt * px[2];
            a += wgt * px[3];
        }
        const int div = divisor[i];
        d[0] = clampByte(b / div);
        d[1] = clampByte(g / div);
        d[2] = clampByte(r / div);
        d[3] = clampByte(a / div);
#endif
    }
}

// Adds weight * row for two rows at a time (see weightedPair).
void accumulateRows(int* acc, const std::uint8_t* ra, int wa, const std::uint8_t* rb, int wb,
                    std::size_t len)
{
    std::size_t x = 0;
#if defined(__SSE2__)
    const __m128i w =
        _mm_set1_epi32(int((std::uint32_t(std::uint16_t(wb)) << 16) | std::uint16_t(wa)));
    const __m128i zero = _mm_setzero_si128();
    for (; x + 8 <= len; x += 8) {
        const __m128i a8 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(ra + x));
        const __m128i b8 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(rb + x));
        const __m128i ab = _mm_unpacklo_epi8(a8, b8);
        const __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi8(ab, zero), w);
        const __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi8(ab, zero), w);
        __m128i* out = reinterpret_cast<__m128i*>(acc + x);
        _mm_storeu_si128(out, _mm_add_epi32(_mm_loadu_si128(out), lo));
        _mm_storeu_si128(out + 1, _mm_add_epi32(_mm_loadu_si128(out + 1), hi));
    }
#endif
    for (; x < len; ++x)
        acc[x] += wa * ra[x] + wb * rb[x];
}

} // namespace

TResampleHorizThread::TResampleHorizThread(int startY_, int rowCount_,
                                           const TResampleHorizSharedFields& sharedFields_,
                                           int threadIndex_)
    : sharedFields(sharedFields_), startY(startY_), rowCount(rowCount_), threadIndex(threadIndex_)
{
}

void TResampleHorizThread::Execute()
{
    if (rowCount <= 0)
        return;
    const TBitmap& src = *sharedFields.Src;
    TBitmap& work = *sharedFields.Work;
    const int nw = sharedFields.DstWidth;
    const TCList* contrib = sharedFields.contrib;
    // The weight sum of a column is the same on every row.
    std::vector<int> divisor(static_cast<std::size_t>(nw));
    for (int i = 0; i < nw; ++i) {
        int wsum = 0;
        for (int e = 0; e < contrib[i].n; ++e)
            wsum += contrib[i].p[e].weight;
        divisor[std::size_t(i)] = wsum == 0 ? 256 : wsum;
    }
    for (int y = startY; y < startY + rowCount; ++y)
        convolveRow(src.ScanLine(y), work.ScanLine(y), nw, contrib, divisor.data());
}

void ResampleConvolution(const TBitmap& Src, TBitmap& Dst, TResampleFilter Filter,
                         bool Premultiplied)
{
    if (Filter < rfTriangle || Filter > rfLinear)
        return;
    const int w = Src.Width(), h = Src.Height();
    const int nw = Dst.Width(), nh = Dst.Height();
    if (w == 0 || h == 0 || nw == 0 || nh == 0)
        return;
    const TFilterProc k = ResampleFilters[Filter].Filter;
    const double radius = ResampleFilters[Filter].Radius;
    const double xscale = axisScale(w, nw);
    const double yscale = axisScale(h, nh);

    TBitmap work;
    work.SetPixelFormat(pf32bit);
    work.SetSize(nw, h);

    // Horizontal pass: rows split over the workers, each writing only its rows.
    {
        TContribTable horiz;
        buildContributors(horiz, w, nw, xscale, k, radius);
        TResampleHorizSharedFields shared;
        shared.ThreadsCount = ResampleThreadCount();
        shared.DstWidth = nw;
        shared.contrib = horiz.lists.data();
        shared.Src = &Src;
        shared.Work = &work;
        const int n = shared.ThreadsCount;
        const int each = h / n;
        TResampleThreadPool pool;
        for (int t = 0; t < n; ++t) {
            const int count = t == n - 1 ? h - (n - 1) * each : each;
            pool.Add(new TResampleHorizThread(t * each, count, shared, t));
        }
        pool.Join();
    }

    // Vertical pass: each target row is a weighted sum of whole work rows, which
    // runs over contiguous memory; the rows are split over the workers as well.
    TContribTable vert;
    buildContributors(vert, h, nh, yscale, k, radius);
    const std::size_t rowLen = std::size_t(nw) * 4;
    ParallelRows(nh, [&](int first, int count) {
        std::vector<int> acc(rowLen);
        for (int r = first; r < first + count; ++r) {
            const TCList& list = vert.lists[std::size_t(r)];
            std::fill(acc.begin(), acc.end(), 0);
            int wsum = 0;
            for (int e = 0; e < list.n; e += 2) {
                const int wa = list.p[e].weight;
                const std::uint8_t* ra = work.ScanLine(std::clamp(list.p[e].pixel, 0, h - 1));
                const int wb = e + 1 < list.n ? list.p[e + 1].weight : 0;
                const std::uint8_t* rb =
                    e + 1 < list.n ? work.ScanLine(std::clamp(list.p[e + 1].pixel, 0, h - 1)) : ra;
                accumulateRows(acc.data(), ra, wa, rb, wb, rowLen);
                wsum += wa + wb;
            }
            std::uint8_t* d = Dst.ScanLine(r);
            if (wsum != 0) {
#if defined(__SSE2__)
                for (std::size_t x = 0; x < rowLen; x += 4) {
                    const std::uint32_t v = divideClamp4(
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(acc.data() + x)), wsum);
                    std::memcpy(d + x, &v, 4);
                }
#else
                for (std::size_t x = 0; x < rowLen; ++x)
                    d[x] = clampByte(acc[x] / wsum);
#endif
            } else {
                for (std::size_t x = 0; x < rowLen; ++x)
                    d[x] = std::uint8_t(std::min<std::uint32_t>(std::uint32_t(acc[x]) >> 8, 255));
            }
            if (Premultiplied)
                UnpremultiplyPixels(d, std::size_t(nw));
        }
    });
}

// ---------------------------------------------------------------------------------
// Fast linear (17-bit fixed point)

void ResampleFastLinear(const TBitmap& Src, TBitmap& Dst, bool Premultiplied)
{
    const int w = Src.Width(), h = Src.Height();
    const int nw = Dst.Width(), nh = Dst.Height();
    if (w == 0 || h == 0 || nw == 0 || nh == 0)
        return;
    const double a = double(nw) / w;
    const double b = double(nh) / h;
    if (a == 1.0 && b == 1.0) {
        Dst.Assign(Src);
        return;
    }
    const std::size_t nwz = static_cast<std::size_t>(nw);
    std::vector<int> x0(nwz), x1(nwz), frac(nwz);
    for (int i = 0; i < nw; ++i) {
        const double p = i / a;
        x0[std::size_t(i)] = std::min(int(p), w - 1);
        frac[std::size_t(i)] = int((p - int(p)) * 131072.0);
        x1[std::size_t(i)] =
            std::clamp(int(std::min(i + 1, nw - 1) / a + 1e-10), x0[std::size_t(i)], w - 1);
    }
    TBitmap t;
    t.SetPixelFormat(pf32bit);
    t.SetSize(nw, h);
    ParallelRows(h, [&](int first, int count) {
        for (int y = first; y < first + count; ++y) {
            const std::uint8_t* s = Src.ScanLine(y);
            std::uint8_t* d = t.ScanLine(y);
            for (int i = 0; i < nw; ++i, d += 4) {
                const int c = x0[std::size_t(i)];
                if (a > 1.0) {
                    const int c2 = std::min(c + 1, w - 1);
                    const int f = frac[std::size_t(i)];
                    for (int ch = 0; ch < 4; ++ch) {
                        const int p0 = s[c * 4 + ch];
                        const int p1 = s[c2 * 4 + ch];
                        d[ch] = clampByte(p0 + (((p1 - p0) * f) >> 17));
                    }
                } else {
                    const int e = x1[std::size_t(i)];
                    const int cnt = e - c + 1;
                    for (int ch = 0; ch < 4; ++ch) {
                        int sum = 0;
                        for (int x = c; x <= e; ++x)
                            sum += s[x * 4 + ch];
                        d[ch] = clampByte(sum / cnt);
                    }
                }
            }
        }
    });
    const std::size_t rowLen = std::size_t(nw) * 4;
    ParallelRows(nh, [&](int first, int count) {
        std::vector<int> sum(rowLen);
        for (int r = first; r < first + count; ++r) {
            std::uint8_t* d = Dst.ScanLine(r);
            if (b > 1.0) {
                const double y = r / b;
                const int y0 = std::min(int(y), h - 1);
                const int f = int((y - int(y)) * 131072.0);
                const std::uint8_t* ra = t.ScanLine(y0);
                const std::uint8_t* rb = t.ScanLine(y0 + 1 < h ? y0 + 1 : y0);
                for (std::size_t x = 0; x < rowLen; ++x)
                    d[x] = clampByte(ra[x] + (((rb[x] - ra[x]) * f) >> 17));
            } else {
                const int y0 = std::min(int(r / b), h - 1);
                const int y1 = std::clamp(int(std::min(r + 1, nh - 1) / b), y0, h - 1);
                std::fill(sum.begin(), sum.end(), 0);
                for (int yy = y0; yy <= y1; ++yy) {
                    const std::uint8_t* s = t.ScanLine(yy);
                    for (std::size_t x = 0; x < rowLen; ++x)
                        sum[x] += s[x];
                }
                const int cnt = y1 - y0 + 1;
                for (std::size_t x = 0; x < rowLen; ++x)
                    d[x] = clampByte(sum[x] / cnt);
            }
            if (Premultiplied)
                UnpremultiplyPixels(d, std::size_t(nw));
        }
    });
}
