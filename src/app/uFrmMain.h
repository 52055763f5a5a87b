#pragma once
// The main window: the bookmark list in a virtual six-column view, the search box
// with its history, the toolbar and context-menu commands, the drop handler and the
// banner strip. The list itself, its undo, sort, filter and changed state are the
// session's (uListSession.h); the window shows them and asks it to change them.

#include "uBaseBookmarkFile.h"
#include "uListSession.h"
#include "uWriteCheck.h"
#include <app/uBrowserCommands.h>
#include <app/uFileDialog.h>

#include <model/uBrowserProfiles.h>
#include <model/uWebSiteDuplicates.h>
#include <model/uWebSiteList.h>
#include <net/uIconFetch.h>
#include <net/uLinkCheck.h>
#include <settings/uSetupData.h>

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QTimer;
class TBookmarkListView;
class TListReads;
class TListStatusBar;
class TEmptyListHint;
class TFrmReports;
class TReportLog;
struct TReport;
struct TAddRequest;
class TTileButton;
class TListUndo;
class TWebSiteTableModel;

namespace Ui {
class TFrmMain;
}

class TFrmMain : public QWidget
{
    Q_OBJECT
public:
    // Settings and Browsers belong to the caller and must outlive the window; the
    // window reads the browser availability each time it shows its menu.
    TFrmMain(TSetupData& Settings, const TBrowserAvailability& Browsers, QWidget* Parent = nullptr);
    ~TFrmMain() override;

    // ---- Outside services, replaceable so tests can answer them without a modal loop.
    // Shows a file dialog; returns the chosen paths, empty when cancelled.
    std::function<QStringList(const TFileDialogRequest&)> FileDialogFn;
    // The delete confirmation (window caption, main instruction, text); true on OK.
    std::function<bool(const QString&, const QString&, const QString&)> ConfirmFn;
    // Opens an address with the default browser.
    std::function<void(const QString&)> ShellOpenFn;
    // Starts a program with one argument, detached; failures are silent.
    std::function<void(const QString&, const QString&)> StartProgramFn;
    // The three dialogs (Property returns true when the user confirmed).
    std::function<bool(TWebSiteList&)> PropertyFn;
    std::function<void()> AboutFn;
    std::function<void()> SetupFn;
    // Find duplicates: shows the near-duplicate groups of the list and returns the
    // merges the user chose (none when closed).
    std::function<std::vector<TDuplicateMerge>(const TWebSiteList&)> DuplicatesFn;
    // Limits of Fetch missing icons (tests shorten the time limit).
    TIconFetchOptions IconFetchOptions;
    TLinkCheckOptions LinkCheckOptions;
    // Asked before the window closes when a file the exit writes cannot be written;
    // Text lists every file and reason.
    enum TExitChoice
    {
        ExitSaveElsewhere,
        ExitCloseAnyway,
        ExitCancel
    };
    std::function<TExitChoice(const QString& Text)> ExitProblemFn;
    // The browser profiles of this computer; their counts may be left to the dialog.
    std::function<QList<TBrowserProfile>()> FindProfilesFn;
    // The import-from-browsers dialog: the bookmark files of the profiles the user
    // checked, empty when cancelled.
    std::function<QStringList(const QList<TBrowserProfile>&)> BrowserImportFn;

    // ---- Start and end.
    // Readies the window and starts reading the base bookmark file on a thread of
    // its own; the list appears when the read is done (TakeBaseFileRead).
    void LoadAtStart();
    // Right after the start: when the base bookmark file is in use but does not exist
    // yet and the list is empty (a first start), offers the import from browsers if
    // any profile holds bookmarks.
    void OfferBrowserImportAtStart();
    // The base file is still being read: the commands that change or save the
    // list wait, drops and outside paths are kept until it is done.
    bool IsReadingBaseFile() const;
    // Waits for a running read of the base file and shows its list now.
    void WaitForBaseFileRead();
    // The writes at exit: search history, base bookmark file, history copy. Each
    // write that fails is reported and the others still run.
    void SaveAtExit();
    // After the writes at exit: the list is left to the system instead of being
    // freed record by record (seconds for a million entries).
    void LeaveListAtExit();
    // Takes what reading the base bookmark file at start gave: shows the list, and
    // when the file could not be read, says so (status line and message) and keeps
    // the file from being replaced at exit. Also runs when a read finishes later.
    void ApplyBaseFileRead(const TBaseFileRead& Read);
    const TBaseFileRead& BaseFileRead() const { return FSession.BaseFile(); }
    // The files the exit would write that cannot be written now, with the reasons.
    QList<TWriteProblem> ExitWriteProblems() const;
    // Whether the window may close: every exit write can be done, or the user has
    // saved the list elsewhere or chosen to close anyway. The files that cannot be
    // written are listed only when the session changed something they would keep.
    bool QueryClose();
    // The list, the search history or the settings changed since the start.
    bool HasChangesToLose() const;
    // The close already told the user what cannot be written (or there was nothing
    // to lose): the exit's writes, the settings' too, fail without a message.
    bool ExitWritesQuietly() const { return FExitQuietly; }
    // Paths from the command line or from a second start: added like dropped files,
    // and the window comes to the front. Waits while a dialog is open.
    void OpenPathsFromOutside(const QStringList& Paths);

    // ---- Adds read in the background (uListReads.h).
    // Adds, drops and outside paths of many or large files, or of folders, are read
    // on a thread of their own into a list of their own, with the progress and a
    // Cancel button over the list; the list stays in use meanwhile. Once read, they
    // are added to the list as it is then, as one undo step, with the same counts
    // and errors a read on the window's thread gives. Adds asked for meanwhile wait
    // their turn. A cancel (the button, or closing the window) adds nothing.
    bool IsAdding() const;
    void CancelAdds();
    // How the window reads in the background; tests change its thresholds.
    TListReads& Reads() { return *FReads; }

    // ---- The list.
    TWebSiteList& WebSiteList() { return FSession.ViewList(); }
    TListSession& Session() { return FSession; }
    int ListViewSortIndex() const { return FSession.SortIndex(); }
    // Sorts the list, shows its visible run and selects again the entries that were
    // selected (the current one kept in view, or the list scrolled to its top).
    void RefreshListView(bool ScrollToTop = false);
    void SyncSelection();
    void MarkAllRowsSelected();
    int SelectedCount() const;
    QList<int> SelectedRows() const;
    void SelectRows(const QList<int>& Rows);
    void ClearSelection();

    // ---- Event handlers.
    // Shares the list's width between the six columns.
    void FitColumnsToList();
    void onHeaderClicked(int Column);
    void onListDoubleClicked();
    // Enter and Delete on the list (TBookmarkListView asks): open a single selected
    // entry; ask, then delete the selected ones.
    void onListOpenRequested();
    void onListDeleteRequested();
    void onSearch();
    void onProductLinkClicked();
    void onBannerClicked();
    void onBannerTimer();
    // Keeps the banner picture centred in its strip.
    void CentreBanner();

    // ---- Commands.
    void onAddFiles();
    void onAddFolder();
    void onImportFromBrowsers();
    void onSaveHtml();
    void onSaveToFolder();
    void onClearAll();
    void onAbout();
    void onSetup();
    void onOpen();
    // Opens the single selected entry with one of the browser programs of Setup.
    void onOpenIn(TBrowser Browser);
    void onSaveAsShortcut();
    void onProperties();
    void onPropertiesKey();
    void onDeleteSelected();
    // Merges the near-duplicates the user chooses, as one undo step.
    void onFindDuplicates();
    // Asks the sites of the selected entries without an icon for theirs, with a
    // progress dialog and Cancel; one undo step.
    void onFetchMissingIcons();
    // AllShown: every entry the list shows, else the selected ones.
    void onCheckLinks(bool AllShown);
    void onReplaceMovedAddresses();
    void onShowOnlyProblems();
    // The Check tile: the link commands as a menu under the tile.
    void onLinkCheckTile();
    // Runs every action's update rule (enabled, visible, caption).
    void UpdateActions();
    // Undo and redo of the list's changes (Ctrl+Z, Ctrl+Shift+Z, context menu).
    TListUndo* ListUndo() const { return &FSession.Undo(); }
    QAction* UndoAction() const;
    QAction* RedoAction() const;

    // The reports of this session's adds, drops, imports, checks and merges, in their
    // dialog (not modal: it may stay open beside the list).
    void onShowReports();
    TReportLog& ReportLog() const { return *FReportLog; }
    TFrmReports* reportsDialog() const { return FReportsDialog; }
    // The strip under the list with the counts, and the hint of an empty list.
    TListStatusBar* listStatusBar() const { return FListStatus; }
    TEmptyListHint* emptyListHint() const { return FEmptyHint; }

    // A drop onto the list: a URL and title, or the file-drop marker with the paths.
    void onDrop(const QString& URL, const QString& Title, const QStringList& DroppedFileNames);

    // ---- Parts, for the program and its tests.
    TBookmarkListView* bookmarkList() const;
    QComboBox* searchBox() const;
    QMenu* contextMenu() const { return FContextMenu; }
    QMenu* linkCheckMenu() const { return FLinkCheckMenu; }
    TWebSiteTableModel* Model() const { return FModel; }
    QAction* openAction = nullptr;
    // "Open by" one of the browser programs, in the order of BrowserCommands().
    QAction* openInAction(TBrowser Browser) const { return FOpenInActions[std::size_t(Browser)]; }
    QAction* saveAsShortcutAction = nullptr;
    QAction* propertiesAction = nullptr;
    // Alt+Enter anywhere in the window: the selection's properties, or why not.
    QAction* propertiesKeyAction = nullptr;
    QAction* deleteAction = nullptr;
    QAction* findDuplicatesAction = nullptr;
    QAction* fetchIconsAction = nullptr;
    QAction* checkLinksAction = nullptr;
    QAction* checkAllLinksAction = nullptr;
    QAction* replaceMovedAction = nullptr;
    QAction* showOnlyProblemsAction = nullptr;
    // Checkable: a link check also brings the missing icons (kept in the settings).
    QAction* linkCheckIconsAction = nullptr;
    // The window's keyboard commands (their keys are shown in the tiles' hints).
    QAction* addFilesAction = nullptr;
    QAction* addFolderAction = nullptr;
    QAction* importBrowsersAction = nullptr;
    QAction* saveHtmlAction = nullptr;
    QAction* saveToFolderAction = nullptr;
    QAction* setupAction = nullptr;
    QAction* aboutAction = nullptr;
    QAction* findAction = nullptr;
    QAction* reportsAction = nullptr;
    QLabel* productLinkLabel() const;
    QLabel* bannerImage() const;
    // The toolbar tiles from left to right: add files, add folder, import from
    // browsers, save HTML, save to folder, check links, clear all, setup, about.
    QList<TTileButton*> Tiles() const;
    // The transient status text shown after adds and drops ("" when none).
    QString StatusText() const;
    QTimer* bannerTimer() const { return FBannerTimer; }

    // Runs one step through the application's error display, then refreshes the
    // actions' state. Returns true when the step finished without an error.
    bool Guard(const std::function<void()>& Step);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;

private:
    void CreateActions();
    void CreateKeyboardCommands();
    void CreateDuplicatesCommand();
    void CreateFetchIconsCommand();
    void CreateLinkCheckCommands();
    void SetTabOrder();
    // Moves the keyboard focus to the search box with its text selected.
    void FocusSearchBox();
    // The selection as marks on the entries (Selected) and the current entry's URL.
    void RememberSelection();
    void RestoreSelection(bool ScrollToTop);
    void ShowSortIndicator();
    // The narrowest window whose title strip holds its labels side by side.
    void FitMinimumWidthToTitle();
    void ShowSavedStatus(qsizetype Count, const QString& Where);
    // What a command did to the list, with how to undo it.
    void ShowUndoableStatus(const QString& What);
    // Asked before a save replaces FileName; true when it does not exist yet.
    bool ConfirmReplace(const QString& Caption, const QString& FileName);
    // Shows the list for the entries' Selected marks as they are (after an undo).
    void ShowListByMarks();
    void SetupTiles();
    void SetupFonts();
    // Sets every caption, hint and column title in the language of the locale.
    void ApplyTexts();
    void AttachDropTarget();
    void DetachDropTarget();
    void ShowFirstBanner();
    void SaveSelectedToFolder();
    // The Save bookmark file dialog and the write; false when cancelled.
    bool SaveListAs();
    void OpenInBrowser(const QString& Path);
    // The selected row's URL when it is a web address; otherwise tells the user and
    // gives false.
    bool SelectedWebAddress(QString& URL);
    int FirstSelectedRow() const;
    void PlaceHeaderLabels();
    // Add files / Add folder / import: read the paths, then select what came, tell counts.
    void AddChosenPaths(const QStringList& Paths, bool Import = false);
    // Selects the entries from From on (what an add appended) and shows the first.
    void SelectAddedEntries(qsizetype From);
    void CreateStatusParts();
    void ApplyStatusTexts();
    // The counts under the list; ListChanged: the entries changed, not only the selection.
    void UpdateCounts(bool ListChanged);
    qsizetype SelectedRowCount() const;
    // Keeps a report for the reports dialog and names it under the list.
    void AddReport(TReport Report);
    // Adds what was gathered (or the dropped link) to the list as one undo step.
    void MergeAdd(const TAddRequest& Request, TWebSiteList&& Gathered);
    // A command or dialog is running: the list must not change under it now.
    bool ListInUse() const;
    // What is told after an add: What names it ("Add", "Drop", "Import").
    void ShowAddStatus(const QString& What);
    void ShowStatus(const QString& Text, bool Lasting = false);
    void PlaceStatusLabel();
    // Imports the bookmark files of the profiles the user checks among Profiles.
    void ImportBrowserProfiles(const QList<TBrowserProfile>& Profiles);
    QList<TBrowserProfile> FindProfilesWithWaitCursor();
    // Takes the list the background read of the base file gave and shows it.
    void TakeBaseFileRead(TWebSiteList&& List, TBaseFileRead Read, int SortIndex,
                          const QString& Error);
    QStringList RunFileDialog(const TFileDialogRequest& Request);

    std::unique_ptr<Ui::TFrmMain> ui;
    TSetupData& FSettings;
    const TBrowserAvailability& FBrowsers;
    // Before every member that refers to its list (the table model).
    TListSession FSession;
    TWebSiteTableModel* FModel = nullptr;
    QMenu* FContextMenu = nullptr;
    QMenu* FLinkCheckMenu = nullptr;
    std::array<QAction*, BrowserCount> FOpenInActions{};
    QTimer* FBannerTimer = nullptr;
    // The number of the banner picture shown; -1 before the first one.
    int FBannerIndex = -1;
    QLabel* FStatusLabel = nullptr;
    QTimer* FStatusTimer = nullptr;
    QObject* FDropURLTarget = nullptr;
    QString FCurrentURL;
    // Set once the user resizes a column: from then on the widths are the user's.
    bool FColumnsSizedByUser = false;
    bool FFittingColumns = false;
    QString FOpenDialogDir;
    QStringList FPendingPaths;
    TListReads* FReads = nullptr;
    TReportLog* FReportLog = nullptr;
    TListStatusBar* FListStatus = nullptr;
    TEmptyListHint* FEmptyHint = nullptr;
    TFrmReports* FReportsDialog = nullptr;
    // Commands running (more than one only inside a dialog's event loop).
    int FCommandDepth = 0;
    bool FDestroyed = false;
    // What the close compares with: the search history and settings at the start
    // (whether the list changed since, the session knows).
    QStringList FSearchHistoryAtStart;
    TSetupData FSettingsAtStart;
    bool FExitQuietly = false;
};
