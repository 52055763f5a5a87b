// Internet Shortcut (.url) and pinned website (.website) files.

#include <model/uIniFile.h>
#include <model/uPathText.h>
#include <model/uWebSiteShortcutFiles.h>

#include <platform/EFileError.h>
#include <platform/uOsServices.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// A whole file read for the shortcut readers and writer, with the time it was made
// when that came for free.
struct TFileContent
{
    enum TKind
    {
        Missing,
        Folder,
        File
    } Kind = Missing;
    QByteArray Data;
    QDateTime Created; // invalid: not known yet
};

#ifdef Q_OS_LINUX
QString SystemReason(int Error)
{
    return QString::fromLocal8Bit(std::strerror(Error));
}

// open, statx (size, type and birth time in one call), read, close: a folder scan
// of many small files is bound by system calls, so nothing is asked twice.
TFileContent ReadFileContent(const QString& FileName)
{
    TFileContent out;
    const QByteArray name = QFile::encodeName(FileName);
    int fd;
    do
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return out;
        if (errno == EISDIR) {
            out.Kind = TFileContent::Folder;
            return out;
        }
        throw EFileError(FileName, u"Cannot open file (%1)"_s.arg(SystemReason(errno)));
    }
    struct FdCloser
    {
        int Fd;
        ~FdCloser() { ::close(Fd); }
    } closer{fd};

    struct statx st
    {
    };
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME, &st)
        != 0)
        throw EFileError(FileName, u"Cannot read file (%1)"_s.arg(SystemReason(errno)));
    if (S_ISDIR(st.stx_mode)) {
        out.Kind = TFileContent::Folder;
        return out;
    }
    const statx_timestamp& made = (st.stx_mask & STATX_BTIME) ? st.stx_btime : st.stx_mtime;
    // In the system's zone, looked up once: a conversion to "local time" asks the C
    // library, which checks /etc/localtime again for every file.
    static const QTimeZone zone = QTimeZone::systemTimeZone();
    out.Created =
        QDateTime::fromMSecsSinceEpoch(qint64(made.tv_sec) * 1000 + made.tv_nsec / 1000000, zone);

    // One byte more than the size asked for: a short read then says the end is
    // reached, with no second read to find it. A file that grew is read on.
    qsizetype capacity = qsizetype(qMin<quint64>(st.stx_size, quint64(1) << 30)) + 1;
    out.Data.resize(capacity);
    qsizetype got = 0;
    for (;;) {
        const ssize_t n = ::read(fd, out.Data.data() + got, size_t(capacity - got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EFileError(FileName, u"Cannot read file (%1)"_s.arg(SystemReason(errno)));
        }
        got += n;
        if (n == 0 || (got < capacity && got == qsizetype(st.stx_size)))
            break;
        if (got == capacity) {
            capacity += qMax<qsizetype>(capacity, 4096);
            out.Data.resize(capacity);
        }
    }
    out.Data.truncate(got);
    out.Kind = TFileContent::File;
    return out;
}
#else
TFileContent ReadFileContent(const QString& FileName)
{
    TFileContent out;
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) {
        const QFileInfo info(FileName);
        if (info.isDir())
            out.Kind = TFileContent::Folder;
        else if (info.exists())
            throw EFileError(FileName, u"Cannot open file (%1)"_s.arg(file.errorString()));
        return out;
    }
    out.Data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFileError(FileName, u"Cannot read file (%1)"_s.arg(file.errorString()));
    out.Kind = TFileContent::File;
    return out;
}
#endif

struct TShortcutIni
{
    TIniFile Ini;
    QDateTime Created;
};

TShortcutIni LoadShortcutIni(const QString& FileName)
{
#ifdef Q_OS_WIN
    // The Windows file API refuses longer paths unless they carry the \\?\ prefix.
    if (FileName.size() >= 260 && !FileName.startsWith(u"\\\\?\\"_s))
        throw EFileError(FileName, u"Path too long"_s);
#endif
    TFileContent content = ReadFileContent(FileName);
    if (content.Kind != TFileContent::File)
        throw EFileError(FileName, u"File not found"_s);
    // Only what the readers look at is kept: a huge or hostile file costs one pass.
    static const QStringList sections = {SectionShortcut, SectionShortcutW, SectionPropertySet};
    static const QStringList keys = {u"Title"_s,   u"URL"_s,     u"IconFile"_s,
                                     u"AddDate"_s, u"Comment"_s, u"Prop4"_s};
    TShortcutIni out;
    out.Ini.LoadFromData(content.Data, sections, keys);
    out.Created = content.Created;
    return out;
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

TDateTime CreationDate(const QString& FileName, const QDateTime& Known)
{
    const QDateTime t = Known.isValid() ? Known : FileCreationTime(FileName);
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
    const TShortcutIni loaded = LoadShortcutIni(FileName);
    const TIniFile& ini = loaded.Ini;

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
        site.AddDate = CreationDate(FileName, loaded.Created);

    site.Comment = DecodeCommentLineBreaks(ReadShortcutKey(ini, u"Comment"_s, QString()));
    site.Category = Category;
    site.Selected = false;
    site.Visible = true;
    return site;
}

TWebSite WebSiteLoadFromWebsiteFile(const QString& FileName, const QString& Category)
{
    const TShortcutIni loaded = LoadShortcutIni(FileName);
    const TIniFile& ini = loaded.Ini;

    TWebSite site;
    site.AddDate = CreationDate(FileName, loaded.Created);
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

    // Keep the other keys and sections of an existing file (IconIndex, HotKey,
    // property sets ...), and leave it untouched when nothing would change.
    const TFileContent existing = ReadFileContent(path);
    if (existing.Kind == TFileContent::Folder)
        throw EFileError(path, CannotCreateFileReason(QStringLiteral("Is a directory")));
    TIniFile ini;
    if (existing.Kind == TFileContent::File)
        ini.LoadFromData(existing.Data);

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
    ini.SaveToFileOver(path, existing.Kind == TFileContent::File ? &existing.Data : nullptr);
}
