// The PSD reader and writer.

#include "TestImaging.h"

#include <imaging/uHVBitmap.h>
#include <imaging/uVCLPSD.h>

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
    std::vector<std::vector<QByteArray>> channels; // [channel][row], raw row bytes
    QByteArray colorModeData;
    QByteArray layerSection = QByteArray(8, 'L'); // stepped over whole
    int version = 1;
};

QByteArray PackRow(const QByteArray& row)
{
    std::vector<std::uint8_t> out(std::size_t(row.size()) * 2 + 2);
    int n = 0;
    PackBitsEncode(reinterpret_cast<const std::uint8_t*>(row.constData()), int(row.size()), out.data(), n);
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
    THVBitmap src;
    FillPattern(src, 300, 7); // rows longer than one PackBits packet
    for (int x = 50; x < 250; ++x)
        std::memcpy(src.ScanLine(3) + x * 4, src.ScanLine(3) + 50 * 4, 4); // a long run
    src.SaveToFile(Path(QStringLiteral("a.psd")));
    const QByteArray f = ReadAll(Path(QStringLiteral("a.psd")));
    EXPECT_EQ(f.mid(26 + 4, 4), QByteArray("\0\0\0\x1c", 4)); // resources: one 28-byte block
    EXPECT_EQ(f.mid(34, 6), QByteArray("8BIM\x03\xed", 6));
    THVBitmap back;
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
        {"five channels", 3, {{r0, r1}, {g0, g1}, {b0, b1}, {a0, a1}, {x0, x0}}, 0x40102030u, 0x43132333u},
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
        {"16-bit", 3, 16, 1, {}},      {"CMYK", 4, 8, 1, {}},          {"indexed", 2, 8, 1, {}},
        {"RGB at 1 bit", 3, 1, 1, {}}, {"grey at 1 bit", 1, 1, 1, {}}, {"bitmap at 8 bits", 0, 8, 1, {}},
        {"PSB", 3, 8, 2, {}},          {"colour mode data", 3, 8, 1, QByteArray(768, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PsdDoc s;
        s.mode = c.mode;
        s.depth = c.depth;
        s.version = c.version;
        s.colorModeData = c.colorModeData;
        s.channels = rgb;
        THVBitmap bmp;
        FillPattern(bmp, 3, 3);
        TBitmap before;
        before.Assign(bmp);
        WriteAll(Path(QStringLiteral("u.psd")), MakePsd(s));
        EXPECT_FALSE(PSDLoadFromFile(Path(QStringLiteral("u.psd")), bmp));
        bmp.LoadFromFile(Path(QStringLiteral("u.psd"))); // no error through THVBitmap either
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
