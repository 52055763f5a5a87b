// Comments joined into one entry: n bookmarks of one address, each with a <DD>
// of its own, read from a file; and n near-duplicates with their own comments
// merged into one. Both must cost about the joined text's length, so doubling n
// should about double the time.
// Run by hand (not part of ctest): bench_comment_joins [N]   (N, 2N, 4N; 40000)

#include <model/uBookmarkHtml.h>
#include <model/uWebSiteDuplicates.h>
#include <model/uWebSiteList.h>

#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>

namespace {

double ReadOneAddress(int N)
{
    QByteArray html = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
    for (int i = 0; i < N; ++i)
        html += "<DT><A HREF=\"https://same.example/\">t</A>\n<DD>comment number "
                + QByteArray::number(i) + "\n";
    TWebSiteList list;
    QElapsedTimer t;
    t.start();
    WebSitesLoadFromHtmlData(list, html);
    const double s = double(t.nsecsElapsed()) / 1e9;
    if (list.Count() != 1 || list[0].Comment.count(u'\n') != N - 1)
        std::abort();
    return s;
}

double MergeNearDuplicates(int N)
{
    TWebSiteList list;
    for (int i = 0; i < N; ++i) {
        TWebSite site;
        site.URL = QStringLiteral("https://www.same.example/?utm_source=%1").arg(i);
        site.Comment = QStringLiteral("comment number %1").arg(i);
        WebSitesAdd(list, std::move(site));
    }
    QElapsedTimer t;
    t.start();
    WebSitesMergeAllDuplicates(list);
    const double s = double(t.nsecsElapsed()) / 1e9;
    if (list.Count() != 1 || list[0].Comment.count(u'\n') != N - 1)
        std::abort();
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    const int n = argc > 1 ? std::atoi(argv[1]) : 40'000;
    std::printf("%-10s %-28s %-28s\n", "n", "HTML read, one address (s)",
                "near-duplicate merge (s)");
    for (int k : {1, 2, 4})
        std::printf("%-10d %-28.3f %-28.3f\n", n * k, ReadOneAddress(n * k),
                    MergeNearDuplicates(n * k));
    return 0;
}
