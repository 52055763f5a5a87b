#pragma once
// The folder commands: what the folder pane, the drops on the tree and "Move to
// folder" ask for, with their questions to the user. Each change of the
// entries goes through ChangeFn, which the window points at the one place that
// changes the list and records the undo step; the tree then follows the change.

#include <model/uFolderTree.h>
#include <model/uWebSiteList.h>

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class TFolderCommands
{
    Q_DECLARE_TR_FUNCTIONS(TFolderCommands)
public:
    // How a folder with entries is deleted.
    enum class TDeleteChoice
    {
        Cancel,
        KeepEntries,   // they go to the parent folder
        DeleteEntries, // they are deleted with the folder
    };

    TFolderCommands(TWebSiteList& List, TFolderTree& Tree) : FList(List), FTree(Tree) {}

    // ---- What the window supplies.
    // Runs Change on the list as one undo step named Text.
    std::function<void(const QString& Text, const std::function<void(TWebSiteList&)>& Change)>
        ChangeFn;
    // Asks for a text (title, label, proposed text); nothing when cancelled.
    std::function<std::optional<QString>(const QString&, const QString&, const QString&)> AskTextFn;
    // Asks how to delete folder Path holding Count entries.
    std::function<TDeleteChoice(const QString& Path, qsizetype Count)> AskDeleteFn;
    // Picks a folder among Folders (paths), Current first chosen; nothing when
    // cancelled, "" for no folder.
    std::function<std::optional<QString>(const QStringList& Folders, const QString& Current)>
        PickFolderFn;
    // Tells the user something went wrong (title, text).
    std::function<void(const QString&, const QString&)> InformFn;

    // ---- The commands; each returns true when it changed something.
    bool NewFolder(const QString& Parent);
    // Renaming to the name of a sibling merges the two.
    bool RenameFolder(const QString& Path);
    bool DeleteFolder(const QString& Path);
    // Merges Path into another folder of the same name (picked when there are several).
    bool MergeFolder(const QString& Path);
    // "Move to folder" of the selected entries (Selected and Visible).
    bool MoveSelectedToFolder(const QString& Current);
    // Drops on the tree.
    bool DropEntries(const QString& Folder);
    bool DropFolder(const QString& From, const QString& NewParent);

    // Every folder's path in the tree's order.
    QStringList FolderPaths() const;

private:
    // The name the user gives a folder, asked until it is valid or cancelled.
    std::optional<QString> AskName(const QString& Title, const QString& Label,
                                   const QString& Proposed);
    // Moves a folder to another path (rename, move or merge) as one step; a
    // folder that holds no entry only moves in the tree.
    bool MoveFolder(const QString& Text, const QString& From, const QString& To);

    TWebSiteList& FList;
    TFolderTree& FTree;
};
