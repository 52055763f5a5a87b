// Hostile files: headers that announce far more than the data holds, chunks that
// announce gigabytes, and streams built to make the decoder loop. Each must be
// refused quickly with a clear error instead of allocating or decoding.

#include "TestImaging.h"

#include <imaging/uImageFile.h>

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace testimg;

namespace {

// Loads Data under Name and returns the error text; fails the test when the file
// loads or takes longer than a second.
QString RefusalOf(const QTemporaryDir& dir, const QString& name, const QByteArray& data)
{
    const QString path = dir.filePath(name);
    WriteAll(path, data);
    TImageFile bmp;
    QElapsedTimer timer;
    timer.start();
    QString text;
    try {
        bmp.LoadFromFile(path);
        ADD_FAILURE() << name.toStdString() << " loaded as " << bmp.Width() << "x" << bmp.Height();
    } catch (const EFileError& e) {
        text = e.Reason();
    }
    EXPECT_LT(timer.elapsed(), 1000) << name.toStdString();
    return text;
}

// A small valid baseline JPEG written by the library.
QByteArray SmallJpeg(const QTemporaryDir& dir)
{
    TImageFile pic;
    FillPattern(pic, 16, 16, 3);
    const QString path = dir.filePath(QStringLiteral("small.jpg"));
    pic.SaveToFile(path);
    return ReadAll(path);
}

// Offset of the first segment with the given marker (its 0xFF byte).
qsizetype FindSegment(const QByteArray& jpeg, std::uint8_t marker)
{
    qsizetype i = 2;
    while (i + 4 <= jpeg.size()) {
        if (std::uint8_t(jpeg[i + 1]) == marker)
            return i;
        i += 2 + ((std::uint8_t(jpeg[i + 2]) << 8) | std::uint8_t(jpeg[i + 3]));
    }
    return -1;
}

void SetJpegSize(QByteArray& jpeg, int w, int h)
{
    const qsizetype sof = FindSegment(jpeg, 0xC0);
    ASSERT_GT(sof, 0);
    jpeg[sof + 5] = char(h >> 8);
    jpeg[sof + 6] = char(h);
    jpeg[sof + 7] = char(w >> 8);
    jpeg[sof + 8] = char(w);
}

} // namespace

TEST(HostileFiles, PngChunkAnnouncingGigabytesIsRefused)
{
    QTemporaryDir dir;
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr;
    Be32(ihdr, 1);
    Be32(ihdr, 1);
    ihdr += QByteArray("\x08\x02\x00\x00\x00", 5);
    png += PngChunk("IHDR", ihdr);
    Be32(png, 0x7FFFFFF0u); // a 2 GiB text chunk in a 54-byte file
    png += QByteArray("tEXtAuthor");
    png.append(54 - png.size(), '\0');
    ASSERT_EQ(png.size(), 54);
    const QString text = RefusalOf(dir, QStringLiteral("chunk.png"), png);
    EXPECT_TRUE(text.contains(QStringLiteral("too large"))) << text.toStdString();
}

TEST(HostileFiles, PngWithAnInvalidAncillaryChunkIsAnError)
{
    QTemporaryDir dir;
    // A transparency chunk of the wrong length for an RGB picture (6 bytes).
    const QByteArray png =
        MakePng(1, 1, 2, 8, {QByteArray(3, '\x7f')}, PngChunk("tRNS", QByteArray(4, '\0')));
    EXPECT_EQ(RefusalOf(dir, QStringLiteral("trns.png"), png), QStringLiteral("tRNS: invalid"));
}

TEST(HostileFiles, JpegWithThousandsOfScansIsRefusedBeforeDecoding)
{
    QTemporaryDir dir;
    QByteArray jpeg = SmallJpeg(dir);
    SetJpegSize(jpeg, 8192, 8192);
    const qsizetype sos = FindSegment(jpeg, 0xDA);
    ASSERT_GT(sos, 0);
    const int sosLen = (std::uint8_t(jpeg[sos + 2]) << 8) | std::uint8_t(jpeg[sos + 3]);
    const QByteArray scanHeader = jpeg.mid(sos, 2 + sosLen);
    QByteArray extra;
    for (int i = 0; i < 1000; ++i)
        extra += scanHeader + QByteArray("\x00", 1);
    jpeg.insert(jpeg.size() - 2, extra); // before EOI
    const QString text = RefusalOf(dir, QStringLiteral("scans.jpg"), jpeg);
    EXPECT_TRUE(text.contains(QStringLiteral("Too many JPEG scans"))) << text.toStdString();
}

TEST(HostileFiles, JpegPaddedByCommentsDoesNotPassTheSizeCheck)
{
    QTemporaryDir dir;
    QByteArray jpeg = SmallJpeg(dir);
    SetJpegSize(jpeg, 16384, 16384);
    QByteArray comments;
    for (int i = 0; i < 2; ++i) {
        comments += QByteArray("\xFF\xFE\xFF\xFF", 4);
        comments += QByteArray(0xFFFF - 2, 'c');
    }
    jpeg.insert(2, comments); // after SOI: 128 KB of comment, a few bytes of pixels
    const QString text = RefusalOf(dir, QStringLiteral("padded.jpg"), jpeg);
    EXPECT_EQ(text, QStringLiteral("Picture size does not match the file"));

    // The same comments in front of the real 16 x 16 picture are harmless.
    QByteArray fine = SmallJpeg(dir);
    fine.insert(2, comments);
    WriteAll(dir.filePath(QStringLiteral("fine.jpg")), fine);
    TImageFile bmp;
    ASSERT_NO_THROW(bmp.LoadFromFile(dir.filePath(QStringLiteral("fine.jpg"))));
    EXPECT_EQ(bmp.Width(), 16);
}
