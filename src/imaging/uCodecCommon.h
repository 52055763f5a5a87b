#pragma once
// Small pixel helpers shared by the codecs, and the image library's error type.

#include <platform/EFileError.h>

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

class QIODevice;

// One pixel's colour bytes in memory order (the order of a 24-bit scan line).
#pragma pack(push, 1)
struct TRGB
{
    std::uint8_t b;
    std::uint8_t g;
    std::uint8_t r;
};
#pragma pack(pop)
static_assert(sizeof(TRGB) == 3);

TRGB CreateRGB(std::uint8_t r, std::uint8_t g, std::uint8_t b);

// Dest pixel i := blue, green, red of Color[i], then Alpha[i] (4 bytes per pixel).
void MergeRGBAlpha(const TRGB* Color, const std::uint8_t* Alpha, std::uint8_t* Dest, int Count);

// Writes Count bytes; sets Failed when the device took fewer. Never clears Failed,
// so one flag can collect every write of a file.
void SafeWrite(QIODevice& Stream, const void* Buffer, qint64 Count, bool& Failed);

// A picture the library cannot decode (bad signature, damaged data, unsupported
// variant, absurd size). Callers may catch EFileError or std::exception.
class EInvalidGraphic : public EFileError
{
public:
    using EFileError::EFileError;
};

// Text fields inside image files (PNG tEXt, TGA extension area) are in the system's
// legacy code page, the one the platform's LegacyCodePageName names.
QString AnsiToString(const QByteArray& Bytes);
QByteArray StringToAnsi(const QString& Text);

namespace zorvel::imaging {

// Largest picture any reader accepts: a header announcing more is refused before
// anything is allocated (decompression bombs).
inline constexpr std::int64_t MaxPixels = std::int64_t(256) * 1024 * 1024;

// The whole content of a file. Raises EFileError when it cannot be opened or read,
// so that a read failure never decodes as a truncated picture.
QByteArray ReadWholeFile(const QString& FileName);

// Header fields: little-endian in BMP and TGA files, big-endian in PNG and PSD files.
inline std::uint16_t ReadLE16(const std::uint8_t* p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}
inline std::uint32_t ReadLE32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
           | (std::uint32_t(p[3]) << 24);
}
inline void WriteLE16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
inline void WriteLE32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}
inline std::uint16_t ReadBE16(const std::uint8_t* p)
{
    return std::uint16_t((p[0] << 8) | p[1]);
}
inline std::uint32_t ReadBE32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8)
           | p[3];
}

} // namespace zorvel::imaging
