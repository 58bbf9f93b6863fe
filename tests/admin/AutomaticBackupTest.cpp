// The program's own backups beside the bank: at most one a day, the newest
// ten kept, and a failure that never stops the program from ending.
#include "admin/AutomaticBackup.h"
#include "AdminTestSupport.h"
#include "store/BankSchema.h"

#include <QTemporaryDir>

namespace {

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

class AutomaticBackupTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestBank> bank;

private slots:
    void init() { bank = std::make_unique<TestBank>(); }
    void cleanup() { bank.reset(); }

    void automaticBackupsKeepTheLastTen()
    {
        bank->addUser(u"admin"_s, u"admin123"_s);
        bank->addQuestion({.number = u"1"_s});
        const QString folder = AutomaticBackup::folderFor(bank->bankPath());
        QCOMPARE(folder, bank->programDir() + u"/DATA/备份"_s);
        QDir().mkpath(folder);
        writeFile(folder + u"/老师自己的备份.mdb"_s, "mine");
        writeFile(folder + u"/TiKu-2026.mdb"_s, "not one of ours");

        QStringList made;
        for (int day = 1; day <= 12; ++day) {
            const QDateTime when(QDate(2026, 9, day), QTime(18, 0, day));
            const AutomaticBackup::Result r = AutomaticBackup::run(bank->bankPath(), when);
            QCOMPARE(
                r.made,
                folder +
                    u"/TiKu-202609%1-1800%2.mdb"_s.arg(day, 2, 10, QChar(u'0')).arg(day, 2, 10, QChar(u'0')));
            made << QFileInfo(r.made).fileName();
            // At most once a day: later the same day nothing is made.
            QCOMPARE(AutomaticBackup::run(bank->bankPath(), when.addSecs(3600)).made, QString());
        }
        QStringList expected = made.mid(2);
        expected << u"TiKu-2026.mdb"_s << u"老师自己的备份.mdb"_s;
        expected.sort();
        QStringList present = filesIn(folder);
        present.sort();
        QCOMPARE(present, expected);
        QCOMPARE(dump(folder + u'/' + made.last()), dump(bank->bankPath()));
    }

    // A bank damaged past its first pages copies without a complaint, day
    // after day. Its copies are checked, kept apart (the newest one only)
    // and never push a good copy out.
    void aDamagedBankNeverPushesAGoodBackupOut()
    {
        bank->addUser(u"admin"_s, u"admin123"_s);
        appendLargeQuestions(bank->bankPath(), 100, 4000);
        const QString folder = AutomaticBackup::folderFor(bank->bankPath());
        QStringList good;
        for (int day = 1; day <= 10; ++day) {
            const AutomaticBackup::Result r =
                AutomaticBackup::run(bank->bankPath(), QDateTime(QDate(2026, 9, day), QTime(18, 0)));
            QCOMPARE(r.damage, QString());
            good << QFileInfo(r.made).fileName();
        }
        QVERIFY(!AutomaticBackup::newestIsDamaged(bank->bankPath()));
        scribble(bank->bankPath(), 40 * 4096, 64 * 1024);
        QVERIFY(isBankFile(bank->bankPath())); // it still opens

        AutomaticBackup::Result r =
            AutomaticBackup::run(bank->bankPath(), QDateTime(QDate(2026, 9, 11), QTime(18, 0)));
        QVERIFY2(r.damage.contains(u"数据库检查未通过"_s), qPrintable(r.damage));
        QCOMPARE(r.made, folder + u"/TiKu-20260911-180000-损坏.mdb"_s);
        QCOMPARE(r.removed, QStringList());
        // At most once a day, a damaged copy too.
        QCOMPARE(AutomaticBackup::run(bank->bankPath(), QDateTime(QDate(2026, 9, 11), QTime(19, 0))).made,
                 QString());
        r = AutomaticBackup::run(bank->bankPath(), QDateTime(QDate(2026, 9, 12), QTime(18, 0)));
        QCOMPARE(r.removed, QStringList{folder + u"/TiKu-20260911-180000-损坏.mdb"_s});
        QCOMPARE(filesIn(folder), good + QStringList{u"TiKu-20260912-180000-损坏.mdb"_s});
        QVERIFY(AutomaticBackup::newestIsDamaged(bank->bankPath()));
        QCOMPARE(AutomaticBackup::newestGood(bank->bankPath()), folder + u'/' + good.last());
        QCOMPARE(AutomaticBackup::madeAt(folder + u"/TiKu-20260912-180000-损坏.mdb"_s),
                 QDateTime(QDate(2026, 9, 12), QTime(18, 0)));

        // A copy named as a good one that does not pass the check is skipped.
        writeFile(folder + u'/' + good.last(), QByteArray(8192, 'x'));
        QCOMPARE(AutomaticBackup::newestGood(bank->bankPath()), folder + u'/' + good.at(8));
    }

    // A copy killed at the program's end leaves its hidden temporary; the
    // next automatic backup removes it.
    void leftoversOfAKilledBackupGo()
    {
        bank->addUser(u"admin"_s, u"admin123"_s);
        const QString folder = AutomaticBackup::folderFor(bank->bankPath());
        QDir().mkpath(folder);
        writeFile(folder + u"/.TiKu-20260901-180000.mdb.AbCdEf.part"_s, QByteArray(50000, 'x'));
        writeFile(folder + u"/.老师的.mdb.AbCdEf.part"_s, QByteArray(50000, 'x'));
        AutomaticBackup::run(bank->bankPath(), QDateTime(QDate(2026, 9, 2), QTime(18, 0)));
        QCOMPARE(temporariesIn(folder), QStringList{u".老师的.mdb.AbCdEf.part"_s});
    }

    void automaticBackupFailureIsReportedNotThrownAtTheEnd()
    {
        // A bank that is not a database cannot be copied.
        writeFile(bank->bankPath(), QByteArray(4096, 'x'));
        QVERIFY(storeErrorOf([&] {
                    AutomaticBackup::run(bank->bankPath(), QDateTime::currentDateTime());
                }).number != 0);
        QCOMPARE(filesIn(AutomaticBackup::folderFor(bank->bankPath())), QStringList());
        AutomaticBackup::atProgramEnd(bank->bankPath()); // says so on standard error, and returns
        AutomaticBackup::atProgramEnd(bank->programDir() + u"/missing/TiKu.mdb"_s);
        QVERIFY(!QFileInfo::exists(bank->programDir() + u"/missing"_s));
    }
};

QTEST_GUILESS_MAIN(AutomaticBackupTest)
#include "AutomaticBackupTest.moc"
