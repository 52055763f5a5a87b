// zorvel-cli list: the entries, one TSV line or JSON object each.

#include "uCliBookmarkSources.h"
#include "uCliCommands.h"
#include "uCliOutput.h"

#include <array>

namespace {

// The fields of an entry the list prints, in this order. The icon address only in
// JSON: the TSV columns stay the ones scripts already cut by position.
std::span<const TSiteColumn> ListColumns()
{
    static const std::array Columns = {TitleColumn(),
                                       UrlColumn(),
                                       CategoryColumn(),
                                       CommentColumn(),
                                       JsonOnly(IconColumn()),
                                       AddDateColumn(),
                                       TagsColumn(),
                                       JsonOnly(ToReadColumn()),
                                       JsonOnly(PrivateColumn())};
    return Columns;
}

// Asks for the texts of an entry a few rows ahead: in title order the entries'
// texts lie all over the heap, and waiting for each one from memory was most
// of the writing.
void PrefetchTexts(const TWebSite& s)
{
#if defined(__GNUC__)
    __builtin_prefetch(s.Title.Identity());
    __builtin_prefetch(s.URL.Identity());
    __builtin_prefetch(s.Category.Identity());
    __builtin_prefetch(s.Comment.Identity());
#else
    (void)s;
#endif
}

} // namespace

int RunList(const TOptions& o)
{
    const TBookmarkSources sources = ReadBookmarkSources(o);
    TWebSiteList& list = sources.List;
    NarrowBookmarks(o, list, /*DefaultSort=*/1);

    // One buffer of a fixed size, written out whenever it fills: the output of a
    // large list never sits in memory whole.
    constexpr qsizetype Chunk = qsizetype(1) << 20;
    QByteArray out;
    out.reserve(Chunk + 4096);
    const bool json = o.Json();
    const std::span<const TSiteColumn> columns = ListColumns();
    if (json)
        out += '[';
    qsizetype written = 0;
    constexpr qsizetype Ahead = 8;
    for (qsizetype i = 0; i < list.Count(); ++i) {
        if (i + Ahead < list.Count())
            PrefetchTexts(list[i + Ahead]);
        const TWebSite& s = list[i];
        if (!s.Visible)
            continue;
        if (json) {
            out += written ? ",\n{" : "\n{";
            AppendJsonColumns(out, s, columns);
            out += '}';
        } else {
            AppendTsvColumns(out, s, columns);
            out += '\n';
        }
        ++written;
        if (out.size() > Chunk) {
            WriteOut(out);
            out.resize(0); // keeps the buffer
        }
    }
    if (json)
        out += written ? "\n]\n" : "]\n";
    WriteOut(out);
    FlushOut();
    WriteErr(ReadSummary(list)
             + QStringLiteral("; listed %1 entr%2\n")
                   .arg(written)
                   .arg(QLatin1String(written == 1 ? "y" : "ies")));
    return BookmarksStatus(sources);
}
