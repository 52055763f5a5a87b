// The folder tree with its counts: built once per list, then kept up to date
// by the entries that come and go.

#include <model/uFolderTree.h>
#include <model/uWebSiteFolders.h>

#include <algorithm>

TFolderTree::TFolderTree()
{
    FNodes.resize(1);
    FNodes[0].Used = true;
}

void TFolderTree::Build(const TWebSiteList& List, const TFolderMarks& Marks)
{
    if (FListener)
        FListener->BeforeReset();
    FNodes.assign(1, TNode{});
    FNodes[0].Used = true;
    FFree.clear();
    FByPath.clear();
    FTouched.clear();
    FLastCategory.clear();
    FLastNode = -1;
    FLandmarks = Marks.Landmarks;
    FBuilding = true;

    // Count by the category's storage first: the list shares one text per
    // folder, so a million entries cost a million pointer lookups, and the
    // texts are hashed once per folder.
    QHash<const void*, std::pair<TSiteText, qsizetype>> byText;
    const void* last = nullptr;
    qsizetype* lastCount = nullptr;
    for (const TWebSite& s : List) {
        const void* id = s.Category.Identity();
        if (id != last || !lastCount) {
            auto it = byText.find(id);
            if (it == byText.end())
                it = byText.insert(id, {s.Category, 0});
            last = id;
            lastCount = &it->second;
        }
        ++*lastCount;
    }
    for (const auto& [text, count] : std::as_const(byText))
        FNodes[size_t(Ensure(text))].Own += count;
    for (const QString& path : Marks.EmptyFolders)
        FNodes[size_t(Ensure(TSiteText(path)))].Kept = true;
    for (auto it = Marks.Landmarks.cbegin(); it != Marks.Landmarks.cend(); ++it)
        if (!it.key().isEmpty())
            FNodes[size_t(Ensure(TSiteText(it.key())))].Landmark = it.value();

    // A parent is made before its children, so a walk down the ids meets every
    // child before its parent.
    for (size_t i = FNodes.size(); i-- > 1;) {
        TNode& n = FNodes[i];
        n.Total += n.Own;
        FNodes[size_t(n.Parent)].Total += n.Total;
    }
    FNodes[0].Total += FNodes[0].Own;
    for (TNode& n : FNodes)
        std::sort(n.Children.begin(), n.Children.end(),
                  [this](TNodeId a, TNodeId b) { return Before(a, b); });
    FBuilding = false;
    if (FListener)
        FListener->AfterReset();
}

TFolderTree::TNodeId TFolderTree::Ensure(const TSiteText& Path)
{
    if (Path.isEmpty())
        return Root;
    if (const auto it = FByPath.constFind(Path); it != FByPath.cend())
        return it.value();
    const QString path = Path.toString();
    const TNodeId parent = Ensure(TSiteText(FolderParentOf(path)));
    TNodeId id;
    if (FFree.empty()) {
        id = TNodeId(FNodes.size());
        FNodes.emplace_back();
    } else {
        id = FFree.back();
        FFree.pop_back();
        FNodes[size_t(id)] = TNode{};
    }
    TNode& n = FNodes[size_t(id)];
    n.Path = Path;
    n.Name = FolderNameOf(path).toString();
    n.Parent = parent;
    n.Used = true;
    if (const auto mark = FLandmarks.constFind(path); mark != FLandmarks.cend())
        n.Landmark = mark.value();
    FByPath.insert(Path, id);
    Insert(parent, id);
    return id;
}

void TFolderTree::Insert(TNodeId Parent, TNodeId Child)
{
    std::vector<TNodeId>& children = FNodes[size_t(Parent)].Children;
    if (FBuilding) {
        children.push_back(Child);
        return;
    }
    const auto at = std::lower_bound(children.begin(), children.end(), Child,
                                     [this](TNodeId a, TNodeId b) { return Before(a, b); });
    const int row = int(at - children.begin());
    if (FListener)
        FListener->BeforeInsert(Parent, row);
    children.insert(at, Child);
    if (FListener)
        FListener->AfterInsert();
}

bool TFolderTree::Before(TNodeId A, TNodeId B) const
{
    const TNode& a = FNodes[size_t(A)];
    const TNode& b = FNodes[size_t(B)];
    // Landmarks in the browsers' order, before the user's folders (None is last).
    const auto rank = [](TFolderLandmark l) { return l == TFolderLandmark::None ? 99 : int(l); };
    if (rank(a.Landmark) != rank(b.Landmark))
        return rank(a.Landmark) < rank(b.Landmark);
    if (const int c = QString::compare(a.Name, b.Name, Qt::CaseInsensitive); c != 0)
        return c < 0;
    return a.Name < b.Name;
}

TFolderTree::TNodeId TFolderTree::NodeOfCategory(const TSiteText& Category)
{
    if (FLastNode >= 0 && Category.Identity() == FLastCategory.Identity())
        return FLastNode;
    FLastNode = Ensure(Category);
    FLastCategory = Category;
    return FLastNode;
}

void TFolderTree::Touch(TNodeId Id)
{
    TNode& n = FNodes[size_t(Id)];
    if (!n.Touched) {
        n.Touched = true;
        FTouched.push_back(Id);
    }
}

void TFolderTree::AddCount(TNodeId Id, qsizetype Delta)
{
    FNodes[size_t(Id)].Own += Delta;
    for (TNodeId x = Id; x >= 0; x = FNodes[size_t(x)].Parent) {
        FNodes[size_t(x)].Total += Delta;
        Touch(x);
    }
}

void TFolderTree::Add(const TSiteText& Category, qsizetype Count)
{
    AddCount(NodeOfCategory(Category), Count);
}

void TFolderTree::Remove(const TSiteText& Category, qsizetype Count)
{
    AddCount(NodeOfCategory(Category), -Count);
}

void TFolderTree::SetKept(QStringView Path, bool Kept)
{
    const TSiteText path(Path);
    if (Kept) {
        FNodes[size_t(Ensure(path))].Kept = true;
        return;
    }
    const auto it = FByPath.constFind(path);
    if (it == FByPath.cend())
        return;
    FNodes[size_t(it.value())].Kept = false;
    Touch(it.value());
}

bool TFolderTree::Removable(TNodeId Id) const
{
    const TNode& n = FNodes[size_t(Id)];
    return Id != Root && n.Used && n.Total == 0 && !n.Kept && n.Children.empty()
           && n.Landmark == TFolderLandmark::None;
}

void TFolderTree::RemoveNode(TNodeId Id)
{
    const TNodeId parent = FNodes[size_t(Id)].Parent;
    std::vector<TNodeId>& children = FNodes[size_t(parent)].Children;
    const int row = RowOf(Id);
    if (FListener)
        FListener->BeforeRemove(parent, row);
    children.erase(children.begin() + row);
    if (FListener)
        FListener->AfterRemove();
    FByPath.remove(FNodes[size_t(Id)].Path);
    if (FLastNode == Id) {
        FLastNode = -1;
        FLastCategory.clear();
    }
    FNodes[size_t(Id)] = TNode{};
    FFree.push_back(Id);
}

void TFolderTree::Flush()
{
    std::vector<TNodeId> touched;
    touched.swap(FTouched);
    // An emptied folder goes, then its parent when that is left empty too.
    for (TNodeId id : touched) {
        for (TNodeId x = id; Removable(x);) {
            const TNodeId parent = FNodes[size_t(x)].Parent;
            RemoveNode(x);
            x = parent;
        }
    }
    std::vector<TNodeId> changed;
    for (TNodeId id : touched) {
        TNode& n = FNodes[size_t(id)];
        if (n.Used && n.Touched) {
            n.Touched = false;
            changed.push_back(id);
        }
    }
    if (FListener && !changed.empty())
        FListener->CountsChanged(changed);
}

TFolderTree::TNodeId TFolderTree::Find(QStringView Path) const
{
    if (Path.isEmpty())
        return Root;
    return FByPath.value(TSiteText(Path), -1);
}

int TFolderTree::RowOf(TNodeId Id) const
{
    if (Id == Root)
        return 0;
    const std::vector<TNodeId>& children = FNodes[size_t(FNodes[size_t(Id)].Parent)].Children;
    const auto at = std::lower_bound(children.begin(), children.end(), Id,
                                     [this](TNodeId a, TNodeId b) { return Before(a, b); });
    return int(at - children.begin());
}

std::vector<TFolderTree::TNodeId> TFolderTree::Folders() const
{
    std::vector<TNodeId> out;
    out.reserve(size_t(FolderCount()));
    std::vector<TNodeId> stack(FNodes[0].Children.rbegin(), FNodes[0].Children.rend());
    while (!stack.empty()) {
        const TNodeId id = stack.back();
        stack.pop_back();
        out.push_back(id);
        const std::vector<TNodeId>& c = FNodes[size_t(id)].Children;
        stack.insert(stack.end(), c.rbegin(), c.rend());
    }
    return out;
}

std::vector<TFolderTree::TNodeId> TFolderTree::FoldersNamed(QStringView Name) const
{
    std::vector<TNodeId> out;
    for (size_t i = 1; i < FNodes.size(); ++i)
        if (FNodes[i].Used && FNodes[i].Name == Name)
            out.push_back(TNodeId(i));
    return out;
}
