#pragma once
// The drag source behind a QMimeData: maps what Qt hands over to the formats the
// drop rules ask for.
//
// - Windows (Qt's names for the native formats): "FileGroupDescriptorW",
//   "FileGroupDescriptor", "FileContents", "UniformResourceLocator" under
//   application/x-qt-windows-mime;value="...", file URLs for CF_HDROP, text/plain for CF_TEXT.
// - X11/Wayland (what browsers and file managers offer): local file URLs in text/uri-list
//   are the file drop; text/x-moz-url (URL, newline, title) gives title and URL the way
//   a browser's shortcut descriptor and its contents do on Windows (under X11, where Qt
//   hides text/x-moz-url, the same pair comes from _NETSCAPE_URL); _NETSCAPE_URL or a
//   non-file URL in text/uri-list is the "UniformResourceLocator" text; text/plain is CF_TEXT.
// QtCore only; the mime data must outlive the source (it is read on demand).

#include <platform/DragDropInternet.h>

#include <QString>

class QMimeData;

// Qt's MIME name for a native Windows clipboard format
// ("application/x-qt-windows-mime;value=\"Name\"").
QString QtWindowsMimeName(const QString& NativeName);

// URL and title of a text/x-moz-url payload (UTF-16, or UTF-8 from some sources;
// lines separated by LF). Both empty when the payload holds nothing.
struct TMozURL
{
    QString URL;
    QString Title;
};
TMozURL ParseMozURL(const QByteArray& Bytes);

class TMimeURLDropSource : public IURLDropSource
{
public:
    explicit TMimeURLDropSource(const QMimeData& Data);
    bool Offers(TURLClipFormat Format) const override;
    std::optional<TDropPayload> Fetch(TURLClipFormat Format) override;

private:
    bool HasNative(TURLClipFormat Format) const;
    std::optional<TDropPayload> FetchNative(TURLClipFormat Format) const;
    const TMozURL& MozURL();
    QString FirstRemoteURL() const;

    const QMimeData& FData;
    std::optional<TMozURL> FMozURL;
};
