// One program per data folder: the lock, the hand-over of a second start's paths,
// a stale lock taken over; and the check of the exit's writes before closing.

#include "MainWindowFixture.h"

#include <app/uSingleInstance.h>
#include <app/uWriteCheck.h>
#include <model/uFolderImportExport.h>

#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTest>

#include <thread>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

TEST(SingleInstance, ASecondStartHandsItsPathsToTheFirstAndEnds)
{
    EnsureTestApplication();
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    TSingleInstance First(Dir.path());
    ASSERT_EQ(First.Start({}), TSingleInstance::First);
    QSignalSpy Received(&First, &TSingleInstance::PathsReceived);

    // The second start runs in its own thread, as it would in its own process, while
    // the first one's event loop answers.
    const QStringList Paths = {QStringLiteral("/tmp/a b/links.html"),
                               QStringLiteral("/tmp/ü/x.url")};
    std::atomic<int> Result{-1};
    std::thread Second([&] {
        TSingleInstance Other(Dir.path() + QStringLiteral("/."));
        Result = Other.Start(Paths, 10000);
    });
    EXPECT_TRUE(Received.wait(15000));
    Second.join();
    EXPECT_EQ(Result, TSingleInstance::HandedOver);
    ASSERT_EQ(Received.size(), 1);
    EXPECT_EQ(Received[0][0].toStringList(), Paths);

    // Another data folder is another program.
    QTemporaryDir OtherDir;
    TSingleInstance Elsewhere(OtherDir.path());
    EXPECT_EQ(Elsewhere.Start({}), TSingleInstance::First);
    EXPECT_NE(TSingleInstance::ServerNameFor(Dir.path()),
              TSingleInstance::ServerNameFor(OtherDir.path()));
}

TEST(SingleInstance, TheLockOfAProgramThatIsGoneIsTakenOver)
{
    EnsureTestApplication();
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    // A lock file as a crashed program leaves it: its process no longer exists.
    QProcess Gone;
    Gone.start(QStringLiteral("true"));
    ASSERT_TRUE(Gone.waitForFinished(10000));
    const qint64 DeadPid = Gone.processId() > 0 ? Gone.processId() : 999999;
    WriteText(QDir(Dir.path()).filePath(QStringLiteral("zorvel.lock")),
              QByteArray::number(DeadPid) + '\n' + QCoreApplication::applicationName().toUtf8()
                  + '\n' + QSysInfo::machineHostName().toUtf8() + '\n');
    TSingleInstance Next(Dir.path());
    EXPECT_EQ(Next.Start({}, 3000), TSingleInstance::First);

    // While it runs, the lock is held.
    QLockFile Probe(Next.LockFileName());
    EXPECT_FALSE(Probe.tryLock(0));
}

TEST_F(MainWindowTest, PathsFromOutsideAreAddedLikeDroppedFilesAndCanBeUndone)
{
    Start();
    const QString Url = Path(QStringLiteral("in/link.url"));
    WriteUrlFile(Url, QStringLiteral("https://handed.example/"));
    Form->OpenPathsFromOutside({Url});
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 1), QStringLiteral("https://handed.example/"));
    Form->UndoAction()->trigger();
    EXPECT_EQ(Rows(), 0);
}

TEST_F(MainWindowTest, ClosingWithAnUnwritableDataFolderListsEveryFileAndOffersToSaveElsewhere)
{
    Start({MakeSite(QStringLiteral("Alpha"), QStringLiteral("http://a.example/"))});
    // Nothing to complain about in a writable folder.
    QStringList Asked;
    Form->ExitProblemFn = [&](const QString& Text) {
        Asked << Text;
        return TFrmMain::ExitCancel;
    };
    EXPECT_TRUE(Form->ExitWriteProblems().isEmpty());
    EXPECT_TRUE(Form->QueryClose());
    EXPECT_TRUE(Asked.isEmpty());

    // The data folder turns into something no file can be written in (a plain file
    // stands where the folder was; this also holds for a program run with all rights).
    const QString Blocked = Path(QStringLiteral("blocked"));
    WriteText(Blocked, "not a folder");
    SetDataDirOverride(Blocked);
    Settings.BaseBookmarkName = QDir(Blocked).filePath(QStringLiteral("zorvel.html"));
    const QList<TWriteProblem> Problems = Form->ExitWriteProblems();
    ASSERT_EQ(Problems.size(), 3);
    for (const TWriteProblem& P : Problems)
        EXPECT_TRUE(P.Reason.startsWith(QStringLiteral("Cannot create folder (")))
            << qPrintable(P.Reason);
    EXPECT_FALSE(Form->QueryClose());
    ASSERT_EQ(Asked.size(), 1);
    for (const QString& File :
         {Settings.BaseBookmarkName, SetupIniFileName(), SearchHistoryFileName()})
        EXPECT_TRUE(Asked[0].contains(QDir::toNativeSeparators(File))) << qPrintable(Asked[0]);

    // Save elsewhere: the Save dialog, then the window may close.
    Form->ExitProblemFn = [](const QString&) { return TFrmMain::ExitSaveElsewhere; };
    DialogAnswer = {Path(QStringLiteral("rescued"))};
    EXPECT_TRUE(Form->QueryClose());
    EXPECT_EQ(Requests.back().Kind, TFileDialogRequest::SaveFile);
    TWebSiteList Rescued;
    WebSitesLoadFromPath(Rescued, Path(QStringLiteral("rescued.html")));
    EXPECT_EQ(Rescued.Count(), 1);
    // A cancelled Save dialog keeps the window open; Close anyway closes.
    DialogAnswer.clear();
    EXPECT_FALSE(Form->QueryClose());
    Form->ExitProblemFn = [](const QString&) { return TFrmMain::ExitCloseAnyway; };
    EXPECT_TRUE(Form->QueryClose());
}

TEST(WriteCheck, ReasonsForFilesThatCannotBeWritten)
{
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    const QString Root = Dir.path();
    WriteText(Root + QStringLiteral("/file"), "x");
    QDir(Root).mkpath(QStringLiteral("folder.html"));
    EXPECT_EQ(WhyNotWritable(Root + QStringLiteral("/new.html")), QString());
    EXPECT_EQ(WhyNotWritable(Root + QStringLiteral("/file")), QString());
    EXPECT_EQ(WhyNotWritable(Root + QStringLiteral("/sub/dir/new.html")), QString());
    EXPECT_TRUE(WhyNotWritable(Root + QStringLiteral("/file/new.html"))
                    .startsWith(QStringLiteral("Cannot create folder")));
    EXPECT_TRUE(WhyNotWritable(Root + QStringLiteral("/folder.html"))
                    .startsWith(QStringLiteral("Cannot create file")));
    // Nothing is left behind by the checks.
    EXPECT_EQ(QDir(Root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(),
              2);
#ifdef Q_OS_UNIX
    if (::geteuid() != 0) {
        QFile::setPermissions(Root, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_EQ(WhyNotWritable(Root + QStringLiteral("/new.html")),
                  QStringLiteral("Cannot create file (Permission denied)"));
        QFile::setPermissions(Root, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                        | QFileDevice::ExeOwner);
    }
#endif
}
