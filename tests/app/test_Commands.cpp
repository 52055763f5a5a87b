// The main window's commands: action update rules, file dialogs and the files
// they write, Clear All, Delete, the drop handler, Japanese captions.

#include "MainWindowFixture.h"

#include <QHeaderView>

#include <model/uWebSiteShortcutFiles.h>

#include <QAction>
#include <QMenu>

namespace {

std::vector<TWebSite> FourSites()
{
    return {MakeSite(QStringLiteral("Alpha"), QStringLiteral("http://a.example/"),
                     QStringLiteral("Work\\Dev")),
            MakeSite(QStringLiteral("Bravo"), QStringLiteral("http://b.example/")),
            MakeSite(QStringLiteral("Charlie"), QStringLiteral("http://c.example/")),
            MakeSite(QStringLiteral("Delta"), QStringLiteral("http://d.example/"))};
}

QList<int> RowsUpTo(int n)
{
    QList<int> R;
    for (int i = 0; i < n; ++i)
        R << i;
    return R;
}

} // namespace

TEST_F(MainWindowTest, ActionRulesFollowTheNumberOfSelectedRows)
{
    Start(FourSites());
    const struct
    {
        int Selected;
        bool Open, Others;
        QString Property, Delete;
    } Cases[] = {
        {0, false, false, QStringLiteral("&Property"), QStringLiteral("&Delete Item")},
        {1, true, true, QStringLiteral("&Property"), QStringLiteral("&Delete Item")},
        {3, false, true, QStringLiteral("&Properties"), QStringLiteral("&Delete Items")},
    };
    for (const auto& C : Cases) {
        Form->SelectRows(RowsUpTo(C.Selected)); // the selection change runs the update rules
        EXPECT_EQ(Form->openAction->isEnabled(), C.Open) << C.Selected;
        EXPECT_EQ(Form->saveAsShortcutAction->isEnabled(), C.Others) << C.Selected;
        EXPECT_EQ(Form->propertiesAction->isEnabled(), C.Others) << C.Selected;
        EXPECT_EQ(Form->deleteAction->isEnabled(), C.Others) << C.Selected;
        EXPECT_EQ(Form->fetchIconsAction->isEnabled(), C.Others) << C.Selected;
        EXPECT_EQ(Form->propertiesAction->text(), C.Property);
        EXPECT_EQ(Form->deleteAction->text(), C.Delete);
    }
    // The menu holds the actions in their order, with their separators.
    const QList<QAction*> Items = Form->contextMenu()->actions();
    ASSERT_EQ(Items.size(), 25);
    EXPECT_EQ(Items[0], Form->openAction);
    EXPECT_TRUE(Items[1]->isSeparator());
    EXPECT_EQ(Items[2], Form->openInAction(TBrowser::IE));
    EXPECT_EQ(Items[7], Form->openInAction(TBrowser::PM));
    EXPECT_TRUE(Items[8]->isSeparator());
    EXPECT_EQ(Items[12], Form->deleteAction);
    // Then the list-wide commands, then undo and redo.
    EXPECT_TRUE(Items[13]->isSeparator());
    EXPECT_EQ(Items[14], Form->findDuplicatesAction);
    EXPECT_EQ(Items[15], Form->fetchIconsAction);
    EXPECT_EQ(Items[16], Form->checkLinksAction);
    EXPECT_EQ(Items[17], Form->checkAllLinksAction);
    EXPECT_EQ(Items[18], Form->replaceMovedAction);
    EXPECT_EQ(Items[19], Form->showOnlyProblemsAction);
    EXPECT_TRUE(Items[20]->isSeparator());
    EXPECT_EQ(Items[21], Form->UndoAction());
    EXPECT_EQ(Items[22], Form->RedoAction());
    EXPECT_TRUE(Items[23]->isSeparator());
    EXPECT_EQ(Items[24], Form->reportsAction);
}

TEST_F(MainWindowTest, BrowserActionsAreShownOnlyWhenTheirProgramExists)
{
    Start(FourSites());
    const QString Fake = Path(QStringLiteral("fakefox"));
    WriteText(Fake, "#!/bin/sh\n");
    Settings.FFPath = Fake;
    Browsers[TBrowser::FF] = true;
    Browsers[TBrowser::CH] = false;
    Form->UpdateActions();
    EXPECT_TRUE(Form->openInAction(TBrowser::FF)->isVisible());
    for (QAction* A : {Form->openInAction(TBrowser::IE), Form->openInAction(TBrowser::CH),
                       Form->openInAction(TBrowser::VI), Form->openInAction(TBrowser::TR),
                       Form->openInAction(TBrowser::PM)})
        EXPECT_FALSE(A->isVisible()) << qPrintable(A->objectName());
    // With no row selected the browser command does nothing; with rows, the first row's URL.
    Form->openInAction(TBrowser::FF)->trigger();
    EXPECT_TRUE(Started.isEmpty());
    Form->SelectRows({2, 3});
    Form->openInAction(TBrowser::FF)->trigger();
    EXPECT_EQ(Started, QStringList{Fake + QStringLiteral("|http://c.example/")});
}

TEST_F(MainWindowTest, SaveAsShortcutWithOneRowWritesTheNameWithUrlExtension)
{
    Start(FourSites());
    Form->SelectRows({1});
    DialogAnswer = {Path(QStringLiteral("name.txt"))};
    Form->saveAsShortcutAction->trigger();
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Kind, TFileDialogRequest::SaveFile);
    EXPECT_EQ(Requests[0].Title, QStringLiteral("Save Bookmark File"));
    // The entry's title is the name offered.
    EXPECT_EQ(Requests[0].FileName, Form->WebSiteList().at(1).Title + QStringLiteral(".url"));
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("name.txt"))));
    const TWebSite Read = WebSiteLoadFromUrlFile(Path(QStringLiteral("name.url")), QString());
    EXPECT_EQ(Read.URL, QStringLiteral("http://b.example/"));
    // A name without an extension gets one.
    DialogAnswer = {Path(QStringLiteral("plain"))};
    Form->saveAsShortcutAction->trigger();
    EXPECT_TRUE(QFileInfo::exists(Path(QStringLiteral("plain.url"))));
}

TEST_F(MainWindowTest, SaveAsShortcutWithTwoRowsAsksForAFolder)
{
    Start(FourSites());
    Form->SelectRows({0, 2});
    DialogAnswer = {Path(QStringLiteral("out/new"))};
    Form->saveAsShortcutAction->trigger();
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Kind, TFileDialogRequest::SaveFolder);
    EXPECT_EQ(Requests[0].Title, QStringLiteral("Save Internet Shortcuts to Folder"));
    EXPECT_TRUE(QFileInfo::exists(Path(QStringLiteral("out/new/Work/Dev/Alpha.url"))));
    EXPECT_TRUE(QFileInfo::exists(Path(QStringLiteral("out/new/Charlie.url"))));
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("out/new/Bravo.url"))));
}

TEST_F(MainWindowTest, SaveBookmarkFileReplacesAnExistingFileAndFixesTheExtension)
{
    Start(FourSites());
    const QString Target = Path(QStringLiteral("export.html"));
    WriteText(Target, "old contents");
    // A search hides rows, yet the file holds every entry.
    Form->searchBox()->setEditText(QStringLiteral("alpha"));
    Form->onSearch();
    DialogAnswer = {Path(QStringLiteral("export.htm"))};
    // The user agrees to replace the earlier export.
    ConfirmAnswer = true;
    Form->onSaveHtml();
    EXPECT_EQ(Confirmations.size(), 1);
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Filters, QStringList{QStringLiteral("Bookmark File (*.html)")});
    EXPECT_EQ(Requests[0].OkLabel, QStringLiteral("Save"));
    TWebSiteList Read;
    WebSitesLoadFromHtml(Read, Target);
    EXPECT_EQ(Read.Count(), 4);
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("export.htm"))));
}

TEST_F(MainWindowTest, SaveShownEntriesToAFolderWritesOnlyShownRows)
{
    Start(FourSites());
    Form->searchBox()->setEditText(QStringLiteral("a.example"));
    Form->onSearch();
    ASSERT_EQ(Rows(), 1);
    DialogAnswer = {Path(QStringLiteral("shown"))};
    Form->onSaveToFolder();
    EXPECT_TRUE(QFileInfo::exists(Path(QStringLiteral("shown/Work/Dev/Alpha.url"))));
    EXPECT_EQ(QDir(Path(QStringLiteral("shown"))).entryList(QDir::Files).size(), 0);
}

TEST_F(MainWindowTest, CancelledDialogsChangeNothing)
{
    Start(FourSites());
    DialogAnswer = {};
    Form->onAddFiles();
    Form->onAddFolder();
    Form->onSaveHtml();
    Form->onSaveToFolder();
    EXPECT_EQ(Requests.size(), 4u);
    EXPECT_EQ(Rows(), 4);
    EXPECT_EQ(QDir(Tmp.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("zorvel.html")});
}

TEST_F(MainWindowTest, ClearAllWritesOneHistoryCopyThenEmptiesTheList)
{
    Settings.isSaveHistory = true;
    Start(FourSites());
    Form->onClearAll();
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Form->WebSiteList().Count(), 0);
    const QStringList Copies =
        QDir(Path(QStringLiteral("History"))).entryList({QStringLiteral("hvon*.html")});
    ASSERT_EQ(Copies.size(), 1);
    TWebSiteList Read;
    WebSitesLoadFromHtml(Read, Path(QStringLiteral("History/")) + Copies[0]);
    EXPECT_EQ(Read.Count(), 4);
}

TEST_F(MainWindowTest, DeleteThroughTheMenuAsksNothing)
{
    Start(FourSites());
    Form->SelectRows({1, 3});
    Form->deleteAction->trigger();
    EXPECT_TRUE(Confirmations.isEmpty());
    EXPECT_EQ(Titles(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Charlie")}));
    EXPECT_EQ(Form->SelectedCount(), 0);
}

TEST_F(MainWindowTest, DeleteSparesEntriesHiddenBySearch)
{
    Start(FourSites());
    // Select everything, then hide two rows: only the shown selected rows go.
    Form->SelectRows(RowsUpTo(4));
    Form->SyncSelection();
    Form->searchBox()->setEditText(QStringLiteral("Bravo"));
    Form->onSearch();
    Form->SelectRows({0});
    Form->deleteAction->trigger();
    Form->searchBox()->setEditText(QString());
    Form->onSearch();
    EXPECT_EQ(Titles(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Charlie"),
                                     QStringLiteral("Delta")}));
}

TEST_F(MainWindowTest, PropertyRefreshesOnlyWhenConfirmed)
{
    Start(FourSites());
    Form->SelectRows({0});
    int Calls = 0;
    Form->PropertyFn = [&](TWebSiteList& L) {
        ++Calls;
        for (qsizetype i = 0; i < L.Count(); ++i)
            if (L.at(i).Selected && L.at(i).Visible)
                L[i].Title = QStringLiteral("Zulu");
        return true;
    };
    Form->propertiesAction->trigger();
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Titles().last(), QStringLiteral("Zulu")); // re-sorted by title
    EXPECT_EQ(Form->SelectedRows(), QList<int>{3});     // the selection follows the edited entry
}

TEST_F(MainWindowTest, AddFilesAsksWithItsTextsReadsEveryFileAndSelectsWhatCameIn)
{
    Start(FourSites());
    Form->SelectRows({0});
    WriteUrlFile(Path(QStringLiteral("in/one.url")), QStringLiteral("http://one.example/"));
    WriteUrlFile(Path(QStringLiteral("in/TWO.URL")), QStringLiteral("http://b.example/")); // merges
    WriteUrlFile(Path(QStringLiteral("in/ftp.url")),
                 QStringLiteral("ftp://nope.example/")); // skipped
    DialogAnswer = {Path(QStringLiteral("in/one.url")), Path(QStringLiteral("in/TWO.URL")),
                    Path(QStringLiteral("in/ftp.url"))};
    Form->onAddFiles();
    ASSERT_EQ(Requests.size(), 1u);
    const TFileDialogRequest& R = Requests[0];
    EXPECT_EQ(R.Kind, TFileDialogRequest::OpenFiles);
    EXPECT_EQ(R.Title, QStringLiteral("Open Internet Shortcut / Pinned Website / Bookmark Files"));
    EXPECT_EQ(R.OkLabel, QStringLiteral("Open Files"));
    EXPECT_TRUE(R.MultiSelect);
    EXPECT_EQ(
        R.Filters,
        (QStringList{
            QStringLiteral("All Bookmark Files (*.url *.website *.html *.htm *.csv *.json *.sqlite "
                           "Bookmarks)"),
            QStringLiteral("Internet Shortcut Files (*.url)"),
            QStringLiteral("Pinned Website File (*.website)"),
            QStringLiteral("Bookmark File (*.html *.htm)"),
            QStringLiteral("Browser Bookmark Files (Bookmarks *.json *.sqlite)"),
            QStringLiteral("Service Exports (Pocket, Raindrop, Pinboard) (*.csv *.json *.html)"),
            QStringLiteral("All Files (*)")}));
    EXPECT_TRUE(R.Directory.startsWith(GetDocumentsDir()));
    EXPECT_EQ(Rows(), 5);
    // What came in is selected: the new entry, not the one it merged into.
    ASSERT_EQ(Form->SelectedCount(), 1);
    EXPECT_EQ(Form->WebSiteList()[Form->SelectedRows().first()].URL.toString(),
              QStringLiteral("http://one.example/"));
    EXPECT_EQ(Form->StatusText(), QStringLiteral("Added 1, merged 1, skipped 1"));
    // The next dialog opens in the folder just used.
    DialogAnswer = {};
    Form->onSaveHtml();
    ASSERT_EQ(Requests.size(), 2u);
    EXPECT_EQ(QDir(Requests[1].Directory), QDir(Path(QStringLiteral("in"))));
}

TEST_F(MainWindowTest, AddFilesNamesAFileWithoutBookmarksInTheReport)
{
    Start();
    WriteText(Path(QStringLiteral("in/page.html")), "<html><body>No links.</body></html>");
    WriteText(Path(QStringLiteral("in/marks.html")),
              "<dl><dt><a href=\"http://marks.example/\">Marks</a></dl>");
    DialogAnswer = {Path(QStringLiteral("in/page.html")), Path(QStringLiteral("in/marks.html"))};
    Form->onAddFiles();
    EXPECT_EQ(Titles(), QStringList{QStringLiteral("Marks")});
    EXPECT_EQ(Form->StatusText(),
              QStringLiteral("Added 1, merged 0, skipped 0\nno bookmarks found in page.html"));
}

// Tags stand in their own column after Category; files that are no bookmark
// file and rows of a service export that cannot be read are named in the report.
TEST_F(MainWindowTest, TagsColumnAndTheReportOfWhatWasNotRead)
{
    Start();
    WriteText(Path(QStringLiteral("in/tagged.html")),
              "<dl><dt><a href=\"http://b.example/\" tags=\"zeta\">B</a>"
              "<dt><a href=\"http://a.example/\" tags=\"rust,tools\">A</a></dl>");
    WriteText(Path(QStringLiteral("in/notes.txt")), "just text");
    WriteText(Path(QStringLiteral("in/pocket.csv")),
              "title,url,time_added,tags,status\nBad,http://c.example/,soon,,unread\n");
    DialogAnswer = {Path(QStringLiteral("in/tagged.html")), Path(QStringLiteral("in/notes.txt")),
                    Path(QStringLiteral("in/pocket.csv"))};
    Form->onAddFiles();
    EXPECT_EQ(Form->StatusText(),
              QStringLiteral("Added 2, merged 0, skipped 0\nnot a bookmark file: notes.txt\n"
                             "1 rows left out, first: ")
                  + Path(QStringLiteral("in/pocket.csv"))
                  + QStringLiteral(": line 2: not a date: soon"));
    QHeaderView* Header = Form->bookmarkList()->header();
    EXPECT_EQ(Form->Model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Tags"));
    EXPECT_EQ(Header->visualIndex(4), 3);
    Form->onHeaderClicked(4);
    EXPECT_EQ(Cell(0, 4), QStringLiteral("rust, tools"));
    EXPECT_EQ(Cell(1, 4), QStringLiteral("zeta"));
    Form->onHeaderClicked(4);
    EXPECT_EQ(Cell(0, 4), QStringLiteral("zeta"));
}

TEST_F(MainWindowTest, AddFolderReadsTheWholeTreeWithCategories)
{
    Start();
    WriteUrlFile(Path(QStringLiteral("Links/a.url")), QStringLiteral("http://a.example/"));
    WriteUrlFile(Path(QStringLiteral("Links/Sub/b.url")), QStringLiteral("http://b.example/"));
    WriteText(Path(QStringLiteral("Links/Sub/Deep/c.website")),
              "[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,2\r\n[InternetShortcut]\r\n"
              "URL=http://c.example/\r\n");
    WriteText(Path(QStringLiteral("Links/readme.txt")), "not a bookmark");
    DialogAnswer = {Path(QStringLiteral("Links"))};
    Form->onAddFolder();
    WaitForAdds();
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Kind, TFileDialogRequest::OpenFolder);
    EXPECT_EQ(Requests[0].OkLabel, QStringLiteral("Open Folder"));
    QMap<QString, QString> Categories;
    for (const TWebSite& S : Form->WebSiteList())
        Categories[S.URL] = S.Category;
    EXPECT_EQ(Categories.value(QStringLiteral("http://a.example/"), QStringLiteral("?")),
              QString());
    EXPECT_EQ(Categories.value(QStringLiteral("http://b.example/")), QStringLiteral("Sub"));
    EXPECT_EQ(Categories.value(QStringLiteral("http://c.example/")), QStringLiteral("Sub\\Deep"));
    EXPECT_EQ(Categories.size(), 3);
}

TEST_F(MainWindowTest, AFileErrorDuringAddIsShownAndEarlierRecordsStay)
{
    Start();
    WriteUrlFile(Path(QStringLiteral("ok.url")), QStringLiteral("http://ok.example/"));
    WriteUrlFile(Path(QStringLiteral("locked.url")), QStringLiteral("http://locked.example/"));
    QFile::setPermissions(Path(QStringLiteral("locked.url")), QFileDevice::Permissions());
    if (QFile(Path(QStringLiteral("locked.url"))).open(QIODevice::ReadOnly))
        GTEST_SKIP() << "running with rights that read any file";
    DialogAnswer = {Path(QStringLiteral("ok.url")), Path(QStringLiteral("locked.url"))};
    EXPECT_FALSE(Form->Guard([&] { Form->onAddFiles(); }));
    EXPECT_EQ(Errors.size(), 1);
    EXPECT_EQ(Titles().size(), 1); // the first file's entry is shown
}

TEST_F(MainWindowTest, DropOfALinkAddsOneEntryAndSelectsIt)
{
    Start(FourSites());
    Form->SelectRows({1, 2}); // Bravo and Charlie
    Form->onDrop(QStringLiteral("http://dropped.example/page"), QStringLiteral("Aardvark page"),
                 {});
    ASSERT_EQ(Rows(), 5);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("Aardvark page"));
    EXPECT_EQ(Cell(0, 1), QStringLiteral("http://dropped.example/page"));
    EXPECT_EQ(Form->SelectedRows(), QList<int>{0}); // the new entry, not Bravo and Charlie
    EXPECT_EQ(Form->StatusText(), QStringLiteral("Added 1, merged 0, skipped 0"));
}

TEST_F(MainWindowTest, DropOfFilesAndFoldersReadsThemAll)
{
    Start();
    WriteUrlFile(Path(QStringLiteral("desk/one.url")), QStringLiteral("http://one.example/"));
    WriteUrlFile(Path(QStringLiteral("desk/two.url")), QStringLiteral("http://two.example/"));
    WriteUrlFile(Path(QStringLiteral("tree/A/x.url")), QStringLiteral("http://x.example/"));
    const QString Marker = QStringLiteral("//File");
    Form->onDrop(Marker, Marker,
                 {Path(QStringLiteral("desk/one.url")), Path(QStringLiteral("desk/two.url"))});
    EXPECT_EQ(Rows(), 2);
    Form->onDrop(Marker, Marker, {Path(QStringLiteral("tree"))});
    WaitForAdds();
    ASSERT_EQ(Rows(), 3);
    bool FoundX = false;
    for (const TWebSite& S : Form->WebSiteList())
        if (S.URL == QStringLiteral("http://x.example/")) {
            FoundX = true;
            EXPECT_EQ(S.Category, QStringLiteral("A"));
        }
    EXPECT_TRUE(FoundX);
    // An empty file drop only refreshes.
    Form->onDrop(Marker, Marker, {});
    EXPECT_EQ(Rows(), 3);
}

TEST_F(MainWindowTest, JapaneseLocaleCaptionsAndDialogTexts)
{
    Env.SetLanguage("ja_JP.UTF-8");
    Start(FourSites());
    const QString Open = QStringLiteral("(&O)既定のWebブラウザで開く");
    for (int n : {0, 1, 3}) {
        Form->SelectRows(RowsUpTo(n));
        EXPECT_EQ(Form->contextMenu()->actions().first()->text(), Open);
        EXPECT_EQ(Form->deleteAction->text(), QStringLiteral("(&D)選択された項目を削除"));
        EXPECT_EQ(Form->propertiesAction->text(), QStringLiteral("(&P)プロパティ"));
    }
    EXPECT_EQ(Form->windowTitle(), QStringLiteral("Zorvel - Bookmark管理ツール"));
    EXPECT_EQ(Form->Model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("タイトル"));
    EXPECT_EQ(Form->Model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("URL"));
    Form->onSaveHtml();
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Title, QStringLiteral("ブックマークファイルを保存"));
    EXPECT_EQ(Requests[0].Filters, QStringList{QStringLiteral("ブックマークファイル (*.html)")});
    Form->onSaveToFolder();
    EXPECT_EQ(Requests.back().Title,
              QStringLiteral("指定されたフォルダにインターネットショートカットファイルを保存"));
    Form->SelectRows({0});
    Form->onListDeleteRequested();
    EXPECT_EQ(Confirmations, QStringList{QStringLiteral("ショートカットを削除")});
    // The single-shortcut dialog is English in both languages.
    Form->saveAsShortcutAction->trigger();
    EXPECT_EQ(Requests.back().Title, QStringLiteral("Save Bookmark File"));
}

TEST_F(MainWindowTest, EnglishCaptionsUnderOtherLocales)
{
    Start(FourSites());
    EXPECT_EQ(Form->windowTitle(), QStringLiteral("Zorvel - Internet Bookmark Manager"));
    EXPECT_EQ(Form->openAction->text(), QStringLiteral("&Open"));
    EXPECT_EQ(Form->openInAction(TBrowser::TR)->text(), QStringLiteral("Open By &Tor Browser"));
    EXPECT_EQ(Form->Model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Category"));
}

TEST_F(MainWindowTest, AFailedSaveIsShownAndTheProgramGoesOn)
{
    Start(FourSites());
    DialogAnswer = {Path(QStringLiteral("no-such-folder/deeper/out.html"))};
    EXPECT_FALSE(Form->Guard([&] { Form->onSaveHtml(); }));
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(Errors[0].contains(QStringLiteral("out.html"))) << qPrintable(Errors[0]);
    EXPECT_EQ(Rows(), 4);
    // The window still works afterwards.
    Form->SelectRows({0});
    EXPECT_TRUE(Form->openAction->isEnabled());
}

TEST_F(MainWindowTest, OpenAndOpenByStartOnlyWebAddresses)
{
    Start({MakeSite(QStringLiteral("Only"), QStringLiteral("http://placeholder.example/"))});
    const QString Fake = Path(QStringLiteral("fakefox"));
    WriteText(Fake, "#!/bin/sh\n");
    Settings.FFPath = Fake;
    Browsers[TBrowser::FF] = true;
    struct TCase
    {
        const char16_t* URL;
        bool Opens;
    };
    const TCase Cases[] = {
        {u"https://example.com/x", true},
        {u"http://example.com", true},
        {u"ftp://ftp.example.org/pub/file.txt", true},
        {u"HTTPS://Example.COM/a?b=c#d", true},
        {u"https://exa mple.com/x", false},
        {u"http://[broken/", false},
        {u"http://example.com/%zz", false},
        {u"http:///no-host", false},
        {u"file:///etc/passwd", false},
        {u"javascript:alert(1)", false},
        {u"example.com/page", false},
        {u"/home/user/page.html", false},
        {u"C:\\Users\\page.html", false},
        {u"mailto:someone@example.com", false},
        {u"", false},
    };
    for (const TCase& C : Cases) {
        const QString URL = QString::fromUtf16(C.URL);
        Form->WebSiteList()[0].URL = URL;
        Form->SelectRows({0});
        Opened.clear();
        Started.clear();
        Errors.clear();
        Form->onOpen();
        Form->onOpenIn(TBrowser::FF);
        if (C.Opens) {
            EXPECT_EQ(Opened, QStringList{URL}) << qPrintable(URL);
            EXPECT_EQ(Started, QStringList{Fake + u'|' + URL}) << qPrintable(URL);
            EXPECT_TRUE(Errors.isEmpty()) << qPrintable(URL);
        } else {
            EXPECT_TRUE(Opened.isEmpty()) << qPrintable(URL);
            EXPECT_TRUE(Started.isEmpty()) << qPrintable(URL);
            ASSERT_EQ(Errors.size(), 2) << qPrintable(URL);
            EXPECT_TRUE(Errors[0].contains(QStringLiteral("not a web address")))
                << qPrintable(Errors[0]);
        }
    }
}
