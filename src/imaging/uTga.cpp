#include <imaging/uTga.h>

#include <QFile>
#include <QIODevice>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

using zorvel::imaging::MaxPixels;
using zorvel::imaging::ReadLE16;
using zorvel::imaging::ReadLE32;
using zorvel::imaging::WriteLE16;
using zorvel::imaging::WriteLE32;

namespace {

constexpr char Signature[18] = "TRUEVISION-XFILE."; // 17 characters + the zero byte
constexpr int ExtSize = 495;
constexpr int FooterSize = 26;
constexpr int HeaderSize = 18;

// The combinations the format defines: colour-mapped (1, RLE 9) with 8- or 16-bit
// indices into a map of 15-, 16-, 24- or 32-bit entries; true colour (2, RLE 10)
// at 15, 16, 24 or 32 bits; grey (3, RLE 11) at 8 bits, or 16 with alpha.
bool headerValid(const std::uint8_t* h)
{
    const int mapType = h[1];
    const int type = h[2] & ~8;
    const int depth = h[16];
    const int entry = h[7];
    if (mapType > 1 || h[2] > 11 || ReadLE16(h + 12) == 0 || ReadLE16(h + 14) == 0)
        return false;
    const bool mapEntryValid = entry == 15 || entry == 16 || entry == 24 || entry == 32;
    switch (type) {
    case 1:
        return mapType == 1 && mapEntryValid && ReadLE16(h + 5) != 0 && (depth == 8 || depth == 16);
    case 2:
        return depth == 15 || depth == 16 || depth == 24 || depth == 32;
    case 3:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

QByteArray zeroTerminated(const std::uint8_t* p, int maxLen)
{
    const void* nul = std::memchr(p, 0, std::size_t(maxLen));
    const int len = nul ? int(static_cast<const std::uint8_t*>(nul) - p) : maxLen;
    return QByteArray(reinterpret_cast<const char*>(p), len);
}

// Reads through an 8192-byte buffer. Past the end of the data it hands out zero
// bytes, so a truncated file decodes to a picture whose missing part is zero.
class BufferedReader
{
public:
    explicit BufferedReader(QIODevice& s) : FStream(s) {}

    void read(std::uint8_t* dst, std::size_t n)
    {
        while (n > 0) {
            if (FPos == FLen && !refill()) {
                std::memset(dst, 0, n);
                return;
            }
            const std::size_t k = std::min(n, FLen - FPos);
            std::memcpy(dst, FBuf.data() + FPos, k);
            FPos += k;
            dst += k;
            n -= k;
        }
    }
    std::uint8_t byte()
    {
        std::uint8_t b;
        read(&b, 1);
        return b;
    }
    void skip(std::size_t n)
    {
        std::uint8_t tmp[256];
        while (n > 0 && !FEnd) {
            const std::size_t k = std::min(n, sizeof tmp);
            read(tmp, k);
            n -= k;
        }
    }
    bool atEnd() const { return FEnd; }

private:
    bool refill()
    {
        if (FEnd)
            return false;
        const qint64 got = FStream.read(reinterpret_cast<char*>(FBuf.data()), qint64(FBuf.size()));
        if (got <= 0) {
            FEnd = true;
            return false;
        }
        FPos = 0;
        FLen = std::size_t(got);
        return true;
    }

    QIODevice& FStream;
    std::array<std::uint8_t, 8192> FBuf{};
    std::size_t FPos = 0;
    std::size_t FLen = 0;
    bool FEnd = false;
};

void readExtensionArea(QIODevice& Stream, qint64 start, TTGAParamsVals& Params)
{
    const qint64 size = Stream.size();
    if (size - start < HeaderSize + FooterSize)
        return;
    std::uint8_t footer[FooterSize];
    if (!Stream.seek(size - FooterSize)
        || Stream.read(reinterpret_cast<char*>(footer), FooterSize) != FooterSize)
        return;
    if (std::memcmp(footer + 8, Signature, 18) != 0)
        return;
    const std::uint32_t offset = ReadLE32(footer);
    std::uint8_t ext[ExtSize];
    if (offset == 0 || qint64(offset) > size - start || !Stream.seek(start + offset)
        || Stream.read(reinterpret_cast<char*>(ext), ExtSize) != ExtSize)
        return; // a damaged extension area leaves the defaults
    Params.fTGA_Author = zeroTerminated(ext + 2, 41);
    const int month = ReadLE16(ext + 367), day = ReadLE16(ext + 369), year = ReadLE16(ext + 371);
    const int hour = ReadLE16(ext + 373), minute = ReadLE16(ext + 375),
              second = ReadLE16(ext + 377);
    if (month != 0 && day != 0 && year != 0 && year < 2500 && month < 13 && day < 32 && hour < 24
        && minute < 60 && second < 60) {
        const QDate date(year, month, day);
        if (date.isValid())
            Params.fTGA_Date = QDateTime(date, QTime(hour, minute, second));
    }
    Params.fTGA_ImageName = zeroTerminated(ext + 379, 41);
    Params.fTGA_Background = CreateRGB(ext[471], ext[472], ext[473]);
    const int an = ReadLE16(ext + 474), ad = ReadLE16(ext + 476);
    if (an != 0 && ad != 0)
        Params.fTGA_AspectRatio = double(an) / ad;
    const int gn = ReadLE16(ext + 478), gd = ReadLE16(ext + 480);
    if (gn != 0 && gd != 0)
        Params.fTGA_Gamma = double(gn) / gd;
}

// The file name for error texts; empty for a device that is not a file.
QString deviceName(QIODevice& Stream)
{
    auto* f = qobject_cast<QFileDevice*>(&Stream);
    return f ? f->fileName() : QString();
}

[[noreturn]] void notTga(QIODevice& Stream)
{
    throw EInvalidGraphic(deviceName(Stream), QStringLiteral("It is not TGA File."));
}

} // namespace

void TTGAParamsVals::ResetInfo()
{
    fTGA_Descriptor.clear();
    fTGA_Author.clear();
    fTGA_ImageName.clear();
}

bool CheckTGAHeader(QIODevice& Stream)
{
    const qint64 pos = Stream.pos();
    std::uint8_t h[HeaderSize];
    const qint64 got = Stream.read(reinterpret_cast<char*>(h), HeaderSize);
    Stream.seek(pos);
    return got == HeaderSize && headerValid(h);
}

namespace {

// How one stored pixel becomes blue, green, red, alpha.
struct TgaPixelFormat
{
    int type = 2;         // 1 colour-mapped, 2 true colour, 3 grey
    int bytes = 4;        // per stored pixel
    bool alpha16 = false; // 15/16-bit: the top bit is alpha (descriptor says 1 alpha bit)
    const std::uint8_t* palette = nullptr; // colour-mapped: 4 bytes per entry
    std::uint32_t first = 0;               // index of the map's first entry
    std::uint32_t entries = 0;
};

inline void fromRgb555(std::uint32_t v, bool alpha, std::uint8_t* d)
{
    const unsigned b = v & 0x1F, g = (v >> 5) & 0x1F, r = (v >> 10) & 0x1F;
    d[0] = std::uint8_t((b << 3) | (b >> 2));
    d[1] = std::uint8_t((g << 3) | (g >> 2));
    d[2] = std::uint8_t((r << 3) | (r >> 2));
    d[3] = alpha ? ((v & 0x8000) ? 255 : 0) : 255;
}

// A true-colour value of 2, 3 or 4 bytes (15/16, 24 or 32 bits).
inline void fromTrueColour(const std::uint8_t* s, int bytes, bool alpha16, std::uint8_t* d)
{
    switch (bytes) {
    case 2:
        fromRgb555(ReadLE16(s), alpha16, d);
        break;
    case 3:
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = 255;
        break;
    default:
        std::memcpy(d, s, 4);
        break;
    }
}

void convertPixels(const std::uint8_t* s, std::uint8_t* d, int n, const TgaPixelFormat& f)
{
    switch (f.type) {
    case 1:
        for (int i = 0; i < n; ++i, s += f.bytes, d += 4) {
            const std::uint32_t index = f.bytes == 1 ? s[0] : ReadLE16(s);
            if (index >= f.first && index - f.first < f.entries) {
                std::memcpy(d, f.palette + std::size_t(index - f.first) * 4, 4);
            } else { // an index outside the map: black
                d[0] = d[1] = d[2] = 0;
                d[3] = 255;
            }
        }
        break;
    case 3:
        for (int i = 0; i < n; ++i, s += f.bytes, d += 4) {
            d[0] = d[1] = d[2] = s[0];
            d[3] = f.bytes == 2 ? s[1] : 255;
        }
        break;
    default:
        if (f.bytes == 4) {
            std::memcpy(d, s, std::size_t(n) * 4);
        } else {
            for (int i = 0; i < n; ++i, s += f.bytes, d += 4)
                fromTrueColour(s, f.bytes, f.alpha16, d);
        }
        break;
    }
}

} // namespace

void ReadTGAStream(QIODevice& Stream, TBitmap& Bitmap, TTGAParamsVals& Params)
{
    const qint64 start = Stream.pos();
    Params.fTGA_Author.clear();
    Params.fTGA_ImageName.clear();
    Params.fTGA_Date = QDateTime(QDate::currentDate(), QTime(0, 0));
    Params.fTGA_Background = CreateRGB(0, 0, 0);
    Params.fTGA_AspectRatio = 1.0;
    Params.fTGA_Gamma = 2.2;
    if (!Stream.isSequential())
        readExtensionArea(Stream, start, Params);
    Stream.seek(start);

    BufferedReader in(Stream);
    std::uint8_t h[HeaderSize];
    in.read(h, HeaderSize);
    if (in.atEnd() || !headerValid(h))
        notTga(Stream);
    Params.fTGA_XPos = ReadLE16(h + 8);
    Params.fTGA_YPos = ReadLE16(h + 10);
    Params.fTGA_Compressed = (h[2] & 8) != 0;
    Params.fTGA_Descriptor.resize(h[0]);
    in.read(reinterpret_cast<std::uint8_t*>(Params.fTGA_Descriptor.data()), h[0]);

    TgaPixelFormat fmt;
    fmt.type = h[2] & ~8;
    fmt.bytes = (h[16] + 7) / 8;
    // A 16-bit pixel's top bit is alpha only when the descriptor announces one
    // alpha bit; otherwise it is unused and often 0, which must not mean transparent.
    const bool oneAlphaBit = (h[17] & 0x0F) == 1;
    fmt.alpha16 = oneAlphaBit && h[16] == 16;
    std::vector<std::uint8_t> palette;
    if (h[1] == 1) {
        const std::size_t entries = ReadLE16(h + 5);
        const int entryBytes = (h[7] + 7) / 8;
        if (fmt.type == 1 && entryBytes >= 2 && entryBytes <= 4) {
            std::vector<std::uint8_t> raw(entries * std::size_t(entryBytes));
            in.read(raw.data(), raw.size());
            palette.resize(entries * 4);
            for (std::size_t i = 0; i < entries; ++i)
                fromTrueColour(raw.data() + i * std::size_t(entryBytes), entryBytes,
                               oneAlphaBit && h[7] == 16, palette.data() + i * 4);
            fmt.palette = palette.data();
            fmt.first = ReadLE16(h + 3);
            fmt.entries = std::uint32_t(entries);
        } else {
            // A colour map is of no use for true-colour or grey pixels, but the
            // pixel data starts after it, so it is stepped over.
            in.skip(entries * std::size_t((h[7] + 7u) / 8u));
        }
    }

    const int width = ReadLE16(h + 12);
    const int height = ReadLE16(h + 14);
    const int bpp = fmt.bytes;
    Params.fWidth = Params.fOriginalWidth = width;
    Params.fHeight = Params.fOriginalHeight = height;
    Params.fBitsPerSample = 8;
    Params.fSamplesPerPixel = fmt.type == 3                           ? bpp
                              : fmt.type == 1                         ? (h[7] == 32 ? 4 : 3)
                              : bpp == 4 || (bpp == 2 && fmt.alpha16) ? 4
                                                                      : 3;

    // Refuse sizes no file of this length can describe, in pixels per byte of
    // this format: raw data needs all its bytes (half of them present is taken as
    // a truncated file), run packets give at most 128 pixels per (1 + bpp) bytes.
    // Small pictures always load, so an ordinary truncated file still reads with
    // its missing part zero.
    const std::int64_t pixels = std::int64_t(width) * height;
    const qint64 left = Stream.isSequential() ? 0 : std::max<qint64>(0, Stream.size() - start);
    const std::int64_t limit = Params.fTGA_Compressed ? left * 128 / (1 + bpp) : left * 2 / bpp;
    if (pixels > MaxPixels
        || (pixels > (std::int64_t(1) << 20) && !Stream.isSequential() && pixels > limit))
        throw EInvalidGraphic(deviceName(Stream),
                              QStringLiteral("TGA picture size does not match the file (%1 x %2)")
                                  .arg(width)
                                  .arg(height));

    Bitmap.SetPixelFormat(pf32bit);
    Bitmap.SetSize(width, height);
    std::vector<TRGB> colorLine(static_cast<std::size_t>(width));
    std::vector<std::uint8_t> alphaLine(std::size_t(width), 255);
    std::vector<std::uint8_t> raw(std::size_t(width) * std::size_t(bpp));

    const bool topDown = (h[17] & 0x20) != 0;
    const bool rightToLeft = (h[17] & 0x10) != 0;
    const bool plainTrueColour = fmt.type == 2 && bpp >= 3;
    // Run-length packets may run on into the next line: the packet state lives
    // across lines and is cleared only once per picture.
    int packetLeft = 0;
    bool packetIsRun = false;
    std::uint8_t runPixel[4] = {0, 0, 0, 255};

    for (int line = 0; line < height; ++line) {
        std::uint8_t* row = Bitmap.ScanLine(topDown ? line : height - 1 - line);
        if (!Params.fTGA_Compressed) {
            if (in.atEnd()) {
                std::memset(row, 0, std::size_t(width) * 4);
            } else if (plainTrueColour && bpp == 4) {
                in.read(row, std::size_t(width) * 4);
            } else if (plainTrueColour) {
                in.read(reinterpret_cast<std::uint8_t*>(colorLine.data()), std::size_t(width) * 3);
                MergeRGBAlpha(colorLine.data(), alphaLine.data(), row, width);
            } else {
                in.read(raw.data(), raw.size());
                convertPixels(raw.data(), row, width, fmt);
            }
        } else {
            int x = 0;
            while (x < width) {
                if (packetLeft == 0) {
                    if (in.atEnd()) {
                        std::memset(row + x * 4, 0, std::size_t(width - x) * 4);
                        break;
                    }
                    const std::uint8_t ph = in.byte();
                    packetLeft = (ph & 0x7F) + 1;
                    packetIsRun = (ph & 0x80) != 0;
                    if (packetIsRun) {
                        std::uint8_t value[4];
                        in.read(value, std::size_t(bpp));
                        convertPixels(value, runPixel, 1, fmt);
                    }
                }
                const int n = std::min(packetLeft, width - x);
                std::uint8_t* d = row + x * 4;
                if (packetIsRun) {
                    for (int i = 0; i < n; ++i, d += 4)
                        std::memcpy(d, runPixel, 4);
                } else if (plainTrueColour && bpp == 4) {
                    in.read(d, std::size_t(n) * 4);
                } else {
                    in.read(raw.data(), std::size_t(n) * std::size_t(bpp));
                    convertPixels(raw.data(), d, n, fmt);
                }
                packetLeft -= n;
                x += n;
            }
        }
        if (rightToLeft)
            for (int l = 0, r = width - 1; l < r; ++l, --r)
                std::swap_ranges(row + l * 4, row + l * 4 + 4, row + r * 4);
    }
}

bool WriteTGAStream(QIODevice& Stream, const TBitmap& Bitmap, TTGAParamsVals& Params)
{
    const int width = Bitmap.Width();
    const int height = Bitmap.Height();
    if (width > 0xFFFF || height > 0xFFFF)
        throw EInvalidGraphic(
            QString(),
            QStringLiteral("Picture too large for TGA (%1 x %2)").arg(width).arg(height));
    const qint64 start = Stream.pos();
    const bool alpha = Params.fAlphaUsed;
    bool failed = false;

    const QByteArray id = Params.fTGA_Descriptor.left(254);
    std::uint8_t h[HeaderSize] = {};
    h[0] = std::uint8_t(id.size() + 1);
    WriteLE16(h + 8, std::uint32_t(Params.fTGA_XPos));
    WriteLE16(h + 10, std::uint32_t(Params.fTGA_YPos));
    h[2] = 2;
    WriteLE16(h + 12, std::uint32_t(width));
    WriteLE16(h + 14, std::uint32_t(height));
    h[16] = alpha ? 32 : 24;
    h[17] = alpha ? 0x28 : 0x20;
    SafeWrite(Stream, h, HeaderSize, failed);
    SafeWrite(Stream, id.constData(), id.size(), failed);
    const char zero = 0;
    SafeWrite(Stream, &zero, 1, failed);

    std::vector<std::uint8_t> line(std::size_t(width) * 4);
    const int srcBpp = Bitmap.BytesPerPixel();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* s = Bitmap.ScanLine(y);
        if (alpha && srcBpp == 4) {
            SafeWrite(Stream, s, qint64(width) * 4, failed);
            continue;
        }
        std::uint8_t* d = line.data();
        for (int x = 0; x < width; ++x, s += srcBpp) {
            *d++ = s[0];
            *d++ = s[1];
            *d++ = s[2];
            if (alpha)
                *d++ = srcBpp == 4 ? s[3] : 255;
        }
        SafeWrite(Stream, line.data(), qint64(d - line.data()), failed);
    }

    const qint64 extOffset = Stream.pos() - start;
    std::uint8_t ext[ExtSize] = {};
    WriteLE16(ext, ExtSize);
    const QByteArray author = Params.fTGA_Author.left(40);
    std::memcpy(ext + 2, author.constData(), std::size_t(author.size()));
    const QByteArray jobName = Params.fTGA_ImageName.left(40);
    std::memcpy(ext + 379, jobName.constData(), std::size_t(jobName.size()));
    // A null date stands for day 0 of the date-time scale: 12/30/1899 00:00:00.
    const QDateTime stamp =
        Params.fTGA_Date.isValid() ? Params.fTGA_Date : QDateTime(QDate(1899, 12, 30), QTime(0, 0));
    WriteLE16(ext + 367, std::uint32_t(stamp.date().month()));
    WriteLE16(ext + 369, std::uint32_t(stamp.date().day()));
    WriteLE16(ext + 371, std::uint32_t(stamp.date().year()));
    WriteLE16(ext + 373, std::uint32_t(stamp.time().hour()));
    WriteLE16(ext + 375, std::uint32_t(stamp.time().minute()));
    WriteLE16(ext + 377, std::uint32_t(stamp.time().second()));
    ext[470] = 0;
    ext[471] = Params.fTGA_Background.r;
    ext[472] = Params.fTGA_Background.g;
    ext[473] = Params.fTGA_Background.b;
    WriteLE16(ext + 474, std::uint32_t(std::int64_t(Params.fTGA_AspectRatio * 10000)));
    WriteLE16(ext + 476, 10000);
    WriteLE16(ext + 478, std::uint32_t(std::int64_t(Params.fTGA_Gamma * 10000)));
    WriteLE16(ext + 480, 10000);
    SafeWrite(Stream, ext, ExtSize, failed);

    std::uint8_t footer[FooterSize] = {};
    WriteLE32(footer, std::uint32_t(extOffset));
    std::memcpy(footer + 8, Signature, 18);
    SafeWrite(Stream, footer, FooterSize, failed);
    return !failed;
}

void TGALoadFromFile(const QString& FileName, TBitmap& Bitmap, QString& Author)
{
    Bitmap.SetPixelFormat(pf32bit);
    TTGAParamsVals params;
    params.ResetInfo();
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(FileName, QStringLiteral("Cannot open file (%1)").arg(file.errorString()));
    if (!CheckTGAHeader(file))
        throw EInvalidGraphic(FileName, QStringLiteral("It is not TGA File."));
    ReadTGAStream(file, Bitmap, params);
    Author = AnsiToString(params.fTGA_Author);
}

void TGASaveToFile(const QString& FileName, const TBitmap& Bitmap, const QString& Author,
                   bool Alpha)
{
    TTGAParamsVals params;
    params.ResetInfo();
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFileError(FileName,
                         QStringLiteral("Cannot create file (%1)").arg(file.errorString()));
    params.fTGA_Author = StringToAnsi(Author);
    params.fAlphaUsed = Alpha;
    bool ok = false;
    try {
        ok = WriteTGAStream(file, Bitmap, params);
    } catch (const EFileError& e) {
        file.cancelWriting();
        throw EFileError(FileName, e.Reason());
    }
    // Short writes were collected while writing; the file is not put in place then.
    if (!ok) {
        file.cancelWriting();
        throw EFileError(FileName,
                         QStringLiteral("Cannot write file (%1)").arg(file.errorString()));
    }
    if (!file.commit())
        throw EFileError(FileName,
                         QStringLiteral("Cannot write file (%1)").arg(file.errorString()));
}
