#include "uCliBookmarkSources.h"

#include "uCliOutput.h"

#include <model/uBrowserProfiles.h>
#include <model/uFolderImportExport.h>
#include <model/uProfileBookmarks.h>
#include <model/uSiteText.h>
#include <model/uWebSiteDuplicates.h>
#include <platform/EFileError.h>
#include <platform/uOsServices.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

namespace {

// The browser profiles --from-browsers reads: every one found, or those of the
// browsers named. A NAME that matches no profile is said on standard error.
QList<TBrowserProfile> BrowserSources(const TOptions& o)
{
    if (!o.FromBrowsers)
        return {};
    // Not counted here: each file is read once, by the load.
    const QList<TBrowserProfile> found =
        FindBrowserProfiles(DefaultProfileSearchPlaces(), /*CountBookmarks=*/false);
    if (found.isEmpty())
        WriteErr(QStringLiteral("zorvel-cli: no browser profiles found\n"));
    else
        for (const QString& name : o.BrowserNames)
            if (FilterBrowserProfiles(found, {name}).isEmpty())
                WriteErr(
                    QStringLiteral("zorvel-cli: no browser profile matches \"%1\"\n").arg(name));
    return FilterBrowserProfiles(found, o.BrowserNames);
}

// Reads every path, then every browser profile, into one list, showing progress on
// a terminal for long inputs (a folder tree of many thousand shortcut files takes
// seconds). A path that cannot be read ends the command; a profile that cannot be
// read (a browser's store may be damaged or locked in a way no copy gets past) is
// named and passed over. Returns the number of profiles passed over.
int LoadPaths(TWebSiteList& list, const QStringList& paths, const QList<TBrowserProfile>& profiles)
{
    QList<TPathToLoad> files;
    for (const QString& p : paths) {
        if (!QFileInfo::exists(p))
            throw EFileError(p, QStringLiteral("No such file or folder"));
        files += WebSitesFilesOfPath(p);
    }
    const qsizetype firstProfile = files.size();
    for (const TBrowserProfile& p : profiles)
        files += TPathToLoad{p.FileName, QString()};
    int passedOver = 0;
    const TSiteTextChunks chunks; // one scope for a whole folder of small files
    const bool terminal = StdErrIsTerminal();
    QElapsedTimer timer;
    timer.start();
    qint64 shownAt = -1;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const qint64 now = timer.elapsed();
        if (terminal && now > 1000 && now - shownAt >= 100) {
            WriteErr(QStringLiteral("\rreading %1/%2 files: %3 entries so far\x1b[K")
                         .arg(i + 1)
                         .arg(files.size())
                         .arg(list.Count()));
            shownAt = now;
        }
        if (i < firstProfile) {
            if (!WebSitesLoadFromFile(list, files[i].FileName, files[i].Category) && files[i].Named)
                list.Stats.NotBookmarkFiles.append(files[i].FileName);
            continue;
        }
        // Read as a browser store whatever its content: a damaged one is an error
        // here, not a file of another kind to pass over in silence.
        try {
            TBrowserTree folders;
            std::vector<TWebSite> sites = ReadBrowserBookmarks(files[i].FileName, &folders);
            WebSitesAddBrowserBookmarks(list, std::move(sites), &folders);
            ++list.Stats.Files;
        } catch (const EFileError& e) {
            WriteErr(QStringLiteral("%1zorvel-cli: passed over %2: %3\n")
                         .arg(QLatin1String(shownAt >= 0 ? "\r\x1b[K" : ""),
                              profiles[i - firstProfile].DisplayName(), e.Text()));
            ++passedOver;
        }
    }
    if (shownAt >= 0)
        WriteErr(QStringLiteral("\r\x1b[K"));
    return passedOver;
}

} // namespace

TBookmarkSources ReadBookmarkSources(const TOptions& o)
{
    const QList<TBrowserProfile> profiles = BrowserSources(o);
    QStringList estimateFiles = o.Paths;
    for (const TBrowserProfile& p : profiles)
        estimateFiles << p.FileName;
    PrepareHeapForLargeInput(WebSitesLoadAllocationEstimate(estimateFiles));
    TWebSiteList& list = NewListKeptUntilExit();
    const int passedOver = LoadPaths(list, o.Paths, profiles);
    return {list, passedOver};
}

void NarrowBookmarks(const TOptions& o, TWebSiteList& list, int DefaultSort)
{
    if (o.MergeNearDuplicates) {
        const qsizetype merged = WebSitesMergeAllDuplicates(list);
        WriteErr(QStringLiteral("merged %1 near-duplicate%2\n")
                     .arg(merged)
                     .arg(QLatin1String(merged == 1 ? "" : "s")));
    }
    if (o.Search)
        WebSitesSearch(list, *o.Search);
    const int sort = o.Sort.value_or(DefaultSort);
    if (sort != 0)
        WebSitesSort(list, sort);
}

TWebSiteList VisibleEntries(const TWebSiteList& list)
{
    TWebSiteList out;
    for (const TWebSite& site : list)
        if (site.Visible)
            out.Append(site);
    // The browsers' tree goes with the entries: landmarks, separators, empty folders.
    out.Folders = list.Folders;
    return out;
}

QString ReadSummary(const TWebSiteList& list)
{
    const TWebSitesStats& s = list.Stats;
    QString empty;
    for (const QString& f : s.FilesWithoutBookmarks)
        empty += QStringLiteral("no bookmarks found in %1\n").arg(QDir::toNativeSeparators(f));
    for (const QString& f : s.NotBookmarkFiles)
        empty += QStringLiteral("not a bookmark file: %1\n").arg(QDir::toNativeSeparators(f));
    for (const QString& row : s.BadRows)
        empty += QStringLiteral("left out %1\n").arg(row);
    if (s.BadRowCount > s.BadRows.size())
        empty += QStringLiteral("left out %1 more rows\n").arg(s.BadRowCount - s.BadRows.size());
    return empty
           + QStringLiteral("read %1 file%2: %3 added, %4 merged, %5 skipped")
                 .arg(s.Files)
                 .arg(QLatin1String(s.Files == 1 ? "" : "s"))
                 .arg(s.Added)
                 .arg(s.Merged)
                 .arg(s.Skipped);
}

int BookmarksStatus(const TBookmarkSources& Sources)
{
    const int passedOver = Sources.PassedOver;
    // A file named that is no bookmark file was named in the summary already.
    if (passedOver == 0)
        return Sources.List.Stats.NotBookmarkFiles.isEmpty() ? 0 : 1;
    WriteErr(QStringLiteral("zorvel-cli: %1 browser profile%2 could not be read\n")
                 .arg(passedOver)
                 .arg(QLatin1String(passedOver == 1 ? "" : "s")));
    return 1;
}
