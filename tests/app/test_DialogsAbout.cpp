#include "MainWindowFixture.h"
#include "test_DialogsUtil.h"

#include <app/uFrmAbout.h>
#include <app/uTranslations.h>
#include <platform/uOsServices.h>

#include <QLabel>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

class AboutDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureTestApplication();
        Env.SetLanguage("en_US.UTF-8");
    }

    static QLabel* Label(const TFrmAbout& Dlg, const char* Name)
    {
        return Dlg.findChild<QLabel*>(QString::fromLatin1(Name));
    }

    TScopedEnv Env;
};

TEST_F(AboutDialog, ShowsLogoVersionAndProductPage)
{
    TFrmAbout Dlg;
    EXPECT_EQ(Dlg.windowTitle(), u"About"_s);
    ASSERT_NE(Label(Dlg, "versionLabel"), nullptr);
    // The same text the main window shows.
    EXPECT_EQ(Label(Dlg, "versionLabel")->text(), u"Ver."_s + GetAppVersion());
    EXPECT_FALSE(GetAppVersion().isEmpty());
    EXPECT_EQ(Label(Dlg, "appNameLabel")->text(), u"Zorvel"_s);
    EXPECT_EQ(Label(Dlg, "makerLabel")->text(), u"HALVERN PROJECT"_s);
    EXPECT_EQ(Label(Dlg, "productLinkLabel")->text(),
              QStringLiteral("https://zorvel.example.org/"));
    const QPixmap Logo = Label(Dlg, "logoImage")->pixmap();
    EXPECT_FALSE(Logo.isNull());
    // 170 x 170 points; drawn from the double-size picture on a high-DPI screen
    // (run with QT_SCALE_FACTOR=2 to see that path).
    EXPECT_EQ(Logo.deviceIndependentSize().toSize(), QSize(170, 170));
    if (Dlg.devicePixelRatioF() > 1.0) {
        EXPECT_EQ(Logo.width(), 340);
    }
    EXPECT_EQ(Label(Dlg, "logoImage")->geometry(), QRect(32, 32, 170, 170));
}

TEST_F(AboutDialog, ClickingTheAddressOpensItAndLeavesTheDialogOpen)
{
    TFrmAbout Dlg;
    QStringList Opened;
    Dlg.OpenURL = [&](const QString& URL) { Opened << URL; };
    WhileOpen(
        Dlg,
        [&] {
            QLabel* Url = Label(Dlg, "productLinkLabel");
            ASSERT_NE(Url, nullptr);
            EXPECT_EQ(Url->cursor().shape(), Qt::PointingHandCursor);
            QTest::mouseClick(Url, Qt::LeftButton);
            EXPECT_EQ(Opened, QStringList{Url->text()});
            EXPECT_TRUE(Dlg.isVisible());
            // A click on another label opens nothing.
            QTest::mouseClick(Label(Dlg, "versionLabel"), Qt::LeftButton);
            EXPECT_EQ(Opened.size(), 1);
            Dlg.close();
        },
        [&] {
            Dlg.Execute();
            return 0;
        });
    EXPECT_EQ(Opened, QStringList{QStringLiteral("https://zorvel.example.org/")});
}

TEST_F(AboutDialog, JapaneseCaptionAndAddress)
{
    Env.SetLanguage("ja_JP.UTF-8");
    TFrmAbout Dlg;
    EXPECT_EQ(Dlg.windowTitle(), u"このアプリケーションについて"_s);
    EXPECT_EQ(Label(Dlg, "productLinkLabel")->text(),
              QStringLiteral("https://zorvel.example.org/ja/"));
    // Name, version prefix and maker stay in English.
    EXPECT_TRUE(Label(Dlg, "versionLabel")->text().startsWith(u"Ver."_s));
    EXPECT_EQ(Label(Dlg, "makerLabel")->text(), u"HALVERN PROJECT"_s);
}

// The About dialog and the main window show the same version text.
using AboutAndMainWindow = MainWindowTest;

TEST_F(AboutAndMainWindow, ShowTheSameVersionText)
{
    Start();
    TFrmAbout Dlg(Form.get());
    const QLabel* Main = Form->findChild<QLabel*>(u"versionLabel"_s);
    const QLabel* About = Dlg.findChild<QLabel*>(u"versionLabel"_s);
    ASSERT_NE(Main, nullptr);
    ASSERT_NE(About, nullptr);
    EXPECT_EQ(About->text(), Main->text());
    EXPECT_TRUE(About->text().startsWith(u"Ver."_s));
}

} // namespace
