#pragma once

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

class FormulaEngine;
class QTextDocument;
class QTextFormat;
class QTextImageFormat;

// A typeset formula, ready to sit in a line of text.
struct Formula
{
    QString source;  // the LaTeX as typed
    QString svg;     // MathJax's SVG, flattened for QSvgRenderer
    QSizeF size;     // display size in pixels at 96 dpi (the unit of picture sizes in documents)
    qreal depth = 0; // points the formula reaches below the text's baseline
    QImage image;    // the picture, at FormulaRenderer::kImageScale times the display size
    QString error;   // why there is no formula, for the teacher; empty when there is one

    bool ok() const { return error.isEmpty(); }
    // The picture as PNG bytes (with its resolution, so other programs size it right).
    QByteArray png() const;
};

// Typesets a formula for a given font size: MathJax lays out in units of
// 1/1000 em, so the em is the point size of the surrounding text and the
// formula matches it. Width, height and depth come from the SVG's viewBox
// (QSvgRenderer ignores MathJax's ex sizes).
class FormulaRenderer
{
public:
    // Printed papers stay sharp at three times the display size.
    static constexpr int kImageScale = 3;
    // No formula is larger than a sheet of A4 (210 x 297 mm, in pixels at
    // 96 dpi): a larger one cannot be printed, and its picture would take
    // gigabytes (\rule{1000em}{1000em} is 3.7 m square). One that is larger
    // is refused with its size.
    static constexpr double kMaxWidth = 210 / 25.4 * 96;
    static constexpr double kMaxHeight = 297 / 25.4 * 96;

    // Renders with `engine`; the program's engine by default.
    explicit FormulaRenderer(FormulaEngine* engine = nullptr);

    Formula render(const QString& source, qreal pointSize) const;
    // The same formula drawn `scale` times its display size (the editor's preview).
    static QImage draw(const Formula& formula, qreal scale);

private:
    FormulaEngine* engine_;
};

// The inline picture of `formula`: its image becomes a resource of `doc`, the
// format carries the PNG, the source and the depth, and sits on the baseline
// once installFormulaLayout() is in place.
QTextImageFormat formulaImageFormat(const Formula& formula, QTextDocument* doc);
bool isFormula(const QTextFormat& format);
QString formulaSource(const QTextFormat& format);

// MathJax nests <svg> elements (for example around labelled rows), and
// QSvgRenderer drops nested ones: each becomes a group shifted by its x and y.
QString flattenNestedSvg(const QString& svg);
// The viewBox of the root element.
std::optional<QRectF> svgViewBox(const QString& svg);
