// The zorvel-cli commands that write the entries to a file or folder: merge,
// fetch-icons (which first asks the sites for missing icons) and export-folder.

#include "uCliBookmarkSources.h"
#include "uCliCommands.h"
#include "uCliOutput.h"

#include <model/uBookmarkHtml.h>
#include <model/uFolderImportExport.h>
#include <net/uIconFetch.h>
#include <platform/EFileError.h>
#include <platform/uOsServices.h>

#include <QEventLoop>

#include <vector>

namespace {

// zorvel-cli fetch-icons: every entry without an icon asks its site; the
// progress goes to standard error on a terminal, the counts always.
void FetchMissingIcons(TWebSiteList& List)
{
    std::vector<qsizetype> all(size_t(List.Count()));
    for (qsizetype i = 0; i < List.Count(); ++i)
        all[size_t(i)] = i;
    TIconFetcher fetcher;
    QEventLoop wait;
    QObject::connect(&fetcher, &TIconFetcher::Finished, &wait, &QEventLoop::quit);
    if (StdErrIsTerminal())
        QObject::connect(&fetcher, &TIconFetcher::Progress, [](int done, int total) {
            WriteErr(QStringLiteral("\rasking sites for icons: %1 of %2").arg(done).arg(total));
        });
    fetcher.Start(IconFetchUrlsOf(List, all));
    if (fetcher.IsRunning())
        wait.exec();
    if (StdErrIsTerminal() && fetcher.HostCount() > 0)
        WriteErr(QStringLiteral("\n"));
    const qsizetype given = qsizetype(IconFetchAssign(List, all, fetcher).size());
    WriteErr(QStringLiteral("asked %1 site%2: icons found for %3, %4 not reached; %5 entr%6 "
                            "given an icon\n")
                 .arg(fetcher.HostCount())
                 .arg(QLatin1String(fetcher.HostCount() == 1 ? "" : "s"))
                 .arg(fetcher.FoundCount())
                 .arg(fetcher.FailedCount())
                 .arg(given)
                 .arg(QLatin1String(given == 1 ? "y" : "ies")));
}

// The visible entries as one bookmark HTML file at -o.
int SaveVisibleToHtml(const TOptions& o, const TBookmarkSources& sources, bool FetchIcons)
{
    TWebSiteList shown = VisibleEntries(sources.List);
    // A sort asked for is the order to write, over the one the browsers kept.
    if (o.Sort && *o.Sort != 0)
        WebSitesForgetPlaces(shown);
    if (FetchIcons)
        FetchMissingIcons(shown);
    WebSitesSaveToHtml(shown, o.Output);
    WriteErr(ReadSummary(sources.List)
             + QStringLiteral("; wrote %1 entr%2 to %3\n")
                   .arg(shown.Count())
                   .arg(QLatin1String(shown.Count() == 1 ? "y" : "ies"))
                   .arg(o.Output));
    return BookmarksStatus(sources);
}

} // namespace

int RunMerge(const TOptions& o)
{
    const TBookmarkSources sources = ReadBookmarkSources(o);
    NarrowBookmarks(o, sources.List, /*DefaultSort=*/0);
    return SaveVisibleToHtml(o, sources, /*FetchIcons=*/false);
}

int RunFetchIcons(const TOptions& o)
{
    const TBookmarkSources sources = ReadBookmarkSources(o);
    NarrowBookmarks(o, sources.List, /*DefaultSort=*/0);
    return SaveVisibleToHtml(o, sources, /*FetchIcons=*/true);
}

int RunExportFolder(const TOptions& o)
{
    const TBookmarkSources sources = ReadBookmarkSources(o);
    NarrowBookmarks(o, sources.List, /*DefaultSort=*/0);
    TWebSiteList shown = VisibleEntries(sources.List);
    // Every visible entry counts as selected.
    for (qsizetype i = 0; i < shown.Count(); ++i)
        shown[i].Selected = true;
    if (!ForcePath(o.Output))
        throw EFileError(o.Output, QStringLiteral("Cannot create the folder"));
    const qsizetype files = WebSitesSaveToFolder(shown, o.Output);
    WriteErr(ReadSummary(sources.List)
             + QStringLiteral("; exported %1 entr%2 to %3\n")
                   .arg(files)
                   .arg(QLatin1String(files == 1 ? "y" : "ies"))
                   .arg(o.Output));
    return BookmarksStatus(sources);
}
