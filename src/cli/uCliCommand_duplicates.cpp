// zorvel-cli duplicates: the groups of near-duplicate entries.

#include "uCliBookmarkSources.h"
#include "uCliCommands.h"
#include "uCliOutput.h"

#include <model/uUrlKey.h>
#include <model/uWebSiteDuplicates.h>

#include <array>

namespace {

// The fields of each entry of a group, after its group number and kept flag.
std::span<const TSiteColumn> DuplicateColumns()
{
    static const std::array Columns = {TitleColumn(), UrlColumn(), CategoryColumn(),
                                       JsonOnly(CommentColumn()), AddDateColumn()};
    return Columns;
}

} // namespace

// The groups of near-duplicates: TSV lines of group number, kept flag, title, URL,
// category and date, or a JSON array of groups.
int RunDuplicates(const TOptions& o)
{
    const TBookmarkSources sources = ReadBookmarkSources(o);
    const TWebSiteList& list = sources.List;
    const std::vector<TDuplicateGroup> groups = WebSitesFindDuplicates(list);
    const bool json = o.Json();
    const std::span<const TSiteColumn> columns = DuplicateColumns();
    QByteArray out;
    if (json)
        out += '[';
    qsizetype entries = 0;
    for (size_t g = 0; g < groups.size(); ++g) {
        const qsizetype kept = WebSitesEarliestOf(list, groups[g]);
        if (json) {
            out += g ? ",\n{\"key\":" : "\n{\"key\":";
            AppendJsonString(out, URLDuplicateKey(list[groups[g][0]].URL));
            out += ",\"entries\":[";
        }
        for (size_t m = 0; m < groups[g].size(); ++m) {
            const qsizetype i = groups[g][m];
            const TWebSite& s = list[i];
            if (json) {
                out += m ? ",{\"kept\":" : "{\"kept\":";
                out += i == kept ? "true," : "false,";
                AppendJsonColumns(out, s, columns);
                out += '}';
            } else {
                out += QByteArray::number(qulonglong(g + 1));
                out += i == kept ? "\t1\t" : "\t0\t";
                AppendTsvColumns(out, s, columns);
                out += '\n';
            }
            ++entries;
        }
        if (json)
            out += "]}";
    }
    if (json)
        out += groups.empty() ? "]\n" : "\n]\n";
    WriteOut(out);
    FlushOut();
    WriteErr(ReadSummary(list)
             + QStringLiteral("; %1 group%2 of near-duplicates, %3 entries\n")
                   .arg(groups.size())
                   .arg(QLatin1String(groups.size() == 1 ? "" : "s"))
                   .arg(entries));
    return BookmarksStatus(sources);
}
