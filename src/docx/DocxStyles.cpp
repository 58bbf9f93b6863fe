#include "docx/DocxStyles.h"

#include "docx/XmlElement.h"

#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace docx {

namespace {

template <class T> void take(std::optional<T>& under, const std::optional<T>& over)
{
    if (over)
        under = over;
}

// An on/off property: present without a value, or with "1", "true", "on".
std::optional<bool> toggle(const XmlElement& parent, QStringView name)
{
    const XmlElement* e = parent.child(name);
    if (!e)
        return std::nullopt;
    const QString v = e->attribute(u"w:val"_s, u"1"_s);
    return !(v == u"0" || v == u"false" || v == u"off" || v == u"none");
}

std::optional<QColor> color(const QString& hex)
{
    if (hex.isEmpty() || hex == u"auto")
        return std::nullopt;
    const QColor c(u'#' + hex);
    if (!c.isValid())
        return std::nullopt;
    return c;
}

std::optional<QColor> highlightColor(const QString& name)
{
    static const QHash<QString, QColor> names{
        {u"yellow"_s, QColor(255, 255, 0)},     {u"green"_s, QColor(0, 255, 0)},
        {u"cyan"_s, QColor(0, 255, 255)},       {u"magenta"_s, QColor(255, 0, 255)},
        {u"blue"_s, QColor(0, 0, 255)},         {u"red"_s, QColor(255, 0, 0)},
        {u"darkBlue"_s, QColor(0, 0, 128)},     {u"darkCyan"_s, QColor(0, 128, 128)},
        {u"darkGreen"_s, QColor(0, 128, 0)},    {u"darkMagenta"_s, QColor(128, 0, 128)},
        {u"darkRed"_s, QColor(128, 0, 0)},      {u"darkYellow"_s, QColor(128, 128, 0)},
        {u"darkGray"_s, QColor(128, 128, 128)}, {u"lightGray"_s, QColor(192, 192, 192)},
        {u"black"_s, QColor(0, 0, 0)},          {u"white"_s, QColor(255, 255, 255)},
    };
    const auto it = names.find(name);
    if (it == names.end())
        return std::nullopt;
    return *it;
}

std::optional<double> twipsToPoints(const QString& value)
{
    bool ok = false;
    const double v = value.toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::abs(v) > 1e6)
        return std::nullopt;
    return v / 20.0;
}

} // namespace

void RunProps::overlay(const RunProps& o)
{
    take(bold, o.bold);
    take(italic, o.italic);
    take(strike, o.strike);
    take(hidden, o.hidden);
    take(underline, o.underline);
    take(emphasis, o.emphasis);
    take(vertical, o.vertical);
    take(color, o.color);
    take(highlight, o.highlight);
    take(pointSize, o.pointSize);
    // A font named directly wins over a theme font of a lower layer, and
    // the other way round.
    if (o.latinFont) {
        latinFont = o.latinFont;
        latinTheme.reset();
    }
    if (o.latinTheme) {
        latinTheme = o.latinTheme;
        latinFont.reset();
    }
    if (o.eastAsiaFont) {
        eastAsiaFont = o.eastAsiaFont;
        eastAsiaTheme.reset();
    }
    if (o.eastAsiaTheme) {
        eastAsiaTheme = o.eastAsiaTheme;
        eastAsiaFont.reset();
    }
}

void ParaProps::overlay(const ParaProps& o)
{
    take(alignment, o.alignment);
    take(leftIndent, o.leftIndent);
    take(firstIndent, o.firstIndent);
    take(outlineLevel, o.outlineLevel);
    take(pageBreakBefore, o.pageBreakBefore);
    take(numbering.numId, o.numbering.numId);
    take(numbering.level, o.numbering.level);
}

RunProps readRunProps(const XmlElement& rPr)
{
    RunProps p;
    p.bold = toggle(rPr, u"w:b");
    p.italic = toggle(rPr, u"w:i");
    p.strike = toggle(rPr, u"w:strike");
    if (!p.strike)
        p.strike = toggle(rPr, u"w:dstrike");
    p.hidden = toggle(rPr, u"w:vanish");
    if (const XmlElement* u = rPr.child(u"w:u")) {
        const QString v = u->attribute(u"w:val"_s, u"single"_s);
        Underline kind = Underline::Single;
        if (v == u"none")
            kind = Underline::None;
        else if (v == u"double")
            kind = Underline::Double;
        else if (v == u"thick")
            kind = Underline::Thick;
        else if (v.startsWith(u"dotted") || v == u"dottedHeavy")
            kind = Underline::Dotted;
        else if (v.startsWith(u"dash") && !v.startsWith(u"dashDot") && !v.startsWith(u"dotDash"))
            kind = Underline::Dashed;
        else if (v.startsWith(u"dotDotDash"))
            kind = Underline::DotDotDash;
        else if (v.startsWith(u"dotDash") || v.startsWith(u"dashDot"))
            kind = Underline::DotDash;
        else if (v.startsWith(u"wav"))
            kind = Underline::Wave;
        p.underline = kind;
    }
    if (const XmlElement* em = rPr.child(u"w:em")) {
        const QString v = em->attribute(u"w:val"_s, u"dot"_s);
        if (v == u"none")
            p.emphasis = Emphasis::None;
        else if (v == u"comma")
            p.emphasis = Emphasis::Comma;
        else if (v == u"circle")
            p.emphasis = Emphasis::Circle;
        else if (v == u"underDot")
            p.emphasis = Emphasis::UnderDot;
        else
            p.emphasis = Emphasis::Dot;
    }
    if (const XmlElement* va = rPr.child(u"w:vertAlign")) {
        const QString v = va->attribute(u"w:val"_s);
        p.vertical = v == u"superscript" ? VerticalAlign::Super
                     : v == u"subscript" ? VerticalAlign::Sub
                                         : VerticalAlign::Normal;
    }
    if (const XmlElement* c = rPr.child(u"w:color")) {
        const QString v = c->attribute(u"w:val"_s);
        p.color = v == u"auto" ? std::optional<QColor>(QColor()) : color(v);
    }
    if (const XmlElement* h = rPr.child(u"w:highlight"))
        p.highlight = h->attribute(u"w:val"_s) == u"none" ? std::optional<QColor>(QColor())
                                                          : highlightColor(h->attribute(u"w:val"_s));
    if (const XmlElement* shd = rPr.child(u"w:shd"); shd && !p.highlight) {
        if (const std::optional<QColor> fill = color(shd->attribute(u"w:fill"_s)); fill && *fill != Qt::white)
            p.highlight = fill;
    }
    if (const XmlElement* sz = rPr.child(u"w:sz")) {
        bool ok = false;
        const double half = sz->attribute(u"w:val"_s).toDouble(&ok);
        if (ok && half >= 1 && half <= 3276)
            p.pointSize = half / 2.0;
    }
    if (const XmlElement* f = rPr.child(u"w:rFonts")) {
        // hAnsi is what Latin letters outside ASCII use; ascii is the one
        // teachers' papers set, and the two are nearly always the same.
        QString latin = f->attribute(u"w:ascii"_s);
        if (latin.isEmpty())
            latin = f->attribute(u"w:hAnsi"_s);
        if (!latin.isEmpty())
            p.latinFont = latin;
        else if (QString t = f->attribute(u"w:asciiTheme"_s, f->attribute(u"w:hAnsiTheme"_s)); !t.isEmpty())
            p.latinTheme = t;
        if (const QString ea = f->attribute(u"w:eastAsia"_s); !ea.isEmpty())
            p.eastAsiaFont = ea;
        else if (const QString t = f->attribute(u"w:eastAsiaTheme"_s); !t.isEmpty())
            p.eastAsiaTheme = t;
    }
    return p;
}

ParaProps readParaProps(const XmlElement& pPr)
{
    ParaProps p;
    if (const XmlElement* jc = pPr.child(u"w:jc")) {
        const QString v = jc->attribute(u"w:val"_s);
        if (v == u"center")
            p.alignment = Alignment::Center;
        else if (v == u"right" || v == u"end")
            p.alignment = Alignment::Right;
        else if (v == u"both" || v == u"distribute")
            p.alignment = Alignment::Justify;
        else
            p.alignment = Alignment::Left;
    }
    if (const XmlElement* ind = pPr.child(u"w:ind")) {
        QString left = ind->attribute(u"w:left"_s);
        if (left.isEmpty())
            left = ind->attribute(u"w:start"_s);
        if (!left.isEmpty())
            p.leftIndent = twipsToPoints(left);
        if (const QString hanging = ind->attribute(u"w:hanging"_s); !hanging.isEmpty()) {
            if (const std::optional<double> h = twipsToPoints(hanging))
                p.firstIndent = -*h;
        } else if (const QString first = ind->attribute(u"w:firstLine"_s); !first.isEmpty()) {
            p.firstIndent = twipsToPoints(first);
        }
    }
    if (const XmlElement* o = pPr.child(u"w:outlineLvl")) {
        bool ok = false;
        const int level = o->attribute(u"w:val"_s).toInt(&ok);
        if (ok && level >= 0 && level < 9)
            p.outlineLevel = level;
    }
    p.pageBreakBefore = toggle(pPr, u"w:pageBreakBefore");
    if (const XmlElement* num = pPr.child(u"w:numPr")) {
        bool ok = false;
        if (const XmlElement* id = num->child(u"w:numId")) {
            const int v = id->attribute(u"w:val"_s).toInt(&ok);
            if (ok)
                p.numbering.numId = v;
        }
        if (const XmlElement* lvl = num->child(u"w:ilvl")) {
            const int v = lvl->attribute(u"w:val"_s).toInt(&ok);
            if (ok && v >= 0 && v < 9)
                p.numbering.level = v;
        }
    }
    return p;
}

void DocxStyles::read(const QByteArray& stylesXml, const QByteArray& themeXml)
{
    if (!stylesXml.isEmpty()) {
        QXmlStreamReader xml(stylesXml);
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QString name = prefixedName(xml);
            if (name == u"w:docDefaults") {
                const XmlElement d = readElement(xml);
                if (const XmlElement* r = d.child(u"w:rPrDefault"); r && r->child(u"w:rPr"))
                    defaultRun_ = readRunProps(*r->child(u"w:rPr"));
                if (const XmlElement* p = d.child(u"w:pPrDefault"); p && p->child(u"w:pPr"))
                    defaultPara_ = readParaProps(*p->child(u"w:pPr"));
            } else if (name == u"w:style") {
                const XmlElement s = readElement(xml);
                const QString type = s.attribute(u"w:type"_s);
                if (type != u"paragraph" && type != u"character")
                    continue;
                Style style;
                style.paragraph = type == u"paragraph";
                style.basedOn = s.childValue(u"w:basedOn");
                if (const XmlElement* r = s.child(u"w:rPr"))
                    style.run = readRunProps(*r);
                if (const XmlElement* p = s.child(u"w:pPr"))
                    style.para = readParaProps(*p);
                // Word's built-in headings carry their level in the name.
                const QString styleName = s.childValue(u"w:name").toLower();
                if (!style.para.outlineLevel && styleName.startsWith(u"heading ")) {
                    bool ok = false;
                    const int level = styleName.mid(8).toInt(&ok);
                    if (ok && level >= 1 && level <= 9)
                        style.para.outlineLevel = level - 1;
                }
                const QString id = s.attribute(u"w:styleId"_s);
                if (style.paragraph && defaultParagraph_.isEmpty()) {
                    const QString def = s.attribute(u"w:default"_s);
                    if (def == u"1" || def == u"true" || def == u"on")
                        defaultParagraph_ = id;
                }
                styles_.insert(id, style);
            }
        }
    }
    if (!themeXml.isEmpty()) {
        QXmlStreamReader xml(themeXml);
        QString scheme; // "major" or "minor"
        while (!xml.atEnd()) {
            const QXmlStreamReader::TokenType t = xml.readNext();
            if (t == QXmlStreamReader::StartElement) {
                const QString name = prefixedName(xml);
                if (name == u"a:majorFont")
                    scheme = u"major"_s;
                else if (name == u"a:minorFont")
                    scheme = u"minor"_s;
                else if (!scheme.isEmpty()) {
                    const QString face = xml.attributes().value(u"typeface"_s).toString();
                    if (face.isEmpty())
                        continue;
                    if (name == u"a:latin") {
                        themeFonts_.insert(scheme + u"HAnsi"_s, face);
                        themeFonts_.insert(scheme + u"Ascii"_s, face);
                    } else if (name == u"a:ea" ||
                               (name == u"a:font" && xml.attributes().value(u"script"_s) == u"Hans")) {
                        // The simplified-Chinese face wins over the general one.
                        if (name == u"a:font" || !themeFonts_.contains(scheme + u"EastAsia"_s))
                            themeFonts_.insert(scheme + u"EastAsia"_s, face);
                    }
                }
            } else if (t == QXmlStreamReader::EndElement) {
                const QString name = prefixedName(xml);
                if (name == u"a:majorFont" || name == u"a:minorFont")
                    scheme.clear();
            }
        }
    }
}

const DocxStyles::Style* DocxStyles::style(const QString& id) const
{
    const auto it = styles_.constFind(id);
    return it == styles_.constEnd() ? nullptr : &*it;
}

RunProps DocxStyles::paragraphRunProps(const QString& paragraphStyle) const
{
    // The chain from the style up to its root, applied root first.
    std::vector<const Style*> chain;
    QString id = paragraphStyle.isEmpty() ? defaultParagraph_ : paragraphStyle;
    while (!id.isEmpty() && chain.size() < 32) {
        const Style* s = style(id);
        if (!s)
            break;
        chain.push_back(s);
        id = s->basedOn;
    }
    RunProps p = defaultRun_;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        p.overlay((*it)->run);
    return p;
}

RunProps DocxStyles::characterRunProps(const QString& characterStyle) const
{
    std::vector<const Style*> chain;
    QString id = characterStyle;
    while (!id.isEmpty() && chain.size() < 32) {
        const Style* s = style(id);
        if (!s)
            break;
        chain.push_back(s);
        id = s->basedOn;
    }
    RunProps p;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        p.overlay((*it)->run);
    return p;
}

ParaProps DocxStyles::paragraphProps(const QString& paragraphStyle) const
{
    std::vector<const Style*> chain;
    QString id = paragraphStyle.isEmpty() ? defaultParagraph_ : paragraphStyle;
    while (!id.isEmpty() && chain.size() < 32) {
        const Style* s = style(id);
        if (!s)
            break;
        chain.push_back(s);
        id = s->basedOn;
    }
    ParaProps p = defaultPara_;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        p.overlay((*it)->para);
    return p;
}

RunFormat DocxStyles::resolve(const RunProps& p) const
{
    RunFormat f;
    f.bold = p.bold.value_or(false);
    f.italic = p.italic.value_or(false);
    f.strike = p.strike.value_or(false);
    f.hidden = p.hidden.value_or(false);
    f.underline = p.underline.value_or(Underline::None);
    f.emphasis = p.emphasis.value_or(Emphasis::None);
    f.vertical = p.vertical.value_or(VerticalAlign::Normal);
    f.color = p.color.value_or(QColor());
    f.highlight = p.highlight.value_or(QColor());
    f.pointSize = p.pointSize.value_or(0);
    if (p.latinFont)
        f.latinFont = *p.latinFont;
    else if (p.latinTheme)
        f.latinFont = themeFonts_.value(*p.latinTheme);
    if (p.eastAsiaFont)
        f.eastAsiaFont = *p.eastAsiaFont;
    else if (p.eastAsiaTheme)
        f.eastAsiaFont = themeFonts_.value(*p.eastAsiaTheme);
    return f;
}

} // namespace docx
