// Folder paths and the reorganising of folders: moves, renames, merges, deletes.

#include <model/uWebSiteFolders.h>

#include <QHash>

#include <algorithm>

namespace {

// Entries of one folder come in runs and share one category text, so a walk
// over the list asks once per run and once per distinct text, not per entry.
// The texts are told apart by their storage, which the cache keeps alive.
template <typename TValue, typename F>
class TPerCategory
{
public:
    explicit TPerCategory(F Compute) : FCompute(std::move(Compute)) {}
    const TValue& operator()(const TSiteText& Category)
    {
        const void* id = Category.Identity();
        if (FLast && id == FLastId)
            return *FLast;
        auto it = FSeen.find(id);
        if (it == FSeen.end())
            it = FSeen.insert(id, {Category, FCompute(Category)});
        FLastId = id;
        FLast = &it->second;
        return *FLast;
    }

private:
    F FCompute;
    QHash<const void*, std::pair<TSiteText, TValue>> FSeen;
    const void* FLastId = nullptr;
    const TValue* FLast = nullptr;
};

template <typename TValue, typename F>
TPerCategory<TValue, F> PerCategory(F Compute)
{
    return TPerCategory<TValue, F>(std::move(Compute));
}

// The list's own copy of Text when an entry has that category already, so that
// a folder that grows by a move or a merge still shares one text.
TSiteText SharedCategory(const TWebSiteList& List, const QString& Text)
{
    if (Text.isEmpty())
        return {};
    auto equal = PerCategory<bool>([&](const TSiteText& c) { return c == Text; });
    for (const TWebSite& s : List)
        if (equal(s.Category))
            return s.Category;
    return TSiteText(Text);
}

} // namespace

QStringView FolderParentOf(QStringView Path)
{
    const qsizetype cut = Path.lastIndexOf(FolderSeparator);
    return cut < 0 ? QStringView() : Path.left(cut);
}

QStringView FolderNameOf(QStringView Path)
{
    return Path.mid(Path.lastIndexOf(FolderSeparator) + 1);
}

QString FolderJoin(QStringView Parent, QStringView Name)
{
    if (Parent.isEmpty())
        return Name.toString();
    QString path;
    path.reserve(Parent.size() + 1 + Name.size());
    path.append(Parent).append(QChar(FolderSeparator)).append(Name);
    return path;
}

bool FolderContains(QStringView Folder, QStringView Category)
{
    if (Folder.isEmpty())
        return true;
    return Category.startsWith(Folder)
           && (Category.size() == Folder.size() || Category[Folder.size()] == FolderSeparator);
}

bool FolderContains(QStringView Folder, const TSiteText& Category)
{
    if (Folder.isEmpty())
        return true;
    return Category.Visit([&](auto c) {
        return c.startsWith(Folder)
               && (c.size() == Folder.size() || c[Folder.size()] == QChar(FolderSeparator));
    });
}

bool FolderNameIsValid(QStringView Name)
{
    return !Name.trimmed().isEmpty() && !Name.contains(FolderSeparator);
}

bool FolderRenameIsAllowed(QStringView From, QStringView To)
{
    return !From.isEmpty() && From != To && !FolderContains(From, To);
}

bool TFolderFilter::Admits(const TSiteText& Category) const
{
    if (!Active)
        return true;
    if (Path.isEmpty())
        return Category.isEmpty();
    if (!Below)
        return Category == Path;
    return FolderContains(Path, Category);
}

void WebSitesKeepInFolder(TWebSiteList& List, const TFolderFilter& Filter)
{
    if (!Filter.Active)
        return;
    auto admits = PerCategory<bool>([&](const TSiteText& c) { return Filter.Admits(c); });
    for (TWebSite& s : List.Items())
        if (s.Visible && !admits(s.Category))
            s.Visible = false;
}

qsizetype WebSitesMoveSelectedToFolder(TWebSiteList& List, const QString& Folder)
{
    const TSiteText to = SharedCategory(List, Folder);
    qsizetype changed = 0;
    for (qsizetype i = 0; i < List.Count(); ++i) {
        const TWebSite& s = List[qsizetype(i)];
        if (!s.Selected || !s.Visible || s.Category == to)
            continue;
        List.EditKeepURL(i).Category = to;
        ++changed;
    }
    return changed;
}

qsizetype WebSitesRenameFolder(TWebSiteList& List, const QString& From, const QString& To)
{
    if (!FolderRenameIsAllowed(From, To))
        return 0;
    // The new text of each category below From, made once and shared by its
    // entries, or the text the list already has when it merges into a folder.
    QHash<TSiteText, TSiteText> existing;
    auto note = PerCategory<bool>([&](const TSiteText& c) {
        if (FolderContains(To, c))
            existing.insert(c, c);
        return true;
    });
    for (const TWebSite& s : List)
        note(s.Category);
    auto renamed = PerCategory<TSiteText>([&](const TSiteText& c) {
        if (!FolderContains(From, c))
            return c;
        QString rest = c.mid(From.size());
        if (To.isEmpty() && rest.startsWith(FolderSeparator))
            rest.remove(0, 1);
        const TSiteText made(To + rest);
        return existing.value(made, made);
    });
    qsizetype changed = 0;
    for (qsizetype i = 0; i < List.Count(); ++i) {
        const TSiteText& c = List.at(i).Category;
        const TSiteText& n = renamed(c);
        if (n.Identity() == c.Identity())
            continue;
        List.EditKeepURL(i).Category = n;
        ++changed;
    }
    return changed;
}

qsizetype WebSitesMoveFolder(TWebSiteList& List, const QString& Path, const QString& NewParent)
{
    return WebSitesRenameFolder(List, Path, FolderJoin(NewParent, FolderNameOf(Path)));
}

qsizetype WebSitesDissolveFolder(TWebSiteList& List, const QString& Path)
{
    return WebSitesRenameFolder(List, Path, FolderParentOf(Path).toString());
}

qsizetype WebSitesDeleteFolder(TWebSiteList& List, const QString& Path)
{
    if (Path.isEmpty())
        return 0;
    auto inside = PerCategory<bool>([&](const TSiteText& c) { return FolderContains(Path, c); });
    std::vector<TWebSite>& items = List.Items();
    const auto before = items.size();
    std::erase_if(items, [&](const TWebSite& s) { return inside(s.Category); });
    return qsizetype(before - items.size());
}

qsizetype WebSitesCountInFolder(const TWebSiteList& List, const QString& Path)
{
    auto inside = PerCategory<bool>([&](const TSiteText& c) { return FolderContains(Path, c); });
    return std::count_if(List.begin(), List.end(),
                         [&](const TWebSite& s) { return inside(s.Category); });
}
