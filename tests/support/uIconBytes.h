#pragma once
// Icon bytes for tests: a PNG signature and header start, then bytes that depend on
// Seed, so that icons of different seeds are different files. Not a decodable image.

#include <QByteArray>

inline QByteArray PngBytes(int Seed, qsizetype Size = 300)
{
    QByteArray bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    while (bytes.size() < Size)
        bytes += char((Seed * 131 + bytes.size() * 7) & 0xFF);
    bytes += QByteArray::number(Seed);
    return bytes;
}
