#include "store/BankStore.h"

#include "store/BankConnection.h"
#include "store/ProgramDirectory.h"

#include <QDir>
#include <QSqlRecord>
#include <algorithm>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString kQuestionTable = u"数学题库"_s;
const QString kQuestionNumberColumn = u"题目编号"_s;

// No ORDER BY: the keys are sorted after reading. Asking the engine for rowid
// order would make it walk the table itself, whose rows carry the bodies of
// the questions; without it the engine answers from the smallest fitting
// index, several times faster on a large bank.
QString selectRowids(const TableQuery& query)
{
    return u"SELECT rowid FROM "_s + quotedName(query.table) + whereClause(query.where);
}

QString columnList(const QStringList& columns)
{
    QStringList quoted;
    quoted.reserve(columns.size());
    for (const QString& c : columns)
        quoted << quotedName(c);
    return quoted.join(u", "_s);
}

QString setList(const FieldValues& values, QVariantList* params)
{
    QStringList assignments;
    for (const auto& [column, value] : values) {
        assignments << quotedName(column) + u" = ?"_s;
        params->append(value);
    }
    return assignments.join(u", "_s);
}

StoreError noSuchTable(const BankConnection& c, const QString& table)
{
    return StoreError(1, u"题库文件“%1”中没有表“%2”。"_s.arg(QDir::toNativeSeparators(c.path()), table));
}

} // namespace

// ---------------------------------------------------------------------------
// TableQuery

QString TableQuery::displayText() const
{
    QString text = u"select * from "_s + table;
    if (where.trimmed().isEmpty())
        return text;
    text += u" where "_s;
    qsizetype next = 0;
    bool inLiteral = false;
    for (const QChar ch : where) {
        if (ch == u'\'')
            inLiteral = !inLiteral;
        if (ch == u'?' && !inLiteral) {
            const QString value = next < params.size() ? params.at(next).toString() : QString();
            ++next;
            text += u'\'' + value + u'\'';
        } else {
            text += ch;
        }
    }
    return text;
}

// ---------------------------------------------------------------------------
// Recordset

struct Recordset::Impl
{
    // Declared first so that it is released last, after the statements below.
    std::shared_ptr<BankConnection> connection;
    QString table;
    QStringList columns;
    std::vector<qint64> keys;
    qsizetype pos = 0;
    // The current row was deleted through this result: its key is already gone
    // from `keys`, and `pos` names the row after it.
    bool onDeletedRow = false;

    std::optional<QSqlQuery> readQuery;
    mutable bool loaded = false;
    mutable bool missing = false;
    mutable QVariantList row;

    bool atBof() const { return !onDeletedRow && (keys.empty() || pos < 0); }
    bool atEof() const { return !onDeletedRow && (keys.empty() || pos >= qsizetype(keys.size())); }
    bool hasKey() const { return !onDeletedRow && pos >= 0 && pos < qsizetype(keys.size()); }

    void moveTo(qsizetype p)
    {
        onDeletedRow = false;
        loaded = false;
        row.clear();
        pos = std::clamp<qsizetype>(p, -1, qsizetype(keys.size()));
    }

    StoreError noCurrentRow() const
    {
        if (onDeletedRow || (hasKey() && missing))
            return StoreError(StoreErrorNumber::NoCurrentRow, u"当前记录已被删除。"_s);
        return StoreError(StoreErrorNumber::NoCurrentRow, u"没有当前记录：已在第一条记录之前或最后一条记录之后。"_s);
    }

    void load()
    {
        if (loaded)
            return;
        if (!readQuery) {
            readQuery = connection->prepare(u"SELECT "_s + columnList(columns) + u" FROM "_s + quotedName(table) +
                                            u" WHERE rowid = ?"_s);
        }
        connection->run(*readQuery, {keys[size_t(pos)]});
        missing = !readQuery->next();
        row.clear();
        if (!missing) {
            const QSqlRecord r = readQuery->record();
            for (int i = 0; i < r.count(); ++i)
                row << r.value(i);
        }
        // A statement left open would hold a read lock on the file.
        readQuery->finish();
        loaded = true;
    }

    // Reads the current row when needed; false when there is none.
    bool current()
    {
        if (!hasKey())
            return false;
        load();
        return !missing;
    }
};

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

bool Recordset::isOpen() const
{
    return d != nullptr;
}

void Recordset::close()
{
    d.reset();
}

namespace {
StoreError closedRecordset()
{
    return StoreError(StoreErrorNumber::NoCurrentRow, u"结果集已关闭。"_s);
}
} // namespace

int Recordset::recordCount() const
{
    return d ? int(d->keys.size()) : 0;
}

bool Recordset::bof() const
{
    return !d || d->atBof();
}

bool Recordset::eof() const
{
    return !d || d->atEof();
}

int Recordset::position() const
{
    return d ? int(d->pos) : -1;
}

void Recordset::moveFirst()
{
    if (d)
        d->moveTo(d->keys.empty() ? -1 : 0);
}

void Recordset::moveLast()
{
    if (d)
        d->moveTo(qsizetype(d->keys.size()) - 1);
}

void Recordset::moveNext()
{
    if (!d)
        return;
    // After a delete through this result the next row already sits at pos.
    d->moveTo(d->onDeletedRow ? d->pos : d->pos + 1);
}

void Recordset::movePrevious()
{
    if (d)
        d->moveTo(d->pos - 1);
}

void Recordset::moveFromFirst(int n)
{
    if (d)
        d->moveTo(d->keys.empty() ? -1 : qsizetype(n));
}

QStringList Recordset::columnNames() const
{
    return d ? d->columns : QStringList();
}

QVariant Recordset::field(const QString& column) const
{
    if (!d)
        throw closedRecordset();
    const qsizetype i = d->columns.indexOf(column);
    if (i < 0) {
        // Column names compare without case, as the rest of the bank does.
        for (qsizetype j = 0; j < d->columns.size(); ++j) {
            if (d->columns.at(j).compare(column, Qt::CaseInsensitive) == 0)
                return field(int(j));
        }
        throw StoreError(StoreErrorNumber::NoSuchField, u"表“%1”中没有列“%2”。"_s.arg(d->table, column));
    }
    return field(int(i));
}

QVariant Recordset::field(int position) const
{
    if (!d)
        throw closedRecordset();
    if (position < 0 || position >= d->columns.size()) {
        throw StoreError(StoreErrorNumber::NoSuchField,
                         u"表“%1”没有第 %2 列（共 %3 列）。"_s.arg(d->table).arg(position).arg(d->columns.size()));
    }
    if (!d->current())
        throw d->noCurrentRow();
    return d->row.at(position);
}

bool Recordset::isDeleted() const
{
    if (!d)
        return false;
    if (d->onDeletedRow)
        return true;
    if (!d->hasKey())
        return false;
    d->load();
    return d->missing;
}

void Recordset::update(const FieldValues& values)
{
    if (!d)
        throw closedRecordset();
    if (!d->hasKey())
        throw d->noCurrentRow();
    if (values.empty())
        return;
    QVariantList params;
    const QString sql = u"UPDATE "_s + quotedName(d->table) + u" SET "_s + setList(values, &params) +
                        u" WHERE rowid = ?"_s;
    params << d->keys[size_t(d->pos)];
    QSqlQuery q = d->connection->exec(sql, params);
    const bool changed = q.numRowsAffected() > 0;
    d->loaded = false;
    if (!changed) {
        d->missing = true;
        throw d->noCurrentRow();
    }
}

void Recordset::deleteCurrent()
{
    if (!d)
        throw closedRecordset();
    if (!d->hasKey())
        throw d->noCurrentRow();
    QSqlQuery q = d->connection->exec(u"DELETE FROM "_s + quotedName(d->table) + u" WHERE rowid = ?"_s,
                                      {d->keys[size_t(d->pos)]});
    const bool deleted = q.numRowsAffected() > 0;
    if (!deleted) {
        d->loaded = true;
        d->missing = true;
        throw d->noCurrentRow();
    }
    d->keys.erase(d->keys.begin() + d->pos);
    d->onDeletedRow = true;
    d->loaded = false;
    d->row.clear();
}

// ---------------------------------------------------------------------------
// BankStore

BankStore::BankStore(std::shared_ptr<BankConnection> c) : c_(std::move(c)) {}
BankStore::BankStore(BankStore&&) noexcept = default;
BankStore& BankStore::operator=(BankStore&&) noexcept = default;
BankStore::~BankStore() = default;

BankStore BankStore::openBank()
{
    return openExternalBank(bankFilePath());
}

BankStore BankStore::openExternalBank(const QString& path)
{
    auto c = std::make_shared<BankConnection>(path, BankConnection::Mode::ReadWrite);
    const QString mismatch = c->bankMismatch();
    if (!mismatch.isEmpty()) {
        throw StoreError(StoreErrorNumber::NotABank,
                         u"文件“%1”不是题库文件：%2。"_s.arg(QDir::toNativeSeparators(path), mismatch));
    }
    return BankStore(std::move(c));
}

QString BankStore::path() const
{
    return c_->path();
}

Recordset BankStore::openTable(const QString& table)
{
    return open(TableQuery{table, {}, {}});
}

Recordset BankStore::open(const TableQuery& query)
{
    const QStringList& columns = c_->columns(query.table);
    if (columns.isEmpty())
        throw noSuchTable(*c_, query.table);

    auto impl = std::make_unique<Recordset::Impl>();
    impl->connection = c_;
    impl->table = query.table;
    impl->columns = columns;
    {
        QSqlQuery q = c_->exec(selectRowids(query), query.params);
        while (q.next())
            impl->keys.push_back(q.value(0).toLongLong());
    }
    std::sort(impl->keys.begin(), impl->keys.end()); // stored order
    impl->pos = impl->keys.empty() ? -1 : 0;

    Recordset r;
    r.d = std::move(impl);
    return r;
}

std::vector<QVariantList> BankStore::readAll(const TableQuery& query)
{
    const QStringList& columns = c_->columns(query.table);
    if (columns.isEmpty())
        throw noSuchTable(*c_, query.table);
    QSqlQuery q = c_->exec(u"SELECT "_s + columnList(columns) + u" FROM "_s + quotedName(query.table) +
                               whereClause(query.where) + u" ORDER BY rowid"_s,
                           query.params);
    std::vector<QVariantList> rows;
    while (q.next()) {
        QVariantList row;
        row.reserve(columns.size());
        for (int i = 0; i < columns.size(); ++i)
            row << q.value(i);
        rows.push_back(std::move(row));
    }
    return rows;
}

QStringList BankStore::distinctValues(const TableQuery& query, const QString& column)
{
    // GROUP BY follows the column's collation, so values that differ only in
    // the case of Latin letters count as one, as they compare equal.
    const QString col = quotedName(column);
    QSqlQuery q = c_->exec(u"SELECT "_s + col + u" FROM "_s + quotedName(query.table) + whereClause(query.where) +
                               u" GROUP BY "_s + col + u" ORDER BY MIN(rowid)"_s,
                           query.params);
    QStringList values;
    while (q.next())
        values << q.value(0).toString();
    return values;
}

int BankStore::count(const TableQuery& query)
{
    QSqlQuery q = c_->exec(u"SELECT COUNT(*) FROM "_s + quotedName(query.table) + whereClause(query.where),
                           query.params);
    return q.next() ? q.value(0).toInt() : 0;
}

void BankStore::append(const QString& table, const FieldValues& values)
{
    if (values.empty()) {
        c_->exec(u"INSERT INTO "_s + quotedName(table) + u" DEFAULT VALUES"_s);
        return;
    }
    QStringList columns;
    QStringList marks;
    QVariantList params;
    for (const auto& [column, value] : values) {
        columns << column;
        marks << u"?"_s;
        params << value;
    }
    c_->exec(u"INSERT INTO "_s + quotedName(table) + u" ("_s + columnList(columns) + u") VALUES ("_s +
                 marks.join(u", "_s) + u')',
             params);
}

int BankStore::deleteWhere(const TableQuery& query)
{
    QSqlQuery q = c_->exec(u"DELETE FROM "_s + quotedName(query.table) + whereClause(query.where), query.params);
    return q.numRowsAffected();
}

int BankStore::updateWhere(const TableQuery& query, const FieldValues& values)
{
    if (values.empty())
        return count(query);
    QVariantList params;
    const QString sets = setList(values, &params);
    params += query.params;
    QSqlQuery q = c_->exec(u"UPDATE "_s + quotedName(query.table) + u" SET "_s + sets + whereClause(query.where),
                           params);
    return q.numRowsAffected();
}

std::optional<QVariant> BankStore::lastValue(const TableQuery& query, const QString& column)
{
    QSqlQuery q = c_->exec(u"SELECT "_s + quotedName(column) + u" FROM "_s + quotedName(query.table) +
                               whereClause(query.where) + u" ORDER BY rowid DESC LIMIT 1"_s,
                           query.params);
    if (!q.next())
        return std::nullopt;
    return q.value(0);
}

int BankStore::questionCount()
{
    return count(TableQuery{kQuestionTable, {}, {}});
}

void BankStore::inTransaction(const std::function<void()>& work)
{
    c_->begin();
    try {
        work();
        c_->commit();
    } catch (...) {
        c_->rollback();
        throw;
    }
}

// ---------------------------------------------------------------------------

qint64 nextQuestionNumber(BankStore& store)
{
    // Only the row appended last counts, not the largest number: a number the
    // user chose is followed, and a deleted last question's number comes back.
    const std::optional<QVariant> last = store.lastValue(TableQuery{kQuestionTable, {}, {}}, kQuestionNumberColumn);
    if (!last)
        return 1;
    const QString stored = last->toString();
    bool ok = false;
    const qint64 n = stored.trimmed().toLongLong(&ok, 10);
    if (!ok || n == std::numeric_limits<qint64>::max()) {
        throw StoreError(StoreErrorNumber::TypeMismatch,
                         u"类型不匹配：最后一道题的题目编号“%1”不是整数。"_s.arg(stored));
    }
    return n + 1;
}
