#include "formula/FormulaHtml.h"

#include "formula/FormulaEngine.h"
#include "formula/FormulaRenderer.h"
#include "rtf/RtfPictures.h"

#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// What MathJax's SVG output is made of. Anything else (a link, a script, an
// embedded document or picture) is left out with its content; a link keeps
// its content.
const QSet<QString>& drawingElements()
{
    static const QSet<QString> names{u"svg"_s,    u"g"_s,        u"path"_s,    u"rect"_s,
                                     u"line"_s,   u"polyline"_s, u"polygon"_s, u"ellipse"_s,
                                     u"circle"_s, u"text"_s,     u"tspan"_s};
    return names;
}

// The attributes MathJax gives those elements. Not among them: href,
// style, class, id and event handlers, which a formula may set on its nodes
// (\mmlToken{mi}[href="..." style="..."]{x}) and the SVG would carry into
// the page.
const QSet<QString>& drawingAttributes()
{
    static const QSet<QString> names{u"xmlns"_s,
                                     u"xmlns:xlink"_s,
                                     u"viewBox"_s,
                                     u"width"_s,
                                     u"height"_s,
                                     u"x"_s,
                                     u"y"_s,
                                     u"x1"_s,
                                     u"y1"_s,
                                     u"x2"_s,
                                     u"y2"_s,
                                     u"cx"_s,
                                     u"cy"_s,
                                     u"r"_s,
                                     u"rx"_s,
                                     u"ry"_s,
                                     u"d"_s,
                                     u"points"_s,
                                     u"transform"_s,
                                     u"fill"_s,
                                     u"stroke"_s,
                                     u"stroke-width"_s,
                                     u"stroke-dasharray"_s,
                                     u"stroke-linecap"_s,
                                     u"stroke-linejoin"_s,
                                     u"stroke-miterlimit"_s,
                                     u"opacity"_s,
                                     u"fill-opacity"_s,
                                     u"stroke-opacity"_s,
                                     u"font-family"_s,
                                     u"font-size"_s,
                                     u"font-style"_s,
                                     u"font-weight"_s,
                                     u"text-anchor"_s,
                                     u"role"_s,
                                     u"focusable"_s,
                                     u"aria-hidden"_s,
                                     u"data-c"_s,
                                     u"data-mml-node"_s,
                                     u"data-mjx-texclass"_s,
                                     u"data-variant"_s,
                                     u"data-line"_s,
                                     u"data-frame"_s};
    return names;
}

// A colour as MathJax writes one. \color passes a name it does not know
// through as it is, so a paint such as url(...) would reach the page.
bool isColour(const QString& value)
{
    static const QRegularExpression colour(uR"(^(#[0-9A-Fa-f]{3,8}|[A-Za-z]+|rgba?\([0-9.,% ]*\))$)"_s);
    return colour.match(value).hasMatch();
}

// The SVG with only the elements and attributes of a drawing.
QString sanitizedSvg(const QString& svg)
{
    QXmlStreamReader in(svg);
    in.setNamespaceProcessing(false);
    QString out;
    QXmlStreamWriter w(&out);
    int skipped = 0; // depth inside an element left out with its content
    int textDepth = 0;
    std::vector<bool> written; // per open element: whether its tag was written
    while (!in.atEnd()) {
        switch (in.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QString name = in.qualifiedName().toString();
            if (skipped > 0) {
                ++skipped;
                break;
            }
            if (!drawingElements().contains(name)) {
                if (name == u"a")
                    written.push_back(false); // its content stays
                else
                    skipped = 1;
                break;
            }
            written.push_back(true);
            if (name == u"text" || name == u"tspan")
                ++textDepth;
            w.writeStartElement(name);
            for (const QXmlStreamAttribute& a : in.attributes()) {
                const QString attribute = a.qualifiedName().toString();
                const QString value = a.value().toString();
                if (!drawingAttributes().contains(attribute))
                    continue;
                if ((attribute == u"fill" || attribute == u"stroke") && !isColour(value))
                    continue;
                w.writeAttribute(attribute, value);
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (skipped > 0) {
                --skipped;
                break;
            }
            if (written.empty())
                break;
            if (written.back()) {
                const QStringView name = in.qualifiedName();
                if (name == u"text" || name == u"tspan")
                    --textDepth;
                w.writeEndElement();
            }
            written.pop_back();
            break;
        case QXmlStreamReader::Characters:
            if (skipped == 0 && textDepth > 0)
                w.writeCharacters(in.text().toString());
            break;
        default:
            break;
        }
    }
    if (in.hasError())
        return {};
    return out;
}

// The SVG as an inline element of the given size, lowered by its depth.
QString inlineSvg(const QString& svg, const QTextImageFormat& f)
{
    QString out = svg;
    const qsizetype open = out.indexOf(u"<svg"_s);
    const qsizetype end = open < 0 ? -1 : out.indexOf(u'>', open);
    if (end < 0)
        return {};
    QString tag = out.mid(open, end - open);
    if (tag.endsWith(u'/'))
        tag.chop(1);
    static const QRegularExpression sizes(uR"( (width|height|style)="[^"]*")"_s);
    tag.remove(sizes);
    const qreal depthPx = f.property(rtf::FormulaDepth).toReal() * 96.0 / 72.0;
    tag += u" width=\"%1px\" height=\"%2px\" style=\"vertical-align: -%3px\""_s.arg(f.width(), 0, 'f', 2)
               .arg(f.height(), 0, 'f', 2)
               .arg(depthPx, 0, 'f', 2);
    out.replace(open, end - open, tag);
    return out;
}

// A formula that is not typeset: its picture in the page itself (a browser
// cannot reach the document's resources), its source as its text.
QString embeddedPicture(const QTextImageFormat& f)
{
    const QByteArray png = f.property(rtf::PictureData).toByteArray();
    if (rtf::pngSize(png).isEmpty())
        return {};
    const qreal depthPx = f.property(rtf::FormulaDepth).toReal() * 96.0 / 72.0;
    return u"<img src=\"data:image/png;base64,%1\" width=\"%2\" height=\"%3\" alt=\"%4\" "
           u"style=\"vertical-align: -%5px\" />"_s.arg(QString::fromLatin1(png.toBase64()))
               .arg(f.width(), 0, 'f', 2)
               .arg(f.height(), 0, 'f', 2)
               .arg((u'$' + formulaSource(f) + u'$').toHtmlEscaped())
               .arg(depthPx, 0, 'f', 2);
}

} // namespace

QString htmlWithFormulas(const QTextDocument& doc, FormulaEngine& engine, int* leftForTime, int budgetMs)
{
    // Each formula picture's resource name, with what stands for it.
    QHash<QString, QString> formulas;
    int left = 0;
    QElapsedTimer clock;
    clock.start();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!isFormula(f))
                continue;
            const QTextImageFormat image = f.toImageFormat();
            if (formulas.contains(image.name()))
                continue;
            const qint64 remaining = budgetMs - clock.elapsed();
            if (remaining <= 0) {
                ++left;
                formulas.insert(image.name(), embeddedPicture(image));
                continue;
            }
            // The last formula gets what is left of the budget.
            const FormulaEngine::Result typeset = engine.typeset(formulaSource(f), int(remaining));
            QString svg;
            if (typeset.ok())
                svg = inlineSvg(sanitizedSvg(flattenNestedSvg(typeset.svg)), image);
            else if (clock.elapsed() >= budgetMs)
                ++left;
            formulas.insert(image.name(), svg.isEmpty() ? embeddedPicture(image) : svg);
        }
    }
    if (leftForTime)
        *leftForTime = left;
    QString html = doc.toHtml();
    if (formulas.isEmpty())
        return html;
    static const QRegularExpression img(uR"re(<img src="([^"]*)"[^>]*/>)re"_s);
    QString out;
    qsizetype last = 0;
    for (auto m = img.globalMatch(html); m.hasNext();) {
        const QRegularExpressionMatch match = m.next();
        const QString formula = formulas.value(match.captured(1));
        if (formula.isEmpty())
            continue;
        out += QStringView(html).mid(last, match.capturedStart() - last);
        out += formula;
        last = match.capturedEnd();
    }
    out += QStringView(html).mid(last);
    return out;
}
