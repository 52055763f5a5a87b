// What a newcomer sees in the window: drops of any file (service exports by content,
// the rest named in the report), the report kept for later, the counts under the
// list, the hint of an empty list and the entries just added selected and shown.

#include "MainWindowFixture.h"

#include <app/uBookmarkListView.h>
#include <app/uEmptyListHint.h>
#include <app/uFrmReports.h>
#include <app/uListStatusBar.h>
#include <app/uListUndo.h>
#include <app/uReportLog.h>
#include <app/uWebSiteTableModel.h>
#include <net/TestHttpServer.h>
#include <platform/DragDropInternet.h>

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>

namespace {

const QByteArray PocketCsv = "title,url,time_added,tags,status\n"
                             "Alpha,https://alpha.example/,1700000000,,unread\n"
                             "Beta,https://beta.example/,1700000100,news,archive\n"
                             "Bad,https://bad.example/,soon,,unread\n";

} // namespace

TEST_F(MainWindowTest, ADropOfAnyFilesReadsExportsByContentAndReportsTheRestWhole)
{
    Start();
    // A Pocket export saved as .txt, a picture, and a Raindrop export without extension.
    WriteText(Path(QStringLiteral("in/pocket-export.txt")), PocketCsv);
    WriteText(Path(QStringLiteral("in/photo.png")), "\x89PNG\r\n\x1a\n");
    WriteText(Path(QStringLiteral("in/raindrop")),
              "id,title,note,excerpt,url,folder,tags,created,cover,highlights,favorite\n"
              "1,Gamma,,,https://gamma.example/,Unsorted,,2023-05-01T10:00:00.000Z,,,false\n");
    const QStringList Dropped{Path(QStringLiteral("in/pocket-export.txt")),
                              Path(QStringLiteral("in/photo.png")),
                              Path(QStringLiteral("in/raindrop"))};
    Form->onDrop(FileDropMarker, FileDropMarker, Dropped);
    WaitForAdds();
    EXPECT_EQ(Rows(), 3);

    ASSERT_FALSE(Form->ReportLog().IsEmpty());
    const TReport& R = Form->ReportLog().Reports().last();
    EXPECT_EQ(R.Title, QStringLiteral("Drop"));
    EXPECT_EQ(R.Summary, QStringLiteral("Added 3, merged 0, skipped 0"));
    EXPECT_EQ(R.Lines,
              (QStringList{QStringLiteral("Not a bookmark file: ")
                               + QDir::toNativeSeparators(Path(QStringLiteral("in/photo.png"))),
                           QStringLiteral("Rows left out: 1"),
                           QStringLiteral("  ") + Path(QStringLiteral("in/pocket-export.txt"))
                               + QStringLiteral(": line 4: not a date: soon")}));
    EXPECT_TRUE(Form->StatusText().contains(QStringLiteral("not a bookmark file: photo.png")));
    EXPECT_TRUE(Form->listStatusBar()->lastReportLabel()->text().startsWith(
        QStringLiteral("Drop: Added 3, merged 0, skipped 0")));

    // The report opens again from the menu entry (and its key), newest first, whole.
    ASSERT_TRUE(Form->contextMenu()->actions().contains(Form->reportsAction));
    EXPECT_EQ(Form->reportsAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    Form->reportsAction->trigger();
    ASSERT_NE(Form->reportsDialog(), nullptr);
    EXPECT_TRUE(Form->reportsDialog()->isVisible());
    EXPECT_EQ(Form->reportsDialog()->ShownText(), R.Text());
    Form->reportsDialog()->close();
}

TEST_F(MainWindowTest, EntriesJustAddedAreSelectedAndTheFirstIsShown)
{
    std::vector<TWebSite> Sites;
    for (int i = 0; i < 300; ++i)
        Sites.push_back(MakeSite(QStringLiteral("Old %1").arg(i, 3, 10, QChar(u'0')),
                                 QStringLiteral("https://old%1.example/").arg(i)));
    Start(Sites);
    Form->show();
    Form->SelectRows({0});
    // Sorted by title, the new ones land at the end of the list, far below the view.
    WriteText(Path(QStringLiteral("in/new.html")),
              "<dl><dt><a href=\"https://z1.example/\">Zeta one</a>"
              "<dt><a href=\"https://z2.example/\">Zeta two</a>"
              "<dt><a href=\"https://old5.example/\">merged, not new</a></dl>");
    DialogAnswer = {Path(QStringLiteral("in/new.html"))};
    Form->onAddFiles();
    WaitForAdds();
    ASSERT_EQ(Rows(), 302);
    EXPECT_EQ(Form->SelectedRows(), (QList<int>{300, 301}));
    EXPECT_EQ(Form->bookmarkList()->currentIndex().row(), 300);
    const QRect Shown = Form->bookmarkList()->visualRect(Form->Model()->index(300, 0));
    EXPECT_TRUE(Form->bookmarkList()->viewport()->rect().intersects(Shown));
    EXPECT_EQ(Form->listStatusBar()->Counts(), (TListCounts{302, 302, 2, -1}));

    // A drop that only merges keeps the user's selection.
    Form->SelectRows({7});
    Form->onDrop(QStringLiteral("https://z1.example/"), QStringLiteral("again"), {});
    WaitForAdds();
    EXPECT_EQ(Form->SelectedRows(), QList<int>{7});
}

TEST_F(MainWindowTest, TheCountsFollowEveryChangeAtOnce)
{
    Start({MakeSite(QStringLiteral("Apple pie"), QStringLiteral("https://a.example/")),
           MakeSite(QStringLiteral("Apple tart"), QStringLiteral("https://b.example/")),
           MakeSite(QStringLiteral("Cherry"), QStringLiteral("https://c.example/"))});
    TListStatusBar* Bar = Form->listStatusBar();
    EXPECT_EQ(Bar->Counts(), (TListCounts{3, 3, 0, -1}));
    EXPECT_EQ(Bar->countsLabel()->text(), QStringLiteral("Entries: 3   Shown: 3   Selected: 0"));
    Form->bookmarkList()->selectAll();
    EXPECT_EQ(Bar->Counts().Selected, 3);
    // Overlapping ranges (a Ctrl+click over a run) count each row once.
    QItemSelectionModel* Sel = Form->bookmarkList()->selectionModel();
    Sel->select(QItemSelection(Form->Model()->index(1, 0), Form->Model()->index(2, 5)),
                QItemSelectionModel::Select);
    EXPECT_EQ(Bar->Counts().Selected, 3);
    Form->searchBox()->setEditText(QStringLiteral("apple"));
    Form->onSearch();
    EXPECT_EQ(Bar->Counts().Entries, 3);
    EXPECT_EQ(Bar->Counts().Shown, 2);
    Form->SelectRows({1});
    Form->deleteAction->trigger();
    EXPECT_EQ(Bar->Counts(), (TListCounts{2, 1, 0, -1}));
}

TEST_F(MainWindowTest, AfterACheckTheCountsNameTheLinkProblems)
{
    TTestHttpServer Site;
    Site.Route("/ok", {200, "text/html", "<title>Fine</title>"});
    const QString O = QString::fromLatin1(Site.Origin());
    Start({MakeSite(QStringLiteral("Fine"), O + QStringLiteral("/ok")),
           MakeSite(QStringLiteral("Gone"), O + QStringLiteral("/gone"))});
    Form->LinkCheckOptions.Http.TimeoutMs = 2000;
    Form->checkAllLinksAction->trigger();
    EXPECT_EQ(Form->listStatusBar()->Counts().LinkProblems, 1);
    EXPECT_TRUE(
        Form->listStatusBar()->countsLabel()->text().endsWith(QStringLiteral("Link problems: 1")));
    const TReport& R = Form->ReportLog().Reports().last();
    EXPECT_EQ(R.Title, QStringLiteral("Check Links"));
    EXPECT_EQ(R.Lines, QStringList{QStringLiteral("gone  ") + O + QStringLiteral("/gone")});
}

TEST_F(MainWindowTest, AnEmptyListShowsHowToFillItUntilThereIsAnEntry)
{
    Start();
    TEmptyListHint* Hint = Form->emptyListHint();
    EXPECT_FALSE(Hint->isHidden());
    for (const char* Key : {"Ctrl+O", "Ctrl+Shift+O", "Ctrl+I"})
        EXPECT_TRUE(Hint->text().contains(QString::fromLatin1(Key))) << Key;
    EXPECT_TRUE(Hint->text().contains(QStringLiteral("drop")));
    // A screen reader hears it with the list.
    EXPECT_EQ(Form->bookmarkList()->accessibleDescription(), Hint->text());
    Form->onDrop(QStringLiteral("https://first.example/"), QStringLiteral("First"), {});
    WaitForAdds();
    EXPECT_TRUE(Hint->isHidden());
    EXPECT_TRUE(Form->bookmarkList()->accessibleDescription().isEmpty());
    EXPECT_EQ(Form->SelectedRows(), QList<int>{0});
    Form->ListUndo()->UndoAction()->trigger();
    EXPECT_FALSE(Hint->isHidden());
}
