#include <app/uFileDialog.h>

#include <app/uTranslations.h>

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

TFileDialog::TFileDialog(QWidget* Parent, const TFileDialogRequest& Request)
    : QFileDialog(Parent, Request.Title, Request.Directory), FRequest(Request)
{
#ifndef Q_OS_WIN
    // The system's own dialog would close without the checks of accept().
    setOption(QFileDialog::DontUseNativeDialog, true);
#endif
    const bool Folder = Request.Kind == TFileDialogRequest::OpenFolder
                        || Request.Kind == TFileDialogRequest::SaveFolder;
    if (Request.Kind == TFileDialogRequest::SaveFile) {
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        // The command decides the name's extension and replaces an existing file.
        setOption(QFileDialog::DontConfirmOverwrite, true);
    } else {
        setAcceptMode(QFileDialog::AcceptOpen);
        if (Folder) {
            setFileMode(QFileDialog::Directory);
            setOption(QFileDialog::ShowDirsOnly, true);
        } else {
            setFileMode(Request.MultiSelect ? QFileDialog::ExistingFiles
                                            : QFileDialog::ExistingFile);
        }
    }
    if (!Request.Filters.isEmpty())
        setNameFilters(Request.Filters);
    if (Request.Kind == TFileDialogRequest::SaveFile && !Request.FileName.isEmpty())
        selectFile(Request.FileName);
    if (!Request.OkLabel.isEmpty())
        setLabelText(QFileDialog::Accept, Request.OkLabel);
}

QStringList TFileDialog::Run()
{
    if (exec() != QDialog::Accepted)
        return {};
    return selectedFiles();
}

void TFileDialog::accept()
{
    const QStringList Chosen = selectedFiles();
    if (!Chosen.isEmpty()) {
        const QFileInfo Info(Chosen.first());
        if (FRequest.Kind == TFileDialogRequest::SaveFolder && !Info.exists()) {
            if (!QDir().mkpath(Info.absoluteFilePath())) {
                QMessageBox::warning(this, windowTitle(),
                                     tr("The folder \"%1\" does not exist.")
                                         .arg(QDir::toNativeSeparators(Info.absoluteFilePath())));
                return;
            }
        } else if (FRequest.Kind == TFileDialogRequest::SaveFile && FRequest.PathMustExist
                   && !QFileInfo(Info.absolutePath()).isDir()) {
            QMessageBox::warning(this, windowTitle(),
                                 tr("The folder \"%1\" does not exist.")
                                     .arg(QDir::toNativeSeparators(Info.absolutePath())));
            return;
        }
    }
    QFileDialog::accept();
}
