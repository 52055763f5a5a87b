// Browser profile detection in a fake home folder.

#include "PrintQt.h"
#include "ProfileFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <model/uBrowserProfiles.h>

using namespace Qt::StringLiterals;
using namespace fixtures;

namespace {

QByteArray OneBookmarkJson(const char* url)
{
    return QByteArray(R"({"roots": {"bookmark_bar": {"type": "folder", "children": [
        {"type": "url", "name": "x", "url": ")")
           + url + R"("}]}, "other": {"type": "folder",
        "children": []}}})";
}

void MakePlaces(const QString& path, int bookmarks)
{
    QDir().mkpath(QFileInfo(path).path());
    TDb db(path);
    CreatePlacesSchema(db);
    for (int i = 0; i < bookmarks; ++i)
        db.Exec(Bookmark(100 + i, 3, i, "b",
                         ("https://b" + std::to_string(i) + ".example/").c_str(), 1));
}

struct TRow
{
    QString Browser;
    QString Profile;
    int Count;
};

std::vector<TRow> Rows(const QList<TBrowserProfile>& profiles)
{
    std::vector<TRow> out;
    for (const TBrowserProfile& p : profiles)
        out.push_back({p.Browser, p.Profile, p.Count});
    return out;
}

void ExpectRows(const QList<TBrowserProfile>& profiles, const std::vector<TRow>& expected)
{
    const std::vector<TRow> rows = Rows(profiles);
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].Browser, expected[i].Browser);
        EXPECT_EQ(rows[i].Profile, expected[i].Profile);
        EXPECT_EQ(rows[i].Count, expected[i].Count);
    }
}

TEST(BrowserProfiles, LinuxHomeWithSeveralBrowsersAndProfiles)
{
    QTemporaryDir home;
    QTemporaryDir elsewhere; // a profile kept outside the browser's folder
    const QString h = home.path();
    // Chrome: two profiles named in Local State, a profile folder without bookmarks,
    // and folders that are no profiles.
    WriteFile(h + u"/.config/google-chrome/Default/Bookmarks"_s, ChromiumBookmarksJson());
    WriteFile(h + u"/.config/google-chrome/Profile 2/Bookmarks"_s,
              OneBookmarkJson("https://two.example/"));
    WriteFile(h + u"/.config/google-chrome/Profile 10/Bookmarks"_s,
              OneBookmarkJson("https://ten.example/"));
    WriteFile(h + u"/.config/google-chrome/Profile 3/Preferences"_s, "{}");
    WriteFile(h + u"/.config/google-chrome/System Profile/Bookmarks"_s,
              OneBookmarkJson("https://s/"));
    WriteFile(h + u"/.config/google-chrome/Local State"_s,
              R"({"profile": {"info_cache": {"Default": {"name": "Personal"},
                  "Profile 2": {"name": "Work, main"}}}})");
    // Chromium from snap with a damaged file; Opera's single profile; Brave flatpak.
    WriteFile(h + u"/snap/chromium/common/chromium/Default/Bookmarks"_s, "{\"roots\": ");
    WriteFile(h + u"/.config/opera/Bookmarks"_s, OneBookmarkJson("https://opera.example/"));
    WriteFile(
        h + u"/.var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser/Default/Bookmarks"_s,
        OneBookmarkJson("https://brave.example/"));
    // Firefox: profiles.ini with a relative and an absolute path, and one whose
    // folder is gone.
    MakePlaces(h + u"/.mozilla/firefox/abcd.default-release/places.sqlite"_s, 3);
    MakePlaces(elsewhere.path() + u"/mine/places.sqlite"_s, 2);
    WriteFile(h + u"/.mozilla/firefox/profiles.ini"_s,
              QByteArray("[Install4F96D1932A9F858E]\nDefault=abcd.default-release\n\n"
                         "[Profile1]\nName=kept elsewhere\nIsRelative=0\nPath=")
                  + elsewhere.path().toUtf8()
                  + "/mine\n\n"
                    "[Profile0]\r\nName=default-release\r\nIsRelative=1\r\nPath=abcd.default-"
                    "release\r\n\r\n"
                    "[Profile2]\nName=gone\nIsRelative=1\nPath=missing.profile\n\n"
                    "[General]\nStartWithLastProfile=1\nVersion=2\n");
    // LibreWolf and a Tor Browser that lists no profile.
    MakePlaces(h + u"/.librewolf/x.default/places.sqlite"_s, 1);
    WriteFile(h + u"/.librewolf/profiles.ini"_s, "[Profile0]\nName=default\nPath=x.default\n");
    MakePlaces(h + u"/tor-browser/Browser/TorBrowser/Data/Browser/profile.default/places.sqlite"_s,
               0);

    const QList<TBrowserProfile> found =
        FindBrowserProfiles(ProfileSearchPlacesForHome(h, TProfileOS::Linux));
    ExpectRows(found, {
                          {u"Google Chrome"_s, u"Personal"_s, 6},
                          {u"Google Chrome"_s, u"Work, main"_s, 1},
                          {u"Google Chrome"_s, u"Profile 10"_s, 1},
                          {u"Chromium"_s, u"Default"_s, -1},
                          {u"Brave"_s, u"Default"_s, 1},
                          {u"Opera"_s, u"Default"_s, 1},
                          {u"Firefox"_s, u"kept elsewhere"_s, 2},
                          {u"Firefox"_s, u"default-release"_s, 3},
                          {u"LibreWolf"_s, u"default"_s, 1},
                          {u"Tor Browser"_s, u"default"_s, 0},
                      });
    EXPECT_FALSE(found[3].Error.isEmpty());
    EXPECT_EQ(found[6].FileName, elsewhere.path() + u"/mine/places.sqlite"_s);
    EXPECT_EQ(found[0].DisplayName(), u"Google Chrome (Personal)"_s);

    ExpectRows(FilterBrowserProfiles(found, {u"fire"_s, u"OPERA"_s}),
               {{u"Opera"_s, u"Default"_s, 1},
                {u"Firefox"_s, u"kept elsewhere"_s, 2},
                {u"Firefox"_s, u"default-release"_s, 3}});
    // Without counting, nothing is read.
    const QList<TBrowserProfile> quick =
        FindBrowserProfiles(ProfileSearchPlacesForHome(h, TProfileOS::Linux), false);
    ASSERT_EQ(quick.size(), found.size());
    EXPECT_EQ(quick[0].Count, -1);
}

// A signed-in account's bookmarks are a source of their own beside the profile's;
// a profile whose "Bookmarks" the sign-in renamed has only the account's.
TEST(BrowserProfiles, ChromiumAccountBookmarksAreListedAsTheirOwnSource)
{
    QTemporaryDir home;
    const QString h = home.path();
    const QString chrome = h + u"/.config/google-chrome"_s;
    WriteFile(chrome + u"/Default/Bookmarks"_s, OneBookmarkJson("https://local.example/"));
    WriteFile(chrome + u"/Default/AccountBookmarks"_s, ChromiumBookmarksJson());
    WriteFile(chrome + u"/Profile 1/AccountBookmarks"_s, OneBookmarkJson("https://a.example/"));
    const QList<TBrowserProfile> found =
        FindBrowserProfiles(ProfileSearchPlacesForHome(h, TProfileOS::Linux));
    ExpectRows(found, {
                          {u"Google Chrome"_s, u"Default"_s, 1},
                          {u"Google Chrome"_s, u"Default"_s, 6},
                          {u"Google Chrome"_s, u"Profile 1"_s, 1},
                      });
    const bool account[] = {false, true, true};
    const QString names[] = {u"Google Chrome (Default)"_s, u"Google Chrome (Default, account)"_s,
                             u"Google Chrome (Profile 1, account)"_s};
    for (qsizetype i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].Account, account[i]);
        EXPECT_EQ(found[i].DisplayName(), names[i]);
    }
    EXPECT_EQ(found[1].FileName, chrome + u"/Default/AccountBookmarks"_s);
}

TEST(BrowserProfiles, WindowsAndMacFolders)
{
    QTemporaryDir home;
    const QString h = home.path();
    WriteFile(h + u"/AppData/Local/Microsoft/Edge/User Data/Default/Bookmarks"_s,
              OneBookmarkJson("https://edge.example/"));
    WriteFile(h + u"/AppData/Local/Vivaldi/User Data/Profile 1/Bookmarks"_s,
              OneBookmarkJson("https://vivaldi.example/"));
    MakePlaces(
        h + u"/AppData/Roaming/Moonchild Productions/Pale Moon/Profiles/p.default/places.sqlite"_s,
        1);
    WriteFile(h + u"/AppData/Roaming/Moonchild Productions/Pale Moon/profiles.ini"_s,
              "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/p.default\r\n");
    MakePlaces(
        h + u"/Desktop/Tor Browser/Browser/TorBrowser/Data/Browser/profile.default/places.sqlite"_s,
        1);
    ExpectRows(FindBrowserProfiles(ProfileSearchPlacesForHome(h, TProfileOS::Windows)),
               {{u"Microsoft Edge"_s, u"Default"_s, 1},
                {u"Vivaldi"_s, u"Profile 1"_s, 1},
                {u"Pale Moon"_s, u"default"_s, 1},
                {u"Tor Browser"_s, u"default"_s, 1}});

    WriteFile(h + u"/Library/Application Support/Google/Chrome/Default/Bookmarks"_s,
              OneBookmarkJson("https://mac.example/"));
    ExpectRows(FindBrowserProfiles(ProfileSearchPlacesForHome(h, TProfileOS::MacOS)),
               {{u"Google Chrome"_s, u"Default"_s, 1}});
}

TEST(BrowserProfiles, NothingThereIsNoError)
{
    EXPECT_TRUE(
        FindBrowserProfiles(ProfileSearchPlacesForHome(u"/nonexistent/home"_s, TProfileOS::Linux))
            .isEmpty());
    QTemporaryDir home;
    WriteFile(home.path() + u"/.mozilla/firefox/profiles.ini"_s, QByteArray(5000, '\0'));
    WriteFile(home.path() + u"/.config/vivaldi/Local State"_s, "not json");
    EXPECT_TRUE(
        FindBrowserProfiles(ProfileSearchPlacesForHome(home.path(), TProfileOS::Linux)).isEmpty());
}

} // namespace
