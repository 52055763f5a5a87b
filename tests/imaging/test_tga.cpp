// The TGA codec.

#include "TestImaging.h"

#include <imaging/uHVBitmap.h>
#include <imaging/uVCLTGA.h>

#include <QBuffer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace testimg;

namespace {

QByteArray TgaHeader(int w, int h, int depth, int descriptor, int type = 2, const QByteArray& id = {},
                     int colorMapType = 0)
{
    QByteArray b;
    b.append(char(id.size()));
    b.append(char(colorMapType));
    b.append(char(type));
    b.append(5, '\0');
    Le16(b, 0);
    Le16(b, 0);
    Le16(b, unsigned(w));
    Le16(b, unsigned(h));
    b.append(char(depth));
    b.append(char(descriptor));
    return b + id;
}

// Extension area + footer for a file whose current size is `offset`.
QByteArray TgaExtension(qsizetype offset, const QByteArray& author, int month, int day, int year)
{
    QByteArray ext(495, '\0');
    ext[0] = char(495 & 0xFF);
    ext[1] = char(495 >> 8);
    ext.replace(2, author.size(), author);
    auto put16 = [&](int at, int v) {
        ext[at] = char(v & 0xFF);
        ext[at + 1] = char(v >> 8);
    };
    put16(367, month);
    put16(369, day);
    put16(371, year);
    put16(373, 13);
    put16(375, 14);
    put16(377, 15);
    ext[471] = 1;
    ext[472] = 2;
    ext[473] = 3;
    put16(474, 3);
    put16(476, 2);
    QByteArray footer;
    Le32(footer, std::uint32_t(offset));
    Le32(footer, 0);
    footer += QByteArray("TRUEVISION-XFILE.\0", 18);
    return ext + footer;
}

class TgaFiles : public ::testing::Test
{
protected:
    QString Path(const QString& name) const { return FDir.filePath(name); }
    void Load(const QByteArray& data, THVBitmap& bmp)
    {
        WriteAll(Path(QStringLiteral("t.tga")), data);
        bmp.LoadFromFile(Path(QStringLiteral("t.tga")));
    }
    QTemporaryDir FDir;
};

// A device that takes only a limited number of bytes, like a full disk.
class ShortDevice : public QIODevice
{
public:
    explicit ShortDevice(qint64 room) : FRoom(room) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 len) override
    {
        const qint64 n = std::min(len, FRoom);
        FRoom -= n;
        return n == 0 && len > 0 ? -1 : n;
    }

private:
    qint64 FRoom;
};

} // namespace

TEST_F(TgaFiles, RoundTripKeepsPixelsAlphaAndAuthor)
{
    THVBitmap src;
    FillPattern(src, 5, 3);
    src.TGA_Author = QStringLiteral("Ren\u00e9");
    src.SaveToFile(Path(QStringLiteral("a.tga")));
    THVBitmap back;
    back.LoadFromFile(Path(QStringLiteral("a.tga")));
    EXPECT_TRUE(SamePixels(src, back));
    EXPECT_EQ(back.TGA_Author, QStringLiteral("Ren\u00e9"));

    // Without defined alpha the file is 24-bit and reads back opaque.
    src.SetAlphaFormat(afIgnored);
    src.SaveToFile(Path(QStringLiteral("b.tga")));
    EXPECT_EQ(ReadAll(Path(QStringLiteral("b.tga"))).size(), 18 + 1 + 5 * 3 * 3 + 521);
    back.LoadFromFile(Path(QStringLiteral("b.tga")));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(Pixel(back, x, y), Pixel(src, x, y) | 0xFF000000u);
}

TEST_F(TgaFiles, TwoByTwoWithAlphaIs556Bytes)
{
    THVBitmap src;
    FillPattern(src, 2, 2);
    src.SaveToFile(Path(QStringLiteral("s.tga")));
    const QByteArray f = ReadAll(Path(QStringLiteral("s.tga")));
    ASSERT_EQ(f.size(), 556);
    EXPECT_EQ(uchar(f[16]), 32);
    EXPECT_EQ(uchar(f[17]), 0x28);
    EXPECT_EQ(uchar(f[18]), 0);
    EXPECT_EQ(f.right(18), QByteArray("TRUEVISION-XFILE.\0", 18));
    // Extension area right after the pixels; date 12/30/1899, ratios 0/10000.
    const qsizetype ext = 18 + 1 + 16;
    EXPECT_EQ(uchar(f[f.size() - 26]), ext);
    EXPECT_EQ(uchar(f[ext]) | (uchar(f[ext + 1]) << 8), 495);
    EXPECT_EQ(uchar(f[ext + 367]), 12);
    EXPECT_EQ(uchar(f[ext + 369]), 30);
    EXPECT_EQ(uchar(f[ext + 371]) | (uchar(f[ext + 372]) << 8), 1899);
    EXPECT_EQ(uchar(f[ext + 476]) | (uchar(f[ext + 477]) << 8), 10000);
}

TEST_F(TgaFiles, RowOrderAndDirectionFollowTheDescriptor)
{
    // Stored lines: first (1,2,3)(4,5,6), second (7,8,9)(10,11,12).
    const QByteArray pixels("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c", 12);
    struct Case
    {
        int descriptor;
        std::uint32_t topLeft, topRight, bottomLeft;
    };
    const Case cases[] = {
        {0x00, 0xFF090807u, 0xFF0C0B0Au, 0xFF030201u}, // bottom-up
        {0x20, 0xFF030201u, 0xFF060504u, 0xFF090807u}, // top-down
        {0x10, 0xFF0C0B0Au, 0xFF090807u, 0xFF060504u}, // bottom-up, right to left
        {0x30, 0xFF060504u, 0xFF030201u, 0xFF0C0B0Au}, // top-down, right to left
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.descriptor);
        THVBitmap bmp;
        Load(TgaHeader(2, 2, 24, c.descriptor) + pixels, bmp);
        EXPECT_EQ(Pixel(bmp, 0, 0), c.topLeft);
        EXPECT_EQ(Pixel(bmp, 1, 0), c.topRight);
        EXPECT_EQ(Pixel(bmp, 0, 1), c.bottomLeft);
        EXPECT_TRUE(bmp.TGA_Author.isEmpty()); // no footer
    }
}

TEST_F(TgaFiles, RunLengthPacketsCarryAcrossLines)
{
    // 3 x 2, 32-bit, top-down: a run of 4 (spans into line 2), then a raw packet of 2.
    QByteArray data = TgaHeader(3, 2, 32, 0x28, 10);
    data += QByteArray("\x83\x01\x02\x03\x04", 5);
    data += QByteArray("\x01\x05\x06\x07\x08\x09\x0a\x0b\x0c", 9);
    THVBitmap bmp;
        Load(data, bmp);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Pixel(bmp, i % 3, i / 3), 0x04030201u) << i;
    EXPECT_EQ(Pixel(bmp, 1, 1), 0x08070605u);
    EXPECT_EQ(Pixel(bmp, 2, 1), 0x0C0B0A09u);

    // A raw packet spanning a line end, 24-bit, bottom-up.
    QByteArray raw = TgaHeader(2, 2, 24, 0, 10);
    raw += QByteArray("\x02\x01\x01\x01\x02\x02\x02\x03\x03\x03\x80\x04\x04\x04", 14);
    THVBitmap b2;
        Load(raw, b2);
    EXPECT_EQ(Pixel(b2, 0, 1), 0xFF010101u);
    EXPECT_EQ(Pixel(b2, 1, 1), 0xFF020202u);
    EXPECT_EQ(Pixel(b2, 0, 0), 0xFF030303u);
    EXPECT_EQ(Pixel(b2, 1, 0), 0xFF040404u);
}

TEST_F(TgaFiles, ExtensionAreaIsReadAndBadDatesKeepTheDefault)
{
    QByteArray body = TgaHeader(1, 1, 24, 0x20, 2, QByteArray("id")) + QByteArray("\x01\x02\x03", 3);
    QByteArray good = body + TgaExtension(body.size(), "Ann", 7, 4, 2021);
    QBuffer buf(&good);
    buf.open(QIODevice::ReadOnly);
    TBitmap bmp;
    TTGAParamsVals params;
    ReadTGAStream(buf, bmp, params);
    EXPECT_EQ(params.TGA_Author(), QByteArray("Ann"));
    EXPECT_EQ(params.TGA_Descriptor(), QByteArray("id"));
    EXPECT_EQ(params.TGA_Date(), QDateTime(QDate(2021, 7, 4), QTime(13, 14, 15)));
    EXPECT_EQ(params.TGA_Background().r, 1);
    EXPECT_EQ(params.TGA_Background().b, 3);
    EXPECT_DOUBLE_EQ(params.TGA_AspectRatio(), 1.5);
    EXPECT_DOUBLE_EQ(params.TGA_Gamma(), 2.2);
    EXPECT_EQ(params.SamplesPerPixel(), 3);

    QByteArray bad = body + TgaExtension(body.size(), "Bob", 2, 30, 2018);
    QBuffer buf2(&bad);
    buf2.open(QIODevice::ReadOnly);
    ReadTGAStream(buf2, bmp, params);
    EXPECT_EQ(params.TGA_Author(), QByteArray("Bob"));
    EXPECT_EQ(params.TGA_Date(), QDateTime(QDate::currentDate(), QTime(0, 0)));

    QByteArray damaged = body + TgaExtension(100000, "Eve", 1, 1, 2000); // offset beyond the file
    QBuffer buf3(&damaged);
    buf3.open(QIODevice::ReadOnly);
    ReadTGAStream(buf3, bmp, params);
    EXPECT_TRUE(params.TGA_Author().isEmpty());
    EXPECT_EQ(Pixel(bmp, 0, 0), 0xFF030201u);
}

TEST_F(TgaFiles, TruncatedPixelDataLeavesTheRestZero)
{
    // 32-bit raw 2x2 top-down with only one and a half pixels.
    THVBitmap bmp;
        Load(TgaHeader(2, 2, 32, 0x28) + QByteArray("\x01\x02\x03\x04\x05\x06", 6), bmp);
    EXPECT_EQ(Pixel(bmp, 0, 0), 0x04030201u);
    EXPECT_EQ(Pixel(bmp, 1, 0), 0x00000605u);
    EXPECT_EQ(Pixel(bmp, 0, 1), 0u);
    EXPECT_EQ(Pixel(bmp, 1, 1), 0u);
    // RLE run that ends after its header byte.
    THVBitmap rle;
        Load(TgaHeader(2, 1, 24, 0x20, 10) + QByteArray("\x81", 1), rle);
    EXPECT_EQ(rle.Width(), 2);
}

TEST_F(TgaFiles, ForeignOrAbsurdHeadersAreRefused)
{
    const QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x01\0\0\0\x01\x08\x02", 26);
    const QByteArray jpg("\xFF\xD8\xFF\xE0\0\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 20);
    const QByteArray cases[] = {png, jpg, TgaHeader(2, 2, 16, 0), TgaHeader(0, 2, 24, 0),
                                TgaHeader(2, 2, 24, 0, 1), QByteArray("short")};
    for (const QByteArray& c : cases) {
        WriteAll(Path(QStringLiteral("t.tga")), c);
        THVBitmap bmp;
        FillPattern(bmp, 3, 1);
        try {
            bmp.LoadFromFile(Path(QStringLiteral("t.tga")));
            ADD_FAILURE() << "no error";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Reason(), QStringLiteral("It is not TGA File."));
        }
        EXPECT_EQ(bmp.Width(), 3); // size untouched
    }
    // 65535 x 65535 announced by a file of a few bytes: refused before allocating.
    WriteAll(Path(QStringLiteral("big.tga")), TgaHeader(0xFFFF, 0xFFFF, 32, 0, 10) + QByteArray(64, '\x7f'));
    THVBitmap bmp;
    EXPECT_THROW(bmp.LoadFromFile(Path(QStringLiteral("big.tga"))), EInvalidGraphic);
}

TEST_F(TgaFiles, ColourMapIsSteppedOver)
{
    QByteArray data = TgaHeader(1, 1, 24, 0, 2, {}, 1);
    data[5] = 2;  // two entries ...
    data[7] = 24; // ... of 3 bytes each
    data += QByteArray(6, '\x55') + QByteArray("\x01\x02\x03", 3);
    THVBitmap bmp;
        Load(data, bmp);
    EXPECT_EQ(Pixel(bmp, 0, 0), 0xFF030201u);
}

TEST(TgaWriterTest, ShortWritesAreReported)
{
    TBitmap bmp;
    FillPattern(bmp, 4, 4);
    TTGAParamsVals params;
    params.fAlphaUsed = true;
    ShortDevice full(40);
    EXPECT_FALSE(WriteTGAStream(full, bmp, params));
    QByteArray ok;
    QBuffer buf(&ok);
    buf.open(QIODevice::WriteOnly);
    EXPECT_TRUE(WriteTGAStream(buf, bmp, params));
    EXPECT_EQ(ok.size(), 18 + 1 + 64 + 521);

    THVBitmap h;
    FillPattern(h, 2, 2);
    EXPECT_THROW(h.SaveToFile(QStringLiteral("/nonexistent-dir/x.tga")), EFileError);
}

TEST(TgaHelpersTest, MergeAndCompare)
{
    const TRGB colors[2] = {CreateRGB(3, 2, 1), CreateRGB(6, 5, 4)};
    const std::uint8_t alpha[2] = {7, 8};
    std::uint8_t out[8] = {};
    MergeRGBAlpha(colors, alpha, out, 2);
    const std::uint8_t want[8] = {1, 2, 3, 7, 4, 5, 6, 8};
    EXPECT_EQ(std::memcmp(out, want, 8), 0);
    EXPECT_TRUE(SameRGB(colors[0], CreateRGB(3, 2, 1)));
    EXPECT_FALSE(SameRGB(colors[0], colors[1]));
    TTGAParamsVals p;
    p.fTGA_Author = "a";
    p.fTGA_Descriptor = "d";
    p.fTGA_ImageName = "n";
    p.fWidth = 5;
    p.ResetInfo();
    EXPECT_TRUE(p.fTGA_Author.isEmpty() && p.fTGA_Descriptor.isEmpty() && p.fTGA_ImageName.isEmpty());
    EXPECT_EQ(p.fWidth, 5);
}
