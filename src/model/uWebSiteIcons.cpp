// The icon store: distinct icons by content, each kept once as base64 text.

#include <model/uTextBytes.h>
#include <model/uWebSiteIcons.h>

#include <QHash>
#include <QMutexLocker>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The image types an icon may be declared as; anything else is not kept.
constexpr const char* IconTypes[] = {
    "image/png",     "image/x-icon", "image/vnd.microsoft.icon",
    "image/ico",     "image/icon",   "image/gif",
    "image/jpeg",    "image/jpg",    "image/pjpeg",
    "image/svg+xml",
};
constexpr int IconTypeCount = int(sizeof(IconTypes) / sizeof(IconTypes[0]));

// The index of Type in IconTypes, or -1.
int IconTypeIndex(QByteArrayView Type)
{
    for (int i = 0; i < IconTypeCount; ++i)
        if (Type == QByteArrayView(IconTypes[i]))
            return i;
    return -1;
}

QByteArray LowerAscii(QByteArrayView Text)
{
    QByteArray out = Text.toByteArray();
    for (char& c : out)
        c = AsciiLower(c);
    return out;
}

// What each byte is in base64 text: a digit's value (0-63), or one of these.
enum : std::uint8_t
{
    Pad = 64,
    Blank = 65,
    NoBase64 = 66,
};

struct TBase64Table
{
    std::uint8_t Class[256];
    constexpr TBase64Table() : Class()
    {
        for (int c = 0; c < 256; ++c)
            Class[c] = NoBase64;
        for (int c = 0; c < 26; ++c) {
            Class['A' + c] = std::uint8_t(c);
            Class['a' + c] = std::uint8_t(26 + c);
        }
        for (int c = 0; c < 10; ++c)
            Class['0' + c] = std::uint8_t(52 + c);
        Class[int('+')] = 62;
        Class[int('/')] = 63;
        Class[int('=')] = Pad;
        for (const char c : {' ', '\t', '\r', '\n', '\f'})
            Class[int(c)] = Blank;
    }
};
constexpr TBase64Table Base64Table;

inline std::uint8_t Base64Class(char c)
{
    return Base64Table.Class[std::uint8_t(c)];
}

// The kinds of bytes in Text, ORed together: one branch-free pass, as an icon
// is a kilobyte or more and a browser export carries tens of thousands of them.
enum : unsigned
{
    HasPad = 1,
    HasBlank = 2,
    HasOther = 4,
};

// The table loop is kept scalar: vectorized by the compiler, its lookups became
// byte-by-byte vector inserts and spills, three times slower.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("no-tree-vectorize")))
#endif
unsigned
ByteKinds(QByteArrayView Text)
{
    static constexpr auto kinds = [] {
        std::array<std::uint8_t, 256> t{};
        for (int c = 0; c < 256; ++c) {
            const std::uint8_t k = Base64Table.Class[c];
            t[size_t(c)] = std::uint8_t(k < Pad      ? 0u
                                        : k == Pad   ? unsigned(HasPad)
                                        : k == Blank ? unsigned(HasBlank)
                                                     : unsigned(HasOther));
        }
        return t;
    }();
    const auto* p = reinterpret_cast<const std::uint8_t*>(Text.data());
    const qsizetype n = Text.size();
    unsigned found = 0;
    qsizetype i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time by ranges, which vectorize where the table does not;
    // only a block holding something else than digits goes through the table.
    const auto inRange = [](__m128i v, char low, char high) {
        return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(char(low - 1))),
                             _mm_cmplt_epi8(v, _mm_set1_epi8(char(high + 1))));
    };
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i digits =
            _mm_or_si128(_mm_or_si128(inRange(v, 'A', 'Z'), inRange(v, 'a', 'z')),
                         _mm_or_si128(inRange(v, '0', '9'),
                                      _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('+')),
                                                   _mm_cmpeq_epi8(v, _mm_set1_epi8('/')))));
        if (_mm_movemask_epi8(digits) != 0xFFFF)
            for (qsizetype k = 0; k < 16; ++k)
                found |= kinds[p[i + k]];
    }
#endif
    for (; i + 8 <= n; i += 8)
        found |= kinds[p[i]] | kinds[p[i + 1]] | kinds[p[i + 2]] | kinds[p[i + 3]] | kinds[p[i + 4]]
                 | kinds[p[i + 5]] | kinds[p[i + 6]] | kinds[p[i + 7]];
    for (; i < n; ++i)
        found |= kinds[p[i]];
    return found;
}

// Checks base64 text with blanks in it and brings it to the stored form (blanks
// dropped, padding added); false when it is not base64.
bool NormalizeBase64(QByteArrayView Text, QByteArray& Out)
{
    qsizetype digits = 0;
    qsizetype pads = 0;
    for (const char c : Text) {
        const std::uint8_t k = Base64Class(c);
        if (k == Blank)
            continue;
        if (k == Pad)
            ++pads;
        else if (pads > 0 || k == NoBase64)
            return false; // a digit after padding, or no base64 at all
        else
            ++digits;
    }
    const qsizetype rest = digits % 4;
    if (digits == 0 || rest == 1 || pads > 2 || (pads > 0 && rest + pads != 4))
        return false;
    Out.reserve(digits + 3);
    for (const char c : Text)
        if (Base64Class(c) < Pad)
            Out += c;
    while (Out.size() % 4 != 0)
        Out += '=';
    return true;
}

// Checks base64 text and points Text at its stored form (digits, padded to a
// multiple of four, no blanks): Text itself when it comes so, as nearly every
// icon does, otherwise a copy made in Out; false when it is no base64.
bool CheckBase64(QByteArrayView& Text, QByteArray& Out)
{
    qsizetype digits = Text.size();
    qsizetype pads = 0;
    while (digits > 0 && pads < 3 && Text[digits - 1] == '=') {
        --digits;
        ++pads;
    }
    const unsigned kinds = ByteKinds(Text.first(digits));
    if (kinds & HasOther)
        return false;
    if (kinds & HasBlank) {
        if (!NormalizeBase64(Text, Out))
            return false;
        Text = Out;
        return true;
    }
    if (kinds & HasPad)
        return false; // a digit after padding
    // Two pads leave two digits of the last group, one pad three: both whole bytes.
    const qsizetype rest = digits % 4;
    if (digits == 0 || rest == 1 || pads > 2 || (pads > 0 && rest + pads != 4))
        return false;
    if (pads == 0 && rest != 0) {
        Out = Text.toByteArray();
        Out.append(4 - rest, '=');
        Text = Out;
    }
    return true;
}

qsizetype DecodedSize(QByteArrayView Base64)
{
    qsizetype n = Base64.size() / 4 * 3;
    if (Base64.endsWith("=="))
        n -= 2;
    else if (Base64.endsWith('='))
        --n;
    return n;
}

// The first bytes (at most Bytes) of base64 text in the stored form.
QByteArray DecodeHead(QByteArrayView Base64, qsizetype Bytes)
{
    const qsizetype chars = std::min<qsizetype>(Base64.size(), (Bytes + 2) / 3 * 4);
    QByteArray out(chars / 4 * 3, Qt::Uninitialized);
    qsizetype n = 0;
    for (qsizetype i = 0; i + 4 <= chars; i += 4) {
        std::uint32_t v = 0;
        int got = 0;
        for (int k = 0; k < 4; ++k) {
            const std::uint8_t d = Base64Class(Base64[i + k]);
            if (d < Pad) {
                v |= std::uint32_t(d) << (18 - 6 * k);
                ++got;
            }
        }
        for (int k = 0; k + 1 < got; ++k)
            out[n++] = char(v >> (16 - 8 * k));
    }
    out.truncate(n);
    return out;
}

// The type the bytes of stored base64 text say, or empty. The binary formats
// show in their first bytes; only text that may be SVG is decoded further.
QByteArray SniffBase64(QByteArrayView Base64)
{
    QByteArray type = SniffIconType(DecodeHead(Base64, 12));
    if (type.isEmpty())
        type = SniffIconType(DecodeHead(Base64, 1024));
    return type;
}

// A hash of icon text. The store's own, as it never leaves the process: Qt's
// byte hash took a tenth of a large import. Eight bytes a step, seeded per
// process.
size_t HashIcon(int Type, QByteArrayView Base64)
{
    constexpr std::uint64_t K1 = 0x9E3779B97F4A7C15ULL;
    constexpr std::uint64_t K2 = 0xD6E8FEB86659FD93ULL;
    static const std::uint64_t seed = std::uint64_t(QHashSeed::globalSeed()) * K2;
    const char* p = Base64.data();
    qsizetype n = Base64.size();
    std::uint64_t h = seed ^ (std::uint64_t(n) * K1) ^ std::uint64_t(Type);
    const auto mix = [](std::uint64_t x) {
        x *= K1;
        return x ^ (x >> 29);
    };
    // Four independent lanes over 32 bytes a step: one lane is a chain of
    // multiplications, each waiting for the last.
    if (n >= 32) {
        std::uint64_t lane[4] = {h, h ^ K2, h + K1, h - K2};
        for (; n >= 32; n -= 32, p += 32) {
            for (int k = 0; k < 4; ++k) {
                std::uint64_t v;
                std::memcpy(&v, p + 8 * k, 8);
                lane[k] = mix(lane[k] ^ v);
            }
        }
        h = mix(mix(mix(lane[0] ^ lane[1]) ^ lane[2]) ^ lane[3]);
    }
    for (; n >= 8; n -= 8, p += 8) {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        h = mix(h ^ v);
    }
    if (n > 0) {
        std::uint64_t v = 0;
        std::memcpy(&v, p, size_t(n));
        h = mix(h ^ v ^ K2);
    }
    h ^= h >> 32;
    h *= K2;
    return size_t(h ^ (h >> 29));
}

} // namespace

QByteArray SniffIconType(QByteArrayView Bytes)
{
    if (Bytes.startsWith("\x89PNG\r\n\x1a\n"))
        return "image/png";
    if (Bytes.size() >= 6 && Bytes.startsWith(QByteArrayView("\0\0\1\0", 4)))
        return "image/x-icon";
    if (Bytes.startsWith("GIF87a") || Bytes.startsWith("GIF89a"))
        return "image/gif";
    if (Bytes.startsWith("\xFF\xD8\xFF"))
        return "image/jpeg";
    // SVG: markup from the start (after a byte-order mark and blanks) with an svg
    // element near it.
    QByteArrayView text = Bytes.first(std::min<qsizetype>(Bytes.size(), 1024));
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    qsizetype i = 0;
    while (i < text.size() && IsHtmlSpace(text[i]))
        ++i;
    if (i < text.size() && text[i] == '<' && LowerAscii(text).contains("<svg"))
        return "image/svg+xml";
    return {};
}

// ---- TWebSiteIcons -------------------------------------------------------------------

TIconId TWebSiteIcons::Find(int Type, QByteArrayView Base64, size_t Hash) const
{
    if (FSlots.empty())
        return 0;
    const size_t mask = FSlots.size() - 1;
    for (size_t i = Hash & mask;; i = (i + 1) & mask) {
        const TSlot& slot = FSlots[i];
        if (slot.Id == 0)
            return 0;
        if (slot.Hash != Hash)
            continue;
        const TStored& icon = FIcons[slot.Id - 1];
        if (icon.Type == Type && QByteArrayView(icon.Text, icon.Size) == Base64)
            return slot.Id;
    }
}

const char* TWebSiteIcons::Keep(QByteArrayView Text)
{
    // Icons are packed into large blocks: one allocation for hundreds of icons
    // instead of one (and its header) each. A large icon gets a block of its own.
    constexpr size_t BlockBytes = size_t(1) << 20;
    const size_t n = size_t(Text.size());
    char* at;
    if (n > BlockBytes / 8) {
        FBlocks.push_back(std::make_unique_for_overwrite<char[]>(n));
        FBlockBytes += qint64(n);
        at = FBlocks.back().get();
    } else {
        if (n > FFreeBytes) {
            FBlocks.push_back(std::make_unique_for_overwrite<char[]>(BlockBytes));
            FBlockBytes += qint64(BlockBytes);
            FFree = FBlocks.back().get();
            FFreeBytes = BlockBytes;
        }
        at = FFree;
        FFree += n;
        FFreeBytes -= n;
    }
    std::memcpy(at, Text.data(), n);
    return at;
}

TIconId TWebSiteIcons::Insert(int Type, QByteArrayView Base64, size_t Hash)
{
    // At most half full: grow to twice the size and place every icon again.
    if ((FIcons.size() + 1) * 2 > FSlots.size()) {
        std::vector<TSlot> slots(std::max<size_t>(64, FSlots.size() * 2));
        const size_t mask = slots.size() - 1;
        for (const TSlot& s : FSlots) {
            if (s.Id == 0)
                continue;
            size_t i = s.Hash & mask;
            while (slots[i].Id != 0)
                i = (i + 1) & mask;
            slots[i] = s;
        }
        FSlots.swap(slots);
    }
    FIcons.push_back({Keep(Base64), std::uint32_t(Base64.size()), std::uint8_t(Type)});
    const TIconId id = TIconId(FIcons.size());
    const size_t mask = FSlots.size() - 1;
    size_t i = Hash & mask;
    while (FSlots[i].Id != 0)
        i = (i + 1) & mask;
    FSlots[i] = {Hash, id};
    FTextBytes += qint64(std::strlen(IconTypes[Type])) + Base64.size();
    return id;
}

TIconId TWebSiteIcons::AddBase64(QByteArrayView Type, QByteArrayView Base64)
{
    // Far too long to be a capped icon, even with blanks in it: not looked at.
    if (Base64.size() > (MaxIconBytes + 2) / 3 * 4 * 2)
        return 0;
    QByteArray lower;
    for (const char c : Type)
        if (c >= 'A' && c <= 'Z') {
            lower = LowerAscii(Type);
            Type = lower;
            break;
        }
    const int type = IconTypeIndex(Type);
    if (type < 0)
        return 0;
    // Most icons of a file are ones met before: a hit needs no checks, as only
    // checked text is ever stored. Icons nearly always come in the stored form,
    // so the text is hashed once; a new one is checked by one pass over a table,
    // and other forms are brought to the stored one first.
    size_t hash = HashIcon(type, Base64);
    {
        QMutexLocker lock(&FLock);
        if (const TIconId id = Find(type, Base64, hash))
            return id;
    }
    QByteArray normal;
    if (!CheckBase64(Base64, normal))
        return 0;
    if (!normal.isEmpty())
        hash = HashIcon(type, Base64);
    if (DecodedSize(Base64) > MaxIconBytes)
        return 0;
    if (SniffBase64(Base64).isEmpty())
        return 0;
    QMutexLocker lock(&FLock);
    if (const TIconId id = Find(type, Base64, hash))
        return id;
    return Insert(type, Base64, hash);
}

TIconId TWebSiteIcons::AddBytes(QByteArrayView Type, QByteArrayView Bytes)
{
    if (Bytes.isEmpty() || Bytes.size() > MaxIconBytes)
        return 0;
    const QByteArray sniffed = SniffIconType(Bytes);
    if (sniffed.isEmpty())
        return 0;
    return AddBase64(Type.isEmpty() ? QByteArrayView(sniffed) : Type,
                     Bytes.toByteArray().toBase64());
}

TWebSiteIcon TWebSiteIcons::Icon(TIconId Id) const
{
    QMutexLocker lock(&FLock);
    if (Id == 0 || Id > FIcons.size())
        return {};
    // The store never lets go of an icon's text, so the copy may point into it.
    const TStored& icon = FIcons[Id - 1];
    return {
        QByteArray::fromRawData(IconTypes[icon.Type], qsizetype(std::strlen(IconTypes[icon.Type]))),
        QByteArray::fromRawData(icon.Text, qsizetype(icon.Size))};
}

QByteArray TWebSiteIcons::Bytes(TIconId Id) const
{
    return QByteArray::fromBase64(Icon(Id).Base64);
}

qsizetype TWebSiteIcons::Count() const
{
    QMutexLocker lock(&FLock);
    return qsizetype(FIcons.size());
}

qint64 TWebSiteIcons::TextBytes() const
{
    QMutexLocker lock(&FLock);
    return FTextBytes;
}

qint64 TWebSiteIcons::HeapBytes() const
{
    QMutexLocker lock(&FLock);
    return FBlockBytes + qint64(FIcons.capacity() * sizeof(TStored))
           + qint64(FBlocks.capacity() * sizeof(FBlocks[0]))
           + qint64(FSlots.capacity() * sizeof(TSlot));
}

TWebSiteIcons& WebSiteIcons()
{
    // Never destroyed: the icons handed out point into it up to the process's end.
    static TWebSiteIcons* const icons = new TWebSiteIcons;
    return *icons;
}

// ---- Data URIs -----------------------------------------------------------------------

TIconId WebSiteIconFromDataURI(QByteArrayView URI)
{
    qsizetype b = 0;
    while (b < URI.size() && IsHtmlSpace(URI[b]))
        ++b;
    URI = URI.sliced(b);
    if (URI.size() < 5 || !AsciiEqualsCaseless(URI.first(5), "data:"))
        return 0;
    const qsizetype comma = URI.indexOf(',');
    if (comma < 0)
        return 0;
    // "<type>[;param=value]...;base64": only base64 icons are kept.
    const QByteArrayView head = URI.sliced(5, comma - 5);
    const qsizetype semi = head.indexOf(';');
    if (semi < 0
        || !AsciiEqualsCaseless(head.sliced(head.lastIndexOf(';') + 1).trimmed(), "base64"))
        return 0;
    return WebSiteIcons().AddBase64(head.first(semi).trimmed(), URI.sliced(comma + 1));
}

QByteArray WebSiteIconDataURI(TIconId Id)
{
    const TWebSiteIcon icon = WebSiteIcons().Icon(Id);
    if (icon.Base64.isEmpty())
        return {};
    return "data:" + icon.Type + ";base64," + icon.Base64;
}
