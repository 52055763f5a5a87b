// The base bookmark file is read on a thread of its own: the window keeps
// processing events meanwhile, gets the same list a plain read gives, keeps what
// the user does during the read, and a close during the read leaves the file as
// it is.

#include "MainWindowFixture.h"

#include <app/uBaseBookmarkFile.h>
#include <app/uListUndo.h>
#include <app/uSingleInstance.h>
#include <controls/uTileButton.h>
#include <model/uBookmarkHtml.h>
#include <model/uFolderImportExport.h>

#include <QAction>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace {

QByteArray ReadBytes(const QString& Path)
{
    QFile F(Path);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
}

} // namespace

class BaseFileInBackgroundTest : public MainWindowTest
{
protected:
    // Writes the large base file and starts the window without waiting for the read.
    void StartReading(int Count)
    {
        Bytes = LargeBookmarkFile(Count);
        WriteText(Settings.BaseBookmarkName, Bytes);
        Form = std::make_unique<TFrmMain>(Settings, Browsers);
        Form->resize(761, 331);
        Form->LoadAtStart();
    }

    // Runs the event loop until the read has ended (or a minute has passed).
    void RunUntilRead()
    {
        QElapsedTimer Clock;
        Clock.start();
        while (Form->IsReadingBaseFile() && Clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        ASSERT_FALSE(Form->IsReadingBaseFile());
    }

    QByteArray Bytes;
};

TEST_F(BaseFileInBackgroundTest,
       TheWindowProcessesEventsWhileALargeFileIsReadAndThenShowsTheSameList)
{
    StartReading(150000);
    // Nothing of the list yet; the commands that need it wait, and the progress shows.
    EXPECT_TRUE(Form->IsReadingBaseFile());
    EXPECT_EQ(Rows(), 0);
    EXPECT_FALSE(Form->addFilesAction->isEnabled());
    EXPECT_FALSE(Form->saveHtmlAction->isEnabled());
    auto* ClearAll = Form->findChild<TTileButton*>(QStringLiteral("clearAllTile"));
    ASSERT_NE(ClearAll, nullptr);
    EXPECT_FALSE(ClearAll->isEnabled());
    EXPECT_FALSE(Form->importBrowsersAction->isEnabled());
    // An empty list while the file is read is no first start: no offer to import from browsers.
    bool ProfilesLookedFor = false;
    Form->FindProfilesFn = [&] {
        ProfilesLookedFor = true;
        return QList<TBrowserProfile>();
    };
    Form->OfferBrowserImportAtStart();
    EXPECT_FALSE(ProfilesLookedFor);
    auto* Progress = Form->findChild<QWidget*>(QStringLiteral("readPanel"));
    ASSERT_NE(Progress, nullptr);
    EXPECT_FALSE(Progress->isHidden());
    ASSERT_NE(Progress->findChild<QProgressBar*>(), nullptr);

    // A timer fires while the read is still running.
    bool FiredDuringRead = false;
    bool Fired = false;
    QTimer::singleShot(10, [&] {
        Fired = true;
        FiredDuringRead = Form->IsReadingBaseFile();
    });
    QElapsedTimer Clock;
    Clock.start();
    while (!Fired && Clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_TRUE(Fired);
    EXPECT_TRUE(FiredDuringRead) << "the read ended before the event loop ran";

    RunUntilRead();
    EXPECT_TRUE(Progress->isHidden());
    EXPECT_TRUE(Form->addFilesAction->isEnabled());
    EXPECT_TRUE(ClearAll->isEnabled());
    EXPECT_EQ(Form->BaseFileRead().Status, TBaseFileRead::Read);

    // The same entries in the same order as a plain read and the window's sort give.
    TWebSiteList Plain;
    WebSitesLoadFromPath(Plain, Settings.BaseBookmarkName);
    WebSitesSort(Plain, Form->ListViewSortIndex());
    const TWebSiteList& Shown = Form->WebSiteList();
    ASSERT_EQ(Shown.Count(), Plain.Count());
    EXPECT_LT(Plain.Count(), 150000); // the repeated addresses were merged
    for (qsizetype i = 0; i < Plain.Count(); ++i)
        ASSERT_EQ(Shown[i], Plain[i]) << "entry " << i;
    EXPECT_EQ(Rows(), Plain.Count());
    EXPECT_EQ(Cell(0, 0), Plain[0].Title);

    // The exit writes the list read (a browser's export becomes the program's own form).
    Form->SaveAtExit();
    EXPECT_EQ(ReadBytes(Settings.BaseBookmarkName), WebSitesToHtmlData(Plain));
    EXPECT_EQ(ReadBytes(BaseBookmarkBackupName(Settings.BaseBookmarkName)), Bytes);
}

TEST_F(BaseFileInBackgroundTest, ClosingDuringTheReadLeavesTheBaseFileByteForByte)
{
    Settings.isSaveHistory = true;
    StartReading(150000);
    ASSERT_TRUE(Form->IsReadingBaseFile());
    // Something the user does meanwhile, and a search, do not make the close write the list.
    Form->onDrop(QStringLiteral("http://dropped.example/"), QStringLiteral("Dropped"), {});
    Form->searchBox()->setEditText(QStringLiteral("kept"));
    Form->onSearch();
    // The close asks nothing about a file it will not write.
    QStringList Asked;
    Form->ExitProblemFn = [&](const QString& Text) {
        Asked << Text;
        return TFrmMain::ExitCancel;
    };
    EXPECT_TRUE(Form->QueryClose());
    EXPECT_TRUE(Asked.isEmpty());
    QElapsedTimer Clock;
    Clock.start();
    Form->SaveAtExit();
    const qint64 CloseMs = Clock.elapsed();
    EXPECT_FALSE(Form->IsReadingBaseFile());
    EXPECT_EQ(ReadBytes(Settings.BaseBookmarkName), Bytes);
    EXPECT_FALSE(QFileInfo::exists(BaseBookmarkBackupName(Settings.BaseBookmarkName)));
    // No history copy of a list that was never there; the search history is written.
    EXPECT_TRUE(
        QDir(Path(QStringLiteral("History"))).entryList({QStringLiteral("*.html")}).isEmpty());
    EXPECT_TRUE(ReadBytes(SearchHistoryFileName()).contains("kept"));
    EXPECT_TRUE(Errors.isEmpty()) << qPrintable(Errors.join(u'\n'));
    Form.reset();

    // The cancelled read stopped early: a full read of the file takes longer than the close did.
    Clock.restart();
    TWebSiteList Full;
    WebSitesLoadFromPath(Full, Settings.BaseBookmarkName);
    EXPECT_LT(CloseMs, Clock.elapsed()) << "the close waited for the whole read";
}

TEST_F(BaseFileInBackgroundTest, WhatTheUserDidDuringTheReadIsDoneOnceTheListIsThere)
{
    StartReading(60000);
    ASSERT_TRUE(Form->IsReadingBaseFile());
    const QString Url = Path(QStringLiteral("in/link.url"));
    WriteUrlFile(Url, QStringLiteral("https://handed.example/"));
    Form->OpenPathsFromOutside({Url});
    Form->onDrop(QStringLiteral("http://dropped.example/"), QStringLiteral("Dropped zz"), {});
    Form->searchBox()->setEditText(QStringLiteral("zz"));
    Form->onSearch();
    EXPECT_EQ(Form->searchBox()->itemText(0), QStringLiteral("zz"));
    RunUntilRead();

    // The drop and the handed path are in the list, the search ran over all of it.
    EXPECT_GE(Form->WebSiteList().IndexOfURL(QStringLiteral("https://handed.example/")), 0);
    EXPECT_GE(Form->WebSiteList().IndexOfURL(QStringLiteral("http://dropped.example/")), 0);
    EXPECT_EQ(Titles(), QStringList{QStringLiteral("Dropped zz")});
    // Each of them is one step to undo; the list read is not.
    ASSERT_TRUE(Form->UndoAction()->isEnabled());
    Form->UndoAction()->trigger();
    Form->UndoAction()->trigger();
    EXPECT_FALSE(Form->UndoAction()->isEnabled());
    EXPECT_LT(Form->WebSiteList().IndexOfURL(QStringLiteral("http://dropped.example/")), 0);
    EXPECT_LT(Form->WebSiteList().IndexOfURL(QStringLiteral("https://handed.example/")), 0);
    EXPECT_GT(Form->WebSiteList().Count(), 50000);
}

TEST(SingleInstance, AStartWaitsForAProgramThatIsWritingItsFilesAtExit)
{
    EnsureTestApplication();
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    auto Ending = std::make_unique<TSingleInstance>(Dir.path());
    ASSERT_EQ(Ending->Start({}), TSingleInstance::First);
    // The first program's event loop has ended; it writes its files, then lets go.
    Ending->StopListening();
    std::atomic<int> Result{-1};
    QElapsedTimer Clock;
    Clock.start();
    std::unique_ptr<QThread> Second(QThread::create([&] {
        TSingleInstance Next(Dir.path());
        // Far longer than the answer time: a writing program is waited for, not given up on.
        Result = Next.Start({}, 300, 20000);
    }));
    Second->start();
    QThread::msleep(1500);
    EXPECT_EQ(Result, -1) << "the start gave up while the other program was still writing";
    Ending.reset();
    ASSERT_TRUE(Second->wait(30000));
    EXPECT_EQ(Result, TSingleInstance::First);
    EXPECT_GE(Clock.elapsed(), 1500);
}
