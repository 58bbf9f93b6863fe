#include "ui/ProgramStyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOption>

QColor ProgramStyle::grooveColor(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Window).darker(106);
}

QColor ProgramStyle::handleColor(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Button).darker(125);
}

void ProgramStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                      QPainter* painter, const QWidget* widget) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control == CC_ScrollBar && bar)
        drawScrollBar(*bar, painter, widget);
    else
        QProxyStyle::drawComplexControl(control, option, painter, widget);
}

void ProgramStyle::drawScrollBar(const QStyleOptionSlider& bar, QPainter* painter, const QWidget* widget) const
{
    // Everything below is a solid rectangle or a small arrow: nothing tall is
    // blended, so the raster engine fills it in place.
    const bool horizontal = bar.orientation == Qt::Horizontal;
    const bool scrolls = bar.maximum > bar.minimum && (bar.state & State_Enabled);
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
        if (!scrolls) {
            arrow.state &= ~State_Enabled;
            arrow.palette.setCurrentColorGroup(QPalette::Disabled);
        }
        proxy()->drawPrimitive(arrowElement, &arrow, painter, widget);
    }

    if (!scrolls || !(bar.subControls & SC_ScrollBarSlider))
        return;
    QRect handle = proxy()->subControlRect(CC_ScrollBar, &bar, SC_ScrollBarSlider, widget);
    handle = horizontal ? handle.adjusted(0, 2, 0, -2) : handle.adjusted(2, 0, -2, 0);
    QColor color = handleColor(bar.palette);
    if (bar.activeSubControls & SC_ScrollBarSlider)
        color = color.darker(sunken ? 130 : 115);
    painter->fillRect(handle, color);
}

void applyProgramStyle()
{
    QApplication::setStyle(new ProgramStyle);
}
