// The main window's commands: toolbar buttons, context-menu actions with their
// update rules, and the file dialogs.

#include "uFrmMain.h"

#include "uAppErrors.h"
#include "uTranslations.h"
#include "uWebAddress.h"
#include "uWebSiteTableModel.h"
#include "uWindowColors.h"
#include "uWindowHelpers.h"
#include "ui_FrmMain.h"

#include <controls/uTileButton.h>
#include <model/uBookmarkHtml.h>
#include <model/uFolderImportExport.h>
#include <model/uWebSiteShortcutFiles.h>
#include <platform/uOsServices.h>
#include <platform/uShellOpen.h>
#include <settings/uSetupData.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>

#include <algorithm>

namespace {

// Replaces the extension of the file name's last component by Ext (".html"),
// or appends Ext when the name has none.
QString WithExtension(const QString& FileName, const QString& Ext)
{
    const qsizetype Slash = qMax(FileName.lastIndexOf(u'/'), FileName.lastIndexOf(u'\\'));
    const qsizetype Dot = FileName.lastIndexOf(u'.');
    if (Dot > Slash)
        return FileName.left(Dot) + Ext;
    return FileName + Ext;
}

} // namespace

// ---- Actions and buttons ------------------------------------------------------------

void TFrmMain::CreateActions()
{
    // The captions come with ApplyTexts.
    auto Make = [this](QAction*& Action, const char* Name, void (TFrmMain::*Execute)()) {
        Action = new QAction(this);
        Action->setObjectName(QString::fromLatin1(Name));
        connect(Action, &QAction::triggered, this,
                [this, Execute] { Guard([&] { (this->*Execute)(); }); });
    };
    Make(openAction, "openAction", &TFrmMain::onOpen);
    for (const TBrowserCommand& B : BrowserCommands()) {
        QAction*& Action = FOpenInActions[std::size_t(B.Browser)];
        Action = new QAction(this);
        Action->setObjectName(QString::fromLatin1(B.ActionName));
        const TBrowser Browser = B.Browser;
        connect(Action, &QAction::triggered, this,
                [this, Browser] { Guard([&] { onOpenIn(Browser); }); });
    }
    Make(saveAsShortcutAction, "saveAsShortcutAction", &TFrmMain::onSaveAsShortcut);
    Make(propertiesAction, "propertiesAction", &TFrmMain::onProperties);
    Make(deleteAction, "deleteAction", &TFrmMain::onDeleteSelected);

    // The list's own keys, shown in the menu: Enter opens (a key of the list) and
    // Delete deletes (the list asks first; the menu item, like a click on it, does not).
    openAction->setShortcut(QKeySequence(Qt::Key_Return));
    openAction->setShortcutContext(Qt::WidgetShortcut);
    deleteAction->setShortcut(QKeySequence(QKeySequence::Delete));
    deleteAction->setShortcutContext(Qt::WidgetShortcut);
    // Alt+Enter works anywhere in the window, also with nothing selected: then it
    // says why nothing happens instead of reaching the focused tile as Enter. The
    // menu item shows the keys; the always-enabled key action owns them.
    const QList<QKeySequence> PropertiesKeys = {QKeySequence(Qt::ALT | Qt::Key_Return),
                                                QKeySequence(Qt::ALT | Qt::Key_Enter)};
    propertiesAction->setShortcuts(PropertiesKeys);
    propertiesAction->setShortcutContext(Qt::WidgetShortcut);
    Make(propertiesKeyAction, "propertiesKeyAction", &TFrmMain::onPropertiesKey);
    propertiesKeyAction->setShortcuts(PropertiesKeys);
    propertiesKeyAction->setShortcutContext(Qt::WindowShortcut);
    addAction(propertiesKeyAction);

    FContextMenu = new QMenu(this);
    FContextMenu->setObjectName(QStringLiteral("contextMenu"));
    FContextMenu->addAction(openAction);
    FContextMenu->addSeparator()->setObjectName(QStringLiteral("browserSeparator"));
    for (QAction* A : FOpenInActions)
        FContextMenu->addAction(A);
    FContextMenu->addSeparator()->setObjectName(QStringLiteral("editSeparator"));
    FContextMenu->addAction(saveAsShortcutAction);
    FContextMenu->addAction(propertiesAction);
    FContextMenu->addSeparator()->setObjectName(QStringLiteral("deleteSeparator"));
    FContextMenu->addAction(deleteAction);
    CreateDuplicatesCommand();
    CreateFetchIconsCommand();
    CreateLinkCheckCommands();

    // Undo and redo of what the commands did to the list.
    TListUndo& ListUndo = FSession.Undo();
    // The selection follows its entries through an undo: the marks are taken from
    // the rows before the change and shown again after it.
    ListUndo.OnBeforeListChange = [this] { RememberSelection(); };
    ListUndo.OnListChanged = [this] { ShowListByMarks(); };
    QAction* Undo = ListUndo.UndoAction();
    QAction* Redo = ListUndo.RedoAction();
    Undo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    Redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    for (QAction* A : {Undo, Redo}) {
        // Window-wide; the search box keeps its own Ctrl+Z for the text typed into it.
        A->setShortcutContext(Qt::WindowShortcut);
        addAction(A);
    }
    FContextMenu->addSeparator()->setObjectName(QStringLiteral("undoSeparator"));
    FContextMenu->addAction(Undo);
    FContextMenu->addAction(Redo);
    connect(FContextMenu, &QMenu::aboutToShow, this, [this] { UpdateActions(); });

    // Outside services in their everyday form.
    ShellOpenFn = [](const QString& Target) { ShellOpen(Target); };
    StartProgramFn = [](const QString& Program, const QString& Argument) {
        QProcess::startDetached(Program, {Argument});
    };
    ConfirmFn = [this](const QString& Caption, const QString& Title, const QString& Text) {
        QMessageBox Box(QMessageBox::Warning, Caption, Title, QMessageBox::Ok | QMessageBox::Cancel,
                        this);
        Box.setInformativeText(Text);
        Box.setDefaultButton(QMessageBox::Ok);
        return Box.exec() == QMessageBox::Ok;
    };
    FileDialogFn = [this](const TFileDialogRequest& Request) {
        return TFileDialog(this, Request).Run();
    };
    ExitProblemFn = [this](const QString& Problems) {
        QMessageBox Box(QMessageBox::Warning, tr("Changes cannot be saved"), Problems,
                        QMessageBox::NoButton, this);
        QPushButton* Save = Box.addButton(tr("Save Elsewhere…"), QMessageBox::AcceptRole);
        QPushButton* Close = Box.addButton(tr("Close Anyway"), QMessageBox::DestructiveRole);
        Box.addButton(QMessageBox::Cancel);
        Box.setDefaultButton(Save);
        Box.exec();
        if (Box.clickedButton() == Save)
            return ExitSaveElsewhere;
        return Box.clickedButton() == Close ? ExitCloseAnyway : ExitCancel;
    };
}

void TFrmMain::CreateKeyboardCommands()
{
    auto Make = [this](QAction*& Action, const char* Name, const QList<QKeySequence>& Keys,
                       void (TFrmMain::*Run)()) {
        Action = new QAction(this);
        Action->setObjectName(QString::fromLatin1(Name));
        Action->setShortcuts(Keys);
        Action->setShortcutContext(Qt::WindowShortcut);
        addAction(Action);
        connect(Action, &QAction::triggered, this, [this, Run] { Guard([&] { (this->*Run)(); }); });
    };
    Make(addFilesAction, "addFilesAction", {QKeySequence(Qt::CTRL | Qt::Key_O)},
         &TFrmMain::onAddFiles);
    Make(addFolderAction, "addFolderAction", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)},
         &TFrmMain::onAddFolder);
    Make(importBrowsersAction, "importBrowsersAction", {QKeySequence(Qt::CTRL | Qt::Key_I)},
         &TFrmMain::onImportFromBrowsers);
    Make(saveHtmlAction, "saveHtmlAction", {QKeySequence(Qt::CTRL | Qt::Key_S)},
         &TFrmMain::onSaveHtml);
    Make(saveToFolderAction, "saveToFolderAction", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
         &TFrmMain::onSaveToFolder);
    Make(setupAction, "setupAction", {QKeySequence(Qt::CTRL | Qt::Key_Comma)}, &TFrmMain::onSetup);
    Make(aboutAction, "aboutAction", {QKeySequence(Qt::Key_F1)}, &TFrmMain::onAbout);
    Make(findAction, "findAction", {QKeySequence(Qt::CTRL | Qt::Key_F), QKeySequence(Qt::Key_F3)},
         &TFrmMain::FocusSearchBox);
}

void TFrmMain::FocusSearchBox()
{
    ui->searchBox->setFocus(Qt::ShortcutFocusReason);
    if (QLineEdit* Edit = ui->searchBox->lineEdit())
        Edit->selectAll();
}

void TFrmMain::SetTabOrder()
{
    // Left to right along the toolbar and the product link beside it, then the search
    // row, then the list.
    ui->productLinkLabel->setFocusPolicy(Qt::TabFocus);
    ui->productLinkLabel->setStyleSheet(QStringLiteral("QLabel:focus { border: 1px dotted; }"));
    const QList<QWidget*> Order = {ui->addFilesTile,     ui->addFolderTile,  ui->importBrowsersTile,
                                   ui->saveHtmlTile,     ui->saveFolderTile, ui->checkLinksTile,
                                   ui->clearAllTile,     ui->setupTile,      ui->aboutTile,
                                   ui->productLinkLabel, ui->searchBox,      ui->searchButton,
                                   ui->bookmarkList};
    for (qsizetype i = 1; i < Order.size(); ++i)
        setTabOrder(Order[i - 1], Order[i]);
}

void TFrmMain::SetupTiles()
{
    struct TTileSetup
    {
        TTileButton* Tile;
        TAlphaColor Color;
        const char* Pictogram;
        void (TFrmMain::*Execute)();
    };
    const TTileSetup Tiles[] = {
        {ui->addFilesTile, AddTileColor, "PICTDOCSTAR", &TFrmMain::onAddFiles},
        {ui->addFolderTile, AddTileColor, "PICTFOLDERSTAR", &TFrmMain::onAddFolder},
        {ui->importBrowsersTile, AddTileColor, "PICTBROWSERSTAR", &TFrmMain::onImportFromBrowsers},
        {ui->saveHtmlTile, SaveTileColor, "PICTDOCSTAR", &TFrmMain::onSaveHtml},
        {ui->saveFolderTile, SaveTileColor, "PICTFOLDERSTAR", &TFrmMain::onSaveToFolder},
        {ui->checkLinksTile, CheckTileColor, "PICTLINKCHECK", &TFrmMain::onLinkCheckTile},
        {ui->clearAllTile, ClearTileColor, "PICTWASTEBIN", &TFrmMain::onClearAll},
        {ui->aboutTile, AboutTileColor, "PICTINFO", &TFrmMain::onAbout},
        {ui->setupTile, SetupTileColor, "PICTTOOLS", &TFrmMain::onSetup},
    };
    for (const TTileSetup& T : Tiles) {
        T.Tile->setCursor(Qt::PointingHandCursor);
        // Captions in the small toolbar font, except About, which keeps the form's.
        if (T.Tile != ui->aboutTile) {
            QFont Small = font();
            Small.setPixelSize(8);
            T.Tile->setFont(Small);
        }
        auto Execute = T.Execute;
        auto Run = [this, Execute] { Guard([&] { (this->*Execute)(); }); };
        T.Tile->setTileType(mtSmallSingle);
        T.Tile->setBgColor(T.Color);
        T.Tile->setFgColor(DefaultFgColor);
        T.Tile->BgBitmapPNGResSet(QString::fromLatin1(T.Pictogram));
        T.Tile->setDown(false);
        T.Tile->setIsToggle(false);
        T.Tile->setIsColorDot(false);
        connect(T.Tile, &TTileButton::Execute, this, Run);
    }
}

void TFrmMain::ApplyTexts()
{
    ApplyLanguage();
    setWindowTitle(tr("Zorvel - Internet Bookmark Manager"));
    ui->productLinkLabel->setText(tr("https://zorvel.example.org/"));
    const struct
    {
        TTileButton* Tile;
        QString Caption;
        QString Hint;
        QString Description;
        QAction* Keys; // none for Clear All: a stray key should not empty the list
    } Tiles[] = {
        {ui->addFilesTile, tr("Add"), tr("Add Files"),
         tr("Adds Internet Shortcut, pinned website and bookmark HTML files to the list"),
         addFilesAction},
        {ui->addFolderTile, tr("Add"), tr("Add Folder"),
         tr("Adds every Internet Shortcut and pinned website of a folder and its subfolders"),
         addFolderAction},
        {ui->importBrowsersTile, tr("Import"), tr("Import from browsers"),
         tr("Adds the bookmarks of the browsers on this computer"), importBrowsersAction},
        {ui->saveHtmlTile, tr("Save", "tile caption"), tr("Save Bookmark File"),
         tr("Saves all bookmarks in one bookmark HTML file"), saveHtmlAction},
        {ui->saveFolderTile, tr("Save", "tile caption"), tr("Save to Folder"),
         tr("Saves the listed bookmarks as Internet Shortcut files in a folder"),
         saveToFolderAction},
        {ui->checkLinksTile, tr("Check", "tile caption"), tr("Check Links"),
         tr("Checks which bookmarks still work: the selected ones or all shown"), checkLinksAction},
        {ui->clearAllTile, tr("Clear All"), tr("Clear All"),
         tr("Removes every bookmark from the list"), nullptr},
        {ui->setupTile, tr("Setup"), tr("Setup"), tr("Browser paths and options"), setupAction},
        {ui->aboutTile, tr("About", "tile caption"), tr("About"), tr("Version and product page"),
         aboutAction},
    };
    for (const auto& T : Tiles) {
        const QString Hint = T.Hint;
        T.Tile->setText(T.Caption);
        T.Tile->setToolTip(T.Keys ? QStringLiteral("%1 (%2)").arg(
                               Hint, T.Keys->shortcut().toString(QKeySequence::NativeText))
                                  : Hint);
        T.Tile->setAccessibleName(Hint);
        T.Tile->setAccessibleDescription(T.Description);
    }
    ui->searchBox->setAccessibleName(tr("Search text"));
    if (QLineEdit* Edit = ui->searchBox->lineEdit())
        Edit->setAccessibleName(tr("Search text"));
    ui->searchButton->setAccessibleName(tr("Search"));
    ui->bookmarkList->setAccessibleName(tr("Bookmarks"));
    ui->searchBox->view()->setAccessibleName(tr("Search history"));
    ui->productLinkLabel->setAccessibleName(tr("Product page"));
    ui->bannerImage->setAccessibleName(tr("Banner"));
    ApplyStatusTexts();
    ui->searchButton->setText(tr("Search", "button caption"));
    const QString Columns[6] = {tr("Title"),   tr("URL"),  tr("Category"),
                                tr("Comment"), tr("Tags"), tr("Link")};
    for (int c = 0; c < 6; ++c)
        FModel->setHeaderData(c, Qt::Horizontal, Columns[c]);
    saveAsShortcutAction->setText(tr("&Save as Shortcut"));
    propertiesAction->setText(tr("&Property"));
    deleteAction->setText(tr("&Delete Item"));
    findDuplicatesAction->setText(tr("Find &duplicates…"));
    openAction->setText(tr("&Open"));
    for (const TBrowserCommand& B : BrowserCommands())
        openInAction(B.Browser)->setText(
            QCoreApplication::translate("TBrowserCommand", B.OpenCaption));
    FitMinimumWidthToTitle();
}

QAction* TFrmMain::UndoAction() const
{
    return FSession.Undo().UndoAction();
}

QAction* TFrmMain::RedoAction() const
{
    return FSession.Undo().RedoAction();
}

void TFrmMain::UpdateActions()
{
    if (!openAction)
        return;
    const int s = SelectedCount();
    openAction->setEnabled(s == 1);
    for (const TBrowserCommand& B : BrowserCommands())
        openInAction(B.Browser)->setVisible(FBrowsers[B.Browser]);
    saveAsShortcutAction->setEnabled(s > 0);
    propertiesAction->setEnabled(s > 0);
    deleteAction->setEnabled(s > 0);
    if (fetchIconsAction)
        fetchIconsAction->setEnabled(s > 0 && !IsReadingBaseFile());
    // The Japanese captions read the same for one entry and for several.
    propertiesAction->setText(s > 1 ? tr("&Properties") : tr("&Property"));
    deleteAction->setText(s > 1 ? tr("&Delete Items") : tr("&Delete Item"));
    // While the base file is read there is no list to add to, save or clear yet;
    // Setup waits too, as it may change where the list is saved.
    const bool ListThere = !IsReadingBaseFile();
    for (QAction* A : {addFilesAction, addFolderAction, importBrowsersAction, saveHtmlAction,
                       saveToFolderAction, setupAction})
        if (A)
            A->setEnabled(ListThere);
    for (TTileButton* Tile :
         {ui->addFilesTile, ui->addFolderTile, ui->importBrowsersTile, ui->saveHtmlTile,
          ui->saveFolderTile, ui->clearAllTile, ui->setupTile})
        Tile->setEnabled(ListThere);
}

// ---- File dialogs -----------------------------------------------------------------------

QStringList TFrmMain::RunFileDialog(const TFileDialogRequest& Request)
{
    TFocusReturn FocusBack(this);
    // Every dialog opens where the last one was confirmed (the Documents folder at first).
    TFileDialogRequest R = Request;
    if (R.Directory.isEmpty())
        R.Directory = FOpenDialogDir;
    const QStringList Chosen = FileDialogFn ? FileDialogFn(R) : QStringList();
    if (!Chosen.isEmpty()) {
        const QFileInfo First(Chosen.first());
        const bool Folder =
            R.Kind == TFileDialogRequest::OpenFolder || R.Kind == TFileDialogRequest::SaveFolder;
        FOpenDialogDir = Folder ? First.absoluteFilePath() : First.absolutePath();
    }
    return Chosen;
}

// ---- Toolbar commands ---------------------------------------------------------------------

void TFrmMain::onAddFiles()
{
    TFileDialogRequest R;
    R.Kind = TFileDialogRequest::OpenFiles;
    R.Title = tr("Open Internet Shortcut / Pinned Website / Bookmark Files");
    R.OkLabel = tr("Open Files");
    R.MultiSelect = R.PathMustExist = R.FileMustExist = true;
    // Every reader knows its files by content, so "All Files" is offered too: an export
    // saved under another name is read all the same, and what is none is reported.
    R.Filters = {tr("All Bookmark Files")
                     + QStringLiteral(" (*.url *.website *.html *.htm *.csv *.json *.sqlite "
                                      "Bookmarks)"),
                 tr("Internet Shortcut Files") + QStringLiteral(" (*.url)"),
                 tr("Pinned Website File") + QStringLiteral(" (*.website)"),
                 tr("Bookmark File") + QStringLiteral(" (*.html *.htm)"),
                 // A Chromium-family Bookmarks file, a Firefox-family database.
                 tr("Browser Bookmark Files") + QStringLiteral(" (Bookmarks *.json *.sqlite)"),
                 tr("Service Exports (Pocket, Raindrop, Pinboard)")
                     + QStringLiteral(" (*.csv *.json *.html)"),
                 tr("All Files") + QStringLiteral(" (*)")};
    const QStringList Files = RunFileDialog(R);
    if (Files.isEmpty())
        return;
    AddChosenPaths(Files);
}

void TFrmMain::ImportBrowserProfiles(const QList<TBrowserProfile>& Profiles)
{
    QStringList Files;
    {
        TFocusReturn FocusBack(this);
        Files = BrowserImportFn ? BrowserImportFn(Profiles) : QStringList();
    }
    if (!Files.isEmpty())
        AddChosenPaths(Files, /*Import=*/true);
}

QList<TBrowserProfile> TFrmMain::FindProfilesWithWaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct TRestoreCursor
    {
        ~TRestoreCursor() { QApplication::restoreOverrideCursor(); }
    } RestoreCursor;
    return FindProfilesFn ? FindProfilesFn() : QList<TBrowserProfile>();
}

void TFrmMain::onImportFromBrowsers()
{
    const QList<TBrowserProfile> Profiles = FindProfilesWithWaitCursor();
    if (Profiles.isEmpty()) {
        ShowStatus(tr("No browser bookmarks were found on this computer."));
        return;
    }
    ImportBrowserProfiles(Profiles);
}

void TFrmMain::OfferBrowserImportAtStart()
{
    // A first start: the base file is in use but there is none yet (or an empty
    // file stands in its place, as a failed first run or a copy leaves). Leaving,
    // even with an empty list, writes it, so the offer comes once.
    const TBaseFileRead& Base = FSession.BaseFile();
    const bool NoFileYet =
        Base.Status == TBaseFileRead::NotRead
        || (Base.Status == TBaseFileRead::Read && QFileInfo(Base.FileName).size() == 0);
    if (!FSettings.isOpenBaseBookmark || IsReadingBaseFile() || IsAdding() || !NoFileYet
        || !FSession.List().isEmpty())
        return;
    const QList<TBrowserProfile> Profiles = FindProfilesWithWaitCursor();
    // A profile not counted yet (the dialog counts it) may hold bookmarks; only one
    // known to be empty or unreadable does not.
    const bool AnyBookmarks =
        std::any_of(Profiles.begin(), Profiles.end(), [](const TBrowserProfile& P) {
            return P.Count > 0 || (P.Count < 0 && P.Error.isEmpty());
        });
    if (AnyBookmarks)
        ImportBrowserProfiles(Profiles);
}

void TFrmMain::onAddFolder()
{
    TFileDialogRequest R;
    R.Kind = TFileDialogRequest::OpenFolder;
    R.Title = tr("Open Internet Shortcuts and Pinned Websites from Folder");
    R.OkLabel = tr("Open Folder");
    R.PathMustExist = R.FileMustExist = true;
    const QStringList Chosen = RunFileDialog(R);
    if (Chosen.isEmpty())
        return;
    AddChosenPaths({Chosen.first()});
}

void TFrmMain::onSaveHtml()
{
    SaveListAs();
}

bool TFrmMain::SaveListAs()
{
    TFileDialogRequest R;
    R.Kind = TFileDialogRequest::SaveFile;
    R.Title = tr("Save Bookmark File");
    R.OkLabel = tr("Save");
    R.StrictFileTypes = R.PathMustExist = true;
    R.Filters = {tr("Bookmark File") + QStringLiteral(" (*.html)")};
    const QStringList Chosen = RunFileDialog(R);
    if (Chosen.isEmpty())
        return false;
    const QString FileName = WithExtension(Chosen.first(), QStringLiteral(".html"));
    if (!ConfirmReplace(R.Title, FileName))
        return false;
    WebSitesSaveToHtml(FSession.List(), FileName);
    FSession.MarkSaved();
    ShowSavedStatus(FSession.List().Count(), FileName);
    return true;
}

void TFrmMain::onSaveToFolder()
{
    MarkAllRowsSelected();
    SaveSelectedToFolder();
}

void TFrmMain::SaveSelectedToFolder()
{
    TFileDialogRequest R;
    R.Kind = TFileDialogRequest::SaveFolder;
    R.Title = tr("Save Internet Shortcuts to Folder");
    R.OkLabel = tr("Save to Folder");
    R.CreatePrompt = true;
    const QStringList Chosen = RunFileDialog(R);
    if (Chosen.isEmpty())
        return;
    const QString Folder = Chosen.first();
    ForcePath(Folder);
    WebSitesSaveToFolder(FSession.List(), Folder);
    const auto Saved =
        std::count_if(FSession.List().begin(), FSession.List().end(),
                      [](const TWebSite& Site) { return Site.Selected && Site.Visible; });
    ShowSavedStatus(Saved, Folder);
}

void TFrmMain::onClearAll()
{
    SaveHistoryCopy(FSession.List(), FSettings);
    // No question asked: one undo brings every entry back.
    RememberSelection();
    const qsizetype Cleared = FSession.List().Count();
    FSession.ClearAll(tr("Clear All"));
    RefreshListView();
    if (Cleared > 0)
        ShowUndoableStatus(tr("Cleared the list (%1 entries).").arg(Cleared));
}

void TFrmMain::ShowUndoableStatus(const QString& What)
{
    ShowStatus(What + u'\n'
               + tr("Ctrl+Z undoes it (in the search box, Ctrl+Z undoes the typing)."));
}

bool TFrmMain::ConfirmReplace(const QString& Caption, const QString& FileName)
{
    if (!QFileInfo::exists(FileName))
        return true;
    TFocusReturn FocusBack(this);
    return ConfirmFn
           && ConfirmFn(Caption,
                        tr("\"%1\" already exists.").arg(QDir::toNativeSeparators(FileName)),
                        tr("Do you want to replace it?"));
}

void TFrmMain::onAbout()
{
    TFocusReturn FocusBack(this);
    if (AboutFn)
        AboutFn();
}

void TFrmMain::onSetup()
{
    TFocusReturn FocusBack(this);
    if (SetupFn)
        SetupFn();
    FSession.ViewList().ShortenURLs = FSettings.isAmazonShort;
    // Changed browser paths show in the menu at once.
    UpdateActions();
}

// ---- Context-menu commands --------------------------------------------------------------

bool TFrmMain::SelectedWebAddress(QString& URL)
{
    const int Row = FirstSelectedRow();
    if (Row < 0 || Row >= FSession.List().Count())
        return false;
    URL = FSession.List().at(Row).URL;
    // The shell and the browsers take anything else for a local file or a script.
    if (IsWebAddress(URL))
        return true;
    TFocusReturn FocusBack(this);
    ShowAppError(this, tr("\"%1\" is not a web address, so it is not opened.").arg(URL));
    return false;
}

void TFrmMain::onOpen()
{
    QString URL;
    if (SelectedWebAddress(URL) && ShellOpenFn)
        ShellOpenFn(URL);
}

void TFrmMain::OpenInBrowser(const QString& Path)
{
    QString URL;
    if (SelectedWebAddress(URL) && StartProgramFn)
        StartProgramFn(Path, URL);
}

void TFrmMain::onOpenIn(TBrowser Browser)
{
    OpenInBrowser(FSettings.*BrowserPrograms()[std::size_t(Browser)].Path);
}

void TFrmMain::onSaveAsShortcut()
{
    const int s = SelectedCount();
    if (s == 1) {
        TFileDialogRequest R;
        R.Kind = TFileDialogRequest::SaveFile;
        R.Title = tr("Save Bookmark File", "shortcut file dialog");
        R.OkLabel = tr("Save", "shortcut file dialog");
        R.StrictFileTypes = R.PathMustExist = true;
        R.Filters = {tr("Internet Shortcut File") + QStringLiteral(" (*.url)")};
        const int Row = FirstSelectedRow();
        // The entry's title is offered as the name, made safe as the folder export does.
        const TWebSiteList& List = FSession.List();
        if (Row < List.Count() && !List.at(Row).Title.trimmed().isEmpty())
            R.FileName = SanitizeFileName(List.at(Row).Title.simplified()) + QStringLiteral(".url");
        const QStringList Chosen = RunFileDialog(R);
        if (Chosen.isEmpty() || Row >= List.Count())
            return;
        const QString FileName = WithExtension(Chosen.first(), QStringLiteral(".url"));
        if (!ConfirmReplace(R.Title, FileName))
            return;
        WebSiteSaveToUrlFile(List.at(Row), FileName);
        ShowSavedStatus(1, FileName);
    } else if (s > 1) {
        SyncSelection();
        SaveSelectedToFolder();
    }
}

void TFrmMain::onPropertiesKey()
{
    if (SelectedCount() == 0) {
        ShowStatus(
            tr("Select an entry first: Alt+Enter shows the properties of the selected entries."));
        return;
    }
    onProperties();
}

void TFrmMain::onProperties()
{
    SyncSelection();
    TFocusReturn FocusBack(this);
    FSession.Change(tr("Property"), [&](TWebSiteList& List) {
        if (PropertyFn && PropertyFn(List))
            RefreshListView();
    });
}

void TFrmMain::onDeleteSelected()
{
    SyncSelection();
    const qsizetype CountBefore = FSession.List().Count();
    FSession.Change(tr("Delete"), [&](TWebSiteList& List) {
        WebSitesDeleteSelected(List);
        RefreshListView();
        ClearSelection();
    });
    const qsizetype Deleted = CountBefore - FSession.List().Count();
    if (Deleted > 0)
        ShowUndoableStatus(Deleted == 1 ? tr("Deleted 1 entry.")
                                        : tr("Deleted %1 entries.").arg(Deleted));
}
