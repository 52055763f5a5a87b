#pragma once
// The "Import from browsers" dialog: the browser profiles found on this computer,
// each with its bookmark count and a check box; the caller imports the checked
// profiles' files.

#include <QDialog>
#include <QStringList>
#include <model/uBrowserProfiles.h>

class QDialogButtonBox;
class QLabel;
class QTreeWidget;

class TFrmBrowserImport : public QDialog
{
    Q_OBJECT
public:
    explicit TFrmBrowserImport(const QList<TBrowserProfile>& Profiles, QWidget* Parent = nullptr);

    // The bookmark files of the checked profiles, in list order.
    QStringList CheckedFiles() const;
    // Checks or unchecks the profile at Row (for tests and keyboard-less callers).
    void SetChecked(int Row, bool Checked);

    QTreeWidget* profileList() const { return FProfileList; }
    QDialogButtonBox* buttons() const { return FButtons; }

private:
    void UpdateImportButton();

    QList<TBrowserProfile> FProfiles;
    QLabel* FIntro = nullptr;
    QTreeWidget* FProfileList = nullptr;
    QDialogButtonBox* FButtons = nullptr;
};
