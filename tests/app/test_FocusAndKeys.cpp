// Where the keyboard focus goes: back to the window after every dialog, to the list
// once a large base file is read, never to a tile that Alt+Enter would run; the
// product link and the search history reached by keyboard and named for screen readers.

#include "MainWindowFixture.h"

#include <app/uTranslations.h>
#include <controls/uTileButton.h>

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

namespace {

std::vector<TWebSite> ThreeSites()
{
    return {
        MakeSite(QStringLiteral("Alpha"), QStringLiteral("http://a.example/"), QStringLiteral("A")),
        MakeSite(QStringLiteral("Bravo"), QStringLiteral("http://b.example/"), QStringLiteral("B")),
        MakeSite(QStringLiteral("Charlie"), QStringLiteral("http://c.example/"),
                 QStringLiteral("C"))};
}

class FocusTest : public MainWindowTest
{
protected:
    void StartShown(const std::vector<TWebSite>& Sites = ThreeSites())
    {
        Start(Sites);
        Form->show();
        Form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    }

    // A dialog of the window's that takes the focus while it is open and hides
    // without handing it back, as a dialog closed behind a warning does.
    void RunDialog()
    {
        QDialog Dialog(Form.get());
        QTimer::singleShot(0, &Dialog, [&] {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&Dialog));
            Dialog.accept();
        });
        Dialog.exec();
    }

    QStringList SelectedTitles() const
    {
        QStringList T;
        for (int r : Form->SelectedRows())
            T << Cell(r, 0);
        return T;
    }
};

} // namespace

TEST_F(FocusTest, EveryDialogGivesTheFocusBackToTheWidgetThatHadIt)
{
    StartShown();
    Form->PropertyFn = [&](TWebSiteList&) {
        RunDialog();
        return false;
    };
    Form->AboutFn = [&] { RunDialog(); };
    Form->SetupFn = [&] { RunDialog(); };
    Form->DuplicatesFn = [&](const TWebSiteList&) {
        RunDialog();
        return std::vector<TDuplicateMerge>();
    };
    Form->FileDialogFn = [&](const TFileDialogRequest&) {
        RunDialog();
        return QStringList();
    };
    const struct
    {
        const char* Name;
        QAction* Action;
    } Cases[] = {
        {"properties", Form->propertiesAction}, {"about", Form->aboutAction},
        {"setup", Form->setupAction},           {"duplicates", Form->findDuplicatesAction},
        {"add files", Form->addFilesAction},    {"save bookmark file", Form->saveHtmlAction},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        Form->bookmarkList()->setFocus(Qt::OtherFocusReason);
        Form->SelectRows({1});
        C.Action->trigger();
        QTest::qWait(20);
        EXPECT_EQ(QApplication::activeWindow(), Form.get());
        EXPECT_EQ(QApplication::focusWidget(), Form->bookmarkList());
    }
}

TEST_F(FocusTest, AltEnterWithNothingSelectedRunsNoTileAndSaysWhy)
{
    StartShown();
    int Properties = 0;
    Form->PropertyFn = [&](TWebSiteList&) {
        ++Properties;
        return false;
    };
    for (TTileButton* Tile : {Form->Tiles()[0], Form->Tiles()[1], Form->Tiles().last()}) {
        Form->ClearSelection();
        Tile->setFocus(Qt::TabFocusReason);
        QTest::keyClick(Tile, Qt::Key_Return, Qt::AltModifier);
        EXPECT_TRUE(Requests.empty());
        EXPECT_EQ(Properties, 0);
        EXPECT_EQ(
            Form->StatusText(),
            QCoreApplication::translate(
                "TFrmMain",
                "Select an entry first: Alt+Enter shows the properties of the selected entries."));
    }
    // With an entry selected, Alt+Enter shows its properties from anywhere.
    Form->SelectRows({0});
    QTest::keyClick(Form->Tiles()[0], Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(Properties, 1);
    EXPECT_TRUE(Requests.empty());
}

TEST_F(FocusTest, UndoingAPropertyEditKeepsTheSelection)
{
    StartShown();
    Form->PropertyFn = [](TWebSiteList& List) {
        for (TWebSite& Site : List.Items())
            if (Site.Selected && Site.Visible)
                Site.Category = QStringLiteral("Edited");
        return true;
    };
    Form->SelectRows({0, 2});
    Form->propertiesAction->trigger();
    ASSERT_EQ(Cell(0, 2), QStringLiteral("Edited"));
    Form->UndoAction()->trigger();
    EXPECT_EQ(Cell(0, 2), QStringLiteral("A"));
    EXPECT_EQ(SelectedTitles(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Charlie")}));
    Form->RedoAction()->trigger();
    EXPECT_EQ(Cell(2, 2), QStringLiteral("Edited"));
    EXPECT_EQ(SelectedTitles(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Charlie")}));
}

TEST_F(FocusTest, TheProductLinkIsATabStopThatEnterOpens)
{
    StartShown();
    QLabel* Link = Form->productLinkLabel();
    EXPECT_NE(Link->focusPolicy() & Qt::TabFocus, 0);
    // Reached by Tab from the last tile.
    Form->Tiles().last()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Link);
    for (Qt::Key Key : {Qt::Key_Return, Qt::Key_Space}) {
        Opened.clear();
        QTest::keyClick(Link, Key);
        EXPECT_EQ(Opened, QStringList{Link->text()});
    }
    EXPECT_FALSE(Link->accessibleName().isEmpty());
}

TEST_F(FocusTest, TheSearchHistoryListHasANameInBothLanguages)
{
    for (const char* Language : {"en_US.UTF-8", "ja_JP.UTF-8"}) {
        SCOPED_TRACE(Language);
        Env.SetLanguage(Language);
        Start();
        EXPECT_EQ(Form->searchBox()->view()->accessibleName(),
                  QCoreApplication::translate("TFrmMain", "Search history"));
        Form.reset();
    }
    EXPECT_NE(QStringLiteral("Search history"), QStringLiteral("検索履歴"));
}
