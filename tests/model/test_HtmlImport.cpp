#include <model/uBookmarkHtml.h>
#include <model/uBookmarkHtmlImport.h>

#include "PrintQt.h"

#include <platform/uOsServices.h>

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace {

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

const char* const Header =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
    "<!-- This is an automatically generated file.\n"
    "     It will be read and overwritten.\n"
    "     DO NOT EDIT! -->\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
    "<TITLE>Bookmarks</TITLE>\n";

// A small export: the header, the heading, the body lines inside the root list.
QByteArray Doc(std::initializer_list<const char*> body, const char* heading = "<H1>Bookmarks</H1>",
               const char* eol = "\n")
{
    QByteArray d = QByteArray(Header).replace("\n", eol);
    d += QByteArray(heading) + eol + "<DL><p>" + eol;
    for (const char* line : body)
        d += QByteArray(line) + eol;
    d += QByteArray("</DL><p>") + eol;
    return d;
}

std::int64_t NowMs()
{
    return TDateTime::Now().ToMilliseconds();
}

TWebSiteList Load(const QByteArray& data)
{
    TWebSiteList list;
    WebSitesLoadFromHtmlData(list, data);
    return list;
}

QStringList Field(const TWebSiteList& list, TSiteText TWebSite::*field)
{
    QStringList r;
    for (const auto& s : list)
        r << s.*field;
    return r;
}

// "title|URL|category" of every entry, for compact expectations.
QStringList Entries(const TWebSiteList& list)
{
    QStringList r;
    for (const auto& s : list)
        r << s.Title + u'|' + s.URL + u'|' + s.Category;
    return r;
}

QByteArray Utf16(const QByteArray& utf8, bool bigEndian)
{
    QStringEncoder enc(bigEndian ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
                       QStringConverter::Flag::WriteBom);
    return enc.encode(QString::fromUtf8(utf8));
}

// ---- Whole files -------------------------------------------------------------------

TEST(HtmlImport, ChromeStyleExportWithNestedFolders)
{
    const QByteArray data =
        Doc({"    <DT><H3 ADD_DATE=\"1\" LAST_MODIFIED=\"2\" "
             "PERSONAL_TOOLBAR_FOLDER=\"true\">Work</H3>",
             "    <DL><p>",
             "        <DT><A HREF=\"https://a.example/\" ADD_DATE=\"60\" "
             "ICON=\"data:image/png;base64,iVBO/A>\">A</A>",
             "        <DT><H3 ADD_DATE=\"1\">Projects</H3>", "        <DL><p>",
             "            <DT><A HREF=\"https://b.example/\" ADD_DATE=\"1700000000\">B</A>",
             "        </DL><p>",
             "        <DT><A HREF=\"https://c.example/\" ICON_URI=\"https://c.example/f.ico\" "
             "ADD_DATE=\"0\">C</A>",
             "    </DL><p>", "    <DT><A HREF=\"https://d.example/\" ADD_DATE=\"5\">D</A>"},
            "<H1>Bookmarks</H1>", "\r\n");
    const TWebSiteList list = Load(data);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(Field(list, &TWebSite::Title), (QStringList{S("A"), S("B"), S("C"), S("D")}));
    EXPECT_EQ(Field(list, &TWebSite::Category),
              (QStringList{S("Work"), S("Work\\Projects"), S("Work"), QString()}));
    EXPECT_EQ(list[0].AddDate, TDateTime::FromDateTime(QDate(1970, 1, 1), QTime(0, 1)));
    EXPECT_EQ(DateToUnixText(list[1].AddDate), S("1700000000"));
    EXPECT_EQ(list[0].IconURL, QString()); // the embedded ICON data is not read
    EXPECT_EQ(list[2].IconURL, S("https://c.example/f.ico"));
    EXPECT_TRUE(list[0].Visible);
    EXPECT_FALSE(list[0].Selected);
}

// Files as browsers, bookmark services and other tools write them: layout does not matter.
TEST(HtmlImport, LayoutsOfTheWild)
{
    struct
    {
        const char* What;
        QByteArray Html;
        QStringList Expected; // "title|URL|category"
    } const cases[] = {
        {"no DOCTYPE (Google Bookmarks)",
         "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
         "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>\n"
         "<DT><H3 ADD_DATE=\"1\">Labels</H3>\n<DL><p>\n"
         "<DT><A HREF=\"https://g.example/\" "
         "ADD_DATE=\"1300000000000000\">G</A>\n</DL><p>\n</DL><p>\n",
         {S("G|https://g.example/|Labels")}},
        {"no heading, no list",
         "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DT><A HREF=\"http://a/\">a</A>\n"
         "<DT><A HREF=\"http://b/\">b</A>\n",
         {S("a|http://a/|"), S("b|http://b/|")}},
        {"heading and bookmark on one line (legacy Shaarli)",
         "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>Export</TITLE>\n"
         "<H1>Bookmarks</H1><DT><A HREF=\"http://s/\" ADD_DATE=\"1\" PRIVATE=\"0\" "
         "TAGS=\"x\">s</A>\n"
         "<DD>note\n",
         {S("s|http://s/|")}},
        {"lower case (Scuttle, GNOME Web)",
         "<!doctype netscape-bookmark-file-1>\n<h1>Bookmarks</h1>\n<dl><p>\n"
         "<dt><h3>Web</h3>\n<dl><p>\n<dt><a href=\"http://l/\" add_date=\"2\">low</a>\n</dl><p>\n"
         "<dt><a href=\"http://top/\">top</a>\n</dl>\n",
         {S("low|http://l/|Web"), S("top|http://top/|")}},
        {"attribute value over several lines",
         "<DL><p>\n<DT><A HREF=\"http://m/\" ADD_DATE=\"1700000000\" DESCRIPTION=\"one\ntwo\n"
         "three\">multi</A>\n</DL>\n",
         {S("multi|http://m/|")}},
        {"single-quoted and bare values",
         "<DL><p><DT><A HREF='http://q/' ADD_DATE='3'>quoted</A>"
         "<DT><A HREF=http://bare/ ADD_DATE=4>bare</A></DL>",
         {S("quoted|http://q/|"), S("bare|http://bare/|")}},
        {"Vivaldi separator placeholders",
         "<DL><p>\n<DT><A HREF=\"http://bookmark.placeholder.url/\" ADD_DATE=\"1\">---</A>\n"
         "<DT><A HREF=\"http://v/\">v</A>\n"
         "<DT><A HREF=\"http://bookmark.placeholder.url/\">separator</A>\n</DL>\n",
         {S("v|http://v/|")}},
        {"one line",
         "<!DOCTYPE NETSCAPE-Bookmark-file-1><META "
         "CHARSET=\"utf-8\"><TITLE>B</TITLE><H1>Bookmarks</H1>"
         "<DL><p><DT><H3>F</H3><DL><p><DT><A HREF=\"http://1/\">1</A><DT><H3>G</H3><DL><p>"
         "<DT><A HREF=\"http://2/\">2</A></DL><p><DT><A HREF=\"http://3/\">3</A></DL><p>"
         "<DT><A HREF=\"http://4/\">4</A></DL><p>",
         {S("1|http://1/|F"), S("2|http://2/|F\\G"), S("3|http://3/|F"), S("4|http://4/|")}},
        {"Firefox separators and descriptions",
         "<DL><p>\n    <HR>    <DT><A HREF=\"http://f/\">f</A>\n    <DD>about f\n"
         "    <DT><H3 UNFILED_BOOKMARKS_FOLDER=\"true\">Other</H3>\n    <DD>folder note\n    "
         "<DL><p>\n"
         "        <HR><DT><A HREF=\"http://o/\">o</A>\n    </DL><p>\n</DL>\n",
         {S("f|http://f/|"), S("o|http://o/|Other")}},
        {"Internet Explorer and Safari",
         "<HTML>\n<DL><p>\n\t<DT><H3 FOLDED ADD_DATE=\"1\">Links</H3>\n\t<DL><p>\n"
         "\t\t<DT><A HREF=\"http://ie/\" ADD_DATE=\"1\" "
         "LAST_VISIT=\"2\">ie</A>\n\t</DL><p>\n</DL><p>\n</HTML>\n",
         {S("ie|http://ie/|Links")}},
        {"missing </A> and </H3>",
         "<DL><p>\n<DT><H3>Open\n<DL><p>\n<DT><A HREF=\"http://n/\">no end\n<DT><A "
         "HREF=\"http://e/\">e</A>\n"
         "</DL>\n",
         {S("no end|http://n/|Open"), S("e|http://e/|Open")}},
        {"a tag whose '>' is missing",
         "<DL><p>\n<DT><A HREF=\"http://cut/\"\n<DT><A HREF=\"http://next/\">next</A>\n</DL>\n",
         {S("|http://cut/|"), S("next|http://next/|")}},
        {"markup inside a title",
         "<DT><A HREF=\"http://t/\">Set<p>tings <b>page</b></A>",
         {S("Settings page|http://t/|")}},
        {"chrome:// read as http://, only in addresses",
         "<DT><A HREF=\"chrome://settings/\">see chrome://flags</A>",
         {S("see chrome://flags|http://settings/|")}},
        {"title and folder name spread over lines",
         "<DT><H3>\n    Long\n    name\n</H3>\n<DL><p>\n<DT><A HREF=\"http://w/\">\n  wrapped\n  "
         "title\n</A>\n</DL>",
         {S("wrapped title|http://w/|Long name")}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Entries(Load(c.Html)), c.Expected) << c.What;
}

TEST(HtmlImport, DatesInSecondsMillisecondsAndMicroseconds)
{
    struct
    {
        const char* Text;
        const char* Seconds; // DateToUnixText of the result; nullptr: no date
    } const cases[] = {
        {"1700000000", "1700000000"},
        {"1700000000123", "1700000000"},    // 13 digits: milliseconds
        {"17000000001", "17000000001"},     // 11 digits: seconds (the year 2508)
        {"170000000012", "170000000"},      // 12 digits: milliseconds
        {"1700000000999999", "1700000000"}, // microseconds, never rounded up
        {"13000000000000", "13000000"},     // 14 digits: microseconds
        {"9999999999", "9999999999"},       // 10 digits: seconds
        {"60", "60"},
        {"0", "0"},
        {" 60 ", "60"},
        {"+5", "5"},
        {"-60", "60"}, // the export writes whole seconds apart from 1970
        {"", nullptr},
        {"12abc", nullptr},
        {"1e9", nullptr},
        {"1234567890123456789", nullptr}, // beyond any date
    };
    for (const auto& c : cases) {
        TDateTime d;
        const bool ok = BookmarkDateToDate(c.Text, d);
        EXPECT_EQ(ok, c.Seconds != nullptr) << c.Text;
        if (ok && c.Seconds) {
            EXPECT_EQ(DateToUnixText(d), S(c.Seconds)) << c.Text;
        }
    }
    // Exact to the second: no floating-point day count off by one.
    for (std::int64_t sec : {100000000LL, 1234567891LL, 1699999999LL, 4102444799LL}) {
        TDateTime d;
        ASSERT_TRUE(BookmarkDateToDate(QByteArray::number(sec * 1'000'000 + 999'999), d));
        EXPECT_EQ(d.ToMilliseconds(), UnixEpochDateTime.ToMilliseconds() + sec * 1000) << sec;
        ASSERT_TRUE(BookmarkDateToDate(QByteArray::number(sec * 1'000 + 999), d));
        EXPECT_EQ(d.ToMilliseconds(), UnixEpochDateTime.ToMilliseconds() + sec * 1000) << sec;
    }
    // What the writer gives a date reads back as that date, in any year.
    for (std::int64_t sec : {0LL, 1700000000LL, 9999999999LL, 10000000000LL, 17000000002LL,
                             99999999999LL, 100000000000LL, 999999999999LL}) {
        const TDateTime date = TDateTime::FromMilliseconds(UnixEpochMSecs + sec * 1000);
        TDateTime back;
        ASSERT_TRUE(BookmarkDateToDate(BookmarkDateText(date).toLatin1(), back)) << sec;
        EXPECT_EQ(back, date) << sec << " " << BookmarkDateText(date).toStdString();
    }
    TDateTime before;
    ASSERT_TRUE(BookmarkDateToDate("-1", before));
    EXPECT_EQ(before.ToMilliseconds(), UnixEpochDateTime.ToMilliseconds() - 1000);
    // -1.5e9 s and a half: the second it falls in.
    ASSERT_TRUE(BookmarkDateToDate("-1500000000500", before));
    EXPECT_EQ(before.ToMilliseconds(), UnixEpochDateTime.ToMilliseconds() - 1'500'000'001'000LL);

    // ADD_DATE first, LAST_MODIFIED when it has none, the time of reading otherwise.
    const std::int64_t start = NowMs();
    const TWebSiteList list = Load(Doc({
        "<DT><A HREF=\"http://a/\" ADD_DATE=\"1700000000000\" LAST_MODIFIED=\"5\">a</A>",
        "<DT><A HREF=\"http://b/\" LAST_MODIFIED=\"1600000000000000\">b</A>",
        "<DT><A HREF=\"http://c/\" ADD_DATE=\"junk\">c</A>",
    }));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(DateToUnixText(list[0].AddDate), S("1700000000"));
    EXPECT_EQ(DateToUnixText(list[1].AddDate), S("1600000000"));
    EXPECT_GE(list[2].AddDate.ToMilliseconds(), start);
    EXPECT_LE(list[2].AddDate.ToMilliseconds(), NowMs());
}

TEST(HtmlImport, Encodings)
{
    const QByteArray utf8 = Doc(
        {"<DT><H3>Caf\xc3\xa9</H3>", "<DL><p>",
         "<DT><A HREF=\"http://e/\">\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80</A>", "</DL><p>"});
    const QStringList expected{
        S("\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80|http://e/|Caf\xc3\xa9")};
    EXPECT_EQ(Entries(Load(utf8)), expected) << "UTF-8";
    EXPECT_EQ(Entries(Load("\xEF\xBB\xBF" + utf8)), expected) << "UTF-8 with BOM";
    EXPECT_EQ(Entries(Load(Utf16(utf8, false))), expected) << "UTF-16LE";
    EXPECT_EQ(Entries(Load(Utf16(utf8, true))), expected) << "UTF-16BE";

    // A META charset decides over the bytes' look.
    const QByteArray cp1252 =
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1252\">\r\n"
        "<DL><p><DT><H3>Caf\xe9</H3><DL><p>"
        "<DT><A HREF=\"http://w/\">\x80 \x93quoted\x94</A></DL><p></DL><p>\r\n";
    EXPECT_EQ(Entries(Load(cp1252)),
              QStringList{S("\xe2\x82\xac \xe2\x80\x9cquoted\xe2\x80\x9d|http://w/|Caf\xc3\xa9")});
    const QByteArray sjis =
        "<meta charset=\"Shift_JIS\"><DT><A HREF=\"http://j/\">\x93\xfa\x96\x7b</A>";
    EXPECT_EQ(Entries(Load(sjis)), QStringList{S("\xe6\x97\xa5\xe6\x9c\xac|http://j/|")});
    // A META naming UTF-16 in a file readable as ASCII is wrong: it is read as UTF-8.
    EXPECT_EQ(Entries(Load("<META CHARSET=\"utf-16\"><A HREF=\"http://u/\">\xc3\xa9</A>")),
              QStringList{S("\xc3\xa9|http://u/|")});
    // An unknown charset falls through to the next rule.
    EXPECT_EQ(Entries(Load("<META CHARSET=\"no-such\"><A HREF=\"http://u/\">\xc3\xa9</A>")),
              QStringList{S("\xc3\xa9|http://u/|")});

    // No mark, no META: valid UTF-8 is UTF-8, anything else the legacy code page.
    const QByteArray legacy = "<DT><A HREF=\"http://l/\">caf\xe9</A>";
    EXPECT_EQ(Entries(Load(legacy)), QStringList{DecodeLegacyText("caf\xe9") + S("|http://l/|")});
}

// UTF-16 goes straight to UTF-8; runs of ASCII take a faster path, so mixed text
// of every length is held against Qt's conversion.
TEST(HtmlImport, Utf16ToUtf8)
{
    const char16_t units[] = {u'a', u'<', u'\u00e9', u'\u65e5', 0xD83D, 0xDE00, u' ', u'\u007f'};
    std::mt19937 rng(4);
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int len = int(rng() % 24);
        for (int i = 0; i < len; ++i) {
            const char16_t c = units[rng() % std::size(units)];
            if (c == 0xD83D || c == 0xDE00)
                text += QString::fromUtf16(u"\U0001F600");
            else
                text += QChar(c);
        }
        for (bool big : {false, true}) {
            QByteArray converted;
            const QByteArray bytes = Utf16(text.toUtf8(), big);
            ASSERT_EQ(BookmarkHtmlAsUtf8(bytes, converted).toByteArray(), text.toUtf8()) << round;
        }
    }
    // A lone surrogate and an odd last byte become U+FFFD.
    QByteArray converted;
    EXPECT_EQ(BookmarkHtmlAsUtf8(QByteArray("\xFF\xFE"
                                            "a\0\x00\xD8"
                                            "b\0"
                                            "c",
                                            9),
                                 converted)
                  .toByteArray(),
              QByteArray("a\xEF\xBF\xBD"
                         "b\xEF\xBF\xBD"));
    EXPECT_EQ(BookmarkHtmlAsUtf8(QByteArray("\xFE\xFF"
                                            "\xDC\x00"
                                            "\0a",
                                            6),
                                 converted)
                  .toByteArray(),
              QByteArray("\xEF\xBF\xBD"
                         "a"));
}

TEST(HtmlImport, FolderStackEdgeCases)
{
    const TWebSiteList list = Load(Doc({
        "</DL><p>", // nothing open: stays empty
        "<DT><A HREF=\"http://top/\">top</A>",
        "<DT><H3 ADD_DATE=\"1\"></H3>",
        "<DL><p>",
        "<DT><A HREF=\"http://empty/\">e</A>",
        "<DT><H3>A &amp; B</H3>",
        "<DL><p>",
        "<DT><A HREF=\"http://ab/\">ab</A>",
        "<DT><H3> spaced </H3>",
        "<DL><p>",
        "<DT><A HREF=\"http://sp/\">sp</A>",
        "</DL><p>",
        "</DL><p>",
        "</DL><p>",
        "<DT><A HREF=\"http://after/\">after</A>",
    }));
    EXPECT_EQ(Field(list, &TWebSite::Category),
              (QStringList{QString(), QString(), S("\\A & B"), S("\\A & B\\ spaced "), QString()}));
}

// Folders below 255 levels are read into the 255th; a category never grows past
// its length limit either (a folder that would pass it is read into its parent).
TEST(HtmlImport, DepthAndLengthLimits)
{
    QByteArray deep = "<DL><p>\n";
    for (int i = 0; i < 300; ++i)
        deep += "<DT><H3>f</H3>\n<DL><p>\n<DT><A HREF=\"http://d/" + QByteArray::number(i)
                + "\">x</A>\n";
    for (int i = 0; i < 300; ++i)
        deep += "</DL><p>\n<DT><A HREF=\"http://up/" + QByteArray::number(i) + "\">x</A>\n";
    const TWebSiteList list = Load(deep);
    ASSERT_EQ(list.Count(), 600);
    const auto depth = [](const QString& c) { return c.isEmpty() ? 0 : c.count(u'\\') + 1; };
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(depth(list[i].Category), std::min(i + 1, MaxBookmarkFolderDepth)) << i;
    // Closing the 300 levels one by one: the first 45 closings stay at the 255th.
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(depth(list[300 + i].Category), std::min(299 - i, MaxBookmarkFolderDepth)) << i;

    const QByteArray name(400, 'n');
    QByteArray longNames;
    for (int i = 0; i < 4; ++i)
        longNames += "<DT><H3>" + name + "</H3><DL><p><DT><A HREF=\"http://l/"
                     + QByteArray::number(i) + "\">x</A>";
    longNames += "</DL></DL></DL><DT><A HREF=\"http://l/back\">x</A>";
    const TWebSiteList longList = Load(longNames);
    ASSERT_EQ(longList.Count(), 5);
    const QString one = QString::fromLatin1(name);
    EXPECT_EQ(longList[0].Category, one);
    EXPECT_EQ(longList[1].Category, one + u'\\' + one);
    EXPECT_EQ(longList[2].Category, longList[1].Category); // 1203 characters would pass the limit
    EXPECT_EQ(longList[3].Category, longList[1].Category);
    EXPECT_EQ(longList[4].Category, one); // three lists closed: back in the first folder
    EXPECT_LE(longList[3].Category.size(), MaxBookmarkCategoryLength);
}

TEST(HtmlImport, DuplicateURLsMergeAcrossFolders)
{
    const TWebSiteList list = Load(Doc({
        "<DT><A HREF=\"http://dup/\" ADD_DATE=\"100\">first</A>",
        "<DT><H3>F</H3>",
        "<DL><p>",
        "<DT><A HREF=\"http://dup/\" ADD_DATE=\"50\">second</A>",
        "<DT><A HREF=\"http://Dup/\" ADD_DATE=\"50\">case differs</A>",
        "</DL><p>",
    }));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].Title, S("first"));
    EXPECT_EQ(list[0].Category, S("F")); // was empty, so it takes the folder
    EXPECT_EQ(DateToUnixText(list[0].AddDate), S("50"));
}

// <DD> comments go to the entry the preceding bookmark created or merged into.
TEST(HtmlImport, CommentTargets)
{
    const TWebSiteList list = Load(Doc({
        "<DD>before anything", // no entry yet: discarded, no failure
        "<DT><A HREF=\"http://a/\">a</A>",
        "<DD>line one",
        "   line two  ",
        "",
        "<DT><A HREF=\"http://b/\">b</A>",
        "<DD>b's comment",
        "<DT><A HREF=\"javascript:void(0)\">js</A>",
        "<DD>belongs to the dropped line",
        "<DT><A HREF=\"http://a/\">a again</A>",
        "<DD>merged &amp; appended",
        "<DT><A HREF=\"http://b/\">b again</A>",
        "<DD>b's comment",
        "<DT><H3>Folder</H3>",
        "<DD>folder description",
        "<DL><p>",
        "<DT><A HREF=\"http://c/\">c</A>",
        "<DD>c1 <b>raw</b><p>markup",
        "</DL><p>",
        "<DT><A HREF=\"http://d/\">d</A>",
        "<DD>ended by the closing list line",
        "<DT><A HREF=\"http://e/\">e</A><DD>same line<DT><A HREF=\"http://f/\">f</A>",
        "<DT><A HREF=\"http://bookmark.placeholder.url/\">--</A>",
        "<DD>under a separator: dropped",
    }));
    ASSERT_EQ(list.Count(), 6);
    EXPECT_EQ(list[0].Comment, S("line one\r\nline two\r\n\r\nmerged & appended"));
    EXPECT_EQ(list[1].Comment, S("b's comment")); // same text is not appended twice
    EXPECT_EQ(list[2].Comment, S("c1 <b>raw</b>markup"));
    EXPECT_EQ(list[3].Comment, S("ended by the closing list line"));
    EXPECT_EQ(list[4].Comment, S("same line"));
    EXPECT_EQ(list[5].Comment, QString());

    // A comment still open when a cut-off file ends is kept.
    const TWebSiteList open = Load(QByteArray(Header)
                                   + "<H1>Bookmarks</H1>\n"
                                     "<DT><A HREF=\"http://e/\">e</A>\n<DD>open\n  end");
    ASSERT_EQ(open.Count(), 1);
    EXPECT_EQ(open[0].Comment, S("open\r\nend"));
}

TEST(HtmlImport, CharacterReferencesAreDecoded)
{
    const TWebSiteList list = Load(Doc({
        "<DT><A HREF=\"https://q.example/?a=1&copy=1&notify=yes&amp;x=&quot;\" "
        "ICON_URI=\"https://q.example/i.ico?s=1&amp;t=2\">Tom &amp; Jerry&#39;s &lt;b&gt; "
        "&#x263A; &#9731; &nbsp;&apos;&quot; &bogus; &amp</A>",
    }));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].URL, S("https://q.example/?a=1&copy=1&notify=yes&x=\""));
    EXPECT_EQ(list[0].IconURL, S("https://q.example/i.ico?s=1&t=2"));
    EXPECT_EQ(list[0].Title,
              S("Tom & Jerry's <b> \xe2\x98\xba \xe2\x98\x83 \xc2\xa0'\" &bogus; &amp"));
}

TEST(HtmlImport, DecodeHtmlReferencesTable)
{
    struct
    {
        const char* In;
        const char* Out;
    } const cases[] = {
        {"a &amp;amp; b", "a &amp; b"},
        {"&#65;&#x41;&#X41;&#0065;", "AAAA"},
        {"&#x1F600;", "\xf0\x9f\x98\x80"},
        {"&#0; &#xD800; &#x110000; &#99999999999999;",
         "\xef\xbf\xbd \xef\xbf\xbd \xef\xbf\xbd \xef\xbf\xbd"},
        {"&#; &#x; &#65 &#xZ; & &; &AMP;", "&#; &#x; &#65 &#xZ; & &; &AMP;"},
        {"&copy=1&notify=yes", "&copy=1&notify=yes"},
        {"&&amp;&", "&&&"},
        // The names browsers know beyond XML's, in their own letter case.
        {"&eacute;&Eacute;&euro;&copy;&hellip;",
         "\xc3\xa9\xc3\x89\xe2\x82\xac\xc2\xa9\xe2\x80\xa6"},
        {"&EURO; &eacutex; &verylongname;", "&EURO; &eacutex; &verylongname;"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeHtmlReferences(S(c.In)), S(c.Out)) << c.In;
    // A text of nothing but "&", or of references never closed, is one pass.
    for (const QString& text :
         {QString(1 << 20, u'&'), QStringLiteral("&#1234567").repeated(1 << 16),
          QStringLiteral("&eacute").repeated(1 << 16)})
        EXPECT_EQ(DecodeHtmlReferences(text), text);
}

TEST(HtmlImport, NetscapeBookmarkFileHead)
{
    struct
    {
        QByteArray Head;
        bool Is;
    } const cases[] = {
        {"<!DOCTYPE NETSCAPE-Bookmark-file-1>\n", true},
        {"\xEF\xBB\xBF<!doctype netscape-bookmark-file-1>", true},
        {"<!-- saved -->\n\n  <!DOCTYPE  NETSCAPE-BOOKMARK-FILE-1 >", true},
        {Utf16("<!DOCTYPE NETSCAPE-Bookmark-file-1>", false), true},
        {Utf16("<!DOCTYPE NETSCAPE-Bookmark-file-1>", true), true},
        {"<!DOCTYPE html>\n<html><body><a href=\"http://x/\">x</a>", false},
        {"<META CHARSET=\"utf-8\"><DL><DT><A HREF=\"http://x/\">x</A>", false},
        {"NETSCAPE-Bookmark-file-1", false},
        {QByteArray(1100, ' ') + "<!DOCTYPE NETSCAPE-Bookmark-file-1>", false}, // past the first KB
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsNetscapeBookmarkFileHead(c.Head), c.Is) << c.Head.left(60).constData();
}

// ---- Hostile input: every case linear, no crash, no hang -----------------------------

TEST(HtmlImport, HostileInputs)
{
    std::mt19937 rng(1);
    const QByteArray head = QByteArray(Header) + "<H1>Bookmarks</H1>\n<DL><p>\n";

    QByteArray garbage;
    for (int i = 0; i < 2 * 1024 * 1024; ++i)
        garbage += char(rng() & 0xFF);
    Load(garbage);
    Load(head + garbage);

    // A 5 MB tag that never closes, and a 5 MB title that is never closed.
    TWebSiteList list = Load(head + "<DT><A HREF=\"http://long/\" " + QByteArray(5 << 20, 'x'));
    EXPECT_EQ(list.Count(), 0);
    list = Load(head + "<DT><A HREF=\"http://long/\">" + QByteArray(5 << 20, 'x'));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].Title.size(), 5 << 20);

    // 100,000 '<', in text and inside a title.
    list = Load(head + QByteArray(100000, '<') + "<DT><A HREF=\"http://lt/\">"
                + QByteArray(100000, '<') + "</A>");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].Title.size(), 100000);

    // An unclosed quote at the start of a 10 MB file: the value runs to the next
    // quote, then reading goes on as usual.
    QByteArray quote = "<META CONTENT=\"text/html\n";
    while (quote.size() < 2 << 20)
        quote += "<DT><A HREF=\"http://q/" + QByteArray::number(quote.size()) + "\">q</A>\n";
    list = Load(quote);
    EXPECT_GT(list.Count(), 50000);
    // The first link lost its quote to the META tag; the second comes first.
    const qsizetype second = quote.indexOf("<DT>", quote.indexOf("</A>"));
    EXPECT_EQ(list[0].URL, S("http://q/") + QString::number(second));

    // 40,000 folders never closed, then 20,000 nested folders with a bookmark each.
    QByteArray open = head;
    for (int i = 0; i < 40000; ++i)
        open += "<DT><H3>folder name " + QByteArray::number(i) + "</H3>\n<DL><p>\n";
    open += "<DT><A HREF=\"http://deep/\">deep</A>\n";
    list = Load(open);
    ASSERT_EQ(list.Count(), 1);
    // As many levels as fit the length limit.
    qsizetype length = -1;
    int levels = 0;
    while (length + 1 + QByteArray("folder name ").size() + QByteArray::number(levels).size()
           <= MaxBookmarkCategoryLength)
        length += 1 + 12 + QByteArray::number(levels++).size();
    EXPECT_EQ(list[0].Category.size(), length);
    EXPECT_EQ(list[0].Category.count(u'\\') + 1, levels);

    QByteArray nested = head;
    for (int i = 0; i < 20000; ++i)
        nested += "<DT><H3>f" + QByteArray::number(i % 10) + "</H3><DL><p><DT><A HREF=\"http://n/"
                  + QByteArray::number(i) + "\">n</A>\n";
    for (int i = 0; i < 20000; ++i)
        nested += "</DL><p>\n";
    list = Load(nested);
    ASSERT_EQ(list.Count(), 20000);
    EXPECT_EQ(list[19999].Category.count(u'\\') + 1, MaxBookmarkFolderDepth);

    // Quotes everywhere, and many comment openers with no end.
    QByteArray quotes = head;
    for (int i = 0; i < 20000; ++i)
        quotes += "<DT><A HREF=\"";
    quotes += "\n<DT><A " + QByteArray(200000, '"') + "HREF=\"\n" + QByteArray(100000, '!');
    for (int i = 0; i < 50000; ++i)
        quotes += "<!--<!";
    Load(quotes);

    // Invalid UTF-8 inside fields of a file declared UTF-8 comes out as replacement characters.
    list = Load(head + "<DT><A HREF=\"http://u/\xff\">t\xc3(\xe2\x82</A>\n");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].URL, S("http://u/\xef\xbf\xbd"));
    EXPECT_TRUE(list[0].Title.startsWith(S("t\xef\xbf\xbd(\xef\xbf\xbd")));
}

// ---- Files ---------------------------------------------------------------------------

void WriteFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

TEST(HtmlImport, FileErrorsAddNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TWebSiteList list;
    WebSitesAdd(list, [] {
        TWebSite s;
        s.URL = S("http://kept/");
        return s;
    }());
    const QString missing = dir.filePath(S("missing.html"));
    try {
        WebSitesLoadFromHtml(list, missing);
        ADD_FAILURE() << "no error for a missing file";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.FileName(), missing);
        EXPECT_TRUE(e.Text().contains(QDir::toNativeSeparators(missing)));
    }
    EXPECT_THROW(WebSitesLoadFromHtml(list, dir.path()), EFileError);
    EXPECT_EQ(list.Count(), 1);

    const QString good = dir.filePath(S("b.html"));
    WriteFile(good, Doc({"<DT><A HREF=\"http://file/\">f</A>"}));
    WebSitesLoadFromHtml(list, good);
    EXPECT_EQ(Field(list, &TWebSite::URL), (QStringList{S("http://kept/"), S("http://file/")}));
}

// A file without any bookmark is named in the statistics; one whose bookmarks
// the list did not take is not (those count as skipped).
TEST(HtmlImport, FilesWithoutBookmarksAreReported)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString page = dir.filePath(S("page.html"));
    WriteFile(page,
              "<!DOCTYPE html><html><body><h1>Hello</h1><a name=\"top\">top</a></body></html>");
    const QString empty = dir.filePath(S("empty.html"));
    WriteFile(empty, Doc({}));
    const QString scripts = dir.filePath(S("scripts.html"));
    WriteFile(scripts, Doc({"<DT><A HREF=\"javascript:x()\">js</A>"}));
    const QString utf16 = dir.filePath(S("utf16.html"));
    WriteFile(utf16, Utf16(Doc({"<DT><A HREF=\"http://w/\">w</A>"}), false));
    TWebSiteList list;
    for (const QString& f : {page, empty, scripts, utf16})
        WebSitesLoadFromHtml(list, f);
    EXPECT_EQ(list.Stats.FilesWithoutBookmarks, (QStringList{page, empty}));
    EXPECT_EQ(list.Stats.Skipped, 1);
    EXPECT_EQ(list.Stats.Added, 1);
}

// A large file is mapped rather than copied; what the list keeps of it must be
// its own copy. Read from the file, then with the file closed and deleted, every
// field and icon equals what the same bytes read from memory give, in each
// encoding the reader converts or reads in place.
TEST(HtmlImport, LargeFileReadsAsItsBytes)
{
    QByteArray body;
    for (int i = 0; body.size() < (3 << 20) / 2; ++i) {
        if (i % 50 == 0)
            body +=
                "<DT><H3>Folder " + QByteArray::number(i) + " caf\xC3\xA9 &amp; co</H3>\n<DL><p>\n";
        QByteArray icon("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
        icon += QByteArray(200, char('a' + i % 7)) + QByteArray::number(i);
        body += "<DT><A HREF=\"https://site" + QByteArray::number(i % 900) + ".example/p?q=1\""
                + " ADD_DATE=\"16000" + QByteArray::number(10000 + i) + "\""
                + (i % 5 == 0 ? " ICON=\"data:image/png;base64," + icon.toBase64() + "\"" : "")
                + ">Title " + QByteArray::number(i)
                + (i % 3 == 0 ? " \xE2\x80\x94 na\xC3\xAFve" : "") + "</A>\n";
        if (i % 7 == 0)
            body += "<DD>comment " + QByteArray::number(i) + "\n";
        if (i % 50 == 49)
            body += "</DL><p>\n";
    }
    const QByteArray utf8 = Doc({body.constData()});
    const QByteArray latin1 = QByteArray(utf8).replace("charset=UTF-8", "charset=windows-1252");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct
    {
        const char* Name;
        QByteArray Data;
    } files[] = {
        {"UTF-8", utf8},
        {"windows-1252", latin1},
        {"UTF-16LE", Utf16(utf8, false)},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.Name);
        ASSERT_GE(f.Data.size(), 1 << 20);
        const QString path = dir.filePath(S("big.html"));
        WriteFile(path, f.Data);
        TWebSiteList fromFile;
        WebSitesLoadFromHtml(fromFile, path);
        ASSERT_TRUE(QFile::remove(path));
        const TWebSiteList fromBytes = Load(f.Data);
        ASSERT_GT(fromFile.Count(), 800);
        EXPECT_NE(fromFile[0].IconId, 0u);
        EXPECT_EQ(Entries(fromFile), Entries(fromBytes));
        EXPECT_EQ(Field(fromFile, &TWebSite::Comment), Field(fromBytes, &TWebSite::Comment));
        EXPECT_EQ(WebSitesToHtmlData(fromFile), WebSitesToHtmlData(fromBytes));
    }
}

} // namespace
