#include <model/uSiteText.h>
#include <model/uTextBytes.h>

#include <QByteArray>
#include <QHash>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
// The room of a chunk not given to a live text is poisoned, so that the address
// sanitizer sees a freed chunk text used as it sees any freed block used.
#define ZORVEL_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define ZORVEL_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define ZORVEL_POISON(p, n) ((void)(p), (void)(n))
#define ZORVEL_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

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

// ---- Chunks ----------------------------------------------------------------------------

namespace {

constexpr size_t ChunkBytes = size_t(TSiteTextChunks::ChunkBytes);
// Texts above this are allocated alone: the end of a chunk wastes less than it.
constexpr size_t MaxChunkedText = 4096;
constexpr qsizetype WarmUpBytes = TSiteTextChunks::WarmUpBytes;

struct TChunkHead
{
    // Texts alive plus Unretired while the chunk is still being filled: the
    // filler does not count each text it cuts (other threads may be freeing
    // texts of the same chunk meanwhile), it takes off what it did not give
    // when it moves on, so the count reaches zero with the last text.
    std::atomic<std::uint32_t> Live;
};
constexpr std::uint32_t Unretired = std::uint32_t(1) << 31;
// The first text starts here; texts are four-byte aligned (their count is).
constexpr size_t FirstText = 8;
static_assert(sizeof(TChunkHead) <= FirstText && alignof(TChunkHead) <= 4);

std::atomic<qsizetype> ChunksAlive{0};

void FreeChunk(TChunkHead* head) noexcept
{
    head->~TChunkHead();
    ZORVEL_UNPOISON(head, ChunkBytes);
    std::free(head);
    ChunksAlive.fetch_sub(1, std::memory_order_relaxed);
}

size_t RoundToChunkUnit(size_t bytes) noexcept
{
    return (bytes + 3) & ~size_t(3);
}

// One thread's scopes and the chunk they fill. Constant-initialised and
// trivially destructible, so a thread that never reads a file pays nothing.
struct TChunkFiller
{
    int Depth = 0;
    qsizetype WarmUp = 0; // bytes allocated alone in the current scope
    char* Chunk = nullptr;
    char* Next = nullptr;
    char* End = nullptr;
    std::uint32_t Given = 0; // texts cut from Chunk

    void* Cut(size_t bytes)
    {
        const size_t room = RoundToChunkUnit(bytes);
        if (size_t(End - Next) < room)
            NewChunk();
        void* text = Next;
        ZORVEL_UNPOISON(text, room);
        Next += room;
        ++Given;
        return text;
    }

    void NewChunk()
    {
        void* memory = std::malloc(ChunkBytes);
        if (!memory)
            throw std::bad_alloc();
        ChunksAlive.fetch_add(1, std::memory_order_relaxed);
        Retire();
        new (memory) TChunkHead{Unretired};
        Chunk = static_cast<char*>(memory);
        Next = Chunk + FirstText;
        End = Chunk + ChunkBytes;
        ZORVEL_POISON(Next, size_t(End - Next));
    }

    void Retire() noexcept
    {
        if (!Chunk)
            return;
        auto* head = reinterpret_cast<TChunkHead*>(Chunk);
        const std::uint32_t unused = Unretired - Given;
        if (head->Live.fetch_sub(unused, std::memory_order_acq_rel) == unused)
            FreeChunk(head);
        Chunk = Next = End = nullptr;
        Given = 0;
    }
};

thread_local TChunkFiller Filler;

} // namespace

TSiteTextChunks::TSiteTextChunks() noexcept
{
    ++Filler.Depth;
}

TSiteTextChunks::~TSiteTextChunks()
{
    TChunkFiller& filler = Filler;
    if (--filler.Depth == 0) {
        filler.Retire();
        filler.WarmUp = 0;
    }
}

qsizetype TSiteTextChunks::Count() noexcept
{
    return ChunksAlive.load(std::memory_order_relaxed);
}

// ---- TSiteText -------------------------------------------------------------------------

// What a chunk's text of this Info takes in its chunk.
size_t TSiteText::Room(std::uint32_t info) noexcept
{
    const size_t units = info & TBlock::ChunkedSizeMask;
    return RoundToChunkUnit(sizeof(TBlock) + units * ((info & TBlock::Latin1Bit) ? 1 : 2));
}

TSiteText::TBlock* TSiteText::Allocate(qsizetype size, bool latin1)
{
    // A chunk's text fits the size and distance Info keeps for it.
    static_assert(MaxChunkedText <= TBlock::ChunkedSizeMask);
    static_assert(ChunkBytes / 4 <= (TBlock::SizeMask >> TBlock::ChunkedSizeBits) + 1);
    if (size > qsizetype(TBlock::SizeMask))
        throw std::bad_alloc();
    const size_t bytes = sizeof(TBlock) + size_t(size) * (latin1 ? 1 : 2);
    std::uint32_t info = std::uint32_t(size) | (latin1 ? TBlock::Latin1Bit : 0);
    void* memory = nullptr;
    TChunkFiller& filler = Filler;
    if (filler.Depth > 0 && bytes <= MaxChunkedText) {
        if (filler.WarmUp < WarmUpBytes) {
            filler.WarmUp += qsizetype(bytes);
        } else {
            memory = filler.Cut(bytes);
            const auto offset = std::uint32_t((static_cast<char*>(memory) - filler.Chunk) / 4);
            info |= TBlock::ChunkedBit | (offset << TBlock::ChunkedSizeBits);
        }
    }
    if (!memory) {
        memory = std::malloc(bytes);
        if (!memory)
            throw std::bad_alloc();
    }
    auto* block = new (memory) TBlock;
    block->Refs.store(1, std::memory_order_relaxed);
    block->Info = info;
    return block;
}

void TSiteText::Release() noexcept
{
    if (FData && FData->Refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        const std::uint32_t info = FData->Info;
        char* const at = reinterpret_cast<char*>(FData);
        FData->~TBlock();
        if (info & TBlock::ChunkedBit) {
            const size_t offset = size_t((info & TBlock::SizeMask) >> TBlock::ChunkedSizeBits) * 4;
            char* const chunk = at - offset;
            // The last text cut, freed on the filling thread (a bookmark that
            // merged into an entry): its room is cut again.
            TChunkFiller& filler = Filler;
            const size_t room = Room(info);
            ZORVEL_POISON(at, room);
            if (chunk == filler.Chunk && filler.Next == at + room) {
                filler.Next = at;
                --filler.Given;
            } else if (auto* head = reinterpret_cast<TChunkHead*>(chunk);
                       head->Live.fetch_sub(1, std::memory_order_acq_rel) == 1) {
                FreeChunk(head);
            }
        } else {
            std::free(at);
        }
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
    if (FData->Latin1())
        return QString(Latin1());
    return Utf16().toString();
}

void TSiteText::CopyUtf16(char16_t* out) const noexcept
{
    if (!FData)
        return;
    const char* p = Payload(FData);
    if (FData->Latin1()) {
        for (qsizetype i = 0; i < qsizetype(FData->Size()); ++i)
            out[i] = static_cast<unsigned char>(p[i]);
    } else {
        std::memcpy(out, p, size_t(FData->Size()) * 2);
    }
}

bool TSiteText::IsAscii() const noexcept
{
    if (!FData)
        return true;
    if (FData->Latin1())
        return BytesAreAscii(Payload(FData), FData->Size());
    return false; // UTF-16 storage holds a character above 0xFF
}

void TSiteText::AppendUtf8(QByteArray& out) const
{
    if (!FData)
        return;
    const char* p = Payload(FData);
    const qsizetype n = FData->Size();
    if (!FData->Latin1()) {
        const QStringView text = Utf16();
        const qsizetype at = out.size();
        out.resize(at + 3 * text.size()); // three bytes per unit at most
        char* w = out.data() + at;
        const char16_t* p16 = text.utf16();
        const char16_t* const e16 = p16 + text.size();
        while (p16 != e16) {
            if (*p16 < 0x80)
                *w++ = char(*p16++);
            else
                p16 = Utf8PutUtf16(w, p16, e16);
        }
        out.resize(w - out.data());
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
    const size_t bytes = size_t(FData->Size()) * (FData->Latin1() ? 1 : 2);
    // The form is canonical, so the stored bytes identify the text; the form
    // is mixed in so that a Latin-1 text and a UTF-16 one never share bytes by chance.
    return qHash(QByteArrayView(Payload(FData), qsizetype(bytes)), seed ^ size_t(FData->Latin1()));
}

bool TSiteText::Equal(const TSiteText& a, const TSiteText& b) noexcept
{
    if (!a.FData || !b.FData)
        return false; // not both null: the pointers differ
    if (a.FData->Size() != b.FData->Size() || a.FData->Latin1() != b.FData->Latin1())
        return false;
    const size_t bytes = size_t(a.FData->Size()) * (a.FData->Latin1() ? 1 : 2);
    return std::memcmp(a.FData + 1, b.FData + 1, bytes) == 0;
}
