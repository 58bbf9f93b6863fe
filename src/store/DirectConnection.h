#pragma once

// Internal to src/store: a connection of SQLite's own for the work on whole
// bank files (backup, restore), which needs what Qt's driver does not offer:
// the backup interface, and SQLite's own handle of the file for reading,
// writing and locking it. Such a connection lives only inside one operation.

#include "store/StoreError.h"

#include <QList>
#include <QString>
#include <QtGlobal>

struct sqlite3;
struct sqlite3_file;

class DirectConnection
{
public:
    enum class Mode { ReadOnly, ReadWrite };

    // Opens the existing file `path`; a read-only connection first rolls back
    // what a writer killed on the way left (rollBackCrashedWrite). Throws StoreError.
    DirectConnection(const QString& path, Mode mode);
    ~DirectConnection();
    DirectConnection(const DirectConnection&) = delete;
    DirectConnection& operator=(const DirectConnection&) = delete;

    sqlite3* handle() const { return db_; }
    const QString& path() const { return path_; }

    // A StoreError for SQLite's result `rc` on this connection.
    StoreError error(int rc) const;
    // An error of SQLite's file layer: the connection's own message is not
    // set by calls made straight on the file.
    StoreError fileError(int rc) const;

    // Runs statements without values. Throws StoreError.
    void exec(const char* sql);
    // Runs `sql` with `values` bound in order. Throws StoreError.
    void run(const QString& sql, const QList<qint64>& values = {});
    // The first column of the first row of `sql` as text (empty when there is none).
    QString text(const char* sql);
    // The first column of the first row of `sql`, or `otherwise` when there is no row or it is NULL.
    qint64 integer(const QString& sql, qint64 otherwise = 0);

    // SQLite's own handle of the file, for reading and writing it whole
    // without opening it apart from SQLite: closing another handle of the
    // file would drop the locks this process holds on it.
    sqlite3_file* file();

private:
    QString path_;
    sqlite3* db_ = nullptr;
};

// The exclusive lock on a bank file, taken on SQLite's own handle of it as a
// writer takes it (shared, reserved, exclusive), so that it keeps out every
// other connection, in this process or another, without SQLite reading the
// file first: the file may be half written. Waits for other connections as
// long as a statement would.
class ExclusiveLock
{
public:
    explicit ExclusiveLock(DirectConnection& c);
    ~ExclusiveLock();
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

private:
    sqlite3_file* file_;
};

// Lets SQLite read a file through a memory map of all of it (up to 4 GB).
inline constexpr const char* kMapWholeFile = "PRAGMA mmap_size = 4294967296";

// Writes the bytes of the file `from` holds open (a bank) into the file
// `to`, which is to become `shownAs`; with `durable`, on the disk before
// this returns. The caller holds a lock that keeps writers out.
void writeBytesOf(DirectConnection& from, const QString& to, const QString& shownAs, bool durable);

// Copies the bytes of the bank file of `from` into the file `to`, in one read
// transaction: SQLite's shared lock keeps every writer out until the copy is
// whole, so it is one committed state of the bank (banks keep no write-ahead
// log). The bytes are read through SQLite's own handle of the file, because
// opening and closing the file apart from it would drop the process's locks.
void copyFileBytes(DirectConnection& from, const QString& to, const QString& shownAs, bool durable);

// Writes the file `copy` over the bank file SQLite holds open as `into`,
// byte for byte, and forces it onto the disk. The caller holds the bank's
// exclusive lock.
void putBytesInto(DirectConnection& into, const QString& copy);

// Copies the file `from` into the file `to` (which is to become `shownAs`)
// as plain files, and forces the copy onto the disk: for a file SQLite
// cannot read as a database.
void copyPlainFile(const QString& from, const QString& to, const QString& shownAs);
