#pragma once

#include <QString>

// Word's oldest way of typing a formula: an EQ field, "EQ \f(1,2)" for a
// fraction, "EQ \r(3,x)" for a cube root, as papers made with Word 97 and
// WPS still hold them. The field's code as LaTeX.
namespace docx {

struct EqFieldResult
{
    QString latex;
    QString problem; // the first switch that could not be converted; empty when all were
};

// `code` is the whole field code, starting with "EQ".
EqFieldResult eqFieldToLatex(const QString& code);

} // namespace docx
