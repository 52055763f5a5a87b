#pragma once
// The Setup dialog: edits the program's settings while it is open and puts back the
// copy taken at opening when it is closed any way other than OK. It also keeps the
// browser availability up to date, which decides which "Open by" commands exist.

#include <app/uBrowserCommands.h>
#include <settings/uSetupData.h>

#include <QDialog>

#include <array>
#include <memory>

class QLineEdit;
class QWidget;

namespace Ui {
class TFrmSetup;
}

class TFrmSetup : public QDialog
{
    Q_OBJECT

public:
    // Settings and Browsers belong to the caller and must outlive the dialog.
    TFrmSetup(TSetupData& Settings, TBrowserAvailability& Browsers, QWidget* parent = nullptr);
    ~TFrmSetup() override;

    // Shows the dialog modally; returns when it is closed.
    void Execute();
    // Recomputes the availability of all six browsers and the path boxes' colours.
    void UpdateAllBrowsers();

private:
    void FitOptionsRow();
    void ShowSettings();
    void BrowsePath(const QString& Title, QLineEdit* Edit);
    static void SetPathColor(QWidget* Edit, bool Exists);

    // The availability of the browser of one row (0..5) and its box's colour.
    void UpdateBrowser(int Row);

    // One handler for the path boxes; Row is the browser's row in BrowserPrograms().
    void onPathEdited(int Row);
    void onBrowse(int Row);
    void onOpenBaseBookmarkToggled();
    void onSaveHistoryToggled();
    void onSimplifyAmazonToggled();
    void onDefaults();
    void onRestore();
    void onClearHistory();

    std::unique_ptr<Ui::TFrmSetup> ui;
    TSetupData& FSettings;
    TBrowserAvailability& FBrowsers;
    // The settings when the dialog was opened (Restore and Cancel go back to them).
    TSetupData FBackup;
    std::array<QLineEdit*, BrowserCount> FEdits{};
    // Per path box: 0 = react to text changes, 1 = ignore them (the dialog fills it).
    std::array<int, BrowserCount> FTag{};
};
