#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Window geometry is given in twips (1/1440 inch): 15 twips per pixel at 96 dpi.
constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips)
{
    return twips / kTwipsPerPixel;
}

constexpr int pixelsToTwips(int pixels)
{
    return pixels * kTwipsPerPixel;
}

// A rectangle given as left, top, width and height in twips.
constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

// A window's left and top in twips.
constexpr QPoint twipsPoint(int left, int top)
{
    return QPoint(twipsToPixels(left), twipsToPixels(top));
}

constexpr QSize twipsSize(int width, int height)
{
    return QSize(twipsToPixels(width), twipsToPixels(height));
}
