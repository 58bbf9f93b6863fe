#pragma once

// Internal to src/store: one SQLite connection to one file. Everything that
// knows about the engine (URIs, pragmas, rowid, error codes) lives behind this
// class and the .cpp files of this folder.

#include "store/BankStore.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

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

    // The application id and the columns of a table in table order (empty
    // when there is no such table). Column lists are cached per connection.
    int applicationId();
    const QStringList& columns(const QString& table);

    // Checks that the file is a bank: the application id and the four tables
    // with their columns in order. Returns an empty string when it is, else the
    // reason. Engine errors (not a database at all, locked) throw StoreError.
    QString bankMismatch();

    // A StoreError for an engine error on this file.
    StoreError error(const QSqlError& e) const;

    void begin();
    void commit();
    void rollback();

private:
    QString path_;
    QString name_;
    QSqlDatabase db_;
    QHash<QString, QStringList> columns_;
};

// Quotes a table or column name for a statement. Names come from the program,
// never from the user; quoting keeps Chinese names and keywords safe anyway.
QString quotedName(const QString& name);

// The statement pieces shared by the store's queries: " WHERE <where>" or nothing.
QString whereClause(const QString& where);

// How long a statement waits for another connection's lock before it fails.
int bankBusyTimeoutMs();
