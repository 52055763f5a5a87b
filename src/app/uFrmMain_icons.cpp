// The main window's Fetch missing icons command: the selected entries without an
// icon ask their sites, a progress dialog shows the hosts done and can cancel, and
// the icons found are given to the entries as one undo step.

#include "uFrmMain.h"

#include "uTranslations.h"

#include <QAction>
#include <QEventLoop>
#include <QMenu>
#include <QProgressDialog>

void TFrmMain::CreateFetchIconsCommand()
{
    fetchIconsAction = new QAction(tr("Fetch &missing icons"), this);
    fetchIconsAction->setObjectName(QStringLiteral("fetchIconsAction"));
    connect(fetchIconsAction, &QAction::triggered, this,
            [this] { Guard([&] { onFetchMissingIcons(); }); });
    FContextMenu->addAction(fetchIconsAction);
}

void TFrmMain::onFetchMissingIcons()
{
    // The list the base-file read is filling is not changed under it.
    if (IsReadingBaseFile())
        return;
    SyncSelection();
    std::vector<qsizetype> Indexes;
    for (const int Row : SelectedRows())
        if (Row < FSession.List().Count())
            Indexes.push_back(Row);
    const QStringList Urls = IconFetchUrlsOf(FSession.List(), Indexes);

    TIconFetcher Fetcher(IconFetchOptions);
    QProgressDialog Progress(this);
    Progress.setObjectName(QStringLiteral("fetchIconsProgress"));
    Progress.setWindowTitle(tr("Fetch Icons"));
    Progress.setCancelButtonText(tr("Cancel"));
    Progress.setWindowModality(Qt::WindowModal);
    Progress.setMinimumDuration(0);
    Progress.setAutoReset(false);
    Progress.setAutoClose(false);
    connect(&Fetcher, &TIconFetcher::Progress, &Progress, [&Progress](int Done, int Total) {
        Progress.setMaximum(std::max(Total, 1));
        Progress.setValue(Done);
        Progress.setLabelText(tr("Fetching icons: %1 of %2 sites").arg(Done).arg(Total));
    });
    connect(&Progress, &QProgressDialog::canceled, &Fetcher, &TIconFetcher::Cancel);
    QEventLoop Wait;
    connect(&Fetcher, &TIconFetcher::Finished, &Wait, &QEventLoop::quit);
    Progress.show();
    Fetcher.Start(Urls);
    if (Fetcher.HostCount() == 0) {
        ShowStatus(tr("Every selected entry has an icon, or none is a web address"));
        return;
    }
    if (Fetcher.IsRunning())
        Wait.exec();
    Progress.close();

    // What was found before a cancel is kept: those requests are done.
    std::vector<qsizetype> Given;
    FSession.Change(tr("Fetch Icons"), [&](TWebSiteList& List) {
        Given = IconFetchAssign(List, Indexes, Fetcher);
        if (!Given.empty())
            RefreshListView();
    });
    const QString Status =
        (Fetcher.WasCancelled() ? tr("Fetching icons cancelled: icons found for %1 of %2 sites")
                                : tr("Icons found for %1 of %2 sites"))
            .arg(Fetcher.FoundCount())
            .arg(Fetcher.HostCount());
    if (Given.empty())
        ShowStatus(Status);
    else
        ShowUndoableStatus(Status);
}
