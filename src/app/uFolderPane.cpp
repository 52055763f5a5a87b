// The folder pane: tree view, sub-folder switch and folder commands.

#include "uFolderPane.h"

#include "uFolderTreeModel.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QMenu>
#include <QTreeView>
#include <QVBoxLayout>

TFolderPane::TFolderPane(QWidget* Parent) : QWidget(Parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    FTree = new QTreeView(this);
    FTree->setObjectName(QStringLiteral("folderTree"));
    FTree->setHeaderHidden(true);
    // Twenty thousand folders: rows of one height let the view skip measuring them.
    FTree->setUniformRowHeights(true);
    FTree->setSelectionMode(QAbstractItemView::SingleSelection);
    FTree->setDragDropMode(QAbstractItemView::DragDrop);
    FTree->setDefaultDropAction(Qt::MoveAction);
    FTree->setDropIndicatorShown(true);
    FTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FTree->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(FTree, 1);

    FBelow = new QCheckBox(this);
    FBelow->setObjectName(QStringLiteral("includeSubFoldersBox"));
    FBelow->setChecked(true);
    layout->addWidget(FBelow);

    FMenu = new QMenu(this);
    newFolderAction = FMenu->addAction(QString());
    newFolderAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    renameFolderAction = FMenu->addAction(QString());
    renameFolderAction->setShortcut(QKeySequence(Qt::Key_F2));
    mergeFolderAction = FMenu->addAction(QString());
    FMenu->addSeparator();
    deleteFolderAction = FMenu->addAction(QString());
    deleteFolderAction->setShortcut(QKeySequence::Delete);
    // The keys work while the tree has the focus, not in the list beside it.
    for (QAction* a :
         {newFolderAction, renameFolderAction, mergeFolderAction, deleteFolderAction}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
    }
    connect(newFolderAction, &QAction::triggered, this,
            [this] { Q_EMIT newFolderRequested(CurrentFolder()); });
    connect(renameFolderAction, &QAction::triggered, this,
            [this] { Q_EMIT renameRequested(CurrentFolder()); });
    connect(deleteFolderAction, &QAction::triggered, this,
            [this] { Q_EMIT deleteRequested(CurrentFolder()); });
    connect(mergeFolderAction, &QAction::triggered, this,
            [this] { Q_EMIT mergeRequested(CurrentFolder()); });
    connect(FTree, &QWidget::customContextMenuRequested, this, [this](const QPoint& At) {
        UpdateActions();
        FMenu->popup(FTree->viewport()->mapToGlobal(At));
    });
    connect(FBelow, &QCheckBox::toggled, this, [this] {
        if (!FShowing)
            Q_EMIT filterChanged();
    });
    setFocusProxy(FTree);
    ApplyTexts();
}

void TFolderPane::SetModel(TFolderTreeModel* Model)
{
    FModel = Model;
    FTree->setModel(Model);
    connect(FTree->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        UpdateActions();
        if (!FShowing)
            Q_EMIT filterChanged();
    });
    // After a new tree (a new list), All again and the top folders open.
    connect(Model, &QAbstractItemModel::modelReset, this, [this] {
        FTree->expand(FModel->AllIndex());
        ShowFilter({});
    });
    FTree->expand(Model->AllIndex());
    ShowFilter({});
}

TFolderFilter TFolderPane::Filter() const
{
    if (!FModel)
        return {};
    return FModel->FilterOf(FTree->currentIndex(), FBelow->isChecked());
}

void TFolderPane::ShowFilter(const TFolderFilter& Filter)
{
    if (!FModel)
        return;
    FShowing = true;
    const QModelIndex at = FModel->IndexOfFilter(Filter);
    FTree->setCurrentIndex(at);
    FTree->scrollTo(at);
    if (Filter.Active && !Filter.Path.isEmpty())
        FBelow->setChecked(Filter.Below);
    FShowing = false;
    UpdateActions();
}

bool TFolderPane::IncludeBelow() const
{
    return FBelow->isChecked();
}

void TFolderPane::SetIncludeBelow(bool Below)
{
    FBelow->setChecked(Below);
}

QString TFolderPane::CurrentFolder() const
{
    if (!FModel)
        return {};
    return FTree->currentIndex().data(TFolderTreeModel::PathRole).toString();
}

void TFolderPane::UpdateActions()
{
    const bool folder = FModel && FModel->IsFolder(FTree->currentIndex());
    renameFolderAction->setEnabled(folder);
    deleteFolderAction->setEnabled(folder);
    mergeFolderAction->setEnabled(
        folder && FModel->Tree().FoldersNamed(FolderNameOf(CurrentFolder())).size() > 1);
}

void TFolderPane::changeEvent(QEvent* Event)
{
    if (Event->type() == QEvent::LanguageChange)
        ApplyTexts();
    QWidget::changeEvent(Event);
}

void TFolderPane::ApplyTexts()
{
    FTree->setAccessibleName(tr("Folders"));
    FBelow->setText(tr("Include &sub-folders"));
    FBelow->setToolTip(tr("A folder shows the entries of its sub-folders too"));
    newFolderAction->setText(tr("&New Folder..."));
    renameFolderAction->setText(tr("&Rename Folder..."));
    mergeFolderAction->setText(tr("&Merge with Folder of the Same Name..."));
    deleteFolderAction->setText(tr("&Delete Folder..."));
}
