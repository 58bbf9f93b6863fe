#include "store/BankStore.h"

#include "store/BankConnection.h"
#include "store/BankTables.h"
#include "store/NameOrder.h"
#include "store/ProgramDirectory.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <QCollatorSortKey>
#include <QDir>
#include <QSqlRecord>

using namespace Qt::StringLiterals;

namespace {

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

// Every row of a forward-only query, its first `columns` values each.
std::vector<QVariantList> rowsOf(QSqlQuery& q, int columns)
{
    std::vector<QVariantList> rows;
    while (q.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row << q.value(i);
        rows.push_back(std::move(row));
    }
    return rows;
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
        return StoreError(StoreErrorNumber::NoCurrentRow,
                          u"没有当前记录：已在第一条记录之前或最后一条记录之后。"_s);
    }

    void load()
    {
        if (loaded)
            return;
        if (!readQuery) {
            readQuery = connection->prepare(u"SELECT "_s + columnList(columns) + u" FROM "_s +
                                            quotedName(table) + u" WHERE rowid = ?"_s);
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
        throw StoreError(
            StoreErrorNumber::NoSuchField,
            u"表“%1”没有第 %2 列（共 %3 列）。"_s.arg(d->table).arg(position).arg(d->columns.size()));
    }
    if (!d->current())
        throw d->noCurrentRow();
    return d->row.at(position);
}

QVariantList Recordset::values() const
{
    if (!d)
        throw closedRecordset();
    if (!d->current())
        throw d->noCurrentRow();
    return d->row;
}

qint64 Recordset::currentId() const
{
    return d && d->hasKey() ? d->keys[size_t(d->pos)] : -1;
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
    const QString sql =
        u"UPDATE "_s + quotedName(d->table) + u" SET "_s + setList(values, &params) + u" WHERE rowid = ?"_s;
    params << d->keys[size_t(d->pos)];
    d->connection->noteWritten();
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
    d->connection->noteWritten();
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
    c->ensureBank();
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
    impl->keys = c_->integers(selectRowids(query), query.params);
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
    return rowsOf(q, int(columns.size()));
}

QStringList BankStore::distinctValues(const TableQuery& query, const QString& column)
{
    // GROUP BY follows the column's collation, so values that differ only in
    // the case of Latin letters count as one, as they compare equal.
    const QString col = quotedName(column);
    QSqlQuery q = c_->exec(u"SELECT "_s + col + u" FROM "_s + quotedName(query.table) +
                               whereClause(query.where) + u" GROUP BY "_s + col + u" ORDER BY MIN(rowid)"_s,
                           query.params);
    QStringList values;
    while (q.next())
        values << q.value(0).toString();
    return values;
}

QStringList BankStore::sortedDistinctValues(const TableQuery& query, const QString& column)
{
    QStringList values;
    for (const QVariantList& row : sortedRows(query, {column}, true))
        values << row.at(0).toString();
    return values;
}

std::vector<QVariantList> BankStore::sortedRows(const TableQuery& query, const QStringList& columns,
                                                bool distinct)
{
    const QString list = columnList(columns);
    // GROUP BY follows the columns' collation, so rows differing only in the
    // case of Latin letters count as one, and it walks an index that starts
    // with these columns. No ORDER BY: the name order is ICU's, applied below,
    // and it is total, so the order rows come in does not matter.
    QString sql = u"SELECT "_s + list + u" FROM "_s + quotedName(query.table) + whereClause(query.where);
    if (distinct)
        sql += u" GROUP BY "_s + list;
    QSqlQuery q = c_->exec(sql, query.params);
    std::vector<QVariantList> rows = rowsOf(q, int(columns.size()));
    NameOrder::sortRows(rows);
    return rows;
}

int BankStore::count(const TableQuery& query)
{
    QSqlQuery q = c_->exec(u"SELECT COUNT(*) FROM "_s + quotedName(query.table) + whereClause(query.where),
                           query.params);
    return q.next() ? q.value(0).toInt() : 0;
}

qint64 BankStore::append(const QString& table, const FieldValues& values)
{
    QStringList columns;
    QStringList marks;
    QVariantList params;
    if (table == BankTables::questions) {
        // Above every identity in use and every one ever deleted.
        columns << u"rowid"_s;
        marks << u"(SELECT max(ifnull((SELECT max(rowid) FROM \"数学题库\"), 0), \"已删除最大行号\") + 1 "
                 u"FROM \"数学题库_行号\")"_s;
    }
    for (const auto& [column, value] : values) {
        columns << quotedName(column);
        marks << u"?"_s;
        params << value;
    }
    c_->noteWritten();
    const QString sql = columns.isEmpty()
                            ? u"INSERT INTO "_s + quotedName(table) + u" DEFAULT VALUES"_s
                            : u"INSERT INTO "_s + quotedName(table) + u" ("_s + columns.join(u", "_s) +
                                  u") VALUES ("_s + marks.join(u", "_s) + u')';
    QSqlQuery& q = c_->execCached(sql, params);
    const qint64 id = q.lastInsertId().toLongLong();
    q.finish();
    return id;
}

int BankStore::deleteWhere(const TableQuery& query)
{
    c_->noteWritten();
    QSqlQuery q =
        c_->exec(u"DELETE FROM "_s + quotedName(query.table) + whereClause(query.where), query.params);
    return q.numRowsAffected();
}

int BankStore::updateWhere(const TableQuery& query, const FieldValues& values)
{
    if (values.empty())
        return count(query);
    QVariantList params;
    const QString sets = setList(values, &params);
    params += query.params;
    c_->noteWritten();
    QSqlQuery q = c_->exec(
        u"UPDATE "_s + quotedName(query.table) + u" SET "_s + sets + whereClause(query.where), params);
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
    return count(TableQuery{BankTables::questions, {}, {}});
}

void BankStore::inTransaction(const std::function<void()>& work)
{
    c_->noteWritten();
    c_->transaction(work);
}

// ---------------------------------------------------------------------------
// Typed rows

qint64 BankStore::appendQuestion(const QuestionRecord& question)
{
    return append(BankTables::questions, question.fields());
}

std::vector<QuestionRecord> BankStore::questions(const QString& where, const QVariantList& params)
{
    std::vector<QuestionRecord> out;
    for (const QVariantList& row : readAll({BankTables::questions, where, params}))
        out.push_back(QuestionRecord::fromRow(row));
    return out;
}

std::optional<QuestionRecord> BankStore::question(qint64 id)
{
    const auto rows = readAll({BankTables::questions, u"rowid = ?"_s, {id}});
    if (rows.empty())
        return std::nullopt;
    return QuestionRecord::fromRow(rows.front());
}

qint64 BankStore::appendKnowledgePath(const KnowledgePath& path)
{
    return append(BankTables::knowledgePoints, path.fields());
}

std::vector<KnowledgePath> BankStore::knowledgePaths()
{
    std::vector<KnowledgePath> out;
    for (const QVariantList& row : readAll({BankTables::knowledgePoints, {}, {}}))
        out.push_back(KnowledgePath::fromRow(row));
    return out;
}

std::vector<KnowledgePath> BankStore::knowledgePathsInNameOrder()
{
    // The tree reads every path each time a window opens. The rows come
    // grouped, so a level-1 or level-2 name is mostly the one of the row
    // before: it is kept, not read again. Those names are ranked once each;
    // level-3 names are only ever compared inside their level-2 group, so
    // the sort compares two numbers first and collation keys only there.
    const QString list =
        columnList({KnowledgeColumns::level1, KnowledgeColumns::level2, KnowledgeColumns::level3});
    struct Cell
    {
        QByteArray utf8;
        QString text;
        int slot = -1;
    };
    struct Row
    {
        int level1;
        int level2;
        QCollatorSortKey key3;
        KnowledgePath path;
    };
    Cell last[2];
    std::vector<Row> rows;
    // One allocation for the rows: the table's size bounds the distinct paths.
    rows.reserve(std::size_t(count({BankTables::knowledgePoints, {}, {}})));
    NameOrder::Ranks ranks;
    c_->forEachTextRow(u"SELECT DISTINCT "_s + list + u" FROM "_s + quotedName(BankTables::knowledgePoints),
                       3, [&](const QUtf8StringView* texts) {
                           for (int level = 0; level < 2; ++level) {
                               Cell& cell = last[level];
                               const QUtf8StringView t = texts[level];
                               if (cell.slot >= 0 &&
                                   QByteArrayView(cell.utf8) == QByteArrayView(t.data(), t.size()))
                                   continue;
                               cell.utf8 = QByteArray(t.data(), t.size());
                               cell.text = t.toString();
                               cell.slot = ranks.add(cell.text);
                           }
                           QString level3 = texts[2].toString();
                           QCollatorSortKey key3 = NameOrder::sortKey(level3);
                           rows.push_back({last[0].slot,
                                           last[1].slot,
                                           std::move(key3),
                                           {last[0].text, last[1].text, std::move(level3)}});
                       });
    ranks.rank();
    for (Row& r : rows) {
        r.level1 = ranks.rankOf(r.level1);
        r.level2 = ranks.rankOf(r.level2);
    }
    std::sort(rows.begin(), rows.end(), [](const Row& x, const Row& y) {
        if (x.level1 != y.level1)
            return x.level1 < y.level1;
        if (x.level2 != y.level2)
            return x.level2 < y.level2;
        const int c = x.key3.compare(y.key3);
        return c != 0 ? c < 0 : x.path.level3.compare(y.path.level3) < 0;
    });
    std::vector<KnowledgePath> out;
    out.reserve(rows.size());
    for (Row& r : rows)
        out.push_back(std::move(r.path));
    return out;
}

qint64 BankStore::appendQuestionType(const QString& name)
{
    return append(BankTables::questionTypes, QuestionType{0, name}.fields());
}

std::vector<QuestionType> BankStore::questionTypes()
{
    std::vector<QuestionType> out;
    for (const QVariantList& row : readAll({BankTables::questionTypes, {}, {}}))
        out.push_back(QuestionType::fromRow(row));
    return out;
}

void BankStore::appendUser(const UserRecord& user)
{
    append(BankTables::users, user.fields());
}

std::vector<UserRecord> BankStore::users(const QString& where, const QVariantList& params)
{
    std::vector<UserRecord> out;
    for (const QVariantList& row : readAll({BankTables::users, where, params}))
        out.push_back(UserRecord::fromRow(row));
    return out;
}

std::vector<StoredUser> BankStore::storedUsers()
{
    return storedUsersWhere({}, {});
}

std::vector<StoredUser> BankStore::storedUsersNamed(const QString& name)
{
    // 姓名 is declared COLLATE NOCASE: "=" compares Latin letters without case.
    return storedUsersWhere(quotedName(UserColumns::name) + u" = ?"_s, {name});
}

std::vector<StoredUser> BankStore::storedUsersWhere(const QString& where, const QVariantList& params)
{
    const QStringList& columns = c_->columns(BankTables::users);
    if (columns.isEmpty())
        throw noSuchTable(*c_, BankTables::users);
    QSqlQuery q = c_->exec(u"SELECT rowid, "_s + columnList(columns) + u" FROM "_s +
                               quotedName(BankTables::users) + whereClause(where) + u" ORDER BY rowid"_s,
                           params);
    std::vector<StoredUser> out;
    for (QVariantList& row : rowsOf(q, int(columns.size()) + 1)) {
        const qint64 id = row.takeFirst().toLongLong();
        out.push_back({id, UserRecord::fromRow(row)});
    }
    return out;
}

bool BankStore::updateUser(qint64 id, const UserRecord& user)
{
    return updateWhere({BankTables::users, u"rowid = ?"_s, {id}}, user.fields()) > 0;
}

int BankStore::deleteUsers(const std::vector<qint64>& ids)
{
    if (ids.empty())
        return 0;
    // One statement: the rows go together or not at all.
    QStringList marks;
    QVariantList params;
    for (const qint64 id : ids) {
        marks << u"?"_s;
        params << id;
    }
    return deleteWhere({BankTables::users, u"rowid IN ("_s + marks.join(u", "_s) + u')', params});
}

// ---------------------------------------------------------------------------

std::optional<QString> numberAfter(const QString& number)
{
    const QString t = number.trimmed();
    bool ok = false;
    // Whole numbers exactly, as far as they go; anything else as a double.
    const qint64 whole = t.toLongLong(&ok, 10);
    if (ok && whole < std::numeric_limits<qint64>::max())
        return QString::number(whole + 1);
    const double value = t.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double next = value + 1;
    if (!std::isfinite(next))
        return std::nullopt;
    if (next == std::floor(next) && std::fabs(next) < 1e21)
        return QString::number(next, 'f', 0);
    return QString::number(next, 'g', 15);
}

QString nextQuestionNumber(BankStore& store)
{
    // Only the row appended last counts, not the largest number: a number the
    // user chose is followed, and a deleted last question's number comes back.
    const std::optional<QVariant> last =
        store.lastValue(TableQuery{BankTables::questions, {}, {}}, QuestionColumns::number);
    if (!last)
        return u"1"_s;
    const QString stored = last->toString();
    const std::optional<QString> next = numberAfter(stored);
    if (!next) {
        throw StoreError(StoreErrorNumber::TypeMismatch,
                         u"类型不匹配：最后一道题的题目编号“%1”不是数字。"_s.arg(stored));
    }
    return *next;
}
