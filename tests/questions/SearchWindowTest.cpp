// 查询、浏览 opened from the menu and used through its buttons.
#include "common/Accessibility.h"
#include "questions/frmseastu.h"
#include "ui/ChildWindows.h"
#include "ui/Twips.h"
#include "WindowDriver.h"

#include <QGroupBox>
#include <QMdiSubWindow>
#include <QTreeWidget>

using Shown = ScriptedDialogs::Shown;

namespace {

const QString kNone = u"别逗了，根本没有符合条件的题！"_s;
const QString kNoMore = u"没有啦！真没啦，不信拉倒吧。"_s;

Shown info(const QString& text)
{
    return ScriptedDialogs::info(u"提示"_s, text);
}

} // namespace

class SearchWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;

    frmseastu* openSearch() { return f->open<frmseastu>(u"searstu"_s); }

    // Questions 1, 2 and 3, told apart by their number and entry time.
    void threeQuestions()
    {
        for (const QString& n : {u"1"_s, u"2"_s, u"3"_s})
            f->bank->addQuestion({.number = n, .enteredAt = u"2026-09-0"_s + n});
    }

    static QString shownNumber(frmseastu* w) { return w->form()->Text8->text(); }

    static QStringList enabledButtons(frmseastu* w)
    {
        QStringList on;
        for (const char* name : {"Command6", "Command8", "Command2", "Command7", "Command5", "Command3",
                                 "Command1", "Command4"}) {
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
    }
    void cleanup()
    {
        QVERIFY2(f->dialogs->allAnswered(), qPrintable(f->dialogs->unexpected().join(u'|')));
        f.reset();
    }

    void opensWithItsGroupsButtonsAndLists()
    {
        f->bank->addQuestionType(u"选择题"_s);
        f->bank->addQuestionType(u"填空题"_s);
        f->bank->addQuestionType(u"选择题"_s);
        f->bank->addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
        frmseastu* w = openSearch();
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"查询、浏览"_s);
        QCOMPARE(w->size(), twipsSize(11000, 7500));
        QCOMPARE(unnamedInputs(w), QStringList());

        QStringList groups;
        for (const QGroupBox* g : w->findChildren<QGroupBox*>())
            groups << g->title();
        groups.sort();
        QStringList expected{u"知识点选项"_s, u"题目信息"_s, u"搜索及显示"_s, u"统计及退出"_s};
        expected.sort();
        QCOMPARE(groups, expected);
        auto* search = w->findChild<QPushButton*>(u"Command6"_s);
        QCOMPARE(search->text(), u"开始搜索"_s);
        QCOMPARE(search->toolTip(), u"单击即可按条件搜索"_s);
        auto* count = w->findChild<QPushButton*>(u"Command1"_s);
        QCOMPARE(count->text(), u"总  数"_s);
        QCOMPARE(count->toolTip(), u"单击可显示搜索到的题目总数"_s);
        QCOMPARE(w->tree()->toolTip(), u"在这里依次单击各级知识点即可填入相应的内容"_s);

        // Before a search only searching, clearing and leaving make sense.
        QCOMPARE(enabledButtons(w), (QStringList{u"Command6"_s, u"Command8"_s, u"Command4"_s}));
        QCOMPARE(w->form()->Combo1->count(), 3);
        QCOMPARE(w->form()->Combo1->itemText(2), u"选择题"_s);
        QCOMPARE(w->tree()->topLevelItem(0)->child(0)->text(0), u"数与代数"_s);
        QCOMPARE(f->boxes(), QList<Shown>());
    }

    void treeGrowsWithTheWindow()
    {
        f->bank->addKnowledgePath(u"数与代数"_s, u"二次根式"_s, u"二次根式的概念与性质"_s);
        frmseastu* w = openSearch();
        QVERIFY(w);
        QTreeWidget* tv = w->tree();
        const QSize before = tv->size();
        QVERIFY(before.width() >= twipsToPixels(2600) - 20);
        QMdiSubWindow* frame = childFrame(w);
        QVERIFY(frame);
        frame->resize(frame->size() + QSize(400, 200));
        QCoreApplication::processEvents();
        QCOMPARE(w->size(), twipsSize(11000, 7500) + QSize(400, 200));
        QVERIFY2(tv->width() >= before.width() + 80,
                 qPrintable(u"%1 -> %2"_s.arg(before.width()).arg(tv->width())));
        QVERIFY(tv->height() >= before.height() + 150);
        // Wide enough now for a name at level 3 to read whole.
        QTreeWidgetItem* node = tv->topLevelItem(0);
        for (int level = 0; level < 3; ++level) {
            node->setExpanded(true);
            node = node->child(0);
        }
        QTreeWidgetItem* leaf = node;
        QCOMPARE(leaf->text(0), u"二次根式的概念与性质"_s);
        const QRect r = tv->visualItemRect(leaf);
        QVERIFY(r.left() + tv->fontMetrics().horizontalAdvance(leaf->text(0)) <= tv->viewport()->width());
    }

    void navigationStopsAtBothEnds()
    {
        threeQuestions();
        frmseastu* w = openSearch();
        click(w, "Command6");
        QCOMPARE(shownNumber(w), u"1"_s);
        QCOMPARE(shownFields(w->form()).at(8), u"2026-09-01"_s);
        QCOMPARE(enabledButtons(w).size(), 8);

        click(w, "Command7"); // before the first
        QCOMPARE(f->boxes(), QList<Shown>{info(kNoMore)});
        QCOMPARE(shownNumber(w), u"1"_s);
        click(w, "Command5");
        QCOMPARE(shownNumber(w), u"2"_s);
        click(w, "Command3");
        QCOMPARE(shownNumber(w), u"3"_s);
        click(w, "Command5"); // past the last
        QCOMPARE(f->boxes(), QList<Shown>{info(kNoMore)});
        QCOMPARE(shownNumber(w), u"3"_s);
        click(w, "Command7");
        QCOMPARE(shownNumber(w), u"2"_s);
        click(w, "Command2");
        QCOMPARE(shownNumber(w), u"1"_s);
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"找到的题目总数是：3"_s)});
    }

    void searchWithoutResultAfterOneWithResults()
    {
        threeQuestions();
        frmseastu* w = openSearch();
        typeInto(w->form()->Text8, u"2"_s);
        click(w, "Command6");
        QCOMPARE(shownNumber(w), u"2"_s);
        const QStringList shown = shownFields(w->form());

        typeInto(w->form()->Combo1, u"填空题"_s);
        click(w, "Command6");
        QCOMPARE(f->boxes(), QList<Shown>{info(kNone)});
        // The earlier question stays on show except what was typed; the buttons stay on.
        QCOMPARE(shownFields(w->form()).mid(2), shown.mid(2));
        QCOMPARE(enabledButtons(w).size(), 8);
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"找到的题目总数是：0"_s)});
        for (const char* move : {"Command2", "Command7", "Command5", "Command3"}) {
            click(w, move);
            QCOMPARE(f->boxes(), QList<Shown>{info(kNoMore)});
        }
    }

    // A criterion is searched as typed: a typed "选择" is not completed to
    // the listed "选择题", so it finds nothing.
    void criteriaAreSearchedAsTyped()
    {
        threeQuestions();
        f->bank->addQuestionType(u"选择题"_s);
        frmseastu* w = openSearch();
        // Typed as at the keyboard: into the list with the focus.
        MDIForm1* main = f->mainWindow();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        w->form()->Combo1->setFocus();
        QTRY_VERIFY(w->form()->Combo1->lineEdit()->hasFocus());
        typeInto(w->form()->Combo1, u"选择"_s);
        QCOMPARE(w->form()->Combo1->currentText(), u"选择"_s);
        click(w, "Command6");
        QCOMPARE(f->boxes(), QList<Shown>{info(kNone)});
        QCOMPARE(w->form()->Combo1->currentText(), u"选择"_s);
        typeInto(w->form()->Combo1, u"选择题"_s);
        click(w, "Command6");
        QCOMPARE(shownNumber(w), u"1"_s);
        QCOMPARE(f->boxes(), QList<Shown>());
    }

    void clearThenNextGoesOnInTheResult()
    {
        threeQuestions();
        frmseastu* w = openSearch();
        click(w, "Command6");
        click(w, "Command8");
        QCOMPARE(shownFields(w->form()), QStringList(11, QString()));
        click(w, "Command5");
        QCOMPARE(shownNumber(w), u"2"_s);
        QCOMPARE(shownFields(w->form()).at(9).trimmed(), u"question"_s);
    }

    // Every criterion holding a quote finds exactly its question, typed as a teacher types.
    void quoteInEveryField()
    {
        const TestQuestion quoted{.number = u"7'"_s,
                                  .type = u"选择'题"_s,
                                  .knowledge1 = u"数'"_s,
                                  .knowledge2 = u"'有理数"_s,
                                  .knowledge3 = u"a'b"_s,
                                  .difficulty = u"A'"_s,
                                  .entranceExam = u"否'"_s,
                                  .enteredBy = u"O'Brien"_s,
                                  .enteredAt = u"2026'09"_s};
        f->bank->addQuestion(quoted);
        TestQuestion near = quoted;
        near.number = u"8"_s;
        near.enteredBy = u"O'Brien' or '1'='1"_s;
        f->bank->addQuestion(near);

        frmseastu* w = openSearch();
        QuestionForm* form = w->form();
        const std::pair<QWidget*, QString> typed[] = {
            {form->Combo1, quoted.type},       {form->Text2, quoted.knowledge1},
            {form->Text3, quoted.knowledge2},  {form->Text4, quoted.knowledge3},
            {form->Combo2, quoted.difficulty}, {form->Combo3, quoted.entranceExam},
            {form->Text6, quoted.enteredBy},   {form->Text7, quoted.enteredAt},
            {form->Text8, quoted.number}};
        for (const auto& [field, text] : typed)
            typeInto(field, text);
        click(w, "Command6");
        QCOMPARE(f->boxes(), QList<Shown>());
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"找到的题目总数是：1"_s)});
        QCOMPARE(
            shownFields(w->form()).mid(0, 9),
            (QStringList{quoted.number, quoted.type, quoted.knowledge1, quoted.knowledge2, quoted.knowledge3,
                         quoted.difficulty, quoted.entranceExam, quoted.enteredBy, quoted.enteredAt}));
    }

    // A question deleted after the search is announced, not shown from stale fields.
    void movingOntoADeletedQuestionSaysSo()
    {
        threeQuestions();
        frmseastu* w = openSearch();
        click(w, "Command6");
        QCOMPARE(f->bank->store().deleteWhere({u"数学题库"_s, u"题目编号 = ?"_s, {u"2"_s}}), 1);
        click(w, "Command5");
        QCOMPARE(f->boxes(), QList<Shown>{info(frmseastu::deletedText())});
        QCOMPARE(shownFields(w->form()), QStringList(11, QString()));
        click(w, "Command5");
        QCOMPARE(shownNumber(w), u"3"_s);
    }

    // A search the bank refuses leaves the earlier result and the fields in place.
    void failedSearchKeepsThePreviousResult()
    {
        threeQuestions();
        frmseastu* w = openSearch();
        click(w, "Command6");
        click(w, "Command5");
        const QStringList shown = shownFields(w->form());
        setBankBusyTimeout(50);
        {
            BankLock lock(f->bank->bankPath(), true);
            click(w, "Command6");
            const QList<Shown> boxes = f->boxes();
            QCOMPARE(boxes.size(), 1);
            QCOMPARE(boxes.first().title, u"数据库错误"_s);
        }
        QCOMPARE(shownFields(w->form()), shown);
        click(w, "Command5");
        QCOMPARE(shownNumber(w), u"3"_s);
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"找到的题目总数是：3"_s)});
    }

    void exitAsksThenStartsAfresh()
    {
        threeQuestions();
        frmseastu* w = openSearch();
        click(w, "Command6");
        f->dialogs->answerNo();
        click(w, "Command4");
        QCOMPARE(f->boxes(), QList<Shown>{ScriptedDialogs::ask(u"提示"_s, u"您确定退出吗？"_s)});
        QVERIFY(w->isVisible());
        QCOMPARE(shownNumber(w), u"1"_s);

        f->dialogs->answerYes();
        click(w, "Command4");
        f->boxes();
        QVERIFY(!w->isVisible());
        QCOMPARE(openSearch(), w);
        QCOMPARE(shownFields(w->form()), QStringList(11, QString()));
        QCOMPARE(enabledButtons(w), (QStringList{u"Command6"_s, u"Command8"_s, u"Command4"_s}));
        QVERIFY(!w->browser().isOpen());
    }
};

QTEST_MAIN(SearchWindowTest)
#include "SearchWindowTest.moc"
