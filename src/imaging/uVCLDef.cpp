#include <imaging/uVCLDef.h>

#include <QFile>
#include <QIODevice>
#include <QLocale>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cstring>

TRGB CreateRGB(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return TRGB{b, g, r};
}

bool SameRGB(const TRGB& a, const TRGB& b)
{
    return a.b == b.b && a.g == b.g && a.r == b.r;
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

namespace {

const char* ansiCodePageName()
{
    return QLocale::system().language() == QLocale::Japanese ? "Shift_JIS" : "windows-1252";
}

} // namespace

QString AnsiToString(const QByteArray& Bytes)
{
    QStringDecoder decoder(ansiCodePageName());
    if (!decoder.isValid())
        return QString::fromLatin1(Bytes);
    return decoder.decode(Bytes);
}

QByteArray StringToAnsi(const QString& Text)
{
    QStringEncoder encoder(ansiCodePageName());
    if (!encoder.isValid())
        return Text.toLatin1();
    return encoder.encode(Text);
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
