#pragma once
// The Setup dialog: edits the live settings (SetupData) while it is open and puts
// back the copy taken at opening when it is closed any way other than OK. It also
// computes the six path-exists flags that decide which "Open by" commands exist.

#include <settings/uFrmSetupData.h>

#include <QDialog>

#include <array>
#include <memory>

class QLineEdit;
class QWidget;

namespace Ui {
class TFrmSetup;
}

// The copy of SetupData taken each time the dialog opens (Restore and Cancel use it).
extern TSetupData SetupDataBackup;

class TFrmSetup : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmSetup(QWidget* parent = nullptr);
    ~TFrmSetup() override;

    // Shows the dialog modally; returns when it is closed.
    void Execute();
    // Recomputes the six path-exists flags and the path boxes' colours, in row order.
    void PathExists();

private:
    void FormCreate();
    void FitOptionsRow();
    void ShowSetupData();
    void BrowsePath(const QString& Title, QLineEdit* Edit);
    static void SetPathColor(QWidget* Edit, bool Exists);

    void UpdateIEExists();
    void UpdateFFExists();
    void UpdateCHExists();
    void UpdateVIExists();
    void UpdateTRExists();
    void UpdatePMExists();

    // One handler for the six path boxes; Row is 0..5.
    void onPathEdited(int Row);
    void onBrowse(int Row);
    void onOpenBaseBookmarkToggled();
    void onSaveHistoryToggled();
    void onSimplifyAmazonToggled();
    void onDefaults();
    void onRestore();
    void onClearHistory();

    std::unique_ptr<Ui::TFrmSetup> ui;
    std::array<QLineEdit*, 6> FEdits{};
    // Per path box: 0 = react to text changes, 1 = ignore them (the dialog fills it).
    std::array<int, 6> FTag{};
};

// The one instance, created at start-up by the main sequence.
extern TFrmSetup* FrmSetup;
