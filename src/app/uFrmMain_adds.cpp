// The main window's adds: Add files / Add folder, drops, paths from outside and
// the browsers' files. How they are read (now, or on a thread of their own into a
// gathering list, one at a time) is uListReads.h; once read, an add is merged here
// into the list as it is then, by the same WebSitesAdd a direct read would have
// used, so counts and merges come out the same.

#include "uFrmMain.h"

#include "uListReads.h"
#include "uTranslations.h"
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

} // namespace

void TFrmMain::AddChosenPaths(const QStringList& Paths, bool Import)
{
    TAddRequest Request;
    Request.Paths = Paths;
    Request.Import = Import;
    FReads->RequestAdd(std::move(Request));
}

void TFrmMain::onDrop(const QString& URL, const QString& Title, const QStringList& DroppedFileNames)
{
    // Kept until the base file is read; then added in the order dropped.
    if (IsReadingBaseFile()) {
        FReads->KeepDrop(URL, Title, DroppedFileNames);
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
    FReads->RequestAdd(std::move(Request));
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

bool TFrmMain::ListInUse() const
{
    // A command that opened a dialog holds entries or row numbers of the list.
    return FCommandDepth > 0 || QApplication::activeModalWidget() != nullptr;
}

void TFrmMain::MergeAdd(const TAddRequest& Request, TWebSiteList&& Gathered)
{
    FSession.ViewList().ResetStats();
    const QString What = Request.Drop ? tr("Drop") : Request.Import ? tr("Import") : tr("Add");
    const qsizetype CountBefore = FSession.List().Count();
    FSession.Change(What, [&](TWebSiteList& List) {
        // However the add ends (out of memory half-way), the view shows what came in
        // and the counts are told; the session keeps it as one undo step either way.
        struct TShowAdd
        {
            TFrmMain* F;
            const TAddRequest& Request;
            const QString& What;
            qsizetype CountBefore;
            ~TShowAdd()
            {
                // What came in is selected and the first of it shown; when nothing new
                // came, Add files / Add folder clear the selection and a drop keeps it.
                if (F->FSession.List().Count() > CountBefore)
                    F->SelectAddedEntries(CountBefore);
                else {
                    F->RefreshListView();
                    if (!Request.Drop)
                        F->ClearSelection();
                }
                F->ShowAddStatus(What);
            }
        } Show{this, Request, What, CountBefore};
        if (Request.Files)
            WebSitesAddGathered(List, std::move(Gathered));
        else
            WebSitesAddURL(List, Request.URL, Request.Title);
    });
}
