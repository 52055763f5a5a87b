// The byte-level text helpers: UTF-8 encoding, ASCII letter case, blanks.

#include <model/uTextBytes.h>

#include <QByteArray>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

QByteArray EncodeUtf16(std::u16string_view Text)
{
    QByteArray out(qsizetype(Text.size()) * 3, '\0');
    char* w = out.data();
    const char16_t* p = Text.data();
    const char16_t* const e = p + Text.size();
    while (p != e) {
        if (*p < 0x80)
            *w++ = char(*p++); // ASCII is the caller's
        else
            p = Utf8PutUtf16(w, p, e);
    }
    out.resize(w - out.data());
    return out;
}

QByteArray EncodeCodePoint(char32_t C)
{
    char bytes[4];
    return QByteArray(bytes, Utf8Put(bytes, C) - bytes);
}

} // namespace

// Every length of UTF-8, pairs joined, and a surrogate without its other half
// replaced wherever it stands.
TEST(Utf8Encoding, Utf16TextsGiveTheirUtf8Bytes)
{
    struct TCase
    {
        std::u16string Text;
        QByteArray Utf8;
    };
    const std::vector<TCase> cases = {
        {u"", ""},
        {u"a\x7f", "a\x7f"},
        {u"\x80\xe9\x7ff", "\xc2\x80\xc3\xa9\xdf\xbf"},
        {u"\x800\x65e5\xfffd\xffff", "\xe0\xa0\x80\xe6\x97\xa5\xef\xbf\xbd\xef\xbf\xbf"},
        {u"\xd83d\xde00", "\xf0\x9f\x98\x80"},
        {u"\xdbff\xdfff", "\xf4\x8f\xbf\xbf"},
        {u"a\xd800", "a\xef\xbf\xbd"},                           // high at the end
        {u"\xd800z", "\xef\xbf\xbdz"},                           // high before a letter
        {u"\xdc00z", "\xef\xbf\xbdz"},                           // low alone
        {u"\xde00\xd83d", "\xef\xbf\xbd\xef\xbf\xbd"},           // a pair the wrong way round
        {u"\xd800\xd83d\xde00", "\xef\xbf\xbd\xf0\x9f\x98\x80"}, // high, then a pair
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Utf8.toHex(' ').toStdString());
        EXPECT_EQ(EncodeUtf16(c.Text), c.Utf8);
    }
}

TEST(Utf8Encoding, CodePointsGiveTheirUtf8Bytes)
{
    const std::vector<std::pair<char32_t, QByteArray>> cases = {
        {0x24, "\x24"},
        {0xa2, "\xc2\xa2"},
        {0x20ac, "\xe2\x82\xac"},
        {0x1f600, "\xf0\x9f\x98\x80"},
        {0x10ffff, "\xf4\x8f\xbf\xbf"},
        {0xd800, "\xef\xbf\xbd"}, // a surrogate is no character
        {0xdfff, "\xef\xbf\xbd"},
    };
    for (const auto& [c, utf8] : cases) {
        SCOPED_TRACE(unsigned(c));
        EXPECT_EQ(EncodeCodePoint(c), utf8);
    }
}

// Only the 26 ASCII letters fold: bytes of other scripts, and the neighbours of the
// letters in ASCII ('@' and '`', '[' and '{'), must match exactly.
TEST(AsciiCaseless, FoldsAsciiLettersOnly)
{
    struct TCase
    {
        QByteArray A, B;
        bool Equal;
    };
    const std::vector<TCase> cases = {
        {"", "", true},
        {"href", "HREF", true},
        {"Data:", "dATA:", true},
        {"base64", "base6", false},
        {"@", "`", false},
        {"[", "{", false},
        {"\xc3\xa9", "\xc3\x89", false}, // e-acute and E-acute
        {"I", "\xc4\xb1", false},        // dotless i
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.A.toStdString() + " / " + c.B.toStdString());
        EXPECT_EQ(AsciiEqualsCaseless(c.A, c.B), c.Equal);
        EXPECT_EQ(AsciiEqualsCaseless(c.B, c.A), c.Equal);
    }
    EXPECT_TRUE(AsciiStartsWithCaseless("Chrome://x", "CHROME://"));
    EXPECT_FALSE(AsciiStartsWithCaseless("chrome:", "CHROME://"));
    EXPECT_EQ(AsciiIndexOfCaseless("text/html; Charset=utf-8", "CHARSET"), 11);
    EXPECT_EQ(AsciiIndexOfCaseless("charset charset", "CHARSET", 1), 8);
    EXPECT_EQ(AsciiIndexOfCaseless("chars", "CHARSET"), -1);
}

// The two blanks: HTML's five white-space characters, and every byte up to the
// space, which a field read from a hand-edited file is trimmed of.
TEST(AsciiBlanks, HtmlSpaceAndSpaceOrControlDifferOnOtherControls)
{
    for (const char c : {' ', '\t', '\n', '\r', '\f'}) {
        EXPECT_TRUE(IsHtmlSpace(c)) << int(c);
        EXPECT_TRUE(IsSpaceOrControl(c)) << int(c);
    }
    for (const char c : {'\0', '\v', '\x01', '\x1f'}) {
        EXPECT_FALSE(IsHtmlSpace(c)) << int(c);
        EXPECT_TRUE(IsSpaceOrControl(c)) << int(c);
    }
    for (const char c : {'!', 'a', '\x7f', '\xa0', '\xc2'}) {
        EXPECT_FALSE(IsHtmlSpace(c)) << int(c);
        EXPECT_FALSE(IsSpaceOrControl(c)) << int(c);
    }
}
