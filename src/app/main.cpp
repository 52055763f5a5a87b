// Zorvel: start and end of the program.

#include "uAppErrors.h"
#include "uFrmAbout.h"
#include "uFrmBrowserImport.h"
#include "uFrmMain.h"
#include "uFrmProperty.h"
#include "uFrmSetup.h"
#include "uSingleInstance.h"
#include "uTranslations.h"

#include <platform/uOsServices.h>
#include <settings/uSetupData.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

#include <memory>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int SignalPipe[2] = {-1, -1};

void OnQuitSignal(int)
{
    const char Byte = 1;
    [[maybe_unused]] const auto Written = ::write(SignalPipe[0], &Byte, 1);
}

// A logout or `kill` ends the program the ordinary way, so the bookmarks, the
// search history and the settings are still written.
void QuitOnTerminationSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, SignalPipe) != 0)
        return;
    auto* Notifier = new QSocketNotifier(SignalPipe[1], QSocketNotifier::Read, qApp);
    QObject::connect(Notifier, &QSocketNotifier::activated, qApp, [] {
        char Byte;
        [[maybe_unused]] const auto Read = ::read(SignalPipe[1], &Byte, 1);
        QApplication::quit();
    });
    struct sigaction Action = {};
    Action.sa_handler = OnQuitSignal;
    sigemptyset(&Action.sa_mask);
    Action.sa_flags = SA_RESTART;
    for (int Signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(Signal, &Action, nullptr);
}

} // namespace
#endif

namespace {

// The program's arguments as absolute paths (file: URLs taken as their paths).
QStringList CommandLinePaths()
{
    QStringList Paths;
    const QStringList Args = QApplication::arguments().mid(1);
    for (const QString& Arg : Args) {
        if (Arg.isEmpty())
            continue;
        const QUrl Url(Arg);
        const QString Path = Url.isLocalFile() ? Url.toLocalFile() : Arg;
        Paths << QFileInfo(Path).absoluteFilePath();
    }
    return Paths;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication App(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zorvel"));
    QApplication::setOrganizationName(QStringLiteral("Zorvel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/rcdata/APPICON")));
    QApplication::setDesktopFileName(QStringLiteral("zorvel"));

#ifdef Q_OS_UNIX
    QuitOnTerminationSignals();
#endif

    // The program speaks Japanese under a Japanese locale and English otherwise; Qt's
    // own dialogs (file dialogs, message box buttons) follow the same rule.
    QTranslator QtTexts;
    if (LoadQtTranslation(QtTexts))
        QApplication::installTranslator(&QtTexts);
    ApplyLanguage();

    // One program per data folder: a second start hands its paths to the first one
    // and ends, so that two programs never write their lists over each other.
    const QStringList Paths = CommandLinePaths();
    TSingleInstance Instance(GetDataDir());
    switch (Instance.Start(Paths)) {
    case TSingleInstance::HandedOver:
        return 0;
    case TSingleInstance::NotAnswering:
        QMessageBox::warning(
            nullptr, QApplication::applicationName(),
            QCoreApplication::translate(
                "TFrmMain",
                "Zorvel is already running with the data folder \"%1\", but does not answer.")
                .arg(QDir::toNativeSeparators(GetDataDir())));
        return 1;
    case TSingleInstance::First:
    case TSingleInstance::Unlocked:
        break;
    }

    // Settings before any window exists; they live until the last window is gone.
    TSetupData Settings;
    TBrowserAvailability Browsers;
    RunGuarded(nullptr, [&] { LoadSetupData(Settings); });

    // The windows, in the order main window, Property, About, Setup. The Setup
    // dialog works out which browsers are available as it is created.
    auto MainForm = std::make_unique<TFrmMain>(Settings, Browsers);
    // The base file is read on a thread of its own: the window shows at once, with
    // the read's progress, and the list appears when it is there.
    RunGuarded(MainForm.get(), [&] { MainForm->LoadAtStart(); });
    MainForm->show();
    auto PropertyForm = std::make_unique<TFrmProperty>(MainForm.get());
    auto AboutForm = std::make_unique<TFrmAbout>(MainForm.get());
    auto SetupForm = std::make_unique<TFrmSetup>(Settings, Browsers, MainForm.get());

    MainForm->PropertyFn = [&](TWebSiteList& List) { return PropertyForm->Execute(List); };
    MainForm->AboutFn = [&] { AboutForm->Execute(); };
    MainForm->SetupFn = [&] { SetupForm->Execute(); };
    // Only finding the profiles is done here; the dialog counts their bookmarks on a
    // thread of its own, so it opens at once.
    MainForm->FindProfilesFn = [] {
        return FindBrowserProfiles(DefaultProfileSearchPlaces(), /*CountBookmarks=*/false);
    };
    MainForm->BrowserImportFn = [&](const QList<TBrowserProfile>& Profiles) {
        TFrmBrowserImport Dialog(Profiles, MainForm.get());
        return Dialog.exec() == QDialog::Accepted ? Dialog.CheckedFiles() : QStringList();
    };
    MainForm->UpdateActions();

    // Files named on the command line ("Open with Zorvel") and by later starts.
    QObject::connect(
        &Instance, &TSingleInstance::PathsReceived, MainForm.get(),
        [&MainForm](const QStringList& More) { MainForm->OpenPathsFromOutside(More); });
    if (!Paths.isEmpty())
        MainForm->OpenPathsFromOutside(Paths);
    // A first start with nothing to show offers the browsers' bookmarks, once the
    // window is on the screen.
    QTimer::singleShot(0, MainForm.get(),
                       [&] { MainForm->Guard([&] { MainForm->OfferBrowserImportAtStart(); }); });

    const int Result = QApplication::exec();

    // The window goes away at once; the writes follow. Paths a later start hands
    // over now would be lost: that start waits for this program's lock instead.
    Instance.StopListening();
    MainForm->hide();
    QGuiApplication::sync();
    // The writes at exit, while the settings are still intact.
    MainForm->SaveAtExit();
    MainForm->LeaveListAtExit();
    const bool Quietly = MainForm->ExitWritesQuietly();
    SetupForm.reset();
    AboutForm.reset();
    PropertyForm.reset();
    MainForm.reset();

    // Settings last, after every window is gone; a failure is told, the exit stays normal.
    // After the close listed what cannot be written, a failure is not told again.
    if (Quietly) {
        try {
            SaveSetupData(Settings);
        } catch (...) {
        }
    } else {
        RunGuarded(nullptr, [&] { SaveSetupData(Settings); });
    }
    return Result;
}
