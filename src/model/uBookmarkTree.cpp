#include <model/uBookmarkTree.h>
#include <model/uWebSiteIcons.h>
#include <model/uWebSiteTags.h>

#include <QSet>

using namespace Qt::StringLiterals;

namespace {

// The names under which a root's contents reach the list: the browsers' own
// (English and Japanese) and those Zorvel's profile readers give a root they
// read as a folder.
bool IsRootName(const QString& Name, TBookmarkRoot Root, const TBookmarkTree& Names)
{
    if (!Names.Root(Root).Title.isEmpty() && Name == Names.Root(Root).Title)
        return true;
    static const QStringList toolbar = {u"Bookmarks Toolbar"_s, u"Bookmarks bar"_s,
                                        u"Bookmarks Bar"_s, u"ブックマークツールバー"_s,
                                        u"ブックマーク バー"_s};
    static const QStringList other = {u"Other Bookmarks"_s, u"Other bookmarks"_s,
                                      u"その他のブックマーク"_s};
    static const QStringList mobile = {u"Mobile Bookmarks"_s, u"Mobile bookmarks"_s,
                                       u"モバイルのブックマーク"_s};
    switch (Root) {
    case TBookmarkRoot::Toolbar:
        return toolbar.contains(Name);
    case TBookmarkRoot::Other:
        return other.contains(Name);
    case TBookmarkRoot::Mobile:
        return mobile.contains(Name);
    case TBookmarkRoot::Menu:
        break;
    }
    return false;
}

TBookmarkNode& FolderIn(TBookmarkNode& Parent, const QString& Title)
{
    // Entries of one folder come in runs: the last child is the likely one.
    for (auto it = Parent.Children.rbegin(); it != Parent.Children.rend(); ++it)
        if (it->Kind == TBookmarkNodeKind::Folder && it->Title == Title)
            return *it;
    TBookmarkNode folder;
    folder.Kind = TBookmarkNodeKind::Folder;
    folder.Title = Title;
    Parent.Children.push_back(std::move(folder));
    return Parent.Children.back();
}

bool HasListed(const TBookmarkNode& Node)
{
    if (Node.Kind == TBookmarkNodeKind::Url)
        return IsListedBookmarkUrl(Node.Url);
    for (const TBookmarkNode& c : Node.Children)
        if (HasListed(c))
            return true;
    return false;
}

bool HasUnlisted(const TBookmarkNode& Node)
{
    if (Node.Kind != TBookmarkNodeKind::Folder)
        return !HasListed(Node);
    if (!HasListed(Node))
        return true; // an empty folder, or one of bookmarklets only
    for (const TBookmarkNode& c : Node.Children)
        if (HasUnlisted(c))
            return true;
    return false;
}

qsizetype IndexOf(const TBookmarkNode& Folder, const TBookmarkNode& Item)
{
    for (size_t i = 0; i < Folder.Children.size(); ++i) {
        const TBookmarkNode& c = Folder.Children[i];
        if (c.Kind != Item.Kind)
            continue;
        if (Item.Kind == TBookmarkNodeKind::Url ? c.Url == Item.Url : c.Title == Item.Title)
            return qsizetype(i);
    }
    return -1;
}

void KeepIn(TBookmarkNode& New, const TBookmarkNode& Old)
{
    size_t at = 0;
    for (const TBookmarkNode& c : Old.Children) {
        const bool listedLink = c.Kind == TBookmarkNodeKind::Url && IsListedBookmarkUrl(c.Url);
        const bool mixedFolder = c.Kind == TBookmarkNodeKind::Folder && HasListed(c);
        if (!listedLink && !mixedFolder) {
            New.Children.insert(New.Children.begin() + qsizetype(at), c);
            ++at;
            continue;
        }
        qsizetype j = IndexOf(New, c);
        if (mixedFolder) {
            if (j < 0) {
                if (!HasUnlisted(c))
                    continue;
                TBookmarkNode folder = c;
                folder.Children.clear();
                New.Children.insert(New.Children.begin() + qsizetype(at), std::move(folder));
                j = qsizetype(at);
            }
            KeepIn(New.Children[size_t(j)], c);
        }
        if (j >= 0)
            at = size_t(j) + 1;
    }
}

void Collect(const TBookmarkNode& Folder, TBookmarkRoot Root, QStringList& Path,
             std::vector<TBookmarkPlace>& Out)
{
    for (const TBookmarkNode& c : Folder.Children) {
        if (c.Kind == TBookmarkNodeKind::Folder) {
            Path.append(c.Title);
            Collect(c, Root, Path, Out);
            Path.removeLast();
        } else if (c.Kind == TBookmarkNodeKind::Url && IsListedBookmarkUrl(c.Url)) {
            Out.push_back({Root, Path, c.Title, c.Url, c.Tags, c.Keyword});
        }
    }
}

} // namespace

bool IsListedBookmarkUrl(const QString& Url)
{
    return Url.startsWith(u"http://"_s, Qt::CaseInsensitive)
           || Url.startsWith(u"https://"_s, Qt::CaseInsensitive);
}

qsizetype BookmarkTreeCountListed(const TBookmarkTree& Tree)
{
    return qsizetype(BookmarkTreePlaces(Tree).size());
}

TBookmarkTree BookmarkTreeFromSites(const std::vector<TWebSite>& Sites, const TBookmarkTree& Names,
                                    TBookmarkRoot Default)
{
    TBookmarkTree tree;
    for (int r = 0; r < BookmarkRootCount; ++r) {
        TBookmarkNode& root = tree.Roots[size_t(r)];
        root = Names.Roots[size_t(r)];
        root.Children.clear();
        root.Kind = TBookmarkNodeKind::Folder;
    }
    // The Chromium reader gives the tops of the other and the mobile bookmarks as
    // one top level: a link there that is at the top of the mobile bookmarks now
    // stays there.
    QSet<QString> mobileTop;
    for (const TBookmarkNode& c : Names.Root(TBookmarkRoot::Mobile).Children)
        if (c.Kind == TBookmarkNodeKind::Url)
            mobileTop.insert(c.Url);
    for (const TWebSite& site : Sites) {
        QStringList folders =
            site.Category.isEmpty() ? QStringList() : site.Category.toString().split(u'\\');
        TBookmarkRoot root = Default;
        if (folders.isEmpty())
            root = mobileTop.contains(site.URL.toString()) ? TBookmarkRoot::Mobile : Default;
        else
            for (const TBookmarkRoot r :
                 {TBookmarkRoot::Toolbar, TBookmarkRoot::Other, TBookmarkRoot::Mobile})
                if (IsRootName(folders.first(), r, Names)) {
                    root = r;
                    folders.removeFirst();
                    break;
                }
        TBookmarkNode* folder = &tree.Root(root);
        for (const QString& name : folders)
            folder = &FolderIn(*folder, name);
        TBookmarkNode link;
        link.Title = site.Title.toString();
        link.Url = site.URL.toString();
        link.Added = DateToUnixSeconds(site.AddDate) * 1'000'000;
        const TDateTime modified = WebSiteModified(site);
        link.Modified =
            modified == TDateTime() ? link.Added : DateToUnixSeconds(modified) * 1'000'000;
        link.Tags = WebSiteTags(site);
        link.Keyword = WebSiteKeyword(site).toString();
        if (site.IconId)
            link.Icon = WebSiteIconDataURI(site.IconId);
        folder->Children.push_back(std::move(link));
    }
    return tree;
}

void BookmarkTreeKeepUnlisted(TBookmarkTree& Tree, const TBookmarkTree& Old)
{
    for (int r = 0; r < BookmarkRootCount; ++r)
        KeepIn(Tree.Roots[size_t(r)], Old.Roots[size_t(r)]);
}

std::vector<TBookmarkPlace> BookmarkTreePlaces(const TBookmarkTree& Tree)
{
    std::vector<TBookmarkPlace> out;
    QStringList path;
    for (int r = 0; r < BookmarkRootCount; ++r)
        Collect(Tree.Roots[size_t(r)], TBookmarkRoot(r), path, out);
    return out;
}
