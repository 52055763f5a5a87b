// Locale, trash, file times and the shell-open service.
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QObject>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QUrl>
#include <array>
#include <gtest/gtest.h>
#include <platform/uOsServices.h>
#include <platform/uShellOpen.h>
#include <support/uScopedEnv.h>
#include <vector>

#ifndef Q_OS_WIN
// The locale, the folders and the trash as the Unix environment gives them; Windows has
// its own cases in test_OsServices_win.cpp.
namespace {

// Sets the locale variables for one test; TScopedEnv puts the old values back.
class LocaleEnv
{
public:
    void Set(const char* All, const char* Messages, const char* Lang)
    {
        const std::array<const char*, 3> Names = {"LC_ALL", "LC_MESSAGES", "LANG"};
        const std::array<const char*, 3> Values = {All, Messages, Lang};
        for (size_t i = 0; i < Names.size(); ++i) {
            if (Values[i])
                FEnv.Set(Names[i], Values[i]);
            else
                FEnv.Unset(Names[i]);
        }
    }

private:
    TScopedEnv FEnv;
};

} // namespace

TEST(IsJapaneseLocale, FollowsTheEnvironmentAtEveryCall)
{
    LocaleEnv env;
    const struct
    {
        const char* All;
        const char* Messages;
        const char* Lang;
        bool Japanese;
    } cases[] = {
        {"ja_JP.UTF-8", nullptr, nullptr, true},
        {nullptr, nullptr, "ja_JP.UTF-8", true},
        {nullptr, "ja_JP.eucJP", "en_US.UTF-8", true},
        {nullptr, nullptr, "en_US.UTF-8", false},
        {"en_US.UTF-8", nullptr, "ja_JP.UTF-8", false}, // LC_ALL overrides LANG
        {nullptr, nullptr, "C", false},
        {nullptr, nullptr, "de_DE", false},
        {"ja_JP.UTF-8", nullptr, nullptr, true}, // and back again: nothing is cached
    };
    for (const auto& c : cases) {
        env.Set(c.All, c.Messages, c.Lang);
        EXPECT_EQ(IsJapaneseLocale(), c.Japanese)
            << (c.All ? c.All : "-") << " " << (c.Messages ? c.Messages : "-") << " "
            << (c.Lang ? c.Lang : "-");
        // The legacy code page follows the same decision.
        EXPECT_EQ(LegacyCodePageName(),
                  c.Japanese ? QStringLiteral("Shift_JIS") : QStringLiteral("windows-1252"));
        EXPECT_TRUE(QStringDecoder(LegacyCodePageName().toLatin1().constData()).isValid());
    }
}

TEST(Folders, PathFunctionsAddOneSeparator)
{
    EXPECT_EQ(GetDesktopPath(), GetDesktopDir() + QDir::separator());
    EXPECT_EQ(GetLocalAppDataPath(), GetLocalAppDataDir() + QDir::separator());
    for (const QString& dir : {GetDocumentsDir(), GetDesktopDir(), GetLocalAppDataDir()}) {
        EXPECT_FALSE(dir.isEmpty());
        EXPECT_FALSE(dir.endsWith(u'/')) << dir.toStdString();
    }
    // Only Windows has Program Files folders or a Chrome registry entry.
    EXPECT_EQ(GetProgramFilesDir(), QString());
    EXPECT_EQ(GetProgramFilesX86Dir(), QString());
    EXPECT_EQ(ReadChromeAppPath(), QString());
}

#endif

TEST(FileCreationTime, ExistingAndMissingFiles)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString name = tmp.filePath(QStringLiteral("f.txt"));
    EXPECT_FALSE(FileCreationTime(name).isValid());
    const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const QDateTime t = FileCreationTime(name);
    ASSERT_TRUE(t.isValid());
    EXPECT_EQ(t.timeSpec(), Qt::LocalTime);
    EXPECT_GE(t, before);
    EXPECT_LE(t, QDateTime::currentDateTime().addSecs(2));
}

#ifndef Q_OS_WIN
TEST(MoveFileToTrash, MovesIntoTheUsersTrash)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    TScopedEnv env("XDG_DATA_HOME", QFile::encodeName(tmp.filePath(QStringLiteral("xdg"))));
    const QString name = tmp.filePath(QStringLiteral("gone.html"));
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const bool moved = MoveFileToTrash(name);
    const bool missingMoved = MoveFileToTrash(tmp.filePath(QStringLiteral("missing.html")));
    EXPECT_TRUE(moved);
    EXPECT_FALSE(QFile::exists(name));
    EXPECT_TRUE(QFile::exists(tmp.filePath(QStringLiteral("xdg/Trash/files/gone.html"))));
    EXPECT_FALSE(missingMoved);
}
#endif

// ---- ShellOpen --------------------------------------------------------------------------

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    std::vector<QUrl> Urls;
public Q_SLOTS:
    void Open(const QUrl& Url) { Urls.push_back(Url); }
};

TEST(ShellOpen, UrlsAsGivenPathsAsFileUrls)
{
    UrlCatcher catcher;
    const QStringList schemes = {QStringLiteral("https"), QStringLiteral("file"),
                                 QStringLiteral("mailto")};
    for (const QString& s : schemes)
        QDesktopServices::setUrlHandler(s, &catcher, "Open");

    const QString page = QDir::temp().absoluteFilePath(QStringLiteral("some folder/page.html"));
    ShellOpen(QStringLiteral("https://example.org/search?q=a%20b#top"));
    ShellOpen(page);
    ShellOpen(QStringLiteral("mailto:someone@example.org"));
    ShellOpen(QString()); // nothing to open: silently nothing
    ShellOpen(QStringLiteral("relative/page.html"));

    for (const QString& s : schemes)
        QDesktopServices::unsetUrlHandler(s);

    ASSERT_EQ(catcher.Urls.size(), 4u);
    EXPECT_EQ(catcher.Urls[0].toString(QUrl::FullyEncoded),
              QStringLiteral("https://example.org/search?q=a%20b#top"));
    EXPECT_TRUE(catcher.Urls[1].isLocalFile());
    EXPECT_EQ(catcher.Urls[1].toLocalFile(), page);
    EXPECT_EQ(catcher.Urls[2].scheme(), QStringLiteral("mailto"));
    // A relative path is taken from the working folder, as the shell does.
    EXPECT_EQ(catcher.Urls[3].toLocalFile(),
              QDir::current().absoluteFilePath(QStringLiteral("relative/page.html")));
}

TEST(ShellOpen, DriveLetterPathIsAFileNotAScheme)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
    QDesktopServices::setUrlHandler(QStringLiteral("c"), &catcher, "Open");
    ShellOpen(QStringLiteral("C:\\Users\\u\\bookmarks.html"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("c"));
    ASSERT_EQ(catcher.Urls.size(), 1u);
    EXPECT_TRUE(catcher.Urls[0].isLocalFile());
    EXPECT_TRUE(catcher.Urls[0].toLocalFile().endsWith(QStringLiteral("bookmarks.html")));
}

#include "test_OsServicesEnv.moc"
