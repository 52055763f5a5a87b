// Internet Shortcut (.url) and pinned website (.website) files.

#include <model/uIniFile.h>
#include <model/uPathText.h>
#include <model/uWebSiteShortcutFiles.h>

#include <platform/EFileError.h>
#include <platform/uHVUtils.h>

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

using namespace zorvel::model;

namespace {

const QString SectionShortcut = u"InternetShortcut"_s;
// Where the Windows shell keeps the real text (UTF-7) of values that its 8-bit
// [InternetShortcut] lines hold as "?".
const QString SectionShortcutW = u"InternetShortcut.W"_s;
const QString SectionPropertySet = u"{000214A0-0000-0000-C000-000000000046}"_s;

// The last path component.
QString FileNamePart(const QString& Path)
{
    return Path.mid(FileNameStart(Path));
}

void CheckReadablePath(const QString& FileName)
{
#ifdef Q_OS_WIN
    // The Windows file API refuses longer paths unless they carry the \\?\ prefix.
    if (FileName.size() >= 260 && !FileName.startsWith(u"\\\\?\\"_s))
        throw EFileError(FileName, u"Path too long"_s);
#endif
    const QFileInfo info(FileName);
    if (!info.exists() || info.isDir())
        throw EFileError(FileName, u"File not found"_s);
}

TIniFile LoadShortcutIni(const QString& FileName)
{
    CheckReadablePath(FileName);
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(FileName, u"Cannot open file"_s);
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFileError(FileName, u"Cannot read file"_s);
    // Only what the readers look at is kept: a huge or hostile file costs one pass.
    static const QStringList sections = {SectionShortcut, SectionShortcutW, SectionPropertySet};
    static const QStringList keys = {u"Title"_s,   u"URL"_s,     u"IconFile"_s,
                                     u"AddDate"_s, u"Comment"_s, u"Prop4"_s};
    TIniFile ini;
    ini.LoadFromData(data, sections, keys);
    return ini;
}

int Base64Value(char16_t c)
{
    if (c >= u'A' && c <= u'Z')
        return c - u'A';
    if (c >= u'a' && c <= u'z')
        return c - u'a' + 26;
    if (c >= u'0' && c <= u'9')
        return c - u'0' + 52;
    if (c == u'+')
        return 62;
    if (c == u'/')
        return 63;
    return -1;
}

// UTF-7 (RFC 2152) as the shell writes it: "+" opens a modified-base64 run of UTF-16
// code units, "-" (absorbed) or any non-base64 character closes it, "+-" is "+".
QString DecodeUtf7(const QString& Text)
{
    QString out;
    out.reserve(Text.size());
    const qsizetype n = Text.size();
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = Text[i].unicode();
        if (c != u'+') {
            out.append(QChar(c));
            ++i;
            continue;
        }
        ++i;
        if (i < n && Text[i] == u'-') {
            out.append(u'+');
            ++i;
            continue;
        }
        quint32 bits = 0;
        int bitCount = 0;
        while (i < n) {
            const int v = Base64Value(Text[i].unicode());
            if (v < 0)
                break;
            bits = (bits << 6) | quint32(v);
            bitCount += 6;
            if (bitCount >= 16) {
                bitCount -= 16;
                out.append(QChar(char16_t((bits >> bitCount) & 0xFFFF)));
            }
            ++i;
        }
        if (i < n && Text[i] == u'-')
            ++i;
    }
    return out;
}

// A key of [InternetShortcut], taken from [InternetShortcut.W] when that holds it.
QString ReadShortcutKey(const TIniFile& Ini, const QString& Key, const QString& Default)
{
    const QString wide = Ini.ReadString(SectionShortcutW, Key, QString());
    if (!wide.isEmpty())
        return DecodeUtf7(wide);
    return Ini.ReadString(SectionShortcut, Key, Default);
}

TDateTime CreationDate(const QString& FileName)
{
    const QDateTime t = FileCreationTime(FileName);
    return t.isValid() ? TDateTime::FromQDateTime(t) : TDateTime::Now();
}

// An INI value is one line: a line break would cut the value and start a new key.
QString SingleLine(const QString& Text)
{
    if (!Text.contains(u'\r') && !Text.contains(u'\n'))
        return Text;
    QString out = Text;
    out.replace(u"\r\n"_s, u" "_s);
    out.replace(u'\r', u' ');
    out.replace(u'\n', u' ');
    return out;
}

} // namespace

QString EncodeCommentLineBreaks(const QString& Text)
{
    QString out = TrimControlChars(Text);
    out.replace(u"\r\n"_s, u"\\n"_s);
    // A lone CR or LF would end the INI line and lose the rest of the comment (or
    // turn it into a key of its own), so it is written as a line break too.
    out.replace(u'\r', u"\\n"_s);
    out.replace(u'\n', u"\\n"_s);
    return out;
}

QString DecodeCommentLineBreaks(const QString& Text)
{
    QString out = TrimControlChars(Text);
    out.replace(u"\\n"_s, u"\r\n"_s);
    return out;
}

QString TextAfterComma(const QString& Text)
{
    const qsizetype i = Text.indexOf(u',');
    return i < 0 ? QString() : Text.mid(i + 1);
}

TWebSite WebSiteLoadFromUrlFile(const QString& FileName, const QString& Category)
{
    const TIniFile ini = LoadShortcutIni(FileName);

    QString baseName = FileNamePart(FileName);
    const qsizetype dot = baseName.lastIndexOf(u'.');
    if (dot >= 0)
        baseName.truncate(dot);

    TWebSite site;
    site.Title = ReadShortcutKey(ini, u"Title"_s, TrimControlChars(baseName));
    site.URL = ReadShortcutKey(ini, u"URL"_s, QString());
    site.IconURL = HttpURLOrEmpty(ReadShortcutKey(ini, u"IconFile"_s, QString()));

    // A missing or non-numeric AddDate (files made by the shell or a browser): the
    // file's creation time is the best guess of when the bookmark was made.
    const QString dateText = ReadShortcutKey(ini, u"AddDate"_s, QString());
    bool isInteger = false;
    const qlonglong seconds = dateText.toLongLong(&isInteger, 10);
    constexpr qlonglong MaxSeconds = 9'000'000'000'000'000LL; // milliseconds fit 64 bits
    if (isInteger && seconds <= MaxSeconds && seconds >= -MaxSeconds)
        site.AddDate = UnixTextToDate(dateText);
    else
        site.AddDate = CreationDate(FileName);

    site.Comment = DecodeCommentLineBreaks(ReadShortcutKey(ini, u"Comment"_s, QString()));
    site.Category = Category;
    site.Selected = false;
    site.Visible = true;
    return site;
}

TWebSite WebSiteLoadFromWebsiteFile(const QString& FileName, const QString& Category)
{
    const TIniFile ini = LoadShortcutIni(FileName);

    TWebSite site;
    site.AddDate = CreationDate(FileName);
    site.Title =
        TrimControlChars(TextAfterComma(ini.ReadString(SectionPropertySet, u"Prop4"_s, QString())));
    site.URL = ReadShortcutKey(ini, u"URL"_s, QString());
    site.Comment = TrimControlChars(ReadShortcutKey(ini, u"Comment"_s, QString()));
    site.IconURL = HttpURLOrEmpty(ReadShortcutKey(ini, u"IconFile"_s, QString()));
    site.Category = Category;
    site.Selected = false;
    site.Visible = true;
    return site;
}

void WebSiteSaveToUrlFile(const TWebSite& Site, const QString& FileName)
{
    // Replace the last extension of the last path component (or append one).
    const qsizetype dot = ExtensionDot(FileName);
    const QString path = (dot >= 0 ? FileName.left(dot) : FileName) + u".url"_s;

    TIniFile ini;
    const QFileInfo existing(path);
    if (existing.isDir())
        throw EFileError(path, u"Cannot create file"_s);
    if (existing.exists()) {
        // Keep the other keys and sections (IconIndex, HotKey, property sets ...).
        CheckReadablePath(path);
        ini.LoadFromFile(path);
    }

    const std::pair<QString, QString> values[] = {
        {u"Title"_s, SingleLine(Site.Title)},
        {u"URL"_s, SingleLine(Site.URL)},
        {u"IconFile"_s, SingleLine(Site.IconURL)},
        {u"AddDate"_s, DateToUnixText(Site.AddDate)},
        {u"Category"_s, SingleLine(Site.Category)},
        {u"Comment"_s, EncodeCommentLineBreaks(Site.Comment)},
    };
    for (const auto& [key, value] : values) {
        ini.WriteString(SectionShortcut, key, value);
        // A stale wide copy would win over the new value on the next read.
        ini.DeleteKey(SectionShortcutW, key);
    }
    ini.SaveToFile(path);
}
