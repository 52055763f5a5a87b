// Snapshot copies of SQLite databases that another program may hold open.

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <model/uSqliteSnapshot.h>
#include <platform/EFileError.h>
#include <sqlite3.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Size and modification time: enough to see that the owner wrote in between.
struct TFileState
{
    qint64 Size = -1;
    qint64 MTime = 0;
    bool operator==(const TFileState&) const = default;
};

TFileState StateOf(const QString& FileName)
{
    const QFileInfo info(FileName);
    if (!info.exists())
        return {};
    return {info.size(), info.lastModified().toMSecsSinceEpoch()};
}

// Copies Source to Target by reading it: nothing but a read handle ever touches Source.
void CopyForReading(const QString& Source, const QString& Target, const QString& Reported)
{
    QFile in(Source);
    if (!in.open(QIODevice::ReadOnly))
        throw EFileError(Reported, u"Cannot open file"_s);
    QFile out(Target);
    if (!out.open(QIODevice::WriteOnly))
        throw EFileError(Target, u"Cannot create file"_s);
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            throw EFileError(Reported, u"Cannot read file"_s);
        if (n == 0)
            break;
        if (out.write(buffer.constData(), n) != n)
            throw EFileError(Target, u"Cannot write file"_s);
    }
}

// Steps between two looks at the work budget: cheap, and fine enough.
constexpr int ProgressInterval = 1000;

} // namespace

TSqliteSnapshot::TSqliteSnapshot(const QString& FileName) : FFileName(FileName)
{
    if (!QFileInfo(FileName).isFile())
        throw EFileError(FileName, u"File not found"_s);
    if (!FDir.isValid())
        throw EFileError(FDir.path(), u"Cannot create a temporary folder"_s);

    // The copy must hold the database and its WAL as of one moment. When either
    // file changed while being copied (a checkpoint, a commit), copy both again.
    const QString wal = FileName + u"-wal"_s;
    const QString copy = FDir.filePath(u"snapshot.sqlite"_s);
    const QString copyWal = copy + u"-wal"_s;
    for (int attempt = 0;; ++attempt) {
        QFile::remove(copy);
        QFile::remove(copyWal);
        const TFileState before[] = {StateOf(FileName), StateOf(wal)};
        CopyForReading(FileName, copy, FileName);
        if (before[1].Size >= 0)
            CopyForReading(wal, copyWal, wal);
        const TFileState after[] = {StateOf(FileName), StateOf(wal)};
        if ((before[0] == after[0] && before[1] == after[1]) || attempt == 4)
            break;
    }

    const QByteArray path = QFile::encodeName(copy);
    if (sqlite3_open_v2(path.constData(), &FDb, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        Fail(u"Cannot open the database"_s);
    sqlite3_busy_timeout(FDb, 0);
    // No text or picture a reader takes is near this; a crafted value past it is
    // refused instead of being built in memory.
    sqlite3_limit(FDb, SQLITE_LIMIT_LENGTH, 64 * 1024 * 1024);
    FBudget = WorkBudgetFor(std::max<qint64>(0, StateOf(copy).Size)
                            + std::max<qint64>(0, StateOf(copyWal).Size));
    sqlite3_progress_handler(FDb, ProgressInterval, &TSqliteSnapshot::OnProgress, this);
}

qint64 TSqliteSnapshot::WorkBudgetFor(qint64 Bytes)
{
    return BaseWorkSteps + WorkStepsPerByte * std::max<qint64>(0, Bytes);
}

int TSqliteSnapshot::OnProgress(void* Self)
{
    auto* db = static_cast<TSqliteSnapshot*>(Self);
    db->FWorkDone += ProgressInterval;
    return db->FWorkDone > db->FBudget ? 1 : 0; // non-zero interrupts the statement
}

bool TSqliteSnapshot::HasTable(const char* Name, std::initializer_list<const char*> Columns) const
{
    {
        TSqliteStatement st(*this, "SELECT sql FROM sqlite_master"
                                   " WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
        sqlite3_bind_text(st.Handle(), 1, Name, -1, SQLITE_STATIC);
        if (!st.Step())
            return false;
        const auto* sql = reinterpret_cast<const char*>(sqlite3_column_text(st.Handle(), 0));
        // A virtual table runs a module's code on every read: none of ours is one.
        if (!sql || QByteArray(sql).simplified().toUpper().startsWith("CREATE VIRTUAL"))
            return false;
    }
    // Stored columns only: a generated one is an expression evaluated at each read.
    QSet<QByteArray> stored;
    TSqliteStatement st(*this, "SELECT name, hidden FROM pragma_table_xinfo(?1)");
    sqlite3_bind_text(st.Handle(), 1, Name, -1, SQLITE_STATIC);
    while (st.Step()) {
        const auto* column = reinterpret_cast<const char*>(sqlite3_column_text(st.Handle(), 0));
        if (column && sqlite3_column_int(st.Handle(), 1) == 0)
            stored.insert(QByteArray(column).toLower());
    }
    for (const char* column : Columns)
        if (!stored.contains(QByteArray(column).toLower()))
            return false;
    return true;
}

void TSqliteSnapshot::RequireTable(const char* Name,
                                   std::initializer_list<const char*> Columns) const
{
    if (!HasTable(Name, Columns))
        throw EFileError(FFileName,
                         u"Not a browser database of the expected layout (%1 is no "
                         u"table with the expected columns)"_s.arg(QLatin1StringView(Name)));
}

TSqliteSnapshot::~TSqliteSnapshot()
{
    sqlite3_close_v2(FDb);
}

void TSqliteSnapshot::Fail(const QString& What) const
{
    const QString detail = FDb ? QString::fromUtf8(sqlite3_errmsg(FDb)) : u"out of memory"_s;
    throw EFileError(FFileName, What + u" ("_s + detail + u")"_s);
}

TSqliteStatement::TSqliteStatement(const TSqliteSnapshot& Db, const char* Sql) : FDb(Db)
{
    if (sqlite3_prepare_v2(Db.Handle(), Sql, -1, &FStmt, nullptr) != SQLITE_OK)
        Db.Fail(u"Cannot read the database"_s);
}

TSqliteStatement::~TSqliteStatement()
{
    sqlite3_finalize(FStmt);
}

bool TSqliteStatement::Step()
{
    const int rc = sqlite3_step(FStmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    if (FDb.OutOfWork())
        throw EFileError(FDb.FileName(), u"Cannot read the database: reading it takes far more "
                                         u"work than a database of its size needs"_s);
    FDb.Fail(u"Cannot read the database"_s);
}
