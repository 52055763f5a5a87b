#include <model/uProfileBookmarksParts.h>
#include <model/uProfileSend.h>
#include <model/uProfileTree.h>
#include <platform/EFileError.h>
#include <platform/uProcessLocks.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <QSysInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString ChromiumBookmarks = u"Bookmarks"_s;
const QString ChromiumAccountBookmarks = u"AccountBookmarks"_s;
const QString FirefoxPlaces = u"places.sqlite"_s;
const QString FirefoxPrefs = u"prefs.js"_s;
const QString FirefoxUserPrefs = u"user.js"_s;
const QString FirefoxHtml = u"bookmarks.html"_s;

QByteArray ReadAll(const QString& FileName)
{
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EFileError(FileName, u"Cannot open file"_s);
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw EFileError(FileName, u"Cannot read file"_s);
    return data;
}

QByteArray ReadIfThere(const QString& FileName)
{
    return QFileInfo(FileName).isFile() ? ReadAll(FileName) : QByteArray();
}

void WriteAll(const QString& FileName, const QByteArray& Data)
{
    QSaveFile f(FileName);
    if (!f.open(QIODevice::WriteOnly))
        throw EFileError(FileName, u"Cannot create file: "_s + f.errorString());
    if (f.write(Data) != Data.size() || !f.commit())
        throw EFileError(FileName, u"Cannot write file: "_s + f.errorString());
}

// The name a lock link points to ("127.0.0.1:+1234", "host-1234"), or "".
QString LockTarget(const QString& Link)
{
    const QFileInfo info(Link);
    if (!info.isSymLink())
        return QString();
    return QFileInfo(info.symLinkTarget()).fileName();
}

// The bookmark HTML file Firefox imports: the one prefs.js names, else the profile's.
QString FirefoxHtmlFile(const TProfilePlace& Place)
{
    const QString named = FirefoxPrefValue(ReadIfThere(QDir(Place.Dir).filePath(FirefoxPrefs)),
                                           u"browser.bookmarks.file"_s);
    return named.isEmpty() ? QDir(Place.Dir).filePath(FirefoxHtml) : named;
}

bool SamePlace(const TBookmarkPlace& A, const TBookmarkPlace& B)
{
    return A.Root == B.Root && A.Folders == B.Folders;
}

QStringList TagKeys(const QStringList& Tags)
{
    QStringList keys;
    for (const QString& t : Tags)
        keys.append(t.toCaseFolded());
    keys.sort();
    keys.removeDuplicates();
    return keys;
}

bool SameEntry(const TBookmarkPlace& A, const TBookmarkPlace& B)
{
    return SamePlace(A, B) && A.Title == B.Title && A.Url == B.Url
           && TagKeys(A.Tags) == TagKeys(B.Tags) && A.Keyword == B.Keyword;
}

bool SameEntries(const std::vector<TBookmarkPlace>& A, const std::vector<TBookmarkPlace>& B)
{
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), SameEntry);
}

qsizetype CountUnlisted(const TBookmarkNode& Folder)
{
    qsizetype n = 0;
    for (const TBookmarkNode& c : Folder.Children) {
        if (c.Kind == TBookmarkNodeKind::Folder)
            n += CountUnlisted(c);
        else if (c.Kind == TBookmarkNodeKind::Url && !IsListedBookmarkUrl(c.Url))
            ++n;
    }
    return n;
}

void CollectUnlistedUrls(const TBookmarkNode& Folder, QSet<QString>& Out)
{
    for (const TBookmarkNode& c : Folder.Children) {
        if (c.Kind == TBookmarkNodeKind::Folder)
            CollectUnlistedUrls(c, Out);
        else if (c.Kind == TBookmarkNodeKind::Url && !IsListedBookmarkUrl(c.Url))
            Out.insert(c.Url);
    }
}

// The tree as the browser will hold it: a Chromium profile has no menu, its
// items go to the other bookmarks; Firefox's importer makes mobile bookmarks a
// folder of the menu.
void Normalise(TBookmarkTree& Tree, TProfileFamily Family)
{
    TBookmarkNode& menu = Tree.Root(TBookmarkRoot::Menu);
    if (Family == TProfileFamily::Chromium) {
        TBookmarkNode& other = Tree.Root(TBookmarkRoot::Other);
        for (TBookmarkNode& c : menu.Children)
            other.Children.push_back(std::move(c));
        menu.Children.clear();
    }
}

// The listed links as the written file will give them back.
std::vector<TBookmarkPlace> ExpectedPlaces(const TBookmarkTree& Tree, TProfileFamily Family)
{
    std::vector<TBookmarkPlace> places = BookmarkTreePlaces(Tree);
    if (Family == TProfileFamily::Firefox)
        for (TBookmarkPlace& p : places)
            if (p.Root == TBookmarkRoot::Mobile) {
                p.Root = TBookmarkRoot::Menu;
                p.Folders.prepend(u"Mobile Bookmarks"_s);
            }
    return places;
}

TSendResult Refused(TSendResult R, TSendRefusal Why, const QString& Detail)
{
    R.Refusal = Why;
    R.Detail = Detail;
    return R;
}

// What was written, read back: empty when it is what was meant, else what differs.
QString CheckWritten(const TProfilePlace& Place, const QString& File, const QByteArray& Written,
                     const TBookmarkTree& Tree)
{
    const QByteArray back = ReadAll(File);
    if (back != Written)
        return u"the file read back is not the file written"_s;
    const std::vector<TBookmarkPlace> expected = ExpectedPlaces(Tree, Place.Family);
    if (Place.Family == TProfileFamily::Chromium) {
        const TChromiumBookmarks read = ReadChromiumTree(back, File);
        const QJsonObject roots = read.File.value(u"roots"_s).toObject();
        if (read.File.value(u"checksum"_s).toString().toLatin1()
            != ChromiumBookmarksChecksum(roots))
            return u"the checksum does not match the bookmarks"_s;
        if (!SameEntries(BookmarkTreePlaces(read.Tree), expected))
            return u"the bookmarks read back differ from the plan"_s;
        qsizetype unlisted = 0;
        for (const TBookmarkNode& r : Tree.Roots)
            unlisted -= CountUnlisted(r);
        for (const TBookmarkNode& r : read.Tree.Roots)
            unlisted += CountUnlisted(r);
        if (unlisted != 0)
            return u"the bookmarks Zorvel does not keep are not all there"_s;
        return QString();
    }
    if (!SameEntries(FirefoxHtmlPlaces(back), expected))
        return u"the bookmarks read back differ from the plan"_s;
    const QByteArray prefs = ReadAll(QDir(Place.Dir).filePath(FirefoxPrefs));
    if (FirefoxPrefValue(prefs, QString::fromLatin1(FirefoxImportPref)) != u"true"_s)
        return u"prefs.js does not switch the import on"_s;
    return QString();
}

} // namespace

TProfilePlace ProfilePlaceOf(const QString& DirOrFile)
{
    const QFileInfo info(DirOrFile);
    TProfilePlace place;
    if (info.isFile()) {
        place.Dir = info.absolutePath();
        if (info.fileName() == FirefoxPlaces)
            place.Family = TProfileFamily::Firefox;
        else if (info.fileName() == ChromiumBookmarks
                 || info.fileName() == ChromiumAccountBookmarks)
            place.Family = TProfileFamily::Chromium;
        else
            throw EFileError(DirOrFile, u"Not a browser profile's bookmark file"_s);
    } else if (info.isDir()) {
        const QDir dir(info.absoluteFilePath());
        place.Dir = dir.absolutePath();
        if (dir.exists(FirefoxPlaces) || dir.exists(FirefoxPrefs))
            place.Family = TProfileFamily::Firefox;
        else if (dir.exists(ChromiumBookmarks) || dir.exists(u"Preferences"_s))
            place.Family = TProfileFamily::Chromium;
        else
            throw EFileError(DirOrFile,
                             u"Not a browser profile folder (no places.sqlite, prefs.js, "
                             "Bookmarks or Preferences in it)"_s);
    } else {
        throw EFileError(DirOrFile, u"No such profile folder"_s);
    }
    place.Dir = QDir::cleanPath(place.Dir);
    if (place.Family == TProfileFamily::Firefox) {
        place.BookmarksFile = QDir(place.Dir).filePath(FirefoxPlaces);
    } else {
        place.BookmarksFile = QDir(place.Dir).filePath(ChromiumBookmarks);
        place.UserDataDir = QFileInfo(place.Dir).absolutePath();
    }
    return place;
}

QString ProfileInUse(const TProfilePlace& Place)
{
    const QDir dir(Place.Dir);
    if (Place.Family == TProfileFamily::Firefox) {
        // The link stays behind after Firefox ends: only a live process counts.
        const QString target = LockTarget(dir.filePath(u"lock"_s));
        const qsizetype plus = target.lastIndexOf(u":+"_s);
        if (plus >= 0) {
            const qint64 pid = target.mid(plus + 2).toLongLong();
            if (IsProcessAlive(pid))
                return u"Firefox runs with this profile (process %1)"_s.arg(pid);
        }
        for (const QString& lock : {u".parentlock"_s, u"parent.lock"_s})
            if (IsFileLockedByOther(dir.filePath(lock)))
                return u"Firefox holds this profile's lock (%1)"_s.arg(lock);
        return QString();
    }
    const QDir data(Place.UserDataDir);
    const QString target = LockTarget(data.filePath(u"SingletonLock"_s));
    const qsizetype dash = target.lastIndexOf(u'-');
    if (dash > 0) {
        const QString host = target.left(dash);
        const qint64 pid = target.mid(dash + 1).toLongLong();
        if (host != QSysInfo::machineHostName())
            return u"the browser's lock names another computer (%1)"_s.arg(host);
        if (IsProcessAlive(pid))
            return u"the browser runs with this profile (process %1)"_s.arg(pid);
    }
    if (IsFileLockedByOther(data.filePath(u"lockfile"_s)))
        return u"the browser holds its lock file"_s;
    return QString();
}

QString ProfileSyncState(const TProfilePlace& Place)
{
    const QDir dir(Place.Dir);
    try {
        if (Place.Family == TProfileFamily::Firefox) {
            const QString user = FirefoxPrefValue(ReadIfThere(dir.filePath(FirefoxPrefs)),
                                                  u"services.sync.username"_s);
            return user.isEmpty() ? QString()
                                  : u"the profile is signed in to Firefox Sync as %1"_s.arg(user);
        }
        const QString file = dir.filePath(ChromiumBookmarks);
        if (QFileInfo(file).isFile()
            && ChromiumBookmarksSynced(ReadChromiumTree(ReadAll(file), file).File))
            return u"its bookmarks sync with an account (sync data in Bookmarks)"_s;
        const QString account = dir.filePath(ChromiumAccountBookmarks);
        if (QFileInfo(account).isFile()
            && ChromiumAccountBookmarksUsed(ReadChromiumTree(ReadAll(account), account).File))
            return u"it keeps an account's bookmarks (AccountBookmarks)"_s;
    } catch (const EFileError& e) {
        return u"its sync state cannot be read: "_s + e.Text();
    }
    return QString();
}

QStringList ProfileBackupFiles(const TProfilePlace& Place)
{
    if (Place.Family == TProfileFamily::Chromium)
        return {ChromiumBookmarks, u"EncryptedBookmarks2"_s};
    QStringList files = {FirefoxPlaces, u"places.sqlite-wal"_s, u"favicons.sqlite"_s,
                         u"favicons.sqlite-wal"_s, FirefoxPrefs};
    const QString html = FirefoxHtmlFile(Place);
    if (QFileInfo(html).absolutePath() == QDir(Place.Dir).absolutePath())
        files.append(QFileInfo(html).fileName());
    return files;
}

TBookmarkTree ProfileReadTree(const TProfilePlace& Place)
{
    TBookmarkTree tree;
    if (QFileInfo(Place.BookmarksFile).isFile()) {
        if (Place.Family == TProfileFamily::Firefox)
            tree = ReadFirefoxTree(Place.BookmarksFile);
        else
            tree = ReadChromiumTree(ReadAll(Place.BookmarksFile), Place.BookmarksFile).Tree;
    }
    for (TBookmarkNode& r : tree.Roots)
        r.Kind = TBookmarkNodeKind::Folder;
    return tree;
}

TSendPlan SendPlanOf(const TBookmarkTree& Old, const TBookmarkTree& New, TProfileFamily Family)
{
    TSendPlan plan;
    const std::vector<TBookmarkPlace> before = BookmarkTreePlaces(Old);
    const std::vector<TBookmarkPlace> after = BookmarkTreePlaces(New);
    plan.ProfileCount = qsizetype(before.size());
    plan.SentCount = qsizetype(after.size());
    for (const TBookmarkNode& r : Old.Roots)
        plan.Unlisted += CountUnlisted(r);

    QHash<QString, std::vector<size_t>> byUrl;
    for (size_t i = 0; i < before.size(); ++i)
        byUrl[before[i].Url].push_back(i);
    std::vector<qsizetype> pairOf(after.size(), -1);
    std::vector<bool> used(before.size(), false);
    // Pairs at the same place first, so that a link in two folders is not seen as
    // moved, then any left with the same address.
    for (const bool samePlace : {true, false})
        for (size_t i = 0; i < after.size(); ++i) {
            if (pairOf[i] >= 0)
                continue;
            for (const size_t j : byUrl.value(after[i].Url))
                if (!used[j] && (!samePlace || SamePlace(before[j], after[i]))) {
                    used[j] = true;
                    pairOf[i] = qsizetype(j);
                    break;
                }
        }
    for (size_t i = 0; i < after.size(); ++i) {
        if (pairOf[i] < 0) {
            plan.Added.push_back(after[i]);
            continue;
        }
        const TBookmarkPlace& old = before[size_t(pairOf[i])];
        TSendChange c{old, after[i]};
        c.Title = old.Title != after[i].Title;
        c.Folder = !SamePlace(old, after[i]);
        c.Tags = TagKeys(old.Tags) != TagKeys(after[i].Tags);
        c.Keyword = old.Keyword != after[i].Keyword;
        if (c.Title || c.Folder || c.Tags || c.Keyword)
            plan.Changed.push_back(std::move(c));
    }
    for (size_t j = 0; j < before.size(); ++j)
        if (!used[j])
            plan.Removed.push_back(before[j]);

    if (Family == TProfileFamily::Firefox) {
        // Firefox keeps tags per address; its replace import leaves them on an
        // address that is bookmarked again.
        QHash<QString, QStringList> oldTags, newTags;
        QStringList order;
        for (const TBookmarkPlace& p : before) {
            if (!oldTags.contains(p.Url))
                order.append(p.Url);
            oldTags[p.Url] += p.Tags;
        }
        for (const TBookmarkPlace& p : after)
            newTags[p.Url] += p.Tags;
        for (const QString& url : order) {
            if (!newTags.contains(url))
                continue;
            const QStringList keep = TagKeys(newTags.value(url));
            QStringList lost;
            for (const QString& t : oldTags.value(url))
                if (!keep.contains(t.toCaseFolded()) && !lost.contains(t))
                    lost.append(t);
            if (!lost.isEmpty())
                plan.TagsKept.emplace_back(url, lost);
        }
    }
    return plan;
}

TSendResult ProfileSend(const QString& DirOrFile, const std::vector<TWebSite>& Sites,
                        const TSendOptions& Options)
{
    TSendResult r;
    try {
        r.Place = ProfilePlaceOf(DirOrFile);
    } catch (const EFileError& e) {
        return Refused(r, TSendRefusal::Unreadable, e.Text());
    }
    const TProfilePlace& place = r.Place;
    const bool firefox = place.Family == TProfileFamily::Firefox;

    TBookmarkTree old;
    TChromiumBookmarks oldChromium;
    try {
        if (!firefox && QFileInfo(place.BookmarksFile).isFile())
            oldChromium = ReadChromiumTree(ReadAll(place.BookmarksFile), place.BookmarksFile);
        old = firefox ? ProfileReadTree(place) : oldChromium.Tree;
        for (TBookmarkNode& root : old.Roots)
            root.Kind = TBookmarkNodeKind::Folder;
    } catch (const EFileError& e) {
        return Refused(r, TSendRefusal::Unreadable, e.Text());
    }

    // The set: listed links only; an entry that is how Zorvel read an address it
    // does not keep ("chrome://" reads as "http://") is that item, which stays.
    QSet<QString> unlisted;
    for (const TBookmarkNode& root : old.Roots)
        CollectUnlistedUrls(root, unlisted);
    QSet<QString> readings;
    for (const QString& url : unlisted)
        if (const QString read = zorvel::model::browser::AsHtmlImportReads(url); read != url)
            readings.insert(read);
    std::vector<TWebSite> sites;
    for (const TWebSite& s : Sites)
        if (IsListedBookmarkUrl(s.URL.toString()) && !readings.contains(s.URL.toString()))
            sites.push_back(s);
    if (sites.empty())
        return Refused(r, TSendRefusal::EmptySet, u"the set holds no bookmark to send"_s);

    TBookmarkTree tree =
        BookmarkTreeFromSites(sites, old, firefox ? TBookmarkRoot::Menu : TBookmarkRoot::Other);
    BookmarkTreeKeepUnlisted(tree, old);
    Normalise(tree, place.Family);
    r.Plan = SendPlanOf(old, tree, place.Family);
    r.InUse = ProfileInUse(place);
    r.Sync = ProfileSyncState(place);

    if (!firefox && !r.Sync.isEmpty())
        return Refused(r, TSendRefusal::Synced, r.Sync);
    if (Options.DryRun)
        return r;
    if (!r.InUse.isEmpty())
        return Refused(r, TSendRefusal::InUse, r.InUse);
    if (firefox && !r.Sync.isEmpty() && !Options.Yes)
        return Refused(r, TSendRefusal::SyncNeedsYes, r.Sync);
    if (r.Plan.RemovesMost() && !Options.Yes)
        return Refused(
            r, TSendRefusal::RemovesMost,
            u"the plan removes %1 of the profile's %2 bookmarks"_s.arg(r.Plan.Removed.size())
                .arg(r.Plan.ProfileCount));

    const QString target = firefox ? FirefoxHtmlFile(place) : place.BookmarksFile;
    QStringList written = {target};
    if (firefox) {
        written.append(QDir(place.Dir).filePath(FirefoxPrefs));
        const QString userPrefs =
            FirefoxPrefValue(ReadIfThere(QDir(place.Dir).filePath(FirefoxUserPrefs)),
                             QString::fromLatin1(FirefoxImportPref));
        if (!userPrefs.isEmpty())
            return Refused(
                r, TSendRefusal::NotWritable,
                u"user.js sets %1 at every start"_s.arg(QString::fromLatin1(FirefoxImportPref)));
    }
    if (!QFileInfo(place.Dir).isWritable())
        return Refused(r, TSendRefusal::NotWritable,
                       u"the profile folder cannot be written: "_s + place.Dir);
    for (const QString& f : written)
        if (QFileInfo::exists(f) && !QFileInfo(f).isWritable())
            return Refused(r, TSendRefusal::NotWritable, u"the file cannot be written: "_s + f);

    TProfileBackup backup;
    try {
        backup = ProfileBackupMake(Options.BackupRoot, place.Dir, ProfileBackupFiles(place));
        r.BackupDir = backup.Dir;
    } catch (const EFileError& e) {
        return Refused(r, TSendRefusal::BackupFailed, e.Text());
    }

    const QByteArray data =
        firefox ? FirefoxBookmarksHtml(tree) : ChromiumBookmarksJson(tree, oldChromium);
    QString difference;
    try {
        WriteAll(target, data);
        if (firefox) {
            const QString prefs = QDir(place.Dir).filePath(FirefoxPrefs);
            WriteAll(prefs, FirefoxPrefsWith(ReadIfThere(prefs),
                                             QString::fromLatin1(FirefoxImportPref), u"true"_s));
        }
        difference = CheckWritten(place, target, data, tree);
        if (difference.isEmpty()) {
            r.Written = true;
            ProfileBackupPrune(Options.BackupRoot, place.Dir);
            return r;
        }
    } catch (const EFileError& e) {
        r.Refusal = TSendRefusal::WriteFailed;
        r.Detail = e.Text();
    }
    if (r.Refusal == TSendRefusal::None) {
        r.Refusal = TSendRefusal::ReadBackDiffers;
        r.Detail = difference;
    }
    try {
        ProfileBackupRestore(backup);
        r.Restored = true;
    } catch (const EFileError& e) {
        r.Detail += u"; putting the backup back failed too: "_s + e.Text() + u" (the copy is in "_s
                    + backup.Dir + u')';
    }
    return r;
}

TRestoreResult ProfileRestore(const QString& DirOrFile, const QString& BackupRoot,
                              const QString& Backup)
{
    TRestoreResult r;
    TProfilePlace place;
    try {
        place = ProfilePlaceOf(DirOrFile);
    } catch (const EFileError& e) {
        r.Refusal = TSendRefusal::Unreadable;
        r.Detail = e.Text();
        return r;
    }
    const QList<TProfileBackup> backups = ProfileBackupList(BackupRoot, place.Dir);
    auto chosen = backups.cbegin();
    if (!Backup.isEmpty())
        chosen = std::find_if(backups.cbegin(), backups.cend(), [&](const TProfileBackup& b) {
            return QFileInfo(b.Dir) == QFileInfo(Backup);
        });
    if (chosen == backups.cend()) {
        r.Refusal = TSendRefusal::Unreadable;
        r.Detail = u"no backup of this profile to put back"_s;
        return r;
    }
    r.Restored = *chosen;
    if (const QString inUse = ProfileInUse(place); !inUse.isEmpty()) {
        r.Refusal = TSendRefusal::InUse;
        r.Detail = inUse;
        return r;
    }
    try {
        r.BackupDir = ProfileBackupMake(BackupRoot, place.Dir, ProfileBackupFiles(place)).Dir;
    } catch (const EFileError& e) {
        r.Refusal = TSendRefusal::BackupFailed;
        r.Detail = e.Text();
        return r;
    }
    try {
        if (place.Family == TProfileFamily::Firefox) {
            // prefs.js holds the user's other settings as they are now: only the
            // import a send switched on is switched off.
            ProfileBackupRestore(*chosen, {FirefoxPrefs});
            const QString prefs = QDir(place.Dir).filePath(FirefoxPrefs);
            const QByteArray now = ReadIfThere(prefs);
            if (FirefoxPrefValue(now, QString::fromLatin1(FirefoxImportPref)) == u"true"_s)
                WriteAll(prefs,
                         FirefoxPrefsWith(now, QString::fromLatin1(FirefoxImportPref), u"false"_s));
        } else {
            ProfileBackupRestore(*chosen);
        }
        ProfileBackupPrune(BackupRoot, place.Dir);
    } catch (const EFileError& e) {
        r.Refusal = TSendRefusal::WriteFailed;
        r.Detail = e.Text();
    }
    return r;
}

QString BookmarkRootName(TBookmarkRoot Root, TProfileFamily Family)
{
    const bool firefox = Family == TProfileFamily::Firefox;
    switch (Root) {
    case TBookmarkRoot::Menu:
        return u"Bookmarks Menu"_s;
    case TBookmarkRoot::Toolbar:
        return firefox ? u"Bookmarks Toolbar"_s : u"Bookmarks bar"_s;
    case TBookmarkRoot::Other:
        return firefox ? u"Other Bookmarks"_s : u"Other bookmarks"_s;
    case TBookmarkRoot::Mobile:
        return firefox ? u"Mobile Bookmarks"_s : u"Mobile bookmarks"_s;
    }
    return QString();
}

QString BookmarkPlaceFolderText(const TBookmarkPlace& Place, TProfileFamily Family)
{
    QStringList parts = Place.Folders;
    parts.prepend(BookmarkRootName(Place.Root, Family));
    return parts.join(u'/');
}
