#include "SettingsFixture.h"

#include <QDateTime>
#include <model/uBookmarkHtml.h>
#include <platform/EFileError.h>

namespace {

using SearchHistoryTest = DataDirTest;
using HistoryCopyTest = DataDirTest;

QByteArray NumberedLines(int Count)
{
    QByteArray data;
    for (int i = 1; i <= Count; ++i)
        data += "search " + QByteArray::number(i) + "\r\n";
    return data;
}

} // namespace

TEST_F(SearchHistoryTest, FileNameIsBesideTheSettings)
{
    EXPECT_EQ(SearchHistoryFileName(), Path(AppBaseName() + QStringLiteral("_History.txt")));
}

TEST_F(SearchHistoryTest, MissingFileGivesAnEmptyList)
{
    QStringList list{QStringLiteral("stale")};
    LoadSearchHistory(list);
    EXPECT_TRUE(list.isEmpty());
}

TEST_F(SearchHistoryTest, LoadsTheFirstTwentyAndSavesThemBack)
{
    WriteFile(SearchHistoryFileName(), NumberedLines(25));
    QStringList list;
    LoadSearchHistory(list);
    ASSERT_EQ(list.size(), 20);
    EXPECT_EQ(list.first(), QStringLiteral("search 1"));
    EXPECT_EQ(list.last(), QStringLiteral("search 20"));
    SaveSearchHistory(list);
    EXPECT_EQ(ReadFile(SearchHistoryFileName()), NumberedLines(20));
}

TEST_F(SearchHistoryTest, BlankLinesDroppedSpacesOnlyKept)
{
    WriteFile(SearchHistoryFileName(), "\r\nalpha\r\n\r\n   \r\n\nbeta\rgamma\n\r\n");
    QStringList list;
    LoadSearchHistory(list);
    EXPECT_EQ(list, (QStringList{QStringLiteral("alpha"), QStringLiteral("   "),
                                 QStringLiteral("beta"), QStringLiteral("gamma")}));
}

TEST_F(SearchHistoryTest, BlankLinesDoNotCountTowardsTheTwenty)
{
    QByteArray data;
    for (int i = 1; i <= 22; ++i)
        data += "\r\nq" + QByteArray::number(i) + "\r\n";
    WriteFile(SearchHistoryFileName(), data);
    QStringList list;
    LoadSearchHistory(list);
    ASSERT_EQ(list.size(), 20);
    EXPECT_EQ(list.last(), QStringLiteral("q20"));
}

TEST_F(SearchHistoryTest, EmptyListWritesAnEmptyFile)
{
    WriteFile(SearchHistoryFileName(), "old\r\n");
    SaveSearchHistory({});
    EXPECT_TRUE(QFile::exists(SearchHistoryFileName()));
    EXPECT_EQ(QFileInfo(SearchHistoryFileName()).size(), 0);
}

TEST_F(SearchHistoryTest, SavesEveryItemWithoutLimit)
{
    QStringList list;
    for (int i = 1; i <= 30; ++i)
        list << QStringLiteral("search %1").arg(i);
    SaveSearchHistory(list);
    EXPECT_EQ(ReadFile(SearchHistoryFileName()), NumberedLines(30));
}

TEST(SearchHistoryData, EncodingOnReadAndWrite)
{
    const QString cafe = QStringLiteral(u"café");
    const QString kana = QStringLiteral(u"検索");
    // Legacy code page (no byte-order mark) and the marked encodings.
    EXPECT_EQ(SearchHistoryFromData(QByteArray("caf\xE9\r\n")), QStringList{cafe});
    EXPECT_EQ(SearchHistoryFromData(QByteArray("\xEF\xBB\xBF") + kana.toUtf8() + "\r\n"),
              QStringList{kana});
    QByteArray utf16 = QByteArray("\xFF\xFE");
    utf16 += QByteArray(reinterpret_cast<const char*>(kana.utf16()), kana.size() * 2);
    EXPECT_EQ(SearchHistoryFromData(utf16), QStringList{kana});

    EXPECT_EQ(SearchHistoryToData({cafe, QStringLiteral("x")}), QByteArray("caf\xE9\r\nx\r\n"));
    // A character the code page lacks: the whole file becomes UTF-16LE with a BOM.
    const QByteArray wide = SearchHistoryToData({cafe, kana});
    ASSERT_TRUE(wide.startsWith("\xFF\xFE"));
    EXPECT_EQ(SearchHistoryFromData(wide), (QStringList{cafe, kana}));
}

TEST_F(SearchHistoryTest, UnwritableFileRaisesWithItsPath)
{
    ASSERT_TRUE(QDir().mkpath(SearchHistoryFileName()));
    try {
        SaveSearchHistory({QStringLiteral("a")});
        FAIL() << "no error raised";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.FileName(), SearchHistoryFileName());
    }
}

// ---- History copies -------------------------------------------------------------------

TEST_F(HistoryCopyTest, NameCarriesTheLocalDateAndTime)
{
    const QDateTime t(QDate(2018, 5, 3), QTime(14, 7, 9));
    EXPECT_EQ(HistoryBookmarkFileNameAt(t),
              Path(QStringLiteral("History/hvon2018-05-03 14-07-09.html")));
    const QDateTime morning(QDate(2024, 12, 31), QTime(0, 0, 0));
    EXPECT_EQ(HistoryBookmarkFileNameAt(morning),
              Path(QStringLiteral("History/hvon2024-12-31 00-00-00.html")));
    EXPECT_TRUE(IsHistoryFileName(QFileInfo(HistoryBookmarkFileName()).fileName()));
}

TEST(HistoryFileName, Pattern)
{
    const struct
    {
        const char16_t* Name;
        bool Match;
    } cases[] = {
        {u"hvon2018-05-03 14-07-09.html", true},      {u"HVON2018-05-03 14-07-09.HTML", true},
        {u"hvonabcd-ef-gh ij-kl-mn.html", true}, // any one character per place
        {u"hvon2018-05-03 14-07.html", false},   // no seconds
        {u"hvon2018-05-03 14-07-9.html", false},      {u"hvon2018-05-03 14-07-099.html", false},
        {u"hvon2018-05-03_14-07-09.html", false},     {u"xhvon2018-05-03 14-07-09.html", false},
        {u"hvon2018-05-03 14-07-09.html.bak", false}, {u"hvon2018-05-03 14-07-09.htm", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsHistoryFileName(QString::fromUtf16(c.Name)), c.Match)
            << QString::fromUtf16(c.Name).toStdString();
}

TEST_F(HistoryCopyTest, NothingWrittenWhenOffOrForAnEmptyList)
{
    TWebSiteList list;
    SetupData.isSaveHistory = true;
    SaveHistoryCopy(list, SetupData);
    EXPECT_FALSE(QDir(Path(QStringLiteral("History"))).exists());

    TWebSite site;
    site.URL = QStringLiteral("https://example.org/");
    site.Title = QStringLiteral("Example");
    list.Append(site);
    SetupData.isSaveHistory = false;
    SaveHistoryCopy(list, SetupData);
    EXPECT_FALSE(QDir(Path(QStringLiteral("History"))).exists());
}

TEST_F(HistoryCopyTest, WritesTheWholeListIntoANewHistoryFolder)
{
    TWebSiteList list;
    for (int i = 0; i < 3; ++i) {
        TWebSite site;
        site.URL = QStringLiteral("https://example.org/%1").arg(i);
        site.Title = QStringLiteral("Page %1").arg(i);
        site.Visible = i == 0; // hidden entries are written too
        list.Append(site);
    }
    SetupData.isSaveHistory = true;
    SaveHistoryCopy(list, SetupData);
    const QStringList files = QDir(Path(QStringLiteral("History"))).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(IsHistoryFileName(files.first()));
    const QByteArray html = ReadFile(QDir(Path(QStringLiteral("History"))).filePath(files.first()));
    EXPECT_EQ(html, WebSitesToHtmlData(list));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(html.contains("https://example.org/" + QByteArray::number(i)));
}

TEST_F(HistoryCopyTest, UncreatableFolderRaises)
{
    WriteFile(Path(QStringLiteral("History")), "a file, not a folder");
    TWebSiteList list;
    TWebSite site;
    site.URL = QStringLiteral("https://example.org/");
    list.Append(site);
    SetupData.isSaveHistory = true;
    EXPECT_THROW(SaveHistoryCopy(list, SetupData), EFileError);
}

TEST_F(HistoryCopyTest, ClearRecyclesOnlyMatchingFiles)
{
    const QStringList matching = {QStringLiteral("hvon2018-05-03 14-07-09.html"),
                                  QStringLiteral("hvon2019-01-01 00-00-00.html"),
                                  QStringLiteral("HVON2020-02-29 23-59-59.HTML")};
    const QStringList others = {QStringLiteral("notes.html"),
                                QStringLiteral("hvon2018-05-03 14-07.html")};
    for (const QString& name : matching + others)
        WriteFile(Path(QStringLiteral("History/") + name), "<html></html>");
    // A sub-folder is not searched.
    WriteFile(Path(QStringLiteral("History/sub/hvon2018-05-03 14-07-09.html")), "x");

    EXPECT_EQ(ClearHistoryFiles(), 3);
    for (const QString& name : matching)
        EXPECT_FALSE(QFile::exists(Path(QStringLiteral("History/") + name))) << name.toStdString();
    for (const QString& name : others)
        EXPECT_TRUE(QFile::exists(Path(QStringLiteral("History/") + name))) << name.toStdString();
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("History/sub/hvon2018-05-03 14-07-09.html"))));
    // In the trash, not destroyed.
    const QDir trash(FTmp.filePath(QStringLiteral("xdg/Trash/files")));
    EXPECT_EQ(trash.entryList(QDir::Files).size(), 3);

    EXPECT_EQ(ClearHistoryFiles(), 0);
}

TEST_F(HistoryCopyTest, ClearWithoutHistoryFolderIsNothingToDo)
{
    EXPECT_EQ(ClearHistoryFiles(), 0);
}
