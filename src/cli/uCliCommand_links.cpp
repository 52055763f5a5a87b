// zorvel-cli check-links: which bookmarks still work.

#include "uCliBookmarkSources.h"
#include "uCliCommands.h"
#include "uCliOutput.h"

#include <model/uBookmarkHtml.h>
#include <net/uArchiveLookup.h>
#include <net/uLinkCheck.h>

#include <QEventLoop>
#include <QTimer>

#include <vector>

// zorvel-cli check-links: every shown http or https entry is asked once; one line
// (or JSON object) per entry checked, the counts on standard error, and with -o the
// list written with the results and the titles filled in.
int RunCheckLinks(const TOptions& o)
{
    const TBookmarkSources sources = ReadBookmarkSources(o);
    NarrowBookmarks(o, sources.List, /*DefaultSort=*/0);
    TWebSiteList shown = VisibleEntries(sources.List);
    const TDateTime now = TDateTime::Now();
    // The entries asked: all, or those whose last check is older than asked.
    std::vector<qsizetype> all;
    all.reserve(size_t(shown.Count()));
    for (qsizetype i = 0; i < shown.Count(); ++i) {
        const TDateTime checked = shown[i].Extras->LinkChecked;
        if (!o.OlderThanDays || checked == TDateTime()
            || checked.Value <= now.Value - double(*o.OlderThanDays))
            all.push_back(i);
    }

    TLinkCheckOptions options;
    TLinkChecker checker(options);
    QEventLoop wait;
    QObject::connect(&checker, &TLinkChecker::Finished, &wait, &QEventLoop::quit);
    const bool terminal = StdErrIsTerminal();
    QString lastHost;
    const auto show = [&checker, &lastHost] {
        const QString again = checker.RetryTotal() > 0 ? QStringLiteral(", asking again %1 of %2")
                                                             .arg(checker.RetryDone())
                                                             .arg(checker.RetryTotal())
                                                       : QString();
        // At the end, what is still waited for rather than the host asked last.
        const QString waiting = checker.WaitingText();
        const QString what = waiting.isEmpty() ? lastHost : waiting;
        // Cut and padded so that a shorter line covers a longer one.
        WriteErr(QStringLiteral("\rchecking links: %1 of %2%3 %4")
                     .arg(checker.Answered())
                     .arg(checker.Total())
                     .arg(again)
                     .arg(what.left(60), -60));
    };
    QTimer tick;
    if (terminal) {
        QObject::connect(&checker, &TLinkChecker::Progress, [&](int, int, const QString& host) {
            lastHost = host;
            show();
        });
        // A wait without answers still shows what it waits for.
        QObject::connect(&tick, &QTimer::timeout, show);
        tick.start(1000);
    }
    checker.Start(LinkCheckUrlsOf(shown, all),
                  o.FetchIcons ? LinkCheckWantsIconOf(shown, all) : std::vector<bool>());
    if (checker.IsRunning())
        wait.exec();
    if (terminal && checker.Total() > 0)
        WriteErr(QStringLiteral("\n"));
    const qsizetype titled = qsizetype(LinkCheckApply(shown, all, checker, now).size());

    // The archived copies of the pages that failed, when asked for.
    std::vector<QString> archived(all.size());
    if (o.Archive) {
        QStringList urls;
        std::vector<TDateTime> dates;
        std::vector<size_t> which;
        for (size_t k = 0; k < all.size(); ++k)
            if (LinkCheckWantsArchive(checker.Result(qsizetype(k)).Status)) {
                urls << shown[all[k]].URL.toString();
                dates.push_back(shown[all[k]].AddDate);
                which.push_back(k);
            }
        TArchiveLookup lookup(o.ArchiveService.isEmpty()
                                  ? QUrl(QString::fromLatin1(DefaultArchiveService))
                                  : QUrl(o.ArchiveService));
        QEventLoop archiveWait;
        QObject::connect(&lookup, &TArchiveLookup::Finished, &archiveWait, &QEventLoop::quit);
        lookup.Start(urls, dates);
        if (lookup.IsRunning())
            archiveWait.exec();
        int found = 0;
        for (size_t j = 0; j < which.size(); ++j) {
            archived[which[j]] = lookup.CopyOf(qsizetype(j));
            found += !archived[which[j]].isEmpty();
        }
        WriteErr(
            QStringLiteral("archived copies found for %1 of %2\n").arg(found).arg(urls.size()));
    }
    const qsizetype iconsGiven =
        o.FetchIcons ? qsizetype(IconFetchAssign(shown, all, checker.Icons()).size()) : 0;

    const bool json = o.Format == QLatin1String("json");
    QByteArray out;
    if (json)
        out += "[";
    bool first = true;
    for (size_t k = 0; k < all.size(); ++k) {
        const qsizetype i = all[k];
        const TLinkResult& r = checker.Result(qsizetype(k));
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
            out += ", \"detail\": ";
            if (r.Detail.isEmpty() || r.Status == TLinkStatus::Ok)
                out += "null";
            else
                AppendJsonString(out, r.Detail);
            const TWebSiteExtrasData& x = *s.Extras;
            out += ", \"failures\": " + QByteArray::number(x.LinkFailures);
            out += ", \"failing_since\": ";
            if (x.LinkFailingSince == TDateTime())
                out += "null";
            else
                out += QByteArray::number(qint64(DateToUnixSeconds(x.LinkFailingSince)));
            out += ", \"archived_url\": ";
            if (archived[k].isEmpty())
                out += "null";
            else
                AppendJsonString(out, archived[k]);
            out += "}";
        } else {
            AppendTsvField(out, s.URL);
            out += '\t';
            AppendTsvField(out, LinkStatusWord(r.Status));
            out += '\t' + QByteArray::number(r.Http) + '\t';
            AppendTsvField(out, finalUrl);
            out += '\t';
            AppendTsvField(out, s.Title);
            out += '\t';
            AppendTsvField(out, r.Status == TLinkStatus::Ok ? QString() : r.Detail);
            out += '\t';
            AppendTsvField(out, archived[k]);
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
