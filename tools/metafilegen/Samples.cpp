#include "Samples.h"

#include "MetafileWriter.h"
#include "MtefWriter.h"
#include "OleWriter.h"

#include <QImage>
#include <QPainter>
#include <QtMath>

namespace metafilegen {

QByteArray formulaWmf()
{
    WmfWriter w(true, QRect(0, 0, kFormulaWidth, kFormulaHeight), 1440);
    w.setWindowOrg(0, 0).setWindowExt(kFormulaWidth, kFormulaHeight).setMapMode(8);
    w.setBkMode(1).setTextAlign(24).setTextColor(Qt::black);
    w.createFont(QStringLiteral("Times New Roman"), -240, 400, true);  // 0 italic
    w.createFont(QStringLiteral("Symbol"), -240, 400, false, 2);       // 1 symbol
    w.createFont(QStringLiteral("Times New Roman"), -240, 400, false); // 2 upright
    w.createFont(QStringLiteral("Times New Roman"), -140, 400, false); // 3 script
    w.selectObject(0).extTextOut(40, 500, "x", {120});
    w.selectObject(1).extTextOut(220, 500, "=", {140});
    // numerator
    w.extTextOut(500, 320, "-", {130});
    w.selectObject(0).extTextOut(640, 320, "b", {120});
    w.selectObject(1).extTextOut(780, 320, QByteArray(1, char(0xB1)), {140});
    w.createPen(0, 12, Qt::black); // 4
    w.selectObject(4).polyline({{940, 250}, {980, 225}, {1050, 350}, {1110, 110}, {1790, 110}});
    w.selectObject(0).extTextOut(1140, 320, "b", {120});
    w.selectObject(3).extTextOut(1265, 215, "2", {80});
    w.selectObject(1).extTextOut(1370, 320, "-", {130});
    w.selectObject(2).extTextOut(1510, 320, "4", {120});
    w.selectObject(0).extTextOut(1630, 320, "ac", {110, 110});
    // the fraction bar
    w.createBrush(0, Qt::black);  // 5
    w.createPen(5, 0, Qt::black); // 6
    w.selectObject(5).selectObject(6);
    w.polygon({{kFormulaBarLeft, kFormulaBarTop},
               {kFormulaBarRight, kFormulaBarTop},
               {kFormulaBarRight, kFormulaBarBottom},
               {kFormulaBarLeft, kFormulaBarBottom}});
    // denominator
    w.selectObject(2).extTextOut(1020, 700, "2", {120});
    w.selectObject(0).extTextOut(1140, 700, "a", {120});
    for (int i = 6; i >= 0; --i)
        w.deleteObject(i);
    return w.finish();
}

QByteArray figureWmf()
{
    // 1 unit = 1/1000 inch; 4 by 3 inches.
    WmfWriter w(true, QRect(0, 0, 4000, 3000), 1000);
    w.setWindowOrg(0, 0).setWindowExt(4000, 3000).setMapMode(8).setBkMode(1);
    w.setTextAlign(24).setTextColor(Qt::black);
    w.createPen(0, 0, QColor(0xC0, 0xC0, 0xC0));                       // 0 grid
    w.createPen(0, 12, Qt::black);                                     // 1 lines
    w.createPen(2, 0, Qt::black);                                      // 2 dashed
    w.createFont(QStringLiteral("Times New Roman"), -150, 400, true);  // 3 labels
    w.createFont(QStringLiteral("Times New Roman"), -100, 400, false); // 4 ticks
    w.createBrush(2, QColor(0x60, 0x60, 0x60), 3);                     // 5 hatched
    w.createBrush(1, Qt::white);                                       // 6 hollow
    // grid: 40 + 30 lines, each a move and a line
    w.selectObject(0);
    for (int x = 0; x <= 4000; x += 100)
        w.moveTo(x, 0).lineTo(x, 3000);
    for (int y = 0; y <= 3000; y += 100)
        w.moveTo(0, y).lineTo(4000, y);
    // axes with their ticks
    w.selectObject(1).moveTo(0, 2800).lineTo(4000, 2800).moveTo(200, 0).lineTo(200, 3000);
    for (int x = 200; x < 4000; x += 200)
        w.moveTo(x, 2770).lineTo(x, 2830);
    // tick labels
    w.selectObject(4);
    for (int x = 200; x < 4000; x += 400)
        w.extTextOut(x - 30, 2950, QByteArray::number(x / 400), {50, 50});
    for (int y = 200; y < 3000; y += 400)
        w.extTextOut(20, y + 40, QByteArray::number(y / 400), {50, 50});
    // triangle, altitude, circle, arcs
    w.selectObject(1).selectObject(6);
    w.polygon({{600, 2500}, {3400, 2500}, {1400, 600}});
    w.selectObject(2).moveTo(1400, 600).lineTo(1400, 2500);
    w.selectObject(1).ellipse(QRect(1700, 1200, 1200, 1200));
    w.arc(QRect(450, 2350, 300, 300), QPoint(750, 2500), QPoint(700, 2380));
    w.arc(QRect(3250, 2350, 300, 300), QPoint(3250, 2420), QPoint(3250, 2500));
    w.selectObject(5).pie(QRect(1900, 1400, 800, 800), QPoint(2700, 1800), QPoint(2300, 1400));
    w.rectangle(QRect(1400, 2400, 100, 100));
    // a framed title, a chord, a square with a square hole
    w.selectObject(6).roundRect(QRect(2900, 150, 1000, 350), 200, 200);
    w.selectObject(5).chord(QRect(3000, 2000, 700, 500), QPoint(3700, 2250), QPoint(3000, 2250));
    w.setPolyFillMode(1).polyPolygon({{{500, 300}, {1100, 300}, {1100, 900}, {500, 900}},
                                      {{650, 450}, {950, 450}, {950, 750}, {650, 750}}});
    w.selectObject(3);
    w.extTextOut(450, 2650, "A", {110}).extTextOut(3450, 2650, "B", {110}).extTextOut(1380, 520, "C", {110});
    w.extTextOut(1420, 2650, "D", {110}).extTextOut(2310, 1860, "O", {110});
    w.selectObject(4).extTextOut(3020, 380, "Fig. 1", {60, 50, 40, 40, 60, 60});
    return w.finish();
}

QByteArray figureEmf()
{
    EmfWriter e(QRect(0, 0, 10160, 7620)); // 4 by 3 inches
    e.setMapMode(8).setWindowOrg(0, 0).setWindowExt(4000, 3000).setViewportOrg(0, 0).setViewportExt(384, 288);
    e.setBkMode(1).setTextAlign(24).setTextColor(QColor(0, 0, 0x80));
    e.createPen(1, 0, 20, Qt::black);
    e.createBrush(2, 0, QColor(0xFF, 0xE0, 0x80));
    e.createFont(3, QStringLiteral("Times New Roman"), -150, 400, true);
    e.selectObject(1).selectObject(2);
    // a filled path with a curve
    e.beginPath().moveTo(500, 2500);
    e.polyBezierTo16({{1000, 500}, {3000, 500}, {3500, 2500}});
    e.lineTo(500, 2500).closeFigure().endPath().strokeAndFillPath();
    e.selectObject(0x80000005).rectangle(QRect(300, 300, 3400, 2400)); // NULL_BRUSH
    e.saveDc().intersectClipRect(QRect(0, 0, 2000, 3000));
    e.selectObject(0x80000004).ellipse(QRect(1700, 1700, 600, 600)); // BLACK_BRUSH, half of it clipped
    e.restoreDc(-1);
    e.selectObject(3).extTextOutW(1800, 2800, QStringLiteral("y=x²"), {110, 110, 110, 80});
    return e.finish();
}

QByteArray quadraticMtef()
{
    const MtefWriter m(5);
    using W = MtefWriter;
    QList<QByteArray> numerator{m.ch(0x2212, W::Symbol), m.ch('b', W::Variable), m.ch(0x00B1, W::Symbol)};
    QList<QByteArray> radicand{m.ch('b', W::Variable),
                               m.tmpl(28, 0, {m.typesize(1) + m.nullLine(), m.line({m.ch('2', W::Number)})}),
                               m.ch(0x2212, W::Symbol),
                               m.ch('4', W::Number),
                               m.ch('a', W::Variable),
                               m.ch('c', W::Variable)};
    numerator << m.tmpl(10, 0, {m.line(radicand), m.nullLine()});
    const QByteArray fraction =
        m.tmpl(11, 0, {m.line(numerator), m.line({m.ch('2', W::Number), m.ch('a', W::Variable)})});
    return m.equation({m.ch('x', W::Variable), m.ch('=', W::Symbol), fraction});
}

QByteArray quadraticEquationObject()
{
    return equationObject(quadraticMtef());
}

} // namespace metafilegen

namespace metafilegen {

QByteArray showcaseMtef(int version)
{
    const MtefWriter m(version);
    using W = MtefWriter;
    const bool v5 = version == 5;
    auto x = [&](char c) { return m.ch(char32_t(c), W::Variable); };
    auto n = [&](char c) { return m.ch(char32_t(c), W::Number); };
    const QByteArray cases = m.tmpl(
        2, v5 ? 1 : 1,
        {m.line({m.pile(1, 1,
                        {m.line({x('x'), m.ch('+', W::Symbol), x('y'), m.ch('=', W::Symbol), n('5')}),
                         m.line({x('x'), m.ch('-', W::Symbol), x('y'), m.ch('=', W::Symbol), n('1')})})})});
    const QByteArray sum = m.tmpl(v5 ? 16 : 29, v5 ? 0x70 : 1,
                                  {m.line({x('a')}), m.line({x('i'), m.ch('=', W::Symbol), n('1')}),
                                   m.line({x('n')}), m.ch(v5 ? 0x2211 : 0xE5, W::Symbol)});
    const QByteArray integral =
        m.tmpl(v5 ? 15 : 21, v5 ? 0x31 : 2,
               {m.line({x('f')}), m.line({n('0')}), m.line({n('1')}), m.ch(v5 ? 0x222B : 0xF2, W::Symbol)});
    const QByteArray matrix = m.tmpl(
        1, v5 ? 3 : 0,
        {m.line({m.matrix(2, 2, {m.line({n('1')}), m.line({n('0')}), m.line({n('0')}), m.line({n('1')})})})});
    const QByteArray vec = m.tmpl(v5 ? 31 : 47, v5 ? 2 : 1, {m.line({x('A'), x('B')})});
    const QByteArray root = m.tmpl(v5 ? 10 : 13, 1, {m.line({x('x')}), m.line({n('3')})});
    return m.equation({cases, sum, integral, matrix, vec, root, m.ch('x', W::Variable, {2, 5}),
                       m.ch(v5 ? 0x03B1 : 'a', W::LcGreek)});
}

} // namespace metafilegen
