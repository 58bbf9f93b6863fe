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

    // The main window of whoever logs in with `name` and `password`, as the
    // login window leaves it: the verified row's role and identity.
    MDIForm1* loggedIn(const QString& name, const QString& password)
    {
        const LoginOutcome outcome = checkLogin(name, password);
        if (outcome.kind != LoginOutcome::LoggedIn)
            qFatal("cannot log in as %s", qPrintable(name));
        MDIForm1* w = mainWindowOf(outcome.userName, outcome.role);
        CurrentUser().userId = outcome.userId;
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

    // Names and passwords may hold quotes. After an add the role is empty
    // again: each account's role is chosen on purpose.
    void addStoresAHashAndClearsTheRole()
    {
        auto* w = f->open<GuanLiTJ>(u"TIANJIA"_s);
        const QStringList names{u"O'Brien"_s, u"第二个'人"_s};
        const QStringList passwords{u"it's"_s, u"第二个'口令"_s};
        for (int i = 0; i < 2; ++i) {
            w->NameTxt->setText(names[i]);
            w->Password->setText(passwords[i]);
            w->Text1->setText(passwords[i]);
            w->UTypes->setCurrentIndex(2 - i);
            click(w, "Command1");
            QCOMPARE(f->boxes(), QList<Shown>{info(u"人员信息添加成功"_s)});
            QCOMPARE(w->NameTxt->text(), QString());
            QCOMPARE(w->Password->text(), QString());
            QCOMPARE(w->Text1->text(), QString());
            QCOMPARE(w->UTypes->currentIndex(), -1);
            QCOMPARE(w->UTypes->currentText(), QString());
        }
        // Without choosing again, the next add stops at the role.
        w->NameTxt->setText(u"王老师"_s);
        w->Password->setText(u"x"_s);
        w->Text1->setText(u"x"_s);
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{failure(u"添加失败"_s, u"请输入人员类型"_s)});

        const std::vector<UserRecord> users = f->bank->store().users();
        QCOMPARE(users.size(), size_t(2));
        QVERIFY(users[0].passwordHash.startsWith(u"$argon2id$"_s));
        QVERIFY(verifyPassword(users[0].passwordHash, u"it's"_s));
        QVERIFY(verifyPassword(users[1].passwordHash, u"第二个'口令"_s));
        QCOMPARE(users[0].role, u"超级管理"_s);
        QCOMPARE(users[1].role, u"管理人员"_s);
        QCOMPARE(checkLogin(u"O'Brien"_s, u"it's"_s).kind, LoginOutcome::LoggedIn);
        QCOMPARE(checkLogin(u"第二个'人"_s, u"第二个'口令"_s).kind, LoginOutcome::LoggedIn);
    }

    // A name equal to one already there, apart from Latin case and blanks
    // around it, is refused; a name of blanks only counts as none. What the
    // teacher typed besides the name stays for the next try.
    void addRefusesATakenOrBlankName()
    {
        f->bank->addUser(u"admin"_s, u"admin123"_s, u"超级管理"_s);
        f->bank->addUser(u"王老师"_s, u"a"_s);
        auto* w = f->open<GuanLiTJ>(u"TIANJIA"_s);
        const Shown taken = failure(u"添加失败"_s, u"已有同名人员！请换一个姓名"_s);
        for (const QString& name : {u"Admin"_s, u"  ADMIN "_s, u"王老师\u3000"_s, u"\t王老师"_s}) {
            w->NameTxt->setText(name);
            w->Password->setText(u"pw"_s);
            w->Text1->setText(u"pw"_s);
            w->UTypes->setCurrentIndex(0);
            click(w, "Command1");
            QCOMPARE(f->boxes(), QList<Shown>{taken});
            QCOMPARE(w->focusWidget(), w->NameTxt);
            QCOMPARE(w->NameTxt->text(), name);
            QCOMPARE(w->Password->text(), u"pw"_s);
            QCOMPARE(w->UTypes->currentText(), u"一般人员"_s);
        }
        w->NameTxt->setText(u"   "_s);
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{failure(u"添加失败"_s, u"请输入姓名"_s)});
        QCOMPARE(userRows(*f->bank), (QStringList{u"admin/超级管理"_s, u"王老师/一般人员"_s}));

        // Another name goes in, without the blanks around it, so it can log in.
        w->NameTxt->setText(u" adminB "_s);
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"人员信息添加成功"_s)});
        QCOMPARE(userRows(*f->bank),
                 (QStringList{u"admin/超级管理"_s, u"王老师/一般人员"_s, u"adminB/一般人员"_s}));
        QCOMPARE(checkLogin(u"adminb"_s, u"pw"_s).kind, LoginOutcome::LoggedIn);
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
        f->bank->addUser(u"校长"_s, u"x"_s, u"超级管理"_s);
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
        QCOMPARE(userRows(*f->bank), (QStringList{u"admin/管理人员"_s, u"校长/超级管理"_s}));
        // The running program keeps the role it logged in with.
        QVERIFY(CurrentUser().isSuperAdmin);
        QCOMPARE(checkLogin(u"admin"_s, u"admin123"_s).role, u"管理人员"_s);
    }

    // 修改 writes the row whose password 打开 proved: never another row of
    // that name, nor one whose name differs only in Latin case.
    void changeWritesTheRowWhosePasswordWasProved()
    {
        f->bank->addUser(u"admin"_s, u"admin123"_s, u"超级管理"_s);
        f->bank->addUser(u"Admin"_s, u"mine"_s, u"一般人员"_s);
        f->bank->addUser(u"王老师"_s, u"a"_s, u"一般人员"_s);
        f->bank->addUser(u"王老师"_s, u"b"_s, u"管理人员"_s);
        const QStringList before{u"admin/超级管理"_s, u"Admin/一般人员"_s, u"王老师/一般人员"_s,
                                 u"王老师/管理人员"_s};

        auto change = [this](const QString& name, const QString& password, const QString& role) {
            loggedIn(name, password);
            auto* w = openFromMenu<GuanLiXG>(u"XIUGAI"_s);
            w->Text2->setText(password);
            click(w, "Command1");
            QCOMPARE(w->Combo1->currentText(), role);
            w->Text2->setText(u"new"_s);
            w->Text1->setText(u"new"_s);
            f->dialogs->answerYes();
            click(w, "Command3");
            QCOMPARE(f->boxes(),
                     (QList<Shown>{ScriptedDialogs::ask(u"提示"_s, u"您是否确定修改当前记录？姓名："_s +
                                                                       name + u"，人员类型："_s + role),
                                   info(u"修改成功"_s)}));
            QPointer<GuanLiXG> old = w;
            click(w, "Command2");
            QTRY_VERIFY(old.isNull());
        };

        change(u"Admin"_s, u"mine"_s, u"一般人员"_s);
        QCOMPARE(userRows(*f->bank), before);
        QCOMPARE(checkLogin(u"admin"_s, u"admin123"_s).role, u"超级管理"_s);
        QCOMPARE(checkLogin(u"Admin"_s, u"new"_s).role, u"一般人员"_s);

        change(u"王老师"_s, u"b"_s, u"管理人员"_s);
        QCOMPARE(userRows(*f->bank), before);
        const std::vector<UserRecord> users = f->bank->store().users();
        QVERIFY(verifyPassword(users[2].passwordHash, u"a"_s));
        QVERIFY(verifyPassword(users[3].passwordHash, u"new"_s));
        // Both teachers of that name still log in, each with their own role.
        QCOMPARE(checkLogin(u"王老师"_s, u"a"_s).role, u"一般人员"_s);
        QCOMPARE(checkLogin(u"王老师"_s, u"new"_s).role, u"管理人员"_s);
    }

    // The one super administrator cannot give the role away: nobody could
    // manage users, back up or restore any more.
    void theOnlySuperAdministratorKeepsTheRole()
    {
        f->bank->addUser(u"admin"_s, u"admin123"_s, u"超级管理"_s);
        f->bank->addUser(u"李老师"_s, u"x"_s, u"一般人员"_s);
        loggedIn(u"admin"_s, u"admin123"_s);
        auto* w = openFromMenu<GuanLiXG>(u"XIUGAI"_s);
        w->Text2->setText(u"admin123"_s);
        click(w, "Command1");
        w->Combo1->setCurrentIndex(0);
        w->Text2->setText(u"new"_s);
        w->Text1->setText(u"new"_s);
        f->dialogs->answerYes();
        click(w, "Command3");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{ScriptedDialogs::ask(
                                   u"提示"_s, u"您是否确定修改当前记录？姓名：admin，人员类型：超级管理"_s),
                               failure(u"修改失败"_s, u"您是系统中唯一的超级管理人员，不能改为其他人员类型！"
                                                      u"否则将无人能管理人员和题库。"_s)}));
        QCOMPARE(userRows(*f->bank), (QStringList{u"admin/超级管理"_s, u"李老师/一般人员"_s}));
        QCOMPARE(checkLogin(u"admin"_s, u"admin123"_s).kind, LoginOutcome::LoggedIn);
        QCOMPARE(w->Combo1->currentText(), u"超级管理"_s);
        // The password alone still changes.
        f->dialogs->answerYes();
        click(w, "Command3");
        QCOMPARE(f->boxes().last(), info(u"修改成功"_s));
        QCOMPARE(checkLogin(u"admin"_s, u"new"_s).role, u"超级管理"_s);
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

    // 删  除 takes the user shown, exactly that row, even where another
    // user has the same name; a name typed instead takes every user of it.
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
        QCOMPARE(userRows(*f->bank), (QStringList{u"甲/一般人员"_s, u"丙/一般人员"_s, u"乙/一般人员"_s}));
        // The boxes empty; the role field and the position stay.
        QCOMPARE(w->Text3->text(), QString());
        QCOMPARE(w->Text2->text(), QString());
        QCOMPARE(w->Combo1->currentText(), u"管理人员"_s);
        QCOMPARE(UserAdministration::browsePosition(), 2);

        // The position now holds the next user: the other 乙 is still there.
        click(w, "Command1");
        QCOMPARE(w->Text3->text() + u'/' + w->Combo1->currentText(), u"乙/一般人员"_s);

        // A name typed in a window that shows nobody: every user of that
        // name, and the question says how many.
        f->bank->addUser(u"乙"_s, u"5"_s);
        QPointer<GuanLiSC> old = w;
        click(w, "Command4");
        QTRY_VERIFY(old.isNull());
        w = f->open<GuanLiSC>(u"SHANCHU"_s);
        w->Text3->setText(u"乙"_s);
        f->dialogs->answerYes();
        click(w, "Command2");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{
                     ScriptedDialogs::ask(
                         u"提示"_s, u"您是否确定删除当前记录？姓名：乙（共有2位同名人员，将一并删除）"_s),
                     info(u"记录已被删除！"_s)}));
        QCOMPARE(userRows(*f->bank), (QStringList{u"甲/一般人员"_s, u"丙/一般人员"_s}));
    }

    // Nobody deletes their own account or the last super administrator:
    // refused before any question, and nothing goes.
    void deleteKeepsOneselfAndTheLastSuperAdministrator()
    {
        f->bank->addUser(u"admin"_s, u"admin123"_s, u"超级管理"_s);
        f->bank->addUser(u"李老师"_s, u"x"_s);
        const QStringList all{u"admin/超级管理"_s, u"李老师/一般人员"_s};
        auto* w = f->open<GuanLiSC>(u"SHANCHU"_s);
        // After opening: the fixture logs in an "admin" of its own, without a row.
        loggedIn(u"admin"_s, u"admin123"_s);
        const Shown oneself =
            failure(u"删除失败"_s, u"“admin”是当前登录的人员，不能删除自己！没有删除任何记录。"_s);
        click(w, "Command1");
        click(w, "Command2");
        QCOMPARE(f->boxes(), QList<Shown>{oneself});
        QCOMPARE(w->Text3->text(), u"admin"_s);
        // Typed, in other Latin case, it is still the account logged in.
        w->Text3->setText(u"ADMIN"_s);
        click(w, "Command2");
        QCOMPARE(f->boxes(),
                 QList<Shown>{
                     failure(u"删除失败"_s, u"“ADMIN”是当前登录的人员，不能删除自己！没有删除任何记录。"_s)});
        QCOMPARE(userRows(*f->bank), all);

        // Someone else logged in (the bank was restored from an older copy,
        // say): admin is still the only super administrator.
        mainWindowOf(u"校长"_s, u"超级管理"_s);
        w->Text3->setText(u"admin"_s);
        click(w, "Command2");
        QCOMPARE(f->boxes(),
                 QList<Shown>{failure(u"删除失败"_s,
                                      u"“admin”是系统中唯一的超级管理人员，删除后将无人能管理人员和题库！"
                                      u"没有删除任何记录。"_s)});
        QCOMPARE(userRows(*f->bank), all);

        // With another super administrator, admin may go.
        f->bank->addUser(u"校长"_s, u"y"_s, u"超级管理"_s);
        loggedIn(u"校长"_s, u"y"_s);
        f->dialogs->answerYes();
        click(w, "Command2");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{ScriptedDialogs::ask(u"提示"_s, u"您是否确定删除当前记录？姓名：admin"_s),
                               info(u"记录已被删除！"_s)}));
        QCOMPARE(userRows(*f->bank), (QStringList{u"李老师/一般人员"_s, u"校长/超级管理"_s}));
    }

    // When nothing would go, nothing is asked and nothing is called deleted.
    void deleteSaysWhenNothingWasDeleted()
    {
        f->bank->addUser(u"admin"_s, u"admin123"_s, u"超级管理"_s);
        f->bank->addUser(u"李老师"_s, u"x"_s);
        auto* w = f->open<GuanLiSC>(u"SHANCHU"_s);
        const Shown noName = failure(u"删除失败"_s, u"请输入姓名！没有删除任何记录。"_s);
        const Shown nobody = failure(u"删除失败"_s, u"没有此人（可能已被删除）！没有删除任何记录。"_s);
        click(w, "Command2");
        QCOMPARE(f->boxes(), QList<Shown>{noName});
        w->Text3->setText(u"  "_s);
        click(w, "Command2");
        QCOMPARE(f->boxes(), QList<Shown>{noName});
        w->Text3->setText(u"张老师"_s);
        click(w, "Command2");
        QCOMPARE(f->boxes(), QList<Shown>{nobody});

        // The user shown is deleted elsewhere meanwhile.
        click(w, "Command1");
        click(w, "Command1");
        QCOMPARE(w->Text3->text(), u"李老师"_s);
        BankStore store = f->bank->store();
        QCOMPARE(store.deleteUsers({store.storedUsers().at(1).id}), 1);
        click(w, "Command2");
        QCOMPARE(f->boxes(), QList<Shown>{nobody});
        QCOMPARE(userRows(*f->bank), QStringList{u"admin/超级管理"_s});
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
