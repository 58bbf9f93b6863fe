// 修改题目 opened from the menu: search, modify and delete through its
// buttons, and the editing menu over its boxes.
#include "common/Accessibility.h"
#include "questions/frmeditstu.h"
#include "ui/Clipboard.h"
#include "ui/EditTargets.h"
#include "ui/Twips.h"
#include "WindowDriver.h"

#include <QApplication>
#include <QGroupBox>
#include <QMenu>

using Shown = ScriptedDialogs::Shown;

namespace {

Shown info(const QString& text)
{
    return ScriptedDialogs::info(u"提示"_s, text);
}

Shown ask(const QString& text)
{
    return ScriptedDialogs::ask(u"提示"_s, text);
}

QString plainText(const QByteArray& rtf)
{
    RichTextBox probe;
    probe.setSelRTF(rtf);
    return probe.Text();
}

} // namespace

class EditWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;

    frmeditstu* openEdit() { return f->open<frmeditstu>(u"editstu"_s); }

    // Questions 1, 2 and 3, shown in that order by an empty search.
    frmeditstu* searchThree()
    {
        for (const QString& n : {u"1"_s, u"2"_s, u"3"_s})
            f->bank->addQuestion({.number = n, .enteredAt = u"2026-09-0"_s + n});
        frmeditstu* w = openEdit();
        if (w)
            click(w, "Command6");
        return w;
    }

    static QStringList changeButtonsEnabled(frmeditstu* w)
    {
        QStringList on;
        for (const char* name : {"Command2", "Command3", "Command1", "Command7", "Command5", "Command8"}) {
            if (w->findChild<QPushButton*>(QString::fromLatin1(name))->isEnabled())
                on << QString::fromLatin1(name);
        }
        return on;
    }

private slots:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        setBankBusyTimeout(5000);
        EditTargets::unmarkAll();
    }
    void cleanup()
    {
        QVERIFY2(f->dialogs->allAnswered(), qPrintable(f->dialogs->unexpected().join(u'|')));
        f.reset();
    }

    void opensWithItsGroupsAndButtonsOff()
    {
        frmeditstu* w = openEdit();
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"修改题目"_s);
        QCOMPARE(w->size(), twipsSize(11000, 7500));
        QCOMPARE(unnamedInputs(w), QStringList());
        QStringList groups;
        for (const QGroupBox* g : w->findChildren<QGroupBox*>())
            groups << g->title();
        groups.sort();
        QStringList expected{u"知识点选项"_s, u"题目信息"_s, u"搜索及显示"_s, u"编辑方式"_s};
        expected.sort();
        QCOMPARE(groups, expected);
        QCOMPARE(changeButtonsEnabled(w), QStringList());
        QCOMPARE(w->findChild<QPushButton*>(u"Command4"_s)->text(), u"退  出"_s);
        QCOMPARE(w->findChild<QPushButton*>(u"Command6"_s)->toolTip(), u"单击即可按条件搜索"_s);
    }

    // Typing another question's number does not edit that question: the
    // shown one is renumbered.
    void modifyRenumbersTheCurrentQuestion()
    {
        frmeditstu* w = searchThree();
        QVERIFY(w);
        QCOMPARE(changeButtonsEnabled(w).size(), 6);
        click(w, "Command5");
        QCOMPARE(w->form()->Text8->text(), u"2"_s);
        typeInto(w->form()->Text8, u"3"_s);
        typeInto(w->form()->Text7, u"2026-10-01"_s);

        f->dialogs->answerNo();
        click(w, "Command2");
        QCOMPARE(f->boxes(), QList<Shown>{ask(u"您是否确定修改当前记录？题目编号：3"_s)});
        QCOMPARE(storedNumbers(*f->bank), (QStringList{u"1"_s, u"2"_s, u"3"_s}));

        f->dialogs->answerYes();
        click(w, "Command2");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{ask(u"您是否确定修改当前记录？题目编号：3"_s), info(u"修改成功"_s)}));
        const QList<QuestionRecord> stored = storedQuestions(*f->bank);
        QCOMPARE(storedNumbers(*f->bank), (QStringList{u"1"_s, u"3"_s, u"3"_s}));
        QCOMPARE(stored[1].enteredAt, u"2026-10-01"_s);
        QCOMPARE(stored[2].enteredAt, u"2026-09-03"_s);
        QCOMPARE(plainText(stored[1].content).trimmed(), u"question"_s);
        // The window stays on the changed question.
        QCOMPARE(w->form()->Text8->text(), u"3"_s);
        click(w, "Command5");
        QCOMPARE(w->form()->Text7->text(), u"2026-09-03"_s);
    }

    void deleteThenNext()
    {
        frmeditstu* w = searchThree();
        click(w, "Command5");
        f->dialogs->answerYes();
        click(w, "Command3");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{ask(u"您是否确定删除当前记录？题目编号：2"_s), info(u"记录已被删除！"_s)}));
        QCOMPARE(storedNumbers(*f->bank), (QStringList{u"1"_s, u"3"_s}));
        QStringList expected(11, QString());
        expected[7] = u"张老师"_s;
        QCOMPARE(shownFields(w->form()), expected);

        // Nothing is current now: no number, then a number, neither writes.
        click(w, "Command2");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"请先填入要修改的题目编号！"_s)});
        QTRY_VERIFY(w->form()->Text8->hasFocus());
        click(w, "Command3");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"请先填入要删除的题目编号！"_s)});
        typeInto(w->form()->Text8, u"1"_s);
        click(w, "Command2");
        click(w, "Command3");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{info(frmeditstu::noCurrentText()), info(frmeditstu::noCurrentText())}));
        QCOMPARE(storedNumbers(*f->bank), (QStringList{u"1"_s, u"3"_s}));

        click(w, "Command5");
        QCOMPARE(w->form()->Text8->text(), u"3"_s);
        // The deleted question has left the result.
        click(w, "Command7");
        QCOMPARE(w->form()->Text8->text(), u"1"_s);
        QCOMPARE(f->boxes(), QList<Shown>());
    }

    // A search without result keeps the buttons and the earlier fields, but
    // there is nothing left to change.
    void searchWithoutResultLeavesNothingToChange()
    {
        frmeditstu* w = searchThree();
        typeInto(w->form()->Combo1, u"填空题"_s);
        click(w, "Command6");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"别逗了，根本没有符合条件的题！"_s)});
        QCOMPARE(changeButtonsEnabled(w).size(), 6);
        QCOMPARE(w->form()->Text8->text(), u"1"_s);
        click(w, "Command2");
        click(w, "Command5");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{info(frmeditstu::noCurrentText()), info(u"没有啦！真没啦，不信拉倒吧。"_s)}));
        QCOMPARE(storedQuestions(*f->bank)[0].type, u"选择题"_s);
    }

    // After 全部清除 nothing is on show to change: a number typed then
    // changes nothing. 下一个 goes on in the result and shows the next one.
    void clearThenNext()
    {
        frmeditstu* w = searchThree();
        click(w, "Command9");
        QCOMPARE(shownFields(w->form()), QStringList(11, QString()));
        typeInto(w->form()->Text8, u"1"_s);
        click(w, "Command2");
        click(w, "Command3");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{info(frmeditstu::noCurrentText()), info(frmeditstu::noCurrentText())}));
        QCOMPARE(storedQuestions(*f->bank)[0].enteredAt, u"2026-09-01"_s);
        click(w, "Command5");
        QCOMPARE(w->form()->Text8->text(), u"2"_s);
        f->dialogs->answerYes();
        click(w, "Command2");
        QCOMPARE(f->boxes().last(), info(u"修改成功"_s));
    }

    // Deleting the last question of a result, then 下一个: the message, and
    // nothing is current while nothing is shown, so a number typed then
    // neither overwrites nor deletes the question before. 上一个 shows it.
    void failedNextAfterDeletingTheLast()
    {
        frmeditstu* w = searchThree();
        click(w, "Command8");
        QCOMPARE(w->form()->Text8->text(), u"3"_s);
        f->dialogs->answerYes();
        click(w, "Command3");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{ask(u"您是否确定删除当前记录？题目编号：3"_s), info(u"记录已被删除！"_s)}));
        click(w, "Command5");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"没有啦！真没啦，不信拉倒吧。"_s)});
        QCOMPARE(w->form()->Text8->text(), QString());

        typeInto(w->form()->Text8, u"2"_s);
        click(w, "Command2");
        click(w, "Command3");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{info(frmeditstu::noCurrentText()), info(frmeditstu::noCurrentText())}));
        QCOMPARE(storedNumbers(*f->bank), (QStringList{u"1"_s, u"2"_s}));
        QCOMPARE(storedQuestions(*f->bank)[1].enteredAt, u"2026-09-02"_s);
        QCOMPARE(plainText(storedQuestions(*f->bank)[1].content).trimmed(), u"question"_s);

        // The neighbour of the deleted question, not the one before it.
        click(w, "Command7");
        QCOMPARE(w->form()->Text8->text(), u"2"_s);
        QCOMPARE(w->form()->Text7->text(), u"2026-09-02"_s);
        QCOMPARE(f->boxes(), QList<Shown>());
        // Shown now, it can be changed.
        f->dialogs->answerYes();
        click(w, "Command3");
        QCOMPARE(f->boxes().last(), info(u"记录已被删除！"_s));
        QCOMPARE(storedNumbers(*f->bank), QStringList{u"1"_s});
    }

    // The same at the other end: deleting the first, then 上一个.
    void failedPreviousAfterDeletingTheFirst()
    {
        frmeditstu* w = searchThree();
        QCOMPARE(w->form()->Text8->text(), u"1"_s);
        f->dialogs->answerYes();
        click(w, "Command3");
        f->boxes();
        click(w, "Command7");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"没有啦！真没啦，不信拉倒吧。"_s)});
        QCOMPARE(w->form()->Text8->text(), QString());

        typeInto(w->form()->Text8, u"2"_s);
        click(w, "Command2");
        click(w, "Command3");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{info(frmeditstu::noCurrentText()), info(frmeditstu::noCurrentText())}));
        QCOMPARE(storedNumbers(*f->bank), (QStringList{u"2"_s, u"3"_s}));
        QCOMPARE(storedQuestions(*f->bank)[0].enteredAt, u"2026-09-02"_s);

        click(w, "Command5");
        QCOMPARE(w->form()->Text8->text(), u"2"_s);
        click(w, "Command5");
        QCOMPARE(w->form()->Text8->text(), u"3"_s);
        QCOMPARE(f->boxes(), QList<Shown>());
    }

    // A failed move at either end of an intact result keeps the question on
    // show current: 修改题目 changes that one.
    void failedMoveKeepsTheShownQuestion()
    {
        frmeditstu* w = searchThree();
        click(w, "Command7");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"没有啦！真没啦，不信拉倒吧。"_s)});
        typeInto(w->form()->Text7, u"2026-12-01"_s);
        f->dialogs->answerYes();
        click(w, "Command2");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{ask(u"您是否确定修改当前记录？题目编号：1"_s), info(u"修改成功"_s)}));
        click(w, "Command8");
        click(w, "Command5");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"没有啦！真没啦，不信拉倒吧。"_s)});
        QCOMPARE(w->form()->Text8->text(), u"3"_s);
        typeInto(w->form()->Text7, u"2026-12-03"_s);
        f->dialogs->answerYes();
        click(w, "Command2");
        QCOMPARE(f->boxes().last(), info(u"修改成功"_s));
        const QList<QuestionRecord> stored = storedQuestions(*f->bank);
        QCOMPARE(stored[0].enteredAt, u"2026-12-01"_s);
        QCOMPARE(stored[1].enteredAt, u"2026-09-02"_s);
        QCOMPARE(stored[2].enteredAt, u"2026-12-03"_s);
    }

    // Every field holding a quote is stored exactly as typed.
    void quoteInEveryFieldIsStoredAsTyped()
    {
        frmeditstu* w = searchThree();
        QuestionForm* form = w->form();
        const QStringList typed{u"1'"_s, u"选'择题"_s, u"数'"_s,     u"'有理数"_s, u"a'b"_s,
                                u"B'"_s, u"是'"_s,     u"O'Brien"_s, u"2026'10"_s};
        const QList<QWidget*> fields{form->Text8,  form->Combo1, form->Text2, form->Text3, form->Text4,
                                     form->Combo2, form->Combo3, form->Text6, form->Text7};
        for (qsizetype i = 0; i < fields.size(); ++i)
            typeInto(fields[i], typed[i]);
        form->RichTextBox1->setText(u"it's"_s);
        f->dialogs->answerYes();
        click(w, "Command2");
        QCOMPARE(f->boxes().last(), info(u"修改成功"_s));
        const QuestionRecord q = storedQuestions(*f->bank).first();
        QCOMPARE((QStringList{q.number, q.type, q.path.level1, q.path.level2, q.path.level3, q.difficulty,
                              q.entranceExam, q.enteredBy, q.enteredAt}),
                 typed);
        QCOMPARE(plainText(q.content).trimmed(), u"it's"_s);
    }

    // A modify the bank refuses keeps what the teacher typed; it goes through later.
    void storeFailureKeepsWhatWasTyped()
    {
        frmeditstu* w = searchThree();
        typeInto(w->form()->Text6, u"李老师"_s);
        w->form()->RichTextBox2->setText(u"新的答案"_s);
        const QStringList typed = shownFields(w->form());
        setBankBusyTimeout(50);
        {
            BankLock lock(f->bank->bankPath(), false);
            f->dialogs->answerYes();
            click(w, "Command2");
            const QList<Shown> boxes = f->boxes();
            QCOMPARE(boxes.size(), 2);
            QCOMPARE(boxes[1].title, u"数据库错误"_s);
        }
        QCOMPARE(shownFields(w->form()), typed);
        QCOMPARE(storedQuestions(*f->bank)[0].enteredBy, u"张老师"_s);
        f->dialogs->answerYes();
        click(w, "Command2");
        QCOMPARE(f->boxes().last(), info(u"修改成功"_s));
        QCOMPARE(storedQuestions(*f->bank)[0].enteredBy, u"李老师"_s);
    }

    void leaveHidesAndComesBackWhereItWas()
    {
        frmeditstu* w = searchThree();
        click(w, "Command5");
        f->dialogs->answerYes();
        click(w, "Command4");
        QCOMPARE(f->boxes(), QList<Shown>{ask(u"您确定退出吗？"_s)});
        QVERIFY(!w->isVisible());
        QCOMPARE(openEdit(), w);
        QCOMPARE(w->form()->Text8->text(), u"2"_s);
        click(w, "Command5");
        QCOMPARE(w->form()->Text8->text(), u"3"_s);
    }

    // The right button raises the main window's editing menu; its commands
    // take only what the teacher selected.
    void editMenuActsOnTheSelection()
    {
        frmeditstu* w = searchThree();
        MDIForm1* main = f->mainWindow();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        RichTextBox* box = w->form()->RichTextBox1;
        box->setText(u"已知x+1=3，求x"_s);
        w->form()->RichTextBox2->setText(u"x=2"_s);
        box->SetFocus();
        QTRY_VERIFY(box->hasFocus());
        box->setSelStart(2);
        box->setSelLength(5);

        QMenu* menu = main->BJCD();
        auto choose = [&](const QString& name) {
            QTest::mouseClick(box->viewport(), Qt::RightButton, {}, QPoint(5, 5));
            if (!QTest::qWaitForWindowExposed(menu) || QApplication::activePopupWidget() != menu)
                return false;
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(main->command(name)).center());
            return QTest::qWaitFor([menu] { return !menu->isVisible(); });
        };
        QVERIFY(choose(u"FuZH"_s));
        QCOMPARE(plainText(Clipboard::GetText()), u"x+1=3"_s);
        QVERIFY(choose(u"SHanCH"_s));
        QCOMPARE(box->Text(), u"已知，求x"_s);
        QCOMPARE(w->form()->RichTextBox2->Text(), u"x=2"_s);
        QVERIFY(!EditTargets::isMarked(EditTarget::EditAnswer));
    }
};

QTEST_MAIN(EditWindowTest)
#include "EditWindowTest.moc"
