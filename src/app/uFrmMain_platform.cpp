// The main window's links to the platform: the URL drop target on the list and the
// banner strip under it.

#include "uFrmMain.h"

#include "ui_FrmMain.h"

#include <platform/DragDropInternetTarget.h>
#include <platform/uHVUtilsGui.h>

#include <banner/uBanner.h>

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

void TFrmMain::ShowFirstBanner()
{
    ShowNextBanner(ui->bannerImage, FBannerIndex);
}

void TFrmMain::onBannerTimer()
{
    ShowNextBanner(ui->bannerImage, FBannerIndex);
}

void TFrmMain::onBannerClicked()
{
    if (ShellOpenFn)
        ShellOpenFn(BannerURL(FBannerIndex));
}
