// MathType and Equation Editor equations: the OLE 1 wrapper and compound
// file of an equation object, its MTEF (versions 5 and 3), every template
// kind and character typeface as LaTeX, and that LaTeX typeset by the
// program's formula engine. Unknown constructs are named, damaged objects
// never hang.
#include "CorpusPieces.h"
#include "formula/FormulaEngine.h"
#include "metafile/CompoundFile.h"
#include "metafile/Metafile.h"
#include "metafile/Mtef.h"
#include "metafilegen/MtefWriter.h"
#include "metafilegen/OleWriter.h"
#include "metafilegen/Samples.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using metafilegen::MtefWriter;
using W = metafilegen::MtefWriter;

namespace {

const MtefWriter v5(5);
const MtefWriter v3(3);

QByteArray var(const MtefWriter& m, char c)
{
    return m.ch(char32_t(c), W::Variable);
}

QByteArray num(const MtefWriter& m, char c)
{
    return m.ch(char32_t(c), W::Number);
}

QByteArray sym(const MtefWriter& m, char32_t c)
{
    return m.ch(c, W::Symbol);
}

// A line of ASCII characters: digits as numbers, letters as variables,
// anything else as a symbol.
QByteArray vars(const MtefWriter& m, const char* s)
{
    QList<QByteArray> items;
    for (const char* p = s; *p; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9')
            items << num(m, c);
        else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
            items << var(m, c);
        else
            items << sym(m, char32_t(c));
    }
    return m.line(items);
}

// An equation of one line: these objects, in order.
QByteArray eq(const MtefWriter& m, const QList<QByteArray>& objects)
{
    return m.equation(objects);
}

} // namespace

class EquationTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<FormulaEngine> engine;

    void typesets(const QString& latex)
    {
        const FormulaEngine::Result r = engine->typeset(latex);
        QVERIFY2(r.ok(), qPrintable(latex + u": "_s + r.error));
    }

private slots:
    void initTestCase()
    {
        engine = std::make_unique<FormulaEngine>(QStringLiteral(TIKU_FORMULA_SCRIPT));
        QString error;
        QVERIFY2(engine->load(&error), qPrintable(error));
    }

    // The quadratic formula, the whole way from \objdata: OLE 1 wrapper,
    // compound file (its streams in the mini stream), "Equation Native".
    void equationObject()
    {
        const QByteArray objdata = metafilegen::quadraticEquationObject();
        const std::optional<metafile::OleObject> ole = metafile::readOleObject(objdata);
        QVERIFY(ole);
        QCOMPARE(ole->className, u"Equation.DSMT4"_s);
        QVERIFY(metafile::isEquationClass(ole->className));
        const std::optional<metafile::CompoundFile> file = metafile::CompoundFile::read(ole->nativeData);
        QVERIFY(file);
        QStringList names;
        for (const auto& e : file->entries())
            names << e.path;
        names.sort();
        QCOMPARE(names, QStringList({u"\u0001CompObj"_s, u"\u0001Ole"_s, u"Equation Native"_s}));
        const metafile::LatexResult r = metafile::equationObjectToLatex(objdata);
        QVERIFY2(r.ok(), qPrintable(r.unknown));
        QCOMPARE(r.latex, u"x=\\frac{-b\\pm\\sqrt{b^{2}-4ac}}{2a}"_s);
        typesets(r.latex);
    }

    // A stream of 4096 bytes or more lives in the file's own sectors, not the
    // mini stream; one over 109 FAT sectors' worth needs the DIFAT.
    void largeStreams()
    {
        QByteArray big(300000, '\0');
        for (int i = 0; i < big.size(); ++i)
            big[i] = char(i * 7);
        const QByteArray file = metafilegen::compoundFile({{u"Big"_s, big}, {u"Small"_s, "tiny"}});
        const std::optional<metafile::CompoundFile> cf = metafile::CompoundFile::read(file);
        QVERIFY(cf);
        QCOMPARE(cf->stream(u"big"_s).value_or(QByteArray()), big);
        QCOMPARE(cf->stream(u"Small"_s).value_or(QByteArray()), QByteArray("tiny"));
        QVERIFY(!cf->stream(u"Missing"_s));
    }

    // Every template kind of MathType 4+ (MTEF 5) and Equation Editor 3.0
    // (MTEF 3) as LaTeX that typesets.
    void templates_data()
    {
        QTest::addColumn<QByteArray>("mtef");
        QTest::addColumn<QString>("latex");
        const MtefWriter& m = v5;
        auto row = [](const char* name, const QByteArray& mtef, const QString& latex) {
            QTest::newRow(name) << mtef << latex;
        };
        row("fraction", eq(m, {m.tmpl(11, 0, {vars(m, "1"), vars(m, "2")})}), u"\\frac{1}{2}"_s);
        row("small fraction", eq(m, {m.tmpl(11, 1, {vars(m, "1"), vars(m, "2")})}), u"\\tfrac{1}{2}"_s);
        row("slash fraction", eq(m, {m.tmpl(11, 2, {vars(m, "a"), vars(m, "b")})}), u"{a}/{b}"_s);
        row("square root", eq(m, {m.tmpl(10, 0, {vars(m, "x"), m.nullLine()})}), u"\\sqrt{x}"_s);
        row("cube root", eq(m, {m.tmpl(10, 1, {vars(m, "x"), vars(m, "3")})}), u"\\sqrt[3]{x}"_s);
        row("superscript", eq(m, {var(m, 'x'), m.tmpl(28, 0, {m.nullLine(), vars(m, "2")})}), u"x^{2}"_s);
        row("subscript", eq(m, {var(m, 'x'), m.tmpl(27, 0, {vars(m, "1"), m.nullLine()})}), u"x_{1}"_s);
        row("sub and superscript", eq(m, {var(m, 'x'), m.tmpl(29, 0, {vars(m, "i"), vars(m, "2")})}),
            u"x_{i}^{2}"_s);
        row("script after a template",
            eq(m, {var(m, 'x'), m.tmpl(28, 0, {m.nullLine(), vars(m, "2")}),
                   m.tmpl(11, 0, {vars(m, "1"), vars(m, "2")}), m.tmpl(28, 0, {m.nullLine(), vars(m, "3")})}),
            u"x^{2}\\frac{1}{2}^{3}"_s);
        row("scripts twice",
            eq(m, {var(m, 'x'), m.tmpl(28, 0, {m.nullLine(), vars(m, "2")}),
                   m.tmpl(28, 0, {m.nullLine(), vars(m, "3")})}),
            u"x^{2}{}^{3}"_s);
        row("leading scripts", eq(m, {m.tmpl(29, 1, {vars(m, "a"), vars(m, "b")}), var(m, 'X')}),
            u"{}_{a}^{b}X"_s);
        row("parentheses",
            eq(m, {m.tmpl(1, 3, {vars(m, "x+1")}), m.tmpl(28, 0, {m.nullLine(), vars(m, "2")})}),
            u"\\left(x+1\\right)^{2}"_s);
        row("angle brackets", eq(m, {m.tmpl(0, 3, {vars(m, "x")})}), u"\\left\\langle x\\right\\rangle"_s);
        row("square brackets", eq(m, {m.tmpl(3, 3, {vars(m, "x")})}), u"\\left[x\\right]"_s);
        row("absolute value", eq(m, {m.tmpl(4, 3, {vars(m, "x")})}), u"\\left|x\\right|"_s);
        row("norm", eq(m, {m.tmpl(5, 3, {vars(m, "x")})}), u"\\left\\|x\\right\\|"_s);
        row("floor", eq(m, {m.tmpl(6, 3, {vars(m, "x")})}), u"\\left\\lfloor x\\right\\rfloor"_s);
        row("ceiling", eq(m, {m.tmpl(7, 3, {vars(m, "x")})}), u"\\left\\lceil x\\right\\rceil"_s);
        row("white brackets", eq(m, {m.tmpl(8, 3, {vars(m, "x")})}),
            u"\\left[\\!\\left[x\\right]\\!\\right]"_s);
        row("right bar only", eq(m, {m.tmpl(4, 2, {vars(m, "x")})}), u"\\left.x\\right|"_s);
        row("interval", eq(m, {m.tmpl(9, 0x12, {m.line({var(m, 'a'), sym(m, ','), var(m, 'b')})})}),
            u"\\left[a,b\\right)"_s);
        row("system of equations",
            eq(m, {m.tmpl(2, 1, {m.line({m.pile(1, 1, {vars(m, "x+y=5"), vars(m, "x-y=1")})})})}),
            u"\\begin{cases}x+y=5\\\\x-y=1\\end{cases}"_s);
        row("underbar", eq(m, {m.tmpl(12, 0, {vars(m, "x")})}), u"\\underline{x}"_s);
        row("overbar", eq(m, {m.tmpl(13, 0, {vars(m, "AB")})}), u"\\overline{AB}"_s);
        row("double overbar", eq(m, {m.tmpl(13, 1, {vars(m, "x")})}), u"\\overline{\\overline{x}}"_s);
        row("arrow with text above",
            eq(m, {m.tmpl(14, 0x24, {m.line(m.chars(u"点燃"_s, W::Text)), m.ch(0x2192, W::Symbol)})}),
            u"\\xrightarrow{\\text{点燃}}"_s);
        row("left arrow, both slots", eq(m, {m.tmpl(14, 0x1C, {vars(m, "a"), vars(m, "b")})}),
            u"\\xleftarrow[b]{a}"_s);
        row("equilibrium arrows", eq(m, {m.tmpl(14, 0x06, {vars(m, "k")})}),
            u"\\overset{k}{\\rightleftharpoons}"_s);
        row("definite integral",
            eq(m, {m.tmpl(15, 0x31,
                          {m.line({var(m, 'x'), m.ch('d', W::Function, {}, true), var(m, 'x')}), vars(m, "0"),
                           vars(m, "1"), sym(m, 0x222B)})}),
            u"\\int_{0}^{1} x\\mathrm{d}x"_s);
        row("double integral, limits below",
            eq(m, {m.tmpl(15, 0x52, {vars(m, "f"), vars(m, "D"), m.nullLine()})}), u"\\iint\\limits_{D} f"_s);
        row("contour integral", eq(m, {m.tmpl(15, 0x05, {vars(m, "f")})}), u"\\oint f"_s);
        row("sum",
            eq(m, {m.tmpl(16, 0x70,
                          {m.line({var(m, 'a'), m.tmpl(27, 0, {vars(m, "i"), m.nullLine()})}), vars(m, "i=1"),
                           vars(m, "n"), sym(m, 0x2211)})}),
            u"\\sum\\limits_{i=1}^{n} a_{i}"_s);
        row("product without limits", eq(m, {m.tmpl(17, 0x40, {vars(m, "x")})}), u"\\prod x"_s);
        row("coproduct", eq(m, {m.tmpl(18, 0x70, {vars(m, "x"), vars(m, "i"), vars(m, "n")})}),
            u"\\coprod\\limits_{i}^{n} x"_s);
        row("union, lower limit", eq(m, {m.tmpl(19, 0x50, {vars(m, "A"), vars(m, "i")})}),
            u"\\bigcup\\limits_{i} A"_s);
        row("intersection at the side", eq(m, {m.tmpl(20, 0x30, {vars(m, "A"), vars(m, "i"), vars(m, "n")})}),
            u"\\bigcap\\nolimits_{i}^{n} A"_s);
        row("big operator of its own",
            eq(m, {m.tmpl(22, 0x50, {vars(m, "A"), vars(m, "i"), m.nullLine(), sym(m, 0x2295)})}),
            u"\\bigoplus\\limits_{i} A"_s);
        row("limit",
            eq(m, {m.tmpl(23, 0x10,
                          {m.line(m.chars(u"lim"_s, W::Function)),
                           m.line({var(m, 'x'), sym(m, 0x2192), num(m, '0')})}),
                   vars(m, "f")}),
            u"\\lim_{x\\rightarrow 0}f"_s);
        row("brace over", eq(m, {m.tmpl(24, 1, {vars(m, "a+b"), vars(m, "n")})}), u"\\overbrace{a+b}^{n}"_s);
        row("brace under", eq(m, {m.tmpl(24, 0, {vars(m, "a+b"), vars(m, "n")})}),
            u"\\underbrace{a+b}_{n}"_s);
        row("long division", eq(m, {num(m, '3'), m.tmpl(26, 1, {vars(m, "123"), vars(m, "41")})}),
            u"3\\begin{array}{r}41\\\\\\left)\\overline{\\,123\\,}\\right.\\end{array}"_s);
        row("bra-ket", eq(m, {m.tmpl(30, 3, {vars(m, "a"), vars(m, "b")})}),
            u"\\left\\langle a\\middle|b\\right\\rangle"_s);
        row("vector", eq(m, {m.tmpl(31, 2, {vars(m, "AB")})}), u"\\overrightarrow{AB}"_s);
        row("vector both ways", eq(m, {m.tmpl(31, 3, {vars(m, "AB")})}), u"\\overleftrightarrow{AB}"_s);
        row("arrow below", eq(m, {m.tmpl(31, 6, {vars(m, "AB")})}), u"\\underrightarrow{AB}"_s);
        row("wide tilde", eq(m, {m.tmpl(32, 0, {vars(m, "AB")})}), u"\\widetilde{AB}"_s);
        row("wide hat", eq(m, {m.tmpl(33, 0, {vars(m, "ABC")})}), u"\\widehat{ABC}"_s);
        row("arc", eq(m, {m.tmpl(34, 0, {vars(m, "AB")})}), u"\\overset{\\frown}{AB}"_s);
        row("joint status", eq(m, {m.tmpl(35, 0, {vars(m, "x")})}), u"\\left.\\overline{x}\\right|"_s);
        row("struck out", eq(m, {m.tmpl(36, 2, {vars(m, "x")})}), u"\\cancel{x}"_s);
        row("crossed out", eq(m, {m.tmpl(36, 6, {vars(m, "x")})}), u"\\xcancel{x}"_s);
        row("box", eq(m, {m.tmpl(37, 0x1E, {vars(m, "x")})}), u"\\boxed{x}"_s);
        row("matrix in parentheses",
            eq(m, {m.tmpl(
                      1, 3,
                      {m.line({m.matrix(2, 2, {vars(m, "1"), vars(m, "2"), vars(m, "3"), vars(m, "4")})})})}),
            u"\\left(\\begin{matrix}1&2\\\\3&4\\end{matrix}\\right)"_s);
        row("matrix with lines",
            eq(m, {m.matrix(2, 2, {vars(m, "1"), vars(m, "2"), vars(m, "3"), vars(m, "4")}, 2, {0, 1, 0},
                            {0, 1, 0})}),
            u"\\begin{array}{c|c}1&2\\\\\\hline 3&4\\end{array}"_s);
        row("aligned pile", eq(m, {m.pile(4, 1, {vars(m, "x=1"), vars(m, "yy=2")})}),
            u"\\begin{aligned}x&=1\\\\yy&=2\\end{aligned}"_s);
        row("left-aligned pile", eq(m, {m.pile(1, 1, {vars(m, "a"), vars(m, "bb")})}),
            u"\\begin{array}{l}a\\\\bb\\end{array}"_s);

        const MtefWriter& e = v3;
        row("v3 fraction", eq(e, {e.tmpl(14, 0, {vars(e, "1"), vars(e, "2")})}), u"\\frac{1}{2}"_s);
        row("v3 small fraction", eq(e, {e.tmpl(14, 1, {vars(e, "1"), vars(e, "2")})}), u"\\tfrac{1}{2}"_s);
        row("v3 nth root", eq(e, {e.tmpl(13, 1, {vars(e, "x"), vars(e, "3")})}), u"\\sqrt[3]{x}"_s);
        row("v3 superscript", eq(e, {var(e, 'x'), e.tmpl(15, 0, {e.nullLine(), vars(e, "2")})}), u"x^{2}"_s);
        row("v3 subscript, one slot", eq(e, {var(e, 'a'), e.tmpl(15, 1, {vars(e, "n")})}), u"a_{n}"_s);
        row("v3 parentheses", eq(e, {e.tmpl(1, 0, {vars(e, "a+b")})}), u"\\left(a+b\\right)"_s);
        row("v3 left brace",
            eq(e, {e.tmpl(2, 1, {e.line({e.pile(1, 1, {vars(e, "x>1"), vars(e, "x<3")})})})}),
            u"\\begin{cases}x>1\\\\x<3\\end{cases}"_s);
        row("v3 bracket pair ] [", eq(e, {e.tmpl(10, 0, {vars(e, "x")})}), u"\\left]x\\right["_s);
        row("v3 sum",
            eq(e, {e.tmpl(29, 1, {vars(e, "k"), vars(e, "k=1"), vars(e, "n"), e.ch(0xE5, W::Symbol)})}),
            u"\\sum\\limits_{k=1}^{n} k"_s);
        row("v3 integral",
            eq(e, {e.tmpl(21, 2, {vars(e, "f"), vars(e, "a"), vars(e, "b"), e.ch(0xF2, W::Symbol)})}),
            u"\\int_{a}^{b} f"_s);
        row("v3 limit", eq(e, {e.tmpl(39, 1, {e.line(e.chars(u"lim"_s, W::Function)), vars(e, "n")})}),
            u"\\lim_{n}"_s);
        row("v3 overbar", eq(e, {e.tmpl(17, 0, {vars(e, "AB")})}), u"\\overline{AB}"_s);
        row("v3 left arrow, text on top", eq(e, {e.tmpl(18, 0, {vars(e, "a")})}), u"\\xleftarrow{a}"_s);
        row("v3 vector", eq(e, {e.tmpl(47, 1, {vars(e, "AB")})}), u"\\overrightarrow{AB}"_s);
        row("v3 arc", eq(e, {e.tmpl(48, 0, {vars(e, "AB")})}), u"\\overset{\\frown}{AB}"_s);
        row("v3 slash fraction", eq(e, {e.tmpl(41, 1, {vars(e, "1"), vars(e, "2")})}), u"{1}/{2}"_s);
        row("v3 bra-ket", eq(e, {e.tmpl(45, 0, {vars(e, "a"), vars(e, "b")})}),
            u"\\left\\langle a\\middle|b\\right\\rangle"_s);
    }
    void templates()
    {
        QFETCH(QByteArray, mtef);
        QFETCH(QString, latex);
        const metafile::LatexResult r = metafile::mtefToLatex(mtef);
        QVERIFY2(r.ok(), qPrintable(r.unknown));
        QCOMPARE(r.latex, latex);
        typesets(r.latex);
    }

    // Characters by typeface: functions upright, variables italic, text as
    // text, Greek and symbols as commands, symbol-font positions mapped,
    // embellishments, spaces.
    void characters_data()
    {
        QTest::addColumn<QByteArray>("mtef");
        QTest::addColumn<QString>("latex");
        const MtefWriter& m = v5;
        const MtefWriter& e = v3;
        auto row = [](const char* name, const QByteArray& mtef, const QString& latex) {
            QTest::newRow(name) << mtef << latex;
        };
        row("function names",
            eq(m, m.chars(u"sin"_s, W::Function) + m.chars(u"cos"_s, W::Function) +
                      QList<QByteArray>{var(m, 'x')}),
            u"\\sin\\cos x"_s);
        row("unknown function", eq(m, m.chars(u"tg"_s, W::Function) + QList<QByteArray>{var(m, 'x')}),
            u"\\operatorname{tg}x"_s);
        row("text with Chinese",
            eq(m, m.chars(u"当 x"_s, W::Text) + QList<QByteArray>{sym(m, '>'), num(m, '0')}),
            u"\\text{当 x}>0"_s);
        row("Chinese in any typeface",
            eq(m, {var(m, 'S'), m.ch(0x6B63, W::Variable), m.ch(0x65B9, W::Variable)}), u"S\\text{正方}"_s);
        row("Greek", eq(m, {m.ch(0x03B1, W::LcGreek), sym(m, '+'), m.ch(0x0394, W::UcGreek), var(m, 'x')}),
            u"\\alpha+\\Delta x"_s);
        row("relations and operators",
            eq(m, {sym(m, 0x2264), sym(m, 0x2260), sym(m, 0x2248), sym(m, 0x00D7), sym(m, 0x00F7),
                   sym(m, 0x2220), sym(m, 0x22A5), sym(m, 0x2225), sym(m, 0x2234), sym(m, 0x2235),
                   sym(m, 0x224C)}),
            u"\\leq\\neq\\approx\\times\\div\\angle\\perp\\parallel\\therefore\\because\\cong"_s);
        row("degrees", eq(m, {num(m, '9'), num(m, '0'), sym(m, 0x00B0)}), u"90^{\\circ}"_s);
        row("TeX's special characters",
            eq(m, {sym(m, '{'), sym(m, '%'), sym(m, '}'), sym(m, '&'), sym(m, '#')}), u"\\{\\%\\}\\&\\#"_s);
        row("embellishments",
            eq(m, {m.ch('x', W::Variable, {2}), m.ch('y', W::Variable, {9}), m.ch('a', W::Variable, {11}),
                   m.ch('f', W::Variable, {5}), m.ch('z', W::Variable, {17}), m.ch('=', W::Symbol, {10})}),
            u"\\dot{x}\\hat{y}\\vec{a}f'\\bar{z}\\neq"_s);
        row("spaces",
            eq(m, {var(m, 'a'), m.ch(0xEB02, W::Space), var(m, 'b'), m.ch(0xEB05, W::Space), var(m, 'c')}),
            u"a\\,b\\quad c"_s);
        row("vectors bold", eq(m, {m.ch('a', W::Vector)}), u"\\boldsymbol{a}"_s);
        row("font positions", eq(m, {m.fontPosition('p', W::Symbol), m.fontPosition(0x4C, W::MtExtra)}),
            u"\\pi\\cdots"_s);
        row("v3 Unicode and positions",
            eq(e, {e.ch('a', W::LcGreek), e.ch(0x00B1, W::Symbol), e.ch('D', W::UcGreek),
                   e.ch(0x2264, W::Symbol), e.ch(0x4C, W::MtExtra)}),
            u"\\alpha\\pm\\Delta\\leq\\cdots"_s);
        const MtefWriter v2(2);
        row("v2 Symbol positions",
            eq(v2, {v2.ch('p', W::LcGreek), v2.ch(0xA3, W::Symbol), v2.ch(0xB4, W::Symbol)}),
            u"\\pi\\leq\\times"_s);
        row("explicit Symbol font, MTCode",
            m.equation({m.ch(0x00D7, -1), m.ch(0x03B1, -1)}, m.fontStyle5(2, false, false)),
            u"\\times\\alpha"_s);
        row("v3 explicit font", e.equation({e.ch('x', -1)}, e.font3(1, u"Times New Roman"_s, false, false)),
            u"\\mathrm{x}"_s);
    }
    void characters()
    {
        QFETCH(QByteArray, mtef);
        QFETCH(QString, latex);
        const metafile::LatexResult r = metafile::mtefToLatex(mtef);
        QVERIFY2(r.ok(), qPrintable(r.unknown));
        QCOMPARE(r.latex, latex);
        typesets(r.latex);
    }

    // What cannot be converted is named, for the teacher and the report.
    void unknownConstructs_data()
    {
        QTest::addColumn<QByteArray>("mtef");
        QTest::addColumn<QString>("unknown");
        const MtefWriter& m = v5;
        QTest::newRow("template") << eq(m, {m.tmpl(52, 0, {vars(m, "x")})}) << u"模板 52"_s;
        QTest::newRow("v3 template") << eq(v3, {v3.tmpl(60, 0, {vars(v3, "x")})}) << u"模板 60"_s;
        QTest::newRow("private character") << eq(m, {m.ch(0xE123, W::Variable)}) << u"字符 U+E123"_s;
        QTest::newRow("symbol position")
            << eq(MtefWriter(2), {MtefWriter(2).ch(0x80, W::Symbol)}) << u"字符 0x80（Symbol 字体）"_s;
        QTest::newRow("embellishment") << eq(m, {m.ch('x', W::Variable, {60})}) << u"修饰 60"_s;
        QByteArray v4 = eq(m, {vars(m, "x")});
        v4[0] = 4;
        QTest::newRow("version 4") << v4 << u"MTEF 版本 4"_s;
        const QByteArray whole = eq(m, {m.tmpl(11, 0, {vars(m, "1"), vars(m, "2")})});
        QTest::newRow("truncated") << whole.left(whole.size() - 6) << u"公式数据不完整"_s;
        QByteArray record = eq(m, {vars(m, "x")});
        record.insert(record.size() - 2, char(30));
        QTest::newRow("record type") << record << u"记录类型 30"_s;
        QByteArray deep = vars(m, "x");
        for (int i = 0; i < 150; ++i)
            deep = m.line({m.tmpl(11, 0, {deep, vars(m, "2")})});
        QTest::newRow("nested too deep") << m.equation({deep}) << u"公式嵌套过深"_s;
    }
    void unknownConstructs()
    {
        QFETCH(QByteArray, mtef);
        QFETCH(QString, unknown);
        const metafile::LatexResult r = metafile::mtefToLatex(mtef);
        QVERIFY(!r.ok());
        QVERIFY2(r.unknown.startsWith(unknown), qPrintable(r.unknown));
    }

    // Equation Editor 3.0 objects from a real Word document: every one
    // converts and typesets; a few are checked against what their pictures show.
    void realEquationObjects()
    {
        QStringList all;
        for (const QString& file :
             {u"rtf-corpus/rtfjs/wmf/source.rtf"_s, u"rtf-corpus/wpf-test/w11_w11_Formulas.rtf"_s}) {
            const QByteArray rtf = corpus::readFile(corpus::dataPath(file));
            QVERIFY2(!rtf.isEmpty(), qPrintable(file));
            for (const corpus::Piece& p : corpus::objects(rtf)) {
                if (!metafile::isEquationClass(p.kind))
                    continue;
                const metafile::LatexResult r = metafile::equationObjectToLatex(p.data);
                QVERIFY2(r.ok(), qPrintable(file + u": "_s + r.unknown + u" in "_s + r.latex));
                typesets(r.latex);
                all << r.latex;
            }
        }
        QCOMPARE(all.size(), 21);
        // Equation Editor's own objects show π or Δ (bare MTEF 2 as native
        // data); Word's (a compound file, MTEF 3) "AB∗C÷D".
        QCOMPARE(all.count(u"\\pi"_s) + all.count(u"\\Delta"_s), 20);
        QVERIFY(all.contains(u"\\Delta"_s));
        QVERIFY(all.contains(u"AB\\ast C\\div D"_s));
    }

    // Damaged objects: loops in the allocation tables and the directory,
    // sizes beyond the file, wrappers that lie; none hangs or reads outside.
    void damagedObjects()
    {
        const QByteArray good = metafilegen::compoundFile(
            {{u"Equation Native"_s, metafilegen::equationNative(metafilegen::quadraticMtef())}});
        QElapsedTimer clock;
        clock.start();
        // The FAT's first entry (its own sector) made to point at itself, and
        // the directory's chain at itself.
        QByteArray loop = good;
        loop.replace(512 + 4, 4, QByteArray("\x01\x00\x00\x00", 4));
        const auto a = metafile::CompoundFile::read(loop);
        QVERIFY(!a || a->entries().size() <= 1);
        // The root's child and a sibling pointing at each other.
        QByteArray cycle = good;
        const qsizetype dir = 512 + 512;
        cycle.replace(dir + 128 + 0x48, 4, QByteArray("\x01\x00\x00\x00", 4)); // right sibling: itself
        const auto b = metafile::CompoundFile::read(cycle);
        QVERIFY(b && b->entries().size() == 1);
        // A stream claiming more bytes than the file has.
        QByteArray big = good;
        big.replace(dir + 128 + 0x78, 4, QByteArray("\xFF\xFF\xFF\x7F", 4));
        const auto c = metafile::CompoundFile::read(big);
        QVERIFY(c);
        QVERIFY(!c->stream(u"Equation Native"_s));
        // An OLE 1 wrapper whose lengths run past its end.
        QByteArray wrapper = metafilegen::ole1Object(u"Equation.3"_s, good);
        wrapper.replace(8, 4, QByteArray("\xFF\xFF\xFF\x00", 4));
        QVERIFY(!metafile::readOleObject(wrapper));
        QVERIFY(!metafile::equationObjectToLatex(wrapper).ok());
        QVERIFY(!metafile::equationObjectToLatex(QByteArray(600, '\xD0')).ok());
        QVERIFY(clock.elapsed() < 5000);
    }
};

QTEST_MAIN(EquationTest)
#include "EquationTest.moc"
