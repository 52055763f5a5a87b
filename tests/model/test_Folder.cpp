#include <model/uFolderImportExport.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <gtest/gtest.h>

#include "PrintQt.h"

#include <map>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

void WriteBytes(const QString& path, const QByteArray& data)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(data), data.size());
}

QByteArray UrlFile(const char* url)
{
    return QByteArray("[InternetShortcut]\r\nURL=") + url + "\r\n";
}

// URL -> category of every entry.
std::map<QString, QString> Categories(const TWebSiteList& list)
{
    std::map<QString, QString> out;
    for (const TWebSite& s : list)
        out[s.URL] = s.Category;
    return out;
}

// Every file below root, as relative paths with "/".
QStringList FilesBelow(const QString& root)
{
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out.append(QDir(root).relativeFilePath(it.next()));
    out.sort();
    return out;
}

TWebSite Entry(const QString& title, const QString& url, const QString& category,
               bool selected = true, bool visible = true)
{
    TWebSite s;
    s.Title = title;
    s.URL = url;
    s.Category = category;
    s.Selected = selected;
    s.Visible = visible;
    s.AddDate = TDateTime::FromMilliseconds(UnixEpochDateTime.ToMilliseconds() + 86400000);
    return s;
}

class Folder : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Dir.isValid()); }
    QString Path(const QString& name) const { return Dir.filePath(name); }
    QTemporaryDir Dir;
};

} // namespace

TEST_F(Folder, LoadsTreeWithSubfolderCategories)
{
    const QString links = Path(u"Links"_s);
    WriteBytes(links + u"/a.url"_s, UrlFile("http://a/"));
    WriteBytes(links + u"/Sub/b.url"_s, UrlFile("http://b/"));
    WriteBytes(links + u"/Sub/Deep/c.website"_s, UrlFile("http://c/"));
    WriteBytes(links + u"/News/LINK.URL"_s, UrlFile("http://link/"));
    WriteBytes(links + u"/.hidden/.h.url"_s, UrlFile("http://hidden/"));
    WriteBytes(links + u"/readme.txt"_s, UrlFile("http://txt/"));
    WriteBytes(links + u"/Sub/ftp.url"_s, UrlFile("ftp://x/"));
    // A link back up the tree must not be followed (it would never end).
    ASSERT_TRUE(QFile::link(links, links + u"/Sub/loop"_s));
    WriteBytes(Path(u"elsewhere/ext.url"_s), UrlFile("http://ext/"));
    ASSERT_TRUE(QFile::link(Path(u"elsewhere/ext.url"_s), links + u"/Sub/alias.url"_s));

    TWebSiteList list;
    WebSitesLoadFromPath(list, links);
    EXPECT_EQ(Categories(list), (std::map<QString, QString>{
                                    {u"http://a/"_s, QString()},
                                    {u"http://b/"_s, u"Sub"_s},
                                    {u"http://c/"_s, u"Sub\\Deep"_s},
                                    {u"http://link/"_s, u"News"_s},
                                    {u"http://hidden/"_s, u".hidden"_s},
                                    {u"http://ext/"_s, u"Sub"_s},
                                }));
    // Seven shortcut files read (the linked file and the ftp one too); the .txt
    // file is skipped, the ftp entry dropped.
    EXPECT_EQ(list.Stats.Files, 7);
    EXPECT_EQ(list.Stats.Added, 6);
    EXPECT_EQ(list.Stats.Skipped, 1);
}

TEST_F(Folder, LoadsSingleFileOrNothing)
{
    WriteBytes(Path(u"Sub/one.url"_s), UrlFile("http://one/"));
    TWebSiteList list;
    WebSitesLoadFromPath(list, Path(u"Sub/one.url"_s));
    WebSitesLoadFromPath(list, Path(u"does-not-exist"_s));
    WebSitesLoadFromPath(list, Path(u"Sub/none.url"_s));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].Category, QString());
    EXPECT_EQ(list[0].Title, u"one"_s);
    EXPECT_EQ(list.Stats.Files, 1);
}

// In a folder walk only bookmark files count among the HTML files: a saved web page
// or documentation is passed over. A file the user names is read whatever it holds.
TEST_F(Folder, WalkReadsBookmarkFilesButNotWebPages)
{
    const QByteArray page = "<!DOCTYPE html>\n<html><head><title>Docs</title></head><body>\n"
                            "<a href=\"http://page-link/\">a link in a page</a></body></html>\n";
    WriteBytes(Path(u"docs/index.html"_s), page);
    WriteBytes(Path(u"docs/Saved/bookmarks.htm"_s),
               "<!-- exported -->\n<!doctype netscape-bookmark-file-1>\n"
               "<DL><p><DT><A HREF=\"http://bookmark/\">b</A></DL>\n");
    WriteBytes(Path(u"docs/link.url"_s), UrlFile("http://shortcut/"));

    const QList<TPathToLoad> files = WebSitesFilesOfPath(Path(u"docs"_s));
    ASSERT_EQ(files.size(), 2);
    TWebSiteList list;
    WebSitesLoadFromPath(list, Path(u"docs"_s));
    EXPECT_EQ(Categories(list), (std::map<QString, QString>{{u"http://bookmark/"_s, QString()},
                                                            {u"http://shortcut/"_s, QString()}}));
    EXPECT_EQ(list.Stats.Files, 2);

    WebSitesLoadFromPath(list, Path(u"docs/index.html"_s));
    EXPECT_GE(list.IndexOfURL(u"http://page-link/"_s), 0);
}

// A file that cannot be read ends the load with the file's name; what was added stays.
TEST_F(Folder, UnreadableFileRaisesAndKeepsEarlierRecords)
{
    const QString bad = Path(u"scan/bad.url"_s);
    ASSERT_TRUE(QDir().mkpath(Path(u"scan"_s)));
    // Opening works, reading fails.
    ASSERT_TRUE(QFile::link(u"/proc/self/mem"_s, bad));

    TWebSiteList list;
    WriteBytes(Path(u"ok.url"_s), UrlFile("http://ok/"));
    WebSitesLoadFromPath(list, Path(u"ok.url"_s));
    try {
        WebSitesLoadFromPath(list, Path(u"scan"_s));
        FAIL() << "no error raised";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.FileName(), bad);
    }
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].URL, u"http://ok/"_s);
}

TEST(FolderNames, SanitizeFileName)
{
    EXPECT_EQ(SanitizeFileName(u"A/B: C?"_s), u"A_B_ C_"_s);
    EXPECT_EQ(SanitizeFileName(u"/\\<>*?\"|:;"_s), u"__________"_s);
    EXPECT_EQ(SanitizeFileName(u"Chapter 3.2 summary \u65E5 'x' [y] #%&"_s),
              u"Chapter 3.2 summary \u65E5 'x' [y] #%&"_s);
}

TEST_F(Folder, ExportWritesSelectedVisibleEntries)
{
    const QString out = Path(u"Out"_s);
    WriteBytes(out + u"/Old.url"_s, QByteArray("[InternetShortcut]\r\nURL=http://old/\r\n"
                                               "IconIndex=3\r\n"));
    TWebSiteList list;
    list.Append(Entry(u"A/B: C?"_s, u"http://1/"_s, u"Work\\Dev"_s));
    list.Append(Entry(u"Chapter 3.2 summary"_s, u"http://2/"_s, QString()));
    list.Append(Entry(QString(), u"http://three.example/"_s, u"Misc"_s)); // named by its host
    list.Append(Entry(u"unselected"_s, u"http://4/"_s, QString(), false, true));
    list.Append(Entry(u"hidden"_s, u"http://5/"_s, QString(), true, false));
    list.Append(Entry(u"Old"_s, u"http://6/"_s, QString()));
    WebSitesSaveToFolder(list, out); // no trailing separator

    EXPECT_EQ(FilesBelow(out),
              QStringList({u"Chapter 3.2 summary.url"_s, u"Misc/three.example.url"_s, u"Old.url"_s,
                           u"Work/Dev/A_B_ C_.url"_s}));
    // An existing shortcut is updated in place: its other keys stay.
    QFile old(out + u"/Old.url"_s);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    const QByteArray oldData = old.readAll();
    EXPECT_TRUE(oldData.contains("URL=http://6/\r\nIconIndex=3\r\n")) << oldData.constData();
}

// Names the file system would refuse: control characters, and names longer than
// 255 bytes (90 Japanese characters are 270 bytes of UTF-8).
TEST_F(Folder, ExportMakesNamesTheFileSystemTakes)
{
    const QString longTitle = QString(90, QChar(0x65E5)) + u"\U0001F600"_s;
    TWebSiteList list;
    list.Append(Entry(u"tab\there\nline"_s, u"http://1/"_s, u"Cat\tX"_s));
    list.Append(Entry(longTitle, u"http://2/"_s, longTitle));
    list.Append(Entry(longTitle + u"second"_s, u"http://3/"_s, longTitle));
    WebSitesSaveToFolder(list, Path(u"Out"_s));

    const QString cut = QString(66, QChar(0x65E5)); // 198 bytes; the next one would pass 200
    EXPECT_EQ(FilesBelow(Path(u"Out"_s)),
              QStringList({u"Cat_X/tab_here_line.url"_s, cut + u"/"_s + cut + u" (2).url"_s,
                           cut + u"/"_s + cut + u".url"_s}));
    TWebSiteList back;
    WebSitesLoadFromPath(back, Path(u"Out"_s));
    ASSERT_EQ(back.Count(), 3);
    EXPECT_EQ(back[back.IndexOfURL(u"http://2/"_s)].Title, longTitle); // the full title
    WebSitesSaveToFolder(list, QString());                             // no folder: nothing happens
}

// Titles that map to one file name, and categories that would leave the folder.
TEST_F(Folder, ExportAvoidsCollisionsAndEscapes)
{
    const QString out = Path(u"Out"_s);
    TWebSiteList list;
    list.Append(Entry(u"Same"_s, u"http://1/"_s, QString()));
    list.Append(Entry(u"Same"_s, u"http://2/"_s, QString()));
    list.Append(Entry(u"Sa:me"_s, u"http://3/"_s, u"A"_s));
    list.Append(Entry(u"Sa?me"_s, u"http://4/"_s, u"A"_s));
    list.Append(Entry(u"Sa*me"_s, u"http://5/"_s, u"A"_s));
    list.Append(Entry(u"up"_s, u"http://6/"_s, u"..\\..\\x"_s));
    list.Append(Entry(u"dots"_s, u"http://7/"_s, u".\\a:b\\\\"_s));
    list.Append(Entry(u"lead"_s, u"http://8/"_s, u"\\L"_s));
    WebSitesSaveToFolder(list, out + u"/"_s);

    EXPECT_EQ(FilesBelow(Dir.path()),
              QStringList({u"Out/A/Sa_me (2).url"_s, u"Out/A/Sa_me (3).url"_s, u"Out/A/Sa_me.url"_s,
                           u"Out/Same (2).url"_s, u"Out/Same.url"_s, u"Out/_/L/lead.url"_s,
                           u"Out/_/_/x/up.url"_s, u"Out/_/a_b/_/_/dots.url"_s}));

    // Read back: every entry once, with its sanitised category.
    TWebSiteList back;
    WebSitesLoadFromPath(back, out);
    EXPECT_EQ(Categories(back), (std::map<QString, QString>{
                                    {u"http://1/"_s, QString()},
                                    {u"http://2/"_s, QString()},
                                    {u"http://3/"_s, u"A"_s},
                                    {u"http://4/"_s, u"A"_s},
                                    {u"http://5/"_s, u"A"_s},
                                    {u"http://6/"_s, u"_\\_\\x"_s},
                                    {u"http://7/"_s, u"_\\a_b\\_\\_"_s},
                                    {u"http://8/"_s, u"_\\L"_s},
                                }));
    // Exporting the same list again updates the same files.
    WebSitesSaveToFolder(list, out);
    EXPECT_EQ(FilesBelow(out).size(), 8);
}

// An entry without a usable title is not written as the hidden file ".url".
TEST_F(Folder, ExportNamesUntitledEntriesByHost)
{
    const QString out = Path(u"Out"_s);
    TWebSiteList list;
    list.Append(Entry(QString(), u"https://www.example.org/page"_s, QString()));
    list.Append(Entry(u".."_s, u"http://news.example/"_s, QString()));
    list.Append(Entry(u" "_s, u"http://"_s, QString()));
    list.Append(Entry(QString(), u"https://www.example.org/other"_s, QString()));
    WebSitesSaveToFolder(list, out);
    EXPECT_EQ(FilesBelow(out),
              QStringList({u"Untitled.url"_s, u"news.example.url"_s, u"www.example.org (2).url"_s,
                           u"www.example.org.url"_s}));
}

TEST_F(Folder, ExportRoundTrip)
{
    TWebSiteList list;
    TWebSite a = Entry(u"\u65E5\u672C\u8A9E \U0001F600"_s, u"https://a/\u00E9"_s, u"Work\\Dev"_s);
    a.Comment = u"line 1\r\nline 2"_s;
    a.IconURL = u"https://a/favicon.ico"_s;
    TWebSite b = Entry(u"Plain"_s, u"http://b/"_s, QString());
    b.AddDate = TDateTime::FromMilliseconds(UnixEpochDateTime.ToMilliseconds() + 1'700'000'000'000);
    list.Append(a);
    list.Append(b);
    WebSitesSaveToFolder(list, Path(u"Out"_s));

    TWebSiteList back;
    WebSitesLoadFromPath(back, Path(u"Out"_s));
    ASSERT_EQ(back.Count(), 2);
    for (const TWebSite& original : list) {
        const qsizetype i = back.IndexOfURL(original.URL);
        ASSERT_GE(i, 0);
        TWebSite got = back[i];
        EXPECT_EQ(got.Title, original.Title);
        EXPECT_EQ(got.Category, original.Category);
        EXPECT_EQ(got.Comment, original.Comment);
        EXPECT_EQ(got.IconURL, original.IconURL);
        EXPECT_EQ(got.AddDate.ToMilliseconds(), original.AddDate.ToMilliseconds());
    }
}

TEST_F(Folder, ExportErrorEndsAtThatEntry)
{
    WriteBytes(Path(u"Out/Blocked"_s), "a file where a folder should go");
    TWebSiteList list;
    list.Append(Entry(u"first"_s, u"http://1/"_s, QString()));
    list.Append(Entry(u"second"_s, u"http://2/"_s, u"Blocked\\Deeper"_s));
    list.Append(Entry(u"third"_s, u"http://3/"_s, QString()));
    try {
        WebSitesSaveToFolder(list, Path(u"Out"_s));
        FAIL() << "no error raised";
    } catch (const EFileError& e) {
        EXPECT_TRUE(e.FileName().startsWith(Path(u"Out/Blocked"_s))) << e.what();
        // The program's one wording, with the system's reason.
        EXPECT_TRUE(e.Reason().startsWith(u"Cannot create folder ("_s)) << e.what();
        EXPECT_GT(e.Reason().size(), qsizetype(std::strlen("Cannot create folder ()"))) << e.what();
    }
    EXPECT_EQ(FilesBelow(Path(u"Out"_s)), QStringList({u"Blocked"_s, u"first.url"_s}));
}

// Many entries with one title: each gets its own numbered file, and the numbers
// continue past names that titles already took ("Home (2)" as a title).
TEST_F(Folder, ExportNumbersManyEqualTitles)
{
    constexpr int Count = 20000;
    TWebSiteList list;
    list.Append(Entry(u"Home (2)"_s, u"http://taken/"_s, QString()));
    for (int i = 0; i < Count; ++i)
        list.Append(Entry(u"Home"_s, u"http://h/%1"_s.arg(i), QString()));
    const QString out = Path(u"Out"_s);
    EXPECT_EQ(WebSitesSaveToFolder(list, out), Count + 1);

    const QStringList files = QDir(out).entryList(QDir::Files);
    EXPECT_EQ(files.size(), Count + 1);
    EXPECT_TRUE(files.contains(u"Home.url"_s));
    EXPECT_TRUE(files.contains(u"Home (2).url"_s));
    EXPECT_TRUE(files.contains(u"Home (3).url"_s));
    EXPECT_TRUE(files.contains(u"Home (%1).url"_s.arg(Count + 1)));

    TWebSiteList loaded;
    WebSitesLoadFromPath(loaded, out);
    const TWebSiteList& back = loaded;
    ASSERT_EQ(back.Count(), Count + 1);
    for (const TWebSite& s : list) {
        const qsizetype i = back.IndexOfURL(s.URL);
        ASSERT_GE(i, 0) << s.URL.toStdString();
        EXPECT_EQ(back[i].Title, s.Title);
    }
}

#ifdef Q_OS_UNIX
// Titles that differ only in lone surrogates differ as texts but are stored under
// the same name on disk: they still get a file each, and the count says so.
TEST_F(Folder, ExportComparesNamesAsStoredOnDisk)
{
    TWebSiteList list;
    list.Append(Entry(u"Note "_s + QChar(0xD800), u"http://1/"_s, QString()));
    list.Append(Entry(u"Note "_s + QChar(0xD801), u"http://2/"_s, QString()));
    list.Append(Entry(u"Note "_s + QChar(0xDC00), u"http://3/"_s, u"A"_s));
    list.Append(Entry(u"Note "_s + QChar(0xDFFF), u"http://4/"_s, u"A"_s));
    const QString out = Path(u"Out"_s);
    EXPECT_EQ(WebSitesSaveToFolder(list, out), 4);
    EXPECT_EQ(FilesBelow(out).size(), 4);

    TWebSiteList back;
    WebSitesLoadFromPath(back, out);
    EXPECT_EQ(back.Count(), 4);
    for (const TWebSite& s : list)
        EXPECT_GE(back.IndexOfURL(s.URL), 0) << s.URL.toStdString();
}
#endif

#ifdef Q_OS_UNIX
// Exporting over an earlier export rewrites only what changed: an unchanged file
// is left alone (same inode, same time), a changed one is replaced as a whole
// (a new inode: written beside it, then renamed over it).
TEST_F(Folder, ExportOverExistingTreeSkipsUnchangedFiles)
{
    TWebSiteList list;
    list.Append(Entry(u"Same"_s, u"http://same/"_s, u"A"_s));
    list.Append(Entry(u"Edited"_s, u"http://edited/"_s, u"A"_s));
    const QString out = Path(u"Out"_s);
    WebSitesSaveToFolder(list, out);
    const auto inode = [](const QString& name) {
        struct stat st
        {
        };
        return ::stat(QFile::encodeName(name).constData(), &st) == 0 ? st.st_ino : ino_t(0);
    };
    const auto readAll = [](const QString& name) {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QString same = out + u"/A/Same.url"_s;
    const QString edited = out + u"/A/Edited.url"_s;
    const ino_t sameInode = inode(same);
    const ino_t editedInode = inode(edited);
    const QByteArray sameBefore = readAll(same);

    list[1].Comment = u"new note"_s;
    EXPECT_EQ(WebSitesSaveToFolder(list, out), 2);
    EXPECT_EQ(inode(same), sameInode);
    EXPECT_EQ(readAll(same), sameBefore);
    EXPECT_NE(inode(edited), editedInode);
    EXPECT_TRUE(readAll(edited).contains("Comment=new note\r\n")) << readAll(edited).constData();
    EXPECT_EQ(FilesBelow(out), QStringList({u"A/Edited.url"_s, u"A/Same.url"_s}));
}

// The listing's own file types: links to files are read, links to folders and
// names that are not valid UTF-8 (no decoded name could open them) are left out,
// a folder named like a shortcut is a folder.
TEST_F(Folder, ScanUsesTheListingsFileTypes)
{
    const QString links = Path(u"Links"_s);
    WriteBytes(links + u"/Dir.url/inner.url"_s, UrlFile("http://inner/"));
    const QByteArray raw = QFile::encodeName(links) + "/bad\xFF.url";
    const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ASSERT_TRUE(QFile::link(links + u"/Dir.url"_s, links + u"/dirlink"_s));

    TWebSiteList list;
    WebSitesLoadFromPath(list, links);
    EXPECT_EQ(Categories(list), (std::map<QString, QString>{{u"http://inner/"_s, u"Dir.url"_s}}));
    EXPECT_EQ(list.Stats.Files, 1);
}
#endif
