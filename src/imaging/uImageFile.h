#pragma once
// TImageFile: a 32-bit bitmap (bytes blue, green, red, alpha; straight alpha; row 0
// on top) that reads and writes JPEG, PNG, PSD, BMP and TGA chosen by the file
// name's extension, loads JPEG/PNG/BMP pictures from the Qt resource system
// (":/rcdata/NAME"), resamples itself and mirrors itself.

#include <imaging/uBitmap.h>
#include <imaging/uResample.h>

#include <QString>

#include <cstddef>
#include <cstdint>

using TJPEGQualityRange = std::uint8_t; // 1..100
using TCompressionLevel = std::uint8_t; // 0..9

enum TImageFileType
{
    iftUnknown,
    iftJpeg,
    iftPng,
    iftPsd,
    iftBmp,
    iftTga
};

// Decided from the name alone: the text from the last "." after the last "\", "/"
// or ":", lower-cased in ASCII, compared exactly.
TImageFileType GetImageFileType(const QString& FileName);

class TImageFile : public TBitmap
{
public:
    TImageFile();

    TJPEGQualityRange CompressionQuality = 80; // JPEG quality used by SaveToFile
    TCompressionLevel CompressionLevel = 9;    // deflate level of PNGs with alpha
    QString TGA_Author;
    QString PNG_Author;

    // Replaces the picture by the file's (by extension); an unknown extension reads
    // nothing. Always ends with EnsureAlpha. Raises EFileError / EInvalidGraphic.
    void LoadFromFile(const QString& Filename) override;
    // Why the last LoadFromFile kept the picture without raising: the PSD reader's
    // refusal ("Unsupported PSD colour mode: CMYK"); empty after every other load.
    const QString& LoadRefusal() const { return FLoadRefusal; }
    // Converts to 32 bits, then writes by extension; an unknown extension writes nothing.
    void SaveToFile(const QString& Filename) override;

    // 32 bits; unless AlphaFormat is afDefined every alpha byte becomes 255.
    void EnsureAlpha();

    // Resource loaders: ":/rcdata/" + ResName. Never raise; False on any failure.
    bool BMPLoadFromResource(const QString& ResName);
    bool JPGLoadFromResource(const QString& ResName);
    bool PNGLoadFromResource(const QString& ResName);
    // JPEG, then PNG, then BMP; True at the first success.
    bool LoadFromResource(const QString& ResName);

    // AWidth/AHeight: 0 keeps, -1 keeps the aspect ratio, other negatives count as
    // their absolute value. After a size change AlphaFormat is afIgnored.
    void Resample(int AWidth, int AHeight, TResampleFilter ResampleFilter);

    // Mirror in place; a 24-bit bitmap is converted to 32 bits first.
    void FlipHorizontal();
    void FlipVertical();

private:
    QString FLoadRefusal;
};

// The codecs behind TImageFile. Readers replace Bitmap's picture; writers go through
// QSaveFile. All raise EFileError (file errors) or EInvalidGraphic (bad data).

// JPEG decodes to 24 bits, afIgnored. Quality 1..100 (clamped).
void JPGLoadFromFile(const QString& FileName, TBitmap& Bitmap);
void JPGLoadFromMemory(const std::uint8_t* Data, std::size_t Size, TBitmap& Bitmap,
                       const QString& Name);
void JPGSaveToFile(const QString& FileName, const TBitmap& Bitmap, int Quality);

// PNG with an alpha channel (also palette + tRNS, grey + alpha) decodes to 32 bits
// afDefined, otherwise to 24 bits afIgnored. Author := last tEXt "Author" (or empty).
void PNGLoadFromFile(const QString& FileName, TBitmap& Bitmap, QString& Author);
void PNGLoadFromMemory(const std::uint8_t* Data, std::size_t Size, TBitmap& Bitmap, QString& Author,
                       const QString& Name);
// HasAlpha: colour type 6 at Level with all row filters; otherwise colour type 2 at
// level 7 with the Sub filter. Both write an "Author" tEXt chunk, also when empty.
void PNGSaveToFile(const QString& FileName, const TBitmap& Bitmap, const QString& Author, int Level,
                   bool HasAlpha);

void BMPLoadFromFile(const QString& FileName, TBitmap& Bitmap);
void BMPSaveToFile(const QString& FileName, const TBitmap& Bitmap);
