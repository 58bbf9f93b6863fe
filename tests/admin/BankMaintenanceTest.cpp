// Backup, restore and merge of whole bank files (BankMaintenance and the
// store's file operations under it), and the automatic backups.
#include "admin/BankMaintenance.h"
#include "admin/AutomaticBackup.h"
#include "AdminTestSupport.h"
#include "questions/QuestionBrowser.h"
#include "store/BankConnection.h"
#include "store/BankFiles.h"
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

// A bank file whose 数学题库 is a view with the table's columns, over a table
// of another name: it reads like a bank.
void makeQuestionsAView(const QString& path)
{
    makeBank(path, numbered({u"1"_s, u"2"_s}, u"view"_s));
    RawConnection c(path);
    c.exec(u"ALTER TABLE \"数学题库\" RENAME TO \"别的表\""_s);
    c.exec(u"CREATE VIEW \"数学题库\" AS SELECT * FROM \"别的表\""_s);
}

// What became of the bank in a restore that failed: the RestoreError thrown.
std::optional<RestoreError> restoreErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const RestoreError& e) {
        return e;
    }
    return std::nullopt;
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
        QTest::newRow("questions in a view") << u"view"_s << u"“数学题库”不是表"_s;
        QTest::newRow("damaged pages") << u"damaged"_s << u"已损坏（数据库检查未通过"_s;
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
        } else if (kind == u"view") {
            makeQuestionsAView(source);
        } else if (kind == u"damaged") {
            // 64 KiB of noise in the middle: the first pages, with the
            // tables and columns, are whole.
            makeBank(source, numbered({u"1"_s}));
            appendLargeQuestions(source, 60, 4000);
            QVERIFY(isBankFile(source));
            scribble(source, 64 * 1024, 64 * 1024);
            QVERIFY(isBankFile(source));
        }
        const QByteArray before = fingerprint(bank->bankPath());
        const BankMaintenance::RestoreResult r = BankMaintenance::restore(source, bank->bankPath());
        QVERIFY(!r.restored);
        QVERIFY2(r.refusal.contains(reason), qPrintable(r.refusal));
        // The refusal blames the file picked, not the bank.
        QVERIFY2(kind == u"missing"_s ||
                     r.refusal.startsWith(u"文件“%1”"_s.arg(QDir::toNativeSeparators(source))),
                 qPrintable(r.refusal));
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

    // A restore cut off while it copied the pages of a bank of several
    // megabytes: the undo writes megabytes back through SQLite's file layer.
    void interruptedRestoreOfALargeBankIsUndone_data()
    {
        QTest::addColumn<QString>("left");
        QTest::newRow("noise in the middle") << u"noise"_s;
        QTest::newRow("a larger bank's pages") << u"longer"_s;
        QTest::newRow("cut short") << u"shorter"_s;
    }
    void interruptedRestoreOfALargeBankIsUndone()
    {
        QFETCH(QString, left);
        fillBank(*bank);
        appendLargeQuestions(bank->bankPath(), 700, 8000);
        const QString data = bank->programDir() + u"/DATA"_s;
        const QString safety = data + u"/TiKu-恢复前-20260101-000000.mdb"_s;
        QVERIFY(QFile::copy(bank->bankPath(), safety));
        const QByteArray before = fileBytes(bank->bankPath());
        QVERIFY(before.size() > 5 << 20);
        writeFile(restoreMarkerPath(bank->bankPath()), "TiKu-恢复前-20260101-000000.mdb\n");
        if (left == u"noise") {
            scribble(bank->bankPath(), 200 * 4096, 8 * 4096);
        } else if (left == u"longer") {
            QFile f(bank->bankPath());
            QVERIFY(f.open(QIODevice::Append));
            f.write(QByteArray(3 << 20, 'x'));
        } else {
            QVERIFY(QFile::resize(bank->bankPath(), 1 << 20));
        }

        QCOMPARE(BankStore::openBank().questionCount(), 703);
        QVERIFY(fileBytes(bank->bankPath()) == before);
        QCOMPARE(filesIn(data), (QStringList{u"TiKu-恢复前-20260101-000000.mdb"_s, u"TiKu.mdb"_s}));
        QCOMPARE(checkBankFile(bank->bankPath()), BankFileState::Sound);
    }

#if defined(Q_OS_UNIX)
    // The disk fills up while the pages are copied: the bank gets back what
    // it had at once, and the marker goes. Files of this process may not
    // grow past the bank's size and a bit (RLIMIT_FSIZE), which any account
    // may set; MaintenanceToolTest fills a real disk.
    void restoreThatFailsPartWayPutsTheBankBack()
    {
        fillBank(*bank);
        appendLargeQuestions(bank->bankPath(), 400, 8000, u"bank"_s);
        const QString source = other(u"big.mdb"_s);
        makeBank(source);
        appendLargeQuestions(source, 900, 8000, u"source"_s);
        const QByteArray before = fileBytes(bank->bankPath());
        QVERIFY(before.size() > 3 << 20);
        QVERIFY(QFileInfo(source).size() > before.size() + 200000);

        // Files of this process may not grow past the bank's size and a bit.
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit limited = old;
        limited.rlim_cur = rlim_t(before.size() + 100000);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const std::optional<RestoreError> e =
            restoreErrorOf([&] { BankMaintenance::restore(source, bank->bankPath()); });
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(e);
        QVERIFY2(e->number == 13 || e->number == 10, qPrintable(e->text));
        QCOMPARE(int(e->outcome), int(RestoreOutcome::PutBack));
        QVERIFY2(e->text.contains(u"题库已经用恢复前的安全副本“%1”还原为恢复前的样子"_s.arg(
                     QDir::toNativeSeparators(e->safetyCopy))),
                 qPrintable(e->text));
        QVERIFY(fileBytes(bank->bankPath()) == before);
        QVERIFY(fileBytes(e->safetyCopy) == before);
        QVERIFY(!QFileInfo::exists(restoreMarkerPath(bank->bankPath())));
        QCOMPARE(BankStore::openBank().questionCount(), 403);
    }
#endif

    // The pages are all in, and bringing the restored bank up to date fails
    // (a crafted file with a view where the bank keeps its record of row
    // identities): the bank goes back to what it was, and the message says
    // so, never that nothing changed.
    void restoreThatFailsAfterThePagesPutsTheBankBack()
    {
        fillBank(*bank);
        const QString source = other(u"crafted.mdb"_s);
        makeBank(source, numbered({u"7"_s}));
        {
            RawConnection c(source);
            c.exec(u"DROP TRIGGER \"数学题库_删除\""_s);
            c.exec(u"DROP TABLE \"数学题库_行号\""_s);
            c.exec(u"CREATE VIEW \"数学题库_行号\" AS SELECT 0 AS \"已删除最大行号\""_s);
        }
        QCOMPARE(checkBankFile(source), BankFileState::Sound);
        const QByteArray before = fileBytes(bank->bankPath());
        const std::optional<RestoreError> e =
            restoreErrorOf([&] { BankMaintenance::restore(source, bank->bankPath()); });
        QVERIFY(e);
        QCOMPARE(int(e->outcome), int(RestoreOutcome::PutBack));
        QVERIFY2(!e->text.contains(u"没有任何改动"_s), qPrintable(e->text));
        QVERIFY(fileBytes(bank->bankPath()) == before);
        QVERIFY(!QFileInfo::exists(restoreMarkerPath(bank->bankPath())));
        QCOMPARE(numbersOf(bank->bankPath()), (QStringList{u"1"_s, u"2"_s, u"3"_s}));
    }

    // A failure before anything of the bank was replaced says so.
    void restoreThatFailsBeforeThePagesSaysNothingChanged()
    {
        fillBank(*bank);
        const QString copy = other(u"copy.mdb"_s);
        makeBank(copy, numbered({u"7"_s}));
        const QByteArray before = fingerprint(bank->bankPath());
        setBankBusyTimeout(100);
        RawConnection lock(bank->bankPath());
        lock.exec(u"BEGIN IMMEDIATE"_s);
        const std::optional<RestoreError> e =
            restoreErrorOf([&] { BankMaintenance::restore(copy, bank->bankPath()); });
        lock.exec(u"ROLLBACK"_s);
        QVERIFY(e);
        QCOMPARE(int(e->outcome), int(RestoreOutcome::BankUnchanged));
        QVERIFY2(e->text.endsWith(u"题库没有任何改动。"_s), qPrintable(e->text));
        QCOMPARE(fingerprint(bank->bankPath()), before);
        QCOMPARE(filesIn(bank->programDir() + u"/DATA"_s), QStringList{u"TiKu.mdb"_s});
    }

    // The bank a restore replaces may be damaged, cut short, no database at
    // all, or missing: the restore goes ahead, and what was there is kept
    // aside as it was.
    void restoreOntoABankThatCannotBeUsed_data()
    {
        QTest::addColumn<QString>("state");
        QTest::newRow("noise in the middle") << u"noise"_s;
        QTest::newRow("cut short") << u"short"_s;
        QTest::newRow("first page lost") << u"zeros"_s;
        QTest::newRow("empty file") << u"empty"_s;
        QTest::newRow("missing") << u"missing"_s;
    }
    void restoreOntoABankThatCannotBeUsed()
    {
        QFETCH(QString, state);
        fillBank(*bank);
        appendLargeQuestions(bank->bankPath(), 300, 8000);
        const QString backup = other(u"backup.mdb"_s);
        makeBank(backup, numbered({u"7"_s, u"8"_s}, u"backup"_s));
        BankStore::openExternalBank(backup).appendUser({u"admin"_s, u"hash"_s, u"超级管理"_s});
        const QString data = bank->programDir() + u"/DATA"_s;
        if (state == u"noise")
            scribble(bank->bankPath(), 100 * 4096, 64 * 1024);
        else if (state == u"short")
            QVERIFY(QFile::resize(bank->bankPath(), 5 * 4096));
        else if (state == u"zeros")
            writeFile(bank->bankPath(), fileBytes(bank->bankPath()).replace(0, 4096, QByteArray(4096, '\0')));
        else if (state == u"empty")
            writeFile(bank->bankPath(), {});
        else
            QVERIFY(QFile::remove(bank->bankPath()));
        const QByteArray damaged = fileBytes(bank->bankPath());

        const BankMaintenance::RestoreResult r = BankMaintenance::restore(backup, bank->bankPath());
        QVERIFY2(r.restored, qPrintable(r.refusal));
        QCOMPARE(checkBankFile(bank->bankPath()), BankFileState::Sound);
        QStringList now = dump(bank->bankPath());
        QStringList then = dump(backup);
        QCOMPARE(now.mid(0, now.size() - 1), then.mid(0, then.size() - 1));
        QCOMPARE(numbersOf(bank->bankPath()), (QStringList{u"7"_s, u"8"_s}));
        if (state == u"missing") {
            QCOMPARE(r.safetyCopy, QString());
            QCOMPARE(filesIn(data), QStringList{u"TiKu.mdb"_s});
            QCOMPARE(BankMaintenance::restoredMessage(r), u"题库恢复成功！"_s);
        } else {
            QVERIFY(fileBytes(r.safetyCopy) == damaged);
            QCOMPARE(filesIn(data), (QStringList{QFileInfo(r.safetyCopy).fileName(), u"TiKu.mdb"_s}));
            QCOMPARE(BankMaintenance::restoredMessage(r), u"题库恢复成功！\n恢复前的题库保存在“%1”。"_s.arg(
                                                              QDir::toNativeSeparators(r.safetyCopy)));
        }
        QCOMPARE(BankStore::openBank().questionCount(), 2);
    }

    // A journal a writer killed in the middle of a transaction left beside
    // the bank is rolled back before a restore copies without one: played
    // back afterwards, it would write the old pages over the restored bank.
    void restoreRollsBackWhatACrashedWriterLeft()
    {
        fillBank(*bank);
        appendLargeQuestions(bank->bankPath(), 200, 8000);
        const QString backup = other(u"backup.mdb"_s);
        makeBank(backup, numbered({u"7"_s}));
        const QStringList before = numbersAndContents(bank->bankPath());
        leaveHotJournal(bank->bankPath());
        QVERIFY(QFileInfo::exists(bank->bankPath() + u"-journal"_s));
        const BankMaintenance::RestoreResult r = BankMaintenance::restore(backup, bank->bankPath());
        QVERIFY(r.restored);
        QVERIFY(!QFileInfo::exists(bank->bankPath() + u"-journal"_s));
        QCOMPARE(checkBankFile(bank->bankPath()), BankFileState::Sound);
        QCOMPARE(numbersOf(bank->bankPath()), QStringList{u"7"_s});
        // The safety copy is the bank as it was before that writer began.
        QCOMPARE(checkBankFile(r.safetyCopy), BankFileState::Sound);
        QCOMPARE(numbersAndContents(r.safetyCopy), before);
    }

    // A writer killed in the middle of a transaction leaves a journal that
    // only a connection that may write rolls back. The checks that open a
    // file read-only took such a bank, or such a source, for no bank at all.
    void aWriterKilledMidwayLeavesABankThatIsStillOne()
    {
        fillBank(*bank);
        appendLargeQuestions(bank->bankPath(), 200, 8000);
        const QStringList before = numbersAndContents(bank->bankPath());
        const QString source = other(u"source.mdb"_s);
        makeBank(source, numbered({u"7"_s, u"8"_s}, u"s"_s));
        appendLargeQuestions(source, 200, 8000, u"s"_s);
        const QStringList sourceBefore = numbersAndContents(source);
        leaveHotJournal(bank->bankPath());
        leaveHotJournal(source);

        QString why;
        QVERIFY2(isBankFile(source, &why), qPrintable(why));
        QCOMPARE(checkBankFile(bank->bankPath(), &why), BankFileState::Sound);
        BankMaintenance::backup(bank->bankPath(), other(u"copy.mdb"_s));
        QCOMPARE(numbersAndContents(other(u"copy.mdb"_s)), before);
        const BankMaintenance::MergeResult r = BankMaintenance::merge(source, bank->bankPath());
        QVERIFY2(r.merged, qPrintable(r.refusal));
        QCOMPARE(numbersAndContents(bank->bankPath()).size(), before.size() + sourceBefore.size());
        QCOMPARE(numbersAndContents(source), sourceBefore);
    }

    // Copies killed on the way leave their hidden temporaries; the next copy
    // beside them removes those of our own naming that nobody writes.
    void leftoversOfKilledCopiesGoWithTheNextOne()
    {
        fillBank(*bank);
        const QString data = bank->programDir() + u"/DATA"_s;
        const auto leave = [](const QString& path) { writeFile(path, QByteArray(100000, 'x')); };
        leave(other(u".周五.mdb.AbCdEf.part"_s)); // a backup to 周五.mdb, killed
        leave(other(u".别的.mdb.AbCdEf.part"_s)); // a backup to another name: not this one's
        leave(other(u"周五.mdb.part"_s));         // not our naming
        leave(data + u"/.TiKu-恢复前-20260101-000000.mdb.QwErTy.part"_s); // a restore's safety copy, killed
        leave(data + u"/.TiKu-恢复中.txt.QwErTy.part"_s);
        leave(data + u"/.TiKu.mdb.QwErTy.part"_s);
        leave(data + u"/.学生名单.xls.QwErTy.part"_s); // some other program's
        // A copy under way in another program, marked as being written.
        const QString busy = other(u".周五.mdb.ZzZzZz.part"_s);
        leave(busy);
        QFile writing(busy);
        QVERIFY(writing.open(QIODevice::ReadWrite));
        QVERIFY(markBeingWritten(writing));

        BankMaintenance::backup(bank->bankPath(), other(u"周五.mdb"_s));
        QCOMPARE(temporariesIn(folder->path()),
                 (QStringList{u".别的.mdb.AbCdEf.part"_s, u".周五.mdb.ZzZzZz.part"_s}));
        QCOMPARE(temporariesIn(data), QStringList{u".学生名单.xls.QwErTy.part"_s});
        QVERIFY(QFileInfo::exists(other(u"周五.mdb.part"_s)));
        writing.close();
        BankMaintenance::backup(bank->bankPath(), other(u"周五.mdb"_s));
        QCOMPARE(temporariesIn(folder->path()), QStringList{u".别的.mdb.AbCdEf.part"_s});
    }

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

    // The questions come with the knowledge paths and types the bank does
    // not list, so that the tree and the lists offer them; names compare as
    // the bank compares them (Latin letters without case).
    void mergeAddsTheKnowledgePathsAndTypesTheBankLacks()
    {
        bank->addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
        bank->addKnowledgePath(u"图形与几何"_s, u"三角形"_s, u"全等"_s);
        bank->addQuestionType(u"选择题"_s);
        bank->addQuestionType(u"ABC题"_s);
        const QString source = other(u"source.mdb"_s);
        makeBank(source, numbered({u"1"_s, u"2"_s}, u"s"_s));
        {
            BankStore s = BankStore::openExternalBank(source);
            for (const KnowledgePath& p : {KnowledgePath{u"统计与概率"_s, u"概率"_s, u"频率"_s},
                                           KnowledgePath{u"数与代数"_s, u"有理数"_s, u"绝对值"_s},
                                           KnowledgePath{u"数与代数"_s, u"方程"_s, QString()},
                                           KnowledgePath{u"统计与概率"_s, u"概率"_s, u"频率"_s}})
                s.appendKnowledgePath(p);
            for (const QString& t : {u"证明题"_s, u"abc题"_s, u"选择题"_s, u"作图题"_s, u"证明题"_s})
                s.appendQuestionType(t);
        }
        const BankMaintenance::MergeResult r = BankMaintenance::merge(source, bank->bankPath());
        QVERIFY(r.merged);
        QCOMPARE(r.appended.appended, 2);
        QCOMPARE(r.appended.addedPaths, 2);
        QCOMPARE(r.appended.addedTypes, 2);
        QStringList paths;
        for (const KnowledgePath& p : bank->store().knowledgePaths())
            paths << p.level1 + u'/' + p.level2 + u'/' + p.level3;
        QCOMPARE(paths, (QStringList{u"数与代数/有理数/绝对值"_s, u"图形与几何/三角形/全等"_s,
                                     u"统计与概率/概率/频率"_s, u"数与代数/方程/"_s}));
        QStringList types;
        for (const QuestionType& t : bank->store().questionTypes())
            types << t.name;
        QCOMPARE(types, (QStringList{u"选择题"_s, u"ABC题"_s, u"证明题"_s, u"作图题"_s}));
        QCOMPARE(BankMaintenance::mergedMessage(r),
                 u"题库合并成功！\n题库原来没有的知识点2条、题型2个也已一并加入。"_s);

        // A second time there is nothing more to add.
        const BankMaintenance::MergeResult again = BankMaintenance::merge(source, bank->bankPath());
        QCOMPARE(again.appended.addedPaths, 0);
        QCOMPARE(again.appended.addedTypes, 0);
        QCOMPARE(BankMaintenance::mergedMessage(again), u"题库合并成功！"_s);
        QCOMPARE(bank->store().knowledgePaths().size(), size_t(4));
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
        const QString view = other(u"view.mdb"_s);
        makeQuestionsAView(view);
        // A view that never ends: a merge from it never did either.
        const QString endless = other(u"endless.mdb"_s);
        makeBank(endless);
        {
            RawConnection c(endless);
            c.exec(u"DROP TABLE \"数学题库\""_s);
            c.exec(
                u"CREATE VIEW \"数学题库\" AS WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM "
                u"r) "
                u"SELECT n AS \"题目编号\", '' AS \"题型\", '' AS \"知识点一\", '' AS \"知识点二\", "
                u"'' AS \"知识点三\", '' AS \"难度\", '' AS \"内容\", '' AS \"答案\", '' AS \"是否中考题\", "
                u"'' AS \"录入人\", '' AS \"录入时间\" FROM r"_s);
        }
        const QString damaged = other(u"damaged.mdb"_s);
        makeBank(damaged);
        appendLargeQuestions(damaged, 60, 4000);
        scribble(damaged, 64 * 1024, 64 * 1024);
        for (const QString& source : {text, sqlite, other(u"missing.mdb"_s), view, endless, damaged}) {
            const BankMaintenance::MergeResult r = BankMaintenance::merge(source, bank->bankPath());
            QVERIFY(!r.merged);
            QVERIFY2(r.refusal.contains(QDir::toNativeSeparators(source)), qPrintable(r.refusal));
            QCOMPARE(fingerprint(bank->bankPath()), before);
            // The store refuses it too, whoever calls it (damaged pages are
            // found by the caller's check, or where the merge meets them).
            if (source != damaged)
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
        // The check of every page before the merge finds it, and blames the source.
        const BankMaintenance::MergeResult refused = BankMaintenance::merge(source, bank->bankPath());
        QVERIFY(!refused.merged);
        QVERIFY2(refused.refusal.startsWith(u"文件“%1”已损坏"_s.arg(QDir::toNativeSeparators(source))),
                 qPrintable(refused.refusal));
        QVERIFY(fileBytes(bank->bankPath()) == before);

        // Whoever merges without that check meets the damage on the way.
        qint64 reported = 0;
        const StoreError e = storeErrorOf([&] {
            appendQuestionsFrom(source, bank->bankPath(), [&](qint64 done, qint64) { reported = done; });
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
        // With a classification of its own, which goes back out with the questions.
        BankStore::openExternalBank(source).appendKnowledgePath({u"统计与概率"_s, u"概率"_s, u"频率"_s});
        BankStore::openExternalBank(source).appendQuestionType(u"证明题"_s);
        const QByteArray before = fileBytes(bank->bankPath());
        const StoreError e = storeErrorOf([&] { BankMaintenance::merge(source, bank->bankPath()); });
        QVERIFY2(e.text.contains(u"database or disk is full"_s), qPrintable(e.text));
        QVERIFY(fileBytes(bank->bankPath()) == before);
        QCOMPARE(bank->store().knowledgePaths().size(), size_t(0));
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
