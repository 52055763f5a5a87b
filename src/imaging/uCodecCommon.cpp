#include <imaging/uCodecCommon.h>

#include <platform/uOsServices.h>

#include <QFile>
#include <QIODevice>

#include <cstring>

TRGB CreateRGB(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return TRGB{b, g, r};
}

void MergeRGBAlpha(const TRGB* Color, const std::uint8_t* Alpha, std::uint8_t* Dest, int Count)
{
    for (int i = 0; i < Count; ++i) {
        Dest[0] = Color[i].b;
        Dest[1] = Color[i].g;
        Dest[2] = Color[i].r;
        Dest[3] = Alpha[i];
        Dest += 4;
    }
}

void SafeWrite(QIODevice& Stream, const void* Buffer, qint64 Count, bool& Failed)
{
    if (Count <= 0)
        return;
    if (Stream.write(static_cast<const char*>(Buffer), Count) != Count)
        Failed = true;
}

QString AnsiToString(const QByteArray& Bytes)
{
    return DecodeLegacyText(Bytes);
}

QByteArray StringToAnsi(const QString& Text)
{
    QByteArray bytes;
    EncodeLegacyText(Text, bytes); // what does not fit becomes the code page's substitute
    return bytes;
}

QByteArray zorvel::imaging::ReadWholeFile(const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(FileName, QStringLiteral("Cannot open file (%1)").arg(file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFileError(FileName, QStringLiteral("Cannot read file (%1)").arg(file.errorString()));
    return bytes;
}
