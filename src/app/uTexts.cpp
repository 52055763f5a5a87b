#include <app/uTexts.h>

#include <platform/uOsServices.h>

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <array>

namespace {

struct TTextRow
{
    TText Id;
    const char16_t* English;
    const char16_t* Japanese;
};

// One row per text, in the order of TText (checked at compile time below).
constexpr std::array<TTextRow, size_t(TText::Count)> Table = {{
    {TText::MainWindowTitle, u"Zorvel - Internet Bookmark Manager", u"Zorvel - Bookmark管理ツール"},
    {TText::ProductPage, u"https://zorvel.example.org/", u"https://zorvel.example.org/ja/"},
    {TText::AddTileCaption, u"Add", u"追加"},
    {TText::SaveTileCaption, u"Save", u"保存"},
    {TText::ClearAllTileCaption, u"Clear All", u"全削除"},
    {TText::AboutTileCaption, u"About", u"..について"},
    {TText::SetupTileCaption, u"Setup", u"設定"},
    // The tiles' hints, also their accessible names; the descriptions tell more.
    {TText::AddFilesHint, u"Add Files", u"ファイルを追加"},
    {TText::AddFolderHint, u"Add Folder", u"フォルダを追加"},
    {TText::SaveHtmlHint, u"Save Bookmark File", u"ブックマークファイルを保存"},
    {TText::SaveToFolderHint, u"Save to Folder", u"フォルダに保存"},
    {TText::ClearAllHint, u"Clear All", u"全削除"},
    {TText::SetupHint, u"Setup", u"設定"},
    {TText::AboutHint, u"About", u"このアプリケーションについて"},
    {TText::AddFilesDescription,
     u"Adds Internet Shortcut, pinned website and bookmark HTML files to the list",
     u"インターネットショートカット、ピン留めサイト、ブックマークファイルをリストに追加します"},
    {TText::AddFolderDescription,
     u"Adds every Internet Shortcut and pinned website of a folder and its subfolders",
     u"フォルダとサブフォルダのインターネットショートカットとピン留めサイトをすべて追加します"},
    {TText::SaveHtmlDescription, u"Saves all bookmarks in one bookmark HTML file",
     u"すべてのブックマークを1つのブックマークファイルに保存します"},
    {TText::SaveToFolderDescription,
     u"Saves the listed bookmarks as Internet Shortcut files in a folder",
     u"表示されているブックマークをインターネットショートカットとしてフォルダに保存します"},
    {TText::ClearAllDescription, u"Removes every bookmark from the list",
     u"リストからすべてのブックマークを削除します"},
    {TText::SetupDescription, u"Browser paths and options", u"ブラウザのパスとオプション"},
    {TText::AboutDescription, u"Version and product page", u"バージョンと製品ページ"},
    {TText::SearchButton, u"Search", u"Search"},
    {TText::SearchButtonName, u"Search", u"検索"},
    {TText::SearchBoxName, u"Search text", u"検索する文字列"},
    {TText::BookmarkListName, u"Bookmarks", u"ブックマーク"},
    {TText::ProductLinkName, u"Product page", u"製品ページ"},
    {TText::BannerName, u"Banner", u"バナー"},
    {TText::ColumnTitle, u"Title", u"タイトル"},
    {TText::ColumnURL, u"URL", u"URL"},
    {TText::ColumnCategory, u"Category", u"カテゴリ"},
    {TText::ColumnComment, u"Comment", u"コメント"},
    {TText::ColumnTags, u"Tags", u"タグ"},
    {TText::OpenAction, u"&Open", u"(&O)既定のWebブラウザで開く"},
    {TText::OpenInIEAction, u"Open by &Internet Explorer", u"(&I)Internet Explorerで開く"},
    {TText::OpenInFirefoxAction, u"Open by &Firefox", u"(&F)Firefoxで開く"},
    {TText::OpenInChromeAction, u"Open by &Chrome", u"(&C)Chromeで開く"},
    {TText::OpenInVivaldiAction, u"Open by &Vivaldi", u"(&V)Vivaldiで開く"},
    {TText::OpenInTorBrowserAction, u"Open By &Tor Browser", u"(&T)Tor Browserで開く"},
    {TText::OpenInPaleMoonAction, u"Open By &Pale Moon", u"(&P)Pale Moonで開く"},
    {TText::SaveAsShortcutAction, u"&Save as Shortcut",
     u"(&S)インターネットショートカットとして保存..."},
    {TText::PropertyAction, u"&Property", u"(&P)プロパティ"},
    {TText::PropertiesAction, u"&Properties", u"(&P)プロパティ"},
    {TText::DeleteItemAction, u"&Delete Item", u"(&D)選択された項目を削除"},
    {TText::DeleteItemsAction, u"&Delete Items", u"(&D)選択された項目を削除"},
    {TText::DeleteConfirmCaption, u"Delete Items", u"ショートカットを削除"},
    {TText::DeleteConfirmTitle, u"Delete Selected Items", u"ショートカットを削除します"},
    {TText::DeleteConfirmText, u"Are you sure to delete these items?",
     u"選択されたショートカットを削除してもよろしいですか？"},
    {TText::AddStatus, u"Added %1, merged %2, skipped %3", u"追加 %1、統合 %2、スキップ %3"},
    {TText::NoBookmarksFound, u"no bookmarks found in %1", u"ブックマークが見つかりません: %1"},
    {TText::NotABookmarkFile, u"not a bookmark file: %1",
     u"ブックマークファイルではありません: %1"},
    {TText::RowsLeftOut, u"%1 rows left out, first: %2", u"読み込めなかった行: %1 件 (最初: %2)"},
    {TText::ReadingProgress, u"Reading bookmarks…", u"ブックマークを読み込み中…"},
    {TText::CancelButton, u"Cancel", u"キャンセル"},
    {TText::AddCancelledStatus, u"Reading cancelled: nothing was added",
     u"読み込みを中止しました。何も追加されていません"},
    {TText::SavedStatus, u"Saved %1 bookmarks to %2", u"%1 件のブックマークを %2 に保存しました"},
    {TText::SavedOneStatus, u"Saved 1 bookmark to %1", u"1 件のブックマークを %1 に保存しました"},
    {TText::FolderMissing, u"The folder \"%1\" does not exist.", u"フォルダ「%1」がありません。"},
    {TText::AddFilesDialogTitle, u"Open Internet Shortcut / Pinned Website / Bookmark Files",
     u"インターネットショートカット/ピン留めサイト/ブックマークファイルを開く"},
    {TText::AddFilesDialogOk, u"Open Files", u"開く"},
    {TText::AllBookmarkFilesFilter, u"All Files", u"開くことができるファイル"},
    {TText::InternetShortcutFilesFilter, u"Internet Shortcut Files",
     u"インターネットショートカット"},
    {TText::PinnedWebsiteFileFilter, u"Pinned Website File", u"ピン留めサイト"},
    {TText::BookmarkFileFilter, u"Bookmark File", u"ブックマークファイル"},
    {TText::AddFolderDialogTitle, u"Open Internet Shortcuts and Pinned Websites from Folder",
     u"フォルダの中のインターネットショートカットとピン留めサイトを開く"},
    {TText::AddFolderDialogOk, u"Open Folder", u"フォルダを開く"},
    {TText::SaveHtmlDialogTitle, u"Save Bookmark File", u"ブックマークファイルを保存"},
    {TText::SaveHtmlDialogOk, u"Save", u"保存"},
    {TText::SaveToFolderDialogTitle, u"Save Internet Shortcuts to Folder",
     u"指定されたフォルダにインターネットショートカットファイルを保存"},
    {TText::SaveToFolderDialogOk, u"Save to Folder", u"フォルダに保存"},
    {TText::SaveShortcutDialogTitle, u"Save Bookmark File", u"Save Bookmark File"},
    {TText::SaveShortcutDialogOk, u"Save", u"Save"},
    {TText::InternetShortcutFileFilter, u"Internet Shortcut File", u"Internet Shortcut File"},
    {TText::PropertyDialogTitle, u"Property", u"プロパティ"},
    {TText::PropertyTitle, u"Title:", u"タイトル:"},
    {TText::PropertyURL, u"URL:", u"URL:"},
    {TText::PropertyCategory, u"Category:", u"カテゴリ:"},
    {TText::PropertyIconURL, u"IconURL:", u"アイコン:"},
    {TText::PropertyDate, u"Date:", u"日付:"},
    {TText::PropertyComment, u"Comment:", u"コメント:"},
    {TText::PropertyTags, u"Tags:", u"タグ:"},
    {TText::PropertyKeyword, u"Keyword:", u"キーワード:"},
    {TText::PropertyModified, u"Last changed: %1", u"最終更新: %1"},
    {TText::PropertyTagsOfAll, u"Tags all of them have (comma-separated)",
     u"すべてに共通のタグ (カンマ区切り)"},
    {TText::PropertyRestore, u"Restore", u"元に戻す"},
    {TText::PropertyOk, u"OK", u"更新"},
    {TText::PropertyCancel, u"Cancel", u"キャンセル"},
    {TText::VariousValues, u"(Various Values)", u"(様々な値)"},
    {TText::AboutDialogTitle, u"About", u"このアプリケーションについて"},
    {TText::FindDuplicatesAction, u"Find &duplicates…", u"(&D)重複を検索…"},
    {TText::DuplicatesDialogTitle, u"Find duplicates", u"重複の検索"},
    {TText::DuplicatesExplanation,
     u"These entries lead to the same page under different addresses. Tick the groups to merge; in "
     u"each group "
     u"the ticked entry stays and the others are merged into it (comments joined, the earliest "
     u"date kept).",
     u"次のエントリは、アドレスの書き方が違うだけで同じページを指しています。統合するグループにチェ"
     u"ックを付けて"
     u"ください。各グループでチェックしたエントリが残り、ほかのエントリはそこに統合されます "
     u"(コメントは連結、"
     u"登録日は最も古い日付)。"},
    {TText::DuplicatesListName, u"Groups of duplicates", u"重複のグループ"},
    {TText::DuplicatesSummary, u"%1 groups, %2 entries in all", u"%1グループ、計%2件"},
    {TText::DuplicatesSummaryOne, u"1 group of %1 entries", u"1グループ、計%1件"},
    {TText::DuplicatesNone, u"No duplicates found.",
     u"重複しているエントリは見つかりませんでした。"},
    {TText::DuplicatesGroupCaption, u"%1 entries", u"%1件"},
    {TText::DuplicatesMergeHint, u"Merge this group", u"このグループを統合する"},
    {TText::DuplicatesKeepHint, u"The entry that stays", u"残すエントリ"},
    {TText::DuplicatesColumnDate, u"Added", u"登録日"},
    {TText::MergeCheckedButton, u"&Merge checked", u"チェックしたグループを統合(&M)"},
    {TText::MergeAllButton, u"Merge &all", u"すべて統合(&A)"},
    {TText::DuplicatesCloseButton, u"Close", u"閉じる"},
    {TText::UndoMergeDuplicates, u"Merge Duplicates", u"重複の統合"},
    {TText::MergedDuplicatesStatus, u"Duplicates merged: %1 entries became %2",
     u"重複を統合しました: %1件 → %2件"},
    {TText::FetchIconsAction, u"Fetch &missing icons", u"(&M)不足しているアイコンを取得"},
    {TText::FetchIconsProgress, u"Fetching icons: %1 of %2 sites",
     u"アイコンを取得中: %1 / %2 サイト"},
    {TText::FetchIconsStatus, u"Icons found for %1 of %2 sites",
     u"%2 サイト中 %1 サイトのアイコンが見つかりました"},
    {TText::FetchIconsCancelledStatus, u"Fetching icons cancelled: icons found for %1 of %2 sites",
     u"アイコンの取得を中止しました: %2 サイト中 %1 サイトのアイコンが見つかりました"},
    {TText::FetchIconsNoneMissing, u"Every selected entry has an icon, or none is a web address",
     u"選択した項目はすべてアイコンがあるか、Webアドレスではありません"},
    {TText::UndoFetchIcons, u"Fetch Icons", u"アイコンの取得"},
    {TText::ColumnLink, u"Link", u"リンク"},
    {TText::CheckLinksAction, u"Check &links", u"(&L)リンクを確認"},
    {TText::CheckAllLinksAction, u"Check links of all shown entries",
     u"表示中のすべての項目のリンクを確認"},
    {TText::CheckLinksProgress, u"Checking links: %1 of %2\n%3", u"リンクを確認中: %1 / %2 件\n%3"},
    {TText::CheckLinksStatus, u"Checked %1 links: %2 work, %3 with problems; %4 titles filled in",
     u"%1 件のリンクを確認しました: 正常 %2 件、問題あり %3 件、タイトルを補った項目 %4 件"},
    {TText::CheckLinksCancelledStatus,
     u"Link check cancelled: %1 links checked, %2 work, %3 with problems; %4 titles filled in",
     u"リンクの確認を中止しました: 確認済み %1 件 (正常 %2 件、問題あり %3 "
     u"件)、タイトルを補った項目 %4 件"},
    {TText::CheckLinksNone, u"None of these entries is a web address",
     u"Webアドレスの項目がありません"},
    {TText::UndoCheckLinks, u"Check Links", u"リンクの確認"},
    {TText::ReplaceMovedAction, u"&Replace moved addresses", u"(&R)移転先のアドレスに置き換える"},
    {TText::UndoReplaceMoved, u"Replace Moved Addresses", u"移転先アドレスへの置き換え"},
    {TText::ReplaceMovedStatus, u"%1 addresses replaced by their new ones",
     u"%1 件のアドレスを移転先に置き換えました"},
    {TText::ShowOnlyProblemsAction, u"Show only link &problems",
     u"(&P)リンクに問題がある項目だけを表示"},
    {TText::LinkOk, u"OK", u"正常"},
    {TText::LinkMoved, u"Moved", u"移転"},
    {TText::LinkGone, u"Gone", u"消滅"},
    {TText::LinkServerError, u"Server error", u"サーバーエラー"},
    {TText::LinkBlocked, u"Blocked", u"拒否"},
    {TText::LinkUnreachable, u"Unreachable", u"接続できない"},
    {TText::LinkParked, u"Parked", u"パーキング"},
    {TText::LinkCheckedTip, u"HTTP %1, checked %2", u"HTTP %1、%2 に確認"},
    {TText::LinkNewAddressTip, u"New address: %1", u"移転先: %1"},
    {TText::LinkEndedAtTip, u"Ended at: %1", u"最終的なアドレス: %1"},
    {TText::BrowseIETitle, u"Path of Internet Explorer", u"Path of Internet Explorer"},
    {TText::BrowseFirefoxTitle, u"Path of Mozilla Firefox", u"Path of Mozilla Firefox"},
    {TText::BrowseChromeTitle, u"Path of Google Chrome", u"Path of Google Chrome"},
    {TText::BrowseVivaldiTitle, u"Path of Vivaldi", u"Path of Vivaldi"},
    {TText::BrowseTorBrowserTitle, u"Path of Tor Browser", u"Path of Tor Browser"},
    {TText::BrowsePaleMoonTitle, u"Path of Pale Moon", u"Path of Pale Moon"},
    {TText::HistoryClearedMessage, u"%1 HTML File was deleted.", u"%1 HTML File was deleted."},
    {TText::NotAWebAddress, u"\"%1\" is not a web address, so it is not opened.",
     u"\"%1\" はWebアドレスではないため、開きません。"},
    {TText::PropertyNotWebAddress,
     u"\"%1\" is not a web address (http, https or ftp); it cannot be opened in a browser.",
     u"\"%1\" はWebアドレス (http、https、ftp) ではありません。ブラウザでは開けません。"},
    {TText::PropertyKeepAddress, u"Keep It", u"このまま保存"},
    {TText::PropertyEditAddress, u"Edit It", u"修正する"},
    {TText::BaseFileNotRead, u"The bookmark file \"%1\" could not be read (%2).",
     u"ブックマークファイル \"%1\" を読み込めませんでした (%2)。"},
    {TText::BaseFileUnreadable,
     u"The bookmark file \"%1\" holds no bookmark Zorvel can read (it may be in another encoding, "
     u"or damaged).",
     u"ブックマークファイル \"%1\" には読み込めるブックマークがありません "
     u"(別の文字コードか、壊れている可能性があります)。"},
    {TText::BaseFileKept, u"It will not be replaced when Zorvel closes; it stays as it is.",
     u"終了時にこのファイルは上書きされず、そのまま残ります。"},
    {TText::BaseFileKeptStatus, u"Bookmark file not read; it will not be replaced at exit.",
     u"ブックマークファイルを読み込めません。終了時に上書きしません。"},
    {TText::SavedElsewhereStatus, u"Read \"%1\"; changes will be saved in \"%2\".",
     u"\"%1\" を読み込みました。変更は \"%2\" に保存されます。"},
    {TText::UndoAction, u"&Undo", u"(&U)元に戻す"},
    {TText::RedoAction, u"&Redo", u"(&R)やり直す"},
    {TText::UndoAdd, u"Add", u"追加"},
    {TText::UndoDrop, u"Drop", u"ドロップ"},
    {TText::UndoDelete, u"Delete", u"削除"},
    {TText::UndoClearAll, u"Clear All", u"全削除"},
    {TText::UndoProperty, u"Property", u"プロパティ"},
    {TText::ExitCheckTitle, u"Changes cannot be saved", u"変更を保存できません"},
    {TText::ExitCheckText, u"Zorvel cannot write these files when it closes:",
     u"終了時に次のファイルを書き込めません:"},
    {TText::ExitCheckBaseKept,
     u"not replaced, because it could not be read at start; this session's list is not saved in it",
     u"起動時に読み込めなかったため上書きしません。この回のリストは保存されません"},
    {TText::ExitCheckQuestion, u"Save the list elsewhere before closing?",
     u"閉じる前にリストを別の場所に保存しますか？"},
    {TText::ExitSaveElsewhere, u"Save Elsewhere…", u"別の場所に保存…"},
    {TText::ExitCloseAnyway, u"Close Anyway", u"このまま閉じる"},
    {TText::AlreadyRunning,
     u"Zorvel is already running with the data folder \"%1\", but does not answer.",
     u"データフォルダ \"%1\" のZorvelが既に実行中ですが、応答しません。"},
    {TText::ImportBrowsersTileCaption, u"Import", u"取り込み"},
    {TText::ImportBrowsersHint, u"Import from browsers", u"ブラウザから取り込む"},
    {TText::ImportBrowsersDescription, u"Adds the bookmarks of the browsers on this computer",
     u"このコンピュータのブラウザのブックマークを追加します"},
    {TText::BrowserImportDialogTitle, u"Import from browsers", u"ブラウザから取り込む"},
    {TText::BrowserImportIntro,
     u"Bookmarks of the browsers on this computer. Check the profiles to import:",
     u"このコンピュータのブラウザのブックマークです。\n"
     u"取り込むプロファイルにチェックを付けてください。"},
    {TText::BrowserImportColumnBrowser, u"Browser", u"ブラウザ"},
    {TText::BrowserImportColumnProfile, u"Profile", u"プロファイル"},
    {TText::BrowserImportColumnBookmarks, u"Bookmarks", u"ブックマーク数"},
    {TText::BrowserImportUnreadable, u"cannot be read", u"読み込めません"},
    {TText::BrowserImportCounting, u"counting…", u"集計中…"},
    {TText::BrowserImportOk, u"Import", u"取り込む"},
    {TText::BrowserImportListName, u"Browser profiles", u"ブラウザのプロファイル"},
    {TText::NoBrowserProfilesFound, u"No browser bookmarks were found on this computer.",
     u"このコンピュータにはブラウザのブックマークが見つかりませんでした。"},
    {TText::BrowserBookmarkFilesFilter, u"Browser Bookmark Files",
     u"ブラウザのブックマークファイル"},
    {TText::PropertiesNeedSelection,
     u"Select an entry first: Alt+Enter shows the properties of the selected entries.",
     u"先に項目を選択してください。Alt+Enterで選択した項目のプロパティを表示します。"},
    {TText::ReplaceFileTitle, u"\"%1\" already exists.", u"\"%1\" は既に存在します。"},
    {TText::ReplaceFileText, u"Do you want to replace it?", u"置き換えますか?"},
    {TText::DeletedStatus, u"Deleted %1 entries.", u"%1件を削除しました。"},
    {TText::DeletedOneStatus, u"Deleted 1 entry.", u"1件を削除しました。"},
    {TText::ClearedStatus, u"Cleared the list (%1 entries).", u"リストを空にしました(%1件)。"},
    // The search box keeps a text field's own Ctrl+Z for what is typed into it.
    {TText::UndoHint, u"Ctrl+Z undoes it (in the search box, Ctrl+Z undoes the typing).",
     u"Ctrl+Zで元に戻せます(検索ボックスの中では入力の取り消しになります)。"},
    {TText::SearchHistoryName, u"Search history", u"検索履歴"},
}};

constexpr bool RowsInOrder()
{
    for (size_t i = 0; i < Table.size(); ++i)
        if (size_t(Table[i].Id) != i || !Table[i].English || !Table[i].Japanese)
            return false;
    return true;
}
static_assert(RowsInOrder(), "every text has one row, in the order of TText");

const TTextRow& Row(TText Id)
{
    return Table[size_t(Id)];
}

} // namespace

bool UseJapaneseTexts()
{
    return IsJapaneseLocale();
}

QString EnglishText(TText Id)
{
    return QString::fromUtf16(Row(Id).English);
}

QString JapaneseText(TText Id)
{
    return QString::fromUtf16(Row(Id).Japanese);
}

QString Text(TText Id)
{
    return UseJapaneseTexts() ? JapaneseText(Id) : EnglishText(Id);
}

bool LoadQtTranslation(QTranslator& Translator)
{
    return UseJapaneseTexts()
           && Translator.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                              QStringLiteral("_"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}
