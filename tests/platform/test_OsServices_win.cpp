// The Windows services against the system itself: the shell's folders, the registry,
// the ANSI code page, file times and the recycle bin (run under Wine by
// scripts/build-windows, or on Windows).
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <platform/uOsServices.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
// clang-format off
#include <windows.h> // first: the shell headers need its types
#include <shellapi.h>
// clang-format on

#include <string>

namespace {

const wchar_t ChromeKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\chrome.exe";

// Writes the default value of the Chrome key for one test and puts back what was there.
class TChromeKey
{
public:
    TChromeKey()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ChromeKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            FExisted = true;
            DWORD bytes = 0;
            if (RegQueryValueExW(key, nullptr, nullptr, &FOldType, nullptr, &bytes)
                == ERROR_SUCCESS) {
                FOld.resize(bytes);
                RegQueryValueExW(key, nullptr, nullptr, &FOldType,
                                 reinterpret_cast<BYTE*>(FOld.data()), &bytes);
                FHadValue = true;
            }
            RegCloseKey(key);
        }
    }
    ~TChromeKey()
    {
        if (!FExisted) {
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, ChromeKey);
            return;
        }
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ChromeKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            return;
        if (FHadValue)
            RegSetValueExW(key, nullptr, 0, FOldType, reinterpret_cast<const BYTE*>(FOld.data()),
                           DWORD(FOld.size()));
        else
            RegDeleteValueW(key, nullptr);
        RegCloseKey(key);
    }
    TChromeKey(const TChromeKey&) = delete;
    TChromeKey& operator=(const TChromeKey&) = delete;

    // Bytes as stored, so a value without its closing null can be written too.
    LSTATUS Write(DWORD Type, const std::wstring& Text, bool WithNull)
    {
        HKEY key = nullptr;
        LSTATUS rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, ChromeKey, 0, nullptr, 0, KEY_SET_VALUE,
                                     nullptr, &key, nullptr);
        if (rc != ERROR_SUCCESS)
            return rc;
        const DWORD bytes = DWORD((Text.size() + (WithNull ? 1 : 0)) * sizeof(wchar_t));
        rc = RegSetValueExW(key, nullptr, 0, Type, reinterpret_cast<const BYTE*>(Text.c_str()),
                            bytes);
        RegCloseKey(key);
        return rc;
    }
    void Remove() { RegDeleteKeyW(HKEY_LOCAL_MACHINE, ChromeKey); }

private:
    bool FExisted = false;
    bool FHadValue = false;
    DWORD FOldType = 0;
    std::string FOld;
};

// The system's own reading of bytes in the ANSI code page.
QString SystemDecode(const QByteArray& Bytes)
{
    if (Bytes.isEmpty())
        return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, Bytes.constData(), int(Bytes.size()), nullptr, 0);
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, Bytes.constData(), int(Bytes.size()), out.data(), n);
    return QString::fromStdWString(out);
}

// The number of items in the recycle bins of every drive, as the shell counts them.
qint64 RecycleBinItems()
{
    SHQUERYRBINFO info = {};
    info.cbSize = sizeof(info);
    return SUCCEEDED(SHQueryRecycleBinW(nullptr, &info)) ? info.i64NumItems : -1;
}

} // namespace

TEST(WindowsFolders, ShellFoldersExistAndEndWithoutSeparator)
{
    const struct
    {
        const char* Name;
        QString Dir;
    } cases[] = {
        {"Documents", GetDocumentsDir()},
        {"Desktop", GetDesktopDir()},
        {"LocalAppData", GetLocalAppDataDir()},
        {"ProgramFiles", GetProgramFilesDir()},
        {"ProgramFilesX86", GetProgramFilesX86Dir()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_FALSE(c.Dir.isEmpty());
        EXPECT_TRUE(QFileInfo(c.Dir).isDir()) << c.Dir.toStdString();
        EXPECT_FALSE(c.Dir.endsWith(u'\\') || c.Dir.endsWith(u'/')) << c.Dir.toStdString();
        // Absolute, with a drive letter: the browsers' paths are built on them.
        EXPECT_EQ(c.Dir.mid(1, 2), QStringLiteral(":\\")) << c.Dir.toStdString();
    }
    EXPECT_EQ(GetDesktopPath(), GetDesktopDir() + u'\\');
    EXPECT_EQ(GetLocalAppDataPath(), GetLocalAppDataDir() + u'\\');
    // 64-bit Windows keeps 32-bit programs apart.
    EXPECT_NE(GetProgramFilesDir(), GetProgramFilesX86Dir());
    EXPECT_GE(GetOSVersionNumber(), 61);
}

TEST(WindowsRegistry, ChromePathFromItsAppPathsKey)
{
    TChromeKey key;
    const std::wstring exe = L"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe";
    const struct
    {
        const char* Name;
        DWORD Type;
        bool WithNull;
        QString Expected;
    } cases[] = {
        {"string", REG_SZ, true, QString::fromStdWString(exe)},
        {"expandable string", REG_EXPAND_SZ, true, QString::fromStdWString(exe)},
        {"string stored without its null", REG_SZ, false, QString::fromStdWString(exe)},
        {"a number is no path", REG_BINARY, false, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const LSTATUS rc = key.Write(c.Type, exe, c.WithNull);
        if (rc == ERROR_ACCESS_DENIED)
            GTEST_SKIP() << "HKEY_LOCAL_MACHINE is not writable for this user";
        ASSERT_EQ(rc, ERROR_SUCCESS);
        EXPECT_EQ(ReadChromeAppPath(), c.Expected);
    }
    key.Remove();
    EXPECT_EQ(ReadChromeAppPath(), QString());
}

// Shortcut files without a byte-order mark are in the system's ANSI code page.
TEST(WindowsCodePage, ShortcutTextReadsAsTheSystemReadsIt)
{
    EXPECT_EQ(LegacyCodePageName(), QStringLiteral("Locale"));
    const QByteArray inputs[] = {
        QByteArray("[InternetShortcut]\r\nURL=http://a.example/\r\n"),
        QByteArray("caf\xe9 \x80 \xa9"),
        QByteArray("\x93\xfa\x96\x7b\x8c\xea"), // Japanese in code page 932
        QByteArray(),
    };
    for (const QByteArray& bytes : inputs) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        EXPECT_EQ(DecodeLegacyText(bytes), SystemDecode(bytes));
    }
}

TEST(WindowsCodePage, WritingRefusesWhatTheCodePageCannotHold)
{
    const UINT acp = GetACP();
    if (acp != 1252 && acp != 932)
        GTEST_SKIP() << "cases for code pages 1252 and 932; the system uses " << acp;
    const struct
    {
        QString Text;
        bool Fits1252;
        bool Fits932;
    } cases[] = {
        {QStringLiteral("plain title"), true, true},
        {QStringLiteral("caf\u00e9 \u20ac"), true, false},
        {QStringLiteral("\u65e5\u672c\u8a9e"), false, true},
        {QStringLiteral("\u0416\u4e00"), false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text.toStdString());
        QByteArray bytes;
        const bool fits = acp == 1252 ? c.Fits1252 : c.Fits932;
        EXPECT_EQ(EncodeLegacyText(c.Text, bytes), fits);
        if (fits) {
            EXPECT_EQ(SystemDecode(bytes), c.Text);
        }
    }
}

TEST(WindowsFiles, CreationTimeIsNotTheModificationTime)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString name = tmp.filePath(QStringLiteral("old.url"));
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const QDateTime old(QDate(2001, 2, 3), QTime(4, 5, 6));
    ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
    f.close();
    const QDateTime created = FileCreationTime(name);
    ASSERT_TRUE(created.isValid());
    EXPECT_GT(created, QDateTime::currentDateTime().addSecs(-60));
    EXPECT_EQ(QFileInfo(name).lastModified(), old);
    EXPECT_FALSE(FileCreationTime(tmp.filePath(QStringLiteral("missing.url"))).isValid());
}

TEST(WindowsFiles, RecycleBinTakesFilesByAnyName)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(tmp.path()));
    const struct
    {
        QString Given; // as the caller passes it
        QString File;  // the file it names
    } cases[] = {
        {tmp.filePath(QStringLiteral("a.html")), tmp.filePath(QStringLiteral("a.html"))},
        {QDir::toNativeSeparators(tmp.filePath(QStringLiteral("b c.url"))),
         tmp.filePath(QStringLiteral("b c.url"))},
        // Relative: the shell would delete it for good, so it is made absolute first.
        {QStringLiteral("relative.url"), tmp.filePath(QStringLiteral("relative.url"))},
        {QStringLiteral("\u65e5\u672c.url"), tmp.filePath(QStringLiteral("\u65e5\u672c.url"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Given.toStdString());
        QFile f(c.File);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        const qint64 before = RecycleBinItems();
        ASSERT_GE(before, 0);
        EXPECT_TRUE(MoveFileToTrash(c.Given));
        EXPECT_FALSE(QFileInfo::exists(c.File));
        // In the bin, not deleted for good.
        EXPECT_EQ(RecycleBinItems(), before + 1);
    }
    const qint64 before = RecycleBinItems();
    EXPECT_FALSE(MoveFileToTrash(tmp.filePath(QStringLiteral("missing.html"))));
    EXPECT_EQ(RecycleBinItems(), before);
    QDir::setCurrent(saved);
}
