<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en">
<context>
    <name>TBrowserCommand</name>
    <message>
        <source>Open By &amp;Pale Moon</source>
        <translation>(&amp;P)Pale Moonで開く</translation>
    </message>
    <message>
        <source>Open By &amp;Tor Browser</source>
        <translation>(&amp;T)Tor Browserで開く</translation>
    </message>
    <message>
        <source>Open by &amp;Chrome</source>
        <translation>(&amp;C)Chromeで開く</translation>
    </message>
    <message>
        <source>Open by &amp;Firefox</source>
        <translation>(&amp;F)Firefoxで開く</translation>
    </message>
    <message>
        <source>Open by &amp;Internet Explorer</source>
        <translation>(&amp;I)Internet Explorerで開く</translation>
    </message>
    <message>
        <source>Open by &amp;Vivaldi</source>
        <translation>(&amp;V)Vivaldiで開く</translation>
    </message>
    <message>
        <source>Path of Google Chrome</source>
        <translation>Path of Google Chrome</translation>
    </message>
    <message>
        <source>Path of Internet Explorer</source>
        <translation>Path of Internet Explorer</translation>
    </message>
    <message>
        <source>Path of Mozilla Firefox</source>
        <translation>Path of Mozilla Firefox</translation>
    </message>
    <message>
        <source>Path of Pale Moon</source>
        <translation>Path of Pale Moon</translation>
    </message>
    <message>
        <source>Path of Tor Browser</source>
        <translation>Path of Tor Browser</translation>
    </message>
    <message>
        <source>Path of Vivaldi</source>
        <translation>Path of Vivaldi</translation>
    </message>
</context>
<context>
    <name>TDuplicateGroupsModel</name>
    <message>
        <source>%1 entries</source>
        <translation>%1件</translation>
    </message>
    <message>
        <source>Merge this group</source>
        <translation>このグループを統合する</translation>
    </message>
    <message>
        <source>The entry that stays</source>
        <translation>残すエントリ</translation>
    </message>
</context>
<context>
    <name>TEmptyListHint</name>
    <message>
        <source>No bookmarks yet.</source>
        <translation>ブックマークはまだありません。</translation>
    </message>
    <message>
        <source>Add bookmark files: %1</source>
        <translation>ブックマークファイルを追加: %1</translation>
    </message>
    <message>
        <source>Add a folder of shortcuts or exports: %1</source>
        <translation>ショートカットやエクスポートのフォルダを追加: %1</translation>
    </message>
    <message>
        <source>Import from the browsers: %1</source>
        <translation>ブラウザから取り込む: %1</translation>
    </message>
    <message>
        <source>Or drop files, folders or links here.</source>
        <translation>ここにファイル、フォルダ、リンクをドロップすることもできます。</translation>
    </message>
</context>
<context>
    <name>TFileDialog</name>
    <message>
        <source>The folder "%1" does not exist.</source>
        <translation>フォルダ「%1」がありません。</translation>
    </message>
</context>
<context>
    <name>TFolderCommands</name>
    <message>
        <source>A folder name cannot hold "\".</source>
        <translation>フォルダ名に「\」は使えません。</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>新しいフォルダ</translation>
    </message>
    <message>
        <source>Name of the new folder:</source>
        <translation>新しいフォルダの名前:</translation>
    </message>
    <message>
        <source>New folder</source>
        <translation>新しいフォルダ</translation>
    </message>
    <message>
        <source>Rename Folder</source>
        <translation>フォルダ名の変更</translation>
    </message>
    <message>
        <source>New name of the folder "%1":</source>
        <translation>フォルダ「%1」の新しい名前:</translation>
    </message>
    <message>
        <source>Merge Folders</source>
        <translation>フォルダの統合</translation>
    </message>
    <message>
        <source>Delete Folder</source>
        <translation>フォルダの削除</translation>
    </message>
    <message>
        <source>No other folder is named "%1".</source>
        <translation>「%1」という名前のフォルダはほかにありません。</translation>
    </message>
    <message>
        <source>Move to Folder</source>
        <translation>フォルダへ移動</translation>
    </message>
    <message>
        <source>Move Folder</source>
        <translation>フォルダの移動</translation>
    </message>
</context>
<context>
    <name>TFolderPane</name>
    <message>
        <source>Folders</source>
        <translation>フォルダ</translation>
    </message>
    <message>
        <source>Include &amp;sub-folders</source>
        <translation>(&amp;S)サブフォルダも含める</translation>
    </message>
    <message>
        <source>A folder shows the entries of its sub-folders too</source>
        <translation>フォルダを選ぶと、そのサブフォルダの項目も表示します</translation>
    </message>
    <message>
        <source>&amp;New Folder...</source>
        <translation>(&amp;N)新しいフォルダ...</translation>
    </message>
    <message>
        <source>&amp;Rename Folder...</source>
        <translation>(&amp;R)フォルダ名の変更...</translation>
    </message>
    <message>
        <source>&amp;Merge with Folder of the Same Name...</source>
        <translation>(&amp;M)同じ名前のフォルダと統合...</translation>
    </message>
    <message>
        <source>&amp;Delete Folder...</source>
        <translation>(&amp;D)フォルダを削除...</translation>
    </message>
</context>
<context>
    <name>TFolderTreeModel</name>
    <message>
        <source>All bookmarks</source>
        <translation>すべてのブックマーク</translation>
    </message>
    <message>
        <source>No folder</source>
        <translation>フォルダなし</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>%1 (%2 / %3)</source>
        <translation>%1 (%2 / %3)</translation>
    </message>
    <message>
        <source>%1 entries in all</source>
        <translation>全%1件</translation>
    </message>
    <message>
        <source>%1 entries without a folder</source>
        <translation>フォルダに入っていない項目 %1件</translation>
    </message>
    <message>
        <source>%1 entries in this folder, %2 with its sub-folders</source>
        <translation>このフォルダに%1件、サブフォルダを含めて%2件</translation>
    </message>
    <message>
        <source>The browser&apos;s bookmarks toolbar</source>
        <translation>ブラウザのブックマークツールバー</translation>
    </message>
    <message>
        <source>The browser&apos;s bookmarks menu</source>
        <translation>ブラウザのブックマークメニュー</translation>
    </message>
    <message>
        <source>The browser&apos;s other bookmarks</source>
        <translation>ブラウザのその他のブックマーク</translation>
    </message>
    <message>
        <source>The browser&apos;s mobile bookmarks</source>
        <translation>ブラウザのモバイルのブックマーク</translation>
    </message>
    <message>
        <source>%1, %2 entries</source>
        <translation>%1、%2件</translation>
    </message>
</context>
<context>
    <name>TFrmAbout</name>
    <message>
        <source>About</source>
        <translation>このアプリケーションについて</translation>
    </message>
    <message>
        <source>Product page</source>
        <translation>製品ページ</translation>
    </message>
    <message>
        <source>https://zorvel.example.org/</source>
        <translation>https://zorvel.example.org/ja/</translation>
    </message>
</context>
<context>
    <name>TFrmBrowserImport</name>
    <message>
        <source>Bookmarks</source>
        <translation>ブックマーク数</translation>
    </message>
    <message>
        <source>Bookmarks of the browsers on this computer. Check the profiles to import:</source>
        <translation>このコンピュータのブラウザのブックマークです。
取り込むプロファイルにチェックを付けてください。</translation>
    </message>
    <message>
        <source>Browser</source>
        <translation>ブラウザ</translation>
    </message>
    <message>
        <source>Browser profiles</source>
        <translation>ブラウザのプロファイル</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>取り込む</translation>
    </message>
    <message>
        <source>Import from browsers</source>
        <translation>ブラウザから取り込む</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>プロファイル</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>読み込めません</translation>
    </message>
    <message>
        <source>counting…</source>
        <translation>集計中…</translation>
    </message>
</context>
<context>
    <name>TFrmDuplicates</name>
    <message>
        <source>%1 groups, %2 entries in all</source>
        <translation>%1グループ、計%2件</translation>
    </message>
    <message>
        <source>&amp;Merge checked</source>
        <translation>チェックしたグループを統合(&amp;M)</translation>
    </message>
    <message>
        <source>1 group of %1 entries</source>
        <translation>1グループ、計%1件</translation>
    </message>
    <message>
        <source>Added</source>
        <translation>登録日</translation>
    </message>
    <message>
        <source>Category</source>
        <translation>カテゴリ</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>Find duplicates</source>
        <translation>重複の検索</translation>
    </message>
    <message>
        <source>Groups of duplicates</source>
        <translation>重複のグループ</translation>
    </message>
    <message>
        <source>Merge &amp;all</source>
        <translation>すべて統合(&amp;A)</translation>
    </message>
    <message>
        <source>No duplicates found.</source>
        <translation>重複しているエントリは見つかりませんでした。</translation>
    </message>
    <message>
        <source>These entries lead to the same page under different addresses. Tick the groups to merge; in each group the ticked entry stays and the others are merged into it (comments joined, the earliest date kept).</source>
        <translation>次のエントリは、アドレスの書き方が違うだけで同じページを指しています。統合するグループにチェックを付けてください。各グループでチェックしたエントリが残り、ほかのエントリはそこに統合されます (コメントは連結、登録日は最も古い日付)。</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>タイトル</translation>
    </message>
    <message>
        <source>URL</source>
        <translation>URL</translation>
    </message>
</context>
<context>
    <name>TFrmFolderPicker</name>
    <message>
        <source>Move to Folder</source>
        <translation>フォルダへ移動</translation>
    </message>
    <message>
        <source>&amp;Find a folder, or type the path of a new one:</source>
        <translation>(&amp;F)フォルダを検索するか、新しいフォルダのパスを入力してください:</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>フォルダ</translation>
    </message>
    <message>
        <source>&amp;Move Here</source>
        <translation>(&amp;M)ここへ移動</translation>
    </message>
    <message>
        <source>(No folder)</source>
        <translation>(フォルダなし)</translation>
    </message>
    <message>
        <source>New folder: %1</source>
        <translation>新しいフォルダ: %1</translation>
    </message>
</context>
<context>
    <name>TFrmMain</name>
    <message>
        <source>"%1" already exists.</source>
        <translation>"%1" は既に存在します。</translation>
    </message>
    <message>
        <source>"%1" is not a web address, so it is not opened.</source>
        <translation>"%1" はWebアドレスではないため、開きません。</translation>
    </message>
    <message>
        <source>%1 addresses replaced by their new ones</source>
        <translation>%1 件のアドレスを移転先に置き換えました</translation>
    </message>
    <message>
        <source>%1 rows left out, first: %2</source>
        <translation>読み込めなかった行: %1 件 (最初: %2)</translation>
    </message>
    <message>
        <source>&amp;Delete Item</source>
        <translation>(&amp;D)選択された項目を削除</translation>
    </message>
    <message>
        <source>&amp;Delete Items</source>
        <translation>(&amp;D)選択された項目を削除</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>(&amp;O)既定のWebブラウザで開く</translation>
    </message>
    <message>
        <source>&amp;Properties</source>
        <translation>(&amp;P)プロパティ</translation>
    </message>
    <message>
        <source>&amp;Property</source>
        <translation>(&amp;P)プロパティ</translation>
    </message>
    <message>
        <source>&amp;Replace moved addresses</source>
        <translation>(&amp;R)移転先のアドレスに置き換える</translation>
    </message>
    <message>
        <source>&amp;Save as Shortcut</source>
        <translation>(&amp;S)インターネットショートカットとして保存...</translation>
    </message>
    <message>
        <source>About</source>
        <translation>このアプリケーションについて</translation>
    </message>
    <message>
        <source>About</source>
        <comment>tile caption</comment>
        <translation>..について</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>追加</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>ファイルを追加</translation>
    </message>
    <message>
        <source>Add Folder</source>
        <translation>フォルダを追加</translation>
    </message>
    <message>
        <source>Added %1, merged %2, skipped %3</source>
        <translation>追加 %1、統合 %2、スキップ %3</translation>
    </message>
    <message>
        <source>Adds Internet Shortcut, pinned website and bookmark HTML files to the list</source>
        <translation>インターネットショートカット、ピン留めサイト、ブックマークファイルをリストに追加します</translation>
    </message>
    <message>
        <source>Adds every Internet Shortcut and pinned website of a folder and its subfolders</source>
        <translation>フォルダとサブフォルダのインターネットショートカットとピン留めサイトをすべて追加します</translation>
    </message>
    <message>
        <source>Adds the bookmarks of the browsers on this computer</source>
        <translation>このコンピュータのブラウザのブックマークを追加します</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>すべてのファイル</translation>
    </message>
    <message>
        <source>Are you sure to delete these items?</source>
        <translation>選択されたショートカットを削除してもよろしいですか？</translation>
    </message>
    <message>
        <source>Banner</source>
        <translation>バナー</translation>
    </message>
    <message>
        <source>Bookmark File</source>
        <translation>ブックマークファイル</translation>
    </message>
    <message>
        <source>Bookmark file not read; it will not be replaced at exit.</source>
        <translation>ブックマークファイルを読み込めません。終了時に上書きしません。</translation>
    </message>
    <message>
        <source>Bookmarks</source>
        <translation>ブックマーク</translation>
    </message>
    <message>
        <source>Browser Bookmark Files</source>
        <translation>ブラウザのブックマークファイル</translation>
    </message>
    <message>
        <source>Browser paths and options</source>
        <translation>ブラウザのパスとオプション</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Category</source>
        <translation>カテゴリ</translation>
    </message>
    <message>
        <source>Changes cannot be saved</source>
        <translation>変更を保存できません</translation>
    </message>
    <message>
        <source>Check &amp;links of the selected entries</source>
        <translation>(&amp;L)選択した項目のリンクを確認</translation>
    </message>
    <message>
        <source>Check Links</source>
        <translation>リンクの確認</translation>
    </message>
    <message>
        <source>Check links of all shown entries</source>
        <translation>表示中のすべての項目のリンクを確認</translation>
    </message>
    <message>
        <source>Checked %1 links: %2 work, %3 with problems; %4 titles filled in</source>
        <translation>%1 件のリンクを確認しました: 正常 %2 件、問題あり %3 件、タイトルを補った項目 %4 件</translation>
    </message>
    <message>
        <source>Checking links: %1 of %2</source>
        <translation>リンクを確認中: %1 / %2 件</translation>
    </message>
    <message>
        <source>Asking again the ones that failed: %1 of %2</source>
        <translation>失敗したものを再確認中: %1 / %2 件</translation>
    </message>
    <message>
        <source>Check</source>
        <comment>tile caption</comment>
        <translation>確認</translation>
    </message>
    <message>
        <source>Checks which bookmarks still work: the selected ones or all shown</source>
        <translation>ブックマークがまだ有効かを確認します (選択した項目、または表示中のすべて)</translation>
    </message>
    <message>
        <source>Also fetch missing &amp;icons</source>
        <translation>(&amp;I)足りないアイコンも取得</translation>
    </message>
    <message>
        <source>; missing icons found: %1</source>
        <translation>、取得したアイコン %1 件</translation>
    </message>
    <message>
        <source>Clear All</source>
        <translation>全削除</translation>
    </message>
    <message>
        <source>Cleared the list (%1 entries).</source>
        <translation>リストを空にしました(%1件)。</translation>
    </message>
    <message>
        <source>Close Anyway</source>
        <translation>このまま閉じる</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>コメント</translation>
    </message>
    <message>
        <source>Ctrl+Z undoes it (in the search box, Ctrl+Z undoes the typing).</source>
        <translation>Ctrl+Zで元に戻せます(検索ボックスの中では入力の取り消しになります)。</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>Delete Items</source>
        <translation>ショートカットを削除</translation>
    </message>
    <message>
        <source>Delete Selected Items</source>
        <translation>ショートカットを削除します</translation>
    </message>
    <message>
        <source>Deleted %1 entries.</source>
        <translation>%1件を削除しました。</translation>
    </message>
    <message>
        <source>Deleted 1 entry.</source>
        <translation>1件を削除しました。</translation>
    </message>
    <message>
        <source>Do you want to replace it?</source>
        <translation>置き換えますか?</translation>
    </message>
    <message>
        <source>Drop</source>
        <translation>ドロップ</translation>
    </message>
    <message>
        <source>Duplicates merged: %1 entries became %2</source>
        <translation>重複を統合しました: %1件 → %2件</translation>
    </message>
    <message>
        <source>Every selected entry has an icon, or none is a web address</source>
        <translation>選択した項目はすべてアイコンがあるか、Webアドレスではありません</translation>
    </message>
    <message>
        <source>Fetch &amp;missing icons</source>
        <translation>(&amp;M)不足しているアイコンを取得</translation>
    </message>
    <message>
        <source>Fetch Icons</source>
        <translation>アイコンの取得</translation>
    </message>
    <message>
        <source>Fetching icons cancelled: icons found for %1 of %2 sites</source>
        <translation>アイコンの取得を中止しました: %2 サイト中 %1 サイトのアイコンが見つかりました</translation>
    </message>
    <message>
        <source>Fetching icons: %1 of %2 sites</source>
        <translation>アイコンを取得中: %1 / %2 サイト</translation>
    </message>
    <message>
        <source>Find &amp;duplicates…</source>
        <translation>(&amp;D)重複を検索…</translation>
    </message>
    <message>
        <source>Icons found for %1 of %2 sites</source>
        <translation>%2 サイト中 %1 サイトのアイコンが見つかりました</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>取り込み</translation>
    </message>
    <message>
        <source>Import from browsers</source>
        <translation>ブラウザから取り込む</translation>
    </message>
    <message>
        <source>Internet Shortcut File</source>
        <translation>Internet Shortcut File</translation>
    </message>
    <message>
        <source>Internet Shortcut Files</source>
        <translation>インターネットショートカット</translation>
    </message>
    <message>
        <source>It will not be replaced when Zorvel closes; it stays as it is.</source>
        <translation>終了時にこのファイルは上書きされず、そのまま残ります。</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>リンク</translation>
    </message>
    <message>
        <source>Link check cancelled: %1 links checked, %2 work, %3 with problems; %4 titles filled in</source>
        <translation>リンクの確認を中止しました: 確認済み %1 件 (正常 %2 件、問題あり %3 件)、タイトルを補った項目 %4 件</translation>
    </message>
    <message>
        <source>Merge Duplicates</source>
        <translation>重複の統合</translation>
    </message>
    <message>
        <source>No browser bookmarks were found on this computer.</source>
        <translation>このコンピュータにはブラウザのブックマークが見つかりませんでした。</translation>
    </message>
    <message>
        <source>None of these entries is a web address</source>
        <translation>Webアドレスの項目がありません</translation>
    </message>
    <message>
        <source>Open Files</source>
        <translation>開く</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>フォルダを開く</translation>
    </message>
    <message>
        <source>Open Internet Shortcut / Pinned Website / Bookmark Files</source>
        <translation>インターネットショートカット/ピン留めサイト/ブックマークファイルを開く</translation>
    </message>
    <message>
        <source>Open Internet Shortcuts and Pinned Websites from Folder</source>
        <translation>フォルダの中のインターネットショートカットとピン留めサイトを開く</translation>
    </message>
    <message>
        <source>Pinned Website File</source>
        <translation>ピン留めサイト</translation>
    </message>
    <message>
        <source>Product page</source>
        <translation>製品ページ</translation>
    </message>
    <message>
        <source>Property</source>
        <translation>プロパティ</translation>
    </message>
    <message>
        <source>Read "%1"; changes will be saved in "%2".</source>
        <translation>"%1" を読み込みました。変更は "%2" に保存されます。</translation>
    </message>
    <message>
        <source>Reading cancelled: nothing was added</source>
        <translation>読み込みを中止しました。何も追加されていません</translation>
    </message>
    <message>
        <source>Removes every bookmark from the list</source>
        <translation>リストからすべてのブックマークを削除します</translation>
    </message>
    <message>
        <source>Replace Moved Addresses</source>
        <translation>移転先アドレスへの置き換え</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Save</source>
        <comment>shortcut file dialog</comment>
        <translation>Save</translation>
    </message>
    <message>
        <source>Save</source>
        <comment>tile caption</comment>
        <translation>保存</translation>
    </message>
    <message>
        <source>Save Bookmark File</source>
        <translation>ブックマークファイルを保存</translation>
    </message>
    <message>
        <source>Save Bookmark File</source>
        <comment>shortcut file dialog</comment>
        <translation>Save Bookmark File</translation>
    </message>
    <message>
        <source>Save Elsewhere…</source>
        <translation>別の場所に保存…</translation>
    </message>
    <message>
        <source>Save Internet Shortcuts to Folder</source>
        <translation>指定されたフォルダにインターネットショートカットファイルを保存</translation>
    </message>
    <message>
        <source>Save the list elsewhere before closing?</source>
        <translation>閉じる前にリストを別の場所に保存しますか？</translation>
    </message>
    <message>
        <source>Save to Folder</source>
        <translation>フォルダに保存</translation>
    </message>
    <message>
        <source>Saved %1 bookmarks to %2</source>
        <translation>%1 件のブックマークを %2 に保存しました</translation>
    </message>
    <message>
        <source>Saved 1 bookmark to %1</source>
        <translation>1 件のブックマークを %1 に保存しました</translation>
    </message>
    <message>
        <source>Saves all bookmarks in one bookmark HTML file</source>
        <translation>すべてのブックマークを1つのブックマークファイルに保存します</translation>
    </message>
    <message>
        <source>Saves the listed bookmarks as Internet Shortcut files in a folder</source>
        <translation>表示されているブックマークをインターネットショートカットとしてフォルダに保存します</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>検索</translation>
    </message>
    <message>
        <source>Search</source>
        <comment>button caption</comment>
        <translation>Search</translation>
    </message>
    <message>
        <source>Search history</source>
        <translation>検索履歴</translation>
    </message>
    <message>
        <source>Search text</source>
        <translation>検索する文字列</translation>
    </message>
    <message>
        <source>Select an entry first: Alt+Enter shows the properties of the selected entries.</source>
        <translation>先に項目を選択してください。Alt+Enterで選択した項目のプロパティを表示します。</translation>
    </message>
    <message>
        <source>Setup</source>
        <translation>設定</translation>
    </message>
    <message>
        <source>Show only link &amp;problems</source>
        <translation>(&amp;P)リンクに問題がある項目だけを表示</translation>
    </message>
    <message>
        <source>Tags</source>
        <translation>タグ</translation>
    </message>
    <message>
        <source>The bookmark file "%1" could not be read (%2).</source>
        <translation>ブックマークファイル "%1" を読み込めませんでした (%2)。</translation>
    </message>
    <message>
        <source>The bookmark file "%1" holds no bookmark Zorvel can read (it may be in another encoding, or damaged).</source>
        <translation>ブックマークファイル "%1" には読み込めるブックマークがありません (別の文字コードか、壊れている可能性があります)。</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>タイトル</translation>
    </message>
    <message>
        <source>URL</source>
        <translation>URL</translation>
    </message>
    <message>
        <source>Version and product page</source>
        <translation>バージョンと製品ページ</translation>
    </message>
    <message>
        <source>Zorvel - Internet Bookmark Manager</source>
        <translation>Zorvel - Bookmark管理ツール</translation>
    </message>
    <message>
        <source>Zorvel cannot write these files when it closes:</source>
        <translation>終了時に次のファイルを書き込めません:</translation>
    </message>
    <message>
        <source>Zorvel is already running with the data folder "%1", but does not answer.</source>
        <translation>データフォルダ "%1" のZorvelが既に実行中ですが、応答しません。</translation>
    </message>
    <message>
        <source>https://zorvel.example.org/</source>
        <translation>https://zorvel.example.org/ja/</translation>
    </message>
    <message>
        <source>no bookmarks found in %1</source>
        <translation>ブックマークが見つかりません: %1</translation>
    </message>
    <message>
        <source>not a bookmark file: %1</source>
        <translation>ブックマークファイルではありません: %1</translation>
    </message>
    <message>
        <source>not replaced, because it could not be read at start; this session's list is not saved in it</source>
        <translation>起動時に読み込めなかったため上書きしません。この回のリストは保存されません</translation>
    </message>
    <message>
        <source>All Bookmark Files</source>
        <translation>開くことができるファイル</translation>
    </message>
    <message>
        <source>Service Exports (Pocket, Raindrop, Pinboard)</source>
        <translation>サービスのエクスポート (Pocket、Raindrop、Pinboard)</translation>
    </message>
    <message>
        <source>&amp;Reports of This Session...</source>
        <translation>このセッションのレポート(&amp;R)...</translation>
    </message>
    <message>
        <source>more in the report</source>
        <translation>詳しくはレポートに</translation>
    </message>
    <message>
        <source>The whole report: %1</source>
        <translation>レポート全体: %1</translation>
    </message>
    <message>
        <source>Kept %1</source>
        <translation>残した項目 %1</translation>
    </message>
    <message>
        <source>merged %1</source>
        <translation>統合した項目 %1</translation>
    </message>
</context>
<context>
    <name>TFrmProperty</name>
    <message>
        <source>"%1" is not a web address (http, https or ftp); it cannot be opened in a browser.</source>
        <translation>"%1" はWebアドレス (http、https、ftp) ではありません。ブラウザでは開けません。</translation>
    </message>
    <message>
        <source>(Various Values)</source>
        <translation>(様々な値)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Category:</source>
        <translation>カテゴリ:</translation>
    </message>
    <message>
        <source>Comment:</source>
        <translation>コメント:</translation>
    </message>
    <message>
        <source>Date:</source>
        <translation>日付:</translation>
    </message>
    <message>
        <source>Edit It</source>
        <translation>修正する</translation>
    </message>
    <message>
        <source>IconURL:</source>
        <translation>アイコン:</translation>
    </message>
    <message>
        <source>Keep It</source>
        <translation>このまま保存</translation>
    </message>
    <message>
        <source>Keyword:</source>
        <translation>キーワード:</translation>
    </message>
    <message>
        <source>Last changed: %1</source>
        <translation>最終更新: %1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>更新</translation>
    </message>
    <message>
        <source>Property</source>
        <translation>プロパティ</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>元に戻す</translation>
    </message>
    <message>
        <source>Tags:</source>
        <translation>タグ:</translation>
    </message>
    <message>
        <source>Title:</source>
        <translation>タイトル:</translation>
    </message>
    <message>
        <source>URL:</source>
        <translation>URL:</translation>
    </message>
    <message>
        <source>Tags (comma-separated)</source>
        <translation>タグ (カンマ区切り)</translation>
    </message>
    <message>
        <source>(some)</source>
        <translation>(一部)</translation>
    </message>
    <message>
        <source>Tags marked %1 are carried by only some of the entries: delete one to remove it from all, delete its mark to give it to all, leave it to keep it as it is.</source>
        <translation>%1 の付いたタグは一部の項目にだけ付いています。削除するとすべてから外し、印を消すとすべてに付け、そのままにすると変わりません。</translation>
    </message>
</context>
<context>
    <name>TFrmReports</name>
    <message>
        <source>Reports of This Session</source>
        <translation>このセッションのレポート</translation>
    </message>
    <message>
        <source>Reports</source>
        <translation>レポート</translation>
    </message>
    <message>
        <source>Report</source>
        <translation>レポート</translation>
    </message>
    <message>
        <source>&amp;Reports:</source>
        <translation>レポート(&amp;R):</translation>
    </message>
    <message>
        <source>&amp;Details:</source>
        <translation>詳細(&amp;D):</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>コピー(&amp;C)</translation>
    </message>
    <message>
        <source>Nothing was reported in this session yet.</source>
        <translation>このセッションのレポートはまだありません。</translation>
    </message>
</context>
<context>
    <name>TFrmSetup</name>
    <message>
        <source>%1 HTML File was deleted.</source>
        <translation>%1 HTML File was deleted.</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Chrome Path:</source>
        <translation>Chrome Path:</translation>
    </message>
    <message>
        <source>Clear History</source>
        <translation>Clear History</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>FireFox Path:</source>
        <translation>FireFox Path:</translation>
    </message>
    <message>
        <source>Internet Explorer Path:</source>
        <translation>Internet Explorer Path:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Open Base Bookmark</source>
        <translation>Open Base Bookmark</translation>
    </message>
    <message>
        <source>Pale Moon Path:</source>
        <translation>Pale Moon Path:</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>Save History Bookmark HTML File</source>
        <translation>Save History Bookmark HTML File</translation>
    </message>
    <message>
        <source>Setup</source>
        <translation>Setup</translation>
    </message>
    <message>
        <source>Simplify amazon URL</source>
        <translation>Simplify amazon URL</translation>
    </message>
    <message>
        <source>Tor Browser Path:</source>
        <translation>Tor Browser Path:</translation>
    </message>
    <message>
        <source>Vivaldi Path:</source>
        <translation>Vivaldi Path:</translation>
    </message>
</context>
<context>
    <name>TListReads</name>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Reading bookmarks…</source>
        <translation>ブックマークを読み込み中…</translation>
    </message>
</context>
<context>
    <name>TListStatusBar</name>
    <message>
        <source>List counts</source>
        <translation>一覧の件数</translation>
    </message>
    <message>
        <source>Last report</source>
        <translation>最後のレポート</translation>
    </message>
    <message>
        <source>Reports...</source>
        <translation>レポート...</translation>
    </message>
    <message>
        <source>Reports of this session</source>
        <translation>このセッションのレポート</translation>
    </message>
    <message>
        <source>Reports of this session (%1)</source>
        <translation>このセッションのレポート (%1)</translation>
    </message>
    <message>
        <source>Entries: %1</source>
        <translation>項目: %1</translation>
    </message>
    <message>
        <source>Shown: %1</source>
        <translation>表示: %1</translation>
    </message>
    <message>
        <source>Selected: %1</source>
        <translation>選択: %1</translation>
    </message>
    <message>
        <source>Link problems: %1</source>
        <translation>リンクの問題: %1</translation>
    </message>
</context>
<context>
    <name>TListUndo</name>
    <message>
        <source>&amp;Redo</source>
        <translation>(&amp;R)やり直す</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>(&amp;U)元に戻す</translation>
    </message>
</context>
<context>
    <name>TReportLog</name>
    <message>
        <source>Added %1, merged %2, skipped %3</source>
        <translation>追加 %1、統合 %2、スキップ %3</translation>
    </message>
    <message>
        <source>No bookmarks found in %1</source>
        <translation>ブックマークが見つかりません: %1</translation>
    </message>
    <message>
        <source>Not a bookmark file: %1</source>
        <translation>ブックマークファイルではありません: %1</translation>
    </message>
    <message>
        <source>Rows left out: %1</source>
        <translation>読み込まなかった行: %1</translation>
    </message>
    <message>
        <source>and %1 more</source>
        <translation>ほか %1 行</translation>
    </message>
</context>
<context>
    <name>TWebSiteTableModel</name>
    <message>
        <source>Blocked</source>
        <translation>拒否</translation>
    </message>
    <message>
        <source>Ended at: %1</source>
        <translation>最終的なアドレス: %1</translation>
    </message>
    <message>
        <source>Gone</source>
        <translation>消滅</translation>
    </message>
    <message>
        <source>HTTP %1, checked %2</source>
        <translation>HTTP %1、%2 に確認</translation>
    </message>
    <message>
        <source>Moved</source>
        <translation>移転</translation>
    </message>
    <message>
        <source>New address: %1</source>
        <translation>移転先: %1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>Parked</source>
        <translation>パーキング</translation>
    </message>
    <message>
        <source>Page gone</source>
        <translation>ページ消失</translation>
    </message>
    <message>
        <source>Why: %1</source>
        <translation>理由: %1</translation>
    </message>
    <message>
        <source>Failed %1 checks in a row, since %2</source>
        <translation>%2 から %1 回続けて失敗</translation>
    </message>
    <message>
        <source>Server error</source>
        <translation>サーバーエラー</translation>
    </message>
    <message>
        <source>Unreachable</source>
        <translation>接続できない</translation>
    </message>
</context>
</TS>
