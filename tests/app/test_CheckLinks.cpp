// Check links in the window: the verdicts land on the checked entries and show in
// the Link column, missing titles are filled, "show only problems" filters the
// list, moved addresses are replaced, and each of those is one undo step.

#include "MainWindowFixture.h"

#include <app/uListUndo.h>
#include <app/uWebSiteTableModel.h>
#include <controls/uTileButton.h>
#include <model/uWebSiteTags.h>
#include <net/TestHttpServer.h>
#include <support/uIconBytes.h>

#include <QAction>
#include <QMenu>
#include <QTest>

namespace {

qsizetype IndexOfUrlEnd(TFrmMain& Form, const QString& End)
{
    const TWebSiteList& List = Form.WebSiteList();
    for (qsizetype i = 0; i < List.Count(); ++i)
        if (List[i].URL.toString().endsWith(End))
            return i;
    return -1;
}

} // namespace

TEST_F(MainWindowTest, CheckLinksKeepsVerdictsFillsTitlesFiltersAndReplacesMoved)
{
    TTestHttpServer site;
    site.Route("/ok", {200, "text/html", "<title>Found it</title>"});
    site.Route("/old", {301, "text/html", "", "/new"});
    site.Route("/new", {200, "text/html", "<title>New</title>"});
    const QString o = QString::fromLatin1(site.Origin());
    Start({MakeSite(QString(), o + QStringLiteral("/ok")),
           MakeSite(QStringLiteral("Mine"), o + QStringLiteral("/old")),
           MakeSite(QStringLiteral("Dead"), o + QStringLiteral("/dead"))});
    ASSERT_EQ(Rows(), 3);
    Form->LinkCheckOptions.Http.TimeoutMs = 2000;
    const TDateTime Checked = TDateTime::Now();
    Form->checkAllLinksAction->trigger();

    const auto At = [&](const char* End) -> const TWebSite& {
        return Form->WebSiteList()[IndexOfUrlEnd(*Form, QString::fromLatin1(End))];
    };
    EXPECT_EQ(At("/ok").Title.toString(), QStringLiteral("Found it"));
    EXPECT_EQ(At("/ok").Extras->LinkStatus, TLinkStatus::Ok);
    EXPECT_EQ(At("/old").Title.toString(), QStringLiteral("Mine")); // the user's title stays
    EXPECT_EQ(At("/old").Extras->LinkStatus, TLinkStatus::Moved);
    EXPECT_EQ(At("/old").Extras->LinkFinalUrl, o + QStringLiteral("/new"));
    EXPECT_EQ(At("/dead").Extras->LinkStatus, TLinkStatus::Gone);
    EXPECT_EQ(site.Count("/dead"), 2); // asked again at the end before it is called gone
    const int Row = int(IndexOfUrlEnd(*Form, QStringLiteral("/dead")));
    EXPECT_EQ(Form->Model()->index(Row, 5).data().toString(), QStringLiteral("Gone"));
    EXPECT_TRUE(Form->Model()
                    ->index(Row, 5)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .contains(QStringLiteral("404")));

    // Only the problems shown.
    Form->showOnlyProblemsAction->setChecked(true);
    EXPECT_EQ(Rows(), 2);
    // Replace the moved address, then undo it.
    Form->bookmarkList()->selectAll();
    Form->replaceMovedAction->trigger();
    EXPECT_EQ(IndexOfUrlEnd(*Form, QStringLiteral("/old")), -1);
    ASSERT_GE(IndexOfUrlEnd(*Form, QStringLiteral("/new")), 0);
    // The new address is the entry's last change.
    EXPECT_GE(WebSiteModified(At("/new")), Checked);
    Form->ListUndo()->UndoAction()->trigger();
    EXPECT_GE(IndexOfUrlEnd(*Form, QStringLiteral("/old")), 0);
    EXPECT_EQ(IndexOfUrlEnd(*Form, QStringLiteral("/new")), -1);
    // And the check itself: titles and verdicts go.
    Form->ListUndo()->UndoAction()->trigger();
    EXPECT_TRUE(At("/ok").Title.isEmpty());
    EXPECT_EQ(At("/ok").Extras->LinkStatus, TLinkStatus::None);
}

// The Check tile opens the link commands under it; with "Also fetch missing icons"
// on (kept in the settings), the check gives the entries without an icon the icon
// their pages name, from the same page requests, in the same undo step.
TEST_F(MainWindowTest, CheckTileMenuAndIconsFromTheCheckedPages)
{
    TTestHttpServer site;
    site.Route("/a", {200, "text/html", "<head><link rel=icon href=/i.png><title>A</title>"});
    site.Route("/b", {200, "text/html", "<head><link rel=icon href=/i.png><title>B</title>"});
    site.Route("/i.png", {200, "image/png", PngBytes(7)});
    const QString o = QString::fromLatin1(site.Origin());
    TWebSite hasIcon = MakeSite(QStringLiteral("B"), o + QStringLiteral("/b"));
    hasIcon.IconId = WebSiteIcons().AddBytes({}, PngBytes(8));
    Start({MakeSite(QStringLiteral("A"), o + QStringLiteral("/a")), hasIcon});
    Form->show();

    TTileButton* Tile = Form->Tiles()[5];
    EXPECT_EQ(Tile->objectName(), QStringLiteral("checkLinksTile"));
    Tile->Click();
    QMenu* Menu = Form->linkCheckMenu();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Menu->isVisible(); }, 2000));
    EXPECT_GE(Menu->y(), Tile->mapToGlobal(QPoint(0, Tile->height())).y() - 1);
    for (QAction* A :
         {Form->checkLinksAction, Form->checkAllLinksAction, Form->linkCheckIconsAction,
          Form->showOnlyProblemsAction, Form->replaceMovedAction})
        EXPECT_TRUE(Menu->actions().contains(A)) << A->objectName().toStdString();
    Menu->close();

    EXPECT_FALSE(Form->linkCheckIconsAction->isChecked());
    Form->linkCheckIconsAction->setChecked(true);
    EXPECT_TRUE(Settings.isLinkCheckIcons);
    Form->LinkCheckOptions.Http.TimeoutMs = 2000;
    Form->checkAllLinksAction->trigger();

    const TWebSite& A = Form->WebSiteList()[IndexOfUrlEnd(*Form, QStringLiteral("/a"))];
    const TWebSite& B = Form->WebSiteList()[IndexOfUrlEnd(*Form, QStringLiteral("/b"))];
    EXPECT_EQ(WebSiteIcons().Bytes(A.IconId), PngBytes(7));
    EXPECT_EQ(WebSiteIcons().Bytes(B.IconId), PngBytes(8)); // its own icon stays
    EXPECT_EQ(A.Extras->LinkStatus, TLinkStatus::Ok);
    EXPECT_EQ(site.Count("/a"), 1);
    EXPECT_EQ(site.Count("/i.png"), 1);
    EXPECT_EQ(site.Count("/favicon.ico"), 0);
    EXPECT_TRUE(Form->StatusText().contains(QStringLiteral("missing icons found: 1")))
        << Form->StatusText().toStdString();

    Form->ListUndo()->UndoAction()->trigger();
    const TWebSite& Undone = Form->WebSiteList()[IndexOfUrlEnd(*Form, QStringLiteral("/a"))];
    EXPECT_EQ(Undone.IconId, 0u);
    EXPECT_EQ(Undone.Extras->LinkStatus, TLinkStatus::None);
}
