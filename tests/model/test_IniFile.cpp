#include <model/uIniFile.h>

#include <platform/EFileError.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "PrintQt.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray Utf16Bytes(const QString& text, bool bigEndian)
{
    QByteArray out(bigEndian ? "\xFE\xFF" : "\xFF\xFE", 2);
    for (QChar c : text) {
        const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
        out.append(bigEndian ? hi : lo);
        out.append(bigEndian ? lo : hi);
    }
    return out;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// Every byte-order mark selects its encoding, and the file is written back in it.
TEST(IniFile, EncodingIsDetectedAndKeptOnWriteBack)
{
    const QString text = u"[Sec]\r\nKey=Proc\u00E9dure \u65E5\u672C\r\n\r\n"_s;
    struct Case
    {
        const char* name;
        QByteArray data;
        TIniFile::TEncoding encoding;
    } cases[] = {
        {"utf8", QByteArray("\xEF\xBB\xBF") + text.toUtf8(), TIniFile::TEncoding::UTF8},
        {"utf16le", Utf16Bytes(text, false), TIniFile::TEncoding::UTF16LE},
        {"utf16be", Utf16Bytes(text, true), TIniFile::TEncoding::UTF16BE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TIniFile ini;
        ini.LoadFromData(c.data);
        EXPECT_EQ(ini.Encoding(), c.encoding);
        EXPECT_EQ(ini.ReadString(u"sec"_s, u"KEY"_s, {}), u"Proc\u00E9dure \u65E5\u672C"_s);
        EXPECT_EQ(ini.ToData(), c.data);
    }
}

TEST(IniFile, NoBomReadsLegacyCodePage)
{
    TIniFile ini;
    ini.LoadFromData(QByteArray("[S]\r\nK=caf\xE9 \x80\r\n\r\n"));
    EXPECT_EQ(ini.Encoding(), TIniFile::TEncoding::Legacy);
    EXPECT_EQ(ini.ReadString(u"S"_s, u"K"_s, {}), u"caf\u00E9 \u20AC"_s);
    EXPECT_EQ(ini.ToData(), QByteArray("[S]\r\nK=caf\xE9 \x80\r\n\r\n"));
}

TEST(IniFile, LineGrammar)
{
    TIniFile ini;
    // Mixed line ends, blanks and control characters around names and values,
    // comments, text before the first section, a line without "=", "=" in a value.
    ini.LoadFromData(QByteArray("orphan=1\rk0=x\n"
                                ";[Hidden]\r\n"
                                "  [ First ]\t\r\n"
                                "\x01 Name \x02= \tVal=ue \x1F\r"
                                "; comment=1\n"
                                "\n"
                                "NoValue\r\n"
                                "[Second]\n"
                                "A=\xE3\x80\x80x\r\n"));
    EXPECT_EQ(ini.Sections(), QStringList({u"First"_s, u"Second"_s}));
    EXPECT_EQ(ini.Keys(u"first"_s), QStringList({u"Name"_s, u"NoValue"_s}));
    EXPECT_EQ(ini.ReadString(u"FIRST"_s, u"name"_s, {}), u"Val=ue"_s);
    EXPECT_TRUE(ini.ValueExists(u"First"_s, u"novalue"_s));
    EXPECT_EQ(ini.ReadString(u"First"_s, u"NoValue"_s, u"d"_s), QString());
    EXPECT_FALSE(ini.ValueExists(u"First"_s, u"comment"_s));
    EXPECT_FALSE(ini.SectionExists(u"Hidden"_s));
    EXPECT_EQ(ini.ReadString(u"First"_s, u"Missing"_s, u"dflt"_s), u"dflt"_s);
    EXPECT_EQ(ini.ReadString(u"Nowhere"_s, u"k0"_s, u"dflt"_s), u"dflt"_s);
    // Only codes 0..32 are trimmed (bytes E3 80 80 are U+3000 in no 8-bit page, so
    // check the space rule on decoded UTF-8 instead).
    TIniFile utf8;
    utf8.LoadFromData(QByteArray("\xEF\xBB\xBF[S]\nA=\xE3\x80\x80x\xC2\xA0\n"));
    EXPECT_EQ(utf8.ReadString(u"S"_s, u"A"_s, {}), u"\u3000x\u00A0"_s);
}

TEST(IniFile, WriteUpdatesInPlaceAndAppends)
{
    TIniFile ini;
    ini.LoadFromData(QByteArray("[A]\nx=1\ny=2\n[B]\nz=3\n"));
    ini.WriteString(u"a"_s, u"X"_s, u"10"_s); // in place, keeps the stored name
    ini.WriteString(u"B"_s, u"new"_s, u""_s); // appended to its section
    ini.WriteString(u"C"_s, u"k"_s, u"v"_s);  // new section at the end
    ini.WriteBool(u"C"_s, u"flag"_s, true);
    EXPECT_EQ(ini.ToData(), QByteArray("[A]\r\nx=10\r\ny=2\r\n\r\n"
                                       "[B]\r\nz=3\r\nnew=\r\n\r\n"
                                       "[C]\r\nk=v\r\nflag=1\r\n\r\n"));
    ini.DeleteKey(u"A"_s, u"Y"_s);
    EXPECT_FALSE(ini.ValueExists(u"A"_s, u"y"_s));
}

// A character the 8-bit code page cannot hold must not turn into "?".
TEST(IniFile, UnrepresentableCharacterFallsBackToUtf16)
{
    TIniFile fresh;
    fresh.WriteString(u"S"_s, u"T"_s, u"\u65E5\u672C \U0001F600"_s);
    const QByteArray data = fresh.ToData();
    ASSERT_TRUE(data.startsWith("\xFF\xFE"));
    TIniFile back;
    back.LoadFromData(data);
    EXPECT_EQ(back.ReadString(u"S"_s, u"T"_s, {}), u"\u65E5\u672C \U0001F600"_s);

    // An existing 8-bit file keeps its encoding while everything fits ...
    TIniFile legacy;
    legacy.LoadFromData(QByteArray("[S]\r\nT=caf\xE9\r\n"));
    legacy.WriteString(u"S"_s, u"U"_s, u"\u00FC"_s);
    EXPECT_EQ(legacy.ToData(), QByteArray("[S]\r\nT=caf\xE9\r\nU=\xFC\r\n\r\n"));
    // ... and becomes UTF-16LE when it no longer does.
    legacy.WriteString(u"S"_s, u"U"_s, u"\u0101"_s);
    back.LoadFromData(legacy.ToData());
    EXPECT_EQ(back.Encoding(), TIniFile::TEncoding::UTF16LE);
    EXPECT_EQ(back.ReadString(u"S"_s, u"T"_s, {}), u"caf\u00E9"_s);
    EXPECT_EQ(back.ReadString(u"S"_s, u"U"_s, {}), u"\u0101"_s);
}

TEST(IniFile, ReadIntegerAndBool)
{
    struct Case
    {
        const char* text;
        long long expected;
    } cases[] = {
        {"42", 42},
        {"-60", -60},
        {"0x1F", 31},
        {"$ff", 255},
        {"abc", 7},
        {"", 7},
        {"12abc", 7},
        {"0x", 7},
        {"--1", 7},
        {"1 2", 7},
        {"+5", 5},
        {"99999999999999999999", 7},
        {"-9223372036854775808", std::numeric_limits<long long>::min()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TIniFile ini;
        ini.LoadFromData(QByteArray("[S]\nK=") + c.text + "\n");
        EXPECT_EQ(ini.ReadInteger(u"S"_s, u"K"_s, 7), c.expected);
    }
    TIniFile ini;
    ini.LoadFromData(QByteArray("[S]\na=1\nb=0\nc=True\nd=junk\n"));
    EXPECT_TRUE(ini.ReadBool(u"S"_s, u"a"_s, false));
    EXPECT_FALSE(ini.ReadBool(u"S"_s, u"b"_s, true));
    EXPECT_TRUE(ini.ReadBool(u"S"_s, u"c"_s, false));
    EXPECT_TRUE(ini.ReadBool(u"S"_s, u"d"_s, true));
    EXPECT_FALSE(ini.ReadBool(u"S"_s, u"missing"_s, false));
}

TEST(IniFile, FilesMissingWrittenAndUnwritable)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"settings.ini"_s);

    TIniFile ini;
    ini.LoadFromFile(path); // missing: empty
    EXPECT_TRUE(ini.Sections().isEmpty());
    ini.WriteString(u"S"_s, u"K"_s, u"V"_s);
    ini.SaveToFile(path);
    EXPECT_EQ(ReadAll(path), QByteArray("[S]\r\nK=V\r\n\r\n"));

    TIniFile again;
    again.LoadFromFile(path);
    EXPECT_EQ(again.ReadString(u"s"_s, u"k"_s, {}), u"V"_s);

    // The parent "folder" is a file: nothing can be created there.
    const QString bad = path + u"/sub.ini"_s;
    try {
        ini.SaveToFile(bad);
        FAIL() << "no error raised";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.FileName(), bad);
        EXPECT_TRUE(e.Text().contains(QDir::toNativeSeparators(bad)));
    }
    EXPECT_EQ(ReadAll(path), QByteArray("[S]\r\nK=V\r\n\r\n"));
}

TEST(IniFile, BadInputDoesNotCrash)
{
    QByteArray garbage;
    quint32 seed = 12345;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1103515245u + 12345u;
        garbage.append(char(seed >> 24));
    }
    const QByteArray inputs[] = {
        QByteArray(),
        QByteArray("\xFF\xFE[\x00S"), // truncated UTF-16
        QByteArray("\xFE\xFF\x00"),
        QByteArray("\xEF\xBB\xBF\xFF\xFF[S]\nK=\xC3"),
        QByteArray("[S]\nK=a\0b\n", 11),
        garbage,
    };
    for (const QByteArray& in : inputs) {
        TIniFile ini;
        ini.LoadFromData(in);
        (void)ini.ToData();
    }
    TIniFile ini;
    ini.LoadFromData(QByteArray("[S]\nK=a\0b\n", 11));
    EXPECT_EQ(ini.ReadString(u"S"_s, u"K"_s, {}), QString(u"a\0b"_s.data(), 3));
}

// The reading-only load keeps the first section of each wanted name and the first
// entry of each wanted key: what the full load's lookups would return.
TEST(IniFile, SelectiveLoadReadsLikeTheFullLoad)
{
    const QByteArray data("[Skip]\nURL=no\n"
                          "[internetshortcut]\nx=1\nUrl=first\nURL=second\nTitle\n"
                          "[InternetShortcut]\nURL=later section\nComment=c\n"
                          "[Other]\nURL=o\n");
    TIniFile full;
    full.LoadFromData(data);
    TIniFile some;
    some.LoadFromData(data, {u"InternetShortcut"_s, u"Other"_s}, {u"url"_s, u"title"_s});
    EXPECT_EQ(some.Sections(), QStringList({u"internetshortcut"_s, u"Other"_s}));
    EXPECT_EQ(some.Keys(u"InternetShortcut"_s), QStringList({u"Url"_s, u"Title"_s}));
    for (const char* key : {"URL", "Title", "Comment", "x"}) {
        SCOPED_TRACE(key);
        const QString k = QString::fromLatin1(key);
        const bool wanted = k == u"URL"_s || k == u"Title"_s;
        EXPECT_EQ(some.ReadString(u"InternetShortcut"_s, k, u"-"_s),
                  wanted ? full.ReadString(u"InternetShortcut"_s, k, u"-"_s) : u"-"_s);
    }
    EXPECT_EQ(some.ReadString(u"Other"_s, u"URL"_s, {}), u"o"_s);
    EXPECT_FALSE(some.SectionExists(u"Skip"_s));
}
