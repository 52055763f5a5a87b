// The area-integrating bilinear/bicubic scaler: every target pixel is the
// area-weighted mean of sample values over the part of the source it covers.

#include <imaging/uResample.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double Tolerance = 0.0001;

// The four weights of CubicInterpolate for one position, applied in the same
// order as the formula so that the result is the same to the last bit.
struct TCubicCoef
{
    double ca, cb, cc, ce;

    explicit TCubicCoef(double t)
    {
        const double d0 = std::abs(t);
        const double d1 = std::abs(t - 1.0);
        const double d2 = std::abs(t - 2.0);
        const double dm = std::abs(t + 1.0);
        cb = d0 * d0 * d0 - 2.0 * d0 * d0 + 1.0;
        cc = d1 * d1 * d1 - 2.0 * d1 * d1 + 1.0;
        ce = -d2 * d2 * d2 + 5.0 * d2 * d2 - 8.0 * d2 + 4.0;
        ca = -dm * dm * dm + 5.0 * dm * dm - 8.0 * dm + 4.0;
    }
    double apply(double a, double b, double c, double e) const
    {
        return std::clamp(cb * b + cc * c + ce * e + ca * a, 0.0, 255.0);
    }
};

struct TXSegment
{
    int c;        // source column
    int t;        // target column
    double width; // segment width
    double D;     // position of the segment's end relative to column c
};

struct TYStart
{
    int j;       // current source row when the target row begins
    double posY; // position on the y axis
};

} // namespace

void ResampleArea(const TBitmap& Src, TBitmap& Dst, bool Cubic, bool Premultiplied)
{
    const int w = Src.Width(), h = Src.Height();
    const int nw = Dst.Width(), nh = Dst.Height();
    if (w == 0 || h == 0 || nw == 0 || nh == 0 || Src.PixelFormat() != pf32bit
        || Dst.PixelFormat() != pf32bit)
        return;
    const double e = double(w) / nw;
    const double f = double(h) / nh;
    const int mode = (e < 1 && f < 1) ? 0 : (e < 1 && f >= 1) ? 1 : (e >= 1 && f < 1) ? 2 : 3;
    const bool interpX = mode == 0 || mode == 1;
    const bool interpY = mode == 0 || mode == 2;

    // x walk: cut at every source edge and every target edge.
    std::vector<TXSegment> xs;
    xs.reserve(std::size_t(nw) + std::size_t(w));
    {
        double pos = 0.0;
        int c = 0, t = 0;
        for (int step = 0; step < nw + w && t < nw; ++step) {
            const double tgtEdge = (t + 1) * e;
            const double srcEdge = c + 1;
            if (srcEdge + Tolerance >= tgtEdge) {
                const double width = tgtEdge - pos;
                if (width != 0.0)
                    xs.push_back({std::min(c, w - 1), t, width, tgtEdge - c});
                pos = tgtEdge;
                ++t;
            } else {
                const double width = srcEdge - pos;
                if (width != 0.0)
                    xs.push_back({std::min(c, w - 1), t, width, 1.0});
                pos = srcEdge;
                ++c;
            }
        }
    }
    const std::size_t nseg = xs.size();

    // x neighbours and weights per segment, borders replaced as the rules say.
    std::vector<int> cm1(nseg), c0(nseg), cp1(nseg), cp2(nseg);
    std::vector<TCubicCoef> xcoef;
    for (std::size_t k = 0; k < nseg; ++k) {
        const int c = xs[k].c;
        cm1[k] = std::max(c - 1, 0) * 4;
        c0[k] = c * 4;
        cp1[k] = std::min(c + 1, w - 1) * 4;
        cp2[k] = std::min(c + 2, w - 1) * 4;
        if (Cubic && interpX)
            xcoef.emplace_back(xs[k].D);
    }

    // The y walk only depends on the sizes: record where each target row starts so
    // that ranges of target rows can run on different workers with the same result.
    std::vector<TYStart> ystart(static_cast<std::size_t>(nh));
    {
        double posY = 0.0;
        int j = 0, r = 0;
        ystart[0] = {0, 0.0};
        while (r < nh) {
            const double tgt = (r + 1) * f;
            if (j + 1 + Tolerance < tgt) {
                ++j;
                posY = j;
            } else {
                ++r;
                posY = tgt;
                if (r < nh)
                    ystart[std::size_t(r)] = {j, posY};
            }
        }
    }

    const double inv = 1.0 / (e * f);
    auto body = [&](int firstRow, int rowCount) {
        // x-interpolated sample values of a source row, cached for four rows.
        std::vector<double> xrow[4];
        int tag[4] = {-1, -1, -1, -1};
        for (auto& v : xrow)
            v.resize(nseg * 4);
        std::vector<std::uint8_t> premultiplied(Premultiplied ? std::size_t(w) * 4 : 0);
        auto rowValues = [&](int row) -> const double* {
            row = std::clamp(row, 0, h - 1);
            const int slot = row & 3;
            if (tag[slot] == row)
                return xrow[slot].data();
            tag[slot] = row;
            const std::uint8_t* p = Src.ScanLine(row);
            if (Premultiplied) {
                PremultiplyPixels(p, premultiplied.data(), std::size_t(w));
                p = premultiplied.data();
            }
            double* out = xrow[slot].data();
            for (std::size_t k = 0; k < nseg; ++k, out += 4) {
                const std::uint8_t* pa = p + cm1[k];
                const std::uint8_t* pb = p + c0[k];
                const std::uint8_t* pc = p + cp1[k];
                const std::uint8_t* pe = p + cp2[k];
                if (!interpX) {
                    for (int ch = 0; ch < 4; ++ch)
                        out[ch] = pb[ch];
                } else if (!Cubic) {
                    const double D = xs[k].D;
                    for (int ch = 0; ch < 4; ++ch)
                        out[ch] = (1.0 - D) * pb[ch] + D * pc[ch];
                } else {
                    const TCubicCoef& cf = xcoef[k];
                    for (int ch = 0; ch < 4; ++ch) {
                        const double v = cf.apply(pa[ch], pb[ch], pc[ch], pe[ch]);
                        out[ch] = mode == 0 ? std::nearbyint(v) : v;
                    }
                }
            }
            return xrow[slot].data();
        };

        std::vector<double> acc(std::size_t(nw) * 4, 0.0);
        int j = ystart[std::size_t(firstRow)].j;
        double posY = ystart[std::size_t(firstRow)].posY;
        int r = firstRow;
        const int lastRow = firstRow + rowCount;
        while (r < lastRow) {
            const double tgt = (r + 1) * f;
            double t, u;
            const bool endsAtSource = j + 1 + Tolerance < tgt;
            if (endsAtSource) {
                t = j + 1 - posY;
                u = 1.0;
            } else {
                t = tgt - posY;
                u = tgt - j;
            }
            if (t != 0.0) {
                const double* X0 = rowValues(j);
                if (!interpY) {
                    for (std::size_t k = 0; k < nseg; ++k) {
                        const double wt = xs[k].width * t;
                        double* a = &acc[std::size_t(xs[k].t) * 4];
                        for (int ch = 0; ch < 4; ++ch)
                            a[ch] += X0[k * 4 + ch] * wt;
                    }
                } else if (!Cubic) {
                    const double* X1 = rowValues(j + 1);
                    for (std::size_t k = 0; k < nseg; ++k) {
                        const double wt = xs[k].width * t;
                        double* a = &acc[std::size_t(xs[k].t) * 4];
                        for (int ch = 0; ch < 4; ++ch)
                            a[ch] += ((1.0 - u) * X0[k * 4 + ch] + u * X1[k * 4 + ch]) * wt;
                    }
                } else {
                    const double* Xm = rowValues(j - 1);
                    X0 = rowValues(j);
                    const double* X1 = rowValues(j + 1);
                    const double* X2 = rowValues(j + 2);
                    const TCubicCoef cf(u);
                    for (std::size_t k = 0; k < nseg; ++k) {
                        const double wt = xs[k].width * t;
                        double* a = &acc[std::size_t(xs[k].t) * 4];
                        for (int ch = 0; ch < 4; ++ch) {
                            const std::size_t q = k * 4 + std::size_t(ch);
                            a[ch] += cf.apply(Xm[q], X0[q], X1[q], X2[q]) * wt;
                        }
                    }
                }
            }
            if (endsAtSource) {
                ++j;
                posY = j;
            } else {
                std::uint8_t* d = Dst.ScanLine(r);
                for (std::size_t x = 0; x < acc.size(); ++x) {
                    const double v = std::nearbyint(acc[x] * inv);
                    d[x] = std::uint8_t(v <= 0.0 ? 0 : v >= 255.0 ? 255 : v);
                    acc[x] = 0.0;
                }
                if (Premultiplied)
                    UnpremultiplyPixels(d, std::size_t(nw));
                ++r;
                posY = tgt;
            }
        }
    };

    ParallelRows(nh, body);
}
