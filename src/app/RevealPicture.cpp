#include "app/RevealPicture.h"

#include <cstdlib>

QColor colorFromDecimal(const QString& text)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (!ok || v < 0)
        return QColor(0, 0, 0);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

QString colorToDecimal(const QColor& color)
{
    return QString::number(qint64(color.red()) + 256 * qint64(color.green()) + 65536 * qint64(color.blue()));
}

void drawLine(QImage& image, int x0, int y0, int x1, int y1, QRgb color)
{
    // Bresenham: every point lies between the two end points in x and in y,
    // which is what makes the sweep end with each pixel in its own colour.
    const int w = image.width();
    const int h = image.height();
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        if (x0 >= 0 && y0 >= 0 && x0 < w && y0 < h)
            reinterpret_cast<QRgb*>(image.scanLine(y0))[x0] = color;
        if (x0 == x1 && y0 == y1)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void revealPicture(const QImage& picture, QImage& canvas, int cornerX, int cornerY, int offsetX, int offsetY,
                   const QString& backColor, const std::function<void()>& beforeColumn)
{
    if (canvas.format() != QImage::Format_RGB32 && canvas.format() != QImage::Format_ARGB32)
        canvas = canvas.convertToFormat(QImage::Format_RGB32);
    const QRgb background = colorFromDecimal(backColor).rgb();
    const int width = picture.width();
    const int height = picture.height();
    // Both loops include the end value, one past the picture; a point outside
    // the picture has no colour of its own and is drawn in the background colour.
    for (int x = 0; x <= width; ++x) {
        if (beforeColumn)
            beforeColumn();
        for (int y = 0; y <= height; ++y) {
            const QRgb c = picture.valid(x, y) ? picture.pixel(x, y) : background;
            drawLine(canvas, cornerX, cornerY, x + offsetX, y + offsetY, c);
        }
        drawLine(canvas, cornerX, cornerY, x + offsetX, offsetY + height, background);
    }
}
