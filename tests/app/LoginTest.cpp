// The login window against a real bank: its four messages, which boxes it
// empties, and the user it leaves behind.
#include "app/frmdl.h"
#include "app/MDIForm1.h"
#include "common/Accessibility.h"
#include "common/TestBank.h"
#include "store/BankStore.h"
#include "store/CurrentUser.h"
#include "ui/ScriptedDialogs.h"
#include "ui/WindowRegistry.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using Shown = ScriptedDialogs::Shown;

class LoginTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestBank> bank;
    std::unique_ptr<ScriptedDialogs> dialogs;
    frmdl* window = nullptr;

    QLineEdit* box(const char* name) { return window->findChild<QLineEdit*>(QString::fromLatin1(name)); }
    void type(const QString& name, const QString& password)
    {
        box("Text1")->setText(name);
        box("Text2")->setText(password);
    }
    void clickOk() { QTest::mouseClick(window->findChild<QPushButton*>(u"Commok"_s), Qt::LeftButton); }
    static Shown warning(const QString& text) { return ScriptedDialogs::info(u"警告"_s, text); }
    bool mainWindowShown() const
    {
        auto* main = WindowRegistry::instance().existing<MDIForm1>();
        return main && main->isVisible();
    }

private slots:
    void init()
    {
        bank = std::make_unique<TestBank>();
        dialogs = std::make_unique<ScriptedDialogs>();
        CurrentUser() = CurrentUserState{};
        window = WindowRegistry::instance().window<frmdl>();
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }

    void cleanup()
    {
        QVERIFY2(dialogs->allAnswered(), qPrintable(dialogs->unexpected().join(u'|')));
        WindowRegistry::instance().discardAll();
        dialogs.reset();
        bank.reset();
    }

    void layoutOfTheWindow()
    {
        QCOMPARE(window->windowTitle(), u"系统身份验证"_s);
        QCOMPARE(window->geometry().size(), QSize(4440 / 15, 3480 / 15));
        QCOMPARE(window->pos(), QPoint(4000 / 15, 1000 / 15));
        for (const char* name : {"Text1", "Text2"}) {
            QCOMPARE(box(name)->maxLength(), 20);
            QCOMPARE(box(name)->palette().color(QPalette::Base), QColor(128, 255, 128));
        }
        QCOMPARE(box("Text2")->echoMode(), QLineEdit::Password);
        // Tab order: Text1, Text2, Commok, Commcancel.
        QCOMPARE(box("Text1")->nextInFocusChain(), box("Text2"));
        QCOMPARE(box("Text2")->nextInFocusChain(), window->findChild<QPushButton*>(u"Commok"_s));
        QCOMPARE(window->findChild<QPushButton*>(u"Commok"_s)->nextInFocusChain(),
                 window->findChild<QPushButton*>(u"Commcancel"_s));
    }

    // A screen reader names both boxes after their labels.
    void boxesAreNamedAfterTheirLabels()
    {
        QCOMPARE(unnamedInputs(window), QStringList());
        auto name = [](QWidget* w) {
            return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
        };
        QCOMPARE(name(box("Text1")), u"用户名："_s);
        QCOMPARE(name(box("Text2")), u"密  码："_s);
    }

    void missingNameOrPassword()
    {
        type(u"   "_s, u"x"_s);
        clickOk();
        type(u"zhang"_s, QString());
        clickOk();
        QCOMPARE(dialogs->shown(), (QList<Shown>{warning(u"请输入用户名"_s), warning(u"请输入密码"_s)}));
        QVERIFY(box("Text2")->hasFocus());
        QVERIFY(!mainWindowShown());
    }

    void enterInEitherBoxLogsIn()
    {
        bank->addUser(u"zhang"_s, u"pw"_s, u"一般人员"_s);
        type(u"zhang"_s, QString());
        box("Text1")->setFocus();
        QTest::keyClick(box("Text1"), Qt::Key_Return);
        QCOMPARE(dialogs->shown(), QList<Shown>{warning(u"请输入密码"_s)});
        box("Text2")->setText(u"pw"_s);
        QTest::keyClick(box("Text2"), Qt::Key_Return);
        QCOMPARE(dialogs->shown().size(), 1);
        QCOMPARE(CurrentUser().userName, u"zhang"_s);
    }

    void unknownUserEmptiesBothBoxes()
    {
        bank->addUser(u"zhang"_s, u"pw"_s);
        type(u"li"_s, u"pw"_s);
        clickOk();
        QCOMPARE(dialogs->shown(), QList<Shown>{warning(u"系统中无此用户"_s)});
        QCOMPARE(box("Text1")->text(), QString());
        QCOMPARE(box("Text2")->text(), QString());
        QVERIFY(box("Text1")->hasFocus());
        QVERIFY(!mainWindowShown());
    }

    void wrongPasswordEmptiesOnlyThePassword()
    {
        bank->addUser(u"zhang"_s, u"pw"_s);
        type(u"zhang"_s, u"PW"_s); // passwords compare exactly
        clickOk();
        type(u"zhang"_s, u" pw"_s); // blanks count in a password
        clickOk();
        QCOMPARE(dialogs->shown(), (QList<Shown>{warning(u"密码错误"_s), warning(u"密码错误"_s)}));
        QCOMPARE(box("Text1")->text(), u"zhang"_s);
        QCOMPARE(box("Text2")->text(), QString());
        QVERIFY(box("Text2")->hasFocus());
        QVERIFY(!mainWindowShown());
    }

    void trimmedNameLogsInAndOpensTheMainWindow()
    {
        bank->addUser(u"Zhang"_s, u"pw"_s, u"管理人员"_s);
        type(u"  zhang  "_s, u"pw"_s); // Latin letters compare without case
        clickOk();
        QVERIFY(dialogs->shown().isEmpty());
        QCOMPARE(CurrentUser().userName, u"zhang"_s);
        QVERIFY(CurrentUser().isAdmin);
        QVERIFY(!CurrentUser().isSuperAdmin);
        QVERIFY(!CurrentUser().isOrdinaryUser);
        QVERIFY(mainWindowShown());
        QTRY_VERIFY(!WindowRegistry::instance().existing<frmdl>()); // the login window closed itself
    }

    void twoUsersWithOneName_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("superAdmin");
        QTest::addColumn<bool>("admin");
        QTest::newRow("first row's password") << u"one"_s << false << true;
        QTest::newRow("second row's password") << u"two"_s << true << false;
        QTest::newRow("both rows' password: the first row wins") << u"same"_s << false << true;
    }

    void twoUsersWithOneName()
    {
        QFETCH(QString, password);
        QFETCH(bool, superAdmin);
        QFETCH(bool, admin);
        bank->addUser(u"wang"_s, password == u"same" ? u"same"_s : u"one"_s, u"管理人员"_s);
        bank->addUser(u"wang"_s, password == u"same" ? u"same"_s : u"two"_s, u"超级管理"_s);
        type(u"wang"_s, password);
        clickOk();
        QVERIFY(dialogs->shown().isEmpty());
        QCOMPARE(CurrentUser().isSuperAdmin, superAdmin);
        QCOMPARE(CurrentUser().isAdmin, admin);
        // The row that verified is the one logged in, for the user windows.
        const std::vector<StoredUser> rows = bank->store().storedUsers();
        QCOMPARE(CurrentUser().userId, rows[superAdmin ? 1 : 0].id);
    }

    void unknownRoleSetsNoFlag()
    {
        bank->addUser(u"guest"_s, u"pw"_s, u"访客"_s);
        type(u"guest"_s, u"pw"_s);
        clickOk();
        QVERIFY(mainWindowShown());
        QVERIFY(!CurrentUser().isSuperAdmin && !CurrentUser().isAdmin && !CurrentUser().isOrdinaryUser);
    }

    void quotesAreJustCharacters()
    {
        bank->addUser(u"O'Brien"_s, u"it's'"_s, u"一般人员"_s);
        type(u"' or '1'='1"_s, u"' or '1'='1"_s);
        clickOk();
        type(u"O'Brien"_s, u"' or '1'='1"_s);
        clickOk();
        type(u"O'Brien"_s, u"it's'"_s);
        clickOk();
        QCOMPARE(dialogs->shown(), (QList<Shown>{warning(u"系统中无此用户"_s), warning(u"密码错误"_s)}));
        QCOMPARE(CurrentUser().userName, u"O'Brien"_s);
        QVERIFY(CurrentUser().isOrdinaryUser);
    }

    void unreadableBankLeavesTheWindowReady_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("not a bank") << QByteArray("just some text, not a bank file\n");
    }

    void unreadableBankLeavesTheWindowReady()
    {
        QFETCH(QByteArray, content);
        QFile::remove(bank->bankPath());
        if (!content.isEmpty()) {
            QFile f(bank->bankPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        // The login says what is wrong with the bank and offers to restore
        // it; the teacher declines.
        dialogs->answerNo();
        type(u"admin"_s, u"admin123"_s);
        clickOk();
        QCOMPARE(dialogs->shown().size(), 1);
        const Shown& box = dialogs->shown().first();
        QCOMPARE(box.kind, ScriptedDialogs::Kind::Question);
        QCOMPARE(box.title, u"警告"_s);
        QVERIFY2(box.text.contains(QDir::toNativeSeparators(bank->bankPath())), qPrintable(box.text));
        QVERIFY2(box.text.endsWith(u"中没有找到完好的自动备份。是否选择一个备份文件来恢复题库？"_s),
                 qPrintable(box.text));
        QVERIFY(!mainWindowShown());
        QVERIFY(WindowRegistry::instance().existing<frmdl>()->isVisible());
        QCOMPARE(CurrentUser().userName, QString());
        // A missing bank is not created by trying to log in.
        if (content.isEmpty())
            QVERIFY(!QFile::exists(bank->bankPath()));
    }
};

QTEST_MAIN(LoginTest)
#include "LoginTest.moc"
