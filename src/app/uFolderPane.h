#pragma once
// The folder pane left of the list: the folder tree (TFolderTreeModel) with the
// "Include sub-folders" switch, and the folder commands of its context menu.
// Choosing a node changes the filter the list shows; the commands are asked
// for by signals, so that the window makes each change as one undo step.

#include <model/uWebSiteFolders.h>

#include <QWidget>

class QAction;
class QCheckBox;
class QMenu;
class QTreeView;
class TFolderTreeModel;

class TFolderPane : public QWidget
{
    Q_OBJECT
public:
    explicit TFolderPane(QWidget* Parent = nullptr);

    void SetModel(TFolderTreeModel* Model);
    TFolderTreeModel* Model() const { return FModel; }

    // What the current node shows in the list.
    TFolderFilter Filter() const;
    // Makes Filter's node current (All when its folder is gone) without telling
    // filterChanged, and sets the switch to its Below.
    void ShowFilter(const TFolderFilter& Filter);
    bool IncludeBelow() const;
    void SetIncludeBelow(bool Below);
    // The path of the current node when it is a folder, else "".
    QString CurrentFolder() const;

    QTreeView* treeView() const { return FTree; }
    QCheckBox* belowBox() const { return FBelow; }
    QMenu* contextMenu() const { return FMenu; }
    QAction* newFolderAction = nullptr;
    QAction* renameFolderAction = nullptr;
    QAction* deleteFolderAction = nullptr;
    QAction* mergeFolderAction = nullptr;

Q_SIGNALS:
    // The current node or the switch changed: the list shows Filter() now.
    void filterChanged();
    void newFolderRequested(const QString& Parent);
    void renameRequested(const QString& Path);
    void deleteRequested(const QString& Path);
    // Merge Path with another folder of the same name.
    void mergeRequested(const QString& Path);

protected:
    void changeEvent(QEvent* Event) override;

private:
    void ApplyTexts();
    void UpdateActions();

    TFolderTreeModel* FModel = nullptr;
    QTreeView* FTree = nullptr;
    QCheckBox* FBelow = nullptr;
    QMenu* FMenu = nullptr;
    bool FShowing = false; // ShowFilter at work: no filterChanged
};
