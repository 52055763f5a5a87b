// The main window's Find duplicates command: the dialog chooses, the window merges
// and records the change as one undo step.

#include "uFrmMain.h"

#include "uFrmDuplicates.h"
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
        Merges = DuplicatesFn(FSession.List());
    }
    if (Merges.empty())
        return;
    const qsizetype CountBefore = FSession.List().Count();
    // The report names every address kept and those merged into it.
    TReport Report;
    Report.Title = tr("Merge Duplicates");
    for (const TDuplicateMerge& M : Merges) {
        if (M.Kept < 0 || M.Kept >= CountBefore)
            continue;
        Report.Lines << tr("Kept %1").arg(FSession.List().at(M.Kept).URL.toString());
        for (const qsizetype i : M.Group)
            if (i != M.Kept && i >= 0 && i < CountBefore)
                Report.Lines << QStringLiteral("  ")
                                    + tr("merged %1").arg(FSession.List().at(i).URL.toString());
    }
    FSession.Change(tr("Merge Duplicates"), [&](TWebSiteList& List) {
        WebSitesMergeDuplicates(List, Merges);
        RefreshListView();
    });
    const qsizetype Removed = CountBefore - FSession.List().Count();
    Report.Summary = tr("Duplicates merged: %1 entries became %2")
                         .arg(Removed + qsizetype(Merges.size()))
                         .arg(Merges.size());
    if (Removed > 0) {
        ShowUndoableStatus(Report.Summary);
        AddReport(std::move(Report));
    }
}
