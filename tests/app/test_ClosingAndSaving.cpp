// What closing and saving ask and say: the close asks about unwritable files only
// when something would be lost and, once the user chose, shows nothing more; a save
// asks before replacing a file; the commands that change the list say how to undo.

#include "MainWindowFixture.h"

#include <app/uTranslations.h>
#include <model/uFolderImportExport.h>

#include <QCoreApplication>
#include <QTest>

namespace {

std::vector<TWebSite> TwoSites()
{
    return {MakeSite(QStringLiteral("Alpha"), QStringLiteral("http://a.example/")),
            MakeSite(QStringLiteral("Bravo"), QStringLiteral("http://b.example/"))};
}

QByteArray ReadBytes(const QString& Path)
{
    QFile F(Path);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
}

class ClosingTest : public MainWindowTest
{
protected:
    // Points every file the exit writes into a "folder" that is a plain file, so no
    // write can succeed (even for a program run with all rights).
    void BlockDataFolder()
    {
        const QString Blocked = Path(QStringLiteral("blocked"));
        WriteText(Blocked, "not a folder");
        SetDataDirOverride(Blocked);
        Settings.BaseBookmarkName = QDir(Blocked).filePath(QStringLiteral("zorvel.html"));
    }

    QStringList Asked;
};

} // namespace

TEST_F(ClosingTest, AnUnchangedSessionClosesQuietlyEvenWhenNothingCanBeWritten)
{
    // The data folder cannot be written from the start (the settings point there).
    BlockDataFolder();
    Start();
    Form->ExitProblemFn = [&](const QString& Text) {
        Asked << Text;
        return TFrmMain::ExitCancel;
    };
    // Looking around (selecting, sorting) changes nothing the exit would keep.
    Form->SelectRows({0});
    Form->onHeaderClicked(0);
    ASSERT_FALSE(Form->ExitWriteProblems().isEmpty());
    EXPECT_TRUE(Form->QueryClose());
    EXPECT_TRUE(Asked.isEmpty());
    Form->SaveAtExit();
    EXPECT_TRUE(Errors.isEmpty()) << qPrintable(Errors.join(u'\n'));
    EXPECT_TRUE(Form->ExitWritesQuietly());
}

TEST_F(ClosingTest, AfterTheUserChoseNothingMoreIsShown)
{
    struct Case
    {
        const char* Name;
        TFrmMain::TExitChoice Choice;
        std::function<void(TFrmMain&)> Change;
    };
    const Case Cases[] = {
        {"delete, close anyway", TFrmMain::ExitCloseAnyway,
         [](TFrmMain& F) {
             F.SelectRows({0});
             F.onDeleteSelected();
         }},
        {"search, close anyway", TFrmMain::ExitCloseAnyway,
         [](TFrmMain& F) {
             F.searchBox()->setEditText(QStringLiteral("alpha"));
             F.onSearch();
         }},
        {"drop, saved elsewhere", TFrmMain::ExitSaveElsewhere,
         [](TFrmMain& F) {
             F.onDrop(QStringLiteral("http://c.example/"), QStringLiteral("C"), {});
         }},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        QFile::remove(Settings.BaseBookmarkName);
        SetDataDirOverride(Tmp.path());
        Settings.BaseBookmarkName = Path(QStringLiteral("zorvel.html"));
        Errors.clear();
        Asked.clear();
        Start(TwoSites());
        C.Change(*Form);
        BlockDataFolder();
        Form->ExitProblemFn = [&](const QString& Text) {
            Asked << Text;
            return C.Choice;
        };
        DialogAnswer = {Path(QStringLiteral("rescued.html"))};
        EXPECT_FALSE(Form->ExitWritesQuietly());
        EXPECT_TRUE(Form->QueryClose());
        EXPECT_EQ(Asked.size(), 1);
        Form->SaveAtExit();
        EXPECT_TRUE(Errors.isEmpty()) << qPrintable(Errors.join(u'\n'));
        EXPECT_TRUE(Form->ExitWritesQuietly());
        Form.reset();
    }
}

TEST_F(ClosingTest, SaveBookmarkFileAsksBeforeReplacingAFile)
{
    Start(TwoSites());
    const QString Existing = Path(QStringLiteral("export.html"));
    WriteText(Existing, "my earlier export");
    struct Case
    {
        const char* Name;
        QString Chosen;
        bool Answer;
        bool Asks;
        bool Replaced;
    };
    const Case Cases[] = {
        {"declined", Existing, false, true, false},
        {"without the extension, declined", Path(QStringLiteral("export")), false, true, false},
        {"confirmed", Existing, true, true, true},
        {"a new name", Path(QStringLiteral("fresh.html")), false, false, true},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Confirmations.clear();
        ConfirmAnswer = C.Answer;
        DialogAnswer = {C.Chosen};
        const QString Target = C.Chosen.endsWith(QStringLiteral(".html"))
                                   ? C.Chosen
                                   : C.Chosen + QStringLiteral(".html");
        const QByteArray Before = ReadBytes(Target);
        Form->saveHtmlAction->trigger();
        EXPECT_EQ(Confirmations.size(), C.Asks ? 1 : 0);
        const QByteArray After = ReadBytes(Target);
        EXPECT_EQ(After != Before, C.Replaced);
        if (C.Replaced) {
            TWebSiteList Saved;
            WebSitesLoadFromPath(Saved, Target);
            EXPECT_EQ(Saved.Count(), 2);
        }
        WriteText(Existing, "my earlier export");
    }
}

TEST_F(ClosingTest, ListChangesSayHowToUndoThem)
{
    Start(TwoSites());
    Form->SelectRows({0});
    Form->onDeleteSelected();
    EXPECT_TRUE(
        Form->StatusText().startsWith(QCoreApplication::translate("TFrmMain", "Deleted 1 entry.")));
    EXPECT_TRUE(Form->StatusText().contains(QCoreApplication::translate(
        "TFrmMain", "Ctrl+Z undoes it (in the search box, Ctrl+Z undoes the typing).")));
    Form->onClearAll();
    EXPECT_TRUE(Form->StatusText().startsWith(
        QCoreApplication::translate("TFrmMain", "Cleared the list (%1 entries).").arg(1)));
    EXPECT_TRUE(Form->StatusText().contains(QCoreApplication::translate(
        "TFrmMain", "Ctrl+Z undoes it (in the search box, Ctrl+Z undoes the typing).")));
    Form->UndoAction()->trigger();
    Form->UndoAction()->trigger();
    EXPECT_EQ(Rows(), 2);
    // The hint names Ctrl+Z in both languages, and says what it does in the search box.
    for (const QString& Hint :
         {QStringLiteral("Ctrl+Z undoes it (in the search box, Ctrl+Z undoes the typing)."),
          QStringLiteral("Ctrl+Zで元に戻せます(検索ボックスの中では入力の取り消しになります)。")})
        EXPECT_TRUE(Hint.contains(QStringLiteral("Ctrl+Z"))) << qPrintable(Hint);
}
