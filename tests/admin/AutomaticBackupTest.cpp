// The program's own backups beside the bank: at most one a day, the newest
// ten kept, and a failure that never stops the program from ending.
#include "admin/AutomaticBackup.h"
#include "AdminTestSupport.h"

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
