// 导入试卷 driven as a teacher drives it: the menu command, the file picked,
// the preview checked and adjusted through its buttons and fields, then 导入
// or 取消; the bank is looked at afterwards.
#include "WindowDriver.h"

#include "common/Accessibility.h"
#include "docxgen/PaperSamples.h"
#include "formula/FormulaEngine.h"
#include "questions/DaoRuSHJ.h"
#include "rtf/RtfReader.h"

#include <QFile>
#include <QLabel>
#include <QTextDocument>
#include <QTreeWidget>

using Shown = ScriptedDialogs::Shown;

namespace {

QString textOf(const QByteArray& rtf)
{
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    return doc.toPlainText();
}

QStringList column(const QTreeWidget* list, int c)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(c);
    return out;
}

void select(QTreeWidget* list, const QList<int>& rows)
{
    list->clearSelection();
    list->setCurrentItem(list->topLevelItem(rows.first()));
    for (const int r : rows)
        list->topLevelItem(r)->setSelected(true);
}

} // namespace

class ImportWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> fx;
    QTemporaryDir files;

    QString paper(const QString& name, const QByteArray& bytes)
    {
        const QString path = files.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    DaoRuSHJ* openWindow()
    {
        auto* w = fx->open<DaoRuSHJ>(u"DRSHJ"_s);
        if (!w)
            qFatal("导入试卷 did not open");
        return w;
    }

    // Picks `path` in the file dialog of 选择文件…; the boxes shown after it.
    QList<Shown> choose(DaoRuSHJ* w, const QString& path)
    {
        fx->dialogs->answerFile(path);
        click(w, "Command1");
        QList<Shown> shown = fx->boxes();
        if (shown.isEmpty() || shown.first().kind != ScriptedDialogs::Kind::OpenFile ||
            shown.first().title != u"导入试卷"_s)
            qFatal("no file dialog 导入试卷");
        shown.removeFirst();
        return shown;
    }

private slots:
    void initTestCase() { FormulaEngine::setScriptPath(QStringLiteral(TIKU_FORMULA_SCRIPT)); }

    void init()
    {
        fx = std::make_unique<WindowFixture>();
        for (const QString& t : {u"选择题"_s, u"填空题"_s, u"解答题"_s})
            fx->bank->addQuestionType(t);
        fx->bank->addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"相反数"_s);
    }

    void cleanup() { fx.reset(); }

    // The preview lists what was found; join, split at the caret, move a
    // paragraph, drop and set fields for some or all; 导入 appends them all
    // after the bank's last number and says so.
    void checkAdjustAndImport()
    {
        fx->bank->addQuestion({.number = u"40"_s});
        DaoRuSHJ* w = openWindow();
        QCOMPARE(unnamedInputs(w), QStringList());
        QVERIFY(!w->Command9->isEnabled());
        QCOMPARE(choose(w, paper(u"期中试卷.docx"_s, docxgen::wordPaper())), QList<Shown>());
        QCOMPARE(column(w->List1, 0), QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}));
        QCOMPARE(column(w->List1, 2).first(), u"选择题"_s);
        QCOMPARE(column(w->List1, 5), QStringList(7, u"有"_s));
        QVERIFY(w->Label1->text().startsWith(u"找到 7 道题，其中 7 道有答案"_s));
        QVERIFY(w->Text1->text().endsWith(u"期中试卷.docx"_s));
        QVERIFY(w->RichTextBox1->Text().startsWith(u"下列各数中，最小的数是"_s));
        QCOMPARE(w->RichTextBox2->Text(), u"A"_s);

        // Questions 1 and 2 joined, then split again where 2 began.
        select(w->List1, {0});
        click(w, "Command2");
        QCOMPARE(w->List1->topLevelItemCount(), 6);
        const QString joined = w->RichTextBox1->Text();
        const int second = int(joined.indexOf(u"计算 "_s));
        QVERIFY(second > 0);
        w->RichTextBox1->setSelStart(second);
        w->RichTextBox2->setSelStart(2); // the second answer's paragraph
        click(w, "Command3");
        QCOMPARE(column(w->List1, 0).mid(0, 3), QStringList({u"1"_s, u"1-2"_s, u"3"_s}));
        QCOMPARE(w->currentQuestion(), 1);
        QVERIFY(w->RichTextBox1->Text().startsWith(u"计算 "_s));
        QCOMPARE(w->RichTextBox2->Text(), u"A"_s);

        // Question 6's last paragraph belongs to the answer.
        select(w->List1, {5});
        w->RichTextBox1->setSelStart(int(w->RichTextBox1->Text().indexOf(u"用加减法"_s)));
        click(w, "Command4");
        QVERIFY(w->RichTextBox2->Text().startsWith(u"（2）"_s));
        QVERIFY(!w->RichTextBox1->Text().contains(u"用加减法"_s));

        // Question 7 is not wanted.
        select(w->List1, {6});
        fx->dialogs->answerYes();
        click(w, "Command6");
        QCOMPARE(fx->boxes(), QList<Shown>({ScriptedDialogs::ask(u"提示"_s, u"确定不导入第 7 题吗？"_s)}));
        QCOMPARE(w->List1->topLevelItemCount(), 6);

        // A knowledge point and a difficulty for the first three; the flag for all.
        select(w->List1, {0, 1, 2});
        QTreeWidgetItem* root = w->tv->topLevelItem(0);
        root->setExpanded(true);
        QTreeWidgetItem* level1 = root->child(0);
        level1->setExpanded(true);
        QTreeWidgetItem* level2 = level1->child(0);
        level2->setExpanded(true);
        for (QTreeWidgetItem* node : {level1, level2, level2->child(0)})
            emit w->tv->itemClicked(node, 0);
        QCOMPARE(w->Text4->text(), u"相反数"_s);
        typeInto(w->Combo2, u"B"_s);
        click(w, "Command7");
        QCOMPARE(w->List1->selectedItems().size(), 3);
        w->Text2->clear();
        w->Text3->clear();
        w->Text4->clear();
        w->Combo2->setEditText(QString());
        typeInto(w->Combo3, u"是"_s);
        click(w, "Command8");

        // Nothing is in the bank before 导入.
        QCOMPARE(storedNumbers(*fx->bank), QStringList({u"40"_s}));
        const std::vector<ImportedQuestion> previewed = w->paper().questions();
        fx->dialogs->answerYes(); // three have no knowledge point yet
        click(w, "Command9");
        QCOMPARE(fx->boxes(),
                 QList<Shown>({ScriptedDialogs::ask(
                                   u"提示"_s, u"有 3 道题还没有设置题型、知识点或难度，导入后可以在“修改题目”"
                                              u"中补上。确定现在导入吗？"_s),
                               ScriptedDialogs::info(u"提示"_s, u"已导入 6 道题，题目编号从 41 到 46"_s)}));
        const QList<QuestionRecord> stored = storedQuestions(*fx->bank);
        QCOMPARE(stored.size(), 7);
        for (int i = 0; i < 6; ++i) {
            QuestionRecord expected = previewed[std::size_t(i)].record;
            expected.number = QString::number(41 + i);
            QCOMPARE(stored[i + 1], expected);
        }
        QCOMPARE(stored[1].path, (KnowledgePath{u"数与代数"_s, u"有理数"_s, u"相反数"_s}));
        QCOMPARE(stored[3].difficulty, u"B"_s);
        QCOMPARE(stored[4].path, KnowledgePath());
        QCOMPARE(stored[6].entranceExam, u"是"_s);
        QCOMPARE(stored[1].enteredBy, u"admin"_s);
        QCOMPARE(textOf(stored[6].answer).left(3), u"（2）"_s);
        // The preview is empty again: a second click imports nothing twice.
        QCOMPARE(w->List1->topLevelItemCount(), 0);
        QVERIFY(!w->Command9->isEnabled());
        QVERIFY(fx->dialogs->allAnswered());
    }

    // 取消 and a failed file write nothing and keep the teacher informed.
    void cancelAndBadFilesWriteNothing()
    {
        DaoRuSHJ* w = openWindow();
        QCOMPARE(choose(w, paper(u"月考.docx"_s, docxgen::wpsPaper())), QList<Shown>());
        QCOMPARE(w->List1->topLevelItemCount(), 6);

        // A file that is no Word document: a message, the preview stays.
        const QList<Shown> shown = choose(w, paper(u"成绩.docx"_s, "1,2,3\n"));
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.contains(u"成绩.docx"_s), qPrintable(shown[0].text));
        QCOMPARE(w->List1->topLevelItemCount(), 6);
        // The file dialog cancelled: nothing changes.
        QCOMPARE(choose(w, QString()), QList<Shown>());
        QCOMPARE(w->List1->topLevelItemCount(), 6);

        // 取消, then No: still there; then Yes: gone, nothing written.
        fx->dialogs->answerNo();
        click(w, "Command10");
        QVERIFY(w->isVisible());
        fx->dialogs->answerYes();
        click(w, "Command10");
        QCOMPARE(fx->boxes(), QList<Shown>(2, ScriptedDialogs::ask(
                                                  u"提示"_s, u"试卷中的题目还没有导入题库，确定放弃吗？"_s)));
        QVERIFY(!w->isVisible());
        QCOMPARE(fx->bank->store().questionCount(), 0);
        QVERIFY(fx->dialogs->allAnswered());
    }

    // A bank another program holds: the store error is shown, nothing is
    // appended, and the preview stays for another try.
    void aLockedBankKeepsThePreview()
    {
        DaoRuSHJ* w = openWindow();
        QCOMPARE(choose(w, paper(u"月考.docx"_s, docxgen::wpsPaper())), QList<Shown>());
        QList<int> all{0, 1, 2, 3, 4, 5};
        select(w->List1, all);
        typeInto(w->Combo1, u"解答题"_s);
        typeInto(w->Text2, u"数与代数"_s);
        typeInto(w->Combo2, u"A"_s);
        click(w, "Command7");
        {
            BankLock lock(fx->bank->bankPath(), false);
            click(w, "Command9");
        }
        const QList<Shown> shown = fx->boxes();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.startsWith(u"错误号："_s), qPrintable(shown[0].text));
        QCOMPARE(fx->bank->store().questionCount(), 0);
        QCOMPARE(w->List1->topLevelItemCount(), 6);
        click(w, "Command9");
        QCOMPARE(fx->boxes(),
                 QList<Shown>({ScriptedDialogs::info(u"提示"_s, u"已导入 6 道题，题目编号从 1 到 6"_s)}));
        QCOMPARE(fx->bank->store().questionCount(), 6);
    }
};

QTEST_MAIN(ImportWindowTest)
#include "ImportWindowTest.moc"
