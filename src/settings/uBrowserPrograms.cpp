#include <settings/uBrowserPrograms.h>

#include <platform/uOsServices.h>

#include <QDir>
#include <QFileInfo>

namespace {

bool IsExistingFile(const QString& Path)
{
    return !Path.isEmpty() && QFileInfo(Path).isFile();
}

} // namespace

const std::array<TBrowserProgram, BrowserCount>& BrowserPrograms()
{
    static const std::array<TBrowserProgram, BrowserCount> Rows = {{
        {TBrowser::IE, u"Internet Explorer", &TSetupData::IEPath},
        {TBrowser::FF, u"Mozilla Firefox", &TSetupData::FFPath},
        {TBrowser::CH, u"Google Chrome", &TSetupData::CHPath},
        {TBrowser::VI, u"Vivaldi", &TSetupData::VIPath},
        {TBrowser::TR, u"Tor Browser", &TSetupData::TRPath},
        {TBrowser::PM, u"Pale Moon", &TSetupData::PMPath},
    }};
    return Rows;
}

QString DetectBrowserPathWin(TBrowser Browser, const TWinBrowserEnv& Env,
                             bool (*FileExists)(const QString&))
{
    switch (Browser) {
    case TBrowser::IE:
        return Env.ProgramFilesDir + QStringLiteral("\\Internet Explorer\\iexplore.exe");
    case TBrowser::FF:
        return Env.ProgramFilesDir + QStringLiteral("\\Mozilla Firefox\\firefox.exe");
    case TBrowser::CH:
        if (!Env.ChromeAppPath.isEmpty())
            return Env.ChromeAppPath;
        // Windows 7 installs kept the older folder layout.
        if (Env.OSVersion == 61)
            return Env.ProgramFilesX86Dir + QStringLiteral("\\Google\\Application\\chrome.exe");
        return Env.ProgramFilesX86Dir + QStringLiteral("\\Google\\Chrome\\Application\\chrome.exe");
    case TBrowser::VI: {
        const QString perUser =
            Env.LocalAppDataPath + QStringLiteral("Vivaldi\\Application\\vivaldi.exe");
        if (FileExists(perUser))
            return perUser;
        return Env.ProgramFilesX86Dir + QStringLiteral("\\Vivaldi\\Application\\vivaldi.exe");
    }
    case TBrowser::TR:
        return Env.DesktopPath + QStringLiteral("Tor Browser\\Browser\\firefox.exe");
    case TBrowser::PM: {
        const QString native = Env.ProgramFilesDir + QStringLiteral("\\Pale Moon\\palemoon.exe");
        if (FileExists(native))
            return native;
        return Env.ProgramFilesX86Dir + QStringLiteral("\\Pale Moon\\palemoon.exe");
    }
    }
    return {};
}

QStringList BrowserCandidates(TBrowser Browser)
{
    switch (Browser) {
    case TBrowser::IE:
        return {};
    case TBrowser::FF:
        return {QStringLiteral("/usr/bin/firefox"),
                QStringLiteral("/usr/lib/firefox/firefox"),
                QStringLiteral("/snap/bin/firefox"),
                QStringLiteral("/usr/bin/firefox-esr"),
                QStringLiteral("/usr/lib/firefox-esr/firefox-esr"),
                QStringLiteral("/opt/firefox/firefox"),
                QStringLiteral("/var/lib/flatpak/exports/bin/org.mozilla.firefox")};
    case TBrowser::CH:
        return {QStringLiteral("/usr/bin/google-chrome-stable"),
                QStringLiteral("/usr/bin/google-chrome"),
                QStringLiteral("/opt/google/chrome/chrome"),
                QStringLiteral("/var/lib/flatpak/exports/bin/com.google.Chrome")};
    case TBrowser::VI:
        return {QStringLiteral("/usr/bin/vivaldi"), QStringLiteral("/usr/bin/vivaldi-stable"),
                QStringLiteral("/opt/vivaldi/vivaldi"),
                QStringLiteral("/var/lib/flatpak/exports/bin/com.vivaldi.Vivaldi")};
    case TBrowser::TR:
        return {QStringLiteral("~/tor-browser/Browser/start-tor-browser"),
                QStringLiteral("~/tor-browser_en-US/Browser/start-tor-browser"),
                QStringLiteral("~/.local/share/torbrowser/tbb/x86_64/tor-browser/Browser/"
                               "start-tor-browser"),
                QStringLiteral("/usr/bin/torbrowser-launcher"),
                QStringLiteral("/var/lib/flatpak/exports/bin/org.torproject.torbrowser-launcher")};
    case TBrowser::PM:
        return {QStringLiteral("/usr/bin/palemoon"), QStringLiteral("/opt/palemoon/palemoon")};
    }
    return {};
}

QString DetectBrowserPathIn(TBrowser Browser, const QString& Root, const QString& Home)
{
    const QStringList candidates = BrowserCandidates(Browser);
    const auto resolve = [&](const QString& c) {
        const QString path = c.startsWith(u"~/") ? Home + c.mid(1) : c;
        return QDir::cleanPath(Root + path);
    };
    for (const QString& c : candidates) {
        const QString path = resolve(c);
        if (IsExistingFile(path))
            return path;
    }
    return candidates.isEmpty() ? QString() : resolve(candidates.first());
}

QString DetectBrowserPath(TBrowser Browser)
{
#ifdef Q_OS_WIN
    TWinBrowserEnv env;
    env.ProgramFilesDir = GetProgramFilesDir();
    env.ProgramFilesX86Dir = GetProgramFilesX86Dir();
    env.LocalAppDataPath = GetLocalAppDataPath();
    env.DesktopPath = GetDesktopPath();
    if (Browser == TBrowser::CH) {
        env.ChromeAppPath = ReadChromeAppPath();
        env.OSVersion = GetOSVersionNumber();
    }
    return DetectBrowserPathWin(Browser, env, &IsExistingFile);
#else
    return DetectBrowserPathIn(Browser, QString(), QDir::homePath());
#endif
}
