// The main window's commands: toolbar buttons, context-menu actions with their
// update rules, file dialogs, and the drop handler.

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
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>

namespace {

// Replaces the extension of the file name's last component by Ext (".html"),
// or appends Ext when the name has none.
QString WithExtension(const QString& FileName, const QString& Ext)
{
    const qsizetype Slash = qMax(FileName.lastIndexOf(u'/'), FileName.lastIndexOf(u'\\'));
    const qsizetype Dot = FileName.lastIndexOf(u'.');
    if (Dot > Slash)
        return FileName.left(Dot) + Ext;
    return FileName + Ext;
}

const QString FileDropMarkerText = QStringLiteral("//File");

} // namespace

// ---- Actions and buttons ------------------------------------------------------------

void TFrmMain::CreateActions()
{
    auto Make = [this](QAction*& Action, const char* Name, const QString& Caption,
                       void (TFrmMain::*Execute)()) {
        Action = new QAction(Caption, this);
        Action->setObjectName(QString::fromLatin1(Name));
        connect(Action, &QAction::triggered, this, [this, Execute] { Guard([&] { (this->*Execute)(); }); });
    };
    Make(AcOpen, "AcOpen", QStringLiteral("&Open"), &TFrmMain::AcOpenExecute);
    Make(AcOpenIE, "AcOpenIE", QStringLiteral("Open by &Internet Explorer"), &TFrmMain::AcOpenIEExecute);
    Make(AcOpenFF, "AcOpenFF", QStringLiteral("Open by &Firefox"), &TFrmMain::AcOpenFFExecute);
    Make(AcOpenCH, "AcOpenCH", QStringLiteral("Open by &Chrome"), &TFrmMain::AcOpenCHExecute);
    Make(AcOpenVI, "AcOpenVI", QStringLiteral("Open by &Vivaldi"), &TFrmMain::AcOpenVIExecute);
    Make(AcOpenTR, "AcOpenTR", QStringLiteral("Open By &Tor Browser"), &TFrmMain::AcOpenTRExecute);
    Make(AcOpenPM, "AcOpenPM", QStringLiteral("Open By &Pale Moon"), &TFrmMain::AcOpenPMExecute);
    Make(AcSaveAsShortcut, "AcSaveAsShortcut", QStringLiteral("&Save as Shortcut"),
         &TFrmMain::AcSaveAsShortcutExecute);
    Make(AcProperty, "AcProperty", QStringLiteral("&Property"), &TFrmMain::AcPropertyExecute);
    Make(AcDeleteItem, "AcDeleteItem", QStringLiteral("&Delete Item"), &TFrmMain::AcDeleteItemExecute);

    FPopupMenu1 = new QMenu(this);
    FPopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    FPopupMenu1->addAction(AcOpen);
    FPopupMenu1->addSeparator()->setObjectName(QStringLiteral("N3"));
    for (QAction* A : {AcOpenIE, AcOpenFF, AcOpenCH, AcOpenVI, AcOpenTR, AcOpenPM})
        FPopupMenu1->addAction(A);
    FPopupMenu1->addSeparator()->setObjectName(QStringLiteral("N2"));
    FPopupMenu1->addAction(AcSaveAsShortcut);
    FPopupMenu1->addAction(AcProperty);
    FPopupMenu1->addSeparator()->setObjectName(QStringLiteral("N1"));
    FPopupMenu1->addAction(AcDeleteItem);
    connect(FPopupMenu1, &QMenu::aboutToShow, this, [this] { UpdateActions(); });

    // Outside services in their everyday form.
    ShellOpenFn = [](const QString& Target) { ShellOpen(Target); };
    StartProgramFn = [](const QString& Program, const QString& Argument) {
        QProcess::startDetached(Program, {Argument});
    };
    ConfirmFn = [this](const QString& Caption, const QString& Title, const QString& Text) {
        QMessageBox Box(QMessageBox::Warning, Caption, Title, QMessageBox::Ok | QMessageBox::Cancel, this);
        Box.setInformativeText(Text);
        Box.setDefaultButton(QMessageBox::Ok);
        return Box.exec() == QMessageBox::Ok;
    };
    FileDialogFn = [this](const TFileDialogRequest& Request) { return DefaultFileDialog(this, Request); };
}

void TFrmMain::SetupButtons()
{
    struct TButtonSetup
    {
        TFlatBtnVCL* Button;
        unsigned Color;
        QString Text;
        QString Hint;
        QString Pictogram;
        void (TFrmMain::*Execute)();
    };
    const TButtonSetup Buttons[] = {
        {ui->FlatBtnVCL1, 0xFF8CBF26, QStringLiteral("Add"), QStringLiteral("Add Files"),
         QStringLiteral("PICTDOCSTAR"), &TFrmMain::FlatBtnVCL1Execute},
        {ui->FlatBtnVCL2, 0xFF8CBF26, QStringLiteral("Add"), QStringLiteral("Add Folder"),
         QStringLiteral("PICTFOLDERSTAR"), &TFrmMain::FlatBtnVCL2Execute},
        {ui->FlatBtnVCL3, 0xFF1BA1E2, QStringLiteral("Save"), QStringLiteral("Save Files"),
         QStringLiteral("PICTDOCSTAR"), &TFrmMain::FlatBtnVCL3Execute},
        {ui->FlatBtnVCL4, 0xFF1BA1E2, QStringLiteral("Save"), QStringLiteral("Save HTML Bookmark"),
         QStringLiteral("PICTFOLDERSTAR"), &TFrmMain::FlatBtnVCL4Execute},
        {ui->FlatBtnVCL5, 0xFFE51400, QStringLiteral("Clear All"), QString(),
         QStringLiteral("PICTWASTEBIN"), &TFrmMain::FlatBtnVCL5Execute},
        {ui->FlatBtnVCL6, 0xFFF09609, QStringLiteral("About"), QString(),
         QStringLiteral("PICTINFO"), &TFrmMain::FlatBtnVCL6Execute},
        {ui->FlatBtnVCL7, 0xFF8CBF26, QStringLiteral("Setup"), QString(),
         QStringLiteral("PICTTOOLS"), &TFrmMain::FlatBtnVCL7Execute},
    };
    for (const TButtonSetup& B : Buttons) {
        B.Button->setToolTip(B.Hint);
        B.Button->setCursor(Qt::PointingHandCursor);
        // Captions in the small toolbar font, except About, which keeps the form's.
        if (B.Button != ui->FlatBtnVCL6) {
            QFont Small = font();
            Small.setPixelSize(8);
            B.Button->setFont(Small);
        }
        auto Execute = B.Execute;
        auto Run = [this, Execute] { Guard([&] { (this->*Execute)(); }); };
        B.Button->setText(B.Text);
        B.Button->setFlatBtnType(mtSmallSingle);
        B.Button->setBgColor(B.Color);
        B.Button->setFgColor(0xFF34AADC);
        B.Button->BgBitmapPNGResSet(B.Pictogram);
        B.Button->setDown(false);
        B.Button->setIsToggle(false);
        B.Button->setIsColorDot(false);
        connect(B.Button, &TFlatBtnVCL::Execute, this, Run);
    }
}

void TFrmMain::ApplyJapaneseCaptions()
{
    setWindowTitle(QStringLiteral("Zorvel - Bookmark管理ツール"));
    ui->LbURL->setText(ProductPageURLJa());
    ui->FlatBtnVCL1->setText(QStringLiteral("追加"));
    ui->FlatBtnVCL2->setText(QStringLiteral("追加"));
    ui->FlatBtnVCL3->setText(QStringLiteral("保存"));
    ui->FlatBtnVCL4->setText(QStringLiteral("保存"));
    ui->FlatBtnVCL5->setText(QStringLiteral("全削除"));
    ui->FlatBtnVCL6->setText(QStringLiteral("..について"));
    ui->FlatBtnVCL7->setText(QStringLiteral("設定"));
    const QString Columns[4] = {QStringLiteral("タイトル"), QStringLiteral("URL"),
                                QStringLiteral("カテゴリ"), QStringLiteral("コメント")};
    for (int c = 0; c < 4; ++c)
        FModel->setHeaderData(c, Qt::Horizontal, Columns[c]);
    AcSaveAsShortcut->setText(QStringLiteral("(&S)インターネットショートカットとして保存..."));
    AcProperty->setText(QStringLiteral("(&P)プロパティ"));
    AcDeleteItem->setText(QStringLiteral("(&D)選択された項目を削除"));
    AcOpen->setText(QStringLiteral("(&O)既定のWebブラウザで開く"));
    AcOpenIE->setText(QStringLiteral("(&I)Internet Explorerで開く"));
    AcOpenFF->setText(QStringLiteral("(&F)Firefoxで開く"));
    AcOpenCH->setText(QStringLiteral("(&C)Chromeで開く"));
    AcOpenVI->setText(QStringLiteral("(&V)Vivaldiで開く"));
    AcOpenTR->setText(QStringLiteral("(&T)Tor Browserで開く"));
    AcOpenPM->setText(QStringLiteral("(&P)Pale Moonで開く"));
}

void TFrmMain::UpdateActions()
{
    if (!AcOpen)
        return;
    const int s = SelectedCount();
    AcOpen->setEnabled(s == 1);
    AcOpenIE->setVisible(IEExists);
    AcOpenFF->setVisible(FFExists);
    AcOpenCH->setVisible(CHExists);
    AcOpenVI->setVisible(VIExists);
    AcOpenTR->setVisible(TRExists);
    AcOpenPM->setVisible(PMExists);
    AcSaveAsShortcut->setEnabled(s > 0);
    AcProperty->setEnabled(s > 0);
    AcDeleteItem->setEnabled(s > 0);
    if (!IsJapaneseLocale()) {
        AcProperty->setText(s > 1 ? QStringLiteral("&Properties") : QStringLiteral("&Property"));
        AcDeleteItem->setText(s > 1 ? QStringLiteral("&Delete Items") : QStringLiteral("&Delete Item"));
    }
}

// ---- File dialogs -----------------------------------------------------------------------

QStringList TFrmMain::RunFileDialog(const TFileDialogRequest& Request)
{
    // Every dialog opens where the last one was confirmed (the Documents folder at first).
    TFileDialogRequest R = Request;
    if (R.Directory.isEmpty())
        R.Directory = FOpenDialogDir;
    const QStringList Chosen = FileDialogFn ? FileDialogFn(R) : QStringList();
    if (!Chosen.isEmpty()) {
        const QFileInfo First(Chosen.first());
        const bool Folder = R.Kind == TFileDialogRequest::OpenFolder || R.Kind == TFileDialogRequest::SaveFolder;
        FOpenDialogDir = Folder ? First.absoluteFilePath() : First.absolutePath();
    }
    return Chosen;
}

QStringList TFrmMain::DefaultFileDialog(QWidget* Parent, const TFileDialogRequest& Request)
{
    QFileDialog Dialog(Parent, Request.Title, Request.Directory);
    const bool Folder = Request.Kind == TFileDialogRequest::OpenFolder
                        || Request.Kind == TFileDialogRequest::SaveFolder;
    if (Request.Kind == TFileDialogRequest::SaveFile) {
        Dialog.setAcceptMode(QFileDialog::AcceptSave);
        Dialog.setFileMode(QFileDialog::AnyFile);
        // The command decides the name's extension and replaces an existing file.
        Dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    } else {
        Dialog.setAcceptMode(QFileDialog::AcceptOpen);
        if (Folder) {
            Dialog.setFileMode(QFileDialog::Directory);
            Dialog.setOption(QFileDialog::ShowDirsOnly, true);
        } else {
            Dialog.setFileMode(Request.MultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        }
    }
    if (!Request.Filters.isEmpty())
        Dialog.setNameFilters(Request.Filters);
    if (!Request.OkLabel.isEmpty())
        Dialog.setLabelText(QFileDialog::Accept, Request.OkLabel);
    if (Dialog.exec() != QDialog::Accepted)
        return {};
    return Dialog.selectedFiles();
}

namespace {

QString Pick(bool Ja, const char16_t* En, const char16_t* Jp)
{
    return Ja ? QString::fromUtf16(Jp) : QString::fromUtf16(En);
}

} // namespace

// ---- Toolbar commands ---------------------------------------------------------------------

bool TFrmMain::LoadPaths(const QStringList& Paths)
{
    PrepareHeapForLargeInput(WebSitesLoadAllocationEstimate(Paths));
    // Everything becomes a list of files first, so the progress can count files.
    QList<TPathToLoad> Files;
    for (const QString& Path : Paths)
        Files += WebSitesFilesOfPath(Path);
    std::unique_ptr<QProgressDialog> Progress;
    QElapsedTimer Clock;
    Clock.start();
    const bool Ja = IsJapaneseLocale();
    // A bookmark file this large takes longer than half a second to read by itself.
    constexpr qint64 LargeHtmlBytes = 4 * 1024 * 1024;
    auto IsLargeHtml = [](const QString& Path) {
        const QFileInfo Info(Path);
        const QString Ext = Info.suffix().toLower();
        return (Ext == u"html" || Ext == u"htm") && Info.size() > LargeHtmlBytes;
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct TRestoreCursor
    {
        ~TRestoreCursor() { QApplication::restoreOverrideCursor(); }
    } RestoreCursor;
    for (qsizetype i = 0; i < Files.size(); ++i) {
        // A long import shows its progress after half a second and keeps the window painting.
        if (!Progress && ((Clock.elapsed() > 500 && Files.size() - i > 1) || IsLargeHtml(Files[i].FileName))) {
            Progress = std::make_unique<QProgressDialog>(
                Pick(Ja, u"Reading bookmarks…", u"ブックマークを読み込み中…"),
                Pick(Ja, u"Cancel", u"キャンセル"), 0, Files.size() > 1 ? int(Files.size()) : 0, this);
            Progress->setWindowModality(Qt::WindowModal);
            Progress->setMinimumDuration(0);
            Progress->setValue(int(i));
        }
        if (Progress) {
            Progress->setValue(int(i));
            QApplication::processEvents();
            if (Progress->wasCanceled())
                return false;
        }
        // A file that vanished since the list was made is passed over.
        if (QFileInfo(Files[i].FileName).isFile())
            WebSitesLoadFromFile(FWebSiteList, Files[i].FileName, Files[i].Category);
    }
    return true;
}

void TFrmMain::AddChosenPaths(const QStringList& Paths)
{
    FWebSiteList.ResetStats();
    // Whatever was read before an error or a cancel stays, and the view shows it.
    struct TRefresh
    {
        TFrmMain* F;
        ~TRefresh()
        {
            F->RefreshListView();
            F->ClearSelection();
            F->ShowAddStatus();
        }
    } Refresh{this};
    LoadPaths(Paths);
}

void TFrmMain::FlatBtnVCL1Execute()
{
    const bool Ja = IsJapaneseLocale();
    TFileDialogRequest R;
    R.Kind = TFileDialogRequest::OpenFiles;
    R.Title = Pick(Ja, u"Open Internet Shortcut / Pinned Website / Bookmark Files",
                   u"インターネットショートカット/ピン留めサイト/ブックマークファイルを開く");
    R.OkLabel = Pick(Ja, u"Open Files", u"開く");
    R.MultiSelect = R.PathMustExist = R.FileMustExist = true;
    R.Filters = {Pick(Ja, u"All Files", u"開くことができるファイル") + QStringLiteral(" (*.url *.website *.html *.htm)"),
                 Pick(Ja, u"Internet Shortcut Files", u"インターネットショートカット") + QStringLiteral(" (*.url)"),
                 Pick(Ja, u"Pinned Website File", u"ピン留めサイト") + QStringLiteral(" (*.website)"),
                 Pick(Ja, u"Bookmark File", u"ブックマークファイル") + QStringLiteral(" (*.html *.htm)")};
    const QStringList Files = RunFileDialog(R);
    if (Files.isEmpty())
        return;
    AddChosenPaths(Files);
}

void TFrmMain::FlatBtnVCL2Execute()
{
    const bool Ja = IsJapaneseLocale();
    TFileDialogRequest R;
    R.Kind = TFileDialogRequest::OpenFolder;
    R.Title = Pick(Ja, u"Open Internet Shortcuts and Pinned Websites from Folder",
                   u"フォルダの中のインターネットショートカットとピン留めサイトを開く");
    R.OkLabel = Pick(Ja, u"Open Folder", u"フォルダを開く");
    R.PathMustExist = R.FileMustExist = true;
    const QStringList Chosen = RunFileDialog(R);
    if (Chosen.isEmpty())
        return;
    AddChosenPaths({Chosen.first()});
}

void TFrmMain::FlatBtnVCL3Execute()
{
    const bool Ja = IsJapaneseLocale();
    TFileDialogRequest R;
    R.Kind = TFileDialogRequest::SaveFile;
    R.Title = Pick(Ja, u"Save Bookmark File", u"ブックマークファイルを保存");
    R.OkLabel = Pick(Ja, u"Save", u"保存");
    R.StrictFileTypes = R.PathMustExist = true;
    R.Filters = {Pick(Ja, u"Bookmark File", u"ブックマークファイル") + QStringLiteral(" (*.html)")};
    const QStringList Chosen = RunFileDialog(R);
    if (Chosen.isEmpty())
        return;
    WebSitesSaveToHtml(FWebSiteList, WithExtension(Chosen.first(), QStringLiteral(".html")));
}

void TFrmMain::FlatBtnVCL4Execute()
{
    MarkAllRowsSelected();
    SaveSelectedToFolder();
}

void TFrmMain::SaveSelectedToFolder()
{
    const bool Ja = IsJapaneseLocale();
    TFileDialogRequest R;
    R.Kind = TFileDialogRequest::SaveFolder;
    R.Title = Pick(Ja, u"Save Internet Shortcuts to Folder",
                   u"指定されたフォルダにインターネットショットカットファイルを保存");
    R.OkLabel = Pick(Ja, u"Save to Folder", u"フォルダに保存");
    R.CreatePrompt = true;
    const QStringList Chosen = RunFileDialog(R);
    if (Chosen.isEmpty())
        return;
    const QString Folder = Chosen.first();
    ForcePath(Folder);
    WebSitesSaveToFolder(FWebSiteList, Folder);
}

void TFrmMain::FlatBtnVCL5Execute()
{
    SaveHistoryCopy(FWebSiteList);
    FWebSiteList.Clear();
    RefreshListView();
}

void TFrmMain::FlatBtnVCL6Execute()
{
    if (AboutFn)
        AboutFn();
}

void TFrmMain::FlatBtnVCL7Execute()
{
    if (SetupFn)
        SetupFn();
    FWebSiteList.ShortenURLs = SetupData.isAmazonShort;
    // Changed browser paths show in the menu at once.
    UpdateActions();
}

// ---- Context-menu commands --------------------------------------------------------------

void TFrmMain::AcOpenExecute()
{
    const int Row = FirstSelectedRow();
    if (Row < 0 || Row >= FWebSiteList.Count())
        return;
    if (ShellOpenFn)
        ShellOpenFn(FWebSiteList.at(Row).URL);
}

void TFrmMain::OpenInBrowser(const QString& Path)
{
    const int Row = FirstSelectedRow();
    if (Row < 0 || Row >= FWebSiteList.Count())
        return;
    if (StartProgramFn)
        StartProgramFn(Path, FWebSiteList.at(Row).URL);
}

void TFrmMain::AcOpenIEExecute() { OpenInBrowser(SetupData.IEPath); }
void TFrmMain::AcOpenFFExecute() { OpenInBrowser(SetupData.FFPath); }
void TFrmMain::AcOpenCHExecute() { OpenInBrowser(SetupData.CHPath); }
void TFrmMain::AcOpenVIExecute() { OpenInBrowser(SetupData.VIPath); }
void TFrmMain::AcOpenTRExecute() { OpenInBrowser(SetupData.TRPath); }
void TFrmMain::AcOpenPMExecute() { OpenInBrowser(SetupData.PMPath); }

void TFrmMain::AcSaveAsShortcutExecute()
{
    const int s = SelectedCount();
    if (s == 1) {
        TFileDialogRequest R;
        R.Kind = TFileDialogRequest::SaveFile;
        R.Title = QStringLiteral("Save Bookmark File");
        R.OkLabel = QStringLiteral("Save");
        R.StrictFileTypes = R.PathMustExist = true;
        R.Filters = {QStringLiteral("Interner Shortcut File (*.url)")};
        const int Row = FirstSelectedRow();
        const QStringList Chosen = RunFileDialog(R);
        if (Chosen.isEmpty() || Row >= FWebSiteList.Count())
            return;
        WebSiteSaveToUrlFile(FWebSiteList.at(Row), WithExtension(Chosen.first(), QStringLiteral(".url")));
    } else if (s > 1) {
        SyncSelection();
        SaveSelectedToFolder();
    }
}

void TFrmMain::AcPropertyExecute()
{
    SyncSelection();
    if (PropertyFn && PropertyFn(FWebSiteList))
        RefreshListView();
}

void TFrmMain::AcDeleteItemExecute()
{
    SyncSelection();
    WebSitesDeleteSelected(FWebSiteList);
    RefreshListView();
    ClearSelection();
}

// ---- Drop ----------------------------------------------------------------------------------

void TFrmMain::DropURLTargetDrop(const QString& URL, const QString& Title,
                                 const QStringList& DroppedFileNames)
{
    FWebSiteList.ResetStats();
    struct TRefresh
    {
        TFrmMain* F;
        ~TRefresh()
        {
            F->RefreshListView();
            F->ShowAddStatus();
        }
    } Refresh{this};
    if (Title.startsWith(FileDropMarkerText))
        LoadPaths(DroppedFileNames);
    else
        WebSitesAddURL(FWebSiteList, URL, Title);
}
