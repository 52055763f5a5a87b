#pragma once
// What a drag onto the bookmark list carries, turned into one URL, one title and a
// list of dropped paths. Everything here is QtCore only and works on plain payloads
// (bytes, paths), so it runs without a window system; TDropURLTarget
// (DragDropInternetTarget.h) is the widget adapter that feeds it from QMimeData.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <Qt>

#include <array>
#include <functional>
#include <optional>

// Put into URL and Title by a file drop so that the receiver can tell it from a URL drop.
inline const QString FileDropMarker = QStringLiteral("//File");

// The clipboard formats a drag is asked for.
enum class TURLClipFormat
{
    FileGroupDescriptorW,   // "FileGroupDescriptorW": shell file descriptors, UTF-16 names
    FileGroupDescriptor,    // "FileGroupDescriptor": the same with 8-bit names
    HDrop,                  // CF_HDROP: a list of file-system paths
    FileContents,           // "FileContents": the bytes of the first described file
    UniformResourceLocator, // "UniformResourceLocator": the URL as 8-bit text
    Text,                   // CF_TEXT: plain 8-bit text
};

// The platform name of a format ("FileGroupDescriptorW", ..., "CF_HDROP", "CF_TEXT").
QString URLClipFormatName(TURLClipFormat Format);

// The order in which the formats are asked for: the registration list sorted by
// priority, an entry going after the last one with a smaller number.
const std::array<TURLClipFormat, 6>& URLClipFormatOrder();

// How the bytes of an 8-bit text payload are to be read.
enum class TTextEncoding
{
    Ansi, // the system's legacy code page (what Windows puts into CF_TEXT etc.)
    Utf8, // sources that hand over UTF-8 (Qt's text/plain, X11 drag formats)
};

// One payload as fetched from the drag source.
struct TDropPayload
{
    QByteArray Bytes;  // 8-bit text, file group descriptor record, file contents
    QStringList Paths; // CF_HDROP
    TTextEncoding Encoding = TTextEncoding::Ansi;
};

// A drag source: which formats it offers and the payload of one format.
class IURLDropSource
{
public:
    virtual ~IURLDropSource() = default;
    virtual bool Offers(TURLClipFormat Format) const = 0;
    // std::nullopt when the source offers the format but fails to deliver it.
    virtual std::optional<TDropPayload> Fetch(TURLClipFormat Format) = 0;
};

// A source made of a fixed list of (format, payload); a format listed without a
// payload is offered but fails to deliver.
class TURLDropSourceList : public IURLDropSource
{
public:
    void Add(TURLClipFormat Format, std::optional<TDropPayload> Payload);
    bool Offers(TURLClipFormat Format) const override;
    std::optional<TDropPayload> Fetch(TURLClipFormat Format) override;
    int FetchCount(TURLClipFormat Format) const;

private:
    struct TEntry
    {
        TURLClipFormat Format;
        std::optional<TDropPayload> Payload;
        int Fetched = 0;
    };
    QList<TEntry> FEntries;
};

// Builds a FILEGROUPDESCRIPTORW / FILEGROUPDESCRIPTORA record (item count + one
// descriptor per name, names cut to 259 characters) as the shell hands it over.
QByteArray MakeFileGroupDescriptorW(const QStringList& Names);
QByteArray MakeFileGroupDescriptorA(const QList<QByteArray>& Names);

// The first item's name of such a record; std::nullopt when the record is too
// short or holds no item.
std::optional<QString> FirstFileGroupDescriptorNameW(const QByteArray& Record);
std::optional<QByteArray> FirstFileGroupDescriptorNameA(const QByteArray& Record);

// The URL= value of the [InternetShortcut] section of a shortcut file's text;
// std::nullopt when there is none. An empty string means "URL=" with nothing after it.
std::optional<QString> ReadInternetShortcutURL(const QByteArray& Bytes);

// True when a dropped path is worth reading: any existing file or folder. Whether a
// file holds bookmarks (a service export or a browser's store is known by its
// content, not its name) is found by reading it; one that does not is named in the
// add's report rather than refused at the drag, where the user would learn nothing.
bool IsAcceptableDropPath(const QString& Path);

// The drop effect for the keys held and the effects the source offers: only copy and
// link are allowed; Ctrl+Shift asks for link, Ctrl for copy, anything else for move;
// an effect not allowed falls back to copy, then link; IgnoreAction when none is left.
Qt::DropAction URLDropEffect(Qt::KeyboardModifiers Keys, Qt::DropActions Offered);

// URL, Title and the dropped paths, derived from the formats of one drag.
class TURLDataFormat
{
public:
    // Called before the data changes (by a property write or Clear).
    std::function<void()> OnChanging;

    const QString& URL() const { return FURL; }
    void SetURL(const QString& Value);
    const QString& Title() const { return FTitle; }
    void SetTitle(const QString& Value);
    const QStringList& DroppedFileNames() const { return FDroppedFileNames; }

    bool HasData() const { return !FURL.isEmpty() || !FTitle.isEmpty(); }
    bool NeedsData() const { return FURL.isEmpty() || FTitle.isEmpty(); }
    void Clear();

    // Takes what one format offers into the still-empty fields; true when it took something.
    bool Assign(TURLClipFormat Format, const TDropPayload& Payload);

    // Clears, then asks the source for the formats in order while data is still
    // needed. True when at least one format was taken.
    bool FetchFrom(IURLDropSource& Source);

private:
    bool AssignDescriptorW(const TDropPayload& Payload);
    bool AssignDescriptorA(const TDropPayload& Payload);
    bool AssignHDrop(const TDropPayload& Payload);
    bool AssignFileContents(const TDropPayload& Payload);
    bool AssignURLText(const TDropPayload& Payload);
    bool AssignText(const TDropPayload& Payload);

    QString FURL;
    QString FTitle;
    QStringList FDroppedFileNames;
};

// The drag-enter / over / leave / drop sequence of the drop target, free of widgets.
class TURLDropSession
{
public:
    using TDropHandler = std::function<void(Qt::DropAction& Effect)>;

    const TURLDataFormat& Data() const { return FData; }
    bool Accepted() const { return FAccepted; }

    // Fetches the data; IgnoreAction (and not accepted) when the source offers none
    // of the formats or nothing usable could be taken.
    Qt::DropAction DragEnter(IURLDropSource& Source, Qt::KeyboardModifiers Keys,
                             Qt::DropActions Offered);
    Qt::DropAction DragOver(Qt::KeyboardModifiers Keys, Qt::DropActions Offered) const;
    void DragLeave();
    // Runs OnDrop with the data when the drag was accepted and an effect is allowed,
    // then clears the data whatever happened. Returns the effect performed.
    Qt::DropAction Drop(Qt::KeyboardModifiers Keys, Qt::DropActions Offered,
                        const TDropHandler& OnDrop);
    // Forgets the drag (a failure while handling it).
    void Abort();

private:
    TURLDataFormat FData;
    bool FAccepted = false;
};
