#include "store/BankFiles.h"

#include "store/BankConnection.h"
#include "store/BankSchema.h"
#include "store/BankStore.h"
#include "store/BankTables.h"
#include "store/FileIdentity.h"

#include <cmath>
#include <filesystem>
#include <limits>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <sqlite3.h>
#include <system_error>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Forces what was written to `file` onto the disk.
bool syncToDisk(QFile& file)
{
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

// A connection of SQLite's own, for the backup interface, which Qt's driver
// does not offer. It lives only inside one operation of this file.
class DirectConnection
{
public:
    enum class Mode { ReadOnly, ReadWrite };

    DirectConnection(const QString& path, Mode mode) : path_(path)
    {
        if (!QFileInfo(path).isFile())
            throw StoreError(StoreErrorNumber::CannotOpen, u"找不到文件“%1”。"_s.arg(native(path)));
        const int flags =
            SQLITE_OPEN_URI | (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
        const int rc = sqlite3_open_v2(
            sqliteUri(path, mode == Mode::ReadOnly ? "ro" : "rw").toUtf8().constData(), &db_, flags, nullptr);
        if (rc != SQLITE_OK) {
            const StoreError e = error(rc);
            sqlite3_close_v2(db_);
            throw e;
        }
        sqlite3_busy_timeout(db_, bankBusyTimeoutMs());
    }
    ~DirectConnection() { sqlite3_close_v2(db_); }
    DirectConnection(const DirectConnection&) = delete;
    DirectConnection& operator=(const DirectConnection&) = delete;

    sqlite3* handle() const { return db_; }
    const QString& path() const { return path_; }

    StoreError error(int rc) const
    {
        const char* text = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        return engineError(rc, path_, QString::fromUtf8(text));
    }

    void exec(const char* sql)
    {
        const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            throw error(rc);
    }

    // The first column of the first row of `sql`, or `otherwise` when there is no row or it is NULL.
    qint64 integer(const QString& sql, qint64 otherwise = 0)
    {
        sqlite3_stmt* st = nullptr;
        const QByteArray text = sql.toUtf8();
        int rc = sqlite3_prepare_v2(db_, text.constData(), int(text.size()), &st, nullptr);
        if (rc != SQLITE_OK)
            throw error(rc);
        qint64 value = otherwise;
        rc = sqlite3_step(st);
        if (rc == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL)
            value = sqlite3_column_int64(st, 0);
        const int done = sqlite3_finalize(st);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw error(done);
        return value;
    }

private:
    QString path_;
    sqlite3* db_ = nullptr;
};

// Copies every page of `from` into `to` in one step, as one transaction on
// `to`. SQLite keeps a read lock on `from` throughout, so the copy is one
// consistent state of it; `to` either gets all of it or keeps what it had.
void copyPages(DirectConnection& from, DirectConnection& to, bool lockBlamesTarget)
{
    sqlite3_backup* backup = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
    if (!backup)
        throw to.error(sqlite3_errcode(to.handle()));
    const int rc = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (rc == SQLITE_DONE)
        return;
    // The failure belongs to one of the two files: a damaged source, a
    // locked bank, a target that cannot be written.
    const int primary = rc & 0xff;
    const bool source = primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT ||
                        ((primary == SQLITE_BUSY || primary == SQLITE_LOCKED) && !lockBlamesTarget);
    throw engineError(rc, source ? from.path() : to.path(), QString::fromUtf8(sqlite3_errstr(rc)));
}

// Copies the bytes of the bank file of `from` into the file `to`, in one read
// transaction: SQLite's shared lock keeps every writer out until the copy is
// whole, so it is one committed state of the bank (banks keep no write-ahead
// log). The bytes are read through SQLite's own handle of the file, because
// opening and closing the file apart from it would drop the process's locks.
void copyFileBytes(DirectConnection& from, const QString& to, bool durable)
{
    from.exec("BEGIN");
    try {
        // The first read takes the shared lock (and rolls back what a
        // writer that crashed left half done).
        from.integer(u"SELECT count(*) FROM sqlite_master"_s);
        sqlite3_file* file = nullptr;
        if (sqlite3_file_control(from.handle(), "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
            !file || !file->pMethods)
            throw engineError(SQLITE_IOERR, from.path(), u"无法读取文件"_s);
        sqlite3_int64 size = 0;
        if (const int rc = file->pMethods->xFileSize(file, &size); rc != SQLITE_OK)
            throw engineError(rc, from.path(), QString::fromUtf8(sqlite3_errstr(rc)));
        QFile out(to);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw StoreError(StoreErrorNumber::CannotOpen,
                             u"不能把文件写到“%1”：%2"_s.arg(native(to), out.errorString()));
        constexpr qsizetype kChunk = 4 << 20;
        QByteArray buffer(kChunk, Qt::Uninitialized);
        for (sqlite3_int64 offset = 0; offset < size;) {
            const int n = int(std::min<sqlite3_int64>(kChunk, size - offset));
            if (const int rc = file->pMethods->xRead(file, buffer.data(), n, offset); rc != SQLITE_OK)
                throw engineError(rc, from.path(), QString::fromUtf8(sqlite3_errstr(rc)));
            if (out.write(buffer.constData(), n) != n)
                throw StoreError(StoreErrorNumber::CannotOpen,
                                 u"不能把文件写到“%1”：%2"_s.arg(native(to), out.errorString()));
            offset += n;
        }
        if (!out.flush() || (durable && !syncToDisk(out)))
            throw StoreError(StoreErrorNumber::CannotOpen,
                             u"不能把文件写到“%1”：%2"_s.arg(native(to), out.errorString()));
    } catch (...) {
        sqlite3_exec(from.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    from.exec("COMMIT");
}

std::filesystem::path fsPath(const QString& path)
{
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdU16String());
}

// An empty file beside `target` for a copy to be written into; the caller
// renames it into place or removes it.
QString temporaryBeside(const QString& target)
{
    const QFileInfo info(target);
    QTemporaryFile file(info.absolutePath() + u"/."_s + info.fileName() + u".XXXXXX.part"_s);
    if (!file.open()) {
        throw StoreError(StoreErrorNumber::CannotOpen, u"不能在文件夹“%1”中写入文件：%2"_s.arg(
                                                           native(info.absolutePath()), file.errorString()));
    }
    file.setAutoRemove(false);
    return file.fileName();
}

// Puts `temporary` in the place of `target` in one step: `target` is either
// the old file or the whole new one, never something between.
void replaceFile(const QString& temporary, const QString& target)
{
    std::error_code ec;
    std::filesystem::rename(fsPath(temporary), fsPath(target), ec);
    if (ec) {
        throw StoreError(
            StoreErrorNumber::CannotOpen,
            u"不能把文件写到“%1”：%2"_s.arg(native(target), QString::fromLocal8Bit(ec.message())));
    }
}

// The highest row identity of 数学题库 the bank has used: of a row it holds or
// of one deleted (as far as the bank records deletions).
qint64 highestUsedIdentity(DirectConnection& c)
{
    qint64 used = c.integer(u"SELECT max(rowid) FROM \"数学题库\""_s);
    if (c.integer(u"SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = '数学题库_行号'"_s) >
        0)
        used = std::max(used, c.integer(u"SELECT max(\"已删除最大行号\") FROM \"数学题库_行号\""_s));
    return used;
}

StoreError sameFileError(const QString& path)
{
    return StoreError(StoreErrorNumber::CannotOpen,
                      u"“%1”就是题库文件本身，不能对它自己操作。"_s.arg(native(path)));
}

} // namespace

bool isSameFile(const QString& a, const QString& b)
{
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    if (!fa.exists() || !fb.exists())
        return false;
    if (fa.canonicalFilePath() == fb.canonicalFilePath())
        return true;
    const FileIdentity ia = FileIdentity::of(a);
    const FileIdentity ib = FileIdentity::of(b);
    return ia.isValid() && ia == ib && (ia.device != 0 || ia.inode != 0);
}

void backupBankFile(const QString& bank, const QString& target, bool durable)
{
    if (isSameFile(bank, target))
        throw sameFileError(target);
    DirectConnection source(bank, DirectConnection::Mode::ReadOnly);
    const QString temporary = temporaryBeside(target);
    try {
        // The copy takes its place only when it is whole. It is written
        // through to the disk only when asked: it is as durable as a copy
        // made by `cp` unless it is the one a restore relies on.
        copyFileBytes(source, temporary, durable);
        // A copy readable as the bank is: the temporary file was made private.
        QFile::setPermissions(temporary, QFileInfo(bank).permissions() | QFileDevice::WriteOwner);
        replaceFile(temporary, target);
    } catch (...) {
        QFile::remove(temporary);
        throw;
    }
}

void restoreBankFile(const QString& source, const QString& bank)
{
    if (isSameFile(source, bank))
        throw sameFileError(source);
    qint64 usedBefore = 0;
    {
        DirectConnection live(bank, DirectConnection::Mode::ReadWrite);
        DirectConnection from(source, DirectConnection::Mode::ReadOnly);
        from.exec("PRAGMA mmap_size = 4294967296");
        // Journaled, so a failure on the way rolls the bank back, but not
        // forced to the disk page by page: the caller keeps a durable copy of
        // the bank beside it first (backupBankFile(..., true)), which is what
        // a power cut in the middle would be repaired from.
        live.exec("PRAGMA synchronous = OFF");
        usedBefore = highestUsedIdentity(live);
        copyPages(from, live, true);
        // Between writes a bank is one self-contained file.
        live.exec("PRAGMA journal_mode = DELETE");
    }
    // A bank of an earlier version gains the record of row identities now. A
    // window that kept a result from before the restore holds identities of
    // the old content: none of them may come back as a new question.
    BankConnection c(bank, BankConnection::Mode::ReadWrite);
    c.ensureBank();
    c.noteWritten();
    c.exec(u"UPDATE \"数学题库_行号\" SET \"已删除最大行号\" = max(\"已删除最大行号\", ?)"_s, {usedBefore});
}

std::optional<qint64> mergeCounterFrom(const QString& number)
{
    const QString t = number.trimmed();
    bool ok = false;
    const qint64 whole = t.toLongLong(&ok, 10);
    if (ok)
        return whole;
    const double value = t.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // the default rounding: halves to even
    // 2^63 is the first double beyond qint64.
    if (rounded < -9223372036854775808.0 || rounded >= 9223372036854775808.0)
        return std::nullopt;
    return qint64(rounded);
}

namespace {

constexpr auto kSource = u"merge_source";

// The eleven columns of 数学题库 after the number, quoted, with a prefix.
QString bodyColumns(const QString& prefix)
{
    QStringList out;
    const QStringList& columns = bankTableColumns().front().second;
    for (qsizetype i = 1; i < columns.size(); ++i)
        out << prefix + quotedName(columns.at(i));
    return out.join(u", "_s);
}

// Lets the source go. A failure here changes nothing: the merge has been
// committed or rolled back already, and the connection ends soon after.
void detach(BankConnection& c, const QString& name)
{
    try {
        c.exec(u"DETACH DATABASE "_s + name);
    } catch (const StoreError&) {
    }
}

// True when SQLite finds nothing wrong with the attached source's structure.
bool sourceIntact(BankConnection& c, const QString& name)
{
    try {
        QSqlQuery q = c.exec(u"PRAGMA "_s + name + u".quick_check(1)"_s);
        return q.next() && q.value(0).toString() == u"ok"_s;
    } catch (const StoreError&) {
        return false;
    }
}

void transaction(BankConnection& c, const std::function<void()>& work)
{
    c.exec(u"BEGIN"_s);
    try {
        work();
        c.exec(u"COMMIT"_s);
    } catch (...) {
        try {
            c.exec(u"ROLLBACK"_s);
        } catch (const StoreError&) {
            // SQLite has rolled back already when a statement failed that way.
        }
        throw;
    }
}

qint64 firstInteger(QSqlQuery q)
{
    return q.next() ? q.value(0).toLongLong() : 0;
}

} // namespace

QuestionMerge appendQuestionsFrom(const QString& source, const QString& bank, const MergeProgress& progress)
{
    if (isSameFile(source, bank))
        throw sameFileError(source);
    QString why;
    if (!isBankFile(source, &why)) {
        throw StoreError(StoreErrorNumber::NotABank,
                         u"文件“%1”不是题库文件：%2。"_s.arg(native(source), why));
    }

    BankConnection c(bank, BankConnection::Mode::ReadWrite);
    c.ensureBank();
    const QString src = QString::fromUtf16(kSource);
    // Read-only: the merge never writes to its source.
    c.exec(u"ATTACH DATABASE ? AS "_s + src, {sqliteUri(source, "ro")});
    // Every appended row updates the nine indexes of 数学题库. With the small
    // default page cache the bodies streaming through would push the index
    // pages out again and again; a larger cache for this one connection (and
    // reading both files through a memory map) keeps them at hand.
    c.exec(u"PRAGMA main.cache_size = -262144"_s);
    c.exec(u"PRAGMA main.mmap_size = 4294967296"_s);
    c.exec(u"PRAGMA "_s + src + u".mmap_size = 4294967296"_s);

    QuestionMerge result;
    const QString questions = quotedName(BankTables::questions);
    const QString number = quotedName(QuestionColumns::number);
    try {
        c.noteWritten();
        // Statements rather than the driver's transaction calls: a commit
        // that fails (another program reading the bank) keeps its error
        // number, so the user reads "locked", not a generic failure.
        transaction(c, [&] {
            // Above every identity in use and every one ever deleted, as an append takes it.
            const qint64 base = firstInteger(c.exec(
                u"SELECT max(ifnull((SELECT max(rowid) FROM main.\"数学题库\"), 0), \"已删除最大行号\") "
                u"FROM main.\"数学题库_行号\""_s));
            QSqlQuery last = c.exec(u"SELECT "_s + number + u" FROM main."_s + questions +
                                    u" ORDER BY rowid DESC LIMIT 1"_s);
            qint64 counter = 0;
            if (last.next()) {
                const QString stored = last.value(0).toString();
                const std::optional<qint64> n = mergeCounterFrom(stored);
                if (!n) {
                    throw StoreError(StoreErrorNumber::TypeMismatch,
                                     u"类型不匹配：最后一道题的题目编号“%1”不是数字。"_s.arg(stored));
                }
                counter = *n;
            }
            last.finish();
            const qint64 total = firstInteger(c.exec(u"SELECT count(*) FROM "_s + src + u'.' + questions));
            if (total > std::numeric_limits<qint64>::max() - std::max<qint64>(counter, 0) ||
                total > std::numeric_limits<qint64>::max() - base) {
                throw StoreError(StoreErrorNumber::TypeMismatch, u"题目编号超出了可以表示的范围。"_s);
            }

            // A batch at a time, in the source's stored order. The numbering
            // runs over row identities only; each row is then read once, by
            // its identity, straight into the target.
            const QString batch = u"SELECT rowid AS r FROM "_s + src + u'.' + questions +
                                  u" WHERE rowid > ? ORDER BY rowid LIMIT "_s + QString::number(kMergeBatch);
            QSqlQuery insert = c.prepare(
                u"INSERT INTO main."_s + questions + u" (rowid, "_s + number + u", "_s + bodyColumns({}) +
                u") SELECT ? + k.n, CAST(? + k.n AS TEXT), "_s + bodyColumns(u"s."_s) +
                u" FROM (SELECT r, ? + row_number() OVER (ORDER BY r) AS n FROM ("_s + batch +
                u")) AS k JOIN "_s + src + u'.' + questions + u" AS s ON s.rowid = k.r ORDER BY k.r"_s);
            QSqlQuery lastOfBatch = c.prepare(u"SELECT max(r) FROM ("_s + batch + u')');
            qint64 after = std::numeric_limits<qint64>::min();
            qint64 done = 0;
            while (done < total) {
                c.run(lastOfBatch, {after});
                const qint64 next = lastOfBatch.next() && !lastOfBatch.isNull(0)
                                        ? lastOfBatch.value(0).toLongLong()
                                        : std::numeric_limits<qint64>::min();
                lastOfBatch.finish();
                if (next == std::numeric_limits<qint64>::min())
                    break; // fewer rows than counted: nothing more to read
                c.run(insert, {base, counter, done, after});
                const int appended = insert.numRowsAffected();
                insert.finish();
                if (appended <= 0)
                    break;
                done += appended;
                after = next;
                if (progress)
                    progress(done, total);
            }
            result.appended = done;
            if (done > 0) {
                result.firstNumber = QString::number(counter + 1);
                result.lastNumber = QString::number(counter + done);
            }
        });
    } catch (const StoreError& e) {
        // A damaged file met on the way is most likely the source, which
        // nobody has checked as the bank is checked on every open.
        const int code = e.number & 0xff;
        const bool damaged = code == 11 || code == 26; // SQLITE_CORRUPT, SQLITE_NOTADB
        if (damaged && !sourceIntact(c, src)) {
            detach(c, src);
            throw StoreError(
                e.number, u"合并的来源文件“%1”已损坏，题库没有任何改动。\n%2"_s.arg(native(source), e.text));
        }
        detach(c, src);
        throw;
    } catch (...) {
        detach(c, src);
        throw;
    }
    detach(c, src);
    return result;
}
