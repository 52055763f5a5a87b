#include <model/uSiteText.h>
#include <model/uWebSiteList.h>

#include "PrintQt.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Texts of every storage case: empty, ASCII, Latin-1 above ASCII, the BMP beyond
// Latin-1, a surrogate pair, a lone surrogate and an embedded NUL.
std::vector<QString> Samples()
{
    return {QString(),
            QStringLiteral("https://a.example/p?q=1&x=2"),
            QString::fromUtf8("caf\xc3\xa9 na\xc3\xafve \xc3\xbf"),
            QString::fromUtf8("\xe6\x9d\xb1\xe4\xba\xac news"),
            QString::fromUtf8("smile \xf0\x9f\x98\x80!"),
            QString(QChar(0xd800)) + QStringLiteral("x"),
            QStringLiteral("a") + QChar(0) + QStringLiteral("b")};
}

TEST(SiteText, KeepsEveryTextAsItWas)
{
    for (const QString& s : Samples()) {
        SCOPED_TRACE(s.toStdString());
        const TSiteText t(s);
        EXPECT_EQ(t.toString(), s);
        EXPECT_EQ(t.size(), s.size());
        EXPECT_EQ(t.isEmpty(), s.isEmpty());
        EXPECT_TRUE(t == s);
        std::vector<char16_t> units(size_t(s.size()));
        t.CopyUtf16(units.data());
        EXPECT_EQ(QStringView(units.data(), qsizetype(units.size())), s);
        QByteArray utf8("<");
        t.AppendUtf8(utf8);
        EXPECT_EQ(utf8, "<" + s.toUtf8());
    }
}

// Equal texts from any origin are equal and hash alike; the storage form
// depends on the characters only.
TEST(SiteText, EqualTextsFromDifferentOriginsMatch)
{
    for (const QString& s : Samples()) {
        SCOPED_TRACE(s.toStdString());
        const TSiteText a(s);
        const TSiteText b = TSiteText::FromUtf8(s.toUtf8());
        if (!s.contains(QChar(0xd800))) { // a lone surrogate does not survive UTF-8
            EXPECT_TRUE(a == b);
            EXPECT_EQ(a.Hash(7), b.Hash(7));
            EXPECT_EQ(a.IsLatin1(), b.IsLatin1());
        }
        bool fitsLatin1 = true;
        for (QChar c : s)
            fitsLatin1 = fitsLatin1 && c.unicode() <= 0xff;
        EXPECT_EQ(a.IsLatin1(), fitsLatin1);
    }
    EXPECT_FALSE(TSiteText(QStringLiteral("ab")) == TSiteText(QStringLiteral("abc")));
    EXPECT_FALSE(TSiteText(QStringLiteral("ab")) == TSiteText());
    // Invalid UTF-8 reads as QString::fromUtf8 reads it.
    EXPECT_EQ(TSiteText::FromUtf8("t\xc3(\xe2\x82").toString(),
              QString::fromUtf8("t\xc3(\xe2\x82"));
}

// The order is QString's: by UTF-16 code units, whatever the two storage forms.
TEST(SiteText, OrdersAsQString)
{
    const std::vector<QString> samples = Samples();
    for (const QString& x : samples) {
        for (const QString& y : samples) {
            const int expected = QString::compare(x, y);
            const auto got = TSiteText(x) <=> TSiteText(y);
            EXPECT_EQ(got < 0, expected < 0) << x.toStdString() << " / " << y.toStdString();
            EXPECT_EQ(got == 0, expected == 0) << x.toStdString() << " / " << y.toStdString();
        }
    }
}

TEST(SiteText, CopiesShareAndAssignmentsDoNotAlias)
{
    TSiteText a(QStringLiteral("Work\\Projects"));
    TSiteText b = a;
    EXPECT_EQ(a.Identity(), b.Identity());
    b += QStringLiteral("\\Old");
    EXPECT_EQ(a.toString(), QStringLiteral("Work\\Projects"));
    EXPECT_EQ(b.toString(), QStringLiteral("Work\\Projects\\Old"));
    a = std::move(b);
    EXPECT_EQ(a.toString(), QStringLiteral("Work\\Projects\\Old"));
    a = a; // self-assignment keeps the text
    EXPECT_EQ(a.toString(), QStringLiteral("Work\\Projects\\Old"));
    a.clear();
    EXPECT_TRUE(a.isEmpty());
    EXPECT_EQ(a.Identity(), nullptr);
    EXPECT_EQ(TSiteText(QString()).Identity(), nullptr); // an empty field allocates nothing
}

// Entries added with separate copies of the same category end up holding one
// text, however the reader produced it.
TEST(SiteText, ListSharesEqualCategories)
{
    TWebSiteList list;
    for (int i = 0; i < 4; ++i) {
        TWebSite s;
        s.URL = QStringLiteral("http://e%1/").arg(i);
        s.Category = QString::fromUtf8(i % 2 ? "B\\\xc3\xa9t\xc3\xa9" : "A\\Work");
        WebSitesAdd(list, s);
    }
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list[0].Category.Identity(), list[2].Category.Identity());
    EXPECT_EQ(list[1].Category.Identity(), list[3].Category.Identity());
    EXPECT_NE(list[0].Category.Identity(), list[1].Category.Identity());
    EXPECT_EQ(list[3].Category, QString::fromUtf8("B\\\xc3\xa9t\xc3\xa9"));
    // Lookup by URL finds Latin-1 and UTF-16 stored addresses alike.
    TWebSite wide;
    wide.URL = QString::fromUtf8("http://\xe6\x9d\xb1/");
    WebSitesAdd(list, wide);
    EXPECT_EQ(WebSitesIndexOfURL(list, QString::fromUtf8("http://\xe6\x9d\xb1/")), 4);
    EXPECT_EQ(WebSitesIndexOfURL(list, QStringLiteral("http://e3/")), 3);
    EXPECT_EQ(WebSitesIndexOfURL(list, QStringLiteral("http://e9/")), -1);
}

} // namespace
