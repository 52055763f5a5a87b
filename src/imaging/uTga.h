#pragma once
// Truevision TGA: reads every image type the format defines, raw or run-length
// encoded: colour-mapped (1, 9; 8- or 16-bit indices, map entries of 15/16/24/32
// bits), true colour (2, 10; 15/16/24/32 bits) and grey (3, 11; 8 bits, or 16 with
// alpha), in all four origins, and the TGA 2.0 extension area; writes raw 24/32-bit
// TGA 2.0 files with extension area and footer.

#include <imaging/uBitmap.h>
#include <imaging/uCodecCommon.h>

#include <QByteArray>
#include <QDateTime>
#include <QString>

class QIODevice;

class TTGAParamsVals
{
public:
    int fWidth = 0;
    int fHeight = 0;
    int fOriginalWidth = 0;
    int fOriginalHeight = 0;
    int fBitsPerSample = 0;
    int fSamplesPerPixel = 0;
    bool fAlphaUsed = false;
    int fTGA_XPos = 0;
    int fTGA_YPos = 0;
    bool fTGA_Compressed = false;
    QByteArray fTGA_Descriptor;
    QByteArray fTGA_Author;
    QDateTime fTGA_Date; // a null date-time stands for day 0 (1899-12-30 00:00)
    QByteArray fTGA_ImageName;
    TRGB fTGA_Background{0, 0, 0};
    double fTGA_AspectRatio = 0.0;
    double fTGA_Gamma = 0.0;

    int Width() const { return fWidth; }
    int Height() const { return fHeight; }
    int OriginalWidth() const { return fOriginalWidth; }
    int OriginalHeight() const { return fOriginalHeight; }
    int BitsPerSample() const { return fBitsPerSample; }
    int SamplesPerPixel() const { return fSamplesPerPixel; }
    bool AlphaUsed() const { return fAlphaUsed; }
    int TGA_XPos() const { return fTGA_XPos; }
    int TGA_YPos() const { return fTGA_YPos; }
    bool TGA_Compressed() const { return fTGA_Compressed; }
    const QByteArray& TGA_Descriptor() const { return fTGA_Descriptor; }
    const QByteArray& TGA_Author() const { return fTGA_Author; }
    const QDateTime& TGA_Date() const { return fTGA_Date; }
    TRGB TGA_Background() const { return fTGA_Background; }
    double TGA_AspectRatio() const { return fTGA_AspectRatio; }
    double TGA_Gamma() const { return fTGA_Gamma; }

    // Empties the descriptor, author and image name; nothing else.
    void ResetInfo();
};

// Sets Bitmap to 32 bits, reads the file into it and Author from its extension
// area. Raises EInvalidGraphic "It is not TGA File." for a header it cannot read.
void TGALoadFromFile(const QString& FileName, TBitmap& Bitmap, QString& Author);
// Raw 32-bit file with Alpha, else 24-bit. Raises EFileError when a write fails.
void TGASaveToFile(const QString& FileName, const TBitmap& Bitmap, const QString& Author,
                   bool Alpha);

bool CheckTGAHeader(QIODevice& Stream);
// Pixel data that ends early leaves the rest of the picture zero; raises nothing
// for that. Raises EInvalidGraphic for a size beyond what the library accepts.
void ReadTGAStream(QIODevice& Stream, TBitmap& Bitmap, TTGAParamsVals& Params);
// Returns false when a write came short (the file is then incomplete).
bool WriteTGAStream(QIODevice& Stream, const TBitmap& Bitmap, TTGAParamsVals& Params);
