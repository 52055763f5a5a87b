#pragma once
// The file and folder dialogs of the main window's commands.

#include <QFileDialog>
#include <QString>
#include <QStringList>

// What a command asks of a file dialog. The options are those of the system's
// common item dialog; Filters are Qt filter strings ("Name (*.a *.b)").
struct TFileDialogRequest
{
    enum TKind
    {
        OpenFiles,
        OpenFolder,
        SaveFile,
        SaveFolder
    };
    TKind Kind = OpenFiles;
    QString Title;
    QString OkLabel;
    QStringList Filters;
    QString Directory;
    QString FileName; // the name offered in a save dialog
    bool MultiSelect = false;
    bool PathMustExist = false;
    bool FileMustExist = false;
    bool StrictFileTypes = false;
    bool CreatePrompt = false;
};

// A dialog set up from a request. Where the system's own dialog would not do it,
// it checks the choice before closing: a save dialog whose request wants an
// existing path refuses a name in a folder that does not exist, and a "save to
// folder" dialog makes a folder whose name was typed but does not exist yet (the
// dialog's "Create New Folder" button makes one too).
class TFileDialog : public QFileDialog
{
    Q_OBJECT
public:
    TFileDialog(QWidget* Parent, const TFileDialogRequest& Request);

    // Shows the dialog; the chosen paths, empty when cancelled.
    QStringList Run();

public Q_SLOTS:
    void accept() override;

private:
    TFileDialogRequest FRequest;
};
