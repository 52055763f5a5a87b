// The PSD reader and writer.

#include "TestImaging.h"

#include <imaging/uImageFile.h>
#include <imaging/uPsd.h>

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace testimg;

namespace {

struct PsdDoc
{
    int mode = 3;
    int depth = 8;
    int w = 2;
    int h = 2;
    bool packBits = false;
    int zip = 0; // 2: zip, 3: zip with prediction (instead of raw or PackBits)
    std::vector<std::vector<QByteArray>> channels; // [channel][row], raw row bytes
    QByteArray colorModeData;
    QByteArray layerSection = QByteArray(8, 'L'); // stepped over whole
    int version = 1;
};

QByteArray PackRow(const QByteArray& row)
{
    std::vector<std::uint8_t> out(std::size_t(row.size()) * 2 + 2);
    int n = 0;
    PackBitsEncode(reinterpret_cast<const std::uint8_t*>(row.constData()), int(row.size()),
                   out.data(), n);
    return QByteArray(reinterpret_cast<const char*>(out.data()), n);
}

QByteArray MakePsd(const PsdDoc& s)
{
    QByteArray b("8BPS");
    Be16(b, unsigned(s.version));
    b.append(6, '\0');
    Be16(b, unsigned(s.channels.size()));
    Be32(b, std::uint32_t(s.h));
    Be32(b, std::uint32_t(s.w));
    Be16(b, unsigned(s.depth));
    Be16(b, unsigned(s.mode));
    Be32(b, std::uint32_t(s.colorModeData.size()));
    b += s.colorModeData;
    Be32(b, 6);
    b += QByteArray("resres");
    Be32(b, std::uint32_t(s.layerSection.size()));
    b += s.layerSection;
    if (s.zip) {
        Be16(b, unsigned(s.zip));
        QByteArray planes;
        for (const auto& ch : s.channels)
            for (QByteArray row : ch) {
                if (s.zip == 3)
                    for (qsizetype x = row.size() - 1; x > 0; --x)
                        row[x] = char(row[x] - row[x - 1]);
                planes += row;
            }
        return b + qCompress(planes).mid(4); // qCompress prefixes the length
    }
    Be16(b, s.packBits ? 1 : 0);
    QByteArray table, data;
    for (const auto& ch : s.channels)
        for (const QByteArray& row : ch) {
            const QByteArray enc = s.packBits ? PackRow(row) : row;
            Be16(table, unsigned(enc.size()));
            data += enc;
        }
    return b + (s.packBits ? table : QByteArray()) + data;
}

class PsdFiles : public ::testing::Test
{
protected:
    QString Path(const QString& name) const { return FDir.filePath(name); }
    bool Load(const QByteArray& data, TBitmap& bmp)
    {
        WriteAll(Path(QStringLiteral("t.psd")), data);
        return PSDLoadFromFile(Path(QStringLiteral("t.psd")), bmp);
    }
    QTemporaryDir FDir;
};

} // namespace

TEST_F(PsdFiles, WrittenFileReadsBackOpaqueWithTheSameColours)
{
    TImageFile src;
    FillPattern(src, 300, 7); // rows longer than one PackBits packet
    for (int x = 50; x < 250; ++x)
        std::memcpy(src.ScanLine(3) + x * 4, src.ScanLine(3) + 50 * 4, 4); // a long run
    src.SaveToFile(Path(QStringLiteral("a.psd")));
    const QByteArray f = ReadAll(Path(QStringLiteral("a.psd")));
    EXPECT_EQ(f.mid(26 + 4, 4), QByteArray("\0\0\0\x1c", 4)); // resources: one 28-byte block
    EXPECT_EQ(f.mid(34, 6), QByteArray("8BIM\x03\xed", 6));
    TImageFile back;
    back.LoadFromFile(Path(QStringLiteral("a.psd")));
    ASSERT_EQ(back.Width(), 300);
    ASSERT_EQ(back.Height(), 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 300; ++x)
            ASSERT_EQ(Pixel(back, x, y), Pixel(src, x, y) | 0xFF000000u) << x << "," << y;
}

TEST_F(PsdFiles, ChannelLayoutsRawAndPackBits)
{
    const QByteArray r0("\x10\x11", 2), r1("\x12\x13", 2);
    const QByteArray g0("\x20\x21", 2), g1("\x22\x23", 2);
    const QByteArray b0("\x30\x31", 2), b1("\x32\x33", 2);
    const QByteArray a0("\x40\x41", 2), a1("\x42\x43", 2);
    const QByteArray x0("\x99\x99", 2);
    struct Case
    {
        const char* name;
        int mode;
        std::vector<std::vector<QByteArray>> channels;
        std::uint32_t p00, p11;
    };
    const Case cases[] = {
        {"rgb", 3, {{r0, r1}, {g0, g1}, {b0, b1}}, 0xFF102030u, 0xFF132333u},
        {"rgba", 3, {{r0, r1}, {g0, g1}, {b0, b1}, {a0, a1}}, 0x40102030u, 0x43132333u},
        {"five channels",
         3,
         {{r0, r1}, {g0, g1}, {b0, b1}, {a0, a1}, {x0, x0}},
         0x40102030u,
         0x43132333u},
        {"grey", 1, {{r0, r1}}, 0xFF101010u, 0xFF131313u},
        {"grey + alpha", 1, {{r0, r1}, {a0, a1}}, 0x40101010u, 0x43131313u},
    };
    for (bool packBits : {false, true})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (packBits ? " packbits" : " raw"));
            PsdDoc s;
            s.mode = c.mode;
            s.packBits = packBits;
            s.channels = c.channels;
            TBitmap bmp;
            ASSERT_TRUE(Load(MakePsd(s), bmp));
            EXPECT_EQ(bmp.AlphaFormat(), afDefined);
            EXPECT_EQ(Pixel(bmp, 0, 0), c.p00);
            EXPECT_EQ(Pixel(bmp, 1, 1), c.p11);
        }
}

TEST_F(PsdFiles, BitmapModeSetBitsAreBlack)
{
    PsdDoc s;
    s.mode = 0;
    s.depth = 1;
    s.w = 10;
    s.h = 1;
    s.channels = {{QByteArray("\xA0\x40", 2)}}; // 1010 0000 01..
    TBitmap bmp;
    ASSERT_TRUE(Load(MakePsd(s), bmp));
    const int black[] = {0, 2, 9};
    for (int x = 0; x < 10; ++x) {
        const bool isBlack = std::find(std::begin(black), std::end(black), x) != std::end(black);
        EXPECT_EQ(Pixel(bmp, x, 0), isBlack ? 0xFF000000u : 0xFFFFFFFFu) << x;
    }
}

TEST_F(PsdFiles, UnsupportedDocumentsAreRefusedAndLeaveTheBitmap)
{
    const std::vector<std::vector<QByteArray>> rgb{{QByteArray(2, 1), QByteArray(2, 1)},
                                                   {QByteArray(2, 2), QByteArray(2, 2)},
                                                   {QByteArray(2, 3), QByteArray(2, 3)}};
    struct Case
    {
        const char* name;
        int mode, depth, version;
        QByteArray colorModeData;
    };
    const Case cases[] = {
        {"16-bit", 3, 16, 1, {}},       {"CMYK", 4, 8, 1, {}},
        {"indexed", 2, 8, 1, {}},       {"RGB at 1 bit", 3, 1, 1, {}},
        {"grey at 1 bit", 1, 1, 1, {}}, {"bitmap at 8 bits", 0, 8, 1, {}},
        {"PSB", 3, 8, 2, {}},           {"colour mode data", 3, 8, 1, QByteArray(768, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PsdDoc s;
        s.mode = c.mode;
        s.depth = c.depth;
        s.version = c.version;
        s.colorModeData = c.colorModeData;
        s.channels = rgb;
        TImageFile bmp;
        FillPattern(bmp, 3, 3);
        TBitmap before;
        before.Assign(bmp);
        WriteAll(Path(QStringLiteral("u.psd")), MakePsd(s));
        EXPECT_FALSE(PSDLoadFromFile(Path(QStringLiteral("u.psd")), bmp));
        bmp.LoadFromFile(Path(QStringLiteral("u.psd"))); // no error through TImageFile either
        EXPECT_TRUE(SamePixels(bmp, before));
    }
}

TEST_F(PsdFiles, HugeOrTruncatedDocumentsDoNotOverrun)
{
    PsdDoc s;
    s.w = 30000;
    s.h = 30000;
    s.packBits = true;
    s.channels = {{QByteArray("\x81\x00", 2)}, {}, {}}; // table far larger than the file
    TBitmap bmp;
    EXPECT_FALSE(Load(MakePsd(s), bmp));

    // PackBits rows whose runs overrun the row: output is cut at the row end.
    PsdDoc o;
    o.w = 3;
    o.h = 1;
    o.channels = {{QByteArray(3, 5)}, {QByteArray(3, 6)}, {QByteArray(3, 7)}};
    QByteArray data = MakePsd(o);
    data[data.size() - 9 - 1] = 1; // compression code (low byte): PackBits ...
    QByteArray packed = data.left(data.size() - 9);
    for (int c = 0; c < 3; ++c)
        Be16(packed, 2);
    for (int c = 0; c < 3; ++c)
        packed += QByteArray("\x81", 1) + char(0x40 + c); // a run of 128 into a 3-byte row
    ASSERT_TRUE(Load(packed, bmp));
    EXPECT_EQ(Pixel(bmp, 2, 0), 0xFF404142u);
}

TEST(PackBitsTest, EncoderExamples)
{
    struct Case
    {
        QByteArray in, out;
    };
    const Case cases[] = {
        {QByteArray(200, '\x07'), QByteArray("\x81\x07\xb9\x07", 4)},
        {QByteArray("\x01\x01\x01\x02", 4), QByteArray("\x03\x01\x01\x01\x02", 5)},
        {QByteArray("\x05\x05\x05\x05\x09", 5), QByteArray("\xfd\x05\x00\x09", 4)},
        {QByteArray("\x01", 1), QByteArray("\x00\x01", 2)},
    };
    for (const Case& c : cases) {
        const QByteArray enc = PackRow(c.in);
        EXPECT_EQ(enc.toHex(), c.out.toHex());
    }
    // Long literals are split every 128 bytes.
    QByteArray lit;
    for (int i = 0; i < 300; ++i)
        lit.append(char(i % 2 ? i : 255 - i));
    const QByteArray enc = PackRow(lit);
    EXPECT_EQ(uchar(enc[0]), 127);
    EXPECT_EQ(uchar(enc[129]), 127);
    EXPECT_EQ(uchar(enc[258]), 300 - 257);
    EXPECT_EQ(enc.size(), 303);
}

TEST_F(PsdFiles, ZipCompositesDecodeWithAndWithoutPrediction)
{
    // 5 x 2 RGBA rows with steps and wrap-around differences for the predictor.
    const std::vector<std::vector<QByteArray>> planes{
        {QByteArray("\x10\x20\xff\x00\x05", 5), QByteArray("\x01\x02\x03\x04\x05", 5)},
        {QByteArray("\x80\x80\x81\x7f\x00", 5), QByteArray("\xff\xfe\xfd\xfc\xfb", 5)},
        {QByteArray("\x00\x00\x00\x00\x00", 5), QByteArray("\x09\x08\x07\x06\x05", 5)},
        {QByteArray("\xff\x80\x00\x40\xff", 5), QByteArray("\x11\x22\x33\x44\x55", 5)}};
    for (int zip : {2, 3}) {
        SCOPED_TRACE(zip);
        PsdDoc s;
        s.w = 5;
        s.h = 2;
        s.zip = zip;
        s.channels = planes;
        TBitmap bmp;
        ASSERT_TRUE(Load(MakePsd(s), bmp));
        EXPECT_EQ(bmp.AlphaFormat(), afDefined);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 5; ++x) {
                auto v = [&](int c) { return std::uint32_t(std::uint8_t(planes[c][y][x])); };
                EXPECT_EQ(Pixel(bmp, x, y), v(2) | (v(1) << 8) | (v(0) << 16) | (v(3) << 24))
                    << x << "," << y;
            }
    }
}

TEST_F(PsdFiles, RefusalsSayWhyAndReachTheBitmapClass)
{
    const std::vector<std::vector<QByteArray>> rgb{{QByteArray(2, 1), QByteArray(2, 1)},
                                                   {QByteArray(2, 2), QByteArray(2, 2)},
                                                   {QByteArray(2, 3), QByteArray(2, 3)}};
    struct Case
    {
        int mode, depth, version, compression;
        const char* reason;
    };
    const Case cases[] = {
        {3, 16, 1, 0, "Unsupported PSD depth: 16 bits per channel"},
        {4, 8, 1, 0, "Unsupported PSD colour mode: CMYK"},
        {2, 8, 1, 0, "Unsupported PSD colour mode: indexed"},
        {3, 1, 1, 0, "Unsupported PSD: RGB colour mode at 1 bit"},
        {3, 8, 2, 0, "Unsupported PSD: large document format (PSB)"},
        {3, 8, 1, 4, "Unsupported PSD compression 4"},
        {3, 8, 1, 0x100, "Unsupported PSD compression 256"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        PsdDoc s;
        s.mode = c.mode;
        s.depth = c.depth;
        s.version = c.version;
        s.channels = rgb;
        QByteArray file = MakePsd(s);
        const qsizetype codeAt = file.size() - 2 * 2 * 3 - 2; // raw data follows the code
        file[codeAt] = char(c.compression >> 8);
        file[codeAt + 1] = char(c.compression);
        TBitmap bmp;
        QString reason;
        WriteAll(Path(QStringLiteral("r.psd")), file);
        EXPECT_FALSE(PSDLoadFromFile(Path(QStringLiteral("r.psd")), bmp, &reason));
        EXPECT_EQ(reason, QString::fromLatin1(c.reason));
        EXPECT_TRUE(bmp.Empty());
        TImageFile hv;
        hv.LoadFromFile(Path(QStringLiteral("r.psd")));
        EXPECT_TRUE(hv.Empty());
        EXPECT_EQ(hv.LoadRefusal(), QString::fromLatin1(c.reason));
    }
    // A document that loads leaves no refusal behind.
    TImageFile hv;
    PsdDoc ok;
    ok.channels = rgb;
    WriteAll(Path(QStringLiteral("ok.psd")), MakePsd(ok));
    hv.LoadFromFile(Path(QStringLiteral("ok.psd")));
    EXPECT_EQ(hv.Width(), 2);
    EXPECT_TRUE(hv.LoadRefusal().isEmpty());
}

// Headers announcing far more pixels than the data can hold are refused at once,
// counted in the format's own units: a bitmap-mode byte holds 8 pixels, a
// PackBits pair at most 128 bytes, deflate about 1032 bytes per byte.
TEST_F(PsdFiles, OversizedHeadersFailFastWithoutAllocating)
{
    struct Case
    {
        const char* name;
        int mode, depth, w, h;
        bool packBits;
        int zip;
        QByteArray body;
    };
    const int side = 16384; // a 1 GiB picture if it were allocated
    const Case cases[] = {
        {"bitmap mode, raw zeros", 0, 1, side, side, false, 0, QByteArray(64 * 1024, '\0')},
        {"RGB, raw", 3, 8, side, side, false, 0, QByteArray(256 * 1024, '\0')},
        {"bitmap mode, zip of zeros", 0, 1, side, side, false, 2,
         qCompress(QByteArray(1 << 20, '\0')).mid(4)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PsdDoc s;
        s.mode = c.mode;
        s.depth = c.depth;
        s.w = c.w;
        s.h = c.h;
        QByteArray file = MakePsd(s); // no channels: the header and sections only
        file[12] = 0;
        file[13] = char(c.mode == 0 ? 1 : 3);
        file.chop(2);
        Be16(file, unsigned(c.zip));
        file += c.body;
        TBitmap bmp;
        QString reason;
        WriteAll(Path(QStringLiteral("h.psd")), file);
        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(PSDLoadFromFile(Path(QStringLiteral("h.psd")), bmp, &reason));
        EXPECT_LT(timer.elapsed(), 1000);
        EXPECT_TRUE(reason.startsWith(QStringLiteral("PSD picture size does not match the file")))
            << reason.toStdString();
    }
}
