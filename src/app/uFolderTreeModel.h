#pragma once
// The folder tree beside the list as a Qt item model: one "All bookmarks" node
// at the top holding every folder, and after the folders a node for the entries
// without one. It owns the TFolderTree and forwards the tree's changes to its
// views row by row, so a move of a few entries never resets the view.
//
// Drops are not carried out here: the model says what was dropped where
// (entriesDropped, folderDropped) and the window makes the change as one step.

#include <model/uFolderTree.h>
#include <model/uWebSiteFolders.h>

#include <QAbstractItemModel>

class TFolderTreeModel : public QAbstractItemModel, private TFolderTree::TListener
{
    Q_OBJECT
public:
    enum TRole
    {
        PathRole = Qt::UserRole + 1, // QString: the folder's path ("" for All and No folder)
        FilterRole,                  // bool: Active of the filter the node selects
    };
    // The drag data of a folder (its path) and of the list's selected entries.
    static constexpr char FolderMimeType[] = "application/x-zorvel-folder";
    static constexpr char EntriesMimeType[] = "application/x-zorvel-entries";

    explicit TFolderTreeModel(QObject* Parent = nullptr);
    ~TFolderTreeModel() override;

    TFolderTree& Tree() { return FTree; }
    const TFolderTree& Tree() const { return FTree; }

    QModelIndex AllIndex() const;
    QModelIndex NoFolderIndex() const;
    QModelIndex IndexOfNode(TFolderTree::TNodeId Id) const;
    QModelIndex IndexOfPath(const QString& Path) const;
    // The entries a node shows: All (no filter), a folder (with those below it
    // when Below), No folder.
    TFolderFilter FilterOf(const QModelIndex& Index, bool Below) const;
    // The node of a filter, All when it is gone.
    QModelIndex IndexOfFilter(const TFolderFilter& Filter) const;
    // A folder node (not All nor No folder).
    bool IsFolder(const QModelIndex& Index) const;

    QModelIndex index(int Row, int Column, const QModelIndex& Parent = {}) const override;
    QModelIndex parent(const QModelIndex& Child) const override;
    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& Indexes) const override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;
    bool canDropMimeData(const QMimeData* Data, Qt::DropAction Action, int Row, int Column,
                         const QModelIndex& Parent) const override;
    bool dropMimeData(const QMimeData* Data, Qt::DropAction Action, int Row, int Column,
                      const QModelIndex& Parent) override;

Q_SIGNALS:
    // The list's selected entries were dropped on Folder ("": out of every folder).
    void entriesDropped(const QString& Folder);
    // Folder From was dropped on NewParent ("": the top level).
    void folderDropped(const QString& From, const QString& NewParent);

private:
    static constexpr TFolderTree::TNodeId NoFolderNode = -2;
    TFolderTree::TNodeId NodeOf(const QModelIndex& Index) const;
    // The path a drop on Index goes to ("" for All and No folder).
    QString DropPath(const QModelIndex& Index) const;

    void BeforeReset() override;
    void AfterReset() override;
    void BeforeInsert(TFolderTree::TNodeId Parent, int Row) override;
    void AfterInsert() override;
    void BeforeRemove(TFolderTree::TNodeId Parent, int Row) override;
    void AfterRemove() override;
    void CountsChanged(const std::vector<TFolderTree::TNodeId>& Nodes) override;

    TFolderTree FTree;
};
