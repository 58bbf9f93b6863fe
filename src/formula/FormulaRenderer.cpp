#include "formula/FormulaRenderer.h"

#include "formula/FormulaEngine.h"
#include "rtf/RtfPictures.h"

#include <QBuffer>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Picture sizes in documents are pixels at 96 dpi, as the RTF codec reads them.
constexpr qreal kPixelsPerPoint = 96.0 / 72.0;

} // namespace

QByteArray Formula::png() const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

FormulaRenderer::FormulaRenderer(FormulaEngine* engine) : engine_(engine) {}

Formula FormulaRenderer::render(const QString& source, qreal pointSize) const
{
    Formula f;
    f.source = source;
    FormulaEngine& engine = engine_ ? *engine_ : FormulaEngine::instance();
    const FormulaEngine::Result typeset = engine.typeset(source);
    if (!typeset.ok()) {
        f.error = typeset.error;
        return f;
    }
    f.svg = flattenNestedSvg(typeset.svg);
    const std::optional<QRectF> box = svgViewBox(f.svg);
    if (!box || box->width() <= 0 || box->height() <= 0) {
        // An empty formula ("{}") has nothing to show.
        f.error = u"公式是空的。"_s;
        return f;
    }
    // viewBox units are 1/1000 em; y grows downwards from the baseline.
    const qreal emPixels = pointSize * kPixelsPerPoint;
    f.size = QSizeF(box->width() / 1000.0 * emPixels, box->height() / 1000.0 * emPixels);
    f.depth = std::max<qreal>(0, box->bottom() / 1000.0 * pointSize);
    if (f.size.width() > kMaxWidth || f.size.height() > kMaxHeight) {
        const auto cm = [](qreal pixels) { return QString::number(pixels / 96 * 2.54, 'f', 1); };
        f.error = u"公式太大：排出来宽 %1 厘米、高 %2 厘米，超出了一张 A4 纸（21×29.7 厘米）。"
                  u"请把它拆成几个公式。"_s.arg(cm(f.size.width()), cm(f.size.height()));
        return f;
    }
    f.image = draw(f, kImageScale);
    if (f.image.isNull())
        f.error = u"公式排版出错：无法绘制。"_s;
    return f;
}

QImage FormulaRenderer::draw(const Formula& formula, qreal scale)
{
    QSvgRenderer svg(formula.svg.toUtf8());
    if (!svg.isValid() || formula.size.isEmpty())
        return {};
    const QSizeF size = formula.size * scale;
    // A formula larger than a sheet is refused by render(); this only
    // guards the allocation against any other caller.
    if (size.width() > kMaxWidth * kImageScale * 2 || size.height() > kMaxHeight * kImageScale * 2)
        return {};
    QImage image(int(std::ceil(size.width())), int(std::ceil(size.height())),
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    // 288 dpi at three times the size: other programs show it at the display size.
    const int dotsPerMeter = int(std::lround(96.0 * scale / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter, QRectF(QPointF(0, 0), size));
    painter.end();
    return image;
}

QTextImageFormat formulaImageFormat(const Formula& formula, QTextDocument* doc)
{
    const QByteArray png = formula.png();
    const QString name = rtf::pictureResourceName(png);
    doc->addResource(QTextDocument::ImageResource, QUrl(name), formula.image);
    QTextImageFormat f;
    f.setName(name);
    f.setWidth(formula.size.width());
    f.setHeight(formula.size.height());
    f.setProperty(rtf::PictureData, png);
    // The controls the RTF writer puts before the bytes, as for a picture
    // read from RTF: the PNG's pixels and the display size in twips.
    const QByteArray controls = "\\picw" + QByteArray::number(formula.image.width()) + "\\pich" +
                                QByteArray::number(formula.image.height()) + "\\picwgoal" +
                                QByteArray::number(qRound(formula.size.width() * 15)) + "\\pichgoal" +
                                QByteArray::number(qRound(formula.size.height() * 15)) + "\\pngblip";
    f.setProperty(rtf::PictureControls, controls);
    f.setProperty(rtf::PictureReadSize, formula.size);
    f.setProperty(rtf::FormulaSource, formula.source);
    f.setProperty(rtf::FormulaDepth, formula.depth);
    // The only vertical alignment that lets a picture reach below the
    // baseline; FormulaLayout places it exactly.
    if (formula.depth > 0)
        f.setVerticalAlignment(QTextCharFormat::AlignMiddle);
    return f;
}

bool isFormula(const QTextFormat& format)
{
    return format.isImageFormat() && format.hasProperty(rtf::FormulaSource) &&
           !format.property(rtf::FormulaSource).toString().isEmpty();
}

QString formulaSource(const QTextFormat& format)
{
    return isFormula(format) ? format.property(rtf::FormulaSource).toString() : QString();
}

QString flattenNestedSvg(const QString& svg)
{
    // Names are copied as written (namespace declarations included), so the
    // result is the same document less its nesting.
    QXmlStreamReader in(svg);
    in.setNamespaceProcessing(false);
    QString out;
    QXmlStreamWriter w(&out);
    int svgDepth = 0;
    while (!in.atEnd()) {
        switch (in.readNext()) {
        case QXmlStreamReader::StartElement: {
            const bool isSvg = in.qualifiedName() == u"svg";
            const bool nested = isSvg && svgDepth > 0;
            if (isSvg)
                ++svgDepth;
            const QXmlStreamAttributes attrs = in.attributes();
            if (!nested) {
                w.writeStartElement(in.qualifiedName().toString());
                for (const QXmlStreamAttribute& a : attrs)
                    w.writeAttribute(a.qualifiedName().toString(), a.value().toString());
                break;
            }
            w.writeStartElement(u"g"_s);
            const double x = attrs.value(u"x"_s).toDouble();
            const double y = attrs.value(u"y"_s).toDouble();
            if (x != 0 || y != 0)
                w.writeAttribute(u"transform"_s, u"translate(%1,%2)"_s.arg(x).arg(y));
            for (const QXmlStreamAttribute& a : attrs) {
                const QStringView n = a.qualifiedName();
                if (n != u"x" && n != u"y" && n != u"width" && n != u"height" && n != u"viewBox" &&
                    n != u"overflow" && !n.startsWith(u"xmlns"))
                    w.writeAttribute(n.toString(), a.value().toString());
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (in.qualifiedName() == u"svg")
                --svgDepth;
            w.writeEndElement();
            break;
        case QXmlStreamReader::Characters:
            w.writeCharacters(in.text().toString());
            break;
        default:
            break;
        }
    }
    if (in.hasError())
        return svg;
    return out;
}

std::optional<QRectF> svgViewBox(const QString& svg)
{
    QXmlStreamReader in(svg);
    in.setNamespaceProcessing(false);
    while (!in.atEnd()) {
        if (in.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (in.qualifiedName() != u"svg")
            return std::nullopt;
        const QStringList parts =
            in.attributes().value(u"viewBox"_s).toString().split(u' ', Qt::SkipEmptyParts);
        if (parts.size() != 4)
            return std::nullopt;
        double v[4];
        for (int i = 0; i < 4; ++i) {
            bool ok = false;
            v[i] = parts[i].toDouble(&ok);
            if (!ok || !std::isfinite(v[i]))
                return std::nullopt;
        }
        return QRectF(v[0], v[1], v[2], v[3]);
    }
    return std::nullopt;
}
