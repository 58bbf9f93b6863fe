#pragma once

// Internal to src/store: one SQLite connection to one file. Everything that
// knows about the engine (URIs, pragmas, rowid, error codes) lives behind this
// class and the .cpp files of this folder.

#include "store/BankStore.h"

#include <functional>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <QUtf8StringView>
#include <QVariantList>
#include <vector>

struct sqlite3;

class BankConnection
{
public:
    enum class Mode {
        ReadWrite, // an existing file; never created
        ReadOnly,  // an existing file, for checks that must not change it
        Create,    // a new file
    };

    // Opens `path`. Throws StoreError when the file cannot be opened.
    BankConnection(const QString& path, Mode mode);
    ~BankConnection();
    BankConnection(const BankConnection&) = delete;
    BankConnection& operator=(const BankConnection&) = delete;

    const QString& path() const { return path_; }

    // Prepares `sql`, binds `params` in order and runs it; the query is
    // forward-only. Throws StoreError on failure.
    QSqlQuery exec(const QString& sql, const QVariantList& params = {});
    // Prepares `sql` for repeated use. Throws StoreError on failure.
    QSqlQuery prepare(const QString& sql);
    // Binds and runs a query made by prepare(). Throws StoreError on failure.
    void run(QSqlQuery& query, const QVariantList& params);
    // Like exec(), for a statement this connection runs again and again: it
    // is prepared once and kept. The query is finished before it is run
    // again; the caller reads it before the next use of the same text.
    QSqlQuery& execCached(const QString& sql, const QVariantList& params = {});

    // Runs a statement without parameters and hands each row to `row` as the
    // UTF-8 text of its first `columns` columns (a null value is empty). The
    // views are valid during the call only: nothing is copied that the
    // caller does not copy, for reads of many rows. Throws StoreError.
    void forEachTextRow(const QString& sql, int columns,
                        const std::function<void(const QUtf8StringView* texts)>& row);
    // The first column of every row as an integer, `params` bound in order.
    // Throws StoreError.
    std::vector<qint64> integers(const QString& sql, const QVariantList& params);

    // The application id and the columns of a table in table order (empty
    // when there is no such table). Column lists are cached per connection.
    int applicationId();
    const QStringList& columns(const QString& table);

    // Checks that the file is a bank: the application id and the four tables
    // with their columns in order. Returns an empty string when it is, else the
    // reason. Engine errors (not a database at all, locked) throw StoreError.
    QString bankMismatch();

    // Makes sure the file is a bank, as openBank() needs it, and brings a bank
    // of an earlier version up to date. The full check runs once per file
    // and process, and again whenever the file has changed since (another
    // program wrote it, or put another file in its place). Throws StoreError
    // (NotABank with the reason) when it is not a bank.
    void ensureBank();
    // This connection has written to the file. When it closes, the file's
    // new state is taken as checked: our own writes keep it a bank.
    void noteWritten() { wrote_ = true; }

    // A StoreError for an engine error on this file.
    StoreError error(const QSqlError& e) const;

    void begin();
    void commit();
    void rollback();
    // Runs `work` between begin() and commit(); rolls back when it throws.
    void transaction(const std::function<void()>& work);

private:
    sqlite3* handle() const;
    StoreError rawError(sqlite3* db, int code) const;

    QString path_;
    QString name_;
    QSqlDatabase db_;
    QHash<QString, QStringList> columns_;
    QHash<QString, QSqlQuery> cached_;
    bool checked_ = false;
    bool wrote_ = false;
    quint64 checkedInode_ = 0;
};

// Forgets which files were checked, so that the next open checks again (tests).
void forgetCheckedBanks();
// How many full bank-file checks this process has run (tests).
int fullBankChecks();

// Quotes a table or column name for a statement. Names come from the program,
// never from the user; quoting keeps Chinese names and keywords safe anyway.
QString quotedName(const QString& name);

// The statement pieces shared by the store's queries: " WHERE <where>" or nothing.
QString whereClause(const QString& where);

// How long a statement waits for another connection's lock before it fails.
int bankBusyTimeoutMs();

// Tells the user through the handler of setBankNoticeHandler.
void noticeBank(const QString& text);

// A writer killed in the middle of a transaction leaves its journal beside
// the file, and only a connection that may write rolls it back: a read-only
// one fails on such a file (SQLITE_READONLY_ROLLBACK) and the file would
// look like no bank at all. Rolls back such a journal, as the next writer
// would, when there is one; a file that cannot be written is left to the
// read-only open to report.
void rollBackCrashedWrite(const QString& path);

// The URI SQLite opens `path` by (absolute, escaped), with mode=rw, ro or rwc.
QString sqliteUri(const QString& path, const char* mode);
// A StoreError for SQLite's result `code` on the file `path`: the program's
// text for it, and the engine's own text when there is one.
StoreError engineError(int code, const QString& path, const QString& engineText = {});
