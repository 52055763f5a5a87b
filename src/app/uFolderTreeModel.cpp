// The folder tree's item model: nodes are the tree's ids, All is the tree's root.

#include "uFolderTreeModel.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLocale>
#include <QMimeData>
#include <QPalette>
#include <QStyle>

using TNodeId = TFolderTree::TNodeId;

namespace {

// An index's internal id: the node id, or NoFolderNode, as an unsigned number.
quintptr IdOf(TNodeId Id)
{
    return quintptr(std::uint32_t(Id));
}

QString CountText(qsizetype N)
{
    return QLocale().toString(qint64(N));
}

} // namespace

TFolderTreeModel::TFolderTreeModel(QObject* Parent) : QAbstractItemModel(Parent)
{
    FTree.SetListener(this);
}

TFolderTreeModel::~TFolderTreeModel()
{
    FTree.SetListener(nullptr);
}

TNodeId TFolderTreeModel::NodeOf(const QModelIndex& Index) const
{
    if (!Index.isValid())
        return -1;
    return TNodeId(std::uint32_t(Index.internalId()));
}

QModelIndex TFolderTreeModel::AllIndex() const
{
    return createIndex(0, 0, IdOf(TFolderTree::Root));
}

QModelIndex TFolderTreeModel::NoFolderIndex() const
{
    return createIndex(int(FTree.Node(TFolderTree::Root).Children.size()), 0, IdOf(NoFolderNode));
}

QModelIndex TFolderTreeModel::IndexOfNode(TNodeId Id) const
{
    if (Id == NoFolderNode)
        return NoFolderIndex();
    if (Id < 0)
        return {};
    return createIndex(FTree.RowOf(Id), 0, IdOf(Id));
}

QModelIndex TFolderTreeModel::IndexOfPath(const QString& Path) const
{
    return IndexOfNode(FTree.Find(Path));
}

bool TFolderTreeModel::IsFolder(const QModelIndex& Index) const
{
    const TNodeId id = NodeOf(Index);
    return id > TFolderTree::Root;
}

TFolderFilter TFolderTreeModel::FilterOf(const QModelIndex& Index, bool Below) const
{
    const TNodeId id = NodeOf(Index);
    if (id == NoFolderNode)
        return {true, QString(), false};
    if (id <= TFolderTree::Root)
        return {};
    return {true, FTree.Node(id).Path.toString(), Below};
}

QModelIndex TFolderTreeModel::IndexOfFilter(const TFolderFilter& Filter) const
{
    if (!Filter.Active)
        return AllIndex();
    if (Filter.Path.isEmpty())
        return NoFolderIndex();
    const QModelIndex found = IndexOfPath(Filter.Path);
    return found.isValid() ? found : AllIndex();
}

QModelIndex TFolderTreeModel::index(int Row, int Column, const QModelIndex& Parent) const
{
    if (Row < 0 || Column != 0)
        return {};
    if (!Parent.isValid())
        return Row == 0 ? AllIndex() : QModelIndex();
    const TNodeId parent = NodeOf(Parent);
    if (parent == NoFolderNode)
        return {};
    const std::vector<TNodeId>& children = FTree.Node(parent).Children;
    if (size_t(Row) < children.size())
        return createIndex(Row, 0, IdOf(children[size_t(Row)]));
    if (parent == TFolderTree::Root && size_t(Row) == children.size())
        return NoFolderIndex();
    return {};
}

QModelIndex TFolderTreeModel::parent(const QModelIndex& Child) const
{
    const TNodeId id = NodeOf(Child);
    if (id == NoFolderNode)
        return AllIndex();
    if (id <= TFolderTree::Root)
        return {};
    return IndexOfNode(FTree.Node(id).Parent);
}

int TFolderTreeModel::rowCount(const QModelIndex& Parent) const
{
    if (!Parent.isValid())
        return 1;
    if (Parent.column() != 0)
        return 0;
    const TNodeId id = NodeOf(Parent);
    if (id == NoFolderNode)
        return 0;
    const int folders = int(FTree.Node(id).Children.size());
    return id == TFolderTree::Root ? folders + 1 : folders;
}

int TFolderTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant TFolderTreeModel::data(const QModelIndex& Index, int Role) const
{
    const TNodeId id = NodeOf(Index);
    if (id < 0 && id != NoFolderNode)
        return {};
    const TFolderTree::TNode& root = FTree.Node(TFolderTree::Root);
    const bool all = id == TFolderTree::Root;
    const bool none = id == NoFolderNode;
    const TFolderTree::TNode* node = none ? nullptr : &FTree.Node(id);
    const QString name = all ? tr("All bookmarks") : none ? tr("No folder") : node->Name;
    const qsizetype own = none ? root.Own : node->Own;
    const qsizetype total = none ? root.Own : node->Total;
    const bool landmark = node && node->Landmark != TFolderLandmark::None;

    switch (Role) {
    case Qt::DisplayRole:
        // The folder's own entries, and those below it when there are any.
        if (all || own == total)
            return tr("%1 (%2)").arg(name, CountText(total));
        return tr("%1 (%2 / %3)").arg(name, CountText(own), CountText(total));
    case Qt::EditRole:
        return name;
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole: {
        QString text;
        if (all)
            text = tr("%1 entries in all").arg(CountText(total));
        else if (none)
            text = tr("%1 entries without a folder").arg(CountText(total));
        else
            text = tr("%1 entries in this folder, %2 with its sub-folders")
                       .arg(CountText(own), CountText(total));
        if (landmark) {
            switch (node->Landmark) {
            case TFolderLandmark::Toolbar:
                text += u'\n' + tr("The browser's bookmarks toolbar");
                break;
            case TFolderLandmark::Menu:
                text += u'\n' + tr("The browser's bookmarks menu");
                break;
            case TFolderLandmark::Other:
                text += u'\n' + tr("The browser's other bookmarks");
                break;
            case TFolderLandmark::Mobile:
                text += u'\n' + tr("The browser's mobile bookmarks");
                break;
            case TFolderLandmark::None:
                break;
            }
        }
        return text;
    }
    case Qt::AccessibleTextRole:
        return tr("%1, %2 entries").arg(name, CountText(total));
    case Qt::DecorationRole: {
        QStyle* style = QApplication::style();
        if (all)
            return style->standardIcon(QStyle::SP_DirHomeIcon);
        if (none)
            return style->standardIcon(QStyle::SP_FileIcon);
        return style->standardIcon(landmark ? QStyle::SP_DirLinkIcon : QStyle::SP_DirIcon);
    }
    case Qt::FontRole:
        if (all || landmark) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::ForegroundRole:
        if (total == 0)
            return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        return {};
    case PathRole:
        return all || none ? QString() : node->Path.toString();
    case FilterRole:
        return !all;
    default:
        return {};
    }
}

Qt::ItemFlags TFolderTreeModel::flags(const QModelIndex& Index) const
{
    if (!Index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (IsFolder(Index))
        f |= Qt::ItemIsDragEnabled;
    return f;
}

QStringList TFolderTreeModel::mimeTypes() const
{
    return {QString::fromLatin1(FolderMimeType), QString::fromLatin1(EntriesMimeType)};
}

QMimeData* TFolderTreeModel::mimeData(const QModelIndexList& Indexes) const
{
    if (Indexes.size() != 1 || !IsFolder(Indexes.front()))
        return nullptr;
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(FolderMimeType),
                  FTree.Node(NodeOf(Indexes.front())).Path.toString().toUtf8());
    return data;
}

Qt::DropActions TFolderTreeModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

Qt::DropActions TFolderTreeModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

QString TFolderTreeModel::DropPath(const QModelIndex& Index) const
{
    return IsFolder(Index) ? FTree.Node(NodeOf(Index)).Path.toString() : QString();
}

bool TFolderTreeModel::canDropMimeData(const QMimeData* Data, Qt::DropAction, int Row, int,
                                       const QModelIndex& Parent) const
{
    // Only onto a node: a drop between two rows would not say which folder is meant.
    if (!Data || !Parent.isValid() || Row >= 0)
        return false;
    if (Data->hasFormat(QString::fromLatin1(EntriesMimeType)))
        return true;
    if (!Data->hasFormat(QString::fromLatin1(FolderMimeType)))
        return false;
    // A folder goes into another folder, or to the top level; not into itself,
    // below itself, or where it already is.
    const QString from = QString::fromUtf8(Data->data(QString::fromLatin1(FolderMimeType)));
    const QString to = DropPath(Parent);
    return FolderRenameIsAllowed(from, FolderJoin(to, FolderNameOf(from)));
}

bool TFolderTreeModel::dropMimeData(const QMimeData* Data, Qt::DropAction Action, int Row,
                                    int Column, const QModelIndex& Parent)
{
    if (!canDropMimeData(Data, Action, Row, Column, Parent))
        return false;
    const QString to = DropPath(Parent);
    if (Data->hasFormat(QString::fromLatin1(EntriesMimeType)))
        Q_EMIT entriesDropped(to);
    else
        Q_EMIT folderDropped(QString::fromUtf8(Data->data(QString::fromLatin1(FolderMimeType))),
                             to);
    // The window changed the list itself: the view must not remove the dragged row.
    return false;
}

// ---- The tree's changes, row by row -------------------------------------------------

void TFolderTreeModel::BeforeReset()
{
    beginResetModel();
}

void TFolderTreeModel::AfterReset()
{
    endResetModel();
}

void TFolderTreeModel::BeforeInsert(TNodeId Parent, int Row)
{
    beginInsertRows(IndexOfNode(Parent), Row, Row);
}

void TFolderTreeModel::AfterInsert()
{
    endInsertRows();
}

void TFolderTreeModel::BeforeRemove(TNodeId Parent, int Row)
{
    beginRemoveRows(IndexOfNode(Parent), Row, Row);
}

void TFolderTreeModel::AfterRemove()
{
    endRemoveRows();
}

void TFolderTreeModel::CountsChanged(const std::vector<TNodeId>& Nodes)
{
    for (const TNodeId id : Nodes) {
        const QModelIndex at = IndexOfNode(id);
        Q_EMIT dataChanged(at, at);
        if (id == TFolderTree::Root) {
            const QModelIndex none = NoFolderIndex();
            Q_EMIT dataChanged(none, none);
        }
    }
}
