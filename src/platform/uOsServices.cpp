#include "uOsServices.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

QString GetDesktopPath()
{
    return GetDesktopDir() + QDir::separator();
}

QString GetLocalAppDataPath()
{
    return GetLocalAppDataDir() + QDir::separator();
}

QDateTime FileCreationTime(const QString& FileName)
{
    const QFileInfo info(FileName);
    if (!info.exists())
        return {};
    QDateTime t = info.birthTime();
    if (!t.isValid())
        t = info.lastModified();
    return t.toLocalTime();
}

bool ForcePath(const QString& Folder)
{
    if (Folder.isEmpty())
        return false;
    return QDir().mkpath(Folder) && QFileInfo(Folder).isDir();
}

QString DecodeLegacyText(QByteArrayView Bytes)
{
    // Printable ASCII, tabs and line ends read the same in every code page used here
    // (Shift_JIS moves some other control bytes): most shortcut files hold nothing
    // else, and a converter per file costs more than reading the file.
    const bool Plain = std::all_of(Bytes.begin(), Bytes.end(), [](char c) {
        const auto u = uchar(c);
        return (u >= 0x20 && u < 0x7F) || u == '\t' || u == '\n' || u == '\r';
    });
    if (Plain)
        return QString::fromLatin1(Bytes);
    QStringDecoder decoder(LegacyCodePageName().toLatin1().constData());
    if (!decoder.isValid())
        return QString::fromLatin1(Bytes);
    return decoder.decode(Bytes);
}

bool EncodeLegacyText(const QString& Text, QByteArray& Out)
{
    const QByteArray name = LegacyCodePageName().toLatin1();
    QStringEncoder encoder(name.constData());
    if (!encoder.isValid()) {
        Out = Text.toLatin1();
        return QString::fromLatin1(Out) == Text;
    }
    Out = encoder.encode(Text);
    if (encoder.hasError())
        return false;
    QStringDecoder decoder(name.constData());
    const QString back = decoder.decode(Out);
    return !decoder.hasError() && back == Text;
}
