// The main window's Find duplicates command: the dialog chooses, the window merges
// and records the change as one undo step.

#include "uFrmMain.h"

#include "uFrmDuplicates.h"
#include "uListUndo.h"
#include "uTranslations.h"
#include "uWindowHelpers.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

void TFrmMain::CreateDuplicatesCommand()
{
    findDuplicatesAction = new QAction(this);
    findDuplicatesAction->setObjectName(QStringLiteral("findDuplicatesAction"));
    // Window-wide, like the other commands that act on the whole list.
    findDuplicatesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    findDuplicatesAction->setShortcutContext(Qt::WindowShortcut);
    addAction(findDuplicatesAction);
    connect(findDuplicatesAction, &QAction::triggered, this,
            [this] { Guard([&] { onFindDuplicates(); }); });
    FContextMenu->addSeparator()->setObjectName(QStringLiteral("duplicatesSeparator"));
    FContextMenu->addAction(findDuplicatesAction);

    DuplicatesFn = [this](const TWebSiteList& List) {
        TFrmDuplicates Dialog(this);
        return Dialog.Execute(List);
    };
}

void TFrmMain::onFindDuplicates()
{
    if (!DuplicatesFn)
        return;
    SyncSelection();
    std::vector<TDuplicateMerge> Merges;
    {
        TFocusReturn FocusBack(this);
        Merges = DuplicatesFn(FWebSiteList);
    }
    if (Merges.empty())
        return;
    std::vector<TWebSite> Before = FListUndo->Snapshot();
    const qsizetype CountBefore = FWebSiteList.Count();
    WebSitesMergeDuplicates(FWebSiteList, Merges);
    const qsizetype Removed = CountBefore - FWebSiteList.Count();
    RefreshListView();
    RecordListChange(tr("Merge Duplicates"), std::move(Before));
    if (Removed > 0)
        ShowUndoableStatus(tr("Duplicates merged: %1 entries became %2")
                               .arg(Removed + qsizetype(Merges.size()))
                               .arg(Merges.size()));
}
