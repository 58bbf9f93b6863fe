// Creating bank files, telling them from other files, and the errors met when
// a bank cannot be opened or written.
#include "common/OrdinaryUser.h"
#include "common/TestBank.h"
#include "store/BankSchema.h"
#include "store/BankStore.h"
#include "store/ProgramDirectory.h"

#include <functional>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Runs statements on a file through a plain SQLite connection, the way
// another program would.
class RawConnection
{
public:
    explicit RawConnection(const QString& path)
    {
        static int counter = 0;
        name_ = u"raw-%1"_s.arg(++counter);
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name_);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
    }
    ~RawConnection()
    {
        QSqlDatabase::database(name_).close();
        QSqlDatabase::removeDatabase(name_);
    }
    void exec(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(name_));
        if (!q.exec(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    }

private:
    QString name_;
};

void rawExec(const QString& path, const QStringList& statements)
{
    RawConnection c(path);
    for (const QString& s : statements)
        c.exec(s);
}

QByteArray fingerprint(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

StoreError openError(const QString& path)
{
    return storeErrorOf([&] { BankStore::openExternalBank(path); });
}

} // namespace

class BankFileTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { setBankBusyTimeout(5000); }

    void createdBankIsRecognised();
    void createRefusesExistingFileAndMissingFolder();
    void otherFilesAreNotBanks_data();
    void otherFilesAreNotBanks();
    void missingBankIsNotCreated();
    void lockedBankFailsWithStoreError();
    void changedFileIsCheckedAgain();
    void olderBankIsBroughtUpToDate();
    void readOnlyBankFailsToWrite();
};

void BankFileTest::createdBankIsRecognised()
{
    TestBank bank;
    QString why = u"unset"_s;
    QVERIFY(isBankFile(bank.bankPath(), &why));
    QVERIFY(why.isEmpty());
    QCOMPARE(bank.store().questionCount(), 0);
    QCOMPARE(BankStore::openBank().path(), bankFilePath());

    // The tables and columns are exactly the bank's, in order.
    BankStore store = bank.store();
    for (const auto& [table, columns] : bankTableColumns())
        QCOMPARE(store.openTable(table).columnNames(), columns);
    QCOMPARE(bankTableColumns().size(), size_t(4));
    QCOMPARE(bankTableColumns()[0].second.size(), 11);

    // A bank holding data is still one (the check reads only the schema).
    bank.addQuestion();
    bank.addUser(u"admin"_s, u"admin123"_s, u"超级管理"_s);
    QVERIFY(isBankFile(bank.bankPath()));
}

void BankFileTest::createRefusesExistingFileAndMissingFolder()
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(u"有内容.mdb"_s);
    writeFile(existing, "keep me");
    const StoreError refused = storeErrorOf([&] { createBankFile(existing); });
    QVERIFY2(refused.text.contains(QDir::toNativeSeparators(existing)), qPrintable(refused.text));
    QFile f(existing);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("keep me"));

    // An existing bank is not replaced either.
    TestBank bank;
    bank.addQuestion();
    QVERIFY_THROWS_EXCEPTION(StoreError, createBankFile(bank.bankPath()));
    QCOMPARE(bank.store().questionCount(), 1);

    const QString inMissingFolder = dir.filePath(u"没有/TiKu.mdb"_s);
    QVERIFY_THROWS_EXCEPTION(StoreError, createBankFile(inMissingFolder));
    QVERIFY(!QFileInfo::exists(dir.filePath(u"没有"_s)));
}

void BankFileTest::otherFilesAreNotBanks_data()
{
    QTest::addColumn<std::function<void(const QString&)>>("make");
    QTest::addColumn<QString>("reason");

    QTest::newRow("empty file") << std::function([](const QString& p) { writeFile(p, {}); }) << u"标记"_s;
    QTest::newRow("text file") << std::function([](const QString& p) {
        writeFile(p, QByteArray("姓名,口令\nadmin,admin123\n").repeated(200));
    }) << u"不是数据库"_s;
    QTest::newRow("another program's database") << std::function([](const QString& p) {
        rawExec(p, {u"CREATE TABLE notes (id INTEGER PRIMARY KEY, text TEXT)"_s,
                    u"INSERT INTO notes (text) VALUES ('hello')"_s});
    }) << u"标记"_s;
    QTest::newRow("bank tables without the mark") << std::function([](const QString& p) {
        createBankFile(p);
        rawExec(p, {u"PRAGMA application_id = 0"_s});
    }) << u"标记"_s;
    QTest::newRow("missing table") << std::function([](const QString& p) {
        createBankFile(p);
        rawExec(p, {u"DROP TABLE 登录表"_s});
    }) << u"登录表"_s;
    QTest::newRow("missing column") << std::function([](const QString& p) {
        createBankFile(p);
        rawExec(p, {u"ALTER TABLE 数学题库 DROP COLUMN 答案"_s});
    }) << u"数学题库"_s;
    QTest::newRow("extra column") << std::function([](const QString& p) {
        createBankFile(p);
        rawExec(p, {u"ALTER TABLE 登录表 ADD COLUMN 备注 TEXT"_s});
    }) << u"登录表"_s;
    QTest::newRow("columns in another order") << std::function([](const QString& p) {
        createBankFile(p);
        rawExec(p, {u"DROP TABLE 题型表"_s, u"CREATE TABLE 题型表 (题型 TEXT, 编号 INTEGER)"_s});
    }) << u"题型表"_s;
}

void BankFileTest::otherFilesAreNotBanks()
{
    QFETCH(std::function<void(const QString&)>, make);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"其他 文件.mdb"_s);
    make(path);
    const QByteArray before = fingerprint(path);

    QString why;
    QVERIFY(!isBankFile(path, &why));
    QVERIFY2(why.contains(reason), qPrintable(why));

    const StoreError e = openError(path);
    QCOMPARE(e.number, StoreErrorNumber::NotABank);
    QVERIFY2(e.text.contains(QDir::toNativeSeparators(path)), qPrintable(e.text));
    QVERIFY2(e.text.contains(u"不是题库文件"_s), qPrintable(e.text));

    // Neither the check nor the failed opening changed the file.
    QCOMPARE(fingerprint(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"其他 文件.mdb"_s});
}

void BankFileTest::missingBankIsNotCreated()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"DATA/TiKu.mdb"_s);
    QDir(dir.path()).mkpath(u"DATA"_s);

    QString why;
    QVERIFY(!isBankFile(path, &why));
    QVERIFY(why.contains(u"不存在"_s));

    setProgramDirectory(dir.path());
    const StoreError e = storeErrorOf([] { BankStore::openBank(); });
    QCOMPARE(e.number, StoreErrorNumber::CannotOpen);
    QVERIFY2(e.text.contains(QDir::toNativeSeparators(path)), qPrintable(e.text));
    setProgramDirectory(QString());
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY_THROWS_EXCEPTION(StoreError, BankStore::openExternalBank(dir.path())); // a folder
}

void BankFileTest::lockedBankFailsWithStoreError()
{
    TestBank bank;
    bank.addQuestion();
    setBankBusyTimeout(50);

    {
        // Another program in the middle of a write: reading still works,
        // writing fails once the wait is over.
        RawConnection other(bank.bankPath());
        other.exec(u"BEGIN IMMEDIATE"_s);
        BankStore store = bank.store();
        QCOMPARE(store.questionCount(), 1);
        const StoreError e = storeErrorOf([&] { bank.addQuestion(); });
        QCOMPARE(e.number, 5);
        QVERIFY2(e.text.contains(u"锁定"_s), qPrintable(e.text));
        QVERIFY2(e.text.contains(QDir::toNativeSeparators(bank.bankPath())), qPrintable(e.text));
        other.exec(u"ROLLBACK"_s);
    }
    {
        // Another program holding the file exclusively: reading fails too,
        // also on a store opened before and for the reads of many rows.
        BankStore opened = bank.store();
        RawConnection other(bank.bankPath());
        other.exec(u"BEGIN EXCLUSIVE"_s);
        QCOMPARE(storeErrorOf([&] { bank.store().questionCount(); }).number, 5);
        for (const StoreError& e :
             {storeErrorOf([&] {
                  opened.open({u"数学题库"_s, {Condition::equal(u"题型"_s, u"选择题"_s)}});
              }),
              storeErrorOf([&] { opened.knowledgePathsInNameOrder(); })}) {
            QCOMPARE(e.number, 5);
            QVERIFY2(e.text.contains(u"锁定"_s), qPrintable(e.text));
            QVERIFY2(e.text.contains(QDir::toNativeSeparators(bank.bankPath())), qPrintable(e.text));
        }
        forgetCheckedBanks();
        QCOMPARE(openError(bank.bankPath()).number, 5);
        other.exec(u"ROLLBACK"_s);
    }
    // Once the other program lets go, everything works again.
    bank.addQuestion();
    QCOMPARE(bank.store().questionCount(), 2);
}

void BankFileTest::changedFileIsCheckedAgain()
{
    // The full check runs once per file state: whatever changes the file
    // from outside (another program's statement, another file moved into its
    // place) is seen at the next open.
    TestBank bank;
    bank.addQuestion();
    QCOMPARE(bank.store().questionCount(), 1);
    // Opening again, and the program's own writes, need no new check.
    const int checks = fullBankChecks();
    bank.addQuestion();
    bank.store().deleteWhere({u"数学题库"_s, {Condition::equal(u"题目编号"_s, u"2"_s)}});
    QCOMPARE(bank.store().questionCount(), 1);
    QCOMPARE(fullBankChecks(), checks);

    rawExec(bank.bankPath(), {u"ALTER TABLE 题型表 RENAME TO 旧题型表"_s});
    StoreError e = openError(bank.bankPath());
    QCOMPARE(e.number, StoreErrorNumber::NotABank);
    QVERIFY2(e.text.contains(u"题型表"_s), qPrintable(e.text));
    rawExec(bank.bankPath(), {u"ALTER TABLE 旧题型表 RENAME TO 题型表"_s});
    QCOMPARE(bank.store().questionCount(), 1);

    const QString other = bank.programDir() + u"/other.db"_s;
    rawExec(other, {u"CREATE TABLE t (x)"_s});
    QVERIFY(QFile::remove(bank.bankPath()));
    QVERIFY(QFile::rename(other, bank.bankPath()));
    QCOMPARE(openError(bank.bankPath()).number, StoreErrorNumber::NotABank);
}

void BankFileTest::olderBankIsBroughtUpToDate()
{
    // A bank made before the path index, the search indexes with 题型 and
    // the record of deleted row identities keeps its rows and gains them all
    // when it is opened.
    TestBank bank;
    bank.addQuestion({.number = u"1"_s});
    bank.addQuestion({.number = u"2"_s});
    QStringList older{u"DROP TRIGGER 数学题库_删除"_s, u"DROP TABLE 数学题库_行号"_s,
                      u"DROP INDEX 知识点表_路径"_s};
    for (const QString& column : {u"难度"_s, u"是否中考题"_s, u"录入人"_s, u"录入时间"_s, u"题目编号"_s}) {
        older << u"DROP INDEX 数学题库_%1_题型"_s.arg(column)
              << u"CREATE INDEX 数学题库_%1 ON 数学题库 (%1)"_s.arg(column);
    }
    // The knowledge point indexes once held their own level only.
    older << u"DROP INDEX 数学题库_知识点一_题型_难度"_s << u"DROP INDEX 数学题库_知识点二_一_题型_难度"_s
          << u"DROP INDEX 数学题库_知识点三_二_一_题型_难度"_s
          << u"CREATE INDEX 数学题库_知识点一_题型 ON 数学题库 (知识点一, 题型)"_s
          << u"CREATE INDEX 数学题库_知识点二_题型 ON 数学题库 (知识点二, 题型)"_s
          << u"CREATE INDEX 数学题库_知识点三 ON 数学题库 (知识点三)"_s;
    rawExec(bank.bankPath(), older);
    forgetCheckedBanks();
    BankStore store = bank.store();
    Recordset kept = store.openTable(u"数学题库"_s);
    kept.moveLast();
    const qint64 lastId = kept.currentId();
    kept.deleteCurrent();
    QVERIFY(store.appendQuestion(TestQuestion{.number = u"3"_s}.record()) > lastId);
    QCOMPARE(store.questionCount(), 2);

    // A search on one column reads that column's index with 题型, and the
    // older index is gone.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"plan"_s);
        db.setDatabaseName(bank.bankPath());
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(u"EXPLAIN QUERY PLAN SELECT rowid FROM 数学题库 WHERE 题型<>'A' AND 难度='B'"_s) &&
                q.next());
        QVERIFY2(q.value(3).toString().contains(u"COVERING INDEX 数学题库_难度_题型"_s),
                 qPrintable(q.value(3).toString()));
        // A knowledge point with the levels above it, a type and a
        // difficulty reads one index only.
        const QString levels[] = {u"知识点一='a'"_s, u"知识点二='b'"_s, u"知识点三='c'"_s};
        const QString indexes[] = {u"数学题库_知识点一_题型_难度"_s, u"数学题库_知识点二_一_题型_难度"_s,
                                   u"数学题库_知识点三_二_一_题型_难度"_s};
        QString where = u"题型<>'A' AND 题型='t' AND 难度='d'"_s;
        for (int level = 0; level < 3; ++level) {
            where += u" AND "_s + levels[level];
            QVERIFY(q.exec(u"EXPLAIN QUERY PLAN SELECT rowid FROM 数学题库 WHERE "_s + where) && q.next());
            QVERIFY2(q.value(3).toString().contains(u"COVERING INDEX "_s + indexes[level]),
                     qPrintable(q.value(3).toString()));
        }
        QVERIFY(
            q.exec(
                u"SELECT count(*) FROM sqlite_master WHERE name IN ('数学题库_难度', '数学题库_知识点一_题型', '数学题库_知识点二_题型', '数学题库_知识点三')"_s) &&
            q.next());
        QCOMPARE(q.value(0).toInt(), 0);
    }
    QSqlDatabase::removeDatabase(u"plan"_s);
}

void BankFileTest::readOnlyBankFailsToWrite()
{
    TestBank bank;
    bank.addQuestion();
    QFile file(bank.bankPath());
    QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    const QString data = QFileInfo(bank.bankPath()).path();
    {
        OrdinaryUser user({QFileInfo(data).path(), data, bank.bankPath()});
        QFile probe(bank.bankPath());
        QVERIFY(!probe.open(QIODevice::ReadWrite));

        BankStore store = bank.store();
        QCOMPARE(store.questionCount(), 1); // reading works
        const StoreError e = storeErrorOf([&] { store.append(u"题型表"_s, {{u"题型"_s, u"选择题"_s}}); });
        QCOMPARE(e.number, 8);
        QVERIFY2(e.text.contains(u"只读"_s), qPrintable(e.text));
    }
    file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
}

QTEST_GUILESS_MAIN(BankFileTest)
#include "BankFileTest.moc"
