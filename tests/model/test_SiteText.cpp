#include <model/uBookmarkHtml.h>
#include <model/uSiteText.h>
#include <model/uWebSiteList.h>

#include "PrintQt.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
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
        // A lone surrogate has no UTF-8 form and is written as U+FFFD.
        EXPECT_EQ(utf8,
                  "<" + QString(s).replace(QChar(0xd800), QChar::ReplacementCharacter).toUtf8());
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

// ---- Texts cut from chunks -------------------------------------------------------------

// Makes (and drops) enough texts that the scope's next ones are cut from chunks.
void PassWarmUp()
{
    const QString filler(64, u'x');
    for (qsizetype made = 0; made <= TSiteTextChunks::WarmUpBytes; made += filler.size())
        TSiteText discarded(filler);
}

QString SampleURL(int i)
{
    return QStringLiteral("https://site%1.example/page/%2").arg(i % 977).arg(i);
}

// A text cut from a chunk is the same text as one allocated alone: equal,
// hashed, ordered and read alike (its head records more than the text).
TEST(SiteTextChunks, ChunkTextsBehaveAsTextsAllocatedAlone)
{
    const qsizetype before = TSiteTextChunks::Count();
    const std::vector<QString> samples = Samples();
    std::vector<TSiteText> alone, cut, cutUtf8;
    for (const QString& s : samples)
        alone.emplace_back(s);
    {
        const TSiteTextChunks chunks;
        PassWarmUp();
        for (const QString& s : samples) {
            cut.emplace_back(s);
            cutUtf8.push_back(TSiteText::FromUtf8(s.toUtf8()));
        }
    }
    EXPECT_EQ(TSiteTextChunks::Count(), before + 1);
    for (size_t i = 0; i < samples.size(); ++i) {
        SCOPED_TRACE(samples[i].toStdString());
        EXPECT_EQ(cut[i].toString(), samples[i]);
        EXPECT_EQ(cut[i].size(), samples[i].size());
        EXPECT_EQ(cut[i].IsLatin1(), alone[i].IsLatin1());
        EXPECT_TRUE(cut[i] == alone[i]);
        EXPECT_EQ(cut[i].Hash(3), alone[i].Hash(3));
        if (!samples[i].contains(QChar(0xd800))) { // a lone surrogate does not survive UTF-8
            EXPECT_TRUE(cutUtf8[i] == alone[i]);
        }
        for (size_t j = 0; j < samples.size(); ++j)
            EXPECT_EQ(cut[i] <=> alone[j], alone[i] <=> alone[j]);
        TSiteText appended = cut[i];
        appended += QStringLiteral("+");
        EXPECT_EQ(appended.toString(), samples[i] + u'+');
        EXPECT_EQ(cut[i].toString(), samples[i]);
    }
    cut.clear();
    cutUtf8.clear();
    EXPECT_EQ(TSiteTextChunks::Count(), before);
}

// Texts outlive the scope that cut them; a chunk goes with its last text, and
// a small scope takes no chunk at all.
TEST(SiteTextChunks, ChunkIsFreedWithItsLastText)
{
    const qsizetype before = TSiteTextChunks::Count();
    std::vector<TSiteText> texts;
    {
        const TSiteTextChunks chunks;
        for (int i = 0; i < 100; ++i)
            texts.emplace_back(SampleURL(i));
        EXPECT_EQ(TSiteTextChunks::Count(), before);
        PassWarmUp();
        for (int i = 0; i < 30000; ++i)
            texts.emplace_back(SampleURL(i));
    }
    // 30,000 texts of about 40 bytes fill several chunks.
    EXPECT_GE(TSiteTextChunks::Count(), before + 4);
    const TSiteText kept = texts[100 + 15000];
    texts.clear();
    EXPECT_EQ(TSiteTextChunks::Count(), before + 1);
    EXPECT_EQ(kept.toString(), SampleURL(15000));
    TSiteText copy = kept;
    {
        const TSiteText dropped = std::move(copy);
    }
    EXPECT_EQ(TSiteTextChunks::Count(), before + 1);
    EXPECT_EQ(kept.toString(), SampleURL(15000));
    const_cast<TSiteText&>(kept).clear();
    EXPECT_EQ(TSiteTextChunks::Count(), before);
}

// Texts cut on one thread are copied, read and freed on another while the
// first goes on cutting from the same chunks; every chunk goes in the end.
TEST(SiteTextChunks, TextsMadeOnOneThreadAreFreedOnAnother)
{
    const qsizetype before = TSiteTextChunks::Count();
    constexpr int Batches = 200;
    constexpr int BatchSize = 500;
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<std::vector<TSiteText>> queue;
    std::thread reader([&] {
        const TSiteTextChunks chunks;
        PassWarmUp();
        for (int b = 0; b < Batches; ++b) {
            std::vector<TSiteText> batch;
            for (int i = 0; i < BatchSize; ++i)
                batch.emplace_back(SampleURL(b * BatchSize + i));
            // The reader keeps a copy of every other text a little longer.
            std::vector<TSiteText> kept(batch.begin(), batch.begin() + BatchSize / 2);
            {
                const std::lock_guard lock(mutex);
                queue.push_back(std::move(batch));
            }
            ready.notify_one();
        }
    });
    int wrong = 0;
    for (int b = 0; b < Batches; ++b) {
        std::vector<TSiteText> batch;
        {
            std::unique_lock lock(mutex);
            ready.wait(lock, [&] { return !queue.empty(); });
            batch = std::move(queue.front());
            queue.pop_front();
        }
        for (int i = 0; i < BatchSize; ++i)
            if (batch[size_t(i)] != SampleURL(b * BatchSize + i))
                ++wrong;
    }
    reader.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(TSiteTextChunks::Count(), before);
}

QByteArray BookmarkFile(int entries, int copies)
{
    QByteArray html = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
                      "<DT><H3>Work</H3>\n<DL><p>\n";
    for (int i = 0; i < entries; ++i)
        for (int c = 0; c < copies; ++c)
            html += "<DT><A HREF=\"" + SampleURL(i).toUtf8() + "\" ADD_DATE=\"1500000000\">Title "
                    + QByteArray::number(i) + "</A>\n";
    html += "</DL><p>\n</DL><p>\n";
    return html;
}

// A file's texts come from chunks and stay right after the list is gone (as
// in an undo step's copy of the entries).
TEST(SiteTextChunks, ReadTextsOutliveTheList)
{
    const qsizetype before = TSiteTextChunks::Count();
    std::vector<TWebSite> snapshot;
    {
        TWebSiteList list;
        WebSitesLoadFromHtmlData(list, BookmarkFile(20000, 1));
        ASSERT_EQ(list.Count(), 20000);
        EXPECT_GT(TSiteTextChunks::Count(), before);
        snapshot = list.Items();
        list.Clear();
    }
    EXPECT_GT(TSiteTextChunks::Count(), before);
    for (int i = 0; i < 20000; ++i) {
        ASSERT_EQ(snapshot[size_t(i)].URL, SampleURL(i));
        ASSERT_EQ(snapshot[size_t(i)].Title, QStringLiteral("Title %1").arg(i));
        ASSERT_EQ(snapshot[size_t(i)].Category, QStringLiteral("Work"));
    }
    snapshot.clear();
    EXPECT_EQ(TSiteTextChunks::Count(), before);
}

// A bookmark that merges into an entry read before it leaves no text behind in
// the chunks: a file holding every bookmark four times takes the room of one.
TEST(SiteTextChunks, MergedBookmarksTakeNoRoom)
{
    const qsizetype before = TSiteTextChunks::Count();
    TWebSiteList once, fourTimes;
    WebSitesLoadFromHtmlData(once, BookmarkFile(20000, 1));
    const qsizetype chunksOnce = TSiteTextChunks::Count() - before;
    WebSitesLoadFromHtmlData(fourTimes, BookmarkFile(20000, 4));
    const qsizetype chunksFourTimes = TSiteTextChunks::Count() - before - chunksOnce;
    ASSERT_EQ(fourTimes.Count(), 20000);
    EXPECT_EQ(fourTimes.Stats.Merged, 60000);
    EXPECT_GT(chunksOnce, 0);
    EXPECT_EQ(chunksFourTimes, chunksOnce);
    for (int i = 0; i < 20000; i += 997) {
        // The same entries; the copies only stand at other places in the file.
        TWebSite entry = fourTimes[i];
        EXPECT_EQ(entry.Place, TTreePlace(std::min(4 * i + 1, int(MaxTreePlace))));
        entry.Place = once[i].Place;
        EXPECT_TRUE(entry == once[i]) << i;
    }
}

} // namespace
