// Giving a collection back to a browser profile, on profiles made by the real
// browsers (Chromium 156, Firefox ESR 153) and trimmed: the plan, the files
// written in each browser's form, what stays, the refusals, backup and restore.

#include "PrintQt.h"
#include "ProfileFixtures.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <model/uProfileBookmarks.h>
#include <model/uProfileSend.h>
#include <model/uProfileTree.h>
#include <model/uWebSiteTags.h>

#include <functional>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace fixtures;

namespace {

const QString Fixtures = QStringLiteral(ZORVEL_PROFILE_FIXTURES);

// A copy of a fixture profile in a temporary folder, and a backup folder.
struct TProfileCopy
{
    QTemporaryDir Temp;
    QString Profile;
    QString Backups;

    explicit TProfileCopy(const QString& Which)
    {
        const QString from = Fixtures + u'/' + Which;
        Profile = Temp.filePath(Which);
        QDir().mkpath(Profile);
        for (const QString& f : QDir(from).entryList(QDir::Files))
            QFile::copy(from + u'/' + f, Profile + u'/' + f);
        for (const QString& f : QDir(Profile).entryList(QDir::Files))
            QFile(Profile + u'/' + f).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        Backups = Temp.filePath(u"backups"_s);
    }
    QString File(const QString& Name) const { return Profile + u'/' + Name; }
};

std::vector<TWebSite> ReadSet(const QString& File)
{
    TWebSiteList list;
    EXPECT_TRUE(WebSitesLoadFromBrowserFile(list, File));
    return std::vector<TWebSite>(list.begin(), list.end());
}

qsizetype IndexOfUrl(const std::vector<TWebSite>& Sites, const QString& Url)
{
    for (size_t i = 0; i < Sites.size(); ++i)
        if (Sites[i].URL.toString() == Url)
            return qsizetype(i);
    return -1;
}

TSendOptions DryRun(const TProfileCopy& P)
{
    TSendOptions o;
    o.BackupRoot = P.Backups;
    o.DryRun = true;
    return o;
}

TSendOptions Send(const TProfileCopy& P, bool Yes = false)
{
    TSendOptions o;
    o.BackupRoot = P.Backups;
    o.Yes = Yes;
    return o;
}

// The links of a tree as "root|folder/folder|title|url", in tree order, all kinds.
void Flatten(const TBookmarkNode& Folder, const QString& Path, QStringList& Out)
{
    for (const TBookmarkNode& c : Folder.Children) {
        if (c.Kind == TBookmarkNodeKind::Folder) {
            Out << Path + u'/' + c.Title + u'/';
            Flatten(c, Path + u'/' + c.Title, Out);
        } else if (c.Kind == TBookmarkNodeKind::Separator) {
            Out << Path + u"|---"_s;
        } else {
            Out << Path + u'|' + c.Title + u'|' + c.Url;
        }
    }
}
QStringList Flatten(const TBookmarkTree& Tree)
{
    QStringList out;
    for (int r = 0; r < BookmarkRootCount; ++r)
        Flatten(Tree.Roots[size_t(r)], QString::number(r), out);
    return out;
}

QStringList Unlisted(const QStringList& Flat)
{
    QStringList out;
    for (const QString& line : Flat)
        if (!line.contains(u"|http"_s))
            out << line;
    return out;
}

// ---- Chromium ----------------------------------------------------------------------

TEST(ProfileSend, ChromiumChecksumIsTheBrowsers)
{
    const QByteArray data = ReadFile(Fixtures + u"/chromium/Default/Bookmarks"_s);
    const TChromiumBookmarks file = ReadChromiumTree(data, u"Bookmarks"_s);
    EXPECT_EQ(ChromiumBookmarksChecksum(file.File.value(u"roots"_s).toObject()),
              file.File.value(u"checksum"_s).toString().toLatin1());
}

struct TPlanCase
{
    const char* Name;
    std::function<void(std::vector<TWebSite>&)> Edit;
    size_t Added, Removed, Changed;
    std::function<void(const TSendPlan&)> More;
};

void ExpectPlans(const QString& Which, const QString& File, const std::vector<TPlanCase>& Cases)
{
    for (const TPlanCase& c : Cases) {
        SCOPED_TRACE(c.Name);
        TProfileCopy p(Which);
        std::vector<TWebSite> set = ReadSet(p.File(File));
        c.Edit(set);
        const QByteArray before = ReadFile(p.File(File));
        const TSendResult r = ProfileSend(p.Profile, set, DryRun(p));
        EXPECT_EQ(r.Refusal, TSendRefusal::None) << r.Detail.toStdString();
        EXPECT_EQ(r.Plan.Added.size(), c.Added);
        EXPECT_EQ(r.Plan.Removed.size(), c.Removed);
        EXPECT_EQ(r.Plan.Changed.size(), c.Changed);
        if (c.More)
            c.More(r.Plan);
        EXPECT_EQ(ReadFile(p.File(File)), before) << "a dry run wrote";
        EXPECT_FALSE(QFileInfo::exists(p.Backups));
    }
}

void Erase(std::vector<TWebSite>& Set, const QString& Url)
{
    const qsizetype i = IndexOfUrl(Set, Url);
    ASSERT_GE(i, 0) << Url.toStdString();
    Set.erase(Set.begin() + i);
}

void Rename(std::vector<TWebSite>& Set, const QString& From, const QString& To)
{
    for (TWebSite& s : Set) {
        QString c = s.Category.toString();
        if (c == From || c.startsWith(From + u'\\'))
            s.Category = To + c.mid(From.size());
    }
}

TEST(ProfileSend, ChromiumPlans)
{
    ExpectPlans(
        u"chromium/Default"_s, u"Bookmarks"_s,
        {
            {"unchanged", [](std::vector<TWebSite>&) {}, 0, 0, 0,
             [](const TSendPlan& p) {
                 EXPECT_TRUE(p.IsEmpty());
                 EXPECT_EQ(p.ProfileCount, 10);
                 EXPECT_EQ(p.Unlisted, 3); // javascript:, chrome://settings/, file:
             }},
            {"two deleted",
             [](std::vector<TWebSite>& s) {
                 Erase(s, u"https://lwn.net/"_s);
                 Erase(s, u"https://example.org/mobile"_s);
             },
             0, 2, 0, nullptr},
            {"renamed folder",
             [](std::vector<TWebSite>& s) { Rename(s, u"Reading"_s, u"Lesen"_s); }, 0, 0, 3,
             [](const TSendPlan& p) {
                 for (const TSendChange& c : p.Changed) {
                     EXPECT_TRUE(c.Folder && !c.Title && !c.Tags);
                     EXPECT_EQ(c.New.Folders.first(), u"Lesen"_s);
                 }
             }},
            {"moved from the bar",
             [](std::vector<TWebSite>& s) {
                 s[size_t(IndexOfUrl(s, u"https://github.com/"_s))].Category = TSiteText();
             },
             0, 0, 1,
             [](const TSendPlan& p) {
                 EXPECT_EQ(p.Changed[0].Old.Root, TBookmarkRoot::Toolbar);
                 EXPECT_EQ(p.Changed[0].New.Root, TBookmarkRoot::Other);
             }},
            {"new and retitled",
             [](std::vector<TWebSite>& s) {
                 TWebSite n;
                 n.URL = u"https://new.example/"_s;
                 n.Title = u"New"_s;
                 n.Category = u"Bookmarks bar\\Tools"_s;
                 s.push_back(n);
                 s[size_t(IndexOfUrl(s, u"https://arxiv.org/"_s))].Title = u"arXiv.org"_s;
             },
             1, 0, 1,
             [](const TSendPlan& p) {
                 EXPECT_EQ(p.Added[0].Root, TBookmarkRoot::Toolbar);
                 EXPECT_EQ(p.Added[0].Folders, QStringList{u"Tools"_s});
                 EXPECT_TRUE(p.Changed[0].Title && !p.Changed[0].Folder);
             }},
            {"most removed", [](std::vector<TWebSite>& s) { s.erase(s.begin() + 2, s.end()); }, 0,
             8, 0, [](const TSendPlan& p) { EXPECT_TRUE(p.RemovesMost()); }},
        });
}

TEST(ProfileSend, ChromiumWritesTheSetAndKeepsWhatZorvelDoesNot)
{
    TProfileCopy p(u"chromium/Default"_s);
    const QString file = p.File(u"Bookmarks"_s);
    const TBookmarkTree before = ReadChromiumTree(ReadFile(file), file).Tree;
    std::vector<TWebSite> set = ReadSet(file);
    Erase(set, u"https://www.debian.org/"_s);
    Rename(set, u"Bookmarks bar\\Tools"_s, u"Bookmarks bar\\Werkzeug"_s);

    const TSendResult r = ProfileSend(p.Profile, set, Send(p));
    ASSERT_EQ(r.Refusal, TSendRefusal::None) << r.Detail.toStdString();
    EXPECT_TRUE(r.Written);
    const QByteArray written = ReadFile(file);
    const TChromiumBookmarks after = ReadChromiumTree(written, file);
    EXPECT_EQ(ChromiumBookmarksChecksum(after.File.value(u"roots"_s).toObject()),
              after.File.value(u"checksum"_s).toString().toLatin1());
    // The bookmarklet, the internal page and the empty folder stay on the bar
    // where they were, the file: link in the other bookmarks.
    const QStringList flat = Flatten(after.Tree);
    EXPECT_EQ(Unlisted(flat),
              Unlisted(Flatten(before)).replaceInStrings(u"Tools"_s, u"Werkzeug"_s));
    EXPECT_EQ(flat.mid(0, 4),
              (QStringList{u"1|Wikipedia|https://www.wikipedia.org/"_s, u"1/Werkzeug/"_s,
                           u"1/Werkzeug|regex101|https://regex101.com/"_s,
                           u"1/Werkzeug|Compiler Explorer|https://godbolt.org/"_s}));
    // Unchanged links keep their ids and guids; every id is unique.
    QSet<QString> ids;
    std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& n) {
        EXPECT_FALSE(ids.contains(n.value(u"id"_s).toString()));
        ids.insert(n.value(u"id"_s).toString());
        if (n.value(u"url"_s).toString() == u"https://www.wikipedia.org/"_s) {
            EXPECT_EQ(n.value(u"guid"_s).toString(), u"d5759fbe-c2cb-4ae1-80c3-fb830a61e813"_s);
        }
        for (const QJsonValue& c : n.value(u"children"_s).toArray())
            walk(c.toObject());
    };
    for (const QJsonValue& root : after.File.value(u"roots"_s).toObject())
        walk(root.toObject());
    // What Zorvel reads from the written file is the set.
    const std::vector<TWebSite> back = ReadSet(file);
    ASSERT_EQ(back.size(), set.size());
    for (size_t i = 0; i < set.size(); ++i) {
        EXPECT_EQ(back[i].URL, set[i].URL);
        EXPECT_EQ(back[i].Title, set[i].Title);
        EXPECT_EQ(back[i].Category, set[i].Category);
    }
    // Restore puts the browser's own file back, byte for byte.
    const TRestoreResult restored = ProfileRestore(p.Profile, p.Backups);
    ASSERT_EQ(restored.Refusal, TSendRefusal::None) << restored.Detail.toStdString();
    EXPECT_EQ(ReadFile(file), ReadFile(Fixtures + u"/chromium/Default/Bookmarks"_s));
}

// ---- Firefox -----------------------------------------------------------------------

TEST(ProfileSend, FirefoxPlans)
{
    ExpectPlans(u"firefox"_s, u"places.sqlite"_s,
                {
                    // The list keeps one entry per address: GNU, bookmarked in the menu and
                    // in the other bookmarks, is one entry, which took the other folder.
                    {"unchanged", [](std::vector<TWebSite>&) {}, 0, 1, 1,
                     [](const TSendPlan& p) {
                         EXPECT_EQ(p.Removed[0].Root, TBookmarkRoot::Menu);
                         EXPECT_EQ(p.Changed[0].Old.Title, u"GNU again"_s);
                         EXPECT_TRUE(p.Changed[0].Title && !p.Changed[0].Folder);
                         EXPECT_EQ(p.ProfileCount, 14);
                         EXPECT_EQ(p.Unlisted, 5); // 2 javascript:, place:, file:, about:
                         EXPECT_TRUE(p.TagsKept.empty());
                     }},
                    {"tags changed",
                     [](std::vector<TWebSite>& s) {
                         TWebSite& debian = s[size_t(IndexOfUrl(s, u"https://www.debian.org/"_s))];
                         WebSiteTagsSet(debian, {u"os"_s, u"distribution"_s});
                     },
                     0, 1, 2,
                     [](const TSendPlan& p) {
                         EXPECT_TRUE(p.Changed[0].Tags);
                         ASSERT_EQ(p.TagsKept.size(), 1u);
                         EXPECT_EQ(p.TagsKept[0].first, u"https://www.debian.org/"_s);
                         EXPECT_EQ(p.TagsKept[0].second, QStringList{u"linux"_s});
                     }},
                    {"toolbar folder renamed",
                     [](std::vector<TWebSite>& s) {
                         Rename(s, u"Bookmarks Toolbar\\Tools"_s, u"Bookmarks Toolbar\\Dev"_s);
                     },
                     0, 1, 3, nullptr},
                });
}

TEST(ProfileSend, FirefoxGetsAFileToImportAndPlacesIsNotWritten)
{
    TProfileCopy p(u"firefox"_s);
    const QByteArray places = ReadFile(p.File(u"places.sqlite"_s));
    std::vector<TWebSite> set = ReadSet(p.File(u"places.sqlite"_s));
    Erase(set, u"https://www.kernel.org/"_s);

    const TSendResult r = ProfileSend(p.Profile, set, Send(p));
    ASSERT_EQ(r.Refusal, TSendRefusal::None) << r.Detail.toStdString();
    EXPECT_EQ(ReadFile(p.File(u"places.sqlite"_s)), places);
    const QByteArray prefs = ReadFile(p.File(u"prefs.js"_s));
    EXPECT_EQ(prefs.count("browser.places.importBookmarksHTML"), 1);
    EXPECT_TRUE(prefs.contains("user_pref(\"browser.places.importBookmarksHTML\", true);"));
    EXPECT_TRUE(prefs.contains("user_pref(\"app.normandy.first_run\", false);"));

    const QByteArray html = ReadFile(p.File(u"bookmarks.html"_s));
    for (const char* kept :
         {"HREF=\"javascript:void(document.body.style.background=&#39;yellow&#39;)\"",
          "HREF=\"place:sort=8&amp;maxResults=10\"", "HREF=\"file:///etc/hostname\"",
          "HREF=\"about:config\"", "PERSONAL_TOOLBAR_FOLDER=\"true\">Bookmarks Toolbar</H3>",
          "UNFILED_BOOKMARKS_FOLDER=\"true\">Other Bookmarks</H3>", ">Empty folder</H3>",
          "SHORTCUTURL=\"hn\"", "TAGS=\"cpp,dev\""})
        EXPECT_TRUE(html.contains(kept)) << kept;
    EXPECT_FALSE(html.contains("kernel.org"));
    EXPECT_EQ(html.count("<HR>"), 3);
    // The order on the toolbar is the profile's.
    const qsizetype wiki = html.indexOf("Wikipedia"), tools = html.indexOf(">Tools<"),
                    github = html.indexOf(">GitHub<"),
                    bookmarklet = html.indexOf("Title bookmarklet");
    EXPECT_TRUE(wiki < tools && tools < github && github < bookmarklet);

    // Restore: the file goes (there was none), the import is switched off.
    const TRestoreResult restored = ProfileRestore(p.Profile, p.Backups);
    ASSERT_EQ(restored.Refusal, TSendRefusal::None) << restored.Detail.toStdString();
    EXPECT_FALSE(QFileInfo::exists(p.File(u"bookmarks.html"_s)));
    EXPECT_EQ(
        FirefoxPrefValue(ReadFile(p.File(u"prefs.js"_s)), u"browser.places.importBookmarksHTML"_s),
        u"false"_s);
    EXPECT_EQ(ReadFile(p.File(u"places.sqlite"_s)), places);
}

// ---- Refusals ----------------------------------------------------------------------

struct TRefusalCase
{
    const char* Name;
    const char* Which;
    std::function<void(TProfileCopy&, std::vector<TWebSite>&)> Arrange;
    TSendRefusal Expected;
    bool Yes = false;
};

TEST(ProfileSend, Refusals)
{
    const QString pid = QString::number(::getpid());
    const auto link = [](const QString& target, const QString& at) {
        ASSERT_TRUE(QFile::link(target, at));
    };
    const std::vector<TRefusalCase> cases = {
        {"Firefox running", "firefox",
         [&](TProfileCopy& p, auto&) { link(u"127.0.0.1:+"_s + pid, p.File(u"lock"_s)); },
         TSendRefusal::InUse},
        {"Chromium running", "chromium/Default",
         [&](TProfileCopy& p, auto&) {
             link(QSysInfo::machineHostName() + u'-' + pid,
                  p.Temp.filePath(u"chromium/SingletonLock"_s));
         },
         TSendRefusal::InUse},
        {"Chromium lock of another computer", "chromium/Default",
         [&](TProfileCopy& p, auto&) {
             link(u"elsewhere.example-"_s + pid, p.Temp.filePath(u"chromium/SingletonLock"_s));
         },
         TSendRefusal::InUse},
        {"Chromium synced", "chromium/Default",
         [](TProfileCopy& p, auto&) {
             QJsonObject o = QJsonDocument::fromJson(ReadFile(p.File(u"Bookmarks"_s))).object();
             o.insert(u"sync_metadata"_s, u"CgQIARAB"_s);
             WriteFile(p.File(u"Bookmarks"_s), QJsonDocument(o).toJson());
         },
         TSendRefusal::Synced, true},
        {"Chromium account bookmarks", "chromium/Default",
         [](TProfileCopy& p, auto&) {
             WriteFile(
                 p.File(u"AccountBookmarks"_s),
                 R"({"roots":{"bookmark_bar":{"children":[],"id":"1","name":"Bar","type":"folder"}},"version":1})");
         },
         TSendRefusal::Synced, true},
        {"Firefox Sync without yes", "firefox",
         [](TProfileCopy& p, auto&) {
             WriteFile(p.File(u"prefs.js"_s),
                       ReadFile(p.File(u"prefs.js"_s))
                           + "user_pref(\"services.sync.username\", \"a@example.org\");\n");
         },
         TSendRefusal::SyncNeedsYes},
        {"most removed without yes", "chromium/Default",
         [](TProfileCopy&, std::vector<TWebSite>& s) { s.resize(2); }, TSendRefusal::RemovesMost},
        {"empty set", "firefox", [](TProfileCopy&, std::vector<TWebSite>& s) { s.clear(); },
         TSendRefusal::EmptySet, true},
        {"unreadable Bookmarks", "chromium/Default",
         [](TProfileCopy& p, auto&) { WriteFile(p.File(u"Bookmarks"_s), "{\"roots\": [1,"); },
         TSendRefusal::Unreadable, true},
        {"backup folder cannot be made", "chromium/Default",
         [](TProfileCopy& p, auto&) { WriteFile(p.Backups, "a file where the folder goes"); },
         TSendRefusal::BackupFailed, true},
    };
    for (const TRefusalCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TProfileCopy p(QString::fromLatin1(c.Which));
        const QString file = p.File(
            QString::fromLatin1(c.Which) == u"firefox"_s ? u"places.sqlite"_s : u"Bookmarks"_s);
        std::vector<TWebSite> set = ReadSet(file);
        Erase(set, u"https://github.com/"_s);
        c.Arrange(p, set);
        QStringList before;
        for (const QString& f : QDir(p.Profile).entryList(QDir::Files))
            before << f + u'=' + QString::fromLatin1(ReadFile(p.File(f)).toHex().left(64))
                          + QString::number(QFileInfo(p.File(f)).size());
        const TSendResult r = ProfileSend(p.Profile, set, Send(p, c.Yes));
        EXPECT_EQ(r.Refusal, c.Expected) << r.Detail.toStdString();
        EXPECT_FALSE(r.Detail.isEmpty());
        EXPECT_FALSE(r.Written);
        QStringList after;
        for (const QString& f : QDir(p.Profile).entryList(QDir::Files))
            after << f + u'=' + QString::fromLatin1(ReadFile(p.File(f)).toHex().left(64))
                         + QString::number(QFileInfo(p.File(f)).size());
        EXPECT_EQ(after, before) << "something was written";
    }
}

TEST(ProfileSend, StaleLocksDoNotBlock)
{
    // Firefox leaves its lock link behind; a dead process's lock is no lock.
    TProfileCopy p(u"firefox"_s);
    ASSERT_TRUE(QFile::link(u"127.0.0.1:+999999999"_s, p.File(u"lock"_s)));
    WriteFile(p.File(u".parentlock"_s), "");
    EXPECT_EQ(ProfileInUse(ProfilePlaceOf(p.Profile)), QString());
    // The account file a Chromium profile never signed in to is written empty.
    EXPECT_EQ(ProfileSyncState(ProfilePlaceOf(Fixtures + u"/chromium/Default"_s)), QString());
}

TEST(ProfileSend, BackupsKeepTheLastFew)
{
    TProfileCopy p(u"chromium/Default"_s);
    const std::vector<TWebSite> set = ReadSet(p.File(u"Bookmarks"_s));
    for (int i = 0; i < ProfileBackupsKept + 2; ++i)
        ASSERT_TRUE(ProfileSend(p.Profile, set, Send(p)).Written);
    const QList<TProfileBackup> backups = ProfileBackupList(p.Backups, p.Profile);
    ASSERT_EQ(backups.size(), ProfileBackupsKept);
    EXPECT_TRUE(QFileInfo(backups.first().Dir).fileName()
                > QFileInfo(backups.last().Dir).fileName());
    EXPECT_EQ(QDir(backups.first().ProfileDir), QDir(p.Profile));
}

} // namespace
