// Backup, restore and merge of whole bank files (BankMaintenance and the
// store's file operations under it), and the automatic backups.
#include "admin/BankMaintenance.h"
#include "admin/AutomaticBackup.h"
#include "AdminTestSupport.h"
#include "questions/QuestionBrowser.h"
#include "store/BankConnection.h"
#include "store/FileIdentity.h"
#include "store/Password.h"

#include <QTemporaryDir>

#include <csignal>

#if defined(Q_OS_UNIX)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

// A bank with something in every table, as a school's would be.
void fillBank(TestBank& bank)
{
    bank.addUser(u"admin"_s, u"admin123"_s, u"超级管理"_s);
    bank.addUser(u"王老师"_s, u"it's"_s, u"一般人员"_s);
    bank.addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
    bank.addKnowledgePath(u"图形与几何"_s, u"三角形"_s, u"全等"_s);
    bank.addQuestionType(u"选择题"_s);
    bank.addQuestionType(u"填空题"_s);
    for (const TestQuestion& q : numbered({u"1"_s, u"2"_s, u"3"_s}))
        bank.addQuestion(q);
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// The identity the next question appended to the bank gets.
qint64 nextIdentity(const QString& bank)
{
    BankStore store = BankStore::openExternalBank(bank);
    const qint64 id = store.appendQuestion(TestQuestion{.number = u"probe"_s}.record());
    store.deleteWhere({u"数学题库"_s, u"rowid = ?"_s, {id}});
    return id;
}

} // namespace

class BankMaintenanceTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestBank> bank;
    std::unique_ptr<QTemporaryDir> folder; // other files than the bank, fresh for each test

    QString other(const QString& name) const { return folder->filePath(name); }

private slots:
    void init()
    {
        bank = std::make_unique<TestBank>();
        folder = std::make_unique<QTemporaryDir>();
        setBankBusyTimeout(5000);
    }
    void cleanup()
    {
        bank.reset();
        folder.reset();
    }

    // ---- backup and restore

    void backupAndRestoreRoundTrip()
    {
        fillBank(*bank);
        bank->store().deleteWhere({u"数学题库"_s, u"题目编号 = ?"_s, {u"2"_s}});
        const QStringList before = dump(bank->bankPath());
        const QString copy = other(u"备份/dbbackup.mdb"_s);
        QDir().mkpath(other(u"备份"_s));
        BankMaintenance::backup(bank->bankPath(), copy);
        QCOMPARE(dump(copy), before);
        QVERIFY(isBankFile(copy));
        QCOMPARE(filesIn(other(u"备份"_s)), QStringList{u"dbbackup.mdb"_s});

        // Changes after the backup in every table.
        bank->addUser(u"李老师"_s, u"x"_s);
        bank->store().deleteWhere({u"登录表"_s, u"姓名 = ?"_s, {u"admin"_s}});
        bank->addKnowledgePath(u"统计与概率"_s, u"概率"_s, u"频率"_s);
        bank->addQuestionType(u"证明题"_s);
        bank->addQuestion({.number = u"9"_s});
        const QStringList changed = dump(bank->bankPath());

        const QDateTime when(QDate(2026, 9, 1), QTime(17, 30, 5));
        const BankMaintenance::RestoreResult r = BankMaintenance::restore(copy, bank->bankPath(), when);
        QVERIFY2(r.restored, qPrintable(r.refusal));
        QCOMPARE(r.safetyCopy,
                 QFileInfo(bank->bankPath()).absolutePath() + u"/TiKu-恢复前-20260901-173005.mdb"_s);
        QCOMPARE(dump(r.safetyCopy), changed);

        // Users, classifications and questions with their identities are back;
        // only the record of used identities remembers the question 9.
        QStringList restored = dump(bank->bankPath());
        QCOMPARE(restored.mid(0, restored.size() - 1), before.mid(0, before.size() - 1));
        QCOMPARE(restored.last(), u"4"_s);
        QVERIFY(verifyPassword(bank->store().users(u"姓名 = 'admin'"_s).front().passwordHash, u"admin123"_s));
        QCOMPARE(BankStore::openBank().questionCount(), 2);
        QCOMPARE(nextIdentity(bank->bankPath()), 5);

        // Restoring the safety copy undoes the restore.
        QVERIFY(BankMaintenance::restore(r.safetyCopy, bank->bankPath(), when).restored);
        QStringList again = dump(bank->bankPath());
        QCOMPARE(again.mid(0, again.size() - 1), changed.mid(0, changed.size() - 1));
        QVERIFY(QFileInfo::exists(QFileInfo(bank->bankPath()).absolutePath() +
                                  u"/TiKu-恢复前-20260901-173005-2.mdb"_s));
    }

    void backupAndRestoreWhileASearchHoldsItsResult()
    {
        fillBank(*bank);
        QuestionBrowser search;
        QCOMPARE(search.search(QuestionFilter{}), 3);
        QCOMPARE(search.current().record.number, u"1"_s);

        const QString copy = other(u"copy.mdb"_s);
        BankMaintenance::backup(bank->bankPath(), copy);
        QCOMPARE(dump(copy), dump(bank->bankPath()));

        // The copy with a question changed, restored under the open result.
        BankStore::openExternalBank(copy).updateWhere({u"数学题库"_s, u"题目编号 = ?"_s, {u"2"_s}},
                                                      {{u"录入人"_s, u"赵老师"_s}});
        QVERIFY(BankMaintenance::restore(copy, bank->bankPath()).restored);
        const QuestionBrowser::Step step = search.next();
        QCOMPARE(int(step.outcome), int(QuestionBrowser::Outcome::Shown));
        QCOMPARE(step.record.enteredBy, u"赵老师"_s);
        QVERIFY(search.isOpen());
    }

    void backupReplacesAnExistingFileAndLeavesNothingHalfWritten()
    {
        fillBank(*bank);
        const QString target = other(u"old.mdb"_s);
        writeFile(target, "an older backup");
        BankMaintenance::backup(bank->bankPath(), target);
        QCOMPARE(dump(target), dump(bank->bankPath()));

        // A bank that cannot be read: the old file stays whole, and no
        // temporary file is left beside it.
        const QString broken = other(u"broken.mdb"_s);
        writeFile(broken, QByteArray(8192, 'x'));
        writeFile(target, "keep me");
        const StoreError e = storeErrorOf([&] { BankMaintenance::backup(broken, target); });
        QCOMPARE(e.number, 26);
        QCOMPARE(fileBytes(target), QByteArray("keep me"));
        QCOMPARE(filesIn(folder->path()), (QStringList{u"broken.mdb"_s, u"old.mdb"_s}));

        // A folder that does not exist, and the bank itself.
        QVERIFY(storeErrorOf([&] {
                    BankMaintenance::backup(bank->bankPath(), other(u"no/such/x.mdb"_s));
                }).number != 0);
        QVERIFY(!QFileInfo::exists(other(u"no"_s)));
        const QByteArray before = fingerprint(bank->bankPath());
        const QString sameBank = bank->programDir() + u"/DATA/../DATA/TiKu.mdb"_s;
        QVERIFY(storeErrorOf([&] { BankMaintenance::backup(bank->bankPath(), sameBank); }).number != 0);
        QCOMPARE(fingerprint(bank->bankPath()), before);
        QCOMPARE(filesIn(bank->programDir() + u"/DATA"_s), QStringList{u"TiKu.mdb"_s});
    }

    void restoreRefusesWhatIsNotABank_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("text") << u"text"_s << u"不是数据库文件"_s;
        QTest::newRow("empty") << u"empty"_s << u"缺少题库文件的标记"_s;
        QTest::newRow("other database") << u"sqlite"_s << u"缺少题库文件的标记"_s;
        QTest::newRow("missing column") << u"column"_s << u"表“登录表”的列应为"_s;
        QTest::newRow("missing file") << u"missing"_s << u"找不到文件"_s;
    }
    void restoreRefusesWhatIsNotABank()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        fillBank(*bank);
        const QString source = other(u"source.mdb"_s);
        if (kind == u"text") {
            writeFile(source, "这不是题库。\n");
        } else if (kind == u"empty") {
            writeFile(source, {});
        } else if (kind == u"sqlite") {
            RawConnection(source).exec(u"CREATE TABLE t (a)"_s);
        } else if (kind == u"column") {
            makeBank(source, numbered({u"1"_s}));
            RawConnection(source).exec(u"ALTER TABLE \"登录表\" DROP COLUMN \"人员类型\""_s);
        }
        const QByteArray before = fingerprint(bank->bankPath());
        const BankMaintenance::RestoreResult r = BankMaintenance::restore(source, bank->bankPath());
        QVERIFY(!r.restored);
        QVERIFY2(r.refusal.contains(reason), qPrintable(r.refusal));
        QCOMPARE(fingerprint(bank->bankPath()), before);
        // Nothing was replaced, so nothing was kept aside either.
        QCOMPARE(filesIn(bank->programDir() + u"/DATA"_s), QStringList{u"TiKu.mdb"_s});
    }

    void restoreRefusesTheBankItself()
    {
        fillBank(*bank);
        const QByteArray before = fingerprint(bank->bankPath());
        const QString link = other(u"link.mdb"_s);
        QVERIFY(QFile::link(bank->bankPath(), link));
        for (const QString& source : {bank->bankPath(), link, bank->programDir() + u"/DATA/./TiKu.mdb"_s}) {
            const BankMaintenance::RestoreResult r = BankMaintenance::restore(source, bank->bankPath());
            QVERIFY(!r.restored);
            QVERIFY2(r.refusal.contains(u"就是正在使用的题库文件"_s), qPrintable(r.refusal));
        }
        QCOMPARE(fingerprint(bank->bankPath()), before);
    }

    void restoreOfAnOlderBankBringsItUpToDate()
    {
        fillBank(*bank);
        const QString old = other(u"old.mdb"_s);
        makeBank(old, numbered({u"1"_s, u"2"_s}, u"old"_s));
        {
            // As an earlier version made it: no record of deleted identities.
            RawConnection c(old);
            c.exec(u"DROP TRIGGER \"数学题库_删除\""_s);
            c.exec(u"DROP TABLE \"数学题库_行号\""_s);
        }
        QVERIFY(BankMaintenance::restore(old, bank->bankPath()).restored);
        RawConnection c(bank->bankPath());
        QCOMPARE(
            c.integer(
                u"SELECT count(*) FROM sqlite_master WHERE name IN ('数学题库_行号', '数学题库_删除')"_s),
            2);
        QCOMPARE(c.rows(u"SELECT \"题目编号\" FROM \"数学题库\" ORDER BY rowid"_s),
                 (QStringList{u"1"_s, u"2"_s}));
        // Identities 1 to 3 were used by the bank before the restore.
        QCOMPARE(c.integer(u"SELECT \"已删除最大行号\" FROM \"数学题库_行号\""_s), 3);
        QCOMPARE(nextIdentity(bank->bankPath()), 4);
    }

    void restoreIntoALockedBankChangesNothing()
    {
        fillBank(*bank);
        const QString copy = other(u"copy.mdb"_s);
        makeBank(copy, numbered({u"7"_s}));
        const QByteArray before = fingerprint(bank->bankPath());
        setBankBusyTimeout(100);
        RawConnection lock(bank->bankPath());
        lock.exec(u"BEGIN IMMEDIATE"_s);
        const StoreError e = storeErrorOf([&] { BankMaintenance::restore(copy, bank->bankPath()); });
        QCOMPARE(e.number, 5);
        lock.exec(u"ROLLBACK"_s);
        QCOMPARE(fingerprint(bank->bankPath()), before);
    }

    // ---- a restore cut off half way

    // As a crash or a power cut in the middle of a restore leaves it: the
    // safety copy on the disk, the marker naming it, the bank half written.
    void interruptedRestoreIsUndoneWhenTheBankIsOpened_data()
    {
        QTest::addColumn<QString>("left");
        QTest::newRow("the new bank's first pages") << u"pages"_s;
        QTest::newRow("a torn first page") << u"torn"_s;
    }
    void interruptedRestoreIsUndoneWhenTheBankIsOpened()
    {
        QFETCH(QString, left);
        fillBank(*bank);
        QuestionBrowser search; // a result a window keeps open throughout
        QCOMPARE(search.search(QuestionFilter{}), 3);
        const QString data = bank->programDir() + u"/DATA"_s;
        const QString safety = data + u"/TiKu-恢复前-20260901-173005.mdb"_s;
        BankMaintenance::backup(bank->bankPath(), safety);
        const QByteArray before = fileBytes(bank->bankPath());
        QCOMPARE(restoreMarkerPath(bank->bankPath()), data + u"/TiKu-恢复中.txt"_s);
        writeFile(restoreMarkerPath(bank->bankPath()), "TiKu-恢复前-20260901-173005.mdb\n");

        const QString source = other(u"source.mdb"_s);
        makeBank(source, numbered({u"7"_s, u"8"_s}, u"s"_s));
        writeFile(bank->bankPath(), left == u"pages"_s
                                        ? fileBytes(source).left(3 * 4096 + 100)
                                        : QByteArray("SQLite format 3") + QByteArray(5000, 'x'));
        QStringList notices;
        setBankNoticeHandler([&](const QString& text) { notices << text; });

        // The next open finds the bank as it was before the restore, byte
        // for byte, and says so once.
        QCOMPARE(BankStore::openBank().questionCount(), 3);
        setBankNoticeHandler({});
        QVERIFY(fileBytes(bank->bankPath()) == before);
        QCOMPARE(filesIn(data), (QStringList{u"TiKu-恢复前-20260901-173005.mdb"_s, u"TiKu.mdb"_s}));
        QCOMPARE(notices.size(), 1);
        QVERIFY2(notices.front().contains(QDir::toNativeSeparators(safety)), qPrintable(notices.front()));
        // The window's result reads on as before.
        const QuestionBrowser::Step step = search.next();
        QCOMPARE(int(step.outcome), int(QuestionBrowser::Outcome::Shown));
        QCOMPARE(step.record.number, u"2"_s);
    }

    void interruptedRestoreWithoutItsSafetyCopyIsLeftAlone()
    {
        fillBank(*bank);
        writeFile(restoreMarkerPath(bank->bankPath()), "TiKu-恢复前-20260901-173005.mdb\n");
        const QByteArray before = fileBytes(bank->bankPath());
        const StoreError e = storeErrorOf([] { BankStore::openBank(); });
        QVERIFY2(e.text.contains(u"上一次恢复时中断了"_s), qPrintable(e.text));
        QVERIFY(fileBytes(bank->bankPath()) == before);
        QVERIFY(QFileInfo::exists(restoreMarkerPath(bank->bankPath())));
    }

    // Another program's restore is under way: its marker is there, and so is
    // its lock on the bank. Opening waits for it, and never undoes it.
    void restoreUnderWayInAnotherProgramIsNotUndone()
    {
        fillBank(*bank);
        const QString safety = bank->programDir() + u"/DATA/TiKu-恢复前-1.mdb"_s;
        makeBank(safety, numbered({u"9"_s}));
        writeFile(restoreMarkerPath(bank->bankPath()), "TiKu-恢复前-1.mdb\n");
        const QByteArray before = fileBytes(bank->bankPath());
        setBankBusyTimeout(100);
        {
            RawConnection restoring(bank->bankPath());
            restoring.exec(u"BEGIN EXCLUSIVE"_s);
            QCOMPARE(storeErrorOf([] { BankStore::openBank(); }).number, 5);
            QVERIFY(fileBytes(bank->bankPath()) == before);
            // It ends: the marker goes before the lock does.
            QVERIFY(QFile::remove(restoreMarkerPath(bank->bankPath())));
            restoring.exec(u"COMMIT"_s);
        }
        QCOMPARE(BankStore::openBank().questionCount(), 3);
        QVERIFY(fileBytes(bank->bankPath()) == before);
    }

#if defined(Q_OS_UNIX)
    // The disk fills up while the pages are copied: the bank gets back what
    // it had at once, and the marker goes.
    void restoreThatFailsPartWayPutsTheBankBack()
    {
        fillBank(*bank);
        const QString source = other(u"big.mdb"_s);
        QList<TestQuestion> many = numbered([] {
            QStringList n;
            for (int i = 1; i <= 300; ++i)
                n << QString::number(i);
            return n;
        }());
        for (TestQuestion& q : many)
            q.content = "{\\rtf1 " + QByteArray(6000, 'a') + "}";
        makeBank(source, many);
        const QByteArray before = fileBytes(bank->bankPath());
        QVERIFY(QFileInfo(source).size() > before.size() + 200000);

        // Files of this process may not grow past the bank's size and a bit.
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit limited = old;
        limited.rlim_cur = rlim_t(before.size() + 100000);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const StoreError e = storeErrorOf([&] { BankMaintenance::restore(source, bank->bankPath()); });
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY2(e.number == 13 || e.number == 10, qPrintable(e.text));
        QVERIFY(fileBytes(bank->bankPath()) == before);
        QVERIFY(!QFileInfo::exists(restoreMarkerPath(bank->bankPath())));
        QCOMPARE(BankStore::openBank().questionCount(), 3);
    }
#endif

    // ---- merge

    void mergeIntoAnEmptyBankNumbersFromOne()
    {
        const QString source = other(u"source.mdb"_s);
        makeBank(source, numbered({u"7"_s, u"3"_s, u"9"_s}, u"s"_s));
        const BankMaintenance::MergeResult r = BankMaintenance::merge(source, bank->bankPath());
        QVERIFY2(r.merged, qPrintable(r.refusal));
        QCOMPARE(r.appended.appended, 3);
        QCOMPARE(r.appended.firstNumber, u"1"_s);
        QCOMPARE(r.appended.lastNumber, u"3"_s);
        QCOMPARE(numbersAndContents(bank->bankPath()),
                 (QStringList{u"1 {\\rtf1\\ansi\\ansicpg936 s-7\\par}"_s,
                              u"2 {\\rtf1\\ansi\\ansicpg936 s-3\\par}"_s,
                              u"3 {\\rtf1\\ansi\\ansicpg936 s-9\\par}"_s}));
        // Every column comes along as it was.
        std::vector<QuestionRecord> merged = bank->store().questions();
        std::vector<QuestionRecord> original = BankStore::openExternalBank(source).questions();
        for (size_t i = 0; i < merged.size(); ++i) {
            merged[i].number = original[i].number;
            QCOMPARE(merged[i], original[i]);
        }
        // The source is only read.
        QCOMPARE(numbersOf(source), (QStringList{u"7"_s, u"3"_s, u"9"_s}));
    }

    void mergeContinuesFromTheLastAppendedNumber()
    {
        for (const TestQuestion& q : numbered({u"100"_s, u"7"_s, u"40"_s}))
            bank->addQuestion(q);
        const QString source = other(u"source.mdb"_s);
        makeBank(source, numbered({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}, u"s"_s));
        const BankMaintenance::MergeResult r = BankMaintenance::merge(source, bank->bankPath());
        QCOMPARE(r.appended.firstNumber, u"41"_s);
        QCOMPARE(r.appended.lastNumber, u"45"_s);
        QCOMPARE(numbersOf(bank->bankPath()),
                 (QStringList{u"100"_s, u"7"_s, u"40"_s, u"41"_s, u"42"_s, u"43"_s, u"44"_s, u"45"_s}));
        QCOMPARE(numbersAndContents(bank->bankPath()).at(3), u"41 {\\rtf1\\ansi\\ansicpg936 s-1\\par}"_s);
        BankStore store = bank->store();
        QCOMPARE(nextQuestionNumber(store), u"46"_s);
    }

    void mergeHasNoSixteenBitLimit()
    {
        bank->addQuestion({.number = u"32766"_s});
        const QString source = other(u"source.mdb"_s);
        makeBank(source, numbered({u"1"_s, u"2"_s, u"3"_s}));
        const BankMaintenance::MergeResult r = BankMaintenance::merge(source, bank->bankPath());
        QCOMPARE(numbersOf(bank->bankPath()), (QStringList{u"32766"_s, u"32767"_s, u"32768"_s, u"32769"_s}));
        QCOMPARE(r.appended.lastNumber, u"32769"_s);
    }

    void mergeRoundsANumberWithAFraction()
    {
        bank->addQuestion({.number = u" 12.5 "_s}); // to 12, halves to even
        const QString source = other(u"source.mdb"_s);
        makeBank(source, numbered({u"1"_s}));
        BankMaintenance::merge(source, bank->bankPath());
        QCOMPARE(numbersOf(bank->bankPath()).last(), u"13"_s);
        QCOMPARE(mergeCounterFrom(u"13.5"_s), 14);
        QCOMPARE(mergeCounterFrom(u"-2"_s), -2);
        QCOMPARE(mergeCounterFrom(u"第1题"_s), std::nullopt);
    }

    void mergeAfterANumberThatIsNotANumberChangesNothing()
    {
        bank->addQuestion({.number = u"第七题"_s});
        const QString source = other(u"source.mdb"_s);
        makeBank(source, numbered({u"1"_s}));
        const QByteArray before = fingerprint(bank->bankPath());
        const StoreError e = storeErrorOf([&] { BankMaintenance::merge(source, bank->bankPath()); });
        QCOMPARE(e.number, StoreErrorNumber::TypeMismatch);
        QVERIFY2(e.text.contains(u"第七题"_s), qPrintable(e.text));
        QCOMPARE(fingerprint(bank->bankPath()), before);
    }

    void mergingTwiceAppendsTwice()
    {
        const QString source = other(u"source.mdb"_s);
        makeBank(source, numbered({u"1"_s, u"2"_s}, u"s"_s));
        BankMaintenance::merge(source, bank->bankPath());
        const BankMaintenance::MergeResult second = BankMaintenance::merge(source, bank->bankPath());
        QCOMPARE(second.appended.firstNumber, u"3"_s);
        QCOMPARE(numbersAndContents(bank->bankPath()),
                 (QStringList{u"1 {\\rtf1\\ansi\\ansicpg936 s-1\\par}"_s,
                              u"2 {\\rtf1\\ansi\\ansicpg936 s-2\\par}"_s,
                              u"3 {\\rtf1\\ansi\\ansicpg936 s-1\\par}"_s,
                              u"4 {\\rtf1\\ansi\\ansicpg936 s-2\\par}"_s}));
    }

    void mergedRowsGetIdentitiesNeverUsedBefore()
    {
        for (const TestQuestion& q : numbered({u"1"_s, u"2"_s, u"3"_s, u"4"_s}))
            bank->addQuestion(q);
        bank->store().deleteWhere({u"数学题库"_s, u"rowid >= 3"_s, {}});
        const QString source = other(u"source.mdb"_s);
        makeBank(source, numbered({u"1"_s, u"2"_s}));
        {
            // The source's own identities are not taken over.
            RawConnection c(source);
            c.exec(u"UPDATE \"数学题库\" SET rowid = rowid + 1000"_s);
        }
        BankMaintenance::merge(source, bank->bankPath());
        RawConnection c(bank->bankPath());
        QCOMPARE(c.rows(u"SELECT rowid, \"题目编号\" FROM \"数学题库\" ORDER BY rowid"_s),
                 (QStringList{u"1|1"_s, u"2|2"_s, u"5|3"_s, u"6|4"_s}));
    }

    // A merge about as large as the bank builds the knowledge point indexes
    // anew inside its transaction; a small one fills them question by
    // question. Either way every index is there afterwards and agrees with
    // the table, and the numbering is the same.
    void mergeKeepsEveryIndexWhole_data()
    {
        QTest::addColumn<int>("existing");
        QTest::addColumn<int>("appending");
        QTest::newRow("large") << 3 << 2500;
        QTest::newRow("small") << 2500 << 30;
    }
    void mergeKeepsEveryIndexWhole()
    {
        QFETCH(int, existing);
        QFETCH(int, appending);
        const auto questions = [](int count, const QString& tag) {
            QStringList n;
            for (int i = 1; i <= count; ++i)
                n << QString::number(i);
            QList<TestQuestion> out = numbered(n, tag);
            for (int i = 0; i < count; ++i) {
                out[i].knowledge2 = u"第%1章"_s.arg(i % 7);
                out[i].knowledge3 = u"第%1节"_s.arg(i % 97);
                out[i].type = i % 3 == 0 ? u"填空题"_s : u"选择题"_s;
            }
            return out;
        };
        BankStore store = bank->store();
        store.inTransaction([&] {
            for (const TestQuestion& q : questions(existing, u"t"_s))
                store.appendQuestion(q.record());
        });
        const QString source = other(u"source.mdb"_s);
        makeBank(source, questions(appending, u"s"_s));
        const QString indexes =
            u"SELECT name, sql FROM sqlite_master WHERE type = 'index' AND tbl_name = '数学题库' ORDER BY name"_s;
        const QStringList before = RawConnection(bank->bankPath()).rows(indexes);
        QCOMPARE(before.size(), 9);

        const BankMaintenance::MergeResult r = BankMaintenance::merge(source, bank->bankPath());
        QCOMPARE(r.appended.firstNumber, QString::number(existing + 1));
        QCOMPARE(r.appended.lastNumber, QString::number(existing + appending));
        RawConnection c(bank->bankPath());
        QCOMPARE(c.rows(indexes), before);
        QCOMPARE(c.rows(u"PRAGMA integrity_check"_s), QStringList{u"ok"_s});
        QCOMPARE(c.rows(u"SELECT \"题目编号\", \"知识点三\" FROM \"数学题库\" ORDER BY rowid DESC LIMIT 1"_s),
                 QStringList{u"%1|第%2节"_s.arg(existing + appending).arg((appending - 1) % 97)});
        const QString bySection =
            u"SELECT count(*) FROM \"数学题库\" INDEXED BY \"数学题库_知识点三_二_一_题型_难度\" "
            u"WHERE \"知识点三\" = '第5节'"_s;
        const auto inSection = [](int count) { return count / 97 + (count % 97 > 5 ? 1 : 0); };
        QCOMPARE(c.integer(bySection), inSection(existing) + inSection(appending));
    }

    void mergeFromAnEmptyBankAppendsNothing()
    {
        bank->addQuestion({.number = u"5"_s});
        const QString source = other(u"empty.mdb"_s);
        makeBank(source);
        const BankMaintenance::MergeResult r = BankMaintenance::merge(source, bank->bankPath());
        QVERIFY(r.merged);
        QCOMPARE(r.appended.appended, 0);
        QCOMPARE(r.appended.firstNumber, QString());
        QCOMPARE(numbersOf(bank->bankPath()), QStringList{u"5"_s});
    }

    void mergeRefusesWhatIsNotABank()
    {
        bank->addQuestion({.number = u"5"_s});
        const QByteArray before = fingerprint(bank->bankPath());
        const QString text = other(u"notes.mdb"_s);
        writeFile(text, "{\\rtf1 not a bank}");
        const QString sqlite = other(u"other.mdb"_s);
        RawConnection(sqlite).exec(u"CREATE TABLE \"数学题库\" (\"题目编号\")"_s);
        for (const QString& source : {text, sqlite, other(u"missing.mdb"_s)}) {
            const BankMaintenance::MergeResult r = BankMaintenance::merge(source, bank->bankPath());
            QVERIFY(!r.merged);
            QVERIFY2(r.refusal.contains(QDir::toNativeSeparators(source)), qPrintable(r.refusal));
            QCOMPARE(fingerprint(bank->bankPath()), before);
            // The store refuses it too, whoever calls it.
            QVERIFY(storeErrorOf([&] { appendQuestionsFrom(source, bank->bankPath()); }).number != 0);
        }
        QCOMPARE(fingerprint(bank->bankPath()), before);
    }

    void mergeRefusesTheBankItself()
    {
        for (const TestQuestion& q : numbered({u"1"_s, u"2"_s}))
            bank->addQuestion(q);
        const QByteArray before = fingerprint(bank->bankPath());
        const QString hardLink = bank->programDir() + u"/硬链接.mdb"_s;
        QVERIFY(QFile::link(bank->bankPath(), other(u"symlink.mdb"_s)));
#if defined(Q_OS_UNIX)
        const bool haveHardLink = ::link(QFile::encodeName(bank->bankPath()).constData(),
                                         QFile::encodeName(hardLink).constData()) == 0;
#else
        const bool haveHardLink = false;
#endif
        QStringList spellings{bank->bankPath(), bank->programDir() + u"/DATA/../DATA/TiKu.mdb"_s,
                              other(u"symlink.mdb"_s)};
        if (haveHardLink)
            spellings << hardLink;
        for (const QString& source : spellings) {
            const BankMaintenance::MergeResult r = BankMaintenance::merge(source, bank->bankPath());
            QVERIFY2(!r.merged, qPrintable(source));
            QVERIFY2(r.refusal.contains(u"不能把题库合并到它自己"_s), qPrintable(r.refusal));
            QVERIFY(storeErrorOf([&] { appendQuestionsFrom(source, bank->bankPath()); }).number != 0);
        }
        QCOMPARE(fingerprint(bank->bankPath()), before);
        QVERIFY(isSameFile(bank->bankPath(), other(u"symlink.mdb"_s)));
        QVERIFY(!isSameFile(bank->bankPath(), other(u"missing.mdb"_s)));
    }

    // A source question that cannot be read, far into the source: the
    // questions before it were already appended in the transaction.
    void mergeThatFailsPartWayLeavesTheTargetAsItWas()
    {
        for (const TestQuestion& q : numbered({u"1"_s, u"2"_s}))
            bank->addQuestion(q);
        const QString source = other(u"broken.mdb"_s);
        QList<TestQuestion> many = numbered([] {
            QStringList n;
            for (int i = 1; i <= 2500; ++i)
                n << QString::number(i);
            return n;
        }());
        // One long body, so that its end lies on pages of its own.
        many[2199].content = "{\\rtf1 " + QByteArray(3000, 'a') + "BROKEN-ROW" + QByteArray(30000, 'b') + "}";
        makeBank(source, many);
        // The page with the marker points on to a page the file does not have.
        QVERIFY(damagePageHolding(source, "BROKEN-ROW", QByteArray("\x7f\xff\xff\xff", 4)));
        QVERIFY(isBankFile(source));

        const QByteArray before = fileBytes(bank->bankPath());
        qint64 reported = 0;
        const StoreError e = storeErrorOf([&] {
            BankMaintenance::merge(source, bank->bankPath(), [&](qint64 done, qint64) { reported = done; });
        });
        QCOMPARE(e.number, 11); // SQLITE_CORRUPT
        QVERIFY2(e.text.contains(u"合并的来源文件“%1”已损坏"_s.arg(QDir::toNativeSeparators(source))),
                 qPrintable(e.text));
        QCOMPARE(reported, 2000); // two batches were in before the failure
        QVERIFY(fileBytes(bank->bankPath()) == before);
        QCOMPARE(filesIn(bank->programDir() + u"/DATA"_s), QStringList{u"TiKu.mdb"_s});
    }

    // The target refuses a write in the middle of the merge (as a full disk would).
    void mergeThatTheTargetStopsPartWayLeavesItAsItWas()
    {
        bank->addQuestion({.number = u"1"_s});
        RawConnection(bank->bankPath())
            .exec(u"CREATE TRIGGER full BEFORE INSERT ON \"数学题库\" WHEN NEW.\"题目编号\" = '1500' "
                  u"BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"_s);
        const QString source = other(u"source.mdb"_s);
        QStringList n;
        for (int i = 1; i <= 2000; ++i)
            n << QString::number(i);
        makeBank(source, numbered(n));
        const QByteArray before = fileBytes(bank->bankPath());
        const StoreError e = storeErrorOf([&] { BankMaintenance::merge(source, bank->bankPath()); });
        QVERIFY2(e.text.contains(u"database or disk is full"_s), qPrintable(e.text));
        QVERIFY(fileBytes(bank->bankPath()) == before);
    }

    // Another program reads the bank throughout: the merge is done but cannot be committed.
    void mergeThatCannotCommitLeavesTheTargetAsItWas()
    {
        bank->addQuestion({.number = u"1"_s});
        const QString source = other(u"source.mdb"_s);
        makeBank(source, numbered({u"1"_s, u"2"_s, u"3"_s}));
        const QByteArray before = fileBytes(bank->bankPath());
        setBankBusyTimeout(100);
        RawConnection reader(bank->bankPath());
        reader.exec(u"BEGIN"_s);
        reader.exec(u"SELECT count(*) FROM \"数学题库\""_s);
        const StoreError e = storeErrorOf([&] { BankMaintenance::merge(source, bank->bankPath()); });
        QCOMPARE(e.number, 5);
        reader.exec(u"COMMIT"_s);
        QVERIFY(fileBytes(bank->bankPath()) == before);
    }

    void mergeIntoAReadOnlyBankChangesNothing()
    {
        bank->addQuestion({.number = u"1"_s});
        const QString source = other(u"source.mdb"_s);
        makeBank(source, numbered({u"1"_s}));
        ReadOnlyFile readOnly(bank->bankPath());
        if (!readOnly.isReadOnly())
            QSKIP("cannot make the bank read-only for this account");
        const QByteArray before = fileBytes(bank->bankPath());
        const StoreError e = storeErrorOf([&] { BankMaintenance::merge(source, bank->bankPath()); });
        QCOMPARE(e.number, 8);
        QVERIFY2(e.text.contains(u"只读"_s), qPrintable(e.text));
        QVERIFY(fileBytes(bank->bankPath()) == before);
    }

    void mergeReportsItsProgress()
    {
        const QString source = other(u"source.mdb"_s);
        QStringList n;
        for (int i = 1; i <= 2500; ++i)
            n << QString::number(i);
        makeBank(source, numbered(n));
        QList<qint64> seen;
        BankMaintenance::merge(source, bank->bankPath(), [&](qint64 done, qint64 total) {
            QCOMPARE(total, 2500);
            seen << done;
        });
        QCOMPARE(seen, (QList<qint64>{1000, 2000, 2500}));
        QCOMPARE(numbersOf(bank->bankPath()).last(), u"2500"_s);
    }
};

QTEST_GUILESS_MAIN(BankMaintenanceTest)
#include "BankMaintenanceTest.moc"
