#pragma once

#include "rtf/RtfModel.h"
#include "rtf/RtfTokenizer.h"

#include <QByteArray>
#include <QString>

#include <string_view>

namespace rtf {

// An embedded object (\object): its own control words (\objemb, \objw...),
// its class (\objclass) and its data (\objdata, the OLE object as bytes). Its
// \result is document text; the first picture there is the object's face and
// carries the object, so that the writer can give the object back whole. An
// equation (MathType, Equation Editor) also gets its LaTeX as the picture's
// formula source, or the construct that could not be converted.
class ObjectDestination
{
public:
    bool isOpen() const { return depth_ >= 0; }
    bool endsAt(int depth) const { return depth_ == depth; }
    void begin(int depth);
    // A control word of the object's own group.
    void controlWord(const Token& t);
    // Whether `t` is one of the object's own words (\objw, \rsltpict...).
    static bool isObjectWord(const Token& t);

    void beginClass() { readingClass_ = true; }
    void beginData() { readingClass_ = false; }
    void classText(std::string_view bytes);
    void dataText(std::string_view bytes);
    void dataBinary(std::string_view bytes);

    // The picture finished inside the object's result takes the object, if
    // no picture took it before.
    void attachTo(Picture& picture);
    void end() { depth_ = -1; }

private:
    int depth_ = -1;
    bool attached_ = false;
    bool readingClass_ = false;
    int nibble_ = -1;
    QByteArray controls_;
    QByteArray className_;
    QByteArray data_;
};

} // namespace rtf
