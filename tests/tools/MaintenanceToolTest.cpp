// tiku-admin backup, restore, merge and rename with good and bad files: what
// they print, how they exit, and that a refused or failed command changes
// nothing.
#include "admin/AdminTestSupport.h"

#include <QProcess>
#include <QTemporaryDir>

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
        Run r = runAdmin({u"merge"_s, source, bank});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(r.out, u"merged %1 into %2: appended 3 questions, numbered 3 to 5\n"_s.arg(native(source),
                                                                                            native(bank)));
        QCOMPARE(numbersOf(bank), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}));

        const QString empty = path(u"empty.mdb"_s);
        makeBank(empty);
        r = runAdmin({u"merge"_s, empty, bank});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains(u"nothing was appended"_s), qPrintable(r.out));
        QCOMPARE(numbersOf(bank).size(), 5);
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
