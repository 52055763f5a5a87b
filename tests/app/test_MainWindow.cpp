// The main window: start-up, the virtual list, sorting by column, the search box
// and its history, keys, and the writes at exit.

#include "MainWindowFixture.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace {

std::vector<TWebSite> ThreeSites()
{
    return {MakeSite(QStringLiteral("Charlie"), QStringLiteral("http://c.example/"),
                     QStringLiteral("Work")),
            MakeSite(QStringLiteral("Alpha"), QStringLiteral("http://z.example/"),
                     QStringLiteral("Home")),
            MakeSite(QStringLiteral("Bravo"), QStringLiteral("http://a.example/"), QString(),
                     QStringLiteral("note"))};
}

} // namespace

TEST_F(MainWindowTest, StartsWithTheBaseFileSortedByTitleAndNothingSelected)
{
    Start(ThreeSites());
    EXPECT_EQ(Form->ListViewSortIndex(), 1);
    EXPECT_EQ(Titles(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Bravo"),
                                     QStringLiteral("Charlie")}));
    EXPECT_EQ(Cell(0, 1), QStringLiteral("http://z.example/"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("Home"));
    EXPECT_EQ(Cell(1, 3), QStringLiteral("note"));
    EXPECT_EQ(Form->SelectedCount(), 0);
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(MainWindowTest, BaseFileIsNotReadWhenTheOptionIsOff)
{
    Settings.isOpenBaseBookmark = false;
    Start(ThreeSites());
    EXPECT_EQ(Rows(), 0);
}

TEST_F(MainWindowTest, ModelPassesTheItemModelTesterThroughRefreshSearchAndSort)
{
    Start(ThreeSites());
    QAbstractItemModelTester Tester(Form->Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    Form->searchBox()->setEditText(QStringLiteral("alpha"));
    Form->onSearch();
    EXPECT_EQ(Rows(), 1);
    Form->onHeaderClicked(1);
    Form->searchBox()->setEditText(QString());
    Form->onSearch();
    EXPECT_EQ(Rows(), 3);
    Form->onClearAll();
    EXPECT_EQ(Rows(), 0);
    // A row past the count and a hidden entry give no text.
    EXPECT_FALSE(Form->Model()->index(5, 0).isValid());
}

TEST_F(MainWindowTest, ColumnClicksToggleTheDirectionAndSwitchColumns)
{
    Start(ThreeSites());
    struct TStep
    {
        int Column;
        int SortIndex;
        QString FirstTitle;
    };
    const TStep Steps[] = {
        {0, -1, QStringLiteral("Charlie")}, // same column: descending
        {0, 1, QStringLiteral("Alpha")},    // and back
        {1, 2, QStringLiteral("Bravo")},    // a new column starts ascending (http://a...)
        {1, -2, QStringLiteral("Alpha")},   // http://z... first
        {2, 3, QStringLiteral("Bravo")},    // empty category first
    };
    for (const TStep& S : Steps) {
        Form->onHeaderClicked(S.Column);
        EXPECT_EQ(Form->ListViewSortIndex(), S.SortIndex);
        EXPECT_EQ(Cell(0, 0), S.FirstTitle) << "after a click on column " << S.Column;
    }
    // The header's click goes the same way.
    QHeaderView* Header = Form->bookmarkList()->header();
    Q_EMIT Header->sectionClicked(0);
    EXPECT_EQ(Form->ListViewSortIndex(), 1);
}

TEST_F(MainWindowTest, RowsAlwaysShowTheEntryOfTheSameIndexAfterSearchAndSort)
{
    std::vector<TWebSite> Sites;
    for (int i = 0; i < 40; ++i)
        Sites.push_back(
            MakeSite(QStringLiteral("Site %1 %2").arg(i % 7).arg(i % 2 ? u"odd" : u"even"),
                     QStringLiteral("http://s%1.example/").arg((i * 13) % 40)));
    Start(Sites);
    const struct
    {
        QString Search;
        int Column;
    } Cases[] = {{QStringLiteral("odd"), 1},
                 {QStringLiteral("SITE 3"), 0},
                 {QString(), 1},
                 {QStringLiteral("none-such"), 0}};
    for (const auto& C : Cases) {
        Form->searchBox()->setEditText(C.Search);
        Form->onSearch();
        Form->onHeaderClicked(C.Column);
        const TWebSiteList& L = Form->WebSiteList();
        ASSERT_EQ(Rows(), WebSitesVisibleCount(L));
        for (int r = 0; r < L.Count(); ++r) {
            EXPECT_EQ(L.at(r).Visible, r < Rows())
                << "entry " << r << " for " << qPrintable(C.Search);
            if (r < Rows()) {
                EXPECT_EQ(Cell(r, 1), L.at(r).URL);
            }
        }
    }
    EXPECT_EQ(Form->WebSiteList().Count(), 40); // searching hides, it never removes
}

TEST_F(MainWindowTest, SearchHistoryRules)
{
    const QStringList Initial{QStringLiteral("foo"), QStringLiteral("Bar"), QStringLiteral("baz")};
    const struct
    {
        QString Typed;
        QStringList Expected;
    } Cases[] = {
        // A text that differs only in letter case replaces the older item, as typed, at the top.
        {QStringLiteral("bar"),
         {QStringLiteral("bar"), QStringLiteral("foo"), QStringLiteral("baz")}},
        // An exact repeat moves to the top.
        {QStringLiteral("baz"),
         {QStringLiteral("baz"), QStringLiteral("foo"), QStringLiteral("Bar")}},
        // A new text and the empty text are inserted like any other.
        {QStringLiteral("new"),
         {QStringLiteral("new"), QStringLiteral("foo"), QStringLiteral("Bar"),
          QStringLiteral("baz")}},
        {QString(),
         {QString(), QStringLiteral("foo"), QStringLiteral("Bar"), QStringLiteral("baz")}},
    };
    for (const auto& C : Cases) {
        WriteText(SearchHistoryFileName(), Initial.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
        Start();
        QComboBox* Box = Form->searchBox();
        Box->setEditText(C.Typed);
        Form->onSearch();
        QStringList Items;
        for (int i = 0; i < Box->count(); ++i)
            Items << Box->itemText(i);
        EXPECT_EQ(Items, C.Expected) << "typed " << qPrintable(C.Typed);
        EXPECT_EQ(Box->currentText(), C.Typed);
        EXPECT_EQ(Box->currentIndex(), -1); // no history item is current after a search
        Form.reset();
    }
}

TEST_F(MainWindowTest, DeleteInTheSearchBoxRemovesOnlyTheCurrentItem)
{
    WriteText(SearchHistoryFileName(), "one\r\ntwo\r\nthree\r\n");
    Start();
    QComboBox* Box = Form->searchBox();
    ASSERT_EQ(Box->count(), 3);
    // No current item: nothing changes.
    ASSERT_EQ(Box->currentIndex(), -1);
    QTest::keyClick(Box->lineEdit(), Qt::Key_Delete);
    EXPECT_EQ(Box->count(), 3);
    // With item "two" chosen, the key release removes it from the history.
    Box->setCurrentIndex(1);
    QTest::keyClick(Box->lineEdit(), Qt::Key_Delete);
    ASSERT_EQ(Box->count(), 2);
    EXPECT_EQ(Box->itemText(0), QStringLiteral("one"));
    EXPECT_EQ(Box->itemText(1), QStringLiteral("three"));
}

// A selected row is selected across every column, the Tags and Link columns
// included, so the highlight runs the whole row.
TEST_F(MainWindowTest, ASelectedRowIsSelectedInEveryColumn)
{
    Start(ThreeSites());
    Form->SelectRows({1});
    const QAbstractItemModel* Model = Form->bookmarkList()->model();
    const QItemSelectionModel* Selection = Form->bookmarkList()->selectionModel();
    for (int c = 0; c < Model->columnCount(); ++c) {
        EXPECT_TRUE(Selection->isSelected(Model->index(1, c))) << c;
        EXPECT_FALSE(Selection->isSelected(Model->index(0, c))) << c;
    }
    // So after a search, which selects the rows again from the entries.
    Form->onSearch();
    for (int c = 0; c < Model->columnCount(); ++c)
        EXPECT_TRUE(Selection->isSelected(Model->index(1, c))) << c;
}

TEST_F(MainWindowTest, SearchKeepsTheSelectionAndEmptyResultsCanBeUndone)
{
    Start(ThreeSites());
    Form->SelectRows({0, 2});
    Form->searchBox()->setEditText(QStringLiteral("zz-nothing"));
    Form->onSearch();
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Form->WebSiteList().Count(), 3);
    Form->searchBox()->setEditText(QString());
    Form->onSearch();
    EXPECT_EQ(Rows(), 3);
    Form->SelectRows({0, 2});
    Form->searchBox()->setEditText(QStringLiteral("example"));
    Form->onSearch();
    EXPECT_EQ(Form->SelectedRows(), (QList<int>{0, 2}));
}

TEST_F(MainWindowTest, EnterAndDoubleClickOpenOnlyASingleSelectedRow)
{
    Start(ThreeSites());
    Form->SelectRows({0, 1});
    Form->onListOpenRequested();
    Form->onListDoubleClicked();
    EXPECT_TRUE(Opened.isEmpty());
    Form->SelectRows({1});
    QTest::keyPress(Form->bookmarkList(), Qt::Key_Return);
    Form->onListDoubleClicked();
    EXPECT_EQ(Opened, (QStringList{QStringLiteral("http://a.example/"),
                                   QStringLiteral("http://a.example/")}));
}

TEST_F(MainWindowTest, DeleteKeyAsksAndCancelKeepsTheRows)
{
    Start(ThreeSites());
    Form->SelectRows({0, 2});
    ConfirmAnswer = false;
    QTest::keyPress(Form->bookmarkList(), Qt::Key_Delete);
    EXPECT_EQ(Confirmations, QStringList{QStringLiteral("Delete Items")});
    EXPECT_EQ(Rows(), 3);
    ConfirmAnswer = true;
    QTest::keyPress(Form->bookmarkList(), Qt::Key_Delete);
    EXPECT_EQ(Titles(), QStringList{QStringLiteral("Bravo")});
    EXPECT_EQ(Form->SelectedCount(), 0);
    // With nothing selected the key asks nothing.
    QTest::keyPress(Form->bookmarkList(), Qt::Key_Delete);
    EXPECT_EQ(Confirmations.size(), 2);
}

TEST_F(MainWindowTest, AKeyReleaseLeftOverFromADialogActsOnNothing)
{
    Start(ThreeSites());
    Form->SelectRows({1});
    // Enter pressed on a dialog's OK closes it; its release then reaches the list.
    ConfirmAnswer = true;
    for (int Key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Delete})
        QTest::keyRelease(Form->bookmarkList(), Qt::Key(Key));
    EXPECT_TRUE(Opened.isEmpty());
    EXPECT_TRUE(Confirmations.isEmpty());
    EXPECT_EQ(Rows(), 3);
    // A held key repeats its press; only the first one acts.
    QTest::keyPress(Form->bookmarkList(), Qt::Key_Return);
    QTest::sendKeyEvent(QTest::KeyAction::Press, Form->bookmarkList(), Qt::Key_Return, QString(),
                        Qt::NoModifier);
    QKeyEvent Repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(Form->bookmarkList(), &Repeat);
    EXPECT_EQ(Opened.size(), 2);
}

// The columns share the room inside the list, so no horizontal scroll bar shows,
// with an empty list and with one long enough for a vertical scroll bar.
TEST_F(MainWindowTest, ColumnsShareTheRoomInsideTheList)
{
    std::vector<TWebSite> Many;
    for (int i = 0; i < 200; ++i)
        Many.push_back(MakeSite(QStringLiteral("Site %1").arg(i),
                                QStringLiteral("http://s%1.example/").arg(i)));
    for (const bool Filled : {false, true}) {
        SCOPED_TRACE(Filled ? "200 rows" : "empty");
        Form.reset();
        QFile::remove(Settings.BaseBookmarkName);
        Start(Filled ? Many : std::vector<TWebSite>{});
        Form->show();
        for (const QSize Size : {QSize(761, 331), Form->minimumSize(), QSize(1200, 700)}) {
            Form->resize(Size);
            QCoreApplication::processEvents();
            TBookmarkListView* List = Form->bookmarkList();
            QHeaderView* H = List->header();
            const int Room = List->viewport()->width();
            EXPECT_EQ(H->length(), Room);
            EXPECT_NEAR(H->sectionSize(0), Room * 0.3, 1.0);
            EXPECT_NEAR(H->sectionSize(1), Room * 0.2, 1.0);
            EXPECT_FALSE(List->horizontalScrollBar()->isVisible());
            EXPECT_EQ(List->verticalScrollBar()->isVisible(), Filled);
        }
    }
    // A column the user widens is the user's: the list scrolls sideways instead.
    Form->bookmarkList()->header()->resizeSection(0, 2000);
    Form->resize(800, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(Form->bookmarkList()->header()->sectionSize(0), 2000);
    EXPECT_TRUE(Form->bookmarkList()->horizontalScrollBar()->isVisible());
}

TEST_F(MainWindowTest, ExitWritesHistoryBaseFileAndHistoryCopy)
{
    Settings.isSaveHistory = true;
    Start(ThreeSites());
    Form->searchBox()->setEditText(QStringLiteral("alpha"));
    Form->onSearch();
    Form->WebSiteList().Items().pop_back(); // the list changed since start
    const int Kept = int(Form->WebSiteList().Count());
    Form->SaveAtExit();
    EXPECT_TRUE(Errors.isEmpty()) << qPrintable(Errors.join(u'\n'));

    QStringList History;
    LoadSearchHistory(History);
    EXPECT_EQ(History, QStringList{QStringLiteral("alpha")});

    TWebSiteList Base;
    WebSitesLoadFromHtml(Base, Settings.BaseBookmarkName);
    EXPECT_EQ(Base.Count(), Kept); // hidden entries are written too

    const QStringList Copies =
        QDir(Path(QStringLiteral("History"))).entryList({QStringLiteral("hvon*.html")});
    EXPECT_EQ(Copies.size(), 1);
}

TEST_F(MainWindowTest, ExitAfterClearAllLeavesAnEmptyBaseFileAndNoHistoryCopy)
{
    Settings.isSaveHistory = true;
    Start(ThreeSites());
    Settings.isSaveHistory = false; // Clear All itself writes no copy here
    Form->onClearAll();
    Settings.isSaveHistory = true;
    Form->SaveAtExit();
    TWebSiteList Base;
    WebSitesLoadFromHtml(Base, Settings.BaseBookmarkName);
    EXPECT_EQ(Base.Count(), 0);
    EXPECT_TRUE(QFileInfo(Settings.BaseBookmarkName).size() > 0); // a bookmark file, just empty
    EXPECT_FALSE(QDir(Path(QStringLiteral("History"))).exists()
                 && !QDir(Path(QStringLiteral("History"))).isEmpty());
}

TEST_F(MainWindowTest, AFailingExitWriteIsReportedAndTheOthersStillHappen)
{
    Settings.isSaveHistory = true;
    Start(ThreeSites());
    // The base file's name now names a folder: that write must fail.
    Settings.BaseBookmarkName = Path(QStringLiteral("base-is-a-folder"));
    ASSERT_TRUE(QDir().mkpath(Settings.BaseBookmarkName));
    Form->searchBox()->setEditText(QStringLiteral("kept"));
    Form->onSearch();
    Form->SaveAtExit();
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(Errors[0].contains(QStringLiteral("base-is-a-folder"))) << qPrintable(Errors[0]);
    QStringList History;
    LoadSearchHistory(History);
    EXPECT_EQ(History, QStringList{QStringLiteral("kept")});
    EXPECT_EQ(
        QDir(Path(QStringLiteral("History"))).entryList({QStringLiteral("hvon*.html")}).size(), 1);
    // The settings are still written afterwards.
    SaveSetupData(Settings);
    EXPECT_TRUE(QFileInfo::exists(SetupIniFileName()));
}

TEST_F(MainWindowTest, AnUnreadableBaseFileIsShownAndTheWindowStillOpens)
{
    WriteText(Settings.BaseBookmarkName, "<DT><A HREF=\"http://x.example/\">X</A>\r\n");
    QFile::setPermissions(Settings.BaseBookmarkName, QFileDevice::Permissions());
    if (QFile(Settings.BaseBookmarkName).open(QIODevice::ReadOnly))
        GTEST_SKIP() << "running with rights that read any file";
    Form = std::make_unique<TFrmMain>(Settings, Browsers);
    // The start goes on (search history and all); the file is named and kept.
    EXPECT_TRUE(RunGuarded(Form.get(), [&] {
        Form->LoadAtStart();
        Form->WaitForBaseFileRead();
    }));
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(Errors[0].contains(QStringLiteral("could not be read"))) << qPrintable(Errors[0]);
    EXPECT_EQ(Rows(), 0);
    Form->SaveAtExit();
    QFile::setPermissions(Settings.BaseBookmarkName,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile F(Settings.BaseBookmarkName);
    ASSERT_TRUE(F.open(QIODevice::ReadOnly));
    EXPECT_EQ(F.readAll(), QByteArray("<DT><A HREF=\"http://x.example/\">X</A>\r\n"));
}

TEST_F(MainWindowTest, ProductPageLabelOpensItsAddress)
{
    Start();
    Form->onProductLinkClicked();
    ASSERT_EQ(Opened.size(), 1);
    EXPECT_TRUE(Opened[0].startsWith(QStringLiteral("https://")));
    EXPECT_EQ(Opened[0], Form->productLinkLabel()->text());
}

TEST_F(MainWindowTest, BannerStripShowsTheFirstPictureCentredAndTicksThroughFour)
{
    Start();
    QLabel* Image = Form->bannerImage();
    ASSERT_FALSE(Image->pixmap().isNull());
    const QImage First = Image->pixmap().toImage();
    EXPECT_EQ(First.size(), QSize(600, 64));
    EXPECT_EQ(Form->bannerTimer()->interval(), 10000);
    EXPECT_TRUE(Form->bannerTimer()->isActive());
    // Four ticks bring the first picture back.
    for (int i = 0; i < 4; ++i)
        Form->onBannerTimer();
    EXPECT_EQ(Image->pixmap().toImage(), First);
    Form->onBannerTimer();
    EXPECT_NE(Image->pixmap().toImage(), First);

    // Centred in the strip, an exact half going to the even neighbour (at widths
    // the window can take: its toolbar and title need more than 830 pixels).
    Form->show();
    const struct
    {
        int Width, Left;
    } Cases[] = {{891, 146}, {892, 146}, {893, 146}, {900, 150}, {1000, 200}};
    for (const auto& C : Cases) {
        Form->resize(C.Width, 331);
        QCoreApplication::processEvents();
        ASSERT_EQ(Form->width(), C.Width);
        EXPECT_EQ(Image->x(), C.Left) << "strip width " << C.Width;
    }
    // A click opens the address of the picture shown.
    Form->onBannerClicked();
    ASSERT_EQ(Opened.size(), 1);
    EXPECT_TRUE(Opened[0].startsWith(QStringLiteral("https://")));
}

TEST_F(MainWindowTest, DestroyingAShownWindowWithRowsDoesNotReadTheFreedList)
{
    // The list is a member and dies before QWidget's destructor hides the view; a
    // view still asking the model for rows then read freed memory (the sanitizer
    // build reports it; a plain build crashed now and then).
    Start();
    Form->show();
    for (int i = 0; i < 30; ++i)
        WriteUrlFile(Path(QStringLiteral("many/%1.url").arg(i)),
                     QStringLiteral("http://h%1.example/").arg(i));
    DialogAnswer = {Path(QStringLiteral("many"))};
    Form->onAddFolder();
    WaitForAdds();
    ASSERT_EQ(Rows(), 30);
    QPointer<TBookmarkListView> View = Form->bookmarkList();
    Form.reset();
    EXPECT_TRUE(View.isNull());
}
