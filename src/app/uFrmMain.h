#pragma once
// The main window: the bookmark list in a virtual four-column view, the search box
// with its history, the toolbar and context-menu commands, the drop handler and the
// banner strip.

#include <model/uWebSiteShortcut.h>

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QTimer;
class QTreeView;
class TFlatBtnVCL;
class TWebSiteTableModel;

namespace Ui {
class TFrmMain;
}

// What a command asks of a file dialog. The options are those of the system's
// common item dialog; Filters are Qt filter strings ("Name (*.a *.b)").
struct TFileDialogRequest
{
    enum TKind { OpenFiles, OpenFolder, SaveFile, SaveFolder };
    TKind Kind = OpenFiles;
    QString Title;
    QString OkLabel;
    QStringList Filters;
    QString Directory;
    bool MultiSelect = false;
    bool PathMustExist = false;
    bool FileMustExist = false;
    bool StrictFileTypes = false;
    bool CreatePrompt = false;
};

class TFrmMain : public QWidget
{
    Q_OBJECT
public:
    explicit TFrmMain(QWidget* Parent = nullptr);
    ~TFrmMain() override;

    // ---- Outside services, replaceable so tests can answer them without a modal loop.
    // Shows a file dialog; returns the chosen paths, empty when cancelled.
    std::function<QStringList(const TFileDialogRequest&)> FileDialogFn;
    // The delete confirmation (window caption, main instruction, text); true on OK.
    std::function<bool(const QString&, const QString&, const QString&)> ConfirmFn;
    // Opens an address with the default browser.
    std::function<void(const QString&)> ShellOpenFn;
    // Starts a program with one argument, detached; failures are silent.
    std::function<void(const QString&, const QString&)> StartProgramFn;
    // The three dialogs (Property returns true when the user confirmed).
    std::function<bool(TWebSiteList&)> PropertyFn;
    std::function<void()> AboutFn;
    std::function<void()> SetupFn;

    // ---- Start and end.
    void FormCreate();
    // The writes at exit: search history, base bookmark file, history copy. Each
    // write that fails is reported and the others still run.
    void FormDestroy();

    // ---- The list.
    TWebSiteList& WebSiteList() { return FWebSiteList; }
    int ListViewSortIndex() const { return FListViewSortIndex; }
    void RefreshListView();
    void SyncSelection();
    void MarkAllRowsSelected();
    int SelectedCount() const;
    QList<int> SelectedRows() const;
    void SelectRows(const QList<int>& Rows);
    void ClearSelection();

    // ---- Event handlers.
    void FormResize();
    void ListView1ColumnClick(int Column);
    void ListView1DblClick();
    void ListView1KeyUp(int Key);
    void BitBtn1Click();
    void ComboBox1KeyUp(int Key);
    void LbURLClick();
    void Image1Click();
    void TimerBannerTimer();
    void Panel2Resize();

    // ---- Commands.
    void FlatBtnVCL1Execute(); // add files
    void FlatBtnVCL2Execute(); // add folder
    void FlatBtnVCL3Execute(); // save bookmark file
    void FlatBtnVCL4Execute(); // save shown entries to a folder
    void FlatBtnVCL5Execute(); // clear all
    void FlatBtnVCL6Execute(); // about
    void FlatBtnVCL7Execute(); // setup
    void AcOpenExecute();
    void AcOpenIEExecute();
    void AcOpenFFExecute();
    void AcOpenCHExecute();
    void AcOpenVIExecute();
    void AcOpenTRExecute();
    void AcOpenPMExecute();
    void AcSaveAsShortcutExecute();
    void AcPropertyExecute();
    void AcDeleteItemExecute();
    // Runs every action's update rule (enabled, visible, caption).
    void UpdateActions();

    // A drop onto the list: a URL and title, or the file-drop marker with the paths.
    void DropURLTargetDrop(const QString& URL, const QString& Title,
                           const QStringList& DroppedFileNames);

    // ---- Parts, for the program and its tests.
    QTreeView* ListView1() const;
    QComboBox* ComboBox1() const;
    QMenu* PopupMenu1() const { return FPopupMenu1; }
    TWebSiteTableModel* Model() const { return FModel; }
    QAction* AcOpen = nullptr;
    QAction* AcOpenIE = nullptr;
    QAction* AcOpenFF = nullptr;
    QAction* AcOpenCH = nullptr;
    QAction* AcOpenVI = nullptr;
    QAction* AcOpenTR = nullptr;
    QAction* AcOpenPM = nullptr;
    QAction* AcSaveAsShortcut = nullptr;
    QAction* AcProperty = nullptr;
    QAction* AcDeleteItem = nullptr;
    QLabel* LbURL() const;
    QLabel* Image1() const;
    TFlatBtnVCL* FlatButton(int Number) const; // FlatBtnVCL1 .. FlatBtnVCL7
    // The transient status text shown after adds and drops ("" when none).
    QString StatusText() const;
    QTimer* TimerBanner() const { return FTimerBanner; }

    // Runs one step through the application's error display, then refreshes the
    // actions' state. Returns true when the step finished without an error.
    bool Guard(const std::function<void()>& Step);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void CreateActions();
    void SetupButtons();
    void SetupFonts();
    void ApplyJapaneseCaptions();
    void AttachDropTarget();
    void DetachDropTarget();
    void ShowFirstBanner();
    void SaveSelectedToFolder();
    void OpenInBrowser(const QString& Path);
    int FirstSelectedRow() const;
    void PlaceHeaderLabels();
    // Reads every path into the list, file by file, with a progress window when it
    // takes long; returns false when the user cancelled.
    bool LoadPaths(const QStringList& Paths);
    // Add files / Add folder: read the paths, then refresh, clear the selection, tell counts.
    void AddChosenPaths(const QStringList& Paths);
    void ShowAddStatus();
    void ShowStatus(const QString& Text);
    QStringList RunFileDialog(const TFileDialogRequest& Request);
    static QStringList DefaultFileDialog(QWidget* Parent, const TFileDialogRequest& Request);

    std::unique_ptr<Ui::TFrmMain> ui;
    TWebSiteList FWebSiteList;
    TWebSiteTableModel* FModel = nullptr;
    QMenu* FPopupMenu1 = nullptr;
    QTimer* FTimerBanner = nullptr;
    QLabel* FLbStatus = nullptr;
    QTimer* FStatusTimer = nullptr;
    QObject* FDropURLTarget = nullptr;
    int FListViewSortIndex = 1;
    QString FOpenDialogDir;
    bool FDestroyed = false;
};

// The program's one main window (set by the main sequence).
extern TFrmMain* FrmMain;
