#include "app/CoverArt.h"

#include <QFont>
#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSvgRenderer>

using namespace Qt::StringLiterals;

namespace {

QFont cjkFont(int pixelSize, bool bold)
{
    QFont f(u"Noto Serif CJK SC"_s);
    f.setFamilies({u"Noto Serif CJK SC"_s, u"SimSun"_s, u"宋体"_s, u"Noto Sans CJK SC"_s});
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

// A paulownia leaf: a broad heart shape with veins.
void drawLeaf(QPainter& p, QPointF base, qreal size, qreal angle, const QColor& color)
{
    p.save();
    p.translate(base);
    p.rotate(angle);
    QPainterPath leaf;
    leaf.moveTo(0, 0);
    leaf.cubicTo(-size * 0.9, -size * 0.15, -size * 0.75, -size * 1.05, 0, -size * 1.25);
    leaf.cubicTo(size * 0.75, -size * 1.05, size * 0.9, -size * 0.15, 0, 0);
    p.setPen(QPen(color.darker(140), 1.2));
    p.setBrush(color);
    p.drawPath(leaf);
    p.setPen(QPen(color.lighter(150), 1));
    p.drawLine(QPointF(0, 0), QPointF(0, -size * 1.15));
    for (int i = 1; i <= 3; ++i) {
        const qreal y = -size * 0.28 * i;
        p.drawLine(QPointF(0, y), QPointF(-size * 0.38, y - size * 0.22));
        p.drawLine(QPointF(0, y), QPointF(size * 0.38, y - size * 0.22));
    }
    p.restore();
}

} // namespace

QImage drawCoverPicture()
{
    QImage img(487, 205, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, 0, 205);
    sky.setColorAt(0, QColor(18, 92, 86));
    sky.setColorAt(1, QColor(6, 40, 48));
    p.fillRect(img.rect(), sky);

    // Faint squared paper, as in a maths exercise book.
    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    for (int x = 0; x < 487; x += 16)
        p.drawLine(x, 0, x, 205);
    for (int y = 0; y < 205; y += 16)
        p.drawLine(0, y, 487, y);

    // Geometry on the right: a right triangle with its squares, and a circle.
    p.setPen(QPen(QColor(190, 235, 220, 150), 1.5));
    p.setBrush(Qt::NoBrush);
    const QPointF a(360, 150), b(440, 150), c(360, 90);
    p.drawPolygon(QPolygonF({a, b, c}));
    p.drawRect(QRectF(360, 150, 80, 40));
    p.drawRect(QRectF(320, 90, 40, 60));
    p.drawEllipse(QPointF(420, 60), 38, 38);
    p.drawLine(QPointF(382, 60), QPointF(458, 60));
    p.setFont(QFont(u"DejaVu Serif"_s, 12, -1, true));
    p.setPen(QColor(230, 250, 240));
    p.drawText(QPointF(372, 132), u"a² + b² = c²"_s);

    // The paulownia branch on the left.
    p.setPen(QPen(QColor(120, 86, 52), 5, Qt::SolidLine, Qt::RoundCap));
    QPainterPath branch;
    branch.moveTo(-5, 200);
    branch.cubicTo(40, 160, 60, 110, 110, 70);
    p.drawPath(branch);
    drawLeaf(p, QPointF(60, 140), 42, -60, QColor(70, 160, 90));
    drawLeaf(p, QPointF(95, 85), 38, 20, QColor(90, 180, 100));
    drawLeaf(p, QPointF(112, 68), 30, 70, QColor(60, 145, 80));
    drawLeaf(p, QPointF(30, 175), 34, -100, QColor(80, 170, 95));

    // Title.
    p.setPen(QColor(250, 245, 215));
    p.setFont(cjkFont(34, true));
    p.drawText(QRectF(120, 28, 240, 48), Qt::AlignCenter, u"“青桐”"_s);
    p.setFont(cjkFont(22, true));
    p.drawText(QRectF(110, 82, 270, 34), Qt::AlignCenter, u"题库管理及组卷系统"_s);
    p.setPen(QColor(200, 230, 215));
    p.setFont(cjkFont(13, false));
    p.drawText(QRectF(110, 122, 270, 22), Qt::AlignCenter, u"初中数学 · 题库 · 组卷"_s);
    p.setFont(QFont(u"DejaVu Sans"_s, 8));
    p.drawText(QRectF(110, 180, 270, 18), Qt::AlignCenter, u"Version 1.0"_s);
    p.end();
    return img;
}

QImage drawProgramIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QSvgRenderer svg(u":/icons/cn.qingtong.tiku.svg"_s);
    QPainter p(&img);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    svg.render(&p);
    p.end();
    return img;
}

QImage drawLogo()
{
    return drawProgramIcon(32);
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(drawProgramIcon(size)));
    return icon;
}
