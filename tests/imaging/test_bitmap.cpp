// The base bitmap, its BMP reader and writer, and THVBitmap's file handling.

#include "TestImaging.h"

#include <imaging/uHVBitmap.h>

#include <QTemporaryDir>

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
                if (Pixel(b, x, y) != (0xFF000000u | (std::uint32_t(std::uint8_t(x ^ y)) << 16) |
                                       (std::uint32_t(std::uint8_t(y)) << 8) | std::uint8_t(x)))
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
        THVBitmap bmp;
        FillPattern(bmp, 5, 3); // odd width: rows of 20 bytes, no padding issue hidden
        bmp.SetAlphaFormat(af);
        bmp.SaveToFile(Path(QStringLiteral("a.bmp")));
        THVBitmap back;
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
        THVBitmap bmp;
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
    const QByteArray cases[] = {good.left(good.size() - 1), huge, MakeBmp(3, 2, 8, {}, QByteArray(8, 0), 1),
                                QByteArray("BM")};
    for (const QByteArray& c : cases) {
        WriteAll(Path(QStringLiteral("bad.bmp")), c);
        THVBitmap bmp;
        EXPECT_THROW(bmp.LoadFromFile(Path(QStringLiteral("bad.bmp"))), EInvalidGraphic);
    }
    THVBitmap bmp;
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
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("Cannot read"))) << e.what();
        }
        EXPECT_TRUE(bmp.Empty());
    }
}

TEST(ImageFileTypeTest, DecidedByTheLastExtensionOnly)
{
    const std::pair<const char*, TImageFileType> cases[] = {
        {"a.jpg", iftJpeg},       {"a.JPEG", iftJpeg},       {"photo.Png", iftPng},
        {"x.psd", iftPsd},        {"x.BMP", iftBmp},         {"x.tga", iftTga},
        {"x.jpe", iftUnknown},    {"x.tif", iftUnknown},     {"x.gif", iftUnknown},
        {"noext", iftUnknown},    {"dir.png\\file", iftUnknown}, {"dir.png/file", iftUnknown},
        {"c:x.png", iftPng},      {"c.png:file", iftUnknown}, {"a.png.txt", iftUnknown},
        {"", iftUnknown},         {".png", iftPng},          {"a.p\xC3\xA9g", iftUnknown},
    };
    for (const auto& [name, type] : cases)
        EXPECT_EQ(GetImageFileType(QString::fromUtf8(name)), type) << name;
}

TEST(THVBitmapTest, CreateGivesAnEmpty32BitBitmapWithDefinedAlpha)
{
    THVBitmap bmp;
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
    THVBitmap bmp;
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
    THVBitmap src;
    src.SetSize(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            SetPixel(src, x, y, 40, 120, 200, 7); // alpha 7 must not survive
    src.CompressionQuality = 95;
    src.SaveToFile(Path(QStringLiteral("p.JPG")));
    THVBitmap back;
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
    THVBitmap src;
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
    THVBitmap src;
    FillPattern(src, 7, 5);
    src.PNG_Author = QStringLiteral("J\u00fcrgen");
    src.SaveToFile(Path(QStringLiteral("a.png")));
    THVBitmap back;
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
    THVBitmap bmp;
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
    THVBitmap back;
    back.LoadFromFile(Path(QStringLiteral("rgb.png")));
    EXPECT_EQ(back.AlphaFormat(), afIgnored);
    EXPECT_EQ(Pixel(back, 3, 2), Pixel(bmp, 3, 2) | 0xFF000000u);
}

TEST_F(BitmapFiles, JpegLoadedPictureIsSavedAsRgbPng)
{
    THVBitmap bmp;
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
        {"ANSI text", PngChunk("tEXt", QByteArray("Author\0caf\xe9", 11)), {},
         QStringLiteral("caf\u00e9")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(Path(QStringLiteral("t.png")), MakePng(1, 1, 2, 8, rows, c.before, c.after));
        THVBitmap bmp;
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
        {"palette + tRNS", MakePng(2, 1, 3, 8, {QByteArray("\x00\x01", 2)}, plte + PngChunk("tRNS", QByteArray("\x80", 1))),
         afDefined, 0x80102030u, 0xFF405060u},
        {"grey + alpha", MakePng(2, 1, 4, 8, {QByteArray("\x11\x22\x33\x44", 4)}), afDefined,
         0x22111111u, 0x44333333u},
        {"grey 16-bit", MakePng(2, 1, 0, 16, {QByteArray("\xAB\x00\x12\xFF", 4)}), afIgnored,
         0xFFABABABu, 0xFF121212u},
        {"grey 1-bit", MakePng(2, 1, 0, 1, {QByteArray("\x80", 1)}), afIgnored, 0xFFFFFFFFu, 0xFF000000u},
        {"rgba", MakePng(2, 1, 6, 8, {QByteArray("\x01\x02\x03\x00\x04\x05\x06\x07", 8)}), afDefined,
         0x00010203u, 0x07040506u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(Path(QStringLiteral("v.png")), c.png);
        THVBitmap bmp;
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
        THVBitmap small;
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
        THVBitmap bmp;
        FillPattern(bmp, 3, 3);
        TBitmap before;
        before.Assign(bmp);
        EXPECT_THROW(bmp.LoadFromFile(Path(QString::fromLatin1(name))), EInvalidGraphic) << name;
        EXPECT_TRUE(SamePixels(bmp, before));
    }
}

TEST(ResourceTest, LoadFromResourceTriesJpegPngBmp)
{
    THVBitmap bmp;
    ASSERT_TRUE(bmp.LoadFromResource(QStringLiteral("BANNER0")));
    EXPECT_EQ(bmp.Width(), 8);
    EXPECT_EQ(bmp.Height(), 4);
    EXPECT_EQ(bmp.PixelFormat(), pf24bit); // resource loads do not convert
    EXPECT_EQ(bmp.ScanLine(1)[2 * 3 + 2], 60);  // red = x * 30
    EXPECT_EQ(bmp.ScanLine(1)[2 * 3 + 1], 60);  // green = y * 60
    EXPECT_EQ(bmp.ScanLine(1)[2 * 3 + 0], 200); // blue

    THVBitmap jpg;
    EXPECT_TRUE(jpg.JPGLoadFromResource(QStringLiteral("TESTJPEG")));
    EXPECT_FALSE(jpg.PNGLoadFromResource(QStringLiteral("TESTJPEG")));
    EXPECT_EQ(jpg.Width(), 8);

    THVBitmap b;
    EXPECT_FALSE(b.JPGLoadFromResource(QStringLiteral("TESTBMP")));
    EXPECT_TRUE(b.LoadFromResource(QStringLiteral("TESTBMP")));
    EXPECT_EQ(b.ScanLine(3)[7 * 3 + 2], 210);
}

TEST(ResourceTest, MissingResourceLeavesTheBitmapAlone)
{
    THVBitmap bmp;
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
        THVBitmap bmp;
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
    THVBitmap bmp;
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
    THVBitmap bmp;
    ASSERT_TRUE(bmp.JPGLoadFromResource(QStringLiteral("TESTCMYK")));
    ASSERT_EQ(bmp.Width(), 8);
    const std::uint8_t* p = bmp.ScanLine(3) + 3 * bmp.BytesPerPixel();
    EXPECT_NEAR(p[2], 255, 3);
    EXPECT_NEAR(p[1], 0, 3);
    EXPECT_NEAR(p[0], 0, 3);
}
