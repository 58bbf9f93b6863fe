#include "SyntheticBodies.h"

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

using namespace Qt::StringLiterals;

namespace bankgen {

namespace {

// Figures are plain black line drawings without antialiasing: few colours, so
// they stay small as PNG, as scanned or drawn exercise figures are.
void label(QPainter& p, QPoint at, const QString& text)
{
    p.drawText(QRect(at.x() - 8, at.y() - 8, 16, 16), Qt::AlignCenter, text);
}

void triangle(QPainter& p, SeededRandom& r, int w, int h)
{
    const QPoint a(r.between(w / 4, 3 * w / 4), r.between(12, h / 3));
    const QPoint b(r.between(12, w / 4), h - 14);
    const QPoint c(r.between(3 * w / 4, w - 14), h - 14);
    p.drawPolygon(QPolygon({a, b, c}));
    const QPoint d((b.x() + c.x()) / 2, b.y());
    if (r.chance(0.5))
        p.drawLine(a, d);
    else
        p.drawLine(a, QPoint(a.x(), b.y()));
    label(p, a - QPoint(0, 9), u"A"_s);
    label(p, b + QPoint(-8, 6), u"B"_s);
    label(p, c + QPoint(8, 6), u"C"_s);
    label(p, d + QPoint(0, 9), u"D"_s);
}

void coordinates(QPainter& p, SeededRandom& r, int w, int h)
{
    const QPoint o(w / 2, h / 2);
    p.drawLine(8, o.y(), w - 8, o.y());
    p.drawLine(o.x(), h - 8, o.x(), 8);
    p.drawLine(w - 8, o.y(), w - 14, o.y() - 3);
    p.drawLine(w - 8, o.y(), w - 14, o.y() + 3);
    p.drawLine(o.x(), 8, o.x() - 3, 14);
    p.drawLine(o.x(), 8, o.x() + 3, 14);
    label(p, QPoint(w - 10, o.y() + 10), u"x"_s);
    label(p, QPoint(o.x() + 10, 10), u"y"_s);
    label(p, o + QPoint(-8, 9), u"O"_s);
    const int unit = 10;
    for (int x = o.x() % unit; x < w; x += unit)
        p.drawLine(x, o.y() - 1, x, o.y() + 1);
    // A parabola or a straight line through a few grid points.
    QPainterPath graph;
    const double a = (r.between(1, 4) * (r.chance(0.5) ? 1 : -1)) / 40.0;
    const double shift = r.between(-3, 3) * unit;
    const bool parabola = r.chance(0.6);
    for (int x = 8; x < w - 8; x += 2) {
        const double dx = x - o.x() - shift;
        const double y = parabola ? o.y() - (a * dx * dx - h / 5.0) : o.y() - a * 20 * dx;
        if (x == 8)
            graph.moveTo(x, y);
        else
            graph.lineTo(x, y);
    }
    p.setClipRect(4, 4, w - 8, h - 8);
    p.drawPath(graph);
    p.setClipping(false);
}

void circle(QPainter& p, SeededRandom& r, int w, int h)
{
    const int radius = std::min(w, h) / 2 - 14;
    const QPoint o(w / 2, h / 2);
    p.drawEllipse(o, radius, radius);
    const QPoint a(o.x() - radius, o.y());
    const QPoint b(o.x() + radius, o.y());
    const int cx = r.between(o.x() - radius / 2, o.x() + radius / 2);
    const int dy = int(std::sqrt(double(radius * radius - (cx - o.x()) * (cx - o.x()))));
    const QPoint c(cx, o.y() - dy);
    p.drawLine(a, b);
    p.drawLine(a, c);
    p.drawLine(c, b);
    p.drawPoint(o);
    label(p, a - QPoint(9, 0), u"A"_s);
    label(p, b + QPoint(9, 0), u"B"_s);
    label(p, c - QPoint(0, 9), u"C"_s);
    label(p, o + QPoint(0, 9), u"O"_s);
}

void parallels(QPainter& p, SeededRandom& r, int w, int h)
{
    const int y1 = h / 3, y2 = 2 * h / 3;
    p.drawLine(10, y1, w - 10, y1);
    p.drawLine(10, y2, w - 10, y2);
    const int x1 = r.between(w / 3, w / 2), x2 = x1 + r.between(-w / 4, w / 4);
    p.drawLine(x1 + (x1 - x2) / 2, 6, x2 - (x1 - x2) / 2, h - 6);
    label(p, QPoint(w - 8, y1 - 8), u"a"_s);
    label(p, QPoint(w - 8, y2 - 8), u"b"_s);
    label(p, QPoint(x1 + 10, y1 - 8), u"1"_s);
    label(p, QPoint(x2 + 10, y2 + 8), u"2"_s);
}

void grid(QPainter& p, SeededRandom& r, int w, int h)
{
    const int cell = 12;
    p.setPen(QColor(0x99, 0x99, 0x99));
    for (int x = 4; x < w; x += cell)
        p.drawLine(x, 4, x, h - 4);
    for (int y = 4; y < h; y += cell)
        p.drawLine(4, y, w - 4, y);
    p.setPen(QPen(Qt::black, 2));
    const auto corner = [&] {
        return QPoint(4 + cell * r.between(1, (w - 8) / cell - 1),
                      4 + cell * r.between(1, (h - 8) / cell - 1));
    };
    // Three grid points that make a proper triangle, not a line.
    QPoint a, b, c;
    do {
        a = corner();
        b = corner();
        c = corner();
    } while (std::abs((b.x() - a.x()) * (c.y() - a.y()) - (b.y() - a.y()) * (c.x() - a.x())) <
             cell * cell * 4);
    p.drawPolygon(QPolygon({a, b, c}));
}

void bars(QPainter& p, SeededRandom& r, int w, int h)
{
    p.drawLine(14, h - 12, w - 6, h - 12);
    p.drawLine(14, h - 12, 14, 6);
    const int n = r.between(3, 6);
    const int step = (w - 24) / n;
    for (int i = 0; i < n; ++i) {
        const int barHeight = r.between(10, h - 24);
        p.fillRect(20 + i * step, h - 12 - barHeight, step / 2, barHeight, QColor(0x40, 0x40, 0x40));
        label(p, QPoint(20 + i * step + step / 4, h - 4), QString::number(i + 1));
    }
}

} // namespace

QImage drawFigure(SeededRandom& rng)
{
    const int w = rng.between(12, 24) * 10;
    const int h = rng.between(9, 16) * 10;
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setPen(QPen(Qt::black, 1));
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::NoAntialias);
    p.setFont(font);
    using Draw = void (*)(QPainter&, SeededRandom&, int, int);
    static constexpr std::array<Draw, 6> kinds = {triangle, coordinates, circle, parallels, grid, bars};
    kinds[std::size_t(rng.below(int(kinds.size())))](p, rng, w, h);
    p.end();
    return image;
}

const Figure& pooledFigure(std::uint64_t seed, int index)
{
    using Pool = std::vector<Figure>;
    static std::mutex mutex;
    static std::map<std::uint64_t, std::unique_ptr<const Pool>> pools;
    const std::lock_guard lock(mutex);
    auto& pool = pools[seed];
    if (!pool) {
        auto made = std::make_unique<Pool>();
        made->reserve(kFigureCount);
        for (int i = 0; i < kFigureCount; ++i) {
            SeededRandom rng(SeededRandom::mix(seed ^ 0xF16E5ULL, std::uint64_t(i)));
            const QImage image = drawFigure(rng);
            Figure f;
            f.size = image.size();
            QBuffer buffer(&f.png);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            made->push_back(std::move(f));
        }
        pool = std::move(made);
    }
    return (*pool)[std::size_t(index) % pool->size()];
}

} // namespace bankgen
