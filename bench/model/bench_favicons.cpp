// bench_favicons: a 100,000-bookmark Chrome-style file with an icon on every
// entry (2,000 distinct icons of 1-2 KB) against the same file without icons.
// Prints the import's time per megabyte of each and the heap the icons add.
//
//   bench_favicons [ENTRIES] [DISTINCT]

#include <model/uBookmarkHtml.h>
#include <model/uWebSiteIcons.h>

#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

QByteArray Icon(int Seed)
{
    QByteArray bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    const int size = 800 + (Seed * 7919) % 700;
    std::uint32_t x = std::uint32_t(Seed) * 2654435761u + 1;
    while (bytes.size() < size) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes += char(x & 0xFF);
    }
    return "data:image/png;base64," + bytes.toBase64();
}

QByteArray File(int Entries, int Distinct, bool Icons)
{
    std::vector<QByteArray> icons;
    for (int i = 0; Icons && i < Distinct; ++i)
        icons.push_back(Icon(i));
    QByteArray html = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<META HTTP-EQUIV=\"Content-Type\" "
                      "CONTENT=\"text/html; charset=UTF-8\">\r\n<TITLE>Bookmarks</TITLE>\r\n"
                      "<H1>Bookmarks</H1>\r\n<DL><p>\r\n";
    for (int i = 0; i < Entries; ++i) {
        if (i % 50 == 0)
            html += (i ? "    </DL><p>\r\n" : "")
                    + QByteArray("    <DT><H3 ADD_DATE=\"1600000000\">Folder ")
                    + QByteArray::number(i / 50) + "</H3>\r\n    <DL><p>\r\n";
        html += "        <DT><A HREF=\"https://host" + QByteArray::number(i % 5000)
                + ".example.com/page/" + QByteArray::number(i) + "?ref=bookmark\" ADD_DATE=\""
                + QByteArray::number(1600000000 + i) + "\"";
        if (Icons)
            html += " ICON=\"" + icons[size_t(i) % icons.size()] + "\"";
        html += ">A bookmark title number " + QByteArray::number(i) + " - Example site</A>\r\n";
    }
    return html + "    </DL><p>\r\n</DL><p>\r\n";
}

size_t HeapInUse()
{
#if defined(__GLIBC__)
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
#else
    return 0;
#endif
}

// Best of three imports, in seconds; the list of the last one is kept in Kept.
double Import(const QByteArray& Html, TWebSiteList& Kept, size_t& HeapGrowth)
{
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        TWebSiteList list;
        const size_t before = HeapInUse();
        QElapsedTimer t;
        t.start();
        WebSitesLoadFromHtmlData(list, Html);
        best = std::min(best, double(t.nsecsElapsed()) / 1e9);
        if (run == 2) {
            HeapGrowth = HeapInUse() - before;
            Kept = std::move(list);
        }
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int distinct = argc > 2 ? std::atoi(argv[2]) : 2000;
    const QByteArray plain = File(entries, distinct, false);
    const QByteArray withIcons = File(entries, distinct, true);

    TWebSiteList a, b;
    size_t heapPlain = 0, heapIcons = 0;
    const qsizetype iconsBefore = WebSiteIcons().Count();
    const qint64 textBefore = WebSiteIcons().TextBytes();
    const double tPlain = Import(plain, a, heapPlain);
    const double tIcons = Import(withIcons, b, heapIcons);
    const double mbPlain = double(plain.size()) / 1e6, mbIcons = double(withIcons.size()) / 1e6;
    const double perPlain = tPlain / mbPlain, perIcons = tIcons / mbIcons;
    std::printf("without icons: %.1f MB, %lld entries, %.3f s, %.2f ms/MB\n", mbPlain,
                (long long)a.Count(), tPlain, perPlain * 1000);
    std::printf("with icons:    %.1f MB, %lld entries, %.3f s, %.2f ms/MB (%.2fx per MB)\n",
                mbIcons, (long long)b.Count(), tIcons, perIcons * 1000, perIcons / perPlain);
    const qint64 iconText = WebSiteIcons().TextBytes() - textBefore;
    std::printf("distinct icons stored: %lld, their text %.2f MB\n",
                (long long)(WebSiteIcons().Count() - iconsBefore), double(iconText) / 1e6);
    std::printf("record size %zu B; list heap without icons %.2f MB, with icons %.2f MB\n",
                sizeof(TWebSite), double(heapPlain) / 1e6, double(heapIcons) / 1e6);
    const double allowed = double(iconText) + 16.0 * double(entries);
    // The icon text is stored on the first import of the icon file; later imports reuse it.
    std::printf("growth over the plain list: %.2f MB (+ icon text %.2f MB) vs allowed %.2f MB\n",
                (double(heapIcons) - double(heapPlain)) / 1e6, double(iconText) / 1e6,
                allowed / 1e6);
    return 0;
}
