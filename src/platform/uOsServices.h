#pragma once
// Operating-system services behind one header. Implementations differ per OS
// (uOsServices_unix.cpp / uOsServices_win.cpp); everything here is QtCore only.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstddef>

// Well-known folders, without a trailing separator ("" when unknown).
QString GetDocumentsDir();
QString GetDesktopDir();
QString GetLocalAppDataDir();
// The same folders followed by a separator.
QString GetDesktopPath();
QString GetLocalAppDataPath();

// Four dot-separated numbers of the running program's file version, or "".
QString GetAppVersion();

// True when the user's locale is Japanese (Japan). Evaluated at every call.
bool IsJapaneseLocale();

// Creates Folder and every missing parent; true when it exists afterwards.
bool ForcePath(const QString& Folder);

// Name of the legacy 8-bit code page used for INI-family files without a
// byte-order mark: the system code page on Windows; elsewhere windows-1252,
// or Shift_JIS under a Japanese locale. Usable with QStringDecoder/Encoder.
QString LegacyCodePageName();
// Bytes in that code page as text (Latin-1 when the code page is not available).
QString DecodeLegacyText(QByteArrayView Bytes);
// Text in that code page; false when a character would not survive the way back
// (not in the code page, or mapped to a look-alike). Out holds the bytes either way.
bool EncodeLegacyText(const QString& Text, QByteArray& Out);

// Creation time of a file as local time; the modification time where the file
// system keeps no creation time. Invalid when the file does not exist.
QDateTime FileCreationTime(const QString& FileName);

// Moves a file to the recycle bin / trash. False when that failed.
bool MoveFileToTrash(const QString& FileName);

// Program Files folders (Windows only; "" elsewhere), without trailing separator.
QString GetProgramFilesDir();
QString GetProgramFilesX86Dir();

// The operating system version as major * 10 + minor (Windows 7 gives 61); 0 when unknown.
int GetOSVersionNumber();

// The Chrome path registered by its installer (Windows registry), or "".
QString ReadChromeAppPath();

// Readies the process heap for a job that will allocate about Bytes in many small
// pieces (a large import): the memory is then backed by large pages where the
// system offers them, which spares most page faults. Call it early, once, before
// the work; it is only a hint and does nothing where it does not apply.
void PrepareHeapForLargeInput(qint64 Bytes);
// After such a job, in a process that goes on (the window): the heap is set back to
// the allocator's usual ways, and the free memory the job left is given back to the
// system instead of staying resident. Also only a hint.
void ReturnFreeHeapMemory();

// Memory for one large block (a big picture's pixels), aligned to and marked for
// large pages where the system offers them, so that filling it faults once per
// 2 MiB instead of once per 4 KiB. nullptr where that does not apply (a small
// block, another system): the caller then takes plain malloc. Free it with std::free.
void* AllocateLargePageBlock(std::size_t Bytes);
