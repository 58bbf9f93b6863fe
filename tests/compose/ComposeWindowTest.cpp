// The composition wizards opened from the 生成试卷 menu and driven through
// their buttons, with scripted boxes.
#include "common/Accessibility.h"
#include "compose/CompositionState.h"
#include "compose/SHouGong1.h"
#include "compose/SHouGong2.h"
#include "compose/SHouGong3.h"
#include "compose/ZIDONGZUJUAN.h"
#include "compose/ZUJUANLIULAN.h"
#include "compose/ZUJUANXIANGMU.h"
#include "questions/WindowDriver.h"
#include "rtf/RtfReader.h"
#include "ui/Clipboard.h"
#include "ui/Twips.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPointer>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTreeWidget>

using Shown = ScriptedDialogs::Shown;

namespace {

Shown info(const QString& text)
{
    return ScriptedDialogs::info(u"提示"_s, text);
}

const QString kUnsaved = u"您选的“试卷”或“答案”尚未保存，确定要退出吗？"_s;

QByteArray body(const QString& text)
{
    return "{\\rtf1\\ansi\\ansicpg936 " + text.toLatin1() + "\\par}";
}

QStringList enabledButtons(const QWidget* w, const QStringList& names)
{
    QStringList on;
    for (const QString& name : names) {
        if (w->findChild<QPushButton*>(name)->isEnabled())
            on << name;
    }
    return on;
}

QString fileText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return u"(unreadable)"_s;
    const QByteArray bytes = file.readAll();
    if (!bytes.startsWith("{\\rtf1"))
        return u"(not RTF)"_s;
    QTextDocument doc;
    RtfReader::read(bytes, &doc);
    return doc.toPlainText();
}

bool clipboardEmpty()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return !data || data->formats().isEmpty();
}

void processDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class ComposeWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;
    QTemporaryDir out;

    // Questions 1 and 2 of type 填空题 and 3 of type 选择题, told apart by their bodies.
    void threeQuestions()
    {
        f->bank->addQuestionType(u"选择题"_s);
        f->bank->addQuestionType(u"填空题"_s);
        f->bank->addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
        for (const QString& n : {u"1"_s, u"2"_s, u"3"_s}) {
            f->bank->addQuestion({.number = n,
                                  .type = n == u"3" ? u"选择题"_s : u"填空题"_s,
                                  .content = body(u"Q"_s + n),
                                  .answer = body(u"A"_s + n)});
        }
    }

    // Step 1 of a wizard through its menu command, with `entry` typed into the box.
    template <class Step1> void startWizard(const QString& command, const QString& entry)
    {
        Step1* w = f->open<Step1>(command);
        QVERIFY(w);
        f->dialogs->answerInput(entry);
        click(w, "Command1");
        f->boxes(); // the input box
    }

private slots:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        compositionState() = CompositionState{};
        ZUJUANLIULAN::setSeedSource([] { return std::uint64_t(20261208); });
    }
    void cleanup()
    {
        QVERIFY2(f->dialogs->allAnswered(), qPrintable(f->dialogs->unexpected().join(u'|')));
        f.reset();
        ZUJUANLIULAN::setSeedSource({});
    }

    void questionCountIsCheckedAndANewRunStartsAtQuestionOne()
    {
        threeQuestions();
        auto* step1 = f->open<ZIDONGZUJUAN>(u"zdzj"_s);
        QVERIFY(step1);
        QCOMPARE(step1->windowTitle(), u"自动组卷向导一:"_s);
        QCOMPARE(step1->findChild<QLabel*>(u"Label1"_s)->text(),
                 u"请按组卷向导的提示输入：     题目总数、各题的参数..."_s);
        const QString zero = u"题目数量不能是零！请重新输入"_s;
        const QString range = u"题目总数应是 1 到 500 之间的整数，请重新输入"_s;
        f->dialogs->answerInput(u"0"_s);
        click(step1, "Command1");
        f->dialogs->cancelInput();
        click(step1, "Command1");
        f->dialogs->answerInput(u"两道"_s);
        click(step1, "Command1");
        f->dialogs->answerInput(u"-2"_s);
        click(step1, "Command1");
        f->dialogs->answerInput(u"2.5"_s);
        click(step1, "Command1");
        f->dialogs->answerInput(u"501"_s);
        click(step1, "Command1");
        const QList<Shown> boxes = f->boxes();
        QCOMPARE(boxes.size(), 12);
        QCOMPARE(boxes.at(0),
                 (Shown{ScriptedDialogs::Kind::Input, u"题目总数"_s, u"请输入试卷的题目总数："_s}));
        QCOMPARE(boxes.at(1), info(zero));
        QCOMPARE(boxes.at(3), info(zero));
        QCOMPARE(boxes.at(5), info(zero));
        QCOMPARE(boxes.at(7), info(range));
        QCOMPARE(boxes.at(9), info(range));
        QCOMPARE(boxes.at(11), info(range));
        QVERIFY(step1->isVisible());
        QVERIFY(!WindowRegistry::instance().existing<ZUJUANXIANGMU>());

        // "3题" reads as 3: step 2 takes over.
        f->dialogs->answerInput(u"3题"_s);
        click(step1, "Command1");
        f->boxes();
        QCOMPARE(compositionState().QuestionTotal, 3);
        auto* step2 = WindowRegistry::instance().existing<ZUJUANXIANGMU>();
        QVERIFY(step2 && step2->isVisible());
        QVERIFY(!step1->isVisible());
        QCOMPARE(step2->windowTitle(), u"自动组卷向导二：选择每题的项目"_s);
        QCOMPARE(step2->size(), twipsSize(5625, 7185));
        QCOMPARE(unnamedInputs(step2), QStringList());
        QCOMPARE(step2->Combo1->count(), 2);
        QCOMPARE(step2->Label7->text(), u"请填入第（1）题的搜索信息…"_s);

        // A blank type matches nothing: the same question is asked again.
        typeInto(step2->Combo1, u" "_s);
        click(step2, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"别逗了，根本没有符合条件的题！"_s)});
        QCOMPARE(step2->Label7->text(), u"请填入第（1）题的搜索信息…"_s);
        typeInto(step2->Combo1, u"填空题"_s);
        click(step2, "Command1");
        QCOMPARE(step2->Label7->text(), u"请选择第（2）题的搜索项目"_s);
        // The tree fills the knowledge points; 清除信息 empties every field.
        QTreeWidgetItem* level1 = step2->tree()->topLevelItem(0)->child(0);
        emit step2->tree()->itemClicked(level1, 0);
        QCOMPARE(step2->Text2->text(), u"数与代数"_s);
        click(step2, "Command3");
        QCOMPARE(step2->criteria(), CompositionCriteria{});

        // Left at question 2, then a new run of one question: it starts at 1,
        // and that one is the last.
        click(step2, "Command2");
        QVERIFY(!step2->isVisible());
        startWizard<ZIDONGZUJUAN>(u"zdzj"_s, u"1"_s);
        QVERIFY(step2->isVisible());
        QCOMPARE(step2->Label7->text(), u"请选择第（1）题的搜索项目"_s);
        f->boxes();
        click(step2, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"题目信息添加成功，共（1）道题，可以开始下一步了..."_s)});
        QVERIFY(!step2->isVisible());
        auto* composer = WindowRegistry::instance().existing<ZUJUANLIULAN>();
        QVERIFY(composer && composer->isVisible());
    }

    void automaticRunComposesTwoSetsSavesAndLeaves()
    {
        threeQuestions();
        QGuiApplication::clipboard()->setText(u"before"_s);
        startWizard<ZIDONGZUJUAN>(u"zdzj"_s, u"2"_s);
        auto* step2 = WindowRegistry::instance().existing<ZUJUANXIANGMU>();
        QVERIFY(step2);
        // Question 1 can only be question 1; question 2 any 填空题, so never 1 again.
        typeInto(step2->Text8, u"1"_s);
        click(step2, "Command1");
        typeInto(step2->Text8, QString());
        typeInto(step2->Combo1, u"填空题"_s);
        click(step2, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"题目信息添加成功，共（2）道题，可以开始下一步了..."_s)});

        auto* w = WindowRegistry::instance().existing<ZUJUANLIULAN>();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), u"自动组卷向导三"_s);
        QCOMPARE(w->size(), twipsSize(11000, 7780));
        QCOMPARE(unnamedInputs(w), QStringList());
        const QStringList buttons{u"Command1"_s, u"Command2"_s, u"Command3"_s, u"Command4"_s};
        QCOMPARE(enabledButtons(w, buttons), QStringList{u"Command1"_s});
        QCOMPARE(w->Label1->text(), u"请单击“开始”按纽进行组卷..."_s);

        click(w, "Command1");
        click(w, "Command1");
        QCOMPARE(w->RichTextBox1->Text(), u"第（1）套试卷的题目\n\n\n\n"
                                          "（1）\nQ1\n\n\n"
                                          "（2）\nQ2\n\n\n"
                                          "第（2）套试卷的题目\n\n\n\n"
                                          "（1）\nQ1\n\n\n"
                                          "（2）\nQ2\n\n\n"_s);
        QCOMPARE(w->RichTextBox3->Text(), u"第（1）套试卷的答案\n\n\n\n"
                                          "第（1）题的答案\nA1\n\n\n"
                                          "第（2）题的答案\nA2\n\n\n"
                                          "第（2）套试卷的答案\n\n\n\n"
                                          "第（1）题的答案\nA1\n\n\n"
                                          "第（2）题的答案\nA2\n\n\n"_s);
        QCOMPARE(w->Label1->text(),
                 u"组卷结束，请保存…（随机数种子：第（1）套 20261208，第（2）套 20261208）"_s);
        QCOMPARE(enabledButtons(w, buttons), buttons);
        QCOMPARE(compositionState().PaperSetNo, 2);
        QVERIFY(clipboardEmpty());

        // A file that cannot be written: said, nothing marked saved, the paper stays.
        f->dialogs->answerFile(out.path());
        click(w, "Command2");
        QList<Shown> boxes = f->boxes();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes.at(0).kind, ScriptedDialogs::Kind::SaveFile);
        QVERIFY(boxes.at(1).text.contains(out.path()));
        QVERIFY(w->RichTextBox1->Text().startsWith(u"第（1）套试卷的题目"_s));

        // Saved under any type, the paper is RTF; the answers not yet: 退   出 asks.
        const QString paper = out.filePath(u"试卷.doc"_s);
        f->dialogs->answerFile(paper);
        click(w, "Command2");
        f->dialogs->answerNo();
        click(w, "Command3");
        QCOMPARE(f->boxes().last(), ScriptedDialogs::ask(u"提示"_s, kUnsaved));
        QVERIFY(w->isVisible());
        QCOMPARE(fileText(paper).trimmed(), w->RichTextBox1->Text().trimmed());

        const QString answers = out.filePath(u"答案"_s);
        f->dialogs->answerFile(answers);
        click(w, "Command4");
        QCOMPARE(fileText(answers).trimmed(), w->RichTextBox3->Text().trimmed());
        f->boxes();
        QPointer<ZUJUANLIULAN> alive = w;
        click(w, "Command3"); // both saved: no question
        QCOMPARE(f->boxes(), QList<Shown>());
        processDeletes();
        QVERIFY(alive.isNull());
        QCOMPARE(compositionState().PaperSetNo, 0);
    }

    void automaticSetStopsWhenCandidatesRunOut()
    {
        threeQuestions();
        startWizard<ZIDONGZUJUAN>(u"zdzj"_s, u"3"_s);
        auto* step2 = WindowRegistry::instance().existing<ZUJUANXIANGMU>();
        typeInto(step2->Combo1, u"填空题"_s);
        for (int i = 0; i < 3; ++i)
            click(step2, "Command1");
        f->boxes();
        auto* w = WindowRegistry::instance().existing<ZUJUANLIULAN>();
        click(w, "Command1");
        // Only two 填空题: question 3 has no candidate left, and the set stops there.
        const QString stop = u"第（3）题符合条件的2道题都已用在本套试卷中，第（1）套试卷停在第（3）题。"_s;
        QCOMPARE(f->boxes(), QList<Shown>{info(stop)});
        QVERIFY(w->Label1->text().startsWith(stop));
        QVERIFY(w->RichTextBox1->Text().contains(u"（2）"_s));
        QVERIFY(!w->RichTextBox1->Text().contains(u"（3）"_s));
        QVERIFY(w->Command1->isEnabled() && w->Command2->isEnabled());

        // The close box discards the window without a question.
        QPointer<ZUJUANLIULAN> alive = w;
        w->close();
        processDeletes();
        QVERIFY(alive.isNull());
        QCOMPARE(compositionState().PaperSetNo, 0);
    }

    void manualRunOfThreeQuestions()
    {
        threeQuestions();
        QGuiApplication::clipboard()->setText(u"before"_s);
        auto* step1 = f->open<SHouGong1>(u"shgzj"_s);
        QVERIFY(step1);
        QCOMPARE(step1->windowTitle(), u"手工组卷向导一"_s);
        f->dialogs->answerInput(u"3"_s);
        click(step1, "Command1");
        auto* step2 = WindowRegistry::instance().existing<SHouGong2>();
        QVERIFY(step2 && step2->isVisible());
        QCOMPARE(step2->windowTitle(), u"手工组卷向导二"_s);
        typeInto(step2->Combo2, u"F"_s);
        click(step2, "Command1");
        QCOMPARE(f->boxes().last(), info(u"别逗了，题库中没有符合条件的题！"_s));
        click(step2, "Command3");
        click(step2, "Command1"); // question 1: any question

        auto* w = WindowRegistry::instance().existing<SHouGong3>();
        QVERIFY(w && w->isVisible());
        QVERIFY(!step2->isVisible());
        QCOMPARE(w->windowTitle(), u"手工组卷向导三"_s);
        QCOMPARE(w->size(), twipsSize(11175, 7500));
        QCOMPARE(unnamedInputs(w), QStringList());
        const QStringList all{u"Command9"_s, u"Command8"_s, u"Command5"_s, u"Command1"_s, u"Command7"_s,
                              u"Command2"_s, u"Command6"_s, u"Command4"_s, u"Command3"_s};
        QCOMPARE(enabledButtons(w, all), (QStringList{u"Command9"_s, u"Command3"_s}));

        click(w, "Command9");
        QCOMPARE(w->Text8->text(), u"1"_s);
        QCOMPARE(w->RichTextBox1->Text(), u"Q1"_s);
        QCOMPARE(w->List1->currentItem()->text(), u"否"_s);
        click(w, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"已到第一个，没有啦，没骗你，真的没有啦！"_s)});
        QCOMPARE(w->Text8->text(), u"1"_s);
        click(w, "Command7");
        QCOMPARE(w->Text8->text(), u"3"_s);
        click(w, "Command5");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"已到最后，没有啦，没骗你，真的没有啦！"_s)});
        QCOMPARE(w->Text8->text(), u"3"_s);
        QCOMPARE(w->RichTextBox2->Text(), u"A3"_s);
        click(w, "Command2"); // question 1: question 3
        QCOMPARE(w->Text8->text(), u"3"_s);
        QCOMPARE(w->RichTextBox1->Text(), QString());
        QCOMPARE(enabledButtons(w, all), QStringList{u"Command3"_s});
        QVERIFY(step2->isVisible());
        QCOMPARE(step2->Label7->text(), u"请选择第（2）题的搜索项目"_s);

        typeInto(step2->Combo1, u"填空题"_s);
        click(step2, "Command1");
        click(w, "Command9");
        click(w, "Command5");
        click(w, "Command2"); // question 2: question 2
        // Question 3: the only 填空题 left is deleted before 显 示: asked again.
        click(step2, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"恭喜！这是最后一题了"_s)});
        f->bank->store().deleteWhere({u"数学题库"_s, u"题型=?"_s, {u"填空题"_s}});
        click(w, "Command9");
        QCOMPARE(
            f->boxes(),
            QList<Shown>{info(u"题库中已没有符合第（3）题搜索信息的题了，请重新填写这道题的搜索信息。"_s)});
        QCOMPARE(w->Text8->text(), QString());
        QVERIFY(step2->isVisible());
        QCOMPARE(step2->Label7->text(), u"请选择第（3）题的搜索项目"_s);
        click(step2, "Command3");
        click(step2, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"恭喜！这是最后一题了"_s)});
        click(w, "Command9");
        click(w, "Command2"); // question 3: question 3 again
        QCOMPARE(enabledButtons(w, all), (QStringList{u"Command6"_s, u"Command4"_s, u"Command3"_s}));
        QCOMPARE(compositionState().ManualQuestionNo, 0);
        QCOMPARE(compositionState().QuestionTotal, 0);
        QCOMPARE(w->RichTextBox3->Text(), u"（1）\nQ3\n\n\n（2）\nQ2\n\n\n（3）\nQ3\n\n\n"_s);
        QCOMPARE(w->RichTextBox4->Text(),
                 u"第（1）题的答案\nA3\n\n\n第（2）题的答案\nA2\n\n\n第（3）题的答案\nA3\n\n\n"_s);
        QVERIFY(clipboardEmpty());

        const QString paper = out.filePath(u"手工.txt"_s);
        const QString answers = out.filePath(u"手工答案.rtf"_s);
        f->dialogs->answerFile(paper);
        click(w, "Command6");
        f->dialogs->answerFile(answers);
        click(w, "Command4");
        QCOMPARE(fileText(paper).trimmed(), u"（1）\nQ3\n\n\n（2）\nQ2\n\n\n（3）\nQ3"_s);
        QVERIFY(fileText(answers).startsWith(u"第（1）题的答案\nA3"_s));
        f->boxes();
        click(w, "Command3"); // saved: hidden, kept empty for the next run
        QCOMPARE(f->boxes(), QList<Shown>());
        QVERIFY(!w->isVisible());
        QCOMPARE(w->RichTextBox3->Text(), QString());
    }

    void manualRunOfOneQuestionAbandoned()
    {
        threeQuestions();
        startWizard<SHouGong1>(u"shgzj"_s, u"1"_s);
        auto* step2 = WindowRegistry::instance().existing<SHouGong2>();
        click(step2, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"恭喜！这是最后一题了"_s)});
        QCOMPARE(step2->Label7->text(), u"请选择第（1）题的搜索项目"_s);
        auto* w = WindowRegistry::instance().existing<SHouGong3>();
        click(w, "Command9");
        click(w, "Command2");
        QCOMPARE(w->RichTextBox3->Text(), u"（1）\nQ1\n\n\n"_s);
        QVERIFY(w->Command6->isEnabled() && w->Command4->isEnabled());

        // Not saved: 退   出 asks; No keeps everything, Yes discards both windows.
        f->dialogs->answerNo();
        click(w, "Command3");
        QCOMPARE(f->boxes(), QList<Shown>{ScriptedDialogs::ask(u"提示"_s, kUnsaved)});
        QVERIFY(w->isVisible());
        QCOMPARE(w->RichTextBox3->Text(), u"（1）\nQ1\n\n\n"_s);
        f->dialogs->answerYes();
        QPointer<SHouGong3> step3Alive = w;
        QPointer<SHouGong2> step2Alive = step2;
        click(w, "Command3");
        processDeletes();
        QVERIFY(step3Alive.isNull());
        QVERIFY(step2Alive.isNull());

        // The next run starts at question 1 with new windows.
        startWizard<SHouGong1>(u"shgzj"_s, u"1"_s);
        step2 = WindowRegistry::instance().existing<SHouGong2>();
        QVERIFY(step2 && step2->isVisible());
        QCOMPARE(step2->Label7->text(), u"请填入第（1）题的搜索信息…"_s);
    }
};

QTEST_MAIN(ComposeWindowTest)
#include "ComposeWindowTest.moc"
