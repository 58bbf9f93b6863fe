#include "docx/OmmlToLatex.h"

#include "docx/XmlElement.h"
#include "metafile/Mtef.h"

#include <QHash>
#include <QStringList>

#include <optional>

using namespace Qt::StringLiterals;

namespace docx {

namespace {

bool isCjk(char32_t c)
{
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF) ||
           (c >= 0x3000 && c <= 0x303F) || (c >= 0x20000 && c <= 0x2FFFF);
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Appends `piece`, keeping a command name from running into a letter after it.
void append(QString& out, const QString& piece)
{
    if (piece.isEmpty())
        return;
    if (!out.isEmpty() && isAsciiLetter(piece.front())) {
        qsizetype i = out.size() - 1;
        while (i >= 0 && isAsciiLetter(out[i]))
            --i;
        if (i >= 0 && i < out.size() - 1 && out[i] == u'\\' && (i == 0 || out[i - 1] != u'\\'))
            out += u' ';
    }
    out += piece;
}

// Braces around anything longer than one token.
QString group(const QString& s)
{
    if (s.isEmpty())
        return u"{}"_s;
    if (s.size() == 1 && s[0] != u'{' && s[0] != u'}' && s[0] != u'\\')
        return s;
    return u'{' + s + u'}';
}

// Functions TeX knows by name.
bool isNamedFunction(const QString& name)
{
    static const QStringList known{
        u"arccos"_s, u"arcsin"_s, u"arctan"_s, u"arg"_s,    u"cos"_s,    u"cosh"_s, u"cot"_s, u"coth"_s,
        u"csc"_s,    u"deg"_s,    u"det"_s,    u"dim"_s,    u"exp"_s,    u"gcd"_s,  u"hom"_s, u"inf"_s,
        u"ker"_s,    u"lg"_s,     u"lim"_s,    u"liminf"_s, u"limsup"_s, u"ln"_s,   u"log"_s, u"max"_s,
        u"min"_s,    u"Pr"_s,     u"sec"_s,    u"sin"_s,    u"sinh"_s,   u"sup"_s,  u"tan"_s, u"tanh"_s};
    return known.contains(name);
}

bool isLimitName(const QString& name)
{
    return name == u"lim" || name == u"max" || name == u"min" || name == u"sup" || name == u"inf" ||
           name == u"liminf" || name == u"limsup";
}

bool isArrow(const QString& latex)
{
    return latex == u"\\rightarrow" || latex == u"\\leftarrow" || latex == u"\\leftrightarrow" ||
           latex == u"\\Rightarrow" || latex == u"\\Leftarrow" || latex == u"\\Leftrightarrow" ||
           latex == u"\\longrightarrow" || latex == u"\\rightleftharpoons" || latex == u"=";
}

// A delimiter character as \left and \right take it.
std::optional<QString> delimiter(const QString& c)
{
    if (c.isEmpty())
        return u"."_s;
    static const QHash<QString, QString> map{
        {u"("_s, u"("_s},         {u")"_s, u")"_s},        {u"["_s, u"["_s},
        {u"]"_s, u"]"_s},         {u"{"_s, u"\\{"_s},      {u"}"_s, u"\\}"_s},
        {u"|"_s, u"|"_s},         {u"‖"_s, u"\\|"_s},      {u"⟨"_s, u"\\langle"_s},
        {u"〈"_s, u"\\langle"_s}, {u"⟩"_s, u"\\rangle"_s}, {u"〉"_s, u"\\rangle"_s},
        {u"⌊"_s, u"\\lfloor"_s},  {u"⌋"_s, u"\\rfloor"_s}, {u"⌈"_s, u"\\lceil"_s},
        {u"⌉"_s, u"\\rceil"_s},   {u"〔"_s, u"["_s},       {u"〕"_s, u"]"_s},
        {u"［"_s, u"["_s},        {u"］"_s, u"]"_s},       {u"（"_s, u"("_s},
        {u"）"_s, u")"_s},        {u"/"_s, u"/"_s},        {u"\\"_s, u"\\backslash"_s},
    };
    const auto it = map.find(c);
    if (it == map.end())
        return std::nullopt;
    return *it;
}

bool isProperty(const QString& name)
{
    return name.endsWith(u"Pr") || name == u"m:ctrlPr" || name == u"w:rPr";
}

class Converter
{
public:
    QString problem;

    QString math(const XmlElement& e);

private:
    QString seq(const XmlElement& parent);
    QString node(const XmlElement& e);
    QString arg(const XmlElement& parent, QStringView name);
    QString run(const XmlElement& r);
    QString text(const QString& chars, const QString& style, const QString& script, bool normal);
    QString fraction(const XmlElement& e);
    QString nary(const XmlElement& e);
    QString delimited(const XmlElement& e);
    QString matrix(const XmlElement& e);
    QString equationArray(const XmlElement& e);
    QString accent(const XmlElement& e);
    QString function(const XmlElement& e);
    QString groupCharacter(const XmlElement& e);
    QString limit(const XmlElement& e, bool below);
    QString borderBox(const XmlElement& e);
    // The plain letters of an element made of runs only ("sin", "lim"); empty otherwise.
    static QString plainLetters(const XmlElement& e);
    void fail(const QString& what)
    {
        if (problem.isEmpty())
            problem = what;
    }

    int superscripts_ = 0; // inside a superscript: a degree sign is \circ there
    int arrays_ = 0;       // inside an equation array or matrix: '&' aligns
};

QString Converter::math(const XmlElement& e)
{
    if (e.name == u"m:oMathPara") {
        QStringList lines;
        for (const XmlElement& c : e.children) {
            if (c.name == u"m:oMath")
                lines << seq(c);
        }
        if (lines.size() == 1)
            return lines.front();
        return u"\\begin{gathered}"_s + lines.join(u"\\\\"_s) + u"\\end{gathered}"_s;
    }
    return seq(e);
}

QString Converter::seq(const XmlElement& parent)
{
    QString out;
    for (const XmlElement& c : parent.children) {
        if (isProperty(c.name))
            continue;
        append(out, node(c));
    }
    return out;
}

QString Converter::arg(const XmlElement& parent, QStringView name)
{
    const XmlElement* c = parent.child(name);
    return c ? seq(*c) : QString();
}

QString Converter::node(const XmlElement& e)
{
    const QString& n = e.name;
    if (n == u"m:r" || n == u"w:r")
        return run(e);
    if (n == u"m:f")
        return fraction(e);
    if (n == u"m:sSup") {
        const QString base = arg(e, u"m:e");
        ++superscripts_;
        const QString sup = arg(e, u"m:sup");
        --superscripts_;
        return group(base) + u"^{"_s + sup + u'}';
    }
    if (n == u"m:sSub")
        return group(arg(e, u"m:e")) + u"_{"_s + arg(e, u"m:sub") + u'}';
    if (n == u"m:sSubSup") {
        const QString base = arg(e, u"m:e");
        const QString sub = arg(e, u"m:sub");
        ++superscripts_;
        const QString sup = arg(e, u"m:sup");
        --superscripts_;
        return group(base) + u"_{"_s + sub + u"}^{"_s + sup + u'}';
    }
    if (n == u"m:sPre") {
        const QString sub = arg(e, u"m:sub");
        ++superscripts_;
        const QString sup = arg(e, u"m:sup");
        --superscripts_;
        return u"{}_{"_s + sub + u"}^{"_s + sup + u'}' + group(arg(e, u"m:e"));
    }
    if (n == u"m:rad") {
        const XmlElement* pr = e.child(u"m:radPr");
        const bool hide = pr && pr->hasChild(u"m:degHide") && pr->childValue(u"m:degHide") != u"0" &&
                          pr->childValue(u"m:degHide") != u"off";
        const QString degree = hide ? QString() : arg(e, u"m:deg");
        const QString body = u'{' + arg(e, u"m:e") + u'}';
        return degree.isEmpty() ? u"\\sqrt"_s + body : u"\\sqrt["_s + degree + u']' + body;
    }
    if (n == u"m:nary")
        return nary(e);
    if (n == u"m:d")
        return delimited(e);
    if (n == u"m:m")
        return matrix(e);
    if (n == u"m:eqArr")
        return equationArray(e);
    if (n == u"m:acc")
        return accent(e);
    if (n == u"m:bar") {
        const XmlElement* pr = e.child(u"m:barPr");
        const QString pos = pr ? pr->childValue(u"m:pos", u"bot"_s) : u"bot"_s;
        return (pos == u"top" ? u"\\overline{"_s : u"\\underline{"_s) + arg(e, u"m:e") + u'}';
    }
    if (n == u"m:box")
        return arg(e, u"m:e");
    if (n == u"m:borderBox")
        return borderBox(e);
    if (n == u"m:func")
        return function(e);
    if (n == u"m:groupChr")
        return groupCharacter(e);
    if (n == u"m:limLow")
        return limit(e, true);
    if (n == u"m:limUpp")
        return limit(e, false);
    if (n == u"m:phant") {
        const XmlElement* pr = e.child(u"m:phantPr");
        const QString show = pr ? pr->childValue(u"m:show", u"on"_s) : u"on"_s;
        const QString body = arg(e, u"m:e");
        return show == u"0" || show == u"off" || show == u"false" ? u"\\phantom{"_s + body + u'}' : body;
    }
    if (n == u"m:oMath" || n == u"m:e" || n == u"w:ins" || n == u"w:smartTag" || n == u"w:customXml" ||
        n == u"w:hyperlink")
        return seq(e);
    if (n == u"m:oMathPara")
        return math(e);
    if (n == u"mc:AlternateContent") {
        // The first choice is what the writer meant; the fallback repeats it.
        if (const XmlElement* choice = e.child(u"mc:Choice"))
            return seq(*choice);
        if (const XmlElement* fallback = e.child(u"mc:Fallback"))
            return seq(*fallback);
        return {};
    }
    if (n == u"w:del" || n == u"w:bookmarkStart" || n == u"w:bookmarkEnd" || n == u"w:proofErr" ||
        n == u"w:permStart" || n == u"w:permEnd" || n == u"w:commentRangeStart" ||
        n == u"w:commentRangeEnd" || n == u"m:argPr")
        return {};
    // Something we do not know: keep what it holds, and say so.
    if (n.startsWith(u"m:"))
        fail(u"公式结构 "_s + n);
    return seq(e);
}

QString Converter::run(const XmlElement& r)
{
    QString chars;
    for (const XmlElement& c : r.children) {
        if (c.name == u"m:t" || c.name == u"w:t")
            chars += c.text;
        else if (c.name == u"w:tab")
            chars += u'\t';
    }
    QString style;
    QString script;
    bool normal = false;
    if (const XmlElement* pr = r.child(u"m:rPr")) {
        style = pr->childValue(u"m:sty");
        script = pr->childValue(u"m:scr");
        const QString nor = pr->childValue(u"m:nor", u"0"_s);
        normal = nor != u"0" && nor != u"off" && nor != u"false";
    }
    if (r.name == u"w:r")
        normal = true; // ordinary text inside a formula
    return text(chars, style, script, normal);
}

QString Converter::text(const QString& chars, const QString& style, const QString& script, bool normal)
{
    QString out;
    QString textRun;   // characters for one \text{}
    QString letterRun; // Latin letters of one style command
    auto flushText = [&] {
        if (!textRun.isEmpty()) {
            append(out, u"\\text{"_s + textRun + u'}');
            textRun.clear();
        }
    };
    auto flushLetters = [&] {
        if (letterRun.isEmpty())
            return;
        QString command;
        if (script == u"double-struck")
            command = u"\\mathbb"_s;
        else if (script == u"script")
            command = u"\\mathcal"_s;
        else if (script == u"fraktur")
            command = u"\\mathfrak"_s;
        else if (script == u"sans-serif")
            command = u"\\mathsf"_s;
        else if (script == u"monospace")
            command = u"\\mathtt"_s;
        else if (style == u"p")
            command = u"\\mathrm"_s;
        else if (style == u"b")
            command = u"\\mathbf"_s;
        else if (style == u"bi")
            command = u"\\boldsymbol"_s;
        append(out, command.isEmpty() ? letterRun : command + u'{' + letterRun + u'}');
        letterRun.clear();
    };

    const QList<uint> codes = chars.toUcs4();
    for (const uint u : codes) {
        const char32_t c = u;
        // Normal text keeps what TeX's text mode takes as it is.
        const bool textSafe = c >= 0x20 && c != u'\\' && c != u'{' && c != u'}' && c != u'$' && c != u'%' &&
                              c != u'&' && c != u'#' && c != u'^' && c != u'_' && c != u'~' &&
                              !(c >= 0xE000 && c <= 0xF8FF);
        if ((normal && textSafe) || (isCjk(c) && textSafe)) {
            flushLetters();
            textRun += QString::fromUcs4(&c, 1);
            continue;
        }
        flushText();
        if (c < 0x80 && isAsciiLetter(QChar(char16_t(c)))) {
            letterRun += QChar(char16_t(c));
            continue;
        }
        flushLetters();
        if (c == u'&' && arrays_ > 0) {
            out += u'&';
            continue;
        }
        if (c == 0x00B0) { // the degree sign
            append(out, superscripts_ > 0 ? u"\\circ"_s : u"^{\\circ}"_s);
            continue;
        }
        if (c == u'\t')
            continue;
        if (c == u' ') {
            // Word keeps the spaces typed in an equation; TeX would drop them.
            out += u"\\ "_s;
            continue;
        }
        if (c < 0x20)
            continue;
        const QString command = metafile::latexForCharacter(c);
        if (!command.isEmpty()) {
            append(out, command);
            continue;
        }
        if (c >= 0xE000 && c <= 0xF8FF) {
            fail(u"公式字符 U+"_s + QString::number(quint32(c), 16).toUpper());
            continue;
        }
        append(out, QString::fromUcs4(&c, 1));
    }
    flushText();
    flushLetters();
    return out;
}

QString Converter::fraction(const XmlElement& e)
{
    const XmlElement* pr = e.child(u"m:fPr");
    const QString type = pr ? pr->childValue(u"m:type", u"bar"_s) : u"bar"_s;
    const QString num = arg(e, u"m:num");
    const QString den = arg(e, u"m:den");
    if (type == u"lin")
        return group(num) + u'/' + group(den);
    if (type == u"skw")
        return u"{}^{"_s + num + u"}/{}_{"_s + den + u'}';
    if (type == u"noBar")
        return u"\\genfrac{}{}{0pt}{}{"_s + num + u"}{"_s + den + u'}';
    return u"\\frac{"_s + num + u"}{"_s + den + u'}';
}

QString Converter::nary(const XmlElement& e)
{
    const XmlElement* pr = e.child(u"m:naryPr");
    const QString chr = pr ? pr->childValue(u"m:chr", u"∫"_s) : u"∫"_s;
    const bool integral =
        chr == u"∫" || chr == u"∬" || chr == u"∭" || chr == u"∮" || chr == u"∯" || chr == u"∰";
    const QString limLoc = pr ? pr->childValue(u"m:limLoc", integral ? u"subSup"_s : u"undOvr"_s)
                              : (integral ? u"subSup"_s : u"undOvr"_s);
    auto on = [&](QStringView name) {
        if (!pr || !pr->hasChild(name))
            return false;
        const QString v = pr->childValue(name);
        return v != u"0" && v != u"off" && v != u"false";
    };
    QString op;
    const QList<uint> codes = chr.toUcs4();
    if (!codes.isEmpty())
        op = metafile::latexForCharacter(codes.front());
    if (op.isEmpty())
        op = chr.isEmpty() ? u"\\int"_s : u"\\mathop{"_s + chr + u'}';
    if (limLoc == u"undOvr" && integral)
        op += u"\\limits"_s;
    else if (limLoc == u"subSup" && !integral)
        op += u"\\nolimits"_s;
    QString out = op;
    if (!on(u"m:subHide")) {
        const QString sub = arg(e, u"m:sub");
        if (!sub.isEmpty())
            out += u"_{"_s + sub + u'}';
    }
    if (!on(u"m:supHide")) {
        ++superscripts_;
        const QString sup = arg(e, u"m:sup");
        --superscripts_;
        if (!sup.isEmpty())
            out += u"^{"_s + sup + u'}';
    }
    return out + u'{' + arg(e, u"m:e") + u'}';
}

QString Converter::delimited(const XmlElement& e)
{
    const XmlElement* pr = e.child(u"m:dPr");
    const QString beg = pr ? pr->childValue(u"m:begChr", u"("_s) : u"("_s;
    const QString end = pr ? pr->childValue(u"m:endChr", u")"_s) : u")"_s;
    const QString sep = pr ? pr->childValue(u"m:sepChr", u"|"_s) : u"|"_s;
    std::optional<QString> left = delimiter(beg);
    std::optional<QString> right = delimiter(end);
    if (!left) {
        fail(u"公式括号 "_s + beg);
        left = u"."_s;
    }
    if (!right) {
        fail(u"公式括号 "_s + end);
        right = u"."_s;
    }
    QStringList parts;
    for (const XmlElement& c : e.children) {
        if (c.name == u"m:e")
            parts << seq(c);
    }
    QString separator = sep;
    if (sep == u"|")
        separator = u"\\mid "_s;
    else if (const QList<uint> codes = sep.toUcs4(); codes.size() == 1) {
        const QString command = metafile::latexForCharacter(codes.front());
        if (!command.isEmpty())
            separator = command + u' ';
    }
    return u"\\left"_s + *left + u' ' + parts.join(separator) + u"\\right"_s + *right;
}

QString Converter::matrix(const XmlElement& e)
{
    QStringList rows;
    ++arrays_;
    for (const XmlElement& r : e.children) {
        if (r.name != u"m:mr")
            continue;
        QStringList cells;
        for (const XmlElement& c : r.children) {
            if (c.name == u"m:e")
                cells << seq(c);
        }
        rows << cells.join(u" & "_s);
    }
    --arrays_;
    return u"\\begin{matrix}"_s + rows.join(u"\\\\"_s) + u"\\end{matrix}"_s;
}

QString Converter::equationArray(const XmlElement& e)
{
    QStringList rows;
    bool aligned = false;
    ++arrays_;
    for (const XmlElement& r : e.children) {
        if (r.name != u"m:e")
            continue;
        const QString row = seq(r);
        // An unescaped & is Word's alignment mark.
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (row[i] == u'&' && (i == 0 || row[i - 1] != u'\\'))
                aligned = true;
        }
        rows << row;
    }
    --arrays_;
    // Word centres the rows of an array without alignment marks; a system
    // of equations under a brace reads best flush left.
    if (aligned)
        return u"\\begin{aligned}"_s + rows.join(u"\\\\"_s) + u"\\end{aligned}"_s;
    return u"\\begin{array}{l}"_s + rows.join(u"\\\\"_s) + u"\\end{array}"_s;
}

QString Converter::accent(const XmlElement& e)
{
    const XmlElement* pr = e.child(u"m:accPr");
    const QString chr = pr ? pr->childValue(u"m:chr", u"\u0302"_s) : u"\u0302"_s;
    const QString base = arg(e, u"m:e");
    const bool wide = base.size() > 1 && !(base.startsWith(u'\\') && !base.contains(u' ') &&
                                           !base.contains(u'{') && base.size() < 10);
    const char16_t c = chr.isEmpty() ? 0x0302 : chr[0].unicode();
    QString command;
    switch (c) {
    case 0x0302:
    case 0x005E:
        command = wide ? u"\\widehat"_s : u"\\hat"_s;
        break;
    case 0x0303:
    case 0x007E:
        command = wide ? u"\\widetilde"_s : u"\\tilde"_s;
        break;
    case 0x0304:
    case 0x0305:
    case 0x00AF:
    case 0x203E:
        command = wide ? u"\\overline"_s : u"\\bar"_s;
        break;
    case 0x0307:
    case 0x02D9:
        command = u"\\dot"_s;
        break;
    case 0x0308:
    case 0x00A8:
        command = u"\\ddot"_s;
        break;
    case 0x20DB:
        command = u"\\dddot"_s;
        break;
    case 0x030C:
    case 0x02C7:
        command = u"\\check"_s;
        break;
    case 0x0301:
    case 0x00B4:
        command = u"\\acute"_s;
        break;
    case 0x0300:
    case 0x0060:
        command = u"\\grave"_s;
        break;
    case 0x0306:
    case 0x02D8:
        command = u"\\breve"_s;
        break;
    case 0x20D7:
    case 0x2192:
    case 0x20EF:
        command = wide ? u"\\overrightarrow"_s : u"\\vec"_s;
        break;
    case 0x20D6:
    case 0x2190:
        command = u"\\overleftarrow"_s;
        break;
    case 0x20E1:
    case 0x2194:
        command = u"\\overleftrightarrow"_s;
        break;
    case 0x0311:
    case 0x2312:
    case 0x23DC:
    case 0x2322:
        // An arc over its end points (弧 AB).
        return u"\\overset{\\frown}{"_s + base + u'}';
    default: {
        const QString over = metafile::latexForCharacter(c);
        return u"\\overset{"_s + (over.isEmpty() ? chr : over) + u"}{"_s + base + u'}';
    }
    }
    return command + u'{' + base + u'}';
}

QString Converter::plainLetters(const XmlElement& e)
{
    QString s;
    for (const XmlElement& c : e.children) {
        if (isProperty(c.name))
            continue;
        if (c.name != u"m:r")
            return {};
        for (const XmlElement& t : c.children) {
            if (t.name == u"m:t")
                s += t.text;
        }
    }
    s = s.trimmed();
    for (const QChar ch : s) {
        if (!isAsciiLetter(ch))
            return {};
    }
    return s;
}

QString Converter::function(const XmlElement& e)
{
    QString name;
    if (const XmlElement* fName = e.child(u"m:fName")) {
        const QString letters = plainLetters(*fName);
        if (!letters.isEmpty())
            name = isNamedFunction(letters) ? u'\\' + letters : u"\\operatorname{"_s + letters + u'}';
        else
            name = seq(*fName);
    }
    QString out = name;
    append(out, u'{' + arg(e, u"m:e") + u'}');
    return out;
}

QString Converter::groupCharacter(const XmlElement& e)
{
    const XmlElement* pr = e.child(u"m:groupChrPr");
    const QString chr = pr ? pr->childValue(u"m:chr", u"\u23DF"_s) : u"\u23DF"_s;
    const QString pos = pr ? pr->childValue(u"m:pos", u"bot"_s) : u"bot"_s;
    const QString base = arg(e, u"m:e");
    if (chr == u"\u23DF" || (chr == u"\u23DE" && pos == u"bot"))
        return u"\\underbrace{"_s + base + u'}';
    if (chr == u"\u23DE" || chr == u"\u23DF")
        return u"\\overbrace{"_s + base + u'}';
    QString symbol;
    if (const QList<uint> codes = chr.toUcs4(); codes.size() == 1)
        symbol = metafile::latexForCharacter(codes.front());
    if (symbol.isEmpty())
        symbol = chr;
    return (pos == u"top" ? u"\\overset{"_s : u"\\underset{"_s) + symbol + u"}{"_s + base + u'}';
}

QString Converter::limit(const XmlElement& e, bool below)
{
    const QString lim = arg(e, u"m:lim");
    if (const XmlElement* base = e.child(u"m:e")) {
        const QString letters = plainLetters(*base);
        if (below && isLimitName(letters))
            return u'\\' + letters + u"_{"_s + lim + u'}';
        const QString body = seq(*base);
        // Text above or below an arrow: 2H₂ + O₂ ==点燃== 2H₂O.
        if (isArrow(body)) {
            if (body == u"=")
                return below ? u"\\underset{"_s + lim + u"}{=}"_s : u"\\overset{"_s + lim + u"}{=}"_s;
            const bool left = body.contains(u"left") || body.contains(u"Left");
            return (left ? u"\\xleftarrow"_s : u"\\xrightarrow"_s) +
                   (below ? u"["_s + lim + u"]{}"_s : u'{' + lim + u'}');
        }
        return (below ? u"\\underset{"_s : u"\\overset{"_s) + lim + u"}{"_s + body + u'}';
    }
    return (below ? u"\\underset{"_s : u"\\overset{"_s) + lim + u"}{}"_s;
}

QString Converter::borderBox(const XmlElement& e)
{
    const XmlElement* pr = e.child(u"m:borderBoxPr");
    const QString body = arg(e, u"m:e");
    auto on = [&](QStringView name) {
        if (!pr || !pr->hasChild(name))
            return false;
        const QString v = pr->childValue(name);
        return v != u"0" && v != u"off" && v != u"false";
    };
    if (on(u"m:strikeBLTR") && on(u"m:strikeTLBR"))
        return u"\\xcancel{"_s + body + u'}';
    if (on(u"m:strikeBLTR"))
        return u"\\cancel{"_s + body + u'}';
    if (on(u"m:strikeTLBR"))
        return u"\\bcancel{"_s + body + u'}';
    if (on(u"m:hideTop") && on(u"m:hideBot") && on(u"m:hideLeft") && on(u"m:hideRight"))
        return body;
    return u"\\boxed{"_s + body + u'}';
}

} // namespace

OmmlResult ommlToLatex(const XmlElement& math)
{
    Converter c;
    OmmlResult r;
    r.latex = c.math(math).trimmed();
    // A trailing "\ " from a typed space means nothing at the end.
    while (r.latex.endsWith(u"\\ "_s))
        r.latex.chop(2);
    r.latex = r.latex.trimmed();
    r.problem = c.problem;
    if (r.latex.isEmpty() && r.problem.isEmpty())
        r.problem = u"空公式"_s;
    return r;
}

} // namespace docx
