// The main window's Find duplicates command: the dialog chooses, the window merges
// and records the change as one undo step.

#include "uFrmMain.h"

#include "uFrmDuplicates.h"
#include "uListUndo.h"
#include "uReportLog.h"
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
    // The report names every address kept and those merged into it.
    TReport Report;
    Report.Title = tr("Merge Duplicates");
    for (const TDuplicateMerge& M : Merges) {
        if (M.Kept < 0 || M.Kept >= CountBefore)
            continue;
        Report.Lines << tr("Kept %1").arg(FWebSiteList.at(M.Kept).URL.toString());
        for (const qsizetype i : M.Group)
            if (i != M.Kept && i >= 0 && i < CountBefore)
                Report.Lines << QStringLiteral("  ")
                                    + tr("merged %1").arg(FWebSiteList.at(i).URL.toString());
    }
    WebSitesMergeDuplicates(FWebSiteList, Merges);
    const qsizetype Removed = CountBefore - FWebSiteList.Count();
    RefreshListView();
    RecordListChange(tr("Merge Duplicates"), std::move(Before));
    Report.Summary = tr("Duplicates merged: %1 entries became %2")
                         .arg(Removed + qsizetype(Merges.size()))
                         .arg(Merges.size());
    if (Removed > 0) {
        ShowUndoableStatus(Report.Summary);
        AddReport(std::move(Report));
    }
}
