// The composition wizards opened from the 生成试卷 menu and driven through
// their buttons, with scripted boxes.
#include "common/Accessibility.h"
#include "common/MemoryLimits.h"
#include "compose/CompositionState.h"
#include "compose/PaperSettingsDialog.h"
#include "compose/SHouGong1.h"
#include "compose/SHouGong2.h"
#include "compose/SHouGong3.h"
#include "compose/ZIDONGZUJUAN.h"
#include "compose/ZUJUANLIULAN.h"
#include "compose/ZUJUANXIANGMU.h"
#include "questions/WindowDriver.h"
#include "rtf/RtfReader.h"
#include "ui/ChildWindows.h"
#include "ui/Clipboard.h"
#include "ui/Twips.h"

#include <functional>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

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

// For a look at the windows: TIKU_SHOTS=folder keeps a picture of each.
void keepShot(QWidget* w, const QString& name)
{
    const QString folder = qEnvironmentVariable("TIKU_SHOTS");
    QCoreApplication::processEvents(); // pending layouts, as on screen
    if (!folder.isEmpty())
        w->grab().save(folder + u'/' + name + u".png"_s);
}

// For a look at the pages: TIKU_SHOTS=folder keeps a copy of a PDF too.
void keepPdf(const QString& pdf, const QString& name)
{
    const QString folder = qEnvironmentVariable("TIKU_SHOTS");
    if (!folder.isEmpty()) {
        QFile::remove(folder + u'/' + name + u".pdf"_s);
        QFile::copy(pdf, folder + u'/' + name + u".pdf"_s);
    }
}

// The tooltip a rest of the mouse at `pos` of `w` shows; empty when none.
QString toolTipAt(QWidget* w, const QPoint& pos)
{
    // A tip hides only after a delay: a sentinel tells a new one from the last.
    const QString sentinel = u"(no tooltip)"_s;
    QToolTip::showText(w->mapToGlobal(pos), sentinel, w);
    QHelpEvent rest(QEvent::ToolTip, pos, w->mapToGlobal(pos));
    QApplication::sendEvent(w, &rest);
    const QString shown = QToolTip::isVisible() ? QToolTip::text() : QString();
    return shown == sentinel ? QString() : shown;
}

// The visible top-level window of class W, or nullptr.
template <class W> W* openWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<W*>(w); found && found->isVisible())
            return found;
    }
    return nullptr;
}

// Answers the 版式 dialog as soon as it opens: `fill` sets its fields (and
// may look at them), then 确定 is pressed, or 取消 when `accept` is false.
void answerSettingsDialog(std::function<void(PaperSettingsDialog*)> fill, bool accept = true, int tries = 50)
{
    QTimer::singleShot(20, [fill, accept, tries] {
        PaperSettingsDialog* dialog = openWindow<PaperSettingsDialog>();
        if (!dialog) {
            if (tries > 0)
                answerSettingsDialog(fill, accept, tries - 1);
            return;
        }
        fill(dialog);
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });
}

// The row of the sections table holding `type`, -1 when none does.
int sectionRow(const PaperSettingsDialog* d, const QString& type)
{
    for (int row = 0; row < d->sections->rowCount(); ++row) {
        if (d->sections->item(row, 0)->text() == type)
            return row;
    }
    return -1;
}

QString runPoppler(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return u"(%1 did not finish)"_s.arg(program);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of a PDF without blanks, exactly as a reader extracts it.
QString pdfText(const QString& pdf)
{
    return runPoppler(u"pdftotext"_s, {pdf, u"-"_s}).remove(QRegularExpression(u"\\s"_s));
}

// Types `typed` into a document box right after the first `after`, as the
// keyboard does.
void typeAfter(QTextEdit* box, const QString& after, const QString& typed)
{
    QTextCursor c = box->document()->find(after);
    QVERIFY2(!c.isNull(), qPrintable(after));
    c.clearSelection();
    box->setTextCursor(c);
    typeInto(box, typed);
}

// Each page's size in millimetres, rounded.
QList<QSize> pdfPagesMm(const QString& pdf)
{
    const QString info = runPoppler(u"pdfinfo"_s, {u"-f"_s, u"1"_s, u"-l"_s, u"100"_s, pdf});
    QList<QSize> sizes;
    static const QRegularExpression line(u"Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts"_s);
    for (auto m = line.globalMatch(info); m.hasNext();) {
        const auto match = m.next();
        sizes << QSize(qRound(match.captured(1).toDouble() * 25.4 / 72),
                       qRound(match.captured(2).toDouble() * 25.4 / 72));
    }
    return sizes;
}

// The positions of `parts` in `text`, -1 for one not found.
QList<qsizetype> positions(const QString& text, const QStringList& parts)
{
    QList<qsizetype> at;
    for (const QString& part : parts)
        at << text.indexOf(part);
    return at;
}

bool ascending(const QList<qsizetype>& at)
{
    for (qsizetype i = 0; i < at.size(); ++i) {
        if (at[i] < 0 || (i > 0 && at[i] <= at[i - 1]))
            return false;
    }
    return true;
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

    // Questions 1, 2 and 4 of type 填空题 and 3 of type 选择题, with Chinese
    // bodies (Qt's PDF writer gives no text to a digit inside Latin text);
    // question 4's picture cannot be read.
    void chineseQuestions()
    {
        f->bank->addQuestionType(u"选择题"_s);
        f->bank->addQuestionType(u"填空题"_s);
        f->bank->addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
        auto rtf = [](const QString& text, const QByteArray& more = {}) {
            QByteArray out = "{\\rtf1\\ansi\\ansicpg936 ";
            for (const QChar c : text)
                out += "\\u" + QByteArray::number(short(c.unicode())) + '?';
            return out + more + "\\par}";
        };
        const QString names = u"甲乙丙丁"_s;
        for (int i = 0; i < 4; ++i) {
            f->bank->addQuestion({.number = QString::number(i + 1),
                                  .type = i == 2 ? u"选择题"_s : u"填空题"_s,
                                  .content = rtf(names.at(i) + u"题"_s,
                                                 i == 3 ? "{\\pict\\pngblip\\picw50\\pich50 0badf00d}" : ""),
                                  .answer = rtf(names.at(i) + u"答"_s)});
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
        // The 版式 chosen is kept here, never in the user's own settings.
        QFile::remove(out.filePath(u"tiku.ini"_s));
        setPaperSettingsFile(out.filePath(u"tiku.ini"_s));
    }
    void cleanup()
    {
        QVERIFY2(f->dialogs->allAnswered(), qPrintable(f->dialogs->unexpected().join(u'|')));
        f.reset();
        ZUJUANLIULAN::setSeedSource({});
        setPaperSettingsFile(QString());
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

        // The answers' dialog proposes 答案 with the date, in the folder the
        // paper went to; a name typed without extension gets the type's.
        const QString answers = out.filePath(u"答案"_s);
        f->dialogs->answerFile(answers, u"RTF Files (*.rtf)"_s);
        click(w, "Command4");
        QCOMPARE(fileText(answers + u".rtf"_s).trimmed(), w->RichTextBox3->Text().trimmed());
        QCOMPARE(f->boxes().last().text, QDir(out.path()).filePath(datedFileName(u"答案"_s, u"rtf"_s)));
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

    void automaticComposerExportsThePaperAsChosenAndRemembersIt()
    {
        chineseQuestions();
        startWizard<ZIDONGZUJUAN>(u"zdzj"_s, u"4"_s);
        auto* step2 = WindowRegistry::instance().existing<ZUJUANXIANGMU>();
        for (const QString& n : {u"1"_s, u"4"_s, u"3"_s, u"2"_s}) {
            typeInto(step2->Text8, n);
            click(step2, "Command1");
        }
        f->boxes();
        auto* w = WindowRegistry::instance().existing<ZUJUANLIULAN>();
        QVERIFY(!w->PrintPreview->isEnabled() && !w->ExportPdf->isEnabled());
        click(w, "Command1");
        QVERIFY(w->PrintPreview->isEnabled() && w->ExportPdf->isEnabled());
        QCOMPARE(unnamedInputs(w), QStringList());
        keepShot(w, u"自动组卷向导三"_s);

        // 取消 in the 版式 dialog: nothing is asked or written.
        answerSettingsDialog([](PaperSettingsDialog*) {}, false);
        click(w, "ExportPdf");
        QCOMPARE(f->boxes(), QList<Shown>());

        // The 版式 dialog starts from the defaults and shows the set's sections.
        QStringList shownRows;
        QString totalBefore;
        QString totalAfter;
        QStringList unnamed{u"(the dialog did not open)"_s};
        QString notesBefore;
        QString notesAfter;
        answerSettingsDialog([&](PaperSettingsDialog* d) {
            unnamed = unnamedInputs(d);
            for (int row = 0; row < d->sections->rowCount(); ++row)
                shownRows << d->sections->item(row, 0)->text() + d->sections->item(row, 1)->text();
            totalBefore = d->total->text();
            notesBefore = d->notes->toPlainText();
            d->format->setCurrentIndex(d->format->findData(int(PaperFormat::A4)));
            notesAfter = d->notes->toPlainText();
            d->title->setPlainText(u"第一中学期末考试\n七年级数学试卷\n"_s);
            d->minutes->setValue(100);
            d->sections->setCurrentCell(sectionRow(d, u"填空题"_s), 0);
            QTest::mouseClick(d->up, Qt::LeftButton);
            d->findChild<QSpinBox*>(u"points.填空题"_s)->setValue(5);
            totalAfter = d->total->text();
            keepShot(d, u"版式"_s);
        });
        const QString pdf = out.filePath(u"期末.pdf"_s);
        const QString folder = lastSaveFolder();
        f->dialogs->answerFile(pdf);
        click(w, "ExportPdf");
        QCOMPARE(unnamed, QStringList());
        QCOMPARE(shownRows, (QStringList{u"选择题1"_s, u"填空题3"_s}));
        QCOMPARE(totalBefore, u"共4题，各题合计12分"_s);
        QCOMPARE(totalAfter, u"共4题，各题合计18分"_s);
        // The default notes follow the sheet: A4 has no sealing strip.
        QVERIFY2(notesBefore.contains(u"考号填写在密封线内。"_s), qPrintable(notesBefore));
        QVERIFY2(notesAfter.contains(u"考号填写在试卷首页标题下的横线上。"_s), qPrintable(notesAfter));
        QList<Shown> boxes = f->boxes();
        QCOMPARE(boxes.size(), 3);
        // The paper's title with the date is proposed.
        QCOMPARE(
            boxes.at(0),
            (Shown{ScriptedDialogs::Kind::SaveFile, u"导出PDF"_s,
                   QDir(folder).filePath(datedFileName(u"第一中学期末考试七年级数学试卷"_s, u"pdf"_s))}));
        QCOMPARE(f->dialogs->saveFilters().last(), u"PDF文件(*.pdf);;所有文件(*.*)"_s);
        // The picture is named, numbered as printed; the rest is printed.
        QCOMPARE(boxes.at(1), info(u"第2题（题目编号4）中有无法显示的图片，已印出占位框。"_s));
        QCOMPARE(boxes.at(2), info(u"已导出PDF文件：\n"_s + QDir::toNativeSeparators(pdf)));

        QCOMPARE(pdfPagesMm(pdf), QList<QSize>{QSize(210, 297)});
        const QString text = pdfText(pdf);
        QVERIFY2(ascending(positions(
                     text, {u"第一中学期末考试"_s, u"七年级数学试卷"_s, u"（满分18分，考试时间100分钟）"_s,
                            u"学校＿＿＿＿＿＿＿班级＿＿＿＿＿＿姓名＿＿＿＿＿＿考号＿＿＿＿＿＿＿"_s,
                            u"考号填写在试卷首页标题下的横线上。"_s, u"一、填空题（每小题5分，共15分）"_s,
                            u"1．甲题"_s, u"2．丁题"_s, u"3．乙题"_s, u"二、选择题（每小题3分，共3分）"_s,
                            u"4．丙题"_s})),
                 qPrintable(text));

        // Kept for the next time, and shown by the dialog then.
        const PaperSettings kept = rememberedPaperSettings();
        QCOMPARE(kept.format, PaperFormat::A4);
        QCOMPARE(kept.title, (QStringList{u"第一中学期末考试"_s, u"七年级数学试卷"_s}));
        QCOMPARE(kept.minutes, 100);
        QCOMPARE(kept.sectionOrder, (QStringList{u"填空题"_s, u"选择题"_s, u"解答题"_s}));
        QCOMPARE(kept.points.value(u"填空题"_s), 5);

        // The answer key, the same way.
        QString titleShown;
        QStringList rowsShown;
        answerSettingsDialog([&](PaperSettingsDialog* d) {
            titleShown = d->title->toPlainText() + u'|' + d->format->currentText();
            for (int row = 0; row < d->sections->rowCount(); ++row)
                rowsShown << d->sections->item(row, 0)->text();
            d->content->setCurrentIndex(1);
        });
        const QString key = out.filePath(u"期末答案.pdf"_s);
        f->dialogs->answerFile(key);
        click(w, "ExportPdf");
        QCOMPARE(titleShown, u"第一中学期末考试\n七年级数学试卷|A4 竖放，一栏"_s);
        QCOMPARE(rowsShown, (QStringList{u"填空题"_s, u"选择题"_s}));
        QCOMPARE(f->boxes(),
                 (QList<Shown>{
                     Shown{ScriptedDialogs::Kind::SaveFile, u"导出PDF"_s,
                           QDir(out.path())
                               .filePath(datedFileName(u"第一中学期末考试七年级数学试卷答案"_s, u"pdf"_s))},
                     info(u"已导出PDF文件：\n"_s + QDir::toNativeSeparators(key))}));
        const QString keyText = pdfText(key);
        QVERIFY2(ascending(positions(keyText, {u"第一中学期末考试"_s, u"参考答案及评分标准"_s, u"1．甲答"_s,
                                               u"2．丁答"_s, u"3．乙答"_s, u"4．丙答"_s})),
                 qPrintable(keyText));
        QCOMPARE(pdfPagesMm(key), QList<QSize>{QSize(210, 297)});
        f->dialogs->answerYes();
        click(w, "Command3");
        f->boxes();
    }

    // What the window shows is printed: a correction typed into 试题题目 and
    // one into 试题答案. A paper whose labels are gone is printed as it stands,
    // and the teacher is told why; the old bodies are never printed.
    void exportPrintsWhatTheDocumentsShow()
    {
        chineseQuestions();
        startWizard<ZIDONGZUJUAN>(u"zdzj"_s, u"2"_s);
        auto* step2 = WindowRegistry::instance().existing<ZUJUANXIANGMU>();
        for (const QString& n : {u"1"_s, u"2"_s}) {
            typeInto(step2->Text8, n);
            click(step2, "Command1");
        }
        f->boxes();
        auto* w = WindowRegistry::instance().existing<ZUJUANLIULAN>();
        click(w, "Command1");
        typeAfter(w->RichTextBox1, u"乙题"_s, u"（已改正）"_s);
        typeAfter(w->RichTextBox3, u"甲答"_s, u"：x=12"_s);

        const QString pdf = out.filePath(u"改正.pdf"_s);
        answerSettingsDialog([](PaperSettingsDialog*) {});
        f->dialogs->answerFile(pdf);
        click(w, "ExportPdf");
        QCOMPARE(f->boxes().size(), 2); // the file name, then where it went
        QString text = pdfText(pdf);
        QVERIFY2(ascending(positions(text, {u"1．甲题"_s, u"2．乙题（已改正）"_s})), qPrintable(text));

        const QString key = out.filePath(u"改正答案.pdf"_s);
        answerSettingsDialog([](PaperSettingsDialog* d) { d->content->setCurrentIndex(1); });
        f->dialogs->answerFile(key);
        click(w, "ExportPdf");
        QCOMPARE(f->boxes().size(), 2);
        text = pdfText(key);
        QVERIFY2(ascending(positions(text, {u"1．甲答：x=12"_s, u"2．乙答"_s})), qPrintable(text));

        // The teacher deletes the label （2）, as the keyboard does.
        QTextCursor label = w->RichTextBox1->document()->find(u"（2）"_s);
        QVERIFY(!label.isNull());
        w->RichTextBox1->setTextCursor(label);
        QTest::keyClick(w->RichTextBox1, Qt::Key_Delete);
        answerSettingsDialog([](PaperSettingsDialog*) {});
        f->dialogs->answerFile(pdf);
        click(w, "ExportPdf");
        const QList<Shown> boxes = f->boxes();
        QCOMPARE(boxes.size(), 3);
        QCOMPARE(boxes.at(1), info(u"试卷中找不到“（2）”，无法逐题分节排版，已按文档原样排版。"_s));
        QCOMPARE(boxes.at(2), info(u"已导出PDF文件：\n"_s + QDir::toNativeSeparators(pdf)));
        keepPdf(pdf, u"按原样"_s);
        text = pdfText(pdf);
        // (pdftotext reads the small header line out of place.)
        QVERIFY2(ascending(positions(text, {u"数学试卷"_s, u"（1）甲题"_s, u"乙题（已改正）"_s})),
                 qPrintable(text));
        QVERIFY2(text.contains(u"第（1）套试卷的题目"_s), qPrintable(text));
        QVERIFY2(!text.contains(u"1．甲题"_s) && !text.contains(u"一、填空题"_s), qPrintable(text));
        f->dialogs->answerYes();
        click(w, "Command3");
        f->boxes();
    }

    void automaticComposerChangesOneQuestionInStep()
    {
        threeQuestions();
        f->bank->addQuestion(
            {.number = u"4"_s, .type = u"填空题"_s, .content = body(u"Q4"_s), .answer = body(u"A4"_s)});
        startWizard<ZIDONGZUJUAN>(u"zdzj"_s, u"2"_s);
        auto* step2 = WindowRegistry::instance().existing<ZUJUANXIANGMU>();
        // Question 1 can only be question 1; question 2 is a 填空题: 2 or 4.
        typeInto(step2->Text8, u"1"_s);
        click(step2, "Command1");
        typeInto(step2->Text8, QString());
        typeInto(step2->Combo1, u"填空题"_s);
        click(step2, "Command1");
        f->boxes();
        auto* w = WindowRegistry::instance().existing<ZUJUANLIULAN>();
        QVERIFY(!w->ChangeQuestion->isEnabled());
        click(w, "Command1");
        QVERIFY(w->ChangeQuestion->isEnabled());
        QCOMPARE(unnamedInputs(w), QStringList());
        const QString drawn = w->RichTextBox1->Text().contains(u"Q2"_s) ? u"2"_s : u"4"_s;
        const QString other = drawn == u"2" ? u"4"_s : u"2"_s;
        auto paperWith = [](const QString& second, const QString& more = {}) {
            return u"第（1）套试卷的题目\n\n\n\n（1）\nQ1\n\n\n（2）\nQ"_s + second + u"\n\n\n"_s + more;
        };
        auto answersWith = [](const QString& second) {
            return u"第（1）套试卷的答案\n\n\n\n第（1）题的答案\nA1\n\n\n第（2）题的答案\nA"_s + second +
                   u"\n\n\n"_s;
        };
        QCOMPARE(w->RichTextBox1->Text(), paperWith(drawn));

        // A note typed after the paper stays; a click into question 2 picks it.
        w->RichTextBox1->moveCursor(QTextCursor::End);
        typeInto(w->RichTextBox1, u"教师批注"_s);
        w->RichTextBox1->setTextCursor(w->RichTextBox1->document()->find(u"Q"_s + drawn));
        QCOMPARE(w->SetNo->value(), 1);
        QCOMPARE(w->QuestionNo->value(), 2);
        click(w, "ChangeQuestion");
        QCOMPARE(f->boxes(), QList<Shown>());
        QCOMPARE(w->RichTextBox1->Text(), paperWith(other, u"教师批注"_s));
        QCOMPARE(w->RichTextBox3->Text(), answersWith(other));
        QVERIFY2(
            w->Label1->text().startsWith(
                u"第（1）套试卷的第（2）题已换成题目编号为%1的题（原为%2），请保存…"_s.arg(other, drawn)),
            qPrintable(w->Label1->text()));
        // Never question 1, which is in the set: back to the first one drawn.
        click(w, "ChangeQuestion");
        QCOMPARE(w->RichTextBox1->Text(), paperWith(drawn, u"教师批注"_s));
        QCOMPARE(w->RichTextBox3->Text(), answersWith(drawn));

        // Question 1 has no other candidate: said, and nothing changes.
        w->QuestionNo->setValue(1);
        click(w, "ChangeQuestion");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"第（1）题的组卷条件只有这一道题符合，没有别的题可换。"_s)});
        QCOMPARE(w->RichTextBox1->Text(), paperWith(drawn, u"教师批注"_s));

        // A second set (at the end: a header goes in at the caret); question 2
        // of the first changes alone.
        w->RichTextBox1->moveCursor(QTextCursor::End);
        click(w, "Command1");
        const QString set2 = w->RichTextBox1->Text().mid(paperWith(drawn, u"教师批注"_s).size());
        QVERIFY2(set2.startsWith(u"第（2）套试卷的题目"_s), qPrintable(set2));
        QCOMPARE(w->SetNo->maximum(), 2);
        w->SetNo->setValue(1);
        w->QuestionNo->setValue(2);
        click(w, "ChangeQuestion");
        QCOMPARE(w->RichTextBox1->Text(), paperWith(other, u"教师批注"_s) + set2);
        QVERIFY(w->RichTextBox3->Text().startsWith(answersWith(other) + u"第（2）套试卷的答案"_s));

        // A question whose label the teacher deleted cannot be found: said.
        QTextCursor label = w->RichTextBox1->document()->find(
            u"（2）"_s, w->RichTextBox1->document()->find(u"第（2）套试卷的题目"_s));
        QVERIFY(!label.isNull());
        w->RichTextBox1->setTextCursor(label);
        QTest::keyClick(w->RichTextBox1, Qt::Key_Delete);
        const QString edited = w->RichTextBox1->Text();
        w->SetNo->setValue(2);
        w->QuestionNo->setValue(2);
        click(w, "ChangeQuestion");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"第（2）套试卷第（2）题的题号在试题题目或试题答案中已被删改，"
                                               "找不到这道题，无法换题。"_s)});
        QCOMPARE(w->RichTextBox1->Text(), edited);
        keepShot(w, u"自动组卷向导三（换题）"_s);
        f->dialogs->answerYes();
        click(w, "Command3");
        f->boxes();
    }

    void savedDocumentsChangedAgainAskBeforeLeaving()
    {
        threeQuestions();
        startWizard<ZIDONGZUJUAN>(u"zdzj"_s, u"1"_s);
        click(WindowRegistry::instance().existing<ZUJUANXIANGMU>(), "Command1");
        f->boxes();
        auto* w = WindowRegistry::instance().existing<ZUJUANLIULAN>();
        click(w, "Command1");
        auto saveBoth = [this](QWidget* window, const char* paperButton, const char* answerButton) {
            f->dialogs->answerFile(out.filePath(u"卷.rtf"_s));
            click(window, paperButton);
            f->dialogs->answerFile(out.filePath(u"答.rtf"_s));
            click(window, answerButton);
            f->boxes();
        };
        // Saved, then another set: 退   出 asks again.
        saveBoth(w, "Command2", "Command4");
        click(w, "Command1");
        f->dialogs->answerNo();
        click(w, "Command3");
        QCOMPARE(f->boxes(), QList<Shown>{ScriptedDialogs::ask(u"提示"_s, kUnsaved)});
        QVERIFY(w->isVisible());
        // Saved, then a word typed into the answers: asks again.
        saveBoth(w, "Command2", "Command4");
        w->RichTextBox3->moveCursor(QTextCursor::End);
        typeInto(w->RichTextBox3, u"改"_s);
        f->dialogs->answerNo();
        click(w, "Command3");
        QCOMPARE(f->boxes(), QList<Shown>{ScriptedDialogs::ask(u"提示"_s, kUnsaved)});
        // Saved as it is now: leaves without a question.
        f->dialogs->answerFile(out.filePath(u"答.rtf"_s));
        click(w, "Command4");
        f->boxes();
        QPointer<ZUJUANLIULAN> alive = w;
        click(w, "Command3");
        QCOMPARE(f->boxes(), QList<Shown>());
        processDeletes();
        QVERIFY(alive.isNull());

        // The manual composer: saved, then the paper edited.
        startWizard<SHouGong1>(u"shgzj"_s, u"1"_s);
        click(WindowRegistry::instance().existing<SHouGong2>(), "Command1");
        auto* m = WindowRegistry::instance().existing<SHouGong3>();
        click(m, "Command9");
        click(m, "Command2");
        f->boxes();
        saveBoth(m, "Command6", "Command4");
        m->RichTextBox3->moveCursor(QTextCursor::End);
        typeInto(m->RichTextBox3, u"改"_s);
        f->dialogs->answerNo();
        click(m, "Command3");
        QCOMPARE(f->boxes(), QList<Shown>{ScriptedDialogs::ask(u"提示"_s, kUnsaved)});
        QVERIFY(m->isVisible());
        f->dialogs->answerFile(out.filePath(u"卷.rtf"_s));
        click(m, "Command6");
        f->boxes();
        click(m, "Command3");
        QCOMPARE(f->boxes(), QList<Shown>());
        QVERIFY(!m->isVisible());
    }

    void newRunStartsFromAnEmptyManualPaper()
    {
        threeQuestions();
        const QString giveUp = u"“手工组卷向导三”中的试卷尚未保存，开始新的组卷将清空它，确定吗？"_s;
        startWizard<SHouGong1>(u"shgzj"_s, u"2"_s);
        auto* step2 = WindowRegistry::instance().existing<SHouGong2>();
        click(step2, "Command1");
        auto* w = WindowRegistry::instance().existing<SHouGong3>();
        click(w, "Command9");
        click(w, "Command2"); // question 1: question 1
        click(step2, "Command1");
        f->boxes();
        click(w, "Command9"); // browsing the candidates of question 2
        QVERIFY(w->Command2->isEnabled());

        // A new run asks first; No keeps the paper and the run as they were.
        auto* step1 = f->open<SHouGong1>(u"shgzj"_s);
        f->dialogs->answerInput(u"1"_s);
        f->dialogs->answerNo();
        click(step1, "Command1");
        QList<Shown> boxes = f->boxes();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes.at(1), ScriptedDialogs::ask(u"提示"_s, giveUp));
        QVERIFY(step1->isVisible());
        QCOMPARE(w->RichTextBox3->Text(), u"（1）\nQ1\n\n\n"_s);
        QCOMPARE(compositionState().QuestionTotal, 2);
        QVERIFY(w->Command2->isEnabled());

        // Yes: an empty paper, step 3 as new, step 2 at question 1.
        f->dialogs->answerInput(u"1"_s);
        f->dialogs->answerYes();
        click(step1, "Command1");
        QCOMPARE(f->boxes().size(), 2);
        QCOMPARE(w->RichTextBox3->Text(), QString());
        QCOMPARE(w->RichTextBox4->Text(), QString());
        QCOMPARE(w->Text8->text(), QString());
        QCOMPARE(w->Position->text(), QString());
        const QStringList all{u"Command9"_s, u"Command8"_s, u"Command5"_s, u"Command1"_s, u"Command7"_s,
                              u"Command2"_s, u"Command6"_s, u"Command4"_s, u"Command3"_s};
        QCOMPARE(enabledButtons(w, all), QStringList{u"Command3"_s});
        QVERIFY(step2->isVisible());
        QCOMPARE(step2->Label7->text(), u"请选择第（1）题的搜索项目"_s);
        // 添加到试卷 reached with no question being chosen says so.
        w->Command2_Click();
        QCOMPARE(f->boxes(),
                 QList<Shown>{info(u"现在没有正在选择的题：请在“手工组卷向导二”中确定这道题的搜索信息，"
                                   "或从“手工组卷”重新开始。"_s)});
        QCOMPARE(w->RichTextBox3->Text(), QString());
        typeInto(step2->Text8, u"3"_s);
        click(step2, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"恭喜！这是最后一题了"_s)});
        click(w, "Command9");
        click(w, "Command2");
        QCOMPARE(w->RichTextBox3->Text(), u"（1）\nQ3\n\n\n"_s);
        QCOMPARE(w->RichTextBox4->Text(), u"第（1）题的答案\nA3\n\n\n"_s);

        // The automatic wizard ends the manual paper as well, asking first.
        auto* autoStep1 = f->open<ZIDONGZUJUAN>(u"zdzj"_s);
        f->dialogs->answerInput(u"1"_s);
        f->dialogs->answerNo();
        click(autoStep1, "Command1");
        QCOMPARE(f->boxes().at(1), ScriptedDialogs::ask(u"提示"_s, giveUp));
        QCOMPARE(w->RichTextBox3->Text(), u"（1）\nQ3\n\n\n"_s);
        QVERIFY(!WindowRegistry::instance().existing<ZUJUANXIANGMU>());
        f->dialogs->answerInput(u"1"_s);
        f->dialogs->answerYes();
        click(autoStep1, "Command1");
        f->boxes();
        QCOMPARE(w->RichTextBox3->Text(), QString());
        QVERIFY(WindowRegistry::instance().existing<ZUJUANXIANGMU>()->isVisible());
    }

    void automaticStepTwoSaysWhenAnotherRunTookOver()
    {
        threeQuestions();
        startWizard<ZIDONGZUJUAN>(u"zdzj"_s, u"2"_s);
        auto* auto2 = WindowRegistry::instance().existing<ZUJUANXIANGMU>();
        click(auto2, "Command1");
        QCOMPARE(auto2->Label7->text(), u"请选择第（2）题的搜索项目"_s);
        // Meanwhile a manual paper of one question is composed to its end.
        startWizard<SHouGong1>(u"shgzj"_s, u"1"_s);
        auto* manual2 = WindowRegistry::instance().existing<SHouGong2>();
        click(manual2, "Command1");
        auto* manual3 = WindowRegistry::instance().existing<SHouGong3>();
        click(manual3, "Command9");
        click(manual3, "Command2");
        f->boxes();
        QCOMPARE(compositionState().QuestionTotal, 0);

        // Back in the automatic step 2: it says what happened, stores nothing.
        QVERIFY(auto2->isVisible());
        click(auto2, "Command1");
        QCOMPARE(f->boxes(),
                 QList<Shown>{info(
                     u"“手工组卷”已开始了新的组卷，题目总数已按它重新设定，这次自动组卷的搜索信息没有保存。"
                     "请从“自动组卷”重新开始。"_s)});
        QVERIFY(!WindowRegistry::instance().existing<ZUJUANLIULAN>());

        // Started again from 自动组卷 (the manual paper given up), it goes on as usual.
        auto* step1 = f->open<ZIDONGZUJUAN>(u"zdzj"_s);
        f->dialogs->answerInput(u"1"_s);
        f->dialogs->answerYes();
        click(step1, "Command1");
        f->boxes();
        QCOMPARE(manual3->RichTextBox3->Text(), QString());
        QCOMPARE(auto2->Label7->text(), u"请选择第（1）题的搜索项目"_s);
        // The manual step 2, still open, does not go on with this run.
        manual2->show();
        QCOMPARE(manual2->Label7->text(), u"这次手工组卷已结束，请从“手工组卷”重新开始…"_s);
        click(manual2, "Command1");
        QCOMPARE(f->boxes(),
                 QList<Shown>{info(u"“自动组卷”已开始了新的组卷，这次手工组卷已结束，搜索信息没有保存。"
                                   "请从“手工组卷”重新开始。"_s)});
        click(auto2, "Command1");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"题目信息添加成功，共（1）道题，可以开始下一步了..."_s)});
    }

    void manualComposerMovesAndRemovesQuestions()
    {
        f->bank->addQuestionType(u"填空题"_s);
        for (const QString& n : {u"1"_s, u"2"_s, u"3"_s}) {
            f->bank->addQuestion(
                {.number = n,
                 .type = u"填空题"_s,
                 .content = n == u"2" ? QByteArray("{\\rtf1\\ansi {\\b Q2}\\par}") : body(u"Q"_s + n),
                 .answer = body(u"A"_s + n)});
        }
        startWizard<SHouGong1>(u"shgzj"_s, u"3"_s);
        auto* step2 = WindowRegistry::instance().existing<SHouGong2>();
        auto* w = WindowRegistry::instance().existing<SHouGong3>();
        QVERIFY(!w);
        // Question 1: any; the candidates are counted while browsing.
        click(step2, "Command1");
        w = WindowRegistry::instance().existing<SHouGong3>();
        QVERIFY(!w->MoveUp->isEnabled() && !w->RemoveChosen->isEnabled());
        click(w, "Command9");
        QCOMPARE(w->Position->text(), u"第1题/共3题"_s);
        click(w, "Command5");
        QCOMPARE(w->Position->text(), u"第2题/共3题"_s);
        click(w, "Command7");
        QCOMPARE(w->Position->text(), u"第3题/共3题"_s);
        click(w, "Command5");
        f->boxes(); // the edge
        QCOMPARE(w->Position->text(), u"第3题/共3题"_s);
        click(w, "Command8");
        QCOMPARE(w->Position->text(), u"第1题/共3题"_s);
        keepShot(w, u"手工组卷向导三（浏览）"_s);
        // The candidate reads whole: room for many lines of a question.
        const int line = QFontMetrics(w->RichTextBox1->document()->defaultFont()).lineSpacing();
        QVERIFY2(
            w->RichTextBox1->viewport()->height() >= 7 * line,
            qPrintable(u"%1 px for lines of %2 px"_s.arg(w->RichTextBox1->viewport()->height()).arg(line)));
        click(w, "Command2"); // question 1: question 1
        QCOMPARE(w->Position->text(), QString());
        QVERIFY(w->MoveUp->isEnabled() && w->RemoveChosen->isEnabled());

        // Removed while the run goes on: the next question takes its number.
        f->dialogs->answerYes();
        click(w, "RemoveChosen");
        QCOMPARE(f->boxes(),
                 QList<Shown>{ScriptedDialogs::ask(u"提示"_s, u"确定要把第（1）题从试卷中删去吗？"_s)});
        QCOMPARE(w->RichTextBox3->Text(), QString());
        QCOMPARE(step2->Label7->text(), u"请选择第（1）题的搜索项目"_s);
        for (const QString& n : {u"1"_s, u"2"_s, u"3"_s}) {
            typeInto(step2->Text8, n);
            click(step2, "Command1");
            click(w, "Command9");
            click(w, "Command2");
        }
        QCOMPARE(f->boxes(), QList<Shown>{info(u"恭喜！这是最后一题了"_s)});
        QCOMPARE(w->RichTextBox3->Text(), u"（1）\nQ1\n\n\n（2）\nQ2\n\n\n（3）\nQ3\n\n\n"_s);
        QVERIFY(w->Command6->isEnabled());

        // Question 3 up: numbered again, answers in step, formatting kept.
        QCOMPARE(w->ChosenNo->value(), 3);
        click(w, "MoveUp");
        QCOMPARE(w->RichTextBox3->Text(), u"（1）\nQ1\n\n\n（2）\nQ3\n\n\n（3）\nQ2\n\n\n"_s);
        QCOMPARE(w->RichTextBox4->Text(),
                 u"第（1）题的答案\nA1\n\n\n第（2）题的答案\nA3\n\n\n第（3）题的答案\nA2\n\n\n"_s);
        QCOMPARE(w->ChosenNo->value(), 2);
        QVERIFY(w->RichTextBox3->document()->find(u"Q2"_s).charFormat().fontWeight() >= QFont::Bold);
        QCOMPARE(w->RichTextBox3->document()->find(u"（3）"_s).charFormat().fontWeight(), int(QFont::Normal));
        // A click into question 1 picks it; down it goes.
        w->RichTextBox3->setTextCursor(w->RichTextBox3->document()->find(u"Q1"_s));
        QCOMPARE(w->ChosenNo->value(), 1);
        click(w, "MoveDown");
        QCOMPARE(w->RichTextBox3->Text(), u"（1）\nQ3\n\n\n（2）\nQ1\n\n\n（3）\nQ2\n\n\n"_s);
        QCOMPARE(w->ChosenNo->value(), 2);
        w->ChosenNo->setValue(1);
        click(w, "MoveUp");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"第（1）题已是第一题。"_s)});
        w->ChosenNo->setValue(3);
        click(w, "MoveDown");
        QCOMPARE(f->boxes(), QList<Shown>{info(u"第（3）题已是最后一题。"_s)});
        // No keeps it; Yes removes it from both.
        w->ChosenNo->setValue(2);
        f->dialogs->answerNo();
        click(w, "RemoveChosen");
        f->boxes();
        QCOMPARE(w->RichTextBox3->Text(), u"（1）\nQ3\n\n\n（2）\nQ1\n\n\n（3）\nQ2\n\n\n"_s);
        f->dialogs->answerYes();
        click(w, "RemoveChosen");
        f->boxes();
        QCOMPARE(w->RichTextBox3->Text(), u"（1）\nQ3\n\n\n（2）\nQ2\n\n\n"_s);
        QCOMPARE(w->RichTextBox4->Text(), u"第（1）题的答案\nA3\n\n\n第（2）题的答案\nA2\n\n\n"_s);
        QCOMPARE(w->ChosenNo->maximum(), 2);
        QCOMPARE(unnamedInputs(w), QStringList());
        keepShot(w, u"手工组卷向导三（调整）"_s);

        // What is saved is the paper as it stands.
        const QString paper = out.filePath(u"调整后.rtf"_s);
        f->dialogs->answerFile(paper);
        click(w, "Command6");
        QCOMPARE(fileText(paper).trimmed(), u"（1）\nQ3\n\n\n（2）\nQ2"_s);
        f->boxes();
    }

    void criteriaWindowGrowsAndShowsWholeNames()
    {
        // A classification of the size a school keeps, with the names that
        // used to be cut to “二次根式”.
        f->bank->addQuestionType(u"填空题"_s);
        const QStringList radicals{u"二次根式的乘除"_s, u"二次根式的概念与性质"_s, u"二次根式的加减"_s};
        for (const QString& name : radicals)
            f->bank->addKnowledgePath(u"数与代数"_s, u"二次根式"_s, name);
        const QString longest = u"解一元一次方程（合并同类项与移项）"_s;
        f->bank->addKnowledgePath(u"数与代数"_s, u"一元一次方程"_s, longest);
        for (int i = 1; i <= 20; ++i)
            f->bank->addKnowledgePath(u"图形与几何"_s, u"第%1章"_s.arg(i), u"第%1节"_s.arg(i));
        startWizard<ZIDONGZUJUAN>(u"zdzj"_s, u"1"_s);
        auto* w = WindowRegistry::instance().existing<ZUJUANXIANGMU>();
        QVERIFY(w);
        QCOMPARE(w->size(), twipsSize(5625, 7185));
        QTreeWidget* tv = w->tree();
        QTreeWidgetItem* root = tv->topLevelItem(0);
        root->setExpanded(true);
        QTreeWidgetItem* algebra = root->child(0);
        QCOMPARE(algebra->text(0), u"数与代数"_s);
        algebra->setExpanded(true);
        QTreeWidgetItem* radical = algebra->child(0);
        QCOMPARE(radical->text(0), u"二次根式"_s);
        radical->setExpanded(true);
        QTreeWidgetItem* equation = algebra->child(1);
        equation->setExpanded(true);
        root->child(1)->setExpanded(true);
        QCoreApplication::processEvents();
        keepShot(w, u"自动组卷向导二"_s);

        // Every level-3 name of 二次根式 reads whole, without scrolling.
        auto wholeInView = [tv](QTreeWidgetItem* item) {
            tv->scrollToItem(item);
            const QRect r = tv->visualItemRect(item);
            const int textRight = r.left() + tv->fontMetrics().horizontalAdvance(item->text(0));
            return r.left() >= 0 && textRight <= tv->viewport()->width();
        };
        for (int i = 0; i < radical->childCount(); ++i)
            QVERIFY2(wholeInView(radical->child(i)), qPrintable(radical->child(i)->text(0)));
        // Ten rows at once at the starting size.
        const int rowHeight = tv->visualItemRect(root).height();
        QVERIFY2(tv->viewport()->height() >= 10 * rowHeight,
                 qPrintable(u"%1 rows"_s.arg(tv->viewport()->height() / rowHeight)));

        // The teacher drags the frame's corner: the window grows, and the tree with it.
        const QSize treeBefore = tv->size();
        QMdiSubWindow* frame = childFrame(w);
        QVERIFY(frame);
        const QPoint corner = frame->rect().bottomRight() - QPoint(2, 2);
        QTest::mouseMove(frame, corner); // the frame learns it is at its corner
        QTest::mousePress(frame, Qt::LeftButton, {}, corner);
        QTest::mouseMove(frame, corner + QPoint(150, 100));
        QTest::mouseMove(frame, corner + QPoint(250, 200));
        QTest::mouseRelease(frame, Qt::LeftButton, {}, corner + QPoint(250, 200));
        QCoreApplication::processEvents();
        QCOMPARE(w->size(), twipsSize(5625, 7185) + QSize(250, 200));
        QVERIFY(tv->width() >= treeBefore.width() + 200);
        QVERIFY(tv->height() >= treeBefore.height() + 150);
        QVERIFY(w->Text4->width() > 120);
        keepShot(w, u"自动组卷向导二（放大）"_s);
        frame->resize(frame->size() - QSize(250, 200));
        QCoreApplication::processEvents();
        QCOMPARE(w->size(), twipsSize(5625, 7185));

        // A name cut by the tree's edge or by its field shows whole in a tooltip.
        QTreeWidgetItem* cut = equation->child(0);
        QCOMPARE(cut->text(0), longest);
        tv->setFixedWidth(tv->fontMetrics().horizontalAdvance(longest) / 2 + 60);
        QCoreApplication::processEvents();
        tv->scrollToItem(cut);
        QCOMPARE(toolTipAt(tv->viewport(), tv->visualItemRect(cut).center()), longest);
        // A name in full view: the tree's own hint, as before.
        const QString hint = u"在这里依次单击各级知识点即可填入相应的内容"_s;
        QCOMPARE(toolTipAt(tv->viewport(), tv->visualItemRect(algebra).center()), hint);
        emit tv->itemClicked(cut, 0);
        QCOMPARE(w->Text4->text(), longest);
        w->Text4->setFixedWidth(80);
        w->Text4->setCursorPosition(0);
        QCOMPARE(toolTipAt(w->Text4, w->Text4->rect().center()), longest);
        w->Text4->setText(u"有理数"_s);
        QCOMPARE(toolTipAt(w->Text4, w->Text4->rect().center()), QString());
    }

    void manualComposerPreviewsAndExportsAndKeepsAnOldFileOnFailure()
    {
        chineseQuestions();
        startWizard<SHouGong1>(u"shgzj"_s, u"1"_s);
        auto* step2 = WindowRegistry::instance().existing<SHouGong2>();
        click(step2, "Command1");
        f->boxes();
        auto* w = WindowRegistry::instance().existing<SHouGong3>();
        QVERIFY(!w->PrintPreview->isEnabled() && !w->ExportPdf->isEnabled());
        click(w, "Command9");
        click(w, "Command2"); // question 1: question 1
        QVERIFY(w->PrintPreview->isEnabled() && w->ExportPdf->isEnabled());
        QCOMPARE(unnamedInputs(w), QStringList());
        keepShot(w, u"手工组卷向导三"_s);

        const QString pdf = out.filePath(u"旧试卷.pdf"_s);
        {
            QFile old(pdf);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("the paper printed last week");
        }
#ifdef Q_OS_UNIX
        // A disk that takes no more than 10 kB: the PDF does not fit.
        rlimit before{};
        getrlimit(RLIMIT_FSIZE, &before);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{10000, before.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        answerSettingsDialog([](PaperSettingsDialog*){});
        f->dialogs->answerFile(pdf);
        click(w, "ExportPdf");
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, previousHandler);
        const QList<Shown> boxes = f->boxes();
        QCOMPARE(boxes.size(), 2);
        QVERIFY2(boxes.at(1).text.startsWith(u"无法保存文件“%1”："_s.arg(pdf)), qPrintable(boxes.at(1).text));
        QFile old(pdf);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("the paper printed last week"));
        old.close();
        QCOMPARE(QDir(out.path()).entryList({u"旧试卷*"_s}, QDir::Files), QStringList{u"旧试卷.pdf"_s});
#endif
        // On a disk with room the same file is replaced, with the correction
        // typed into the paper since.
        typeAfter(w->RichTextBox3, u"甲题"_s, u"（改）"_s);
        answerSettingsDialog([](PaperSettingsDialog*) {});
        f->dialogs->answerFile(pdf);
        click(w, "ExportPdf");
        QCOMPARE(f->boxes().last(), info(u"已导出PDF文件：\n"_s + QDir::toNativeSeparators(pdf)));
        const QList<QSize> pages = pdfPagesMm(pdf);
        QCOMPARE(pages, QList<QSize>{QSize(420, 297)}); // A3 landscape, the default
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains(u"1．甲题（改）"_s), qPrintable(text));

        // 打印预览 opens beside the window, without waiting, with the same pages.
        answerSettingsDialog([](PaperSettingsDialog*) {});
        click(w, "PrintPreview");
        QPointer<QPrintPreviewDialog> preview = openWindow<QPrintPreviewDialog>();
        QVERIFY(preview);
        auto* shown = preview->findChild<QPrintPreviewWidget*>();
        QVERIFY(shown);
        QCOMPARE(shown->pageCount(), int(pages.size()));
        keepShot(preview, u"打印预览"_s);
        const QPageLayout sheet = preview->printer()->pageLayout();
        QCOMPARE(sheet.pageSize().id(), QPageSize::A3);
        QCOMPARE(sheet.orientation(), QPageLayout::Landscape);
        preview->close();
        processDeletes();
        QVERIFY(preview.isNull());
        QCOMPARE(f->boxes(), QList<Shown>());

        // Saved and left: the window is kept empty, with nothing to print.
        f->dialogs->answerFile(out.filePath(u"手工.rtf"_s));
        click(w, "Command6");
        f->dialogs->answerFile(out.filePath(u"手工答案.rtf"_s));
        click(w, "Command4");
        click(w, "Command3");
        f->boxes();
        QVERIFY(!w->isVisible());
        QVERIFY(!w->PrintPreview->isEnabled() && !w->ExportPdf->isEnabled());
    }

    // A question whose picture claims to be 2.6 km square (60 bytes of RTF)
    // and one with four photographs of 5,000 x 5,000 pixels, composed, shown
    // in the composer's boxes and in the print preview: pictures are decoded
    // at the size they are shown at, the huge one is printed within its
    // column, and the program grows by a little, not by the gigabytes the
    // pictures would take at the sizes they claim.
    void hugePicturesAreShownAndPreviewedInBoundedMemory()
    {
#ifndef Q_OS_UNIX
        QSKIP("the memory the program takes is measured on POSIX systems");
#else
        f->bank->addQuestionType(u"填空题"_s);
        f->bank->addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
        f->bank->addQuestion(
            {.number = u"1"_s, .type = u"填空题"_s, .content = memorylimits::enormousPictureBody()});
        QByteArray photos = "{\\rtf1\\ansi\\ansicpg936 \\u22270?\\u20108?";
        for (int i = 0; i < 4; ++i)
            photos += memorylimits::rtfPicture(memorylimits::largePng(5000, i), 3000);
        f->bank->addQuestion({.number = u"2"_s, .type = u"填空题"_s, .content = photos + "\\par}"});
        const qint64 startKb = memorylimits::residentKb();
        QVERIFY(startKb > 0);
        // Should the pictures be decoded at the sizes they claim, the
        // allocations fail rather than take the machine's memory.
        rlimit before{};
        getrlimit(RLIMIT_AS, &before);
        const rlimit guard{rlim_t(memorylimits::addressSpaceKb() + (qint64(3) << 20)) * 1024,
                           before.rlim_max};
        if (!memorylimits::kSanitized)
            setrlimit(RLIMIT_AS, &guard);
        struct Restore
        {
            rlimit limit;
            ~Restore() { setrlimit(RLIMIT_AS, &limit); }
        } restore{before};

        startWizard<ZIDONGZUJUAN>(u"zdzj"_s, u"2"_s);
        auto* step2 = WindowRegistry::instance().existing<ZUJUANXIANGMU>();
        for (const QString& n : {u"1"_s, u"2"_s}) {
            typeInto(step2->Text8, n);
            click(step2, "Command1");
        }
        f->boxes();
        auto* w = WindowRegistry::instance().existing<ZUJUANLIULAN>();
        click(w, "Command1");
        QVERIFY(w->RichTextBox1->Text().contains(u"图二"_s));
        QImage shown = w->grab().toImage(); // the boxes paint their pictures
        QVERIFY(!shown.isNull());
        keepShot(w, u"大图片"_s);

        answerSettingsDialog([](PaperSettingsDialog*) {});
        click(w, "PrintPreview");
        QPointer<QPrintPreviewDialog> preview = openWindow<QPrintPreviewDialog>();
        QVERIFY(preview);
        auto* pages = preview->findChild<QPrintPreviewWidget*>();
        QVERIFY(pages);
        QVERIFY2(pages->pageCount() >= 1 && pages->pageCount() <= 2,
                 qPrintable(QString::number(pages->pageCount())));
        shown = preview->grab().toImage(); // the first page drawn
        keepShot(preview, u"大图片的打印预览"_s);
        const qint64 grownKb = memorylimits::residentKb() - startKb;
        QVERIFY2(grownKb < memorylimits::boundKb(250000), qPrintable(u"%1 kB"_s.arg(grownKb)));
        QCOMPARE(f->boxes(), QList<Shown>{info(u"第1题（题目编号1）中有无法显示的图片，已印出占位框。"_s)});
        preview->close();
        processDeletes();

        f->dialogs->answerYes();
        click(w, "Command3");
        f->boxes();
#endif
    }
};

QTEST_MAIN(ComposeWindowTest)
#include "ComposeWindowTest.moc"
