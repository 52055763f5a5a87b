#pragma once
// The Find duplicates dialog: the groups of entries whose URLs name the same page
// in different spellings, each with its members (title, URL, category, date). A
// group's check box chooses it for "Merge checked"; in each group one member is
// ticked as the entry that stays (the earliest added unless the user picks
// another). The dialog only chooses: the caller merges, so that the change is one
// undo step of the window.

#include <model/uWebSiteDuplicates.h>

#include <QDialog>

#include <vector>

class QLabel;
class QPushButton;
class QTreeView;
class TDuplicateGroupsModel;

class TFrmDuplicates : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmDuplicates(QWidget* Parent = nullptr);
    ~TFrmDuplicates() override;

    // Finds the groups of List and shows them modally. Returns the merges the user
    // chose (empty when the dialog was closed without merging). List is only read
    // and must not change while the dialog is open.
    std::vector<TDuplicateMerge> Execute(const TWebSiteList& List);

    // ---- Parts, for the tests.
    QTreeView* groupList() const { return FGroupList; }
    QLabel* summaryLabel() const { return FSummary; }
    QPushButton* mergeCheckedButton() const { return FMergeChecked; }
    QPushButton* mergeAllButton() const { return FMergeAll; }
    QPushButton* closeButton() const { return FClose; }

private:
    void ApplyTexts();
    // Makes the Added column as wide as the locale's longest date.
    void FitDateColumn();
    void UpdateButtons();
    void onMergeChecked();
    void onMergeAll();

    TDuplicateGroupsModel* FModel = nullptr;
    QLabel* FExplanation = nullptr;
    QLabel* FSummary = nullptr;
    QTreeView* FGroupList = nullptr;
    QPushButton* FMergeChecked = nullptr;
    QPushButton* FMergeAll = nullptr;
    QPushButton* FClose = nullptr;
    std::vector<TDuplicateMerge> FMerges;
};
