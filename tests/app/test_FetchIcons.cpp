// Fetch missing icons in the window: the selected entries without an icon get
// their site's icon from a loopback server, the status says how many sites had
// one, and one undo takes the icons back off.

#include "MainWindowFixture.h"

#include <app/uListUndo.h>
#include <net/TestHttpServer.h>
#include <support/uIconBytes.h>

#include <QAction>

namespace {

qsizetype IndexOf(TFrmMain& Form, const QString& Title)
{
    const TWebSiteList& List = Form.WebSiteList();
    for (qsizetype i = 0; i < List.Count(); ++i)
        if (List[i].Title == Title)
            return i;
    return -1;
}

} // namespace

TEST_F(MainWindowTest, FetchMissingIconsGivesTheSelectedEntriesTheirSitesIcons)
{
    TTestHttpServer found;
    found.Route("/favicon.ico", {200, "image/x-icon", PngBytes(1)});
    TTestHttpServer missing; // 404 everywhere
    const QString f = QString::fromLatin1(found.Origin());
    const QString m = QString::fromLatin1(missing.Origin());
    TWebSite withIcon = MakeSite(QStringLiteral("E"), f + QStringLiteral("/e"));
    withIcon.IconId = WebSiteIcons().AddBytes({}, PngBytes(2));
    Start({MakeSite(QStringLiteral("A"), f + QStringLiteral("/a")),
           MakeSite(QStringLiteral("B"), f + QStringLiteral("/b")),
           MakeSite(QStringLiteral("C"), m + QStringLiteral("/c")), withIcon,
           MakeSite(QStringLiteral("F"), f + QStringLiteral("/f"))});
    ASSERT_EQ(Rows(), 5);
    // Everything but F is selected.
    Form->bookmarkList()->selectAll();
    Form->bookmarkList()->selectionModel()->select(
        Form->Model()->index(int(IndexOf(*Form, QStringLiteral("F"))), 0),
        QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    Form->UpdateActions();
    ASSERT_TRUE(Form->fetchIconsAction->isEnabled());
    Form->fetchIconsAction->trigger();

    const auto Icon = [&](const char* Title) {
        return Form->WebSiteList()[IndexOf(*Form, QString::fromLatin1(Title))].IconId;
    };
    EXPECT_EQ(WebSiteIcons().Bytes(Icon("A")), PngBytes(1));
    EXPECT_EQ(Icon("B"), Icon("A"));
    EXPECT_EQ(Icon("C"), 0u);
    EXPECT_EQ(Icon("F"), 0u); // not selected
    EXPECT_EQ(WebSiteIcons().Bytes(Icon("E")), PngBytes(2));
    EXPECT_EQ(found.Count("/favicon.ico"), 1);
    EXPECT_EQ(missing.Stats().Requests, 2); // favicon.ico, then the page
    EXPECT_EQ(
        Form->StatusText(),
        QStringLiteral("Icons found for 1 of 2 sites\n")
            + QCoreApplication::translate(
                "TFrmMain", "Ctrl+Z undoes it (in the search box, Ctrl+Z undoes the typing)."));

    ASSERT_EQ(Form->ListUndo()->Count(), 1);
    Form->ListUndo()->UndoAction()->trigger();
    EXPECT_EQ(Icon("A"), 0u);
    EXPECT_EQ(Icon("B"), 0u);
    EXPECT_EQ(WebSiteIcons().Bytes(Icon("E")), PngBytes(2));
}
