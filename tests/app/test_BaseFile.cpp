// The base bookmark file at start and exit: a file the start could not read is
// never replaced, the previous file is kept as .bak, and the file beside a
// read-only portable program is read.

#include "MainWindowFixture.h"

#include <app/uBaseBookmarkFile.h>
#include <model/uBookmarkHtml.h>
#include <model/uFolderImportExport.h>

#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

void SetModified(const QString& Path, const QDateTime& Time)
{
    QFile F(Path);
    ASSERT_TRUE(F.open(QIODevice::ReadWrite));
    ASSERT_TRUE(F.setFileTime(Time, QFileDevice::FileModificationTime));
}

QByteArray ReadBytes(const QString& Path)
{
    QFile F(Path);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
}

// A Netscape bookmark file with Count links, as browsers export it.
QString BookmarkPage(int Count)
{
    QString Text =
        QStringLiteral("<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
                       "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
                       "<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n<DL><p>\r\n");
    for (int i = 0; i < Count; ++i)
        Text += QStringLiteral("    <DT><A HREF=\"https://site%1.example/\" "
                               "ADD_DATE=\"1600000000\">Site %1</A>\r\n")
                    .arg(i);
    return Text + QStringLiteral("</DL><p>\r\n");
}

} // namespace

TEST_F(MainWindowTest, ABaseFileThatReadsAsNothingIsLeftByteIdenticalAtExit)
{
    QStringEncoder Utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    QByteArray Garbled = QByteArray("\x1f\x8b\x08\x00\x00\x00\x00\x00", 8);
    for (int i = 0; i < 500; ++i)
        Garbled += char((i * 37) & 0xFF);
    const struct
    {
        const char* Name;
        QByteArray Bytes;
    } Cases[] = {
        {"UTF-16 export of 29 bookmarks", Utf16.encode(BookmarkPage(29))},
        {"binary data", Garbled},
        {"a text that is no bookmark file", "My links: see the wiki.\nNothing else here.\n"},
        {"links the reader cannot take apart",
         "<DL><DT><A HREF=https://a.example/ broken\n<DT><A HREF=\n"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        Form.reset();
        Errors.clear();
        QFile::remove(Settings.BaseBookmarkName);
        WriteText(Settings.BaseBookmarkName, C.Bytes);
        Start();
        if (Rows() > 0) {
            // The reader has learnt this form: then the list is the file's, nothing is lost.
            EXPECT_FALSE(Form->BaseFileRead().KeepFile());
            continue;
        }
        EXPECT_TRUE(Form->BaseFileRead().KeepFile());
        ASSERT_EQ(Errors.size(), 1);
        EXPECT_TRUE(Errors[0].contains(QDir::toNativeSeparators(Settings.BaseBookmarkName)))
            << qPrintable(Errors[0]);
        EXPECT_TRUE(Form->StatusText().contains(QStringLiteral("will not be replaced")))
            << qPrintable(Form->StatusText());
        // A link added in this session does not change that; the search history is still written.
        Form->onDrop(QStringLiteral("http://new.example/"), QStringLiteral("New"), {});
        Form->searchBox()->setEditText(QStringLiteral("kept"));
        Form->onSearch();
        Form->SaveAtExit();
        EXPECT_EQ(ReadBytes(Settings.BaseBookmarkName), C.Bytes);
        EXPECT_FALSE(QFileInfo::exists(BaseBookmarkBackupName(Settings.BaseBookmarkName)));
        EXPECT_TRUE(ReadBytes(SearchHistoryFileName()).contains("kept"));
    }
}

TEST_F(MainWindowTest, AnEmptyBookmarkFileIsAnEmptyListNotAFailure)
{
    TWebSiteList Empty;
    WebSitesSaveToHtml(Empty, Settings.BaseBookmarkName);
    Start();
    EXPECT_EQ(Form->BaseFileRead().Status, TBaseFileRead::Read);
    EXPECT_FALSE(Form->BaseFileRead().KeepFile());
    EXPECT_TRUE(Errors.isEmpty());
    for (const char* Bytes : {"", "  \r\n"})
        EXPECT_TRUE(HoldsNoBookmarks(QByteArray(Bytes)));
    EXPECT_TRUE(HoldsNoBookmarks(WebSitesToHtmlData(Empty)));
    EXPECT_FALSE(HoldsNoBookmarks(BookmarkPage(1).toUtf8()));
}

TEST_F(MainWindowTest, TheReplacedBaseFileIsKeptAsOneBakGeneration)
{
    const QString Base = Settings.BaseBookmarkName;
    const QString Bak = BaseBookmarkBackupName(Base);
    Start({MakeSite(QStringLiteral("Alpha"), QStringLiteral("http://a.example/")),
           MakeSite(QStringLiteral("Bravo"), QStringLiteral("http://b.example/"))});
    const QByteArray First = ReadBytes(Base);
    // A session that changes nothing leaves both files alone.
    Form->SaveAtExit();
    EXPECT_EQ(ReadBytes(Base), First);
    EXPECT_FALSE(QFileInfo::exists(Bak));

    // Delete one: the old file becomes the .bak.
    Start();
    Form->SelectRows({0});
    Form->onDeleteSelected();
    Form->SaveAtExit();
    const QByteArray Second = ReadBytes(Base);
    EXPECT_NE(Second, First);
    EXPECT_EQ(ReadBytes(Bak), First);

    // Add one: only the latest previous file is kept.
    Start();
    Form->onDrop(QStringLiteral("http://c.example/"), QStringLiteral("Charlie"), {});
    Form->SaveAtExit();
    EXPECT_EQ(ReadBytes(Bak), Second);
    Start();
    EXPECT_EQ(Titles(), (QStringList{QStringLiteral("Bravo"), QStringLiteral("Charlie")}));
}

TEST_F(MainWindowTest, AReadOnlyPortableFolderIsStillReadAndTheStatusSaysWhereChangesGo)
{
    const QString Portable = Path(QStringLiteral("portable/zorvel.html"));
    const QString PerUser = Settings.BaseBookmarkName;
    WriteText(Portable, BookmarkPage(3).toUtf8());
    // The per-user folder has no file yet, or an older one: the portable file is read.
    EXPECT_EQ(ChooseBaseFileToRead(PerUser, Portable), Portable);
    WriteText(PerUser, BookmarkPage(1).toUtf8());
    SetModified(PerUser, QDateTime::currentDateTime().addDays(-1));
    EXPECT_EQ(ChooseBaseFileToRead(PerUser, Portable), Portable);
    // A newer per-user file holds the changes of an earlier run: it wins.
    SetModified(PerUser, QDateTime::currentDateTime().addDays(1));
    EXPECT_EQ(ChooseBaseFileToRead(PerUser, Portable), PerUser);
    EXPECT_EQ(ChooseBaseFileToRead(PerUser, QString()), PerUser);
    EXPECT_EQ(ChooseBaseFileToRead(PerUser, Path(QStringLiteral("none/zorvel.html"))), PerUser);

    // The window reads the portable file and says where its changes will be saved.
    QFile::remove(PerUser);
    Settings.isOpenBaseBookmark = false;
    Start();
    TWebSiteList& List = Form->WebSiteList();
    Form->ApplyBaseFileRead(ReadBaseBookmarkFile(List, Portable));
    EXPECT_EQ(Rows(), 3);
    EXPECT_TRUE(Form->StatusText().contains(QStringLiteral("changes will be saved in")))
        << qPrintable(Form->StatusText());
    EXPECT_TRUE(Form->StatusText().contains(QDir::toNativeSeparators(Tmp.path())))
        << qPrintable(Form->StatusText());
    Settings.isOpenBaseBookmark = true;
    Form->SaveAtExit();
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(ReadBytes(Portable), BookmarkPage(3).toUtf8());
    TWebSiteList Saved;
    WebSitesLoadFromPath(Saved, PerUser);
    EXPECT_EQ(Saved.Count(), 3);
}

// What the start says about the base file is shown before the window is; once shown,
// the text sits inside the list, wrapped when it is wider, never cut at the left.
TEST_F(MainWindowTest, TheStartsLongStatusSitsInsideTheShownList)
{
    Settings.BaseBookmarkName =
        Path(QStringLiteral("a folder with a rather long name for bookmarks kept over many years/"
                            "and another one inside it/zorvel.html"));
    WriteText(Settings.BaseBookmarkName, QByteArray("\x01\x02 not a bookmark file \xff\xfe", 26));
    Start();
    ASSERT_FALSE(Form->StatusText().isEmpty());
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    QCoreApplication::processEvents();
    auto* Status = Form->findChild<QLabel*>(QStringLiteral("statusLabel"));
    ASSERT_NE(Status, nullptr);
    ASSERT_TRUE(Status->isVisible());
    const QRect List = Form->bookmarkList()->rect();
    EXPECT_TRUE(List.contains(Status->geometry()))
        << Status->geometry().x() << "," << Status->geometry().y() << " " << Status->width() << "x"
        << Status->height();
    EXPECT_GE(Status->height(), Status->heightForWidth(Status->width()));
}

TEST_F(MainWindowTest, TheBaseFileKeepsFaviconsBetweenRuns)
{
    // Two bookmarks as a browser exports them, each with its favicon embedded.
    const QByteArray Png =
        QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + QByteArray(120, '\x33');
    const QByteArray Ico = QByteArray("\0\0\1\0\1\0\x10\x10", 8) + QByteArray(90, '\x44');
    const QByteArray PngURI = "data:image/png;base64," + Png.toBase64();
    const QByteArray IcoURI = "data:image/x-icon;base64," + Ico.toBase64();
    WriteText(Settings.BaseBookmarkName,
              "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
              "<DT><A HREF=\"https://a.example/\" ADD_DATE=\"1600000000\" ICON=\""
                  + PngURI
                  + "\">A</A>\n"
                    "<DT><A HREF=\"https://b.example/\" ADD_DATE=\"1600000000\" ICON=\""
                  + IcoURI
                  + "\">B</A>\n"
                    "</DL><p>\n");
    Start();
    ASSERT_EQ(Rows(), 2);
    Form->onDrop(QStringLiteral("http://c.example/"), QStringLiteral("C"), {});
    Form->SaveAtExit();
    const QByteArray Saved = ReadBytes(Settings.BaseBookmarkName);
    EXPECT_TRUE(Saved.contains("ICON=\"" + PngURI + "\"")) << Saved.constData();
    EXPECT_TRUE(Saved.contains("ICON=\"" + IcoURI + "\""));
    EXPECT_EQ(Saved.count("ICON=\""), 2);

    // The next run reads them back.
    Start();
    ASSERT_EQ(Rows(), 3);
    Form->SaveAtExit();
    EXPECT_EQ(ReadBytes(Settings.BaseBookmarkName), Saved);
}

// The exit write compares the new bytes with the old file as it makes them and
// only starts the replacement at the first difference: every way the two can
// differ must still give exactly the new bytes, with the old file as .bak.
TEST(BaseFileWrite, GivesTheNewBytesWhereverTheOldFileDiffers)
{
    TWebSiteList Small;
    for (int i = 0; i < 3; ++i)
        WebSitesAdd(Small, MakeSite(QStringLiteral("Site %1").arg(i),
                                    QStringLiteral("https://s%1.example/").arg(i),
                                    QStringLiteral("Folder")));
    // Larger than the writer's buffer, so that the difference comes after many writes.
    TWebSiteList Large;
    for (int i = 0; i < 20000; ++i)
        WebSitesAdd(Large, MakeSite(QStringLiteral("Page %1").arg(i),
                                    QStringLiteral("https://p%1.example/").arg(i)));
    const QByteArray SmallBytes = WebSitesToHtmlData(Small);
    const QByteArray LargeBytes = WebSitesToHtmlData(Large);
    QByteArray LastByteChanged = LargeBytes;
    LastByteChanged[LastByteChanged.size() - 3] = 'x';
    QByteArray MiddleChanged = LargeBytes;
    MiddleChanged[MiddleChanged.size() / 2] = 'x';

    const struct
    {
        const char* Name;
        const TWebSiteList* List;
        QByteArray Old;
    } Cases[] = {
        {"empty old file", &Small, QByteArray()},
        {"first byte differs", &Small, "<" + SmallBytes},
        {"old file longer (the new one is its start)", &Small, SmallBytes + "<DT>tail\r\n"},
        {"old file shorter (its start is the new one)", &Small,
         SmallBytes.left(SmallBytes.size() - 7)},
        {"middle of a large file differs", &Large, MiddleChanged},
        {"end of a large file differs", &Large, LastByteChanged},
        {"large file, old one is its start", &Large, LargeBytes.left(LargeBytes.size() - 100000)},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        QTemporaryDir Dir;
        const QString Base = Dir.filePath(QStringLiteral("zorvel.html"));
        WriteText(Base, Case.Old);
        WriteBaseBookmarkFile(*Case.List, Base);
        EXPECT_EQ(ReadBytes(Base), WebSitesToHtmlData(*Case.List));
        EXPECT_EQ(ReadBytes(BaseBookmarkBackupName(Base)), Case.Old);
        EXPECT_TRUE(QFileInfo::exists(BaseBookmarkBackupName(Base)));
    }

    // The same bytes again: neither file is touched.
    QTemporaryDir Dir;
    const QString Base = Dir.filePath(QStringLiteral("zorvel.html"));
    WriteText(Base, LargeBytes);
    const QDateTime Long = QDateTime::currentDateTime().addDays(-3);
    SetModified(Base, Long);
    WriteBaseBookmarkFile(Large, Base);
    EXPECT_EQ(QFileInfo(Base).lastModified().secsTo(Long), 0);
    EXPECT_FALSE(QFileInfo::exists(BaseBookmarkBackupName(Base)));
}
