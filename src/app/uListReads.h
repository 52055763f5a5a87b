#pragma once
// What the main window reads in the background, and what waits for it: the base
// bookmark file read at start, and the adds (files, folders, drops, paths from
// outside), one at a time in the order asked for. A large add is read on a thread of
// its own into a list of its own, with progress and Cancel in a panel over the list;
// the window's list stays in use meanwhile and the add is merged into it as it is
// then. Drops and a search asked for while the base file is read wait until it is
// there. The window is told through the host functions; it forwards what it must.

#include <app/uBaseBookmarkFile.h>

#include <model/uWebSiteList.h>

#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QWidget;
class TBackgroundRead;

// What the user asked to add: files and folders, or one dropped link.
struct TAddRequest
{
    QStringList Paths;
    QString URL, Title; // a dropped link, when not Files
    bool Files = true;
    bool Drop = false;
    bool Import = false; // the browsers' files: named so in the report
};

class TListReads : public QObject
{
    Q_OBJECT
public:
    // The window's side. Every function must be set.
    struct THost
    {
        // A command or dialog is running: the list must not change under it now.
        std::function<bool()> ListInUse;
        // Runs a step, showing an error it raises; false when it raised one.
        std::function<bool(const std::function<void()>&)> Guard;
        // The base file's read ended: the list it gave (sorted by SortIndex), what
        // the read found, and the text of an error that ended it ("" when none).
        std::function<void(TWebSiteList&& List, const TBaseFileRead& Read, int SortIndex,
                           const QString& Error)>
            TakeBaseFile;
        // After TakeBaseFile and the drops that waited: the window's own waiting work.
        std::function<void()> BaseFileDone;
        // Adds what was gathered (or the dropped link) to the list as one undo step.
        std::function<void(const TAddRequest& Request, TWebSiteList&& Gathered)> MergeAdd;
        // A drop that waited for the base file, now that the list is there.
        std::function<void(const QString& URL, const QString& Title, const QStringList& Files)>
            Drop;
        // The search typed while the base file was read, now over the whole list.
        std::function<void()> Search;
        // An add was cancelled: nothing of it was added.
        std::function<void()> AddCancelled;
    };

    // The progress panel is placed over List (the window's list view).
    TListReads(QWidget* List, THost Host, QObject* Parent = nullptr);
    // A read still running is stopped before the window's parts go.
    ~TListReads() override;

    // ---- The base file.
    void StartBaseFileRead(const QString& Source, bool ShortenURLs, int SortIndex);
    // The base file is still being read: the commands that change or save the list
    // wait; drops and searches are kept until it is done.
    bool IsReadingBaseFile() const { return FBaseLoad != nullptr; }
    // Waits for a running read of the base file and hands its list over now.
    void WaitForBaseFileRead();
    // Kept until the base file is read; then given back to Host.Drop in the order dropped.
    void KeepDrop(const QString& URL, const QString& Title, const QStringList& Files);
    // The search runs once the base file is read.
    void SearchAfterRead() { FSearchAfterRead = true; }

    // ---- Adds.
    // Runs an add now or in the background, or queues it behind the one running.
    void RequestAdd(TAddRequest Request);
    bool IsAdding() const { return FAddRead != nullptr || !FAddQueue.empty(); }
    // Drops the waiting adds and stops the one being read; it adds nothing.
    void CancelAdds();
    // Plain files smaller than this together (and few) are read at once.
    qint64 BackgroundAddBytes = 1024 * 1024;
    int BackgroundAddFiles = 64;

    // The window closes: every read stops and nothing more reaches the list.
    void Stop();

    // The list's rows changed size: the panel goes back to their middle.
    void PlacePanel();
    bool PanelShown() const;

private:
    bool ReadsInBackground(const TAddRequest& Request) const;
    // Reads and adds on this thread; a read error is raised after what was read is added.
    void RunAdd(const TAddRequest& Request);
    void StartAddRead(TAddRequest Request);
    void FinishAddRead();
    void RunQueuedAdds();
    void FinishBaseFileRead();
    void ShowPanel(const QStringList& Paths, bool Cancellable);
    void HidePanel();
    void ShowProgress();

    QWidget* FList;
    THost FHost;
    bool FStopped = false;
    // The read of the base file while it runs, and what it found.
    TBackgroundRead* FBaseLoad = nullptr;
    std::shared_ptr<TBaseFileRead> FBaseLoadResult;
    int FBaseLoadSortIndex = 0;
    // What the user did while the base file was read, run once it is there.
    struct TPendingDrop
    {
        QString URL, Title;
        QStringList Files;
    };
    std::vector<TPendingDrop> FPendingDrops;
    bool FSearchAfterRead = false;
    // The add being read in the background, and the adds waiting for it.
    TBackgroundRead* FAddRead = nullptr;
    TAddRequest FAddReading;
    std::deque<TAddRequest> FAddQueue;
    // The progress over the list.
    QFrame* FPanel = nullptr;
    QLabel* FLabel = nullptr;
    QProgressBar* FBar = nullptr;
    QTimer* FTimer = nullptr;
    QPushButton* FCancel = nullptr;
};
