// Colour profiles embedded in PNG files (iCCP). The program never applies them, so
// a profile that libpng merely disapproves of must not cost the user the picture,
// while a chunk that is broken as data stays an error.

#include "TestImaging.h"

#include <imaging/uImageFile.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <string>

using namespace testimg;

namespace {

std::uint32_t Adler32(const QByteArray& data)
{
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (char ch : data) {
        a = (a + std::uint8_t(ch)) % 65521u;
        b = (b + a) % 65521u;
    }
    return (b << 16) | a;
}

// A 3144-byte display profile with the length, rendering intent (perceptual),
// blank MD5 and checksums of the HP/Microsoft sRGB profile that image editors
// embedded for years. libpng recognises that profile by exactly these four facts
// and calls it "known incorrect". The body is filler: bytes 1600..1603 and the
// last four were searched for so that Adler-32 and CRC-32 come out right.
QByteArray KnownIncorrectSrgbProfile()
{
    QByteArray p;
    Be32(p, 3144);
    Be32(p, 0);
    Be32(p, 0x02100000); // version 2.1
    p += "mntrRGB XYZ ";
    p.append(12, '\0'); // date
    p += "acsp";
    p.append(64 - p.size(), '\0');
    Be32(p, 0); // rendering intent: perceptual
    p += QByteArray("\x00\x00\xf6\xd6\x00\x01\x00\x00\x00\x00\xd3\x2d", 12); // D50
    p.append(132 - p.size(), '\0');                                          // no MD5, no tags
    p.append(1600 - p.size(), '\x13');
    p += QByteArray("\xfb\xde\x9a\x75", 4);
    p.append(3140 - p.size(), '\x14');
    p += QByteArray("\xeb\x9c\xf1\xe5", 4);
    return p;
}

QByteArray IccpChunk(const QByteArray& profile)
{
    return PngChunk("iCCP", QByteArray("sRGB IEC61966-2.1\0\0", 19) + qCompress(profile).mid(4));
}

// A 2x1 RGB picture: red, then a grey-blue, with the given chunks before IDAT.
QByteArray TwoPixelPng(const QByteArray& extraChunks, int colorType = 2)
{
    const QByteArray row =
        colorType == 2 ? QByteArray("\xff\x00\x00\x20\x40\x80", 6) : QByteArray("\x10\x90", 2);
    return MakePng(2, 1, colorType, 8, {row}, extraChunks);
}

// What libpng itself says about a file read with its default settings (benign
// errors on reading are warnings): the warnings, or the error that stopped it.
struct LibpngReport
{
    std::string warnings;
    std::string error;
};

struct LibpngSource
{
    const QByteArray* data;
    qsizetype pos;
    LibpngReport* report;
};

void ReportWarning(png_structp png, png_const_charp msg)
{
    static_cast<LibpngSource*>(png_get_error_ptr(png))->report->warnings += std::string(msg) + "\n";
}

void ReportError(png_structp png, png_const_charp msg)
{
    static_cast<LibpngSource*>(png_get_error_ptr(png))->report->error = msg;
    png_longjmp(png, 1);
}

void ReadFromArray(png_structp png, png_bytep dest, png_size_t length)
{
    auto* src = static_cast<LibpngSource*>(png_get_io_ptr(png));
    if (qsizetype(length) > src->data->size() - src->pos)
        png_error(png, "truncated");
    std::memcpy(dest, src->data->constData() + src->pos, length);
    src->pos += qsizetype(length);
}

void ReadInfo(png_structp png, png_infop info)
{
    if (setjmp(png_jmpbuf(png)) == 0)
        png_read_info(png, info);
}

LibpngReport LibpngReading(const QByteArray& data)
{
    LibpngReport report;
    LibpngSource src{&data, 0, &report};
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &src, ReportError, ReportWarning);
    png_infop info = png_create_info_struct(png);
    png_set_read_fn(png, &src, ReadFromArray);
    ReadInfo(png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    return report;
}

QString LoadError(const QTemporaryDir& dir, const QByteArray& data)
{
    const QString path = dir.filePath(QStringLiteral("picture.png"));
    WriteAll(path, data);
    TImageFile pic;
    try {
        pic.LoadFromFile(path);
    } catch (const EFileError& e) {
        return e.Reason();
    }
    return {};
}

} // namespace

TEST(PngProfiles, TheGeneratedProfileIsTheOneLibpngCallsKnownIncorrect)
{
    const QByteArray profile = KnownIncorrectSrgbProfile();
    ASSERT_EQ(profile.size(), 3144);
    EXPECT_EQ(Adler32(profile), 0xf784f3fbu);
    EXPECT_EQ(Crc32(profile), 0x182ea552u);
    const LibpngReport report = LibpngReading(TwoPixelPng(IccpChunk(profile)));
    EXPECT_EQ(report.error, "");
    EXPECT_NE(report.warnings.find("known incorrect sRGB profile"), std::string::npos)
        << report.warnings;
}

TEST(PngProfiles, KnownIncorrectSrgbProfileIsIgnoredAndThePictureLoads)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old-editor.png"));
    WriteAll(path, TwoPixelPng(IccpChunk(KnownIncorrectSrgbProfile())));
    TImageFile pic;
    ASSERT_NO_THROW(pic.LoadFromFile(path));
    ASSERT_EQ(pic.Width(), 2);
    ASSERT_EQ(pic.Height(), 1);
    EXPECT_EQ(Pixel(pic, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Pixel(pic, 1, 0), 0xFF204080u);
}

TEST(PngProfiles, BrokenProfilesAndChunksAreStillRefused)
{
    QByteArray wrongLength = KnownIncorrectSrgbProfile();
    wrongLength[2] = char(0x0d); // announces 3400 bytes, more than the chunk holds
    QByteArray abstractClass = KnownIncorrectSrgbProfile();
    abstractClass.replace(12, 4, "abst");
    QByteArray cutStream = PngChunk(
        "iCCP", QByteArray("sRGB\0\0", 6) + qCompress(KnownIncorrectSrgbProfile()).mid(4, 40));

    const struct
    {
        const char* name;
        QByteArray png;
        const char* reason;
    } cases[] = {
        {"profile length field", TwoPixelPng(IccpChunk(wrongLength)), "iCCP: "},
        {"abstract profile class", TwoPixelPng(IccpChunk(abstractClass)),
         "invalid embedded Abstract ICC profile"},
        {"colour profile on a grey picture", TwoPixelPng(IccpChunk(KnownIncorrectSrgbProfile()), 0),
         "RGB color space not permitted on grayscale PNG"},
        {"compressed profile cut short", TwoPixelPng(cutStream), "iCCP: "},
        {"transparency of the wrong length", TwoPixelPng(PngChunk("tRNS", QByteArray(4, '\0'))),
         "tRNS: invalid"},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString reason = LoadError(dir, c.png);
        EXPECT_TRUE(reason.contains(QLatin1String(c.reason)))
            << c.name << ": " << reason.toStdString();
    }
}
