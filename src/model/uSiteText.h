#pragma once
// TSiteText: a text field of the bookmark record, made to keep a million records
// small. It is one pointer (null when empty, so empty fields allocate nothing) to
// a reference-counted block holding the text as Latin-1 when every character fits
// (URLs and most titles: half the bytes of UTF-16), otherwise as UTF-16. Copies
// share the block, so the entries of one folder share one category text.
//
// It converts to QString wherever a QString is wanted; hot paths read it in place
// through Visit(), IsLatin1()/Latin1() and Utf16() instead.
//
// The texts a file read makes are cut from large chunks (TSiteTextChunks below)
// rather than allocated one by one; to everything else they are the same.

#include <QAnyStringView>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <atomic>
#include <compare>
#include <cstdint>
#include <string>
#include <utility>

class TSiteText
{
public:
    TSiteText() noexcept = default;
    // Implicit: a QString can be assigned to a field as before.
    TSiteText(const QString& s) : TSiteText(QStringView(s)) {}
    explicit TSiteText(QStringView s);
    explicit TSiteText(QLatin1StringView s);
    // Text read from a file: pure ASCII is stored as it is, without a detour
    // through UTF-16. Invalid sequences become U+FFFD as in QString::fromUtf8.
    static TSiteText FromUtf8(QByteArrayView utf8);

    TSiteText(const TSiteText& other) noexcept : FData(other.FData) { Retain(); }
    TSiteText(TSiteText&& other) noexcept : FData(std::exchange(other.FData, nullptr)) {}
    TSiteText& operator=(const TSiteText& other) noexcept
    {
        TSiteText copy(other);
        swap(copy);
        return *this;
    }
    TSiteText& operator=(TSiteText&& other) noexcept
    {
        TSiteText moved(std::move(other));
        swap(moved);
        return *this;
    }
    ~TSiteText() { Release(); }
    void swap(TSiteText& other) noexcept { std::swap(FData, other.FData); }

    bool isEmpty() const noexcept { return FData == nullptr; }
    // Length in UTF-16 code units, as QString::size().
    qsizetype size() const noexcept { return FData ? qsizetype(FData->Size()) : 0; }
    qsizetype length() const noexcept { return size(); }
    void clear() noexcept { TSiteText().swap(*this); }
    // Appends (a new block: the old one may be shared).
    TSiteText& operator+=(QStringView s);
    TSiteText& operator+=(const QString& s) { return *this += QStringView(s); }

    QString toString() const;
    std::string toStdString() const { return toString().toStdString(); }
    // QString's everyday derived texts, so that code written against QString fields reads on.
    QString trimmed() const { return toString().trimmed(); }
    QString simplified() const { return toString().simplified(); }
    QString toLower() const { return toString().toLower(); }
    QString toUpper() const { return toString().toUpper(); }
    QString left(qsizetype n) const { return toString().left(n); }
    QString mid(qsizetype position, qsizetype n = -1) const { return toString().mid(position, n); }
    operator QString() const { return toString(); }

    // The stored form. Latin1() is valid when IsLatin1(), Utf16() otherwise;
    // an empty text is Latin-1.
    bool IsLatin1() const noexcept { return !FData || FData->Latin1(); }
    QLatin1StringView Latin1() const noexcept
    {
        return FData ? QLatin1StringView(reinterpret_cast<const char*>(FData + 1), FData->Size())
                     : QLatin1StringView();
    }
    QStringView Utf16() const noexcept
    {
        return FData ? QStringView(reinterpret_cast<const char16_t*>(FData + 1), FData->Size())
                     : QStringView();
    }
    QAnyStringView View() const noexcept
    {
        if (IsLatin1())
            return Latin1();
        return Utf16();
    }
    // Calls f with the text as a QLatin1StringView or a QStringView.
    template <typename F>
    decltype(auto) Visit(F&& f) const
    {
        if (IsLatin1())
            return std::forward<F>(f)(Latin1());
        return std::forward<F>(f)(Utf16());
    }
    // True when every character is below 0x80 (the writer's copy-through case).
    bool IsAscii() const noexcept;
    // Writes the size() UTF-16 code units of the text to out.
    void CopyUtf16(char16_t* out) const noexcept;
    // Appends the text as UTF-8.
    void AppendUtf8(QByteArray& out) const;

    // Identifies the shared storage (null when empty): equal pointers, equal text.
    const void* Identity() const noexcept { return FData; }

    bool startsWith(QLatin1StringView prefix, Qt::CaseSensitivity cs = Qt::CaseSensitive) const
    {
        return Visit([&](auto v) { return v.startsWith(prefix, cs); });
    }
    bool startsWith(QStringView prefix, Qt::CaseSensitivity cs = Qt::CaseSensitive) const
    {
        return Visit([&](auto v) { return v.startsWith(prefix, cs); });
    }
    bool endsWith(QStringView suffix, Qt::CaseSensitivity cs = Qt::CaseSensitive) const
    {
        return Visit([&](auto v) { return v.endsWith(suffix, cs); });
    }
    bool contains(QLatin1StringView text, Qt::CaseSensitivity cs = Qt::CaseSensitive) const
    {
        return Visit([&](auto v) { return v.contains(text, cs); });
    }
    bool contains(QStringView text, Qt::CaseSensitivity cs = Qt::CaseSensitive) const
    {
        return Visit([&](auto v) { return v.contains(text, cs); });
    }
    qsizetype count(QChar c) const
    {
        return Visit([&](auto v) { return v.count(c); });
    }

    // A hash of the text, equal for equal texts whatever their origin.
    size_t Hash(size_t seed) const noexcept;

    // The storage form is canonical (Latin-1 exactly when every character fits),
    // so equal texts have the same form and the same bytes.
    friend bool operator==(const TSiteText& a, const TSiteText& b) noexcept
    {
        return a.FData == b.FData || Equal(a, b);
    }
    friend bool operator==(const TSiteText& a, QStringView b) noexcept
    {
        return QAnyStringView::equal(a.View(), b);
    }
    friend bool operator==(const TSiteText& a, const QString& b) noexcept
    {
        return a == QStringView(b);
    }
    friend bool operator==(const TSiteText& a, QLatin1StringView b) noexcept
    {
        return QAnyStringView::equal(a.View(), b);
    }
    friend bool operator==(const TSiteText& a, const char16_t* b) noexcept
    {
        return a == QStringView(b);
    }
    // Ordinal comparison by UTF-16 code units, as QString's operator<.
    friend std::strong_ordering operator<=>(const TSiteText& a, const TSiteText& b) noexcept
    {
        return QAnyStringView::compare(a.View(), b.View()) <=> 0;
    }

private:
    struct TBlock
    {
        static constexpr std::uint32_t Latin1Bit = std::uint32_t(1) << 31;
        static constexpr std::uint32_t ChunkedBit = std::uint32_t(1) << 30;
        static constexpr std::uint32_t SizeMask = ChunkedBit - 1;
        static constexpr int ChunkedSizeBits = 13;
        static constexpr std::uint32_t ChunkedSizeMask = (std::uint32_t(1) << ChunkedSizeBits) - 1;

        std::atomic<std::uint32_t> Refs;
        // The storage form, whether the text was cut from a chunk (see
        // TSiteTextChunks), and below them the size in code units. A chunk's
        // text (a short one) keeps its size in the low ChunkedSizeBits and above
        // them its distance from the chunk's start in four-byte units.
        std::uint32_t Info;
        // followed by Size() bytes (Latin-1) or Size() char16_t (UTF-16)

        std::uint32_t Size() const noexcept
        {
            return Info & ((Info & ChunkedBit) ? ChunkedSizeMask : SizeMask);
        }
        bool Latin1() const noexcept { return (Info & Latin1Bit) != 0; }
    };
    static_assert(sizeof(TBlock) == 8);

    static TBlock* Allocate(qsizetype size, bool latin1);
    static size_t Room(std::uint32_t info) noexcept;
    static char* Payload(TBlock* block) noexcept { return reinterpret_cast<char*>(block + 1); }
    static bool Equal(const TSiteText& a, const TSiteText& b) noexcept;
    void Retain() const noexcept
    {
        if (FData)
            FData->Refs.fetch_add(1, std::memory_order_relaxed);
    }
    void Release() noexcept;

    TBlock* FData = nullptr;
};

static_assert(sizeof(TSiteText) == sizeof(void*));

// While one of these lives on a thread, the texts made on that thread are cut
// from chunks of ChunkBytes shared by many texts, instead of each being a heap
// allocation of its own: a million-entry read then saves the allocator's
// header and rounding on two or three texts an entry, and most of the time
// spent allocating. A chunk counts its texts and is freed when the last one
// goes, on whatever thread that happens; the texts outlive the scope like any
// others. Room freed in a chunk is not reused (but for the text cut last, freed
// on the filling thread: a bookmark merged into an entry already read), so a
// scope belongs around a read, where nearly every text made is kept, not
// around editing. Scopes nest: an inner one goes on with the outer one's chunk.
// The first texts of a scope are allocated alone, so that a small read does
// not hold a whole chunk.
class TSiteTextChunks
{
public:
    TSiteTextChunks() noexcept;
    ~TSiteTextChunks();
    TSiteTextChunks(const TSiteTextChunks&) = delete;
    TSiteTextChunks& operator=(const TSiteTextChunks&) = delete;

    static constexpr qsizetype ChunkBytes = qsizetype(256) * 1024;
    // What a scope allocates alone before it takes a chunk.
    static constexpr qsizetype WarmUpBytes = qsizetype(64) * 1024;
    // The chunks alive in the process.
    static qsizetype Count() noexcept;
};

inline size_t qHash(const TSiteText& t, size_t seed = 0) noexcept
{
    return t.Hash(seed);
}

inline void swap(TSiteText& a, TSiteText& b) noexcept
{
    a.swap(b);
}
