// Check links in the window: the verdicts land on the checked entries and show in
// the Link column, missing titles are filled, "show only problems" filters the
// list, moved addresses are replaced, and each of those is one undo step.

#include "MainWindowFixture.h"

#include <app/uListUndo.h>
#include <app/uWebSiteTableModel.h>
#include <net/TestHttpServer.h>

#include <QAction>

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
    EXPECT_GE(IndexOfUrlEnd(*Form, QStringLiteral("/new")), 0);
    Form->ListUndo()->UndoAction()->trigger();
    EXPECT_GE(IndexOfUrlEnd(*Form, QStringLiteral("/old")), 0);
    EXPECT_EQ(IndexOfUrlEnd(*Form, QStringLiteral("/new")), -1);
    // And the check itself: titles and verdicts go.
    Form->ListUndo()->UndoAction()->trigger();
    EXPECT_TRUE(At("/ok").Title.isEmpty());
    EXPECT_EQ(At("/ok").Extras->LinkStatus, TLinkStatus::None);
}
