// Browser bookmark files: recognising them by content and adding what they hold.

#include <QFile>
#include <limits>
#include <model/uBookmarkHtmlImport.h>
#include <model/uProfileBookmarks.h>
#include <model/uProfileBookmarksParts.h>
#include <model/uSiteText.h>
#include <model/uSqliteSnapshot.h>
#include <platform/EFileError.h>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace zorvel::model::browser {

TDateTime FromUnixSeconds(std::int64_t Seconds)
{
    if (Seconds >= MinUnixSeconds && Seconds <= MaxUnixSeconds)
        return TDateTime::FromMilliseconds(UnixEpochMSecs + Seconds * 1000);
    return UnixTextToDate(QString());
}

QString AsHtmlImportReads(QString Text)
{
    if (Text.contains(u'\t'))
        Text.remove(u'\t');
    if (Text.contains(u"://"_s))
        Text.replace(u"chrome://"_s, u"http://"_s, Qt::CaseInsensitive);
    return Text;
}

TCategoryWalk::TLevel TCategoryWalk::Enter(TLevel Parent, QStringView Name)
{
    CutTo(Parent.Length);
    const qsizetype grown = Parent.Length + (Parent.Depth > 0 ? 1 : 0) + Name.size();
    if (Parent.Depth >= MaxBookmarkFolderDepth || grown > MaxBookmarkCategoryLength)
        return Parent;
    if (Parent.Depth > 0)
        FText += u'\\';
    FText += Name;
    FSharedValid = false;
    return {FText.size(), Parent.Depth + 1};
}

const TSiteText& TCategoryWalk::Category(TLevel At)
{
    CutTo(At.Length);
    if (!FSharedValid) {
        auto it = FSeen.constFind(FText);
        if (it == FSeen.cend())
            it = FSeen.insert(FText, TSiteText(FText));
        FShared = *it;
        FSharedValid = true;
    }
    return FShared;
}

void TCategoryWalk::CutTo(qsizetype Length)
{
    if (FText.size() != Length) {
        FText.truncate(Length);
        FSharedValid = false;
    }
}

TFolderWalk::TOpen TFolderWalk::Enter(TOpen& Parent, QStringView Name, TLandmark Landmark)
{
    Parent.HadContent = true;
    const TCategoryWalk::TLevel level = FWalk.Enter(Parent.Level, Name);
    if (level.Length == Parent.Level.Length && level.Depth == Parent.Level.Depth)
        return {level, Parent.Folder, true}; // read into its parent
    const QString path = FWalk.Category(level).toString();
    return {level, FFolders.Enter(Parent.Folder, path, Landmark)};
}

void TFolderWalk::Leave(const TOpen& Folder)
{
    if (!Folder.HadContent)
        FFolders.SetKeepEmpty(Folder.Folder, true);
}

TTreePlace TFolderWalk::Place(TOpen& At, bool Kept)
{
    if (Kept)
        At.HadContent = true;
    return FFolders.Place(At.Folder);
}

} // namespace zorvel::model::browser

namespace {

// Chromium writes "checksum" and then "roots" first; 64 KiB leaves room for
// whitespace or a reordered writer without reading a whole large file.
constexpr qint64 SniffBytes = 64 * 1024;

bool LooksLikeChromiumJson(const QByteArray& Head)
{
    qsizetype i = Head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < Head.size()
           && (Head[i] == ' ' || Head[i] == '\t' || Head[i] == '\r' || Head[i] == '\n'))
        ++i;
    return i < Head.size() && Head[i] == '{' && Head.indexOf("\"roots\"", i) >= 0;
}

} // namespace

TBrowserBookmarkFile BrowserBookmarkFileKind(const QString& FileName)
{
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly))
        return TBrowserBookmarkFile::None;
    const QByteArray head = f.read(SniffBytes);
    if (head.startsWith(QByteArrayView("SQLite format 3\0", 16)))
        return TBrowserBookmarkFile::FirefoxPlaces;
    if (LooksLikeChromiumJson(head))
        return TBrowserBookmarkFile::ChromiumJson;
    return TBrowserBookmarkFile::None;
}

std::vector<TWebSite> ReadBrowserBookmarks(const QString& FileName, TBrowserTree* Folders)
{
    const TSiteTextChunks chunks;
    switch (BrowserBookmarkFileKind(FileName)) {
    case TBrowserBookmarkFile::ChromiumJson:
        return ReadChromiumBookmarks(FileName, Folders);
    case TBrowserBookmarkFile::FirefoxPlaces:
        return ReadFirefoxBookmarks(FileName, Folders);
    case TBrowserBookmarkFile::None:
        break;
    }
    if (!QFile::exists(FileName))
        throw EFileError(FileName, u"File not found"_s);
    throw EFileError(FileName, u"Not a browser bookmarks file"_s);
}

void WebSitesAddBrowserBookmarks(TWebSiteList& List, std::vector<TWebSite>&& Sites,
                                 const TBrowserTree* Folders)
{
    if (Folders)
        List.Folders.Merge(*Folders, Sites);
    TCommentJoins joins(List);
    for (TWebSite& site : Sites)
        WebSitesAdd(List, std::move(site), joins);
}

bool WebSitesLoadFromBrowserFile(TWebSiteList& List, const QString& FileName)
{
    switch (BrowserBookmarkFileKind(FileName)) {
    case TBrowserBookmarkFile::ChromiumJson: {
        TBrowserTree folders;
        std::vector<TWebSite> sites = ReadChromiumBookmarks(FileName, &folders);
        WebSitesAddBrowserBookmarks(List, std::move(sites), &folders);
        return true;
    }
    case TBrowserBookmarkFile::FirefoxPlaces: {
        // Other SQLite files (a profile's favicons, cookies) are not bookmarks.
        const TSqliteSnapshot db(FileName);
        if (!zorvel::model::browser::HasFirefoxBookmarkTables(db))
            return false;
        TBrowserTree folders;
        std::vector<TWebSite> sites = zorvel::model::browser::ReadFirefoxSnapshot(db, &folders);
        ReadProfileFavicons(sites, FileName, TBrowserBookmarkFile::FirefoxPlaces);
        WebSitesAddBrowserBookmarks(List, std::move(sites), &folders);
        return true;
    }
    case TBrowserBookmarkFile::None:
        break;
    }
    return false;
}
