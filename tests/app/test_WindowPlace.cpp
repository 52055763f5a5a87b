// The main window keeps its place, size, maximised state and its columns' widths and
// order in the settings: taken as it closes, given back when it is made again.

#include "MainWindowFixture.h"

#include <app/uBookmarkListView.h>

#include <QHeaderView>
#include <QScreen>

namespace {

class WindowPlaceTest : public MainWindowTest
{
protected:
    // The window as the program makes it: from the settings alone, shown.
    void Open()
    {
        Form = std::make_unique<TFrmMain>(Settings, Browsers);
        Form->LoadAtStart();
        Form->WaitForBaseFileRead();
        Form->show();
        QCoreApplication::processEvents();
    }
    QHeaderView* Header() const { return Form->bookmarkList()->header(); }
    QList<int> Order() const
    {
        QList<int> Order;
        for (int v = 0; v < Header()->count(); ++v)
            Order << Header()->logicalIndex(v);
        return Order;
    }
    void Close()
    {
        ASSERT_TRUE(Form->close());
        Form.reset();
    }
};

} // namespace

TEST_F(WindowPlaceTest, TheFirstStartIsLaidOutAsDesignedAndKeepsThatLayout)
{
    Open();
    EXPECT_EQ(Form->size(), QSize(891, 331));
    EXPECT_EQ(Order(), (QList<int>{0, 1, 2, 4, 3, 5}));
    const QRect Placed = Form->geometry();
    Close();
    const TWindowPlace& W = Settings.Window;
    EXPECT_EQ(QRect(W.Left, W.Top, W.Width, W.Height), Placed);
    EXPECT_FALSE(W.Maximized);
    EXPECT_EQ(W.ColumnOrder, (QList<int>{0, 1, 2, 4, 3, 5}));
    // Columns the user never sized go on sharing the list's width.
    EXPECT_TRUE(W.ColumnWidths.isEmpty());
}

TEST_F(WindowPlaceTest, SizePlaceColumnsAndOrderComeBackAfterARestart)
{
    Open();
    Form->setGeometry(QRect(20, 30, 1000, 520));
    Header()->moveSection(Header()->visualIndex(1), 0); // URL first
    Header()->resizeSection(0, 333);                    // by the user
    QCoreApplication::processEvents();
    const QList<int> Widths = [&] {
        QList<int> W;
        for (int c = 0; c < Header()->count(); ++c)
            W << Header()->sectionSize(c);
        return W;
    }();
    Close();
    EXPECT_EQ(Settings.Window.ColumnWidths, Widths);
    EXPECT_EQ(Settings.Window.ColumnOrder, (QList<int>{1, 0, 2, 4, 3, 5}));

    // Through the settings file, as a restart reads them.
    SaveSetupData(Settings);
    TSetupData Read;
    LoadSetupData(Read);
    EXPECT_EQ(Read.Window, Settings.Window);
    Settings = Read;

    Open();
    EXPECT_EQ(Form->geometry(), QRect(20, 30, 1000, 520));
    EXPECT_EQ(Order(), (QList<int>{1, 0, 2, 4, 3, 5}));
    EXPECT_EQ(Header()->sectionSize(0), 333);
    // The list's resizes no longer share out the user's widths.
    Form->resize(900, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(Header()->sectionSize(0), 333);
}

TEST_F(WindowPlaceTest, AMaximisedWindowKeepsItsNormalSizeForLater)
{
    Open();
    Form->setGeometry(QRect(40, 50, 1000, 400));
    QCoreApplication::processEvents();
    Form->showMaximized();
    QCoreApplication::processEvents();
    ASSERT_TRUE(Form->isMaximized());
    Close();
    EXPECT_TRUE(Settings.Window.Maximized);
    EXPECT_EQ(QSize(Settings.Window.Width, Settings.Window.Height), QSize(1000, 400));

    Open();
    EXPECT_TRUE(Form->isMaximized());
    Form->showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(Form->size(), QSize(1000, 400));
}

TEST_F(WindowPlaceTest, APlaceNoScreenShowsKeepsOnlyTheSize)
{
    const QRect Screen = QGuiApplication::primaryScreen()->availableGeometry();
    Settings.Window = {Screen.right() + 5000, Screen.bottom() + 5000, 1000, 420, false, {}, {}};
    // Column lists of another length (an older version's) are passed over.
    Settings.Window.ColumnWidths = {100, 100};
    Settings.Window.ColumnOrder = {1, 0};
    Open();
    EXPECT_EQ(Form->size(), QSize(1000, 420));
    EXPECT_TRUE(Screen.intersects(Form->geometry()));
    EXPECT_EQ(Order(), (QList<int>{0, 1, 2, 4, 3, 5}));
}
