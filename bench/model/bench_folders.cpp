// The folder tree at scale: a million entries in 20,000 folders, in title order
// (so that the entries of a folder are spread over the whole list, as the
// window shows them). Measures the tree's build, a folder click (the search's
// visibility, the folder's filter and the sort the window then shows) and the
// rename of a folder of 50,000 entries with the tree following it entry by entry.
// Run by hand (not part of ctest): bench_folders [ENTRIES] [FOLDERS] [RUNS]

#include <model/uFolderTree.h>
#include <model/uWebSiteFolders.h>
#include <model/uWebSiteList.h>

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

// Wall time and the CPU time of the process (the sort runs on two threads): on
// a machine shared with other work the CPU time is what the code costs, the
// wall time what the user would wait.
struct TTimer
{
    QElapsedTimer Wall;
    double Cpu0 = 0;
    static double Cpu()
    {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
    }
    void restart()
    {
        Wall.restart();
        Cpu0 = Cpu();
    }
    void start() { restart(); }
};

struct TTime
{
    double Wall = 0, Cpu = 0;
};

TTime Seconds(const TTimer& T)
{
    return {double(T.Wall.nsecsElapsed()) / 1e9, TTimer::Cpu() - T.Cpu0};
}

// The medians of wall and CPU time, each on its own.
TTime Median(std::vector<TTime> V)
{
    std::vector<double> wall, cpu;
    for (const TTime& t : V) {
        wall.push_back(t.Wall);
        cpu.push_back(t.Cpu);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

void Print(const char* What, const std::vector<TTime>& V)
{
    const TTime m = Median(V);
    std::printf("%-32s %.3f s wall  %.3f s CPU\n", What, m.Wall, m.Cpu);
}

// Folders three deep (20 x 50 x 20 at 20,000); the first top-level folder, "Big",
// holds BigEntries entries in its sub-folders, the rest are spread evenly.
TWebSiteList MakeList(int Entries, int Folders, int BigEntries)
{
    QStringList paths;
    const int top = 20;
    const int mid = std::max(1, Folders / top / 20);
    for (int a = 0; paths.size() < Folders; ++a) {
        const QString first = a == 0 ? QStringLiteral("Big") : QStringLiteral("Folder %1").arg(a);
        paths << first;
        for (int b = 0; b < mid && paths.size() < Folders; ++b) {
            const QString second = first + QStringLiteral("\\Topic %1").arg(b);
            paths << second;
            for (int c = 0; c < 18 && paths.size() < Folders; ++c)
                paths << second + QStringLiteral("\\Part %1").arg(c);
        }
    }
    qsizetype bigFolders = 0;
    while (bigFolders < paths.size() && FolderContains(u"Big", QStringView(paths[bigFolders])))
        ++bigFolders;
    QRandomGenerator random(42);
    TWebSiteList list;
    for (int i = 0; i < Entries; ++i) {
        TWebSite s;
        s.Title =
            QStringLiteral("Page %1").arg(random.generate() % 1000000000u, 9, 10, QChar(u'0'));
        s.URL = QStringLiteral("https://site%1.example/page/%2").arg(i % 5000).arg(i);
        const qsizetype folder = i < BigEntries
                                     ? qsizetype(random.bounded(int(bigFolders)))
                                     : bigFolders + random.bounded(int(paths.size() - bigFolders));
        s.Category = paths[folder];
        s.Visible = true;
        list.Append(std::move(s));
    }
    WebSitesSort(list, 1);
    return list;
}

} // namespace

int main(int argc, char** argv)
{
    const int entries = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int folders = argc > 2 ? std::atoi(argv[2]) : 20000;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    const int big = std::min(50000, entries / 2);

    TTimer t;
    t.start();
    TWebSiteList list = MakeList(entries, folders, big);
    std::printf("list of %d entries made in %.2f s\n", entries, Seconds(t).Wall);

    std::vector<TTime> build, click, clickBelow, clickSort, rename, renameTree;
    TFolderTree tree;
    for (int r = 0; r < runs; ++r) {
        t.restart();
        tree.Build(list);
        build.push_back(Seconds(t));
    }
    std::printf("%lld folders\n", static_cast<long long>(tree.FolderCount()));

    // A click on a folder of the middle level, alone and with those below it.
    const QString folder = QStringLiteral("Folder 7\\Topic 3");
    qsizetype shown = 0;
    for (int r = 0; r < runs; ++r) {
        for (const bool below : {false, true}) {
            t.restart();
            WebSitesSearch(list, QString());
            WebSitesKeepInFolder(list, {true, folder, below});
            shown = WebSitesVisibleCount(list);
            (below ? clickBelow : click).push_back(Seconds(t));
            // The window then sorts the list to show the visible entries first
            // in its order (as after a search).
            t.restart();
            WebSitesSort(list, 1);
            if (below)
                clickSort.push_back(Seconds(t));
        }
    }
    std::printf("folder click shows %lld entries with those below\n",
                static_cast<long long>(shown));

    // Rename "Big" back and forth; the tree hears of each changed entry.
    for (int r = 0; r < runs; ++r) {
        const QString from = r % 2 ? QStringLiteral("Renamed") : QStringLiteral("Big");
        const QString to = r % 2 ? QStringLiteral("Big") : QStringLiteral("Renamed");
        std::vector<TSiteText> before;
        before.reserve(list.size());
        for (const TWebSite& s : list)
            before.push_back(s.Category);
        t.restart();
        const qsizetype changed = WebSitesRenameFolder(list, from, to);
        rename.push_back(Seconds(t));
        if (changed != big)
            std::abort();
        t.restart();
        for (qsizetype i = 0; i < list.Count(); ++i) {
            if (list[i].Category.Identity() == before[size_t(i)].Identity())
                continue;
            tree.Remove(before[size_t(i)]);
            tree.Add(list.at(i).Category);
        }
        tree.Flush();
        renameTree.push_back(Seconds(t));
        if (tree.Node(tree.Find(to)).Total != big)
            std::abort();
    }

    std::printf("median of %d runs\n", runs);
    Print("tree build", build);
    Print("folder click: filter", click);
    Print("folder click with below: filter", clickBelow);
    Print("folder click: sort to show", clickSort);
    std::printf("rename of a folder of %d entries:\n", big);
    Print("  the list's entries", rename);
    Print("  the tree follows", renameTree);
    return 0;
}
