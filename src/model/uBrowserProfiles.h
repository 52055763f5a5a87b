#pragma once
// Finding the browser profiles of the user: where the Chromium family (Google
// Chrome, Chromium, Microsoft Edge, Brave, Vivaldi, Opera) and the Firefox family
// (Firefox, LibreWolf, Waterfox, Pale Moon, Tor Browser) keep each profile's
// bookmark file on Linux (including snap and flatpak installs), Windows and macOS,
// and how many bookmarks each holds. Detection looks only into those folders,
// reads profiles.ini and "Local State" for profile names, and never raises: a
// profile that cannot be read is listed with its error instead of a count.
// Every folder it starts from is a parameter, so tests can use a fake home.

#include <QList>
#include <QString>

enum class TProfileOS
{
    Linux,
    Windows,
    MacOS
};

// The folders detection starts from.
struct TProfileSearchPlaces
{
    TProfileOS OS = TProfileOS::Linux;
    QString Home;
    QString ConfigHome;   // Linux: $XDG_CONFIG_HOME, else Home/.config
    QString LocalAppData; // Windows: %LOCALAPPDATA%
    QString AppData;      // Windows: %APPDATA% (roaming)
    QString Desktop;      // Windows: where the Tor Browser installer puts the browser
};

// The running system's folders.
TProfileSearchPlaces DefaultProfileSearchPlaces();
// The folders under Home that a system of that kind uses by default.
TProfileSearchPlaces ProfileSearchPlacesForHome(const QString& Home, TProfileOS OS);

struct TBrowserProfile
{
    QString Browser;  // "Google Chrome", "Firefox", ...
    QString Profile;  // the name the browser shows, else the folder name
    QString FileName; // its "Bookmarks", "AccountBookmarks" or "places.sqlite"
    int Count = -1;   // bookmarks in the file; -1 when it could not be read
    QString Error;    // why it could not be read
    // The bookmarks of the account signed in to a Chromium profile
    // ("AccountBookmarks"): they sync with that account, so what is written into
    // them comes back or doubles from the server. A source of their own beside the
    // profile's "Bookmarks".
    bool Account = false;

    // "Firefox (default-release)", "Google Chrome (Default, account)": how lists
    // show a profile.
    QString DisplayName() const;
};

// Every profile found, browser by browser in the order above; a Chromium profile's
// account bookmarks right after its own. With CountBookmarks
// false the files are not read (Count stays -1, Error empty).
QList<TBrowserProfile> FindBrowserProfiles(const TProfileSearchPlaces& Places,
                                           bool CountBookmarks = true);

// Reads Profile's file and sets its Count, or its Error when the file cannot be read.
// Never raises. Dialogs call it on a thread of their own, one profile at a time.
void BrowserProfileCountBookmarks(TBrowserProfile& Profile);

// Profiles whose browser name contains one of Names (case-insensitive); all of
// them when Names is empty.
QList<TBrowserProfile> FilterBrowserProfiles(const QList<TBrowserProfile>& Profiles,
                                             const QStringList& Names);
