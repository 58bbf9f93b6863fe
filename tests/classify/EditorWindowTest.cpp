// 编辑知识点 (XG_ZHSHD) and 编辑题型 (XG_TiXing) opened from the menu and
// used through the grid, the fields and the buttons.
#include "classify/ClassificationGrid.h"
#include "classify/ClassificationGridView.h"
#include "classify/XG_TiXing.h"
#include "classify/XG_ZHSHD.h"
#include "common/Accessibility.h"
#include "questions/WindowDriver.h"
#include "SmallClassification.h"
#include "ui/ChildWindows.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QMdiSubWindow>

using Shown = ScriptedDialogs::Shown;

namespace {

Shown info(const QString& text)
{
    return ScriptedDialogs::info(u"提示"_s, text);
}

Shown warn(const QString& text)
{
    return ScriptedDialogs::info(u"警告"_s, text);
}

Shown ask(const QString& text)
{
    return ScriptedDialogs::ask(u"提示"_s, text);
}

const QString kNoRecord = u"没有查到任何记录"_s;

// The grid as rows of cells, row 0 the column names.
QList<QStringList> cells(const ClassificationEditor* w)
{
    const ClassificationGrid* g = w->grid();
    QList<QStringList> rows;
    for (int r = 0; r < g->gridRows(); ++r) {
        QStringList row;
        for (int c = 0; c < g->gridColumns(); ++c)
            row << g->cell(r, c);
        rows << row;
    }
    return rows;
}

// A click on grid cell (row, column), as the teacher chooses a row.
void clickCell(ClassificationEditor* w, int row, int column)
{
    ClassificationGridView* view = w->MSFlexGrid1;
    const QModelIndex index = view->model()->index(row - 1, column - 1);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

QStringList fields(const ClassificationEditor* w)
{
    QStringList out{w->Text2->text()};
    for (const QLineEdit* e : w->nameFields())
        out << e->text();
    return out;
}

QStringList storedPaths(const TestBank& bank)
{
    QStringList out;
    for (const KnowledgePath& p : bank.store().knowledgePaths())
        out << p.level1 + u'/' + p.level2 + u'/' + p.level3;
    return out;
}

QStringList storedTypes(const TestBank& bank)
{
    QStringList out;
    for (const QuestionType& t : bank.store().questionTypes())
        out << t.name;
    return out;
}

// With TIKU_SHOTS set, keeps a picture of the window there to look at.
void keepShot(QWidget* w, const QString& name)
{
    const QString folder = qEnvironmentVariable("TIKU_SHOTS");
    if (!folder.isEmpty())
        w->grab().save(folder + u'/' + name + u".png"_s);
}

// Each question's type and path, in stored order.
QStringList filedQuestions(const TestBank& bank)
{
    QStringList out;
    for (const QuestionRecord& q : bank.store().questions())
        out << q.type + u':' + q.path.level1 + u'/' + q.path.level2 + u'/' + q.path.level3;
    return out;
}

QStringList groupTitles(const QWidget* w)
{
    QStringList titles;
    for (const QGroupBox* g : w->findChildren<QGroupBox*>())
        titles << g->title() + u'|' + g->toolTip();
    titles.sort();
    return titles;
}

} // namespace

class EditorWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;

    XG_ZHSHD* openKnowledge() { return f->open<XG_ZHSHD>(u"BianJiZHSHD"_s); }
    XG_TiXing* openTypes() { return f->open<XG_TiXing>(u"BianJiTX"_s); }

    void typePath(XG_ZHSHD* w, const QString& l1, const QString& l2, const QString& l3)
    {
        typeInto(w->Text1, l1);
        typeInto(w->Text3, l2);
        typeInto(w->Text4, l3);
    }

private slots:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        f->mainWindow();
    }
    void cleanup()
    {
        QVERIFY2(f->dialogs->allAnswered(), qPrintable(f->dialogs->unexpected().join(u'|')));
        f.reset();
    }

    void knowledgeEditorOpensWithItsGridFieldsAndButtons()
    {
        small::addKnowledgePaths(*f->bank);
        XG_ZHSHD* w = openKnowledge();
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"编辑知识点"_s);
        QCOMPARE(w->size(), twipsSize(9030, 4000));
        QCOMPARE(childFrame(w)->pos(), twipsPoint(2000, 2000));
        QCOMPARE(unnamedInputs(w), QStringList());
        QCOMPARE(groupTitles(w), (QStringList{u"已有知识点分类|在这里可以添加或删除各级知识点"_s,
                                              u"编辑输入|在这里可以添加或删除各级知识点"_s}));
        QCOMPARE(w->MSFlexGrid1->toolTip(), u"单击各单元格试试"_s);
        QCOMPARE(w->Command2->text(), u"添加"_s);
        QCOMPARE(w->Command1->text(), u"删除"_s);
        QCOMPARE(w->Command4->text(), u"重命名"_s);
        QCOMPARE(w->Command3->text(), u"退出"_s);
        // Left to right: 添加, 删除, 重命名, 退出.
        QVERIFY(w->Command2->x() < w->Command1->x() && w->Command1->x() < w->Command4->x() &&
                w->Command4->x() < w->Command3->x());
        QCOMPARE(w->findChild<QLineEdit*>(u"Text3"_s), w->Text3);
        QCOMPARE(w->findChild<QLineEdit*>(u"Text4"_s), w->Text4);

        const QList<QStringList> grid = cells(w);
        QCOMPARE(grid.size(), 8);
        QCOMPARE(grid.first(), (QStringList{u"编号"_s, u"第一知识点"_s, u"第二知识点"_s, u"第三知识点"_s}));
        QCOMPARE(grid.at(1), (QStringList{u"1"_s, u"数与代数"_s, u"有理数"_s, u"有理数的加法与减法"_s}));
        QCOMPARE(grid.at(7), (QStringList{u"7"_s, u"数与代数"_s, u"有理数"_s, u"绝对值"_s}));
        // The fixed row and column are the view's headers.
        QCOMPARE(w->MSFlexGrid1->model()->headerData(0, Qt::Horizontal).toString(), u"第一知识点"_s);
        QCOMPARE(w->MSFlexGrid1->model()->headerData(6, Qt::Vertical).toString(), u"7"_s);
        QVERIFY(w->MSFlexGrid1->horizontalHeader()->isVisible());
        QVERIFY(w->MSFlexGrid1->verticalHeader()->isVisible());
        // Nothing chosen yet: the fields are empty and no row is current.
        QCOMPARE(fields(w), QStringList(4));
        QCOMPARE(w->MSFlexGrid1->currentGridRow(), 0);
        QCOMPARE(f->boxes(), QList<Shown>());
    }

    void choosingARowFillsTheFields()
    {
        small::addKnowledgePaths(*f->bank);
        XG_ZHSHD* w = openKnowledge();
        clickCell(w, 4, 1);
        QCOMPARE(fields(w), (QStringList{u"4"_s, u"统计与概率"_s, QString(), QString()}));
        clickCell(w, 6, 3); // whichever column is clicked
        QCOMPARE(fields(w), (QStringList{u"6"_s, u"实践与综合"_s, u"有理数"_s, u"数轴上的游戏"_s}));
        // The current row chosen again after typing: its values come back.
        typeInto(w->Text1, u"别的"_s);
        clickCell(w, 6, 1);
        QCOMPARE(w->Text1->text(), u"实践与综合"_s);
        // The keyboard moves the current row too.
        w->MSFlexGrid1->setFocus();
        QTest::keyClick(w->MSFlexGrid1, Qt::Key_Down);
        QCOMPARE(fields(w).first(), u"7"_s);
        QVERIFY(w->Text2->isReadOnly());
    }

    void anEmptyTableSaysSoAndCanBeAddedTo()
    {
        XG_ZHSHD* w = openKnowledge();
        QVERIFY(w);
        QCOMPARE(f->boxes(), QList<Shown>{info(kNoRecord)});
        QCOMPARE(w->grid()->gridRows(), 0);
        QCOMPARE(w->grid()->gridColumns(), 0);
        QCOMPARE(w->MSFlexGrid1->currentGridRow(), 0);

        typePath(w, u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
        f->dialogs->answerYes();
        click(w, "Command2");
        QCOMPARE(f->boxes(), (QList<Shown>{ask(u"您确定添加知识点吗？"_s), info(u"添加成功"_s)}));
        QCOMPARE(cells(w).size(), 2);
        QCOMPARE(cells(w).at(1), (QStringList{u"1"_s, u"数与代数"_s, u"有理数"_s, u"绝对值"_s}));
        QCOMPARE(fields(w), QStringList(4));
    }

    void addWarnsAboutEachEmptyNameAndGoesOn()
    {
        XG_ZHSHD* w = openKnowledge();
        f->boxes();
        w->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w->window()));
        f->dialogs->answerYes();
        click(w, "Command2");
        QCOMPARE(f->boxes(), (QList<Shown>{warn(u"请填入知识点一！"_s), warn(u"请填入知识点二！"_s),
                                           warn(u"请填入知识点三！"_s), ask(u"您确定添加知识点吗？"_s),
                                           info(u"添加成功"_s)}));
        QCOMPARE(storedPaths(*f->bank), QStringList{u"//"_s});

        // Only the second missing: its warning, then the question; the focus
        // went through every field and rests on the last.
        typePath(w, u"数与代数"_s, QString(), u" "_s);
        f->dialogs->answerYes();
        click(w, "Command2");
        QCOMPARE(f->boxes(), (QList<Shown>{warn(u"请填入知识点二！"_s), ask(u"您确定添加知识点吗？"_s),
                                           info(u"添加成功"_s)}));
        QCOMPARE(storedPaths(*f->bank), (QStringList{u"//"_s, u"数与代数// "_s}));
        QCOMPARE(QApplication::focusWidget(), w->Text4);
    }

    void addAnsweredNoStoresNothingAndKeepsTheFields()
    {
        f->bank->addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
        XG_ZHSHD* w = openKnowledge();
        typePath(w, u"图形与几何"_s, u"三角形"_s, u"全等三角形"_s);
        f->dialogs->answerNo();
        click(w, "Command2");
        QCOMPARE(f->boxes(), QList<Shown>{ask(u"您确定添加知识点吗？"_s)});
        QCOMPARE(storedPaths(*f->bank).size(), 1);
        QCOMPARE(fields(w), (QStringList{QString(), u"图形与几何"_s, u"三角形"_s, u"全等三角形"_s}));
    }

    void theSamePathTwiceGivesTwoRowsAndOneDeleteRemovesBoth()
    {
        f->bank->addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
        XG_ZHSHD* w = openKnowledge();
        for (int i = 0; i < 2; ++i) {
            typePath(w, u"图形与几何"_s, u"三角形"_s, u"全等三角形"_s);
            f->dialogs->answerYes();
            click(w, "Command2");
        }
        f->boxes();
        QCOMPARE(cells(w).size(), 4);
        QCOMPARE(cells(w).at(2).first(), u"2"_s);
        QCOMPARE(cells(w).at(3).first(), u"3"_s);
        QCOMPARE(cells(w).at(2).mid(1), cells(w).at(3).mid(1));

        clickCell(w, 3, 2);
        f->dialogs->answerYes();
        click(w, "Command1");
        QCOMPARE(
            f->boxes(),
            (QList<Shown>{
                ask(u"您是否确定删除编号：3\n知识点“图形与几何 / 三角形 / 全等三角形”共有2行，将一起删除。"_s),
                info(u"删除成功！"_s)}));
        QCOMPARE(storedPaths(*f->bank), QStringList{u"数与代数/有理数/绝对值"_s});
        QCOMPARE(cells(w).size(), 2);
        QCOMPARE(fields(w), QStringList(4));
    }

    void deleteActsOnTheGridRowNotOnTheTypedFields()
    {
        small::addKnowledgePaths(*f->bank);
        XG_ZHSHD* w = openKnowledge();
        clickCell(w, 3, 1); // 数与代数 / 整式 / 整式的加减
        typePath(w, u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
        f->dialogs->answerYes();
        click(w, "Command1");
        QCOMPARE(f->boxes(), (QList<Shown>{ask(u"您是否确定删除编号：3"_s), info(u"删除成功！"_s)}));
        QVERIFY(!storedPaths(*f->bank).contains(u"数与代数/整式/整式的加减"_s));
        QVERIFY(storedPaths(*f->bank).contains(u"数与代数/有理数/绝对值"_s));
        QCOMPARE(storedPaths(*f->bank).size(), 6);
    }

    void deleteAnsweredNoStillEmptiesTheFieldsAndReloads()
    {
        small::addKnowledgePaths(*f->bank);
        XG_ZHSHD* w = openKnowledge();
        clickCell(w, 2, 1);
        f->bank->addKnowledgePath(u"综合"_s, u"课题学习"_s, u"设计制作"_s); // behind the window's back
        QCOMPARE(cells(w).size(), 8);
        f->dialogs->answerNo();
        click(w, "Command1");
        QCOMPARE(
            f->boxes(),
            QList<Shown>{ask(
                u"您是否确定删除编号：2\n知识点“图形与几何 / 三角形 / 全等三角形”共有2行，将一起删除。"_s)});
        QCOMPARE(storedPaths(*f->bank).size(), 8);
        QCOMPARE(fields(w), QStringList(4));
        QCOMPARE(cells(w).size(), 9);
        QCOMPARE(cells(w).last().at(1), u"综合"_s);
    }

    void deletingTheLastRowLeavesAnEmptyGrid()
    {
        f->bank->addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
        XG_ZHSHD* w = openKnowledge();
        clickCell(w, 1, 1);
        f->dialogs->answerYes();
        click(w, "Command1");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{ask(u"您是否确定删除编号：1"_s), info(u"删除成功！"_s), info(kNoRecord)}));
        QCOMPARE(w->grid()->gridRows(), 0);
        QCOMPARE(w->grid()->gridColumns(), 0);
        QCOMPARE(w->MSFlexGrid1->model()->rowCount(), 0);
        QCOMPARE(w->MSFlexGrid1->model()->columnCount(), 0);

        // With no data row there is nothing to delete, and nothing is asked.
        typePath(w, u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
        f->bank->addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"表格中没有记录，没有可删除的。"_s)});
        QCOMPARE(storedPaths(*f->bank).size(), 1);
        QCOMPARE(w->Text1->text(), u"数与代数"_s);
    }

    void namesWithQuotesAreAddedListedAndDeleted()
    {
        XG_ZHSHD* w = openKnowledge();
        f->boxes();
        typePath(w, u"O'Neil"_s, u"'"_s, u"x' or '1'='1"_s);
        f->dialogs->answerYes();
        click(w, "Command2");
        QCOMPARE(cells(w).at(1), (QStringList{u"1"_s, u"O'Neil"_s, u"'"_s, u"x' or '1'='1"_s}));
        f->dialogs->answerYes();
        click(w, "Command1");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{ask(u"您确定添加知识点吗？"_s), info(u"添加成功"_s),
                               ask(u"您是否确定删除编号：1"_s), info(u"删除成功！"_s), info(kNoRecord)}));
        QCOMPARE(storedPaths(*f->bank), QStringList());
    }

    void exitOnlyHidesAndTheCloseBoxDiscards()
    {
        f->bank->addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
        XG_ZHSHD* w = openKnowledge();
        typeInto(w->Text1, u"半成品"_s);
        click(w, "Command3");
        QVERIFY(!w->isVisible());
        QVERIFY(!childFrame(w)->isVisible());
        QCOMPARE(f->boxes(), QList<Shown>());

        // Shown again as it was left: the grid is not read again.
        f->bank->addKnowledgePath(u"图形与几何"_s, u"三角形"_s, u"全等三角形"_s);
        QCOMPARE(openKnowledge(), w);
        QCOMPARE(w->Text1->text(), u"半成品"_s);
        QCOMPARE(cells(w).size(), 2);

        // Discarded by the close box, it loads anew.
        childFrame(w)->close();
        QTRY_VERIFY(!WindowRegistry::instance().existing<XG_ZHSHD>());
        w = openKnowledge();
        QCOMPARE(w->Text1->text(), QString());
        QCOMPARE(cells(w).size(), 3);
    }

    void aLockedBankIsReportedAndTheWindowGoesOn()
    {
        f->bank->addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
        XG_ZHSHD* w = openKnowledge();
        setBankBusyTimeout(50);
        {
            BankLock lock(f->bank->bankPath(), false);
            typePath(w, u"图形与几何"_s, u"三角形"_s, u"全等三角形"_s);
            f->dialogs->answerYes();
            click(w, "Command2");
        }
        setBankBusyTimeout(5000);
        const QList<Shown> shown = f->boxes();
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown.at(1).text.startsWith(u"错误号："_s));
        // Nothing was stored and what was typed is still there.
        QCOMPARE(storedPaths(*f->bank).size(), 1);
        QCOMPARE(w->Text1->text(), u"图形与几何"_s);
        QVERIFY(w->isVisible());
    }

    void typeEditorIsTheTwoColumnTwin()
    {
        small::addQuestionTypes(*f->bank);
        XG_TiXing* w = openTypes();
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"编辑题型"_s);
        QCOMPARE(w->size(), twipsSize(5550, 2850));
        QCOMPARE(childFrame(w)->pos(), twipsPoint(3000, 2000));
        QCOMPARE(unnamedInputs(w), QStringList());
        QVERIFY(groupTitles(w).contains(u"编辑输入|在这里可以添加或删除题型分类"_s));
        QCOMPARE(w->MSFlexGrid1->toolTip(), u"单击各单元格试试"_s);
        QCOMPARE(cells(w).first(), (QStringList{u"编号"_s, u"题型"_s}));
        QCOMPARE(cells(w).size(), 6);
        QCOMPARE(cells(w).at(5), (QStringList{u"5"_s, u"Tom's 探究题"_s}));

        // Chosen, edited, deleted: the grid row's type goes, both of its rows.
        clickCell(w, 3, 1);
        QCOMPARE(fields(w), (QStringList{u"3"_s, u"选择题"_s}));
        typeInto(w->Text1, u"填空题"_s);
        f->dialogs->answerYes();
        click(w, "Command1");
        QCOMPARE(f->boxes(), (QList<Shown>{ask(u"您是否确定删除编号：3\n题型“选择题”共有2行，将一起删除。"_s),
                                           info(u"删除成功！"_s)}));
        QCOMPARE(storedTypes(*f->bank), (QStringList{u"填空题"_s, u"解答题"_s, u"Tom's 探究题"_s}));
        QCOMPARE(fields(w), QStringList(2));

        // A type with a quote goes like any other.
        clickCell(w, 3, 1);
        f->dialogs->answerYes();
        click(w, "Command1");
        QCOMPARE(storedTypes(*f->bank), (QStringList{u"填空题"_s, u"解答题"_s}));
        f->boxes();

        // An empty type: the warning, then the question; Yes stores it, last.
        f->dialogs->answerYes();
        click(w, "Command2");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{warn(u"请填入题型！"_s), ask(u"您确定添加题型吗？"_s), info(u"添加成功"_s)}));
        QCOMPARE(storedTypes(*f->bank), (QStringList{u"填空题"_s, u"解答题"_s, QString()}));
        QCOMPARE(cells(w).last().at(1), QString());

        // No still empties and reloads. The row just added is the one
        // chosen, so 删除 asks about it.
        typeInto(w->Text1, u"作图题"_s);
        f->dialogs->answerNo();
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{ask(u"您是否确定删除编号：6"_s)});
        QCOMPARE(fields(w), QStringList(2));

        click(w, "Command3");
        QVERIFY(!w->isVisible());
    }

    void anAddChoosesTheNewRowAndOtherReloadsChooseNone()
    {
        for (int i = 1; i <= 60; ++i)
            f->bank->addKnowledgePath(u"数与代数"_s, u"第%1章"_s.arg(i), u"练习"_s);
        XG_ZHSHD* w = openKnowledge();
        QCOMPARE(w->MSFlexGrid1->currentGridRow(), 0);
        typePath(w, u"图形与几何"_s, u"三角形"_s, u"全等三角形"_s);
        f->dialogs->answerYes();
        click(w, "Command2");
        f->boxes();
        // The new row, the last of 61, is chosen and scrolled into sight;
        // the fields are empty, as after every add.
        QCOMPARE(w->MSFlexGrid1->currentGridRow(), 61);
        QCOMPARE(w->grid()->cell(61, 0), u"61"_s);
        QVERIFY(w->MSFlexGrid1->selectionModel()->isRowSelected(60, {}));
        const QRect row = w->MSFlexGrid1->visualRect(w->MSFlexGrid1->currentIndex());
        QVERIFY2(w->MSFlexGrid1->viewport()->rect().contains(row.center()),
                 qPrintable(u"row at %1"_s.arg(row.y())));
        QCOMPARE(fields(w), QStringList(4));
        keepShot(w, u"编辑知识点-添加之后"_s);

        // 删除 right after the add asks about that row, never about row 1.
        f->dialogs->answerNo();
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{ask(u"您是否确定删除编号：61"_s)});
        // That reload chooses nothing: 删除 asks for a row first and deletes nothing.
        QCOMPARE(w->MSFlexGrid1->currentGridRow(), 0);
        QVERIFY(w->MSFlexGrid1->selectionModel()->selectedIndexes().isEmpty());
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"请先在表格中单击要删除的一行。"_s)});
        QCOMPARE(storedPaths(*f->bank).size(), 61);

        // The type editor chooses its new row the same way.
        small::addQuestionTypes(*f->bank);
        XG_TiXing* t = openTypes();
        QCOMPARE(t->MSFlexGrid1->currentGridRow(), 0);
        typeInto(t->Text1, u"作图题"_s);
        f->dialogs->answerYes();
        click(t, "Command2");
        f->boxes();
        QCOMPARE(t->MSFlexGrid1->currentGridRow(), 6);
        QCOMPARE(t->grid()->cell(6, 1), u"作图题"_s);
        f->dialogs->answerNo();
        click(t, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{ask(u"您是否确定删除编号：6"_s)});
    }

    void deleteSaysHowManyRowsGoWithTheNames()
    {
        small::addKnowledgePaths(*f->bank); // rows 2 and 5 hold the same path
        XG_ZHSHD* w = openKnowledge();
        clickCell(w, 5, 1);
        f->dialogs->answerNo();
        click(w, "Command1");
        QCOMPARE(
            f->boxes(),
            QList<Shown>{ask(
                u"您是否确定删除编号：5\n知识点“图形与几何 / 三角形 / 全等三角形”共有2行，将一起删除。"_s)});
        // A path held by one row alone: the question as it always was.
        clickCell(w, 1, 1);
        f->dialogs->answerNo();
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{ask(u"您是否确定删除编号：1"_s)});

        small::addQuestionTypes(*f->bank); // rows 1 and 3: 选择题
        XG_TiXing* t = openTypes();
        clickCell(t, 3, 1);
        f->dialogs->answerYes();
        click(t, "Command1");
        QCOMPARE(f->boxes(), (QList<Shown>{ask(u"您是否确定删除编号：3\n题型“选择题”共有2行，将一起删除。"_s),
                                           info(u"删除成功！"_s)}));
        QCOMPARE(storedTypes(*f->bank), (QStringList{u"填空题"_s, u"解答题"_s, u"Tom's 探究题"_s}));
    }

    void renameAKnowledgePointAtEachLevel()
    {
        f->bank->addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"有理数的加法与减法"_s);
        f->bank->addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
        f->bank->addKnowledgePath(u"实践与综合"_s, u"有理数"_s, u"数轴上的游戏"_s);
        f->bank->addKnowledgePath(u"数与代数"_s, u"整式"_s, u"整式的加减"_s);
        f->bank->addQuestion({.knowledge3 = u"绝对值"_s});
        f->bank->addQuestion({.knowledge3 = u"有理数的加法与减法"_s});
        f->bank->addQuestion({.knowledge1 = u"实践与综合"_s, .knowledge3 = u"数轴上的游戏"_s});
        f->bank->addQuestion({.knowledge2 = u"整式"_s, .knowledge3 = u"整式的加减"_s});
        XG_ZHSHD* w = openKnowledge();

        // Level 2 under 数与代数: both of its paths and both of its
        // questions; 有理数 under 实践与综合 stays.
        clickCell(w, 2, 1);
        typeInto(w->Text3, u"有理数及其运算"_s);
        f->dialogs->answerYes();
        f->dialogs->answerYes();
        click(w, "Command4");
        QCOMPARE(
            f->boxes(),
            (QList<Shown>{
                ask(u"您确定把二级知识点“有理数”改名为“有理数及其运算”吗？\n知识点表中有2行用到它，将一起改名。"_s),
                ask(u"题库中有2道题目用的是二级知识点“有理数”，是否把这些题目也一起改为“有理数及其运算”？"_s),
                info(u"重命名成功！知识点表中改了2行，题库中改了2道题目。"_s)}));
        QCOMPARE(
            storedPaths(*f->bank),
            (QStringList{u"数与代数/有理数及其运算/有理数的加法与减法"_s, u"数与代数/有理数及其运算/绝对值"_s,
                         u"实践与综合/有理数/数轴上的游戏"_s, u"数与代数/整式/整式的加减"_s}));
        QCOMPARE(
            filedQuestions(*f->bank),
            (QStringList{u"选择题:数与代数/有理数及其运算/绝对值"_s,
                         u"选择题:数与代数/有理数及其运算/有理数的加法与减法"_s,
                         u"选择题:实践与综合/有理数/数轴上的游戏"_s, u"选择题:数与代数/整式/整式的加减"_s}));
        // The grid shows the new name, the renamed row chosen.
        QCOMPARE(cells(w).at(2), (QStringList{u"2"_s, u"数与代数"_s, u"有理数及其运算"_s, u"绝对值"_s}));
        QCOMPARE(w->MSFlexGrid1->currentGridRow(), 2);
        QCOMPARE(fields(w), QStringList(4));
        keepShot(w, u"编辑知识点-重命名之后"_s);

        // Level 1, the questions left as they are: the message says so.
        clickCell(w, 4, 1);
        typeInto(w->Text1, u"代数"_s);
        f->dialogs->answerYes();
        f->dialogs->answerNo();
        click(w, "Command4");
        QCOMPARE(
            f->boxes(),
            (QList<Shown>{
                ask(u"您确定把一级知识点“数与代数”改名为“代数”吗？\n知识点表中有3行用到它，将一起改名。"_s),
                ask(u"题库中有3道题目用的是一级知识点“数与代数”，是否把这些题目也一起改为“代数”？"_s),
                info(u"重命名成功！知识点表中改了3行，题库中改了0道题目。\n另有3道题目仍用原来的名称。"_s)}));
        QCOMPARE(storedPaths(*f->bank),
                 (QStringList{u"代数/有理数及其运算/有理数的加法与减法"_s, u"代数/有理数及其运算/绝对值"_s,
                              u"实践与综合/有理数/数轴上的游戏"_s, u"代数/整式/整式的加减"_s}));
        QCOMPARE(filedQuestions(*f->bank).first(), u"选择题:数与代数/有理数及其运算/绝对值"_s);

        // Level 3 under 代数 / 整式: the question filed under 数与代数 is
        // not under it, so nothing asks about questions.
        clickCell(w, 4, 3);
        typeInto(w->Text4, u"整式的加法与减法"_s);
        f->dialogs->answerYes();
        click(w, "Command4");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{ask(u"您确定把三级知识点“整式的加减”改名为“整式的加法与减法”吗？"_s),
                               info(u"重命名成功！知识点表中改了1行，题库中改了0道题目。"_s)}));
        QCOMPARE(storedPaths(*f->bank).last(), u"代数/整式/整式的加法与减法"_s);

        // Answered No: nothing changes and the fields keep what was typed.
        clickCell(w, 3, 1);
        typeInto(w->Text1, u"综合与实践"_s);
        f->dialogs->answerNo();
        click(w, "Command4");
        QCOMPARE(f->boxes(), QList<Shown>{ask(u"您确定把一级知识点“实践与综合”改名为“综合与实践”吗？"_s)});
        QCOMPARE(storedPaths(*f->bank).at(2), u"实践与综合/有理数/数轴上的游戏"_s);
        QCOMPARE(w->Text1->text(), u"综合与实践"_s);
    }

    void renameSaysWhatIsMissing()
    {
        small::addKnowledgePaths(*f->bank);
        XG_ZHSHD* w = openKnowledge();
        w->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w->window()));
        const QStringList before = storedPaths(*f->bank);
        click(w, "Command4");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"请先在表格中单击要重命名的一行，再在框中改好名称。"_s)});

        clickCell(w, 1, 1);
        click(w, "Command4");
        QCOMPARE(f->boxes(),
                 QList<Shown>{warn(u"请在一级、二级或三级知识点的框中填入新的名称，再单击“重命名”。"_s)});

        typeInto(w->Text1, u"代数"_s);
        typeInto(w->Text4, u"加减法"_s);
        click(w, "Command4");
        QCOMPARE(f->boxes(), QList<Shown>{warn(u"一次只能给一个知识点改名：请只改一个框中的名称。"_s)});

        clickCell(w, 1, 1);
        w->Text3->clear();
        click(w, "Command4");
        QCOMPARE(f->boxes(), QList<Shown>{warn(u"新的名称不能为空！"_s)});
        QCOMPARE(QApplication::focusWidget(), w->Text3);
        QCOMPARE(storedPaths(*f->bank), before);

        XG_TiXing* t = openTypes();
        f->boxes(); // 没有查到任何记录
        click(t, "Command4");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"表格中没有记录，没有可重命名的。"_s)});
    }

    void renameAQuestionType()
    {
        for (const QString& type : {u"选择题"_s, u"填空题"_s, u"选择题"_s, u"解答题"_s})
            f->bank->addQuestionType(type);
        f->bank->addQuestion({.type = u"选择题"_s});
        f->bank->addQuestion({.type = u"填空题"_s});
        f->bank->addQuestion({.type = u"选择题"_s});
        XG_TiXing* t = openTypes();
        clickCell(t, 3, 1);
        typeInto(t->Text1, u"单项选择题"_s);
        f->dialogs->answerYes();
        f->dialogs->answerYes();
        click(t, "Command4");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{
                     ask(u"您确定把题型“选择题”改名为“单项选择题”吗？\n题型表中有2行用到它，将一起改名。"_s),
                     ask(u"题库中有2道题目用的是题型“选择题”，是否把这些题目也一起改为“单项选择题”？"_s),
                     info(u"重命名成功！题型表中改了2行，题库中改了2道题目。"_s)}));
        QCOMPARE(storedTypes(*f->bank),
                 (QStringList{u"单项选择题"_s, u"填空题"_s, u"单项选择题"_s, u"解答题"_s}));
        QStringList types;
        for (const QuestionRecord& q : f->bank->store().questions())
            types << q.type;
        QCOMPARE(types, (QStringList{u"单项选择题"_s, u"填空题"_s, u"单项选择题"_s}));
        QCOMPARE(t->MSFlexGrid1->currentGridRow(), 3);
        keepShot(t, u"编辑题型-重命名之后"_s);

        // The same name again, or none: a warning, and nothing is asked.
        clickCell(t, 2, 1);
        click(t, "Command4");
        QCOMPARE(f->boxes(), QList<Shown>{warn(u"请在“题 型”框中填入新的名称，再单击“重命名”。"_s)});
        t->Text1->clear();
        click(t, "Command4");
        QCOMPARE(f->boxes(), QList<Shown>{warn(u"新的名称不能为空！"_s)});
        QCOMPARE(storedTypes(*f->bank).at(1), u"填空题"_s);
    }

    void typeEditorOnAnEmptyTable()
    {
        XG_TiXing* w = openTypes();
        QCOMPARE(f->boxes(), QList<Shown>{info(kNoRecord)});
        QCOMPARE(w->grid()->gridRows(), 0);
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"表格中没有记录，没有可删除的。"_s)});
        typeInto(w->Text1, u"选择题"_s);
        f->dialogs->answerYes();
        click(w, "Command2");
        QCOMPARE(f->boxes(), (QList<Shown>{ask(u"您确定添加题型吗？"_s), info(u"添加成功"_s)}));
        QCOMPARE(cells(w), (QList<QStringList>{{u"编号"_s, u"题型"_s}, {u"1"_s, u"选择题"_s}}));
    }
};

QTEST_MAIN(EditorWindowTest)
#include "EditorWindowTest.moc"
