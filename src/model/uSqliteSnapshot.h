#pragma once
// A private, read-only copy of a SQLite database that its owner may be using at the
// same moment: a running browser keeps its databases open in WAL mode, locks them
// against readers, and holds recently committed rows only in the "-wal" file. The
// database and its "-wal" are copied together into a temporary folder and the copy
// is opened read-only, so the owner's files are only ever read. Any database file
// of a browser profile (bookmarks, favicons) can be read this way.

#include <QString>
#include <QTemporaryDir>

struct sqlite3;
struct sqlite3_stmt;

class TSqliteSnapshot
{
public:
    // Copies FileName (and FileName-wal when present) and opens the copy. Raises
    // EFileError naming FileName when it cannot be read or is no SQLite database.
    explicit TSqliteSnapshot(const QString& FileName);
    ~TSqliteSnapshot();
    TSqliteSnapshot(const TSqliteSnapshot&) = delete;
    TSqliteSnapshot& operator=(const TSqliteSnapshot&) = delete;

    sqlite3* Handle() const { return FDb; }
    // The original file, for error texts.
    const QString& FileName() const { return FFileName; }

    // Raises EFileError naming the original file, with What and SQLite's own text.
    [[noreturn]] void Fail(const QString& What) const;

private:
    QString FFileName;
    QTemporaryDir FDir;
    sqlite3* FDb = nullptr;
};

// A prepared statement that finalises itself; raises through Db.Fail when the
// statement does not compile (a missing table, a file that is no database).
class TSqliteStatement
{
public:
    TSqliteStatement(const TSqliteSnapshot& Db, const char* Sql);
    ~TSqliteStatement();
    TSqliteStatement(const TSqliteStatement&) = delete;
    TSqliteStatement& operator=(const TSqliteStatement&) = delete;

    // The next row: true while there is one; raises on a read error.
    bool Step();
    sqlite3_stmt* Handle() const { return FStmt; }

private:
    const TSqliteSnapshot& FDb;
    sqlite3_stmt* FStmt = nullptr;
};
