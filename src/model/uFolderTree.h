#pragma once
// The folders of a bookmark list as a tree with their entry counts, kept up to
// date entry by entry: a change of a few entries touches the nodes of their
// folders only, so the tree follows moves, adds, deletes and undo of a list of
// a million entries without being built again. GUI-free; the window's tree
// view reads it through a Qt item model (src/app/uFolderTreeModel.h).

#include <model/uSiteText.h>
#include <model/uWebSiteList.h>

#include <QHash>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

// The folders the browsers make themselves; shown with a mark and listed first.
enum class TFolderLandmark : std::uint8_t
{
    None,
    Toolbar,
    Menu,
    Other,
    Mobile
};

// What the list knows of its folders beyond the entries' categories: folders
// that hold no entry, and which folders are a browser's landmarks.
struct TFolderMarks
{
    QStringList EmptyFolders;
    QHash<QString, TFolderLandmark> Landmarks;
};

class TFolderTree
{
public:
    using TNodeId = std::int32_t;
    // The top level: its own entries are those without a folder.
    static constexpr TNodeId Root = 0;

    struct TNode
    {
        TSiteText Path; // "" for the root
        QString Name;
        TNodeId Parent = -1;
        std::vector<TNodeId> Children; // landmarks first, then by name, letter case last
        qsizetype Own = 0;             // entries in this folder itself
        qsizetype Total = 0;           // entries here and below
        bool Kept = false;             // shown even when it holds no entry
        TFolderLandmark Landmark = TFolderLandmark::None;
        bool Used = false;    // false: a free slot
        bool Touched = false; // its count changed since the last Flush
    };

    // Told of every change of the tree's shape, before and after, and of the
    // nodes whose counts changed; a Qt item model forwards them to its views.
    class TListener
    {
    public:
        virtual ~TListener() = default;
        virtual void BeforeReset() = 0;
        virtual void AfterReset() = 0;
        virtual void BeforeInsert(TNodeId Parent, int Row) = 0;
        virtual void AfterInsert() = 0;
        virtual void BeforeRemove(TNodeId Parent, int Row) = 0;
        virtual void AfterRemove() = 0;
        virtual void CountsChanged(const std::vector<TNodeId>& Nodes) = 0;
    };

    TFolderTree();
    void SetListener(TListener* Listener) { FListener = Listener; }

    // Builds the tree of List's categories and Marks anew (a reset for the listener).
    void Build(const TWebSiteList& List, const TFolderMarks& Marks = {});
    // Entries with Category came or left. Folders appear at once; the counts, and
    // the folders that became empty, are settled by Flush.
    void Add(const TSiteText& Category, qsizetype Count = 1);
    void Remove(const TSiteText& Category, qsizetype Count = 1);
    // Tells the listener the changed counts and takes away the folders left with
    // no entry, no kept folder below them and no mark of their own.
    void Flush();
    // Keeps the folder Path shown while it holds no entry (a new folder, or an
    // empty one a browser file had), or no longer; Flush settles the latter.
    void SetKept(QStringView Path, bool Kept);

    TNodeId Find(QStringView Path) const;
    const TNode& Node(TNodeId Id) const { return FNodes[size_t(Id)]; }
    // The place of a node among its parent's children (0 for the root).
    int RowOf(TNodeId Id) const;
    // Every folder below the root, depth first in the children's order.
    std::vector<TNodeId> Folders() const;
    // The folders named Name (exactly), for merging folders of the same name.
    std::vector<TNodeId> FoldersNamed(QStringView Name) const;
    qsizetype FolderCount() const { return FByPath.size(); }

private:
    TNodeId Ensure(const TSiteText& Path);
    TNodeId NodeOfCategory(const TSiteText& Category);
    void Touch(TNodeId Id);
    void Insert(TNodeId Parent, TNodeId Child);
    void RemoveNode(TNodeId Id);
    void AddCount(TNodeId Id, qsizetype Delta);
    bool Before(TNodeId A, TNodeId B) const;
    bool Removable(TNodeId Id) const;

    std::vector<TNode> FNodes;
    std::vector<TNodeId> FFree;
    QHash<TSiteText, TNodeId> FByPath;
    QHash<QString, TFolderLandmark> FLandmarks;
    std::vector<TNodeId> FTouched;
    TListener* FListener = nullptr;
    bool FBuilding = false;
    // Entries of one folder come in runs: the last category's node is kept.
    TSiteText FLastCategory;
    TNodeId FLastNode = -1;
};
