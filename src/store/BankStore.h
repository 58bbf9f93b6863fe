#pragma once

#include "store/BankRecords.h"

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <utility>
#include <vector>

// A failure of the bank store: the engine's error number and its text. It is
// thrown by every store operation and reported in one place (the window layer
// catches it at the end of the user's action, shows it, and the program goes on).
struct StoreError : std::exception
{
    int number = 0;
    QString text;

    StoreError(int n, QString t) : number(n), text(std::move(t)) {}
    const char* what() const noexcept override { return "bank store error"; }
};

// Error numbers the store gives itself. Engine failures carry SQLite's primary
// result code (5 locked, 8 read-only, ...); the first two below coincide with
// it on purpose. 13 is the old "type mismatch" number the users know; SQLite
// uses 13 for a full disk, and the text tells the two apart.
namespace StoreErrorNumber {
constexpr int CannotOpen = 14;     // the file is missing or cannot be opened (SQLITE_CANTOPEN)
constexpr int NotABank = 26;       // the file is not a bank file (SQLITE_NOTADB)
constexpr int NoCurrentRow = 3021; // no current record (beginning or end of file, or deleted)
constexpr int NoSuchField = 3265;  // a column name or position that the table does not have
constexpr int TypeMismatch = 13;   // a value that does not convert (a question number that is not a number)
} // namespace StoreErrorNumber

// How long a statement waits for another connection's lock before it fails
// with a store error (default 5000 ms). Applies to connections opened later.
void setBankBusyTimeout(int ms);

// Where the store tells the user of something it did on its own that is no
// failure: a restore cut off earlier and undone when the bank was opened.
// Without a handler (an empty function) the text goes to standard error.
void setBankNoticeHandler(std::function<void(const QString& text)> handler);

// The condition of a query on one table, with its values bound separately:
// `where` holds "?" placeholders, `params` the values in order. An empty
// `where` selects every row.
struct TableQuery
{
    QString table;
    QString where;
    QVariantList params;

    // The statement's text as a reader would see it (values quoted in place);
    // for messages and tests only, never executed.
    QString displayText() const;
    bool operator==(const TableQuery&) const = default;
};

class BankConnection;

// An open result that behaves as a keyset cursor: opening it takes the
// identities of the matching rows in stored order; moving changes only a
// position; the current row is read by its identity when it is asked for, so a
// row deleted meanwhile shows as deleted and a changed row shows its new values.
// It keeps its connection open for as long as it lives.
class Recordset
{
public:
    Recordset();
    ~Recordset();
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;

    bool isOpen() const;
    void close();

    int recordCount() const;
    bool bof() const; // before the first row (or no rows)
    bool eof() const; // after the last row (or no rows)
    // Position of the current row, 0-based; -1 at BOF, recordCount() at EOF.
    int position() const;

    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    // Moves to the row `n` rows after the first one (0 is the first row); a
    // position outside the rows gives BOF or EOF.
    void moveFromFirst(int n);
    // moveNext at EOF stays at EOF and movePrevious at BOF stays at BOF. A row
    // deleted through this result leaves the result at the next move (a row
    // deleted through another connection stays, and reads as deleted).

    QStringList columnNames() const;
    // The current row's value by column name or by position. Throws StoreError
    // when there is no current row or the row has been deleted meanwhile.
    QVariant field(const QString& column) const;
    QVariant field(int position) const;
    QString text(const QString& column) const { return field(column).toString(); }
    QString text(int position) const { return field(position).toString(); }
    // Every value of the current row, in table order. Throws StoreError like field().
    QVariantList values() const;
    // The identity (rowid) of the current row; -1 when there is none.
    qint64 currentId() const;
    // True when the current row has been deleted since the result was opened.
    bool isDeleted() const;

    // Writes the given columns into the current row.
    void update(const FieldValues& values);
    // Deletes the current row; the position stays, the row then reads as deleted.
    void deleteCurrent();

private:
    friend class BankStore;
    struct Impl;
    std::unique_ptr<Impl> d;
};

// One connection to a bank file. Every action opens its own, uses it, and lets
// it go; results that windows keep between clicks hold the connection with them.
class BankStore
{
public:
    // The program's own bank: <program directory>/DATA/TiKu.mdb.
    static BankStore openBank();
    // Another bank file chosen by the user (a merge source).
    static BankStore openExternalBank(const QString& path);

    BankStore(BankStore&&) noexcept;
    BankStore& operator=(BankStore&&) noexcept;
    ~BankStore();

    QString path() const;

    // All rows of a table in stored order, as a keyset result.
    Recordset openTable(const QString& table);
    // The rows matching the query, in stored order, as a keyset result.
    Recordset open(const TableQuery& query);
    // Reads the matching rows once, in stored order, forward only; each row's
    // values by position.
    std::vector<QVariantList> readAll(const TableQuery& query);
    // The distinct values of one column of the matching rows, in order of first appearance.
    QStringList distinctValues(const TableQuery& query, const QString& column);
    // The distinct values of one column of the matching rows in name order
    // (NameOrder): pinyin, numbers as numbers. Values that differ only in the
    // case of Latin letters count as one, as they compare equal.
    QStringList sortedDistinctValues(const TableQuery& query, const QString& column);
    // The given columns of the matching rows, sorted in name order by the
    // first column, then the second, and so on; with `distinct`, each
    // combination of values once.
    std::vector<QVariantList> sortedRows(const TableQuery& query, const QStringList& columns, bool distinct);
    // Number of matching rows.
    int count(const TableQuery& query);
    // The value of one column in the last matching row in stored order, or
    // nullopt when no row matches. Reads that one row only.
    std::optional<QVariant> lastValue(const TableQuery& query, const QString& column);

    // Appends one row and returns its identity (rowid). An identity of
    // 数学题库 is never given out again once its row is deleted.
    qint64 append(const QString& table, const FieldValues& values);
    // Deletes every matching row and returns how many were deleted.
    int deleteWhere(const TableQuery& query);
    // Writes the given columns into every matching row and returns how many rows matched.
    int updateWhere(const TableQuery& query, const FieldValues& values);

    // The question count of the bank (rows of 数学题库).
    int questionCount();

    // Typed reads and appends. Reads return rows in stored order; `where`
    // and `params` select rows as in TableQuery (empty: every row).
    qint64 appendQuestion(const QuestionRecord& question);
    std::vector<QuestionRecord> questions(const QString& where = {}, const QVariantList& params = {});
    // The question with this identity, or nullopt when it does not exist (any more).
    std::optional<QuestionRecord> question(qint64 id);
    qint64 appendKnowledgePath(const KnowledgePath& path);
    std::vector<KnowledgePath> knowledgePaths();
    // Every distinct path, sorted in name order by level 1, 2, 3.
    std::vector<KnowledgePath> knowledgePathsInNameOrder();
    qint64 appendQuestionType(const QString& name);
    std::vector<QuestionType> questionTypes();
    void appendUser(const UserRecord& user);
    std::vector<UserRecord> users(const QString& where = {}, const QVariantList& params = {});
    // Every user with the row's identity, in stored order, so that a window
    // acts on exactly the row it read even where several rows share a name.
    std::vector<StoredUser> storedUsers();
    // The users called `name`, compared as the login compares names (Latin
    // letters without case, nothing trimmed), in stored order.
    std::vector<StoredUser> storedUsersNamed(const QString& name);
    // Writes `user` into the row with this identity; false when that row is
    // gone.
    bool updateUser(qint64 id, const UserRecord& user);
    // Deletes the rows with these identities; returns how many went.
    int deleteUsers(const std::vector<qint64>& ids);

    // Runs `work` as one transaction on this connection: its writes land
    // together, or (when it throws) not at all. Many appends in one
    // transaction are also far faster than one by one.
    void inTransaction(const std::function<void()>& work);

private:
    explicit BankStore(std::shared_ptr<BankConnection> c);
    std::vector<StoredUser> storedUsersWhere(const QString& where, const QVariantList& params);
    std::shared_ptr<BankConnection> c_;
};

// The number the next new question should carry: the number of the question
// appended last plus one, or "1" for an empty bank. The addition is numeric,
// as the bank always did: "12" gives "13", " 7 " gives "8", "12.5" gives
// "13.5"; a whole result is written without decimals. Throws StoreError when
// the last number does not read as a number.
QString nextQuestionNumber(BankStore& store);

// `number` plus one, written as nextQuestionNumber writes it; nullopt when
// `number` does not read as a finite number.
std::optional<QString> numberAfter(const QString& number);
