#pragma once
// The plain in-memory bitmap the image library builds on: 24 or 32 bits per pixel,
// rows stored top to bottom without padding, bytes blue, green, red (, alpha).
// Reads and writes the Windows BMP file format.

#include <imaging/uCodecCommon.h>

#include <QString>

#include <cstdint>
#include <memory>

class QIODevice;

enum TPixelFormat
{
    pf24bit,
    pf32bit
};

// afDefined: the fourth byte is a straight alpha. afPremultiplied: colours are
// multiplied by alpha. afIgnored: the fourth byte carries no meaning.
enum TAlphaFormat
{
    afIgnored,
    afDefined,
    afPremultiplied
};

class TBitmap
{
public:
    TBitmap();
    virtual ~TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    bool Empty() const { return FWidth == 0 || FHeight == 0; }

    TPixelFormat PixelFormat() const { return FPixelFormat; }
    // Converts the existing pixels: 24 -> 32 bits gives alpha 255, 32 -> 24 drops alpha.
    void SetPixelFormat(TPixelFormat Value);

    TAlphaFormat AlphaFormat() const { return FAlphaFormat; }
    // Switching between afDefined and afPremultiplied converts the colour bytes;
    // every other change only relabels the fourth byte.
    void SetAlphaFormat(TAlphaFormat Value);

    int BytesPerPixel() const { return FPixelFormat == pf32bit ? 4 : 3; }
    std::size_t RowBytes() const { return std::size_t(FWidth) * std::size_t(BytesPerPixel()); }

    // Row 0 is the top row. Rows follow each other without gaps.
    std::uint8_t* ScanLine(int Row) { return FData.get() + std::size_t(Row) * RowBytes(); }
    const std::uint8_t* ScanLine(int Row) const
    {
        return FData.get() + std::size_t(Row) * RowBytes();
    }
    std::uint8_t* Bits() { return FData.get(); }
    const std::uint8_t* Bits() const { return FData.get(); }

    // New size; the pixel contents are then undefined. Negative values count as 0.
    // Raises EInvalidGraphic beyond the library's pixel limit.
    void SetSize(int AWidth, int AHeight);
    // Copy of another picture: size, pixels, pixel format and alpha format.
    void Assign(const TBitmap& Source);
    // Same result as Assign, but moves the pixels; Source is left empty (0 x 0).
    void TakeOver(TBitmap& Source);

    // BMP reading: BITMAPCOREHEADER (OS/2 1.x), OS/2 2.x, BITMAPINFOHEADER..V5,
    // 1/4/8-bit palette, RLE8 and RLE4, 16-bit, 24-bit, 32-bit (plain or bit
    // fields), both row orders. A 16- or 32-bit BMP carries alpha (afDefined) only
    // when its header declares an alpha mask; the fourth byte of a plain 32-bit BMP
    // is read as opaque (afIgnored). RLE pictures are 32-bit: pixels the file skips
    // (delta and early end codes) are transparent, and afDefined then.
    // Raises EInvalidGraphic; a failed read leaves the picture unchanged.
    void LoadFromMemory(const std::uint8_t* Data, std::size_t Size, const QString& Name);
    virtual void LoadFromFile(const QString& FileName);
    // BMP writing: 32 bits per pixel, BITMAPV5HEADER, alpha mask declared exactly
    // when AlphaFormat is afDefined, so alpha survives a round trip.
    virtual void SaveToFile(const QString& FileName);
    void SaveToStream(QIODevice& Stream);

protected:
    void ClearBitmap();

private:
    int FWidth = 0;
    int FHeight = 0;
    TPixelFormat FPixelFormat = pf32bit;
    TAlphaFormat FAlphaFormat = afIgnored;
    struct TPixelsFree
    {
        void operator()(std::uint8_t* p) const;
    };
    using TPixels = std::unique_ptr<std::uint8_t[], TPixelsFree>;
    static TPixels AllocatePixels(std::size_t Bytes);
    TPixels FData;
};
