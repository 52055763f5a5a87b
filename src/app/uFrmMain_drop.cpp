// The main window's URL drop target on the list: links and files dragged from a
// browser or a file manager reach onDrop.

#include "uFrmMain.h"

#include "ui_FrmMain.h"

#include <platform/DragDropInternetTarget.h>

void TFrmMain::AttachDropTarget()
{
    if (FDropURLTarget)
        return;
    auto* Target = new TDropURLTarget(this);
    Target->setObjectName(QStringLiteral("DropURLTarget"));
    Target->SetTarget(ui->bookmarkList);
    // The data lives only while the drop is reported, so it is copied here.
    Target->OnDrop = [this](TDropURLTarget* Sender, Qt::KeyboardModifiers, Qt::MouseButtons, QPoint,
                            Qt::DropAction&) {
        const QString URL = Sender->URL();
        const QString Title = Sender->Title();
        const QStringList Files = Sender->DroppedFileNames();
        Guard([&] { onDrop(URL, Title, Files); });
    };
    FDropURLTarget = Target;
}

void TFrmMain::DetachDropTarget()
{
    if (!FDropURLTarget)
        return;
    auto* Target = static_cast<TDropURLTarget*>(FDropURLTarget);
    Target->SetTarget(nullptr);
    delete Target;
    FDropURLTarget = nullptr;
}
