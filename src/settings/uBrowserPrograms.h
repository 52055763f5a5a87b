#pragma once
// The browser programs the user can open an entry with, and where each is installed
// by default. These are programs to start; the bookmark stores of installed browsers
// are their profiles (src/model/uBrowserProfiles.h), a different matter.
//
// One row per browser, in the order of the Setup dialog and the context menu. A
// further browser is one row here, a path field in TSetupData and its row of texts
// in the window (src/app/uBrowserCommands.h); its default places are one case in
// each of the two detection rules below.

#include <settings/uSetupData.h>

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>

enum class TBrowser
{
    IE,
    FF,
    CH,
    VI,
    TR,
    PM
};
inline constexpr std::size_t BrowserCount = 6;

struct TBrowserProgram
{
    TBrowser Browser;
    // Its name, which is also its key in the settings file ("Mozilla Firefox").
    const char16_t* Name;
    // Where the settings record keeps its path.
    QString TSetupData::*Path;
};

// Every browser, in row order; BrowserPrograms()[size_t(B)].Browser == B.
const std::array<TBrowserProgram, BrowserCount>& BrowserPrograms();

// The inputs of the Windows detection rules.
struct TWinBrowserEnv
{
    QString ProgramFilesDir;    // no trailing separator
    QString ProgramFilesX86Dir; // no trailing separator
    QString LocalAppDataPath;   // with trailing separator
    QString DesktopPath;        // with trailing separator
    QString ChromeAppPath;      // from the registry, or ""
    int OSVersion = 0;          // major * 10 + minor
};
// The Windows rule for one browser; FileExists decides between two candidates.
QString DetectBrowserPathWin(TBrowser Browser, const TWinBrowserEnv& Env,
                             bool (*FileExists)(const QString&));
// The candidate executables on Linux and other systems, most usual first; "~/" stands
// for the home folder. Empty for Internet Explorer.
QStringList BrowserCandidates(TBrowser Browser);
// The first candidate that is an existing file under Root (a folder standing in for "/"),
// "~/" resolved to Home; else the first candidate; "" when there are none.
QString DetectBrowserPathIn(TBrowser Browser, const QString& Root, const QString& Home);
// Where this computer has the browser (the rule of its system).
QString DetectBrowserPath(TBrowser Browser);
