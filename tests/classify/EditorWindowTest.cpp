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
        QCOMPARE(w->Command3->text(), u"退出"_s);
        // Left to right: 添加, 删除, 退出.
        QVERIFY(w->Command2->x() < w->Command1->x() && w->Command1->x() < w->Command3->x());
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
        // Nothing chosen yet: the fields are empty, the first row is current.
        QCOMPARE(fields(w), QStringList(4));
        QCOMPARE(w->MSFlexGrid1->currentGridRow(), 1);
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
        QCOMPARE(f->boxes(), (QList<Shown>{ask(u"您是否确定删除编号：3"_s), info(u"删除成功！"_s)}));
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
        QCOMPARE(f->boxes(), QList<Shown>{ask(u"您是否确定删除编号：2"_s)});
        QCOMPARE(storedPaths(*f->bank).size(), 8);
        QCOMPARE(fields(w), QStringList(4));
        QCOMPARE(cells(w).size(), 9);
        QCOMPARE(cells(w).last().at(1), u"综合"_s);
    }

    void deletingTheLastRowLeavesAnEmptyGrid()
    {
        f->bank->addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
        XG_ZHSHD* w = openKnowledge();
        // Right after a load the first row is current, unchosen.
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
        QCOMPARE(f->boxes(), (QList<Shown>{ask(u"您是否确定删除编号：3"_s), info(u"删除成功！"_s)}));
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

        // No still empties and reloads.
        typeInto(w->Text1, u"作图题"_s);
        f->dialogs->answerNo();
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{ask(u"您是否确定删除编号：2"_s)});
        QCOMPARE(fields(w), QStringList(2));

        click(w, "Command3");
        QVERIFY(!w->isVisible());
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
