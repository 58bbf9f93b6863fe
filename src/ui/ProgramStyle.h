#pragma once

#include <QProxyStyle>

class QStyleOptionSlider;

// The program's look: the platform's style, with flat scroll bars.
//
// Qt's raster engine hands every blended fill of 96 lines or more (a gradient,
// a translucent line, a stroked outline) to its global thread pool and waits
// for it. A scroll bar beside a text box is such a fill, and stepping through
// questions changes its range each time: on a machine with few cores the
// threads' wake-ups cost more than the painting. Flat scroll bars are drawn
// with solid rectangles, which Qt fills in place; their geometry, hit testing
// and arrows stay the platform style's.
class ProgramStyle : public QProxyStyle
{
public:
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;

    // The colours of a scroll bar's groove and of its handle at rest.
    static QColor grooveColor(const QPalette& palette);
    static QColor handleColor(const QPalette& palette);

private:
    void drawScrollBar(const QStyleOptionSlider& bar, QPainter* painter, const QWidget* widget) const;
};

// Makes ProgramStyle the application's style. Call once the QApplication exists.
void applyProgramStyle();
