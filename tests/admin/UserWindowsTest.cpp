// 添加人员, 修改 and 删除人员 opened from the 人员管理 menu and used through their
// fields and buttons, against a real bank.
#include "admin/GuanLiSC.h"
#include "admin/GuanLiTJ.h"
#include "admin/GuanLiXG.h"
#include "admin/UserAdministration.h"
#include "common/Accessibility.h"
#include "questions/WindowDriver.h"
#include "store/LoginCheck.h"
#include "store/Password.h"
#include "ui/ChildWindows.h"
#include "ui/Twips.h"

#include <QGroupBox>
#include <QMdiArea>
#include <QMdiSubWindow>

using Shown = ScriptedDialogs::Shown;

namespace {

Shown failure(const QString& title, const QString& text)
{
    return ScriptedDialogs::info(title, text, Dialogs::Icon::Critical);
}

Shown info(const QString& text)
{
    return ScriptedDialogs::info(u"提示"_s, text);
}

QStringList userRows(const TestBank& bank)
{
    QStringList out;
    for (const UserRecord& u : bank.store().users())
        out << u.name + u'/' + u.role;
    return out;
}

} // namespace

class UserWindowsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;

    // The main window of `user` with `role`, as the login leaves it.
    MDIForm1* mainWindowOf(const QString& user, const QString& role)
    {
        MDIForm1* w = f->mainWindow();
        CurrentUser() = CurrentUserState{};
        CurrentUser().userName = user;
        CurrentUser().setRole(role);
        return w;
    }

    template <class W> W* openFromMenu(const QString& command)
    {
        WindowRegistry::instance().existing<MDIForm1>()->command(command)->trigger();
        W* w = WindowRegistry::instance().existing<W>();
        return w && w->isVisible() ? w : nullptr;
    }

private slots:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        UserAdministration::setBrowsePosition(0);
    }
    void cleanup()
    {
        QVERIFY2(f->dialogs->allAnswered(), qPrintable(f->dialogs->unexpected().join(u'|')));
        f.reset();
    }

    void addWindowAsItOpens()
    {
        auto* w = f->open<GuanLiTJ>(u"TIANJIA"_s);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"添加人员"_s);
        QCOMPARE(w->size(), twipsSize(4300, 3840));
        QCOMPARE(childFrame(w)->pos(), twipsPoint(4000, 1000));
        auto* frame = w->findChild<QGroupBox*>(u"Frame1"_s);
        QCOMPARE(frame->title(), u"添加人员"_s);
        QCOMPARE(frame->toolTip(), u"在这里添加题库使用者"_s);
        QCOMPARE(w->UTypes->count(), 3);
        QCOMPARE(w->UTypes->itemText(0), u"一般人员"_s);
        QCOMPARE(w->UTypes->itemText(2), u"超级管理"_s);
        QCOMPARE(w->UTypes->currentIndex(), -1);
        QVERIFY(!w->UTypes->isEditable());
        QCOMPARE(w->Password->echoMode(), QLineEdit::Password);
        QCOMPARE(w->Text1->echoMode(), QLineEdit::Password);
        QCOMPARE(w->Command1->text(), u"添加"_s);
        QCOMPARE(w->Command2->text(), u"退出"_s);
        QCOMPARE(unnamedInputs(w), QStringList());
    }

    void addChecksEachFieldInTurn()
    {
        f->bank->addUser(u"admin"_s, u"admin123"_s, u"超级管理"_s);
        auto* w = f->open<GuanLiTJ>(u"TIANJIA"_s);
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{failure(u"添加失败"_s, u"请输入姓名"_s)});
        QCOMPARE(w->focusWidget(), w->NameTxt);

        w->NameTxt->setText(u"王老师"_s);
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{failure(u"添加失败"_s, u"请输入口令"_s)});
        QCOMPARE(w->focusWidget(), w->Password);

        w->Password->setText(u"abc"_s);
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{failure(u"添加失败"_s, u"请输入人员类型"_s)});
        QCOMPARE(w->focusWidget(), w->UTypes);

        w->UTypes->setCurrentIndex(1);
        w->Text1->setText(u"abd"_s);
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{failure(u"添加失败"_s, u"口令不一致！请重填"_s)});
        QCOMPARE(w->focusWidget(), w->Password);
        QCOMPARE(w->Password->text(), QString());
        QCOMPARE(w->Text1->text(), QString());
        QCOMPARE(w->NameTxt->text(), u"王老师"_s);
        QCOMPARE(w->UTypes->currentText(), u"管理人员"_s);

        // Nothing was stored on the way.
        QCOMPARE(userRows(*f->bank), QStringList{u"admin/超级管理"_s});
    }

    // Names and passwords may hold quotes; a name already taken is added again.
    void addStoresAHashAndAllowsATakenName()
    {
        auto* w = f->open<GuanLiTJ>(u"TIANJIA"_s);
        for (const QString& password : {u"it's"_s, u"第二个'口令"_s}) {
            w->NameTxt->setText(u"O'Brien"_s);
            w->Password->setText(password);
            w->Text1->setText(password);
            w->UTypes->setCurrentIndex(1);
            click(w, "Command1");
            QCOMPARE(f->boxes(), QList<Shown>{info(u"人员信息添加成功"_s)});
            QCOMPARE(w->NameTxt->text(), QString());
            QCOMPARE(w->Password->text(), QString());
            QCOMPARE(w->Text1->text(), QString());
            QCOMPARE(w->UTypes->currentText(), u"管理人员"_s);
        }
        const std::vector<UserRecord> users = f->bank->store().users();
        QCOMPARE(users.size(), size_t(2));
        QVERIFY(users[0].passwordHash.startsWith(u"$argon2id$"_s));
        QVERIFY(verifyPassword(users[0].passwordHash, u"it's"_s));
        QVERIFY(verifyPassword(users[1].passwordHash, u"第二个'口令"_s));
        QCOMPARE(users[1].role, u"管理人员"_s);
        // Either password logs in.
        QCOMPARE(checkLogin(u"O'Brien"_s, u"it's"_s).kind, LoginOutcome::LoggedIn);
        QCOMPARE(checkLogin(u"O'Brien"_s, u"第二个'口令"_s).kind, LoginOutcome::LoggedIn);
    }

    void exitHidesTheAddWindowWithItsFields()
    {
        auto* w = f->open<GuanLiTJ>(u"TIANJIA"_s);
        w->NameTxt->setText(u"半途"_s);
        w->UTypes->setCurrentIndex(0);
        click(w, "Command2");
        QVERIFY(!w->isVisible());
        QCOMPARE(f->open<GuanLiTJ>(u"TIANJIA"_s), w);
        QCOMPARE(w->NameTxt->text(), u"半途"_s);
        QCOMPARE(w->UTypes->currentText(), u"一般人员"_s);
    }

    void anOrdinaryUserChangesThePasswordButNotTheRole()
    {
        f->bank->addUser(u"李老师"_s, u"old"_s, u"一般人员"_s);
        f->bank->addUser(u"admin"_s, u"admin123"_s, u"超级管理"_s);
        mainWindowOf(u"李老师"_s, u"一般人员"_s);
        auto* w = openFromMenu<GuanLiXG>(u"XIUGAI"_s);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"修改"_s);
        QCOMPARE(w->size(), twipsSize(3950, 3780));
        QCOMPARE(w->findChild<QGroupBox*>(u"Frame1"_s)->toolTip(), u"在这里修改使用者的密码"_s);
        QCOMPARE(unnamedInputs(w), QStringList());
        QCOMPARE(w->Text3->text(), u"李老师"_s);
        QVERIFY(w->Text3->isReadOnly());
        QVERIFY(!w->Combo1->isEnabled());
        QVERIFY(!w->Command3->isEnabled());

        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{failure(u"打开失败"_s, u"请输入口令"_s)});
        QCOMPARE(w->focusWidget(), w->Text2);
        w->Text2->setText(u"wrong"_s);
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"没有此人，请重新输入！"_s)});
        QVERIFY(!w->Command3->isEnabled());

        w->Text2->setText(u"old"_s);
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>());
        QVERIFY(w->Command3->isEnabled());
        QCOMPARE(w->Combo1->currentText(), u"一般人员"_s);
        QVERIFY(!w->Combo1->isEnabled());

        // The new password twice, but differently first.
        w->Text2->setText(u"new'one"_s);
        w->Text1->setText(u"new'on"_s);
        click(w, "Command3");
        QCOMPARE(f->boxes(), QList<Shown>{failure(u"修改失败"_s, u"口令不一致！请重填"_s)});
        QCOMPARE(w->Text2->text(), QString());
        QCOMPARE(w->Text1->text(), QString());

        const QString question = u"您是否确定修改当前记录？姓名：李老师，人员类型：一般人员"_s;
        w->Text2->setText(u"new'one"_s);
        w->Text1->setText(u"new'one"_s);
        f->dialogs->answerNo();
        click(w, "Command3");
        QCOMPARE(f->boxes(), QList<Shown>{ScriptedDialogs::ask(u"提示"_s, question)});
        QCOMPARE(checkLogin(u"李老师"_s, u"old"_s).kind, LoginOutcome::LoggedIn);

        f->dialogs->answerYes();
        click(w, "Command3");
        QCOMPARE(f->boxes(), (QList<Shown>{ScriptedDialogs::ask(u"提示"_s, question), info(u"修改成功"_s)}));
        QVERIFY(!w->Command3->isEnabled());
        QCOMPARE(checkLogin(u"李老师"_s, u"new'one"_s).kind, LoginOutcome::LoggedIn);
        QCOMPARE(checkLogin(u"李老师"_s, u"old"_s).kind, LoginOutcome::WrongPassword);
        QCOMPARE(userRows(*f->bank), (QStringList{u"李老师/一般人员"_s, u"admin/超级管理"_s}));

        // 退出 closes: the next time the window loads afresh.
        QPointer<GuanLiXG> old = w;
        click(w, "Command2");
        QTRY_VERIFY(old.isNull());
        w = openFromMenu<GuanLiXG>(u"XIUGAI"_s);
        QVERIFY(!w->Command3->isEnabled());
        QCOMPARE(w->Text2->text(), QString());
    }

    void aSuperAdministratorMayChangeTheRole()
    {
        f->bank->addUser(u"admin"_s, u"admin123"_s, u"超级管理"_s);
        mainWindowOf(u"admin"_s, u"超级管理"_s);
        auto* w = openFromMenu<GuanLiXG>(u"XIUGAI"_s);
        QVERIFY(w->Combo1->isEnabled());
        w->Text2->setText(u"admin123"_s);
        click(w, "Command1");
        QCOMPARE(w->Combo1->currentText(), u"超级管理"_s);
        w->Combo1->setCurrentIndex(1);
        w->Text2->setText(u"admin123"_s);
        w->Text1->setText(u"admin123"_s);
        f->dialogs->answerYes();
        click(w, "Command3");
        // The question names the role as it was opened.
        QCOMPARE(f->boxes(),
                 (QList<Shown>{ScriptedDialogs::ask(
                                   u"提示"_s, u"您是否确定修改当前记录？姓名：admin，人员类型：超级管理"_s),
                               info(u"修改成功"_s)}));
        QCOMPARE(userRows(*f->bank), QStringList{u"admin/管理人员"_s});
        // The running program keeps the role it logged in with.
        QVERIFY(CurrentUser().isSuperAdmin);
        QCOMPARE(checkLogin(u"admin"_s, u"admin123"_s).role, u"管理人员"_s);
    }

    void browsingStopsAtBothEndsAndTheCounterOutlivesTheWindow()
    {
        f->bank->addUser(u"甲"_s, u"1"_s, u"超级管理"_s);
        f->bank->addUser(u"乙"_s, u"2"_s, u"管理人员"_s);
        f->bank->addUser(u"丙"_s, u"3"_s, u"一般人员"_s);
        auto* w = f->open<GuanLiSC>(u"SHANCHU"_s);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"删除人员"_s);
        QCOMPARE(w->size(), twipsSize(3840, 3150));
        QCOMPARE(w->findChild<QGroupBox*>(u"Frame1"_s)->title(), u"删除"_s);
        QCOMPARE(unnamedInputs(w), QStringList());
        QVERIFY(w->Combo1->isEditable());
        QCOMPARE(w->Combo1->count(), 0);

        auto shown = [&w] {
            return w->Text3->text() + u'/' + w->Text2->text() + u'/' + w->Combo1->currentText();
        };
        click(w, "Command1");
        QCOMPARE(shown(), u"甲/******/超级管理"_s);
        click(w, "Command1");
        click(w, "Command1");
        QCOMPARE(shown(), u"丙/******/一般人员"_s);
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"没有查到任何记录或已到最后，没有啦！"_s)});
        QCOMPARE(w->Text3->text(), QString());
        QCOMPARE(UserAdministration::browsePosition(), 4);
        click(w, "Command3"); // after the end: the last user
        QCOMPARE(shown(), u"丙/******/一般人员"_s);
        click(w, "Command3");
        click(w, "Command3");
        QCOMPARE(shown(), u"甲/******/超级管理"_s);
        click(w, "Command3");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"已经到最前面，没有啦！"_s)});
        QCOMPARE(UserAdministration::browsePosition(), 0);
        click(w, "Command1");
        click(w, "Command1");
        QCOMPARE(shown(), u"乙/******/管理人员"_s);

        // Closed and opened again, the window goes on from there.
        QPointer<GuanLiSC> old = w;
        click(w, "Command4");
        QTRY_VERIFY(old.isNull());
        w = f->open<GuanLiSC>(u"SHANCHU"_s);
        QCOMPARE(w->Text3->text(), QString());
        click(w, "Command1");
        QCOMPARE(shown(), u"丙/******/一般人员"_s);
    }

    void deletingTheShownUser()
    {
        f->bank->addUser(u"甲"_s, u"1"_s);
        f->bank->addUser(u"乙"_s, u"2"_s, u"管理人员"_s);
        f->bank->addUser(u"丙"_s, u"3"_s);
        f->bank->addUser(u"乙"_s, u"4"_s);
        auto* w = f->open<GuanLiSC>(u"SHANCHU"_s);
        click(w, "Command1");
        click(w, "Command1");
        QCOMPARE(w->Text3->text(), u"乙"_s);

        const Shown question = ScriptedDialogs::ask(u"提示"_s, u"您是否确定删除当前记录？姓名：乙"_s);
        f->dialogs->answerNo();
        click(w, "Command2");
        QCOMPARE(f->boxes(), QList<Shown>{question});
        QCOMPARE(userRows(*f->bank).size(), 4);

        f->dialogs->answerYes();
        click(w, "Command2");
        QCOMPARE(f->boxes(), (QList<Shown>{question, info(u"记录已被删除！"_s)}));
        // Every row of that name goes; the role field and the position stay.
        QCOMPARE(userRows(*f->bank), (QStringList{u"甲/一般人员"_s, u"丙/一般人员"_s}));
        QCOMPARE(w->Text3->text(), QString());
        QCOMPARE(w->Text2->text(), QString());
        QCOMPARE(w->Combo1->currentText(), u"管理人员"_s);
        QCOMPARE(UserAdministration::browsePosition(), 2);

        // The position now holds the next user, seen on the way back.
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"没有查到任何记录或已到最后，没有啦！"_s)});
        click(w, "Command3");
        QCOMPARE(w->Text3->text(), u"丙"_s);
    }

    void browsingAnEmptyTable()
    {
        auto* w = f->open<GuanLiSC>(u"SHANCHU"_s);
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"没有查到任何记录或已到最后，没有啦！"_s)});
        QCOMPARE(UserAdministration::browsePosition(), 1);
        click(w, "Command3");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"已经到最前面，没有啦！"_s)});
        QCOMPARE(UserAdministration::browsePosition(), 0);
    }

    void onlyASuperAdministratorAddsAndDeletes()
    {
        mainWindowOf(u"李老师"_s, u"管理人员"_s);
        // The gating is set when the main window loads.
        WindowRegistry::instance().discardAll();
        auto* w = WindowRegistry::instance().window<MDIForm1>();
        QVERIFY(!w->command(u"TIANJIA"_s)->isEnabled());
        QVERIFY(!w->command(u"SHANCHU"_s)->isEnabled());
        QVERIFY(w->command(u"XIUGAI"_s)->isEnabled());
    }
};

QTEST_MAIN(UserWindowsTest)
#include "UserWindowsTest.moc"
