// zorvel-cli run as a process, the way scripts use it.

#include <imaging/uImageFile.h>
#include <model/uBookmarkHtml.h>
#include <model/uFolderImportExport.h>

#include "../model/ProfileFixtures.h"
#include "../net/TestHttpServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

struct TRun
{
    int Exit = -1;
    QByteArray Out;
    QString Err;
};

TRun RunCli(const QStringList& args)
{
    QProcess p;
    p.setProgram(QStringLiteral(ZORVEL_CLI_PATH));
    p.setArguments(args);
    p.start();
    EXPECT_TRUE(p.waitForFinished(60000));
    TRun r;
    r.Exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.Out = p.readAllStandardOutput();
    r.Err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// The application object the loopback servers need; made before the first one.
void EnsureCoreApplication()
{
    static int argc = 1;
    static char name[] = "test_cli";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

// RunCli while this thread's event loop runs, for tests whose loopback servers
// answer the program on this thread (call EnsureCoreApplication before making them).
TRun RunCliServing(const QStringList& args)
{
    EnsureCoreApplication();
    QProcess p;
    QEventLoop wait;
    QObject::connect(&p, &QProcess::finished, &wait, &QEventLoop::quit);
    QTimer::singleShot(60000, &wait, &QEventLoop::quit);
    p.start(QStringLiteral(ZORVEL_CLI_PATH), args);
    wait.exec();
    EXPECT_EQ(p.state(), QProcess::NotRunning);
    TRun r;
    r.Exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.Out = p.readAllStandardOutput();
    r.Err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

void WriteFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// A Chrome-style export: a folder, a duplicate URL (merged), a non-http URL (skipped).
const QByteArray ChromeExport =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
    "<!-- This is an automatically generated file.\r\n"
    "     It will be read and overwritten.\r\n"
    "     DO NOT EDIT! -->\r\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
    "<TITLE>Bookmarks</TITLE>\r\n"
    "<H1>Bookmarks</H1>\r\n"
    "<DL><p>\r\n"
    "    <DT><H3 ADD_DATE=\"1700000000\" LAST_MODIFIED=\"1700000001\">Work</H3>\r\n"
    "    <DL><p>\r\n"
    "        <DT><A HREF=\"https://example.org/wiki\" ADD_DATE=\"1700000100\">Wiki &amp; "
    "docs</A>\r\n"
    "        <DT><A HREF=\"javascript:void(0)\" ADD_DATE=\"1700000200\">Bookmarklet</A>\r\n"
    "    </DL><p>\r\n"
    "    <DT><A HREF=\"https://news.example.com/\" ADD_DATE=\"1700000300\">News</A>\r\n"
    "    <DT><A HREF=\"https://example.org/wiki\" ADD_DATE=\"1600000000\">Wiki again</A>\r\n"
    "</DL><p>\r\n";

class CliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        Html = Dir.filePath(QStringLiteral("chrome.html"));
        WriteFile(Html, ChromeExport);
        Links = Dir.filePath(QStringLiteral("Links"));
        WriteFile(Links + QStringLiteral("/Tools/Editor.url"),
                  "[InternetShortcut]\r\nURL=https://editor.example.net/\r\n"
                  "Comment=first\\nsecond\r\nAddDate=60\r\n");
        WriteFile(Links + QStringLiteral("/Tabbed.url"),
                  "[InternetShortcut]\r\nTitle=Tab\there \\ back\r\n"
                  "URL=https://tab.example.net/\r\nAddDate=0\r\n");
        WriteFile(Links + QStringLiteral("/readme.txt"), "not a bookmark");
    }

    QTemporaryDir Dir;
    QString Html;
    QString Links;
};

TEST_F(CliTest, ListTsvEscapesFieldsAndSortsByTitle)
{
    const TRun r = RunCli({QStringLiteral("list"), Links});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    const QList<QByteArray> lines = r.Out.split('\n');
    ASSERT_EQ(lines.size(), 3); // two entries and the empty text after the last LF
    EXPECT_EQ(lines[0],
              QByteArray("Editor\thttps://editor.example.net/\tTools\tfirst\\r\\nsecond\t60\t"));
    EXPECT_EQ(lines[1], QByteArray("Tab\\there \\\\ back\thttps://tab.example.net/\t\t\t0\t"));
    EXPECT_TRUE(lines[2].isEmpty());
}

TEST_F(CliTest, SummaryCountsFilesAddedMergedSkipped)
{
    const TRun r = RunCli({QStringLiteral("list"), Html, Links});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.contains(QStringLiteral("read 3 files: 4 added, 1 merged, 1 skipped")))
        << r.Err.toStdString();
    EXPECT_TRUE(r.Err.contains(QStringLiteral("listed 4 entries"))) << r.Err.toStdString();
}

// A file the user names that holds no bookmark is named on standard error; it is
// no error.
TEST_F(CliTest, SummaryNamesFilesWithoutBookmarks)
{
    const QString page = Dir.filePath(QStringLiteral("page.html"));
    WriteFile(page, "<html><body><p>No links here.</p></body></html>");
    const TRun r = RunCli({QStringLiteral("list"), page, Html});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.contains(QStringLiteral("no bookmarks found in ")
                               + QDir::toNativeSeparators(page)
                               + QStringLiteral("\nread 2 files: 2 added, 1 merged, 1 skipped")))
        << r.Err.toStdString();
    EXPECT_FALSE(r.Err.contains(QStringLiteral("chrome.html"))) << r.Err.toStdString();
}

TEST_F(CliTest, JsonIsValidAndCarriesEveryField)
{
    const TRun r =
        RunCli({QStringLiteral("list"), QStringLiteral("--format"), QStringLiteral("json"),
                QStringLiteral("--sort"), QStringLiteral("-2"), Html, Links});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_FALSE(r.Out.startsWith("\xEF\xBB\xBF"));
    QJsonParseError err{};
    const QJsonDocument doc = QJsonDocument::fromJson(r.Out, &err);
    ASSERT_EQ(err.error, QJsonParseError::NoError) << err.errorString().toStdString();
    const QJsonArray a = doc.array();
    ASSERT_EQ(a.size(), 4);
    // --sort -2: URL descending.
    QStringList urls;
    for (const auto& v : a)
        urls << v.toObject().value(QStringLiteral("url")).toString();
    EXPECT_EQ(urls, (QStringList{QStringLiteral("https://tab.example.net/"),
                                 QStringLiteral("https://news.example.com/"),
                                 QStringLiteral("https://example.org/wiki"),
                                 QStringLiteral("https://editor.example.net/")}));
    const QJsonObject wiki = a[2].toObject();
    EXPECT_EQ(wiki.value(QStringLiteral("title")).toString(), QStringLiteral("Wiki & docs"));
    EXPECT_EQ(wiki.value(QStringLiteral("category")).toString(), QStringLiteral("Work"));
    EXPECT_EQ(wiki.value(QStringLiteral("add_date")).toString(), QStringLiteral("1600000000"));
    EXPECT_TRUE(wiki.contains(QStringLiteral("icon")));
    EXPECT_TRUE(wiki.contains(QStringLiteral("comment")));
    EXPECT_EQ(a[3].toObject().value(QStringLiteral("comment")).toString(),
              QStringLiteral("first\r\nsecond"));
}

// A merge keeps the browser's tree (the toolbar and its order, separators, empty
// folders) whatever the sort; the JSON list carries the reading state.
TEST_F(CliTest, MergeKeepsTheTreeAndJsonCarriesReadingState)
{
    const QString in = Dir.filePath(QStringLiteral("firefox.html"));
    WriteFile(in, "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<H1>Bookmarks Menu</H1>\n<DL><p>\n"
                  "    <DT><H3 PERSONAL_TOOLBAR_FOLDER=\"true\">Bookmarks Toolbar</H3>\n"
                  "    <DL><p>\n"
                  "        <DT><A HREF=\"https://z.example/\" TOREAD=\"1\">Zulu</A>\n"
                  "        <HR>    <DT><H3>Empty</H3>\n        <DL><p>\n        </DL><p>\n"
                  "        <DT><A HREF=\"https://a.example/\" PRIVATE=\"1\">Alpha</A>\n"
                  "    </DL><p>\n</DL>\n");
    const QString out = Dir.filePath(QStringLiteral("out.html"));
    const TRun merged = RunCli({QStringLiteral("merge"), QStringLiteral("-o"), out, in});
    ASSERT_EQ(merged.Exit, 0) << merged.Err.toStdString();
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray html = f.readAll();
    EXPECT_TRUE(html.contains("<H1>Bookmarks Menu</H1>\r\n<DL><p>\r\n"
                              "  <DT><H3 PERSONAL_TOOLBAR_FOLDER=\"true\">Bookmarks Toolbar</H3>"))
        << html.toStdString();
    const qsizetype zulu = html.indexOf("https://z.example/\" ");
    const qsizetype hr = html.indexOf("    <HR>\r\n");
    const qsizetype empty = html.indexOf("<DT><H3>Empty</H3>\r\n    <DL><p>\r\n    </DL><p>");
    const qsizetype alpha = html.indexOf("https://a.example/\" ");
    EXPECT_TRUE(zulu > 0 && zulu < hr && hr < empty && empty < alpha) << html.toStdString();
    EXPECT_TRUE(html.contains("TOREAD=\"1\">Zulu</A>"));
    EXPECT_TRUE(html.contains("PRIVATE=\"1\">Alpha</A>"));

    const TRun json =
        RunCli({QStringLiteral("list"), QStringLiteral("--format"), QStringLiteral("json"), in});
    ASSERT_EQ(json.Exit, 0) << json.Err.toStdString();
    const QJsonArray a = QJsonDocument::fromJson(json.Out).array();
    ASSERT_EQ(a.size(), 2) << json.Out.toStdString();
    const QJsonObject alphaEntry = a[0].toObject(); // sorted by title
    const QJsonObject zuluEntry = a[1].toObject();
    EXPECT_EQ(alphaEntry.value(QStringLiteral("to_read")), QJsonValue(false));
    EXPECT_EQ(alphaEntry.value(QStringLiteral("private")), QJsonValue(true));
    EXPECT_EQ(zuluEntry.value(QStringLiteral("to_read")), QJsonValue(true));
    EXPECT_EQ(zuluEntry.value(QStringLiteral("private")), QJsonValue(false));
}

// Titles from the shell's UTF-7 section can hold any UTF-16, a lone surrogate too;
// the output stays UTF-8 and JSON escapes control characters.
TEST_F(CliTest, ListWritesUtf8AndEscapesControlCharacters)
{
    const QString dir = Dir.filePath(QStringLiteral("Wide"));
    WriteFile(dir + QStringLiteral("/w.url"),
              "[InternetShortcut]\r\nURL=https://u.example/\r\nTitle=x\r\nAddDate=7\r\n"
              "[InternetShortcut.W]\r\nTitle=Caf+AOk- +2D3eAA- +2AA-z\x01y\r\n");
    const TRun tsv = RunCli({QStringLiteral("list"), dir});
    ASSERT_EQ(tsv.Exit, 0) << tsv.Err.toStdString();
    EXPECT_EQ(
        tsv.Out,
        QByteArray(
            "Caf\xC3\xA9 \xF0\x9F\x98\x80 \xEF\xBF\xBDz\x01y\thttps://u.example/\t\t\t7\t\n"));

    const TRun json = RunCli({QStringLiteral("list"), QStringLiteral("--format=json"), dir});
    ASSERT_EQ(json.Exit, 0) << json.Err.toStdString();
    EXPECT_TRUE(
        json.Out.contains("\"title\":\"Caf\xC3\xA9 \xF0\x9F\x98\x80 \xEF\xBF\xBDz\\u0001y\""))
        << json.Out.toStdString();
    QJsonParseError err{};
    const QJsonDocument doc = QJsonDocument::fromJson(json.Out, &err);
    ASSERT_EQ(err.error, QJsonParseError::NoError) << err.errorString().toStdString();
    EXPECT_EQ(doc.array().at(0).toObject().value(QStringLiteral("title")).toString(),
              QString::fromUtf8("Caf\xC3\xA9 \xF0\x9F\x98\x80 \xEF\xBF\xBDz\x01y"));
}

// A surrogate without its other half (the shell's UTF-7 can spell one) has no UTF-8
// form: TSV and JSON both write U+FFFD in its place, wherever it stands.
TEST_F(CliTest, LoneSurrogatesBecomeReplacementCharacters)
{
    struct TCase
    {
        const char* Utf7; // the title in the shell's UTF-7
        QByteArray Utf8;  // the title as written
    };
    const TCase cases[] = {
        {"a+2AA-b", "a\xEF\xBF\xBD"
                    "b"}, // high alone
        {"a+3AA-b", "a\xEF\xBF\xBD"
                    "b"},                               // low alone
        {"end+2AA-", "end\xEF\xBF\xBD"},                // high at the end
        {"+3gDYPQ-", "\xEF\xBF\xBD\xEF\xBF\xBD"},       // a pair the wrong way round
        {"+2ADYPd4A-", "\xEF\xBF\xBD\xF0\x9F\x98\x80"}, // high, then a pair
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Utf7);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        WriteFile(dir.filePath(QStringLiteral("s.url")),
                  QByteArray("[InternetShortcut]\r\nURL=https://s.example/\r\nAddDate=7\r\n"
                             "[InternetShortcut.W]\r\nTitle=")
                      + c.Utf7 + "\r\n");
        const TRun tsv = RunCli({QStringLiteral("list"), dir.path()});
        ASSERT_EQ(tsv.Exit, 0) << tsv.Err.toStdString();
        EXPECT_EQ(tsv.Out, c.Utf8 + "\thttps://s.example/\t\t\t7\t\n");

        const TRun json =
            RunCli({QStringLiteral("list"), QStringLiteral("--format=json"), dir.path()});
        ASSERT_EQ(json.Exit, 0) << json.Err.toStdString();
        EXPECT_TRUE(json.Out.contains("{\"title\":\"" + c.Utf8 + "\",")) << json.Out.toStdString();
        QJsonParseError err{};
        QJsonDocument::fromJson(json.Out, &err);
        EXPECT_EQ(err.error, QJsonParseError::NoError) << err.errorString().toStdString();
    }
}

TEST_F(CliTest, SearchKeepsOnlyMatchingEntries)
{
    const TRun r = RunCli({QStringLiteral("list"), QStringLiteral("--search"),
                           QStringLiteral("\"example.org\" wiki"), Html, Links});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_EQ(r.Out.count('\n'), 1);
    EXPECT_TRUE(r.Out.startsWith("Wiki & docs\thttps://example.org/wiki\tWork"));
}

TEST_F(CliTest, MergeHtmlAndShortcutTreeWritesOneFileThatReadsBack)
{
    const QString out = Dir.filePath(QStringLiteral("merged.html"));
    const TRun r = RunCli({QStringLiteral("merge"), QStringLiteral("-o"), out, Html, Links});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.contains(QStringLiteral("wrote 4 entries"))) << r.Err.toStdString();

    TWebSiteList back;
    WebSitesLoadFromHtml(back, out);
    ASSERT_EQ(back.Count(), 4);
    const qsizetype wiki = WebSitesIndexOfURL(back, QStringLiteral("https://example.org/wiki"));
    ASSERT_GE(wiki, 0);
    EXPECT_EQ(back[wiki].Category, QStringLiteral("Work"));
    const qsizetype editor =
        WebSitesIndexOfURL(back, QStringLiteral("https://editor.example.net/"));
    ASSERT_GE(editor, 0);
    EXPECT_EQ(back[editor].Category, QStringLiteral("Tools"));
    EXPECT_EQ(back[editor].Comment, QStringLiteral("first\r\nsecond"));
    // Without --sort the list order stands: the HTML file's News before the folder's Tab.
    EXPECT_LT(WebSitesIndexOfURL(back, QStringLiteral("https://news.example.com/")),
              WebSitesIndexOfURL(back, QStringLiteral("https://tab.example.net/")));
}

TEST_F(CliTest, MergeWithSortOrdersTheEntries)
{
    const QString out = Dir.filePath(QStringLiteral("sorted.html"));
    const TRun r = RunCli({QStringLiteral("merge"), QStringLiteral("--sort"), QStringLiteral("-1"),
                           QStringLiteral("-o"), out, Html, Links});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    TWebSiteList back;
    WebSitesLoadFromHtml(back, out);
    EXPECT_GT(WebSitesIndexOfURL(back, QStringLiteral("https://news.example.com/")),
              WebSitesIndexOfURL(back, QStringLiteral("https://tab.example.net/")));
}

TEST_F(CliTest, MergeWithSearchWritesOnlyVisibleEntries)
{
    const QString out = Dir.filePath(QStringLiteral("news.html"));
    const TRun r = RunCli({QStringLiteral("merge"), QStringLiteral("--search=news"),
                           QStringLiteral("-o"), out, Html});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    TWebSiteList back;
    WebSitesLoadFromHtml(back, out);
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back[0].Title, QStringLiteral("News"));
}

TEST_F(CliTest, ExportFolderWritesCategoryTree)
{
    const QString out = Dir.filePath(QStringLiteral("out"));
    const TRun r = RunCli({QStringLiteral("export-folder"), QStringLiteral("-o"), out, Html});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_TRUE(QFile::exists(out + QStringLiteral("/Work/Wiki & docs.url")));
    EXPECT_TRUE(QFile::exists(out + QStringLiteral("/News.url")));

    TWebSiteList back;
    WebSitesLoadFromPath(back, out);
    EXPECT_EQ(back.Count(), 2);
}

TEST_F(CliTest, FileErrorsExitWithOneAndNameTheFile)
{
    const QString missing = Dir.filePath(QStringLiteral("nope.html"));
    TRun r = RunCli({QStringLiteral("list"), missing});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_TRUE(r.Err.contains(QStringLiteral("nope.html"))) << r.Err.toStdString();
    EXPECT_EQ(r.Err.count(u'\n'), 1);

    // The output path is an existing folder: the HTML file cannot be written.
    r = RunCli({QStringLiteral("merge"), QStringLiteral("-o"), Links, Html});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_TRUE(r.Err.contains(QStringLiteral("Links"))) << r.Err.toStdString();
}

TEST_F(CliTest, ListIntoAFullDiskExitsWithOne)
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full on this system";
    QProcess p;
    p.setProgram(QStringLiteral(ZORVEL_CLI_PATH));
    p.setArguments({QStringLiteral("list"), Links});
    p.setStandardOutputFile(QStringLiteral("/dev/full"));
    p.start();
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("standard output"))) << err.toStdString();
}

// The same pages as a Chromium export keeps them (punycode host, encoded path) and
// as a Firefox export keeps them (as typed, "www.", tracking parameter).
const QByteArray ChromiumSpelling =
    "<DT><A HREF=\"https://xn--bcher-kva.example/caf%C3%A9\" ADD_DATE=\"300\">Books</A>\r\n"
    "<DD>from chromium\r\n"
    "<DT><A HREF=\"https://example.org/wiki\" ADD_DATE=\"100\">Wiki</A>\r\n";
const QByteArray FirefoxSpelling =
    "<DT><A HREF=\"http://www.b\xC3\xBC"
    "cher.example/caf\xC3\xA9/\" ADD_DATE=\"200\">B\xC3\xBC"
    "cher</A>\r\n"
    "<DD>from firefox\r\n"
    "<DT><A HREF=\"http://example.org/wiki?utm_source=feed\" ADD_DATE=\"400\">Wiki</A>\r\n"
    "<DT><A HREF=\"http://example.org/Wiki\" ADD_DATE=\"50\">Other page</A>\r\n";

TEST_F(CliTest, DuplicatesListsGroupsAndMergeKeepsTheEarliest)
{
    const QString chromium = Dir.filePath(QStringLiteral("chromium.html"));
    const QString firefox = Dir.filePath(QStringLiteral("firefox.html"));
    WriteFile(chromium, ChromiumSpelling);
    WriteFile(firefox, FirefoxSpelling);

    TRun r = RunCli({QStringLiteral("duplicates"), chromium, firefox});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_EQ(r.Out, QByteArray("1\t0\tBooks\thttps://xn--bcher-kva.example/caf%C3%A9\t\t300\n"
                                "1\t1\tB\xC3\xBC"
                                "cher\thttp://www.b\xC3\xBC"
                                "cher.example/caf\xC3\xA9/\t\t200\n"
                                "2\t1\tWiki\thttps://example.org/wiki\t\t100\n"
                                "2\t0\tWiki\thttp://example.org/wiki?utm_source=feed\t\t400\n"));
    EXPECT_TRUE(r.Err.contains(QStringLiteral("2 groups of near-duplicates, 4 entries")))
        << r.Err.toStdString();

    r = RunCli({QStringLiteral("duplicates"), QStringLiteral("--format=json"), chromium, firefox});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    QJsonParseError err{};
    const QJsonArray groups = QJsonDocument::fromJson(r.Out, &err).array();
    ASSERT_EQ(err.error, QJsonParseError::NoError) << err.errorString().toStdString();
    ASSERT_EQ(groups.size(), 2);
    const QJsonArray wiki = groups[1].toObject().value(QStringLiteral("entries")).toArray();
    ASSERT_EQ(wiki.size(), 2);
    EXPECT_TRUE(wiki[0].toObject().value(QStringLiteral("kept")).toBool());
    EXPECT_EQ(wiki[1].toObject().value(QStringLiteral("url")).toString(),
              QStringLiteral("http://example.org/wiki?utm_source=feed"));

    // One entry per page; the kept entry takes the comments, the earliest date and
    // the group's cleanest spelling of the address (https here).
    r = RunCli({QStringLiteral("list"), QStringLiteral("--merge-near-duplicates"),
                QStringLiteral("--sort"), QStringLiteral("2"), chromium, firefox});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_EQ(r.Out, QByteArray("Other page\thttp://example.org/Wiki\t\t\t50\t\n"
                                "Wiki\thttps://example.org/wiki\t\t\t100\t\n"
                                "B\xC3\xBC"
                                "cher\thttps://xn--bcher-kva.example/caf%C3%A9\t\t"
                                "from firefox\\r\\nfrom chromium\t200\t\n"))
        << r.Out.toStdString();
    EXPECT_TRUE(r.Err.contains(QStringLiteral("merged 2 near-duplicates"))) << r.Err.toStdString();

    const QString out = Dir.filePath(QStringLiteral("one.html"));
    r = RunCli({QStringLiteral("merge"), QStringLiteral("--merge-near-duplicates"),
                QStringLiteral("-o"), out, chromium, firefox});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    TWebSiteList back;
    WebSitesLoadFromHtml(back, out);
    EXPECT_EQ(back.Count(), 3);
}

TEST(CliUsage, BadCommandLinesExitWithTwo)
{
    const QList<QStringList> cases = {
        {},
        {QStringLiteral("frobnicate")},
        {QStringLiteral("list")},
        {QStringLiteral("list"), QStringLiteral("--sort"), QStringLiteral("5"),
         QStringLiteral("x")},
        {QStringLiteral("list"), QStringLiteral("--format"), QStringLiteral("xml"),
         QStringLiteral("x")},
        {QStringLiteral("merge"), QStringLiteral("x.html")},
        {QStringLiteral("duplicates")},
        {QStringLiteral("duplicates"), QStringLiteral("--merge-near-duplicates"),
         QStringLiteral("x")},
        {QStringLiteral("list"), QStringLiteral("--merge-near-duplicates=1"), QStringLiteral("x")},
        {QStringLiteral("list"), QStringLiteral("--bogus"), QStringLiteral("x")},
        {QStringLiteral("image"), QStringLiteral("in.png")},
        {QStringLiteral("image"), QStringLiteral("--quality"), QStringLiteral("0"),
         QStringLiteral("a.png"), QStringLiteral("b.jpg")},
        {QStringLiteral("image"), QStringLiteral("--resize"), QStringLiteral("10"),
         QStringLiteral("a.png"), QStringLiteral("b.png")},
    };
    for (const QStringList& args : cases) {
        const TRun r = RunCli(args);
        EXPECT_EQ(r.Exit, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.Err.contains(QStringLiteral("usage:"))) << args.join(u' ').toStdString();
    }
}

TEST(CliUsage, HelpAndVersion)
{
    TRun r = RunCli({QStringLiteral("--help")});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_TRUE(r.Out.contains("export-folder"));
    r = RunCli({QStringLiteral("--version")});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_TRUE(QString::fromUtf8(r.Out).contains(
        QRegularExpression(QStringLiteral("^zorvel-cli \\d+\\.\\d+\\.\\d+\\.\\d+\\n$"))))
        << r.Out.toStdString();
}

// ---- image ---------------------------------------------------------------------------

// A 7 x 5 picture with a gradient and a half-transparent corner, saved as PNG.
void MakePicture(const QString& path)
{
    TImageFile b;
    b.SetPixelFormat(pf32bit);
    b.SetSize(7, 5);
    for (int y = 0; y < 5; ++y) {
        std::uint8_t* p = b.ScanLine(y);
        for (int x = 0; x < 7; ++x) {
            p[4 * x + 0] = std::uint8_t(30 * x);
            p[4 * x + 1] = std::uint8_t(50 * y);
            p[4 * x + 2] = std::uint8_t(200 - 20 * x);
            p[4 * x + 3] = (x == 0 && y == 0) ? 128 : 255;
        }
    }
    b.SetAlphaFormat(afDefined);
    b.SaveToFile(path);
}

TEST_F(CliTest, ImageRoundTripsThroughEveryLosslessFormat)
{
    const QString src = Dir.filePath(QStringLiteral("src.png"));
    MakePicture(src);
    TImageFile original;
    original.LoadFromFile(src);
    ASSERT_EQ(original.Width(), 7);

    for (const char* ext : {"png", "tga", "bmp", "psd"}) {
        const QString mid = Dir.filePath(QStringLiteral("mid.") + QLatin1String(ext));
        const QString back =
            Dir.filePath(QStringLiteral("back_") + QLatin1String(ext) + QStringLiteral(".png"));
        TRun r = RunCli({QStringLiteral("image"), src, mid});
        ASSERT_EQ(r.Exit, 0) << ext << r.Err.toStdString();
        EXPECT_TRUE(r.Err.contains(QStringLiteral("7x5"))) << r.Err.toStdString();
        r = RunCli({QStringLiteral("image"), mid, back});
        ASSERT_EQ(r.Exit, 0) << ext << r.Err.toStdString();
        TImageFile b;
        b.LoadFromFile(back);
        ASSERT_EQ(b.Width(), 7) << ext;
        ASSERT_EQ(b.Height(), 5) << ext;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                for (int c = 0; c < 3; ++c) // colour exact; alpha depends on the format
                    ASSERT_EQ(b.ScanLine(y)[4 * x + c], original.ScanLine(y)[4 * x + c])
                        << ext << " at " << x << "," << y;
    }
}

TEST_F(CliTest, ImageJpegResizeAndFlip)
{
    const QString src = Dir.filePath(QStringLiteral("src.png"));
    MakePicture(src);
    const QString jpg = Dir.filePath(QStringLiteral("small.jpg"));
    TRun r = RunCli({QStringLiteral("image"), QStringLiteral("--resize"), QStringLiteral("14"),
                     QStringLiteral("-1"), QStringLiteral("--filter"), QStringLiteral("BiCubic"),
                     QStringLiteral("--quality"), QStringLiteral("95"), src, jpg});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    TImageFile b;
    b.LoadFromFile(jpg);
    EXPECT_EQ(b.Width(), 14);
    EXPECT_EQ(b.Height(), 10); // -1 keeps the aspect ratio

    const QString flipped = Dir.filePath(QStringLiteral("flipped.png"));
    r = RunCli(
        {QStringLiteral("image"), QStringLiteral("--flip"), QStringLiteral("h"), src, flipped});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    TImageFile o, f;
    o.LoadFromFile(src);
    f.LoadFromFile(flipped);
    ASSERT_EQ(f.Width(), 7);
    for (int x = 0; x < 7; ++x)
        EXPECT_EQ(f.ScanLine(2)[4 * x], o.ScanLine(2)[4 * (6 - x)]);
}

// Opaque red on the left, fully transparent green on the right: resized with
// alpha weighting, no green may show in any visible pixel, and alpha is written.
TEST_F(CliTest, ImageResizeKeepsAlphaWithoutBleeding)
{
    TImageFile pic;
    pic.SetPixelFormat(pf32bit);
    pic.SetSize(9, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x) {
            std::uint8_t* p = pic.ScanLine(y) + 4 * x;
            p[0] = 0;
            p[1] = x < 4 ? 0 : 255;
            p[2] = x < 4 ? 255 : 0;
            p[3] = x < 4 ? 255 : 0;
        }
    pic.SetAlphaFormat(afDefined);
    const QString src = Dir.filePath(QStringLiteral("edge.png"));
    pic.SaveToFile(src);
    for (const char* filter :
         {"lanczos3", "triangle", "fastlinear", "bilinear", "bicubic", "none"}) {
        SCOPED_TRACE(filter);
        const QString out = Dir.filePath(QStringLiteral("edge_out.png"));
        TRun r = RunCli({QStringLiteral("image"), QStringLiteral("--resize"), QStringLiteral("5"),
                         QStringLiteral("3"), QStringLiteral("--filter"), QLatin1String(filter),
                         src, out});
        ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
        TImageFile b;
        b.LoadFromFile(out);
        ASSERT_EQ(b.Width(), 5);
        EXPECT_EQ(b.AlphaFormat(), afDefined); // the PNG has an alpha channel
        bool partly = false, clear = false;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const std::uint8_t* p = b.ScanLine(y) + 4 * x;
                partly = partly || (p[3] > 0 && p[3] < 255);
                clear = clear || p[3] == 0;
                if (p[3] == 0)
                    continue;
                EXPECT_EQ(p[1], 0) << x << "," << y; // no green
                EXPECT_EQ(p[2], 255) << x << "," << y;
            }
        EXPECT_TRUE(clear);
        EXPECT_EQ(partly, std::string(filter) != "none");
    }
}

TEST_F(CliTest, ImageErrors)
{
    const QString src = Dir.filePath(QStringLiteral("src.png"));
    MakePicture(src);
    // An unknown extension is an error here, not a silent no-op.
    TRun r = RunCli({QStringLiteral("image"), src, Dir.filePath(QStringLiteral("out.gif"))});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_TRUE(r.Err.contains(QStringLiteral("out.gif"))) << r.Err.toStdString();
    EXPECT_FALSE(QFile::exists(Dir.filePath(QStringLiteral("out.gif"))));

    // Not a picture at all.
    const QString bad = Dir.filePath(QStringLiteral("bad.png"));
    WriteFile(bad, "this is not a PNG file");
    r = RunCli({QStringLiteral("image"), bad, Dir.filePath(QStringLiteral("x.bmp"))});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_TRUE(r.Err.contains(QStringLiteral("bad.png"))) << r.Err.toStdString();

    r = RunCli({QStringLiteral("image"), QStringLiteral("--resize"), QStringLiteral("3"),
                QStringLiteral("3"), QStringLiteral("--filter"), QStringLiteral("sinc"), src,
                Dir.filePath(QStringLiteral("x.png"))});
    EXPECT_EQ(r.Exit, 2);
}

} // namespace

namespace {

// zorvel-cli with HOME set to a fake home folder, as the browser commands look there.
TRun RunCliAtHome(const QString& home, const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.remove(QStringLiteral("XDG_CONFIG_HOME"));
    p.setProcessEnvironment(env);
    p.setProgram(QStringLiteral(ZORVEL_CLI_PATH));
    p.setArguments(args);
    p.start();
    EXPECT_TRUE(p.waitForFinished(60000));
    TRun r;
    r.Exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.Out = p.readAllStandardOutput();
    r.Err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// A fake home: a Chromium profile, a Firefox profile, and a second Firefox profile
// whose places.sqlite is not a database.
class CliBrowsers : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        Home = Dir.filePath(QStringLiteral("home"));
        Chromium = Home + QStringLiteral("/.config/chromium/Default/Bookmarks");
        WriteFile(Chromium, fixtures::ChromiumBookmarksJson());
        Firefox = Home + QStringLiteral("/.mozilla/firefox/p.default/places.sqlite");
        QDir().mkpath(QFileInfo(Firefox).path());
        {
            fixtures::TDb db(Firefox);
            fixtures::CreatePlacesSchema(db);
            fixtures::FillPlaces(db);
        }
        Broken = Home + QStringLiteral("/.mozilla/firefox/q.broken/places.sqlite");
        WriteFile(Broken, "this is not a database, only some text");
        WriteFile(Home + QStringLiteral("/.mozilla/firefox/profiles.ini"),
                  "[Profile0]\nName=default\nIsRelative=1\nPath=p.default\n\n"
                  "[Profile1]\nName=broken\nIsRelative=1\nPath=q.broken\n");
    }

    TRun Run(const QStringList& args) const { return RunCliAtHome(Home, args); }

    QTemporaryDir Dir;
    QString Home, Chromium, Firefox, Broken;
};

TEST_F(CliBrowsers, ListsTheProfilesWithCountsAndWhyOneCannotBeRead)
{
    const TRun tsv = Run({QStringLiteral("browsers")});
    ASSERT_EQ(tsv.Exit, 0) << tsv.Err.toStdString();
    const QList<QByteArray> lines = tsv.Out.split('\n');
    ASSERT_EQ(lines.size(), 4) << tsv.Out.toStdString();
    EXPECT_EQ(lines[0], "Chromium\tDefault\t6\t" + Chromium.toUtf8() + '\t');
    EXPECT_EQ(lines[1], "Firefox\tdefault\t7\t" + Firefox.toUtf8() + '\t');
    EXPECT_TRUE(lines[2].startsWith("Firefox\tbroken\t\t" + Broken.toUtf8() + '\t'))
        << lines[2].toStdString();
    EXPECT_GT(lines[2].size(), qsizetype(("Firefox\tbroken\t\t" + Broken.toUtf8() + '\t').size()));
    EXPECT_TRUE(tsv.Err.contains(QStringLiteral("found 3 browser profiles")));

    const TRun json =
        Run({QStringLiteral("browsers"), QStringLiteral("--format"), QStringLiteral("json")});
    ASSERT_EQ(json.Exit, 0) << json.Err.toStdString();
    QJsonParseError error;
    const QJsonArray array = QJsonDocument::fromJson(json.Out, &error).array();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.Out.toStdString();
    ASSERT_EQ(array.size(), 3);
    const QJsonObject chromium = array[0].toObject();
    EXPECT_EQ(chromium.value(QStringLiteral("browser")).toString(), QStringLiteral("Chromium"));
    EXPECT_EQ(chromium.value(QStringLiteral("bookmarks")).toInt(), 6);
    EXPECT_EQ(chromium.value(QStringLiteral("file")).toString(), Chromium);
    const QJsonObject broken = array[2].toObject();
    EXPECT_TRUE(broken.value(QStringLiteral("bookmarks")).isNull());
    EXPECT_FALSE(broken.value(QStringLiteral("error")).toString().isEmpty());

    EXPECT_EQ(Run({QStringLiteral("browsers"), QStringLiteral("extra")}).Exit, 2);
    EXPECT_EQ(Run({QStringLiteral("browsers"), QStringLiteral("--from-browsers")}).Exit, 2);
}

// The same lines as listing the browser's own HTML export of the profile.
TEST_F(CliBrowsers, FromBrowsersListsWhatTheBrowsersExportGives)
{
    const QString exported = Dir.filePath(QStringLiteral("chromium-export.html"));
    WriteFile(exported, fixtures::ChromiumExportHtml());
    const TRun fromExport = Run({QStringLiteral("list"), exported});
    ASSERT_EQ(fromExport.Exit, 0) << fromExport.Err.toStdString();
    const TRun fromProfile = Run(
        {QStringLiteral("list"), QStringLiteral("--from-browsers"), QStringLiteral("chromium")});
    ASSERT_EQ(fromProfile.Exit, 0) << fromProfile.Err.toStdString();
    EXPECT_EQ(fromProfile.Out.count('\n'), 5);
    // But for the mobile root, which the export puts at the top level and the
    // profile reader keeps as the mobile folder.
    QByteArray expected = fromExport.Out;
    expected.replace("https://phone.example/\t\t", "https://phone.example/\tMobile bookmarks\t");
    EXPECT_NE(expected, fromExport.Out);
    EXPECT_EQ(fromProfile.Out, expected);
    EXPECT_TRUE(
        fromProfile.Err.contains(QStringLiteral("read 1 file: 5 added, 0 merged, 1 skipped")))
        << fromProfile.Err.toStdString();
}

// A signed-in account's bookmarks beside the profile's: listed and read as a
// source of their own.
TEST_F(CliBrowsers, AccountBookmarksAreASourceOfTheirOwn)
{
    const QString account = QFileInfo(Chromium).path() + QStringLiteral("/AccountBookmarks");
    WriteFile(account, R"({"roots": {"bookmark_bar": {"type": "folder", "name": "Bookmarks bar",
        "children": [{"type": "url", "name": "Acc", "url": "https://account.example/"}]}}})");
    const TRun tsv = Run({QStringLiteral("browsers")});
    ASSERT_EQ(tsv.Exit, 0) << tsv.Err.toStdString();
    const QList<QByteArray> lines = tsv.Out.split('\n');
    ASSERT_GE(lines.size(), 2) << tsv.Out.toStdString();
    EXPECT_EQ(lines[0], "Chromium\tDefault\t6\t" + Chromium.toUtf8() + '\t');
    EXPECT_EQ(lines[1], "Chromium\tDefault (account)\t1\t" + account.toUtf8() + '\t');
    const TRun listed = Run(
        {QStringLiteral("list"), QStringLiteral("--from-browsers"), QStringLiteral("chromium")});
    ASSERT_EQ(listed.Exit, 0) << listed.Err.toStdString();
    EXPECT_EQ(listed.Out.count('\n'), 6);
    EXPECT_TRUE(listed.Out.contains("Acc\thttps://account.example/\tBookmarks bar\t"))
        << listed.Out.toStdString();
}

TEST_F(CliBrowsers, FromBrowsersBesidePathsInEveryCommand)
{
    const QString extra = Dir.filePath(QStringLiteral("one.url"));
    WriteFile(extra, "[InternetShortcut]\r\nURL=https://one.example/\r\n");

    // Names match any part of the browser's name in any case; a PATH after "--".
    const TRun named =
        Run({QStringLiteral("list"), QStringLiteral("--from-browsers"), QStringLiteral("CHROM"),
             QStringLiteral("--sort"), QStringLiteral("2"), QStringLiteral("--"), extra});
    ASSERT_EQ(named.Exit, 0) << named.Err.toStdString();
    EXPECT_EQ(named.Out.count('\n'), 1 + 5);
    EXPECT_TRUE(named.Out.contains(
        "\thttps://deep.example/\tBookmarks bar\\\\Work\\\\Inner\t\t1700000003\t\n"))
        << named.Out.toStdString();
    EXPECT_TRUE(named.Out.contains("https://one.example/"));
    EXPECT_FALSE(named.Out.contains("toolbar1.example"));

    const QString merged = Dir.filePath(QStringLiteral("all.html"));
    const TRun merge = Run({QStringLiteral("merge"), extra, QStringLiteral("-o"), merged,
                            QStringLiteral("--from-browsers"), QStringLiteral("chromium")});
    ASSERT_EQ(merge.Exit, 0) << merge.Err.toStdString();
    TWebSiteList back;
    WebSitesLoadFromHtml(back, merged);
    EXPECT_EQ(back.Count(), 1 + 5);

    const QString folder = Dir.filePath(QStringLiteral("out"));
    const TRun exported = Run({QStringLiteral("export-folder"), QStringLiteral("-o"), folder,
                               QStringLiteral("--from-browsers=chromium")});
    ASSERT_EQ(exported.Exit, 0) << exported.Err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/Bookmarks bar/Work/Inner/Deep.url")));

    const TRun none =
        Run({QStringLiteral("list"), QStringLiteral("--from-browsers"), QStringLiteral("opera")});
    EXPECT_EQ(none.Exit, 0) << none.Err.toStdString();
    EXPECT_TRUE(none.Out.isEmpty());
    EXPECT_TRUE(none.Err.contains(QStringLiteral("no browser profile matches \"opera\"")))
        << none.Err.toStdString();
}

// Every readable profile is still read; the one that is not is named, and the exit
// status tells the script the result is not whole.
TEST_F(CliBrowsers, AnUnreadableProfileIsNamedAndTheOthersAreStillRead)
{
    const QByteArray before = fixtures::ReadFile(Broken);
    const TRun all = Run({QStringLiteral("list"), QStringLiteral("--from-browsers")});
    EXPECT_EQ(all.Exit, 1);
    EXPECT_EQ(all.Out.count('\n'), 5 + 7);
    EXPECT_TRUE(all.Err.contains(QStringLiteral("passed over Firefox (broken)")))
        << all.Err.toStdString();
    EXPECT_TRUE(all.Err.contains(QStringLiteral("1 browser profile could not be read")))
        << all.Err.toStdString();
    EXPECT_EQ(fixtures::ReadFile(Broken), before);

    const TRun dups = Run(
        {QStringLiteral("duplicates"), QStringLiteral("--from-browsers"), QStringLiteral("fire")});
    EXPECT_EQ(dups.Exit, 1);
    EXPECT_TRUE(dups.Err.contains(QStringLiteral("passed over Firefox (broken)")))
        << dups.Err.toStdString();
}

// fetch-icons asks each site once, gives every entry of a site that answered its
// icon, leaves the others without one, and writes the whole list like merge.
TEST(CliFetchIcons, EntriesWithoutAnIconGetTheirSitesIconInTheWrittenFile)
{
    EnsureCoreApplication();
    const QByteArray ico("\0\0\1\0\1\0\20\20\0\0\1\0\40\0\50\0\0\0\26\0\0\0", 22);
    TTestHttpServer found;
    found.Route("/favicon.ico", {200, "image/x-icon", ico + QByteArray(40, '\0')});
    TTestHttpServer missing; // 404 for the icon and for the page
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.html"));
    const QString out = dir.filePath(QStringLiteral("out.html"));
    WriteFile(in, "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n<DT><A HREF=\"" + found.Origin()
                      + "/a\">A</A>\n<DT><A HREF=\"" + found.Origin() + "/b\">B</A>\n<DT><A HREF=\""
                      + missing.Origin() + "/c\">C</A>\n</DL>\n");

    const TRun run = RunCliServing({QStringLiteral("fetch-icons"), QStringLiteral("-o"), out, in});
    EXPECT_EQ(run.Exit, 0);
    const QString err = run.Err;
    EXPECT_TRUE(err.contains(QStringLiteral("asked 2 sites: icons found for 1")))
        << err.toStdString();
    EXPECT_EQ(found.Count("/favicon.ico"), 1);

    TWebSiteList list;
    WebSitesLoadFromHtml(list, out);
    ASSERT_EQ(list.Count(), 3);
    for (qsizetype i = 0; i < list.Count(); ++i) {
        if (list[i].Title == QLatin1String("C"))
            EXPECT_EQ(list[i].IconId, 0u);
        else
            EXPECT_EQ(WebSiteIcons().Bytes(list[i].IconId), ico + QByteArray(40, '\0'))
                << list[i].Title.toStdString();
    }
}

// Tags reach scripts: a JSON array, the last TSV column, and the search. A file
// that is no bookmark file is named and makes the exit status 1.
TEST(CliTags, ListedSearchedAndOtherFilesNamed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString html = dir.filePath(QStringLiteral("tagged.html"));
    WriteFile(html, "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<H1>Bookmarks</H1>\n<DL><p>\n"
                    "<DT><A HREF=\"https://a.example/\" ADD_DATE=\"10\" TAGS=\"rust,tools\" "
                    "SHORTCUTURL=\"ak\">A</A>\n"
                    "<DT><A HREF=\"https://b.example/\" ADD_DATE=\"20\">B</A>\n</DL>\n");
    const QString pocket = dir.filePath(QStringLiteral("export.csv"));
    WriteFile(pocket,
              "title,url,time_added,tags,status\nP,https://p.example/,30,later|rust,unread\n"
              "Bad,https://q.example/,soon,,unread\n");
    const QString other = dir.filePath(QStringLiteral("notes.txt"));
    WriteFile(other, "just some text\n");

    const TRun tsv = RunCli({QStringLiteral("list"), html, pocket});
    ASSERT_EQ(tsv.Exit, 0) << tsv.Err.toStdString();
    EXPECT_EQ(tsv.Out, QByteArray("A\thttps://a.example/\t\t\t10\trust,tools\n"
                                  "B\thttps://b.example/\t\t\t20\t\n"
                                  "P\thttps://p.example/\t\t\t30\tlater,rust\n"));
    EXPECT_TRUE(tsv.Err.contains(QStringLiteral("line 3: not a date: soon")))
        << tsv.Err.toStdString();

    const TRun json = RunCli({QStringLiteral("list"), QStringLiteral("--format=json"),
                              QStringLiteral("--search"), QStringLiteral("RUST"), html, pocket});
    ASSERT_EQ(json.Exit, 0) << json.Err.toStdString();
    const QJsonArray a = QJsonDocument::fromJson(json.Out).array();
    ASSERT_EQ(a.size(), 2) << json.Out.toStdString();
    EXPECT_EQ(a[0].toObject().value(QStringLiteral("tags")).toArray(),
              (QJsonArray{QStringLiteral("rust"), QStringLiteral("tools")}));
    EXPECT_EQ(a[1].toObject().value(QStringLiteral("url")).toString(),
              QStringLiteral("https://p.example/"));
    const TRun keyword =
        RunCli({QStringLiteral("list"), QStringLiteral("--search"), QStringLiteral("ak"), html});
    EXPECT_TRUE(keyword.Out.startsWith("A\t")) << keyword.Out.toStdString();

    const TRun mixed = RunCli({QStringLiteral("list"), html, other});
    EXPECT_EQ(mixed.Exit, 1);
    EXPECT_EQ(mixed.Out.count('\n'), 2); // the bookmark file is still read
    EXPECT_TRUE(mixed.Err.contains(QStringLiteral("not a bookmark file: ")
                                   + QDir::toNativeSeparators(other)))
        << mixed.Err.toStdString();
}

// check-links prints one row per http entry (TSV or JSON), the counts on standard
// error, exits 0 although links fail, and with -o keeps the results and fills the
// missing title in the written file.
TEST(CliCheckLinks, PrintsVerdictsAndWritesThemWithFilledTitles)
{
    EnsureCoreApplication();
    TTestHttpServer site;
    site.Route("/ok", {200, "text/html; charset=utf-8", "<title>Caf\xC3\xA9</title>"});
    site.Route("/old", {308, "text/html", "", "/new"});
    site.Route("/new", {200, "text/html", "<title>New</title>"});
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.html"));
    const QString out = dir.filePath(QStringLiteral("out.html"));
    const QByteArray o = site.Origin();
    WriteFile(in, "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n<DT><A HREF=\"" + o
                      + "/ok\"></A>\n<DT><A HREF=\"" + o + "/old\">Old one</A>\n<DT><A HREF=\"" + o
                      + "/dead\">Dead</A>\n<DT><A HREF=\"ftp://127.0.0.1/x\">F</A>\n</DL>\n");

    const auto Run = [&](const QStringList& Args, QByteArray& Out, QString& Err) {
        const TRun run = RunCliServing(QStringList{QStringLiteral("check-links")} + Args);
        Out = run.Out;
        Err = run.Err;
        return run.Exit;
    };
    QByteArray tsv, json;
    QString err;
    EXPECT_EQ(Run({in}, tsv, err), 0);
    QList<QByteArray> lines = tsv.split('\n');
    lines.removeAll(QByteArray());
    std::sort(lines.begin(), lines.end());
    ASSERT_EQ(lines.size(), 3) << tsv.toStdString();
    // URL, verdict, HTTP status (the one that said "moved"), new address, title, why,
    // archived copy.
    EXPECT_EQ(lines[0], o + "/dead\tgone\t404\t\tDead\tHTTP 404 not found\t");
    EXPECT_EQ(lines[1], o + "/ok\tok\t200\t\tCaf\xC3\xA9\t\t");
    EXPECT_EQ(lines[2],
              o + "/old\tmoved\t308\t" + o + "/new\tOld one\t308 " + o + "/old -> " + o + "/new\t");
    EXPECT_TRUE(err.contains(QStringLiteral("checked 3: 1 ok, 1 moved, 1 gone, 0 server-error, "
                                            "0 blocked, 0 unreachable, 0 parked, 0 soft-404; "
                                            "1 title filled")))
        << err.toStdString();

    EXPECT_EQ(
        Run({QStringLiteral("--format"), QStringLiteral("json"), QStringLiteral("-o"), out, in},
            json, err),
        0);
    const QJsonArray rows = QJsonDocument::fromJson(json).array();
    ASSERT_EQ(rows.size(), 3) << json.toStdString();
    for (const QJsonValue& v : rows) {
        const QJsonObject row = v.toObject();
        const bool moved = row[QStringLiteral("status")].toString() == QStringLiteral("moved");
        EXPECT_EQ(row[QStringLiteral("final_url")].isNull(), !moved);
        EXPECT_TRUE(row[QStringLiteral("http")].isDouble());
        EXPECT_TRUE(row[QStringLiteral("title")].isString());
        EXPECT_TRUE(row[QStringLiteral("url")].isString());
    }
    TWebSiteList list;
    WebSitesLoadFromHtml(list, out);
    ASSERT_EQ(list.Count(), 3); // the ftp entry is not taken, as by every command
    for (const TWebSite& s : list) {
        const QString url = s.URL.toString();
        if (url.endsWith(QStringLiteral("/ok"))) {
            EXPECT_EQ(s.Title.toString(), QStringLiteral("Café"));
            EXPECT_EQ(s.Extras->LinkStatus, TLinkStatus::Ok);
        } else if (url.endsWith(QStringLiteral("/old"))) {
            EXPECT_EQ(s.Extras->LinkStatus, TLinkStatus::Moved);
            EXPECT_EQ(s.Extras->LinkFinalUrl, QString::fromLatin1(o + "/new"));
        } else {
            EXPECT_EQ(s.Extras->LinkStatus, TLinkStatus::Gone);
            EXPECT_EQ(s.Extras->LinkHttp, 404);
        }
    }
}

// check-links --fetch-icons: the icon comes from the page the check read, which
// is not asked again; without -o the option is refused.
TEST(CliCheckLinks, FetchIconsTakesTheIconThePageNames)
{
    EnsureCoreApplication();
    const QByteArray ico =
        QByteArray("\0\0\1\0\1\0\20\20\0\0\1\0\40\0\50\0\0\0\26\0\0\0", 22) + QByteArray(40, '\0');
    TTestHttpServer site;
    site.Route("/a",
               {200, "text/html", "<head><link rel=icon href=/i.ico><title>A</title></head>"});
    site.Route("/i.ico", {200, "image/x-icon", ico});
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.html"));
    const QString out = dir.filePath(QStringLiteral("out.html"));
    WriteFile(in, "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n<DT><A HREF=\"" + site.Origin()
                      + "/a\">A</A>\n</DL>\n");

    const auto Run = [](const QStringList& Args) {
        const TRun run = RunCliServing(QStringList{QStringLiteral("check-links")} + Args);
        return std::pair(run.Exit, run.Err);
    };
    EXPECT_EQ(Run({QStringLiteral("--fetch-icons"), in}).first, 2);
    EXPECT_EQ(site.Stats().Requests, 0);

    const auto [exit, err] = Run({QStringLiteral("--fetch-icons"), QStringLiteral("-o"), out, in});
    EXPECT_EQ(exit, 0);
    EXPECT_TRUE(err.contains(QStringLiteral("icons found for 1 of 1 site, 1 entry given an icon")))
        << err.toStdString();
    EXPECT_EQ(site.Stats().Paths, (QList<QByteArray>{"/a", "/i.ico"}));
    TWebSiteList list;
    WebSitesLoadFromHtml(list, out);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(WebSiteIcons().Bytes(list[0].IconId), ico);
    EXPECT_EQ(list[0].Extras->LinkStatus, TLinkStatus::Ok);
}

} // namespace

// send-to-browser and restore-browser on a copy of a profile Chromium made.
TEST_F(CliTest, SendToBrowserPlansSendsRefusesAndRestores)
{
    const QString profile = Dir.filePath(QStringLiteral("chromium/Default"));
    const QString fixture = QStringLiteral(ZORVEL_PROFILE_FIXTURES "/chromium/Default/Bookmarks");
    QDir().mkpath(profile);
    const QString bookmarks = profile + QStringLiteral("/Bookmarks");
    ASSERT_TRUE(QFile::copy(fixture, bookmarks));
    QFile(bookmarks).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    const QString backups = Dir.filePath(QStringLiteral("backups"));
    // The set: the profile's bookmarks without LWN.
    const QString set = Dir.filePath(QStringLiteral("set.html"));
    ASSERT_EQ(RunCli({QStringLiteral("merge"), QStringLiteral("-o"), set, bookmarks}).Exit, 0);
    QFile f(set);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray html = f.readAll();
    f.close();
    const qsizetype lwn = html.indexOf("https://lwn.net/");
    ASSERT_GT(lwn, 0);
    html.remove(html.lastIndexOf('\n', lwn), html.indexOf('\n', lwn) - html.lastIndexOf('\n', lwn));
    WriteFile(set, html);
    const QStringList send = {QStringLiteral("send-to-browser"), QStringLiteral("--profile"),
                              profile, QStringLiteral("--backup-dir"), backups};

    const TRun dry = RunCli(send + QStringList{QStringLiteral("--dry-run"), set});
    EXPECT_EQ(dry.Exit, 0) << dry.Err.toStdString();
    EXPECT_EQ(dry.Out, "removed\tOther bookmarks/Reading\tLWN.net\thttps://lwn.net/\t\t\n");
    EXPECT_TRUE(dry.Err.contains(QStringLiteral("dry run: nothing written")));
    EXPECT_FALSE(QFileInfo::exists(backups));

    // A running browser: refused, with the reason, nothing written.
    const QString lock = Dir.filePath(QStringLiteral("chromium/SingletonLock"));
    ASSERT_TRUE(QFile::link(QSysInfo::machineHostName() + QStringLiteral("-")
                                + QString::number(QCoreApplication::applicationPid()),
                            lock));
    const TRun running = RunCli(send + QStringList{set});
    EXPECT_EQ(running.Exit, 1);
    EXPECT_TRUE(running.Err.contains(QStringLiteral("the browser is running")))
        << running.Err.toStdString();
    QFile::remove(lock);

    const TRun sent = RunCli(send + QStringList{set});
    EXPECT_EQ(sent.Exit, 0) << sent.Err.toStdString();
    EXPECT_TRUE(sent.Err.contains(QStringLiteral("backup: ")));
    const TRun listed = RunCli({QStringLiteral("list"), bookmarks});
    EXPECT_FALSE(listed.Out.contains("lwn.net"));
    EXPECT_TRUE(listed.Out.contains("arxiv.org"));

    const TRun restored = RunCli({QStringLiteral("restore-browser"), QStringLiteral("--profile"),
                                  profile, QStringLiteral("--backup-dir"), backups});
    EXPECT_EQ(restored.Exit, 0) << restored.Err.toStdString();
    QFile a(fixture), b(bookmarks);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());

    EXPECT_EQ(RunCli({QStringLiteral("send-to-browser"), set}).Exit, 2); // no --profile
}
