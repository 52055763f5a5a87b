#include "SettingsFixture.h"

#include <QFileDevice>

namespace {

void Touch(const QString& FileName)
{
    QDir().mkpath(QFileInfo(FileName).absolutePath());
    QFile f(FileName);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << FileName.toStdString();
}

} // namespace

// ---- Data folder -----------------------------------------------------------------------

TEST(DataDir, WritableExecutableFolderIsUsed)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString exe = tmp.filePath(QStringLiteral("bin"));
    const QString fallback = tmp.filePath(QStringLiteral("appdata/zorvel"));
    ASSERT_TRUE(QDir().mkpath(exe));
    EXPECT_EQ(ChooseDataDir(exe, fallback), exe);
    EXPECT_FALSE(QFileInfo::exists(fallback));
    // The write probe leaves nothing behind.
    EXPECT_TRUE(
        QDir(exe).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST(DataDir, UnusableExecutableFolderFallsBackToTheUserFolder)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString fallback = tmp.filePath(QStringLiteral("appdata/zorvel"));
    // A file where the folder would be, and a folder that does not exist.
    Touch(tmp.filePath(QStringLiteral("file")));
    for (const QString& exe :
         {tmp.filePath(QStringLiteral("file")), tmp.filePath(QStringLiteral("missing"))}) {
        EXPECT_EQ(ChooseDataDir(exe, fallback), fallback) << exe.toStdString();
        EXPECT_TRUE(QFileInfo(fallback).isDir()); // created on demand
    }
    EXPECT_EQ(ChooseDataDir(tmp.filePath(QStringLiteral("missing")), QString()), QString());
}

TEST(DataDir, SystemProgramFoldersAreNeverPortable)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString fallback = tmp.filePath(QStringLiteral("appdata"));
#ifndef Q_OS_WIN
    // Writable for the superuser, still not the place for a user's bookmarks.
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/opt/zorvel"})
        EXPECT_EQ(ChooseDataDir(QLatin1String(dir), fallback), fallback) << dir;
    EXPECT_FALSE(IsSystemProgramDir(QStringLiteral("/usrlocal/bin")));
#endif
    EXPECT_FALSE(IsSystemProgramDir(tmp.path()));
}

TEST(DataDir, ReadOnlyExecutableFolderFallsBack)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString exe = tmp.filePath(QStringLiteral("ro"));
    const QString fallback = tmp.filePath(QStringLiteral("appdata"));
    ASSERT_TRUE(QDir().mkpath(exe));
    ASSERT_TRUE(QFile::setPermissions(exe, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const bool stillWritable = IsDirWritable(exe); // the superuser ignores permissions
    const QString chosen = ChooseDataDir(exe, fallback);
    QFile::setPermissions(exe,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (stillWritable)
        GTEST_SKIP() << "permissions are not enforced for this user";
    EXPECT_EQ(chosen, fallback);
}

TEST(DataDir, OverridePointsEveryFileName)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    SetDataDirOverride(tmp.path());
    EXPECT_EQ(GetDataDir(), tmp.path());
    EXPECT_EQ(SetupIniFileName(), tmp.filePath(AppBaseName() + QStringLiteral(".ini")));
    EXPECT_EQ(SearchHistoryFileName(),
              tmp.filePath(AppBaseName() + QStringLiteral("_History.txt")));
    EXPECT_TRUE(HistoryBookmarkFileName().startsWith(tmp.filePath(QStringLiteral("History/hvon"))));
    SetDataDirOverride(QString());
    EXPECT_NE(GetDataDir(), tmp.path());
}

// ---- Browser detection, Linux and other systems ------------------------------------------

TEST(BrowserDetection, FirstExistingCandidateUnderARoot)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString root = tmp.filePath(QStringLiteral("root"));
    const QString home = QStringLiteral("/home/user");
    // Nothing installed: the first candidate, so the command stays hidden.
    EXPECT_EQ(DetectBrowserPathIn(TBrowser::FF, root, home),
              root + QStringLiteral("/usr/bin/firefox"));
    EXPECT_EQ(DetectBrowserPathIn(TBrowser::IE, root, home), QString());

    Touch(root + QStringLiteral("/usr/lib/firefox/firefox"));
    Touch(root + QStringLiteral("/snap/bin/firefox"));
    Touch(root + QStringLiteral("/opt/google/chrome/chrome"));
    Touch(root + QStringLiteral("/opt/palemoon/palemoon"));
    Touch(root + home + QStringLiteral("/tor-browser/Browser/start-tor-browser"));
    // A folder of the candidate's name is not an executable.
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/usr/bin/vivaldi")));

    EXPECT_EQ(DetectBrowserPathIn(TBrowser::FF, root, home),
              root + QStringLiteral("/usr/lib/firefox/firefox"));
    EXPECT_EQ(DetectBrowserPathIn(TBrowser::CH, root, home),
              root + QStringLiteral("/opt/google/chrome/chrome"));
    EXPECT_EQ(DetectBrowserPathIn(TBrowser::PM, root, home),
              root + QStringLiteral("/opt/palemoon/palemoon"));
    EXPECT_EQ(DetectBrowserPathIn(TBrowser::TR, root, home),
              root + home + QStringLiteral("/tor-browser/Browser/start-tor-browser"));
    EXPECT_EQ(DetectBrowserPathIn(TBrowser::VI, root, home),
              root + QStringLiteral("/usr/bin/vivaldi"));
    EXPECT_FALSE(QFileInfo(DetectBrowserPathIn(TBrowser::VI, root, home)).isFile());

    // The most usual place wins over the others.
    Touch(root + QStringLiteral("/usr/bin/firefox"));
    EXPECT_EQ(DetectBrowserPathIn(TBrowser::FF, root, home),
              root + QStringLiteral("/usr/bin/firefox"));
}

TEST(BrowserDetection, InstalledFirefoxMakesItsCommandAvailable)
{
    // On this machine: the detected path is an existing file exactly when a candidate is.
    bool anyFirefox = false;
    for (const QString& c : BrowserCandidates(TBrowser::FF))
        anyFirefox = anyFirefox || QFileInfo(c).isFile();
    EXPECT_EQ(QFileInfo(DetectBrowserPath(TBrowser::FF)).isFile(), anyFirefox);
}

// ---- Browser detection, Windows rules --------------------------------------------------

namespace {

QStringList ExistingFiles;

bool FakeFileExists(const QString& Path)
{
    return ExistingFiles.contains(Path);
}

TWinBrowserEnv WinEnv()
{
    TWinBrowserEnv env;
    env.ProgramFilesDir = QStringLiteral("C:\\Program Files");
    env.ProgramFilesX86Dir = QStringLiteral("C:\\Program Files (x86)");
    env.LocalAppDataPath = QStringLiteral("C:\\Users\\u\\AppData\\Local\\");
    env.DesktopPath = QStringLiteral("C:\\Users\\u\\Desktop\\");
    env.OSVersion = 100;
    return env;
}

} // namespace

TEST(BrowserDetectionWin, Rules)
{
    const struct
    {
        TBrowser Browser;
        void (*Adjust)(TWinBrowserEnv&);
        QStringList Existing;
        const char16_t* Expected;
    } cases[] = {
        {TBrowser::IE, nullptr, {}, u"C:\\Program Files\\Internet Explorer\\iexplore.exe"},
        {TBrowser::FF, nullptr, {}, u"C:\\Program Files\\Mozilla Firefox\\firefox.exe"},
        {TBrowser::CH,
         nullptr,
         {},
         u"C:\\Program Files (x86)\\Google\\Chrome\\Application\\chrome.exe"},
        {TBrowser::CH,
         [](TWinBrowserEnv& e) { e.OSVersion = 61; },
         {},
         u"C:\\Program Files (x86)\\Google\\Application\\chrome.exe"},
        {TBrowser::CH,
         [](TWinBrowserEnv& e) { e.ChromeAppPath = QStringLiteral("D:\\Chrome\\chrome.exe"); },
         {},
         u"D:\\Chrome\\chrome.exe"},
        {TBrowser::VI, nullptr, {}, u"C:\\Program Files (x86)\\Vivaldi\\Application\\vivaldi.exe"},
        {TBrowser::VI,
         nullptr,
         {QStringLiteral("C:\\Users\\u\\AppData\\Local\\Vivaldi\\Application\\vivaldi.exe")},
         u"C:\\Users\\u\\AppData\\Local\\Vivaldi\\Application\\vivaldi.exe"},
        {TBrowser::TR, nullptr, {}, u"C:\\Users\\u\\Desktop\\Tor Browser\\Browser\\firefox.exe"},
        {TBrowser::PM, nullptr, {}, u"C:\\Program Files (x86)\\Pale Moon\\palemoon.exe"},
        {TBrowser::PM,
         nullptr,
         {QStringLiteral("C:\\Program Files\\Pale Moon\\palemoon.exe")},
         u"C:\\Program Files\\Pale Moon\\palemoon.exe"},
        // Without Program Files folders (not Windows): paths that do not exist.
        {TBrowser::FF,
         [](TWinBrowserEnv& e) { e = TWinBrowserEnv{}; },
         {},
         u"\\Mozilla Firefox\\firefox.exe"},
    };
    for (const auto& c : cases) {
        TWinBrowserEnv env = WinEnv();
        if (c.Adjust)
            c.Adjust(env);
        ExistingFiles = c.Existing;
        EXPECT_EQ(DetectBrowserPathWin(c.Browser, env, &FakeFileExists),
                  QString::fromUtf16(c.Expected));
    }
    ExistingFiles.clear();
}
