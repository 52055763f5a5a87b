#pragma once
// The base bookmark file: read into the list at start, written back at exit.
// Writing it back must never lose bookmarks the start could not read: a file that
// failed to read, or gave no entry though it holds something, is kept as it is.
// Each replacement keeps the previous file as "<name>.bak" (one generation).

#include <model/uWebSiteList.h>

#include <QString>

// What reading the base file at start gave.
struct TBaseFileRead
{
    enum TStatus
    {
        NotRead,   // the option is off, or there is no file yet
        Read,      // read; Entries may be 0 for a file holding an empty list
        Failed,    // the read stopped with an error (Reason)
        Unreadable // read without error, no entry, though the file holds something
    };
    TStatus Status = NotRead;
    QString FileName; // the file read
    QString Reason;   // the error's text, for Failed
    qsizetype Entries = 0;

    // The base file must not be replaced at exit.
    bool KeepFile() const { return Status == Failed || Status == Unreadable; }
};

// Reads FileName into List (which should be empty). Raises only EReadCancelled,
// when a read watched from another thread is cancelled.
TBaseFileRead ReadBaseBookmarkFile(TWebSiteList& List, const QString& FileName);

// Whether a file's bytes stand for an empty list: nothing, or a bookmark file
// with no link in it (what an export of an empty list writes).
bool HoldsNoBookmarks(const QByteArray& Data);

// Replaces FileName with the list (nothing is written when the bytes would not
// change); the file it replaces becomes FileName + ".bak". Raises EFileError.
void WriteBaseBookmarkFile(const TWebSiteList& List, const QString& FileName);
QString BaseBookmarkBackupName(const QString& FileName);

// The base file to read at start. DataFile is where the file is written; when the
// program's own folder could not be used as the data folder (a portable folder
// that became read-only), PortableFile is the file beside the program: it is read
// unless the data folder holds a newer one (written by an earlier such run).
QString ChooseBaseFileToRead(const QString& DataFile, const QString& PortableFile);
// The same for the running program, whose data folder holds DataFile.
QString BaseBookmarkFileToRead(const QString& DataFile);
