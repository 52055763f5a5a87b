#include <model/uSiteText.h>

#include <QByteArray>
#include <QHash>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

bool FitsLatin1(QStringView s) noexcept
{
    for (QChar c : s)
        if (c.unicode() > 0xff)
            return false;
    return true;
}

bool BytesAreAscii(const char* p, qsizetype n) noexcept
{
    // Eight bytes at a time: the high bit of any byte marks a non-ASCII one.
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        if (w & 0x8080808080808080ULL)
            return false;
    }
    for (; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80)
            return false;
    return true;
}

} // namespace

TSiteText::TBlock* TSiteText::Allocate(qsizetype size, bool latin1)
{
    if (size >= (qsizetype(1) << 31))
        throw std::bad_alloc();
    const size_t bytes = sizeof(TBlock) + size_t(size) * (latin1 ? 1 : 2);
    void* memory = std::malloc(bytes);
    if (!memory)
        throw std::bad_alloc();
    auto* block = new (memory) TBlock;
    block->Refs.store(1, std::memory_order_relaxed);
    block->Size = std::uint32_t(size);
    block->Latin1 = latin1 ? 1 : 0;
    return block;
}

void TSiteText::Release() noexcept
{
    if (FData && FData->Refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        FData->~TBlock();
        std::free(FData);
    }
    FData = nullptr;
}

TSiteText::TSiteText(QStringView s)
{
    if (s.isEmpty())
        return;
    if (FitsLatin1(s)) {
        FData = Allocate(s.size(), true);
        char* out = Payload(FData);
        for (qsizetype i = 0; i < s.size(); ++i)
            out[i] = char(s[i].unicode());
    } else {
        FData = Allocate(s.size(), false);
        std::memcpy(Payload(FData), s.utf16(), size_t(s.size()) * 2);
    }
}

TSiteText::TSiteText(QLatin1StringView s)
{
    if (s.isEmpty())
        return;
    FData = Allocate(s.size(), true);
    std::memcpy(Payload(FData), s.data(), size_t(s.size()));
}

TSiteText TSiteText::FromUtf8(QByteArrayView utf8)
{
    if (BytesAreAscii(utf8.data(), utf8.size()))
        return TSiteText(QLatin1StringView(utf8.data(), utf8.size()));
    return TSiteText(QString::fromUtf8(utf8));
}

TSiteText& TSiteText::operator+=(QStringView s)
{
    if (!s.isEmpty())
        *this = TSiteText(toString().append(s));
    return *this;
}

QString TSiteText::toString() const
{
    if (!FData)
        return QString();
    if (FData->Latin1)
        return QString(Latin1());
    return Utf16().toString();
}

void TSiteText::CopyUtf16(char16_t* out) const noexcept
{
    if (!FData)
        return;
    const char* p = Payload(FData);
    if (FData->Latin1) {
        for (qsizetype i = 0; i < qsizetype(FData->Size); ++i)
            out[i] = static_cast<unsigned char>(p[i]);
    } else {
        std::memcpy(out, p, size_t(FData->Size) * 2);
    }
}

bool TSiteText::IsAscii() const noexcept
{
    if (!FData)
        return true;
    if (FData->Latin1)
        return BytesAreAscii(Payload(FData), FData->Size);
    return false; // UTF-16 storage holds a character above 0xFF
}

void TSiteText::AppendUtf8(QByteArray& out) const
{
    if (!FData)
        return;
    const char* p = Payload(FData);
    const qsizetype n = FData->Size;
    if (!FData->Latin1) {
        out += Utf16().toUtf8();
        return;
    }
    if (BytesAreAscii(p, n)) {
        out.append(p, n);
        return;
    }
    out.reserve(out.size() + 2 * n);
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xc0 | (c >> 6));
            out += char(0x80 | (c & 0x3f));
        }
    }
}

size_t TSiteText::Hash(size_t seed) const noexcept
{
    if (!FData)
        return qHash(QByteArrayView(), seed);
    const size_t bytes = size_t(FData->Size) * (FData->Latin1 ? 1 : 2);
    // The form is canonical, so the stored bytes identify the text; the form
    // is mixed in so that a Latin-1 text and a UTF-16 one never share bytes by chance.
    return qHash(QByteArrayView(Payload(FData), qsizetype(bytes)), seed ^ size_t(FData->Latin1));
}

bool TSiteText::Equal(const TSiteText& a, const TSiteText& b) noexcept
{
    if (!a.FData || !b.FData)
        return false; // not both null: the pointers differ
    if (a.FData->Size != b.FData->Size || a.FData->Latin1 != b.FData->Latin1)
        return false;
    const size_t bytes = size_t(a.FData->Size) * (a.FData->Latin1 ? 1 : 2);
    return std::memcmp(a.FData + 1, b.FData + 1, bytes) == 0;
}
