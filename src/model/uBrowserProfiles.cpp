// Browser profile detection. The folder lists say where each browser's stable
// release keeps its user data on each system; a browser whose folder is absent is
// simply not installed (or never started).

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QSet>
#include <QStandardPaths>
#include <algorithm>
#include <model/uBrowserProfiles.h>
#include <model/uProfileBookmarks.h>
#include <platform/EFileError.h>

using namespace Qt::StringLiterals;

namespace {

enum class TFamily
{
    Chromium,
    Firefox
};

struct TBrowserPlace
{
    QString Browser;
    TFamily Family;
    // Chromium: the user data folder holding Default, Profile 1, ... (or, for
    // Opera, the profile itself). Firefox: the folder holding profiles.ini.
    QString Folder;
};

QList<TBrowserPlace> PlacesOf(const TProfileSearchPlaces& p)
{
    const auto chromium = [](const QString& browser, const QString& folder) {
        return TBrowserPlace{browser, TFamily::Chromium, folder};
    };
    const auto firefox = [](const QString& browser, const QString& folder) {
        return TBrowserPlace{browser, TFamily::Firefox, folder};
    };
    const QString h = p.Home + u'/';
    switch (p.OS) {
    case TProfileOS::Linux: {
        const QString c = p.ConfigHome + u'/';
        const QString flat = h + u".var/app/"_s;
        const QString snap = h + u"snap/"_s;
        const QString tor = u"/Browser/TorBrowser/Data/Browser"_s;
        return {
            chromium(u"Google Chrome"_s, c + u"google-chrome"_s),
            chromium(u"Google Chrome"_s, flat + u"com.google.Chrome/config/google-chrome"_s),
            chromium(u"Chromium"_s, c + u"chromium"_s),
            chromium(u"Chromium"_s, snap + u"chromium/common/chromium"_s),
            chromium(u"Chromium"_s, flat + u"org.chromium.Chromium/config/chromium"_s),
            chromium(u"Microsoft Edge"_s, c + u"microsoft-edge"_s),
            chromium(u"Microsoft Edge"_s, flat + u"com.microsoft.Edge/config/microsoft-edge"_s),
            chromium(u"Brave"_s, c + u"BraveSoftware/Brave-Browser"_s),
            chromium(u"Brave"_s, snap + u"brave/current/.config/BraveSoftware/Brave-Browser"_s),
            chromium(u"Brave"_s, flat + u"com.brave.Browser/config/BraveSoftware/Brave-Browser"_s),
            chromium(u"Vivaldi"_s, c + u"vivaldi"_s),
            chromium(u"Vivaldi"_s, snap + u"vivaldi/current/.config/vivaldi"_s),
            chromium(u"Vivaldi"_s, flat + u"com.vivaldi.Vivaldi/config/vivaldi"_s),
            chromium(u"Opera"_s, c + u"opera"_s),
            chromium(u"Opera"_s, snap + u"opera/current/.config/opera"_s),
            chromium(u"Opera"_s, flat + u"com.opera.Opera/config/opera"_s),
            firefox(u"Firefox"_s, h + u".mozilla/firefox"_s),
            firefox(u"Firefox"_s, c + u"mozilla/firefox"_s),
            firefox(u"Firefox"_s, snap + u"firefox/common/.mozilla/firefox"_s),
            firefox(u"Firefox"_s, flat + u"org.mozilla.firefox/.mozilla/firefox"_s),
            firefox(u"LibreWolf"_s, h + u".librewolf"_s),
            firefox(u"LibreWolf"_s, flat + u"io.gitlab.librewolf-community/.librewolf"_s),
            firefox(u"Waterfox"_s, h + u".waterfox"_s),
            firefox(u"Waterfox"_s, flat + u"net.waterfox.waterfox/.waterfox"_s),
            firefox(u"Pale Moon"_s, h + u".moonchild productions/pale moon"_s),
            firefox(u"Tor Browser"_s, h + u"tor-browser"_s + tor),
            firefox(u"Tor Browser"_s, h + u"tor-browser_en-US"_s + tor),
            firefox(u"Tor Browser"_s,
                    h + u".local/share/torbrowser/tbb/x86_64/tor-browser"_s + tor),
            firefox(
                u"Tor Browser"_s,
                flat
                    + u"org.torproject.torbrowser-launcher/data/torbrowser/tbb/x86_64/tor-browser"_s
                    + tor),
        };
    }
    case TProfileOS::Windows: {
        const QString l = p.LocalAppData + u'/';
        const QString r = p.AppData + u'/';
        return {
            chromium(u"Google Chrome"_s, l + u"Google/Chrome/User Data"_s),
            chromium(u"Chromium"_s, l + u"Chromium/User Data"_s),
            chromium(u"Microsoft Edge"_s, l + u"Microsoft/Edge/User Data"_s),
            chromium(u"Brave"_s, l + u"BraveSoftware/Brave-Browser/User Data"_s),
            chromium(u"Vivaldi"_s, l + u"Vivaldi/User Data"_s),
            chromium(u"Opera"_s, r + u"Opera Software/Opera Stable"_s),
            chromium(u"Opera GX"_s, r + u"Opera Software/Opera GX Stable"_s),
            firefox(u"Firefox"_s, r + u"Mozilla/Firefox"_s),
            firefox(u"LibreWolf"_s, r + u"LibreWolf"_s),
            firefox(u"Waterfox"_s, r + u"Waterfox"_s),
            firefox(u"Pale Moon"_s, r + u"Moonchild Productions/Pale Moon"_s),
            firefox(u"Tor Browser"_s,
                    p.Desktop + u"/Tor Browser/Browser/TorBrowser/Data/Browser"_s),
        };
    }
    case TProfileOS::MacOS: {
        const QString s = h + u"Library/Application Support/"_s;
        return {
            chromium(u"Google Chrome"_s, s + u"Google/Chrome"_s),
            chromium(u"Chromium"_s, s + u"Chromium"_s),
            chromium(u"Microsoft Edge"_s, s + u"Microsoft Edge"_s),
            chromium(u"Brave"_s, s + u"BraveSoftware/Brave-Browser"_s),
            chromium(u"Vivaldi"_s, s + u"Vivaldi"_s),
            chromium(u"Opera"_s, s + u"com.operasoftware.Opera"_s),
            firefox(u"Firefox"_s, s + u"Firefox"_s),
            firefox(u"LibreWolf"_s, s + u"LibreWolf"_s),
            firefox(u"Waterfox"_s, s + u"Waterfox"_s),
            firefox(u"Pale Moon"_s, s + u"Pale Moon"_s),
            firefox(u"Tor Browser"_s, s + u"TorBrowser-Data/Browser"_s),
        };
    }
    }
    return {};
}

TBrowserProfile Found(const QString& Browser, const QString& Profile, const QString& FileName)
{
    TBrowserProfile p;
    p.Browser = Browser;
    p.Profile = Profile;
    p.FileName = FileName;
    return p;
}

// Profile names from the user data folder's "Local State" (profile.info_cache).
QJsonObject ChromiumProfileNames(const QString& UserData)
{
    QFile f(UserData + u"/Local State"_s);
    if (f.size() > 64 * 1024 * 1024 || !f.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject state = QJsonDocument::fromJson(f.readAll()).object();
    return state.value(u"profile"_s).toObject().value(u"info_cache"_s).toObject();
}

// A Chromium profile folder's bookmark files: "Bookmarks" and the signed-in
// account's "AccountBookmarks" (a sign-in may have renamed the one to the other,
// so either may stand alone). False when it holds neither.
bool FoundChromiumFiles(const QString& Browser, const QString& Profile, const QString& Folder,
                        QList<TBrowserProfile>& Out)
{
    bool any = false;
    for (const QString& file : {u"Bookmarks"_s, u"AccountBookmarks"_s}) {
        const QString path = Folder + u'/' + file;
        if (!QFileInfo(path).isFile())
            continue;
        TBrowserProfile p = Found(Browser, Profile, path);
        p.Account = file == u"AccountBookmarks"_s;
        Out.append(p);
        any = true;
    }
    return any;
}

bool IsChromiumProfileFolder(const QString& Name)
{
    return Name == u"Default"_s || Name.startsWith(u"Profile "_s);
}

void FindChromium(const TBrowserPlace& Place, QList<TBrowserProfile>& Out)
{
    const QDir dir(Place.Folder);
    if (!dir.exists())
        return;
    // Opera keeps a single profile in the folder itself.
    if (FoundChromiumFiles(Place.Browser, u"Default"_s, Place.Folder, Out))
        return;
    const QJsonObject names = ChromiumProfileNames(Place.Folder);
    QStringList folders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    folders.removeIf([](const QString& f) { return !IsChromiumProfileFolder(f); });
    // Default first, then Profile 1, Profile 2, ... in number order.
    std::sort(folders.begin(), folders.end(), [](const QString& a, const QString& b) {
        const auto key = [](const QString& f) { return f == u"Default"_s ? -1 : f.mid(8).toInt(); };
        return key(a) != key(b) ? key(a) < key(b) : a < b;
    });
    for (const QString& folder : folders) {
        QString name = names.value(folder).toObject().value(u"name"_s).toString();
        if (name.isEmpty())
            name = folder;
        FoundChromiumFiles(Place.Browser, name, dir.filePath(folder), Out);
    }
}

struct TIniProfile
{
    QString Name;
    QString Path;
    bool Relative = true;
};

// The [Profile*] sections of profiles.ini. A plain reader: names may hold commas
// and other characters that QSettings would interpret.
QList<TIniProfile> ReadProfilesIni(const QString& FileName)
{
    QFile f(FileName);
    if (f.size() > 1024 * 1024 || !f.open(QIODevice::ReadOnly))
        return {};
    QList<TIniProfile> out;
    bool inProfile = false;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'[')) {
            inProfile = line.startsWith(u"[Profile"_s, Qt::CaseInsensitive);
            if (inProfile)
                out.append(TIniProfile{});
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inProfile || eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key.compare(u"Name"_s, Qt::CaseInsensitive) == 0)
            out.back().Name = value;
        else if (key.compare(u"Path"_s, Qt::CaseInsensitive) == 0)
            out.back().Path = value;
        else if (key.compare(u"IsRelative"_s, Qt::CaseInsensitive) == 0)
            out.back().Relative = value != u"0"_s;
    }
    return out;
}

void FindFirefox(const TBrowserPlace& Place, QList<TBrowserProfile>& Out)
{
    const QDir dir(Place.Folder);
    if (!dir.exists())
        return;
    const QList<TIniProfile> profiles = ReadProfilesIni(dir.filePath(u"profiles.ini"_s));
    bool found = false;
    for (const TIniProfile& p : profiles) {
        if (p.Path.isEmpty())
            continue;
        const QString folder = QDir::cleanPath(p.Relative ? dir.filePath(p.Path) : p.Path);
        const QString file = folder + u"/places.sqlite"_s;
        if (!QFileInfo(file).isFile())
            continue;
        Out.append(
            Found(Place.Browser, p.Name.isEmpty() ? QFileInfo(folder).fileName() : p.Name, file));
        found = true;
    }
    // Tor Browser ships its one profile without always listing it.
    if (!found && QFileInfo(dir.filePath(u"profile.default/places.sqlite"_s)).isFile())
        Out.append(
            Found(Place.Browser, u"default"_s, dir.filePath(u"profile.default/places.sqlite"_s)));
}

} // namespace

TProfileSearchPlaces ProfileSearchPlacesForHome(const QString& Home, TProfileOS OS)
{
    TProfileSearchPlaces p;
    p.OS = OS;
    p.Home = Home;
    p.ConfigHome = Home + u"/.config"_s;
    p.LocalAppData = Home + u"/AppData/Local"_s;
    p.AppData = Home + u"/AppData/Roaming"_s;
    p.Desktop = Home + u"/Desktop"_s;
    return p;
}

TProfileSearchPlaces DefaultProfileSearchPlaces()
{
#if defined(Q_OS_WIN)
    constexpr TProfileOS os = TProfileOS::Windows;
#elif defined(Q_OS_DARWIN)
    constexpr TProfileOS os = TProfileOS::MacOS;
#else
    constexpr TProfileOS os = TProfileOS::Linux;
#endif
    TProfileSearchPlaces p = ProfileSearchPlacesForHome(QDir::homePath(), os);
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const auto fromEnv = [&env](const char* name, QString& target) {
        const QString value = env.value(QString::fromLatin1(name));
        if (!value.isEmpty())
            target = QDir::fromNativeSeparators(value);
    };
    fromEnv("XDG_CONFIG_HOME", p.ConfigHome);
    fromEnv("LOCALAPPDATA", p.LocalAppData);
    fromEnv("APPDATA", p.AppData);
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!desktop.isEmpty())
        p.Desktop = desktop;
    return p;
}

QString TBrowserProfile::DisplayName() const
{
    return Browser + u" ("_s + Profile + (Account ? u", account)"_s : u")"_s);
}

void BrowserProfileCountBookmarks(TBrowserProfile& Profile)
{
    try {
        Profile.Count = int(ReadBrowserBookmarks(Profile.FileName).size());
        Profile.Error.clear();
    } catch (const EFileError& e) {
        Profile.Count = -1;
        Profile.Error = e.Reason();
    } catch (const std::exception& e) {
        Profile.Count = -1;
        Profile.Error = QString::fromLocal8Bit(e.what());
    }
}

QList<TBrowserProfile> FindBrowserProfiles(const TProfileSearchPlaces& Places, bool CountBookmarks)
{
    QList<TBrowserProfile> found;
    for (const TBrowserPlace& place : PlacesOf(Places)) {
        try {
            if (place.Family == TFamily::Chromium)
                FindChromium(place, found);
            else
                FindFirefox(place, found);
        } catch (const std::exception&) {
            // A folder that cannot be listed or read holds nothing we can offer.
        }
    }
    // One file reached through two places (a link, XDG_CONFIG_HOME = ~/.config) once.
    QSet<QString> seen;
    QList<TBrowserProfile> out;
    for (TBrowserProfile& p : found) {
        const QString canonical = QFileInfo(p.FileName).canonicalFilePath();
        if (seen.contains(canonical))
            continue;
        seen.insert(canonical);
        if (CountBookmarks)
            BrowserProfileCountBookmarks(p);
        out.append(std::move(p));
    }
    return out;
}

QList<TBrowserProfile> FilterBrowserProfiles(const QList<TBrowserProfile>& Profiles,
                                             const QStringList& Names)
{
    if (Names.isEmpty())
        return Profiles;
    QList<TBrowserProfile> out;
    for (const TBrowserProfile& p : Profiles)
        for (const QString& name : Names)
            if (p.Browser.contains(name, Qt::CaseInsensitive)) {
                out.append(p);
                break;
            }
    return out;
}
