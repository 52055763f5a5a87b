// The folder commands and their questions.

#include "uFolderCommands.h"

#include <model/uWebSiteFolders.h>

QStringList TFolderCommands::FolderPaths() const
{
    QStringList out;
    for (const TFolderTree::TNodeId id : FTree.Folders())
        out << FTree.Node(id).Path.toString();
    return out;
}

std::optional<QString> TFolderCommands::AskName(const QString& Title, const QString& Label,
                                                const QString& Proposed)
{
    QString proposed = Proposed;
    for (;;) {
        const std::optional<QString> answer = AskTextFn(Title, Label, proposed);
        if (!answer)
            return std::nullopt;
        const QString name = answer->trimmed();
        if (FolderNameIsValid(name))
            return name;
        if (!name.isEmpty() && InformFn)
            InformFn(Title, tr("A folder name cannot hold \"\\\"."));
        if (name.isEmpty())
            return std::nullopt;
        proposed = *answer;
    }
}

bool TFolderCommands::NewFolder(const QString& Parent)
{
    const std::optional<QString> name =
        AskName(tr("New Folder"), tr("Name of the new folder:"), tr("New folder"));
    if (!name)
        return false;
    // A folder without entries lives in the tree until entries come to it.
    FTree.SetKept(FolderJoin(Parent, *name), true);
    return true;
}

bool TFolderCommands::MoveFolder(const QString& Text, const QString& From, const QString& To)
{
    if (!FolderRenameIsAllowed(From, To))
        return false;
    // The empty folders below From go along.
    QStringList kept;
    for (const TFolderTree::TNodeId id : FTree.Folders()) {
        const TFolderTree::TNode& n = FTree.Node(id);
        if (n.Kept && FolderContains(From, n.Path))
            kept << n.Path.toString();
    }
    for (const QString& path : std::as_const(kept)) {
        FTree.SetKept(To + path.mid(From.size()), true);
        FTree.SetKept(path, false);
    }
    if (WebSitesCountInFolder(FList, From) > 0)
        ChangeFn(Text, [&](TWebSiteList& List) { WebSitesRenameFolder(List, From, To); });
    FTree.Flush();
    return true;
}

bool TFolderCommands::RenameFolder(const QString& Path)
{
    if (Path.isEmpty())
        return false;
    const QString old = FolderNameOf(Path).toString();
    const std::optional<QString> name =
        AskName(tr("Rename Folder"), tr("New name of the folder \"%1\":").arg(old), old);
    if (!name || *name == old)
        return false;
    const QString to = FolderJoin(FolderParentOf(Path), *name);
    const bool merge = FTree.Find(to) >= 0;
    return MoveFolder(merge ? tr("Merge Folders") : tr("Rename Folder"), Path, to);
}

bool TFolderCommands::DeleteFolder(const QString& Path)
{
    if (Path.isEmpty())
        return false;
    const qsizetype count = WebSitesCountInFolder(FList, Path);
    const TDeleteChoice choice = count == 0 ? TDeleteChoice::KeepEntries : AskDeleteFn(Path, count);
    if (choice == TDeleteChoice::Cancel)
        return false;
    for (const TFolderTree::TNodeId id : FTree.Folders())
        if (FTree.Node(id).Kept && FolderContains(Path, FTree.Node(id).Path))
            FTree.SetKept(FTree.Node(id).Path.toString(), false);
    if (count > 0) {
        if (choice == TDeleteChoice::DeleteEntries)
            ChangeFn(tr("Delete Folder"),
                     [&](TWebSiteList& List) { WebSitesDeleteFolder(List, Path); });
        else
            ChangeFn(tr("Delete Folder"),
                     [&](TWebSiteList& List) { WebSitesDissolveFolder(List, Path); });
    }
    FTree.Flush();
    return true;
}

bool TFolderCommands::MergeFolder(const QString& Path)
{
    QStringList others;
    for (const TFolderTree::TNodeId id : FTree.FoldersNamed(FolderNameOf(Path)))
        if (FTree.Node(id).Path != Path)
            others << FTree.Node(id).Path.toString();
    if (others.isEmpty()) {
        if (InformFn)
            InformFn(tr("Merge Folders"),
                     tr("No other folder is named \"%1\".").arg(FolderNameOf(Path).toString()));
        return false;
    }
    // Only the folders it may go into.
    others.removeIf([&](const QString& o) { return !FolderRenameIsAllowed(Path, o); });
    if (others.isEmpty())
        return false;
    const std::optional<QString> into = others.size() == 1 ? std::optional<QString>(others.front())
                                                           : PickFolderFn(others, others.front());
    if (!into || into->isEmpty())
        return false;
    return MoveFolder(tr("Merge Folders"), Path, *into);
}

bool TFolderCommands::MoveSelectedToFolder(const QString& Current)
{
    const std::optional<QString> to = PickFolderFn(FolderPaths(), Current);
    if (!to)
        return false;
    return DropEntries(*to);
}

bool TFolderCommands::DropEntries(const QString& Folder)
{
    bool any = false;
    for (const TWebSite& s : FList)
        if (s.Selected && s.Visible && s.Category != Folder) {
            any = true;
            break;
        }
    if (!any)
        return false;
    ChangeFn(tr("Move to Folder"),
             [&](TWebSiteList& List) { WebSitesMoveSelectedToFolder(List, Folder); });
    FTree.Flush();
    return true;
}

bool TFolderCommands::DropFolder(const QString& From, const QString& NewParent)
{
    const QString to = FolderJoin(NewParent, FolderNameOf(From));
    return MoveFolder(FTree.Find(to) >= 0 ? tr("Merge Folders") : tr("Move Folder"), From, to);
}
