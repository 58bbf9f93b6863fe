#pragma once

#include <functional>
#include <QColor>
#include <QImage>
#include <QString>

// The cover's fanning-line sweep. For every column x of the picture (both
// ends included) and every row y, a line is drawn on `canvas` from the corner
// to (x + offsetX, y + offsetY) in the colour of the picture's pixel (x, y);
// then one line to the bottom of the column in the background colour.
// `backColor` is the background as decimal text (red + 256·green + 65536·blue).
// `afterColumn` runs before each column, so the window can repaint and stay
// responsive while drawing.
void revealPicture(const QImage& picture, QImage& canvas, int cornerX, int cornerY, int offsetX, int offsetY,
                   const QString& backColor, const std::function<void()>& beforeColumn = {});

// A colour from its decimal text (red + 256·green + 65536·blue); black when
// the text is not a number.
QColor colorFromDecimal(const QString& text);
QString colorToDecimal(const QColor& color);

// Draws a one-pixel line with both end points, clipped to the image.
void drawLine(QImage& image, int x0, int y0, int x1, int y1, QRgb color);
