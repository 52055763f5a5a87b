#include "uFrmMain.h"

#include "uAppErrors.h"
#include "uBaseBookmarkFile.h"
#include "uBookmarkListView.h"
#include "uListReads.h"
#include "uReportLog.h"
#include "uTranslations.h"
#include "uWebSiteTableModel.h"
#include "uWindowColors.h"
#include "uWindowHelpers.h"
#include "uWindowPlace.h"
#include "ui_FrmMain.h"

#include <controls/uTileButton.h>
#include <model/uBookmarkHtml.h>
#include <model/uFolderImportExport.h>
#include <platform/uOsServices.h>
#include <platform/uShellOpen.h>
#include <settings/uSetupData.h>

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <utility>

namespace {

void SetBackground(QWidget* W, const QColor& C)
{
    QPalette P = W->palette();
    P.setColor(QPalette::Window, C);
    W->setPalette(P);
    W->setAutoFillBackground(true);
}

void SetTextColor(QWidget* W, const QColor& C)
{
    QPalette P = W->palette();
    P.setColor(QPalette::WindowText, C);
    W->setPalette(P);
}

} // namespace

TFrmMain::TFrmMain(TSetupData& Settings, const TBrowserAvailability& Browsers, QWidget* Parent)
    : QWidget(Parent), ui(std::make_unique<Ui::TFrmMain>()), FSettings(Settings),
      FBrowsers(Browsers)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose, false);

    FModel = new TWebSiteTableModel(FSession.ViewList(), this);
    ui->bookmarkList->setModel(FModel);
    QHeaderView* Header = ui->bookmarkList->header();
    Header->setSectionsClickable(true);
    // The user may drag the columns into another order; it is kept in the settings.
    Header->setSectionsMovable(true);
    Header->setStretchLastSection(false);
    Header->setSectionResizeMode(QHeaderView::Interactive);
    Header->setSortIndicatorShown(true);
    // The Tags column is the model's fifth (its sort number follows the others) and
    // stands after Category; the Link column stays last.
    Header->moveSection(4, 3);
    const int Widths[6] = {158, 157, 157, 157, 100, 57};
    for (int c = 0; c < 6; ++c)
        Header->resizeSection(c, Widths[c]);
    connect(Header, &QHeaderView::sectionResized, this, [this] {
        if (!FFittingColumns)
            FColumnsSizedByUser = true;
    });
    ui->searchSplitter->setSizes({389, 369});
    ui->searchSplitter->setStretchFactor(0, 0);
    ui->searchSplitter->setStretchFactor(1, 1);

    SetBackground(ui->toolbarPanel, ToolbarBackground);
    SetBackground(ui->searchPanel, SearchStripBackground);
    for (QLabel* L : {ui->appNameLabel, ui->versionLabel, ui->makerLabel})
        SetTextColor(L, Qt::white);
    SetTextColor(ui->productLinkLabel, ProductLinkOnToolbar);
    SetupFonts();

    FBannerTimer = new QTimer(this);
    FBannerTimer->setObjectName(QStringLiteral("bannerTimer"));
    FBannerTimer->setInterval(10000);

    // The transient status text floats over the list's lower right corner, so the
    // window's layout stays as designed.
    FStatusLabel = new QLabel(ui->bookmarkList);
    FStatusLabel->setObjectName(QStringLiteral("statusLabel"));
    FStatusLabel->setStyleSheet(QStringLiteral("QLabel { background: rgba(34,34,34,220); color: "
                                               "white; padding: 3px 8px; border-radius: 3px; }"));
    FStatusLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    FStatusLabel->hide();
    FStatusTimer = new QTimer(this);
    FStatusTimer->setSingleShot(true);
    FStatusTimer->setInterval(6000);
    connect(FStatusTimer, &QTimer::timeout, FStatusLabel, [this] {
        FStatusLabel->clear();
        FStatusLabel->hide();
    });

    // The base file's read and the adds in the background, with their progress
    // over the list.
    TListReads::THost Host;
    Host.ListInUse = [this] { return ListInUse(); };
    Host.Guard = [this](const std::function<void()>& Step) { return Guard(Step); };
    Host.TakeBaseFile = [this](TWebSiteList&& List, const TBaseFileRead& Read, int SortIndex,
                               const QString& Error) {
        TakeBaseFileRead(std::move(List), Read, SortIndex, Error);
    };
    Host.BaseFileDone = [this] {
        if (!FPendingPaths.isEmpty())
            OpenPathsFromOutside({});
    };
    Host.MergeAdd = [this](const TAddRequest& Request, TWebSiteList&& Gathered) {
        MergeAdd(Request, std::move(Gathered));
    };
    Host.Drop = [this](const QString& URL, const QString& Title, const QStringList& Files) {
        onDrop(URL, Title, Files);
    };
    Host.Search = [this] {
        FSession.SetFilter(ui->searchBox->currentText(), showOnlyProblemsAction->isChecked());
        RefreshListView(true);
    };
    Host.AddCancelled = [this] {
        ShowStatus(tr("Reading cancelled: nothing was added"));
        UpdateActions();
    };
    FReads = new TListReads(ui->bookmarkList, std::move(Host), this);

    CreateActions();
    SetupTiles();
    CreateKeyboardCommands();
    CreateStatusParts();
    SetTabOrder();

    connect(Header, &QHeaderView::sectionClicked, this,
            [this](int Column) { Guard([&] { onHeaderClicked(Column); }); });
    connect(ui->bookmarkList, &QAbstractItemView::doubleClicked, this,
            [this] { Guard([&] { onListDoubleClicked(); }); });
    connect(ui->bookmarkList, &TBookmarkListView::openRequested, this,
            [this] { Guard([&] { onListOpenRequested(); }); });
    connect(ui->bookmarkList, &TBookmarkListView::deleteRequested, this,
            [this] { Guard([&] { onListDeleteRequested(); }); });
    connect(ui->bookmarkList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateActions(); });
    connect(ui->bookmarkList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& Pos) {
                UpdateActions();
                FContextMenu->popup(ui->bookmarkList->viewport()->mapToGlobal(Pos));
            });
    connect(ui->searchButton, &QPushButton::clicked, this, [this] { Guard([&] { onSearch(); }); });
    connect(FBannerTimer, &QTimer::timeout, this, [this] { Guard([&] { onBannerTimer(); }); });

    ui->bookmarkList->installEventFilter(this);
    ui->bookmarkList->viewport()->installEventFilter(this);
    ui->bannerPanel->installEventFilter(this);
    ui->titlePanel->installEventFilter(this);
    ui->bannerImage->installEventFilter(this);
    ui->productLinkLabel->installEventFilter(this);

    // Centred on the screen at the first start; where the user left it after that.
    if (QScreen* Screen = screen()) {
        const QRect Avail = Screen->availableGeometry();
        move(Avail.center() - rect().center());
    }
    FFittingColumns = true;
    FColumnsSizedByUser = WindowPlaceApply(*this, *Header, FSettings.Window);
    FFittingColumns = false;
}

TFrmMain::~TFrmMain()
{
    // A read still running is stopped before the window's parts go.
    delete std::exchange(FReads, nullptr);
    DetachDropTarget();
    // The list dies with this object's members, before QWidget's destructor hides
    // the view; the view must not ask the model for rows by then.
    ui->bookmarkList->setModel(nullptr);
    delete FModel;
    FModel = nullptr;
}

TBookmarkListView* TFrmMain::bookmarkList() const
{
    return ui->bookmarkList;
}
QComboBox* TFrmMain::searchBox() const
{
    return ui->searchBox;
}
QLabel* TFrmMain::productLinkLabel() const
{
    return ui->productLinkLabel;
}
QLabel* TFrmMain::bannerImage() const
{
    return ui->bannerImage;
}
QString TFrmMain::StatusText() const
{
    return FStatusLabel->text();
}

QList<TTileButton*> TFrmMain::Tiles() const
{
    return {ui->addFilesTile, ui->addFolderTile,  ui->importBrowsersTile,
            ui->saveHtmlTile, ui->saveFolderTile, ui->checkLinksTile,
            ui->clearAllTile, ui->setupTile,      ui->aboutTile};
}

void TFrmMain::SetupFonts()
{
    const QStringList SegoeUI = {QStringLiteral("Segoe UI")};
    setFont(WindowFont(11));
    QFont AppName = WindowFont(27);
    AppName.setBold(true);
    AppName.setItalic(true);
    ui->appNameLabel->setFont(AppName);
    ui->versionLabel->setFont(WindowFont(12, SegoeUI));
    ui->makerLabel->setFont(WindowFont(12, SegoeUI));
    ui->productLinkLabel->setFont(WindowFont(13, SegoeUI));
    ui->searchBox->setFont(WindowFont(16));
}

bool TFrmMain::Guard(const std::function<void()>& Step)
{
    ++FCommandDepth;
    const bool Ok = RunGuarded(this, Step);
    --FCommandDepth;
    if (!FDestroyed)
        UpdateActions();
    return Ok;
}

// ---- Start and end ----------------------------------------------------------------

void TFrmMain::LoadAtStart()
{
    FSession.SetSortIndex(1);
    ShowSortIndicator();
    AttachDropTarget();
    ui->versionLabel->setText(QStringLiteral("Ver.") + GetAppVersion());
    FOpenDialogDir = GetDocumentsDir() + QDir::separator();
    ApplyTexts();
    FSession.ViewList().ShortenURLs = FSettings.isAmazonShort;
    FBannerTimer->start();
    // The base file is read on a thread of its own: the window shows and stays
    // painted while a large file is read, and can be closed at any time.
    const QString Source = FSettings.isOpenBaseBookmark
                               ? BaseBookmarkFileToRead(FSettings.BaseBookmarkName)
                               : QString();
    if (!Source.isEmpty() && QFileInfo(Source).isFile())
        FReads->StartBaseFileRead(Source, FSettings.isAmazonShort, FSession.SortIndex());
    else
        ApplyBaseFileRead(TBaseFileRead());
    QStringList History;
    LoadSearchHistory(History);
    ui->searchBox->clear();
    ui->searchBox->addItems(History);
    ui->searchBox->setCurrentIndex(-1);
    ui->searchBox->setEditText(QString());
    ui->searchBox->view()->setAccessibleName(tr("Search history"));
    FSearchHistoryAtStart = History;
    FSettingsAtStart = FSettings;
    // While the file is read only About's tile is enabled; the focus waits in the
    // list instead, so that Enter does not open About.
    if (IsReadingBaseFile())
        ui->bookmarkList->setFocus(Qt::OtherFocusReason);
    ShowFirstBanner();
    UpdateActions();
}

bool TFrmMain::IsReadingBaseFile() const
{
    return FReads && FReads->IsReadingBaseFile();
}

void TFrmMain::WaitForBaseFileRead()
{
    FReads->WaitForBaseFileRead();
}

bool TFrmMain::IsAdding() const
{
    return FReads && FReads->IsAdding();
}

void TFrmMain::CancelAdds()
{
    if (FReads)
        FReads->CancelAdds();
}

void TFrmMain::TakeBaseFileRead(TWebSiteList&& List, TBaseFileRead Read, int SortIndex,
                                const QString& Error)
{
    if (!Error.isEmpty()) {
        // The sort after the read failed (out of memory): nothing of it is shown, and
        // the file is kept.
        Read.Status = TBaseFileRead::Failed;
        Read.Reason = Error;
        List.Clear();
    }
    FSession.TakeList(std::move(List), SortIndex);
    FSession.ViewList().ShortenURLs = FSettings.isAmazonShort;
    ApplyBaseFileRead(Read);
    // The list takes the focus unless the user put it somewhere else meanwhile.
    QWidget* Focus = QApplication::focusWidget();
    if (!Focus || Focus == ui->aboutTile || !isAncestorOf(Focus))
        ui->bookmarkList->setFocus(Qt::OtherFocusReason);
    UpdateActions();
}

void TFrmMain::SaveAtExit()
{
    if (FDestroyed)
        return;
    FDestroyed = true;
    FBannerTimer->stop();
    // A read still running is stopped: the exit writes nothing it has not read, and
    // nothing of an add reaches the list written.
    const bool ListRead = !IsReadingBaseFile();
    FReads->Stop();
    // Every write gets its chance: a failing one is reported and the next still runs,
    // unless the close has already told the user what cannot be written.
    auto Write = [this](const std::function<void()>& Step) {
        if (!FExitQuietly) {
            RunGuarded(this, Step);
            return;
        }
        try {
            Step();
        } catch (...) {
        }
    };
    QStringList History;
    for (int i = 0; i < ui->searchBox->count(); ++i)
        History << ui->searchBox->itemText(i);
    Write([&] { SaveSearchHistory(History); });
    // A base file the start could not read keeps its bookmarks: it is not replaced.
    if (ListRead && FSettings.isOpenBaseBookmark && !FSession.BaseFile().KeepFile())
        Write([&] { WriteBaseBookmarkFile(FSession.List(), FSettings.BaseBookmarkName); });
    if (ListRead)
        Write([&] { SaveHistoryCopy(FSession.List(), FSettings); });
    DetachDropTarget();
}

void TFrmMain::LeaveListAtExit()
{
    FModel->SetRowCount(0);
    FSession.LeaveListAtExit();
}

void TFrmMain::ApplyBaseFileRead(const TBaseFileRead& Read)
{
    FSession.StartAt(Read); // the list of this session starts here
    RefreshListView();
    ClearSelection();
    const QString File = QDir::toNativeSeparators(Read.FileName);
    QStringList Status;
    if (Read.KeepFile()) {
        const QString Why =
            Read.Status == TBaseFileRead::Failed
                ? tr("The bookmark file \"%1\" could not be read (%2).").arg(File, Read.Reason)
                : tr("The bookmark file \"%1\" holds no bookmark Zorvel can read (it may be in "
                     "another encoding, or damaged).")
                      .arg(File);
        Status << tr("Bookmark file not read; it will not be replaced at exit.");
        ShowAppError(this,
                     Why + u'\n'
                         + tr("It will not be replaced when Zorvel closes; it stays as it is."));
    }
    // A read-only portable folder: read beside the program, saved elsewhere.
    const QString Target = FSettings.BaseBookmarkName;
    if (Read.Status != TBaseFileRead::NotRead && QFileInfo(Read.FileName) != QFileInfo(Target)) {
        const QString Dir = QDir::toNativeSeparators(QFileInfo(Target).absolutePath());
        Status << tr("Read \"%1\"; changes will be saved in \"%2\".").arg(File, Dir);
    }
    if (!Status.isEmpty())
        ShowStatus(Status.join(u'\n'), true);
}

QList<TWriteProblem> TFrmMain::ExitWriteProblems() const
{
    QList<TWriteProblem> Problems;
    auto Check = [&](const QString& File) {
        if (const QString Why = WhyNotWritable(File); !Why.isEmpty())
            Problems.append({File, Why});
    };
    // While the base file is still read, the exit writes neither it nor the history copy.
    const bool ListRead = !IsReadingBaseFile();
    if (FSettings.isOpenBaseBookmark && ListRead) {
        if (!FSession.BaseFile().KeepFile())
            Check(FSettings.BaseBookmarkName);
        else if (!FSession.List().isEmpty())
            Problems.append(
                {FSettings.BaseBookmarkName, tr("not replaced, because it could not be read at "
                                                "start; this session's list is not saved in it")});
    }
    Check(SetupIniFileName());
    Check(SearchHistoryFileName());
    if (ListRead && FSettings.isSaveHistory && !FSession.List().isEmpty())
        Check(HistoryBookmarkFileName());
    return Problems;
}

bool TFrmMain::HasChangesToLose() const
{
    // Where the window stood is worth no question at exit.
    TSetupData Settings = FSettings;
    Settings.Window = FSettingsAtStart.Window;
    if (FSession.ChangedSinceStart() || !(Settings == FSettingsAtStart))
        return true;
    QStringList History;
    for (int i = 0; i < ui->searchBox->count(); ++i)
        History << ui->searchBox->itemText(i);
    return History != FSearchHistoryAtStart;
}

bool TFrmMain::QueryClose()
{
    const QList<TWriteProblem> Problems = ExitWriteProblems();
    if (Problems.isEmpty())
        return true;
    // Nothing would be lost: no question, and no message about the writes either.
    if (!HasChangesToLose()) {
        FExitQuietly = true;
        return true;
    }
    QString Message = tr("Zorvel cannot write these files when it closes:") + QStringLiteral("\n");
    for (const TWriteProblem& P : Problems)
        Message += QStringLiteral("\n\u2022 \"%1\": %2")
                       .arg(QDir::toNativeSeparators(P.FileName), P.Reason);
    Message += QStringLiteral("\n\n") + tr("Save the list elsewhere before closing?");
    TExitChoice Choice = ExitCloseAnyway;
    {
        TFocusReturn FocusBack(this);
        Choice = ExitProblemFn ? ExitProblemFn(Message) : ExitCloseAnyway;
    }
    switch (Choice) {
    case ExitCloseAnyway:
        FExitQuietly = true;
        return true;
    case ExitCancel:
        return false;
    case ExitSaveElsewhere:
        break;
    }
    bool Saved = false;
    Guard([&] { Saved = SaveListAs(); });
    FExitQuietly = Saved;
    return Saved;
}

void TFrmMain::closeEvent(QCloseEvent* Event)
{
    if (!FDestroyed && !QueryClose()) {
        Event->ignore();
        return;
    }
    // An add still being read is not added: the exit writes the list as it is now.
    CancelAdds();
    FSettings.Window = WindowPlaceOf(*this, *ui->bookmarkList->header(), FColumnsSizedByUser);
    QWidget::closeEvent(Event);
}

// ---- The list -----------------------------------------------------------------------

void TFrmMain::RefreshListView(bool ScrollToTop)
{
    RememberSelection();
    FSession.Sort();
    FModel->SetRowCount(WebSitesVisibleCount(FSession.List()));
    RestoreSelection(ScrollToTop);
    UpdateCounts(true);
}

void TFrmMain::ShowListByMarks()
{
    FSession.Sort();
    FModel->SetRowCount(WebSitesVisibleCount(FSession.List()));
    RestoreSelection(false);
    UpdateCounts(true);
}

void TFrmMain::RememberSelection()
{
    // The rows follow the entries through a sort or a search: the marks travel with
    // the entries, the row numbers would not.
    std::vector<TWebSite>& Items = FSession.ViewList().Items();
    for (TWebSite& Site : Items)
        Site.Selected = false;
    const int Count = qMin<qsizetype>(FModel->rowCount(), FSession.ViewList().Count());
    for (int r : SelectedRows())
        if (r < Count)
            Items[size_t(r)].Selected = true;
    const QModelIndex Current = ui->bookmarkList->selectionModel()->currentIndex();
    FCurrentURL = Current.isValid() && Current.row() < Count
                      ? Items[size_t(Current.row())].URL.toString()
                      : QString();
}

void TFrmMain::RestoreSelection(bool ScrollToTop)
{
    const TWebSiteList& Items = FSession.List();
    const int Rows = qMin<qsizetype>(FModel->rowCount(), Items.Count());
    QItemSelection Selection;
    int RunStart = -1;
    int CurrentRow = -1;
    int FirstSelected = -1;
    for (int r = 0; r <= Rows; ++r) {
        const bool Marked = r < Rows && Items[r].Selected;
        if (Marked && RunStart < 0)
            RunStart = r;
        if (!Marked && RunStart >= 0) {
            Selection.select(FModel->index(RunStart, 0),
                             FModel->index(r - 1, FModel->columnCount() - 1));
            RunStart = -1;
        }
        if (Marked && FirstSelected < 0)
            FirstSelected = r;
        if (r < Rows && CurrentRow < 0 && !FCurrentURL.isEmpty() && Items[r].URL == FCurrentURL)
            CurrentRow = r;
    }
    QItemSelectionModel* Model = ui->bookmarkList->selectionModel();
    Model->select(Selection, QItemSelectionModel::ClearAndSelect);
    if (CurrentRow < 0)
        CurrentRow = FirstSelected;
    if (CurrentRow >= 0)
        Model->setCurrentIndex(FModel->index(CurrentRow, 0), QItemSelectionModel::NoUpdate);
    if (ScrollToTop)
        ui->bookmarkList->scrollToTop();
    else if (CurrentRow >= 0)
        ui->bookmarkList->scrollTo(FModel->index(CurrentRow, 0));
}

void TFrmMain::ShowSortIndicator()
{
    const int SortIndex = FSession.SortIndex();
    ui->bookmarkList->header()->setSortIndicator(
        std::abs(SortIndex) - 1, SortIndex > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

QList<int> TFrmMain::SelectedRows() const
{
    QList<int> Rows;
    const QItemSelection Sel = ui->bookmarkList->selectionModel()->selection();
    for (const QItemSelectionRange& R : Sel)
        for (int r = R.top(); r <= R.bottom(); ++r)
            Rows << r;
    std::sort(Rows.begin(), Rows.end());
    Rows.erase(std::unique(Rows.begin(), Rows.end()), Rows.end());
    return Rows;
}

int TFrmMain::SelectedCount() const
{
    // Whole-row selection: count rows once even if ranges overlap.
    return int(SelectedRows().size());
}

int TFrmMain::FirstSelectedRow() const
{
    const QList<int> Rows = SelectedRows();
    return Rows.isEmpty() ? -1 : Rows.first();
}

void TFrmMain::SelectRows(const QList<int>& Rows)
{
    QItemSelection Sel;
    for (int r : Rows)
        if (r >= 0 && r < FModel->rowCount())
            Sel.select(FModel->index(r, 0), FModel->index(r, FModel->columnCount() - 1));
    ui->bookmarkList->selectionModel()->select(Sel, QItemSelectionModel::ClearAndSelect);
}

void TFrmMain::ClearSelection()
{
    ui->bookmarkList->selectionModel()->clearSelection();
}

void TFrmMain::SyncSelection()
{
    const int Count = qMin<qsizetype>(FModel->rowCount(), FSession.ViewList().Count());
    std::vector<TWebSite>& Items = FSession.ViewList().Items();
    for (int i = 0; i < Count; ++i)
        Items[size_t(i)].Selected = false;
    for (int r : SelectedRows())
        if (r < Count)
            Items[size_t(r)].Selected = true;
}

void TFrmMain::MarkAllRowsSelected()
{
    const int Count = qMin<qsizetype>(FModel->rowCount(), FSession.ViewList().Count());
    std::vector<TWebSite>& Items = FSession.ViewList().Items();
    for (int i = 0; i < Count; ++i)
        Items[size_t(i)].Selected = true;
}

// ---- Event handlers -------------------------------------------------------------------

void TFrmMain::FitColumnsToList()
{
    if (FColumnsSizedByUser)
        return;
    // The room inside the list (without its frame and scroll bar), so that no
    // horizontal scroll bar appears; the last column takes what the rounding leaves.
    const int W = ui->bookmarkList->viewport()->width();
    const int Title = W * 3 / 10;
    const int URL = W / 5;
    const int Category = W / 5;
    const int Tags = W / 10;
    const int Link = W / 10;
    QHeaderView* Header = ui->bookmarkList->header();
    FFittingColumns = true;
    Header->resizeSection(0, Title);
    Header->resizeSection(1, URL);
    Header->resizeSection(2, Category);
    Header->resizeSection(4, Tags);
    Header->resizeSection(3, qMax(0, W - Title - URL - Category - Tags - Link));
    Header->resizeSection(5, Link);
    FFittingColumns = false;
}

void TFrmMain::onHeaderClicked(int Column)
{
    const int SortIndex = FSession.SortIndex();
    FSession.SetSortIndex(std::abs(SortIndex) == Column + 1 ? -SortIndex : Column + 1);
    RememberSelection();
    FSession.Sort();
    FModel->RowsChanged();
    RestoreSelection(false);
    ShowSortIndicator();
    ui->bookmarkList->viewport()->update();
}

void TFrmMain::onListDoubleClicked()
{
    if (SelectedCount() == 1)
        onOpen();
}

void TFrmMain::onListOpenRequested()
{
    if (SelectedCount() == 1)
        onOpen();
}

void TFrmMain::onListDeleteRequested()
{
    if (SelectedCount() < 1)
        return;
    if (ConfirmFn
        && ConfirmFn(tr("Delete Items"), tr("Delete Selected Items"),
                     tr("Are you sure to delete these items?")))
        onDeleteSelected();
}

void TFrmMain::onSearch()
{
    QComboBox* Box = ui->searchBox;
    const QString t = Box->currentText();
    // The combo box's exact-match search ignores letter case.
    const int k = Box->findText(t, Qt::MatchFixedString);
    Box->insertItem(0, t);
    if (k >= 0)
        Box->removeItem(k + 1);
    // The box shows the text; no history item is current until the user picks one.
    Box->setCurrentIndex(-1);
    Box->setEditText(Box->itemText(0));
    // The list is not there yet: it is searched once the base file is read.
    if (IsReadingBaseFile()) {
        FReads->SearchAfterRead();
        return;
    }
    FSession.SetFilter(Box->currentText(),
                       showOnlyProblemsAction && showOnlyProblemsAction->isChecked());
    // A new result starts at its top.
    RefreshListView(true);
}

void TFrmMain::onProductLinkClicked()
{
    if (ShellOpenFn)
        ShellOpenFn(ui->productLinkLabel->text());
}

void TFrmMain::CentreBanner()
{
    // Centred; an exact half goes to the even neighbour.
    const double Left = (ui->bannerPanel->width() - ui->bannerImage->width()) / 2.0;
    ui->bannerImage->move(int(std::nearbyint(Left)), 0);
}

void TFrmMain::PlaceHeaderLabels()
{
    // makerLabel is anchored to the top right, productLinkLabel to the bottom right.
    const int W = ui->titlePanel->width();
    const int H = ui->titlePanel->height();
    QLabel* Hp = ui->makerLabel;
    Hp->move(W - Hp->width() - 6, Hp->y());
    QLabel* Url = ui->productLinkLabel;
    Url->setGeometry(6, H - Url->height() - 4, W - 12, Url->height());
}

void TFrmMain::FitMinimumWidthToTitle()
{
    // Every label as wide as its text; the title strip then needs room for the name
    // beside the maker's label and for the version beside the product link.
    for (QLabel* L : {ui->appNameLabel, ui->versionLabel, ui->makerLabel})
        L->resize(L->sizeHint().width(), L->height());
    constexpr int Gap = 12;
    const int Margin = 6;
    const int Top =
        ui->appNameLabel->x() + ui->appNameLabel->width() + Gap + ui->makerLabel->width() + Margin;
    const int Bottom = ui->versionLabel->x() + ui->versionLabel->width() + Gap
                       + ui->productLinkLabel->sizeHint().width() + Margin;
    const int Needed =
        ui->tilesPanel->maximumWidth() + ui->aboutTilePanel->maximumWidth() + qMax(Top, Bottom);
    setMinimumWidth(qMax(minimumWidth(), Needed));
    PlaceHeaderLabels();
}

bool TFrmMain::eventFilter(QObject* Watched, QEvent* Event)
{
    const QEvent::Type T = Event->type();
    if (Watched == ui->bookmarkList->viewport()) {
        if (T == QEvent::Resize)
            FitColumnsToList();
        // The rows' area has its new size only now, after the list's own resize.
        if (T == QEvent::Resize && FReads && FReads->PanelShown())
            FReads->PlacePanel();
    } else if (Watched == ui->bookmarkList) {
        // isHidden, not isVisible: a status shown before the window is shown (what the
        // start found) must be placed once the list has its real size.
        if (T == QEvent::Resize && !FStatusLabel->isHidden())
            PlaceStatusLabel();
        if (T == QEvent::Resize && FReads && FReads->PanelShown())
            FReads->PlacePanel();
    } else if (Watched == ui->bannerPanel) {
        if (T == QEvent::Resize)
            CentreBanner();
    } else if (Watched == ui->titlePanel) {
        if (T == QEvent::Resize)
            PlaceHeaderLabels();
    } else if (Watched == ui->bannerImage || Watched == ui->productLinkLabel) {
        if (T == QEvent::KeyPress && Watched == ui->productLinkLabel) {
            const int K = static_cast<QKeyEvent*>(Event)->key();
            if (K == Qt::Key_Return || K == Qt::Key_Enter || K == Qt::Key_Space) {
                Guard([&] { onProductLinkClicked(); });
                return true;
            }
        }
        if (T == QEvent::MouseButtonRelease) {
            auto* Mouse = static_cast<QMouseEvent*>(Event);
            auto* W = static_cast<QWidget*>(Watched);
            if (Mouse->button() == Qt::LeftButton
                && W->rect().contains(Mouse->position().toPoint())) {
                if (Watched == ui->bannerImage)
                    Guard([&] { onBannerClicked(); });
                else
                    Guard([&] { onProductLinkClicked(); });
            }
        }
    }
    return QWidget::eventFilter(Watched, Event);
}

void TFrmMain::PlaceStatusLabel()
{
    // In the list's lower right corner; a text wider than the list wraps at its blanks
    // instead of running off the list's left edge.
    const int Room = std::max(80, ui->bookmarkList->width() - 40);
    FStatusLabel->setWordWrap(false);
    FStatusLabel->adjustSize();
    if (FStatusLabel->width() > Room) {
        FStatusLabel->setWordWrap(true);
        FStatusLabel->resize(Room, FStatusLabel->heightForWidth(Room));
    }
    FStatusLabel->move(std::max(0, ui->bookmarkList->width() - FStatusLabel->width() - 20),
                       std::max(0, ui->bookmarkList->height() - FStatusLabel->height() - 20));
}

void TFrmMain::ShowStatus(const QString& Text, bool Lasting)
{
    FStatusLabel->setText(Text);
    PlaceStatusLabel();
    FStatusLabel->show();
    FStatusLabel->raise();
    // What the start found about the files stays until the next status replaces it.
    if (Lasting)
        FStatusTimer->stop();
    else
        FStatusTimer->start();
}

void TFrmMain::ShowAddStatus(const QString& What)
{
    const TWebSitesStats& S = FSession.List().Stats;
    QString Status =
        tr("Added %1, merged %2, skipped %3").arg(S.Added).arg(S.Merged).arg(S.Skipped);
    // The quick notice names the first few; the report keeps every one.
    constexpr qsizetype Shown = 3;
    QStringList Lines;
    for (const QString& File : S.FilesWithoutBookmarks)
        Lines << tr("no bookmarks found in %1").arg(QFileInfo(File).fileName());
    for (const QString& File : S.NotBookmarkFiles)
        Lines << tr("not a bookmark file: %1").arg(QFileInfo(File).fileName());
    if (!S.BadRows.isEmpty())
        Lines << tr("%1 rows left out, first: %2").arg(S.BadRowCount).arg(S.BadRows.first());
    for (qsizetype i = 0; i < std::min(Shown, Lines.size()); ++i)
        Status += u'\n' + Lines.at(i);
    if (Lines.size() > Shown || S.BadRowCount > 1)
        Status += u'\n'
                  + tr("The whole report: %1")
                        .arg(reportsAction->shortcut().toString(QKeySequence::NativeText));
    ShowStatus(Status);
    AddReport(TReportLog::AddReport(What, S));
}

void TFrmMain::ShowSavedStatus(qsizetype Count, const QString& Where)
{
    const QString Path = QDir::toNativeSeparators(Where);
    ShowStatus(Count == 1 ? tr("Saved 1 bookmark to %1").arg(Path)
                          : tr("Saved %1 bookmarks to %2").arg(Count).arg(Path));
}
