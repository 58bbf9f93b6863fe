#pragma once

// The little of SVG geometry that flattening MathJax's drawings needs: path
// data and transform lists read into Qt's types, and a path written back as
// path data.

#include <optional>
#include <QPainterPath>
#include <QStringView>
#include <QTransform>

// A path's "d" attribute: moves, lines (also horizontal and vertical),
// cubic and quadratic curves with their smooth forms, closes; absolute and
// relative. Arcs and malformed data give nullopt.
std::optional<QPainterPath> parseSvgPathData(QStringView d);

// The path as absolute "d" data (M, L, C and Z).
QString svgPathData(const QPainterPath& path);

// A "transform" attribute: a list of translate, scale, rotate, skewX, skewY
// and matrix, applied right to left as SVG does. Anything else gives nullopt.
std::optional<QTransform> parseSvgTransform(QStringView text);
