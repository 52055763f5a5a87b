#pragma once
// The "Import from browsers" dialog: the browser profiles found on this computer,
// each with its bookmark count and a check box; the caller imports the checked
// profiles' files. Profiles not counted yet are counted on a thread of the dialog's
// own, so it opens at once and the counts fill in as they come.

#include <QDialog>
#include <QSet>
#include <QStringList>
#include <model/uBrowserProfiles.h>

#include <atomic>
#include <functional>

class QDialogButtonBox;
class QLabel;
class QThread;
class QTreeWidget;
class QTreeWidgetItem;

class TFrmBrowserImport : public QDialog
{
    Q_OBJECT
public:
    // Reads one profile's file and sets its Count or Error; called off the window's
    // thread, one profile after the other.
    using TCountFn = std::function<void(TBrowserProfile&)>;

    // Profiles with a Count or an Error are shown as they are; the others (Count -1,
    // no Error) are counted by CountFn, the program's reader when none is given.
    explicit TFrmBrowserImport(const QList<TBrowserProfile>& Profiles, QWidget* Parent = nullptr,
                               TCountFn CountFn = {});
    // Stops the count: the profile being read is finished, the rest are not started.
    ~TFrmBrowserImport() override;

    // The bookmark files of the checked profiles, in list order.
    QStringList CheckedFiles() const;
    // Checks or unchecks the profile at Row (for tests and keyboard-less callers).
    void SetChecked(int Row, bool Checked);
    // The profiles as they are known now: counts that have come in are set.
    const QList<TBrowserProfile>& Profiles() const { return FProfiles; }
    // True until every profile has its count or error.
    bool IsCounting() const { return FPending > 0; }

    QTreeWidget* profileList() const { return FProfileList; }
    QDialogButtonBox* buttons() const { return FButtons; }

Q_SIGNALS:
    // Sent by the counting thread; the window's thread shows it.
    void ProfileCounted(int Row, int Count, const QString& Error);
    // Every profile has its count or error.
    void CountsFinished();

private:
    void ShowCount(int Row);
    void onProfileCounted(int Row, int Count, const QString& Error);
    void StartCounting(TCountFn CountFn);
    void UpdateImportButton();

    QList<TBrowserProfile> FProfiles;
    // Rows whose check the user set: a count that comes in later leaves them be.
    QSet<int> FTouched;
    int FPending = 0;
    bool FFilling = false;
    std::atomic<bool> FStop{false};
    QThread* FCounter = nullptr;
    QLabel* FIntro = nullptr;
    QTreeWidget* FProfileList = nullptr;
    QDialogButtonBox* FButtons = nullptr;
};
