#pragma once
// Every text of the windows that has an English and a Japanese form, in one table
// (uTexts.cpp). The language is chosen at each call from the user's locale, so a
// text picked when a dialog opens follows the locale of that moment; the captions
// set when a window is built keep the language of the start.

#include <QString>

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
    SearchButton,
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
    ReadingProgress,
    CancelButton,
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
    // Setup dialog (English under every locale).
    BrowseIETitle,
    BrowseFirefoxTitle,
    BrowseChromeTitle,
    BrowseVivaldiTitle,
    BrowseTorBrowserTitle,
    BrowsePaleMoonTitle,
    HistoryClearedMessage,

    Count
};

// The text in the language of the user's locale.
QString Text(TText Id);
// Both forms, for tests and for places that must not depend on the locale.
QString EnglishText(TText Id);
QString JapaneseText(TText Id);
// True when the windows speak Japanese: the one place that asks the locale.
bool UseJapaneseTexts();
