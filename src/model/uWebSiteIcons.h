#pragma once
// Bookmark icons (favicons). An entry carries a TIconId, a small number naming an
// icon in one store shared by every list of the process: a browser export gives
// each of 100,000 bookmarks its icon, but a few thousand distinct ones, so each
// distinct icon is held once, and an id stays valid when entries move between
// lists (copies, undo steps, the entries a command works on).
//
// Icons are kept as their base64 text, the form bookmark files carry them in,
// and decoded only when one is shown or written elsewhere. Nothing is removed
// from the store while the program runs; an icon no entry uses any more costs
// its bytes until the next start.
//
// GUI-free and safe to use from several threads.

#include <QByteArray>
#include <QByteArrayView>
#include <QMutex>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

using TIconId = std::uint32_t; // 0: no icon

// The largest icon kept (decoded bytes); a larger one is ignored.
inline constexpr qsizetype MaxIconBytes = 256 * 1024;

struct TWebSiteIcon
{
    QByteArray Type;   // MIME type in lower case, e.g. "image/png"
    QByteArray Base64; // the bytes as base64 text, padded, without blanks
};

class TWebSiteIcons
{
public:
    // The id of the icon with these bytes, adding it when it is new; 0 when
    // Type is no image type we keep, the text is no base64, the bytes are over
    // MaxIconBytes or are not an image.
    TIconId AddBase64(QByteArrayView Type, QByteArrayView Base64);
    // The same for raw bytes; an empty Type means: tell it from the bytes.
    TIconId AddBytes(QByteArrayView Type, QByteArrayView Bytes);

    // The icon, or an empty one for 0 or an unknown id. Its texts share the
    // store's bytes, which stay for the life of the process.
    TWebSiteIcon Icon(TIconId Id) const;
    // The decoded bytes, or empty.
    QByteArray Bytes(TIconId Id) const;

    qsizetype Count() const;
    // The bytes the icons' texts take.
    qint64 TextBytes() const;
    // The memory the store holds: the texts' blocks and its tables.
    qint64 HeapBytes() const;

private:
    // Type: an index into the kept image types.
    TIconId Find(int Type, QByteArrayView Base64, size_t Hash) const;
    TIconId Insert(int Type, QByteArrayView Base64, size_t Hash);
    // A copy of Text that lives as long as the store.
    const char* Keep(QByteArrayView Text);

    struct TStored
    {
        const char* Text;
        std::uint32_t Size;
        std::uint8_t Type;
    };

    mutable QMutex FLock;
    std::vector<TStored> FIcons;                  // id - 1
    std::vector<std::unique_ptr<char[]>> FBlocks; // the icons' texts
    char* FFree = nullptr;                        // the unused end of the last block
    size_t FFreeBytes = 0;
    qint64 FBlockBytes = 0; // all blocks together
    // Open addressing over (hash, id); 0 marks a free slot.
    struct TSlot
    {
        size_t Hash = 0;
        TIconId Id = 0;
    };
    std::vector<TSlot> FSlots;
    qint64 FTextBytes = 0;
};

// The process's icon store.
TWebSiteIcons& WebSiteIcons();

// An ICON attribute's value, "data:<type>;base64,<text>", into the store; 0 when
// it is anything else (another scheme, no base64, a type that is no icon, bad
// or oversized data). The value is used as written: a data URI has no character
// references in it.
TIconId WebSiteIconFromDataURI(QByteArrayView URI);
// "data:<type>;base64,<text>" for an icon of the store, or empty.
QByteArray WebSiteIconDataURI(TIconId Id);

// The MIME type the bytes' signature says (PNG, ICO, GIF, JPEG, SVG), or empty.
QByteArray SniffIconType(QByteArrayView Bytes);
