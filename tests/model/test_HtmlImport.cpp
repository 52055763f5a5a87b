#include <model/uBookmarkHtmlImport.h>

#include "BookmarkHtmlReference.h"

#include "PrintQt.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace {

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

const char* const Header = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
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

// Dates near "now" come from the clock and may differ by the time between two reads.
bool SameDate(TDateTime a, TDateTime b)
{
    const std::int64_t now = NowMs();
    if (std::llabs(a.ToMilliseconds() - now) < 60'000 && std::llabs(b.ToMilliseconds() - now) < 60'000)
        return std::llabs(a.ToMilliseconds() - b.ToMilliseconds()) < 3'000;
    return a == b;
}

void ExpectSameSite(const TWebSite& fast, const TWebSite& ref, const std::string& what)
{
    EXPECT_EQ(fast.Title, ref.Title) << what;
    EXPECT_EQ(fast.URL, ref.URL) << what;
    EXPECT_EQ(fast.IconURL, ref.IconURL) << what;
    EXPECT_EQ(fast.Comment, ref.Comment) << what;
    EXPECT_EQ(fast.Category, ref.Category) << what;
    EXPECT_TRUE(SameDate(fast.AddDate, ref.AddDate))
        << what << ": " << fast.AddDate.Value << " vs " << ref.AddDate.Value;
    EXPECT_EQ(fast.Visible, ref.Visible) << what;
}

// Loads through the reader and checks that the straightforward reader agrees.
TWebSiteList Load(const QByteArray& data)
{
    TWebSiteList fast;
    WebSitesLoadFromHtmlData(fast, data);
    TWebSiteList ref;
    WebSitesLoadFromHtmlDataReference(ref, data);
    EXPECT_EQ(fast.Count(), ref.Count());
    if (fast.Count() == ref.Count())
        for (qsizetype i = 0; i < fast.Count(); ++i)
            ExpectSameSite(fast[i], ref[i], "entry " + std::to_string(i));
    return fast;
}

QStringList Field(const TWebSiteList& list, QString TWebSite::*field)
{
    QStringList r;
    for (const auto& s : list)
        r << s.*field;
    return r;
}

// ---- Whole files -------------------------------------------------------------------

TEST(HtmlImport, ChromeStyleExportWithNestedFolders)
{
    const QByteArray data = Doc(
        {"    <DT><H3 ADD_DATE=\"1\" LAST_MODIFIED=\"2\" PERSONAL_TOOLBAR_FOLDER=\"true\">Work</H3>",
         "    <DL><p>",
         "        <DT><A HREF=\"https://a.example/\" ADD_DATE=\"60\" ICON=\"data:image/png;base64,iVBO/A>\">A</A>",
         "        <DT><H3 ADD_DATE=\"1\">Projects</H3>",
         "        <DL><p>",
         "            <DT><A HREF=\"https://b.example/\" ADD_DATE=\"1700000000\">B</A>",
         "        </DL><p>",
         "        <DT><A HREF=\"https://c.example/\" ICON_URI=\"https://c.example/f.ico\" ADD_DATE=\"0\">C</A>",
         "    </DL><p>",
         "    <DT><A HREF=\"https://d.example/\" ADD_DATE=\"5\">D</A>"},
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

TEST(HtmlImport, HeadingAndDoctypeRules)
{
    const char* bm = "<DT><A HREF=\"http://x/\">x</A>";
    struct
    {
        const char* Heading;
        bool Imports;
    } const headings[] = {
        {"<H1>Bookmarks</H1>", true},
        {"<H1>Bookmarks Menu</H1>", true}, // Firefox
        {"  <H1>Lesezeichen</H1>  ", true},
        {"<H1 LAST_MODIFIED=\"1\">Bookmarks</H1>", true},
        {"<H2>Bookmarks</H2>", false},
        {"<h1>Bookmarks</h1>", false},
        {"<H1>Bookmarks", false},
    };
    for (const auto& c : headings)
        EXPECT_EQ(Load(Doc({bm}, c.Heading)).Count(), c.Imports ? 1 : 0) << c.Heading;

    const QByteArray good = Doc({bm});
    EXPECT_EQ(Load("\xEF\xBB\xBF" + good).Count(), 1);
    EXPECT_EQ(Load(" " + good).Count(), 0);
    EXPECT_EQ(Load(QByteArray(good).replace("NETSCAPE", "netscape")).Count(), 0);
    EXPECT_EQ(Load(QByteArray(good).replace("-1>", "-1> ")).Count(), 0);
    // The same file in UTF-16 is not read.
    const QString text = QString::fromUtf8(good);
    QByteArray utf16("\xFF\xFE");
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    EXPECT_EQ(Load(utf16).Count(), 0);
    // Five lines or fewer: nothing, even with a valid bookmark line.
    EXPECT_EQ(Load("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<H1>Bookmarks</H1>\n<DL><p>\n"
                   "<DT><A HREF=\"http://x/\">x</A>\n</DL>")
                  .Count(),
              0);
    EXPECT_EQ(Load("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<H1>Bookmarks</H1>\n<DL><p>\n"
                   "<DT><A HREF=\"http://x/\">x</A>\n</DL>\n\n")
                  .Count(),
              1);
    EXPECT_EQ(Load(QByteArray()).Count(), 0);
}

TEST(HtmlImport, NormalisationReachesTitlesURLsAndComments)
{
    const TWebSiteList list = Load(Doc({
        "\t<DT><A HREF=\"chrome://settings/\" ADD_DATE=\"1\">Set<p>tings\tpage</a>",
        "<DD>see CHROME://flags",
        "<DT><A HREF=\"ftp://x/\">dropped</A>",
        "<dt><a HREF=\"http://lower/\">ignored prefix</a>",
    }));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].URL, S("http://settings/"));
    EXPECT_EQ(list[0].Title, S("Settingspage"));
    EXPECT_EQ(list[0].Comment, S("see http://flags"));
}

TEST(HtmlImport, FolderStackEdgeCases)
{
    const TWebSiteList list = Load(Doc({
        "</DL><p>", // nothing open: stays empty
        "<DT><A HREF=\"http://top/\">top</A>",
        "<DT><H3 ADD_DATE=\"1\">Split",
        "</H3>",
        "<DL><p>",
        "<DT><A HREF=\"http://empty/\">e</A>",
        "<DT><H3>A &amp; B</H3>",
        "<DL><p>",
        "<DT><A HREF=\"http://ab/\">ab</A>",
        "</DL><p>",
        "</DL><p>",
        "</DL><p>",
        "<DT><A HREF=\"http://after/\">after</A>",
    }));
    EXPECT_EQ(Field(list, &TWebSite::Category),
              (QStringList{QString(), QString(), S("\\A & B"), QString()}));
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

TEST(HtmlImport, MissingAddDateGivesNow)
{
    const std::int64_t before = NowMs();
    TWebSiteList list;
    WebSitesLoadFromHtmlData(list, Doc({"<DT><A HREF=\"http://x/\">x</A>"}));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_GE(list[0].AddDate.ToMilliseconds(), before);
    EXPECT_LE(list[0].AddDate.ToMilliseconds(), NowMs());
}

// <DD> comments go to the entry the preceding bookmark line created or merged into.
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
        "<DD>c1",
        "</DL><p>",
        "<DT><A HREF=\"http://d/\">d</A>",
        "<DD>ended by the closing list line",
    }));
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list[0].Comment, S("line one\r\nline two\r\n\r\nmerged & appended"));
    EXPECT_EQ(list[1].Comment, S("b's comment")); // same text is not appended twice
    EXPECT_EQ(list[2].Comment, S("c1"));
    EXPECT_EQ(list[3].Comment, S("ended by the closing list line"));

    // A comment still open when the file ends is dropped.
    const TWebSiteList open = Load(QByteArray(Header) + "<H1>Bookmarks</H1>\n"
                                   "<DT><A HREF=\"http://e/\">e</A>\n<DD>open\n");
    ASSERT_EQ(open.Count(), 1);
    EXPECT_EQ(open[0].Comment, QString());
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
        {"&#0; &#xD800; &#x110000; &#99999999999999;", "\xef\xbf\xbd \xef\xbf\xbd \xef\xbf\xbd \xef\xbf\xbd"},
        {"&#; &#x; &#65 &#xZ; & &; &AMP;", "&#; &#x; &#65 &#xZ; & &; &AMP;"},
        {"&copy=1&notify=yes", "&copy=1&notify=yes"},
        {"&&amp;&", "&&&"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeHtmlReferences(S(c.In)), S(c.Out)) << c.In;
}

// Firefox writes "<HR>" with the next item on the same line.
TEST(HtmlImport, SeparatorsBeforeItems)
{
    const TWebSiteList list = Load(Doc({
        "<DT><A HREF=\"http://a/\">a</A>",
        "<DD>about a",
        "<HR>    <DT><A HREF=\"http://b/\">b</A>",
        "<hr><HR>\t<DT><H3>F</H3>",
        "<DL><p>",
        "<HR><DT><A HREF=\"http://c/\">c</A>",
        "<HR>",
        "</DL><p>",
        "<HR>x<DT><A HREF=\"http://lost/\">not a separator prefix</A>",
    }));
    EXPECT_EQ(Field(list, &TWebSite::URL), (QStringList{S("http://a/"), S("http://b/"), S("http://c/")}));
    EXPECT_EQ(list[0].Comment, S("about a"));
    EXPECT_EQ(list[2].Category, S("F"));
}

// ---- Normalisation -----------------------------------------------------------------

TEST(HtmlNormalize, Table)
{
    struct
    {
        const char* In;
        const char* Out;
    } const cases[] = {
        {"a\tb", "ab"},
        {"x<P>y<p>z", "xyz"},
        {"<\tP>", ""},
        {"<<P>P>", "<P>"},
        {"</a>", "</A>"},
        {"<</a>", "<</A>"},
        {"/a>", "</A>"},
        {"/A></A>", "</A></A>"},
        {"/<p>A>", "</A>"},
        {"chrome://x CHROME://y ChRoMe://z", "http://x http://y http://z"},
        {"chr\tome://", "http://"},
        {"chrome:/<P>/", "http://"},
        {"chrome://A>", "chrome:/</A>"},
        {"chromechrome://", "chromehttp://"},
        {"\xc3\xa9</a>\t\xe2\x82", "\xc3\xa9</A>\xe2\x82"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NormalizeBookmarkHtml(c.In), QByteArray(c.Out)) << c.In;
        EXPECT_EQ(NormalizeBookmarkHtmlReference(S(c.In)), S(c.Out)) << c.In;
    }
}

TEST(HtmlNormalize, AgreesWithTheFiveReplacementsOnRandomText)
{
    const char alphabet[] = "<>/aApP\tchromeCHROME:x";
    std::mt19937 rng(11);
    for (int round = 0; round < 20000; ++round) {
        QByteArray s;
        const int len = int(rng() % 24);
        for (int i = 0; i < len; ++i)
            s += alphabet[rng() % (sizeof alphabet - 1)];
        ASSERT_EQ(NormalizeBookmarkHtml(s), NormalizeBookmarkHtmlReference(S(s)).toUtf8()) << s.constData();
    }
}

// ---- Line parsers: the byte scanner against the patterns ---------------------------

void ExpectSameItem(const QByteArray& line)
{
    const TDateTime now = TDateTime::Now();
    const TWebSite fast = ParseBookmarkItemFast(line, S("Cat"), now);
    const TWebSite ref = ParseBookmarkItem(QString::fromUtf8(line), S("Cat"));
    ExpectSameSite(fast, ref, line.toStdString());
}

TEST(HtmlLineParsers, TrickyBookmarkLines)
{
    const char* lines[] = {
        "<DT><A HREF=\"http://a/\" ADD_DATE=\"10\">Title</A>",
        "<DT><A HREF=\"http://a/\" HREF=\"http://b/\">two hrefs</A>",
        "<DT><A HREF=\"http://a/\">x > y</A>",
        "<DT><A HREF=\"http://a/\">one</A> two</A>",
        "<DT><A HREF=\"http://a/\">no closing tag",
        "<DT><A HREF=\"\" ADD_DATE=\"5\">empty href</A>",
        "<DT><A HREF=\"http://a/>missing quote</A>",
        "<DT><A HREF=\"http://a/\"></A>",
        "<DT><A HREF=http://a/>unquoted</A>",
        "<DT><A HREF=\"http://a/\" ICON_URI=\"\">empty icon</A>",
        "<DT><A HREF=\"http://a/\" ICON_URI=\"\" ICON=\"data:x\">empty icon, later quotes</A>",
        "<DT><A HREF=\"http://a/\" ICON_URI=\"file:///x.ico\">local icon</A>",
        "<DT><A HREF=\"http://a/\" ADD_DATE=\"\">empty date</A>",
        "<DT><A HREF=\"http://a/\" ADD_DATE=\"-60\">negative</A>",
        "<DT><A HREF=\"http://a/\" ADD_DATE=\"12abc\">junk date</A>",
        "<DT><A HREF=\"http://a/\" ADD_DATE=\"1700000000000000\">microseconds</A>",
        "<DT><A HREF=\"http://a/\" ADD_DATE=\"1\" ADD_DATE=\"2\">two dates</A>",
        "<DT><A HREF=\"http://a/\">title with HREF=\"http://c/\" inside</A>",
        "<DT><A HREF=\"http://\xc3\xa9.example/\">caf\xc3\xa9 \xe2\x82 \xff\xfe \xed\xa0\x80 end</A>",
        "<DT><A HREF=\"http://a/\">\xc2\x85 and \xe2\x80\xa8 line separators</A>",
        "<DT><A HREF=\"http://a/\"HREF=\"\">adjacent</A>",
        "<DT><A HREF=\"http://a/\" ICON_URI=\"http://i/\"ICON_URI=\"x",
        "HREF=\"",
        "",
        "</A>",
        ">\"HREF=\"x\">t</A>",
    };
    for (const char* line : lines)
        ExpectSameItem(line);
}

TEST(HtmlLineParsers, RandomBookmarkLines)
{
    const char* tokens[] = {"HREF=\"", "\"",      ">",  "</A>", "ICON_URI=\"", "ADD_DATE=\"",
                            "x",       "1",       " ",  "<",    "&amp;",       "\xc3\xa9",
                            "A",       "</A",     "=\"", "/"};
    std::mt19937 rng(5);
    for (int round = 0; round < 4000; ++round) {
        QByteArray line("<DT><A ");
        const int n = int(rng() % 14);
        for (int i = 0; i < n; ++i)
            line += tokens[rng() % std::size(tokens)];
        ExpectSameItem(line);
        if (HasFailure())
            break;
    }
}

TEST(HtmlLineParsers, FolderLines)
{
    const char* lines[] = {
        "<DT><H3 ADD_DATE=\"1\" LAST_MODIFIED=\"2\">News</H3>",
        "<DT><H3>A > B</H3>",
        "<DT><H3>one</H3>two</H3>",
        "<DT><H3></H3>",
        "<DT><H3>no end",
        "<DT><H3",
        "x<DT><H3>late start</H3>",
        "<DT><H3 FOLDED>caf\xc3\xa9 &lt;3</H3> tail > </H3>",
        "</H3><DT><H3>",
        "<DT><H3</H3>",
        "<DT><H3></H3>",
        "<DT><H3>></H3>",
    };
    for (const char* line : lines)
        EXPECT_EQ(ParseBookmarkFolderFast(line), ParseBookmarkFolder(S(line))) << line;

    const char* tokens[] = {"<DT><H3", ">", "</H3>", "x", " ", "<", "</H3", "H3>"};
    std::mt19937 rng(3);
    for (int round = 0; round < 4000; ++round) {
        QByteArray line;
        const int n = int(rng() % 10);
        for (int i = 0; i < n; ++i)
            line += tokens[rng() % std::size(tokens)];
        ASSERT_EQ(ParseBookmarkFolderFast(line), ParseBookmarkFolder(S(line))) << line.constData();
    }
}

TEST(HtmlLineParsers, JoinFolderPath)
{
    EXPECT_EQ(JoinFolderPath({}), QString());
    EXPECT_EQ(JoinFolderPath({S("A")}), S("A"));
    EXPECT_EQ(JoinFolderPath({S("A"), QString(), S("C")}), S("A\\\\C"));
}

// ---- Random whole files --------------------------------------------------------------

TEST(HtmlImport, RandomFilesAgreeWithTheStraightforwardReader)
{
    const char* lines[] = {
        "<DT><H3>F</H3>", "<DT><H3>G", "</DL><p>", "<DL><p>", "<DD>note", "more text",
        "<DT><A HREF=\"http://a/\" ADD_DATE=\"3\">a</A>", "<DT><A HREF=\"http://b/\" ADD_DATE=\"1\">b</a>",
        "<DT><A HREF=\"ftp://c/\">c</A>", "<HR><DT><A HREF=\"http://d/\" ADD_DATE=\"2\">d</A>",
        "<HR>", "  <DD>  spaced  ", "<DT>", "\t", "<p>", "<DT><A HREF=\"chrome://e/\" ADD_DATE=\"4\">e</A>",
    };
    const char* eols[] = {"\n", "\r\n", "\r"};
    std::mt19937 rng(9);
    for (int round = 0; round < 300; ++round) {
        QByteArray body;
        const int n = int(rng() % 30);
        const char* eol = eols[rng() % 3];
        for (int i = 0; i < n; ++i)
            body += QByteArray(lines[rng() % std::size(lines)]) + eol;
        Load(QByteArray(Header) + "<H1>Bookmarks</H1>\n" + body);
        if (HasFailure())
            break;
    }
}

// ---- Pathological input: must stay linear and never crash --------------------------

TEST(HtmlImport, PathologicalInputs)
{
    const QByteArray head = QByteArray(Header) + "<H1>Bookmarks</H1>\n<DL><p>\n";
    std::mt19937 rng(1);

    QByteArray noClose = head + "<DT><A HREF=\"http://long/\" ADD_DATE=\"1\">";
    noClose += QByteArray(5 * 1024 * 1024, 'x') + "\n";
    TWebSiteList list;
    WebSitesLoadFromHtmlData(list, noClose);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].Title, QString());

    const QByteArray manyGt = head + "<DT><A HREF=\"http://gt/\" " + QByteArray(100000, '>') + "\n"
                              + "<DT><H3" + QByteArray(100000, '>') + "\n";
    list.Clear();
    WebSitesLoadFromHtmlData(list, manyGt);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].Category, QString());

    QByteArray quotes = head;
    for (int i = 0; i < 20000; ++i)
        quotes += "<DT><A HREF=\"";
    quotes += "\n<DT><A " + QByteArray(200000, '"') + "HREF=\"\n";
    list.Clear();
    WebSitesLoadFromHtmlData(list, quotes);
    EXPECT_EQ(list.Count(), 0);

    QByteArray garbage = head;
    for (int i = 0; i < 2 * 1024 * 1024; ++i)
        garbage += char(rng() & 0xFF);
    list.Clear();
    WebSitesLoadFromHtmlData(list, garbage);

    // Invalid UTF-8 inside fields comes out as replacement characters.
    list.Clear();
    WebSitesLoadFromHtmlData(list, head + "<DT><A HREF=\"http://u/\xff\">t\xc3(\xe2\x82</A>\n");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].URL, S("http://u/\xef\xbf\xbd"));
    EXPECT_EQ(list[0].Title, S("t\xc3(\xe2\x82"));
    EXPECT_TRUE(list[0].Title.startsWith(S("t\xef\xbf\xbd(\xef\xbf\xbd")));
}

// ---- Files ---------------------------------------------------------------------------

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
    QFile f(good);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Doc({"<DT><A HREF=\"http://file/\">f</A>"}));
    f.close();
    WebSitesLoadFromHtml(list, good);
    EXPECT_EQ(Field(list, &TWebSite::URL), (QStringList{S("http://kept/"), S("http://file/")}));
}

} // namespace
