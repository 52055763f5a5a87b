#pragma once
// Dated copies of a browser profile's bookmark files, made before Zorvel writes
// into the profile and put back on request. They live in a folder of Zorvel's
// (Root), one sub-folder per profile, one per copy named by its time; only the
// last few per profile are kept. Each copy names the profile folder it came from
// and which of the files did not exist then, so that putting it back also takes
// away what the send added.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

inline constexpr int ProfileBackupsKept = 5;

struct TProfileBackup
{
    QString Dir;        // the copy's folder
    QString ProfileDir; // the profile folder it came from
    QDateTime Made;
};

// Copies Files (names inside ProfileDir; those that do not exist are noted) into a
// new dated folder under Root. Raises EFileError when a copy cannot be made (disk full, no access);
// a copy that failed half-way is removed again.
TProfileBackup ProfileBackupMake(const QString& Root, const QString& ProfileDir,
                                 const QStringList& Files);
// Removes the oldest copies of ProfileDir past the number kept.
void ProfileBackupPrune(const QString& Root, const QString& ProfileDir);
// The copies of ProfileDir under Root, the newest first.
QList<TProfileBackup> ProfileBackupList(const QString& Root, const QString& ProfileDir);
// Puts the files of Backup back into its profile folder: each copied file
// replaces the profile's, each noted as missing is removed, and so is the
// "-shm" of every database put back (it belongs to the file replaced). Files in
// Keep are left as they are now. Raises EFileError naming the file that failed.
void ProfileBackupRestore(const TProfileBackup& Backup, const QStringList& Keep = {});
// The folder under Root that holds ProfileDir's copies.
QString ProfileBackupFolder(const QString& Root, const QString& ProfileDir);
