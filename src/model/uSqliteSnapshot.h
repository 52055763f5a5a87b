#pragma once
// A private, read-only copy of a SQLite database that its owner may be using at the
// same moment: a running browser keeps its databases open in WAL mode, locks them
// against readers, and holds recently committed rows only in the "-wal" file. The
// database and its "-wal" are copied together into a temporary folder and the copy
// is opened read-only, so the owner's files are only ever read. Any database file
// of a browser profile (bookmarks, favicons) can be read this way.
//
// A database is data from elsewhere, and SQL can hide work in it: a view may be
// an endless recursive query. Readers therefore take only ordinary tables of the
// layout they expect (HasTable), and every statement on a snapshot shares one
// work budget, proportional to the copy's size, past which reading stops with
// EFileError.

#include <QString>
#include <QTemporaryDir>

#include <initializer_list>

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

    // True when Name is an ordinary table (not a view, not a virtual table) that
    // has each of Columns as a stored column (not a computed one).
    bool HasTable(const char* Name, std::initializer_list<const char*> Columns) const;
    // The same, raising EFileError that names the table when it is not so.
    void RequireTable(const char* Name, std::initializer_list<const char*> Columns) const;

    // SQLite virtual-machine steps all statements on this snapshot may take: a
    // base for the schema and small files, and a share per byte of the copy that
    // is far above what reading every row of real tables needs.
    static qint64 WorkBudgetFor(qint64 Bytes);
    static constexpr qint64 BaseWorkSteps = 50'000'000;
    static constexpr qint64 WorkStepsPerByte = 50;
    qint64 WorkBudget() const { return FBudget; }
    qint64 WorkDone() const { return FWorkDone; }
    // True once the budget stopped a statement.
    bool OutOfWork() const { return FWorkDone > FBudget; }

private:
    static int OnProgress(void* Self);

    QString FFileName;
    QTemporaryDir FDir;
    sqlite3* FDb = nullptr;
    qint64 FBudget = 0;
    qint64 FWorkDone = 0;
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
