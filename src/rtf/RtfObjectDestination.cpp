#include "rtf/RtfObjectDestination.h"

#include "metafile/Mtef.h"
#include "rtf/RtfParserState.h"

#include <algorithm>

namespace rtf {

namespace {

// An object has a handful of control words and a class name of a few
// letters; more is not kept.
constexpr qsizetype kMaxObjectControls = 1024;
constexpr qsizetype kMaxClassName = 256;

} // namespace

void ObjectDestination::begin(int depth)
{
    depth_ = depth;
    attached_ = false;
    readingClass_ = false;
    nibble_ = -1;
    controls_.clear();
    className_.clear();
    data_.clear();
}

bool ObjectDestination::isObjectWord(const Token& t)
{
    return t.text.starts_with("obj") || t.text.starts_with("rslt");
}

void ObjectDestination::controlWord(const Token& t)
{
    if (controls_.size() >= kMaxObjectControls)
        return;
    controls_.append('\\');
    controls_.append(t.text.data(), qsizetype(t.text.size()));
    if (t.hasParam)
        controls_.append(QByteArray::number(t.param));
}

void ObjectDestination::classText(std::string_view bytes)
{
    for (const char c : bytes) {
        // A class name is ASCII letters, digits and dots; the separator some
        // writers add is not part of it, nor are RTF's special characters.
        if (className_.size() < kMaxClassName && uchar(c) > 0x20 && uchar(c) < 0x7F && c != ';' &&
            c != '\\' && c != '{' && c != '}')
            className_.append(c);
    }
}

void ObjectDestination::dataText(std::string_view bytes)
{
    if (data_.capacity() < data_.size() + qsizetype(bytes.size() / 2 + 1))
        data_.reserve(
            std::max<qsizetype>(data_.capacity() * 2, data_.size() + qsizetype(bytes.size() / 2 + 1)));
    for (const char ch : bytes) {
        const int v = hexDigit(ch);
        if (v < 0)
            continue;
        if (nibble_ < 0) {
            nibble_ = v;
        } else {
            data_.append(char(nibble_ << 4 | v));
            nibble_ = -1;
        }
    }
}

void ObjectDestination::dataBinary(std::string_view bytes)
{
    data_.append(bytes.data(), qsizetype(bytes.size()));
    nibble_ = -1;
}

void ObjectDestination::attachTo(Picture& picture)
{
    if (attached_ || data_.isEmpty())
        return;
    attached_ = true;
    data_.squeeze();
    picture.objectData = data_;
    picture.objectControls = controls_;
    picture.objectClass = QString::fromLatin1(className_);
    if (!metafile::isEquationClass(picture.objectClass))
        return;
    // The object's face stays what is shown and printed; the LaTeX lets the
    // teacher open the equation in the formula editor, and its text be read.
    const metafile::LatexResult latex = metafile::equationObjectToLatex(data_);
    if (latex.ok())
        picture.formula = latex.latex;
    else {
        picture.notConverted = latex.unknown.isEmpty() ? QStringLiteral(u"空公式") : latex.unknown;
        picture.partialFormula = latex.latex;
    }
}

} // namespace rtf
