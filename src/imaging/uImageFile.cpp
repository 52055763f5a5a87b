#include <imaging/uImageFile.h>

#include <imaging/uPsd.h>
#include <imaging/uTga.h>

#include <QFile>

#include <algorithm>
#include <cstring>
#include <exception>

TImageFileType GetImageFileType(const QString& FileName)
{
    const qsizetype dot = FileName.lastIndexOf(u'.');
    qsizetype sep = -1;
    for (QChar c : {QChar(u'\\'), QChar(u'/'), QChar(u':')})
        sep = std::max(sep, FileName.lastIndexOf(c));
    if (dot < 0 || dot < sep)
        return iftUnknown;
    QString ext = FileName.mid(dot);
    for (QChar& c : ext)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    if (ext == u".jpg" || ext == u".jpeg")
        return iftJpeg;
    if (ext == u".png")
        return iftPng;
    if (ext == u".psd")
        return iftPsd;
    if (ext == u".bmp")
        return iftBmp;
    if (ext == u".tga")
        return iftTga;
    return iftUnknown;
}

void BMPLoadFromFile(const QString& FileName, TBitmap& Bitmap)
{
    TBitmap tmp;
    tmp.LoadFromFile(FileName);
    Bitmap.TakeOver(tmp);
}

void BMPSaveToFile(const QString& FileName, const TBitmap& Bitmap)
{
    TBitmap tmp;
    tmp.Assign(Bitmap);
    tmp.TBitmap::SaveToFile(FileName);
}

TImageFile::TImageFile()
{
    SetPixelFormat(pf32bit);
    SetAlphaFormat(afDefined);
}

void TImageFile::LoadFromFile(const QString& Filename)
{
    TGA_Author.clear();
    PNG_Author.clear();
    FLoadRefusal.clear();
    switch (GetImageFileType(Filename)) {
    case iftJpeg:
        JPGLoadFromFile(Filename, *this);
        break;
    case iftPng:
        PNGLoadFromFile(Filename, *this, PNG_Author);
        break;
    case iftPsd:
        PSDLoadFromFile(Filename, *this, &FLoadRefusal);
        break;
    case iftBmp:
        BMPLoadFromFile(Filename, *this);
        break;
    case iftTga:
        TGALoadFromFile(Filename, *this, TGA_Author);
        break;
    case iftUnknown:
        break;
    }
    EnsureAlpha();
}

void TImageFile::SaveToFile(const QString& Filename)
{
    SetPixelFormat(pf32bit);
    switch (GetImageFileType(Filename)) {
    case iftJpeg:
        JPGSaveToFile(Filename, *this, CompressionQuality);
        break;
    case iftPng:
        PNGSaveToFile(Filename, *this, PNG_Author, CompressionLevel, AlphaFormat() == afDefined);
        break;
    case iftPsd:
        PSDSaveToFile(Filename, *this);
        break;
    case iftBmp:
        BMPSaveToFile(Filename, *this);
        break;
    case iftTga:
        TGASaveToFile(Filename, *this, TGA_Author, AlphaFormat() == afDefined);
        break;
    case iftUnknown:
        break;
    }
}

void TImageFile::EnsureAlpha()
{
    SetPixelFormat(pf32bit);
    if (AlphaFormat() == afDefined)
        return;
    const std::size_t pixels = std::size_t(Width()) * std::size_t(Height());
    std::uint8_t* p = Bits();
    for (std::size_t i = 0; i < pixels; ++i)
        p[i * 4 + 3] = 255;
}

namespace {

// Runs Decode on the bytes of ":/rcdata/" + ResName; false when the resource is
// missing or Decode raises anything (resource loads never raise).
template <typename DecodeFn>
bool loadResource(const QString& ResName, DecodeFn Decode)
{
    try {
        QFile file(QStringLiteral(":/rcdata/") + ResName);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QByteArray data = file.readAll();
        Decode(reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size()));
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

bool TImageFile::JPGLoadFromResource(const QString& ResName)
{
    return loadResource(ResName, [&](const std::uint8_t* Data, std::size_t Size) {
        JPGLoadFromMemory(Data, Size, *this, ResName);
    });
}

bool TImageFile::PNGLoadFromResource(const QString& ResName)
{
    return loadResource(ResName, [&](const std::uint8_t* Data, std::size_t Size) {
        QString author; // resource loads leave the author fields alone
        PNGLoadFromMemory(Data, Size, *this, author, ResName);
    });
}

bool TImageFile::BMPLoadFromResource(const QString& ResName)
{
    return loadResource(ResName, [&](const std::uint8_t* Data, std::size_t Size) {
        LoadFromMemory(Data, Size, ResName);
    });
}

bool TImageFile::LoadFromResource(const QString& ResName)
{
    return JPGLoadFromResource(ResName) || PNGLoadFromResource(ResName)
           || BMPLoadFromResource(ResName);
}

void TImageFile::Resample(int AWidth, int AHeight, TResampleFilter ResampleFilter)
{
    ResampleBitmap(*this, AWidth, AHeight, ResampleFilter);
}

void TImageFile::FlipHorizontal()
{
    SetPixelFormat(pf32bit);
    const int w = Width();
    for (int y = 0; y < Height(); ++y) {
        std::uint8_t* row = ScanLine(y);
        for (int l = 0, r = w - 1; l < r; ++l, --r)
            std::swap_ranges(row + l * 4, row + l * 4 + 4, row + r * 4);
    }
}

void TImageFile::FlipVertical()
{
    SetPixelFormat(pf32bit);
    const std::size_t bytes = RowBytes();
    for (int top = 0, bottom = Height() - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(ScanLine(top), ScanLine(top) + bytes, ScanLine(bottom));
}
