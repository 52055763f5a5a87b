#pragma once
// Helpers shared by the image library tests: pictures with known pixels, files
// built byte by byte, and comparisons.

#include <imaging/uBitmap.h>

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace testimg {

// A 32-bit picture whose every byte depends on position and channel (alpha too).
inline void FillPattern(TBitmap& bmp, int w, int h, unsigned seed = 1)
{
    bmp.SetPixelFormat(pf32bit);
    bmp.SetSize(w, h);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = bmp.ScanLine(y);
        for (int i = 0; i < w * 4; ++i)
            p[i] = std::uint8_t(rng());
    }
}

inline void SetPixel(TBitmap& bmp, int x, int y, std::uint8_t b, std::uint8_t g, std::uint8_t r,
                     std::uint8_t a = 255)
{
    std::uint8_t* p = bmp.ScanLine(y) + x * bmp.BytesPerPixel();
    p[0] = b;
    p[1] = g;
    p[2] = r;
    if (bmp.BytesPerPixel() == 4)
        p[3] = a;
}

inline std::uint32_t Pixel(const TBitmap& bmp, int x, int y)
{
    const std::uint8_t* p = bmp.ScanLine(y) + x * bmp.BytesPerPixel();
    const std::uint32_t a = bmp.BytesPerPixel() == 4 ? p[3] : 255u;
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
           | (a << 24);
}

inline bool SamePixels(const TBitmap& a, const TBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), a.RowBytes()) != 0)
            return false;
    return true;
}

inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline void WriteAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(data);
}

// Little- and big-endian byte builders.
inline void Le16(QByteArray& b, unsigned v)
{
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}
inline void Le32(QByteArray& b, std::uint32_t v)
{
    Le16(b, v & 0xFFFF);
    Le16(b, v >> 16);
}
inline void Be16(QByteArray& b, unsigned v)
{
    b.append(char((v >> 8) & 0xFF));
    b.append(char(v & 0xFF));
}
inline void Be32(QByteArray& b, std::uint32_t v)
{
    Be16(b, v >> 16);
    Be16(b, v & 0xFFFF);
}

inline std::uint32_t Crc32(const QByteArray& data)
{
    std::uint32_t c = 0xFFFFFFFFu;
    for (char ch : data) {
        c ^= std::uint8_t(ch);
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

inline QByteArray PngChunk(const char* type, const QByteArray& body)
{
    QByteArray out;
    Be32(out, std::uint32_t(body.size()));
    QByteArray typed = QByteArray(type, 4) + body;
    out += typed;
    Be32(out, Crc32(typed));
    return out;
}

// A PNG from raw scan lines (each given without its filter byte; filter None is
// used). Extra chunks go between IHDR and IDAT.
inline QByteArray MakePng(int w, int h, int colorType, int depth,
                          const std::vector<QByteArray>& rows, const QByteArray& extraChunks = {},
                          const QByteArray& trailingChunks = {})
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr;
    Be32(ihdr, std::uint32_t(w));
    Be32(ihdr, std::uint32_t(h));
    ihdr.append(char(depth));
    ihdr.append(char(colorType));
    ihdr.append(3, '\0');
    png += PngChunk("IHDR", ihdr);
    png += extraChunks;
    QByteArray raw;
    for (const QByteArray& r : rows)
        raw += QByteArray(1, '\0') + r;
    png += PngChunk("IDAT", qCompress(raw).mid(4)); // qCompress prefixes the length
    png += trailingChunks;
    png += PngChunk("IEND", {});
    return png;
}

struct PngChunkInfo
{
    QByteArray type;
    QByteArray body;
};

inline std::vector<PngChunkInfo> PngChunks(const QByteArray& png)
{
    std::vector<PngChunkInfo> out;
    qsizetype pos = 8;
    while (pos + 12 <= png.size()) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(png.constData() + pos);
        const std::uint32_t len = (std::uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        out.push_back({png.mid(pos + 4, 4), png.mid(pos + 8, len)});
        pos += qsizetype(len) + 12;
    }
    return out;
}

} // namespace testimg
