// Linux and other non-Windows systems.
#include "uOsServices.h"
#include "uProcessLocks.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#if defined(__linux__) && defined(__GLIBC__)
#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

QString FirstStandardLocation(QStandardPaths::StandardLocation Location)
{
    const QStringList dirs = QStandardPaths::standardLocations(Location);
    return dirs.isEmpty() ? QString() : dirs.first();
}

#if defined(__linux__) && defined(__GLIBC__)
constexpr std::uintptr_t HugePage = std::uintptr_t(2) << 20;

// Marks the whole 2 MiB pages inside [Begin, End) for transparent huge pages.
void AdviseHugePages(std::uintptr_t Begin, std::uintptr_t End)
{
    const std::uintptr_t b = (Begin + HugePage - 1) & ~(HugePage - 1);
    const std::uintptr_t e = End & ~(HugePage - 1);
    if (e > b)
        madvise(reinterpret_cast<void*>(b), e - b, MADV_HUGEPAGE); // a hint: failure is harmless
}
#endif

} // namespace

QString GetDocumentsDir()
{
    return FirstStandardLocation(QStandardPaths::DocumentsLocation);
}

QString GetDesktopDir()
{
    return FirstStandardLocation(QStandardPaths::DesktopLocation);
}

QString GetLocalAppDataDir()
{
    // The XDG data home (~/.local/share), the counterpart of Windows' local app data.
    return FirstStandardLocation(QStandardPaths::GenericDataLocation);
}

QString GetAppVersion()
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(ZORVEL_VERSION_MAJOR + 0)
        .arg(ZORVEL_VERSION_MINOR + 0)
        .arg(ZORVEL_VERSION_PATCH + 0)
        .arg(ZORVEL_VERSION_TWEAK + 0);
}

bool IsJapaneseLocale()
{
    // QLocale::system() is cached for the life of the process, so the environment
    // is read here at every call, with the POSIX precedence for message texts.
    QString name = qEnvironmentVariable("LC_ALL");
    if (name.isEmpty())
        name = qEnvironmentVariable("LC_MESSAGES");
    if (name.isEmpty())
        name = qEnvironmentVariable("LANG");
    // QLocale ignores a ".codeset" and "@modifier" suffix.
    const QLocale loc = name.isEmpty() ? QLocale::system() : QLocale(name);
    return loc.language() == QLocale::Japanese && loc.territory() == QLocale::Japan;
}

QString LegacyCodePageName()
{
    return IsJapaneseLocale() ? QStringLiteral("Shift_JIS") : QStringLiteral("windows-1252");
}

bool MoveFileToTrash(const QString& FileName)
{
    // The freedesktop.org trash ($XDG_DATA_HOME/Trash). Qt falls back to odd places
    // (even folders relative to the working directory) when the data home folder
    // does not exist yet, so make sure it does.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!dataHome.isEmpty())
        QDir().mkpath(dataHome);
    return QFile::moveToTrash(FileName);
}

QString GetProgramFilesDir()
{
    return {};
}

QString GetProgramFilesX86Dir()
{
    return {};
}

int GetOSVersionNumber()
{
    // The number only feeds Windows rules; a Linux kernel version would mislead them.
    return 0;
}

QString ReadChromeAppPath()
{
    return {};
}

#if defined(__linux__) && defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
namespace {
bool HeapPrepared = false;
}
#endif

void PrepareHeapForLargeInput(qint64 Bytes)
{
#if defined(__linux__) && defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
    // Below this the page faults cost little; above the cap only address space
    // is taken, but a bound keeps the reservation sane.
    constexpr qint64 Small = qint64(8) << 20;
    constexpr qint64 Cap = qint64(1) << 30;
    if (HeapPrepared || Bytes < Small)
        return;
    HeapPrepared = true;
    const int pad = int(std::min(Bytes, Cap));
    // Every page of fresh memory costs a fault, and on virtual machines a fault
    // costs several microseconds: a 100,000-bookmark import spent more time in
    // faults than in parsing. So the heap grows once by the whole expected size,
    // and that range is marked for transparent huge pages (2 MiB per fault).
    // Blocks up to glibc's limit come from the heap too, and freed memory stays.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, int(std::min<qint64>(qint64(pad) * 2, INT_MAX)));
    mallopt(M_TOP_PAD, pad);
    char* const before = static_cast<char*>(sbrk(0));
    // Written to, so that the compiler keeps the allocation.
    auto* const probe = static_cast<volatile char*>(std::malloc(1 << 20));
    if (probe)
        probe[0] = 0;
    char* const after = static_cast<char*>(sbrk(0));
    std::free(const_cast<char*>(probe));
    if (before == reinterpret_cast<char*>(-1) || after <= before)
        return; // the allocator did not grow the heap (another allocator in use)
    AdviseHugePages(reinterpret_cast<std::uintptr_t>(before),
                    reinterpret_cast<std::uintptr_t>(after));
#else
    (void)Bytes;
#endif
}

void ReturnFreeHeapMemory()
{
#if defined(__linux__) && defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
    if (HeapPrepared) {
        // glibc's defaults: the heap shrinks again as memory is freed.
        constexpr int Default = 128 * 1024;
        mallopt(M_TOP_PAD, Default);
        mallopt(M_TRIM_THRESHOLD, Default);
        mallopt(M_MMAP_THRESHOLD, Default);
        HeapPrepared = false;
    }
    // The free pages inside every arena (the reading thread's too), not only the top.
    malloc_trim(0);
#endif
}

void* AllocateLargePageBlock(std::size_t Bytes)
{
#if defined(__linux__) && defined(__GLIBC__)
    // A fresh 4000 x 3000 picture is 12,000 pages and every first touch of a page
    // is a fault; on virtual machines those faults cost as much as resampling it.
    if (Bytes < 2 * HugePage)
        return nullptr;
    const std::size_t rounded = (Bytes + HugePage - 1) & ~(HugePage - 1);
    void* p = std::aligned_alloc(HugePage, rounded);
    if (p)
        AdviseHugePages(reinterpret_cast<std::uintptr_t>(p),
                        reinterpret_cast<std::uintptr_t>(p) + rounded);
    return p;
#else
    (void)Bytes;
    return nullptr;
#endif
}

bool IsProcessAlive(qint64 Pid)
{
    if (Pid <= 0 || Pid > INT_MAX)
        return false;
    // EPERM: it runs, under another user.
    return ::kill(pid_t(Pid), 0) == 0 || errno == EPERM;
}

bool IsFileLockedByOther(const QString& FileName)
{
    const QByteArray path = QFile::encodeName(FileName);
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const bool locked = ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}
