#include "uFrmMain.h"

#include "uAppErrors.h"
#include "uFlatBtnHost.h"
#include "uFrmSetupData.h"
#include "uProductPage.h"
#include "uWebSiteTableModel.h"
#include "ui_FrmMain.h"

#include <platform/uHVUtils.h>
#include <platform/uHVUtilsGui.h>

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QTimer>

#include <cmath>

namespace {

// The form's fonts: the named family where it is installed, else the system's
// sans-serif, always at the form's pixel height so the layout keeps its proportions.
QFont FormFont(const QString& Family, int PixelHeight, bool Bold = false, bool Italic = false)
{
    static const QStringList Installed = QFontDatabase::families();
    QFont Font = Installed.contains(Family, Qt::CaseInsensitive)
                     ? QFont(Family)
                     : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    Font.setPixelSize(PixelHeight);
    Font.setBold(Bold);
    Font.setItalic(Italic);
    return Font;
}

QColor FromTColor(unsigned Bgr)
{
    return QColor(int(Bgr & 0xFF), int((Bgr >> 8) & 0xFF), int((Bgr >> 16) & 0xFF));
}

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

TFrmMain* FrmMain = nullptr;

TFrmMain::TFrmMain(QWidget* Parent) : QWidget(Parent), ui(std::make_unique<Ui::TFrmMain>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose, false);

    FModel = new TWebSiteTableModel(FWebSiteList, this);
    ui->ListView1->setModel(FModel);
    QHeaderView* Header = ui->ListView1->header();
    Header->setSectionsClickable(true);
    Header->setSectionsMovable(false);
    Header->setStretchLastSection(false);
    Header->setSectionResizeMode(QHeaderView::Interactive);
    const int Widths[4] = {158, 157, 157, 157};
    for (int c = 0; c < 4; ++c)
        Header->resizeSection(c, Widths[c]);
    ui->Splitter1->setSizes({389, 369});
    ui->Splitter1->setStretchFactor(0, 0);
    ui->Splitter1->setStretchFactor(1, 1);

    SetBackground(ui->Panel11, FromTColor(2236962));
    SetBackground(ui->Panel12, Qt::white);
    for (QLabel* L : {ui->LbApp, ui->LbVersion, ui->LbHalvernProject})
        SetTextColor(L, Qt::white);
    SetTextColor(ui->LbURL, FromTColor(15457484));
    ui->LbURL->setText(ProductPageURL());
    SetupFonts();

    FTimerBanner = new QTimer(this);
    FTimerBanner->setObjectName(QStringLiteral("TimerBanner"));
    FTimerBanner->setInterval(10000);

    // The transient status text floats over the list's lower right corner, so the
    // window's layout stays as designed.
    FLbStatus = new QLabel(ui->ListView1);
    FLbStatus->setObjectName(QStringLiteral("LbStatus"));
    FLbStatus->setStyleSheet(QStringLiteral(
        "QLabel { background: rgba(34,34,34,220); color: white; padding: 3px 8px; border-radius: 3px; }"));
    FLbStatus->setAttribute(Qt::WA_TransparentForMouseEvents);
    FLbStatus->hide();
    FStatusTimer = new QTimer(this);
    FStatusTimer->setSingleShot(true);
    FStatusTimer->setInterval(6000);
    connect(FStatusTimer, &QTimer::timeout, FLbStatus, [this] {
        FLbStatus->clear();
        FLbStatus->hide();
    });

    CreateActions();
    SetupButtons();

    connect(Header, &QHeaderView::sectionClicked, this,
            [this](int Column) { Guard([&] { ListView1ColumnClick(Column); }); });
    connect(ui->ListView1, &QAbstractItemView::doubleClicked, this,
            [this] { Guard([&] { ListView1DblClick(); }); });
    connect(ui->ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateActions(); });
    connect(ui->ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& Pos) {
        UpdateActions();
        FPopupMenu1->popup(ui->ListView1->viewport()->mapToGlobal(Pos));
    });
    connect(ui->BitBtn1, &QPushButton::clicked, this, [this] { Guard([&] { BitBtn1Click(); }); });
    connect(FTimerBanner, &QTimer::timeout, this, [this] { Guard([&] { TimerBannerTimer(); }); });

    ui->ListView1->installEventFilter(this);
    ui->ComboBox1->installEventFilter(this);
    if (ui->ComboBox1->lineEdit())
        ui->ComboBox1->lineEdit()->installEventFilter(this);
    ui->Panel2->installEventFilter(this);
    ui->Panel112->installEventFilter(this);
    ui->Image1->installEventFilter(this);
    ui->LbURL->installEventFilter(this);

    // Centred on the screen at start.
    if (QScreen* Screen = screen()) {
        const QRect Avail = Screen->availableGeometry();
        move(Avail.center() - rect().center());
    }
}

TFrmMain::~TFrmMain()
{
    DetachDropTarget();
    // The list dies with this object's members, before QWidget's destructor hides
    // the view; the view must not ask the model for rows by then.
    ui->ListView1->setModel(nullptr);
    delete FModel;
    FModel = nullptr;
}

QTreeView* TFrmMain::ListView1() const { return ui->ListView1; }
QComboBox* TFrmMain::ComboBox1() const { return ui->ComboBox1; }
QLabel* TFrmMain::LbURL() const { return ui->LbURL; }
QLabel* TFrmMain::Image1() const { return ui->Image1; }
QString TFrmMain::StatusText() const { return FLbStatus->text(); }

TFlatBtnVCL* TFrmMain::FlatButton(int Number) const
{
    switch (Number) {
    case 1: return ui->FlatBtnVCL1;
    case 2: return ui->FlatBtnVCL2;
    case 3: return ui->FlatBtnVCL3;
    case 4: return ui->FlatBtnVCL4;
    case 5: return ui->FlatBtnVCL5;
    case 6: return ui->FlatBtnVCL6;
    case 7: return ui->FlatBtnVCL7;
    default: return nullptr;
    }
}

void TFrmMain::SetupFonts()
{
    const QString Tahoma = QStringLiteral("Tahoma");
    const QString SegoeUI = QStringLiteral("Segoe UI");
    setFont(FormFont(Tahoma, 11));
    ui->LbApp->setFont(FormFont(Tahoma, 27, true, true));
    ui->LbVersion->setFont(FormFont(SegoeUI, 12));
    ui->LbHalvernProject->setFont(FormFont(SegoeUI, 12));
    ui->LbURL->setFont(FormFont(SegoeUI, 13));
    ui->ComboBox1->setFont(FormFont(Tahoma, 16));
}

bool TFrmMain::Guard(const std::function<void()>& Step)
{
    const bool Ok = RunGuarded(this, Step);
    if (!FDestroyed)
        UpdateActions();
    return Ok;
}

// ---- Start and end ----------------------------------------------------------------

void TFrmMain::FormCreate()
{
    FListViewSortIndex = 1;
    AttachDropTarget();
    ui->LbVersion->setText(QStringLiteral("Ver.") + GetAppVersion());
    FOpenDialogDir = GetDocumentsDir() + QDir::separator();
    if (IsJapaneseLocale())
        ApplyJapaneseCaptions();
    FWebSiteList.Clear();
    FWebSiteList.ShortenURLs = SetupData.isAmazonShort;
    FTimerBanner->start();
    if (SetupData.isOpenBaseBookmark && QFileInfo(SetupData.BaseBookmarkName).isFile()) {
        PrepareHeapForLargeInput(WebSitesLoadAllocationEstimate({SetupData.BaseBookmarkName}));
        WebSitesLoadFromPath(FWebSiteList, SetupData.BaseBookmarkName);
        RefreshListView();
        ClearSelection();
    } else {
        RefreshListView();
    }
    QStringList History;
    LoadSearchHistory(History);
    ui->ComboBox1->clear();
    ui->ComboBox1->addItems(History);
    ui->ComboBox1->setCurrentIndex(-1);
    ui->ComboBox1->setEditText(QString());
    ShowFirstBanner();
    UpdateActions();
}

void TFrmMain::FormDestroy()
{
    if (FDestroyed)
        return;
    FDestroyed = true;
    FTimerBanner->stop();
    // Every write gets its chance: a failing one is reported and the next still runs.
    QStringList History;
    for (int i = 0; i < ui->ComboBox1->count(); ++i)
        History << ui->ComboBox1->itemText(i);
    RunGuarded(this, [&] { SaveSearchHistory(History); });
    if (SetupData.isOpenBaseBookmark)
        RunGuarded(this, [&] { WebSitesSaveToHtml(FWebSiteList, SetupData.BaseBookmarkName); });
    RunGuarded(this, [&] { SaveHistoryCopy(FWebSiteList); });
    DetachDropTarget();
}

// ---- The list -----------------------------------------------------------------------

void TFrmMain::RefreshListView()
{
    WebSitesSort(FWebSiteList, FListViewSortIndex);
    FModel->SetRowCount(WebSitesVisibleCount(FWebSiteList));
}

QList<int> TFrmMain::SelectedRows() const
{
    QList<int> Rows;
    const QItemSelection Sel = ui->ListView1->selectionModel()->selection();
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
            Sel.select(FModel->index(r, 0), FModel->index(r, 3));
    ui->ListView1->selectionModel()->select(Sel, QItemSelectionModel::ClearAndSelect);
}

void TFrmMain::ClearSelection()
{
    ui->ListView1->selectionModel()->clearSelection();
}

void TFrmMain::SyncSelection()
{
    const int Count = qMin<qsizetype>(FModel->rowCount(), FWebSiteList.Count());
    std::vector<TWebSite>& Items = FWebSiteList.Items();
    for (int i = 0; i < Count; ++i)
        Items[size_t(i)].Selected = false;
    for (int r : SelectedRows())
        if (r < Count)
            Items[size_t(r)].Selected = true;
}

void TFrmMain::MarkAllRowsSelected()
{
    const int Count = qMin<qsizetype>(FModel->rowCount(), FWebSiteList.Count());
    std::vector<TWebSite>& Items = FWebSiteList.Items();
    for (int i = 0; i < Count; ++i)
        Items[size_t(i)].Selected = true;
}

// ---- Event handlers -------------------------------------------------------------------

void TFrmMain::FormResize()
{
    const int W = ui->ListView1->width();
    const double Factors[4] = {0.3, 0.2, 0.2, 0.3};
    for (int c = 0; c < 4; ++c)
        ui->ListView1->header()->resizeSection(c, int(W * Factors[c]));
}

void TFrmMain::ListView1ColumnClick(int Column)
{
    if (std::abs(FListViewSortIndex) == Column + 1)
        FListViewSortIndex = -FListViewSortIndex;
    else
        FListViewSortIndex = Column + 1;
    WebSitesSort(FWebSiteList, FListViewSortIndex);
    FModel->RowsChanged();
    ui->ListView1->viewport()->update();
}

void TFrmMain::ListView1DblClick()
{
    if (SelectedCount() == 1)
        AcOpenExecute();
}

void TFrmMain::ListView1KeyUp(int Key)
{
    if (Key == Qt::Key_Return || Key == Qt::Key_Enter) {
        if (SelectedCount() == 1)
            AcOpenExecute();
    } else if (Key == Qt::Key_Delete) {
        if (SelectedCount() < 1)
            return;
        const bool Ja = IsJapaneseLocale();
        const QString Caption = Ja ? QStringLiteral("ショートカットを削除") : QStringLiteral("Delete Items");
        const QString Title = Ja ? QStringLiteral("ショートカットを削除します")
                                 : QStringLiteral("Delete Setected Items");
        const QString Text = Ja ? QStringLiteral("選択されたショートカットを削除してもよろしいですか？")
                                : QStringLiteral("Are you sure to delete these items?");
        if (ConfirmFn && ConfirmFn(Caption, Title, Text))
            AcDeleteItemExecute();
    }
}

void TFrmMain::BitBtn1Click()
{
    QComboBox* Box = ui->ComboBox1;
    const QString t = Box->currentText();
    // The combo box's exact-match search ignores letter case.
    const int k = Box->findText(t, Qt::MatchFixedString);
    Box->insertItem(0, t);
    if (k >= 0)
        Box->removeItem(k + 1);
    // The box shows the text; no history item is current until the user picks one.
    Box->setCurrentIndex(-1);
    Box->setEditText(Box->itemText(0));
    WebSitesSearch(FWebSiteList, Box->currentText());
    RefreshListView();
}

void TFrmMain::ComboBox1KeyUp(int Key)
{
    if (Key != Qt::Key_Delete)
        return;
    const int Index = ui->ComboBox1->currentIndex();
    if (Index < 0)
        return;
    // Keep what is typed in the box; only the history item goes.
    const QString Text = ui->ComboBox1->currentText();
    ui->ComboBox1->removeItem(Index);
    ui->ComboBox1->setCurrentIndex(-1);
    ui->ComboBox1->setEditText(Text);
}

void TFrmMain::LbURLClick()
{
    if (ShellOpenFn)
        ShellOpenFn(ui->LbURL->text());
}

void TFrmMain::Panel2Resize()
{
    // Centred; an exact half goes to the even neighbour.
    const double Left = (ui->Panel2->width() - ui->Image1->width()) / 2.0;
    ui->Image1->move(int(std::nearbyint(Left)), 0);
}

void TFrmMain::PlaceHeaderLabels()
{
    // LbHalvernProject is anchored to the top right, LbURL to the bottom right.
    const int W = ui->Panel112->width();
    const int H = ui->Panel112->height();
    QLabel* Hp = ui->LbHalvernProject;
    Hp->move(W - Hp->width() - 6, Hp->y());
    QLabel* Url = ui->LbURL;
    Url->setGeometry(6, H - Url->height() - 4, W - 12, Url->height());
}

bool TFrmMain::eventFilter(QObject* Watched, QEvent* Event)
{
    const QEvent::Type T = Event->type();
    if (Watched == ui->ListView1) {
        if (T == QEvent::Resize)
            FormResize();
        if (T == QEvent::Resize && FLbStatus->isVisible()) {
            FLbStatus->adjustSize();
            FLbStatus->move(ui->ListView1->width() - FLbStatus->width() - 20,
                            ui->ListView1->height() - FLbStatus->height() - 20);
        }
        if (T == QEvent::KeyRelease) {
            auto* Key = static_cast<QKeyEvent*>(Event);
            if (!Key->isAutoRepeat()) {
                const int K = Key->key();
                Guard([&] { ListView1KeyUp(K); });
            }
        }
    } else if (Watched == ui->ComboBox1 || Watched == ui->ComboBox1->lineEdit()) {
        if (T == QEvent::KeyRelease) {
            auto* Key = static_cast<QKeyEvent*>(Event);
            if (!Key->isAutoRepeat() && Key->key() == Qt::Key_Delete)
                Guard([&] { ComboBox1KeyUp(Qt::Key_Delete); });
        }
    } else if (Watched == ui->Panel2) {
        if (T == QEvent::Resize)
            Panel2Resize();
    } else if (Watched == ui->Panel112) {
        if (T == QEvent::Resize)
            PlaceHeaderLabels();
    } else if (Watched == ui->Image1 || Watched == ui->LbURL) {
        if (T == QEvent::MouseButtonRelease) {
            auto* Mouse = static_cast<QMouseEvent*>(Event);
            auto* W = static_cast<QWidget*>(Watched);
            if (Mouse->button() == Qt::LeftButton && W->rect().contains(Mouse->position().toPoint())) {
                if (Watched == ui->Image1)
                    Guard([&] { Image1Click(); });
                else
                    Guard([&] { LbURLClick(); });
            }
        }
    }
    return QWidget::eventFilter(Watched, Event);
}

void TFrmMain::ShowStatus(const QString& Text)
{
    FLbStatus->setText(Text);
    FLbStatus->adjustSize();
    FLbStatus->move(ui->ListView1->width() - FLbStatus->width() - 20,
                    ui->ListView1->height() - FLbStatus->height() - 20);
    FLbStatus->show();
    FLbStatus->raise();
    FStatusTimer->start();
}

void TFrmMain::ShowAddStatus()
{
    const TWebSitesStats& S = FWebSiteList.Stats;
    const QString Format = IsJapaneseLocale() ? QStringLiteral("追加 %1、統合 %2、スキップ %3")
                                              : QStringLiteral("Added %1, merged %2, skipped %3");
    ShowStatus(Format.arg(S.Added).arg(S.Merged).arg(S.Skipped));
}
