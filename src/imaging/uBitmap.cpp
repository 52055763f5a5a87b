#include <imaging/uBitmap.h>

#include <platform/uOsServices.h>

#include <QFile>
#include <QIODevice>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>

using zorvel::imaging::MaxPixels;
using zorvel::imaging::ReadLE16;
using zorvel::imaging::ReadLE32;
using zorvel::imaging::WriteLE16;
using zorvel::imaging::WriteLE32;

void TBitmap::TPixelsFree::operator()(std::uint8_t* p) const
{
    std::free(p);
}

// Uninitialised on purpose: every decoder writes all rows, and a cleared
// gigabyte costs as much as decoding it.
TBitmap::TPixels TBitmap::AllocatePixels(std::size_t Bytes)
{
    // Large pictures get memory marked for large pages: filling them faults less.
    void* p = AllocateLargePageBlock(Bytes);
    if (!p)
        p = std::malloc(Bytes);
    if (!p)
        throw std::bad_alloc();
    return TPixels(static_cast<std::uint8_t*>(p));
}

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

void TBitmap::ClearBitmap()
{
    FData.reset();
    FWidth = 0;
    FHeight = 0;
}

void TBitmap::SetSize(int AWidth, int AHeight)
{
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (AWidth == FWidth && AHeight == FHeight)
        return;
    if (std::int64_t(AWidth) * AHeight > MaxPixels)
        throw EInvalidGraphic(
            QString(),
            QStringLiteral("Picture too large (%1 x %2 pixels)").arg(AWidth).arg(AHeight));
    const std::size_t bytes = std::size_t(AWidth) * std::size_t(AHeight) * BytesPerPixel();
    TPixels data;
    if (bytes > 0)
        data = AllocatePixels(bytes);
    FData = std::move(data);
    FWidth = AWidth;
    FHeight = AHeight;
}

void TBitmap::SetPixelFormat(TPixelFormat Value)
{
    if (Value == FPixelFormat)
        return;
    const std::size_t pixels = std::size_t(FWidth) * std::size_t(FHeight);
    TPixels data;
    if (pixels > 0) {
        data = AllocatePixels(pixels * (Value == pf32bit ? 4 : 3));
        const std::uint8_t* s = FData.get();
        std::uint8_t* d = data.get();
        if (Value == pf32bit) {
            for (std::size_t i = 0; i < pixels; ++i, s += 3, d += 4) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
                d[3] = 255;
            }
        } else {
            for (std::size_t i = 0; i < pixels; ++i, s += 4, d += 3) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
        }
    }
    FData = std::move(data);
    FPixelFormat = Value;
}

void TBitmap::SetAlphaFormat(TAlphaFormat Value)
{
    if (Value == FAlphaFormat)
        return;
    const TAlphaFormat old = FAlphaFormat;
    FAlphaFormat = Value;
    if (FPixelFormat != pf32bit || Empty())
        return;
    const std::size_t pixels = std::size_t(FWidth) * std::size_t(FHeight);
    std::uint8_t* p = FData.get();
    if (old == afDefined && Value == afPremultiplied) {
        for (std::size_t i = 0; i < pixels; ++i, p += 4) {
            const unsigned a = p[3];
            for (int c = 0; c < 3; ++c)
                p[c] = std::uint8_t((p[c] * a + 127) / 255);
        }
    } else if (old == afPremultiplied && Value == afDefined) {
        for (std::size_t i = 0; i < pixels; ++i, p += 4) {
            const unsigned a = p[3];
            if (a == 0 || a == 255)
                continue;
            for (int c = 0; c < 3; ++c)
                p[c] = std::uint8_t(std::min(255u, (p[c] * 255u + a / 2) / a));
        }
    }
}

void TBitmap::TakeOver(TBitmap& Source)
{
    if (&Source == this)
        return;
    FData = std::move(Source.FData);
    FWidth = Source.FWidth;
    FHeight = Source.FHeight;
    FPixelFormat = Source.FPixelFormat;
    FAlphaFormat = Source.FAlphaFormat;
    Source.ClearBitmap();
}

void TBitmap::Assign(const TBitmap& Source)
{
    if (&Source == this)
        return;
    TPixels data;
    const std::size_t bytes = Source.RowBytes() * std::size_t(Source.FHeight);
    if (bytes > 0) {
        data = AllocatePixels(bytes);
        std::memcpy(data.get(), Source.FData.get(), bytes);
    }
    FData = std::move(data);
    FWidth = Source.FWidth;
    FHeight = Source.FHeight;
    FPixelFormat = Source.FPixelFormat;
    FAlphaFormat = Source.FAlphaFormat;
}

// ---------------------------------------------------------------------------------
// BMP

namespace {

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_BITFIELDS = 3;
constexpr std::uint32_t BI_ALPHABITFIELDS = 6;

// One colour channel described by a bit mask, scaled to 8 bits.
struct MaskChannel
{
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit MaskChannel(std::uint32_t m) : mask(m)
    {
        if (m == 0)
            return;
        shift = std::countr_zero(m);
        max = m >> shift;
    }
    std::uint8_t get(std::uint32_t v) const
    {
        if (max == 0)
            return 0;
        const std::uint32_t x = (v & mask) >> shift;
        if (max == 255)
            return std::uint8_t(x);
        return std::uint8_t((std::uint64_t(x) * 255 + max / 2) / max);
    }
};

[[noreturn]] void bad(const QString& name, const QString& reason)
{
    throw EInvalidGraphic(name, reason);
}

} // namespace

namespace {

constexpr std::uint32_t BI_RLE8 = 1;
constexpr std::uint32_t BI_RLE4 = 2;

// Decodes RLE8 (Bits 8) or RLE4 (Bits 4) data into Dst, a 32-bit picture cleared
// to transparent black: pixels the file skips over (delta codes, early end of
// line or of bitmap) stay transparent. Returns how many pixels were written.
// Every code is bounds-checked: runs stop at the line end, deltas and lines
// beyond the picture end the decoding, and the data ends the decoding as well.
std::uint64_t decodeRle(const std::uint8_t* p, std::size_t size, int Bits, TBitmap& Dst,
                        bool TopDown, const std::array<std::uint8_t, 256 * 3>& Palette)
{
    const int w = Dst.Width();
    const int h = Dst.Height();
    std::uint64_t written = 0;
    int x = 0;
    int line = 0;
    auto put = [&](unsigned index) {
        std::uint8_t* d = Dst.ScanLine(TopDown ? line : h - 1 - line) + std::size_t(x) * 4;
        std::memcpy(d, &Palette[index * 3], 3);
        d[3] = 255;
        ++x;
        ++written;
    };
    std::size_t i = 0;
    while (i + 1 < size && line < h) {
        const unsigned count = p[i];
        const unsigned value = p[i + 1];
        i += 2;
        if (count > 0) { // a run: one index, or two alternating nibbles in RLE4
            for (unsigned k = 0; k < count && x < w; ++k)
                put(Bits == 8 ? value : (k & 1) ? (value & 0x0F) : (value >> 4));
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++line;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta: move right and down
            if (i + 1 >= size)
                break;
            x += p[i];
            line += p[i + 1];
            i += 2;
            if (x >= w) // beyond the line: nothing more can be drawn on it
                x = w;
        } else { // absolute: `value` literal indices, padded to a 16-bit boundary
            const std::size_t bytes = Bits == 8 ? value : (value + 1) / 2;
            if (bytes > size - i)
                break;
            for (unsigned k = 0; k < value && x < w; ++k)
                put(Bits == 8 ? p[i + k] : (k & 1) ? (p[i + k / 2] & 0x0F) : (p[i + k / 2] >> 4));
            i += (bytes + 1) & ~std::size_t(1);
        }
    }
    return written;
}

} // namespace

void TBitmap::LoadFromMemory(const std::uint8_t* Data, std::size_t Size, const QString& Name)
{
    if (Size < 14 + 12 || Data[0] != 'B' || Data[1] != 'M')
        bad(Name, QStringLiteral("Not a BMP picture"));
    const std::uint32_t offBits = ReadLE32(Data + 10);
    const std::uint32_t hdrSize = ReadLE32(Data + 14);
    const std::uint8_t* h = Data + 14;
    // 12: Windows 2 / OS/2 1.x; 16 and 64: OS/2 2.x (its first 40 bytes are laid out
    // like Windows' BITMAPINFOHEADER, missing fields are zero); 40 to 124: Windows.
    const bool os2v2 = hdrSize == 16 || hdrSize == 64;
    if (hdrSize != 12 && !os2v2 && hdrSize < 40)
        bad(Name, QStringLiteral("Unsupported BMP header"));
    if (std::uint64_t(14) + hdrSize > Size)
        bad(Name, QStringLiteral("Truncated BMP header"));

    std::int64_t width = 0;
    std::int64_t height = 0;
    int bpp = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t clrUsed = 0;
    std::array<std::uint32_t, 4> masks{0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0};
    bool haveMasks = false;
    int paletteEntrySize = 4;
    if (hdrSize == 12) {
        width = ReadLE16(h + 4);
        height = ReadLE16(h + 6); // unsigned in the old header: always bottom-up
        bpp = ReadLE16(h + 10);
        paletteEntrySize = 3;
    } else {
        width = std::int32_t(ReadLE32(h + 4));
        height = std::int32_t(ReadLE32(h + 8));
        bpp = ReadLE16(h + 14);
        if (hdrSize >= 40) {
            compression = ReadLE32(h + 16);
            clrUsed = ReadLE32(h + 32);
        }
        // OS/2 2.x uses 3 for Huffman 1D and 4 for RLE24, neither of which is read.
        if (os2v2 && compression > BI_RLE4)
            bad(Name, QStringLiteral("Unsupported BMP compression %1 (OS/2)").arg(compression));
        if (compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) {
            const int count = compression == BI_ALPHABITFIELDS ? 4 : 3;
            const std::uint8_t* m = h + 40; // inside V2+ headers, or right after a plain one
            if (std::uint64_t(14) + 40 + 4 * count > Size)
                bad(Name, QStringLiteral("Truncated BMP header"));
            for (int i = 0; i < count; ++i)
                masks[i] = ReadLE32(m + 4 * i);
            if (count == 3 && hdrSize >= 56)
                masks[3] = ReadLE32(h + 52);
            haveMasks = true;
        }
    }
    const bool topDown = height < 0;
    height = topDown ? -height : height;
    if (width <= 0 || height <= 0)
        bad(Name, QStringLiteral("Invalid BMP size"));
    if (width * height > MaxPixels)
        bad(Name, QStringLiteral("Picture too large (%1 x %2 pixels)").arg(width).arg(height));
    const bool rle = (compression == BI_RLE8 && bpp == 8) || (compression == BI_RLE4 && bpp == 4);
    if (compression != BI_RGB && !haveMasks && !rle)
        bad(Name,
            QStringLiteral("Unsupported BMP compression %1 at %2 bits").arg(compression).arg(bpp));
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        bad(Name, QStringLiteral("Unsupported BMP bit depth %1").arg(bpp));
    if (haveMasks && bpp != 16 && bpp != 32)
        bad(Name, QStringLiteral("Unsupported BMP bit fields"));

    // Palette (only for up to 8 bits per pixel).
    std::array<std::uint8_t, 256 * 3> palette{}; // b, g, r per entry; missing entries black
    if (bpp <= 8) {
        std::uint64_t palStart = 14 + std::uint64_t(hdrSize);
        if (haveMasks && hdrSize == 40)
            palStart += compression == BI_ALPHABITFIELDS ? 16 : 12;
        std::uint64_t count = clrUsed ? clrUsed : (1u << bpp);
        count = std::min<std::uint64_t>(count, 256);
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint64_t at = palStart + i * paletteEntrySize;
            if (at + 3 > Size || at + 3 > offBits)
                break;
            palette[i * 3 + 0] = Data[at + 0];
            palette[i * 3 + 1] = Data[at + 1];
            palette[i * 3 + 2] = Data[at + 2];
        }
    }

    if (rle) {
        if (offBits > Size)
            bad(Name, QStringLiteral("Truncated BMP pixel data"));
        // A run codes at most 255 pixels in 2 bytes; delta codes skip more, but a
        // picture hundreds of times larger than its data is not a real one.
        const std::uint64_t dataBytes = Size - offBits;
        if (width * height > (std::int64_t(1) << 20)
            && std::uint64_t(width * height) > dataBytes * 256)
            bad(Name, QStringLiteral("BMP picture size does not match the file (%1 x %2)")
                          .arg(width)
                          .arg(height));
        TBitmap tmp;
        tmp.FPixelFormat = pf32bit;
        tmp.SetSize(int(width), int(height));
        std::memset(tmp.Bits(), 0, tmp.RowBytes() * std::size_t(height));
        const std::uint64_t written =
            decodeRle(Data + offBits, dataBytes, bpp, tmp, topDown, palette);
        // Only a picture with skipped pixels has transparency to keep.
        tmp.FAlphaFormat = written == std::uint64_t(width * height) ? afIgnored : afDefined;
        TakeOver(tmp);
        return;
    }

    const std::uint64_t stride = ((std::uint64_t(width) * bpp + 31) / 32) * 4;
    if (offBits > Size || stride * std::uint64_t(height) > Size - offBits)
        bad(Name, QStringLiteral("Truncated BMP pixel data"));

    // A 16- or 32-bit BMP carries alpha only when its header declares an alpha
    // mask (BITMAPV3+ or BI_ALPHABITFIELDS). The fourth byte of a plain 32-bit BMP
    // is "reserved" and often 0 in the wild, so it reads as opaque.
    const bool alpha = (bpp == 32 || bpp == 16) && haveMasks && masks[3] != 0;
    const bool standard32 =
        bpp == 32
        && (!haveMasks
            || (masks[0] == 0x00FF0000u && masks[1] == 0x0000FF00u && masks[2] == 0x000000FFu
                && (masks[3] == 0 || masks[3] == 0xFF000000u)));

    TBitmap tmp;
    tmp.FPixelFormat = (bpp == 32 || bpp == 16) ? pf32bit : pf24bit;
    tmp.SetSize(int(width), int(height));
    const int w = int(width);
    const MaskChannel mr(bpp == 16 && !haveMasks ? 0x7C00u : masks[0]);
    const MaskChannel mg(bpp == 16 && !haveMasks ? 0x03E0u : masks[1]);
    const MaskChannel mb(bpp == 16 && !haveMasks ? 0x001Fu : masks[2]);
    const MaskChannel ma(masks[3]);
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* s = Data + offBits + stride * std::uint64_t(y);
        std::uint8_t* d = tmp.ScanLine(int(topDown ? y : height - 1 - y));
        switch (bpp) {
        case 24:
            std::memcpy(d, s, std::size_t(w) * 3);
            break;
        case 32:
            if (standard32) {
                std::memcpy(d, s, std::size_t(w) * 4);
                if (!alpha)
                    for (int x = 0; x < w; ++x)
                        d[x * 4 + 3] = 255;
            } else {
                for (int x = 0; x < w; ++x, s += 4, d += 4) {
                    const std::uint32_t v = ReadLE32(s);
                    d[0] = mb.get(v);
                    d[1] = mg.get(v);
                    d[2] = mr.get(v);
                    d[3] = alpha ? ma.get(v) : 255;
                }
            }
            break;
        case 16:
            for (int x = 0; x < w; ++x, s += 2, d += 4) {
                const std::uint32_t v = ReadLE16(s);
                d[0] = mb.get(v);
                d[1] = mg.get(v);
                d[2] = mr.get(v);
                d[3] = alpha ? ma.get(v) : 255;
            }
            break;
        default: { // 1, 4, 8 bits per pixel through the palette
            const int perByte = 8 / bpp;
            const unsigned maskBits = (1u << bpp) - 1;
            for (int x = 0; x < w; ++x, d += 3) {
                const unsigned byte = s[x / perByte];
                const int shift = 8 - bpp * (x % perByte + 1);
                const unsigned idx = (byte >> shift) & maskBits;
                std::memcpy(d, &palette[idx * 3], 3);
            }
            break;
        }
        }
    }
    tmp.FAlphaFormat = alpha ? afDefined : afIgnored;
    TakeOver(tmp);
}

void TBitmap::LoadFromFile(const QString& FileName)
{
    const QByteArray bytes = zorvel::imaging::ReadWholeFile(FileName);
    LoadFromMemory(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                   std::size_t(bytes.size()), FileName);
}

// The writer always stores 32 bits per pixel, bottom-up, with a BITMAPV5HEADER
// whose alpha mask is set exactly when AlphaFormat is afDefined: so a picture's
// alpha survives a round trip, and an opaque one does not read back as transparent.
void TBitmap::SaveToStream(QIODevice& Stream)
{
    const std::uint32_t hdrSize = 124;
    const std::uint32_t offBits = 14 + hdrSize;
    const std::uint64_t imageBytes = std::uint64_t(FWidth) * FHeight * 4;
    if (offBits + imageBytes > 0xFFFFFFFFu)
        throw EFileError(QString(), QStringLiteral("Picture too large for BMP"));
    std::array<std::uint8_t, 14 + 124> hdr{};
    hdr[0] = 'B';
    hdr[1] = 'M';
    WriteLE32(&hdr[2], std::uint32_t(offBits + imageBytes));
    WriteLE32(&hdr[10], offBits);
    std::uint8_t* h = &hdr[14];
    WriteLE32(h + 0, hdrSize);
    WriteLE32(h + 4, std::uint32_t(FWidth));
    WriteLE32(h + 8, std::uint32_t(FHeight));
    WriteLE16(h + 12, 1);
    WriteLE16(h + 14, 32);
    WriteLE32(h + 16, BI_BITFIELDS);
    WriteLE32(h + 20, std::uint32_t(imageBytes));
    WriteLE32(h + 24, 2835); // 72 dpi
    WriteLE32(h + 28, 2835);
    WriteLE32(h + 40, 0x00FF0000u);
    WriteLE32(h + 44, 0x0000FF00u);
    WriteLE32(h + 48, 0x000000FFu);
    WriteLE32(h + 52, FAlphaFormat == afDefined ? 0xFF000000u : 0u);
    WriteLE32(h + 56, 0x73524742u); // LCS_sRGB
    WriteLE32(h + 108, 4);          // LCS_GM_IMAGES

    bool failed = false;
    SafeWrite(Stream, hdr.data(), qint64(hdr.size()), failed);
    if (FPixelFormat == pf32bit) {
        for (int y = FHeight - 1; y >= 0; --y)
            SafeWrite(Stream, ScanLine(y), qint64(RowBytes()), failed);
    } else {
        std::unique_ptr<std::uint8_t[]> row(new std::uint8_t[std::size_t(FWidth) * 4 + 1]);
        for (int y = FHeight - 1; y >= 0; --y) {
            const std::uint8_t* s = ScanLine(y);
            std::uint8_t* d = row.get();
            for (int x = 0; x < FWidth; ++x, s += 3, d += 4) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
                d[3] = 255;
            }
            SafeWrite(Stream, row.get(), qint64(FWidth) * 4, failed);
        }
    }
    if (failed)
        throw EFileError(QString(), QStringLiteral("Cannot write file"));
}

void TBitmap::SaveToFile(const QString& FileName)
{
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFileError(FileName,
                         QStringLiteral("Cannot create file (%1)").arg(file.errorString()));
    try {
        SaveToStream(file);
    } catch (const EFileError& e) {
        file.cancelWriting();
        throw EFileError(FileName, e.Reason());
    }
    if (!file.commit())
        throw EFileError(FileName,
                         QStringLiteral("Cannot write file (%1)").arg(file.errorString()));
}
