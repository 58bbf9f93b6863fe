#pragma once

// Pictures and equations as teachers' Word papers hold them, written record
// by record: for the tests, the benchmarks and the LibreOffice comparison.

#include <QByteArray>

namespace metafilegen {

// A MathType-style formula picture (placeable WMF, 1440 units per inch):
// x = (−b ± √(b²−4ac)) / 2a in Times New Roman and Symbol, the radical drawn
// as a polyline and the fraction bar as a filled polygon.
QByteArray formulaWmf();
// The fraction bar of formulaWmf(), in its logical units: top, bottom, left, right.
constexpr int kFormulaBarTop = 400;
constexpr int kFormulaBarBottom = 416;
constexpr int kFormulaBarLeft = 480;
constexpr int kFormulaBarRight = 1800;
constexpr int kFormulaWidth = 2000;
constexpr int kFormulaHeight = 900;

// A geometry figure of a few hundred records (placeable WMF): a coordinate
// grid, a triangle with its altitude, a circle, angle arcs, a shaded sector,
// dashed lines and labels.
QByteArray figureWmf();
// A figure as an EMF: paths, Béziers, a world transform, clipping, text.
QByteArray figureEmf();

// The quadratic formula as MathType writes it (MTEF version 5) and as an
// equation object's \objdata (Equation.DSMT4).
QByteArray quadraticMtef();
QByteArray quadraticEquationObject();
// An MTEF stream (version 5 or 3) with fences, a system of equations, a
// sum, an integral, a matrix, a vector, embellishments: a seed for fuzzing.
QByteArray showcaseMtef(int version);

} // namespace metafilegen
