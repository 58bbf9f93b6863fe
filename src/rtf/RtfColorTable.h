#pragma once

#include <QColor>

#include <string_view>
#include <vector>

namespace rtf {

// The colour table (\colortbl): \redN\greenN\blueN and ';' for each colour;
// an entry without them is the automatic colour (an invalid QColor).
class ColorTable
{
public:
    explicit ColorTable(std::vector<QColor>& colors) : colors_(colors) {}

    void begin();
    void setRed(int value);
    void setGreen(int value);
    void setBlue(int value);
    void text(std::string_view bytes);

private:
    std::vector<QColor>& colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool set_ = false;
};

} // namespace rtf
