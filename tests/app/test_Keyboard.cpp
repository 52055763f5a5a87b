// The main window driven by keyboard and seen through the accessibility interface:
// tile focus and keys, the shortcuts, accessible names in both languages, the
// selection following its entries, the sort arrow and the saved-status text.

#include "MainWindowFixture.h"
#include "test_DialogsUtil.h"

#include <app/uFrmAbout.h>
#include <app/uFrmProperty.h>
#include <app/uFrmSetup.h>
#include <app/uTranslations.h>
#include <controls/uTileButton.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QFileInfo>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTranslator>

#include <functional>

namespace {

std::vector<TWebSite> FiveSites()
{
    return {MakeSite(QStringLiteral("Alpha"), QStringLiteral("http://e.example/")),
            MakeSite(QStringLiteral("Bravo"), QStringLiteral("http://d.example/")),
            MakeSite(QStringLiteral("Charlie"), QStringLiteral("http://c.example/")),
            MakeSite(QStringLiteral("Delta"), QStringLiteral("http://b.example/")),
            MakeSite(QStringLiteral("Echo"), QStringLiteral("http://a.example/"))};
}

QString AccessibleText(QObject* Object, QAccessible::Text Which)
{
    QAccessibleInterface* Face = QAccessible::queryAccessibleInterface(Object);
    return Face ? Face->text(Which) : QString();
}

class KeyboardTest : public MainWindowTest
{
protected:
    void StartShown(const std::vector<TWebSite>& Sites = {})
    {
        Start(Sites);
        Form->show();
        Form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    }

    QStringList SelectedTitles() const
    {
        QStringList T;
        for (int r : Form->SelectedRows())
            T << Cell(r, 0);
        T.sort();
        return T;
    }
};

} // namespace

TEST_F(KeyboardTest, TabWalksTheTilesInOrderAndSpaceOrEnterRunsOne)
{
    StartShown();
    const QList<TTileButton*> Tiles = Form->Tiles();
    Tiles.first()->setFocus(Qt::TabFocusReason);
    for (qsizetype i = 1; i < Tiles.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), Tiles[i]) << "tab stop " << i;
    }
    // The product link beside the tiles, then the search box.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Form->productLinkLabel());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(Form->searchBox()->isAncestorOf(QApplication::focusWidget())
                || QApplication::focusWidget() == Form->searchBox());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), Form->productLinkLabel());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), Tiles.last());

    // Space runs on release, Enter at once; each opens the tile's file dialog.
    Tiles[0]->setFocus(Qt::TabFocusReason);
    QTest::keyPress(Tiles[0], Qt::Key_Space);
    EXPECT_TRUE(Requests.empty()); // held down: not yet
    QTest::keyRelease(Tiles[0], Qt::Key_Space);
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Kind, TFileDialogRequest::OpenFiles);
    Tiles[1]->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Tiles[1], Qt::Key_Return);
    ASSERT_EQ(Requests.size(), 2u);
    EXPECT_EQ(Requests[1].Kind, TFileDialogRequest::OpenFolder);
}

TEST_F(KeyboardTest, EveryShortcutRunsItsCommandAndShowsInTheHints)
{
    StartShown(FiveSites());
    int Abouts = 0, Setups = 0, Properties = 0, BrowserSearches = 0;
    Form->AboutFn = [&] { ++Abouts; };
    Form->FindProfilesFn = [&] {
        ++BrowserSearches;
        return QList<TBrowserProfile>();
    };
    Form->SetupFn = [&] { ++Setups; };
    Form->PropertyFn = [&](TWebSiteList&) {
        ++Properties;
        return false;
    };
    using TCheck = std::function<bool()>;
    const struct
    {
        QKeySequence Keys;
        TCheck Ran;
    } Cases[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_O),
         [&] {
             return !Requests.empty() && Requests.back().Kind == TFileDialogRequest::OpenFiles;
         }},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
         [&] {
             return !Requests.empty() && Requests.back().Kind == TFileDialogRequest::OpenFolder;
         }},
        {QKeySequence(Qt::CTRL | Qt::Key_I), [&] { return BrowserSearches == 1; }},
        {QKeySequence(Qt::CTRL | Qt::Key_S),
         [&] { return !Requests.empty() && Requests.back().Kind == TFileDialogRequest::SaveFile; }},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
         [&] {
             return !Requests.empty() && Requests.back().Kind == TFileDialogRequest::SaveFolder;
         }},
        {QKeySequence(Qt::CTRL | Qt::Key_Comma), [&] { return Setups == 1; }},
        {QKeySequence(Qt::Key_F1), [&] { return Abouts == 1; }},
        {QKeySequence(Qt::ALT | Qt::Key_Return), [&] { return Properties == 1; }},
    };
    Form->SelectRows({1});
    for (const auto& C : Cases) {
        Requests.clear();
        Form->bookmarkList()->setFocus();
        QTest::keySequence(Form.get(), C.Keys);
        EXPECT_TRUE(C.Ran()) << qPrintable(C.Keys.toString());
    }
    EXPECT_TRUE(Opened.isEmpty()); // Alt+Enter is not the list's Enter

    for (const QKeySequence& Find :
         {QKeySequence(Qt::CTRL | Qt::Key_F), QKeySequence(Qt::Key_F3)}) {
        Form->bookmarkList()->setFocus();
        Form->searchBox()->setEditText(QStringLiteral("old words"));
        QTest::keySequence(Form.get(), Find);
        EXPECT_TRUE(QApplication::focusWidget() == Form->searchBox()
                    || QApplication::focusWidget() == Form->searchBox()->lineEdit());
        EXPECT_EQ(Form->searchBox()->lineEdit()->selectedText(), QStringLiteral("old words"));
    }

    // The keys are told where the commands are: tiles' hints and the context menu.
    EXPECT_EQ(Form->Tiles()[0]->toolTip(),
              QStringLiteral("Add Files (%1)")
                  .arg(QKeySequence(Qt::CTRL | Qt::Key_O).toString(QKeySequence::NativeText)));
    EXPECT_TRUE(Form->findChild<TTileButton*>(QStringLiteral("setupTile"))
                    ->toolTip()
                    .startsWith(QStringLiteral("Setup (")));
    EXPECT_EQ(Form->propertiesAction->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Return));
    EXPECT_EQ(Form->deleteAction->shortcut(), QKeySequence(QKeySequence::Delete));
    EXPECT_EQ(Form->openAction->shortcut(), QKeySequence(Qt::Key_Return));
}

TEST_F(KeyboardTest, AccessibleNamesInBothLanguages)
{
    for (const char* Lang : {"en_US.UTF-8", "ja_JP.UTF-8"}) {
        SCOPED_TRACE(Lang);
        Env.SetLanguage(Lang);
        Form.reset();
        Start();
        const bool Ja = QByteArray(Lang).startsWith("ja");
        QStringList Names;
        for (TTileButton* Tile : Form->Tiles()) {
            QAccessibleInterface* Face = QAccessible::queryAccessibleInterface(Tile);
            ASSERT_NE(Face, nullptr);
            EXPECT_EQ(Face->role(), QAccessible::Button);
            EXPECT_FALSE(Face->text(QAccessible::Name).isEmpty());
            EXPECT_FALSE(Face->text(QAccessible::Description).isEmpty());
            EXPECT_TRUE(Face->state().focusable);
            Names << Face->text(QAccessible::Name);
        }
        EXPECT_EQ(Names.first(),
                  Ja ? QStringLiteral("ファイルを追加") : QStringLiteral("Add Files"));
        EXPECT_EQ(Names.removeDuplicates(), 0) << qPrintable(Names.join(u", "));
        for (QWidget* W : std::initializer_list<QWidget*>{
                 Form->searchBox(), Form->searchBox()->lineEdit(), Form->bookmarkList(),
                 Form->findChild<QPushButton*>(QStringLiteral("searchButton"))})
            EXPECT_FALSE(AccessibleText(W, QAccessible::Name).isEmpty())
                << qPrintable(W->objectName());
        EXPECT_EQ(AccessibleText(Form->bookmarkList(), QAccessible::Name),
                  Ja ? QStringLiteral("ブックマーク") : QStringLiteral("Bookmarks"));

        TFrmProperty Property;
        TFrmSetup Setup(Settings, Browsers);
        for (QDialog* Dialog : std::initializer_list<QDialog*>{&Property, &Setup}) {
            for (QWidget* Box : Dialog->findChildren<QWidget*>()) {
                const bool Input = qobject_cast<QLineEdit*>(Box) || Box->inherits("QPlainTextEdit")
                                   || Box->inherits("QDateEdit") || qobject_cast<QPushButton*>(Box);
                if (Input && !Box->objectName().startsWith(u"qt_")) {
                    EXPECT_FALSE(AccessibleText(Box, QAccessible::Name).isEmpty())
                        << qPrintable(Box->objectName());
                }
            }
        }
        EXPECT_EQ(AccessibleText(Property.findChild<QLineEdit*>(QStringLiteral("titleEdit")),
                                 QAccessible::Name),
                  Ja ? QStringLiteral("タイトル") : QStringLiteral("Title"));
    }
    // The press action of a tile runs it as a click does.
    Form.reset();
    Env.SetLanguage("en_US.UTF-8");
    Start();
    QAccessibleInterface* Face = QAccessible::queryAccessibleInterface(
        Form->findChild<TTileButton*>(QStringLiteral("saveHtmlTile")));
    ASSERT_NE(Face->actionInterface(), nullptr);
    Face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Kind, TFileDialogRequest::SaveFile);
}

// The selected rows mark the same entries after a sort, a search and an edit;
// entries a search hides lose their selection.
TEST_F(KeyboardTest, TheSelectionFollowsItsEntries)
{
    StartShown(FiveSites());
    Form->SelectRows({1, 3}); // Bravo, Delta
    const QStringList Chosen{QStringLiteral("Bravo"), QStringLiteral("Delta")};

    Form->onHeaderClicked(1); // by URL: Echo, Delta, Charlie, Bravo, Alpha
    EXPECT_EQ(SelectedTitles(), Chosen);
    EXPECT_EQ(Form->SelectedRows(), (QList<int>{1, 3}));
    Form->onHeaderClicked(0); // back to titles
    EXPECT_EQ(SelectedTitles(), Chosen);

    Form->searchBox()->setEditText(QStringLiteral("example"));
    Form->onSearch(); // all five
    EXPECT_EQ(SelectedTitles(), Chosen);
    Form->searchBox()->setEditText(QStringLiteral("Delta"));
    Form->onSearch();
    EXPECT_EQ(SelectedTitles(), QStringList{QStringLiteral("Delta")});
    Form->searchBox()->setEditText(QString());
    Form->onSearch();
    EXPECT_EQ(SelectedTitles(),
              QStringList{QStringLiteral("Delta")}); // Bravo was hidden: unselected

    Form->PropertyFn = [](TWebSiteList& L) {
        for (TWebSite& S : L.Items())
            if (S.Selected && S.Visible)
                S.Title = QStringLiteral("Aaron");
        return true;
    };
    Form->propertiesAction->trigger();
    EXPECT_EQ(SelectedTitles(), QStringList{QStringLiteral("Aaron")});
    EXPECT_EQ(Form->SelectedRows(), QList<int>{0});
    EXPECT_EQ(Form->bookmarkList()->currentIndex().row(), 0);
}

TEST_F(KeyboardTest, ANewSearchStartsAtTheTopAndTheCurrentRowStaysInView)
{
    std::vector<TWebSite> Many;
    for (int i = 0; i < 300; ++i)
        Many.push_back(MakeSite(QStringLiteral("Site %1").arg(i, 3, 10, QChar(u'0')),
                                QStringLiteral("http://s%1.example/").arg(i)));
    StartShown(Many);
    TBookmarkListView* List = Form->bookmarkList();
    List->scrollToBottom();
    Form->searchBox()->setEditText(QStringLiteral("Site 1"));
    Form->onSearch();
    EXPECT_EQ(List->verticalScrollBar()->value(), 0);

    // The current row goes to the other end of the list by a sort and is kept in view.
    ASSERT_GT(Rows(), 40);
    Form->SelectRows({2});
    List->selectionModel()->setCurrentIndex(Form->Model()->index(2, 0),
                                            QItemSelectionModel::NoUpdate);
    const QString Chosen = Cell(2, 0);
    Form->onHeaderClicked(0);
    const QModelIndex Current = List->currentIndex();
    EXPECT_GT(Current.row(), 30);
    EXPECT_EQ(Cell(Current.row(), 0), Chosen);
    EXPECT_TRUE(List->viewport()->rect().intersects(List->visualRect(Current)));
}

TEST_F(KeyboardTest, TheHeaderShowsTheSortColumnAndDirection)
{
    StartShown(FiveSites());
    QHeaderView* Header = Form->bookmarkList()->header();
    EXPECT_TRUE(Header->isSortIndicatorShown());
    const struct
    {
        int Click;
        int Section;
        Qt::SortOrder Order;
    } Steps[] = {
        {-1, 0, Qt::AscendingOrder}, {0, 0, Qt::DescendingOrder}, {2, 2, Qt::AscendingOrder}};
    for (const auto& S : Steps) {
        if (S.Click >= 0)
            QTest::mouseClick(
                Header->viewport(), Qt::LeftButton, {},
                QPoint(Header->sectionViewportPosition(S.Click) + 10, Header->height() / 2));
        EXPECT_EQ(Header->sortIndicatorSection(), S.Section);
        EXPECT_EQ(Header->sortIndicatorOrder(), S.Order);
        EXPECT_EQ(std::abs(Form->ListViewSortIndex()) - 1, S.Section);
    }
}

TEST_F(KeyboardTest, SavesReportWhatWasSavedWhere)
{
    Start(FiveSites());
    DialogAnswer = {Path(QStringLiteral("out"))};
    Form->onSaveHtml();
    EXPECT_EQ(Form->StatusText(),
              QStringLiteral("Saved 5 bookmarks to %1")
                  .arg(QDir::toNativeSeparators(Path(QStringLiteral("out.html")))));
    Form->SelectRows({0});
    DialogAnswer = {Path(QStringLiteral("one.url"))};
    Form->onSaveAsShortcut();
    EXPECT_EQ(Form->StatusText(),
              QStringLiteral("Saved 1 bookmark to %1")
                  .arg(QDir::toNativeSeparators(Path(QStringLiteral("one.url")))));
    EXPECT_EQ(Requests.back().Filters,
              QStringList{QStringLiteral("Internet Shortcut File (*.url)")});
}

TEST_F(KeyboardTest, TheHeaderLabelsKeepTheirPlacesAtTheMinimumSize)
{
    for (const char* Lang : {"en_US.UTF-8", "ja_JP.UTF-8"}) {
        SCOPED_TRACE(Lang);
        Env.SetLanguage(Lang);
        Form.reset();
        StartShown();
        Form->resize(Form->minimumSize());
        QCoreApplication::processEvents();
        auto* Name = Form->findChild<QLabel*>(QStringLiteral("appNameLabel"));
        auto* Maker = Form->findChild<QLabel*>(QStringLiteral("makerLabel"));
        auto* Link = Form->productLinkLabel();
        ASSERT_TRUE(Name && Maker && Link);
        EXPECT_FALSE(Name->geometry().intersects(Maker->geometry()));
        EXPECT_GE(Link->width(), Link->sizeHint().width());
        EXPECT_LE(Maker->geometry().right(), Maker->parentWidget()->width());
    }
}

TEST_F(KeyboardTest, DialogsHaveOnlyACloseBoxAndAFixedSize)
{
    Start();
    TFrmAbout About;
    TFrmProperty Property;
    TFrmSetup Setup(Settings, Browsers);
    for (QDialog* D : std::initializer_list<QDialog*>{&About, &Property, &Setup}) {
        SCOPED_TRACE(D->objectName().toStdString());
        const Qt::WindowFlags Flags = D->windowFlags();
        EXPECT_TRUE(Flags.testFlag(Qt::WindowCloseButtonHint));
        EXPECT_FALSE(Flags.testFlag(Qt::WindowMinimizeButtonHint));
        EXPECT_FALSE(Flags.testFlag(Qt::WindowMaximizeButtonHint));
        EXPECT_EQ(D->minimumSize(), D->maximumSize());
    }
}

TEST(QtTranslation, QtsOwnTextsFollowAJapaneseLocale)
{
    EnsureTestApplication();
    TScopedEnv Env;
    Env.SetLanguage("en_US.UTF-8");
    QTranslator English;
    EXPECT_FALSE(LoadQtTranslation(English));
    Env.SetLanguage("ja_JP.UTF-8");
    QTranslator Japanese;
    const bool Installed = QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath)
                                             + QStringLiteral("/qtbase_ja.qm"));
    EXPECT_EQ(LoadQtTranslation(Japanese), Installed);
    if (Installed) {
        const QString Cancel = Japanese.translate("QPlatformTheme", "Cancel");
        EXPECT_FALSE(Cancel.isEmpty());
        EXPECT_NE(Cancel, QStringLiteral("Cancel"));
    }
}

TEST_F(KeyboardTest, NoDialogCaptionIsCutOffOrCovered)
{
    for (const char* Lang : {"en_US.UTF-8", "ja_JP.UTF-8"}) {
        SCOPED_TRACE(Lang);
        Env.SetLanguage(Lang);
        Form.reset();
        Start();
        TFrmProperty Property;
        TFrmSetup Setup(Settings, Browsers);
        for (QDialog* D : std::initializer_list<QDialog*>{&Property, &Setup}) {
            SCOPED_TRACE(D->objectName().toStdString());
            const QList<QWidget*> Children = D->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            for (QWidget* W : Children) {
                if (!qobject_cast<QLabel*>(W) && !qobject_cast<QAbstractButton*>(W))
                    continue;
                SCOPED_TRACE(W->objectName().toStdString());
                if (auto* Button = qobject_cast<QPushButton*>(W)) {
                    // A push button's hint adds the style's minimum width; its caption must fit.
                    EXPECT_GE(Button->width(),
                              Button->fontMetrics().horizontalAdvance(Button->text())
                                  + (Button->icon().isNull() ? 0 : Button->iconSize().width()) + 6);
                } else {
                    EXPECT_GE(W->width(), W->sizeHint().width());
                }
                EXPECT_LE(W->geometry().right(), D->width());
                for (QWidget* Other : Children) {
                    if (Other != W && Other->isVisibleTo(D) && W->isVisibleTo(D)) {
                        EXPECT_FALSE(W->geometry().intersects(Other->geometry()))
                            << Other->objectName().toStdString();
                    }
                }
            }
        }
    }
}
