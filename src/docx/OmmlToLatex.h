#pragma once

#include <QString>

// Word's equations (Office Math Markup, OMML: the m:oMath elements Word's
// equation editor writes) as LaTeX for the program's formula engine.
namespace docx {

struct XmlElement;

struct OmmlResult
{
    QString latex;
    // The first construct that could not be converted, for the teacher
    // (e.g. "公式结构 m:xyz"); `latex` then holds what could be.
    QString problem;
    bool ok() const { return problem.isEmpty() && !latex.isEmpty(); }
};

// An m:oMath or m:oMathPara element (or any element holding math) as LaTeX:
// fractions, scripts, radicals, n-ary operators with limits, delimiters,
// matrices and equation arrays, accents, bars, boxes, functions, group
// characters, limits above and below, phantoms, text and spacing.
OmmlResult ommlToLatex(const XmlElement& math);

} // namespace docx
