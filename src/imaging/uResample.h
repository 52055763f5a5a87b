#pragma once
// The resampler: twelve filters over four engines (nearest copy, two-pass integer
// convolution with a threaded horizontal pass, fixed-point fast linear, area
// bilinear/bicubic). Works on 32-bit bitmaps; alpha is filtered like a colour.

#include <imaging/uBitmap.h>

#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

enum TResampleFilter
{
    rfNone,
    rfTriangle,
    rfHermite,
    rfBell,
    rfBSpline,
    rfLanczos3,
    rfMitchell,
    rfNearest,
    rfLinear,
    rfFastLinear,
    rfBilinear,
    rfBicubic
};

// Contributor tables of the convolution engine.
struct TContributor
{
    int pixel;  // source index along the axis
    int weight; // kernel weight times 256, rounded
};
using TContributorList = TContributor[];
using PContributorList = TContributor*;

struct TCList
{
    int n = 0;                    // entries used
    PContributorList p = nullptr; // the entries
};
using TCListList = std::vector<TCList>;
using PCListList = TCList*;

using TFilterProc = double (*)(double);
struct TResampleFilterEntry
{
    TFilterProc Filter;
    double Radius;
};

double SinC(double x);
double TriangleFilter(double x);
double HermiteFilter(double x);
double BellFilter(double x);
double SplineFilter(double x);
double Lanczos3Filter(double x);
double MitchellFilter(double x);
double BoxFilter(double x);
double LinearFilter(double x);

// Indexed by filter ordinal rfTriangle (1) .. rfLinear (8); entry 0 is unused.
extern const TResampleFilterEntry ResampleFilters[9];

double CubicInterpolate(double t, double a, double b, double c, double e);

// A minimal thread with the platform thread's four operations: created suspended,
// started, waited for, freed.
class TThread
{
public:
    TThread() = default;
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    void Start();
    void WaitFor();

protected:
    virtual void Execute() = 0;

private:
    std::thread FThread;
};

struct TResampleHorizSharedFields
{
    int ThreadsCount = 0;
    int DstWidth = 0;
    PCListList contrib = nullptr;
    const TBitmap* Src = nullptr;
    TBitmap* Work = nullptr;
    double per1 = 0.0;
};

class TResampleHorizThread : public TThread
{
public:
    TResampleHorizThread(int startY_, int rowCount_,
                         const TResampleHorizSharedFields& sharedFields_, int threadIndex_);

    TResampleHorizSharedFields sharedFields;
    int startY;
    int rowCount;
    int threadIndex;

protected:
    void Execute() override;
};

class TResampleThreadPool
{
public:
    TResampleThreadPool() = default;
    ~TResampleThreadPool();
    TResampleThreadPool(const TResampleThreadPool&) = delete;
    TResampleThreadPool& operator=(const TResampleThreadPool&) = delete;
    // Takes ownership of Thread and starts it.
    void Add(TThread* Thread);
    // Waits for every thread in the order added and frees it.
    void Join();

private:
    std::vector<TThread*> FThreads;
};

// Number of workers of the threaded passes: the machine's cores, at least 1.
// SetResampleThreadCount(n > 0) overrides it (tests, benchmarks); 0 restores the default.
int ResampleThreadCount();
void SetResampleThreadCount(int Count);

// Runs Body(first, count) over Rows rows split over at most ResampleThreadCount()
// workers: each gets Rows div N rows, the last one the remainder. The rows of one
// call must not depend on each other.
void ParallelRows(int Rows, const std::function<void(int, int)>& Body);

void ResampleBitmap(TBitmap& Bitmap, int AWidth, int AHeight, TResampleFilter Filter);
// The same size rule and filters as ResampleBitmap for a picture with straight
// alpha, filtered in premultiplied form so that the colour under transparent
// pixels does not bleed into visible ones; the result has straight alpha and
// AlphaFormat afDefined.
void ResampleBitmapPremultiplied(TBitmap& Bitmap, int AWidth, int AHeight, TResampleFilter Filter);
// Count pixels from straight to premultiplied alpha (Src may be Dst), and back
// in place. Colours are rounded to the nearest value.
void PremultiplyPixels(const std::uint8_t* Src, std::uint8_t* Dst, std::size_t Count);
void UnpremultiplyPixels(std::uint8_t* Pixels, std::size_t Count);
void ResampleTo(const TBitmap& Src, TBitmap& Dst, int AWidth, int AHeight, TResampleFilter Filter);
void ResampleInto(const TBitmap& Src, TBitmap& Dst, TResampleFilter Filter);
void ResampleFiltered(const TBitmap& Src, TBitmap& Dst, TResampleFilter Filter);
void ResampleNoFilter(const TBitmap& Src, TBitmap& Dst);
// Premultiplied: Src is already premultiplied (fast linear, convolution) or is
// premultiplied row by row as it is read (area); every Dst row is turned back to
// straight alpha as soon as it is written.
void ResampleFastLinear(const TBitmap& Src, TBitmap& Dst, bool Premultiplied = false);
void ResampleArea(const TBitmap& Src, TBitmap& Dst, bool Cubic, bool Premultiplied = false);
// The convolution engine with the kernel of ResampleFilters[Filter].
void ResampleConvolution(const TBitmap& Src, TBitmap& Dst, TResampleFilter Filter,
                         bool Premultiplied = false);
