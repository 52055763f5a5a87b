// JPEG coding through libjpeg(-turbo). Its fatal errors leave through error_exit
// by longjmp: the libjpeg calls run inside small functions without C++ objects,
// and the message is raised as EInvalidGraphic by the caller.

#include <imaging/uImageFile.h>

#include <QSaveFile>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

using zorvel::imaging::MaxPixels;

namespace {

struct JpegError
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void jpegOutputMessage(j_common_ptr) {}

// Real progressive files have about ten scans; every scan walks all blocks of the
// picture again, so thousands of (nearly empty) scans cost minutes.
constexpr int MaxScans = 500;

// What the file's marker structure holds: the number of scans and the bytes of
// entropy-coded data (the pixels proper, without headers, tables or comments).
struct JpegLayout
{
    std::uint64_t entropyBytes = 0;
    int scans = 0;
};

JpegLayout jpegLayout(const std::uint8_t* p, std::size_t size)
{
    JpegLayout out;
    std::size_t i = 2; // after SOI
    while (i + 1 < size) {
        if (p[i] != 0xFF) { // junk between segments: libjpeg skips it too
            ++i;
            continue;
        }
        const std::uint8_t marker = p[i + 1];
        if (marker == 0xFF) { // fill byte
            ++i;
            continue;
        }
        i += 2;
        if (marker == 0xD9) // EOI
            break;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) // no length field
            continue;
        if (i + 2 > size)
            break;
        const std::size_t len = zorvel::imaging::ReadBE16(p + i);
        i += len;
        if (marker != 0xDA)
            continue;
        ++out.scans;
        // Entropy-coded data runs to the next marker other than a restart marker;
        // 0xFF 0x00 is a stuffed data byte.
        const std::size_t begin = std::min(i, size);
        std::size_t j = begin;
        while (j + 1 < size
               && !(p[j] == 0xFF && p[j + 1] != 0x00 && !(p[j + 1] >= 0xD0 && p[j + 1] <= 0xD7)))
            ++j;
        out.entropyBytes += j - begin;
        i = j;
    }
    return out;
}

void jpegProgress(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number <= MaxScans)
        return;
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "Too many JPEG scans (more than %d)",
                  MaxScans);
    std::longjmp(err->jump, 1);
}

struct JpegDecompress
{
    jpeg_decompress_struct cinfo{};
    JpegError err{};
    jpeg_progress_mgr progress{};
    bool created = false;
    ~JpegDecompress()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

struct JpegCompress
{
    jpeg_compress_struct cinfo{};
    JpegError err{};
    bool created = false;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    ~JpegCompress()
    {
        if (created)
            jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
};

bool jpegReadHeader(JpegDecompress* d, const std::uint8_t* data, std::size_t size)
{
    if (setjmp(d->err.jump))
        return false;
    jpeg_create_decompress(&d->cinfo);
    d->created = true;
    d->progress.progress_monitor = jpegProgress;
    d->cinfo.progress = &d->progress;
    jpeg_mem_src(&d->cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&d->cinfo, TRUE);
    const std::uint64_t pixels = std::uint64_t(d->cinfo.image_width) * d->cinfo.image_height;
    if (pixels > std::uint64_t(MaxPixels)) {
        std::snprintf(d->err.message, sizeof d->err.message, "Picture too large");
        return false;
    }
    const JpegLayout layout = jpegLayout(data, size);
    if (layout.scans > MaxScans) {
        std::snprintf(d->err.message, sizeof d->err.message, "Too many JPEG scans (%d)",
                      layout.scans);
        return false;
    }
    // Huffman coding needs at least a bit or two per 8 x 8 block, so a real
    // picture has at most a few hundred pixels per byte of entropy-coded data;
    // thousands cannot be real, and such a header is refused before allocating.
    // Comments and other segments do not count: they can pad any file.
    if (pixels > layout.entropyBytes * 4096 + (1u << 20)) {
        std::snprintf(d->err.message, sizeof d->err.message,
                      "Picture size does not match the file");
        return false;
    }
    const J_COLOR_SPACE cs = d->cinfo.jpeg_color_space;
    d->cinfo.out_color_space = (cs == JCS_CMYK || cs == JCS_YCCK) ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_calc_output_dimensions(&d->cinfo);
    return true;
}

// CMYK rows go through Row (width * 4 bytes) and are turned into B, G, R here.
bool jpegReadPixels(JpegDecompress* d, std::uint8_t** rows, std::uint8_t* cmykRow)
{
    if (setjmp(d->err.jump))
        return false;
    jpeg_start_decompress(&d->cinfo);
    const bool cmyk = d->cinfo.out_color_space == JCS_CMYK;
    // Adobe writes CMYK inverted (0 = full ink).
    const bool inverted = d->cinfo.saw_Adobe_marker;
    const JDIMENSION w = d->cinfo.output_width;
    while (d->cinfo.output_scanline < d->cinfo.output_height) {
        const JDIMENSION y = d->cinfo.output_scanline;
        if (!cmyk) {
            JSAMPROW row = rows[y];
            jpeg_read_scanlines(&d->cinfo, &row, 1);
            continue;
        }
        JSAMPROW row = cmykRow;
        jpeg_read_scanlines(&d->cinfo, &row, 1);
        std::uint8_t* out = rows[y];
        for (JDIMENSION x = 0; x < w; ++x, out += 3) {
            unsigned c = cmykRow[x * 4], m = cmykRow[x * 4 + 1], ye = cmykRow[x * 4 + 2],
                     k = cmykRow[x * 4 + 3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                ye = 255 - ye;
                k = 255 - k;
            }
            out[0] = std::uint8_t((ye * k + 127) / 255);
            out[1] = std::uint8_t((m * k + 127) / 255);
            out[2] = std::uint8_t((c * k + 127) / 255);
        }
    }
    jpeg_finish_decompress(&d->cinfo);
    return true;
}

bool jpegWrite(JpegCompress* c, int width, int height, bool bgrx, int quality, std::uint8_t** rows)
{
    if (setjmp(c->err.jump))
        return false;
    jpeg_create_compress(&c->cinfo);
    c->created = true;
    jpeg_mem_dest(&c->cinfo, &c->buffer, &c->size);
    c->cinfo.image_width = JDIMENSION(width);
    c->cinfo.image_height = JDIMENSION(height);
    c->cinfo.input_components = bgrx ? 4 : 3;
    c->cinfo.in_color_space = bgrx ? JCS_EXT_BGRX : JCS_EXT_BGR;
    jpeg_set_defaults(&c->cinfo);
    jpeg_set_quality(&c->cinfo, quality, TRUE);
    jpeg_start_compress(&c->cinfo, TRUE);
    while (c->cinfo.next_scanline < c->cinfo.image_height) {
        JSAMPROW row = rows[c->cinfo.next_scanline];
        jpeg_write_scanlines(&c->cinfo, &row, 1);
    }
    jpeg_finish_compress(&c->cinfo);
    return true;
}

} // namespace

void JPGLoadFromMemory(const std::uint8_t* Data, std::size_t Size, TBitmap& Bitmap,
                       const QString& Name)
{
    if (Size < 3 || Data[0] != 0xFF || Data[1] != 0xD8)
        throw EInvalidGraphic(Name, QStringLiteral("Not a JPEG picture"));
    JpegDecompress d;
    d.cinfo.err = jpeg_std_error(&d.err.pub);
    d.err.pub.error_exit = jpegErrorExit;
    d.err.pub.output_message = jpegOutputMessage;
    if (!jpegReadHeader(&d, Data, Size))
        throw EInvalidGraphic(Name, QString::fromLocal8Bit(d.err.message));

    TBitmap tmp;
    tmp.SetPixelFormat(pf24bit);
    tmp.SetSize(int(d.cinfo.output_width), int(d.cinfo.output_height));
    std::vector<std::uint8_t*> rows(std::size_t(tmp.Height()));
    for (int y = 0; y < tmp.Height(); ++y)
        rows[std::size_t(y)] = tmp.ScanLine(y);
    std::vector<std::uint8_t> cmykRow(std::size_t(tmp.Width()) * 4);
    if (!jpegReadPixels(&d, rows.data(), cmykRow.data()))
        throw EInvalidGraphic(Name, QString::fromLocal8Bit(d.err.message));
    tmp.SetAlphaFormat(afIgnored);
    Bitmap.TakeOver(tmp);
}

void JPGLoadFromFile(const QString& FileName, TBitmap& Bitmap)
{
    const QByteArray bytes = zorvel::imaging::ReadWholeFile(FileName);
    JPGLoadFromMemory(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                      std::size_t(bytes.size()), Bitmap, FileName);
}

void JPGSaveToFile(const QString& FileName, const TBitmap& Bitmap, int Quality)
{
    std::vector<std::uint8_t*> rows(std::size_t(Bitmap.Height()));
    for (int y = 0; y < Bitmap.Height(); ++y)
        rows[std::size_t(y)] = const_cast<std::uint8_t*>(Bitmap.ScanLine(y));
    JpegCompress c;
    c.cinfo.err = jpeg_std_error(&c.err.pub);
    c.err.pub.error_exit = jpegErrorExit;
    c.err.pub.output_message = jpegOutputMessage;
    if (!jpegWrite(&c, Bitmap.Width(), Bitmap.Height(), Bitmap.PixelFormat() == pf32bit,
                   std::clamp(Quality, 1, 100), rows.data()))
        throw EInvalidGraphic(FileName, QString::fromLocal8Bit(c.err.message));

    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFileError(FileName,
                         QStringLiteral("Cannot create file (%1)").arg(file.errorString()));
    if (file.write(reinterpret_cast<const char*>(c.buffer), qint64(c.size)) != qint64(c.size)
        || !file.commit())
        throw EFileError(FileName,
                         QStringLiteral("Cannot write file (%1)").arg(file.errorString()));
}
