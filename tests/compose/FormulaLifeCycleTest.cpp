// A formula through the life of a question, driven through the real windows:
// typed into 添加题目 with a copy pasted into the answer, saved, found in
// 查询、浏览, changed in 修改题目, composed into a paper automatically and by
// hand, the papers saved as RTF and laid out as PDF. At every step the
// formula must still be a formula: its picture with its LaTeX source.
#include "common/FormulaSample.h"
#include "compose/PaperLayout.h"
#include "compose/SHouGong1.h"
#include "compose/SHouGong2.h"
#include "compose/SHouGong3.h"
#include "compose/ZIDONGZUJUAN.h"
#include "compose/ZUJUANLIULAN.h"
#include "compose/ZUJUANXIANGMU.h"
#include "metafile/Mtef.h"
#include "metafilegen/Samples.h"
#include "questions/frmadd.h"
#include "questions/frmeditstu.h"
#include "questions/frmseastu.h"
#include "questions/WindowDriver.h"
#include "rtf/RtfPictures.h"
#include "rtf/RtfReader.h"
#include "rtf/VisibleText.h"
#include "ui/Clipboard.h"
#include "ui/EditTargets.h"

#include <algorithm>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

using Shown = ScriptedDialogs::Shown;

namespace {

const QString kSource = u"\\frac{1}{2}x^2+\\sqrt{3}"_s;
const QString kChanged = u"\\left\\{\\begin{cases}x+y=1\\\\x-y=3\\end{cases}\\right."_s;

Shown info(const QString& text)
{
    return ScriptedDialogs::info(u"提示"_s, text);
}

// The formula sources of an RTF document, in order.
QStringList sourcesIn(const QByteArray& rtf)
{
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    QStringList out;
    for (const QTextImageFormat& f : formulasample::formulas(doc))
        out << f.property(rtf::FormulaSource).toString();
    return out;
}

QStringList sourcesIn(const RichTextBox* box)
{
    QStringList out;
    for (const QTextImageFormat& f : formulasample::formulas(*box->document()))
        out << f.property(rtf::FormulaSource).toString();
    return out;
}

// True when every formula of `box` is laid out on the text's baseline.
bool formulasOnBaseline(const RichTextBox* box)
{
    const QList<QTextImageFormat> formulas = formulasample::formulas(*box->document());
    return !formulas.isEmpty() &&
           std::all_of(formulas.begin(), formulas.end(), [](const QTextImageFormat& f) {
               return f.verticalAlignment() == QTextCharFormat::AlignMiddle;
           });
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Selects the first formula of `box`.
void selectFormula(RichTextBox* box)
{
    const int at = box->Text().indexOf(QChar::ObjectReplacementCharacter);
    QVERIFY(at >= 0);
    QTextCursor c = box->textCursor();
    c.setPosition(at);
    c.setPosition(at + 1, QTextCursor::KeepAnchor);
    box->setTextCursor(c);
}

QString runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return u"(%1 failed)"_s.arg(program);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class FormulaLifeCycleTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;
    QTemporaryDir out;

private slots:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        ZUJUANLIULAN::setSeedSource([] { return std::uint64_t(20261208); });
        setBankBusyTimeout(5000);
        EditTargets::unmarkAll();
        Clipboard::Clear();
    }
    void cleanup()
    {
        QVERIFY2(f->dialogs->allAnswered(), qPrintable(f->dialogs->unexpected().join(u'|')));
        f.reset();
        ZUJUANLIULAN::setSeedSource({});
    }

    void formulaFromEntryToPaper();
    void equationFromWordToPdf();
};

void FormulaLifeCycleTest::formulaFromEntryToPaper()
{
    f->bank->addQuestionType(u"填空题"_s);
    f->bank->addKnowledgePath(u"数与代数"_s, u"整式"_s, u"整式的加减"_s);

    // 添加题目: the formula inserted in the body, copied and pasted into the answer.
    auto* entry = f->open<frmadd>(u"addstu"_s);
    QVERIFY(entry);
    QuestionForm* form = entry->form();
    form->Combo1->setEditText(u"填空题"_s);
    form->Text2->setText(u"数与代数"_s);
    form->Text3->setText(u"整式"_s);
    form->Text4->setText(u"整式的加减"_s);
    form->Combo2->setEditText(u"B"_s);
    form->Combo3->setEditText(u"否"_s);
    form->Text6->setText(u"张老师"_s);
    form->Text7->setText(u"2026年12月8日"_s);
    form->Text8->setText(u"1"_s);
    form->RichTextBox1->setText(u"计算 "_s);
    {
        QTextCursor c = form->RichTextBox1->textCursor();
        c.movePosition(QTextCursor::End);
        formulasample::insert(c, kSource);
        c.insertText(u" 的值。"_s);
    }
    form->RichTextBox2->setText(u"答案："_s);
    selectFormula(form->RichTextBox1);
    form->RichTextBox1->copy();
    QVERIFY(Clipboard::GetText().contains("\\tikuformula"));
    {
        QTextCursor c = form->RichTextBox2->textCursor();
        c.movePosition(QTextCursor::End);
        form->RichTextBox2->setTextCursor(c);
    }
    form->RichTextBox2->paste();
    QCOMPARE(sourcesIn(form->RichTextBox2), QStringList{kSource});
    QCOMPARE(rtf::visibleText(*form->RichTextBox2->document()), u"答案：$"_s + kSource + u"$"_s);

    click(entry, "Command1");
    QCOMPARE(f->boxes(), QList<Shown>{info(u"题目信息添加成功"_s)});
    QList<QuestionRecord> stored = storedQuestions(*f->bank);
    QCOMPARE(stored.size(), 1);
    QCOMPARE(sourcesIn(stored[0].content), QStringList{kSource});
    QCOMPARE(sourcesIn(stored[0].answer), QStringList{kSource});
    QVERIFY(stored[0].content.contains("{\\*\\tikuformula \\\\frac\\{1\\}\\{2\\}x^2+\\\\sqrt\\{3\\}}"));
    click(entry, "Command2");

    // 查询、浏览 finds it and shows the formula at its size and depth.
    auto* browse = f->open<frmseastu>(u"searstu"_s);
    QVERIFY(browse);
    click(browse, "Command6");
    QCOMPARE(browse->form()->Text8->text(), u"1"_s);
    const QList<QTextImageFormat> shown = formulasample::formulas(*browse->form()->RichTextBox1->document());
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].property(rtf::FormulaSource).toString(), kSource);
    QCOMPARE(shown[0].property(rtf::FormulaDepth).toReal(), 4.5);
    QCOMPARE(QSizeF(shown[0].width(), shown[0].height()), QSizeF(54, 21));
    QCOMPARE(rtf::visibleText(*browse->form()->RichTextBox1->document()),
             u"计算 $"_s + kSource + u"$ 的值。"_s);

    // 修改题目: the formula replaced by another, as the formula editor does.
    auto* edit = f->open<frmeditstu>(u"editstu"_s);
    QVERIFY(edit);
    click(edit, "Command6");
    RichTextBox* body = edit->form()->RichTextBox1;
    QCOMPARE(sourcesIn(body), QStringList{kSource});
    selectFormula(body);
    {
        QTextCursor c = body->textCursor();
        formulasample::insert(c, kChanged, {60, 40}, 15);
    }
    f->dialogs->answerYes();
    click(edit, "Command2");
    QCOMPARE(f->boxes(),
             (QList<Shown>{ScriptedDialogs::ask(u"提示"_s, u"您是否确定修改当前记录？题目编号：1"_s),
                           info(u"修改成功"_s)}));
    stored = storedQuestions(*f->bank);
    QCOMPARE(sourcesIn(stored[0].content), QStringList{kChanged});
    QCOMPARE(sourcesIn(stored[0].answer), QStringList{kSource});
    QVERIFY(stored[0].content.contains("{\\dn30{\\pict"));

    // 自动组卷: the paper and its answers carry the formulas; saved as RTF.
    auto* step1 = f->open<ZIDONGZUJUAN>(u"zdzj"_s);
    QVERIFY(step1);
    f->dialogs->answerInput(u"1"_s);
    click(step1, "Command1");
    auto* step2 = WindowRegistry::instance().existing<ZUJUANXIANGMU>();
    QVERIFY(step2);
    click(step2, "Command1");
    f->boxes();
    auto* composer = WindowRegistry::instance().existing<ZUJUANLIULAN>();
    QVERIFY(composer);
    click(composer, "Command1");
    QCOMPARE(sourcesIn(composer->RichTextBox1), QStringList{kChanged});
    QCOMPARE(sourcesIn(composer->RichTextBox3), QStringList{kSource});
    QVERIFY(formulasOnBaseline(composer->RichTextBox1) && formulasOnBaseline(composer->RichTextBox3));
    const QString paper = out.filePath(u"自动试卷.rtf"_s);
    const QString answers = out.filePath(u"自动答案.rtf"_s);
    f->dialogs->answerFile(paper);
    click(composer, "Command2");
    f->dialogs->answerFile(answers);
    click(composer, "Command4");
    f->boxes();
    QCOMPARE(sourcesIn(fileBytes(paper)), QStringList{kChanged});
    QCOMPARE(sourcesIn(fileBytes(answers)), QStringList{kSource});
    click(composer, "Command3");

    // 手工组卷: the same question chosen by hand.
    auto* manual1 = f->open<SHouGong1>(u"shgzj"_s);
    QVERIFY(manual1);
    f->dialogs->answerInput(u"1"_s);
    click(manual1, "Command1");
    auto* manual2 = WindowRegistry::instance().existing<SHouGong2>();
    QVERIFY(manual2);
    click(manual2, "Command1");
    QCOMPARE(f->boxes().last(), info(u"恭喜！这是最后一题了"_s));
    auto* manual3 = WindowRegistry::instance().existing<SHouGong3>();
    QVERIFY(manual3);
    click(manual3, "Command9");
    QCOMPARE(sourcesIn(manual3->RichTextBox1), QStringList{kChanged});
    click(manual3, "Command2");
    QCOMPARE(sourcesIn(manual3->RichTextBox3), QStringList{kChanged});
    QCOMPARE(sourcesIn(manual3->RichTextBox4), QStringList{kSource});
    QVERIFY(formulasOnBaseline(manual3->RichTextBox3) && formulasOnBaseline(manual3->RichTextBox4));
    const QString manualPaper = out.filePath(u"手工试卷.rtf"_s);
    f->dialogs->answerFile(manualPaper);
    click(manual3, "Command6");
    f->boxes();
    QCOMPARE(sourcesIn(fileBytes(manualPaper)), QStringList{kChanged});

    // The laid-out paper: the formula is a picture in the PDF, nothing is
    // reported unreadable, and the text around it is there.
    PaperLayout layout(PaperSettings::defaults(), PaperLayout::Kind::Paper);
    layout.addSet({PaperQuestion{stored[0].number, stored[0].type, stored[0].content, stored[0].answer}});
    const QString pdf = out.filePath(u"试卷.pdf"_s);
    QString error;
    QVERIFY2(layout.writePdf(pdf, &error), qPrintable(error));
    QCOMPARE(layout.problems(), QStringList());
    QVERIFY(runTool(u"pdftotext"_s, {pdf, u"-"_s}).contains(u"的值。"_s));
    QVERIFY(runTool(u"pdfimages"_s, {u"-list"_s, pdf}).contains(u"image"_s));
}

// The images of `rtf` that carry an embedded object.
static QList<QTextImageFormat> objectsIn(const QByteArray& rtf)
{
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    QList<QTextImageFormat> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (QTextBlock::iterator it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().hasProperty(rtf::ObjectData))
                out << it.fragment().charFormat().toImageFormat();
    return out;
}

// A question copied from a Word paper: its formula is a MathType equation
// object whose face is a metafile. Pasted through the clipboard into 添加题目,
// saved, composed into a paper and laid out as PDF, it stays the same
// object (Word can still edit it), reads as its LaTeX, and the PDF shows the
// formula's characters, drawn from the metafile.
void FormulaLifeCycleTest::equationFromWordToPdf()
{
    f->bank->addQuestionType(u"填空题"_s);
    f->bank->addKnowledgePath(u"数与代数"_s, u"一元二次方程"_s, u"公式法"_s);
    const QByteArray objdata = metafilegen::quadraticEquationObject();
    const QString latex = metafile::mtefToLatex(metafilegen::quadraticMtef()).latex;
    // 求根公式是 <equation>。 in code page 936, as Word copies it.
    const QByteArray word =
        "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
        "\\f0\\fs24 \\'c7\\'f3\\'b8\\'f9\\'b9\\'ab\\'ca\\'bd\\'ca\\'c7 "
        "{\\dn12{\\object\\objemb\\objw2000\\objh900{\\*\\objclass Equation.DSMT4}{\\*\\objdata " +
        objdata.toHex() + "}{\\result{\\pict\\wmetafile8\\picw3528\\pich1588\\picwgoal2000\\pichgoal900 " +
        metafilegen::formulaWmf().toHex() + "}}}}\\'a1\\'a3\\par}";
    auto* mime = new QMimeData;
    mime->setData(u"text/rtf"_s, word);
    QGuiApplication::clipboard()->setMimeData(mime);

    auto* entry = f->open<frmadd>(u"addstu"_s);
    QVERIFY(entry);
    QuestionForm* form = entry->form();
    form->Combo1->setEditText(u"填空题"_s);
    form->Text2->setText(u"数与代数"_s);
    form->Text3->setText(u"一元二次方程"_s);
    form->Text4->setText(u"公式法"_s);
    form->Combo2->setEditText(u"B"_s);
    form->Combo3->setEditText(u"否"_s);
    form->Text6->setText(u"张老师"_s);
    form->Text7->setText(u"2026年12月9日"_s);
    form->Text8->setText(u"2"_s);
    form->RichTextBox1->setText(QString()); // the hint the box opens with goes
    form->RichTextBox1->SetFocus();
    form->RichTextBox1->paste();
    QCOMPARE(rtf::visibleText(*form->RichTextBox1->document()), u"求根公式是 $"_s + latex + u"$。"_s);
    form->RichTextBox2->setText(u"略"_s);
    click(entry, "Command1");
    QCOMPARE(f->boxes(), QList<Shown>{info(u"题目信息添加成功"_s)});
    const QList<QuestionRecord> stored = storedQuestions(*f->bank);
    QCOMPARE(stored.size(), 1);
    QList<QTextImageFormat> objects = objectsIn(stored[0].content);
    QCOMPARE(objects.size(), 1);
    QCOMPARE(objects[0].property(rtf::ObjectData).toByteArray(), objdata);
    QCOMPARE(objects[0].property(rtf::PictureData).toByteArray(), metafilegen::formulaWmf());
    QCOMPARE(objects[0].property(rtf::FormulaSource).toString(), latex);
    click(entry, "Command2");

    // 自动组卷: the paper saved as RTF holds the same object.
    auto* step1 = f->open<ZIDONGZUJUAN>(u"zdzj"_s);
    QVERIFY(step1);
    f->dialogs->answerInput(u"1"_s);
    click(step1, "Command1");
    auto* step2 = WindowRegistry::instance().existing<ZUJUANXIANGMU>();
    QVERIFY(step2);
    click(step2, "Command1");
    f->boxes();
    auto* composer = WindowRegistry::instance().existing<ZUJUANLIULAN>();
    QVERIFY(composer);
    click(composer, "Command1");
    const QString paper = out.filePath(u"方程试卷.rtf"_s);
    f->dialogs->answerFile(paper);
    click(composer, "Command2");
    f->boxes();
    objects = objectsIn(fileBytes(paper));
    QCOMPARE(objects.size(), 1);
    QCOMPARE(objects[0].property(rtf::ObjectData).toByteArray(), objdata);
    QCOMPARE(objects[0].property(rtf::FormulaSource).toString(), latex);
    f->dialogs->answerYes(); // the answers were not saved: leave all the same
    click(composer, "Command3");
    f->boxes();

    // The paper as PDF: the formula's characters, drawn from the metafile,
    // are in the text layer beside the question's text, and no picture is
    // reported unreadable.
    PaperLayout layout(PaperSettings::defaults(), PaperLayout::Kind::Paper);
    layout.addSet({PaperQuestion{stored[0].number, stored[0].type, stored[0].content, stored[0].answer}});
    const QString pdf = out.filePath(u"方程试卷.pdf"_s);
    QString error;
    QVERIFY2(layout.writePdf(pdf, &error), qPrintable(error));
    QCOMPARE(layout.problems(), QStringList());
    const QString text = runTool(u"pdftotext"_s, {pdf, u"-"_s});
    QVERIFY2(text.contains(u"求根公式是"_s), qPrintable(text));
    for (const QString& piece : {u"x="_s, u"4ac"_s, u"2a"_s})
        QVERIFY2(text.contains(piece), qPrintable(piece + u" is not in: "_s + text));
}

QTEST_MAIN(FormulaLifeCycleTest)
#include "FormulaLifeCycleTest.moc"
