#include <model/uHtmlTagScanner.h>

#include <QByteArray>

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// The tokens of a text, one per line: "<NAME a=v b=w>" for a start tag (names and
// values as written), "</NAME>" for an end tag, "'text'" for text.
std::string Tokens(QByteArrayView html)
{
    THtmlTagScanner scanner(html);
    THtmlToken t;
    std::string out;
    while (scanner.Next(t)) {
        switch (t.Kind) {
        case THtmlToken::Text:
            out += "'" + t.Raw.toByteArray().toStdString() + "'";
            break;
        case THtmlToken::StartTag:
            out += "<" + t.Name.toByteArray().toStdString();
            for (const THtmlAttribute& a : t.Attributes)
                out += " " + a.Name.toByteArray().toStdString() + "="
                       + a.Value.toByteArray().toStdString();
            out += ">";
            break;
        case THtmlToken::EndTag:
            out += "</" + t.Name.toByteArray().toStdString() + ">";
            break;
        }
        out += "\n";
    }
    return out;
}

TEST(HtmlTagScanner, Table)
{
    struct
    {
        const char* Html;
        const char* Tokens;
    } const cases[] = {
        {"<DT><A HREF=\"http://a/\" ADD_DATE=\"1\">T</A>",
         "<DT>\n<A HREF=http://a/ ADD_DATE=1>\n'T'\n</A>\n"},
        {"<dt><a href='x y' Bare=v/1 flag>t</a >",
         "<dt>\n<a href=x y Bare=v/1 flag=>\n't'\n</a>\n"},
        {"<A HREF = \"a\"\n  DESCRIPTION=\"line 1\nline 2\">t</A>",
         "<A HREF=a DESCRIPTION=line 1\nline 2>\n't'\n</A>\n"},
        // A value may hold '>' and '<' when quoted.
        {"<A ICON=\"data:/A>\" T='<b>'>x", "<A ICON=data:/A> T=<b>>\n'x'\n"},
        // Comments, declarations and processing instructions give nothing.
        {"<!DOCTYPE NETSCAPE-Bookmark-file-1><!-- <A HREF=x> --><?xml x?>a", "'a'\n"},
        // A '<' that starts no tag is text.
        {"a < b <3 <<", "'a '\n'< b '\n'<3 '\n'<'\n'<'\n"},
        // A missing '>' ends the tag at the next '<'.
        {"<A HREF=\"u\"\n<DT>t", "<A HREF=u>\n<DT>\n't'\n"},
        {"</A\n<DT>", "</A>\n<DT>\n"},
        // A comment never closed ends at the next '>'.
        {"<!-- x > <B>y", "' '\n<B>\n'y'\n"},
        // Cut off by the end: no token.
        {"t<A HREF=\"never closed", "'t'\n"},
        {"<A HREF=x", ""},
        {"</A", ""},
        {"<H3/><br/>", "<H3>\n<br>\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Tokens(c.Html), c.Tokens) << c.Html;
}

TEST(HtmlTagScanner, AttributeLookupIgnoresCaseAndTakesTheFirst)
{
    THtmlTagScanner scanner("<a Href=one HREF=two icon=\"data:x\">");
    THtmlToken t;
    ASSERT_TRUE(scanner.Next(t));
    EXPECT_TRUE(t.Is("A"));
    ASSERT_NE(t.Attribute("HREF"), nullptr);
    EXPECT_EQ(t.Attribute("HREF")->Value, QByteArrayView("one"));
    ASSERT_NE(t.Attribute("ICON"), nullptr);
    EXPECT_EQ(t.Attribute("ICON")->Value, QByteArrayView("data:x"));
    EXPECT_EQ(t.Attribute("ICON_URI"), nullptr);
}

// Every token lies inside the input, in order, and the scan ends, on any bytes.
TEST(HtmlTagScanner, RandomBytesGiveOrderedTokensInsideTheInput)
{
    const char alphabet[] = "<>/!-\"'= aA\n?";
    std::mt19937 rng(17);
    for (int round = 0; round < 3000; ++round) {
        QByteArray s;
        const int len = int(rng() % 40);
        for (int i = 0; i < len; ++i)
            s += alphabet[rng() % (sizeof alphabet - 1)];
        THtmlTagScanner scanner(s);
        THtmlToken t;
        qsizetype last = 0;
        int tokens = 0;
        while (scanner.Next(t)) {
            const qsizetype at = t.Raw.data() - s.constData();
            ASSERT_GE(at, last) << s.constData();
            ASSERT_LE(at + t.Raw.size(), s.size()) << s.constData();
            ASSERT_FALSE(t.Raw.isEmpty()) << s.constData();
            last = at + t.Raw.size();
            ASSERT_LE(++tokens, len) << s.constData();
        }
    }
}

} // namespace
