// The icon store: distinct icons by content, each kept once as base64 text.

#include <model/uWebSiteIcons.h>

#include <QHash>
#include <QMutexLocker>

#include <cstring>

namespace {

// The image types an icon may be declared as; anything else is not kept.
bool IsIconType(QByteArrayView Type)
{
    static const char* const types[] = {
        "image/png",     "image/x-icon", "image/vnd.microsoft.icon",
        "image/ico",     "image/icon",   "image/gif",
        "image/jpeg",    "image/jpg",    "image/pjpeg",
        "image/svg+xml",
    };
    for (const char* t : types)
        if (Type == QByteArrayView(t))
            return true;
    return false;
}

QByteArray LowerAscii(QByteArrayView Text)
{
    QByteArray out = Text.toByteArray();
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// 0-63 for a base64 digit, -1 for anything else.
int Base64Digit(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// Checks base64 text and brings it to the stored form (blanks dropped, padding
// added); false when it is not base64. Out is left empty when Text is already
// in that form.
bool NormalizeBase64(QByteArrayView Text, QByteArray& Out)
{
    qsizetype digits = 0;
    qsizetype pads = 0;
    bool blanks = false;
    for (const char c : Text) {
        if (IsBlank(c)) {
            blanks = true;
        } else if (c == '=') {
            ++pads;
        } else if (pads > 0 || Base64Digit(c) < 0) {
            return false; // a digit after padding, or no base64 at all
        } else {
            ++digits;
        }
    }
    const qsizetype rest = digits % 4;
    if (digits == 0 || rest == 1 || pads > 2 || (pads > 0 && rest + pads != 4))
        return false;
    if (!blanks && (rest == 0 || pads > 0))
        return true;
    Out.reserve(digits + 3);
    for (const char c : Text)
        if (!IsBlank(c) && c != '=')
            Out += c;
    while (Out.size() % 4 != 0)
        Out += '=';
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

// The first bytes of valid, padded base64 text: enough to tell the format.
QByteArray DecodeHead(QByteArrayView Base64, qsizetype Bytes)
{
    const qsizetype chars = std::min<qsizetype>(Base64.size(), (Bytes + 2) / 3 * 4);
    return QByteArray::fromBase64(Base64.first(chars).toByteArray());
}

size_t HashIcon(QByteArrayView Type, QByteArrayView Base64)
{
    return qHash(Base64, qHash(Type, QHashSeed::globalSeed()));
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
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i < text.size() && text[i] == '<' && LowerAscii(text).contains("<svg"))
        return "image/svg+xml";
    return {};
}

// ---- TWebSiteIcons -------------------------------------------------------------------

TIconId TWebSiteIcons::Find(QByteArrayView Type, QByteArrayView Base64, size_t Hash) const
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
        const TWebSiteIcon& icon = FIcons[slot.Id - 1];
        if (icon.Base64 == Base64 && icon.Type == Type)
            return slot.Id;
    }
}

TIconId TWebSiteIcons::Insert(QByteArrayView Type, QByteArrayView Base64, size_t Hash)
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
    FIcons.push_back({Type.toByteArray(), Base64.toByteArray()});
    const TIconId id = TIconId(FIcons.size());
    const size_t mask = FSlots.size() - 1;
    size_t i = Hash & mask;
    while (FSlots[i].Id != 0)
        i = (i + 1) & mask;
    FSlots[i] = {Hash, id};
    FTextBytes += Type.size() + Base64.size();
    return id;
}

TIconId TWebSiteIcons::AddBase64(QByteArrayView Type, QByteArrayView Base64)
{
    // Far too long to be a capped icon, even with blanks in it: not looked at.
    if (Base64.size() > (MaxIconBytes + 2) / 3 * 4 * 2)
        return 0;
    QByteArray type;
    for (const char c : Type)
        if (c >= 'A' && c <= 'Z') {
            type = LowerAscii(Type);
            Type = type;
            break;
        }
    if (!IsIconType(Type))
        return 0;
    // Most icons of a file are ones met before: a hit needs no checks, as only
    // checked text is ever stored.
    size_t hash = HashIcon(Type, Base64);
    {
        QMutexLocker lock(&FLock);
        if (const TIconId id = Find(Type, Base64, hash))
            return id;
    }
    QByteArray normal;
    if (!NormalizeBase64(Base64, normal))
        return 0;
    if (!normal.isEmpty()) {
        Base64 = normal;
        hash = HashIcon(Type, Base64);
    }
    if (DecodedSize(Base64) > MaxIconBytes)
        return 0;
    if (SniffIconType(DecodeHead(Base64, 1024)).isEmpty())
        return 0;
    QMutexLocker lock(&FLock);
    if (const TIconId id = Find(Type, Base64, hash))
        return id;
    return Insert(Type, Base64, hash);
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
    return FIcons[Id - 1];
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

TWebSiteIcons& WebSiteIcons()
{
    static TWebSiteIcons icons;
    return icons;
}

// ---- Data URIs -----------------------------------------------------------------------

TIconId WebSiteIconFromDataURI(QByteArrayView URI)
{
    qsizetype b = 0;
    while (b < URI.size() && IsBlank(URI[b]))
        ++b;
    URI = URI.sliced(b);
    if (URI.size() < 5 || LowerAscii(URI.first(5)) != "data:")
        return 0;
    const qsizetype comma = URI.indexOf(',');
    if (comma < 0)
        return 0;
    // "<type>[;param=value]...;base64": only base64 icons are kept.
    const QByteArrayView head = URI.sliced(5, comma - 5);
    const qsizetype semi = head.indexOf(';');
    if (semi < 0 || LowerAscii(head.sliced(head.lastIndexOf(';') + 1)).trimmed() != "base64")
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
