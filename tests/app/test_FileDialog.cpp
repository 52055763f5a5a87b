// The file dialogs' own checks: a save dialog refuses a folder that does not exist,
// a "save to folder" dialog makes the folder whose name was typed.

#include "test_DialogsUtil.h"

#include <app/uFileDialog.h>

#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>

TEST(FileDialog, SaveRefusesANameInAFolderThatDoesNotExist)
{
    EnsureTestApplication();
    QTemporaryDir Tmp;
    ASSERT_TRUE(Tmp.isValid());
    TFileDialogRequest R;
    R.Kind = TFileDialogRequest::SaveFile;
    R.PathMustExist = true;
    R.Directory = Tmp.path();
    TFileDialog Dialog(nullptr, R);

    Dialog.selectFile(Tmp.filePath(QStringLiteral("missing/out.html")));
    QString Told;
    OnNextModal([&](QWidget* W) {
        auto* Box = qobject_cast<QMessageBox*>(W);
        ASSERT_NE(Box, nullptr);
        Told = Box->text();
        Box->accept();
    });
    Dialog.accept();
    EXPECT_TRUE(Told.contains(QStringLiteral("missing"))) << qPrintable(Told);
    EXPECT_NE(Dialog.result(), QDialog::Accepted);

    Dialog.selectFile(Tmp.filePath(QStringLiteral("out.html")));
    Dialog.accept();
    EXPECT_EQ(Dialog.result(), QDialog::Accepted);
}

TEST(FileDialog, SaveToFolderMakesATypedFolder)
{
    EnsureTestApplication();
    QTemporaryDir Tmp;
    ASSERT_TRUE(Tmp.isValid());
    TFileDialogRequest R;
    R.Kind = TFileDialogRequest::SaveFolder;
    R.Directory = Tmp.path();
    TFileDialog Dialog(nullptr, R);
    const QString Wanted = Tmp.filePath(QStringLiteral("New Links"));
    Dialog.selectFile(Wanted);
    Dialog.accept();
    EXPECT_EQ(Dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(QFileInfo(Wanted).isDir());
    ASSERT_FALSE(Dialog.selectedFiles().isEmpty());
    EXPECT_EQ(QDir(Dialog.selectedFiles().first()), QDir(Wanted));
    // Qt's own "Create New Folder" stays available (not a read-only dialog).
    EXPECT_FALSE(Dialog.testOption(QFileDialog::ReadOnly));
}

TEST(FileDialog, SaveOffersTheRequestedNameInTheFolder)
{
    EnsureTestApplication();
    QTemporaryDir Tmp;
    ASSERT_TRUE(Tmp.isValid());
    TFileDialogRequest R;
    R.Kind = TFileDialogRequest::SaveFile;
    R.Directory = Tmp.path();
    R.FileName = QStringLiteral("Example Domain.url");
    TFileDialog Dialog(nullptr, R);
    // Accepted as offered: the user only presses Enter.
    Dialog.accept();
    EXPECT_EQ(Dialog.result(), QDialog::Accepted);
    ASSERT_EQ(Dialog.selectedFiles().size(), 1);
    EXPECT_EQ(Dialog.selectedFiles().first(), Tmp.filePath(QStringLiteral("Example Domain.url")));
}
