// Zorvel: start and end of the program.

#include "uAppErrors.h"
#include "uFrmAbout.h"
#include "uFrmMain.h"
#include "uFrmProperty.h"
#include "uFrmSetup.h"
#include "uFrmSetupData.h"

#include <QApplication>
#include <QIcon>

#include <memory>

int main(int argc, char* argv[])
{
    QApplication App(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zorvel"));
    QApplication::setOrganizationName(QStringLiteral("Zorvel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Zorvel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/rcdata/APPICON")));
    QApplication::setDesktopFileName(QStringLiteral("zorvel"));

    // Settings before any window exists.
    RunGuarded(nullptr, [] { LoadSetupData(); });

    // The forms, in the order main window, Property, About, Setup. The Setup
    // dialog computes the browsers' path-exists flags as it is created.
    auto MainForm = std::make_unique<TFrmMain>();
    FrmMain = MainForm.get();
    MainForm->show();
    RunGuarded(MainForm.get(), [&] { MainForm->FormCreate(); });
    auto PropertyForm = std::make_unique<TFrmProperty>(MainForm.get());
    FrmProperty = PropertyForm.get();
    auto AboutForm = std::make_unique<TFrmAbout>(MainForm.get());
    FrmAbout = AboutForm.get();
    auto SetupForm = std::make_unique<TFrmSetup>(MainForm.get());
    FrmSetup = SetupForm.get();

    MainForm->PropertyFn = [](TWebSiteList& List) { return FrmProperty->Execute(List); };
    MainForm->AboutFn = [] { FrmAbout->Execute(); };
    MainForm->SetupFn = [] { FrmSetup->Execute(); };
    MainForm->UpdateActions();

    const int Result = QApplication::exec();

    // The writes at exit, while the settings are still intact.
    MainForm->FormDestroy();
    FrmSetup = nullptr;
    SetupForm.reset();
    FrmAbout = nullptr;
    AboutForm.reset();
    FrmProperty = nullptr;
    PropertyForm.reset();
    FrmMain = nullptr;
    MainForm.reset();

    // Settings last, after every window is gone; a failure is told, the exit stays normal.
    RunGuarded(nullptr, [] { SaveSetupData(); });
    return Result;
}
