// The TGA codec.

#include "TestImaging.h"

#include <imaging/uImageFile.h>
#include <imaging/uTga.h>

#include <QBuffer>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace testimg;

namespace {

QByteArray TgaHeader(int w, int h, int depth, int descriptor, int type = 2,
                     const QByteArray& id = {}, int colorMapType = 0)
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
    void Load(const QByteArray& data, TImageFile& bmp)
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
    TImageFile src;
    FillPattern(src, 5, 3);
    src.TGA_Author = QStringLiteral("Ren\u00e9");
    src.SaveToFile(Path(QStringLiteral("a.tga")));
    TImageFile back;
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
    TImageFile src;
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
        TImageFile bmp;
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
    TImageFile bmp;
    Load(data, bmp);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Pixel(bmp, i % 3, i / 3), 0x04030201u) << i;
    EXPECT_EQ(Pixel(bmp, 1, 1), 0x08070605u);
    EXPECT_EQ(Pixel(bmp, 2, 1), 0x0C0B0A09u);

    // A raw packet spanning a line end, 24-bit, bottom-up.
    QByteArray raw = TgaHeader(2, 2, 24, 0, 10);
    raw += QByteArray("\x02\x01\x01\x01\x02\x02\x02\x03\x03\x03\x80\x04\x04\x04", 14);
    TImageFile b2;
    Load(raw, b2);
    EXPECT_EQ(Pixel(b2, 0, 1), 0xFF010101u);
    EXPECT_EQ(Pixel(b2, 1, 1), 0xFF020202u);
    EXPECT_EQ(Pixel(b2, 0, 0), 0xFF030303u);
    EXPECT_EQ(Pixel(b2, 1, 0), 0xFF040404u);
}

TEST_F(TgaFiles, ExtensionAreaIsReadAndBadDatesKeepTheDefault)
{
    QByteArray body =
        TgaHeader(1, 1, 24, 0x20, 2, QByteArray("id")) + QByteArray("\x01\x02\x03", 3);
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
    TImageFile bmp;
    Load(TgaHeader(2, 2, 32, 0x28) + QByteArray("\x01\x02\x03\x04\x05\x06", 6), bmp);
    EXPECT_EQ(Pixel(bmp, 0, 0), 0x04030201u);
    EXPECT_EQ(Pixel(bmp, 1, 0), 0x00000605u);
    EXPECT_EQ(Pixel(bmp, 0, 1), 0u);
    EXPECT_EQ(Pixel(bmp, 1, 1), 0u);
    // RLE run that ends after its header byte.
    TImageFile rle;
    Load(TgaHeader(2, 1, 24, 0x20, 10) + QByteArray("\x81", 1), rle);
    EXPECT_EQ(rle.Width(), 2);
}

TEST_F(TgaFiles, ForeignOrAbsurdHeadersAreRefused)
{
    const QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x01\0\0\0\x01\x08\x02", 26);
    const QByteArray jpg("\xFF\xD8\xFF\xE0\0\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 20);
    QByteArray mapped8BitEntries = TgaHeader(2, 2, 8, 0, 1, {}, 1);
    mapped8BitEntries[5] = 1;
    mapped8BitEntries[7] = 8; // map entries of 8 bits: not a size the format defines
    const QByteArray cases[] = {png,
                                jpg,
                                TgaHeader(2, 2, 8, 0),     // true colour at 8 bits
                                TgaHeader(2, 2, 24, 0, 3), // grey at 24 bits
                                TgaHeader(2, 2, 8, 0, 1),  // colour-mapped without a map
                                mapped8BitEntries,
                                TgaHeader(2, 2, 24, 0, 32), // Huffman-coded type
                                TgaHeader(0, 2, 24, 0),
                                TgaHeader(2, 2, 24, 0, 1),
                                QByteArray("short")};
    for (const QByteArray& c : cases) {
        WriteAll(Path(QStringLiteral("t.tga")), c);
        TImageFile bmp;
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
    WriteAll(Path(QStringLiteral("big.tga")),
             TgaHeader(0xFFFF, 0xFFFF, 32, 0, 10) + QByteArray(64, '\x7f'));
    TImageFile bmp;
    EXPECT_THROW(bmp.LoadFromFile(Path(QStringLiteral("big.tga"))), EInvalidGraphic);
}

TEST_F(TgaFiles, ColourMapIsSteppedOver)
{
    QByteArray data = TgaHeader(1, 1, 24, 0, 2, {}, 1);
    data[5] = 2;  // two entries ...
    data[7] = 24; // ... of 3 bytes each
    data += QByteArray(6, '\x55') + QByteArray("\x01\x02\x03", 3);
    TImageFile bmp;
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

    TImageFile h;
    FillPattern(h, 2, 2);
    EXPECT_THROW(h.SaveToFile(QStringLiteral("/nonexistent-dir/x.tga")), EFileError);
}

TEST_F(TgaFiles, ALoadKeepsNothingOfThePreviousFile)
{
    TImageFile first;
    FillPattern(first, 5, 3);
    first.TGA_Author = QStringLiteral("Author");
    first.SaveToFile(Path(QStringLiteral("with-author.tga")));
    TImageFile second;
    FillPattern(second, 2, 2);
    second.SetAlphaFormat(afIgnored);
    second.SaveToFile(Path(QStringLiteral("plain.tga")));

    TImageFile back;
    back.LoadFromFile(Path(QStringLiteral("with-author.tga")));
    ASSERT_EQ(back.TGA_Author, QStringLiteral("Author"));
    back.LoadFromFile(Path(QStringLiteral("plain.tga")));
    EXPECT_TRUE(back.TGA_Author.isEmpty());
    ASSERT_EQ(back.Width(), 2);
    ASSERT_EQ(back.Height(), 2);
    // 24-bit colours come back with full alpha beside each pixel's own colour.
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(Pixel(back, x, y), Pixel(second, x, y) | 0xFF000000u);
}

namespace {

// The variants of the reader's table: image type (1 colour-mapped, 2 true colour,
// 3 grey), pixel depth, map entry size, and the descriptor's alpha bits.
struct TgaVariant
{
    const char* name;
    int type, depth, entry, alphaBits;
};

// A 4 x 3 picture of four colours, as palette indices from the top row.
constexpr int Indices[3][4] = {{0, 0, 0, 1}, {2, 3, 3, 3}, {1, 1, 2, 0}};
constexpr std::uint8_t Colours[4][4] = { // b, g, r, a
    {0x10, 0x20, 0x30, 0xFF},
    {0xF8, 0x08, 0x84, 0x00},
    {0x00, 0xFF, 0x42, 0xFF},
    {0x77, 0x66, 0x55, 0x33}};
constexpr std::uint8_t Greys[4][2] = {{0x00, 0xFF}, {0x55, 0x80}, {0xAA, 0x00}, {0xFF, 0x40}};
constexpr int FirstEntry = 5; // the colour map starts at index 5

QByteArray StoredColour(int c, int bits, bool alphaBit)
{
    const std::uint8_t* p = Colours[c];
    QByteArray out;
    if (bits == 15 || bits == 16) {
        const unsigned v = (unsigned(p[2] >> 3) << 10) | (unsigned(p[1] >> 3) << 5) | (p[0] >> 3)
                           | (alphaBit && p[3] >= 128 ? 0x8000u : 0u);
        Le16(out, v);
    } else {
        out.append(reinterpret_cast<const char*>(p), bits / 8);
    }
    return out;
}

std::uint32_t DecodedColour(int c, int bits, bool alphaBit)
{
    const std::uint8_t* p = Colours[c];
    auto five = [](std::uint8_t v) { return std::uint32_t(((v >> 3) << 3) | (v >> 5)); };
    if (bits == 15 || bits == 16) {
        const std::uint32_t a = alphaBit ? (p[3] >= 128 ? 255u : 0u) : 255u;
        return five(p[0]) | (five(p[1]) << 8) | (five(p[2]) << 16) | (a << 24);
    }
    return p[0] | (p[1] << 8) | (std::uint32_t(p[2]) << 16)
           | (std::uint32_t(bits == 32 ? p[3] : 255) << 24);
}

QByteArray StoredPixel(const TgaVariant& v, int c)
{
    QByteArray out;
    if (v.type == 1) {
        if (v.depth == 8)
            out.append(char(FirstEntry + c));
        else
            Le16(out, unsigned(FirstEntry + c));
    } else if (v.type == 3) {
        out.append(char(Greys[c][0]));
        if (v.depth == 16)
            out.append(char(Greys[c][1]));
    } else {
        out = StoredColour(c, v.depth, v.alphaBits == 1 && v.depth == 16);
    }
    return out;
}

std::uint32_t DecodedPixel(const TgaVariant& v, int c)
{
    if (v.type == 1)
        return DecodedColour(c, v.entry, v.alphaBits == 1 && v.entry == 16);
    if (v.type == 3) {
        const std::uint32_t g = Greys[c][0];
        return g | (g << 8) | (g << 16) | (std::uint32_t(v.depth == 16 ? Greys[c][1] : 255) << 24);
    }
    return DecodedColour(c, v.depth, v.alphaBits == 1 && v.depth == 16);
}

// Packets of the run-length forms: runs of equal pixels (also across line ends),
// raw packets for the rest, at most 128 pixels each.
QByteArray RunLengthEncode(const std::vector<QByteArray>& pixels)
{
    QByteArray out;
    std::size_t i = 0;
    while (i < pixels.size()) {
        std::size_t run = 1;
        while (i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i])
            ++run;
        if (run >= 2) {
            out.append(char(0x80 | (run - 1)));
            out += pixels[i];
            i += run;
            continue;
        }
        std::size_t n = 1;
        while (i + n < pixels.size() && n < 128
               && !(i + n + 1 < pixels.size() && pixels[i + n] == pixels[i + n + 1]))
            ++n;
        out.append(char(n - 1));
        for (std::size_t k = 0; k < n; ++k)
            out += pixels[i + k];
        i += n;
    }
    return out;
}

} // namespace

TEST_F(TgaFiles, EveryDefinedTypeDepthMapAndOriginDecodes)
{
    const TgaVariant variants[] = {
        {"true colour 15", 2, 15, 0, 0},           {"true colour 16, alpha bit", 2, 16, 0, 1},
        {"true colour 16, no alpha", 2, 16, 0, 0}, {"true colour 24", 2, 24, 0, 0},
        {"true colour 32", 2, 32, 0, 8},           {"grey 8", 3, 8, 0, 0},
        {"grey 16 with alpha", 3, 16, 0, 8},       {"mapped, 15-bit entries", 1, 8, 15, 0},
        {"mapped, 16-bit entries", 1, 8, 16, 1},   {"mapped, 24-bit entries", 1, 8, 24, 0},
        {"mapped, 32-bit entries", 1, 8, 32, 8},   {"mapped, 16-bit indices", 1, 16, 24, 0},
    };
    for (const TgaVariant& v : variants)
        for (bool rle : {false, true})
            for (int origin : {0x00, 0x10, 0x20, 0x30}) { // bottom/top, left/right
                SCOPED_TRACE(std::string(v.name) + (rle ? ", RLE" : ", raw") + ", origin "
                             + std::to_string(origin));
                std::vector<QByteArray> stored;
                for (int line = 0; line < 3; ++line) {
                    const int y = (origin & 0x20) ? line : 2 - line;
                    for (int i = 0; i < 4; ++i) {
                        const int x = (origin & 0x10) ? 3 - i : i;
                        stored.push_back(StoredPixel(v, Indices[y][x]));
                    }
                }
                QByteArray file = TgaHeader(4, 3, v.depth, origin | v.alphaBits,
                                            v.type + (rle ? 8 : 0), QByteArray("id"), v.type == 1);
                if (v.type == 1) {
                    file[3] = char(FirstEntry);
                    file[5] = 4;
                    file[7] = char(v.entry);
                    for (int c = 0; c < 4; ++c)
                        file += StoredColour(c, v.entry, v.alphaBits == 1 && v.entry == 16);
                }
                if (rle) {
                    file += RunLengthEncode(stored);
                } else {
                    for (const QByteArray& p : stored)
                        file += p;
                }
                TImageFile bmp;
                Load(file, bmp);
                ASSERT_EQ(bmp.Width(), 4);
                ASSERT_EQ(bmp.Height(), 3);
                for (int y = 0; y < 3; ++y)
                    for (int x = 0; x < 4; ++x)
                        EXPECT_EQ(Pixel(bmp, x, y), DecodedPixel(v, Indices[y][x]))
                            << x << "," << y;
            }
}

TEST_F(TgaFiles, OversizedHeadersFailFastInTheirFormatsUnits)
{
    // Raw 8-bit grey needs one byte per pixel; 2000 x 2000 from 100 KB cannot be.
    // 8-bit RLE gives at most 64 pixels per byte: 8000 x 8000 from 100 KB cannot be.
    const QByteArray cases[] = {TgaHeader(2000, 2000, 8, 0, 3) + QByteArray(100000, '\x10'),
                                TgaHeader(8000, 8000, 8, 0, 11) + QByteArray(100000, '\xff')};
    for (const QByteArray& c : cases) {
        WriteAll(Path(QStringLiteral("h.tga")), c);
        TImageFile bmp;
        QElapsedTimer timer;
        timer.start();
        try {
            bmp.LoadFromFile(Path(QStringLiteral("h.tga")));
            ADD_FAILURE() << "loaded";
        } catch (const EInvalidGraphic& e) {
            EXPECT_TRUE(
                e.Reason().startsWith(QStringLiteral("TGA picture size does not match the file")));
        }
        EXPECT_LT(timer.elapsed(), 1000);
    }
}
