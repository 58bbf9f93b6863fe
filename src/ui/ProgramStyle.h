#pragma once

#include <QProxyStyle>

class QStyleOptionGroupBox;
class QStyleOptionSlider;

// The program's look: the platform's style, with flat scroll bars and group
// box frames.
//
// Qt's raster engine hands every blended fill of 96 lines or more (a gradient,
// a translucent line, a stretched picture) to its global thread pool and
// waits for it. A scroll bar beside a text box is such a fill, and so is the
// frame of a group box, repainted behind every field whose text changes:
// stepping through questions repaints both each time, and on a machine with
// few cores the threads' wake-ups cost more than the painting. These are
// drawn here with solid rectangles, which Qt fills in place, in the colours
// the platform style gives them; their geometry, hit testing, titles and
// arrows stay the platform style's.
class ProgramStyle : public QProxyStyle
{
public:
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;

    // The colours of a scroll bar's groove and of its handle at rest.
    static QColor grooveColor(const QPalette& palette);
    static QColor handleColor(const QPalette& palette);
    // The colours of a group box's border and of the inside of its frame.
    static QColor frameBorderColor(const QPalette& palette);
    static QColor frameInsideColor(const QPalette& palette);

private:
    void drawScrollBar(const QStyleOptionSlider& bar, QPainter* painter, const QWidget* widget) const;
    void drawGroupBoxFrame(const QStyleOptionGroupBox& box, QPainter* painter, const QWidget* widget) const;
};

// Makes ProgramStyle the application's style. Call once the QApplication exists.
void applyProgramStyle();
