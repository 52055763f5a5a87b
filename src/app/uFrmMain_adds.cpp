// The main window's adds: Add files / Add folder, drops, paths from outside and
// the browsers' files. A large add is read on a thread of its own into a list of
// its own (a gathering list: every entry as read, nothing merged yet), so the
// window keeps painting and the list stays in use; once read, it is added to the
// list as it is then, on the window's thread, by the same WebSitesAdd a direct
// read would have used, so counts and merges come out the same.

#include "uFrmMain.h"

#include "uBackgroundRead.h"
#include "uListUndo.h"
#include "uTexts.h"
#include "ui_FrmMain.h"

#include <model/uFolderImportExport.h>
#include <platform/uOsServices.h>

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <exception>
#include <utility>

namespace {

const QString FileDropMarkerText = QStringLiteral("//File");

// How long a waiting add or a finished read waits for a dialog to close before looking again.
constexpr int RetryWhileInUseMs = 200;

} // namespace

void TFrmMain::AddChosenPaths(const QStringList& Paths)
{
    TAddRequest Request;
    Request.Paths = Paths;
    RequestAdd(std::move(Request));
}

void TFrmMain::onDrop(const QString& URL, const QString& Title, const QStringList& DroppedFileNames)
{
    // Kept until the base file is read; then added in the order dropped.
    if (IsReadingBaseFile()) {
        FPendingDrops.push_back({URL, Title, DroppedFileNames});
        return;
    }
    TAddRequest Request;
    Request.Drop = true;
    if (Title.startsWith(FileDropMarkerText)) {
        Request.Paths = DroppedFileNames;
    } else {
        Request.Files = false;
        Request.URL = URL;
        Request.Title = Title;
    }
    RequestAdd(std::move(Request));
}

void TFrmMain::OpenPathsFromOutside(const QStringList& Paths)
{
    FPendingPaths += Paths;
    // The base file is still read: the paths are added once it is there.
    if (IsReadingBaseFile()) {
        if (isMinimized())
            showNormal();
        raise();
        activateWindow();
        return;
    }
    // A dialog has the list now: add once it is closed.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(300, this, [this] { OpenPathsFromOutside({}); });
        return;
    }
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    const QStringList Take = std::exchange(FPendingPaths, {});
    if (!Take.isEmpty())
        Guard([&] { onDrop(FileDropMarkerText, FileDropMarkerText, Take); });
}

// ---- Reading now or in the background -------------------------------------------------

void TFrmMain::RequestAdd(TAddRequest Request)
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

bool TFrmMain::ReadsInBackground(const TAddRequest& Request) const
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

void TFrmMain::RunAdd(const TAddRequest& Request)
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
    MergeAdd(Request, std::move(Gathered));
    if (Error)
        std::rethrow_exception(Error);
}

void TFrmMain::StartAddRead(TAddRequest Request)
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
    ShowReadPanel(Paths, true);
    FAddRead->Start();
}

bool TFrmMain::ListInUse() const
{
    // A command that opened a dialog holds entries or row numbers of the list.
    return FCommandDepth > 0 || QApplication::activeModalWidget() != nullptr;
}

void TFrmMain::FinishAddRead()
{
    // Finished comes once per read; a look again after a dialog may find the read taken.
    if (!FAddRead || FAddRead->IsRunning())
        return;
    if (ListInUse()) {
        QTimer::singleShot(RetryWhileInUseMs, this, [this] { FinishAddRead(); });
        return;
    }
    TBackgroundRead* Read = std::exchange(FAddRead, nullptr);
    // This may run inside Read's own signal: it goes once control is back in the loop.
    Read->deleteLater();
    Read->Wait();
    HideReadPanel();
    const TAddRequest Request = std::exchange(FAddReading, {});
    if (Read->Cancelled()) {
        ShowStatus(Text(TText::AddCancelledStatus));
        UpdateActions();
    } else {
        // As a read on this thread: what was read before an error is added, then the error told.
        const std::exception_ptr Error = Read->Error();
        Guard([&] {
            MergeAdd(Request, std::move(Read->List()));
            if (Error)
                std::rethrow_exception(Error);
        });
    }
    ReturnFreeHeapMemory();
    RunQueuedAdds();
}

void TFrmMain::RunQueuedAdds()
{
    if (FDestroyed || FAddRead)
        return;
    if (ListInUse()) {
        QTimer::singleShot(RetryWhileInUseMs, this, [this] { RunQueuedAdds(); });
        return;
    }
    while (!FAddRead && !FAddQueue.empty()) {
        TAddRequest Request = std::move(FAddQueue.front());
        FAddQueue.pop_front();
        if (ReadsInBackground(Request))
            StartAddRead(std::move(Request));
        else
            Guard([&] { RunAdd(Request); });
    }
}

void TFrmMain::CancelAdds()
{
    FAddQueue.clear();
    if (FAddRead)
        FAddRead->Cancel();
}

void TFrmMain::MergeAdd(const TAddRequest& Request, TWebSiteList&& Gathered)
{
    FWebSiteList.ResetStats();
    // However the add ends (out of memory half-way), the view shows what came in,
    // the counts are told and one undo takes it out again.
    struct TAddStep
    {
        TFrmMain* F;
        std::vector<TWebSite> Before;
        bool Drop;
        ~TAddStep()
        {
            F->RefreshListView();
            // Add files / Add folder start a new selection; a drop keeps the user's.
            if (!Drop)
                F->ClearSelection();
            F->ShowAddStatus();
            F->RecordListChange(Text(Drop ? TText::UndoDrop : TText::UndoAdd), std::move(Before));
        }
    } Step{this, FListUndo->Snapshot(), Request.Drop};
    if (Request.Files)
        WebSitesAddGathered(FWebSiteList, std::move(Gathered));
    else
        WebSitesAddURL(FWebSiteList, Request.URL, Request.Title);
}
