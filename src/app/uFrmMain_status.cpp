// The main window's status strip under the list (the counts, the last report and the
// button to the session's reports), the hint an empty list shows, and the reports
// themselves: every add, drop, import, check and merge leaves one.

#include "uFrmMain.h"

#include "uBookmarkListView.h"
#include "uEmptyListHint.h"
#include "uFrmReports.h"
#include "uListStatusBar.h"
#include "uReportLog.h"
#include "uWebSiteTableModel.h"
#include "ui_FrmMain.h"

#include <model/uLinkStatus.h>

#include <QAction>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QMenu>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>
#include <vector>

void TFrmMain::CreateStatusParts()
{
    FReportLog = new TReportLog(this);
    FListStatus = new TListStatusBar(this);
    // Under the list, above the banner (wherever the list itself sits).
    ui->mainLayout->insertWidget(ui->mainLayout->indexOf(ui->bannerPanel), FListStatus);
    FEmptyHint = new TEmptyListHint(ui->bookmarkList);

    reportsAction = new QAction(this);
    reportsAction->setObjectName(QStringLiteral("reportsAction"));
    reportsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    reportsAction->setShortcutContext(Qt::WindowShortcut);
    addAction(reportsAction);
    connect(reportsAction, &QAction::triggered, this, [this] { Guard([&] { onShowReports(); }); });
    connect(FListStatus, &TListStatusBar::reportsRequested, this,
            [this] { Guard([&] { onShowReports(); }); });
    FContextMenu->addSeparator()->setObjectName(QStringLiteral("reportsSeparator"));
    FContextMenu->addAction(reportsAction);

    connect(ui->bookmarkList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateCounts(false); });
}

void TFrmMain::ApplyStatusTexts()
{
    reportsAction->setText(tr("&Reports of This Session..."));
    const auto Key = [](const QAction* A) {
        return A->shortcut().toString(QKeySequence::NativeText);
    };
    FListStatus->SetReportsKey(Key(reportsAction));
    FEmptyHint->SetKeys(Key(addFilesAction), Key(addFolderAction), Key(importBrowsersAction));
}

qsizetype TFrmMain::SelectedRowCount() const
{
    // From the selection's ranges, not row by row: a million selected rows cost no more
    // than one. Ranges may overlap (a Ctrl+click over a selected run), so they are merged.
    const QItemSelection Sel = ui->bookmarkList->selectionModel()->selection();
    std::vector<std::pair<int, int>> Runs;
    Runs.reserve(size_t(Sel.size()));
    for (const QItemSelectionRange& R : Sel)
        Runs.emplace_back(R.top(), R.bottom());
    std::sort(Runs.begin(), Runs.end());
    qsizetype Count = 0;
    int Covered = -1;
    for (const auto& [Top, Bottom] : Runs) {
        const int From = std::max(Top, Covered + 1);
        if (Bottom >= From)
            Count += Bottom - From + 1;
        Covered = std::max(Covered, Bottom);
    }
    return Count;
}

void TFrmMain::UpdateCounts(bool ListChanged)
{
    if (!FListStatus)
        return;
    TListCounts Counts = FListStatus->Counts();
    Counts.Entries = FSession.List().Count();
    Counts.Shown = FModel->rowCount();
    Counts.Selected = SelectedRowCount();
    if (ListChanged) {
        // One pass over the entries; most have no extras and cost a pointer test.
        qsizetype Checked = 0, Problems = 0;
        for (const TWebSite& S : FSession.List()) {
            if (S.Extras.IsEmpty())
                continue;
            const TLinkStatus Status = S.Extras->LinkStatus;
            Checked += Status != TLinkStatus::None;
            Problems += LinkStatusIsProblem(Status);
        }
        Counts.LinkProblems = Checked > 0 ? Problems : -1;
        FEmptyHint->SetListEmpty(FSession.List().isEmpty() && !IsReadingBaseFile());
    }
    FListStatus->SetCounts(Counts);
}

void TFrmMain::AddReport(TReport Report)
{
    if (Report.When.isNull())
        Report.When = QDateTime::currentDateTime();
    QString Summary = Report.Title + QStringLiteral(": ") + Report.Summary;
    if (!Report.Lines.isEmpty())
        Summary += QStringLiteral(" \u2014 ") + tr("more in the report");
    FListStatus->SetLastReport(Summary);
    FReportLog->Append(std::move(Report));
}

void TFrmMain::onShowReports()
{
    if (!FReportsDialog) {
        FReportsDialog = new TFrmReports(*FReportLog, this);
        FReportsDialog->setObjectName(QStringLiteral("reportsDialog"));
    }
    FReportsDialog->ShowNewest();
    FReportsDialog->show();
    FReportsDialog->raise();
    FReportsDialog->activateWindow();
}

void TFrmMain::SelectAddedEntries(qsizetype From)
{
    // The entries the add appended (merged ones stay where they were): they become the
    // selection, and the first of them in the list's order is scrolled into view.
    std::vector<TWebSite>& Items = FSession.ViewList().Items();
    for (size_t i = 0; i < Items.size(); ++i)
        Items[i].Selected = qsizetype(i) >= From;
    FCurrentURL.clear();
    ShowListByMarks();
}
