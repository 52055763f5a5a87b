// The folder table of a list: landmarks, places, separators, empty folders.

#include <model/uBrowserTree.h>
#include <model/uWebSiteList.h>

#include <algorithm>

namespace {

TTreePlace PlaceAfter(TTreePlace Base, TTreePlace Place)
{
    if (Place == 0)
        return 0;
    return TTreePlace(std::min<int>(int(Base) + int(Place), MaxTreePlace));
}

// Landmarks that are one folder however many browsers bring one.
bool IsJoinedLandmark(TLandmark Landmark)
{
    return Landmark == TLandmark::Toolbar || Landmark == TLandmark::Other
           || Landmark == TLandmark::Mobile;
}

QString ChildPath(const QString& Parent, QStringView Name)
{
    if (Parent.isEmpty())
        return Name.toString();
    return Parent + u'\\' + Name.toString();
}

} // namespace

int TBrowserTree::Find(QStringView Path) const
{
    const auto it = FIndex.constFind(Path.toString());
    return it == FIndex.cend() ? -1 : *it;
}

const TFolderInfo* TBrowserTree::Info(QStringView Path) const
{
    const int i = Find(Path);
    return i < 0 ? nullptr : &FFolders[size_t(i)];
}

int TBrowserTree::LandmarkFolder(TLandmark Landmark) const
{
    return Landmark == TLandmark::None ? -1 : FLandmarks[int(Landmark)];
}

int TBrowserTree::Add(TFolderInfo Info)
{
    const int i = int(FFolders.size());
    FIndex.insert(Info.Path, i);
    const TLandmark landmark = Info.Landmark;
    FFolders.push_back(std::move(Info));
    if (landmark != TLandmark::None)
        FLandmarks[int(landmark)] = i;
    return i;
}

int TBrowserTree::Root()
{
    const int i = Find(QStringView());
    return i >= 0 ? i : Add(TFolderInfo{});
}

int TBrowserTree::Enter(int Parent, const QString& Path, TLandmark Landmark)
{
    if (IsJoinedLandmark(Landmark) && LandmarkFolder(Landmark) >= 0)
        return LandmarkFolder(Landmark);
    int i = Find(Path);
    if (i < 0) {
        TFolderInfo f;
        f.Path = Path;
        f.Place = Place(Parent);
        i = Add(std::move(f));
    }
    SetLandmark(i, Landmark);
    return i;
}

TTreePlace TBrowserTree::Place(int Folder)
{
    TTreePlace& last = FFolders[size_t(Folder)].Last;
    if (last < MaxTreePlace)
        ++last;
    return last;
}

void TBrowserTree::AddSeparator(int Folder)
{
    const TTreePlace at = Place(Folder);
    std::vector<TTreePlace>& s = FFolders[size_t(Folder)].Separators;
    if (s.empty() || s.back() < at)
        s.push_back(at);
}

void TBrowserTree::SetLandmark(int Folder, TLandmark Landmark)
{
    TFolderInfo& f = FFolders[size_t(Folder)];
    if (Landmark == TLandmark::None || f.Landmark != TLandmark::None
        || LandmarkFolder(Landmark) >= 0)
        return;
    f.Landmark = Landmark;
    FLandmarks[int(Landmark)] = Folder;
}

void TBrowserTree::ForgetPlaces()
{
    for (TFolderInfo& f : FFolders) {
        f.Place = 0;
        f.Separators.clear();
    }
}

void TBrowserTree::Clear()
{
    FFolders.clear();
    FIndex.clear();
    std::fill(std::begin(FLandmarks), std::end(FLandmarks), -1);
}

void TBrowserTree::Merge(const TBrowserTree& From, std::vector<TWebSite>& Sites)
{
    Merge(From, Sites.data(), qsizetype(Sites.size()));
}

void TBrowserTree::Merge(const TBrowserTree& From, TWebSite* Sites, qsizetype Count)
{
    if (From.isEmpty())
        return;
    const size_t n = size_t(From.Count());
    std::vector<int> target(n, -1);
    std::vector<TTreePlace> base(n, 0);
    std::vector<bool> renamed(n, false);
    QHash<int, TTreePlace> baseOf; // each target's last place before this merge
    const auto baseFor = [&](int t) {
        auto it = baseOf.find(t);
        if (it == baseOf.end())
            it = baseOf.insert(t, FFolders[size_t(t)].Last);
        return *it;
    };
    for (size_t i = 0; i < n; ++i) {
        const TFolderInfo& f = From.At(int(i));
        int t = -1;
        if (f.Path.isEmpty()) {
            t = Root();
        } else if (IsJoinedLandmark(f.Landmark) && LandmarkFolder(f.Landmark) >= 0) {
            t = LandmarkFolder(f.Landmark);
        } else {
            const qsizetype cut = f.Path.lastIndexOf(u'\\');
            const QString parentPath = cut < 0 ? QString() : f.Path.left(cut);
            const int p = From.Find(parentPath);
            const QString path =
                p >= 0 ? ChildPath(FFolders[size_t(target[size_t(p)])].Path, f.Path.mid(cut + 1))
                       : f.Path;
            t = Find(path);
            if (t < 0) {
                TFolderInfo g;
                g.Path = path;
                g.KeepEmpty = f.KeepEmpty;
                g.Place = p >= 0 ? PlaceAfter(base[size_t(p)], f.Place) : 0;
                t = Add(std::move(g));
                baseOf.insert(t, 0);
            }
        }
        SetLandmark(t, f.Landmark);
        target[i] = t;
        base[i] = baseFor(t);
        renamed[i] = FFolders[size_t(t)].Path != f.Path;
        TFolderInfo& g = FFolders[size_t(t)];
        for (const TTreePlace s : f.Separators)
            g.Separators.push_back(PlaceAfter(base[i], s));
        std::sort(g.Separators.begin(), g.Separators.end());
        g.Separators.erase(std::unique(g.Separators.begin(), g.Separators.end()),
                           g.Separators.end());
        g.Last = std::max(g.Last, PlaceAfter(base[i], f.Last));
    }

    // The entries, which come in runs of one folder.
    std::vector<TSiteText> renamedText(n);
    TSiteText lastCategory;
    int last = -2;
    for (qsizetype k = 0; k < Count; ++k) {
        TWebSite& site = Sites[k];
        if (last == -2 || !(site.Category == lastCategory)) {
            lastCategory = site.Category;
            last = From.Find(site.Category.toString());
        }
        if (last < 0)
            continue;
        const size_t i = size_t(last);
        site.Place = PlaceAfter(base[i], site.Place);
        if (renamed[i]) {
            if (renamedText[i].isEmpty())
                renamedText[i] = TSiteText(FFolders[size_t(target[i])].Path);
            site.Category = renamedText[i];
        }
    }
}

const char* LandmarkWord(TLandmark Landmark)
{
    switch (Landmark) {
    case TLandmark::None:
        break;
    case TLandmark::Menu:
        return "menu";
    case TLandmark::Toolbar:
        return "toolbar";
    case TLandmark::Other:
        return "other";
    case TLandmark::Mobile:
        return "mobile";
    }
    return "";
}

TLandmark LandmarkFromWord(QStringView Word)
{
    for (const TLandmark l :
         {TLandmark::Menu, TLandmark::Toolbar, TLandmark::Other, TLandmark::Mobile})
        if (Word.compare(QLatin1StringView(LandmarkWord(l)), Qt::CaseInsensitive) == 0)
            return l;
    return TLandmark::None;
}
