#include <imaging/uPsd.h>

#include <QFile>
#include <QIODevice>
#include <QSaveFile>

#include <algorithm>
#include <cstring>

#include <zlib.h>

using zorvel::imaging::MaxPixels;
using zorvel::imaging::ReadBE16;
using zorvel::imaging::ReadBE32;

namespace {

void put16(QByteArray& out, std::uint32_t v)
{
    out.append(char(v >> 8));
    out.append(char(v));
}
void put32(QByteArray& out, std::uint32_t v)
{
    put16(out, v >> 16);
    put16(out, v & 0xFFFF);
}

bool readExact(QIODevice& s, void* dst, qint64 n)
{
    return s.read(static_cast<char*>(dst), n) == n;
}

bool readBE32(QIODevice& s, std::uint32_t& v)
{
    std::uint8_t b[4];
    if (!readExact(s, b, 4))
        return false;
    v = ReadBE32(b);
    return true;
}

// Decodes PackBits from Src (SrcLen bytes) into Row (RowLength bytes); output
// beyond the row is dropped, a run or literal cut short by the data ends there.
void unpackBits(const std::uint8_t* Src, std::size_t SrcLen, std::uint8_t* Row,
                std::uint32_t RowLength)
{
    std::size_t i = 0;
    std::uint32_t o = 0;
    while (i < SrcLen && o < RowLength) {
        const int h = static_cast<std::int8_t>(Src[i++]);
        if (h >= 0) {
            std::size_t n = std::size_t(h) + 1;
            n = std::min({n, SrcLen - i, std::size_t(RowLength - o)});
            std::memcpy(Row + o, Src + i, n);
            o += std::uint32_t(n);
            i += std::size_t(h) + 1;
        } else {
            if (i >= SrcLen)
                break;
            const std::uint8_t v = Src[i++];
            const std::uint32_t n = std::min<std::uint32_t>(std::uint32_t(1 - h), RowLength - o);
            std::memset(Row + o, v, n);
            o += n;
        }
    }
}

// Where the image data section's bytes are taken from: all of it is read at once.
struct MemoryData
{
    const std::uint8_t* p;
    std::size_t size;
    std::size_t pos = 0;
};

bool readRowFromMemory(MemoryData& m, bool Compressed, std::uint32_t ByteCount, std::uint8_t* Row,
                       std::uint32_t RowLength)
{
    const std::size_t avail = std::min<std::size_t>(ByteCount, m.size - m.pos);
    if (Compressed) {
        std::memset(Row, 0, RowLength);
        unpackBits(m.p + m.pos, avail, Row, RowLength);
    } else {
        const std::size_t n = std::min<std::size_t>(avail, RowLength);
        std::memcpy(Row, m.p + m.pos, n);
        std::memset(Row + n, 0, RowLength - n);
    }
    m.pos += avail;
    return avail == ByteCount;
}

} // namespace

bool ReadPSDHeader(QIODevice& Stream, TPSDFile& PSD)
{
    std::uint8_t h[26];
    if (!readExact(Stream, h, 26) || std::memcmp(h, "8BPS", 4) != 0)
        return false;
    PSD.Channels = ReadBE16(h + 12);
    PSD.Height = int(std::min<std::uint32_t>(ReadBE32(h + 14), 0x7FFFFFFF));
    PSD.Width = int(std::min<std::uint32_t>(ReadBE32(h + 18), 0x7FFFFFFF));
    PSD.Depth = ReadBE16(h + 22);
    PSD.ColorMode = ReadBE16(h + 24);
    return ReadBE16(h + 4) == 1 && (PSD.Depth == 1 || PSD.Depth == 8)
           && (PSD.ColorMode == 0 || PSD.ColorMode == 1 || PSD.ColorMode == 3);
}

bool ReadPSDRow(QIODevice& Stream, bool Compressed, std::uint32_t ByteCount, std::uint8_t* Row,
                std::uint32_t RowLength)
{
    const QByteArray bytes = Stream.read(ByteCount);
    MemoryData m{reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                 std::size_t(bytes.size())};
    return readRowFromMemory(m, Compressed, ByteCount, Row, RowLength);
}

namespace {

// Pictures up to this many pixels load even when the file holds less data than
// they announce (a truncated file reads with its missing part black); larger
// ones must be backed by data.
constexpr std::int64_t SmallPicture = std::int64_t(1) << 20;

// Inflates the zlib stream of Src into Out (exactly Out.size() bytes wanted). A
// stream that ends early leaves the rest zero; damaged data gives false.
bool inflateAll(const std::uint8_t* Src, std::size_t SrcLen, std::vector<std::uint8_t>& Out)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return false;
    z.next_in = const_cast<Bytef*>(Src);
    std::size_t inLeft = SrcLen;
    std::size_t outPos = 0;
    int rc = Z_OK;
    // zlib counts in 32-bit units: large buffers go through in slices.
    constexpr std::size_t Slice = std::size_t(1) << 30;
    while (rc == Z_OK && outPos < Out.size()) {
        if (z.avail_in == 0 && inLeft > 0) {
            z.avail_in = uInt(std::min(inLeft, Slice));
            inLeft -= z.avail_in;
        }
        z.next_out = Out.data() + outPos;
        z.avail_out = uInt(std::min(Out.size() - outPos, Slice));
        const uInt before = z.avail_out;
        rc = inflate(&z, Z_NO_FLUSH);
        outPos += before - z.avail_out;
        if (rc == Z_BUF_ERROR && z.avail_in == 0 && inLeft == 0)
            break; // the data ends early
    }
    inflateEnd(&z);
    if (rc == Z_DATA_ERROR || rc == Z_MEM_ERROR || rc == Z_NEED_DICT || rc == Z_STREAM_ERROR)
        return false;
    std::memset(Out.data() + outPos, 0, Out.size() - outPos);
    return true;
}

// Reads the image data section into Layer.Bitmap; false with Reason when the
// data cannot be decoded (nothing of Layer is changed then).
bool readImageData(QIODevice& Stream, TPSDLayer& Layer, std::uint16_t ColorMode,
                   std::uint16_t Depth, QString& Reason)
{
    const int width = int(Layer.Width);
    const int height = int(Layer.Height);
    const std::uint32_t rowLength = std::uint32_t((std::uint64_t(width) * Depth + 7) / 8);
    const std::size_t channels = Layer.Channels;

    std::uint8_t code[2];
    if (!readExact(Stream, code, 2)) {
        Reason = QStringLiteral("Truncated PSD file: no image data");
        return false;
    }
    const unsigned compression = ReadBE16(code);
    // 0 raw, 1 PackBits, 2 zip, 3 zip with prediction. Anything else would come
    // out as noise when read as raw bytes.
    if (compression > 3) {
        Reason = QStringLiteral("Unsupported PSD compression %1").arg(compression);
        return false;
    }
    if (compression == 3 && Depth != 8) {
        Reason =
            QStringLiteral("Unsupported PSD compression: zip with prediction at %1 bit").arg(Depth);
        return false;
    }
    const bool packBits = compression == 1;
    // The rest of the file is the channel data (and, with PackBits, the row table).
    const QByteArray data = Stream.readAll();
    MemoryData m{reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size())};

    // Refuse sizes the data cannot describe, counted in bytes of the format (a
    // bitmap-mode byte holds 8 pixels): raw data needs its bytes (half of them
    // present is taken as a truncated file), PackBits gives at most 128 bytes
    // for 2, deflate about 1032 for 1.
    const std::uint64_t rowsTotal = std::uint64_t(channels) * std::uint64_t(height);
    const std::uint64_t announced = rowsTotal * rowLength;
    if (packBits && rowsTotal * 2 > m.size) {
        Reason = QStringLiteral("Truncated PSD file: row table incomplete");
        return false;
    }
    const std::uint64_t body = packBits ? m.size - rowsTotal * 2 : m.size;
    const std::uint64_t ratio = compression == 0 ? 2 : packBits ? 64 : 1032;
    if (std::int64_t(width) * height > SmallPicture && announced > body * ratio) {
        Reason = QStringLiteral("PSD picture size does not match the file (%1 x %2)")
                     .arg(width)
                     .arg(height);
        return false;
    }

    std::vector<std::uint8_t> inflated;
    if (compression >= 2) {
        inflated.resize(announced);
        if (!inflateAll(m.p, m.size, inflated)) {
            Reason = QStringLiteral("Damaged zip data in PSD file");
            return false;
        }
        if (compression == 3) // each byte was stored as the difference to its left neighbour
            for (std::uint64_t r = 0; r < rowsTotal; ++r) {
                std::uint8_t* row = inflated.data() + r * rowLength;
                for (std::uint32_t x = 1; x < rowLength; ++x)
                    row[x] = std::uint8_t(row[x] + row[x - 1]);
            }
        m = MemoryData{inflated.data(), inflated.size()};
    }

    std::vector<std::uint32_t> counts(rowsTotal, rowLength);
    if (packBits) {
        for (std::size_t i = 0; i < rowsTotal; ++i)
            counts[i] = ReadBE16(m.p + 2 * i);
        m.pos = rowsTotal * 2;
    }

    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetSize(width, height);
    bitmap->SetAlphaFormat(afDefined);
    {
        std::uint8_t* p = bitmap->Bits();
        const std::size_t pixels = std::size_t(width) * std::size_t(height);
        for (std::size_t i = 0; i < pixels; ++i, p += 4) {
            p[0] = p[1] = p[2] = 0;
            p[3] = 255;
        }
    }

    std::vector<std::uint8_t> row(rowLength + 1);
    bool dataLeft = true;
    for (std::size_t c = 0; c < channels && dataLeft; ++c) {
        const std::uint16_t id = c < Layer.Channel.size() ? Layer.Channel[c].ID : std::uint16_t(c);
        // Byte in the pixel: 2 red, 1 green, 0 blue, 3 alpha; -1 not read.
        int target = -1;
        switch (ColorMode) {
        case 0: // bitmap: one channel of bits
            target = id == 0 ? 0 : -1;
            break;
        case 1: // grayscale: the second channel, when present, is the alpha channel
            target = id == 0 ? 0 : (id == 1 || id == 3 || id == 65535) ? 3 : -1;
            break;
        default: // RGB
            target = id == 0 ? 2 : id == 1 ? 1 : id == 2 ? 0 : (id == 3 || id == 65535) ? 3 : -1;
            break;
        }
        for (int y = 0; y < height; ++y) {
            const std::uint32_t count = counts[c * std::size_t(height) + std::size_t(y)];
            if (target < 0) {
                m.pos += std::min<std::size_t>(count, m.size - m.pos);
                continue;
            }
            if (!readRowFromMemory(m, packBits, count, row.data(), rowLength))
                dataLeft = false; // the file ends early: what is missing stays as it is
            std::uint8_t* d = bitmap->ScanLine(y);
            const std::uint8_t* s = row.data();
            if (ColorMode == 0) {
                for (int x = 0; x < width; ++x, d += 4) {
                    const bool set = (s[x >> 3] >> (7 - (x & 7))) & 1;
                    d[0] = d[1] = d[2] = set ? 0 : 255;
                }
            } else if (ColorMode == 1 && target != 3) {
                for (int x = 0; x < width; ++x, d += 4)
                    d[0] = d[1] = d[2] = s[x];
            } else {
                for (int x = 0; x < width; ++x, d += 4)
                    d[target] = s[x];
            }
            if (!dataLeft)
                break;
        }
    }
    Layer.Bitmap = std::move(bitmap);
    return true;
}

QString colorModeName(unsigned Mode)
{
    switch (Mode) {
    case 0:
        return QStringLiteral("bitmap");
    case 1:
        return QStringLiteral("grayscale");
    case 2:
        return QStringLiteral("indexed");
    case 3:
        return QStringLiteral("RGB");
    case 4:
        return QStringLiteral("CMYK");
    case 7:
        return QStringLiteral("multichannel");
    case 8:
        return QStringLiteral("duotone");
    case 9:
        return QStringLiteral("Lab");
    default:
        return QString::number(Mode);
    }
}

// Why the header is refused; empty when the reader can take the document.
QString headerRefusal(QIODevice& Stream, TPSDFile& PSD)
{
    Stream.seek(0);
    std::uint8_t h[26];
    if (!readExact(Stream, h, 26) || std::memcmp(h, "8BPS", 4) != 0)
        return QStringLiteral("Not a Photoshop document");
    Stream.seek(0);
    if (ReadPSDHeader(Stream, PSD)) {
        // Pairings the channel readers cannot take: bits with grey/RGB, bytes in bitmap mode.
        if ((PSD.Depth == 1) != (PSD.ColorMode == 0))
            return QStringLiteral("Unsupported PSD: %1 colour mode at %2 bit")
                .arg(colorModeName(PSD.ColorMode))
                .arg(PSD.Depth);
        return {};
    }
    const unsigned version = ReadBE16(h + 4);
    if (version == 2)
        return QStringLiteral("Unsupported PSD: large document format (PSB)");
    if (version != 1)
        return QStringLiteral("Unsupported PSD version %1").arg(version);
    if (PSD.Depth != 1 && PSD.Depth != 8)
        return QStringLiteral("Unsupported PSD depth: %1 bits per channel").arg(PSD.Depth);
    return QStringLiteral("Unsupported PSD colour mode: %1").arg(colorModeName(PSD.ColorMode));
}

bool skipSection(QIODevice& file)
{
    std::uint32_t len = 0;
    return readBE32(file, len) && qint64(len) <= file.size() - file.pos()
           && file.seek(file.pos() + len);
}

} // namespace

bool ReadPSDImageData(QIODevice& Stream, TPSDLayer& Layer, std::uint16_t ColorMode,
                      std::uint16_t Depth)
{
    QString reason;
    return readImageData(Stream, Layer, ColorMode, Depth, reason);
}

bool PSDLoadFromFile(const QString& FileName, TBitmap& Bitmap, QString* Reason)
{
    QString reason;
    QString& why = Reason ? *Reason : reason;
    why.clear();
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(FileName, QStringLiteral("Cannot open file (%1)").arg(file.errorString()));
    TPSDFile psd;
    why = headerRefusal(file, psd);
    if (!why.isEmpty())
        return false;
    // Photoshop documents have 1 to 56 channels.
    if (psd.Channels == 0 || psd.Channels > 56) {
        why = QStringLiteral("Unsupported PSD channel count %1").arg(psd.Channels);
        return false;
    }
    if (psd.Width <= 0 || psd.Height <= 0 || std::int64_t(psd.Width) * psd.Height > MaxPixels) {
        why = QStringLiteral("Unsupported PSD size (%1 x %2)").arg(psd.Width).arg(psd.Height);
        return false;
    }
    std::uint32_t len = 0;
    if (!readBE32(file, len) || len != 0) { // colour mode data must be empty
        why = QStringLiteral("Unsupported PSD: colour mode data present");
        return false;
    }
    if (!skipSection(file) || !skipSection(file)) {
        why = QStringLiteral("Truncated PSD file");
        return false;
    }

    psd.LayerCount = 1;
    psd.Layer.resize(1);
    TPSDLayer& layer = psd.Layer[0];
    layer.Name = QByteArrayLiteral("Layer0");
    layer.Top = 0;
    layer.Left = 0;
    layer.Width = std::uint32_t(psd.Width);
    layer.Height = std::uint32_t(psd.Height);
    layer.Opacity = 255;
    layer.Channels = psd.Channels;
    layer.Channel.resize(psd.Channels);
    for (std::uint16_t i = 0; i < psd.Channels; ++i)
        layer.Channel[i].ID = i;
    if (!readImageData(file, layer, psd.ColorMode, psd.Depth, why))
        return false;
    Bitmap.TakeOver(*layer.Bitmap);
    return true; // the layer (and its bitmap) go with psd
}

void PackBitsEncode(const std::uint8_t* Input, int Count, std::uint8_t* Output, int& OutputLength)
{
    int o = 0;
    auto flush = [&](int s, int e) {
        const int n = e - s;
        if (n <= 0)
            return;
        Output[o++] = std::uint8_t(n - 1);
        std::memcpy(Output + o, Input + s, std::size_t(n));
        o += n;
    };
    int p = 0;
    int s = 0;
    while (p < Count) {
        int run = 1;
        while (p + run < Count && run < 128 && Input[p + run] == Input[p])
            ++run;
        if (run < 4) {
            if (p - s == 128) {
                flush(s, p);
                s = p;
            } else {
                ++p;
            }
        } else {
            flush(s, p);
            Output[o++] = std::uint8_t(std::int8_t(1 - run));
            Output[o++] = Input[p];
            p += run;
            s = p;
        }
    }
    flush(s, p);
    OutputLength = o;
}

bool PSDSaveToFile(const QString& FileName, const TBitmap& Bitmap)
{
    const int width = Bitmap.Width();
    const int height = Bitmap.Height();
    // Photoshop's own limit; wider rows would also overflow the 16-bit row table.
    if (width > 30000 || height > 30000)
        throw EInvalidGraphic(
            FileName, QStringLiteral("Picture too large for PSD (%1 x %2)").arg(width).arg(height));
    QByteArray out;
    out.append("8BPS", 4);
    put16(out, 1);
    out.append(6, '\0');
    put16(out, 3);
    put32(out, std::uint32_t(height));
    put32(out, std::uint32_t(width));
    put16(out, 8);
    put16(out, 3);
    put32(out, 0); // colour mode data

    // Image resources: one resolution block (300 dpi both ways).
    const qsizetype lenAt = out.size();
    put32(out, 0);
    if (out.size() % 2)
        out.append('\0');
    out.append("8BIM", 4);
    put16(out, 1005);
    put16(out, 0); // empty name, padded
    put32(out, 16);
    for (int i = 0; i < 2; ++i) {
        out.append("\x01\x2C\x00\x00", 4);
        put16(out, 1);
        put16(out, 1);
    }
    if (out.size() % 2)
        out.append('\0');
    const std::uint32_t resLen = std::uint32_t(out.size() - lenAt - 4);
    for (int i = 0; i < 4; ++i)
        out[lenAt + i] = char(resLen >> (24 - 8 * i));

    put32(out, 0); // layer and mask information
    put16(out, 1); // PackBits
    const qsizetype tableAt = out.size();
    out.append(qsizetype(height) * 3 * 2, '\0');

    const int bpp = Bitmap.BytesPerPixel();
    std::vector<std::uint8_t> plane(static_cast<std::size_t>(width));
    std::vector<std::uint8_t> packed(std::size_t(width) + std::size_t(width) / 128 + 2);
    out.reserve(out.size() + qsizetype(width) * height * 3 / 2);
    const int channelByte[3] = {2, 1, 0}; // red, green, blue
    for (int c = 0; c < 3; ++c) {
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* s = Bitmap.ScanLine(y) + channelByte[c];
            for (int x = 0; x < width; ++x, s += bpp)
                plane[std::size_t(x)] = *s;
            int n = 0;
            PackBitsEncode(plane.data(), width, packed.data(), n);
            out.append(reinterpret_cast<const char*>(packed.data()), n);
            const qsizetype at = tableAt + (qsizetype(c) * height + y) * 2;
            out[at] = char(n >> 8);
            out[at + 1] = char(n);
        }
    }

    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFileError(FileName,
                         QStringLiteral("Cannot create file (%1)").arg(file.errorString()));
    if (file.write(out) != out.size() || !file.commit())
        throw EFileError(FileName,
                         QStringLiteral("Cannot write file (%1)").arg(file.errorString()));
    return true;
}
