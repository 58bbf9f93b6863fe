// The paper splitter and the question bodies: Word's and WPS's papers split
// into their questions with sections, types, score marks and answers (a key
// at the end, as a table, as lists, or after each question), and each body
// written as the program's RTF with its formats, pictures and formulas.
#include "docx/PaperSplitter.h"
#include "docx/BodyWriter.h"
#include "docx/DocxReader.h"
#include "docxgen/DocxPackage.h"
#include "docxgen/PaperSamples.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaRenderer.h"
#include "metafilegen/Samples.h"
#include "rtf/RtfPictures.h"
#include "rtf/RtfReader.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace docx;
using docxgen::paragraph;
using docxgen::run;

namespace {

const QStringList kTypes{u"选择题"_s, u"填空题"_s, u"解答题"_s, u"计算题"_s};

Document read(const QByteArray& bytes)
{
    QString error;
    std::optional<Document> doc = DocxReader::readBytes(bytes, u"试卷.docx"_s, &error);
    if (!doc)
        qFatal("not read: %s", qPrintable(error));
    return std::move(*doc);
}

QStringList numbers(const SplitPaper& p)
{
    QStringList out;
    for (const SplitQuestion& q : p.questions)
        out << q.number;
    return out;
}

QString contentOf(const SplitQuestion& q)
{
    return plainText(q.content);
}

QString answerOf(const SplitQuestion& q)
{
    return plainText(q.answer);
}

// A paper of plain paragraphs, one per line.
SplitPaper splitLines(const QStringList& lines, const QStringList& types = kTypes)
{
    docxgen::DocxPackage d;
    for (const QString& line : lines)
        d.add(paragraph(run(line)));
    return PaperSplitter::split(read(d.docx()), types);
}

QList<QTextImageFormat> images(const QTextDocument& doc)
{
    QList<QTextImageFormat> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat())
                out << it.fragment().charFormat().toImageFormat();
        }
    }
    return out;
}

} // namespace

class PaperSplitterTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<FormulaEngine> engine;

private slots:
    void initTestCase()
    {
        engine = std::make_unique<FormulaEngine>(QStringLiteral(TIKU_FORMULA_SCRIPT));
        QString error;
        QVERIFY2(engine->load(&error), qPrintable(error));
    }

    // Word's paper: numbers from a Word list, three sections, the key at the
    // end as a table, as answers set apart by gaps, and as worked answers.
    void wordPaper()
    {
        const Document doc = read(docxgen::wordPaper());
        const SplitPaper p = PaperSplitter::split(doc, kTypes);
        QCOMPARE(numbers(p), QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}));
        QVERIFY(p.keyAtEnd);
        QCOMPARE(p.answersMatched, 7);
        QCOMPARE(p.skippedParagraphs, 2); // the title and the marks line
        const auto& q = p.questions;

        QCOMPARE(q[0].section, u"一、选择题（每小题3分，共9分）"_s);
        QCOMPARE(q[0].type, u"选择题"_s);
        QVERIFY(q[0].typeFromSection);
        QCOMPARE(contentOf(q[0]), u"下列各数中，最小的数是（　　）\nA．−2\tB．0\tC．1\tD．3"_s);
        QCOMPARE(answerOf(q[0]), u"A"_s);
        QCOMPARE(answerOf(q[1]), u"A"_s);
        QCOMPARE(answerOf(q[2]), u"C"_s);
        QVERIFY(q[1].content.back().isTable); // the options' table stays with its question
        QCOMPARE(q[1].formulaCount(), 5);
        QCOMPARE(q[2].pictureCount(), 1);

        QCOMPARE(q[3].section, u"二、填空题（每小题4分，共8分）"_s);
        QCOMPARE(q[3].type, u"填空题"_s);
        QCOMPARE(answerOf(q[3]), u"(x+2)(x−2)"_s);
        QCOMPARE(answerOf(q[4]), u"$-\\frac{b}{2a}$"_s);
        QCOMPARE(q[4].formulaCount(), 2);

        QCOMPARE(q[5].type, u"解答题"_s);
        QCOMPARE(q[5].score, u"9"_s);
        QCOMPARE(contentOf(q[5]),
                 u"解方程组：\n$\\left\\{ \\begin{array}{l}x+y=3\\\\x-y=1\\end{array}\\right.$\n（1） "
                 u"用代入法解；\n"
                 u"（2） 用加减法解．\uFFFC"_s);
        QCOMPARE(answerOf(q[5]),
                 u"解：（1）由①得 x＝3−y，代入②得 y＝1，x＝2；\n（2）①＋②得 2x＝4，x＝2，y＝1．"_s);
        QCOMPARE(q[6].pictureCount(), 2);
        QCOMPARE(answerOf(q[6]), u"证明：∵AB＝AC，AD⊥BC，\n∴BD＝CD（等腰三角形三线合一）．"_s);
        QVERIFY(q[6].warnings.join(u'\n').contains(u"Word 绘制的图形"_s));
        for (int i = 0; i < 6; ++i)
            QVERIFY2(q[i].warnings.isEmpty(), qPrintable(q[i].number + u": "_s + q[i].warnings.join(u'；')));
    }

    // WPS's paper: typed numbers (1． 2、), sections from a chineseCounting
    // list, 【答案】【解析】 and 解： after each question, ⑴ ⑵ sub-questions.
    void wpsPaper()
    {
        const SplitPaper p = PaperSplitter::split(read(docxgen::wpsPaper()), kTypes);
        QCOMPARE(numbers(p), QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s}));
        QVERIFY(!p.keyAtEnd);
        QCOMPARE(p.answersMatched, 6);
        const auto& q = p.questions;
        QCOMPARE(q[0].section, u"一、选择题（本大题共2小题，每小题3分）"_s);
        QCOMPARE(q[0].type, u"选择题"_s);
        QCOMPARE(
            contentOf(q[0]),
            u"下列运算正确的是（　　）\nA．2a＋3b＝5ab　　B．a²·a³＝a⁶　　C．(a²)³＝a⁶　　D．a⁶÷a²＝a³"_s);
        QCOMPARE(answerOf(q[0]), u"【答案】C\n【解析】本题考查幂的运算．(a²)³＝a⁶，故选C．"_s);
        QCOMPARE(
            contentOf(q[1]),
            u"函数 y＝$\\sqrt{x-1}$ 中自变量x的取值范围是（　　）\nA．x＞1　　B．x≥1　　C．x＜1　　D．x≤1"_s);
        QCOMPARE(q[2].type, u"填空题"_s);
        QCOMPARE(answerOf(q[2]), u"【答案】b²−4ac"_s);
        QCOMPARE(q[3].pictureCount(), 1);
        QCOMPARE(q[4].score, u"8"_s);
        QCOMPARE(contentOf(q[4]), u"计算：$2^{3}-\\sqrt{16}$"_s);
        QCOMPARE(answerOf(q[4]), u"解：原式＝8－4＝4．"_s);
        QCOMPARE(q[5].score, u"10"_s);
        QCOMPARE(contentOf(q[5]), u"如图，已知AB∥CD，\uFFFC\n⑴ 求证：∠B＝∠C；\n⑵ 若∠B＝40°，求∠D的度数．"_s);
        QCOMPARE(answerOf(q[5]), u"【解析】\n⑴ 证明：∵AB∥CD，∴∠B＝∠C．\n⑵ 解：∠D＝140°．"_s);
    }

    // Keys as teachers write them: ranges of letters, lists of answers, a
    // table in columns; numbers that start again in each section are
    // matched within their section.
    void keyForms()
    {
        const SplitPaper p = splitLines({
            u"一、选择题"_s, u"1．甲"_s,      u"2．乙"_s,        u"3．丙"_s,
            u"4．丁"_s,      u"5．戊"_s,      u"6．己"_s,        u"7．庚"_s,
            u"二、填空题"_s, u"1．天"_s,      u"2．地"_s,        u"参考答案与试题解析"_s,
            u"一、选择题"_s, u"1～5 CBDAC"_s, u"6.A 7.（BD）"_s, u"二、填空题"_s,
            u"1．3"_s,       u"2．x≥2"_s,     u"8．无此题"_s,
        });
        QCOMPARE(numbers(p),
                 QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s, u"1"_s, u"2"_s}));
        QStringList answers;
        for (const SplitQuestion& q : p.questions)
            answers << answerOf(q);
        QCOMPARE(answers,
                 QStringList({u"C"_s, u"B"_s, u"D"_s, u"A"_s, u"C"_s, u"A"_s, u"BD"_s, u"3"_s, u"x≥2"_s}));
        QVERIFY(p.warnings.join(u'\n').contains(u"参考答案中第 8 题找不到对应的题目"_s));

        docxgen::DocxPackage d;
        d.add(paragraph(run(u"1．一"_s)) + paragraph(run(u"2．二"_s)) + paragraph(run(u"答案"_s)));
        d.add(docxgen::table({{paragraph(run(u"题号"_s)), paragraph(run(u"答案"_s))},
                              {paragraph(run(u"1"_s)), paragraph(run(u"D"_s))},
                              {paragraph(run(u"2"_s)), paragraph(run(u"B"_s))}}));
        const SplitPaper columns = PaperSplitter::split(read(d.docx()), kTypes);
        QCOMPARE(answerOf(columns.questions[0]), u"D"_s);
        QCOMPARE(answerOf(columns.questions[1]), u"B"_s);
    }

    // Numbers: sub-questions and decimals are no questions; a question's
    // own steps inside its answer are not either; a gap is pointed out.
    void numbersAndBoundaries()
    {
        QCOMPARE(PaperSplitter::questionNumber(u"12．计算"_s, false), 12);
        QCOMPARE(PaperSplitter::questionNumber(u"　3、下列"_s, false), 3);
        QCOMPARE(PaperSplitter::questionNumber(u"4)求"_s, false), 4);
        QCOMPARE(PaperSplitter::questionNumber(u"1.5是有理数"_s, false), 0);
        QCOMPARE(PaperSplitter::questionNumber(u"（2）求"_s, false), 0);
        QCOMPARE(PaperSplitter::questionNumber(u"（2）求"_s, true), 2);
        QCOMPARE(PaperSplitter::questionNumber(u"7"_s, false), 0); // a page number
        int prefix = 0;
        QCOMPARE(PaperSplitter::questionNumber(u"（3）"_s, true, &prefix), 3); // a label above its question
        QCOMPARE(prefix, 3);
        QVERIFY(PaperSplitter::opensAnswer(u"【答案】C"_s));
        QVERIFY(PaperSplitter::opensAnswer(u"  解：原式"_s));
        QVERIFY(PaperSplitter::opensAnswer(u"故选 B"_s));
        QVERIFY(PaperSplitter::opensAnswer(u"答案：x=2"_s));
        QVERIFY(!PaperSplitter::opensAnswer(u"解方程：x+1=2"_s));
        QVERIFY(PaperSplitter::isKeyHeading(u"七年级数学参考答案"_s));
        QVERIFY(PaperSplitter::isKeyHeading(u"【参考答案及评分标准】"_s));
        QVERIFY(!PaperSplitter::isKeyHeading(u"【答案】C"_s));
        QVERIFY(PaperSplitter::isSectionHeading(u"三、解答题（本大题共8小题，共72分）"_s));
        QVERIFY(!PaperSplitter::isSectionHeading(u"三、"_s));

        const SplitPaper p = splitLines({
            u"1．解方程：2x+1=5"_s,
            u"(1) 先移项"_s,
            u"【答案】x=2"_s,
            u"2. 因为 2x=4，所以 x=2"_s,
            u"3．（本小题满分6分）化简"_s,
            u"1.5 是有理数吗？"_s,
            u"6．最后一题"_s,
        });
        QCOMPARE(numbers(p), QStringList({u"1"_s, u"2"_s, u"3"_s, u"6"_s}));
        QCOMPARE(contentOf(p.questions[0]), u"解方程：2x+1=5\n(1) 先移项"_s);
        QCOMPARE(p.questions[2].score, u"6"_s);
        QCOMPARE(contentOf(p.questions[2]), u"化简\n1.5 是有理数吗？"_s);
        QVERIFY(p.questions[3].warnings.contains(u"题号不连续：前一题是第 3 题"_s));
        QVERIFY(p.questions[3].warnings.contains(u"没有找到答案"_s));
        QCOMPARE(p.questions[3].type, u"解答题"_s); // guessed: no options, no blank

        // A paper whose questions are (1) (2) (3).
        const SplitPaper parenthesised =
            splitLines({u"（1）甲"_s, u"（2）乙"_s, u"（3）丙　A．1　B．2　C．3　D．4"_s});
        QCOMPARE(numbers(parenthesised), QStringList({u"1"_s, u"2"_s, u"3"_s}));
        QCOMPARE(parenthesised.questions[2].type, u"选择题"_s);
        QVERIFY(!parenthesised.questions[2].typeFromSection);
        // Labels on lines of their own, as this program composes a paper.
        const SplitPaper composed =
            splitLines({u"（1）"_s, u"计算：1+1"_s, u""_s, u"（2）"_s, u"化简：2a+a"_s});
        QCOMPARE(numbers(composed), QStringList({u"1"_s, u"2"_s}));
        QCOMPARE(contentOf(composed.questions[1]), u"化简：2a+a"_s);

        const SplitPaper none = splitLines({u"这是一段说明"_s, u"没有题号"_s});
        QVERIFY(none.questions.empty());
        QVERIFY(none.warnings.join(u'\n').contains(u"没有找到题目"_s));
    }

    // A body as the bank stores it: the program's RTF with the runs'
    // formats, the PNG's bytes, the metafiles as metafiles, the options'
    // table, and each formula as the program's formula picture with its
    // source; read back, it is the same.
    void bodiesAsRtf()
    {
        const Document doc = read(docxgen::wordPaper());
        const SplitPaper p = PaperSplitter::split(doc, kTypes);
        FormulaPictures formulas(engine.get());
        BodyWriter writer(doc, &formulas);

        QStringList warnings;
        const QByteArray q4 = writer.rtf(p.questions[3].content, &warnings);
        QVERIFY(q4.startsWith("{\\rtf1\\ansi\\ansicpg936"));
        QVERIFY(q4.contains("\\super"));
        QVERIFY(q4.contains("\\uld")); // the emphasis mark
        QTextDocument back;
        RtfReader::read(q4, &back);
        QCOMPARE(back.toPlainText(), u"分解因式：x2−4＝________（结果不要求写出过程）．"_s);

        const QByteArray q5 = writer.rtf(p.questions[4].content, &warnings);
        QVERIFY(q5.contains("\\cf"));
        RtfReader::read(q5, &back);
        const QList<QTextImageFormat> q5Images = images(back);
        QCOMPARE(q5Images.size(), 1);
        QCOMPARE(formulaSource(q5Images.front()), u"x=\\frac{-b\\pm\\sqrt{b^{2}-4ac}}{2a}"_s);

        const QByteArray q3 = writer.rtf(p.questions[2].content, &warnings);
        QVERIFY(q3.contains("\\pngblip"));
        QVERIFY(q3.contains(docxgen::samplePng().toHex().left(64)));

        const QByteArray q2 = writer.rtf(p.questions[1].content, &warnings);
        RtfReader::read(q2, &back);
        QTextTable* options = nullptr;
        for (QTextFrame* f : back.rootFrame()->childFrames())
            options = options ? options : qobject_cast<QTextTable*>(f);
        QVERIFY(options);
        QCOMPARE(options->rows(), 2);
        QCOMPARE(options->columns(), 2);
        QCOMPARE(images(back).size(), 5);

        const QByteArray q7 = writer.rtf(p.questions[6].content, &warnings);
        QVERIFY(q7.contains("\\wmetafile8"));
        QVERIFY(q7.contains("\\emfblip"));
        RtfReader::read(q7, &back);
        const QList<QTextImageFormat> figures = images(back);
        QCOMPARE(figures.size(), 2);
        // The WMF's records are kept (without its placeable header).
        QCOMPARE(figures[0].property(rtf::PictureData).toByteArray(), metafilegen::figureWmf().mid(22));
        QCOMPARE(figures[1].property(rtf::PictureData).toByteArray(), metafilegen::figureEmf());
        QCOMPARE(QSizeF(figures[0].width(), figures[0].height()), QSizeF(160, 120)); // 120 × 90 pt
        QVERIFY(warnings.isEmpty());

        // Without the engine a MathType formula keeps the picture Word showed.
        BodyWriter plain(doc, nullptr);
        QVERIFY(plain.rtf(p.questions[4].content).contains("\\wmetafile8"));
    }

    // Papers LibreOffice wrote (from the .html and .rtf beside them): its own
    // XML for lists (numbers from numbering.xml, a list that starts at 4 in
    // each section), tables, pictures and a MathType object it carried over.
    void libreOfficePapers()
    {
        const QString dir = QStringLiteral(TIKU_DOCX_TEST_DATA "/libreoffice/");
        QString error;
        const std::optional<Document> listed = DocxReader::readFile(dir + u"lo-paper.docx"_s, &error);
        QVERIFY2(listed, qPrintable(error));
        const SplitPaper p = PaperSplitter::split(*listed, kTypes);
        QCOMPARE(numbers(p), QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}));
        QVERIFY(p.keyAtEnd);
        const auto& q = p.questions;
        QStringList answers;
        for (const SplitQuestion& one : q)
            answers << answerOf(one);
        QCOMPARE(answers, QStringList({u"A"_s, u"C"_s, u"C"_s, u"−1，3"_s, u"1"_s, u"解：原式=−8+5×1=−3．"_s,
                                       u"解：原式=3x2−6xy−2x2+2xy=x2−4xy，当x=−1，y=2时，原式=1+8=9．"_s}));
        QCOMPARE(p.answersMatched, 7);
        QCOMPARE(q[0].type, u"选择题"_s);
        QCOMPARE(contentOf(q[0]), u"−3的相反数是（　　）\nA．3　　B．−3　　C．1/3　　D．−1/3 "_s);
        QVERIFY(q[1].content.back().isTable);
        QCOMPARE(q[2].pictureCount(), 1);
        QCOMPARE(q[3].type, u"填空题"_s);
        QCOMPARE(q[5].type, u"解答题"_s);
        QCOMPARE(q[5].score, u"8"_s);
        QCOMPARE(answerOf(q[0]), u"A"_s);
        QCOMPARE(answerOf(q[1]), u"C"_s);
        QCOMPARE(answerOf(q[2]), u"C"_s);
        QCOMPARE(answerOf(q[3]), u"−1，3"_s);
        QCOMPARE(answerOf(q[4]), u"1"_s);
        QCOMPARE(answerOf(q[5]), u"解：原式=−8+5×1=−3．"_s);

        const std::optional<Document> withObject = DocxReader::readFile(dir + u"lo-equation.docx"_s, &error);
        QVERIFY2(withObject, qPrintable(error));
        const SplitPaper e = PaperSplitter::split(*withObject, kTypes);
        QCOMPARE(numbers(e), QStringList({u"1"_s, u"2"_s, u"3"_s}));
        QCOMPARE(e.answersMatched, 3);
        QCOMPARE(e.questions[0].formulaCount(), 1);
        QCOMPARE(contentOf(e.questions[0]),
                 u"方程 $x=\\frac{-b\\pm\\sqrt{b^{2}-4ac}}{2a}$ 的根的情况是（　　）\n"
                 u"A．有两个不相等的实数根\tB．有两个相等的实数根\tC．没有实数根\tD．无法确定"_s);
        QCOMPARE(e.questions[1].pictureCount(), 1);
        QCOMPARE(answerOf(e.questions[0]), u"【答案】A\n【解析】判别式Δ＝b²－4ac＞0，故选A．"_s);
        QCOMPARE(answerOf(e.questions[2]), u"解：(x－2)(x－3)＝0，所以x₁＝2，x₂＝3．"_s);
        QCOMPARE(e.questions[2].type, u"解答题"_s);
    }
};

QTEST_MAIN(PaperSplitterTest)
#include "PaperSplitterTest.moc"
