#include "docxgen/PaperSamples.h"

#include "docxgen/DocxPackage.h"
#include "metafilegen/OleWriter.h"
#include "metafilegen/Samples.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace docxgen {

namespace {

QString mr(const QString& text)
{
    return u"<m:r><m:t>"_s + xmlEscaped(text) + u"</m:t></m:r>"_s;
}

// A run in upright (plain) style, as Word writes function names.
QString mrp(const QString& text)
{
    return u"<m:r><m:rPr><m:sty m:val=\"p\"/></m:rPr><m:t>"_s + xmlEscaped(text) + u"</m:t></m:r>"_s;
}

QString tag(const QString& name, const QString& inner)
{
    return u'<' + name + u'>' + inner + u"</"_s + name + u'>';
}

QString e(const QString& inner)
{
    return tag(u"m:e"_s, inner);
}

QString frac(const QString& num, const QString& den, const QString& type = {})
{
    const QString pr = type.isEmpty() ? QString() : u"<m:fPr><m:type m:val=\"%1\"/></m:fPr>"_s.arg(type);
    return u"<m:f>"_s + pr + tag(u"m:num"_s, num) + tag(u"m:den"_s, den) + u"</m:f>"_s;
}

QString sup(const QString& base, const QString& s)
{
    return u"<m:sSup>"_s + e(base) + tag(u"m:sup"_s, s) + u"</m:sSup>"_s;
}

QString sqrtOf(const QString& inner)
{
    return u"<m:rad><m:radPr><m:degHide m:val=\"1\"/></m:radPr><m:deg/>"_s + e(inner) + u"</m:rad>"_s;
}

QString delimited(const QString& inner, const QString& beg = {}, const QString& end = {})
{
    QString pr;
    if (!beg.isNull() || !end.isNull())
        pr = u"<m:dPr><m:begChr m:val=\"%1\"/><m:endChr m:val=\"%2\"/></m:dPr>"_s.arg(xmlEscaped(beg),
                                                                                      xmlEscaped(end));
    return u"<m:d>"_s + pr + e(inner) + u"</m:d>"_s;
}

QString system(const QString& first, const QString& second)
{
    return delimited(u"<m:eqArr>"_s + e(mr(first)) + e(mr(second)) + u"</m:eqArr>"_s, u"{"_s, u""_s);
}

QString quadraticRoot()
{
    return mr(u"x="_s) +
           frac(mr(u"−b±"_s) + sqrtOf(sup(mr(u"b"_s), mr(u"2"_s)) + mr(u"−4ac"_s)), mr(u"2a"_s));
}

QByteArray imageBytes(const QImage& image, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

// A small figure: a triangle with a label, as a teacher pastes one.
QImage figure(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    const int dx = seed % 7 * 3;
    p.drawPolygon(QPolygon(
        {QPoint(10 + dx, height - 10), QPoint(width - 10, height - 10), QPoint(width / 2, 10 + seed % 5)}));
    p.drawLine(width / 2, 10 + seed % 5, width / 2, height - 10);
    return image;
}

const char kNumbering[] =
    R"(<w:abstractNum w:abstractNumId="0"><w:nsid w:val="1B2C3D4E"/><w:multiLevelType w:val="hybridMultilevel"/><w:tmpl w:val="0409000F"/><w:lvl w:ilvl="0" w:tplc="0409000F"><w:start w:val="1"/><w:numFmt w:val="decimal"/><w:lvlText w:val="%1."/><w:lvlJc w:val="left"/><w:pPr><w:ind w:left="420" w:hanging="420"/></w:pPr></w:lvl><w:lvl w:ilvl="1" w:tplc="04090019"><w:start w:val="1"/><w:numFmt w:val="decimal"/><w:lvlText w:val="（%2）"/><w:lvlJc w:val="left"/><w:pPr><w:ind w:left="840" w:hanging="420"/></w:pPr></w:lvl></w:abstractNum><w:num w:numId="1"><w:abstractNumId w:val="0"/></w:num>)";

const char kWpsNumbering[] =
    R"(<w:abstractNum w:abstractNumId="0"><w:nsid w:val="5F3A1C22"/><w:multiLevelType w:val="singleLevel"/><w:tmpl w:val="5F3A1C22"/><w:lvl w:ilvl="0" w:tentative="0"><w:start w:val="1"/><w:numFmt w:val="chineseCounting"/><w:suff w:val="nothing"/><w:lvlText w:val="%1、"/><w:lvlJc w:val="left"/></w:lvl></w:abstractNum><w:abstractNum w:abstractNumId="1"><w:nsid w:val="6A0B3C11"/><w:multiLevelType w:val="singleLevel"/><w:lvl w:ilvl="0" w:tentative="0"><w:start w:val="1"/><w:numFmt w:val="decimalEnclosedParen"/><w:suff w:val="space"/><w:lvlText w:val="%1"/><w:lvlJc w:val="left"/></w:lvl></w:abstractNum><w:num w:numId="1"><w:abstractNumId w:val="0"/></w:num><w:num w:numId="2"><w:abstractNumId w:val="1"/></w:num>)";

QString bold()
{
    return u"<w:b/><w:bCs/>"_s;
}

QString centered()
{
    return u"<w:jc w:val=\"center\"/>"_s;
}

} // namespace

QString oMath(const QString& inner)
{
    return u"<m:oMath>"_s + inner + u"</m:oMath>"_s;
}

QList<OmmlSample> ommlSamples()
{
    return {
        {u"分数"_s, frac(mr(u"1"_s), mr(u"2"_s)), u"\\frac{1}{2}"_s},
        {u"线性分数"_s, frac(mr(u"a"_s), mr(u"b"_s), u"lin"_s), u"a/b"_s},
        {u"无线分数"_s, frac(mr(u"n"_s), mr(u"k"_s), u"noBar"_s), u"\\genfrac{}{}{0pt}{}{n}{k}"_s},
        {u"斜分数"_s, frac(mr(u"1"_s), mr(u"4"_s), u"skw"_s), u"{}^{1}/{}_{4}"_s},
        {u"上标"_s, sup(mr(u"x"_s), mr(u"2"_s)), u"x^{2}"_s},
        {u"下标"_s, u"<m:sSub>"_s + e(mr(u"a"_s)) + tag(u"m:sub"_s, mr(u"n"_s)) + u"</m:sSub>"_s, u"a_{n}"_s},
        {u"上下标"_s,
         u"<m:sSubSup>"_s + e(mr(u"x"_s)) + tag(u"m:sub"_s, mr(u"1"_s)) + tag(u"m:sup"_s, mr(u"2"_s)) +
             u"</m:sSubSup>"_s,
         u"x_{1}^{2}"_s},
        {u"左上下标"_s,
         u"<m:sPre>"_s + tag(u"m:sub"_s, mr(u"1"_s)) + tag(u"m:sup"_s, mr(u"2"_s)) + e(mr(u"X"_s)) +
             u"</m:sPre>"_s,
         u"{}_{1}^{2}X"_s},
        {u"平方根"_s, sqrtOf(mr(u"x"_s)), u"\\sqrt{x}"_s},
        {u"立方根"_s, u"<m:rad>"_s + tag(u"m:deg"_s, mr(u"3"_s)) + e(mr(u"8"_s)) + u"</m:rad>"_s,
         u"\\sqrt[3]{8}"_s},
        {u"求和"_s,
         u"<m:nary><m:naryPr><m:chr m:val=\"∑\"/><m:limLoc m:val=\"undOvr\"/></m:naryPr>"_s +
             tag(u"m:sub"_s, mr(u"i=1"_s)) + tag(u"m:sup"_s, mr(u"n"_s)) + e(mr(u"i"_s)) + u"</m:nary>"_s,
         u"\\sum_{i=1}^{n}{i}"_s},
        {u"积分"_s,
         u"<m:nary><m:naryPr><m:limLoc m:val=\"subSup\"/></m:naryPr>"_s + tag(u"m:sub"_s, mr(u"0"_s)) +
             tag(u"m:sup"_s, mr(u"1"_s)) + e(mr(u"xdx"_s)) + u"</m:nary>"_s,
         u"\\int_{0}^{1}{xdx}"_s},
        {u"积分限在上下"_s,
         u"<m:nary><m:naryPr><m:chr m:val=\"∫\"/><m:limLoc m:val=\"undOvr\"/></m:naryPr>"_s +
             tag(u"m:sub"_s, mr(u"a"_s)) + tag(u"m:sup"_s, mr(u"b"_s)) + e(mr(u"f"_s)) + u"</m:nary>"_s,
         u"\\int\\limits_{a}^{b}{f}"_s},
        {u"圆括号"_s, delimited(mr(u"a+b"_s)), u"\\left( a+b\\right)"_s},
        {u"绝对值"_s, delimited(mr(u"x"_s), u"|"_s, u"|"_s), u"\\left| x\\right|"_s},
        {u"方程组"_s, system(u"x+y=3"_s, u"x−y=1"_s),
         u"\\left\\{ \\begin{array}{l}x+y=3\\\\x-y=1\\end{array}\\right."_s},
        {u"对齐的方程"_s, u"<m:eqArr>"_s + e(mr(u"y&=2x"_s)) + e(mr(u"&=4"_s)) + u"</m:eqArr>"_s,
         u"\\begin{aligned}y&=2x\\\\&=4\\end{aligned}"_s},
        {u"矩阵"_s,
         delimited(u"<m:m><m:mr>"_s + e(mr(u"1"_s)) + e(mr(u"0"_s)) + u"</m:mr><m:mr>"_s + e(mr(u"0"_s)) +
                   e(mr(u"1"_s)) + u"</m:mr></m:m>"_s),
         u"\\left( \\begin{matrix}1 & 0\\\\0 & 1\\end{matrix}\\right)"_s},
        {u"向量"_s, u"<m:acc><m:accPr><m:chr m:val=\"\u20D7\"/></m:accPr>"_s + e(mr(u"a"_s)) + u"</m:acc>"_s,
         u"\\vec{a}"_s},
        {u"线段上划线"_s,
         u"<m:acc><m:accPr><m:chr m:val=\"\u0305\"/></m:accPr>"_s + e(mr(u"AB"_s)) + u"</m:acc>"_s,
         u"\\overline{AB}"_s},
        {u"弧"_s, u"<m:acc><m:accPr><m:chr m:val=\"\u23DC\"/></m:accPr>"_s + e(mr(u"AB"_s)) + u"</m:acc>"_s,
         u"\\overset{\\frown}{AB}"_s},
        {u"帽子"_s, u"<m:acc>"_s + e(mr(u"y"_s)) + u"</m:acc>"_s, u"\\hat{y}"_s},
        {u"上横线"_s, u"<m:bar><m:barPr><m:pos m:val=\"top\"/></m:barPr>"_s + e(mr(u"x"_s)) + u"</m:bar>"_s,
         u"\\overline{x}"_s},
        {u"下横线"_s, u"<m:bar>"_s + e(mr(u"x"_s)) + u"</m:bar>"_s, u"\\underline{x}"_s},
        {u"方框"_s, u"<m:box>"_s + e(mr(u"x=1"_s)) + u"</m:box>"_s, u"x=1"_s},
        {u"边框"_s, u"<m:borderBox>"_s + e(mr(u"x"_s)) + u"</m:borderBox>"_s, u"\\boxed{x}"_s},
        {u"正弦"_s, u"<m:func>"_s + tag(u"m:fName"_s, mrp(u"sin"_s)) + e(mr(u"x"_s)) + u"</m:func>"_s,
         u"\\sin{x}"_s},
        {u"极限"_s,
         u"<m:func><m:fName><m:limLow>"_s + e(mrp(u"lim"_s)) + tag(u"m:lim"_s, mr(u"x→0"_s)) +
             u"</m:limLow></m:fName>"_s + e(mr(u"f(x)"_s)) + u"</m:func>"_s,
         u"\\lim_{x\\rightarrow0}{f(x)}"_s},
        {u"下括号"_s, u"<m:groupChr>"_s + e(mr(u"a+b"_s)) + u"</m:groupChr>"_s, u"\\underbrace{a+b}"_s},
        {u"上方文字箭头"_s,
         u"<m:limUpp>"_s + e(mr(u"→"_s)) + tag(u"m:lim"_s, mr(u"点燃"_s)) + u"</m:limUpp>"_s,
         u"\\xrightarrow{\\text{点燃}}"_s},
        {u"下方文字"_s, u"<m:limLow>"_s + e(mrp(u"max"_s)) + tag(u"m:lim"_s, mr(u"x"_s)) + u"</m:limLow>"_s,
         u"\\max_{x}"_s},
        {u"幻影"_s,
         u"<m:phant><m:phantPr><m:show m:val=\"0\"/></m:phantPr>"_s + e(mr(u"x"_s)) + u"</m:phant>"_s,
         u"\\phantom{x}"_s},
        {u"普通文字"_s, u"<m:r><m:rPr><m:nor/></m:rPr><m:t>cm</m:t></m:r>"_s, u"\\text{cm}"_s},
        {u"中文"_s, mr(u"面积"_s), u"\\text{面积}"_s},
        {u"希腊字母"_s, mr(u"α+β≤π"_s), u"\\alpha+\\beta\\leq\\pi"_s},
        {u"角度"_s, mr(u"30°"_s), u"30^{\\circ}"_s},
        {u"空格"_s, mr(u"a b"_s), u"a\\ b"_s},
        {u"正体字母"_s, mrp(u"d"_s), u"\\mathrm{d}"_s},
        {u"双线体"_s, u"<m:r><m:rPr><m:scr m:val=\"double-struck\"/></m:rPr><m:t>R</m:t></m:r>"_s,
         u"\\mathbb{R}"_s},
        {u"求根公式"_s, quadraticRoot(), u"x=\\frac{-b\\pm\\sqrt{b^{2}-4ac}}{2a}"_s},
    };
}

QByteArray samplePng(int width, int height)
{
    return imageBytes(figure(width, height, width + height), "PNG");
}

QByteArray sampleJpeg()
{
    return imageBytes(figure(90, 60, 3), "JPEG", 90);
}

QByteArray sampleGif()
{
    // A 2 × 2 GIF89a (Qt reads GIF but does not write it).
    static const unsigned char gif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x02, 0x00, 0x02,
                                        0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF,
                                        0xFF, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x02,
                                        0x00, 0x00, 0x02, 0x02, 0x84, 0x51, 0x00, 0x3B};
    return QByteArray(reinterpret_cast<const char*>(gif), sizeof gif);
}

QByteArray sampleBmp()
{
    return imageBytes(figure(64, 48, 5), "BMP");
}

QByteArray wordPaper()
{
    DocxPackage d(Flavour::Word);
    d.setNumbering(QString::fromUtf8(kNumbering));
    d.add(paragraph(run(u"2026—2027学年第一学期七年级数学期末试卷"_s, bold() + u"<w:sz w:val=\"32\"/>"_s),
                    centered()));
    d.add(paragraph(run(u"（满分100分，考试时间90分钟）"_s), centered()));
    d.add(paragraph(run(u"一、选择题（每小题3分，共9分）"_s, bold())));
    // 1: options on one line, set apart by tabs.
    d.add(listParagraph(1, 0, run(u"下列各数中，最小的数是（　　）"_s)));
    d.add(paragraph(run(u"A．−2\tB．0\tC．1\tD．3"_s)));
    // 2: formulas, options in a table without lines.
    d.add(listParagraph(1, 0,
                        run(u"计算 "_s) + oMath(frac(mr(u"1"_s), mr(u"2"_s))) + run(u"＋"_s) +
                            oMath(frac(mr(u"1"_s), mr(u"3"_s))) + run(u" 的结果是（　　）"_s)));
    d.add(table({{paragraph(run(u"A．"_s) + oMath(frac(mr(u"5"_s), mr(u"6"_s)))),
                  paragraph(run(u"B．"_s) + oMath(frac(mr(u"2"_s), mr(u"5"_s))))},
                 {paragraph(run(u"C．"_s) + oMath(frac(mr(u"1"_s), mr(u"6"_s)))), paragraph(run(u"D．1"_s))}},
                false, 3800));
    // 3: an inline picture.
    d.add(listParagraph(1, 0, run(u"如图所示的几何体，从正面看得到的图形是（　　）"_s)));
    d.add(paragraph(d.picture(samplePng(), u"png"_s, 90, 60)));
    d.add(paragraph(run(u"A．三角形　　B．正方形　　C．圆　　D．梯形"_s)));

    d.add(paragraph(run(u"二、填空题（每小题4分，共8分）"_s, bold())));
    // 4: a superscript, a blank, an emphasis mark (着重号).
    d.add(listParagraph(1, 0,
                        run(u"分解因式：x"_s) + run(u"2"_s, u"<w:vertAlign w:val=\"superscript\"/>"_s) +
                            run(u"−4＝________（结果"_s) + run(u"不"_s, u"<w:em w:val=\"dot\"/>"_s) +
                            run(u"要求写出过程）．"_s)));
    // 5: a MathType equation, coloured text.
    d.add(listParagraph(1, 0,
                        run(u"方程 ax²+bx+c=0 的根是 "_s) +
                            d.oleObject(metafilegen::equationStorage(metafilegen::quadraticMtef()),
                                        metafilegen::formulaWmf(), 100, 45) +
                            run(u"，其中"_s) + run(u"a≠0"_s, u"<w:color w:val=\"FF0000\"/>"_s) +
                            run(u"，当 b²−4ac＝0 时 x＝________．"_s)));

    d.add(paragraph(run(u"三、解答题（共2题，每题9分）"_s, bold())));
    // 6: a score mark, a system of equations on a line of its own, sub-questions.
    d.add(listParagraph(1, 0, run(u"（9分）解方程组："_s)));
    d.add(paragraph(u"<m:oMathPara>"_s + oMath(system(u"x+y=3"_s, u"x−y=1"_s)) + u"</m:oMathPara>"_s));
    d.add(listParagraph(1, 1, run(u"用代入法解；"_s)));
    d.add(listParagraph(1, 1, run(u"用加减法解．"_s) + d.picture(sampleJpeg(), u"jpeg"_s, 60, 40)));
    // 7: an anchored figure beside the question, an EMF, a shape drawn in Word.
    d.add(listParagraph(1, 0,
                        d.picture(metafilegen::figureWmf(), u"wmf"_s, 120, 90, true) +
                            run(u"如图，在△ABC中，AB＝AC，AD⊥BC于点D．求证：BD＝CD．"_s)));
    d.add(paragraph(d.picture(metafilegen::figureEmf(), u"emf"_s, 100, 75) + d.drawnShape(80, 60)));

    d.add(paragraph(run(u"参考答案"_s, bold()), centered()));
    d.add(paragraph(run(u"一、选择题"_s)));
    d.add(table(
        {{paragraph(run(u"题号"_s)), paragraph(run(u"1"_s)), paragraph(run(u"2"_s)), paragraph(run(u"3"_s))},
         {paragraph(run(u"答案"_s)), paragraph(run(u"A"_s)), paragraph(run(u"A"_s)), paragraph(run(u"C"_s))}},
        true, 1200));
    d.add(paragraph(run(u"二、填空题"_s)));
    d.add(paragraph(run(u"4．(x+2)(x−2)　　　　5．"_s) + oMath(mr(u"−"_s) + frac(mr(u"b"_s), mr(u"2a"_s)))));
    d.add(paragraph(run(u"三、解答题"_s)));
    d.add(paragraph(run(u"6．解：（1）由①得 x＝3−y，代入②得 y＝1，x＝2；"_s)));
    d.add(paragraph(run(u"（2）①＋②得 2x＝4，x＝2，y＝1．"_s)));
    d.add(paragraph(run(u"7．证明：∵AB＝AC，AD⊥BC，"_s)));
    d.add(paragraph(run(u"∴BD＝CD（等腰三角形三线合一）．"_s)));
    return d.docx();
}

QByteArray wpsPaper()
{
    DocxPackage d(Flavour::Wps);
    d.setNumbering(QString::fromUtf8(kWpsNumbering));
    d.add(paragraph(run(u"八年级数学期中检测卷"_s, bold()), centered()));
    d.add(listParagraph(1, 0, run(u"选择题（本大题共2小题，每小题3分）"_s, bold())));
    d.add(paragraph(run(u"1．下列运算正确的是（　　）"_s)));
    d.add(paragraph(run(u"A．2a＋3b＝5ab　　B．a²·a³＝a⁶　　C．(a²)³＝a⁶　　D．a⁶÷a²＝a³"_s)));
    d.add(paragraph(run(u"【答案】C"_s)));
    d.add(paragraph(run(u"【解析】"_s, bold()) + run(u"本题考查幂的运算．(a²)³＝a⁶，故选C．"_s)));
    d.add(paragraph(run(u"2、函数 y＝"_s) + oMath(sqrtOf(mr(u"x−1"_s))) +
                    run(u" 中自变量x的取值范围是（　　）"_s)));
    d.add(paragraph(run(u"A．x＞1　　B．x≥1　　C．x＜1　　D．x≤1"_s)));
    d.add(paragraph(run(u"【答案】B"_s)));
    d.add(listParagraph(1, 0, run(u"填空题（本大题共2小题，每小题4分）"_s, bold())));
    d.add(
        paragraph(run(u"3．一元二次方程的求根公式是 "_s) +
                  d.oleObject(metafilegen::equationStorage(metafilegen::quadraticMtef(), u"Equation.KSEE3"_s),
                              metafilegen::formulaWmf(), 100, 45, u"Equation.KSEE3"_s) +
                  run(u"，其中＿＿＿＿≥0．"_s)));
    d.add(paragraph(run(u"【答案】"_s) + run(u"b²−4ac"_s)));
    d.add(paragraph(run(u"4．如图，"_s) + d.vmlPicture(sampleGif(), u"gif"_s, 60, 40) +
                    run(u"中，∠1＝50°，则∠2＝______°．"_s)));
    d.add(paragraph(run(u"【答案】130"_s)));
    d.add(listParagraph(1, 0, run(u"解答题（本大题共2小题）"_s, bold())));
    d.add(paragraph(run(u"5．（本题8分）计算："_s) +
                    oMath(sup(mr(u"2"_s), mr(u"3"_s)) + mr(u"−"_s) + sqrtOf(mr(u"16"_s)))));
    d.add(paragraph(run(u"解：原式＝8－4＝4．"_s)));
    d.add(paragraph(run(u"6．（10分）如图，已知AB∥CD，"_s) + d.vmlPicture(sampleBmp(), u"bmp"_s, 64, 48)));
    d.add(listParagraph(2, 0, run(u"求证：∠B＝∠C；"_s)));
    d.add(listParagraph(2, 0, run(u"若∠B＝40°，求∠D的度数．"_s)));
    d.add(paragraph(run(u"【解析】"_s)));
    d.add(paragraph(run(u"⑴ 证明：∵AB∥CD，∴∠B＝∠C．"_s)));
    d.add(paragraph(run(u"⑵ 解：∠D＝140°．"_s)));
    return d.docx();
}

QByteArray benchmarkPaper(int questions, int formulas, int pictures)
{
    DocxPackage d(Flavour::Word);
    d.add(paragraph(run(u"2026年初中毕业生学业水平模拟考试数学试卷"_s, bold()), centered()));
    const QList<OmmlSample> samples = ommlSamples();
    int formula = 0;
    int picture = 0;
    const QStringList sections{u"一、选择题（每小题3分）"_s, u"二、填空题（每小题3分）"_s, u"三、解答题"_s};
    for (int q = 1; q <= questions; ++q) {
        if (q == 1 || q == questions / 3 + 1 || q == 2 * questions / 3 + 1)
            d.add(paragraph(run(sections[q == 1 ? 0 : (q == questions / 3 + 1 ? 1 : 2)], bold())));
        // The formulas and pictures spread evenly over the questions.
        const int formulasHere = formulas * q / questions - formula;
        const int picturesHere = pictures * q / questions - picture;
        QString runs = run(QString::number(q) + u"．已知在平面直角坐标系中，点 P 的坐标满足下列条件，"_s
                                                u"请根据题意完成下面的问题，并写出必要的推理过程："_s);
        for (int k = 0; k < formulasHere; ++k) {
            runs += oMath(samples[(formula + k) % samples.size()].omml) + run(u"，"_s);
        }
        formula += formulasHere;
        d.add(paragraph(runs));
        d.add(paragraph(run(u"在解决这个问题时，同学们先画出了示意图，然后分别讨论了各种可能的情况。"
                            u"请你仔细阅读题目中给出的条件，判断哪些结论是正确的，并说明理由。"_s)));
        for (int k = 0; k < picturesHere; ++k)
            d.add(paragraph(d.picture(samplePng(200 + (picture + k) % 5 * 10, 150), u"png"_s, 150, 110,
                                      (picture + k) % 2 == 1)));
        picture += picturesHere;
        d.add(paragraph(run(u"A．第一种情况\tB．第二种情况\tC．第三种情况\tD．以上都不对"_s)));
    }
    d.add(paragraph(run(u"参考答案"_s, bold()), centered()));
    for (int q = 1; q <= questions; ++q)
        d.add(paragraph(run(QString::number(q) + u"．解：由题意得，点 P 在第一象限，故选 B．"_s)));
    return d.docx();
}

} // namespace docxgen
