#include "store/BankFiles.h"

#include "store/BankConnection.h"
#include "store/BankSchema.h"
#include "store/BankStore.h"
#include "store/BankTables.h"
#include "store/FileIdentity.h"

#include <cmath>
#include <filesystem>
#include <limits>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QTemporaryFile>
#include <QThread>
#include <sqlite3.h>
#include <system_error>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
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

// Forces the names in `folder` (a file renamed into it, one removed) onto the
// disk. Windows keeps them with the file itself.
bool syncFolder(const QString& folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
    return true;
#else
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
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
        if (mode == Mode::ReadOnly)
            rollBackCrashedWrite(path);
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

    // An error of SQLite's file layer: the connection's own message is not
    // set by calls made straight on the file.
    StoreError fileError(int rc) const
    {
        return engineError(rc, path_, QString::fromUtf8(sqlite3_errstr(rc)));
    }

    void exec(const char* sql)
    {
        const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            throw error(rc);
    }

    // Runs `sql` with `values` bound in order.
    void run(const QString& sql, const QList<qint64>& values = {})
    {
        sqlite3_stmt* st = nullptr;
        const QByteArray text = sql.toUtf8();
        int rc = sqlite3_prepare_v2(db_, text.constData(), int(text.size()), &st, nullptr);
        if (rc != SQLITE_OK)
            throw error(rc);
        for (int i = 0; i < int(values.size()); ++i)
            sqlite3_bind_int64(st, i + 1, values.at(i));
        rc = sqlite3_step(st);
        const int done = sqlite3_finalize(st);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw error(done);
    }

    // SQLite's own handle of the file, for reading and writing it whole
    // without opening it apart from SQLite: closing another handle of the
    // file would drop the locks this process holds on it.
    sqlite3_file* file()
    {
        sqlite3_file* f = nullptr;
        if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &f) != SQLITE_OK || !f ||
            !f->pMethods)
            throw engineError(SQLITE_IOERR, path_, u"无法读取文件"_s);
        return f;
    }

    // The first column of the first row of `sql` as text (empty when there is none).
    QString text(const char* sql)
    {
        sqlite3_stmt* st = nullptr;
        int rc = sqlite3_prepare_v2(db_, sql, -1, &st, nullptr);
        if (rc != SQLITE_OK)
            throw error(rc);
        QString value;
        rc = sqlite3_step(st);
        if (rc == SQLITE_ROW)
            value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        const int done = sqlite3_finalize(st);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw error(done);
        return value;
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

StoreError cannotWrite(const QString& path, const QString& why)
{
    return StoreError(StoreErrorNumber::CannotOpen, u"不能把文件写到“%1”：%2"_s.arg(native(path), why));
}

// Writing `file`, the copy that is to become `shownAs`, failed with about
// `remaining` bytes still to write. Qt's text for a full disk is often only
// "Unknown error", and the file written is a hidden temporary: the message
// names the file the user chose, and says when the disk is full.
StoreError writeFailure(const QString& shownAs, const QFileDevice& file, qint64 remaining)
{
    const QStorageInfo volume(QFileInfo(shownAs).absolutePath());
    if (volume.isValid() && volume.bytesAvailable() < std::max<qint64>(remaining, 64 << 10)) {
        return StoreError(StoreErrorNumber::DiskFull,
                          u"磁盘已满，不能把文件写到“%1”。"_s.arg(native(shownAs)));
    }
    return cannotWrite(shownAs, file.errorString());
}

constexpr qsizetype kCopyChunk = 4 << 20;
// SQLite's file layer writes at most 0x1ffff bytes a call on Unix: a longer
// write is cut short and reported as a full disk. Whole files go through it
// in pieces no longer than this.
constexpr qsizetype kFileLayerPiece = 64 << 10;
// Lets SQLite read a file through a memory map of all of it (up to 4 GB).
constexpr const char* kMapWholeFile = "PRAGMA mmap_size = 4294967296";

// Writes the bytes of the file SQLite holds open as `file` (the bank `path`)
// into the file `to`, which is to become `shownAs`. The caller holds a lock
// that keeps writers out.
void writeBytesOf(sqlite3_file* file, const QString& path, const QString& to, const QString& shownAs,
                  bool durable)
{
    sqlite3_int64 size = 0;
    if (const int rc = file->pMethods->xFileSize(file, &size); rc != SQLITE_OK)
        throw engineError(rc, path, QString::fromUtf8(sqlite3_errstr(rc)));
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw cannotWrite(shownAs, out.errorString());
    QByteArray buffer;
    for (sqlite3_int64 offset = 0; offset < size;) {
        const int n = int(std::min<sqlite3_int64>(kCopyChunk, size - offset));
        // Straight from SQLite's memory map of the file when it has one:
        // the bytes are copied once, into the file written, not twice.
        void* mapped = nullptr;
        if (file->pMethods->iVersion >= 3 && file->pMethods->xFetch(file, offset, n, &mapped) == SQLITE_OK &&
            mapped) {
            const bool written = out.write(static_cast<const char*>(mapped), n) == n;
            file->pMethods->xUnfetch(file, offset, mapped);
            if (!written)
                throw writeFailure(shownAs, out, size - offset);
        } else {
            if (buffer.isEmpty())
                buffer.resize(kCopyChunk);
            if (const int rc = file->pMethods->xRead(file, buffer.data(), n, offset); rc != SQLITE_OK)
                throw engineError(rc, path, QString::fromUtf8(sqlite3_errstr(rc)));
            if (out.write(buffer.constData(), n) != n)
                throw writeFailure(shownAs, out, size - offset);
        }
        offset += n;
    }
    if (!out.flush() || (durable && !syncToDisk(out)))
        throw writeFailure(shownAs, out, 0);
}

// Copies the bytes of the bank file of `from` into the file `to`, in one read
// transaction: SQLite's shared lock keeps every writer out until the copy is
// whole, so it is one committed state of the bank (banks keep no write-ahead
// log). The bytes are read through SQLite's own handle of the file, because
// opening and closing the file apart from it would drop the process's locks.
void copyFileBytes(DirectConnection& from, const QString& to, const QString& shownAs, bool durable)
{
    from.exec("BEGIN");
    try {
        // The first read takes the shared lock. A journal that a writer
        // killed on the way left was rolled back when `from` was opened.
        from.integer(u"SELECT count(*) FROM sqlite_master"_s);
        writeBytesOf(from.file(), from.path(), to, shownAs, durable);
    } catch (...) {
        sqlite3_exec(from.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    from.exec("COMMIT");
}

// Writes the file `copy` over the bank file SQLite holds open as `into`,
// byte for byte, and forces it onto the disk. The caller holds the bank's
// exclusive lock.
void putBytesInto(DirectConnection& into, const QString& copy)
{
    sqlite3_file* file = into.file();
    QFile in(copy);
    if (!in.open(QIODevice::ReadOnly)) {
        throw StoreError(StoreErrorNumber::CannotOpen,
                         u"不能读取文件“%1”：%2"_s.arg(native(copy), in.errorString()));
    }
    const qint64 size = in.size();
    QByteArray buffer(kCopyChunk, Qt::Uninitialized);
    for (qint64 offset = 0; offset < size;) {
        const qint64 n = in.read(buffer.data(), std::min<qint64>(kCopyChunk, size - offset));
        if (n <= 0) {
            throw StoreError(StoreErrorNumber::CannotOpen,
                             u"不能读取文件“%1”：%2"_s.arg(native(copy), in.errorString()));
        }
        for (qint64 done = 0; done < n; done += kFileLayerPiece) {
            const int piece = int(std::min<qint64>(kFileLayerPiece, n - done));
            if (const int rc = file->pMethods->xWrite(file, buffer.constData() + done, piece, offset + done);
                rc != SQLITE_OK)
                throw into.fileError(rc);
        }
        offset += n;
    }
    if (const int rc = file->pMethods->xTruncate(file, size); rc != SQLITE_OK)
        throw into.fileError(rc);
    if (const int rc = file->pMethods->xSync(file, SQLITE_SYNC_FULL); rc != SQLITE_OK)
        throw into.fileError(rc);
}

// The exclusive lock on a bank file, taken on SQLite's own handle of it as a
// writer takes it (shared, reserved, exclusive), so that it keeps out every
// other connection, in this process or another, without SQLite reading the
// file first: the file may be half written. Waits for other connections as
// long as a statement would.
class ExclusiveLock
{
public:
    explicit ExclusiveLock(DirectConnection& c) : file_(c.file())
    {
        for (const int level : {SQLITE_LOCK_SHARED, SQLITE_LOCK_RESERVED, SQLITE_LOCK_EXCLUSIVE}) {
            QElapsedTimer waited;
            waited.start();
            int rc = SQLITE_OK;
            while ((rc = file_->pMethods->xLock(file_, level)) == SQLITE_BUSY &&
                   waited.elapsed() < bankBusyTimeoutMs())
                QThread::msleep(10);
            if (rc != SQLITE_OK) {
                file_->pMethods->xUnlock(file_, SQLITE_LOCK_NONE);
                throw engineError(rc, c.path());
            }
        }
    }
    ~ExclusiveLock() { file_->pMethods->xUnlock(file_, SQLITE_LOCK_NONE); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

private:
    sqlite3_file* file_;
};

// An empty file beside `target` for a copy to be written into, marked as
// being written for as long as this object lives (so that another process
// does not take it for the leftover of a killed copy); the caller renames it
// into place or removes it.
class TemporaryBeside
{
public:
    explicit TemporaryBeside(const QString& target)
        : file_(QFileInfo(target).absolutePath() + u"/."_s + QFileInfo(target).fileName() + u".XXXXXX.part"_s)
    {
        if (!file_.open()) {
            throw StoreError(StoreErrorNumber::CannotOpen,
                             u"不能在文件夹“%1”中写入文件：%2"_s.arg(native(QFileInfo(target).absolutePath()),
                                                                     file_.errorString()));
        }
        file_.setAutoRemove(false);
        markBeingWritten(file_);
    }

    QString path() const { return file_.fileName(); }
    // Lets the file go before it is renamed where an open file cannot be.
    void release()
    {
#ifdef Q_OS_WIN
        file_.close();
#endif
    }

private:
    QTemporaryFile file_;
};

std::filesystem::path fsPath(const QString& path)
{
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdU16String());
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

// highestUsedIdentity() of the file `path`, as far as it can be read: a
// damaged bank kept aside gives what it still tells, or 0.
qint64 highestUsedIdentityOf(const QString& path)
{
    try {
        DirectConnection c(path, DirectConnection::Mode::ReadOnly);
        return highestUsedIdentity(c);
    } catch (const StoreError&) {
        return 0;
    }
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

int removeStaleTemporaries(const QString& folder, const QRegularExpression& finalName)
{
    // QTemporaryFile puts six letters in place of XXXXXX.
    static const QRegularExpression temporary(u"^\\.(.+)\\.[A-Za-z0-9]{6}\\.part$"_s);
    const QRegularExpression name(QRegularExpression::anchoredPattern(finalName.pattern()),
                                  finalName.patternOptions());
    int removed = 0;
    const QDateTime now = QDateTime::currentDateTime();
    const QFileInfoList found =
        QDir(folder).entryInfoList({u".*.part"_s}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : found) {
        const QRegularExpressionMatch m = temporary.match(file.fileName());
        if (!m.hasMatch() || !name.match(m.captured(1)).hasMatch())
            continue;
        // A copy that has only just begun is empty, and may not be marked yet.
        if (file.size() == 0 && file.lastModified().secsTo(now) < 60)
            continue;
        if (isBeingWritten(file.filePath()))
            continue;
        if (QFile::remove(file.filePath()))
            ++removed;
    }
    return removed;
}

namespace {

// Writes a new file `target` through `write` (which gets a temporary file
// beside it) and puts it in place when it is whole: a failure leaves `target`
// as it was and nothing half written. With `durable`, the file and its name
// are on the disk before this returns. The new file gets the permissions of
// `readableAs` (or of a file made by the user).
void writeInPlace(const QString& target, const QString& readableAs, bool durable,
                  const std::function<void(const QString& temporary)>& write)
{
    TemporaryBeside temporary(target);
    try {
        write(temporary.path());
        // A copy readable as the bank is: the temporary file was made private.
        const QFileDevice::Permissions as =
            QFileInfo::exists(readableAs)
                ? QFileInfo(readableAs).permissions()
                : QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        QFile::setPermissions(temporary.path(), as | QFileDevice::WriteOwner);
        temporary.release();
        replaceFile(temporary.path(), target);
    } catch (...) {
        QFile::remove(temporary.path());
        throw;
    }
    if (durable && !syncFolder(QFileInfo(target).absolutePath()))
        throw cannotWrite(target, u"无法写入磁盘"_s);
}

// The safety copy named in a restore marker, or an empty string.
QString safetyCopyNamedIn(const QString& marker)
{
    QFile f(marker);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString name = QString::fromUtf8(f.readLine()).trimmed();
    // Only a file beside the bank: the marker names nothing elsewhere.
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\') || name == u".."_s)
        return {};
    return QFileInfo(marker).absolutePath() + u'/' + name;
}

void removeMarker(const QString& marker)
{
    if (!QFile::remove(marker) && QFileInfo::exists(marker))
        throw cannotWrite(marker, u"无法删除恢复标记"_s);
    syncFolder(QFileInfo(marker).absolutePath());
}

// The names of the files a restore of `bank` writes beside it: the bank, its
// safety copies and its marker.
QRegularExpression restoreFamily(const QString& bank)
{
    const QFileInfo info(bank);
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    return QRegularExpression(QRegularExpression::escape(info.fileName()) + u'|' +
                              QRegularExpression::escape(info.completeBaseName() + u"-恢复前-"_s) + u".*"_s +
                              QRegularExpression::escape(suffix) + u'|' +
                              QRegularExpression::escape(QFileInfo(restoreMarkerPath(bank)).fileName()));
}

// Brings a bank just restored up to date: what this version adds, and the
// record of the row identities the bank it replaced had used. Without a
// rollback journal on `c` a failure leaves this half done: the caller then
// puts the bank back.
void bringUpToDate(DirectConnection& c, qint64 usedBefore)
{
    c.exec("BEGIN");
    for (const QString& statement : bankUpgradeStatements())
        c.run(statement);
    c.run(u"UPDATE \"数学题库_行号\" SET \"已删除最大行号\" = max(\"已删除最大行号\", ?)"_s, {usedBefore});
    c.exec("COMMIT");
}

// A failure before the first page of the bank was replaced, from SQLite's
// reading of the bank as a database: the bank is then replaced as a file.
struct UnreadableBank
{
    StoreError error;
};

// The restore in place (restoreBankFile). Throws RestoreError, or
// UnreadableBank while nothing has changed.
void restoreInPlace(const QString& source, const QString& bank, const QString& safetyCopy)
{
    const QString marker = restoreMarkerPath(bank);
    const auto unchanged = [&](const StoreError& e) {
        return RestoreError(e, RestoreOutcome::BankUnchanged, {});
    };
    const auto unreadable = [](int rc) {
        const int primary = rc & 0xff;
        return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
    };

    std::optional<DirectConnection> from;
    std::optional<DirectConnection> live;
    try {
        from.emplace(source, DirectConnection::Mode::ReadOnly);
        from->exec(kMapWholeFile);
        live.emplace(bank, DirectConnection::Mode::ReadWrite);
        live->exec(kMapWholeFile);
    } catch (const StoreError& e) {
        throw unchanged(e);
    }
    // No rollback journal: it would hold every page of the bank as it
    // was, which the safety copy holds already; writing both took three
    // times as long as copying the file. A restore cut off on the way
    // is undone from the safety copy instead, named by the marker (at
    // once when the copy fails, else when the bank is next opened).
    // The exclusive lock is taken before the safety copy is made and
    // kept until the marker is gone, so the copy is of the very state
    // replaced, and no other connection reads the bank in between.
    const int journal = sqlite3_exec(live->handle(), "PRAGMA journal_mode = OFF", nullptr, nullptr, nullptr);
    if (journal != SQLITE_OK) {
        if (unreadable(journal))
            throw UnreadableBank{live->error(journal)};
        throw unchanged(live->error(journal));
    }
    if (live->text("PRAGMA journal_mode").compare(u"off"_s, Qt::CaseInsensitive) != 0)
        throw unchanged(engineError(SQLITE_ERROR, bank, u"journal_mode"_s));
    live->exec("PRAGMA locking_mode = EXCLUSIVE");
    sqlite3_backup* backup = sqlite3_backup_init(live->handle(), "main", from->handle(), "main");
    if (!backup)
        throw unchanged(live->error(sqlite3_errcode(live->handle())));
    const auto finish = [&] {
        if (backup)
            sqlite3_backup_finish(backup);
        backup = nullptr;
    };

    // Takes the bank's exclusive lock before a page is copied. The source
    // was found whole just before, so a file SQLite cannot read here is the
    // bank.
    if (const int rc = sqlite3_backup_step(backup, 0); rc != SQLITE_OK && rc != SQLITE_DONE) {
        finish();
        const StoreError e = engineError(rc, bank, QString::fromUtf8(sqlite3_errstr(rc)));
        if (unreadable(rc))
            throw UnreadableBank{e};
        throw unchanged(e);
    }
    try {
        // The bank as it is under that lock: the very state the copy replaces.
        writeInPlace(safetyCopy, bank, true, [&](const QString& temporary) {
            writeBytesOf(live->file(), bank, temporary, safetyCopy, true);
        });
        writeInPlace(marker, bank, true, [&](const QString& temporary) {
            QFile f(temporary);
            const QByteArray line = QFileInfo(safetyCopy).fileName().toUtf8() + '\n';
            if (!f.open(QIODevice::WriteOnly) || f.write(line) != line.size() || !f.flush() || !syncToDisk(f))
                throw writeFailure(marker, f, line.size());
        });
    } catch (const StoreError& e) {
        finish();
        // A marker in place (only its folder could not be synced) would
        // have the next open "undo" a restore that never began.
        QFile::remove(marker);
        throw unchanged(e);
    }

    // From here on the bank is being replaced: a failure puts it back.
    try {
        // A failure reading the source belongs to the source, any other to the bank.
        if (const int rc = sqlite3_backup_step(backup, -1); rc != SQLITE_DONE) {
            const int primary = rc & 0xff;
            throw engineError(rc, primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT ? source : bank,
                              QString::fromUtf8(sqlite3_errstr(rc)));
        }
        finish();
        bringUpToDate(*live, highestUsedIdentityOf(safetyCopy));
        sqlite3_file* file = live->file();
        if (const int synced = file->pMethods->xSync(file, SQLITE_SYNC_FULL); synced != SQLITE_OK)
            throw live->fileError(synced);
        // A journal left beside the bank belongs to no content it now has:
        // the next open would play it back over the restored pages.
        QFile::remove(bank + u"-journal"_s);
        removeMarker(marker);
    } catch (const StoreError& e) {
        finish();
        // The bank may be half replaced: it gets back what it was, still
        // under the exclusive lock. Should that fail too, the marker stays
        // and the next open tries again.
        try {
            ExclusiveLock lock(*live);
            putBytesInto(*live, safetyCopy);
            removeMarker(marker);
        } catch (const StoreError&) {
            throw RestoreError(e, RestoreOutcome::LeftForUndo, safetyCopy);
        }
        throw RestoreError(e, RestoreOutcome::PutBack, safetyCopy);
    }
}

// The restore of a bank that is missing or cannot be read as a database
// (restoreBankFile): the file as it is goes to `safetyCopy`, byte for byte,
// and the source, brought up to date in a temporary file beside the bank,
// takes its place in one rename. Throws RestoreError (the bank unchanged).
void replaceBankFile(const QString& source, const QString& bank, const QString& safetyCopy)
{
    try {
        if (!safetyCopy.isEmpty()) {
            writeInPlace(safetyCopy, bank, true, [&](const QString& temporary) {
                QFile in(bank);
                QFile out(temporary);
                if (!in.open(QIODevice::ReadOnly)) {
                    throw StoreError(StoreErrorNumber::CannotOpen,
                                     u"不能读取文件“%1”：%2"_s.arg(native(bank), in.errorString()));
                }
                if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
                    throw cannotWrite(safetyCopy, out.errorString());
                const qint64 size = in.size();
                QByteArray buffer(kCopyChunk, Qt::Uninitialized);
                for (qint64 done = 0; done < size;) {
                    const qint64 n = in.read(buffer.data(), kCopyChunk);
                    if (n <= 0)
                        break;
                    if (out.write(buffer.constData(), n) != n)
                        throw writeFailure(safetyCopy, out, size - done);
                    done += n;
                }
                if (!out.flush() || !syncToDisk(out))
                    throw writeFailure(safetyCopy, out, 0);
            });
        }
        const qint64 usedBefore = safetyCopy.isEmpty() ? 0 : highestUsedIdentityOf(safetyCopy);
        // Not durable through writeInPlace: once the new bank is in its place, a
        // failure to sync the folder must not read as "nothing changed". The
        // file itself is on the disk before the rename.
        writeInPlace(bank, source, false, [&](const QString& temporary) {
            {
                DirectConnection from(source, DirectConnection::Mode::ReadOnly);
                from.exec(kMapWholeFile);
                copyFileBytes(from, temporary, bank, false);
            }
            {
                // A file nobody else knows yet: no journal needed.
                DirectConnection copy(temporary, DirectConnection::Mode::ReadWrite);
                copy.exec("PRAGMA journal_mode = OFF");
                bringUpToDate(copy, usedBefore);
            }
            QFile written(temporary);
            if (!written.open(QIODevice::ReadWrite) || !syncToDisk(written))
                throw writeFailure(bank, written, 0);
            // The journal of the file replaced would be played back over the new one.
            QFile::remove(bank + u"-journal"_s);
        });
        syncFolder(QFileInfo(bank).absolutePath());
    } catch (const RestoreError&) {
        throw;
    } catch (const StoreError& e) {
        throw RestoreError(e, RestoreOutcome::BankUnchanged, {});
    }
}

} // namespace

RestoreError::RestoreError(const StoreError& failure, RestoreOutcome what, const QString& copy)
    : StoreError(failure), outcome(what), safetyCopy(copy)
{
    switch (what) {
    case RestoreOutcome::BankUnchanged:
        text += u"\n题库没有任何改动。"_s;
        break;
    case RestoreOutcome::PutBack:
        text += u"\n恢复没有完成，题库已经用恢复前的安全副本“%1”还原为恢复前的样子。"_s.arg(native(copy));
        break;
    case RestoreOutcome::LeftForUndo:
        text += u"\n恢复没有完成，题库可能只恢复了一部分。恢复前的安全副本保存在“%1”，"
                u"下次打开题库时程序会自动用它还原题库。"_s.arg(native(copy));
        break;
    }
}

void backupBankFile(const QString& bank, const QString& target, bool durable)
{
    if (isSameFile(bank, target))
        throw sameFileError(target);
    undoInterruptedRestore(bank);
    // What copies killed before left beside the target and the bank.
    removeStaleTemporaries(QFileInfo(target).absolutePath(),
                           QRegularExpression(QRegularExpression::escape(QFileInfo(target).fileName())));
    removeStaleTemporaries(QFileInfo(bank).absolutePath(), restoreFamily(bank));
    DirectConnection source(bank, DirectConnection::Mode::ReadOnly);
    source.exec(kMapWholeFile);
    // Written through to the disk only when asked: a copy is as durable as
    // one made by `cp` unless something relies on it.
    writeInPlace(target, bank, durable,
                 [&](const QString& temporary) { copyFileBytes(source, temporary, target, durable); });
}

QString restoreMarkerPath(const QString& bank)
{
    const QFileInfo info(bank);
    return info.absolutePath() + u'/' + info.completeBaseName() + u"-恢复中.txt"_s;
}

bool restoreBankFile(const QString& source, const QString& bank, const QString& safetyCopy)
{
    if (isSameFile(source, bank))
        throw RestoreError(sameFileError(source), RestoreOutcome::BankUnchanged, {});
    removeStaleTemporaries(QFileInfo(bank).absolutePath(), restoreFamily(bank));
    // A restore that was cut off before is undone first: the bank it left
    // is no state worth keeping a copy of. Without a safety copy to undo it
    // from, this restore goes ahead: it replaces all of it anyway.
    try {
        undoInterruptedRestore(bank);
    } catch (const StoreError& e) {
        if (e.number != StoreErrorNumber::NotABank)
            throw RestoreError(e, RestoreOutcome::BankUnchanged, {});
    }
    if (!QFileInfo(bank).isFile()) {
        if (QFileInfo::exists(bank)) {
            throw RestoreError(StoreError(StoreErrorNumber::CannotOpen,
                                          u"“%1”不是一个文件，不能把题库恢复到那里。"_s.arg(native(bank))),
                               RestoreOutcome::BankUnchanged, {});
        }
        replaceBankFile(source, bank, {});
        return false;
    }
    // What a writer killed on the way left half done is rolled back first:
    // the copy below runs without a journal, so SQLite would not do it then.
    rollBackCrashedWrite(bank);
    try {
        restoreInPlace(source, bank, safetyCopy);
    } catch (const UnreadableBank&) {
        // Not a database SQLite can write into page by page: replaced as a
        // file, kept aside as it is.
        replaceBankFile(source, bank, safetyCopy);
    }
    return true;
}

std::optional<QString> undoInterruptedRestore(const QString& bank)
{
    const QString marker = restoreMarkerPath(bank);
    if (!QFileInfo::exists(marker) || !QFileInfo(bank).isFile())
        return std::nullopt;
    DirectConnection live(bank, DirectConnection::Mode::ReadWrite);
    // A restore still under way holds this lock until its marker is gone.
    ExclusiveLock lock(live);
    if (!QFileInfo::exists(marker))
        return std::nullopt;
    const QString copy = safetyCopyNamedIn(marker);
    QString why = u"恢复标记“%1”没有写明安全副本"_s.arg(native(marker));
    if (!copy.isEmpty() && isBankFile(copy, &why))
        why.clear();
    if (!why.isEmpty()) {
        throw StoreError(StoreErrorNumber::NotABank,
                         u"题库文件“%1”上一次恢复时中断了，可能已经损坏，而它恢复前的安全副本不能使用（%2）。"
                         u"请用一份备份恢复题库。"_s.arg(native(bank), why));
    }
    putBytesInto(live, copy);
    // A journal beside the bank belongs to no content it now has.
    QFile::remove(bank + u"-journal"_s);
    removeMarker(marker);
    noticeBank(u"题库文件“%1”上一次恢复时中断了。已经用恢复前的安全副本“%2”把题库还原为恢复前的样子。"_s.arg(
        native(bank), native(copy)));
    return copy;
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

struct IndexDefinition
{
    QString name;
    QString sql; // the statement that made it, as the bank keeps it
};

// The indexes of 数学题库 that take appended questions all over their keys:
// those led by a knowledge level. A question is appended after the last of
// its key in each index, and the knowledge paths are thousands, so every
// appended question lands on another page of these indexes; the other
// indexes (type, difficulty, person, numbers) take appended questions at a
// few places each, which stay in the page cache.
std::vector<IndexDefinition> scatteredIndexes(BankConnection& c)
{
    std::vector<IndexDefinition> out;
    QSqlQuery q = c.exec(
        u"SELECT m.name, m.sql FROM main.sqlite_master AS m "
        u"JOIN pragma_index_info(m.name) AS i ON i.seqno = 0 "
        u"WHERE m.type = 'index' AND m.tbl_name = ? AND m.sql IS NOT NULL "
        u"AND i.name IN (?, ?, ?) ORDER BY m.name"_s,
        {BankTables::questions, QuestionColumns::level1, QuestionColumns::level2, QuestionColumns::level3});
    while (q.next())
        out.push_back({q.value(0).toString(), q.value(1).toString()});
    return out;
}

// A merge appending about as many questions as the bank holds builds the
// scattered indexes anew. Filled question by question they take a page of
// each per question, and once they and the bodies streaming through outgrow
// the page cache, their pages are written out and read back again and again:
// a merge of 100,000 questions into as many wrote six times as many pages
// that way. Building sorts each index once and writes each page once. A
// small merge into a large bank would sort the whole bank again for little.
bool rebuildsIndexes(qint64 appending, qint64 existing)
{
    return appending >= 2 * kMergeBatch && appending * 2 >= existing;
}

// The statement `sql` (CREATE INDEX ...) made to create its index in the
// bank, not in the attached source that has a table of the same name.
QString inMainSchema(const QString& sql)
{
    const qsizetype at = sql.indexOf(u"INDEX"_s, 0, Qt::CaseInsensitive);
    if (at < 0)
        return sql;
    QString out = sql;
    out.insert(at + 5, u" main."_s);
    return out;
}

// Appends to the bank's `table` the rows of the attached source's that it
// lacks, comparing `columns` as the bank's columns compare (Latin letters
// without case; an empty value only equals an empty one), each missing row
// once, in the source's order. The identifier (编号) is the bank's own.
// Returns how many were added.
qint64 addMissingRows(BankConnection& c, const QString& src, const QString& table, const QStringList& columns)
{
    QStringList quoted;
    QStringList fromSource;
    QStringList same;
    for (const QString& column : columns) {
        quoted << quotedName(column);
        fromSource << u"s."_s + quotedName(column);
        same << u"m."_s + quotedName(column) + u" IS s."_s + quotedName(column);
    }
    const QString list = quoted.join(u", "_s);
    // INSERT ... SELECT reads the rows it appends to only once they are all
    // chosen, so a name the source holds twice is grouped here.
    QSqlQuery q = c.exec(u"INSERT INTO main."_s + quotedName(table) + u" ("_s + list + u") SELECT "_s +
                         fromSource.join(u", "_s) + u" FROM "_s + src + u'.' + quotedName(table) +
                         u" AS s WHERE NOT EXISTS (SELECT 1 FROM main."_s + quotedName(table) +
                         u" AS m WHERE "_s + same.join(u" AND "_s) + u") GROUP BY "_s +
                         fromSource.join(u", "_s) + u" ORDER BY min(s.rowid)"_s);
    return q.numRowsAffected();
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
    // Every appended row updates the indexes of 数学题库 it does not build
    // anew. With the small default page cache the bodies streaming through
    // would push the index pages out again and again; a larger cache for
    // this one connection (and reading both files through a memory map)
    // keeps them at hand, and lets CREATE INDEX sort in memory.
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
            const qint64 existing = firstInteger(c.exec(u"SELECT count(*) FROM main."_s + questions));
            if (total > std::numeric_limits<qint64>::max() - std::max<qint64>(counter, 0) ||
                total > std::numeric_limits<qint64>::max() - base) {
                throw StoreError(StoreErrorNumber::TypeMismatch, u"题目编号超出了可以表示的范围。"_s);
            }

            result.addedPaths = addMissingRows(
                c, src, BankTables::knowledgePoints,
                {KnowledgeColumns::level1, KnowledgeColumns::level2, KnowledgeColumns::level3});
            result.addedTypes = addMissingRows(c, src, BankTables::questionTypes, {TypeColumns::name});

            // Dropped and made again inside the transaction: a failure on
            // the way rolls them back with the appended questions.
            std::vector<IndexDefinition> rebuilt;
            if (rebuildsIndexes(total, existing))
                rebuilt = scatteredIndexes(c);
            for (const IndexDefinition& index : rebuilt)
                c.exec(u"DROP INDEX main."_s + quotedName(index.name));

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
            for (const IndexDefinition& index : rebuilt)
                c.exec(inMainSchema(index.sql));
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
