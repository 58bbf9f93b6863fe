#include "store/BankSchema.h"

#include "store/BankConnection.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

const std::vector<std::pair<QString, QStringList>>& bankTableColumns()
{
    static const std::vector<std::pair<QString, QStringList>> tables = {
        {u"数学题库"_s,
         {u"题目编号"_s, u"题型"_s, u"知识点一"_s, u"知识点二"_s, u"知识点三"_s, u"难度"_s, u"内容"_s,
          u"答案"_s, u"是否中考题"_s, u"录入人"_s, u"录入时间"_s}},
        {u"知识点表"_s, {u"编号"_s, u"第一知识点"_s, u"第二知识点"_s, u"第三知识点"_s}},
        {u"题型表"_s, {u"编号"_s, u"题型"_s}},
        {u"登录表"_s, {u"姓名"_s, u"口令"_s, u"人员类型"_s}},
    };
    return tables;
}

namespace {

// Every text column compares Latin letters without case, as the Jet engine did.
// 口令 holds a password hash, compared in code, so it keeps the binary collation.
const char16_t* const kSchema[] = {
    uR"(CREATE TABLE "数学题库" (
        "题目编号" TEXT COLLATE NOCASE,
        "题型" TEXT COLLATE NOCASE,
        "知识点一" TEXT COLLATE NOCASE,
        "知识点二" TEXT COLLATE NOCASE,
        "知识点三" TEXT COLLATE NOCASE,
        "难度" TEXT COLLATE NOCASE,
        "内容" TEXT COLLATE NOCASE,
        "答案" TEXT COLLATE NOCASE,
        "是否中考题" TEXT COLLATE NOCASE,
        "录入人" TEXT COLLATE NOCASE,
        "录入时间" TEXT COLLATE NOCASE))",
    // The searches compare these columns for equality, always together with
    // 题型<>'A'. Without an index every search would walk the whole table,
    // bodies included; with 题型 in each index a search reads the index only.
    // A knowledge point chosen in the tree comes with the levels above it,
    // often with a type or a difficulty: the knowledge point indexes hold all
    // of these.
    uR"(CREATE INDEX "数学题库_题型" ON "数学题库" ("题型"))",
    uR"(CREATE INDEX "数学题库_知识点一_题型_难度" ON "数学题库" ("知识点一", "题型", "难度"))",
    uR"(CREATE INDEX "数学题库_知识点二_一_题型_难度" ON "数学题库" ("知识点二", "知识点一", "题型", "难度"))",
    uR"(CREATE INDEX "数学题库_知识点三_二_一_题型_难度" ON "数学题库" (
        "知识点三", "知识点二", "知识点一", "题型", "难度"))",
    uR"(CREATE INDEX "数学题库_难度_题型" ON "数学题库" ("难度", "题型"))",
    uR"(CREATE INDEX "数学题库_是否中考题_题型" ON "数学题库" ("是否中考题", "题型"))",
    uR"(CREATE INDEX "数学题库_录入人_题型" ON "数学题库" ("录入人", "题型"))",
    uR"(CREATE INDEX "数学题库_录入时间_题型" ON "数学题库" ("录入时间", "题型"))",
    uR"(CREATE INDEX "数学题库_题目编号_题型" ON "数学题库" ("题目编号", "题型"))",
    uR"(CREATE TABLE "知识点表" (
        "编号" INTEGER PRIMARY KEY AUTOINCREMENT,
        "第一知识点" TEXT COLLATE NOCASE,
        "第二知识点" TEXT COLLATE NOCASE,
        "第三知识点" TEXT COLLATE NOCASE))",
    // The knowledge tree and the classification export read the paths in
    // name order, level by level.
    uR"(CREATE INDEX "知识点表_路径" ON "知识点表" ("第一知识点", "第二知识点", "第三知识点"))",
    uR"(CREATE TABLE "题型表" (
        "编号" INTEGER PRIMARY KEY AUTOINCREMENT,
        "题型" TEXT COLLATE NOCASE))",
    uR"(CREATE TABLE "登录表" (
        "姓名" TEXT COLLATE NOCASE,
        "口令" TEXT,
        "人员类型" TEXT COLLATE NOCASE))",
};

// Row identities of 数学题库 are never given out twice: SQLite would give the
// largest deleted rowid to the next insert, and a result kept open by a
// window would then show a new question in place of the deleted one. The
// table keeps its eleven columns; the highest identity ever deleted is kept
// beside it, and appends take the next one above both (see BankStore).
const char16_t* const kRowIdentitySchema[] = {
    uR"(CREATE TABLE IF NOT EXISTS "数学题库_行号" ("已删除最大行号" INTEGER NOT NULL))",
    uR"(INSERT INTO "数学题库_行号" SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM "数学题库_行号"))",
    uR"(CREATE TRIGGER IF NOT EXISTS "数学题库_删除" AFTER DELETE ON "数学题库" BEGIN
        UPDATE "数学题库_行号" SET "已删除最大行号" = max("已删除最大行号", OLD.rowid);
    END)",
};

// What banks made by earlier versions lack; added when such a bank is opened.
const char16_t* const kUpgrades[] = {
    uR"(CREATE INDEX IF NOT EXISTS "知识点表_路径" ON "知识点表" ("第一知识点", "第二知识点", "第三知识点"))",
    uR"(CREATE INDEX IF NOT EXISTS "数学题库_知识点一_题型_难度" ON "数学题库" ("知识点一", "题型", "难度"))",
    uR"(DROP INDEX IF EXISTS "数学题库_知识点一")",
    uR"(DROP INDEX IF EXISTS "数学题库_知识点一_题型")",
    uR"(CREATE INDEX IF NOT EXISTS "数学题库_知识点二_一_题型_难度" ON "数学题库" (
        "知识点二", "知识点一", "题型", "难度"))",
    uR"(DROP INDEX IF EXISTS "数学题库_知识点二")",
    uR"(DROP INDEX IF EXISTS "数学题库_知识点二_题型")",
    uR"(CREATE INDEX IF NOT EXISTS "数学题库_知识点三_二_一_题型_难度" ON "数学题库" (
        "知识点三", "知识点二", "知识点一", "题型", "难度"))",
    uR"(DROP INDEX IF EXISTS "数学题库_知识点三")",
    uR"(DROP INDEX IF EXISTS "数学题库_知识点三_题型")",
    uR"(CREATE INDEX IF NOT EXISTS "数学题库_难度_题型" ON "数学题库" ("难度", "题型"))",
    uR"(DROP INDEX IF EXISTS "数学题库_难度")",
    uR"(CREATE INDEX IF NOT EXISTS "数学题库_是否中考题_题型" ON "数学题库" ("是否中考题", "题型"))",
    uR"(DROP INDEX IF EXISTS "数学题库_是否中考题")",
    uR"(CREATE INDEX IF NOT EXISTS "数学题库_录入人_题型" ON "数学题库" ("录入人", "题型"))",
    uR"(DROP INDEX IF EXISTS "数学题库_录入人")",
    uR"(CREATE INDEX IF NOT EXISTS "数学题库_录入时间_题型" ON "数学题库" ("录入时间", "题型"))",
    uR"(DROP INDEX IF EXISTS "数学题库_录入时间")",
    uR"(CREATE INDEX IF NOT EXISTS "数学题库_题目编号_题型" ON "数学题库" ("题目编号", "题型"))",
    uR"(DROP INDEX IF EXISTS "数学题库_题目编号")",
};

template <std::size_t N> void runAll(BankConnection& c, const char16_t* const (&statements)[N])
{
    for (const char16_t* statement : statements)
        c.exec(QString::fromUtf16(statement));
}

} // namespace

void createBankFile(const QString& path)
{
    bool created = false;
    try {
        BankConnection c(path, BankConnection::Mode::Create);
        created = true;
        c.exec(u"PRAGMA application_id = %1"_s.arg(kBankApplicationId));
        c.transaction([&] {
            runAll(c, kSchema);
            runAll(c, kRowIdentitySchema);
        });
    } catch (...) {
        // A half-made bank is worse than none: the next attempt would refuse it.
        if (created)
            QFile::remove(path);
        throw;
    }
}

BankFileState checkBankFile(const QString& path, QString* why)
{
    if (!isBankFile(path, why))
        return BankFileState::NotABank;
    QString reason;
    try {
        BankConnection c(path, BankConnection::Mode::ReadOnly);
        // The first problem is enough to refuse the file; quick_check reads
        // every page but leaves out the slow comparison of indexes with rows.
        QSqlQuery q = c.exec(u"PRAGMA quick_check(1)"_s);
        const QString result = q.next() ? q.value(0).toString() : QString();
        if (result != u"ok"_s)
            reason = u"数据库检查未通过：%1"_s.arg(result.simplified());
    } catch (const StoreError& e) {
        reason = e.text;
    } catch (...) {
        reason = u"无法读取该文件"_s;
    }
    if (why)
        *why = reason;
    return reason.isEmpty() ? BankFileState::Sound : BankFileState::Damaged;
}

bool isBankFile(const QString& path, QString* why)
{
    QString reason;
    if (!QFileInfo(path).isFile()) {
        reason = u"文件不存在"_s;
    } else {
        try {
            BankConnection c(path, BankConnection::Mode::ReadOnly);
            reason = c.bankMismatch();
        } catch (const StoreError& e) {
            reason = e.number == StoreErrorNumber::NotABank ? u"不是数据库文件"_s : e.text;
        } catch (...) {
            reason = u"无法读取该文件"_s;
        }
    }
    if (why)
        *why = reason;
    return reason.isEmpty();
}

bool bankIsCurrent(BankConnection& c)
{
    // The newest of the additions; a bank that has it has them all.
    QSqlQuery q = c.exec(u"SELECT count(*) FROM sqlite_master WHERE name IN (?, ?, ?, ?, ?)"_s,
                         {u"数学题库_行号"_s, u"数学题库_删除"_s, u"知识点表_路径"_s,
                          u"数学题库_题目编号_题型"_s, u"数学题库_知识点三_二_一_题型_难度"_s});
    return q.next() && q.value(0).toInt() == 5;
}

void upgradeBank(BankConnection& c)
{
    c.transaction([&] {
        for (const QString& statement : bankUpgradeStatements())
            c.exec(statement);
    });
}

QStringList bankUpgradeStatements()
{
    QStringList out;
    for (const char16_t* statement : kRowIdentitySchema)
        out << QString::fromUtf16(statement);
    for (const char16_t* statement : kUpgrades)
        out << QString::fromUtf16(statement);
    return out;
}
