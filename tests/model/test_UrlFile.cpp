#include <model/uWebSiteShortcutFiles.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "PrintQt.h"

using namespace Qt::StringLiterals;

namespace {

void WriteBytes(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(data), data.size());
}

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TDateTime At(int y, int mo, int d, int h, int mi, int s)
{
    return TDateTime::FromDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

qint64 Ms(TDateTime t)
{
    return t.ToMilliseconds();
}

// When the file was made, as the file system tells it (modification time where no
// creation time is kept).
TDateTime Created(const QString& path)
{
    const QFileInfo info(path);
    const QDateTime t = info.birthTime().isValid() ? info.birthTime() : info.lastModified();
    return TDateTime::FromQDateTime(t.toLocalTime());
}

class UrlFile : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Dir.isValid()); }
    QString Path(const QString& name) const { return Dir.filePath(name); }
    QTemporaryDir Dir;
};

} // namespace

TEST_F(UrlFile, NewFileIsWrittenExactly)
{
    TWebSite site;
    site.Title = u"T"_s;
    site.URL = u"U"_s;
    site.AddDate = At(1970, 1, 1, 0, 1, 0);
    site.Category = u"Work"_s;
    site.Comment = u"a\r\nb"_s;
    WebSiteSaveToUrlFile(site, Path(u"x.url"_s));
    EXPECT_EQ(ReadBytes(Path(u"x.url"_s)), QByteArray("[InternetShortcut]\r\n"
                                                      "Title=T\r\n"
                                                      "URL=U\r\n"
                                                      "IconFile=\r\n"
                                                      "AddDate=60\r\n"
                                                      "Category=Work\r\n"
                                                      "Comment=a\\nb\r\n"
                                                      "\r\n"));
}

TEST_F(UrlFile, TargetNameGetsUrlExtension)
{
    ASSERT_TRUE(QDir(Dir.path()).mkpath(u"dir.d"_s));
    const std::pair<QString, QString> cases[] = {
        {u"Note.txt"_s, u"Note.url"_s}, {u"Report 2.5"_s, u"Report 2.url"_s},
        {u"plain"_s, u"plain.url"_s},   {u"dir.d/name"_s, u"dir.d/name.url"_s},
        {u"LINK.URL"_s, u"LINK.url"_s},
    };
    TWebSite site;
    site.URL = u"http://a/"_s;
    for (const auto& [given, written] : cases) {
        SCOPED_TRACE(given.toStdString());
        WebSiteSaveToUrlFile(site, Path(given));
        EXPECT_TRUE(QFileInfo(Path(written)).isFile());
        EXPECT_FALSE(QFileInfo(Path(given)).exists() && given != written);
    }
}

TEST_F(UrlFile, WriteThenReadGivesSameRecord)
{
    TWebSite site;
    site.Title = u"\u65E5\u672C\u8A9E \U0001F600 & \"q\" ; [x] = y"_s;
    site.URL = u"https://example.com/a?b=c&d=%20"_s;
    site.IconURL = u"https://example.com/favicon.ico"_s;
    site.AddDate = At(2021, 3, 4, 5, 6, 7);
    site.Category = u"Work\\Dev"_s;
    site.Comment = u"line 1\r\n\r\nline 3\\ \u00E9"_s;
    WebSiteSaveToUrlFile(site, Path(u"r.url"_s));
    // Characters outside the 8-bit code page: the file is UTF-16LE, nothing lost.
    EXPECT_TRUE(ReadBytes(Path(u"r.url"_s)).startsWith("\xFF\xFE"));

    TWebSite back = WebSiteLoadFromUrlFile(Path(u"r.url"_s), u"Other"_s);
    EXPECT_EQ(back.Title, site.Title);
    EXPECT_EQ(back.URL, site.URL);
    EXPECT_EQ(back.IconURL, site.IconURL);
    EXPECT_EQ(Ms(back.AddDate), Ms(site.AddDate));
    EXPECT_EQ(back.Comment, site.Comment);
    EXPECT_EQ(back.Category, u"Other"_s); // the caller's category, not the key
    EXPECT_TRUE(back.Visible);
    EXPECT_FALSE(back.Selected);
}

TEST_F(UrlFile, CommentLineBreaks)
{
    EXPECT_EQ(EncodeCommentLineBreaks(u" \r\na\r\nb\r\n "_s), u"a\\nb"_s);
    EXPECT_EQ(DecodeCommentLineBreaks(u"  a\\nb\\n\\nc "_s), u"a\r\nb\r\n\r\nc"_s);
    // A path with a folder beginning with n comes back with a line break.
    TWebSite site;
    site.URL = u"http://a/"_s;
    site.Comment = u"C:\\new\\x"_s;
    WebSiteSaveToUrlFile(site, Path(u"c.url"_s));
    EXPECT_EQ(WebSiteLoadFromUrlFile(Path(u"c.url"_s), {}).Comment, u"C:\r\new\\x"_s);
    // A lone LF must not cut the comment (or start a key of its own).
    site.Comment = u"first\nURL=http://evil/\rlast"_s;
    WebSiteSaveToUrlFile(site, Path(u"c.url"_s));
    const TWebSite back = WebSiteLoadFromUrlFile(Path(u"c.url"_s), {});
    EXPECT_EQ(back.URL, u"http://a/"_s);
    EXPECT_EQ(back.Comment, u"first\r\nURL=http://evil/\r\nlast"_s);
    // Single-line keys: a line break becomes a space.
    site.Title = u"two\r\nlines\n[Section]"_s;
    WebSiteSaveToUrlFile(site, Path(u"c.url"_s));
    EXPECT_EQ(WebSiteLoadFromUrlFile(Path(u"c.url"_s), {}).Title, u"two lines [Section]"_s);
}

TEST_F(UrlFile, ShellMadeFileReadsAndKeepsItsKeysOnWriteBack)
{
    const QString path = Path(u"My Site.v2.url"_s);
    WriteBytes(path, QByteArray("[{000214A0-0000-0000-C000-000000000046}]\r\n"
                                "Prop3=19,2\r\n"
                                "[InternetShortcut]\r\n"
                                "IDList=\r\n"
                                "URL=https://example.org/\r\n"
                                "IconFile=C:\\Program Files\\App\\app.exe\r\n"
                                "IconIndex=0\r\n"
                                "HotKey=0\r\n"));
    const TDateTime created = Created(path);
    TWebSite site = WebSiteLoadFromUrlFile(path, {});
    EXPECT_EQ(site.Title, u"My Site.v2"_s);
    EXPECT_EQ(site.URL, u"https://example.org/"_s);
    EXPECT_EQ(site.IconURL, QString()); // a local icon path is not an http address
    EXPECT_EQ(site.Comment, QString());
    // No AddDate: the file's creation time (local time).
    EXPECT_LE(std::abs(Ms(site.AddDate) - Ms(created)), 1000);

    site.Title = u"New"_s;
    site.AddDate = At(1970, 1, 1, 0, 0, 5);
    WebSiteSaveToUrlFile(site, path);
    EXPECT_EQ(ReadBytes(path), QByteArray("[{000214A0-0000-0000-C000-000000000046}]\r\n"
                                          "Prop3=19,2\r\n"
                                          "\r\n"
                                          "[InternetShortcut]\r\n"
                                          "IDList=\r\n"
                                          "URL=https://example.org/\r\n"
                                          "IconFile=\r\n"
                                          "IconIndex=0\r\n"
                                          "HotKey=0\r\n"
                                          "Title=New\r\n"
                                          "AddDate=5\r\n"
                                          "Category=\r\n"
                                          "Comment=\r\n"
                                          "\r\n"));
}

TEST_F(UrlFile, AddDateValues)
{
    struct Case
    {
        const char* line;
        TDateTime expected; // Value 0 means: the file's creation time
    } cases[] = {
        {"AddDate=-60", At(1969, 12, 31, 23, 59, 0)},
        {"AddDate=0", At(1970, 1, 1, 0, 0, 0)},
        {"AddDate=1700000000", At(2023, 11, 14, 22, 13, 20)},
        {"AddDate=12x", TDateTime()},
        {"AddDate=", TDateTime()},
        {"AddDate=99999999999999999999", TDateTime()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const QString path = Path(u"d.url"_s);
        WriteBytes(path, QByteArray("[InternetShortcut]\nURL=http://a/\n") + c.line + "\n");
        const TWebSite site = WebSiteLoadFromUrlFile(path, {});
        if (c.expected.Value != 0.0) {
            EXPECT_EQ(Ms(site.AddDate), Ms(c.expected));
        } else {
            const TDateTime created = Created(path);
            EXPECT_LE(std::abs(Ms(site.AddDate) - Ms(created)), 1000);
        }
    }
}

// Windows writes "?" for characters outside the code page and the real text, UTF-7
// encoded, in [InternetShortcut.W].
TEST_F(UrlFile, WideSectionWinsAndIsDroppedOnWrite)
{
    const QString path = Path(u"w.url"_s);
    WriteBytes(path, QByteArray("[InternetShortcut]\r\n"
                                "URL=http://x/Proc?dure?\r\n"
                                "IconFile=http://x/i.ico\r\n"
                                "[InternetShortcut.A]\r\n"
                                "URL=http://x/Proc?dure?\r\n"
                                "[InternetShortcut.W]\r\n"
                                "URL=http://x/Proc+AOk-dure+2D3eAA-a+-b\r\n"
                                "IconFile=\r\n"));
    TWebSite site = WebSiteLoadFromUrlFile(path, {});
    EXPECT_EQ(site.URL, u"http://x/Proc\u00E9dure\U0001F600a+b"_s);
    EXPECT_EQ(site.IconURL, u"http://x/i.ico"_s); // empty wide value: the plain one

    site.URL = u"http://x/new"_s;
    WebSiteSaveToUrlFile(site, path);
    EXPECT_EQ(WebSiteLoadFromUrlFile(path, {}).URL, u"http://x/new"_s);
}

TEST_F(UrlFile, WebsiteFile)
{
    const QString path = Path(u"pinned.website"_s);
    WriteBytes(path, QByteArray("\xEF\xBB\xBF[{9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3}]\r\n"
                                "Prop5=8,Microsoft.Website.1\r\n"
                                "[InternetShortcut]\r\n"
                                "URL=https://example.net/\r\n"
                                "IconFile=https://example.net/favicon.ico\r\n"
                                "IconIndex=1\r\n"
                                "Comment=  one\\ntwo  \r\n"
                                "[{000214A0-0000-0000-C000-000000000046}]\r\n"
                                "Prop4=31,  My Site, \xE6\x97\xA5  \r\n"));
    TWebSite site = WebSiteLoadFromWebsiteFile(path, u"Pins"_s);
    EXPECT_EQ(site.Title, u"My Site, \u65E5"_s);
    EXPECT_EQ(site.URL, u"https://example.net/"_s);
    EXPECT_EQ(site.IconURL, u"https://example.net/favicon.ico"_s);
    EXPECT_EQ(site.Comment, u"one\\ntwo"_s); // no line-break decoding here
    EXPECT_EQ(site.Category, u"Pins"_s);
    const TDateTime created = Created(path);
    EXPECT_LE(std::abs(Ms(site.AddDate) - Ms(created)), 1000);

    WriteBytes(path, QByteArray("[{000214A0-0000-0000-C000-000000000046}]\nProp4=no comma\n"));
    EXPECT_EQ(WebSiteLoadFromWebsiteFile(path, {}).Title, QString());
    EXPECT_EQ(TextAfterComma(u"31,My Site"_s), u"My Site"_s);
    EXPECT_EQ(TextAfterComma(u"a,b,c"_s), u"b,c"_s);
}

TEST_F(UrlFile, MissingAndUnwritableFilesRaiseWithPath)
{
    const QString missing = Path(u"gone.url"_s);
    const auto expectError = [](const QString& name, auto&& call) {
        try {
            call();
            ADD_FAILURE() << "no error for " << name.toStdString();
        } catch (const EFileError& e) {
            EXPECT_EQ(e.FileName(), name);
        }
    };
    expectError(missing, [&] { WebSiteLoadFromUrlFile(missing, {}); });
    expectError(missing, [&] { WebSiteLoadFromWebsiteFile(missing, {}); });
    expectError(Dir.path(), [&] { WebSiteLoadFromUrlFile(Dir.path(), {}); });

    WriteBytes(Path(u"file"_s), "x");
    TWebSite site;
    site.URL = u"http://a/"_s;
    const QString target = Path(u"file/sub.url"_s);
    expectError(target, [&] { WebSiteSaveToUrlFile(site, target); });
    ASSERT_TRUE(QDir(Dir.path()).mkdir(u"folder.url"_s));
    expectError(Path(u"folder.url"_s), [&] { WebSiteSaveToUrlFile(site, Path(u"folder"_s)); });

    // A write that fails says so in the program's one wording, with the system's reason.
    for (const QString& name : {target, Path(u"folder"_s)}) {
        try {
            WebSiteSaveToUrlFile(site, name);
            ADD_FAILURE() << "no error for " << name.toStdString();
        } catch (const EFileError& e) {
            EXPECT_TRUE(e.Reason().startsWith(u"Cannot create file ("_s)) << e.what();
            EXPECT_FALSE(e.Reason().endsWith(u"()"_s)) << e.what();
        }
    }
}

TEST_F(UrlFile, BadInputYieldsARecord)
{
    QByteArray garbage;
    quint32 seed = 99;
    for (int i = 0; i < 1 << 20; ++i) {
        seed = seed * 1664525u + 1013904223u;
        garbage.append(char(seed >> 24));
    }
    // 50 MB: a valid section with an enormous URL line, then millions of short lines
    // and repeated sections (each would be an entry or section of its own).
    QByteArray huge("[InternetShortcut]\r\nURL=http://big/");
    huge.append(QByteArray(20 << 20, 'a'));
    huge.append("\r\n");
    const QByteArray filler = QByteArray("x\nURL=y\n[InternetShortcut]\n").repeated(1000);
    while (huge.size() < (50 << 20))
        huge.append(filler);
    const std::pair<const char*, QByteArray> cases[] = {
        {"empty", QByteArray()},
        {"garbage", garbage},
        {"truncated utf16", QByteArray("\xFF\xFE[\0I\0n\0]\0\r\0\n\0U\0=\0h", 19)},
        {"only bom", QByteArray("\xFE\xFF")},
        {"huge", huge},
    };
    for (const auto& [name, data] : cases) {
        SCOPED_TRACE(name);
        const QString path = Path(u"bad.url"_s);
        WriteBytes(path, data);
        QElapsedTimer timer;
        timer.start();
        const TWebSite site = WebSiteLoadFromUrlFile(path, {});
        EXPECT_LT(timer.elapsed(), 20000);
        if (QByteArray(name) == "huge") {
            EXPECT_EQ(site.URL.size(), 11 + (20 << 20));
        } else if (QByteArray(name) != "garbage") {
            EXPECT_FALSE(IsHttpURL(site.URL));
        }
        EXPECT_EQ(site.Title, u"bad"_s);
        (void)WebSiteLoadFromWebsiteFile(path, {});
    }
}
