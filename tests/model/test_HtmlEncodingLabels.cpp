// The charset a bookmark file's <META> names, read by the web's label table:
// labels of encodings that are not ASCII-compatible, and names that are no
// label, must not turn an ASCII or UTF-8 file into garbage.

#include <model/uBookmarkHtml.h>
#include <model/uHtmlEncodingLabels.h>
#include <model/uWebSiteList.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(HtmlEncodingLabels, LabelsNameTheWebsEncodings)
{
    const struct
    {
        const char* Label;
        const char* Encoding; // empty: no label
    } cases[] = {
        {"utf-8", "UTF-8"},
        {"UTF8", "UTF-8"},
        {"unicode-1-1-utf-8", "UTF-8"},
        {"latin1", "windows-1252"},
        {"ISO-8859-1", "windows-1252"},
        {"us-ascii", "windows-1252"},
        {"ascii", "windows-1252"},
        {" Shift_JIS\t", "Shift_JIS"},
        {"sjis", "Shift_JIS"},
        {"x-sjis", "Shift_JIS"},
        {"euc-jp", "EUC-JP"},
        {"gb2312", "GBK"},
        {"iso-8859-9", "windows-1254"},
        {"koi8", "KOI8-R"},
        {"iso-8859-8-i", "ISO-8859-8-I"},
        {"ucs-2", "UTF-16LE"},
        {"unicode", "UTF-16LE"},
        {"csUnicode", "UTF-16LE"},
        {"iso-10646-ucs-2", "UTF-16LE"},
        {"utf-16", "UTF-16LE"},
        {"unicodeFFFE", "UTF-16BE"},
        {"iso-2022-kr", "replacement"},
        {"utf-32", ""},
        {"utf-7", ""},
        {"cp037", ""},
        {"ebcdic-us", ""},
        {"", ""},
        {"utf-8x", ""},
        {"a-label-far-longer-than-any-in-the-table", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HtmlEncodingForLabel(c.Label), QByteArray(c.Encoding)) << c.Label;
}

// A file of ASCII and UTF-8 whose META names an encoding that is no ASCII one:
// UTF-16 labels mean UTF-8 (as a browser reads such a META), other names are
// passed over and the bytes decide. A label of an ASCII-compatible encoding
// still decides over the bytes' look.
TEST(HtmlEncodingLabels, MetaNamingNoAsciiEncodingReadsTheFileAsItIs)
{
    const struct
    {
        const char* Charset;
        const char* Title; // UTF-8
    } cases[] = {
        {"ucs-2", "caf\xc3\xa9"},
        {"unicode", "caf\xc3\xa9"},
        {"csUnicode", "caf\xc3\xa9"},
        {"iso-10646-ucs-2", "caf\xc3\xa9"},
        {"utf-16be", "caf\xc3\xa9"},
        {"utf-32", "caf\xc3\xa9"},
        {"utf-7", "caf\xc3\xa9"},
        {"cp037", "caf\xc3\xa9"},
        {"iso-2022-kr", "caf\xc3\xa9"},
        {"latin1", "caf\xc3\x83\xc2\xa9"},
        {"x-user-defined", "caf\xc3\x83\xc2\xa9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Charset);
        const QByteArray html =
            "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\""
            " CONTENT=\"text/html; charset="
            + QByteArray(c.Charset)
            + "\">\n<DL><p>\n<DT><A HREF=\"https://a.example/\">caf\xc3\xa9</A>\n"
              "<DT><A HREF=\"https://b.example/\">b</A>\n</DL>\n";
        TWebSiteList list;
        EXPECT_EQ(WebSitesLoadFromHtmlData(list, html), 2);
        ASSERT_EQ(list.Count(), 2);
        EXPECT_EQ(list[0].Title, QString::fromUtf8(c.Title));
        EXPECT_EQ(list[1].URL, u"https://b.example/"_s);
    }
}
