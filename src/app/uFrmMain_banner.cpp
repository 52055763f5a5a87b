// The banner strip under the list: the next picture on a timer, its product page on a click.

#include "uFrmMain.h"

#include "ui_FrmMain.h"

#include <banner/uBanner.h>

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
