// Robustness: truncated and bit-flipped copies of valid files go to every reader.
// A reader may refuse them (the library's error, or False for PSD) but must never
// crash, hang or touch memory outside its buffers (run under the sanitizers).

#include "TestImaging.h"

#include <imaging/uImageFile.h>
#include <imaging/uPsd.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace testimg;

namespace {

// Run-length TGA whose packets run across line ends, with an extension area.
QByteArray MakeRleTga()
{
    QByteArray b;
    b.append(char(0));
    b.append(char(0));
    b.append(char(10));
    b.append(5, '\0');
    Le16(b, 0);
    Le16(b, 0);
    Le16(b, 13);
    Le16(b, 6);
    b.append(char(32));
    b.append(char(0x28));
    int left = 13 * 6;
    int k = 0;
    while (left > 0) {
        const int n = std::min(left, 1 + (k * 7) % 20);
        if (k % 2) {
            b.append(char(0x80 | (n - 1)));
            b += QByteArray("\x10\x20\x30\x40", 4);
        } else {
            b.append(char(n - 1));
            for (int i = 0; i < n; ++i)
                b += QByteArray(4, char(i * 9 + k));
        }
        left -= n;
        ++k;
    }
    QByteArray ext(495, '\0');
    ext[0] = char(0xEF);
    ext[1] = 1;
    ext.replace(2, 4, "fuzz");
    QByteArray footer;
    Le32(footer, std::uint32_t(b.size()));
    Le32(footer, 0);
    footer += QByteArray("TRUEVISION-XFILE.\0", 18);
    return b + ext + footer;
}

struct Sample
{
    QString name; // extension decides the reader
    QByteArray data;
};

std::vector<Sample> ValidSamples(const QTemporaryDir& dir)
{
    std::vector<Sample> out;
    TImageFile pic;
    FillPattern(pic, 13, 6, 5);
    for (int x = 2; x < 11; ++x)
        std::memcpy(pic.ScanLine(2) + x * 4, pic.ScanLine(2), 4); // a run for PackBits
    for (const char* name : {"v.bmp", "v.png", "v.jpg", "v.tga", "v.psd"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        pic.SaveToFile(path);
        out.push_back({QString::fromLatin1(name), ReadAll(path)});
    }
    pic.SetAlphaFormat(afIgnored);
    const QString rgb = dir.filePath(QStringLiteral("rgb.png"));
    pic.SaveToFile(rgb);
    out.push_back({QStringLiteral("rgb.png"), ReadAll(rgb)});
    out.push_back({QStringLiteral("rle.tga"), MakeRleTga()});
    out.push_back({QStringLiteral("pal.png"),
                   MakePng(3, 2, 3, 4, {QByteArray("\x01\x20", 2), QByteArray("\x12\x00", 2)},
                           PngChunk("PLTE", QByteArray(9, '\x44'))
                               + PngChunk("tRNS", QByteArray("\x00\x80", 2)))});
    // An 8-bit palette BMP (5 x 3, rows padded to 8 bytes).
    QByteArray bmp("BM");
    Le32(bmp, 14 + 40 + 16 + 24);
    Le32(bmp, 0);
    Le32(bmp, 14 + 40 + 16);
    for (std::uint32_t v : {40u, 5u, 3u})
        Le32(bmp, v);
    Le16(bmp, 1);
    Le16(bmp, 8);
    for (std::uint32_t v : {0u, 24u, 2835u, 2835u, 4u, 0u})
        Le32(bmp, v);
    bmp += QByteArray("\x10\x20\x30\x00\x40\x50\x60\x00\x70\x80\x90\x00\xa0\xb0\xc0\x00", 16);
    for (int y = 0; y < 3; ++y)
        bmp += QByteArray("\x00\x01\x02\x03\x01\x00\x00\x00", 8);
    out.push_back({QStringLiteral("pal.bmp"), bmp});
    // The same palette, RLE8 with runs, a literal, a delta and the end codes.
    QByteArray rle = bmp.left(14 + 40 + 16);
    rle[30] = 1; // BI_RLE8
    rle += QByteArray("\x03\x01\x00\x03\x02\x03\x01\x00\x00\x00\x00\x02\x01\x01"
                      "\x02\x02\x00\x00\x05\x03\x00\x01",
                      22);
    out.push_back({QStringLiteral("rle8.bmp"), rle});
    // A colour-mapped RLE TGA with 16-bit map entries.
    QByteArray tga("\x00\x01\x09\x00\x00\x04\x00\x10\x00\x00\x00\x00\x07\x00\x05\x00\x08\x21", 18);
    tga += QByteArray("\x1f\x80\xe0\x03\x00\x7c\xff\xff", 8);
    for (int i = 0; i < 12; ++i)
        tga += QByteArray(1, char(i % 2 ? 0x82 : 0x01)) + QByteArray(i % 2 ? 1 : 2, char(i % 4));
    out.push_back({QStringLiteral("map.tga"), tga});
    return out;
}

// Loads through TImageFile and, for PSD, the reader itself. Only the library's
// error (or a refused PSD) may come out.
void TryLoad(const QString& path)
{
    TImageFile bmp;
    try {
        bmp.LoadFromFile(path);
    } catch (const EFileError&) {
        // refused: fine
    }
    // Whatever was decoded must be a consistent 32-bit picture.
    ASSERT_EQ(bmp.PixelFormat(), pf32bit);
    if (!bmp.Empty()) {
        volatile std::uint8_t sink = 0;
        for (int y = 0; y < bmp.Height(); ++y)
            sink = std::uint8_t(sink ^ bmp.ScanLine(y)[bmp.RowBytes() - 1]);
    }
}

} // namespace

TEST(FuzzTest, TruncatedAndBitFlippedFilesAreHandled)
{
    QTemporaryDir dir;
    const std::vector<Sample> samples = ValidSamples(dir);
    std::mt19937 rng(12345);
    for (const Sample& s : samples) {
        SCOPED_TRACE(s.name.toStdString());
        ASSERT_GT(s.data.size(), 20);
        const QString path = dir.filePath(QStringLiteral("fuzz_") + s.name);
        {
            // The untouched file loads.
            WriteAll(path, s.data);
            TImageFile ok;
            ASSERT_NO_THROW(ok.LoadFromFile(path));
            EXPECT_GT(ok.Width(), 0);
        }
        for (qsizetype len = 0; len < s.data.size(); len += 1 + len / 64) {
            WriteAll(path, s.data.left(len));
            TryLoad(path);
        }
        for (int round = 0; round < 300; ++round) {
            QByteArray m = s.data;
            const int flips = 1 + int(rng() % 4);
            for (int i = 0; i < flips; ++i) {
                const std::size_t at = rng() % std::size_t(m.size());
                if (rng() % 3 == 0)
                    m[qsizetype(at)] = char(rng()); // a whole byte, e.g. a length or count
                else
                    m[qsizetype(at)] = char(m[qsizetype(at)] ^ (1 << (rng() % 8)));
            }
            WriteAll(path, m);
            TryLoad(path);
        }
    }
}
