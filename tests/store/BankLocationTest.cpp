// Where the bank of a start lives (beside the program, in the user's data
// folder, or where --bank says), and the user's bank made from the template.
#include "store/BankLocation.h"
#include "BuildInfo.h"
#include "common/OrdinaryUser.h"
#include "store/BankSchema.h"
#include "store/BankStore.h"
#include "store/LoginCheck.h"
#include "store/Password.h"
#include "store/ProgramDirectory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace Qt::StringLiterals;
using Place = BankLocation::Place;

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

const QString kAppId = QString::fromUtf16(BuildInfo::kAppId);

} // namespace

class BankLocationTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> root;

    QString at(const QString& relative) const { return root->path() + u'/' + relative; }

    // A bank as the build makes the default one: the schema and the super
    // administrator admin / admin123.
    void makeTemplate(const QString& path)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        createBankFile(path);
        BankStore::openExternalBank(path).appendUser(
            {u"admin"_s, hashPassword(u"admin123"_s), u"超级管理"_s});
    }

    // An installed copy: <root>/usr/bin (no DATA) and the template in
    // <root>/usr/share/<id>/TiKu.mdb.
    QString installedCopy()
    {
        QDir().mkpath(at(u"usr/bin"_s));
        makeTemplate(at(u"usr/share/"_s + kAppId + u"/TiKu.mdb"_s));
        return at(u"usr/bin"_s);
    }

private slots:
    void init()
    {
        root = std::make_unique<QTemporaryDir>();
        // Readable by the ordinary account that some tests take on.
        QFile::setPermissions(root->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                QFileDevice::ExeOther);
    }
    void cleanup()
    {
        setBankFilePath(QString());
        setProgramDirectory(QString());
        root.reset();
    }

    // A build folder or a portable copy keeps its bank beside the program,
    // as it always has; so does a folder without DATA that is no installed
    // copy (the login then says that the bank is missing).
    void aFolderWithItsOwnDataKeepsTheBankBesideIt()
    {
        QDir().mkpath(at(u"portable/DATA"_s));
        BankLocation l = chooseBankLocation(QString(), at(u"portable"_s), at(u"home"_s));
        QCOMPARE(int(l.place), int(Place::BesideProgram));
        QCOMPARE(l.bank, at(u"portable/DATA/TiKu.mdb"_s));
        QVERIFY(l.templateFile.isEmpty());
        // The check leaves nothing behind in DATA.
        QCOMPARE(
            QDir(at(u"portable/DATA"_s)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList());

        QDir().mkpath(at(u"nodata"_s));
        l = chooseBankLocation(QString(), at(u"nodata"_s), at(u"home"_s));
        QCOMPARE(int(l.place), int(Place::BesideProgram));
        QCOMPARE(l.bank, at(u"nodata/DATA/TiKu.mdb"_s));
        QCOMPARE(provideBank(l), QString());
        QVERIFY(!QFileInfo::exists(l.bank));
    }

    // Installed, the program has no DATA beside it: the bank is the user's
    // own, in their data folder, made from the installed template at the
    // first start. The copy is the template, byte for byte, and the default
    // account logs in to it.
    void anInstalledCopyMakesTheUsersBankFromTheTemplate()
    {
        const QString bin = installedCopy();
        const QString home = at(u"home/.local/share/"_s + kAppId);
        const BankLocation l = chooseBankLocation(QString(), bin, home);
        QCOMPARE(int(l.place), int(Place::UserData));
        QCOMPARE(l.bank, home + u"/DATA/TiKu.mdb"_s);
        QCOMPARE(l.templateFile, at(u"usr/share/"_s + kAppId + u"/TiKu.mdb"_s));

        QCOMPARE(provideBank(l), QString());
        QVERIFY(bytesOf(l.bank) == bytesOf(l.templateFile));
        QCOMPARE(checkBankFile(l.bank), BankFileState::Sound);
        // Only the bank is there: no temporary left beside it.
        QCOMPARE(QDir(home + u"/DATA"_s).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{u"TiKu.mdb"_s});
        QVERIFY(QFileInfo(l.bank).permissions().testFlag(QFileDevice::WriteOwner));
        setBankFilePath(l.bank);
        QCOMPARE(int(checkLogin(u"admin"_s, u"admin123"_s).kind), int(LoginOutcome::LoggedIn));
    }

    // A bank that is there is the user's: a newer template (a package
    // upgrade) never replaces it, nor any other start.
    void theUsersBankIsNeverReplaced()
    {
        const QString bin = installedCopy();
        const BankLocation l = chooseBankLocation(QString(), bin, at(u"home"_s));
        QCOMPARE(provideBank(l), QString());
        BankStore::openExternalBank(l.bank).appendUser(
            {u"张老师"_s, hashPassword(u"123456"_s), u"一般人员"_s});
        const QByteArray mine = bytesOf(l.bank);
        QVERIFY(mine != bytesOf(l.templateFile));

        QFile::remove(l.templateFile);
        makeTemplate(l.templateFile); // the upgrade's template
        QCOMPARE(provideBank(chooseBankLocation(QString(), bin, at(u"home"_s))), QString());
        QVERIFY(bytesOf(l.bank) == mine);
    }

    // --bank names the bank, made absolute, whatever the folders hold; a
    // missing one is not made (the login offers to restore it).
    void aGivenBankOverridesBoth()
    {
        const QString bin = installedCopy();
        QDir::setCurrent(root->path());
        const BankLocation l = chooseBankLocation(u"school/TiKu.mdb"_s, bin, at(u"home"_s));
        QCOMPARE(int(l.place), int(Place::Given));
        QCOMPARE(l.bank, at(u"school/TiKu.mdb"_s));
        QCOMPARE(provideBank(l), QString());
        QVERIFY(!QFileInfo::exists(l.bank));
        QVERIFY(!QFileInfo::exists(at(u"home"_s)));
    }

    // A copy on a medium the user cannot write to (a read-only DATA): the
    // user's data folder gets a copy of its bank.
    void aReadOnlyCopyGivesTheUserACopyOfItsBank()
    {
        const QString bank = at(u"cd/DATA/TiKu.mdb"_s);
        makeTemplate(bank);
        QFile::setPermissions(at(u"cd"_s), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                               QFileDevice::ReadOther | QFileDevice::ExeOther);
        QFile::setPermissions(at(u"cd/DATA"_s), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                    QFileDevice::ReadOther | QFileDevice::ExeOther);
        QFile::setPermissions(bank, QFileDevice::ReadOwner | QFileDevice::ReadOther);
        QDir().mkpath(at(u"home"_s));
        BankLocation l;
        {
            OrdinaryUser user({at(u"home"_s)});
            l = chooseBankLocation(QString(), at(u"cd"_s), at(u"home"_s));
            QCOMPARE(provideBank(l), QString());
        }
        QFile::setPermissions(at(u"cd/DATA"_s),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(at(u"cd"_s),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(int(l.place), int(Place::UserData));
        QCOMPARE(l.templateFile, bank);
        QVERIFY(bytesOf(l.bank) == bytesOf(bank));
    }

    // The user's data folder cannot be made (a file is in the way): the
    // reason names the bank, and nothing is written.
    void aBankThatCannotBeMadeIsSaid()
    {
        const QString bin = installedCopy();
        writeBytes(at(u"home"_s), "not a folder");
        const BankLocation l = chooseBankLocation(QString(), bin, at(u"home/"_s + kAppId));
        const QString said = provideBank(l);
        QVERIFY2(
            said.startsWith(u"无法在“%1”建立题库：不能建立文件夹"_s.arg(QDir::toNativeSeparators(l.bank))),
            qPrintable(said));
        QVERIFY(bytesOf(at(u"home"_s)) == "not a folder");
    }

#ifdef Q_OS_UNIX
    // The disk fills up while the template is copied: no bank, half made,
    // takes the bank's name (the next start would take it for the user's
    // bank and never make it again), and nothing is left beside it. Files
    // of this process may not grow past a few kilobytes (RLIMIT_FSIZE).
    void aCopyCutShortLeavesNoBank()
    {
        const QString bin = installedCopy();
        const BankLocation l = chooseBankLocation(QString(), bin, at(u"home"_s));
        QVERIFY(QFileInfo(l.templateFile).size() > 16384);
        QDir().mkpath(at(u"home/DATA"_s));

        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit limited = old;
        limited.rlim_cur = 8192;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const QString said = provideBank(l);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY2(said.startsWith(u"无法在“%1”建立题库：写入失败"_s.arg(l.bank)), qPrintable(said));
        QVERIFY(!QFileInfo::exists(l.bank));
        QCOMPARE(QDir(at(u"home/DATA"_s)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
        // The next start makes it whole.
        QCOMPARE(provideBank(l), QString());
        QVERIFY(bytesOf(l.bank) == bytesOf(l.templateFile));
    }
#endif

    // Files the program ships are found beside it, else where an installed
    // copy keeps them.
    void shippedFilesBesideTheProgramOrInstalled()
    {
        const QString bin = installedCopy();
        setProgramDirectory(bin);
        QCOMPARE(installedDataDirectory(), at(u"usr/share/"_s + kAppId));
        QCOMPARE(shippedFile(u"帮助.html"_s), bin + u"/帮助.html"_s); // in neither
        writeBytes(at(u"usr/share/"_s + kAppId + u"/帮助.html"_s), "<p>installed</p>");
        QCOMPARE(shippedFile(u"帮助.html"_s), at(u"usr/share/"_s + kAppId + u"/帮助.html"_s));
        writeBytes(bin + u"/帮助.html"_s, "<p>beside</p>");
        QCOMPARE(shippedFile(u"帮助.html"_s), bin + u"/帮助.html"_s);
    }
};

QTEST_GUILESS_MAIN(BankLocationTest)
#include "BankLocationTest.moc"
