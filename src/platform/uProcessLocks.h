#pragma once
// Whether another process holds something: a browser's lock names the process
// that has its profile open, or keeps a lock on a file of it. QtCore only; the
// implementations are in uOsServices_unix.cpp / uOsServices_win.cpp.

#include <QString>

// True while a process with this id runs on this computer (one of another user
// counts too). A browser's lock names the process that holds its profile.
bool IsProcessAlive(qint64 Pid);
// True when another process holds a lock on the file (POSIX fcntl record lock on
// Unix, an open without sharing on Windows). A missing file is not locked.
bool IsFileLockedByOther(const QString& FileName);
