#include "store/BankMerge.h"

#include "store/BankBackup.h"
#include "store/BankConnection.h"
#include "store/BankSchema.h"
#include "store/BankTables.h"
#include "store/FileErrors.h"
#include "store/PlatformFiles.h"
#include "store/SqliteText.h"

#include <cmath>
#include <limits>
#include <QDir>
#include <QSqlQuery>
#include <QStringList>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

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

    // Opened as the store opens a bank: a restore cut off before is undone first.
    undoInterruptedRestore(bank);
    BankConnection c(bank, BankConnection::Mode::ReadWrite);
    ensureBank(c);
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
