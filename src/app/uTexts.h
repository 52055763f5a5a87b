#pragma once
// Every text of the windows that has an English and a Japanese form, in one table
// (uTexts.cpp). The language is chosen at each call from the user's locale, so a
// text picked when a dialog opens follows the locale of that moment; the captions
// set when a window is built keep the language of the start.

#include <QString>

class QTranslator;

enum class TText
{
    // Main window.
    MainWindowTitle,
    ProductPage,
    AddTileCaption,
    SaveTileCaption,
    ClearAllTileCaption,
    AboutTileCaption,
    SetupTileCaption,
    AddFilesHint,
    AddFolderHint,
    SaveHtmlHint,
    SaveToFolderHint,
    ClearAllHint,
    SetupHint,
    AboutHint,
    AddFilesDescription,
    AddFolderDescription,
    SaveHtmlDescription,
    SaveToFolderDescription,
    ClearAllDescription,
    SetupDescription,
    AboutDescription,
    SearchButton,
    SearchButtonName,
    SearchBoxName,
    BookmarkListName,
    ProductLinkName,
    BannerName,
    ColumnTitle,
    ColumnURL,
    ColumnCategory,
    ColumnComment,
    OpenAction,
    OpenInIEAction,
    OpenInFirefoxAction,
    OpenInChromeAction,
    OpenInVivaldiAction,
    OpenInTorBrowserAction,
    OpenInPaleMoonAction,
    SaveAsShortcutAction,
    PropertyAction,
    PropertiesAction,
    DeleteItemAction,
    DeleteItemsAction,
    DeleteConfirmCaption,
    DeleteConfirmTitle,
    DeleteConfirmText,
    AddStatus,
    NoBookmarksFound,
    ReadingProgress,
    CancelButton,
    AddCancelledStatus,
    SavedStatus,
    SavedOneStatus,
    FolderMissing,
    // Main window file dialogs.
    AddFilesDialogTitle,
    AddFilesDialogOk,
    AllBookmarkFilesFilter,
    InternetShortcutFilesFilter,
    PinnedWebsiteFileFilter,
    BookmarkFileFilter,
    AddFolderDialogTitle,
    AddFolderDialogOk,
    SaveHtmlDialogTitle,
    SaveHtmlDialogOk,
    SaveToFolderDialogTitle,
    SaveToFolderDialogOk,
    SaveShortcutDialogTitle,
    SaveShortcutDialogOk,
    InternetShortcutFileFilter,
    // Property dialog.
    PropertyDialogTitle,
    PropertyTitle,
    PropertyURL,
    PropertyCategory,
    PropertyIconURL,
    PropertyDate,
    PropertyComment,
    PropertyRestore,
    PropertyOk,
    PropertyCancel,
    VariousValues,
    // About dialog.
    AboutDialogTitle,
    // Find duplicates dialog.
    FindDuplicatesAction,
    DuplicatesDialogTitle,
    DuplicatesExplanation,
    DuplicatesListName,
    DuplicatesSummary,
    DuplicatesSummaryOne,
    DuplicatesNone,
    DuplicatesGroupCaption,
    DuplicatesMergeHint,
    DuplicatesKeepHint,
    DuplicatesColumnDate,
    MergeCheckedButton,
    MergeAllButton,
    DuplicatesCloseButton,
    UndoMergeDuplicates,
    MergedDuplicatesStatus,
    // Fetch missing icons.
    FetchIconsAction,
    FetchIconsProgress,
    FetchIconsStatus,
    FetchIconsCancelledStatus,
    FetchIconsNoneMissing,
    UndoFetchIcons,
    // Setup dialog (English under every locale).
    BrowseIETitle,
    BrowseFirefoxTitle,
    BrowseChromeTitle,
    BrowseVivaldiTitle,
    BrowseTorBrowserTitle,
    BrowsePaleMoonTitle,
    HistoryClearedMessage,
    // Safe keeping: addresses, the base file, undo, closing, a second start.
    NotAWebAddress,
    PropertyNotWebAddress,
    PropertyKeepAddress,
    PropertyEditAddress,
    BaseFileNotRead,
    BaseFileUnreadable,
    BaseFileKept,
    BaseFileKeptStatus,
    SavedElsewhereStatus,
    UndoAction,
    RedoAction,
    UndoAdd,
    UndoDrop,
    UndoDelete,
    UndoClearAll,
    UndoProperty,
    ExitCheckTitle,
    ExitCheckText,
    ExitCheckBaseKept,
    ExitCheckQuestion,
    ExitSaveElsewhere,
    ExitCloseAnyway,
    AlreadyRunning,
    // Import from browsers.
    ImportBrowsersTileCaption,
    ImportBrowsersHint,
    ImportBrowsersDescription,
    BrowserImportDialogTitle,
    BrowserImportIntro,
    BrowserImportColumnBrowser,
    BrowserImportColumnProfile,
    BrowserImportColumnBookmarks,
    BrowserImportUnreadable,
    BrowserImportCounting,
    BrowserImportOk,
    BrowserImportListName,
    NoBrowserProfilesFound,
    BrowserBookmarkFilesFilter,
    // What a command did, and how to take it back.
    PropertiesNeedSelection,
    ReplaceFileTitle,
    ReplaceFileText,
    DeletedStatus,
    DeletedOneStatus,
    ClearedStatus,
    UndoHint,
    SearchHistoryName,

    Count
};

// The text in the language of the user's locale.
QString Text(TText Id);
// Both forms, for tests and for places that must not depend on the locale.
QString EnglishText(TText Id);
QString JapaneseText(TText Id);
// True when the windows speak Japanese: the one place that asks the locale.
bool UseJapaneseTexts();

// Loads Qt's own texts (file dialogs, message box buttons) for the windows'
// language into Translator: true under a Japanese locale when the "qtbase"
// translation is installed. The caller installs the translator.
bool LoadQtTranslation(QTranslator& Translator);
