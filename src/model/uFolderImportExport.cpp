// Folder import (any supported file, or a whole tree of them) and the export of
// the selected entries as a folder tree of Internet Shortcut files.

#include <model/uFolderImportExport.h>

#include <model/uBookmarkHtmlImport.h>
#include <model/uPathText.h>
#include <model/uWebSiteShortcutFiles.h>

#include <platform/EFileError.h>
#include <platform/uHVUtils.h>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUrl>

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

// Identity of a written file within one export.
QString FileKey(const QString& Path)
{
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
    return Path.toCaseFolded(); // the usual file systems there ignore letter case
#else
    return Path;
#endif
}

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

void WebSitesLoadFromFile(TWebSiteList& List, const QString& FileName, const QString& Category)
{
    const QString ext = UpperExtension(FileName);
    if (ext == u".URL"_s) {
        WebSitesAdd(List, WebSiteLoadFromUrlFile(FileName, Category));
    } else if (ext == u".WEBSITE"_s) {
        WebSitesAdd(List, WebSiteLoadFromWebsiteFile(FileName, Category));
    } else if (ext == u".HTML"_s || ext == u".HTM"_s) {
        // The file's own folders give the categories.
        WebSitesLoadFromHtml(List, FileName);
    } else {
        return;
    }
    ++List.Stats.Files;
}

QList<TPathToLoad> WebSitesFilesOfPath(const QString& Path)
{
    QList<TPathToLoad> files;
    const QFileInfo info(Path);
    if (info.isDir()) {
        CollectFolder(Path, QString(), files);
        files.removeIf([](const TPathToLoad& f) { return IsForeignHtmlFile(f.FileName); });
    } else if (info.exists())
        files.append({Path, QString()});
    return files;
}

void WebSitesLoadFromPath(TWebSiteList& List, const QString& Path)
{
    for (const TPathToLoad& f : WebSitesFilesOfPath(Path))
        WebSitesLoadFromFile(List, f.FileName, f.Category);
}

qint64 WebSitesLoadAllocationEstimate(const QStringList& Paths)
{
    qint64 bytes = 0;
    for (const QString& p : Paths) {
        const QFileInfo info(p);
        if (info.isFile())
            bytes += info.size();
    }
    // The data itself, and about twice its size for the entries: UTF-16 doubles
    // the text that is kept.
    return bytes * 3;
}

void WebSitesSaveToFolder(const TWebSiteList& List, const QString& Folder)
{
    if (Folder.isEmpty())
        return; // no folder chosen: never write into the file system's root
    QString base = Folder;
    if (!IsPathSeparator(base.back()))
        base += u'/';

    // Files written by this export: a second entry whose title maps to the same file
    // gets a numbered name instead of replacing the first one.
    QSet<QString> written;
    for (const TWebSite& site : List) {
        if (!site.Selected || !site.Visible)
            continue;
        const QString dir = base + CategoryFolderPath(site.Category);
        if (!QFileInfo(dir).isDir() && !ForcePath(dir))
            throw EFileError(dir, u"Cannot create folder"_s);

        const QString name = dir + EntryFileName(site);
        QString fileName = name + u".url"_s;
        for (int n = 2; written.contains(FileKey(fileName)); ++n)
            fileName = name + u" ("_s + QString::number(n) + u").url"_s;
        written.insert(FileKey(fileName));
        WebSiteSaveToUrlFile(site, fileName);
    }
}
