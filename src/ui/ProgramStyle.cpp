#include "ui/ProgramStyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOption>

namespace {

// A one-pixel line along each side of `r`, as solid rectangles.
void drawOutline(QPainter* painter, const QRect& r, const QColor& color)
{
    painter->fillRect(QRect(r.left(), r.top(), r.width(), 1), color);
    painter->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), color);
    painter->fillRect(QRect(r.left(), r.top(), 1, r.height()), color);
    painter->fillRect(QRect(r.right(), r.top(), 1, r.height()), color);
}

} // namespace

QColor ProgramStyle::grooveColor(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Window).darker(106);
}

QColor ProgramStyle::handleColor(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Button).darker(125);
}

QColor ProgramStyle::frameBorderColor(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Window).darker(111);
}

QColor ProgramStyle::frameInsideColor(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Window).darker(101);
}

void ProgramStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                      QPainter* painter, const QWidget* widget) const
{
    if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        bar && control == CC_ScrollBar) {
        drawScrollBar(*bar, painter, widget);
        return;
    }
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control == CC_GroupBox && box && (box->subControls & SC_GroupBoxFrame) &&
        !(box->features & QStyleOptionFrame::Flat)) {
        drawGroupBoxFrame(*box, painter, widget);
        // The title and the check box are the platform style's.
        QStyleOptionGroupBox rest(*box);
        rest.subControls &= ~SC_GroupBoxFrame;
        QProxyStyle::drawComplexControl(control, &rest, painter, widget);
        return;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

void ProgramStyle::drawGroupBoxFrame(const QStyleOptionGroupBox& box, QPainter* painter,
                                     const QWidget* widget) const
{
    // Where the platform style puts it: from just above the contents (below
    // the title) to the box's bottom right, one pixel in on the left.
    QRect r = proxy()->subControlRect(CC_GroupBox, &box, SC_GroupBoxFrame, widget);
    r.setTop(proxy()->subControlRect(CC_GroupBox, &box, SC_GroupBoxContents, widget).top() - 2);
    r.setLeft(r.left() + 1);
    if (r.width() < 4 || r.height() < 4)
        return;
    const QPalette& pal = box.palette;
    const QColor window = pal.color(QPalette::Active, QPalette::Window);
    painter->fillRect(r, frameInsideColor(pal));
    // A shade just inside the border, then the border with its corners
    // softened as the platform style rounds them.
    drawOutline(painter, r.adjusted(1, 1, -1, -1), window.darker(103));
    drawOutline(painter, r, frameBorderColor(pal));
    const QColor corner = window.darker(104);
    for (const QPoint& p : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
        painter->fillRect(QRect(p, QSize(1, 1)), corner);
}

void ProgramStyle::drawScrollBar(const QStyleOptionSlider& bar, QPainter* painter,
                                 const QWidget* widget) const
{
    // Everything below is a solid rectangle or a small arrow: nothing tall is
    // blended, so the raster engine fills it in place.
    const bool horizontal = bar.orientation == Qt::Horizontal;
    const bool enabled = bar.state & State_Enabled;
    const bool scrolls = bar.maximum > bar.minimum;
    const bool sunken = bar.state & State_Sunken;
    painter->fillRect(bar.rect, grooveColor(bar.palette));

    const struct
    {
        SubControl part;
        PrimitiveElement arrow;
    } buttons[] = {
        {SC_ScrollBarSubLine, horizontal ? PE_IndicatorArrowLeft : PE_IndicatorArrowUp},
        {SC_ScrollBarAddLine, horizontal ? PE_IndicatorArrowRight : PE_IndicatorArrowDown},
    };
    for (const auto& [part, arrowElement] : buttons) {
        if (!(bar.subControls & part))
            continue;
        const QRect r = proxy()->subControlRect(CC_ScrollBar, &bar, part, widget);
        if (sunken && (bar.activeSubControls & part))
            painter->fillRect(r, grooveColor(bar.palette).darker(115));
        QStyleOption arrow(bar);
        arrow.rect = r.adjusted(2, 2, -2, -2);
        if (!scrolls || !enabled) {
            arrow.state &= ~State_Enabled;
            arrow.palette.setCurrentColorGroup(QPalette::Disabled);
        }
        proxy()->drawPrimitive(arrowElement, &arrow, painter, widget);
    }

    if (!scrolls || !(bar.subControls & SC_ScrollBarSlider))
        return;
    QRect handle = proxy()->subControlRect(CC_ScrollBar, &bar, SC_ScrollBarSlider, widget);
    handle = horizontal ? handle.adjusted(0, 2, 0, -2) : handle.adjusted(2, 0, -2, 0);
    // A disabled bar still shows where its view is, more faintly.
    QColor color = handleColor(bar.palette);
    if (!enabled)
        color = color.lighter(112);
    else if (bar.activeSubControls & SC_ScrollBarSlider)
        color = color.darker(sunken ? 130 : 115);
    painter->fillRect(handle, color);
}

void applyProgramStyle()
{
    QApplication::setStyle(new ProgramStyle);
}
