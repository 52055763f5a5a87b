#include "SettingsFixture.h"

#include <QStringList>
#include <platform/EFileError.h>

namespace {

using SetupDataTest = DataDirTest;

TSetupData Defaults()
{
    TSetupData d;
    SetupDataDefault(d);
    return d;
}

QStringList Lines(const QByteArray& Data)
{
    QStringList lines = QString::fromLatin1(Data).split(QStringLiteral("\r\n"));
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

TEST_F(SetupDataTest, FirstRunGivesTheDefaults)
{
    ASSERT_FALSE(QFile::exists(SetupIniFileName()));
    SetupData = TSetupData{};
    LoadSetupData(SetupData);
    EXPECT_TRUE(SetupData.isOpenBaseBookmark);
    EXPECT_FALSE(SetupData.isSaveHistory);
    EXPECT_FALSE(SetupData.isAmazonShort);
    EXPECT_EQ(SetupData.IEPath, DetectBrowserPath(TBrowser::IE));
    EXPECT_EQ(SetupData.FFPath, DetectBrowserPath(TBrowser::FF));
    EXPECT_EQ(SetupData.CHPath, DetectBrowserPath(TBrowser::CH));
    EXPECT_EQ(SetupData.VIPath, DetectBrowserPath(TBrowser::VI));
    EXPECT_EQ(SetupData.TRPath, DetectBrowserPath(TBrowser::TR));
    EXPECT_EQ(SetupData.PMPath, DetectBrowserPath(TBrowser::PM));
    EXPECT_EQ(SetupData.BaseBookmarkName, Path(AppBaseName() + QStringLiteral(".html")));
    EXPECT_EQ(SetupIniFileName(), Path(AppBaseName() + QStringLiteral(".ini")));
    // Loading writes nothing.
    EXPECT_FALSE(QFile::exists(SetupIniFileName()));
}

struct TIniCase
{
    const char* Name;
    const char* Ini;
    void (*Expect)(const TSetupData& Got, const TSetupData& Def);
};

class SetupIniReadTest : public DataDirTest, public ::testing::WithParamInterface<TIniCase>
{
};

TEST_P(SetupIniReadTest, OverridesFromTheFile)
{
    WriteFile(SetupIniFileName(), QByteArray(GetParam().Ini));
    LoadSetupData(SetupData);
    GetParam().Expect(SetupData, Defaults());
}

const TIniCase IniCases[] = {
    {"EmptyValueGivesEmptyPath", "[WebBrowser]\r\nVivaldi=\r\n",
     [](const TSetupData& g, const TSetupData& d) {
         EXPECT_EQ(g.VIPath, QString());
         EXPECT_EQ(g.FFPath, d.FFPath);
         EXPECT_EQ(g.CHPath, d.CHPath);
     }},
    {"AllPaths",
     "[WebBrowser]\r\nInternet Explorer=/a/ie\r\nMozilla Firefox=/a/ff\r\nGoogle Chrome=/a/ch\r\n"
     "Vivaldi=/a/vi\r\nTor Browser=/a/tr\r\nPale Moon=C:\\Pale Moon\\palemoon.exe\r\n",
     [](const TSetupData& g, const TSetupData& d) {
         EXPECT_EQ(g.IEPath, QStringLiteral("/a/ie"));
         EXPECT_EQ(g.FFPath, QStringLiteral("/a/ff"));
         EXPECT_EQ(g.CHPath, QStringLiteral("/a/ch"));
         EXPECT_EQ(g.VIPath, QStringLiteral("/a/vi"));
         EXPECT_EQ(g.TRPath, QStringLiteral("/a/tr"));
         EXPECT_EQ(g.PMPath, QStringLiteral("C:\\Pale Moon\\palemoon.exe"));
         EXPECT_EQ(g.BaseBookmarkName, d.BaseBookmarkName);
     }},
    {"NamesIgnoreCase", "[webbrowser]\r\ngoogle CHROME=/x/chrome\r\n[SIMPLIFY]\r\nAMAZON=1\r\n",
     [](const TSetupData& g, const TSetupData&) {
         EXPECT_EQ(g.CHPath, QStringLiteral("/x/chrome"));
         EXPECT_TRUE(g.isSaveHistory);
     }},
    {"SimplifyAmazonIsTheHistorySwitch", "[Simplify]\r\namazon=1\r\n",
     [](const TSetupData& g, const TSetupData&) {
         EXPECT_TRUE(g.isSaveHistory);
         EXPECT_FALSE(g.isAmazonShort);
     }},
    {"HistorySwitchUnderBookmarkIsNotRead", "[Bookmark]\r\namazon=1\r\nSave History=1\r\n",
     [](const TSetupData& g, const TSetupData&) { EXPECT_FALSE(g.isSaveHistory); }},
    {"ShortenURLSwitch", "[Simplify]\r\nShorten URL=1\r\n",
     [](const TSetupData& g, const TSetupData&) {
         EXPECT_TRUE(g.isAmazonShort);
         EXPECT_FALSE(g.isSaveHistory);
     }},
    {"HexBooleans",
     "[Bookmark]\r\nOpen Base Bookmark=0x0\r\n[Simplify]\r\namazon=$1F\r\nShorten URL=0X10\r\n",
     [](const TSetupData& g, const TSetupData&) {
         EXPECT_FALSE(g.isOpenBaseBookmark);
         EXPECT_TRUE(g.isSaveHistory);
         EXPECT_TRUE(g.isAmazonShort);
     }},
    {"DecimalNonZeroIsTrue", "[Bookmark]\r\nOpen Base Bookmark=0\r\n[Simplify]\r\namazon=-2\r\n",
     [](const TSetupData& g, const TSetupData&) {
         EXPECT_FALSE(g.isOpenBaseBookmark);
         EXPECT_TRUE(g.isSaveHistory);
     }},
    {"NonNumericKeepsDefault",
     "[Bookmark]\r\nOpen Base Bookmark=no\r\n[Simplify]\r\namazon=yes\r\nShorten URL=\r\n",
     [](const TSetupData& g, const TSetupData&) {
         EXPECT_TRUE(g.isOpenBaseBookmark);
         EXPECT_FALSE(g.isSaveHistory);
         EXPECT_FALSE(g.isAmazonShort);
     }},
    {"BaseBookmarkNameIsNeverRead", "[Bookmark]\r\nBaseBookmarkName=/elsewhere.html\r\n",
     [](const TSetupData& g, const TSetupData& d) {
         EXPECT_EQ(g.BaseBookmarkName, d.BaseBookmarkName);
     }},
};

INSTANTIATE_TEST_SUITE_P(Cases, SetupIniReadTest, ::testing::ValuesIn(IniCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SetupDataTest, SaveKeepsOtherKeysAndDropsComments)
{
    WriteFile(SetupIniFileName(), "stray line before any section\r\n"
                                  "; a comment\r\n"
                                  "[Other]\r\n"
                                  "Keep=me\r\n"
                                  "\r\n"
                                  "[WebBrowser]\r\n"
                                  "Extra=1\r\n"
                                  "Google Chrome=/old/chrome\r\n"
                                  "; another comment\r\n"
                                  "[Simplify]\r\n"
                                  "amazon=1\r\n");
    LoadSetupData(SetupData);
    ASSERT_TRUE(SetupData.isSaveHistory);
    SetupData.CHPath = QStringLiteral("/new/chrome");
    SetupData.VIPath = QString();
    SaveSetupData(SetupData);

    const TSetupData d = Defaults();
    const QStringList expected = {
        QStringLiteral("[Other]"),
        QStringLiteral("Keep=me"),
        QString(),
        QStringLiteral("[WebBrowser]"),
        QStringLiteral("Extra=1"),
        QStringLiteral("Google Chrome=/new/chrome"),
        QStringLiteral("Internet Explorer=") + d.IEPath,
        QStringLiteral("Mozilla Firefox=") + d.FFPath,
        QStringLiteral("Vivaldi="),
        QStringLiteral("Tor Browser=") + d.TRPath,
        QStringLiteral("Pale Moon=") + d.PMPath,
        QString(),
        QStringLiteral("[Simplify]"),
        QStringLiteral("amazon=1"),
        QStringLiteral("Shorten URL=0"),
        QString(),
        QStringLiteral("[Bookmark]"),
        QStringLiteral("Open Base Bookmark=1"),
    };
    EXPECT_EQ(Lines(ReadFile(SetupIniFileName())), expected);

    // And it reads back the same.
    const TSetupData saved = SetupData;
    SetupData = TSetupData{};
    LoadSetupData(SetupData);
    EXPECT_EQ(SetupData, saved);
}

TEST_F(SetupDataTest, UnchangedRunWritesTheSameFlagsBack)
{
    WriteFile(SetupIniFileName(),
              "[Bookmark]\r\nOpen Base Bookmark=0\r\n[Simplify]\r\namazon=1\r\n");
    LoadSetupData(SetupData);
    SaveSetupData(SetupData);
    const QStringList lines = Lines(ReadFile(SetupIniFileName()));
    EXPECT_EQ(lines.mid(0, 5),
              (QStringList{QStringLiteral("[Bookmark]"), QStringLiteral("Open Base Bookmark=0"),
                           QString(), QStringLiteral("[Simplify]"), QStringLiteral("amazon=1")}));
    EXPECT_TRUE(lines.contains(QStringLiteral("[WebBrowser]")));
}

TEST_F(SetupDataTest, FreshFileHasSectionsAndKeysInOrder)
{
    SetupDataDefault(SetupData);
    SetupData.isSaveHistory = true;
    SetupData.isAmazonShort = true;
    SaveSetupData(SetupData);
    QStringList keys;
    for (const QString& line : Lines(ReadFile(SetupIniFileName())))
        keys << line.section(u'=', 0, 0);
    EXPECT_EQ(
        keys,
        (QStringList{QStringLiteral("[WebBrowser]"), QStringLiteral("Internet Explorer"),
                     QStringLiteral("Mozilla Firefox"), QStringLiteral("Google Chrome"),
                     QStringLiteral("Vivaldi"), QStringLiteral("Tor Browser"),
                     QStringLiteral("Pale Moon"), QString(), QStringLiteral("[Bookmark]"),
                     QStringLiteral("Open Base Bookmark"), QString(), QStringLiteral("[Simplify]"),
                     QStringLiteral("amazon"), QStringLiteral("Shorten URL")}));
    EXPECT_TRUE(ReadFile(SetupIniFileName()).contains("amazon=1\r\nShorten URL=1\r\n"));

    // The link check's icon switch appears once switched on, and stays when off.
    for (const bool On : {true, false}) {
        SetupData.isLinkCheckIcons = On;
        SaveSetupData(SetupData);
        EXPECT_TRUE(ReadFile(SetupIniFileName())
                        .contains(On ? "\n[Link Check]\r\nFetch Icons=1\r\n"
                                     : "\n[Link Check]\r\nFetch Icons=0\r\n"));
        TSetupData Read;
        LoadSetupData(Read);
        EXPECT_EQ(Read.isLinkCheckIcons, On);
    }
}

TEST_F(SetupDataTest, PathOutsideTheCodePageSurvivesTheRoundTrip)
{
    SetupDataDefault(SetupData);
    SetupData.FFPath = QStringLiteral(u"/opt/ブラウザ/firefox");
    SaveSetupData(SetupData);
    const TSetupData saved = SetupData;
    SetupData = TSetupData{};
    LoadSetupData(SetupData);
    EXPECT_EQ(SetupData.FFPath, saved.FFPath);
}

TEST_F(SetupDataTest, UnwritableFileRaisesWithItsPath)
{
    // A folder where the file should be: the write cannot succeed.
    ASSERT_TRUE(QDir().mkpath(SetupIniFileName()));
    SetupDataDefault(SetupData);
    try {
        SaveSetupData(SetupData);
        FAIL() << "no error raised";
    } catch (const EFileError& e) {
        EXPECT_EQ(QFileInfo(e.FileName()).fileName(), AppBaseName() + QStringLiteral(".ini"));
    }
}

TEST_F(SetupDataTest, WindowPlaceIsKeptAndReadBack)
{
    SetupDataDefault(SetupData);
    // Never placed: nothing about the window is written.
    SaveSetupData(SetupData);
    EXPECT_FALSE(ReadFile(SetupIniFileName()).contains("[Window]"));

    SetupData.Window.Left = -1200; // a second screen left of the first
    SetupData.Window.Top = 40;
    SetupData.Window.Width = 1024;
    SetupData.Window.Height = 700;
    SetupData.Window.Maximized = true;
    SetupData.Window.ColumnWidths = {300, 200, 150, 280, 90, 60};
    SetupData.Window.ColumnOrder = {1, 0, 2, 4, 3, 5};
    SaveSetupData(SetupData);
    EXPECT_TRUE(ReadFile(SetupIniFileName())
                    .contains("[Window]\r\nLeft=-1200\r\nTop=40\r\nWidth=1024\r\nHeight=700\r\n"
                              "Maximized=1\r\nColumn Widths=300,200,150,280,90,60\r\n"
                              "Column Order=1,0,2,4,3,5\r\n"));
    TSetupData Read;
    LoadSetupData(Read);
    EXPECT_EQ(Read.Window, SetupData.Window);
    EXPECT_EQ(Read, SetupData);
}

TEST_F(SetupDataTest, DamagedWindowValuesFallBackToTheDesignedLayout)
{
    struct TCase
    {
        const char* Ini;
        TWindowPlace Expected;
    };
    const TCase Cases[] = {
        // No size: the place is not used, the columns still are.
        {"[Window]\r\nLeft=10\r\nTop=10\r\nColumn Widths=1,2\r\n", {0, 0, 0, 0, false, {1, 2}, {}}},
        {"[Window]\r\nWidth=0\r\nHeight=500\r\nMaximized=1\r\n", {}},
        {"[Window]\r\nWidth=800\r\nHeight=-5\r\n", {}},
        {"[Window]\r\nLeft=99999999\r\nTop=5\r\nWidth=800\r\nHeight=600\r\n",
         {0, 5, 800, 600, false, {}, {}}},
        {"[Window]\r\nWidth=800\r\nHeight=600\r\nColumn Widths=10,x,30\r\n"
         "Column Order=0,-1\r\n",
         {0, 0, 800, 600, false, {}, {}}},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Ini);
        WriteFile(SetupIniFileName(), QByteArray(C.Ini));
        TSetupData Read;
        LoadSetupData(Read);
        EXPECT_EQ(Read.Window, C.Expected);
    }
}
