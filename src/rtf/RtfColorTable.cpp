#include "rtf/RtfColorTable.h"

#include "rtf/RtfParserState.h"

namespace rtf {

void ColorTable::begin()
{
    red_ = green_ = blue_ = 0;
    set_ = false;
}

void ColorTable::setRed(int value)
{
    red_ = clampInt(value, 0, 255);
    set_ = true;
}

void ColorTable::setGreen(int value)
{
    green_ = clampInt(value, 0, 255);
    set_ = true;
}

void ColorTable::setBlue(int value)
{
    blue_ = clampInt(value, 0, 255);
    set_ = true;
}

void ColorTable::text(std::string_view bytes)
{
    for (const char ch : bytes) {
        if (ch != ';')
            continue;
        colors_.push_back(set_ ? QColor(red_, green_, blue_) : QColor());
        red_ = green_ = blue_ = 0;
        set_ = false;
        // A colour is referred to by a 16-bit index.
        if (colors_.size() > 32767)
            colors_.pop_back();
    }
}

} // namespace rtf
