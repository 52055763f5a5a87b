#include <platform/DragDropInternetMime.h>

#include <QMimeData>
#include <QStringDecoder>
#include <QUrl>

namespace {

const QString MozURLMime = QStringLiteral("text/x-moz-url");
const QString NetscapeURLMime = QStringLiteral("_NETSCAPE_URL");

// A title longer than this is cut so that the name plus ".url" still fits into the
// shell descriptor's name field, as browsers on Windows do.
constexpr qsizetype MaxTitleChars = 255;

QString NativeFormatName(TURLClipFormat Format)
{
    switch (Format) {
    case TURLClipFormat::FileGroupDescriptorW:
    case TURLClipFormat::FileGroupDescriptor:
    case TURLClipFormat::FileContents:
    case TURLClipFormat::UniformResourceLocator:
        return QtWindowsMimeName(URLClipFormatName(Format));
    case TURLClipFormat::HDrop:
    case TURLClipFormat::Text:
        break;
    }
    return {};
}

QList<QUrl> UriListUrls(const QMimeData& Data)
{
    return Data.hasUrls() ? Data.urls() : QList<QUrl>{};
}

} // namespace

QString QtWindowsMimeName(const QString& NativeName)
{
    return QStringLiteral("application/x-qt-windows-mime;value=\"") + NativeName + u'"';
}

TMozURL ParseMozURL(const QByteArray& Bytes)
{
    QString text;
    if (Bytes.startsWith("\xFF\xFE"))
        text = QStringDecoder(QStringDecoder::Utf16LE).decode(Bytes.mid(2));
    else if (Bytes.startsWith("\xFE\xFF"))
        text = QStringDecoder(QStringDecoder::Utf16BE).decode(Bytes.mid(2));
    // Browsers write UTF-16 in the machine's order, without a mark; a URL starts with an
    // ASCII letter, so the zero half of its first character tells the byte order.
    else if (Bytes.size() >= 2 && Bytes.at(0) != 0 && Bytes.at(1) == 0)
        text = QStringDecoder(QStringDecoder::Utf16LE).decode(Bytes);
    else if (Bytes.size() >= 2 && Bytes.at(0) == 0 && Bytes.at(1) != 0)
        text = QStringDecoder(QStringDecoder::Utf16BE).decode(Bytes);
    else
        text = QString::fromUtf8(Bytes);
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    TMozURL result;
    result.URL = lines.value(0).trimmed();
    result.Title = lines.value(1);
    return result;
}

TMimeURLDropSource::TMimeURLDropSource(const QMimeData& Data) : FData(Data) {}

bool TMimeURLDropSource::HasNative(TURLClipFormat Format) const
{
    const QString name = NativeFormatName(Format);
    return !name.isEmpty() && FData.hasFormat(name);
}

std::optional<TDropPayload> TMimeURLDropSource::FetchNative(TURLClipFormat Format) const
{
    const QByteArray bytes = FData.data(NativeFormatName(Format));
    if (bytes.isEmpty())
        return std::nullopt;
    return TDropPayload{bytes, {}, TTextEncoding::Ansi};
}

const TMozURL& TMimeURLDropSource::MozURL()
{
    // Qt's X11 backend turns a text/x-moz-url offer into text/uri-list and never
    // hands it over by its own name; browsers there put the same "URL newline title"
    // pair into _NETSCAPE_URL, which Qt passes through.
    if (!FMozURL) {
        FMozURL = ParseMozURL(FData.data(MozURLMime));
        if (FMozURL->URL.isEmpty())
            FMozURL = ParseMozURL(FData.data(NetscapeURLMime));
        // File managers describe dragged files this way too; those are a file drop,
        // never a link to a file.
        if (QUrl(FMozURL->URL).isLocalFile())
            FMozURL = TMozURL{};
    }
    return *FMozURL;
}

QString TMimeURLDropSource::FirstRemoteURL() const
{
    for (const QUrl& url : UriListUrls(FData))
        if (url.isValid() && !url.isLocalFile())
            return QString::fromLatin1(url.toEncoded());
    return {};
}

bool TMimeURLDropSource::Offers(TURLClipFormat Format) const
{
    switch (Format) {
    case TURLClipFormat::FileGroupDescriptorW:
    case TURLClipFormat::FileContents:
        return HasNative(Format) || FData.hasFormat(MozURLMime) || FData.hasFormat(NetscapeURLMime);
    case TURLClipFormat::FileGroupDescriptor:
        return HasNative(Format);
    case TURLClipFormat::HDrop:
        return FData.hasUrls();
    case TURLClipFormat::UniformResourceLocator:
        return HasNative(Format) || FData.hasFormat(NetscapeURLMime) || FData.hasUrls()
               || FData.hasFormat(MozURLMime);
    case TURLClipFormat::Text:
        return FData.hasText();
    }
    return false;
}

std::optional<TDropPayload> TMimeURLDropSource::Fetch(TURLClipFormat Format)
{
    if (HasNative(Format))
        return FetchNative(Format);
    switch (Format) {
    case TURLClipFormat::FileGroupDescriptorW: {
        const TMozURL& moz = MozURL();
        if (moz.Title.isEmpty())
            return std::nullopt;
        const QString name = moz.Title.left(MaxTitleChars) + QStringLiteral(".url");
        return TDropPayload{MakeFileGroupDescriptorW({name}), {}, TTextEncoding::Ansi};
    }
    case TURLClipFormat::FileContents: {
        const TMozURL& moz = MozURL();
        if (moz.URL.isEmpty())
            return std::nullopt;
        // With a byte-order mark, so that no character is lost to the legacy code page.
        return TDropPayload{"\xEF\xBB\xBF[InternetShortcut]\r\nURL=" + moz.URL.toUtf8() + "\r\n",
                            {},
                            TTextEncoding::Ansi};
    }
    case TURLClipFormat::FileGroupDescriptor:
        return std::nullopt;
    case TURLClipFormat::HDrop: {
        QStringList paths;
        for (const QUrl& url : UriListUrls(FData))
            if (url.isLocalFile())
                paths.append(url.toLocalFile());
        if (paths.isEmpty())
            return std::nullopt;
        return TDropPayload{{}, paths, TTextEncoding::Ansi};
    }
    case TURLClipFormat::UniformResourceLocator: {
        QString url;
        if (FData.hasFormat(NetscapeURLMime))
            url = QString::fromUtf8(FData.data(NetscapeURLMime)).section(u'\n', 0, 0).trimmed();
        if (url.isEmpty())
            url = FirstRemoteURL();
        if (url.isEmpty())
            url = MozURL().URL;
        if (url.isEmpty())
            return std::nullopt;
        return TDropPayload{url.toUtf8(), {}, TTextEncoding::Utf8};
    }
    case TURLClipFormat::Text: {
        const QString text = FData.text();
        if (text.isEmpty())
            return std::nullopt;
        return TDropPayload{text.toUtf8(), {}, TTextEncoding::Utf8};
    }
    }
    return std::nullopt;
}
