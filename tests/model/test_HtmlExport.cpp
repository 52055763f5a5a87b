#include <model/uBookmarkHtml.h>

#include <model/uBookmarkHtmlImport.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

#include "PrintQt.h"

using namespace Qt::StringLiterals;

namespace {

TWebSite Site(const QString& title, const QString& url, const QString& category, qint64 seconds = 0,
              const QString& comment = {}, const QString& icon = {})
{
    TWebSite s;
    s.Title = title;
    s.URL = url;
    s.Category = category;
    s.Comment = comment;
    s.IconURL = icon;
    s.AddDate = TDateTime::FromMilliseconds(UnixEpochDateTime.ToMilliseconds() + seconds * 1000);
    return s;
}

TWebSiteList ListOf(std::initializer_list<TWebSite> sites)
{
    TWebSiteList list;
    for (const TWebSite& s : sites)
        list.Append(s);
    return list;
}

// The file's lines without BOM and line ends; checks both on the way.
QStringList Lines(const QByteArray& data)
{
    EXPECT_TRUE(data.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(data.endsWith("\r\n"));
    const QString text = QString::fromUtf8(data.mid(3));
    EXPECT_FALSE(QString(text).remove(u"\r\n"_s).contains(u'\n'));
    EXPECT_FALSE(QString(text).remove(u"\r\n"_s).contains(u'\r'));
    QStringList lines = text.split(u"\r\n"_s);
    lines.removeLast(); // after the last line end
    return lines;
}

const QStringList Header = {
    u"<!DOCTYPE NETSCAPE-Bookmark-file-1>"_s,
    u"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">"_s,
    u"<TITLE>Bookmarks</TITLE>"_s,
    u"<H1>Bookmarks</H1>"_s,
    u"<DL><p>"_s,
};

// The lines between the header and the final "</DL><p>".
QStringList Body(const TWebSiteList& list)
{
    QStringList lines = Lines(WebSitesToHtmlData(list));
    EXPECT_EQ(lines.mid(0, 5), Header);
    EXPECT_EQ(lines.value(lines.size() - 1), u"</DL><p>"_s);
    return lines.mid(5, lines.size() - 6);
}

} // namespace

TEST(HtmlExport, EmptyListWritesSixLines)
{
    const QByteArray data = WebSitesToHtmlData(TWebSiteList());
    EXPECT_EQ(data, QByteArray("\xEF\xBB\xBF"
                               "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
                               "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
                               "charset=UTF-8\">\r\n"
                               "<TITLE>Bookmarks</TITLE>\r\n"
                               "<H1>Bookmarks</H1>\r\n"
                               "<DL><p>\r\n"
                               "</DL><p>\r\n"));
}

TEST(HtmlExport, ExampleIsWrittenExactly)
{
    const TWebSiteList list = ListOf({Site(u"T2"_s, u"U2"_s, u"Work\\Dev"_s, 20),
                                      Site(u"T1"_s, u"U1"_s, QString(), 10, u"C"_s)});
    const QByteArray data = WebSitesToHtmlData(list);
    const QByteArray expected = "  <DT><H3>Work</H3>\r\n"
                                "  <DL><p>\r\n"
                                "    <DT><H3>Dev</H3>\r\n"
                                "    <DL><p>\r\n"
                                "      <DT><A HREF=\"U2\" ADD_DATE=\"20\" ICON_URI=\"\">T2</A>\r\n"
                                "    </DL><p>\r\n"
                                "  </DL><p>\r\n"
                                "  <DT><A HREF=\"U1\" ADD_DATE=\"10\" ICON_URI=\"\">T1</A>\r\n"
                                "  <DD>C\r\n"
                                "</DL><p>\r\n";
    EXPECT_TRUE(data.endsWith(expected)) << data.constData();
    EXPECT_EQ(Lines(data).size(), 15);
}

TEST(HtmlExport, FoldersSortedBeforeItems)
{
    const TWebSiteList list = ListOf({
        Site(u"top"_s, u"http://t/"_s, QString()),
        Site(u"b"_s, u"http://b/"_s, u"B"_s),
        Site(u"ax"_s, u"http://ax/"_s, u"A\\X"_s),
        Site(u"a"_s, u"http://a/"_s, u"a"_s, 0, {}, u"http://a/i.ico"_s),
    });
    EXPECT_EQ(Body(list),
              QStringList({
                  u"  <DT><H3>a</H3>"_s,
                  u"  <DL><p>"_s,
                  u"    <DT><A HREF=\"http://a/\" ADD_DATE=\"0\" "
                  u"ICON_URI=\"http://a/i.ico\">a</A>"_s,
                  u"  </DL><p>"_s,
                  u"  <DT><H3>A</H3>"_s,
                  u"  <DL><p>"_s,
                  u"    <DT><H3>X</H3>"_s,
                  u"    <DL><p>"_s,
                  u"      <DT><A HREF=\"http://ax/\" ADD_DATE=\"0\" ICON_URI=\"\">ax</A>"_s,
                  u"    </DL><p>"_s,
                  u"  </DL><p>"_s,
                  u"  <DT><H3>B</H3>"_s,
                  u"  <DL><p>"_s,
                  u"    <DT><A HREF=\"http://b/\" ADD_DATE=\"0\" ICON_URI=\"\">b</A>"_s,
                  u"  </DL><p>"_s,
                  u"  <DT><A HREF=\"http://t/\" ADD_DATE=\"0\" ICON_URI=\"\">top</A>"_s,
              }));
}

// Letter-case variants of a category each get their own folder, in the user's
// collation ignoring case, ties in code-unit order.
TEST(HtmlExport, FoldersOfCaseVariantsInCollationOrder)
{
    const TWebSiteList list = ListOf({
        Site(u"1"_s, u"http://1/"_s, u"work"_s),
        Site(u"2"_s, u"http://2/"_s, u"b"_s),
        Site(u"3"_s, u"http://3/"_s, u"Work"_s),
        Site(u"4"_s, u"http://4/"_s, QString()),
        Site(u"5"_s, u"http://5/"_s, u"work"_s),
        Site(u"6"_s, u"http://6/"_s, u"WORK"_s),
        Site(u"7"_s, u"http://7/"_s, u"\u00C9t\u00E9"_s),
    });
    QStringList folders;
    for (const QString& line : Body(list))
        if (line.startsWith(u"  <DT><H3>"_s))
            folders.append(line.mid(10).chopped(5));
    EXPECT_EQ(folders, QStringList({u"b"_s, u"\u00C9t\u00E9"_s, u"WORK"_s, u"Work"_s, u"work"_s}));
}

// Every entry is written exactly once, in the folder whose path equals its category.
TEST(HtmlExport, CaseVariantAndEmptyComponentCategories)
{
    const TWebSiteList list = ListOf({
        Site(u"1"_s, u"http://1/"_s, u"Work"_s),
        Site(u"2"_s, u"http://2/"_s, u"work"_s),
        Site(u"3"_s, u"http://3/"_s, u"\\Lead"_s),
        Site(u"4"_s, u"http://4/"_s, u"Work\\"_s),
        Site(u"5"_s, u"http://5/"_s, u"Work\\\\X"_s),
    });
    const auto item = [](const char* n, int depth) {
        return QString(depth * 2, u' ') + u"<DT><A HREF=\"http://"_s + QString::fromLatin1(n)
               + u"/\" ADD_DATE=\"0\" ICON_URI=\"\">"_s + QString::fromLatin1(n) + u"</A>"_s;
    };
    EXPECT_EQ(Body(list), QStringList({
                              u"  <DT><H3></H3>"_s,
                              u"  <DL><p>"_s,
                              u"    <DT><H3>Lead</H3>"_s,
                              u"    <DL><p>"_s,
                              item("3", 3),
                              u"    </DL><p>"_s,
                              u"  </DL><p>"_s,
                              u"  <DT><H3>Work</H3>"_s,
                              u"  <DL><p>"_s,
                              u"    <DT><H3></H3>"_s,
                              u"    <DL><p>"_s,
                              u"      <DT><H3>X</H3>"_s,
                              u"      <DL><p>"_s,
                              item("5", 4),
                              u"      </DL><p>"_s,
                              item("4", 3),
                              u"    </DL><p>"_s,
                              item("1", 2),
                              u"  </DL><p>"_s,
                              u"  <DT><H3>work</H3>"_s,
                              u"  <DL><p>"_s,
                              item("2", 2),
                              u"  </DL><p>"_s,
                          }));
}

TEST(HtmlExport, TextsAreEscaped)
{
    const TWebSiteList list =
        ListOf({Site(u"A & B <P> \"q\" 'a' </A> x>y\tz chrome://settings"_s,
                     u"https://e.com/?a=1&b=\"2\""_s, u"F<1>&\"2\""_s, 5,
                     u" first \r\n\t<DT>second\r\n\r\nthird\nsame line "_s, u"http://i/?a&b"_s)});
    EXPECT_EQ(Body(list),
              QStringList({
                  u"  <DT><H3>F&lt;1&gt;&amp;&quot;2&quot;</H3>"_s,
                  u"  <DL><p>"_s,
                  u"    <DT><A HREF=\"https://e.com/?a=1&amp;b=&quot;2&quot;\" ADD_DATE=\"5\" "
                  u"ICON_URI=\"http://i/?a&amp;b\">A &amp; B &lt;P&gt; &quot;q&quot; 'a' "
                  u"&lt;/A&gt; x&gt;y&#9;z chrome&#58;//settings</A>"_s,
                  u"    <DD>&#32;first&#32;"_s,
                  u"&#9;&lt;DT&gt;second"_s,
                  QString(),
                  u"third&#10;same line&#32;"_s,
                  u"  </DL><p>"_s,
              }));
}

// Texts are stored as Latin-1 when they can be and as UTF-16 otherwise; both
// must come out as the same UTF-8, escapes included.
TEST(HtmlExport, LatinOneAndUtf16TextsGiveTheSameBytes)
{
    const struct
    {
        QString Text;
        QByteArray Expected;
    } Cases[] = {
        {u"Caf\u00E9 \u00FF & CHROME://x"_s, "Caf\xc3\xa9 \xc3\xbf &amp; CHROME&#58;//x"},
        {u"Caf\u00E9 \u65E5 & chrome://x"_s, "Caf\xc3\xa9 \xe6\x97\xa5 &amp; chrome&#58;//x"},
        {u"ends chrome:/"_s, "ends chrome:/"},
        {u"ends \u65E5 chrome:/"_s, "ends \xe6\x97\xa5 chrome:/"},
        {u"xchrome://a chrome:x //"_s, "xchrome&#58;//a chrome:x //"},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Text.toStdString());
        const QByteArray data =
            WebSitesToHtmlData(ListOf({Site(Case.Text, u"http://a/"_s + Case.Text, QString())}));
        EXPECT_TRUE(data.contains("\">" + Case.Expected + "</A>")) << data.constData();
        EXPECT_TRUE(data.contains("HREF=\"http://a/" + Case.Expected + "\"")) << data.constData();
    }
}

TEST(HtmlExport, SaveWritesFileAndRaisesWithPath)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"b.html"_s);
    const TWebSiteList list = ListOf({Site(u"\u65E5\u672C \U0001F600"_s, u"http://x/"_s, {})});
    WebSitesSaveToHtml(list, path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), WebSitesToHtmlData(list));

    const QString bad = path + u"/sub.html"_s; // below a file
    try {
        WebSitesSaveToHtml(list, bad);
        FAIL() << "no error raised";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.FileName(), bad);
    }
}

// Texts that the readers would alter if they were written as they are.
static TWebSiteList RoundTripList()
{
    const QString hard = u"A & B <P> <p> \"q\" 'a' </A> /A> x>y\tz chrome://s &amp; &#9; "
                         u"\u65E5\u672C\u8A9E \U0001F600 \u00A0\u3000"_s;
    TWebSiteList list;
    const auto add = [&](const QString& title, const QString& url, const QString& category,
                         const QString& comment, const QString& icon, qint64 ms) {
        TWebSite s = Site(title, url, category, 0, comment, icon);
        s.AddDate = TDateTime::FromMilliseconds(UnixEpochDateTime.ToMilliseconds() + ms);
        list.Append(s);
    };
    add(hard, u"https://e.com/?a=1&b=\"2\"&c=<3>&copy=1&r=chrome://x"_s, QString(),
        u"first\r\n<DT>not a bookmark\r\n</DL>\r\n\r\n  indented \t\r\nlone\nLF"_s,
        u"https://e.com/i.ico?a&b"_s, 1'700'000'000'999);
    add(u" spaced title "_s, u"http://2/"_s, u"Work"_s, u" \r\n"_s, {}, 5'000);
    add(u"case"_s, u"http://3/"_s, u"work"_s, u"\r\nstarts with a break"_s, {}, 0);
    add(u"lead"_s, u"http://4/"_s, u"\\Lead"_s, {}, {}, 1'000);
    add(u"double"_s, u"http://5/"_s, u"Work\\\\X"_s, {}, {}, 2'000);
    add(u"trail"_s, u"http://6/"_s, u"Work\\"_s, {}, {}, 3'000);
    add(u"deep"_s, u"http://7/"_s, hard + u"\\ sub <H3> \\x"_s, hard, {}, 4'000);
    add(QString(), u"http://8/"_s, u"\\"_s, u"ends with a break\r\n"_s, {}, 6'000);

    return list;
}

// Written by the export, read back by the import: the same texts and dates.
TEST(HtmlExport, RoundTripThroughImport)
{
    const TWebSiteList list = RoundTripList();
    TWebSiteList back;
    WebSitesLoadFromHtmlData(back, WebSitesToHtmlData(list));
    ASSERT_EQ(back.Count(), list.Count());
    for (const TWebSite& s : list) {
        SCOPED_TRACE(s.URL.toStdString());
        const qsizetype i = back.IndexOfURL(s.URL);
        ASSERT_GE(i, 0);
        const TWebSite& got = back[i];
        EXPECT_EQ(got.Title, s.Title);
        EXPECT_EQ(got.IconURL, s.IconURL);
        EXPECT_EQ(got.Category, s.Category);
        EXPECT_EQ(got.Comment, s.Comment);
        EXPECT_EQ(got.AddDate.ToMilliseconds() / 1000, s.AddDate.ToMilliseconds() / 1000);
    }
}

// The round-trip fixture as one list, with a few texts that stress the encoder.
static TWebSiteList GoldenList()
{
    TWebSiteList list = RoundTripList();
    TWebSite s = Site(u"lone "_s + QChar(0xD800) + u" high, lone "_s + QChar(0xDC00) + u" low, "_s
                          + QChar(0xD83D) + u" at the end "_s + QChar(0xD83D),
                      u"https://\u00E9x.com/\u00FC?q=\u65E5"_s, u"\u00C9t\u00E9\\Caf\u00E9"_s,
                      -86400, u"\u00A0nbsp line\u00A0"_s, u"http://i/\U0001F600"_s);
    list.Append(s);
    return list;
}

// The export writes exactly the bytes it always has for these lists.
TEST(HtmlExport, WritesTheSameBytesAsBefore)
{
    static const char Expected[] =
        "\xef\xbb\xbf<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
        "<TITLE>Bookmarks</TITLE>\r\n"
        "<H1>Bookmarks</H1>\r\n"
        "<DL><p>\r\n"
        "  <DT><H3></H3>\r\n"
        "  <DL><p>\r\n"
        "    <DT><H3></H3>\r\n"
        "    <DL><p>\r\n"
        "      <DT><A HREF=\"http://8/\" ADD_DATE=\"6\" ICON_URI=\"\"></A>\r\n"
        "      <DD>ends with a break\r\n"
        "\r\n"
        "    </DL><p>\r\n"
        "    <DT><H3>Lead</H3>\r\n"
        "    <DL><p>\r\n"
        "      <DT><A HREF=\"http://4/\" ADD_DATE=\"1\" ICON_URI=\"\">lead</A>\r\n"
        "    </DL><p>\r\n"
        "  </DL><p>\r\n"
        "  <DT><H3>A &amp; B &lt;P&gt; &lt;p&gt; &quot;q&quot; 'a' &lt;/A&gt; /A&gt; x&gt;y&#9;z "
        "chrome&#58;//s &amp;amp; &amp;#9; \xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e \xf0\x9f\x98\x80 "
        "\xc2\xa0\xe3\x80\x80</H3>\r\n"
        "  <DL><p>\r\n"
        "    <DT><H3> sub &lt;H3&gt; </H3>\r\n"
        "    <DL><p>\r\n"
        "      <DT><H3>x</H3>\r\n"
        "      <DL><p>\r\n"
        "        <DT><A HREF=\"http://7/\" ADD_DATE=\"4\" ICON_URI=\"\">deep</A>\r\n"
        "        <DD>A &amp; B &lt;P&gt; &lt;p&gt; &quot;q&quot; 'a' &lt;/A&gt; /A&gt; x&gt;y&#9;z "
        "chrome&#58;//s &amp;amp; &amp;#9; \xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e \xf0\x9f\x98\x80 "
        "\xc2\xa0\xe3\x80\x80\r\n"
        "      </DL><p>\r\n"
        "    </DL><p>\r\n"
        "  </DL><p>\r\n"
        "  <DT><H3>\xc3\x89t\xc3\xa9</H3>\r\n"
        "  <DL><p>\r\n"
        "    <DT><H3>Caf\xc3\xa9</H3>\r\n"
        "    <DL><p>\r\n"
        "      <DT><A HREF=\"https://\xc3\xa9x.com/\xc3\xbc?q=\xe6\x97\xa5\" ADD_DATE=\"86400\" "
        "ICON_URI=\"http://i/\xf0\x9f\x98\x80\">lone \xef\xbf\xbd high, lone \xef\xbf\xbd low, "
        "\xef\xbf\xbd at the end \xef\xbf\xbd</A>\r\n"
        "      <DD>\xc2\xa0nbsp line\xc2\xa0\r\n"
        "    </DL><p>\r\n"
        "  </DL><p>\r\n"
        "  <DT><H3>Work</H3>\r\n"
        "  <DL><p>\r\n"
        "    <DT><H3></H3>\r\n"
        "    <DL><p>\r\n"
        "      <DT><H3>X</H3>\r\n"
        "      <DL><p>\r\n"
        "        <DT><A HREF=\"http://5/\" ADD_DATE=\"2\" ICON_URI=\"\">double</A>\r\n"
        "      </DL><p>\r\n"
        "      <DT><A HREF=\"http://6/\" ADD_DATE=\"3\" ICON_URI=\"\">trail</A>\r\n"
        "    </DL><p>\r\n"
        "    <DT><A HREF=\"http://2/\" ADD_DATE=\"5\" ICON_URI=\"\"> spaced title </A>\r\n"
        "    <DD>&#32;\r\n"
        "\r\n"
        "  </DL><p>\r\n"
        "  <DT><H3>work</H3>\r\n"
        "  <DL><p>\r\n"
        "    <DT><A HREF=\"http://3/\" ADD_DATE=\"0\" ICON_URI=\"\">case</A>\r\n"
        "    <DD>\r\n"
        "starts with a break\r\n"
        "  </DL><p>\r\n"
        "  <DT><A "
        "HREF=\"https://e.com/"
        "?a=1&amp;b=&quot;2&quot;&amp;c=&lt;3&gt;&amp;copy=1&amp;r=chrome&#58;//x\" "
        "ADD_DATE=\"1700000000\" ICON_URI=\"https://e.com/i.ico?a&amp;b\">A &amp; B &lt;P&gt; "
        "&lt;p&gt; &quot;q&quot; 'a' &lt;/A&gt; /A&gt; x&gt;y&#9;z chrome&#58;//s &amp;amp; "
        "&amp;#9; \xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e \xf0\x9f\x98\x80 "
        "\xc2\xa0\xe3\x80\x80</A>\r\n"
        "  <DD>first\r\n"
        "&lt;DT&gt;not a bookmark\r\n"
        "&lt;/DL&gt;\r\n"
        "\r\n"
        "&#32;&#32;indented&#32;&#9;\r\n"
        "lone&#10;LF\r\n"
        "</DL><p>\r\n";
    EXPECT_EQ(WebSitesToHtmlData(GoldenList()), QByteArray(Expected, sizeof Expected - 1));
}

// A generous bound for the large lists below: linear work takes a fraction of it,
// work growing with the square of the size takes many times more.
constexpr qint64 LargeListMilliseconds = 3'000;

// Many folders side by side, the same names under different parents: every entry
// reads back in its own folder.
TEST(HtmlExport, ManySiblingFoldersReadBack)
{
    constexpr int Count = 20'000;
    TWebSiteList list;
    for (int k = 0; k < Count; ++k) {
        const int i = int((qint64(k) * 7919) % Count); // not in name order
        const QString name = u"N%1"_s.arg(i);
        list.Append(Site(u"top %1"_s.arg(i), u"http://t/%1"_s.arg(i), name));
        list.Append(Site(u"a %1"_s.arg(i), u"http://a/%1"_s.arg(i), u"A\\"_s + name));
        list.Append(Site(u"b %1"_s.arg(i), u"http://b/%1"_s.arg(i), u"B\\"_s + name));
    }
    QElapsedTimer timer;
    timer.start();
    const QByteArray data = WebSitesToHtmlData(list);
    EXPECT_LT(timer.elapsed(), LargeListMilliseconds);
    EXPECT_EQ(data.count("<DT><H3>"), 3 * Count + 2);

    TWebSiteList loaded;
    WebSitesLoadFromHtmlData(loaded, data);
    const TWebSiteList& back = loaded; // read-only: keeps the URL index valid
    ASSERT_EQ(back.Count(), list.Count());
    for (const TWebSite& s : list) {
        const qsizetype i = back.IndexOfURL(s.URL);
        ASSERT_GE(i, 0) << s.URL.toStdString();
        ASSERT_EQ(back[i].Category, s.Category) << s.URL.toStdString();
        ASSERT_EQ(back[i].Title, s.Title);
    }
}

// A chain of 5,000 folders: the indentation stops growing at 64 levels, so the
// file grows with the entries only, and the nesting still reads back exactly as
// deep as the reader goes.
TEST(HtmlExport, DeepFoldersStayLinear)
{
    constexpr int Depth = 5'000;
    QString deepest;
    std::vector<QString> pathAt(Depth + 1);
    for (int level = 1; level <= Depth; ++level) {
        if (level > 1)
            deepest += u'\\';
        deepest += QChar(u'a' + level % 26);
        pathAt[size_t(level)] = deepest;
    }
    const std::vector<int> levels = {
        1, 63, 64, 65, 66, 200, MaxBookmarkFolderDepth, MaxBookmarkFolderDepth + 1, 4'999, Depth};
    TWebSiteList list;
    for (const int level : levels)
        list.Append(Site(u"at %1"_s.arg(level), u"http://d/%1"_s.arg(level), pathAt[size_t(level)],
                         level, u"note\r\n  second line"_s));
    list.Append(Site(u"top"_s, u"http://top/"_s, QString()));

    QElapsedTimer timer;
    timer.start();
    const QByteArray data = WebSitesToHtmlData(list);
    EXPECT_LT(timer.elapsed(), LargeListMilliseconds);

    // Two folder lines and one closing line per level, none indented past 64 levels.
    const QStringList lines = Lines(data);
    qsizetype widest = 0;
    for (const QString& line : lines) {
        qsizetype blanks = 0;
        while (blanks < line.size() && line[blanks] == u' ')
            ++blanks;
        widest = std::max(widest, blanks);
    }
    EXPECT_EQ(widest, 128);
    EXPECT_EQ(lines.filter(u"<DT><H3>"_s).size(), Depth);
    EXPECT_EQ(lines.filter(u"</DL><p>"_s).size(), Depth + 1);
    EXPECT_LT(data.size(), 3'000'000);

    TWebSiteList back;
    WebSitesLoadFromHtmlData(back, data);
    ASSERT_EQ(back.Count(), list.Count());
    for (const TWebSite& s : list) {
        SCOPED_TRACE(s.URL.toStdString());
        const qsizetype i = back.IndexOfURL(s.URL);
        ASSERT_GE(i, 0);
        const int level = s.Category.isEmpty() ? 0 : int(s.Category.count(u'\\')) + 1;
        // The reader keeps at most MaxBookmarkFolderDepth levels.
        EXPECT_EQ(back[i].Category, pathAt[size_t(std::min(level, MaxBookmarkFolderDepth))]);
        EXPECT_EQ(back[i].Title, s.Title);
        EXPECT_EQ(back[i].Comment, s.Comment);
    }
}

// Long texts of every kind of character cross the write buffer at every offset:
// the file stays valid UTF-8 and reads back to the same texts (a lone surrogate,
// which UTF-8 cannot hold, as U+FFFD).
TEST(HtmlExport, LongTextsCrossTheWriteBuffer)
{
    const QString piece = u"ab&<\"\u00E9\u65E5\U0001F600"_s + QChar(0xD800) + u"x\tchrome://y"_s
                          + QChar(0xDC00) + u"\u00A0"_s;
    QString unit;
    while (unit.size() < 100'000)
        unit += piece;
    TWebSiteList list;
    for (int offset = 0; offset < 8; ++offset) {
        const QString text = QString(offset, u'o') + unit;
        list.Append(Site(text, u"http://x/%1/"_s.arg(offset) + text, u"F\\"_s + text.left(500),
                         offset, text + u"\r\n"_s + text));
    }
    const QByteArray data = WebSitesToHtmlData(list);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8.decode(data);
    EXPECT_FALSE(utf8.hasError());

    TWebSiteList back;
    WebSitesLoadFromHtmlData(back, data);
    ASSERT_EQ(back.Count(), list.Count());
    const auto stored = [](QString text) {
        return text.replace(QChar(0xD800), QChar::ReplacementCharacter)
            .replace(QChar(0xDC00), QChar::ReplacementCharacter);
    };
    for (qsizetype k = 0; k < list.Count(); ++k) {
        SCOPED_TRACE(k);
        const TWebSite& got = back[k];
        // Compared whole, not printed: the texts are long.
        EXPECT_TRUE(got.Title == stored(list[k].Title));
        EXPECT_TRUE(got.Comment == stored(list[k].Comment));
        EXPECT_TRUE(got.Category == stored(list[k].Category));
    }
}

// A surrogate without its other half has no UTF-8 form: it is written as U+FFFD,
// in a title (escaped text, UTF-16 or not) and in an address, wherever it stands.
TEST(HtmlExport, LoneSurrogatesBecomeReplacementCharacters)
{
    struct TCase
    {
        QString Text;
        QByteArray Utf8;
    };
    const QString high(QChar(0xD800));
    const QString low(QChar(0xDC00));
    const QString pair = QString::fromUtf16(u"\U0001F600");
    const std::vector<TCase> cases = {
        {u"a"_s + high + u"b"_s, "a\xef\xbf\xbd"
                                 "b"},
        {u"a"_s + low + u"b"_s, "a\xef\xbf\xbd"
                                "b"},
        {u"end"_s + high, "end\xef\xbf\xbd"},
        {low + high, "\xef\xbf\xbd\xef\xbf\xbd"},
        {high + pair, "\xef\xbf\xbd\xf0\x9f\x98\x80"},
        {u"&"_s + high + u"<"_s, "&amp;\xef\xbf\xbd&lt;"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Utf8.toStdString());
        const QByteArray data = WebSitesToHtmlData(
            ListOf({Site(c.Text, u"http://x/"_s + c.Text, QString(), 0, QString(), QString())}));
        EXPECT_TRUE(data.contains("\">" + c.Utf8 + "</A>")) << data.toStdString();
        EXPECT_TRUE(data.contains("HREF=\"http://x/" + c.Utf8 + "\"")) << data.toStdString();
    }
}

#ifdef Q_OS_UNIX
// A write that fails part way (here: past the file size limit) raises the error
// with the file's name and leaves the old file as it was, with no partial file
// beside it.
TEST(HtmlExport, FailedWriteKeepsTheOldFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"b.html"_s);
    const TWebSiteList small = ListOf({Site(u"old"_s, u"http://old/"_s, {})});
    WebSitesSaveToHtml(small, path);
    const QByteArray before = WebSitesToHtmlData(small);

    TWebSiteList big;
    for (int i = 0; i < 20'000; ++i)
        big.Append(Site(u"entry %1"_s.arg(i), u"http://e/%1"_s.arg(i), u"F%1"_s.arg(i % 50)));

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit limited = old;
    limited.rlim_cur = 200'000;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    bool raised = false;
    QString name;
    try {
        WebSitesSaveToHtml(big, path);
    } catch (const EFileError& e) {
        raised = true;
        name = e.FileName();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(raised);
    EXPECT_EQ(name, path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({u"b.html"_s}));
}
#endif
