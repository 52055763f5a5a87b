// zorvel-cli check-links: which bookmarks still work.

#include "uCliBookmarkSources.h"
#include "uCliCommands.h"
#include "uCliOutput.h"

#include <model/uBookmarkHtml.h>
#include <net/uLinkCheck.h>

#include <QEventLoop>

#include <vector>

// zorvel-cli check-links: every shown http or https entry is asked once; one line
// (or JSON object) per entry checked, the counts on standard error, and with -o the
// list written with the results and the titles filled in.
int RunCheckLinks(const TOptions& o)
{
    const TBookmarkSources sources = ReadBookmarkSources(o);
    NarrowBookmarks(o, sources.List, /*DefaultSort=*/0);
    TWebSiteList shown = VisibleEntries(sources.List);
    std::vector<qsizetype> all(size_t(shown.Count()));
    for (qsizetype i = 0; i < shown.Count(); ++i)
        all[size_t(i)] = i;

    TLinkChecker checker;
    QEventLoop wait;
    QObject::connect(&checker, &TLinkChecker::Finished, &wait, &QEventLoop::quit);
    const bool terminal = StdErrIsTerminal();
    if (terminal)
        QObject::connect(&checker, &TLinkChecker::Progress,
                         [&checker](int done, int total, const QString& host) {
                             const QString again = checker.RetryTotal() > 0
                                                       ? QStringLiteral(", asking again %1 of %2")
                                                             .arg(checker.RetryDone())
                                                             .arg(checker.RetryTotal())
                                                       : QString();
                             // Cut and padded so that a shorter line covers a longer one.
                             WriteErr(QStringLiteral("\rchecking links: %1 of %2%3 %4")
                                          .arg(done)
                                          .arg(total)
                                          .arg(again)
                                          .arg(host.left(40), -40));
                         });
    checker.Start(LinkCheckUrlsOf(shown, all),
                  o.FetchIcons ? LinkCheckWantsIconOf(shown, all) : std::vector<bool>());
    if (checker.IsRunning())
        wait.exec();
    if (terminal && checker.Total() > 0)
        WriteErr(QStringLiteral("\n"));
    const qsizetype titled =
        qsizetype(LinkCheckApply(shown, all, checker, TDateTime::Now()).size());
    const qsizetype iconsGiven =
        o.FetchIcons ? qsizetype(IconFetchAssign(shown, all, checker.Icons()).size()) : 0;

    const bool json = o.Format == QLatin1String("json");
    QByteArray out;
    if (json)
        out += "[";
    bool first = true;
    for (qsizetype i = 0; i < shown.Count(); ++i) {
        const TLinkResult& r = checker.Result(i);
        if (r.Status == TLinkStatus::None)
            continue;
        const TWebSite& s = shown[i];
        const QString finalUrl = r.Status == TLinkStatus::Moved ? r.FinalUrl : QString();
        if (json) {
            out += first ? "\n  {\"url\": " : ",\n  {\"url\": ";
            AppendJsonString(out, s.URL);
            out += ", \"status\": ";
            AppendJsonString(out, LinkStatusWord(r.Status));
            out += ", \"http\": " + QByteArray::number(r.Http) + ", \"final_url\": ";
            if (finalUrl.isEmpty())
                out += "null";
            else
                AppendJsonString(out, finalUrl);
            out += ", \"title\": ";
            AppendJsonString(out, s.Title);
            out += "}";
        } else {
            AppendTsvField(out, s.URL);
            out += '\t';
            AppendTsvField(out, LinkStatusWord(r.Status));
            out += '\t' + QByteArray::number(r.Http) + '\t';
            AppendTsvField(out, finalUrl);
            out += '\t';
            AppendTsvField(out, s.Title);
            out += '\n';
        }
        first = false;
        if (out.size() > 1 << 16) {
            WriteOut(out);
            out.clear();
        }
    }
    if (json)
        out += first ? "]\n" : "\n]\n";
    WriteOut(out);
    FlushOut();

    const std::vector<int> counts = checker.StatusCounts();
    int checked = 0;
    for (int s = 1; s < LinkStatusCount; ++s)
        checked += counts[size_t(s)];
    QString summary = QStringLiteral("checked %1").arg(checked);
    QStringList parts;
    for (int s = 1; s < LinkStatusCount; ++s)
        parts << QStringLiteral("%1 %2").arg(counts[size_t(s)]).arg(LinkStatusWord(TLinkStatus(s)));
    summary += QStringLiteral(": ") + parts.join(QStringLiteral(", "));
    summary += QStringLiteral("; %1 title%2 filled")
                   .arg(titled)
                   .arg(QLatin1String(titled == 1 ? "" : "s"));
    if (o.FetchIcons)
        summary += QStringLiteral("; icons found for %1 of %2 site%3, %4 entr%5 given an icon")
                       .arg(checker.Icons().FoundCount())
                       .arg(checker.Icons().HostCount())
                       .arg(QLatin1String(checker.Icons().HostCount() == 1 ? "" : "s"))
                       .arg(iconsGiven)
                       .arg(QLatin1String(iconsGiven == 1 ? "y" : "ies"));
    if (!o.Output.isEmpty()) {
        WebSitesSaveToHtml(shown, o.Output);
        summary += QStringLiteral("; wrote %1 entr%2 to %3")
                       .arg(shown.Count())
                       .arg(QLatin1String(shown.Count() == 1 ? "y" : "ies"))
                       .arg(o.Output);
    }
    WriteErr(summary + u'\n');
    return BookmarksStatus(sources);
}
