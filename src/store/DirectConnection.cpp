#include "store/DirectConnection.h"

#include "store/BankConnection.h"
#include "store/FileErrors.h"
#include "store/PlatformFiles.h"
#include "store/StoreSettings.h"

#include <algorithm>
#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kCopyChunk = 4 << 20;
// SQLite's file layer writes at most 0x1ffff bytes a call on Unix: a longer
// write is cut short and reported as a full disk. Whole files go through it
// in pieces no longer than this.
constexpr qsizetype kFileLayerPiece = 64 << 10;

StoreError cannotRead(const QString& path, const QString& why)
{
    return StoreError(StoreErrorNumber::CannotOpen,
                      u"不能读取文件“%1”：%2"_s.arg(QDir::toNativeSeparators(path), why));
}

} // namespace

// ---------------------------------------------------------------------------
// DirectConnection

DirectConnection::DirectConnection(const QString& path, Mode mode) : path_(path)
{
    if (!QFileInfo(path).isFile())
        throw StoreError(StoreErrorNumber::CannotOpen,
                         u"找不到文件“%1”。"_s.arg(QDir::toNativeSeparators(path)));
    if (mode == Mode::ReadOnly)
        rollBackCrashedWrite(path);
    const int flags =
        SQLITE_OPEN_URI | (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    const int rc = sqlite3_open_v2(sqliteUri(path, mode == Mode::ReadOnly ? "ro" : "rw").toUtf8().constData(),
                                   &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const StoreError e = error(rc);
        sqlite3_close_v2(db_);
        throw e;
    }
    sqlite3_busy_timeout(db_, bankBusyTimeoutMs());
}

DirectConnection::~DirectConnection()
{
    sqlite3_close_v2(db_);
}

StoreError DirectConnection::error(int rc) const
{
    const char* text = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    return engineError(rc, path_, QString::fromUtf8(text));
}

StoreError DirectConnection::fileError(int rc) const
{
    return engineError(rc, path_, QString::fromUtf8(sqlite3_errstr(rc)));
}

void DirectConnection::exec(const char* sql)
{
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw error(rc);
}

void DirectConnection::run(const QString& sql, const QList<qint64>& values)
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

sqlite3_file* DirectConnection::file()
{
    sqlite3_file* f = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &f) != SQLITE_OK || !f || !f->pMethods)
        throw engineError(SQLITE_IOERR, path_, u"无法读取文件"_s);
    return f;
}

QString DirectConnection::text(const char* sql)
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

qint64 DirectConnection::integer(const QString& sql, qint64 otherwise)
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

// ---------------------------------------------------------------------------
// ExclusiveLock

ExclusiveLock::ExclusiveLock(DirectConnection& c) : file_(c.file())
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

ExclusiveLock::~ExclusiveLock()
{
    file_->pMethods->xUnlock(file_, SQLITE_LOCK_NONE);
}

// ---------------------------------------------------------------------------
// Whole files

void writeBytesOf(DirectConnection& from, const QString& to, const QString& shownAs, bool durable)
{
    sqlite3_file* file = from.file();
    sqlite3_int64 size = 0;
    if (const int rc = file->pMethods->xFileSize(file, &size); rc != SQLITE_OK)
        throw from.fileError(rc);
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
                throw from.fileError(rc);
            if (out.write(buffer.constData(), n) != n)
                throw writeFailure(shownAs, out, size - offset);
        }
        // A copy that must reach the disk goes there while the rest is
        // copied: the final sync then waits for the last piece only.
        if (durable) {
            if (!out.flush())
                throw writeFailure(shownAs, out, size - offset);
            startWritingToDisk(out, offset, n);
        }
        offset += n;
    }
    if (!out.flush() || (durable && !syncToDisk(out)))
        throw writeFailure(shownAs, out, 0);
}

void copyFileBytes(DirectConnection& from, const QString& to, const QString& shownAs, bool durable)
{
    from.exec("BEGIN");
    try {
        // The first read takes the shared lock. A journal that a writer
        // killed on the way left was rolled back when `from` was opened.
        from.integer(u"SELECT count(*) FROM sqlite_master"_s);
        writeBytesOf(from, to, shownAs, durable);
    } catch (...) {
        sqlite3_exec(from.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    from.exec("COMMIT");
}

void putBytesInto(DirectConnection& into, const QString& copy)
{
    sqlite3_file* file = into.file();
    QFile in(copy);
    if (!in.open(QIODevice::ReadOnly))
        throw cannotRead(copy, in.errorString());
    const qint64 size = in.size();
    QByteArray buffer(kCopyChunk, Qt::Uninitialized);
    for (qint64 offset = 0; offset < size;) {
        const qint64 n = in.read(buffer.data(), std::min<qint64>(kCopyChunk, size - offset));
        if (n <= 0)
            throw cannotRead(copy, in.errorString());
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

void copyPlainFile(const QString& from, const QString& to, const QString& shownAs)
{
    QFile in(from);
    QFile out(to);
    if (!in.open(QIODevice::ReadOnly))
        throw cannotRead(from, in.errorString());
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw cannotWrite(shownAs, out.errorString());
    const qint64 size = in.size();
    QByteArray buffer(kCopyChunk, Qt::Uninitialized);
    for (qint64 done = 0; done < size;) {
        const qint64 n = in.read(buffer.data(), kCopyChunk);
        if (n <= 0)
            break;
        if (out.write(buffer.constData(), n) != n)
            throw writeFailure(shownAs, out, size - done);
        done += n;
    }
    if (!out.flush() || !syncToDisk(out))
        throw writeFailure(shownAs, out, 0);
}
