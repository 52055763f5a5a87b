// PNG coding through libpng. libpng reports errors by longjmp: every libpng call
// runs inside small functions that hold no C++ objects with destructors, and the
// error text is carried out in a plain buffer and raised as EInvalidGraphic there.

#include <imaging/uImageFile.h>

#include <QSaveFile>

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

using zorvel::imaging::MaxPixels;

namespace {

constexpr png_alloc_size_t PngChunkMax = png_alloc_size_t(16) << 20;

struct PngContext
{
    const std::uint8_t* data = nullptr; // reading
    std::size_t size = 0;
    std::size_t pos = 0;
    std::vector<std::uint8_t>* out = nullptr; // writing
    char message[256] = {};
};

void pngError(png_structp png, png_const_charp msg)
{
    auto* ctx = static_cast<PngContext*>(png_get_error_ptr(png));
    std::snprintf(ctx->message, sizeof ctx->message, "%s", msg ? msg : "PNG error");
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

void pngReadData(png_structp png, png_bytep dest, png_size_t length)
{
    auto* ctx = static_cast<PngContext*>(png_get_io_ptr(png));
    if (length > ctx->size - ctx->pos)
        png_error(png, "Truncated PNG data");
    std::memcpy(dest, ctx->data + ctx->pos, length);
    ctx->pos += length;
}

void pngWriteData(png_structp png, png_bytep src, png_size_t length)
{
    auto* ctx = static_cast<PngContext*>(png_get_io_ptr(png));
    bool ok = true;
    try {
        ctx->out->insert(ctx->out->end(), src, src + length);
    } catch (...) {
        ok = false;
    }
    if (!ok)
        png_error(png, "Out of memory");
}

void pngFlush(png_structp) {}

// Owns the libpng structures; destroying them is valid after a longjmp.
struct PngReadHandle
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReadHandle() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct PngWriteHandle
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriteHandle() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

struct PngHeader
{
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int channels = 0;
};

// Reads the header and sets up the transforms to 8-bit B, G, R (, A).
bool pngReadHeader(png_structp png, png_infop info, PngHeader* hdr)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF); // the pixel count is checked below
    // A chunk header may announce gigabytes that libpng would allocate (and clear)
    // before finding the file far shorter; no real text, profile or metadata chunk
    // comes near this. Damaged ancillary chunks are errors too, not silently
    // skipped warnings.
    png_set_chunk_malloc_max(png, PngChunkMax);
    png_set_benign_errors(png, 0);
#if defined(PNG_SET_OPTION_SUPPORTED) && defined(PNG_SKIP_sRGB_CHECK_PROFILE)
    // The colour profile is never applied, so matching it against the known sRGB
    // profiles only serves to refuse the HP/Microsoft one older editors embedded,
    // which libpng calls "known incorrect". Browsers show those files; so do we.
    // The profile's own structure is still checked.
    png_set_option(png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
#endif
    png_read_info(png, info);
    png_uint_32 w = 0;
    png_uint_32 h = 0;
    int depth = 0;
    int colorType = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &colorType, &interlace, nullptr, nullptr);
    if (std::uint64_t(w) * h > std::uint64_t(MaxPixels))
        png_error(png, "Picture too large");
    // Deflate packs at most about 1032 bytes into one: a header announcing more
    // pixel data than that from the whole file is refused before allocating.
    {
        const int channels = png_get_channels(png, info);
        const std::uint64_t rowBytes = (std::uint64_t(w) * channels * depth + 7) / 8 + 1;
        const auto* ctx = static_cast<const PngContext*>(png_get_io_ptr(png));
        if (rowBytes * h > std::uint64_t(ctx->size) * 1100 + (1u << 20))
            png_error(png, "Picture size does not match the file");
    }
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    if (depth == 16)
        png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    hdr->width = w;
    hdr->height = h;
    hdr->channels = png_get_channels(png, info);
    return true;
}

bool pngReadPixels(png_structp png, png_infop info, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

// Author := text of the last tEXt chunk whose keyword is exactly "Author". Walks
// the chunks itself so that zTXt/iTXt are never taken and the file order holds.
QString pngAuthor(const std::uint8_t* data, std::size_t size)
{
    QString author;
    std::size_t pos = 8;
    while (pos + 12 <= size) {
        const std::uint32_t len = zorvel::imaging::ReadBE32(data + pos);
        const std::uint8_t* type = data + pos + 4;
        if (len > size - pos - 12)
            break;
        const char* body = reinterpret_cast<const char*>(data + pos + 8);
        if (std::memcmp(type, "tEXt", 4) == 0) {
            const void* nul = std::memchr(body, 0, len);
            if (nul) {
                const std::size_t keyLen = static_cast<const char*>(nul) - body;
                if (keyLen == 6 && std::memcmp(body, "Author", 6) == 0)
                    author = AnsiToString(QByteArray(body + 7, qsizetype(len - 7)));
            }
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            break;
        }
        pos += std::size_t(len) + 12;
    }
    return author;
}

struct PngWriteJob
{
    png_uint_32 width;
    png_uint_32 height;
    bool hasAlpha;
    int level;
    png_bytepp rows;
    png_text* text;
};

bool pngWrite(png_structp png, png_infop info, const PngWriteJob* job)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, job->width, job->height, 8,
                 job->hasAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, job->level);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, job->hasAlpha ? PNG_ALL_FILTERS : PNG_FILTER_SUB);
    png_set_text(png, info, job->text, 1);
    png_write_info(png, info);
    png_set_bgr(png);
    if (!job->hasAlpha)
        png_set_filler(png, 0, PNG_FILLER_AFTER); // drops the fourth byte of each pixel
    png_write_image(png, job->rows);
    png_write_end(png, info);
    return true;
}

} // namespace

void PNGLoadFromMemory(const std::uint8_t* Data, std::size_t Size, TBitmap& Bitmap, QString& Author,
                       const QString& Name)
{
    if (Size < 8 || png_sig_cmp(Data, 0, 8) != 0)
        throw EInvalidGraphic(Name, QStringLiteral("Not a PNG picture"));
    PngContext ctx;
    ctx.data = Data;
    ctx.size = Size;
    PngReadHandle h;
    h.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &ctx, pngError, pngWarning);
    if (h.png)
        h.info = png_create_info_struct(h.png);
    if (!h.png || !h.info)
        throw std::bad_alloc();
    png_set_read_fn(h.png, &ctx, pngReadData);

    PngHeader hdr;
    if (!pngReadHeader(h.png, h.info, &hdr))
        throw EInvalidGraphic(Name, QString::fromUtf8(ctx.message));
    if (hdr.channels != 3 && hdr.channels != 4)
        throw EInvalidGraphic(Name, QStringLiteral("Unsupported PNG layout"));

    TBitmap tmp;
    tmp.SetPixelFormat(hdr.channels == 4 ? pf32bit : pf24bit);
    tmp.SetSize(int(hdr.width), int(hdr.height));
    std::vector<png_bytep> rows(hdr.height);
    for (png_uint_32 y = 0; y < hdr.height; ++y)
        rows[y] = tmp.ScanLine(int(y));
    if (!pngReadPixels(h.png, h.info, rows.data()))
        throw EInvalidGraphic(Name, QString::fromUtf8(ctx.message));
    tmp.SetAlphaFormat(hdr.channels == 4 ? afDefined : afIgnored);
    Author = pngAuthor(Data, Size);
    Bitmap.TakeOver(tmp);
}

void PNGLoadFromFile(const QString& FileName, TBitmap& Bitmap, QString& Author)
{
    const QByteArray bytes = zorvel::imaging::ReadWholeFile(FileName);
    PNGLoadFromMemory(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                      std::size_t(bytes.size()), Bitmap, Author, FileName);
}

void PNGSaveToFile(const QString& FileName, const TBitmap& Bitmap, const QString& Author, int Level,
                   bool HasAlpha)
{
    // libpng takes 4-byte pixels on both paths (the filler transform drops alpha).
    TBitmap converted;
    const TBitmap* src = &Bitmap;
    if (Bitmap.PixelFormat() != pf32bit) {
        converted.Assign(Bitmap);
        converted.SetPixelFormat(pf32bit);
        src = &converted;
    }
    std::vector<png_bytep> rows(std::size_t(src->Height()));
    for (int y = 0; y < src->Height(); ++y)
        rows[std::size_t(y)] = const_cast<png_bytep>(src->ScanLine(y));

    QByteArray key("Author");
    QByteArray text = StringToAnsi(Author);
    png_text chunk{};
    chunk.compression = PNG_TEXT_COMPRESSION_NONE;
    chunk.key = key.data();
    chunk.text = text.data();
    chunk.text_length = std::size_t(text.size());

    std::vector<std::uint8_t> out;
    out.reserve(std::size_t(src->Width()) * std::size_t(src->Height()) / 2 + 1024);
    PngContext ctx;
    ctx.out = &out;
    PngWriteHandle h;
    h.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &ctx, pngError, pngWarning);
    if (h.png)
        h.info = png_create_info_struct(h.png);
    if (!h.png || !h.info)
        throw std::bad_alloc();
    png_set_write_fn(h.png, &ctx, pngWriteData, pngFlush);

    PngWriteJob job{png_uint_32(src->Width()),
                    png_uint_32(src->Height()),
                    HasAlpha,
                    HasAlpha ? std::clamp(Level, 0, 9) : 7,
                    rows.data(),
                    &chunk};
    if (!pngWrite(h.png, h.info, &job))
        throw EInvalidGraphic(FileName, QString::fromUtf8(ctx.message));

    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFileError(FileName,
                         QStringLiteral("Cannot create file (%1)").arg(file.errorString()));
    if (file.write(reinterpret_cast<const char*>(out.data()), qint64(out.size()))
            != qint64(out.size())
        || !file.commit())
        throw EFileError(FileName,
                         QStringLiteral("Cannot write file (%1)").arg(file.errorString()));
}
