// The base bitmap, its BMP reader and writer, and TImageFile's file handling.

#include "TestImaging.h"

#include <imaging/uImageFile.h>

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <bit>

#include <set>

#include <functional>

#include <gtest/gtest.h>

using namespace testimg;

namespace {

class BitmapFiles : public ::testing::Test
{
protected:
    QString Path(const QString& name) const { return FDir.filePath(name); }
    QTemporaryDir FDir;
};

// A BMP file built byte by byte: BITMAPINFOHEADER, optional palette, rows as given
// (already padded), in file order.
QByteArray MakeBmp(int w, int h, int bpp, const QByteArray& palette, const QByteArray& pixels,
                   std::uint32_t compression = 0)
{
    QByteArray b("BM");
    const std::uint32_t off = 14 + 40 + std::uint32_t(palette.size());
    Le32(b, off + std::uint32_t(pixels.size()));
    Le32(b, 0);
    Le32(b, off);
    Le32(b, 40);
    Le32(b, std::uint32_t(w));
    Le32(b, std::uint32_t(h));
    Le16(b, 1);
    Le16(b, unsigned(bpp));
    Le32(b, compression);
    Le32(b, std::uint32_t(pixels.size()));
    Le32(b, 2835);
    Le32(b, 2835);
    Le32(b, std::uint32_t(palette.size() / 4));
    Le32(b, 0);
    return b + palette + pixels;
}

} // namespace

TEST(TBitmapTest, PixelFormatConversionKeepsColoursAndMakesAlphaOpaque)
{
    TBitmap bmp;
    bmp.SetPixelFormat(pf24bit);
    bmp.SetSize(2, 1);
    SetPixel(bmp, 0, 0, 1, 2, 3);
    SetPixel(bmp, 1, 0, 4, 5, 6);
    bmp.SetPixelFormat(pf32bit);
    EXPECT_EQ(Pixel(bmp, 0, 0), 0xFF030201u);
    EXPECT_EQ(Pixel(bmp, 1, 0), 0xFF060504u);
    SetPixel(bmp, 1, 0, 7, 8, 9, 10);
    bmp.SetPixelFormat(pf24bit);
    EXPECT_EQ(bmp.RowBytes(), 6u);
    EXPECT_EQ(Pixel(bmp, 1, 0), 0xFF090807u);
}

// Pictures of several megabytes take a different allocation path than icons do.
TEST(TBitmapTest, LargePicturesKeepEveryPixelThroughCopyConversionAndMove)
{
    const int w = 1500, h = 1000; // 6 MB at 32 bits
    TBitmap bmp;
    bmp.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            SetPixel(bmp, x, y, std::uint8_t(x), std::uint8_t(y), std::uint8_t(x ^ y), 255);
    const auto matches = [&](const TBitmap& b) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (Pixel(b, x, y)
                    != (0xFF000000u | (std::uint32_t(std::uint8_t(x ^ y)) << 16)
                        | (std::uint32_t(std::uint8_t(y)) << 8) | std::uint8_t(x)))
                    return false;
        return true;
    };
    TBitmap copy;
    copy.Assign(bmp);
    copy.SetPixelFormat(pf24bit);
    copy.SetPixelFormat(pf32bit);
    TBitmap moved;
    moved.TakeOver(copy);
    EXPECT_TRUE(copy.Empty());
    EXPECT_TRUE(matches(moved));
    EXPECT_TRUE(matches(bmp));
}

TEST(TBitmapTest, PremultiplyingAndBackChangesOnlyPartlyTransparentColours)
{
    TBitmap bmp;
    bmp.SetSize(2, 1);
    SetPixel(bmp, 0, 0, 200, 100, 50, 128);
    SetPixel(bmp, 1, 0, 200, 100, 50, 255);
    bmp.SetAlphaFormat(afDefined);
    bmp.SetAlphaFormat(afPremultiplied);
    EXPECT_EQ(Pixel(bmp, 0, 0), 0x80193264u); // 50*128/255=25, 100->50, 200->100
    EXPECT_EQ(Pixel(bmp, 1, 0), 0xFF3264C8u);
    bmp.SetAlphaFormat(afDefined);
    EXPECT_NEAR(bmp.ScanLine(0)[0], 200, 2);
    EXPECT_NEAR(bmp.ScanLine(0)[2], 50, 2);
}

TEST_F(BitmapFiles, BmpRoundTripKeepsPixelsAndAlphaWhenDefined)
{
    for (TAlphaFormat af : {afDefined, afIgnored}) {
        TImageFile bmp;
        FillPattern(bmp, 5, 3); // odd width: rows of 20 bytes, no padding issue hidden
        bmp.SetAlphaFormat(af);
        bmp.SaveToFile(Path(QStringLiteral("a.bmp")));
        TImageFile back;
        back.LoadFromFile(Path(QStringLiteral("a.bmp")));
        ASSERT_EQ(back.Width(), 5);
        ASSERT_EQ(back.Height(), 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const std::uint32_t want =
                    af == afDefined ? Pixel(bmp, x, y) : (Pixel(bmp, x, y) | 0xFF000000u);
                EXPECT_EQ(Pixel(back, x, y), want) << x << "," << y;
            }
        EXPECT_EQ(back.AlphaFormat(), af);
    }
}

TEST_F(BitmapFiles, BmpReaderTakesBothRowOrdersPaletteAndPlain32Bit)
{
    // 3 x 2 pictures; rows are padded to 4 bytes.
    struct Case
    {
        const char* name;
        QByteArray file;
    };
    QByteArray rows24;
    // bottom row first: (10,20,30) (40,50,60) (70,80,90) then top row (1,2,3) (4,5,6) (7,8,9)
    rows24 += QByteArray("\x0a\x14\x1e\x28\x32\x3c\x46\x50\x5a", 9) + QByteArray(3, '\0');
    rows24 += QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x09", 9) + QByteArray(3, '\0');
    QByteArray topDown = MakeBmp(3, -2, 24, {}, rows24.mid(12) + rows24.left(12));
    QByteArray palette("\x01\x02\x03\x00\x04\x05\x06\x00\x07\x08\x09\x00"
                       "\x0a\x14\x1e\x00\x28\x32\x3c\x00\x46\x50\x5a\x00",
                       24);
    QByteArray rows8("\x03\x04\x05\x00\x00\x01\x02\x00", 8);
    QByteArray rows32;
    for (int i = 0; i < 2; ++i) {
        const QByteArray src = rows24.mid(i * 12, 9);
        for (int x = 0; x < 3; ++x)
            rows32 += src.mid(x * 3, 3) + QByteArray(1, '\0'); // "reserved" byte 0
    }
    const Case cases[] = {
        {"24 bottom-up", MakeBmp(3, 2, 24, {}, rows24)},
        {"24 top-down", topDown},
        {"8 palette", MakeBmp(3, 2, 8, palette, rows8)},
        {"32 plain", MakeBmp(3, 2, 32, {}, rows32)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(Path(QStringLiteral("c.bmp")), c.file);
        TImageFile bmp;
        bmp.LoadFromFile(Path(QStringLiteral("c.bmp")));
        ASSERT_EQ(bmp.Width(), 3);
        ASSERT_EQ(bmp.Height(), 2);
        EXPECT_EQ(Pixel(bmp, 0, 0), 0xFF030201u);
        EXPECT_EQ(Pixel(bmp, 2, 0), 0xFF090807u);
        EXPECT_EQ(Pixel(bmp, 1, 1), 0xFF3C3228u);
    }
}

TEST_F(BitmapFiles, BrokenBmpFilesRaiseTheLibraryError)
{
    const QByteArray good = MakeBmp(3, 2, 24, {}, QByteArray(24, '\x11'));
    QByteArray huge = good;
    huge[18] = '\xFF';
    huge[19] = '\xFF';
    huge[20] = '\xFF'; // width 16 million
    const QByteArray cases[] = {good.left(good.size() - 1), huge,
                                MakeBmp(3, 2, 24, {}, QByteArray(24, 0), 1), // RLE8 at 24 bits
                                QByteArray("BM")};
    for (const QByteArray& c : cases) {
        WriteAll(Path(QStringLiteral("bad.bmp")), c);
        TImageFile bmp;
        EXPECT_THROW(bmp.LoadFromFile(Path(QStringLiteral("bad.bmp"))), EInvalidGraphic);
    }
    TImageFile bmp;
    EXPECT_THROW(bmp.LoadFromFile(Path(QStringLiteral("missing.bmp"))), EFileError);
}

// A file that opens but fails while being read is a file error, never a picture
// decoded from whatever part came in.
TEST(ReadFailureTest, UnreadableFileIsAReadError)
{
    const QString unreadable = QStringLiteral("/proc/self/mem"); // opens, every read fails
    if (!QFile::exists(unreadable))
        GTEST_SKIP() << "no /proc on this system";
    const std::function<void(TBitmap&)> loaders[] = {
        [&](TBitmap& b) { b.LoadFromFile(unreadable); },
        [&](TBitmap& b) { JPGLoadFromFile(unreadable, b); },
        [&](TBitmap& b) {
            QString author;
            PNGLoadFromFile(unreadable, b, author);
        },
    };
    for (const auto& load : loaders) {
        TBitmap bmp;
        try {
            load(bmp);
            ADD_FAILURE() << "no error raised";
        } catch (const EInvalidGraphic& e) {
            ADD_FAILURE() << "decode error instead of a read error: " << e.what();
        } catch (const EFileError& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("Cannot read")))
                << e.what();
        }
        EXPECT_TRUE(bmp.Empty());
    }
}

TEST(ImageFileTypeTest, DecidedByTheLastExtensionOnly)
{
    const std::pair<const char*, TImageFileType> cases[] = {
        {"a.jpg", iftJpeg},
        {"a.JPEG", iftJpeg},
        {"photo.Png", iftPng},
        {"x.psd", iftPsd},
        {"x.BMP", iftBmp},
        {"x.tga", iftTga},
        {"x.jpe", iftUnknown},
        {"x.tif", iftUnknown},
        {"x.gif", iftUnknown},
        {"noext", iftUnknown},
        {"dir.png\\file", iftUnknown},
        {"dir.png/file", iftUnknown},
        {"c:x.png", iftPng},
        {"c.png:file", iftUnknown},
        {"a.png.txt", iftUnknown},
        {"", iftUnknown},
        {".png", iftPng},
        {"a.p\xC3\xA9g", iftUnknown},
    };
    for (const auto& [name, type] : cases)
        EXPECT_EQ(GetImageFileType(QString::fromUtf8(name)), type) << name;
}

TEST(TImageFileTest, CreateGivesAnEmpty32BitBitmapWithDefinedAlpha)
{
    TImageFile bmp;
    EXPECT_EQ(bmp.Width(), 0);
    EXPECT_EQ(bmp.Height(), 0);
    EXPECT_EQ(bmp.PixelFormat(), pf32bit);
    EXPECT_EQ(bmp.AlphaFormat(), afDefined);
    EXPECT_EQ(bmp.CompressionQuality, 80);
    EXPECT_EQ(bmp.CompressionLevel, 9);
    EXPECT_TRUE(bmp.TGA_Author.isEmpty());
    EXPECT_TRUE(bmp.PNG_Author.isEmpty());
}

TEST_F(BitmapFiles, UnknownExtensionsReadAndWriteNothingButConvertTo32Bit)
{
    TImageFile bmp;
    bmp.SetPixelFormat(pf24bit);
    bmp.SetSize(2, 2);
    SetPixel(bmp, 0, 0, 1, 2, 3);
    bmp.PNG_Author = QStringLiteral("p");
    bmp.TGA_Author = QStringLiteral("t");
    WriteAll(Path(QStringLiteral("x.gif")), "GIF89a");
    bmp.LoadFromFile(Path(QStringLiteral("x.gif")));
    EXPECT_EQ(bmp.PixelFormat(), pf32bit);
    EXPECT_EQ(bmp.Width(), 2);
    EXPECT_EQ(Pixel(bmp, 0, 0), 0xFF030201u);
    EXPECT_TRUE(bmp.PNG_Author.isEmpty());
    EXPECT_TRUE(bmp.TGA_Author.isEmpty());

    bmp.SetPixelFormat(pf24bit);
    bmp.SaveToFile(Path(QStringLiteral("out.txt")));
    EXPECT_EQ(bmp.PixelFormat(), pf32bit);
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("out.txt"))));
}

TEST_F(BitmapFiles, JpegLoadsOpaqueWhateverTheExtensionCase)
{
    TImageFile src;
    src.SetSize(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            SetPixel(src, x, y, 40, 120, 200, 7); // alpha 7 must not survive
    src.CompressionQuality = 95;
    src.SaveToFile(Path(QStringLiteral("p.JPG")));
    TImageFile back;
    back.LoadFromFile(Path(QStringLiteral("p.JPG")));
    ASSERT_EQ(back.Width(), 16);
    EXPECT_EQ(back.PixelFormat(), pf32bit);
    EXPECT_EQ(back.AlphaFormat(), afIgnored);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const std::uint8_t* p = back.ScanLine(y) + x * 4;
            EXPECT_EQ(p[3], 255);
            EXPECT_NEAR(p[0], 40, 3);
            EXPECT_NEAR(p[1], 120, 3);
            EXPECT_NEAR(p[2], 200, 3);
        }
}

TEST_F(BitmapFiles, JpegQualityChangesTheFile)
{
    TImageFile src;
    FillPattern(src, 32, 32);
    src.CompressionQuality = 10;
    src.SaveToFile(Path(QStringLiteral("q10.jpg")));
    src.CompressionQuality = 100;
    src.SaveToFile(Path(QStringLiteral("q100.jpg")));
    EXPECT_LT(ReadAll(Path(QStringLiteral("q10.jpg"))).size(),
              ReadAll(Path(QStringLiteral("q100.jpg"))).size() / 2);
}

TEST_F(BitmapFiles, PngWithAlphaRoundTripsExactlyWithAuthor)
{
    TImageFile src;
    FillPattern(src, 7, 5);
    src.PNG_Author = QStringLiteral("J\u00fcrgen");
    src.SaveToFile(Path(QStringLiteral("a.png")));
    TImageFile back;
    back.LoadFromFile(Path(QStringLiteral("a.png")));
    EXPECT_EQ(back.AlphaFormat(), afDefined);
    EXPECT_TRUE(SamePixels(src, back));
    EXPECT_EQ(back.PNG_Author, QStringLiteral("J\u00fcrgen"));
}

namespace {

struct PngFacts
{
    int colorType = -1;
    int zlibLevelFlags = -1;
    std::set<int> filters;
    std::vector<QByteArray> authors;
};

PngFacts InspectPng(const QByteArray& png)
{
    PngFacts f;
    QByteArray idat;
    int w = 0, h = 0;
    for (const auto& c : PngChunks(png)) {
        if (c.type == "IHDR") {
            w = (uchar(c.body[2]) << 8) | uchar(c.body[3]);
            h = (uchar(c.body[6]) << 8) | uchar(c.body[7]);
            f.colorType = uchar(c.body[9]);
        } else if (c.type == "IDAT") {
            idat += c.body;
        } else if (c.type == "tEXt") {
            f.authors.push_back(c.body);
        }
    }
    f.zlibLevelFlags = uchar(idat[1]) >> 6;
    QByteArray sized;
    const int bpp = f.colorType == 6 ? 4 : 3;
    Be32(sized, std::uint32_t(h * (1 + w * bpp)));
    const QByteArray raw = qUncompress(sized + idat);
    for (int y = 0; y < h; ++y)
        f.filters.insert(uchar(raw[y * (1 + w * bpp)]));
    return f;
}

} // namespace

TEST_F(BitmapFiles, PngWriterPathsFollowTheAlphaFormat)
{
    // Identical rows with noisy columns: the Up filter is the clear choice for an
    // encoder that may use every filter.
    TImageFile bmp;
    bmp.SetSize(64, 16);
    TBitmap noise;
    FillPattern(noise, 64, 1, 7);
    for (int y = 0; y < 16; ++y)
        std::memcpy(bmp.ScanLine(y), noise.ScanLine(0), 64 * 4);

    bmp.CompressionLevel = 9;
    bmp.SaveToFile(Path(QStringLiteral("rgba.png")));
    PngFacts rgba = InspectPng(ReadAll(Path(QStringLiteral("rgba.png"))));
    EXPECT_EQ(rgba.colorType, 6);
    EXPECT_EQ(rgba.zlibLevelFlags, 3);
    EXPECT_TRUE(rgba.filters.count(2)) << "Up filter not used";
    ASSERT_EQ(rgba.authors.size(), 1u);
    EXPECT_EQ(rgba.authors[0], QByteArray("Author\0", 7)); // written also when empty

    bmp.CompressionLevel = 0;
    bmp.SaveToFile(Path(QStringLiteral("rgba0.png")));
    EXPECT_EQ(InspectPng(ReadAll(Path(QStringLiteral("rgba0.png")))).zlibLevelFlags, 0);

    // After a resize the alpha is no longer defined: RGB, Sub only, level 7 whatever
    // CompressionLevel says.
    bmp.Resample(32, 16, rfNone);
    EXPECT_EQ(bmp.AlphaFormat(), afIgnored);
    bmp.PNG_Author = QStringLiteral("me");
    bmp.SaveToFile(Path(QStringLiteral("rgb.png")));
    PngFacts rgb = InspectPng(ReadAll(Path(QStringLiteral("rgb.png"))));
    EXPECT_EQ(rgb.colorType, 2);
    EXPECT_EQ(rgb.zlibLevelFlags, 3);
    EXPECT_EQ(rgb.filters, std::set<int>{1});
    ASSERT_EQ(rgb.authors.size(), 1u);
    EXPECT_EQ(rgb.authors[0], QByteArray("Author\0me", 9));
    TImageFile back;
    back.LoadFromFile(Path(QStringLiteral("rgb.png")));
    EXPECT_EQ(back.AlphaFormat(), afIgnored);
    EXPECT_EQ(Pixel(back, 3, 2), Pixel(bmp, 3, 2) | 0xFF000000u);
}

TEST_F(BitmapFiles, JpegLoadedPictureIsSavedAsRgbPng)
{
    TImageFile bmp;
    FillPattern(bmp, 8, 8);
    bmp.SaveToFile(Path(QStringLiteral("a.jpg")));
    bmp.LoadFromFile(Path(QStringLiteral("a.jpg")));
    bmp.SaveToFile(Path(QStringLiteral("b.png")));
    EXPECT_EQ(InspectPng(ReadAll(Path(QStringLiteral("b.png")))).colorType, 2);
}

TEST_F(BitmapFiles, PngAuthorIsTheLastExactlyNamedTextChunk)
{
    const std::vector<QByteArray> rows{QByteArray("\x01\x02\x03", 3)};
    struct Case
    {
        const char* name;
        QByteArray before, after;
        QString want;
    };
    const Case cases[] = {
        {"two chunks", PngChunk("tEXt", QByteArray("Author\0first", 12)),
         PngChunk("tEXt", QByteArray("Author\0second", 13)), QStringLiteral("second")},
        {"lower case", PngChunk("tEXt", QByteArray("author\0x", 8)), {}, QString()},
        {"compressed ignored", PngChunk("tEXt", QByteArray("Author\0plain", 12)),
         PngChunk("zTXt", QByteArray("Author\0\0", 8) + qCompress(QByteArray("z")).mid(4)),
         QStringLiteral("plain")},
        {"ANSI text",
         PngChunk("tEXt", QByteArray("Author\0caf\xe9", 11)),
         {},
         QStringLiteral("caf\u00e9")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(Path(QStringLiteral("t.png")), MakePng(1, 1, 2, 8, rows, c.before, c.after));
        TImageFile bmp;
        bmp.PNG_Author = QStringLiteral("old");
        bmp.LoadFromFile(Path(QStringLiteral("t.png")));
        EXPECT_EQ(bmp.PNG_Author, c.want);
        EXPECT_EQ(Pixel(bmp, 0, 0), 0xFF010203u);
    }
}

TEST_F(BitmapFiles, PngAlphaIsKeptExactlyWhenTheFileHasIt)
{
    struct Case
    {
        const char* name;
        QByteArray png;
        TAlphaFormat format;
        std::uint32_t pixel0, pixel1;
    };
    const QByteArray plte = PngChunk("PLTE", QByteArray("\x10\x20\x30\x40\x50\x60", 6));
    const Case cases[] = {
        {"palette", MakePng(2, 1, 3, 8, {QByteArray("\x00\x01", 2)}, plte), afIgnored, 0xFF102030u,
         0xFF405060u},
        {"palette + tRNS",
         MakePng(2, 1, 3, 8, {QByteArray("\x00\x01", 2)},
                 plte + PngChunk("tRNS", QByteArray("\x80", 1))),
         afDefined, 0x80102030u, 0xFF405060u},
        {"grey + alpha", MakePng(2, 1, 4, 8, {QByteArray("\x11\x22\x33\x44", 4)}), afDefined,
         0x22111111u, 0x44333333u},
        {"grey 16-bit", MakePng(2, 1, 0, 16, {QByteArray("\xAB\x00\x12\xFF", 4)}), afIgnored,
         0xFFABABABu, 0xFF121212u},
        {"grey 1-bit", MakePng(2, 1, 0, 1, {QByteArray("\x80", 1)}), afIgnored, 0xFFFFFFFFu,
         0xFF000000u},
        {"rgba", MakePng(2, 1, 6, 8, {QByteArray("\x01\x02\x03\x00\x04\x05\x06\x07", 8)}),
         afDefined, 0x00010203u, 0x07040506u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(Path(QStringLiteral("v.png")), c.png);
        TImageFile bmp;
        bmp.LoadFromFile(Path(QStringLiteral("v.png")));
        ASSERT_EQ(bmp.Width(), 2);
        EXPECT_EQ(bmp.AlphaFormat(), c.format);
        EXPECT_EQ(Pixel(bmp, 0, 0), c.pixel0);
        EXPECT_EQ(Pixel(bmp, 1, 0), c.pixel1);
    }
}

TEST_F(BitmapFiles, BrokenPngAndJpegRaiseAndKeepThePicture)
{
    const QByteArray png = MakePng(2, 2, 2, 8, {QByteArray(6, 'a'), QByteArray(6, 'b')});
    QByteArray badCrc = png;
    badCrc[30] = char(badCrc[30] ^ 0x40); // inside IHDR's body
    // Headers announcing far more than the file can hold.
    const QByteArray bomb = MakePng(65536, 65536, 2, 8, {QByteArray(3, 'a')});
    const QByteArray unfillable = MakePng(8000, 8000, 6, 8, {QByteArray(4, 'a')});
    QByteArray bigJpeg;
    {
        TImageFile small;
        FillPattern(small, 8, 8);
        small.SaveToFile(Path(QStringLiteral("small.jpg")));
        bigJpeg = ReadAll(Path(QStringLiteral("small.jpg")));
        const qsizetype sof = bigJpeg.indexOf(QByteArray("\xFF\xC0", 2));
        bigJpeg[sof + 5] = '\x3E'; // height 16000
        bigJpeg[sof + 6] = '\x80';
        bigJpeg[sof + 7] = '\x3E'; // width 16000
        bigJpeg[sof + 8] = '\x80';
    }
    const std::pair<const char*, QByteArray> cases[] = {
        {"t.png", png.left(png.size() - 20)},
        {"t.png", badCrc},
        {"t.png", bomb},
        {"t.png", unfillable},
        {"t.jpg", bigJpeg},
        {"t.png", QByteArray("not a png at all")},
        {"t.jpg", QByteArray("\xFF\xD8\xFF\xE0 truncated", 15)},
        {"t.jpg", png},
    };
    for (const auto& [name, data] : cases) {
        WriteAll(Path(QString::fromLatin1(name)), data);
        TImageFile bmp;
        FillPattern(bmp, 3, 3);
        TBitmap before;
        before.Assign(bmp);
        EXPECT_THROW(bmp.LoadFromFile(Path(QString::fromLatin1(name))), EInvalidGraphic) << name;
        EXPECT_TRUE(SamePixels(bmp, before));
    }
}

TEST(ResourceTest, LoadFromResourceTriesJpegPngBmp)
{
    TImageFile bmp;
    ASSERT_TRUE(bmp.LoadFromResource(QStringLiteral("BANNER0")));
    EXPECT_EQ(bmp.Width(), 8);
    EXPECT_EQ(bmp.Height(), 4);
    EXPECT_EQ(bmp.PixelFormat(), pf24bit);      // resource loads do not convert
    EXPECT_EQ(bmp.ScanLine(1)[2 * 3 + 2], 60);  // red = x * 30
    EXPECT_EQ(bmp.ScanLine(1)[2 * 3 + 1], 60);  // green = y * 60
    EXPECT_EQ(bmp.ScanLine(1)[2 * 3 + 0], 200); // blue

    TImageFile jpg;
    EXPECT_TRUE(jpg.JPGLoadFromResource(QStringLiteral("TESTJPEG")));
    EXPECT_FALSE(jpg.PNGLoadFromResource(QStringLiteral("TESTJPEG")));
    EXPECT_EQ(jpg.Width(), 8);

    TImageFile b;
    EXPECT_FALSE(b.JPGLoadFromResource(QStringLiteral("TESTBMP")));
    EXPECT_TRUE(b.LoadFromResource(QStringLiteral("TESTBMP")));
    EXPECT_EQ(b.ScanLine(3)[7 * 3 + 2], 210);
}

TEST(ResourceTest, MissingResourceLeavesTheBitmapAlone)
{
    TImageFile bmp;
    FillPattern(bmp, 4, 2);
    TBitmap before;
    before.Assign(bmp);
    bmp.PNG_Author = QStringLiteral("kept");
    EXPECT_FALSE(bmp.LoadFromResource(QStringLiteral("NOSUCHRES")));
    EXPECT_FALSE(bmp.BMPLoadFromResource(QStringLiteral("BANNER0")));
    EXPECT_TRUE(SamePixels(bmp, before));
    EXPECT_EQ(bmp.PNG_Author, QStringLiteral("kept"));
}

TEST(FlipTest, FlipsMirrorAndTwiceRestore)
{
    for (auto [w, h] : {std::pair{1, 1}, {1, 5}, {4, 3}, {5, 2}}) {
        TImageFile bmp;
        FillPattern(bmp, w, h, unsigned(w * 10 + h));
        TBitmap orig;
        orig.Assign(bmp);
        bmp.FlipHorizontal();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(Pixel(bmp, x, y), Pixel(orig, w - 1 - x, y));
        bmp.FlipHorizontal();
        EXPECT_TRUE(SamePixels(bmp, orig));
        bmp.FlipVertical();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(Pixel(bmp, x, y), Pixel(orig, x, h - 1 - y));
        bmp.FlipVertical();
        EXPECT_TRUE(SamePixels(bmp, orig));
    }
}

TEST(FlipTest, A24BitBitmapIsConvertedFirst)
{
    TImageFile bmp;
    bmp.SetPixelFormat(pf24bit);
    bmp.SetSize(3, 1);
    SetPixel(bmp, 0, 0, 1, 2, 3);
    SetPixel(bmp, 2, 0, 7, 8, 9);
    bmp.FlipHorizontal();
    EXPECT_EQ(bmp.PixelFormat(), pf32bit);
    EXPECT_EQ(Pixel(bmp, 0, 0), 0xFF090807u);
    EXPECT_EQ(Pixel(bmp, 2, 0), 0xFF030201u);
}

TEST(ResourceTest, CmykJpegDecodesToItsColour)
{
    // Written by another encoder with the Adobe marker (inverted CMYK): pure red.
    TImageFile bmp;
    ASSERT_TRUE(bmp.JPGLoadFromResource(QStringLiteral("TESTCMYK")));
    ASSERT_EQ(bmp.Width(), 8);
    const std::uint8_t* p = bmp.ScanLine(3) + 3 * bmp.BytesPerPixel();
    EXPECT_NEAR(p[2], 255, 3);
    EXPECT_NEAR(p[1], 0, 3);
    EXPECT_NEAR(p[0], 0, 3);
}

namespace {

// A BMP with any header size. Windows headers (40 and up) and OS/2 2.x (16, 64)
// share the first 40 bytes' layout; masks go at header offset 40 (V2+) or after
// a 40-byte header; the 12-byte core header has 16-bit sizes.
QByteArray MakeBmpWithHeader(int hdrSize, int w, int h, int bpp, std::uint32_t compression,
                             const std::vector<std::uint32_t>& masks, const QByteArray& palette,
                             const QByteArray& pixels)
{
    QByteArray hdr;
    Le32(hdr, std::uint32_t(hdrSize));
    if (hdrSize == 12) {
        Le16(hdr, unsigned(w));
        Le16(hdr, unsigned(h));
        Le16(hdr, 1);
        Le16(hdr, unsigned(bpp));
    } else {
        Le32(hdr, std::uint32_t(w));
        Le32(hdr, std::uint32_t(h));
        Le16(hdr, 1);
        Le16(hdr, unsigned(bpp));
        Le32(hdr, compression);
        Le32(hdr, std::uint32_t(pixels.size()));
        Le32(hdr, 2835);
        Le32(hdr, 2835);
        Le32(hdr, 0);
        Le32(hdr, 0);
        for (std::uint32_t m : masks)
            Le32(hdr, m);
        if (hdr.size() < hdrSize)
            hdr.append(hdrSize - hdr.size(), '\0');
    }
    const QByteArray head = hdrSize < 40 ? hdr.left(hdrSize) : hdr;
    QByteArray b("BM");
    const std::uint32_t off = 14 + std::uint32_t(head.size() + palette.size());
    Le32(b, off + std::uint32_t(pixels.size()));
    Le32(b, 0);
    Le32(b, off);
    return b + head + palette + pixels;
}

// value & mask scaled to 0..255 the way every BMP reader rounds.
std::uint32_t Scaled(std::uint32_t v, std::uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const std::uint32_t max = mask >> shift;
    return (((v & mask) >> shift) * 255 + max / 2) / max;
}

} // namespace

TEST_F(BitmapFiles, BitFieldMasksGiveColourAndAlphaAt16And32Bits)
{
    struct Case
    {
        const char* name;
        int bpp, hdrSize;
        std::uint32_t compression;
        std::uint32_t r, g, b, a;
    };
    const Case cases[] = {
        {"A1R5G5B5, V4 header", 16, 108, 3, 0x7C00, 0x03E0, 0x001F, 0x8000},
        {"A4R4G4B4, V5 header", 16, 124, 3, 0x0F00, 0x00F0, 0x000F, 0xF000},
        {"A4R4G4B4, alpha bit fields", 16, 40, 6, 0x0F00, 0x00F0, 0x000F, 0xF000},
        {"R5G6B5 without alpha", 16, 40, 3, 0xF800, 0x07E0, 0x001F, 0},
        {"R8G8B8A8, V4 header", 32, 108, 3, 0xFF000000u, 0x00FF0000, 0x0000FF00, 0x000000FF},
        {"A2R10G10B10, V5 header", 32, 124, 3, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000u},
    };
    const std::uint32_t values[] = {0x00000000u, 0xFFFFFFFFu, 0x12345678u,
                                    0x9ABCDEF0u, 0x0F0F8001u, 0xF0F07FFEu};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // 3 x 2, bottom row first; 16-bit rows padded to 8 bytes.
        QByteArray pixels;
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                if (c.bpp == 16)
                    Le16(pixels, values[y * 3 + x] & 0xFFFF);
                else
                    Le32(pixels, values[y * 3 + x]);
            }
            if (c.bpp == 16)
                pixels.append(2, '\0');
        }
        std::vector<std::uint32_t> masks{c.r, c.g, c.b};
        if (c.compression == 6 || c.hdrSize >= 56)
            masks.push_back(c.a);
        WriteAll(Path(QStringLiteral("m.bmp")),
                 MakeBmpWithHeader(c.hdrSize, 3, 2, c.bpp, c.compression, masks, {}, pixels));
        TBitmap bmp;
        bmp.LoadFromFile(Path(QStringLiteral("m.bmp")));
        ASSERT_EQ(bmp.Width(), 3);
        EXPECT_EQ(bmp.AlphaFormat(), c.a ? afDefined : afIgnored);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                std::uint32_t v = values[(1 - y) * 3 + x];
                if (c.bpp == 16)
                    v &= 0xFFFF;
                const std::uint32_t want = Scaled(v, c.b) | (Scaled(v, c.g) << 8)
                                           | (Scaled(v, c.r) << 16)
                                           | ((c.a ? Scaled(v, c.a) : 255u) << 24);
                EXPECT_EQ(Pixel(bmp, x, y), want) << x << "," << y;
            }
    }
}

TEST_F(BitmapFiles, RunLengthCodesWithDeltasAndEarlyEndsDecode)
{
    QByteArray palette;
    for (int i = 0; i < 16; ++i)
        palette += QByteArray(1, char(i * 10)) + char(i * 10 + 1) + char(i * 10 + 2) + '\0';
    struct Case
    {
        const char* name;
        int w, h, bpp;
        QByteArray data;
        std::vector<int> want; // palette index per pixel from the top row; -1 transparent
    };
    const Case cases[] = {
        {"RLE8: runs, odd literal, clipped run, delta, end of bitmap",
         5,
         3,
         8,
         QByteArray("\x02\x01"
                    "\x00\x03\x02\x03\x02\x00"
                    "\x05\x04"
                    "\x00\x00"
                    "\x01\x03"
                    "\x00\x02\x02\x01"
                    "\x02\x02"
                    "\x00\x01",
                    22),
         {-1, -1, -1, 2, 2, /**/ 3, -1, -1, -1, -1, /**/ 1, 1, 2, 3, 2}},
        {"RLE4: alternating run, odd literal, delta, end of bitmap",
         5,
         2,
         4,
         QByteArray("\x05\x12"
                    "\x00\x00"
                    "\x00\x03\x34\x50"
                    "\x00\x02\x01\x00"
                    "\x01\xf0"
                    "\x00\x01",
                    16),
         {3, 4, 5, -1, 15, /**/ 1, 2, 1, 2, 1}},
        {"RLE8: every pixel written, data ends without end of bitmap",
         2,
         2,
         8,
         QByteArray("\x02\x07\x00\x00\x01\x08\x01\x09", 8),
         {8, 9, 7, 7}},
        {"RLE8: delta beyond the picture ends the decoding",
         2,
         2,
         8,
         QByteArray("\x01\x05\x00\x02\xff\xff\x02\x06", 8),
         {-1, -1, 5, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(Path(QStringLiteral("r.bmp")),
                 MakeBmp(c.w, c.h, c.bpp, palette, c.data, c.bpp == 8 ? 1 : 2));
        TBitmap bmp;
        bmp.LoadFromFile(Path(QStringLiteral("r.bmp")));
        ASSERT_EQ(bmp.Width(), c.w);
        ASSERT_EQ(bmp.Height(), c.h);
        const bool holes = std::count(c.want.begin(), c.want.end(), -1) > 0;
        EXPECT_EQ(bmp.AlphaFormat(), holes ? afDefined : afIgnored);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                const int i = c.want[std::size_t(y * c.w + x)];
                const std::uint32_t want = i < 0 ? 0u
                                                 : 0xFF000000u | std::uint32_t(i * 10 + 2) << 16
                                                       | std::uint32_t(i * 10 + 1) << 8
                                                       | std::uint32_t(i * 10);
                EXPECT_EQ(Pixel(bmp, x, y), want) << x << "," << y;
            }
    }
}

TEST_F(BitmapFiles, Os2HeadersAreRead)
{
    const QByteArray pal3("\x01\x02\x03\x04\x05\x06", 6);          // 3-byte entries
    const QByteArray pal4("\x01\x02\x03\x00\x04\x05\x06\x00", 8);  // 4-byte entries
    const QByteArray rows8("\x01\x00\x00\x00\x00\x01\x00\x00", 8); // 2 x 2, bottom row first
    QByteArray rows24;
    rows24 += QByteArray("\x04\x05\x06\x01\x02\x03", 6) + QByteArray(2, '\0');
    rows24 += QByteArray("\x01\x02\x03\x04\x05\x06", 6) + QByteArray(2, '\0');
    struct Case
    {
        const char* name;
        QByteArray file;
    };
    const Case cases[] = {
        {"OS/2 1.x, 8-bit palette", MakeBmpWithHeader(12, 2, 2, 8, 0, {}, pal3, rows8)},
        {"OS/2 2.x short header, 24-bit", MakeBmpWithHeader(16, 2, 2, 24, 0, {}, {}, rows24)},
        {"OS/2 2.x full header, 8-bit palette", MakeBmpWithHeader(64, 2, 2, 8, 0, {}, pal4, rows8)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(Path(QStringLiteral("o.bmp")), c.file);
        TBitmap bmp;
        bmp.LoadFromFile(Path(QStringLiteral("o.bmp")));
        ASSERT_EQ(bmp.Width(), 2);
        EXPECT_EQ(Pixel(bmp, 0, 0), 0xFF030201u);
        EXPECT_EQ(Pixel(bmp, 1, 0), 0xFF060504u);
        EXPECT_EQ(Pixel(bmp, 0, 1), 0xFF060504u);
        EXPECT_EQ(Pixel(bmp, 1, 1), 0xFF030201u);
    }
    // OS/2's own compression codes (Huffman 1D, RLE24) are refused, not misread.
    WriteAll(Path(QStringLiteral("h.bmp")), MakeBmpWithHeader(64, 2, 2, 1, 3, {}, pal4, rows8));
    TBitmap bmp;
    EXPECT_THROW(bmp.LoadFromFile(Path(QStringLiteral("h.bmp"))), EInvalidGraphic);
}

TEST_F(BitmapFiles, RunLengthHeaderFarLargerThanItsDataFailsFast)
{
    // 15000 x 15000 (900 MB as a picture) from a few hundred bytes of codes.
    QByteArray codes;
    for (int i = 0; i < 100; ++i)
        codes += QByteArray("\x00\x02\xff\xff", 4);
    WriteAll(Path(QStringLiteral("big.bmp")),
             MakeBmp(15000, 15000, 8, QByteArray(8, '\x40'), codes, 1));
    TBitmap bmp;
    QElapsedTimer timer;
    timer.start();
    try {
        bmp.LoadFromFile(Path(QStringLiteral("big.bmp")));
        ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_TRUE(
            e.Reason().startsWith(QStringLiteral("BMP picture size does not match the file")))
            << e.Reason().toStdString();
    }
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_TRUE(bmp.Empty());
}
