// Windows: the shell, version resources, the user locale and the registry.
#include "uOsServices.h"
#include "uProcessLocks.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
// clang-format off
#include <windows.h> // first: the shell headers need its types
#include <shellapi.h>
#include <shlobj.h>
// clang-format on

#include <QDir>
#include <QFileInfo>
#include <QOperatingSystemVersion>
#include <algorithm>
#include <string>
#include <vector>

namespace {

// The shell's fixed-size answer, taken up to the first null character.
QString FromWideBuffer(const wchar_t* Buffer)
{
    return QString::fromWCharArray(Buffer);
}

QString SpecialFolder(int Csidl)
{
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, Csidl, FALSE))
        return {};
    return FromWideBuffer(buffer);
}

// The full path of the running executable, however long.
std::wstring ModuleFileName()
{
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD len = GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
        if (len == 0)
            return {};
        if (len < name.size()) {
            name.resize(len);
            return name;
        }
        // Truncated: grow and try again (long-path aware systems).
        if (name.size() >= 32768)
            return {};
        name.resize(name.size() * 2);
    }
}

} // namespace

QString GetDocumentsDir()
{
    return SpecialFolder(CSIDL_PERSONAL);
}

QString GetDesktopDir()
{
    return SpecialFolder(CSIDL_DESKTOP);
}

QString GetLocalAppDataDir()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return {};
    return FromWideBuffer(buffer);
}

QString GetAppVersion()
{
    const std::wstring exe = ModuleFileName();
    if (exe.empty())
        return {};
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &handle);
    if (size == 0)
        return {};
    std::vector<BYTE> data(size); // released on every path
    if (!GetFileVersionInfoW(exe.c_str(), 0, size, data.data()))
        return {};
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<LPVOID*>(&info), &len) || len == 0
        || info == nullptr)
        return {};
    // The file version, not the product version.
    return QStringLiteral("%1.%2.%3.%4")
        .arg(uint(HIWORD(info->dwFileVersionMS)))
        .arg(uint(LOWORD(info->dwFileVersionMS)))
        .arg(uint(HIWORD(info->dwFileVersionLS)))
        .arg(uint(LOWORD(info->dwFileVersionLS)));
}

bool IsJapaneseLocale()
{
    // Japanese (Japan) only; the alternative sort-order identifiers do not count.
    return GetUserDefaultLCID() == 1041;
}

QString LegacyCodePageName()
{
    // Qt's "Locale" codec is the system ANSI code page (CP_ACP) on Windows and is
    // always built in, whether or not Qt was built with ICU.
    return QStringLiteral("Locale");
}

bool MoveFileToTrash(const QString& FileName)
{
    // The shell ignores FOF_ALLOWUNDO (and deletes for good) unless the path is fully
    // qualified, so a relative name is made absolute first. The source list ends with
    // two null characters.
    std::wstring from =
        QDir::toNativeSeparators(QFileInfo(FileName).absoluteFilePath()).toStdWString();
    from.push_back(L'\0');
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op = {};
    op.hwnd = nullptr;
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.pTo = nullptr;
    op.fFlags = static_cast<FILEOP_FLAGS>(FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT); // 0x54
    const int rc = SHFileOperationW(&op);
    return rc == 0 && !op.fAnyOperationsAborted;
}

QString GetProgramFilesDir()
{
    return SpecialFolder(CSIDL_PROGRAM_FILES);
}

QString GetProgramFilesX86Dir()
{
    return SpecialFolder(CSIDL_PROGRAM_FILESX86);
}

int GetOSVersionNumber()
{
    // The manifest declares support up to Windows 10, so this is the true version.
    const QOperatingSystemVersion v = QOperatingSystemVersion::current();
    return v.majorVersion() * 10 + v.minorVersion();
}

QString ReadChromeAppPath()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\chrome.exe", 0,
                      KEY_READ, &key)
        != ERROR_SUCCESS)
        return {};
    QString result;
    DWORD type = 0;
    DWORD bytes = 0;
    // The default (unnamed) value.
    if (RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS
        && (type == REG_SZ || type == REG_EXPAND_SZ) && bytes > 0) {
        // One extra character: a stored string need not end with a null.
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = bytes;
        if (RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()),
                             &size)
                == ERROR_SUCCESS
            && (type == REG_SZ || type == REG_EXPAND_SZ)) {
            buffer[std::min<size_t>(size / sizeof(wchar_t), buffer.size() - 1)] = L'\0';
            result = QString::fromWCharArray(buffer.data());
        }
    }
    RegCloseKey(key);
    return result;
}

void PrepareHeapForLargeInput(qint64 /*Bytes*/)
{
    // The Windows heap commits in large steps already; nothing to do.
}

void ReturnFreeHeapMemory()
{
    // The Windows heap gives free pages back by itself.
}

void* AllocateLargePageBlock(std::size_t /*Bytes*/)
{
    // Large pages need a privilege ordinary users lack; plain malloc it is.
    return nullptr;
}

bool IsProcessAlive(qint64 Pid)
{
    if (Pid <= 0 || Pid > 0xFFFFFFFFLL)
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(Pid));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool alive = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return alive;
}

bool IsFileLockedByOther(const QString& FileName)
{
    const std::wstring path = QDir::toNativeSeparators(FileName).toStdWString();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(file);
    return false;
}
