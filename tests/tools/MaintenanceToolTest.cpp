// tiku-admin backup, restore, merge and rename with good and bad files: what
// they print, how they exit, and that a refused or failed command changes
// nothing.
#include "admin/AdminTestSupport.h"

#include "store/BankFiles.h"
#include "store/FileIdentity.h"

#include <functional>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run runAdmin(const QStringList& args)
{
    QProcess p;
    // As a scheduled task runs it: no desktop session, no runtime folder.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"XDG_RUNTIME_DIR"_s);
    p.setProcessEnvironment(env);
    p.start(QString::fromUtf8(TIKU_ADMIN), args);
    if (!p.waitForFinished(120000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Starts tiku-admin with `args` and kills it (SIGKILL, as a power cut or the
// task manager ends it) as soon as `when` holds. True when it was killed;
// false when it had ended by itself before.
bool killWhen(const QStringList& args, const std::function<bool()>& when)
{
    QProcess p;
    p.start(QString::fromUtf8(TIKU_ADMIN), args);
    if (!p.waitForStarted())
        return false;
    QElapsedTimer waited;
    waited.start();
    while (!p.waitForFinished(0) && waited.elapsed() < 60000) {
        if (when()) {
            p.kill();
            p.waitForFinished();
            return true;
        }
        QThread::usleep(100);
    }
    p.waitForFinished();
    return false;
}

bool sameIdentity(const FileIdentity& a, const QString& path)
{
    return FileIdentity::of(path) == a;
}

// The temporaries in `folder` that hold something. A copy killed the moment
// it made its temporary leaves it empty, and before it could mark it as
// being written: such a one is only removed once it is a minute old.
QStringList largeTemporariesIn(const QString& folder)
{
    QStringList out;
    for (const QString& name : temporariesIn(folder)) {
        if (QFileInfo(folder + u'/' + name).size() > 0)
            out << name;
    }
    return out;
}

// The dump of a bank without the record of used row identities, which a
// restore raises.
QStringList content(const QString& path)
{
    QStringList d = dump(path);
    d.removeLast();
    return d;
}

} // namespace

class MaintenanceToolTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QString bank;

    QString path(const QString& name) const { return dir->filePath(name); }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        bank = path(u"DATA/TiKu.mdb"_s);
        makeBank(bank, numbered({u"1"_s, u"2"_s}, u"bank"_s));
        BankStore::openExternalBank(bank).appendUser({u"admin"_s, u"hash"_s, u"超级管理"_s});
    }
    void cleanup() { dir.reset(); }

    void backupWritesAWholeCopy()
    {
        const QString out = path(u"夜间备份/TiKu-周一.mdb"_s);
        QDir().mkpath(path(u"夜间备份"_s));
        writeFile(out, "last week's");
        const Run r = runAdmin({u"backup"_s, bank, out});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(r.out, u"backed up %1 to %2\n"_s.arg(native(bank), native(out)));
        QCOMPARE(dump(out), dump(bank));
        QCOMPARE(QDir(path(u"夜间备份"_s)).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"TiKu-周一.mdb"_s});
    }

    void backupFailures()
    {
        // Into a folder that does not exist: nothing written, a reason given.
        Run r = runAdmin({u"backup"_s, bank, path(u"nowhere/x.mdb"_s)});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(u"tiku-admin backup: "_s) && r.err.contains(native(path(u"nowhere"_s))),
                 qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(path(u"nowhere"_s)));

        // A bank that is not one.
        const QString text = path(u"notes.mdb"_s);
        writeFile(text, "notes");
        r = runAdmin({u"backup"_s, text, path(u"x.mdb"_s)});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(u"is not a bank file"_s), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(path(u"x.mdb"_s)));

        // Onto the bank itself.
        const QByteArray before = fingerprint(bank);
        r = runAdmin({u"backup"_s, bank, path(u"DATA/../DATA/TiKu.mdb"_s)});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(fingerprint(bank), before);

        QCOMPARE(runAdmin({u"backup"_s, bank}).exitCode, 2);
        QCOMPARE(runAdmin({u"backup"_s, bank, u"a"_s, u"b"_s}).exitCode, 2);
    }

    void restoreKeepsTheBankAsItWasBeside()
    {
        const QString backup = path(u"backup.mdb"_s);
        QCOMPARE(runAdmin({u"backup"_s, bank, backup}).exitCode, 0);
        const QStringList atBackup = dump(bank);
        BankStore::openExternalBank(bank).appendQuestion(TestQuestion{.number = u"3"_s}.record());
        const QStringList changed = dump(bank);

        const Run r = runAdmin({u"restore"_s, backup, bank});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const QStringList safety = QDir(path(u"DATA"_s)).entryList({u"TiKu-恢复前-*.mdb"_s}, QDir::Files);
        QCOMPARE(safety.size(), 1);
        const QString kept = path(u"DATA/"_s + safety.first());
        QCOMPARE(r.out, u"restored %1 from %2; the bank as it was before is kept in %3\n"_s.arg(
                            native(bank), native(backup), native(kept)));
        QCOMPARE(dump(kept), changed);
        const QStringList now = dump(bank);
        QCOMPARE(now.mid(0, now.size() - 1), atBackup.mid(0, atBackup.size() - 1));
    }

    // A restore cut off by a crash: the next command puts the bank back
    // from the safety copy before it does its own work, and says so.
    void interruptedRestoreIsUndoneByTheNextCommand()
    {
        const QString safety = path(u"DATA/TiKu-恢复前-20260901-080000.mdb"_s);
        QCOMPARE(runAdmin({u"backup"_s, bank, safety}).exitCode, 0);
        const QByteArray before = fileBytes(bank);
        writeFile(path(u"DATA/TiKu-恢复中.txt"_s), "TiKu-恢复前-20260901-080000.mdb\n");
        writeFile(bank, before.left(2 * 4096));

        const QString out = path(u"backup.mdb"_s);
        const Run r = runAdmin({u"backup"_s, bank, out});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY2(r.err.contains(u"上一次恢复时中断了"_s) && r.err.contains(native(safety)),
                 qPrintable(r.err));
        QVERIFY(fileBytes(bank) == before);
        QCOMPARE(dump(out), dump(bank));
        QVERIFY(!QFileInfo::exists(path(u"DATA/TiKu-恢复中.txt"_s)));
    }

    void restoreRefusals_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("says");
        QTest::newRow("text") << u"notes.mdb"_s << u"不是题库文件"_s;
        QTest::newRow("missing") << u"missing.mdb"_s << u"找不到文件"_s;
        QTest::newRow("itself") << u"DATA/./TiKu.mdb"_s << u"就是正在使用的题库文件"_s;
    }
    void restoreRefusals()
    {
        QFETCH(QString, source);
        QFETCH(QString, says);
        writeFile(path(u"notes.mdb"_s), "这不是题库");
        const QByteArray before = fingerprint(bank);
        const Run r = runAdmin({u"restore"_s, path(source), bank});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(u"tiku-admin restore: "_s) && r.err.contains(says), qPrintable(r.err));
        QVERIFY2(r.err.contains(u"The bank was not changed."_s), qPrintable(r.err));
        QCOMPARE(r.out, QString());
        QCOMPARE(fingerprint(bank), before);
        QCOMPARE(QDir(path(u"DATA"_s)).entryList(QDir::Files), QStringList{u"TiKu.mdb"_s});
    }

    void restoreIntoSomethingThatIsNotABank()
    {
        const QString backup = path(u"backup.mdb"_s);
        QCOMPARE(runAdmin({u"backup"_s, bank, backup}).exitCode, 0);
        const QString text = path(u"notes.mdb"_s);
        writeFile(text, "notes");
        const Run r = runAdmin({u"restore"_s, backup, text});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(u"is not a bank file"_s), qPrintable(r.err));
        QCOMPARE(fileBytes(text), QByteArray("notes"));
        QCOMPARE(runAdmin({u"restore"_s, backup}).exitCode, 2);
    }

    void mergeSaysWhatItAppended()
    {
        const QString source = path(u"学校题库.mdb"_s);
        makeBank(source, numbered({u"8"_s, u"9"_s, u"10"_s}, u"s"_s));
        BankStore::openExternalBank(source).appendKnowledgePath(
            {u"数与代数"_s, u"方程"_s, u"一元一次方程"_s});
        BankStore::openExternalBank(source).appendQuestionType(u"证明题"_s);
        Run r = runAdmin({u"merge"_s, source, bank});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(r.out,
                 u"merged %1 into %2: appended 3 questions, numbered 3 to 5; added 1 knowledge paths and 1 "
                 u"question types the bank lacked\n"_s.arg(native(source), native(bank)));
        QCOMPARE(numbersOf(bank), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}));
        QCOMPARE(BankStore::openExternalBank(bank).questionTypes().size(), size_t(1));

        // An empty source may still bring its classification.
        const QString empty = path(u"empty.mdb"_s);
        makeBank(empty);
        BankStore::openExternalBank(empty).appendQuestionType(u"作图题"_s);
        r = runAdmin({u"merge"_s, empty, bank});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out,
                 u"merged %1 into %2: the source holds no questions, none was appended; added 0 knowledge "
                 u"paths and 1 question types the bank lacked\n"_s.arg(native(empty), native(bank)));
        QCOMPARE(numbersOf(bank).size(), 5);
    }

    // tiku-admin restore killed (kill -9) at many points of a restore of a
    // bank of several megabytes: the next command finds the bank as it was
    // before, or wholly restored, never anything between, and no leftovers.
    void killedRestoresAreUndoneByTheNextCommand()
    {
        const QString pristine = path(u"pristine.mdb"_s);
        QCOMPARE(runAdmin({u"generate"_s, pristine, u"--questions"_s, u"800"_s, u"--paths"_s, u"200"_s,
                           u"--seed"_s, u"3"_s})
                     .exitCode,
                 0);
        const QString source = path(u"source.mdb"_s);
        QCOMPARE(runAdmin({u"generate"_s, source, u"--questions"_s, u"1300"_s, u"--paths"_s, u"300"_s,
                           u"--seed"_s, u"4"_s})
                     .exitCode,
                 0);
        QVERIFY(QFileInfo(pristine).size() > 4 << 20);
        const QStringList before = content(pristine);
        const QStringList restored = content(source);
        const QString data = path(u"DATA"_s);
        const QString marker = restoreMarkerPath(bank);

        int halfWritten = 0; // kills that left the bank half replaced, with its marker
        int undone = 0;
        const QList<int> delays{0, 20, 40, 60, 80, 100, 130, 160, 200, 300};
        const int rounds = int(delays.size()) + 12;
        for (int round = 0; round < rounds; ++round) {
            for (const QString& name : QDir(data).entryList(QDir::Files | QDir::Hidden))
                QVERIFY(QFile::remove(data + u'/' + name));
            QVERIFY(QFile::copy(pristine, bank));
            const FileIdentity untouched = FileIdentity::of(bank);
            QElapsedTimer started;
            started.start();
            std::function<bool()> when;
            if (round < delays.size()) {
                const int delay = delays.at(round);
                when = [&started, delay] { return started.elapsed() >= delay; };
            } else if (round % 3 == 0) {
                // While the safety copy is written.
                when = [&] { return !temporariesIn(data).isEmpty(); };
            } else {
                // Once pages of the source are going into the bank.
                when = [&] { return QFileInfo::exists(marker) && !sameIdentity(untouched, bank); };
            }
            killWhen({u"restore"_s, source, bank}, when);
            const bool markerLeft = QFileInfo::exists(marker);
            if (markerLeft && fingerprint(bank) != fingerprint(pristine))
                ++halfWritten;

            const Run r = runAdmin({u"backup"_s, bank, path(u"after.mdb"_s)});
            QVERIFY2(r.exitCode == 0, qPrintable(u"round %1: %2"_s.arg(round).arg(r.err)));
            if (markerLeft) {
                QVERIFY2(r.err.contains(u"上一次恢复时中断了"_s), qPrintable(r.err));
                ++undone;
            }
            QCOMPARE(checkBankFile(bank), BankFileState::Sound);
            const QStringList now = content(bank);
            QVERIFY2(now == before || now == restored, qPrintable(u"round %1"_s.arg(round)));
            if (markerLeft)
                QVERIFY(fileBytes(bank) == fileBytes(pristine));
            QVERIFY(!QFileInfo::exists(marker));
            QCOMPARE(largeTemporariesIn(data), QStringList());
        }
        qInfo("%d of %d kills left the bank half replaced; %d restores were undone", halfWritten, rounds,
              undone);
        QVERIFY(halfWritten > 0);
    }

    // tiku-admin merge killed in the middle: its journal stays beside the
    // bank. Every command still takes the bank, as it was before the merge.
    void killedMergeLocksNobodyOut()
    {
        const QString big = path(u"DATA/TiKu.mdb"_s);
        QVERIFY(QFile::remove(big));
        QCOMPARE(runAdmin({u"generate"_s, big, u"--questions"_s, u"800"_s, u"--seed"_s, u"5"_s}).exitCode, 0);
        const QString source = path(u"source.mdb"_s);
        QCOMPARE(runAdmin({u"generate"_s, source, u"--questions"_s, u"1500"_s, u"--seed"_s, u"6"_s}).exitCode,
                 0);
        const QStringList before = numbersAndContents(big);
        const QByteArray pristine = fileBytes(big);
        const QString journal = big + u"-journal"_s;
        // Killed while its commit writes the bank: the journal that takes
        // the pages back is on the disk (hot), the bank half written.
        bool hot = false;
        for (int attempt = 0; attempt < 10 && !hot; ++attempt) {
            QFile::remove(journal);
            writeFile(big, pristine);
            const FileIdentity untouched = FileIdentity::of(big);
            killWhen({u"merge"_s, source, big},
                     [&] { return QFileInfo::exists(journal) && !sameIdentity(untouched, big); });
            hot = QFileInfo::exists(journal) && fileBytes(journal).left(8) != QByteArray(8, '\0') &&
                  fileBytes(big) != pristine;
        }
        QVERIFY2(hot, "no merge was killed while it wrote the bank");

        Run r = runAdmin({u"backup"_s, big, path(u"copy.mdb"_s)});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(numbersAndContents(path(u"copy.mdb"_s)), before);
        QVERIFY(!QFileInfo::exists(journal));
        r = runAdmin({u"export"_s, big, u"--question-types"_s, path(u"types.rtf"_s)});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        r = runAdmin({u"merge"_s, path(u"copy.mdb"_s), big});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(numbersOf(big).size(), 2 * before.size());
    }

    // What a restore is for: a bank damaged, cut short or gone.
    void restoreOntoABankThatCannotBeUsed()
    {
        const QString backup = path(u"backup.mdb"_s);
        QCOMPARE(runAdmin({u"backup"_s, bank, backup}).exitCode, 0);
        appendLargeQuestions(bank, 200, 8000);

        scribble(bank, 20 * 4096, 64 * 1024);
        Run r = runAdmin({u"restore"_s, backup, bank});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(u"the bank as it was before is kept in"_s), qPrintable(r.out));
        QCOMPARE(content(bank), content(backup));

        QVERIFY(QFile::resize(bank, 3 * 4096));
        r = runAdmin({u"restore"_s, backup, bank});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(content(bank), content(backup));

        QVERIFY(QFile::remove(bank));
        r = runAdmin({u"restore"_s, backup, bank});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(r.out,
                 u"restored %1 from %2; there was no bank file before\n"_s.arg(native(bank), native(backup)));
        QCOMPARE(content(bank), content(backup));
        QCOMPARE(QDir(path(u"DATA"_s)).entryList({u"TiKu-恢复前-*.mdb"_s}, QDir::Files).size(), 2);

        // A source that is damaged is refused, and blamed.
        const QString damaged = path(u"damaged.mdb"_s);
        QVERIFY(QFile::copy(bank, damaged));
        appendLargeQuestions(damaged, 60, 4000);
        scribble(damaged, 8 * 4096, 64 * 1024);
        const QByteArray now = fingerprint(bank);
        r = runAdmin({u"restore"_s, damaged, bank});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(u"文件“%1”已损坏"_s.arg(native(damaged))), qPrintable(r.err));
        QCOMPARE(fingerprint(bank), now);
    }

    // A backup killed while it writes leaves its hidden temporary, as large
    // as the bank; the next backup to that file removes it.
    void killedBackupLeavesNothingForLong()
    {
        appendLargeQuestions(bank, 600, 8000);
        const QString out = path(u"夜间.mdb"_s);
        bool left = false;
        for (int attempt = 0; attempt < 10 && !left; ++attempt) {
            killWhen({u"backup"_s, bank, out}, [&] {
                const QStringList t = temporariesIn(dir->path());
                return !t.isEmpty() && QFileInfo(dir->filePath(t.first())).size() > 0;
            });
            left = !temporariesIn(dir->path()).isEmpty();
        }
        QVERIFY2(left, "no backup was killed while it wrote");
        const Run r = runAdmin({u"backup"_s, bank, out});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(largeTemporariesIn(dir->path()), QStringList());
        QCOMPARE(dump(out), dump(bank));
    }

    // A disk that fills up: a backup says so and names the file asked for;
    // a restore says what became of the bank at each point it can stop.
    void fullDisks()
    {
        appendLargeQuestions(bank, 250, 8000, u"bank"_s);
        const qint64 bankSize = QFileInfo(bank).size();
        const QString source = path(u"source.mdb"_s);
        makeBank(source);
        appendLargeQuestions(source, 500, 8000, u"source"_s);
        const qint64 sourceSize = QFileInfo(source).size();
        QVERIFY(sourceSize > bankSize + (1 << 20));
        {
            SmallDisk disk(bankSize / 1024 / 2);
            if (!disk.isMounted())
                QSKIP("a small file system needs root (mount -t tmpfs); BankMaintenanceTest fills a file "
                      "instead");
            const QString out = disk.path(u"备份.mdb"_s);
            const Run r = runAdmin({u"backup"_s, bank, out});
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(r.err.endsWith(
                         u"tiku-admin backup: %1 was not written: 磁盘已满，不能把文件写到“%1”。\n"_s.arg(
                             native(out))),
                     qPrintable(r.err));
            QVERIFY(!r.err.contains(u".part"_s) && !r.err.contains(u"Unknown error"_s));
            QCOMPARE(QDir(disk.path(QString())).entryList(QDir::Files | QDir::Hidden), QStringList());
        }
        struct Level
        {
            qint64 kib;
            int exitCode;
            QString says;
        };
        const QList<Level> levels{
            {bankSize / 1024 + 256, 1, u"the bank was not changed: 磁盘已满"_s},
            {2 * bankSize / 1024 + 512, 1, u"the restore failed, and the bank was put back as it was"_s},
            {(2 * bankSize + sourceSize) / 1024 + 1024, 0, u"restored"_s},
        };
        for (const Level& level : levels) {
            SmallDisk disk(level.kib);
            QVERIFY(disk.isMounted());
            const QString onDisk = disk.path(u"TiKu.mdb"_s);
            QVERIFY(QFile::copy(bank, onDisk));
            const QByteArray before = fileBytes(onDisk);
            const Run r = runAdmin({u"restore"_s, source, onDisk});
            QCOMPARE(r.exitCode, level.exitCode);
            QVERIFY2((r.exitCode == 0 ? r.out : r.err).contains(level.says), qPrintable(r.err + r.out));
            QVERIFY(!QFileInfo::exists(restoreMarkerPath(onDisk)));
            QCOMPARE(temporariesIn(disk.path(QString())), QStringList());
            if (level.exitCode == 0) {
                QCOMPARE(content(onDisk), content(source));
            } else {
                QVERIFY(fileBytes(onDisk) == before);
                QCOMPARE(checkBankFile(onDisk), BankFileState::Sound);
            }
        }
    }

    void mergeRefusals_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("says");
        QTest::newRow("text") << u"notes.mdb"_s << u"不是题库文件"_s;
        QTest::newRow("missing") << u"missing.mdb"_s << u"找不到文件"_s;
        QTest::newRow("itself") << u"DATA/../DATA/TiKu.mdb"_s << u"不能把题库合并到它自己"_s;
    }
    void mergeRefusals()
    {
        QFETCH(QString, source);
        QFETCH(QString, says);
        writeFile(path(u"notes.mdb"_s), "这不是题库");
        const QByteArray before = fingerprint(bank);
        const Run r = runAdmin({u"merge"_s, path(source), bank});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(u"tiku-admin merge: "_s) && r.err.contains(says), qPrintable(r.err));
        QCOMPARE(fingerprint(bank), before);
    }

    void mergeFailureChangesNothing()
    {
        BankStore::openExternalBank(bank).appendQuestion(TestQuestion{.number = u"第三题"_s}.record());
        const QString source = path(u"source.mdb"_s);
        makeBank(source, numbered({u"1"_s}));
        const QByteArray before = fingerprint(bank);
        const Run r = runAdmin({u"merge"_s, source, bank});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(u"nothing was appended"_s) && r.err.contains(u"第三题"_s), qPrintable(r.err));
        QCOMPARE(fingerprint(bank), before);

        QCOMPARE(runAdmin({u"merge"_s, source}).exitCode, 2);
        QCOMPARE(runAdmin({u"merge"_s, source, bank, u"--x"_s}).exitCode, 2);
    }

    void renameKnowledgePointsAndTypes()
    {
        {
            BankStore store = BankStore::openExternalBank(bank);
            store.appendKnowledgePath({u"数与代数"_s, u"一次函数"_s, u"应用"_s});
            store.appendKnowledgePath({u"数与代数"_s, u"二次函数"_s, u"应用"_s});
            store.appendKnowledgePath({u"数与代数"_s, u"一次函数"_s, u"图象"_s});
            store.appendQuestionType(u"选择题"_s);
            TestQuestion q;
            q.knowledge2 = u"一次函数"_s;
            q.knowledge3 = u"应用"_s;
            store.appendQuestion(q.record());
            q.knowledge2 = u"二次函数"_s;
            store.appendQuestion(q.record());
        }
        // Level 3 under the names given: the other 应用 stays.
        Run r = runAdmin({u"rename"_s, bank, u"--knowledge-point"_s, u"3"_s, u"应用"_s, u"实际应用"_s,
                          u"--under"_s, u"数与代数"_s, u"一次函数"_s});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(r.out, u"renamed level-3 knowledge point 应用 under 数与代数 / 一次函数 to 实际应用 in %1: "
                        u"1 rows of 知识点表, 1 questions\n"_s.arg(native(bank)));
        // Qt's own remarks (no XDG_RUNTIME_DIR here) are not the tool's to print.
        QCOMPARE(r.err, QString());
        BankStore store = BankStore::openExternalBank(bank);
        QStringList paths;
        for (const KnowledgePath& p : store.knowledgePaths())
            paths << p.level2 + u'/' + p.level3;
        QCOMPARE(paths, (QStringList{u"一次函数/实际应用"_s, u"二次函数/应用"_s, u"一次函数/图象"_s}));
        QStringList filed;
        for (const QuestionRecord& q : store.questions())
            filed << q.path.level2 + u'/' + q.path.level3;
        QCOMPARE(filed.mid(2), (QStringList{u"一次函数/实际应用"_s, u"二次函数/应用"_s}));

        // A type, the questions kept as they are.
        r = runAdmin(
            {u"rename"_s, bank, u"--question-type"_s, u"选择题"_s, u"单项选择题"_s, u"--keep-questions"_s});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(r.out, u"renamed question type 选择题 to 单项选择题 in %1: 1 rows of 题型表, 0 questions "
                        u"(4 questions keep the old name)\n"_s.arg(native(bank)));
        QCOMPARE(r.err, QString());
        QCOMPARE(store.questionTypes().front().name, u"单项选择题"_s);
        QCOMPARE(store.questions().front().type, u"选择题"_s);

        // Refusals change nothing and say why.
        const QStringList before = dump(bank);
        r = runAdmin({u"rename"_s, bank, u"--knowledge-point"_s, u"2"_s, u"三角形"_s, u"图形"_s});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err,
                 u"tiku-admin rename: %1 has no level-2 knowledge point 三角形 in 知识点表; nothing was "
                 u"changed\n"_s.arg(native(bank)));
        r = runAdmin({u"rename"_s, bank, u"--question-type"_s, u"填空题"_s, QString()});
        QCOMPARE(r.exitCode, 1);
        r = runAdmin({u"rename"_s, bank, u"--knowledge-point"_s, u"4"_s, u"应用"_s, u"实际应用"_s});
        QCOMPARE(r.exitCode, 2);
        r = runAdmin({u"rename"_s, bank, u"--knowledge-point"_s, u"2"_s, u"一次函数"_s, u"x"_s, u"--under"_s,
                      u"a"_s, u"b"_s});
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(dump(bank), before);
        const QString notes = path(u"notes.mdb"_s);
        writeFile(notes, "notes");
        r = runAdmin({u"rename"_s, notes, u"--question-type"_s, u"a"_s, u"b"_s});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(u"is not a bank file"_s), qPrintable(r.err));
        QCOMPARE(fileBytes(notes), QByteArray("notes"));
    }

    void printsOnlyItsOwnMessages()
    {
        // Each command on standard error says only what went wrong with it.
        Run r = runAdmin({u"backup"_s, bank, path(u"copy.mdb"_s)});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QString());
        r = runAdmin({u"export"_s, bank, u"--question-types"_s, path(u"题型.rtf"_s)});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QString());
        r = runAdmin({u"backup"_s, bank, path(u"nowhere/x.mdb"_s)});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith(u"tiku-admin backup: "_s) && r.err.count(u'\n') == 1, qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(MaintenanceToolTest)
#include "MaintenanceToolTest.moc"
