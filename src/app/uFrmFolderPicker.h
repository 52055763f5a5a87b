#pragma once
// "Move to folder": every folder of the list by its path, narrowed as the user
// types (every word must occur, letter case ignored). A typed path that names
// no folder yet is offered as a new folder. The dialog only chooses; the
// caller moves the entries as one undo step.

#include <QDialog>
#include <QStringList>

#include <optional>

class QDialogButtonBox;
class QLineEdit;
class QListWidget;

class TFrmFolderPicker : public QDialog
{
    Q_OBJECT
public:
    explicit TFrmFolderPicker(QWidget* Parent = nullptr);

    // Shows Folders (paths, in the tree's order) modally; returns the chosen
    // path ("" for no folder), nothing when cancelled.
    std::optional<QString> Execute(const QStringList& Folders, const QString& Current);

    // What the dialog would answer now (for Execute and the tests).
    void SetFolders(const QStringList& Folders, const QString& Current);
    std::optional<QString> Chosen() const;

    QLineEdit* searchEdit() const { return FSearch; }
    QListWidget* folderList() const { return FList; }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void Narrow();

    QLineEdit* FSearch = nullptr;
    QListWidget* FList = nullptr;
    QDialogButtonBox* FButtons = nullptr;
    QStringList FFolders;
};

// A path as the user typed it: each name trimmed, empty names dropped; "" when
// nothing is left.
QString FolderPathOfInput(const QString& Text);
