// Folder import (any supported file, or a whole tree of them) and the export of
// the selected entries as a folder tree of Internet Shortcut files.

#include <model/uFolderImportExport.h>

#include <model/uBookmarkHtmlImport.h>
#include <model/uPathText.h>
#include <model/uProfileBookmarks.h>
#include <model/uReadProgress.h>
#include <model/uServiceExports.h>
#include <model/uSiteText.h>
#include <model/uWebSiteShortcutFiles.h>

#include <platform/EFileError.h>
#include <platform/uOsServices.h>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QUrl>

#include <vector>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;

using namespace zorvel::model;

namespace {

// Extension of the last path component from its last ".", ASCII letters upper-cased.
QString UpperExtension(const QString& FileName)
{
    const qsizetype dot = ExtensionDot(FileName);
    if (dot < 0)
        return QString();
    QString ext = FileName.mid(dot);
    for (QChar& c : ext)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    return ext;
}

#ifdef Q_OS_UNIX
// A folder's entries as the directory listing gives them: the type it reports
// saves a status query per file. Only where it cannot tell (some file systems),
// and for links, which are followed to files but never to folders, is the entry
// looked at. Names that do not survive decoding (not UTF-8) could not be opened
// by the decoded name, so they are left out. The folder is closed before any
// sub-folder is opened: a deep tree holds one open folder at a time.
struct TDirEntry
{
    QString Name;
    bool IsDir = false;
};

std::vector<TDirEntry> ListFolder(const QString& Dir)
{
    std::vector<TDirEntry> out;
    const QByteArray dirName = QFile::encodeName(Dir);
    DIR* d = ::opendir(dirName.constData());
    if (!d)
        return out; // unreadable: nothing in it is read, as with any listing
    while (const dirent* e = ::readdir(d)) {
        const char* raw = e->d_name;
        if (raw[0] == '.' && (raw[1] == 0 || (raw[1] == '.' && raw[2] == 0)))
            continue;
        unsigned char type = e->d_type;
        struct stat st
        {
        };
        if (type == DT_UNKNOWN) {
            if (::fstatat(::dirfd(d), raw, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue; // gone meanwhile
            type = S_ISREG(st.st_mode)   ? DT_REG
                   : S_ISDIR(st.st_mode) ? DT_DIR
                   : S_ISLNK(st.st_mode) ? DT_LNK
                                         : DT_UNKNOWN;
        }
        if (type == DT_LNK) {
            if (::fstatat(::dirfd(d), raw, &st, 0) != 0 || !S_ISREG(st.st_mode))
                continue; // a broken link, or one to a folder
            type = DT_REG;
        }
        if (type != DT_REG && type != DT_DIR)
            continue;
        const QString name = QFile::decodeName(raw);
        if (QFile::encodeName(name) != QByteArrayView(raw))
            continue;
        out.push_back({name, type == DT_DIR});
    }
    ::closedir(d);
    return out;
}

// Depth-first in the order the file system lists each folder; hidden files
// included. Iterative, so a deep tree cannot exhaust the stack.
void CollectFolder(const QString& Dir, const QString& Sub, QList<TPathToLoad>& Files)
{
    struct TFrame
    {
        QString Dir; // ends with "/"
        QString Sub;
        std::vector<TDirEntry> Entries;
        size_t Next = 0;
    };
    std::vector<TFrame> stack;
    const QString top = Dir.endsWith(u'/') ? Dir : Dir + u'/';
    stack.push_back({top, Sub, ListFolder(top), 0});
    while (!stack.empty()) {
        TFrame& frame = stack.back();
        if (frame.Next == frame.Entries.size()) {
            stack.pop_back();
            continue;
        }
        const TDirEntry& entry = frame.Entries[frame.Next++];
        const QString path = frame.Dir + entry.Name;
        if (!entry.IsDir) {
            Files.append({path, frame.Sub});
            continue;
        }
        const QString dir = path + u'/';
        QString sub = frame.Sub.isEmpty() ? entry.Name : frame.Sub + u'\\' + entry.Name;
        std::vector<TDirEntry> entries = ListFolder(dir);
        stack.push_back({dir, std::move(sub), std::move(entries), 0}); // frame is stale now
    }
}
#else
// Depth-first in the order the file system lists each folder; hidden and system
// files included. Links to folders are not followed, so a link cycle cannot loop.
void CollectFolder(const QString& Dir, const QString& Sub, QList<TPathToLoad>& Files)
{
    QDirIterator it(Dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isDir()) {
            if (info.isSymLink() || info.isJunction())
                continue;
            const QString name = info.fileName();
            CollectFolder(info.filePath(), Sub.isEmpty() ? name : Sub + u'\\' + name, Files);
        } else if (info.isFile()) {
            Files.append({info.filePath(), Sub});
        }
    }
}
#endif

// A web page met in a folder tree (saved pages, documentation) is not taken for a
// bookmark file: that needs the bookmark file declaration at its start. A file
// whose start cannot be read stays, so that reading it reports the error.
bool IsForeignHtmlFile(const QString& FileName)
{
    const QString ext = UpperExtension(FileName);
    if (ext != u".HTML"_s && ext != u".HTM"_s)
        return false;
    QFile file(FileName);
    return file.open(QIODevice::ReadOnly) && !IsNetscapeBookmarkFileHead(file.read(1024));
}

// Longest file or folder name written, in UTF-8 bytes: file systems allow 255 (bytes
// on Linux, UTF-16 units on Windows), and " (n).url" must still fit after it.
constexpr qsizetype MaxNameBytes = 200;

// A title or category component as a name the file system takes: the reserved
// characters replaced, control characters (a tab or line break in a title, which
// Windows refuses) too, and a long name cut. The full texts stay inside the file.
QString ExportName(const QString& Text)
{
    QString name = SanitizeFileName(Text);
    for (QChar& c : name)
        if (c.unicode() < 32)
            c = u'_';
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < name.size()
                          && QChar::isLowSurrogate(name[i + 1].unicode());
        const qsizetype width = pair ? 4 : (c < 0x80 ? 1 : (c < 0x800 ? 2 : 3));
        if (bytes + width > MaxNameBytes) {
            name.truncate(i);
            break;
        }
        bytes += width;
        if (pair)
            ++i;
    }
    return name;
}

// The file name of an entry: its title, or for an entry whose title gives no usable
// name (empty, or only dots and spaces, which would make a hidden or nameless file)
// the host name of its address, and failing that "Untitled".
QString EntryFileName(const TWebSite& Site)
{
    auto Usable = [](const QString& Name) {
        for (const QChar c : Name)
            if (c != u'.' && c != u' ')
                return true;
        return false;
    };
    QString name = ExportName(Site.Title);
    if (!Usable(name))
        name = ExportName(QUrl(Site.URL).host());
    if (!Usable(name))
        name = u"Untitled"_s;
    return name;
}

// A category as a relative folder path: every component sanitised like a file name,
// and one that is empty, "." or ".." becomes "_", so nothing lands outside the
// chosen folder. Ends with "/" unless empty.
QString CategoryFolderPath(const QString& Category)
{
    if (Category.isEmpty())
        return QString();
    QString out;
    for (const QStringView component : QStringView(Category).split(u'\\')) {
        QString name = ExportName(component.toString());
        if (name.isEmpty() || name == u"."_s || name == u".."_s)
            name = u"_"_s;
        out += name;
        out += u'/';
    }
    return out;
}

// A path as the file system will compare it: the bytes the name is stored as (on
// Unix the encoded name, in which different lone surrogates can become the same
// bytes), letter case folded where the usual file systems ignore it.
QByteArray DiskKey(const QString& Path)
{
#if defined(Q_OS_WIN)
    // Windows also drops the dots and blanks that end a path component.
    const QString path = QDir::fromNativeSeparators(Path);
    const QList<QStringView> parts = QStringView(path).split(u'/');
    QString folded;
    folded.reserve(path.size());
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QStringView part = parts[i];
        while (!part.isEmpty() && (part.back() == u'.' || part.back() == u' '))
            part.chop(1);
        if (i > 0)
            folded += u'/';
        folded += part.toString().toCaseFolded();
    }
    return QByteArray(reinterpret_cast<const char*>(folded.utf16()), folded.size() * 2);
#elif defined(Q_OS_DARWIN)
    return QFile::encodeName(Path.toCaseFolded());
#else
    return QFile::encodeName(Path);
#endif
}

// The file names one folder export has used. Equal titles are numbered " (2)",
// " (3)" ...; the next number to try is kept per name, so many equal titles cost
// one lookup each instead of a walk over all the numbers taken before.
class TExportNames
{
public:
    QString Take(const QString& Stem)
    {
        QString fileName = Stem + u".url"_s;
        QByteArray key = DiskKey(fileName);
        if (FTaken.contains(key)) {
            int& next = FNext[DiskKey(Stem)];
            if (next < 2)
                next = 2;
            do {
                fileName = Stem + u" ("_s + QString::number(next++) + u").url"_s;
                key = DiskKey(fileName);
            } while (FTaken.contains(key));
        }
        FTaken.insert(key);
        return fileName;
    }

private:
    QSet<QByteArray> FTaken;
    QHash<QByteArray, int> FNext;
};

} // namespace

QString SanitizeFileName(const QString& Text)
{
    QString out = Text;
    for (QChar& c : out) {
        switch (c.unicode()) {
        case u'/':
        case u'\\':
        case u'<':
        case u'>':
        case u'*':
        case u'?':
        case u'"':
        case u'|':
        case u':':
        case u';':
            c = u'_';
            break;
        default:
            break;
        }
    }
    return out;
}

bool WebSitesLoadFromFile(TWebSiteList& List, const QString& FileName, const QString& Category)
{
    const TSiteTextChunks chunks;
    const QString ext = UpperExtension(FileName);
    if (ext == u".URL"_s) {
        WebSitesAdd(List, WebSiteLoadFromUrlFile(FileName, Category));
    } else if (ext == u".WEBSITE"_s) {
        WebSitesAdd(List, WebSiteLoadFromWebsiteFile(FileName, Category));
    } else if (ext == u".HTML"_s || ext == u".HTM"_s) {
        // The file's own folders give the categories.
        WebSitesLoadFromHtml(List, FileName);
    } else if (!WebSitesLoadFromBrowserFile(List, FileName)
               && !WebSitesLoadFromServiceFile(List, FileName)) {
        return false; // browser profiles' and services' files are known by content
    }
    ++List.Stats.Files;
    return true;
}

QList<TPathToLoad> WebSitesFilesOfPath(const QString& Path)
{
    QList<TPathToLoad> files;
    const QFileInfo info(Path);
    if (info.isDir()) {
        CollectFolder(Path, QString(), files);
        files.removeIf([](const TPathToLoad& f) { return IsForeignHtmlFile(f.FileName); });
    } else if (info.exists())
        files.append({Path, QString(), true});
    return files;
}

void WebSitesLoadFromPath(TWebSiteList& List, const QString& Path)
{
    const TSiteTextChunks chunks; // one scope for a whole folder of small files
    for (const TPathToLoad& f : WebSitesFilesOfPath(Path))
        if (!WebSitesLoadFromFile(List, f.FileName, f.Category) && f.Named)
            List.Stats.NotBookmarkFiles.append(f.FileName);
}

void WebSitesLoadFromPaths(TWebSiteList& List, const QStringList& Paths)
{
    const TSiteTextChunks chunks; // one scope for a whole folder of small files
    QList<TPathToLoad> files;
    for (const QString& path : Paths)
        files += WebSitesFilesOfPath(path);
    TReadProgress* const progress = CurrentReadProgress();
    // The progress counts bytes: a shortcut file counts as a small fixed size (a
    // large tree is not asked for the size of every file), any other by its size.
    constexpr qint64 SmallFile = 1024;
    std::vector<qint64> weights;
    qint64 all = 0;
    if (progress) {
        weights.reserve(size_t(files.size()));
        for (const TPathToLoad& f : files) {
            const QString ext = UpperExtension(f.FileName);
            const bool shortcut = ext == u".URL"_s || ext == u".WEBSITE"_s;
            weights.push_back(shortcut ? SmallFile : qMax(SmallFile, QFileInfo(f.FileName).size()));
            all += weights.back();
        }
    }
    struct TEndParts
    {
        TReadProgress* Progress;
        ~TEndParts()
        {
            if (Progress)
                Progress->SetPart(0, 0, 0);
        }
    } endParts{progress};
    qint64 done = 0;
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (progress) {
            progress->SetPart(done, weights[size_t(i)], all);
            progress->Report(0, 1); // and stops here when cancelled
            done += weights[size_t(i)];
        }
        // A file that vanished since the list was made is passed over.
        if (QFileInfo(files[i].FileName).isFile()
            && !WebSitesLoadFromFile(List, files[i].FileName, files[i].Category) && files[i].Named)
            List.Stats.NotBookmarkFiles.append(files[i].FileName);
    }
}

qint64 WebSitesLoadAllocationEstimate(const QStringList& Paths)
{
    qint64 bytes = 0;
    for (const QString& p : Paths) {
        const QFileInfo info(p);
        if (info.isFile())
            bytes += info.size();
    }
    // The entries keep their texts in one byte a character where they can, and a
    // large file is mapped rather than copied to the heap: the file's size is
    // an upper bound of what the list needs.
    return bytes;
}

qsizetype WebSitesSaveToFolder(const TWebSiteList& List, const QString& Folder)
{
    if (Folder.isEmpty())
        return 0; // no folder chosen: never write into the file system's root
    QString base = Folder;
    if (!IsPathSeparator(base.back()))
        base += u'/';

    // A second entry whose title maps to a file name already written gets a
    // numbered name instead of replacing the first one.
    TExportNames names;
    QSet<QString> folders; // made or found already: one check per folder
    qsizetype written = 0;
    for (const TWebSite& site : List) {
        if (!site.Selected || !site.Visible)
            continue;
        const QString dir = base + CategoryFolderPath(site.Category);
        if (!folders.contains(dir)) {
            if (!QFileInfo(dir).isDir() && !ForcePath(dir))
                throw EFileError(dir, CannotCreateFolderReason(qt_error_string()));
            folders.insert(dir);
        }
        WebSiteSaveToUrlFile(site, names.Take(dir + EntryFileName(site)));
        ++written;
    }
    return written;
}
