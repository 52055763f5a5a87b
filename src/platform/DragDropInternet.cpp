#include <platform/DragDropInternet.h>

#include <platform/uOsServices.h>

#include <QFileInfo>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>

namespace {

// FILEGROUPDESCRIPTOR layout: a 32-bit item count, then one FILEDESCRIPTOR per item.
// Each descriptor holds 72 bytes of flags, ids, sizes and times, then cFileName[260].
constexpr qsizetype DescriptorCountSize = 4;
constexpr qsizetype DescriptorNameOffset = 72;
constexpr qsizetype MaxPathChars = 260;
constexpr qsizetype DescriptorSizeW = DescriptorNameOffset + MaxPathChars * 2;
constexpr qsizetype DescriptorSizeA = DescriptorNameOffset + MaxPathChars;

QByteArray UpToFirstNul(const QByteArray& Bytes)
{
    const qsizetype nul = Bytes.indexOf('\0');
    return nul < 0 ? Bytes : Bytes.left(nul);
}

QString Decode8BitText(const TDropPayload& Payload)
{
    const QByteArray text = UpToFirstNul(Payload.Bytes);
    return Payload.Encoding == TTextEncoding::Utf8 ? QString::fromUtf8(text)
                                                   : DecodeLegacyText(text);
}

// The extension including its dot, taken after the last folder separator or drive
// colon (as Windows names are written); "" when there is none.
QString ExtractFileExt(const QString& Name)
{
    for (qsizetype i = Name.size() - 1; i >= 0; --i) {
        const QChar c = Name.at(i);
        if (c == u'.')
            return Name.mid(i);
        if (c == u'\\' || c == u'/' || c == u':')
            break;
    }
    return {};
}

QString WithoutExt(const QString& Name)
{
    return Name.left(Name.size() - ExtractFileExt(Name).size());
}

// ASCII-only lower-casing, so that locale rules (Turkish dotless i ...) never matter.
QString AsciiLower(const QString& Text)
{
    QString result = Text;
    for (QChar& c : result)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return result;
}

bool AsciiEqualsNoCase(QStringView A, QStringView B)
{
    if (A.size() != B.size())
        return false;
    for (qsizetype i = 0; i < A.size(); ++i) {
        char16_t a = A.at(i).unicode();
        char16_t b = B.at(i).unicode();
        if (a >= u'A' && a <= u'Z')
            a = char16_t(a + (u'a' - u'A'));
        if (b >= u'A' && b <= u'Z')
            b = char16_t(b + (u'a' - u'A'));
        if (a != b)
            return false;
    }
    return true;
}

// Text of a file as a line list would load it: a byte-order mark selects UTF-8 or
// UTF-16, anything else is the legacy code page.
QString DecodeTextFile(const QByteArray& Bytes)
{
    if (Bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(Bytes.mid(3));
    if (Bytes.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        return decoder.decode(Bytes.mid(2));
    }
    if (Bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16BE);
        return decoder.decode(Bytes.mid(2));
    }
    return DecodeLegacyText(Bytes);
}

QStringList SplitLines(const QString& Text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = Text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = Text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(Text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && Text.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(Text.mid(start));
    return lines;
}

quint32 DescriptorCount(const QByteArray& Record)
{
    return qFromLittleEndian<quint32>(Record.constData());
}

} // namespace

QString URLClipFormatName(TURLClipFormat Format)
{
    switch (Format) {
    case TURLClipFormat::FileGroupDescriptorW:
        return QStringLiteral("FileGroupDescriptorW");
    case TURLClipFormat::FileGroupDescriptor:
        return QStringLiteral("FileGroupDescriptor");
    case TURLClipFormat::HDrop:
        return QStringLiteral("CF_HDROP");
    case TURLClipFormat::FileContents:
        return QStringLiteral("FileContents");
    case TURLClipFormat::UniformResourceLocator:
        return QStringLiteral("UniformResourceLocator");
    case TURLClipFormat::Text:
        return QStringLiteral("CF_TEXT");
    }
    return {};
}

const std::array<TURLClipFormat, 6>& URLClipFormatOrder()
{
    static const std::array<TURLClipFormat, 6> order = [] {
        // Registration order and priorities; the list stays sorted by priority, a new
        // entry going after the last one with a smaller number (before equal ones).
        const std::array<QPair<TURLClipFormat, int>, 6> registrations{{
            {TURLClipFormat::FileGroupDescriptor, 0},
            {TURLClipFormat::FileGroupDescriptorW, -1},
            {TURLClipFormat::HDrop, 1},
            {TURLClipFormat::FileContents, 2},
            {TURLClipFormat::UniformResourceLocator, 3},
            {TURLClipFormat::Text, 4},
        }};
        QList<QPair<TURLClipFormat, int>> sorted;
        for (const auto& reg : registrations) {
            qsizetype at = 0;
            for (qsizetype i = 0; i < sorted.size(); ++i)
                if (sorted.at(i).second < reg.second)
                    at = i + 1;
            sorted.insert(at, reg);
        }
        std::array<TURLClipFormat, 6> result{};
        for (size_t i = 0; i < result.size(); ++i)
            result[i] = sorted.at(qsizetype(i)).first;
        return result;
    }();
    return order;
}

void TURLDropSourceList::Add(TURLClipFormat Format, std::optional<TDropPayload> Payload)
{
    FEntries.append(TEntry{Format, std::move(Payload), 0});
}

bool TURLDropSourceList::Offers(TURLClipFormat Format) const
{
    return std::any_of(FEntries.cbegin(), FEntries.cend(),
                       [Format](const TEntry& e) { return e.Format == Format; });
}

std::optional<TDropPayload> TURLDropSourceList::Fetch(TURLClipFormat Format)
{
    for (TEntry& e : FEntries)
        if (e.Format == Format) {
            ++e.Fetched;
            return e.Payload;
        }
    return std::nullopt;
}

int TURLDropSourceList::FetchCount(TURLClipFormat Format) const
{
    for (const TEntry& e : FEntries)
        if (e.Format == Format)
            return e.Fetched;
    return 0;
}

QByteArray MakeFileGroupDescriptorW(const QStringList& Names)
{
    QByteArray record(DescriptorCountSize + DescriptorSizeW * Names.size(), '\0');
    qToLittleEndian<quint32>(quint32(Names.size()), record.data());
    for (qsizetype i = 0; i < Names.size(); ++i) {
        char* name =
            record.data() + DescriptorCountSize + i * DescriptorSizeW + DescriptorNameOffset;
        const QString n = Names.at(i).left(MaxPathChars - 1);
        for (qsizetype k = 0; k < n.size(); ++k)
            qToLittleEndian<quint16>(n.at(k).unicode(), name + k * 2);
    }
    return record;
}

QByteArray MakeFileGroupDescriptorA(const QList<QByteArray>& Names)
{
    QByteArray record(DescriptorCountSize + DescriptorSizeA * Names.size(), '\0');
    qToLittleEndian<quint32>(quint32(Names.size()), record.data());
    for (qsizetype i = 0; i < Names.size(); ++i) {
        char* name =
            record.data() + DescriptorCountSize + i * DescriptorSizeA + DescriptorNameOffset;
        const QByteArray n = Names.at(i).left(MaxPathChars - 1);
        std::copy(n.cbegin(), n.cend(), name);
    }
    return record;
}

std::optional<QString> FirstFileGroupDescriptorNameW(const QByteArray& Record)
{
    const qsizetype nameStart = DescriptorCountSize + DescriptorNameOffset;
    if (Record.size() < nameStart || DescriptorCount(Record) == 0)
        return std::nullopt;
    // A record cut short still yields the part of the name it holds.
    const qsizetype chars = std::min(MaxPathChars, (Record.size() - nameStart) / 2);
    QString name;
    for (qsizetype k = 0; k < chars; ++k) {
        const char16_t c = qFromLittleEndian<quint16>(Record.constData() + nameStart + k * 2);
        if (c == 0)
            break;
        name.append(QChar(c));
    }
    return name;
}

std::optional<QByteArray> FirstFileGroupDescriptorNameA(const QByteArray& Record)
{
    const qsizetype nameStart = DescriptorCountSize + DescriptorNameOffset;
    if (Record.size() < nameStart || DescriptorCount(Record) == 0)
        return std::nullopt;
    const qsizetype chars = std::min(MaxPathChars, Record.size() - nameStart);
    return UpToFirstNul(Record.mid(nameStart, chars));
}

std::optional<QString> ReadInternetShortcutURL(const QByteArray& Bytes)
{
    static const QString header = QStringLiteral("[InternetShortcut]");
    static const QString key = QStringLiteral("URL=");
    const QStringList lines = SplitLines(DecodeTextFile(Bytes));
    qsizetype i = 0;
    while (i < lines.size() && !AsciiEqualsNoCase(lines.at(i), header))
        ++i;
    for (++i; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (line.size() >= 4 && AsciiEqualsNoCase(QStringView(line).left(4), key)) {
            QString url = line.mid(4);
            const qsizetype nul = url.indexOf(QChar(0));
            if (nul >= 0)
                url.truncate(nul);
            return url;
        }
        if (line.startsWith(u'['))
            return std::nullopt;
    }
    return std::nullopt;
}

bool IsAcceptableDropPath(const QString& Path)
{
    return !Path.isEmpty() && QFileInfo::exists(Path);
}

Qt::DropAction URLDropEffect(Qt::KeyboardModifiers Keys, Qt::DropActions Offered)
{
    const Qt::DropActions allowed = Offered & (Qt::CopyAction | Qt::LinkAction);
    const bool ctrl = Keys.testFlag(Qt::ControlModifier);
    const bool shift = Keys.testFlag(Qt::ShiftModifier);
    const Qt::DropAction asked = ctrl && shift ? Qt::LinkAction
                                 : ctrl        ? Qt::CopyAction
                                               : Qt::MoveAction;
    if (allowed.testFlag(asked))
        return asked;
    for (Qt::DropAction a : {Qt::CopyAction, Qt::LinkAction})
        if (allowed.testFlag(a))
            return a;
    return Qt::IgnoreAction;
}

void TURLDataFormat::SetURL(const QString& Value)
{
    if (OnChanging)
        OnChanging();
    FURL = Value;
}

void TURLDataFormat::SetTitle(const QString& Value)
{
    if (OnChanging)
        OnChanging();
    FTitle = Value;
}

void TURLDataFormat::Clear()
{
    if (OnChanging)
        OnChanging();
    FURL.clear();
    FTitle.clear();
    FDroppedFileNames.clear();
}

bool TURLDataFormat::Assign(TURLClipFormat Format, const TDropPayload& Payload)
{
    switch (Format) {
    case TURLClipFormat::FileGroupDescriptorW:
        return AssignDescriptorW(Payload);
    case TURLClipFormat::FileGroupDescriptor:
        return AssignDescriptorA(Payload);
    case TURLClipFormat::HDrop:
        return AssignHDrop(Payload);
    case TURLClipFormat::FileContents:
        return AssignFileContents(Payload);
    case TURLClipFormat::UniformResourceLocator:
        return AssignURLText(Payload);
    case TURLClipFormat::Text:
        return AssignText(Payload);
    }
    return false;
}

bool TURLDataFormat::AssignDescriptorW(const TDropPayload& Payload)
{
    if (!FTitle.isEmpty())
        return false;
    const std::optional<QString> name = FirstFileGroupDescriptorNameW(Payload.Bytes);
    if (!name)
        return false;
    const QString ext = AsciiLower(ExtractFileExt(*name));
    if (ext != u".url" && ext != u".website")
        return false;
    SetTitle(WithoutExt(*name));
    return true;
}

bool TURLDataFormat::AssignDescriptorA(const TDropPayload& Payload)
{
    if (!FTitle.isEmpty())
        return false;
    const std::optional<QByteArray> raw = FirstFileGroupDescriptorNameA(Payload.Bytes);
    if (!raw)
        return false;
    const QString name = DecodeLegacyText(*raw);
    if (AsciiLower(ExtractFileExt(name)) != u".url")
        return false;
    SetTitle(WithoutExt(name));
    return true;
}

bool TURLDataFormat::AssignHDrop(const TDropPayload& Payload)
{
    if (!FURL.isEmpty())
        return false;
    SetURL(FileDropMarker);
    SetTitle(FileDropMarker);
    FDroppedFileNames.append(Payload.Paths);
    // A drop with at least one existing path is accepted; what is no bookmark file is
    // named by the add.
    return std::any_of(Payload.Paths.cbegin(), Payload.Paths.cend(), IsAcceptableDropPath);
}

bool TURLDataFormat::AssignFileContents(const TDropPayload& Payload)
{
    if (!FURL.isEmpty() || FTitle.isEmpty())
        return false;
    const std::optional<QString> url = ReadInternetShortcutURL(Payload.Bytes);
    if (!url || url->isEmpty())
        return false;
    SetURL(*url);
    return true;
}

bool TURLDataFormat::AssignURLText(const TDropPayload& Payload)
{
    if (FURL.isEmpty())
        SetURL(Decode8BitText(Payload));
    return true;
}

bool TURLDataFormat::AssignText(const TDropPayload& Payload)
{
    if (!FURL.isEmpty())
        return false;
    const QString text = Decode8BitText(Payload);
    if (text.indexOf(QStringLiteral("://")) <= 0)
        return false;
    SetURL(text);
    return true;
}

bool TURLDataFormat::FetchFrom(IURLDropSource& Source)
{
    Clear();
    bool taken = false;
    for (TURLClipFormat format : URLClipFormatOrder()) {
        if (!NeedsData())
            break;
        if (!Source.Offers(format))
            continue;
        const std::optional<TDropPayload> payload = Source.Fetch(format);
        if (payload && Assign(format, *payload))
            taken = true;
    }
    return taken;
}

Qt::DropAction TURLDropSession::DragEnter(IURLDropSource& Source, Qt::KeyboardModifiers Keys,
                                          Qt::DropActions Offered)
{
    FAccepted = false;
    // A drag that leaves both fields empty would only add an empty bookmark: refuse it too.
    if (!FData.FetchFrom(Source) || !FData.HasData()) {
        FData.Clear();
        return Qt::IgnoreAction;
    }
    FAccepted = true;
    return URLDropEffect(Keys, Offered);
}

Qt::DropAction TURLDropSession::DragOver(Qt::KeyboardModifiers Keys, Qt::DropActions Offered) const
{
    return FAccepted ? URLDropEffect(Keys, Offered) : Qt::IgnoreAction;
}

void TURLDropSession::DragLeave()
{
    Abort();
}

void TURLDropSession::Abort()
{
    FAccepted = false;
    FData.Clear();
}

Qt::DropAction TURLDropSession::Drop(Qt::KeyboardModifiers Keys, Qt::DropActions Offered,
                                     const TDropHandler& OnDrop)
{
    // Whatever the handler does (even throwing), the data of this drag is gone afterwards.
    struct TClearOnExit
    {
        TURLDropSession* Session;
        ~TClearOnExit() { Session->Abort(); }
    } clearOnExit{this};

    Qt::DropAction effect = DragOver(Keys, Offered);
    // A drop the target refused (no data, or no allowed effect) is not reported.
    if (effect == Qt::IgnoreAction)
        return effect;
    if (OnDrop)
        OnDrop(effect);
    return effect;
}
