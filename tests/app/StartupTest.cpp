// Start-up: the cover's sweep, the about window and the way to the login.
#include "admin/AutomaticBackup.h"
#include "admin/BankMaintenance.h"
#include "app/CoverArt.h"
#include "app/CoverFrm.h"
#include "app/frmdl.h"
#include "app/frmSplash.h"
#include "app/MDIForm1.h"
#include "app/RevealPicture.h"
#include "common/TestBank.h"
#include "store/BankSchema.h"
#include "store/CurrentUser.h"
#include "ui/ScriptedDialogs.h"
#include "ui/WindowRegistry.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using Shown = ScriptedDialogs::Shown;

namespace {

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT

    // The login opens the bank: every test has one, and boxes that nobody
    // answers fail the test instead of waiting for a click.
    std::unique_ptr<TestBank> bank;
    std::unique_ptr<ScriptedDialogs> dialogs;

    QString backups() const { return AutomaticBackup::folderFor(bank->bankPath()); }

    // A backup of the bank as it is now, among the automatic ones, made at `stamp` (yyyyMMdd-HHmmss).
    QString keepAutomaticBackup(const QString& stamp)
    {
        QDir().mkpath(backups());
        const QString path = backups() + u"/TiKu-"_s + stamp + u".mdb"_s;
        BankMaintenance::backup(bank->bankPath(), path);
        return path;
    }

    // The way a teacher gets to the login: the about window's 确定.
    frmdl* openLogin()
    {
        auto* about = WindowRegistry::instance().window<frmSplash>();
        about->show();
        QTest::mouseClick(about->findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
        auto* login = WindowRegistry::instance().existing<frmdl>();
        return login && login->isVisible() ? login : nullptr;
    }

    void logIn(frmdl* login, const QString& name, const QString& password)
    {
        login->findChild<QLineEdit*>(u"Text1"_s)->setText(name);
        login->findChild<QLineEdit*>(u"Text2"_s)->setText(password);
        QTest::mouseClick(login->findChild<QPushButton*>(u"Commok"_s), Qt::LeftButton);
    }

    static bool mainWindowShown()
    {
        auto* main = WindowRegistry::instance().existing<MDIForm1>();
        return main && main->isVisible();
    }

private slots:
    void initTestCase() { CoverFrm::setColumnDelay(0); }
    void init()
    {
        bank = std::make_unique<TestBank>();
        dialogs = std::make_unique<ScriptedDialogs>();
        CurrentUser() = CurrentUserState{};
    }
    void cleanup()
    {
        QVERIFY2(dialogs->allAnswered(), qPrintable(dialogs->unexpected().join(u'|')));
        WindowRegistry::instance().discardAll();
        dialogs.reset();
        bank.reset();
    }

    // The bank cannot be used when the program starts: the login window
    // says so at once, and offers the newest automatic backup that passes
    // its check. The teacher logs in on the restored bank.
    void aBankThatCannotBeUsedIsRestoredAtStartUp()
    {
        bank->addUser(u"admin"_s, u"old"_s, u"超级管理"_s);
        keepAutomaticBackup(u"20260901-180000"_s);
        bank->store().deleteWhere({u"登录表"_s, {}, {}});
        bank->addUser(u"admin"_s, u"admin123"_s, u"超级管理"_s);
        bank->addQuestion({.number = u"1"_s});
        const QString good = keepAutomaticBackup(u"20260902-180000"_s);
        writeBytes(backups() + u"/TiKu-20260903-180000.mdb"_s,
                   QByteArray(8192, 'x')); // named as one, but no bank
        // The first page of the bank lost.
        const QByteArray whole = bytesOf(bank->bankPath());
        const QByteArray damaged = QByteArray(4096, '\0') + whole.mid(4096);
        writeBytes(bank->bankPath(), damaged);

        dialogs->answerYes();
        frmdl* login = openLogin();
        QVERIFY(login);
        QTRY_COMPARE(dialogs->shown().size(), 2);
        const Shown offer = dialogs->shown().at(0);
        QCOMPARE(offer.kind, ScriptedDialogs::Kind::Question);
        QCOMPARE(offer.title, u"警告"_s);
        QVERIFY2(offer.text.startsWith(u"题库文件不能使用，现在无法登录。\n文件“%1”不是题库文件"_s.arg(
                     native(bank->bankPath()))),
                 qPrintable(offer.text));
        QVERIFY2(offer.text.endsWith(u"\n\n是否用最近一次完好的自动备份“%1”（2026年9月2日 18:00）恢复题库？"
                                     u"\n选择“否”可以另选一个备份文件。"_s.arg(native(good))),
                 qPrintable(offer.text));
        const QStringList kept = QDir(bank->programDir() + u"/DATA"_s).entryList({u"TiKu-恢复前-*.mdb"_s});
        QCOMPARE(kept.size(), 1);
        const QString safety = bank->programDir() + u"/DATA/"_s + kept.first();
        QCOMPARE(dialogs->shown().at(1),
                 ScriptedDialogs::info(u"提示"_s,
                                       u"题库恢复成功！\n恢复前的题库保存在“%1”。"_s.arg(native(safety))));
        QVERIFY(bytesOf(safety) == damaged);
        QCOMPARE(checkBankFile(bank->bankPath()), BankFileState::Sound);

        dialogs->clearShown();
        logIn(login, u"admin"_s, u"admin123"_s);
        QCOMPARE(dialogs->shown(), QList<Shown>());
        QVERIFY(mainWindowShown());
        QCOMPARE(bank->store().questionCount(), 1);
    }

    // No bank and no automatic backup: the teacher picks a backup file.
    void aMissingBankIsRestoredFromAChosenFile()
    {
        bank->addUser(u"admin"_s, u"admin123"_s, u"超级管理"_s);
        QTemporaryDir elsewhere;
        const QString chosen = elsewhere.filePath(u"U盘备份.mdb"_s);
        BankMaintenance::backup(bank->bankPath(), chosen);
        QVERIFY(QFile::remove(bank->bankPath()));

        dialogs->answerYes();
        dialogs->answerFile(chosen);
        frmdl* login = openLogin();
        QVERIFY(login);
        QTRY_COMPARE(dialogs->shown().size(), 3);
        QCOMPARE(
            dialogs->shown().at(0),
            ScriptedDialogs::ask(
                u"警告"_s,
                u"题库文件不能使用，现在无法登录。\n找不到题库文件“%1”。\n\n在“%2”中没有找到完好的自动备份。"
                u"是否选择一个备份文件来恢复题库？"_s.arg(native(bank->bankPath()), native(backups()))));
        QCOMPARE(dialogs->shown().at(1).kind, ScriptedDialogs::Kind::OpenFile);
        QCOMPARE(dialogs->shown().at(2), ScriptedDialogs::info(u"提示"_s, u"题库恢复成功！"_s));
        logIn(login, u"admin"_s, u"admin123"_s);
        QVERIFY(mainWindowShown());
    }

    // The bank goes bad while the login window is open: 确定 meets it and
    // makes the same offer. Declined, nothing happens and nobody is logged
    // in; accepted, the login goes on by itself on the restored bank.
    void damageMetAtTheLoginIsOfferedThere()
    {
        bank->addUser(u"admin"_s, u"admin123"_s, u"超级管理"_s);
        const QString good = keepAutomaticBackup(u"20260902-180000"_s);
        frmdl* login = openLogin();
        QVERIFY(login);
        QTest::qWait(50);
        QCOMPARE(dialogs->shown(), QList<Shown>()); // a good bank: nothing to say
        writeBytes(bank->bankPath(), "这不是题库");

        dialogs->answerNo();            // not the automatic backup
        dialogs->answerFile(QString()); // and no file either
        logIn(login, u"admin"_s, u"admin123"_s);
        QCOMPARE(dialogs->shown().size(), 2);
        QVERIFY(dialogs->shown().at(0).text.contains(native(good)));
        QVERIFY(!mainWindowShown());
        QCOMPARE(bytesOf(bank->bankPath()), QByteArray("这不是题库"));

        dialogs->clearShown();
        dialogs->answerYes();
        logIn(login, u"admin"_s, u"admin123"_s);
        QCOMPARE(dialogs->shown().size(), 2);
        QCOMPARE(dialogs->shown().at(1).title, u"提示"_s);
        QVERIFY(mainWindowShown());
        QCOMPARE(CurrentUser().userName, u"admin"_s);
    }

    // Damage past the first pages opens without a complaint; when the last
    // automatic backup found the bank damaged, the start checks every page.
    void damageTheLastBackupFoundIsSaidAtStartUp()
    {
        bank->addUser(u"admin"_s, u"admin123"_s, u"超级管理"_s);
        for (int i = 1; i <= 80; ++i)
            bank->addQuestion({.content = "{\\rtf1 " + QByteArray(4000, char('a' + i % 26)) + "}"});
        const QString good = keepAutomaticBackup(u"20260901-180000"_s);
        QFile f(bank->bankPath());
        QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(30 * 4096));
        f.write(QByteArray(64 * 1024, '\xff'));
        f.close();
        QVERIFY(isBankFile(bank->bankPath()));
        const AutomaticBackup::Result r =
            AutomaticBackup::run(bank->bankPath(), QDateTime(QDate(2026, 9, 2), QTime(18, 0)));
        QVERIFY(!r.damage.isEmpty());

        dialogs->answerNo();
        dialogs->answerFile(QString());
        QVERIFY(openLogin());
        QTRY_COMPARE(dialogs->shown().size(), 2);
        QVERIFY2(dialogs->shown().at(0).text.startsWith(
                     u"题库文件不能使用，现在无法登录。\n题库文件“%1”已损坏（数据库检查未通过"_s.arg(
                         native(bank->bankPath()))),
                 qPrintable(dialogs->shown().at(0).text));
        QVERIFY(dialogs->shown().at(0).text.contains(native(good)));
    }

    void decimalColours()
    {
        QCOMPARE(colorFromDecimal(u"0"_s), QColor(0, 0, 0));
        QCOMPARE(colorFromDecimal(u"255"_s), QColor(255, 0, 0));
        QCOMPARE(colorFromDecimal(u"16711680"_s), QColor(0, 0, 255));
        QCOMPARE(colorFromDecimal(u"8454016"_s), QColor(128, 255, 128));
        QCOMPARE(colorToDecimal(QColor(128, 255, 128)), u"8454016"_s);
        QCOMPARE(colorFromDecimal(u"not a number"_s), QColor(0, 0, 0));
    }

    // Every pixel ends in its own colour: the last line through it is the one
    // aimed at it. A random picture catches any pixel that a later line spoils.
    void sweepEndsWithThePicture_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("cover size") << QSize(487, 205);
        QTest::newRow("tall") << QSize(13, 61);
        QTest::newRow("one pixel") << QSize(1, 1);
    }

    void sweepEndsWithThePicture()
    {
        QFETCH(QSize, size);
        QImage picture(size, QImage::Format_RGB32);
        QRandomGenerator rng(7);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                picture.setPixel(x, y, 0xFF000000u | (rng.generate() & 0xFFFFFFu));
        QImage canvas(size, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        int columns = 0;
        revealPicture(picture, canvas, size.width(), size.height(), 0, 0, u"0"_s, [&] { ++columns; });
        QCOMPARE(columns, size.width() + 1); // both ends included
        QCOMPARE(canvas, picture);
    }

    void sweepIsAFanFromTheCorner()
    {
        // Half way through, only the lines aimed at the columns already drawn
        // are there: a fan from the bottom right corner.
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(QColor(200, 10, 10));
        QImage canvas(40, 20, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        int column = 0;
        QImage snapshot;
        revealPicture(picture, canvas, 40, 20, 0, 0, u"0"_s, [&] {
            if (column++ == 20)
                snapshot = canvas.copy();
        });
        QCOMPARE(snapshot.pixelColor(30, 0),
                 QColor(Qt::black)); // no line aimed left of column 20 passes here
        QCOMPARE(snapshot.pixelColor(19, 0), QColor(200, 10, 10));
        QCOMPARE(snapshot.pixelColor(39, 19), QColor(200, 10, 10));
    }

    void coverRunsOnceThenOpensTheAboutWindow()
    {
        auto* cover = WindowRegistry::instance().window<CoverFrm>();
        cover->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<CoverFrm> alive = cover;
        QCOMPARE(cover->size(), QSize(487, 205));
        QVERIFY(cover->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(cover->windowTitle(), u"软件封面的设计"_s);
        QVERIFY(cover->picShow()->isHidden());
        QCOMPARE(cover->tmControl()->interval(), 100);
        QVERIFY(cover->tmControl()->isActive());
        const QImage picture = drawCoverPicture();
        QCOMPARE(picture.size(), QSize(487, 205));
        cover->show();

        QTRY_VERIFY_WITH_TIMEOUT(alive.isNull(), 30000); // swept and closed
        auto* about = WindowRegistry::instance().existing<frmSplash>();
        QVERIFY(about && about->isVisible());
    }

    void aboutWindow()
    {
        auto* about = WindowRegistry::instance().window<frmSplash>();
        about->show();
        QStringList texts;
        for (QLabel* l : about->findChildren<QLabel*>())
            texts << l->text();
        QVERIFY(texts.contains(u"“青桐”之<题库管理及组卷系统>"_s));
        QVERIFY(texts.contains(u"版本 1.0"_s));
        QVERIFY(texts.contains(u"最好工作于800×600模式"_s));
        QVERIFY(!(about->windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(about->windowFlags() & Qt::WindowMinMaxButtonsHint));
        QCOMPARE(about->findChild<QPushButton*>(u"Command1"_s)->text(), u"确定"_s);
        QCOMPARE(about->findChild<QPushButton*>(u"Command2"_s)->text(), u"退出"_s);
    }

    void aboutGoesOnToTheLogin_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("确定") << u"button"_s;
        QTest::newRow("click on a text") << u"label"_s;
        QTest::newRow("a key") << u"key"_s;
    }

    void aboutGoesOnToTheLogin()
    {
        QFETCH(QString, how);
        auto* about = WindowRegistry::instance().window<frmSplash>();
        QPointer<frmSplash> alive = about;
        about->show();
        if (how == u"button")
            QTest::mouseClick(about->findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
        else if (how == u"label")
            QTest::mouseClick(about->findChild<QLabel*>(u"lblVersion"_s), Qt::LeftButton);
        else
            QTest::keyClick(about, Qt::Key_A);
        QTRY_VERIFY(alive.isNull());
        auto* login = WindowRegistry::instance().existing<frmdl>();
        QVERIFY(login && login->isVisible());
    }

    void aboutQuitDoesNotOpenTheLogin()
    {
        auto* about = WindowRegistry::instance().window<frmSplash>();
        QPointer<frmSplash> alive = about;
        about->show();
        QTest::mouseClick(about->findChild<QPushButton*>(u"Command2"_s), Qt::LeftButton);
        QTRY_VERIFY(alive.isNull());
        QVERIFY(!WindowRegistry::instance().existing<frmdl>());
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
