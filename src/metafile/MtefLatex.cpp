#include "metafile/CompoundFile.h"
#include "metafile/Mtef.h"
#include "metafile/MtefTree.h"
#include "metafile/SymbolFonts.h"

#include "metafile/ByteReader.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace metafile {

namespace {

using mtef::Node;

// v5 template selectors; v3 ones are renumbered to these first.
enum Selector : int {
    tmAngle = 0,
    tmParen = 1,
    tmBrace = 2,
    tmBrack = 3,
    tmBar = 4,
    tmDbar = 5,
    tmFloor = 6,
    tmCeiling = 7,
    tmObrack = 8,
    tmInterval = 9,
    tmRoot = 10,
    tmFract = 11,
    tmUbar = 12,
    tmObar = 13,
    tmArrow = 14,
    tmInteg = 15,
    tmSum = 16,
    tmProd = 17,
    tmCoprod = 18,
    tmUnion = 19,
    tmInter = 20,
    tmIntOp = 21,
    tmSumOp = 22,
    tmLim = 23,
    tmHbrace = 24,
    tmHbrack = 25,
    tmLdiv = 26,
    tmSub = 27,
    tmSup = 28,
    tmSubSup = 29,
    tmDirac = 30,
    tmVec = 31,
    tmTilde = 32,
    tmHat = 33,
    tmArc = 34,
    tmJstatus = 35,
    tmStrike = 36,
    tmBox = 37,
};

// Limits of big operators and limit templates.
constexpr int kLower = 0x10;
constexpr int kUpper = 0x20;
constexpr int kSumStyle = 0x40;

// Equation Editor 3.0 numbers its templates differently: the same template
// as MathType 4's selector and variation, or false for one we do not know.
bool normaliseV3(int selector, int variation, int& sel, int& var)
{
    auto sides = [](int v) { return v == 1 ? 1 : v == 2 ? 2 : 3; };
    auto limits = [](int v, bool lowerFirst) {
        // variations: lower only, both, none (sums); or upper, lower, both (INTOP, LIM)
        if (lowerFirst)
            return v == 0 ? kLower : v == 1 ? kLower | kUpper : 0;
        return v == 0 ? kUpper : v == 1 ? kLower : kLower | kUpper;
    };
    if (selector <= 5) {
        sel = selector;
        var = sides(variation);
        return true;
    }
    switch (selector) {
    case 6:
    case 7:
        sel = selector;
        var = 3;
        return true;
    case 8: // [ [
        sel = tmInterval;
        var = 0x22;
        return true;
    case 9: // ] ]
        sel = tmInterval;
        var = 0x33;
        return true;
    case 10: // ] [
        sel = tmInterval;
        var = 0x23;
        return true;
    case 11: // [ )
        sel = tmInterval;
        var = 0x12;
        return true;
    case 12: // ( ]
        sel = tmInterval;
        var = 0x30;
        return true;
    case 13:
        sel = tmRoot;
        var = variation;
        return true;
    case 14:
        sel = tmFract;
        var = variation == 1 ? 1 : 0;
        return true;
    case 15:
        sel = variation == 0 ? tmSup : variation == 1 ? tmSub : tmSubSup;
        var = 0;
        return true;
    case 16:
    case 17:
        sel = selector == 16 ? tmUbar : tmObar;
        var = variation & 1;
        return true;
    case 18:
    case 19:
    case 20:
        sel = tmArrow;
        var = (variation == 0 ? 0x04 : 0x08) | (selector == 18 ? 0x10 : selector == 19 ? 0x20 : 0x30);
        return true;
    case 21: // single integrals
        sel = tmInteg;
        var = 1 | (variation == 3 || variation == 4 ? 4 : 0) |
              (variation == 1 || variation == 4 ? kLower
               : variation == 2                 ? kLower | kUpper
                                                : 0);
        return true;
    case 22: // double
    case 23: // triple
        sel = tmInteg;
        var = (selector == 22 ? 2 : 3) | (variation >= 2 ? 4 : 0) | (variation % 2 ? kLower : 0);
        return true;
    case 24:
        sel = tmInteg;
        var = 1 | kSumStyle | (variation == 2 ? 4 : 0) | (variation == 0 ? kLower | kUpper : kLower);
        return true;
    case 25:
    case 26:
        sel = tmInteg;
        var = (selector == 25 ? 2 : 3) | kSumStyle | (variation == 0 ? 4 : 0) | kLower;
        return true;
    case 27:
    case 28:
        sel = tmHbrace;
        var = selector == 27 ? 1 : 0;
        return true;
    case 29:
    case 31:
    case 33:
    case 35:
    case 37:
        sel = tmSum + (selector - 29) / 2;
        var = kSumStyle | limits(variation, true);
        return true;
    case 30:
    case 32:
    case 34:
    case 36:
    case 38:
        sel = tmSum + (selector - 30) / 2;
        var = limits(variation, true);
        return true;
    case 39:
        sel = tmLim;
        var = limits(variation, false);
        return true;
    case 40:
        sel = tmLdiv;
        var = variation == 0 ? 1 : 0;
        return true;
    case 41:
        sel = tmFract;
        var = variation == 1 ? 6 : variation == 2 ? 3 : 2;
        return true;
    case 42:
    case 43:
        sel = selector == 42 ? tmIntOp : tmSumOp;
        var = (selector == 43 ? kSumStyle : 0) | limits(variation, false);
        return true;
    case 44:
        sel = variation == 0 ? tmSup : variation == 1 ? tmSub : tmSubSup;
        var = 1;
        return true;
    case 45:
        sel = tmDirac;
        var = sides(variation);
        return true;
    case 46:
    case 47:
        sel = tmVec;
        var = (variation == 0 ? 1 : variation == 1 ? 2 : 3) | (selector == 46 ? 4 : 0);
        return true;
    case 48:
        sel = tmArc;
        var = 0;
        return true;
    default:
        return false;
    }
}

QString templateName(int selector)
{
    static const char16_t* const names[] = {
        u"尖括号",       u"圆括号",       u"花括号",     u"方括号",     u"绝对值",     u"范数",   u"下取整",
        u"上取整",       u"空心方括号",   u"区间",       u"根式",       u"分数",       u"下划线", u"上划线",
        u"箭头",         u"积分",         u"求和",       u"连乘",       u"余积",       u"并集",   u"交集",
        u"积分型运算符", u"求和型运算符", u"极限",       u"水平花括号", u"水平方括号", u"长除法", u"下标",
        u"上标",         u"上下标",       u"狄拉克括号", u"向量",       u"波浪号",     u"尖号",   u"弧",
        u"联合状态",     u"删除线",       u"方框"};
    if (selector >= 0 && selector < int(std::size(names)))
        return QString::fromUtf16(names[selector]);
    return {};
}

const QHash<char32_t, QString>& mathCommands()
{
    static const QHash<char32_t, QString> table = [] {
        QHash<char32_t, QString> t;
        const std::pair<char32_t, const char*> entries[] = {
            // Greek
            {0x03B1, "\\alpha"},
            {0x03B2, "\\beta"},
            {0x03B3, "\\gamma"},
            {0x03B4, "\\delta"},
            {0x03B5, "\\varepsilon"},
            {0x03F5, "\\epsilon"},
            {0x03B6, "\\zeta"},
            {0x03B7, "\\eta"},
            {0x03B8, "\\theta"},
            {0x03D1, "\\vartheta"},
            {0x03B9, "\\iota"},
            {0x03BA, "\\kappa"},
            {0x03BB, "\\lambda"},
            {0x03BC, "\\mu"},
            {0x00B5, "\\mu"},
            {0x03BD, "\\nu"},
            {0x03BE, "\\xi"},
            {0x03BF, "o"},
            {0x03C0, "\\pi"},
            {0x03D6, "\\varpi"},
            {0x03C1, "\\rho"},
            {0x03F1, "\\varrho"},
            {0x03C3, "\\sigma"},
            {0x03C2, "\\varsigma"},
            {0x03C4, "\\tau"},
            {0x03C5, "\\upsilon"},
            {0x03C6, "\\varphi"},
            {0x03D5, "\\phi"},
            {0x03C7, "\\chi"},
            {0x03C8, "\\psi"},
            {0x03C9, "\\omega"},
            {0x0393, "\\Gamma"},
            {0x0394, "\\Delta"},
            {0x2206, "\\Delta"},
            {0x0398, "\\Theta"},
            {0x039B, "\\Lambda"},
            {0x039E, "\\Xi"},
            {0x03A0, "\\Pi"},
            {0x03A3, "\\Sigma"},
            {0x03A5, "\\Upsilon"},
            {0x03D2, "\\Upsilon"},
            {0x03A6, "\\Phi"},
            {0x03A8, "\\Psi"},
            {0x03A9, "\\Omega"},
            {0x2126, "\\Omega"},
            {0x0391, "\\mathrm{A}"},
            {0x0392, "\\mathrm{B}"},
            {0x0395, "\\mathrm{E}"},
            {0x0396, "\\mathrm{Z}"},
            {0x0397, "\\mathrm{H}"},
            {0x0399, "\\mathrm{I}"},
            {0x039A, "\\mathrm{K}"},
            {0x039C, "\\mathrm{M}"},
            {0x039D, "\\mathrm{N}"},
            {0x039F, "\\mathrm{O}"},
            {0x03A1, "\\mathrm{P}"},
            {0x03A4, "\\mathrm{T}"},
            {0x03A7, "\\mathrm{X}"},
            // operators and relations
            {0x00B1, "\\pm"},
            {0x2213, "\\mp"},
            {0x00D7, "\\times"},
            {0x00F7, "\\div"},
            {0x00B7, "\\cdot"},
            {0x22C5, "\\cdot"},
            {0x2219, "\\cdot"},
            {0x2022, "\\bullet"},
            {0x2218, "\\circ"},
            {0x00B0, "\\circ"},
            {0x2212, "-"},
            {0x2217, "\\ast"},
            {0x2264, "\\leq"},
            {0x2265, "\\geq"},
            {0x2A7D, "\\leqslant"},
            {0x2A7E, "\\geqslant"},
            {0x2260, "\\neq"},
            {0x2248, "\\approx"},
            {0x2261, "\\equiv"},
            {0x2245, "\\cong"},
            {0x224C, "\\cong"},
            {0x223C, "\\sim"},
            {0x223D, "\\backsim"},
            {0x2243, "\\simeq"},
            {0x221D, "\\propto"},
            {0x226A, "\\ll"},
            {0x226B, "\\gg"},
            {0x226E, "\\nless"},
            {0x226F, "\\ngtr"},
            {0x2270, "\\nleq"},
            {0x2271, "\\ngeq"},
            {0x2282, "\\subset"},
            {0x2283, "\\supset"},
            {0x2286, "\\subseteq"},
            {0x2287, "\\supseteq"},
            {0x228A, "\\subsetneq"},
            {0x228B, "\\supsetneq"},
            {0x2284, "\\not\\subset"},
            {0x2208, "\\in"},
            {0x2209, "\\notin"},
            {0x220B, "\\ni"},
            {0x2229, "\\cap"},
            {0x222A, "\\cup"},
            {0x2205, "\\varnothing"},
            {0x2200, "\\forall"},
            {0x2203, "\\exists"},
            {0x00AC, "\\neg"},
            {0x2227, "\\wedge"},
            {0x2228, "\\vee"},
            {0x21D2, "\\Rightarrow"},
            {0x21D0, "\\Leftarrow"},
            {0x21D4, "\\Leftrightarrow"},
            {0x2192, "\\rightarrow"},
            {0x2190, "\\leftarrow"},
            {0x2194, "\\leftrightarrow"},
            {0x2191, "\\uparrow"},
            {0x2193, "\\downarrow"},
            {0x21D1, "\\Uparrow"},
            {0x21D3, "\\Downarrow"},
            {0x2195, "\\updownarrow"},
            {0x21D5, "\\Updownarrow"},
            {0x21A6, "\\mapsto"},
            {0x27F6, "\\longrightarrow"},
            {0x27F5, "\\longleftarrow"},
            {0x21CC, "\\rightleftharpoons"},
            {0x21C4, "\\rightleftarrows"},
            {0x221E, "\\infty"},
            {0x2202, "\\partial"},
            {0x2207, "\\nabla"},
            {0x2220, "\\angle"},
            {0x2221, "\\measuredangle"},
            {0x22A5, "\\perp"},
            {0x27C2, "\\perp"},
            {0x2225, "\\parallel"},
            {0x2226, "\\nparallel"},
            {0x25B3, "\\triangle"},
            {0x25B5, "\\triangle"},
            {0x25A1, "\\square"},
            {0x25CB, "\\bigcirc"},
            {0x2299, "\\odot"},
            {0x2295, "\\oplus"},
            {0x2297, "\\otimes"},
            {0x2234, "\\therefore"},
            {0x2235, "\\because"},
            {0x2026, "\\ldots"},
            {0x22EF, "\\cdots"},
            {0x22EE, "\\vdots"},
            {0x22F1, "\\ddots"},
            {0x210F, "\\hbar"},
            {0x2113, "\\ell"},
            {0x2135, "\\aleph"},
            {0x2111, "\\Im"},
            {0x211C, "\\Re"},
            {0x2118, "\\wp"},
            {0x222B, "\\int"},
            {0x222C, "\\iint"},
            {0x222D, "\\iiint"},
            {0x222E, "\\oint"},
            {0x2211, "\\sum"},
            {0x220F, "\\prod"},
            {0x2210, "\\coprod"},
            {0x22C2, "\\bigcap"},
            {0x22C3, "\\bigcup"},
            {0x221A, "\\surd"},
            {0x2329, "\\langle"},
            {0x27E8, "\\langle"},
            {0x232A, "\\rangle"},
            {0x27E9, "\\rangle"},
            {0x230A, "\\lfloor"},
            {0x230B, "\\rfloor"},
            {0x2308, "\\lceil"},
            {0x2309, "\\rceil"},
            {0x2236, ":"},
            {0x2237, "::"},
            {0x2032, "'"},
            {0x2033, "''"},
            {0x2034, "'''"},
            {0x2035, "\\backprime"},
            {0x2016, "\\|"},
            {0x22B2, "\\lhd"},
            {0x22B3, "\\rhd"},
            {0x227A, "\\prec"},
            {0x227B, "\\succ"},
            {0x2250, "\\doteq"},
            {0x019B, "\\lambda"},
            {0x25CA, "\\lozenge"},
            {0x2223, "\\mid"},
            {0x2224, "\\nmid"},
            {0x00A0, "~"},
            {0x2009, "\\,"},
            {0x2003, "\\quad"},
            {0x2002, "\\enspace"},
            // characters TeX reads as commands
            {u'{', "\\{"},
            {u'}', "\\}"},
            {u'#', "\\#"},
            {u'$', "\\$"},
            {u'%', "\\%"},
            {u'&', "\\&"},
            {u'_', "\\_"},
            {u'\\', "\\backslash"},
            {u'~', "\\sim"},
            {u'^', "\\wedge"},
            {u' ', "\\ "},
        };
        for (const auto& [c, latex] : entries)
            t.insert(c, QString::fromLatin1(latex));
        return t;
    }();
    return table;
}

bool isRelation(const QString& latex)
{
    static const QStringList relations{u"="_s,
                                       u"<"_s,
                                       u">"_s,
                                       u"\\leq"_s,
                                       u"\\geq"_s,
                                       u"\\neq"_s,
                                       u"\\approx"_s,
                                       u"\\equiv"_s,
                                       u"\\cong"_s,
                                       u"\\sim"_s,
                                       u"\\simeq"_s,
                                       u"\\propto"_s,
                                       u"\\Rightarrow"_s,
                                       u"\\Leftrightarrow"_s,
                                       u"\\rightarrow"_s,
                                       u"\\in"_s,
                                       u"\\subset"_s,
                                       u"\\subseteq"_s,
                                       u"\\supset"_s,
                                       u"\\supseteq"_s,
                                       u"\\leqslant"_s,
                                       u"\\geqslant"_s};
    return relations.contains(latex);
}

bool isCjk(char32_t c)
{
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF) ||
           (c >= 0x3000 && c <= 0x303F) || (c >= 0x20000 && c <= 0x2FFFF);
}

bool isAsciiLetter(char32_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Characters that read the same in \text{} as they look.
bool textSafe(char32_t c)
{
    if (c < 0x20 || c == 0x7F)
        return false;
    switch (c) {
    case '\\':
    case '{':
    case '}':
    case '$':
    case '%':
    case '&':
    case '#':
    case '^':
    case '_':
    case '~':
        return false;
    default:
        return !(c >= 0xE000 && c <= 0xF8FF);
    }
}

QString fromCode(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

// Appends `piece`, keeping a command name from running into a letter.
void append(QString& out, const QString& piece)
{
    if (piece.isEmpty())
        return;
    if (!out.isEmpty() && piece.front().unicode() < 0x80 && piece.front().isLetterOrNumber()) {
        qsizetype i = out.size() - 1;
        while (i >= 0 && out[i].isLetter() && out[i].unicode() < 0x80)
            --i;
        if (i >= 0 && i < out.size() - 1 && out[i] == u'\\')
            out += u' ';
    }
    out += piece;
}

class Converter
{
public:
    explicit Converter(const mtef::Equation& eq) : eq_(eq) {}

    QString unknown;

    QString line(const std::vector<Node>& items, bool markRelation = false, int depth = 0);

private:
    struct Builder
    {
        QString out;
        QString text;     // a run of text characters, for one \text{}
        QString function; // a run of function-name letters
        bool lastScript = false;
        bool markRelation = false;
        bool marked = false;

        void flush()
        {
            if (!text.isEmpty()) {
                append(out, u"\\text{"_s + text + u'}');
                text.clear();
                lastScript = false;
            }
            if (!function.isEmpty()) {
                static const QStringList known{
                    u"arccos"_s, u"arcsin"_s, u"arctan"_s, u"arg"_s, u"cos"_s, u"cosh"_s,   u"cot"_s,
                    u"coth"_s,   u"csc"_s,    u"deg"_s,    u"det"_s, u"dim"_s, u"exp"_s,    u"gcd"_s,
                    u"hom"_s,    u"inf"_s,    u"ker"_s,    u"lg"_s,  u"lim"_s, u"liminf"_s, u"limsup"_s,
                    u"ln"_s,     u"log"_s,    u"max"_s,    u"min"_s, u"Pr"_s,  u"sec"_s,    u"sin"_s,
                    u"sinh"_s,   u"sup"_s,    u"tan"_s,    u"tanh"_s};
                if (known.contains(function))
                    append(out, u'\\' + function);
                else if (function.size() == 1)
                    append(out, u"\\mathrm{"_s + function + u'}');
                else
                    append(out, u"\\operatorname{"_s + function + u'}');
                function.clear();
                lastScript = false;
            }
        }
        void add(const QString& piece, bool script = false)
        {
            flush();
            if (markRelation && !marked && isRelation(piece)) {
                out += u'&';
                marked = true;
            }
            append(out, piece);
            lastScript = script;
        }
    };

    QString slot(const Node& n, int depth);
    QString character(const Node& n, Builder& b);
    QString charLatex(char32_t c, int typeface, bool* ok);
    QString embellish(const QString& base, const std::vector<int>& embellishments);
    // A template's LaTeX; `script` tells whether it attaches to what came
    // before it as a sub- or superscript.
    QString templ(const Node& n, int depth, const Builder& b, bool* script);
    QString pile(const Node& n, int depth, bool inCases = false);
    QString matrix(const Node& n, int depth);
    void fail(const QString& what)
    {
        if (unknown.isEmpty())
            unknown = what;
    }

    const mtef::Equation& eq_;
};

QString Converter::slot(const Node& n, int depth)
{
    if (depth > 100) {
        fail(u"公式嵌套过深"_s);
        return {};
    }
    switch (n.kind) {
    case Node::Kind::Line:
        return n.null ? QString() : line(n.children, false, depth + 1);
    case Node::Kind::Pile:
        return pile(n, depth + 1);
    case Node::Kind::Matrix:
        return matrix(n, depth + 1);
    default: {
        Builder b;
        b.add(character(n, b));
        b.flush();
        return b.out;
    }
    }
}

QString Converter::charLatex(char32_t c, int typeface, bool* ok)
{
    *ok = true;
    const auto& table = mathCommands();
    if (const auto it = table.find(c); it != table.end())
        return *it;
    if (c >= 0xE000 && c <= 0xF8FF) {
        // A symbol font's position in the private-use area.
        const char16_t mapped =
            typeface == mtef::fnMtExtra ? mtExtraToUnicode(char16_t(c)) : symbolToUnicode(char16_t(c));
        if (mapped && mapped != c)
            return charLatex(mapped, typeface, ok);
        *ok = false;
        fail(u"字符 U+"_s + QString::number(quint32(c), 16).toUpper().rightJustified(4, u'0'));
        return {};
    }
    if (c < 0x20)
        return {};
    if (typeface == mtef::fnVector && isAsciiLetter(c))
        return u"\\boldsymbol{"_s + fromCode(c) + u'}';
    return fromCode(c);
}

QString Converter::embellish(const QString& base, const std::vector<int>& embellishments)
{
    QString s = base.isEmpty() ? u"{}"_s : base;
    for (int e : embellishments) {
        switch (e) {
        case 2:
            s = u"\\dot{"_s + s + u'}';
            break;
        case 3:
            s = u"\\ddot{"_s + s + u'}';
            break;
        case 4:
            s = u"\\dddot{"_s + s + u'}';
            break;
        case 24:
            s = u"\\ddddot{"_s + s + u'}';
            break;
        case 5:
            s += u'\'';
            break;
        case 6:
            s += u"''"_s;
            break;
        case 18:
            s += u"'''"_s;
            break;
        case 7:
            s = u"{}^{\\backprime}"_s + s;
            break;
        case 8:
            s = u"\\tilde{"_s + s + u'}';
            break;
        case 9:
            s = u"\\hat{"_s + s + u'}';
            break;
        case 10:
            s = s == u"="_s ? u"\\neq"_s : u"\\not{"_s + s + u'}';
            break;
        case 11:
        case 14:
            s = u"\\vec{"_s + s + u'}';
            break;
        case 12:
        case 15:
            s = u"\\overleftarrow{"_s + s + u'}';
            break;
        case 13:
            s = u"\\overleftrightarrow{"_s + s + u'}';
            break;
        case 16:
        case 22:
            s = u"\\cancel{"_s + s + u'}';
            break;
        case 17:
            s = u"\\bar{"_s + s + u'}';
            break;
        case 19:
            s = u"\\overset{\\frown}{"_s + s + u'}';
            break;
        case 20:
            s = u"\\overset{\\smile}{"_s + s + u'}';
            break;
        case 21:
            s = u"\\xcancel{"_s + s + u'}';
            break;
        case 23:
            s = u"\\bcancel{"_s + s + u'}';
            break;
        case 25:
            s = u"\\underset{\\cdot}{"_s + s + u'}';
            break;
        case 26:
            s = u"\\underset{\\cdot\\cdot}{"_s + s + u'}';
            break;
        case 27:
            s = u"\\underset{\\cdot\\cdot\\cdot}{"_s + s + u'}';
            break;
        case 28:
            s = u"\\underset{\\cdot\\cdot\\cdot\\cdot}{"_s + s + u'}';
            break;
        case 29:
            s = u"\\underline{"_s + s + u'}';
            break;
        case 30:
            s = u"\\underset{\\sim}{"_s + s + u'}';
            break;
        case 31:
            s = u"\\underset{\\frown}{"_s + s + u'}';
            break;
        case 32:
            s = u"\\underset{\\smile}{"_s + s + u'}';
            break;
        case 33:
        case 36:
            s = u"\\underrightarrow{"_s + s + u'}';
            break;
        case 34:
        case 37:
            s = u"\\underleftarrow{"_s + s + u'}';
            break;
        case 35:
            s = u"\\underleftrightarrow{"_s + s + u'}';
            break;
        default:
            fail(u"修饰 %1"_s.arg(e));
            break;
        }
    }
    return s;
}

// A character: adds it to the builder's text or function run, or returns its
// LaTeX for the builder to add.
QString Converter::character(const Node& n, Builder& b)
{
    int typeface = n.typeface;
    char32_t c = n.code;
    if (typeface == mtef::fnMarker)
        return {};
    if (typeface == mtef::fnSpace) {
        const int code = (c >= 0xE000 && c <= 0xF8FF) ? int(c & 0xFF) : int(c);
        switch (code) {
        case 0:
        case 1:
            return {};
        case 2:
            return u"\\,"_s;
        case 3:
            return u"\\:"_s;
        case 4:
        case 8:
            return u"\\;"_s;
        case 5:
            return u"\\quad"_s;
        case 6:
            return u"\\qquad"_s;
        default:
            return (c & 0xFFF0) == 0xEEF0 ? QString() : u"\\ "_s;
        }
    }

    // Explicit fonts and font positions: through the font's encoding.
    bool italic = true;
    bool bold = false;
    SymbolEncoding encoding = SymbolEncoding::None;
    if (typeface <= 0) {
        const mtef::FontStyle* font = eq_.font(eq_.version == 5 ? -typeface : typeface);
        if (font) {
            // MTEF 5 gives the character's MTCode unless it says otherwise.
            if (eq_.version != 5 || n.fontPosition)
                encoding = symbolEncodingOf(font->name);
            italic = font->italic;
            bold = font->bold;
        }
    } else if (typeface == mtef::fnSymbol || typeface == mtef::fnLcGreek || typeface == mtef::fnUcGreek) {
        // MTEF 2 gives the Symbol font's positions; Equation Editor 3.0 gives
        // Unicode, except that a Latin letter in a Greek typeface is still
        // the Symbol position of its Greek letter; MTEF 5 says which it is.
        const bool position = eq_.version == 5
                                  ? n.fontPosition
                                  : eq_.version <= 2 || (typeface != mtef::fnSymbol && isAsciiLetter(c));
        if (position)
            encoding = SymbolEncoding::Symbol;
    } else if (typeface == mtef::fnMtExtra) {
        if (eq_.version == 5 ? n.fontPosition : c < 0x100)
            encoding = SymbolEncoding::MtExtra;
    }
    if (encoding != SymbolEncoding::None && c < 0x100) {
        const char16_t mapped = mapSymbolChar(encoding, char16_t(c));
        if (!mapped) {
            fail(u"字符 0x%1（%2 字体）"_s.arg(
                QString::number(quint32(c), 16).toUpper().rightJustified(2, u'0'),
                encoding == SymbolEncoding::Symbol ? u"Symbol"_s : u"MT Extra"_s));
            return {};
        }
        c = mapped;
    }

    const bool plain = n.embellishments.empty();
    if (plain && isCjk(c)) {
        if (!b.function.isEmpty())
            b.flush();
        b.text += fromCode(c);
        return {};
    }
    if (plain && (typeface == mtef::fnText || typeface == mtef::fnTextFe) && textSafe(c)) {
        if (!b.function.isEmpty())
            b.flush();
        b.text += fromCode(c);
        return {};
    }
    if (plain && isAsciiLetter(c) && (typeface == mtef::fnFunction || (typeface <= 0 && !italic))) {
        if (!b.text.isEmpty() || (n.functionStart && !b.function.isEmpty()))
            b.flush();
        b.function += QChar(char16_t(c));
        return {};
    }
    bool ok = true;
    QString latex = charLatex(c, typeface, &ok);
    if (!ok)
        return {};
    if (bold && isAsciiLetter(c))
        latex = u"\\boldsymbol{"_s + latex + u'}';
    if (!plain)
        latex = embellish(latex, n.embellishments);
    return latex;
}

QString Converter::line(const std::vector<Node>& items, bool markRelation, int depth)
{
    Builder b;
    b.markRelation = markRelation;
    if (depth > 100) {
        fail(u"公式嵌套过深"_s);
        return {};
    }
    for (const Node& n : items) {
        switch (n.kind) {
        case Node::Kind::Char: {
            const QString latex = character(n, b);
            if (latex.isEmpty())
                break;
            // A degree sign or a prime after a script needs a base of its own.
            if (latex == u"\\circ"_s && n.code == 0x00B0) {
                b.add(b.lastScript || (b.out.isEmpty() && b.text.isEmpty() && b.function.isEmpty())
                          ? u"{}^{\\circ}"_s
                          : u"^{\\circ}"_s,
                      true);
                break;
            }
            if (latex.startsWith(u'\'') && b.lastScript) {
                b.add(u"{}"_s + latex);
                break;
            }
            b.add(latex);
            break;
        }
        case Node::Kind::Template: {
            b.flush();
            bool script = false;
            const QString latex = templ(n, depth, b, &script);
            if (!latex.isEmpty())
                b.add(latex, script);
            break;
        }
        case Node::Kind::Pile:
            b.add(pile(n, depth));
            break;
        case Node::Kind::Matrix:
            b.add(matrix(n, depth));
            break;
        case Node::Kind::Line:
            if (!n.null) {
                b.flush();
                const QString inner = line(n.children, markRelation && !b.marked, depth + 1);
                if (inner.contains(u'&'))
                    b.marked = true;
                append(b.out, inner);
                b.lastScript = false;
            }
            break;
        }
    }
    b.flush();
    return b.out;
}

QString Converter::pile(const Node& n, int depth, bool inCases)
{
    QStringList lines;
    const bool aligned = n.halign == 4 && !inCases;
    for (const Node& l : n.children) {
        if (l.kind == Node::Kind::Line)
            lines << (l.null ? QString() : line(l.children, aligned, depth + 1));
        else
            lines << slot(l, depth + 1);
    }
    if (lines.isEmpty())
        return {};
    if (inCases)
        return u"\\begin{cases}"_s + lines.join(u"\\\\"_s) + u"\\end{cases}"_s;
    if (lines.size() == 1)
        return lines.first();
    if (aligned)
        return u"\\begin{aligned}"_s + lines.join(u"\\\\"_s) + u"\\end{aligned}"_s;
    const QString column = n.halign == 1 ? u"l"_s : n.halign == 3 || n.halign == 5 ? u"r"_s : u"c"_s;
    return u"\\begin{array}{"_s + column + u'}' + lines.join(u"\\\\"_s) + u"\\end{array}"_s;
}

QString Converter::matrix(const Node& n, int depth)
{
    if (n.rows <= 0 || n.cols <= 0) {
        fail(u"空矩阵"_s);
        return {};
    }
    QStringList cells;
    for (const Node& c : n.children)
        cells << slot(c, depth + 1);
    while (cells.size() < n.rows * n.cols)
        cells << QString();
    bool lines = false;
    for (int s : n.rowLines)
        lines = lines || s != 0;
    for (int s : n.colLines)
        lines = lines || s != 0;
    const QString align = n.halign == 1 ? u"l"_s : n.halign == 3 ? u"r"_s : u"c"_s;
    QString out;
    if (!lines && align == u"c"_s) {
        out = u"\\begin{matrix}"_s;
    } else {
        QString columns;
        for (int c = 0; c <= n.cols; ++c) {
            const int style = c < int(n.colLines.size()) ? n.colLines[c] : 0;
            if (style == 1)
                columns += u'|';
            else if (style >= 2)
                columns += u':';
            if (c < n.cols)
                columns += align;
        }
        out = u"\\begin{array}{"_s + columns + u'}';
    }
    auto rule = [&](int r) {
        const int style = r < int(n.rowLines.size()) ? n.rowLines[r] : 0;
        return style == 1 ? u"\\hline "_s : style >= 2 ? u"\\hdashline "_s : QString();
    };
    for (int r = 0; r < n.rows; ++r) {
        out += rule(r);
        out += cells.mid(r * n.cols, n.cols).join(u'&');
        if (r + 1 < n.rows)
            out += u"\\\\"_s;
    }
    if (const QString last = rule(n.rows); !last.isEmpty())
        out += u"\\\\"_s + last;
    out += lines || align != u"c"_s ? u"\\end{array}"_s : u"\\end{matrix}"_s;
    return out;
}

QString Converter::templ(const Node& n, int depth, const Builder& b, bool* script)
{
    *script = false;
    int sel = n.selector;
    int var = n.variation;
    if (eq_.version != 5 && !normaliseV3(n.selector, n.variation, sel, var)) {
        fail(u"模板 %1"_s.arg(n.selector));
        return {};
    }
    if (sel > tmBox) {
        fail(u"模板 %1"_s.arg(n.selector));
        return {};
    }
    // Slots in order; characters (fences, operators) apart.
    std::vector<const Node*> parts;
    std::vector<const Node*> chars;
    for (const Node& c : n.children) {
        if (c.kind == Node::Kind::Char)
            chars.push_back(&c);
        else
            parts.push_back(&c);
    }
    auto text = [&](size_t i) { return i < parts.size() ? slot(*parts[i], depth + 1) : QString(); };
    auto nonEmpty = [&](size_t from) {
        for (size_t i = from; i < parts.size(); ++i) {
            const QString s = slot(*parts[i], depth + 1);
            if (!s.isEmpty())
                return s;
        }
        return QString();
    };
    // Lower and upper limits: main, lower, upper; with one limit, the slot
    // there is.
    auto limits = [&](QString& lower, QString& upper) {
        const bool hasLower = var & kLower;
        const bool hasUpper = var & kUpper;
        if (parts.size() >= 3) {
            lower = hasLower ? text(1) : QString();
            upper = hasUpper ? text(2) : QString();
        } else if (hasLower && !hasUpper) {
            lower = nonEmpty(1);
        } else if (hasUpper && !hasLower) {
            upper = nonEmpty(1);
        } else {
            lower = text(1);
        }
        QString s;
        if (!lower.isEmpty() || hasLower)
            s += u"_{"_s + lower + u'}';
        if (!upper.isEmpty() || hasUpper)
            s += u"^{"_s + upper + u'}';
        return s;
    };

    switch (sel) {
    case tmAngle:
    case tmParen:
    case tmBrace:
    case tmBrack:
    case tmBar:
    case tmDbar:
    case tmFloor:
    case tmCeiling:
    case tmObrack: {
        static const char* const open[] = {"\\langle", "(",        "\\{",     "[", "|",
                                           "\\|",      "\\lfloor", "\\lceil", "["};
        static const char* const close[] = {"\\rangle", ")",        "\\}",     "]", "|",
                                            "\\|",      "\\rfloor", "\\rceil", "]"};
        const bool left = (var & 3) != 2;
        const bool right = (var & 3) != 1;
        // A brace on the left of a pile: a system of equations.
        if (sel == tmBrace && left && !right && !parts.empty() && parts[0]->kind == Node::Kind::Line &&
            parts[0]->children.size() == 1 && parts[0]->children[0].kind == Node::Kind::Pile)
            return pile(parts[0]->children[0], depth + 1, true);
        const QString body = text(0);
        if (sel == tmObrack)
            return (left ? u"\\left[\\!\\left["_s : u"\\left."_s) + body +
                   (right ? u"\\right]\\!\\right]"_s : u"\\right."_s);
        QString s = u"\\left"_s + (left ? QString::fromLatin1(open[sel]) : u"."_s);
        append(s, body);
        return s + u"\\right"_s + (right ? QString::fromLatin1(close[sel]) : u"."_s);
    }
    case tmInterval: {
        static const char* const fences[] = {"(", ")", "[", "]"};
        return u"\\left"_s + QString::fromLatin1(fences[var & 3]) + text(0) + u"\\right"_s +
               QString::fromLatin1(fences[(var >> 4) & 3]);
    }
    case tmRoot:
        if (var & 1)
            return u"\\sqrt["_s + text(1) + u"]{"_s + text(0) + u'}';
        return u"\\sqrt{"_s + text(0) + u'}';
    case tmFract:
        if (var & 2)
            return u"{"_s + text(0) + u"}/{"_s + text(1) + u'}';
        return (var & 1 ? u"\\tfrac{"_s : u"\\frac{"_s) + text(0) + u"}{"_s + text(1) + u'}';
    case tmUbar:
        return var & 1 ? u"\\underline{\\underline{"_s + text(0) + u"}}"_s
                       : u"\\underline{"_s + text(0) + u'}';
    case tmObar:
        return var & 1 ? u"\\overline{\\overline{"_s + text(0) + u"}}"_s : u"\\overline{"_s + text(0) + u'}';
    case tmArrow: {
        QString top;
        QString bottom;
        if ((var & 0x0C) == 0x0C) {
            top = text(0);
            bottom = text(1);
        } else if (var & 0x04) {
            top = nonEmpty(0);
        } else {
            bottom = nonEmpty(0);
        }
        if (!(var & 3)) {
            const int dir = var & 0x30;
            const QString under = bottom.isEmpty() ? QString() : u'[' + bottom + u']';
            if (dir == 0x10)
                return u"\\xleftarrow"_s + under + u'{' + top + u'}';
            if (dir != 0x30)
                return u"\\xrightarrow"_s + under + u'{' + top + u'}';
        }
        const QString arrow = var & 2   ? u"\\rightleftharpoons"_s
                              : var & 1 ? u"\\rightleftarrows"_s
                                        : u"\\longleftrightarrow"_s;
        QString s = arrow;
        if (!bottom.isEmpty())
            s = u"\\underset{"_s + bottom + u"}{"_s + s + u'}';
        if (!top.isEmpty())
            s = u"\\overset{"_s + top + u"}{"_s + s + u'}';
        return s;
    }
    case tmInteg: {
        const int count = std::max(1, var & 3);
        QString op = count == 1   ? ((var & 0x0C) ? u"\\oint"_s : u"\\int"_s)
                     : count == 2 ? u"\\iint"_s
                                  : u"\\iiint"_s;
        QString lower;
        QString upper;
        const QString l = limits(lower, upper);
        if ((var & kSumStyle) && !l.isEmpty())
            op += u"\\limits"_s;
        return op + l + u' ' + text(0);
    }
    case tmSum:
    case tmProd:
    case tmCoprod:
    case tmUnion:
    case tmInter:
    case tmIntOp:
    case tmSumOp: {
        static const char* const ops[] = {"\\sum", "\\prod", "\\coprod", "\\bigcup", "\\bigcap"};
        QString op;
        if (sel <= tmInter) {
            op = QString::fromLatin1(ops[sel - tmSum]);
        } else {
            Builder inner;
            for (const Node* c : chars)
                inner.add(character(*c, inner));
            inner.flush();
            // The big form of an operator where TeX has one; anything else
            // made an operator.
            static const QHash<QString, QString> big{
                {u"\\sum"_s, u"\\sum"_s},          {u"\\prod"_s, u"\\prod"_s},
                {u"\\coprod"_s, u"\\coprod"_s},    {u"\\int"_s, u"\\int"_s},
                {u"\\iint"_s, u"\\iint"_s},        {u"\\iiint"_s, u"\\iiint"_s},
                {u"\\oint"_s, u"\\oint"_s},        {u"\\bigcup"_s, u"\\bigcup"_s},
                {u"\\bigcap"_s, u"\\bigcap"_s},    {u"\\cup"_s, u"\\bigcup"_s},
                {u"\\cap"_s, u"\\bigcap"_s},       {u"\\oplus"_s, u"\\bigoplus"_s},
                {u"\\otimes"_s, u"\\bigotimes"_s}, {u"\\odot"_s, u"\\bigodot"_s},
                {u"\\vee"_s, u"\\bigvee"_s},       {u"\\wedge"_s, u"\\bigwedge"_s}};
            op = big.value(inner.out, u"\\mathop{"_s + inner.out + u'}');
        }
        QString lower;
        QString upper;
        const QString l = limits(lower, upper);
        if (!l.isEmpty())
            op += var & kSumStyle ? u"\\limits"_s : u"\\nolimits"_s;
        return op + l + u' ' + text(0);
    }
    case tmLim: {
        const QString main = text(0);
        QString lower;
        QString upper;
        const QString l = limits(lower, upper);
        static const QRegularExpression command(u"^\\\\[a-zA-Z]+$"_s);
        if (command.match(main).hasMatch())
            return main + l;
        return u"\\mathop{"_s + main + u"}\\limits"_s + l;
    }
    case tmHbrace:
    case tmHbrack: {
        const QString label = text(1);
        if (var & 1)
            return u"\\overbrace{"_s + text(0) + u"}^{"_s + label + u'}';
        return u"\\underbrace{"_s + text(0) + u"}_{"_s + label + u'}';
    }
    case tmLdiv: {
        const QString division = u"\\left)\\overline{\\,"_s + text(0) + u"\\,}\\right."_s;
        if (var & 1)
            return u"\\begin{array}{r}"_s + text(1) + u"\\\\"_s + division + u"\\end{array}"_s;
        return division;
    }
    case tmSub:
    case tmSup:
    case tmSubSup: {
        QString sub;
        QString sup;
        if (parts.size() >= 2) {
            sub = text(0);
            sup = text(1);
        } else if (sel == tmSup) {
            sup = text(0);
        } else {
            sub = text(0);
        }
        QString s;
        if (sel != tmSup)
            s += u"_{"_s + sub + u'}';
        if (sel != tmSub)
            s += u"^{"_s + sup + u'}';
        // A script belongs to what comes before it; one that precedes, or
        // follows nothing or another script, gets an empty base.
        const bool precedes = var & 1;
        if (precedes || b.out.isEmpty() || b.lastScript)
            s = u"{}"_s + s;
        *script = !precedes;
        return s;
    }
    case tmDirac: {
        const bool left = (var & 3) != 2;
        const bool right = (var & 3) != 1;
        if (left && right)
            return u"\\left\\langle "_s + text(0) + u"\\middle|"_s + text(1) + u"\\right\\rangle"_s;
        if (left)
            return u"\\left\\langle "_s + nonEmpty(0) + u"\\right|"_s;
        return u"\\left|"_s + nonEmpty(0) + u"\\right\\rangle"_s;
    }
    case tmVec: {
        const QString side = (var & 3) == 3 ? u"leftright"_s : (var & 3) == 1 ? u"left"_s : u"right"_s;
        return (var & 4 ? u"\\under"_s : u"\\over"_s) + side + u"arrow{"_s + text(0) + u'}';
    }
    case tmTilde:
        return u"\\widetilde{"_s + text(0) + u'}';
    case tmHat:
        return u"\\widehat{"_s + text(0) + u'}';
    case tmArc:
        return u"\\overset{\\frown}{"_s + text(0) + u'}';
    case tmJstatus:
        return u"\\left.\\overline{"_s + text(0) + u"}\\right|"_s;
    case tmStrike: {
        const bool up = var & 2;
        const bool down = var & 4;
        const QString command = up && down ? u"\\xcancel{"_s : down ? u"\\bcancel{"_s : u"\\cancel{"_s;
        return command + text(0) + u'}';
    }
    case tmBox: {
        const int sides = var & 0x1E;
        if (sides == 0x18)
            return u"\\overline{\\underline{"_s + text(0) + u"}}"_s;
        if (sides == 0x06)
            return u"\\left|"_s + text(0) + u"\\right|"_s;
        return u"\\boxed{"_s + text(0) + u'}';
    }
    default:
        fail(u"模板 %1（%2）"_s.arg(n.selector).arg(templateName(sel)));
        return {};
    }
}

} // namespace

LatexResult mtefToLatex(QByteArrayView mtef)
{
    LatexResult result;
    mtef::Equation eq;
    QString error;
    const bool read = mtef::read(mtef, eq, error);
    Converter converter(eq);
    result.latex = converter.line(eq.root.children).trimmed();
    if (!read)
        result.unknown = error.isEmpty() ? u"公式数据无法读取"_s : error;
    else if (!converter.unknown.isEmpty())
        result.unknown = converter.unknown;
    else if (result.latex.isEmpty())
        result.unknown = u"空公式"_s;
    return result;
}

QByteArray mtefFromEquationNative(QByteArrayView stream)
{
    ByteReader r(stream);
    const quint16 headerSize = r.u16();
    r.u32(); // version
    r.u16(); // clipboard format
    const quint32 size = r.u32();
    if (r.overrun() || headerSize < 12 || headerSize >= stream.size())
        return {};
    const qsizetype available = stream.size() - headerSize;
    return stream.sliced(headerSize, size > 0 && size < quint32(available) ? qsizetype(size) : available)
        .toByteArray();
}

bool isEquationClass(QStringView className)
{
    return className.startsWith(u"Equation.DSMT", Qt::CaseInsensitive) ||
           className.compare(u"Equation.3", Qt::CaseInsensitive) == 0;
}

QByteArray mtefFromObjectData(QByteArrayView objdata, QString* className, QString* problem)
{
    auto fail = [&](const QString& why) {
        if (problem)
            *problem = why;
        return QByteArray();
    };
    const std::optional<OleObject> object = readOleObject(objdata);
    if (!object)
        return fail(u"对象数据无法读取"_s);
    if (className)
        *className = object->className;
    if (!object->embedded || object->nativeData.isEmpty())
        return fail(u"对象没有嵌入的数据"_s);
    // Word keeps an Equation Editor object's native data as a compound file
    // with an "Equation Native" stream; older writers put the stream's
    // contents, or the bare MTEF, there instead.
    const QByteArray& native = object->nativeData;
    if (!CompoundFile::looksLikeCompoundFile(native)) {
        if (native.size() > 28 && quint8(native[0]) == 28 && native[1] == 0)
            return mtefFromEquationNative(native);
        if (native.size() > 5 && quint8(native[0]) >= 2 && quint8(native[0]) <= 5)
            return native;
        return fail(u"对象的数据不是公式"_s);
    }
    QString error;
    const std::optional<CompoundFile> file = CompoundFile::read(native, &error);
    if (!file)
        return fail(error);
    const std::optional<QByteArray> stream = file->stream(u"Equation Native"_s);
    if (!stream)
        return fail(u"对象中没有公式数据（Equation Native）"_s);
    const QByteArray mtef = mtefFromEquationNative(*stream);
    if (mtef.isEmpty())
        return fail(u"公式数据的头部已损坏"_s);
    return mtef;
}

QString latexForCharacter(char32_t c)
{
    return mathCommands().value(c);
}

LatexResult equationObjectToLatex(QByteArrayView objdata)
{
    QString problem;
    const QByteArray mtef = mtefFromObjectData(objdata, nullptr, &problem);
    if (mtef.isEmpty())
        return LatexResult{QString(), problem};
    return mtefToLatex(mtef);
}

} // namespace metafile
