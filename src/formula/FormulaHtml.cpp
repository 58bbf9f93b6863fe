#include "formula/FormulaHtml.h"

#include "formula/FormulaEngine.h"
#include "formula/FormulaRenderer.h"
#include "rtf/RtfPictures.h"

#include <QHash>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>

using namespace Qt::StringLiterals;

namespace {

// The SVG as an inline element of the given size, lowered by its depth.
QString inlineSvg(const QString& svg, const QTextImageFormat& f)
{
    QString out = svg;
    const qsizetype open = out.indexOf(u"<svg"_s);
    const qsizetype end = open < 0 ? -1 : out.indexOf(u'>', open);
    if (end < 0)
        return {};
    QString tag = out.mid(open, end - open);
    static const QRegularExpression sizes(uR"( (width|height|style)="[^"]*")"_s);
    tag.remove(sizes);
    const qreal depthPx = f.property(rtf::FormulaDepth).toReal() * 96.0 / 72.0;
    tag += u" width=\"%1px\" height=\"%2px\" style=\"vertical-align: -%3px\""_s.arg(f.width(), 0, 'f', 2)
               .arg(f.height(), 0, 'f', 2)
               .arg(depthPx, 0, 'f', 2);
    out.replace(open, end - open, tag);
    return out;
}

} // namespace

QString htmlWithFormulas(const QTextDocument& doc, FormulaEngine& engine)
{
    // Each formula picture's resource name, with its SVG.
    QHash<QString, QString> svgs;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!isFormula(f))
                continue;
            const QTextImageFormat image = f.toImageFormat();
            if (svgs.contains(image.name()))
                continue;
            const FormulaEngine::Result typeset = engine.typeset(formulaSource(f));
            if (typeset.ok())
                svgs.insert(image.name(), inlineSvg(flattenNestedSvg(typeset.svg), image));
        }
    }
    QString html = doc.toHtml();
    if (svgs.isEmpty())
        return html;
    static const QRegularExpression img(uR"re(<img src="([^"]*)"[^>]*/>)re"_s);
    QString out;
    qsizetype last = 0;
    for (auto m = img.globalMatch(html); m.hasNext();) {
        const QRegularExpressionMatch match = m.next();
        const QString svg = svgs.value(match.captured(1));
        if (svg.isEmpty())
            continue;
        out += QStringView(html).mid(last, match.capturedStart() - last);
        out += svg;
        last = match.capturedEnd();
    }
    out += QStringView(html).mid(last);
    return out;
}
