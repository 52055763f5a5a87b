#include "uListReads.h"

#include "uBackgroundRead.h"
#include "uTranslations.h"

#include <model/uFolderImportExport.h>
#include <platform/uOsServices.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>
#include <utility>

namespace {

// How long a waiting add or a finished read waits for a dialog to close before looking again.
constexpr int RetryWhileInUseMs = 200;

} // namespace

TListReads::TListReads(QWidget* List, THost Host, QObject* Parent)
    : QObject(Parent), FList(List), FHost(std::move(Host))
{
    // The progress of a read, in the middle of the list.
    FPanel = new QFrame(List);
    FPanel->setObjectName(QStringLiteral("readPanel"));
    FPanel->setFrameShape(QFrame::StyledPanel);
    FPanel->setAutoFillBackground(true);
    auto* Layout = new QVBoxLayout(FPanel);
    FLabel = new QLabel(FPanel);
    FLabel->setObjectName(QStringLiteral("readLabel"));
    FLabel->setAlignment(Qt::AlignCenter);
    FBar = new QProgressBar(FPanel);
    FBar->setObjectName(QStringLiteral("readProgress"));
    FBar->setRange(0, 1000);
    FBar->setFormat(QStringLiteral("%p%"));
    // Only an add can be cancelled; the base file's read ends with the window.
    FCancel = new QPushButton(FPanel);
    FCancel->setObjectName(QStringLiteral("readCancelButton"));
    FCancel->setText(tr("Cancel"));
    FCancel->setCursor(Qt::ArrowCursor);
    connect(FCancel, &QPushButton::clicked, this, [this] { CancelAdds(); });
    Layout->addWidget(FLabel);
    Layout->addWidget(FBar);
    Layout->addWidget(FCancel, 0, Qt::AlignHCenter);
    FCancel->hide();
    FPanel->hide();
    FTimer = new QTimer(this);
    FTimer->setInterval(100);
    connect(FTimer, &QTimer::timeout, this, [this] { ShowProgress(); });
}

TListReads::~TListReads()
{
    delete std::exchange(FBaseLoad, nullptr);
    delete std::exchange(FAddRead, nullptr);
}

// ---- The base file --------------------------------------------------------------------

void TListReads::StartBaseFileRead(const QString& Source, bool ShortenURLs, int SortIndex)
{
    auto Result = std::make_shared<TBaseFileRead>();
    Result->FileName = Source;
    FBaseLoadResult = Result;
    FBaseLoadSortIndex = SortIndex;
    // The thread works on its own list and touches nothing else of the window's.
    FBaseLoad = new TBackgroundRead(
        [Source, ShortenURLs, SortIndex, Result](TWebSiteList& List) {
            List.ShortenURLs = ShortenURLs;
            PrepareHeapForLargeInput(WebSitesLoadAllocationEstimate({Source}));
            *Result = ReadBaseBookmarkFile(List, Source);
            // Sorted here too, so that the window's thread has little left to do.
            WebSitesSort(List, SortIndex);
        },
        this);
    connect(FBaseLoad, &TBackgroundRead::Finished, this,
            [this] { FHost.Guard([&] { FinishBaseFileRead(); }); });
    ShowPanel({Source}, false);
    FBaseLoad->Start();
}

void TListReads::WaitForBaseFileRead()
{
    if (FBaseLoad)
        FHost.Guard([&] { FinishBaseFileRead(); });
}

void TListReads::KeepDrop(const QString& URL, const QString& Title, const QStringList& Files)
{
    FPendingDrops.push_back({URL, Title, Files});
}

void TListReads::FinishBaseFileRead()
{
    // Finished may still arrive after a wait already took the list.
    if (!FBaseLoad)
        return;
    TBackgroundRead* Load = std::exchange(FBaseLoad, nullptr);
    // This may run inside Load's own signal: it goes once control is back in the loop.
    Load->deleteLater();
    Load->Wait();
    HidePanel();
    const TBaseFileRead Read = *FBaseLoadResult;
    FBaseLoadResult.reset();
    TWebSiteList List = std::move(Load->List());
    Load->List().Clear();
    FHost.TakeBaseFile(std::move(List), Read, FBaseLoadSortIndex, Load->ErrorText());
    // The read's passing memory (the file, the sort) would otherwise stay resident.
    ReturnFreeHeapMemory();
    // What the user asked for while the file was read: the adds, then the search
    // over everything.
    for (TPendingDrop& Drop : std::exchange(FPendingDrops, {}))
        FHost.Guard([&] { FHost.Drop(Drop.URL, Drop.Title, Drop.Files); });
    FHost.BaseFileDone();
    if (std::exchange(FSearchAfterRead, false))
        FHost.Search();
}

// ---- Adds -----------------------------------------------------------------------------

void TListReads::RequestAdd(TAddRequest Request)
{
    // One add at a time, in the order asked for.
    if (FAddRead || !FAddQueue.empty()) {
        FAddQueue.push_back(std::move(Request));
        return;
    }
    if (ReadsInBackground(Request))
        StartAddRead(std::move(Request));
    else
        RunAdd(Request);
}

bool TListReads::ReadsInBackground(const TAddRequest& Request) const
{
    if (!Request.Files || Request.Paths.isEmpty())
        return false;
    if (Request.Paths.size() > BackgroundAddFiles)
        return true;
    // A folder may hold any number of files; listing it is already slow for a large tree.
    qint64 Bytes = 0;
    for (const QString& Path : Request.Paths) {
        const QFileInfo Info(Path);
        if (Info.isDir())
            return true;
        Bytes += Info.size();
    }
    return Bytes >= BackgroundAddBytes;
}

void TListReads::RunAdd(const TAddRequest& Request)
{
    TWebSiteList Gathered;
    Gathered.Gathering = true;
    // What was read before an error is added all the same, and the error told after.
    std::exception_ptr Error;
    if (Request.Files) {
        try {
            WebSitesLoadFromPaths(Gathered, Request.Paths);
        } catch (...) {
            Error = std::current_exception();
        }
    }
    FHost.MergeAdd(Request, std::move(Gathered));
    if (Error)
        std::rethrow_exception(Error);
}

void TListReads::StartAddRead(TAddRequest Request)
{
    FAddReading = std::move(Request);
    // The thread has its own copy of the paths and its own list, nothing else of the window's.
    const QStringList Paths = FAddReading.Paths;
    FAddRead = new TBackgroundRead(
        [Paths](TWebSiteList& List) {
            List.Gathering = true;
            PrepareHeapForLargeInput(WebSitesLoadAllocationEstimate(Paths));
            WebSitesLoadFromPaths(List, Paths);
        },
        this);
    connect(FAddRead, &TBackgroundRead::Finished, this, [this] { FinishAddRead(); });
    ShowPanel(Paths, true);
    FAddRead->Start();
}

void TListReads::FinishAddRead()
{
    // Finished comes once per read; a look again after a dialog may find the read taken.
    if (!FAddRead || FAddRead->IsRunning())
        return;
    if (FHost.ListInUse()) {
        QTimer::singleShot(RetryWhileInUseMs, this, [this] { FinishAddRead(); });
        return;
    }
    TBackgroundRead* Read = std::exchange(FAddRead, nullptr);
    // This may run inside Read's own signal: it goes once control is back in the loop.
    Read->deleteLater();
    Read->Wait();
    HidePanel();
    const TAddRequest Request = std::exchange(FAddReading, {});
    if (Read->Cancelled()) {
        FHost.AddCancelled();
    } else {
        // As a read on this thread: what was read before an error is added, then the error told.
        const std::exception_ptr Error = Read->Error();
        FHost.Guard([&] {
            FHost.MergeAdd(Request, std::move(Read->List()));
            if (Error)
                std::rethrow_exception(Error);
        });
    }
    ReturnFreeHeapMemory();
    RunQueuedAdds();
}

void TListReads::RunQueuedAdds()
{
    if (FStopped || FAddRead)
        return;
    if (FHost.ListInUse()) {
        QTimer::singleShot(RetryWhileInUseMs, this, [this] { RunQueuedAdds(); });
        return;
    }
    while (!FAddRead && !FAddQueue.empty()) {
        TAddRequest Request = std::move(FAddQueue.front());
        FAddQueue.pop_front();
        if (ReadsInBackground(Request))
            StartAddRead(std::move(Request));
        else
            FHost.Guard([&] { RunAdd(Request); });
    }
}

void TListReads::CancelAdds()
{
    FAddQueue.clear();
    if (FAddRead)
        FAddRead->Cancel();
}

void TListReads::Stop()
{
    FStopped = true;
    // A read still running is stopped: the exit writes nothing it has not read.
    if (FBaseLoad) {
        FBaseLoad->Cancel();
        delete std::exchange(FBaseLoad, nullptr);
    }
    FPendingDrops.clear();
    FSearchAfterRead = false;
    // So is an add: nothing of it reaches the list written.
    CancelAdds();
    delete std::exchange(FAddRead, nullptr);
    HidePanel();
}

// ---- The progress panel ---------------------------------------------------------------

void TListReads::ShowPanel(const QStringList& Paths, bool Cancellable)
{
    QStringList Names, Native;
    for (const QString& Path : Paths) {
        Names << QFileInfo(QDir::cleanPath(Path)).fileName();
        Native << QDir::toNativeSeparators(Path);
    }
    const QString Shown =
        FLabel->fontMetrics().elidedText(Names.join(QStringLiteral(", ")), Qt::ElideRight, 400);
    FLabel->setText(tr("Reading bookmarks…") + u'\n' + Shown);
    FLabel->setToolTip(Native.join(u'\n'));
    // A busy bar until the reader gives its first share (the file is loaded first).
    FBar->setRange(0, 0);
    FCancel->setVisible(Cancellable);
    PlacePanel();
    FPanel->show();
    FPanel->raise();
    FTimer->start();
}

void TListReads::HidePanel()
{
    FTimer->stop();
    FPanel->hide();
    FCancel->hide();
}

bool TListReads::PanelShown() const
{
    return !FPanel->isHidden();
}

void TListReads::ShowProgress()
{
    TBackgroundRead* Read = FBaseLoad ? FBaseLoad : FAddRead;
    if (!Read)
        return;
    const double Share = Read->Share();
    if (Share <= 0)
        return;
    FBar->setRange(0, 1000);
    FBar->setValue(int(Share * 1000));
}

void TListReads::PlacePanel()
{
    // In the middle of the list's rows, below its header.
    auto* Scroll = qobject_cast<QAbstractScrollArea*>(FList);
    const QRect Rows = Scroll ? Scroll->viewport()->geometry() : FList->rect();
    const int W = qBound(120, Rows.width() - 40, 460);
    FPanel->resize(W, FPanel->sizeHint().height());
    FPanel->move(Rows.left() + (Rows.width() - W) / 2,
                 qMax(0, Rows.top() + (Rows.height() - FPanel->height()) / 2));
    FPanel->raise();
}
