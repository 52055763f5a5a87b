// The main window's link check: Check links (the selected entries, or every shown
// one) asks each site once while a progress dialog shows the count and the host
// being asked and can cancel; the verdicts, the titles filled in and, when asked
// for, the icons found from the same pages are kept as one undo step. Replace moved
// addresses puts the new address in place of the old one on the selected entries,
// as another undo step; Show only link problems filters the list to the entries
// whose last check found something wrong. The commands are in the list's context
// menu and in the menu of the Check tile.

#include "uFrmMain.h"

#include "uReportLog.h"

#include "uTranslations.h"
#include "uWebSiteTableModel.h"
#include "ui_FrmMain.h"

#include <controls/uTileButton.h>
#include <model/uWebSiteTags.h>
#include <net/uLinkCheck.h>
#include <settings/uSetupData.h>

#include <QAction>
#include <QEventLoop>
#include <QKeySequence>
#include <QMenu>
#include <QProgressDialog>

void TFrmMain::CreateLinkCheckCommands()
{
    checkLinksAction = new QAction(tr("Check &links of the selected entries"), this);
    checkLinksAction->setObjectName(QStringLiteral("checkLinksAction"));
    checkLinksAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    checkLinksAction->setShortcutContext(Qt::WindowShortcut);
    connect(checkLinksAction, &QAction::triggered, this,
            [this] { Guard([&] { onCheckLinks(false); }); });

    checkAllLinksAction = new QAction(tr("Check links of all shown entries"), this);
    checkAllLinksAction->setObjectName(QStringLiteral("checkAllLinksAction"));
    checkAllLinksAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    checkAllLinksAction->setShortcutContext(Qt::WindowShortcut);
    connect(checkAllLinksAction, &QAction::triggered, this,
            [this] { Guard([&] { onCheckLinks(true); }); });

    replaceMovedAction = new QAction(tr("&Replace moved addresses"), this);
    replaceMovedAction->setObjectName(QStringLiteral("replaceMovedAction"));
    connect(replaceMovedAction, &QAction::triggered, this,
            [this] { Guard([&] { onReplaceMovedAddresses(); }); });

    showOnlyProblemsAction = new QAction(tr("Show only link &problems"), this);
    showOnlyProblemsAction->setObjectName(QStringLiteral("showOnlyProblemsAction"));
    showOnlyProblemsAction->setCheckable(true);
    connect(showOnlyProblemsAction, &QAction::toggled, this,
            [this] { Guard([&] { onShowOnlyProblems(); }); });

    linkCheckIconsAction = new QAction(tr("Also fetch missing &icons"), this);
    linkCheckIconsAction->setObjectName(QStringLiteral("linkCheckIconsAction"));
    linkCheckIconsAction->setCheckable(true);
    linkCheckIconsAction->setChecked(FSettings.isLinkCheckIcons);
    connect(linkCheckIconsAction, &QAction::toggled, this,
            [this](bool On) { FSettings.isLinkCheckIcons = On; });

    addAction(checkLinksAction); // the shortcuts work wherever the focus is
    addAction(checkAllLinksAction);
    // With the other list-wide commands.
    FContextMenu->addAction(checkLinksAction);
    FContextMenu->addAction(checkAllLinksAction);
    FContextMenu->addAction(replaceMovedAction);
    FContextMenu->addAction(showOnlyProblemsAction);

    // The Check tile's menu: every link command, and the switch for icons.
    FLinkCheckMenu = new QMenu(this);
    FLinkCheckMenu->setObjectName(QStringLiteral("linkCheckMenu"));
    FLinkCheckMenu->addAction(checkLinksAction);
    FLinkCheckMenu->addAction(checkAllLinksAction);
    FLinkCheckMenu->addAction(linkCheckIconsAction);
    FLinkCheckMenu->addSeparator();
    FLinkCheckMenu->addAction(showOnlyProblemsAction);
    FLinkCheckMenu->addAction(replaceMovedAction);
    connect(FLinkCheckMenu, &QMenu::aboutToShow, this, [this] { UpdateActions(); });
}

void TFrmMain::onLinkCheckTile()
{
    // Under the tile, as a toolbar's drop-down; the keyboard lands in the menu.
    TTileButton* Tile = ui->checkLinksTile;
    FLinkCheckMenu->popup(Tile->mapToGlobal(QPoint(0, Tile->height())));
}

void TFrmMain::onCheckLinks(bool AllShown)
{
    // The list the base-file read is filling is not changed under it.
    if (IsReadingBaseFile())
        return;
    SyncSelection();
    std::vector<qsizetype> Indexes;
    if (AllShown) {
        const int Shown = WebSitesVisibleCount(FSession.List());
        for (int Row = 0; Row < Shown; ++Row)
            Indexes.push_back(Row);
    } else {
        for (const int Row : SelectedRows())
            if (Row < FSession.List().Count())
                Indexes.push_back(Row);
    }
    const QStringList Urls = LinkCheckUrlsOf(FSession.List(), Indexes);
    const std::vector<bool> WantsIcon = linkCheckIconsAction->isChecked()
                                            ? LinkCheckWantsIconOf(FSession.List(), Indexes)
                                            : std::vector<bool>();

    TLinkChecker Checker(LinkCheckOptions);
    QProgressDialog Progress(this);
    Progress.setObjectName(QStringLiteral("checkLinksProgress"));
    Progress.setWindowTitle(tr("Check Links"));
    Progress.setCancelButtonText(tr("Cancel"));
    Progress.setWindowModality(Qt::WindowModal);
    Progress.setMinimumDuration(0);
    Progress.setAutoReset(false);
    Progress.setAutoClose(false);
    Progress.setMinimumWidth(420);
    // The label: the links done, the host asked now, and the icon search when asked for.
    int LinksDone = 0;
    int LinksTotal = 0;
    QString Host;
    const auto ShowProgress = [&] {
        Progress.setMaximum(std::max(LinksTotal, 1));
        Progress.setValue(LinksDone);
        QString Text = tr("Checking links: %1 of %2").arg(LinksDone).arg(LinksTotal);
        if (Checker.RetryTotal() > 0)
            Text += u'\n'
                    + tr("Asking again the ones that failed: %1 of %2")
                          .arg(Checker.RetryDone())
                          .arg(Checker.RetryTotal());
        if (const TIconFetcher& Icons = Checker.Icons(); Icons.HostCount() > 0)
            Text += u'\n'
                    + tr("Fetching icons: %1 of %2 sites")
                          .arg(Icons.DoneCount())
                          .arg(Icons.HostCount());
        Progress.setLabelText(Text + u'\n' + Host);
    };
    connect(&Checker, &TLinkChecker::Progress, &Progress,
            [&](int Done, int Total, const QString& Asked) {
                LinksDone = Done;
                LinksTotal = Total;
                Host = Asked;
                ShowProgress();
            });
    connect(&Checker, &TLinkChecker::IconProgress, &Progress, ShowProgress);
    connect(&Progress, &QProgressDialog::canceled, &Checker, &TLinkChecker::Cancel);
    QEventLoop Wait;
    connect(&Checker, &TLinkChecker::Finished, &Wait, &QEventLoop::quit);
    Progress.show();
    Checker.Start(Urls, WantsIcon);
    if (Checker.Total() == 0) {
        Progress.close();
        ShowStatus(tr("None of these entries is a web address"));
        return;
    }
    if (Checker.IsRunning())
        Wait.exec();
    Progress.close();

    // What was checked before a cancel is kept: those answers are in.
    const std::vector<int> Counts = Checker.StatusCounts();
    int Checked = 0;
    for (int s = 1; s < LinkStatusCount; ++s)
        Checked += Counts[size_t(s)];
    const int Problems = Checked - Counts[size_t(TLinkStatus::Ok)];
    TReport Report;
    Report.Title = tr("Check Links");
    std::vector<qsizetype> Titled;
    qsizetype IconsGiven = 0;
    FSession.Change(tr("Check Links"), [&](TWebSiteList& List) {
        Titled = LinkCheckApply(List, Indexes, Checker, TDateTime::Now());
        if (!WantsIcon.empty())
            IconsGiven = qsizetype(IconFetchAssign(List, Indexes, Checker.Icons()).size());
        // The report names every entry with a problem, while the indexes still hold.
        for (const qsizetype i : Indexes) {
            if (i >= List.Count())
                continue;
            const TWebSiteExtrasData& X = *List.at(i).Extras;
            if (!LinkStatusIsProblem(X.LinkStatus))
                continue;
            QString Line =
                LinkStatusWord(X.LinkStatus) + QStringLiteral("  ") + List.at(i).URL.toString();
            if (X.LinkStatus == TLinkStatus::Moved && !X.LinkFinalUrl.isEmpty())
                Line += QStringLiteral(" \u2192 ") + X.LinkFinalUrl;
            Report.Lines << Line;
        }
        if (Checked > 0) {
            if (showOnlyProblemsAction->isChecked())
                WebSitesKeepLinkProblems(List);
            RefreshListView();
        }
    });
    QString Status = (Checker.WasCancelled()
                          ? tr("Link check cancelled: %1 links checked, %2 work, %3 with "
                               "problems; %4 titles filled in")
                          : tr("Checked %1 links: %2 work, %3 with problems; %4 titles filled in"))
                         .arg(Checked)
                         .arg(Counts[size_t(TLinkStatus::Ok)])
                         .arg(Problems)
                         .arg(qsizetype(Titled.size()));
    if (!WantsIcon.empty())
        Status += tr("; missing icons found: %1").arg(IconsGiven);
    if (Checked > 0)
        ShowUndoableStatus(Status);
    else
        ShowStatus(Status);
    Report.Summary = Status;
    AddReport(std::move(Report));
}

void TFrmMain::onReplaceMovedAddresses()
{
    if (IsReadingBaseFile())
        return;
    SyncSelection();
    int Replaced = 0;
    const QList<int> Rows = SelectedRows();
    const TDateTime Now = TDateTime::Now();
    FSession.Change(tr("Replace Moved Addresses"), [&](TWebSiteList& List) {
        for (const int Row : Rows) {
            if (Row >= List.Count())
                continue;
            const TWebSiteExtrasData& X = *std::as_const(List)[Row].Extras;
            if (X.LinkStatus != TLinkStatus::Moved || X.LinkFinalUrl.isEmpty())
                continue;
            TWebSite& Site = List[Row]; // the URL changes: the index is rebuilt
            const QString NewUrl = X.LinkFinalUrl;
            Site.URL = NewUrl;
            // The new address is the one that answered.
            TWebSiteExtrasData& E = Site.Extras.Edit();
            E.LinkStatus = TLinkStatus::Ok;
            E.LinkFinalUrl.clear();
            // A new address is an edit of the entry, as one typed in Properties is.
            WebSiteModifiedSet(Site, Now);
            ++Replaced;
        }
        if (Replaced > 0)
            RefreshListView();
    });
    const QString Status = tr("%1 addresses replaced by their new ones").arg(Replaced);
    if (Replaced > 0)
        ShowUndoableStatus(Status);
    else
        ShowStatus(Status);
}

void TFrmMain::onShowOnlyProblems()
{
    // The list is filtered once the base file is read, by the search that follows.
    if (IsReadingBaseFile())
        return;
    FSession.SetFilter(ui->searchBox->currentText(), showOnlyProblemsAction->isChecked());
    RefreshListView(true);
}
