// Large adds are read on a thread of their own: the window keeps processing
// events, the list stays as it is until the read is done, the result and its undo
// step are those of a read on the window's thread, a cancel or a close adds nothing.

#include "MainWindowFixture.h"

#include <app/uListReads.h>

#include <app/uListUndo.h>
#include <model/uFolderImportExport.h>

#include <QAction>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUndoStack>

namespace {

std::vector<TWebSite> FourSites()
{
    return {MakeSite(QStringLiteral("Alpha"), QStringLiteral("http://a.example/")),
            MakeSite(QStringLiteral("Bravo"), QStringLiteral("http://b.example/"), {},
                     QStringLiteral("note b")),
            MakeSite(QStringLiteral("Charlie"), QStringLiteral("http://c.example/")),
            MakeSite(QStringLiteral("Delta"), QStringLiteral("http://d.example/"))};
}

std::vector<TWebSite> Entries(const TWebSiteList& List)
{
    return {List.begin(), List.end()};
}

} // namespace

class AddInBackgroundTest : public MainWindowTest
{
protected:
    // Starts an add of a large bookmark file through Add files; it is being read on return.
    void StartLargeAdd(int Count)
    {
        WriteText(Path(QStringLiteral("in/large.html")), LargeBookmarkFile(Count));
        DialogAnswer = {Path(QStringLiteral("in/large.html"))};
        Form->onAddFiles();
    }
    QPushButton* CancelButton() const
    {
        return Form->findChild<QPushButton*>(QStringLiteral("readCancelButton"));
    }
};

TEST_F(AddInBackgroundTest, TheWindowProcessesEventsWhileALargeAddIsReadAndTheListStaysInUse)
{
    Start(FourSites());
    const std::vector<TWebSite> Before = Entries(Form->WebSiteList());
    StartLargeAdd(150000);
    ASSERT_TRUE(Form->IsAdding());
    auto* Panel = Form->findChild<QWidget*>(QStringLiteral("readPanel"));
    ASSERT_NE(Panel, nullptr);
    EXPECT_FALSE(Panel->isHidden());
    ASSERT_NE(CancelButton(), nullptr);
    EXPECT_FALSE(CancelButton()->isHidden());
    // The list is there meanwhile, unchanged, and can be searched.
    EXPECT_EQ(Rows(), 4);
    Form->searchBox()->setEditText(QStringLiteral("Bravo"));
    Form->onSearch();
    EXPECT_EQ(Titles(), QStringList{QStringLiteral("Bravo")});
    // A link dropped meanwhile waits for the add before it.
    Form->onDrop(QStringLiteral("http://dropped.example/"), QStringLiteral("Dropped"), {});
    EXPECT_LT(Form->WebSiteList().IndexOfURL(QStringLiteral("http://dropped.example/")), 0);

    bool Fired = false, FiredDuringRead = false;
    QTimer::singleShot(10, [&] {
        Fired = true;
        FiredDuringRead = Form->IsAdding();
    });
    QElapsedTimer Clock;
    Clock.start();
    while (!Fired && Clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_TRUE(FiredDuringRead) << "the add ended before the event loop ran";

    WaitForAdds();
    EXPECT_TRUE(Panel->isHidden());
    // The same entries a plain read into the list gives, then the drop.
    TWebSiteList Plain;
    for (const TWebSite& S : Before)
        Plain.Append(S);
    WebSitesLoadFromPath(Plain, Path(QStringLiteral("in/large.html")));
    WebSitesAddURL(Plain, QStringLiteral("http://dropped.example/"), QStringLiteral("Dropped"));
    ASSERT_EQ(Form->WebSiteList().Count(), Plain.Count());
    EXPECT_GE(Form->WebSiteList().IndexOfURL(QStringLiteral("http://dropped.example/")), 0);
    // Two steps to undo, the add and the drop; after both the list is as before.
    Form->UndoAction()->trigger();
    Form->UndoAction()->trigger();
    EXPECT_FALSE(Form->UndoAction()->isEnabled());
    EXPECT_EQ(Form->WebSiteList().Count(), 4);
    EXPECT_TRUE(Errors.isEmpty()) << qPrintable(Errors.join(u'\n'));
}

TEST_F(AddInBackgroundTest, TheResultAndUndoStepEqualThoseOfAReadOnTheWindowsThread)
{
    // Addresses repeated in the file and in the list, with comments that a merge in
    // another order would join differently, a skipped address, a file without
    // bookmarks and a shortcut file.
    WriteText(Path(QStringLiteral("in/marks.html")),
              "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
              "<DT><H3>F</H3>\n<DL><p>\n"
              "<DT><A HREF=\"http://b.example/\" ADD_DATE=\"1500000000\">B again</A>\n"
              "<DD>note b\n"
              "<DT><A HREF=\"http://b.example/\" ADD_DATE=\"1400000000\">B third</A>\n"
              "<DD>other\n"
              "<DT><A HREF=\"http://new.example/\" ADD_DATE=\"1600000000\">New</A>\n"
              "<DT><A HREF=\"http://new.example/\" ADD_DATE=\"1400000000\">New again</A>\n"
              "<DD>second\n"
              "<DT><A HREF=\"ftp://skip.example/\">Skipped</A>\n"
              "</DL><p>\n</DL><p>\n");
    WriteText(Path(QStringLiteral("in/page.html")), "<html><body>No links.</body></html>");
    WriteUrlFile(Path(QStringLiteral("in/one.url")), QStringLiteral("http://one.example/"));
    const QStringList Files = {Path(QStringLiteral("in/marks.html")),
                               Path(QStringLiteral("in/page.html")),
                               Path(QStringLiteral("in/one.url"))};
    struct TResult
    {
        std::vector<TWebSite> Added, Undone;
        QString Status;
        QString UndoText;
    };
    auto AddAndUndo = [&](bool InBackground) {
        Start(FourSites());
        Form->Reads().BackgroundAddBytes = InBackground ? 0 : qint64(1) << 40;
        DialogAnswer = Files;
        Form->onAddFiles();
        EXPECT_EQ(Form->IsAdding(), InBackground);
        WaitForAdds();
        TResult R;
        R.Added = Entries(Form->WebSiteList());
        R.Status = Form->StatusText();
        R.UndoText = Form->ListUndo()->Stack()->undoText();
        Form->UndoAction()->trigger();
        R.Undone = Entries(Form->WebSiteList());
        EXPECT_FALSE(Form->UndoAction()->isEnabled());
        Form.reset();
        return R;
    };
    const TResult Now = AddAndUndo(false);
    const TResult Later = AddAndUndo(true);
    EXPECT_EQ(Later.Added, Now.Added);
    EXPECT_EQ(Later.Status, Now.Status);
    EXPECT_EQ(Now.Status, QStringLiteral("Added 2, merged 3, skipped 1\n"
                                         "no bookmarks found in page.html"));
    EXPECT_EQ(Later.UndoText, Now.UndoText);
    EXPECT_EQ(Later.Undone, Now.Undone);
    EXPECT_EQ(Now.Undone.size(), 4u);
    EXPECT_TRUE(Errors.isEmpty()) << qPrintable(Errors.join(u'\n'));
}

TEST_F(AddInBackgroundTest, AnUnreadableFileInABackgroundAddIsShownAndEarlierRecordsStay)
{
    Start();
    Form->Reads().BackgroundAddBytes = 0;
    WriteUrlFile(Path(QStringLiteral("ok.url")), QStringLiteral("http://ok.example/"));
    WriteUrlFile(Path(QStringLiteral("locked.url")), QStringLiteral("http://locked.example/"));
    QFile::setPermissions(Path(QStringLiteral("locked.url")), QFileDevice::Permissions());
    if (QFile(Path(QStringLiteral("locked.url"))).open(QIODevice::ReadOnly))
        GTEST_SKIP() << "running with rights that read any file";
    DialogAnswer = {Path(QStringLiteral("ok.url")), Path(QStringLiteral("locked.url"))};
    Form->onAddFiles();
    EXPECT_TRUE(Form->IsAdding());
    WaitForAdds();
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(Errors[0].contains(QStringLiteral("locked.url"))) << qPrintable(Errors[0]);
    EXPECT_EQ(Titles().size(), 1);
    EXPECT_TRUE(Form->UndoAction()->isEnabled());
}

TEST_F(AddInBackgroundTest, CancelLeavesTheListAndItsUndoStepsAsTheyWere)
{
    Start(FourSites());
    const std::vector<TWebSite> Before = Entries(Form->WebSiteList());
    StartLargeAdd(150000);
    ASSERT_TRUE(Form->IsAdding());
    // An add waiting behind the cancelled one goes too.
    Form->onDrop(QStringLiteral("http://dropped.example/"), QStringLiteral("Dropped"), {});
    CancelButton()->click();
    WaitForAdds();
    EXPECT_EQ(Entries(Form->WebSiteList()), Before);
    EXPECT_EQ(Rows(), 4);
    EXPECT_FALSE(Form->UndoAction()->isEnabled());
    EXPECT_EQ(Form->StatusText(), QStringLiteral("Reading cancelled: nothing was added"));
    EXPECT_TRUE(Errors.isEmpty()) << qPrintable(Errors.join(u'\n'));
    // The next add works as usual.
    Form->onDrop(QStringLiteral("http://dropped.example/"), QStringLiteral("Dropped"), {});
    EXPECT_EQ(Rows(), 5);
}

TEST_F(AddInBackgroundTest, ClosingDuringAnAddWritesTheListAsItWas)
{
    Start(FourSites());
    StartLargeAdd(150000);
    ASSERT_TRUE(Form->IsAdding());
    Form->show();
    EXPECT_TRUE(Form->close());
    // Whatever the event loop delivers after the close adds nothing.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    Form->SaveAtExit();
    EXPECT_FALSE(Form->IsAdding());
    EXPECT_EQ(Form->WebSiteList().Count(), 4);
    Form.reset();
    TWebSiteList Written;
    WebSitesLoadFromPath(Written, Settings.BaseBookmarkName);
    EXPECT_EQ(Written.Count(), 4);
    EXPECT_TRUE(Errors.isEmpty()) << qPrintable(Errors.join(u'\n'));
}
